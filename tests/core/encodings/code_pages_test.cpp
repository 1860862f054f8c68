#include "core/code_pages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/memory.h"
#include "core/text_buffer.h"

namespace {

const TextEncoding kEightBit[] = {3, 4, 5, 6, 7, 8};

// A text is valid when it is a sequence of well-formed 1- to 4-byte characters.
bool IsUtf8(const std::string& s) {
  for (size_t i = 0; i < s.size();) {
    auto lead = static_cast<unsigned char>(s[i]);
    size_t n = lead < 0x80                    ? 1
               : (lead & 0xE0) == 0xC0        ? 2
               : (lead & 0xF0) == 0xE0        ? 3
               : lead >= 0xF0 && lead <= 0xF4 ? 4
                                              : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (size_t k = 1; k < n; k++) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += n;
  }
  return true;
}

std::string ToUtf8(const std::string& bytes, TextEncoding encoding) {
  std::string out(static_cast<size_t>(CodePageUtf8Len(bytes.c_str(), encoding)) + 1, '?');
  CodePageToUtf8(out.data(), bytes.c_str(), encoding);
  EXPECT_EQ(out.back(), '\0');
  out.pop_back();
  return out;
}

std::string FromUtf8(const std::string& text, TextEncoding encoding) {
  std::string out(text.size() + 1, '?');
  out.resize(static_cast<size_t>(Utf8ToCodePage(out.data(), text.c_str(), encoding)));
  return out;
}

std::string Decode(TextDecoder* decoder, const std::string& input, int32_t capacity = 4096) {
  std::string out(static_cast<size_t>(capacity), '\0');
  int32_t n = TextDecoderConvert(decoder, out.data(), capacity, input.data(),
                                 static_cast<int32_t>(input.size()));
  out.resize(static_cast<size_t>(n));
  return out;
}

TEST(CodePages, KeysAndNames) {
  const char* keys[] = {"UTF-8",      "UTF-16LE",   "UTF-16BE",   "SysPage", "MacRoman",
                        "MacRomanCE", "ISO-8859-1", "ISO-8859-2", "PC-8"};
  const char* names[] = {"UTF-8",           "UTF-16 LE",       "UTF-16 BE",
                         "System Codepage", "Macintosh Roman", "Macintosh Roman CE",
                         "Windows Latin 1", "Windows Latin 2", "PC DOS OEM"};
  for (int32_t n = 0; n < 9; n++) {
    EXPECT_STREQ(EncodingKey(n), keys[n]);
    EXPECT_STREQ(EncodingName(n), names[n]);
  }
  for (int32_t n : {-1, 9, 1000}) {
    EXPECT_EQ(EncodingKey(n), nullptr);
    EXPECT_EQ(EncodingName(n), nullptr);
  }
  EXPECT_EQ(CodePageTable(0), nullptr);
  EXPECT_EQ(CodePageTable(9), nullptr);
  EXPECT_EQ(CodePageTable(3), CodePageTable(6));
}

// XML prologs and HTML pages name what other readers know for the bytes written; the key words
// stay what settings store.
TEST(CodePages, CharsetsNameTheBytesWritten) {
  const char* charsets[] = {"UTF-8", "UTF-16LE",     "UTF-16BE",     "windows-1252", "macintosh",
                            nullptr, "windows-1252", "windows-1250", "IBM437"};
  for (int32_t n = 0; n < 9; n++) EXPECT_STREQ(EncodingCharset(n), charsets[n]) << n;
  EXPECT_STREQ(EncodingCharset(9), "windows-1252");  // written with the fallback table
  SetSystemCodePage(7);
  EXPECT_STREQ(EncodingCharset(3), "windows-1250");
  SetSystemCodePage(5);
  EXPECT_EQ(EncodingCharset(3), nullptr);
  SetSystemCodePage(6);
}

TEST(CodePages, TableEntriesAndFallback) {
  struct Case {
    uint8_t byte;
    TextEncoding encoding;
    uint16_t unit;
  };
  const Case cases[] = {
      {0x80, 4, 0x00C4},  {0xDB, 4, 0x20AC},  {0x80, 5, 0x00C4}, {0x81, 5, 0x0100},
      {0x80, 6, 0x20AC},  {0x81, 6, 0x0081},  {0x9D, 6, 0x009D}, {0x9F, 6, 0x0178},
      {0x98, 7, 0x0098},  {0xA3, 7, 0x0141},  {0x80, 8, 0x00C7}, {0xFF, 8, 0x00A0},
      {0x41, 8, 0x0041},  {0x80, 3, 0x20AC},  {0x80, 0, 0x20AC}, {0x80, 2, 0x20AC},
      {0x80, 99, 0x20AC}, {0x80, -1, 0x20AC},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CodePageCharToUtf16(c.byte, c.encoding), c.unit)
        << std::hex << int(c.byte) << " in " << std::dec << c.encoding;
  }
  EXPECT_EQ(Utf16ToCodePageChar(0x20AC, 8), 0);
  EXPECT_EQ(Utf16ToCodePageChar(0x20AC, 4), 0xDB);
  EXPECT_EQ(Utf16ToCodePageChar(0x0041, 4), 0x41);
}

