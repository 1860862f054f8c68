#pragma once
// The 1M-line benchmark database, made through the model: five dimensions of 10, 100, 500, 2,000
// and 5,000 leaf components in three-level trees by code prefixes, dimension 0 keying the groups;
// 100,000 cards spread evenly over 2020 to 2024, about ten lines each in one to three groups; a
// three-word text and three values of two decimals per line. Beside it the benchmarks' common
// timing: a warm-up, then the median, minimum and maximum of five runs, with the most threads the
// process had while one ran.
#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_clock.h"
#include "bench/bench_random.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/components.h"
#include "database/lines.h"

namespace bench_1m {

constexpr int32_t kLeaves[5] = {10, 100, 500, 2000, 5000};
constexpr int32_t kCards = 100000;
constexpr int32_t kLinesPerCard = 10;
constexpr int32_t kRuns = 5;

// --- Threads -------------------------------------------------------------------------------------

inline int32_t ThreadsOfProcess() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  THREADENTRY32 entry;
  entry.dwSize = sizeof entry;
  int32_t count = 0;
  const DWORD self = GetCurrentProcessId();
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == self) ++count;
  }
  CloseHandle(snapshot);
  return count;
}

// Counts the threads of the process every few milliseconds while an operation runs: the most
// seen less those there were before, the watcher standing in for the calling thread.
class ThreadWatch {
 public:
  ThreadWatch() : before_(ThreadsOfProcess()) {
    thread_ = CreateThread(nullptr, 0, Watch, this, 0, nullptr);
  }
  int32_t Stop() {
    stop_ = true;
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    return most_ - before_;
  }

 private:
  static DWORD WINAPI Watch(void* self) {
    auto* watch = static_cast<ThreadWatch*>(self);
    while (!watch->stop_) {
      watch->most_ = std::max(watch->most_, ThreadsOfProcess());
      Sleep(5);
    }
    return 0;
  }
  int32_t before_;
  int32_t most_ = 0;
  std::atomic<bool> stop_{false};
  HANDLE thread_ = nullptr;
};

// --- The database --------------------------------------------------------------------------------

// Leaves under three levels of codes: "D" + dimension letter + top digit, then two digits, then
// four: each parent is the longest prefix of its children's codes.
inline std::vector<int64_t> MakeDimension(T_Base* base, int32_t d, int32_t leaves) {
  std::vector<int64_t> numbers;
  const int32_t tops = leaves >= 50 ? 5 : 2;
  const int32_t middles = std::max(2, leaves / 50);
  char code[24];
  char text[64];
  for (int32_t top = 0; top < tops; ++top) {
    std::snprintf(code, sizeof code, "%c%d", 'A' + d, top);
    std::snprintf(text, sizeof text, "Area %c%d", 'A' + d, top);
    AddComponent(base, d, code, text, nullptr);
    for (int32_t middle = 0; middle < middles; ++middle) {
      std::snprintf(code, sizeof code, "%c%d%02d", 'A' + d, top, middle);
      std::snprintf(text, sizeof text, "Group %d of area %d", middle, top);
      AddComponent(base, d, code, text, nullptr);
    }
  }
  for (int32_t i = 0; i < leaves; ++i) {
    const int32_t top = i % tops;
    const int32_t middle = (i / tops) % middles;
    std::snprintf(code, sizeof code, "%c%d%02d%04d", 'A' + d, top, middle, i);
    std::snprintf(text, sizeof text, "Leaf %d", i);
    numbers.push_back(AddComponent(base, d, code, text, nullptr)->number);
  }
  return numbers;
}

inline T_Base* MakeDatabase() {
  static const char* const kWords[] = {
      "North", "South", "Retail", "Online", "Coffee",  "Tea",    "Cocoa",  "Sugar", "Milk", "Oslo",
      "Lyon",  "Graz",  "Credit", "Debit",  "Freight", "Rebate", "Return", "Stock", "Cash", "Bank"};
  auto* base = new T_Base(nullptr, 0);
  std::vector<int64_t> components[5];
  for (int32_t d = 0; d < 5; ++d) components[d] = MakeDimension(base, d, kLeaves[d]);
  SetValueCount(base, 3);
  const int32_t firstDay = PackedDateToDayNumber(PackDate(2020, 1, 1));
  const int32_t days = PackedDateToDayNumber(PackDate(2024, 12, 31)) - firstDay + 1;
  char text[64];
  int64_t references[4];
  double values[3];
  for (int32_t c = 0; c < kCards; ++c) {
    CardId id{dayNumberToDate(firstDay + static_cast<int32_t>(int64_t{c} * days / kCards)), 1};
    CardRecord* card = CreateCard(base, &id);
    const int32_t groups = 1 + static_cast<int32_t>(Random(3));
    int64_t keys[3];
    for (int32_t g = 0; g < groups; ++g) keys[g] = components[0][(c + 3 * g) % kLeaves[0]];
    for (int32_t l = 0; l < kLinesPerCard; ++l) {
      GroupRecord* group = base->FindOrAddGroup(card, keys[l * groups / kLinesPerCard]);
      LineRecord* line = CreateLine(base, group);
      for (int32_t d = 1; d < 5; ++d)
        references[d - 1] = components[d][Random(static_cast<uint32_t>(kLeaves[d]))];
      base->SetLineComponents(line, references);
      for (double& value : values)
        value = (static_cast<int32_t>(Random(20000000)) - 5000000) / 100.0;
      base->SetLineValues(line, values);
      std::snprintf(text, sizeof text, "%s %s %s", kWords[Random(20)], kWords[Random(20)],
                    kWords[Random(20)]);
      SetLineText(line, text);
    }
  }
  return base;
}

// --- Timing --------------------------------------------------------------------------------------

struct Timing {
  double median = 0, minimum = 0, maximum = 0;
  int32_t threads = 0;
  bool ok = true;
};

// A warm-up run, then kRuns timed ones; after each the cleanup runs untimed.
template <typename Run, typename After>
Timing Time(Run run, After after) {
  Timing timing;
  after(run());
  std::vector<double> seconds;
  for (int32_t i = 0; i < kRuns; ++i) {
    ThreadWatch watch;
    const double start = Now();
    auto result = run();
    seconds.push_back(Now() - start);
    timing.threads = std::max(timing.threads, watch.Stop());
    if (!result) timing.ok = false;
    after(result);
  }
  std::sort(seconds.begin(), seconds.end());
  timing.median = seconds[kRuns / 2];
  timing.minimum = seconds.front();
  timing.maximum = seconds.back();
  return timing;
}

// The folder of the first argument as a Windows path, else the current folder.
inline std::string FolderArgument(int argc, char** argv) {
  std::string folder = argc > 1 ? argv[1] : ".";
  for (char& c : folder) {
    if (c == '/') c = '\\';
  }
  return folder;
}

inline void PrintPeakWorkingSet() {
  PROCESS_MEMORY_COUNTERS memory;
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
  std::printf("peak working set: %.0f MB\n", memory.PeakWorkingSetSize / 1048576.0);
}

}  // namespace bench_1m
