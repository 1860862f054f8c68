// Opening files of every kind into new databases: what is read, what is refused and what is asked.
#include <string>
#include <vector>

#include "core/files.h"
#include "database/base_sections.h"
#include "database/block_container.h"
#include "database/file_kinds.h"
#include "database/line_origins.h"
#include "database/operation_log.h"
#include "database/template_runner.h"
#include "opensave_fixture.h"

namespace {

using Opening = OpenSaveTest;

constexpr const char* kPassword = "Hemligt \xC3\xA4";

struct SavedKind {
  int32_t kind;
  bool compressed;
  const char* password;
  int32_t saveKindAfter;  // the opened database's save kind
};

TEST_F(Opening, EveryKindOpensAsItWasSaved) {
  const SavedKind kinds[] = {
      {1, true, nullptr, 1},   {1, false, nullptr, 1},   {2, true, nullptr, 2},
      {2, false, nullptr, 2},  {3, true, nullptr, 2},    {3, false, nullptr, 2},
      {1, true, kPassword, 1}, {2, false, kPassword, 2}, {3, true, kPassword, 2},
      {5, false, nullptr, 5},  {5, false, kPassword, 5},
  };
  T_Base* source = NewSample();
  const std::string expected = ModelDump(source);
  for (const SavedKind& saved : kinds) {
    SCOPED_TRACE(std::to_string(saved.kind) + (saved.compressed ? " compressed" : " stored") +
                 (saved.password ? " protected" : ""));
    SetProtectionPassword(source->protection, saved.password);
    const std::string path = Path("db" + std::to_string(saved.kind) + ".any");
    ASSERT_TRUE(SaveAs(source, path, saved.kind, saved.compressed));
    FileKindInfo info;
    DetectFileKind(&info, path.c_str());
    EXPECT_EQ(info.kind, saved.kind);

    // A protected container asks for its password: answered in advance here.
    if (saved.password && saved.kind != 5) PasswordAnswerInAdvance(saved.password);
    T_Base* opened = openDatabase(path.c_str(), nullptr, 0);
    ASSERT_NE(opened, nullptr);
    EXPECT_TRUE(user.asked.empty()) << user.asked[0];
    EXPECT_EQ(ModelDump(opened), expected);
    ExpectModelSound(opened);
    EXPECT_EQ(opened->fileKind, saved.kind);
    EXPECT_EQ(opened->saveKind, saved.saveKindAfter);
    if (saved.kind != 5) {
      EXPECT_EQ(opened->secondSaveValue, saved.compressed ? 1 : 0);
    }
    EXPECT_EQ(IsProtected(opened->protection), saved.password != nullptr);
    EXPECT_FALSE(opened->modified);
    EXPECT_NE(opened->fileTime, 0);
    EXPECT_TRUE(PathSameFile(opened->path->c_str(), path.c_str()));
    EXPECT_FALSE(AbortRequested());
    DeleteBase(opened, kCloseSilently);

    // The password given to the open serves as well as one typed.
    if (saved.password && saved.kind != 5) {
      opened = openDatabase(path.c_str(), saved.password, 0);
      ASSERT_NE(opened, nullptr);
      EXPECT_EQ(ModelDump(opened), expected);
      DeleteBase(opened, kCloseSilently);
    }
  }
}

TEST_F(Opening, AProtectedContainerWithoutTheRightPasswordStaysClosed) {
  T_Base* source = NewSample();
  SetProtectionPassword(source->protection, kPassword);
  const std::string path = Path("secret.qeb");
  ASSERT_TRUE(SaveAs(source, path, 1));
  DeleteBase(source, kCloseSilently);

  PasswordAnswerInAdvance("wrong");
  EXPECT_EQ(openDatabase(path.c_str(), nullptr, 0), nullptr);
  EXPECT_EQ(user.asked, std::vector<int32_t>{3814});
  EXPECT_EQ(openDatabase(path.c_str(), "Hemligt", 0), nullptr);  // given to the open: the same
  // Nobody answers the prompt: it is cancelled, and a cancel reports nothing.
  EXPECT_EQ(openDatabase(path.c_str(), nullptr, 0), nullptr);
  EXPECT_EQ(user.asked, (std::vector<int32_t>{3814, 3814}));
  EXPECT_EQ(FirstBase(), nullptr);
  EXPECT_FALSE(AbortRequested());
}

TEST_F(Opening, APasswordWithATabSetByTheCommandSavesAndReopens) {
  T_Base* source = NewSample();
  source->RunCommandText("password \"s3\tcret\"", "t");
  EXPECT_EQ(source->protection->checkValue, PasswordCheckValue("s3cret"));
  const std::string path = Path("tab.qeb");
  ASSERT_TRUE(SaveAs(source, path, 1));
  DeleteBase(source, kCloseSilently);
  // Typed, given to the open with its TAB, or without: each opens the file.
  for (const char* given : {"s3cret", "s3\tcret"}) {
    SCOPED_TRACE(given);
    T_Base* opened = openDatabase(path.c_str(), given, 0);
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->protection->checkValue, PasswordCheckValue("s3cret"));
    DeleteBase(opened, kCloseSilently);
  }
  PasswordAnswerInAdvance("s3\r\ncret");
  T_Base* opened = openDatabase(path.c_str(), nullptr, 0);
  ASSERT_NE(opened, nullptr);
  DeleteBase(opened, kCloseSilently);
  EXPECT_TRUE(user.asked.empty());
}

