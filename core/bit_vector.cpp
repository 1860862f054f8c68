#include "core/bit_vector.h"

#include <cstring>

#include "core/memory.h"

namespace {

struct ByteBitCounts {
  uint8_t counts[256];
  constexpr ByteBitCounts() : counts() {
    for (int b = 0; b < 256; ++b) counts[b] = static_cast<uint8_t>((b & 1) + counts[b >> 1]);
  }
};
constexpr ByteBitCounts kBitCounts;

inline int WordBitCount(uint32_t w) {
  return kBitCounts.counts[w & 0xff] + kBitCounts.counts[(w >> 8) & 0xff] +
         kBitCounts.counts[(w >> 16) & 0xff] + kBitCounts.counts[w >> 24];
}

// Words actually held: none when the block could not be had.
inline int64_t WordsHeld(const BitVector* vector) {
  return vector->words ? BitVecStorageBytes(vector->count) / 4 : 0;
}

inline int64_t CommonWords(const BitVector* destination, const BitVector* source) {
  int64_t d = WordsHeld(destination);
  int64_t s = WordsHeld(source);
  return d < s ? d : s;
}

}  // namespace

int64_t BitVecStorageBytes(int64_t n) {
  if (n < 33) return 4;
  return ((n + 31) >> 3) & ~int64_t{3};
}

void BitVecInit(BitVector* vector, int64_t n, int headroomClass) {
  if (n < 0) n = 0;
  vector->headroomClass = headroomClass;
  vector->words = static_cast<uint32_t*>(MemAlloc(BitVecStorageBytes(n), headroomClass));
  vector->count = vector->words ? n : 0;
}

void BitVecInitCopy(BitVector* vector, const BitVector* other, int headroomClass) {
  BitVecInit(vector, other->count, headroomClass);
  if (vector->words && other->words)
    std::memcpy(vector->words, other->words, static_cast<size_t>(BitVecStorageBytes(other->count)));
}

void BitVecFree(BitVector* vector) {
  MemFree(vector->words);
  vector->words = nullptr;
  vector->count = 0;
}

bool BitVecResize(BitVector* vector, int64_t n) {
  if (n < 0) return false;
  int64_t bytes = BitVecStorageBytes(n);
  if (!vector->words || bytes != BitVecStorageBytes(vector->count)) {
    void* block = vector->words;
    if (!MemResize(&block, bytes, vector->headroomClass)) return false;
    vector->words = static_cast<uint32_t*>(block);
  }
  vector->count = n;
  return true;
}

bool BitVecResizeFill(BitVector* vector, int64_t n, bool value) {
  int64_t old = vector->count;
  if (!BitVecResize(vector, n)) return false;
  for (int64_t i = old; i < n; ++i) BitVecSet(vector, i, value);
  return true;
}

int64_t BitVecCount(const BitVector* vector) {
  if (!vector->words) return 0;
  int64_t whole = vector->count >> 5;
  int64_t total = 0;
  for (int64_t w = 0; w < whole; ++w) total += WordBitCount(vector->words[w]);
  for (int64_t i = whole << 5; i < vector->count; ++i) total += BitVecGet(vector, i);
  return total;
}

int64_t BitVecNextSet(const BitVector* vector, int64_t i) {
  int64_t next = i < 0 ? 0 : i + 1;
  if (!vector->words || next >= vector->count) return -1;
  int64_t w = next >> 5;
  uint32_t word = vector->words[w] & (~0u << (next & 31));
  int64_t lastWord = (vector->count - 1) >> 5;
  while (word == 0) {
    if (++w > lastWord) return -1;
    word = vector->words[w];
  }
  int64_t found = (w << 5) + __builtin_ctz(word);
  return found < vector->count ? found : -1;
}

bool BitVecEqual(const BitVector* vector, const BitVector* other) {
  if (vector->count != other->count) return false;
  if (!vector->words || !other->words) return vector->words == other->words || vector->count == 0;
  int64_t whole = vector->count >> 5;
  if (whole && std::memcmp(vector->words, other->words, static_cast<size_t>(whole * 4)) != 0)
    return false;
  for (int64_t i = whole << 5; i < vector->count; ++i)
    if (BitVecGet(vector, i) != BitVecGet(other, i)) return false;
  return true;
}

void BitVecCopy(BitVector* destination, const BitVector* source) {
  int64_t n = CommonWords(destination, source);
  if (n) std::memmove(destination->words, source->words, static_cast<size_t>(n * 4));
}

void BitVecOr(BitVector* destination, const BitVector* source) {
  for (int64_t w = 0, n = CommonWords(destination, source); w < n; ++w)
    destination->words[w] |= source->words[w];
}

void BitVecAnd(BitVector* destination, const BitVector* source) {
  for (int64_t w = 0, n = CommonWords(destination, source); w < n; ++w)
    destination->words[w] &= source->words[w];
}

void BitVecAndNot(BitVector* destination, const BitVector* source) {
  for (int64_t w = 0, n = CommonWords(destination, source); w < n; ++w)
    destination->words[w] &= ~source->words[w];
}

void BitVecXor(BitVector* destination, const BitVector* source) {
  for (int64_t w = 0, n = CommonWords(destination, source); w < n; ++w)
    destination->words[w] ^= source->words[w];
}

void BitVecNot(BitVector* vector) {
  for (int64_t w = 0, n = WordsHeld(vector); w < n; ++w) vector->words[w] = ~vector->words[w];
}

void BitVecFill(BitVector* vector, bool value) {
  int64_t n = WordsHeld(vector);
  if (n) std::memset(vector->words, value ? 0xff : 0, static_cast<size_t>(n * 4));
}

bool BitVecHasAllRefs(const BitVector* vector, const uint8_t* references, int width, int64_t n) {
  if (width < 2 || width > 4) return true;
  for (int64_t k = 0; k < n; ++k, references += width) {
    int64_t bit;
    if (width == 2) {
      bit = (references[0] << 8) | references[1];
    } else if (width == 3) {
      bit = (references[0] << 16) | (references[1] << 8) | references[2];
    } else {
      uint32_t u = (uint32_t{references[0]} << 24) | (uint32_t{references[1]} << 16) |
                   (uint32_t{references[2]} << 8) | references[3];
      bit = static_cast<int32_t>(u);
    }
    // A damaged line may carry any number; it must not read outside the words.
    if (bit < 0 || bit >= vector->count || !BitVecGet(vector, bit)) return false;
  }
  return true;
}
