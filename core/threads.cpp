#include "core/threads.h"

#include <windows.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <ctime>

#include "core/alert.h"
#include "core/memory.h"

namespace {

using GetTickCount64Fn = ULONGLONG(WINAPI*)();

GetTickCount64Fn LookUpTickCount64() {
  HMODULE kernel = LoadLibraryA("Kernel32");
  if (!kernel) return nullptr;
  return reinterpret_cast<GetTickCount64Fn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "GetTickCount64")));
}

uint64_t SystemTickCount() {
  static const GetTickCount64Fn tickCount64 = LookUpTickCount64();
  return tickCount64 ? tickCount64() : GetTickCount();
}

DateRecord SystemClock() {
  time_t now = time(nullptr);
  tm local{};
  localtime_s(&local, &now);
  DateRecord date;
  date.year = static_cast<int16_t>(local.tm_year + 1900);
  date.month = static_cast<int16_t>(local.tm_mon + 1);
  date.day = static_cast<int16_t>(local.tm_mday);
  date.hour = static_cast<int16_t>(local.tm_hour);
  date.minute = static_cast<int16_t>(local.tm_min);
  date.second = static_cast<int16_t>(local.tm_sec);
  date.precision = 5;
  return date;
}

std::atomic<TickSource> tickSource{nullptr};
std::atomic<ClockSource> clockSource{nullptr};
std::atomic<HeapFailHook> heapFailHook{nullptr};

struct ThreadStartBlock {
  ThreadFunction function;
  void* argument1;
  void* argument2;
};

DWORD WINAPI ThreadEntry(LPVOID parameter) {
  auto* block = static_cast<ThreadStartBlock*>(parameter);
  ThreadStartBlock copy = *block;
  MemFree(block);
  copy.function(copy.argument1, copy.argument2);
  return 0;
}

double InitialSeed() {
  uint64_t t1 = SystemTickCount();
  uint64_t t2 = SystemTickCount();
  return static_cast<double>(t2) + static_cast<double>(t1) * 425420.0;
}

double randomSeed = InitialSeed();

void* RawHeapAlloc(size_t size) {
  HeapFailHook hook = heapFailHook.load(std::memory_order_relaxed);
  if (hook && !hook(size)) return nullptr;
  return HeapAlloc(GetProcessHeap(), 0, size);
}

}  // namespace

uint64_t TickCount() {
  TickSource source = tickSource.load(std::memory_order_relaxed);
  return source ? source() : SystemTickCount();
}

DateRecord DateNow() {
  ClockSource source = clockSource.load(std::memory_order_relaxed);
  return source ? source() : SystemClock();
}

void SetTickSource(TickSource source) { tickSource = source; }
void SetClockSource(ClockSource source) { clockSource = source; }

int OsVersionClassOf(unsigned major, unsigned minor) {
  if (major < 5) return 0;
  if (major == 5) return minor == 0 ? 1 : 2;
  if (major == 6 && minor == 0) return 3;
  return 4;
}

int OsVersionClass() {
  static std::atomic<int> cached{-1};
  int known = cached.load(std::memory_order_relaxed);
  if (known >= 0) return known;
  DWORD version = GetVersion();
  unsigned major = LOBYTE(LOWORD(version));
  unsigned minor = HIBYTE(LOWORD(version));
  int versionClass = OsVersionClassOf(major, minor);
  // Below 5.0 the answer is not kept, as the oldest systems may be asked again after a change.
  if (versionClass > 0) cached = versionClass;
  return versionClass;
}

void FlushAndSleep(uint32_t milliseconds) {
  GdiFlush();
  Sleep(milliseconds);
}

void SleepUntil(uint32_t milliseconds, uint64_t startTick) {
  int64_t remaining =
      static_cast<int64_t>(startTick + milliseconds) - static_cast<int64_t>(TickCount());
  if (remaining > 5) {
    Sleep(static_cast<DWORD>(remaining));
    return;
  }
  while (TickCount() - startTick < milliseconds) {
  }
}

bool ThreadStart(ThreadFunction function, void* argument1, void* argument2) {
  void* thread = ThreadStartJoinable(function, argument1, argument2);
  if (!thread) return false;
  CloseHandle(thread);
  return true;
}

void* ThreadStartJoinable(ThreadFunction function, void* argument1, void* argument2) {
  auto* block = static_cast<ThreadStartBlock*>(MemAlloc(sizeof(ThreadStartBlock), 2));
  if (!block) return nullptr;
  *block = {function, argument1, argument2};
  HANDLE thread = CreateThread(nullptr, 0, ThreadEntry, block, 0, nullptr);
  if (!thread) MemFree(block);
  return thread;
}

void ThreadJoin(void* thread) {
  if (!thread) return;
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
}

