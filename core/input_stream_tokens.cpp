// The token readers of T_IStream: XML tags and text runs, attribute lists, name=value items and
// the configurable tokenizer of the command language.
#include <cstring>

#include "core/alert.h"
#include "core/cstring.h"
#include "core/input_stream.h"
#include "core/locale.h"
#include "core/memory.h"
#include "core/owned_text.h"

namespace {

constexpr int32_t kTokenMax = kTokenBufferSize - 1;  // longer tokens are cut

bool IsSpace(char c) { return static_cast<uint8_t>(c) <= 32; }

// Appends to the token buffer, cutting at its end.
struct TokenWriter {
  char* buffer;
  int32_t length = 0;
  void Add(char c) {
    if (length < kTokenMax) buffer[length++] = c;
  }
  void Finish() { buffer[length] = 0; }
};

void DecodeEntities(T_TextBuf* text) {
  int32_t n = StrDecodeEntities(text->data);
  TextBufSetLength(text, n);
}

}  // namespace

bool T_IStream::EnsureTokenBuffer() {
  if (tokenBuffer == nullptr) tokenBuffer = static_cast<char*>(MemAlloc(kTokenBufferSize, 0));
  return tokenBuffer != nullptr;
}

// The next character of the token stream, reading further lines; false at the end of the input.
// Lines are joined with nothing between them, or with a blank where the line break counts as one
// (inside a tag it separates the name and the attributes as any blank does).
bool T_IStream::XmlNextChar(char* c, bool breakAsBlank) {
  bool crossed = false;
  while (tokenCursor == nullptr || tokenCursor >= lineEnd) {
    crossed |= tokenCursor != nullptr;
    if (!NextLine()) return false;
  }
  if (crossed && breakAsBlank) {
    *c = ' ';  // the character at the cursor comes with the next call
    return true;
  }
  *c = *tokenCursor++;
  return true;
}

// --- XML
// ------------------------------------------------------------------------------------------------

bool T_IStream::NextXmlToken() {
  fieldStart = "";
  fieldLength = 0;
  if (!EnsureTokenBuffer()) return false;
  for (;;) {
    char c;
    do {
      if (!XmlNextChar(&c, false)) return false;
    } while (IsSpace(c));
    TokenWriter token{tokenBuffer};
    if (c != '<') {
      // A text run up to the next tag, trailing blanks dropped.
      for (;;) {
        token.Add(IsSpace(c) ? ' ' : c);
        bool more = false;
        for (;;) {
          if (tokenCursor != nullptr && tokenCursor < lineEnd) {
            more = true;
            break;
          }
          if (!NextLine()) break;
        }
        if (!more || *tokenCursor == '<') break;
        c = *tokenCursor++;
      }
      while (token.length > 0 && IsSpace(token.buffer[token.length - 1])) --token.length;
      token.Finish();
      xmlAttributeCursor = tokenBuffer + token.length;
      fieldStart = tokenBuffer;
      fieldLength = token.length;
      return token.length > 0;
    }
    token.Add('<');
    int32_t attributes = -1;
    int32_t copied = 1;
    bool comment = false;
    char quote = 0;  // the quote mark of the attribute value being copied
    char last3[3] = {0, 0, 0};
    while (XmlNextChar(&c, true)) {
      if (quote != 0 && c == '<') {
        // No value holds a bare "<": the closing quote is missing. The tag ends here, and the
        // "<" starts the next token rather than the value swallowing the document behind it.
        --tokenCursor;
        break;
      }
      if (IsSpace(c)) {
        c = ' ';
        if (attributes < 0) attributes = token.length;
      }
      token.Add(c);
      ++copied;
      last3[0] = last3[1];
      last3[1] = last3[2];
      last3[2] = c;
      if (copied == 4) comment = memcmp(tokenBuffer, "<!--", 4) == 0;
      if (comment) {
        if (copied >= 7 && memcmp(last3, "-->", 3) == 0) break;
      } else if (quote != 0) {
        if (c == quote) quote = 0;
      } else if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == '>') {
        break;
      }
    }
    if (comment) continue;  // dropped; scanning starts again
    token.Finish();
    xmlAttributeCursor = tokenBuffer + (attributes < 0 ? token.length : attributes);
    fieldStart = tokenBuffer;
    fieldLength = token.length;
    // A tag cut by the end of the input is handed out as it stands.
    return true;
  }
}

