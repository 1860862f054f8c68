#include "ui/link_markup.h"

#include <cstring>

#include "core/files.h"
#include "core/memory.h"
#include "core/output_stream.h"
#include "ui/link_handler.h"

namespace {

// In the order the bare form tries them.
constexpr const char* kSchemes[] = {"shttp:", "http:", "https:", "file:", "ftp:", "afp:", "vnc:"};

// How much of the text before a written link can change how the link reads back: the longest
// keyword (a 15-byte tag) and more than the longest scheme.
constexpr int32_t kContextBytes = 16;

const T_LinkHandler* FirstHandler(const T_LinkContext* context) {
  return context != nullptr ? context->firstHandler : nullptr;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool StartsNoCase(const char* p, const char* end, const char* word) {
  for (; *word != 0; ++p, ++word) {
    if (p >= end || Lower(*p) != Lower(*word)) return false;
  }
  return true;
}

bool TextStartsNoCase(const char* text, const char* word) {
  return StartsNoCase(text, text + strlen(text), word);
}

// Where the bytes just before p, not reaching below floor, are the word.
bool EndsBefore(const char* floor, const char* p, const char* word, int32_t n) {
  return n > 0 && p - floor >= n && memcmp(p - n, word, static_cast<size_t>(n)) == 0;
}

const char* FindNoCase(const char* from, const char* end, const char* word) {
  for (const char* p = from; p < end; ++p) {
    if (StartsNoCase(p, end, word)) return p;
  }
  return nullptr;
}

const char* FindByte(const char* from, const char* end, char c) {
  return from < end ? static_cast<const char*>(memchr(from, c, static_cast<size_t>(end - from)))
                    : nullptr;
}

// A byte that ends a bare address.
bool EndsBareUrl(char c) {
  return static_cast<uint8_t>(c) <= 32 || (c != 0 && strchr("{[()]}", c) != nullptr);
}

void RemoveControls(T_TextBuf* text) {
  int32_t w = 0;
  for (int32_t r = 0; r < text->length; ++r) {
    if (static_cast<uint8_t>(text->data[r]) >= 32) text->data[w++] = text->data[r];
  }
  TextBufSetLength(text, w);
}

void ClearLink(LinkRef* link) {
  link->kind = kLinkNone;
  link->handler = nullptr;
  TextBufSetLength(&link->text, 0);
  TextBufSetLength(&link->target, 0);
}

// The last search of a scan for a byte or "</a>": a later search that starts at or behind its
// start and not behind its result has the same result, so a text full of unclosed tags is not
// searched to its end again for each of them.
struct SearchCache {
  const char* from = nullptr;
  const char* found = nullptr;

  template <typename Find>
  const char* Get(const char* at, Find find) {
    if (from == nullptr || at < from || (found != nullptr && found < at)) {
      from = at;
      found = find(at);
    }
    return found;
  }
};

struct ScanCaches {
  SearchCache tagEnd;
  SearchCache close;
};

// --- The three forms ------------------------------------------------------------------------

// At "<a ": the tagged form. Sets *markupEnd behind "</a>".
bool ParseTagged(const T_LinkContext* context, const char* p, const char* end, LinkRef* link,
                 const char** markupEnd, ScanCaches* caches) {
  const char* tagBegin = p + 3;  // p[2] is the blank that may precede the first attribute
  const char* tagEnd =
      caches->tagEnd.Get(tagBegin, [end](const char* at) { return FindByte(at, end, '>'); });
  if (tagEnd == nullptr) return false;

  const char* value = nullptr;
  uint32_t kind = kLinkNone;
  const T_LinkHandler* handler = nullptr;
  auto findAttribute = [&](const char* name, int32_t n) {
    for (const char* q = tagBegin; q + n < tagEnd; ++q) {
      if (q[-1] == ' ' && StartsNoCase(q, q + n, name) && q[n] == '=') return q + n + 1;
    }
    return static_cast<const char*>(nullptr);
  };
  if ((value = findAttribute("href", 4)) != nullptr) {
    kind = kLinkUrl;
  } else if ((value = findAttribute("file", 4)) != nullptr) {
    kind = kLinkFile;
  } else {
    for (handler = FirstHandler(context); handler != nullptr; handler = handler->next) {
      if (handler->tagLength == 0) continue;
      value = findAttribute(handler->tag, static_cast<int32_t>(handler->tagLength));
      if (value != nullptr) break;
    }
    if (value == nullptr) return false;
    kind = kLinkHandler;
  }

  const char* valueEnd;
  if (value < tagEnd && (*value == '"' || *value == '\'')) {
    ++value;
    valueEnd = FindByte(value, tagEnd, value[-1]);
    if (valueEnd == nullptr) valueEnd = tagEnd;  // an open quote runs to the end of the tag
  } else if (FindByte(value, tagEnd, '=') != nullptr) {
    valueEnd = FindByte(value, tagEnd, ' ');
    if (valueEnd == nullptr) valueEnd = tagEnd;
  } else {
    valueEnd = tagEnd;
  }

  const char* textBegin = tagEnd + 1;
  const char* close =
      caches->close.Get(textBegin, [end](const char* at) { return FindNoCase(at, end, "</a>"); });
  if (close == nullptr) return false;

  link->kind = kind;
  link->handler = const_cast<T_LinkHandler*>(handler);
  TextBufAssignBytes(&link->target, value, static_cast<int32_t>(valueEnd - value));
  TextBufTrim(&link->target, ' ');
  // The decoding drops the control bytes it would produce: a NUL would cut every text the target
  // is written into, and a TAB or line break hides a scheme from checks a browser ignores.
  TextBufPercentDecode(&link->target);
  if (kind == kLinkUrl) {
    const char* dot = strchr(link->target.c_str(), '.');
    const char* colon = strchr(link->target.c_str(), ':');
    if (dot != nullptr && (colon == nullptr || dot < colon)) {
      TextBufInsert(&link->target, 0, "http://");
    }
  }
  TextBufAssignBytes(&link->text, textBegin, static_cast<int32_t>(close - textBegin));
  TextBufTrim(&link->text, ' ');
  if (link->text.empty()) TextBufAssign(&link->text, "link");
  *markupEnd = close + 4;
  return true;
}

// At '="': the short form after "file" or a handler's tag.
bool ParseShort(const T_LinkContext* context, const char* floor, const char* p, const char* end,
                LinkRef* link, const char** markupBegin, const char** markupEnd) {
  const T_LinkHandler* handler = nullptr;
  int32_t keyword = 0;
  if (EndsBefore(floor, p, "file", 4)) {
    keyword = 4;
  } else {
    for (handler = FirstHandler(context); handler != nullptr; handler = handler->next) {
      int32_t n = static_cast<int32_t>(handler->tagLength);
      if (EndsBefore(floor, p, handler->tag, n)) {
        keyword = n;
        break;
      }
    }
    if (handler == nullptr) return false;
  }
  const char* value = p + 2;
  const char* valueEnd = FindByte(value, end, '"');
  if (valueEnd == nullptr) return false;
  TextBufAssignBytes(&link->target, value, static_cast<int32_t>(valueEnd - value));
  RemoveControls(&link->target);
  TextBufTrim(&link->target, ' ');
  if (link->target.empty()) return false;
  link->kind = handler != nullptr ? kLinkHandler : kLinkFile;
  link->handler = const_cast<T_LinkHandler*>(handler);
  TextBufAssignBuf(&link->text, &link->target);
  *markupBegin = p - keyword;
  *markupEnd = valueEnd + 1;
  return true;
}

// At "//": a bare address after one of the schemes.
bool ParseBare(const char* floor, const char* p, const char* end, LinkRef* link,
               const char** markupBegin, const char** markupEnd) {
  const char* scheme = nullptr;
  int32_t n = 0;
  for (const char* candidate : kSchemes) {
    n = static_cast<int32_t>(strlen(candidate));
    if (EndsBefore(floor, p, candidate, n)) {
      scheme = candidate;
      break;
    }
  }
  if (scheme == nullptr) return false;
  const char* part = p + 2;
  const char* partEnd = part;
  while (partEnd < end && !EndsBareUrl(*partEnd)) ++partEnd;
  const char* textEnd = partEnd;
  while (textEnd > part && textEnd[-1] == '/') --textEnd;
  if (textEnd == part) return false;
  link->kind = kLinkUrl;
  link->handler = nullptr;
  TextBufAssignBytes(&link->text, part, static_cast<int32_t>(textEnd - part));
  TextBufAssignBytes(&link->target, p - n, static_cast<int32_t>(partEnd - (p - n)));
  *markupBegin = p - n;
  *markupEnd = partEnd;
  return true;
}

// Finds the first link in [*cursor, end); see LinkText_Parse.
bool ParseRange(LinkRef* link, const char** cursor, const char* end, T_TextBuf* prefix,
                const char* origin) {
  ClearLink(link);
  const char* from = *cursor;
  if (from == nullptr) return false;
  ScanCaches caches;
  for (const char* p = from; p < end; ++p) {
    const char* begin = p;
    const char* stop = nullptr;
    bool found = false;
    if (*p == '<' && end - p >= 3 && Lower(p[1]) == 'a' && p[2] == ' ') {
      found = ParseTagged(link->context, p, end, link, &stop, &caches);
    } else if (*p == '=' && end - p >= 2 && p[1] == '"') {
      found = ParseShort(link->context, from, p, end, link, &begin, &stop);
    } else if (*p == '/' && end - p >= 2 && p[1] == '/') {
      found = ParseBare(from, p, end, link, &begin, &stop);
    }
    if (!found) {
      ClearLink(link);
      continue;
    }
    if (prefix != nullptr) TextBufAssignBytes(prefix, from, static_cast<int32_t>(begin - from));
    link->start = static_cast<int32_t>(begin - origin);
    link->length = static_cast<int32_t>(stop - begin);
    *cursor = stop;
    return true;
  }
  return false;
}

bool HasLinksIn(const T_LinkContext* context, const char* text, const char* end) {
  for (const char* p = text; p < end; ++p) {
    if (*p == '<') {
      if (end - p >= 3 && Lower(p[1]) == 'a' && p[2] == ' ') return true;
    } else if (*p == '=') {
      if (end - p < 2 || p[1] != '"') continue;
      if (EndsBefore(text, p, "file", 4)) return true;
      for (const T_LinkHandler* h = FirstHandler(context); h != nullptr; h = h->next) {
        if (EndsBefore(text, p, h->tag, static_cast<int32_t>(h->tagLength))) return true;
      }
    } else if (*p == '/') {
      if (end - p < 2 || p[1] != '/') continue;
      for (const char* scheme : kSchemes) {
        if (EndsBefore(text, p, scheme, static_cast<int32_t>(strlen(scheme)))) return true;
      }
    }
  }
  return false;
}

// --- Layout ---------------------------------------------------------------------------------

uint16_t MapEntry(int32_t position) {
  return static_cast<uint16_t>(position < 0 ? 0 : position > 65535 ? 65535 : position);
}

// Appends one piece of the text as shown; returns where it starts in plain.
int32_t AppendPiece(T_TextBuf* plain, const char* bytes, int32_t n) {
  if (n > 0 && bytes[0] == 13 && plain->length > 0) TextBufAppendChar(plain, ' ');
  int32_t at = plain->length;
  TextBufAppendBytes(plain, bytes, n);
  return at;
}

void MapPrefix(uint16_t* indexMap, int32_t sourceStart, int32_t n, int32_t plainStart,
               int32_t plainEnd) {
  for (int32_t i = 0; i < n; ++i) {
    int32_t position = plainStart + i;
    indexMap[sourceStart + i] = MapEntry(position < plainEnd ? position : plainEnd);
  }
}

bool LayoutRange(T_LinkContext* context, const char* text, const char* end, T_TextBuf* plain,
                 SpanList* spans, uint16_t* indexMap, int32_t hit, LinkRef* hitLink) {
  TextBufSetLength(plain, 0);
  if (spans != nullptr) SpanListReset(spans);
  if (hitLink != nullptr) ClearLink(hitLink);
  if (text == nullptr) return false;
  const char* cursor = text;
  LinkRef link;
  link.context = context;
  link.sourceText = text;
  T_TextBuf prefix;
  bool found = false;
  while (ParseRange(&link, &cursor, end, &prefix, text)) {
    int32_t prefixAt = AppendPiece(plain, prefix.data, prefix.length);
    if (indexMap != nullptr) {
      MapPrefix(indexMap, link.start - prefix.length, prefix.length, prefixAt, plain->length);
    }
    int32_t textAt = AppendPiece(plain, link.text.data, link.text.length);
    if (spans != nullptr) SpanListMark(spans, textAt, plain->length, 0, kLinkColour);
    if (indexMap != nullptr) {
      for (int32_t i = 0; i < link.length; ++i) {
        indexMap[link.start + i] = MapEntry(plain->length);
      }
    }
    if (hit >= 0 && !found && textAt <= hit && hit <= plain->length) {
      found = true;
      if (hitLink != nullptr) {
        T_TextBuf* editBuffer = hitLink->editBuffer;
        *hitLink = link;
        hitLink->editBuffer = editBuffer;
      }
    }
  }
  int32_t rest = static_cast<int32_t>(end - cursor);
  int32_t restAt = AppendPiece(plain, cursor, rest);
  if (indexMap != nullptr) {
    MapPrefix(indexMap, static_cast<int32_t>(cursor - text), rest, restAt, plain->length);
  }
  return found;
}

// --- Canonical markup -----------------------------------------------------------------------

// A target inside a tagged value: bytes that would end the value or the tag, or be decoded,
// become "%" and two upper-case hexadecimal digits; with strict, also blanks and "=", so that no
// attribute can be seen inside the value.
void AppendEncodedValue(T_TextBuf* out, const char* value, bool strict) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (const char* p = value; *p != 0; ++p) {
    char c = *p;
    if (c == '"' || c == '%' || c == '<' || c == '>' || (strict && (c == ' ' || c == '='))) {
      char escaped[3] = {'%', kHex[(c >> 4) & 15], kHex[c & 15]};
      TextBufAppendBytes(out, escaped, 3);
    } else {
      TextBufAppendChar(out, c);
    }
  }
}

// Null for a link of no kind.
const char* KeyOf(const LinkRef* link) {
  if (link->kind == kLinkFile) return "file";
  if (link->kind == kLinkUrl) return "href";
  if (link->kind == kLinkHandler && link->handler != nullptr) return link->handler->tag;
  return nullptr;
}

void WriteTagged(const LinkRef* link, bool strict, T_TextBuf* out) {
  TextBufAssign(out, "<a ");
  TextBufAppend(out, KeyOf(link));
  TextBufAppend(out, "=\"");
  AppendEncodedValue(out, link->target.c_str(), strict);
  TextBufAppend(out, "\">");
  TextBufAppendBuf(out, &link->text);
  TextBufAppend(out, "</a>");
}

// The address after "://" without its trailing slashes; null when the target holds no "://".
const char* BareTextOf(const LinkRef* link, int32_t* n) {
  const char* at = strstr(link->target.c_str(), "://");
  if (at == nullptr) return nullptr;
  const char* part = at + 3;
  int32_t length = static_cast<int32_t>(strlen(part));
  while (length > 0 && part[length - 1] == '/') --length;
  *n = length;
  return part;
}

// True when before + markup + after reads back with the markup as the same link.
bool ReadsBack(const LinkRef* link, const char* before, int32_t beforeLength,
               const T_TextBuf* markup, char after) {
  T_TextBuf probe;
  TextBufAssignBytes(&probe, before, beforeLength);
  TextBufAppendBuf(&probe, markup);
  if (after != 0) TextBufAppendChar(&probe, after);
  const char* cursor = probe.c_str();
  const char* end = cursor + probe.length;
  LinkRef found;
  found.context = link->context;
  while (ParseRange(&found, &cursor, end, nullptr, probe.c_str())) {
    if (found.start + found.length <= beforeLength) continue;  // a link of the text before
    return found.start == beforeLength && found.length == markup->length &&
           found.kind == link->kind && found.handler == link->handler &&
           strcmp(found.target.c_str(), link->target.c_str()) == 0;
  }
  return false;
}

// The canonical markup of a link written behind the bytes before and in front of the byte
// after (0: the end of the text).
void WriteMarkupBetween(const LinkRef* link, const char* before, int32_t beforeLength, char after,
                        T_TextBuf* out) {
  if (link->target.empty() || KeyOf(link) == nullptr) {
    TextBufAssignBuf(out, &link->text);
    return;
  }
  int32_t bareLength = 0;
  const char* bare = link->kind == kLinkUrl ? BareTextOf(link, &bareLength) : nullptr;
  if (bare != nullptr) {
    if (link->text.empty() ||
        (link->text.length == bareLength && memcmp(link->text.data, bare, bareLength) == 0)) {
      TextBufAssignBuf(out, &link->target);
      if (ReadsBack(link, before, beforeLength, out, after)) return;
    }
  } else if (link->kind != kLinkUrl &&
             (link->text.empty() || strcmp(link->text.c_str(), link->target.c_str()) == 0)) {
    TextBufAssign(out, KeyOf(link));
    TextBufAppend(out, "=\"");
    TextBufAppendBuf(out, &link->target);
    TextBufAppendChar(out, '"');
    if (ReadsBack(link, before, beforeLength, out, after)) return;
  }
  WriteTagged(link, false, out);
  if (ReadsBack(link, before, beforeLength, out, after)) return;
  T_TextBuf strict;
  WriteTagged(link, true, &strict);
  if (ReadsBack(link, before, beforeLength, &strict, after)) TextBufAssignBuf(out, &strict);
}

// --- Safety of addresses --------------------------------------------------------------------

bool HasLinkScheme(const char* url) {
  for (const char* scheme : kSchemes) {
    if (TextStartsNoCase(url, scheme)) return true;
  }
  return TextStartsNoCase(url, "mailto:");
}

// --- HTML -----------------------------------------------------------------------------------

void WriteHtml(T_LinkContext* context, T_OStream* stream, const char* text, bool withClass) {
  if (text == nullptr) return;
  if (!LinkText_HasLinks(context, text)) {
    stream->PutEscaped(text);
    return;
  }
  const char* cursor = text;
  const char* end = text + strlen(text);
  LinkRef link;
  link.context = context;
  T_TextBuf prefix;
  while (ParseRange(&link, &cursor, end, &prefix, text)) {
    stream->PutEscaped(prefix.c_str());
    if (link.text.empty()) continue;
    const char* target = link.target.c_str();
    if (link.kind == kLinkUrl && LinkUrl_IsSafeForPage(target)) {
      stream->PutText("<a");
      if (withClass && context != nullptr && context->classText != nullptr) {
        stream->PutAttributeAlways("class", context->classText);
      }
      stream->PutAttributeAlways("href", target);
      stream->PutChar('>');
      stream->PutEscaped(link.text.c_str());
      stream->PutText("</a>");
    } else if (link.kind == kLinkHandler && withClass && link.handler != nullptr) {
      link.handler->WriteLink(stream, target, link.text.c_str());
    } else if (withClass) {
      stream->PutText("<tt>");
      stream->PutEscaped(link.text.c_str());
      stream->PutText("</tt>");
    } else {
      stream->PutEscaped(link.text.c_str());
    }
  }
  stream->PutEscaped(cursor);
}

}  // namespace

