#include "database/operation_log.h"

#include <new>

#include "core/alert.h"
#include "core/alert_handlers.h"
#include "core/file_dialogs.h"
#include "core/files.h"
#include "core/input_stream.h"
#include "core/locale.h"
#include "core/localized_text.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "core/text_buffer.h"
#include "core/threads.h"
#include "database/base.h"
#include "database/change_notes.h"

namespace {

constexpr const char* kVerbs[] = {nullptr,      "Opening",    "Closing",   "Reading",
                                  "Writing",    "Executing",  "Completed", "Loaded",
                                  "Skipped",    "Calculated", "Installed", "Transformed",
                                  "Aggregated", "Deleted",    "Changed",   "Closed"};
constexpr int32_t kVerbCount = static_cast<int32_t>(sizeof kVerbs / sizeof kVerbs[0]);
constexpr int32_t kStepFlags = kLogStepIndent | kLogStepOutdent | kLogStepTime;

constexpr int32_t kTextLogToFile = 3123;  // "Log to File.."
constexpr const char* kErrorPrefix = "Error: ";
constexpr const char* kAlertPrefix = "Alert: ";

// Pushes a new log on the alert-handler stack as the database's alert log.
T_LogAlerts* InstallLog(T_Base* base, const char* path, bool append) {
  auto* log = new (std::nothrow) T_LogAlerts(path, append);
  base->alertLog = log;
  return log;
}

}  // namespace

void ResolveBesideDatabase(const T_Base* base, const char* name, T_TextBuf* path) {
  T_TextBuf folder;
  PathGetDir(base->path ? base->path->c_str() : nullptr, &folder);
  if (folder.empty()) {
    PathAssign(path, name);
  } else {
    PathResolve(path, name, base->path->c_str());
  }
}

void LogOperation(T_Base* base, const char* kind, const char* name, int32_t code) {
  if (base == nullptr || base->operationLog == nullptr) return;
  T_TextBuf line;
  int32_t verb = code & 0xff;
  if (verb > 0 && verb < kVerbCount) TextBufAppend(&line, kVerbs[verb]);
  if (kind != nullptr && *kind != 0) {
    TextBufAppendChar(&line, ' ');
    TextBufAppend(&line, kind);
  }
  if (name != nullptr && *name != 0) {
    TextBufAppend(&line, " \"");
    TextBufAppend(&line, name);
    TextBufAppendChar(&line, '"');
  }
  // The step flags are the log writer's own indent, outdent and time flags.
  LogWrite(base->operationLog, line.c_str(), code & kStepFlags);
}

void LogFile(T_Base* base, const char* path, int32_t code) {
  LogOperation(base, "file", path, code);
}

void LogLoadTime(T_Base* base, const char* what, int64_t count, uint64_t startTick) {
  if (base == nullptr || base->operationLog == nullptr) return;
  // Whole milliseconds: the three decimals are exact, and an instant load still shows "0.000".
  auto milliseconds = static_cast<int64_t>(TickCount() - startTick);
  T_TextBuf line("Loaded ");
  TextBufAppendInt64(&line, count);
  TextBufAppendChar(&line, ' ');
  TextBufAppend(&line, what);
  TextBufAppend(&line, " in ");
  TextBufAppendInt64(&line, milliseconds / 1000);
  uint16_t decimal = SeparatorsGet().decimal;
  TextBufAppendWideChar(&line, decimal != 0 ? decimal : '.');
  TextBufAppendInt64Width(&line, milliseconds % 1000, 3);
  TextBufAppend(&line, " seconds");
  LogWrite(base->operationLog, line.c_str(), 0);
}

// --- Error file and alert logs ------------------------------------------------------------------

void ErrorFilePath(const T_Base* base, T_TextBuf* path) {
  if (base->errorFileName != nullptr) {
    TextBufAssign(path, base->errorFileName);
    return;
  }
  T_TextBuf folder;
  PathGetDir(base->path ? base->path->c_str() : nullptr, &folder);
  TextBufAssignBuf(path, &folder);
  if (!folder.empty()) TextBufAppendChar(path, '\\');
  TextBufAppend(path, "Errors.txt");
}

