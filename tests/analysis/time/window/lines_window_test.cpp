// The lines window on a small fixture: rows and balances, the sort kinds with their display
// balances, "First Line", the statistic rows' texts, change notes that drop rows, deleting the
// listed lines with the painting of the database's windows held meanwhile, the zoom history and wheel of its diagram, and pictures of the example.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "analysis/cards/cards_install.h"
#include "analysis/cards/cards_template.h"
#include "analysis/cards/cards_window.h"
#include "analysis/time/lines_install.h"
#include "analysis/time/lines_window.h"
#include "core/alert_handlers.h"
#include "database/change_notes.h"
#include "database/template_runner.h"
#include "database/time_scale.h"
#include "database/toolkit_adapter.h"
#include "tests/analysis/boxwin/box_fixture.h"
#include "tests/analysis/time/time_fixture.h"
#include "tests/analysis/time/window/lines_window_fixture.h"
#include "tests/ui/pump_probe.h"
#include "tests/ui/window_picture.h"
#include "tools/make_example/example_database.h"
#include "ui/popup_menu.h"
#include "ui/window_utilities.h"

namespace {

using lines_test::Cells;
using lines_test::LinesWindowTest;
using lines_test::g_beeps;
using time_test::FixtureLine;


TEST_F(LinesWindowTest, RowsInCardOrderWithTheirBalance) {
  Open();
  EXPECT_EQ(window->headerRowCount, 0);
  ASSERT_EQ(window->rowCount, 5);
  EXPECT_EQ(Column(kLinesLineText), (Cells{"opening", "sale a", "bank", "sale b", "deposit"}));
  EXPECT_EQ(Column(kLinesAccumulated), (Cells{"100.00", "70.00", "120.00", "115.00", "135.00"}));
  EXPECT_EQ(Column(kLinesCardId)[0], "230110-001");
  EXPECT_FALSE(window->IsEmpty());
}

TEST_F(LinesWindowTest, StatisticRowsAboveTheLines) {
  Open([](T_LinesTmpl* t) {
    t->options.statistics[kStatPeriod] = 1;
    t->options.statistics[kStatLineCount] = 1;
    t->options.statistics[kStatMaximum] = 1;
    t->options.positiveRate = 5;
  });
  // Period, Number of Lines, Maximum, Interest (+) and the blank row.
  ASSERT_EQ(window->headerRowCount, 5);
  EXPECT_EQ(Cell(0, kLinesCardTitle), "Period:");
  EXPECT_EQ(Cell(0, kLinesValueFirst), "135.00");
  EXPECT_EQ(Cell(1, kLinesValueFirst), "5");
  EXPECT_EQ(Cell(2, kLinesValueFirst), "100.00");
  EXPECT_EQ(Cell(2, kLinesAccumulated), "135.00");  // the largest balance
  EXPECT_EQ(Cell(3, kLinesCardTitle), "Interest (+):");
  EXPECT_EQ(Cell(3, kLinesLineText), "5 %");
  EXPECT_EQ(Cell(4, kLinesCardTitle), "");
}

TEST_F(LinesWindowTest, SortKindsAndTheirBalances) {
  const struct {
    const char* name;
    LinesSortKey keys[2];
    int32_t count;
    int32_t kind;
    Cells texts;
    Cells balances;
  } cases[] = {
      {"card id descending",
       {{kLinesCardId, 1}},
       1,
       kLinesSortCardsReversed,
       {"deposit", "sale b", "sale a", "bank", "opening"},
       {"135.00", "115.00", "70.00", "120.00", "100.00"}},
      {"date descending",
       {{kLinesDate, 1}},
       1,
       kLinesSortDatesReversed,
       {"deposit", "sale a", "bank", "sale b", "opening"},
       {"135.00", "70.00", "120.00", "115.00", "100.00"}},
      {"value 1 descending",
       {{kLinesValueFirst, 0, 0, 0, 0}},
       1,
       kLinesSortGeneral,
       {"opening", "bank", "deposit", "sale b", "sale a"},
       {"100.00", "150.00", "170.00", "165.00", "135.00"}},
      {"value 1 ascending, ties by card order",
       {{kLinesValueFirst, 0, 0, 0, 5}},
       1,
       kLinesSortGeneral,
       {"sale a", "sale b", "deposit", "bank", "opening"},
       {"-30.00", "-35.00", "-15.00", "35.00", "135.00"}},
      {"product in tree order",
       {{kLinesDimFirst + 1, 0, 0}},
       1,
       kLinesSortByComponent,
       {"sale a", "deposit", "opening", "sale b", "bank"},
       {"-30.00", "-10.00", "90.00", "85.00", "135.00"}},
      {"product reversed, then card id",
       {{kLinesDimFirst + 1, 0, 1}, {kLinesCardId, 0}},
       2,
       kLinesSortByComponent,
       {"bank", "opening", "sale b", "sale a", "deposit"},
       {"50.00", "150.00", "145.00", "115.00", "135.00"}},
      {"product by text",
       {{kLinesDimFirst + 1, 0, 3}},
       1,
       kLinesSortGeneral,
       {"sale a", "deposit", "opening", "sale b", "bank"},
       {"-30.00", "-10.00", "90.00", "85.00", "135.00"}},
  };
  Open([](T_LinesTmpl* t) { t->options.columns[kLinesDimFirst + 1].shown = 1; });
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (int32_t k = 0; k < c.count; ++k) window->options.sortKeys[k] = c.keys[k];
    window->options.sortKeyCount = c.count;
    window->CalculateLines(false);
    EXPECT_EQ(window->lastSortKind, c.kind);
    EXPECT_EQ(Column(kLinesLineText), c.texts);
    EXPECT_EQ(Column(kLinesAccumulated), c.balances);
  }
}

