// Box-window layout, fields and hit tests: the one place of geometry change, the header toggle,
// splitter limits, preferred sizes, column widths and markers, the scroll bars, and positions
// over a million rows that touch only the visible ones.
#include <gtest/gtest.h>

#include "tests/analysis/boxwin/box_fixture.h"
#include "ui/slide_bar.h"

using namespace box_test;

namespace {

using BoxLayoutTest = BoxTest;

TEST_F(BoxLayoutTest, LayoutChangesMoveTitlesGridAndFieldsTogether) {
  T_TestBox* box = NewBox({50, 50});
  int32_t titleY = box->titles->y;
  int32_t gridY = box->grid->y;
  int32_t gridH = box->grid->height;
  box->SetTitleHeight(20);
  EXPECT_EQ(box->titleHeight, 20);
  EXPECT_EQ(box->titles->height, 20);
  EXPECT_EQ(box->grid->y, gridY + 6);
  EXPECT_EQ(box->GetField(1)->title.bottom, 20);
  EXPECT_EQ(box->GetField(1)->column.top, -20);
  EXPECT_EQ(box->layoutRecord.title, 6);
  EXPECT_EQ(box->layoutRecord.height, -6);
  LayoutChange header{0, 10, 0, 0};
  box->ScrollRows(&header);
  EXPECT_EQ(box->headerHeight, 50);
  EXPECT_EQ(box->titles->y, titleY + 10);
  EXPECT_EQ(box->grid->y, gridY + 16);
  EXPECT_EQ(box->grid->height, gridH - 16);
}

TEST_F(BoxLayoutTest, HeaderToggleCollapsesFromDefaultLessFiveOnly) {
  struct Case {
    int32_t header;
    int32_t after;
  } cases[] = {{95, 1}, {94, 100}, {120, 1}, {5, 100}};
  for (const Case& c : cases) {
    T_TestBox* box = NewBox({50});
    box->defaultHeader = 100;
    box->headerSplitter = 1;
    box->SetHeaderHeight(c.header);
    box->ToggleHeader();
    EXPECT_EQ(box->headerHeight, c.after) << c.header;
    EXPECT_TRUE(box->headerToggled);
    delete box;
  }
  // A collapsed header with a saved height comes back to it.
  T_TestBox* box = NewBox({50});
  box->defaultHeader = 100;
  box->headerSplitter = 1;
  box->SetHeaderHeight(60);
  box->ToggleHeader();  // 60 < 95: default, 60 saved
  EXPECT_EQ(box->headerHeight, 100);
  box->ToggleHeader();  // collapse
  EXPECT_EQ(box->headerHeight, 1);
  box->ToggleHeader();  // restore the saved 60
  EXPECT_EQ(box->headerHeight, 60);
  box->headerSplitter = 0;
  box->ToggleHeader();
  EXPECT_EQ(box->headerHeight, 60);
}

TEST_F(BoxLayoutTest, SplittersStayInsideTheirLimits) {
  T_TestBox* box = NewBox({50});
  box->defaultHeader = 80;
  box->minTitleHeight = 12;
  EXPECT_EQ(box->ClampTitleHeight(3), 12);
  EXPECT_EQ(box->ClampTitleHeight(150), 100);
  EXPECT_EQ(box->ClampTitleHeight(40), 40);
  EXPECT_EQ(box->ClampHeaderHeight(-4), 1);
  EXPECT_EQ(box->ClampHeaderHeight(500), 180);
  // The bottom area never pushes the grid below 36 pixels, nor drops below its minimum.
  box->SetBottomHeight(20);
  box->minBottomHeight = 10;
  int32_t largest = box->bottomHeight + box->grid->height - 36;
  EXPECT_EQ(box->ClampBottomHeight(1000), largest);
  EXPECT_EQ(box->ClampBottomHeight(2), 10);
  // With a horizontal bar the grid keeps 51.
  box->GetField(0)->SetWidth(2000);
  box->UpdateScrollBoxes(true);
  ASSERT_NE(box->horizontalBar, nullptr);
  EXPECT_EQ(box->ClampBottomHeight(1000), box->bottomHeight + box->grid->height - 51);
}

TEST_F(BoxLayoutTest, ShrinkingTheWindowTakesHeightFromTheBottomAreaDownToItsMinimum) {
  auto* box = new T_TestBox();
  box->Build({50}, {}, 40, 14, 100);
  box->minBottomHeight = 20;
  EventHandler_Open(box);
  box->SetRows({{"a"}});
  int32_t grid = box->grid->height;
  // Shrinking by less than the grid's room above 36 leaves the bottom alone.
  box->ResizeBy(0, -(grid - 36 - 10));
  EXPECT_EQ(box->bottomHeight, 100);
  // Further: the bottom gives up what the grid would lose below 36, never below its minimum.
  box->ResizeBy(0, -30);
  EXPECT_EQ(box->bottomHeight, 80);
  EXPECT_EQ(box->grid->height, 36);
  box->ResizeBy(0, -200);
  EXPECT_EQ(box->bottomHeight, 20);
}

TEST_F(BoxLayoutTest, DraggingTheTitleSplitterStopsAt100) {
  T_TestBox* box = NewBox({50});
  box->titleSplitter = 1;
  box->minTitleHeight = 12;
  int32_t foot = box->TitleTop() + box->titleHeight;
  ASSERT_EQ(box->SplitterAt(20, foot), 2);
  ui_test::SetScript({{20, foot + 40, true}, {20, foot + 300, true}, {20, foot + 300, false}});
  InputEvent press;
  press.x = 20;
  press.y = foot;
  press.leftButton = press.anyButton = 1;
  EXPECT_TRUE(box->TrackSplitter(&press, 2));
  EXPECT_EQ(box->titleHeight, 100);
  ui_test::SetScript({{20, foot - 500, true}, {20, foot - 500, false}});
  EXPECT_TRUE(box->TrackSplitter(&press, 2));
  EXPECT_EQ(box->titleHeight, 12);
}

TEST_F(BoxLayoutTest, TitleClicksTrackTheMarker) {
  T_TestBox* box = NewBox({80, 80});
  T_BoxField* f = box->GetField(1);
  f->SetSortIcons(kMarkerAscending, 0);
  RECT marker;
  f->GetMarkerRect(&marker);
  InputEvent press;
  press.x = marker.left + 2;
  press.y = 5;
  press.leftButton = press.anyButton = 1;
  ui_test::SetScript({{marker.left + 2, 5, true}, {marker.left + 3, 6, false}});
  EXPECT_TRUE(box->TrackTitleClick(&press, f));
  EXPECT_EQ(f->markerPressed, 0);
  ui_test::SetScript({{marker.left + 2, 5, true}, {400, 5, true}, {400, 5, false}});
  EXPECT_FALSE(box->TrackTitleClick(&press, f));
}

TEST_F(BoxLayoutTest, PreferredSizeAndHeaderHeight) {
  auto* empty = new T_TestBox();
  empty->CreateGridItems(40, 14, 0);
  EventHandler_Open(empty);
  EXPECT_EQ(empty->ContentWidth(), 66);
  EXPECT_EQ(empty->T_BoxWin::GetRowHeight(0), 11);
  POINT size{0, 0};
  empty->GetPreferredSize(&size);
  EXPECT_EQ(size.x, 66 + 16);
  // No database: no dimensions; no header rows: 17 x 7.
  EXPECT_EQ(empty->CalcHeaderHeight(0), 119);
  EXPECT_EQ(empty->CalcHeaderHeight(150), 150);
  empty->templateHeaderRows = 3;
  EXPECT_EQ(empty->CalcHeaderHeight(0), 170);
  T_TestBox* box = NewBox({100, 60});
  EXPECT_EQ(box->ContentWidth(), 161 - 1 + 2);
  box->GetPreferredSize(&size);
  EXPECT_EQ(size.x, 162 + 16);
}

TEST_F(BoxLayoutTest, SetWidthMovesTheFieldsOfTheSameTitleLine) {
  T_TestBox* box = new T_TestBox();
  box->CreateGridItems(40, 30, 0);
  RECT a{1, 0, 51, 30};
  RECT b{51, 0, 101, 30};
  RECT other{51, 0, 101, 14};  // a title on another line
  box->AddField(&a, 0);
  box->AddField(&b, 0);
  box->AddField(&other, 0);
  EventHandler_Open(box);
  T_BoxField* first = box->GetField(0);
  first->SetWidth(50);  // the same width
  EXPECT_TRUE(box->widthChanges.empty());
  first->SetWidth(70);
  EXPECT_EQ(box->widthChanges, std::vector<int32_t>{20});
  EXPECT_EQ(first->title.right, 71);
  EXPECT_EQ(box->GetField(1)->title.left, 71);
  EXPECT_EQ(box->GetField(1)->column.right, 120);
  EXPECT_EQ(box->GetField(2)->title.left, 51);
}

TEST_F(BoxLayoutTest, MarkersRemovalAndFitting) {
  T_TestBox* box = NewBox({50, 60, 70});
  T_BoxField* f = box->GetField(0);
  EXPECT_EQ(f->MarkerWidth(), 0);
  f->SetSortIcons(kMarkerAscending, 0);
  EXPECT_EQ(f->MarkerWidth(), 12);
  f->SetSortIcons(kMarkerAscending, 2);
  EXPECT_EQ(f->MarkerWidth(), 17);
  RECT text;
  f->GetTitleTextRect(&text);
  EXPECT_EQ(text.right, f->title.right - 17);
  // Removing the first field renumbers from 0 and moves the rest to its left edge.
  T_BoxField* gone = box->GetField(0);
  DeleteBoxField(&gone);
  EXPECT_EQ(gone, nullptr);
  EXPECT_EQ(box->fieldCount, 2u);
  EXPECT_EQ(box->GetField(0)->index, 0);
  EXPECT_EQ(box->GetField(0)->title.left, 1);
  EXPECT_EQ(box->GetField(1)->index, 1);
  EXPECT_EQ(box->firstField->previous, box->GetField(1));
  // Without rows every column takes 36; a stretched one is left alone.
  box->GetField(1)->stretch = 1;
  int32_t stretched = box->GetField(1)->Width();
  box->FitAllFieldWidths();
  EXPECT_EQ(box->GetField(0)->Width(), 36);
  EXPECT_EQ(box->GetField(1)->Width(), stretched);
}

TEST_F(BoxLayoutTest, DraggingATitleNeverMakesAColumnNarrowerThan16) {
  T_TestBox* box = NewBox({50, 50});
  int32_t band = box->GetField(0)->title.right;
  ui_test::SetScript({{band, 5, true}, {band - 20, 5, true}, {band - 200, 5, true}, {band - 200, 5, false}});
  InputEvent press;
  press.x = band;
  press.y = 5;
  press.leftButton = press.anyButton = 1;
  EXPECT_TRUE(box->titles->MouseDown(&press, box->titles));
  EXPECT_EQ(box->GetField(0)->Width(), 16);
}

TEST_F(BoxLayoutTest, HitTestsFollowVariableHeightsAndRowLayouts) {
  T_TestBox* box = NewBox({50, 50, 50});
  box->heights = {{1, 30}};
  box->SetRows({{"a"}, {"b"}, {"c"}, {"d"}});
  struct Case {
    int32_t y;
    int64_t row;
  } cases[] = {{0, 0}, {13, 0}, {14, 1}, {43, 1}, {44, 2}, {58, 3}, {72, -1}, {-1, -1}};
  for (const Case& c : cases) EXPECT_EQ(box->RowAtPoint(POINT{5, c.y}), c.row) << c.y;
  EXPECT_EQ(box->FieldAtPoint(0, 0), 0);
  EXPECT_EQ(box->FieldAtPoint(49, 0), 0);
  EXPECT_EQ(box->FieldAtPoint(50, 0), 1);
  EXPECT_EQ(box->FieldAtPoint(400, 0), -1);
  RECT cell;
  box->GetCellRect(&cell, 2, 1);
  EXPECT_EQ(cell.top, 44);
  EXPECT_EQ(cell.bottom, 58);
  EXPECT_EQ(cell.left, 50);
}

TEST_F(BoxLayoutTest, TheHorizontalBarComesWhenAColumnOutgrowsTheGrid) {
  T_TestBox* box = NewBox({50, 50});
  box->SetRows({{"a"}});
  EXPECT_NE(box->verticalBar, nullptr);
  EXPECT_EQ(box->horizontalBar, nullptr);
  int32_t gridHeight = box->grid->height;
  box->GetField(1)->SetWidth(900);
  box->UpdateScrollBoxes(true);
  ASSERT_NE(box->horizontalBar, nullptr);
  EXPECT_EQ(box->grid->height, gridHeight - 15);
  box->horizontalBar->SetPosition(200);
  EXPECT_EQ(box->GetScrollX(), 200);
  box->GetField(1)->SetWidth(50);
  box->UpdateScrollBoxes(true);
  EXPECT_EQ(box->horizontalBar, nullptr);
  EXPECT_EQ(box->grid->height, gridHeight);
  EXPECT_EQ(box->GetScrollX(), 0);
  // The position comes back with the bar.
  box->GetField(1)->SetWidth(900);
  box->UpdateScrollBoxes(true);
  ASSERT_NE(box->horizontalBar, nullptr);
  EXPECT_EQ(box->GetScrollX(), 200);
}

TEST_F(BoxLayoutTest, TheVerticalBarStopsOnlyAtGroupStarts) {
  T_TestBox* box = NewBox({50});
  std::vector<Row> rows(100, Row{"x"});
  box->groupStarts = {{0, true}, {10, true}, {20, true}, {30, true}};
  box->SetRows(rows);
  ASSERT_NE(box->verticalBar, nullptr);
  // The bar asks the window whether a row may be the first; only group starts may.
  for (int64_t row : {0, 10, 13, 29}) {
    SlidebarEvent record;
    record.code = kSlideMayBeFirst;
    record.index = row;
    record.flag = 1;
    box->OnSlidebarEvent(box->verticalBar, &record);
    EXPECT_EQ(record.flag, row % 10 == 0 ? 1 : 0) << row;
  }
  // Paging with the mode-box steps: the row below the last visible one becomes the top row.
  int64_t last = box->GetLastVisibleRow();
  box->StepModeBox(kStepNext, false);
  EXPECT_EQ(box->GetTopRow(), last + 1);
  box->StepModeBox(kStepFirst, false);
  EXPECT_EQ(box->GetTopRow(), 0);
}

TEST_F(BoxLayoutTest, TheCalculationCycle) {
  auto* box = new T_TestBox();
  box->CreateToolbar();
  box->CreateCalcButton(400);
  box->Build({50});
  EventHandler_Open(box);
  ASSERT_NE(box->calcButton, nullptr);
  EXPECT_FALSE(box->Calculate(false));  // nothing pending
  EXPECT_TRUE(box->Calculate(true));    // forced with the button enabled
  EXPECT_EQ(box->calculations, 1);
  box->SetCalcButtonEnabled(false);
  EXPECT_FALSE(box->Calculate(true));  // results current
  box->MarkNeedsCalc();
  EXPECT_TRUE(box->recalcPending);
  EXPECT_TRUE(box->CalcButtonEnabled());
  EXPECT_TRUE(box->Calculate(false));
  EXPECT_EQ(box->calculations, 2);
  EXPECT_FALSE(box->recalcPending);
  // With AutoRecalc off the button lights but nothing waits for the tick.
  BoxWinServices services{};
  services.autoRecalc = [] { return false; };
  SetBoxWinServices(&services);
  box->SetCalcButtonEnabled(false);
  box->MarkNeedsCalc();
  EXPECT_FALSE(box->recalcPending);
  EXPECT_TRUE(box->CalcButtonEnabled());
}

TEST_F(BoxLayoutTest, AMillionRowsCostOnlyTheVisibleOnes) {
  T_TestBox* box = NewBox({50, 50});
  box->rows.assign(1000000, Row{"cell", "1"});
  box->rowCount = 1000000;
  box->UpdateScrollBoxes(true);
  ASSERT_NE(box->verticalBar, nullptr);
  box->verticalBar->SetPosition(500000);
  EXPECT_EQ(box->GetTopRow(), 500000);
  int64_t visible = box->GetLastVisibleRow() - box->GetTopRow() + 1;
  EXPECT_LT(visible, 40);
  EXPECT_EQ(box->RowAtPoint(POINT{5, 15}), 500001);
  box->formatted = 0;
  GraphicsPort port;
  OffscreenBitmap bitmap;
  PortInitRegions(&port);
  RECT rect{0, 0, box->grid->width, box->grid->height};
  ASSERT_TRUE(PortOpenOffscreen(&port, &bitmap, &rect));
  BoxDrawRecord record;
  box->InitDrawRecord(&record, &rect);
  box->DrawGrid(&record);
  PortClose(&port);
  PortFreeRegions(&port);
  OffscreenFree(&bitmap);
  EXPECT_LE(box->formatted, visible + 1);
  EXPECT_GT(box->formatted, 0);
}

}  // namespace
