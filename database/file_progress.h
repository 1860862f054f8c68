#pragma once
// The seam between the database-file readers and writers and the progress window of the file
// operation under way, which lives in the application shell. The shell installs the hooks; until
// it does, and whenever no file operation shows progress, there is no current window and the
// streams report nothing. The streams use no other service of the windows.
//
// User-interface thread only.
#include <cstdint>

class T_Base;
class T_FileWait;

struct FileProgressHooks {
  // The current progress window, null when there is none.
  T_FileWait* (*current)();
  // A reader starts: the file's size in bytes and whether its blocks are compressed.
  void (*begin)(T_FileWait* window, int64_t totalBytes, bool compressed);
  // A reader has read up to this byte of the file.
  void (*setPosition)(T_FileWait* window, int64_t position);
  // A writer has flushed a buffer.
  void (*stepRefresh)(T_FileWait* window);
  // The section under way, by field code (T_Base::GetFieldName: a text id, or the plural name
  // of a dimension).
  void (*setStatus)(T_FileWait* window, int32_t fieldCode);
  // A writer has written objects of this size; the step position moves on by it.
  void (*addSteps)(T_FileWait* window, int64_t steps);
};
// Null puts back the defaults.
void SetFileProgressHooks(const FileProgressHooks* hooks);

// The hooks; a null window or a missing hook does nothing.
T_FileWait* FileProgressCurrent();
void FileProgressBegin(T_FileWait* window, int64_t totalBytes, bool compressed);
void FileProgressSetPosition(T_FileWait* window, int64_t position);
void FileProgressStepRefresh(T_FileWait* window);
void FileProgressSetStatus(T_FileWait* window, int32_t fieldCode);
void FileProgressAddSteps(T_FileWait* window, int64_t steps);

// The life of a progress window, for the file operations: opening, importing, saving and closing
// make one, a save sizes its steps, and each ends its window. Until the shell installs them (and
// in headless runs) no window is made, so the streams report nothing.
constexpr int32_t kProgressOpening = 0;
constexpr int32_t kProgressImporting = 1;
constexpr int32_t kProgressSaving = 3;
constexpr int32_t kProgressClosing = 5;

struct FileProgressWindowHooks {
  // A new progress window of the kind for the database and file; it becomes the current one.
  // Null when none is made.
  T_FileWait* (*open)(int32_t kind, T_Base* base, const char* path);
  // The operation is over: the window goes and the one before it is current again.
  void (*close)(T_FileWait* window);
  // A save's estimate of what it will write grows the total by the amount.
  void (*addTotal)(T_FileWait* window, int64_t amount);
  // The steps start again from 0 over the total.
  void (*resetSteps)(T_FileWait* window);
};
// Null puts back the defaults.
void SetFileProgressWindowHooks(const FileProgressWindowHooks* hooks);

// The hooks; a null window or a missing hook does nothing, and without the hook open gives null.
T_FileWait* FileProgressOpen(int32_t kind, T_Base* base, const char* path);
void FileProgressClose(T_FileWait* window);
void FileProgressAddTotal(T_FileWait* window, int64_t amount);
void FileProgressResetSteps(T_FileWait* window);
