// The selection items of a subset: their list, names, conditions on the card id and the stamps,
// and the lines they choose.
#include <new>

#include "core/locale.h"
#include "core/memory.h"
#include "core/owned_text.h"
#include "core/value_format.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/subsets.h"

namespace {

const SignatureStamp* StampOf(const CardRecord* card, int32_t stamp) {
  switch (stamp) {
    case kStampCreated:
      return &card->created;
    case kStampModified:
      return &card->changed;
    case kStampExamined:
      return &card->examined;
    case kStampApproved:
      return &card->approved;
    default:
      return &card->notesStamp;
  }
}

bool StampPasses(const StampCondition* condition, const SignatureStamp* stamp) {
  if (!IdConditionTestDate(&condition->time, StampDate(stamp->stamp))) return false;
  if (!condition->signature.program) return true;
  if (!stamp->signature[0]) return condition->signature.emptyResult != 0;
  return Criteria_MatchCStr(&condition->signature, stamp->signature);
}

bool StampConditionSet(const StampCondition* condition) {
  return condition->time.program || condition->signature.program;
}

// The conditions of an item that the card selection does not know.
bool CardPasses(void* context, const CardRecord* card) {
  auto* item = static_cast<const SelectionItem*>(context);
  CardId id = CardGetId(card);
  if (!IdConditionTestId(&item->cardId, &id)) return false;
  if (!item->hasStampCondition) return true;
  for (int32_t stamp = 0; stamp < kStampCount; ++stamp) {
    if (!StampPasses(&item->stamps[stamp], StampOf(card, stamp))) return false;
  }
  return true;
}

void FreeItem(SelectionItem* item) {
  Selection_free(&item->selection);
  IdConditionFree(&item->cardId);
  for (StampCondition& stamp : item->stamps) {
    IdConditionFree(&stamp.time);
    MemFreeHeld(&stamp.signature);
    BlockTextFree(&stamp.signatureText);
  }
  BlockTextFree(&item->name);
  item->~SelectionItem();
  MemFree(item);
}

}  // namespace

SelectionItem* SubsetAppendItem(Subset* subset, const char* name) {
  void* memory = MemNew(sizeof(SelectionItem));
  if (!memory) return nullptr;
  auto* item = new (memory) SelectionItem;
  T_TextBuf unique(name);
  SubsetUniqueItemName(subset, &unique, nullptr);
  item->name = TextBufToBlock(&unique);
  if (!item->name) {
    MemFree(memory);
    return nullptr;
  }
  item->subset = subset;
  Selection_init(&item->selection, subset->database,
                 reinterpret_cast<T_GrafElement*>(subset->editor),
                 subset->listKind == kSubsetListOfDatabase ? nullptr : subset->list);
  IdConditionInit(&item->cardId);
  for (StampCondition& stamp : item->stamps) {
    IdConditionInit(&stamp.time);
    Criteria_Init(&stamp.signature);
    stamp.signatureText = nullptr;
  }
  if (!subset->firstItem) {
    subset->firstItem = item;
    item->previous = item;
    item->index = 0;
  } else {
    SelectionItem* last = subset->firstItem->previous;
    last->next = item;
    item->previous = last;
    subset->firstItem->previous = item;
    item->index = last->index + 1;
  }
  ++subset->itemCount;
  return item;
}

void SubsetRemoveItem(Subset* subset, SelectionItem* item) {
  // A formula naming the item is compiled again without it, so no token points at it.
  T_TextBuf formula;
  bool named = CombUsesItem(&subset->combination, item);
  if (named) CombPrint(&subset->combination, &formula, 0);

  if (subset->firstItem == item) {
    subset->firstItem = item->next;
    if (item->next) item->next->previous = item->previous;
  } else {
    item->previous->next = item->next;
    if (item->next) {
      item->next->previous = item->previous;
    } else {
      subset->firstItem->previous = item->previous;
    }
  }
  for (SelectionItem* later = item->next; later; later = later->next) --later->index;
  --subset->itemCount;
  FreeItem(item);
  if (named) CombCompileQuietly(&subset->combination, formula.data);
}

SelectionItem* SubsetItemAt(Subset* subset, int32_t index) {
  SelectionItem* item = subset->firstItem;
  for (int32_t i = 0; item && i < subset->itemCount; ++i, item = item->next) {
    if (i == index) return item;
  }
  return nullptr;
}

SelectionItem* SubsetFindItem(Subset* subset, const char* name) {
  SelectionItem* item = subset->firstItem;
  for (int32_t i = 0; item && i < subset->itemCount; ++i, item = item->next) {
    if (StrEqualNoCase(item->name, name)) return item;
  }
  return nullptr;
}

void SubsetUniqueItemName(Subset* subset, T_TextBuf* name, const SelectionItem* except) {
  MakeIdentifier(name, "A", kNameBlanks | kNameFirst);
  for (;;) {
    SelectionItem* same = SubsetFindItem(subset, name->data);
    if (!same || same == except) return;
    IncrementName(name);
  }
}

void SubsetSetEditor(Subset* subset, T_Window* editor) {
  subset->editor = editor;
  // The component finder of an item opens over the editor.
  SelectionItem* item = subset->firstItem;
  for (int32_t i = 0; item && i < subset->itemCount; ++i, item = item->next)
    item->selection.components.owner = reinterpret_cast<T_GrafElement*>(editor);
}

void ItemSetCardIdCondition(SelectionItem* item, T_TextBuf* text) {
  IdConditionCompile(&item->cardId, text, item->subset->database);
}

void ItemSetStampCondition(SelectionItem* item, int32_t stamp, T_TextBuf* time,
                           T_TextBuf* signature) {
  if (stamp < 0 || stamp >= kStampCount) return;
  StampCondition* condition = &item->stamps[stamp];
  IdConditionCompile(&condition->time, time, item->subset->database);
  Criteria_Compile(&condition->signature, signature, kCaseInsensitive, false);
  BlockTextAssignBuf(&condition->signatureText, signature);
  item->hasStampCondition = 0;
  for (const StampCondition& each : item->stamps) {
    if (StampConditionSet(&each)) item->hasStampCondition = 1;
  }
}

bool ItemCollectLines(SelectionItem* item, BitVector* lines) {
  if (!Selection_validate(&item->selection, nullptr)) return false;
  // Relative bounds in the conditions ("Month", "File") follow today and the cards.
  T_Base* base = item->subset->database;
  IdConditionRefresh(&item->cardId, base);
  item->hasStampCondition = 0;
  for (StampCondition& stamp : item->stamps) {
    IdConditionRefresh(&stamp.time, base);
    if (StampConditionSet(&stamp)) item->hasStampCondition = 1;
  }
  return Selection_collectLinesOfCards(&item->selection, lines, CardPasses, item);
}
