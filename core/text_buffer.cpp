#include "core/text_buffer.h"

#include <windows.h>

#include <cstring>

#include "core/cstring.h"
#include "core/locale.h"
#include "core/memory.h"
#include "core/number_text.h"
#include "core/owned_text.h"
#include "core/wide_buffer.h"

namespace {

bool PointsInto(const T_TextBuf* buffer, const char* bytes) {
  return bytes >= buffer->data && bytes <= buffer->data + buffer->capacity;
}

// The usable length for a text of wanted bytes: wanted itself, or less when the 32600-byte cap
// or memory stops the growth. Source bytes inside the buffer survive the move (Grow copies the
// whole text) and are re-pointed through *inside.
int32_t RoomFor(T_TextBuf* buffer, int32_t wanted, const char** inside = nullptr) {
  if (wanted > kTextBufMax) wanted = kTextBufMax;
  if (wanted <= buffer->capacity) return wanted;
  ptrdiff_t offset = 0;
  bool aliased = inside && *inside && PointsInto(buffer, *inside);
  if (aliased) offset = *inside - buffer->data;
  TextBufGrow(buffer, wanted);
  if (aliased) *inside = buffer->data + offset;
  return wanted <= buffer->capacity ? wanted : buffer->capacity;
}

// Writes a whole number text or nothing.
void AppendWhole(T_TextBuf* buffer, const char* text, int32_t n) {
  if (RoomFor(buffer, buffer->length + n) < buffer->length + n) return;
  std::memcpy(buffer->data + buffer->length, text, static_cast<size_t>(n));
  buffer->length += n;
  buffer->data[buffer->length] = 0;
}

void InsertBytes(T_TextBuf* buffer, int32_t position, const char* bytes, int32_t n) {
  if (n <= 0 || position < 0 || position > buffer->length) return;
  int32_t room = RoomFor(buffer, buffer->length + n, &bytes);
  int32_t take = room - buffer->length;
  if (take <= 0) return;
  if (take < n) take = Utf8BoundaryAtOrBefore(bytes, take);
  TextBufReplaceBytes(buffer, position, 0, bytes, take);
}

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }
int32_t HexValue(char c) { return c <= '9' ? c - '0' : c - 'A' + 10; }

void AssignFromSystemWide(T_TextBuf* buffer, const wchar_t* wide, int32_t units, bool append) {
  if (!append) TextBufSetLength(buffer, 0);
  if (!wide || units <= 0) return;
  int n = WideCharToMultiByte(CP_UTF8, 0, wide, units, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return;
  int32_t room = RoomFor(buffer, buffer->length + n);
  if (room >= buffer->length + n) {
    WideCharToMultiByte(CP_UTF8, 0, wide, units, buffer->data + buffer->length, n, nullptr,
                        nullptr);
    buffer->length += n;
    buffer->data[buffer->length] = 0;
    return;
  }
  // Too long for the buffer: convert aside and keep what fits.
  auto* block = static_cast<char*>(MemAlloc(n, 0));
  if (!block) return;
  WideCharToMultiByte(CP_UTF8, 0, wide, units, block, n, nullptr, nullptr);
  TextBufAppendBytes(buffer, block, n);
  MemFree(block);
}

int32_t BlockLength(const char* block) {
  return block ? static_cast<int32_t>(MemSize(block) - 1) : 0;
}

}  // namespace

T_TextBuf::T_TextBuf() { TextBufInit(this); }

T_TextBuf::T_TextBuf(const char* text) {
  TextBufInit(this);
  TextBufAssign(this, text);
}

T_TextBuf::T_TextBuf(const T_TextBuf& other) {
  TextBufInit(this);
  TextBufAssignBuf(this, &other);
}

T_TextBuf& T_TextBuf::operator=(const T_TextBuf& other) {
  if (this != &other) TextBufAssignBuf(this, &other);
  return *this;
}

T_TextBuf::~T_TextBuf() { MemFree(heap); }

// --- Life -----------------------------------------------------------------------------------

char* TextBufInit(T_TextBuf* buffer) {
  buffer->length = 0;
  buffer->capacity = kTextBufInline;
  buffer->data = buffer->inlineBuffer;
  buffer->heap = nullptr;
  buffer->inlineBuffer[0] = 0;
  return buffer->data;
}

