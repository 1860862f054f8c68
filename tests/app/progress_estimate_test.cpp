// The progress window's arithmetic without a window: the remaining-time texts, the estimate from
// the median speed and its countdown, the bar and the rule that decides when the window shows,
// all driven by a tick counter the tests move.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "app/progress_estimate.h"
#include "core/threads.h"

namespace {

uint64_t ticks = 0;
uint64_t Ticks() { return ticks; }

class ProgressModel : public ::testing::Test {
 protected:
  void SetUp() override {
    ticks = 500000;
    SetTickSource(Ticks);
  }
  void TearDown() override { SetTickSource(nullptr); }

  // One refresh 200 ms after the last, the reader bytes further on.
  static uint32_t Step(ProgressEstimate* model, int64_t bytes) {
    ticks += 200;
    return model->SetPosition(model->lastPosition + bytes);
  }
};

TEST(RemainingTime, TextsByRange) {
  const struct {
    int32_t seconds;
    const char* text;
  } cases[] = {
      {121, "2 minutes 1 seconds"},
      {120, "2 minutes 0 seconds"},
      {119, "1 minute 59 seconds"},
      {61, "1 minute 1 seconds"},
      {60, "1 minute 0 seconds"},
      {59, "59 seconds"},
      {2, "2 seconds"},
      {1, "1 second"},
      {0, ""},
      {-4, ""},
      {3725, "62 minutes 5 seconds"},
  };
  for (const auto& c : cases) {
    T_TextBuf text;
    RemainingTimeText(c.seconds, &text);
    EXPECT_STREQ(text.c_str(), c.text) << c.seconds;
  }
}

TEST(RemainingTime, EstimateNeedsAPositiveFiniteSpeed) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    int64_t left;
    double speed;
    bool estimated;
    int32_t seconds;
  } cases[] = {
      {61000, 1.0, true, 61},
      {60499, 1.0, true, 60},
      {60500, 1.0, true, 61},
      {0, 5.0, true, 0},
      {-9000, 1.0, true, 0},  // read past the size
      {1000, 0.0, false, 0},
      {1000, -2.0, false, 0},
      {1000, nan, false, 0},
      {1000, inf, false, 0},
      {int64_t{1} << 62, 1e-9, true, 0x7FFFFFFF},
  };
  for (const auto& c : cases) {
    int32_t seconds = -1;
    EXPECT_EQ(EstimateSeconds(c.left, c.speed, &seconds), c.estimated) << c.left << " " << c.speed;
    if (c.estimated) {
      EXPECT_EQ(seconds, c.seconds) << c.left << " " << c.speed;
    }
  }
}

TEST(RemainingTime, SmallCorrectionsAreIgnoredInIntegers) {
  const struct {
    int32_t estimate;
    int32_t remaining;
    bool corrects;
  } cases[] = {
      {100, 100, false},
      {100, 113, false},
      {100, 114, true},
      {100, 87, false},
      {100, 86, true},
      {0, 0, false},
      {0, 1, true},
      {10, 12, true},
      // 32-bit arithmetic would overflow here and decide by the wrapped product.
      {0x7FFFFFFF, 0, true},
      {0x40000000, 0x7FFFFFFF, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EstimateCorrects(c.estimate, c.remaining), c.corrects)
        << c.estimate << " " << c.remaining;
  }
  const int32_t countdowns[][2] = {{32000, 10}, {61, 10}, {60, 6}, {31, 6}, {30, 4},
                                   {16, 4},     {15, 2},  {1, 2},  {0, 2}};
  for (const auto& c : countdowns) EXPECT_EQ(EstimateCountdown(c[0]), c[1]) << c[0];
}

