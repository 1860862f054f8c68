#include "core/placeholders.h"

#include <cstring>

#include "core/cstring.h"
#include "core/owned_text.h"
#include "core/strict_utf8.h"

namespace {

char gProgramName[25];
char gProgramSuffix[17];

void FillBytes(T_TextBuf* buffer, int32_t digit, const char* bytes, int32_t n) {
  if (digit >= 0 && digit <= 9) digit += '0';
  if (digit < '0' || digit > '9') return;
  if (n < 0) n = 0;
  if (n > 0 && bytes >= buffer->data && bytes <= buffer->data + buffer->capacity) {
    // Filling a text with itself: work from a copy, the buffer changes under the scan.
    T_TextBuf copy;
    TextBufAssignBytes(&copy, bytes, n);
    FillBytes(buffer, digit, copy.data, copy.length);
    return;
  }
  for (int32_t i = 0; i + 1 < buffer->length;) {
    if (buffer->data[i] != '@' || buffer->data[i + 1] != digit) {
      ++i;
      continue;
    }
    int32_t take = n;
    int32_t room = kTextBufMax - (buffer->length - 2);
    if (take > room) take = Utf8BoundaryAtOrBefore(bytes, room);
    if (!TextBufReplaceBytes(buffer, i, 2, bytes, take)) return;  // memory ran out
    i += take;
  }
}

// Escapes are read in either letter case: browsers and gateways send both.
bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}
int32_t HexValue(char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; }

bool IsSeparator(char c) { return c == '&' || c == '?'; }

// The value bytes that travel escaped.
bool NeedsEscape(uint8_t c) {
  if (c < 32 || c >= 0x80) return true;
  return std::strchr("+%&=#?/\"<>", c) != nullptr;
}

// The end of the pair that starts at p: the next separator or the end.
const char* PairEnd(const char* p) {
  while (*p && !IsSeparator(*p)) ++p;
  return p;
}

// True when the pair at p starts with name "=".
bool PairHasName(const char* p, const char* name, int32_t nameLength) {
  return std::strncmp(p, name, static_cast<size_t>(nameLength)) == 0 && p[nameLength] == '=';
}

}  // namespace

void TextBufFillParamBytes(T_TextBuf* buffer, int32_t digit, const char* bytes, int32_t n) {
  FillBytes(buffer, digit, bytes, n);
}

void TextBufFillParamBuf(T_TextBuf* buffer, int32_t digit, const T_TextBuf* text) {
  FillBytes(buffer, digit, text->data, text->length);
}

void TextBufFillParam(T_TextBuf* buffer, int32_t digit, const char* text) {
  FillBytes(buffer, digit, text, StrLen(text));
}

void TextBufFillParamBlock(T_TextBuf* buffer, int32_t digit, const char* block) {
  FillBytes(buffer, digit, block, BlockTextLength(block));
}

void TextBufFillParamInt(T_TextBuf* buffer, int32_t digit, int32_t value) {
  char text[16];
  FillBytes(buffer, digit, text, IntToStr(text, value));
}

void TextBufFillParamInt64(T_TextBuf* buffer, int32_t digit, int64_t value) {
  char text[32];
  FillBytes(buffer, digit, text, Int64ToStr(text, value));
}

void TextBufAbbreviate(T_TextBuf* buffer, int32_t limit, int32_t position, const char* text) {
  if (limit < 0 || buffer->length <= limit) return;
  if (position < 0) position = 0;
  if (position > buffer->length) position = buffer->length;
  int32_t end = position + (buffer->length - limit + 1);
  if (end > buffer->length) end = buffer->length;
  // Whole characters only: the start moves back to a lead byte, the end forward past the
  // continuation bytes.
  auto isContinuation = [buffer](int32_t i) {
    return i < buffer->length && (static_cast<uint8_t>(buffer->data[i]) & 0xC0) == 0x80;
  };
  while (position > 0 && isContinuation(position)) --position;
  while (isContinuation(end)) ++end;
  TextBufReplace(buffer, position, end - position, text);
}

void ProgramTitleSetParts(const char* name, const char* suffix) {
  StrCopyN(gProgramName, sizeof gProgramName, name);
  StrCopyN(gProgramSuffix, sizeof gProgramSuffix, suffix);
}

void ProgramTitle(T_TextBuf* buffer) {
  TextBufAssign(buffer, gProgramName);
  TextBufAppend(buffer, gProgramSuffix);
}

// --- URL query texts --------------------------------------------------------------------------

void UrlAppendHexByte(T_TextBuf* buffer, uint8_t byte) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  char text[3] = {'%', kHex[byte >> 4], kHex[byte & 15]};
  // All three bytes or none: half an escape would decode to something else.
  if (TextBufGrow(buffer, buffer->length + 3) >= buffer->length + 3)
    TextBufAppendBytes(buffer, text, 3);
}

void UrlEscapeSpecial(T_TextBuf* buffer) {
  T_TextBuf out;
  // Runs between the special bytes are copied whole; at the cap the text ends before the first
  // piece that does not fit, so nothing is lost from its middle and no character is split.
  int32_t run = 0;
  for (int32_t i = 0; i <= buffer->length; ++i) {
    bool end = i == buffer->length;
    char c = end ? 0 : buffer->data[i];
    if (!end && c != '"' && c != '%' && c != '<' && c != '>') continue;
    int32_t before = out.length;
    TextBufAppendBytes(&out, buffer->data + run, i - run);
    if (out.length - before < i - run || end) break;
    before = out.length;
    UrlAppendHexByte(&out, static_cast<uint8_t>(c));
    if (out.length == before) break;
    run = i + 1;
  }
  TextBufAssignBuf(buffer, &out);
}

