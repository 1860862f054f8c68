#pragma once
// PackedIntArray: n unsigned integers in the fewest bits that hold a given maximum, with a getter
// and a setter chosen for that width.
//
// Widths, chosen from the maximum v:
//   v < 2: 1, < 4: 2, < 8: 3, ... <= 255: 8, then one bit per doubling up to 22 (<= 0x3fffff);
//   <= 0xffffff: 24; <= 0xfffffff: 28; <= 0xffffffff: 32; <= 0x3ffffffff: 34;
//   <= 0xfffffffff: 36; <= 0xffffffffff: 40; anything larger: 64.
// Storage: whole groups of g elements of g x w / 8 bytes each:
//   g = 1  for 8, 16, 24, 32, 64 bits
//   g = 2  for 4, 12, 28 bits
//   g = 4  for 2, 6, 10, 14, 20, 22, 40 bits
//   g = 8  for every odd width and 18, 34, 36 bits
// Layout: element i holds bits w*i .. w*i + w - 1 of the storage read as one little-endian bit
// stream (stream bit k is bit k % 8 of byte k / 8), except:
//   24 bits  bytes 3i, 3i+1, 3i+2, most significant first;
//   6 bits   groups of 4 in 3 bytes: elements 0-2 are the low 6 bits of bytes 0-2; element 3
//            is the top two bits of byte 0 (its bits 5-4), byte 1 (3-2) and byte 2 (1-0);
//   7 bits   groups of 8 in 7 bytes: elements 0-6 are the low 7 bits of bytes 0-6; element 7
//            is the top bits of bytes 0-6 (byte 0's top bit is its bit 6, byte 6's its bit 0).
//
// An array belongs to one owner; nothing here locks.
#include <cstdint>

using PackedGetter = uint64_t (*)(const uint8_t* storage, int64_t i);
using PackedSetter = void (*)(uint8_t* storage, int64_t i, uint64_t value);

struct PackedIntArray {
  uint8_t* storage = nullptr;  // owned MemAlloc block; null while the storage size is 0
  int64_t count = 0;
  uint64_t maximum = 0;  // always the all-ones mask of the width
  int32_t headroomClass = 0;
  PackedGetter getter = nullptr;
  PackedSetter setter = nullptr;
};

// The all-ones mask of the width chosen for v.
uint64_t PackedIntMaxFor(uint64_t v);
int PackedIntWidthFor(uint64_t v);
// Storage bytes for n elements under the width of the maximum.
int64_t PackedIntBytes(int64_t n, uint64_t maximum);

void PackedIntArrayInit(PackedIntArray* array, int64_t n, uint64_t maximum, int headroomClass);
// New storage (contents undefined) for n elements up to the maximum; on failure nothing changes.
bool PackedIntArraySetup(PackedIntArray* array, int64_t n, uint64_t maximum);
// Contents kept up to the shorter size; on failure nothing changes.
bool PackedIntArrayResize(PackedIntArray* array, int64_t n);
// Moves every element to the width of the new maximum; on failure nothing changes.
bool PackedIntArraySetMax(PackedIntArray* array, uint64_t maximum);
void PackedIntArrayFill(PackedIntArray* array, uint64_t value);
void PackedIntArrayFree(PackedIntArray* array);
// Allocated size of the storage + 48.
int64_t PackedIntArrayMemSize(const PackedIntArray* array);

inline uint64_t PackedIntArrayGet(const PackedIntArray* array, int64_t i) {
  return array->getter(array->storage, i);
}
// Replaces exactly the element's bits with the low bits of the value.
inline void PackedIntArraySet(PackedIntArray* array, int64_t i, uint64_t value) {
  array->setter(array->storage, i, value);
}
