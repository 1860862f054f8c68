// The test window: a box window over the example database's lines (a component column with a
// tree outline, two header rows, a line-text column, right-aligned values, one tall row, group
// starts at card boundaries), painted by the toolkit in its states and laid out on one contact
// sheet (boxwin_sheet.bmp, made a PNG by the build) for a person to look at. The checks only make
// sure that each state drew something where it should.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "analysis/boxwin/box_output.h"
#include "analysis/boxwin/box_panel.h"
#include "database/base.h"
#include "database/components.h"
#include "database/lines.h"
#include "database/toolkit_adapter.h"
#include "tests/analysis/boxwin/box_fixture.h"
#include "tests/ui/printing/fake_printer.h"
#include "tests/ui/window_picture.h"
#include "tools/make_example/example_database.h"
#include "ui/link_markup.h"

using namespace box_test;

namespace {

struct LineRow {
  std::string component;
  std::string text;
  double amount = 0;
  bool cardStart = false;
  uint32_t level = 0;
};

class T_ExampleLines : public T_BoxWin {
 public:
  T_ExampleLines(T_Base* base, std::vector<LineRow> lines)
      : T_BoxWin(kWindowLines, &kRect, nullptr, 0, base, 0), rows(std::move(lines)) {
    CreateToolbar();
    CreateCalcButton(400);
    CreateModeBox(80, 90);
    for (int32_t page : {kPanelSubsets, kPanelPrinting, kPanelExport, kPanelNotes})
      AddModeItem(nullptr, nullptr, page);
    headerSplitter = titleSplitter = headerButtons = 1;
    minTitleHeight = 14;
    CreateGridItems(90, 16, 0);
    RECT c{1, 0, 141, 16};
    RECT t{141, 0, 321, 16};
    RECT a{321, 0, 401, 16};
    AddField(&c, 0)->SetTitleText("Component");
    AddField(&t, 0)->SetTitleText("Line text");
    T_BoxField* amount = AddField(&a, 0);
    amount->SetTitleText("Amount");
    amount->SetAlignment(kStyleRight);
    amount->SetSortIcons(kMarkerDescending, 1);
    GetField(1)->linkMode = 1;
    rowCount = static_cast<int64_t>(rows.size()) + 2;
    headerRowCount = 2;
  }
  void FormatRow(RowTextPool* pool, int64_t row) override {
    if (row == 0) {
      PutCellText(pool, firstField, "Example lines");
      return;
    }
    if (row == 1) {
      double sum = 0;
      for (const LineRow& r : rows) sum += r.amount;
      PutCellText(pool, firstField, "Sum");
      PutNumberText(pool, GetField(2), sum, 2, kSignPlain, true);
      return;
    }
    const LineRow& r = rows[static_cast<size_t>(row - 2)];
    PutCellText(pool, firstField, r.component.c_str());
    PutCellText(pool, GetField(1), r.text.c_str());
    PutNumberText(pool, GetField(2), r.amount, 2, kSignParentheses, false);
  }
  int32_t GetRowHeight(int64_t row) override { return row == 4 ? 30 : 14; }
  bool IsGroupStart(int64_t row) override {
    return row < 2 || rows[static_cast<size_t>(row - 2)].cardStart;
  }
  void GetRowOutline(RowOutline* outline, int64_t row) override {
    *outline = RowOutline{};
    if (row < 2) return;
    const LineRow& r = rows[static_cast<size_t>(row - 2)];
    outline->kind = r.cardStart ? 2 : 1;
    outline->style = 2;
    outline->level = r.level;
  }
  int32_t GetDefaultHeaderHeight() override { return 90; }
  int32_t GetEffectiveTool(InputEvent*) override { return kToolRange; }

