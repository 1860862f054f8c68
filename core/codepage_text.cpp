#include "core/codepage_text.h"

#include "core/memory.h"
#include "core/utf8.h"

int32_t EncodeUnit(char* buffer, uint32_t unit, TextEncoding encoding) {
  unit &= 0xFFFF;
  int32_t n;
  switch (encoding) {
    case kEncodingUtf8:
      n = Utf8Encode(buffer, unit);
      break;
    case kEncodingUtf16LE:
      buffer[0] = static_cast<char>(unit & 0xFF);
      buffer[1] = static_cast<char>(unit >> 8);
      buffer[2] = buffer[3] = 0;
      return 2;
    case kEncodingUtf16BE:
      buffer[0] = static_cast<char>(unit >> 8);
      buffer[1] = static_cast<char>(unit & 0xFF);
      buffer[2] = buffer[3] = 0;
      return 2;
    default: {
      uint8_t byte = Utf16ToCodePageChar(static_cast<uint16_t>(unit), encoding);
      n = byte ? 1 : 0;
      buffer[0] = static_cast<char>(byte);
      break;
    }
  }
  buffer[n] = 0;
  return n;
}

void TextBufFromCodepage(T_TextBuf* buffer, const char* text, TextEncoding encoding) {
  TextBufSetLength(buffer, 0);
  if (!text || !*text) return;
  int32_t n = CodePageUtf8Len(text, encoding);
  auto* converted = static_cast<char*>(MemAlloc(static_cast<int64_t>(n) + 1, 0));
  if (!converted) return;
  CodePageToUtf8(converted, text, encoding);
  TextBufAssignBytes(buffer, converted, n);  // cut between characters when it does not fit
  MemFree(converted);
}

void TextBufToCodepage(T_TextBuf* buffer, TextEncoding encoding) {
  // The 8-bit form is never longer, so it can be written over the text it is read from.
  TextBufSetLength(buffer, Utf8ToCodePage(buffer->data, buffer->data, encoding));
}

void CodepageDecoderSet(TextDecoder* decoder, TextEncoding encoding) {
  decoder->encoding = encoding;
  TextDecoderSetEncoding(decoder);
}
