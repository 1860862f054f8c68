#pragma once
// Bitmap resources loaded once and kept until shut-down: drawing asks for the same few bitmaps
// over and over. User-interface thread only.
#include <windows.h>

#include <cstdint>

// The bitmap of that resource of the program, loaded on first use; null when there is none.
HBITMAP BitmapGetCached(int32_t resourceId);
// Deletes every cached bitmap and empties the cache (at shut-down).
void BitmapCacheFree();
