#include "core/output_stream.h"

#include <windows.h>
// After windows.h: BSTR.
#include <oleauto.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/block_codec.h"
#include "core/cstring.h"
#include "core/locale.h"
#include "core/memory.h"
#include "core/message_pump.h"
#include "core/number_text.h"
#include "core/utf8.h"

namespace {

constexpr int64_t kLongTextLimit = 4208;  // a longer text is written in pieces
constexpr int32_t kLongTextPiece = 4200;
constexpr int32_t kContinuedMinimum = 4000;  // a field this long ending in the marker continues
constexpr const char kContinueMarker[] = "/==";
constexpr int64_t kNewlineRoom = 3;
constexpr int64_t kSeparatorRoom = 3;

int64_t Length(const char* text) {
  return text == nullptr ? 0 : static_cast<int64_t>(strlen(text));
}

}  // namespace

// --- Construction and settings
// ---------------------------------------------------------------------

T_OStream::T_OStream() { TakeEncoder(NewStreamEncoder(this, 0)); }

void T_OStream::TakeEncoder(T_OStreamBuffer* taken) {
  encoder = taken;
  const bool usable = encoder != nullptr && encoder->Usable();
  roomPerByte = usable ? encoder->BytesPerUtf8Byte() : 0;
  roomPerUnit = usable ? encoder->BytesPerUnit() : 0;
  bytesPassThrough = usable && encoding == kEncodingUtf8;
}

T_OStream::~T_OStream() {
  delete encoder;
  MemFreeWiped(ownedBuffer, wipeWhenFreed);
  MemFree(hexScratch);
}

void T_OStream::SetSeparator(uint32_t unit) {
  separator = unit & 0xFFFF;
  separatorLength = Utf8Encode(separatorBytes, separator);
}

void T_OStream::SetNewline(const char* text) {
  int32_t n = static_cast<int32_t>(Length(text));
  if (n > 3) n = Utf8BoundaryAtOrBefore(text, 3);
  memcpy(newline, text == nullptr ? "" : text, static_cast<size_t>(n));
  newline[n] = 0;
  newlineLength = n;
}

void T_OStream::SetNewlineChar(uint32_t unit) {
  newlineLength = Utf8Encode(newline, unit & 0xFFFF);
  newline[newlineLength] = 0;
}

void T_OStream::SetNewlineCRLF() { SetNewline("\r\n"); }

void T_OStream::SetEncoding(TextEncoding number) {
  delete encoder;
  encoding = number;
  TakeEncoder(NewStreamEncoder(this, number));
}

void T_OStream::SetBuffer(uint8_t* bufferStart, int64_t size, uint8_t* writePosition) {
  start = bufferStart;
  end = bufferStart + size;
  pos = writePosition;
}

// --- Room
// ---------------------------------------------------------------------------------------------

void T_OStream::MakeRoom(int64_t n) {
  int64_t used = pos - start;
  int64_t capacity = 2 * (end - start) + 4096;
  // One write may need more than the usual growth.
  while (capacity - used < n) capacity *= 2;
  uint8_t* grown = static_cast<uint8_t*>(MemAlloc(capacity, 0));
  if (grown == nullptr) return;
  if (used > 0) memcpy(grown, start, static_cast<size_t>(used));
  MemFreeWiped(ownedBuffer, wipeWhenFreed);
  ownedBuffer = grown;
  SetBuffer(grown, capacity, grown + used);
  PumpMessages();
}

// A line end drops the separators before it, but only those still in the window: separators
// at its end are held back while a subclass writes the window out, and put back after it, so
// that where the window ends never decides whether a line ends in a separator.
void T_OStream::MakeRoomKeepingSeparators(int64_t bytes) {
  constexpr int64_t kHeldMost = 256;
  uint8_t held[kHeldMost];
  int64_t heldLength = 0;
  if (pos != nullptr && encoder != nullptr) {
    uint8_t* before = pos;
    encoder->TrimSeparators();
    heldLength = before - pos;
    if (heldLength > kHeldMost) {
      pos = before;  // a run this long is data, not a line's empty tail
      heldLength = 0;
    }
    if (heldLength > 0) memcpy(held, pos, static_cast<size_t>(heldLength));
  }
  MakeRoom(bytes + heldLength);
  if (heldLength > 0 && pos != nullptr && end - pos >= heldLength) {
    memcpy(pos, held, static_cast<size_t>(heldLength));
    pos += heldLength;
  }
}

