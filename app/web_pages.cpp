#include "app/web_pages.h"

#include <cstdio>
#include <cstring>

#include "app/web_dispatcher.h"
#include "app/web_page_parts.h"
#include "core/date_record.h"
#include "core/localized_text.h"
#include "core/message_pump.h"
#include "core/output_stream.h"
#include "core/packed_date.h"
#include "core/placeholders.h"
#include "core/short_ids.h"
#include "core/system_info.h"
#include "core/threads.h"
#include "core/value_format.h"
#include "database/base.h"
#include "database/template_tree.h"
#include "database/templates.h"

namespace {

constexpr int32_t kTextDatabases = 2800;
constexpr int32_t kTextLoginDatabase = 2807;
constexpr int32_t kTextUsername = 2808;
constexpr int32_t kTextPassword = 2809;
constexpr int32_t kTextCookiesNote = 2810;
constexpr int32_t kTextShowPanel = 2811;
constexpr int32_t kTextDatabaseInfo = 2542;
constexpr int64_t kLargestPage = 0x7FFFFFFF;

WebWindowPages windowPages{};

const WebRequestContext& Request() { return *CurrentWebRequest(); }

bool SidePanelShown() { return (Request().menus & kMenusSidePanel) != 0; }

void Line(T_OStream* page, const char* text) {
  page->PutText(text);
  page->PutNewline();
}

void BaseShortId(const T_Base* base, T_TextBuf* id) {
  AppendDatabaseShortId(id, base->path ? base->path->c_str() : "");
}

// The frame of a page that shows only a message.
void MessagePage(T_OStream* page, T_Base* base, const char* title, const char* message) {
  PageHead(page, title);
  if (SidePanelShown()) SidePanel(page, base, nullptr, 0);
  MiddlePanel(page, 1);
  MessageBlock(page, message);
  PageEnd(page);
}

template <typename Open>
bool CanOpen(Open open) {
  return open != nullptr && windowPages.pageCount != nullptr && windowPages.writeHtml != nullptr;
}

// Right panel, title row and the window's page; the window is closed.
void WindowContent(T_OStream* page, T_Window* window, int64_t pageMode, T_Base* base,
                   const char* comment, const char* title, bool withBase) {
  int64_t count = windowPages.pageCount(window);
  RightPanelBegin(page, pageMode, count);
  page->PutHtmlComment(comment);
  TitleRow(page, base, title, withBase);
  windowPages.writeHtml(window, page, pageMode);
  RightPanelEnd(page);
}

void CloseWindow(T_Window* window) {
  if (window && windowPages.close) windowPages.close(window);
}

// The number and date formats of a language's format: 0 US, 5 FI, 12 SE.
void ApplyRequestFormat(int32_t format) {
  FormatSettings settings;
  SaveFormatSettings(&settings);
  if (format == 0)
    settings = FormatSettings{'.', ',', 7, settings.scaling};
  else if (format == 5)
    settings = FormatSettings{',', ' ', 4, settings.scaling};
  else if (format == 12)
    settings = FormatSettings{',', ' ', 1, settings.scaling};
  else
    return;
  RestoreFormatSettings(&settings);
}

// Date and time to the minute, the date in the program's date style as users chose it.
void DateTimeText(double seconds, T_TextBuf* text) {
  DateRecord date;
  DateFromSeconds(&date, seconds);
  char buffer[40];
  FormatDateCurrentStyleCStr(buffer, PackDate(date.year, date.month, date.day));
  size_t length = std::strlen(buffer);
  std::snprintf(buffer + length, sizeof(buffer) - length, " %02d:%02d", date.hour, date.minute);
  TextBufAssign(text, buffer);
}

// The database named by the value's short id, once the access check admitted the request, with
// the page language applied; null when the reply is done ("Database not found", the login page).
T_Base* AdmittedBase(T_OStream* page, const char* value) {
  T_Base* base = FindWebBase(value);
  if (!base) {
    WebErrorLine(page, "Database not found");
    return nullptr;
  }
  if (!WebAccessCheck(page, base)) return nullptr;
  ApplyPageLanguage();
  return base;
}

void InfoRow(T_OStream* page, const char* label, const char* value) {
  page->PutText("<tr><td>");
  page->PutText(label);
  page->PutText("</td><td>");
  page->PutEscaped(value);
  Line(page, "</td></tr>");
}

}  // namespace

void SetWebWindowPages(const WebWindowPages* pages) {
  windowPages = pages ? *pages : WebWindowPages{};
}

