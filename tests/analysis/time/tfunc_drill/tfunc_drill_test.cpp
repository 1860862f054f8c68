// The time functions window's variables carried into templates of both function windows, the
// period range of a row, and the drill-through templates built from a period.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "analysis/cards/cards_fields.h"
#include "analysis/cards/cards_install.h"
#include "analysis/cards/cards_template.h"
#include "analysis/components/components_template.h"
#include "analysis/components/function_templates.h"
#include "analysis/time/tfunc_drill.h"
#include "analysis/time/time_calculation.h"
#include "analysis/time/time_variables.h"
#include "core/owned_text.h"
#include "database/toolkit_adapter.h"
#include "tests/analysis/time/time_fixture.h"

namespace {

std::string Text(const char* block) { return block ? block : ""; }

int32_t g_openedKind = 0;
T_HWindow* RecordOpening(T_Template* templ, T_Template*, int32_t) {
  g_openedKind = templ->kind;
  return nullptr;
}

class TFuncDrillTest : public time_test::TimeTest {
 protected:
  void SetUp() override {
    time_test::TimeTest::SetUp();
    InstallDatabaseServices();
    InstallCards();
    InstallCompsTemplate();
    InstallFunctionTemplates();
    for (int32_t kind = kTemplateCards; kind <= kTemplateComponentFunctions; ++kind)
      SetWindowOpener(kind, RecordOpening);
    for (const auto& [date, value] : std::vector<std::pair<PackedDate, double>>{
             {PackDate(2024, 1, 5), 30}, {PackDate(2024, 2, 5), 10}, {PackDate(2024, 3, 5), 40}})
      time_test::AddLine(base, {date, 1, "1910", {value, 2}});
    TFuncDataInit(&data, base);
  }
  void TearDown() override {
    TFuncDataFree(&data);
    for (int32_t kind = kTemplateCards; kind <= kTemplateComponentFunctions; ++kind) {
      SetWindowOpener(kind, nullptr);
      if (kind != kTemplateLines) SetTemplateConstructor(kind, nullptr);
    }
    time_test::TimeTest::TearDown();
  }
  void Calculate() {
    data.periodType = kPeriodMonths;
    ASSERT_EQ(CalculateTimeFunctions(&data, nullptr, nullptr), kCalcStarted);
  }
  TFuncDrillSource Source() {
    TFuncDrillSource source;
    source.data = &data;
    return source;
  }
  TFuncData data;
};

std::string Day(const DateRef& ref) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d-%02d", PackedDateMonth(ref.cardId.date),
                PackedDateDay(ref.cardId.date));
  return ref.cardId.date ? text : "open";
}

TEST_F(TFuncDrillTest, LiveVariablesFillTemplatesOfBothFamilies) {
  T_TSelection* s = TFuncNewSelection(&data, "Sales");
  BlockTextAssign(&s->title, "Sales & more");
  Selection_setPattern(&s->selection, kPatternCardTitle, "inv*");
  s->measure = kMeasureLast;
  s->accumulation = kAccumulateByPeriod;
  s->valueColumn = 1;
  s->shift = TimeShift{7, 2, -2, 0};
  s->lineStyle = 3;
  s->totals = 1;
  s->colour = 13;
  T_TFormula* f = TFuncNewFormula(&data, "Margin");
  BlockTextAssign(&f->text, "Sales*2");
  f->operation = kOperationDifference;
  f->diagramForm = 2;

  T_TFuncTmpl t(base);
  auto* ts = static_cast<T_TSelectionTmpl*>(t.AddVariableFromWindow(s));
  ASSERT_NE(ts, nullptr);
  EXPECT_EQ(Text(ts->name), "Sales");
  EXPECT_EQ(Text(ts->title), "Sales & more");
  EXPECT_EQ(ts->method, kMeasureLast);
  EXPECT_EQ(ts->accumulation, kAccumulateByPeriod);
  EXPECT_EQ(ts->valueColumn, 1);
  EXPECT_EQ(ts->shift.count, -2);
  EXPECT_EQ(ts->lineStyle, 3);
  EXPECT_EQ(ts->totals, 1);
  EXPECT_EQ(ts->colour, 13);
  SelectionDef def;
  SelectionDef_init(&def, base);
  SelectionDef_fromSelection(&def, &s->selection);
  EXPECT_TRUE(SelectionDef_equal(&ts->selection, &def));
  EXPECT_EQ(Text(ts->selection.titleText), Text(s->selection.titleText));
  EXPECT_FALSE(Text(ts->selection.titleText).empty());
  SelectionDef_free(&def);
  auto* tf = static_cast<T_TFormulaTmpl*>(t.AddVariableFromWindow(f));
  ASSERT_NE(tf, nullptr);
  EXPECT_EQ(Text(tf->formula), "Sales*2");
  EXPECT_EQ(tf->operation, kOperationDifference);
  EXPECT_EQ(tf->graphStyle, 2);
  EXPECT_EQ(t.variables, ts);
  EXPECT_EQ(ts->next, tf);

  // Into the component family: Last becomes Sum, By Component, rule 0, c setting 1.
  T_CFuncTmpl c(base);
  auto* cs = static_cast<T_CSelectionTmpl*>(c.AddVariableFromWindow(s));
  ASSERT_NE(cs, nullptr);
  EXPECT_EQ(cs->method, kMethodSum);
  EXPECT_EQ(cs->accumulation, 0);
  EXPECT_EQ(cs->cSetting, 1);
  EXPECT_EQ(cs->valueColumn, 1);
  EXPECT_EQ(Text(cs->title), "Sales & more");
  auto* cf = static_cast<T_CFormulaTmpl*>(c.AddVariableFromWindow(f));
  ASSERT_NE(cf, nullptr);
  EXPECT_EQ(cf->rule, 0);
  EXPECT_EQ(Text(cf->formula), "Sales*2");
  EXPECT_EQ(t.AddVariableFromWindow(static_cast<const T_TVariable*>(nullptr)), nullptr);
}

