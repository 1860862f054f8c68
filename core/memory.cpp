#include "core/memory.h"

#include <windows.h>

#include <cstring>
#include <new>

#include "core/alert.h"
#include "core/threads.h"

// Small-block layout. A slot of class c is 16 * (c + 1) bytes: a 2-byte size word and the
// payload. Slots are carved at addresses 14 modulo 16, so every payload starts on a 16-byte
// boundary and the size word sits in the two bytes before it. A free slot keeps the address of
// the next free slot of its class in the first 8 bytes of its payload.
//
// Invariants, under the allocator lock:
//   1. every slot on list c is exactly 16 * (c + 1) bytes and lies inside a chunk;
//   2. cursor and end are both null, or cursor <= end and both are 14 modulo 16;
//   3. chunks are never given back, so a slot stays valid memory until the process ends.

namespace {

constexpr int kClassCount = (kMemSmallLimit + 2 + 15) / 16;  // 257: slots of 16 to 4112 bytes
constexpr size_t kChunkSize = 32768;
constexpr size_t kSlotOffset = 14;
constexpr uint16_t kLongSizeMark = 32767;
constexpr uint64_t kLongSizeTag = 0x7fff000000000000ull;
constexpr uint64_t kLongSizeMask = 0x0000ffffffffffffull;
constexpr size_t kLargeHeader = 16;  // keeps large payloads 16-byte aligned

struct FreeSlot {
  FreeSlot* next;
};

// Constant-initialised so that allocations made by static initialisers find a working allocator.
SRWLOCK allocatorLock = SRWLOCK_INIT;
FreeSlot* freeLists[kClassCount];
char* cursor = nullptr;
char* chunkEnd = nullptr;

inline size_t SlotSize(int64_t n) { return (static_cast<size_t>(n) + 2 + 15) & ~size_t{15}; }
inline int ClassOfSlot(size_t slot) { return static_cast<int>(slot / 16) - 1; }

inline void PushFree(char* slot, int sizeClass) {
  auto* free = reinterpret_cast<FreeSlot*>(slot + 2);
  free->next = freeLists[sizeClass];
  freeLists[sizeClass] = free;
}

// Under the lock: retires the rest of the current chunk as a free slot and takes a new chunk.
bool NewChunk() {
  size_t rest = static_cast<size_t>(chunkEnd - cursor);
  if (cursor && rest >= 16) PushFree(cursor, ClassOfSlot(rest));
  auto* chunk = static_cast<char*>(HeapBlockAlloc(kChunkSize, 1));
  if (!chunk) {
    cursor = chunkEnd;
    return false;
  }
  cursor = chunk + kSlotOffset;
  chunkEnd = chunk + kChunkSize - (16 - kSlotOffset);
  return true;
}

void* AllocSmall(int64_t n) {
  size_t slotSize = SlotSize(n);
  int sizeClass = ClassOfSlot(slotSize);
  char* payload;
  AcquireSRWLockExclusive(&allocatorLock);
  if (FreeSlot* free = freeLists[sizeClass]) {
    freeLists[sizeClass] = free->next;
    payload = reinterpret_cast<char*>(free);
  } else {
    if (static_cast<size_t>(chunkEnd - cursor) < slotSize && !NewChunk()) {
      ReleaseSRWLockExclusive(&allocatorLock);
      return nullptr;
    }
    payload = cursor + 2;
    cursor += slotSize;
  }
  ReleaseSRWLockExclusive(&allocatorLock);
  uint16_t size16 = static_cast<uint16_t>(n);
  std::memcpy(payload - 2, &size16, 2);
  return payload;
}

void* AllocLarge(int64_t n, int headroomClass) {
  auto* base =
      static_cast<char*>(HeapBlockAlloc(static_cast<size_t>(n) + kLargeHeader, headroomClass));
  if (!base) return nullptr;
  char* payload = base + kLargeHeader;
  if (n < kLongSizeMark) {
    uint16_t size16 = static_cast<uint16_t>(n);
    std::memcpy(payload - 2, &size16, 2);
  } else {
    uint64_t size64 = static_cast<uint64_t>(n) | kLongSizeTag;
    std::memcpy(payload - 8, &size64, 8);
  }
  return payload;
}

}  // namespace

void* MemAlloc(int64_t size, int headroomClass) {
  if (size < 0 || static_cast<uint64_t>(size) > kLongSizeMask) {
    PendingErrorOutOfMemory();
    return nullptr;
  }
  return size <= kMemSmallLimit ? AllocSmall(size) : AllocLarge(size, headroomClass);
}

int64_t MemSize(const void* block) {
  auto* p = static_cast<const char*>(block);
  uint16_t size16;
  std::memcpy(&size16, p - 2, 2);
  if (size16 != kLongSizeMark) return size16;
  uint64_t size64;
  std::memcpy(&size64, p - 8, 8);
  return static_cast<int64_t>(size64 & kLongSizeMask);
}

