#pragma once
// A dialog window that records the control events reaching it, a scripted pointer for the
// press loops, and a tick counter that the script moves on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/threads.h"
#include "tests/ui/scripted_pointer.h"
#include "ui/event_record.h"
#include "ui/item.h"
#include "ui/menu_model.h"
#include "ui/slide_bar.h"
#include "ui/tab_strip.h"
#include "ui/window.h"

namespace items_test {

using ui_test::FakeTicks;
using ui_test::PointerStep;
using ui_test::Script;
using ui_test::ScriptAt;
using ui_test::ScriptedPointer;
using ui_test::SetScript;
using ui_test::Ticks;

// A left press at a point of an element, in its coordinates.
inline InputEvent Press(int32_t x, int32_t y) {
  InputEvent event;
  event.x = x;
  event.y = y;
  event.leftButton = 1;
  event.anyButton = 1;
  event.time = FakeTicks();
  return event;
}

inline InputEvent Key(uint16_t code, bool shift = false) {
  InputEvent event;
  event.keyCode = code;
  event.shift = shift ? 1 : 0;
  event.time = FakeTicks() - 1000;  // long ago: a key press shows no pause
  return event;
}

class T_TestDialog : public T_Window {
 public:
  T_TestDialog() : T_Window(kKindDialog, &kRect, 1, nullptr, true) {}

  void OnButton(T_GrafElement* button) override {
    const char* title = CurrentCommandTitle();
    log.push_back("button " + std::to_string(AsItem(button)->id) + " " + (title ? title : "-"));
  }
  void OnCheckbox(T_GrafElement* box) override {
    log.push_back("checkbox " + std::to_string(AsItem(box)->id));
  }
  void OnFrameEvent(T_GrafElement*, int32_t code) override {
    log.push_back("frame " + std::to_string(code));
  }
  void OnTabEvent(T_GrafElement* tabs, int32_t code) override {
    TabEvent* record = static_cast<T_Tab*>(tabs)->event;
    if (code == kTabDescribe) {
      int32_t page = record->page;
      record->text =
          page < static_cast<int32_t>(pageTexts.size()) ? pageTexts[page].c_str() : "Page";
      for (int32_t off : disabledPages) {
        if (off == page) record->enabled = 0;
      }
    } else if (code == kTabChanged) {
      log.push_back("tab " + std::to_string(record->oldPage) + ">" + std::to_string(record->page));
    }
  }
  void OnSlidebarEvent(T_GrafElement*, SlidebarEvent* record) override {
    if (record->code == kSlideVisiblePixels && visiblePixels >= 0) record->value = visiblePixels;
    if (record->code == kSlidePositionPixels) record->value = positionPixels;
    if (record->code == kSlideMoved) {
      moves.push_back(record->index);
      moveTicks.push_back(FakeTicks());
      distances.push_back(record->value);
    }
  }

  static constexpr RECT kRect{100, 100, 400, 300};
  std::vector<std::string> log;
  std::vector<std::string> pageTexts;
  std::vector<int32_t> disabledPages;
  int64_t visiblePixels = -1;
  int64_t positionPixels = 1;
  std::vector<int64_t> moves;
  std::vector<uint64_t> moveTicks;
  std::vector<int64_t> distances;
};

class ItemsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeTicks() = 100000;
    SetTickSource(Ticks);
    SetItemPointerSource(ScriptedPointer);
    SetScript({});
    dialog = new T_TestDialog();
  }
  void TearDown() override {
    delete dialog;
    SetItemPointerSource(nullptr);
    SetTickSource(nullptr);
    SetItemLookClass(-1);
  }
  T_TestDialog* dialog = nullptr;
};

}  // namespace items_test
