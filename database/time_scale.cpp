#include "database/time_scale.h"

#include <cstring>
#include <new>

#include "core/alert.h"
#include "core/file_stream.h"
#include "core/input_stream.h"
#include "core/locale.h"
#include "core/memory.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "core/value_format.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "database/date_ref.h"
#include "database/link_rename.h"
#include "database/model_links.h"

namespace {

constexpr int32_t kTimeScaleOverhead = 64;

void SendNote(TimeScale* scale, int32_t code) {
  if (!scale->database) return;
  ChangeNote note;
  note.code = code;
  note.database = scale->database;
  note.object = scale;
  NotifyChange(scale->database, &note);
}

void FreePeriods(TimeScale* scale) {
  for (int64_t i = 0; i < scale->periods.count; ++i)
    BlockTextFree(&TimeScalePeriod(scale, i)->name);
  PagedArrayTruncate(&scale->periods, 0);
}

CardId OpenEnd() { return CardId{0x7fffffffu, kCardSequenceOpen}; }

CardId BeforeStart(const TimeScale* scale, int64_t index) {
  CardId id = TimeScalePeriod(scale, index)->start;
  CardIdPrev(&id);
  return id;
}

}  // namespace

TimeScale::TimeScale(T_Base* base, const char* scaleName) : database(base) {
  PagedArrayInit(&periods, sizeof(TimePeriod), 0);
  BlockTextAssign(&name, scaleName);
  TimeScale** link = &base->timeScales;
  while (*link) link = &(*link)->next;
  *link = this;
  SendNote(this, kChangeTimeScaleAdded);
}

TimeScale::~TimeScale() {
  if (database) {
    for (TimeScale** link = &database->timeScales; *link; link = &(*link)->next) {
      if (*link == this) {
        *link = next;
        break;
      }
    }
    next = nullptr;
    SendNote(this, kChangeTimeScaleDeleted);
  }
  BlockTextFree(&name);
  FreePeriods(this);
  PagedArrayFree(&periods);
}

int64_t TimeScalePeriodCount(const TimeScale* scale) { return scale->periods.count; }

TimePeriod* TimeScalePeriod(const TimeScale* scale, int64_t index) {
  return reinterpret_cast<TimePeriod*>(PagedArrayAt(&scale->periods, index));
}

bool TimeScaleAppendPeriod(TimeScale* scale, const CardId* start, const char* name) {
  auto* period =
      reinterpret_cast<TimePeriod*>(PagedArrayAtGrow(&scale->periods, scale->periods.count));
  if (!period) return false;
  period->start = *start;
  period->name = nullptr;
  BlockTextAssign(&period->name, name);
  return true;
}

void TimeScale::SetName(const char* text) {
  BlockTextAssign(&name, text);
  SendNote(this, kChangeTimeScaleRenamed);
}

// --- Lookups ----------------------------------------------------------------------------------

