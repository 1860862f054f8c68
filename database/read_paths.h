#pragma once
// The chain of files being read, one entry per read in progress, innermost last. A command
// file, a "##Commands" section, an XML command file or a macro may import a file while its own
// file is still being read; a file that imports itself, or two that import each other, would
// read without end. Every read of a file by path enters its path here for its duration, and an
// import asks first whether its path is already being read (the same file by any spelling,
// core/files.h PathSameFile) and is refused with 3827 when it is.
//
// User-interface thread only, like the reads.
#include <cstdint>

// Enters the path as read in progress; false (nothing entered, pending error 600) without
// memory. Every true answer is matched by one PopReadPath when the read ends.
bool PushReadPath(const char* path);
// Ends the innermost read.
void PopReadPath();
// True when a read of the same file is in progress.
bool IsBeingRead(const char* path);
// The number of reads in progress.
int32_t ReadPathDepth();

// Enters the path for the life of the scope; entered tells whether it was.
class ReadPathScope {
 public:
  explicit ReadPathScope(const char* path) : entered(PushReadPath(path)) {}
  ~ReadPathScope() {
    if (entered) PopReadPath();
  }
  ReadPathScope(const ReadPathScope&) = delete;
  ReadPathScope& operator=(const ReadPathScope&) = delete;

  const bool entered;
};