// A steady reader at 5 bytes per millisecond over a file sized so that the first estimate is the
// given number of seconds: "Estimating" while the ring fills, the estimate once it is full, and
// one second less a second later.
TEST_F(ProgressModel, EstimatingUntilTheRingIsFullThenCountingDown) {
  const struct {
    bool compressed;
    int32_t ring;
    int32_t seconds;
    const char* first;
    const char* second;
  } cases[] = {
      {false, 16, 61, "1 minute 1 seconds", "1 minute 0 seconds"},
      {false, 16, 60, "1 minute 0 seconds", "59 seconds"},
      {true, 24, 120, "2 minutes 0 seconds", "1 minute 59 seconds"},
  };
  for (const auto& c : cases) {
    ProgressEstimate model;
    const int64_t bytesAtEstimate = int64_t{1000} * (c.ring + 1);
    model.Begin(bytesAtEstimate + int64_t{5000} * c.seconds, c.compressed);
    EXPECT_EQ(model.capacity, c.ring);
    for (int32_t i = 0; i < c.ring; ++i) {
      Step(&model, 1000);
      EXPECT_STREQ(model.RemainingText(), "Estimating") << c.seconds << " refresh " << i;
    }
    EXPECT_EQ(model.sampleCount, c.ring);
    uint32_t changes = Step(&model, 1000);
    EXPECT_TRUE(changes & kProgressRemainingChanged);
    EXPECT_STREQ(model.RemainingText(), c.first) << c.seconds;
    EXPECT_EQ(model.capacity, c.ring + 2);               // the ring grows by 2 a second
    for (int32_t i = 0; i < 5; ++i) Step(&model, 1000);  // one second later
    EXPECT_STREQ(model.RemainingText(), c.second) << c.seconds;
  }
}

TEST_F(ProgressModel, RefreshesComeEvery200MillisecondsButTheEndAlwaysFillsTheBar) {
  ProgressEstimate model;
  model.Begin(10000, false);
  ticks += 200;
  EXPECT_EQ(model.SetPosition(1000), kProgressRefreshed | kProgressBarGrew);
  EXPECT_EQ(model.barLength, 27);  // 1000 * 274 / 10001, rounded
  ticks += 150;
  EXPECT_EQ(model.SetPosition(9999), 0u);  // too soon: nothing at all
  EXPECT_EQ(model.barLength, 27);
  EXPECT_EQ(model.lastPosition, 1000);
  ticks += 10;
  EXPECT_EQ(model.SetPosition(10000), kProgressRefreshed | kProgressBarGrew);
  EXPECT_EQ(model.barLength, kProgressBarUnits);
  EXPECT_EQ(model.SetPosition(12000), kProgressRefreshed);  // past the size: stays full
  EXPECT_EQ(model.barLength, kProgressBarUnits);
}

// Refreshes at the end can come within the same tick; their time step of 0 must neither add a
// sample nor overwrite one with a division by 0.
TEST_F(ProgressModel, ARefreshWithoutTimeTakesNoSample) {
  ProgressEstimate model;
  model.Begin(100000, false);
  Step(&model, 1000);
  EXPECT_EQ(model.sampleCount, 1);
  model.SetPosition(100000);  // same tick, at the end
  model.SetPosition(100000);
  EXPECT_EQ(model.sampleCount, 1);
  EXPECT_EQ(model.samples[0], 5.0);

  for (int32_t i = 1; i < 16; ++i) Step(&model, 1);
  ASSERT_EQ(model.sampleCount, 16);
  const int32_t ring = model.ringIndex;
  model.SetPosition(100000);
  model.SetPosition(100000);
  EXPECT_EQ(model.ringIndex, ring);
  for (int32_t i = 0; i < 16; ++i) EXPECT_TRUE(std::isfinite(model.samples[i])) << i;
}

// A reader that stands still through the whole ring gives a median of 0: the text stays
// "Estimating" and the placeholder is not counted down, until progress gives an estimate.
TEST_F(ProgressModel, AZeroMedianKeepsEstimatingUntilProgressResumes) {
  ProgressEstimate model;
  model.Begin(1000000, false);
  for (int32_t i = 0; i < 60; ++i) {
    Step(&model, 0);
    ASSERT_STREQ(model.RemainingText(), "Estimating") << i;
  }
  EXPECT_EQ(model.remainingSeconds, kProgressNoEstimate);
  EXPECT_FALSE(model.hasEstimate);
  int32_t refreshes = 0;
  while (!model.hasEstimate && refreshes < 400) {
    Step(&model, 1000);
    ++refreshes;
  }
  ASSERT_TRUE(model.hasEstimate);
  // The median is a moving speed (5 bytes per ms) once most of the ring moves.
  const int64_t left = model.total - model.lastPosition;
  EXPECT_GT(model.remainingSeconds, 0);
  EXPECT_LE(model.remainingSeconds, left / 5000);
  EXPECT_STRNE(model.RemainingText(), "Estimating");
}