TEST(CodePages, EveryByteSurvivesUtf8AndBack) {
  std::string all;
  for (int b = 1; b < 256; b++) all.push_back(static_cast<char>(b));
  for (TextEncoding e : kEightBit) {
    for (int b = 0; b < 256; b++) {
      auto byte = static_cast<uint8_t>(b);
      EXPECT_EQ(Utf16ToCodePageChar(CodePageCharToUtf16(byte, e), e), byte) << b << " in " << e;
    }
    std::string utf8 = ToUtf8(all, e);
    EXPECT_TRUE(IsUtf8(utf8)) << e;
    EXPECT_EQ(FromUtf8(utf8, e), all) << e;

    TextDecoder decoder;
    TextDecoderInit(&decoder);
    decoder.encoding = e;
    TextDecoderSetEncoding(&decoder);
    EXPECT_EQ(Decode(&decoder, all), utf8) << e;
    TextDecoderFree(&decoder);

    T_TextBuf buffer(all.c_str());
    TextBufFromCodePageInPlace(&buffer, e);
    EXPECT_EQ(std::string(buffer.data, static_cast<size_t>(buffer.length)), utf8) << e;
  }
}

TEST(CodePages, Utf8ToCodePageDropsWhatThePageLacksAndSkipsMalformedBytes) {
  struct Case {
    const char* utf8;
    TextEncoding encoding;
    const char* expected;
  };
  const Case cases[] = {
      {"a\u20ACb", 8, "ab"},  // no euro in code page 437
      {"a\u20ACb", 4,
       "a\xDB"
       "b"},
      {"a\u20ACb", 6,
       "a\x80"
       "b"},
      {"a\u20ACb", 0,
       "a\x80"
       "b"},  // no table of its own: Windows Latin 1
      {"\u0141\u00F3d\u017A", 7,
       "\xA3\xF3"
       "d\x9F"},
      {"\u0141\u00F3d\u017A", 6,
       "\xF3"
       "d"},
      {"x\xF0\x9F\x98\x80y", 6, "xy"},  // no page holds a character beyond U+FFFF
      {"x\xF0\x9F"
       "y",
       6, "xy"},                              // ... even when cut short
      {"x\x80\xBFy\xFFz", 6, "xyz"},          // stray bytes go alone
      {"x\xC3y", 6, "xy"},                    // a lead without its continuation
      {"x\xC0\x80y\xE0\x82\xACz", 6, "xyz"},  // overlong forms are no characters
      {"x\xE2\x82", 6, "x"},                  // cut at the end of the text
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FromUtf8(c.utf8, c.encoding), c.expected) << c.utf8 << " in " << c.encoding;
  }
  char inPlace[] =
      "Gr\xC3\xBC\xC3\x9F"
      "e \xE2\x82\xAC";
  EXPECT_EQ(Utf8ToCodePage(inPlace, inPlace, 6), 7);
  EXPECT_STREQ(inPlace,
               "Gr\xFC\xDF"
               "e \x80");
}

