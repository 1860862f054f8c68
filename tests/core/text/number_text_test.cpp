#include "core/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "core/locale.h"
#include "core/number_parse.h"
#include "core/text_buffer.h"

namespace {

struct FormatCase {
  double x;
  int32_t mode;
  int32_t digits;  // significant digits (mode 0), decimals (mode 1) or mantissa digits (2, 3)
  uint16_t decimal;
  uint16_t thousands;
  const char* expected;
};

std::string Format(double x, const NumFormat& f) {
  char text[kFormatDoubleMax + 1];
  int32_t n = DoubleToStrFormat(text, x, &f);
  EXPECT_LE(n, kFormatDoubleMax);
  return std::string(text, static_cast<size_t>(n));
}

NumFormat MakeFormat(const FormatCase& c) {
  NumFormat f;
  NumFormatInit(&f);
  f.mode = c.mode;
  f.decimalSeparator = c.decimal;
  f.thousandsSeparator = c.thousands;
  if (c.mode == kNumGeneral) f.significantDigits = c.digits;
  if (c.mode == kNumFixed) NumFormatSetDecimals(&f, c.digits);
  if (c.mode >= kNumScientific) f.mantissaDigits = c.digits;
  return f;
}

constexpr uint16_t G = kSeparatorGlobal;
const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(FormatDouble, TableOfNotations) {
  SeparatorsSet({'.', ','});
  const FormatCase cases[] = {
      // General, 15 significant digits: exponent form from 1E+10 and below 0.01.
      {1234.5, 0, 15, G, G, "1234.5"},
      {1e10, 0, 15, G, G, "1E+10"},
      {9999999999.0, 0, 15, G, G, "9999999999"},
      {0.001, 0, 15, G, G, "1E-3"},
      {0.01, 0, 15, G, G, "0.01"},
      {0.0123, 0, 15, G, G, "0.0123"},
      {0.5, 0, 15, G, G, "0.5"},
      {123456789, 0, 15, G, G, "123456789"},
      {1500, 0, 15, G, G, "1500"},
      {1.5e20, 0, 15, G, G, "1.5E+20"},
      {1e-5, 0, 15, G, G, "1E-5"},
      {-2.5, 0, 15, G, G, "-2.5"},
      {0.1 + 0.2, 0, 15, G, G, "0.3"},
      {2.0 / 3.0, 0, 3, G, G, "0.667"},
      {9.9996, 0, 4, G, G, "10"},
      {1234.5, 0, 15, ',', '.', "1234,5"},
      {5e-324, 0, 15, G, G, "4.94065645841247E-324"},
      // Fixed decimals, thousands groups, decimal groups after every third place.
      {1234.5, 1, 2, '.', ',', "1,234.50"},
      {-0.001, 1, 2, '.', ',', "0"},
      {0.123456, 1, 5, '.', ',', "0.123 46"},
      {0.123456, 1, 4, '.', ',', "0.1235"},
      {1234567.891, 1, 2, ',', '.', "1.234.567,89"},
      {1234567.0, 1, 0, '.', '\'', "1'234'567"},
      {0.1234567, 1, 7, '.', '\'', "0.123'4567"},
      {0.12345678, 1, 8, '.', '\'', "0.123'456'78"},
      {1234.5, 1, 2, '.', 0, "1234.50"},
      {-1234.5, 1, 1, '.', ',', "-1,234.5"},
      {0.005, 1, 2, '.', ',', "0.01"},
      {999.999, 1, 2, '.', ',', "1,000.00"},
      {0.5, 1, 0, '.', ',', "1"},
      {1.005, 1, 2, '.', ',', "1.01"},
      {999999999999999.0, 1, 0, '.', 0, "999999999999999"},
      {12345678901.25, 1, 4, '.', ',', "12,345,678,901.2500"},
      {1234.5, 1, 2, 0x2019, 0xA0,
       "1\xC2\xA0"
       "234\xE2\x80\x99"
       "50"},
      // Fixed falls back to the exponent form for large values.
      {1.5e15, 1, 2, '.', ',', "1.5E+15"},
      {123456789012345678.0, 1, 0, '.', ',', "1.23456789012346E+17"},
      // Scientific and engineering keep trailing zeros; exponent of at least three digits.
      {123456, 2, 3, G, G, "1.23E+005"},
      {123456, 3, 3, G, G, "123E+003"},
      {1, 2, 3, G, G, "1.00E+000"},
      {0.000123456, 2, 4, G, G, "1.235E-004"},
      {0.000123456, 3, 4, G, G, "123.5E-006"},
      {12345, 3, 4, G, G, "12.35E+003"},
      {9.9999, 2, 3, G, G, "1.00E+001"},
      {1e200, 2, 1, G, G, "1E+200"},
      {123456, 3, 1, G, G, "100E+003"},
      // Finite values beyond 1e308 are numbers like any other; only infinities are words.
      {1.5e308, 0, 15, G, G, "1.5E+308"},
      {-1.7976931348623157e308, 1, 2, '.', ',', "-1.79769313486232E+308"},
      {1.7976931348623157e308, 2, 3, G, G, "1.80E+308"},
      // Zero, infinities, NaN.
      {0.0, 0, 15, G, G, "0"},
      {-0.0, 1, 2, G, G, "0"},
      {kInf, 0, 15, G, G, "+inf"},
      {-kInf, 1, 2, G, G, "-inf"},
      {kNaN, 0, 15, G, G, ""},
      {kNaN, 2, 3, G, G, ""},
  };
  for (const FormatCase& c : cases) {
    EXPECT_EQ(Format(c.x, MakeFormat(c)), c.expected)
        << c.x << " mode " << c.mode << " digits " << c.digits;
  }
}

TEST(FormatDouble, GlobalSeparatorsAreReadAtEachCall) {
  NumFormat f;
  NumFormatInit(&f);
  f.mode = kNumFixed;
  f.decimals = 1;
  SeparatorsSet({',', ' '});
  EXPECT_EQ(Format(1234.56, f), "1 234,6");
  SeparatorsSet({'.', ','});
  EXPECT_EQ(Format(1234.56, f), "1,234.6");
}

TEST(FormatDouble, LongestFormatsStayWithinTheBound) {
  SeparatorsSet({0x2019, 0x2019});  // 3-byte separators everywhere
  const double values[] = {-9.87654321098765e14, -0.987654321098765, -1.23456789e-300, -123456.789};
  for (int32_t mode = 0; mode <= 3; ++mode) {
    for (int32_t digits : {0, 1, 15, 17, 40}) {
      NumFormat f;
      NumFormatInit(&f);
      f.mode = mode;
      f.significantDigits = f.mantissaDigits = digits;
      NumFormatSetDecimals(&f, digits);
      for (double x : values) Format(x, f);  // Format checks the bound
    }
  }
  SeparatorsSet({'.', ','});
}

TEST(FormatDouble, TextBufferFormsUseTheDefaultFormat) {
  SeparatorsSet({'.', ','});
  T_TextBuf b("x=");
  TextBufAppendDoubleFormat(&b, 0.25, DefaultNumFormat());
  EXPECT_STREQ(b.c_str(), "x=0.25");
  TextBufAssignDouble(&b, 1e10);
  EXPECT_STREQ(b.c_str(), "1E+10");
  char text[kFormatDoubleMax + 1];
  EXPECT_EQ(DoubleToStr(text, -3), 2);
  EXPECT_STREQ(text, "-3");
}

}  // namespace

