#pragma once
// The pages of the web gateway: the overview with its menus, the login form and the redirect
// after a login, the analysis and card pages, the database-information page and the program
// information. The dispatcher (app/web_dispatcher.h) chooses one per request.
//
// The content of the analysis, card and database-information pages comes from windows that the
// window layers bring; they install a WebWindowPages record. Without it those pages write what
// they write when nothing can be shown: the analysis page its frame, the card page "Unable to show
// the card", the information page "Unable to show the database info".
//
// User-interface thread only, inside a request.
#include <cstdint>

#include "core/packed_date.h"

class T_Base;
class T_OStream;
class T_Template;
class T_Window;
struct WebUserView;

struct WebWindowPages {
  // The template's window opened hidden, in view mode 0, restricted to the user's subset (null
  // for none), given the query's parameters and calculated; null when none can be opened.
  T_Window* (*openAnalysis)(T_Base* base, T_Template* templ, const WebUserView* user,
                            const char* query);
  // The card's window opened hidden and restricted like an analysis.
  T_Window* (*openCard)(T_Base* base, const CardId* id, const WebUserView* user);
  // The database-information window opened hidden.
  T_Window* (*openBaseInfo)(T_Base* base);
  int64_t (*pageCount)(T_Window* window);
  // The window's HTML for the page mode (app/web_page_parts.h).
  void (*writeHtml)(T_Window* window, T_OStream* page, int64_t pageMode);
  void (*close)(T_Window* window);
};
// Null puts back none.
void SetWebWindowPages(const WebWindowPages* pages);

// The path as the dispatcher found it after "templates" (or empty).
void WebOverviewPage(T_OStream* page, const char* path);
void WebLoginPage(T_OStream* page, T_Base* base);
void WebRedirectPage(T_OStream* page, const char* url);
// The text from the analysis key on ("cards=...").
void WebAnalysisPage(T_OStream* page, const char* text);
// The texts after "card=" and "baseinfo=".
void WebCardPage(T_OStream* page, const char* value);
void WebBaseInfoPage(T_OStream* page, const char* value);
void WebProgramInfoPage(T_OStream* page);

// The "page" value: absent 1, "single", "all", "last", or a number read in 64 bits (below 1
// counts as 1, beyond 2^31 - 1 is held there).
int64_t WebPageMode(const char* value, bool present);
