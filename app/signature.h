#pragma once
// The user's signature: up to three bytes of UTF-8 (whole characters) that stamp the cards the
// user creates, changes, examines or approves. It is asked for once per run, the first time a
// card is stamped, and kept only while the program runs.
//
// User-interface thread only.
#include <cstdint>

#include "core/packed_date.h"
#include "ui/dialog_base.h"

class T_Edit;

constexpr int32_t kSignatureBytes = 3;

// The current signature (empty before one was set).
const char* CurrentSignature();
// Whether a signature was set in this run.
bool SignatureSet();
// Back to no signature, not set (tests).
void ResetSignature();

// TAB, CR and LF become blanks (they would break the stamp field of the card records), blanks
// are trimmed at both ends, and a longer text is cut to three bytes at a character boundary once
// the user agrees (2100); false when the user refused the cut, and nothing changes. A different
// signature is announced to every open database and window (setting code 1). True marks the
// signature as set in this run.
bool SetSignature(const char* text, int32_t length);

// The stamp of the current time and the signature. Asks for the signature (the signature dialog,
// owned by the parent) when none was set in this run; false leaves the card unstamped: the user
// cancelled, or nobody is there to ask.
bool GetSignatureStamp(SignatureStamp* stamp, T_Window* parent);

// Runs the signature dialog (the Signature command).
void RunSignatureDialog(T_Window* parent);

class T_SignatureDlg : public T_HDialog {
 public:
  static constexpr int32_t kWidth = 204;
  static constexpr int32_t kHeight = 78;
  static constexpr uint32_t kFieldId = 1;

  explicit T_SignatureDlg(T_Window* parent);

  void OnButton(T_GrafElement* button) override;
  // A signature set elsewhere (setting code 1) ends the dialog.
  void OnChange(const ChangeNote* note) override;

  T_Edit* field = nullptr;
};
