#include "core/cstring.h"

#include <cstring>

#include "core/files.h"
#include "core/locale.h"
#include "core/localized_text.h"
#include "core/memory.h"

namespace {

// Digits of the magnitude, least significant first; returns their number.
int32_t MagnitudeDigits(uint64_t magnitude, char* digits) {
  int32_t n = 0;
  do {
    digits[n++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude);
  return n;
}

uint64_t Magnitude(int64_t value) {
  return value < 0 ? ~static_cast<uint64_t>(value) + 1 : static_cast<uint64_t>(value);
}

void EmitSigned(char** cursor, int64_t value) {
  char digits[20];
  if (value < 0) *(*cursor)++ = '-';
  int32_t n = MagnitudeDigits(Magnitude(value), digits);
  while (n) *(*cursor)++ = digits[--n];
}

void EmitSignedWidth(char** cursor, int64_t value, int32_t width) {
  if (width < 1) width = 1;
  if (value < 0) *(*cursor)++ = '-';
  uint64_t m = Magnitude(value);
  char* p = *cursor + width;
  *cursor = p;
  while (width--) {
    *--p = static_cast<char>('0' + m % 10);
    m /= 10;
  }
}

// Runs a cursor writer on a buffer and ends it with a NUL.
template <typename Writer>
int32_t ToBuffer(char* buffer, Writer writer) {
  char* cursor = buffer;
  writer(&cursor);
  *cursor = 0;
  return static_cast<int32_t>(cursor - buffer);
}

constexpr char kHexDigits[] = "0123456789ABCDEF";

int32_t HexDigits(char* buffer, uint64_t value, int32_t n) {
  for (int32_t i = n - 1; i >= 0; --i) {
    buffer[i] = kHexDigits[value & 15];
    value >>= 4;
  }
  buffer[n] = 0;
  return n;
}

int32_t Log2Floor32(uint32_t v) {
  int32_t b = 0;
  while (v >= 2) {
    v >>= 1;
    ++b;
  }
  return b;
}

bool IsBlank(char c) { return c == ' '; }

}  // namespace

// --- Cursor writers ---------------------------------------------------------------------------

void EmitStr(char** cursor, const char* text) {
  if (text) EmitBytes(cursor, text, static_cast<int32_t>(std::strlen(text)));
}

void EmitBytes(char** cursor, const char* bytes, int32_t n) {
  if (n <= 0) return;
  std::memcpy(*cursor, bytes, static_cast<size_t>(n));
  *cursor += n;
}

void EmitTextBuf(char** cursor, const T_TextBuf* buffer) {
  EmitBytes(cursor, buffer->data, buffer->length);
}

void EmitBlockText(char** cursor, const char* block) {
  if (block) EmitBytes(cursor, block, static_cast<int32_t>(MemSize(block) - 1));
}

void EmitStringId(char** cursor, int32_t id) {
  if (id) EmitStr(cursor, GetString(id));
}

void EmitUtf16Char(char** cursor, uint32_t unit) { *cursor += Utf8Encode(*cursor, unit); }

void EmitShort(char** cursor, int16_t value) { EmitSigned(cursor, value); }
void EmitInt(char** cursor, int32_t value) { EmitSigned(cursor, value); }
void EmitInt64(char** cursor, int64_t value) { EmitSigned(cursor, value); }
void EmitIntWidth(char** cursor, int32_t value, int32_t width) {
  EmitSignedWidth(cursor, value, width);
}
void EmitInt64Width(char** cursor, int64_t value, int32_t width) {
  EmitSignedWidth(cursor, value, width);
}

void EmitInt64Grouped(char** cursor, int64_t value, uint32_t separator) {
  if (separator == kSeparatorGlobal) separator = SeparatorsGet().thousands;
  char digits[20];
  int32_t n = MagnitudeDigits(Magnitude(value), digits);
  if (value < 0) *(*cursor)++ = '-';
  while (n) {
    *(*cursor)++ = digits[--n];
    if (separator && n && n % 3 == 0) EmitUtf16Char(cursor, separator);
  }
}

void Emit2Digits(char** cursor, int32_t value) {
  *(*cursor)++ = static_cast<char>('0' + value / 10 % 10);
  *(*cursor)++ = static_cast<char>('0' + value % 10);
}

void Emit3Digits(char** cursor, int32_t value) {
  *(*cursor)++ = static_cast<char>('0' + value / 100 % 10);
  Emit2Digits(cursor, value % 100);
}

// --- Buffer writers ---------------------------------------------------------------------------

int32_t IntToStr(char* buffer, int32_t value) {
  return ToBuffer(buffer, [&](char** c) { EmitInt(c, value); });
}

int32_t IntToStrWidth(char* buffer, int32_t value, int32_t width) {
  return ToBuffer(buffer, [&](char** c) { EmitIntWidth(c, value, width); });
}

int32_t Int64ToStr(char* buffer, int64_t value) {
  return ToBuffer(buffer, [&](char** c) { EmitInt64(c, value); });
}

int32_t Int64ToStrWidth(char* buffer, int64_t value, int32_t width) {
  return ToBuffer(buffer, [&](char** c) { EmitInt64Width(c, value, width); });
}

int32_t Int64ToStrGrouped(char* buffer, int64_t value, uint32_t separator) {
  return ToBuffer(buffer, [&](char** c) { EmitInt64Grouped(c, value, separator); });
}

int32_t Hex4(char* buffer, uint32_t value) { return HexDigits(buffer, value, 4); }
int32_t Hex8(char* buffer, uint32_t value) { return HexDigits(buffer, value, 8); }

int32_t HexMin(char* buffer, int32_t value) {
  auto v = static_cast<uint32_t>(value);
  int32_t n = 1;
  while (n < 8 && (v >> (4 * n))) ++n;
  return HexDigits(buffer, v, n);
}

int32_t HexN(char* buffer, uint64_t value, int32_t n) {
  if (n < 0) n = 0;
  if (n > 16) n = 16;
  return HexDigits(buffer, value, n);
}

int32_t HexDump(char* buffer, const void* bytes, int32_t n, bool spaced) {
  auto* in = static_cast<const uint8_t*>(bytes);
  char* out = buffer;
  for (int32_t i = 0; i < n; ++i) {
    if (spaced && i) *out++ = ' ';
    *out++ = kHexDigits[in[i] >> 4];
    *out++ = kHexDigits[in[i] & 15];
  }
  *out = 0;
  return static_cast<int32_t>(out - buffer);
}

void CompactNumberText(char* buffer, int32_t value) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz./0123456789";
  uint32_t m = static_cast<uint32_t>(Magnitude(value));
  uint32_t code = value < 0 ? 2048 : 0;
  if (m < 128) {
    code |= m;
  } else {
    int32_t b = Log2Floor32(m);
    code |= (static_cast<uint32_t>(b - 5) << 6) | ((m >> (b - 6)) & 63);
  }
  buffer[0] = kAlphabet[(code >> 6) & 63];
  buffer[1] = kAlphabet[code & 63];
  buffer[2] = 0;
}