TEST_F(LinesWindowTest, FirstLineShowsTheCardOncePerRun) {
  Open([](T_LinesTmpl* t) { t->options.cardInfo = 1; });
  EXPECT_EQ(Column(kLinesCardId),
            (Cells{"230110-001", "230205-001", "", "230205-002", "230301-001"}));
  // A sort that separates a card's lines shows the card again at each run.
  window->options.sortKeys[0] = LinesSortKey{kLinesValueFirst, 0, 0, 0, 0};
  window->CalculateLines(false);
  EXPECT_EQ(Column(kLinesCardId),
            (Cells{"230110-001", "230205-001", "230301-001", "230205-002", "230205-001"}));
}

TEST_F(LinesWindowTest, ChangedCardsDropTheRowsAtOnce) {
  Open();
  ChangeNote note;
  note.code = 28;
  note.database = base;
  window->OnChange(&note);
  EXPECT_EQ(window->rowCount, window->headerRowCount);
  window->CalculateLines(true);
  EXPECT_EQ(window->rowCount, 5);
}

TEST_F(LinesWindowTest, DeleteDataRemovesTheListedLines) {
  T_NoAlerts quiet;
  Open([](T_LinesTmpl* t) { SelectionDef_setComponentText(&t->selection, 0, "3010"); });
  ASSERT_EQ(window->rowCount, 2);
  window->DeleteData(false);
  EXPECT_EQ(window->rowCount, 0);
  window->CalculateLines(true);
  EXPECT_EQ(window->rowCount, 0);
  EXPECT_EQ(base->lineCount, 3);
}

// A cards window open on the same lines as the lines window that deletes them, and a window of
// another database: while the deletion lets paints through (every 256 lines) and until its note
// has gone out, no window of the database paints rows that may point at freed lines or removed
// cards; the other database's window paints on, and afterwards both windows paint again.
TEST_F(LinesWindowTest, DeleteDataHoldsThePaintingOfEveryWindowOfTheDatabase) {
  T_NoAlerts quiet;
  for (int32_t day = 1; day <= 28; ++day) {
    for (int32_t card = 1; card <= 12; ++card) {
      for (const char* account : {"1910", "3010"})
        time_test::AddLine(base, {PackDate(2024, 1, day), card, account, {1, 1}, "P1", "x"});
    }
  }
  ASSERT_GT(base->lineCount, 600);
  Open();
  InstallCards();
  T_CardsTmpl cardsTemplate(base);
  cardsTemplate.SetDefaults();
  auto* cards = static_cast<T_Cards*>(OpenCardsWindow(&cardsTemplate, nullptr, 1));
  ASSERT_NE(cards, nullptr);
  cards->templ = nullptr;
  cards->RunCalculation(true, true);
  ASSERT_GT(cards->rowCount, 0);
  T_Base* other = time_test::NewFixtureBase(2);
  T_CardsTmpl otherTemplate(other);
  otherTemplate.SetDefaults();
  auto* elsewhere = static_cast<T_Cards*>(OpenCardsWindow(&otherTemplate, nullptr, 1));
  ASSERT_NE(elsewhere, nullptr);
  elsewhere->templ = nullptr;

  int32_t unheld = 0;
  const int64_t before = base->lineCount;
  ui_test::PumpProbe probe([&] {
    if (base->lineCount == before) return;  // the card editors' walk, before the first deletion
    unheld += !cards->PaintHeld() + !window->PaintHeld() + elsewhere->PaintHeld();
  });
  probe.Arm();
  window->DeleteData(false);
  probe.Disarm();
  EXPECT_GE(probe.runs, 2) << "the deletion pumps every 256 lines";
  EXPECT_EQ(unheld, 0);
  EXPECT_FALSE(cards->PaintHeld());
  EXPECT_FALSE(window->PaintHeld());
  EXPECT_EQ(base->lineCount, 0);
  // The note went out inside the hold: the cards window dropped the rows of the freed lines.
  EXPECT_EQ(cards->rowCount, 0);
  EventHandler_CloseAndDelete(cards, 3);
  EventHandler_CloseAndDelete(elsewhere, 3);
  delete other;
}

