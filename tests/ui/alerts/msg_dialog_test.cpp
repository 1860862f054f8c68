// The message box: its countdown on a clock the test moves, and a whole run that closes itself.
#include <gtest/gtest.h>

#include <string>

#include "alerts_fixture.h"
#include "core/alert_handlers.h"
#include "ui/frame_items.h"

namespace alerts_test {
namespace {

uint64_t fakeNow = 0;
uint64_t FakeTicks() { return fakeNow; }

std::string Countdown(const T_MsgDialog& dialog) {
  const char* shown = dialog.countdownText->text.shown;
  return shown ? shown : "";
}

TEST_F(AlertsTest, CountdownShowsTheSecondsLeftThenPressesOk) {
  fakeNow = 50000;
  SetTickSource(FakeTicks);
  struct Step {
    uint64_t advance;
    const char* shown;  // null: the box has closed itself
  };
  struct Case {
    int32_t seconds;
    std::vector<Step> steps;
  } cases[] = {
      {3, {{500, ""}, {500, "2"}, {999, "2"}, {1, "1"}, {1000, "0"}, {999, "0"}, {1, nullptr}}},
      // A late tick counts every whole second it missed and keeps the rest.
      {5, {{2500, "3"}, {499, "3"}, {1, "2"}, {5000, nullptr}}},
  };
  for (const Case& c : cases) {
    T_MsgDialog dialog("Done.", "Macro", c.seconds);
    ASSERT_NE(dialog.countdownText, nullptr);
    for (const Step& step : c.steps) {
      fakeNow += step.advance;
      dialog.Notify(kNotifyTick);
      if (step.shown) {
        EXPECT_EQ(Countdown(dialog), step.shown);
        EXPECT_EQ(dialog.native.modalEnd, 0);
      } else {
        EXPECT_EQ(dialog.native.modalEnd, 1);
      }
    }
  }
}

TEST_F(AlertsTest, MessageBoxWithoutCountdownWaitsForOk) {
  fakeNow = 50000;
  SetTickSource(FakeTicks);
  T_MsgDialog dialog("Done.", nullptr, 0);
  EXPECT_EQ(dialog.countdownText, nullptr);
  EXPECT_EQ(std::string(dialog.Title()), ProgramName());
  EXPECT_EQ(dialog.runUnattended, 1);
  fakeNow += 100000;
  dialog.Notify(kNotifyTick);
  EXPECT_EQ(dialog.native.modalEnd, 0);
  InputEvent enter = Key(kKeyEnter);
  EXPECT_TRUE(dialog.KeyDown(&enter, nullptr));
  EXPECT_EQ(dialog.native.modalEnd, 1);
}

TEST_F(AlertsTest, MessageBoxGrowsWithItsMessage) {
  std::string text;
  for (int i = 0; i < 60; ++i) text += "word" + std::to_string(i) + " ";
  T_MsgDialog dialog(text.c_str(), "Long", 2);
  EXPECT_GT(dialog.messageRect.bottom, 42);
  EXPECT_EQ(dialog.height, kAlertHeight + dialog.messageRect.bottom - 42);
  EXPECT_EQ(dialog.okButton->y, dialog.height - 34);
  EXPECT_EQ(dialog.countdownText->y, dialog.height - 30);
}

// Time runs eight times faster, so a one-second countdown closes the box after a quarter of a
// second; it shows even though nobody attends the alerts, and closes without any input.
uint64_t FastTicks() { return GetTickCount64() * 8; }

TEST_F(AlertsTest, MessageBoxRunClosesItselfEvenUnattended) {
  SetTickSource(FastTicks);
  T_NoAlerts quiet;
  uint64_t start = 0;
  WhileModal([&](T_Window* running) { EXPECT_TRUE(running->visible); },
             [&] {
               start = TickCount();
               MsgDialog_Run("Done.", "Macro", 1);
             });
  EXPECT_GE(TickCount() - start, 2000u);
  EXPECT_EQ(app->firstChild, nullptr);
}

}  // namespace
}  // namespace alerts_test
