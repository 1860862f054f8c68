// A contact sheet of the component functions window on the example's "Component functions:
// Accounts", painted offscreen: the numeric view, the curve view in each bar style and mirrored,
// the headers of a selection and a formula variable, a legend wrapped over long titles and the
// display page.
// The test leaves component_functions.bmp, which a ctest step turns into a PNG.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/components/cfunc_legend.h"
#include "analysis/components/cfunc_window.h"
#include "core/alert_handlers.h"
#include "core/owned_text.h"
#include "database/template_runner.h"
#include "database/template_tree.h"
#include "database/toolkit_adapter.h"
#include "tests/analysis/boxwin/box_fixture.h"
#include "tests/ui/window_picture.h"
#include "database/base.h"
#include "tools/make_example/example_database.h"

namespace {

class CFuncSheet : public box_test::BoxTest {
 protected:
  void SetUp() override {
    BoxTest::SetUp();
    InstallDatabaseServices();
    InstallFunctionTemplates();
    InstallComponentFunctionsWindow();
  }
  void TearDown() override {
    SetWindowOpener(kTemplateComponentFunctions, nullptr);
    BoxTest::TearDown();
  }
};

TEST_F(CFuncSheet, ContactSheetOfTheExample) {
  T_NoAlerts quiet;
  T_Base* base = BuildExampleDatabase();
  ASSERT_NE(base, nullptr);
  constexpr int32_t kColumns = 3, kCellWidth = 700, kCellHeight = 420, kRows = 4;
  std::vector<uint32_t> sheet(static_cast<size_t>(kColumns * kCellWidth) * kRows * kCellHeight,
                              0x404040);
  int32_t slot = 0;
  auto place = [&](const ui_test::Picture& picture) {
    const int32_t ox = (slot % kColumns) * kCellWidth, oy = (slot / kColumns) * kCellHeight;
    for (int32_t y = 0; y < picture.height && y < kCellHeight - 4; ++y)
      for (int32_t x = 0; x < picture.width && x < kCellWidth - 4; ++x)
        sheet[static_cast<size_t>(oy + y) * kColumns * kCellWidth + ox + x] =
            picture.pixels[static_cast<size_t>(y) * picture.width + x];
    ++slot;
  };
  T_CFuncTmpl* stored =
      AsComponentFunctionsTemplate(FindTemplate(base, "Component functions: Accounts"));
  ASSERT_NE(stored, nullptr);
  stored->right = 690;
  stored->bottom = 410;
  T_CFunc* window = AsCFuncWindow(OpenComponentFunctionsWindow(stored, nullptr, 0));
  ASSERT_NE(window, nullptr);
  window->templ = nullptr;
  // The curve shows the sums and averages only, so that the bars have a common scale.
  for (T_CVariable* v = window->data.variables; v; v = v->next) v->shown = 1;
  window->RunCalculation(true, true);
  window->ExpandToDepth(2);
  EXPECT_GT(window->rowCount, 5);
  place(ui_test::Capture(window));
  for (T_CVariable* v = window->data.variables; v; v = v->next) {
    const bool curve = v->name && (std::string(v->name) == "Sum" || std::string(v->name) == "Average" ||
                                   std::string(v->name) == "Running");
    v->shown = curve ? 1 : 0;
  }
  window->spacing = 3;
  window->RunCalculation(true, true);
  window->ExpandToDepth(2);
  window->SetPresentation(4);
  for (int32_t style = 0; style < 5; ++style) {
    window->barStyle = style;
    window->RunCalculation(true, true);
    window->ExpandToDepth(2);
    place(ui_test::Capture(window));
  }
  window->barOption = 1;
  window->barStyle = 0;
  window->InvalidateGrid();
  place(ui_test::Capture(window));
  // The headers of a selection variable and of a formula variable, in the numeric view.
  window->SetPresentation(0);
  window->SelectVariable(window->data.selections);
  place(ui_test::Capture(window));
  window->SelectVariable(window->data.formulas);
  place(ui_test::Capture(window));
  // Every variable shown under a long title: the legend wraps and the title row grows.
  for (T_CVariable* v = window->data.variables; v; v = v->next) {
    v->shown = 1;
    BlockTextAssign(&v->title, (std::string(v->name) + " of the accounts").c_str());
  }
  window->RunCalculation(true, true);
  window->ExpandToDepth(2);
  window->SetPresentation(4);
  EXPECT_GT(window->labels ? window->labels->height : 0, 21);
  place(ui_test::Capture(window));
  window->SelectModeById(kCFuncModeDisplay);
  place(ui_test::Capture(window));
  EventHandler_CloseAndDelete(window, 3);
  ASSERT_TRUE(WritePixelsAsBitmap(sheet.data(), kColumns * kCellWidth, kRows * kCellHeight,
                                  "component_functions.bmp"));
  delete base;
}

}  // namespace
