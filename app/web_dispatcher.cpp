#include "app/web_dispatcher.h"

#include <cstring>

#include "app/preferences.h"
#include "app/web_page_parts.h"
#include "app/web_pages.h"
#include "app/web_sessions.h"
#include "core/criteria.h"
#include "core/cstring.h"
#include "core/locale.h"
#include "core/localized_text.h"
#include "core/output_stream.h"
#include "core/placeholders.h"
#include "core/short_ids.h"
#include "core/strict_utf8.h"
#include "core/threads.h"
#include "database/base.h"
#include "database/object_services.h"
#include "database/templates.h"
#include "database/web_request.h"

namespace {

constexpr uint64_t kPreferencesReloadMilliseconds = 12000;
constexpr int32_t kMinimumKeyLength = 5;
constexpr const char* kServiceOff =
    "The Web Service is turned off in QEB<br>To turn it on, open the File / Preferences dialog in "
    "QEB and check the \"Serve web clients\" checkbox";

WebRequestContext* current = nullptr;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The database's link hook: the gateway's link start while a request runs.
void BeginLinkOnStream(T_OStream* stream, const char* linkClass) {
  T_TextBuf link;
  WebBeginLink(&link, 0);
  if (linkClass && *linkClass) {
    T_TextBuf classed("<a class=\"");
    TextBufAppend(&classed, linkClass);
    TextBufAppendChar(&classed, '"');
    TextBufAppend(&classed, link.c_str() + 2);
    TextBufAssignBuf(&link, &classed);
  }
  stream->PutTextBuf(&link);
}

bool MaySeeCards() { return !current || !current->hasUser || current->user.cards; }

void SelfUrl(T_TextBuf* text) {
  TextBufAssign(text, current ? current->settings.gateway.c_str() : "qeb.cgi");
  TextBufAppendChar(text, '?');
  if (current) TextBufAppendBuf(text, &current->query);
}

const WebLinkHook kLinkHook = {BeginLinkOnStream, MaySeeCards, SelfUrl};

struct Term {
  const char* word;
  int32_t text;
};
constexpr Term kTerms[] = {{"bases", 2800}, {"page", 2813}, {"prev", 2814}, {"next", 2815},
                           {"first", 2816}, {"last", 2817}, {"all", 2818}};

void TermReply(T_OStream* page, const char* value) {
  for (const Term& term : kTerms) {
    if (StrStartsWithNoCase(value, term.word)) {
      page->PutText(GetString(term.text));
      return;
    }
  }
}

void Login(T_OStream* page) {
  const char* query = current->query.c_str();
  T_TextBuf baseText, name, password;
  UrlGetParam(query, "base", &baseText);
  UrlGetParam(query, "username", &name);
  UrlGetParam(query, "password", &password);
  T_Base* base = FindWebBase(baseText.c_str());
  if (!base) {
    WebErrorLine(page, "Database not found");
    TextBufWipe(&password);
    return;
  }
  T_TextBuf sessionKey(current->key);
  TextBufAppendBuf(&sessionKey, &baseText);
  T_TextBuf waiting, userName;
  WebSessionGet(sessionKey.c_str(), &waiting, &userName);
  if (WebUserLoginOk(base, name.c_str(), password.c_str()))
    WebSessionSet(sessionKey.c_str(), kWebSessionLoggedIn, name.c_str());
  TextBufWipe(&password);
  T_TextBuf url(current->settings.gateway);
  TextBufAppendChar(&url, '?');
  TextBufAppendBuf(&url, &waiting);
  WebRedirectPage(page, url.c_str());
}

void Logout(T_OStream* page) {
  T_TextBuf value;
  UrlGetParam(current->query.c_str(), "logout", &value);
  T_Base* base = FindWebBase(value.c_str());
  if (!base) {
    WebErrorLine(page, "Database not found");
    return;
  }
  T_TextBuf sessionKey(current->key);
  TextBufAppendBuf(&sessionKey, &value);
  WebSessionRemove(sessionKey.c_str());
}

const char* After(const char* query, const char* key) {
  int32_t at = StrFind(query, key);
  return at < 0 ? nullptr : query + at + std::strlen(key);
}

void ChoosePage(T_OStream* page) {
  const char* query = current->query.c_str();
  T_TextBuf term;
  UrlGetParam(query, "term", &term);
  if (!term.empty()) {
    TermReply(page, term.c_str());
    return;
  }
  if (StrFind(query, "username=") >= 0) {
    Login(page);
    return;
  }
  if (StrFind(query, "logout=") >= 0) {
    Logout(page);
    WebOverviewPage(page, "");
    return;
  }
  if (const char* path = After(query, "templates")) {
    WebOverviewPage(page, *path == '=' ? path + 1 : path);
    return;
  }
  for (const char* key : {"cards=", "lines=", "comps=", "tfunc=", "cfunc="}) {
    int32_t at = StrFind(query, key);
    if (at >= 0) {
      WebAnalysisPage(page, query + at);
      return;
    }
  }
  if (const char* value = After(query, "card=")) {
    WebCardPage(page, value);
    return;
  }
  if (const char* value = After(query, "baseinfo=")) {
    WebBaseInfoPage(page, value);
    return;
  }
  if (StrFind(query, "version") >= 0) {
    WebProgramInfoPage(page);
    return;
  }
  WebOverviewPage(page, "");
}

bool HasParam(const char* query, const char* name) {
  const char* cursor = query;
  T_TextBuf pairName, value;
  for (int32_t i = 0; i < 10000 && UrlNextParam(&cursor, &pairName, &value); ++i) {
    if (StrEqual(pairName.c_str(), name)) return true;
  }
  return false;
}

// A settings value: quoted (to the closing quote or the end) or up to the next blank.
const char* ReadSettingsValue(const char* p, T_TextBuf* value) {
  const char* start = p;
  if (*p == '"') {
    start = ++p;
    while (*p && *p != '"') ++p;
    TextBufAssignBytes(value, start, static_cast<int32_t>(p - start));
    return *p ? p + 1 : p;
  }
  while (*p && !IsBlank(*p)) ++p;
  TextBufAssignBytes(value, start, static_cast<int32_t>(p - start));
  return p;
}

}  // namespace

