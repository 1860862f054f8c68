#include "core/criteria.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "core/alert.h"
#include "core/locale.h"
#include "core/memory.h"
#include "core/owned_text.h"
#include "core/threads.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

class TextCriteria : public testing::Test {
 protected:
  void SetUp() override {
    Criteria_Init(&pattern_);
    PendingErrorClear();
  }
  void TearDown() override {
    MemFreeHeld(&pattern_);
    PendingErrorClear();
  }
  std::string Compile(const std::string& text, int32_t mode = 5, bool single = false) {
    T_TextBuf buffer(text.c_str());
    Criteria_Compile(&pattern_, &buffer, mode, single);
    return buffer.c_str();
  }
  bool Match(const char* text) { return Criteria_MatchCStr(&pattern_, text); }

  CriteriaPattern pattern_;
};

TEST_F(TextCriteria, Normalises) {
  struct Case {
    const char* text;
    int32_t mode;
    const char* normalised;
  };
  const Case cases[] = {
      {"a++b", 5, "a|b"},
      {"a+++b", 5, "a|b"},
      {"a+-b", 5, "a±b"},
      {"a--b", 5, "a¬b"},
      {"(a|b", 5, "(a|b)"},
      {"((a", 5, "((a))"},
      {"a&|b", 5, "a&b"},
      {"a|&±b", 5, "a|b"},
      {"¬¬a", 5, "a"},
      {"¬¬¬a", 5, "¬a"},
      {"|a", 5, "\\|a"},
      {"a&", 5, "a&\\"},
      {"x)y", 5, "x"},
      {"'a++b'|c", 5, "'a++b'|c"},
      {"\\(ab)+", 5, "\\{ab}+"},
      {"\\a**b", 5, "\\a*b"},
      {"\\{ab&c", 5, "\\{ab}&c"},
      {"(\\a{b)", 5, "(\\a{b})"},
      {"nor|süd", 0, "NOR|SÜD"},
      {"NEW york", 1, "new york"},
      {"new york", 3, "New York"},
      {"north", 4, "north"},
      {"¬|¬a", 5, "a"},
      {"\\{\"a}", 5, "\\{\"a}\"}"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Compile(c.text, c.mode), c.normalised) << c.text;
    EXPECT_NE(pattern_.program, nullptr) << c.text;
  }
  EXPECT_EQ(Compile(""), "");
  EXPECT_EQ(pattern_.program, nullptr);
  EXPECT_FALSE(AbortRequested());
}

TEST_F(TextCriteria, MatchesTexts) {
  struct Case {
    const char* criteria;
    std::vector<const char*> matching;
    std::vector<const char*> failing;
  };
  const Case cases[] = {
      {"", {"", "anything"}, {}},
      {"\\", {""}, {"x", " "}},
      {"¬\\", {"x"}, {""}},
      {"Nor", {"NORTH", "Snorre"}, {"South", ""}},
      {"no&¬nord", {"North"}, {"Nordic", "South"}},
      {"a±b", {"ax", "bx"}, {"ab", "xx"}},
      {"north|south", {"South Africa", "north"}, {"East"}},
      {"a|b|c", {"c", "a"}, {"d"}},
      {"(a|b)&c", {"bc", "ac"}, {"ab", "c"}},
      {"a¬b¬c", {"a"}, {"ab", "ac"}},
      {"a¬(b|c)", {"ad"}, {"ab", "ac"}},
      {"¬a&b", {"b"}, {"ab", "c"}},
      {"new york", {"New York City"}, {"york"}},
      {"ärger", {"ÄRGER"}, {"arger"}},
      {"😀", {"a😀b"}, {"ab"}},
      // shape patterns cover the whole text
      {"\\(ab)+", {"abab", "AB"}, {"aba", ""}},
      {"\\x:y", {"y", "xxy"}, {"yx", "x"}},
      {"\\abc", {"ABC"}, {"abcd", "xabc"}},
      {"\\abc*", {"abcdef", "abc"}, {"xabc"}},
      {"\\*abc*", {"xxabcxx"}, {"ab"}},
      {"\\^A*", {"Abc"}, {"abc"}},
      {"\\a…c?", {"b1", "C2"}, {"b12", "d1"}},
      {"\\^a…c", {"b"}, {"B"}},
      {"\\a;bc", {"a", "bc"}, {"abc", "b"}},
      {"\\{a;bc}d", {"ad", "bcd"}, {"bd", "abcd"}},
      {"\\{a;}b", {"b", "ab"}, {"aab"}},
      {"\\'a*b'", {"a*b"}, {"axb"}},
      {"\\?", {"x"}, {"", "xy"}},
      {"\\x:", {"", "xxx"}, {"y"}},
      {"\\(a;b):c", {"c", "abac"}, {"ab"}},
      {"\\{ab}:", {"", "abab"}, {"aba"}},
      {"\\ä*", {"Äpfel"}, {"apfel"}},
      {"\\a*&¬\\*z", {"abc"}, {"abz", "bc"}},
  };
  for (const Case& c : cases) {
    Compile(c.criteria);
    for (const char* text : c.matching) EXPECT_TRUE(Match(text)) << c.criteria << " / " << text;
    for (const char* text : c.failing) EXPECT_FALSE(Match(text)) << c.criteria << " / " << text;
  }
  EXPECT_FALSE(AbortRequested());
}