void TextBufFree(T_TextBuf* buffer) {
  MemFree(buffer->heap);
  TextBufInit(buffer);
}

void TextBufWipe(T_TextBuf* buffer) {
  // volatile stores: the compiler must not drop the erasure of memory that is freed next.
  volatile char* p = buffer->inlineBuffer;
  for (int32_t i = 0; i <= kTextBufInline; ++i) p[i] = 0;
  if (buffer->heap) {
    volatile char* h = buffer->heap;
    int64_t size = MemSize(buffer->heap);
    for (int64_t i = 0; i < size; ++i) h[i] = 0;
  }
  TextBufFree(buffer);
}

void TextBufPairWipe(T_TextBuf* pair) {
  TextBufWipe(&pair[0]);
  TextBufWipe(&pair[1]);
}

int32_t TextBufGrow(T_TextBuf* buffer, int32_t n) {
  int32_t t = n < kTextBufMax ? n : kTextBufMax;
  if (t <= buffer->capacity) return t;
  int32_t blockSize = (t + 127) & ~3;
  auto* block = static_cast<char*>(MemAlloc(blockSize, 0));
  if (!block) return buffer->capacity;
  std::memcpy(block, buffer->data, static_cast<size_t>(buffer->length) + 1);
  MemFree(buffer->heap);
  buffer->data = buffer->heap = block;
  buffer->capacity = blockSize - 1;
  return t;
}

void TextBufSetLength(T_TextBuf* buffer, int32_t n) {
  if (n < 0 || n > buffer->capacity || n > kTextBufMax) return;
  buffer->length = n;
  buffer->data[n] = 0;
}

void TextBufTruncate(T_TextBuf* buffer, int32_t n) {
  if (n >= 0 && n < buffer->length) TextBufSetLength(buffer, n);
}

char* TextBufToBlock(const T_TextBuf* buffer) { return StrDupBytes(buffer->data, buffer->length); }

// --- Assign -----------------------------------------------------------------------------------

void TextBufAssignBytes(T_TextBuf* buffer, const char* bytes, int32_t n) {
  if (bytes && PointsInto(buffer, bytes) && n > 0) {
    // A piece of the text itself: move it to the front.
    int32_t start = static_cast<int32_t>(bytes - buffer->data);
    if (start + n > buffer->length) n = buffer->length - start;
    if (n < 0) n = 0;
    std::memmove(buffer->data, bytes, static_cast<size_t>(n));
    TextBufSetLength(buffer, n);
    return;
  }
  buffer->length = 0;
  buffer->data[0] = 0;
  TextBufAppendBytes(buffer, bytes, n);
}

char* TextBufAssign(T_TextBuf* buffer, const char* text) {
  TextBufAssignBytes(buffer, text, text ? static_cast<int32_t>(std::strlen(text)) : 0);
  return buffer->data;
}

void TextBufAssignBuf(T_TextBuf* buffer, const T_TextBuf* source) {
  if (buffer != source) TextBufAssignBytes(buffer, source->data, source->length);
}

void TextBufAssignBlock(T_TextBuf* buffer, const char* block) {
  TextBufAssignBytes(buffer, block, BlockLength(block));
}

void TextBufAssignChar(T_TextBuf* buffer, char c) {
  TextBufSetLength(buffer, 0);
  TextBufAppendChar(buffer, c);
}

void TextBufAssignWideChar(T_TextBuf* buffer, uint32_t unit) {
  TextBufSetLength(buffer, 0);
  TextBufAppendWideChar(buffer, unit);
}

void TextBufAssignRepeat(T_TextBuf* buffer, char c, int32_t n) {
  TextBufSetLength(buffer, 0);
  if (n <= 0) return;
  n = RoomFor(buffer, n);
  std::memset(buffer->data, c, static_cast<size_t>(n));
  TextBufSetLength(buffer, n);
}

void TextBufAssignInt(T_TextBuf* buffer, int32_t value) {
  TextBufSetLength(buffer, 0);
  TextBufAppendInt(buffer, value);
}

void TextBufAssignInt64(T_TextBuf* buffer, int64_t value) {
  TextBufSetLength(buffer, 0);
  TextBufAppendInt64(buffer, value);
}

