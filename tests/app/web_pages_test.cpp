// The dispatcher, the sessions and the pages in-process: two small databases (one with web
// users), requests dispatched into a memory stream with LF line ends, the tick source and the
// clock pinned. Whole pages are compared with golden files in tests/app/data/web/.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "app/preferences.h"
#include "app/web_dispatcher.h"
#include "app/web_page_parts.h"
#include "app/web_pages.h"
#include "app/web_sessions.h"
#include "core/alert.h"
#include "core/file_stream.h"
#include "core/input_stream.h"
#include "core/locale.h"
#include "core/localized_text.h"
#include "core/memory.h"
#include "core/packed_date.h"
#include "core/short_ids.h"
#include "core/strict_utf8.h"
#include "core/threads.h"
#include "database/base.h"
#include "database/card_records.h"
#include "database/cards.h"
#include "database/section_stream.h"
#include "database/toolkit_adapter.h"
#include "database/templates.h"
#include "database/web_request.h"
#include "scratch_registry.h"
#include "tests/source_path.h"

namespace {

constexpr uint64_t kStart = 5000000;

uint64_t& Ticks() {
  static uint64_t ticks = kStart;
  return ticks;
}
uint64_t FakeTicks() { return Ticks(); }
DateRecord FixedNow() {
  DateRecord date;
  DateParseStr(&date, "2024-05-06 10:20:30");
  return date;
}

const char* const kShopText =
    "##Templates\r\n"
    "#C\tReports: Cards\r\n"
    "#L\tReports: Lines\r\n"
    "#C\tSales\r\n"
    "#C\tHidden\r\n"
    "xw\r\n"
    "##End\r\n";

const char* const kClubText =
    "##WebUsers\r\n"
    "U\tann\tsecret\r\n"
    "BI\r\n"
    "LG\tSWE\r\n"
    "U\tsso\tpw\r\n"
    "SB\r\n"
    "U\tbob\tpw\r\n"
    "\r\n"
    "##Templates\r\n"
    "#C\tCards\r\n"
    "##End\r\n";

class WebPagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PendingErrorClear();
    app_test::WritePref(HKEY_CURRENT_USER, "ServeWebQEB", "+");
    InstallDatabaseServices();
    SetCurrentLanguage(0);
    DateStyleSet(0);
    ResetPreferences();
    Prefs().serveWeb = true;
    Ticks() = kStart;
    SetTickSource(FakeTicks);
    SetClockSource(FixedNow);
    Prefs().loadTick = kStart;
    WebSessionsClear();
    shop = Open("C:\\data\\Shop.qex", kShopText);
    club = Open("D:\\web\\Club.qex", kClubText);
    AppendDatabaseShortId(&shopId, "Shop.qex");
    AppendDatabaseShortId(&clubId, "Club.qex");
  }
  void TearDown() override {
    while (T_Base* base = FirstBase()) {
      if (!DeleteBase(base, kCloseSilently)) delete base;
    }
    WebSessionsClear();
    SetTickSource(nullptr);
    SetClockSource(nullptr);
    RemoveDatabaseServices();
    ResetPreferences();
    SetCurrentLanguage(0);
    PendingErrorClear();
  }

  static T_Base* Open(const char* path, const char* text) {
    auto* base = new T_Base(path, 0);
    T_IStream stream;
    stream.CtorFromMemory(text, static_cast<int64_t>(std::strlen(text)));
    EXPECT_TRUE(readDatabaseSections(base, &stream));
    return base;
  }

  static std::string Dispatch(const std::string& query, const std::string& key = "browser-1",
                              const std::string& settings = "") {
    T_OStreamBlock page;
    page.SetNewlineChar(10);
    DispatchWebRequest(&page, query.c_str(), key.c_str(), settings.c_str());
    int64_t length = page.TotalLength();
    uint8_t* bytes = page.Collect();
    std::string text(reinterpret_cast<const char*>(bytes), static_cast<size_t>(length));
    MemFree(bytes);
    return text;
  }

  static bool Has(const std::string& page, const std::string& piece) {
    return page.find(piece) != std::string::npos;
  }
  static bool IsLogin(const std::string& page) { return Has(page, "name=\"loginform\""); }

  app_test::ScratchRegistry registry;
  T_Base* shop = nullptr;
  T_Base* club = nullptr;
  T_TextBuf shopId;
  T_TextBuf clubId;
};

