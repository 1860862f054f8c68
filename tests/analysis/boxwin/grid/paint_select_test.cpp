// Box-window painting read back from an offscreen port (grid lines, shading, the line-above flag,
// outlines, the selection colour, the overflow mark), cell selection in both modes, the text
// commands on a cell without an overlay, drops into cells, and the panel's mappings and commands.
#include <gtest/gtest.h>

#include "analysis/boxwin/box_panel.h"
#include "database/templates.h"
#include "tests/analysis/boxwin/box_fixture.h"
#include "ui/aa_drawing.h"
#include "ui/clipboard_data.h"
#include "core/file_dialogs.h"
#include "ui/link_markup.h"
#include "ui/popup_menu.h"
#include "ui/application.h"
#include "ui/event_record.h"
#include "ui/graphics_port.h"
#include "ui/transfer_list.h"

using namespace box_test;

namespace {

class BoxPaintTest : public BoxTest {
 protected:
  void Paint(T_BoxWin* box, int32_t w = 200, int32_t h = 160) {
    AaStartup();
    PaletteReset();
    Gfx.foreColour = kColourBlack;
    Gfx.backColour = kColourWhite;
    Gfx.style = TextStyleStandard;
    PortInitRegions(&port);
    RECT rect{0, 0, w, h};
    ASSERT_TRUE(PortOpenOffscreen(&port, &bitmap, &rect));
    BoxDrawRecord record;
    box->InitDrawRecord(&record, &rect);
    box->DrawGrid(&record);
  }
  void TearDown() override {
    if (port.dc) PortClose(&port);
    PortFreeRegions(&port);
    OffscreenFree(&bitmap);
    BoxTest::TearDown();
  }
  uint32_t Pixel(int32_t x, int32_t y) {
    uint32_t* p = PixelsRead(port.dc, x, y, 1, 1);
    uint32_t value = p ? p[0] & 0xFFFFFF : 0xDEADBEEF;
    MemFree(p);
    return value;
  }
  // Whether the row band has a dark pixel along the given line within the first columns.
  bool LineAt(int32_t y) {
    for (int32_t x = 0; x < 8; ++x)
      if (Pixel(x, y) != 0xFFFFFF) return true;
    return false;
  }
  GraphicsPort port{};
  OffscreenBitmap bitmap{};
};

uint32_t Rgb(int32_t index) {
  COLORREF c = PaletteColour(index);
  return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

TEST(BoxGridLines, ModesCountFromTheFirstDataRow) {
  // Mode 2 with 3 header rows: below rows 2, 4, 6 (the last header row, every second data row).
  std::vector<int64_t> lines;
  for (int64_t row = 0; row < 8; ++row)
    if (GridLineBelow(2, row, 3)) lines.push_back(row);
  EXPECT_EQ(lines, (std::vector<int64_t>{2, 4, 6}));
  struct Case {
    uint32_t mode;
    int64_t row;
    bool line;
  } cases[] = {{1, 0, true}, {3, 2, true}, {3, 3, false}, {4, 4, true}, {5, 9, true},
               {5, 8, false}, {0, 4, false}, {6, 4, false}};
  for (const Case& c : cases) EXPECT_EQ(GridLineBelow(c.mode, c.row, 0), c.line) << c.mode << c.row;
  RowOutline outline;
  outline.level = 2;
  for (auto [style, width] : {std::pair{1u, 20}, {2u, 37}, {0u, 7}, {5u, 7}}) {
    outline.style = style;
    EXPECT_EQ(ComputeOutlineWidth(&outline), width) << style;
  }
}

TEST_F(BoxPaintTest, GridLinesShadingAndTheLineAboveFlag) {
  T_TestBox* box = NewBox({60, 60});
  box->rowHeight = 10;
  box->SetRows(std::vector<Row>(8, Row{"", ""}), 3);
  box->gridMode = 2;
  Paint(box);
  for (int64_t row = 0; row < 8; ++row)
    EXPECT_EQ(LineAt(static_cast<int32_t>(row * 10 + 9)), row == 2 || row == 4 || row == 6) << row;
  // Shade all: data rows get background 1; a row asking for a line above has one on its top.
  TearDown();
  SetUp();
  box = NewBox({60, 60});
  box->rowHeight = 10;
  box->SetRows(std::vector<Row>(4, Row{"", ""}), 1);
  box->gridMode = kGridShadeAll;
  box->lineAbove = {{2, true}};
  Paint(box);
  EXPECT_EQ(Pixel(30, 5), 0xFFFFFFu);
  EXPECT_EQ(Pixel(30, 15), Rgb(1));
  bool above = false;
  for (int32_t x = 0; x < 8; ++x) above |= Pixel(x, 20) == Rgb(6);
  EXPECT_TRUE(above);
}

TEST_F(BoxPaintTest, OutlinesSelectionAndOverflow) {
  T_TestBox* box = NewBox({60, 60});
  box->rowHeight = 14;
  box->SetRows({{"", ""}, {"", ""}, {"WWWWWWWWWWWWWWWWWWWW", ""}});
  RowOutline open;
  open.kind = 3;
  open.style = 2;
  open.level = 0;
  box->outlines = {{0, open}};
  box->GetField(0)->overflowMark = 1;
  box->SetSelectMode(kSelectRange);
  box->SelectCell(1, 1, false);
  box->grid->focus = 1;
  Paint(box);
  // Style 2 draws a 9 x 9 frame in colour 6 with a plus in black.
  EXPECT_EQ(Pixel(0, 3), Rgb(6));
  EXPECT_EQ(Pixel(4, 7), Rgb(kColourBlack));
  EXPECT_EQ(Pixel(90, 20), Rgb(23));  // the range in the selection colour
  EXPECT_NE(Pixel(30, 28 + 5), 0xFFFFFFu);  // the overflow mark, 5 below the cell's top
  box->paintingDragImage = 1;
  TearDown();
  SetUp();
  box = NewBox({60, 60});
  box->SetRows({{"", ""}, {"", ""}});
  box->SetSelectMode(kSelectRange);
  box->SelectCell(1, 1, false);
  box->paintingDragImage = 1;
  Paint(box);
  EXPECT_EQ(Pixel(90, 20), Rgb(5));
}

TEST_F(BoxTest, EditModeStoresThroughGetCellEditText) {
  T_TestBox* box = NewBox({60, 60});
  box->SetRows({{"a", "b"}, {"c", "d"}, {"e", "f"}});
  box->SetSelectMode(kSelectEdit);
  box->SelectEditCell(0, 1);
  EXPECT_EQ(box->selectedRow, 0);
  EXPECT_STREQ(box->editedText.data, "b");
  EXPECT_EQ(box->editSelLength, 1u);
  // The text commands work on the stored text while there is no overlay.
  EXPECT_TRUE(box->CellTextCommand(-4));  // duplicate
  EXPECT_STREQ(box->editedText.data, "bb");
  EXPECT_TRUE(box->CellTextCommand(kCommandSelectAll));
  box->InsertCellText("xyz");
  EXPECT_STREQ(box->editedText.data, "xyz");
  EXPECT_EQ(box->editSelStart, 3u);
  EXPECT_TRUE(box->CellTextCommand(kCommandUndo));
  EXPECT_STREQ(box->editedText.data, "b");
  EXPECT_TRUE(box->CellTextCommand(kCommandUndo));
  box->SelectEditCell(-1, -1);
  EXPECT_EQ(box->stored, std::vector<std::string>{"0,1=xyz"});
  EXPECT_EQ(box->selectedRow, -1);
}

TEST_F(BoxTest, FocusNextWalksTheSelectableCells) {
  T_TestBox* box = NewBox({60, 60});
  box->SetRows({{"a", "b"}, {"c", "d"}, {"e", "f"}});
  box->refused = {{{1, 0}, true}};
  box->SetSelectMode(kSelectEdit);
  struct Case {
    int64_t row;
    int32_t field;
    int32_t direction;
    bool found;
    int64_t toRow;
    int32_t toField;
  } cases[] = {
      {0, 1, 0, true, 1, 1},   // forward skips the refused cell
      {1, 1, 4, true, 0, 1},   // backward skips it too
      {0, 0, 1, true, 2, 0},   // down in the same field, over the refused row
      {2, 1, 5, true, 1, 1},   // up
      {2, 1, 0, false, -1, -1},  // forward from the last cell
      {0, 0, 5, false, -1, -1},  // up from the first row
  };
  for (const Case& c : cases) {
    box->SelectEditCell(c.row, c.field);
    EXPECT_EQ(box->FocusNextCell(c.direction), c.found) << c.row << "," << c.field << " " << c.direction;
    EXPECT_EQ(box->selectedRow, c.toRow);
    EXPECT_EQ(box->selectedField, c.toField);
  }
  // Up on the first row does nothing; a click on a refused cell keeps the selection.
  box->SelectEditCell(0, 0);
  InputEvent up;
  up.keyCode = kKeyUp;
  EXPECT_TRUE(box->GridKeyDown(&up));
  EXPECT_EQ(box->selectedRow, 0);
  InputEvent click;
  click.x = 5;
  click.y = 14 + 3;
  click.rightButton = click.anyButton = 1;
  box->ClickGrid(&click);
  EXPECT_EQ(box->selectedRow, 0);
  EXPECT_EQ(box->selectedField, 0);
}

TEST_F(BoxTest, RangeModeArrowsAndShift) {
  T_TestBox* box = NewBox({60, 60, 60});
  box->SetRows({{"a", "b", "c"}, {"d", "e", "f"}, {"g", "h", "i"}});
  box->SetSelectMode(kSelectRange);
  InputEvent key;
  key.keyCode = kKeyDown;
  EXPECT_TRUE(box->GridKeyDown(&key));  // no range: the first cell
  EXPECT_EQ(box->rangeEndRow, 0);
  EXPECT_EQ(box->rangeEndField, 0);
  key.keyCode = kKeyRight;
  box->GridKeyDown(&key);
  key.keyCode = kKeyDown;
  key.shift = 1;
  box->GridKeyDown(&key);
  EXPECT_EQ(box->rangeAnchorRow, 0);
  EXPECT_EQ(box->rangeAnchorField, 1);
  EXPECT_EQ(box->rangeEndRow, 1);
  EXPECT_TRUE(box->CellInRange(1, 1));
  EXPECT_FALSE(box->CellInRange(1, 0));
  key.shift = 0;
  box->GridKeyDown(&key);
  EXPECT_EQ(box->rangeAnchorRow, 2);
  box->SelectCell(-1, -1, false);
  EXPECT_FALSE(box->HasRange());
}

TEST_F(BoxTest, RangeDragScrollsAfter450MsThenEvery100) {
  T_TestBox* box = NewBox({60, 60});
  box->SetRows(std::vector<Row>(200, Row{"x", "y"}));
  box->SetSelectMode(kSelectRange);
  int32_t below = box->GridVisibleHeight() + 20;
  // 10 ms a poll: one row at once, none until 450 ms, then one step every 100 ms.
  std::vector<ui_test::PointerStep> steps(60, ui_test::PointerStep{5, below, true});
  ui_test::SetScript(steps);
  InputEvent press;
  press.x = 5;
  press.y = 3;
  press.leftButton = press.anyButton = 1;
  EXPECT_TRUE(box->ClickCell(&press, 0, 0, kToolRange));
  // 60 polls = 600 ms: the first row at once, then steps at 450 and 550 ms of 22/16 + 1 = 2 rows.
  EXPECT_EQ(box->GetTopRow(), 1 + 2 + 2);
  EXPECT_EQ(box->rangeAnchorRow, 0);
  EXPECT_EQ(box->rangeEndRow, box->GetLastVisibleRow());
}

class T_RangeBox : public T_TestBox {
 public:
  int32_t GetEffectiveTool(InputEvent*) override { return kToolRange; }
};

std::vector<std::string> draggedTexts;

TEST_F(BoxTest, APressHeld800MsDragsTheRangeAndAMovedOneSelects) {
  BoxWinServices services{};
  services.ticks = ui_test::Ticks;
  services.startDrag = [](T_BoxWin*, const TransferList* list) {
    for (TransferItem* item = list->first; item; item = item->next)
      draggedTexts.push_back(std::to_string(item->kind) + ":" + item->text.data);
  };
  SetBoxWinServices(&services);
  auto* box = new T_RangeBox();
  box->Build({60, 60});
  EventHandler_Open(box);
  box->SetRows({{"a", "b"}, {"c", "d"}});
  box->SetSelectMode(kSelectRange);
  box->SelectCell(0, 0, false);
  box->SelectCell(1, 1, true);
  InputEvent press;
  press.x = 70;
  press.y = 3;
  press.leftButton = press.anyButton = 1;
  // Held still (10 ms a poll): the drag starts with the range as text and as cells.
  draggedTexts.clear();
  ui_test::SetScript(std::vector<ui_test::PointerStep>(100, ui_test::PointerStep{71, 4, true}));
  EXPECT_TRUE(box->PreviewGridClick(&press));
  EXPECT_EQ(draggedTexts,
            (std::vector<std::string>{"1:a\tb\r\nc\td\r\n", "2:a\tb\r\nc\td\r\n"}));
  // Moved at once: no drag; the press is left to the click.
  draggedTexts.clear();
  ui_test::SetScript({{75, 9, true}, {75, 9, false}});
  EXPECT_FALSE(box->PreviewGridClick(&press));
  EXPECT_TRUE(draggedTexts.empty());
  // Released before 800 ms: a click as well.
  ui_test::SetScript(std::vector<ui_test::PointerStep>(30, ui_test::PointerStep{70, 3, true}));
  EXPECT_FALSE(box->PreviewGridClick(&press));
  EXPECT_TRUE(draggedTexts.empty());
  // Within a minute of the last drag 400 ms are enough.
  ui_test::SetScript(std::vector<ui_test::PointerStep>(45, ui_test::PointerStep{70, 3, true}));
  EXPECT_TRUE(box->PreviewGridClick(&press));
  EXPECT_EQ(draggedTexts.size(), 2u);
}

TEST_F(BoxTest, TheCellContextMenuFollowsTheSelection) {
  T_TestBox* box = NewBox({60});
  box->SetRows({{"abcd"}});
  box->SetSelectMode(kSelectEdit);
  box->SelectEditCell(0, 0);
  box->HideEditOverlay();
  auto list = [&]() {
    ContextMenuRecord record;
    record.owner = box->grid;
    box->grid->ContextMenu(&record, kMenuPhaseList);
    std::vector<uint16_t> ids;
    for (const uint16_t* p = record.commands.list; p && *p; ++p) ids.push_back(*p);
    return ids;
  };
  box->editSelStart = 1;
  box->editSelLength = 2;
  std::vector<uint16_t> partial = list();
  for (uint16_t id : {213, 214, 216, 217, 218})
    EXPECT_NE(std::find(partial.begin(), partial.end(), id), partial.end()) << id;
  box->editSelLength = 0;
  std::vector<uint16_t> caret = list();
  for (uint16_t id : {213, 214, 216, 217})
    EXPECT_EQ(std::find(caret.begin(), caret.end(), id), caret.end()) << id;
  // Running "Select All" selects the whole text.
  ContextMenuRecord run;
  run.owner = box->grid;
  run.entry = 218;
  box->grid->ContextMenu(&run, kMenuPhaseRun);
  EXPECT_EQ(box->editSelLength, 4u);
}

std::vector<std::string> opened;

TEST_F(BoxTest, APressOnALinkInACellFollowsIt) {
  SetShellOpenHook([](const char* target) {
    opened.push_back(target);
    return true;
  });
  T_TestBox* box = NewBox({200, 60});
  T_TextBuf link;
  LinkText_FileLinkMarkup(&link, "C:\\Reports\\Invoice.pdf");
  box->SetRows({{link.data, "x"}, {"plain", "y"}});
  box->GetField(0)->linkMode = 1;
  box->SetSelectMode(kSelectEdit);
  opened.clear();
  ui_test::SetScript({{10, 5, true}, {10, 5, false}});
  InputEvent press;
  press.x = 10;
  press.y = 5;
  press.leftButton = press.anyButton = 1;
  EXPECT_TRUE(box->ClickGrid(&press));
  EXPECT_EQ(opened.size(), 1u);
  EXPECT_EQ(box->selectedRow, -1);  // the link was followed, the cell not selected
  // A press on a plain cell selects it.
  press.y = 19;
  ui_test::SetScript({{10, 19, true}, {10, 19, false}});
  EXPECT_TRUE(box->ClickGrid(&press));
  EXPECT_EQ(box->selectedRow, 1);
  SetShellOpenHook(nullptr);
}

TEST_F(BoxTest, ADropOnAnotherCellStoresAtOnce) {
  T_TestBox* box = NewBox({60, 60});
  box->SetRows({{"a", "b"}, {"c", "d"}});
  box->SetSelectMode(kSelectEdit);
  box->SelectEditCell(0, 0);
  InputEvent over;
  over.x = 70;
  over.y = 16;
  box->DragCells(&over, kDragMoved, kTransferText);
  EXPECT_EQ(box->dragRow, 1);
  EXPECT_EQ(box->dragField, 1);
  TransferList list;
  DragData_Init(&list);
  DragData_Add(&list, kTransferText, "dropped ");
  box->caretTextPosition = 0;
  EXPECT_TRUE(box->DropOnGrid(&list));
  DragData_Free(&list);
  EXPECT_EQ(box->stored, std::vector<std::string>{"1,1=dropped d"});
  EXPECT_EQ(box->selectedRow, 0);  // the edited cell stays selected
}

TEST(BoxPanel, ChooserMappingsAndChartSizes) {
  EXPECT_EQ(GridChooserEntries(kWindowComponents), 10);
  EXPECT_EQ(GridChooserEntries(kWindowLines), 8);
  struct Case {
    int64_t entry;
    int32_t mode;
  } cases[] = {{0, 0}, {5, 5}, {6, -1}, {7, 6}, {8, 7}, {9, 8}};
  for (const Case& c : cases) {
    EXPECT_EQ(GridModeOfEntry(c.entry), c.mode) << c.entry;
    if (c.mode >= 0) {
      EXPECT_EQ(GridEntryOfMode(static_cast<uint32_t>(c.mode)), c.entry);
    }
  }
  EXPECT_EQ(GridEntryTextId(6), 0);
  EXPECT_EQ(CopyCommandLabel(0), 2517);
  for (uint32_t mode : {1u, 2u, 3u, 4u}) EXPECT_EQ(CopyCommandLabel(mode), 2518);
  struct Size {
    const char* text;
    uint32_t value;
  } sizes[] = {{"47", 0}, {"48", 48}, {"300", 300}, {"-60", 0}, {"12ab", 0}, {"abc", 0}, {"", 0}};
  for (const Size& s : sizes) EXPECT_EQ(ChartSizeFromText(s.text), s.value) << s.text;
}

TEST_F(BoxTest, CheckboxIdsSetTheirOptions) {
  T_TestBox* box = NewBox({60});
  struct Out {
    uint32_t id;
    uint8_t OutputOptions::*flag;
  } outputs[] = {{319, &OutputOptions::excludeQuotes}, {321, &OutputOptions::windowTitle},
                 {322, &OutputOptions::notes},         {323, &OutputOptions::definition},
                 {324, &OutputOptions::columnTitles},  {325, &OutputOptions::headerRows},
                 {326, &OutputOptions::dataRows},      {333, &OutputOptions::separateDimensions},
                 {335, &OutputOptions::entityNames},   {336, &OutputOptions::columnWidths}};
  for (const Out& o : outputs) {
    box->ApplyOutputCheckbox(o.id, true);
    EXPECT_EQ(box->output.*o.flag, 1) << o.id;
    box->ApplyOutputCheckbox(o.id, false);
    EXPECT_EQ(box->output.*o.flag, 0) << o.id;
  }
  struct Pr {
    uint32_t id;
    uint8_t PrintOptions::*flag;
  } prints[] = {{303, &PrintOptions::bindingMargin}, {304, &PrintOptions::fillPage},
                {306, &PrintOptions::notes},         {307, &PrintOptions::definition},
                {308, &PrintOptions::columnTitles},  {309, &PrintOptions::headerRows},
                {310, &PrintOptions::dataRows},      {361, &PrintOptions::windowTitle},
                {362, &PrintOptions::dateTime}};
  for (const Pr& p : prints) {
    box->ApplyPrintCheckbox(p.id, false);
    EXPECT_EQ(box->print.*p.flag, 0) << p.id;
    box->ApplyPrintCheckbox(p.id, true);
    EXPECT_EQ(box->print.*p.flag, 1) << p.id;
  }
  // Each page opens and closes with its items.
  for (int32_t page : {kPanelSubsets, kPanelPrinting, kPanelExport, kPanelNotes}) {
    box->OpenPanelPage(page);
    EXPECT_EQ(box->openPanelPage, page);
    EXPECT_GT(box->panelItemCount, 0) << page;
  }
  box->ClosePanelPage();
  EXPECT_EQ(box->panelItemCount, 0);
}

TEST_F(BoxTest, SubsetsGoToTheClipboardAndComeBack) {
  T_TestBox* box = NewBox({60});
  ASSERT_NE(SubsetCreate(&box->subsets, "North"), nullptr);
  box->OpenPanelPage(kPanelSubsets);
  EXPECT_TRUE(box->DoCommand(-7));
  EXPECT_TRUE(box->DoCommand(-6));
  EXPECT_EQ(box->subsets.count, 2);
  EXPECT_NE(box->subsets.first->name, nullptr);
  EXPECT_STRNE(box->subsets.first->name, box->subsets.first->next->name);
  // A clipboard text without subset blocks adds nothing.
  ClipboardSetText("## Selection\r\nnothing here", 26, 0);
  EXPECT_EQ(box->PasteSubsets(), 0);
  EXPECT_EQ(box->subsets.count, 2);
}

std::vector<int32_t> enabledCommands;

TEST_F(BoxTest, UpdateCommandsEnablesByRowsFieldsAndSelection) {
  static MenuOperations menus{};
  menus.enableCommand = [](int32_t command, bool on) {
    if (on) enabledCommands.push_back(command);
  };
  static int32_t copyLabel = 0;
  menus.setCommandTitle = [](int32_t command, int32_t textId) {
    if (command == 18) copyLabel = textId;
  };
  SetMenuOperations(&menus);
  T_TestBox* box = NewBox({60});
  auto has = [](int32_t c) {
    return std::find(enabledCommands.begin(), enabledCommands.end(), c) != enabledCommands.end();
  };
  enabledCommands.clear();
  box->UpdateCommands();
  EXPECT_FALSE(has(17));
  EXPECT_TRUE(has(24));
  box->SetRows({{"a"}});
  enabledCommands.clear();
  box->UpdateCommands();
  EXPECT_TRUE(has(17) && has(18) && has(kCommandPrint) && has(24));
  EXPECT_EQ(copyLabel, 2517);
  box->viewMode = 2;
  enabledCommands.clear();
  box->UpdateCommands();
  EXPECT_FALSE(has(24));
  EXPECT_EQ(copyLabel, 2518);
  // A selected cell: the text commands follow its selection.
  box->viewMode = 0;
  box->rows = {{"abc"}};
  box->SetSelectMode(kSelectEdit);
  box->SelectEditCell(0, 0);
  box->HideEditOverlay();
  box->editSelStart = 1;
  box->editSelLength = 1;
  enabledCommands.clear();
  box->UpdateCommands();
  for (int32_t c : {-8, -7, -5, -4, kCommandSelectAll}) EXPECT_TRUE(has(c)) << c;
  box->editSelStart = 0;
  box->editSelLength = 3;
  enabledCommands.clear();
  box->UpdateCommands();
  EXPECT_FALSE(has(kCommandSelectAll));
  box->editSelLength = 0;
  enabledCommands.clear();
  box->UpdateCommands();
  for (int32_t c : {-8, -7, -5, -4}) EXPECT_FALSE(has(c)) << c;
  SetMenuOperations(nullptr);
}

TEST_F(BoxTest, SaveToTemplateAndBack) {
  T_TestBox* box = NewBox({60});
  box->gridMode = 3;
  box->verticalGridLines = 1;
  box->output.format = kOutputHtml;
  box->output.fieldSeparator = ';';
  box->print.pageNumbers = kPageNumbersOfTotal;
  box->print.bindingMargin = 1;
  BlockTextAssign(&box->notes, "Kept\rnotes");
  T_BoxTmpl templ(kTemplateLines, nullptr);
  box->SaveToTemplate(&templ);
  EXPECT_EQ(box->sizeApplied, 0);
  T_OStream stream;
  templ.WriteText(&stream);
  T_BoxTmpl back(kTemplateLines, nullptr);
  std::string text = StreamText(stream);
  ASSERT_NE(text.find("xew"), std::string::npos) << text;
  back.output = templ.output;
  PrintOptionsCopy(&back.print, &templ.print);
  BlockTextAssign(&back.notes, templ.notes);
  back.gridMode = templ.gridMode;
  back.verticalGridLines = templ.verticalGridLines;
  RECT rect{10, 10, 300, 200};
  T_BoxWin restored(kWindowLines, &rect, &back, 0, nullptr, 0);
  EXPECT_EQ(restored.gridMode, 3u);
  EXPECT_EQ(restored.verticalGridLines, 1);
  EXPECT_EQ(restored.output.format, kOutputHtml);
  EXPECT_EQ(restored.output.fieldSeparator, ';');
  EXPECT_EQ(restored.print.pageNumbers, kPageNumbersOfTotal);
  EXPECT_EQ(restored.print.bindingMargin, 1);
  EXPECT_STREQ(restored.notes, "Kept\rnotes");
  // Options out of range take their defaults.
  back.viewMode = 9;
  back.gridMode = 12;
  back.output.format = 7;
  back.print.pageNumbers = 8;
  T_BoxWin defaulted(kWindowLines, &rect, &back, 0, nullptr, 0);
  EXPECT_EQ(defaulted.viewMode, 0u);
  EXPECT_EQ(defaulted.gridMode, 0u);
  EXPECT_EQ(defaulted.output.format, kOutputText);
  EXPECT_EQ(defaulted.print.pageNumbers, kPageNumbersWithTotal);
}

}  // namespace