TEST_F(TextCriteria, SingleTermReadsNoOperators) {
  EXPECT_EQ(Compile("a|b", 5, true), "a|b");
  EXPECT_TRUE(Match("xa|by"));
  EXPECT_FALSE(Match("a"));
  Compile("a++b", 5, true);
  EXPECT_TRUE(Match("a++b"));
  Compile("\\", 5, true);
  EXPECT_TRUE(Match(""));
  EXPECT_FALSE(Match("\\"));
  Compile("x\\", 5, true);
  EXPECT_TRUE(Match("ax\\"));
}

TEST_F(TextCriteria, EveryEntryPointReadsTheSameText) {
  Compile("\\ab");
  T_TextBuf buffer("AB");
  EXPECT_TRUE(Criteria_MatchTextBuf(&pattern_, &buffer));
  EXPECT_TRUE(Criteria_Match(&pattern_, "abx", 2));
  char* block = StrDup("ab");
  EXPECT_TRUE(Criteria_MatchBlockText(&pattern_, block));
  MemFree(block);
  EXPECT_FALSE(Criteria_MatchBlockText(&pattern_, nullptr));
  Compile("\\");
  EXPECT_TRUE(Criteria_MatchBlockText(&pattern_, nullptr));
  EXPECT_TRUE(Criteria_MatchCStr(&pattern_, nullptr));
}

struct PlainCalls {
  int count = 0;
};

// Link markup for the test: brackets around a link's text.
void StripBrackets(void* context, const char* text, int32_t length, T_TextBuf* plain) {
  ++static_cast<PlainCalls*>(context)->count;
  TextBufSetLength(plain, 0);
  for (int32_t i = 0; i < length; ++i) {
    if (text[i] != '[' && text[i] != ']') TextBufAppendChar(plain, text[i]);
  }
}

TEST_F(TextCriteria, FoldedMatchTriesThePlainFormOfFailedTests) {
  struct Case {
    const char* criteria;
    const char* text;
    bool matches;
    int plainCalls;
  };
  const Case cases[] = {
      {"ab", "a[b]", true, 1},    {"ab", "ab", true, 0},          {"\\ab", "[a]b", true, 1},
      {"ab|cd", "[c]d", true, 1}, {"xy", "a[b]", false, 1},       {"¬\\", "", true, 0},
      {"\\", "", false, 0},       {"ab&¬cd", "ab[c]d", false, 1},
  };
  for (const Case& c : cases) {
    Compile(c.criteria);
    char* block = StrDupBytes(c.text, static_cast<int32_t>(std::strlen(c.text)));
    if (!block) block = static_cast<char*>(MemDup("", 1));  // the empty block text
    PlainCalls calls;
    EXPECT_EQ(Criteria_MatchFolded(&pattern_, block, StripBrackets, &calls), c.matches)
        << c.criteria << " / " << c.text;
    EXPECT_EQ(calls.count, c.plainCalls) << c.criteria << " / " << c.text;
    MemFree(block);
  }
  Compile("\\");
  EXPECT_TRUE(Criteria_MatchFolded(&pattern_, nullptr, StripBrackets, nullptr));
}

std::string Repeated(const std::string& part, int count, const std::string& last = "") {
  std::string text;
  for (int i = 0; i < count; ++i) text += part;
  return text + last;
}

