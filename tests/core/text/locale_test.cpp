#include "core/locale.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "core/codepage_text.h"
#include "core/cstring.h"

namespace {

// --- Case mapping -------------------------------------------------------------------------------

struct CaseCase {
  uint32_t unit;
  uint32_t upper;
  uint32_t lower;
  uint32_t base;
};

TEST(Locale, CaseTablesFromRangesAndBaseLetters) {
  const CaseCase cases[] = {
      {'a', 'A', 'a', 'a'},
      {'Z', 'Z', 'z', 'Z'},
      {0xE4, 0xC4, 0xE4, 'a'},
      {0xC5, 0xC5, 0xE5, 'A'},  // a-umlaut, A-ring
      {0xD7, 0xD7, 0xD7, 0xD7},
      {0xF7, 0xF7, 0xF7, 0xF7},  // times, divide: no case, no base
      {0xDF, 0xDF, 0xDF, 0xDF},  // sharp s
      {0x0107, 0x0106, 0x0107, 'c'},
      {0x0160, 0x0160, 0x0161, 'S'},  // pairs
      {0x01C5, 0x01C4, 0x01C6, 0x01C5},
      {0x01C4, 0x01C4, 0x01C6, 0x01C4},  // triple DZ with caron
      {0x01F2, 0x01F1, 0x01F3, 0x01F2},
      {0x03B1, 0x0391, 0x03B1, 0x03B1},
      {0x03C2, 0x03A3, 0x03C2, 0x03C2},  // final sigma
      {0x03A2, 0x03A2, 0x03A2, 0x03A2},  // unassigned: itself
      {0x0436, 0x0416, 0x0436, 0x0436},
      {0x04D1, 0x04D0, 0x04D1, 0x04D1},
      {0x0133, 0x0132, 0x0133, 0x0133},
      {0x017F, 0x017F, 0x017F, 's'},
      {0x0219, 0x0218, 0x0219, 's'},
      {0x024F, 0x024F, 0x024F, 'y'},
      {0x20AC, 0x20AC, 0x20AC, 0x20AC},  // beyond the tables
  };
  for (const CaseCase& c : cases) {
    EXPECT_EQ(CharToUpper(c.unit), c.upper) << std::hex << c.unit;
    EXPECT_EQ(CharToLower(c.unit), c.lower) << std::hex << c.unit;
    EXPECT_EQ(CharStripAccent(c.unit), c.base) << std::hex << c.unit;
  }
}

TEST(Locale, CaseModesInPlace) {
  struct {
    const char* input;
    int32_t mode;
    const char* expected;
  } cases[] = {
      {"hello-world (x)", 3, "Hello-World (X)"},
      {"o'neil DE\xC3\x84RT", 3, "O'neil De\xC3\xA4rt"},  // the apostrophe does not start a word
      {"\xC3\xA4rger \xE2\x82\xAC", 0, "\xC3\x84RGER \xE2\x82\xAC"},
      {"ABC \xC3\x89T\xC3\x89", 1, "abc \xC3\xA9t\xC3\xA9"},
      {"hELLO wORLD", 2, "Hello world"},
      {"abc", 4, "abc"},
      // A character beyond U+FFFF is passed over whole and ends no word.
      {"a\xF0\x9F\x98\x80"
       "b \xC3\xA9",
       0,
       "A\xF0\x9F\x98\x80"
       "B \xC3\x89"},
      {"x\xF0\x9F\x98\x80Y z", 3, "X\xF0\x9F\x98\x80y Z"},
      {"ab\xFF"
       "cd",
       0,
       "AB\xFF"
       "cd"},  // the walk stops at an invalid byte
  };
  for (const auto& c : cases) {
    char buffer[64];
    std::strcpy(buffer, c.input);
    CaseModeApply(buffer, c.mode);
    EXPECT_STREQ(buffer, c.expected) << c.input << " mode " << c.mode;
  }
  wchar_t wide[] = L"hello-world (x)";
  WideCaseModeApply(wide, 3);
  EXPECT_STREQ(wide, L"Hello-World (X)");
}

// --- Comparison without case
// ----------------------------------------------------------------------

TEST(Locale, ComparisonWithoutCase) {
  struct {
    const char* a;
    const char* b;
    int32_t compare;
  } cases[] = {
      {"\xC3\x84rger", "\xC3\xA4RGER", 0},
      {"abc", "ABD", -1},
      {"ab", "ABC", -1},
      {"\xCE\xA3\xCE\xA3", "\xCF\x83\xCF\x82", 0},  // sigma, final sigma
      {"z", "\xC3\xA4", -1},                        // by code point
      {"\xE2\x82\xAC", "\xE2\x82\xAC", 0},
      {"a\xF0\x9F\x98\x80"
       "b",
       "A\xF0\x9F\x98\x80"
       "B",
       0},  // the whole text is compared
      {"a\xF0\x9F\x98\x80"
       "b",
       "A\xF0\x9F\x98\x80"
       "C",
       -1},
      {nullptr, "", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(StrCompareNoCase(c.a, c.b), c.compare) << (c.a ? c.a : "null") << " / " << c.b;
    EXPECT_EQ(StrCompareNoCase(c.b, c.a), -c.compare);
    EXPECT_EQ(StrEqualNoCase(c.a, c.b), c.compare == 0);
  }
  EXPECT_EQ(StrCompareByMode("a", "A", kCaseSensitive), 1);
  EXPECT_TRUE(StrStartsWithNoCase("\xC3\x89t\xC3\xA9", "\xC3\xA9T"));
  EXPECT_FALSE(StrStartsWithByMode("Abc", "ab", kCaseSensitive));
  EXPECT_TRUE(StrStartsWithByMode("Abc", "ab", kCaseInsensitive));
}

TEST(Locale, FindWithoutCase) {
  EXPECT_EQ(StrFindNoCase("abc", ""), -1);
  EXPECT_EQ(StrFindNoCase("", "a"), -1);
  EXPECT_EQ(StrFindNoCase("x \xC3\xA4RGER", "\xC3\x84rg"), 2);
  EXPECT_EQ(StrFindNoCase("aaab", "AB"), 2);
  EXPECT_EQ(MemFind("abcabc", 4, "bc"), 1);
  EXPECT_EQ(MemFind("abcabc", 2, "bc"), -1);  // needle beyond the length
  EXPECT_EQ(MemFindNoCase("xxABC", 5, "abc"), 2);
  EXPECT_EQ(MemFindNoCase("xxABC", 4, "abc"), -1);
}

// A counted buffer may end right before unreadable memory: a lead byte in its last place must
// not make the search read on.
TEST(Locale, FindWithoutCaseStaysInsideTheBuffer) {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  const size_t page = info.dwPageSize;
  auto* pages =
      static_cast<char*>(VirtualAlloc(nullptr, 2 * page, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  ASSERT_NE(pages, nullptr);
  DWORD old;
  ASSERT_TRUE(VirtualProtect(pages + page, page, PAGE_NOACCESS, &old));
  char* tail = pages + page - 2;
  tail[0] = 'x';
  tail[1] = '\xE2';
  EXPECT_EQ(MemFindNoCase(tail, 2, "\xE2\x82\xAC"), -1);
  EXPECT_EQ(MemFindNoCase(tail, 2, "X"), 0);
  VirtualFree(pages, 0, MEM_RELEASE);
}

TEST(Locale, ComposeAccent) {
  EXPECT_EQ(ComposeAccent('e', 0x301), 0xE9u);
  EXPECT_EQ(ComposeAccent('A', 0x30A), 0xC5u);
  EXPECT_EQ(ComposeAccent('s', 0x30C), 0x161u);
  EXPECT_EQ(ComposeAccent('R', 0x311), 0x212u);
  EXPECT_EQ(ComposeAccent('d', 0x30C), 0u);
  EXPECT_EQ(ComposeAccent('e', 0x312), 0u);
  // Every composed character strips back to its base letter where the table knows it.
  for (uint32_t mark = 0x300; mark <= 0x311; ++mark) {
    for (uint32_t base = 'A'; base <= 'z'; ++base) {
      uint32_t composed = ComposeAccent(base, mark);
      if (composed && composed < 0x250 && CharStripAccent(composed) != composed) {
        EXPECT_EQ(CharStripAccent(composed), base) << std::hex << composed;
      }
    }
  }
}

TEST(Locale, LanguagesAndEntities) {
  EXPECT_STREQ(LanguageName(6),
               "Fran\xC3\xA7"
               "ais");
  EXPECT_STREQ(LanguageName(13), "English");
  EXPECT_STREQ(LanguageCode(12), "SWE");
  EXPECT_EQ(LanguageCode(-1), nullptr);
  EXPECT_EQ(CaseModeLetter(3), 'W');
  EXPECT_STREQ(EntityForChar(0x27)->name, "&apos;");
  EXPECT_STREQ(EntityForChar(0x3C2)->name, "&sigmaf;");
  EXPECT_EQ(EntityForChar(0xA8), nullptr);
  EXPECT_EQ(EntityForChar(0x3A2), nullptr);
  const EntityEntry* table = EntityTable();
  for (int32_t i = 0; i < kEntityCount; ++i) {
    EXPECT_EQ(EntityForChar(table[i].unit), &table[i]) << "duplicate " << std::hex << table[i].unit;
  }
  EXPECT_STREQ(table[kEntityCount - 1].name, "&ge;");
}

TEST(Locale, CodePageConversions) {
  struct {
    uint32_t unit;
    TextEncoding encoding;
    const char* bytes;
    int32_t n;
  } cases[] = {
      {0x20AC, kEncodingUtf8, "\xE2\x82\xAC", 3},
      {0x20AC, kEncodingUtf16LE, "\xAC\x20", 2},
      {0x20AC, kEncodingUtf16BE, "\x20\xAC", 2},
      {0x20AC, kEncodingLatin1, "\x80", 1},
      {0x20AC, kEncodingPc8, "", 0},
      {'a', kEncodingMacRoman, "a", 1},
  };
  for (const auto& c : cases) {
    char buffer[4];
    EXPECT_EQ(EncodeUnit(buffer, c.unit, c.encoding), c.n) << c.encoding;
    EXPECT_EQ(std::string(buffer, static_cast<size_t>(c.n)),
              std::string(c.bytes, static_cast<size_t>(c.n)));
  }
  T_TextBuf b;
  TextBufFromCodepage(&b, "\xC4pfel \x80", kEncodingLatin1);
  EXPECT_STREQ(b.data, "\xC3\x84pfel \xE2\x82\xAC");
  TextBufToCodepage(&b, kEncodingLatin1);
  EXPECT_STREQ(b.data, "\xC4pfel \x80");
  TextBufAssign(&b,
                "a\xE2\x82\xAC"
                "b");
  TextBufToCodepage(&b, kEncodingPc8);  // the page lacks the euro sign
  EXPECT_STREQ(b.data, "ab");
}

}  // namespace
