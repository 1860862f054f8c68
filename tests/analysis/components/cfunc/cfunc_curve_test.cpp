// The curve view's geometry as functions: scale and zero position, ticks, bar lists and their
// rectangles under the five styles, and the bar under a point.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

#include "analysis/components/cfunc_curve.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(CFuncCurve, ScaleAndZeroPositionAlsoMirrored) {
  const CurveScale plain = CFuncCurveScale(100, 420, -20, 80, false);
  EXPECT_DOUBLE_EQ(plain.scale, 3.16);
  EXPECT_EQ(plain.zero, 165);
  const CurveScale mirrored = CFuncCurveScale(100, 420, -20, 80, true);
  EXPECT_DOUBLE_EQ(mirrored.scale, -3.16);
  EXPECT_EQ(mirrored.zero, 355);
}

TEST(CFuncCurve, TickStepsAndDecimals) {
  const struct {
    double range;
    double step;
    int32_t decimals;
  } cases[] = {{100, 10, 0}, {1, 0.1, 1}, {370, 50, 0}, {2.5, 0.5, 1}, {0.3, 0.05, 2}};
  for (const auto& c : cases) {
    CurveTicks ticks;
    ASSERT_TRUE(CFuncTickStep(320, c.range, &ticks)) << c.range;
    EXPECT_NEAR(ticks.step, c.step, c.step * 1e-9) << c.range;
    EXPECT_EQ(ticks.decimals, c.decimals) << c.range;
  }
  CurveTicks ticks;
  for (double bad : {kInf, kNaN, 0.0, -1.0}) EXPECT_FALSE(CFuncTickStep(320, bad, &ticks)) << bad;
  ASSERT_TRUE(CFuncTickStep(320, 100, &ticks));
  const std::vector<double> values = CFuncTickValues(ticks, -20, 80);
  ASSERT_EQ(values.size(), 11u);
  EXPECT_DOUBLE_EQ(values.front(), -20);
  EXPECT_DOUBLE_EQ(values.back(), 80);
}

TEST(CFuncCurve, TicksWidenUntilEveryLabelFitsAndStepAlikeBothSidesOfZero) {
  // Labels of 6 pixels a character: "-4,000,000" needs 60 pixels and a gap.
  auto width = [](double value, int32_t decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return static_cast<int32_t>(std::strlen(text) + std::strlen(text) / 4) * 6;
  };
  const double smallest = -4392621.5, largest = 2900000;
  const CurveScale scale = CFuncCurveScale(0, 500, smallest, largest, false);
  CurveTicks ticks;
  ASSERT_TRUE(CFuncTickStep(500, largest - smallest, &ticks));
  EXPECT_DOUBLE_EQ(ticks.step, 500000);
  CFuncSpreadTicks(&ticks, scale.scale, smallest, largest, width);
  EXPECT_DOUBLE_EQ(ticks.step, 2000000);
  EXPECT_EQ(CFuncTickValues(ticks, smallest, largest),
            (std::vector<double>{-4000000, -2000000, 0, 2000000}));
  // Room enough keeps the step; no scale leaves it.
  CurveTicks wide{500000, 0};
  CFuncSpreadTicks(&wide, 1.0, smallest, largest, width);
  EXPECT_DOUBLE_EQ(wide.step, 500000);
  CFuncSpreadTicks(&wide, 0.0, smallest, largest, width);
  EXPECT_DOUBLE_EQ(wide.step, 500000);
}

TEST(CFuncCurve, BarListsSkipMissingAndInfiniteCellsAndStackInStyleFour) {
  const double values[] = {10, -5, 20, kInf, kNaN, 0};
  const int32_t colours[] = {1, 2, 3, 4, 5, 6};
  std::vector<CurveBar> right, left;
  CFuncRowBars(values, colours, 6, 0, 2.0, &right, &left);
  ASSERT_EQ(right.size(), 2u);
  EXPECT_EQ(right[0].length, 40);
  EXPECT_EQ(right[0].column, 2);
  EXPECT_EQ(right[1].length, 20);
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0].length, 10);
  CFuncRowBars(values, colours, 6, 4, 2.0, &right, &left);
  ASSERT_EQ(right.size(), 2u);
  EXPECT_EQ(right[0].length, 60);  // 10 + 20 stacked
  EXPECT_EQ(right[1].length, 20);
  // Mirrored: the scale is negative and positive values fall in the left list.
  CFuncRowBars(values, colours, 6, 0, -2.0, &right, &left);
  EXPECT_EQ(left.size(), 2u);
  EXPECT_EQ(right.size(), 1u);
}

TEST(CFuncCurve, BarRectanglesForEveryStyleAndTheBarUnderAPoint) {
  const double values[] = {10, -5, 20, kInf, kNaN, 0};
  const int32_t colours[] = {1, 2, 3, 4, 5, 6};
  std::vector<CurveBar> right, left;
  CFuncRowBars(values, colours, 6, 0, 2.0, &right, &left);
  const struct {
    int32_t style;
    // top and height of the left bar (column 1), then of the right bars (columns 2, 0)
    int32_t tops[3];
    int32_t heights[3];
  } cases[] = {
      {0, {2, 4, 0}, {2, 2, 2}},   {1, {1, 2, 0}, {7, 7, 7}},    {2, {0, 0, 0}, {12, 12, 6}},
      {3, {0, 0, 0}, {12, 12, 12}}, {4, {0, 0, 0}, {12, 12, 12}},
  };
  for (const auto& c : cases) {
    const std::vector<CurveRect> rects = CFuncBarRects(c.style, 50, 13, 6, 100, right, left);
    ASSERT_EQ(rects.size(), 3u);
    for (int32_t i = 0; i < 3; ++i) {
      EXPECT_EQ(rects[i].rect.top, 50 + c.tops[i]) << "style " << c.style << " bar " << i;
      EXPECT_EQ(rects[i].rect.bottom - rects[i].rect.top, c.heights[i])
          << "style " << c.style << " bar " << i;
    }
    EXPECT_EQ(rects[0].rect.left, 90);
    EXPECT_EQ(rects[0].rect.right, 101);  // a left bar is one pixel wider
    EXPECT_EQ(rects[1].rect.right, 140);
  }
  const std::vector<CurveRect> rects = CFuncBarRects(3, 50, 13, 6, 100, right, left);
  EXPECT_EQ(CFuncBarAt(rects, 1, 100, POINT{130, 55}), 1);
  EXPECT_EQ(CFuncBarAt(rects, 1, 100, POINT{95, 51}), 0);
  EXPECT_EQ(CFuncBarAt(rects, 1, 100, POINT{150, 55}), -1);
  EXPECT_EQ(CFuncBarAt(rects, 1, 100, POINT{100, 55}), -1);
}

}  // namespace
