#include "core/packed_date.h"

#include <gtest/gtest.h>

#include <string>

#include "core/threads.h"

namespace {

DateRecord fixedNow;
DateRecord FixedClock() { return fixedNow; }

// Pins "today" for the duration of a test.
class TodayIs {
 public:
  TodayIs(int year, int month, int day, int hour = 0, int minute = 0) {
    fixedNow = DateRecord{};
    fixedNow.year = static_cast<int16_t>(year);
    fixedNow.month = static_cast<int16_t>(month);
    fixedNow.day = static_cast<int16_t>(day);
    fixedNow.hour = static_cast<int16_t>(hour);
    fixedNow.minute = static_cast<int16_t>(minute);
    fixedNow.precision = 5;
    SetClockSource(FixedClock);
  }
  ~TodayIs() { SetClockSource(nullptr); }
};

// Keeps the process-wide date style of one test from leaking into the next.
class WithDateStyle {
 public:
  explicit WithDateStyle(int style) : saved_(DateStyleGet()) { DateStyleSet(style); }
  ~WithDateStyle() { DateStyleSet(saved_); }

 private:
  int saved_;
};

std::string Text(void (*writer)(char**, PackedDate), PackedDate date) {
  char buffer[64];
  char* cursor = buffer;
  writer(&cursor, date);
  return std::string(buffer, cursor);
}

std::string IdText(const CardId& id) {
  char buffer[40];
  FormatCardIdCStr(buffer, &id);
  return buffer;
}

CardId Id(int year, int month, int day, int sequence) {
  return CardId{PackDate(year, month, day), sequence};
}

TEST(PackedDate, DayNumbersCountFrom1900WithItsLeapDay) {
  struct Case {
    PackedDate date;
    int dayNumber;
  };
  const Case cases[] = {
      {PackDate(1900, 1, 1), 0},   {PackDate(1900, 2, 29), 59},    {PackDate(1900, 3, 1), 60},
      {PackDate(1901, 1, 1), 366}, {PackDate(2000, 2, 29), 36584}, {PackDate(2069, 12, 31), 62092},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PackedDateToDayNumber(c.date), c.dayNumber) << c.date;
    EXPECT_EQ(dayNumberToDate(c.dayNumber), c.date) << c.dayNumber;
  }
  // Every day of the supported range survives the round trip, and consecutive day numbers are
  // consecutive days.
  for (int n = 0; n <= 62092; n++) {
    PackedDate date = dayNumberToDate(n);
    ASSERT_EQ(PackedDateToDayNumber(date), n);
    if (n > 59) {
      ASSERT_EQ(PackedDateNextDay(dayNumberToDate(n - 1)), date) << n;
    }
  }
  EXPECT_EQ(dayNumberToDate(-5), PackDate(1900, 1, 1));
  // Numbers and dates far out of range (a damaged file) are held, never wrapped.
  EXPECT_EQ(dayNumberToDate(2147483647), PackDate(2069, 12, 31));
  EXPECT_EQ(PackedDateToDayNumber(0xFFFFFFFFu), 2147483647);
}