void MemFreeWiped(void* block, bool wipe) {
  if (block != nullptr && wipe) {
    // volatile stores: the compiler must not drop the erasure of memory that is freed next.
    volatile char* p = static_cast<char*>(block);
    int64_t n = MemSize(block);
    for (int64_t i = 0; i < n; ++i) p[i] = 0;
  }
  MemFree(block);
}

void MemFree(void* block) {
  if (!block) return;
  int64_t n = MemSize(block);
  auto* payload = static_cast<char*>(block);
  if (n > kMemSmallLimit) {
    HeapBlockFree(payload - kLargeHeader);
    return;
  }
  int sizeClass = ClassOfSlot(SlotSize(n));
  AcquireSRWLockExclusive(&allocatorLock);
  PushFree(payload - 2, sizeClass);
  ReleaseSRWLockExclusive(&allocatorLock);
}

int64_t MemAllocatedSize(const void* block) {
  if (!block) return 0;
  int64_t n = MemSize(block);
  if (n > kMemSmallLimit) return n + 8;
  if (n < 7) return 8;
  if (n <= 128) return ((n - 1) | 1) + 3;
  return ((n - 1) | 15) + 3;
}

void* MemDup(const void* source, int64_t n) {
  if (n <= 0) return nullptr;
  void* copy = MemAlloc(n, 0);
  if (copy) std::memcpy(copy, source, static_cast<size_t>(n));
  return copy;
}

void* MemDupBlock(const void* block) {
  if (!block) return nullptr;
  int64_t n = MemSize(block);
  void* copy = MemAlloc(n, 0);
  if (copy && n) std::memcpy(copy, block, static_cast<size_t>(n));
  return copy;
}

bool MemResize(void** holder, int64_t n, int headroomClass) {
  if (n == 0) {
    MemFree(*holder);
    *holder = nullptr;
    return true;
  }
  void* grown = MemAlloc(n, headroomClass);
  if (!grown) return false;
  if (*holder) {
    int64_t keep = MemSize(*holder);
    if (keep > n) keep = n;
    std::memcpy(grown, *holder, static_cast<size_t>(keep));
    MemFree(*holder);
  }
  *holder = grown;
  return true;
}

void MemAssignBlock(void** holder, const void* source) {
  if (!source) {
    MemFree(*holder);
    *holder = nullptr;
    return;
  }
  if (*holder && MemSize(*holder) == MemSize(source)) {
    std::memcpy(*holder, source, static_cast<size_t>(MemSize(source)));
    return;
  }
  MemFree(*holder);
  *holder = MemDupBlock(source);
}

void MemAssignBytes(void** holder, const void* source, int64_t n) {
  MemFree(*holder);
  *holder = n == 0 ? nullptr : MemDup(source, n);
}

void MemZero(void* address, int64_t n) { std::memset(address, 0, static_cast<size_t>(n)); }
void MemFill(void* address, int64_t n, uint8_t byte) {
  std::memset(address, byte, static_cast<size_t>(n));
}

int64_t MemChunkRemaining() {
  AcquireSRWLockShared(&allocatorLock);
  int64_t rest = chunkEnd - cursor;
  ReleaseSRWLockShared(&allocatorLock);
  return rest;
}

// Every C++ allocation of the program goes through the same allocator. Alignments above 16
// bytes are not asked for by this program's types; they are served, unaccounted, by the CRT.

void* operator new(size_t size) {
  if (void* p = MemAlloc(static_cast<int64_t>(size), 0)) return p;
  throw std::bad_alloc();
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  return MemAlloc(static_cast<int64_t>(size), 0);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  return MemAlloc(static_cast<int64_t>(size), 0);
}
void operator delete(void* p) noexcept { MemFree(p); }
void operator delete[](void* p) noexcept { MemFree(p); }
void operator delete(void* p, size_t) noexcept { MemFree(p); }
void operator delete[](void* p, size_t) noexcept { MemFree(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { MemFree(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { MemFree(p); }

void* operator new(size_t size, std::align_val_t align) {
  if (static_cast<size_t>(align) <= 16) return operator new(size);
  if (void* p = _aligned_malloc(size, static_cast<size_t>(align))) return p;
  throw std::bad_alloc();
}
void* operator new[](size_t size, std::align_val_t align) { return operator new(size, align); }
void operator delete(void* p, std::align_val_t align) noexcept {
  if (static_cast<size_t>(align) <= 16)
    MemFree(p);
  else
    _aligned_free(p);
}
void operator delete[](void* p, std::align_val_t align) noexcept { operator delete(p, align); }
void operator delete(void* p, size_t, std::align_val_t align) noexcept {
  operator delete(p, align);
}
void operator delete[](void* p, size_t, std::align_val_t align) noexcept {
  operator delete(p, align);
}
