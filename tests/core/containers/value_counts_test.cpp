#include "core/value_counts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

namespace {

double MedianOf(const std::vector<double>& values) {
  ValueCounts counts;
  ValueCountsInit(&counts);
  for (double v : values) ValueCountsAdd(&counts, v);
  double median = ValueCountsMedian(&counts);
  ValueCountsFree(&counts);
  return median;
}

// The definition, worked out by sorting.
double ReferenceMedian(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  size_t half = values.size() / 2;
  if (values.size() % 2 == 1) return values[half];
  double v = values[half - 1];
  if (values[half] == v) return v;
  return (v + values[half]) / 2;
}

TEST(ValueCounts, WeightedMedianOfSmallSets) {
  const struct {
    std::vector<double> values;
    double median;
  } cases[] = {
      {{1, 2, 3, 4}, 2.5}, {{1, 2, 2, 9}, 2},   {{5, 5, 5}, 5},      {{7}, 7},
      {{4, 3, 2, 1}, 2.5}, {{-1, -0.5}, -0.75}, {{0.0, -0.0, 3}, 0}, {{2, 1, 1, 1, 2, 2, 9, 9}, 2},
  };
  for (const auto& c : cases) EXPECT_EQ(MedianOf(c.values), c.median);
  EXPECT_TRUE(std::isnan(MedianOf({})));
}

TEST(ValueCounts, ManyDistinctValuesAgainstSorting) {
  // From a few hundred distinct values (the final settling only) to tens of thousands (growth
  // past 1031 slots and many partitions), odd and even totals.
  for (int n : {11, 500, 20000, 20001, 100000}) {
    for (int spread : {3, 1000, 1000000}) {
      std::vector<double> values;
      uint32_t x = static_cast<uint32_t>(n * 31 + spread);
      for (int i = 0; i < n; ++i) {
        x = x * 1664525u + 1013904223u;
        values.push_back(static_cast<double>(x % static_cast<uint32_t>(spread)) / 8 - 100);
      }
      EXPECT_EQ(MedianOf(values), ReferenceMedian(values)) << n << " " << spread;
    }
  }
}

TEST(ValueCounts, ClearForgetsEverything) {
  ValueCounts counts;
  ValueCountsInit(&counts);
  for (int i = 0; i < 3000; ++i) ValueCountsAdd(&counts, i % 1500);
  EXPECT_EQ(counts.distinct, 1500);
  EXPECT_EQ(counts.total, 3000);
  EXPECT_GT(counts.size, 1031);
  ValueCountsClear(&counts);
  EXPECT_EQ(counts.distinct, 0);
  EXPECT_TRUE(std::isnan(ValueCountsMedian(&counts)));
  ValueCountsAdd(&counts, 8);
  ValueCountsAdd(&counts, 8);
  ValueCountsAdd(&counts, 1);
  EXPECT_EQ(ValueCountsMedian(&counts), 8);
  ValueCountsFree(&counts);
}

TEST(ValueCounts, NanIsOneValueAboveEveryNumber) {
  EXPECT_EQ(MedianOf({NAN, NAN, 1, 2, 3}), 3);
  EXPECT_TRUE(std::isnan(MedianOf({NAN, NAN, NAN, 1})));
}

}  // namespace
