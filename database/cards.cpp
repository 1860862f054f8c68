#include "database/cards.h"

#include <cstring>
#include <new>

#include "core/alert.h"
#include "core/cstring.h"
#include "core/message_pump.h"
#include "core/owned_text.h"
#include "core/paged_array.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "database/lines.h"
#include "database/link_rename.h"
#include "database/model_links.h"

namespace {

CardRenameHook renameHook = RenameCardLinks;

constexpr int64_t kPumpEvery = 512;

// --- Date cache -------------------------------------------------------------------------------

bool IsCached(const T_Base* base, const DateNode* node) {
  for (int32_t i = 0; i < base->dateCacheFill; ++i)
    if (base->dateCache[i] == node) return true;
  return false;
}

void Remember(T_Base* base, DateNode* node, PackedDate asked) {
  if (base->dateCacheFill < 13)
    base->dateCache[base->dateCacheFill++] = node;
  else
    base->dateCache[asked % 13] = node;
}

void Forget(T_Base* base, const DateNode* node) {
  for (int32_t i = 0; i < base->dateCacheFill; ++i) {
    if (base->dateCache[i] == node) {
      base->dateCache[i] = base->dateCache[--base->dateCacheFill];
      base->dateCache[base->dateCacheFill] = nullptr;
      return;
    }
  }
}

// The node of the date, made after the floor node when the date has none yet; null without
// memory.
DateNode* GetDateNode(T_Base* base, PackedDate date) {
  DateNode* floor = FindDateNode(base, date);
  if (floor != base->dateRing && floor->date == date) return floor;
  auto* node = new (std::nothrow) DateNode{};
  if (!node) {
    PendingErrorOutOfMemory();
    return nullptr;
  }
  node->date = date;
  node->previous = floor;
  node->next = floor->next;
  floor->next->previous = node;
  floor->next = node;
  ++base->dateNodeCount;
  return node;
}

void RemoveDateNode(T_Base* base, DateNode* node) {
  Forget(base, node);
  node->previous->next = node->next;
  node->next->previous = node->previous;
  delete node;
  --base->dateNodeCount;
}

// --- The chain ----------------------------------------------------------------------------------

void LinkBefore(CardRecord* card, CardRecord* following) {
  card->next = following;
  card->previous = following->previous;
  following->previous->next = card;
  following->previous = card;
}

// Numbers the card within the node's date (rules in the header of CreateCard) and links it into
// the chain. Needs no memory, so it cannot fail.
void InsertIntoDate(DateNode* node, CardRecord* card, int32_t asked) {
  int32_t n = asked <= 0 ? 1 : (asked > kLargestCardNumber ? kLargestCardNumber : asked);
  CardRecord* after = node->next->firstCard;
  if (node->cardCount == 0) {
    LinkBefore(card, after);
    node->firstCard = card;
  } else {
    CardRecord* last = after->previous;
    CardRecord* hint = node->hintCard;
    if (n > last->dayNumber) {
      LinkBefore(card, after);
    } else if (n == last->dayNumber) {
      ++n;
      LinkBefore(card, after);
    } else if (hint && hint->dayNumber >= n) {
      // Inside the run 1..k every number is taken and k + 1 is not.
      n = hint->dayNumber + 1;
      LinkBefore(card, hint->next);
    } else {
      CardRecord* c = hint ? hint : node->firstCard;
      while (c->dayNumber < n) c = c->next;
      while (c->dateNode == node && c->dayNumber == n) {
        ++n;
        c = c->next;
      }
      LinkBefore(card, c);
      if (c == node->firstCard) node->firstCard = card;
    }
  }
  card->dateNode = node;
  card->dayNumber = n;
  ++node->cardCount;

  CardRecord* hint = node->hintCard;
  if (n == 1 || (hint && n == hint->dayNumber + 1)) {
    CardRecord* end = card;
    while (end->next->dateNode == node && end->next->dayNumber == end->dayNumber + 1)
      end = end->next;
    node->hintCard = end;
  }
}

// Unlinks the card from the chain and its date; the node stays even when it is left empty.
void TakeOutOfDate(CardRecord* card) {
  DateNode* node = card->dateNode;
  if (node->firstCard == card)
    node->firstCard = card->next->dateNode == node ? card->next : nullptr;
  CardRecord* hint = node->hintCard;
  if (hint && hint->dayNumber >= card->dayNumber)
    node->hintCard = card->dayNumber > 1 ? card->previous : nullptr;
  --node->cardCount;
  card->previous->next = card->next;
  card->next->previous = card->previous;
  card->next = card->previous = nullptr;
  card->dateNode = nullptr;
}

// --- Card records -------------------------------------------------------------------------------

CardRecord* AllocCard(T_Base* base) {
  CardRecord* card = TakePoolRecord(&base->cardPool, &base->cardFreeList);
  if (!card) return nullptr;
  int64_t number = card->number;
  *card = CardRecord{};
  card->number = number;
  return card;
}

void FreeCardRecord(T_Base* base, CardRecord* card) {
  card->dateNode = nullptr;
  card->next = base->cardFreeList;
  base->cardFreeList = card;
}

// The first card of the node's date whose number is not below n (or the card after the date),
// and how many cards of the date come before it. The first card, the hint (whose run 1..k are
// the first k cards) and the last card are the anchors; the walk starts at the nearest one.
struct DatePosition {
  CardRecord* card;
  int64_t index;
};

DatePosition PositionInDate(const DateNode* node, int64_t n) {
  CardRecord* first = node->firstCard;
  CardRecord* after = node->next->firstCard;
  CardRecord* last = after->previous;
  if (n <= first->dayNumber) return {first, 0};
  if (n > last->dayNumber) return {after, node->cardCount};
  CardRecord* hint = node->hintCard;
  if (hint && n <= hint->dayNumber) {
    CardRecord* c;
    if (n - 1 <= hint->dayNumber - n) {
      c = first;
      for (int64_t i = 1; i < n; ++i) c = c->next;
    } else {
      c = hint;
      for (int64_t i = hint->dayNumber; i > n; --i) c = c->previous;
    }
    return {c, n - 1};
  }
  // Beyond the run: between the hint (or the first card) and the last card.
  CardRecord* from = hint ? hint : first;
  int64_t index = hint ? hint->dayNumber - 1 : 0;
  if (2 * n > int64_t{from->dayNumber} + last->dayNumber) {
    CardRecord* c = last;
    index = node->cardCount - 1;
    while (c->previous->dayNumber >= n) {
      c = c->previous;
      --index;
    }
    return {c, index};
  }
  CardRecord* c = from;
  while (c->dayNumber < n) {
    c = c->next;
    ++index;
  }
  return {c, index};
}

int32_t CompareIds(const CardId& a, const CardId& b) {
  if (a.date != b.date) return a.date < b.date ? -1 : 1;
  if (a.sequence != b.sequence) return a.sequence < b.sequence ? -1 : 1;
  return 0;
}

void CopyCardContents(T_Base* base, CardRecord* copy, const CardRecord* source) {
  if (!BlockTextAssignBlock(&copy->title, source->title)) return;
  if (!BlockTextAssignBlock(&copy->notes, source->notes)) return;
  copy->notesStamp = source->notesStamp;
  for (const GroupRecord* group = source->firstGroup; group; group = group->next) {
    GroupRecord* added = base->FindOrAddGroup(copy, group->component);
    if (!added) return;
    for (const LineRecord* line = group->firstLine; line; line = line->next) {
      LineRecord* made = CreateLine(base, added);
      if (!made || !BlockTextAssignBlock(&made->text, line->text)) return;
      base->CopyLineValues(made, line);
      base->CopyLineComponents(made, line);
    }
  }
}

}  // namespace

