// Saving in every kind and through every variant: what is asked, what the database adopts, and
// that a save that does not complete leaves the file it would replace as it was.
#include <windows.h>

#include <string>
#include <vector>

#include "core/files.h"
#include "database/base_sections.h"
#include "database/block_container.h"
#include "database/file_kinds.h"
#include "database/macros.h"
#include "database/protection.h"
#include "database/stored_object_holders.h"
#include "database/stored_object_sections.h"
#include "database/subsets.h"
#include "database/template_sections.h"
#include "database/template_tree.h"
#include "database/time_scale.h"
#include "opensave_fixture.h"

namespace {

using Saving = OpenSaveTest;

// The last-write time of the file set a year back, as another program's write would move it.
void TouchOnDisk(const std::string& path) {
  HANDLE file = CreateFileW(WidePathText(path.c_str()).c_str(), FILE_WRITE_ATTRIBUTES,
                            FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  SYSTEMTIME year{2023, 3, 0, 14, 8, 0, 0, 0};
  FILETIME time;
  SystemTimeToFileTime(&year, &time);
  SetFileTime(file, nullptr, nullptr, &time);
  CloseHandle(file);
}

// A titled, modified database of the sample whose file is the path.
T_Base* OpenedSample(const std::string& path, int32_t kind = 1) {
  T_Base* source = new T_Base(nullptr, 0);
  FillSample(source);
  EXPECT_TRUE(SaveAs(source, path, kind));
  DeleteBase(source, kCloseSilently);
  T_Base* base = openDatabase(path.c_str(), nullptr, 0);
  EXPECT_NE(base, nullptr);
  if (base != nullptr) base->SetCardDigits(5);
  return base;
}

TEST_F(Saving, AnUntitledDatabaseTakesThePathItIsSavedUnder) {
  T_Base* base = new T_Base(nullptr, 1);
  FillSample(base);
  base->SetModified(true);
  const std::string expected = ModelDump(base);
  TakeNotes(base);
  FileDialogAnswerInAdvance(Path("fresh").c_str());
  ASSERT_TRUE(SaveDatabase(base));
  EXPECT_STREQ(base->path->c_str(), Path("fresh.qeb").c_str());  // the kind's extension added
  EXPECT_EQ(base->untitledNumber, 0u);
  EXPECT_FALSE(base->modified);
  EXPECT_STREQ(base->fileInfo.computerName, "BUILDHOST");
  EXPECT_NE(base->fileTime, 0);
  const std::vector<int32_t> notes = TakeNotes(base);
  EXPECT_TRUE(Contains(notes, kChangePath));
  EXPECT_EQ(notes.back(), kChangeSaved);
  EXPECT_TRUE(user.asked.empty());

  // Save As in the text form: the kind follows the extension, and the database follows the file.
  FileDialogAnswerInAdvance(Path("copy.qex").c_str());
  ASSERT_TRUE(SaveDatabaseAs(base));
  EXPECT_STREQ(base->path->c_str(), Path("copy.qex").c_str());
  EXPECT_EQ(base->saveKind, kSaveKindText);
  EXPECT_EQ(TakeNotes(base), (std::vector<int32_t>{kChangePath, kChangeSaveKind, kChangeSaved}));
  for (const char* name : {"fresh.qeb", "copy.qex"}) {
    T_Base* opened = openDatabase(Path(name).c_str(), nullptr, kOpenFlagReuseOpen);
    if (opened == base) continue;
    ASSERT_NE(opened, nullptr) << name;
    EXPECT_EQ(ModelDump(opened), expected) << name;
    DeleteBase(opened, kCloseSilently);
  }
  EXPECT_EQ(FolderNames(folder), (std::vector<std::string>{"copy.qex", "fresh.qeb"}));
}

TEST_F(Saving, SaveAsTextOfAProtectedDatabaseAsksForItsPassword) {
  T_Base* base = new T_Base(nullptr, 1);
  FillSample(base);
  SetProtectionPassword(base->protection, "s3cret");
  const struct {
    const char* name;
    bool asked;
    const char* answer;  // null: the prompt is cancelled
    bool saved;
    int32_t error;
  } cases[] = {{"cancelled.qex", true, nullptr, false, 0},
               {"wrong.qex", true, "guess", false, 3814},
               {"right.qex", true, "S3CRET", true, 0},  // letter case ignored
               {"container.qeb", false, nullptr, true, 0}};  // scrambled there: nothing asked
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FileDialogAnswerInAdvance(Path(c.name).c_str());
    if (c.asked) PasswordAnswerInAdvance(c.answer);
    EXPECT_EQ(SaveDatabaseAs(base), c.saved);
    EXPECT_EQ(PendingError.request.message, c.error);
    PendingErrorClear();
    EXPECT_EQ(FileExists(Path(c.name).c_str()), c.saved);
  }
  DeleteBase(base, kCloseSilently);
}

TEST_F(Saving, AFailedSaveKeepsTheDatabasesFileAndStillSendsCode7) {
  T_Base* base = new T_Base(nullptr, 1);
  FillSample(base);
  base->SetModified(true);
  SetFileWriteFailHook([](const SysFile*, int64_t) { return false; });
  FileDialogAnswerInAdvance(Path("full.qeb").c_str());
  TakeNotes(base);
  EXPECT_FALSE(SaveDatabase(base));
  EXPECT_EQ(PendingError.request.message, 607);
  EXPECT_EQ(TakeNotes(base), std::vector<int32_t>{kChangeSaved});
  EXPECT_EQ(base->untitledNumber, 1u);
  EXPECT_TRUE(base->modified);
  EXPECT_TRUE(FolderNames(folder).empty());
  PendingErrorClear();

  // A cancelled dialog saves nothing and sends nothing.
  FileDialogAnswerInAdvance(nullptr);
  EXPECT_FALSE(SaveDatabase(base));
  EXPECT_TRUE(TakeNotes(base).empty());
}

TEST_F(Saving, AFileChangedOnDiskIsReplacedOnlyWhenTheUserSaysSo) {
  const std::string path = Path("shared.qeb");
  T_Base* base = OpenedSample(path);
  ASSERT_NE(base, nullptr);
  EXPECT_TRUE(SaveDatabase(base));  // unchanged on disk: no question
  EXPECT_TRUE(user.asked.empty());

  TouchOnDisk(path);
  const std::string onDisk = ReadWholeFile(path);
  base->SetModified(true);
  user.answers[4004] = kCancel;
  EXPECT_FALSE(SaveDatabase(base));
  EXPECT_EQ(user.asked, std::vector<int32_t>{4004});
  EXPECT_NE(user.TextOf(4004).find("shared.qeb"), std::string::npos);
  EXPECT_TRUE(AbortRequested());
  EXPECT_TRUE(ReadWholeFile(path) == onDisk);
  EXPECT_TRUE(base->modified);
  PendingErrorClear();

  user.answers[4004] = kSaveAnyway;
  EXPECT_TRUE(SaveDatabase(base));
  EXPECT_FALSE(base->modified);
  // The time after the replace is the one remembered: the next save asks nothing.
  user.asked.clear();
  EXPECT_TRUE(SaveDatabase(base));
  EXPECT_TRUE(user.asked.empty());
}

TEST_F(Saving, AFileOfAnotherKindAtThePathIsReplacedAfterAQuestion) {
  struct Case {
    const char* what;
    std::string content;
    bool asks;  // 4006
  };
  std::string unknownMode(40, '\0');
  unknownMode.replace(0, 11, "\x05\x13Qbx121122");
  unknownMode[13] = 'X';
  const Case cases[] = {
      {"other text", "Date\tAmount\r\n", true},
      {"an XML command file", "<?xml version=\"1.0\"?>\r\n<QEB-xml/>\r\n", true},
      {"an SIE file", "#FLAGGA 0\r\n#SIETYP 4\r\n", true},
      {"a damaged database file", "junk\r\n#QEB junk\r\n", true},
      {"a container of no mode", unknownMode, true},
      {"a text form", "##QEB-Text\t121122\r\n##End\r\n", false},
      {"a file of a later version", "##QEB-Text\t150101\r\n##End\r\n", false},
  };
  const std::string path = Path("target.qeb");
  T_Base* base = OpenedSample(path);
  ASSERT_NE(base, nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteWholeFile(path, c.content);
    base->fileTime = FileModifiedDate(path.c_str());  // not a change on disk
    user.asked.clear();
    user.answers[4006] = kCancel;
    EXPECT_EQ(SaveDatabase(base), !c.asks);
    if (!c.asks) {
      EXPECT_TRUE(user.asked.empty());
      continue;
    }
    EXPECT_EQ(user.asked, std::vector<int32_t>{4006});
    EXPECT_NE(user.TextOf(4006).find("target.qeb"), std::string::npos);
    EXPECT_EQ(ReadWholeFile(path), c.content);
    PendingErrorClear();
    user.answers[4006] = kReplace;
    EXPECT_TRUE(SaveDatabase(base));
    FileKindInfo info;
    DetectFileKind(&info, path.c_str());
    EXPECT_EQ(info.kind, kFileKindContainerN);
  }
}

TEST_F(Saving, TheTemplatesFileHoldsOnlyItsSections) {
  const std::string path = Path("shop.qeb");
  T_Base* base = OpenedSample(path);
  ASSERT_NE(base, nullptr);
  const std::string own = ReadWholeFile(path);
  FileDialogAnswerInAdvance(Path("Templates.qeb").c_str());
  ASSERT_TRUE(SaveTemplates(base));
  EXPECT_STREQ(base->path->c_str(), path.c_str());
  EXPECT_TRUE(base->modified);
  EXPECT_TRUE(ReadWholeFile(path) == own);

  FileKindInfo info;
  DetectFileKind(&info, Path("Templates.qeb").c_str());
  EXPECT_EQ(info.kind, kFileKindContainerU);
  std::vector<std::string> tags;
  for (const std::string& line : ReadContainer(Path("Templates.qeb"), 3).lines) {
    if (line.rfind("##", 0) == 0) tags.push_back(line);
  }
  EXPECT_EQ(tags, (std::vector<std::string>{"##Characters", "##Subset\tBig", "##Templates",
                                            "##Defaults", "##End"}));
}

TEST_F(Saving, TheEstimateCountsWhatTheWritersCount) {
  static int64_t total, steps;
  static int started, finished, resets;
  total = steps = 0;
  started = finished = resets = 0;
  static int window;
  const FileProgressHooks hooks = {
      [] { return started > finished ? reinterpret_cast<T_FileWait*>(&window) : nullptr; },
      nullptr,
      nullptr,
      nullptr,
      nullptr,
      [](T_FileWait*, int64_t n) { steps += n; },
  };
  const FileProgressWindowHooks windows = {
      [](int32_t kind, T_Base*, const char*) {
        EXPECT_EQ(kind, kProgressSaving);
        ++started;
        return reinterpret_cast<T_FileWait*>(&window);
      },
      [](T_FileWait*) { ++finished; },
      [](T_FileWait*, int64_t n) { total += n; },
      [](T_FileWait*) {
        ++resets;
        steps = 0;
      },
  };
  T_Base* base = NewSample();
  SaveOptionsFromBase(&base->saveOptions, base);
  int64_t expected = WebUserListMemSize(base->webUsers) + kSaveSetupSteps + kImportSetupSteps +
                     MacroMemorySize(base->macros) + SubsetListMemSize(base->subsets) + kTemplateSteps;
  for (const TimeScale* scale = base->timeScales; scale != nullptr; scale = scale->next)
    expected += TimeScaleMemorySize(scale);
  if (CardRecordsLinked()) expected += 64 * 11 + 104 * 6 + 40 * 12;
  EXPECT_EQ(EstimateSaveSize(base), expected);

  SetFileProgressHooks(&hooks);
  SetFileProgressWindowHooks(&windows);
  ASSERT_TRUE(SaveAs(base, Path("steps.qeb"), 1));
  EXPECT_EQ(started, 1);
  EXPECT_EQ(finished, 1);
  EXPECT_EQ(resets, 1);
  EXPECT_EQ(total, expected);
  EXPECT_EQ(steps, expected);
  // Without the protection section its password is not counted, with it the record is.
  SetProtectionPassword(base->protection, "pw");
  SaveOptionsFromBase(&base->saveOptions, base);
  EXPECT_EQ(EstimateSaveSize(base), expected + static_cast<int64_t>(sizeof(Protection)));
}

// A target kind without a writer (6, which no save makes) is refused.
TEST_F(Saving, AKindWithoutAWriterIsRefusedWithoutWritingAnything) {
  T_Base* base = NewSample();
  EXPECT_FALSE(SaveAs(base, Path("export.qeb"), 6));
  EXPECT_TRUE(base->errorFlag);
  EXPECT_TRUE(FolderNames(folder).empty());
}

// --- Faults at every step of a save ---------------------------------------------------------
//
// Each fault is raised at the n-th event of one kind for n = 1, 2, ... until a save runs through
// without reaching it. Whatever n, the file the save would replace stays byte for byte, no
// temporary file stays behind, and the database keeps its path, kind and modified flag.

int eventCount, faultAt;

bool FailNthWrite(const SysFile*, int64_t) { return ++eventCount != faultAt; }
bool CancelAtNthWrite(const SysFile*, int64_t) {
  if (++eventCount == faultAt) PendingErrorCancel();  // as the progress window's Cancel does
  return true;
}
bool FailNthAllocation(size_t) { return ++eventCount != faultAt; }

struct Fault {
  const char* what;
  void (*install)();
  void (*remove)();
  int32_t atLeast;  // faults the save must meet: header or tag, buffers, blocks, allocations
};

const Fault kFaults[] = {
    {"a failed write", [] { SetFileWriteFailHook(FailNthWrite); },
     [] { SetFileWriteFailHook(nullptr); }, 4},
    {"a cancel during a write", [] { SetFileWriteFailHook(CancelAtNthWrite); },
     [] { SetFileWriteFailHook(nullptr); }, 4},
    {"a failed allocation", [] { SetHeapFailHook(FailNthAllocation); },
     [] { SetHeapFailHook(nullptr); }, 2},
};

// A change that every save writes differently.
void Vary(T_Base* base) {
  static int32_t round = 0;
  base->SetLineTextLabel(("Text " + std::to_string(++round)).c_str());
}

// The file opens as a copy of the database.
void ExpectFileHolds(const std::string& path, T_Base* base) {
  PendingErrorSaved fault;
  PendingErrorSave(&fault);
  T_Base copy(path.c_str(), 0);
  readNewDatabase(&copy, nullptr, 0);
  EXPECT_FALSE(copy.errorFlag);
  EXPECT_EQ(ModelDump(&copy), ModelDump(base));
  PendingErrorRestore(&fault);
}

TEST_F(Saving, NoFaultDuringASaveTouchesTheFileItWouldReplace) {
  for (int32_t kind : {kSaveKindContainer, kSaveKindText}) {
    const std::string path = Path(kind == kSaveKindText ? "base.qex" : "base.qeb");
    T_Base* base = OpenedSample(path, kind);
    ASSERT_NE(base, nullptr);
    const std::string ownPath = base->path->c_str();
    for (const Fault& fault : kFaults) {
      SCOPED_TRACE(std::string(fault.what) + (kind == kSaveKindText ? " (text form)" : ""));
      // The save that ends each loop changes the file: the label differs from the file's.
      Vary(base);
      std::string original = ReadWholeFile(path);
      int32_t faults = 0;
      int32_t steppedOver = 0;
      for (faultAt = 1;; ++faultAt) {
        ASSERT_LT(faultAt, 400);
        PendingErrorClear();
        base->SetModified(true);
        eventCount = 0;
        fault.install();
        const bool saved = SaveDatabase(base);
        fault.remove();
        ASSERT_EQ(FolderNames(folder), std::vector<std::string>{PathFindName(path.c_str())})
            << faultAt;
        ASSERT_STREQ(base->path->c_str(), ownPath.c_str());
        ASSERT_EQ(base->saveKind, kind);
        if (saved) {
          // Only a fault the save can step over (in its look at the file in the way) lets it
          // go on, and then the whole file is written.
          ASSERT_TRUE(ReadWholeFile(path) != original) << faultAt;
          ExpectFileHolds(path, base);
          original = ReadWholeFile(path);
          Vary(base);
          if (eventCount < faultAt) break;  // a save that never met the fault
          ++steppedOver;
          continue;
        }
        ++faults;
        ASSERT_TRUE(ReadWholeFile(path) == original) << faultAt;
        ASSERT_TRUE(base->modified) << faultAt;
      }
      EXPECT_GE(faults, fault.atLeast);
      EXPECT_LE(steppedOver, 4);
    }
    DeleteBase(base, kCloseSilently);
    FileDelete(path.c_str());
  }
}

}  // namespace