uint32_t CurrentProcessId() { return GetCurrentProcessId(); }

bool MutexCreate(MutexRecord* mutex) {
  mutex->handle = CreateMutexA(nullptr, FALSE, nullptr);
  return mutex->handle != nullptr;
}

void MutexClose(MutexRecord* mutex) {
  if (mutex->handle) CloseHandle(mutex->handle);
  mutex->handle = nullptr;
}

void MutexLock(MutexRecord* mutex) { WaitForSingleObject(mutex->handle, INFINITE); }
void MutexUnlock(MutexRecord* mutex) { ReleaseMutex(mutex->handle); }

bool EventCreate(EventRecord* event) {
  event->handle = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  event->waiting = 0;
  return event->handle != nullptr;
}

void EventClose(EventRecord* event) {
  if (event->handle) CloseHandle(event->handle);
  event->handle = nullptr;
}

void EventSet(EventRecord* event) { SetEvent(event->handle); }

void EventWaitAndReset(EventRecord* event) {
  WaitForSingleObject(event->handle, INFINITE);
  ResetEvent(event->handle);
}

void LightLockEnter(LightLock* lock) {
  AcquireSRWLockExclusive(reinterpret_cast<PSRWLOCK>(&lock->state));
}

void LightLockLeave(LightLock* lock) {
  ReleaseSRWLockExclusive(reinterpret_cast<PSRWLOCK>(&lock->state));
}

void ConditionWait(EventRecord* event, MutexRecord* mutex) {
  ++event->waiting;
  ReleaseMutex(mutex->handle);
  HANDLE both[2] = {mutex->handle, event->handle};
  WaitForMultipleObjects(2, both, TRUE, INFINITE);
  --event->waiting;
  ResetEvent(event->handle);
}

size_t HeapReserveSize(int headroomClass) {
  switch (headroomClass) {
    case 0:
      return 256 * 1024;
    case 1:
      return 1024 * 1024;
    default:
      return 64 * 1024;
  }
}

void* HeapBlockAlloc(size_t size, int headroomClass) {
  void* block = RawHeapAlloc(size);
  void* reserve = block ? RawHeapAlloc(HeapReserveSize(headroomClass)) : nullptr;
  if (!reserve) {
    if (block) HeapFree(GetProcessHeap(), 0, block);
    PendingErrorOutOfMemory();
    return nullptr;
  }
  HeapFree(GetProcessHeap(), 0, reserve);
  return block;
}

void HeapBlockFree(void* block) {
  if (block) HeapFree(GetProcessHeap(), 0, block);
}

bool MemCanAlloc(size_t size) {
  void* block = HeapBlockAlloc(size, 0);
  HeapBlockFree(block);
  return block != nullptr;
}

void SetHeapFailHook(HeapFailHook hook) { heapFailHook = hook; }

double RandomNext() {
  randomSeed = std::fmod(randomSeed * 75.0, 2147483647.0);
  return randomSeed / 2147483647.0;
}

void RandomSeed(double seed) { randomSeed = seed; }

int ClassifyDouble(double value) {
  if (std::isnan(value)) return 5;
  if (value > 1e308) return 3;
  if (value < -1e308) return 4;
  if (value > 0) return 1;
  if (value < 0) return 2;
  return 0;
}

int CompareDouble(double a, double b) {
  bool aNan = std::isnan(a), bNan = std::isnan(b);
  if (aNan || bNan) return aNan == bNan ? 0 : (aNan ? 1 : -1);
  return a < b ? -1 : (a > b ? 1 : 0);
}

double SignOfDouble(double value) {
  if (std::isnan(value) || value == 0) return 0.0;
  return value > 0 ? 1.0 : -1.0;
}

void MemMove(void* destination, const void* source, size_t n) {
  std::memmove(destination, source, n);
}

void MemSwap(void* a, void* b, size_t n) {
  auto* p = static_cast<unsigned char*>(a);
  auto* q = static_cast<unsigned char*>(b);
  for (size_t i = 0; i < n; ++i) {
    unsigned char t = p[i];
    p[i] = q[i];
    q[i] = t;
  }
}

int MemCompare(const void* a, const void* b, size_t n) {
  int d = std::memcmp(a, b, n);
  return d < 0 ? -1 : (d > 0 ? 1 : 0);
}

void Swap16(void* address) {
  auto* p = static_cast<unsigned char*>(address);
  unsigned char t = p[0];
  p[0] = p[1];
  p[1] = t;
}

void Swap32(void* address) {
  auto* p = static_cast<unsigned char*>(address);
  unsigned char t = p[0];
  p[0] = p[3];
  p[3] = t;
  t = p[1];
  p[1] = p[2];
  p[2] = t;
}
