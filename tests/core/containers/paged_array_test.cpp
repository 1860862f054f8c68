#include "core/paged_array.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/memory.h"
#include "tests/core/containers/heap_refusal.h"

namespace {

void* PageOf(const PagedArray& a, int64_t p) { return reinterpret_cast<void**>(a.pages.data)[p]; }

int64_t PagesHeld(const PagedArray& a) {
  int64_t n = 0;
  for (int64_t p = 0; p < a.pages.count; ++p) n += PageOf(a, p) != nullptr;
  return n;
}

std::string RecordText(const PagedArray& a, int64_t i) {
  return std::string(reinterpret_cast<const char*>(PagedArrayAt(&a, i)),
                     static_cast<size_t>(a.width));
}

// Records 0 .. n - 1 of 8 bytes "ABCDEFGH" with the first byte raised by the record number.
void FillLetters(PagedArray* a, int64_t n) {
  for (int64_t i = 0; i < n; ++i) {
    uint8_t* r = PagedArrayAtGrow(a, i);
    ASSERT_NE(r, nullptr);
    std::memcpy(r, "ABCDEFGH", 8);
    r[0] = static_cast<uint8_t>('A' + i % 26);
  }
}

TEST(PagedArray, GrowingTakesOnlyThePageOfTheRecord) {
  PagedArray a;
  PagedArrayInit(&a, 16, 0);
  EXPECT_EQ(a.pages.count, 12);
  EXPECT_EQ(PagesHeld(a), 0);
  uint8_t* r = PagedArrayAtGrow(&a, 5000);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(a.count, 5001);
  EXPECT_EQ(PageOf(a, 0), nullptr);
  EXPECT_NE(PageOf(a, 1), nullptr);
  EXPECT_EQ(r, PagedArrayAt(&a, 5000));
  EXPECT_EQ(PagedArrayMemSize(&a), MemAllocatedSize(a.pages.data) + 64 + 16 * 4096);
  ASSERT_NE(PagedArrayAtGrow(&a, 4095), nullptr);
  EXPECT_EQ(PagedArrayAt(&a, 4095), static_cast<uint8_t*>(PageOf(a, 0)) + 4095 * 16);
  EXPECT_EQ(PagedArrayAt(&a, 4096), static_cast<uint8_t*>(PageOf(a, 1)));
  EXPECT_EQ(a.count, 5001);  // a lower record does not change the count
  // Beyond the page table: it grows to half its length + the page + 12.
  ASSERT_NE(PagedArrayAtGrow(&a, 12 * 4096 + 3), nullptr);
  EXPECT_EQ(a.pages.count, 6 + 12 + 12);
  EXPECT_EQ(PagesHeld(a), 3);
  PagedArrayFree(&a);
}

TEST(PagedArray, ReserveAndTruncate) {
  PagedArray a;
  PagedArrayInit(&a, 4, 0);
  ASSERT_TRUE(PagedArrayReserve(&a, 5 * 4096));
  EXPECT_EQ(a.count, 5 * 4096);
  EXPECT_EQ(PagesHeld(a), 5);
  PagedArrayTruncate(&a, 4097);
  EXPECT_EQ(a.count, 4097);
  EXPECT_EQ(PagesHeld(a), 2);
  EXPECT_NE(PageOf(a, 1), nullptr);
  ASSERT_TRUE(PagedArrayReserve(&a, 100));  // never lowers the count
  EXPECT_EQ(a.count, 4097);
  ASSERT_TRUE(PagedArrayReserve(&a, 20 * 4096));  // past the page table
  EXPECT_EQ(a.pages.count, 20);
  EXPECT_EQ(PagesHeld(a), 20);
  EXPECT_FALSE(PagedArraySetWidth(&a, 8));  // not while records exist
  PagedArrayTruncate(&a, 0);
  EXPECT_EQ(PagesHeld(a), 0);
  EXPECT_TRUE(PagedArraySetWidth(&a, 8));
  PagedArrayFree(&a);
}

TEST(PagedArray, FailedGrowthKeepsTheCount) {
  PagedArray a;
  PagedArrayInit(&a, 512, 0);  // 2 MB pages
  ASSERT_NE(PagedArrayAtGrow(&a, 0), nullptr);
  {
    HeapRefusal refusal(RefuseAboveOneMegabyte);
    EXPECT_EQ(PagedArrayAtGrow(&a, 4096), nullptr);
    EXPECT_FALSE(PagedArrayReserve(&a, 3 * 4096));
    EXPECT_EQ(PendingError.request.message, 600);
  }
  EXPECT_EQ(a.count, 1);
  PagedArrayFree(&a);
}

TEST(PagedArray, RecordMoves) {
  PagedArray a;
  PagedArrayInit(&a, 8, 0);
  FillLetters(&a, 5000);
  PagedArraySwapRecords(&a, 1, 4500);
  EXPECT_EQ(RecordText(a, 1), "CBCDEFGH");  // 4500 % 26 = 2
  EXPECT_EQ(RecordText(a, 4500), "BBCDEFGH");
  PagedArrayCopyRecord(&a, 0, 1);
  PagedArrayPutRecord(&a, 2, "12345678");
  char out[8];
  PagedArrayGetRecord(&a, out, 0);
  EXPECT_EQ(std::string(out, 8), "CBCDEFGH");
  EXPECT_EQ(RecordText(a, 2), "12345678");
  PagedArrayFree(&a);
}

TEST(PagedArray, InsertAndRemoveBytesInEveryRecord) {
  PagedArray a;
  PagedArrayInit(&a, 8, 0);
  FillLetters(&a, 5000);
  ASSERT_TRUE(PagedArrayInsertBytes(&a, 4, 2));
  EXPECT_EQ(a.width, 12);
  EXPECT_EQ(RecordText(a, 1), std::string("BB\0\0\0\0CDEFGH", 12));
  EXPECT_EQ(RecordText(a, 4999), std::string("HB\0\0\0\0CDEFGH", 12));
  ASSERT_TRUE(PagedArrayInsertBytes(&a, 1, 12));  // at the end
  EXPECT_EQ(RecordText(a, 0), std::string("AB\0\0\0\0CDEFGH\0", 13));
  ASSERT_TRUE(PagedArrayRemoveBytes(&a, 5, 2));
  ASSERT_TRUE(PagedArrayRemoveBytes(&a, 1, 7));
  EXPECT_EQ(a.width, 7);
  EXPECT_EQ(RecordText(a, 4097), "PBDEFGH");  // 4097 % 26 = 15
  PagedArrayFree(&a);
}

int pageRequests = 0;
bool RefuseSecondPage(size_t size) {
  if (size <= 1024 * 1024) return true;
  return ++pageRequests < 2;
}

TEST(PagedArray, FailedWideningRestoresEveryPage) {
  PagedArray a;
  PagedArrayInit(&a, 300, 0);  // pages of 1.2 MB
  ASSERT_TRUE(PagedArrayReserve(&a, 3 * 4096));
  for (int64_t i = 0; i < a.count; ++i)
    std::memset(PagedArrayAt(&a, i), static_cast<int>(i % 251), 300);
  pageRequests = 0;
  {
    HeapRefusal refusal(RefuseSecondPage);
    EXPECT_FALSE(PagedArrayInsertBytes(&a, 20, 100));
  }
  EXPECT_EQ(a.width, 300);
  for (int64_t i = 0; i < a.count; ++i) {
    const uint8_t* r = PagedArrayAt(&a, i);
    for (int k = 0; k < 300; ++k) ASSERT_EQ(r[k], i % 251) << i << " byte " << k;
  }
  // Narrowing never fails: without new pages the records are rewritten in place.
  {
    HeapRefusal refusal(RefuseAboveOneMegabyte);
    EXPECT_TRUE(PagedArrayRemoveBytes(&a, 100, 0));
  }
  EXPECT_EQ(a.width, 200);
  EXPECT_EQ(PagedArrayAt(&a, 8191)[199], 8191 % 251);
  PagedArrayFree(&a);
}

}  // namespace
