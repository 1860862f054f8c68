#include "ui/link_markup.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/output_stream.h"
#include "link_test_handler.h"

namespace {

// A context with the handler tag "card", as a database has.
class LinkMarkup : public testing::Test {
 protected:
  T_LinkContext context_{nullptr, "data"};
  TestLinkHandler* cards_ = new TestLinkHandler(&context_, "card");

  std::string Normalized(const char* text) {
    T_TextBuf buffer(text);
    LinkText_Normalize(&context_, &buffer);
    return buffer.c_str();
  }
  std::string Plain(const char* text) {
    T_TextBuf plain;
    LinkText_ToPlain(&context_, &plain, text);
    return plain.c_str();
  }
  std::string Html(const char* text, bool plain) {
    T_OStream stream;
    if (plain) {
      LinkText_WriteHtmlPlain(&context_, &stream, text);
    } else {
      LinkText_WriteHtml(&context_, &stream, text);
    }
    return std::string(reinterpret_cast<const char*>(stream.start),
                       static_cast<size_t>(stream.BufferedLength()));
  }
};

// --- Parsing ---------------------------------------------------------------------------------

TEST_F(LinkMarkup, ParsesTheFirstLinkOfEachForm) {
  struct Case {
    const char* source;
    const char* prefix;
    uint32_t kind;
    const char* text;
    const char* target;
    const char* rest;
  } cases[] = {
      // bare addresses
      {"see http://x.com/a/ now", "see ", kLinkUrl, "x.com/a", "http://x.com/a/", " now"},
      {"(https://a.b/c)", "(", kLinkUrl, "a.b/c", "https://a.b/c", ")"},
      {"xshttp://q", "x", kLinkUrl, "q", "shttp://q", ""},
      // tagged
      {"<A HREF=\"x.com/p\">Prices</A>!", "", kLinkUrl, "Prices", "http://x.com/p", "!"},
      {"<a href=mailto:a.b>m</a>", "", kLinkUrl, "m", "mailto:a.b", ""},
      {"<a href=\"http://x\">   </a>", "", kLinkUrl, "link", "http://x", ""},
      {"<a href=x.com target=y>t</a>", "", kLinkUrl, "t", "http://x.com", ""},
      {"<a file=my file.txt>t</a>", "", kLinkFile, "t", "my file.txt", ""},
      {"<a file=' a%22b%41%4a '>t</a>", "", kLinkFile, "t", "a\"bA%4a", ""},
      {"<a file=\"x%00y\">t</a>", "", kLinkFile, "t", "xy", ""},
      // No decoded control byte stays: a browser would drop it from the scheme.
      {"<a href=\"java%09scr%0Aipt%0D:%01x()%7F\">t</a>", "", kLinkUrl, "t", "javascript:x()", ""},
      {"<a title=\"x\" Card='17-3'> Invoice </a>", "", kLinkHandler, "Invoice", "17-3", ""},
      // short
      {"note file=\" C:\\x\\y.txt\x01\" end", "note ", kLinkFile, "C:\\x\\y.txt", "C:\\x\\y.txt",
       " end"},
      {"mycard=\"17-3\"", "my", kLinkHandler, "17-3", "17-3", ""},
      // a tagged link without its end is no link; the scan goes on behind the "<"
      {"<a file=\"a\">b", "<a ", kLinkFile, "a", "a", ">b"},
      // no links
      {"file=\"\" FILE=\"x\" HTTP://x http:/// <a>x</a> <a href=\"y\">", nullptr, kLinkNone, "", "",
       nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source);
    LinkRef link;
    link.context = &context_;
    T_TextBuf prefix("unchanged");
    const char* cursor = c.source;
    bool found = LinkText_Parse(&link, &cursor, &prefix);
    EXPECT_EQ(found, c.kind != kLinkNone);
    EXPECT_EQ(link.kind, c.kind);
    EXPECT_STREQ(link.text.c_str(), c.text);
    EXPECT_STREQ(link.target.c_str(), c.target);
    EXPECT_STREQ(prefix.c_str(), c.prefix != nullptr ? c.prefix : "unchanged");
    EXPECT_STREQ(cursor, c.rest != nullptr ? c.rest : c.source);
    if (found) {
      EXPECT_EQ(link.start, static_cast<int32_t>(prefix.length));
      EXPECT_EQ(link.start + link.length, static_cast<int32_t>(cursor - c.source));
    }
    if (found) {
      EXPECT_TRUE(LinkText_HasLinks(&context_, c.source));
    }
  }
}

TEST_F(LinkMarkup, QuickTestLooksOnlyForTheTriggers) {
  struct Case {
    const T_LinkContext* context;
    const char* text;
    bool has;
  } cases[] = {
      {&context_, "x <a y", true},  {&context_, "file=\"", true},
      {&context_, "card=\"", true}, {nullptr, "card=\"17-3\"", false},
      {&context_, "vnc://", true},  {&context_, "HTTP://x FILE=\"x\" <a>", false},
      {&context_, nullptr, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LinkText_HasLinks(c.context, c.text), c.has) << (c.text ? c.text : "null");
  }
}

TEST_F(LinkMarkup, MarkupPositionsCountFromTheSourceText) {
  const char* source = "a file=\"x\" b card=\"7\"";
  LinkRef link;
  link.context = &context_;
  link.sourceText = source;
  const char* cursor = source;
  ASSERT_TRUE(LinkText_Parse(&link, &cursor, nullptr));
  ASSERT_TRUE(LinkText_Parse(&link, &cursor, nullptr));
  EXPECT_EQ(link.kind, kLinkHandler);
  EXPECT_EQ(link.handler, cards_);
  EXPECT_EQ(link.start, 13);
  EXPECT_EQ(link.length, 8);
  EXPECT_FALSE(LinkText_Parse(&link, &cursor, nullptr));
  EXPECT_EQ(link.kind, kLinkNone);
}

// --- Canonical markup ------------------------------------------------------------------------

TEST_F(LinkMarkup, NormalizingWritesEveryLinkInItsCanonicalForm) {
  struct Case {
    const char* source;
    const char* normalized;
  } cases[] = {
      {"see http://x.com/ now", "see http://x.com/ now"},
      {"<a href=\"http://x.com/\">x.com</a>", "http://x.com/"},
      {"<a href='x.com'> </a>", "<a href=\"http://x.com\">link</a>"},
      {"(<a href=\"x.com\">x.com</a>)", "(http://x.com)"},
      // a bare address would swallow the text behind it or the "s" before it
      {"<a href=\"x.com\">x.com</a>.", "<a href=\"http://x.com\">x.com</a>."},
      {"<a file=\"C:\\x.txt\">X</a>", "<a file=\"C:\\x.txt\">X</a>"},
      {"<a file=\"C:\\x.txt\">C:\\x.txt</a>", "file=\"C:\\x.txt\""},
      {"<a CARD=\"17-3\">17-3</a>", "card=\"17-3\""},
      {"<a href=\"\">Home</a> page", "Home page"},
      {"<a href=\"mailto:a@b.c\">a@b.c</a>", "<a href=\"mailto:a@b.c\">a@b.c</a>"},
      // two links never touch
      {"<a href=\"http://a.b\">A</a><a file=\"c\">c</a>card=\"1\"",
       "<a href=\"http://a.b\">A</a> file=\"c\" card=\"1\""},
      {"<a href=\"http://x.com\">x.com</a>abc", "<a href=\"http://x.com\">x.com</a>abc"},
      {"s<a href=\"http://x.y\">x.y</a>", "s<a href=\"http://x.y\">x.y</a>"},
      {"<a href=\"http://x.com\">x.com</a><a href=\"http://y.com\">y.com</a>",
       "http://x.com http://y.com"},
      // values that would end the value or be decoded are written encoded
      {"<a href='a\"b'>t</a>", "<a href=\"a%22b\">t</a>"},
      {"file=\"50%41\"", "file=\"50%41\""},
      {"<a file=\"50%2541\">x</a>", "<a file=\"50%2541\">x</a>"},
      {"<a card=\"a%20file=b\">c</a>", "<a card=\"a%20file%3Db\">c</a>"},
      {"no links  ", "no links  "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source);
    std::string once = Normalized(c.source);
    EXPECT_EQ(once, c.normalized);
    EXPECT_EQ(Normalized(once.c_str()), once);  // stable
  }
}

TEST_F(LinkMarkup, ApplyNormalizesOrStripsByMode) {
  const char* source = "<a href=\"http://x.com/\">x.com</a> and card=\"1\"";
  struct Case {
    int32_t mode;
    const char* result;
  } cases[] = {
      {1, "http://x.com/ and card=\"1\""},
      {4, "x.com and 1"},
      {0, source},
      {2, source},
  };
  for (const Case& c : cases) {
    T_TextBuf text(source);
    LinkText_Apply(&context_, &text, c.mode);
    EXPECT_STREQ(text.c_str(), c.result) << c.mode;
  }
}

TEST_F(LinkMarkup, NormalizingKeepsATextWhoseResultWouldNotFit) {
  // Each link grows by "http://" and the blank between links.
  std::string source;
  while (source.size() + 17 < kTextBufMax) source += "<a href=x.y>t</a>";
  T_TextBuf text(source.c_str());
  LinkText_Normalize(&context_, &text);
  EXPECT_EQ(text.c_str(), source);
}

TEST_F(LinkMarkup, FileLinkMarkupEncodesThePathAndShowsTheName) {
  T_TextBuf markup;
  LinkText_FileLinkMarkup(&markup, "C:\\50% \"a\"\\<b>.txt");
  EXPECT_STREQ(markup.c_str(), "<a file=\"C:\\50%25 %22a%22\\%3Cb%3E.txt\"><b>.txt</a>");
  LinkRef link;
  const char* cursor = markup.c_str();
  ASSERT_TRUE(LinkText_Parse(&link, &cursor, nullptr));
  EXPECT_EQ(link.kind, kLinkFile);
  EXPECT_STREQ(link.target.c_str(), "C:\\50% \"a\"\\<b>.txt");
}

// --- Layout ----------------------------------------------------------------------------------

std::vector<std::pair<int32_t, uint16_t>> Runs(const SpanList& spans) {
  std::vector<std::pair<int32_t, uint16_t>> runs;
  for (const TextSpan* s = spans.first(); s != nullptr; s = s->next) {
    runs.emplace_back(s->start, static_cast<uint16_t>(s->colour | s->flags << 8));
  }
  return runs;
}

TEST_F(LinkMarkup, LayoutGivesThePlainTextAndTheLinkRuns) {
  using Runs_ = std::vector<std::pair<int32_t, uint16_t>>;
  struct Case {
    const char* source;
    const char* plain;
    Runs_ runs;
  } cases[] = {
      {"see http://x.com/ now", "see x.com now", {{0, 10}, {4, 21}, {9, 10}, {kSpanEnd, 10}}},
      {"file=\"a\"card=\"b\"", "ab", {{0, 21}, {2, 10}, {kSpanEnd, 10}}},
      {"a<a href=\"x.y\">\rb</a>file=\"c\"\rd",
       "a \rbc \rd",
       {{0, 10}, {2, 21}, {5, 10}, {kSpanEnd, 10}}},
      {"plain", "plain", {{0, 10}, {kSpanEnd, 10}}},
      {"", "", {{0, 10}, {kSpanEnd, 10}}},
  };
  SpanList spans;
  SpanListMark(&spans, 0, 3, kLinkSpanHot, 15);  // left from an earlier layout
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source);
    T_TextBuf plain("old");
    LinkText_Layout(&context_, c.source, &plain, &spans, nullptr, -1, nullptr);
    EXPECT_STREQ(plain.c_str(), c.plain);
    EXPECT_EQ(Runs(spans), c.runs);
    EXPECT_EQ(Plain(c.source), c.plain);
  }
}

