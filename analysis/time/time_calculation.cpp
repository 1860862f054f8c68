// The walks of the time functions calculation. The single pass reads every card once for all
// selections; the shifted pass gives each selection its own position in the card chain, because
// a selection shifted by a year reads, for a period, the cards of the period a year earlier.
#include "analysis/time/time_calculation.h"

#include <cmath>
#include <limits>

#include "analysis/time/period_formation.h"
#include "core/alert.h"
#include "core/memory.h"
#include "core/message_pump.h"
#include "core/value_format.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/change_notes.h"
#include "database/link_rename.h"
#include "database/model_links.h"
#include "database/time_scale.h"
#include "ui/busy_indicator.h"
#include "ui/document_window.h"
#include "ui/selection_header.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int32_t kCardsPerPump = 256;

int64_t g_entryFailure = 0;
TFuncTickHook g_tickHook = nullptr;
int64_t g_ticks = 0;

CardId IdOf(const CardRecord* card) { return CardId{card->dateNode->date, card->dayNumber}; }

bool IsCalendarType(int32_t type) { return (type >= 0 && type <= kPeriodDays) || type == kPeriodTimeScale; }

struct Walk {
  TFuncData* data;
  T_BusyIndicator* busy;
  PeriodRange range;
  int64_t current = kEntryBefore;
  bool stopped = false;
  bool taken = false;  // some line was taken since the current entry was opened
  int32_t untilPump = kCardsPerPump;
};

// The end of the day, or the range end within that day.
CardId DayEnd(const PeriodRange& range, int32_t day) {
  CardId end{dayNumberToDate(day), kCardSequenceOpen};
  if (CardIdGreater(&end, &range.end)) end = range.end;
  return end;
}

TFuncEntry* Current(Walk* walk) { return TFuncEntryAt(walk->data, walk->current); }

// A new entry ending at the id, its values missing; null when the table cannot grow.
TFuncEntry* AppendEntry(TFuncData* data, const CardId& end) {
  if (g_entryFailure > 0 && --g_entryFailure == 0) return nullptr;
  auto* entry = reinterpret_cast<TFuncEntry*>(PagedArrayAtGrow(&data->periods, data->periodCount));
  if (!entry) return nullptr;
  entry->end = end;
  entry->dayPosition = 0.0f;
  entry->unused = 0;
  for (int32_t c = 0; c < data->columnCount; ++c) entry->values[c] = kNaN;
  ++data->periodCount;
  return entry;
}

void OutOfMemory(Walk* walk) {
  walk->stopped = true;
  walk->data->outOfMemory = 1;
  walk->data->lastDate = Current(walk)->end.date;
  PendingErrorOutOfMemory();
}

// Evaluates the current entry and opens the next, ending at the id.
void ClosePeriod(Walk* walk, const CardId& end) {
  TFuncData* data = walk->data;
  EvaluatePeriod(data, walk->current);
  if (!AppendEntry(data, end)) {
    OutOfMemory(walk);
    return;
  }
  walk->current = data->periodCount - 1;
  walk->taken = false;
  for (T_TSelection* s = data->measured; s; s = s->nextMeasured) {
    if (s->accumulation == kAccumulateByPeriod) s->ResetPeriod();
  }
}

CardId NextEnd(Walk* walk) {
  return NextPeriodEnd(walk->data->typeInForce, walk->data->scaleInForce, walk->data->base,
                       Current(walk)->end, walk->range);
}

bool TickCard(Walk* walk) {
  if (walk->busy) walk->busy->Tick();
  if (g_tickHook) g_tickHook(++g_ticks);
  if (--walk->untilPump == 0) {
    walk->untilPump = kCardsPerPump;
    PumpMessages();
  }
  // A median buffer that could not grow has set the pending error, which raises the abort flag.
  if (walk->data->outOfMemory) {
    OutOfMemory(walk);
  } else if (AbortRequested()) {
    walk->data->aborted = 1;
    walk->stopped = true;
  }
  return !walk->stopped;
}

// Which selections read a card: one, the unshifted ones, or all that are measured.
enum class Readers { kOne, kUnshifted, kAll };

