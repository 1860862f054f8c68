#pragma once
// Threads, locks, ticks, the clock, process-heap blocks and random numbers: the thin layer of
// system services that everything else stands on.
//
// Threads: ThreadStart is the only place that creates threads. Everything here may be called
// from any thread except RandomNext and the version cache, which belong to the user-interface
// thread.
#include <cstddef>
#include <cstdint>

#include "core/date_record.h"

// --- Ticks and the clock ------------------------------------------------------------------

uint64_t TickCount();
DateRecord DateNow();

// Tests replace the tick counter and the clock; null restores the system's.
using TickSource = uint64_t (*)();
using ClockSource = DateRecord (*)();
void SetTickSource(TickSource source);
void SetClockSource(ClockSource source);

// 0 below Windows 2000, 1 for 5.0, 2 for 5.1 and later 5.x, 3 for 6.0, 4 for 6.1 and later.
int OsVersionClass();
// The mapping behind OsVersionClass, for any major and minor version.
int OsVersionClassOf(unsigned major, unsigned minor);

void FlushAndSleep(uint32_t milliseconds);
// Waits until n ms have passed since start: one Sleep while more than 5 ms remain, else spins.
void SleepUntil(uint32_t milliseconds, uint64_t startTick);

// --- Threads and locks --------------------------------------------------------------------

using ThreadFunction = void (*)(void* argument1, void* argument2);
// Starts a thread that runs function(argument1, argument2); false when none could be made.
bool ThreadStart(ThreadFunction function, void* argument1, void* argument2);
// The same, keeping the thread's handle (null when none could be made) for ThreadJoin, which
// waits until the thread has ended and frees the handle.
void* ThreadStartJoinable(ThreadFunction function, void* argument1, void* argument2);
void ThreadJoin(void* thread);
uint32_t CurrentProcessId();

struct MutexRecord {
  void* handle = nullptr;
};
bool MutexCreate(MutexRecord* mutex);
void MutexClose(MutexRecord* mutex);
void MutexLock(MutexRecord* mutex);
void MutexUnlock(MutexRecord* mutex);

// A lock for short sections between threads of this process; it needs no setup (zero is
// unlocked), does not nest, and costs no system call while nobody else holds it.
struct LightLock {
  void* state = nullptr;
};
void LightLockEnter(LightLock* lock);
void LightLockLeave(LightLock* lock);

// A manual-reset event and the count of threads waiting on it in ConditionWait.
struct EventRecord {
  void* handle = nullptr;
  int32_t waiting = 0;
};
bool EventCreate(EventRecord* event);
void EventClose(EventRecord* event);
void EventSet(EventRecord* event);
// The caller holds mutex; returns holding it again once event was set.
void ConditionWait(EventRecord* event, MutexRecord* mutex);
// Waits until the event is set, then resets it.
void EventWaitAndReset(EventRecord* event);

// --- Process-heap blocks --------------------------------------------------------------------

// Headroom classes of the reserve test: 0 keeps 256 KB free, 1 keeps 1 MB, 2 keeps 64 KB.
size_t HeapReserveSize(int headroomClass);
// A block from the process heap, granted only while the reserve can still be had beside it;
// otherwise null with pending error 600 and the abort flag raised. Blocks are 16-byte aligned.
void* HeapBlockAlloc(size_t size, int headroomClass);
void HeapBlockFree(void* block);
bool MemCanAlloc(size_t size);

// Tests make the process heap refuse: the hook sees each request's size and returns false to
// refuse it. Null restores the real heap.
using HeapFailHook = bool (*)(size_t size);
void SetHeapFailHook(HeapFailHook hook);

// --- Numbers and bytes ----------------------------------------------------------------------

// The formula language's generator: a double in [0, 1).
double RandomNext();
void RandomSeed(double seed);

// 0 zero, 1 positive, 2 negative, 3 above 1e308, 4 below -1e308, 5 NaN.
int ClassifyDouble(double value);
// Ordinary order; a NaN is greater than every number and equal to another NaN.
int CompareDouble(double a, double b);
double SignOfDouble(double value);

void MemMove(void* destination, const void* source, size_t n);
void MemSwap(void* a, void* b, size_t n);
// Unsigned byte order: the first differing byte decides.
int MemCompare(const void* a, const void* b, size_t n);
void Swap16(void* address);
void Swap32(void* address);
