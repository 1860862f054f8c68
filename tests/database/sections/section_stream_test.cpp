#include "database/section_stream.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/alert.h"
#include "core/output_stream.h"
#include "database/base.h"
#include "database/components.h"
#include "database/file_progress.h"
#include "database/operation_log.h"
#include "database/protection.h"
#include "database/read_prompt.h"
#include "database/save_options.h"
#include "database/stored_object_holders.h"
#include "database/web_users.h"
#include "database/subsets.h"
#include "database/template_tree.h"
#include "database/templates.h"
#include "database/time_scale.h"
#include "section_stream_fixture.h"

namespace {

// The first field of every line that begins with "##", in order.
std::vector<std::string> Tags(const std::string& text) {
  std::vector<std::string> tags;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find("\r\n", at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    if (line.rfind("##", 0) == 0) tags.push_back(line.substr(0, line.find('\t')));
    at = end + 2;
  }
  return tags;
}

using SectionStream = SectionTest;

TEST_F(SectionStream, EveryTagReachesItsReaderInAnyLetterCase) {
  const struct {
    const char* text;
    std::function<bool(T_Base*)> read;
  } cases[] = {
      {"##qeb-text\t121122\r\n\r\n##BaseOptions\r\nCN\t5\r\n",
       [](T_Base* b) { return b->cardDigits == 5; }},
      {"##QEB-Text\t121122\r\n##BaseOptions\r\nCN\t5\r\n",
       [](T_Base* b) { return b->cardDigits == 5; }},
      {"##CHARACTERS\r\nm\tHOST\r\n",
       [](T_Base* b) { return b->fileInfo.computerName != nullptr; }},
      {"##ProtectionX\tpw\r\n", [](T_Base* b) { return IsProtected(b->protection); }},
      {"##webusers\r\nU\tann\tpw\r\n", [](T_Base* b) { return WebUserListNotEmpty(b->webUsers); }},
      {"##baseoptionsZ\r\nCN\t6\r\n", [](T_Base* b) { return b->cardDigits == 6; }},
      {"##SAVESETUP\tA\r\nFN\r\n", [](T_Base* b) { return FindSaveSetup(b, "A") != nullptr; }},
      {"##ImportSetups\tB\r\n", [](T_Base* b) { return FindImportSetup(b, "B") != nullptr; }},
      {"##timescale\tQ\r\n250101-1\tQ1\r\n",
       [](T_Base* b) { return b->timeScales && TimeScalePeriodCount(b->timeScales) == 1; }},
      {"##Macros\tm\r\nM\tbeep\r\n", [](T_Base* b) { return b->FindMacro("M") != nullptr; }},
      {"##subset\tS\r\nxo\r\n",
       [](T_Base* b) {
         Subset* s = SubsetFind(b->subsets, "S");
         return s && s->open;
       }},
      {"##TEMPLATES\r\n#C\tA: B\r\n", [](T_Base* b) { return FindTemplate(b, "a:b"); }},
      {"##defaults\r\n#C\r\nxM\t99\r\n##End\r\n",
       [](T_Base* b) { return AsBoxTemplate(b->GetDefaultTemplate(1))->modeBoxWidth == 99; }},
      // Its commands run (a beep asks nothing) and the next section is read as ever.
      {"##Commands\r\nbeep\r\n##BaseOptions\r\nCN\t7\r\n",
       [](T_Base* b) { return b->cardDigits == 7; }},
  };
  for (const auto& c : cases) {
    T_Base database(nullptr, 0);
    Load(&database, c.text + std::string("##End\r\n"));
    EXPECT_TRUE(c.read(&database)) << c.text;
    EXPECT_TRUE(user.asked.empty()) << c.text;
  }
}

TEST_F(SectionStream, UnknownTagsPromptOnceAndTheAnswerDecides) {
  const std::string text =
      "##\r\nstray\r\n##Foo\tbar\r\nfoo line\r\n##BaseOptions\r\nCN\t4\r\n##End\r\nCN\t9\r\n";
  EXPECT_TRUE(Load(base, text));
  ASSERT_EQ(user.asked.size(), 1u);
  EXPECT_EQ(user.asked[0].message, 3818);
  EXPECT_STREQ(user.asked[0].texts[0], "Foo");
  EXPECT_EQ(user.asked[0].buttonCount, 4);
  EXPECT_EQ(base->cardDigits, 4);  // nothing after the end is read
  EXPECT_FALSE(base->errorFlag);

  const struct {
    int32_t answer;
    uint8_t errorFlag;
  } answers[] = {{kReadErrorCancel, 1}, {kReadErrorStop, 0}};
  for (const auto& a : answers) {
    PendingErrorClear();
    T_Base database(nullptr, 0);
    user.answer = a.answer;
    EXPECT_FALSE(Load(&database, text));
    EXPECT_EQ(database.cardDigits, 3) << a.answer;
    EXPECT_EQ(database.errorFlag, a.errorFlag);
    EXPECT_TRUE(AbortRequested());
  }
}

TEST_F(SectionStream, AMissingEndWritesOneLogLineUnlessTheReadFailed) {
  LogCapture log;
  OpenErrorLog(base, "errors.log", true);
  EXPECT_FALSE(Load(base, "##BaseOptions\r\nCN\t4\r\n"));
  EXPECT_EQ(base->cardDigits, 4);  // what was read stays
  int missing = 0;
  for (const std::string& line : LogCapture::Lines())
    missing += line.find("-- reached end of file without end section") != std::string::npos;
  EXPECT_EQ(missing, 1);

  LogCapture::Lines().clear();
  base->errorFlag = 1;
  EXPECT_FALSE(Load(base, "##BaseOptions\r\n"));
  for (const std::string& line : LogCapture::Lines())
    EXPECT_EQ(line.find("reached end of file"), std::string::npos);
}

TEST_F(SectionStream, TheFileDateNamesTheVersionUnlessImporting) {
  base->fileVersion = 20121122;
  Load(base, "##End\r\n");
  EXPECT_STREQ(base->fileInfo.versionLabel, "QEB 5.6");
  base->fileVersion = 19990101;
  base->readFlags = kOpenFlagImport;
  Load(base, "##End\r\n");
  EXPECT_STREQ(base->fileInfo.versionLabel, "QEB 5.6");
  base->readFlags = 0;
  Load(base, "##Characters\r\nv\tQEB 5.7\r\n##End\r\n");
  EXPECT_STREQ(base->fileInfo.versionLabel, "QEB 5.7");  // the characters section says better
}

// A database holding something for every section this work writes.
void FillEverySection(T_Base* base) {
  SetProtectionPassword(base->protection, "pw");
  const std::string held =
      "##WebUsers\r\nU\tann\tpw\r\n"
      "##TimeScale\tQ\r\n250101-1\tQ1\r\n"
      "##SaveSetup\tS\r\nFN\r\n"
      "##ImportSetup\tI\r\nE\tUTF-8\r\n"
      "##Macro\tM\r\nM\tbeep\r\n"
      "##Subset\tU\r\nF\tx\r\n"
      "##Templates\r\n#C\tA: B\r\n"
      "##Defaults\r\n#C\tCards\r\n"
      "##End\r\n";
  TextInput input(held);
  readDatabaseSections(base, &input.stream);
}

TEST_F(SectionStream, SectionsFollowTheirFlagsInTheFixedOrder) {
  FillEverySection(base);
  EXPECT_EQ(Tags(Save(base)),
            (std::vector<std::string>{"##Characters", "##Protection", "##WebUsers", "##BaseOptions",
                                      "##TimeScale", "##SaveSetup", "##ImportSetup", "##Macro",
                                      "##Subset", "##Templates", "##Defaults", "##End"}));

  // Each flag leaves out its own section and no other.
  const struct {
    SaveSection flag;
    const char* tag;
  } flags[] = {{kSectionCharacters, "##Characters"},    {kSectionProtection, "##Protection"},
               {kSectionWebUsers, "##WebUsers"},        {kSectionBaseOptions, "##BaseOptions"},
               {kSectionTimeScales, "##TimeScale"},     {kSectionSaveSetups, "##SaveSetup"},
               {kSectionImportSetups, "##ImportSetup"}, {kSectionMacros, "##Macro"},
               {kSectionSubsets, "##Subset"},           {kSectionTemplates, "##Templates"},
               {kSectionDefaults, "##Defaults"}};
  for (const auto& f : flags) {
    SaveOptionsSetAllSections(&base->saveOptions);
    base->saveOptions.sections[f.flag] = 0;
    std::vector<std::string> tags = Tags(Save(base));
    EXPECT_EQ(tags.size(), 11u) << f.tag;
    for (const std::string& tag : tags) EXPECT_NE(tag, f.tag);
  }

  SaveOptionsClearSections(&base->saveOptions);
  EXPECT_EQ(Save(base), "##End\r\n");
  // A database without cards has no cards section even when it is asked for.
  SaveOnly(base, {kSectionCards});
  EXPECT_EQ(Save(base), "##End\r\n");
}

TEST_F(SectionStream, OnlyTheCardsAfterClearingAllFlags) {
  SKIP_WITHOUT_CARD_RECORDS();
  FillEverySection(base);
  AddCardLine(base, 7, 0);
  for (const char* option : {"X-", "C+"}) ParseSaveOption(&base->saveOptions, option, 2);
  EXPECT_EQ(Tags(Save(base)), (std::vector<std::string>{"##Cards", "##End"}));
}

// A progress window that keeps what the readers and writers report to it, and presses Stop when
// it is shown one status.
class ProgressSpy {
 public:
  explicit ProgressSpy(int32_t stopAtStatus = 0) {
    statuses.clear();
    steps = 0;
    stopAt = stopAtStatus;
    static const FileProgressHooks hooks = {
        [] { return reinterpret_cast<T_FileWait*>(&steps); },
        nullptr,
        nullptr,
        nullptr,
        [](T_FileWait*, int32_t code) {
          statuses.push_back(code);
          if (code == stopAt) PendingError.abort.store(true);
        },
        [](T_FileWait*, int64_t size) { steps += size; },
    };
    SetFileProgressHooks(&hooks);
  }
  ~ProgressSpy() { SetFileProgressHooks(nullptr); }
  ProgressSpy(const ProgressSpy&) = delete;
  ProgressSpy& operator=(const ProgressSpy&) = delete;