// --- Span lists -----------------------------------------------------------------------------

SpanList::SpanList() : freeNodes(nullptr) {
  head = TextSpan{&sentinel, 0, 0, kLinkPlainColour};
  sentinel = TextSpan{nullptr, kSpanEnd, 0, kLinkPlainColour};
}

SpanList::~SpanList() {
  SpanListReset(this);
  while (TextSpan* node = freeNodes) {
    freeNodes = node->next;
    MemFree(node);
  }
}

void SpanListReset(SpanList* list) {
  while (list->head.next != &list->sentinel) {
    TextSpan* node = list->head.next;
    list->head.next = node->next;
    node->next = list->freeNodes;
    list->freeNodes = node;
  }
  list->head.flags = 0;
  list->head.colour = kLinkPlainColour;
}

TextSpan* SpanListFind(SpanList* list, int32_t position) {
  TextSpan* span = &list->head;
  while (span->next != nullptr && span->next->start <= position) span = span->next;
  return span;
}

bool SpanListMark(SpanList* list, int32_t start, int32_t end, uint16_t flags, uint16_t colour) {
  if (start < 0) start = 0;
  if (start >= end) return true;
  // Take both nodes a split may need before changing anything, so a failure leaves the list.
  TextSpan* spare[2] = {};
  for (TextSpan*& node : spare) {
    if (list->freeNodes != nullptr) {
      node = list->freeNodes;
      list->freeNodes = node->next;
    } else {
      node = static_cast<TextSpan*>(MemAlloc(sizeof(TextSpan), 0));
    }
  }
  if (spare[0] == nullptr || spare[1] == nullptr) {
    for (TextSpan* node : spare) {
      if (node == nullptr) continue;
      node->next = list->freeNodes;
      list->freeNodes = node;
    }
    return false;
  }
  int32_t used = 0;
  // The end first: its new node must copy the run as it was before the marking.
  for (int32_t at : {end, start}) {
    TextSpan* before = SpanListFind(list, at);
    if (before->start == at) continue;
    TextSpan* node = spare[used++];
    *node = TextSpan{before->next, at, before->flags, before->colour};
    before->next = node;
  }
  for (int32_t i = used; i < 2; ++i) {
    spare[i]->next = list->freeNodes;
    list->freeNodes = spare[i];
  }
  for (TextSpan* node = SpanListFind(list, start); node->start < end; node = node->next) {
    node->flags = flags;
    node->colour = colour;
  }
  for (TextSpan* previous = &list->head; previous->next != &list->sentinel;) {
    TextSpan* node = previous->next;
    if (node->flags == previous->flags && node->colour == previous->colour) {
      previous->next = node->next;
      node->next = list->freeNodes;
      list->freeNodes = node;
    } else {
      previous = node;
    }
  }
  return true;
}

