// The time functions window's variables carried into templates of both function windows, the
// period range of a row, and the drill-through templates built from a period.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "analysis/components/function_templates.h"
#include "analysis/time/time_variables.h"
#include "core/owned_text.h"
#include "tests/analysis/time/time_fixture.h"

namespace {

std::string Text(const char* block) { return block ? block : ""; }

class TFuncDrillTest : public time_test::TimeTest {
 protected:
  void SetUp() override {
    time_test::TimeTest::SetUp();
    TFuncDataInit(&data, base);
  }
  void TearDown() override {
    TFuncDataFree(&data);
    time_test::TimeTest::TearDown();
  }
  TFuncData data;
};

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

}  // namespace
