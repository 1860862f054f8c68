#include "database/protection.h"

#include <cstring>
#include <new>

#include "core/alert.h"
#include "core/cstring.h"
#include "core/hash_index.h"
#include "core/input_stream.h"
#include "core/output_stream.h"
#include "database/base.h"
#include "database/operation_log.h"

namespace {

constexpr uint64_t kCheckModulus = 0xFFFFEF;
constexpr int32_t kErrorWrongPassword = 3814;  // "Incorrect password"
constexpr int32_t kSaveKindText = 5;

PasswordPromptHook promptHook = nullptr;
bool answerWaiting = false;
bool answerGiven = false;  // false: the answer in advance is a cancel
T_TextBuf answer;

// Asks for the database's password and compares its check value with the stored one.
bool AskDatabasePassword(Protection* protection, int32_t kind) {
  if (protection == nullptr || protection->checkValue == 0) return true;
  if (protection->database != nullptr && protection->database->saveKind == kSaveKindText)
    return true;
  PasswordPromptRequest request;
  request.kind = kind;
  request.database = protection->database;
  T_TextBuf typed;
  int32_t result = AskPassword(&request, &typed);
  int64_t check = PasswordCheckValue(typed.c_str());
  TextBufWipe(&typed);
  if (check == protection->checkValue) return true;
  if (result & kPasswordConfirmed) PendingErrorSet(kErrorWrongPassword);
  return false;
}

}  // namespace

Protection* ProtectionCreate(T_Base* base) {
  auto* protection = new (std::nothrow) Protection;
  if (protection != nullptr) protection->database = base;
  return protection;
}

void ProtectionFree(Protection* protection) {
  if (protection == nullptr) return;
  TextBufWipe(&protection->password.scrambled);
  TextBufWipe(&protection->password.key);
  delete protection;
}

int64_t PasswordCheckValue(const char* text) {
  if (text == nullptr || *text == 0) return 0;
  return static_cast<int64_t>(StrHashNoCase(text, kCheckModulus) + 1);
}

void SetProtectionPassword(Protection* protection, const char* text) {
  // A TAB, CR or LF would break the "##Protection" line and leave a file that never opens
  // again, whatever path the password came by: control characters never enter a password.
  T_TextBuf clean;
  PasswordWithoutControls(text, &clean);
  TextBufWipe(&protection->password.scrambled);
  bool empty = clean.empty();
  // The key is made on first use: a database without a password never pays for the random seed.
  if (!empty && protection->password.key.empty()) ScrambledSecretInit(&protection->password);
  ScrambledSecretSet(&protection->password, clean.c_str());
  protection->checkValue = PasswordCheckValue(clean.c_str());
  TextBufWipe(&clean);
}

void PasswordWithoutControls(const char* text, T_TextBuf* clean) {
  TextBufWipe(clean);
  TextBufAssign(clean, text);
  // The bytes past the new end go with the caller's wipe, which covers the whole buffer.
  TextBufSetLength(clean, StrRemoveControls(clean->data));
}

void GetProtectionPassword(const Protection* protection, T_TextBuf* text) {
  ScrambledSecretGet(&protection->password, text);
}

bool IsProtected(const Protection* protection) {
  return protection != nullptr && protection->checkValue != 0;
}

void InstallProtection(Protection* target, const Protection* source) {
  T_TextBuf clear;
  GetProtectionPassword(source, &clear);
  SetProtectionPassword(target, clear.c_str());
  TextBufWipe(&clear);
}

void ReadProtection(Protection* protection, T_IStream* stream) {
  if (stream->fieldCursor == stream->lineStart) stream->NextFieldRaw();  // the tag
  T_TextBuf password;
  stream->ReadFieldRawBuf(&password);
  SetProtectionPassword(protection, password.c_str());
  TextBufWipe(&password);
  if (stream->fieldLength > 0) {
    char* field = stream->lineStart + (stream->fieldStart - stream->lineStart);
    std::memset(field, 0, static_cast<size_t>(stream->fieldLength));
  }
  while (!AbortRequested() && stream->NextLine()) {
    if (IsSectionHeaderLine(stream)) break;
  }
}

void WriteProtection(const Protection* protection, T_OStream* stream) {
  T_TextBuf clear;
  GetProtectionPassword(protection, &clear);
  stream->PutTextBuf(&clear);
  TextBufWipe(&clear);
  stream->PutNewline();
}

// --- Prompts ------------------------------------------------------------------------------------

void SetPasswordPrompt(PasswordPromptHook hook) { promptHook = hook; }

void PasswordAnswerInAdvance(const char* password) {
  answerWaiting = true;
  answerGiven = password != nullptr;
  TextBufWipe(&answer);
  TextBufAssign(&answer, password);
}

int32_t AskPassword(const PasswordPromptRequest* request, T_TextBuf* password) {
  TextBufWipe(password);
  int32_t result = 0;
  if (answerWaiting) {
    answerWaiting = false;
    if (answerGiven) {
      TextBufAssignBuf(password, &answer);
      TextBufWipe(&answer);
      result = kPasswordConfirmed;
    }
  } else if (promptHook != nullptr) {
    result = promptHook(request, password);
  }
  // Whoever answered, the text opens a file as the password that saved it, which never kept
  // control characters.
  TextBufSetLength(password, StrRemoveControls(password->data));
  return result;
}

bool AskFilePassword(void* owner, const char* fileName, T_TextBuf* password) {
  PasswordPromptRequest request;
  request.kind = kPasswordPromptFile;
  request.owner = owner;
  request.fileName = fileName;
  int32_t result = AskPassword(&request, password);
  if ((result & kPasswordConfirmed) && !password->empty()) return true;
  TextBufWipe(password);
  return false;
}

bool AskPasswordToShow(Protection* protection) {
  return AskDatabasePassword(protection, kPasswordPromptShow);
}

bool AskPasswordToSaveText(Protection* protection) {
  return AskDatabasePassword(protection, kPasswordPromptSaveText);
}