// Compares with the golden file; a missing one is written (and the test fails) so it can be
// looked at and committed.
void ExpectGolden(const std::string& name, const std::string& page) {
  std::string path = TestSourcePath("tests/app/data/web/" + name);
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::ofstream(path, std::ios::binary) << page;
    ADD_FAILURE() << "golden file written: " << name;
    return;
  }
  std::stringstream golden;
  golden << in.rdbuf();
  EXPECT_EQ(page, golden.str()) << name;
}

TEST(WebPieces, SettingsLanguagesAndMenus) {
  const struct {
    const char* text;
    const char* gateway;
    const char* images;
    const char* shib;
  } settings[] = {
      {"", "qeb.cgi", "images/", ""},
      {"gateway=/cgi/q.exe images = \"my images/\" SHIB-NAME=ann", "/cgi/q.exe", "my images/",
       "ann"},
      {"unknown=1 gateway=\"unterminated", "unterminated", "images/", ""},
      {"= stray gateway=x= images", "x=", "images/", ""},
  };
  for (const auto& c : settings) {
    GatewaySettings parsed;
    ParseGatewaySettings(c.text, &parsed);
    EXPECT_STREQ(parsed.gateway.c_str(), c.gateway) << c.text;
    EXPECT_STREQ(parsed.images.c_str(), c.images) << c.text;
    EXPECT_STREQ(parsed.shibName.c_str(), c.shib) << c.text;
  }
  const struct {
    const char* code;
    int32_t language;
  } languages[] = {{"US", 0}, {"se", 12}, {"Fi", 5}, {"DE", -1}, {"", -1}};
  for (const auto& c : languages) EXPECT_EQ(WebLanguageOf(c.code), c.language) << c.code;
  const struct {
    const char* value;
    int32_t menus;
    const char* text;
  } menus[] = {{"", 15, "SDTp"},    {"sp", 13, "sDTp"},   {"sP", 29, "sDTP"}, {"sDTp", 13, "sDTp"},
               {"none", 0, "none"}, {"xyz!", 15, "SDTp"}, {"P", 31, "SDTP"}};
  for (const auto& c : menus) {
    int32_t word = ApplyMenusValue(kMenusDefault, c.value);
    EXPECT_EQ(word, c.menus) << c.value;
    T_TextBuf text;
    MenusText(word, &text);
    EXPECT_STREQ(text.c_str(), c.text) << c.value;
  }
  const struct {
    int64_t seconds;
    const char* text;
  } uptimes[] = {{90, "1 minute 30 seconds"},
                 {2 * 86400 + 300, "2 days 5 minutes"},
                 {3600, "1 hour"},
                 {3661, "1 hour 1 minute"},
                 {0, ""}};
  for (const auto& c : uptimes) {
    T_TextBuf text;
    UptimeText(c.seconds, &text);
    EXPECT_STREQ(text.c_str(), c.text) << c.seconds;
  }
  // The card short id of 2012-11-22 number 70 in a lower bound; number 1 leaves only the date.
  CardId id{PackDate(2012, 11, 22), 70};
  T_TextBuf text;
  AppendCardShortId(&text, &id, -1);
  EXPECT_STREQ(text.c_str(), "s5E61");
  id.sequence = 1;
  TextBufAssign(&text, "");
  AppendCardShortId(&text, &id, -1);
  EXPECT_STREQ(text.c_str(), "s5E");
  // Page numbers are read in 64 bits and held.
  EXPECT_EQ(WebPageMode("", false), 1);
  EXPECT_EQ(WebPageMode("99999999999999999999", true), 0x7FFFFFFF);
  EXPECT_EQ(WebPageMode("-5", true), 1);
  EXPECT_EQ(WebPageMode("all", true), kWebPageAll);
}

