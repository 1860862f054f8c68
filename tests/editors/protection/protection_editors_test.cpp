// The password dialog and the protection window: the dialog's layouts, the prompts answered
// through it, and changing the password in the window.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "core/alert.h"
#include "core/localized_text.h"
#include "database/change_notes.h"
#include "database/protection.h"
#include "editors/editor_questions.h"
#include "editors/password_dialog.h"
#include "editors/protection_editor.h"
#include "tests/editors/editors_fixture.h"
#include "ui/button.h"
#include "ui/edit_field.h"

namespace editors_test {
namespace {

using PasswordDialog = EditorTest;
using ProtectionWindow = EditorTest;

TEST_F(PasswordDialog, PromptAndKeychainSetHeightAndCancelButton) {
  struct Case {
    int32_t prompt;
    int32_t flags;
    int32_t height;
    int32_t cancelTitle;
  };
  const Case cases[] = {{0, 0, 82, kButtonClose},
                        {7221, 0, 127, kButtonCancel},
                        {0, kPwEnterKeychain, 104, kButtonClose},
                        {7221, kPwEnterKeychain, 149, kButtonCancel}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.height);
    T_TextBuf password;
    T_PwEnter dialog(nullptr, &password, c.prompt, "a.qeb", c.flags, nullptr);
    EXPECT_EQ(dialog.width, 280);
    EXPECT_EQ(dialog.height, c.height);
    EXPECT_EQ(dialog.keychain != nullptr, c.flags != 0);
    EXPECT_EQ(dialog.prompt != nullptr, c.prompt != 0);
    EXPECT_TRUE(dialog.edit->password);
    T_Item* cancel = FindItem(&dialog, kDialogCancelId);
    ASSERT_NE(cancel, nullptr);
    EXPECT_STREQ(Items()->title(cancel), GetString(c.cancelTitle));
    // The edit sits below the prompt, and the buttons at the bottom either way.
    EXPECT_EQ(dialog.edit->y, c.prompt ? 52 : 15);
    EXPECT_GT(cancel->y + cancel->height, c.height - 20);
  }
}

TEST_F(PasswordDialog, ProtectedWindowsAskThroughTheDialog) {
  struct Case {
    const char* typed;
    bool ok;
    bool passes;
    int32_t error;
  };
  const Case cases[] = {
      {"sECRET", true, true, 0},        // letter case does not count
      {"Sec\tret\r\n", true, true, 0},  // control characters never reach a password
      {"wrong", true, false, 3814},
      {"Secret", false, false, 0},  // cancelled: no error, whatever was typed
  };
  SetProtectionPassword(base->protection, "Secret");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    PendingErrorClear();
    WhileModal([&](T_Window* window) {
      auto* dialog = static_cast<T_PwEnter*>(window);
      EXPECT_NE(dialog->prompt, nullptr);
      dialog->edit->SetText(c.typed);
      PressButton(window, c.ok ? kDialogOkId : kDialogCancelId);
    });
    EXPECT_EQ(AskPasswordToShow(base->protection), c.passes);
    EXPECT_EQ(PendingError.request.message, c.error);
  }
}

TEST_F(PasswordDialog, ResultFlagsTellOkAndKeychain) {
  for (bool tick : {false, true}) {
    WhileModal([&](T_Window* window) {
      auto* dialog = static_cast<T_PwEnter*>(window);
      dialog->edit->SetText("pw");
      dialog->keychain->SetChecked(tick);
      PressButton(window, kDialogOkId);
    });
    T_TextBuf password;
    EXPECT_EQ(RunPasswordDialog(base, &password, 0, nullptr, kPwEnterKeychain, nullptr),
              tick ? 3 : 1);
    EXPECT_STREQ(password.c_str(), "pw");
  }
  WhileModal([](T_Window* window) { PressButton(window, kDialogCancelId); });
  T_TextBuf password("left");
  EXPECT_EQ(RunPasswordDialog(base, &password, 0, "x.qeb", 0, nullptr), 0);
}

TEST_F(ProtectionWindow, ChangeSetsTheNewPasswordAndDontChangeKeepsTheOld) {
  struct Case {
    int32_t answer;
    const char* after;
    bool closes;
    bool notified;
  };
  const Case cases[] = {{kButtonChange, "new one", true, true},
                        {kButtonDontChange, "old", true, false},
                        {kButtonCancel, "old", false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    SetProtectionPassword(base->protection, "old");
    recorder->codes.clear();
    alerts->asked.clear();
    PasswordAnswerInAdvance("OLD");
    T_PwEditor* editor = OpenProtectionEditor(base);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(std::string(editor->Title()), "Protection for \"Noname 1.qeb\"");
    // Its field holds the password, hidden until "Show clear text" is ticked.
    T_TextBuf shown;
    editor->edit->GetText(&shown);
    EXPECT_STREQ(shown.c_str(), "old");
    EXPECT_TRUE(editor->edit->password);
    editor->clearText->SetChecked(true);
    editor->OnCheckbox(editor->clearText);
    EXPECT_FALSE(editor->edit->password);
    // Opening again brings the same window forward, without a prompt.
    EXPECT_EQ(OpenProtectionEditor(base), editor);

    editor->edit->SetText("new one");
    alerts->answers.push_back(c.answer);
    EXPECT_EQ(editor->QueryClose(0), c.closes);
    EXPECT_EQ(Asked(), std::vector<int32_t>{kAskChange});
    EXPECT_EQ(base->protection->checkValue, PasswordCheckValue(c.after));
    EXPECT_EQ(std::count(recorder->codes.begin(), recorder->codes.end(), kChangePassword),
              c.notified ? 1 : 0);
    EventHandler_CloseAndDelete(editor, 3);  // code 3: no question
    EXPECT_EQ(Asked().size(), 1u);
  }
}

TEST_F(ProtectionWindow, AnUnchangedPasswordClosesWithoutAQuestionAndAWrongOneOpensNothing) {
  SetProtectionPassword(base->protection, "old");
  PasswordAnswerInAdvance("old");
  T_PwEditor* editor = OpenProtectionEditor(base);
  ASSERT_NE(editor, nullptr);
  EXPECT_TRUE(EventHandler_CloseAndDelete(editor, 0));
  EXPECT_TRUE(alerts->asked.empty());

  PasswordAnswerInAdvance("wrong");
  EXPECT_EQ(OpenProtectionEditor(base), nullptr);
  EXPECT_EQ(Asked(), std::vector<int32_t>{3814});
  EXPECT_EQ(FindWindowOfKind(kWindowProtection, base), nullptr);
  // The database's command opens it through the installed hook.
  PasswordAnswerInAdvance("old");
  EXPECT_TRUE(base->DoCommand(2507));
  EXPECT_NE(FindWindowOfKind(kWindowProtection, base), nullptr);
}

}  // namespace
}  // namespace editors_test