// --- The diagram
// ----------------------------------------------------------------------------------

class LinesDiagramTest : public LinesWindowTest {
 protected:
  void Curve() {
    Open([](T_LinesTmpl* t) { t->viewMode = 1; });
    window->LayoutForGrid();
  }
};

TEST_F(LinesDiagramTest, ThirtyThreeZoomsKeepThirtyTwo) {
  Curve();
  for (int32_t i = 0; i < 33; ++i) {
    window->PushZoom();
    window->layout.range.top += 1;
  }
  EXPECT_EQ(window->zoomCount, kZoomHistoryMax);
  window->ClearZoomStack();
  EXPECT_FALSE(window->PopZoom());
}

TEST_F(LinesDiagramTest, AZoomOutClickOnAnEmptyHistoryBeepsOnce) {
  Curve();
  SetZoomTrackInput([](InputEvent* event) {
    *event = InputEvent{};
    event->time = 10;
  });
  InputEvent press;
  press.leftButton = press.anyButton = 1;
  press.x = (window->layout.plot.left + window->layout.plot.right) / 2;
  press.y = (window->layout.plot.top + window->layout.plot.bottom) / 2;
  const DiagramRange before = window->layout.range;
  window->TrackZoom(&press, true);
  EXPECT_EQ(g_beeps, 1);
  EXPECT_TRUE(DiagramRangeEqual(window->layout.range, before));
  // A zoom-in click halves the range and can be walked back.
  window->TrackZoom(&press, false);
  EXPECT_EQ(window->zoomCount, 1);
  EXPECT_LT(window->layout.range.top - window->layout.range.bottom, before.top - before.bottom);
  EXPECT_TRUE(window->PopZoom());
  EXPECT_TRUE(DiagramRangeEqual(window->layout.range, before));
}

TEST_F(LinesDiagramTest, TheWheelOverTheValueLabelsZoomsOnlyValues) {
  Curve();
  const DiagramRange before = window->layout.range;
  InputEvent over;
  over.x = window->layout.plot.left - 5;
  over.y = (window->layout.plot.top + window->layout.plot.bottom) / 2;
  window->GridWheel(&over, 1);
  EXPECT_EQ(window->layout.range.from, before.from);
  EXPECT_EQ(window->layout.range.to, before.to);
  EXPECT_NE(window->layout.range.top, before.top);
  EXPECT_EQ(window->zoomCount, 1);
  // A run of wheel steps adds one entry.
  window->GridWheel(&over, 1);
  EXPECT_EQ(window->zoomCount, 1);
  // Below the plot only the dates change.
  window->ClearZoomStack();
  const DiagramRange valuesZoomed = window->layout.range;
  InputEvent below;
  below.x = (window->layout.plot.left + window->layout.plot.right) / 2;
  below.y = window->layout.plot.bottom + 5;
  window->GridWheel(&below, 1);
  EXPECT_NEAR(window->layout.range.top, valuesZoomed.top, 1e-9 * std::fabs(valuesZoomed.top));
  EXPECT_NE(window->layout.range.to - window->layout.range.from,
            valuesZoomed.to - valuesZoomed.from);
}

TEST_F(LinesDiagramTest, ZoomingOutNeverPassesTheLastDay) {
  Curve();
  InputEvent over;
  over.x = (window->layout.plot.left + window->layout.plot.right) / 2;
  over.y = (window->layout.plot.top + window->layout.plot.bottom) / 2;
  for (int32_t i = 0; i < 200; ++i) window->GridWheel(&over, -1);
  EXPECT_LE(window->layout.range.to, PackDate(2069, 12, 31));
  EXPECT_TRUE(std::isfinite(window->layout.range.top));
  EXPECT_FALSE(IsRangeDegenerate(window->layout.range));
}

