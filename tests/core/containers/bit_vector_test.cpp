#include "core/bit_vector.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/memory.h"
#include "tests/core/containers/heap_refusal.h"

namespace {

BitVector MakeVector(int64_t n, std::initializer_list<int64_t> setBits) {
  BitVector v;
  BitVecInit(&v, n, 0);
  BitVecFill(&v, false);
  for (int64_t i : setBits) BitVecSet(&v, i, true);
  return v;
}

TEST(BitVector, StorageIsWholeWordsAndAtLeastOne) {
  const struct {
    int64_t bits, bytes;
  } cases[] = {{0, 4}, {1, 4}, {32, 4}, {33, 8}, {64, 8}, {65, 12}, {1000, 128}};
  for (const auto& c : cases) {
    EXPECT_EQ(BitVecStorageBytes(c.bits), c.bytes) << c.bits;
    BitVector v;
    BitVecInit(&v, c.bits, 0);
    ASSERT_NE(v.words, nullptr);
    EXPECT_EQ(MemSize(v.words), c.bytes) << c.bits;
    EXPECT_EQ(v.count, c.bits);
    BitVecFree(&v);
  }
}

TEST(BitVector, CountIgnoresBitsBeyondTheCount) {
  BitVector v;
  BitVecInit(&v, 40, 0);
  BitVecFill(&v, true);  // the 24 unused bits of the last word are set too
  EXPECT_EQ(BitVecCount(&v), 40);
  BitVecSet(&v, 39, false);
  BitVecToggle(&v, 0);
  EXPECT_EQ(BitVecCount(&v), 38);
  BitVecFree(&v);
}

TEST(BitVector, NextSetWalksAcrossWords) {
  BitVector v = MakeVector(100, {0, 31, 32, 95, 99});
  std::vector<int64_t> seen;
  for (int64_t i = BitVecNextSet(&v, -1); i >= 0; i = BitVecNextSet(&v, i)) seen.push_back(i);
  EXPECT_EQ(seen, (std::vector<int64_t>{0, 31, 32, 95, 99}));
  BitVecSet(&v, 99, false);
  EXPECT_EQ(BitVecNextSet(&v, 95), -1);
  // Bits set beyond the count are not found.
  BitVecResize(&v, 97);
  BitVecSet(&v, 95, false);
  v.words[3] |= 0x80000000u;  // bit 127, outside
  EXPECT_EQ(BitVecNextSet(&v, 32), -1);
  BitVecFree(&v);
}

TEST(BitVector, ResizeFillKeepsOldBitsAndFillsNewOnes) {
  BitVector v = MakeVector(10, {1, 9});
  ASSERT_TRUE(BitVecResizeFill(&v, 20, true));
  for (int64_t i = 0; i < 20; ++i) EXPECT_EQ(BitVecGet(&v, i), i == 1 || i >= 9) << i;
  // Across a word boundary, clearing.
  ASSERT_TRUE(BitVecResizeFill(&v, 70, false));
  EXPECT_EQ(BitVecCount(&v), 12);
  EXPECT_EQ(MemSize(v.words), 12);
  BitVecFree(&v);
}

TEST(BitVector, EqualComparesOnlyCountedBits) {
  BitVector a = MakeVector(40, {3, 39});
  BitVector b = MakeVector(40, {3, 39});
  b.words[1] |= 0xff000000u;  // bits 56-63, beyond the count
  EXPECT_TRUE(BitVecEqual(&a, &b));
  BitVecSet(&b, 39, false);
  EXPECT_FALSE(BitVecEqual(&a, &b));
  BitVector c = MakeVector(41, {3, 39});
  EXPECT_FALSE(BitVecEqual(&a, &c));
  BitVecFree(&a);
  BitVecFree(&b);
  BitVecFree(&c);
}

TEST(BitVector, WordOperations) {
  const uint32_t x = 0xF0F0F0F0u, y = 0xFF00FF00u;
  const struct {
    void (*op)(BitVector*, const BitVector*);
    uint32_t expected;
  } cases[] = {
      {BitVecCopy, y},        {BitVecOr, x | y},  {BitVecAnd, x & y},
      {BitVecAndNot, x & ~y}, {BitVecXor, x ^ y},
  };
  BitVector source;
  BitVecInit(&source, 64, 0);
  source.words[0] = source.words[1] = y;
  for (const auto& c : cases) {
    BitVector destination;
    BitVecInit(&destination, 64, 0);
    destination.words[0] = destination.words[1] = x;
    c.op(&destination, &source);
    EXPECT_EQ(destination.words[0], c.expected);
    EXPECT_EQ(destination.words[1], c.expected);
    BitVecNot(&destination);
    EXPECT_EQ(destination.words[1], ~c.expected);
    BitVecFree(&destination);
  }
  BitVector copy;
  BitVecInitCopy(&copy, &source, 1);
  EXPECT_TRUE(BitVecEqual(&copy, &source));
  EXPECT_EQ(copy.headroomClass, 1);
  BitVecFree(&copy);
  BitVecFree(&source);
}

TEST(BitVector, HasAllRefsReadsBigEndianReferences) {
  BitVector v = MakeVector(70000, {1, 258, 513, 65536 + 2});
  const uint8_t width2[] = {0x01, 0x02, 0x00, 0x01};          // 258, 1
  const uint8_t width3[] = {0x00, 0x01, 0x02};                // 258
  const uint8_t width4[] = {0x00, 0x01, 0x00, 0x02};          // 65538
  const uint8_t width2Missing[] = {0x00, 0x01, 0x00, 0x02};   // 1, 2
  const uint8_t width4Negative[] = {0xff, 0xff, 0xff, 0xff};  // -1
  const uint8_t width3Outside[] = {0x7f, 0x00, 0x00};         // beyond the vector
  const struct {
    const uint8_t* refs;
    int width;
    int64_t n;
    bool expected;
  } cases[] = {
      {width2, 2, 2, true},         {width3, 3, 1, true},          {width4, 4, 1, true},
      {width2Missing, 2, 2, false}, {width4Negative, 4, 1, false}, {width3Outside, 3, 1, false},
      {width2Missing, 5, 2, true},  {width2Missing, 2, 0, true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(BitVecHasAllRefs(&v, c.refs, c.width, c.n), c.expected) << c.width;
  BitVecFree(&v);
}

TEST(BitVector, FailedResizeLeavesTheVectorAsItWas) {
  BitVector v = MakeVector(100, {7});
  uint32_t* words = v.words;
  {
    HeapRefusal refusal(RefuseAboveOneMegabyte);
    EXPECT_FALSE(BitVecResizeFill(&v, 100000000, true));
    EXPECT_EQ(PendingError.request.message, 600);
  }
  EXPECT_EQ(v.count, 100);
  EXPECT_EQ(v.words, words);
  EXPECT_EQ(BitVecNextSet(&v, -1), 7);
  BitVector failed;
  {
    HeapRefusal refusal(RefuseAboveOneMegabyte);
    BitVecInit(&failed, 100000000, 0);
  }
  EXPECT_EQ(failed.count, 0);
  EXPECT_EQ(BitVecCount(&failed), 0);
  EXPECT_EQ(BitVecNextSet(&failed, -1), -1);
  BitVecFree(&v);
}

}  // namespace
