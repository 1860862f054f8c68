#include "core/clipboard_memory.h"

#include <cstring>

#include "core/memory.h"
#include "core/utf8.h"

HGLOBAL TextToHGlobal(const char* text) {
  if (!text) text = "";
  int units = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  if (units < 1) units = 1;  // an invalid text still gives a terminated, empty block
  HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(units) * 2);
  if (!handle) return nullptr;
  auto* wide = static_cast<wchar_t*>(GlobalLock(handle));
  if (!wide) {
    GlobalFree(handle);
    return nullptr;
  }
  if (MultiByteToWideChar(CP_UTF8, 0, text, -1, wide, units) == 0) wide[0] = 0;
  wide[units - 1] = 0;
  GlobalUnlock(handle);
  return handle;
}

void BlockToHGlobal(HGLOBAL* handle, const void* block) {
  if (*handle) GlobalFree(*handle);
  *handle = nullptr;
  if (!block) return;
  int64_t size = MemSize(block);
  HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(size > 0 ? size : 1));
  if (!copy) return;
  void* bytes = GlobalLock(copy);
  if (!bytes) {
    GlobalFree(copy);
    return;
  }
  memcpy(bytes, block, static_cast<size_t>(size));
  GlobalUnlock(copy);
  *handle = copy;
}

void HGlobalToBlock(void** block, HGLOBAL handle) {
  MemFree(*block);
  *block = nullptr;
  if (!handle) return;
  SIZE_T size = GlobalSize(handle);
  const void* bytes = GlobalLock(handle);
  if (!bytes) return;
  void* copy = MemAlloc(static_cast<int64_t>(size), 0);
  if (copy) memcpy(copy, bytes, size);
  GlobalUnlock(handle);
  *block = copy;
}

char* HGlobalToUtf8(HGLOBAL handle) {
  if (!handle) return nullptr;
  const auto* wide = static_cast<const wchar_t*>(GlobalLock(handle));
  if (!wide) return nullptr;
  int32_t available = static_cast<int32_t>(GlobalSize(handle) / 2);
  int32_t units = 0;
  while (units < available && wide[units]) units++;
  char* text = static_cast<char*>(MemAlloc(int64_t{units} * 3 + 1, 0));
  if (!text) {
    GlobalUnlock(handle);
    return nullptr;
  }
  Utf16ToUtf8N(text, wide, units);
  GlobalUnlock(handle);
  // CR LF from the clipboard becomes the program's line end, a lone CR.
  char* out = text;
  for (const char* in = text; *in; in++) {
    *out++ = *in;
    if (in[0] == '\r' && in[1] == '\n') in++;
  }
  *out = 0;
  void* shrunk = text;
  MemResize(&shrunk, out - text + 1, 0);  // a refused shrink keeps the larger block, still valid
  return static_cast<char*>(shrunk);
}
