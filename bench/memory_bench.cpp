// MemAlloc/MemFree against HeapAlloc/HeapFree and malloc/free on the small size classes,
// on one thread and on four.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <initializer_list>

#include "core/memory.h"
#include "core/threads.h"

namespace {

constexpr int kRounds = 200;
constexpr int kLive = 2000;

struct Allocator {
  const char* name;
  void* (*alloc)(size_t);
  void (*release)(void*);
};

const Allocator kAllocators[] = {
    {"MemAlloc", [](size_t n) { return MemAlloc(static_cast<int64_t>(n), 0); },
     [](void* p) { MemFree(p); }},
    {"HeapAlloc", [](size_t n) { return HeapAlloc(GetProcessHeap(), 0, n); },
     [](void* p) { HeapFree(GetProcessHeap(), 0, p); }},
    {"malloc", [](size_t n) { return malloc(n); }, [](void* p) { free(p); }},
};

void Churn(const Allocator& a) {
  void* live[kLive];
  for (int round = 0; round < kRounds; ++round) {
    for (int i = 0; i < kLive; ++i) live[i] = a.alloc(8 + (i * 29 + round) % 500);
    for (int i = 0; i < kLive; ++i) a.release(live[i]);
  }
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(f.QuadPart);
}

double Run(const Allocator& a, int threads) {
  volatile long done = 0;
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  struct Job {
    const Allocator* a;
    volatile long* done;
  } job{&a, &done};
  for (int t = 0; t < threads; ++t)
    ThreadStart(
        [](void* j, void*) {
          auto* job = static_cast<Job*>(j);
          Churn(*job->a);
          InterlockedIncrement(job->done);
        },
        &job, nullptr);
  while (done < threads) Sleep(0);
  QueryPerformanceCounter(&end);
  return Seconds(start, end);
}

}  // namespace

int main() {
  const double operations = 2.0 * kRounds * kLive;
  for (int threads : {1, 4}) {
    double base = 0;
    for (const Allocator& a : kAllocators) {
      Run(a, threads);  // warm up
      double s = Run(a, threads);
      if (base == 0) base = s;
      std::printf("%-9s %d thread(s): %7.1f ns per operation, %.2fx MemAlloc's time\n", a.name,
                  threads, s * 1e9 / (operations * threads), s / base);
    }
  }
  return 0;
}
