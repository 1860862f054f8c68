// Links in HTML pages and exports, and the map-site filter of stored links.
#include <gtest/gtest.h>

#include <string>

#include "core/output_stream.h"
#include "tests/database/links/links_fixture.h"
#include "ui/link_markup.h"

namespace links_test {
namespace {

class HtmlTest : public LinksTest {
 protected:
  void SetUp() override {
    LinksTest::SetUp();
    Card(own, Id(2012, 11, 22, 5));
    MacroCreate(own, "Run");
    Template(own, "Sales: Monthly");
  }
  void TearDown() override {
    SetWebLinkHook(nullptr);
    SetMapSiteHost(nullptr);
    LinksTest::TearDown();
  }
  std::string Html(const char* text) {
    T_OStream stream;
    LinkText_WriteHtml(own->linkContext, &stream, text);
    return Written(stream);
  }
};

TEST_F(HtmlTest, HandlerLinksBecomeGatewayLinks) {
  // The short ids are those of the file name "own.qeb" and the names "Sales" and "Monthly".
  EXPECT_EQ(Html("See card=\"121122-005#2\" now"),
            "See <a class=\"data\" href=\"qeb.cgi?card=MApL:121122-005\">121122-005#2</a> now");
  EXPECT_EQ(Html("<a template=\"Sales: Monthly\">Monthly &amp; more</a>"),
            "<a class=\"data\" href=\"qeb.cgi?cards=MApL:MyJJ:DeZD\">Monthly &amp;amp; more</a>");
  EXPECT_EQ(Html("Go: macro=\"Run\"!"), "Go: Run!");
  // Targets that do not stand are written as their text.
  EXPECT_EQ(Html("template=\"Sales: Weekly\""), "Sales: Weekly");
  EXPECT_EQ(Html("card=\"[missing.qeb]121122-5\""), "[missing.qeb]121122-5");
}

TEST_F(HtmlTest, CraftedCardKeysStayText) {
  // The percent escapes decode into a key that would close the address and open a script.
  std::string html = Html("<a card=\"121122-5%22%3E%3Cscript%3Ealert(1)%3C/script%3E\">x</a>");
  EXPECT_EQ(html, "x");
  html = Html("<a card='121122-5\"><script>alert(1)</script>'>y</a>");
  EXPECT_EQ(html.find("<script"), std::string::npos) << html;
  EXPECT_EQ(html.find("href"), std::string::npos) << html;
}

TEST_F(HtmlTest, WebUsersWithoutCardsGetText) {
  static bool maySee = true;
  WebLinkHook hook{};
  hook.beginLink = [](T_OStream* stream, const char* linkClass) {
    stream->PutText("<a class=\"");
    stream->PutText(linkClass);
    stream->PutText("\" href=\"/gw?s=7&amp;");
  };
  hook.maySeeCards = [] { return maySee; };
  SetWebLinkHook(&hook);
  EXPECT_EQ(Html("card=\"121122-5\""),
            "<a class=\"data\" href=\"/gw?s=7&amp;card=MApL:121122-5\">121122-5</a>");
  maySee = false;
  EXPECT_EQ(Html("card=\"121122-5\" template=\"Sales: Monthly\""), "121122-5 Sales: Monthly");
  maySee = true;
}

TEST_F(HtmlTest, MapSiteLinksKeepOnlyTheirPlace) {
  SetMapSiteHost("maps.example.com");
  struct Case {
    const char* text;
    const char* filtered;
  };
  const Case cases[] = {
      {"https://maps.example.com/?e=10&zoom=3&n=20&scale=5000",
       "https://maps.example.com/?e=10&n=20&scale=5000"},
      {"https://MAPS.Example.com/v?zoom=3&layer=x", "https://MAPS.Example.com/v"},
      {"see maps.example.com/?zoom=1&e=2 there", "see maps.example.com/?e=2 there"},
      {"https://maps.example.com/?e=1#here", "https://maps.example.com/?e=1#here"},
      {"https://maps.example.com/?e=1&zoom=2#here", "https://maps.example.com/?e=1#here"},
      {"https://maps.example.com/", "https://maps.example.com/"},
      {"https://other.example.com/?zoom=3&e=1", "https://other.example.com/?zoom=3&e=1"},
      {"plain text", "plain text"},
  };
  for (const Case& c : cases) {
    T_TextBuf text(c.text);
    MapSiteFilter(&text);
    EXPECT_STREQ(text.c_str(), c.filtered) << c.text;
  }
  // The context applies it to both texts of a link before it is stored.
  T_TextBuf target("https://maps.example.com/?e=1&zoom=9");
  T_TextBuf shown("maps.example.com/?zoom=9&n=2");
  own->linkContext->AdjustLink(&target, &shown);
  EXPECT_STREQ(target.c_str(), "https://maps.example.com/?e=1");
  EXPECT_STREQ(shown.c_str(), "maps.example.com/?n=2");
}

}  // namespace
}  // namespace links_test
