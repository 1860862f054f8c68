// The variables of the time functions window: names, renames that formulas follow, the erase
// guard, the clipboard text forms, the cycle check, and the calculation's refusals and failures.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "analysis/time/time_calculation.h"
#include "core/alert.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "core/value_format.h"
#include "database/change_notes.h"
#include "database/time_scale.h"
#include "tests/analysis/time/time_fixture.h"

namespace {

class Alerts : public T_AlertHandler {
 public:
  void Notify(const AlertRequest*) override {}
  int32_t Ask(const AlertRequest* request) override {
    messages.push_back(request->message);
    texts.push_back(request->textCount > 0 ? request->texts[0] : "");
    return 0;
  }
  bool IsUnattended() override { return true; }
  std::vector<int32_t> messages;
  std::vector<std::string> texts;
};

std::string Text(const char* block) { return block ? block : ""; }

class TFuncVariablesTest : public time_test::TimeTest {
 protected:
  void SetUp() override {
    time_test::TimeTest::SetUp();
    for (int32_t day = 1; day <= 20; ++day)
      time_test::AddLine(base, {PackDate(2024, 1, day), 1, "1910", {double(day), 1}});
    TFuncDataInit(&data, base);
    data.periodType = kPeriodDays;
  }
  void TearDown() override {
    TFuncDataFree(&data);
    time_test::TimeTest::TearDown();
  }
  T_TFormula* Formula(const char* name, const char* text) {
    T_TFormula* f = TFuncNewFormula(&data, name);
    BlockTextAssign(&f->text, text);
    return f;
  }
  std::string Written(const T_TVariable* v) {
    T_OStream stream;
    TFuncWriteVariable(v, &stream);
    return time_test::Written(stream);
  }
  int32_t Calculate() { return CalculateTimeFunctions(&data, nullptr, nullptr); }

