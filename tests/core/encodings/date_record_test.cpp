#include "core/date_record.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "core/text_buffer.h"

namespace {

DateRecord Date(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int precision = 2) {
  DateRecord r;
  r.year = static_cast<int16_t>(y);
  r.month = static_cast<int16_t>(mo);
  r.day = static_cast<int16_t>(d);
  r.hour = static_cast<int16_t>(h);
  r.minute = static_cast<int16_t>(mi);
  r.second = static_cast<int16_t>(s);
  r.precision = precision;
  return r;
}

std::string Format(const DateRecord& r) {
  char text[32];
  DateFormat(&r, text);
  return text;
}

TEST(DateParse, ReadsDigitGroupsInTheTwoDigitYearWindow) {
  struct Case {
    const char* text;
    int32_t pivot;
    const char* formatted;  // "" for no date
  };
  const Case cases[] = {
      {"39-1-2", 1970, "2039-01-02"},
      {"991231", 1970, "1999-12-31"},
      {"2012", 1970, "2012"},
      {"0512", 1970, "2005-12"},
      {"20120230", 1970, "2012-02-29"},  // day clamped to the leap February
      {"20130230", 1970, "2013-02-28"},
      {"1520", 1970, "1583"},
      {"1200", 1970, "2012-01"},  // month 00 clamped to 1
      {"2012-03-05 9:3", 1970, "2012-03-05 09:03"},
      {"20120305 930", 1970, "2012-03-05 09:30"},
      {"20120305 93000", 1970, "2012-03-05 09:30:00"},
      {"2012-3-5", 1970, "2012-03-05"},
      {"987", 1970, "1987"},
      {"012", 1970, "2012"},
      {"00", 1970, "2000"},
      {"5", 1970, "2005"},
      {"69-6-1", 1970, "2069-06-01"},  // the window's last year
      {"70-6-1", 1970, "1970-06-01"},  // ... and its first
      {"45", 1940, "1945"},
      {"39", 1940, "2039"},
      {"on 2012/06/15!", 1970, "2012-06-15"},
      {"2012--03", 1970, "2012-03"},
      {"2012-13-40 25:61:61", 1970, "2012-12-31 23:59:59"},
      {"20120305123045", 1970, "2012-03-05 12:30:45"},
      {"201203051230459999", 1970, "2012-03-05 12:30:45"},  // 14 digits at most
      {"2012-03-05 12:30:45 7", 1970, "2012-03-05 12:30:45"},
      {"no digits", 1970, ""},
      {"", 1970, ""},
  };
  for (const Case& c : cases) {
    DateRecord r;
    r.pivotYear = c.pivot;
    DateParseStr(&r, c.text);
    EXPECT_EQ(Format(r), c.formatted) << c.text;
  }
}

TEST(DateParse, SetsFieldsAndPrecision) {
  DateRecord r;
  DateParseStr(&r, "2012-03-05 9:3");
  EXPECT_EQ(r.year, 2012);
  EXPECT_EQ(r.month, 3);
  EXPECT_EQ(r.day, 5);
  EXPECT_EQ(r.hour, 9);
  EXPECT_EQ(r.minute, 3);
  EXPECT_EQ(r.precision, 4);

  DateParseStr(&r, "2012");  // a year still has a day: it is a date
  EXPECT_EQ(r.precision, 0);
  EXPECT_EQ(r.month, 1);
  EXPECT_EQ(r.day, 1);

  DateParseStr(&r, nullptr);
  EXPECT_EQ(r.day, 0);
  DateParse(&r, "2012-03-05", 7);  // counted: only "2012-03"
  EXPECT_EQ(Format(r), "2012-03");
  T_TextBuf text("1999-12-31 23:59:59");
  DateParseBuf(&r, &text);
  EXPECT_EQ(r.precision, 5);
  T_TextBuf formatted;
  DateFormatBuf(&r, &formatted);
  EXPECT_STREQ(formatted.data, "1999-12-31 23:59:59");
}

TEST(DateEmit, WritesAtTheCursorWithoutNul) {
  DateRecord r = Date(2012, 3, 5, 9, 3, 0, 3);
  char text[32];
  char* cursor = text;
  DateEmit(&r, &cursor);
  EXPECT_EQ(std::string(text, cursor), "2012-03-05 09");
  DateRecord empty;
  cursor = text;
  DateEmit(&empty, &cursor);
  EXPECT_EQ(cursor, text);
}

TEST(DateDays, CountFromTheFirstGregorianYear) {
  struct Case {
    DateRecord date;
    int32_t days;
  };
  const Case cases[] = {
      {Date(1583, 1, 1), 1},
      {Date(1583, 3, 1), 60},
      {Date(1584, 1, 1), 366},
      {Date(1583, 3, 9, 0, 0, 0, 1), 60},  // a month counts from its first day
      {Date(1583, 7, 9, 0, 0, 0, 0), 1},   // a year from January 1
      {Date(2000, 3, 1), 152367},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DateToDays(&c.date), c.days) << Format(c.date);
  }
  DateRecord empty;
  EXPECT_EQ(DateToDays(&empty), 0);

