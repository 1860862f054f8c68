// The charts' value axes: round steps and ticks at their multiples, 0 among them whenever the
// range spans it.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "ui/axis_steps.h"

namespace {

TEST(AxisSteps, RangesGiveRoundStepsAndTicksThroughZero) {
  const struct {
    double low, high, most;  // the range and the smallest step the room allows
    double step;
    int32_t decimals;
    std::vector<double> ticks;
  } cases[] = {
      // The curve view's range that used to step 1.5 M one side of zero and 1 M the other.
      {-4392621.5, 2900000, 1200000, 2000000, -6, {-4000000, -2000000, 0, 2000000}},
      {0, 1000, 100, 100, -2, {0, 100, 200, 300, 400, 500, 600, 700, 800, 900, 1000}},
      {-0.3, 0.25, 0.11, 0.2, 1, {-0.2, 0, 0.2}},
      {-3, 7, 2.4, 5, 0, {0, 5}},
      {12, 18, 1.5, 2, 0, {12, 14, 16, 18}},
      {-17, -3, 4.2, 5, 0, {-15, -10, -5}},
      {0.001, 0.004, 0.0009, 0.001, 3, {0.001, 0.002, 0.003, 0.004}},
  };
  for (const auto& c : cases) {
    const double step = RoundStepAtLeast(c.most);
    EXPECT_DOUBLE_EQ(step, c.step) << c.most;
    EXPECT_EQ(RoundStepDecimals(step), c.decimals) << c.most;
    const std::vector<double> ticks = StepTicks(step, c.low, c.high);
    ASSERT_EQ(ticks.size(), c.ticks.size()) << c.most;
    for (size_t i = 0; i < ticks.size(); ++i) EXPECT_NEAR(ticks[i], c.ticks[i], step * 1e-9);
    for (double t : ticks) {
      if (std::fabs(t) < step / 2) EXPECT_EQ(std::signbit(t), false) << "a negative zero";
    }
  }
}

TEST(AxisSteps, StepsClimbOneTwoFiveAndRefuseBadInput) {
  EXPECT_DOUBLE_EQ(RoundStepAtLeast(1), 1);
  EXPECT_DOUBLE_EQ(RoundStepAtLeast(1.0000001), 2);
  EXPECT_DOUBLE_EQ(RoundStepAtLeast(2.5), 5);
  EXPECT_DOUBLE_EQ(RoundStepAtLeast(5.1), 10);
  EXPECT_DOUBLE_EQ(NextRoundStep(2), 5);
  EXPECT_DOUBLE_EQ(NextRoundStep(5), 10);
  EXPECT_DOUBLE_EQ(NextRoundStep(0.1), 0.2);
  EXPECT_EQ(RoundStepFactor(5000), 5);
  EXPECT_EQ(RoundStepFactor(0.02), 2);
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (double bad : {0.0, -1.0, inf, nan}) EXPECT_EQ(RoundStepAtLeast(bad), 0) << bad;
  EXPECT_TRUE(StepTicks(0, -1, 1).empty());
  EXPECT_TRUE(StepTicks(1, nan, 1).empty());
  EXPECT_TRUE(StepTicks(1, -1, inf).empty());
  EXPECT_EQ(StepTicks(1e-300, -1, 1, 50).size(), 50u);
}

}  // namespace
