// The time functions settings and variables read from a template and written back into one.
#include <gtest/gtest.h>

#include <string>

#include "analysis/time/tfunc_settings.h"
#include "database/time_scale.h"
#include "tests/analysis/components/functmpl/functmpl_fixture.h"

namespace {

class TFuncSettingsTest : public functmpl_test::FuncTest {
 protected:
  void TearDown() override {
    TFuncFreeRowOrder(&order);
    TFuncDataFree(&data);
    functmpl_test::FuncTest::TearDown();
  }
  TFuncData data;
  TFuncRowOrder order;
};

TEST_F(TFuncSettingsTest, ATemplateReadsAndWritesBackUnchanged) {
  const std::string text =
      "#T\n"
      "VN\tSales\tOur sales\nVF\tB\nVM\tSP\nVT\tY+\nVZ\tD2\tCR\tw1\tV+\tB-\tN-\tR-\tS+\n"
      "VN\tCount\t\nVF\tA\nVM\tCA\nVZ\tD0\tCU\tw1\tV-\tB-\tN-\tR-\tS-\n"
      "FN\tDiff\t\nFF\tSales-Count\nFD\tD\nFG\tB\nFZ\tD0\tCM\tw1\tV+\tB-\tN-\tR-\tS-\n"
      "K\t240101\t241231\nPL\tQ\nSV\tDN\tDiff\nZB\n";
  T_TFuncTmpl* source = ReadT(text);
  ASSERT_NE(source, nullptr);
  TFuncDataInit(&data, base);
  ASSERT_TRUE(TFuncReadTemplate(&data, &order, source));
  EXPECT_EQ(data.periodType, 3);
  EXPECT_EQ(data.showBefore, 0);
  ASSERT_EQ(data.selectionCount, 2);
  ASSERT_EQ(data.formulaCount, 1);
  EXPECT_EQ(data.selections->shift.kind, 1);
  EXPECT_EQ(data.selections->valueColumn, 1);
  EXPECT_EQ(data.selections->accumulation, kAccumulateByPeriod);
  EXPECT_EQ(data.formulas->operation, kOperationDifference);
  EXPECT_EQ(order.sortVariable, data.formulas);

  T_TFuncTmpl* target = ReadT("#T\nVN\tOld\t\nFN\tGone\t\n");
  ASSERT_TRUE(TFuncWriteTemplate(&data, &order, target));
  EXPECT_EQ(functmpl_test::Write(target), functmpl_test::Write(source));
  delete source;
  delete target;
}

TEST_F(TFuncSettingsTest, AMissingTimeScaleOpensWithActiveDaysAndOneSelection) {
  T_TFuncTmpl* templ = ReadT("#T\nPX\tNowhere\n");
  TFuncDataInit(&data, base);
  ASSERT_TRUE(TFuncReadTemplate(&data, &order, templ));
  EXPECT_EQ(data.periodType, kPeriodActiveDays);
  EXPECT_EQ(data.selectionCount, 1);
  TFuncDataFree(&data);
  // An empty name takes the database's first scale.
  auto* scale = new (std::nothrow) TimeScale(base, "Terms");
  T_TFuncTmpl* unnamed = ReadT("#T\nPX\t\n");
  unnamed->periodType = kPeriodTimeScale;
  TFuncDataInit(&data, base);
  ASSERT_TRUE(TFuncReadTemplate(&data, &order, unnamed));
  EXPECT_EQ(data.periodType, kPeriodTimeScale);
  EXPECT_EQ(data.timeScale, scale);
  delete templ;
  delete unnamed;
}

}  // namespace