// Feeds the card's taken lines to the readers. onTaken(firstOfCard, firstOfGroup) runs before
// the first selection takes a line, so that a period can close before the line counts; when it
// answers false (the walk has stopped) nothing more is taken.
template <typename OnTaken>
void FeedCard(TFuncData* data, CardRecord* card, T_TSelection* one, Readers readers,
              OnTaken onTaken) {
  auto each = [&](auto fn) {
    if (readers == Readers::kOne) {
      fn(one);
      return;
    }
    for (T_TSelection* s = data->measured; s; s = s->nextMeasured) {
      if (readers == Readers::kAll || s->shift.kind == 0) fn(s);
    }
  };
  const CardId id = IdOf(card);
  bool any = false;
  each([&](T_TSelection* s) {
    s->cardActive = CardIdInRange(&id, &s->selection.from.cardId, &s->selection.to.cardId) &&
                    Selection_matchCard(&s->selection, card);
    any = any || s->cardActive;
  });
  if (!any) return;
  bool firstOfCard = true;
  bool stop = false;
  for (GroupRecord* group = card->firstGroup; group && !stop; group = group->next) {
    bool anyInGroup = false;
    each([&](T_TSelection* s) {
      s->groupActive = s->cardActive && CompSelSelects(&s->selection.components, group->component);
      anyInGroup = anyInGroup || s->groupActive;
    });
    if (!anyInGroup) continue;
    bool firstOfGroup = true;
    for (LineRecord* line = group->firstLine; line && !stop; line = line->next) {
      const double* values = LineValues(line);
      bool taken = false;
      each([&](T_TSelection* s) {
        if (!s->groupActive || !Selection_matchLine(&s->selection, line)) return;
        if (!taken) {
          taken = true;
          stop = !onTaken(firstOfCard, firstOfGroup);
          firstOfCard = firstOfGroup = false;
        }
        if (!stop) s->Take(card, values[s->valueColumn]);
      });
    }
  }
}

CardId Shifted(const T_TSelection* s, CardId id) {
  if (s->shift.kind != 0) ApplyTimeShift(&s->shift, &id, kDirectionTo);
  return id;
}

// The cards from the selection's scan position up to the id (included).
void ReadUpTo(Walk* walk, T_TSelection* s, const CardId& limit) {
  CardRecord* sentinel = walk->data->base->sentinelCard;
  while (!walk->stopped && s->scan && s->scan != sentinel) {
    CardId id = IdOf(s->scan);
    if (CardIdGreater(&id, &limit)) return;
    if (!TickCard(walk)) return;
    FeedCard(walk->data, s->scan, s, Readers::kOne, [&](bool, bool) {
      walk->taken = true;
      return true;
    });
    s->scan = s->scan->next;
  }
}

CardRecord* FirstCard(T_Base* base) {
  CardId none{};
  CardId last{PackDate(kLastYear, 12, 31), kCardSequenceOpen};
  CardRecord* first = nullptr;
  base->CountCardsBetween(&none, &last, &first, nullptr);
  return first ? first : base->sentinelCard;
}

int64_t CountCards(T_Base* base, const CardId& from, const CardId& to, CardRecord** first) {
  if (CardIdGreater(&from, &to)) {
    if (first) *first = base->sentinelCard;
    return 0;
  }
  return base->CountCardsBetween(&from, &to, first, nullptr);
}

// --- The single pass ---------------------------------------------------------------------------