  TFuncData data;
};

TEST_F(TFuncVariablesTest, NamesAreMadeUniqueWithoutRegardToCase) {
  EXPECT_EQ(Text(TFuncNewSelection(&data, nullptr)->name), "A");
  EXPECT_EQ(Text(TFuncNewSelection(&data, "a")->name), "b");
  EXPECT_EQ(Text(TFuncNewSelection(&data, "Sales 2024")->name), "Sales.2024");
  EXPECT_EQ(Text(TFuncNewFormula(&data, nullptr)->name), "F1");
  EXPECT_EQ(Text(TFuncNewFormula(&data, "")->name), "F2");
  EXPECT_EQ(data.selectionCount, 3);
  EXPECT_EQ(data.formulas->nextFormula->ModeBoxIndex(), 3 + 1 + 1);
}

TEST_F(TFuncVariablesTest, RenameRewritesValueAndLineCountInEveryFormula) {
  T_TSelection* a = TFuncNewSelection(&data, "A");
  TFuncNewSelection(&data, "C");
  T_TFormula* f = Formula("F", "A+#A*2+AB");
  T_TFormula* g = Formula("G", "a/2");
  EXPECT_FALSE(TFuncRename(&data, a, "c"));  // taken
  EXPECT_FALSE(TFuncRename(&data, a, " "));  // empty
  EXPECT_FALSE(TFuncRename(&data, a, "A"));  // unchanged
  EXPECT_TRUE(TFuncRename(&data, a, "B"));
  EXPECT_EQ(Text(a->name), "B");
  EXPECT_EQ(Text(f->text), "B+#B*2+AB");
  EXPECT_EQ(Text(g->text), "B/2");
  // The renamed formula still compiles against the new name.
  BuildFormulaNames(&data);
  CompileFormula(&data, f);
  EXPECT_TRUE(f->RefersTo(a));
}

TEST_F(TFuncVariablesTest, EraseRefusesAVariableInUse) {
  Alerts alerts;
  T_TSelection* a = TFuncNewSelection(&data, "A");
  T_TSelection* b = TFuncNewSelection(&data, "B");
  T_TFormula* f = Formula("F", "#B+1");
  bool stale = false;
  EXPECT_FALSE(TFuncErase(&data, b, &stale));
  ASSERT_EQ(alerts.messages, std::vector<int32_t>{kMsgVariableInUse});
  EXPECT_EQ(alerts.texts[0], "B");
  EXPECT_EQ(data.selectionCount, 2);
  EXPECT_TRUE(TFuncErase(&data, f, &stale));
  EXPECT_TRUE(stale);
  EXPECT_TRUE(TFuncErase(&data, b, &stale));
  // The last selection stays, reset under a fresh name.
  BlockTextAssign(&a->title, "Title");
  a->measure = kMeasureMaximum;
  BlockTextAssign(&a->name, "Q");
  EXPECT_TRUE(TFuncErase(&data, a, &stale));
  EXPECT_EQ(data.selections, a);
  EXPECT_EQ(Text(a->name), "A");
  EXPECT_EQ(a->title, nullptr);
  EXPECT_EQ(a->measure, kMeasureSum);
  EXPECT_EQ(alerts.messages.size(), 1u);
}

TEST_F(TFuncVariablesTest, TextFormsReadBackAndPasteUnderFreeNames) {
  T_TSelection* a = TFuncNewSelection(&data, "A");
  BlockTextAssign(&a->title, "Sales");
  a->measure = kMeasureAverage;
  a->accumulation = kAccumulateByPeriod;
  a->valueColumn = 1;
  a->shift = TimeShiftFromText("-2W", 3);
  a->totals = 1;
  a->colour = 13;
  Selection_setPattern(&a->selection, kPatternLineText, "rent");
  T_TFormula* f = Formula("F1", "A*2");
  f->operation = kOperationDifference;
  f->diagramForm = 2;

  const std::string selectionText = Written(a);
  EXPECT_EQ(selectionText.rfind("## Selection\tA\tSales\n", 0), 0u) << selectionText;
  T_TVariable* copy = TFuncDuplicate(&data, a);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(Text(copy->name), "B");
  auto* s = static_cast<T_TSelection*>(copy);
  EXPECT_EQ(s->measure, kMeasureAverage);
  EXPECT_EQ(s->accumulation, kAccumulateByPeriod);
  EXPECT_EQ(s->valueColumn, 1);
  EXPECT_EQ(s->shift.kind, 7);
  EXPECT_EQ(s->shift.count, -2);
  EXPECT_EQ(s->shift.unit, 2);
  EXPECT_EQ(s->totals, 1);
  EXPECT_EQ(s->colour, 13);
  EXPECT_EQ(Text(Selection_patternText(&s->selection, kPatternLineText)), "rent");
  // Written again under its own name, the copy reads as the original.
  std::string again = Written(copy);
  EXPECT_EQ(again.substr(again.find('\n')), selectionText.substr(selectionText.find('\n')));

  T_TVariable* formulaCopy = TFuncDuplicate(&data, f);
  ASSERT_NE(formulaCopy, nullptr);
  EXPECT_EQ(Text(formulaCopy->name), "F2");
  auto* g = static_cast<T_TFormula*>(formulaCopy);
  EXPECT_EQ(Text(g->text), "A*2");
  EXPECT_EQ(g->operation, kOperationDifference);
  EXPECT_EQ(g->diagramForm, 2);

  // Pasting onto the current variable of the same kind reuses it with the defaults of a new
  // selection (the first selection's column); "c" reads as Sum; a column the database does not
  // have is left.
  const std::string pasted = "## Selection\tZ\t\nVF\tX\nVM\tcP\n";
  EXPECT_EQ(TFuncPaste(&data, pasted.data(), int32_t(pasted.size()), copy), copy);
  EXPECT_EQ(Text(copy->name), "Z");
  EXPECT_EQ(s->measure, kMeasureSum);
  EXPECT_EQ(s->accumulation, kAccumulateByPeriod);
  EXPECT_EQ(s->valueColumn, 1);
  EXPECT_EQ(s->shift.kind, 0);
  // Text of another kind adds nothing (and leaves Paste disabled).
  const std::string other = "## Subset\tX\nhello\n";
  EXPECT_FALSE(TFuncTextHasVariables(other.data(), int32_t(other.size())));
  EXPECT_TRUE(TFuncTextHasVariables(pasted.data(), int32_t(pasted.size())));
  EXPECT_EQ(TFuncPaste(&data, other.data(), int32_t(other.size()), nullptr), nullptr);
  EXPECT_EQ(data.selectionCount + data.formulaCount, 4);
  // Several sections in one text each become a variable: a section's keys end at the next
  // header without swallowing it.
  const std::string several = "## Selection\tS1\t\nVM\tcP\n## Formula\tG1\t\nFF\tS1*2\n"
                              "## Selection\tS2\t\n";
  T_TVariable* lastPasted = TFuncPaste(&data, several.data(), int32_t(several.size()), nullptr);
  ASSERT_NE(lastPasted, nullptr);
  EXPECT_EQ(Text(lastPasted->name), "S2");
  EXPECT_EQ(data.selectionCount + data.formulaCount, 7);
  const T_TFormula* pastedFormula = data.formulas;
  while (pastedFormula && Text(pastedFormula->name) != "G1") pastedFormula = pastedFormula->nextFormula;
  ASSERT_NE(pastedFormula, nullptr);
  EXPECT_EQ(Text(pastedFormula->text), "S1*2");
  // Erasing every variable leaves the first selection, reset and named "A".
  EXPECT_EQ(TFuncEraseAll(&data), a);
  EXPECT_EQ(data.selectionCount + data.formulaCount, 1);
  EXPECT_EQ(Text(a->name), "A");
  EXPECT_EQ(a->title, nullptr);
  EXPECT_EQ(a->measure, kMeasureSum);
  EXPECT_EQ(a->shift.kind, 0);
}

// A blank line inside a section carries no key: it must not read the line before it again, which
// would empty the formula text.
TEST_F(TFuncVariablesTest, ABlankLineInAPastedSectionReadsNoKey) {
  const std::string text = "## Formula\tG\t\nFF\tA*2\n\nFG\tB\n";
  T_TVariable* v = TFuncPaste(&data, text.data(), int32_t(text.size()), nullptr);
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(Text(static_cast<T_TFormula*>(v)->text), "A*2");
  EXPECT_EQ(static_cast<T_TFormula*>(v)->diagramForm, 2);
}

TEST_F(TFuncVariablesTest, TemplateRecordsCarryEveryField) {
  T_TSelection* a = TFuncNewSelection(&data, "A");
  a->measure = kMeasureMedian;
  a->accumulation = kAccumulateByPeriod;
  a->shift = TimeShiftFromText("Q-", 2);
  a->lineStyle = 4;
  T_TSelectionTmpl record(nullptr, base);
  ASSERT_TRUE(a->WriteToTemplate(&record));
  T_TSelection* b = TFuncNewSelection(&data, "B");
  b->SetFromTemplate(&record);
  EXPECT_EQ(b->measure, kMeasureMedian);
  EXPECT_EQ(b->accumulation, kAccumulateByPeriod);
  EXPECT_EQ(b->shift.kind, 4);
  EXPECT_EQ(b->lineStyle, 4);
  T_TFormulaTmpl formula(nullptr, base);
  EXPECT_FALSE(a->WriteToTemplate(&formula));
}

TEST_F(TFuncVariablesTest, CyclesStopTheCalculationBeforeAnyCard) {
  TFuncNewSelection(&data, "A");
  T_TFormula* f = Formula("F", "F+1");
  T_TVariable* failed = nullptr;
  EXPECT_EQ(CalculateTimeFunctions(&data, nullptr, &failed), kMsgRefersToItself);
  EXPECT_EQ(failed, f);
  EXPECT_EQ(data.periodCount, 0);
  PendingErrorClear();
  T_TFormula* g = Formula("G", "H+A");
  Formula("H", "F");
  TFuncSetFormulaText(&data, f, "G*2");
  EXPECT_EQ(CalculateTimeFunctions(&data, nullptr, &failed), kMsgRefersIndirectly);
  EXPECT_EQ(failed, f);
  PendingErrorClear();
  TFuncSetFormulaText(&data, g, "A");
  EXPECT_EQ(Calculate(), kCalcStarted);
  EXPECT_EQ(data.periodCount, 2 + 20);
  // A formula the compiler refuses keeps its text and is missing in every period.
  TFuncSetFormulaText(&data, g, "(((");
  EXPECT_EQ(Calculate(), kCalcStarted);
  EXPECT_TRUE(std::isnan(TFuncEntryAt(&data, 5)->values[g->column]));
  PendingErrorClear();
}

TEST_F(TFuncVariablesTest, ABackwardRangeLeavesThePreviousResults) {
  TFuncNewSelection(&data, "A");
  ASSERT_EQ(Calculate(), kCalcStarted);
  const int64_t count = data.periodCount;
  CardId from{PackDate(2024, 1, 10), 1}, to{PackDate(2024, 1, 5), kCardSequenceOpen};
  DateRefSetDate(&data.from, &from);
  DateRefSetDate(&data.to, &to);
  EXPECT_EQ(Calculate(), kMsgNegativePeriod);
  EXPECT_EQ(data.periodCount, count);
  PendingErrorClear();
}

TEST_F(TFuncVariablesTest, ATableThatCannotGrowEndsThePassWithOutOfMemory) {
  T_TSelection* a = TFuncNewSelection(&data, "A");
  a->totals = 1;
  a->accumulation = kAccumulateByPeriod;
  SetTFuncEntryFailure(6);  // entries 0 and 1, then three periods
  EXPECT_EQ(Calculate(), kCalcStarted);
  SetTFuncEntryFailure(0);
  EXPECT_TRUE(data.outOfMemory);
  EXPECT_EQ(PendingError.request.message, kErrorOutOfMemory);
  ASSERT_EQ(data.periodCount, 5);
  EXPECT_EQ(data.lastDate, PackDate(2024, 1, 3));
  EXPECT_EQ(TFuncEntryAt(&data, 4)->values[0], 3.0);
  EXPECT_EQ(TFuncEntryAt(&data, 1)->values[0], 1.0 + 2.0 + 3.0);
  PendingErrorClear();
}

TEST_F(TFuncVariablesTest, CardCountCountsEveryChangeOfCard) {
  T_TSelection* a = TFuncNewSelection(&data, "A");
  a->measure = kMeasureCardCount;
  a->Prepare();
  CardRecord cardA{}, cardB{};
  for (const CardRecord* card : {&cardA, &cardB, &cardA}) a->Take(card, 1.0);
  EXPECT_EQ(a->Result(&data.to.cardId), 3.0);
}

TEST_F(TFuncVariablesTest, HiddenVariablesAFormulaUsesAreMeasuredWithoutAColumn) {
  T_TSelection* a = TFuncNewSelection(&data, "A");
  a->shown = 0;
  T_TFormula* f = Formula("F", "A*10+#A");
  data.periodType = kPeriodMonths;
  ASSERT_EQ(Calculate(), kCalcStarted);
  EXPECT_EQ(data.columnCount, 1);
  EXPECT_EQ(a->column, -1);
  EXPECT_EQ(f->column, 0);
  ASSERT_EQ(data.periodCount, 3);
  EXPECT_EQ(TFuncEntryAt(&data, 2)->values[0], 210.0 * 10 + 20);
}

TEST_F(TFuncVariablesTest, ATimeScaleOutOfOrderStillAdvances) {
  TFuncNewSelection(&data, "A");
  auto* scale = new (std::nothrow) TimeScale(base, "Odd");
  CardId late{PackDate(2024, 1, 15), 1}, early{PackDate(2024, 1, 5), 1};
  TimeScaleAppendPeriod(scale, &late, "Late");
  TimeScaleAppendPeriod(scale, &early, "Early");
  data.periodType = kPeriodTimeScale;
  data.timeScale = scale;
  ASSERT_EQ(Calculate(), kCalcStarted);
  ASSERT_GE(data.periodCount, 3);
  for (int64_t i = 3; i < data.periodCount; ++i) {
    EXPECT_TRUE(CardIdLess(&TFuncEntryAt(&data, i - 1)->end, &TFuncEntryAt(&data, i)->end));
  }
  EXPECT_TRUE(CardIdEqual(&TFuncEntryAt(&data, data.periodCount - 1)->end, &data.rangeEnd));
  // The scale goes: the type becomes Active Days and nothing keeps the freed scale.
  EXPECT_TRUE(TFuncTimeScaleDeleted(&data, scale));
  delete scale;
  EXPECT_EQ(data.periodType, kPeriodActiveDays);
  EXPECT_EQ(data.scaleInForce, nullptr);
  EXPECT_FALSE(TFuncTimeScaleDeleted(&data, scale));
}

TEST_F(TFuncVariablesTest, RowsAndEmptiness) {
  T_TSelection* a = TFuncNewSelection(&data, "A");
  a->shown = 0;
  ASSERT_EQ(Calculate(), kCalcStarted);
  EXPECT_EQ(data.periodCount, 0);
  EXPECT_EQ(TFuncRowCount(&data), 0);
  EXPECT_TRUE(TFuncIsEmpty(&data));
  a->shown = 1;
  a->accumulation = kAccumulateByPeriod;
  ASSERT_EQ(Calculate(), kCalcStarted);
  EXPECT_EQ(TFuncRowCount(&data), 20 + 1);  // the periods and Before
  EXPECT_FALSE(TFuncIsEmpty(&data));
  a->totals = 1;
  Selection_setCondition(&a->selection, 0, ">100");  // no line passes: only zeros
  ASSERT_EQ(Calculate(), kCalcStarted);
  EXPECT_EQ(TFuncRowCount(&data), 20 + 2);
  EXPECT_TRUE(TFuncIsEmpty(&data));
}

}  // namespace

