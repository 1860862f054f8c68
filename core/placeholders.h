#pragma once
// Numbered placeholders of user-interface messages ("@0" to "@9"), shortening of long texts, the
// program title, and the query part of URLs.
//
// URL query texts are pairs of a name, "=" and a value, separated by "&"; a "?" also separates
// pairs; a pair starts at the text's start or after "&" or "?". Values are written escaped (see
// UrlAddParam) and read decoded, so any value comes back as it went in.
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

// When the text is longer than limit bytes, replaces (length - limit + 1) bytes at the position
// by the given text (an ellipsis). The removed range is widened to whole UTF-8 characters.
void TextBufAbbreviate(T_TextBuf* buffer, int32_t limit, int32_t position, const char* text);

// The program's name-and-version text followed by its title suffix.
void ProgramTitle(T_TextBuf* buffer);
// Stores both parts (cut to 24 and 16 bytes); start-up calls it whenever the names are set.
void ProgramTitleSetParts(const char* name, const char* suffix);

// --- URL query texts --------------------------------------------------------------------------

// "%" and two upper-case hexadecimal digits.
void UrlAppendHexByte(T_TextBuf* buffer, uint8_t byte);
// Every '"', "%", "<" and ">" becomes "%" and its two hexadecimal digits.
void UrlEscapeSpecial(T_TextBuf* buffer);
// "+" becomes a blank and "%" with two hexadecimal digits (either letter case) becomes that
// byte, in one forward pass; other "%" sequences stay.
void UrlDecode(T_TextBuf* buffer);
// Appends "?" (no "?" yet) or "&" unless the text is empty or ends with one of them, then name,
// "=" and the value: a blank as "+"; bytes below 32, the bytes of non-ASCII characters and
// + % & = # ? / " < > as %XX; other characters as they are. The value is read as UTF-8 and ends
// at an invalid lead byte.
void UrlAddParam(T_TextBuf* buffer, const char* name, const char* value);
// Removes every pair of that name with one separator: the one after it, or for the last pair
// the one before it.
void UrlRemoveParam(T_TextBuf* buffer, const char* name);
void UrlSetParam(T_TextBuf* buffer, const char* name, const char* value);
// True when name "=" value (as written) stands at a pair start, followed by the end, "&" or "?".
bool UrlHasParam(const char* text, const char* name, const char* value);
// The decoded value of the first pair of that name; empty when there is none.
void UrlGetParam(const char* text, const char* name, T_TextBuf* value);
// The next pair from *cursor with a non-empty name and an "="; the cursor is left behind its
// separator (or at the end). A "/" voids the pair it stands in (a path is not a parameter).
// Without a pair both texts come back empty and the result is false.
bool UrlNextParam(const char** cursor, T_TextBuf* name, T_TextBuf* value);
