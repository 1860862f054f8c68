#include "core/utf8.h"

#include "core/locale.h"

namespace {

inline bool IsContinuation(uint8_t b) { return (b & 0xC0) == 0x80; }

// The well-formed length announced by the lead byte (1 to 4), 0 for a byte that leads nothing.
// The second byte's range rules out overlong forms and codes above U+10FFFF.
int32_t LeadLength(uint8_t lead, uint8_t* low, uint8_t* high) {
  *low = 0x80;
  *high = 0xBF;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) {
    if (lead == 0xE0) *low = 0xA0;
    return 3;
  }
  if (lead >= 0xF0 && lead <= 0xF4) {
    if (lead == 0xF0) *low = 0x90;
    if (lead == 0xF4) *high = 0x8F;
    return 4;
  }
  return 0;
}

// Length of the well-formed character at p (1 to 4), or 0. The continuation bytes are tested in
// order, so a NUL stops the test before anything behind it is read.
int32_t ValidSeqLen(const uint8_t* p) {
  uint8_t low, high;
  int32_t len = LeadLength(p[0], &low, &high);
  if (len <= 1) return len;
  if (p[1] < low || p[1] > high) return 0;
  for (int32_t i = 2; i < len; ++i) {
    if (!IsContinuation(p[i])) return 0;
  }
  return len;
}

uint32_t DecodeAt(const uint8_t* p, int32_t len) {
  switch (len) {
    case 1:
      return p[0];
    case 2:
      return (static_cast<uint32_t>(p[0] & 0x1F) << 6) | (p[1] & 0x3F);
    case 3:
      return (static_cast<uint32_t>(p[0] & 0x0F) << 12) |
             (static_cast<uint32_t>(p[1] & 0x3F) << 6) | (p[2] & 0x3F);
    case 4:
      return (static_cast<uint32_t>(p[0] & 0x07) << 18) |
             (static_cast<uint32_t>(p[1] & 0x3F) << 12) |
             (static_cast<uint32_t>(p[2] & 0x3F) << 6) | (p[3] & 0x3F);
    default:
      return 0;
  }
}

// A code unit as the program writes a lone one: a surrogate outside a pair keeps its 3 bytes.
uint32_t UnitAt(const wchar_t* wide, int32_t i, int32_t n, int32_t* units) {
  if (Utf16PairAt(wide, i, n)) {
    *units = 2;
    return Utf16PairCode(wide[i], wide[i + 1]);
  }
  *units = 1;
  return static_cast<uint16_t>(wide[i]);
}

}  // namespace

int32_t Utf8SeqLen(uint8_t lead) {
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 1;
}

int32_t Utf8EncodedLen(uint32_t code) {
  if (code < 0x80) return 1;
  if (code < 0x800) return 2;
  return code < 0x10000 || code > kMaxCodePoint ? 3 : 4;
}

int32_t Utf8Encode(char* buffer, uint32_t unit) {
  if (unit > kMaxCodePoint) unit = 0xFFFD;
  auto* out = reinterpret_cast<uint8_t*>(buffer);
  if (unit < 0x80) {
    out[0] = static_cast<uint8_t>(unit);
    return 1;
  }
  if (unit < 0x800) {
    out[0] = static_cast<uint8_t>(0xC0 | (unit >> 6));
    out[1] = static_cast<uint8_t>(0x80 | (unit & 0x3F));
    return 2;
  }
  if (unit < 0x10000) {
    out[0] = static_cast<uint8_t>(0xE0 | (unit >> 12));
    out[1] = static_cast<uint8_t>(0x80 | ((unit >> 6) & 0x3F));
    out[2] = static_cast<uint8_t>(0x80 | (unit & 0x3F));
    return 3;
  }
  out[0] = static_cast<uint8_t>(0xF0 | (unit >> 18));
  out[1] = static_cast<uint8_t>(0x80 | ((unit >> 12) & 0x3F));
  out[2] = static_cast<uint8_t>(0x80 | ((unit >> 6) & 0x3F));
  out[3] = static_cast<uint8_t>(0x80 | (unit & 0x3F));
  return 4;
}

int32_t Utf8EncodeZ(char* buffer, uint32_t unit) {
  int32_t n = Utf8Encode(buffer, unit);
  buffer[n] = 0;
  return n;
}

int32_t Utf8CharLengthIn(const char* p, const char* end) {
  if (p >= end) return 0;
  auto* u = reinterpret_cast<const uint8_t*>(p);
  uint8_t low, high;
  int32_t len = LeadLength(u[0], &low, &high);
  if (len <= 1) return len;
  int64_t available = end - p;
  for (int32_t i = 1; i < len; ++i) {
    if (i >= available) return -1;
    if (i == 1 ? (u[1] < low || u[1] > high) : !IsContinuation(u[i])) return 0;
  }
  return len;
}

uint32_t Utf8Decode(const char* p) {
  if (!p) return 0;
  auto* u = reinterpret_cast<const uint8_t*>(p);
  return DecodeAt(u, ValidSeqLen(u));
}

uint32_t Utf8DecodeUpper(const char* p) {
  uint32_t c = Utf8Decode(p);
  return c < 0x800 ? CharToUpper(c) : c;
}