TEST_F(LinesDiagramTest, DeletingTheLabellingScaleThenPainting) {
  auto* scale = new TimeScale(base, "Quarters");
  Curve();
  window->axisScale = scale;
  delete scale;  // code 53 goes out first
  EXPECT_EQ(window->axisScale, nullptr);
  ui_test::Picture picture = ui_test::Capture(window);
  EXPECT_GT(picture.width, 0);
}

}  // namespace

// --- The diagram options frame -------------------------------------------------------------------

#include "analysis/time/diagram_frame.h"
#include "ui/button.h"
#include "ui/chooser.h"
#include "ui/event_record.h"

namespace {

class DiagramFrameTest : public LinesDiagramTest {
 protected:
  T_TSDiagram* Frame() {
    window->OpenGraphicsPage();
    return window->panelItemCount ? dynamic_cast<T_TSDiagram*>(window->panelItems[0]) : nullptr;
  }
  std::string ItemText(T_TSDiagram* frame, int64_t index) {
    ChooserEvent record;
    record.code = kChooserDescribe;
    record.index = index;
    frame->OnChooserEvent(frame->scales, &record);
    return record.text ? record.text : "";
  }
};

TEST_F(DiagramFrameTest, TheChooserListsDatesAndTheTimeScales) {
  Curve();
  T_TSDiagram* frame = Frame();
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->scales->count, 1);
  EXPECT_EQ(ItemText(frame, 0), "Dates");
  auto* quarters = new TimeScale(base, "Quarters");
  auto* years = new TimeScale(base, "Years");
  EXPECT_EQ(frame->scales->count, 4);
  EXPECT_EQ(ItemText(frame, 1), "");
  EXPECT_EQ(ItemText(frame, 3), "Years");
  ChooserEvent chosen;
  chosen.code = kChooserChosen;
  chosen.index = 3;
  frame->OnChooserEvent(frame->scales, &chosen);
  EXPECT_EQ(window->axisScale, years);
  ui_test::Capture(window);
  // Deleting the labelling scale falls back to calendar labels and selects "Dates".
  delete years;
  EXPECT_EQ(window->axisScale, nullptr);
  EXPECT_EQ(frame->scales->count, 3);
  EXPECT_EQ(frame->scales->current, 0);
  ui_test::Capture(window);
  delete quarters;
}

TEST_F(DiagramFrameTest, GridLinesCaptionAndCheckBoxes) {
  Curve();
  T_TSDiagram* frame = Frame();
  ASSERT_NE(frame, nullptr);
  DiagramFlags& flags = window->layout.flags;
  flags.on[kFlagPeriodGrid] = 0;
  InputEvent press;
  press.leftButton = press.anyButton = 1;
  press.x = 80;
  press.y = 16;
  frame->MouseDown(&press, frame);
  EXPECT_EQ(flags.on[kFlagPeriodGrid], 1);
  EXPECT_EQ(flags.on[kFlagValueGrid], 1);
  EXPECT_TRUE(frame->boxes[2]->checked);
  frame->MouseDown(&press, frame);
  EXPECT_EQ(flags.on[kFlagPeriodGrid], 0);
  EXPECT_EQ(flags.on[kFlagValueGrid], 0);
  EXPECT_FALSE(frame->boxes[3]->checked);
  // The zero line in bars mode only changes the flag.
  window->SetPresentation(2);
  const DiagramRange before = window->layout.range;
  frame->boxes[7]->SetChecked(true);
  frame->OnCheckbox(frame->boxes[7]);
  EXPECT_EQ(flags.on[kFlagZeroLine], 1);
  EXPECT_TRUE(DiagramRangeEqual(window->layout.range, before));
}

// --- Pictures of the example
// -----------------------------------------------------------------------

