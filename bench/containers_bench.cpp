// ParallelSort of 10 million 8-byte keys against std::sort, on 1, 2 and all processors; the hash
// index against std::unordered_map, inserting and finding 1 million codes.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench/bench_clock.h"
#include "core/array_record.h"
#include "core/hash_index.h"
#include "core/parallel_sort.h"

namespace {

std::vector<int64_t> RandomKeys(size_t n) {
  std::vector<int64_t> keys(n);
  uint64_t x = 88172645463325252ull;
  for (int64_t& k : keys) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    k = static_cast<int64_t>(x);
  }
  return keys;
}

double TimeParallelSort(const std::vector<int64_t>& keys, int32_t threads) {
  ArrayRecord array;
  ArrayInit(&array, static_cast<int64_t>(keys.size()), 0);
  std::memcpy(array.data, keys.data(), keys.size() * 8);
  ParallelSortContext context;
  ParallelSortInit(&context);
  context.compare = ArrayCompareInt64;
  context.compareContext = &array;
  context.swap = ArraySwap;
  context.swapContext = &array;
  context.workerLimit = threads - 1;
  double start = Now();
  ParallelSortCount(&context, array.count);
  double seconds = Now() - start;
  if (!std::is_sorted(array.data, array.data + array.count))
    std::printf("ParallelSort did not sort!\n");
  ArrayFree(&array);
  return seconds;
}

double TimeStdSort(const std::vector<int64_t>& keys) {
  std::vector<int64_t> copy = keys;
  double start = Now();
  std::sort(copy.begin(), copy.end());
  return Now() - start;
}

struct CodeRecord {
  char code[16];
};

const char* CodeOf(const void* record) { return static_cast<const CodeRecord*>(record)->code; }

void BenchHash(size_t n) {
  std::vector<CodeRecord> records(n);
  for (size_t i = 0; i < n; ++i)
    std::snprintf(records[i].code, sizeof(records[i].code), "C%07zu-%zu", (i * 7919) % n, i % 13);

  HashIndex index;
  HashIndexInit(&index, static_cast<int64_t>(n), 0, CodeOf, kKeyKindBytes);
  double start = Now();
  for (CodeRecord& r : records) HashIndexInsert(&index, &r);
  double indexInsert = Now() - start;
  start = Now();
  size_t found = 0;
  for (const CodeRecord& r : records) found += HashIndexFind(&index, r.code) == &r;
  double indexFind = Now() - start;
  HashIndexFree(&index);

  std::unordered_map<std::string, CodeRecord*> map;
  map.reserve(n);
  start = Now();
  for (CodeRecord& r : records) map.emplace(r.code, &r);
  double mapInsert = Now() - start;
  start = Now();
  size_t mapFound = 0;
  for (CodeRecord& r : records) mapFound += map.find(r.code)->second == &r;
  double mapFind = Now() - start;

  std::printf("hash index, %zu codes: insert %.3f s, find %.3f s (%zu found)\n", n, indexInsert,
              indexFind, found);
  std::printf("unordered_map:            insert %.3f s, find %.3f s (%zu found)\n", mapInsert,
              mapFind, mapFound);
  std::printf("ratio index / map: insert %.2f, find %.2f\n", indexInsert / mapInsert,
              indexFind / mapFind);
}

}  // namespace

int main() {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  int32_t processors = static_cast<int32_t>(info.dwNumberOfProcessors);
  const size_t n = 10000000;
  std::vector<int64_t> keys = RandomKeys(n);
  double reference = TimeStdSort(keys);
  std::printf("std::sort, %zu keys: %.3f s\n", n, reference);
  for (int32_t threads : {1, 2, processors}) {
    double seconds = TimeParallelSort(keys, threads);
    std::printf("ParallelSort, %d thread(s): %.3f s, ratio to std::sort %.2f\n", threads, seconds,
                seconds / reference);
  }
  BenchHash(1000000);
  return 0;
}
