#include "database/link_handlers.h"

#include <cstring>

#include "core/alert.h"
#include "core/cstring.h"
#include "core/files.h"
#include "core/locale.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "core/placeholders.h"
#include "core/short_ids.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/object_services.h"
#include "database/macros.h"
#include "database/stored_object_holders.h"
#include "database/template_runner.h"
#include "database/template_tree.h"
#include "database/templates.h"

namespace {

constexpr uint32_t kTextCard = 3100;
constexpr uint32_t kTextMacro = 7100;
constexpr uint32_t kTextTemplate = 4400;
constexpr const char* kLinkClass = "data";
constexpr const char* kDefaultMapSiteHost = "kartor.trelvik.se";

char* mapSiteHost = nullptr;  // owned; null: the default

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

const char* SkipBlanks(const char* p) {
  while (*p == ' ') ++p;
  return p;
}

// Reads 1 to 10 digits as a number from 1 to 2^31 - 1 (0 allowed when zeroOk); the digits
// read, 0 when there are none, too many or the value is out of range.
int32_t ScanNumber(const char* p, const char* end, bool zeroOk, int32_t* value) {
  int64_t n = 0;
  int32_t count = 0;
  while (p + count < end && IsDigit(p[count])) {
    if (++count > 10) return 0;
    n = n * 10 + (p[count - 1] - '0');
  }
  if (count == 0 || n > 0x7fffffff || (n == 0 && !zeroOk)) return 0;
  *value = static_cast<int32_t>(n);
  return count;
}

// The own database's file name, and its path when it has a folder (an untitled database has
// none).
const char* OwnFileName(const T_Base* base) { return PathFindName(base->path->c_str()); }
bool HasFolder(const T_Base* base) {
  return base->untitledNumber == 0 && PathFindName(base->path->c_str()) != base->path->c_str();
}

// True when the file part names the database itself: its path or its file name.
bool NamesOwnBase(const T_Base* base, const char* file) {
  if (StrEqualNoCase(file, OwnFileName(base))) return true;
  if (!HasFolder(base)) return false;
  T_TextBuf slashes(file);
  StrReplaceChar(slashes.data, '/', '\\');
  return StrEqualNoCase(slashes.c_str(), base->path->c_str());
}

// Removes the own file name and ":" from the front of the text.
void StripOwnPrefix(const T_Base* base, T_TextBuf* text) {
  T_TextBuf head(SkipBlanks(text->c_str()));
  int32_t colon = TextBufFind(&head, 0, ":");
  if (colon <= 0) return;
  TextBufTruncate(&head, colon);
  TextBufTrim(&head, ' ');
  if (!StrEqualNoCase(head.c_str(), OwnFileName(base))) return;
  int32_t at = TextBufFind(text, 0, ":");
  TextBufDelete(text, 0, at + 1);
}

void SetError(int32_t code, const char* text) {
  if (PendingErrorSet(code)) AlertAddText(&PendingError.request, text);
}

// The database and what follows its part, or null.
T_Base* Resolve(T_BaseLink* handler, const char* target, const char** rest, T_TextBuf* file,
                bool open) {
  const char* position = target ? target : "";
  T_Base* base = ResolveLinkDatabase(handler, &position, file, open);
  *rest = position;
  return base;
}

// The database a followed link names, opened when it is a closed file; null with the pending
// error 3821 and the file part when there is none.
T_Base* ResolveToFollow(T_BaseLink* handler, const char* target, const char** rest) {
  T_TextBuf file;
  T_Base* base = Resolve(handler, target, rest, &file, true);
  if (!base) SetError(kErrorLinkDatabase, file.c_str());
  return base;
}

// A whole card target at the position: the key, and an anchor that runs to the end.
bool ReadCardTarget(const char* text, CardKey* key, int32_t* line) {
  const char* end = text + std::strlen(text);
  int32_t n = ScanCardKey(text, end, key);
  if (n == 0) return false;
  *line = 0;
  if (text + n == end) return true;
  int32_t m = ScanCardLine(text + n, end, line);
  return m != 0 && text + n + m == end;
}

bool CardExists(T_Base* base, const CardId* id) {
  CardRecord* card = base->SeekCard(id);
  if (card == base->sentinelCard) return false;
  CardId found = CardGetId(card);
  return CardIdEqual(&found, id);
}

T_Template* FindTemplateText(T_Base* base, const char* rest) {
  T_TextBuf path(rest);
  TextBufTrim(&path, ' ');
  return path.empty() ? nullptr : FindTemplate(base, path.c_str());
}

}  // namespace

