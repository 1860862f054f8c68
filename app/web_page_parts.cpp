#include "app/web_page_parts.h"

#include <cstring>

#include "app/web_dispatcher.h"
#include "app/web_sessions.h"
#include "core/localized_text.h"
#include "core/output_stream.h"
#include "core/short_ids.h"
#include "core/text_buffer.h"
#include "core/utf8.h"
#include "database/base.h"
#include "database/templates.h"
#include "ui/link_markup.h"

namespace {

constexpr int32_t kTextDatabases = 2800;
constexpr int32_t kTextTemplates = 2801;
constexpr int32_t kTextPreferences = 2802;
constexpr int32_t kTextLanguage = 2803;
constexpr int32_t kTextFormat = 2804;
constexpr int32_t kTextShowPanel = 2811;
constexpr int32_t kTextHidePanel = 2812;
constexpr int32_t kTextPage = 2813;
constexpr int32_t kTextPrevious = 2814;
constexpr int32_t kTextNext = 2815;
constexpr int32_t kTextFirst = 2816;
constexpr int32_t kTextLast = 2817;
constexpr int32_t kTextAll = 2818;
constexpr int32_t kTextDatabaseInfo = 2542;
constexpr const char* kRightTable =
    "<table border=\"0\" cellspacing=\"0\" cellpadding=\"0\" width=\"100%\">";

const WebRequestContext& Request() {
  static const WebRequestContext outside;
  const WebRequestContext* context = CurrentWebRequest();
  return context ? *context : outside;
}

void Line(T_OStream* page, const char* text) {
  page->PutText(text);
  page->PutNewline();
}

void PutImagesPath(T_OStream* page) {
  PutAttributeText(page, Request().settings.documentRoot.c_str());
  PutAttributeText(page, Request().settings.images.c_str());
}

void PutGatewayQuery(T_OStream* page, const T_TextBuf* query) {
  PutAttributeText(page, Request().settings.gateway.c_str());
  page->PutChar('?');
  PutAttributeText(page, query->c_str());
}

// The current query with the menus word toggled by the bit; the parameter is left out when the
// result is the default.
void ToggledMenusQuery(int32_t bit, T_TextBuf* query) {
  QueryWithout(Request().query.c_str(), "menus", query);
  int32_t menus = Request().menus ^ bit;
  if (menus == kMenusDefault) return;
  if (query->length > 0 && query->data[query->length - 1] != '&') TextBufAppendChar(query, '&');
  T_TextBuf text;
  MenusText(menus, &text);
  TextBufAppend(query, "menus=");
  TextBufAppendBuf(query, &text);
}

void PanelImage(T_OStream* page, bool shown, const char* hideImage, const char* showImage) {
  page->PutText("<img");
  page->PutAttribute("alt", GetString(shown ? kTextHidePanel : kTextShowPanel));
  page->PutText(" src=\"");
  PutImagesPath(page);
  page->PutText(shown ? hideImage : showImage);
  page->PutText("\"");
}

void PutLink(T_OStream* page, int32_t linkClass, const char* key, const char* value) {
  T_TextBuf link;
  WebBeginLink(&link, linkClass);
  page->PutTextBuf(&link);
  page->PutText(key);
  PutAttributeText(page, value);
  page->PutText("\">");
}

bool LoggedIn(T_Base* base) {
  if (Request().key.length < 5) return false;
  T_TextBuf key(Request().key), first, name;
  AppendDatabaseShortId(&key, base->path ? base->path->c_str() : "");
  return WebSessionGet(key.c_str(), &first, &name) && first.length == 2 && first.data[0] == 'o' &&
         first.data[1] == 'k';
}

void DatabaseMenu(T_OStream* page, T_Base* shown) {
  page->PutHtmlComment("database menu");
  MenuTitle(page, kTextDatabases, kMenusDatabases);
  if (!(Request().menus & kMenusDatabases)) {
    MenuEnd(page);
    return;
  }
  for (T_Base* base = FirstBase(); base; base = base->next) {
    T_TextBuf id, name;
    AppendDatabaseShortId(&id, base->path ? base->path->c_str() : "");
    WebBaseFileName(base, &name);
    page->PutText("<tr><td class=\"menuitem\">");
    if (base == shown) page->PutText("<span class=\"selected\">");
    PutLink(page, 1, "templates=", id.c_str());
    page->PutEscaped(name.c_str());
    page->PutText("</a>");
    if (base == shown) page->PutText("</span>");
    page->PutText("</td>");
    if (LoggedIn(base)) {
      page->PutNewline();
      page->PutText("<td>");
      PutLink(page, 1, "logout=", id.c_str());
      page->PutText("<img src=\"");
      PutImagesPath(page);
      page->PutText("Logout.gif\"/>");
      Line(page, "</a></td>");
    }
    Line(page, "</tr>");
  }
  MenuCornerRow(page);
  MenuEnd(page);
}

// The next template of the menu walk: into the children only of a template that holds the
// selected one.
T_Template* NextMenuTemplate(T_Template* t, T_Template* selected, T_Template* root) {
  if (t->firstChild && t->Contains(selected)) return t->firstChild;
  for (; t && t != root; t = t->parent) {
    if (t->nextSibling) return t->nextSibling;
  }
  return nullptr;
}

int32_t LevelBelowRoot(const T_Template* t, const T_Template* root) {
  int32_t level = -1;
  for (; t && t != root; t = t->parent) ++level;
  return level;
}

void TemplateMenu(T_OStream* page, T_Base* base, T_Template* selected, int32_t highlight) {
  page->PutHtmlComment("template menu");
  MenuTitle(page, kTextTemplates, kMenusTemplates);
  if (!(Request().menus & kMenusTemplates)) {
    MenuEnd(page);
    return;
  }
  T_Template* root = base->rootTemplate;
  if (!selected) selected = root;
  const WebUserView* user = CurrentWebUser();
  T_TextBuf id;
  AppendDatabaseShortId(&id, base->path ? base->path->c_str() : "");
  if (!user || user->baseInfo) {
    MenuLevelBegin(page, 0, highlight == 2);
    PutLink(page, 1, "baseinfo=", id.c_str());
    NodeImage(page, 0);
    page->PutEscaped(GetString(kTextDatabaseInfo));
    page->PutText("</a>");
    MenuLevelEnd(page, highlight == 2);
    if (root && root->firstChild) MenuSeparatorRow(page);
  }
  // Bounded by the tree: each template is visited at most once.
  for (T_Template* t = root ? root->firstChild : nullptr; t;
       t = NextMenuTemplate(t, selected, root)) {
    if (!TemplateOnWeb(t, true)) continue;
    bool isSelected = t == selected;
    MenuLevelBegin(page, LevelBelowRoot(t, root), isSelected);
    T_TextBuf path, key(KindKey(t->kind));
    t->GetShortIdPath(&path);
    TextBufAppendChar(&key, '=');
    PutLink(page, 1, key.c_str(), path.c_str());
    NodeImage(page, !t->firstChild ? 0 : t->Contains(selected) ? 2 : 1);
    page->PutEscaped(t->name ? t->name : "");
    page->PutText("</a>");
    MenuLevelEnd(page, isSelected);
  }
  MenuCornerRow(page);
  MenuEnd(page);
}

// A language or format entry of the preferences menu.
void PreferenceEntry(T_OStream* page, const char* key, int32_t language, int32_t chosen) {
  static const struct {
    int32_t language;
    const char* name;
  } names[] = {{0, "English"}, {12, "Svenska"}, {5, "Suomi"}};
  const char* code = WebLanguageCode(language);
  MenuItemBegin(page);
  bool link = language != chosen;
  if (link) {
    T_TextBuf rest;
    QueryWithout(Request().query.c_str(), key, &rest);
    page->PutText("<a class=\"menu\" href=\"");
    PutAttributeText(page, Request().settings.gateway.c_str());
    page->PutChar('?');
    page->PutText(key);
    page->PutChar('=');
    page->PutText(code);
    page->PutChar('&');
    PutAttributeText(page, rest.c_str());
    page->PutText("\">");
  } else {
    page->PutText("<span class=\"selected\">");
  }
  page->PutText("<img class=\"flag\" src=\"");
  PutImagesPath(page);
  page->PutText(code);
  page->PutText(".gif\"/>");
  for (const auto& n : names) {
    if (n.language == language) page->PutText(n.name);
  }
  page->PutText(link ? "</a>" : "</span>");
  MenuItemEnd(page);
}

void PreferencesMenu(T_OStream* page) {
  page->PutHtmlComment("preferences menu");
  MenuTitle(page, kTextPreferences, kMenusPreferences);
  if (Request().menus & kMenusPreferences) {
    const WebUserView* user = CurrentWebUser();
    int32_t format = Request().format >= 0 ? Request().format : user ? user->format : -1;
    for (int pass = 0; pass < 2; ++pass) {
      if (pass == 1) MenuSeparatorRow(page);
      MenuItemBegin(page);
      page->PutEscaped(GetString(pass == 0 ? kTextLanguage : kTextFormat));
      page->PutChar(':');
      MenuItemEnd(page);
      for (int32_t language : {0, 12, 5}) {
        if (pass == 0)
          PreferenceEntry(page, "lang", language, CurrentLanguage());
        else
          PreferenceEntry(page, "format", language, format);
      }
    }
    MenuCornerRow(page);
  }
  MenuEnd(page);
}

void PageButton(T_OStream* page, const char* value, const char* image, int32_t textId) {
  T_TextBuf query;
  QueryWithout(Request().query.c_str(), "page", &query);
  page->PutText("<a href=\"");
  PutGatewayQuery(page, &query);
  page->PutText("&page=");
  page->PutText(value);
  page->PutText("\"><img src=\"");
  PutImagesPath(page);
  page->PutText(image);
  page->PutText("\" alt=\"");
  page->PutEscaped(GetString(textId));
  Line(page, "\" width=\"23\" height=\"23\"/></a>");
}

void EmptyPlace(T_OStream* page) {
  page->PutText("<img src=\"");
  PutImagesPath(page);
  Line(page, "EmptyPage.gif\" width=\"23\" height=\"23\"/>");
}

void CountButton(T_OStream* page, int64_t number, const char* image, int32_t textId) {
  T_TextBuf value;
  TextBufAssignInt64(&value, number);
  PageButton(page, value.c_str(), image, textId);
}

}  // namespace