// --- Parsing and layout ---------------------------------------------------------------------

bool LinkText_HasLinks(const T_LinkContext* context, const char* text) {
  return text != nullptr && HasLinksIn(context, text, text + strlen(text));
}

bool LinkText_Parse(LinkRef* link, const char** text, T_TextBuf* prefix) {
  if (text == nullptr || *text == nullptr) {
    ClearLink(link);
    return false;
  }
  const char* origin = link->sourceText != nullptr ? link->sourceText : *text;
  return ParseRange(link, text, *text + strlen(*text), prefix, origin);
}

bool LinkText_Layout(T_LinkContext* context, const char* text, T_TextBuf* plain, SpanList* spans,
                     uint16_t* indexMap, int32_t hit, LinkRef* hitLink) {
  const char* end = text != nullptr ? text + strlen(text) : nullptr;
  return LayoutRange(context, text, end, plain, spans, indexMap, hit, hitLink);
}

// --- Writing markup -------------------------------------------------------------------------

void LinkRef_WriteMarkup(const LinkRef* link, T_TextBuf* out) {
  WriteMarkupBetween(link, "", 0, 0, out);
}

void LinkText_Normalize(T_LinkContext* context, T_TextBuf* text) {
  if (!LinkText_HasLinks(context, text->c_str())) return;
  T_TextBuf source(*text);
  const char* cursor = source.c_str();
  const char* end = cursor + source.length;
  T_TextBuf out;
  T_TextBuf markup;
  int64_t wanted = 0;  // bytes the result needs, to notice a cut
  auto append = [&](const char* bytes, int32_t n) {
    TextBufAppendBytes(&out, bytes, n);
    wanted += n > 0 ? n : 0;
  };

  LinkRef link;
  link.context = context;
  T_TextBuf prefix;
  bool have = ParseRange(&link, &cursor, end, &prefix, source.c_str());
  while (have) {
    // The next link decides which byte follows this one's markup in the result.
    LinkRef next;
    next.context = context;
    T_TextBuf nextPrefix;
    bool haveNext = ParseRange(&next, &cursor, end, &nextPrefix, source.c_str());
    char after = 0;
    if (haveNext) {
      after = nextPrefix.empty() ? ' ' : nextPrefix.data[0];
    } else if (cursor < end) {
      after = *cursor;
    }

    if (!prefix.empty()) {
      append(prefix.data, prefix.length);
    } else if (out.length > 0) {
      append(" ", 1);
    }
    LinkRef_AdjustLink(&link);
    LinkRef_StripOwnBase(&link);
    int32_t tail = out.length < kContextBytes ? out.length : kContextBytes;
    WriteMarkupBetween(&link, out.data + out.length - tail, tail, after, &markup);
    append(markup.data, markup.length);

    link = next;
    TextBufAssignBuf(&prefix, &nextPrefix);
    have = haveNext;
  }
  int32_t rest = static_cast<int32_t>(end - cursor);
  if (rest == 0) {
    int32_t before = out.length;
    TextBufTrimRight(&out, ' ');
    wanted -= before - out.length;
  } else {
    append(cursor, rest);
  }
  // A result cut at the size limit would lose the end of the text; keep it as it was.
  if (wanted != out.length) return;
  TextBufAssignBuf(text, &out);
}

