// The cards window's walks for the transform and the aggregation: its rows by contents scope,
// always in their natural (date) order whatever the display order.
#include "analysis/cards/aggregator.h"
#include "analysis/cards/cards_window.h"
#include "analysis/cards/transform.h"
#include "core/alert.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/change_notes.h"

namespace {

const CardsRow* NaturalRow(const T_Cards* window, int64_t i) {
  return reinterpret_cast<const CardsRow*>(PagedArrayAt(&window->rows, i));
}

}  // namespace

void T_Cards::SetupTransform(void* dialog) {
  auto* transform = static_cast<T_Transform*>(dialog);
  if (!transform || !database) return;
  const int32_t scope = ContentsScope();
  if (transform->state == kTransformCount) {
    const uint32_t kind = scope == 0 ? kRowCard : scope == 1 ? kRowGroup : kRowLine;
    transform->rowCount = CountRows(kind);
    for (int64_t i = 0; i < rows.count; ++i) {
      const CardsRow* row = NaturalRow(this, i);
      if (row->kind != kRowCard) continue;
      if (transform->defaultSourceStart.date == 0) transform->defaultSourceStart = CardGetId(row->card);
      transform->defaultSourceEnd = CardGetId(row->card);
    }
    return;
  }
  if (transform->state != kTransformRun) return;
  if (!transform->copyMode && !CloseEditorsOfListedCards()) return;
  // The rows point at records the walk changes: they are read in order, each before the step
  // that may move or free its record, and dropped at the end.
  const bool copy = transform->copyMode;
  for (int64_t i = 0; i < rows.count && !AbortRequested(); ++i) {
    const CardsRow* row = NaturalRow(this, i);
    if (scope == 0) {
      if (row->kind != kRowCard) continue;
      if (copy) {
        transform->CopyCard(row->card);
      } else {
        transform->TransformCard(row->card);
      }
      continue;
    }
    if (row->kind == kRowCard) {
      transform->BeginCard(row->card);
    } else if (scope == 1 && row->kind == kRowGroup) {
      if (copy) {
        transform->CopyGroup(row->group);
      } else {
        transform->TransformGroup(row->group);
      }
    } else if (scope == 2 && row->kind == kRowLine) {
      if (copy) {
        transform->CopyLine(row->group, row->line);
      } else {
        transform->MoveLine(row->group, row->line);
      }
    }
  }
  transform->FinishCard();
  DropRows();
  database->SetModified(true);
  database->NotifyCode(kChangeCards);
}

void T_Cards::SetupAggregate(void* data) {
  auto* aggregator = static_cast<T_Aggregator*>(data);
  if (!aggregator || !database) return;
  const int32_t scope = ContentsScope();
  if (aggregator->state == kAggregateCount) {
    int64_t lines = 0;
    const CardsRow* first = nullptr;
    for (int64_t i = 0; i < rows.count; ++i) {
      const CardsRow* row = NaturalRow(this, i);
      if (!first && row->kind == kRowCard) first = row;
      if (scope == 2) {
        lines += row->kind == kRowLine ? 1 : 0;
      } else if ((scope == 0 && row->kind == kRowCard) || (scope == 1 && row->kind == kRowGroup)) {
        for (GroupRecord* g = scope == 0 ? row->card->firstGroup : row->group; g;
             g = scope == 0 ? g->next : nullptr) {
          for (LineRecord* line = g->firstLine; line; line = line->next) ++lines;
        }
      }
    }
    aggregator->lineCount = lines;
    if (first) {
      CardId id = CardGetId(first->card);
      DateRefSetDate(&aggregator->cardDate, &id);
    }
    return;
  }
  if (aggregator->state != kAggregateFeed) return;
  if (!CloseEditorsOfListedCards()) return;
  // The rows are copied out first: the flushes free lines and cards the rows point at.
  struct Fed {
    CardRecord* card;
    GroupRecord* group;
    LineRecord* line;
  };
  PagedArray fed{};
  PagedArrayInit(&fed, sizeof(Fed), 0);
  bool ok = true;
  auto take = [&](CardRecord* card, GroupRecord* group, LineRecord* line) {
    auto* entry = reinterpret_cast<Fed*>(PagedArrayAtGrow(&fed, fed.count));
    if (!entry) return ok = false;
    *entry = Fed{card, group, line};
    return true;
  };
  for (int64_t i = 0; i < rows.count && ok; ++i) {
    const CardsRow* row = NaturalRow(this, i);
    if (scope == 2) {
      if (row->kind == kRowLine) take(row->card, row->group, row->line);
    } else if ((scope == 0 && row->kind == kRowCard) || (scope == 1 && row->kind == kRowGroup)) {
      for (GroupRecord* g = scope == 0 ? row->card->firstGroup : row->group; g && ok;
           g = scope == 0 ? g->next : nullptr) {
        for (LineRecord* line = g->firstLine; line && ok; line = line->next) take(row->card, g, line);
      }
    }
  }
  DropRows();
  for (int64_t i = 0; ok && i < fed.count && !AbortRequested(); ++i) {
    const Fed* entry = reinterpret_cast<const Fed*>(PagedArrayAt(&fed, i));
    if (!Aggregator_addLine(aggregator, entry->card, entry->group, entry->line)) break;
  }
  PagedArrayFree(&fed);
}
