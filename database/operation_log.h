#pragma once
// The reports of a database: its alert log (where its alerts go instead of, or besides, being
// shown) and its operation log (the steps the engine takes, with times and counts), which is
// always the alert log itself when there is one; the error file name; and small shared services
// of the file layer.
//
// Invariants:
//   1. base->operationLog is null or equal to base->alertLog;
//   2. base->alertLog, when set, is a T_LogAlerts or a T_NoAlerts owned by the database and
//      stands on the alert-handler stack, so every alert raised while it lives reaches it;
//   3. every new log setup first closes the old one in full (CloseAlertLog(base, true)).
//
// User-interface thread, like the database itself.
#include <cstdint>

#include "core/packed_date.h"

class T_Base;
class T_IStream;
class T_OStream;
struct T_TextBuf;

// Step verbs (codes 1 to 15) and entry flags, added to the code.
constexpr int32_t kLogVerbOpening = 1;
constexpr int32_t kLogVerbClosing = 2;
constexpr int32_t kLogVerbReading = 3;
constexpr int32_t kLogVerbWriting = 4;
constexpr int32_t kLogVerbExecuting = 5;
constexpr int32_t kLogVerbCompleted = 6;
constexpr int32_t kLogVerbLoaded = 7;
constexpr int32_t kLogVerbSkipped = 8;
constexpr int32_t kLogVerbCalculated = 9;
constexpr int32_t kLogVerbInstalled = 10;
constexpr int32_t kLogVerbTransformed = 11;
constexpr int32_t kLogVerbAggregated = 12;
constexpr int32_t kLogVerbDeleted = 13;
constexpr int32_t kLogVerbChanged = 14;
constexpr int32_t kLogVerbClosed = 15;
constexpr int32_t kLogStepIndent = 0x100;   // the following entries one level deeper
constexpr int32_t kLogStepOutdent = 0x200;  // one level back before this entry
constexpr int32_t kLogStepTime = 0x2000;    // " at" and the time of day

// One step entry when the database has an operation log: the verb, then " kind" when a kind is
// given, then " \"name\"" when a name is given (null or empty counts as not given).
void LogOperation(T_Base* base, const char* kind, const char* name, int32_t code);
void LogFile(T_Base* base, const char* path, int32_t code);
// "Loaded <count> <what> in <seconds> seconds", the seconds since the start tick (TickCount) to
// 3 decimals with the global decimal separator.
void LogLoadTime(T_Base* base, const char* what, int64_t count, uint64_t startTick);

// A name beside the database's file (an absolute name stays as it is); for a database without a
// folder (untitled) a relative name stays relative.
void ResolveBesideDatabase(const T_Base* base, const char* name, T_TextBuf* path);

// --- Error file and alert logs ------------------------------------------------------------------

// The error file name when one is set, else "Errors.txt" in the folder of the database's file.
void ErrorFilePath(const T_Base* base, T_TextBuf* path);
void SetErrorFileName(T_Base* base, const char* path);  // null or empty: none
// The COM error file: a name resolved beside the database becomes a new (not appending) log;
// with the operation log its alerts are prefixed "Error: " and it also logs the steps. An empty
// name swallows the database's alerts (T_NoAlerts) without a file.
void OpenErrorLog(T_Base* base, const char* name, bool withOperationLog);
// The errorFile command: a log on the path, appending when asked, its alerts in the language
// (0..12; another number keeps the current one). With the operation log: prefix "Error: ",
// English, and alertsOnly decides whether a soft close keeps the log running.
void OpenErrorFile(T_Base* base, const char* path, bool append, int32_t language,
                   bool withOperationLog, bool alertsOnly);
// "Log to File..": only while the database has no alert log, asks for a file with the save
// dialog (title text 3123, proposing ErrorFilePath) and makes it the alert log. The abort flag
// is cleared first; a cancelled dialog leaves no pending error behind.
void AskErrorLog(T_Base* base);
// A soft close (full false) of a log kept for its alerts only switches its prefix to "Alert: "
// and leaves it running; otherwise the log is finished (footer) and deleted.
void CloseAlertLog(T_Base* base, bool full);

// --- Failures of a read -------------------------------------------------------------------------

// The pending error becomes the failure of an open: button Cancel (701), the database marked as
// failed (errorFlag) and the abort flag set.
void FailOpen(T_Base* base);
// The user gave up the file: marks the database failed when asked, then cancels the pending error;
// true when the cancel was recorded (no other error was pending).
bool AbandonRead(T_Base* base, bool markFailed);
// The save kind after a read: 2 for file kinds 2 and 3, 5 for 5 and 7, else 1; a change sends
// code 8.
void SetSaveKindFromFileKind(T_Base* base, int32_t fileKind);

// --- Shared by the section readers and writers --------------------------------------------------

// yyyymmdd with leading zeros; nothing for the empty date.
void WritePackedDate(T_OStream* stream, PackedDate date);
// True when the current line begins with "##"; the line is then rewound to its first field for
// the section dispatcher.
bool IsSectionHeaderLine(T_IStream* stream);
