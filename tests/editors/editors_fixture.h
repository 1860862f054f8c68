#pragma once
// The editors' tests: an application with a hidden frame (tests/ui/dialogs/dialog_fixture.h,
// whose scripted alerts take button ids as answers here), the engine's hooks and the editors
// installed, one untitled database, and a document window of that database that records the
// change codes it receives.
#include <gtest/gtest.h>

#include <vector>

#include "database/base.h"
#include "database/toolkit_adapter.h"
#include "editors/editor_services.h"
#include "tests/ui/dialogs/dialog_fixture.h"
#include "ui/document_window.h"

namespace editors_test {

using dialogs_test::FindItem;
using dialogs_test::PressButton;

class T_NoteRecorder : public T_HWindow {
 public:
  explicit T_NoteRecorder(T_Base* database)
      : T_HWindow(kKindDocument, kWindowCards, &kRect, 0, database, 0) {}
  void OnChange(const ChangeNote* note) override { codes.push_back(note->code); }
  static constexpr RECT kRect{10, 10, 200, 100};
  std::vector<int32_t> codes;
};

class EditorTest : public dialogs_test::DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    InstallDatabaseServices();
    InstallEditors();
    base = new T_Base(nullptr, 1);
    recorder = new T_NoteRecorder(base);
  }
  void TearDown() override {
    delete recorder;
    DeferredCloseDestroyAll();
    DeleteBase(base, kCloseSilently);
    DialogTest::TearDown();
  }

  // The messages the alerts were asked, in order.
  std::vector<int32_t> Asked() const {
    std::vector<int32_t> messages;
    for (const AlertRequest& request : alerts->asked) messages.push_back(request.message);
    return messages;
  }

  T_Base* base = nullptr;
  T_NoteRecorder* recorder = nullptr;
};

}  // namespace editors_test