// --- The context -------------------------------------------------------------------------------

T_BaseLinkContext::T_BaseLinkContext(T_Base* base)
    : T_LinkContext(nullptr, kLinkClass), database(base) {
  if (HasFolder(base)) SetBasePath(base->path->c_str());
}

void T_BaseLinkContext::AdjustLink(T_TextBuf* target, T_TextBuf* text) {
  MapSiteFilter(target);
  MapSiteFilter(text);
}

T_LinkContext* CreateBaseLinkContext(T_Base* base) {
  auto* context = new T_BaseLinkContext(base);
  new T_CardLink(context);
  new T_MacroLink(context);
  new T_TemplateLink(context);
  return context;
}

void LinkContextFollowPath(T_Base* base) {
  if (base->linkContext)
    base->linkContext->SetBasePath(HasFolder(base) ? base->path->c_str() : nullptr);
}

// --- Handlers ----------------------------------------------------------------------------------

T_BaseLink::T_BaseLink(T_BaseLinkContext* context, const char* keyword, uint32_t textId)
    : T_LinkHandler(context, keyword, textId), database(context->database) {}

void T_BaseLink::StripOwnBase(T_TextBuf* target, T_TextBuf* text) {
  const char* position = target->c_str();
  T_TextBuf file;
  if (ParseLinkDatabase(&position, &file) && !file.empty() &&
      NamesOwnBase(database, file.c_str())) {
    TextBufDelete(target, 0, static_cast<int32_t>(position - target->c_str()));
  }
  StripOwnPrefix(database, target);
  StripOwnPrefix(database, text);
  TextBufTrim(target, ' ');
  TextBufTrim(text, ' ');
}

T_CardLink::T_CardLink(T_BaseLinkContext* context) : T_BaseLink(context, "card", kTextCard) {}

bool T_CardLink::TargetExists(const char* target) {
  const char* rest;
  T_TextBuf file;
  T_Base* base = Resolve(this, target, &rest, &file, false);
  CardKey key;
  int32_t line;
  return base && ReadCardTarget(rest, &key, &line) && CardExists(base, &key.id);
}

bool T_CardLink::Follow(const char* target) {
  const char* rest;
  T_Base* base = ResolveToFollow(this, target, &rest);
  if (!base) return false;
  CardKey key;
  int32_t line;
  if (!ReadCardTarget(rest, &key, &line) || !CardExists(base, &key.id)) {
    SetError(kErrorLinkCard, rest);
    return false;
  }
  OpenCardEditor(base, &key.id, line);
  return true;
}

void T_CardLink::WriteLink(T_OStream* stream, const char* target, const char* text) {
  const char* rest;
  T_TextBuf file;
  T_Base* base = Resolve(this, target, &rest, &file, false);
  CardKey key;
  int32_t line;
  // Only a key of the checked shape goes into the address: anything else in a note would be
  // markup of the page.
  if (!base || !ReadCardTarget(rest, &key, &line) || !WebMaySeeCards()) {
    T_BaseLink::WriteLink(stream, target, text);
    return;
  }
  WebBeginLink(stream, kLinkClass);
  T_TextBuf query("card=");
  AppendDatabaseShortId(&query, base->path->c_str());
  TextBufAppendChar(&query, ':');
  AppendCardKey(&query, &key.id, &key);
  stream->PutTextBuf(&query);
  stream->PutText("\">");
  stream->PutEscaped(text);
  stream->PutText("</a>");
}