TEST_F(TextCriteria, RefusesCriteriaBeyondTheLimitsAndThenMatchesNothing) {
  struct Case {
    std::string text;
    bool refused;
    std::string sample = "a";  // matches unless refused
  };
  const Case cases[] = {
      {Repeated("a|", 63, "a"), false},  // 127 operations and the end
      {Repeated("a|", 64, "a"), true},
      {std::string(1023, 'a'), false, std::string(1023, 'a')},  // 1024 bytes of terms
      {Repeated("ä", 600), true},
      {"\\" + std::string(1022, 'a'), false, std::string(1022, 'a')},  // 1024 nodes
      {"\\" + Repeated("*a", 400), true},
      {Repeated("(", 99, "a"), false},
      {Repeated("(", 150, "a"), true},
      {"\\" + Repeated("{", 150, "a"), true},
  };
  for (const Case& c : cases) {
    PendingErrorClear();
    std::string normalised = Compile(c.text);
    EXPECT_EQ(PendingError.request.message, c.refused ? kMsgCriteriaTooComplex : 0)
        << c.text.size();
    if (c.refused) {
      EXPECT_EQ(normalised, c.text) << "the text is kept as typed";
      for (const char* text : {"a", "", c.text.c_str()}) EXPECT_FALSE(Match(text)) << c.text.size();
    } else {
      EXPECT_TRUE(Match(c.sample.c_str())) << c.text.size();
    }
  }
  // longer texts lose their end
  EXPECT_EQ(Compile(std::string(1100, 'b')), std::string(1023, 'b'));
}

TEST_F(TextCriteria, OutOfMemoryLeavesAPatternThatMatchesNothing) {
  SetHeapFailHook([](size_t) { return false; });
  Compile("north");
  SetHeapFailHook(nullptr);
  EXPECT_EQ(PendingError.request.message, 600);
  for (const char* text : {"north", ""}) EXPECT_FALSE(Match(text)) << text;
}

class NumberCriteria : public testing::Test {
 protected:
  void SetUp() override {
    NumCriteria_Init(&holder_);
    PendingErrorClear();
  }
  void TearDown() override {
    MemFreeHeld(&holder_);
    PendingErrorClear();
  }
  std::string Compile(const std::string& text) {
    T_TextBuf buffer(text.c_str());
    NumCriteria_Compile(&holder_, &buffer);
    return buffer.c_str();
  }
  bool Match(double value) { return NumCriteria_Match(holder_.program, value); }

  NumCriteria holder_;
};

TEST_F(NumberCriteria, NormalisesOperatorsAndNumbers) {
  struct Case {
    const char* text;
    const char* normalised;
  };
  const Case cases[] = {
      {"10..20", "10…20"}, {"10_20", "10…20"}, {"10 … 20", "10…20"}, {"< 100", "<100"},
      {"=<5", "<=5"},      {"= >5", ">=5"},    {"≥5", ">=5"},        {"≤5", "<=5"},
      {"≠5", "<>5"},       {"><5", "<>5"},     {"==5", "=5"},        {"=\\", "\\"},
      {"<", "\\"},         {"<=", "<\\"},      {"<\\", "<\\"},       {"1,5", "1.5"},
      {"1e3", "1000"},     {"0.001", "1E-3"},  {"5…", "5"},          {"(<1|>2", "(<1|>2)"},
      {"<1++>2", "<1|>2"}, {"--5", "¬5"},      {"abc", "abc"},       {"<100 | >200", "<100|>200"},
      {"1 000", "1000"},   {"-2.50", "-2.5"},  {"1)", "1"},          {"(1) | \\", "(1)|\\"},
      {"= \\", "\\"},      {"…", "…"},         {"¬|¬5", "5"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Compile(c.text), c.normalised) << c.text;
    EXPECT_NE(holder_.program, nullptr) << c.text;
    // the normal form reads back as itself
    EXPECT_EQ(Compile(c.normalised), c.normalised) << c.text;
  }
  for (const char* empty : {"", "   "}) {
    EXPECT_EQ(Compile(empty), "");
    EXPECT_EQ(holder_.program, nullptr);
    EXPECT_TRUE(Match(kNaN));
  }
  EXPECT_FALSE(AbortRequested());
}

TEST_F(NumberCriteria, MatchesValues) {
  struct Case {
    const char* criteria;
    std::vector<double> matching;
    std::vector<double> failing;
  };
  const Case cases[] = {
      {"<100|>=200", {99, 200, -1e300}, {150, 100, kNaN}},
      {"10…20", {10, 20, 15}, {9.99, 20.5, kNaN}},
      {"\\", {kNaN}, {0, 1}},
      {"¬\\", {0, -3}, {kNaN}},
      {"<>5", {4, 6}, {5, kNaN}},
      {"=5", {5}, {5.5, kNaN}},
      {">1&<3", {2}, {1, 3, kNaN}},
      {">1¬=2", {1.5, 3}, {2, 0}},
      {"1±2", {1, 2}, {3}},
      {"<1|<2|<3", {0, 1.5, 2.5}, {3, 4}},
      {"(>1|<-1)&¬=5", {6, -2}, {5, 0}},
      {"abc", {}, {0, kNaN}},
      {"<\\", {kNaN}, {1}},
      {"\\|>0", {kNaN, 1}, {0, -1}},
      // the value of the number as it is kept ("=0.3"), not as it was typed
      {"=0.30000000000000004", {0.3}, {0.1 + 0.2}},
  };
  for (const Case& c : cases) {
    Compile(c.criteria);
    for (double v : c.matching) EXPECT_TRUE(Match(v)) << c.criteria << " / " << v;
    for (double v : c.failing) EXPECT_FALSE(Match(v)) << c.criteria << " / " << v;
  }
}

