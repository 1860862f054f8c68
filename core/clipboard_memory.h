#pragma once
// Texts and memory blocks in and out of movable global memory, the currency of the clipboard and
// of drag and drop. The system owns a handle once it is given to the clipboard; until then the
// caller does.
#include <windows.h>

#include <cstdint>

// A movable global block holding the UTF-8 text as UTF-16 with its terminating 0 (two bytes per
// unit and two more); null text counts as empty. Null when no block can be had.
HGLOBAL TextToHGlobal(const char* text);
// Frees the handle already in *handle, then stores a movable global copy of the whole MemAlloc
// block; *handle is null afterwards for a null block or a failed allocation.
void BlockToHGlobal(HGLOBAL* handle, const void* block);
// Replaces *block by a MemAlloc copy of the whole global block (GlobalSize bytes). A null handle,
// a handle that cannot be locked or a failed allocation leave *block null (the old one freed).
void HGlobalToBlock(void** block, HGLOBAL handle);
// A new MemAlloc block with the UTF-8 form of the handle's UTF-16 text (read no further than the
// block's size even without a terminating 0), every CR LF reduced to CR. Null when the handle
// cannot be locked or memory runs out.
char* HGlobalToUtf8(HGLOBAL handle);