bool T_IStream::FieldIsTag(const char* name) const {
  if (fieldLength < 2 || fieldStart[0] != '<' || name == nullptr) return false;
  int32_t n = static_cast<int32_t>(strlen(name));
  if (fieldLength < 1 + n) return false;
  for (int32_t i = 0; i < n; ++i) {
    if (AsciiUpper(fieldStart[1 + i]) != AsciiUpper(name[i])) return false;
  }
  if (fieldLength == 1 + n) return false;
  char after = fieldStart[1 + n];
  return after == '>' || after == '/' || IsSpace(after);
}

bool T_IStream::FieldIsOneOfTags(const char* list) const {
  if (list == nullptr) return false;
  char name[128];
  const char* p = list;
  while (*p != 0) {
    while (*p == ' ') ++p;
    int32_t n = 0;
    while (p[n] != 0 && p[n] != ' ') ++n;
    if (n > 0 && n < static_cast<int32_t>(sizeof(name))) {
      memcpy(name, p, static_cast<size_t>(n));
      name[n] = 0;
      if (FieldIsTag(name)) return true;
    }
    p += n;
  }
  return false;
}

bool T_IStream::FieldIsEndTag() const {
  if (fieldLength < 2 || fieldStart[0] != '<') return false;
  int32_t i = 1;
  while (i < fieldLength && IsSpace(fieldStart[i])) ++i;
  if (i < fieldLength && fieldStart[i] == '/') return true;
  int32_t j = fieldLength - 1;
  while (j > 0 && (fieldStart[j] == ' ' || fieldStart[j] == '>')) --j;
  return j > 0 && fieldStart[j] == '/' && memchr(fieldStart + j, '>', fieldLength - j) != nullptr;
}

bool T_IStream::FieldEquals(const char* text) const {
  int32_t n = text == nullptr ? 0 : static_cast<int32_t>(strlen(text));
  if (n != fieldLength) return false;
  T_TextBuf field;
  TextBufAssignBytes(&field, fieldStart, fieldLength);
  return StrEqualNoCase(field.c_str(), text);
}

void T_IStream::TagName(T_TextBuf* name) const {
  int32_t i = 0;
  if (i < fieldLength && fieldStart[i] == '<') ++i;
  while (i < fieldLength && static_cast<uint8_t>(fieldStart[i]) < 32) ++i;
  int32_t from = i;
  while (i < fieldLength && fieldStart[i] != '/' && fieldStart[i] != '>' && !IsSpace(fieldStart[i]))
    ++i;
  TextBufAssignBytes(name, fieldStart + from, i - from);
}

bool T_IStream::NextXmlAttribute(T_TextBuf* name, T_TextBuf* value) {
  TextBufAssign(name, "");
  TextBufAssign(value, "");
  char* p = xmlAttributeCursor;
  if (p == nullptr || tokenBuffer == nullptr) return false;
  while (*p == ' ') ++p;
  char* from = p;
  while (*p != 0 && *p != '=' && *p != '/' && *p != '>' && *p != ' ') ++p;
  if (p == from) {
    xmlAttributeCursor = p;
    return false;
  }
  TextBufAssignBytes(name, from, static_cast<int32_t>(p - from));
  char* q = p;
  while (*q == ' ') ++q;
  if (*q == '=') {
    ++q;
    while (*q == ' ') ++q;
    if (*q == '"' || *q == '\'') {
      // The tag ended at a ">" outside quotes, so one inside the value belongs to it.
      char quote = *q;
      char* start = ++q;
      while (*q != 0 && *q != quote) ++q;
      TextBufAssignBytes(value, start, static_cast<int32_t>(q - start));
      if (*q == quote) ++q;
      DecodeEntities(value);
    }
    p = q;
  }
  xmlAttributeCursor = p;
  return true;
}

