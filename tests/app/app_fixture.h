#pragma once
// The application shell in-process: a scratch registry, the program's settings back at their
// defaults, the engine's and the application's hooks, a stand-in for the file operations that
// records what the shell asked of them, a scripted user for alerts, and (when a test asks for
// it) the application object on a hidden frame with its menus.
#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "app/document_files.h"
#include "app/main_menus.h"
#include "app/preferences.h"
#include "app/program_location.h"
#include "app/qeb_application.h"
#include "app/recent_files.h"
#include "app/signature.h"
#include "core/alert.h"
#include "core/copy_table.h"
#include "core/file_dialogs.h"
#include "core/localized_text.h"
#include "core/packed_date.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/menu_marks.h"
#include "database/toolkit_adapter.h"
#include "scratch_registry.h"
#include "tests/ui/dialogs/dialog_fixture.h"
#include "tests/ui/hidden_frame.h"
#include "ui/application.h"
#include "ui/native_menu.h"
#include "ui/native_window.h"
#include "ui/program_entry.h"

namespace app_test {

// Answers each question by its message number with the button given for it (by button id; the
// request's default answer when none is given), and records every alert.
class T_ScriptedUser : public T_AlertHandler {
 public:
  struct Asked {
    int32_t message;
    int32_t title;
    std::string text;
    std::vector<int32_t> buttons;
    int32_t defaultAnswer;
  };

  int32_t Ask(const AlertRequest* request) override {
    T_TextBuf text;
    AlertFormatText(request, &text);
    asked.push_back(
        {request->message, request->title, text.data,
         std::vector<int32_t>(request->buttons, request->buttons + request->buttonCount),
         request->defaultAnswer});
    auto found = press.find(request->message);
    if (found != press.end() && !found->second.empty()) {
      int32_t button = found->second.front();
      found->second.pop_front();
      for (int32_t i = 0; i < request->buttonCount; ++i) {
        if (request->buttons[i] == button) return i;
      }
    }
    return request->defaultAnswer;
  }
  bool IsUnattended() override { return unattended; }

  std::vector<int32_t> Messages() const {
    std::vector<int32_t> messages;
    for (const Asked& a : asked) messages.push_back(a.message);
    return messages;
  }

  bool unattended = false;
  std::map<int32_t, std::deque<int32_t>> press;  // message -> buttons, one per question
  std::vector<Asked> asked;
};

struct FileCall {
  std::string what;  // "open", "import", "save"
  std::string path;
  int32_t flags;
  std::string password;  // "<none>" for a null password
  T_Base* base;
};

inline std::vector<FileCall>& FileCalls() {
  static std::vector<FileCall> calls;
  return calls;
}

// Opening makes a database of the path (and records the file, as the open does).
inline const DocumentFileOperations kRecordingFiles{
    [](const char* path, int32_t flags, const char* password) -> T_Base* {
      FileCalls().push_back({"open", path, flags, password ? password : "<none>", nullptr});
      auto* base = new T_Base(path, 0);
      AddRecentFile(path);
      return base;
    },
    [](T_Base* base, const char* path, int32_t flags) {
      FileCalls().push_back({"import", path, flags, "", base});
    },
    [](T_Base* base, const char* path) {
      FileCalls().push_back({"save", path, 0, "", base});
      return true;
    },
};

inline std::vector<std::string>& ShellTargets() {
  static std::vector<std::string> targets;
  return targets;
}

class AppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetPreferences();
    ClearRecentFiles();
    ResetSignature();
    ResetMenuMarks();
    DateStyleSet(0);
    SetCurrentLanguage(0);
    *CopyTableCurrent() = CopyTableSettings{};
    CopyTableInit(CopyTableCurrent());
    InstallDatabaseServices();
    InstallApplicationServices();
    FileCalls().clear();
    SetDocumentFileOperations(&kRecordingFiles);
    ShellTargets().clear();
    SetShellOpenHook([](const char* target) {
      ShellTargets().push_back(target);
      return shellAnswer;
    });
    shellAnswer = true;
    dialogs_test::WatchdogFired() = false;
    watchdog = SetTimer(nullptr, 0, 8000, dialogs_test::Watchdog);
  }

  void TearDown() override {
    KillTimer(nullptr, watchdog);
    EXPECT_FALSE(dialogs_test::WatchdogFired()) << "a modal run was left waiting";
    while (T_Base* base = FirstBase()) {
      if (!DeleteBase(base, kCloseSilently)) delete base;
    }
    delete app;
    app = nullptr;
    SetMenuOperations(nullptr);
    SetDocumentFileOperations(nullptr);
    SetDatabaseMenuBuilders(nullptr);
    SetShellOpenHook(nullptr);
    SetProgramPathOverride(nullptr);
    SetWebServerAccountQuery(nullptr);
    SetWebServiceRestart(nullptr);
    RemoveDatabaseServices();
    SetCurrentLanguage(0);
    DateStyleSet(0);
    PendingErrorClear();
  }

  // The application object on a hidden frame, with the toolkit's and the program's menus.
  void StartApplication() {
    ui_test::PrepareHiddenFrame();
    app = new T_QEB;
  }

  // Runs the step on the innermost modal window once the next modal loop is up.
  void WhileModal(std::function<void(T_Window*)> step) {
    App()->PostAction(new dialogs_test::T_StepAction([step] {
      T_Window* dialog = dialogs_test::InnermostModal();
      ASSERT_NE(dialog, nullptr);
      step(dialog);
    }));
    PostThreadMessageA(GetCurrentThreadId(), WM_NULL, 0, 0);
  }

  static inline bool shellAnswer = true;
  ScratchRegistry registry;
  T_ScriptedUser user;
  T_QEB* app = nullptr;
  UINT_PTR watchdog = 0;
};

}  // namespace app_test
