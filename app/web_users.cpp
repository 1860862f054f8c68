#include "app/web_users.h"

#include <cstring>

#include "core/code_pages.h"
#include "core/cstring.h"
#include "core/locale.h"
#include "database/base.h"
#include "database/stored_object_holders.h"

namespace {

// One field of a kept line: control characters removed, blanks trimmed.
void ReadField(const char* from, const char* end, T_TextBuf* field) {
  auto* tab = static_cast<const char*>(std::memchr(from, '\t', static_cast<size_t>(end - from)));
  TextBufAssignBytes(field, from, static_cast<int32_t>((tab ? tab : end) - from));
  TextBufSetLength(field, StrRemoveControls(field->data));
  TextBufTrim(field, ' ');
}

bool IsKey(const char* line, const char* end, const char* key) {
  size_t n = std::strlen(key);
  return static_cast<size_t>(end - line) >= n && std::memcmp(line, key, n) == 0 &&
         (line + n == end || line[n] == '\t');
}

const char* FieldStart(const char* line, const char* end, size_t keyLength) {
  return line + keyLength < end ? line + keyLength + 1 : end;
}

bool KeptFind(T_Base* base, const char* name, WebUserView* user) {
  const WebUserList* list = base ? base->webUsers : nullptr;
  if (!list || !list->lines.bytes || !name || !*name) return false;
  T_TextBuf wanted(name);
  TextBufTrim(&wanted, ' ');
  const char* p = list->lines.bytes;
  const char* stop = p + list->lines.length;
  bool found = false;
  bool current = false;  // the lines belong to a user of that name
  T_TextBuf field;
  while (p < stop) {
    auto* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(stop - p)));
    const char* end = lf ? lf : stop;
    if (IsKey(p, end, "U")) {
      ReadField(FieldStart(p, end, 1), end, &field);
      current = !field.empty() && StrEqualNoCase(field.c_str(), wanted.c_str());
      if (current) {
        found = true;
        *user = WebUserView{};
        TextBufAssignBuf(&user->name, &field);
      }
    } else if (current) {
      if (IsKey(p, end, "SB"))
        user->singleSignOn = true;
      else if (IsKey(p, end, "BI"))
        user->baseInfo = true;
      else if (IsKey(p, end, "CL"))
        user->cards = true;
      else if (IsKey(p, end, "SG"))
        ReadField(FieldStart(p, end, 2), end, &user->subset);
      else if (IsKey(p, end, "TF"))
        ReadField(FieldStart(p, end, 2), end, &user->templates);
      else if (IsKey(p, end, "LG") || IsKey(p, end, "FR")) {
        ReadField(FieldStart(p, end, 2), end, &field);
        (p[0] == 'L' ? user->language : user->format) = LanguageFromCode(field.c_str());
      }
    }
    p = end + 1;
  }
  return found;
}

const WebUserSource kKeptLines = {
    [](T_Base* base) { return base && WebUserListNotEmpty(base->webUsers); },
    [](T_Base* base, const char* name, const char* password) {
      return base && WebUserCheck(base->webUsers, name, password ? password : "");
    },
    KeptFind,
};

WebUserSource source = kKeptLines;

}  // namespace

void SetWebUserSource(const WebUserSource* replacement) {
  source = replacement ? *replacement : kKeptLines;
}

bool WebUsersExist(T_Base* base) { return source.hasUsers(base); }

bool WebUserLoginOk(T_Base* base, const char* name, const char* password) {
  return source.check(base, name, password);
}

bool FindWebUserView(T_Base* base, const char* name, WebUserView* user) {
  return source.find(base, name, user);
}
