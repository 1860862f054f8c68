#pragma once
// The password protection of a database and the password prompts.
//
// The password is kept scrambled (core/keystream.h ScrambledSecret) with a key of 64 random
// characters made for the object when it first receives a password, so the clear text stands in
// memory only while an operation needs it. Every clear copy made here is wiped before its memory
// is freed; callers wipe the copies they receive (TextBufWipe).
//
// "##Protection" section line:
//
//   field  meaning
//   1      "##Protection" (written by the section writer)
//   2      the clear password, read as raw bytes; empty or missing for none
//
// The prompts ask through one replaceable hook: the password dialog installs itself there, and
// tests answer the next prompt in advance. With neither, a prompt answers "cancelled".
#include <cstdint>

#include "core/keystream.h"
#include "core/text_buffer.h"

class T_Base;
class T_IStream;
class T_OStream;

struct Protection {
  T_Base* database = nullptr;
  ScrambledSecret password;  // key empty until the first password
  int64_t checkValue = 0;    // PasswordCheckValue of the password
};

// A protection without a password; null when memory runs out.
Protection* ProtectionCreate(T_Base* base);
// Wipes and frees; null does nothing.
void ProtectionFree(Protection* protection);

// 0 for a null or empty text, else 1 + StrHashNoCase(text, 0xFFFFEF): two passwords match when
// their check values are equal, whatever their letter case.
int64_t PasswordCheckValue(const char* text);
// Replaces the password (the old scrambled form is wiped) and its check value. Control
// characters (0 to 31) are removed first, on every path a password takes.
void SetProtectionPassword(Protection* protection, const char* text);
// The text with control characters removed, as a password is kept; the caller wipes it.
void PasswordWithoutControls(const char* text, T_TextBuf* clean);
// The clear password; the caller wipes it right after use.
void GetProtectionPassword(const Protection* protection, T_TextBuf* text);
bool IsProtected(const Protection* protection);
// The target takes the source's password and check value; the clear copy is wiped.
void InstallProtection(Protection* target, const Protection* source);

// With the "##Protection" line current: takes the password field (the tag field is skipped when
// not yet read) and wipes it in the stream's line, then skips the section's lines up to the next
// "##" line.
void ReadProtection(Protection* protection, T_IStream* stream);
// The password as a field and the line end (the caller wrote the tag and the separator).
void WriteProtection(const Protection* protection, T_OStream* stream);

// --- Prompts ------------------------------------------------------------------------------------

// What the prompt is for; the dialog chooses its prompt text by it.
constexpr int32_t kPasswordPromptShow = 1;      // to display a protected window
constexpr int32_t kPasswordPromptSaveText = 2;  // to save a protected database as a text file
constexpr int32_t kPasswordPromptFile = 3;      // to open a protected file

struct PasswordPromptRequest {
  int32_t kind = 0;
  T_Base* database = nullptr;      // null for a file not yet open
  void* owner = nullptr;           // the window the prompt belongs to
  const char* fileName = nullptr;  // the file asked for (kind 3)
};

// Result flags of a prompt.
constexpr int32_t kPasswordConfirmed = 1;  // OK: the text holds the typed password
constexpr int32_t kPasswordKeychain = 2;   // "Append to keychain" was ticked

// Answers one prompt: fills the password (control characters removed) and returns the result
// flags; 0 for cancelled.
using PasswordPromptHook = int32_t (*)(const PasswordPromptRequest* request, T_TextBuf* password);
// Null removes the hook.
void SetPasswordPrompt(PasswordPromptHook hook);
// The next prompt shows nothing and answers with this password, confirmed; null answers it
// cancelled. One answer serves one prompt and goes before the hook.
void PasswordAnswerInAdvance(const char* password);
// Runs the prompt: the answer in advance, else the hook, else cancelled.
int32_t AskPassword(const PasswordPromptRequest* request, T_TextBuf* password);

// The password of a named protected file; false (password empty) when cancelled or left empty.
bool AskFilePassword(void* owner, const char* fileName, T_TextBuf* password);
// True without asking when the database has no password or is kept as a text file (save kind
// 5); otherwise asks and compares check values. A wrong password that the user confirmed sets
// the pending error 3814; a cancelled prompt fails without an error.
bool AskPasswordToShow(Protection* protection);
// The same before a protected database is saved as a text file; false stops the save.
bool AskPasswordToSaveText(Protection* protection);