TEST_F(NumberCriteria, NumbersFollowTheUsersSeparators) {
  SeparatorPair saved = SeparatorsGet();
  SeparatorsSet({',', ' '});
  EXPECT_EQ(Compile("<1.5|2.000,5"), "<1,5|2000,5");
  EXPECT_EQ(Compile("<1,5|2000,5"), "<1,5|2000,5");
  EXPECT_TRUE(Match(1.25));
  EXPECT_TRUE(Match(2000.5));
  SeparatorsSet(saved);
}

TEST_F(NumberCriteria, RefusedCriteriaMatchNothing) {
  std::string deep = Repeated("(", 150, "1");
  EXPECT_EQ(Compile(deep), deep);
  EXPECT_EQ(PendingError.request.message, kMsgCriteriaTooComplex);
  EXPECT_NE(holder_.program, nullptr);
  EXPECT_FALSE(Match(1));
  EXPECT_FALSE(Match(kNaN));

  PendingErrorClear();
  SetHeapFailHook([](size_t) { return false; });
  Compile("\\");
  SetHeapFailHook(nullptr);
  EXPECT_EQ(PendingError.request.message, 600);
  EXPECT_FALSE(Match(kNaN));
}

TEST(CondText, BuildsWithTheFewestBrackets) {
  struct Step {
    char kind;  // 'o' operand, 'j' join, 'p' prefix, 'w' prefix word
    const char* text;
    uint16_t op = 0;
    int32_t precedence = 0;
  };
  struct Case {
    uint16_t spacing;
    std::vector<Step> steps;
    const char* result;
  };
  const uint16_t kNotChar = 0x00AC;
  const Case cases[] = {
      {0, {{'o', "a"}, {'o', "b"}, {'j', "", '|', 1}, {'o', "c"}, {'j', "", '&', 3}}, "(a|b)&c"},
      {0, {{'o', "a"}, {'o', "b"}, {'o', "c"}, {'j', "", '&', 3}, {'j', "", '|', 1}}, "a|b&c"},
      {0, {{'o', "a"}, {'o', "b"}, {'o', "c"}, {'j', "", '&', 3}, {'j', "", '&', 3}}, "a&b&c"},
      {0,
       {{'o', "a"}, {'o', "b"}, {'o', "c"}, {'j', "", kNotChar, 3}, {'j', "", kNotChar, 3}},
       "a¬(b¬c)"},
      {0,
       {{'o', "a"}, {'o', "b"}, {'j', "", kNotChar, 3}, {'o', "c"}, {'j', "", kNotChar, 3}},
       "a¬b¬c"},
      {0,
       {{'o', "a"}, {'o', "b"}, {'o', "c"}, {'j', "", '&', 3}, {'j', "", kNotChar, 3}},
       "a¬(b&c)"},
      {0, {{'o', "a"}, {'o', "b"}, {'j', "", '|', 1}, {'p', "", kNotChar, 4}}, "¬(a|b)"},
      {0, {{'o', "a"}, {'p', "", kNotChar, 4}, {'p', "", kNotChar, 4}}, "¬(¬a)"},
      {' ', {{'o', "a"}, {'o', "b"}, {'j', "", '|', 1}}, "a | b"},
      {0, {{'o', "a"}, {'o', "b"}, {'j', "", '&', 3}, {'w', "NOT", 0, 4}}, "NOT (a&b)"},
      {0, {{'o', "a"}, {'o', "b"}, {'j', "", 0x00B1, 2}, {'o', "c"}, {'j', "", '|', 1}}, "a±b|c"},
  };
  for (const Case& c : cases) {
    CondTextBuilder builder;
    CondText_Init(&builder, c.spacing);
    for (const Step& s : c.steps) {
      if (s.kind == 'o') CondText_PushOperand(&builder, s.text);
      if (s.kind == 'j') CondText_Join(&builder, s.op, s.precedence);
      if (s.kind == 'p') CondText_Prefix(&builder, s.op, s.precedence);
      if (s.kind == 'w') CondText_PrefixWord(&builder, s.text, s.precedence);
    }
    T_TextBuf out;
    CondText_Result(&builder, &out);
    EXPECT_STREQ(out.c_str(), c.result);
    CondText_Free(&builder);
    EXPECT_EQ(builder.top, nullptr);
  }
}

}  // namespace