TEST(PackedDate, StepsAndMonthArithmetic) {
  EXPECT_EQ(PackedDateNextDay(PackDate(2024, 12, 31)), PackDate(2025, 1, 1));
  EXPECT_EQ(PackedDateNextDay(PackDate(2000, 2, 28)), PackDate(2000, 2, 29));
  EXPECT_EQ(PackedDateNextDay(PackDate(2025, 2, 28)), PackDate(2025, 3, 1));
  EXPECT_EQ(PackedDateNextDay(PackDate(1900, 2, 28)),
            PackDate(1900, 3, 1));  // Gregorian: no 1900-02-29
  EXPECT_EQ(PackedDatePrevDay(PackDate(2025, 3, 1)), PackDate(2025, 2, 28));
  EXPECT_EQ(PackedDatePrevDay(PackDate(2025, 1, 1)), PackDate(2024, 12, 31));
  EXPECT_EQ(PackedDatePrevDay(PackDate(1900, 1, 1)), 0u);
  EXPECT_EQ(PackedDateDaysInMonth(PackDate(1900, 2, 1)), 28);
  EXPECT_EQ(PackedDateDaysInMonth(PackDate(2024, 2, 1)), 29);

  EXPECT_EQ(PackedDateAddMonths(PackDate(2025, 1, 31), 0, 1), PackDate(2025, 2, 28));
  EXPECT_EQ(PackedDateAddMonths(PackDate(2025, 1, 31), 0, -2), PackDate(2024, 11, 30));
  EXPECT_EQ(PackedDateAddMonths(PackDate(2024, 2, 29), 1, 0), PackDate(2025, 2, 28));
  EXPECT_EQ(PackedDateAddMonths(PackDate(2069, 6, 15), 5, 0), PackDate(2069, 12, 15));
  EXPECT_EQ(PackedDateAddMonths(PackDate(1900, 6, 15), 0, -24), PackDate(1900, 1, 15));

  EXPECT_EQ(PackedDateWeekday(PackDate(2025, 3, 7)), 4);  // a Friday
  EXPECT_EQ(PackedDateWeekday(PackDate(1900, 1, 1)), 0);
  EXPECT_EQ(PackedDateWeekday(PackDate(2069, 12, 31)), 1);
}

TEST(PackedDate, CompareSortsTheEmptyDateLast) {
  PackedDate a = PackDate(2025, 1, 1), b = PackDate(2025, 1, 2);
  EXPECT_EQ(PackedDateCompare(a, b, 0), -1);
  EXPECT_EQ(PackedDateCompare(a, b, 1), 1);
  EXPECT_EQ(PackedDateCompare(a, a, 1), 0);
  EXPECT_EQ(PackedDateCompare(0, a, 0), 1);
  EXPECT_EQ(PackedDateCompare(0, a, 1), 1);
  EXPECT_EQ(PackedDateCompare(a, 0, 1), -1);
}

TEST(DateText, EveryStyleWritesItsForms) {
  struct Case {
    int style;
    const char* date;
    const char* late;  // 2061-11-23, after the old year limit
    const char* month;
    const char* dayRange;    // 2025-03-07 .. 2025-03-19
    const char* monthRange;  // 2025-03 .. 2025-11
  };
  const Case cases[] = {
      {0, "250307", "611123", "2503", "250307-19", "2503-11"},
      {1, "2025.03.07", "2061.11.23", "2025.03", "2025.03.07-19", "2025.03-11"},
      {2, "2025-03-07", "2061-11-23", "2025-03", "2025-03-07..19", "2025-03..11"},
      {3, "07.03.25", "23.11.61", "03.25", "07-19.03.25", "03-11.25"},
      {4, "07.03.2025", "23.11.2061", "03.2025", "07-19.03.2025", "03-11.2025"},
      {5, "7.3.2025", "23.11.2061", "3.2025", "7-19.3.2025", "3-11.2025"},
      {6, "03/07/25", "11/23/61", "03/25", "03/07-03/19/25", "03-11/25"},
      {7, "03/07/2025", "11/23/2061", "03/2025", "03/07-03/19/2025", "03-11/2025"},
  };
  const PackedDate date = PackDate(2025, 3, 7), late = PackDate(2061, 11, 23);
  for (const Case& c : cases) {
    WithDateStyle style(c.style);
    char buffer[40];
    FormatDateCurrentStyleCStr(buffer, date);
    EXPECT_STREQ(buffer, c.date) << c.style;
    FormatDateCurrentStyleCStr(buffer, late);
    EXPECT_STREQ(buffer, c.late) << c.style;
    FormatMonthCStr(buffer, date);
    EXPECT_STREQ(buffer, c.month) << c.style;
    FormatDayRangeCStr(buffer, date, PackDate(2025, 3, 19));
    EXPECT_STREQ(buffer, c.dayRange) << c.style;
    FormatMonthRangeCStr(buffer, date, PackDate(2025, 11, 30));
    EXPECT_STREQ(buffer, c.monthRange) << c.style;
    // One month alone is written as that month.
    FormatMonthRangeCStr(buffer, date, PackDate(2025, 3, 31));
    EXPECT_STREQ(buffer, c.month) << c.style;
    EXPECT_EQ(DateStyleLetter(c.style), "STWFGHUV"[c.style]);
    int parsed = -1;
    EXPECT_EQ(ParseDateStyleLetter("STWFGHUV"[c.style], &parsed), c.style);
    EXPECT_EQ(parsed, c.style);
  }
  int untouched = 3;
  EXPECT_EQ(ParseDateStyleLetter('X', &untouched), -1);
  EXPECT_EQ(untouched, 3);
  EXPECT_EQ(Text(FormatDateCurrentStyle, 0), "");
  T_TextBuf text;
  FormatPackedDateBuf(&text, PackDate(2069, 12, 31));
  EXPECT_STREQ(text.c_str(), "691231");
}