  static inline std::vector<int32_t> statuses;
  static inline int64_t steps = 0;
  static inline int32_t stopAt = 0;
};

TEST_F(SectionStream, AnAbortStopsWritingWithoutTheEnd) {
  FillEverySection(base);
  ProgressSpy stopAtSaveSetups(4511);
  T_OStream out;
  EXPECT_FALSE(writeDatabaseSections(base, &out));
  EXPECT_EQ(Tags(Written(out)),
            (std::vector<std::string>{"##Characters", "##Protection", "##WebUsers", "##BaseOptions",
                                      "##TimeScale"}));
}

TEST_F(SectionStream, ProgressNamesEachListAndCountsWhatIsWritten) {
  ProgressSpy progress;
  FillEverySection(base);
  const std::vector<int32_t> lists = {4513, 4511, 4512, 4514, 4516, 4517, 4517};
  EXPECT_EQ(ProgressSpy::statuses, lists);
  ProgressSpy::statuses.clear();
  Save(base);
  EXPECT_EQ(ProgressSpy::statuses, lists);
  // 1400 for the save setup and 592 for the import setup, 80 for the template, and the sizes of
  // the web users, time scale, macro and subset.
  EXPECT_GT(ProgressSpy::steps, 1400 + 592 + 80);
}

}  // namespace