TEST_F(WebPagesTest, EachQueryGetsItsPage) {
  std::string shopPath = std::string("templates=") + shopId.c_str();
  const struct {
    std::string query;
    const char* piece;  // a piece only that page holds
  } cases[] = {
      {"", "<title>QEB Databases</title>"},
      {"term=page", "Page"},
      {"term=PREVIOUS", "Previous"},
      {"term=zzz", ""},
      {std::string("username=ann&password=secret&cards=x&base=") + clubId.c_str(),
       "http-equiv=refresh"},
      {shopPath, "<title>QEB Databases</title>"},
      {std::string("cards=") + shopId.c_str() + ":zzzz", "Template not found"},
      {"cards=nobase", "Database not found"},
      {std::string("card=") + shopId.c_str() + ":240306-2", "Unable to show the card"},
      {"card=nobase:240306", "Web-QEB error: Database not found"},
      {std::string("baseinfo=") + shopId.c_str(), "Unable to show the database info"},
      {"version", "<title>QEB program info</title>"},
      {"logout=nobase", "Web-QEB error: Database not found"},
      {"%00%FF&&&=&templates=\xFF\xFE", "<title>QEB Databases</title>"},
      {"menus=none&menus=sp", "<td width=\"10\">"},
  };
  for (const auto& c : cases) {
    std::string page = Dispatch(c.query);
    if (*c.piece == 0)
      EXPECT_EQ(page, "") << c.query;
    else
      EXPECT_TRUE(Has(page, c.piece)) << c.query << "\n" << page;
  }
  EXPECT_FALSE(WebRequestActive());
  // A language asked for by the request is the page's and no longer.
  EXPECT_EQ(Dispatch("term=first&lang=se"), GetStringInLanguage(2816, 12));
  EXPECT_EQ(CurrentLanguage(), 0);
  EXPECT_EQ(Dispatch("term=first&lang=DE"), "First");
}

// Bytes that are no UTF-8 (an encoded surrogate, an overlong "/", a lone continuation byte, a
// cut sequence), raw or %-escaped, in the query, the client key or the gateway settings: every
// page stays UTF-8, and what the request said comes back as U+FFFD.
TEST_F(WebPagesTest, BytesThatAreNoUtf8NeverReachThePage) {
  const std::string shop = shopId.c_str();
  const struct {
    std::string query, key, settings;
  } cases[] = {
      {"cards=\xED\xA0\x80", "browser-1", ""},
      {"cards=%ED%A0%80&page=2", "browser-1", ""},
      {"card=" + shop + ":\xC0\xAF", "browser-1", ""},
      {"card=" + shop + ":%C0%AF%80", "browser-1", ""},
      {"templates=" + shop + "&x=\xE2\x82", "browser-1", ""},
      {"templates=" + shop + "&menus=\xED\xBF\xBF", "browser-1", ""},
      {"templates=" + shop, "key\xED\xA0\x80", ""},
      {"templates=" + shop, "browser-1", "gateway=\"q\xED\xA0\x80.asp\" stylesheet=\"\x80.css\""},
      {"version", "browser-1", "images=\"%ED%A0%80/\""},
  };
  for (const auto& c : cases) {
    const std::string page = Dispatch(c.query, c.key, c.settings);
    EXPECT_TRUE(IsStrictUtf8(page.data(), static_cast<int32_t>(page.size())))
        << c.query << " | " << c.settings << "\n" << page;
    EXPECT_EQ(page.find("\xED\xA0"), std::string::npos) << c.query;
  }
  // The gateway's name is written into every link: its bad byte shows as the replacement.
  const std::string page =
      Dispatch("templates=" + shop, "browser-1", "gateway=\"q\xED\xA0\x80.asp\"");
  EXPECT_TRUE(Has(page, "q\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD.asp?")) << page;
}

