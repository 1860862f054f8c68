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

// Bytes left to carve in the current chunk; for tests of chunk turnover.
int64_t MemChunkRemaining();
