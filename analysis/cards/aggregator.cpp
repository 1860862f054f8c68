// The aggregation: its option words, periods, component map, feed, flush and run. The dialog's
// pages are in aggregate_dialog.cpp.
#include "analysis/cards/aggregator.h"

#include <cmath>
#include <cstring>

#include "analysis/cards/transform.h"
#include "core/alert.h"
#include "core/cstring.h"
#include "core/localized_text.h"
#include "core/memory.h"
#include "core/parallel_sort.h"
#include "core/threads.h"
#include "core/placeholders.h"
#include "core/value_format.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/change_notes.h"
#include "database/component_tree.h"
#include "database/components.h"
#include "database/dimension_editor_hooks.h"
#include "database/lines.h"
#include "database/operation_log.h"
#include "database/time_scale.h"
#include "ui/document_window.h"
#include "ui/frame_items.h"

namespace {

constexpr int32_t kDialogWidth = 440;
constexpr int32_t kDialogHeight = 330;
constexpr int32_t kMaxLevel = 64;
constexpr int32_t kMaxSweptCards = 8;

const DimensionExpansionHook kEditorExpansion{
    DimensionEditorIsOpen, [](T_Base* base, int32_t dimension, int64_t* map) {
      MapComponentsAsExpanded(map, base, dimension);
    }};
DimensionExpansionHook expansionHook = kEditorExpansion;

// Pending option words that wait for their argument.
constexpr uint32_t kPendingNone = 0;
constexpr uint32_t kPendingTitle = 1;
constexpr uint32_t kPendingCardDate = 2;
constexpr uint32_t kPendingTimeScale = 3;
constexpr uint32_t kPendingDimension = 4;
constexpr uint32_t kPendingLevel = 5;

struct ResolutionWord {
  const char* word;
  uint32_t code;
  int32_t shareNumerator;
  int32_t shareDenominator;
};

constexpr ResolutionWord kResolutionWords[] = {
    {"halfyears", kResolutionHalfYears, 2, 3}, {"tertials", kResolutionTertials, 1, 2},
    {"quarters", kResolutionQuarters, 1, 3},   {"2months", kResolutionTwoMonths, 1, 5},
    {"halfmonths", kResolutionHalfMonths, 1, 12}, {"months", kResolutionMonths, 1, 8},
    {"4weeks", kResolutionFourWeeks, 1, 8},     {"3weeks", kResolutionThreeWeeks, 1, 10},
    {"2weeks", kResolutionTwoWeeks, 1, 12},     {"weeks", kResolutionWeeks, 1, 16},
    {"years", kResolutionYears, 1, 1},          {"days", kResolutionDays, 1, 32},
    {"cards", kResolutionCards, 1, 64},         {"onecard", kResolutionSingleCard, 1, 1},
    {"timescale", kResolutionTimeScale, 1, 3}};

const ResolutionWord* ResolutionOf(uint32_t code) {
  for (const auto& entry : kResolutionWords) {
    if (entry.code == code) return &entry;
  }
  return nullptr;
}

// The word starts with the option's text, letter case ignored.
bool WordStarts(const char* word, const char* option) {
  for (; *option; ++word, ++option) {
    char c = *word;
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    if (c != *option) return false;
  }
  return true;
}

int32_t MonthsPerPeriod(uint32_t resolution) {
  switch (resolution) {
    case kResolutionHalfYears:
      return 6;
    case kResolutionTertials:
      return 4;
    case kResolutionQuarters:
      return 3;
    case kResolutionTwoMonths:
      return 2;
    case kResolutionMonths:
      return 1;
    default:
      return 0;
  }
}

int32_t DaysPerPeriod(uint32_t resolution) {
  switch (resolution) {
    case kResolutionFourWeeks:
      return 28;
    case kResolutionThreeWeeks:
      return 21;
    case kResolutionTwoWeeks:
      return 14;
    case kResolutionWeeks:
      return 7;
    default:
      return 0;
  }
}

void AppendYymm(T_TextBuf* text, PackedDate date) {
  TextBufAppendIntWidth(text, PackedDateYear(date) % 100, 2);
  TextBufAppendIntWidth(text, PackedDateMonth(date), 2);
}

void AppendYymmdd(T_TextBuf* text, PackedDate date) {
  AppendYymm(text, date);
  TextBufAppendIntWidth(text, PackedDateDay(date), 2);
}

// --- The sort over the three arrays ----------------------------------------------------------

int32_t CompareEntries(void* context, int64_t a, int64_t b) {
  auto* aggregator = static_cast<T_Aggregator*>(context);
  T_Base* base = aggregator->database;
  int64_t ga = aggregator->Mapped(aggregator->groups[a]->component);
  int64_t gb = aggregator->Mapped(aggregator->groups[b]->component);
  if (ga != gb) return ga < gb ? -1 : 1;
  const LineRecord* la = aggregator->lines[a];
  const LineRecord* lb = aggregator->lines[b];
  for (int32_t slot = 0; slot < base->lineSlots; ++slot) {
    int64_t ca = aggregator->Mapped(base->GetLineComponent(la, slot));
    int64_t cb = aggregator->Mapped(base->GetLineComponent(lb, slot));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (!aggregator->skipLineTexts) return StrCompareNullFirst(la->text, lb->text);
  return 0;
}

void SwapEntries(void* context, int64_t a, int64_t b) {
  auto* aggregator = static_cast<T_Aggregator*>(context);
  std::swap(aggregator->cards[a], aggregator->cards[b]);
  std::swap(aggregator->groups[a], aggregator->groups[b]);
  std::swap(aggregator->lines[a], aggregator->lines[b]);
}

// The entries are put in comparator order without comparing them all: each entry's row of
// mapped components (and its text, unless texts are skipped) is hashed into its run of equal
// entries, the runs' first entries alone are sorted, and the entries are then laid out run by
// run in feed order. A period of many lines with few distinct rows, the usual aggregation,
// costs one pass and a sort of its runs. Without room for the rows the arrays are sorted in
// place by the records.
struct RunSort {
  T_Aggregator* aggregator;
  const int64_t* keys;   // width components per entry
  int32_t width;
  int64_t* firsts;       // the first entry of each run
};

bool SameRow(const RunSort* sort, int64_t a, int64_t b) {
  const int64_t* ka = sort->keys + a * sort->width;
  const int64_t* kb = sort->keys + b * sort->width;
  for (int32_t i = 0; i < sort->width; ++i) {
    if (ka[i] != kb[i]) return false;
  }
  return sort->aggregator->skipLineTexts ||
         StrCompareNullFirst(sort->aggregator->lines[a]->text, sort->aggregator->lines[b]->text) == 0;
}

uint64_t HashRow(const RunSort* sort, int64_t entry) {
  uint64_t hash = 1469598103934665603ull;
  const int64_t* row = sort->keys + entry * sort->width;
  for (int32_t i = 0; i < sort->width; ++i) hash = (hash ^ static_cast<uint64_t>(row[i])) * 1099511628211ull;
  if (!sort->aggregator->skipLineTexts) {
    for (const char* p = sort->aggregator->lines[entry]->text; p && *p; ++p) {
      hash = (hash ^ static_cast<uint8_t>(*p)) * 1099511628211ull;
    }
  }
  return hash ^ (hash >> 29);
}

int32_t CompareRuns(void* context, int64_t a, int64_t b) {
  auto* sort = static_cast<RunSort*>(context);
  int64_t ea = sort->firsts[a];
  int64_t eb = sort->firsts[b];
  const int64_t* ka = sort->keys + ea * sort->width;
  const int64_t* kb = sort->keys + eb * sort->width;
  for (int32_t i = 0; i < sort->width; ++i) {
    if (ka[i] != kb[i]) return ka[i] < kb[i] ? -1 : 1;
  }
  if (sort->aggregator->skipLineTexts) return 0;
  return StrCompareNullFirst(sort->aggregator->lines[ea]->text, sort->aggregator->lines[eb]->text);
}

void SwapRuns(void* context, int64_t a, int64_t b) {
  auto* sort = static_cast<RunSort*>(context);
  std::swap(sort->firsts[a], sort->firsts[b]);
}

template <typename Entry>
void Permute(Entry** entries, const int64_t* order, int64_t n, void** scratch) {
  auto** copy = reinterpret_cast<Entry**>(scratch);
  for (int64_t i = 0; i < n; ++i) copy[i] = entries[order[i]];
  for (int64_t i = 0; i < n; ++i) entries[i] = copy[i];
}

// Sorts by run; false (nothing changed) when the working memory cannot be had.
bool SortByRuns(T_Aggregator* aggregator) {
  T_Base* base = aggregator->database;
  const int64_t n = aggregator->collected;
  const int32_t width = 1 + base->lineSlots;
  int64_t slots = 16;
  while (slots < 2 * n) slots *= 2;
  // keys, run of each entry, run firsts, run starts, order, scratch, hash slots
  const size_t bytes = static_cast<size_t>(n) * static_cast<size_t>(width + 5) * 8 +
                       static_cast<size_t>(slots) * 8;
  // The block is kept from period to period: fresh pages for every period would cost more than
  // the work done in them.
  if (static_cast<int64_t>(bytes) > aggregator->sortBytes) {
    if (bytes >= (1u << 20) && !MemCanAlloc(bytes)) return false;
    MemFree(aggregator->sortBlock);
    aggregator->sortBytes = 0;
    aggregator->sortBlock = static_cast<int64_t*>(MemAlloc(static_cast<int64_t>(bytes), 0));
    if (!aggregator->sortBlock) {
      PendingErrorClear();
      return false;
    }
    aggregator->sortBytes = static_cast<int64_t>(bytes);
  }
  int64_t* keys = aggregator->sortBlock;
  int64_t* runOf = keys + n * width;
  int64_t* firsts = runOf + n;
  int64_t* starts = firsts + n;
  int64_t* order = starts + n;
  auto** scratch = reinterpret_cast<void**>(order + n);
  int64_t* table = reinterpret_cast<int64_t*>(scratch) + n;
  int64_t components[kDimensionCount];
  for (int64_t i = 0; i < n; ++i) {
    int64_t* row = keys + i * width;
    row[0] = aggregator->Mapped(aggregator->groups[i]->component);
    base->GetLineComponents(aggregator->lines[i], components);
    for (int32_t slot = 0; slot < base->lineSlots; ++slot) row[slot + 1] = aggregator->Mapped(components[slot]);
  }
  for (int64_t i = 0; i < slots; ++i) table[i] = -1;
  RunSort sort{aggregator, keys, width, firsts};
  int64_t runs = 0;
  for (int64_t i = 0; i < n; ++i) {
    int64_t at = static_cast<int64_t>(HashRow(&sort, i) & static_cast<uint64_t>(slots - 1));
    while (table[at] >= 0 && !SameRow(&sort, firsts[table[at]], i)) at = (at + 1) & (slots - 1);
    if (table[at] < 0) {
      table[at] = runs;
      firsts[runs++] = i;
    }
    runOf[i] = table[at];
  }
  ParallelSortContext context;
  ParallelSortInit(&context);
  context.compare = CompareRuns;
  context.compareContext = &sort;
  context.swap = SwapRuns;
  context.swapContext = &sort;
  ParallelSortCount(&context, runs);
  // The rank of each run, then the entries run by run in feed order.
  int64_t* rank = table;  // the hash slots are done with; slots >= runs
  for (int64_t r = 0; r < runs; ++r) rank[runOf[firsts[r]]] = r;
  for (int64_t r = 0; r < runs; ++r) starts[r] = 0;
  for (int64_t i = 0; i < n; ++i) ++starts[rank[runOf[i]]];
  int64_t offset = 0;
  for (int64_t r = 0; r < runs; ++r) {
    int64_t count = starts[r];
    starts[r] = offset;
    offset += count;
  }
  for (int64_t i = 0; i < n; ++i) order[starts[rank[runOf[i]]]++] = i;
  Permute(aggregator->cards, order, n, scratch);
  Permute(aggregator->groups, order, n, scratch);
  Permute(aggregator->lines, order, n, scratch);
  return true;
}

void SortEntries(T_Aggregator* aggregator) {
  if (aggregator->collected < 2 || SortByRuns(aggregator)) return;
  ParallelSortContext sort;
  ParallelSortInit(&sort);
  sort.compare = CompareEntries;
  sort.compareContext = aggregator;
  sort.swap = SwapEntries;
  sort.swapContext = aggregator;
  ParallelSortCount(&sort, aggregator->collected);
}

bool GrowArray(void* holder, int64_t entries) {
  return MemResize(static_cast<void**>(holder), entries * static_cast<int64_t>(sizeof(void*)), 0);
}

bool CardExists(const CardRecord* card) { return card && card->dateNode; }

int32_t CompareIds(const CardId& a, const CardId& b) {
  if (a.date != b.date) return a.date < b.date ? -1 : 1;
  if (a.sequence != b.sequence) return a.sequence < b.sequence ? -1 : 1;
  return 0;
}

}  // namespace

void SetDimensionExpansionHook(const DimensionExpansionHook* hook) {
  expansionHook = hook ? *hook : kEditorExpansion;
}

const DimensionExpansionHook& CurrentDimensionExpansionHook() { return expansionHook; }

// --- Periods ---------------------------------------------------------------------------------

void AggregatePeriod(uint32_t resolution, PackedDate date, PackedDate* start, PackedDate* end) {
  *start = *end = date;
  if (date == 0) return;
  int32_t year = PackedDateYear(date);
  int32_t month = PackedDateMonth(date);
  int32_t day = PackedDateDay(date);
  if (resolution == kResolutionYears) {
    *start = PackDate(year, 1, 1);
    *end = PackDate(year, 12, 31);
  } else if (int32_t months = MonthsPerPeriod(resolution)) {
    int32_t first = month - (month - 1) % months;
    *start = PackDate(year, first, 1);
    PackedDate last = PackDate(year, first + months - 1, 1);
    *end = PackDate(year, first + months - 1, PackedDateDaysInMonth(last));
  } else if (resolution == kResolutionHalfMonths) {
    if (day <= 15) {
      *start = PackDate(year, month, 1);
      *end = PackDate(year, month, 15);
    } else {
      *start = PackDate(year, month, 16);
      *end = PackDate(year, month, PackedDateDaysInMonth(date));
    }
  } else if (int32_t days = DaysPerPeriod(resolution)) {
    int32_t d = PackedDateToDayNumber(date);
    int32_t first = d - (((d - 1) % days) + days) % days;
    *start = dayNumberToDate(first);
    *end = dayNumberToDate(first + days - 1);
  }
}

// --- Construction ---------------------------------------------------------------------------

T_Aggregator::T_Aggregator(T_HWindow* owner)
    : T_HDialog(kDialogWidth, kDialogHeight, owner ? owner->database : nullptr, owner),
      ownerWindow(owner) {
  T_TextBuf caption(GetString(kTextAggregateTitle));
  TextBufFillParam(&caption, 0, owner ? owner->Title() : "");
  SetTitleBuf(&caption);
  TextBufAssign(&title, GetString(kTextAggregated));
  DateRefInit(&cardDate, database, kDirectionFrom);
  dimensionCount = database ? database->lineSlots : 0;
  if (owner) {
    state = kAggregateConstruct;
    owner->SetupAggregate(this);
    state = kAggregateCount;
    owner->SetupAggregate(this);
  }
}

T_Aggregator::~T_Aggregator() {
  if (shown && ownerWindow) {
    state = kAggregateClosing;
    ownerWindow->SetupAggregate(this);
  }
  MemFree(cards);
  MemFree(groups);
  MemFree(lines);
  MemFree(componentMap);
  MemFree(sortBlock);
  BitVecFree(&deletion);
  DateRefFree(&cardDate);
}

// --- Option words ----------------------------------------------------------------------------

bool Aggregator_parseOption(T_Aggregator* aggregator, const char* word) {
  if (!aggregator || !word || !aggregator->database) return false;
  T_Base* base = aggregator->database;
  uint32_t pending = aggregator->pendingOption;
  aggregator->pendingOption = kPendingNone;
  switch (pending) {
    case kPendingTitle: {
      TextBufAssign(&aggregator->title, word);
      TextBufTrim(&aggregator->title, ' ');
      return true;
    }
    case kPendingCardDate:
      DateRefParse(&aggregator->cardDate, word, StrLen(word));
      return aggregator->cardDate.cardId.date != 0;
    case kPendingTimeScale: {
      TimeScale* scale = base->FindTimeScale(word);
      if (!scale) return false;
      aggregator->timeScale = scale;
      aggregator->resolution = kResolutionTimeScale;
      return true;
    }
    case kPendingDimension: {
      int32_t dimension = base->FindDimByName(word);
      if (dimension < 0 || dimension > base->lineSlots) return false;
      aggregator->pendingDimension = dimension;
      aggregator->pendingOption = kPendingLevel;
      return true;
    }
    case kPendingLevel: {
      int32_t dimension = aggregator->pendingDimension;
      if (StrCompareNoCaseNullAsEmpty(word, "none") == 0) {
        aggregator->coarsening[dimension] = kCoarsenRoot;
        return true;
      }
      int32_t level = 0;
      const char* p = word;
      for (; *p >= '0' && *p <= '9' && level <= kMaxLevel; ++p) level = level * 10 + (*p - '0');
      if (p == word || *p || level < 1 || level > kMaxLevel) return false;
      aggregator->coarsening[dimension] = static_cast<uint16_t>(kCoarsenLevelBase + level);
      return true;
    }
    default:
      break;
  }
  if (*word == '-') ++word;
  static const struct {
    const char* word;
    uint8_t T_Aggregator::*flag;
    uint8_t value;
  } kFlags[] = {{"periodnames", &T_Aggregator::periodNames, 1},
                {"noperiodnames", &T_Aggregator::periodNames, 0},
                {"duplicate", &T_Aggregator::duplicate, 1},
                {"skipzerolines", &T_Aggregator::skipZeroLines, 1},
                {"keepzerolines", &T_Aggregator::skipZeroLines, 0},
                {"skiplinetexts", &T_Aggregator::skipLineTexts, 1},
                {"keeplinetexts", &T_Aggregator::skipLineTexts, 0}};
  for (const auto& entry : kFlags) {
    if (WordStarts(word, entry.word)) {
      aggregator->*entry.flag = entry.value;
      return true;
    }
  }
  if (WordStarts(word, "title")) {
    aggregator->pendingOption = kPendingTitle;
    return true;
  }
  if (WordStarts(word, "dim")) {
    aggregator->pendingOption = kPendingDimension;
    return true;
  }
  if (WordStarts(word, "timescale")) {
    aggregator->pendingOption = kPendingTimeScale;
    return true;
  }
  for (const auto& entry : kResolutionWords) {
    if (!WordStarts(word, entry.word)) continue;
    if (entry.code == kResolutionTimeScale) break;
    aggregator->resolution = entry.code;
    if (entry.code == kResolutionSingleCard) aggregator->pendingOption = kPendingCardDate;
    return true;
  }
  return false;
}

// --- Component map ---------------------------------------------------------------------------

bool T_Aggregator::BuildComponentMap() {
  MemFree(componentMap);
  componentMap = nullptr;
  T_Base* base = database;
  int64_t count = base->componentPool.count;
  for (int32_t d = dimensionCount; d >= 0; --d) {
    uint16_t how = coarsening[d];
    if (how == kCoarsenKeep) continue;
    if (how == kCoarsenExpanded && (!expansionHook.isOpen || !expansionHook.isOpen(base, d))) {
      continue;
    }
    if (!componentMap) {
      componentMap = static_cast<int64_t*>(MemAlloc(count * 8, 0));
      if (!componentMap) return false;
      for (int64_t i = 0; i < count; ++i) componentMap[i] = i;
    }
    ComponentRecord* root = ComponentAt(base, d);
    if (how == kCoarsenRoot) {
      for (ComponentRecord* node = CompTreeNext(root); node != root && node;
           node = CompTreeNext(node)) {
        componentMap[node->number] = d;
      }
    } else if (how == kCoarsenExpanded) {
      if (expansionHook.mapExpanded) expansionHook.mapExpanded(base, d, componentMap);
    } else {
      int32_t level = how - kCoarsenLevelBase;
      int32_t at = 0;
      for (ComponentRecord* node = CompTreeNextDepth(root, &at); node && node != root;
           node = CompTreeNextDepth(node, &at)) {
        if (at > level && node->parent) componentMap[node->number] = componentMap[node->parent->number];
      }
    }
  }
  return true;
}

// --- The feed --------------------------------------------------------------------------------

bool T_Aggregator::StartsPeriod(CardRecord* card) {
  PackedDate date = card->dateNode->date;
  switch (resolution) {
    case kResolutionSingleCard:
      if (periodEnd != 0) return false;
      periodStart = periodEnd = date;
      return true;
    case kResolutionCards:
      if (card == currentCard) return false;
      currentCard = card;
      return true;
    case kResolutionTimeScale: {
      CardId id = CardGetId(card);
      if (periodEnd != 0 && CompareIds(id, scaleStart) >= 0 &&
          CompareIds(id, scaleEnd) <= 0) {
        return false;
      }
      PeriodBounds(timeScale, &scaleStart, &scaleEnd, &id, 0);
      if (scaleStart.date == 0) database->GetCardIdBound(&scaleStart, 0);
      if (scaleEnd.date == 0 || scaleEnd.date > PackDate(2069, 12, 31)) {
        database->GetCardIdBound(&scaleEnd, 1);
      }
      periodStart = scaleStart.date;
      periodEnd = scaleEnd.date ? scaleEnd.date : date;
      return true;
    }
    default:
      if (periodEnd != 0 && date >= periodStart && date <= periodEnd) return false;
      AggregatePeriod(resolution, date, &periodStart, &periodEnd);
      return true;
  }
}

bool Aggregator_addLine(T_Aggregator* aggregator, CardRecord* card, GroupRecord* group,
                        LineRecord* line) {
  if (aggregator->feedFailed) return false;
  // A card outside the current period, before it as well as after it, closes the period.
  PackedDate savedStart = aggregator->periodStart;
  PackedDate savedEnd = aggregator->periodEnd;
  CardId savedScaleStart = aggregator->scaleStart;
  if (aggregator->StartsPeriod(card) && aggregator->collected > 0) {
    // The flush belongs to the period that is closing.
    PackedDate newStart = aggregator->periodStart;
    PackedDate newEnd = aggregator->periodEnd;
    CardId newScaleStart = aggregator->scaleStart;
    CardId newScaleEnd = aggregator->scaleEnd;
    aggregator->periodStart = savedStart;
    aggregator->periodEnd = savedEnd;
    aggregator->scaleStart = savedScaleStart;
    aggregator->Flush();
    aggregator->periodStart = newStart;
    aggregator->periodEnd = newEnd;
    aggregator->scaleStart = newScaleStart;
    aggregator->scaleEnd = newScaleEnd;
  }
  if (aggregator->collected == aggregator->capacity) {
    int64_t grown = aggregator->capacity + kAggregateGrowth;
    if (grown > aggregator->lineCount) grown = aggregator->lineCount;
    if (grown <= aggregator->capacity || !GrowArray(&aggregator->cards, grown) ||
        !GrowArray(&aggregator->groups, grown) || !GrowArray(&aggregator->lines, grown)) {
      // Nothing of this period is flushed; the periods already flushed stay.
      PendingErrorOutOfMemory();
      aggregator->collected = 0;
      aggregator->feedFailed = 1;
      return false;
    }
    aggregator->capacity = grown;
  }
  int64_t at = aggregator->collected++;
  aggregator->cards[at] = card;
  aggregator->groups[at] = group;
  aggregator->lines[at] = line;
  if (aggregator->progress) aggregator->progress->Advance(1);
  return true;
}

// --- The flush -------------------------------------------------------------------------------

void T_Aggregator::PeriodTitle(T_TextBuf* text) {
  TextBufAssignBuf(text, &title);
  if (!periodNames || resolution == kResolutionSingleCard) return;
  if (resolution == kResolutionYears) {
    TextBufAppendChar(text, ' ');
    TextBufAppendInt(text, PackedDateYear(periodStart));
  } else if (MonthsPerPeriod(resolution) > 1) {
    TextBufAppendChar(text, ' ');
    AppendYymm(text, periodStart);
    TextBufAppendChar(text, '-');
    AppendYymm(text, periodEnd);
  } else if (resolution == kResolutionMonths) {
    TextBufAppendChar(text, ' ');
    AppendYymm(text, periodStart);
  } else if (resolution == kResolutionTimeScale) {
    const char* name = timeScale ? PeriodNameOfDate(timeScale, &scaleStart) : nullptr;
    if (name) {
      TextBufAppendChar(text, ' ');
      TextBufAppend(text, name);
      TextBufTrimRight(text, ' ');
    }
  } else if (periodStart != periodEnd) {
    TextBufAppendChar(text, ' ');
    AppendYymmdd(text, periodStart);
    TextBufAppendChar(text, '-');
    AppendYymmdd(text, periodEnd);
  }
}

int64_t Aggregator_mergeLines(T_Aggregator* aggregator, CardRecord* target) {
  T_Base* base = aggregator->database;
  int32_t values = base->valueCount;
  int64_t written = 0;
  int64_t components[kDimensionCount];
  for (int64_t first = 0; first < aggregator->collected;) {
    int64_t end = first + 1;
    while (end < aggregator->collected && CompareEntries(aggregator, first, end) == 0) ++end;
    double sums[kMaxValueCount] = {};
    for (int64_t i = first; i < end; ++i) {
      for (int32_t c = 0; c < values; ++c) sums[c] += base->GetLineValue(aggregator->lines[i], c);
    }
    bool allZero = true;
    for (int32_t c = 0; c < values; ++c) {
      // A NaN sum stays NaN: it is not zero and must not be rounded away.
      if (!std::isnan(sums[c])) sums[c] = roundToDecimals(sums[c], base->decimalsCodes[c]);
      if (std::isnan(sums[c]) || sums[c] != 0) allZero = false;
    }
    if (!(aggregator->skipZeroLines && allZero)) {
      GroupRecord* group =
          base->FindOrAddGroup(target, aggregator->Mapped(aggregator->groups[first]->component));
      LineRecord* line = group ? CreateLine(base, group) : nullptr;
      if (line) {
        base->GetLineComponents(aggregator->lines[first], components);
        for (int32_t slot = 0; slot < base->lineSlots; ++slot) {
          components[slot] = aggregator->Mapped(components[slot]);
        }
        base->SetLineComponents(line, components);
        base->SetLineValues(line, sums);
        if (!aggregator->skipLineTexts) SetLineText(line, aggregator->lines[first]->text);
        ++written;
      }
    }
    if (aggregator->progress) aggregator->progress->Advance(end - first);
    first = end;
  }
  return written;
}

void T_Aggregator::Flush() {
  if (collected == 0) return;
  T_Base* base = database;
  CardRecord* target = nullptr;
  CardId asked{};
  if (resolution == kResolutionCards) {
    target = cards[0];
  } else {
    if (resolution == kResolutionSingleCard) {
      asked = cardDate.cardId;
    } else if (resolution == kResolutionTimeScale) {
      asked = scaleStart;
    } else {
      asked = CardId{periodStart, 1};
    }
    if (asked.sequence <= 0 || asked.sequence == kCardSequenceOpen) asked.sequence = 1;
    CardId id = asked;
    target = CreateCard(base, &id);
    if (!target) {
      collected = 0;
      return;
    }
    T_TextBuf text;
    PeriodTitle(&text);
    SetCardTitle(target, text.c_str());
    target->created = runStamp;
  }
  SortEntries(this);
  Aggregator_mergeLines(this, target);
  target = PruneCard(base, target);
  if (!duplicate) {
    if (collected < bulkThreshold) {
      CardRecord* stamped = nullptr;
      for (int64_t i = 0; i < collected; ++i) {
        if (cards[i] != stamped) {
          StampCardChange(cards[i], &runStamp);
          stamped = cards[i];
        }
        RemoveLine(base, cards[i], groups[i], lines[i]);
      }
    } else {
      BitVecResizeFill(&deletion, base->linePool.count, false);
      CardRecord* noted[kMaxSweptCards];
      int32_t notedCount = 0;
      for (int64_t i = 0; i < collected; ++i) {
        BitVecSet(&deletion, lines[i]->number, true);
        bool known = false;
        for (int32_t k = 0; k < notedCount && !known; ++k) known = noted[k] == cards[i];
        if (!known && notedCount < kMaxSweptCards) noted[notedCount++] = cards[i];
      }
      auto sweep = [&](CardRecord* card) {
        // Only cards that lost lines are stamped.
        if (DeleteMarkedLines(base, card, &deletion) > 0 && CardExists(card)) {
          StampCardChange(card, &runStamp);
        }
      };
      if (notedCount >= kMaxSweptCards) {
        for (CardRecord* card = base->sentinelCard->next; card != base->sentinelCard;) {
          CardRecord* next = card->next;
          sweep(card);
          card = next;
        }
      } else {
        for (int32_t k = 0; k < notedCount; ++k) sweep(noted[k]);
      }
      for (int64_t i = 0; i < collected; ++i) BitVecSet(&deletion, lines[i]->number, false);
    }
    // The target moves back under the id it was asked for, now that source cards of its date
    // may have gone; a target that was pruned away stays gone.
    if (resolution != kResolutionCards && CardExists(target)) {
      CardId id = asked;
      MoveCard(base, target, &id);
    }
  }
  collected = 0;
}

// --- The run ---------------------------------------------------------------------------------

bool Aggregator_run(T_Aggregator* aggregator) {
  if (AbortRequested() || !aggregator->database || !aggregator->ownerWindow) return false;
  T_Base* base = aggregator->database;
  const ResolutionWord* share = ResolutionOf(aggregator->resolution);
  int64_t estimate = share ? aggregator->lineCount * share->shareNumerator / share->shareDenominator
                           : aggregator->lineCount;
  if (estimate < kAggregateGrowth) estimate = kAggregateGrowth;
  if (estimate > aggregator->lineCount) estimate = aggregator->lineCount;
  if (estimate < 1) estimate = 1;
  MemFree(aggregator->cards);
  MemFree(aggregator->groups);
  MemFree(aggregator->lines);
  aggregator->cards = static_cast<CardRecord**>(MemAlloc(estimate * 8, 0));
  aggregator->groups = static_cast<GroupRecord**>(MemAlloc(estimate * 8, 0));
  aggregator->lines = static_cast<LineRecord**>(MemAlloc(estimate * 8, 0));
  if (!aggregator->cards || !aggregator->groups || !aggregator->lines) return false;
  aggregator->capacity = estimate;
  aggregator->collected = 0;
  aggregator->feedFailed = 0;
  aggregator->bulkThreshold =
      2 * static_cast<int64_t>(std::llround(std::sqrt(static_cast<double>(base->cardCount))));
  if (!TakeOperationStamp(aggregator->ownerWindow, &aggregator->runStamp)) return false;
  if (!aggregator->BuildComponentMap()) return false;
  if (aggregator->progress) {
    aggregator->progress->Start(aggregator->lineCount * (aggregator->duplicate ? 9 : 10));
  }
  aggregator->periodStart = aggregator->periodEnd = 0;
  aggregator->scaleStart = aggregator->scaleEnd = CardId{};
  aggregator->currentCard = nullptr;
  aggregator->state = kAggregateFeed;
  aggregator->ownerWindow->SetupAggregate(aggregator);
  bool completed = !aggregator->feedFailed;
  if (completed && !AbortRequested()) aggregator->Flush();
  aggregator->collected = 0;
  if (aggregator->progress && !AbortRequested()) aggregator->progress->Finish();
  LogOperation(base, nullptr, aggregator->ownerWindow->Title(), kLogVerbAggregated);
  base->SetModified(true);
  base->NotifyCode(kChangeCards);
  return completed && !AbortRequested();
}
