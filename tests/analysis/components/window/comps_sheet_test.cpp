// A contact sheet of the components window on the example, painted offscreen: the expanded grid
// of two view dimensions, the view panel, the graphic presentation, and the Columns and Sorting
// pages, and the graphic's printed page. The test leaves components_window.bmp, which a ctest
// step turns into a PNG.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "core/alert_handlers.h"
#include "tests/analysis/components/window/comps_window_fixture.h"
#include "tests/ui/printed_page.h"
#include "tests/ui/window_picture.h"
#include "tools/make_example/example_database.h"

namespace {

using comps_test::CompsWindowTest;

TEST_F(CompsWindowTest, ContactSheetOfTheExample) {
  T_NoAlerts quiet;
  delete base;
  base = BuildExampleDatabase();
  ASSERT_NE(base, nullptr);
  ui_test::ContactSheet sheet(3, 2, 700, 420);
  int32_t slot = 0;
  auto place = [&](const ui_test::Picture& picture) { sheet.Place(picture, slot++); };
  Open([](T_CompsTmpl* t) {
    t->right = 690;
    t->bottom = 410;
    t->viewDims.count = 2;
    t->viewDims.dimension[0] = 0;
    t->viewDims.dimension[1] = 1;
    t->viewDims.filter[0] = t->viewDims.filter[1] = kViewFilterInUse;
    t->viewDims.levels[0] = 2;
  });
  ASSERT_NE(window, nullptr);
  window->ExpandToDepth(3);
  ui_test::Picture grid = ui_test::Capture(window);
  EXPECT_GT(window->rowCount, 10);
  place(grid);
  window->SetPanelShown(true);
  place(ui_test::Capture(window));
  window->SetPanelShown(false);
  window->SetPresentation(3);
  window->ExpandToDepth(1);
  window->currentNode = 0;
  place(ui_test::Capture(window));
  // The preferred height makes room for the pies beside the few rows.
  POINT withPies{};
  window->GetPreferredSize(&withPies);
  SetDrawingExtentHook(nullptr);
  POINT rowsOnly{};
  window->GetPreferredSize(&rowsOnly);
  SetDrawingExtentHook(StruxDrawingExtent);
  EXPECT_GT(withPies.y, rowsOnly.y + 100);
  // Printed, the pies stand beside the rows of the first page and reach below the last of them.
  const ui_test::Picture printed = ui_test::PrintedPage(window, 690, 410);
  place(printed);
  const int32_t rowsFoot = 60 + static_cast<int32_t>(window->rowCount) * 12;
  ASSERT_LT(rowsFoot, 300);
  int32_t coloured = 0;
  for (int32_t y = rowsFoot; y < printed.height; ++y) {
    for (int32_t x = window->ContentWidth() + 40; x < printed.width; ++x) {
      const uint32_t p = printed.pixels[static_cast<size_t>(y) * printed.width + x];
      const int32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
      if (std::max({r, g, b}) - std::min({r, g, b}) > 60) ++coloured;
    }
  }
  EXPECT_GT(coloured, 500);
  window->SetPresentation(0);
  window->OpenColumnsPage();
  place(ui_test::Capture(window));
  window->OpenSortingPage();
  place(ui_test::Capture(window));
  window->ClosePanelPage();
  ASSERT_TRUE(sheet.Save("components_window.bmp"));
}

}  // namespace