// A page stream that notes, at each growth, whether a request was being served.
class T_WatchedPage : public T_OStream {
 public:
  void MakeRoom(int64_t n) override {
    ++grown;
    served += WebRequestActive() ? 1 : 0;
    T_OStream::MakeRoom(n);
  }
  int32_t grown = 0;
  int32_t served = 0;
};

// A request is one whatever its client key, the empty one included: while its page is written
// the program knows it serves the web (and asks nobody anything), and afterwards it does not.
TEST_F(WebPagesTest, ARequestWithAnEmptyClientKeyIsServedAsARequest) {
  for (const char* key : {"", "browser-1"}) {
    SCOPED_TRACE(std::string("key \"") + key + "\"");
    for (const char* query : {"version", "", "cards=nobase"}) {
      T_WatchedPage page;
      DispatchWebRequest(&page, query, key, "");
      EXPECT_GT(page.grown, 0) << query;
      EXPECT_EQ(page.served, page.grown) << query;
      EXPECT_FALSE(WebRequestActive()) << query;
    }
  }
}

TEST_F(WebPagesTest, TheServiceOffPageAndTheRedirect) {
  Prefs().serveWeb = false;
  EXPECT_EQ(Dispatch("version"),
            "<body>\n<H3>An error message produced by QEB</H3>\n"
            "The Web Service is turned off in QEB<br>To turn it on, open the File / Preferences "
            "dialog in QEB and check the \"Serve web clients\" checkbox\n</body>\n");
  Prefs().serveWeb = true;
  // The preferences are read again only after more than 12 seconds.
  Ticks() = kStart + 12000;
  Dispatch("version");
  EXPECT_EQ(Prefs().loadTick, kStart);
  Ticks() = kStart + 12001;
  Dispatch("version");
  EXPECT_EQ(Prefs().loadTick, kStart + 12001);
  EXPECT_TRUE(Prefs().serveWeb);
}

TEST_F(WebPagesTest, TheAccessCheckSessionsAndTheirExpiry) {
  std::string overview = std::string("templates=") + clubId.c_str();
  // No web users: admitted without a login, whatever the key.
  EXPECT_FALSE(IsLogin(Dispatch(std::string("templates=") + shopId.c_str(), "")));
  // A single-sign-on user is admitted; one without the flag gets the login page.
  EXPECT_FALSE(IsLogin(Dispatch(overview, "browser-1", "shib-name=sso")));
  EXPECT_TRUE(IsLogin(Dispatch(overview, "browser-1", "shib-name=bob")));
  // A key shorter than 5 characters gets nothing.
  EXPECT_EQ(Dispatch(overview, "abcd"), "");
  // A session that waits shows the login page with the database's short id.
  std::string login = Dispatch(overview);
  EXPECT_TRUE(Has(login, std::string("name=\"base\" value=\"") + clubId.c_str() + "\""));

  // A wrong password lands on the login page again; the right one on the page asked for.
  std::string base = std::string("&base=") + clubId.c_str();
  std::string redirect = Dispatch("username=ann&password=wrong" + base);
  EXPECT_TRUE(Has(redirect, "url=qeb.cgi?" + overview + "\">"));
  EXPECT_TRUE(IsLogin(Dispatch(overview)));
  Dispatch("username=ANN&password=SECRET" + base);
  std::string admitted = Dispatch(overview);
  EXPECT_FALSE(IsLogin(admitted));
  EXPECT_TRUE(Has(admitted, "Logout.gif"));
  EXPECT_TRUE(Has(admitted, "Database Info"));  // ann may see it
  EXPECT_TRUE(Has(Dispatch("term=first", "browser-1"), "First"));
  // Still logged in just before twenty minutes without use, out just after.
  Ticks() += 1199999;
  Prefs().loadTick = Ticks();
  EXPECT_FALSE(IsLogin(Dispatch(overview)));
  Ticks() += 1200001;
  Prefs().loadTick = Ticks();
  EXPECT_TRUE(IsLogin(Dispatch(overview)));

  // A logout ends the session at once; another browser's key has its own.
  Dispatch("username=ann&password=secret" + base);
  EXPECT_FALSE(IsLogin(Dispatch(overview)));
  EXPECT_TRUE(IsLogin(Dispatch(overview, "browser-2")));
  Dispatch(std::string("logout=") + clubId.c_str());
  EXPECT_TRUE(IsLogin(Dispatch(overview)));
  // A login for a database that is not open.
  EXPECT_EQ(Dispatch("username=ann&password=secret&base=zzzz"),
            "<br/>\nWeb-QEB error: Database not found\n");
}