TEST_F(LinkMarkup, LayoutMapsSourceBytesAndFindsTheLinkAtAPosition) {
  const char* source = "ab file=\"c\" d";  // markup at 3..10
  T_TextBuf plain;
  std::vector<uint16_t> map(strlen(source), 0xFFFF);
  LinkText_Layout(&context_, source, &plain, nullptr, map.data(), -1, nullptr);
  EXPECT_STREQ(plain.c_str(), "ab c d");
  EXPECT_EQ(map, (std::vector<uint16_t>{0, 1, 2, 4, 4, 4, 4, 4, 4, 4, 4, 4, 5}));

  for (int32_t hit : {3, 4}) {
    LinkRef link;
    T_TextBuf edit("edited");
    link.editBuffer = &edit;
    ASSERT_TRUE(LinkText_Layout(&context_, source, &plain, nullptr, nullptr, hit, &link)) << hit;
    EXPECT_STREQ(link.target.c_str(), "c");
    EXPECT_EQ(link.start, 3);
    EXPECT_EQ(link.length, 8);
    EXPECT_EQ(link.sourceText, source);
    EXPECT_EQ(link.editBuffer, &edit);
  }
  LinkRef none;
  EXPECT_FALSE(LinkText_Layout(&context_, source, &plain, nullptr, nullptr, 5, &none));
  EXPECT_EQ(none.kind, kLinkNone);
}

