#include "core/timed_table.h"

#include <cstring>

#include "core/memory.h"
#include "core/owned_text.h"
#include "core/threads.h"

namespace {

TimedRecord* RecordAt(TimedTable* table, int64_t i) {
  return reinterpret_cast<TimedRecord*>(PagedArrayAt(&table->records, i));
}

// False only when a text that is not empty could not be copied.
bool CopyText(const char* text, char** copy) {
  *copy = StrDup(text);
  return *copy || !text || !*text;
}

// Copies of all three texts, or none.
bool CopyTexts(const char* key, const char* textA, const char* textB, char* copies[3]) {
  if (CopyText(key, &copies[0]) && CopyText(textA, &copies[1]) && CopyText(textB, &copies[2]))
    return true;
  for (int k = 0; k < 3; ++k) MemFree(copies[k]);
  return false;
}

int64_t Find(TimedTable* table, const char* key) {
  const char* wanted = key ? key : "";
  for (int64_t i = 0; i < table->count; ++i) {
    const char* held = RecordAt(table, i)->key;
    if (std::strcmp(held ? held : "", wanted) == 0) return i;
  }
  return -1;
}

void Notify(const TimedTable* table, int32_t kind, const TimedRecord* record) {
  TimedTableChange change{kind, record->key, record->textA, record->textB};
  table->callback(&change);
}

}  // namespace

void TimedTableInit(TimedTable* table, int64_t maximumAge, TimedTableCallback callback) {
  PagedArrayInit(&table->records, sizeof(TimedRecord), 1);
  table->count = 0;
  table->callback = callback;
  table->maximumAge = maximumAge == 0 ? kTimedTableDefaultAge : maximumAge;
}

bool TimedTableSet(TimedTable* table, const char* key, const char* textA, const char* textB) {
  int64_t i = Find(table, key);
  char* copies[3];
  if (i >= 0) {
    if (!CopyTexts(nullptr, textA, textB, copies)) return false;
    TimedRecord* record = RecordAt(table, i);
    bool wasActive = record->textB != nullptr;
    MemFree(record->textA);
    MemFree(record->textB);
    record->textA = copies[1];
    record->textB = copies[2];
    record->stamp = TickCount();
    if (table->callback && record->textB && !wasActive) Notify(table, 0, record);
    return true;
  }
  if (!CopyTexts(key, textA, textB, copies)) return false;
  auto* record = reinterpret_cast<TimedRecord*>(PagedArrayAtGrow(&table->records, table->count));
  if (!record) {
    for (char* copy : copies) MemFree(copy);
    return false;
  }
  *record = TimedRecord{copies[0], copies[1], copies[2], TickCount()};
  ++table->count;
  if (table->callback && record->textB) Notify(table, 0, record);
  return true;
}

bool TimedTableGet(TimedTable* table, const char* key, T_TextBuf* textA, T_TextBuf* textB) {
  TimedTablePurge(table);
  int64_t i = Find(table, key);
  const TimedRecord* record = i >= 0 ? RecordAt(table, i) : nullptr;
  TextBufAssign(textA, record && record->textA ? record->textA : "");
  TextBufAssign(textB, record && record->textB ? record->textB : "");
  return record != nullptr;
}

void TimedTableTouch(TimedTable* table, const char* key) {
  int64_t i = Find(table, key);
  if (i >= 0) RecordAt(table, i)->stamp = TickCount();
}

void TimedTableRemove(TimedTable* table, const char* key) {
  int64_t i = Find(table, key);
  if (i >= 0) TimedTableRemoveAt(table, i);
}

void TimedTableRemoveAt(TimedTable* table, int64_t i) {
  if (i < 0 || i >= table->count) return;
  TimedRecord* record = RecordAt(table, i);
  if (table->callback && record->textB) Notify(table, 1, record);
  MemFree(record->key);
  MemFree(record->textA);
  MemFree(record->textB);
  --table->count;
  if (i != table->count) *record = *RecordAt(table, table->count);
  PagedArrayTruncate(&table->records, table->count);
}

void TimedTablePurge(TimedTable* table) {
  uint64_t now = TickCount();
  for (int64_t i = 0; i < table->count;) {
    // The record moved into place i is examined next.
    if (static_cast<int64_t>(now - RecordAt(table, i)->stamp) > table->maximumAge)
      TimedTableRemoveAt(table, i);
    else
      ++i;
  }
}

void TimedTableFree(TimedTable* table) {
  for (int64_t i = 0; i < table->count; ++i) {
    TimedRecord* record = RecordAt(table, i);
    MemFree(record->key);
    MemFree(record->textA);
    MemFree(record->textB);
  }
  table->count = 0;
  PagedArrayFree(&table->records);
}
