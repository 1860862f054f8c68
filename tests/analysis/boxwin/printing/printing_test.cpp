// Printing box windows in pages: page counts over printable areas, margins, the minimum width,
// column strips, groups kept whole, definitions over several pages, the header line's date and
// page numbers, rows taller than a page, no memory, and a whole run through the fake printer.
#include <gtest/gtest.h>

#include "analysis/boxwin/box_print.h"
#include "database/templates.h"
#include "ui/page_setup.h"
#include "tests/analysis/boxwin/box_fixture.h"
#include "tests/ui/printing/fake_printer.h"
#include "ui/printing.h"

using namespace box_test;

namespace {

class T_PrintBox : public T_TestBox {
 public:
  void PrintPart(BoxDrawRecord* record) override {
    if (record->phase == 1 && definitionPages) {
      record->height = 30;
      record->pageCount = definitionPages;
      return;
    }
    T_BoxWin::PrintPart(record);
  }
  int32_t definitionPages = 0;
};

class BoxPrintTest : public BoxTest {
 protected:
  T_PrintBox* NewPrintBox(const std::vector<int32_t>& widths, int rows) {
    auto* box = new T_PrintBox();
    box->Build(widths);
    EventHandler_Open(box);
    box->SetRows(std::vector<Row>(static_cast<size_t>(rows), Row{"x", "y"}));
    box->print.dateTime = 0;
    box->print.windowTitle = 0;
    box->print.pageNumbers = kPageNumbersNone;
    box->print.columnTitles = 0;
    return box;
  }
  // Lays the pages out on a printable area of width x height points with the paper 14 around.
  int32_t Layout(T_BoxWin* box, int32_t width, int32_t height) {
    PrintPhase phase;
    phase.phase = kPrintBegin;
    box->Print(&phase);
    phase.phase = kPrintCountPages;
    phase.printable = RECT{0, 0, width, height};
    phase.paper = RECT{-14, -14, width + 14, height + 14};
    box->Print(&phase);
    return phase.pageCount;
  }
  void End(T_BoxWin* box) {
    PrintPhase phase;
    phase.phase = kPrintEnd;
    box->Print(&phase);
  }
};

TEST_F(BoxPrintTest, PageCountsFollowThePrintableHeight) {
  struct Case {
    int32_t height;
    int rows;
    int32_t pages;
  } cases[] = {
      // The body starts 14 + 20 points down; 14-point rows.
      {174, 10, 1},  // 140 points hold 10 rows
      {173, 10, 2},
      {104, 30, 6},  // 70 points: 5 rows a page
      {44, 3, 3},    // a row taller than the body still gets a page of its own
  };
  for (const Case& c : cases) {
    T_PrintBox* box = NewPrintBox({100, 100}, c.rows);
    EXPECT_EQ(Layout(box, 500, c.height), c.pages) << c.height << " " << c.rows;
    End(box);
    delete box;
  }
}

TEST_F(BoxPrintTest, BindingMarginMinimumWidthAndStretch) {
  T_PrintBox* box = NewPrintBox({60, 60}, 3);
  Layout(box, 500, 700);
  EXPECT_EQ(box->printWork->firstBody.left, 14 + 22);
  EXPECT_EQ(box->printWork->pageWidth, 350);  // a narrow table is printed 350 wide
  box->print.bindingMargin = 1;
  Layout(box, 500, 700);  // portrait: the left edge moves
  EXPECT_EQ(box->printWork->firstBody.left, 14 + 22 + 28);
  EXPECT_EQ(box->printWork->firstBody.top, 14 + 20);
  Layout(box, 700, 500);  // landscape: the top moves
  EXPECT_EQ(box->printWork->firstBody.left, 14 + 22);
  EXPECT_EQ(box->printWork->firstBody.top, 14 + 20 + 28);
  box->GetField(1)->stretch = 1;
  box->print.bindingMargin = 0;
  Layout(box, 500, 700);
  EXPECT_EQ(box->printWork->pageWidth, 500 - 14 - 22);
  End(box);
}

TEST_F(BoxPrintTest, WideTablesAreCutIntoAtMost40Strips) {
  T_PrintBox* box = NewPrintBox(std::vector<int32_t>(60, 300), 3);
  EXPECT_EQ(Layout(box, 400, 700), 40);
  EXPECT_EQ(box->printWork->stripCount, 40);
  EXPECT_EQ(box->printWork->stripFirst[1], box->GetField(1));
  End(box);
  T_PrintBox* two = NewPrintBox({200, 200}, 30);
  // Two strips, 5 rows a page: 6 bands of 2 pages.
  EXPECT_EQ(Layout(two, 300, 104), 12);
  EXPECT_EQ(two->printWork->pageFirstRow[2], 5);
  EXPECT_EQ(two->printWork->pageFirstRow[3], 5);
  End(two);
}

TEST_F(BoxPrintTest, BandsKeepGroupsWholeAndCutLongOnes) {
  T_PrintBox* box = NewPrintBox({100}, 20);
  box->groupStarts = {{0, true}, {3, true}, {9, true}, {19, true}};
  // 5 rows a page: the first band ends at the group start 3; the group 3..8 is longer than a
  // page and is cut where the page ends; the band from 8 moves back to 9.
  Layout(box, 500, 104);
  PrintWork* work = box->printWork;
  std::vector<int64_t> starts(work->pageFirstRow, work->pageFirstRow + work->pages);
  EXPECT_EQ(starts, (std::vector<int64_t>{0, 3, 8, 9, 14, 19}));
  End(box);
}

TEST_F(BoxPrintTest, DefinitionPagesDataRowsAndNoMemory) {
  T_PrintBox* box = NewPrintBox({200, 200}, 3);
  box->print.definition = 1;
  box->definitionPages = 3;
  EXPECT_EQ(Layout(box, 300, 700), 3);  // 2 strips, a 3-page definition: the third without rows
  EXPECT_EQ(box->printWork->firstBandPages, 3);
  End(box);
  T_PrintBox* headers = NewPrintBox({100}, 10);
  headers->headerRowCount = 2;
  headers->print.dataRows = 0;
  Layout(headers, 500, 700);
  EXPECT_EQ(headers->printWork->endRow, 2);
  headers->print.headerRows = 0;
  headers->print.dataRows = 1;
  Layout(headers, 500, 700);
  EXPECT_EQ(headers->printWork->pageFirstRow[0], 2);
  End(headers);
  // Without the work record there are no pages.
  PrintPhase phase;
  phase.phase = kPrintCountPages;
  phase.printable = RECT{0, 0, 500, 700};
  headers->Print(&phase);
  EXPECT_EQ(phase.pageCount, 0);
}

TEST(BoxPrintHeader, DateAndPageNumbers) {
  SYSTEMTIME now{2026, 12, 4, 10, 9, 5, 0, 0};
  PrintOptions options;
  struct Case {
    uint8_t date;
    uint32_t style;
    int32_t pages;
    const char* text;
  } cases[] = {
      {1, kPageNumbersWithTotal, 1, "261210 09:05"},  // one page: no number
      {1, kPageNumbersWithTotal, 4, "261210 09:05  2(4)"},
      {0, kPageNumbersOfTotal, 4, "2/4"},
      {0, kPageNumbersPlain, 4, "2"},
      {0, kPageNumbersNone, 4, ""},
  };
  T_TextBuf text;
  for (const Case& c : cases) {
    options.dateTime = c.date;
    options.pageNumbers = c.style;
    PrintHeaderText(&text, &options, &now, 2, c.pages);
    EXPECT_STREQ(text.data, c.text);
  }
}

TEST_F(BoxPrintTest, ADamagedPageSetupBlockIsRefused) {
  fake::Install();
  T_BoxTmpl templ(kTemplateLines, nullptr);
  templ.print.pageSetup[0] = MemDup("not a device mode", 18);
  templ.print.pageSetup[1] = MemDup("names", 6);
  RECT rect{10, 10, 300, 200};
  T_BoxWin damaged(kWindowLines, &rect, &templ, 0, nullptr, 0);
  EXPECT_FALSE(Window_HasPrinterSetup(&damaged));
  HGLOBAL block = fake::DevModeBlock(2100, 2970, DMORIENT_LANDSCAPE);
  MemFree(templ.print.pageSetup[0]);
  templ.print.pageSetup[0] = MemDup(GlobalLock(block), static_cast<int64_t>(GlobalSize(block)));
  GlobalUnlock(block);
  GlobalFree(block);
  T_BoxWin whole(kWindowLines, &rect, &templ, 0, nullptr, 0);
  EXPECT_TRUE(Window_HasPrinterSetup(&whole));
  // And the window's setup goes back into a template.
  T_BoxTmpl saved(kTemplateLines, nullptr);
  whole.SaveToTemplate(&saved);
  ASSERT_NE(saved.print.pageSetup[0], nullptr);
  EXPECT_EQ(reinterpret_cast<DEVMODEW*>(saved.print.pageSetup[0])->dmOrientation, DMORIENT_LANDSCAPE);
  fake::Remove();
}

TEST_F(BoxPrintTest, AWholeRunReachesTheFakePrinter) {
  fake::Install();
  T_PrintBox* box = NewPrintBox({100, 100}, 40);
  box->print.columnTitles = 1;
  box->print.pageNumbers = kPageNumbersWithTotal;
  HGLOBAL block = fake::DevModeBlock(2100, 2970, DMORIENT_PORTRAIT);
  ASSERT_TRUE(Window_PrinterSetupReplace(box, block));
  GlobalFree(block);
  EXPECT_TRUE(Window_Print(box, true));
  EXPECT_EQ(fake::printer.documents, 1);
  EXPECT_EQ(fake::printer.slots.size(), 1u);  // 40 rows fit one A4 page
  EXPECT_EQ(box->printWork, nullptr);
  fake::Remove();
}

}  // namespace