uint32_t ParseHex(const char* text, int32_t n) {
  uint32_t value = 0;
  if (!text) return 0;
  for (int32_t i = 0; i < n && text[i]; ++i) {
    auto c = static_cast<uint8_t>(text[i]);
    if (c < '0') continue;
    uint32_t code = c >= 'A' ? c - 7u : c;
    value = value * 16 + (code - '0');
  }
  return value;
}

uint32_t ParseHexBuf(const T_TextBuf* buffer) { return ParseHex(buffer->data, buffer->length); }

// --- Length and copy ----------------------------------------------------------------------------

int32_t StrLen(const char* text) { return text ? static_cast<int32_t>(std::strlen(text)) : 0; }

int32_t WStrLen(const wchar_t* text) {
  int32_t n = 0;
  if (text) {
    while (text[n]) ++n;
  }
  return n;
}

int32_t StrCopy(char* buffer, const char* text) {
  int32_t n = StrLen(text);
  return StrCopyBytes(buffer, text, n);
}

int32_t StrCopyBytes(char* buffer, const char* bytes, int32_t n) {
  if (n < 0) n = 0;
  if (n) std::memmove(buffer, bytes, static_cast<size_t>(n));
  buffer[n] = 0;
  return n;
}

int32_t StrCopyBytesN(char* buffer, int32_t capacity, const char* bytes, int32_t n) {
  if (capacity <= 0) return 0;
  if (n >= capacity) n = Utf8BoundaryAtOrBefore(bytes, capacity - 1);
  return StrCopyBytes(buffer, bytes, n);
}

int32_t StrCopyN(char* buffer, int32_t n, const char* text) {
  if (n <= 0) return 0;
  int32_t length = 0;
  if (text) {
    while (length < n && text[length]) ++length;
  }
  return StrCopyBytesN(buffer, n, text, length);
}