  DateRecord r = Date(2012, 3, 5, 7, 8, 9, 5);
  DateFromDays(&r, 0);
  EXPECT_EQ(r.day, 0);
  EXPECT_EQ(r.year, 2012);  // nothing else changes
  EXPECT_EQ(r.hour, 7);

  // Every day of the supported years and back again, with month lengths as the calendar has them.
  DateRecord last = Date(9999, 12, 31);
  int32_t lastDay = DateToDays(&last);
  int32_t previousDay = 0;
  for (int32_t n = 1; n <= lastDay; n++) {
    DateFromDays(&r, n);
    ASSERT_EQ(DateToDays(&r), n);
    ASSERT_GE(r.day, 1);
    ASSERT_LE(r.day, DateDaysInMonth(r.year, r.month));
    ASSERT_TRUE(r.day == previousDay + 1 || r.day == 1) << n;
    previousDay = r.day;
  }
  DateFromDays(&r, lastDay + 1000);
  EXPECT_EQ(Format(r), "9999-12-31");
}

TEST(DateDays, LeapYearsAndMonthLengths) {
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_TRUE(IsLeapYear(2012));
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_FALSE(IsLeapYear(2013));
  EXPECT_EQ(DateDaysInMonth(2000, 2), 29);
  EXPECT_EQ(DateDaysInMonth(1900, 2), 28);
  EXPECT_EQ(DateDaysInMonth(2013, 4), 30);
  EXPECT_EQ(DateDaysInMonth(2013, 12), 31);
  EXPECT_EQ(DateDaysInMonth(2013, 0), 0);
  EXPECT_EQ(DateDaysInMonth(2013, 13), 0);
}

TEST(DateSeconds, CountAsFarAsThePrecisionReaches) {
  DateRecord hour = Date(1583, 1, 2, 1, 30, 45, 3);
  EXPECT_EQ(DateToSeconds(&hour), 2 * 86400.0 + 3600);
  DateRecord second = Date(1583, 1, 2, 1, 1, 1, 5);
  EXPECT_EQ(DateToSeconds(&second), 2 * 86400.0 + 3661);
  DateRecord empty;
  EXPECT_EQ(DateToSeconds(&empty), 0.0);

  struct Case {
    double seconds;
    const char* formatted;
  };
  const Case cases[] = {
      {86400.0 * 2 + 3661, "1583-01-02 01:01:01"},
      {86400.0 * 2 + 3661.4, "1583-01-02 01:01:01"},
      {86400.0 * 3 - 0.4, "1583-01-03 00:00:00"},  // rounding reaches midnight: the next day
      {86400.0 - 1, ""},                           // day 0 is no date
      {-5.0, ""},
      {std::numeric_limits<double>::quiet_NaN(), ""},
      {1e30, "9999-12-31 23:59:59"},
  };
  for (const Case& c : cases) {
    DateRecord r;
    DateFromSeconds(&r, c.seconds);
    EXPECT_EQ(Format(r), c.formatted) << c.seconds;
  }
  DateRecord r;
  DateFromSeconds(&r, DateToSeconds(&second));
  EXPECT_EQ(Format(r), "1583-01-02 01:01:01");
  EXPECT_EQ(r.precision, 5);
}

TEST(DateAddDays, CarriesThroughMonthsAndYears) {
  struct Case {
    DateRecord date;
    int32_t n;
    const char* formatted;
    int32_t monthDays;
  };
  const Case cases[] = {
      {Date(2012, 2, 28), 1, "2012-02-29", 29},
      {Date(2012, 2, 29), 1, "2012-03-01", 31},
      {Date(2012, 12, 31), 1, "2013-01-01", 31},
      {Date(2013, 3, 1), -1, "2013-02-28", 28},
      {Date(2012, 1, 15), 366, "2013-01-15", 31},
      {Date(2012, 1, 15), -3652, "2002-01-15", 31},
      {Date(2012, 1, 15, 10, 20, 0, 4), 30, "2012-02-14 10:20", 29},
      {Date(9999, 12, 30), 10, "9999-12-31", 31},  // the last supported day holds
      {Date(1583, 1, 2), -10, "1583-01-01", 31},
  };
  for (const Case& c : cases) {
    DateRecord r = c.date;
    EXPECT_EQ(DateAddDays(&r, c.n), c.monthDays) << Format(c.date) << " + " << c.n;
    EXPECT_EQ(Format(r), c.formatted) << Format(c.date) << " + " << c.n;
  }
  DateRecord empty;
  EXPECT_EQ(DateAddDays(&empty, 5), 0);
  EXPECT_EQ(empty.day, 0);
}

}  // namespace
