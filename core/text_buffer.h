#pragma once
// T_TextBuf, the program's one string: UTF-8 bytes with a 111-byte inline buffer that moves to a
// MemAlloc block when the text grows, never beyond 32600 bytes. Texts that do not fit are cut,
// never overrun, and only between UTF-8 characters; single units that do not fit are dropped
// and number appends are skipped. Growth failure (memory exhausted) is handled the same way.
//
// Invariants:
//   1. data[length] is 0 and length <= capacity; length <= 32600;
//   2. data is the inline buffer exactly when heap is null (capacity is then 111);
//   3. growth never reverses, except through TextBufWipe.
//
// Every operation accepts source bytes that lie inside the buffer itself.
// Owned block texts (MemAlloc blocks of length + 1 bytes ending in NUL, null meaning empty) are
// passed as const char*.
#include <cstdint>

constexpr int32_t kTextBufInline = 111;
constexpr int32_t kTextBufMax = 32600;

struct NumFormat;
struct T_WideBuf;

struct T_TextBuf {
  int32_t length;
  int32_t capacity;
  char* data;
  char* heap;
  char inlineBuffer[kTextBufInline + 1];

  T_TextBuf();
  explicit T_TextBuf(const char* text);
  T_TextBuf(const T_TextBuf& other);
  T_TextBuf& operator=(const T_TextBuf& other);
  ~T_TextBuf();

  const char* c_str() const { return data; }
  bool empty() const { return length == 0; }
};

// --- Life -----------------------------------------------------------------------------------

char* TextBufInit(T_TextBuf* buffer);
// Frees the heap block without erasing; the buffer is left empty on its inline buffer.
void TextBufFree(T_TextBuf* buffer);
// Zeroes the inline buffer and the whole heap block, frees the block and leaves the buffer empty
// on its inline buffer, so no byte of the text outlives it in memory.
void TextBufWipe(T_TextBuf* buffer);
// Wipes two adjacent buffers (a record that holds a pair).
void TextBufPairWipe(T_TextBuf* pair);
// Room for n bytes (cut at 32600): returns the usable length, the old capacity when memory runs
// out.
int32_t TextBufGrow(T_TextBuf* buffer, int32_t n);
// 0 <= n <= capacity (and <= 32600): sets the length and writes the NUL; other values are ignored.
void TextBufSetLength(T_TextBuf* buffer, int32_t n);
void TextBufTruncate(T_TextBuf* buffer, int32_t n);  // shortens only
// An owned block text with a copy of the text; null for an empty text or when memory runs out.
char* TextBufToBlock(const T_TextBuf* buffer);

// --- Assign -----------------------------------------------------------------------------------

char* TextBufAssign(T_TextBuf* buffer, const char* text);  // null gives empty
void TextBufAssignBuf(T_TextBuf* buffer, const T_TextBuf* source);
void TextBufAssignBytes(T_TextBuf* buffer, const char* bytes, int32_t n);
void TextBufAssignBlock(T_TextBuf* buffer, const char* block);
void TextBufAssignChar(T_TextBuf* buffer, char c);
void TextBufAssignWideChar(T_TextBuf* buffer, uint32_t unit);  // as 1-3 UTF-8 bytes
void TextBufAssignRepeat(T_TextBuf* buffer, char c, int32_t n);
void TextBufAssignInt(T_TextBuf* buffer, int32_t value);
void TextBufAssignInt64(T_TextBuf* buffer, int64_t value);
// Groups of three digits; kSeparatorGlobal means the global thousands separator.
void TextBufAssignIntGrouped(T_TextBuf* buffer, int64_t value, uint32_t separator);
void TextBufAssignDouble(T_TextBuf* buffer, double value);  // the default NumFormat
void TextBufAssignDoubleFormat(T_TextBuf* buffer, double value, const NumFormat* format);
// UTF-16 by the program's own encoder (unit by unit, 1-3 bytes each).
void TextBufAssignUtf16(T_TextBuf* buffer, const wchar_t* wide);
void TextBufAssignUtf16N(T_TextBuf* buffer, const wchar_t* wide, int32_t n);
// UTF-16 by the system's conversion (surrogate pairs become 4-byte sequences); null gives empty.
void TextBufAssignWide(T_TextBuf* buffer, const wchar_t* wide);
void TextBufAssignWideBuf(T_TextBuf* buffer, const T_WideBuf* wide);

