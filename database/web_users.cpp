#include "database/web_users.h"

#include <cstring>
#include <new>

#include "core/alert.h"
#include "core/code_pages.h"
#include "core/cstring.h"
#include "core/file_stream.h"
#include "core/input_stream.h"
#include "core/locale.h"
#include "core/memory.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "core/parallel_sort.h"
#include "core/text_buffer.h"
#include "core/value_format.h"
#include "database/base.h"
#include "database/combination.h"
#include "database/file_kinds.h"
#include "database/operation_log.h"
#include "database/subsets.h"

namespace {

constexpr int32_t kErrorDatabaseFile = 2111;  // A QEB-file can not be imported into this window.
constexpr int32_t kRecordWidth = static_cast<int32_t>(sizeof(WebUser));

// Control characters removed, blanks trimmed.
void Clean(T_TextBuf* text) {
  TextBufSetLength(text, StrRemoveControls(text->data));
  TextBufTrim(text, ' ');
}

// The next field of the line, cleaned, into an owned text (null for empty).
void ReadCleanField(T_IStream* stream, char** holder) {
  T_TextBuf text;
  stream->ReadFieldBuf(&text);
  Clean(&text);
  BlockTextFree(holder);
  BlockTextAssign(holder, text.c_str());
  TextBufWipe(&text);
}

bool SameText(const char* a, const char* b) {
  if (a == nullptr || b == nullptr) return a == b;
  return std::strcmp(a, b) == 0;
}

bool UsersEqual(const WebUser* a, const WebUser* b) {
  return SameText(a->name, b->name) && SameText(a->password, b->password) &&
         a->shibboleth == b->shibboleth && SameText(a->subset, b->subset) &&
         SameText(a->templates, b->templates) && a->databaseInfo == b->databaseInfo &&
         a->cards == b->cards && a->cardNotes == b->cardNotes && a->drilling == b->drilling &&
         a->language == b->language && a->format == b->format;
}

bool CopyUser(WebUser* target, const WebUser* source) {
  *target = *source;
  target->name = target->password = target->subset = target->templates = nullptr;
  BlockTextAssign(&target->name, source->name);
  BlockTextAssign(&target->password, source->password);
  BlockTextAssign(&target->subset, source->subset);
  BlockTextAssign(&target->templates, source->templates);
  return true;
}

int32_t CompareUsers(void* context, int64_t a, int64_t b) {
  auto* list = static_cast<WebUserList*>(context);
  return StrCompareNoCaseNullLast(WebUserAt(list, a)->name, WebUserAt(list, b)->name);
}

void SwapUsers(void* context, int64_t a, int64_t b) {
  PagedArraySwapRecords(&static_cast<WebUserList*>(context)->users, a, b);
}

void PutFlagLine(T_OStream* stream, const char* key, bool on) {
  if (on) stream->PutLine(key);
}

void PutTextLine(T_OStream* stream, const char* key, const char* text) {
  if (text == nullptr) return;
  stream->PutText(key);
  stream->PutSeparator();
  stream->PutText(text);
  stream->PutNewline();
}

void PutLanguageLine(T_OStream* stream, const char* key, int32_t language) {
  if (LanguageCode(language) != nullptr) PutTextLine(stream, key, LanguageCode(language));
}

void WriteUser(const WebUser* user, T_OStream* stream) {
  stream->PutText("U");
  stream->PutSeparator();
  stream->PutText(user->name);
  stream->PutSeparator();
  stream->PutText(user->password);
  stream->PutNewline();
  PutFlagLine(stream, "SB", user->shibboleth != 0);
  PutTextLine(stream, "SG", user->subset);
  PutTextLine(stream, "TF", user->templates);
  PutFlagLine(stream, "BI", user->databaseInfo != 0);
  PutFlagLine(stream, "CL", user->cards != 0);
  PutFlagLine(stream, "CN", user->cardNotes != 0);
  PutFlagLine(stream, "BD", user->drilling != 0);
  PutLanguageLine(stream, "LG", user->language);
  PutLanguageLine(stream, "FR", user->format);
}

// The user a "U" line names: found and cleared, or new (with the import flag a found name is
// raised until it is free). -1 without memory.
int64_t UserForName(WebUserList* list, T_TextBuf* name, bool import) {
  int64_t index = WebUserFind(list, name->c_str());
  if (index >= 0 && !import) {
    WebUserClear(WebUserAt(list, index));
    return index;
  }
  while (index >= 0) {
    IncrementName(name);
    index = WebUserFind(list, name->c_str());
  }
  return WebUserAdd(list);
}

}  // namespace