void UrlDecode(T_TextBuf* buffer) {
  char* d = buffer->data;
  int32_t w = 0;
  for (int32_t r = 0; r < buffer->length; ++r) {
    if (d[r] == '+') {
      d[w++] = ' ';
    } else if (d[r] == '%' && r + 2 < buffer->length && IsHexDigit(d[r + 1]) &&
               IsHexDigit(d[r + 2])) {
      d[w++] = static_cast<char>(HexValue(d[r + 1]) * 16 + HexValue(d[r + 2]));
      r += 2;
    } else {
      d[w++] = d[r];
    }
  }
  TextBufSetLength(buffer, w);
  // %-escapes can spell any bytes: what they give is a text only when it is UTF-8.
  MakeStrictUtf8(buffer);
}

void UrlAddParam(T_TextBuf* buffer, const char* name, const char* value) {
  if (buffer->length > 0 && !IsSeparator(buffer->data[buffer->length - 1])) {
    TextBufAppendChar(buffer, StrFindChar(buffer->data, '?') < 0 ? '?' : '&');
  }
  TextBufAppend(buffer, name);
  TextBufAppendChar(buffer, '=');
  if (!value) return;
  for (const char* p = value; *p;) {
    auto lead = static_cast<uint8_t>(*p);
    int32_t len = Utf8SeqLen(lead);
    if (lead >= 0x80 && (len == 1 || Utf8Decode(p) == 0)) return;  // invalid lead: the value ends
    for (int32_t i = 0; i < len; ++i, ++p) {
      auto c = static_cast<uint8_t>(*p);
      int32_t before = buffer->length;
      if (c == ' ') {
        TextBufAppendChar(buffer, '+');
      } else if (NeedsEscape(c)) {
        UrlAppendHexByte(buffer, c);
      } else {
        TextBufAppendChar(buffer, static_cast<char>(c));
      }
      // At the cap the value ends; a later byte that still fits must not close the gap.
      if (buffer->length == before) return;
    }
  }
}

void UrlRemoveParam(T_TextBuf* buffer, const char* name) {
  int32_t nameLength = StrLen(name);
  if (!nameLength) return;
  int32_t start = 0;
  while (start <= buffer->length) {
    const char* p = buffer->data + start;
    if (PairHasName(p, name, nameLength)) {
      const char* end = PairEnd(p);
      int32_t endIndex = static_cast<int32_t>(end - buffer->data);
      if (*end) {
        TextBufDelete(buffer, start, endIndex + 1 - start);
        continue;  // the next pair now starts here
      }
      int32_t from = start > 0 ? start - 1 : start;
      TextBufDelete(buffer, from, endIndex - from);
      return;
    }
    const char* end = PairEnd(p);
    if (!*end) return;
    start = static_cast<int32_t>(end - buffer->data) + 1;
  }
}

void UrlSetParam(T_TextBuf* buffer, const char* name, const char* value) {
  UrlRemoveParam(buffer, name);
  UrlAddParam(buffer, name, value);
}

bool UrlHasParam(const char* text, const char* name, const char* value) {
  int32_t nameLength = StrLen(name);
  int32_t valueLength = StrLen(value);
  if (!text) return false;
  for (const char* p = text;;) {
    if (PairHasName(p, name, nameLength)) {
      const char* v = p + nameLength + 1;
      if (std::strncmp(v, value ? value : "", static_cast<size_t>(valueLength)) == 0 &&
          (!v[valueLength] || IsSeparator(v[valueLength]))) {
        return true;
      }
    }
    const char* end = PairEnd(p);
    if (!*end) return false;
    p = end + 1;
  }
}

void UrlGetParam(const char* text, const char* name, T_TextBuf* value) {
  TextBufSetLength(value, 0);
  int32_t nameLength = StrLen(name);
  if (!text) return;
  for (const char* p = text;;) {
    const char* end = PairEnd(p);
    if (PairHasName(p, name, nameLength)) {
      const char* v = p + nameLength + 1;
      TextBufAssignBytes(value, v, static_cast<int32_t>(end - v));
      UrlDecode(value);
      return;
    }
    if (!*end) return;
    p = end + 1;
  }
}

bool UrlNextParam(const char** cursor, T_TextBuf* name, T_TextBuf* value) {
  TextBufSetLength(name, 0);
  TextBufSetLength(value, 0);
  if (!*cursor) return false;
  const char* pairStart = *cursor;
  const char* equals = nullptr;
  bool voided = false;
  for (const char* p = *cursor;; ++p) {
    char c = *p;
    if (c == '/') {
      voided = true;
    } else if (c == '=') {
      equals = p;
    } else if (IsSeparator(c) || !c) {
      if (!voided && equals && equals > pairStart) {
        TextBufAssignBytes(name, pairStart, static_cast<int32_t>(equals - pairStart));
        TextBufAssignBytes(value, equals + 1, static_cast<int32_t>(p - equals - 1));
        UrlDecode(value);
        *cursor = c ? p + 1 : p;
        return true;
      }
      if (!c) {
        *cursor = p;
        return false;
      }
      pairStart = p + 1;
      equals = nullptr;
      voided = false;
    }
  }
}