void LinkText_Apply(T_LinkContext* context, T_TextBuf* text, int32_t mode) {
  if (mode == 1) {
    LinkText_Normalize(context, text);
  } else if (mode == 4) {
    LinkText_StripBuf(context, text);
  }
}

void LinkText_FileLinkMarkup(T_TextBuf* out, const char* path) {
  TextBufAssign(out, "<a file=\"");
  AppendEncodedValue(out, path != nullptr ? path : "", false);
  TextBufAppend(out, "\">");
  if (path != nullptr) TextBufAppend(out, PathFindName(path));
  TextBufAppend(out, "</a>");
}

// --- The text as shown ----------------------------------------------------------------------

void LinkText_StripBuf(T_LinkContext* context, T_TextBuf* text) {
  if (!LinkText_HasLinks(context, text->c_str())) return;
  T_TextBuf plain;
  LinkText_Layout(context, text->c_str(), &plain, nullptr, nullptr, -1, nullptr);
  TextBufAssignBuf(text, &plain);
}

void LinkText_ToPlain(T_LinkContext* context, T_TextBuf* out, const char* text) {
  if (!LinkText_HasLinks(context, text)) {
    TextBufAssign(out, text);
    return;
  }
  LinkText_Layout(context, text, out, nullptr, nullptr, -1, nullptr);
}

