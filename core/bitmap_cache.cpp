#include "core/bitmap_cache.h"

#include "core/memory.h"

namespace {

struct CachedBitmap {
  CachedBitmap* next;
  int32_t resourceId;
  HBITMAP bitmap;
};

CachedBitmap* cacheHead = nullptr;  // newest first

}  // namespace

HBITMAP BitmapGetCached(int32_t resourceId) {
  for (CachedBitmap* node = cacheHead; node; node = node->next) {
    if (node->resourceId == resourceId) return node->bitmap;
  }
  HBITMAP bitmap = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resourceId));
  if (!bitmap) return nullptr;
  auto* node = static_cast<CachedBitmap*>(MemAlloc(sizeof(CachedBitmap), 1));
  if (!node) {
    // A bitmap that cannot be kept would be loaded again at every paint and leak each time.
    DeleteObject(bitmap);
    return nullptr;
  }
  *node = CachedBitmap{cacheHead, resourceId, bitmap};
  cacheHead = node;
  return bitmap;
}

void BitmapCacheFree() {
  while (cacheHead) {
    CachedBitmap* node = cacheHead;
    cacheHead = node->next;
    DeleteObject(node->bitmap);
    MemFree(node);
  }
}
