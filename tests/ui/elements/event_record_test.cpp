// Input messages turned into event records: the key table, characters, double clicks, the wheel
// and event times.
#include <gtest/gtest.h>

#include "ui/event_record.h"

namespace {

TEST(KeyMap, VirtualKeysGiveSystemKeyCodes) {
  struct Case {
    uint16_t virtualKey;
    bool extended, shift, control;
    uint16_t keyCode;
    bool shiftAfter, controlAfter;
  } cases[] = {
      {VK_RETURN, false, false, false, 13, false, false},
      {VK_RETURN, true, false, false, 5, false, false},  // keypad Enter
      {VK_BACK, false, false, false, 8, false, false},
      {VK_ESCAPE, false, false, false, 27, false, false},
      {VK_PRIOR, false, false, false, 22, false, false},
      {VK_HOME, false, false, false, 20, false, false},
      {VK_LEFT, false, false, false, 28, false, false},
      {VK_UP, false, false, false, 30, false, false},
      {VK_DELETE, false, false, false, 26, false, false},
      {VK_DELETE, false, true, false, 88, false, true},  // Shift+Delete: Cut
      {VK_INSERT, false, false, true, 67, false, true},  // Ctrl+Insert: Copy
      {VK_INSERT, false, true, false, 86, false, true},  // Shift+Insert: Paste
      {VK_INSERT, false, false, false, 0, false, false},
      {'7', false, false, false, '7', false, false},
      {'Q', false, false, false, 'Q', false, false},
      {VK_F5, false, false, false, 25, false, false},
      {VK_NUMLOCK, false, false, false, 0, false, false},
  };
  for (const Case& c : cases) {
    InputEvent event;
    event.shift = c.shift;
    event.control = c.control;
    KeyMapVirtualKey(&event, c.virtualKey, c.extended);
    EXPECT_EQ(event.keyCode, c.keyCode) << c.virtualKey;
    EXPECT_EQ(event.virtualKey, c.virtualKey);
    EXPECT_EQ(event.shift != 0, c.shiftAfter) << c.virtualKey;
    EXPECT_EQ(event.control != 0, c.controlAfter) << c.virtualKey;
  }
}

TEST(KeyMap, CharactersBelowBlankExceptTabNeverReachTheHandlers) {
  struct Case {
    uint16_t character;
    bool control;
    bool handled;
  } cases[] = {
      {'a', false, true}, {0xE9, false, true}, {' ', false, true}, {9, false, true},
      {8, false, false},  // Backspace acts as a key only
      {27, false, false}, {13, false, false}, {'a', true, false},
  };
  for (const Case& c : cases) {
    InputEvent event;
    event.control = c.control;
    EXPECT_EQ(KeyMapCharacter(&event, c.character), c.handled) << c.character;
  }
}

TEST(KeyMap, RightAltIsNotControl) {
  static SHORT altGr[256];
  altGr[VK_CONTROL] = altGr[VK_RMENU] = static_cast<SHORT>(0x8000);
  InputEvent event;
  KeyModifiersFrom(&event, [](int key) -> SHORT { return altGr[key]; }, false);
  EXPECT_EQ(event.rightAlt, 1);
  EXPECT_EQ(event.control, 0);
}

TEST(DoubleClick, NearAndQuickPressesCountUpToTriple) {
  ClickState state;
  struct Press {
    uint64_t time;
    int32_t x, y;
    bool doubleClick, tripleClick;
  } presses[] = {
      {1000, 10, 10, false, false}, {1100, 13, 10, true, false},  {1200, 12, 11, true, true},
      {1300, 18, 11, false, false},  // 6 pixels away
      {3000, 18, 11, false, false},  // too late
  };
  for (const Press& p : presses) {
    InputEvent event;
    event.leftButton = 1;
    event.time = p.time;
    event.x = p.x;
    event.y = p.y;
    ClickDetect(&state, &event, 500);
    EXPECT_EQ(event.doubleClick != 0, p.doubleClick) << p.time;
    EXPECT_EQ(event.tripleClick != 0, p.tripleClick) << p.time;
  }
}

TEST(Wheel, QuickNotchesAccelerateAndAPauseResets) {
  struct Run {
    uint64_t step;
    std::vector<int32_t> lines;
  } runs[] = {
      {50, {1, 1, 5, 5, 5}},
      {100, {1, 1, 1, 1}},  // the third notch comes 200 ms after the first
  };
  for (const Run& run : runs) {
    WheelState state;
    uint64_t t = 10000;
    for (int32_t expected : run.lines) {
      EXPECT_EQ(WheelLines(&state, t, 120), expected) << run.step;
      t += run.step;
    }
    EXPECT_EQ(WheelLines(&state, t + 600, -120), -1);
  }
}

TEST(EventTime, MessageTimeIsPlacedAcrossAWrapOfTheLowPart) {
  struct Case {
    uint64_t tick;
    uint32_t messageTime;
    uint64_t expected;
  } cases[] = {
      {0x500001000, 0x00000F00, 0x500000F00},
      {0x500000010, 0xFFFFFFF0, 0x4FFFFFFF0},  // sent just before the wrap, read just after
      {0x4FFFFFFF0, 0x00000010, 0x500000010},
  };
  for (const Case& c : cases) EXPECT_EQ(EventTimeFromMessage(c.tick, c.messageTime), c.expected);
}

}  // namespace
