#include "editors/password_dialog.h"

#include "core/files.h"
#include "core/localized_text.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "editors/editor_questions.h"
#include "ui/button.h"
#include "ui/edit_field.h"
#include "ui/frame_items.h"

namespace {

constexpr int32_t kTextPasswordLabel = 7220;
constexpr int32_t kTextPromptShow = 7221;
constexpr int32_t kTextPromptSaveText = 7222;
constexpr int32_t kTextKeychain = 7223;

constexpr int32_t kLabelWidth = 95;
constexpr int32_t kEditLeft = 102;
constexpr int32_t kEditMargin = 118;
constexpr int32_t kRowTop = 15;
constexpr int32_t kRowHeight = 15;

// The database file's name, for a dialog given no title.
void DatabaseFileName(T_Base* database, T_TextBuf* name) {
  TextBufSetLength(name, 0);
  if (database != nullptr && database->path != nullptr) PathGetName(database->path->c_str(), name);
}

}  // namespace

int32_t PwEnterHeight(int32_t promptId, int32_t flags) {
  int32_t height = T_PwEnter::kHeightPlain;
  if (promptId != 0) height += T_PwEnter::kPromptHeight;
  if (flags & kPwEnterKeychain) height += T_PwEnter::kKeychainHeight;
  return height;
}

T_PwEnter::T_PwEnter(T_Base* database, T_TextBuf* password, int32_t promptId, const char* title,
                     int32_t flags, T_Window* owner)
    : T_HDialog(kWidth, PwEnterHeight(promptId, flags), database, owner), password(password) {
  if (title != nullptr) {
    SetTitleCopy(title);
  } else {
    T_TextBuf name;
    DatabaseFileName(database, &name);
    SetTitleBuf(&name);
  }
  int32_t dy = 0;
  if (promptId != 0) {
    prompt = new T_Text(this, XYWH{9, 8, 265, 32}, false);
    prompt->SetTextId(promptId);
    EventHandler_Open(prompt);
    dy = kPromptShift;
  }
  auto* label = new T_Text(this, XYWH{0, kRowTop + dy, kLabelWidth, kRowHeight}, false);
  label->SetTextId(kTextPasswordLabel);
  TextStyleSetAlign(&label->style, kStyleRight);
  EventHandler_Open(label);
  edit = new T_Edit(this, XYWH{kEditLeft, kRowTop + dy, kWidth - kEditMargin, kRowHeight},
                    kPwEnterEditId, true, false);
  edit->SetPassword(true);
  EventHandler_Open(edit);
  if (flags & kPwEnterKeychain) {
    keychain =
        Dialog_AddCheckbox(this, XYWH{kEditLeft, kRowTop + dy + 22, kWidth - kEditMargin, 14},
                           kPwEnterKeychainId, kTextKeychain, false);
  }
  T_Button* cancel = nullptr;
  Dialog_AddButtons(this, nullptr, &cancel);
  if (promptId == 0) cancel->SetTitleId(kButtonClose);
}

void T_PwEnter::OnButton(T_GrafElement* button) {
  if (Dialog_IsOk(button)) {
    edit->CommitText();
    T_TextBuf typed;
    edit->GetText(&typed);
    PasswordWithoutControls(typed.c_str(), password);
    TextBufWipe(&typed);
    result =
        kPasswordConfirmed | (keychain != nullptr && keychain->checked ? kPasswordKeychain : 0);
    Dialog_EndModal(this);
  } else if (Dialog_IsCancel(button)) {
    result = 0;
    Dialog_EndModal(this);
  } else {
    T_HDialog::OnButton(button);
  }
}

int32_t RunPasswordDialog(T_Base* database, T_TextBuf* password, int32_t promptId,
                          const char* title, int32_t flags, T_Window* owner) {
  T_PwEnter dialog(database, password, promptId, title, flags, owner);
  Dialog_Run(&dialog);
  // The field wipes its text, and its overlay's, as the dialog goes.
  return dialog.result;
}

int32_t PasswordDialogPrompt(const PasswordPromptRequest* request, T_TextBuf* password) {
  int32_t promptId = 0;
  if (request->kind == kPasswordPromptShow) promptId = kTextPromptShow;
  if (request->kind == kPasswordPromptSaveText) promptId = kTextPromptSaveText;
  T_TextBuf title;
  if (request->kind == kPasswordPromptFile)
    PathGetName(request->fileName ? request->fileName : "", &title);
  return RunPasswordDialog(request->database, password, promptId,
                           request->kind == kPasswordPromptFile ? title.c_str() : nullptr, 0,
                           static_cast<T_Window*>(request->owner));
}