void AppendAttributeText(T_TextBuf* text, const char* value) {
  const char* p = value ? value : "";
  const char* end = p + std::strlen(p);
  while (p < end) {
    auto c = static_cast<uint8_t>(*p);
    if (c < 0x80) {
      if (c == '"')
        TextBufAppend(text, "&quot;");
      else if (c == '<')
        TextBufAppend(text, "&lt;");
      else if (c == '>')
        TextBufAppend(text, "&gt;");
      else if (c >= 0x20 && c != 0x7F)
        TextBufAppendChar(text, static_cast<char>(c));
      ++p;
      continue;
    }
    int32_t n = Utf8CharLengthIn(p, end);
    if (n <= 0) {
      ++p;  // not UTF-8: left out
      continue;
    }
    TextBufAppendBytes(text, p, n);
    p += n;
  }
}

void PutAttributeText(T_OStream* page, const char* value) {
  T_TextBuf text;
  AppendAttributeText(&text, value);
  page->PutTextBuf(&text);
}

void PageHead(T_OStream* page, const char* title) {
  Line(page, "<head>");
  page->PutHtmlMetaCharset();
  for (const char* rel : {"<link rel=\"icon\" href=\"", "<link rel=\"shortcut icon\" href=\""}) {
    page->PutText(rel);
    PutImagesPath(page);
    Line(page, "favicon.ico\" type=\"image/x-icon\"/>");
  }
  page->PutText("<link rel=\"stylesheet\" type=\"text/css\" href=\"");
  PutAttributeText(page, Request().settings.documentRoot.c_str());
  PutAttributeText(page, Request().settings.stylesheet.c_str());
  Line(page, "\"/>");
  page->PutText("<title>");
  page->PutEscaped(title);
  Line(page, "</title>");
  Line(page, "</head>");
  page->PutNewline();
  Line(page, "<body>");
  Line(page, "<table class=\"main\" border=\"0\" cellspacing=\"0\" cellpadding=\"0\">");
  Line(page, "<tr valign=\"top\">");
  page->PutNewline();
}

