// The row order of the time functions table.
#include "analysis/time/tfunc_rows.h"

#include <cstring>

#include "analysis/time/time_calculation.h"
#include "core/alert.h"
#include "core/memory.h"
#include "core/parallel_sort.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/time_scale.h"
#include "ui/sort_orders.h"

namespace {

struct SortState {
  const TFuncData* data;
  const TFuncRowOrder* order;
  int64_t* table;
};

int32_t CompareRows(void* context, int64_t a, int64_t b) {
  auto* state = static_cast<SortState*>(context);
  const int64_t ea = state->table[a];
  const int64_t eb = state->table[b];
  int32_t result = 0;
  if (const T_TVariable* v = state->order->sortVariable) {
    result = CompareByValueOrder(TFuncEntryAt(state->data, ea)->values[v->column],
                                 TFuncEntryAt(state->data, eb)->values[v->column],
                                 state->order->valueOrder);
  } else {
    result = CompareComponentTexts(TFuncEntrySortText(state->data, ea),
                                   TFuncEntrySortText(state->data, eb), kSortAscending, nullptr);
  }
  if (result != 0) return result;
  return ea < eb ? -1 : ea > eb ? 1 : 0;
}

void SwapRows(void* context, int64_t a, int64_t b) {
  auto* state = static_cast<SortState*>(context);
  int64_t t = state->table[a];
  state->table[a] = state->table[b];
  state->table[b] = t;
}

}  // namespace

const char* TFuncEntrySortText(const TFuncData* data, int64_t entry) {
  const CardId& end = TFuncEntryAt(data, entry)->end;
  if (data->typeInForce == kPeriodTimeScale)
    return data->scaleInForce ? PeriodNameOfDate(data->scaleInForce, &end) : nullptr;
  CardRecord* card = FindCardAtOrBefore(data->base, &end);
  if (!card || card == data->base->sentinelCard || card->dateNode->date != end.date ||
      card->dayNumber != end.sequence)
    return nullptr;
  return card->title;
}

void TFuncFreeRowOrder(TFuncRowOrder* order) {
  MemFree(order->table);
  order->table = nullptr;
  order->rowCount = 0;
}

bool TFuncSortRows(TFuncData* data, TFuncRowOrder* order) {
  TFuncFreeRowOrder(order);
  const int64_t periods = data->periodCount - kEntryFirstPeriod;
  if (order->sortVariable && order->sortVariable->column < 0) order->sortVariable = nullptr;
  const bool byName = order->mode == kRowsByName && data->typeInForce >= kPeriodActiveCards;
  if (periods < 2 || (!order->sortVariable && !byName)) return true;
  const int64_t rows = TFuncRowCount(data);
  auto* table = static_cast<int64_t*>(MemNew(rows * static_cast<int64_t>(sizeof(int64_t))));
  if (!table) {
    PendingErrorOutOfMemory();
    return false;
  }
  int64_t row = 0;
  if (data->showBefore) table[row++] = kEntryBefore;
  const int64_t first = row;
  for (int64_t e = kEntryFirstPeriod; e < data->periodCount; ++e) table[row++] = e;
  if (data->totalsWanted) table[row++] = kEntryTotals;
  SortState state{data, order, table};
  ParallelSortContext context;
  ParallelSortInit(&context);
  context.compare = CompareRows;
  context.compareContext = &state;
  context.swap = SwapRows;
  context.swapContext = &state;
  context.workerLimit = 0;  // the compare reads card titles and scales: one thread
  ParallelSort(&context, first, first + periods - 1);
  order->table = table;
  order->rowCount = rows;
  return true;
}

int64_t TFuncRowEntry(const TFuncData* data, const TFuncRowOrder* order, int64_t row) {
  if (order->table && row >= 0 && row < order->rowCount) return order->table[row];
  const int64_t periods = data->periodCount - kEntryFirstPeriod;
  if (order->mode == kRowsReversed) {
    if (row < periods) return data->periodCount - 1 - row;
    if (data->showBefore && row == periods) return kEntryBefore;
    return kEntryTotals;
  }
  if (data->showBefore) {
    if (row == 0) return kEntryBefore;
    --row;
  }
  return row < periods ? kEntryFirstPeriod + row : kEntryTotals;
}