TEST(DateText, ParseCompletesMissingDigitsToEitherBound) {
  struct Case {
    const char* text;
    PackedDate lower;
    PackedDate upper;
  };
  const Case cases[] = {
      {"", 0, 0},
      {"x-", 0, 0},
      {"2", PackDate(2020, 1, 1), PackDate(2029, 12, 31)},
      {"6", PackDate(2060, 1, 1), PackDate(2069, 12, 31)},
      {"7", PackDate(1970, 1, 1), PackDate(1979, 12, 31)},
      {"99", PackDate(1999, 1, 1), PackDate(1999, 12, 31)},
      {"69", PackDate(2069, 1, 1), PackDate(2069, 12, 31)},
      {"70", PackDate(1970, 1, 1), PackDate(1970, 12, 31)},
      {"250", PackDate(2025, 1, 1), PackDate(2025, 9, 30)},
      {"251", PackDate(2025, 10, 1), PackDate(2025, 12, 31)},
      {"2502", PackDate(2025, 2, 1), PackDate(2025, 2, 28)},
      {"2402", PackDate(2024, 2, 1), PackDate(2024, 2, 29)},
      {"25030", PackDate(2025, 3, 1), PackDate(2025, 3, 9)},
      {"25033", PackDate(2025, 3, 30), PackDate(2025, 3, 31)},
      {"25043", PackDate(2025, 4, 30), PackDate(2025, 4, 30)},
      {"25.03.07", PackDate(2025, 3, 7), PackDate(2025, 3, 7)},
      {"2513400", PackDate(2025, 12, 31), PackDate(2025, 12, 31)},  // month and day clamped
      {"250200", PackDate(2025, 2, 1), PackDate(2025, 2, 1)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParsePackedDate(c.text, -1, -1), c.lower) << c.text;
    EXPECT_EQ(ParsePackedDate(c.text, -1, 1), c.upper) << c.text;
  }
  EXPECT_EQ(ParsePackedDate("250307", 4, -1), PackDate(2025, 3, 1));  // the length is respected
  EXPECT_EQ(ParsePackedDate(nullptr, 5, 1), 0u);
}

TEST(DateText, TwoDigitYearsRoundTripAcrossTheWindow) {
  const PackedDate dates[] = {PackDate(1970, 1, 1), PackDate(1999, 12, 31), PackDate(2000, 2, 29),
                              PackDate(2028, 1, 1), PackDate(2069, 12, 31)};
  for (PackedDate date : dates) {
    char digits[8];
    FormatPackedDateDigits(digits, date);
    EXPECT_EQ(ParsePackedDate(digits, -1, 0), date) << digits;
    CardId id{date, 42}, back;
    parseDate(&back, IdText(id).c_str(), -1, 0);
    EXPECT_TRUE(CardIdEqual(&back, &id)) << IdText(id);
  }
}