void PageEnd(T_OStream* page) {
  Line(page, "</tr>");
  Line(page, "</table>");
  Line(page, "</body>");
}

void MenuTitle(T_OStream* page, int32_t textId, int32_t bit) {
  Line(page, "<table class=\"menu\" cellspacing=\"0\" cellpadding=\"0\">");
  Line(page, "<tr>");
  page->PutText("<th class=\"menutitle\">");
  page->PutEscaped(GetString(textId));
  Line(page, "</th>");
  page->PutText("<th class=\"menubutton\"><a href=\"");
  T_TextBuf query;
  ToggledMenusQuery(bit, &query);
  PutGatewayQuery(page, &query);
  page->PutText("\">");
  PanelImage(page, (Request().menus & bit) != 0, "HideMenu.gif", "ShowMenu.gif");
  Line(page, "/></a></th>");
  Line(page, "</tr>");
}

void MenuItemBegin(T_OStream* page) { page->PutText("<tr><td class=\"menuitem\">"); }

void MenuItemEnd(T_OStream* page) { Line(page, "</td></tr>"); }

void MenuLevelBegin(T_OStream* page, int32_t level, bool selected) {
  page->PutText("<tr><td class=\"menulevel");
  page->PutInt(level);
  page->PutText("\">");
  if (selected) page->PutText("<span class=\"selected\">");
}

