#include "core/placeholders.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Text(const T_TextBuf& b) { return std::string(b.data, static_cast<size_t>(b.length)); }

// --- Placeholders
// ---------------------------------------------------------------------------------

TEST(Placeholders, FillEveryOccurrenceOnce) {
  struct {
    const char* message;
    int32_t digit;
    const char* text;
    const char* expected;
  } cases[] = {
      {"@0 und @0", 0, "x", "x und x"},
      {"@0", 0, "a@0", "a@0"},  // inserted text is not filled again
      {"@1 @0 @10", 1, "one", "one @0 one0"},
      {"@@0@", 0, "z", "@z@"},
      {"no placeholder", 3, "x", "no placeholder"},
      {"@0", '0', "char digit", "char digit"},
      {"@0!", 0, nullptr, "!"},
      {"a@2b", 2, "\xC3\xA9",
       "a\xC3\xA9"
       "b"},
  };
  for (const auto& c : cases) {
    T_TextBuf b(c.message);
    TextBufFillParam(&b, c.digit, c.text);
    EXPECT_EQ(Text(b), c.expected) << c.message;
  }
  T_TextBuf b("@0/@1/@0");
  TextBufFillParamInt(&b, 0, -42);
  TextBufFillParamInt64(&b, 1, 10000000000);
  EXPECT_EQ(Text(b), "-42/10000000000/-42");
  TextBufFillParamBuf(&b, 0, &b);  // nothing left to fill, and no harm from the self-reference
  T_TextBuf self("<@0>");
  TextBufFillParamBuf(&self, 0, &self);
  EXPECT_EQ(Text(self), "<<@0>>");
}

TEST(Placeholders, FillIsCutAtTheCap) {
  std::string big(20000, 'f');
  T_TextBuf b("@0-@0");
  TextBufFillParam(&b, 0, big.c_str());
  EXPECT_EQ(b.length, kTextBufMax);
  EXPECT_EQ(b.data[20000], '-');
}

TEST(Placeholders, AbbreviateKeepsWholeCharacters) {
  std::string title;
  for (int32_t i = 0; i < 70; ++i) title += static_cast<char>('a' + i % 26);
  T_TextBuf b(title.c_str());
  TextBufAbbreviate(&b, 48, 24, "\xE2\x80\xA6");
  EXPECT_EQ(b.length, 47 + 3);
  EXPECT_EQ(Text(b), title.substr(0, 24) + "\xE2\x80\xA6" + title.substr(47));

  std::string accents;
  for (int32_t i = 0; i < 40; ++i) accents += "\xC3\xA9";  // 80 bytes
  T_TextBuf c(accents.c_str());
  TextBufAbbreviate(&c, 48, 25, "..");  // position 25 is inside a character
  EXPECT_EQ(Text(c), accents.substr(0, 24) + ".." + accents.substr(58));
  T_TextBuf shortText("short");
  TextBufAbbreviate(&shortText, 48, 24, "..");
  EXPECT_EQ(Text(shortText), "short");
}

TEST(Placeholders, ProgramTitleJoinsTheCutParts) {
  ProgramTitleSetParts("QEB 5.7", " - a name longer than sixteen bytes");
  T_TextBuf b;
  ProgramTitle(&b);
  EXPECT_EQ(Text(b), "QEB 5.7 - a name longer");
  ProgramTitleSetParts("QEB 5.7", nullptr);
  ProgramTitle(&b);
  EXPECT_EQ(Text(b), "QEB 5.7");
}

// --- URL query texts
// ------------------------------------------------------------------------------

TEST(Url, AddRemoveAndEscape) {
  T_TextBuf u("page");
  UrlAddParam(&u, "q", "a b+c");
  EXPECT_EQ(Text(u), "page?q=a+b%2Bc");
  UrlAddParam(&u, "n", "\xC3\xA9");
  EXPECT_EQ(Text(u), "page?q=a+b%2Bc&n=%C3%A9");
  UrlAddParam(&u, "d", "R&D=50%#1?/\"<>\t");
  EXPECT_EQ(Text(u), "page?q=a+b%2Bc&n=%C3%A9&d=R%26D%3D50%25%231%3F%2F%22%3C%3E%09");

  struct {
    const char* url;
    const char* name;
    const char* expected;
  } removals[] = {
      {"x?a=1&b=2", "a", "x?b=2"}, {"x?b=2&a=1", "a", "x?b=2"},   {"x?a=1", "a", "x"},
      {"a=1&a=2&b=3", "a", "b=3"}, {"x?ab=1&a=2", "a", "x?ab=1"}, {"x?b=a=1", "a", "x?b=a=1"},
  };
  for (const auto& r : removals) {
    T_TextBuf b(r.url);
    UrlRemoveParam(&b, r.name);
    EXPECT_EQ(Text(b), r.expected) << r.url;
  }
  T_TextBuf s("x?a=1&b=2");
  UrlSetParam(&s, "a", "3");
  EXPECT_EQ(Text(s), "x?b=2&a=3");
  T_TextBuf e("say \"<%>\"");
  UrlEscapeSpecial(&e);
  EXPECT_EQ(Text(e), "say %22%3C%25%3E%22");
  T_TextBuf cut("v?");
  UrlAddParam(&cut, "w", "ok\xFFlost");  // the value ends at an invalid lead byte
  EXPECT_EQ(Text(cut), "v?w=ok");
}

