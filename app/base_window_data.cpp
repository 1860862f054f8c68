// The database window's part in the transform and the aggregation: every card of the database,
// in chain order.
#include "analysis/cards/aggregator.h"
#include "analysis/cards/transform.h"
#include "app/base_window.h"
#include "core/alert.h"
#include "core/bit_vector.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/change_notes.h"

void T_BaseWin::SetupTransform(void* dialog) {
  auto* transform = static_cast<T_Transform*>(dialog);
  T_Base* base = database;
  if (!transform || !base) return;
  if (transform->state == kTransformCount) {
    transform->rowCount = base->cardCount;
    if (base->cardCount > 0) {
      transform->defaultSourceStart = CardGetId(base->sentinelCard->next);
      transform->defaultSourceEnd = CardGetId(base->sentinelCard->previous);
    }
    return;
  }
  if (transform->state != kTransformRun) return;
  if (!transform->copyMode && !CloseCardEditors(base)) return;
  // Moved and added cards are not visited again: only the cards present at the start, each
  // once, in chain order.
  BitVector pending{};
  BitVecInit(&pending, base->cardPool.count, 0);
  BitVecFill(&pending, false);
  for (CardRecord* card = base->sentinelCard->next; card != base->sentinelCard; card = card->next) {
    BitVecSet(&pending, card->number, true);
  }
  for (CardRecord* card = base->sentinelCard->next; card != base->sentinelCard && !AbortRequested();) {
    CardRecord* next = card->next;
    if (card->number < pending.count && BitVecGet(&pending, card->number)) {
      BitVecSet(&pending, card->number, false);
      if (transform->copyMode) {
        transform->CopyCard(card);
      } else {
        transform->TransformCard(card);
      }
    }
    card = next;
  }
  BitVecFree(&pending);
  base->SetModified(true);
  base->NotifyCode(kChangeCards);
}

void T_BaseWin::SetupAggregate(void* data) {
  auto* aggregator = static_cast<T_Aggregator*>(data);
  T_Base* base = database;
  if (!aggregator || !base) return;
  if (aggregator->state == kAggregateCount) {
    aggregator->lineCount = base->lineCount;
    if (base->cardCount > 0) {
      CardId first = CardGetId(base->sentinelCard->next);
      DateRefSetDate(&aggregator->cardDate, &first);
    }
    return;
  }
  if (aggregator->state != kAggregateFeed || !CloseCardEditors(base)) return;
  // A flush changes only cards before the one being fed, and adds cards only at dates already
  // passed, so the walk goes on from the current card.
  for (CardRecord* card = base->sentinelCard->next; card != base->sentinelCard && !AbortRequested();) {
    CardRecord* next = card->next;
    for (GroupRecord* group = card->firstGroup; group; group = group->next) {
      for (LineRecord* line = group->firstLine; line;) {
        LineRecord* following = line->next;
        if (!Aggregator_addLine(aggregator, card, group, line)) return;
        line = following;
      }
    }
    card = next;
  }
}
