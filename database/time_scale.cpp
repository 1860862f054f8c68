#include "database/time_scale.h"

#include <new>

#include "core/alert.h"
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

void TimeScaleSetName(TimeScale* scale, const char* text) {
  BlockTextAssign(&scale->name, text);
  SendNote(scale, kChangeTimeScaleRenamed);
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

void TimeScalePeriodBound(const TimeScale* scale, CardId* id, int64_t index, int32_t direction) {
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

bool TimeScaleOfferNames(TimeScale* scale, PrefixMatcher* matcher) {
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
    if (TimeScaleOfferNames(scale, matcher)) break;
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

void TimeScaleOnChange(TimeScale* scale, const ChangeNote* note) {
  // Code 63 asks every text that may hold a link to follow a rename; period names are such texts.
  if (note->code != kChangeLinks || !note->rename) return;
  bool changed = false;
  for (int64_t i = 0; i < scale->periods.count; ++i) {
    if (RewriteLinks(note->rename, &TimeScalePeriod(scale, i)->name, kPeriodNameMax))
      changed = true;
  }
  if (changed) SendNote(scale, kChangeTimeScaleChanged);
}

int64_t TimeScaleMemSize(const TimeScale* scale) {
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
