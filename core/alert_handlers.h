#pragma once
// The alert handlers of the core: the silent one, the log writer, the XML error writer and the
// plain message box that stands at the bottom of the stack until the toolkit's alert dialogs
// exist. All of them push themselves when constructed and unlink when destroyed (T_AlertHandler),
// and belong to the user-interface thread.
#include <cstdint>

#include "core/alert.h"
#include "core/output_stream.h"
#include "core/text_buffer.h"

// Answers every question with its default answer and remembers the last message, while the
// handlers below still see each alert (Notify is the base one). Tests push one so that nothing
// is ever shown.
class T_NoAlerts : public T_AlertHandler {
 public:
  static constexpr int32_t kTextSize = 200;  // NUL included

  T_NoAlerts();
  int32_t Ask(const AlertRequest* request) override;
  bool IsUnattended() override { return true; }

  int32_t lastMessage;
  // The formatted text, CRs turned into blanks, cut at a character boundary.
  char lastText[kTextSize];
};

// Log flags of LogWrite.
constexpr int32_t kLogIndentAfter = 0x100;
constexpr int32_t kLogOutdentBefore = 0x200;
constexpr int32_t kLogNoIndent = 0x400;
constexpr int32_t kLogEmptyLineAfter = 0x800;
constexpr int32_t kLogPrefix = 0x1000;
constexpr int32_t kLogTimeOfDay = 0x2000;

// Writes alerts (and the owner's own entries) into a log, in the language that was current at
// construction. Silent (the default) answers questions with their default answer; otherwise
// questions go on to the handlers below.
class T_LogAlerts : public T_AlertHandler {
 public:
  T_LogAlerts(const char* path, bool append);
  ~T_LogAlerts() override;
  void Notify(const AlertRequest* request) override;
  int32_t Ask(const AlertRequest* request) override;
  bool IsUnattended() override;

  // An owned copy; null or empty removes the prefix.
  void SetPrefix(const char* text);
  void ChangeIndent(int32_t delta);  // never below 0

  T_TextBuf path;
  uint8_t append;
  uint8_t headerWritten;
  uint8_t silent;
  char creationTime[20];  // YYYY-MM-DD hh:mm:ss
  int32_t language;
  char* prefix;  // owned block text, null for none
  int32_t indent;
};

// Composes one entry (indentation, prefix, text, time of day) and hands it to the entry sink,
// keeping the pending error as it was. A null text only applies the flags.
void LogWrite(T_LogAlerts* log, const char* text, int32_t flags);
// The seam where entries leave the log: until log files are written, entries go to the sink
// (none: dropped). The sink gets the composed line without its line end.
using LogEntrySink = void (*)(T_LogAlerts* log, const char* line, int32_t flags);
void SetLogEntrySink(LogEntrySink sink);

// Turns every question into an XML "<error>" element with the escaped message, written to the
// output stream (which the handler does not own), and answers the default. While one exists,
// TagAlertsCount is above zero, so lookups that would ask the user to pick in a dialog do not ask.
class T_TagAlerts : public T_AlertHandler {
 public:
  explicit T_TagAlerts(T_OStream* output);
  ~T_TagAlerts() override;
  int32_t Ask(const AlertRequest* request) override;

  T_OStream* output;
};

int32_t TagAlertsCount();

// The bottom handler of the program until alert dialogs exist: a Windows message box with the
// buttons that its standard sets can show (OK; OK, Cancel; Yes, No; Yes, No, Cancel). Questions
// with other buttons show OK and answer the default.
class T_MessageBoxAlerts : public T_AlertHandler {
 public:
  int32_t Ask(const AlertRequest* request) override;
  bool IsUnattended() override { return false; }
};
