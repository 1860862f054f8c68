#include "core/input_stream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/alert.h"
#include "core/memory.h"
#include "core/owned_text.h"

namespace {

class Reader {
 public:
  explicit Reader(const std::string& text, TextEncoding encoding = 0,
                  uint32_t flags = kTokenDefault)
      : text_(text) {
    stream.CtorFromMemory(text_.data(), static_cast<int64_t>(text_.size()));
    stream.SetEncoding(encoding);
    stream.SetTokenFlags(flags);
  }
  std::vector<std::string> Lines() {
    std::vector<std::string> lines;
    while (stream.NextLine()) lines.emplace_back(stream.lineStart, stream.lineEnd);
    return lines;
  }
  std::vector<std::string> Fields() {
    std::vector<std::string> fields;
    while (stream.NextField()) fields.emplace_back(stream.Field(), stream.FieldLength());
    return fields;
  }
  std::vector<std::string> Tokens() {
    std::vector<std::string> tokens;
    while (stream.NextToken()) tokens.emplace_back(stream.Field(), stream.FieldLength());
    return tokens;
  }
  T_IStream stream;

 private:
  std::string text_;
};

using Strings = std::vector<std::string>;

TEST(DetectEncoding, FromSmallHeads) {
  const struct {
    std::string head;
    TextEncoding encoding;
    int32_t bom;
  } cases[] = {
      {"\xFE\xFF\0a", 2, 2},
      {"\xFF\xFE"
       "a\0",
       1, 2},
      {"\xEF\xBB\xBFplain", 0, 3},
      {std::string("a\0b\0c\0d\0", 8), 1, 0},
      {std::string("\0a\0b\0c\0d", 8), 2, 0},
      {"##QEB-Text\r\n##Characters\r\nU\t\x80\xE7\xCB\xE5\xCC\r\n", 4, 0},
      {"##QEB-Text\r\n##Characters\r\nU\t\xC4\xC1\xC0\xC2\xC3\r\n", 6, 0},
      {"##Characters\r\nU\t\xC4\xC1\xC0\xC2\xC3\r\n", 3,
       0},  // the signature must not open the file
      {"caf\xC3\xA9 ok", 0, 0},
      {"one \xF0\x9F\x98\x80 emoji", 0, 0},  // a character beyond U+FFFF is UTF-8 too
      {"caf\xE9 ok", 3, 0},
      {"plain ascii", -1, 0},
      {"ab\xC3", -1, 0},  // a head may end inside a character
  };
  for (const auto& c : cases) {
    int32_t bom = -1;
    EXPECT_EQ(DetectEncoding(c.head.data(), static_cast<int64_t>(c.head.size()), &bom), c.encoding)
        << c.head;
    EXPECT_EQ(bom, c.bom) << c.head;
  }
}

TEST(EncodingFromName, PrefixesAfterDroppingBlanksAndHyphens) {
  const struct {
    const char* name;
    TextEncoding encoding;
  } cases[] = {{"UTF-8", 0},
               {"utf-16 le", 1},
               {"UTF-16BE", 2},
               {"Mac Roman CE", 5},
               {"MacRoman", 4},
               {"Macintosh", 4},
               {"ISO-8859-1", 6},
               {"ISO-8859-2", 7},
               {"Win Latin 2", 7},
               {"Windows", 6},
               {"latin", 6},
               {"ANSI", 6},
               {"PC-8", 8},
               {"OEM", 8},
               {"system", 3},
               {"default", 3},
               {"", -1},
               {"Klingon", -1},
               {nullptr, -1},
               // The charset names of XML prologs and pages, the program's own among them.
               {"windows-1250", 7},
               {"CP1250", 7},
               {"windows-1252", 6},
               {"cp1252", 6},
               {"IBM437", 8},
               {"cp437", 8},
               {"macintosh", 4},
               {"US-ASCII", -1},
               // The display names come back to their numbers.
               {"Windows Latin 2", 7},
               {"Macintosh Roman CE", 5},
               {"Windows Latin 1", 6},
               // Another page of a known family is none of these.
               {"windows-1251", -1},
               {"ISO-8859-15", -1},
               {"IBM850", -1},
               {"cp850", -1},
               // Cut at 31 bytes first: the blanks of a long name count.
               {"                             UTF-8", -1},
               {"                          UTF-8", 0}};
  for (const auto& c : cases)
    EXPECT_EQ(EncodingFromName(c.name), c.encoding) << (c.name ? c.name : "null");
}

TEST(Lines, TerminatorsAndEncodings) {
  EXPECT_EQ(Reader("a\r\nb").Lines(), (Strings{"a", "b"}));
  EXPECT_EQ(Reader("a\r\rb").Lines(), (Strings{"a", "", "b"}));
  EXPECT_EQ(Reader("a\n\rb\n").Lines(), (Strings{"a", "b"}));
  EXPECT_EQ(Reader("").Lines(), Strings{});
  Reader ended("##Tag\tx");  // after the end no line is current, not even the last one again
  EXPECT_TRUE(ended.stream.NextLine());
  EXPECT_FALSE(ended.stream.NextLine());
  EXPECT_EQ(ended.stream.lineEnd - ended.stream.lineStart, 0);
  EXPECT_FALSE(ended.stream.NextField());
  EXPECT_EQ(Reader(std::string("a\0\xE9\0\r\0\n\0b\0", 10), 1).Lines(),
            (Strings{"a\xC3\xA9", "b"}));
  EXPECT_EQ(Reader(std::string("\0a\x20\xAC\0\n\0b", 8), 2).Lines(),
            (Strings{"a\xE2\x82\xAC", "b"}));
  // A CR inside a unit is no line end in UTF-16.
  EXPECT_EQ(Reader(std::string("\x0D\x01x\0", 4), 1).Lines(), (Strings{"\xC4\x8Dx"}));
  EXPECT_EQ(Reader("a\x80"
                   "b",
                   6)
                .Lines(),
            (Strings{"a\xE2\x82\xAC"
                     "b"}));

  // A line that is not UTF-8 switches the rest of the stream to the system code page; a
  // character beyond U+FFFF is UTF-8 like any other.
  Reader mixed("caf\xC3\xA9 \xF0\x9F\x98\x80\r\nbad \xE9\r\nnext \xC3\xA9");
  EXPECT_EQ(mixed.Lines(),
            (Strings{"caf\xC3\xA9 \xF0\x9F\x98\x80", "bad \xC3\xA9", "next \xC3\x83\xC2\xA9"}));
  EXPECT_EQ(mixed.stream.encoding, 3);
  EXPECT_EQ(mixed.stream.lineCount, 3);

  // UTF-16 surrogate pairs become one 4-byte character; older texts' 3-byte halves stay.
  EXPECT_EQ(Reader(std::string("a\0=\xD8\0\xDE\r\0\n\0\0\xDC"
                               "b\0",
                               14),
                   1)
                .Lines(),
            (Strings{"a\xF0\x9F\x98\x80",
                     "\xED\xB0\x80"
                     "b"}));
  EXPECT_EQ(Reader("\xED\xA0\xBD\xED\xB8\x80").Lines(), (Strings{"\xED\xA0\xBD\xED\xB8\x80"}));

  // Decomposed accents are composed, one mark per letter.
  EXPECT_EQ(Reader("e\xCC\x81t\xC3\xA9 d\xCC\x8C").Lines(),
            (Strings{"\xC3\xA9t\xC3\xA9 d\xCC\x8C"}));
  Reader raw("e\xCC\x81");
  raw.stream.compose = 0;
  EXPECT_EQ(raw.Lines(), (Strings{"e\xCC\x81"}));

  Reader mapped("a\xC3\xA5x\xEF\x98\x80");
  mapped.stream.AddCharSubstitutions("\xC3\xA5 x\xF0\x9F\x98\x80", "a yz");
  EXPECT_EQ(mapped.Lines(), (Strings{"aay\xEF\x98\x80"}));  // U+F600 is no emoji
  Reader mappedPage("\xE5", 6);
  mappedPage.stream.AddCharSubstitution(0xE5, 'a');
  EXPECT_EQ(mappedPage.Lines(), (Strings{"a"}));
}

// A converted line takes up to three bytes per input byte: a code-page line near the 1 MB line
// limit comes out whole; a longer one ends the reading with the pending error, and the line
// after it is not handed out in its place.
TEST(Lines, LongConvertedLinesComeOutWholeOrEndTheReading) {
  PendingErrorClear();
  Reader page(std::string(800000, '\xE9') + "\r\nafter", 6);
  ASSERT_TRUE(page.stream.NextLine());
  EXPECT_EQ(page.stream.lineEnd - page.stream.lineStart, 1600000);
  EXPECT_FALSE(AbortRequested());

  std::string wide;
  for (int i = 0; i < 1200000; ++i) wide += std::string("w\0", 2);
  Reader tooLong(wide + std::string("\r\0\n\0after\0", 10), 1);
  EXPECT_FALSE(tooLong.stream.NextLine());
  EXPECT_EQ(PendingError.request.message, 600);
  PendingErrorClear();
}

TEST(Fields, IntegersInARangeGiveZeroOutsideIt) {
  Reader r("12.5\t-7\t70000\t99999999999999999999999\tx-2y\t65535\t\t-");
  ASSERT_TRUE(r.stream.NextLine());
  const int64_t expected[] = {13, -7, 0, 0, -2, 65535, 0, 0, 0};
  for (int64_t value : expected) EXPECT_EQ(r.stream.ReadFieldIntInRange(-10, 65535), value);
}

TEST(Fields, TabsBlanksAndReaders) {
  Reader a("abc\t");
  ASSERT_TRUE(a.stream.NextLine());
  EXPECT_EQ(a.Fields(), (Strings{"abc"}));
  Reader b("\tabc");
  ASSERT_TRUE(b.stream.NextLine());
  EXPECT_EQ(b.Fields(), (Strings{"", "abc"}));
  Reader c("x  \t y \t12.5\t-3,5e1\t\xC3\xA5\xC3\xA5\xC3\xA5");
  ASSERT_TRUE(c.stream.NextLine());
  EXPECT_EQ(c.Fields(), (Strings{"x", " y", "12.5", "-3,5e1", "\xC3\xA5\xC3\xA5\xC3\xA5"}));
  c.stream.RewindLine();
  ASSERT_TRUE(c.stream.NextFieldRaw());
  EXPECT_EQ(std::string(c.stream.Field(), c.stream.FieldLength()), "x  ");
  c.stream.NextField();
  EXPECT_EQ(c.stream.ReadFieldInt(), 13);
  EXPECT_EQ(c.stream.ReadFieldDouble(), -35.0);
  char cut[6];
  EXPECT_TRUE(c.stream.ReadFieldStr(cut, sizeof(cut)));
  EXPECT_STREQ(cut, "\xC3\xA5\xC3\xA5");  // cut between characters
  char* block = StrDup("old");
  EXPECT_FALSE(c.stream.ReadFieldBlock(&block));
  EXPECT_EQ(block, nullptr);  // freed at the line end
  EXPECT_TRUE(std::isnan(c.stream.ReadFieldDouble()));

  uint8_t flag = 2;
  SetFlagFromSign(&flag, '+');
  EXPECT_EQ(flag, 1);
  SetFlagFromSign(&flag, 'x');
  EXPECT_EQ(flag, 1);
  SetFlagFromSign(&flag, '-');
  EXPECT_EQ(flag, 0);

  Reader attributes("a=1 b=\"two words\" c d= &lt;x&gt;");
  ASSERT_TRUE(attributes.stream.NextLine());
  T_TextBuf name, value;
  std::string seen;
  while (attributes.stream.NextLineAttribute(&name, &value)) {
    seen += std::string(name.c_str()) + "=" + value.c_str() + ";";
  }
  EXPECT_EQ(seen, "a=1;b=two words;c=;d=<x>;");
}

TEST(Fields, PlainAndDamagedBinaryFields) {
  Reader plain("0AcFF\t*ZZ\t*00");
  ASSERT_TRUE(plain.stream.NextLine());
  void* block = nullptr;
  ASSERT_TRUE(plain.stream.ReadFieldBinary(&block));
  ASSERT_EQ(MemSize(block), 5);
  EXPECT_EQ(std::string(static_cast<char*>(block), 5), std::string("\x0A\0\0\0\xFF", 5));
  EXPECT_FALSE(plain.stream.ReadFieldBinary(&block));  // not hexadecimal
  EXPECT_EQ(block, nullptr);
  EXPECT_FALSE(plain.stream.ReadFieldBinary(&block));  // a copy before the start
  EXPECT_EQ(block, nullptr);
}

TEST(Tokens, DefaultAndCommandFlags) {
  Reader defaults("x = \"a b\" // c\r\nnext");
  ASSERT_TRUE(defaults.stream.NextLine());
  EXPECT_EQ(defaults.Tokens(), (Strings{"x", "=", "a b"}));
  Reader glued("x=1");
  glued.stream.NextLine();
  EXPECT_EQ(glued.Tokens(), (Strings{"x=1"}));
  Reader equals("x=1", 0, kTokenDefault | kTokenEquals);
  equals.stream.NextLine();
  EXPECT_EQ(equals.Tokens(), (Strings{"x", "=", "1"}));

  Reader command(
      "export -file='a \\'b\\'' /* note\r\n /* inner */ still */ -x \\\r\n -y; z\r\n#keep", 0,
      kTokenCommandLanguage);
  command.stream.NextLine();
  EXPECT_EQ(command.Tokens(), (Strings{"export", "-file=a \\'b\\'", "-x", "-y;", "z"}));

  Reader across("(a)[b]{c} x:=y; # hash\r\n;semi\r\nlast", 0,
                kTokenAcrossLines | kTokenParentheses | kTokenBrackets | kTokenBraces |
                    kTokenAssign | kTokenSemicolon | kTokenHashCommentToken);
  across.stream.NextLine();
  EXPECT_EQ(across.Tokens(), (Strings{"(", "a", ")", "[", "b", "]", "{", "c", "}", "x", ":=", "y",
                                      ";", "# hash", ";", "semi", "last"}));

  Reader comments("/* a\r\nb */ w", 0, kTokenBlockCommentToken);
  comments.stream.NextLine();
  EXPECT_EQ(comments.Tokens(), (Strings{"/* a\rb */", "w"}));
}

// Nothing that runs across lines passes a "##" line: it stays current, rewound for its reader.
TEST(Tokens, SectionLinesStopCommentsAndContinuations) {
  const uint32_t flags = kTokenCommandLanguage | kTokenStopAtSections;
  for (const char* text :
       {"a /* open\r\nb\r\n##End\r\nc */ d", "a \\\r\n##End\r\nd", "a // note \\\r\n##End\r\nd"}) {
    Reader reader(text, 0, flags);
    reader.stream.NextLine();
    EXPECT_EQ(reader.Tokens(), (Strings{"a"})) << text;
    EXPECT_FALSE(reader.stream.NextToken()) << text;
    EXPECT_EQ(std::string(reader.stream.lineStart, reader.stream.lineEnd), "##End") << text;
    reader.stream.RewindLine();
    ASSERT_TRUE(reader.stream.NextField());
    EXPECT_EQ(std::string(reader.stream.Field(), reader.stream.FieldLength()), "##End");
  }
  Reader across("x\r\n##Tag y\r\nz", 0, kTokenDefault | kTokenAcrossLines | kTokenStopAtSections);
  across.stream.NextLine();
  EXPECT_EQ(across.Tokens(), (Strings{"x"}));
  Reader without("a /* open\r\n##End\r\nc */ d", 0, kTokenCommandLanguage);
  without.stream.NextLine();
  EXPECT_EQ(without.Tokens(), (Strings{"a", "d"}));
}

TEST(Xml, TagsTextsAndAttributes) {
  Reader xml(
      "<?xml version=\"1.0\"?>\r\n<!-- a <comment> -->\r\n<root\r\n a=\"1\">text &amp; more</root>"
      "\r\n<item  name=\"v\" />");
  Strings tokens;
  for (int i = 0; i < 5 && xml.stream.NextXmlToken(); ++i) {
    tokens.emplace_back(xml.stream.Field(), xml.stream.FieldLength());
  }
  EXPECT_EQ(tokens, (Strings{"<?xml version=\"1.0\"?>", "<root  a=\"1\">", "text &amp; more",
                             "</root>", "<item  name=\"v\" />"}));
  EXPECT_TRUE(xml.stream.FieldIsTag("ITEM"));
  EXPECT_FALSE(xml.stream.FieldIsTag("ite"));
  EXPECT_TRUE(xml.stream.FieldIsEndTag());
  EXPECT_TRUE(xml.stream.FieldIsOneOfTags("x item y"));
  T_TextBuf name, value;
  ASSERT_TRUE(xml.stream.NextXmlAttribute(&name, &value));
  EXPECT_STREQ(name.c_str(), "name");
  EXPECT_STREQ(value.c_str(), "v");
  EXPECT_FALSE(xml.stream.NextXmlAttribute(&name, &value));
  xml.stream.TagName(&name);
  EXPECT_STREQ(name.c_str(), "item");

  Reader element("<r><name>A &lt;b&gt; <i>x</i> c</name><skip><a><b/></a>t</skip><after/></r>");
  element.stream.NextXmlToken();
  element.stream.NextXmlToken();
  T_TextBuf text;
  EXPECT_FALSE(element.stream.ReadElementText("other", &text));
  ASSERT_TRUE(element.stream.ReadElementText("name", &text));
  EXPECT_STREQ(text.c_str(), "A <b>xc");
  element.stream.NextXmlToken();
  EXPECT_TRUE(element.stream.FieldIsTag("skip"));
  element.stream.SkipElement();
  element.stream.NextXmlToken();
  EXPECT_TRUE(element.stream.FieldIsTag("after"));
  EXPECT_FALSE(element.stream.ReadElementContent(&text));

  AttrList list;
  AttrListInit(&list);
  Reader tag("<t a=\"1\" B=\"&quot;2&quot;\" c>");
  tag.stream.NextXmlToken();
  AttrListRead(&list, &tag.stream);
  EXPECT_EQ(list.count, 3);
  EXPECT_TRUE(AttrListGet(&list, "b", &value));
  EXPECT_STREQ(value.c_str(), "\"2\"");
  EXPECT_FALSE(AttrListGet(&list, "d", &value));
  AttrListFree(&list);
}

// XML as other programs write it: ">" inside quoted values, single quotes, every character
// reference, and tags over several lines.
TEST(Xml, WrittenByOtherPrograms) {
  Reader xml(
      "<item\r\nname='a&apos;b'\r\n\tnote=\"x > y\" other='say \"hi\"'>&#x1F600;&#233;&#65;"
      "&#x41;&#09;</item>");
  ASSERT_TRUE(xml.stream.NextXmlToken());
  EXPECT_EQ(std::string(xml.stream.Field(), xml.stream.FieldLength()),
            "<item name='a&apos;b'  note=\"x > y\" other='say \"hi\"'>");
  EXPECT_TRUE(xml.stream.FieldIsTag("item"));
  AttrList list;
  AttrListInit(&list);
  AttrListRead(&list, &xml.stream);
  ASSERT_EQ(list.count, 3);
  EXPECT_STREQ(list.names[0], "name");
  EXPECT_STREQ(list.values[0], "a'b");
  EXPECT_STREQ(list.values[1], "x > y");
  EXPECT_STREQ(list.values[2], "say \"hi\"");
  AttrListFree(&list);
  T_TextBuf text;
  ASSERT_TRUE(xml.stream.ReadElementContent(&text));
  EXPECT_STREQ(text.c_str(),
               "\xF0\x9F\x98\x80\xC3\xA9"
               "AA\t");

  // A value whose closing quote is missing does not swallow the tags behind it.
  Reader open("<a b=\"1><c/>");
  ASSERT_TRUE(open.stream.NextXmlToken());
  ASSERT_TRUE(open.stream.NextXmlToken());
  EXPECT_TRUE(open.stream.FieldIsTag("c"));
}

// Damaged input: every cut and a flipped byte at every position end cleanly.
TEST(DamagedInput, CutsAndFlippedBytesEndCleanly) {
  const std::string sample =
      "K\t\xC3\xA5\xC3\xA9\tLong/==\r\n<x a=\"1\">t</x>\r\n\xFE\xFF /* c */ 'q\r\n*0A0B\t0Az";
  for (size_t cut = 0; cut <= sample.size(); ++cut) {
    for (size_t flip = 0; flip < cut; flip += 3) {
      std::string damaged = sample.substr(0, cut);
      damaged[flip] = static_cast<char>(damaged[flip] ^ 0xA5);
      for (TextEncoding encoding : {0, 1, 6}) {
        Reader reader(damaged, encoding, kTokenCommandLanguage);
        int lines = 0;
        while (reader.stream.NextLine() && lines++ < 100) {
          char* text = nullptr;
          reader.stream.ReadLongText(&text);
          BlockTextFree(&text);
          void* binary = nullptr;
          reader.stream.ReadFieldBinary(&binary);
          MemFree(binary);
          reader.stream.RewindLine();
          while (reader.stream.NextToken()) {
          }
        }
        Reader xml(damaged, encoding);
        int tokens = 0;
        while (xml.stream.NextXmlToken() && tokens++ < 100) {
          T_TextBuf name, value;
          while (xml.stream.NextXmlAttribute(&name, &value)) {
          }
        }
      }
    }
  }
}

}  // namespace
