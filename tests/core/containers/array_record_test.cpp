#include "core/array_record.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/memory.h"
#include "tests/core/containers/heap_refusal.h"

namespace {

ArrayRecord MakeArray(std::initializer_list<int64_t> values) {
  ArrayRecord a;
  ArrayInit(&a, static_cast<int64_t>(values.size()), 0);
  int64_t i = 0;
  for (int64_t v : values) a.data[i++] = v;
  return a;
}

std::vector<int64_t> Elements(const ArrayRecord& a) {
  return std::vector<int64_t>(a.data, a.data + a.count);
}

TEST(ArrayRecord, BlockSizesOfBothPolicies) {
  const struct {
    int64_t n, plain, min4;
  } cases[] = {{0, 8, 32}, {1, 8, 32}, {2, 16, 32}, {4, 32, 32}, {5, 40, 40}};
  for (const auto& c : cases) {
    ArrayRecord plain, min4;
    ArrayInit(&plain, c.n, 0);
    ArrayInitMin4(&min4, c.n, 2);
    EXPECT_EQ(MemSize(plain.data), c.plain) << c.n;
    EXPECT_EQ(MemSize(min4.data), c.min4) << c.n;
    EXPECT_EQ(min4.count, c.n);
    EXPECT_EQ(min4.headroomClass, 2);
    ArrayFree(&plain);
    ArrayFree(&min4);
  }
}

TEST(ArrayRecord, ResizeReallocatesOnlyWhenTheBlockSizeChanges) {
  ArrayRecord a;
  ArrayInitMin4(&a, 1, 0);
  a.data[0] = 42;
  int64_t* block = a.data;
  ASSERT_TRUE(ArrayResizeMin4(&a, 4));
  EXPECT_EQ(a.data, block);
  EXPECT_EQ(a.count, 4);
  ASSERT_TRUE(ArrayResizeMin4(&a, 600));  // past the small-block limit
  EXPECT_EQ(a.data[0], 42);
  EXPECT_EQ(MemSize(a.data), 4800);
  ASSERT_TRUE(ArrayResize(&a, 1));
  EXPECT_EQ(MemSize(a.data), 8);
  EXPECT_EQ(a.data[0], 42);
  EXPECT_EQ(ArrayMemSize(&a), MemAllocatedSize(a.data) + 24);
  EXPECT_EQ(ArrayMemSize(nullptr), 0);
  ArrayFree(&a);
}

TEST(ArrayRecord, FailedResizeLeavesTheArrayAsItWas) {
  ArrayRecord a = MakeArray({1, 2, 3});
  int64_t* block = a.data;
  {
    HeapRefusal refusal(RefuseAboveOneMegabyte);
    EXPECT_FALSE(ArrayResize(&a, 1000000));
  }
  EXPECT_EQ(a.data, block);
  EXPECT_EQ(Elements(a), (std::vector<int64_t>{1, 2, 3}));
  ArrayRecord failed;
  {
    HeapRefusal refusal(RefuseAboveOneMegabyte);
    ArrayInit(&failed, 1000000, 0);
  }
  EXPECT_EQ(failed.count, 0);
  EXPECT_EQ(failed.data, nullptr);
  ArrayFree(&a);
}

TEST(ArrayRecord, ElementMoves) {
  ArrayRecord a = MakeArray({0, 0, 0, 0, 0, 0});
  ArrayFillIndexes(&a);
  EXPECT_EQ(Elements(a), (std::vector<int64_t>{0, 1, 2, 3, 4, 5}));
  ArrayReverse(&a, 1, 4);
  EXPECT_EQ(Elements(a), (std::vector<int64_t>{0, 4, 3, 2, 1, 5}));
  ArrayReverse(&a, 4, 1);  // nothing
  ArrayMove(&a, 2, 0, 4);  // overlapping, forwards
  EXPECT_EQ(Elements(a), (std::vector<int64_t>{0, 4, 0, 4, 3, 2}));
  ArrayMove(&a, 0, 3, 3);  // overlapping, backwards
  EXPECT_EQ(Elements(a), (std::vector<int64_t>{4, 3, 2, 4, 3, 2}));
  ArraySwap(&a, 0, 5);
  EXPECT_EQ(ArrayCompareInt64(&a, 0, 5), -1);
  ArrayFill(&a, -7);
  ArrayFillIndexesN(&a, 2);
  EXPECT_EQ(Elements(a), (std::vector<int64_t>{0, 1, -7, -7, -7, -7}));
  ArrayFree(&a);
}

TEST(ArrayRecord, CompareUsesSignedOrderWithoutOverflow) {
  ArrayRecord a = MakeArray({INT64_MIN, INT64_MAX, 5, 5});
  EXPECT_EQ(ArrayCompareInt64(&a, 0, 1), -1);
  EXPECT_EQ(ArrayCompareInt64(&a, 1, 0), 1);
  EXPECT_EQ(ArrayCompareInt64(&a, 2, 3), 0);
  ArrayFree(&a);
}

TEST(ArrayRecord, CopiesBetweenArraysOfDifferentCounts) {
  ArrayRecord source = MakeArray({7, 8, 9});
  ArrayRecord destination = MakeArray({1, 1, 1, 1, 1});
  ArrayCopyFrom(&destination, &source);
  EXPECT_EQ(Elements(destination), (std::vector<int64_t>{7, 8, 9, 0, 0}));
  ArrayFill(&destination, 1);
  ArrayCopy(&destination, &source);  // never reads past the source
  EXPECT_EQ(Elements(destination), (std::vector<int64_t>{7, 8, 9, 1, 1}));

  ArrayRecord doubles = MakeArray({1, 1, 1, 1});
  ArrayIntToDouble(&doubles, &source);
  const double* d = ArrayDoubles(&doubles);
  EXPECT_EQ(d[0], 7.0);
  EXPECT_EQ(d[2], 9.0);
  EXPECT_EQ(d[3], 0.0);
  ArrayRecord counts = MakeArray({2, 4, 0, 0});
  ArrayDivideByCounts(&doubles, &counts);
  EXPECT_EQ(d[0], 3.5);
  EXPECT_EQ(d[1], 2.0);
  EXPECT_TRUE(std::isinf(d[2]));
  EXPECT_TRUE(std::isnan(d[3]));  // 0 / 0
  ArrayFillDouble(&doubles, 1.0);
  ArrayExp(&doubles);
  EXPECT_DOUBLE_EQ(d[3], std::exp(1.0));
  for (ArrayRecord* a : {&source, &destination, &doubles, &counts}) ArrayFree(a);
}

}  // namespace
