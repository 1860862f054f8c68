// Choosing another language in the preferences dialog, as a user does, retitles at once what is
// open: the frame's native menu bar, a document window with its native title and its buttons,
// the name of an untitled database and the next dialog; the choice is saved for the next start.
#include <windows.h>

#include <string>
#include <vector>

#include "app/base_window.h"
#include "app/prefs_dialog.h"
#include "app/xml_tester.h"
#include "app_fixture.h"
#include "ui/button.h"
#include "ui/chooser.h"
#include "ui/native_window.h"

namespace app_test {
namespace {

using LanguageSwitchTest = AppTest;

std::vector<std::string> MenuBarTitles() {
  std::vector<std::string> titles;
  HMENU bar = GetMenu(FrameWindow());
  for (int i = 0, count = bar ? GetMenuItemCount(bar) : 0; i < count; ++i) {
    wchar_t text[128] = {};
    GetMenuStringW(bar, i, text, 128, MF_BYPOSITION);
    char utf8[256] = {};
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
    std::string title;
    for (const char* c = utf8; *c; ++c)
      if (*c != '&') title += *c;
    titles.push_back(title);
  }
  return titles;
}

std::string NativeTitle(HWND window) {
  wchar_t text[128] = {};
  GetWindowTextW(window, text, 128);
  char utf8[256] = {};
  WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
  return utf8;
}

TEST_F(LanguageSwitchTest, ChoosingALanguageRetitlesMenusWindowsAndDialogsAtOnce) {
  StartApplication();
  InstallBaseWindows();
  InstallXmlTester();
  T_Base* base = NewUntitledDatabase();
  T_XMLTest* tester = OpenXmlTester(base);
  ASSERT_NE(tester, nullptr);

  const struct {
    int64_t item;  // in the chooser: English, Danish, German, ... Swedish
    const char* code;
    std::vector<std::string> menuBar;
    const char* tester;
    const char* documentation;
    const char* untitledPrefix;
    const char* preferences;
  } rows[] = {
      {8, "SWE", {"Arkiv", "Redigera", "Databas", "Analys", "Fönster", "Hjälp"},
       "XML-kommandotestare", "Dokumentation", "Namnlös", "Inställningar"},
      {1, "DAN", {"Filer", "Rediger", "Database", "Analyse", "Vindue", "Hjælp"},
       "XML-kommandotester", "Dokumentation", "Unavngivet", "Indstillinger"},
      {5, "NOR", {"Fil", "Rediger", "Database", "Analyse", "Vindu", "Hjelp"},
       "XML-kommandotester", "Dokumentasjon", "Uten navn", "Innstillinger"},
      {0, "US", {"File", "Edit", "Database", "Analysis", "Window", "Help"},
       "XML Command Tester", "Documentation", "Noname", "Preferences"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.code);
    WhileModal([&](T_Window* dialog) {
      auto* chooser = static_cast<T_LangChooser*>(dialogs_test::FindItem(dialog, T_PrefsDlg::kLanguage));
      ASSERT_NE(chooser, nullptr);
      chooser->SetSelection(row.item, kSelectReport);
      dialogs_test::PressButton(dialog, kDialogOkId);
    });
    ShowPreferencesDialog();
    EXPECT_EQ(MenuBarTitles(), row.menuBar);
    EXPECT_STREQ(tester->Title(), row.tester);
    EXPECT_EQ(NativeTitle(tester->native.handle), row.tester);
    EXPECT_STREQ(tester->documentation->title.shown, row.documentation);
    EXPECT_EQ(std::string(base->path->c_str()).rfind(row.untitledPrefix, 0), 0u) << base->path->c_str();
    EXPECT_EQ(ReadPref(HKEY_CURRENT_USER, "Language"), row.code);

    std::string shownTitle;
    WhileModal([&](T_Window* dialog) {
      shownTitle = dialog->Title();
      dialogs_test::PressButton(dialog, kDialogCancelId);
    });
    ShowPreferencesDialog();
    EXPECT_EQ(shownTitle, row.preferences);
  }
}

}  // namespace
}  // namespace app_test