void MenuLevelEnd(T_OStream* page, bool selected) {
  if (selected) page->PutText("</span>");
  Line(page, "</td></tr>");
}

void MenuSeparatorRow(T_OStream* page) { Line(page, "<tr><td class=\"menuseparator\"/></tr>"); }

void MenuCornerRow(T_OStream* page) {
  page->PutText("<tr><td/><td align=\"right\"><img class=\"menucorner\" src=\"");
  PutImagesPath(page);
  Line(page, "MenuCorner.gif\"/></td></tr>");
}

void MenuEnd(T_OStream* page) {
  Line(page, "</table>");
  Line(page, "<br/>");
  page->PutNewline();
}

void NodeImage(T_OStream* page, int32_t kind) {
  page->PutText("<img src=\"");
  PutImagesPath(page);
  page->PutText(kind == 2   ? "NodeExpanded.gif\"/>"
                : kind == 1 ? "NodeCollapsed.gif\"/>"
                            : "NodeNormal.gif\"/>");
}

void SidePanel(T_OStream* page, T_Base* base, T_Template* selected, int32_t highlight) {
  page->PutHtmlComment("side panel");
  Line(page, "<td class=\"sidepanel\">");
  Line(page, "<br/><br/>");
  page->PutNewline();
  DatabaseMenu(page, base);
  if (base) TemplateMenu(page, base, selected, highlight);
  PreferencesMenu(page);
  Line(page, "</td>");
  page->PutNewline();
}

void MiddlePanel(T_OStream* page, int64_t pageMode) {
  if (Request().menus & kMenusShown) {
    page->PutHtmlComment("middle panel");
    Line(page, "<td class=\"sidemarg\"/>");
    Line(page, "<td class=\"middlepanel\">");
    page->PutText("<a href=\"");
    T_TextBuf query;
    ToggledMenusQuery(kMenusSidePanel, &query);
    PutGatewayQuery(page, &query);
    page->PutText("\">");
    PanelImage(page, (Request().menus & kMenusSidePanel) != 0, "HidePanel.gif", "ShowPanel.gif");
    Line(page, "/></a>");
    Line(page, "</td>");
    page->PutNewline();
    return;
  }
  Line(page, "<td width=\"10\">");
  Line(page, "<table border=\"0\" cellspacing=\"0\" cellpadding=\"0\" width=\"10\">");
  if (pageMode != kWebPageSingle) Line(page, "<tr><td class=\"toppanel\"/></tr>");
  Line(page, "</table>");
  Line(page, "</td>");
}

void RightPanelBegin(T_OStream* page, int64_t pageMode, int64_t pageCount) {
  page->PutHtmlComment("right panel");
  Line(page, "<td width=\"100%\">");
  Line(page, kRightTable);
  page->PutNewline();
  if (pageMode == kWebPageSingle && !(Request().menus & kMenusShown)) return;
  Line(page, "<tr><td class=\"toppanel\">");
  PageButtons(page, pageMode, pageCount);
  Line(page, "</td></tr>");
}