WebUserList* WebUserListCreate(T_Base* base) {
  auto* list = new (std::nothrow) WebUserList;
  if (list == nullptr) return nullptr;
  list->database = base;
  PagedArrayInit(&list->users, kRecordWidth, 0);
  return list;
}

void WebUserListFree(WebUserList* list) {
  if (list == nullptr) return;
  for (int64_t i = 0; i < list->users.count; ++i) WebUserClear(WebUserAt(list, i));
  PagedArrayFree(&list->users);
  delete list;
}

int64_t WebUserListMemSize(const WebUserList* list) {
  if (list == nullptr) return 0;
  int64_t size = static_cast<int64_t>(sizeof(WebUserList)) + PagedArrayMemSize(&list->users);
  for (int64_t i = 0; i < list->users.count; ++i) {
    const WebUser* user = WebUserAt(list, i);
    for (const char* text : {user->name, user->password, user->subset, user->templates})
      size += MemAllocatedSize(text);
  }
  return size;
}

int64_t WebUserCount(const WebUserList* list) { return list != nullptr ? list->users.count : 0; }

WebUser* WebUserAt(const WebUserList* list, int64_t index) {
  return reinterpret_cast<WebUser*>(PagedArrayAt(&list->users, index));
}

bool WebUserListNotEmpty(const WebUserList* list) {
  for (int64_t i = 0; i < WebUserCount(list); ++i) {
    if (WebUserAt(list, i)->name != nullptr) return true;
  }
  return false;
}

int64_t WebUserFind(const WebUserList* list, const char* name) {
  for (int64_t i = 0; i < WebUserCount(list); ++i) {
    if (StrEqualNoCaseNullAsEmpty(WebUserAt(list, i)->name, name)) return i;
  }
  return -1;
}

bool WebUserCheck(const WebUserList* list, const char* name, const char* password) {
  if (name == nullptr || *name == 0) return false;
  int64_t index = WebUserFind(list, name);
  return index >= 0 && StrEqualNoCaseNullAsEmpty(WebUserAt(list, index)->password, password);
}

int64_t WebUserAdd(WebUserList* list) {
  int64_t index = list->users.count;
  uint8_t* record = PagedArrayAtGrow(&list->users, index);
  if (record == nullptr) return -1;
  new (record) WebUser;
  return index;
}

void WebUserRemove(WebUserList* list, int64_t index) {
  if (index < 0 || index >= list->users.count) return;
  WebUserClear(WebUserAt(list, index));
  for (int64_t i = index + 1; i < list->users.count; ++i)
    PagedArrayCopyRecord(&list->users, i - 1, i);
  PagedArrayTruncate(&list->users, list->users.count - 1);
}

void WebUserClear(WebUser* user) {
  BlockTextFree(&user->name);
  BlockTextFree(&user->password);
  BlockTextFree(&user->subset);
  BlockTextFree(&user->templates);
  *user = WebUser{};
}

bool WebUserListCopy(WebUserList* target, const WebUserList* source) {
  while (target->users.count > 0) WebUserRemove(target, target->users.count - 1);
  for (int64_t i = 0; i < WebUserCount(source); ++i) {
    const WebUser* user = WebUserAt(source, i);
    if (user->name == nullptr) continue;
    int64_t index = WebUserAdd(target);
    if (index < 0) return false;
    CopyUser(WebUserAt(target, index), user);
  }
  return true;
}

bool WebUserListEqual(const WebUserList* a, const WebUserList* b) {
  if (!WebUserListNotEmpty(a) && !WebUserListNotEmpty(b)) return true;
  if (WebUserCount(a) != WebUserCount(b)) return false;
  for (int64_t i = 0; i < WebUserCount(a); ++i) {
    if (!UsersEqual(WebUserAt(a, i), WebUserAt(b, i))) return false;
  }
  return true;
}

void SortWebUsers(WebUserList* list) {
  for (int64_t i = list->users.count - 1; i >= 0; --i) {
    if (WebUserAt(list, i)->name == nullptr) WebUserRemove(list, i);
  }
  if (list->users.count < 2) return;
  ParallelSortContext sort;
  ParallelSortInit(&sort);
  sort.compare = CompareUsers;
  sort.compareContext = list;
  sort.swap = SwapUsers;
  sort.swapContext = list;
  ParallelSortCount(&sort, list->users.count);
}

