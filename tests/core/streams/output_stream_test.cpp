#include "core/output_stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/alert.h"
#include "core/file_stream.h"
#include "core/memory.h"
#include "core/owned_text.h"
#include "scratch_folder.h"

namespace {

std::string Written(const T_OStream& stream) {
  return std::string(reinterpret_cast<const char*>(stream.start),
                     static_cast<size_t>(stream.pos - stream.start));
}

// "aé€" TAB "x" and a line end, in every encoding, as a file with and without its mark.
TEST(StreamEncoders, EveryEncodingWithAndWithoutMark) {
  const struct {
    TextEncoding encoding;
    const char* mark;
    const char* body;
  } cases[] = {
      {0, "EF BB BF", "61 C3 A9 E2 82 AC 09 78 0D 0A"},
      {1, "FF FE", "61 00 E9 00 AC 20 09 00 78 00 0D 00 0A 00"},
      {2, "FE FF", "00 61 00 E9 20 AC 00 09 00 78 00 0D 00 0A"},
      {3, "", "61 E9 80 09 78 0D 0A"},  // the system page is Windows Latin 1
      {4, "", "61 8E DB 09 78 0D 0A"},
      {5, "", "61 8E 2E 09 78 0D 0A"},  // no euro in Mac Central European
      {6, "", "61 E9 80 09 78 0D 0A"},  // the euro sign is byte 80 in Windows Latin 1
      {7, "", "61 E9 80 09 78 0D 0A"},
      {8, "", "61 82 2E 09 78 0D 0A"},
  };
  ScratchFolder folder;
  for (const auto& c : cases) {
    for (int32_t flags : {0, kOpenNoBom}) {
      std::string path = folder / ("e" + std::to_string(c.encoding) + ".txt");
      {
        T_OStreamFile stream;
        stream.SetEncoding(c.encoding);
        ASSERT_TRUE(stream.Open(path.c_str(), flags));
        stream.PutText("a\xC3\xA9\xE2\x82\xAC");
        stream.PutSeparator();
        stream.PutText("x");
        stream.PutSeparator();  // trailing separators are dropped by the line end
        stream.PutSeparator();
        stream.PutNewline();
        EXPECT_TRUE(stream.Close());
      }
      std::string mark = flags == 0 ? c.mark : "";
      EXPECT_EQ(Hex(ReadWholeFile(path)), mark.empty() ? std::string(c.body) : mark + " " + c.body)
          << "encoding " << c.encoding << " flags " << flags;
    }
  }
}

TEST(StreamEncoders, BytesNumbersAndBrokenText) {
  T_OStream utf16;
  utf16.SetEncoding(1);
  utf16.PutChar(static_cast<char>(0xE9));  // a byte is taken as the code point of its value
  utf16.PutText("\xC3\xA9");
  EXPECT_EQ(Hex(Written(utf16)), "E9 00 E9 00");

  T_OStream utf8;
  utf8.PutIntDigits(7, 2);
  utf8.PutChar(' ');
  utf8.PutIntDigits(123, 2);
  utf8.PutChar(' ');
  utf8.PutIntDigits(-5, 3);
  utf8.PutChar(' ');
  utf8.PutInt(-2147483647 - 1);
  utf8.PutChar(' ');
  utf8.PutInt64(-9223372036854775807LL - 1);
  utf8.PutChar(' ');
  utf8.PutDouble(1234.5);
  EXPECT_EQ(Written(utf8), "07 23 -005 -2147483648 -9223372036854775808 1234.5");

  // An invalid lead byte ends the text for converting encoders; UTF-8 copies it.
  const char broken[] =
      "ab\xFF"
      "cd";
  for (TextEncoding encoding : {0, 1, 6}) {
    T_OStream stream;
    stream.SetEncoding(encoding);
    stream.PutText(broken);
    std::string expected = encoding == 0   ? "61 62 FF 63 64"
                           : encoding == 1 ? "61 00 62 00"
                                           : "61 62";
    EXPECT_EQ(Hex(Written(stream)), expected) << encoding;
  }

  // A character beyond U+FFFF, from UTF-8 text, a UTF-16 pair or its code: a surrogate pair in
  // UTF-16, one replacement in a code page, and the rest of the text goes on.
  const wchar_t pair[] = {0xD83D, 0xDE00, L'z', 0};
  const struct {
    TextEncoding encoding;
    const char* bytes;
  } wide[] = {
      {0, "61 F0 9F 98 80 62 F0 9F 98 80 7A F0 9F 98 80"},
      {1, "61 00 3D D8 00 DE 62 00 3D D8 00 DE 7A 00 3D D8 00 DE"},
      {2, "00 61 D8 3D DE 00 00 62 D8 3D DE 00 00 7A D8 3D DE 00"},
      {6, "61 2E 62 2E 7A 2E"},
  };
  for (const auto& c : wide) {
    T_OStream stream;
    stream.SetEncoding(c.encoding);
    stream.PutText(
        "a\xF0\x9F\x98\x80"
        "b");
    ASSERT_TRUE(stream.EnsureRoomWide(3));
    stream.encoder->PutWideText(pair);
    stream.PutWideChar(0x1F600);
    EXPECT_EQ(Hex(Written(stream)), c.bytes) << c.encoding;
  }

  T_OStream utf16be;
  utf16be.SetEncoding(2);
  utf16be.SetSeparator(';');
  utf16be.PutText("a");
  utf16be.PutSeparator();
  utf16be.PutSeparator();
  utf16be.PutNewline();
  EXPECT_EQ(Hex(Written(utf16be)), "00 61 00 0D 00 0A");
}

TEST(OutputStream, LinesAndTheirEmptyCases) {
  T_OStream stream;
  stream.PutLine("");
  stream.PutLine(nullptr);
  stream.PutKeyTextLine("K", "");
  stream.PutCharLine(0);
  EXPECT_EQ(Written(stream), "");  // not even a line end

  char* empty = StrDupBytes("x", 1);
  empty[0] = 0;
  MemResize(reinterpret_cast<void**>(&empty), 1, 0);  // an empty but present block text
  stream.PutKeyBlockTextLine("KB", empty);
  MemFree(empty);
  stream.PutKeyShortLine("S", -2);
  stream.PutKeyIntLine("I", 42);
  stream.PutKeyInt64Line("L", 1LL << 40);
  stream.PutCharPairLine('a', 'b');
  stream.PutCharTextLine('c', "text");
  stream.PutCharIntLine('d', 7);
  stream.PutKeyCharLine("KC", 'e');
  stream.PutCharSignLine('f', true);
  stream.PutKeySignLine("KS", false);
  stream.PutCharLine('g');
  EXPECT_EQ(Written(stream),
            "KB\t\r\nS\t-2\r\nI\t42\r\nL\t1099511627776\r\na\tb\r\nc\ttext\r\nd\t7\r\nKC\te\r\n"
            "f+\r\nKS-\r\ng\r\n");

  T_OStream custom;
  custom.SetNewline("\xE2\x82\xAC!");  // cut to 3 bytes between characters
  custom.PutLine("a");
  custom.SetNewlineChar('\n');
  custom.PutLine("b");
  EXPECT_EQ(Written(custom),
            "a\xE2\x82\xAC"
            "b\n");
}

TEST(OutputStream, FieldTextsCannotBreakTheirFieldOrLine) {
  T_OStream stream;
  stream.PutFieldText(nullptr);
  stream.PutFieldText("");
  stream.PutFieldText("a\tb\r\nc\x1f\xC3\xA9\x7f");
  stream.PutSeparator();
  stream.PutFieldText("\n");
  EXPECT_EQ(Written(stream), "a b  c \xC3\xA9\x7f\t ");

  T_OStream latin;  // through a code page the blanks and the characters are still converted
  latin.SetEncoding(kEncodingLatin1);
  latin.PutFieldText("\xC3\xA9\t\xC3\xA9");
  EXPECT_EQ(Written(latin), "\xE9 \xE9");
}

// A stream whose small window is written out whole, as a file's is.
class WindowStream : public T_OStream {
 public:
  explicit WindowStream(int64_t size) : window_(static_cast<size_t>(size)) {
    SetBuffer(window_.data(), size, window_.data());
  }
  void MakeRoom(int64_t n) override {
    out.append(reinterpret_cast<const char*>(start), static_cast<size_t>(pos - start));
    if (n > static_cast<int64_t>(window_.size())) window_.resize(static_cast<size_t>(n));
    SetBuffer(window_.data(), static_cast<int64_t>(window_.size()), window_.data());
  }
  std::string All() {
    MakeRoom(0);
    return out;
  }
  std::string out;