int64_t WebPageMode(const char* value, bool present) {
  if (!present) return 1;
  if (std::strcmp(value, "single") == 0) return kWebPageSingle;
  if (std::strcmp(value, "all") == 0) return kWebPageAll;
  if (std::strcmp(value, "last") == 0) return kWebPageLast;
  const char* p = value;
  bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  int64_t number = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    number = number * 10 + (*p - '0');
    if (number > kLargestPage) number = kLargestPage;
  }
  if (negative || number < 1) return 1;
  return number;
}

void WebOverviewPage(T_OStream* page, const char* path) {
  T_Template* templ = nullptr;
  T_Base* base = ResolveWebPath(path, &templ);
  if (base && !WebAccessCheck(page, base)) return;
  ApplyPageLanguage();
  T_TextBuf title;
  if (base && templ && templ != base->rootTemplate) {
    WebBaseFileName(base, &title);
    TextBufAppend(&title, ": ");
    T_TextBuf templatePath;
    templ->GetPath(&templatePath);
    TextBufAppendBuf(&title, &templatePath);
  } else {
    TextBufAssign(&title, GetString(kTextDatabases));
  }
  PageHead(page, title.c_str());
  if (SidePanelShown()) SidePanel(page, base, templ, 1);
  MiddlePanel(page, 1);
  RightPanelBegin(page, 1, 1);
  RightPanelEnd(page);
  PageEnd(page);
}

void WebLoginPage(T_OStream* page, T_Base* base) {
  T_TextBuf title(GetString(kTextLoginDatabase)), name, id;
  WebBaseFileName(base, &name);
  BaseShortId(base, &id);
  TextBufAppend(&title, ": ");
  TextBufAppendBuf(&title, &name);
  PageHead(page, title.c_str());
  if (SidePanelShown()) SidePanel(page, nullptr, nullptr, 0);
  MiddlePanel(page, 1);
  RightPanelBegin(page, 1, 1);
  page->PutHtmlComment("login title");
  TitleRow(page, base, GetString(kTextLoginDatabase), true);
  page->PutHtmlComment("login form");
  Line(page, "<tr><td>");
  page->PutText("<form action=\"");
  PutAttributeText(page, Request().settings.gateway.c_str());
  Line(page, "\" method=\"post\" name=\"loginform\">");
  Line(page, "<table border=\"0\" cellspacing=\"0\" cellpadding=\"0\">");
  page->PutText("<tr><td class=\"login\">");
  page->PutEscaped(GetString(kTextUsername));
  Line(page, "</td><td><input type=\"text\" name=\"username\"/></td></tr>");
  page->PutText("<tr><td class=\"login\">");
  page->PutEscaped(GetString(kTextPassword));
  Line(page, "</td><td><input type=\"password\" name=\"password\"/></td></tr>");
  Line(page, "<tr><td/><td>");
  page->PutText("<input type=\"hidden\" name=\"base\" value=\"");
  page->PutTextBuf(&id);
  Line(page, "\"/>");
  Line(page, "<input type=\"submit\" name=\"action\" value=\"Login\"/>");
  for (const char* line : {"</td></tr>", "</table>", "</form>", "</td></tr>", ""}) Line(page, line);
  for (const char* line :
       {"<script language=\"JavaScript\">", "<!--", "window.document.loginform.username.focus();",
        "// -->", "</script>", ""})
    Line(page, line);
  page->PutHtmlComment("cookies note");
  Line(page, "<tr><td class=\"notes\">");
  Line(page, "<p class=\"notes\">");
  page->PutEscaped(GetString(kTextCookiesNote));
  page->PutNewline();
  for (const char* line : {"", "</p>", "</td></tr>", ""}) Line(page, line);
  RightPanelEnd(page);
  PageEnd(page);
}

void WebRedirectPage(T_OStream* page, const char* url) {
  Line(page, "<head>");
  page->PutHtmlMetaCharset();
  page->PutText("<meta http-equiv=refresh content=\"0; url=");
  PutAttributeText(page, url);
  Line(page, "\">");
  Line(page, "</head>");
  Line(page, "<body>");
  page->PutText("<a href=\"");
  PutAttributeText(page, url);
  page->PutText("\"><img");
  page->PutAttribute("alt", GetString(kTextShowPanel));
  page->PutText(" src=\"");
  PutAttributeText(page, Request().settings.documentRoot.c_str());
  PutAttributeText(page, Request().settings.images.c_str());
  page->PutText("ShowPanel.gif\"");
  Line(page, "/></a>");
  Line(page, "</body>");
}

