// Sorting the rows of the lines window. The display order is an array of row numbers; the data
// rows are sorted, the header rows map to themselves.
//
//   kind             when                                          how
//   none             no key, one key on card id or date ascending  calculation (card) order
//   cards reversed   one key on card id descending                 runs of one card reversed
//   dates reversed   one key on date descending                    runs of one date reversed
//   by component     one key on a dimension in tree order, or that counting sort over the
//                    key and card id ascending second             components, buckets in tree order
//   general          any other                                     ParallelSort through the keys;
//                                                                  one value key: its values
//                                                                  sorted beside their rows
//
// The balance along the display order: the reversed kinds show each row's balance after its own
// line in card order; the others the sum of the lines above and itself, from "Sum Before".
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "analysis/time/lines_window.h"
#include "core/alert.h"
#include "core/memory.h"
#include "core/parallel_sort.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/components.h"
#include "database/line_origins.h"
#include "ui/sort_orders.h"

namespace {

bool IsDimKey(const LinesSortKey& key) {
  return key.column >= kLinesDimFirst && key.column < kLinesLineText;
}

// The key count without trailing empty keys and repeats of the key before (at least one).
int32_t TrimmedKeyCount(const LinesOptions& o) {
  int32_t n = std::clamp(o.sortKeyCount, 0, kLinesSortKeyMax);
  while (n > 1) {
    const LinesSortKey& last = o.sortKeys[n - 1];
    const bool empty = last.column == kLinesCardId && last.direction == 0;
    if (!empty && last.column != o.sortKeys[n - 2].column) break;
    --n;
  }
  return n;
}

int64_t RowComponent(T_Base* base, const LinesRow* row, int32_t column) {
  if (column == kLinesDimFirst) return row->group->component;
  return base->GetLineComponent(row->line, column - kLinesDimFirst - 1);
}

struct SortContext {
  T_HWindow* window;
  T_Base* base;
  const LinesData* data;
  const LinesSortKey* keys;
  int32_t keyCount;
  int64_t* order;
};

int32_t CompareRows(void* context, int64_t a, int64_t b) {
  auto* c = static_cast<SortContext*>(context);
  const int64_t ra = c->order[a];
  const int64_t rb = c->order[b];
  const LinesRow* x = LinesRowAt(c->data, ra);
  const LinesRow* y = LinesRowAt(c->data, rb);
  for (int32_t k = 0; k < c->keyCount; ++k) {
    const LinesSortKey& key = c->keys[k];
    int32_t result = 0;
    const int32_t column = key.column;
    if (column == kLinesCardId) {
      result = CardCompareById(x->card, y->card, key.direction);
    } else if (column == kLinesDate) {
      result = PackedDateCompare(x->card->dateNode->date, y->card->dateNode->date, key.direction);
    } else if (column == kLinesCardTitle) {
      result = CompareComponentTexts(x->card->title, y->card->title, key.textDirection,
                                     c->base->linkContext);
    } else if (column == kLinesLineText) {
      result = CompareComponentTexts(x->line->text, y->line->text, key.textDirection,
                                     c->base->linkContext);
    } else if (column == kLinesOrigin) {
      result = CompareLineOrigins(c->base, x->line, y->line);
      if (key.textDirection) result = -result;
    } else if (column >= kLinesValueFirst && column < kLinesAccumulated) {
      const int32_t v = column - kLinesValueFirst;
      result = CompareByValueOrder(LineValues(x->line)[v], LineValues(y->line)[v], key.valueOrder);
    } else if (column >= kLinesDimFirst && column < kLinesLineText) {
      result = CompareByTreeOrder(c->window, static_cast<int32_t>(RowComponent(c->base, x, column)),
                                  static_cast<int32_t>(RowComponent(c->base, y, column)),
                                  key.componentOrder);
    }
    if (result) return result;
  }
  return ra < rb ? -1 : ra > rb ? 1 : 0;
}

void SwapRows(void* context, int64_t a, int64_t b) {
  auto* order = static_cast<int64_t*>(context);
  std::swap(order[a], order[b]);
}

// Whether every compare of the keys may run on several threads at once: the text compares read
// the component and link tables, which are not made for it.
bool KeysThreadSafe(const LinesSortKey* keys, int32_t n) {
  for (int32_t k = 0; k < n; ++k) {
    const int32_t c = keys[k].column;
    const bool plain = c == kLinesCardId || c == kLinesDate ||
                       (c >= kLinesValueFirst && c < kLinesAccumulated) ||
                       (IsDimKey(keys[k]) && keys[k].componentOrder <= kTreeReversed);
    if (!plain) return false;
  }
  return true;
}

// The balance along the display order from "Sum Before": valueAt(p) is the accumulated column's
// value of the row at display position p. Without memory there is none (the error is reported).
template <typename ValueAt>
void FillOrderBalance(LinesData* data, const LinesOptions& options, ValueAt valueAt) {
  MemFree(data->orderBalance);
  auto* balance =
      static_cast<double*>(MemAlloc(data->rowCount * static_cast<int64_t>(sizeof(double)), 0));
  data->orderBalance = balance;
  if (!balance) {
    PendingErrorReport();
    return;
  }
  const int32_t c = options.accumulated;
  double running = options.statistics[kStatBefore] ? data->stats.before[c] : 0;
  for (int64_t p = 0; p < data->headerRowCount; ++p) balance[p] = std::nan("");
  for (int64_t p = data->headerRowCount; p < data->rowCount; ++p) balance[p] = running += valueAt(p);
}

// A plain order's key as bits that sort ascending as unsigned numbers: NaN after every number,
// both zeros equal.
uint64_t SortableBits(double k) {
  if (std::isnan(k)) return ~uint64_t{0};
  if (k == 0) k = 0;
  const uint64_t bits = std::bit_cast<uint64_t>(k);
  return bits >> 63 ? ~bits : bits | uint64_t{1} << 63;
}

struct ValuePair {
  uint64_t key;  // SortableBits, or for the combined orders the value's own bits
  double accumulated;
  int64_t row;
};

// Stable, so equal keys keep the order they came in: a radix sort of 11-bit digits, passing
// over the digits every key shares. False when the second buffer cannot be had.
bool RadixSort(ValuePair* pairs, int64_t n) {
  auto* scratch =
      static_cast<ValuePair*>(MemAlloc(n * static_cast<int64_t>(sizeof(ValuePair)), 0));
  if (!scratch) {
    PendingErrorClear();
    return false;
  }
  ValuePair* from = pairs;
  ValuePair* to = scratch;
  int64_t place[2048];
  for (int32_t shift = 0; shift < 64; shift += 11) {
    std::fill(std::begin(place), std::end(place), 0);
    for (int64_t i = 0; i < n; ++i) ++place[(from[i].key >> shift) & 2047];
    if (std::find(std::begin(place), std::end(place), n) != std::end(place)) continue;
    int64_t sum = 0;
    for (int64_t& p : place) sum += std::exchange(p, sum);
    for (int64_t i = 0; i < n; ++i) to[place[(from[i].key >> shift) & 2047]++] = from[i];
    std::swap(from, to);
  }
  if (from != pairs) std::copy(from, from + n, pairs);
  MemFree(scratch);
  return true;
}

// One value key: the values are taken out once into (key, row) pairs, which sort in cache without
// following a row to its line for every compare. The plain orders become keys that sort as
// unsigned numbers (NaN after every number, as CompareByValueOrder puts it); the combined orders
// compare through CompareByValueOrder. Ties keep calculation order. The accumulated column's value
// rides along, so the balance along the display order needs no second walk over the lines. False
// when the pairs cannot be had (the general sort then runs).
bool SortByOneValue(LinesData* data, const LinesOptions& options, int64_t* order) {
  const LinesSortKey& key = options.sortKeys[0];
  const int64_t head = data->headerRowCount;
  const int64_t n = data->rowCount - head;
  auto* pairs = static_cast<ValuePair*>(MemAlloc(n * static_cast<int64_t>(sizeof(ValuePair)), 0));
  if (!pairs) {
    PendingErrorClear();
    return false;
  }
  const int32_t column = key.column - kLinesValueFirst;
  const int32_t c = options.accumulated;
  const int32_t valueOrder = key.valueOrder;
  const bool plain = valueOrder == kValueDescending || valueOrder == kValueAscending ||
                     valueOrder == kValueAbsDescending || valueOrder == kValueAbsAscending;
  const bool absolute = valueOrder == kValueAbsDescending || valueOrder == kValueAbsAscending;
  const bool descending = valueOrder == kValueDescending || valueOrder == kValueAbsDescending;
  for (int64_t i = 0; i < n; ++i) {
    const double* values = LineValues(LinesRowAt(data, head + i)->line);
    double k = values[column];
    if (absolute) k = std::fabs(k);
    if (descending) k = -k;
    pairs[i] = ValuePair{plain ? SortableBits(k) : std::bit_cast<uint64_t>(k), values[c], head + i};
  }
  const auto byKey = [](const ValuePair& a, const ValuePair& b) {
    return a.key != b.key ? a.key < b.key : a.row < b.row;
  };
  if (!plain) {
    std::sort(pairs, pairs + n, [valueOrder](const ValuePair& a, const ValuePair& b) {
      const int32_t result = CompareByValueOrder(std::bit_cast<double>(a.key),
                                                 std::bit_cast<double>(b.key), valueOrder);
      return result ? result < 0 : a.row < b.row;
    });
  } else if (!RadixSort(pairs, n)) {
    std::sort(pairs, pairs + n, byKey);
  }
  for (int64_t i = 0; i < n; ++i) order[head + i] = pairs[i].row;
  FillOrderBalance(data, options, [&](int64_t p) { return pairs[p - head].accumulated; });
  MemFree(pairs);
  return true;
}

}  // namespace