T_MacroLink::T_MacroLink(T_BaseLinkContext* context) : T_BaseLink(context, "macro", kTextMacro) {}

bool T_MacroLink::TargetExists(const char* target) {
  const char* rest;
  T_TextBuf file;
  T_Base* base = Resolve(this, target, &rest, &file, false);
  return base && base->FindMacro(rest) != nullptr;
}

bool T_MacroLink::Follow(const char* target) {
  const char* rest;
  T_Base* base = ResolveToFollow(this, target, &rest);
  if (!base) return false;
  Macro* macro = base->FindMacro(rest);
  if (!macro) {
    SetError(kErrorLinkMacro, rest);
    return false;
  }
  RunMacro(macro);
  return !AbortRequested();
}

T_TemplateLink::T_TemplateLink(T_BaseLinkContext* context)
    : T_BaseLink(context, "template", kTextTemplate) {}

bool T_TemplateLink::TargetExists(const char* target) {
  const char* rest;
  T_TextBuf file;
  T_Base* base = Resolve(this, target, &rest, &file, false);
  return base && FindTemplateText(base, rest) != nullptr;
}

bool T_TemplateLink::Follow(const char* target) {
  const char* rest;
  T_Base* base = ResolveToFollow(this, target, &rest);
  if (!base) return false;
  T_Template* templ = FindTemplateText(base, rest);
  if (!templ) {
    SetError(kErrorLinkTemplate, rest);
    return false;
  }
  RunTemplate(base, templ, nullptr, kRunReplace);
  return true;
}

void T_TemplateLink::WriteLink(T_OStream* stream, const char* target, const char* text) {
  const char* rest;
  T_TextBuf file;
  T_Base* base = Resolve(this, target, &rest, &file, false);
  T_Template* templ = base ? FindTemplateText(base, rest) : nullptr;
  if (!templ || !WebMaySeeCards()) {
    T_BaseLink::WriteLink(stream, target, text);
    return;
  }
  WebBeginLink(stream, kLinkClass);
  T_TextBuf query(KindKey(templ->kind));
  TextBufAppendChar(&query, '=');
  T_TextBuf path;
  templ->GetShortIdPath(&path);
  TextBufAppendBuf(&query, &path);
  stream->PutTextBuf(&query);
  stream->PutText("\">");
  stream->PutEscaped(text);
  stream->PutText("</a>");
}

// --- Targets -------------------------------------------------------------------------------------

bool ParseLinkDatabase(const char** position, T_TextBuf* file) {
  TextBufSetLength(file, 0);
  const char* p = SkipBlanks(*position);
  *position = p;
  if (*p != '[') return true;
  const char* close = std::strchr(p + 1, ']');
  TextBufAssignBytes(
      file, p + 1,
      close ? static_cast<int32_t>(close - p - 1) : static_cast<int32_t>(std::strlen(p + 1)));
  TextBufTrim(file, ' ');
  if (!close || file->empty() || TextBufFind(file, 0, "?") >= 0) return false;
  *position = SkipBlanks(close + 1);
  return true;
}