void SinglePass(Walk* walk) {
  TFuncData* data = walk->data;
  T_Base* base = data->base;
  const CardId beforeEnd = TFuncEntryAt(data, kEntryBefore)->end;
  CardRecord* rangeFirst = base->sentinelCard;
  int64_t rangeCount = 0;
  if (data->measured) {
    CardId none{};
    int64_t beforeCount = CountCards(base, none, beforeEnd, nullptr);
    rangeCount = CountCards(base, data->rangeStart, data->rangeEnd, &rangeFirst);
    if (walk->busy) walk->busy->AddWork(beforeCount + rangeCount);
    CardRecord* card = FirstCard(base);
    for (int64_t i = 0; i < beforeCount && card != base->sentinelCard; ++i, card = card->next) {
      if (!TickCard(walk)) return;
      FeedCard(data, card, nullptr, Readers::kAll, [](bool, bool) { return true; });
    }
  }
  const int32_t type = data->typeInForce;
  CardRecord* card = rangeFirst;
  for (int64_t i = 0; i < rangeCount && card != base->sentinelCard && !walk->stopped;
       ++i, card = card->next) {
    if (!TickCard(walk)) break;
    const CardId id = IdOf(card);
    FeedCard(data, card, nullptr, Readers::kAll, [&](bool firstOfCard, bool firstOfGroup) {
      if (walk->stopped) return false;
      if (IsCalendarType(type)) {
        if (!firstOfCard) return true;
        while (!walk->stopped && CardIdGreater(&id, &Current(walk)->end)) ClosePeriod(walk, NextEnd(walk));
      } else if (type == kPeriodActiveDays) {
        // The Before entry always closes at the first line of the range, even one on its date.
        if (firstOfCard && (walk->current == kEntryBefore || id.date > Current(walk)->end.date))
          ClosePeriod(walk, DayEnd(walk->range, PackedDateToDayNumber(id.date)));
      } else if (type == kPeriodActiveCards) {
        if (firstOfCard) ClosePeriod(walk, id);
      } else if (type == kPeriodActiveGroups) {
        if (firstOfGroup) ClosePeriod(walk, id);
      } else {
        ClosePeriod(walk, id);
      }
      return !walk->stopped;
    });
  }
  if (IsCalendarType(type)) {
    while (!walk->stopped && CardIdLess(&Current(walk)->end, &data->rangeEnd))
      ClosePeriod(walk, NextEnd(walk));
  }
  // After a failed growth the current entry has been evaluated already: once more would apply
  // the formulas' operations by time twice.
  if (!data->outOfMemory) EvaluatePeriod(data, walk->current);
}

// --- The shifted pass --------------------------------------------------------------------------

// The end of the current entry moves on (nothing was taken into it), or the entry closes.
void OpenOrMove(Walk* walk, const CardId& end) {
  if (walk->taken || walk->current == kEntryBefore) {
    ClosePeriod(walk, end);
  } else {
    Current(walk)->end = end;
  }
}

// Drops a last entry into which nothing was taken; else evaluates it.
void FinishActive(Walk* walk) {
  TFuncData* data = walk->data;
  if (data->outOfMemory) return;
  if (walk->current >= kEntryFirstPeriod && !walk->taken &&
      walk->current == data->periodCount - 1) {
    --data->periodCount;
    return;
  }
  EvaluatePeriod(data, walk->current);
}


void ShiftedPass(Walk* walk) {
  TFuncData* data = walk->data;
  T_Base* base = data->base;
  const CardId beforeEnd = TFuncEntryAt(data, kEntryBefore)->end;
  const int32_t type = data->typeInForce;
  CardRecord* first = FirstCard(base);
  CardId none{};
  for (T_TSelection* s = data->measured; s; s = s->nextMeasured) {
    if (walk->busy) walk->busy->AddWork(CountCards(base, none, Shifted(s, data->rangeEnd), nullptr));
    s->scan = first;
    ReadUpTo(walk, s, Shifted(s, beforeEnd));
  }
  if (IsCalendarType(type)) {
    while (!walk->stopped && CardIdLess(&Current(walk)->end, &data->rangeEnd)) {
      ClosePeriod(walk, NextEnd(walk));
      const CardId end = Current(walk)->end;
      for (T_TSelection* s = data->measured; s && !walk->stopped; s = s->nextMeasured)
        ReadUpTo(walk, s, Shifted(s, end));
    }
    if (!data->outOfMemory) EvaluatePeriod(data, walk->current);
    return;
  }
  const int32_t firstDay = PackedDateToDayNumber(data->firstDate);
  const int32_t lastDay = PackedDateToDayNumber(data->rangeEnd.date);
  walk->taken = false;
  if (type == kPeriodActiveDays) {
    for (int32_t day = firstDay; day <= lastDay && !walk->stopped; ++day) {
      OpenOrMove(walk, DayEnd(walk->range, day));
      const CardId end = Current(walk)->end;
      for (T_TSelection* s = data->measured; s && !walk->stopped; s = s->nextMeasured)
        ReadUpTo(walk, s, Shifted(s, end));
    }
    FinishActive(walk);
    return;
  }
  // Active cards, groups and lines: the unshifted selections drive the periods in a walk over
  // the range; before each card, the days up to the day before it are handed to the shifted
  // selections, whose lines land in day entries of their own.
  int32_t handled = firstDay - 1;
  auto handleDays = [&](int32_t upTo) {
    for (int32_t day = handled + 1; day <= upTo && !walk->stopped; ++day) {
      OpenOrMove(walk, DayEnd(walk->range, day));
      const CardId end = Current(walk)->end;
      for (T_TSelection* s = data->measured; s && !walk->stopped; s = s->nextMeasured) {
        if (s->shift.kind != 0) ReadUpTo(walk, s, Shifted(s, end));
      }
    }
    if (upTo > handled) handled = upTo;
  };
  CardRecord* card = nullptr;
  int64_t count = CountCards(base, data->rangeStart, data->rangeEnd, &card);
  for (int64_t i = 0; i < count && card != base->sentinelCard && !walk->stopped; ++i, card = card->next) {
    handleDays(PackedDateToDayNumber(card->dateNode->date) - 1);
    if (walk->stopped || !TickCard(walk)) break;
    const CardId id = IdOf(card);
    FeedCard(data, card, nullptr, Readers::kUnshifted, [&](bool firstOfCard, bool firstOfGroup) {
      if (walk->stopped) return false;
      if ((type == kPeriodActiveCards && firstOfCard) || (type == kPeriodActiveGroups && firstOfGroup) ||
          type == kPeriodActiveLines)
        OpenOrMove(walk, id);
      walk->taken = true;
      return !walk->stopped;
    });
  }
  handleDays(lastDay);
  FinishActive(walk);
}