bool T_OStream::EnsureRoom(int64_t n) {
  if (roomPerByte == 0) return false;
  int64_t bytes = n * roomPerByte;
  if (pos == nullptr || end - pos < bytes) MakeRoomKeepingSeparators(bytes);
  return pos != nullptr && end - pos >= bytes;
}

bool T_OStream::EnsureRoomWide(int64_t n) {
  if (roomPerUnit == 0) return false;
  int64_t bytes = n * roomPerUnit;
  if (pos == nullptr || end - pos < bytes) MakeRoomKeepingSeparators(bytes);
  return pos != nullptr && end - pos >= bytes;
}

// --- Plain writes
// -------------------------------------------------------------------------------------

void T_OStream::PutChar(char c) {
  if (EnsureRoom(1)) encoder->PutByte(static_cast<uint8_t>(c));
}

void T_OStream::PutWideChar(uint32_t unit) {
  if (EnsureRoomWide(unit >= 0x10000 ? 2 : 1)) encoder->PutWideChar(unit);
}

void T_OStream::PutText(const char* text) { PutBytes(text, Length(text)); }

void T_OStream::PutBytes(const char* bytes, int64_t n) {
  if (bytes == nullptr || n <= 0) return;
  if (bytesPassThrough && pos != nullptr && end - pos >= n) {
    CopyBytes(pos, bytes, n);
    pos += n;
  } else if (EnsureRoom(n)) {
    encoder->PutBytes(bytes, n);
  }
}

void T_OStream::PutFieldText(const char* text) {
  if (text == nullptr) return;
  const char* run = text;
  for (const char* p = text;; ++p) {
    auto c = static_cast<uint8_t>(*p);
    if (c >= 32) continue;
    PutBytes(run, p - run);
    if (c == 0) return;
    PutChar(' ');
    run = p + 1;
  }
}

void T_OStream::PutTextBuf(const T_TextBuf* buffer) { PutBytes(buffer->c_str(), buffer->length); }

void T_OStream::PutBlockText(const char* block) {
  if (block != nullptr) PutBytes(block, MemSize(block) - 1);
}

void T_OStream::PutInt(int32_t value) {
  if (EnsureRoom(12)) encoder->PutInt(value);
}

void T_OStream::PutInt64(int64_t value) {
  if (EnsureRoom(24)) encoder->PutInt64(value);
}

void T_OStream::PutIntDigits(int32_t value, int32_t width) {
  if (EnsureRoom((width < 64 ? width : 64) + 2)) encoder->PutIntDigits(value, width);
}

void T_OStream::PutDouble(double x) { PutDoubleFormat(x, nullptr); }

void T_OStream::PutDoubleFormat(double x, const NumFormat* format) {
  if (EnsureRoom(kFormatDoubleMax)) encoder->PutDouble(x, format);
}

void T_OStream::PutSeparator() {
  if (EnsureRoom(kSeparatorRoom)) encoder->PutWideChar(separator);
}

void T_OStream::PutNewlineBytes() { encoder->PutBytes(newline, newlineLength); }

void T_OStream::PutNewline() {
  if (!EnsureRoom(kNewlineRoom)) return;
  encoder->TrimSeparators();
  PutNewlineBytes();
}

void T_OStream::PutKey(const char* key) { encoder->PutText(key); }

// --- Lines
// ----------------------------------------------------------------------------------------------

void T_OStream::PutCharLine(char c) {
  if (c == 0 || !EnsureRoom(1 + kNewlineRoom)) return;
  encoder->PutByte(static_cast<uint8_t>(c));
  PutNewlineBytes();
}

