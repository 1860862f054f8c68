#pragma once
// The benchmarks' clock: seconds from the performance counter, for in-process timing that leaves
// out Wine's start-up.
#include <windows.h>

inline double Now() {
  LARGE_INTEGER counter, frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}