// The built-ins of a period that starts on the date and lasts the days.
void SetBuiltins(TFuncData* data, PackedDate start, double periodDays) {
  double* v = data->valueSlots;
  const int32_t year = PackedDateYear(start);
  const int32_t month = PackedDateMonth(start);
  const int32_t day = PackedDateToDayNumber(start);
  v[0] = year;
  v[1] = month;
  v[2] = PackedDateDay(start);
  v[3] = PackedDateWeekday(start) + 1;
  v[4] = day - PackedDateToDayNumber(PackDate(year, (month - 1) / 3 * 3 + 1, 1)) + 1;
  v[5] = day - PackedDateToDayNumber(PackDate(year, 1, 1)) + 1;
  v[6] = periodDays;
}

bool FormulaUses(const TFuncData* data, int32_t slot) {
  for (T_TFormula* f = data->evaluated; f; f = f->nextEvaluated) {
    if (f->program && Criteria_UsesId(&f->program, slot)) return true;
  }
  return false;
}

// Step 6 of the calculation: the evaluation lists and the columns.
void PrepareVariables(TFuncData* data) {
  data->measured = nullptr;
  data->evaluated = nullptr;
  data->shownList = nullptr;
  for (T_TFormula* f = data->formulas; f; f = f->nextFormula) CompileFormula(data, f);
  for (T_TVariable* v = data->variables; v; v = v->next) {
    v->prepared = 0;
    v->column = -1;
  }
  int32_t column = 0;
  T_TVariable** tail = &data->shownList;
  for (T_TVariable* v = data->variables; v; v = v->next) {
    v->nextShown = nullptr;
    if (!v->shown) continue;
    v->column = column++;
    *tail = v;
    tail = &v->nextShown;
    if (!v->prepared) v->Prepare();
  }
  T_TFormula* reversed = nullptr;
  while (data->evaluated) {
    T_TFormula* f = data->evaluated;
    data->evaluated = f->nextEvaluated;
    f->nextEvaluated = reversed;
    reversed = f;
  }
  data->evaluated = reversed;
  data->columnCount = column;
}

}  // namespace

void SetTFuncEntryFailure(int64_t n) { g_entryFailure = n; }

void SetTFuncTickHook(TFuncTickHook hook) {
  g_tickHook = hook;
  g_ticks = 0;
}

