#include "core/value_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "core/locale.h"
#include "core/packed_date.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Fixes the global separators (and the scaling flag) for one test and restores them after.
class Separators {
 public:
  Separators(uint16_t decimal, uint16_t thousands) : saved_(SeparatorsGet()) {
    SaveFormatSettings(&format_);
    SeparatorsSet(SeparatorPair{decimal, thousands});
  }
  ~Separators() {
    SeparatorsSet(saved_);
    RestoreFormatSettings(&format_);
  }

 private:
  SeparatorPair saved_;
  FormatSettings format_;
};

std::string Format(double value, int decimals, int style) {
  T_TextBuf text("old text");
  formatNumber(&text, value, decimals, style);
  return text.c_str();
}

TEST(FormatNumber, EveryDecimalsSettingAndSignStyle) {
  struct Case {
    double value;
    int decimals;
    const char* plain;
    const char* after;
    const char* parentheses;
  };
  const Case cases[] = {
      {-1234.5, 0, "-1235", "1235-", "(1235)"},
      {-1234.5, 1, "-1234.5", "1234.5-", "(1234.5)"},
      {-1234.5, 2, "-1234.50", "1234.50-", "(1234.50)"},
      {-1234.5, 3, "-1234.500", "1234.500-", "(1234.500)"},
      {1234.5, 4, "1234.5000", "1234.5000+", "1234.5000"},
      {1234.5, 5, "1234.50000", "1234.50000+", "1234.50000"},
      {-0.25, 6, "-0.250000", "0.250000-", "(0.250000)"},
      {-1234.5, 7, "-1234.5", "1234.5-", "(1234.5)"},
      {1400, 8, "1'", "1'+", "1'"},
      {-1400, 8, "-1'", "1'-", "(1')"},
      {-2500000, 9, "-3\"", "3\"-", "(3\")"},
      {0, 2, "0", "0", "0"},
      {-0.001, 2, "0", "0", "0"},  // shows as zero, so no sign in any style
      {-400, 8, "0'", "0'", "0'"},
      {kNaN, 2, "", "", ""},
      {kNaN, 8, "", "", ""},
  };
  Separators separators('.', 0);
  for (const Case& c : cases) {
    EXPECT_EQ(Format(c.value, c.decimals, 0), c.plain) << c.value << " / " << c.decimals;
    EXPECT_EQ(Format(c.value, c.decimals, 1), c.after) << c.value << " / " << c.decimals;
    EXPECT_EQ(Format(c.value, c.decimals, 2), c.parentheses) << c.value << " / " << c.decimals;
  }
  EXPECT_EQ(Format(kInf, 9, 0), "+inf");
}

TEST(FormatNumber, ScalingOffAndSeparators) {
  Separators separators(',', '.');
  ValueScalingSet(false);
  EXPECT_EQ(Format(-1234567.5, 8, 0), "-1.234.568");
  EXPECT_EQ(Format(1234567.5, 9, 1), "1.234.568+");
  ValueScalingSet(true);
  EXPECT_EQ(Format(1234567.5, 9, 0), "1\"");
  EXPECT_EQ(Format(1234.5, 2, 2), "1.234,50");
  // An export's own separators hold for every setting, the floating one included.
  ValueNumFormat()->decimalSeparator = '.';
  ValueNumFormat()->thousandsSeparator = 0;
  EXPECT_EQ(Format(-1234.25, 7, 0), "-1234.25");
  EXPECT_EQ(Format(1234.25, 1, 0), "1234.3");
}

