#pragma once
// BitVector: a set of flags over record numbers (the lines of a subset, the components a
// selection marks), kept in one MemAlloc block of 32-bit words.
//
// Bit i is bit (i & 31) of word (i >> 5). The block holds whole words, at least one even for 0
// bits. Bits beyond the count in the last word have no meaning: every operation that reads
// them (counting, comparing) ignores them.
//
// A vector belongs to one owner; nothing here locks.
#include <cstdint>

struct BitVector {
  int64_t count = 0;
  uint32_t* words = nullptr;  // owned
  int32_t headroomClass = 0;
};

// Bytes of storage for n bits: 4 below 33 bits, else whole words.
int64_t BitVecStorageBytes(int64_t n);

// Takes the words for n bits; count 0 (and pending error 600) when they cannot be had. The
// words' contents are undefined.
void BitVecInit(BitVector* vector, int64_t n, int headroomClass);
void BitVecInitCopy(BitVector* vector, const BitVector* other, int headroomClass);
void BitVecFree(BitVector* vector);
// On failure the vector is unchanged.
bool BitVecResize(BitVector* vector, int64_t n);
// Resizes, then sets (value true) or clears the bits from the old count to n - 1.
bool BitVecResizeFill(BitVector* vector, int64_t n, bool value);

inline bool BitVecGet(const BitVector* vector, int64_t i) {
  return (vector->words[i >> 5] >> (i & 31)) & 1u;
}
inline void BitVecSet(BitVector* vector, int64_t i, bool value) {
  uint32_t bit = 1u << (i & 31);
  if (value)
    vector->words[i >> 5] |= bit;
  else
    vector->words[i >> 5] &= ~bit;
}
inline void BitVecToggle(BitVector* vector, int64_t i) { vector->words[i >> 5] ^= 1u << (i & 31); }

int64_t BitVecCount(const BitVector* vector);
// The first set bit after i (from i + 1 on; i may be -1), or -1.
int64_t BitVecNextSet(const BitVector* vector, int64_t i);
bool BitVecEqual(const BitVector* vector, const BitVector* other);

// Word-wise over every word of the destination; the source must have at least as many words
// (extra destination words are left alone if it has not).
void BitVecCopy(BitVector* destination, const BitVector* source);
void BitVecOr(BitVector* destination, const BitVector* source);
void BitVecAnd(BitVector* destination, const BitVector* source);
void BitVecAndNot(BitVector* destination, const BitVector* source);  // destination &= ~source
void BitVecXor(BitVector* destination, const BitVector* source);
void BitVecNot(BitVector* vector);
void BitVecFill(BitVector* vector, bool value);

// True when the bit of every one of n references is set. References are stored back to back as
// big-endian unsigned integers of width 2, 3 or 4 bytes (a 4-byte one read as signed); any
// other width gives true. A reference outside the vector counts as a clear bit.
bool BitVecHasAllRefs(const BitVector* vector, const uint8_t* references, int width, int64_t n);