TEST(LinkSpans, MarkingSplitsRunsAndMergesEqualNeighbours) {
  using Runs_ = std::vector<std::pair<int32_t, uint16_t>>;
  SpanList spans;
  ASSERT_TRUE(SpanListMark(&spans, 4, 9, 0, 21));
  ASSERT_TRUE(SpanListMark(&spans, 12, 15, 0, 21));
  EXPECT_EQ(Runs(spans), (Runs_{{0, 10}, {4, 21}, {9, 10}, {12, 21}, {15, 10}, {kSpanEnd, 10}}));
  // Hovering the first link, then pressing inside part of it.
  ASSERT_TRUE(SpanListMark(&spans, 4, 9, kLinkSpanHot, 21));
  ASSERT_TRUE(SpanListMark(&spans, 6, 9, kLinkSpanHot, 15));
  EXPECT_EQ(Runs(spans), (Runs_{{0, 10},
                                {4, 21 | kLinkSpanHot << 8},
                                {6, 15 | kLinkSpanHot << 8},
                                {9, 10},
                                {12, 21},
                                {15, 10},
                                {kSpanEnd, 10}}));
  EXPECT_EQ(SpanListFind(&spans, 8)->start, 6);
  EXPECT_EQ(SpanListFind(&spans, 9)->start, 9);
  EXPECT_EQ(SpanListFind(&spans, -1)->start, 0);
  // Back to plain text over everything: only the head and the sentinel stay.
  ASSERT_TRUE(SpanListMark(&spans, 0, kSpanEnd, 0, 10));
  EXPECT_EQ(Runs(spans), (Runs_{{0, 10}, {kSpanEnd, 10}}));
  ASSERT_TRUE(SpanListMark(&spans, 5, 5, 0, 21));  // empty: nothing
  EXPECT_EQ(Runs(spans), (Runs_{{0, 10}, {kSpanEnd, 10}}));
}

