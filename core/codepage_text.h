#pragma once
// Conversions between text buffers and the 8-bit encodings, on top of the code page tables.
#include <cstdint>

#include "core/code_pages.h"
#include "core/text_buffer.h"

// The UTF-16 unit in the encoding, followed by a NUL (two zero bytes for UTF-16): UTF-8 1 to 3
// bytes, UTF-16LE/BE 2 bytes, a code page 1 byte (0 bytes when the page lacks the character).
// Returns the bytes written before the NUL; the buffer holds 4 bytes.
int32_t EncodeUnit(char* buffer, uint32_t unit, TextEncoding encoding);
// The NUL-terminated 8-bit text converted to UTF-8 into the buffer (bytes below 128 unchanged,
// others through the page's table; an encoding without a table reads as Windows Latin 1).
void TextBufFromCodepage(T_TextBuf* buffer, const char* text, TextEncoding encoding);
// The buffer's UTF-8 text converted in place to the 8-bit encoding; characters the page lacks are
// dropped.
void TextBufToCodepage(T_TextBuf* buffer, TextEncoding encoding);
// Sets the decoder's encoding and rebuilds its byte table.
void CodepageDecoderSet(TextDecoder* decoder, TextEncoding encoding);
