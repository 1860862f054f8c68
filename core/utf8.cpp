#include "core/utf8.h"

#include "core/locale.h"

namespace {

inline bool IsContinuation(uint8_t b) { return (b & 0xC0) == 0x80; }

// Length of the valid sequence at p (1 to 3), or 0 when the lead byte is not a 1-3 byte lead or
// a continuation byte is missing.
int32_t ValidSeqLen(const uint8_t* p) {
  uint8_t b = p[0];
  if (b < 0x80) return 1;
  if ((b & 0xE0) == 0xC0) return IsContinuation(p[1]) ? 2 : 0;
  if ((b & 0xF0) == 0xE0) return IsContinuation(p[1]) && IsContinuation(p[2]) ? 3 : 0;
  return 0;
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
    default:
      return 0;
  }
}

}  // namespace

int32_t Utf8SeqLen(uint8_t lead) {
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  return 1;
}

int32_t Utf8EncodedLen(uint32_t unit) {
  if (unit < 0x80) return 1;
  return unit < 0x800 ? 2 : 3;
}

int32_t Utf8Encode(char* buffer, uint32_t unit) {
  unit &= 0xFFFF;
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
  out[0] = static_cast<uint8_t>(0xE0 | (unit >> 12));
  out[1] = static_cast<uint8_t>(0x80 | ((unit >> 6) & 0x3F));
  out[2] = static_cast<uint8_t>(0x80 | (unit & 0x3F));
  return 3;
}

int32_t Utf8EncodeZ(char* buffer, uint32_t unit) {
  int32_t n = Utf8Encode(buffer, unit);
  buffer[n] = 0;
  return n;
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
    int32_t len = ValidSeqLen(u + i);
    if (len < 2) return 1;
    result = 2;
    i += len;
  }
  return result;
}

int32_t Utf16Utf8LenN(const wchar_t* wide, int32_t n) {
  int32_t total = 0;
  for (int32_t i = 0; i < n; ++i) total += Utf8EncodedLen(static_cast<uint16_t>(wide[i]));
  return total;
}

int32_t Utf16Utf8Len(const wchar_t* wide) {
  if (!wide) return 0;
  int32_t total = 0;
  for (; *wide; ++wide) total += Utf8EncodedLen(static_cast<uint16_t>(*wide));
  return total;
}

int32_t Utf16ToUtf8CapN(char* buffer, int32_t capacity, const wchar_t* wide, int32_t n) {
  if (capacity <= 0) return 0;
  int32_t length = 0;
  for (int32_t i = 0; i < n; ++i) {
    auto unit = static_cast<uint16_t>(wide[i]);
    if (length + Utf8EncodedLen(unit) + 1 > capacity) break;
    length += Utf8Encode(buffer + length, unit);
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
  for (int32_t i = 0; i < n; ++i)
    length += Utf8Encode(buffer + length, static_cast<uint16_t>(wide[i]));
  buffer[length] = 0;
  return length;
}

int32_t Utf16ToUtf8(char* buffer, const wchar_t* wide) {
  int32_t length = 0;
  if (wide) {
    for (; *wide; ++wide) length += Utf8Encode(buffer + length, static_cast<uint16_t>(*wide));
  }
  buffer[length] = 0;
  return length;
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
