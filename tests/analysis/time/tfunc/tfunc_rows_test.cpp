// The row order of the time functions table: time order either way, by a variable's values, and
// by card title for active cards (by name only where there are names).
#include <gtest/gtest.h>

#include <vector>

#include "analysis/time/tfunc_rows.h"
#include "analysis/time/time_calculation.h"
#include "database/cards.h"
#include "tests/analysis/time/time_fixture.h"

namespace {

class TFuncRowsTest : public time_test::TimeTest {
 protected:
  void SetUp() override {
    time_test::TimeTest::SetUp();
    // Four cards in three months; titles out of date order, one card without a title.
    const struct {
      PackedDate date;
      double value;
      const char* title;
    } cards[] = {{PackDate(2024, 1, 5), 30, "delta"},
                 {PackDate(2024, 2, 5), 10, "Alpha"},
                 {PackDate(2024, 2, 6), 20, nullptr},
                 {PackDate(2024, 3, 5), 40, "charlie"}};
    for (const auto& c : cards) {
      time_test::AddLine(base, {c.date, 1, "1910", {c.value, 0}});
      CardId id{c.date, 1};
      if (c.title) SetCardTitle(FindCardAtOrBefore(base, &id), c.title);
    }
    TFuncDataInit(&data, base);
    a = TFuncNewSelection(&data, "A");
    a->accumulation = kAccumulateByPeriod;
    a->totals = 1;
  }
  void TearDown() override {
    TFuncFreeRowOrder(&order);
    TFuncDataFree(&data);
    time_test::TimeTest::TearDown();
  }
  std::vector<int64_t> Rows(int32_t type) {
    data.periodType = type;
    EXPECT_EQ(CalculateTimeFunctions(&data, nullptr, nullptr), kCalcStarted);
    EXPECT_TRUE(TFuncSortRows(&data, &order));
    std::vector<int64_t> rows;
    for (int64_t r = 0; r < TFuncRowCount(&data); ++r) rows.push_back(TFuncRowEntry(&data, &order, r));
    return rows;
  }

  TFuncData data;
  TFuncRowOrder order;
  T_TSelection* a = nullptr;
};

TEST_F(TFuncRowsTest, RowOrders) {
  const struct {
    int32_t type;
    int32_t mode;
    bool sortByVariable;
    bool before;
    std::vector<int64_t> entries;
  } cases[] = {
      {kPeriodMonths, kRowsNormal, false, true, {0, 2, 3, 4, 1}},
      {kPeriodMonths, kRowsNormal, false, false, {2, 3, 4, 1}},
      {kPeriodMonths, kRowsReversed, false, true, {4, 3, 2, 0, 1}},
      {kPeriodMonths, kRowsByName, false, true, {0, 2, 3, 4, 1}},  // no names: no table
      {kPeriodActiveCards, kRowsByName, false, true, {0, 3, 5, 2, 4, 1}},
      {kPeriodActiveCards, kRowsNormal, true, true, {0, 5, 2, 4, 3, 1}},
      {kPeriodActiveCards, kRowsReversed, true, false, {5, 2, 4, 3, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << c.type << " mode " << c.mode);
    order.mode = c.mode;
    order.sortVariable = c.sortByVariable ? a : nullptr;
    order.valueOrder = 0;  // descending
    data.showBefore = c.before;
    EXPECT_EQ(Rows(c.type), c.entries);
  }
}

}  // namespace