TEST(ValueRounding, ZeroesWhatWouldShowAsZero) {
  struct Case {
    double value;
    int decimals;
    double expected;
  };
  const Case cases[] = {
      {0.004, 2, 0}, {0.005, 2, 0.005}, {-0.005, 2, -0.005}, {-0.0049, 2, 0}, {-0.3, 0, 0},
      {0.3, 7, 0.3}, {0.4, 9, 0},       {0.6, 8, 0.6},       {4e-7, 6, 0},    {5e-7, 6, 5e-7},
      {0.04, 1, 0},  {kNaN, 2, 0},      {kInf, 3, 0},        {-kInf, 0, 0},   {12, 15, 12},
  };
  for (const Case& c : cases)
    EXPECT_EQ(roundToDecimals(c.value, c.decimals), c.expected) << c.value << " / " << c.decimals;
  EXPECT_TRUE(std::isnan(roundToDecimals(kNaN, 7))) << "the floating setting keeps every value";

  EXPECT_EQ(ZeroTinyValue(0.0000005), 0);
  EXPECT_EQ(ZeroTinyValue(-0.00000052), -0.00000052);
  EXPECT_EQ(ZeroTinyValue(kNaN), 0);
  EXPECT_EQ(ZeroTinyValue(-kInf), 0);
  EXPECT_EQ(ZeroIfNotFinite(kInf), 0);
  EXPECT_EQ(ZeroIfNotFinite(kNaN), 0);
  EXPECT_EQ(ZeroIfNotFinite(-2.5), -2.5);
}

TEST(LetterCodes, LettersIndexesColumnsAndDimensions) {
  for (int i = 0; i < 10; i++) {
    int index = -1;
    EXPECT_EQ(DecimalsFromLetter(DecimalsToLetter(i), &index), i);
    EXPECT_EQ(index, i);
  }
  EXPECT_EQ(DecimalsToLetter(7), 'F');
  EXPECT_EQ(DecimalsToLetter(10), 0);
  int untouched = 5;
  EXPECT_EQ(DecimalsFromLetter('x', &untouched), -1);
  EXPECT_EQ(FsdFromLetter('d', &untouched), -1);
  EXPECT_EQ(NsaFromLetter(0, &untouched), -1);
  EXPECT_EQ(untouched, 5);
  EXPECT_EQ(FsdToLetter(1), 'S');
  EXPECT_EQ(FsdFromLetter('D', &untouched), 2);
  EXPECT_EQ(NsaFromLetter('A', &untouched), 2);

  EXPECT_EQ(EncodeColumnLetter(2), 'C');
  const std::pair<char, int> columns[] = {{'1', 0},  {'9', 8},  {'A', 0}, {'Z', 25},
                                          {'0', -1}, {'a', -1}, {'#', -1}};
  for (const auto& [letter, index] : columns)
    EXPECT_EQ(DecodeColumnLetter(letter), index) << letter;

  const std::pair<const char*, int> dimensions[] = {
      {"1", 0},  {"05", 4}, {"32", 31},  {"33", -1}, {"0", -1}, {"A", 9},     {"W", 31},
      {"X", -1}, {"a", -1}, {"123", -1}, {"3x", -1}, {"", -1},  {nullptr, -1}};
  for (const auto& [text, index] : dimensions)
    EXPECT_EQ(DecodeDimensionNumber(text), index) << (text ? text : "null");
}

TEST(Names, CharactersOfNames) {
  EXPECT_TRUE(IsNameChar(0xE9, 0));  // é counts as its base letter
  EXPECT_TRUE(IsNameChar('#', kNameFirst));
  EXPECT_TRUE(IsNameChar('_', kNameFirst));
  EXPECT_TRUE(IsNameChar('.', kNameFirst));
  EXPECT_TRUE(IsNameChar('7', 0));
  EXPECT_FALSE(IsNameChar('7', kNameFirst));
  EXPECT_FALSE(IsNameChar(' ', 0));
  EXPECT_TRUE(IsNameChar(' ', kNameBlanks));
  EXPECT_FALSE(IsNameChar('-', kNameBlanks));
  EXPECT_FALSE(IsNameChar(0x20AC, 0));
}