void TextBufAssignIntGrouped(T_TextBuf* buffer, int64_t value, uint32_t separator) {
  char text[32 + 6 * 3];
  int32_t n = Int64ToStrGrouped(text, value, separator);
  TextBufSetLength(buffer, 0);
  AppendWhole(buffer, text, n);
}

void TextBufAssignDouble(T_TextBuf* buffer, double value) {
  TextBufAssignDoubleFormat(buffer, value, DefaultNumFormat());
}

void TextBufAssignDoubleFormat(T_TextBuf* buffer, double value, const NumFormat* format) {
  TextBufSetLength(buffer, 0);
  TextBufAppendDoubleFormat(buffer, value, format);
}

void TextBufAssignUtf16N(T_TextBuf* buffer, const wchar_t* wide, int32_t n) {
  TextBufSetLength(buffer, 0);
  if (!wide || n <= 0) return;
  int32_t needed = Utf16Utf8LenN(wide, n);
  int32_t room = RoomFor(buffer, needed);
  // The capacity form stops before a character that would not fit whole.
  int32_t written = Utf16ToUtf8CapN(buffer->data, room + 1, wide, n);
  TextBufSetLength(buffer, written);
}

void TextBufAssignUtf16(T_TextBuf* buffer, const wchar_t* wide) {
  TextBufAssignUtf16N(buffer, wide, WStrLen(wide));
}

void TextBufAssignWide(T_TextBuf* buffer, const wchar_t* wide) {
  AssignFromSystemWide(buffer, wide, WStrLen(wide), false);
}

void TextBufAssignWideBuf(T_TextBuf* buffer, const T_WideBuf* wide) {
  AssignFromSystemWide(buffer, wide->data, wide->length, false);
}

// --- Append -----------------------------------------------------------------------------------

void TextBufAppendBytes(T_TextBuf* buffer, const char* bytes, int32_t n) {
  if (n <= 0 || !bytes) return;
  int32_t room = RoomFor(buffer, buffer->length + n, &bytes);
  int32_t take = room - buffer->length;
  if (take <= 0) return;
  if (take < n) take = Utf8BoundaryAtOrBefore(bytes, take);
  // A piece of the text itself lies before its end, so the two never overlap.
  CopyBytes(buffer->data + buffer->length, bytes, take);
  buffer->length += take;
  buffer->data[buffer->length] = 0;
}

void TextBufAppend(T_TextBuf* buffer, const char* text) {
  if (text) TextBufAppendBytes(buffer, text, static_cast<int32_t>(std::strlen(text)));
}

void TextBufAppendBuf(T_TextBuf* buffer, const T_TextBuf* source) {
  TextBufAppendBytes(buffer, source->data, source->length);
}

void TextBufAppendBlock(T_TextBuf* buffer, const char* block) {
  TextBufAppendBytes(buffer, block, BlockLength(block));
}

void TextBufAppendChar(T_TextBuf* buffer, char c) { AppendWhole(buffer, &c, 1); }

void TextBufAppendWideChar(T_TextBuf* buffer, uint32_t unit) {
  char bytes[4];
  AppendWhole(buffer, bytes, Utf8Encode(bytes, unit));
}

void TextBufAppendWide(T_TextBuf* buffer, const wchar_t* wide) {
  AssignFromSystemWide(buffer, wide, WStrLen(wide), true);
}

void TextBufAppendInt(T_TextBuf* buffer, int32_t value) {
  char text[16];
  AppendWhole(buffer, text, IntToStr(text, value));
}

void TextBufAppendInt64(T_TextBuf* buffer, int64_t value) {
  char text[32];
  AppendWhole(buffer, text, Int64ToStr(text, value));
}

void TextBufAppendInt64Width(T_TextBuf* buffer, int64_t value, int32_t width) {
  if (width < 1) width = 1;
  if (width > kTextBufMax) return;  // the sum below must not overflow
  int32_t wanted = buffer->length + width + 1;
  if (wanted > kTextBufMax || RoomFor(buffer, wanted) < wanted) return;
  char* cursor = buffer->data + buffer->length;
  EmitInt64Width(&cursor, value, width);
  TextBufSetLength(buffer, static_cast<int32_t>(cursor - buffer->data));
}

void TextBufAppendIntWidth(T_TextBuf* buffer, int32_t value, int32_t width) {
  TextBufAppendInt64Width(buffer, value, width);
}