void StrAppend(char* buffer, const char* text) {
  if (text) StrCopy(buffer + std::strlen(buffer), text);
}

// --- Comparison and search ----------------------------------------------------------------------

bool StrEqual(const char* a, const char* b) {
  if (!a || !b) return a == b;
  return std::strcmp(a, b) == 0;
}

bool StrEqualNullAsEmpty(const char* a, const char* b) { return StrCompare(a, b) == 0; }

int32_t StrCompare(const char* a, const char* b) {
  int r = std::strcmp(a ? a : "", b ? b : "");  // strcmp compares as unsigned char
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int32_t StrCompareNullAsEmpty(const char* a, const char* b) { return StrCompare(a, b); }

int32_t StrCompareNullFirst(const char* a, const char* b) {
  if (!a || !b) return a ? 1 : (b ? -1 : 0);
  return StrCompare(a, b);
}

int32_t StrCompareNoCaseNullAsEmpty(const char* a, const char* b) { return StrCompareNoCase(a, b); }

int32_t StrCompareNoCaseNullLast(const char* a, const char* b) {
  if (!a || !b) return a ? -1 : (b ? 1 : 0);
  return StrCompareNoCase(a, b);
}

int32_t StrCompareByKind(const char* a, const char* b, int32_t kind) {
  return kind == kCaseSensitive ? StrCompare(a, b) : StrCompareNoCase(a, b);
}

bool StrStartsWith(const char* text, const char* prefix) {
  if (!prefix || !*prefix) return true;
  if (!text) return false;
  return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

int32_t StrFind(const char* text, const char* search) {
  if (!text || !*text) return -1;
  const char* hit = std::strstr(text, search ? search : "");
  return hit ? static_cast<int32_t>(hit - text) : -1;
}

int32_t StrFindChar(const char* text, char c) {
  if (!text) return -1;
  for (int32_t i = 0; text[i]; ++i) {
    if (text[i] == c) return i;
  }
  return -1;
}

bool PathIsKind(const char* path, int32_t flags) {
  if (!path) return false;
  bool slash = flags & kPathSlash;
  bool backslash = (flags & kPathBackslash) || !slash;
  bool absolute = (flags & kPathAbsolute) || !(flags & kPathRelative);
  bool relative = (flags & kPathRelative) || !(flags & kPathAbsolute);
  if (slash) {
    if (absolute && path[0] == '/' && path[1] && std::strchr(path + 2, '/')) return true;
    if (relative && path[0] != '/') return true;
  }
  if (backslash) {
    if (absolute) {
      if (path[0] == '\\' && path[1] == '\\' && path[2]) return true;
      char d = AsciiUpper(path[0]);
      if (d >= 'A' && d <= 'Z' && path[1] == ':' && path[2] == '\\') return true;
    }
    if (relative && path[0] != '\\' && (!path[0] || path[1] != ':')) return true;
  }
  return false;
}

bool PathEqualByHash(const char* a, const char* b) { return PathEqual(a, b); }

bool PathHasWildcards(const char* path) {
  if (!path) return false;
  const char* name = PathFindName(path);
  return name && (std::strchr(name, '*') || std::strchr(name, '?'));
}

namespace {
constexpr char kCaseModeLetters[] = "ULDWSN";
}  // namespace

int32_t CaseModeFromLetter(int32_t* out, char letter) {
  for (int32_t i = 0; i < 6; ++i) {
    if (kCaseModeLetters[i] == letter) {
      *out = i;
      return i;
    }
  }
  return -1;
}

char CaseModeToLetter(int32_t rule) { return rule >= 0 && rule < 6 ? kCaseModeLetters[rule] : 0; }

int32_t CharBreakClass(uint32_t code) {
  switch (code) {
    case ' ':
    case '-':
    case '.':
    case '/':
    case '_':
    case 0xA0:
    case 0x2026:
      return 1;
    case '"':
    case '#':
    case '\'':
    case '(':
    case ')':
    case ':':
    case ';':
    case '[':
    case ']':
    case '{':
    case '}':
      return 2;
    default:
      return 0;
  }
}

// --- In-place editing ---------------------------------------------------------------------------

int32_t StrReplaceChar(char* text, char from, char to) {
  if (!text) return 0;
  int32_t i = 0;
  for (; text[i]; ++i) {
    if (text[i] == from) text[i] = to;
  }
  return i;
}

int32_t StrRemoveControls(char* text) {
  if (!text) return 0;
  int32_t w = 0;
  for (int32_t r = 0; text[r]; ++r) {
    if (static_cast<uint8_t>(text[r]) >= 32) text[w++] = text[r];
  }
  text[w] = 0;
  return w;
}

int32_t StrBlankControls(char* text) {
  if (!text) return 0;
  int32_t i = 0;
  for (; text[i]; ++i) {
    if (static_cast<uint8_t>(text[i]) < 32) text[i] = ' ';
  }
  return i;
}

int32_t StrRemoveChars(char* text, const char* set) {
  if (!text) return 0;
  if (!set) set = "";
  int32_t w = 0;
  for (int32_t r = 0; text[r]; ++r) {
    if (!std::strchr(set, text[r])) text[w++] = text[r];
  }
  text[w] = 0;
  return w;
}

int32_t StrSquashBlanks(char* text) {
  if (!text) return 0;
  int32_t w = 0;
  for (int32_t r = 0; text[r]; ++r) {
    if (IsBlank(text[r]) && w && IsBlank(text[w - 1])) continue;
    text[w++] = text[r];
  }
  text[w] = 0;
  return w;
}

int32_t StrNormalizeLines(char* text) {
  if (!text) return 0;
  int32_t w = 0;
  for (int32_t r = 0; text[r]; ++r) {
    char c = text[r];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && text[r + 1] == '\n') ++r;
      while (w && IsBlank(text[w - 1])) --w;
      if (w) text[w++] = '\r';
    } else if (static_cast<uint8_t>(c) >= 32) {
      text[w++] = c;
    }
  }
  while (w && text[w - 1] == '\r') --w;
  text[w] = 0;
  return w;
}