void WebUserListOnChange(WebUserList* list, const ChangeNote* note) {
  if (note->code != kChangeSubset || note->oldName == nullptr || note->object == nullptr) return;
  auto* subset = static_cast<const Subset*>(note->object);
  if (subset->listKind != kSubsetListOfDatabase) return;
  for (int64_t i = 0; i < WebUserCount(list); ++i) {
    WebUser* user = WebUserAt(list, i);
    if (user->subset == nullptr) continue;
    T_TextBuf text(user->subset);
    CombRenameInText(&text, note->oldName, subset->name);
    BlockTextFree(&user->subset);
    BlockTextAssign(&user->subset, text.c_str());
  }
}

void ReadWebUsers(WebUserList* list, T_IStream* stream, bool import) {
  int64_t current = -1;
  bool skipping = false;
  T_TextBuf name;
  T_TextBuf password;
  while (!AbortRequested() && stream->NextLine()) {
    if (IsSectionHeaderLine(stream)) break;
    if (!stream->NextField()) continue;
    const char* key = stream->Field();
    int32_t length = stream->FieldLength();
    if (length == 1 && *key == 'U') {
      stream->ReadFieldBuf(&name);
      stream->ReadFieldBuf(&password);
      Clean(&name);
      Clean(&password);
      // A nameless user is no user: its keys go with it.
      skipping = name.empty();
      current = skipping ? -1 : UserForName(list, &name, import);
      if (!skipping && current < 0) break;  // no memory: the users read so far stay
      if (current >= 0) {
        WebUser* user = WebUserAt(list, current);
        BlockTextAssign(&user->name, name.c_str());
        BlockTextAssign(&user->password, password.c_str());
      }
      TextBufWipe(&password);
      continue;
    }
    if (current < 0 || skipping || length != 2) continue;
    WebUser* user = WebUserAt(list, current);
    const char k[3] = {key[0], key[1], 0};
    if (std::strcmp(k, "SB") == 0) user->shibboleth = 1;
    if (std::strcmp(k, "BI") == 0) user->databaseInfo = 1;
    if (std::strcmp(k, "CL") == 0) user->cards = 1;
    if (std::strcmp(k, "CN") == 0) user->cardNotes = 1;
    if (std::strcmp(k, "BD") == 0) user->drilling = 1;
    if (std::strcmp(k, "SG") == 0) ReadCleanField(stream, &user->subset);
    if (std::strcmp(k, "TF") == 0) ReadCleanField(stream, &user->templates);
    if (std::strcmp(k, "LG") == 0 || std::strcmp(k, "FR") == 0) {
      T_TextBuf code;
      stream->ReadFieldBuf(&code);
      (k[0] == 'L' ? user->language : user->format) = LanguageFromCode(code.c_str());
    }
  }
  TextBufWipe(&password);
  SortWebUsers(list);
}

void WriteWebUsers(const WebUserList* list, T_OStream* stream) {
  for (int64_t i = 0; i < WebUserCount(list); ++i) WriteUser(WebUserAt(list, i), stream);
}

void WriteWebUsersText(const WebUserList* list, T_OStream* stream, const uint8_t* chosen) {
  stream->PutLine("## WebUsers");
  for (int64_t i = 0; i < WebUserCount(list); ++i) {
    if (chosen == nullptr || chosen[i]) WriteUser(WebUserAt(list, i), stream);
  }
}

bool ExportWebUsers(const WebUserList* list, const char* path) {
  T_OStreamFile file;
  file.WipeWhenFreed();  // the passwords stand in clear in the file, not in freed memory
  if (!file.Open(path, 0)) return false;
  WriteWebUsersText(list, &file, nullptr);
  return file.Close();
}

bool ImportWebUsers(WebUserList* list, const char* path) {
  if (IsOpenableFile(path)) {
    PendingErrorSet(kErrorDatabaseFile);
    return false;
  }
  T_IStreamFile file;
  file.WipeWhenFreed();
  if (!file.Open(path)) return false;
  // The first line is the tag line ("## WebUsers"); the reader starts after it.
  if (file.NextLine()) ReadWebUsers(list, &file, true);
  file.Close();
  return true;
}