T_Base* ResolveLinkDatabase(T_BaseLink* handler, const char** position, T_TextBuf* file,
                            bool open) {
  if (!ParseLinkDatabase(position, file)) return nullptr;
  T_Base* own = handler->database;
  if (file->empty()) return own;

  T_TextBuf path;
  bool exists = false;
  if (HasFolder(own)) {
    PathResolve(&path, file->c_str(), own->path->c_str());
    exists = FileExists(path.c_str());
    if (!exists && TextBufFind(file, 0, "/") >= 0) {
      T_TextBuf slashes(file->c_str());
      StrReplaceChar(slashes.data, '/', '\\');
      PathResolve(&path, slashes.c_str(), own->path->c_str());
      exists = FileExists(path.c_str());
    }
  }
  if (!exists) {
    for (T_Base* base = FirstBase(); base; base = base->next) {
      if (StrEqualNoCase(PathFindName(base->path->c_str()), file->c_str())) return base;
    }
    return nullptr;
  }
  if (T_Base* base = FindOpenBase(path.c_str())) return base;
  return open ? OpenLinkedDatabase(path.c_str()) : nullptr;
}

int32_t ScanCardKey(const char* text, const char* end, CardKey* key) {
  if (end - text < 8) return 0;
  for (int32_t i = 0; i < 6; ++i) {
    if (!IsDigit(text[i])) return 0;
  }
  if (text[6] != '-') return 0;
  auto two = [text](int32_t i) { return (text[i] - '0') * 10 + (text[i + 1] - '0'); };
  int32_t yy = two(0), month = two(2), day = two(4);
  int32_t year = yy < 70 ? 2000 + yy : 1900 + yy;
  if (month < 1 || month > 12 || day < 1 || day > PackedDateDaysInMonth(PackDate(year, month, 1)))
    return 0;
  int32_t number = 0;
  int32_t digits = ScanNumber(text + 7, end, true, &number);
  if (digits == 0 || (text + 7 + digits < end && IsDigit(text[7 + digits]))) return 0;
  key->id = CardId{PackDate(year, month, day), number};
  key->digits = digits;
  key->padded = digits > 1 && text[7] == '0';
  return 7 + digits;
}

int32_t ScanCardLine(const char* text, const char* end, int32_t* line) {
  if (text >= end || *text != '#') return 0;
  int32_t digits = ScanNumber(text + 1, end, false, line);
  if (digits == 0 || (text + 1 + digits < end && IsDigit(text[1 + digits]))) return 0;
  return 1 + digits;
}

void AppendCardKey(T_TextBuf* out, const CardId* id, const CardKey* form) {
  char date[8];
  FormatPackedDateDigits(date, id->date);
  TextBufAppend(out, date);
  TextBufAppendChar(out, '-');
  if (form->padded) {
    int32_t width = 1;
    for (int32_t n = id->sequence; n >= 10; n /= 10) ++width;
    for (int32_t i = width; i < form->digits; ++i) TextBufAppendChar(out, '0');
  }
  TextBufAppendInt(out, id->sequence);
}

// --- Map site ------------------------------------------------------------------------------------

void SetMapSiteHost(const char* host) { BlockTextAssign(&mapSiteHost, host); }

void MapSiteFilter(T_TextBuf* text) {
  const char* host = mapSiteHost ? mapSiteHost : kDefaultMapSiteHost;
  int32_t at = TextBufFindNoCase(text, 0, host);
  if (at < 0) return;
  int32_t question = TextBufFind(text, at, "?");
  if (question < 0) return;
  int32_t queryEnd = question + 1;
  while (queryEnd < text->length && !std::strchr("# \"<>", text->data[queryEnd])) ++queryEnd;

  T_TextBuf query;
  TextBufAssignBytes(&query, text->data + question + 1, queryEnd - question - 1);
  T_TextBuf name;
  T_TextBuf value;
  T_TextBuf walked(query.c_str());
  for (const char* cursor = walked.c_str(); UrlNextParam(&cursor, &name, &value);) {
    if (!StrEqual(name.c_str(), "e") && !StrEqual(name.c_str(), "n") &&
        !StrEqual(name.c_str(), "scale")) {
      UrlRemoveParam(&query, name.c_str());
    }
  }
  if (query.empty()) {
    TextBufDelete(text, question, queryEnd - question);
  } else {
    TextBufReplaceBytes(text, question + 1, queryEnd - question - 1, query.data, query.length);
  }
}
