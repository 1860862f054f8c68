#include "core/parallel_sort.h"

#include <windows.h>

#include "core/memory.h"
#include "core/message_pump.h"
#include "core/system_info.h"
#include "core/threads.h"

namespace {

// Only partitions larger than this are worth a thread.
constexpr int64_t kWorkerMinimum = 10000;

struct WorkerJob {
  ParallelSortContext* context;
  int64_t first;
  int64_t last;
  std::atomic<bool> busy;
  WorkerJob* next;  // the other workers started by the same call
};

void WorkerMain(void* argument, void*) {
  auto* job = static_cast<WorkerJob*>(argument);
  ParallelSort(job->context, job->first, job->last, true);
  job->context->runningWorkers.fetch_sub(1);
  job->busy.store(false, std::memory_order_release);
}

// Hands first..last to a new worker when the limit allows; false leaves the range to the caller.
bool StartWorker(ParallelSortContext* context, int64_t first, int64_t last, WorkerJob** started) {
  int32_t running = context->runningWorkers.load();
  do {
    if (running >= context->workerLimit) return false;
  } while (!context->runningWorkers.compare_exchange_weak(running, running + 1));
  auto* job = static_cast<WorkerJob*>(MemAlloc(sizeof(WorkerJob), 2));
  if (job) {
    job->context = context;
    job->first = first;
    job->last = last;
    job->busy.store(true);
    job->next = *started;
    if (ThreadStart(WorkerMain, job, nullptr)) {
      *started = job;
      return true;
    }
    MemFree(job);
  }
  context->runningWorkers.fetch_sub(1);
  return false;
}

// Joining by short sleeps keeps the sort free of events.
void JoinWorkers(WorkerJob* started) {
  while (started) {
    while (started->busy.load(std::memory_order_acquire)) Sleep(1);
    WorkerJob* next = started->next;
    MemFree(started);
    started = next;
  }
}

void Settle(ParallelSortContext* context, int64_t settled, bool inWorker) {
  if (!context->progress) return;
  if (inWorker) {
    if (settled > 0) context->progressCarry.fetch_add(settled);
    return;
  }
  settled += context->progressCarry.exchange(0);
  if (settled > 0) context->progress(context->progressContext, settled);
}

// Ranges below 6 elements: selection sort, at most size - 1 swaps.
void SortSmall(const ParallelSortContext* context, int64_t lo, int64_t hi) {
  void* c = context->compareContext;
  void* s = context->swapContext;
  if (hi - lo == 1) {
    if (context->compare(c, lo, hi) > 0) context->swap(s, lo, hi);
    return;
  }
  for (int64_t k = lo; k < hi; ++k) {
    int64_t m = k;
    for (int64_t j = k + 1; j <= hi; ++j)
      if (context->compare(c, m, j) > 0) m = j;
    if (m != k) context->swap(s, k, m);
  }
}

// The median of the elements at lo, mid and hi - 1 becomes the pivot at hi; returns the pivot's
// final place.
int64_t Partition(const ParallelSortContext* context, int64_t lo, int64_t hi) {
  SortCompare compare = context->compare;
  SortSwap swap = context->swap;
  void* c = context->compareContext;
  void* s = context->swapContext;
  int64_t mid = lo + (hi - lo) / 2;
  if (compare(c, lo, mid) > 0) swap(s, lo, mid);
  if (compare(c, mid, hi - 1) > 0) {
    swap(s, mid, hi - 1);
    if (compare(c, lo, mid) > 0) swap(s, lo, mid);
  }
  swap(s, mid, hi);
  // Element lo is not above the pivot and element hi - 1 not below it, so both scans stop
  // inside the range.
  int64_t i = lo + 1;
  int64_t j = hi - 2;
  for (;;) {
    while (compare(c, i, hi) < 0) ++i;
    while (compare(c, j, hi) > 0) --j;
    if (j < i) break;
    swap(s, i, j);
    ++i;
    --j;
  }
  swap(s, i, hi);
  return i;
}

}  // namespace

void ParallelSortInit(ParallelSortContext* context) {
  context->compare = nullptr;
  context->swap = nullptr;
  context->progress = nullptr;
  context->compareContext = nullptr;
  context->swapContext = nullptr;
  context->progressContext = nullptr;
  context->runningWorkers.store(0);
  context->progressCarry.store(0);
  context->workerLimit = ProcessorCount() - 1;
}

void ParallelSort(ParallelSortContext* context, int64_t first, int64_t last, bool inWorker) {
  WorkerJob* started = nullptr;
  int64_t lo = first;
  int64_t hi = last;
  for (;;) {
    int64_t size = hi - lo + 1;
    if (size < 6) {
      if (size > 1) SortSmall(context, lo, hi);
      Settle(context, size, inWorker);
      break;
    }
    int64_t i = Partition(context, lo, hi);
    PumpMessages();
    Settle(context, 1, inWorker);
    if (i - lo > kWorkerMinimum && StartWorker(context, lo, i - 1, &started)) {
      lo = i + 1;
      continue;
    }
    // The smaller side recurses and the larger one loops, so the stack stays shallow whatever
    // the input; the ranges are disjoint, so the order of work does not change the result.
    if (i - lo < hi - i) {
      ParallelSort(context, lo, i - 1, inWorker);
      lo = i + 1;
    } else {
      ParallelSort(context, i + 1, hi, inWorker);
      hi = i - 1;
    }
  }
  if (started) {
    JoinWorkers(started);
    // What the workers settled reaches the progress callback here at the latest.
    Settle(context, 0, inWorker);
  }
}

void ParallelSortCount(ParallelSortContext* context, int64_t n) {
  if (n > 1) ParallelSort(context, 0, n - 1, false);
}

void ArraySort(ArrayRecord* array, SortCompare compare, void* compareContext) {
  if (array->count <= 1) return;
  ParallelSortContext context;
  ParallelSortInit(&context);
  context.compare = compare;
  context.compareContext = compareContext;
  context.swap = ArraySwap;
  context.swapContext = array;
  ParallelSortCount(&context, array->count);
}
