// The lines window's Selection, Columns and Options pages, the "Selection" tab's menu with the
// windows it opens over the selection, the change note of a calculation, and the cards window a
// rectangle drawn on the diagram opens with its interval.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "analysis/cards/cards_template.h"
#include "analysis/time/lines_header_page.h"
#include "database/object_services.h"
#include "tests/analysis/time/window/lines_window_fixture.h"
#include "tests/ui/scripted_pointer.h"
#include "ui/button.h"
#include "ui/chooser.h"
#include "ui/item.h"
#include "ui/document_window.h"
#include "ui/list_box.h"
#include "ui/mode_tree.h"
#include "ui/popup_menu.h"
#include "ui/value_choosers.h"

namespace {

using lines_test::Cells;
using lines_test::LinesWindowTest;

constexpr double kInf = std::numeric_limits<double>::infinity();

std::vector<std::string>& Opened() {
  static std::vector<std::string> texts;
  return texts;
}

T_HWindow* Record(T_Template* t, T_Template*, int32_t) {
  Opened().push_back(time_test::WriteTemplate(t));
  return nullptr;
}

class LinesPagesTest : public LinesWindowTest {
 protected:
  void SetUp() override {
    LinesWindowTest::SetUp();
    SetTemplateConstructor(kTemplateCards, NewCardsTemplate);
    SetWindowOpener(kTemplateCards, Record);
    SetWindowOpener(kTemplateLines, Record);
    Opened().clear();
  }
  void TearDown() override {
    SetWindowOpener(kTemplateCards, nullptr);
    SetTemplateConstructor(kTemplateCards, nullptr);
    LinesWindowTest::TearDown();
  }
  // An item of the open page by its id.
  T_GrafElement* PageItem(uint32_t id) {
    for (int32_t i = 0; i < window->panelItemCount; ++i) {
      if (T_GrafElement* found = Find(window->panelItems[i], id)) return found;
    }
    return nullptr;
  }
  static T_GrafElement* Find(T_GrafElement* element, uint32_t id) {
    auto* item = dynamic_cast<T_Item*>(element);
    if (item && item->id == id) return element;
    for (T_GrafElement* child = element->firstChild; child; child = child->next)
      if (T_GrafElement* found = Find(child, id)) return found;
    return nullptr;
  }
  int64_t ListLineOf(int32_t code) {
    for (int64_t i = 0; i < window->ColumnListCount(); ++i)
      if (window->ColumnListCode(i) == code) return i;
    return -1;
  }
};

TEST_F(LinesPagesTest, ColumnsPageChoosesShowsAndFormatsAColumn) {
  Open();
  window->OpenColumnsPage();
  EXPECT_EQ(window->openPanelPage, kLinesColumnsPage);
  ASSERT_NE(window->columnList, nullptr);
  std::vector<int32_t> codes;
  for (int64_t i = 0; i < window->ColumnListCount(); ++i) codes.push_back(window->ColumnListCode(i));
  // Both dimensions have components; two value columns; no file origins.
  EXPECT_EQ(codes, (std::vector<int32_t>{kLinesCardId, kLinesDate, kLinesCardTitle, kLinesDimFirst,
                                         kLinesDimFirst + 1, kLinesLineText, kLinesValueFirst,
                                         kLinesValueFirst + 1, kLinesAccumulated}));
  EXPECT_EQ(window->chosenColumn, kLinesAccumulated);
  // A line chosen in the list becomes the chosen column; "Show" hides it.
  LineboxEvent chosen;
  chosen.code = kLineSelected;
  chosen.flag = 1;
  chosen.index = ListLineOf(kLinesLineText);
  window->OnLineboxEvent(window->columnList, &chosen);
  EXPECT_EQ(window->chosenColumn, kLinesLineText);
  ASSERT_NE(window->showBox, nullptr);
  EXPECT_TRUE(window->showBox->checked);
  window->showBox->SetChecked(false);
  window->OnCheckbox(window->showBox);
  EXPECT_EQ(window->columnFields[kLinesLineText], nullptr);
  EXPECT_EQ(window->options.columns[kLinesLineText].shown, 0);
  // The decimals of value 1, and its negative style.
  chosen.index = ListLineOf(kLinesValueFirst);
  window->OnLineboxEvent(window->columnList, &chosen);
  auto* decimals = dynamic_cast<T_ChooseDecs*>(PageItem(67));
  ASSERT_NE(decimals, nullptr);
  decimals->SelectCode(0);
  decimals->SetSelection(decimals->current, kSelectReportAlways);
  EXPECT_EQ(window->options.columns[kLinesValueFirst].decimals, 0);
  EXPECT_EQ(Cell(window->headerRowCount + 1, kLinesValueFirst), "-30");
  auto* negative = dynamic_cast<T_Chooser*>(PageItem(68));
  ASSERT_NE(negative, nullptr);
  negative->SetSelection(2, kSelectReport);
  EXPECT_EQ(Cell(window->headerRowCount + 1, kLinesValueFirst), "(30)");
  // The accumulated column's chooser takes value 2, hidden until now, in value 1's place.
  chosen.index = ListLineOf(kLinesAccumulated);
  window->OnLineboxEvent(window->columnList, &chosen);
  auto* accumulated = dynamic_cast<T_Chooser*>(PageItem(62));
  ASSERT_NE(accumulated, nullptr);
  accumulated->SetSelection(1, kSelectReport);
  EXPECT_EQ(window->options.accumulated, 1);
  EXPECT_EQ(window->columnFields[kLinesValueFirst], nullptr);
  EXPECT_NE(window->columnFields[kLinesValueFirst + 1], nullptr);
  EXPECT_TRUE(window->CalcButtonEnabled());
  window->CalculateLines(false);
  EXPECT_EQ(Column(kLinesAccumulated), (Cells{"1.00", "3.00", "6.00", "10.00", "15.00"}));
}

TEST_F(LinesPagesTest, OptionsPageSetsCardInfoAndTheSortKeys) {
  Open();
  window->OpenOptionsPage();
  EXPECT_EQ(window->openPanelPage, kLinesOptionsPage);
  auto* info = dynamic_cast<T_Chooser*>(PageItem(kCardInfoChooser));
  ASSERT_NE(info, nullptr);
  info->SetSelection(1, kSelectReport);
  EXPECT_EQ(window->options.cardInfo, 1);
  EXPECT_EQ(Column(kLinesCardId)[2], "");
  // The one key's column chooser: value 1, descending by default.
  auto* column = dynamic_cast<T_Chooser*>(PageItem(kSortColumnChooser));
  ASSERT_NE(column, nullptr);
  int64_t valueItem = -1;
  for (int32_t i = 0; i < window->columnOrderCount; ++i)
    if (window->columnOrder[i] == kLinesValueFirst) valueItem = i;
  column->SetSelection(valueItem, kSelectReport);
  EXPECT_EQ(window->options.sortKeys[0].column, kLinesValueFirst);
  EXPECT_EQ(window->lastSortKind, kLinesSortGeneral);
  EXPECT_EQ(Column(kLinesLineText), (Cells{"opening", "bank", "deposit", "sale b", "sale a"}));
  // Its order chooser: ascending (the sixth value order).
  auto* order = dynamic_cast<T_Chooser*>(PageItem(kSortOrderChooser));
  ASSERT_NE(order, nullptr);
  EXPECT_EQ(order->count, 6);
  order->SetSelection(5, kSelectReport);
  EXPECT_EQ(Column(kLinesLineText)[0], "sale a");
  // Adding a key counts in the next one; removing the only key goes back to card order.
  window->OnButton(window->addKeyButton);
  EXPECT_EQ(window->options.sortKeyCount, 2);
  EXPECT_NE(PageItem(kSortColumnChooser + 2), nullptr);
  window->OnButton(window->removeKeyButton);
  window->OnButton(window->removeKeyButton);
  EXPECT_EQ(window->options.sortKeyCount, 0);
  EXPECT_EQ(window->options.sortKeys[0].column, kLinesCardId);
  EXPECT_FALSE(window->removeKeyButton->enabled);
  EXPECT_EQ(window->lastSortKind, kLinesSortNone);
  EXPECT_EQ(Column(kLinesLineText)[0], "opening");
}

// The columns page's list follows the height of the panel above the rows.
TEST_F(LinesPagesTest, TheColumnListFollowsTheHeaderHeight) {
  Open();
  window->OpenColumnsPage();
  ASSERT_NE(window->columnList, nullptr);
  const int32_t before = window->columnList->height;
  LayoutChange change;
  change.header = 30;
  window->ScrollRows(&change);
  EXPECT_EQ(window->columnList->height, before + 30);
  change.header = -30;
  window->ScrollRows(&change);
  EXPECT_EQ(window->columnList->height, before);
}

// A key row dragged by its grip to another place: the keys between shift and the rows re-sort.
TEST_F(LinesPagesTest, ASortKeyIsDraggedByItsGripToAnotherPlace) {
  Open();
  window->options.sortKeys[0] = LinesSortKey{kLinesValueFirst, 0, 0, 0, 5};
  window->options.sortKeys[1] = LinesSortKey{kLinesLineText, 0, 0, 0, 0};
  window->options.sortKeyCount = 2;
  window->ResortAfterKeyChange();
  window->OpenOptionsPage();
  T_GrafElement* first = PageItem(kSortColumnChooser);
  T_GrafElement* second = PageItem(kSortColumnChooser + 2);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  auto* frame = dynamic_cast<T_GrafElement*>(first->parent);
  ASSERT_NE(frame, nullptr);
  SetItemPointerSource(ui_test::ScriptedPointer);
  ui_test::SetScript({{5, first->y + 6, true}, {5, first->y - 30, false}});
  InputEvent press;
  press.x = 5;
  press.y = second->y + 6;
  press.leftButton = press.anyButton = 1;
  EXPECT_TRUE(frame->MouseDown(&press, frame));
  SetItemPointerSource(nullptr);
  EXPECT_EQ(window->options.sortKeys[0].column, kLinesLineText);
  EXPECT_EQ(window->options.sortKeys[1].column, kLinesValueFirst);
  EXPECT_EQ(Column(kLinesLineText), (Cells{"bank", "deposit", "opening", "sale a", "sale b"}));
  // A key moved onto itself or past the last key changes nothing.
  EXPECT_FALSE(window->MoveSortKey(1, 1));
  EXPECT_FALSE(window->MoveSortKey(0, 2));
}

TEST_F(LinesPagesTest, TheSelectionTabOpensItsPageAndItsMenu) {
  Open([](T_LinesTmpl* t) { Selection_readAttributes(&t->selection, "dim1", "3010"); });
  window->SelectModeById(kLinesSelectionPage);
  EXPECT_EQ(window->openPanelPage, kLinesSelectionPage);
  // The list of the tab's menu.
  ContextMenuRecord record;
  record.owner = window->modeBox;
  ASSERT_TRUE(window->OnModeboxMenu(window->modeBox, &record));
  std::vector<uint16_t> ids;
  for (const uint16_t* id = record.commands.list; id && *id; ++id) ids.push_back(*id);
  EXPECT_EQ(ids.size(), 8u);
  EXPECT_EQ(ids[0], 214);
  EXPECT_EQ(ids.back(), kOpenComponentFunctions);
  // The kinds without a template class of their own stay disabled.
  for (uint16_t id : {kOpenCards, kOpenLines, kOpenComponents}) {
    record.phase = kMenuPhaseMeasure;
    record.entry = id;
    record.selectable = 1;
    window->OnModeboxMenu(window->modeBox, &record);
    EXPECT_EQ(record.selectable, id == kOpenComponents ? 0 : 1) << id;
  }
  EXPECT_FALSE(window->RunSelectionCommand(kOpenComponents));
  // "» Lines": the selection, this window's options and value 1 as the only value column.
  window->options.statistics[kStatMedian] = 1;
  ASSERT_TRUE(window->RunSelectionCommand(kOpenLines));
  ASSERT_EQ(Opened().size(), 1u);
  EXPECT_NE(Opened()[0].find("BD1\t3010"), std::string::npos) << Opened()[0];
  EXPECT_NE(Opened()[0].find("H\tE\n"), std::string::npos) << Opened()[0];
  EXPECT_NE(Opened()[0].find(",VA,S\n"), std::string::npos) << Opened()[0];
  // "» Cards": the selection in a copy of the default cards template.
  ASSERT_TRUE(window->RunSelectionCommand(kOpenCards));
  ASSERT_EQ(Opened().size(), 2u);
  EXPECT_NE(Opened()[1].find("BD1\t3010"), std::string::npos) << Opened()[1];
  // Another page takes the selection fields away.
  window->SelectModeById(kLinesColumnsPage);
  EXPECT_EQ(window->openPanelPage, kLinesColumnsPage);
}

TEST_F(LinesPagesTest, ACalculationTellsTheDatabaseItsWindowCalculated) {
  static std::vector<int32_t> codes;
  codes.clear();
  DocumentOperations operations = CurrentDocumentOperations();
  const DocumentOperations saved = operations;
  operations.notifyChange = [](const ChangeNote* note) { codes.push_back(note->code); };
  SetDocumentOperations(&operations);
  Open();
  SetDocumentOperations(&saved);
  EXPECT_NE(std::find(codes.begin(), codes.end(), kChangeWindowCalculated), codes.end());
}

// --- The cards window over a diagram range
// ----------------------------------------------------------

TEST(LinesInterval, TextOfTheFiniteBounds) {
  const struct {
    double lower, upper;
    const char* text;
  } cases[] = {{-5, 50, "-5\xE2\x80\xA6" "50"},
               {2.5, kInf, ">2.5"},
               {-kInf, 1e20, "<1E+20"},
               {-kInf, kInf, ""},
               {std::nan(""), 3, "<3"}};
  for (const auto& c : cases) {
    T_TextBuf text;
    LinesIntervalText(c.lower, c.upper, &text);
    EXPECT_STREQ(text.c_str(), c.text) << c.lower << " " << c.upper;
  }
  // A bound that 15 digits do not give reads back as the same number.
  T_TextBuf text;
  const double upper = 0.1 + 0.2;
  LinesIntervalText(-kInf, upper, &text);
  EXPECT_EQ(std::strtod(text.c_str() + 1, nullptr), upper) << text.c_str();
}

TEST_F(LinesPagesTest, ARangeOpensCardsWithinTheWindowsPeriod) {
  Open([](T_LinesTmpl* t) { Selection_readAttributes(&t->selection, "value", "<>0"); });
  DiagramRange range;
  // Days inside the period narrow it; the values make the interval after the own condition.
  range.from = PackDate(2023, 2, 1);
  range.to = PackDate(2023, 2, 28);
  range.bottom = -5;
  range.top = 50;
  window->OpenCardsOverRange(range);
  // Days beyond the period keep the window's bounds; open values add no interval.
  range.from = PackDate(2020, 1, 1);
  range.to = PackDate(2030, 1, 1);
  range.bottom = -kInf;
  range.top = kInf;
  window->OpenCardsOverRange(range);
  ASSERT_EQ(Opened().size(), 2u);
  const std::string& narrowed = Opened()[0];
  EXPECT_NE(narrowed.find("BC\t230201\t230228\n"), std::string::npos) << narrowed;
  EXPECT_NE(narrowed.find("BVA\t(<>0)&-5\xE2\x80\xA6" "50\n"), std::string::npos) << narrowed;
  const std::string& whole = Opened()[1];
  EXPECT_EQ(whole.find("BC\t"), std::string::npos) << whole;
  EXPECT_NE(whole.find("BVA\t<>0\n"), std::string::npos) << whole;
  // Only the accumulated value column is shown.
  EXPECT_NE(whole.find(",L,VA,D3,"), std::string::npos) << whole;
}

InputEvent g_drag;

TEST_F(LinesPagesTest, ARectangleDrawnOnTheBarsOpensCardsOverIt) {
  Open([](T_LinesTmpl* t) { t->viewMode = 2; });
  window->LayoutForGrid();
  // The first bar ("opening", 100 on 10 January): a press in its middle, a drag to the right
  // and above the plot.
  const int64_t row = window->headerRowCount;
  const int32_t x = window->RowX(row);
  const int32_t y = (window->layout.valueOrigin + ValueToY(window->layout, 100)) / 2;
  int64_t hit = -1;
  ASSERT_TRUE(window->HitDiagram(POINT{x, y}, &hit, nullptr));
  EXPECT_EQ(hit, row);
  InputEvent press;
  press.leftButton = press.anyButton = 1;
  press.x = x;
  press.y = y;
  g_drag = press;
  g_drag.x = x + 40;
  g_drag.y = window->layout.plot.top - 4;
  static int32_t polls;
  polls = 0;
  SetZoomTrackInput([](InputEvent* event) {
    *event = g_drag;
    event->time = 10;
    if (++polls > 2) event->anyButton = event->leftButton = 0;
  });
  window->DragDiagram(&press);
  ASSERT_EQ(Opened().size(), 1u);
  // Above the plot the upper bound stays open: only the lower one is written.
  EXPECT_NE(Opened()[0].find("BVA\t>"), std::string::npos) << Opened()[0];
  // The window's from bound stays; the to bound ends with the rectangle's last day.
  EXPECT_NE(Opened()[0].find("BC\t\t2301"), std::string::npos) << Opened()[0];
}

// A click that stays on a bar opens that row's card with its line selected.
TEST_F(LinesPagesTest, AClickOnABarOpensItsCard) {
  Open([](T_LinesTmpl* t) { t->viewMode = 2; });
  window->LayoutForGrid();
  const int64_t row = window->headerRowCount;
  InputEvent press;
  press.leftButton = press.anyButton = 1;
  press.x = window->RowX(row);
  press.y = (window->layout.valueOrigin + ValueToY(window->layout, 100)) / 2;
  g_drag = press;
  static int32_t polls;
  polls = 0;
  SetZoomTrackInput([](InputEvent* event) {
    *event = g_drag;
    event->time = 10;
    if (++polls > 2) event->anyButton = event->leftButton = 0;
  });
  static int32_t openedLine;
  openedLine = -1;
  ObjectServices services{};
  services.openCardEditor = [](T_Base*, const CardId*, int32_t line) { openedLine = line; };
  SetObjectServices(&services);
  window->DragDiagram(&press);
  SetObjectServices(nullptr);
  SetZoomTrackInput(nullptr);
  EXPECT_EQ(openedLine, 1);
  EXPECT_TRUE(Opened().empty());
}

}  // namespace