// --- HTML ------------------------------------------------------------------------------------

TEST_F(LinkMarkup, HtmlEscapesTextsAndWritesOnlySafeAddressesAsAnchors) {
  struct Case {
    const char* source;
    const char* html;
    const char* htmlPlain;
  } cases[] = {
      {"a<b & c", "a&lt;b &amp; c", "a&lt;b &amp; c"},
      {"go http://x.com/?q=1&r=2 now",
       "go <a class=\"data\" href=\"http://x.com/?q=1&amp;r=2\">x.com/?q=1&amp;r=2</a> now",
       "go <a href=\"http://x.com/?q=1&amp;r=2\">x.com/?q=1&amp;r=2</a> now"},
      // Anchors only for the link schemes: a relative address and mailto: are text.
      {"<a href=\"page?a\">Page</a>", "<tt>Page</tt>", "Page"},
      {"<a href=\"mailto:a@b.c\">m</a>", "<tt>m</tt>", "m"},
      {"<a href=\"data:text/html,x\">d</a>", "<tt>d</tt>", "d"},
      {"ftp://h/f", "<a class=\"data\" href=\"ftp://h/f\">h/f</a>",
       "<a href=\"ftp://h/f\">h/f</a>"},
      {"<a href=\"HTTPS://h\">s</a>", "<a class=\"data\" href=\"HTTPS://h\">s</a>",
       "<a href=\"HTTPS://h\">s</a>"},
      {"<a href='x.com/\"'><i>'>t</a>",
       "<a class=\"data\" href=\"http://x.com/&quot;\">&lt;i&gt;&apos;&gt;t</a>",
       "<a href=\"http://x.com/&quot;\">&lt;i&gt;&apos;&gt;t</a>"},
      {"f file=\"C:\\a<b.txt\"", "f <tt>C:\\a&lt;b.txt</tt>", "f C:\\a&lt;b.txt"},
      {"<a href=\"file:///C:/x\">x</a>", "<tt>x</tt>", "x"},
      {"<a href=\"javascript:alert(1)\">x</a>", "<tt>x</tt>", "x"},
      {"<a href=\"java\tscript:alert(1)\">x</a>", "<tt>x</tt>", "x"},
      {"card=\"<7>\"", "&lt;7&gt;", "&lt;7&gt;"},  // the base handler writes its text
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source);
    EXPECT_EQ(Html(c.source, false), c.html);
    EXPECT_EQ(Html(c.source, true), c.htmlPlain);
  }
}