 private:
  std::vector<uint8_t> window_;
};

// Wherever the window ends, a line end drops the separators before it: lines of empty last
// fields never end in a separator, whatever their position in the window.
TEST(OutputStream, TrailingSeparatorsAreDroppedAtEveryPositionOfTheWindow) {
  constexpr int64_t kWindow = 16;
  for (TextEncoding encoding : {kEncodingUtf8, kEncodingLatin1, kEncodingUtf16LE}) {
    for (int32_t separators = 1; separators <= 3; ++separators) {
      for (int64_t lead = 0; lead <= 2 * kWindow; ++lead) {
        WindowStream stream(kWindow);
        stream.SetEncoding(encoding);
        T_OStream expected;
        expected.SetEncoding(encoding);
        const std::string text(static_cast<size_t>(lead), 'c');
        for (T_OStream* s : {static_cast<T_OStream*>(&stream), &expected}) {
          s->PutText(text.c_str());
          for (int32_t k = 0; k < separators; ++k) s->PutSeparator();
          s->PutNewline();
          s->PutText("next");
          s->PutSeparator();
          s->PutText("field");
        }
        EXPECT_EQ(stream.All(), Written(expected))
            << "encoding " << encoding << ", " << separators << " separators after " << lead;
      }
    }
  }
}

TEST(OutputStream, GrowsForAnyWriteWithoutLosingBytes) {
  T_OStream stream;
  std::string big(100000, 'q');
  big[99999] = 'z';
  stream.PutText("head");
  stream.PutText(big.c_str());
  stream.PutText("tail");
  EXPECT_EQ(Written(stream), "head" + big + "tail");
}

TEST(OutputStream, XmlEscapingAndAttributes) {
  T_OStream stream;
  // XML 1.0 has room for TAB, LF and CR only among the control characters.
  stream.PutEscaped("x<y & 'z' \"q\">\t\x01\n\r\x1F");
  EXPECT_EQ(Written(stream), "x&lt;y &amp; &apos;z&apos; &quot;q&quot;&gt;&#09;&#10;&#13;");

  T_OStream attributes;
  attributes.PutAttribute("a", "");
  attributes.PutAttribute("b", nullptr);
  attributes.PutAttributeAlways("c", "");
  attributes.PutAttributeAlways("d", nullptr);
  attributes.PutAttribute("e", "1<2");
  attributes.PutIntAttribute("f", -3);
  attributes.PutInt64Attribute("g", 1LL << 33);
  EXPECT_EQ(Written(attributes), " c=\"\" e=\"1&lt;2\" f=\"-3\" g=\"8589934592\"");

  // Named entities only when the stream asks for them; the text stops at an invalid byte.
  T_OStream html;
  html.namedEntities = 1;
  html.PutEscaped("\xC3\xA9\xE2\x82\xAC\xE4\xB8\xAD");
  html.namedEntities = 0;
  html.PutEscaped(
      "\xC3\xA9"
      "a\xFF"
      "b");
  EXPECT_EQ(Written(html),
            "&eacute;&euro;\xE4\xB8\xAD\xC3\xA9"
            "a");

  T_OStream prolog;
  prolog.SetEncoding(1);
  prolog.PutXmlProlog();
  T_OStream expected;
  expected.PutText("<?xml version=\"1.0\" encoding=\"UTF-16LE\"?>\r\n");
  expected.SetEncoding(1);
  // Compare as UTF-16LE: every ASCII byte followed by 0.
  std::string wide;
  for (char c : Written(expected)) wide += std::string(1, c) + '\0';
  EXPECT_EQ(Written(prolog), wide);

  // Prologs and pages name the charset of the bytes written, as other readers know it.
  const struct {
    TextEncoding encoding;
    const char* charset;
  } charsets[] = {{0, "UTF-8"},        {3, "windows-1252"}, {4, "macintosh"}, {5, "US-ASCII"},
                  {6, "windows-1252"}, {7, "windows-1250"}, {8, "IBM437"},    {9, "windows-1252"}};
  for (const auto& c : charsets) {
    T_OStream named;
    named.SetEncoding(c.encoding);
    named.PutXmlProlog();
    named.PutHtmlMetaCharset();
    EXPECT_EQ(Written(named), std::string("<?xml version=\"1.0\" encoding=\"") + c.charset +
                                  "\"?>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; "
                                  "charset=" +
                                  c.charset + "\"/>\r\n")
        << c.encoding;
  }
}

// A character beyond U+FFFF is one character everywhere; where the encoding lacks a character,
// or other readers do not know the encoding, a decimal reference stands for it.
TEST(OutputStream, XmlCharactersTheEncodingLacksBecomeReferences) {
  const char* text = "a\xF0\x9F\x98\x80\xC5\x82\xC3\xA9<";  // a, emoji, l with stroke, e acute
  const struct {
    TextEncoding encoding;
    const char* element;  // in the stream's bytes
  } cases[] = {
      {0, "<n>a\xF0\x9F\x98\x80\xC5\x82\xC3\xA9&lt;</n>\r\n"},
      {6, "<n>a&#128512;&#322;\xE9&lt;</n>\r\n"},
      {7, "<n>a&#128512;\xB3\xE9&lt;</n>\r\n"},
      {5, "<n>a&#128512;&#322;&#233;&lt;</n>\r\n"},  // ASCII with references
  };
  for (const auto& c : cases) {
    T_OStream stream;
    stream.SetEncoding(c.encoding);
    stream.PutElement("n", text);
    EXPECT_EQ(Written(stream), c.element) << c.encoding;
    T_OStream counted;
    counted.SetEncoding(c.encoding);
    counted.PutEscaped(text);
    EXPECT_GE(XmlEscapedLength(&counted, text), static_cast<int64_t>(Written(counted).size()));
  }
  T_OStream latin1;
  latin1.SetEncoding(6);
  EXPECT_EQ(XmlEscapedLength(&latin1, "\xC5\x82"), 6);  // "&#322;"
  EXPECT_EQ(XmlEscapedLength(&latin1, "\xF0\x9F\x98\x80"), 9);

  // An older text's two 3-byte surrogate halves are one character; a lone half goes.
  T_OStream halves;
  halves.PutEscaped("\xED\xA0\xBD\xED\xB8\x80|\xED\xA0\xBD|\xEF\xBF\xBF");
  EXPECT_EQ(Written(halves), "\xF0\x9F\x98\x80||");
}

TEST(OutputStream, HtmlCommentsCannotBeClosedByTheirText) {
  T_OStream stream;
  stream.PutHtmlComment("a--><script>x()</script><!-- b---c");
  EXPECT_EQ(Written(stream), "<!-- a- -><script>x()</script><!- - b- - -c -->\r\n");
}

// What other programs read: an XML and HTML export and a database text file.
TEST(OutputStream, GoldenExportFile) {
  ScratchFolder folder;
  std::string path = folder / "export.txt";
  {
    T_OStreamFile stream;
    ASSERT_TRUE(stream.Open(path.c_str(), 0));
    stream.PutXmlProlog();
    stream.PutText("<QEB-Cards");
    stream.PutAttribute("name", "R&D \"north\"");
    stream.PutText(">");
    stream.PutNewline();
    stream.PutElement("text", "a<b>\tc\xC3\xA5");
    stream.PutText("</QEB-Cards>");
    stream.PutNewline();
    stream.PutHtmlDoctype();
    stream.PutHtmlMetaCharset();
    stream.PutHtmlComment("made by QEB");
    stream.namedEntities = 1;
    stream.PutElement("td", "\xC3\xA5 \xE2\x82\xAC 5\xC2\xA0%");
    stream.PutLine("##Cards");
    stream.PutKeyTextLine("VN", "Name\xC3\xA5");
    stream.PutText("x");
    stream.PutSeparator();
    stream.PutDouble(0.01);
    stream.PutSeparator();
    stream.PutDouble(1e10);
    stream.PutSeparator();
    stream.PutSeparator();
    stream.PutNewline();
    stream.PutKeySignLine("FF", true);
    EXPECT_TRUE(stream.Close());
  }
  EXPECT_EQ(ReadWholeFile(path), ReadWholeFile(StreamsDataPath("export.txt")));
}

// --- Long texts
// ---------------------------------------------------------------------------------------

bool ValidUtf8(const std::string& s) {
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = c < 0x80                 ? 1
               : (c & 0xE0) == 0xC0     ? 2
               : (c & 0xF0) == 0xE0     ? 3
               : c >= 0xF0 && c <= 0xF4 ? 4
                                        : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (size_t k = 1; k < n; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += n;
  }
  return true;
}

std::string LongTextFile(const std::string& text) {
  T_OStream stream;
  stream.PutText("LT");
  stream.PutSeparator();
  stream.PutLongText(text.c_str());
  stream.PutNewline();
  stream.PutLine("next\xC3\xA9");
  return Written(stream);
}

// Reads the key line back and checks that the following line is untouched.
void ExpectReadBack(const std::string& file, const std::string& text, const std::string& label) {
  T_IStream input;
  input.CtorFromMemory(file.data(), static_cast<int64_t>(file.size()));
  ASSERT_TRUE(input.NextLine()) << label;
  T_TextBuf key;
  input.ReadFieldBuf(&key);
  EXPECT_STREQ(key.c_str(), "LT") << label;
  char* back = nullptr;
  ASSERT_TRUE(input.ReadLongText(&back)) << label;
  EXPECT_EQ(std::string(back == nullptr ? "" : back), text) << label;
  BlockTextFree(&back);
  ASSERT_TRUE(input.NextLine()) << label;
  EXPECT_EQ(std::string(input.lineStart, input.lineEnd), "next\xC3\xA9") << label;
  EXPECT_EQ(input.encoding, 0) << label;
  EXPECT_FALSE(input.NextLine()) << label;
}

TEST(LongText, PiecesAtTheDocumentedSizes) {
  std::string exact(4208, 'a');
  EXPECT_EQ(LongTextFile(exact), "LT\t" + exact + "\r\nnext\xC3\xA9\r\n");
  std::string over(4209, 'b');
  EXPECT_EQ(LongTextFile(over), "LT\t" + std::string(4200, 'b') + "/==\r\n" + std::string(9, 'b') +
                                    "\r\nnext\xC3\xA9\r\n");
  std::string lines = "one\r\ttwo\nthree\r\nfour\n\rfive";
  EXPECT_EQ(LongTextFile(lines),
            "LT\tone\x03\x04two\x03three\x03"
            "four\x03\x03"
            "five\r\nnext\xC3\xA9\r\n");
  // Every line end reads back as the program's one line end, CR.
  ExpectReadBack(LongTextFile("a\r\nb\nc"), "a\rb\rc", "line ends");
}

TEST(LongText, CharactersAcrossEveryCutStayWhole) {
  const char* characters[] = {"\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80"};  // 2 to 4 bytes
  for (size_t length : {size_t{4208}, size_t{4209}, size_t{9000}}) {
    for (const char* character : characters) {
      size_t width = strlen(character);
      for (size_t cut : {size_t{4200}, size_t{8400}}) {
        if (cut >= length) continue;
        for (size_t at = cut - width; at <= cut; ++at) {
          std::string text(length, 'x');
          text.replace(at, width, character);
          std::string file = LongTextFile(text);
          std::string label =
              std::to_string(length) + "/" + std::to_string(width) + "@" + std::to_string(at);
          EXPECT_TRUE(ValidUtf8(file)) << label;
          size_t lineStart = 0;
          while (lineStart < file.size()) {
            size_t lineEnd = file.find("\r\n", lineStart);
            EXPECT_LE(lineEnd - lineStart, 3u + 4208u) << label;  // key, TAB and at most one piece
            lineStart = lineEnd + 2;
          }
          ExpectReadBack(file, text, label);
        }
      }
    }
  }
}

TEST(LongText, AReadStopsKeepingAtItsLimitButConsumesEveryPiece) {
  // "é" straddles the limit of 5000 bytes: it is left out whole.
  std::string text = std::string(4999, 'a') + "\xC3\xA9" + std::string(9000, 'b');
  std::string file = LongTextFile(text);
  for (int32_t limit : {5000, 4999, 0}) {
    T_IStream input;
    input.CtorFromMemory(file.data(), static_cast<int64_t>(file.size()));
    ASSERT_TRUE(input.NextLine());
    input.NextField();
    char* back = nullptr;
    ASSERT_TRUE(input.ReadLongText(&back, limit));
    EXPECT_EQ(std::string(back == nullptr ? "" : back),
              std::string(static_cast<size_t>(std::min(limit, 4999)), 'a'));
    BlockTextFree(&back);
    ASSERT_TRUE(input.NextLine());
    EXPECT_EQ(std::string(input.lineStart, input.lineEnd), "next\xC3\xA9");
  }
}

TEST(LongText, ALastPieceEndingInTheMarkerIsNotReadAsContinued) {
  for (size_t length : {size_t{4000}, size_t{4100}, size_t{4208}, size_t{8500}}) {
    // Trailing blanks are not read back as part of a field, but must not hide the marker.
    for (const char* blanks : {"", "  "}) {
      std::string text(length - 3, 'm');
      text += "/==";
      ExpectReadBack(LongTextFile(text + blanks), text, std::to_string(length) + "+" + blanks);
    }
  }
}

TEST(LongText, OlderFilesCutInsideACharacterReadBackWhole) {
  // The older writer cut by byte count: the first piece ends after the first byte of "é".
  std::string text = std::string(4199, 'a') + "\xC3\xA9" + std::string(20, 'b');
  std::string file =
      "LT\t" + text.substr(0, 4200) + "/==\r\n" + text.substr(4200) + "\r\nnext\xC3\xA9\r\n";
  ExpectReadBack(file, text, "older");
}

TEST(CompressedHex, RoundTripsSmallAndLargeBlocks) {
  for (int64_t size : {int64_t{1}, int64_t{300}, int64_t{32767}, int64_t{32768}, int64_t{70000}}) {
    auto* block = static_cast<uint8_t*>(MemAlloc(size, 0));
    for (int64_t i = 0; i < size; ++i) block[i] = static_cast<uint8_t>((i * 7) % 251 + (i / 1000));
    T_OStream stream;
    stream.PutText("B");
    stream.PutSeparator();
    EXPECT_TRUE(stream.PutCompressedHex(block));
    stream.PutNewline();
    std::string file = Written(stream);
    EXPECT_EQ(file.substr(0, 3), "B\t*");

    T_IStream input;
    input.CtorFromMemory(file.data(), static_cast<int64_t>(file.size()));
    ASSERT_TRUE(input.NextLine());
    input.NextField();
    void* back = nullptr;
    ASSERT_TRUE(input.ReadFieldBinary(&back)) << size;
    ASSERT_EQ(MemSize(back), size);
    EXPECT_EQ(memcmp(back, block, static_cast<size_t>(size)), 0) << size;
    MemFree(back);
    MemFree(block);
  }
  T_OStream none;
  EXPECT_TRUE(none.PutCompressedHex(nullptr));
  EXPECT_EQ(Written(none), "");
}

}  // namespace