TEST_F(Opening, TextFormsReadTheirTextByTheirDate) {
  struct Case {
    const char* date;
    const char* label;  // as the file holds it
  };
  const Case cases[] = {{"121122", "K\xC3\xA4llare \xE2\x82\xAC"}, {"110315", "K\xE4llare \x80"}};
  for (const Case& c : cases) {
    const std::string path = Path(std::string(c.date) + ".qex");
    WriteWholeFile(path, std::string("##QEB-Text\t") + c.date + "\r\n\r\n##BaseOptions\r\nCT\t" +
                             c.label + "\r\n\r\n##End\r\n");
    T_Base* opened = openDatabase(path.c_str(), nullptr, 0);
    ASSERT_NE(opened, nullptr) << c.date;
    EXPECT_STREQ(opened->cardTitleLabel, "K\xC3\xA4llare \xE2\x82\xAC") << c.date;
    EXPECT_EQ(opened->fileVersion, ParseFileDate(c.date));
    EXPECT_EQ(opened->saveKind, kSaveKindText);
  }
  EXPECT_TRUE(user.asked.empty());
}

struct Refusal {
  const char* name;
  std::string content;
  int32_t kind;
  int32_t message;
};

std::string ContainerHeader(const char* date, char mode) {
  std::string header(40, '\0');
  header.replace(0, 5, "\x05\x13Qbx");
  header.replace(5, 6, date);
  header[11] = 'o';
  header[12] = 'i';
  header[13] = mode;
  header[14] = 'Z';
  return header + std::string(64, '\x11');
}

