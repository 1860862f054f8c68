#pragma once
// T_TextBuf, the program's one string: UTF-8 bytes with a 111-byte inline buffer that moves to a
// MemAlloc block when the text grows, never beyond 32600 bytes. Texts that do not fit are cut,
// never overrun; single units that do not fit are dropped.
//
// Invariants:
//   1. data[length] is 0 and length <= capacity;
//   2. data is the inline buffer exactly when heap is null (capacity is then 111);
//   3. growth never reverses, except through TextBufWipe.
#include <cstdint>

constexpr int32_t kTextBufInline = 111;
constexpr int32_t kTextBufMax = 32600;

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

char* TextBufInit(T_TextBuf* buffer);
// Frees the heap block without erasing; the buffer is left empty on its inline buffer.
void TextBufFree(T_TextBuf* buffer);
// Room for n bytes (cut at 32600): returns the usable length, the old capacity when memory runs out.
int32_t TextBufGrow(T_TextBuf* buffer, int32_t n);
void TextBufSetLength(T_TextBuf* buffer, int32_t n);
void TextBufTruncate(T_TextBuf* buffer, int32_t n);

char* TextBufAssign(T_TextBuf* buffer, const char* text);
void TextBufAssignBuf(T_TextBuf* buffer, const T_TextBuf* source);
void TextBufAssignBytes(T_TextBuf* buffer, const char* bytes, int32_t n);

void TextBufAppend(T_TextBuf* buffer, const char* text);
void TextBufAppendBuf(T_TextBuf* buffer, const T_TextBuf* source);
void TextBufAppendBytes(T_TextBuf* buffer, const char* bytes, int32_t n);
void TextBufAppendChar(T_TextBuf* buffer, char c);