TEST(CardIds, ParseReadsDateAndSequence) {
  struct Case {
    const char* text;
    int bound;
    CardId expected;
  };
  const Case cases[] = {
      {"250307-12", 0, Id(2025, 3, 7, 12)},
      {"2503", 1, Id(2025, 3, 31, kCardSequenceOpen)},
      {"2503", -1, Id(2025, 3, 1, 1)},
      {"99", -1, Id(1999, 1, 1, 1)},
      {"2502", 1, Id(2025, 2, 28, kCardSequenceOpen)},
      {"250307", 0, Id(2025, 3, 7, 1)},
      {"250307-", 1, Id(2025, 3, 7, kCardSequenceOpen)},
      {"250307-0", 1, Id(2025, 3, 7, 1)},  // a sequence is at least 1
      {"2503-5", -1, Id(2025, 3, 1, 5)},   // a "-" ends the date part early
      {"280101-3", 0, Id(2028, 1, 1, 3)},
      {"", 1, CardId{0, 0}},
  };
  for (const Case& c : cases) {
    CardId id{123, 456};
    parseDate(&id, c.text, -1, c.bound);
    EXPECT_TRUE(CardIdEqual(&id, &c.expected)) << c.text << " gave " << IdText(id);
  }
}

TEST(CardIds, TextsAndDigitForms) {
  EXPECT_EQ(IdText(Id(2025, 3, 7, 12)), "250307-12");
  EXPECT_EQ(IdText(CardId{0, 5}), "");
  struct Case {
    int sequence;
    int digits;
    const char* text;
  };
  const Case cases[] = {
      {7, 3, "250307-007"}, {1234, 3, "250307-999"}, {kCardSequenceOpen, 4, "250307-9999"},
      {5, 0, "250307-5"},   {12, 1, "250307-9"},     {12, 12, "250307-000000000012"}};
  for (const Case& c : cases) {
    T_TextBuf text("old");
    CardId id = Id(2025, 3, 7, c.sequence);
    FormatCardIdToString(&text, &id, c.digits);
    EXPECT_STREQ(text.c_str(), c.text) << c.sequence << "/" << c.digits;
  }
  EXPECT_EQ(MaxValueOfDigits(0), 1);
  EXPECT_EQ(MaxValueOfDigits(9), 999999999);
}

TEST(CardIds, OrderAndRange) {
  CardId a = Id(2025, 3, 7, 2), b = Id(2025, 3, 7, 3), c = Id(2025, 3, 8, 1);
  EXPECT_TRUE(CardIdLess(&a, &b));
  EXPECT_TRUE(CardIdLess(&b, &c));
  EXPECT_FALSE(CardIdLess(&b, &b));
  EXPECT_TRUE(CardIdLessEqual(&b, &b));
  EXPECT_TRUE(CardIdGreater(&c, &a));
  EXPECT_TRUE(CardIdGreaterEqual(&c, &c));
  EXPECT_TRUE(CardIdNotEqual(&a, &b));
  EXPECT_TRUE(CardIdInRange(&a, &a, &c));
  EXPECT_TRUE(CardIdInRange(&c, &a, &c));
  EXPECT_FALSE(CardIdInRange(&a, &b, &c));
}

TEST(CardIds, StepAcrossDayMonthAndYearEnds) {
  struct Case {
    CardId from;
    CardId next;
  };
  const Case cases[] = {
      {Id(2025, 3, 31, kCardSequenceOpen), Id(2025, 4, 1, 1)},
      {Id(2024, 12, 31, kCardSequenceOpen), Id(2025, 1, 1, 1)},
      {Id(2024, 2, 28, kCardSequenceOpen), Id(2024, 2, 29, 1)},
      {Id(2025, 3, 7, 4), Id(2025, 3, 7, 5)},
  };
  for (const Case& c : cases) {
    CardId id = c.from;
    CardIdNext(&id);
    EXPECT_TRUE(CardIdEqual(&id, &c.next)) << IdText(c.from) << " -> " << IdText(id);
  }
  CardId id = Id(2025, 1, 1, 1);
  CardIdPrev(&id);
  CardId expected = Id(2024, 12, 31, kCardSequenceOpen);
  EXPECT_TRUE(CardIdEqual(&id, &expected));
  id = Id(2025, 4, 1, 0);
  CardIdPrev(&id);
  expected = Id(2025, 3, 31, kCardSequenceOpen);
  EXPECT_TRUE(CardIdEqual(&id, &expected));
  id = Id(2025, 3, 7, 9);
  CardIdPrev(&id);
  expected = Id(2025, 3, 7, 8);
  EXPECT_TRUE(CardIdEqual(&id, &expected));
}

