#include "core/text_buffer.h"

#include <cstring>

#include "core/memory.h"

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
  if (n < 0 || n > buffer->capacity) return;
  buffer->length = n;
  buffer->data[n] = 0;
}

void TextBufTruncate(T_TextBuf* buffer, int32_t n) {
  if (n >= 0 && n < buffer->length) TextBufSetLength(buffer, n);
}

void TextBufAssignBytes(T_TextBuf* buffer, const char* bytes, int32_t n) {
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

void TextBufAppendBytes(T_TextBuf* buffer, const char* bytes, int32_t n) {
  if (n <= 0) return;
  int32_t wanted = buffer->length + n;
  int32_t room = wanted > buffer->capacity ? TextBufGrow(buffer, wanted) : wanted;
  if (room > buffer->capacity) room = buffer->capacity;
  int32_t take = room - buffer->length;
  if (take <= 0) return;
  if (take > n) take = n;
  std::memmove(buffer->data + buffer->length, bytes, static_cast<size_t>(take));
  buffer->length += take;
  buffer->data[buffer->length] = 0;
}

void TextBufAppend(T_TextBuf* buffer, const char* text) {
  if (text) TextBufAppendBytes(buffer, text, static_cast<int32_t>(std::strlen(text)));
}

void TextBufAppendBuf(T_TextBuf* buffer, const T_TextBuf* source) {
  TextBufAppendBytes(buffer, source->data, source->length);
}

void TextBufAppendChar(T_TextBuf* buffer, char c) {
  int32_t wanted = buffer->length + 1;
  if (wanted > buffer->capacity && TextBufGrow(buffer, wanted) < wanted) return;
  buffer->data[buffer->length++] = c;
  buffer->data[buffer->length] = 0;
}
