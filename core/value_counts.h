#pragma once
// ValueCounts: how often each double value occurs, in a double-hashing table of its own, and the
// weighted median of what was counted.
//
// Invariants:
//   1. a slot is occupied exactly when its count is not 0;
//   2. the table size is 0 or a prime of at least 1031, the grow limit size - size/8;
//   3. total is the sum of all counts, distinct the number of occupied slots.
// Values are told apart as CompareDouble does: NaN is one value, larger than every number.
//
// A table belongs to one owner; nothing here locks.
#include <cstdint>

#include "core/array_record.h"

struct ValueCounts {
  ArrayRecord values;   // doubles, one per slot
  ArrayRecord counts;   // 64-bit counts, one per slot
  ArrayRecord indexes;  // occupied slot numbers, gathered by the median
  int64_t total = 0;
  int64_t size = 0;
  int64_t growLimit = 0;
  int64_t distinct = 0;
};

void ValueCountsInit(ValueCounts* table);
// A value that cannot be stored for want of memory is not counted (pending error 600).
void ValueCountsAdd(ValueCounts* table, double value);
void ValueCountsClear(ValueCounts* table);
// The smallest value v for which twice the count of values <= v reaches the total; the mean of
// v and the next larger value when it meets the total exactly. NaN when nothing was counted or
// memory runs out.
double ValueCountsMedian(ValueCounts* table);
void ValueCountsFree(ValueCounts* table);
