#pragma once
// Text streams over the clipboard, so that the writers and readers that serve files also serve
// copy and paste of whole texts (tables, definitions, lists).
//
// T_OStreamClip collects what is written in its memory buffer and puts it on the clipboard as
// Unicode text when it is destroyed: writers create it, write, and destroy it; nothing reaches
// the clipboard before. It stays in UTF-8 (its default encoding); lone CR line ends go out as
// CR LF. When the clipboard cannot be had, the pending error 601 is set.
//
// T_IStreamClip reads the clipboard's Unicode text, taken when it is constructed, like a memory
// stream, with CR LF reduced to CR; it is empty when the clipboard holds no text.
//
// User-interface thread only.
#include "core/input_stream.h"
#include "core/output_stream.h"

class T_OStreamClip : public T_OStream {
 public:
  T_OStreamClip() = default;
  ~T_OStreamClip() override;
};

class T_IStreamClip : public T_IStream {
 public:
  T_IStreamClip();
  ~T_IStreamClip() override;

  char* clipText = nullptr;  // owned MemAlloc block, null when the clipboard held no text
};
