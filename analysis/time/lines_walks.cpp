// The lines window's walks for the transform and the aggregation, and the check of open card
// windows before its data operations. The walks go through the rows in their calculation order,
// which is the cards' natural (date) order whatever the display sort: the transform begins and
// finishes each card once, and the aggregator needs its lines by date.
#include "analysis/cards/aggregator.h"
#include "analysis/cards/cards_window.h"
#include "analysis/cards/transform.h"
#include "analysis/time/lines_window.h"
#include "core/alert.h"
#include "core/paged_array.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/change_notes.h"

bool T_Lines::CloseEditorsOfListedCards() {
  return CloseEditorsOfCards(this, [](T_HWindow* owner, const CardRecord* card) {
    const LinesData& rows = static_cast<const T_Lines*>(owner)->data;
    for (int64_t r = rows.headerRowCount; r < rows.rowCount; ++r) {
      if (LinesRowAt(&rows, r)->card == card) return true;
    }
    return false;
  });
}

void T_Lines::DropDataRows() {
  LinesDataDropOrder(&data);
  data.rowCount = data.headerRowCount;
  rowCount = headerRowCount = data.headerRowCount;
}

void T_Lines::SetupTransform(void* dialog) {
  auto* transform = static_cast<T_Transform*>(dialog);
  if (!transform || !database) return;
  const int64_t first = data.headerRowCount;
  if (transform->state == kTransformCount) {
    transform->rowCount = data.rowCount - first;
    if (transform->rowCount > 0) {
      transform->defaultSourceStart = CardGetId(LinesRowAt(&data, first)->card);
      transform->defaultSourceEnd = CardGetId(LinesRowAt(&data, data.rowCount - 1)->card);
    }
    return;
  }
  if (transform->state != kTransformRun || data.rowCount <= first) return;
  if (!CloseEditorsOfListedCards()) return;
  // A card's lines are neighbours in calculation order. Each row is read before the step that
  // may move or free its line, and the rows are dropped at the end.
  const bool copy = transform->copyMode;
  CardRecord* begun = nullptr;
  for (int64_t r = first; r < data.rowCount && !AbortRequested(); ++r) {
    const LinesRow* row = LinesRowAt(&data, r);
    if (row->card != begun) {
      begun = row->card;
      transform->BeginCard(begun);
    }
    if (copy) {
      transform->CopyLine(row->group, row->line);
    } else {
      transform->MoveLine(row->group, row->line);
    }
  }
  transform->FinishCard();
  DropDataRows();
  database->SetModified(true);
  database->NotifyCode(kChangeCards);
}

void T_Lines::SetupAggregate(void* aggregatorData) {
  auto* aggregator = static_cast<T_Aggregator*>(aggregatorData);
  if (!aggregator || !database) return;
  const int64_t first = data.headerRowCount;
  if (aggregator->state == kAggregateCount) {
    aggregator->lineCount = data.rowCount - first;
    if (aggregator->lineCount > 0) {
      CardId id = CardGetId(LinesRowAt(&data, first)->card);
      DateRefSetDate(&aggregator->cardDate, &id);
    }
    return;
  }
  if (aggregator->state != kAggregateFeed) return;
  if (!CloseEditorsOfListedCards()) return;
  // The rows are copied out first: the flushes free lines and cards the rows point at.
  PagedArray fed{};
  PagedArrayInit(&fed, sizeof(LinesRow), 0);
  bool ok = true;
  for (int64_t r = first; r < data.rowCount && ok; ++r) {
    auto* entry = reinterpret_cast<LinesRow*>(PagedArrayAtGrow(&fed, fed.count));
    if (entry) *entry = *LinesRowAt(&data, r);
    ok = entry != nullptr;
  }
  DropDataRows();
  for (int64_t i = 0; ok && i < fed.count && !AbortRequested(); ++i) {
    const auto* entry = reinterpret_cast<const LinesRow*>(PagedArrayAt(&fed, i));
    if (!Aggregator_addLine(aggregator, entry->card, entry->group, entry->line)) break;
  }
  PagedArrayFree(&fed);
}