  static constexpr RECT kRect{10, 10, 460, 330};
  std::vector<LineRow> rows;
};

// The example's lines, card by card, with their first component text and amount.
std::vector<LineRow> ExampleLines(T_Base* base, size_t most) {
  std::vector<LineRow> lines;
  for (CardRecord* card = base->sentinelCard->next; card != base->sentinelCard && lines.size() < most;
       card = card->next) {
    bool first = true;
    for (GroupRecord* group = card->firstGroup; group; group = group->next) {
      for (LineRecord* line = group->firstLine; line && lines.size() < most; line = line->next) {
        LineRow row;
        T_TextBuf text;
        if (group->component) base->GetComponentText(&text, group->component, 0);
        row.component = text.data;
        row.text = line->text ? line->text : "";
        row.amount = LineValues(line)[0];
        row.cardStart = first;
        row.level = first ? 0 : 1;
        first = false;
        lines.push_back(row);
      }
    }
  }
  if (lines.size() > 3) {
    T_TextBuf link;
    LinkText_FileLinkMarkup(&link, "C:\\Reports\\Invoice 1042.pdf");
    lines[3].text = std::string("See ") + link.data;
  }
  return lines;
}

class BoxSheet : public BoxTest {
 protected:
  static constexpr int32_t kColumns = 4;
  static constexpr int32_t kRows = 5;
  ui_test::ContactSheet sheet{kColumns, kRows, 464, 334};
};

TEST_F(BoxSheet, TheTestWindowInItsStates) {
  InstallDatabaseServices();
  T_Base* base = BuildExampleDatabase();
  ASSERT_NE(base, nullptr);
  auto* box = new T_ExampleLines(base, ExampleLines(base, 200));
  box->SetTitleCopy("Example: Lines");
  EventHandler_Open(box);
  box->SetSelectMode(kSelectRange);
  box->UpdateScrollBoxes(true);
  BlockTextAssign(&box->notes, "Notes of the test window\rwith a second line");
  int32_t slot = 0;
  auto shot = [&](const char* what) {
    SCOPED_TRACE(what);
    box->UpdateScrollBoxes(true);
    ui_test::Picture picture = ui_test::Capture(box);
    // View mode 4 belongs to the derived window's drawing: the base leaves the grid empty.
    if (box->viewMode == 0) {
      RECT gridArea{box->grid->x, box->grid->y, box->grid->x + 300, box->grid->y + 60};
      ui_test::ExpectDrawn(picture, gridArea, 20);
    }
    sheet.Place(picture, slot++);
  };
  for (uint32_t mode : {0u, 1u, 2u, 6u}) {
    box->gridMode = mode;
    box->verticalGridLines = mode == 2;
    shot("grid mode");
  }
  box->gridMode = 1;
  box->SelectCell(3, 0, false);
  box->SelectCell(6, 2, true);
  box->grid->focus = 1;
  shot("a range");
  box->SelectCell(-1, -1, false);
  box->SetSelectMode(kSelectEdit);
  box->SelectEditCell(5, 1);
  shot("a cell being edited");
  box->SelectEditCell(-1, -1);
  box->SetSelectMode(kSelectRange);
  for (int32_t page : {kPanelSubsets, kPanelPrinting, kPanelExport, kPanelNotes}) {
    box->OpenPanelPage(page);
    shot("panel page");
  }
  box->ClosePanelPage();
  new T_GridFrame(box, box->modeItem, {8, 8, 152, 40}, 359);
  shot("grid frame");
  box->SetHeaderHeight(1);
  shot("header collapsed");
  box->SetHeaderHeight(90);
  box->GetField(1)->SetWidth(600);
  shot("horizontal bar");
  box->GetField(1)->SetWidth(180);
  box->SetViewMode(4);
  shot("view mode 4");
  box->SetViewMode(0);
  box->Refresh(0);
  box->viewMode = 0;
  shot("back to the grid");

  // The fake printer's pages, two to a slot of the last row.
  fake::Install();
  fake::keepPages = true;
  HGLOBAL block = fake::DevModeBlock(2100, 2970, DMORIENT_PORTRAIT);
  ASSERT_TRUE(Window_PrinterSetupReplace(box, block));
  GlobalFree(block);
  box->print.columnTitles = 1;
  box->print.pageNumbers = kPageNumbersWithTotal;
  EXPECT_TRUE(Window_Print(box, true));
  fake::Remove();
  ASSERT_GE(fake::printer.pages.size(), 2u) << "the example's lines take more than one page";
  slot = (kRows - 1) * kColumns;
  for (size_t i = 0; i + 1 < fake::printer.pages.size() && i < 2 * kColumns; i += 2) {
    ui_test::Picture pair;
    pair.width = fake::kPageWidth;
    pair.height = 2 * fake::kPageHeight + 8;
    pair.pixels.assign(static_cast<size_t>(pair.width) * pair.height, 0x404040);
    for (size_t k = 0; k < 2; ++k) {
      const std::vector<uint32_t>& page = fake::printer.pages[i + k];
      std::copy(page.begin(), page.end(),
                pair.pixels.begin() + static_cast<ptrdiff_t>(k * (fake::kPageHeight + 8) * pair.width));
    }
    sheet.Place(pair, slot++);
  }
  ASSERT_TRUE(sheet.Save("boxwin_sheet.bmp"));
  EventHandler_CloseAndDelete(box, 0);
  DeleteBase(base, kCloseSilently);
  RemoveDatabaseServices();
}

}  // namespace