namespace {

// Active cards, groups and lines with a shifted selection: the unshifted selection's periods
// follow its lines, and across all entries the shifted one sees exactly its moved window.
class TFuncShiftedActiveTest : public time_test::TimeTest,
                               public ::testing::WithParamInterface<int32_t> {};

TEST_P(TFuncShiftedActiveTest, EachSelectionSeesExactlyItsWindow) {
  // Days 1 to 20 of January 2024 and December 2023: a card of two groups and three lines each
  // day, and a second card of one line every third day.
  for (int32_t month : {1, 12}) {
    for (int32_t day = 1; day <= 20; ++day) {
      PackedDate date = PackDate(month == 1 ? 2024 : 2023, month, day);
      time_test::AddLine(base, {date, 1, "1910", {double(day), 0}});
      time_test::AddLine(base, {date, 1, "1930", {100.0 * day, 0}});
      time_test::AddLine(base, {date, 1, "1910", {0.5, 0}});
      if (day % 3 == 0) time_test::AddLine(base, {date, 2, "1910", {1000.0, 0}});
    }
  }
  TFuncData data;
  TFuncDataInit(&data, base);
  data.periodType = GetParam();
  CardId from{PackDate(2024, 1, 5), 1}, to{PackDate(2024, 1, 15), kCardSequenceOpen};
  DateRefSetDate(&data.from, &from);
  DateRefSetDate(&data.to, &to);
  T_TSelection* now = TFuncNewSelection(&data, "Now");
  now->accumulation = kAccumulateByPeriod;
  now->totals = 1;
  T_TSelection* back = TFuncNewSelection(&data, "Back");
  back->accumulation = kAccumulateByPeriod;
  back->shift = TimeShiftFromText("+4W", 3);  // 28 days back: 8 to 18 December
  back->totals = 1;
  data.showBefore = 0;
  ASSERT_EQ(CalculateTimeFunctions(&data, nullptr, nullptr), kCalcStarted);
  auto windowSum = [](int32_t first, int32_t last) {
    double sum = 0;
    for (int32_t day = first; day <= last; ++day) sum += 101.0 * day + 0.5 + (day % 3 == 0 ? 1000 : 0);
    return sum;
  };
  EXPECT_EQ(TFuncEntryAt(&data, kEntryTotals)->values[0], windowSum(5, 15));
  EXPECT_EQ(TFuncEntryAt(&data, kEntryTotals)->values[1], windowSum(8, 18));
  int64_t withNow = 0;
  for (int64_t i = kEntryFirstPeriod; i < data.periodCount; ++i) {
    if (TFuncEntryAt(&data, i)->values[0] != 0) ++withNow;
    if (i > kEntryFirstPeriod) {
      EXPECT_TRUE(CardIdLessEqual(&TFuncEntryAt(&data, i - 1)->end, &TFuncEntryAt(&data, i)->end));
    }
  }
  // One period per card (15 cards), group (26 groups) or line (37 lines) of the range.
  const int64_t expected = GetParam() == kPeriodActiveCards ? 15 : GetParam() == kPeriodActiveGroups ? 26 : 37;
  EXPECT_EQ(withNow, expected);
  TFuncDataFree(&data);
}

INSTANTIATE_TEST_SUITE_P(ActiveTypes, TFuncShiftedActiveTest,
                         ::testing::Values(kPeriodActiveCards, kPeriodActiveGroups,
                                           kPeriodActiveLines));

}  // namespace