// Exports and stored criteria write values with the default 15 significant digits and read them
// back: the text must give the value again to 15 digits, and writing it again must not drift,
// far into the tiny and huge exponents too.
TEST(FormatDouble, DefaultTextReadsBackAndIsStable) {
  uint32_t seed = 12345;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
  for (int i = 0; i < 20000; ++i) {
    double x = std::ldexp(0.5 + (next() >> 8) / 16777216.0, static_cast<int>(next() % 2000) - 1000);
    char first[64], second[64];
    DoubleToStr(first, x);
    double back = StrToDouble(first);
    ASSERT_NEAR(back / x, 1.0, 1e-14) << first;
    DoubleToStr(second, back);
    ASSERT_STREQ(first, second);
  }
  char text[64];
  DoubleToStr(text, 2.5e-33);
  EXPECT_STREQ(text, "2.5E-33");
}

// Fixed decimals with thousands groups (two or more of them: "1,000" alone reads as a decimal
// mark), and doubles beyond 1e308, read back as the same value.
TEST(FormatDouble, GroupedAndHugeTextsReadBack) {
  NumFormat fixed;
  NumFormatInit(&fixed);
  fixed.mode = kNumFixed;
  fixed.decimalSeparator = '.';
  fixed.thousandsSeparator = ',';
  const struct {
    int32_t decimals;
    double x;
  } cases[] = {{0, 1234567}, {0, -1234567890}, {2, 1234567.25}, {2, -1000.5}};
  for (const auto& c : cases) {
    NumFormatSetDecimals(&fixed, c.decimals);
    std::string text = Format(c.x, fixed);
    EXPECT_EQ(StrToDouble(text.c_str()), c.x) << text;
  }
  NumFormat general;
  NumFormatInit(&general);
  for (double x : {1.5e308, -1.2345e308}) {
    std::string text = Format(x, general);
    EXPECT_NEAR(StrToDouble(text.c_str()) / x, 1.0, 1e-14) << text;
  }
}
