#include "editors/protection_editor.h"

#include <cstring>

#include "core/alert.h"
#include "core/files.h"
#include "core/localized_text.h"
#include "core/placeholders.h"
#include "core/text_buffer.h"
#include "core/threads.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "database/protection.h"
#include "editors/editor_questions.h"
#include "ui/button.h"
#include "ui/dialog_base.h"
#include "ui/edit_field.h"
#include "ui/frame_items.h"

namespace {

constexpr int32_t kTextPasswordLabel = 7220;
constexpr int32_t kTextShowClearText = 7224;
constexpr int32_t kTextProtectionFor = 7225;

constexpr RECT kRect{0, 0, T_PwEditor::kWidth, T_PwEditor::kHeight};

}  // namespace

T_PwEditor::T_PwEditor(T_Base* database)
    : T_HWindow(kKindFixedDocument, kWindowProtection, &kRect, 0, database, 0) {
  MakeTitle();
  auto* label = new T_Text(this, XYWH{6, 12, 67, 12}, false);
  label->SetTextId(kTextPasswordLabel);
  EventHandler_Open(label);
  edit = new T_Edit(this, XYWH{80, 12, 120, 12}, kPwEditorEditId, true, false);
  edit->SetPassword(true);
  T_TextBuf clear;
  GetProtectionPassword(database->protection, &clear);
  edit->SetText(clear.c_str());
  TextBufWipe(&clear);
  EventHandler_Open(edit);
  clearText = Dialog_AddCheckbox(this, XYWH{80, 32, 120, 14}, kPwEditorClearTextId,
                                 kTextShowClearText, false);
  EventHandler_Open(this);
}

void T_PwEditor::MakeTitle() {
  T_TextBuf name;
  if (database->path != nullptr) PathGetName(database->path->c_str(), &name);
  T_TextBuf title(GetString(kTextProtectionFor));
  TextBufFillParam(&title, 0, name.c_str());
  SetTitleBuf(&title);
}

void T_PwEditor::Notify(int32_t code) {
  T_HWindow::Notify(code);
  if (code == kNotifyLanguage) MakeTitle();
}

void T_PwEditor::OnCheckbox(T_GrafElement* checkbox) {
  if (checkbox == clearText) {
    edit->SetPassword(clearText->checked == 0);
    return;
  }
  T_HWindow::OnCheckbox(checkbox);
}

bool T_PwEditor::QueryClose(int32_t code) {
  if (code == kCloseWithoutSaving) return T_HWindow::QueryClose(code);
  edit->CommitText();
  T_TextBuf typed;
  T_TextBuf current;
  edit->GetText(&typed);
  GetProtectionPassword(database->protection, &current);
  bool same = typed.length == current.length &&
              std::memcmp(typed.data, current.data, static_cast<size_t>(typed.length)) == 0;
  TextBufWipe(&current);
  bool close = true;
  if (!same) {
    int32_t answer = AskEditorQuestion(this, kAskChange, Title(),
                                       {kButtonChange, kButtonCancel, kButtonDontChange}, 1);
    if (answer == kButtonChange) {
      SetProtectionPassword(database->protection, typed.c_str());
      database->NotifyCode(kChangePassword);
    } else if (answer != kButtonDontChange) {
      close = false;
    }
  }
  TextBufWipe(&typed);
  return close && T_HWindow::QueryClose(code);
}

T_PwEditor* OpenProtectionEditor(T_Base* database) {
  if (database == nullptr || database->protection == nullptr) return nullptr;
  if (T_HWindow* open = FindWindowOfKind(kWindowProtection, database)) {
    open->BringToFront();
    return static_cast<T_PwEditor*>(open);
  }
  if (!MemCanAlloc(kEditorReserve)) return nullptr;
  if (!AskPasswordToShow(database->protection)) {
    PendingErrorReport();
    return nullptr;
  }
  return new T_PwEditor(database);
}