int32_t TFuncOnChange(TFuncData* data, const ChangeNote* note) {
  int32_t result = 0;
  bool moved = DateRefOnNotify(&data->from, note, nullptr);
  moved = DateRefOnNotify(&data->to, note, nullptr) || moved;
  for (T_TSelection* s = data->selections; s; s = s->nextSelection) {
    moved = DateRefOnNotify(&s->selection.from, note, nullptr) || moved;
    moved = DateRefOnNotify(&s->selection.to, note, nullptr) || moved;
  }
  if (moved) result |= kTFuncStale;
  switch (note->code) {
    case kChangeComponentsRebuilt:
    case kChangeCardSaved:
    case kChangeCards:
    case kChangeValueColumns:
      result |= kTFuncStale;
      break;
    case kChangeComponentsDeleted:
      result |= kTFuncStale | kTFuncRecalculate;
      break;
    case kChangeDateFormat:
      result |= kTFuncRepaintLabels;
      break;
    case kChangeCardDigits:
      if (data->typeInForce >= kPeriodActiveCards && data->typeInForce <= kPeriodActiveLines)
        result |= kTFuncRepaintLabels;
      break;
    case kChangeDecimals:
      // Only the floating code changes what a Sum shows: it alone keeps values near zero.
      for (T_TSelection* s = data->selections; s; s = s->nextSelection) {
        if (s->valueColumn != note->valueColumn) continue;
        int32_t now = data->base ? data->base->decimalsCodes[s->valueColumn] : 0;
        if (s->columnDecimals == kDecimalsFloating || now == kDecimalsFloating) result |= kTFuncStale;
      }
      break;
    case kChangeTimeScaleChanged:
      if (note->object && note->object == data->scaleInForce) result |= kTFuncStale;
      break;
    case kChangeTimeScaleDeleted:
      if (TFuncTimeScaleDeleted(data, static_cast<const TimeScale*>(note->object)))
        result |= kTFuncStale | kTFuncRepaintLabels;
      break;
    case kChangeLinks:
      for (T_TVariable* v = data->variables; v; v = v->next) {
        if (note->rename && v->title && RewriteLinks(note->rename, &v->title)) result |= kTFuncTitlesChanged;
      }
      break;
    default:
      break;
  }
  return result;
}

void EvaluatePeriod(TFuncData* data, int64_t index) {
  TFuncEntry* entry = TFuncEntryAt(data, index);
  double* slots = data->valueSlots;
  if (index >= kEntryFirstPeriod) {
    const int32_t type = data->typeInForce;
    const int32_t endDay = PackedDateToDayNumber(entry->end.date);
    if (data->usesBuiltins) {
      if (type >= kPeriodDays && type <= kPeriodActiveLines) {
        SetBuiltins(data, entry->end.date, 1.0);
      } else {
        int32_t startDay = index <= kEntryFirstPeriod
                               ? PackedDateToDayNumber(data->firstDate)
                               : PackedDateToDayNumber(TFuncEntryAt(data, index - 1)->end.date) + 1;
        SetBuiltins(data, dayNumberToDate(startDay), static_cast<double>(endDay - startDay + 1));
      }
    }
    if (data->usesT) slots[kBuiltinT] = (endDay - data->tOrigin) / 365.25;
  }
  for (T_TSelection* s = data->measured; s; s = s->nextMeasured) {
    slots[s->slot] = s->Result(&entry->end);
    slots[s->slot + 1] = s->lineCount;
  }
  for (T_TFormula* f = data->evaluated; f; f = f->nextEvaluated) {
    double x = Expr_Run(&f->program, slots);
    double result = x;
    switch (f->operation) {
      case kOperationAddFromStart:
        result = f->accumulator += x;
        break;
      case kOperationDifference:
        result = x - f->accumulator;
        f->accumulator = x;
        break;
      case kOperationMultiplyFromStart:
        result = f->accumulator *= x;
        break;
      case kOperationQuotient:
        result = x / f->accumulator;
        f->accumulator = x;
        break;
      default:
        break;
    }
    slots[f->slot] = result;
  }
  for (T_TVariable* v = data->shownList; v; v = v->nextShown) entry->values[v->column] = slots[v->slot];
}

int64_t TFuncRowCount(const TFuncData* data) {
  if (data->periodCount < kEntryFirstPeriod) return 0;
  return data->periodCount - kEntryFirstPeriod + (data->showBefore ? 1 : 0) + (data->totalsWanted ? 1 : 0);
}

bool TFuncIsEmpty(const TFuncData* data) {
  for (int64_t i = kEntryTotals; i < data->periodCount; ++i) {
    PumpMessages();
    const TFuncEntry* entry = TFuncEntryAt(data, i);
    for (int32_t c = 0; c < data->columnCount; ++c) {
      if (ZeroTinyValue(entry->values[c]) != 0) return false;
    }
  }
  return true;
}

