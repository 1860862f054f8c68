#include "core/threads.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cmath>
#include <limits>

#include "core/alert.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(Doubles, ClassifyCompareAndSign) {
  struct Case {
    double value;
    int classification;
    double sign;
  };
  const Case cases[] = {{0.0, 0, 0.0},  {2.5, 1, 1.0},    {-2.5, 2, -1.0},
                        {kInf, 3, 1.0}, {-kInf, 4, -1.0}, {kNaN, 5, 0.0}};
  for (const Case& c : cases) {
    EXPECT_EQ(ClassifyDouble(c.value), c.classification) << c.value;
    EXPECT_EQ(SignOfDouble(c.value), c.sign) << c.value;
  }
  EXPECT_EQ(CompareDouble(kNaN, 1), 1);
  EXPECT_EQ(CompareDouble(1, kNaN), -1);
  EXPECT_EQ(CompareDouble(kNaN, kNaN), 0);
  EXPECT_EQ(CompareDouble(-kInf, 1), -1);
  EXPECT_EQ(CompareDouble(2, 2), 0);
}

TEST(Bytes, CompareIsUnsignedAndMovesOverlap) {
  const unsigned char high[] = {128}, low[] = {0};
  EXPECT_EQ(MemCompare(high, low, 1), 1);
  EXPECT_EQ(MemCompare(low, high, 1), -1);
  const unsigned char a[] = {1, 2, 200}, b[] = {1, 2, 10};
  EXPECT_EQ(MemCompare(a, b, 3), 1);
  EXPECT_EQ(MemCompare(a, b, 2), 0);

  char text[] = "abcdef";
  MemMove(text + 2, text, 3);
  EXPECT_STREQ(text, "ababcf");
  MemMove(text, text + 1, 4);
  EXPECT_STREQ(text, "babccf");
  char x[] = "12", y[] = "34";
  MemSwap(x, y, 2);
  EXPECT_STREQ(x, "34");
  EXPECT_STREQ(y, "12");

  unsigned char word[] = {1, 2, 3, 4};
  Swap32(word);
  EXPECT_EQ(word[0], 4);
  EXPECT_EQ(word[3], 1);
  Swap16(word);
  EXPECT_EQ(word[0], 3);
  EXPECT_EQ(word[1], 4);
}

TEST(VersionClass, MapsWindowsVersions) {
  struct Case {
    unsigned major, minor;
    int versionClass;
  };
  const Case cases[] = {{4, 0, 0}, {5, 0, 1}, {5, 1, 2}, {5, 2, 2},
                        {6, 0, 3}, {6, 1, 4}, {6, 2, 4}, {10, 0, 4}};
  for (const Case& c : cases)
    EXPECT_EQ(OsVersionClassOf(c.major, c.minor), c.versionClass) << c.major << "." << c.minor;
  EXPECT_EQ(OsVersionClass(), 4);  // the test prefix is pinned to Windows 10
}

TEST(Random, FollowsTheMultiplicativeSequence) {
  RandomSeed(1.0);
  EXPECT_DOUBLE_EQ(RandomNext(), 75.0 / 2147483647.0);
  EXPECT_DOUBLE_EQ(RandomNext(), 5625.0 / 2147483647.0);
  for (int i = 0; i < 1000; ++i) {
    double r = RandomNext();
    ASSERT_GE(r, 0.0);
    ASSERT_LT(r, 1.0);
  }
}

uint64_t fakeTicks = 0;
std::atomic<int> tickReads{0};

TEST(Ticks, SleepUntilSpinsWhenLittleRemains) {
  // A fake clock that advances 1 ms per reading: a 5 ms wait must be reached by spinning,
  // never by Sleep (which would not advance the fake clock and hang the test).
  fakeTicks = 1000;
  tickReads = 0;
  SetTickSource([] {
    ++tickReads;
    return fakeTicks++;
  });
  SleepUntil(5, 1000);
  SetTickSource(nullptr);
  EXPECT_GE(fakeTicks, 1005u);
  EXPECT_LT(tickReads.load(), 20);
}

TEST(Ticks, InjectedClockReachesDateNow) {
  SetClockSource([] {
    DateRecord d;
    d.year = 2031, d.month = 4, d.day = 5, d.precision = 5;
    return d;
  });
  EXPECT_EQ(DateNow().year, 2031);
  SetClockSource(nullptr);
  DateRecord now = DateNow();
  EXPECT_GE(now.year, 2024);
  EXPECT_EQ(now.precision, 5);
  uint64_t a = TickCount();
  Sleep(20);
  EXPECT_GE(TickCount(), a + 10);
}

TEST(HeapBlocks, ReserveRefusalLeavesNothingAllocated) {
  PendingErrorClear();
  static int requests;
  requests = 0;
  SetHeapFailHook([](size_t size) {
    ++requests;
    return size != HeapReserveSize(2);
  });
  EXPECT_EQ(HeapBlockAlloc(100, 2), nullptr);
  EXPECT_EQ(requests, 2);  // the block was had, then the reserve refused
  EXPECT_EQ(PendingError.request.message, 600);
  SetHeapFailHook(nullptr);
  PendingErrorClear();
  EXPECT_TRUE(MemCanAlloc(100));
}

struct Handoff {
  MutexRecord mutex;
  EventRecord event;
  std::atomic<bool> ready{false};
  std::atomic<bool> waiterHoldsMutex{false};
};

TEST(Threads, ConditionWaitWakesWithTheMutexHeld) {
  Handoff h;
  ASSERT_TRUE(MutexCreate(&h.mutex));
  ASSERT_TRUE(EventCreate(&h.event));
  std::atomic<bool> finished{false};
  MutexLock(&h.mutex);
  ASSERT_TRUE(ThreadStart(
      [](void* a, void* b) {
        auto* handoff = static_cast<Handoff*>(a);
        MutexLock(&handoff->mutex);
        handoff->ready = true;
        EventSet(&handoff->event);
        MutexUnlock(&handoff->mutex);
        static_cast<std::atomic<bool>*>(b)->store(true);
      },
      &h, &finished));
  while (!h.ready) ConditionWait(&h.event, &h.mutex);
  EXPECT_EQ(h.event.waiting, 0);
  MutexUnlock(&h.mutex);
  while (!finished) Sleep(1);
  EventClose(&h.event);
  MutexClose(&h.mutex);
}

}  // namespace
