#pragma once
// UTF-8 as the program reads and writes it: 1- to 3-byte sequences for the Basic Multilingual
// Plane and 4-byte sequences for the characters from U+10000 to U+10FFFF (emoji and the like,
// which the edit field stores as typed). A UTF-16 surrogate pair becomes one 4-byte sequence and
// back; a lone surrogate unit is written as a 3-byte sequence, and such 3-byte surrogate forms
// (older texts hold pairs of them) still decode unit by unit.
//
// A character is well-formed when its lead byte announces its length, every continuation byte
// (10xxxxxx) is there and the code is not written longer than it needs (no overlong forms, which
// could smuggle a NUL or a control byte past a check) and not above U+10FFFF. Anything else is an
// invalid lead: decoders give 0 for it and step one byte, so no walk ever passes the NUL of a
// damaged text.
#include <cstdint>

static_assert(sizeof(wchar_t) == 2, "UTF-16 units are wchar_t on Windows");

constexpr uint32_t kMaxCodePoint = 0x10FFFF;

// 1, 2, 3 or 4 by the lead byte's bit pattern; 1 for anything that is not a 2- to 4-byte lead.
int32_t Utf8SeqLen(uint8_t lead);
// Bytes that the code takes: 1, 2, 3, or 4 from U+10000 on.
int32_t Utf8EncodedLen(uint32_t code);
// Writes the code as 1 to 4 bytes (no NUL) and returns their number. A code above U+10FFFF is
// written as U+FFFD.
int32_t Utf8Encode(char* buffer, uint32_t code);
// The same followed by a NUL (not counted).
int32_t Utf8EncodeZ(char* buffer, uint32_t unit);

// The length (1 to 4) of the well-formed character at p within [p, end); 0 when the bytes there
// are no character; -1 when end cuts a character whose bytes so far are right.
int32_t Utf8CharLengthIn(const char* p, const char* end);

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
// buffer head that ends inside a character, so a character cut by the end counts as valid).
// True when all are well-formed.
bool Utf8IsValid(const char* bytes, int32_t n);
// Same range: 0 when all checked bytes are ASCII, 2 when there are multi-byte sequences and all
// are valid, 1 at the first invalid sequence.
int32_t Utf8Sniff(const char* bytes, int32_t n);

// UTF-16 to UTF-8, a surrogate pair as one 4-byte character. All NUL-terminate and return the
// length written. The caller provides room (Utf16Utf8Len + 1) except for the Cap forms, which
// stop before a character whose bytes and the NUL would not fit in capacity bytes (capacity >=
// 1).
int32_t Utf16ToUtf8(char* buffer, const wchar_t* wide);
int32_t Utf16ToUtf8N(char* buffer, const wchar_t* wide, int32_t n);
int32_t Utf16ToUtf8Cap(char* buffer, int32_t capacity, const wchar_t* wide);
int32_t Utf16ToUtf8CapN(char* buffer, int32_t capacity, const wchar_t* wide, int32_t n);
int32_t Utf16Utf8Len(const wchar_t* wide);
int32_t Utf16Utf8LenN(const wchar_t* wide, int32_t n);

// The code as UTF-16: one unit, or a surrogate pair from U+10000 on; returns the units written.
int32_t Utf16Encode(wchar_t* out, uint32_t code);
// True when units[i] and units[i + 1] (i + 1 < n) form a surrogate pair.
inline bool Utf16PairAt(const wchar_t* units, int32_t i, int32_t n) {
  return i + 1 < n && (units[i] & 0xFC00) == 0xD800 && (units[i + 1] & 0xFC00) == 0xDC00;
}
inline uint32_t Utf16PairCode(wchar_t high, wchar_t low) {
  return 0x10000u + ((static_cast<uint32_t>(high) - 0xD800u) << 10) +
         (static_cast<uint32_t>(low) - 0xDC00u);
}

// A 16-bit unit from two bytes, advancing the cursor by 2.
uint16_t ReadU16LE(const uint8_t** cursor);
uint16_t ReadU16BE(const uint8_t** cursor);
