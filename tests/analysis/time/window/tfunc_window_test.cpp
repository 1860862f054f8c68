// The time functions window over a small database: opened from its template, calculated, its
// rows and their labels, the row orders, change notes, saving back, the time shift chooser and
// its dialog, the axis limits, the legend, the printed definition, and pictures of the example.
#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "analysis/components/components_template.h"
#include "analysis/components/function_templates.h"
#include "analysis/time/lines_template.h"
#include "analysis/time/tfunc_drill.h"
#include "analysis/time/tfunc_drill_menu.h"
#include "tests/ui/scripted_popup.h"
#include "ui/popup_menu.h"
#include "core/alert_handlers.h"
#include "core/owned_text.h"
#include "database/cards.h"
#include "analysis/time/tfunc_install.h"
#include "analysis/time/tfunc_legend.h"
#include "analysis/time/tfunc_pages.h"
#include "analysis/components/function_definition.h"
#include "analysis/time/tfunc_window.h"
#include "analysis/time/time_calculation.h"
#include "database/change_notes.h"
#include "database/object_services.h"
#include "database/template_runner.h"
#include "database/time_scale.h"
#include "database/web_request.h"
#include "database/toolkit_adapter.h"
#include "tests/analysis/boxwin/box_fixture.h"
#include "tests/analysis/time/time_fixture.h"
#include "tests/ui/dialogs/dialog_fixture.h"
#include "tests/ui/window_picture.h"
#include "tools/make_example/example_database.h"
#include "database/template_tree.h"
#include "ui/button.h"
#include "ui/dialog_base.h"
#include "ui/edit_field.h"
#include "ui/mode_tree.h"
#include "ui/selection_fields.h"
#include "ui/window_utilities.h"

namespace {

using time_test::FixtureLine;
using Texts = std::vector<std::string>;

using dialogs_test::FindItem;
using dialogs_test::PressButton;

// Months over 2023 and 2024; the sum by period, the same a year back, and their difference.
const char kTemplate[] =
    "#T\n"
    "VN\tSum\t\nVF\tA\nVM\tSP\nVZ\tD0\tCU\tw1\tV+\tB-\tN-\tR-\tS+\n"
    "VN\tLast\t\nVF\tA\nVM\tSP\nVT\tY+\nVZ\tD0\tCU\tw1\tV+\tB-\tN-\tR-\tS+\n"
    "FN\tDiff\t\nFF\tSum-Last\nFZ\tD0\tCU\tw1\tV+\tB-\tN-\tR-\tS+\n"
    "K\t230101\t241231\nPL\tM\n";

// Dialogs run modally only while someone attends to them.
class T_AttendedAlerts : public T_AlertHandler {
 public:
  bool IsUnattended() override { return false; }
};

class TFuncWindowTest : public box_test::BoxTest {
 protected:
  void SetUp() override {
    BoxTest::SetUp();
    InstallDatabaseServices();
    InstallFunctionTemplates();
    InstallTimeFunctionsWindow();
    base = time_test::NewFixtureBase(2);
    const FixtureLine lines[] = {
        {PackDate(2023, 1, 10), 1, "1910", {100, 1}},  {PackDate(2023, 2, 5), 1, "3010", {-30, 2}},
        {PackDate(2023, 2, 5), 2, "1930", {50, 3}},    {PackDate(2023, 3, 1), 1, "1910", {20, 5}},
        {PackDate(2024, 1, 15), 1, "1910", {10, 5}},   {PackDate(2024, 3, 20), 1, "1910", {5, 5}},
    };
    for (const FixtureLine& l : lines) time_test::AddLine(base, l);
  }
  void TearDown() override {
    if (window) EventHandler_CloseAndDelete(window, 3);
    delete templ;
    delete base;
    SetWindowOpener(kTemplateTimeFunctions, nullptr);
    SetTemplateConstructor(kTemplateTimeFunctions, nullptr);
    SetTemplateConstructor(kTemplateComponentFunctions, nullptr);
    BoxTest::TearDown();
  }
  T_TFuncTmpl* Read(const std::string& text) {
    T_Template* t = NewTemplate(base, kTemplateTimeFunctions);
    T_IStream stream;
    stream.CtorFromMemory(text.data(), static_cast<int64_t>(text.size()));
    bool atLine = stream.NextLine() && stream.NextLine();
    t->ReadRecords(&stream, atLine);
    return AsTimeFunctionsTemplate(t);
  }
  T_TFunc* Open(const std::string& text = kTemplate, bool calculate = true) {
    templ = Read(text);
    window = AsTFuncWindow(OpenTimeFunctionsWindow(templ, nullptr, 0));
    EXPECT_NE(window, nullptr);
    if (window && calculate) EXPECT_TRUE(window->CalculateNow());
    return window;
  }
  Texts Row(int64_t row) {
    RowTextPool pool;
    Texts texts;
    if (!pool.Init()) return texts;
    window->GetRowTexts(&pool, row);
    for (T_BoxField* f = window->firstField; f; f = f->next)
      texts.emplace_back(f->cellText ? f->cellText : "");
    pool.Free();
    return texts;
  }
  std::string Label(int64_t row) { return Row(row)[0]; }
  // The window saved into a fresh template, as written (lines end in "\n"); the template is
  // deleted.
  std::string SavedText() {
    T_TFuncTmpl* target = Read("#T\n");
    window->SaveToTemplate(target);
    T_OStream out;
    target->WriteText(&out);
    std::string text(reinterpret_cast<const char*>(out.start),
                     static_cast<size_t>(out.pos - out.start));
    std::replace(text.begin(), text.end(), '\r', '\n');
    delete target;
    return text;
  }
  // A time scale of the base whose periods start (card 1) at the dates, with the names given.
  TimeScale* NewScale(const char* name,
                      const std::vector<std::pair<PackedDate, const char*>>& periods) {
    auto* scale = new TimeScale(base, name);
    for (const auto& p : periods) {
      CardId start{p.first, 1};
      EXPECT_TRUE(TimeScaleAppendPeriod(scale, &start, p.second));
    }
    return scale;
  }
  // The standard template over the named time scale.
  static std::string OverScale(const char* name) {
    std::string text = kTemplate;
    return text.replace(text.find("PL\tM"), 4, std::string("PL\tX\nPX\t") + name);
  }
  void WhileModal(std::function<void(T_Window*)> step) {
    dialogs_test::RunWhileModal(app, std::move(step));
  }

