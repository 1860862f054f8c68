#pragma once
// Gives the process heap a refusal hook for the life of the object, then restores the real heap
// and clears the pending error that the refusals raised.
#include <cstddef>

#include "core/alert.h"
#include "core/threads.h"

class HeapRefusal {
 public:
  // The hook sees each request's size and returns false to refuse it. Heap blocks also ask for
  // a reserve of 64 KB, 256 KB or 1 MB beside them, so refusing only sizes above 1 MB leaves
  // every other allocation working.
  explicit HeapRefusal(HeapFailHook hook) { SetHeapFailHook(hook); }
  ~HeapRefusal() {
    SetHeapFailHook(nullptr);
    PendingErrorClear();
  }
  HeapRefusal(const HeapRefusal&) = delete;
  HeapRefusal& operator=(const HeapRefusal&) = delete;
};

// Refuses requests above 1 MB.
inline bool RefuseAboveOneMegabyte(size_t size) { return size <= 1024 * 1024; }
