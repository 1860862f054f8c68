// The busy indicator: how much work each step of the animation takes, how draws are spared on a
// fast calculation, and where a document window puts it.
#include <gtest/gtest.h>

#include <vector>

#include "core/threads.h"
#include "ui/busy_indicator.h"
#include "ui/document_window.h"
#include "ui/window.h"

namespace {

uint64_t fakeTicks = 100000;
uint64_t FakeTicks() { return fakeTicks; }

class BusyIndicatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fakeTicks = 100000;
    SetTickSource(FakeTicks);
    dialog = new T_Window(kKindDialog, &kRect, 1, nullptr, true);
    indicator = new T_BusyIndicator(dialog, {10, 10, 26, 26}, nullptr);
  }
  void TearDown() override {
    delete dialog;
    SetTickSource(nullptr);
  }
  // Ticks until the last picture shows (at most a bound, so a fault cannot hang the test).
  int64_t TicksToLast() {
    int64_t ticks = 0;
    while (indicator->picture != kBusyPictureLast && ticks < 1000000) {
      indicator->Tick();
      ++ticks;
    }
    return ticks;
  }

  static constexpr RECT kRect{100, 100, 400, 300};
  T_Window* dialog = nullptr;
  T_BusyIndicator* indicator = nullptr;
};

TEST_F(BusyIndicatorTest, LastPictureComesAfterTheAnnouncedWork) {
  struct Case {
    int64_t work;
    int64_t ticks;  // 39 u + 24 with u = work / 42
  };
  for (const Case& c : {Case{4200, 3924}, Case{0, 24}, Case{41, 24}, Case{42, 63}}) {
    SCOPED_TRACE(c.work);
    indicator->Start();
    EXPECT_EQ(indicator->picture, kBusyPictureFirst);
    indicator->AddWork(c.work);
    EXPECT_EQ(TicksToLast(), c.ticks);
    // Work beyond the announced keeps the last picture.
    for (int i = 0; i < 200; ++i) indicator->Tick();
    EXPECT_EQ(indicator->picture, kBusyPictureLast);
  }
}

TEST_F(BusyIndicatorTest, WorkAddedLaterSlowsTheSteps) {
  indicator->Start();
  indicator->AddWork(2100);
  indicator->AddWork(2100);
  EXPECT_EQ(indicator->stepUnit, 100);
  EXPECT_EQ(indicator->countdown, 100);
  indicator->DoubleStep();
  EXPECT_EQ(indicator->stepUnit, 200);
  EXPECT_EQ(indicator->countdown, 200);
}

TEST_F(BusyIndicatorTest, FastStepsSkipAtMostThreeDrawsInARow) {
  indicator->Start();
  std::vector<int32_t> skipped;
  while (indicator->picture != kBusyPictureLast) {
    indicator->Tick();  // the clock stands still: every step comes within 31 ms
    skipped.push_back(indicator->skippedDraws);
  }
  ASSERT_EQ(skipped.size(), 24u);
  for (size_t i = 0; i + 1 < skipped.size(); ++i) EXPECT_EQ(skipped[i], (i + 1) % 4) << i;
  EXPECT_EQ(skipped.back(), 0);  // the last picture is always drawn

  indicator->Start();
  for (int i = 0; i < 10; ++i) {
    fakeTicks += kBusyDrawInterval;
    indicator->Tick();
    EXPECT_EQ(indicator->skippedDraws, 0);
    EXPECT_EQ(indicator->lastDraw, fakeTicks);
  }
}

TEST_F(BusyIndicatorTest, FinishAndResetSetTheEndPictures) {
  EXPECT_EQ(indicator->picture, kBusyPictureRest);
  indicator->Start();
  indicator->AddWork(4200);
  indicator->Tick();
  indicator->Finish();
  EXPECT_EQ(indicator->picture, kBusyPictureLast);
  indicator->Reset();
  EXPECT_EQ(indicator->picture, kBusyPictureRest);
}

class T_PlainDocWindow : public T_HWindow {
 public:
  T_PlainDocWindow() : T_HWindow(kKindDocument, kWindowCards, &kRect, 0, nullptr, 1) {}
  static constexpr RECT kRect{0, 0, 500, 300};
};

TEST(BusyIndicatorWindow, SitsInTheToolbarAndIsForgottenWithIt) {
  T_PlainDocWindow window;
  window.CreateBusyIndicator();
  EXPECT_EQ(window.busyIndicator, nullptr);  // no toolbar yet

  window.CreateToolbar();
  window.CreateBusyIndicator();
  auto* indicator = dynamic_cast<T_BusyIndicator*>(window.busyIndicator);
  ASSERT_NE(indicator, nullptr);
  EXPECT_EQ(indicator->parent, window.toolbar);
  EXPECT_EQ(indicator->width, 26);
  EXPECT_EQ(indicator->height, 26);
  EXPECT_EQ(indicator->picture, kBusyPictureRest);
  window.CreateBusyIndicator();
  EXPECT_EQ(window.busyIndicator, indicator);

  delete window.toolbar;
  EXPECT_EQ(window.busyIndicator, nullptr);
}

}  // namespace