// --- Date nodes -----------------------------------------------------------------------------

DateNode* FindDateNode(T_Base* base, PackedDate date) {
  DateNode* ring = base->dateRing;
  DateNode* last = ring->previous;
  if (date == 0 || last == ring) return ring;
  if (last->date <= date) return last;

  DateNode* start = nullptr;
  uint32_t nearest = 0;
  for (int32_t i = 0; i < base->dateCacheFill; ++i) {
    DateNode* cached = base->dateCache[i];
    if (cached->date == date) return cached;
    uint32_t distance = cached->date > date ? cached->date - date : date - cached->date;
    if (!start || distance < nearest) {
      start = cached;
      nearest = distance;
    }
  }
  bool fromCache = start != nullptr;
  if (!start) start = ring->next;

  DateNode* node = start;
  if (node->date < date) {
    while (node->next != ring && node->next->date <= date) node = node->next;
  } else {
    while (node != ring && node->date > date) node = node->previous;
  }
  if (node != ring && !(fromCache && node == start) && !IsCached(base, node))
    Remember(base, node, date);
  return node;
}

// --- Cards ------------------------------------------------------------------------------------

CardRecord* CreateCard(T_Base* base, CardId* id) {
  if (id->date == 0) return nullptr;
  CardRecord* card = AllocCard(base);
  if (!card) return nullptr;
  DateNode* node = GetDateNode(base, id->date);
  if (!node) {
    FreeCardRecord(base, card);
    return nullptr;
  }
  InsertIntoDate(node, card, id->sequence);
  id->sequence = card->dayNumber;
  ++base->cardCount;
  base->cardChangePending = 1;
  return card;
}

