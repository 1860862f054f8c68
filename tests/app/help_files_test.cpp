// The help file and the user's manual: which variant each language takes, the Help menu offering
// only what exists, the shell asked to open it, 605 for a file that is gone or cannot be opened,
// and the maker's home page reaching the browser.
#include <string>
#include <vector>

#include "app/help_files.h"
#include "app_fixture.h"
#include "core/files.h"

namespace app_test {
namespace {

class HelpFilesTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    MakeTempFileName(&folder_);
    FileDelete(folder_.c_str());
    CreateFolder(folder_.c_str());
    TextBufAppendChar(&folder_, '\\');
    T_TextBuf program(folder_);
    TextBufAppend(&program, "qeb.exe");
    SetProgramPathOverride(program.c_str());
  }
  void TearDown() override {
    for (const char* name : kNames) FileDelete((Folder() + name).c_str());
    RemoveDirectoryA(folder_.c_str());
    SetBrowserAvailableHook(nullptr);
    AppTest::TearDown();
  }

  std::string Folder() const { return folder_.c_str(); }
  void Place(const char* name) {
    FILE* file = std::fopen((Folder() + name).c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
  }
  // The Help menu's entries in front of About and its separator.
  std::vector<std::string> HelpEntries() {
    std::vector<std::string> titles;
    for (T_MenuItem* item = StandardMenu(kMenuHelp)->firstChild; item; item = item->next) {
      if (!item->trailing) titles.push_back(item->IsSeparator() ? "-" : item->Title());
    }
    return titles;
  }

  static constexpr const char* kNames[] = {"QEB Help.chm", "QEB Help SWE.chm",
                                           "QEB Users manual.pdf", "QEB Users manual SWE.pdf"};
  T_TextBuf folder_;
};

struct HelpCase {
  int32_t language;
  std::vector<const char*> present;
  std::vector<std::string> menu;
  const char* help;  // the file the shell gets, or null for 605
  const char* manual;
};

TEST_F(HelpFilesTest, EachLanguageTakesItsVariantAndTheMenuOffersWhatExists) {
  const HelpCase cases[] = {
      {0, {"QEB Help.chm", "QEB Help SWE.chm"}, {"Trelvik", "-", "Help"}, "QEB Help.chm", nullptr},
      {0,
       {"QEB Help SWE.chm", "QEB Users manual.pdf"},
       {"Trelvik", "-", "Help", "QEB User's Manual"},
       "QEB Help SWE.chm",
       "QEB Users manual.pdf"},
      {12,
       {"QEB Help.chm", "QEB Users manual SWE.pdf", "QEB Users manual.pdf"},
       {"Trelvik", "-", "Hjälp", "QEB användarhandbok"},
       "QEB Help.chm",
       "QEB Users manual SWE.pdf"},
      {12,
       {"QEB Users manual.pdf"},
       {"Trelvik", "-", "QEB användarhandbok"},
       nullptr,
       "QEB Users manual.pdf"},
      {0, {}, {"Trelvik"}, nullptr, nullptr},
  };
  for (const HelpCase& c : cases) {
    for (const char* name : kNames) FileDelete((Folder() + name).c_str());
    for (const char* name : c.present) Place(name);
    SetCurrentLanguage(c.language);
    StartApplication();
    std::string label = std::to_string(c.language) + "/" + std::to_string(c.present.size());
    EXPECT_EQ(HelpEntries(), c.menu) << label;

    ShellTargets().clear();
    user.asked.clear();
    app->DoCommand(kCommandHelp);
    app->DoCommand(kCommandUserManual);
    std::vector<std::string> opened;
    std::vector<std::string> reported;
    if (c.help) {
      opened.push_back(Folder() + c.help);
    } else {
      reported.push_back(c.language == 12 ? "Det går inte att öppna filen 'QEB Help SWE.chm'"
                                          : "Unable to open file 'QEB Help.chm'");
    }
    if (c.manual) {
      opened.push_back(Folder() + c.manual);
    } else {
      reported.push_back(c.language == 12
                             ? "Det går inte att öppna filen 'QEB Users manual SWE.pdf'"
                             : "Unable to open file 'QEB Users manual.pdf'");
    }
    EXPECT_EQ(ShellTargets(), opened) << label;
    std::vector<std::string> texts;
    for (const T_ScriptedUser::Asked& asked : user.asked) texts.push_back(asked.text);
    EXPECT_EQ(texts, reported) << label;
    delete app;
    app = nullptr;
  }
}

TEST_F(HelpFilesTest, AFileTheShellCannotOpenIsReported) {
  Place("QEB Help.chm");
  shellAnswer = false;
  OpenHelpFile();
  ASSERT_EQ(user.asked.size(), 1u);
  EXPECT_EQ(user.asked[0].message, 605);
  EXPECT_EQ(user.asked[0].text, "Unable to open file 'QEB Help.chm'");
}

TEST_F(HelpFilesTest, TheMakersEntryOpensItsHomePage) {
  StartApplication();
  SetBrowserAvailableHook([] { return false; });  // the address goes to the shell then
  T_MenuItem* entry = MenuItem_FindCommand(StandardMenu(kMenuHelp), kCommandMakerHomePage);
  ASSERT_NE(entry, nullptr);
  entry->Execute();
  EXPECT_EQ(ShellTargets(), std::vector<std::string>{kMakerHomePage});
}

}  // namespace
}  // namespace app_test