void ParseGatewaySettings(const char* text, GatewaySettings* settings) {
  const char* p = text ? text : "";
  T_TextBuf key, value;
  while (*p) {
    while (IsBlank(*p)) ++p;
    const char* start = p;
    while (*p && *p != '=' && !IsBlank(*p)) ++p;
    TextBufAssignBytes(&key, start, static_cast<int32_t>(p - start));
    while (IsBlank(*p)) ++p;
    if (*p != '=') {
      if (p == start && *p) ++p;  // a stray character: step over it
      continue;
    }
    ++p;
    while (IsBlank(*p)) ++p;
    p = ReadSettingsValue(p, &value);
    T_TextBuf* target = nullptr;
    if (StrEqualNoCase(key.c_str(), "gateway"))
      target = &settings->gateway;
    else if (StrEqualNoCase(key.c_str(), "document-root"))
      target = &settings->documentRoot;
    else if (StrEqualNoCase(key.c_str(), "stylesheet"))
      target = &settings->stylesheet;
    else if (StrEqualNoCase(key.c_str(), "images"))
      target = &settings->images;
    else if (StrEqualNoCase(key.c_str(), "shib-name"))
      target = &settings->shibName;
    if (target) TextBufAssignBuf(target, &value);
  }
}

int32_t WebLanguageOf(const char* code) {
  if (StrEqualNoCase(code, "US")) return 0;
  if (StrEqualNoCase(code, "SE")) return 12;
  if (StrEqualNoCase(code, "FI")) return 5;
  return -1;
}

const char* WebLanguageCode(int32_t language) {
  return language == 12 ? "SE" : language == 5 ? "FI" : "US";
}

int32_t ApplyMenusValue(int32_t menus, const char* value) {
  if (StrEqual(value, "none")) return 0;
  for (const char* p = value; p && *p; ++p) {
    int32_t bit = 0;
    switch (*p) {
      case 'D':
      case 'd':
        bit = kMenusDatabases;
        break;
      case 'P':
      case 'p':
        bit = kMenusPreferences;
        break;
      case 'S':
      case 's':
        bit = kMenusSidePanel;
        break;
      case 'T':
      case 't':
        bit = kMenusTemplates;
        break;
    }
    if (*p >= 'A' && *p <= 'Z')
      menus |= bit;
    else
      menus &= ~bit;
  }
  return menus;
}