TEST_F(Opening, KindsWithoutAReaderAreRefusedNamingThePath) {
  const Refusal refusals[] = {
      {"prerelease.qex", "##QEB-Text\t960101\r\n##End\r\n", kFileKindPreRelease, 3806},
      {"third.qeb", "\xA5\xA5\xA5 old", kFileKindThirdGeneration, 3808},
      {"damaged.qeb", "garbage\r\nmore #Qbx garbage\r\n", kFileKindDamaged, 3811},
      {"no mode.qeb", ContainerHeader("121122", '-'), kFileKindDamaged, 3811},
      {"unknown mode.qeb", ContainerHeader("121122", 'X'), kFileKindDamaged, 3811},
      {"cut header.qeb", ContainerHeader("121122", 'N').substr(0, 13), kFileKindDamaged, 3811},
      {"plain.txt", "Date\tAmount\r\n2025-01-01\t12\r\n", kFileKindOtherText, 3813},
  };
  for (const Refusal& refusal : refusals) {
    const std::string path = Path(refusal.name);
    WriteWholeFile(path, refusal.content);
    FileKindInfo info;
    DetectFileKind(&info, path.c_str());
    ASSERT_EQ(info.kind, refusal.kind) << refusal.name;
    EXPECT_EQ(IsOpenableFile(path.c_str()),
              refusal.kind != kFileKindOtherText && refusal.kind != kFileKindNothing);

    user.asked.clear();
    user.texts.clear();
    EXPECT_EQ(openDatabase(path.c_str(), nullptr, 0), nullptr) << refusal.name;
    ASSERT_EQ(user.asked, std::vector<int32_t>{refusal.message}) << refusal.name;
    EXPECT_NE(user.texts[0].find(path), std::string::npos) << user.texts[0];
    EXPECT_EQ(FirstBase(), nullptr);
    EXPECT_FALSE(AbortRequested());
  }
  // An import setup does not give other text a reader yet.
  T_Base base(Path("into.qeb").c_str(), 0);
  ImportSetup* setup = ImportSetupCreate(&base, "Bank");
  user.asked.clear();
  EXPECT_FALSE(base.ImportFile(Path("plain.txt").c_str(), nullptr, setup, 0));
  EXPECT_EQ(PendingError.request.message, 3813);
}

// Opening a file removes the temporary files a killed save of it left beside it.
TEST_F(Opening, OpeningRemovesTheTemporaryFilesOfAKilledSave) {
  T_Base* source = NewSample();
  const std::string path = Path("kept.qeb");
  ASSERT_TRUE(SaveAs(source, path, kFileKindContainerN));
  DeleteBase(source, kCloseSilently);
  WriteWholeFile(Path("kept.qeb.~0A1B.tmp"), "left by a killed save");
  WriteWholeFile(Path("other.qeb.~0A1B.tmp"), "another file's");
  T_Base* opened = openDatabase(path.c_str(), nullptr, 0);
  ASSERT_NE(opened, nullptr);
  EXPECT_EQ(FolderNames(folder), (std::vector<std::string>{"kept.qeb", "other.qeb.~0A1B.tmp"}));
}

TEST_F(Opening, AMissingFileIsNotOpened) {
  const std::string path = Path("missing.qeb");
  EXPECT_EQ(openDatabase(path.c_str(), nullptr, 0), nullptr);
  EXPECT_EQ(PendingError.request.message, 605);  // left for the caller to report
  EXPECT_EQ(FirstBase(), nullptr);
  PendingErrorClear();
  T_Base base(nullptr, 1);
  EXPECT_FALSE(base.ImportFile(path.c_str(), nullptr, nullptr, 0));
  EXPECT_EQ(PendingError.request.message, 605);
}

TEST_F(Opening, ALaterVersionAsksWhetherToGoOn) {
  const std::string path = Path("later.qex");
  WriteWholeFile(path, "##QEB-Text\t150101\r\n\r\n##BaseOptions\r\nCN\t5\r\n\r\n##End\r\n");
  user.answers[3810] = kContinue;
  T_Base* opened = openDatabase(path.c_str(), nullptr, 0);
  ASSERT_NE(opened, nullptr);
  EXPECT_EQ(opened->cardDigits, 5);
  EXPECT_NE(user.TextOf(3810).find("later.qex"), std::string::npos);
  DeleteBase(opened, kCloseSilently);

  user.asked.clear();
  user.answers[3810] = kCancel;
  EXPECT_EQ(openDatabase(path.c_str(), nullptr, 0), nullptr);
  EXPECT_EQ(user.asked, std::vector<int32_t>{3810});  // and no report after it
  EXPECT_EQ(FirstBase(), nullptr);
  EXPECT_FALSE(AbortRequested());
}

// The sample as a compressed container with the offsets where its blocks end.
struct Blocks {
  std::string file;
  std::vector<size_t> ends;
};

