#include "core/packed_array.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/memory.h"
#include "tests/core/containers/heap_refusal.h"

namespace {

const int kWidths[] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15,
                       16, 17, 18, 19, 20, 21, 22, 24, 28, 32, 34, 36, 40, 64};

uint64_t MaskOf(int width) { return width == 64 ? ~uint64_t{0} : (uint64_t{1} << width) - 1; }

// A value pattern that differs from element to element in every bit position.
uint64_t Pattern(int64_t i) { return (static_cast<uint64_t>(i) + 1) * 0x9E3779B97F4A7C15ull; }

std::vector<uint8_t> Bytes(const PackedIntArray& a) {
  return std::vector<uint8_t>(a.storage, a.storage + MemSize(a.storage));
}

TEST(PackedIntArray, WidthFromTheMaximum) {
  const struct {
    uint64_t v;
    int width;
  } cases[] = {
      {0, 1},
      {1, 1},
      {2, 2},
      {7, 3},
      {8, 4},
      {127, 7},
      {128, 8},
      {255, 8},
      {256, 9},
      {0x3fffff, 22},
      {0x400000, 24},
      {0xffffff, 24},
      {0x1000000, 28},
      {0xfffffff, 28},
      {0x10000000, 32},
      {0xffffffff, 32},
      {0x100000000, 34},
      {0x3ffffffff, 34},
      {0x400000000, 36},
      {0x1000000000, 40},
      {0xffffffffff, 40},
      {0x10000000000, 64},
      {~uint64_t{0}, 64},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PackedIntWidthFor(c.v), c.width) << std::hex << c.v;
    EXPECT_EQ(PackedIntMaxFor(c.v), MaskOf(c.width)) << std::hex << c.v;
  }
}