void TextBufAppendDoubleFormat(T_TextBuf* buffer, double value, const NumFormat* format) {
  char text[kFormatDoubleMax + 8];
  AppendWhole(buffer, text, DoubleToStrFormat(text, value, format));
}

// --- Insert -----------------------------------------------------------------------------------

void TextBufInsertBuf(T_TextBuf* buffer, int32_t position, const T_TextBuf* source) {
  if (source == buffer) {
    T_TextBuf copy(*source);
    InsertBytes(buffer, position, copy.data, copy.length);
    return;
  }
  InsertBytes(buffer, position, source->data, source->length);
}

void TextBufInsert(T_TextBuf* buffer, int32_t position, const char* text) {
  if (text) InsertBytes(buffer, position, text, static_cast<int32_t>(std::strlen(text)));
}

void TextBufInsertBlock(T_TextBuf* buffer, int32_t position, const char* block) {
  InsertBytes(buffer, position, block, BlockLength(block));
}

void TextBufInsertChar(T_TextBuf* buffer, int32_t position, char c) {
  TextBufReplaceBytes(buffer, position, 0, &c, 1);
}

void TextBufInsertWideChar(T_TextBuf* buffer, int32_t position, uint32_t unit) {
  char bytes[4];
  TextBufReplaceBytes(buffer, position, 0, bytes, Utf8Encode(bytes, unit));
}

// --- Replace and delete -----------------------------------------------------------------------

bool TextBufReplaceBytes(T_TextBuf* buffer, int32_t position, int32_t n, const char* source,
                         int32_t m) {
  if (position < 0 || position > buffer->length || n < 0 || m < 0) return false;
  if (n > buffer->length - position) n = buffer->length - position;
  if (m > 0 && !source) return false;
  if (m > 0 && PointsInto(buffer, source)) {
    // The moving tail could overwrite the source: replace from a copy.
    T_TextBuf copy;
    TextBufAssignBytes(&copy, source, m);
    if (copy.length != m) return false;
    return TextBufReplaceBytes(buffer, position, n, copy.data, m);
  }
  int32_t newLength = buffer->length - n + m;
  if (newLength > kTextBufMax) return false;
  if (newLength > buffer->capacity && RoomFor(buffer, newLength) < newLength) return false;
  if (m != n) {
    std::memmove(buffer->data + position + m, buffer->data + position + n,
                 static_cast<size_t>(buffer->length - position - n) + 1);
    buffer->length = newLength;
  }
  if (m > 0) std::memcpy(buffer->data + position, source, static_cast<size_t>(m));
  return true;
}

void TextBufReplace(T_TextBuf* buffer, int32_t position, int32_t n, const char* text) {
  TextBufReplaceBytes(buffer, position, n, text, StrLen(text));
}

void TextBufReplaceAll(T_TextBuf* buffer, const char* find, const char* replacement) {
  int32_t findLength = StrLen(find);
  if (!findLength) return;
  int32_t replacementLength = StrLen(replacement);
  int32_t from = 0;
  for (;;) {
    int32_t at = TextBufFindNoCase(buffer, from, find);
    if (at < 0) return;
    // The case tables pair only characters of equal UTF-8 length, so the occurrence has the
    // byte length of find.
    if (!TextBufReplaceBytes(buffer, at, findLength, replacement, replacementLength)) return;
    from = at + replacementLength;
  }
}

void TextBufDeleteChar(T_TextBuf* buffer, int32_t position) {
  if (position >= 0 && position < buffer->length)
    TextBufReplaceBytes(buffer, position, 1, nullptr, 0);
}

void TextBufDelete(T_TextBuf* buffer, int32_t position, int32_t n) {
  if (position < 0 || position >= buffer->length || n <= 0) return;
  if (n >= buffer->length - position) {
    TextBufSetLength(buffer, position);
    return;
  }
  TextBufReplaceBytes(buffer, position, n, nullptr, 0);
}

void TextBufDropLast(T_TextBuf* buffer) {
  if (!buffer->length) return;
  TextBufSetLength(buffer, Utf8BoundaryAtOrBefore(buffer->data, buffer->length - 1));
}

