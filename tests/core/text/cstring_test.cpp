#include "core/cstring.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/locale.h"
#include "core/utf8.h"

namespace {

// --- UTF-8 stepping and validity ----------------------------------------------------------------

struct StepCase {
  const char* text;
  uint32_t codes[4];  // decoded in order, 0 marks an invalid byte
  int32_t steps[4];   // bytes each step advanced
  int32_t count;      // Utf8CharCount
};

TEST(Utf8, StepsDecodeAndCount) {
  const StepCase cases[] = {
      {"a\xC3\xA9", {'a', 0xE9}, {1, 2}, 2},
      {"\xE2\x82\xAC"
       "b",
       {0x20AC, 'b'},
       {3, 1},
       2},
      {"\xC3", {0}, {1}, 0},                      // lead without its continuation: the NUL stays
      {"\xE2\x82", {0, 0}, {1, 1}, 0},            // cut 3-byte sequence
      {"\x80z", {0, 'z'}, {1, 1}, 0},             // stray continuation byte
      {"\xF0\x9F\x98\x80", {0x1F600}, {4}, 1},    // beyond U+FFFF: one 4-byte character
      {"\xF0\x9F\x98", {0, 0, 0}, {1, 1, 1}, 0},  // cut 4-byte sequence
      {"\xC0\x80", {0, 0}, {1, 1}, 0},            // overlong: no character
      {"\xF4\x90\x80\x80", {0, 0, 0, 0}, {1, 1, 1, 1}, 0},  // beyond U+10FFFF
      {"\xED\xA0\xBD", {0xD83D}, {3}, 1},  // a 3-byte surrogate half of older texts
  };
  for (const StepCase& c : cases) {
    const char* p = c.text;
    for (int32_t i = 0; *p; ++i) {
      ASSERT_LT(i, 4) << c.text;
      const char* before = p;
      EXPECT_EQ(Utf8NextChar(&p), c.codes[i]) << c.text << " step " << i;
      EXPECT_EQ(p - before, c.steps[i]) << c.text << " step " << i;
    }
    EXPECT_EQ(Utf8CharCount(c.text), c.count) << c.text;
  }
}

TEST(Utf8, PrevCharFindsTheLeadByte) {
  const char* text = "a\xC3\xA9\xE2\x82\xAC";
  const char* p = text + 6;
  EXPECT_EQ(Utf8PrevChar(&p), 0x20AC);
  EXPECT_EQ(p, text + 3);
  EXPECT_EQ(Utf8PrevChar(&p), 0xE9);
  EXPECT_EQ(Utf8PrevChar(&p), 'a');
  EXPECT_EQ(p, text);
}

TEST(Utf8, EncodeRoundTripsEveryCharacter) {
  for (uint32_t u = 1; u <= kMaxCodePoint; u += u < 0x10000 ? 1 : 97) {
    char bytes[4];
    int32_t n = Utf8EncodeZ(bytes, u);
    ASSERT_EQ(n, Utf8EncodedLen(u));
    ASSERT_EQ(Utf8SeqLen(static_cast<uint8_t>(bytes[0])), n);
    ASSERT_EQ(Utf8Decode(bytes), u);
  }
}

struct SniffCase {
  const char* bytes;
  int32_t n;
  int32_t sniff;
};

TEST(Utf8, SniffAndValidityIgnoreACutTail) {
  const SniffCase cases[] = {
      {"plain text", 10, 0},
      {"caf\xC3\xA9 ok", 8, 2},
      {"bad \xE9 byte", 10, 1},
      {"x\xC3(", 3, 0},       // sequence starts in the last two bytes: not checked
      {"abc\xE2\x82", 5, 0},  // buffer head ending inside a character
      {"ab\xE2\x82"
       "cd",
       6, 1},
      {"\xF0\x9F\x98\x80....", 8, 2},  // a character beyond U+FFFF
      {"ab\xF0\x9F\x98", 5, 2},        // ... cut by the end of the head
      {"ab\xF0\x9F(", 5, 1},
      {"\xC0\x80....", 6, 1},  // overlong
      {"", 0, 0},
  };
  for (const SniffCase& c : cases) {
    EXPECT_EQ(Utf8Sniff(c.bytes, c.n), c.sniff) << c.bytes;
    EXPECT_EQ(Utf8IsValid(c.bytes, c.n), c.sniff != 1) << c.bytes;
  }
}

TEST(Utf8, Utf16ConversionStopsBeforeACharacterThatDoesNotFit) {
  const wchar_t wide[] = {L'a', 0xE9, 0x20AC, 0};
  char out[16];
  EXPECT_EQ(Utf16Utf8Len(wide), 6);
  EXPECT_EQ(Utf16ToUtf8(out, wide), 6);
  EXPECT_STREQ(out, "a\xC3\xA9\xE2\x82\xAC");
  const int32_t capacities[] = {1, 2, 3, 4, 6, 7};
  const int32_t lengths[] = {0, 1, 1, 3, 3, 6};
  for (int32_t i = 0; i < 6; ++i) {
    EXPECT_EQ(Utf16ToUtf8Cap(out, capacities[i], wide), lengths[i]) << capacities[i];
    EXPECT_EQ(static_cast<int32_t>(std::string(out).size()), lengths[i]);
  }
  EXPECT_EQ(Utf16ToUtf8N(out, wide, 2), 3);
}

// A surrogate pair is one 4-byte character both ways; a lone half keeps its 3-byte form, as
// older texts store it.
TEST(Utf8, SurrogatePairsAreOneCharacter) {
  const wchar_t wide[] = {L'a', 0xD83D, 0xDE00, 0xDC00, L'b', 0xD83D, 0};
  const char* utf8 =
      "a\xF0\x9F\x98\x80\xED\xB0\x80"
      "b\xED\xA0\xBD";
  char out[32];
  EXPECT_EQ(Utf16Utf8Len(wide), 12);
  EXPECT_EQ(Utf16ToUtf8(out, wide), 12);
  EXPECT_STREQ(out, utf8);
  EXPECT_EQ(Utf16ToUtf8Cap(out, 5, wide), 1);  // the pair does not fit whole
  EXPECT_EQ(Utf16ToUtf8Cap(out, 6, wide), 5);
  EXPECT_EQ(Utf16ToUtf8N(out, wide, 2), 4);  // a pair cut by n: the half alone
  EXPECT_STREQ(out, "a\xED\xA0\xBD");

  wchar_t units[2];
  EXPECT_EQ(Utf16Encode(units, 0x1F600), 2);
  EXPECT_EQ(units[0], 0xD83D);
  EXPECT_EQ(units[1], 0xDE00);
  EXPECT_EQ(Utf16Encode(units, 0xE9), 1);
  EXPECT_EQ(Utf8EncodedLen(0x1F600), 4);
  EXPECT_EQ(Utf8SeqLen(0xF0), 4);
}

// --- Copy and compare
// -----------------------------------------------------------------------------

TEST(CString, CopyNNeverCutsACharacter) {
  struct {
    const char* text;
    int32_t n;
    const char* expected;
  } cases[] = {
      {"abc", 10, "abc"},
      {"abcdef", 4, "abc"},
      {"ab\xC3\xA9", 4, "ab"},
      {"ab\xC3\xA9", 5, "ab\xC3\xA9"},
      {"a\xE2\x82\xAC", 5, "a\xE2\x82\xAC"},
      {"a\xE2\x82\xACz", 4, "a"},
      {"\xE2\x82\xAC", 3, ""},
      {"abc", 1, ""},
  };
  for (const auto& c : cases) {
    char buffer[16];
    std::memset(buffer, 'X', sizeof buffer);
    int32_t n = StrCopyN(buffer, c.n, c.text);
    EXPECT_STREQ(buffer, c.expected) << c.text << " n " << c.n;
    EXPECT_EQ(n, static_cast<int32_t>(std::strlen(c.expected)));
  }
}

TEST(CString, ComparisonsAndNulls) {
  EXPECT_EQ(StrCompare("ab", "abc"), -1);
  EXPECT_EQ(StrCompare("\xC3\xA9", "z"), 1);  // unsigned bytes
  EXPECT_EQ(StrCompareNullFirst(nullptr, ""), -1);
  EXPECT_EQ(StrCompareNullFirst(nullptr, nullptr), 0);
  EXPECT_EQ(StrCompareNoCaseNullLast(nullptr, "zz"), 1);
  EXPECT_EQ(StrCompareByKind("abc", "ABC", 4), 1);
  EXPECT_EQ(StrCompareByKind("abc", "ABC", 5), 0);
  EXPECT_FALSE(StrEqual(nullptr, ""));
  EXPECT_TRUE(StrEqualNullAsEmpty("", nullptr));
  EXPECT_EQ(StrFind("", ""), -1);
  EXPECT_EQ(StrFind("abc", ""), 0);
  EXPECT_EQ(StrFind("abcbc", "bc"), 1);
  EXPECT_TRUE(StrStartsWith("abc", ""));
}

// --- Number writers -----------------------------------------------------------------------------

TEST(CString, NumberWriters) {
  char b[64];
  struct {
    int32_t n;
    const char* expected;
  } cases[] = {
      {IntToStrWidth(b, 12345, 3), "345"},
      {IntToStrWidth(b + 8, -5, 3), "-005"},
      {IntToStr(b + 16, INT32_MIN), "-2147483648"},
      {Int64ToStr(b + 32, INT64_MIN), "-9223372036854775808"},
  };
  EXPECT_STREQ(b, "345");
  EXPECT_STREQ(b + 8, "-005");
  EXPECT_STREQ(b + 16, "-2147483648");
  EXPECT_STREQ(b + 32, "-9223372036854775808");
  for (const auto& c : cases) EXPECT_EQ(c.n, static_cast<int32_t>(std::strlen(c.expected)));

  const struct {
    int64_t value;
    uint32_t separator;
    const char* expected;
  } grouped[] = {
      {1234567, ',', "1,234,567"},
      {123, ',', "123"},
      {-1234, ' ', "-1 234"},
      {1000, 0, "1000"},
      {1000000, 0xA0,
       "1\xC2\xA0"
       "000\xC2\xA0"
       "000"},
  };
  for (const auto& g : grouped) {
    Int64ToStrGrouped(b, g.value, g.separator);
    EXPECT_STREQ(b, g.expected);
  }
  SeparatorsSet({',', '.'});
  Int64ToStrGrouped(b, 12345, kSeparatorGlobal);
  EXPECT_STREQ(b, "12.345");
  SeparatorsSet({'.', ','});

  HexMin(b, 0);
  EXPECT_STREQ(b, "0");
  HexMin(b, 0x1A2);
  EXPECT_STREQ(b, "1A2");
  HexMin(b, -1);
  EXPECT_STREQ(b, "FFFFFFFF");
  Hex4(b, 0x12345);
  EXPECT_STREQ(b, "2345");
  const uint8_t bytes[] = {0x00, 0xAB, 0x7F};
  HexDump(b, bytes, 3, true);
  EXPECT_STREQ(b, "00 AB 7F");
  EXPECT_EQ(ParseHex("1A f", 4), 0x1Au * 16 + ('f' - 7 - '0'));  // lower case is no digit here
  EXPECT_EQ(ParseHex("FF", 2), 255u);
}

TEST(CString, CompactNumberText) {
  struct {
    int32_t value;
    const char* expected;
  } cases[] = {{100, "Bk"}, {0, "AA"}, {127, "B9"}, {-1, "gB"}, {128, "CA"}, {130, "CB"}};
  char b[3];
  for (const auto& c : cases) {
    CompactNumberText(b, c.value);
    EXPECT_STREQ(b, c.expected) << c.value;
  }
  char other[3];
  CompactNumberText(b, 1000);
  CompactNumberText(other, 1007);
  EXPECT_STREQ(b, other);
  CompactNumberText(b, INT32_MIN);  // no overflow on the magnitude
  EXPECT_EQ(b[2], 0);
}

// --- In-place editing ---------------------------------------------------------------------------

TEST(CString, InPlaceEdits) {
  struct {
    int32_t (*edit)(char*);
    const char* input;
    const char* expected;
  } cases[] = {
      {StrNormalizeLines, "\r\na  \n\nb\r\n", "a\r\rb"},
      {StrNormalizeLines, "\n\n x\ty \n", " xy"},
      {StrSquashBlanks, "a   b  c ", "a b c "},
      {StrRemoveControls,
       "a\tb\x01"
       "c",
       "abc"},
      {StrBlankControls, "a\tb\r\nc\x1f\x7f", "a b  c \x7f"},
      {StrBlankControls, "a\tb\r\nc\x1f\xC3\xA9", "a b  c \xC3\xA9"},
      {StrDecodeEntities, "&lt;b&gt; &#09;", "<b> \t"},
      {StrDecodeEntities, "&#65;&#x41;&#X6a;&#233;&#xE9;", "AAj\xC3\xA9\xC3\xA9"},
      {StrDecodeEntities, "&#128512;&#x1F600;", "\xF0\x9F\x98\x80\xF0\x9F\x98\x80"},
      {StrDecodeEntities, "&#0; &#; &#x; &#1114112; &#12 &#x1G; &amp &unknown; &",
       "&#0; &#; &#x; &#1114112; &#12 &#x1G; &amp &unknown; &"},
      {StrDecodeEntities, "&eacute;&euro;&Alpha;&nbsp;", "\xC3\xA9\xE2\x82\xAC\xCE\x91\xC2\xA0"},
      {StrDecodeEntities, "&ne;&amp;&ne;", "\xE2\x89\xA0&\xE2\x89\xA0"},
  };
  for (const auto& c : cases) {
    char buffer[64];
    std::strcpy(buffer, c.input);
    int32_t n = c.edit(buffer);
    EXPECT_STREQ(buffer, c.expected) << c.input;
    EXPECT_EQ(n, static_cast<int32_t>(std::strlen(c.expected)));
  }
}

TEST(CString, PathKinds) {
  struct {
    const char* path;
    int32_t flags;
    bool expected;
  } cases[] = {
      {"C:\\x", 2 + 16, true},  {"\\\\srv", 2 + 16, true}, {"dir\\x", 2 + 16, false},
      {"dir\\x", 2 + 32, true}, {"c:\\x", 0, true},        {"\\x", 2 + 32, false},
      {"/a/b", 1 + 16, true},   {"/a", 1 + 16, false},     {"a/b", 1 + 32, true},
      {"/a/b", 1 + 32, false},  {nullptr, 0, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PathIsKind(c.path, c.flags), c.expected) << (c.path ? c.path : "null");
}

TEST(CString, CaseModeLettersAndBreakClasses) {
  int32_t mode = 99;
  EXPECT_EQ(CaseModeFromLetter(&mode, 'W'), 3);
  EXPECT_EQ(mode, 3);
  EXPECT_EQ(CaseModeFromLetter(&mode, 'x'), -1);
  EXPECT_EQ(mode, 3);
  for (int32_t rule = 0; rule < 6; ++rule) {
    EXPECT_EQ(CaseModeFromLetter(&mode, CaseModeToLetter(rule)), rule);
  }
  EXPECT_EQ(CaseModeToLetter(6), 0);
  EXPECT_EQ(CharBreakClass(0x2026), 1);
  EXPECT_EQ(CharBreakClass('('), 2);
  EXPECT_EQ(CharBreakClass('a'), 0);
}

}  // namespace
