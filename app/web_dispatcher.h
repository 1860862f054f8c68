#pragma once
// The web request dispatcher: one request (a URL query, a client key and the gateway settings)
// becomes one HTML page. It re-reads the preferences now and then, applies the request's
// language and menu options, checks the browser's session against the database's web users and
// chooses the page (app/web_pages.h).
//
// Invariants:
//   1. A request context exists only inside DispatchWebRequest; WebRequestActive is true exactly
//      then, whatever the client key. A nested request (an automation call) saves and restores
//      the outer context.
//   2. The application's language, and on analysis pages the number and date formats, are back as
//      they were when the request ends.
//
// User-interface thread only.
#include <cstdint>

#include "app/web_users.h"
#include "core/text_buffer.h"

class T_Base;
class T_OStream;
class T_Template;

// Bits of the menus word; 15 at the start of each request.
constexpr int32_t kMenusShown = 1;
constexpr int32_t kMenusSidePanel = 2;
constexpr int32_t kMenusDatabases = 4;
constexpr int32_t kMenusTemplates = 8;
constexpr int32_t kMenusPreferences = 16;
constexpr int32_t kMenusDefault = 15;

struct GatewaySettings {
  T_TextBuf gateway{"qeb.cgi"};
  T_TextBuf documentRoot;
  T_TextBuf stylesheet{"qeb.css"};
  T_TextBuf images{"images/"};
  T_TextBuf shibName;
};

struct WebRequestContext {
  T_TextBuf query;
  T_TextBuf key;
  GatewaySettings settings;
  int32_t language = -1;  // from "lang"
  int32_t format = -1;    // from "format"
  int32_t menus = kMenusDefault;
  bool hasUser = false;
  WebUserView user;
  int32_t savedLanguage = 0;
};

void DispatchWebRequest(T_OStream* page, const char* query, const char* key, const char* settings);

// The context of the request being served; null outside one.
WebRequestContext* CurrentWebRequest();
// The admitted web user of the request, or null.
const WebUserView* CurrentWebUser();
// The "ServeWebQEB" switch.
bool WebServiceEnabled();
// Sets the text to the start of a gateway link up to and including the "?" and the request's own
// parameters (class 0 none, 1 "menu", 2 "data"). Callers append their key and value and close it.
void WebBeginLink(T_TextBuf* text, int32_t linkClass);
// WebSelfUrl (database/object_services.h) answers the gateway path, "?" and the current query.

// --- Pieces, open for tests ---------------------------------------------------------------------

// Pairs of key "=" value separated by blanks (blanks allowed around "="), a value in double
// quotes when it holds blanks; keys ignore letter case; other keys are ignored. An unterminated
// quote runs to the end of the text.
void ParseGatewaySettings(const char* text, GatewaySettings* settings);
// "US" 0, "SE" 12, "FI" 5 (letter case ignored); -1 for anything else.
int32_t WebLanguageOf(const char* code);
// The code of 0, 12 or 5 ("US", "SE", "FI").
const char* WebLanguageCode(int32_t language);
// "none" clears the word; D, P, S, T set their bits and d, p, s, t clear them.
int32_t ApplyMenusValue(int32_t menus, const char* value);
// "none" without bit 1, else S, D, T, P upper case when set and lower case when clear.
void MenusText(int32_t menus, T_TextBuf* text);
// The first open database whose short id is a prefix of the text.
T_Base* FindWebBase(const char* text);
// The database's file name without its folder.
void WebBaseFileName(const T_Base* base, T_TextBuf* name);
// The path: the database's short id, then ":" and a template short id per level; each segment
// takes the first child whose short id is a prefix of it (none keeps the current template).
// Null database when none matches; the template is the root when no segment follows.
T_Base* ResolveWebPath(const char* path, T_Template** templ);
// Offered on the web: an analysis template with its web flag, or a folder holding one; both
// pass the current web user's templates filter (a failing menu path is tried once more with
// every ": " as ":").
bool TemplateOnWeb(T_Template* templ, bool forMenu);
// The access check of the database (writes the login page on a refusal). True when admitted.
bool WebAccessCheck(T_OStream* page, T_Base* base);
// The page language: the request's, else the web user's, else the saved one.
void ApplyPageLanguage();
// The query with the parameter removed (every pair of that name).
void QueryWithout(const char* query, const char* name, T_TextBuf* out);
