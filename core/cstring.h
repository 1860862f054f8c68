#pragma once
// Primitives over NUL-terminated UTF-8 byte strings (C strings): length, copy, comparison,
// search, in-place editing and number-to-text writers.
//
// Cursor writers (Emit*) write at *cursor and advance it; they write no NUL and the caller
// guarantees the room. Buffer writers write a NUL after the text and return its length.
// Owned block texts are MemAlloc blocks of length + 1 bytes ending in NUL; null is empty.
#include <cstdint>

#include "core/text_buffer.h"
#include "core/utf8.h"

// --- Cursor writers ---------------------------------------------------------------------------

void EmitStr(char** cursor, const char* text);  // null writes nothing
void EmitBytes(char** cursor, const char* bytes, int32_t n);
void EmitTextBuf(char** cursor, const T_TextBuf* buffer);
void EmitBlockText(char** cursor, const char* block);  // null writes nothing
void EmitStringId(char** cursor, int32_t id);          // GetString(id); 0 writes nothing
void EmitUtf16Char(char** cursor, uint32_t unit);
void EmitShort(char** cursor, int16_t value);
void EmitInt(char** cursor, int32_t value);
// "-" for a negative value, then exactly width digits of the magnitude: zero-padded on the left,
// higher digits dropped; at least one digit.
void EmitIntWidth(char** cursor, int32_t value, int32_t width);
void EmitInt64(char** cursor, int64_t value);
void EmitInt64Width(char** cursor, int64_t value, int32_t width);
// The separator (a UTF-16 unit) between groups of three digits from the right; kSeparatorGlobal
// stands for the global thousands separator, 0 for none.
void EmitInt64Grouped(char** cursor, int64_t value, uint32_t separator);
void Emit2Digits(char** cursor, int32_t value);  // 0..99
void Emit3Digits(char** cursor, int32_t value);  // 0..999

// --- Buffer writers (room: 12 bytes for 32-bit, 21 for 64-bit, 39 grouped with a 3-byte
// separator, width + 2 for the width forms) ----------------------------------------------------

int32_t IntToStr(char* buffer, int32_t value);
int32_t IntToStrWidth(char* buffer, int32_t value, int32_t width);
int32_t Int64ToStr(char* buffer, int64_t value);
int32_t Int64ToStrWidth(char* buffer, int64_t value, int32_t width);
int32_t Int64ToStrGrouped(char* buffer, int64_t value, uint32_t separator);
int32_t Hex4(char* buffer, uint32_t value);  // low 16 bits, upper case
int32_t Hex8(char* buffer, uint32_t value);
// From the highest non-zero digit: "0" for 0, eight digits for negative values.
int32_t HexMin(char* buffer, int32_t value);
int32_t HexN(char* buffer, uint64_t value, int32_t n);  // the low n digits (n <= 16)
// Two upper-case digits per byte, a blank between bytes when spaced.
int32_t HexDump(char* buffer, const void* bytes, int32_t n, bool spaced);
// A lossy 12-bit code of the value as two characters of A-Z a-z . / 0-9, then a NUL.
void CompactNumberText(char* buffer, int32_t value);

// Upper-case hexadecimal digits of the first n bytes (stops at a NUL): characters from 'A' up
// count as their code minus 7, characters below '0' are skipped.
uint32_t ParseHex(const char* text, int32_t n);
uint32_t ParseHexBuf(const T_TextBuf* buffer);

// --- Length and copy ----------------------------------------------------------------------------

int32_t StrLen(const char* text);      // 0 for null
int32_t WStrLen(const wchar_t* text);  // UTF-16 units; 0 for null
// Returns the bytes copied; null copies nothing; always NUL-terminated.
int32_t StrCopy(char* buffer, const char* text);
int32_t StrCopyBytes(char* buffer, const char* bytes, int32_t n);
// At most n - 1 bytes and a NUL, never cutting a UTF-8 character; returns the length copied.
int32_t StrCopyN(char* buffer, int32_t n, const char* text);
int32_t StrCopyBytesN(char* buffer, int32_t capacity, const char* bytes, int32_t n);
void StrAppend(char* buffer, const char* text);  // null: nothing

