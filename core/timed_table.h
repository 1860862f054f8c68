#pragma once
// TimedTable: a small table of keyed entries (a key and two texts) that expire once they have
// not been set or touched for a maximum age. Lookups scan linearly; the table is meant for a
// handful of entries, such as the web gateway's sessions.
//
// An entry is "active" while its text B is set: the change callback hears kind 0 when an entry
// gets a text B it did not have, and kind 1 when an entry with a text B is removed (by hand or
// by expiry).
//
// A table belongs to one owner; nothing here locks.
#include <cstdint>

#include "core/paged_array.h"
#include "core/text_buffer.h"

constexpr int64_t kTimedTableDefaultAge = 1200000;  // 20 minutes, in milliseconds

struct TimedRecord {
  char* key;  // owned block texts; null for an empty text
  char* textA;
  char* textB;
  uint64_t stamp;  // tick count of the last set or touch
};
static_assert(sizeof(TimedRecord) == 32, "the table's records are 32 bytes");

struct TimedTableChange {
  int32_t kind;  // 0 entry became active, 1 entry removed
  const char* key;
  const char* textA;
  const char* textB;  // the texts just stored, or the record's texts before removal
};
using TimedTableCallback = void (*)(const TimedTableChange* change);

struct TimedTable {
  PagedArray records;  // headroom class 1
  int64_t count = 0;
  TimedTableCallback callback = nullptr;  // may be null
  int64_t maximumAge = kTimedTableDefaultAge;
};

// A maximum age of 0 means the default of 20 minutes.
void TimedTableInit(TimedTable* table, int64_t maximumAge, TimedTableCallback callback);
// Replaces the entry's texts (an empty text is stored as null) or appends a new entry; stamps it
// now. False when memory runs out: the entry is then left as it was.
bool TimedTableSet(TimedTable* table, const char* key, const char* textA, const char* textB);
// Purges first; fills both buffers from the entry and returns true, or empties both.
bool TimedTableGet(TimedTable* table, const char* key, T_TextBuf* textA, T_TextBuf* textB);
void TimedTableTouch(TimedTable* table, const char* key);
void TimedTableRemove(TimedTable* table, const char* key);
// The last entry moves into place i: entry order is not kept.
void TimedTableRemoveAt(TimedTable* table, int64_t i);
// Removes every entry older than the maximum age.
void TimedTablePurge(TimedTable* table);
// Frees every entry's texts (without callbacks) and the pages.
void TimedTableFree(TimedTable* table);
