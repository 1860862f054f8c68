#pragma once
// The reports of a database: its alert log (where its alerts go instead of, or besides, being
// shown) and its operation log (the steps the engine takes, with times and counts), which is
// always the alert log itself when there is one; the error file name; and small shared services
// of the file layer.
#include <cstdint>

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
// given, then " \"name\"" when a name is given.
void LogOperation(T_Base* base, const char* kind, const char* name, int32_t code);
void LogFile(T_Base* base, const char* path, int32_t code);
// "Loaded <count> <what> in <seconds> seconds", the seconds since the start tick to 3 decimals.
void LogLoadTime(T_Base* base, const char* what, int64_t count, uint64_t startTick);