int32_t T_Lines::SortRows() {
  const int32_t n = TrimmedKeyCount(options);
  if (n != options.sortKeyCount) {
    options.sortKeyCount = n;
    BuildFields();
  }
  return SortLinesData(&data, options, this);
}

int32_t SortLinesData(LinesData* dataOf, const LinesOptions& options, T_HWindow* window) {
  LinesData& data = *dataOf;
  T_Base* database = data.base;
  LinesDataDropOrder(&data);
  const int32_t n = TrimmedKeyCount(options);
  const LinesSortKey* keys = options.sortKeys;
  const LinesSortKey& first = keys[0];
  int32_t kind = kLinesSortGeneral;
  if (n == 0 || (n == 1 && (first.column == kLinesCardId || first.column == kLinesDate) &&
                 first.direction == 0))
    kind = kLinesSortNone;
  else if (n == 1 && first.column == kLinesCardId)
    kind = kLinesSortCardsReversed;
  else if (n == 1 && first.column == kLinesDate)
    kind = kLinesSortDatesReversed;
  else if (IsDimKey(first) && first.componentOrder <= kTreeReversed &&
           (n == 1 || (n == 2 && keys[1].column == kLinesCardId && keys[1].direction == 0)))
    kind = kLinesSortByComponent;
  const int64_t rows = data.rowCount;
  const int64_t head = data.headerRowCount;
  if (kind == kLinesSortNone || rows - head < 1) return kLinesSortNone;

  auto* order = static_cast<int64_t*>(MemAlloc(rows * static_cast<int64_t>(sizeof(int64_t)), 0));
  if (!order) {
    // The rows stay in calculation order; the user hears why.
    PendingErrorReport();
    return kLinesSortNone;
  }
  for (int64_t r = 0; r < rows; ++r) order[r] = r;

  if (kind == kLinesSortCardsReversed || kind == kLinesSortDatesReversed) {
    auto sameRun = [&](int64_t a, int64_t b) {
      const LinesRow* x = LinesRowAt(&data, a);
      const LinesRow* y = LinesRowAt(&data, b);
      return kind == kLinesSortCardsReversed ? x->card == y->card
                                             : x->card->dateNode->date == y->card->dateNode->date;
    };
    // The runs from the last one up, each in its own order.
    int64_t at = head;
    int64_t end = rows;
    while (end > head) {
      int64_t start = end - 1;
      while (start > head && sameRun(start - 1, start)) --start;
      for (int64_t r = start; r < end; ++r) order[at++] = r;
      end = start;
    }
  } else if (kind == kLinesSortByComponent) {
    const int64_t components = database->componentPool.count;
    auto* counts = static_cast<int64_t*>(
        MemAlloc((components + 1) * static_cast<int64_t>(sizeof(int64_t)), 0));
    if (!counts) {
      MemFree(order);
      PendingErrorReport();
      return kLinesSortNone;
    }
    MemZero(counts, (components + 1) * static_cast<int64_t>(sizeof(int64_t)));
    for (int64_t r = head; r < rows; ++r) {
      const int64_t c = RowComponent(database, LinesRowAt(&data, r), first.column);
      if (c >= 0 && c < components) ++counts[c];
    }
    // Bucket starts in the tree walk's order; components the walk misses come last.
    const int32_t dimension = first.column - kLinesDimFirst;
    auto next =
        first.componentOrder == kTreeReversed ? CompHook_TreeNextReverse : CompHook_TreeNext;
    std::vector<int64_t> start(static_cast<size_t>(components), -1);
    int64_t place = head;
    int32_t c = dimension;
    if (dimension < components) {
      start[static_cast<size_t>(dimension)] = place;
      place += counts[dimension];
    }
    for (int64_t steps = 0; steps < components; ++steps) {
      c = next(database, c);
      if (c < 0 || c >= components || c == dimension) break;
      if (start[static_cast<size_t>(c)] >= 0) break;
      start[static_cast<size_t>(c)] = place;
      place += counts[c];
    }
    for (int64_t k = 0; k < components; ++k) {
      if (start[static_cast<size_t>(k)] < 0) {
        start[static_cast<size_t>(k)] = place;
        place += counts[k];
      }
    }
    for (int64_t r = head; r < rows; ++r) {
      const int64_t comp = RowComponent(database, LinesRowAt(&data, r), first.column);
      if (comp >= 0 && comp < components) order[start[static_cast<size_t>(comp)]++] = r;
    }
    MemFree(counts);
  } else if (n == 1 && first.column >= kLinesValueFirst && first.column < kLinesAccumulated &&
             SortByOneValue(&data, options, order)) {
    data.order = order;
    return kind;
  } else {
    for (int32_t k = 0; k < n; ++k) {
      if (IsDimKey(keys[k]))
        BuildTreeOrderTable(window, keys[k].column - kLinesDimFirst, keys[k].componentOrder);
    }
    SortContext context{window, database, &data, keys, n, order};
    ParallelSortContext sort;
    ParallelSortInit(&sort);
    sort.compare = CompareRows;
    sort.compareContext = &context;
    sort.swap = SwapRows;
    sort.swapContext = order;
    if (!KeysThreadSafe(keys, n)) sort.workerLimit = 0;
    ParallelSort(&sort, head, rows - 1);
  }
  data.order = order;
  ComputeLinesOrderBalance(&data, options, kind);
  return kind;
}

void T_Lines::ComputeOrderBalance(int32_t kind) { ComputeLinesOrderBalance(&data, options, kind); }

void ComputeLinesOrderBalance(LinesData* dataOf, const LinesOptions& options, int32_t kind) {
  LinesData& data = *dataOf;
  MemFree(data.orderBalance);
  data.orderBalance = nullptr;
  // The reversed kinds show each row's own balance, which the rows hold already.
  if (!data.order || kind == kLinesSortCardsReversed || kind == kLinesSortDatesReversed) return;
  const int32_t c = options.accumulated;
  FillOrderBalance(&data, options, [&](int64_t p) {
    return LineValues(LinesRowAt(&data, data.order[p])->line)[c];
  });
}