const char* LinkText_PlainText(T_LinkContext* context, T_TextBuf* scratch, const char* text) {
  if (!LinkText_HasLinks(context, text)) return text;
  LinkText_Layout(context, text, scratch, nullptr, nullptr, -1, nullptr);
  return scratch->c_str();
}

void LinkText_WritePlain(T_LinkContext* context, T_OStream* stream, const char* text) {
  T_TextBuf scratch;
  stream->PutText(LinkText_PlainText(context, &scratch, text));
}

void LinkText_CriteriaPlainForm(void* linkContext, const char* text, int32_t length,
                                T_TextBuf* plain) {
  auto* context = static_cast<T_LinkContext*>(linkContext);
  if (text == nullptr || length <= 0) {
    TextBufSetLength(plain, 0);
  } else if (!HasLinksIn(context, text, text + length)) {
    TextBufAssignBytes(plain, text, length);
  } else {
    LayoutRange(context, text, text + length, plain, nullptr, nullptr, -1, nullptr);
  }
}

// --- HTML -----------------------------------------------------------------------------------

void LinkText_WriteHtml(T_LinkContext* context, T_OStream* stream, const char* text) {
  WriteHtml(context, stream, text, true);
}

void LinkText_WriteHtmlPlain(T_LinkContext* context, T_OStream* stream, const char* text) {
  WriteHtml(context, stream, text, false);
}

bool LinkUrl_IsSafeForPage(const char* url) {
  if (url == nullptr) return false;
  for (const char* scheme : kSchemes) {
    if (TextStartsNoCase(url, scheme)) return strcmp(scheme, "file:") != 0;
  }
  return false;
}

bool LinkUrl_IsSafeToFollow(const char* url) {
  if (url == nullptr) return false;
  return HasLinkScheme(url) || TextStartsNoCase(url, "www.");
}
