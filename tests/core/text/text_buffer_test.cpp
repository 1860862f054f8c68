#include "core/text_buffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/alert.h"
#include "core/memory.h"
#include "core/threads.h"
#include "core/wide_buffer.h"

namespace {

std::string Text(const T_TextBuf& b) { return std::string(b.data, static_cast<size_t>(b.length)); }

void ExpectInvariants(const T_TextBuf& b) {
  EXPECT_EQ(b.data[b.length], 0);
  EXPECT_LE(b.length, b.capacity);
  EXPECT_LE(b.length, kTextBufMax);
  EXPECT_EQ(b.data == b.inlineBuffer, b.heap == nullptr);
}

// --- Growth and the cap
// ---------------------------------------------------------------------------

TEST(TextBuf, GrowsPastTheInlineBufferInSteps) {
  T_TextBuf b;
  TextBufAssignRepeat(&b, 'x', 111);
  EXPECT_EQ(b.heap, nullptr);
  EXPECT_EQ(b.capacity, 111);
  TextBufAppendChar(&b, 'y');
  EXPECT_NE(b.heap, nullptr);
  EXPECT_EQ(b.capacity, 235);
  EXPECT_EQ(Text(b), std::string(111, 'x') + "y");
  ExpectInvariants(b);
}

TEST(TextBuf, CapCutsEveryLengtheningOperation) {
  const std::string big(40000, 'a');
  struct {
    const char* name;
    void (*run)(T_TextBuf*, const std::string&);
    int32_t expected;
  } cases[] = {
      {"assign", [](T_TextBuf* b, const std::string& s) { TextBufAssign(b, s.c_str()); },
       kTextBufMax},
      {"append",
       [](T_TextBuf* b, const std::string& s) {
         TextBufAssign(b, "12345");
         TextBufAppendBytes(b, s.data(), 32598);
       },
       kTextBufMax},
      {"insert",
       [](T_TextBuf* b, const std::string& s) {
         TextBufAssign(b, "tail");
         TextBufInsert(b, 0, s.c_str());
       },
       kTextBufMax},
      {"repeat", [](T_TextBuf* b, const std::string&) { TextBufAssignRepeat(b, 'r', 50000); },
       kTextBufMax},
      {"char at the cap",
       [](T_TextBuf* b, const std::string& s) {
         TextBufAssign(b, s.c_str());
         TextBufAppendChar(b, 'z');
         TextBufAppendWideChar(b, 0xE9);
         TextBufInsertChar(b, 0, 'z');
       },
       kTextBufMax},
      {"number at the cap",
       [](T_TextBuf* b, const std::string& s) {
         TextBufAssignBytes(b, s.data(), kTextBufMax - 3);
         TextBufAppendInt(b, 12345);  // skipped whole, never cut
         TextBufAppendInt(b, 12);
       },
       kTextBufMax - 1},
  };
  for (const auto& c : cases) {
    T_TextBuf b;
    c.run(&b, big);
    EXPECT_EQ(b.length, c.expected) << c.name;
    ExpectInvariants(b);
  }
  T_TextBuf fresh;
  TextBufAssign(&fresh, big.c_str());
  EXPECT_EQ(fresh.capacity, 32723);
}

TEST(TextBuf, CutAtTheCapKeepsWholeCharacters) {
  std::string text(kTextBufMax - 1, 'a');
  text += "\xE2\x82\xAC";  // the euro sign would straddle the cap
  T_TextBuf b;
  TextBufAssign(&b, text.c_str());
  EXPECT_EQ(b.length, kTextBufMax - 1);
  TextBufAssignBytes(&b, text.data(), kTextBufMax - 1);
  TextBufAppend(&b, "\xC3\xA9");
  EXPECT_EQ(b.length, kTextBufMax - 1);
}

TEST(TextBuf, AppendingItsOwnBytesAcrossGrowth) {
  T_TextBuf b;
  TextBufAssignRepeat(&b, 'q', 100);
  b.data[0] = 'a';
  TextBufAppendBuf(&b, &b);  // moves to the heap while reading from the inline buffer
  EXPECT_EQ(b.length, 200);
  EXPECT_EQ(b.data[100], 'a');
  EXPECT_EQ(Text(b).substr(100), Text(b).substr(0, 100));
  for (int32_t i = 0; i < 8; ++i) TextBufAppendBytes(&b, b.data + 1, b.length - 1);
  EXPECT_EQ(b.data[b.length - 1], 'q');
  ExpectInvariants(b);

  T_TextBuf c("abc");
  TextBufInsertBuf(&c, 1, &c);
  EXPECT_EQ(Text(c), "aabcbc");
  TextBufInsert(&c, 0, c.data + 4);
  EXPECT_EQ(Text(c), "bcaabcbc");
  TextBufAssign(&c, c.data + 2);
  EXPECT_EQ(Text(c), "aabcbc");
}

TEST(TextBuf, OutOfMemoryCutsInsteadOfFailing) {
  const std::string big(20000, 'm');
  T_TextBuf b("start");
  SetHeapFailHook([](size_t size) { return size < 8192; });
  TextBufAppend(&b, big.c_str());
  SetHeapFailHook(nullptr);
  EXPECT_EQ(b.length, b.capacity);
  EXPECT_LT(b.length, 20005);
  EXPECT_EQ(Text(b).substr(0, 5), "start");
  ExpectInvariants(b);
  PendingErrorClear();
}

TEST(TextBuf, WipeLeavesNoByteBehind) {
  T_TextBuf b;
  TextBufAssignRepeat(&b, 'S', 300);
  char* block = b.heap;
  int64_t size = MemSize(block);
  std::memset(b.inlineBuffer, 'I', sizeof b.inlineBuffer);  // stale bytes from its inline days
  TextBufWipe(&b);
  EXPECT_EQ(b.length, 0);
  EXPECT_EQ(b.capacity, 111);
  EXPECT_EQ(b.heap, nullptr);
  for (char c : b.inlineBuffer) EXPECT_EQ(c, 0);
  // The freed block comes back first from its size class; only the free-list link may be set.
  auto* again = static_cast<char*>(MemNew(size));
  ASSERT_EQ(again, block);
  for (int64_t i = 8; i < size; ++i) EXPECT_EQ(again[i], 0) << i;
  MemFree(again);
}

// --- Editing ------------------------------------------------------------------------------------

TEST(TextBuf, InsertReplaceDelete) {
  struct {
    const char* start;
    void (*edit)(T_TextBuf*);
    const char* expected;
  } cases[] = {
      {"world", [](T_TextBuf* b) { TextBufInsert(b, 0, "hello "); }, "hello world"},
      {"abc", [](T_TextBuf* b) { TextBufInsert(b, 9, "x"); }, "abc"},
      {"abcdef", [](T_TextBuf* b) { TextBufDelete(b, 3, 100); }, "abc"},
      {"abcdef", [](T_TextBuf* b) { TextBufDelete(b, 1, 2); }, "adef"},
      {"abc", [](T_TextBuf* b) { TextBufDeleteChar(b, 10); }, "abc"},
      {"abc", [](T_TextBuf* b) { TextBufDeleteChar(b, 0); }, "bc"},
      {"ab\xC3\xA9", [](T_TextBuf* b) { TextBufDropLast(b); }, "ab"},
      {"abc", [](T_TextBuf* b) { TextBufReplace(b, 1, 1, "XYZ"); }, "aXYZc"},
      {"abc", [](T_TextBuf* b) { TextBufReplace(b, 1, 5, nullptr); }, "a"},
      {"One one ONE", [](T_TextBuf* b) { TextBufReplaceAll(b, "one", "one one"); },
       "one one one one one one"},
      {"\xC3\x84pfel \xC3\xA4PFEL", [](T_TextBuf* b) { TextBufRemoveAll(b, "\xC3\xA4pfel"); }, " "},
      {"xxaxx", [](T_TextBuf* b) { TextBufTrim(b, 'x'); }, "a"},
      {"a-b-c", [](T_TextBuf* b) { TextBufRemoveChar(b, '-'); }, "abc"},
      {"&&a&&&b&", [](T_TextBuf* b) { TextBufSquashAmpersands(b); }, "a&b"},
      {"%41%4a%2", [](T_TextBuf* b) { TextBufPercentDecode(b); }, "A%4a%2"},
      {"%2%41", [](T_TextBuf* b) { TextBufPercentDecode(b); }, "%2A"},
      {"%252541", [](T_TextBuf* b) { TextBufPercentDecode(b); }, "%2541"},
      {"a%00b%09c%0A%0D%1F%7Fd%20", [](T_TextBuf* b) { TextBufPercentDecode(b); }, "abcd "},
      {"", [](T_TextBuf* b) { TextBufAssignWideChar(b, 0x20AC); }, "\xE2\x82\xAC"},
      {"n=", [](T_TextBuf* b) { TextBufAppendIntWidth(b, -7, 3); }, "n=-007"},
      {"n=", [](T_TextBuf* b) { TextBufAppendIntWidth(b, 5, INT32_MAX); }, "n="},
      {"", [](T_TextBuf* b) { TextBufAssignIntGrouped(b, -1234567, ' '); }, "-1 234 567"},
      {"", [](T_TextBuf* b) { TextBufAssignInt64(b, INT64_MIN); }, "-9223372036854775808"},
      {"", [](T_TextBuf* b) { TextBufAssignUtf16(b, L"a\u00e9\u20ac"); }, "a\xC3\xA9\xE2\x82\xAC"},
      {"", [](T_TextBuf* b) { TextBufAssignWide(b, L"\U0001F600"); }, "\xF0\x9F\x98\x80"},
  };
  for (const auto& c : cases) {
    T_TextBuf b(c.start);
    c.edit(&b);
    EXPECT_EQ(Text(b), c.expected) << c.start;
    ExpectInvariants(b);
  }
}

TEST(TextBuf, InsertWhenOnlyPartFitsKeepsTheTail) {
  std::string text(kTextBufMax - 7, 'a');
  text += "TAIL";
  T_TextBuf b(text.c_str());
  TextBufInsert(&b, 10, "0123456789");
  EXPECT_EQ(b.length, kTextBufMax);
  EXPECT_EQ(Text(b).substr(9, 5), "a012a");
  EXPECT_EQ(Text(b).substr(b.length - 4), "TAIL");
}

// --- Search and tokens
// ----------------------------------------------------------------------------

std::string Tokens(bool (*next)(T_TextBuf*, const char**, char), const char* text, char separator) {
  std::string out;
  T_TextBuf token;
  const char* cursor = text;
  while (next(&token, &cursor, separator)) out += "[" + Text(token) + "]";
  EXPECT_EQ(cursor, nullptr);
  return out;
}

TEST(TextBuf, TokensAndFields) {
  EXPECT_EQ(Tokens(TextBufTakeToken, "a,,b", ','), "[a][][b]");
  EXPECT_EQ(Tokens(TextBufTakeToken, "", ','), "[]");
  EXPECT_EQ(Tokens(TextBufNextField, " a ; ; b ", ';'), "[a][b]");
  EXPECT_EQ(Tokens(TextBufNextField, " ; ", ';'), "");
  EXPECT_TRUE(TextListContains("US; gEr ;swe", "GER", ';'));
  EXPECT_FALSE(TextListContains("US;GERMAN", "GER", ';'));

  T_TextBuf b("abcABCabc");
  EXPECT_EQ(TextBufFind(&b, 1, "abc"), 6);
  EXPECT_EQ(TextBufFindNoCase(&b, 1, "abc"), 3);
  EXPECT_EQ(TextBufFind(&b, 20, "abc"), -1);
}

// --- T_WideBuf ----------------------------------------------------------------------------------

TEST(WideBuf, GrowsEditsAndCaps) {
  T_WideBuf w;
  WideBufAssignUtf8(&w, "a\xC3\xA9\xE2\x82\xAC\xFFz");  // the invalid byte is skipped
  EXPECT_STREQ(w.data, L"a\u00e9\u20acz");
  WideBufInsertChar(&w, 0, L'>');
  WideBufDeleteChar(&w, 2);
  EXPECT_STREQ(w.data, L">a\u20acz");
  WideBufReplace(&w, 1, 2, L"xyz");
  EXPECT_STREQ(w.data, L">xyzz");
  WideBufReplace(&w, 0, 0, w.data + 3);
  EXPECT_STREQ(w.data, L"zz>xyzz");
  WideBufDelete(&w, 3, 100);
  EXPECT_STREQ(w.data, L"zz>");
  for (int32_t i = 0; i < 40000; ++i) WideBufAppendChar(&w, L'w');
  EXPECT_EQ(w.length, kWideBufMax);
  EXPECT_EQ(w.data[w.length], 0);

  T_TextBuf b;
  TextBufAssignWideBuf(&b, &w);
  EXPECT_EQ(b.length, kWideBufMax);
  EXPECT_EQ(std::string(b.data, 4), "zz>w");
}

}  // namespace