// Each counted second grows the ring by 2, and two refreshes fill it before seconds are counted
// again; the refreshes below therefore come in threes.
TEST_F(ProgressModel, RemainingSecondsCatchUpOnLateRefreshesAndStopAtZero) {
  ProgressEstimate model;
  model.Begin(17000 + 5000 * 10, false);  // 10 seconds at the first estimate
  for (int32_t i = 0; i < 17; ++i) Step(&model, 1000);
  EXPECT_STREQ(model.RemainingText(), "10 seconds");
  EXPECT_EQ(model.remainingSeconds, 9);
  Step(&model, 1000);
  Step(&model, 1000);
  auto later = [&model](uint64_t milliseconds) {
    ticks += milliseconds;
    model.SetPosition(model.lastPosition);
  };
  later(3500);  // the reader hung: every second that passed counts
  EXPECT_EQ(model.remainingSeconds, 6);
  later(60000);
  later(200);
  later(200);
  EXPECT_EQ(model.remainingSeconds, 0);
  later(5000);
  later(200);
  later(200);
  EXPECT_EQ(model.remainingSeconds, 0);
  EXPECT_STREQ(model.RemainingText(), "");
}

TEST_F(ProgressModel, ShownOnlyAfter250MillisecondsAndBelowAThird) {
  const struct {
    uint64_t elapsed;
    int32_t bar;
    bool shows;
  } cases[] = {
      {250, 0, false},  {251, 0, true},     {251, 90, true}, {251, 91, false},
      {100, 50, false}, {5000, 274, false}, {5000, 1, true},
  };
  for (const auto& c : cases) {
    ProgressEstimate model;
    model.barLength = c.bar;
    ticks += c.elapsed;
    EXPECT_EQ(model.WantsShowing(), c.shows) << c.elapsed << " " << c.bar;
  }
}

// Writers: the bar follows the steps over the total; the interval halves while the bar jumps,
// doubles while it stands, and refreshes come no sooner than it allows.
TEST_F(ProgressModel, StepModeAdaptsItsInterval) {
  ProgressEstimate model;
  model.AddTotal(6000);
  model.AddTotal(4000);
  EXPECT_EQ(model.ResetSteps(), kProgressRefreshed);
  model.AddSteps(5000);
  EXPECT_EQ(model.StepRefresh(), kProgressRefreshed | kProgressBarGrew);
  EXPECT_EQ(model.barLength, 137);
  EXPECT_EQ(model.refreshInterval, 100);
  model.AddSteps(5000);
  ticks += 99;
  EXPECT_EQ(model.StepRefresh(), 0u);  // before the next refresh time
  ticks += 1;
  EXPECT_EQ(model.StepRefresh(), kProgressRefreshed | kProgressBarGrew);
  EXPECT_EQ(model.barLength, 274);
  EXPECT_EQ(model.refreshInterval, 50);
  const int64_t standing[] = {100, 200, 400, 800, 1600, 1600};
  for (int64_t interval : standing) {
    ticks += 2000;
    EXPECT_EQ(model.SetSteps(model.stepPosition + 100000), kProgressRefreshed);
    EXPECT_EQ(model.refreshInterval, interval);
  }
  EXPECT_EQ(model.barLength, kProgressBarUnits);  // steps past the total stay at the full bar

  // A new total starts the steps over.
  EXPECT_EQ(model.ResetSteps(100000), kProgressRefreshed);
  EXPECT_EQ(model.stepPosition, 0);
  EXPECT_EQ(model.barLength, kProgressBarUnits);  // the bar never shrinks
}

}  // namespace