Blocks SampleContainer(T_Base* source, const std::string& path) {
  Blocks blocks;
  EXPECT_TRUE(SaveAs(source, path, 1));
  blocks.file = ReadWholeFile(path);
  for (size_t at = kContainerHeaderSize; at + 8 <= blocks.file.size();) {
    at += 8 + static_cast<uint8_t>(blocks.file[at + 4]) * 256u +
          static_cast<uint8_t>(blocks.file[at + 5]);
    blocks.ends.push_back(at);
  }
  EXPECT_EQ(blocks.ends.back(), blocks.file.size());
  return blocks;
}

TEST_F(Opening, ADamagedContainerAsksWhetherToKeepWhatWasRead) {
  T_Base* source = NewSample();
  const std::string path = Path("damaged.qeb");
  const Blocks blocks = SampleContainer(source, path);
  DeleteBase(source, kCloseSilently);
  ASSERT_GE(blocks.ends.size(), 4u);

  struct Damage {
    const char* what;
    std::string file;
  };
  std::string flipped = blocks.file;
  flipped[blocks.ends[1] + 20] ^= 0x10;  // in the third block's payload
  const Damage damages[] = {
      {"a bad block", flipped},
      {"cut after a whole block", blocks.file.substr(0, blocks.ends[2])},
      {"cut inside a block", blocks.file.substr(0, blocks.ends[2] - 100)},
  };
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.what);
    WriteWholeFile(path, damage.file);
    user.asked.clear();
    user.answers[3812] = kContinue;
    T_Base* kept = openDatabase(path.c_str(), nullptr, 0);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(user.asked, std::vector<int32_t>{3812});
    EXPECT_NE(user.TextOf(3812).find("damaged.qeb"), std::string::npos);
    EXPECT_EQ(kept->cardDigits, 4);  // the first block was read
    ASSERT_NE(kept->timeScales, nullptr);
    ASSERT_NE(kept->timeScales->next, nullptr);
    EXPECT_GT(TimeScalePeriodCount(kept->timeScales->next), 0);
    EXPECT_LT(TimeScalePeriodCount(kept->timeScales->next), 2500);
    ExpectModelSound(kept);
    DeleteBase(kept, kCloseSilently);

    user.asked.clear();
    user.answers[3812] = kCancel;
    EXPECT_EQ(openDatabase(path.c_str(), nullptr, 0), nullptr);
    EXPECT_EQ(user.asked, std::vector<int32_t>{3812});
    EXPECT_EQ(FirstBase(), nullptr);
  }
  // A text form may be written by hand: a missing end is no damage there.
  WriteWholeFile(path, "##QEB-Text\t121122\r\n\r\n##BaseOptions\r\nCN\t6\r\n");
  user.asked.clear();
  T_Base* text = openDatabase(path.c_str(), nullptr, 0);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->cardDigits, 6);
  EXPECT_TRUE(user.asked.empty());
}

TEST_F(Opening, TheFirstBlockDamagedIsAFileThatCannotBeRead) {
  T_Base* source = NewSample();
  const std::string path = Path("first.qeb");
  std::string file = SampleContainer(source, path).file;
  DeleteBase(source, kCloseSilently);
  file[kContainerHeaderSize + 30] ^= 1;
  WriteWholeFile(path, file);
  EXPECT_EQ(openDatabase(path.c_str(), nullptr, 0), nullptr);
  EXPECT_EQ(user.asked, std::vector<int32_t>{3811});
  EXPECT_NE(user.TextOf(3811).find("first.qeb"), std::string::npos);
}

