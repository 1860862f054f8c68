#include "app/signature.h"

#include <cstring>

#include "app/qeb_application.h"
#include "core/alert.h"
#include "core/text_buffer.h"
#include "database/change_notes.h"
#include "ui/button.h"
#include "ui/edit_field.h"
#include "ui/frame_items.h"
#include "ui/small_dialogs.h"

namespace {

constexpr int32_t kTextSignature = 2544;

char signature[kSignatureBytes + 1] = {};
bool signatureSet = false;

}  // namespace

const char* CurrentSignature() { return signature; }
bool SignatureSet() { return signatureSet; }

void ResetSignature() {
  std::memset(signature, 0, sizeof signature);
  signatureSet = false;
}

bool SetSignature(const char* text, int32_t length) {
  T_TextBuf typed;
  TextBufAssignBytes(&typed, text ? text : "", text ? length : 0);
  for (int32_t i = 0; i < typed.length; ++i) {
    char& c = typed.data[i];
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  }
  TextBufTrim(&typed, ' ');
  if (!ConfirmTruncate(&typed, kSignatureBytes, nullptr)) return false;
  bool changed = std::strcmp(typed.data, signature) != 0;
  if (changed) {
    std::memset(signature, 0, sizeof signature);
    std::memcpy(signature, typed.data, static_cast<size_t>(typed.length));
  }
  signatureSet = true;
  if (changed) BroadcastSetting(kChangeSignature);
  return true;
}

bool GetSignatureStamp(SignatureStamp* stamp, T_Window* parent) {
  if (!signatureSet) {
    if (AlertsUnattended()) return false;
    RunSignatureDialog(parent);
    if (!signatureSet) return false;
  }
  stamp->stamp = TimeStampNow();
  std::memcpy(stamp->signature, signature, sizeof stamp->signature);
  return true;
}

void RunSignatureDialog(T_Window* parent) {
  T_SignatureDlg dialog(parent);
  Dialog_Run(&dialog);
}

// --- T_SignatureDlg ---------------------------------------------------------------------------

T_SignatureDlg::T_SignatureDlg(T_Window* parent) : T_HDialog(kWidth, kHeight, nullptr, parent) {
  SetTitleId(kTextSignature);
  auto* label = new T_Text(this, XYWH{12, 15, 70, 14}, false);
  label->SetTextId(kTextSignature);
  EventHandler_Open(label);
  field = new T_Edit(this, XYWH{88, 15, 60, 14}, kFieldId, true, false);
  field->SetText(signature);
  EventHandler_Open(field);
  Dialog_AddButtons(this, nullptr, nullptr);
}

void T_SignatureDlg::OnButton(T_GrafElement* button) {
  if (Dialog_IsOk(button)) {
    field->CommitEdit();
    T_TextBuf text;
    field->GetText(&text);
    if (SetSignature(text.data, text.length)) Dialog_EndModal(this);
  } else if (Dialog_IsCancel(button)) {
    Dialog_EndModal(this);
  } else {
    T_HDialog::OnButton(button);
  }
}

void T_SignatureDlg::OnChange(const ChangeNote* note) {
  T_HDialog::OnChange(note);
  if (note && note->code == kChangeSignature) Dialog_EndModal(this);
}