int64_t PeriodIndexOf(const TimeScale* scale, const CardId* id) {
  // The last start not after the id: the periods ascend, so a binary search finds it.
  int64_t low = 0;
  int64_t high = scale->periods.count;
  while (low < high) {
    int64_t middle = low + (high - low) / 2;
    if (CardIdLessEqual(&TimeScalePeriod(scale, middle)->start, id)) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return low - 1;
}

const char* PeriodNameOfDate(const TimeScale* scale, const CardId* id) {
  int64_t index = PeriodIndexOf(scale, id);
  return index < 0 ? nullptr : TimeScalePeriod(scale, index)->name;
}

CardId PeriodEnd(const TimeScale* scale, const CardId* id) {
  int64_t index = PeriodIndexOf(scale, id);
  if (index + 1 >= scale->periods.count) return OpenEnd();
  return BeforeStart(scale, index + 1);
}

void PeriodBounds(const TimeScale* scale, CardId* start, CardId* end, const CardId* id,
                  int32_t offset) {
  int64_t count = scale->periods.count;
  int64_t index = PeriodIndexOf(scale, id) + offset;
  if (count == 0) {
    *start = CardId{};
    *end = OpenEnd();
  } else if (index < 0) {
    *start = CardId{};
    *end = BeforeStart(scale, 0);
  } else if (index < count - 1) {
    *start = TimeScalePeriod(scale, index)->start;
    *end = BeforeStart(scale, index + 1);
  } else {
    *start = TimeScalePeriod(scale, count - 1)->start;
    *end = OpenEnd();
  }
}

bool CardChainEnd(T_Base* base, int32_t side, CardId* id) {
  CardRecord* sentinel = base ? base->sentinelCard : nullptr;
  CardRecord* card = sentinel ? (side < 1 ? sentinel->next : sentinel->previous) : nullptr;
  if (!card || card == sentinel) return false;
  id->date = card->dateNode->date;
  id->sequence = card->dayNumber;
  return true;
}

void PeriodBound(const TimeScale* scale, CardId* id, int64_t index, int32_t direction) {
  const TimePeriod* period = TimeScalePeriod(scale, index);
  if (direction < 0) {
    *id = period->start;
  } else if (index + 1 < scale->periods.count) {
    *id = BeforeStart(scale, index + 1);
  } else if (!CardChainEnd(scale->database, kDirectionTo, id) || id->date <= period->start.date) {
    id->date = PackDate(PackedDateYear(period->start.date), 12, 31);
    id->sequence = kCardSequenceOpen;
  }
}

bool MatchPeriodName(TimeScale* scale, PrefixMatcher* matcher) {
  for (int64_t i = 0; i < scale->periods.count; ++i) {
    const char* name = TimeScalePeriod(scale, i)->name;
    if (name && PrefixMatcherOffer(matcher, name, scale, static_cast<int32_t>(i))) return true;
  }
  return false;
}

TimeScale* FindTimeScaleByPrefix(T_Base* base, PrefixMatcher* matcher) {
  if (!base) return nullptr;
  for (TimeScale* scale = base->timeScales; scale; scale = scale->next) {
    if (PrefixMatcherOffer(matcher, scale->name, scale, 0)) break;
  }
  return static_cast<TimeScale*>(matcher->bestObject);
}

TimeScale* FindPeriodByPrefix(T_Base* base, PrefixMatcher* matcher, int64_t* index) {
  if (!base) return nullptr;
  for (TimeScale* scale = base->timeScales; scale; scale = scale->next) {
    if (MatchPeriodName(scale, matcher)) break;
  }
  *index = matcher->bestId;
  return static_cast<TimeScale*>(matcher->bestObject);
}

// --- Section record ---------------------------------------------------------------------------

void ReadTimeScale(TimeScale* scale, T_IStream* stream) {
  FreePeriods(scale);
  char name[kPeriodNameMax + 1];
  while (!AbortRequested() && stream->NextLine()) {
    if (!stream->NextField() || stream->FieldLength() == 0) continue;
    if (stream->FieldLength() >= 2 && stream->Field()[0] == '#' && stream->Field()[1] == '#') {
      stream->RewindLine();
      break;
    }
    CardId start;
    parseDate(&start, stream->Field(), stream->FieldLength(), kDirectionFrom);
    if (start.date == 0) continue;
    name[0] = 0;
    stream->ReadFieldStr(name, sizeof name);
    if (!TimeScaleAppendPeriod(scale, &start, name)) break;
  }
  SortPeriodsByStart(&scale->periods);
  SendNote(scale, kChangeTimeScaleChanged);
}

void WriteTimeScale(const TimeScale* scale, T_OStream* stream) {
  stream->PutText("##TimeScale");
  stream->PutSeparator();
  stream->PutBlockText(scale->name);
  stream->PutNewline();
  char start[32];
  for (int64_t i = 0; i < scale->periods.count; ++i) {
    const TimePeriod* period = TimeScalePeriod(scale, i);
    FormatCardIdCStr(start, &period->start);
    stream->PutText(start);
    stream->PutSeparator();
    stream->PutBlockText(period->name);
    stream->PutNewline();
  }
  stream->PutNewline();
}

void RewriteLinksInPeriodNames(TimeScale* scale, const ChangeNote* note) {
  // Code 63 asks every text that may hold a link to follow a rename; period names are such texts.
  if (note->code != kChangeLinks || !note->rename) return;
  bool changed = false;
  for (int64_t i = 0; i < scale->periods.count; ++i) {
    if (RewriteLinks(note->rename, &TimeScalePeriod(scale, i)->name, kPeriodNameMax))
      changed = true;
  }
  if (changed) SendNote(scale, kChangeTimeScaleChanged);
}

int64_t TimeScaleMemorySize(const TimeScale* scale) {
  int64_t size = kTimeScaleOverhead + PagedArrayMemSize(&scale->periods);
  if (scale->name) size += MemAllocatedSize(scale->name);
  for (int64_t i = 0; i < scale->periods.count; ++i) {
    if (const char* name = TimeScalePeriod(scale, i)->name) size += MemAllocatedSize(name);
  }
  return size;
}

void TimeScaleFree(TimeScale* scale) { delete scale; }

void DeleteTimeScalesAfter(T_Base* base, TimeScale* last) {
  TimeScale** link = last ? &last->next : &base->timeScales;
  while (*link) delete *link;  // each unlinks itself
}

TimeScale* T_Base::FindTimeScale(const char* text) {
  T_TextBuf key(text);
  TextBufTrim(&key, ' ');
  if (key.empty()) return nullptr;
  for (TimeScale* scale = timeScales; scale; scale = scale->next) {
    if (StrEqualNoCase(scale->name, key.c_str())) return scale;
  }
  return nullptr;
}

TimeScale* T_Base::GetTimeScaleAt(int64_t n) {
  TimeScale* scale = n >= 0 ? timeScales : nullptr;
  for (; scale && n > 0; --n) scale = scale->next;
  return scale;
}

int64_t T_Base::CountTimeScales() {
  int64_t count = 0;
  for (TimeScale* scale = timeScales; scale; scale = scale->next) ++count;
  return count;
}

int64_t T_Base::IndexOfTimeScale(const TimeScale* wanted) {
  int64_t index = 0;
  for (TimeScale* scale = timeScales; scale; scale = scale->next, ++index) {
    if (scale == wanted) return index;
  }
  return -1;
}

void TimeScaleFreeAll(T_Base* base) {
  while (TimeScale* scale = base->timeScales) {
    base->timeScales = scale->next;
    scale->database = nullptr;
    delete scale;
  }
}

// --- Rows of periods ---------------------------------------------------------------------------

namespace {

constexpr int32_t kErrorDatabaseFile = 2111;  // A QEB-file can not be imported into this window.

TimePeriod* Row(PagedArray* rows, int64_t i) {
  return reinterpret_cast<TimePeriod*>(PagedArrayAt(rows, i));
}

bool RowIsEmpty(const TimePeriod* row) { return row->start.date == 0 && row->name == nullptr; }

void RemoveRow(PagedArray* rows, int64_t index) {
  BlockTextFree(&Row(rows, index)->name);
  for (int64_t i = index + 1; i < rows->count; ++i) PagedArrayCopyRecord(rows, i - 1, i);
  PagedArrayTruncate(rows, rows->count - 1);
}

}  // namespace

bool SortPeriodsByStart(PagedArray* rows) {
  bool moved = false;
  for (int64_t i = 1; i < rows->count; ++i) {
    for (int64_t j = i; j > 0 && CardIdLess(&Row(rows, j)->start, &Row(rows, j - 1)->start); --j) {
      PagedArraySwapRecords(rows, j, j - 1);
      moved = true;
    }
  }
  return moved;
}

bool TidyPeriods(PagedArray* rows) {
  bool changed = false;
  for (int64_t i = rows->count - 1; i >= 0 && rows->count > 1; --i) {
    if (!RowIsEmpty(Row(rows, i))) continue;
    RemoveRow(rows, i);
    changed = true;
  }
  return SortPeriodsByStart(rows) || changed;
}

void FreePeriodRows(PagedArray* rows) {
  for (int64_t i = 0; i < rows->count; ++i) BlockTextFree(&Row(rows, i)->name);
  PagedArrayTruncate(rows, 0);
}

TimePeriod* InsertPeriodRow(PagedArray* rows, int64_t index) {
  if (index < 0 || index > rows->count || !PagedArrayAtGrow(rows, rows->count)) return nullptr;
  for (int64_t i = rows->count - 1; i > index; --i) PagedArrayCopyRecord(rows, i, i - 1);
  TimePeriod* row = Row(rows, index);
  *row = TimePeriod{CardId{0, 0}, nullptr};
  return row;
}

void RemovePeriodRow(PagedArray* rows, int64_t index) {
  if (index >= 0 && index < rows->count) RemoveRow(rows, index);
}

bool CopyPeriodsToRows(PagedArray* rows, const TimeScale* scale) {
  FreePeriodRows(rows);
  for (int64_t i = 0; i < scale->periods.count; ++i) {
    const TimePeriod* period = TimeScalePeriod(scale, i);
    if (period->start.date == 0) continue;
    TimePeriod* row = InsertPeriodRow(rows, rows->count);
    if (row == nullptr) return false;
    row->start = period->start;
    BlockTextAssign(&row->name, period->name);
  }
  return true;
}

bool PeriodRowsEqual(const PagedArray* rows, const TimeScale* scale) {
  if (rows->count != scale->periods.count) return false;
  for (int64_t i = 0; i < rows->count; ++i) {
    const auto* row = reinterpret_cast<const TimePeriod*>(PagedArrayAt(rows, i));
    const TimePeriod* period = TimeScalePeriod(scale, i);
    if (row->start.date != period->start.date || row->start.sequence != period->start.sequence)
      return false;
    if (std::strcmp(row->name ? row->name : "", period->name ? period->name : "") != 0)
      return false;
  }
  return true;
}

bool SetPeriodsFromRows(TimeScale* scale, const PagedArray* rows) {
  FreePeriods(scale);
  bool complete = true;
  for (int64_t i = 0; i < rows->count && complete; ++i) {
    const auto* row = reinterpret_cast<const TimePeriod*>(PagedArrayAt(rows, i));
    if (row->start.date != 0) complete = TimeScaleAppendPeriod(scale, &row->start, row->name);
  }
  SendNote(scale, kChangeTimeScaleChanged);
  return complete;
}

int64_t ImportPeriodsFromText(PagedArray* rows, T_IStream* stream) {
  int64_t taken = 0;
  char name[kPeriodNameMax + 1];
  while (!AbortRequested() && stream->NextLine()) {
    if (!stream->NextField() || stream->FieldLength() == 0) continue;
    CardId start;
    parseDate(&start, stream->Field(), stream->FieldLength(), kDirectionFrom);
    name[0] = 0;
    stream->ReadFieldStr(name, sizeof name);
    if (start.date == 0 || name[0] == 0) continue;
    TimePeriod* row = nullptr;
    if (taken == 0 && rows->count > 0 && RowIsEmpty(Row(rows, rows->count - 1))) {
      row = Row(rows, rows->count - 1);
    } else {
      row = reinterpret_cast<TimePeriod*>(PagedArrayAtGrow(rows, rows->count));
      if (row == nullptr) break;
      row->name = nullptr;
    }
    row->start = start;
    BlockTextAssign(&row->name, name);
    ++taken;
  }
  return taken;
}

int64_t ImportPeriodsFile(PagedArray* rows, const char* path) {
  if (IsOpenableFile(path)) {
    PendingErrorSet(kErrorDatabaseFile);
    return -1;
  }
  T_IStreamFile file;
  if (!file.Open(path)) return -1;
  int64_t taken = ImportPeriodsFromText(rows, &file);
  file.Close();
  return taken;
}
