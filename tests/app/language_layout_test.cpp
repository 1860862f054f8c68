// The windows and dialogs keep their layout in English and in every translation
// (tests/ui/translated_layout.h): the example's database window, its information window, the XML
// command tester and the preferences dialog pass the layout check (nothing over another, nothing
// outside its parent, every field labelled, no text cut without an ellipsis) at their default
// sizes.
#include <iterator>
#include <string>
#include <vector>

#include "app/base_info.h"
#include "app/base_window.h"
#include "app/prefs_dialog.h"
#include "app/xml_tester.h"
#include "app_fixture.h"
#include "core/localized_text.h"
#include "database/opening.h"
#include "tests/source_path.h"
#include "tests/ui/layout_check.h"
#include "tests/ui/translated_layout.h"
#include "tests/ui/window_picture.h"
#include "ui/application.h"

namespace app_test {
namespace {

using ui_test::LayoutCheck;
using ui_test::LayoutFaults;

class LanguageLayoutTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    StartApplication();
    InstallBaseWindows();
    InstallXmlTester();
  }
  void TearDown() override {
    AppTest::TearDown();
    SetBaseServices(nullptr);
  }
};

TEST_F(LanguageLayoutTest, WindowsAndDialogsPassTheLayoutCheckInEveryLanguage) {
  T_Base* example = openDatabase(TestSourcePath("examples/Example.qeb").c_str(), nullptr, 0);
  ASSERT_NE(example, nullptr);
  T_Window* windows[] = {example->mainWindow, OpenBaseInfo(example, 0), OpenXmlTester(example)};
  std::vector<ui_test::TestLanguage> languages{{kLanguageEnglish, "english"}};
  languages.insert(languages.end(), std::begin(ui_test::kTranslations), std::end(ui_test::kTranslations));
  for (const ui_test::TestLanguage& row : languages) {
    SCOPED_TRACE(row.name);
    App()->SetLanguage(row.language);
    for (T_Window* window : windows) {
      ASSERT_NE(window, nullptr);
      LayoutFaults faults = LayoutCheck(window);
      EXPECT_TRUE(faults.empty()) << window->Title() << "\n" << faults;
    }
    WhileModal([&](T_Window* dialog) {
      LayoutFaults faults = LayoutCheck(dialog);
      EXPECT_TRUE(faults.empty()) << dialog->Title() << "\n" << faults;
      const std::string picture = std::string("app_preferences_") + row.name + ".bmp";
      ui_test::Save(ui_test::Capture(dialog), picture.c_str());
      dialogs_test::PressButton(dialog, kDialogCancelId);
    });
    ShowPreferencesDialog();
  }
  App()->SetLanguage(kLanguageEnglish);
}

}  // namespace
}  // namespace app_test
