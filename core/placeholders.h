#pragma once
// Numbered placeholders of user-interface messages ("@0" to "@9"), shortening of long texts and
// the query part of URLs.
#include <cstdint>

#include "core/text_buffer.h"

// Replaces every "@" followed by the digit (0 to 9; the characters '0' to '9' are accepted too)
// by the text. The scan continues behind each inserted text, so inserted texts are never filled
// again. What does not fit in the buffer's 32600 bytes is cut.
void TextBufFillParamBuf(T_TextBuf* buffer, int32_t digit, const T_TextBuf* text);
void TextBufFillParam(T_TextBuf* buffer, int32_t digit, const char* text);  // null fills ""
void TextBufFillParamBytes(T_TextBuf* buffer, int32_t digit, const char* bytes, int32_t n);
void TextBufFillParamBlock(T_TextBuf* buffer, int32_t digit, const char* block);
void TextBufFillParamInt(T_TextBuf* buffer, int32_t digit, int32_t value);
void TextBufFillParamInt64(T_TextBuf* buffer, int32_t digit, int64_t value);