TEST(CardIds, PeriodBoundsRelativeToToday) {
  struct Case {
    const char* what;
    void (*bound)(CardId*, int32_t, int32_t);
    int offset;
    PackedDate lower;
    PackedDate upper;
  };
  const Case cases[] = {
      {"today", CardIdToday, 0, PackDate(2025, 3, 7), PackDate(2025, 3, 7)},
      {"in 30 days", CardIdToday, 30, PackDate(2025, 4, 6), PackDate(2025, 4, 6)},
      {"this week", CardIdThisWeek, 0, PackDate(2025, 3, 3), PackDate(2025, 3, 9)},
      {"last week", CardIdThisWeek, -1, PackDate(2025, 2, 24), PackDate(2025, 3, 2)},
      {"next month", CardIdThisMonth, 1, PackDate(2025, 4, 1), PackDate(2025, 4, 30)},
      {"month -3", CardIdThisMonth, -3, PackDate(2024, 12, 1), PackDate(2024, 12, 31)},
      {"quarter", CardIdThisQuarter, 0, PackDate(2025, 1, 1), PackDate(2025, 3, 31)},
      {"quarter -1", CardIdThisQuarter, -1, PackDate(2024, 10, 1), PackDate(2024, 12, 31)},
      {"year +3", CardIdThisYear, 3, PackDate(2028, 1, 1), PackDate(2028, 12, 31)},
      {"year +100", CardIdThisYear, 100, PackDate(2069, 1, 1), PackDate(2069, 12, 31)},
      {"month +1000", CardIdThisMonth, 1000, PackDate(2069, 12, 1), PackDate(2069, 12, 31)},
      {"quarter -1000", CardIdThisQuarter, -1000, PackDate(1900, 1, 1), PackDate(1900, 3, 31)},
      {"days -99999", CardIdToday, -99999, PackDate(1900, 1, 1), PackDate(1900, 1, 1)},
  };
  TodayIs today(2025, 3, 7);
  for (const Case& c : cases) {
    CardId id;
    c.bound(&id, -1, c.offset);
    EXPECT_EQ(id.date, c.lower) << c.what;
    EXPECT_EQ(id.sequence, 1) << c.what;
    c.bound(&id, 1, c.offset);
    EXPECT_EQ(id.date, c.upper) << c.what;
    EXPECT_EQ(id.sequence, kCardSequenceOpen) << c.what;
  }
  CardId id;
  CardIdAddDays(&id, 1, PackDate(2069, 12, 30), 5);
  EXPECT_EQ(id.date, PackDate(2069, 12, 31));
  CardIdAddDays(&id, -1, 0, 5);
  EXPECT_EQ(id.date, 0u);
}

TEST(CardIds, TodayAfter2027DoesNotWrap) {
  {
    TodayIs today(2031, 7, 15, 9, 41);
    EXPECT_EQ(PackedDateToday(), PackDate(2031, 7, 15));
    CardId id;
    CardIdThisYear(&id, 1, 0);
    EXPECT_EQ(id.date, PackDate(2031, 12, 31));
    EXPECT_EQ(TimeStampNow(), PackTimeStamp(2031, 7, 15, 9, 41));
  }
  TodayIs beyond(2080, 1, 1);
  EXPECT_EQ(PackedDateToday(), PackDate(2069, 12, 31));
}