TEST_F(Opening, TheSameFileTwice) {
  T_Base* source = NewSample();
  const std::string path = Path("twice.qeb");
  ASSERT_TRUE(SaveAs(source, path, 1));
  DeleteBase(source, kCloseSilently);
  T_Base* first = openDatabase(path.c_str(), nullptr, 0);
  ASSERT_NE(first, nullptr);

  // Another spelling of the same file is the same file.
  std::string other =
      Path("..\\" + std::string(PathFindName(folder.path().c_str())) + "\\TWICE.QEB");
  EXPECT_EQ(openDatabase(other.c_str(), nullptr, kOpenFlagReuseOpen), first);
  EXPECT_TRUE(user.asked.empty());

  user.answers[4003] = kCancel;
  EXPECT_EQ(openDatabase(path.c_str(), nullptr, 0), first);
  EXPECT_EQ(user.asked, std::vector<int32_t>{4003});
  EXPECT_NE(user.TextOf(4003).find("twice.qeb"), std::string::npos);

  user.answers[4003] = kOpen;
  T_Base* copy = openDatabase(path.c_str(), nullptr, 0);
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, first);
  EXPECT_EQ(ModelDump(copy), ModelDump(first));
  EXPECT_EQ(FindOpenBase(path.c_str()), first);  // the older one
}

TEST_F(Opening, TheOperationLogFollowsTheOpenAndTheOpenDirectSteps) {
  T_Base* source = NewSample();
  const std::string path = Path("log.qeb");
  ASSERT_TRUE(SaveAs(source, path, 1));
  DeleteBase(source, kCloseSilently);

  static int macros, subsets;
  macros = subsets = 0;
  const OpenDirectHooks hooks = {[](T_Base*) { ++macros; }, [](T_Base*) { ++subsets; }};
  SetOpenDirectHooks(&hooks);
  LogCapture capture;
  for (int32_t flags : {0, kOpenFlagNoOpenDirect}) {
    LogCapture::Lines().clear();
    T_Base base(path.c_str(), 0);
    OpenErrorLog(&base, Path("steps.log").c_str(), true);
    readNewDatabase(&base, nullptr, flags);
    std::vector<std::string> lines = LogCapture::Lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_NE(lines.front().find("Opening file \"" + path + "\""), std::string::npos);
    EXPECT_NE(lines[1].find("File version 20121122"), std::string::npos);
    EXPECT_NE(lines.back().find("Closed file \"" + path + "\""), std::string::npos);
    bool executing = false, completed = false;
    for (const std::string& line : lines) {
      executing |= line.find("Executing open-direct commands") != std::string::npos;
      completed |= line.find("Completed open-direct commands") != std::string::npos;
    }
    EXPECT_EQ(executing, flags == 0);
    EXPECT_EQ(completed, flags == 0);
  }
  EXPECT_EQ(macros, 1);
  EXPECT_EQ(subsets, 1);
  SetOpenDirectHooks(nullptr);
}

TEST_F(Opening, ANestedReadLeavesTheOuterReadAsItWas) {
  T_Base* source = NewSample();
  const std::string inner = Path("inner.qex");
  ASSERT_TRUE(SaveAs(source, inner, 5));
  DeleteBase(source, kCloseSilently);

  T_Base base(Path("outer.qeb").c_str(), 0);
  SetProtectionPassword(base.protection, "outer");
  base.fileKind = kFileKindContainerN;
  base.fileVersion = 20121122;
  base.readFlags = 8;
  base.readValueCount = 7;
  base.saveOptions.cardReferenceStyles[2] = kCardRefText;
  Protection* protection = base.protection;
  EXPECT_TRUE(base.ImportFile(inner.c_str(), nullptr, nullptr, 0));
  EXPECT_EQ(base.fileKind, kFileKindContainerN);
  EXPECT_EQ(base.fileVersion, 20121122);
  EXPECT_EQ(base.readFlags, 8);
  EXPECT_EQ(base.readValueCount, 7);
  EXPECT_EQ(base.saveOptions.cardReferenceStyles[2], kCardRefText);
  EXPECT_EQ(base.protection, protection);
  T_TextBuf password;
  GetProtectionPassword(base.protection, &password);
  EXPECT_STREQ(password.c_str(), "outer");
  TextBufWipe(&password);
  EXPECT_EQ(base.cardDigits, 4);  // the import itself took place
}

}  // namespace
