#pragma once
// A scripted pointer for the controls' press loops, and a tick counter that the script moves on:
// the loops poll the pointer (SetItemPointerSource) and read the ticks (SetTickSource), so a
// test plays a whole press, drag and release without a real mouse or a real clock.
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "ui/event_record.h"

class T_GrafElement;

namespace ui_test {

struct PointerStep {
  int32_t x;
  int32_t y;
  bool down;
};

inline std::vector<PointerStep>& Script() {
  static std::vector<PointerStep> steps;
  return steps;
}
inline size_t& ScriptAt() {
  static size_t at = 0;
  return at;
}
inline uint64_t& FakeTicks() {
  static uint64_t ticks = 100000;
  return ticks;
}
inline uint64_t Ticks() { return FakeTicks(); }

// Each poll takes 10 ms; after the script the button is up at the last point.
inline void ScriptedPointer(T_GrafElement*, InputEvent* event) {
  FakeTicks() += 10;
  PointerStep step{0, 0, false};
  if (ScriptAt() < Script().size()) {
    step = Script()[ScriptAt()++];
  } else if (!Script().empty()) {
    step = Script().back();
    step.down = false;
  }
  event->x = step.x;
  event->y = step.y;
  event->leftButton = step.down ? 1 : 0;
  event->anyButton = event->leftButton;
  event->time = FakeTicks();
}

inline void SetScript(std::vector<PointerStep> steps) {
  Script() = std::move(steps);
  ScriptAt() = 0;
}

}  // namespace ui_test
