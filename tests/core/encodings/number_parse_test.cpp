#include "core/number_parse.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "core/threads.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(ParseInt, ReadsLenientlyAndRoundsAtTheFirstDecimal) {
  struct Case {
    const char* text;
    int32_t value;
  };
  const Case cases[] = {
      {"12.5", 13},
      {"-12.5", -13},
      {"12.4", 12},
      {"12.x9", 13},  // the first digit after the mark decides
      {"7.49", 7},
      {"1,234", 1234},
      {"x7y", 7},
      {"-", 0},
      {"", 0},
      {"--5", 5},  // every '-' flips
      {"5-", -5},
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"2147483648", INT32_MIN},  // beyond the range the digits wrap modulo 2^32
      {"4294967297", 1},
      {"99999999999999999999", static_cast<int32_t>(1661992959u)},
  };
  for (const Case& c : cases) EXPECT_EQ(StrToInt(c.text), c.value) << c.text;
  EXPECT_EQ(ParseInt("1234", 2), 12);
  EXPECT_EQ(StrToInt(nullptr), 0);
}

TEST(ParseDouble, ReadsLenientlyWithTheLastDecimalMarkCounting) {
  struct Case {
    const char* text;
    double value;
  };
  const Case cases[] = {
      {"1.234,5", 1234.5},
      {"1,5", 1.5},
      {"1,234", 1.234},        // one mark: the decimal mark
      {"1,234,567", 1234567},  // the same mark before groups of three: thousands
      {"-1.234.567 kr", -1234567},
      {"1,234,567.5", 1234567.5},
      {"1.234.567,89", 1234567.89},
      {"1,234,56", 1234.56},  // a group of two: the last mark is decimal again
      {"1,234,5678", 1234.5678},
      {"1,23,456", 123.456},
      {".", 0},  // a lone decimal mark is a zero
      {",", 0},
      {".e5", 0},
      {"-3e2", -300},
      {"2.5E-3", 0.0025},
      {"12 %", 12},
      {"+7", 7},
      {"EUR 5", 5},
      {"1.5e", 1.5},
      {"0.3", 0.3},  // the nearest double, not a sum of scaled digits
      {"0.1", 0.1},
      {"123456789012345678901234567890", 1.2345678901234568e29},
      {"0.000000000000000000000000000000000000000000000000000000000000000000000001", 1e-72},
      {"1e308", 1e308},
      {"1e400", kInf},
      {"1e-400", 0.0},
      {"0e99999999999999999999", 0.0},
      {"-1e99999999999999999999", -kInf},
      {"inf", kInf},
      {"-Inf", -kInf},
      {"INF", kInf},
  };
  for (const Case& c : cases) EXPECT_EQ(StrToDouble(c.text), c.value) << c.text;
  for (const char* text : {"", "-", "e", "in", "abc"}) {
    EXPECT_TRUE(std::isnan(StrToDouble(text))) << text;
  }
  EXPECT_TRUE(std::isnan(StrToDouble(nullptr)));
  EXPECT_EQ(ParseDouble("12.5", 2), 12.0);
}

// Short mantissas with small exponents take a one-operation path; it must give the very double
// the general conversion gives, at the edges of that path and beyond them.
TEST(ParseDouble, ShortAndLongMantissasRoundAlike) {
  uint64_t state = 0x9E3779B97F4A7C15ull;
  auto next = [&state] {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  };
  char text[64];
  for (int32_t i = 0; i < 200000; ++i) {
    int32_t digits = 1 + static_cast<int32_t>(next() % 17);
    int32_t point = static_cast<int32_t>(next() % (digits + 1));
    int32_t exponent = static_cast<int32_t>(next() % 51) - 25;
    char* p = text;
    if (next() & 1) *p++ = '-';
    for (int32_t k = 0; k < digits; ++k) {
      if (k == point && k > 0) *p++ = '.';
      *p++ = static_cast<char>('0' + next() % 10);
    }
    p += std::snprintf(p, 16, "e%d", exponent);
    *p = 0;
    EXPECT_EQ(StrToDouble(text), std::strtod(text, nullptr)) << text;
  }
  EXPECT_EQ(StrToDouble("999999999999999e22"), 9.99999999999999e36);
  EXPECT_EQ(StrToDouble("1e-22"), 1e-22);
  EXPECT_EQ(StrToDouble("9007199254740993"), 9007199254740992.0);  // 16 digits: general path
}

TEST(NumericUtilities, DigitsLogarithmsSignsAndCoordinates) {
  char digits[8];
  DoubleDigits(digits, 3.25, 4);
  EXPECT_STREQ(digits, "3250");
  DoubleDigits(digits, 0.5, 2);
  EXPECT_STREQ(digits, "05");
  DoubleDigits(digits, kNaN, 2);  // stays digits whatever comes in
  EXPECT_STREQ(digits, "00");
  DoubleDigits(digits, 42.0, 2);
  EXPECT_STREQ(digits, "99");

  struct LogCase {
    int64_t v;
    int32_t log;
  };
  const LogCase logs[] = {{-5, 0}, {0, 0},     {1, 0},     {2, 1},
                          {3, 1},  {1024, 10}, {1025, 10}, {INT32_MAX, 30}};
  for (const LogCase& c : logs) {
    EXPECT_EQ(Log2Floor(static_cast<int32_t>(c.v)), c.log) << c.v;
    EXPECT_EQ(Log2Floor64(c.v), c.log) << c.v;
  }
  EXPECT_EQ(Log2Floor64(int64_t{1} << 40), 40);
  EXPECT_EQ(Log2Floor64(INT64_MAX), 62);
  EXPECT_EQ(Log2Floor64(INT64_MIN), 0);

  EXPECT_EQ(Sign(-3), -1);
  EXPECT_EQ(Sign(0), 0);
  EXPECT_EQ(Sign(2.5), 1);
  EXPECT_EQ(Sign(kNaN), 0);
  EXPECT_EQ(Sign(int64_t{-7}), -1);

  EXPECT_EQ(ClampCoord(40000), 32760);
  EXPECT_EQ(ClampCoord(-40000), -32760);
  EXPECT_EQ(ClampCoord(5), 5);
  EXPECT_EQ(ClampCoord(int64_t{1} << 40), 32760);
  EXPECT_EQ(ClampCoord(-(int64_t{1} << 40)), -32760);
}

uint64_t frozenTicks() { return 5000; }

TEST(RandomFromTicks, ReturnsThirtyOneBitsEvenWhenTheClockStands) {
  SetTickSource(frozenTicks);
  int32_t a = RandomFromTicks();
  int32_t b = RandomFromTicks();
  SetTickSource(nullptr);
  EXPECT_GE(a, 0);
  EXPECT_GE(b, 0);
  EXPECT_NE(a, b);  // the running state carries over between calls
  EXPECT_GE(RandomFromTicks(), 0);
}

}  // namespace
