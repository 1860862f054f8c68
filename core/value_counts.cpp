#include "core/value_counts.h"

#include <cmath>
#include <cstring>

#include "core/hash_index.h"
#include "core/memory.h"
#include "core/message_pump.h"
#include "core/threads.h"

namespace {

constexpr int kTableClass = 2;
constexpr int64_t kFirstIndexes = 32;

// The slot of x: an occupied slot holding an equal value, or the first free one.
int64_t SlotOf(const double* values, const int64_t* counts, int64_t size, double x) {
  uint64_t m = static_cast<uint64_t>(size);
  uint64_t slot = DoubleHash(x, m);
  uint64_t step = DoubleStep(x) % m;
  if (step == 0) step = 1;
  while (counts[slot] != 0 && CompareDouble(values[slot], x) != 0) {
    slot += step;
    if (slot >= m) slot -= m;
  }
  return static_cast<int64_t>(slot);
}

void Grow(ValueCounts* table, int64_t n) {
  int64_t size = HashIndexPrimeSize(n);
  if (size <= table->size) return;
  ArrayRecord values, counts;
  ArrayInit(&values, size, kTableClass);
  ArrayInit(&counts, size, kTableClass);
  if (!values.data || !counts.data) {
    ArrayFree(&values);
    ArrayFree(&counts);
    return;
  }
  double* newValues = ArrayDoubles(&values);
  std::memset(counts.data, 0, static_cast<size_t>(size) * 8);
  const double* oldValues = ArrayDoubles(&table->values);
  for (int64_t s = 0; s < table->size; ++s) {
    if (table->counts.data[s] == 0) continue;
    int64_t slot = SlotOf(newValues, counts.data, size, oldValues[s]);
    newValues[slot] = oldValues[s];
    counts.data[slot] = table->counts.data[s];
  }
  ArrayFree(&table->values);
  ArrayFree(&table->counts);
  table->values = values;
  table->counts = counts;
  table->size = size;
  table->growLimit = size - size / 8;
}

// Weighted selection over the occupied slots, whose numbers are in `slots`.
struct Selection {
  const double* values;
  const int64_t* counts;
  int64_t* slots;

  double Value(int64_t i) const { return values[slots[i]]; }
  int64_t Count(int64_t i) const { return counts[slots[i]]; }
  int Compare(int64_t i, int64_t j) const { return CompareDouble(Value(i), Value(j)); }
  void Swap(int64_t i, int64_t j) {
    int64_t t = slots[i];
    slots[i] = slots[j];
    slots[j] = t;
  }

  // As the sort's partition: the median of lo, mid and hi - 1 is the pivot; returns its place.
  int64_t Partition(int64_t lo, int64_t hi) {
    int64_t mid = lo + (hi - lo) / 2;
    if (Compare(lo, mid) > 0) Swap(lo, mid);
    if (Compare(mid, hi - 1) > 0) {
      Swap(mid, hi - 1);
      if (Compare(lo, mid) > 0) Swap(lo, mid);
    }
    Swap(mid, hi);
    int64_t i = lo + 1;
    int64_t j = hi - 2;
    for (;;) {
      while (Compare(i, hi) < 0) ++i;
      while (Compare(j, hi) > 0) --j;
      if (j < i) break;
      Swap(i, j);
      ++i;
      --j;
    }
    Swap(i, hi);
    return i;
  }
};

}  // namespace

void ValueCountsInit(ValueCounts* table) {
  *table = ValueCounts{};
  table->values.headroomClass = kTableClass;
  table->counts.headroomClass = kTableClass;
  ArrayInit(&table->indexes, kFirstIndexes, kTableClass);
}

void ValueCountsAdd(ValueCounts* table, double value) {
  if (table->distinct >= table->growLimit) {
    Grow(table, table->distinct);
    if (table->distinct >= table->growLimit) return;
  }
  int64_t slot = SlotOf(ArrayDoubles(&table->values), table->counts.data, table->size, value);
  if (table->counts.data[slot] == 0) {
    ArrayDoubles(&table->values)[slot] = value;
    ++table->distinct;
  }
  ++table->counts.data[slot];
  ++table->total;
}

void ValueCountsClear(ValueCounts* table) {
  if (table->total == 0) return;
  table->total = 0;
  table->distinct = 0;
  ArrayFill(&table->counts, 0);
}

double ValueCountsMedian(ValueCounts* table) {
  if (table->total == 0 || !ArrayResize(&table->indexes, table->distinct)) return NAN;
  Selection s{ArrayDoubles(&table->values), table->counts.data, table->indexes.data};
  int64_t n = 0;
  for (int64_t slot = 0; slot < table->size; ++slot)
    if (table->counts.data[slot] != 0) s.slots[n++] = slot;

  const int64_t total = table->total;
  int64_t lo = 0;
  int64_t hi = n - 1;
  int64_t before = 0;  // count of every value left of lo..hi
  int64_t found = -1;
  while (found < 0 && hi - lo + 1 >= 6) {
    int64_t p = s.Partition(lo, hi);
    PumpMessages();
    int64_t left = 0;
    for (int64_t i = lo; i < p; ++i) left += s.Count(i);
    if (2 * (before + left) >= total) {
      hi = p - 1;
    } else if (2 * (before + left + s.Count(p)) >= total) {
      found = p;
      before += left + s.Count(p);
    } else {
      before += left + s.Count(p);
      lo = p + 1;
    }
  }
  // The last few: bring the smallest forward until half the total is reached.
  for (int64_t k = lo; found < 0 && k <= hi; ++k) {
    int64_t smallest = k;
    for (int64_t j = k + 1; j <= hi; ++j)
      if (s.Compare(j, smallest) < 0) smallest = j;
    s.Swap(k, smallest);
    before += s.Count(k);
    if (2 * before >= total) found = k;
  }
  if (found < 0) return NAN;
  double v = s.Value(found);
  if (2 * before != total) return v;
  // Exactly half lies at or below v: the median lies halfway to the next larger value.
  bool haveNext = false;
  double next = 0;
  for (int64_t i = 0; i < n; ++i) {
    double w = s.Value(i);
    if (CompareDouble(w, v) > 0 && (!haveNext || CompareDouble(w, next) < 0)) {
      next = w;
      haveNext = true;
    }
  }
  return haveNext ? (v + next) / 2 : v;
}

void ValueCountsFree(ValueCounts* table) {
  ArrayFree(&table->values);
  ArrayFree(&table->counts);
  ArrayFree(&table->indexes);
  table->total = table->size = table->growLimit = table->distinct = 0;
}
