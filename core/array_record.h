#pragma once
// ArrayRecord: a counted array of 8-byte elements (64-bit integers, doubles or addresses) in one
// MemAlloc block, with the headroom class of its allocations.
//
// Two sizing policies:
//   plain         8n bytes, 8 bytes when n < 2;
//   minimum four  8 x max(n, 4) bytes, so small tables do not reallocate on every change (the
//                 hash index's slots and the paged array's page table).
// A resize reallocates only when the policy's block size changes.
//
// An array belongs to one owner; nothing here locks.
#include <cstdint>

struct ArrayRecord {
  int64_t count = 0;
  int64_t* data = nullptr;  // owned; null when empty or when the block could not be had
  int32_t headroomClass = 0;
};

// The same elements read as doubles or addresses.
inline double* ArrayDoubles(ArrayRecord* array) { return reinterpret_cast<double*>(array->data); }
inline const double* ArrayDoubles(const ArrayRecord* array) {
  return reinterpret_cast<const double*>(array->data);
}
inline void** ArrayPointers(ArrayRecord* array) { return reinterpret_cast<void**>(array->data); }

// Count n, or count 0 and null data (pending error 600) when the block cannot be had.
void ArrayInit(ArrayRecord* array, int64_t n, int headroomClass);
// The first block is taken with headroom class 0; the stored class serves later resizes.
void ArrayInitMin4(ArrayRecord* array, int64_t n, int headroomClass);
// Contents are kept up to the shorter length; on failure the array is unchanged.
bool ArrayResize(ArrayRecord* array, int64_t n);
bool ArrayResizeMin4(ArrayRecord* array, int64_t n);
void ArrayFree(ArrayRecord* array);
// Allocated size of the data block + 24; 0 for a null array.
int64_t ArrayMemSize(const ArrayRecord* array);

void ArrayFill(ArrayRecord* array, int64_t value);
void ArrayFillDouble(ArrayRecord* array, double x);
// Element i = i: the identity permutation to sort.
void ArrayFillIndexes(ArrayRecord* array);
void ArrayFillIndexesN(ArrayRecord* array, int64_t n);
// Reverses elements i..j; nothing when j <= i.
void ArrayReverse(ArrayRecord* array, int64_t i, int64_t j);
// Overlap-safe.
void ArrayMove(ArrayRecord* array, int64_t destinationIndex, int64_t sourceIndex, int64_t n);

// Shaped as the swap and compare callbacks of ParallelSort: array is an ArrayRecord*.
void ArraySwap(void* array, int64_t i, int64_t j);
// -1, 0 or 1 by element i against element j as signed 64-bit integers.
int32_t ArrayCompareInt64(void* array, int64_t i, int64_t j);

// Copies the destination's count of elements (no more than the source has).
void ArrayCopy(ArrayRecord* destination, const ArrayRecord* source);
// As ArrayCopy; destination elements at or beyond the source's count become 0.
void ArrayCopyFrom(ArrayRecord* destination, const ArrayRecord* source);
// Signed integers of the source as doubles; elements beyond the source's count become 0.0.
void ArrayIntToDouble(ArrayRecord* destination, const ArrayRecord* source);
// Double element i divided by the signed integer count i, for i below both counts. A count of 0
// gives infinity or NaN.
void ArrayDivideByCounts(ArrayRecord* destination, const ArrayRecord* counts);
// Every double x becomes e^x.
void ArrayExp(ArrayRecord* array);
