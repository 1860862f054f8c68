#pragma once
// The one allocator of the program.
//
// Blocks of up to 4096 bytes come from size-class free lists carved out of 32 KB chunks; larger
// blocks come from the process heap. Every block knows the size that was asked for: the 16-bit
// word just before the block holds it, or holds 32767 and the 64-bit word before the block holds
// size | 0x7fff000000000000. Every block is 16-byte aligned.
//
// Running out of memory never aborts: the call returns null (false for MemResize), pending error
// 600 is set with the abort flag, and existing blocks stay untouched. A heap request succeeds
// only while a reserve (by headroom class: 0 keeps 256 KB, 1 keeps 1 MB, 2 keeps 64 KB) is also
// available beside it.
//
// Any thread may allocate and free.
#include <cstddef>
#include <cstdint>
#include <cstring>

constexpr int64_t kMemSmallLimit = 4096;

void* MemAlloc(int64_t size, int headroomClass);
inline void* MemNew(int64_t size) { return MemAlloc(size, 0); }
void MemFree(void* block);
// Frees the block, its bytes first overwritten with zeros when wipe is set (a block that held a
// password or other secret).
void MemFreeWiped(void* block, bool wipe);

int64_t MemSize(const void* block);
// Bytes the block takes, for memory-usage reports: size + 8 for a large block, the block size of
// the size class (header included) for a small one, 0 for null.
int64_t MemAllocatedSize(const void* block);

void* MemDup(const void* source, int64_t n);
void* MemDupBlock(const void* block);
// n = 0 frees the block and stores null. On failure the holder keeps its old block.
bool MemResize(void** holder, int64_t n, int headroomClass);
void MemAssignBlock(void** holder, const void* source);
void MemAssignBytes(void** holder, const void* source, int64_t n);

void MemZero(void* address, int64_t n);
void MemFill(void* address, int64_t n, uint8_t byte);

// Copies n bytes between blocks that do not overlap. The C runtime's memcpy under Wine moves
// short runs a byte or a word at a time, and text writers copy millions of short runs (cells,
// separators, numbers), so runs up to 32 bytes are copied inline as overlapping words.
inline void CopyBytes(void* to, const void* from, int64_t n) {
  auto* d = static_cast<uint8_t*>(to);
  const auto* s = static_cast<const uint8_t*>(from);
  if (n > 32) {
    memcpy(d, s, static_cast<size_t>(n));
  } else if (n > 16) {
    uint64_t a, b, c, e;
    memcpy(&a, s, 8);
    memcpy(&b, s + 8, 8);
    memcpy(&c, s + n - 16, 8);
    memcpy(&e, s + n - 8, 8);
    memcpy(d, &a, 8);
    memcpy(d + 8, &b, 8);
    memcpy(d + n - 16, &c, 8);
    memcpy(d + n - 8, &e, 8);
  } else if (n >= 8) {
    uint64_t a, b;
    memcpy(&a, s, 8);
    memcpy(&b, s + n - 8, 8);
    memcpy(d, &a, 8);
    memcpy(d + n - 8, &b, 8);
  } else if (n >= 4) {
    uint32_t a, b;
    memcpy(&a, s, 4);
    memcpy(&b, s + n - 4, 4);
    memcpy(d, &a, 4);
    memcpy(d + n - 4, &b, 4);
  } else if (n > 0) {
    d[0] = s[0];
    d[n / 2] = s[n / 2];
    d[n - 1] = s[n - 1];
  }
}

// Bytes left to carve in the current chunk; for tests of chunk turnover.
int64_t MemChunkRemaining();
