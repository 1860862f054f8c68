#include "core/memory.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <vector>

#include "core/alert.h"
#include "core/threads.h"

namespace {

struct SizeCase {
  int64_t size;
  int64_t allocated;
};

TEST(Memory, SizesAndAllocatedSizesAtClassBoundaries) {
  const SizeCase cases[] = {
      {0, 8},     {1, 8},       {6, 8},       {7, 10},        {8, 10},        {128, 130},
      {129, 146}, {4096, 4098}, {4097, 4105}, {32766, 32774}, {32767, 32775}, {100000, 100008},
  };
  for (const SizeCase& c : cases) {
    void* p = MemNew(c.size);
    ASSERT_NE(p, nullptr) << c.size;
    EXPECT_EQ(MemSize(p), c.size);
    EXPECT_EQ(MemAllocatedSize(p), c.allocated) << c.size;
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 16, 0u) << c.size;
    MemFill(p, c.size, 0xA5);  // the whole block is writable
    MemFree(p);
  }
  EXPECT_EQ(MemAllocatedSize(nullptr), 0);
}

TEST(Memory, LargeBlockHeaderForms) {
  // Below 32767 the size sits in the last two header bytes; from 32767 on the whole word holds it.
  for (int64_t size : {4097, 32766, 32767, 32768, 5000000}) {
    auto* p = static_cast<unsigned char*>(MemNew(size));
    ASSERT_NE(p, nullptr);
    uint16_t last;
    std::memcpy(&last, p - 2, 2);
    if (size < 32767) {
      EXPECT_EQ(last, size);
    } else {
      uint64_t word;
      std::memcpy(&word, p - 8, 8);
      EXPECT_EQ(last, 32767);
      EXPECT_EQ(word, static_cast<uint64_t>(size) | 0x7fff000000000000ull);
    }
    MemFree(p);
  }
}

TEST(Memory, FreedSmallBlockIsReusedLastInFirstOut) {
  void* a = MemNew(40);
  void* b = MemNew(40);
  MemFree(a);
  MemFree(b);
  EXPECT_EQ(MemNew(41), b);  // same class
  EXPECT_EQ(MemNew(40), a);
  MemFree(a);
  MemFree(b);
}

TEST(Memory, ChunkRestBecomesAFreeBlockOfItsClass) {
  // Empty the free list of 48-byte slots: the first carved slot shows it is empty.
  for (int64_t before = MemChunkRemaining(); MemChunkRemaining() == before;) MemNew(40);
  // Carve 16-byte and then 4096-byte slots until exactly 48 bytes are left in the chunk.
  while (MemChunkRemaining() % 4096 != 48) MemNew(14);
  char* last = nullptr;
  while (MemChunkRemaining() > 48) last = static_cast<char*>(MemNew(4094));
  ASSERT_EQ(MemChunkRemaining(), 48);
  ASSERT_NE(last, nullptr);
  // A slot that does not fit takes a new chunk; the 48-byte rest goes to its free list.
  while (MemChunkRemaining() == 48) MemNew(2500);
  EXPECT_GT(MemChunkRemaining(), 20000);
  EXPECT_EQ(MemNew(40), last + 4096);
}

TEST(Memory, NoBlockIsSharedAcrossThreads) {
  struct Work {
    std::vector<void*> blocks;
    unsigned char mark;
    std::atomic<int>* done;
  };
  std::atomic<int> done{0};
  Work work[4];
  for (int t = 0; t < 4; ++t)
    work[t].mark = static_cast<unsigned char>(t + 1), work[t].done = &done;
  auto run = [](void* a, void*) {
    auto* w = static_cast<Work*>(a);
    for (int i = 0; i < 20000; ++i) {
      int64_t size = (i * 37) % 300;
      void* p = MemNew(size);
      MemFill(p, size, w->mark);
      if (i % 3 == 0)
        MemFree(p);
      else
        w->blocks.push_back(p);
    }
    ++*w->done;
  };
  for (Work& w : work) ASSERT_TRUE(ThreadStart(run, &w, nullptr));
  while (done < 4) SleepUntil(1, TickCount());
  for (Work& w : work) {
    for (void* p : w.blocks) {
      auto* bytes = static_cast<unsigned char*>(p);
      for (int64_t i = 0; i < MemSize(p); ++i) ASSERT_EQ(bytes[i], w.mark);
      MemFree(p);
    }
  }
}

class MemoryFailure : public ::testing::Test {
 protected:
  void SetUp() override { PendingErrorClear(); }
  void TearDown() override {
    SetHeapFailHook(nullptr);
    PendingErrorClear();
  }
};

TEST_F(MemoryFailure, LargeBlockFailsWhenOnlyTheReserveIsRefused) {
  SetHeapFailHook([](size_t size) { return size != 1024 * 1024; });  // class 1 reserve
  EXPECT_EQ(MemAlloc(10000, 1), nullptr);
  EXPECT_EQ(PendingError.request.message, 600);
  EXPECT_TRUE(AbortRequested());
  PendingErrorClear();
  // Another headroom class tests another reserve and succeeds.
  void* p = MemAlloc(10000, 0);
  EXPECT_NE(p, nullptr);
  EXPECT_FALSE(AbortRequested());
  MemFree(p);
}

TEST_F(MemoryFailure, ResizeKeepsTheOldBlockOnFailure) {
  void* block = MemNew(20);
  std::memcpy(block, "abcdefghijklmnopqrs", 20);
  void* before = block;
  SetHeapFailHook([](size_t) { return false; });
  EXPECT_FALSE(MemResize(&block, 50000, 0));
  EXPECT_EQ(block, before);
  EXPECT_STREQ(static_cast<char*>(block), "abcdefghijklmnopqrs");
  EXPECT_EQ(PendingError.request.message, 600);
  SetHeapFailHook(nullptr);
  EXPECT_TRUE(MemResize(&block, 50000, 0));
  EXPECT_STREQ(static_cast<char*>(block), "abcdefghijklmnopqrs");
  EXPECT_EQ(MemSize(block), 50000);
  EXPECT_TRUE(MemResize(&block, 0, 0));
  EXPECT_EQ(block, nullptr);
}

TEST_F(MemoryFailure, OperatorNewThrowsBadAlloc) {
  SetHeapFailHook([](size_t) { return false; });
  EXPECT_THROW(::operator delete(::operator new(100000)), std::bad_alloc);
}

TEST_F(MemoryFailure, NegativeSizeIsRefused) {
  EXPECT_EQ(MemAlloc(-1, 0), nullptr);
  EXPECT_EQ(PendingError.request.message, 600);
}

TEST(Memory, DuplicationAndAssignment) {
  EXPECT_EQ(MemDup("x", 0), nullptr);
  EXPECT_EQ(MemDupBlock(nullptr), nullptr);
  void* source = MemDup("hello", 6);
  EXPECT_EQ(MemSize(source), 6);
  void* holder = nullptr;
  MemAssignBlock(&holder, source);
  EXPECT_STREQ(static_cast<char*>(holder), "hello");
  void* same = holder;
  std::memcpy(source, "world", 6);
  MemAssignBlock(&holder, source);
  EXPECT_EQ(holder, same);  // same size: copied in place
  EXPECT_STREQ(static_cast<char*>(holder), "world");
  MemAssignBytes(&holder, "abc", 4);
  EXPECT_EQ(MemSize(holder), 4);
  MemAssignBlock(&holder, nullptr);
  EXPECT_EQ(holder, nullptr);
  MemFree(source);
  MemFree(nullptr);
}

}  // namespace
