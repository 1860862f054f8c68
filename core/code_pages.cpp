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

// Reads one UTF-8 character of [p, end). Returns the bytes it takes (at least 1) and sets
// *valid when they form a well-formed character (core/utf8.h), whose code is then in *code.
// A malformed 4-byte lead is skipped together with the continuation bytes after it.
int32_t NextUtf8(const uint8_t* p, const uint8_t* end, uint32_t* code, bool* valid) {
  const char* at = reinterpret_cast<const char*>(p);
  int32_t length = Utf8CharLengthIn(at, reinterpret_cast<const char*>(end));
  *valid = length > 0;
  if (*valid) {
    *code = Utf8Decode(at);
    return length;
  }
  if (p[0] < 0xF0 || p[0] > 0xF7) return 1;
  int32_t n = 1;
  while (n < 4 && p + n < end && (p[n] & 0xC0) == 0x80) n++;
  return n;
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

const char* EncodingCharset(TextEncoding number) {
  if (number >= kEncodingUtf8 && number <= kEncodingUtf16BE) return kEncodings[number].key;
  // The name of the page the bytes are really written in: encoding 3 lends another's table.
  const uint16_t* table = TableOrFallback(number);
  if (table == kCodePageWindows1252) return "windows-1252";
  if (table == kCodePageWindows1250) return "windows-1250";
  if (table == kCodePageMacRoman) return "macintosh";
  if (table == kCodePagePc437) return "IBM437";
  return nullptr;  // Mac OS Central European has no name other readers know
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
      uint32_t code = 0;
      bool valid = false;
      int32_t step = NextUtf8(p, end, &code, &valid);
      if (valid) {
        // Only multi-byte characters are looked up: an ASCII unit is never one of them, and no
        // page holds a character beyond U+FFFF.
        uint8_t byte = step == 1   ? static_cast<uint8_t>(code)
                       : step == 4 ? 0
                                   : TableIndexOf(table, static_cast<uint16_t>(code));
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
  // A character beyond U+FFFF takes 4 bytes: it goes only where it fits whole.
  auto put = [&](uint32_t code) {
    if (code >= 0x10000 && written + 4 > capacity) return false;
    if (code < 0x10000 && mapping) code = mapping[code];
    written += Utf8Encode(output + written, code);
    return true;
  };
  switch (decoder->encoding) {
    case kEncodingUtf8:
      while (p < end && written < limit) {
        uint32_t code = 0;
        bool valid = false;
        int32_t step = NextUtf8(p, end, &code, &valid);
        if (valid && !put(code)) break;
        p += step;
      }
      break;
    case kEncodingUtf16LE:
    case kEncodingUtf16BE: {
      bool littleEndian = decoder->encoding == kEncodingUtf16LE;
      auto unitAt = [&](const uint8_t* q) {
        return static_cast<uint16_t>(littleEndian ? q[0] | (q[1] << 8) : (q[0] << 8) | q[1]);
      };
      while (end - p >= 2 && written < limit) {
        wchar_t units[2] = {static_cast<wchar_t>(unitAt(p)), 0};
        int32_t taken = 1;
        if (end - p >= 4) {
          units[1] = static_cast<wchar_t>(unitAt(p + 2));
          if (Utf16PairAt(units, 0, 2)) taken = 2;
        }
        uint32_t code =
            taken == 2 ? Utf16PairCode(units[0], units[1]) : static_cast<uint16_t>(units[0]);
        if (!put(code)) break;
        p += 2 * taken;
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