// At the cap a URL text ends before the first piece that does not fit: nothing drops out of
// its middle and no character is split.
TEST(Url, CapEndsTheTextBeforeAPieceThatDoesNotFit) {
  const std::string a96(kTextBufMax - 4, 'a');
  const std::string a98(kTextBufMax - 2, 'a');
  const std::string a95(kTextBufMax - 5, 'a');
  const struct {
    std::string start;
    void (*edit)(T_TextBuf*);
    std::string expected;
  } cases[] = {
      {a96 + "\"\xC3\xA9", [](T_TextBuf* b) { UrlEscapeSpecial(b); }, a96 + "%22"},
      {a98 + "\"b", [](T_TextBuf* b) { UrlEscapeSpecial(b); }, a98},
      {a95 + "?", [](T_TextBuf* b) { UrlAddParam(b, "v", "a&b"); }, a95 + "?v=a"},
  };
  for (const auto& c : cases) {
    T_TextBuf b;
    TextBufAssignBytes(&b, c.start.data(), static_cast<int32_t>(c.start.size()));
    c.edit(&b);
    EXPECT_EQ(Text(b), c.expected) << c.start.size();
  }
}

TEST(Url, DecodeInOneForwardPass) {
  struct {
    const char* in;
    const char* out;
  } cases[] = {{"%41%2b+", "A+ "}, {"%c3%a9%C3%A9", "\xC3\xA9\xC3\xA9"},
               {"%2%41", "%2A"},   {"%2541", "%41"},
               {"%", "%"},         {"a+%2B", "a +"},
               {"%g1%1", "%g1%1"}};
  for (const auto& c : cases) {
    T_TextBuf b(c.in);
    UrlDecode(&b);
    EXPECT_EQ(Text(b), c.out) << c.in;
  }
}

TEST(Url, ValuesRoundTrip) {
  const char* values[] = {
      "plain",
      "",
      "a b+c",
      "R&D",
      "x=y",
      "50%",
      "#1?",
      "a/b",
      "\"<tag>\"",
      "tab\there",
      "\xC3\xA5\xC3\xA4\xC3\xB6 \xE2\x82\xAC",
      "%41",
      "+",
  };
  T_TextBuf url("http://host/gw/page");
  for (int32_t i = 0; i < static_cast<int32_t>(std::size(values)); ++i) {
    std::string name = "p" + std::to_string(i);
    UrlAddParam(&url, name.c_str(), values[i]);
  }
  const char* cursor = url.data;
  T_TextBuf name, value;
  for (int32_t i = 0; i < static_cast<int32_t>(std::size(values)); ++i) {
    std::string expectedName = "p" + std::to_string(i);
    T_TextBuf got;
    UrlGetParam(url.data, expectedName.c_str(), &got);
    EXPECT_EQ(Text(got), values[i]) << expectedName;
    ASSERT_TRUE(UrlNextParam(&cursor, &name, &value)) << expectedName;
    EXPECT_EQ(Text(name), expectedName);
    EXPECT_EQ(Text(value), values[i]);
  }
  EXPECT_FALSE(UrlNextParam(&cursor, &name, &value));
  EXPECT_TRUE(name.empty());
  EXPECT_TRUE(UrlHasParam(url.data, "p3", "R%26D"));
  EXPECT_FALSE(UrlHasParam(url.data, "p3", "R"));
}

TEST(Url, NextParamSkipsPathsAndNamelessPairs) {
  const char* cursor = "dir/x?a=1&b&c=3&=4&d=e=f&g/h=5";
  T_TextBuf name, value;
  std::string seen;
  while (UrlNextParam(&cursor, &name, &value)) seen += "[" + Text(name) + "|" + Text(value) + "]";
  EXPECT_EQ(seen, "[a|1][c|3][d=e|f]");
  EXPECT_EQ(*cursor, 0);
}

}  // namespace
