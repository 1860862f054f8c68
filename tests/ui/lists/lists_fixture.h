#pragma once
// A dialog that owns a list of lines for its list boxes and records what they report, a scripted
// pointer for the press loops and a tick counter that the script moves on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/threads.h"
#include "ui/event_record.h"
#include "ui/list_box.h"
#include "ui/mode_tree.h"
#include "ui/window.h"

namespace lists_test {

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

inline InputEvent Press(int32_t x, int32_t y, bool shift = false, bool control = false) {
  InputEvent event;
  event.x = x;
  event.y = y;
  event.leftButton = 1;
  event.anyButton = 1;
  event.shift = shift ? 1 : 0;
  event.control = control ? 1 : 0;
  event.time = FakeTicks();
  return event;
}

inline InputEvent Key(uint16_t code, bool shift = false, bool control = false) {
  InputEvent event;
  event.keyCode = code;
  event.shift = shift ? 1 : 0;
  event.control = control ? 1 : 0;
  event.time = FakeTicks();
  return event;
}

class T_ListDialog : public T_Window {
 public:
  T_ListDialog() : T_Window(kKindDialog, &kRect, 1, nullptr, true) {}

  void OnLineboxEvent(T_GrafElement*, LineboxEvent* record) override {
    switch (record->code) {
      case kLineCount:
        record->count = lineCount;
        break;
      case kLineMeasure:
        record->height = lineHeight;
        break;
      case kLineMaySelect:
      case kLineMaySelectOther:
        record->flag = maySelect ? 1 : 0;
        break;
      case kLineSelected:
        log.push_back((record->flag ? "+" : "-") + std::to_string(record->index));
        if (record->flag) selectedAt.push_back(FakeTicks());
        break;
      case kLineDefaultAction:
        log.push_back("action " + std::to_string(record->index));
        break;
      case kLineBackspace:
        log.push_back("back " + std::to_string(record->index));
        break;
      default:
        break;
    }
  }

  void OnModeboxEvent(T_GrafElement*, ModeboxEvent* record) override {
    if (record->code == kModeDescribe) {
      std::string text = record->nodeId == blankId ? "" : "Mode " + std::to_string(record->nodeId);
      ModeboxEvent_SetText(record, text.c_str());
    } else {
      log.push_back((record->code == kModeChosen ? "chosen " : "run ") +
                    std::to_string(record->nodeId));
    }
  }

  static constexpr RECT kRect{100, 100, 400, 300};
  int64_t lineCount = 0;
  int32_t lineHeight = 10;
  bool maySelect = true;
  int32_t blankId = -1;
  std::vector<std::string> log;
  std::vector<uint64_t> selectedAt;
};

class ListsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeTicks() = 100000;
    SetTickSource(Ticks);
    SetItemPointerSource(ScriptedPointer);
    SetScript({});
    dialog = new T_ListDialog();
  }
  void TearDown() override {
    delete dialog;
    SetItemPointerSource(nullptr);
    SetTickSource(nullptr);
  }
  // A list 100 high with 10-pixel lines: lines 0 to 9 are wholly visible.
  T_Linebox* MakeList(int64_t lines) {
    dialog->lineCount = lines;
    auto* list = new T_Linebox(dialog, {10, 20, 120, 100}, 5, 15, true);
    Item_TakeFocus(list);
    return list;
  }
  std::vector<int64_t> Selected(T_Linebox* list) {
    std::vector<int64_t> lines;
    for (int64_t i = list->FindNextSelected(-1); i >= 0; i = list->FindNextSelected(i)) {
      lines.push_back(i);
    }
    return lines;
  }
  T_ListDialog* dialog = nullptr;
};

}  // namespace lists_test