void WebAnalysisPage(T_OStream* page, const char* text) {
  const char* path = std::strchr(text, '=');
  T_Template* templ = nullptr;
  T_Base* base = ResolveWebPath(path ? path + 1 : "", &templ);
  bool analysis =
      templ && templ->kind >= kTemplateCards && templ->kind <= kTemplateComponentFunctions;
  if (base && !WebAccessCheck(page, base)) return;
  if (!base || !analysis) {
    ApplyPageLanguage();
    MessagePage(page, base, GetString(kTextDatabases),
                base ? "Template not found" : "Database not found");
    return;
  }
  ApplyPageLanguage();
  FormatSettings saved;
  SaveFormatSettings(&saved);
  const WebUserView* user = CurrentWebUser();
  ApplyRequestFormat(Request().format >= 0 ? Request().format : user ? user->format : -1);
  // The pairs after the template's own, in order: the title, the page, a drill-down that derives
  // a new template, and the rest for the template. Those go to a working copy, so a request
  // never changes the stored template; a derived template replaces the copy.
  T_TextBuf title, name, value;
  templ->GetPath(&title);
  bool titleGiven = false;
  bool pagePresent = false;
  T_TextBuf pageValue;
  T_Template* shown = templ;
  T_Template* working = nullptr;
  const char* cursor = text;
  UrlNextParam(&cursor, &name, &value);
  for (int32_t i = 0; i < 10000 && UrlNextParam(&cursor, &name, &value); ++i) {
    if (std::strcmp(name.c_str(), "title") == 0) {
      TextBufAssignBuf(&title, &value);
      titleGiven = true;
    } else if (std::strcmp(name.c_str(), "page") == 0) {
      if (!pagePresent) TextBufAssignBuf(&pageValue, &value);
      pagePresent = true;
    } else if (std::strcmp(name.c_str(), "drill") == 0) {
      T_Template* derived = shown->DerivedTemplate(value.c_str());
      if (derived && derived != shown) {
        DeleteTemplate(working);
        working = shown = derived;
        TextBufAppend(&title, " >> ");
        TextBufAppend(&title, derived->name ? derived->name : "");
      }
    } else {
      if (!working) {
        working = DuplicateTemplate(base, shown, nullptr);
        if (!working) continue;  // no memory for the copy: the stored template shows unchanged
        shown = working;
      }
      shown->SetParameter(name.c_str(), value.c_str());
    }
  }
  int64_t pageMode = WebPageMode(pageValue.c_str(), pagePresent);
  T_TextBuf pageTitle;
  if (!titleGiven) {
    WebBaseFileName(base, &pageTitle);
    TextBufAppend(&pageTitle, ": ");
  }
  TextBufAppendBuf(&pageTitle, &title);
  PageHead(page, pageTitle.c_str());
  if (SidePanelShown()) SidePanel(page, base, templ, 1);
  MiddlePanel(page, pageMode);
  if (TemplateOnWeb(templ, false) && CanOpen(windowPages.openAnalysis)) {
    T_Window* window = windowPages.openAnalysis(base, shown, user, text);
    if (window) {
      WindowContent(page, window, pageMode, base, "analysis title", title.c_str(), !titleGiven);
      CloseWindow(window);
    }
  }
  PageEnd(page);
  DeleteTemplate(working);
  RestoreFormatSettings(&saved);
}

