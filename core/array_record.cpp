#include "core/array_record.h"

#include <cmath>
#include <cstring>

#include "core/memory.h"

namespace {

inline int64_t PlainBytes(int64_t n) { return n < 2 ? 8 : 8 * n; }
inline int64_t Min4Bytes(int64_t n) { return 8 * (n < 4 ? 4 : n); }

bool ResizeTo(ArrayRecord* array, int64_t n, int64_t bytes) {
  if (n < 0) return false;
  if (!array->data || MemSize(array->data) != bytes) {
    void* block = array->data;
    if (!MemResize(&block, bytes, array->headroomClass)) return false;
    array->data = static_cast<int64_t*>(block);
  }
  array->count = n;
  return true;
}

void InitWith(ArrayRecord* array, int64_t n, int64_t bytes, int allocationClass) {
  array->data = n < 0 ? nullptr : static_cast<int64_t*>(MemAlloc(bytes, allocationClass));
  array->count = array->data ? n : 0;
}

inline int64_t Smaller(int64_t a, int64_t b) { return a < b ? a : b; }

}  // namespace

void ArrayInit(ArrayRecord* array, int64_t n, int headroomClass) {
  array->headroomClass = headroomClass;
  InitWith(array, n, PlainBytes(n), headroomClass);
}

void ArrayInitMin4(ArrayRecord* array, int64_t n, int headroomClass) {
  array->headroomClass = headroomClass;
  InitWith(array, n, Min4Bytes(n), 0);
}

bool ArrayResize(ArrayRecord* array, int64_t n) { return ResizeTo(array, n, PlainBytes(n)); }
bool ArrayResizeMin4(ArrayRecord* array, int64_t n) { return ResizeTo(array, n, Min4Bytes(n)); }

void ArrayFree(ArrayRecord* array) {
  MemFree(array->data);
  array->data = nullptr;
  array->count = 0;
}

int64_t ArrayMemSize(const ArrayRecord* array) {
  if (!array) return 0;
  return MemAllocatedSize(array->data) + 24;
}

void ArrayFill(ArrayRecord* array, int64_t value) {
  for (int64_t i = 0; i < array->count; ++i) array->data[i] = value;
}

void ArrayFillDouble(ArrayRecord* array, double x) {
  double* d = ArrayDoubles(array);
  for (int64_t i = 0; i < array->count; ++i) d[i] = x;
}

void ArrayFillIndexes(ArrayRecord* array) { ArrayFillIndexesN(array, array->count); }

void ArrayFillIndexesN(ArrayRecord* array, int64_t n) {
  n = Smaller(n, array->count);
  for (int64_t i = 0; i < n; ++i) array->data[i] = i;
}

void ArrayReverse(ArrayRecord* array, int64_t i, int64_t j) {
  for (; i < j; ++i, --j) {
    int64_t t = array->data[i];
    array->data[i] = array->data[j];
    array->data[j] = t;
  }
}

void ArrayMove(ArrayRecord* array, int64_t destinationIndex, int64_t sourceIndex, int64_t n) {
  if (n > 0)
    std::memmove(array->data + destinationIndex, array->data + sourceIndex,
                 static_cast<size_t>(n * 8));
}

void ArraySwap(void* array, int64_t i, int64_t j) {
  int64_t* d = static_cast<ArrayRecord*>(array)->data;
  int64_t t = d[i];
  d[i] = d[j];
  d[j] = t;
}

int32_t ArrayCompareInt64(void* array, int64_t i, int64_t j) {
  const int64_t* d = static_cast<ArrayRecord*>(array)->data;
  return d[i] < d[j] ? -1 : d[i] > d[j] ? 1 : 0;
}

void ArrayCopy(ArrayRecord* destination, const ArrayRecord* source) {
  int64_t n = Smaller(destination->count, source->count);
  if (n > 0) std::memmove(destination->data, source->data, static_cast<size_t>(n * 8));
}

void ArrayCopyFrom(ArrayRecord* destination, const ArrayRecord* source) {
  ArrayCopy(destination, source);
  for (int64_t i = source->count < 0 ? 0 : source->count; i < destination->count; ++i)
    destination->data[i] = 0;
}

void ArrayIntToDouble(ArrayRecord* destination, const ArrayRecord* source) {
  double* d = ArrayDoubles(destination);
  int64_t n = Smaller(destination->count, source->count);
  for (int64_t i = 0; i < n; ++i) d[i] = static_cast<double>(source->data[i]);
  for (int64_t i = n; i < destination->count; ++i) d[i] = 0.0;
}

void ArrayDivideByCounts(ArrayRecord* destination, const ArrayRecord* counts) {
  double* d = ArrayDoubles(destination);
  int64_t n = Smaller(destination->count, counts->count);
  for (int64_t i = 0; i < n; ++i) d[i] /= static_cast<double>(counts->data[i]);
}

void ArrayExp(ArrayRecord* array) {
  double* d = ArrayDoubles(array);
  for (int64_t i = 0; i < array->count; ++i) d[i] = std::exp(d[i]);
}
