#include "app/web_sessions.h"

#include <cstring>

#include "core/text_buffer.h"
#include "core/timed_table.h"

namespace {

TimedTable table;
bool created = false;

TimedTable* Table() {
  if (!created) {
    TimedTableInit(&table, kTimedTableDefaultAge, nullptr);
    created = true;
  }
  return &table;
}

TimedRecord* RecordAt(int64_t i) {
  return reinterpret_cast<TimedRecord*>(PagedArrayAt(&table.records, i));
}

bool Exists(const char* key) {
  for (int64_t i = 0; i < table.count; ++i) {
    const char* held = RecordAt(i)->key;
    if (std::strcmp(held ? held : "", key ? key : "") == 0) return true;
  }
  return false;
}

bool LoggedIn(const TimedRecord* record) {
  return record->textA && std::strcmp(record->textA, kWebSessionLoggedIn) == 0;
}

// Room for one more entry: the oldest waiting entry goes, else the oldest logged-in one.
void MakeRoom() {
  TimedTablePurge(&table);
  if (table.count < kWebSessionCap) return;
  int64_t victim = -1;
  bool victimLoggedIn = true;
  for (int64_t i = 0; i < table.count; ++i) {
    const TimedRecord* record = RecordAt(i);
    bool loggedIn = LoggedIn(record);
    if (victim < 0 || (victimLoggedIn && !loggedIn) ||
        (victimLoggedIn == loggedIn && record->stamp < RecordAt(victim)->stamp)) {
      victim = i;
      victimLoggedIn = loggedIn;
    }
  }
  TimedTableRemoveAt(&table, victim);
}

}  // namespace

bool WebSessionGet(const char* key, T_TextBuf* first, T_TextBuf* userName) {
  return TimedTableGet(Table(), key, first, userName);
}

void WebSessionSet(const char* key, const char* first, const char* userName) {
  Table();
  if (!Exists(key)) MakeRoom();
  TimedTableSet(&table, key, first, userName);
}

void WebSessionTouch(const char* key) { TimedTableTouch(Table(), key); }

void WebSessionRemove(const char* key) { TimedTableRemove(Table(), key); }

int64_t WebSessionCount() { return Table()->count; }

void WebSessionsClear() {
  if (!created) return;
  TimedTableFree(&table);
  created = false;
}
