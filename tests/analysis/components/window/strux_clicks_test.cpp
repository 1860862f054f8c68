// Clicks and keys of the structure window through event records: the outline marker toggles a
// node (a double click opens everything below it) and highlights the node's rows while the
// button is held on it, the tools follow Control and the right Alt key, the view panel's "-"
// refuses to remove the last view dimension, and its rows are dragged into a new order.
#include <gtest/gtest.h>

#include <vector>

#include "tests/analysis/components/window/comps_window_fixture.h"
#include "ui/event_record.h"
#include "ui/item.h"

namespace {

using comps_test::CompsWindowTest;

// What the window shows at each poll of a held press: whether the range is highlighted, and
// its rows.
struct Seen {
  bool shown;
  int64_t first, last;
};
T_Comps* g_watched = nullptr;
std::vector<Seen> g_seen;
void WatchingPointer(T_GrafElement* element, InputEvent* event) {
  g_seen.push_back(Seen{g_watched->rangeDragShown != 0, g_watched->clickRange.firstRow,
                        g_watched->clickRange.lastRow});
  ui_test::ScriptedPointer(element, event);
}

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

TEST_F(CompsWindowTest, AHeldMarkerHighlightsTheNodesRowsAndTogglesOnlyWhenReleasedOnIt) {
  Open([](T_CompsTmpl* t) { t->viewDims.dimension[0] = 0; });
  window->ExpandToDepth(3);
  const int64_t row = RowOf("1");
  ASSERT_GE(row, 0);
  const int64_t node = window->RowNode(row);
  // "1" holds 11, 111, 112, 12 and 121; "2" follows them.
  const int64_t last = RowOf("121");
  ASSERT_EQ(RowOf("2"), last + 1);
  RECT cell;
  window->GetCellRect(&cell, row, 0);
  const int32_t y = (cell.top + cell.bottom) / 2;
  InputEvent press;
  press.x = cell.left + 3;
  press.y = y;
  press.leftButton = press.anyButton = 1;
  g_watched = window;
  SetItemPointerSource(WatchingPointer);
  struct Case {
    std::vector<ui_test::PointerStep> script;
    std::vector<bool> shown;  // at each poll
    int64_t lastRow;          // of the highlighted rows
    uint8_t expandedAfter;
  } cases[] = {
      // Held on the marker, off it to the right and below, back, and released there.
      {{{press.x, y, true}, {cell.left + 80, y, true}, {press.x, y + 30, true}, {press.x, y, true},
        {press.x, y, false}},
       {true, true, false, false, true},
       last,
       0},
      // Collapsed now, its row alone is highlighted; released off the marker nothing changes.
      {{{press.x, y, true}, {cell.left + 80, y, false}}, {true, true}, row, 0},
  };
  for (const Case& c : cases) {
    g_seen.clear();
    ui_test::SetScript(c.script);
    ASSERT_TRUE(window->ClickOutlineMarker(&press, row));
    ASSERT_EQ(g_seen.size(), c.shown.size());
    for (size_t i = 0; i < c.shown.size(); ++i) {
      EXPECT_EQ(g_seen[i].shown, c.shown[i]) << i;
      EXPECT_EQ(g_seen[i].first, row);
      EXPECT_EQ(g_seen[i].last, c.lastRow);
    }
    EXPECT_EQ(window->rangeDragShown, 0);
    EXPECT_EQ(window->Node(node)->expanded, c.expandedAfter);
  }
  SetItemPointerSource(ui_test::ScriptedPointer);
}

TEST_F(CompsWindowTest, PanelRowsAreDraggedIntoANewOrder) {
  Open([](T_CompsTmpl* t) {
    t->viewDims.count = 3;
    for (int32_t s = 0; s < 3; ++s) {
      t->viewDims.dimension[s] = s;
      t->viewDims.levels[s] = static_cast<uint16_t>(s + 1);
    }
  });
  struct Case {
    int32_t pressRow;
    int32_t releaseY;
    std::vector<int32_t> order;  // the dimensions after the drag
  } cases[] = {
      {0, 57, {1, 0, 2}},  // into the gap after row 1
      {0, 78, {1, 2, 0}},  // below the last row
      {2, 15, {2, 0, 1}},  // above the first row
      {2, -40, {2, 0, 1}},  // far above: still the first gap
      {1, 40, {0, 1, 2}},  // onto itself
      {1, 60, {0, 1, 2}},  // into the gap right below it
  };
  for (const Case& c : cases) {
    window->edited = window->live;
    window->SetPanelShown(true);
    window->SetCalcButtonEnabled(false);
    InputEvent press;
    press.x = 10;
    press.y = 21 + c.pressRow * 19 + 5;
    press.leftButton = press.anyButton = 1;
    ui_test::SetScript({{10, press.y, true}, {10, c.releaseY, true}, {10, c.releaseY, false}});
    EXPECT_TRUE(window->ClickModeItem(&press, window->modeItem));
    std::vector<int32_t> order;
    for (int32_t s = 0; s < window->edited.count; ++s) {
      order.push_back(window->edited.dimension[s]);
      // The whole entry moves with its dimension.
      EXPECT_EQ(window->edited.levels[s], window->edited.dimension[s] + 1);
    }
    EXPECT_EQ(order, c.order) << c.pressRow << " to " << c.releaseY;
    const bool moved = c.order != std::vector<int32_t>{0, 1, 2};
    EXPECT_EQ(window->CalcButtonEnabled(), moved) << c.pressRow << " to " << c.releaseY;
  }
  // Right of the grip strip a press is not a drag.
  InputEvent press;
  press.x = 40;
  press.y = 26;
  ui_test::SetScript({{40, 70, false}});
  window->ClickModeItem(&press, window->modeItem);
  EXPECT_EQ(window->edited.dimension[0], window->live.dimension[0]);
}

}  // namespace
