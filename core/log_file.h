#pragma once
// The log file behind T_LogAlerts: each entry opens the file, appends one line and closes it
// again, so the log is complete even when the program stops in the middle of a run.
//
// A log that receives its first entry gets, before it, the header line: "Logfile created at"
// (with a prefix) or text 727 ("Error log created at"), a blank and the creation time
// (YYYY-MM-DD hh:mm:ss); an appending log puts an empty line before the header to separate the
// runs. A new or emptied log starts with the UTF-8 byte-order mark. Lines end with CR LF. At
// the end of the run a log with entries gets the footer "Logfile closed at" (or text 728) and
// the time; a log without entries that was not appending is emptied.
//
// Writing a log never changes the pending error: a file that cannot be opened loses the entry.
#include <cstdint>

class T_LogAlerts;

// Writes one composed entry (without its line end; null for none) with the header before the
// first one and the empty line of flag 0x800 after it. This is the entry sink of T_LogAlerts.
void LogFileWriteEntry(T_LogAlerts* log, const char* line, int32_t flags);
// The end of a run: the footer when the log has entries, else the emptying of a log that was
// not appending. Called once as the log is destroyed.
void LogFileFinish(T_LogAlerts* log);
// Makes T_LogAlerts write its entries into its file (start-up calls it).
void LogFilesInstall();