TEST(CodePages, SystemPageFollowsTheChosenTable) {
  SetSystemCodePage(8);
  EXPECT_EQ(CodePageTable(3), CodePageTable(8));
  EXPECT_EQ(CodePageCharToUtf16(0x80, 3), 0x00C7);
  EXPECT_EQ(FromUtf8("\u00C7", 3), "\x80");
  // Numbers without a table of their own cannot leave encoding 3 without one.
  for (TextEncoding e : {0, 1, 2, 3, 9}) {
    SetSystemCodePage(e);
    EXPECT_EQ(CodePageTable(3), CodePageTable(6)) << e;
  }
  SetSystemCodePage(6);
}

TEST(CodePages, InPlaceConversionCutsAtTheTextLimitOnACharacter) {
  std::string euros(20000, '\x80');  // 3 bytes each in UTF-8: 60000 bytes wanted
  T_TextBuf buffer(euros.c_str());
  TextBufFromCodePageInPlace(&buffer, 6);
  EXPECT_EQ(buffer.length, 32598);
  EXPECT_EQ(buffer.data[buffer.length], '\0');
  std::string text(buffer.data, static_cast<size_t>(buffer.length));
  EXPECT_TRUE(IsUtf8(text));
  EXPECT_EQ(text.substr(text.size() - 3), "\u20AC");

  T_TextBuf ascii("plain");
  TextBufFromCodePageInPlace(&ascii, 8);
  EXPECT_STREQ(ascii.data, "plain");
}

TEST(TextDecoder, StopsSoThatAThreeByteCharacterAlwaysFits) {
  TextDecoder decoder;
  TextDecoderInit(&decoder);
  EXPECT_EQ(Decode(&decoder, "abcdef", 5), "abc");
  EXPECT_EQ(Decode(&decoder, "ab\u20AC", 5), "ab\u20AC");
  EXPECT_EQ(Decode(&decoder, "ab\xF0\x9F\x98\x80", 5), "ab");  // 4 bytes would not fit
  EXPECT_EQ(Decode(&decoder, "a\xF0\x9F\x98\x80", 5), "a\xF0\x9F\x98\x80");
  EXPECT_EQ(Decode(&decoder, "abc", 2), "");
  decoder.encoding = 1;
  TextDecoderSetEncoding(&decoder);
  EXPECT_EQ(decoder.byteTable, nullptr);
  EXPECT_EQ(Decode(&decoder, std::string("a\0b\0c\0d\0", 8), 5), "abc");
  TextDecoderFree(&decoder);
}

