#pragma once
// PagedArray: fixed-width records by number, in pages of 4096 records, so records never move
// while the array grows and a record is found by a shift, a mask and one multiply-add.
//
// Invariants:
//   1. record i lives in page i >> 12 at byte offset (i & 4095) x width;
//   2. every page is a process-heap block of width x 4096 bytes (HeapBlockAlloc with the page
//      table's headroom class), never a size-class block; missing pages are null;
//   3. a record's address stays valid until a width change or a truncation below it.
//
// An array belongs to one owner; nothing here locks.
#include <cstdint>

#include "core/array_record.h"

constexpr int kPageShift = 12;
constexpr int64_t kPageRecords = int64_t{1} << kPageShift;

struct PagedArray {
  int64_t count = 0;  // records 0 .. count - 1 are in use
  int32_t width = 0;  // bytes per record
  ArrayRecord pages;  // page addresses
};

// Count 0 and a table of 12 missing pages.
void PagedArrayInit(PagedArray* array, int32_t width, int headroomClass);

// The hot path: no checks. i must be below the count and its page must exist.
inline uint8_t* PagedArrayAt(const PagedArray* array, int64_t i) {
  return static_cast<uint8_t*>(reinterpret_cast<void* const*>(array->pages.data)[i >> kPageShift]) +
         (i & (kPageRecords - 1)) * array->width;
}

// Makes record i usable (its page exists, the count covers it) and returns its address; null
// when the memory cannot be had.
uint8_t* PagedArrayAtGrow(PagedArray* array, int64_t i);
// Makes records 0 .. n - 1 usable; on failure the count stays as it was.
bool PagedArrayReserve(PagedArray* array, int64_t n);
// Frees every page from ceil(n / 4096) on and lowers the count to n.
void PagedArrayTruncate(PagedArray* array, int64_t n);
// Only while the array holds no records (pages left from an earlier reserve are freed).
bool PagedArraySetWidth(PagedArray* array, int32_t width);

void PagedArrayCopyRecord(PagedArray* array, int64_t destinationIndex, int64_t sourceIndex);
void PagedArrayPutRecord(PagedArray* array, int64_t i, const void* source);
void PagedArrayGetRecord(const PagedArray* array, void* destination, int64_t i);
void PagedArraySwapRecords(PagedArray* array, int64_t i, int64_t j);

// Widens every record by n zero bytes at the offset; on failure the array is unchanged.
bool PagedArrayInsertBytes(PagedArray* array, int32_t n, int32_t offset);
// Narrows every record by the n bytes at the offset; never fails for a valid range.
bool PagedArrayRemoveBytes(PagedArray* array, int32_t n, int32_t offset);

void PagedArrayFree(PagedArray* array);
// 0 for null; else the page table's allocated size + 64 + width x 4096 per page.
int64_t PagedArrayMemSize(const PagedArray* array);
