#include "core/hash_index.h"

#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <string>

#include "core/memory.h"

namespace {

struct Record {
  std::string key;
};

const char* KeyOf(const void* record) { return static_cast<const Record*>(record)->key.c_str(); }

class HashIndexTest : public ::testing::Test {
 protected:
  void Init(int32_t kind, int64_t n = 0) { ASSERT_TRUE(HashIndexInit(&index, n, 0, KeyOf, kind)); }
  void TearDown() override { HashIndexFree(&index); }
  Record* Add(const std::string& key) {
    records.push_back(Record{key});
    return &records.back();
  }

  HashIndex index;
  std::deque<Record> records;  // addresses stay put
};

TEST(HashSizes, PrimeSizesAndPrimality) {
  const struct {
    int64_t keys, slots;
  } sizes[] = {{0, 1031}, {1, 1031}, {2, 1031}, {10, 1049}, {1024, 2819}};
  for (const auto& c : sizes) EXPECT_EQ(HashIndexPrimeSize(c.keys), c.slots) << c.keys;

  const struct {
    int64_t n;
    bool prime;
  } primes[] = {{0, true},     {3, true},       {4, false},
                {5, true},     {9, false},      {31, true},
                {35, false},   {37, true},      {49, false},
                {961, false},  {1369, false},   {3721, false},
                {1031, true},  {1049, true},    {2819, true},
                {4489, false}, {1000003, true}, {999983LL * 999979LL, false}};
  for (const auto& c : primes) EXPECT_EQ(IsPrime(c.n), c.prime) << c.n;
  EXPECT_EQ(NextPrime(1024), 1031);
  EXPECT_EQ(NextPrime(1031), 1033);
  EXPECT_EQ(NextPrime(1032), 1033);
}

TEST(HashFunctions, KnownValues) {
  const struct {
    const char* key;
    uint64_t m, keyHash, strHash;
  } bytes[] = {
      {"", 1031, 0, 0},
      {"A", 1031, 65, 65},
      {"AB", 1031, 210, 210},
      {"AB", 70001, 16706, 16706},
      {"ABC", 1031, 215, 215},
      {"ABCD", 1031, 178, 465},
      {"ABCDE", 1031, 247, 544},
      {"ABCDE", 70001, 14877, 14877},
      {"settings.key", 1031, 878, 718},
  };
  for (const auto& c : bytes) {
    EXPECT_EQ(KeyHash(c.key, c.m), c.keyHash) << c.key << " mod " << c.m;
    EXPECT_EQ(StrHash(c.key, c.m), c.strHash) << c.key << " mod " << c.m;
  }
  const struct {
    const char* key;
    uint64_t m, hash;
  } noCase[] = {{"a", 1031, 65},      {"ab", 1031, 210},       {"abcd", 1031, 79},
                {"aBcDe", 1031, 999}, {"abcde", 70001, 14877}, {"\xC3\x84rger", 1031, 202}};
  for (const auto& c : noCase)
    EXPECT_EQ(KeyHashNoCase(c.key, c.m), c.hash) << c.key << " mod " << c.m;
  EXPECT_EQ(StrHashNoCase("abCD", 1031), StrHash("ABCD", 1031));

  EXPECT_EQ(KeyStep("ab\xff"), 255u);
  EXPECT_EQ(KeyStepNoCase("xa"), uint64_t{'A'});
  EXPECT_EQ(KeyStepNoCase("x\xD0\x80"), 1u);  // U+0400 masks to 0
  EXPECT_EQ(DoubleStep(1.0), 1u);             // 3FF0000000000000: byte 5 is 0
  EXPECT_EQ(DoubleStep(1.5), 1u);
  EXPECT_EQ(DoubleStep(1.0 + 1.0 / 4096), 2u);  // 3FF0010000000000
  EXPECT_EQ(DoubleHash(-2.0, 1031), DoubleHash(2.0, 1031));
}

TEST_F(HashIndexTest, DuplicateKeysAndExactRemoval) {
  Init(kKeyKindBytes);
  Record* first = Add("dup");
  Record* second = Add("dup");
  Record* other = Add("other");
  for (Record* r : {first, second, other}) ASSERT_TRUE(HashIndexInsert(&index, r));
  EXPECT_EQ(index.entryCount, 3);
  EXPECT_EQ(HashIndexFind(&index, "dup"), first);  // met first on the sequence

  // The record itself is removed, not the first one with its key.
  ASSERT_TRUE(HashIndexRemove(&index, second));
  EXPECT_EQ(HashIndexFind(&index, "dup"), first);

  // Its deleted slot is passed over by searches and reused by the next insert.
  Record* third = Add("dup");
  ASSERT_TRUE(HashIndexRemove(&index, first));
  ASSERT_TRUE(HashIndexInsert(&index, second));
  ASSERT_TRUE(HashIndexInsert(&index, third));
  EXPECT_EQ(HashIndexFind(&index, "dup"), second);

  // A record that is not in the index removes the first one with an equal key.
  Record* stranger = Add("dup");
  ASSERT_TRUE(HashIndexRemove(&index, stranger));
  EXPECT_EQ(HashIndexFind(&index, "dup"), third);
  EXPECT_EQ(index.entryCount, 2);
  EXPECT_EQ(HashIndexFind(&index, "other"), other);
}

TEST_F(HashIndexTest, KeysWithoutCase) {
  Init(0);
  Record* abc = Add("aBC");
  Record* umlaut = Add("\xC3\xA4rger");  // "ärger"
  ASSERT_TRUE(HashIndexInsert(&index, abc));
  ASSERT_TRUE(HashIndexInsert(&index, umlaut));
  EXPECT_EQ(HashIndexFind(&index, "Abc"), abc);
  EXPECT_EQ(HashIndexFind(&index, "\xC3\x84RGER"), umlaut);
  EXPECT_EQ(HashIndexFind(&index, "abd"), nullptr);
  // Keys ending in U+0400 or U+0800 would step by 0 and never move on.
  for (const char* key : {"x\xD0\x80", "\xE0\xA0\x80"}) {
    Record* same[5];
    for (Record*& r : same) {
      r = Add(key);
      ASSERT_TRUE(HashIndexInsert(&index, r));
    }
    for (Record* r : same) {
      EXPECT_EQ(HashIndexFind(&index, key), r);
      ASSERT_TRUE(HashIndexRemove(&index, r));
    }
    EXPECT_EQ(HashIndexFind(&index, key), nullptr);
  }
}

// The one-pass prefix search answers what dropping one character at a time and looking up
// each rest would, for both key kinds and for slot counts on both sides of 65536 (the hashes
// change form there).
TEST_F(HashIndexTest, LongestPrefixAgreesWithLookingUpEveryPrefix) {
  const char* stored[] = {"A", "AB", "ABC1", "ab9", "X", "\xC3\x85", "\xC3\x85\xC3\x84Z",
                          "\xC3\xA5\xC3\xA4q", "1234567", "12", "7777777777"};
  const char* keys[] = {"A", "AB", "ABC", "ABC12", "abc12", "ab99", "AB9x", "Xyz", "x",
                        "\xC3\x85\xC3\x84Z1", "\xC3\xA5\xC3\xA4Z1", "\xC3\x85\xC3\x84q2",
                        "\xC3\xA5\xC3\xA4", "123456789", "1234567", "77777777777", "Q", "",
                        "7777777777777777777777777777"};
  for (int32_t kind : {kKeyKindBytes, 0}) {
    for (int64_t size : {int64_t{0}, int64_t{40000}}) {
      HashIndexFree(&index);
      index = HashIndex{};
      Init(kind, size);
      for (const char* key : stored) ASSERT_TRUE(HashIndexInsert(&index, Add(key)));
      for (const char* key : keys) {
        void* expected = nullptr;
        std::string prefix = key;
        while (!prefix.empty() && expected == nullptr) {
          uint8_t dropped;
          do {
            dropped = static_cast<uint8_t>(prefix.back());
            prefix.pop_back();
          } while (!prefix.empty() && (dropped & 0xC0) == 0x80);
          expected = prefix.empty() ? nullptr : HashIndexFind(&index, prefix.c_str());
        }
        EXPECT_EQ(HashIndexFindLongestPrefix(&index, key), expected)
            << "kind " << kind << ", " << index.slotCount << " slots, key " << key;
      }
    }
  }
}

TEST_F(HashIndexTest, EmptyKeysAreNeitherStoredNorFound) {
  Init(kKeyKindBytes);
  EXPECT_FALSE(HashIndexInsert(&index, Add("")));
  EXPECT_EQ(index.entryCount, 0);
  EXPECT_EQ(HashIndexFind(&index, ""), nullptr);
  EXPECT_EQ(HashIndexFind(&index, nullptr), nullptr);
}

TEST_F(HashIndexTest, FullTableEndsEverySearch) {
  Init(kKeyKindBytes);
  ASSERT_EQ(index.slotCount, 1031);
  EXPECT_EQ(index.fillLimit, 1031 - 128);
  for (int i = 0; i < 1031; ++i)
    ASSERT_TRUE(HashIndexInsert(&index, Add("k" + std::to_string(i)))) << i;
  EXPECT_FALSE(HashIndexInsert(&index, Add("one more")));
  EXPECT_EQ(HashIndexFind(&index, "absent"), nullptr);
  EXPECT_EQ(HashIndexFind(&index, "k1030"), &records[1030]);
  for (int i = 0; i < 1031; ++i)
    ASSERT_TRUE(HashIndexRemove(&index, &records[static_cast<size_t>(i)]));
  EXPECT_EQ(HashIndexFind(&index, "k5"), nullptr);  // every slot deleted, none empty
  EXPECT_FALSE(HashIndexRemove(&index, &records[5]));
}

TEST_F(HashIndexTest, ResetResizesAndEmpties) {
  Init(kKeyKindBytes);
  for (int i = 0; i < 900; ++i) ASSERT_TRUE(HashIndexInsert(&index, Add(std::to_string(i))));
  ASSERT_TRUE(HashIndexReset(&index, 3 * 900));
  EXPECT_EQ(index.slotCount, HashIndexPrimeSize(2700));
  EXPECT_EQ(index.entryCount, 0);
  EXPECT_EQ(HashIndexFind(&index, "5"), nullptr);
  for (Record& r : records) ASSERT_TRUE(HashIndexInsert(&index, &r));
  for (int i = 0; i < 900; ++i)
    EXPECT_EQ(HashIndexFind(&index, std::to_string(i).c_str()), &records[static_cast<size_t>(i)]);
  EXPECT_EQ(HashIndexMemSize(&index), MemAllocatedSize(index.slots.data) + 80);
}

}  // namespace
