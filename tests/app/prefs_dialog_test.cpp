// The preferences dialog driven as a user would: the recent-file boxes following "Recent files",
// the port field refusing ports it cannot serve, Cancel changing nothing, and OK applying every
// choice, rebuilding the recent-files menu, restarting the web service and saving.
#include <algorithm>
#include <string>
#include <vector>

#include "app/prefs_dialog.h"
#include "app_fixture.h"
#include "ui/button.h"
#include "ui/chooser.h"
#include "ui/edit_field.h"
#include "ui/value_choosers.h"

namespace app_test {
namespace {

int32_t restarts = 0;

class PrefsDialogTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    restarts = 0;
    SetWebServiceRestart([] { ++restarts; });
  }

  template <class Item>
  static Item* Get(T_Window* dialog, uint32_t id) {
    auto* item = static_cast<Item*>(dialogs_test::FindItem(dialog, id));
    EXPECT_NE(item, nullptr) << id;
    return item;
  }

  // Types the text into the port field as a user would, then leaves the field.
  static void TypePort(T_Window* dialog, const wchar_t* text) {
    auto* port = Get<T_Edit>(dialog, T_PrefsDlg::kPort);
    Item_TakeFocus(port);
    ASSERT_NE(port->overlay.control, nullptr);
    SendMessageW(port->overlay.control, EM_SETSEL, 0, -1);
    for (const wchar_t* c = text; *c; ++c) SendMessageW(port->overlay.control, WM_CHAR, *c, 1);
    port->CommitEdit();
  }

  static std::string PortText(T_Window* dialog) {
    T_TextBuf text;
    Get<T_Edit>(dialog, T_PrefsDlg::kPort)->GetText(&text);
    return text.data;
  }

  static std::vector<std::string> Stores() {
    std::vector<std::string> lines = Dump(HKEY_CURRENT_USER, kPrefsKey);
    for (const std::string& line : Dump(HKEY_LOCAL_MACHINE, kPrefsKey))
      lines.push_back("machine " + line);
    std::sort(lines.begin(), lines.end());
    return lines;
  }
};

TEST_F(PrefsDialogTest, RecentFilesGovernsItsTwoBoxesAndThePortRefusesWhatItCannotServe) {
  StartApplication();
  std::vector<std::string> seen;
  WhileModal([&](T_Window* dialog) {
    EXPECT_EQ(dialog->width, T_PrefsDlg::kWidth);
    EXPECT_EQ(dialog->height, T_PrefsDlg::kHeight);
    auto* recent = Get<T_Checkbox>(dialog, T_PrefsDlg::kRecentFiles);
    auto* full = Get<T_Checkbox>(dialog, T_PrefsDlg::kFullPaths);
    auto* submenu = Get<T_Checkbox>(dialog, T_PrefsDlg::kSubmenu);
    EXPECT_TRUE(recent->checked && full->enabled && submenu->enabled);
    recent->Press();
    EXPECT_FALSE(recent->checked || full->enabled || submenu->enabled);
    recent->Press();
    EXPECT_TRUE(full->enabled && submenu->enabled);

    EXPECT_TRUE(Get<T_Button>(dialog, T_PrefsDlg::kRegisterServer)->enabled);
    EXPECT_TRUE(Get<T_Button>(dialog, T_PrefsDlg::kUnregisterServer)->enabled);
    EXPECT_TRUE(Get<T_Button>(dialog, T_PrefsDlg::kAssociate)->enabled);

    for (const wchar_t* typed : {L"25", L"8080", L"70000", L"web"}) {
      TypePort(dialog, typed);
      seen.push_back(PortText(dialog));
    }
    dialogs_test::PressButton(dialog, kDialogCancelId);
  });
  ShowPreferencesDialog();
  EXPECT_EQ(seen, (std::vector<std::string>{"7412", "8080", "7412", "7412"}));
}