// --- Comparison and search ----------------------------------------------------------------------

bool StrEqual(const char* a, const char* b);  // two nulls are equal; null differs from ""
bool StrEqualNullAsEmpty(const char* a, const char* b);
// -1, 0 or 1 by unsigned bytes; a proper prefix first. Null counts as empty.
int32_t StrCompare(const char* a, const char* b);
int32_t StrCompareNullAsEmpty(const char* a, const char* b);
// Null sorts before every text, the empty text included; two nulls are equal.
int32_t StrCompareNullFirst(const char* a, const char* b);
int32_t StrCompareNoCaseNullAsEmpty(const char* a, const char* b);
// Null sorts after every text; two nulls are equal.
int32_t StrCompareNoCaseNullLast(const char* a, const char* b);
// Kind 4 (case sensitive) compares bytes, other kinds ignore case.
int32_t StrCompareByKind(const char* a, const char* b, int32_t kind);
bool StrStartsWith(const char* text, const char* prefix);  // an empty prefix always matches
// Index of the first occurrence; -1 when absent or when the text is empty; an empty search text
// is found at 0 in a non-empty text.
int32_t StrFind(const char* text, const char* search);
int32_t StrFindChar(const char* text, char c);

// Style bits 1 slash style, 2 backslash style (the default); kind bits 16 absolute, 32 relative
// (both by default). True as soon as one asked style and kind matches.
constexpr int32_t kPathSlash = 1;
constexpr int32_t kPathBackslash = 2;
constexpr int32_t kPathAbsolute = 16;
constexpr int32_t kPathRelative = 32;
bool PathIsKind(const char* path, int32_t flags);
// True when a's path hash is not 0 and equals b's (two spellings of one path).
bool PathEqualByHash(const char* a, const char* b);
// True when the file-name part contains "*" or "?".
bool PathHasWildcards(const char* path);

// Index of the letter in "ULDWSN" stored through out; -1 when absent (out untouched).
int32_t CaseModeFromLetter(int32_t* out, char letter);
// The letter of a rule 0..5 of "ULDWSN"; 0 for any other rule.
char CaseModeToLetter(int32_t rule);
// 1 word break (blank - . / _ U+00A0 U+2026), 2 punctuation that keeps the word state
// (" # ' ( ) : ; [ ] { }), 0 every other character.
int32_t CharBreakClass(uint32_t code);

// --- In-place editing (each returns the new length) --------------------------------------------

int32_t StrReplaceChar(char* text, char from, char to);
int32_t StrRemoveControls(char* text);
// Every byte below 32 (TAB, CR, LF and the other controls) becomes a blank, so a stored text can
// never split a field or a line of the section stream.
int32_t StrBlankControls(char* text);
int32_t StrRemoveChars(char* text, const char* set);
int32_t StrSquashBlanks(char* text);
// Control characters other than line ends go; each line end (CR, LF, CR LF) drops the blanks
// before it and becomes one CR, except at the start of the output; line ends at the end go.
int32_t StrNormalizeLines(char* text);
// Named entities of the entity table and every character reference ("&#" decimal digits ";",
// "&#x" hexadecimal digits ";", for U+0001 to U+10FFFF; so "&#09;" as older files write it too)
// become the character's UTF-8 bytes; any other "&" stays.
int32_t StrDecodeEntities(char* text);
// UTF-8 in place through the case tables; 1- and 2-byte characters are mapped, longer ones
// (characters beyond U+FFFF among them) kept, the walk stops at an invalid byte.
void StrToUpper(char* text);
void StrToLower(char* text);
void WStrToUpper(wchar_t* text);
void WStrToLower(wchar_t* text);
void WStrCapitalize(wchar_t* text);

// The place of a character in a string of letters that stands for a list of choices (a record's
// option letters), or -1 for a letter not there and for the terminating zero.
int32_t LetterIndex(const char* letters, char c);
// Sets *target to the letter's place when the letter is one of them; leaves it otherwise.
template <typename T>
void SetFromLetter(const char* letters, char c, T* target) {
  const int32_t i = LetterIndex(letters, c);
  if (i >= 0) *target = static_cast<T>(i);
}
