#pragma once
// T_PwEnter: the dialog that asks for a password, and the prompt of database/protection.h that
// runs it. The dialog is the default answer of every password prompt once the editors are
// installed; tests still answer a prompt in advance through the protection's own seam.
//
// Layout (pixels; dy is 37 with a prompt, else 0):
//
//   element                    rectangle
//   prompt text (optional)     9, 8 to 274, 40
//   "Password:" right-aligned  0, 15 + dy to 95, 30 + dy
//   password edit              102, 15 + dy; width 280 - 118, height 15
//   "Append to keychain"       102, 37 + dy; only with kPwEnterKeychain
//   OK, Cancel or Close        bottom right ("Cancel" with a prompt, else "Close")
//
// Heights: 82 without a prompt, 127 with one, 22 more with the keychain box (104, 149).
//
// User-interface thread only.
#include <cstdint>

#include "database/protection.h"
#include "ui/dialog_base.h"

class T_Checkbox;
class T_Edit;
class T_Text;
struct T_TextBuf;

// Item ids.
constexpr uint32_t kPwEnterEditId = 1;
constexpr uint32_t kPwEnterKeychainId = 2;
// Flags of the dialog: offer "Append to keychain".
constexpr int32_t kPwEnterKeychain = 2;

class T_PwEnter : public T_HDialog {
 public:
  static constexpr int32_t kWidth = 280;
  static constexpr int32_t kHeightPlain = 82;
  static constexpr int32_t kPromptShift = 37;
  static constexpr int32_t kPromptHeight = 45;
  static constexpr int32_t kKeychainHeight = 22;

  // password receives the typed text on OK (control characters removed); title null shows the
  // database file's name; promptId 0 shows no prompt.
  T_PwEnter(T_Base* database, T_TextBuf* password, int32_t promptId, const char* title,
            int32_t flags, T_Window* owner);

  void OnButton(T_GrafElement* button) override;

  T_TextBuf* password;
  int32_t result = 0;  // kPasswordConfirmed, kPasswordKeychain; 0 for the other button
  T_Edit* edit = nullptr;
  T_Checkbox* keychain = nullptr;
  T_Text* prompt = nullptr;
};

// The dialog's height for a prompt (or none) and the flags.
int32_t PwEnterHeight(int32_t promptId, int32_t flags);
// Runs the dialog modally and returns its result flags.
int32_t RunPasswordDialog(T_Base* database, T_TextBuf* password, int32_t promptId,
                          const char* title, int32_t flags, T_Window* owner);
// The prompt hook of database/protection.h: the dialog with the prompt text of the request's
// kind, titled by the file for a file not yet open.
int32_t PasswordDialogPrompt(const PasswordPromptRequest* request, T_TextBuf* password);