TEST_F(LinkMarkup, PlainWritersTakeTheTextAsShown) {
  const char* source = "a<b file=\"x&y\"";
  T_OStream stream;
  LinkText_WritePlain(&context_, &stream, source);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(stream.start),
                        static_cast<size_t>(stream.BufferedLength())),
            "a<b x&y");
  T_TextBuf scratch;
  const char* plain = "no links";
  EXPECT_EQ(LinkText_PlainText(&context_, &scratch, plain), plain);
  EXPECT_STREQ(LinkText_PlainText(&context_, &scratch, source), "a<b x&y");
  T_TextBuf strip(source);
  LinkText_StripBuf(&context_, &strip);
  EXPECT_STREQ(strip.c_str(), "a<b x&y");
}

}  // namespace

namespace {

// Every cut and every flipped bit of a text full of markup: the layout stays inside the text,
// maps every byte into the plain text, and normalising reaches a form that stays.
TEST_F(LinkMarkup, DamagedMarkupIsReadSafely) {
  const std::string whole =
      "a <A href='x.com/%22q'> Q </a> b file=\"C:\\d\\e.txt\" card=\"7\"(shttp://h/)"
      "<a card=\"a%20file=b\">c</a><a file=x y>z</a>";
  std::vector<std::string> damaged;
  for (size_t n = 0; n <= whole.size(); ++n) damaged.push_back(whole.substr(0, n));
  for (size_t i = 0; i < whole.size(); ++i) {
    for (int bit : {0, 1, 5, 6}) {
      std::string flipped = whole;
      flipped[i] = static_cast<char>(flipped[i] ^ (1 << bit));
      if (flipped[i] != 0) damaged.push_back(flipped);
    }
  }
  for (const std::string& text : damaged) {
    SCOPED_TRACE(text);
    T_TextBuf plain;
    SpanList spans;
    std::vector<uint16_t> map(text.size() + 1, 0xFFFF);
    LinkRef hit;
    LinkText_Layout(&context_, text.c_str(), &plain, &spans, map.data(), 3, &hit);
    for (size_t i = 0; i < text.size(); ++i) ASSERT_LE(map[i], plain.length) << i;
    EXPECT_EQ(map[text.size()], 0xFFFF);
    if (hit.kind != kLinkNone) {
      ASSERT_GE(hit.start, 0);
      ASSERT_LE(hit.start + hit.length, static_cast<int32_t>(text.size()));
    }
    for (const TextSpan* s = spans.first(); s->next != nullptr; s = s->next) {
      ASSERT_LT(s->start, s->next->start);
    }
    std::string once = Normalized(text.c_str());
    EXPECT_EQ(Normalized(once.c_str()), once);
    Html(text.c_str(), false);
  }
}

}  // namespace
