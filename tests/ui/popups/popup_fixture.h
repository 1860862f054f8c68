#pragma once
// An application with a hidden frame and one document window, and scripted input for the popup
// tracking: each poll takes the next step of the script (a point, the buttons held, a key, a
// time); past the end of the script the user presses Escape.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/application.h"
#include "ui/chooser.h"
#include "ui/native_window.h"
#include "ui/popup_menu.h"
#include "ui/program_entry.h"
#include "ui/window.h"

using Log = std::vector<std::string>;

constexpr int kNone = 0;
constexpr int kLeft = 1;
constexpr int kRight = 2;

struct Script {
  std::vector<std::function<void(PopupInput*)>> steps;
  size_t next = 0;
  int polls = 0;
  uint64_t clock = 1000;
};

inline Script* activeScript = nullptr;

inline void ScriptedInput(T_GrafElement*, PopupInput* input) {
  Script* script = activeScript;
  ++script->polls;
  script->clock += 10;
  input->event.time = script->clock;
  input->applicationActive = 1;
  if (script->next < script->steps.size()) {
    script->steps[script->next++](input);
  } else {
    input->event.keyCode = kKeyEscape;
  }
}

inline void SetButtons(InputEvent* event, int buttons) {
  event->leftButton = (buttons & kLeft) ? 1 : 0;
  event->rightButton = (buttons & kRight) ? 1 : 0;
  event->anyButton = buttons ? 1 : 0;
}

// The pointer at (x, y) of the owner with the buttons held.
inline std::function<void(PopupInput*)> At(int x, int y, int buttons) {
  return [=](PopupInput* input) {
    input->event.x = x;
    input->event.y = y;
    SetButtons(&input->event, buttons);
  };
}

inline std::function<void(PopupInput*)> Key(uint16_t code) {
  return [=](PopupInput* input) {
    SetButtons(&input->event, kNone);
    input->event.keyCode = code;
  };
}

// The pointer in the middle of a shown entry of the running menu.
inline std::function<void(PopupInput*)> OnEntry(int index, int buttons) {
  return [=](PopupInput* input) {
    RECT rect{};
    if (!PopupMenuEntryRect(PopupMenuRunning(), index, &rect)) ADD_FAILURE() << "entry " << index << " not shown";
    input->event.x = (rect.left + rect.right) / 2;
    input->event.y = (rect.top + rect.bottom) / 2;
    SetButtons(&input->event, buttons);
  };
}

// Moves the script's clock on before the step.
inline std::function<void(PopupInput*)> Later(uint64_t milliseconds, std::function<void(PopupInput*)> step) {
  return [=](PopupInput* input) {
    activeScript->clock += milliseconds;
    input->event.time = activeScript->clock;
    step(input);
  };
}

inline InputEvent PressAt(int x, int y, int buttons) {
  InputEvent event;
  event.x = x;
  event.y = y;
  SetButtons(&event, buttons);
  event.time = 1000;
  return event;
}

// The document window: it answers its choosers from a list of items and records what its
// controls report.
struct TestItem {
  const char* text;
  int32_t picture = 0;
  bool enabled = true;
  bool plain = true;
};

class T_PopupTestWindow : public T_Window {
 public:
  T_PopupTestWindow(const RECT* rect, Log* log) : T_Window(kKindDocument, rect, 512, nullptr, true), log(log) {}

  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override {
    if (record->code == kChooserDescribe) {
      if (record->listOpen) list = *record;
      if (record->index >= 0 && record->index < static_cast<int64_t>(items.size())) {
        const TestItem& item = items[record->index];
        record->text = item.text;
        record->picture = item.picture;
        record->enabled = item.enabled ? 1 : 0;
        record->plain = item.plain ? 1 : 0;
      }
      return;
    }
    auto* sender = static_cast<T_Chooser*>(chooser);
    log->push_back("chosen " + std::to_string(record->index) + " previous " + std::to_string(record->previous) +
                   " current " + std::to_string(sender->current));
  }
  void OnSelectorEvent(T_GrafElement* selector) override {
    log->push_back("selected " + std::to_string(static_cast<T_Selector*>(selector)->currentPicture));
  }

  std::vector<TestItem> items;
  ChooserEvent list;  // the list's geometry as last asked
  Log* log;
};

class PopupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static bool registered = false;
    if (!registered) {
      RegisterFrameClasses(ProgramInstance());
      registered = true;
    }
    SetFrameVisible(false);
    app = new T_Application(true);
    RECT rect{20, 20, 400, 300};
    window = new T_PopupTestWindow(&rect, &log);
    activeScript = &script;
    SetPopupInputSource(ScriptedInput);
  }
  void TearDown() override {
    SetPopupInputSource(nullptr);
    SetItemPointerSource(nullptr);
    activeScript = nullptr;
    delete app;
  }

  Log log;
  Script script;
  T_Application* app = nullptr;
  T_PopupTestWindow* window = nullptr;
};
