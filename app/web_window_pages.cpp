#include "app/web_window_pages.h"

#include "analysis/boxwin/box_window.h"
#include "analysis/cards/card_editor.h"
#include "app/base_info.h"
#include "app/web_page_parts.h"
#include "app/web_pages.h"
#include "app/web_dispatcher.h"
#include "app/web_users.h"
#include "database/base.h"
#include "database/object_services.h"
#include "database/template_runner.h"
#include "database/web_request.h"
#include "ui/element.h"

namespace {

// The box window's number for the last page.
constexpr int64_t kBoxLastPage = -3;

T_Window* OpenAnalysis(T_Base* base, T_Template* templ, const WebUserView* user,
                       const char* query) {
  T_HWindow* window = RunTemplate(base, templ, nullptr, kRunNoLookup | kRunHidden);
  auto* box = dynamic_cast<T_BoxWin*>(window);
  if (!box) {
    if (window) EventHandler_CloseAndDelete(window, 0);
    return nullptr;
  }
  box->SetViewMode(0);
  // The user's combination text; the window turns it into its own restriction.
  if (user && user->subset.length > 0)
    box->RestrictToSubset(const_cast<char*>(user->subset.c_str()));
  box->ApplyRequestParams(query);
  box->Calculate(true);
  return box;
}

// The card's editor, hidden and apart from any editor the user has open on it.
T_Window* OpenCard(T_Base* base, const CardId* id, const WebUserView* user) {
  CardRecord* card = base->SeekCard(id);
  if (!card) return nullptr;
  T_CardEditor* editor = openCardEditor(base, card, 0, nullptr, kRunNoLookup | kRunHidden);
  if (!editor) return nullptr;
  if (user && user->subset.length > 0)
    editor->RestrictToSubset(const_cast<char*>(user->subset.c_str()));
  return editor;
}

T_Window* OpenInformation(T_Base* base) {
  return OpenBaseInfo(base, kBaseInfoHidden | kBaseInfoPrivate);
}

int64_t PageCount(T_Window* window) {
  if (auto* box = dynamic_cast<T_BoxWin*>(window)) return box->WebPageCount();
  return dynamic_cast<T_BaseInfo*>(window) ? 1 : 0;
}

void WriteHtml(T_Window* window, T_OStream* page, int64_t pageMode) {
  if (auto* box = dynamic_cast<T_BoxWin*>(window)) {
    // One long page and all pages are every row.
    box->WriteWebPage(page, pageMode == kWebPageLast ? kBoxLastPage : pageMode < 1 ? 0 : pageMode);
  } else if (auto* info = dynamic_cast<T_BaseInfo*>(window)) {
    WriteBaseInfoHtml(info, page);
  }
}

void Close(T_Window* window) { EventHandler_CloseAndDelete(window, 0); }

const WebWindowPages kPages = {OpenAnalysis, OpenCard, OpenInformation, PageCount, WriteHtml, Close};

}  // namespace

void InstallWebWindowPages() {
  SetWebWindowPages(&kPages);
  // Served tables link their column titles to the page being served, and card links follow the
  // web user's right to see cards.
  BoxWinServices box = BoxServices();
  box.webSelfUrl = [](T_TextBuf* url) {
    if (!WebRequestActive()) return false;
    WebSelfUrl(url);
    return true;
  };
  box.webUserOpensCards = [] { return WebMaySeeCards(); };
  box.webUserDrills = [] {
    const WebUserView* user = CurrentWebUser();
    return WebRequestActive() && user && user->drilling;
  };
  box.webPicturePath = [](T_TextBuf* path) {
    const WebRequestContext* request = CurrentWebRequest();
    TextBufAssign(path, request ? request->settings.images.c_str() : "");
  };
  SetBoxWinServices(&box);
}