namespace {

void AbortAtFifthCard(int64_t cards) {
  if (cards == 5) PendingErrorCancel();
}

TEST_F(TFuncVariablesTest, AbortStopsTheWalkAtTheNextCard) {
  T_TSelection* a = TFuncNewSelection(&data, "A");
  a->accumulation = kAccumulateByPeriod;
  SetTFuncTickHook(AbortAtFifthCard);
  EXPECT_EQ(Calculate(), kCalcStarted);
  SetTFuncTickHook(nullptr);
  EXPECT_TRUE(data.aborted);
  EXPECT_FALSE(data.outOfMemory);
  // Days 1 to 4 were read, the fifth card stopped the walk.
  ASSERT_EQ(data.periodCount, 2 + 4);
  EXPECT_EQ(TFuncEntryAt(&data, 5)->values[0], 4.0);
  PendingErrorClear();
}

TEST_F(TFuncVariablesTest, ChangeNotes) {
  T_TSelection* a = TFuncNewSelection(&data, "A");
  auto* scale = new (std::nothrow) TimeScale(base, "Terms");
  auto* other = new (std::nothrow) TimeScale(base, "Other");
  CardId start{PackDate(2024, 1, 10), 1};
  TimeScaleAppendPeriod(scale, &start, "Second");
  data.periodType = kPeriodTimeScale;
  data.timeScale = scale;
  ASSERT_EQ(Calculate(), kCalcStarted);
  auto note = [&](int32_t code, void* object = nullptr, int32_t column = 0) {
    ChangeNote n;
    n.code = code;
    n.database = base;
    n.object = object;
    n.valueColumn = column;
    return TFuncOnChange(&data, &n);
  };
  EXPECT_EQ(note(kChangeCards) & kTFuncStale, kTFuncStale);
  EXPECT_EQ(note(kChangeComponentsDeleted) & kTFuncRecalculate, kTFuncRecalculate);
  EXPECT_EQ(note(kChangeTimeScaleChanged, other) & kTFuncStale, 0);
  EXPECT_EQ(note(kChangeTimeScaleChanged, scale) & kTFuncStale, kTFuncStale);
  EXPECT_EQ(note(kChangeDecimals, nullptr, 0) & kTFuncStale, 0);
  base->SetDecimalsCode(0, kDecimalsFloating);
  EXPECT_EQ(note(kChangeDecimals, nullptr, 1) & kTFuncStale, 0);
  EXPECT_EQ(note(kChangeDecimals, nullptr, 0) & kTFuncStale, kTFuncStale);
  (void)a;
  // The scale in force goes: nothing keeps it, and the type becomes Active Days.
  EXPECT_EQ(note(kChangeTimeScaleDeleted, scale) & kTFuncStale, kTFuncStale);
  delete scale;
  EXPECT_EQ(data.scaleInForce, nullptr);
  EXPECT_EQ(data.timeScale, nullptr);
  EXPECT_EQ(data.periodType, kPeriodActiveDays);
  EXPECT_EQ(note(kChangeTimeScaleDeleted, other) & kTFuncStale, 0);
  delete other;
}

}  // namespace
