#include "core/log_file.h"

#include <cstring>

#include "core/alert.h"
#include "core/alert_handlers.h"
#include "core/date_record.h"
#include "core/file_stream.h"
#include "core/locale.h"
#include "core/threads.h"

namespace {

const char* Opening(const T_LogAlerts* log, const char* withPrefix, int32_t textId) {
  if (log->prefix != nullptr) return withPrefix;
  const char* text = GetStringInLanguage(textId, log->language);
  return text != nullptr ? text : "";
}

}  // namespace

void LogFileWriteEntry(T_LogAlerts* log, const char* line, int32_t flags) {
  PendingErrorSaved saved;
  PendingErrorSave(&saved);
  T_OStreamFile file;
  if (file.Open(log->path.c_str(), log->append || log->headerWritten ? kOpenAppend : 0)) {
    if (!log->headerWritten) {
      if (log->append) file.PutText("\r\n");
      file.PutText(Opening(log, "Logfile created at", 727));
      file.PutChar(' ');
      file.PutText(log->creationTime);
      file.PutText("\r\n");
      log->headerWritten = 1;
    }
    if (line != nullptr) {
      file.PutText(line);
      file.PutText("\r\n");
    }
    if (flags & kLogEmptyLineAfter) file.PutText("\r\n");
    file.Close();
  }
  PendingErrorRestore(&saved);
}

void LogFileFinish(T_LogAlerts* log) {
  if (log->path.length == 0) return;
  if (log->headerWritten) {
    DateRecord now = DateNow();
    char time[32];
    DateFormat(&now, time);
    T_TextBuf footer(Opening(log, "Logfile closed at", 728));
    TextBufAppendChar(&footer, ' ');
    TextBufAppend(&footer, time);
    LogWrite(log, footer.c_str(), 0);
  } else if (!log->append && FileSizeOfPath(log->path.c_str()) > 0) {
    PendingErrorSaved saved;
    PendingErrorSave(&saved);
    SysFile file;
    FileInit(&file);
    if (FileOpenWrite(&file, log->path.c_str())) FileSetEnd(&file);
    FileDestroy(&file);
    PendingErrorRestore(&saved);
  }
  // The run is over: nothing more goes to the file, and a second call does nothing.
  TextBufAssign(&log->path, "");
}

void LogFilesInstall() { SetLogEntrySink(LogFileWriteEntry); }