TEST(TimeStamps, TextsAndParseCompletion) {
  PackedTimeStamp stamp = PackTimeStamp(2025, 3, 7, 14, 5);
  char buffer[40];
  char* cursor = buffer;
  FormatTimeStamp(&cursor, stamp);
  EXPECT_EQ(std::string(buffer, cursor), "250307 14:05");
  cursor = buffer;
  FormatTimeStampCompact(&cursor, stamp);
  EXPECT_EQ(std::string(buffer, cursor), "2503071405");
  cursor = buffer;
  FormatTimeStamp(&cursor, 0);
  EXPECT_EQ(cursor, buffer);

  struct Case {
    const char* text;
    PackedTimeStamp lower;
    PackedTimeStamp upper;
  };
  const Case cases[] = {
      {"250307 14:05", stamp, stamp},
      {"250307", PackTimeStamp(2025, 3, 7, 0, 0), PackTimeStamp(2025, 3, 7, 23, 59)},
      {"2503072", PackTimeStamp(2025, 3, 7, 20, 0), PackTimeStamp(2025, 3, 7, 23, 59)},
      {"2503071", PackTimeStamp(2025, 3, 7, 10, 0), PackTimeStamp(2025, 3, 7, 19, 59)},
      {"250307143", PackTimeStamp(2025, 3, 7, 14, 30), PackTimeStamp(2025, 3, 7, 14, 39)},
      {"2503079977", PackTimeStamp(2025, 3, 7, 23, 59), PackTimeStamp(2025, 3, 7, 23, 59)},
      {"6912312359", PackTimeStamp(2069, 12, 31, 23, 59), PackTimeStamp(2069, 12, 31, 23, 59)},
      {"", 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseTimeStamp(c.text, -1, -1), c.lower) << c.text;
    EXPECT_EQ(ParseTimeStamp(c.text, -1, 1), c.upper) << c.text;
  }
}

TEST(SignatureStamps, TextsRoundTrip) {
  struct Case {
    SignatureStamp stamp;
    const char* text;
    const char* compact;
  };
  const Case cases[] = {
      {{PackTimeStamp(2025, 3, 7, 14, 5), "ABC"}, "250307 14:05 ABC", "2503071405ABC"},
      {{PackTimeStamp(2025, 3, 7, 0, 0), "JS"}, "250307 JS", "2503070000JS"},
      {{PackTimeStamp(2061, 1, 2, 8, 0), ""}, "610102 08:00", "6101020800"},
      {{PackTimeStamp(1970, 1, 1, 0, 1), "\xC3\x85S"},
       "700101 00:01 \xC3\x85S",
       "7001010001\xC3\x85S"},
      {{0, ""}, "", ""},
  };
  for (const Case& c : cases) {
    char buffer[40];
    FormatSignatureStampCStr(buffer, &c.stamp);
    EXPECT_STREQ(buffer, c.text);
    SignatureStamp back;
    EXPECT_EQ(ParseSignatureStamp(&back, buffer), static_cast<int>(strlen(buffer)));
    EXPECT_TRUE(SignatureStampEqual(&back, &c.stamp)) << buffer;
    FormatSignatureStampCompactCStr(buffer, &c.stamp);
    EXPECT_STREQ(buffer, c.compact);
    ParseSignatureStamp(&back, buffer);
    EXPECT_TRUE(SignatureStampEqual(&back, &c.stamp)) << buffer;
    EXPECT_EQ(SignatureStampIsEmpty(&c.stamp), c.text[0] == 0);
  }
  // Initials are at most three bytes and never end inside a character or take a line end.
  SignatureStamp stamp;
  EXPECT_EQ(ParseSignatureStamp(&stamp, "250307 ABCDE"), 10);
  EXPECT_STREQ(stamp.signature, "ABC");
  ParseSignatureStamp(&stamp, "250307 A\xC3\x85\xC3\x85");
  EXPECT_STREQ(stamp.signature, "A\xC3\x85");
  ParseSignatureStamp(&stamp, "250307 \xF0\x9F\x98\x80");
  EXPECT_STREQ(stamp.signature, "");
  ParseSignatureStamp(&stamp, "250307 X\r\n");
  EXPECT_STREQ(stamp.signature, "X");
  EXPECT_EQ(ParseSignatureStampN(&stamp, "250307 XYZ", 8), 8);
  EXPECT_STREQ(stamp.signature, "X");
}

}  // namespace