namespace {

// The character reference at p ("&#" decimal digits ";" or "&#x" hexadecimal digits ";") for a
// code 1..U+10FFFF: its code and length; 0 when there is none.
uint32_t CharacterReference(const char* p, int32_t* length) {
  if (p[0] != '&' || p[1] != '#') return 0;
  bool hex = p[2] == 'x' || p[2] == 'X';
  int32_t i = hex ? 3 : 2;
  int32_t digits = 0;
  uint32_t code = 0;
  for (;; ++i) {
    char c = p[i];
    uint32_t d;
    if (c >= '0' && c <= '9') {
      d = static_cast<uint32_t>(c - '0');
    } else if (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) {
      d = static_cast<uint32_t>((c | 0x20) - 'a' + 10);
    } else {
      break;
    }
    code = code * (hex ? 16 : 10) + d;
    if (code > kMaxCodePoint) return 0;
    ++digits;
  }
  if (digits == 0 || p[i] != ';' || code == 0) return 0;
  *length = i + 1;
  return code;
}

}  // namespace

int32_t StrDecodeEntities(char* text) {
  if (!text) return 0;
  const EntityEntry* table = EntityTable();
  int32_t w = 0;
  for (int32_t r = 0; text[r];) {
    if (text[r] == '&') {
      const char* at = text + r;
      // A reference is never shorter than the character's UTF-8 form, and neither is a name:
      // writing in place never overtakes the reading position.
      int32_t length = 0;
      if (uint32_t code = CharacterReference(at, &length)) {
        w += Utf8Encode(text + w, code);
        r += length;
        continue;
      }
      bool decoded = false;
      for (int32_t i = 0; i < kEntityCount && !decoded; ++i) {
        size_t n = std::strlen(table[i].name);
        if (std::strncmp(at, table[i].name, n) == 0) {
          w += Utf8Encode(text + w, table[i].unit);
          r += static_cast<int32_t>(n);
          decoded = true;
        }
      }
      if (decoded) continue;
    }
    text[w++] = text[r++];
  }
  text[w] = 0;
  return w;
}

void StrToUpper(char* text) { CaseModeApply(text, kCaseUpper); }
void StrToLower(char* text) { CaseModeApply(text, kCaseLower); }
void WStrToUpper(wchar_t* text) { WideCaseModeApply(text, kCaseUpper); }
void WStrToLower(wchar_t* text) { WideCaseModeApply(text, kCaseLower); }
void WStrCapitalize(wchar_t* text) { WideCaseModeApply(text, kCaseStandard); }

int32_t LetterIndex(const char* letters, char c) {
  if (c == 0) return -1;
  const char* at = std::strchr(letters, c);
  return at ? static_cast<int32_t>(at - letters) : -1;
}