TEST(TextDecoder, DecodesEveryEncoding) {
  struct Case {
    TextEncoding encoding;
    std::string input;
    const char* expected;
  };
  const Case cases[] = {
      {0, "A\xC3\xA9\xE2\x82\xAC", "A\u00E9\u20AC"},
      {0,
       "A\xF0\x9F\x98\x80"
       "B\xFF",
       "A\xF0\x9F\x98\x80"
       "B"},
      {0, "A\xF0\x9F\x98", "A"},                        // a character cut by the end of the input
      {0, "A\xF0\x80\x80\x80\xF4\x90\x80\x80Z", "AZ"},  // overlong, beyond U+10FFFF
      {1, std::string("A\0=\xD8\0\xDE", 6), "A\xF0\x9F\x98\x80"},  // a surrogate pair
      {2, std::string("\xD8=\xDE\0\0B", 6),
       "\xF0\x9F\x98\x80"
       "B"},
      {1,
       std::string("\0\xDC"
                   "A\0",
                   4),
       "\xED\xB0\x80"
       "A"},                                             // a lone half keeps its 3 bytes
      {1, std::string("A\0=\xD8", 4), "A\xED\xA0\xBD"},  // a pair cut by the end
      {1, std::string("A\0\xE9\0\xAC\x20", 6), "A\u00E9\u20AC"},
      {2, std::string("\0A\0\xE9\x20\xAC", 6), "A\u00E9\u20AC"},
      {1, std::string("A\0B", 3), "A"},  // odd length: the last byte is left
      {4, "A\x80\xDB", "A\u00C4\u20AC"},
      {8, "A\x80\xFF", "A\u00C7\u00A0"},
      {9, "A\x80", "A\u20AC"},  // no table of its own: Windows Latin 1
  };
  for (const Case& c : cases) {
    TextDecoder decoder;
    TextDecoderInit(&decoder);
    decoder.encoding = c.encoding;
    TextDecoderSetEncoding(&decoder);
    EXPECT_EQ(Decode(&decoder, c.input), c.expected) << c.encoding;
    TextDecoderFree(&decoder);
  }
}

TEST(TextDecoder, MappingAppliesToEveryEncoding) {
  for (TextEncoding e : {0, 1, 6}) {
    TextDecoder decoder;
    TextDecoderInit(&decoder);
    decoder.mapping = static_cast<uint16_t*>(MemAlloc(65536 * sizeof(uint16_t), 0));
    for (int u = 0; u < 65536; u++) decoder.mapping[u] = static_cast<uint16_t>(u);
    decoder.mapping['a'] = 'A';
    decoder.mapping[0x00E9] = 'e';
    decoder.encoding = e;
    TextDecoderSetEncoding(&decoder);
    std::string input = e == 0   ? std::string("ab\xC3\xA9")
                        : e == 1 ? std::string("a\0b\0\xE9\0", 6)
                                 : std::string("ab\xE9");
    EXPECT_EQ(Decode(&decoder, input), "Abe") << e;
    TextDecoderFree(&decoder);
    EXPECT_EQ(decoder.mapping, nullptr);
  }
}

TEST(TextDecoder, DamagedInputNeverOverrunsAndGivesValidUtf8) {
  uint32_t state = 12345;
  auto next = [&state] {
    state = state * 1103515245u + 12345u;
    return static_cast<char>(state >> 16);
  };
  for (TextEncoding e : {0, 1, 2, 5}) {
    TextDecoder decoder;
    TextDecoderInit(&decoder);
    decoder.encoding = e;
    TextDecoderSetEncoding(&decoder);
    for (int round = 0; round < 300; round++) {
      std::string input(static_cast<size_t>(round % 40), '\0');
      for (char& c : input) c = next();
      int32_t capacity = round % 17;
      std::string out(static_cast<size_t>(capacity) + 8, '#');
      int32_t n = TextDecoderConvert(&decoder, out.data(), capacity, input.data(),
                                     static_cast<int32_t>(input.size()));
      ASSERT_LE(n, capacity < 0 ? 0 : capacity);
      EXPECT_EQ(out.substr(static_cast<size_t>(capacity)), "########");
      EXPECT_TRUE(IsUtf8(out.substr(0, static_cast<size_t>(n)))) << e << " round " << round;
    }
    TextDecoderFree(&decoder);
  }
}

TEST(Languages, CodeIgnoresLetterCase) {
  struct Case {
    const char* code;
    int32_t language;
  };
  const Case cases[] = {{"US", 0},  {"us", 0},    {"swe", 12}, {"SWE", 12}, {"Ger", 7},
                        {"SW", -1}, {"SWED", -1}, {"", -1},    {"EN", -1},  {nullptr, -1}};
  for (const Case& c : cases) EXPECT_EQ(LanguageFromCode(c.code), c.language) << c.code;
}

}  // namespace