bool T_IStream::ReadElementContent(T_TextBuf* text) {
  TextBufAssign(text, "");
  if (FieldIsEndTag() || fieldLength < 2 || fieldStart[0] != '<') return false;
  T_TextBuf name;
  TagName(&name);
  T_TextBuf end("/");
  TextBufAppendBuf(&end, &name);
  int32_t depth = 1;
  while (NextXmlToken()) {
    if (fieldStart[0] != '<') {
      TextBufAppendBytes(text, fieldStart, fieldLength);
    } else if (FieldIsTag(end.c_str())) {
      if (--depth == 0) break;
    } else if (FieldIsTag(name.c_str()) && !FieldIsEndTag()) {
      ++depth;
    }
  }
  DecodeEntities(text);
  return true;
}

bool T_IStream::ReadElementText(const char* name, T_TextBuf* text) {
  if (!FieldIsTag(name)) {
    TextBufAssign(text, "");
    return false;
  }
  return ReadElementContent(text);
}

void T_IStream::SkipElement() {
  if (fieldLength < 2 || fieldStart[0] != '<' || FieldIsEndTag()) return;
  int32_t depth = 1;
  while (depth > 0 && !AbortRequested() && NextXmlToken()) {
    if (fieldStart[0] != '<' ||
        (fieldLength > 1 && (fieldStart[1] == '?' || fieldStart[1] == '!'))) {
      continue;
    }
    int32_t i = 1;
    while (i < fieldLength && IsSpace(fieldStart[i])) ++i;
    if (i < fieldLength && fieldStart[i] == '/') {
      --depth;
    } else if (!FieldIsEndTag()) {
      ++depth;
    }
  }
}

// --- name=value items of a line
// -------------------------------------------------------------------------

bool T_IStream::NextLineAttribute(T_TextBuf* name, T_TextBuf* value) {
  TextBufAssign(name, "");
  TextBufAssign(value, "");
  char* p = tokenCursor;
  if (p == nullptr) return false;
  while (p < lineEnd && *p == ' ') ++p;
  char* from = p;
  while (p < lineEnd && *p != ' ' && *p != '=') ++p;
  if (p == from) {
    tokenCursor = p;
    return false;
  }
  TextBufAssignBytes(name, from, static_cast<int32_t>(p - from));
  if (p < lineEnd && *p == '=') {
    ++p;
    while (p < lineEnd && *p == ' ') ++p;
    char* start = p;
    if (p < lineEnd && *p == '"') {
      start = ++p;
      while (p < lineEnd && *p != '"') ++p;
      TextBufAssignBytes(value, start, static_cast<int32_t>(p - start));
      if (p < lineEnd) ++p;
    } else {
      while (p < lineEnd && *p != ' ') ++p;
      TextBufAssignBytes(value, start, static_cast<int32_t>(p - start));
    }
    DecodeEntities(value);
  }
  tokenCursor = p;
  return true;
}

// --- Command tokens
// -------------------------------------------------------------------------------------

bool T_IStream::TokenNextLine() {
  const bool stop = tokenFlags & kTokenStopAtSections;
  auto atSection = [this] {
    return lineEnd - lineStart >= 2 && lineStart[0] == '#' && lineStart[1] == '#';
  };
  // Once stopped at a section line, a further token read stays there too.
  if (stop && lineStart != nullptr && atSection()) return false;
  if (!NextLine()) return false;
  if (stop && atSection()) {
    fieldCursor = lineStart;
    tokenCursor = lineEnd;
    return false;
  }
  return true;
}