namespace {

// One value key sorts its values beside the rows; with a second key that ties everywhere the
// general sort runs: both give the same order under every value order, NaN last.
TEST_F(LinesWindowTest, OneValueKeySortsAsTheGeneralSort) {
  time_test::AddLine(base, time_test::FixtureLine{PackDate(2023, 3, 1), 1, "1910",
                                                  {std::nan(""), 0}, "P1", "missing"});
  time_test::AddLine(base, time_test::FixtureLine{PackDate(2023, 3, 2), 1, "1930", {-100, 0},
                                                  "P1", "refund"});
  Open();
  for (uint8_t order = 0; order < 6; ++order) {
    SCOPED_TRACE(order);
    window->options.sortKeys[0] = LinesSortKey{kLinesValueFirst, 0, 0, 0, order};
    window->options.sortKeyCount = 1;
    window->CalculateLines(false);
    const Cells fast = Column(kLinesLineText);
    const Cells balances = Column(kLinesAccumulated);
    EXPECT_EQ(fast.back(), "missing");
    window->options.sortKeys[1] = LinesSortKey{kLinesCardTitle, 0, 0, 0, 0};
    window->options.sortKeyCount = 2;
    window->CalculateLines(false);
    EXPECT_EQ(window->lastSortKind, kLinesSortGeneral);
    EXPECT_EQ(Column(kLinesLineText), fast);
    EXPECT_EQ(Column(kLinesAccumulated), balances);
  }
}

}  // namespace
