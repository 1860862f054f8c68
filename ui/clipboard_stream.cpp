#include "ui/clipboard_stream.h"

#include <cstring>

#include "core/alert.h"
#include "core/memory.h"
#include "ui/clipboard_data.h"

T_OStreamClip::~T_OStreamClip() {
  auto length = static_cast<int32_t>(pos - start);
  // A copy that did not reach the clipboard must not look like one that did.
  if (!ClipboardSetText(reinterpret_cast<const char*>(start), length, 0)) PendingErrorResource();
}

T_IStreamClip::T_IStreamClip() {
  CtorFromMemory(nullptr, 0);
  // Asked of the clipboard itself rather than of the remembered kind, which only follows the
  // clipboard while the frame hears of its changes.
  clipText = ClipboardReadText();
  if (clipText) CtorFromMemory(clipText, static_cast<int64_t>(std::strlen(clipText)));
}

T_IStreamClip::~T_IStreamClip() { MemFreeWiped(clipText, wipeWhenFreed); }
