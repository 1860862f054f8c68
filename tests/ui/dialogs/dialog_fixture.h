#pragma once
// An application with a hidden frame, an alert handler that answers from a script and records
// what it was asked, a stand-in database reached through the database hooks, and a way to act on
// a running modal dialog: the step is posted to the application before the run and runs from
// the modal loop's after-message work. A watchdog ends any modal run that is still going after a
// few seconds, so a broken step fails the test instead of hanging it.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "core/alert.h"
#include "core/text_buffer.h"
#include "ui/application.h"
#include "ui/database_services.h"
#include "ui/dialog_base.h"
#include "ui/item.h"
#include "ui/native_window.h"
#include "ui/program_entry.h"
#include "ui/window.h"

namespace dialogs_test {

// Answers questions from a queue (the request's default answer once it is empty).
class T_ScriptAlerts : public T_AlertHandler {
 public:
  int32_t Ask(const AlertRequest* request) override {
    asked.push_back(*request);
    if (answers.empty()) return request->defaultAnswer;
    int32_t answer = answers.front();
    answers.pop_front();
    return answer;
  }
  bool IsUnattended() override { return false; }

  std::deque<int32_t> answers;
  std::vector<AlertRequest> asked;
};

inline std::string FormattedText(const AlertRequest& request) {
  T_TextBuf text;
  AlertFormatText(&request, &text);
  return text.data;
}

// The stand-in database: value columns with names and decimals codes.
struct FakeBase {
  std::vector<std::string> columns;
  std::vector<int32_t> decimals;
  T_LinkContext* context = nullptr;

  T_Base* base() { return reinterpret_cast<T_Base*>(this); }
  static FakeBase* Of(T_Base* base) { return reinterpret_cast<FakeBase*>(base); }
};

inline const DatabaseOperations kFakeOperations{
    [](T_Base* base) { return FakeBase::Of(base)->context; },
    [](T_Base* base) { return static_cast<int32_t>(FakeBase::Of(base)->columns.size()); },
    [](T_Base* base, int32_t column) { return FakeBase::Of(base)->decimals[column]; },
    [](T_Base* base, T_TextBuf* text, int32_t field) {
      TextBufAssign(text, FakeBase::Of(base)->columns[field - kFieldValueFirst].c_str());
    },
    nullptr,
};

class T_StepAction : public T_DeferCom {
 public:
  explicit T_StepAction(std::function<void()> step) : step(std::move(step)) {}
  void Execute() override { step(); }
  std::function<void()> step;
};

// The innermost running modal window.
inline T_Window* InnermostModal() {
  T_Window* last = ModalListFirst();
  while (last && last->nextModal) last = last->nextModal;
  return last;
}

inline bool& WatchdogFired() {
  static bool fired = false;
  return fired;
}

inline void CALLBACK Watchdog(HWND, UINT, UINT_PTR, DWORD) {
  WatchdogFired() = true;
  for (T_Window* w = ModalListFirst(); w; w = w->nextModal) Dialog_EndModal(w);
}

// Runs the step on the innermost modal window once the next modal loop is up.
inline void RunWhileModal(T_Application* app, std::function<void(T_Window*)> step) {
  app->PostAction(new T_StepAction([step] {
    T_Window* dialog = InnermostModal();
    ASSERT_NE(dialog, nullptr);
    step(dialog);
  }));
  PostThreadMessageA(GetCurrentThreadId(), WM_NULL, 0, 0);
}

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static bool registered = false;
    if (!registered) {
      RegisterFrameClasses(ProgramInstance());
      registered = true;
    }
    SetFrameVisible(false);
    app = new T_Application(true);
    alerts = new T_ScriptAlerts();
    WatchdogFired() = false;
    watchdog = SetTimer(nullptr, 0, 8000, Watchdog);
  }
  void TearDown() override {
    KillTimer(nullptr, watchdog);
    EXPECT_FALSE(WatchdogFired()) << "a modal run was left waiting";
    delete alerts;
    delete app;
    SetDatabaseOperations(nullptr);
    PendingErrorClear();
  }

  void WhileModal(std::function<void(T_Window*)> step) { RunWhileModal(app, std::move(step)); }

  T_Application* app = nullptr;
  T_ScriptAlerts* alerts = nullptr;
  UINT_PTR watchdog = 0;
};

// A press of a button (by its item id) of the window, through the window's own hooks.
inline void PressButton(T_Window* window, uint32_t id) {
  for (T_GrafElement* e = window->firstChild; e; e = e->next) {
    T_Item* item = AsItem(e);
    if (item && item->kind == kKindButton && item->id == id) {
      Items()->press(item);
      return;
    }
  }
  ADD_FAILURE() << "no button " << id;
}

// The first item with the id anywhere below the element.
inline T_Item* FindItem(T_EventHandler* parent, uint32_t id) {
  for (T_GrafElement* e = parent->firstChild; e; e = e->next) {
    T_Item* item = AsItem(e);
    if (item && item->id == id) return item;
    if (T_Item* inner = FindItem(e, id)) return inner;
  }
  return nullptr;
}

}  // namespace dialogs_test
