#include "core/parallel_sort.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>
#include <vector>

namespace {

// Sorts a permutation of record numbers by key; equal keys make the arrangement depend on every
// step of the sort, so two runs agree only when they did the same work.
struct Keys {
  std::vector<int32_t> keys;
  std::vector<int64_t> order;
  std::atomic<int64_t> compares{0};
  std::atomic<int64_t> swaps{0};
  std::mutex threadsLock;
  std::set<DWORD> threads;
  bool recordThreads = false;

  explicit Keys(std::vector<int32_t> k) : keys(std::move(k)), order(keys.size()) {
    for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int64_t>(i);
  }
};

int32_t CompareKeys(void* context, int64_t a, int64_t b) {
  auto* k = static_cast<Keys*>(context);
  k->compares.fetch_add(1, std::memory_order_relaxed);
  if (k->recordThreads) {
    std::lock_guard<std::mutex> lock(k->threadsLock);
    k->threads.insert(GetCurrentThreadId());
  }
  int32_t x = k->keys[static_cast<size_t>(k->order[static_cast<size_t>(a)])];
  int32_t y = k->keys[static_cast<size_t>(k->order[static_cast<size_t>(b)])];
  return x < y ? -1 : x > y ? 1 : 0;
}

void SwapKeys(void* context, int64_t a, int64_t b) {
  auto* k = static_cast<Keys*>(context);
  k->swaps.fetch_add(1, std::memory_order_relaxed);
  std::swap(k->order[static_cast<size_t>(a)], k->order[static_cast<size_t>(b)]);
}

struct ProgressLog {
  int64_t total = 0;
  std::set<DWORD> threads;
};

void RecordProgress(void* context, int64_t settled) {
  auto* log = static_cast<ProgressLog*>(context);
  log->total += settled;
  log->threads.insert(GetCurrentThreadId());
}

void Sort(Keys* k, int32_t workerLimit, ProgressLog* log = nullptr) {
  ParallelSortContext context;
  ParallelSortInit(&context);
  context.compare = CompareKeys;
  context.compareContext = k;
  context.swap = SwapKeys;
  context.swapContext = k;
  if (log) {
    context.progress = RecordProgress;
    context.progressContext = log;
  }
  context.workerLimit = workerLimit;
  ParallelSortCount(&context, static_cast<int64_t>(k->keys.size()));
  EXPECT_EQ(context.runningWorkers.load(), 0);
}

std::vector<int32_t> SortedKeys(const Keys& k) {
  std::vector<int32_t> out;
  for (int64_t i : k.order) out.push_back(k.keys[static_cast<size_t>(i)]);
  return out;
}

std::vector<int32_t> Generate(int kind, int n) {
  std::vector<int32_t> v(static_cast<size_t>(n));
  uint32_t x = 12345;
  for (int i = 0; i < n; ++i) {
    x = x * 1664525u + 1013904223u;
    switch (kind) {
      case 0:
        v[static_cast<size_t>(i)] = static_cast<int32_t>(x >> 1);
        break;  // random
      case 1:
        v[static_cast<size_t>(i)] = i;
        break;  // sorted
      case 2:
        v[static_cast<size_t>(i)] = n - i;
        break;  // reversed
      case 3:
        v[static_cast<size_t>(i)] = 7;
        break;  // all equal
      case 4:
        v[static_cast<size_t>(i)] = static_cast<int32_t>(x >> 29);
        break;  // eight values
      default:
        v[static_cast<size_t>(i)] = i < n / 2 ? i : n - i;
        break;  // organ pipe
    }
  }
  return v;
}

TEST(ParallelSort, TinyRangesCallNothing) {
  for (int n : {0, 1}) {
    Keys k(Generate(0, n));
    Sort(&k, 0);
    EXPECT_EQ(k.compares.load(), 0);
    EXPECT_EQ(k.swaps.load(), 0);
  }
}

TEST(ParallelSort, SmallRangesUseSelectionSort) {
  for (int n = 2; n <= 5; ++n) {
    std::vector<int32_t> keys(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) keys[static_cast<size_t>(i)] = n - i;
    do {
      Keys k(keys);
      Sort(&k, 0);
      std::vector<int32_t> expected = keys;
      std::sort(expected.begin(), expected.end());
      ASSERT_EQ(SortedKeys(k), expected);
      EXPECT_LE(k.swaps.load(), n - 1);
    } while (std::prev_permutation(keys.begin(), keys.end()));
  }
}

TEST(ParallelSort, WorkersGiveTheSameArrangementAsOneThread) {
  const int n = 60000;
  for (int kind = 0; kind < 6; ++kind) {
    Keys single(Generate(kind, n));
    Keys parallel(Generate(kind, n));
    single.recordThreads = parallel.recordThreads = true;
    Sort(&single, 0);
    Sort(&parallel, 3);
    std::vector<int32_t> expected = Generate(kind, n);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(SortedKeys(single), expected) << kind;
    EXPECT_EQ(parallel.order, single.order) << kind;
    EXPECT_EQ(single.threads.size(), 1u) << kind;
    if (kind == 0) {
      EXPECT_GT(parallel.threads.size(), 1u);
    }
  }
}

TEST(ParallelSort, ProgressAddsUpToTheCountOnTheCallingThread) {
  for (int32_t workers : {0, 3}) {
    for (int n : {2, 5, 6, 50000}) {
      Keys k(Generate(0, n));
      ProgressLog log;
      Sort(&k, workers, &log);
      EXPECT_EQ(log.total, n) << workers << " " << n;
      EXPECT_EQ(log.threads, std::set<DWORD>{GetCurrentThreadId()});
    }
  }
}

TEST(ParallelSort, ArraySortOrdersSigned64BitIntegers) {
  ArrayRecord a;
  ArrayInit(&a, 30000, 0);
  uint64_t x = 99;
  for (int64_t i = 0; i < a.count; ++i) {
    x = x * 6364136223846793005ull + 1442695040888963407ull;
    a.data[i] = static_cast<int64_t>(x);
  }
  a.data[7] = INT64_MIN;
  a.data[8] = INT64_MAX;
  std::vector<int64_t> expected(a.data, a.data + a.count);
  std::sort(expected.begin(), expected.end());
  ArraySort(&a, ArrayCompareInt64, &a);
  EXPECT_EQ(std::vector<int64_t>(a.data, a.data + a.count), expected);
  ArrayFree(&a);
}

}  // namespace