void TextBufTrimRight(T_TextBuf* buffer, char c) {
  int32_t n = buffer->length;
  while (n && buffer->data[n - 1] == c) --n;
  TextBufSetLength(buffer, n);
}

void TextBufTrimLeft(T_TextBuf* buffer, char c) {
  int32_t k = 0;
  while (k < buffer->length && buffer->data[k] == c) ++k;
  if (k) TextBufReplaceBytes(buffer, 0, k, nullptr, 0);
}

void TextBufTrim(T_TextBuf* buffer, char c) {
  TextBufTrimRight(buffer, c);
  TextBufTrimLeft(buffer, c);
}

void TextBufRemoveChar(T_TextBuf* buffer, char c) {
  int32_t w = 0;
  for (int32_t r = 0; r < buffer->length; ++r) {
    if (buffer->data[r] != c) buffer->data[w++] = buffer->data[r];
  }
  TextBufSetLength(buffer, w);
}

void TextBufRemoveAll(T_TextBuf* buffer, const char* text) {
  TextBufReplaceAll(buffer, text, nullptr);
}

void TextBufSquashAmpersands(T_TextBuf* buffer) {
  TextBufTrim(buffer, '&');
  int32_t w = 0;
  for (int32_t r = 0; r < buffer->length; ++r) {
    if (buffer->data[r] == '&' && w && buffer->data[w - 1] == '&') continue;
    buffer->data[w++] = buffer->data[r];
  }
  TextBufSetLength(buffer, w);
}

void TextBufPercentDecode(T_TextBuf* buffer) {
  char* d = buffer->data;
  int32_t w = 0;
  for (int32_t r = 0; r < buffer->length; ++r) {
    if (d[r] == '%' && r + 2 < buffer->length && IsHexDigit(d[r + 1]) && IsHexDigit(d[r + 2])) {
      int32_t byte = HexValue(d[r + 1]) * 16 + HexValue(d[r + 2]);
      if (byte >= 32 && byte != 127) d[w++] = static_cast<char>(byte);
      r += 2;
    } else {
      d[w++] = d[r];
    }
  }
  TextBufSetLength(buffer, w);
}

// --- Search and tokens ------------------------------------------------------------------------

int32_t TextBufFind(const T_TextBuf* buffer, int32_t from, const char* text) {
  if (from < 0) from = 0;
  if (from >= buffer->length) return -1;
  int32_t at = StrFind(buffer->data + from, text);
  return at < 0 ? -1 : from + at;
}

int32_t TextBufFindNoCase(const T_TextBuf* buffer, int32_t from, const char* text) {
  if (from < 0) from = 0;
  if (from >= buffer->length) return -1;
  int32_t at = StrFindNoCase(buffer->data + from, text);
  return at < 0 ? -1 : from + at;
}

bool TextBufTakeToken(T_TextBuf* buffer, const char** cursor, char separator) {
  TextBufSetLength(buffer, 0);
  if (!*cursor) return false;
  const char* text = *cursor;
  if (!*text) {
    *cursor = nullptr;
    return true;
  }
  const char* hit = std::strchr(text, separator);
  if (hit && separator) {
    TextBufAssignBytes(buffer, text, static_cast<int32_t>(hit - text));
    *cursor = hit + 1;
  } else {
    TextBufAssign(buffer, text);
    *cursor = nullptr;
  }
  return true;
}

bool TextBufNextField(T_TextBuf* buffer, const char** cursor, char separator) {
  TextBufSetLength(buffer, 0);
  if (!*cursor || !**cursor) return false;
  for (;;) {
    const char* text = *cursor;
    const char* hit = separator ? std::strchr(text, separator) : nullptr;
    const char* end = hit ? hit : text + std::strlen(text);
    while (text < end && *text == ' ') ++text;
    while (end > text && end[-1] == ' ') --end;
    TextBufAssignBytes(buffer, text, static_cast<int32_t>(end - text));
    if (!hit) {
      *cursor = nullptr;
      return buffer->length > 0;
    }
    *cursor = hit + 1;
    if (buffer->length > 0) return true;
  }
}

bool TextListContains(const char* list, const char* text, char separator) {
  T_TextBuf field;
  const char* cursor = list;
  while (TextBufNextField(&field, &cursor, separator)) {
    if (StrEqualNoCase(field.data, text)) return true;
  }
  return false;
}
