#include "core/paged_array.h"

#include <cstring>

#include "core/memory.h"
#include "core/message_pump.h"
#include "core/threads.h"

namespace {

constexpr int64_t kInitialPages = 12;

inline void** Pages(PagedArray* array) { return reinterpret_cast<void**>(array->pages.data); }
inline void* const* Pages(const PagedArray* array) {
  return reinterpret_cast<void* const*>(array->pages.data);
}

inline int64_t PagesFor(int64_t n) { return (n + kPageRecords - 1) >> kPageShift; }

uint8_t* NewPage(const PagedArray* array, int32_t width) {
  if (width <= 0) return nullptr;
  return static_cast<uint8_t*>(
      HeapBlockAlloc(static_cast<size_t>(width) * kPageRecords, array->pages.headroomClass));
}

// Grows the page table to n entries, the new ones missing.
bool GrowTable(PagedArray* array, int64_t n) {
  int64_t old = array->pages.count;
  if (!ArrayResizeMin4(&array->pages, n)) return false;
  for (int64_t p = old; p < n; ++p) Pages(array)[p] = nullptr;
  return true;
}

// Rewrites a page's records from width `from` to width `to` in place, dropping the n bytes at
// the offset of each record. Records only move towards the page start, so copying front to back
// is safe.
void NarrowInPlace(uint8_t* page, int32_t from, int32_t to, int32_t n, int32_t offset) {
  for (int64_t r = 0; r < kPageRecords; ++r) {
    uint8_t* destination = page + r * to;
    const uint8_t* source = page + r * from;
    std::memmove(destination, source, static_cast<size_t>(offset));
    std::memmove(destination + offset, source + offset + n, static_cast<size_t>(from - offset - n));
  }
}

}  // namespace

void PagedArrayInit(PagedArray* array, int32_t width, int headroomClass) {
  array->count = 0;
  array->width = width;
  ArrayInitMin4(&array->pages, kInitialPages, headroomClass);
  for (int64_t p = 0; p < array->pages.count; ++p) Pages(array)[p] = nullptr;
}

uint8_t* PagedArrayAtGrow(PagedArray* array, int64_t i) {
  if (i < 0) return nullptr;
  int64_t p = i >> kPageShift;
  if (i >= array->count && p >= array->pages.count) {
    GrowTable(array, array->pages.count / 2 + p + kInitialPages);
    if (p >= array->pages.count) return nullptr;
  }
  void*& page = Pages(array)[p];
  if (!page) {
    page = NewPage(array, array->width);
    if (!page) return nullptr;
  }
  if (i >= array->count) array->count = i + 1;
  return PagedArrayAt(array, i);
}

bool PagedArrayReserve(PagedArray* array, int64_t n) {
  if (n <= 0) return true;
  int64_t needed = PagesFor(n);
  if (array->pages.count < needed && !GrowTable(array, needed)) return false;
  for (int64_t p = needed - 1; p >= 0; --p) {
    void*& page = Pages(array)[p];
    if (page) continue;
    page = NewPage(array, array->width);
    if (!page) return false;
  }
  if (array->count < n) array->count = n;
  return true;
}

void PagedArrayTruncate(PagedArray* array, int64_t n) {
  if (n < 0) n = 0;
  for (int64_t p = PagesFor(n); p < array->pages.count; ++p) {
    HeapBlockFree(Pages(array)[p]);
    Pages(array)[p] = nullptr;
  }
  if (array->count > n) array->count = n;
}

bool PagedArraySetWidth(PagedArray* array, int32_t width) {
  if (array->count != 0 || width < 0) return false;
  // Pages of the old width would be too small for records of a larger one.
  PagedArrayTruncate(array, 0);
  array->width = width;
  return true;
}

void PagedArrayCopyRecord(PagedArray* array, int64_t destinationIndex, int64_t sourceIndex) {
  std::memmove(PagedArrayAt(array, destinationIndex), PagedArrayAt(array, sourceIndex),
               static_cast<size_t>(array->width));
}

void PagedArrayPutRecord(PagedArray* array, int64_t i, const void* source) {
  std::memcpy(PagedArrayAt(array, i), source, static_cast<size_t>(array->width));
}

void PagedArrayGetRecord(const PagedArray* array, void* destination, int64_t i) {
  std::memcpy(destination, PagedArrayAt(array, i), static_cast<size_t>(array->width));
}

void PagedArraySwapRecords(PagedArray* array, int64_t i, int64_t j) {
  if (i != j)
    MemSwap(PagedArrayAt(array, i), PagedArrayAt(array, j), static_cast<size_t>(array->width));
}

bool PagedArrayInsertBytes(PagedArray* array, int32_t n, int32_t offset) {
  if (n < 0 || offset < 0 || offset > array->width) return false;
  if (n == 0) return true;
  int32_t width = array->width;
  int32_t wider = width + n;
  void** pages = Pages(array);
  for (int64_t p = 0; p < array->pages.count; ++p) {
    auto* old = static_cast<uint8_t*>(pages[p]);
    if (!old) continue;
    uint8_t* page = NewPage(array, wider);
    if (!page) {
      // Bring the pages already widened back to the old layout; their blocks stay larger.
      for (int64_t q = 0; q < p; ++q)
        if (pages[q]) NarrowInPlace(static_cast<uint8_t*>(pages[q]), wider, width, n, offset);
      return false;
    }
    for (int64_t r = 0; r < kPageRecords; ++r) {
      uint8_t* destination = page + r * wider;
      const uint8_t* source = old + r * width;
      std::memcpy(destination, source, static_cast<size_t>(offset));
      std::memset(destination + offset, 0, static_cast<size_t>(n));
      std::memcpy(destination + offset + n, source + offset, static_cast<size_t>(width - offset));
    }
    HeapBlockFree(old);
    pages[p] = page;
  }
  array->width = wider;
  return true;
}

bool PagedArrayRemoveBytes(PagedArray* array, int32_t n, int32_t offset) {
  if (n < 0 || offset < 0 || offset > array->width - n) return false;
  if (n == 0) return true;
  int32_t width = array->width;
  int32_t narrower = width - n;
  void** pages = Pages(array);
  for (int64_t p = 0; p < array->pages.count; ++p) {
    auto* old = static_cast<uint8_t*>(pages[p]);
    if (!old) continue;
    uint8_t* page = NewPage(array, narrower);
    if (!page) {
      NarrowInPlace(old, width, narrower, n, offset);
      continue;
    }
    for (int64_t r = 0; r < kPageRecords; ++r) {
      uint8_t* destination = page + r * narrower;
      const uint8_t* source = old + r * width;
      std::memcpy(destination, source, static_cast<size_t>(offset));
      std::memcpy(destination + offset, source + offset + n,
                  static_cast<size_t>(width - offset - n));
    }
    HeapBlockFree(old);
    pages[p] = page;
  }
  array->width = narrower;
  return true;
}

void PagedArrayFree(PagedArray* array) {
  for (int64_t p = array->pages.count - 1; p >= 0; --p) {
    if ((p & 1023) == 0) PumpMessages();
    HeapBlockFree(Pages(array)[p]);
  }
  ArrayFree(&array->pages);
  array->count = 0;
}

int64_t PagedArrayMemSize(const PagedArray* array) {
  if (!array) return 0;
  int64_t size = MemAllocatedSize(array->pages.data) + 64;
  for (int64_t p = 0; p < array->pages.count; ++p)
    if (Pages(array)[p]) size += int64_t{array->width} * kPageRecords;
  return size;
}