void MenusText(int32_t menus, T_TextBuf* text) {
  if (!(menus & kMenusShown)) {
    TextBufAssign(text, "none");
    return;
  }
  TextBufAssign(text, "");
  const struct {
    int32_t bit;
    char letter;
  } letters[] = {{kMenusSidePanel, 'S'},
                 {kMenusDatabases, 'D'},
                 {kMenusTemplates, 'T'},
                 {kMenusPreferences, 'P'}};
  for (const auto& l : letters)
    TextBufAppendChar(text, (menus & l.bit) ? l.letter : static_cast<char>(l.letter | 0x20));
}

WebRequestContext* CurrentWebRequest() { return current; }

const WebUserView* CurrentWebUser() {
  return current && current->hasUser ? &current->user : nullptr;
}

bool WebServiceEnabled() { return Prefs().serveWeb; }

void WebBeginLink(T_TextBuf* text, int32_t linkClass) {
  TextBufAssign(text, "<a");
  if (linkClass == 1) TextBufAppend(text, " class=\"menu\"");
  if (linkClass == 2) TextBufAppend(text, " class=\"data\"");
  TextBufAppend(text, " href=\"");
  if (!current) {
    TextBufAppend(text, "qeb.cgi?");
    return;
  }
  AppendAttributeText(text, current->settings.gateway.c_str());
  TextBufAppendChar(text, '?');
  const WebUserView* user = CurrentWebUser();
  if (current->language >= 0 && current->language != (user ? user->language : -1)) {
    TextBufAppend(text, "lang=");
    TextBufAppend(text, WebLanguageCode(current->language));
    TextBufAppendChar(text, '&');
  }
  if (current->format >= 0 && current->format != (user ? user->format : -1)) {
    TextBufAppend(text, "format=");
    TextBufAppend(text, WebLanguageCode(current->format));
    TextBufAppendChar(text, '&');
  }
  if (current->menus != kMenusDefault) {
    T_TextBuf menus;
    MenusText(current->menus, &menus);
    TextBufAppend(text, "menus=");
    TextBufAppendBuf(text, &menus);
    TextBufAppendChar(text, '&');
  }
}

T_Base* FindWebBase(const char* text) {
  if (!text) return nullptr;
  for (T_Base* base = FirstBase(); base; base = base->next) {
    T_TextBuf id;
    AppendDatabaseShortId(&id, base->path ? base->path->c_str() : "");
    if (StrStartsWith(text, id.c_str())) return base;
  }
  return nullptr;
}

void WebBaseFileName(const T_Base* base, T_TextBuf* name) {
  const char* path = base && base->path ? base->path->c_str() : "";
  const char* leaf = path;
  for (const char* p = path; *p; ++p) {
    if (*p == '\\' || *p == '/' || *p == ':') leaf = p + 1;
  }
  TextBufAssign(name, leaf);
}

T_Base* ResolveWebPath(const char* path, T_Template** templ) {
  *templ = nullptr;
  T_Base* base = FindWebBase(path);
  if (!base) return nullptr;
  T_Template* node = base->rootTemplate;
  const char* segment = std::strchr(path, ':');
  while (segment && node) {
    ++segment;
    for (T_Template* child = node->firstChild; child; child = child->nextSibling) {
      T_TextBuf id;
      AppendNameShortId(&id, child->name);
      if (StrStartsWith(segment, id.c_str())) {
        node = child;
        break;
      }
    }
    segment = std::strchr(segment, ':');
  }
  *templ = node;
  return base;
}