TEST(PackedIntArray, StorageIsWholeGroups) {
  const struct {
    int64_t n;
    int width;
    int64_t bytes;
  } cases[] = {
      {10, 3, 6}, {10, 6, 9},  {10, 40, 60}, {1, 1, 1},   {9, 7, 14},  {1, 24, 3},  {3, 4, 2},
      {5, 12, 9}, {1, 18, 18}, {8, 18, 18},  {9, 34, 68}, {1, 22, 11}, {2, 64, 16}, {0, 9, 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PackedIntBytes(c.n, MaskOf(c.width)), c.bytes) << c.n << " x " << c.width;
}

TEST(PackedIntArray, EveryWidthKeepsEachElementApart) {
  for (int width : kWidths) {
    const int64_t n = 37;  // not a whole number of groups
    PackedIntArray a;
    PackedIntArrayInit(&a, n, MaskOf(width), 0);
    ASSERT_EQ(MemSize(a.storage), PackedIntBytes(n, MaskOf(width))) << width;
    PackedIntArrayFill(&a, 0);
    for (int64_t i = 0; i < n; ++i) PackedIntArraySet(&a, i, Pattern(i) & a.maximum);
    for (int64_t i = 0; i < n; ++i)
      ASSERT_EQ(PackedIntArrayGet(&a, i), Pattern(i) & a.maximum) << width << " at " << i;
    // All ones around one cleared element: its neighbours keep every bit.
    PackedIntArrayFill(&a, a.maximum);
    PackedIntArraySet(&a, 11, 0);
    for (int64_t i = 0; i < n; ++i)
      ASSERT_EQ(PackedIntArrayGet(&a, i), i == 11 ? 0 : a.maximum) << width << " at " << i;
    // A value above the maximum only writes its low bits.
    PackedIntArraySet(&a, 11, ~uint64_t{0} << 1);
    EXPECT_EQ(PackedIntArrayGet(&a, 11), a.maximum & ~uint64_t{1}) << width;
    EXPECT_EQ(PackedIntArrayGet(&a, 12), a.maximum) << width;
    PackedIntArrayFree(&a);
  }
}

TEST(PackedIntArray, ByteLayouts) {
  PackedIntArray a;
  // 6 bits: element 3 lives in the top two bits of bytes 0, 1 and 2.
  PackedIntArrayInit(&a, 4, 63, 0);
  PackedIntArrayFill(&a, 0);
  for (int i = 0; i < 3; ++i) PackedIntArraySet(&a, i, 21);
  PackedIntArraySet(&a, 3, 63);
  EXPECT_EQ(Bytes(a), (std::vector<uint8_t>{0xD5, 0xD5, 0xD5}));
  PackedIntArraySet(&a, 3, 0x24);  // 10 01 00
  EXPECT_EQ(Bytes(a), (std::vector<uint8_t>{0x95, 0x55, 0x15}));
  // 24 bits: most significant byte first.
  PackedIntArraySetup(&a, 2, 0xffffff);
  PackedIntArraySet(&a, 0, 0x123456);
  PackedIntArraySet(&a, 1, 0xABCDEF);
  EXPECT_EQ(Bytes(a), (std::vector<uint8_t>{0x12, 0x34, 0x56, 0xAB, 0xCD, 0xEF}));
  // 7 bits: element 7 is the top bits of bytes 0 (its high bit) to 6 (its low bit).
  PackedIntArraySetup(&a, 8, 127);
  PackedIntArrayFill(&a, 0);
  PackedIntArraySet(&a, 7, 0x41);  // 1000001
  PackedIntArraySet(&a, 0, 0x7f);
  EXPECT_EQ(Bytes(a), (std::vector<uint8_t>{0xFF, 0, 0, 0, 0, 0, 0x80}));
  // 3 bits: one little-endian bit stream, element 2 straddling bytes 0 and 1.
  PackedIntArraySetup(&a, 8, 7);
  PackedIntArrayFill(&a, 0);
  PackedIntArraySet(&a, 2, 7);
  EXPECT_EQ(Bytes(a), (std::vector<uint8_t>{0xC0, 0x01, 0x00}));
  // 16 bits: little-endian.
  PackedIntArraySetup(&a, 1, 0xffff);
  PackedIntArraySet(&a, 0, 0x1234);
  EXPECT_EQ(Bytes(a), (std::vector<uint8_t>{0x34, 0x12}));
  PackedIntArrayFree(&a);
}

TEST(PackedIntArray, SetMaxMovesEveryElementToTheNewWidth) {
  PackedIntArray a;
  PackedIntArrayInit(&a, 50, 5, 0);
  for (int64_t i = 0; i < 50; ++i) PackedIntArraySet(&a, i, i % 8);
  const uint64_t steps[] = {300, 0xffffff, 0x123456789A, 0x10000000000, 7};
  for (uint64_t maximum : steps) {
    ASSERT_TRUE(PackedIntArraySetMax(&a, maximum));
    EXPECT_EQ(a.maximum, PackedIntMaxFor(maximum));
    EXPECT_EQ(MemSize(a.storage), PackedIntBytes(50, maximum));
    for (int64_t i = 0; i < 50; ++i)
      ASSERT_EQ(PackedIntArrayGet(&a, i), uint64_t(i % 8)) << maximum;
  }
  ASSERT_TRUE(PackedIntArrayResize(&a, 9));
  EXPECT_EQ(MemSize(a.storage), 6);
  for (int64_t i = 0; i < 9; ++i) EXPECT_EQ(PackedIntArrayGet(&a, i), uint64_t(i % 8));
  ASSERT_TRUE(PackedIntArrayResize(&a, 0));
  EXPECT_EQ(a.storage, nullptr);
  EXPECT_EQ(PackedIntArrayMemSize(&a), 48);
  PackedIntArrayFree(&a);
}

TEST(PackedIntArray, FailuresLeaveTheArrayAsItWas) {
  PackedIntArray a;
  PackedIntArrayInit(&a, 1000000, 1, 0);  // 125000 bytes
  PackedIntArraySet(&a, 999999, 1);
  uint8_t* storage = a.storage;
  {
    HeapRefusal refusal(RefuseAboveOneMegabyte);
    EXPECT_FALSE(PackedIntArraySetMax(&a, 0xffff));
    EXPECT_FALSE(PackedIntArraySetup(&a, 1000000, 0xffff));
    EXPECT_FALSE(PackedIntArrayResize(&a, 100000000));
  }
  EXPECT_EQ(a.storage, storage);
  EXPECT_EQ(a.count, 1000000);
  EXPECT_EQ(a.maximum, 1u);
  EXPECT_EQ(PackedIntArrayGet(&a, 999999), 1u);
  PackedIntArrayFree(&a);
}

}  // namespace