TEST_F(LinesWindowTest, ContactSheetOfTheExample) {
  T_NoAlerts quiet;
  T_Base* example = BuildExampleDatabase();
  ASSERT_NE(example, nullptr);
  ui_test::ContactSheet sheet(3, 4, 640, 360);
  int32_t slot = 0;
  auto place = [&](const ui_test::Picture& picture) { sheet.Place(picture, slot++); };
  T_LinesTmpl templ(example);
  SelectionDef_setComponentText(&templ.selection, 0, "1930");
  templ.options.statistics[kStatBefore] = templ.options.statistics[kStatPeriod] = 1;
  templ.options.positiveRate = 2;
  T_Lines* lines = AsLinesWindow(OpenLinesWindow(&templ, nullptr, 0));
  ASSERT_NE(lines, nullptr);
  lines->templ = nullptr;
  lines->CalculateLines(true);
  ASSERT_GT(lines->rowCount, lines->headerRowCount);
  // Table, curve and bars.
  for (uint32_t mode : {0u, 1u, 2u}) {
    lines->SetPresentation(mode);
    ui_test::Picture picture = ui_test::Capture(lines);
    if (mode) {
      // Probes relative to the laid-out plot: the curve or bars draw inside it.
      RECT plot = lines->layout.plot;
      OffsetRect(&plot, lines->grid->x, lines->grid->y);
      EXPECT_GT(ui_test::Pixels(picture, plot, true), 50) << mode;
    }
    place(picture);
  }
  // The time axis at every resolution: decades, years, months, days, week groups, a time scale.
  lines->SetPresentation(1);
  const struct {
    PackedDate from, to;
    int32_t kind;
    bool scale;
  } spans[] = {{PackDate(1960, 1, 1), PackDate(2060, 12, 31), kPeriodActiveLines, false},
               {PackDate(2021, 1, 1), PackDate(2026, 12, 31), kPeriodActiveLines, false},
               {PackDate(2024, 1, 1), PackDate(2024, 12, 31), 3, false},
               {PackDate(2024, 1, 1), PackDate(2024, 6, 30), kPeriodMonths, false},
               {PackDate(2024, 3, 1), PackDate(2024, 3, 20), kPeriodDays, false},
               {PackDate(2024, 3, 1), PackDate(2024, 4, 15), kPeriodWeeks, false},
               {PackDate(2021, 1, 1), PackDate(2026, 12, 31), kPeriodActiveLines, true}};
  for (const auto& s : spans) {
    lines->periodKind = s.kind;
    lines->axisScale = s.scale ? example->GetTimeScaleAt(0) : nullptr;
    lines->layout.range.from = s.from;
    lines->layout.range.to = s.to;
    lines->RebuildDiagram();
    place(ui_test::Capture(lines));
  }
  // Inverted axis, scaled labels, zero line and the header page.
  lines->axisScale = nullptr;
  lines->layout.flags.on[kFlagInvertedAxis] = 1;
  lines->layout.flags.on[kFlagScaledLabels] = 1;
  lines->layout.flags.on[kFlagZeroLine] = 1;
  lines->RebuildDiagram();
  lines->OpenGraphicsPage();
  place(ui_test::Capture(lines));
  EventHandler_CloseAndDelete(lines, 3);
  delete example;
  ASSERT_TRUE(sheet.Save("lines_sheet.bmp"));
}

}  // namespace

// --- The header rows page
// ---------------------------------------------------------------------------

#include "analysis/time/lines_header_page.h"
#include "ui/edit_field.h"

namespace {

TEST(LinesRates, TypedRatesAreExpressions) {
  const struct {
    const char* text;
    double rate;
  } cases[] = {{"5", 5},     {"2*3+0.5", 6.5}, {"abc", 0},       {"", 0},
               {"1e999", 0}, {"1e-7", 0},      {"-4.25", -4.25}, {"(1", 1}};
  for (const auto& c : cases) EXPECT_EQ(RateFromText(c.text), c.rate) << c.text;
}

TEST_F(LinesWindowTest, HeaderRowsPageSetsFlagsAndRates) {
  Open();
  OpenLinesHeaderRowsPage(window);
  ASSERT_EQ(window->panelItemCount, 2);
  auto* interest = dynamic_cast<T_LinesInterestFrame*>(window->panelItems[1]);
  ASSERT_NE(interest, nullptr);
  T_TextBuf text;
  TextBufAssign(&text, "3/2");
  window->OnEditText(&text, interest->positive);
  EXPECT_EQ(window->options.positiveRate, 1.5);
  EXPECT_STREQ(text.data, "1.5");
  TextBufAssign(&text, "nonsense");
  window->OnEditText(&text, interest->negative);
  EXPECT_EQ(window->options.negativeRate, 0);
  // A statistic check box marks the results out of date; the calculation shows the row.
  T_Checkbox box(window, {0, 0, 10, 10}, kStatCheckboxFirst + kStatMedian, false);
  box.checked = 1;
  window->OnCheckbox(&box);
  EXPECT_EQ(window->options.statistics[kStatMedian], 1);
  window->CalculateLines(true);
  // Median, Interest (+) and the blank row.
  EXPECT_EQ(window->headerRowCount, 3);
  EXPECT_EQ(Cell(0, kLinesValueFirst), "20.00");
  ui_test::Capture(window);
}

}  // namespace

