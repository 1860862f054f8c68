// The diagram layout as pure functions: the widening of flat ranges, the value steps and scale
// exponents of the examples, the pixel mappings at and beyond their clamps, the inverse mapping
// both ways, ranges near the largest doubles, and the print fit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "analysis/time/diagram_layout.h"
#include "ui/axis_steps.h"

namespace {

int32_t SixPerChar(void*, const char* text) { return 6 * static_cast<int32_t>(std::strlen(text)); }

DiagramLayout Layout(double top, double bottom, int32_t height = 319, bool scaled = false,
                     bool inverted = false) {
  DiagramLayout l;
  DiagramFlagsInit(&l.flags);
  l.flags.on[kFlagScaledLabels] = scaled;
  l.flags.on[kFlagInvertedAxis] = inverted;
  l.range = {PackDate(2023, 1, 1), PackDate(2023, 12, 31), top, bottom};
  l.diagram = RECT{0, 0, 800, height};
  LayoutDiagram(&l, SixPerChar, nullptr);
  return l;
}

TEST(DiagramLayout, FlatRangesAreWidened) {
  DiagramLayout l = Layout(5.0, 5.0);
  EXPECT_DOUBLE_EQ(l.range.top, 6.005);
  EXPECT_DOUBLE_EQ(l.range.bottom, 3.995);
}

TEST(DiagramLayout, StepsAndExponentsOfTheExamples) {
  const struct {
    double top, bottom;
    bool scaled;
    double grid, major;
    int32_t exponent, decimals;
  } cases[] = {
      {1000, 0, false, 100, 500, 0, -2},       {2500000, 0, true, 200000, 1000000, 6, 1},
      {2500, 0, true, 200, 1000, 3, 1},        {1, 0, false, 0.1, 0.5, 0, 1},
      {0.001, 0, true, 0.0001, 0.0005, -3, 1},
  };
  for (const auto& c : cases) {
    DiagramLayout l = Layout(c.top, c.bottom, 319, c.scaled);
    EXPECT_NEAR(l.gridStep, c.grid, c.grid * 1e-12) << c.top;
    EXPECT_NEAR(l.majorStep, c.major, c.major * 1e-12) << c.top;
    EXPECT_EQ(l.exponent, c.exponent) << c.top;
    EXPECT_EQ(std::max(l.decimals, -2), c.decimals) << c.top;
  }
}

TEST(DiagramLayout, GridStepsAreRoundAndRangesAcrossZeroHaveAZeroLine) {
  for (auto [top, bottom] : {std::pair{2900000.0, -4392621.5}, std::pair{37.0, -12.0},
                             std::pair{0.8, -0.45}, std::pair{250000.0, -250000.0}}) {
    for (int32_t height : {120, 319, 700}) {
      DiagramLayout l = Layout(top, bottom, height);
      const int32_t factor = RoundStepFactor(l.gridStep);
      EXPECT_TRUE(factor == 1 || factor == 2 || factor == 5) << top << " " << l.gridStep;
      const std::vector<double> ticks = StepTicks(l.gridStep, l.range.bottom, l.range.top);
      EXPECT_NE(std::find(ticks.begin(), ticks.end(), 0.0), ticks.end()) << top;
    }
  }
}

TEST(DiagramLayout, ValueRows) {
  DiagramLayout l = Layout(1000, 0);
  EXPECT_EQ(ValueToY(l, 0), l.plot.bottom);
  EXPECT_EQ(ValueToY(l, 1000), l.plot.top);
  EXPECT_EQ(ValueToY(l, std::nan("")), kNoValueRow);
  EXPECT_EQ(ValueToY(l, INFINITY), kNoValueRow);
  EXPECT_EQ(ValueToY(l, 1000 + 20 * 1000 + 1), l.plot.top - 256);
  EXPECT_EQ(ValueToY(l, -20 * 1000 - 1), l.plot.bottom + 256);
  DiagramLayout inverted = Layout(1000, 0, 319, false, true);
  EXPECT_EQ(ValueToY(inverted, 0), inverted.plot.top);
  EXPECT_EQ(ValueToY(inverted, 1000), inverted.plot.bottom);
  EXPECT_EQ(ValueToY(inverted, 1e9), inverted.plot.bottom + 256);
}

TEST(DiagramLayout, DateColumns) {
  DiagramLayout l = Layout(1000, 0);
  EXPECT_EQ(DateToX(l, PackDate(2023, 1, 1)), l.plot.left);
  EXPECT_EQ(DateEndToX(l, PackDate(2023, 12, 31)), l.plot.right);
  // Further than 20 day counts away: 32 pixels outside the plot.
  EXPECT_EQ(DateToX(l, PackDate(1900, 1, 1)), l.plot.left - 32);
  EXPECT_EQ(DateToX(l, PackDate(2069, 12, 31)), l.plot.right + 32);
  EXPECT_LE(DateBarToX(l, PackDate(2023, 6, 1), 1.0), DateEndToX(l, PackDate(2023, 6, 1)));
}

TEST(DiagramLayout, RectToRangeBothWays) {
  for (bool inverted : {false, true}) {
    DiagramLayout l = Layout(1000, 0, 319, false, inverted);
    DiagramRange r = RectToRange(l, l.plot);
    EXPECT_EQ(r.from, PackDate(2023, 1, 1)) << inverted;
    EXPECT_EQ(r.to, PackDate(2023, 12, 31)) << inverted;
    EXPECT_NEAR(r.top, 1000, 1e-9) << inverted;
    EXPECT_NEAR(r.bottom, 0, 1e-9) << inverted;
    // The half of the plot that holds the larger values.
    RECT upper = l.plot;
    if (inverted)
      upper.top = (l.plot.top + l.plot.bottom) / 2;
    else
      upper.bottom = (l.plot.top + l.plot.bottom) / 2;
    DiagramRange half = RectToRange(l, upper);
    EXPECT_NEAR(half.top, 1000, 1e-9) << inverted;
    EXPECT_NEAR(half.bottom, 500, 5) << inverted;
  }
}

TEST(DiagramLayout, RangesNearTheLargestDoublesStayFinite) {
  const double big = std::numeric_limits<double>::max();
  for (auto [top, bottom] : {std::pair{1e308, -1e308}, std::pair{big, -big},
                             std::pair{double(INFINITY), -double(INFINITY)},
                             std::pair{double(NAN), double(NAN)}, std::pair{1e300, 1e300}}) {
    DiagramLayout l = Layout(top, bottom);
    EXPECT_TRUE(std::isfinite(l.range.top - l.range.bottom)) << top;
    EXPECT_FALSE(IsRangeDegenerate(l.range)) << top;
    EXPECT_TRUE(std::isfinite(l.gridStep) && l.gridStep > 0) << top;
    EXPECT_GE(ValueToY(l, 0), l.plot.top - 256) << top;
  }
}

TEST(DiagramLayout, PrintFitKeepsThePlotsAspect) {
  DiagramLayout l = Layout(1000, 0, 319);
  const int32_t itemWidth = 800, itemHeight = 319;
  const double aspect = static_cast<double>(l.plotWidth) / l.plotHeight;
  RECT wide{0, 0, 3000, 500};
  FitPrintRect(l, itemWidth, itemHeight, &wide);
  EXPECT_LT(wide.right, 3000);
  EXPECT_EQ(wide.bottom, 500);
  EXPECT_NEAR((wide.right - (itemWidth - l.plotWidth)) / double(500 - (itemHeight - l.plotHeight)),
              aspect, 0.01);
  RECT tall{0, 0, 1000, 3000};
  FitPrintRect(l, itemWidth, itemHeight, &tall);
  EXPECT_EQ(tall.right, 1000);
  EXPECT_LT(tall.bottom, 3000);
  DiagramLayout flat = l;
  flat.plotHeight = 0;
  RECT any{0, 0, 1000, 1000};
  FitPrintRect(flat, itemWidth, itemHeight, &any);  // aspect 2 stands in
  EXPECT_LE(any.right, 1000);
}

}  // namespace
