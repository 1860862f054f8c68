#include "app/web_users.h"

#include "database/base.h"
#include "database/web_users.h"

bool WebUsersExist(T_Base* base) { return base && WebUserListNotEmpty(base->webUsers); }

bool WebUserLoginOk(T_Base* base, const char* name, const char* password) {
  return base && WebUserCheck(base->webUsers, name, password ? password : "");
}

bool FindWebUserView(T_Base* base, const char* name, WebUserView* user) {
  if (!base || !name) return false;
  T_TextBuf wanted(name);
  TextBufTrim(&wanted, ' ');
  if (wanted.empty()) return false;
  int64_t index = WebUserFind(base->webUsers, wanted.c_str());
  if (index < 0) return false;
  const WebUser* found = WebUserAt(base->webUsers, index);
  *user = WebUserView{};
  TextBufAssign(&user->name, found->name ? found->name : "");
  user->singleSignOn = found->shibboleth != 0;
  TextBufAssign(&user->subset, found->subset ? found->subset : "");
  TextBufAssign(&user->templates, found->templates ? found->templates : "");
  user->baseInfo = found->databaseInfo != 0;
  user->cards = found->cards != 0;
  user->drilling = found->drilling != 0;
  user->language = found->language;
  user->format = found->format;
  return true;
}