bool T_IStream::NextToken() {
  fieldStart = "";
  fieldLength = 0;
  if (!EnsureTokenBuffer()) return false;
  const uint32_t f = tokenFlags;
  const bool semicolonSpecial =
      f & (kTokenSemicolon | kTokenSemicolonComment | kTokenSemicolonCommentToken);
  const bool hashSpecial = f & (kTokenHashComment | kTokenHashCommentToken);
  const bool slashSpecial = f & (kTokenSlashComment | kTokenSlashCommentToken);
  const bool blockSpecial = f & (kTokenBlockComment | kTokenBlockCommentToken);
  auto at = [&](const char* p, const char* text) {
    size_t n = strlen(text);
    return static_cast<size_t>(lineEnd - p) >= n && memcmp(p, text, n) == 0;
  };
  // True when a special token starts at p (a word ends before it).
  auto startsSpecial = [&](const char* p) {
    char c = *p;
    if ((f & kTokenParentheses) && (c == '(' || c == ')')) return true;
    if ((f & kTokenBrackets) && (c == '[' || c == ']')) return true;
    if ((f & kTokenBraces) && (c == '{' || c == '}')) return true;
    if ((f & kTokenEquals) && c == '=') return true;
    if ((f & kTokenAssign) && at(p, ":=")) return true;
    if (semicolonSpecial && c == ';') return true;
    if (hashSpecial && c == '#') return true;
    if (slashSpecial && at(p, "//")) return true;
    if (blockSpecial && at(p, "/*")) return true;
    return false;
  };
  // A comment to the line end: skipped, or handed out as a token. A final backslash continues
  // it on the next line (skipped) or is dropped (token).
  auto lineComment = [&](bool skip) -> int {
    char* from = tokenCursor;
    int32_t n = static_cast<int32_t>(lineEnd - from);
    tokenCursor = lineEnd;
    bool continued = (f & kTokenBackslashContinues) && n > 0 && from[n - 1] == '\\';
    if (skip) return continued ? (TokenNextLine() ? 2 : 0) : 1;
    if (continued) --n;
    fieldStart = from;
    fieldLength = n;
    return 3;
  };

  for (;;) {
    if (tokenCursor == nullptr) return false;
    while (tokenCursor < lineEnd && IsSpace(*tokenCursor)) ++tokenCursor;
    if (tokenCursor >= lineEnd) {
      if (!(f & kTokenAcrossLines) || !TokenNextLine()) return false;
      continue;
    }
    char* p = tokenCursor;
    char c = *p;
    if ((f & kTokenBackslashContinues) && c == '\\') {
      if (!TokenNextLine()) return false;
      continue;
    }
    if (at(p, "//") && (f & (kTokenSlashComment | kTokenSlashCommentToken))) {
      int r = lineComment(f & kTokenSlashComment);
      if (r == 3) return true;
      if (r == 0) return false;
      if (r == 1 && !(f & kTokenAcrossLines)) return false;
      continue;
    }
    if (at(p, "/*") && (f & (kTokenBlockComment | kTokenBlockCommentToken))) {
      bool skip = f & kTokenBlockComment;
      TokenWriter token{tokenBuffer};
      int32_t depth = 0;
      bool done = false;
      while (!done) {
        while (tokenCursor < lineEnd) {
          if (at(tokenCursor, "/*")) {
            ++depth;
            token.Add('/');
            token.Add('*');
            tokenCursor += 2;
          } else if (at(tokenCursor, "*/")) {
            --depth;
            token.Add('*');
            token.Add('/');
            tokenCursor += 2;
            if (depth == 0) {
              done = true;
              break;
            }
          } else {
            token.Add(*tokenCursor++);
          }
        }
        if (!done) {
          if (!TokenNextLine()) break;  // an open comment ends with the input
          token.Add('\r');
        }
      }
      if (skip) {
        if (!done) return false;
        continue;
      }
      token.Finish();
      fieldStart = tokenBuffer;
      fieldLength = token.length;
      return true;
    }
    if (c == ';' && (f & kTokenSemicolon)) {
      fieldStart = p;
      fieldLength = 1;
      tokenCursor = p + 1;
      return true;
    }
    if ((c == '#' && (f & (kTokenHashComment | kTokenHashCommentToken))) ||
        (c == ';' && (f & (kTokenSemicolonComment | kTokenSemicolonCommentToken)))) {
      bool skip = c == '#' ? (f & kTokenHashComment) : (f & kTokenSemicolonComment);
      int r = lineComment(skip);
      if (r == 3) return true;
      if (r == 0) return false;
      if (r == 1 && !(f & kTokenAcrossLines)) return false;
      continue;
    }
    if ((f & kTokenAssign) && at(p, ":=")) {
      fieldStart = p;
      fieldLength = 2;
      tokenCursor = p + 2;
      return true;
    }
    if (startsSpecial(p)) {  // one-character tokens
      fieldStart = p;
      fieldLength = 1;
      tokenCursor = p + 1;
      return true;
    }
    // A word, with quoted parts assembled in the token buffer.
    TokenWriter token{tokenBuffer};
    bool assembled = false;
    char* q = p;
    while (q < lineEnd && !IsSpace(*q) && !(q > p && startsSpecial(q))) {
      char quote = *q;
      if ((quote == '\'' && (f & kTokenSingleQuotes)) ||
          (quote == '"' && (f & kTokenDoubleQuotes))) {
        if (!assembled) {
          for (char* r = p; r < q; ++r) token.Add(*r);
          assembled = true;
        }
        ++q;
        while (q < lineEnd && *q != quote) {
          if (*q == '\\' && q + 1 < lineEnd && q[1] == quote) {
            token.Add('\\');
            token.Add(quote);
            q += 2;
            continue;
          }
          token.Add(*q++);
        }
        if (q >= lineEnd) break;  // a quoted part reaching the line end ends the token
        ++q;
        continue;
      }
      if (assembled) token.Add(*q);
      ++q;
    }
    tokenCursor = q;
    if (assembled) {
      token.Finish();
      fieldStart = tokenBuffer;
      fieldLength = token.length;
    } else {
      fieldStart = p;
      fieldLength = static_cast<int32_t>(q - p);
      if (fieldLength > kTokenMax) fieldLength = kTokenMax;
    }
    return true;
  }
}