TEST_F(WebPagesTest, TheSessionTableIsCapped) {
  WebSessionSet("logged-in", kWebSessionLoggedIn, "ann");
  for (int i = 0; i < 4100; ++i) {
    Ticks() += 1;
    WebSessionSet(("waiting-" + std::to_string(i)).c_str(), "q", nullptr);
  }
  EXPECT_EQ(WebSessionCount(), kWebSessionCap);
  T_TextBuf first, name;
  EXPECT_TRUE(WebSessionGet("logged-in", &first, &name));
  EXPECT_FALSE(WebSessionGet("waiting-0", &first, &name));
  EXPECT_TRUE(WebSessionGet("waiting-4099", &first, &name));
  // A refused request with a new key still finds room.
  Prefs().loadTick = Ticks();
  EXPECT_TRUE(IsLogin(Dispatch(std::string("templates=") + clubId.c_str(), "another-key")));
  EXPECT_EQ(WebSessionCount(), kWebSessionCap);
}

TEST_F(WebPagesTest, PagesByteForByte) {
  std::string shopPath = std::string("templates=") + shopId.c_str();
  ExpectGolden("overview.html", Dispatch(shopPath));
  ExpectGolden("overview_none.html", Dispatch(shopPath + "&menus=none"));
  ExpectGolden("overview_preferences.html", Dispatch("menus=P&lang=SE&format=FI&" + shopPath));
  ExpectGolden("login.html", Dispatch(std::string("templates=") + clubId.c_str()));
  ExpectGolden("redirect.html",
               Dispatch(std::string("username=ann&password=secret&base=") + clubId.c_str(),
                        "browser-1", "gateway=/q.cgi document-root=/r/"));
  ExpectGolden("analysis_nothing_shown.html",
               Dispatch(std::string("cards=") + shopId.c_str() + ":" + "zzzz&page=3"));
  ExpectGolden("card_unable.html", Dispatch(std::string("card=") + shopId.c_str() + ":240306-2"));
  ExpectGolden("baseinfo_unable.html", Dispatch(std::string("baseinfo=") + shopId.c_str()));
  std::string info = Dispatch("version&menus=none");
  // The machine's own values are masked.
  for (const char* label : {"System started:", "Program started:", "Program uptime:", "System:",
                            "Memory:", "User name:", "Computer name:", "Process ID:"}) {
    size_t at = info.find(std::string(label) + "</td><td>");
    ASSERT_NE(at, std::string::npos) << label;
    at += std::strlen(label) + 9;
    info.replace(at, info.find("</td>", at) - at, "*");
  }
  ExpectGolden("program_info.html", info);
  // Its dates follow the program's date style.
  int32_t style = DateStyleGet();
  DateStyleSet(4);
  EXPECT_TRUE(Has(Dispatch("version"), "<tr><td>Current time:</td><td>06.05.2024 10:20</td></tr>"));
  DateStyleSet(style);
}