// --- Append -----------------------------------------------------------------------------------

void TextBufAppend(T_TextBuf* buffer, const char* text);  // null: no change
void TextBufAppendBuf(T_TextBuf* buffer, const T_TextBuf* source);
void TextBufAppendBytes(T_TextBuf* buffer, const char* bytes, int32_t n);  // n <= 0: no change
void TextBufAppendBlock(T_TextBuf* buffer, const char* block);             // null: no change
void TextBufAppendChar(T_TextBuf* buffer, char c);
void TextBufAppendWideChar(T_TextBuf* buffer, uint32_t unit);
void TextBufAppendWide(T_TextBuf* buffer, const wchar_t* wide);
void TextBufAppendInt(T_TextBuf* buffer, int32_t value);
// "-" for a negative value, then exactly width digits (zero-padded, higher digits dropped).
void TextBufAppendIntWidth(T_TextBuf* buffer, int32_t value, int32_t width);
void TextBufAppendInt64(T_TextBuf* buffer, int64_t value);
void TextBufAppendInt64Width(T_TextBuf* buffer, int64_t value, int32_t width);
void TextBufAppendDoubleFormat(T_TextBuf* buffer, double value, const NumFormat* format);

// --- Insert at a byte position (0..length; the tail moves right, the inserted text is cut) ---

void TextBufInsertBuf(T_TextBuf* buffer, int32_t position, const T_TextBuf* source);
void TextBufInsert(T_TextBuf* buffer, int32_t position, const char* text);  // null: no change
void TextBufInsertBlock(T_TextBuf* buffer, int32_t position, const char* block);
void TextBufInsertChar(T_TextBuf* buffer, int32_t position, char c);
void TextBufInsertWideChar(T_TextBuf* buffer, int32_t position, uint32_t unit);

// --- Replace and delete -----------------------------------------------------------------------

// Replaces n bytes at the position by m bytes; false (and no change) when the result would not
// fit or the range lies outside the text.
bool TextBufReplaceBytes(T_TextBuf* buffer, int32_t position, int32_t n, const char* source,
                         int32_t m);
void TextBufReplace(T_TextBuf* buffer, int32_t position, int32_t n,
                    const char* text);  // null deletes
// Every occurrence of find (case ignored), the search continuing after each replacement.
void TextBufReplaceAll(T_TextBuf* buffer, const char* find, const char* replacement);
void TextBufDeleteChar(T_TextBuf* buffer, int32_t position);  // beyond the end: no change
// A range that reaches the end cuts the text at the position.
void TextBufDelete(T_TextBuf* buffer, int32_t position, int32_t n);
// Drops the last character (all its bytes).
void TextBufDropLast(T_TextBuf* buffer);
void TextBufTrimRight(T_TextBuf* buffer, char c);
void TextBufTrimLeft(T_TextBuf* buffer, char c);
void TextBufTrim(T_TextBuf* buffer, char c);
void TextBufRemoveChar(T_TextBuf* buffer, char c);
void TextBufRemoveAll(T_TextBuf* buffer, const char* text);  // case ignored
// Trims "&" from both ends, then reduces every run of "&" to one.
void TextBufSquashAmpersands(T_TextBuf* buffer);
// Every "%" followed by two hexadecimal digits (digits or upper-case A-F) becomes that byte, in
// one forward pass: a decoded byte never forms a new "%" sequence with what follows. A control
// byte (below 32, and 127) is dropped, never produced.
void TextBufPercentDecode(T_TextBuf* buffer);

// --- Search and tokens ------------------------------------------------------------------------

// Absolute index of the first occurrence at or after from, or -1.
int32_t TextBufFind(const T_TextBuf* buffer, int32_t from, const char* text);
int32_t TextBufFindNoCase(const T_TextBuf* buffer, int32_t from, const char* text);
// The text up to the next separator (or the rest, after which *cursor becomes null). A null
// cursor empties the buffer and gives false; a cursor at an empty text gives an empty token.
bool TextBufTakeToken(T_TextBuf* buffer, const char** cursor, char separator);
// The next non-empty field, without its leading and trailing blanks; false when none is left.
bool TextBufNextField(T_TextBuf* buffer, const char** cursor, char separator);
// True when one of the list's fields equals the text, case ignored.
bool TextListContains(const char* list, const char* text, char separator);
