#pragma once
// The seam between the database-file readers and writers and the progress window of the file
// operation under way, which lives in the application shell. The shell installs the hooks; until
// it does, and whenever no file operation shows progress, there is no current window and the
// streams report nothing. The streams use no other service of the windows.
//
// User-interface thread only.
#include <cstdint>

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
};
// Null puts back the defaults.
void SetFileProgressHooks(const FileProgressHooks* hooks);

// The hooks; a null window or a missing hook does nothing.
T_FileWait* FileProgressCurrent();
void FileProgressBegin(T_FileWait* window, int64_t totalBytes, bool compressed);
void FileProgressSetPosition(T_FileWait* window, int64_t position);
void FileProgressStepRefresh(T_FileWait* window);
