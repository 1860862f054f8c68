#pragma once
// An application with a hidden frame and the alert dialogs at the bottom of the handler stack.
// A dialog is answered from inside its own modal loop: the test posts an action to the
// application before showing it, and the action drives the running dialog (keys, button
// presses, posted window messages). A watchdog ends a run that the action failed to end.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/alert.h"
#include "core/threads.h"
#include "ui/alert_dialogs.h"
#include "ui/application.h"
#include "ui/button.h"
#include "ui/event_record.h"
#include "ui/native_window.h"
#include "ui/program_entry.h"
#include "ui/window.h"

namespace alerts_test {

inline bool& TimedOut() {
  static bool timedOut = false;
  return timedOut;
}

inline void CALLBACK Watchdog(HWND, UINT, UINT_PTR, DWORD) {
  if (T_Window* running = ModalListFirst()) {
    TimedOut() = true;
    running->native.modalEnd = 1;
  }
}

// Runs show () while the drive sees the first modal window once, from inside its loop.
inline void WhileModal(const std::function<void(T_Window*)>& drive,
                       const std::function<void()>& show) {
  struct Action : T_DeferCom {
    std::function<void(T_Window*)> drive;
    void Execute() override {
      if (T_Window* running = ModalListFirst()) {
        drive(running);
      } else {
        ADD_FAILURE() << "no dialog is running";
      }
    }
  };
  auto* action = new Action;
  action->drive = drive;
  App()->PostAction(action);
  PostThreadMessageA(GetCurrentThreadId(), WM_NULL, 0, 0);  // the loop's first message
  TimedOut() = false;
  UINT_PTR watchdog = SetTimer(nullptr, 0, 5000, Watchdog);
  show();
  KillTimer(nullptr, watchdog);
  EXPECT_FALSE(TimedOut()) << "the dialog was not answered";
}

inline int32_t AnswerWhile(const AlertRequest& request,
                           const std::function<void(T_Alert*)>& drive) {
  int32_t answer = -100;
  WhileModal([&](T_Window* running) { drive(static_cast<T_Alert*>(running)); },
             [&] { answer = ShowAlert(&request); });
  return answer;
}

inline AlertRequest Request(int32_t message, std::vector<int32_t> buttons, int32_t defaultAnswer) {
  AlertRequest request;
  AlertInit(&request);
  request.message = message;
  for (int32_t id : buttons) AlertAddButton(&request, id);
  request.defaultAnswer = defaultAnswer;
  return request;
}

// A key long past, so that a press shows no pause.
inline InputEvent Key(uint16_t code, bool control = false) {
  InputEvent event;
  event.keyCode = code;
  event.control = control ? 1 : 0;
  event.time = TickCount() - 1000;
  return event;
}

inline std::vector<T_Button*> Buttons(T_Window* window) {
  std::vector<T_Button*> buttons;
  for (T_GrafElement* child = window->firstChild; child; child = child->next) {
    if (child->kind == kKindButton) buttons.push_back(static_cast<T_Button*>(child));
  }
  return buttons;
}

// The buttons of a row (their top), left to right.
inline std::vector<T_Button*> Row(T_Window* window, int32_t top) {
  std::vector<T_Button*> row;
  for (T_Button* button : Buttons(window)) {
    if (button->y == top) row.push_back(button);
  }
  std::sort(row.begin(), row.end(), [](T_Button* a, T_Button* b) { return a->x < b->x; });
  return row;
}

inline std::string Title(const T_Button* button) {
  return button->title.shown ? button->title.shown : "";
}

// The toolkit's application with a hidden frame, the window classes registered once per program.
inline T_Application* StartHiddenApplication() {
  static bool registered = false;
  if (!registered) {
    RegisterFrameClasses(ProgramInstance());
    registered = true;
  }
  SetFrameVisible(false);
  return new T_Application(true);
}

class AlertsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app = StartHiddenApplication();
    dialogs = new T_AlertDialogs;
  }
  void TearDown() override {
    delete dialogs;
    delete app;
    SetTickSource(nullptr);
  }

  T_Application* app = nullptr;
  T_AlertDialogs* dialogs = nullptr;
};

}  // namespace alerts_test