void RightPanelEnd(T_OStream* page) {
  Line(page, "</table>");
  Line(page, "</td>");
  page->PutNewline();
}

void PageButtons(T_OStream* page, int64_t pageMode, int64_t count) {
  if (pageMode == kWebPageSingle || count <= 1) return;
  bool all = pageMode == kWebPageAll;
  int64_t c = pageMode == kWebPageLast ? count : all ? 0 : pageMode;
  Line(page, kRightTable);
  Line(page, "<tr>");
  Line(page, "<td class=\"pagebuttons\">");
  if (c > 1 || all)
    CountButton(page, 1, "FirstPage.gif", kTextFirst);
  else
    EmptyPlace(page);
  if (c >= 2)
    CountButton(page, c - 1, "PrevPage.gif", kTextPrevious);
  else
    EmptyPlace(page);
  bool inside = c >= 1 && c <= count - 1;
  if (inside)
    CountButton(page, c + 1, "NextPage.gif", kTextNext);
  else
    EmptyPlace(page);
  if (inside || all)
    PageButton(page, "last", "LastPage.gif", kTextLast);
  else
    EmptyPlace(page);
  Line(page, "</td>");
  if (!all) {
    Line(page, "<td class=\"pagenums\" align=\"right\">");
    PageButton(page, "all", "AllPages.gif", kTextAll);
    page->PutText("<span class=\"pagebar\">");
    page->PutEscaped(GetString(kTextPage));
    page->PutChar(' ');
    page->PutInt64(c);
    page->PutText(" / ");
    page->PutInt64(count);
    Line(page, "</span>");
    Line(page, "</td>");
  }
  Line(page, "</tr>");
  Line(page, "</table>");
}

void TitleRow(T_OStream* page, T_Base* base, const char* title, bool withBase) {
  Line(page, "<tr><td class=\"analysistitle\">");
  Line(page, "<hr/>");
  if (withBase && base) {
    T_TextBuf name;
    WebBaseFileName(base, &name);
    page->PutText("<span class=\"basetitle\">");
    page->PutEscaped(name.c_str());
    Line(page, "</span><br/>");
    page->PutText("<span class=\"analysistitle\">");
    LinkText_WriteHtml(base->linkContext, page, title);
    Line(page, "</span><br/>");
  } else if (title && *title) {
    page->PutText("<span class=\"analysistitle\">");
    page->PutEscaped(title);
    Line(page, "</span><br/>");
  }
  Line(page, "</td></tr>");
  page->PutNewline();
}

void MessageBlock(T_OStream* page, const char* text) {
  RightPanelBegin(page, 1, 1);
  Line(page, "<tr><td>");
  Line(page, "<br/>");
  page->PutEscaped(text);
  page->PutNewline();
  Line(page, "</td></tr>");
  RightPanelEnd(page);
}

void WebErrorLine(T_OStream* page, const char* text) {
  Line(page, "<br/>");
  page->PutText("Web-QEB error: ");
  Line(page, text);
}

void WebErrorPage(T_OStream* page, const char* text) {
  Line(page, "<body>");
  Line(page, "<H3>An error message produced by QEB</H3>");
  Line(page, text);
  Line(page, "</body>");
}

void UptimeText(int64_t seconds, T_TextBuf* text) {
  TextBufAssign(text, "");
  if (seconds < 0) seconds = 0;
  const struct {
    int64_t size;
    const char* word;
  } units[] = {{86400, "day"}, {3600, "hour"}, {60, "minute"}, {1, "second"}};
  bool belowHour = seconds < 3600;
  for (const auto& unit : units) {
    if (unit.size == 1 && !belowHour) break;
    int64_t count = seconds / unit.size;
    seconds %= unit.size;
    if (count < 1) continue;
    if (text->length > 0) TextBufAppendChar(text, ' ');
    TextBufAppendInt64(text, count);
    TextBufAppendChar(text, ' ');
    TextBufAppend(text, unit.word);
    if (count > 1) TextBufAppendChar(text, 's');
  }
}
