// Clicks and keys of the structure window through event records: the outline marker toggles a
// node (a double click opens everything below it), the tools follow Control and the right Alt
// key, and the view panel's "-" refuses to remove the last view dimension.
#include <gtest/gtest.h>

#include "tests/analysis/components/window/comps_window_fixture.h"
#include "ui/event_record.h"

namespace {

using comps_test::CompsWindowTest;

TEST_F(CompsWindowTest, OutlineMarkersToolsAndThePanelButtons) {
  Open([](T_CompsTmpl* t) { t->viewDims.dimension[0] = 0; });
  const int64_t row = RowOf("1");
  ASSERT_GE(row, 0);
  const int64_t node = window->RowNode(row);
  RECT cell;
  window->GetCellRect(&cell, row, 0);
  InputEvent event;
  event.x = cell.left + 3;
  event.y = (cell.top + cell.bottom) / 2;
  ASSERT_TRUE(window->ClickOutlineMarker(&event, row));
  EXPECT_EQ(window->Node(node)->expanded, 1);
  ASSERT_TRUE(window->ClickOutlineMarker(&event, row));
  EXPECT_EQ(window->Node(node)->expanded, 0);
  event.doubleClick = 1;
  ASSERT_TRUE(window->ClickOutlineMarker(&event, row));
  EXPECT_EQ(window->Node(window->RowNode(RowOf("11")))->expanded, 1);
  // Right of the marker area the press is the grid's.
  event.x = cell.left + 60;
  EXPECT_FALSE(window->ClickOutlineMarker(&event, row));

  // Row emphasis 7 shades the leaves, 8 the nodes with children.
  RowTextPool pool;
  ASSERT_TRUE(pool.Init());
  for (uint32_t mode : {kGridShadeLowest, kGridShadeUpper}) {
    window->gridMode = mode;
    for (const char* code : {"111", "11"}) {
      window->GetRowTexts(&pool, RowOf(code));
      const bool leaf = std::string(code) == "111";
      EXPECT_EQ(pool.background != 0, leaf == (mode == kGridShadeLowest)) << mode << code;
    }
  }
  pool.Free();

  InputEvent keys;
  keys.control = 1;
  EXPECT_EQ(window->GetEffectiveTool(&keys), kCompsToolDrag);
  keys.control = 0;
  EXPECT_EQ(window->GetEffectiveTool(&keys), kCompsToolSelect);

  window->SetPanelShown(true);
  ASSERT_NE(window->removeButton, nullptr);
  window->OnButton(window->removeButton);
  EXPECT_EQ(window->edited.count, 1);
  window->OnButton(window->addButton);
  EXPECT_EQ(window->edited.count, 2);
  EXPECT_TRUE(window->CalcButtonEnabled());
  window->OnButton(window->removeButton);
  EXPECT_EQ(window->edited.count, 1);
}

}  // namespace
