#pragma once
// T_WideBuf, the UTF-16 twin of T_TextBuf, used only at the system's wide-character calls:
// 111 inline units, growing into a MemAlloc block, never beyond 32500 units. Texts that do not
// fit are cut; single units that do not fit are dropped.
//
// Invariants: data[length] is a 16-bit 0; length <= capacity; data is the inline buffer exactly
// when heap is null.
#include <cstdint>

constexpr int32_t kWideBufInline = 111;
constexpr int32_t kWideBufMax = 32500;

struct T_WideBuf {
  int32_t length;
  int32_t capacity;
  wchar_t* data;
  wchar_t* heap;
  wchar_t inlineBuffer[kWideBufInline + 1];

  T_WideBuf();
  T_WideBuf(const T_WideBuf&) = delete;
  T_WideBuf& operator=(const T_WideBuf&) = delete;
  ~T_WideBuf();

  const wchar_t* c_str() const { return data; }
};

wchar_t* WideBufInit(T_WideBuf* buffer);
void WideBufFree(T_WideBuf* buffer);  // frees the heap block; the buffer is left empty
// Room for n units (cut at 32500): the usable length, the old capacity when memory runs out.
int32_t WideBufGrow(T_WideBuf* buffer, int32_t n);
void WideBufSetLength(T_WideBuf* buffer, int32_t n);  // 0 <= n <= capacity
void WideBufTruncate(T_WideBuf* buffer, int32_t n);   // shortens only
void WideBufAssignChar(T_WideBuf* buffer, wchar_t unit);
// UTF-8 decoded character by character (one beyond U+FFFF as a surrogate pair); invalid bytes
// are skipped; null gives empty.
void WideBufAssignUtf8(T_WideBuf* buffer, const char* text);
void WideBufAppendChar(T_WideBuf* buffer, wchar_t unit);
void WideBufInsertChar(T_WideBuf* buffer, int32_t position, wchar_t unit);
void WideBufDeleteChar(T_WideBuf* buffer, int32_t position);
// A range that reaches the end cuts the text at the position.
void WideBufDelete(T_WideBuf* buffer, int32_t position, int32_t n);
// Replaces n units at the position by a NUL-terminated text (null deletes); no change when the
// result would not fit.
void WideBufReplace(T_WideBuf* buffer, int32_t position, int32_t n, const wchar_t* text);
