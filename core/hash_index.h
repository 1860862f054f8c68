#pragma once
// HashIndex: finds records by a text key. Open addressing with double hashing over a prime
// number of slots; each slot holds 0 (empty), 1 (deleted) or a record address. The key is read
// out of the record by a callback, so one index serves any record layout, and keys are never
// copied into the index.
//
// Invariants:
//   1. the slot count is a prime of at least 1031 and every key's step lies in 1..slot count - 1,
//      so a probe sequence visits every slot;
//   2. slots only go empty -> record -> deleted -> record until a reset, so every slot before a
//      record's slot on its probe sequence is occupied or deleted;
//   3. the entry count is the number of slots holding a record.
//
// Key kind 4 compares keys byte for byte; any other kind ignores letter case.
//
// The index does not grow by itself: the owner compares the entry count with the fill limit and
// rebuilds (HashIndexReset, then insert every record). An index belongs to one owner.
#include <cstdint>

#include "core/array_record.h"

constexpr int32_t kKeyKindBytes = 4;

// The record's NUL-terminated UTF-8 key.
using HashKeyFunction = const char* (*)(const void* record);

struct HashIndex {
  int64_t slotCount = 0;
  ArrayRecord slots;
  HashKeyFunction key = nullptr;
  int32_t keyKind = kKeyKindBytes;
  int64_t entryCount = 0;
  int64_t fillLimit = 0;  // slot count - slot count / 8
};

// Slots for n keys: the first odd prime above 2n + 1024 - n/4.
int64_t HashIndexPrimeSize(int64_t n);

// False (slot count 0, pending error 600) when the slots cannot be had.
bool HashIndexInit(HashIndex* index, int64_t n, int headroomClass, HashKeyFunction key,
                   int32_t keyKind);
// Empties the index and sizes it for n keys. When the new size cannot be had the index is
// emptied at its old size and the result is false.
bool HashIndexReset(HashIndex* index, int64_t n);
// Puts the record at the first empty or deleted slot of its key's sequence, without looking for
// an equal key. False for a record with an empty key and for an index without a free slot.
bool HashIndexInsert(HashIndex* index, const void* record);
// The first record with an equal key on the key's sequence; null for a null or empty key.
void* HashIndexFind(const HashIndex* index, const char* key);
// The record whose key equals the longest proper prefix of the key (a prefix ending inside a
// character does not count when letter case is ignored); null when no prefix is a key. One pass
// over the key: the hashes of its prefixes are built one from the other, so a long key costs its
// length, not its length squared.
void* HashIndexFindLongestPrefix(const HashIndex* index, const char* key);
// Marks deleted the slot holding exactly this record; when no slot holds it, the slot of the
// first record whose key equals the record's key. False when neither exists.
bool HashIndexRemove(HashIndex* index, const void* record);
void HashIndexFree(HashIndex* index);
// Allocated size of the slot array + 80.
int64_t HashIndexMemSize(const HashIndex* index);

// Hash functions, also used outside the index. A modulus m must be above 0.
uint64_t KeyHash(const char* key, uint64_t m);
uint64_t KeyHashNoCase(const char* key, uint64_t m);
// The key's last byte, 1..255 (1 for an empty key).
uint64_t KeyStep(const char* key);
// The upper-cased code point of the key's last character masked with 0x3ff; 1 where that is 0.
uint64_t KeyStepNoCase(const char* key);
uint64_t StrHash(const char* text, uint64_t m);
uint64_t StrHashNoCase(const char* text, uint64_t m);
// The 64 bits of x with the sign bit cleared, modulo m.
uint64_t DoubleHash(double x, uint64_t m);
// Byte 5 of x's little-endian bytes + 1: 1..256.
uint64_t DoubleStep(double x);
// True below 4 (0 to 3 included), then true for the primes.
bool IsPrime(int64_t n);
// The first odd prime above x.
int64_t NextPrime(int64_t x);