uint32_t Utf8NextChar(const char** cursor) {
  auto* u = reinterpret_cast<const uint8_t*>(*cursor);
  int32_t len = ValidSeqLen(u);
  *cursor += len ? len : 1;
  return DecodeAt(u, len);
}

uint32_t Utf8NextCharUpper(const char** cursor) {
  uint32_t c = Utf8NextChar(cursor);
  return c < 0x800 ? CharToUpper(c) : c;
}

uint32_t Utf8PrevChar(const char** cursor) {
  auto* u = reinterpret_cast<const uint8_t*>(*cursor);
  // A lead byte is at most three continuation bytes back (four-byte sequences included).
  int32_t steps = 0;
  do {
    --u;
    ++steps;
  } while (steps < 4 && IsContinuation(*u));
  *cursor = reinterpret_cast<const char*>(u);
  return Utf8Decode(*cursor);
}

int32_t Utf8CharCount(const char* text) {
  if (!text) return 0;
  int32_t count = 0;
  auto* u = reinterpret_cast<const uint8_t*>(text);
  while (*u) {
    int32_t len = ValidSeqLen(u);
    if (!len) return 0;
    u += len;
    ++count;
  }
  return count;
}

int32_t Utf8BoundaryAtOrBefore(const char* bytes, int32_t n) {
  if (n <= 0) return 0;
  auto* u = reinterpret_cast<const uint8_t*>(bytes);
  // Find the start of the character holding byte n - 1 and keep it only when it ends at n.
  int32_t start = n - 1;
  while (start > 0 && start > n - 4 && IsContinuation(u[start])) --start;
  uint8_t lead = u[start];
  int32_t len = 1;
  if ((lead & 0xE0) == 0xC0) {
    len = 2;
  } else if ((lead & 0xF0) == 0xE0) {
    len = 3;
  } else if ((lead & 0xF8) == 0xF0) {
    len = 4;
  } else if (IsContinuation(lead)) {
    return n;  // stray continuation bytes: no character to keep whole
  }
  return start + len <= n ? n : start;
}

bool Utf8IsValid(const char* bytes, int32_t n) { return Utf8Sniff(bytes, n) != 1; }

int32_t Utf8Sniff(const char* bytes, int32_t n) {
  auto* u = reinterpret_cast<const uint8_t*>(bytes);
  int32_t result = 0;
  for (int32_t i = 0; i < n - 2;) {
    if (u[i] < 0x80) {
      ++i;
      continue;
    }
    int32_t len = Utf8CharLengthIn(bytes + i, bytes + n);
    if (len < 0) return 2;  // a character cut by the end of the head
    if (len < 2) return 1;
    result = 2;
    i += len;
  }
  return result;
}

int32_t Utf16Utf8LenN(const wchar_t* wide, int32_t n) {
  int32_t total = 0;
  for (int32_t i = 0, units = 1; i < n; i += units) {
    total += Utf8EncodedLen(UnitAt(wide, i, n, &units));
  }
  return total;
}

int32_t Utf16Utf8Len(const wchar_t* wide) {
  if (!wide) return 0;
  int32_t n = 0;
  while (wide[n]) ++n;
  return Utf16Utf8LenN(wide, n);
}

int32_t Utf16ToUtf8CapN(char* buffer, int32_t capacity, const wchar_t* wide, int32_t n) {
  if (capacity <= 0) return 0;
  int32_t length = 0;
  for (int32_t i = 0, units = 1; i < n; i += units) {
    uint32_t code = UnitAt(wide, i, n, &units);
    if (length + Utf8EncodedLen(code) + 1 > capacity) break;
    length += Utf8Encode(buffer + length, code);
  }
  buffer[length] = 0;
  return length;
}

int32_t Utf16ToUtf8Cap(char* buffer, int32_t capacity, const wchar_t* wide) {
  int32_t n = 0;
  if (wide) {
    while (wide[n]) ++n;
  }
  return Utf16ToUtf8CapN(buffer, capacity, wide, n);
}

int32_t Utf16ToUtf8N(char* buffer, const wchar_t* wide, int32_t n) {
  int32_t length = 0;
  for (int32_t i = 0, units = 1; i < n; i += units) {
    length += Utf8Encode(buffer + length, UnitAt(wide, i, n, &units));
  }
  buffer[length] = 0;
  return length;
}

int32_t Utf16ToUtf8(char* buffer, const wchar_t* wide) {
  int32_t n = 0;
  if (wide) {
    while (wide[n]) ++n;
  }
  return Utf16ToUtf8N(buffer, wide, n);
}

int32_t Utf16Encode(wchar_t* out, uint32_t code) {
  if (code > kMaxCodePoint) code = 0xFFFD;
  if (code < 0x10000) {
    out[0] = static_cast<wchar_t>(code);
    return 1;
  }
  code -= 0x10000;
  out[0] = static_cast<wchar_t>(0xD800 + (code >> 10));
  out[1] = static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
  return 2;
}

uint16_t ReadU16LE(const uint8_t** cursor) {
  const uint8_t* p = *cursor;
  *cursor += 2;
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint16_t ReadU16BE(const uint8_t** cursor) {
  const uint8_t* p = *cursor;
  *cursor += 2;
  return static_cast<uint16_t>((p[0] << 8) | p[1]);
}
