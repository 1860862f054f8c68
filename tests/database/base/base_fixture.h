#pragma once
// Shared by the database object and change-note tests: a scripted alert handler, a document
// window that stays unopened, a recorder of the dispatch steps and a guard that closes every
// database a test left open.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/alert.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "database/menu_marks.h"
#include "ui/document_window.h"

namespace base_test {

// Answers each question by its message number with the button given for it (the request's
// default answer when none is given) and records what was asked.
class T_AnswerByMessage : public T_AlertHandler {
 public:
  struct Asked {
    int32_t message;
    std::string text0;
    std::vector<int32_t> buttons;
    std::string text1;
  };

  int32_t Ask(const AlertRequest* request) override {
    asked.push_back(
        {request->message, request->texts[0],
         std::vector<int32_t>(request->buttons, request->buttons + request->buttonCount),
         request->texts[1]});
    auto found = press.find(request->message);
    if (found == press.end()) return request->defaultAnswer;
    for (int32_t i = 0; i < request->buttonCount; ++i) {
      if (request->buttons[i] == found->second) return i;
    }
    return request->defaultAnswer;
  }
  bool IsUnattended() override { return false; }

  std::map<int32_t, int32_t> press;  // message -> button id
  std::vector<Asked> asked;
};

// A document window of a database, never opened, that records the notes it receives and may
// refuse to close.
class T_QuietWindow : public T_HWindow {
 public:
  T_QuietWindow(int32_t kind, T_Base* database)
      : T_HWindow(kKindDocument, kind, &kRect, 0, database, 0) {}
  void OnChange(const ChangeNote* note) override { codes.push_back(note->code); }
  bool QueryClose(int32_t mode) override {
    askedModes.push_back(mode);
    return !refuse;
  }

  static constexpr RECT kRect{10, 10, 300, 200};
  std::vector<int32_t> codes;
  std::vector<int32_t> askedModes;
  bool refuse = false;
};

// One dispatch step as seen by the probe.
struct Step {
  int32_t step;
  int32_t code;
  T_Base* receiver;  // null for the application's windows
  T_Base* about;     // the note's database
  bool aboutIsListed;
  bool operator==(const Step&) const = default;
};

inline std::vector<Step>& RecordedSteps() {
  static std::vector<Step> steps;
  return steps;
}

inline bool IsListed(T_Base* base) {
  for (T_Base* b = FirstBase(); b; b = b->next) {
    if (b == base) return true;
  }
  return false;
}

// Records every step of every dispatch while it lives; an optional hook runs inside the probe.
class StepRecorder {
 public:
  using Hook = void (*)(int32_t step, T_Base* base, const ChangeNote* note);
  explicit StepRecorder(Hook hook = nullptr) {
    RecordedSteps().clear();
    CurrentHook() = hook;
    SetDispatchProbe([](int32_t step, T_Base* base, const ChangeNote* note) {
      RecordedSteps().push_back({step, note->code, base, note->database, IsListed(note->database)});
      if (CurrentHook()) CurrentHook()(step, base, note);
    });
  }
  ~StepRecorder() {
    SetDispatchProbe(nullptr);
    CurrentHook() = nullptr;
  }
  StepRecorder(const StepRecorder&) = delete;
  StepRecorder& operator=(const StepRecorder&) = delete;

  const std::vector<Step>& steps() const { return RecordedSteps(); }
  // "code:step" for each step of the given receiver.
  std::vector<std::string> Trace(T_Base* receiver) const {
    std::vector<std::string> trace;
    for (const Step& s : RecordedSteps()) {
      if (s.receiver == receiver)
        trace.push_back(std::to_string(s.code) + ":" + std::to_string(s.step));
    }
    return trace;
  }

 private:
  static Hook& CurrentHook() {
    static Hook hook = nullptr;
    return hook;
  }
};

// Each test starts and ends with no open database, default services and fresh menu marks.
class BaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetBaseServices(nullptr);
    ResetMenuMarks();
  }
  void TearDown() override {
    while (T_Base* base = FirstBase()) delete base;
    SetBaseServices(nullptr);
    SetStoredSubsetQuery(nullptr);
    ResetMenuMarks();
    PendingErrorClear();
  }
};

}  // namespace base_test
