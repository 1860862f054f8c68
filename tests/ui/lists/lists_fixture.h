#pragma once
// A dialog that owns a list of lines for its list boxes and records what they report, a scripted
// pointer for the press loops and a tick counter that the script moves on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/threads.h"
#include "tests/ui/scripted_pointer.h"
#include "ui/event_record.h"
#include "ui/list_box.h"
#include "ui/mode_tree.h"
#include "ui/window.h"

namespace lists_test {

using ui_test::FakeTicks;
using ui_test::PointerStep;
using ui_test::Script;
using ui_test::ScriptAt;
using ui_test::ScriptedPointer;
using ui_test::SetScript;
using ui_test::Ticks;

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
