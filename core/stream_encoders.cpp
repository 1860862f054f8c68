#include "core/stream_encoders.h"

#include <cstring>
#include <new>

#include "core/memory.h"
#include "core/number_text.h"
#include "core/output_stream.h"
#include "core/utf8.h"

namespace {

// "-" for a negative value, then exactly width digits of the magnitude (at least one).
int32_t DigitsText(char* buffer, int64_t value, int32_t width) {
  char* out = buffer;
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  if (value < 0) *out++ = '-';
  if (width < 1) width = 1;
  if (width > 64) width = 64;
  for (int32_t i = width - 1; i >= 0; --i) {
    out[i] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  }
  return static_cast<int32_t>(out - buffer) + width;
}

int32_t DecimalText(char* buffer, int64_t value) {
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  char digits[24];
  int32_t n = 0;
  do {
    digits[n++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  char* out = buffer;
  if (value < 0) *out++ = '-';
  while (n > 0) *out++ = digits[--n];
  return static_cast<int32_t>(out - buffer);
}

}  // namespace

// --- UTF-8
// --------------------------------------------------------------------------------------------

void T_OStreamBuffer::PutDouble(double x, const NumFormat* format) {
  char text[kFormatDoubleMax + 8];
  char* cursor = text;
  FormatDouble(&cursor, x, format != nullptr ? format : DefaultNumFormat());
  PutBytes(text, cursor - text);
}

void T_OStreamBuffer::PutInt64Digits(int64_t value, int32_t width) {
  char text[72];
  PutBytes(text, DigitsText(text, value, width));
}

void T_OStreamBuffer::PutInt64(int64_t value) {
  char text[24];
  PutBytes(text, DecimalText(text, value));
}

void T_OStreamBuffer::PutIntDigits(int32_t value, int32_t width) { PutInt64Digits(value, width); }
void T_OStreamBuffer::PutInt(int32_t value) { PutInt64(value); }

void T_OStreamBuffer::PutWideText(const wchar_t* text) {
  if (text == nullptr) return;
  for (int32_t i = 0; text[i] != 0; ++i) {
    if (Utf16PairAt(text, i, i + 2)) {
      PutWideChar(Utf16PairCode(text[i], text[i + 1]));
      ++i;
    } else {
      PutWideChar(static_cast<uint16_t>(text[i]));
    }
  }
}

void T_OStreamBuffer::PutBytes(const char* bytes, int64_t n) {
  if (n <= 0) return;
  CopyBytes(stream_->pos, bytes, n);
  stream_->pos += n;
}

void T_OStreamBuffer::PutText(const char* text) {
  if (text != nullptr) PutBytes(text, static_cast<int64_t>(strlen(text)));
}

void T_OStreamBuffer::PutWideChar(uint32_t unit) {
  stream_->pos += Utf8Encode(reinterpret_cast<char*>(stream_->pos), unit);
}

void T_OStreamBuffer::PutRepeated(uint8_t byte, int64_t n) {
  if (n <= 0) return;
  memset(stream_->pos, byte, static_cast<size_t>(n));
  stream_->pos += n;
}

void T_OStreamBuffer::PutByte(uint8_t byte) { *stream_->pos++ = byte; }

void T_OStreamBuffer::PutAscii(const char* text) { PutText(text); }

void T_OStreamBuffer::TrimSeparators() {
  const int32_t n = stream_->separatorLength;
  while (n > 0 && stream_->pos - stream_->start >= n &&
         memcmp(stream_->pos - n, stream_->separatorBytes, static_cast<size_t>(n)) == 0) {
    stream_->pos -= n;
  }
}

// --- Code pages
// -----------------------------------------------------------------------------------------

T_OStreamCodepage::T_OStreamCodepage(T_OStream* stream, TextEncoding encoding)
    : T_OStreamBuffer(stream), table_(static_cast<uint8_t*>(MemAlloc(65536, 2))) {
  if (table_ == nullptr) return;
  for (int32_t u = 0; u < 65536; ++u) table_[u] = u < 128 ? static_cast<uint8_t>(u) : '.';
  const uint16_t* page = CodePageTable(encoding);
  if (page == nullptr) page = CodePageTable(kEncodingLatin1);
  for (int32_t i = 0; i < 128; ++i) table_[page[i]] = static_cast<uint8_t>(128 + i);
}

T_OStreamCodepage::~T_OStreamCodepage() { MemFree(table_); }

bool T_OStreamCodepage::CanEncode(uint32_t code) const { return code < 0x80 || Byte(code) != '.'; }

void T_OStreamCodepage::PutWideText(const wchar_t* text) {
  if (text == nullptr) return;
  for (int32_t i = 0; text[i] != 0; ++i) {
    uint32_t code = static_cast<uint16_t>(text[i]);
    if (Utf16PairAt(text, i, i + 2)) {
      code = Utf16PairCode(text[i], text[i + 1]);
      ++i;
    }
    *stream_->pos++ = Byte(code);
  }
}

void T_OStreamCodepage::PutBytes(const char* bytes, int64_t n) {
  const char* cursor = bytes;
  const char* stop = bytes + n;
  while (cursor < stop) {
    // A sequence cut by the end of the range is no character.
    if (cursor + Utf8SeqLen(static_cast<uint8_t>(*cursor)) > stop) break;
    uint32_t code = Utf8NextChar(&cursor);
    if (code == 0 && cursor[-1] != 0) break;  // an invalid lead ends the write
    *stream_->pos++ = Byte(code);
  }
}

void T_OStreamCodepage::PutWideChar(uint32_t unit) { *stream_->pos++ = Byte(unit); }

void T_OStreamCodepage::PutAscii(const char* text) {
  if (text == nullptr) return;
  size_t n = strlen(text);
  memcpy(stream_->pos, text, n);
  stream_->pos += n;
}

void T_OStreamCodepage::TrimSeparators() {
  const uint8_t byte = table_[stream_->separator & 0xFFFF];
  while (stream_->pos > stream_->start && stream_->pos[-1] == byte) --stream_->pos;
}

// --- UTF-16
// ---------------------------------------------------------------------------------------------

void T_OStreamUTF16LE::Unit(uint32_t unit) {
  uint8_t* out = stream_->pos;
  if (bigEndian_) {
    out[0] = static_cast<uint8_t>(unit >> 8);
    out[1] = static_cast<uint8_t>(unit);
  } else {
    out[0] = static_cast<uint8_t>(unit);
    out[1] = static_cast<uint8_t>(unit >> 8);
  }
  stream_->pos += 2;
}

void T_OStreamUTF16LE::PutWideText(const wchar_t* text) {
  if (text == nullptr) return;
  for (; *text != 0; ++text) Unit(static_cast<uint16_t>(*text));
}

void T_OStreamUTF16LE::PutBytes(const char* bytes, int64_t n) {
  const char* cursor = bytes;
  const char* stop = bytes + n;
  while (cursor < stop) {
    if (cursor + Utf8SeqLen(static_cast<uint8_t>(*cursor)) > stop) break;
    uint32_t code = Utf8NextChar(&cursor);
    if (code == 0 && cursor[-1] != 0) break;
    PutWideChar(code);
  }
}

void T_OStreamUTF16LE::PutWideChar(uint32_t unit) {
  wchar_t units[2];
  int32_t n = Utf16Encode(units, unit);
  for (int32_t i = 0; i < n; ++i) Unit(static_cast<uint16_t>(units[i]));
}

void T_OStreamUTF16LE::PutRepeated(uint8_t byte, int64_t n) {
  for (int64_t i = 0; i < n; ++i) Unit(byte);
}

void T_OStreamUTF16LE::PutByte(uint8_t byte) { Unit(byte); }

void T_OStreamUTF16LE::PutAscii(const char* text) {
  if (text == nullptr) return;
  for (; *text != 0; ++text) Unit(static_cast<uint8_t>(*text));
}

void T_OStreamUTF16LE::TrimSeparators() {
  const uint32_t unit = stream_->separator & 0xFFFF;
  for (;;) {
    if (stream_->pos - stream_->start < 2) return;
    const uint8_t* last = stream_->pos - 2;
    uint32_t found = bigEndian_ ? (last[0] << 8 | last[1]) : (last[1] << 8 | last[0]);
    if (found != unit) return;
    stream_->pos -= 2;
  }
}

T_OStreamBuffer* NewStreamEncoder(T_OStream* stream, TextEncoding encoding) {
  switch (encoding) {
    case kEncodingUtf8:
      return new (std::nothrow) T_OStreamBuffer(stream);
    case kEncodingUtf16LE:
      return new (std::nothrow) T_OStreamUTF16LE(stream);
    case kEncodingUtf16BE:
      return new (std::nothrow) T_OStreamUTF16BE(stream);
    default:
      return new (std::nothrow) T_OStreamCodepage(stream, encoding);
  }
}