CardRecord* DuplicateCard(T_Base* base, const CardRecord* source, PackedDate date) {
  CardId id{date, 1};
  CardRecord* copy = CreateCard(base, &id);
  if (copy) CopyCardContents(base, copy, source);
  return copy;
}

bool MoveCard(T_Base* base, CardRecord* card, CardId* id) {
  if (id->date == 0) return false;
  // The new node is made first, so that a failure leaves the card where it was.
  DateNode* node = GetDateNode(base, id->date);
  if (!node) return false;
  CardId oldId = CardGetId(card);
  DateNode* oldNode = card->dateNode;
  TakeOutOfDate(card);
  if (oldNode->cardCount == 0 && oldNode != node) RemoveDateNode(base, oldNode);
  InsertIntoDate(node, card, id->sequence);
  id->sequence = card->dayNumber;
  base->cardChangePending = 1;

  if (renameHook) {
    T_TextBuf oldText, newText;
    FormatCardIdToString(&oldText, &oldId, base->cardDigits);
    FormatCardIdToString(&newText, id, base->cardDigits);
    if (!StrEqual(oldText.c_str(), newText.c_str())) renameHook(base, &oldId, id);
  }
  return true;
}

void DeleteCard(T_Base* base, CardRecord* card) {
  BlockTextFree(&card->title);
  BlockTextFree(&card->notes);
  FreeCardGroups(base, card);
  DateNode* node = card->dateNode;
  TakeOutOfDate(card);
  if (node->cardCount == 0) RemoveDateNode(base, node);
  FreeCardRecord(base, card);
  --base->cardCount;
  base->cardChangePending = 1;
}

CardRecord* PruneCard(T_Base* base, CardRecord* card) {
  RemoveEmptyGroups(base, card);
  if (card->firstGroup) return card;
  DeleteCard(base, card);
  return nullptr;
}

void RepairCardChain(T_Base* base) { base->sentinelCard->next->previous = base->sentinelCard; }

int64_t DeleteAllCards(T_Base* base) {
  int64_t deleted = 0;
  CardRecord* sentinel = base->sentinelCard;
  while (sentinel->next != sentinel) {
    DeleteCard(base, sentinel->next);
    if (++deleted % kPumpEvery == 0) {
      PumpMessages();
      if (AbortRequested()) break;
    }
  }
  return deleted;
}

int64_t DeleteMarkedCards(T_Base* base, const BitVector* cards) {
  int64_t deleted = 0;
  CardRecord* sentinel = base->sentinelCard;
  for (CardRecord* card = sentinel->next; card != sentinel;) {
    CardRecord* following = card->next;
    if (card->number < cards->count && BitVecGet(cards, card->number)) {
      DeleteCard(base, card);
      ++deleted;
      PumpMessages();
      if (AbortRequested()) break;
    }
    card = following;
  }
  return deleted;
}

CardRecord* FindCardAtOrBefore(T_Base* base, const CardId* id) {
  CardRecord* card = base->SeekCard(id);
  if (card != base->sentinelCard && CompareIds(CardGetId(card), *id) == 0) return card;
  return card->previous;
}

int64_t CountCardsWithLines(T_Base* base, const BitVector* lines) {
  int64_t count = 0;
  int64_t visited = 0;
  CardRecord* sentinel = base->sentinelCard;
  for (CardRecord* card = sentinel->next; card != sentinel; card = card->next) {
    bool found = false;
    for (GroupRecord* group = card->firstGroup; group && !found; group = group->next) {
      for (LineRecord* line = group->firstLine; line && !found; line = line->next)
        found = line->number < lines->count && BitVecGet(lines, line->number);
    }
    if (found) ++count;
    if (++visited % kPumpEvery == 0) {
      PumpMessages();
      if (AbortRequested()) break;
    }
  }
  return count;
}