void T_OStream::PutLine(const char* text) {
  int64_t n = Length(text);
  if (n == 0 || !EnsureRoom(n + kNewlineRoom)) return;
  encoder->PutBytes(text, n);
  PutNewlineBytes();
}

void T_OStream::PutBlockTextLine(const char* block) {
  if (block == nullptr) return;
  int64_t n = MemSize(block) - 1;
  if (!EnsureRoom(n + kNewlineRoom)) return;
  encoder->PutBytes(block, n);
  PutNewlineBytes();
}

void T_OStream::PutCharPairLine(char c1, char c2) {
  if (!EnsureRoom(2 + kSeparatorRoom + kNewlineRoom)) return;
  encoder->PutByte(static_cast<uint8_t>(c1));
  encoder->PutWideChar(separator);
  encoder->PutByte(static_cast<uint8_t>(c2));
  PutNewlineBytes();
}

void T_OStream::PutCharTextLine(char c, const char* text) {
  int64_t n = Length(text);
  if (n == 0 || !EnsureRoom(1 + kSeparatorRoom + n + kNewlineRoom)) return;
  encoder->PutByte(static_cast<uint8_t>(c));
  encoder->PutWideChar(separator);
  encoder->PutBytes(text, n);
  PutNewlineBytes();
}

void T_OStream::PutCharBlockTextLine(char c, const char* block) {
  if (block == nullptr) return;
  int64_t n = MemSize(block) - 1;
  if (!EnsureRoom(1 + kSeparatorRoom + n + kNewlineRoom)) return;
  encoder->PutByte(static_cast<uint8_t>(c));
  encoder->PutWideChar(separator);
  encoder->PutBytes(block, n);
  PutNewlineBytes();
}

void T_OStream::PutCharIntLine(char c, int32_t value) {
  if (!EnsureRoom(1 + kSeparatorRoom + 12 + kNewlineRoom)) return;
  encoder->PutByte(static_cast<uint8_t>(c));
  encoder->PutWideChar(separator);
  encoder->PutInt(value);
  PutNewlineBytes();
}

// The key of key lines is counted in the room like everything else: a key is a short tag word
// by convention only.
void T_OStream::PutKeyCharLine(const char* key, char c) {
  if (!EnsureRoom(Length(key) + kSeparatorRoom + 1 + kNewlineRoom)) return;
  PutKey(key);
  encoder->PutWideChar(separator);
  encoder->PutByte(static_cast<uint8_t>(c));
  PutNewlineBytes();
}

void T_OStream::PutKeyTextLine(const char* key, const char* text) {
  int64_t n = Length(text);
  if (n == 0 || !EnsureRoom(Length(key) + kSeparatorRoom + n + kNewlineRoom)) return;
  PutKey(key);
  encoder->PutWideChar(separator);
  encoder->PutBytes(text, n);
  PutNewlineBytes();
}

void T_OStream::PutKeyBlockTextLine(const char* key, const char* block) {
  if (block == nullptr) return;
  int64_t n = MemSize(block) - 1;
  if (!EnsureRoom(Length(key) + kSeparatorRoom + n + kNewlineRoom)) return;
  PutKey(key);
  encoder->PutWideChar(separator);
  encoder->PutBytes(block, n);
  PutNewlineBytes();
}

void T_OStream::PutKeyShortLine(const char* key, int16_t value) { PutKeyIntLine(key, value); }

void T_OStream::PutKeyIntLine(const char* key, int32_t value) {
  if (!EnsureRoom(Length(key) + kSeparatorRoom + 12 + kNewlineRoom)) return;
  PutKey(key);
  encoder->PutWideChar(separator);
  encoder->PutInt(value);
  PutNewlineBytes();
}

void T_OStream::PutKeyInt64Line(const char* key, int64_t value) {
  if (!EnsureRoom(Length(key) + kSeparatorRoom + 24 + kNewlineRoom)) return;
  PutKey(key);
  encoder->PutWideChar(separator);
  encoder->PutInt64(value);
  PutNewlineBytes();
}

