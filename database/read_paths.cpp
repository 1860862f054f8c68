#include "database/read_paths.h"

#include <new>

#include "core/alert.h"
#include "core/files.h"
#include "core/text_buffer.h"

namespace {

struct ReadPath {
  ReadPath* outer = nullptr;
  T_TextBuf path;
};

ReadPath* innermost = nullptr;
int32_t depth = 0;

}  // namespace

bool PushReadPath(const char* path) {
  auto* entry = new (std::nothrow) ReadPath;
  if (entry == nullptr) {
    PendingErrorOutOfMemory();
    return false;
  }
  TextBufAssign(&entry->path, path);
  entry->outer = innermost;
  innermost = entry;
  ++depth;
  return true;
}

void PopReadPath() {
  ReadPath* entry = innermost;
  if (entry == nullptr) return;
  innermost = entry->outer;
  --depth;
  delete entry;
}

bool IsBeingRead(const char* path) {
  for (const ReadPath* entry = innermost; entry != nullptr; entry = entry->outer) {
    if (PathSameFile(entry->path.c_str(), path)) return true;
  }
  return false;
}

int32_t ReadPathDepth() { return depth; }
