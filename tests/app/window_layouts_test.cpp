// Every analysis window kind on the example database, opened from a fresh template of its kind
// (so the check holds whatever templates the example stores), on every page its mode box offers:
// the layout check finds every selection field labelled, clear of the others and inside its page;
// and the database window passes the whole check.
#include <string>
#include <vector>

#include "analysis/cards/cards_install.h"
#include "analysis/components/components_install.h"
#include "analysis/components/function_templates.h"
#include "analysis/time/lines_install.h"
#include "analysis/time/tfunc_install.h"
#include "app/base_window.h"
#include "app_fixture.h"
#include "database/opening.h"
#include "database/template_runner.h"
#include "database/template_tree.h"
#include "database/templates.h"
#include "editors/editor_services.h"
#include "tests/source_path.h"
#include "tests/ui/layout_check.h"
#include "ui/document_window.h"
#include "ui/element.h"
#include "ui/mode_tree.h"

// From analysis/components/cfunc_window.h, whose command ids clash with the main menus'.
void InstallComponentFunctionsWindow();

namespace app_test {
namespace {

class WindowLayoutTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    StartApplication();
    InstallEditors();
    InstallCards();
    InstallBaseWindows();
    InstallLinesWindow();
    InstallComponentsWindow();
    InstallFunctionTemplates();
    InstallTimeFunctionsWindow();
    InstallComponentFunctionsWindow();
    base = openDatabase(TestSourcePath("examples/Example.qeb").c_str(), nullptr, 0);
    ASSERT_NE(base, nullptr);
  }
  void TearDown() override {
    if (base) DeleteBase(base, kCloseSilently);
    AppTest::TearDown();
    SetBaseServices(nullptr);
  }
  void RunQueued() { Application_AfterMessage(App()); }

  // Opens the page of every item of the mode box in turn, as a click on the item does, and
  // checks the selection fields and their labels on each.
  void CheckEveryPage(T_HWindow* window, const std::string& what) {
    ASSERT_NE(window->modeBox, nullptr) << what;
    std::vector<int32_t> pages;
    for (ModeNode* node = ModeNodeNext(&window->modeBox->root); node; node = ModeNodeNext(node))
      pages.push_back(node->id);
    ASSERT_FALSE(pages.empty()) << what;
    for (int32_t page : pages) {
      window->modeBox->SelectById(page);
      RunQueued();
      ui_test::LayoutFaults faults = SelectionFaults(ui_test::LayoutCheck(window->modeItem));
      EXPECT_TRUE(faults.empty()) << what << ", page " << page << ": " << faults;
    }
  }
  // The faults that name a selection field, the value-column chooser or a label.
  static ui_test::LayoutFaults SelectionFaults(const ui_test::LayoutFaults& all) {
    static const char* const kClasses[] = {"T_EditDim ",  "T_EditCID ",          "T_EditTxVal ",
                                           "T_EditSubset ", "T_ValueEditChooser ", "T_Text "};
    ui_test::LayoutFaults kept;
    for (const std::string& line : all.lines) {
      for (const char* name : kClasses) {
        if (line.find(name) != std::string::npos) {
          kept.Add(line);
          break;
        }
      }
    }
    return kept;
  }

  T_Base* base = nullptr;
};

TEST_F(WindowLayoutTest, EveryWindowKindLabelsItsSelectionFieldsOnEveryPage) {
  const struct {
    int32_t kind;
    const char* name;
  } kinds[] = {{kTemplateCards, "cards"},
               {kTemplateLines, "lines"},
               {kTemplateComponents, "components"},
               {kTemplateTimeFunctions, "time functions"},
               {kTemplateComponentFunctions, "component functions"}};
  for (const auto& k : kinds) {
    T_Template* templ = NewTemplate(base, k.kind);
    ASSERT_NE(templ, nullptr) << k.name;
    T_HWindow* window = RunTemplate(base, templ, nullptr, kRunNoLookup);
    DeleteTemplate(templ);
    ASSERT_NE(window, nullptr) << k.name;
    CheckEveryPage(window, std::string(k.name) + " at the default size");
    EventHandler_CloseAndDelete(window, 3);
  }
}

TEST_F(WindowLayoutTest, TheDatabaseWindowLaysOutItsFigures) {
  ASSERT_NE(base->mainWindow, nullptr);
  ui_test::LayoutFaults faults = ui_test::LayoutCheck(base->mainWindow);
  EXPECT_TRUE(faults.empty()) << faults;
}

}  // namespace
}  // namespace app_test