// What an analysis page hands its window: the stored template when the query names nothing
// for it, else a working copy carrying the query's pairs; the stored one never changes.
struct SeenAnalysis {
  T_Template* templ = nullptr;
  std::string notes;
  std::string query;
  int64_t pageMode = 0;
  int32_t closed = 0;
};
SeenAnalysis seen;
T_Window* const kFakeWindow = reinterpret_cast<T_Window*>(0x1000);

const WebWindowPages kFakePages = {
    [](T_Base*, T_Template* templ, const WebUserView*, const char* query) -> T_Window* {
      seen.templ = templ;
      auto* box = dynamic_cast<T_BoxTmpl*>(templ);
      seen.notes = box && box->notes ? box->notes : "";
      seen.query = query;
      return kFakeWindow;
    },
    nullptr,
    nullptr,
    [](T_Window*) -> int64_t { return 3; },
    [](T_Window*, T_OStream* page, int64_t pageMode) {
      seen.pageMode = pageMode;
      page->PutText("<tr><td>the window's rows</td></tr>\n");
    },
    [](T_Window*) { ++seen.closed; }};

TEST_F(WebPagesTest, AnalysisParametersReachAWorkingCopy) {
  SetWebWindowPages(&kFakePages);
  T_Template* stored = shop->rootTemplate->firstChild;
  while (stored && std::strcmp(stored->name, "Sales") != 0) stored = stored->nextSibling;
  ASSERT_NE(stored, nullptr);
  T_TextBuf id;
  AppendNameShortId(&id, "Sales");
  std::string path = std::string("cards=") + shopId.c_str() + ":" + id.c_str();

  seen = {};
  std::string page = Dispatch(path + "&page=last");
  EXPECT_EQ(seen.templ, stored) << "nothing for the template: the stored one runs";
  EXPECT_EQ(seen.pageMode, kWebPageLast);
  EXPECT_EQ(seen.closed, 1);
  EXPECT_TRUE(Has(page, "the window's rows"));

  seen = {};
  page = Dispatch(path + "&notestext=Hello&title=Mine&page=2&page=3&drill=x");
  EXPECT_NE(seen.templ, stored);
  EXPECT_EQ(seen.notes, "Hello");
  EXPECT_EQ(seen.pageMode, 2) << "the first page value counts";
  EXPECT_TRUE(Has(page, "<title>Mine</title>")) << "a base template derives nothing";
  auto* storedBox = dynamic_cast<T_BoxTmpl*>(stored);
  ASSERT_NE(storedBox, nullptr);
  EXPECT_TRUE(storedBox->notes == nullptr || *storedBox->notes == 0);
  SetWebWindowPages(nullptr);
}

TEST_F(WebPagesTest, HostileQueriesAndSettingsStayInsideTheirAttributes) {
  std::string page =
      Dispatch(std::string("\"><script>alert(1)</script>&templates=") + shopId.c_str() + "&x=<b>",
               "browser-1", "gateway=\"a\"\"><i>\" images=<u>");
  EXPECT_FALSE(Has(page, "<script>"));
  EXPECT_FALSE(Has(page, "<b>"));
  EXPECT_FALSE(Has(page, "<i>"));
  EXPECT_FALSE(Has(page, "<u>"));
  EXPECT_TRUE(Has(page, "&quot;&gt;&lt;script&gt;"));
  // Bytes that are not UTF-8 never reach a page: what stands for them is U+FFFD.
  std::string odd = Dispatch("templates=\xC3\x28\xFF&lang=\xE2\x82");
  for (size_t at = 0; (at = odd.find("\xEF\xBF\xBD", at)) != std::string::npos;)
    odd.erase(at, 3);
  for (size_t i = 0; i < odd.size(); ++i) {
    auto c = static_cast<unsigned char>(odd[i]);
    ASSERT_LT(c, 0x80) << i;  // the fixture's names are ASCII
  }
}

}  // namespace