void SetErrorFileName(T_Base* base, const char* path) {
  BlockTextAssign(&base->errorFileName, path);
}

void OpenErrorLog(T_Base* base, const char* name, bool withOperationLog) {
  CloseAlertLog(base, true);
  base->logChosenByCaller = 1;
  if (name == nullptr || *name == 0) {
    base->alertLog = new (std::nothrow) T_NoAlerts();
    return;
  }
  T_TextBuf path;
  ResolveBesideDatabase(base, name, &path);
  SetErrorFileName(base, path.c_str());
  T_LogAlerts* log = InstallLog(base, path.c_str(), false);
  if (log != nullptr && withOperationLog) {
    log->SetPrefix(kErrorPrefix);
    base->operationLog = log;
  }
}

void OpenErrorFile(T_Base* base, const char* path, bool append, int32_t language,
                   bool withOperationLog, bool alertsOnly) {
  CloseAlertLog(base, true);
  SetErrorFileName(base, path);
  T_LogAlerts* log = InstallLog(base, path, append);
  if (log == nullptr) return;
  if (language >= 0 && language < kLanguageCount) log->language = language;
  if (withOperationLog) {
    log->SetPrefix(kErrorPrefix);
    log->language = 0;
    base->operationLog = log;
    base->alertsOnly = alertsOnly ? 1 : 0;
  }
}

void AskErrorLog(T_Base* base) {
  if (base->alertLog != nullptr) return;
  T_TextBuf path;
  ErrorFilePath(base, &path);
  // The dialog's cancel is the user's answer here, not a failure to report later: it must not
  // stand as the pending error nor keep the abort flag raised.
  PendingErrorSaved saved;
  PendingErrorSave(&saved);
  saved.abort = false;
  SetFileDialogTitle(GetString(kTextLogToFile));
  bool chosen = FileSaveDialog(&path, kFileKindTxt);
  SetFileDialogTitle(nullptr);
  PendingErrorRestore(&saved);
  if (!chosen) return;
  SetErrorFileName(base, path.c_str());
  InstallLog(base, path.c_str(), false);
  base->logChosenByCaller = 0;
}

void CloseAlertLog(T_Base* base, bool full) {
  if (!full && base->alertsOnly && base->operationLog != nullptr) {
    base->operationLog->SetPrefix(kAlertPrefix);
    return;
  }
  if (base->alertLog == nullptr) return;
  base->operationLog = nullptr;
  // Destroying a log writes its footer and takes it off the alert-handler stack.
  delete base->alertLog;
  base->alertLog = nullptr;
  base->alertsOnly = 0;
}

// --- Failures of a read -------------------------------------------------------------------------

void FailOpen(T_Base* base) {
  if (PendingError.request.message != 0) AlertAddButton(&PendingError.request, kButtonCancel);
  base->errorFlag = 1;
  PendingError.abort.store(true, std::memory_order_relaxed);
}

bool AbandonRead(T_Base* base, bool markFailed) {
  if (markFailed) base->errorFlag = 1;
  return PendingErrorCancel();
}

void SetSaveKindFromFileKind(T_Base* base, int32_t fileKind) {
  int32_t kind = 1;
  if (fileKind == 2 || fileKind == 3) kind = 2;
  if (fileKind == 5 || fileKind == 7) kind = 5;
  base->SetSaveKind(kind);
}

// --- Shared by the section readers and writers --------------------------------------------------

void WritePackedDate(T_OStream* stream, PackedDate date) {
  if (date == 0) return;
  stream->PutIntDigits(PackedDateYear(date), 4);
  stream->PutIntDigits(PackedDateMonth(date), 2);
  stream->PutIntDigits(PackedDateDay(date), 2);
}

bool IsSectionHeaderLine(T_IStream* stream) {
  if (stream->lineEnd - stream->lineStart < 2 || stream->lineStart[0] != '#' ||
      stream->lineStart[1] != '#')
    return false;
  stream->RewindLine();
  return true;
}
