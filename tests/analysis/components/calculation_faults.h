#pragma once
// Failures in the middle of a tree window's calculation: the heap refuses its Nth allocation (out
// of memory), or the user's abort comes at that moment, for every N the calculation reaches.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "core/alert.h"
#include "core/threads.h"

namespace comps_test {

enum class CalculationFault { kOutOfMemory, kAbort };

namespace calculation_faults {
inline int32_t calls = 0;
inline int32_t faultAt = 0;
inline bool abort = false;
inline bool hit = false;

inline bool Hook(size_t) {
  if (++calls != faultAt) return true;
  hit = true;
  if (!abort) return false;
  PendingErrorCancel();
  return true;
}
}  // namespace calculation_faults

// Runs calculate() once to count its heap allocations, then once per allocation with the fault
// there; check(fault, n) follows each run that the fault reached, with the pending error left by
// the run cleared afterwards.
template <class Calculate, class Check>
void ForEachCalculationFault(Calculate calculate, Check check) {
  namespace f = calculation_faults;
  f::calls = 0;
  f::faultAt = -1;
  SetHeapFailHook(f::Hook);
  calculate();
  SetHeapFailHook(nullptr);
  const int32_t allocations = f::calls;
  ASSERT_GT(allocations, 0) << "the calculation allocates nothing: no fault can be placed";
  for (CalculationFault fault : {CalculationFault::kOutOfMemory, CalculationFault::kAbort}) {
    for (int32_t n = 1; n <= allocations; ++n) {
      f::calls = 0;
      f::faultAt = n;
      f::abort = fault == CalculationFault::kAbort;
      f::hit = false;
      SetHeapFailHook(f::Hook);
      calculate();
      SetHeapFailHook(nullptr);
      if (f::hit) check(fault, n);
      PendingErrorClear();
    }
  }
}

// Every fault of the window's calculation ends in one of two states: the window has the full
// figures it has now, or it is not calculated and Calc is enabled for another try.
template <class Window, class Calculate, class Figures>
void ExpectEveryCalculationFaultFailsCleanly(Window* window, Calculate calculate,
                                             Figures figures) {
  ASSERT_EQ(window->calculated, 1);
  const auto full = figures();
  ForEachCalculationFault(calculate, [&](CalculationFault fault, int32_t n) {
    const char* kind = fault == CalculationFault::kAbort ? "abort" : "memory";
    EXPECT_NE(window->calculated != 0, window->CalcButtonEnabled()) << kind << " at " << n;
    if (window->calculated) {
      EXPECT_EQ(figures(), full) << kind << " at " << n;
    }
  });
  calculate();
  EXPECT_EQ(window->calculated, 1);
  EXPECT_FALSE(window->CalcButtonEnabled());
  EXPECT_EQ(figures(), full);
}

}  // namespace comps_test