namespace {

std::vector<std::string>& OpenedTexts() {
  static std::vector<std::string> texts;
  return texts;
}

TEST_F(LinesWindowTest, LinesBehindAStatistic) {
  Open([](T_LinesTmpl* t) {
    for (int32_t f : {kStatBefore, kStatPositive, kStatMaximum}) t->options.statistics[f] = 1;
    CardId from{PackDate(2023, 2, 1), 1};
    DateRefSetDate(&t->selection.from, &from);
  });
  SetWindowOpener(kTemplateLines, [](T_Template* t, T_Template*, int32_t) -> T_HWindow* {
    OpenedTexts().push_back(time_test::WriteTemplate(t));
    return nullptr;
  });
  OpenedTexts().clear();
  T_BoxField* value = window->columnFields[kLinesValueFirst];
  int32_t valueIndex = 0;
  for (T_BoxField* f = window->firstField; f && f != value; f = f->next) ++valueIndex;
  for (int64_t row = 0; row < 3; ++row) window->OnCellsSelected(row, valueIndex);
  ASSERT_EQ(OpenedTexts().size(), 3u);
  // Before: from the file's first card to the card before this window's period.
  EXPECT_NE(OpenedTexts()[0].find("BC\t\t230131-"), std::string::npos) << OpenedTexts()[0];
  EXPECT_NE(OpenedTexts()[1].find("BVA\t>0\n"), std::string::npos) << OpenedTexts()[1];
  // Maximum: the largest value as the condition, only the line count.
  EXPECT_NE(OpenedTexts()[2].find("BVA\t50\n"), std::string::npos) << OpenedTexts()[2];
  EXPECT_NE(OpenedTexts()[2].find("H\t#\n"), std::string::npos) << OpenedTexts()[2];
  for (const std::string& text : OpenedTexts())
    EXPECT_NE(text.find("P\tI,P,T,D2,L,VA,S\n"), std::string::npos) << text;
}

TEST_F(LinesDiagramTest, TheHeldZoomStepsEvery400Milliseconds) {
  Curve();
  static int32_t polls;
  static InputEvent script;
  polls = 0;
  script = InputEvent{};
  script.leftButton = script.anyButton = 1;
  script.x = (window->layout.plot.left + window->layout.plot.right) / 2;
  script.y = (window->layout.plot.top + window->layout.plot.bottom) / 2;
  // The clock advances 100 ms a poll; the button is let go after 2 s.
  SetZoomTrackInput([](InputEvent* event) {
    *event = script;
    event->time = 100u * static_cast<uint64_t>(++polls);
    if (event->time > 2000) event->anyButton = event->leftButton = 0;
  });
  const double before = window->layout.range.top - window->layout.range.bottom;
  window->HeldZoom(&script, false);
  EXPECT_EQ(window->zoomCount, 1);
  // Four or five steps, each 1/8 of the way towards the pointer.
  const double after = window->layout.range.top - window->layout.range.bottom;
  EXPECT_LT(after, before * std::pow(7.0 / 8, 3));
  EXPECT_GT(after, before * std::pow(7.0 / 8, 6));
}

TEST_F(LinesDiagramTest, AScaleWithPeriodsOutOfOrderEndsTheAxisWalk) {
  auto* scale = new TimeScale(base, "Jumbled");
  CardId starts[] = {
      {PackDate(2023, 3, 1), 1}, {PackDate(2023, 1, 1), 1}, {PackDate(2023, 2, 1), 1}};
  const char* names[] = {"March", "January", "February"};
  for (int32_t i = 0; i < 3; ++i) TimeScaleAppendPeriod(scale, &starts[i], names[i]);
  Curve();
  window->axisScale = scale;
  ui_test::Picture picture = ui_test::Capture(window);  // must come back
  EXPECT_GT(picture.width, 0);
  window->axisScale = nullptr;
  delete scale;
}

}  // namespace

