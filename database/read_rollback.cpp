#include "database/read_rollback.h"

#include "core/alert.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/change_notes.h"
#include "database/component_tree.h"
#include "database/components.h"
#include "database/macros.h"
#include "database/stored_object_holders.h"
#include "database/subsets.h"
#include "database/template_tree.h"
#include "database/time_scale.h"
#include "ui/document_window.h"

namespace {

constexpr int32_t kChangeSaveSetupDeleted = kChangeSaveSetupRenamed + 3;
constexpr int32_t kChangeImportSetupDeleted = kChangeImportSetupRenamed + 3;
constexpr int32_t kChangeMacroDeleted = kChangeMacroRenamed + 3;

// Windows may still show an object the read added: they hear of it before it goes.
void NotifyDeleted(T_Base* base, int32_t code, void* object) {
  ChangeNote note;
  note.code = code;
  note.database = base;
  note.object = object;
  NotifyChange(base, &note);
}

void SendNote(T_Base* base, int32_t code, int32_t dimension, BitVector* set) {
  ChangeNote note;
  note.code = code;
  note.database = base;
  note.index = dimension;
  note.componentSet = set;
  NotifyChange(base, &note);
}

// The bits of the records not in use at the snapshot, with every record made since set.
bool InvertAndExtend(BitVector* set, int64_t poolCount) {
  const int64_t before = set->count;
  BitVecNot(set);
  return poolCount <= before || BitVecResizeFill(set, poolCount, true);
}

void RemoveCards(T_Base* base, BitVector* cards) {
  if (!InvertAndExtend(cards, base->cardPool.count)) return;
  BitVecSet(cards, 0, false);  // the sentinel
  if (DeleteMarkedCards(base, cards) > 0) base->cardChangePending = 1;
}

// Lines of the removed cards were the only ones that could name a new component, so the
// components go after the cards.
void RemoveComponents(T_Base* base, BitVector* components) {
  if (!InvertAndExtend(components, base->componentPool.count)) return;
  for (int32_t d = 0; d < kDimensionCount; ++d) {
    BitVecSet(components, d, false);
    const int64_t before = CountDimensionComponents(base, d);
    DeleteMarkedComponents(base, components, d);
    RebuildCodeIndex(base, d);
    RebuildHostIndex(base, d);
    if (CountDimensionComponents(base, d) == before) continue;
    base->dimensionChangePending[d] = 1;
    SendNote(base, kChangeComponentsDeleted, d, components);
  }
}

// Subsets the read added, once nothing names them: the templates the read added went before,
// and a subset the read added may name another one, so the walk goes round until none goes.
void RemoveUnmarkedSubsets(T_Base* base) {
  SubsetList* list = base->subsets;
  for (bool removed = true; removed && list != nullptr;) {
    removed = false;
    Subset* subset = list->first;
    for (int32_t i = 0; subset != nullptr && i < list->count; ++i, subset = subset->next) {
      if (subset->mark || SubsetInUse(subset)) continue;
      SubsetDestroy(subset);
      removed = true;  // the list changed under the walk: start again
      break;
    }
  }
}

void RemoveStoredObjects(T_Base* base, const ReadSnapshot* snapshot) {
  for (SaveSetup* setup = base->saveSetups; setup != nullptr;) {
    SaveSetup* next = setup->next;
    if (!setup->mark) {
      NotifyDeleted(base, kChangeSaveSetupDeleted, setup);
      SaveSetupFree(setup);
    }
    setup = next;
  }
  for (ImportSetup* setup = base->importSetups; setup != nullptr;) {
    ImportSetup* next = setup->next;
    if (!setup->mark) {
      NotifyDeleted(base, kChangeImportSetupDeleted, setup);
      ImportSetupFree(setup);
    }
    setup = next;
  }
  // TimeScaleFree sends its own note.
  TimeScale** link = snapshot->lastTimeScale ? &snapshot->lastTimeScale->next : &base->timeScales;
  while (*link != nullptr) TimeScaleFree(*link);
  for (bool removed = true; removed && base->macros != nullptr;) {
    removed = false;
    Macro* macro = base->macros;
    for (int64_t i = 0; i < base->macroCount; ++i, macro = macro->next) {
      if (macro->mark) continue;
      NotifyDeleted(base, kChangeMacroDeleted, macro);
      MacroFree(macro);
      removed = true;  // the ring changed under the walk: start again
      break;
    }
  }
  DeleteUnmarkedTemplates(base);
  RemoveUnmarkedSubsets(base);
}

}  // namespace

bool TakeReadSnapshot(T_Base* base, ReadSnapshot* snapshot) {
  BitVecInit(&snapshot->components, base->componentPool.count, 0);
  BitVecInit(&snapshot->cards, base->cardPool.count, 0);
  if (snapshot->components.count != base->componentPool.count ||
      snapshot->cards.count != base->cardPool.count) {
    FreeReadSnapshot(snapshot);
    return false;
  }
  BitVecFill(&snapshot->components, false);
  BitVecFill(&snapshot->cards, false);
  for (int32_t d = 0; d < kDimensionCount; ++d) {
    ComponentRecord* root = ComponentAt(base, d);
    BitVecSet(&snapshot->components, d, true);
    for (ComponentRecord* c = CompTreeNext(root); c != root; c = CompTreeNext(c))
      BitVecSet(&snapshot->components, c->number, true);
  }
  CardRecord* sentinel = base->sentinelCard;
  BitVecSet(&snapshot->cards, 0, true);
  for (CardRecord* card = sentinel->next; card != sentinel; card = card->next)
    BitVecSet(&snapshot->cards, card->number, true);

  snapshot->lastTimeScale = base->timeScales;
  while (snapshot->lastTimeScale != nullptr && snapshot->lastTimeScale->next != nullptr)
    snapshot->lastTimeScale = snapshot->lastTimeScale->next;
  for (SaveSetup* setup = base->saveSetups; setup != nullptr; setup = setup->next) setup->mark = 1;
  for (ImportSetup* setup = base->importSetups; setup != nullptr; setup = setup->next)
    setup->mark = 1;
  Macro* macro = base->macros;
  for (int64_t i = 0; i < base->macroCount; ++i, macro = macro->next) macro->mark = 1;
  if (SubsetList* list = base->subsets) {
    Subset* subset = list->first;
    for (int32_t i = 0; subset != nullptr && i < list->count; ++i, subset = subset->next)
      subset->mark = 1;
  }
  MarkTemplatesExisting(base);
  return true;
}

void RollBackRead(T_Base* base, ReadSnapshot* snapshot) {
  // The removal loops stop at the abort flag, which the failed read left raised.
  PendingErrorSaved failure;
  PendingErrorSave(&failure);
  // The removals let messages through: the windows of the database hold their paints until the
  // notes have gone out.
  DatabasePaintHold hold(base);
  RemoveCards(base, &snapshot->cards);
  RemoveComponents(base, &snapshot->components);
  RemoveStoredObjects(base, snapshot);
  for (int32_t d = 0; d < kDimensionCount; ++d) {
    if (base->dimensionChangePending[d]) SendNote(base, kChangeComponentsRebuilt, d, nullptr);
  }
  if (base->cardChangePending) base->NotifyCode(kChangeCards);
  // A failure of the rollback itself (memory) is dropped: the read's failure is what to report.
  PendingErrorRestore(&failure);
}

void FreeReadSnapshot(ReadSnapshot* snapshot) {
  BitVecFree(&snapshot->components);
  BitVecFree(&snapshot->cards);
}
