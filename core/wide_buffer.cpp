#include "core/wide_buffer.h"

#include <cstring>

#include "core/cstring.h"
#include "core/memory.h"
#include "core/utf8.h"

namespace {

int32_t RoomFor(T_WideBuf* buffer, int32_t wanted) {
  if (wanted > kWideBufMax) wanted = kWideBufMax;
  if (wanted > buffer->capacity) WideBufGrow(buffer, wanted);
  return wanted <= buffer->capacity ? wanted : buffer->capacity;
}

void MoveUnits(wchar_t* to, const wchar_t* from, int32_t n) {
  std::memmove(to, from, static_cast<size_t>(n) * sizeof(wchar_t));
}

}  // namespace

T_WideBuf::T_WideBuf() { WideBufInit(this); }
T_WideBuf::~T_WideBuf() { MemFree(heap); }

wchar_t* WideBufInit(T_WideBuf* buffer) {
  buffer->length = 0;
  buffer->capacity = kWideBufInline;
  buffer->data = buffer->inlineBuffer;
  buffer->heap = nullptr;
  buffer->inlineBuffer[0] = 0;
  return buffer->data;
}

void WideBufFree(T_WideBuf* buffer) {
  MemFree(buffer->heap);
  WideBufInit(buffer);
}

int32_t WideBufGrow(T_WideBuf* buffer, int32_t n) {
  int32_t t = n < kWideBufMax ? n : kWideBufMax;
  if (t <= buffer->capacity) return t;
  int32_t units = (t + 31) & ~3;
  auto* block = static_cast<wchar_t*>(MemAlloc(static_cast<int64_t>(units) * sizeof(wchar_t), 0));
  if (!block) return buffer->capacity;
  MoveUnits(block, buffer->data, buffer->length + 1);
  MemFree(buffer->heap);
  buffer->data = buffer->heap = block;
  buffer->capacity = units - 1;
  return t;
}

void WideBufSetLength(T_WideBuf* buffer, int32_t n) {
  if (n < 0 || n > buffer->capacity) return;
  buffer->length = n;
  buffer->data[n] = 0;
}

void WideBufTruncate(T_WideBuf* buffer, int32_t n) {
  if (n >= 0 && n < buffer->length) WideBufSetLength(buffer, n);
}

void WideBufAssignChar(T_WideBuf* buffer, wchar_t unit) {
  WideBufSetLength(buffer, 0);
  WideBufAppendChar(buffer, unit);
}

void WideBufAssignUtf8(T_WideBuf* buffer, const char* text) {
  WideBufSetLength(buffer, 0);
  if (!text) return;
  // A UTF-8 text never has more units than bytes (a 4-byte character is a surrogate pair).
  int32_t room = RoomFor(buffer, static_cast<int32_t>(std::strlen(text)));
  int32_t n = 0;
  for (const char* p = text; *p && n < room;) {
    const char* before = p;
    uint32_t c = Utf8NextChar(&p);
    if (c == 0 && *before) continue;          // invalid byte
    if (c >= 0x10000 && n + 2 > room) break;  // a pair is never cut in half
    n += Utf16Encode(buffer->data + n, c);
  }
  WideBufSetLength(buffer, n);
}

void WideBufAppendChar(T_WideBuf* buffer, wchar_t unit) {
  WideBufInsertChar(buffer, buffer->length, unit);
}

void WideBufInsertChar(T_WideBuf* buffer, int32_t position, wchar_t unit) {
  wchar_t text[2] = {unit, 0};
  if (!unit) return;
  WideBufReplace(buffer, position, 0, text);
}

void WideBufDeleteChar(T_WideBuf* buffer, int32_t position) {
  if (position >= 0 && position < buffer->length) WideBufReplace(buffer, position, 1, nullptr);
}

void WideBufDelete(T_WideBuf* buffer, int32_t position, int32_t n) {
  if (position < 0 || position >= buffer->length || n <= 0) return;
  if (n >= buffer->length - position) {
    WideBufSetLength(buffer, position);
    return;
  }
  WideBufReplace(buffer, position, n, nullptr);
}

void WideBufReplace(T_WideBuf* buffer, int32_t position, int32_t n, const wchar_t* text) {
  if (position < 0 || position > buffer->length || n < 0) return;
  if (n > buffer->length - position) n = buffer->length - position;
  int32_t m = WStrLen(text);
  if (m && text >= buffer->data && text <= buffer->data + buffer->capacity) {
    // A piece of the buffer itself: growth or the moving tail would spoil it.
    auto* copy =
        static_cast<wchar_t*>(MemAlloc((static_cast<int64_t>(m) + 1) * sizeof(wchar_t), 0));
    if (!copy) return;
    MoveUnits(copy, text, m + 1);
    WideBufReplace(buffer, position, n, copy);
    MemFree(copy);
    return;
  }
  int32_t newLength = buffer->length - n + m;
  if (newLength > kWideBufMax || RoomFor(buffer, newLength) < newLength) return;
  MoveUnits(buffer->data + position + m, buffer->data + position + n,
            buffer->length - position - n + 1);
  if (m) MoveUnits(buffer->data + position, text, m);
  buffer->length = newLength;
}