bool T_IStream::ReadToken(T_TextBuf* text) {
  bool found = NextToken();
  TextBufAssignBytes(text, fieldStart, found ? fieldLength : 0);
  return found;
}

// --- Attribute lists
// ------------------------------------------------------------------------------------

void AttrListInit(AttrList* list) {
  list->count = 0;
  for (int32_t i = 0; i < kAttrListMax; ++i) list->names[i] = list->values[i] = nullptr;
}

void AttrListClear(AttrList* list) {
  for (int32_t i = 0; i < list->count; ++i) {
    BlockTextFree(&list->names[i]);
    BlockTextFree(&list->values[i]);
  }
  list->count = 0;
}

void AttrListFree(AttrList* list) { AttrListClear(list); }

void AttrListAdd(AttrList* list, const char* name, const char* value) {
  if (list->count >= kAttrListMax) return;
  list->names[list->count] = StrDup(name);
  list->values[list->count] = StrDup(value);
  ++list->count;
}

void AttrListRead(AttrList* list, T_IStream* stream) {
  AttrListClear(list);
  T_TextBuf name, value;
  while (stream->NextXmlAttribute(&name, &value)) AttrListAdd(list, name.c_str(), value.c_str());
}

bool AttrListGet(const AttrList* list, const char* name, T_TextBuf* value) {
  for (int32_t i = 0; i < list->count; ++i) {
    if (StrEqualNoCase(list->names[i], name)) {
      TextBufAssign(value, list->values[i]);
      return true;
    }
  }
  TextBufAssign(value, "");
  return false;
}