void T_OStream::PutCharSignLine(char c, bool on) {
  if (!EnsureRoom(2 + kNewlineRoom)) return;
  encoder->PutByte(static_cast<uint8_t>(c));
  encoder->PutByte(on ? '+' : '-');
  PutNewlineBytes();
}

void T_OStream::PutKeySignLine(const char* key, bool on) {
  if (!EnsureRoom(Length(key) + 1 + kNewlineRoom)) return;
  PutKey(key);
  encoder->PutByte(on ? '+' : '-');
  PutNewlineBytes();
}

// --- XML and HTML
// ---------------------------------------------------------------------------------------

namespace {

enum EscapeKind {
  kEscapeReference,  // TAB, LF or CR, written as a two-digit character reference
  kEscapeEntity,     // " & ' < >
  kEscapeAscii,
  kEscapeWide,     // a character of 128 or more
  kEscapeDropped,  // a character XML 1.0 does not allow at all
};

// Calls emit(kind, code) for each character of the text until the end or the first invalid
// lead byte. Older texts hold characters beyond U+FFFF as two 3-byte surrogate forms; such a
// pair is one character here.
template <typename Emit>
void WalkEscaped(const char* text, Emit emit) {
  if (text == nullptr) return;
  const char* cursor = text;
  while (*cursor != 0) {
    uint32_t code = Utf8NextChar(&cursor);
    if (code == 0) return;  // an invalid lead byte ends the text
    if (code >= 0xD800 && code <= 0xDBFF) {
      const char* next = cursor;
      uint32_t low = Utf8NextChar(&next);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        cursor = next;
      }
    }
    if (code < 32) {
      emit(code == '\t' || code == '\n' || code == '\r' ? kEscapeReference : kEscapeDropped, code);
    } else if (code == '"' || code == '&' || code == '\'' || code == '<' || code == '>') {
      emit(kEscapeEntity, code);
    } else if (code < 128) {
      emit(kEscapeAscii, code);
    } else if ((code >= 0xD800 && code <= 0xDFFF) || code == 0xFFFE || code == 0xFFFF) {
      emit(kEscapeDropped, code);  // a lone surrogate half, or a noncharacter
    } else {
      emit(kEscapeWide, code);
    }
  }
}

const char* AsciiEntity(uint32_t unit) {
  switch (unit) {
    case '"':
      return "&quot;";
    case '&':
      return "&amp;";
    case '\'':
      return "&apos;";
    case '<':
      return "&lt;";
    default:
      return "&gt;";
  }
}

// How a character of 128 or more goes out: its entity name, a decimal character reference when
// the stream's encoding lacks it or no other reader knows the encoding's name, else itself.
struct WideForm {
  const char* entity = nullptr;
  char reference[12] = {};  // "&#" digits ";" when used
};

WideForm WideFormOf(const T_OStream* stream, uint32_t code) {
  WideForm form;
  if (stream->namedEntities) {
    if (const EntityEntry* entry = EntityForChar(code)) {
      form.entity = entry->name;
      return form;
    }
  }
  if (!stream->encoder->CanEncode(code) || EncodingCharset(stream->encoding) == nullptr) {
    char* cursor = form.reference;
    *cursor++ = '&';
    *cursor++ = '#';
    EmitInt(&cursor, static_cast<int32_t>(code));
    *cursor = ';';
  }
  return form;
}

}  // namespace

int64_t XmlEscapedLength(const T_OStream* stream, const char* text) {
  int64_t total = 0;
  WalkEscaped(text, [&](EscapeKind kind, uint32_t code) {
    switch (kind) {
      case kEscapeReference:
        total += 5;
        break;
      case kEscapeEntity:
        total += static_cast<int64_t>(strlen(AsciiEntity(code)));
        break;
      case kEscapeAscii:
        total += 1;
        break;
      case kEscapeWide: {
        WideForm form = WideFormOf(stream, code);
        if (form.entity != nullptr) {
          total += static_cast<int64_t>(strlen(form.entity));
        } else if (form.reference[0] != 0) {
          total += static_cast<int64_t>(strlen(form.reference));
        } else {
          total += Utf8EncodedLen(code);
        }
        break;
      }
      case kEscapeDropped:
        break;
    }
  });
  return total;
}