void WebCardPage(T_OStream* page, const char* value) {
  T_Base* base = AdmittedBase(page, value);
  if (!base) return;
  const char* colon = std::strchr(value, ':');
  if (!colon) return;
  const char* start = colon + 1;
  const char* end = std::strchr(start, '&');
  int32_t length = static_cast<int32_t>(end ? end - start : std::strlen(start));
  // The number after "-" in 64 bits: beyond the largest card number there is no card.
  bool numberTooLarge = false;
  if (const char* dash = static_cast<const char*>(std::memchr(start, '-', length))) {
    int64_t number = 0;
    for (const char* p = dash + 1; p < start + length && *p >= '0' && *p <= '9'; ++p) {
      number = number * 10 + (*p - '0');
      if (number > 0x7FFFFFFF) {
        numberTooLarge = true;
        break;
      }
    }
  }
  CardId id{};
  parseDate(&id, start, length, 0);
  CardRecord* card = numberTooLarge || id.date == 0 ? nullptr : base->SeekCard(&id);
  bool exact =
      card && card->dateNode && card->dateNode->date == id.date && card->dayNumber == id.sequence;
  T_TextBuf idText, pageTitle, rowTitle;
  FormatCardIdToString(&idText, &id, base->cardDigits);
  WebBaseFileName(base, &pageTitle);
  TextBufAppend(&pageTitle, ": ");
  TextBufAppendBuf(&pageTitle, &idText);
  TextBufAssignBuf(&rowTitle, &idText);
  if (exact && card->title) {
    TextBufAppendChar(&pageTitle, ' ');
    TextBufAppend(&pageTitle, card->title);
    TextBufAppendChar(&rowTitle, ' ');
    TextBufAppend(&rowTitle, card->title);
  }
  PageHead(page, pageTitle.c_str());
  if (SidePanelShown()) SidePanel(page, base, nullptr, 0);
  MiddlePanel(page, 1);
  const WebUserView* user = CurrentWebUser();
  bool shown = false;
  if (exact && (!user || user->cards) && CanOpen(windowPages.openCard)) {
    T_Window* window = windowPages.openCard(base, &id, user);
    if (window && windowPages.pageCount(window) > 0) {
      WindowContent(page, window, 1, base, "card title", rowTitle.c_str(), true);
      shown = true;
    }
    CloseWindow(window);
  }
  if (!shown) MessageBlock(page, "Unable to show the card");
  PageEnd(page);
}

void WebBaseInfoPage(T_OStream* page, const char* value) {
  T_Base* base = AdmittedBase(page, value);
  if (!base) return;
  T_TextBuf name;
  WebBaseFileName(base, &name);
  PageHead(page, name.c_str());
  if (SidePanelShown()) SidePanel(page, base, nullptr, 2);
  MiddlePanel(page, 1);
  const WebUserView* user = CurrentWebUser();
  T_Window* window = nullptr;
  if ((!user || user->baseInfo) && CanOpen(windowPages.openBaseInfo))
    window = windowPages.openBaseInfo(base);
  if (!window) {
    MessageBlock(page, "Unable to show the database info");
  } else {
    RightPanelBegin(page, 1, 1);
    TitleRow(page, base, GetString(kTextDatabaseInfo), true);
    page->PutHtmlComment("base info");
    Line(page, "<tr><td class=\"baseinfo\">");
    windowPages.writeHtml(window, page, 1);
    Line(page, "</td></tr>");
    RightPanelEnd(page);
    CloseWindow(window);
  }
  PageEnd(page);
}

void WebProgramInfoPage(T_OStream* page) {
  const char* title = "QEB program info";
  ApplyPageLanguage();
  PageHead(page, title);
  if (SidePanelShown()) SidePanel(page, nullptr, nullptr, 0);
  MiddlePanel(page, 1);
  RightPanelBegin(page, 1, 1);
  TitleRow(page, nullptr, title, false);
  page->PutHtmlComment("QEB info");
  Line(page, "<tr><td class=\"baseinfo\">");
  Line(page, "<table class=\"baseinfo\" border=0 cellspacing=0 cellpadding=2>");
  InfoRow(page, "Program:", "QEB 5.7");
  InfoRow(page, "Code:", "64-bit x86");
  Line(page, "<tr><td><hr/></td></tr>");
  DateRecord now = DateNow();
  double nowSeconds = DateToSeconds(&now);
  T_TextBuf text;
  DateTimeText(nowSeconds, &text);
  InfoRow(page, "Current time:", text.c_str());
  DateTimeText(ProgramStartSeconds(), &text);
  InfoRow(page, "Program started:", text.c_str());
  DateTimeText(SystemStartSeconds(), &text);
  InfoRow(page, "System started:", text.c_str());
  UptimeText(static_cast<int64_t>(nowSeconds - ProgramStartSeconds()), &text);
  InfoRow(page, "Program uptime:", text.c_str());
  Line(page, "<tr><td><hr/></td></tr>");
  const char* system = OsVersionName(OsVersionCode());
  InfoRow(page, "System:", system ? system : "");
  MemoryLine(&text, MemoryClass(), WordSizeClass());
  InfoRow(page, "Memory:", text.c_str());
  char name[32];
  ReadUserName(name);
  InfoRow(page, "User name:", name);
  ReadComputerName(name);
  InfoRow(page, "Computer name:", name);
  if (uint32_t process = CurrentProcessId()) {
    TextBufAssignInt64(&text, process);
    InfoRow(page, "Process ID:", text.c_str());
  }
  Line(page, "</table>");
  Line(page, "</td></tr>");
  RightPanelEnd(page);
  PageEnd(page);
}