int32_t CardCompareById(const CardRecord* a, const CardRecord* b, int32_t descending) {
  if (!a || !b) return a == b ? 0 : (a ? -1 : 1);
  int32_t order = CompareIds(CardGetId(a), CardGetId(b));
  return descending == 1 ? -order : order;
}

CardId CardGetId(const CardRecord* card) { return CardId{card->dateNode->date, card->dayNumber}; }

bool SetCardTitle(CardRecord* card, const char* text) {
  if (!BlockTextAssign(&card->title, text)) return false;
  StrBlankControls(card->title);
  return true;
}

bool SetCardNotes(CardRecord* card, const char* text) {
  return BlockTextAssign(&card->notes, text);
}

// --- Stamps -----------------------------------------------------------------------------------

void StampCardChange(CardRecord* card, const SignatureStamp* stamp) {
  if (SignatureStampEqual(stamp, &card->created)) {
    card->changed = SignatureStamp{};
  } else if (SignatureStampIsEmpty(&card->created)) {
    card->created = *stamp;
    card->changed = SignatureStamp{};
  } else {
    card->changed = *stamp;
  }
  card->examined = SignatureStamp{};
  card->approved = SignatureStamp{};
}

void CardSetReviewStamp(CardRecord* card, const SignatureStamp* stamp, int32_t command) {
  if (command == kCommandExamine) card->examined = *stamp;
  if (command == kCommandApprove) card->approved = *stamp;
}

void SetCardRenameHook(CardRenameHook hook) { renameHook = hook ? hook : RenameCardLinks; }

void RaiseCardDigitsToFit(T_Base* base) {
  // The last card of each date holds its date's largest number.
  int32_t largest = 0;
  for (DateNode* node = base->dateRing->next; node != base->dateRing; node = node->next) {
    int32_t number = LastCardOfDate(node)->dayNumber;
    if (number > largest) largest = number;
  }
  int32_t digits = 1;
  while (digits < 9 && largest > MaxValueOfDigits(digits)) ++digits;
  if (digits <= base->cardDigits) return;
  base->cardDigits = digits;
  base->NotifyCode(kChangeCardDigits);
}

// --- T_Base -----------------------------------------------------------------------------------

CardRecord* T_Base::SeekCard(const CardId* id) {
  DateNode* node = FindDateNode(this, id->date);
  if (node == dateRing || node->date != id->date) return node->next->firstCard;
  return PositionInDate(node, id->sequence).card;
}

int64_t T_Base::CountCardsBetween(const CardId* from, const CardId* to, CardRecord** first,
                                  CardRecord** after) {
  DateNode* node = FindDateNode(this, from->date);
  CardRecord* start;
  int64_t index = 0;  // cards of the node's date before start
  if (node == dateRing || node->date != from->date) {
    node = node->next;
    start = node->firstCard;
  } else {
    DatePosition position = PositionInDate(node, from->sequence);
    start = position.card;
    index = position.index;
    if (index == node->cardCount) {
      node = node->next;
      index = 0;
    }
  }
  if (first) *first = start;
  if (CompareIds(*from, *to) > 0) {
    if (after) *after = start;
    return 0;
  }

  int64_t count = 0;
  while (node != dateRing && node->date < to->date) {
    count += node->cardCount - index;
    index = 0;
    node = node->next;
  }
  CardRecord* end = node->firstCard;
  if (node != dateRing && node->date == to->date) {
    DatePosition position = PositionInDate(node, int64_t{to->sequence} + 1);
    count += position.index - index;
    end = position.card;
  }
  if (after) *after = end;
  return count;
}

void T_Base::GetNextCardId(CardId* id) {
  if (id->sequence >= MaxValueOfDigits(cardDigits)) {
    id->date = PackedDateNextDay(id->date);
    id->sequence = 1;
  } else {
    ++id->sequence;
  }
}

void T_Base::GetPrevCardId(CardId* id) {
  if (id->sequence < 2) {
    id->date = PackedDatePrevDay(id->date);
    id->sequence = MaxValueOfDigits(cardDigits);
  } else {
    --id->sequence;
  }
}

void T_Base::GetCardIdBound(CardId* id, int32_t side) {
  if (sentinelCard->next != sentinelCard) {
    *id = CardGetId(side < 1 ? sentinelCard->next : sentinelCard->previous);
    return;
  }
  int32_t year = PackedDateYear(PackedDateToday());
  if (side < 1)
    *id = CardId{PackDate(year, 1, 1), 1};
  else
    *id = CardId{PackDate(year, 12, 31), kCardSequenceOpen};
}