  T_Base* base = nullptr;
  T_TFuncTmpl* templ = nullptr;
  T_TFunc* window = nullptr;
};

std::string DateText(PackedDate date) {
  char buffer[40];
  FormatDateCurrentStyleCStr(buffer, date);
  return buffer;
}

// --- Opening and rows ----------------------------------------------------------------------------

TEST_F(TFuncWindowTest, MonthsShowBeforePeriodsAndTotalsWithTheShiftedYear) {
  ASSERT_NE(Open(), nullptr);
  // Before, 24 months, Totals; the columns Sum, Last and Diff after the labels.
  ASSERT_EQ(window->rowCount, 26);
  EXPECT_EQ(window->fieldCount, 4u);
  EXPECT_EQ(Row(0), (Texts{"Before " + DateText(PackDate(2023, 1, 1)), "0", "0", "0"}));
  EXPECT_EQ(Row(1), (Texts{"2023 January", "100", "0", "100"}));
  EXPECT_EQ(Row(2), (Texts{"2023 February", "20", "0", "20"}));
  EXPECT_EQ(Row(4), (Texts{"2023 April", "0", "0", "0"}));
  // A year later each row holds last year's month.
  EXPECT_EQ(Row(13), (Texts{"2024 January", "10", "100", "-90"}));
  EXPECT_EQ(Row(15), (Texts{"2024 March", "5", "20", "-15"}));
  EXPECT_EQ(Row(25), (Texts{"Totals", "155", "140", "15"}));
  EXPECT_FALSE(window->IsEmpty());
  EXPECT_EQ(window->windowKind, kWindowTimeFunctions);
}

TEST_F(TFuncWindowTest, RowLabelsFollowThePeriodType) {
  ASSERT_NE(Open(), nullptr);
  struct Case {
    int32_t type;
    std::vector<std::string> first;  // labels of the first periods
  } cases[] = {
      {kPeriodYears, {"2023", "2024"}},
      {kPeriodHalfYears, {"2023 spring", "2023 fall"}},
      {kPeriodTertials, {"2023 T1", "2023 T2"}},
      {kPeriodQuarters, {"2023 Q1", "2023 Q2", "2023 Q3"}},
      {kPeriodTwoMonths, {"2023 Jan-Feb", "2023 Mar-Apr"}},
      {kPeriodDays, {DateText(PackDate(2023, 1, 1)), DateText(PackDate(2023, 1, 2))}},
      {kPeriodActiveDays, {DateText(PackDate(2023, 1, 10)), DateText(PackDate(2023, 2, 5))}},
  };
  for (const Case& c : cases) {
    window->SetPeriodType(c.type, nullptr);
    ASSERT_TRUE(window->CalculateNow());
    for (size_t i = 0; i < c.first.size(); ++i)
      EXPECT_EQ(Label(static_cast<int64_t>(i + 1)), c.first[i]) << c.type << " row " << i + 1;
  }
  // Half months and weeks name their range; end dates only turns every label into the end date.
  window->SetPeriodType(kPeriodHalfMonths, nullptr);
  ASSERT_TRUE(window->CalculateNow());
  char half[64];
  FormatDayRangeCStr(half, PackDate(2023, 1, 16), PackDate(2023, 1, 31));
  EXPECT_EQ(Label(2), half);
  // Weeks name their range; end dates only turns every label into the end date.
  window->SetPeriodType(kPeriodWeeks, nullptr);
  ASSERT_TRUE(window->CalculateNow());
  char range[64];
  FormatDayRangeCStr(range, PackDate(2023, 1, 2), PackDate(2023, 1, 8));
  EXPECT_EQ(Label(2), range);
  window->labelOptions.endDatesOnly = 1;
  EXPECT_EQ(Label(2), DateText(PackDate(2023, 1, 8)));
}

TEST_F(TFuncWindowTest, ActiveCardsNameTheCardWithItsTitleCutAtACharacter) {
  ASSERT_NE(Open(), nullptr);
  CardId id{PackDate(2023, 2, 5), 2};
  CardRecord* card = FindCardAtOrBefore(base, &id);
  // 509 ASCII bytes, then a two-byte character across the cut at 510, then more.
  std::string title(509, 'x');
  title += "\xC3\xA9";
  title += std::string(100, 'y');
  SetCardTitle(card, title.c_str());
  window->SetPeriodType(kPeriodActiveCards, nullptr);
  window->labelOptions.cardTitles = 1;
  ASSERT_TRUE(window->CalculateNow());
  T_TextBuf digits;
  FormatCardIdToString(&digits, &id, base->cardDigits);
  EXPECT_EQ(Label(3), std::string(digits.data) + " " + std::string(509, 'x') + "..");
}

TEST_F(TFuncWindowTest, RowOrders) {
  ASSERT_NE(Open("#T\nVN\tSum\t\nVF\tA\nVM\tSP\nVZ\tD0\tCU\tw1\tV+\tB-\tN-\tR-\tS+\n"
                 "K\t230101\t231231\nPL\tQ\n"),
            nullptr);
  auto labels = [&] {
    Texts texts;
    for (int64_t r = 0; r < window->rowCount; ++r) texts.push_back(Label(r) + "=" + Row(r)[1]);
    return texts;
  };
  const std::string before = "Before " + DateText(PackDate(2023, 1, 1)) + "=0";
  EXPECT_EQ(labels(), (Texts{before, "2023 Q1=140", "2023 Q2=0", "2023 Q3=0", "2023 Q4=0",
                             "Totals=140"}));
  window->order.mode = kRowsReversed;
  window->RefreshRows();
  EXPECT_EQ(labels(), (Texts{"2023 Q4=0", "2023 Q3=0", "2023 Q2=0", "2023 Q1=140", before,
                             "Totals=140"}));
  // Sorted by the variable, ties by time; sort mode 2 with quarters keeps time order.
  window->order.mode = kRowsNormal;
  window->order.sortVariable = window->data.variables;
  window->order.valueOrder = 0;
  window->RefreshRows();
  EXPECT_EQ(Label(1), "2023 Q1");
  window->order.sortVariable = nullptr;
  window->order.mode = kRowsByName;
  window->RefreshRows();
  EXPECT_EQ(window->order.table, nullptr);
  EXPECT_EQ(Label(4), "2023 Q4");
}

// --- Change notes, emptiness, the template -------------------------------------------------------

TEST_F(TFuncWindowTest, ADeletedTimeScaleIsDroppedAtOnce) {
  TimeScale* scale =
      NewScale("Terms", {{PackDate(2023, 1, 1), "Spring term"}, {PackDate(2023, 7, 1), "Autumn term"}});
  ASSERT_NE(Open(OverScale("Terms")), nullptr);
  ASSERT_EQ(window->data.scaleInForce, scale);
  EXPECT_EQ(Label(1), "Spring term");
  const PackedDate end = TFuncEntryAt(&window->data, 2)->end.date;
  ChangeNote note{};
  note.code = kChangeTimeScaleDeleted;
  note.database = base;
  note.object = scale;
  window->OnChange(&note);
  delete scale;
  // The next paint reads no freed scale: the periods are labelled by their end dates.
  EXPECT_EQ(window->data.periodType, kPeriodActiveDays);
  EXPECT_EQ(window->data.scaleInForce, nullptr);
  EXPECT_EQ(window->periodScale, nullptr);
  EXPECT_EQ(Label(1), DateText(end));
  EXPECT_TRUE(window->CalcButtonEnabled());
}

TEST_F(TFuncWindowTest, ChangeNotesMarkTheResultsOutOfDate) {
  for (int32_t code : {kChangeCardSaved, kChangeCards, kChangeComponentsRebuilt}) {
    ASSERT_NE(Open(), nullptr);
    window->SetCalcButtonEnabled(false);
    ChangeNote note{};
    note.code = code;
    note.database = base;
    window->OnChange(&note);
    EXPECT_TRUE(window->CalcButtonEnabled()) << code;
    EventHandler_CloseAndDelete(window, 3);
    window = nullptr;
    delete templ;
    templ = nullptr;
  }
}

TEST_F(TFuncWindowTest, EmptyWhenEveryValueIsZero) {
  ASSERT_NE(Open("#T\nVN\tSum\t\nVF\tA\nVM\tSP\nK\t250101\t251231\nPL\tM\n"), nullptr);
  EXPECT_TRUE(window->IsEmpty());
}

TEST_F(TFuncWindowTest, SavesBackIntoTheTemplate) {
  ASSERT_NE(Open(), nullptr);
  window->labelOptions.endDatesOnly = 1;
  window->axisMaximum = 500;
  const std::string text = SavedText();
  for (const char* key : {"VN\tSum", "VT\tY+", "FF\tSum-Last", "PL\tM", "ZN", "SM\t500"})
    EXPECT_NE(text.find(key), std::string::npos) << key << "\n" << text;
}

TEST_F(TFuncWindowTest, BarsChooserStacksTheBarsAndIsKeptInTheTemplate) {
  ASSERT_NE(Open(), nullptr);
  // A template without an "L" line overlaps the bars in steps.
  EXPECT_EQ(window->barMode, kBarsSteps);
  window->SetViewModeOf(1);
  ASSERT_TRUE(window->CalculateNow());
  const double separateTop = window->layout.range.top;
  window->OpenOptionsPage();
  auto* bars = static_cast<T_Chooser*>(FindItem(window, kBarModeChooser));
  ASSERT_NE(bars, nullptr);
  bars->SetSelection(4, kSelectReport);
  EXPECT_EQ(window->barMode, kBarsStacked);
  // January 2024 stacks 10 on last year's 100: the range reaches above the tallest single bar.
  EXPECT_EQ(separateTop, 100);
  EXPECT_EQ(window->layout.range.top, 110);

  const std::string text = SavedText();
  EXPECT_NE(text.find("\nL\tS\n"), std::string::npos) << text;
  EventHandler_CloseAndDelete(window, 3);
  window = nullptr;
  delete templ;
  ASSERT_NE(Open(text, false), nullptr);
  EXPECT_EQ(window->barMode, kBarsStacked);
  // Back to the default mode: no "L" line is written.
  window->SetBarMode(kBarsSteps);
  const std::string second = SavedText();
  EXPECT_EQ(second.find("\nL\t"), std::string::npos) << second;
}

// --- Time shift, axis limits, legend -------------------------------------------------------------

TEST_F(TFuncWindowTest, TimeShiftChooserItemsAndKinds) {
  TimeShift none;
  EXPECT_EQ(TimeShiftItemCount(none), 11);
  const int64_t items[] = {0, 2, 6, 3, 7, 4, 8};
  for (int32_t kind = 0; kind <= 6; ++kind) {
    TimeShift s;
    s.kind = kind;
    EXPECT_EQ(TimeShiftItemOfKind(s), items[kind]) << kind;
    EXPECT_EQ(TimeShiftKindOfItem(s, items[kind]), kind) << kind;
  }
  EXPECT_EQ(TimeShiftKindOfItem(none, 5), -2);
  EXPECT_EQ(TimeShiftKindOfItem(none, 10), -1);  // "Other..."
  TimeShift custom{7, 2, -2, 0};
  EXPECT_EQ(TimeShiftItemCount(custom), 12);
  EXPECT_EQ(TimeShiftItemOfKind(custom), kShiftItemCustom);
  EXPECT_EQ(TimeShiftKindOfItem(custom, 10), 7);
  EXPECT_EQ(TimeShiftKindOfItem(custom, 11), -1);
}

TEST_F(TFuncWindowTest, MoveSelectionDialogOkCancelAndZero) {
  T_AttendedAlerts attended;
  struct Case {
    const char* typed;
    int64_t unit;
    uint32_t button;
    bool taken;
    int32_t kind, count, unitAfter;
  } cases[] = {
      {"-2", 2, kDialogOkId, true, 7, -2, 2},
      {"abc", 1, kDialogOkId, true, 0, 0, 1},
      {"0", 3, kDialogOkId, true, 0, 0, 3},
      {"5", 3, kDialogCancelId, false, 1, 0, 0},
      {"2000000000", 3, kDialogOkId, true, 7, 2000000000, 3},
  };
  for (const Case& c : cases) {
    TimeShift shift;
    shift.kind = 1;
    WhileModal([&](T_Window* dialog) {
      auto* edit = static_cast<T_Edit*>(FindItem(dialog, T_CustomMove::kCountEdit));
      auto* units = static_cast<T_Chooser*>(FindItem(dialog, T_CustomMove::kUnitChooser));
      ASSERT_NE(edit, nullptr);
      ASSERT_NE(units, nullptr);
      edit->SetTextNotify(c.typed);
      units->SetSelection(c.unit, kSelectReport);
      PressButton(dialog, c.button);
    });
    EXPECT_EQ(RunCustomMove(nullptr, &shift), c.taken) << c.typed;
    EXPECT_EQ(shift.kind, c.kind) << c.typed;
    EXPECT_EQ(shift.count, c.count) << c.typed;
    EXPECT_EQ(shift.unit, c.unitAfter) << c.typed;
  }
  // A huge count moves dates only as far as the calendar reaches.
  TimeShift distant{7, 3, 2000000000, 0};
  CardId bound{PackDate(2023, 1, 1), 1};
  ApplyTimeShift(&distant, &bound, 1);
  EXPECT_GE(PackedDateYear(bound.date), 1900);
  EXPECT_LE(PackedDateYear(bound.date), 2069);
}

TEST_F(TFuncWindowTest, ValueLimitEditsReadNumbersOrAutomatic) {
  struct Case {
    const char* typed;
    const char* shown;
  } cases[] = {{"120", "120"}, {"1e400", ""}, {"abc", ""}, {"-2.5", "-2.5"}, {"", ""}};
  for (const Case& c : cases) {
    T_TextBuf text;
    AxisLimitText(AxisLimitOfText(c.typed), &text);
    EXPECT_EQ(std::string(text.data), c.shown) << c.typed;
  }
  ASSERT_NE(Open(), nullptr);
  window->SetViewModeOf(1);
  window->OpenAxisLimitsPage();
  auto* limits = static_cast<T_TValueLimits*>(FindItem(window, kValueLimitsFrame));
  ASSERT_NE(limits, nullptr);
  limits->edits[0]->SetTextNotify("300");
  EXPECT_EQ(window->axisMaximum, 300);
  EXPECT_EQ(window->layout.range.top, 300);
  limits->edits[0]->SetTextNotify("x");
  EXPECT_TRUE(std::isnan(window->axisMaximum));
}

TEST_F(TFuncWindowTest, LegendOnOneLineSharesOverflowAndWrapsInRowsOf13) {
  // Three short titles fit on one line.
  int32_t widths[3] = {30, 40, 50};
  RECT rects[12];
  EXPECT_EQ(FuncLegendLayout(widths, 3, 400, rects), 21);
  EXPECT_EQ(rects[0].left, 6);
  EXPECT_EQ(rects[1].left, rects[0].right - 2 + 12);
  // A little too wide: the overflow comes out of the gaps, nothing wraps.
  int32_t tight[3] = {100, 100, 100};
  EXPECT_EQ(FuncLegendLayout(tight, 3, 390, rects), 21);
  EXPECT_EQ(rects[1].left - rects[0].right, 6);  // gaps of 12 - 4 between the rectangles' edges
  EXPECT_EQ(rects[2].right, 378);
  EXPECT_GT(FuncLegendLayout(tight, 3, 380, rects), 21);  // 18 over: three fields wrap
  // Many long titles wrap; the height grows in steps of 13.
  int32_t many[12];
  for (int32_t& w : many) w = 120;
  const int32_t h = FuncLegendLayout(many, 12, 400, rects);
  EXPECT_EQ((h - 1 - 14) % 13, 0);
  EXPECT_GT(h, 21);
  for (int32_t i = 1; i < 12; ++i) EXPECT_EQ(rects[i].left % 16, 3) << i;
  // Printing has its own rule.
  EXPECT_EQ(FuncLegendPrintLayout(widths, 3, 600, rects), 15);
  EXPECT_EQ(FuncLegendPrintLayout(many, 12, 600, rects) % 13, 15 % 13);
}

TEST_F(TFuncWindowTest, DraggedLegendEntryMovesItsColumn) {
  ASSERT_NE(Open(), nullptr);
  window->SetViewModeOf(1);
  ASSERT_NE(window->labels, nullptr);
  RECT rects[3];
  int32_t i = 0;
  for (T_BoxField* f = window->labelField->next; f; f = f->next)
    rects[i++] = static_cast<T_TFuncCurve*>(f)->legend;
  ASSERT_EQ(i, 3);
  // Past the last entry: the first one goes to the end.
  const int32_t place = TFuncLegendDropPlace(rects, 3, 0, POINT{rects[2].right + 4, rects[2].top + 4},
                                             nullptr);
  EXPECT_EQ(place, 2);
  window->labels->DropAt(static_cast<T_TFuncCurve*>(window->labelField->next), place);
  EXPECT_STREQ(window->data.variables->name, "Last");
  EXPECT_STREQ(static_cast<T_TFuncCurve*>(window->labelField->next)->series.variable->name, "Last");
  EXPECT_EQ(window->current->name, std::string("Sum"));
  // Far from every entry: no place.
  EXPECT_EQ(TFuncLegendDropPlace(rects, 3, 0, POINT{rects[2].right + 200, 4}, nullptr), -2);
}

TEST_F(TFuncWindowTest, TitleAndLegendDragsMoveTheColumn) {
  ASSERT_NE(Open(), nullptr);
  auto names = [&] {
    std::string text;
    for (T_TVariable* v = window->data.variables; v; v = v->next) text += std::string(v->name) + " ";
    return text;
  };
  T_BoxField* sum = window->labelField->next;
  T_BoxField* diff = sum->next->next;
  InputEvent press{};
  press.x = (sum->title.left + sum->title.right) / 2;
  press.y = 5;
  press.leftButton = press.anyButton = 1;
  ui_test::SetScript({{press.x + 10, 5, true}, {diff->title.right + 20, 5, true},
                      {diff->title.right + 20, 5, false}});
  window->ClickFieldTitle(&press, sum);
  EXPECT_EQ(names(), "Last Diff Sum ");
  // In the diagram the legend entry of "Sum" (now last) is dragged before the first entry.
  window->SetViewModeOf(1);
  ASSERT_NE(window->labels, nullptr);
  auto* last = static_cast<T_TFuncCurve*>(window->labelField->next);
  auto* moved = static_cast<T_TFuncCurve*>(last->next->next);
  press.x = moved->legend.left + 30;
  press.y = moved->legend.top + 4;
  ui_test::SetScript({{last->legend.left - 4, press.y, true}, {last->legend.left - 4, press.y, false}});
  window->labels->MouseDown(&press, window->labels);
  EXPECT_EQ(names(), "Sum Last Diff ");
  EXPECT_EQ(window->current->name, std::string("Sum"));
}

TEST_F(TFuncWindowTest, ARightPressOnASwatchOpensTheColourMenu) {
  ASSERT_NE(Open(), nullptr);
  window->SetViewModeOf(1);
  auto* last = static_cast<T_TFuncCurve*>(window->labelField->next->next);
  T_TVariable* variable = last->series.variable;
  const int32_t before = variable->colour;
  std::vector<ui_test::PopupStep> steps = ui_test::ChooseByKeys(2);
  RECT menu{};
  steps[0] = [&menu](PopupInput* input) {
    menu = PopupMenuRect(PopupMenuRunning());
    ui_test::PopupKey(kKeyDown)(input);
  };
  ui_test::SetPopupScript(&steps);
  InputEvent press{};
  press.x = last->legend.left + 5;
  press.y = last->legend.top + 4;
  press.rightButton = press.anyButton = 1;
  window->labels->MouseDown(&press, window->labels);
  ui_test::SetPopupScript(nullptr);
  EXPECT_EQ(window->current, variable);
  EXPECT_NE(variable->colour, before);
  EXPECT_EQ(last->series.colour, variable->colour);
  // The menu stood at the swatch (3 pixels left of its right edge, the menu 6 right of the
  // point), not at the chooser on the page.
  T_GrafElement* chooser = nullptr;
  for (T_GrafElement* e : window->panelItems) {
    auto* frame = dynamic_cast<T_Item*>(e);
    if (frame && frame->id == kGraphicFrame) chooser = frame->firstChild;
  }
  ASSERT_NE(chooser, nullptr);
  EXPECT_EQ(menu.left + chooser->offsetX - window->labels->offsetX, last->legend.left + 17 - 3 + 6);
}

TEST_F(TFuncWindowTest, LabelColumnSelectionsTakeTheWholeCardAndOpenItsCardEditor) {
  // A second group on card 230205-2: two Active Groups rows name that card.
  time_test::AddLine(base, {PackDate(2023, 2, 5), 2, "1910", {7, 1}});
  ASSERT_NE(Open(), nullptr);
  window->SetPeriodType(kPeriodActiveGroups, nullptr);
  ASSERT_TRUE(window->CalculateNow());
  struct Case {
    int64_t row;
    int32_t field;
    int64_t first, last;
  } cases[] = {
      {3, 0, 3, 4}, {4, 0, 3, 4},  // either row of the card takes both
      {2, 0, 2, 2},                // 230205-1 alone
      {0, 0, 0, 0},                // Before
      {4, 1, 4, 4},                // a value column is not widened
  };
  for (const Case& c : cases) {
    CellRange range{c.row, c.field, c.row, c.row, c.field, c.field};
    window->SelectRange(&range);
    EXPECT_EQ(range.firstRow, c.first) << c.row << "," << c.field;
    EXPECT_EQ(range.lastRow, c.last) << c.row << "," << c.field;
  }
  static std::vector<std::string> opened;
  opened.clear();
  ObjectServices services = CurrentObjectServices();
  services.openCardEditor = [](T_Base*, const CardId* id, int32_t line) {
    char key[32] = {};
    FormatCardIdCStr(key, id);
    opened.push_back(std::string(key) + "/" + std::to_string(line));
  };
  SetObjectServices(&services);
  window->OnCellsSelected(4, 0);
  window->OnCellsSelected(0, 0);  // Before names no card
  window->OnCellsSelected(4, 1);  // a value column opens no card
  window->SetPeriodType(kPeriodMonths, nullptr);
  ASSERT_TRUE(window->CalculateNow());
  window->OnCellsSelected(2, 0);  // a month names no card
  SetObjectServices(nullptr);
  CardId id{PackDate(2023, 2, 5), 2};
  char key[32] = {};
  FormatCardIdCStr(key, &id);
  EXPECT_EQ(opened, (std::vector<std::string>{std::string(key) + "/0"}));
}

TEST_F(TFuncWindowTest, OpenTimeScaleRunsTheEditorsHookOnTheScaleInForce) {
  TimeScale* scale = NewScale("Terms", {{PackDate(2023, 1, 1), "Spring term"}});
  ASSERT_NE(Open(OverScale("Terms")), nullptr);
  window->pressedTitleField = window->labelField;
  ContextMenuRecord list;
  window->TitleContextMenu(&list, kMenuPhaseList);
  std::vector<uint16_t> ids;
  for (const uint16_t* id = list.commands.list; id && *id; ++id) ids.push_back(*id);
  EXPECT_EQ(ids, (std::vector<uint16_t>{kCommandOpenTimeScale}));
  auto selectable = [&] {
    ContextMenuRecord record;
    record.entry = kCommandOpenTimeScale;
    record.selectable = 7;
    window->TitleContextMenu(&record, kMenuPhaseMeasure);
    return static_cast<int>(record.selectable);
  };
  EXPECT_EQ(selectable(), 0);  // no editors: disabled
  static TimeScale* asked = nullptr;
  asked = nullptr;
  ObjectServices services = CurrentObjectServices();
  services.openTimeScaleEditor = [](T_Base*, TimeScale* s) { asked = s; };
  SetObjectServices(&services);
  EXPECT_EQ(selectable(), 1);
  ContextMenuRecord run;
  run.entry = kCommandOpenTimeScale;
  window->TitleContextMenu(&run, kMenuPhaseRun);
  SetObjectServices(nullptr);
  EXPECT_EQ(asked, scale);
  // Months: no time scale in force, no command.
  window->SetPeriodType(kPeriodMonths, nullptr);
  ASSERT_TRUE(window->CalculateNow());
  ContextMenuRecord months;
  window->TitleContextMenu(&months, kMenuPhaseList);
  EXPECT_TRUE(!months.commands.list || !*months.commands.list);
  EventHandler_CloseAndDelete(window, 3);
  window = nullptr;
  delete scale;
}

TEST_F(TFuncWindowTest, TimeScalePeriodsWithoutNamesShowTheirDates) {
  // Unnamed periods from 15 January and 1 March 2023; the stretch before the first is unnamed
  // too.
  TimeScale* scale = NewScale("Plain", {{PackDate(2023, 1, 15), ""}, {PackDate(2023, 3, 1), ""}});
  ASSERT_NE(Open("#T\nVN\tSum\t\nVF\tA\nVM\tSP\nK\t230101\t230331\nPL\tX\nPX\tPlain\n"),
            nullptr);
  ASSERT_EQ(window->data.scaleInForce, scale);
  // Before, up to 14 January, 15 January to 28 February, 1 to 31 March.
  ASSERT_EQ(window->rowCount, 4);
  auto range = [](PackedDate from, PackedDate to) {
    return DateText(from) + " - " + DateText(to);
  };
  EXPECT_EQ(Label(1), range(PackDate(2023, 1, 1), PackDate(2023, 1, 14)));
  EXPECT_EQ(Label(2), range(PackDate(2023, 1, 15), PackDate(2023, 2, 28)));
  // The last period has an open end: the row's own end is shown, never the open end's number.
  EXPECT_EQ(Label(3), range(PackDate(2023, 3, 1), PackDate(2023, 3, 31)));
  EXPECT_EQ(Row(2)[1], "20");  // -30 + 50 on 5 February
  window->labelOptions.endDatesOnly = 1;
  EXPECT_EQ(Label(2), DateText(PackDate(2023, 2, 28)));
  EventHandler_CloseAndDelete(window, 3);
  window = nullptr;
  delete scale;
}

TEST_F(TFuncWindowTest, VariablePagesFitTheDefaultWidthWithoutOverlaps) {
  ASSERT_NE(Open(), nullptr);
  T_GrafElement* page = window->modeItem;
  ASSERT_NE(page, nullptr);
  for (T_TVariable* v : {window->data.variables->next, window->data.variables->next->next}) {
    window->SelectVariable(v);
    // The page's items (a frame with the title above it, the selection fields' labels among them),
    // in the page's coordinates.
    std::vector<RECT> rects;
    for (T_GrafElement* e = page->firstChild; e; e = e->next) {
      RECT r{e->offsetX - page->offsetX, e->offsetY - page->offsetY, 0, 0};
      r.right = r.left + e->width;
      r.bottom = r.top + e->height;
      if (dynamic_cast<T_Frame*>(e)) r.top -= 15;
      rects.push_back(r);
    }
    ASSERT_GT(rects.size(), 6u) << v->name;
    for (size_t i = 0; i < rects.size(); ++i) {
      const RECT& a = rects[i];
      EXPECT_TRUE(a.left >= 0 && a.top >= 0 && a.right <= page->width && a.bottom <= page->height)
          << v->name << " item " << i << " at " << a.left << "," << a.top << " to " << a.right
          << "," << a.bottom;
      for (size_t j = i + 1; j < rects.size(); ++j) {
        RECT both;
        EXPECT_FALSE(IntersectRect(&both, &a, &rects[j])) << v->name << " items " << i << ", " << j;
      }
    }
  }
}

TEST_F(TFuncWindowTest, SelectionPageShowsAndEditsNotesValuesAndSubset) {
  ASSERT_NE(Open(), nullptr);
  auto* sum = static_cast<T_TSelection*>(window->data.variables);
  Selection_setNotesPattern(&sum->selection, "late*");
  Selection_setValueCondition(&sum->selection, ">5", 1);
  window->SelectVariable(window->data.formulas);
  window->SelectVariable(sum);
  const SelectionHeader& h = window->header;
  ASSERT_NE(h.notesField, nullptr);
  ASSERT_NE(h.subsetField, nullptr);
  ASSERT_NE(h.valueFields[1], nullptr);
  T_TextBuf text;
  h.notesField->GetText(&text);
  EXPECT_STREQ(text.data, "late*");
  h.valueFields[1]->GetText(&text);
  EXPECT_STREQ(text.data, ">5");
  EXPECT_EQ(h.subsetField->combination, Selection_Combination(&sum->selection));
  EXPECT_EQ(h.subsetField->y, h.valueFields[1]->y + kHeaderRowPitch + 4);
  EXPECT_TRUE(window->HasHeaderField(kHeaderNotes));
  ASSERT_TRUE(window->CalculateNow());
  ASSERT_FALSE(window->CalcButtonEnabled());
  h.notesField->SetTextNotify("early*");
  Selection_Pattern(&sum->selection, kHeaderNotes, &text);
  EXPECT_STREQ(text.data, "early*");
  EXPECT_TRUE(window->CalcButtonEnabled());
  // The fields go with the page.
  window->SelectVariable(window->data.formulas);
  EXPECT_EQ(h.notesField, nullptr);
  EXPECT_EQ(h.subsetField, nullptr);
  EXPECT_EQ(h.valueFields[1], nullptr);
  EXPECT_FALSE(window->HasHeaderField(kHeaderNotes));
}

TEST_F(TFuncWindowTest, ABlankItemSeparatesSelectionsFromFormulas) {
  ASSERT_NE(Open(), nullptr);
  auto items = [&] {
    std::string text;
    ModeNode* root = window->modeBox->FindNode(kTFuncVariablesItem);
    for (ModeNode* n = root ? root->firstChild : nullptr; n; n = n->next) {
      ModeboxEvent record;
      window->modeBox->Describe(n, &record);
      text += std::string(record.text && *record.text ? record.text : "-") + " ";
    }
    return text;
  };
  EXPECT_EQ(items(), "Sum Last - Diff ");
  T_TSelection* added = window->NewSelection();
  ASSERT_NE(added, nullptr);
  const std::string selections = std::string("Sum Last ") + added->name;
  EXPECT_EQ(items(), selections + " - Diff ");
  // Stepping through the mode box passes over the blank item.
  window->modeBox->StepSelection(1);
  EXPECT_EQ(window->current, window->data.formulas);
  window->EraseVariable(window->data.formulas);
  EXPECT_EQ(items(), selections + " ");
  window->NewFormula();
  EXPECT_EQ(items().find(" - "), selections.size());
}

TEST_F(TFuncWindowTest, PrintedDefinitionPagesAcross) {
  EXPECT_EQ(DefinitionPages(0, 500), 1);
  EXPECT_EQ(DefinitionPages(3, 500), 1);   // (500 - 96) / 101 = 4 on the first page
  EXPECT_EQ(DefinitionPages(5, 500), 2);   // 4, then 4 per page
  EXPECT_EQ(DefinitionPages(13, 500), 4);
  ASSERT_NE(Open(), nullptr);
  BoxDrawRecord record{};
  record.phase = 1;
  record.band = RECT{0, 0, 200, 800};
  record.pageCount = 1;
  window->PrintPart(&record);
  EXPECT_EQ(record.pageCount, 2);  // two selections: one on the first page, one on the next
  EXPECT_GE(record.height, 12 * 4);
  // The header is lowered by 2 x (26 - title height) - 3 while that is positive.
  const int32_t drops[][2] = {{19, 11}, {24, 1}, {25, 0}, {40, 0}, {0, 49}};
  for (const auto& d : drops) EXPECT_EQ(TFuncPrintHeaderDrop(d[0]), d[1]) << d[0];
  record = BoxDrawRecord{};
  record.phase = 0;
  record.band = RECT{10, 20, 600, 800};
  window->PrintPart(&record);
  EXPECT_EQ(record.band.top, 20 + TFuncPrintHeaderDrop(window->titleHeight));
}

// --- Outputs -------------------------------------------------------------------------------------

TEST_F(TFuncWindowTest, OutputsCarryDrillLinksTheDocumentAndTheDefinition) {
  ASSERT_NE(Open(), nullptr);
  const BoxWinServices saved = BoxServices();
  BoxWinServices services = saved;
  services.webUserDrills = [] { return true; };
  services.webSelfUrl = [](T_TextBuf* url) {
    TextBufAssign(url, "qeb.cgi?db=A&sort=x:D&page=2");
    return true;
  };
  SetBoxWinServices(&services);
  SetWebRequestActive(true);
  auto write = [&](uint32_t format) {
    window->output.format = format;
    T_OStream stream;
    window->WriteText(&stream, 0);
    return box_test::StreamText(stream);
  };
  window->output.headerRows = window->output.dataRows = window->output.definition = 1;
  const std::string html = write(kOutputHtml);
  // 2023 January: Sum 100 and Diff 100 are linked, Last 0 is not; sort and page are dropped.
  const size_t january = html.find("2023 January");
  ASSERT_NE(january, std::string::npos);
  const std::string row = html.substr(january, html.find("</tr>", january) - january);
  EXPECT_NE(row.find("drill=Sum"), std::string::npos) << row;
  EXPECT_NE(row.find("drill=Diff"), std::string::npos) << row;
  EXPECT_EQ(row.find("drill=Last"), std::string::npos) << row;
  EXPECT_EQ(html.find("sort=x"), std::string::npos);
  const std::string xml = write(kOutputXml);
  EXPECT_NE(xml.find("<QEB-TimeFunctions"), std::string::npos);
  EXPECT_NE(xml.find("<period name=\"2023 January\">"), std::string::npos);
  const std::string text = write(kOutputText);
  EXPECT_NE(text.find("Selections"), std::string::npos);
  EXPECT_NE(text.find("Formulas"), std::string::npos);
  EXPECT_EQ(text.find("## Selection"), std::string::npos);
  SetWebRequestActive(false);
  SetBoxWinServices(&saved);
}

// --- Drill-through -----------------------------------------------------------------------------

TEST_F(TFuncWindowTest, DrillCommandsAndTheDrillToolOpenTheWindowsBehindAVariable) {
  T_NoAlerts quiet;
  ASSERT_NE(Open(), nullptr);
  T_TVariable* sum = window->data.variables;
  T_TVariable* diff = window->data.formulas;
  ASSERT_NE(sum->field, nullptr);
  // The column menu offers the commands enabled and runs them.
  window->pressedTitleField = window->CurveOfVariable(sum);
  ContextMenuRecord record;
  record.entry = 3146;  // "» Time Functions"
  record.selectable = 0;
  window->TitleContextMenu(&record, kMenuPhaseMeasure);
  EXPECT_EQ(record.selectable, 1);
  T_TFunc* drilled = AsTFuncWindow(window->RunDrillCommand(3146, sum));
  ASSERT_NE(drilled, nullptr);
  EXPECT_NE(TFuncFindVariable(&drilled->data, "Sum"), nullptr);
  EventHandler_CloseAndDelete(drilled, 3);
  // The drill tool on the formula's January 2024 cell: the time functions of what it needs over
  // that month.
  int64_t row = -1;
  for (int64_t r = 0; r < window->rowCount; ++r)
    if (Label(r) == "2024 January") row = r;
  ASSERT_GE(row, 0);
  drilled = AsTFuncWindow(window->DrillAt(TFuncRowEntry(&window->data, &window->order, row), diff));
  ASSERT_NE(drilled, nullptr);
  EXPECT_NE(TFuncFindVariable(&drilled->data, "Sum"), nullptr);
  EXPECT_NE(TFuncFindVariable(&drilled->data, "Last"), nullptr);
  EventHandler_CloseAndDelete(drilled, 3);
}

// What a drill opened: the template's kind, name and first dimension (components).
struct Drilled {
  int32_t kind = 0;
  std::string name;
  int32_t dimension = -1;
};
Drilled g_drilled;
T_HWindow* RecordDrill(T_Template* templ, T_Template*, int32_t) {
  g_drilled.kind = templ->kind;
  g_drilled.name = templ->name ? templ->name : "";
  if (T_CompsTmpl* comps = AsCompsTemplate(templ)) g_drilled.dimension = comps->viewDims.dimension[0];
  return nullptr;
}

class TFuncDrillMenuTest : public TFuncWindowTest {
 protected:
  void SetUp() override {
    TFuncWindowTest::SetUp();
    InstallLinesTemplate();
    InstallCompsTemplate();
    for (int32_t kind : {kTemplateLines, kTemplateComponents, kTemplateComponentFunctions})
      SetWindowOpener(kind, RecordDrill);
  }
  void TearDown() override {
    ui_test::SetPopupScript(nullptr);
    for (int32_t kind : {kTemplateLines, kTemplateComponents, kTemplateComponentFunctions})
      SetWindowOpener(kind, nullptr);
    SetTemplateConstructor(kTemplateComponents, nullptr);
    TFuncWindowTest::TearDown();
  }
  // The drill tool pressed on the cell of the variable's column in the row labelled `label`
  // (empty: its title, for the whole range), the menu driven by the steps; what opened.
  Drilled Press(T_TVariable* variable, const std::string& label, std::vector<ui_test::PopupStep> steps) {
    g_drilled = Drilled{};
    ui_test::SetPopupScript(&steps);
    InputEvent press{};
    press.leftButton = press.anyButton = 1;
    press.control = 1;  // the range tool drills with the control key
    T_BoxField* curve = window->CurveOfVariable(variable);
    int32_t field = 0;
    for (T_BoxField* f = window->firstField; f && f != curve; f = f->next) ++field;
    if (label.empty()) {
      window->ClickFieldTitle(&press, curve);
    } else {
      int64_t row = -1;
      for (int64_t r = 0; r < window->rowCount; ++r)
        if (Label(r) == label) row = r;
      EXPECT_GE(row, 0) << label;
      window->ClickCell(&press, row, field, window->GetEffectiveTool(&press));
    }
    ui_test::SetPopupScript(nullptr);
    return g_drilled;
  }
  // A step that notes the menu's current entry and its rectangle.
  ui_test::PopupStep Look() {
    return [this](PopupInput* input) {
      const PopupMenuState* menu = PopupMenuRunning();
      looked = menu ? PopupMenuCurrent(menu) : -2;
      if (menu) lookedRect = PopupMenuRect(menu);
      ui_test::PopupKey(0)(input);
    };
  }
  int32_t looked = -2;
  RECT lookedRect{};
};

TEST_F(TFuncDrillMenuTest, MenuOffersTheOwnWindowAndEachDimensionWithComponents) {
  ASSERT_NE(Open(), nullptr);
  T_TVariable* sum = window->data.variables;
  TFuncDrillMenu menu;
  menu.Build(base, sum);
  const std::string mark = "\xC2\xBB ";
  EXPECT_EQ(menu.labels, (Texts{"\xC2\xBB Lines", "", mark + base->GetDimPlural(0),
                                mark + base->GetDimPlural(1)}));
  EXPECT_EQ(menu.choices, (std::vector<int32_t>{kDrillChoiceOwn, -1, kDrillChoiceFirstDimension,
                                                kDrillChoiceFirstDimension + 1}));
  EXPECT_EQ(menu.EntryOf(kDrillChoiceFirstDimension + 5), -1);
  // A formula, and a selection whose measure the lines window cannot show, drill into time
  // functions.
  menu.Build(base, window->data.formulas);
  EXPECT_EQ(menu.labels[0], "\xC2\xBB Time Functions");
  static_cast<T_TSelection*>(sum)->measure = kMeasureProduct;
  menu.Build(base, sum);
  EXPECT_EQ(menu.labels[0], "\xC2\xBB Time Functions");
  // Without a dimension in use there is no separator.
  auto* bare = new T_Base(nullptr, 0);
  menu.Build(bare, sum);
  delete bare;
  EXPECT_EQ(menu.labels, Texts{"\xC2\xBB Time Functions"});
}

TEST_F(TFuncDrillMenuTest, TheChoiceIsRememberedMarkedAndKeptOnCancel) {
  T_NoAlerts quiet;
  ASSERT_NE(Open(), nullptr);
  T_TVariable* sum = window->data.variables;
  using ui_test::PopupKey;
  // The third entry down (the second dimension) from the cell of January 2024.
  Drilled d = Press(sum, "2024 January",
                    {PopupKey(kKeyDown), PopupKey(kKeyDown), PopupKey(kKeyDown), Look(),
                     PopupKey(kKeyEnter)});
  EXPECT_EQ(d.kind, kTemplateComponents);
  EXPECT_EQ(d.dimension, 1);
  EXPECT_EQ(window->drillChoice, kDrillChoiceFirstDimension + 1);
  // The menu stood 3 pixels left of the cell's right edge (the popup starts 6 right of that).
  EXPECT_EQ(lookedRect.left, window->CurveOfVariable(sum)->column.right - window->GetScrollX() - 3 + 6 +
                                 window->grid->offsetX - window->offsetX);
  // Next time the choice is marked (the first Down lands on it); Escape opens nothing and
  // keeps it.
  d = Press(sum, "2024 January", {PopupKey(kKeyDown), Look(), PopupKey(kKeyEscape)});
  EXPECT_EQ(looked, 3);
  EXPECT_EQ(d.kind, 0);
  EXPECT_EQ(window->drillChoice, kDrillChoiceFirstDimension + 1);
  // A remembered dimension without components marks the measure's own window: a negated sum
  // opens the lines of the month, named with the sign.
  window->drillChoice = kDrillChoiceFirstDimension + 7;
  static_cast<T_TSelection*>(sum)->measure = kMeasureNegSum;
  d = Press(sum, "2024 January", {PopupKey(kKeyDown), Look(), PopupKey(kKeyEnter)});
  EXPECT_EQ(looked, 0);
  EXPECT_EQ(d.kind, kTemplateLines);
  EXPECT_EQ(d.name, "-Sum");
  EXPECT_EQ(window->drillChoice, kDrillChoiceOwn);
  // The column title drills over the whole range; the menu opens in the title row.
  d = Press(sum, "", {Look(), PopupKey(kKeyDown), PopupKey(kKeyDown), PopupKey(kKeyEnter)});
  EXPECT_EQ(d.kind, kTemplateComponents);
  EXPECT_EQ(d.dimension, 0);
  EXPECT_LT(lookedRect.top, window->grid->offsetY - window->offsetY);
}

TEST_F(TFuncDrillMenuTest, LegendAndDiagramPressesOpenTheMenu) {
  T_NoAlerts quiet;
  ASSERT_NE(Open(), nullptr);
  window->SetViewModeOf(1);
  ASSERT_NE(window->labels, nullptr);
  using ui_test::PopupKey;
  // The drill tool on the legend entry of "Sum": the menu at once, for the whole range.
  auto* entry = static_cast<T_TFuncCurve*>(window->labelField->next);
  std::vector<ui_test::PopupStep> steps = {PopupKey(kKeyDown), PopupKey(kKeyEnter)};
  ui_test::SetPopupScript(&steps);
  g_drilled = Drilled{};
  InputEvent press{};
  press.x = entry->legend.left + 30;
  press.y = entry->legend.top + 4;
  press.leftButton = press.anyButton = 1;
  press.control = 1;  // the zoom tool drills with the control key
  window->labels->MouseDown(&press, window->labels);
  EXPECT_EQ(g_drilled.kind, kTemplateLines);
  EXPECT_EQ(g_drilled.name, "Sum");
  // A click on a drawn bar of "Sum" drills into its period.
  window->LayoutForGrid();
  const RECT plot = window->layout.plot;
  POINT hit{-1, -1};
  for (int32_t y = plot.top; y < plot.bottom && hit.x < 0; y += 2) {
    for (int32_t x = plot.left; x < plot.right && hit.x < 0; x += 2) {
      int64_t e = -1;
      if (window->HitDiagram(POINT{x, y}, &e, nullptr) && window->hitColumn == 0) hit = POINT{x, y};
    }
  }
  ASSERT_GE(hit.x, 0);
  static InputEvent release;
  release = InputEvent{};
  release.x = hit.x;
  release.y = hit.y;
  release.time = 10;
  SetZoomTrackInput([](InputEvent* event) { *event = release; });
  steps = {PopupKey(kKeyDown), PopupKey(kKeyEnter)};
  ui_test::SetPopupScript(&steps);
  g_drilled = Drilled{};
  press.x = hit.x;
  press.y = hit.y;
  window->DragDiagram(&press);
  SetZoomTrackInput(nullptr);
  EXPECT_EQ(window->current, window->data.variables);
  EXPECT_EQ(g_drilled.kind, kTemplateLines);
  EXPECT_EQ(g_drilled.name, "Sum");
}

// --- The example ---------------------------------------------------------------------------------

TEST_F(TFuncWindowTest, TheExampleShowsMonthlySalesBesideLastYear) {
  T_NoAlerts quiet;
  T_Base* example = BuildExampleDatabase();
  ASSERT_NE(example, nullptr);
  T_Template* stored = FindTemplate(example, "Tidsfunktioner: Försäljning per månad");
  ASSERT_NE(AsTimeFunctionsTemplate(stored), nullptr);
  window = AsTFuncWindow(OpenTimeFunctionsWindow(stored, nullptr, 0));
  ASSERT_NE(window, nullptr);
  window->templ = nullptr;
  ASSERT_TRUE(window->CalculateNow());
  ASSERT_EQ(window->data.typeInForce, kPeriodMonths);
  ASSERT_GE(window->rowCount, 14);
  EXPECT_EQ(Label(0).rfind("Before ", 0), 0u);
  EXPECT_EQ(Label(window->rowCount - 1), "Totals");
  // Each month's "Ifjol" is "Utfall" twelve rows up; "Skillnad" is their difference.
  const TFuncData& d = window->data;
  bool nonZero = false;
  for (int64_t e = kEntryFirstPeriod; e < d.periodCount; ++e) {
    const double* v = TFuncEntryAt(&d, e)->values;
    EXPECT_DOUBLE_EQ(v[2], v[0] - v[1]) << e;
    if (e >= kEntryFirstPeriod + 12) EXPECT_DOUBLE_EQ(v[1], TFuncEntryAt(&d, e - 12)->values[0]) << e;
    nonZero = nonZero || v[0] != 0;
  }
  EXPECT_TRUE(nonZero);
  const double* totals = TFuncEntryAt(&d, kEntryTotals)->values;
  EXPECT_NEAR(totals[2], totals[0] - totals[1], 1e-6);
  // The grid view with "Before" and "Totals", for the contact sheet.
  window->ToggleHeader();
  ui_test::Picture top = ui_test::Capture(window);
  window->ScrollByRows(window->rowCount);
  ui_test::Picture bottom = ui_test::Capture(window);
  std::vector<uint32_t> both(top.pixels);
  both.insert(both.end(), bottom.pixels.begin(), bottom.pixels.end());
  ASSERT_EQ(top.width, bottom.width);
  ASSERT_TRUE(WritePixelsAsBitmap(both.data(), top.width, top.height + bottom.height,
                                  "tfunc_example.bmp"));
  // The diagram view: both selections as bars side by side, their difference as a curve. A
  // press on what is drawn finds a period row and one of the three columns.
  window->SetViewModeOf(1);
  ui_test::Picture diagram = ui_test::Capture(window);
  ASSERT_TRUE(WritePixelsAsBitmap(diagram.pixels.data(), diagram.width, diagram.height,
                                  "tfunc_example_diagram.bmp"));
  window->LayoutForGrid();
  const RECT plot = window->layout.plot;
  bool columns[3] = {};
  for (int32_t y = plot.top; y < plot.bottom; y += 2) {
    for (int32_t x = plot.left; x < plot.right; x += 2) {
      int64_t entry = -1;
      if (!window->HitDiagram(POINT{x, y}, &entry, nullptr)) continue;
      EXPECT_GE(entry, kEntryFirstPeriod);
      EXPECT_LT(entry, d.periodCount);
      ASSERT_GE(window->hitColumn, 0);
      ASSERT_LT(window->hitColumn, 3);
      columns[window->hitColumn] = true;
    }
  }
  EXPECT_TRUE(columns[0] && columns[1] && columns[2]);
  EventHandler_CloseAndDelete(window, 3);
  window = nullptr;
  delete example;
}

// --- Pictures ------------------------------------------------------------------------------------

TEST_F(TFuncWindowTest, ContactSheetOfTheWindow) {
  T_NoAlerts quiet;
  ASSERT_NE(Open(), nullptr);
  ui_test::ContactSheet sheet(3, 2, 720, 420);
  int32_t slot = 0;
  auto place = [&](const ui_test::Picture& picture) { sheet.Place(picture, slot++); };
  // Quarters: Before, the periods and Totals on one screen; the shifted selection's page.
  window->SetPeriodType(kPeriodQuarters, nullptr);
  ASSERT_TRUE(window->CalculateNow());
  window->SelectVariable(window->data.variables->next);
  place(ui_test::Capture(window));
  window->SetPeriodType(kPeriodMonths, nullptr);
  ASSERT_TRUE(window->CalculateNow());
  window->SelectVariable(window->data.formulas);
  place(ui_test::Capture(window));
  window->OpenOptionsPage();
  place(ui_test::Capture(window));
  window->SetViewModeOf(1);
  window->OpenAxisLimitsPage();
  place(ui_test::Capture(window));
  // The legend wrapped: many long titles.
  for (int32_t i = 0; i < 6; ++i) {
    T_TSelection* s = window->NewSelection();
    ASSERT_NE(s, nullptr);
    BlockTextAssign(&s->title, "A rather long variable title");
    window->VariableChanged(s, false);
  }
  window->RebuildCurves();
  place(ui_test::Capture(window));
  ASSERT_GT(window->labels->height, 21);
  // The "Move Selection" dialog.
  T_AttendedAlerts attended;
  WhileModal([&](T_Window* dialog) {
    place(ui_test::Capture(dialog));
    PressButton(dialog, kDialogCancelId);
  });
  TimeShift shift;
  RunCustomMove(nullptr, &shift);
  ASSERT_TRUE(sheet.Save("tfunc_sheet.bmp"));
}

TEST_F(TFuncWindowTest, NumbersAreWholeOrHashesInNarrowColumns) {
  ASSERT_NE(Open(), nullptr);
  box_test::ExpectNumbersWholeOrHashes(window, 20);
}

}  // namespace