void XmlEscape(T_OStream* stream, const char* text) {
  T_OStreamBuffer* encoder = stream->encoder;
  WalkEscaped(text, [&](EscapeKind kind, uint32_t code) {
    switch (kind) {
      case kEscapeReference: {
        char reference[6] = {
            '&', '#', static_cast<char>('0' + code / 10), static_cast<char>('0' + code % 10),
            ';', 0};
        encoder->PutAscii(reference);
        break;
      }
      case kEscapeEntity:
        encoder->PutAscii(AsciiEntity(code));
        break;
      case kEscapeAscii:
        encoder->PutByte(static_cast<uint8_t>(code));
        break;
      case kEscapeWide: {
        WideForm form = WideFormOf(stream, code);
        if (form.entity != nullptr) {
          encoder->PutAscii(form.entity);
        } else if (form.reference[0] != 0) {
          encoder->PutAscii(form.reference);
        } else {
          encoder->PutWideChar(code);
        }
        break;
      }
      case kEscapeDropped:
        break;
    }
  });
}

void T_OStream::PutEscaped(const char* text) {
  if (text != nullptr && EnsureRoom(XmlEscapedLength(this, text))) XmlEscape(this, text);
}

void T_OStream::PutElement(const char* name, const char* text) {
  int64_t n = Length(name);
  if (!EnsureRoom(XmlEscapedLength(this, text) + 2 * n + 5 + kNewlineRoom)) return;
  encoder->PutByte('<');
  encoder->PutText(name);
  encoder->PutByte('>');
  XmlEscape(this, text);
  encoder->PutAscii("</");
  encoder->PutText(name);
  encoder->PutByte('>');
  PutNewlineBytes();
}

void T_OStream::PutAttributeAlways(const char* name, const char* value) {
  if (value == nullptr || !EnsureRoom(XmlEscapedLength(this, value) + Length(name) + 4)) return;
  encoder->PutByte(' ');
  encoder->PutText(name);
  encoder->PutAscii("=\"");
  XmlEscape(this, value);
  encoder->PutByte('"');
}

void T_OStream::PutAttribute(const char* name, const char* value) {
  if (value != nullptr && *value != 0) PutAttributeAlways(name, value);
}

void T_OStream::PutIntAttribute(const char* name, int32_t value) { PutInt64Attribute(name, value); }

void T_OStream::PutInt64Attribute(const char* name, int64_t value) {
  if (!EnsureRoom(Length(name) + 4 + 24)) return;
  encoder->PutByte(' ');
  encoder->PutText(name);
  encoder->PutAscii("=\"");
  encoder->PutInt64(value);
  encoder->PutByte('"');
}

