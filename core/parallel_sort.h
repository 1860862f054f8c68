#pragma once
// ParallelSort: the program's one general sort. A quicksort that never touches the data: it
// calls a compare and a swap callback with element indexes, so it sorts arrays, permutations,
// paged records or several parallel arrays at once.
//
// Partitions of more than 10000 elements go to worker threads while fewer than `workerLimit`
// run (the processor count - 1 by default, so the caller and its workers use every processor).
// The result is the same arrangement as on one thread: the sorted ranges are disjoint and each
// is worked the same way wherever it runs.
//
// Threads: compare and swap are called from several threads at once, always on disjoint index
// ranges; they must share no mutable state beyond the elements of their own range. The progress
// callback is called only on the thread that started the sort. Workers are joined before
// ParallelSort returns.
#include <atomic>
#include <cstdint>

#include "core/array_record.h"

// Negative when element a sorts before b, 0 when equal, positive after.
using SortCompare = int32_t (*)(void* context, int64_t a, int64_t b);
using SortSwap = void (*)(void* context, int64_t a, int64_t b);
// Called with the number of elements that reached their final place since the last call.
using SortProgress = void (*)(void* context, int64_t settled);

struct ParallelSortContext {
  SortCompare compare = nullptr;
  void* compareContext = nullptr;
  SortSwap swap = nullptr;
  void* swapContext = nullptr;
  SortProgress progress = nullptr;  // may be null
  void* progressContext = nullptr;
  std::atomic<int32_t> runningWorkers{0};
  int32_t workerLimit = 0;
  std::atomic<int64_t> progressCarry{0};  // settled in workers, not yet reported
};

// Callbacks null, no workers running, the worker limit the processor count - 1. The caller then
// sets the callbacks and contexts (and may lower the limit).
void ParallelSortInit(ParallelSortContext* context);
// Sorts first..last inclusive. Callers pass inWorker false.
void ParallelSort(ParallelSortContext* context, int64_t first, int64_t last, bool inWorker = false);
// Sorts 0..n - 1.
void ParallelSortCount(ParallelSortContext* context, int64_t n);

// Sorts an array record of 8-byte elements with ArraySwap, without progress; ArrayCompareInt64
// (with the array as compare context) sorts signed 64-bit integers.
void ArraySort(ArrayRecord* array, SortCompare compare, void* compareContext);