TEST_F(TFuncDrillTest, MeasureAndChoiceChooseTheWindow) {
  T_TSelection* s = TFuncNewSelection(&data, "A");
  s->accumulation = kAccumulateByPeriod;
  s->valueColumn = 1;
  Calculate();
  const int64_t february = kEntryFirstPeriod + 1;
  const struct {
    int32_t measure;
    int32_t choice;
    int32_t kind;
    int32_t statistic;  // lines: the statistic row; components: the column shown
  } cases[] = {
      {kMeasureSum, kDrillChoiceOwn, kTemplateLines, kStatPeriod},
      {kMeasureNegSum, kDrillChoiceOwn, kTemplateLines, kStatPeriod},
      {kMeasureLineCount, kDrillChoiceOwn, kTemplateLines, kStatLineCount},
      {kMeasureTurnoverTime, kDrillChoiceOwn, kTemplateLines, kStatTurnoverTime},
      {kMeasureProduct, kDrillChoiceOwn, kTemplateTimeFunctions, -1},
      {kMeasureLast, kDrillChoiceOwn, kTemplateTimeFunctions, -1},
      {kMeasureSum, kDrillChoiceFirstDimension + 1, kTemplateComponents, kCompsPeriod},
      {kMeasureCardCount, kDrillChoiceFirstDimension, kTemplateComponents, kCompsCards},
      {kMeasureAverage, kDrillChoiceFirstDimension, kTemplateComponentFunctions, -1},
  };
  for (const auto& c : cases) {
    s->measure = c.measure;
    T_Template* t = TFuncDrillTemplate(Source(), february, s, c.choice);
    ASSERT_NE(t, nullptr) << c.measure;
    EXPECT_EQ(t->kind, c.kind) << c.measure << "/" << c.choice;
    if (T_LinesTmpl* lines = AsLinesTemplate(t)) {
      EXPECT_EQ(lines->options.statistics[c.statistic], 1) << c.measure;
      EXPECT_EQ(lines->options.accumulated, 1);
      EXPECT_EQ(Day(lines->selection.from) + " " + Day(lines->selection.to), "02-01 02-29");
    }
    if (T_CompsTmpl* comps = AsCompsTemplate(t)) {
      EXPECT_EQ(comps->options.columns[c.statistic].shown, 1);
      EXPECT_EQ(comps->options.columns[kCompsBefore].shown, 0);
      EXPECT_EQ(comps->viewDims.dimension[0], c.choice - kDrillChoiceFirstDimension);
      EXPECT_EQ(Day(comps->selection.from), "02-01");
    }
    if (T_TFuncTmpl* tf = AsTimeFunctionsTemplate(t)) {
      EXPECT_EQ(tf->periodType, kPeriodActiveCards);
      EXPECT_EQ(Day(tf->from) + " " + Day(tf->to), "02-01 02-29");
      ASSERT_NE(tf->selections, nullptr);
      EXPECT_EQ(tf->selections->nextSelection, nullptr);
      EXPECT_EQ(Day(tf->selections->selection.from), "02-01");  // By Period: the period's start
    }
    if (T_CFuncTmpl* cf = AsComponentFunctionsTemplate(t)) {
      ASSERT_NE(cf->selections, nullptr);
      EXPECT_EQ(Day(cf->selections->selection.to), "02-29");
    }
    g_openedKind = 0;
    TFuncRunDrill(t);
    EXPECT_EQ(g_openedKind, c.kind);
  }
  // The cards of a selection show its value column.
  T_Template* cards = TFuncCardsTemplate(Source(), s);
  ASSERT_NE(AsCardsTemplate(cards), nullptr);
  EXPECT_EQ(AsCardsTemplate(cards)->options.fields[kColValue1 + 1].show, 1);
  delete cards;
  EXPECT_EQ(TFuncLinesTemplate(Source(), february, nullptr), nullptr);
  // A remembered dimension without components falls back to the measure's own window.
  EXPECT_EQ(TFuncDrillMenuMark(base, kDrillChoiceFirstDimension + 1), kDrillChoiceFirstDimension + 1);
  EXPECT_EQ(TFuncDrillMenuMark(base, kDrillChoiceFirstDimension + 5), kDrillChoiceOwn);
  EXPECT_EQ(TFuncDrillMenuMark(base, 1), 1);
}

