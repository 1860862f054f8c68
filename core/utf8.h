#pragma once
// UTF-8 as the program writes it: 1- to 3-byte sequences for the UTF-16 units of the Basic
// Multilingual Plane. UTF-16 is converted unit by unit, so a surrogate pair becomes two 3-byte
// sequences and a 4-byte sequence (lead 11110xxx) is never decoded.
//
// A lead byte whose continuation bytes are missing (a NUL, the end of a range, or any byte other
// than 10xxxxxx) counts as an invalid lead: decoders give 0 for it and step one byte, so no walk
// ever passes the NUL of a damaged text.
#include <cstdint>

static_assert(sizeof(wchar_t) == 2, "UTF-16 units are wchar_t on Windows");

// 1, 2 or 3 by the lead byte's bit pattern; 1 for anything that is not a 2- or 3-byte lead.
int32_t Utf8SeqLen(uint8_t lead);
// Bytes that the unit takes: 1, 2 or 3.
int32_t Utf8EncodedLen(uint32_t unit);
// Writes the unit as 1 to 3 bytes (no NUL) and returns their number.
int32_t Utf8Encode(char* buffer, uint32_t unit);
// The same followed by a NUL (not counted).
int32_t Utf8EncodeZ(char* buffer, uint32_t unit);

// The code of the character at p; 0 for an invalid lead byte (or a null p).
uint32_t Utf8Decode(const char* p);
// The same, upper-cased for 1- and 2-byte characters.
uint32_t Utf8DecodeUpper(const char* p);
// Decodes the character at *cursor and advances past it; an invalid lead gives 0 and advances 1.
uint32_t Utf8NextChar(const char** cursor);
uint32_t Utf8NextCharUpper(const char** cursor);
// Moves *cursor back to the lead byte of the character before it and decodes there. The caller
// guarantees that a character precedes the cursor.
uint32_t Utf8PrevChar(const char** cursor);
// Number of characters of a C string; 0 when an invalid lead byte is met (0 for null).
int32_t Utf8CharCount(const char* text);
// Length of the longest prefix of bytes[0, n) that ends on a character boundary: a sequence cut
// by n is left out whole. Every byte cut of UTF-8 text goes through this.
int32_t Utf8BoundaryAtOrBefore(const char* bytes, int32_t n);

// Checks every sequence that starts before the last two bytes of the range (the range may be a
// buffer head that ends inside a character). True when all are valid 1-3 byte sequences.
bool Utf8IsValid(const char* bytes, int32_t n);
// Same range: 0 when all checked bytes are ASCII, 2 when there are multi-byte sequences and all
// are valid, 1 at the first invalid sequence.
int32_t Utf8Sniff(const char* bytes, int32_t n);

// UTF-16 to UTF-8. All NUL-terminate and return the length written. The caller provides room
// (Utf16Utf8Len + 1) except for the Cap forms, which stop before a character whose bytes and the
// NUL would not fit in capacity bytes (capacity >= 1).
int32_t Utf16ToUtf8(char* buffer, const wchar_t* wide);
int32_t Utf16ToUtf8N(char* buffer, const wchar_t* wide, int32_t n);
int32_t Utf16ToUtf8Cap(char* buffer, int32_t capacity, const wchar_t* wide);
int32_t Utf16ToUtf8CapN(char* buffer, int32_t capacity, const wchar_t* wide, int32_t n);
int32_t Utf16Utf8Len(const wchar_t* wide);
int32_t Utf16Utf8LenN(const wchar_t* wide, int32_t n);

// A 16-bit unit from two bytes, advancing the cursor by 2.
uint16_t ReadU16LE(const uint8_t** cursor);
uint16_t ReadU16BE(const uint8_t** cursor);
