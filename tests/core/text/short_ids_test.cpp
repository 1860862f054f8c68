#include "core/short_ids.h"

#include <gtest/gtest.h>

#include <string>

#include "core/text_buffer.h"

namespace {

std::string Encoded(uint64_t value, int32_t digits) {
  T_TextBuf text;
  EncodeDigits64(&text, value, digits);
  return text.c_str();
}

TEST(ShortIds, DigitsGoLowestFirstAndReadBackFromTheLast) {
  EXPECT_EQ(Encoded(0, 4), "0000");
  EXPECT_EQ(Encoded(65, 4), "1100");  // 65 = 1 + 1 x 64
  EXPECT_EQ(Encoded(10 + 36 * 64, 2), "Aa");
  EXPECT_EQ(Encoded(62 + 63 * 64, 2), "*-");
  EXPECT_EQ(Encoded(64 * 64 * 64 * 64 + 5, 4), "5000");  // bits beyond the digits are dropped
  EXPECT_EQ(DecodeDigits64("1100", 4), 65u);
  EXPECT_EQ(DecodeDigits64("*-", 2), 62u + 63u * 64u);
  EXPECT_EQ(DecodeDigits64("1?1", 3), 1u + 64u * 64u);  // a stranger counts as 0
  EXPECT_EQ(DecodeDigits64(nullptr, 3), 0u);
  for (uint64_t value : {uint64_t{0}, uint64_t{63}, uint64_t{4096}, uint64_t{0xFFFFFC}})
    EXPECT_EQ(DecodeDigits64(Encoded(value, 4).c_str(), 4), value);
}

TEST(ShortIds, NamesHashIgnoringCaseAndDatabasesByFileName) {
  // Worked by hand: "B" hashes to 66 = 2 + 1 x 64, "q" upper-cased to 81 = 17 + 1 x 64.
  T_TextBuf text;
  AppendNameShortId(&text, "b");
  EXPECT_STREQ(text.c_str(), "2100");
  TextBufAssign(&text, "");
  AppendDatabaseShortId(&text, "C:\\one\\Q");
  EXPECT_STREQ(text.c_str(), "H100");
  T_TextBuf other;
  AppendDatabaseShortId(&other, "D:\\two\\q");
  EXPECT_STREQ(other.c_str(), text.c_str());

  // Bytes, not upper case: "a" is 97 = 33 + 1 x 64 under both moduli.
  TextBufAssign(&text, "");
  AppendSevenDigitShortId(&text, "a");
  EXPECT_STREQ(text.c_str(), "X100X10");
}

TEST(ShortIds, CardIdsLeaveOutTheBoundsDefaultNumber) {
  const PackedDate date = PackDate(2024, 3, 15);
  struct Case {
    int32_t sequence;
    int32_t direction;
    int32_t digits;  // after the 3 date digits
  };
  const Case cases[] = {
      {1, -1, 0},  {1, 1, 1}, {kCardSequenceOpen, 1, 0}, {kCardSequenceOpen, -1, 6}, {0, -1, 0},
      {64, -1, 2}, {63, 1, 1}};
  for (const Case& c : cases) {
    CardId id{date, c.sequence};
    T_TextBuf text;
    AppendCardShortId(&text, &id, c.direction);
    ASSERT_EQ(text.length, 3 + c.digits) << c.sequence;
    CardId back = CardIdFromShortId(text.c_str(), text.length, c.direction);
    EXPECT_EQ(back.date, date);
    EXPECT_EQ(back.sequence, c.sequence < 1 ? 1 : c.sequence) << c.sequence;
  }
  EXPECT_EQ(CardIdFromShortId("abc", 3, 1).sequence, kCardSequenceOpen);
}

}  // namespace
