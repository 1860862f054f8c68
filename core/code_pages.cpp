#include "core/code_pages.h"

#include <cstring>

#include "core/locale.h"
#include "core/memory.h"
#include "core/text_buffer.h"
#include "core/utf8.h"

// The tables themselves are generated (core/code_page_tables.cpp, by tools/gen_code_pages.py).
extern const uint16_t kCodePageWindows1252[128];
extern const uint16_t kCodePageWindows1250[128];
extern const uint16_t kCodePageMacRoman[128];
extern const uint16_t kCodePageMacCentralEurope[128];
extern const uint16_t kCodePagePc437[128];

namespace {

struct EncodingInfo {
  const char* key;
  const char* name;
  const uint16_t* table;
};

const EncodingInfo kEncodings[] = {
    {"UTF-8", "UTF-8", nullptr},
    {"UTF-16LE", "UTF-16 LE", nullptr},
    {"UTF-16BE", "UTF-16 BE", nullptr},
    {"SysPage", "System Codepage", nullptr},  // table: the system page
    {"MacRoman", "Macintosh Roman", kCodePageMacRoman},
    {"MacRomanCE", "Macintosh Roman CE", kCodePageMacCentralEurope},
    {"ISO-8859-1", "Windows Latin 1", kCodePageWindows1252},
    {"ISO-8859-2", "Windows Latin 2", kCodePageWindows1250},
    {"PC-8", "PC DOS OEM", kCodePagePc437},
};
constexpr int32_t kEncodingCount = sizeof(kEncodings) / sizeof(kEncodings[0]);

// Starts on Windows Latin 1 rather than null, so encoding 3 can be read before start-up sets it.
const uint16_t* systemPageTable = kCodePageWindows1252;

bool HasOwnTable(TextEncoding number) { return number >= 4 && number < kEncodingCount; }

// The table every conversion uses for the number: its own, the system page's, or the fallback.
const uint16_t* TableOrFallback(TextEncoding number) {
  if (number == kEncodingSystemPage) return systemPageTable;
  return HasOwnTable(number) ? kEncodings[number].table : kCodePageWindows1252;
}

uint16_t UnitOfByte(uint8_t byte, const uint16_t* table) {
  return byte < 0x80 ? byte : table[byte - 0x80];
}

bool IsContinuation(const uint8_t* p, const uint8_t* end) { return p < end && (*p & 0xC0) == 0x80; }

// Reads one UTF-8 character of [p, end). Returns the bytes it takes (at least 1) and sets
// *valid when they form a 1- to 3-byte character, whose unit is then in *unit. Overlong forms
// are not characters: they could smuggle a NUL or a control byte past the checks of callers.
int32_t NextUtf8(const uint8_t* p, const uint8_t* end, uint16_t* unit, bool* valid) {
  uint8_t lead = p[0];
  *valid = false;
  if (lead < 0x80) {
    *unit = lead;
    *valid = true;
    return 1;
  }
  if (lead >= 0xC2 && lead <= 0xDF) {
    if (!IsContinuation(p + 1, end)) return 1;
    *unit = static_cast<uint16_t>(((lead & 0x1F) << 6) | (p[1] & 0x3F));
    *valid = true;
    return 2;
  }
  if (lead >= 0xE0 && lead <= 0xEF) {
    if (!IsContinuation(p + 1, end) || !IsContinuation(p + 2, end)) return 1;
    if (lead == 0xE0 && p[1] < 0xA0) return 1;
    *unit = static_cast<uint16_t>(((lead & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F));
    *valid = true;
    return 3;
  }
  if (lead >= 0xF0 && lead <= 0xF7) {
    int32_t n = 1;
    while (n < 4 && IsContinuation(p + n, end)) n++;
    return n;
  }
  return 1;
}

const uint8_t* EndOfText(const char* text) {
  return reinterpret_cast<const uint8_t*>(text) + std::strlen(text);
}

// The index + 0x80 of the first table entry equal to the unit, 0 when there is none.
uint8_t TableIndexOf(const uint16_t* table, uint16_t unit) {
  for (int32_t i = 0; i < 128; i++) {
    if (table[i] == unit) return static_cast<uint8_t>(0x80 + i);
  }
  return 0;
}

}  // namespace

const char* EncodingKey(TextEncoding number) {
  return number >= 0 && number < kEncodingCount ? kEncodings[number].key : nullptr;
}

const char* EncodingName(TextEncoding number) {
  return number >= 0 && number < kEncodingCount ? kEncodings[number].name : nullptr;
}

const uint16_t* CodePageTable(TextEncoding number) {
  if (number == kEncodingSystemPage) return systemPageTable;
  return HasOwnTable(number) ? kEncodings[number].table : nullptr;
}

void SetSystemCodePage(TextEncoding number) {
  // Encoding 3 itself has no table to lend, so it selects the fallback like 0, 1 and 2.
  systemPageTable = HasOwnTable(number) ? kEncodings[number].table : kCodePageWindows1252;
}

uint16_t CodePageCharToUtf16(uint8_t byte, TextEncoding number) {
  return UnitOfByte(byte, TableOrFallback(number));
}

uint8_t Utf16ToCodePageChar(uint16_t unit, TextEncoding number) {
  return unit < 0x80 ? static_cast<uint8_t>(unit) : TableIndexOf(TableOrFallback(number), unit);
}

int32_t CodePageUtf8Len(const char* text, TextEncoding number) {
  if (!text) return 0;
  const uint16_t* table = TableOrFallback(number);
  int32_t n = 0;
  for (auto* p = reinterpret_cast<const uint8_t*>(text); *p; p++) {
    n += Utf8EncodedLen(UnitOfByte(*p, table));
  }
  return n;
}

void CodePageToUtf8(char* buffer, const char* text, TextEncoding number) {
  char* out = buffer;
  if (text) {
    const uint16_t* table = TableOrFallback(number);
    for (auto* p = reinterpret_cast<const uint8_t*>(text); *p; p++) {
      out += Utf8Encode(out, UnitOfByte(*p, table));
    }
  }
  *out = 0;
}

int32_t Utf8ToCodePage(char* buffer, const char* text, TextEncoding number) {
  int32_t n = 0;
  if (text) {
    const uint16_t* table = TableOrFallback(number);
    auto* p = reinterpret_cast<const uint8_t*>(text);
    const uint8_t* end = EndOfText(text);
    while (p < end) {
      uint16_t unit = 0;
      bool valid = false;
      int32_t step = NextUtf8(p, end, &unit, &valid);
      if (valid) {
        // Only multi-byte characters are looked up: an ASCII unit is never one of them.
        uint8_t byte = step == 1 ? static_cast<uint8_t>(unit) : TableIndexOf(table, unit);
        if (byte) buffer[n++] = static_cast<char>(byte);
      }
      p += step;
    }
  }
  buffer[n] = 0;
  return n;
}

void TextBufFromCodePageInPlace(T_TextBuf* buffer, TextEncoding number) {
  const uint16_t* table = TableOrFallback(number);
  auto* bytes = reinterpret_cast<uint8_t*>(buffer->data);
  int32_t length = buffer->length;
  int32_t needed = 0;
  for (int32_t i = 0; i < length; i++) needed += Utf8EncodedLen(UnitOfByte(bytes[i], table));
  if (needed == length) return;  // all ASCII

  int32_t room = needed;
  if (needed > buffer->capacity) {
    int32_t granted = TextBufGrow(buffer, needed);
    if (granted < room) room = granted;
    if (buffer->capacity < room) room = buffer->capacity;
    bytes = reinterpret_cast<uint8_t*>(buffer->data);
  }
  // Keep the longest prefix of whole characters that fits.
  int32_t take = 0;
  int32_t total = 0;
  while (take < length) {
    int32_t size = Utf8EncodedLen(UnitOfByte(bytes[take], table));
    if (total + size > room) break;
    total += size;
    take++;
  }
  // Back to front: each byte's output starts at or after the byte itself, so no byte is
  // overwritten before it is read.
  int32_t out = total;
  for (int32_t i = take - 1; i >= 0; i--) {
    uint16_t unit = UnitOfByte(bytes[i], table);
    out -= Utf8EncodedLen(unit);
    Utf8Encode(buffer->data + out, unit);
  }
  TextBufSetLength(buffer, total);
}

void TextDecoderInit(TextDecoder* decoder) {
  decoder->encoding = kEncodingUtf8;
  decoder->byteTable = nullptr;
  decoder->mapping = nullptr;
}

void TextDecoderSetEncoding(TextDecoder* decoder) {
  MemFree(decoder->byteTable);
  decoder->byteTable = nullptr;
  TextEncoding number = decoder->encoding;
  if (number == kEncodingUtf8 || number == kEncodingUtf16LE || number == kEncodingUtf16BE) return;
  // Every other number reads through a table: its own, or the fallback.
  auto* table = static_cast<uint16_t*>(MemAlloc(256 * sizeof(uint16_t), 2));
  if (!table) return;
  for (int32_t b = 0; b < 256; b++) table[b] = CodePageCharToUtf16(static_cast<uint8_t>(b), number);
  if (decoder->mapping) {
    for (int32_t b = 1; b < 256; b++) table[b] = decoder->mapping[table[b]];
  }
  decoder->byteTable = table;
}

int32_t TextDecoderConvert(TextDecoder* decoder, char* output, int32_t capacity, const char* input,
                           int32_t n) {
  if (!output || !input || n <= 0) return 0;
  const uint16_t* mapping = decoder->mapping;
  int32_t limit = capacity - 2;
  int32_t written = 0;
  auto* p = reinterpret_cast<const uint8_t*>(input);
  const uint8_t* end = p + n;
  switch (decoder->encoding) {
    case kEncodingUtf8:
      while (p < end && written < limit) {
        uint16_t unit = 0;
        bool valid = false;
        p += NextUtf8(p, end, &unit, &valid);
        if (valid) written += Utf8Encode(output + written, mapping ? mapping[unit] : unit);
      }
      break;
    case kEncodingUtf16LE:
    case kEncodingUtf16BE: {
      bool littleEndian = decoder->encoding == kEncodingUtf16LE;
      while (end - p >= 2 && written < limit) {
        auto unit = static_cast<uint16_t>(littleEndian ? p[0] | (p[1] << 8) : (p[0] << 8) | p[1]);
        p += 2;
        written += Utf8Encode(output + written, mapping ? mapping[unit] : unit);
      }
      break;
    }
    default:
      while (p < end && written < limit) {
        uint16_t unit;
        if (decoder->byteTable) {
          unit = decoder->byteTable[*p];
        } else {
          unit = CodePageCharToUtf16(*p, decoder->encoding);
          if (mapping && unit) unit = mapping[unit];
        }
        p++;
        written += Utf8Encode(output + written, unit);
      }
      break;
  }
  return written;
}

void TextDecoderFree(TextDecoder* decoder) {
  MemFree(decoder->byteTable);
  MemFree(decoder->mapping);
  decoder->byteTable = nullptr;
  decoder->mapping = nullptr;
}

int32_t LanguageFromCode(const char* code) {
  if (!code) return -1;
  for (int32_t language = 0; LanguageCode(language); language++) {
    if (StrEqualNoCase(LanguageCode(language), code)) return language;
  }
  return -1;
}