TEST(Names, MakeIdentifier) {
  struct Case {
    const char* text;
    const char* prefix;
    int flags;
    const char* expected;
  };
  const Case cases[] = {
      {"2nd quarter", nullptr, kNameFirst, "V2nd.quarter"},
      {"2nd quarter", nullptr, 0, "2nd.quarter"},
      {"  sales (net) ", nullptr, kNameFirst, "sales..net."},
      {"my value", nullptr, kNameFirst | kNameBlanks, "my value"},
      {"9", "A", kNameFirst, "A9"},
      {"(", "F1", kNameFirst, "F1"},
      {"   ", nullptr, kNameFirst, ""},
      {"Bj\xC3\xB6rn\xE2\x82\xAC", nullptr, kNameFirst, "Bj\xC3\xB6rn."},
  };
  for (const Case& c : cases) {
    T_TextBuf text(c.text);
    MakeIdentifier(&text, c.prefix, c.flags);
    EXPECT_STREQ(text.c_str(), c.expected) << c.text;
  }
}

TEST(Names, ReplaceIdentifierReplacesWholeNames) {
  struct Case {
    const char* text;
    const char* oldName;
    const char* newText;
    int flags;
    const char* expected;
  };
  const Case cases[] = {
      {"a+ab*A+b.a-a", "a", "x", 0, "x+ab*x+b.a-x"},
      {"abs(a)+a2", "a", "Q", kNameSkipTokens, "abs(Q)+a2"},
      {"abs(a)", "abs", "z", 0, "z(a)"},
      {"abs(a)", "abs", "z", kNameSkipTokens, "abs(a)"},
      {"my var + my var2", "my var", "v", kNameBlanks, "v + my var2"},
      {"sales*sales", "Sales", "revenue", 0, "revenue*revenue"},
      {"\xC3\xA5r+1", "\xC3\x85R", "y", 0, "y+1"},
  };
  for (const Case& c : cases) {
    T_TextBuf text(c.text);
    ReplaceIdentifier(&text, c.oldName, c.newText, c.flags);
    EXPECT_STREQ(text.c_str(), c.expected) << c.text;
  }
}

TEST(Names, IncrementAndBump) {
  const std::pair<const char*, const char*> increments[] = {
      {"A", "B"},    {"a.b", "a.c"},    {"x y", "x z"},         {"AB", "AB.1"},
      {"Z", "Z.1"},  {"y", "z"},        {"A9", "A10"},          {"B19", "B20"},
      {"99", "100"}, {"v1.9", "v1.10"}, {"Budget", "Budget.1"}, {"", ".1"}};
  for (const auto& [from, to] : increments) {
    T_TextBuf text(from);
    IncrementName(&text);
    EXPECT_STREQ(text.c_str(), to) << from;
  }
  const std::pair<const char*, const char*> bumps[] = {
      {"Copy", "Copy 1"},  {"Copy1", "Copy 2"},
      {"12", "13"},        {"Copy 9", "Copy 10"},
      {"x99", "x 100"},    {"", "1"},
      {"Copy ", "Copy 1"}, {"Copy 99999999999", "Copy 100000000000"}};
  for (const auto& [from, to] : bumps) {
    T_TextBuf text(from);
    BumpNameNumber(&text);
    EXPECT_STREQ(text.c_str(), to) << from;
  }
}