void FillTotals(TFuncData* data) {
  if (data->periodCount < 2) return;
  TFuncEntry* totals = TFuncEntryAt(data, kEntryTotals);
  for (T_TVariable* v = data->shownList; v; v = v->nextShown) {
    double sum = v->totals ? 0.0 : kNaN;
    if (v->totals) {
      for (int64_t i = data->periodCount - 1; i >= kEntryFirstPeriod; --i) {
        double x = TFuncEntryAt(data, i)->values[v->column];
        if (std::isfinite(x)) sum += x;
      }
      if (data->showBefore) {
        double x = TFuncEntryAt(data, kEntryBefore)->values[v->column];
        if (std::isfinite(x)) sum += x;
      }
    }
    totals->values[v->column] = sum;
  }
}

int32_t CalculateTimeFunctions(TFuncData* data, T_BusyIndicator* busy, T_TVariable** failed) {
  if (failed) *failed = nullptr;
  if (AbortRequested()) return kCalcInvalidSelection;
  if (!BuildFormulaNames(data)) return kCalcInvalidSelection;
  for (T_TSelection* s = data->selections; s; s = s->nextSelection) {
    DateRefResolve(&s->selection.from);
    DateRefResolve(&s->selection.to);
    if (!Selection_validate(&s->selection, data->window)) {
      if (failed) *failed = s;
      return kCalcInvalidSelection;
    }
  }
  T_TFormula* culprit = nullptr;
  if (int32_t cycle = CheckFormulaCycles(data, &culprit)) {
    if (failed) *failed = culprit;
    PendingErrorSet(cycle);
    return cycle;
  }
  DateRefResolve(&data->from);
  DateRefResolve(&data->to);
  if (CheckNegativePeriod(data->window, &data->from.cardId, &data->to.cardId)) {
    if (!data->window) PendingErrorSet(kMsgNegativePeriod);
    return kMsgNegativePeriod;
  }

  data->periodCount = 0;
  data->aborted = 0;
  data->outOfMemory = 0;
  data->rangeStart = data->from.cardId;
  data->rangeEnd = data->to.cardId;
  data->firstDate = data->rangeStart.date;
  data->lastDate = data->rangeEnd.date;
  data->typeInForce = data->periodType;
  data->scaleInForce = data->periodType == kPeriodTimeScale ? data->timeScale : nullptr;
  if (data->typeInForce == kPeriodTimeScale && !data->scaleInForce) data->typeInForce = kPeriodActiveDays;

  PrepareVariables(data);
  data->totalsWanted = 0;
  data->anyShift = 0;
  for (T_TVariable* v = data->shownList; v; v = v->nextShown) data->totalsWanted |= v->totals;
  for (T_TSelection* s = data->measured; s; s = s->nextMeasured) {
    // Month ends stay month ends when the periods end at them (30 June a quarter back is 31 March).
    s->shift.monthEnd = data->typeInForce <= kPeriodHalfMonths ? 1 : 0;
    if (s->shift.kind != 0) data->anyShift = 1;
  }
  const int32_t width = kTFuncEntryHeader + 8 * data->columnCount;
  if (data->periods.width != width) {
    PagedArrayTruncate(&data->periods, 0);
    PagedArraySetWidth(&data->periods, width);
  }

  data->usesBuiltins = 0;
  for (int32_t slot = 0; slot < kBuiltinT; ++slot) data->usesBuiltins |= FormulaUses(data, slot);
  const int32_t firstDay = PackedDateToDayNumber(data->firstDate);
  data->usesT = FormulaUses(data, kBuiltinT);
  data->tOrigin = data->usesT ? firstDay - 1 : 0;
  SetBuiltins(data, dayNumberToDate(firstDay - 1), kNaN);
  data->valueSlots[kBuiltinT] = 0.0;

  if (data->columnCount > 0) {
    CardId beforeEnd = data->rangeStart;
    CardIdPrev(&beforeEnd);
    if (AppendEntry(data, beforeEnd) && AppendEntry(data, CardId{})) {
      if (busy) busy->Start();
      Walk walk{data, busy, PeriodRange{data->firstDate, data->rangeStart, data->rangeEnd}};
      if (data->anyShift) ShiftedPass(&walk);
      else SinglePass(&walk);
      if (data->totalsWanted) FillTotals(data);
      if (busy) busy->Finish();
    } else {
      data->periodCount = 0;
      data->outOfMemory = 1;
      PendingErrorOutOfMemory();
    }
  }
  for (T_TSelection* s = data->measured; s; s = s->nextMeasured) s->medianValues.Free();
  PagedArrayTruncate(&data->periods, data->periodCount);
  NotifyObjectChange(data->base, kChangeWindowCalculated, data->window, 0);
  return kCalcStarted;
}
