#pragma once
// What the automation objects' methods share: the frame of a call into the engine (the file
// mutex, a silent alert handler, the progress switch, the error code of the call), the texts of
// BSTR arguments and results, and the input stream over a BSTR.
//
// Error codes (the type library's ErrorCodes): the last alert of a call gives 600 -101,
// 601 -102, 605 -110, 606 -111, 607 -112, 3814 -120, any other 0. A call whose operation failed
// while its last alert maps to 0 (a damaged file, an unreadable kind, an abandoned import, a
// refused save) gives -100 rather than report a failure as success; warnings stepped over still
// give 0.
//
// User-interface thread only.
#include <windows.h>
// After windows.h, which it needs.
#include <oleauto.h>

#include <cstdint>

#include "core/alert_handlers.h"
#include "core/input_stream.h"
#include "core/text_buffer.h"
#include "core/threads.h"

constexpr int32_t kComErrorNone = 0;
constexpr int32_t kComErrorGeneral = -100;
constexpr int32_t kComErrorMissingResource = -102;
constexpr int32_t kComErrorBaseInvalid = -130;
constexpr int32_t kComErrorNoImportSetup = -131;
constexpr int32_t kComErrorInvalidParameter = -132;
constexpr int32_t kComErrorNotFound = -133;

int32_t ComErrorFromAlert(int32_t message);

// The progress-indicator switch that guarded calls use (IApplication::Indicators; on at start).
bool ComIndicators();
void SetComIndicators(bool on);

// Every alert of a COM call is answered with its default and remembered, and none reaches the
// handlers below: nobody looks at the program's windows or its alert file during a call. An
// alert that a database's error log above answers still passes here and counts as the last one.
class T_ComAlerts : public T_NoAlerts {
 public:
  void Notify(const AlertRequest* request) override { lastMessage = request->message; }
};

// The frame of one call. A guarded call locks the COM file mutex (no time-out; the mutex is
// recursive on its thread, so a guarded call inside another one goes on) and sets the progress
// switch to ComIndicators(); a silent one does neither. Both push the silent handler. The
// destructor restores the switch, pops the handler and unlocks, whatever happened.
class T_ComCall {
 public:
  enum Kind { kSilent, kGuarded, kSwitchOnly };
  explicit T_ComCall(Kind kind);
  ~T_ComCall();
  T_ComCall(const T_ComCall&) = delete;
  T_ComCall& operator=(const T_ComCall&) = delete;

  // Reports the pending error to the silent handler and gives the error code of the call;
  // failed: the operation said so itself (its result, or the error or abort flag it left).
  int32_t Finish(bool failed);

 private:
  struct Lock {
    explicit Lock(bool take);
    ~Lock();
    bool taken;
  };
  Lock lock_;
  T_ComAlerts alerts_;
  bool switched_;
  bool savedSwitch_;
};

class T_Base;

// An automation object's hold on a database. A closing database lets go of every hold on it
// (however it closes: the user, a command, another object), so an object whose database went
// answers as one without a database instead of using freed memory.
struct ComBaseHold {
  ComBaseHold();
  ~ComBaseHold();
  ComBaseHold(const ComBaseHold&) = delete;
  ComBaseHold& operator=(const ComBaseHold&) = delete;

  T_Base* base = nullptr;
  ComBaseHold* next = nullptr;
};

// Control characters removed, as every password the program takes (a TAB would split the
// protection record's field in the saved file).
void PasswordFromBstr(T_TextBuf* text, BSTR bstr);

// A BSTR argument as UTF-8: null counts as empty, the text runs to its first NUL, an unpaired
// surrogate becomes U+FFFD, and a text longer than the buffer is cut at a character boundary.
void TextFromBstr(T_TextBuf* text, BSTR bstr);
// A result: the UTF-8 text as a new BSTR (an empty one for null); null only without memory.
BSTR BstrResult(const char* text);
BSTR BstrResultBytes(const char* bytes, int64_t n);

// An input stream over the text of a BSTR, converted to UTF-8 as TextFromBstr does but without
// the buffer's limit; the stream reads an owned copy.
class T_IStreamBSTR : public T_IStream {
 public:
  explicit T_IStreamBSTR(BSTR text);
  ~T_IStreamBSTR() override;

 private:
  char* bytes_ = nullptr;
};
