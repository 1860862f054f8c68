#pragma once
// Text encodings: the numbers that files, settings and import setups store, the five 8-bit code
// page tables, conversions between 8-bit text and UTF-8, and TextDecoder, which turns a byte
// buffer of any encoding into UTF-8.
//
// Inside the program all text is UTF-8 (core/utf8.h). Bytes below 0x80 are ASCII in every 8-bit
// encoding; a code page table holds the 128 UTF-16 units of the bytes 0x80..0xFF, so no page
// holds a character beyond U+FFFF. A number without a table of its own (0, 1, 2 or any number
// outside 0..8) is read with the Windows Latin 1 table wherever a table is needed.
//
// Malformed UTF-8 never makes a reader leave its text: a sequence is taken only when it is
// well-formed; a stray or overlong byte is skipped alone, and a malformed 4-byte sequence is
// skipped with the continuation bytes that follow its lead.
#include <cstdint>

struct T_TextBuf;

using TextEncoding = int32_t;
constexpr TextEncoding kEncodingUtf8 = 0;
constexpr TextEncoding kEncodingUtf16LE = 1;
constexpr TextEncoding kEncodingUtf16BE = 2;
constexpr TextEncoding kEncodingSystemPage = 3;
constexpr TextEncoding kEncodingMacRoman = 4;
constexpr TextEncoding kEncodingMacRomanCE = 5;
constexpr TextEncoding kEncodingLatin1 = 6;  // Windows code page 1252
constexpr TextEncoding kEncodingLatin2 = 7;  // Windows code page 1250
constexpr TextEncoding kEncodingPc8 = 8;     // IBM PC code page 437

// "UTF-8", "UTF-16LE", ... "PC-8": the key word files and XML prologs carry; null for numbers
// outside 0..8.
const char* EncodingKey(TextEncoding number);
// "UTF-8", "UTF-16 LE", ... "PC DOS OEM": the name shown to the user; null outside 0..8.
const char* EncodingName(TextEncoding number);
// The registered charset name of the bytes the output encoders write for the number ("UTF-8",
// "UTF-16LE", "UTF-16BE", "windows-1252", "windows-1250", "macintosh", "IBM437"), for XML
// prologs and HTML pages; encoding 3 is named by the page it lends. Null for Mac OS Central
// European, which no other reader knows. The key words above stay what settings store.
const char* EncodingCharset(TextEncoding number);

// The 128-unit table for 3..8 (3 is the system page), null otherwise.
const uint16_t* CodePageTable(TextEncoding number);
// Makes encoding 3 read with the table of the given number. A number without a table of its own
// selects Windows Latin 1, the page encoding 3 has until this is called. Called at start-up,
// before any other thread runs.
void SetSystemCodePage(TextEncoding number);

uint16_t CodePageCharToUtf16(uint8_t byte, TextEncoding number);
// The byte of the unit in the code page: the unit itself below 0x80, 0 when the page lacks it.
uint8_t Utf16ToCodePageChar(uint16_t unit, TextEncoding number);

// Bytes the NUL-terminated 8-bit text needs in UTF-8, NUL excluded (0 for null).
int32_t CodePageUtf8Len(const char* text, TextEncoding number);
// The NUL-terminated 8-bit text in UTF-8, NUL-terminated; buffer holds CodePageUtf8Len + 1 bytes.
void CodePageToUtf8(char* buffer, const char* text, TextEncoding number);
// The NUL-terminated UTF-8 text in the 8-bit encoding, NUL-terminated; returns the length.
// Characters the page lacks (every one beyond U+FFFF among them) are dropped. The result is never
// longer than the text, so buffer may be text itself.
int32_t Utf8ToCodePage(char* buffer, const char* text, TextEncoding number);

// The buffer's bytes, read as 8-bit text, become their UTF-8 form. When the buffer cannot grow
// enough (the text limit, or memory) the text is cut after the last whole character that fits.
void TextBufFromCodePageInPlace(T_TextBuf* buffer, TextEncoding number);

// Decodes byte buffers of any encoding into UTF-8.
struct TextDecoder {
  TextEncoding encoding;
  // Owned MemAlloc block of 256 units: bytes 0..127 themselves, 128..255 from the code page,
  // each passed through the mapping when there is one. Null for encodings 0..2.
  uint16_t* byteTable;
  // Owned MemAlloc block of 65536 units indexed by UTF-16 unit, or null: a substitution applied
  // to every decoded character. Rebuild the byte table after changing it.
  uint16_t* mapping;
};

void TextDecoderInit(TextDecoder* decoder);
// Rebuilds the byte table for decoder->encoding. When memory runs out the table stays null and
// TextDecoderConvert reads the code page directly.
void TextDecoderSetEncoding(TextDecoder* decoder);
// Decodes the n input bytes and writes UTF-8 to output, no NUL; returns the bytes written. Stops
// before a character once capacity - 2 bytes are written, or before a 4-byte character that
// would not fit, so never more than capacity bytes are written. A UTF-16 surrogate pair becomes
// one 4-byte character; the mapping applies to characters up to U+FFFF. A UTF-16 input of odd
// length leaves its last byte.
int32_t TextDecoderConvert(TextDecoder* decoder, char* output, int32_t capacity, const char* input,
                           int32_t n);
void TextDecoderFree(TextDecoder* decoder);

// The user-interface language 0..12 whose code ("US", "CZE", ... "SWE") equals the text, letter
// case ignored; -1 for any other text and for null.
int32_t LanguageFromCode(const char* code);