bool TemplateOnWeb(T_Template* templ, bool forMenu) {
  if (!templ) return false;
  if (templ->kind == kTemplateFolder) {
    for (T_Template* child = templ->firstChild; child; child = child->nextSibling) {
      if (TemplateOnWeb(child, forMenu)) return true;
    }
    return false;
  }
  if (templ->kind < kTemplateCards || templ->kind > kTemplateComponentFunctions) return false;
  if (!static_cast<T_BoxTmpl*>(templ)->webVisible) return false;
  const WebUserView* user = CurrentWebUser();
  if (!user || user->templates.empty()) return true;
  T_TextBuf filter(user->templates);
  CriteriaPattern pattern;
  Criteria_Init(&pattern);
  Criteria_Compile(&pattern, &filter, 5, false);
  bool match = true;
  if (pattern.program) {
    T_TextBuf path;
    templ->GetPath(&path);
    match = Criteria_MatchTextBuf(&pattern, &path);
    if (!match && forMenu) {
      TextBufReplaceAll(&path, ": ", ":");
      match = Criteria_MatchTextBuf(&pattern, &path);
    }
  }
  MemFreeHeld(&pattern);
  return match;
}

bool WebAccessCheck(T_OStream* page, T_Base* base) {
  if (!WebUsersExist(base)) return true;
  if (!current->settings.shibName.empty() &&
      FindWebUserView(base, current->settings.shibName.c_str(), &current->user) &&
      current->user.singleSignOn) {
    current->hasUser = true;
    return true;
  }
  current->user = WebUserView{};
  if (current->key.length < kMinimumKeyLength) return false;
  T_TextBuf sessionKey(current->key);
  AppendDatabaseShortId(&sessionKey, base->path ? base->path->c_str() : "");
  T_TextBuf first, name;
  if (WebSessionGet(sessionKey.c_str(), &first, &name) &&
      StrEqual(first.c_str(), kWebSessionLoggedIn) &&
      FindWebUserView(base, name.c_str(), &current->user)) {
    WebSessionTouch(sessionKey.c_str());
    current->hasUser = true;
    return true;
  }
  current->user = WebUserView{};
  WebSessionSet(sessionKey.c_str(), current->query.c_str(), nullptr);
  WebLoginPage(page, base);
  return false;
}

void ApplyPageLanguage() {
  if (!current) return;
  int32_t language = current->savedLanguage;
  if (current->language >= 0)
    language = current->language;
  else if (current->hasUser && current->user.language >= 0)
    language = current->user.language;
  SetCurrentLanguage(language);
}

void QueryWithout(const char* query, const char* name, T_TextBuf* out) {
  TextBufAssign(out, query);
  UrlRemoveParam(out, name);
}

void DispatchWebRequest(T_OStream* page, const char* query, const char* key, const char* settings) {
  if (TickCount() - Prefs().loadTick > kPreferencesReloadMilliseconds) LoadPreferences();
  if (!Prefs().serveWeb) {
    WebErrorPage(page, kServiceOff);
    return;
  }
  WebRequestContext context;
  WebRequestContext* previous = current;
  bool wasActive = WebRequestActive();
  // The request's bytes come from anybody: only strict UTF-8 of them reaches a page.
  TextBufAssign(&context.query, query);
  MakeStrictUtf8(&context.query);
  TextBufAssign(&context.key, key);
  MakeStrictUtf8(&context.key);
  T_TextBuf strictSettings(settings);
  MakeStrictUtf8(&strictSettings);
  ParseGatewaySettings(strictSettings.c_str(), &context.settings);
  query = context.query.c_str();
  T_TextBuf value;
  UrlGetParam(query, "lang", &value);
  context.language = WebLanguageOf(value.c_str());
  UrlGetParam(query, "format", &value);
  context.format = WebLanguageOf(value.c_str());
  context.savedLanguage = CurrentLanguage();
  if (HasParam(query, "menus")) {
    UrlGetParam(query, "menus", &value);
    context.menus = ApplyMenusValue(kMenusDefault, value.c_str());
  }
  current = &context;
  SetWebRequestActive(true);
  SetWebLinkHook(&kLinkHook);
  if (context.language >= 0) SetCurrentLanguage(context.language);
  ChoosePage(page);
  SetCurrentLanguage(context.savedLanguage);
  current = previous;
  SetWebRequestActive(wasActive);
  if (!previous) SetWebLinkHook(nullptr);
}
