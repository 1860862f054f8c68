#include "ui/clipboard_data.h"

#include "core/clipboard_memory.h"
#include "core/message_pump.h"
#include "ui/text_wide.h"

namespace {

int32_t clipboardKind = kClipboardNone;
ClipboardListener clipboardListener = nullptr;

void Notify() {
  if (clipboardListener) clipboardListener();
}

// The frame window owns what the program puts on the clipboard.
bool OpenForWriting() {
  if (!ClipboardOpen(PumpFrameWindow())) return false;
  if (!EmptyClipboard()) {
    CloseClipboard();
    return false;
  }
  return true;
}

}  // namespace

void SetClipboardListener(ClipboardListener listener) { clipboardListener = listener; }

bool ClipboardOpen(HWND owner) {
  for (int attempt = 0; attempt < 50; ++attempt) {
    if (OpenClipboard(owner)) return true;
    Sleep(10);
  }
  return false;
}

bool BitmapToClipboard(const BitmapHolder* holder) {
  HBITMAP copy = BitmapDuplicate(holder->bitmap);
  if (!copy) return false;
  if (!OpenForWriting()) {
    DeleteObject(copy);
    return false;
  }
  bool placed = SetClipboardData(CF_BITMAP, copy) != nullptr;
  CloseClipboard();
  if (!placed) {
    DeleteObject(copy);
    return false;
  }
  clipboardKind = kClipboardBitmap;
  Notify();
  return true;
}

namespace {

// Blanks the UTF-16 copy of a text when it goes: what is copied may be a secret (web users and
// their passwords), and only the clipboard's own copy is meant to stay.
struct WipedWideText : WideText {
  ~WipedWideText() {
    volatile wchar_t* p = data;
    for (int32_t i = 0; i <= capacity; ++i) p[i] = 0;
    volatile wchar_t* inline_ = local;
    for (int32_t i = 0; i < 256; ++i) inline_[i] = 0;
  }
};

}  // namespace

bool ClipboardSetText(const char* text, int32_t n, uint32_t flags) {
  WipedWideText wide;
  if (!WideTextAssign(&wide, text, n)) return false;
  int32_t units = wide.length;
  if (!(flags & 1)) {
    for (int32_t i = 0; i < wide.length; ++i) {
      if (wide.data[i] == L'\r' && wide.data[i + 1] != L'\n') ++units;
    }
  }
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (static_cast<SIZE_T>(units) + 1) * sizeof(wchar_t));
  if (!memory) return false;
  auto* out = static_cast<wchar_t*>(GlobalLock(memory));
  if (!out) {
    GlobalFree(memory);
    return false;
  }
  int32_t k = 0;
  for (int32_t i = 0; i < wide.length; ++i) {
    out[k++] = wide.data[i];
    if (!(flags & 1) && wide.data[i] == L'\r' && wide.data[i + 1] != L'\n') out[k++] = L'\n';
  }
  out[k] = 0;
  GlobalUnlock(memory);
  if (!OpenForWriting()) {
    GlobalFree(memory);
    return false;
  }
  bool placed = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
  CloseClipboard();
  if (!placed) GlobalFree(memory);
  return placed;
}

char* ClipboardReadText() {
  if (!ClipboardOpen(nullptr)) return nullptr;
  char* text = nullptr;
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  if (data) text = HGlobalToUtf8(data);
  CloseClipboard();
  return text;
}

int32_t ClipboardRefreshKind() {
  int32_t old = clipboardKind;
  if (IsClipboardFormatAvailable(CF_UNICODETEXT)) {
    clipboardKind = kClipboardText;
  } else if (IsClipboardFormatAvailable(CF_BITMAP)) {
    clipboardKind = kClipboardBitmap;
  } else {
    clipboardKind = kClipboardNone;
  }
  if (clipboardKind != kClipboardNone || old != kClipboardNone) Notify();
  return clipboardKind;
}

int32_t ClipboardDataKind() { return clipboardKind; }