TEST_F(TFuncDrillTest, FormulaTakesWhatItNeedsShownWhereNamed) {
  T_TSelection* a = TFuncNewSelection(&data, "A");
  a->accumulation = kAccumulateByPeriod;
  TFuncNewSelection(&data, "Unused");
  T_TFormula* g = TFuncNewFormula(&data, "G");
  BlockTextAssign(&g->text, "A+1");
  T_TFormula* f = TFuncNewFormula(&data, "F");
  BlockTextAssign(&f->text, "G*2");
  Calculate();
  auto names = [](const T_TVariableTmpl* v) {
    std::string text;
    for (; v; v = v->next) text += std::string(v->name) + (v->shown ? "+ " : "- ");
    return text;
  };
  T_Template* t = TFuncDrillTemplate(Source(), kEntryFirstPeriod, f, kDrillChoiceOwn);
  T_TFuncTmpl* tf = AsTimeFunctionsTemplate(t);
  ASSERT_NE(tf, nullptr);
  EXPECT_EQ(names(tf->variables), "A- G+ F+ ");
  ASSERT_NE(tf->focus, nullptr);
  EXPECT_STREQ(tf->focus->name, "F");
  EXPECT_EQ(Day(tf->selections->selection.from), "01-05");
  delete t;
  // The component choice: the same variables as component variables over the period.
  t = TFuncDrillTemplate(Source(), kEntryFirstPeriod, f, kDrillChoiceFirstDimension);
  T_CFuncTmpl* cf = AsComponentFunctionsTemplate(t);
  ASSERT_NE(cf, nullptr);
  std::string cnames;
  for (const T_CVariableTmpl* v = cf->variables; v; v = v->next) cnames += v->name;
  EXPECT_EQ(cnames, "AGF");
  EXPECT_EQ(Day(cf->selections->selection.to), "01-31");
  delete t;
  // "» Time Functions" on the Variables item takes every variable and the window's settings.
  data.showBefore = 0;
  t = TFuncTimeFunctionsTemplate(Source(), nullptr);
  tf = AsTimeFunctionsTemplate(t);
  ASSERT_NE(tf, nullptr);
  EXPECT_EQ(names(tf->variables), "A+ Unused+ G+ F+ ");
  EXPECT_EQ(tf->periodType, kPeriodMonths);
  EXPECT_EQ(tf->beforeShown, 0);
  delete t;
}

TEST_F(TFuncDrillTest, AShiftedSelectionIsNarrowedWithItsShift) {
  T_TSelection* s = TFuncNewSelection(&data, "A");
  s->accumulation = kAccumulateByPeriod;
  s->shift = TimeShift{5, 0, 0, 0};  // +Month: each period shows the month before
  Calculate();
  const CardId from{PackDate(2024, 3, 1), 1}, to{PackDate(2024, 3, 31), kCardSequenceOpen};
  SelectionDef def;
  SelectionDef_init(&def, base);
  SelectionDef_fromSelection(&def, &s->selection);
  TFuncNarrowToPeriod(&def, s, from, to);
  EXPECT_EQ(Day(def.from) + " " + Day(def.to), "02-01 02-29");
  // From Start keeps its from; a period past the selection's end keeps its to.
  s->accumulation = kAccumulateFromStart;
  s->shift = TimeShift{};
  SelectionDef_fromSelection(&def, &s->selection);
  const CardId late{PackDate(2024, 12, 31), kCardSequenceOpen};
  TFuncNarrowToPeriod(&def, s, from, late);
  EXPECT_EQ(Day(def.from), Day(s->selection.from));
  EXPECT_EQ(Day(def.to), Day(s->selection.to));
  SelectionDef_free(&def);
}

}  // namespace