TEST_F(PrefsDialogTest, CancelLeavesTheSettingsAndTheStoreAsTheyWere) {
  StartApplication();
  WritePref(HKEY_CURRENT_USER, "AutoRecalc", "+");
  std::vector<std::string> before = Stores();
  WhileModal([&](T_Window* dialog) {
    Get<T_Checkbox>(dialog, T_PrefsDlg::kAutoRecalc)->Press();
    Get<T_Checkbox>(dialog, T_PrefsDlg::kServeWeb)->Press();
    TypePort(dialog, L"9000");
    dialogs_test::PressButton(dialog, kDialogCancelId);
  });
  ShowPreferencesDialog();
  EXPECT_EQ(Stores(), before);
  EXPECT_TRUE(Prefs().autoRecalc);
  EXPECT_FALSE(Prefs().serveWeb);
  EXPECT_EQ(restarts, 0);
}

TEST_F(PrefsDialogTest, OkAppliesEveryChoiceAndSaves) {
  StartApplication();
  AddRecentFile("C:\\data\\Sales.qeb");
  WhileModal([&](T_Window* dialog) {
    Get<T_LangChooser>(dialog, T_PrefsDlg::kLanguage)->SetSelection(8, kSelectReport);  // SWE
    auto* format = Get<T_ChooseDateformat>(dialog, T_PrefsDlg::kDateFormat);
    format->SetSelection(DateFormatToItem(3), kSelectReport);
    Get<T_Checkbox>(dialog, T_PrefsDlg::kAutoRecalc)->Press();
    Get<T_Checkbox>(dialog, T_PrefsDlg::kSubmenu)->Press();
    Get<T_Checkbox>(dialog, T_PrefsDlg::kCheckFiles)->Press();
    Get<T_Checkbox>(dialog, T_PrefsDlg::kServeWeb)->Press();
    TypePort(dialog, L"8123");
    dialogs_test::PressButton(dialog, kDialogOkId);
  });
  ShowPreferencesDialog();
  EXPECT_EQ(CurrentLanguage(), 12);
  EXPECT_EQ(DateStyleGet(), 3);
  const Preferences& p = Prefs();
  EXPECT_FALSE(p.autoRecalc);
  EXPECT_FALSE(p.checkFiles);
  EXPECT_TRUE(p.recentSubmenu);
  EXPECT_TRUE(p.serveWeb);
  EXPECT_EQ(p.webPort, 8123);
  EXPECT_EQ(restarts, 1);
  // The recent-files menu took its new form, in the language chosen.
  T_MenuItem* submenu = StandardEntry(kCommandClose)->next;
  EXPECT_EQ(std::string(submenu->Title()), "Öppna senaste fil");
  EXPECT_EQ(Stores(),
            (std::vector<std::string>{"AutoRecalc=-", "CheckFiles=-", "Dateformat=F",
                                      "Language=SWE", "QEB5.RecentFile0=C:\\data\\Sales.qeb",
                                      "QEB5.RecentFile=8", "RecentFullpaths=-", "RecentSubmenu=+",
                                      "ServeWebQEB=+", "WebqebPort=8123", "machine Dateformat=F",
                                      "machine Language=SWE", "machine ServeWebQEB=+"}));

  // Clearing "Recent files" switches the list off and removes it from the menu; the web service
  // is not restarted for nothing.
  WhileModal([&](T_Window* dialog) {
    Get<T_Checkbox>(dialog, T_PrefsDlg::kRecentFiles)->Press();
    dialogs_test::PressButton(dialog, kDialogOkId);
  });
  ShowPreferencesDialog();
  EXPECT_EQ(Prefs().recentCount, 0);
  EXPECT_NE(std::string(StandardEntry(kCommandClose)->next->Title()), "Öppna senaste fil");
  EXPECT_EQ(ReadPref(HKEY_CURRENT_USER, "QEB5.RecentFile"), "0");
  EXPECT_EQ(restarts, 1);
}

TEST_F(PrefsDialogTest, TheAssociateButtonAssociatesAtOnce) {
  StartApplication();
  SetProgramPathOverride("C:\\QEB\\qeb.exe");
  WhileModal([&](T_Window* dialog) {
    Items()->press(Get<T_Button>(dialog, T_PrefsDlg::kAssociate));
    dialogs_test::PressButton(dialog, kDialogCancelId);
  });
  ShowPreferencesDialog();
  EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, L"Software\\Classes\\.qeb", L""), "QEB-Norm");
  EXPECT_EQ(ReadPref(HKEY_CURRENT_USER, "Associate"), "+");
}

}  // namespace
}  // namespace app_test
