#include "core/timed_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/threads.h"

namespace {

uint64_t now = 0;
uint64_t FakeTicks() { return now; }

std::vector<std::string> changes;  // "kind key A B"
void RecordChange(const TimedTableChange* c) {
  changes.push_back(std::to_string(c->kind) + " " + (c->key ? c->key : "-") + " " +
                    (c->textA ? c->textA : "-") + " " + (c->textB ? c->textB : "-"));
}

class TimedTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    now = 1000;
    changes.clear();
    SetTickSource(FakeTicks);
    TimedTableInit(&table, 500, RecordChange);
  }
  void TearDown() override {
    TimedTableFree(&table);
    SetTickSource(nullptr);
  }
  // "A|B" of the entry, or "absent".
  std::string Get(const char* key) {
    T_TextBuf a, b;
    bool found = TimedTableGet(&table, key, &a, &b);
    return found ? std::string(a.c_str()) + "|" + b.c_str() : "absent";
  }

  TimedTable table;
};

TEST_F(TimedTableTest, EntriesBecomeActiveWhenTextBIsSet) {
  TimedTableSet(&table, "s1", "user", nullptr);
  TimedTableSet(&table, "s2", "other", "db");
  TimedTableSet(&table, "s1", "user", "db1");
  TimedTableSet(&table, "s1", "user", "db2");  // already active
  TimedTableSet(&table, "s1", "user", "");
  TimedTableSet(&table, "s1", "user", "db3");
  EXPECT_EQ(changes, (std::vector<std::string>{"0 s2 other db", "0 s1 user db1", "0 s1 user db3"}));
  EXPECT_EQ(table.count, 2);
  EXPECT_EQ(Get("s1"), "user|db3");
  EXPECT_EQ(Get("s3"), "absent");
}

TEST_F(TimedTableTest, EntriesExpireAfterTheMaximumAge) {
  TimedTableSet(&table, "old", "a", "b");
  TimedTableSet(&table, "quiet", "a", nullptr);
  now += 300;
  TimedTableSet(&table, "young", "a", "b");
  now += 200;  // "old" is exactly the maximum age: still there
  EXPECT_EQ(Get("old"), "a|b");
  changes.clear();
  now += 1;
  TimedTableTouch(&table, "young");
  EXPECT_EQ(Get("old"), "absent");
  EXPECT_EQ(Get("quiet"), "absent");
  EXPECT_EQ(changes, (std::vector<std::string>{"1 old a b"}));  // "quiet" had no text B
  now += 500;
  EXPECT_EQ(Get("young"), "a|b");  // the touch restarted its age
}

TEST_F(TimedTableTest, RemoveAtMovesTheLastEntryIn) {
  for (const char* key : {"a", "b", "c", "d"}) TimedTableSet(&table, key, key, nullptr);
  TimedTableRemoveAt(&table, 1);
  TimedTableRemove(&table, "a");
  TimedTableRemove(&table, "missing");
  EXPECT_EQ(table.count, 2);
  const char* keys[2] = {reinterpret_cast<TimedRecord*>(PagedArrayAt(&table.records, 0))->key,
                         reinterpret_cast<TimedRecord*>(PagedArrayAt(&table.records, 1))->key};
  EXPECT_STREQ(keys[0], "c");
  EXPECT_STREQ(keys[1], "d");
  // A null key is the empty key.
  TimedTableSet(&table, nullptr, "x", nullptr);
  EXPECT_EQ(Get(""), "x|");
}

TEST(TimedTable, ZeroAgeMeansTwentyMinutes) {
  TimedTable table;
  TimedTableInit(&table, 0, nullptr);
  EXPECT_EQ(table.maximumAge, 1200000);
  TimedTableFree(&table);
}

}  // namespace