TEST(PrefixMatching, LongestPrefixThenShortestRest) {
  PrefixMatcher matcher;
  PrefixMatcherInit(&matcher, "jan+3", "+-");
  int january = 1, jane = 2, jan = 3, j = 4;
  EXPECT_FALSE(PrefixMatcherOffer(&matcher, "January", &january, 1));
  EXPECT_EQ(matcher.bestObject, &january);
  EXPECT_FALSE(PrefixMatcherOffer(&matcher, "Jane", &jane, 2));  // equal prefix, shorter rest
  EXPECT_EQ(matcher.bestId, 2);
  EXPECT_FALSE(PrefixMatcherOffer(&matcher, "J", &j, 4));  // shorter prefix
  EXPECT_FALSE(
      PrefixMatcherOffer(&matcher, "Janx", &j, 5));  // equal prefix, equal rest: the first stays
  EXPECT_EQ(matcher.bestId, 2);
  EXPECT_FALSE(PrefixMatcherOffer(&matcher, "JAN", &jan, 3));  // complete, but more was typed
  EXPECT_EQ(matcher.bestId, 3);
  T_TextBuf completed;
  PrefixMatcherComplete(&matcher, &completed);
  EXPECT_STREQ(completed.c_str(), "JAN+3");
  EXPECT_STREQ(PrefixMatcherRest(&matcher), "+3");
  PrefixMatcherFree(&matcher);

  PrefixMatcherInit(&matcher, "febx  y", "+-");
  EXPECT_FALSE(PrefixMatcherOffer(&matcher, "February", nullptr, 1)) << "x is no separator";
  EXPECT_TRUE(matcher.bestText.empty());
  PrefixMatcherComplete(&matcher, &completed);
  EXPECT_STREQ(completed.c_str(), "febx  y");
  PrefixMatcherFree(&matcher);

  PrefixMatcherInit(&matcher, "m\xC3\xA4r  rest", nullptr);
  EXPECT_FALSE(PrefixMatcherOffer(&matcher, "M\xC3\x84RZ", nullptr, 1));
  EXPECT_STREQ(PrefixMatcherRest(&matcher), "rest");
  EXPECT_TRUE(PrefixMatcherOffer(&matcher, "m\xC3\xA4r  rest", nullptr, 2));
  PrefixMatcherFree(&matcher);
}

TEST(ConditionTexts, AndBracketsAndQuotes) {
  struct Case {
    const char* text;
    const char* further;
    const char* expected;
  };
  const Case cases[] = {{"", "a", "a"},
                        {"a", "a", "a"},
                        {"a", "", "a"},
                        {"a", nullptr, "a"},
                        {"a|b", "c", "(a|b)&c"},
                        {"a",
                         "b\xC2\xB1"
                         "c",
                         "a&(b\xC2\xB1"
                         "c)"},
                        {"a&b", "c|d", "a&b&(c|d)"}};
  for (const Case& c : cases) {
    T_TextBuf text(c.text);
    AndConditionText(&text, c.further);
    EXPECT_STREQ(text.c_str(), c.expected) << c.text << " & " << (c.further ? c.further : "null");
  }
  T_TextBuf quoted("say \"hi\" it's");
  DoubleQuotes(&quoted);
  EXPECT_STREQ(quoted.c_str(), "say \"\"hi\"\" it''s");
}

TEST(BitStacks, PushAndPopVectors) {
  BitStack stack;
  BitStackInit(&stack, 40);
  BitVector* first = BitStackPush(&stack);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->count, 40);
  EXPECT_EQ(BitVecCount(first), 0);
  BitVecSet(first, 39, true);
  BitVector* second = BitStackPush(&stack);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(BitVecCount(second), 0);
  BitStackPop(&stack);
  EXPECT_EQ(&stack.top->vector, first);
  EXPECT_TRUE(BitVecGet(&stack.top->vector, 39));
  BitStackFree(&stack);
  EXPECT_EQ(stack.top, nullptr);
  BitStackPop(&stack);
}

TEST(FormatSettingsRecord, SaveAndRestore) {
  FormatSettings saved;
  SaveFormatSettings(&saved);
  ValueNumFormat()->decimalSeparator = ',';
  ValueNumFormat()->thousandsSeparator = 0;
  DateStyleSet(4);
  ValueScalingSet(false);
  FormatSettings changed;
  SaveFormatSettings(&changed);
  EXPECT_EQ(changed.decimalSeparator, ',');
  EXPECT_EQ(changed.dateStyle, 4);
  EXPECT_FALSE(changed.scaling);
  RestoreFormatSettings(&saved);
  EXPECT_EQ(ValueNumFormat()->decimalSeparator, saved.decimalSeparator);
  EXPECT_EQ(ValueNumFormat()->thousandsSeparator, saved.thousandsSeparator);
  EXPECT_EQ(DateStyleGet(), saved.dateStyle);
  EXPECT_TRUE(ValueScalingGet());
}

}  // namespace