void T_OStream::PutHtmlDoctype() {
  PutLine("<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">");
}

namespace {

// The charset other readers are told; where they know no name for the encoding, the escapers
// write every character beyond ASCII as a reference, so the text is ASCII.
const char* DeclaredCharset(TextEncoding encoding) {
  const char* charset = EncodingCharset(encoding);
  return charset != nullptr ? charset : "US-ASCII";
}

}  // namespace

void T_OStream::PutXmlProlog() {
  PutText("<?xml");
  PutAttribute("version", "1.0");
  PutAttribute("encoding", DeclaredCharset(encoding));
  PutText("?>");
  PutNewline();
}

void T_OStream::PutHtmlMetaCharset() {
  std::string content = std::string("text/html; charset=") + DeclaredCharset(encoding);
  PutText("<meta");
  PutAttribute("http-equiv", "Content-Type");
  PutAttribute("content", content.c_str());
  PutText("/>");
  PutNewline();
}

void T_OStream::PutHtmlComment(const char* text) {
  // "--" would end the comment early and let the rest of the text act as markup.
  std::string safe;
  for (const char* p = text; p != nullptr && *p != 0; ++p) {
    if (*p == '-' && !safe.empty() && safe.back() == '-') safe += ' ';
    safe += *p;
  }
  PutText("<!-- ");
  PutText(safe.c_str());
  PutText(" -->");
  PutNewline();
}

// --- Long texts and binary fields
// ---------------------------------------------------------------------

void T_OStream::PutLongText(const char* text) {
  std::string copy;
  for (const char* p = text; p != nullptr && *p != 0; ++p) {
    // Every line end (CR LF, a lone CR, a lone LF) is one line break, byte 3; a bare LF would
    // otherwise end the line in the middle of the field.
    if (*p == '\r' || *p == '\n') {
      if (*p == '\r' && p[1] == '\n') ++p;
      copy += '\3';
    } else {
      copy += *p == '\t' ? '\4' : *p;
    }
  }
  const char* data = copy.data();
  int64_t at = 0;
  int64_t length = static_cast<int64_t>(copy.size());
  auto writePiece = [&](int32_t limit) {
    // Cut between characters, so every line stays valid UTF-8 on its own.
    int32_t cut = Utf8BoundaryAtOrBefore(data + at, limit);
    if (cut < limit - 3) cut = limit;  // damaged text: no boundary near, cut by count
    PutBytes(data + at, cut);
    PutText(kContinueMarker);
    PutNewline();
    at += cut;
  };
  while (length - at > kLongTextLimit) writePiece(kLongTextPiece);
  // A last piece that happens to end in the marker and is long enough would read as continued
  // (the reader drops trailing blanks before it looks); it is cut once more so the rest is too
  // short to look continued.
  int64_t last = length;
  while (last > at && data[last - 1] == ' ') --last;
  if (last - at >= kContinuedMinimum && memcmp(data + last - 3, kContinueMarker, 3) == 0) {
    writePiece(kContinuedMinimum);
  }
  PutBytes(data + at, length - at);
}

bool T_OStream::PutCompressedHex(const void* block) {
  if (block == nullptr) return true;
  const uint8_t* bytes = static_cast<const uint8_t*>(block);
  const int64_t size = MemSize(block);
  if (hexScratch == nullptr) {
    hexScratch = static_cast<uint8_t*>(MemAlloc(2 * kBlockCodecMaxInput, 2));
    if (hexScratch == nullptr) return false;
  }
  // Consecutive codes expand as one: a copy never reaches back before its own block.
  std::vector<uint8_t> code;
  for (int64_t at = 0; at < size; at += kBlockCodecMaxInput) {
    int32_t n =
        static_cast<int32_t>(size - at < kBlockCodecMaxInput ? size - at : kBlockCodecMaxInput);
    int32_t coded = BlockCompress(hexScratch, bytes + at, n);
    if (coded == 0) return false;  // the codec's table: memory ran out
    code.insert(code.end(), hexScratch, hexScratch + coded);
  }
  static const char kHex[] = "0123456789ABCDEF";
  PutChar('*');
  char digits[4096];
  size_t filled = 0;
  for (uint8_t byte : code) {
    digits[filled++] = kHex[byte >> 4];
    digits[filled++] = kHex[byte & 15];
    if (filled == sizeof(digits)) {
      PutBytes(digits, static_cast<int64_t>(filled));
      filled = 0;
    }
  }
  PutBytes(digits, static_cast<int64_t>(filled));
  return true;
}

wchar_t* BstrFromStream(const T_OStream* stream) {
  int n = static_cast<int>(stream->pos - stream->start);
  const char* bytes = reinterpret_cast<const char*>(stream->start);
  int units = n > 0 ? MultiByteToWideChar(CP_UTF8, 0, bytes, n, nullptr, 0) : 0;
  BSTR text = SysAllocStringLen(nullptr, static_cast<UINT>(units));
  if (text != nullptr && units > 0) MultiByteToWideChar(CP_UTF8, 0, bytes, n, text, units);
  return text;
}
