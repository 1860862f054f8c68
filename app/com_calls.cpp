#include "app/com_calls.h"

#include <cstring>

#include "app/file_wait.h"
#include "core/alert.h"
#include "core/files.h"
#include "core/memory.h"
#include "database/base.h"

namespace {

struct AlertCode {
  int32_t message;
  int32_t code;
};

constexpr AlertCode kAlertCodes[] = {
    {600, -101}, {601, -102}, {605, -110}, {606, -111}, {607, -112}, {3814, -120},
};

bool indicators = true;
ComBaseHold* holds = nullptr;

void LetGo(T_Base* base) {
  for (ComBaseHold* hold = holds; hold; hold = hold->next) {
    if (hold->base == base) hold->base = nullptr;
  }
}
MutexRecord fileMutex;

// UTF-16 up to the first NUL as UTF-8 in a new block (MemFree); null without memory. The
// system's conversion turns an unpaired surrogate into U+FFFD.
char* Utf8Block(BSTR bstr, int32_t* length) {
  int32_t units = bstr ? static_cast<int32_t>(wcslen(bstr)) : 0;
  int n = units > 0 ? WideCharToMultiByte(CP_UTF8, 0, bstr, units, nullptr, 0, nullptr, nullptr)
                    : 0;
  auto* block = static_cast<char*>(MemAlloc(n + 1, 0));
  if (!block) return nullptr;
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, bstr, units, block, n, nullptr, nullptr);
  block[n] = 0;
  *length = n;
  return block;
}

}  // namespace

int32_t ComErrorFromAlert(int32_t message) {
  for (const AlertCode& row : kAlertCodes) {
    if (row.message == message) return row.code;
  }
  return kComErrorNone;
}

bool ComIndicators() { return indicators; }
void SetComIndicators(bool on) { indicators = on; }

T_ComCall::Lock::Lock(bool take) : taken(take) {
  if (!taken) return;
  if (!fileMutex.handle) MutexCreate(&fileMutex);
  MutexLock(&fileMutex);
}

T_ComCall::Lock::~Lock() {
  if (taken) MutexUnlock(&fileMutex);
}

T_ComCall::T_ComCall(Kind kind)
    : lock_(kind == kGuarded), switched_(kind != kSilent), savedSwitch_(ProgressDisplay()) {
  if (switched_) SetProgressDisplay(indicators);
}

T_ComCall::~T_ComCall() {
  if (switched_) SetProgressDisplay(savedSwitch_);
}

int32_t T_ComCall::Finish(bool failed) {
  failed = failed || AbortRequested();
  PendingErrorReport();
  int32_t code = ComErrorFromAlert(alerts_.lastMessage);
  if (code == kComErrorNone && failed) code = kComErrorGeneral;
  // What the call raised is answered; the abort flag must not stop the user's next operation.
  PendingErrorClear();
  return code;
}

ComBaseHold::ComBaseHold() : next(holds) {
  holds = this;
  SetBaseClosingHook(LetGo);
}

ComBaseHold::~ComBaseHold() {
  for (ComBaseHold** link = &holds; *link; link = &(*link)->next) {
    if (*link == this) {
      *link = next;
      break;
    }
  }
}

void PasswordFromBstr(T_TextBuf* text, BSTR bstr) {
  TextFromBstr(text, bstr);
  int32_t kept = 0;
  for (int32_t i = 0; i < text->length; ++i) {
    if (static_cast<unsigned char>(text->data[i]) >= 32) text->data[kept++] = text->data[i];
  }
  TextBufTruncate(text, kept);
}

void TextFromBstr(T_TextBuf* text, BSTR bstr) { TextBufAssignWide(text, bstr); }

BSTR BstrResult(const char* text) { return BstrFromText(text ? text : ""); }

BSTR BstrResultBytes(const char* bytes, int64_t n) {
  if (n < 1) return SysAllocString(L"");
  return BstrFromBytes(bytes, static_cast<int32_t>(n));
}

T_IStreamBSTR::T_IStreamBSTR(BSTR text) {
  int32_t length = 0;
  bytes_ = Utf8Block(text, &length);
  SetEncoding(kEncodingUtf8);
  CtorFromMemory(bytes_ ? bytes_ : "", bytes_ ? length : 0);
}

T_IStreamBSTR::~T_IStreamBSTR() { MemFree(bytes_); }