namespace {

TEST_F(LinesWindowTest, AFieldButtonFlipsItsSortKey) {
  Open();
  window->options.sortKeys[0] = LinesSortKey{kLinesValueFirst, 0, 0, 0, 0};
  window->CalculateLines(false);
  EXPECT_EQ(Column(kLinesLineText)[0], "opening");
  EXPECT_TRUE(window->ClickFieldButton(nullptr, window->columnFields[kLinesValueFirst], nullptr));
  EXPECT_EQ(window->options.sortKeys[0].valueOrder, 5);
  EXPECT_EQ(Column(kLinesLineText)[0], "sale a");
  // A column that is no key changes nothing.
  EXPECT_FALSE(window->ClickFieldButton(nullptr, window->columnFields[kLinesLineText], nullptr));
  window->options.sortKeys[0] = LinesSortKey{kLinesCardId, 0};
  window->CalculateLines(false);
  window->ClickFieldButton(nullptr, window->columnFields[kLinesCardId], nullptr);
  EXPECT_EQ(window->lastSortKind, kLinesSortCardsReversed);
}

TEST_F(LinesWindowTest, PastedSelectionBlocksTheLastOneWins) {
  Open();
  const char text[] =
      "Some other text\r\n"
      "## Selection\r\n"
      "VD1\t1930\r\n"
      "## Selection\r\n"
      "VD1\t3010\r\n"
      "VF\tA\r\n"
      "#end\r\n"
      "VD1\t1910\r\n";
  ASSERT_TRUE(window->PasteSelectionText(text));
  window->CalculateLines(true);
  EXPECT_EQ(Column(kLinesLineText), (Cells{"sale a", "sale b"}));
  EXPECT_FALSE(window->PasteSelectionText("nothing here\r\n"));
}

TEST_F(LinesWindowTest, OutputsCarryTheSelectionAndCardLinks) {
  Open([](T_LinesTmpl* t) { Selection_readAttributes(&t->selection, "dim1", "1910"); });
  ASSERT_EQ(Column(kLinesLineText), (Cells{"opening", "deposit"}));
  window->output.definition = 1;
  window->output.columnTitles = 1;
  T_OStream text;
  window->WriteText(&text, 0);
  std::string plain = box_test::StreamText(text);
  EXPECT_EQ(plain,
            "From\t230110-001 File\r\n"
            "To\t230301-001 File\r\n"
            "Dim 1\t1910 1910\r\n"
            "Card ID\tDate\tCard Title\tDim 2\tLine Text\tValue\tAccumulated\r\n"
            "230110-001\t230110\t\tP2 P2\topening\t100.00\t100.00\r\n"
            "230301-001\t230301\t\tP1 P1\tdeposit\t20.00\t120.00\r\n");
  window->output.format = kOutputHtml;
  T_OStream html;
  window->WriteText(&html, 0);
  std::string page = box_test::StreamText(html);
  EXPECT_NE(page.find("<tr><td> Dim 1 </td><td> 1910 1910 </td></tr>\r\n"), std::string::npos);
  EXPECT_NE(page.find("<td><a class=\"data\" href=\"qeb.cgi?card=0000:230301-001\">230301-001</a>"
                      "</td>\r\n<td>230301</td>\r\n"),
            std::string::npos)
      << page;
  box_test::LeaveOutput("analysis_time", "lines_page.html", page);
  T_OStream xml;
  xml.PutXmlProlog();
  xml.PutText("<lines>");
  window->WriteXmlDefinition(&xml);
  xml.PutText("</lines>");
  std::string definition = box_test::StreamText(xml);
  EXPECT_EQ(definition,
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<lines><selection>\r\n"
            "<from>230110-001 File</from>\r\n<to>230301-001 File</to>\r\n"
            "<dim num=\"1\" name=\"Dim 1\">1910 1910</dim>\r\n</selection>\r\n</lines>");
  box_test::LeaveOutput("analysis_time", "lines_definition.xml", definition);
  // The private format of a copied range writes the card id as a card link.
  T_OStream cell;
  RowTextPool pool;
  ASSERT_TRUE(pool.Init());
  const int64_t first = window->headerRowCount;
  window->GetRowTexts(&pool, first);
  window->WriteCellText(&cell, first, window->columnFields[kLinesCardId]);
  EXPECT_EQ(box_test::StreamText(cell), "card=\"230110-001\"");
  pool.Free();
  T_TextBuf key;
  window->GetFieldSortKey(window->columnFields[kLinesValueFirst], &key);
  EXPECT_STREQ(key.c_str(), "VA:D");
  // A key on the column gives its own order; the accumulated column is no key.
  window->options.sortKeys[0] = LinesSortKey{kLinesValueFirst, 0, 0, 0, 5};
  window->GetFieldSortKey(window->columnFields[kLinesValueFirst], &key);
  EXPECT_STREQ(key.c_str(), "VA:A");
  T_TextBuf none;
  window->GetFieldSortKey(window->columnFields[kLinesAccumulated], &none);
  EXPECT_TRUE(none.empty());
}

TEST_F(LinesWindowTest, APressSelectsTheCardsRunOrAnOpeningStatistic) {
  Open([](T_LinesTmpl* t) {
    t->options.statistics[kStatBefore] = 1;
    t->options.statistics[kStatLineCount] = 1;
  });
  // Rows: "Sum Before", "Number of Lines", the blank, then the five lines of four cards.
  ASSERT_EQ(window->headerRowCount, 3);
  struct Case {
    int64_t anchor;
    int64_t first;
    int64_t last;
  } cases[] = {{0, 0, 0}, {1, -2, -1}, {2, -2, -1}, {3, 3, 3}, {4, 4, 5}, {5, 4, 5}, {6, 6, 6}};
  for (const Case& c : cases) {
    CellRange range{c.anchor, 1, c.anchor, c.anchor, 1, 1};
    window->SelectRange(&range);
    EXPECT_EQ(range.firstRow, c.first) << c.anchor;
    if (c.first != -2) {
      EXPECT_EQ(range.lastRow, c.last) << c.anchor;
    }
  }
  // Without value 1 and the accumulated column a statistic row selects nothing.
  window->options.columns[kLinesValueFirst].shown = 0;
  window->options.columns[kLinesAccumulated].shown = 0;
  CellRange range{0, 1, 0, 0, 1, 1};
  window->SelectRange(&range);
  EXPECT_EQ(range.firstRow, -2);
}

TEST_F(LinesWindowTest, TitleMenuHidesSortsAndFits) {
  Open();
  uint16_t list[4];
  EXPECT_EQ(window->TitleCommands(window->columnFields[kLinesAccumulated], list), 2);
  EXPECT_EQ(list[1], kTitleAdjustWidth);
  EXPECT_EQ(window->TitleCommands(window->columnFields[kLinesValueFirst], list), 3);
  // "Sort Rows" makes the column the only key.
  window->options.sortKeyCount = 2;
  window->options.sortKeys[1] = LinesSortKey{kLinesLineText, 0, 0, 1, 0};
  ASSERT_TRUE(window->RunTitleCommand(window->columnFields[kLinesValueFirst], kTitleSortRows));
  EXPECT_EQ(window->options.sortKeyCount, 1);
  EXPECT_EQ(window->options.sortKeys[0].column, kLinesValueFirst);
  EXPECT_EQ(Column(kLinesLineText)[0], "opening");
  EXPECT_FALSE(window->RunTitleCommand(window->columnFields[kLinesAccumulated], kTitleSortRows));
  // A width the user gave survives hiding another column.
  window->columnFields[kLinesLineText]->SetWidth(90);
  ASSERT_TRUE(window->RunTitleCommand(window->columnFields[kLinesDate], kTitleHide));
  EXPECT_EQ(window->columnFields[kLinesDate], nullptr);
  EXPECT_EQ(window->options.columns[kLinesDate].shown, 0);
  EXPECT_EQ(window->columnFields[kLinesLineText]->Width(), 90);
  EXPECT_EQ(Column(kLinesLineText).size(), 5u);
  // "Adjust Width" fits the column to its texts.
  ASSERT_TRUE(window->RunTitleCommand(window->columnFields[kLinesLineText], kTitleAdjustWidth));
  EXPECT_LT(window->columnFields[kLinesLineText]->Width(), 90);
  // The right button on a title runs the same through the window's title menu.
  window->pressedTitleField = window->columnFields[kLinesLineText];
  ContextMenuRecord record;
  record.owner = window->titles;
  window->titles->ContextMenu(&record, kMenuPhaseList);
  std::vector<uint16_t> ids;
  for (const uint16_t* id = record.commands.list; id && *id; ++id) ids.push_back(*id);
  EXPECT_EQ(ids, (std::vector<uint16_t>{kTitleHide, kTitleSortRows, kTitleAdjustWidth}));
  record.phase = kMenuPhaseRun;
  record.entry = kTitleHide;
  window->titles->ContextMenu(&record, kMenuPhaseRun);
  EXPECT_EQ(window->columnFields[kLinesLineText], nullptr);
}

TEST_F(LinesWindowTest, TheSelectionTextReadsBackIntoAnotherWindow) {
  Open([](T_LinesTmpl* t) { Selection_readAttributes(&t->selection, "dim1", "3010"); });
  T_OStream stream;
  window->WriteSelectionText(&stream);
  const std::string text = box_test::StreamText(stream);
  EXPECT_EQ(text.rfind("## Selection\r\n", 0), 0u) << text;
  EXPECT_NE(text.find("VF\tA\r\nVZ\tD2\r\n"), std::string::npos) << text;
  T_Lines* first = window;
  window = nullptr;
  Open();
  ASSERT_EQ(Column(kLinesLineText).size(), 5u);
  ASSERT_TRUE(window->PasteSelectionText(text.c_str()));
  window->CalculateLines(true);
  EXPECT_EQ(Column(kLinesLineText), (Cells{"sale a", "sale b"}));
  EventHandler_CloseAndDelete(first, 3);
}

}  // namespace
