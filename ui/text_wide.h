#pragma once
// UTF-16 copies of UTF-8 byte runs for the wide GDI and clipboard calls of the toolkit. Short
// texts stay on the stack; longer ones take a MemAlloc block.
#include <cstdint>

#include "core/memory.h"
#include "core/utf8.h"

struct WideText {
  wchar_t local[256];
  wchar_t* data = local;
  int32_t length = 0;
  int32_t capacity = 255;

  WideText() { local[0] = 0; }
  WideText(const WideText&) = delete;
  WideText& operator=(const WideText&) = delete;
  ~WideText() {
    if (data != local) MemFree(data);
  }
};

// Room for n more units (and a 0); false when memory fails.
inline bool WideTextReserve(WideText* text, int32_t n) {
  if (text->length + n <= text->capacity) return true;
  int32_t capacity = text->length + n + 64;
  auto* block = static_cast<wchar_t*>(MemAlloc((static_cast<int64_t>(capacity) + 1) * 2, 0));
  if (!block) return false;
  for (int32_t i = 0; i <= text->length; ++i) block[i] = text->data[i];
  if (text->data != text->local) MemFree(text->data);
  text->data = block;
  text->capacity = capacity;
  return true;
}

// Replaces the text by n bytes of UTF-8 (a character beyond U+FFFF, 4 bytes, gives a surrogate
// pair, so no character gives more units than bytes). Invalid bytes are skipped, and a character
// cut by n is left out.
inline bool WideTextAssign(WideText* text, const char* bytes, int32_t n) {
  text->length = 0;
  text->data[0] = 0;
  if (!bytes || n <= 0) return true;
  if (!WideTextReserve(text, n)) return false;
  int32_t i = 0;
  while (i < n) {
    int32_t length = Utf8SeqLen(static_cast<uint8_t>(bytes[i]));
    if (i + length > n) break;
    uint32_t code = Utf8Decode(bytes + i);
    if (code == 0 && bytes[i] != 0) {
      ++i;  // invalid lead byte
      continue;
    }
    text->length += Utf16Encode(text->data + text->length, code);
    i += length;
  }
  text->data[text->length] = 0;
  return true;
}

inline bool WideTextAppend(WideText* text, const wchar_t* units, int32_t n) {
  if (!WideTextReserve(text, n)) return false;
  for (int32_t i = 0; i < n; ++i) text->data[text->length++] = units[i];
  text->data[text->length] = 0;
  return true;
}
