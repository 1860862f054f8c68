// The value distribution of a lines window: nice steps, buckets over the finite values, the bars
// and labels, zooming in and out with its history, and the dialog opened from the options page.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "analysis/time/lines_distribution.h"
#include "tests/analysis/time/window/lines_window_fixture.h"
#include "tests/ui/picture_file.h"
#include "ui/button.h"
#include "tests/ui/window_picture.h"
#include "ui/window_utilities.h"

namespace {

using lines_test::g_beeps;
using lines_test::LinesWindowTest;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

DistributionValues Of(const std::vector<double>& values) {
  DistributionValues v;
  v.value = [](const void* context, int64_t i) {
    return (*static_cast<const std::vector<double>*>(context))[static_cast<size_t>(i)];
  };
  v.context = &values;
  v.count = static_cast<int64_t>(values.size());
  return v;
}

DistributionState Bucketed(const std::vector<double>& values) {
  DistributionState state;
  double maximum = 0, minimum = 0;
  if (DistributionRange(Of(values), &maximum, &minimum))
    BucketDistribution(&state, Of(values), maximum, minimum);
  return state;
}

int32_t FakeWidth(const char* text) { return 6 * static_cast<int32_t>(std::strlen(text)); }

std::vector<std::pair<int32_t, std::string>> Labels(const DistributionState& state) {
  std::vector<std::pair<int32_t, std::string>> labels;
  DistributionLabels(
      state, FakeWidth,
      [](void* context, int32_t x, const char* text) {
        static_cast<std::vector<std::pair<int32_t, std::string>>*>(context)->emplace_back(x, text);
      },
      &labels);
  return labels;
}

TEST(Distribution, NiceSteps) {
  const struct {
    double x;
    double step;
    int32_t decimals;
  } cases[] = {{9.0 / 11, 1, 0}, {0.1875, 0.2, 1}, {0.22, 0.25, 2}, {3, 5, 0},  {7, 10, 0},
               {1000, 1000, 0},  {1200, 2000, 0},  {0.0004, 0.0005, 4}, {0, 0, 0}, {-1, 0, 0},
               {kInf, 0, 0},     {kNaN, 0, 0}};
  for (const auto& c : cases) {
    int32_t decimals = -1;
    EXPECT_DOUBLE_EQ(NiceStep(c.x, &decimals), c.step) << c.x;
    EXPECT_EQ(decimals, c.decimals) << c.x;
  }
}

TEST(Distribution, FiveEqualValuesFillOneFullBar) {
  const DistributionState state = Bucketed({5, 5, 5, 5, 5});
  EXPECT_DOUBLE_EQ(state.maximum, 6.5);
  EXPECT_DOUBLE_EQ(state.minimum, 5);
  int32_t full = 0;
  for (int32_t i = 0; i < state.bucketCount; ++i) {
    if (state.counts[i] == 0) continue;
    EXPECT_EQ(state.counts[i], 5);
    const RECT bar = DistributionBar(state, i);
    EXPECT_EQ(bar.bottom - bar.top, kDistrBarHeight);
    ++full;
  }
  EXPECT_EQ(full, 1);
}

TEST(Distribution, TenValuesGiveTenBucketsAndLabelsInsideThePlot) {
  const DistributionState state = Bucketed({0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
  EXPECT_DOUBLE_EQ(state.step, 1);
  EXPECT_DOUBLE_EQ(state.start, 0);
  ASSERT_EQ(state.bucketCount, 10);
  for (int32_t i = 0; i < 10; ++i) EXPECT_EQ(state.counts[i], 1) << i;
  // Bars side by side over the plot, the last one to its right edge.
  EXPECT_EQ(DistributionBar(state, 0).left, kDistrLeft);
  EXPECT_EQ(DistributionBar(state, 3).right, DistributionBar(state, 4).left);
  EXPECT_EQ(DistributionBar(state, 9).right, kDistrRight);
  const auto labels = Labels(state);
  ASSERT_FALSE(labels.empty());
  EXPECT_EQ(labels.front(), (std::pair<int32_t, std::string>{kDistrLeft, "0"}));
  for (const auto& label : labels) {
    EXPECT_GE(label.first, kDistrLeft);
    EXPECT_LE(label.first, kDistrRight);
  }
}

TEST(Distribution, ValuesThatAreNotFiniteAreLeftOut) {
  // One infinite value neither widens the range nor counts.
  const DistributionState some = Bucketed({1, 2, 3, 4, kInf, kNaN, -kInf});
  EXPECT_DOUBLE_EQ(some.maximum, 4);
  EXPECT_DOUBLE_EQ(some.minimum, 1);
  int64_t counted = 0;
  for (int32_t i = 0; i < some.bucketCount; ++i) counted += some.counts[i];
  EXPECT_EQ(counted, 4);
  // Without a finite value the histogram is empty: no bars, no labels, no zoom.
  const std::vector<double> none{kNaN, kInf, kNaN};
  DistributionState empty = Bucketed(none);
  EXPECT_EQ(empty.bucketCount, 0);
  EXPECT_TRUE(Labels(empty).empty());
  EXPECT_FALSE(DistributionZoomIn(&empty, Of(none), 100, 200));
  // A range too wide for a double gives no buckets rather than a NaN index.
  const std::vector<double> huge{-1.7e308, 1.7e308, 0, 1, 2};
  const DistributionState wide = Bucketed(huge);
  EXPECT_EQ(wide.bucketCount, 0);
}

TEST(Distribution, SixteenZoomsInThenSeventeenOutBeepOnceAtTheEnd) {
  std::vector<double> values;
  for (int32_t v = -1000; v <= 1000; v += 50) values.push_back(v);
  DistributionState state = Bucketed(values);
  const double maximum = state.maximum, minimum = state.minimum;
  // Each zoom halves the span around the pixel of 0, which stays inside the range.
  for (int32_t i = 0; i < 16; ++i) {
    const double w = DistributionWidth(state);
    const int32_t x =
        static_cast<int32_t>(std::floor((0 - state.start) * 300 / w + 0.5)) + kDistrLeft;
    ASSERT_TRUE(DistributionZoomIn(&state, Of(values), (kDistrLeft + x) / 2,
                                   (kDistrRight + x) / 2))
        << i;
  }
  EXPECT_EQ(state.depth, kDistrZoomMax);
  // A 17th zoom is made but not remembered.
  const double before = state.maximum - state.minimum;
  ASSERT_TRUE(DistributionZoomIn(&state, Of(values), 100, 240));
  EXPECT_LT(state.maximum - state.minimum, before);
  EXPECT_EQ(state.depth, kDistrZoomMax);
  int32_t refused = 0;
  for (int32_t i = 0; i < 17; ++i) {
    if (!DistributionZoomOut(&state, Of(values))) {
      ++refused;
      EXPECT_EQ(i, 16);
    }
  }
  EXPECT_EQ(refused, 1);
  EXPECT_DOUBLE_EQ(state.maximum, maximum);
  EXPECT_DOUBLE_EQ(state.minimum, minimum);
}

TEST(Distribution, ARangeWithoutValuesDrawsNoBarButKeepsLabels) {
  const std::vector<double> values{0, 1, 2, 3, 4, 50, 60, 70, 80, 90};
  DistributionState state = Bucketed(values);
  // Between 10 and 40 there is no value.
  const double w = DistributionWidth(state);
  auto pixel = [&](double v) {
    return static_cast<int32_t>(std::floor((v - state.start) * 300 / w + 0.5)) + kDistrLeft;
  };
  ASSERT_TRUE(DistributionZoomIn(&state, Of(values), pixel(12), pixel(38)));
  EXPECT_GT(state.bucketCount, 0);
  EXPECT_EQ(state.largest, 0);
  for (int32_t i = 0; i < state.bucketCount; ++i) {
    const RECT bar = DistributionBar(state, i);
    EXPECT_EQ(bar.top, bar.bottom);
  }
  EXPECT_FALSE(Labels(state).empty());
  // A range already too narrow for its magnitude refuses a further zoom.
  DistributionState narrow;
  BucketDistribution(&narrow, Of(values), 1000.0005, 1000);
  EXPECT_FALSE(DistributionZoomIn(&narrow, Of(values), 100, 200));
  EXPECT_EQ(narrow.depth, 0);
}

// --- The dialog of a window
// ------------------------------------------------------------------------

InputEvent g_script;

TEST_F(LinesWindowTest, TheDialogZoomsThroughTheTrackingSeamAndBeeps) {
  Open();
  ASSERT_EQ(window->rowCount - window->headerRowCount, 5);
  T_LinesDistr dialog(window);
  EXPECT_EQ(dialog.values.count, 5);
  EXPECT_GT(dialog.state.bucketCount, 0);
  // The values of the accumulated column (value 1): -30 .. 100.
  EXPECT_DOUBLE_EQ(dialog.state.maximum, 100);
  EXPECT_DOUBLE_EQ(dialog.state.minimum, -30);
  SetZoomTrackInput([](InputEvent* event) {
    *event = g_script;
    event->anyButton = event->leftButton = 0;
    event->time = 10;
  });
  InputEvent press;
  press.leftButton = press.anyButton = 1;
  press.x = 170;
  press.y = 100;
  // Right Alt: zooming out with nothing remembered beeps.
  press.rightAlt = 1;
  g_script = press;
  EXPECT_TRUE(dialog.ZoomDistribution(&press));
  EXPECT_EQ(g_beeps, 1);
  press.rightAlt = 0;
  g_script = press;
  EXPECT_TRUE(dialog.ZoomDistribution(&press));
  EXPECT_EQ(dialog.state.depth, 1);
  EXPECT_LT(dialog.state.maximum - dialog.state.minimum, 130);
  press.rightAlt = 1;
  g_script = press;
  EXPECT_TRUE(dialog.ZoomDistribution(&press));
  EXPECT_EQ(dialog.state.depth, 0);
  EXPECT_DOUBLE_EQ(dialog.state.maximum, 100);
  EXPECT_EQ(g_beeps, 1);
  // A press outside the plot is not the zoom's.
  press.y = 190;
  EXPECT_FALSE(dialog.ZoomDistribution(&press));
}

TEST_F(LinesWindowTest, RelativeDistributionNeedsFiveDataRows) {
  Open();
  window->OpenOptionsPage();
  ASSERT_NE(window->distributionButton, nullptr);
  EXPECT_TRUE(window->distributionButton->enabled);
  // The dialog's run ends at once in a hidden window; the window is unchanged after it.
  window->OnButton(window->distributionButton);
  EXPECT_EQ(window->rowCount, 5);
  Selection_setCondition(&window->selection, 0, ">0");
  window->CalculateLines(true);
  EXPECT_EQ(window->rowCount, 3);
  EXPECT_FALSE(window->distributionButton->enabled);
}

TEST_F(LinesWindowTest, PicturesOfTheDistributionBeforeAndAfterAZoom) {
  Open();
  T_LinesDistr dialog(window);
  EventHandler_Open(&dialog);
  const ui_test::Picture before = ui_test::Capture(&dialog);
  RECT plot{kDistrLeft, kDistrBase - kDistrBarHeight, kDistrRight, kDistrBase};
  EXPECT_GT(ui_test::Pixels(before, plot, true), 100);
  ASSERT_TRUE(DistributionZoomIn(&dialog.state, dialog.values, 20, 170));
  const ui_test::Picture after = ui_test::Capture(&dialog);
  EXPECT_GT(ui_test::Pixels(after, plot, true), 100);
  std::vector<uint32_t> sheet(static_cast<size_t>(2 * kDistrWidth) * kDistrHeight, 0x404040);
  for (int32_t side = 0; side < 2; ++side) {
    const ui_test::Picture& p = side ? after : before;
    for (int32_t y = 0; y < p.height && y < kDistrHeight; ++y)
      for (int32_t x = 0; x < p.width && x < kDistrWidth; ++x)
        sheet[static_cast<size_t>(y) * 2 * kDistrWidth + side * kDistrWidth + x] =
            p.pixels[static_cast<size_t>(y) * p.width + x];
  }
  EXPECT_TRUE(WritePixelsAsBitmap(sheet.data(), 2 * kDistrWidth, kDistrHeight,
                                  "lines_distribution.bmp"));
  EventHandler_CloseElement(&dialog);
}

}  // namespace
