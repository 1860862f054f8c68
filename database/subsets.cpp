#include "database/subsets.h"

#include <new>

#include "core/alert.h"
#include "core/cstring.h"
#include "core/locale.h"
#include "core/memory.h"
#include "core/owned_text.h"
#include "core/threads.h"
#include "core/value_format.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "database/link_rename.h"
#include "ui/database_services.h"
#include "ui/text_style.h"

namespace {

constexpr int32_t kAskDelete = 3208;  // "Are you sure you want to delete\n"@0"?"
constexpr int32_t kMsgInUse = 4705;   // "Subset "@0" is in use and cannot be erased."
constexpr int32_t kButtonDelete = 718;
constexpr int32_t kItemMemory = 1000;

SubsetEditorServices editorServices{};
// Every subset list of the open databases, newest first.
SubsetList* allLists = nullptr;

void Notify(Subset* subset, int32_t code, const char* oldName) {
  if (!subset->database) return;
  ChangeNote note;
  note.code = code;
  note.database = subset->database;
  note.object = subset;
  note.oldName = oldName;
  NotifyChange(subset->database, &note);
}

// In name order, letter case ignored; a subset after the subsets of the same name.
void Link(SubsetList* list, Subset* subset) {
  Subset* after = nullptr;
  for (Subset* s = list->first; s && StrCompareNoCase(s->name, subset->name) <= 0; s = s->next)
    after = s;
  if (!after) {
    subset->next = list->first;
    subset->previous = list->first ? list->first->previous : subset;
    if (list->first) list->first->previous = subset;
    list->first = subset;
  } else {
    subset->next = after->next;
    subset->previous = after;
    if (after->next) {
      after->next->previous = subset;
    } else {
      list->first->previous = subset;
    }
    after->next = subset;
  }
  ++list->count;
}

void Unlink(SubsetList* list, Subset* subset) {
  if (list->first == subset) {
    list->first = subset->next;
    if (subset->next) subset->next->previous = subset->previous;
  } else {
    subset->previous->next = subset->next;
    if (subset->next) {
      subset->next->previous = subset->previous;
    } else {
      list->first->previous = subset->previous;
    }
  }
  subset->next = nullptr;
  subset->previous = nullptr;
  --list->count;
}

// The part of destroying that every way of going shares: items, texts, sets, the command.
void FreeSubset(Subset* subset) {
  if (subset->pendingDelete) {
    subset->pendingDelete->subset = nullptr;
    subset->pendingDelete = nullptr;
  }
  // The formula first, so removing the items has no token left to rewrite.
  CombFree(&subset->combination);
  while (subset->firstItem) SubsetRemoveItem(subset, subset->firstItem);
  BlockTextFree(&subset->name);
  BlockTextFree(&subset->notes);
  subset->~Subset();
  MemFree(subset);
}

bool IsOwnItemSelection(const Subset* subset, const CardSelection* selection) {
  const SelectionItem* item = subset->firstItem;
  for (int32_t i = 0; item && i < subset->itemCount; ++i, item = item->next) {
    if (&item->selection == selection) return true;
  }
  return false;
}

bool HasLineSets(const Subset* subset) {
  if (subset->combination.lines.words) return true;
  const SelectionItem* item = subset->firstItem;
  for (int32_t i = 0; item && i < subset->itemCount; ++i, item = item->next) {
    if (item->selection.subset.lines.words) return true;
  }
  return false;
}

void ShowInUse(Subset* subset) {
  AlertRequest request;
  AlertInit(&request);
  request.message = kMsgInUse;
  request.owner = subset->editor;
  AlertAddText(&request, subset->name);
  AlertAddButton(&request, kButtonCancel);
  ShowAlert(&request);
}

}  // namespace

void SetSubsetEditorServices(const SubsetEditorServices* services) {
  editorServices = services ? *services : SubsetEditorServices{};
}

void SubsetOpenEditor(Subset* subset, int32_t flags) {
  if (subset && editorServices.openEditor) editorServices.openEditor(subset, flags);
}

bool SubsetEditorPosition(Subset* subset, int32_t* x, int32_t* y) {
  return subset->editor && editorServices.editorPosition &&
         editorServices.editorPosition(subset, x, y);
}

// --- Lists ---------------------------------------------------------------------------------------

void SubsetListInit(SubsetList* list, T_Base* database, int32_t kind) {
  list->database = database;
  list->first = nullptr;
  list->count = 0;
  list->kind = kind;
  list->nextOfDatabase = allLists;
  allLists = list;
}

void SubsetListFree(SubsetList* list) {
  // The list goes with its owner: nobody is left to be told, and no formula outside it may
  // name its subsets, so they go without notes.
  while (Subset* subset = list->first) {
    if (subset->editor && editorServices.closeEditor) editorServices.closeEditor(subset);
    Unlink(list, subset);
    FreeSubset(subset);
  }
  for (SubsetList** link = &allLists; *link; link = &(*link)->nextOfDatabase) {
    if (*link == list) {
      *link = list->nextOfDatabase;
      break;
    }
  }
  list->nextOfDatabase = nullptr;
}

namespace {

// Relative dates in card-id and stamp conditions move with the day, the cards (a "File" bound),
// the reference date and the time scales.
bool MovesRelativeDates(int32_t code) {
  return code == kChangeRefresh || code == kChangeCardSaved || code == kChangeCards ||
         code == kChangeReferenceDate || code == kChangeTimeScaleChanged;
}

// Compiles every condition text of the items again; true when there was one.
bool RefreshConditions(Subset* subset) {
  bool any = false;
  SelectionItem* item = subset->firstItem;
  for (int32_t i = 0; item && i < subset->itemCount; ++i, item = item->next) {
    if (item->cardId.text) {
      IdConditionRefresh(&item->cardId, subset->database);
      any = true;
    }
    for (StampCondition& stamp : item->stamps) {
      if (!stamp.time.text) continue;
      IdConditionRefresh(&stamp.time, subset->database);
      any = true;
    }
  }
  return any;
}

}  // namespace

// --- Subsets -------------------------------------------------------------------------------------

void SubsetValidName(SubsetList* list, T_TextBuf* name) {
  // "G" as in global for the database's own subsets, "S" for a window's.
  MakeIdentifier(name, list->kind == kSubsetListOfWindow ? "S1" : "G1", kNameBlanks | kNameFirst);
}

void SubsetUniqueName(SubsetList* list, T_TextBuf* name, const Subset* except) {
  SubsetValidName(list, name);
  for (;;) {
    Subset* same = SubsetFind(list, name->data);
    if (!same || same == except) return;
    IncrementName(name);
  }
}

Subset* SubsetFind(SubsetList* list, const char* name) {
  T_TextBuf trimmed(name);
  TextBufTrim(&trimmed, ' ');
  Subset* subset = list->first;
  for (int32_t i = 0; subset && i < list->count; ++i, subset = subset->next) {
    if (StrEqualNoCase(subset->name, trimmed.data)) return subset;
  }
  return nullptr;
}

Subset* SubsetCreate(SubsetList* list, const char* name) {
  void* memory = MemNew(sizeof(Subset));
  if (!memory) return nullptr;
  auto* subset = new (memory) Subset;
  T_Base* base = list->database;
  // A window's subsets may name each other and the database's; a database subset names only
  // its own items, so that the database's subsets never depend on one another.
  bool ofWindow = list->kind == kSubsetListOfWindow;
  CombInit(&subset->combination, base, ofWindow ? (base ? base->subsets : list) : nullptr,
           ofWindow ? list : nullptr, subset);
  subset->database = base;
  subset->list = list;
  subset->listKind = list->kind;
  T_TextBuf unique(name);
  SubsetUniqueName(list, &unique, nullptr);
  subset->name = TextBufToBlock(&unique);
  if (!subset->name) {
    FreeSubset(subset);
    return nullptr;
  }
  subset->lastCheck = TickCount();
  Link(list, subset);
  Notify(subset, kChangeSubsetAdded, nullptr);
  return subset;
}

void SubsetDestroy(Subset* subset) {
  if (subset->editor && editorServices.closeEditor) editorServices.closeEditor(subset);
  subset->editor = nullptr;
  SubsetList* list = subset->list;
  Unlink(list, subset);
  Notify(subset, kChangeSubsetRemoved, nullptr);
  // The dispatch reaches the database's own list; a window's list hears of it here, so no
  // formula of its keeps pointing at the subset.
  if (!subset->database || list != subset->database->subsets) {
    ChangeNote note;
    note.code = kChangeSubsetRemoved;
    note.database = subset->database;
    note.object = subset;
    SubsetListOnChange(list, &note);
  }
  FreeSubset(subset);
}

bool SubsetRename(Subset* subset, const char* name) {
  T_TextBuf unique(name);
  SubsetUniqueName(subset->list, &unique, subset);
  if (StrEqual(unique.data, subset->name) || CombIsScopeWord(unique.data)) return false;
  char* renamed = TextBufToBlock(&unique);
  if (!renamed) return false;
  char* old = subset->name;
  Unlink(subset->list, subset);
  subset->name = renamed;
  Link(subset->list, subset);
  Notify(subset, kChangeSubset, old);
  BlockTextFree(&old);
  return true;
}

Subset* FindLiveSubset(const void* address) {
  if (!address) return nullptr;
  for (SubsetList* list = allLists; list; list = list->nextOfDatabase) {
    Subset* subset = list->first;
    for (int32_t i = 0; subset && i < list->count; ++i, subset = subset->next) {
      if (subset == address) return subset;
    }
  }
  return nullptr;
}

bool SubsetIsStored(const void* address) {
  Subset* subset = FindLiveSubset(address);
  return !subset || subset->listKind == kSubsetListOfDatabase;
}

// --- Use and deletion ----------------------------------------------------------------------------

bool SubsetInUse(Subset* subset) {
  T_Base* base = subset->database;
  if (!base) return false;
  for (CardSelection* s = base->selections; s; s = s->nextRegistered) {
    if (!IsOwnItemSelection(subset, s) && CombUsesSubset(&s->subset, subset)) return true;
  }
  for (SelectionDef* def = base->selectionDefs; def; def = def->nextRegistered) {
    if (CombTextNames(def->subsetText, subset->name)) return true;
  }
  for (SubsetList* list = allLists; list; list = list->nextOfDatabase) {
    if (list->database != base) continue;
    Subset* other = list->first;
    for (int32_t i = 0; other && i < list->count; ++i, other = other->next) {
      if (other != subset && CombUsesSubset(&other->combination, subset)) return true;
    }
  }
  return false;
}

bool SubsetAskDelete(Subset* subset) {
  if (subset->pendingDelete) return true;
  if (SubsetInUse(subset)) {
    ShowInUse(subset);
    return false;
  }
  AlertRequest request;
  AlertInit(&request);
  request.message = kAskDelete;
  request.owner = subset->editor;
  AlertAddText(&request, subset->name);
  AlertAddButton(&request, kButtonDelete);
  AlertAddButton(&request, kButtonCancel);
  request.defaultAnswer = 1;
  if (ShowAlert(&request) != 0) return false;
  return PostDeleteSubsetCom(subset);
}

bool PostDeleteSubsetCom(Subset* subset) {
  if (subset->pendingDelete) return true;
  T_Application* application = App();
  if (!application) return false;
  application->PostAction(new T_DeleteSubsetCom(subset));
  return true;
}

T_DeleteSubsetCom::T_DeleteSubsetCom(Subset* target) : subset(target) {
  subset->pendingDelete = this;
}

T_DeleteSubsetCom::~T_DeleteSubsetCom() {
  if (subset) subset->pendingDelete = nullptr;
}

void T_DeleteSubsetCom::Execute() {
  Subset* target = subset;
  if (!target) return;
  subset = nullptr;
  target->pendingDelete = nullptr;
  // What came to name it since the question keeps it.
  if (SubsetInUse(target)) {
    ShowInUse(target);
    return;
  }
  SubsetDestroy(target);
}

// --- Upkeep --------------------------------------------------------------------------------------

void SubsetMarkChanged(Subset* subset) {
  subset->combination.calculated = 0;
  if (!subset->editor) {
    Notify(subset, kChangeSubsetCalculated, nullptr);
  } else if (editorServices.subsetChanged) {
    editorServices.subsetChanged(subset);
  }
}

void SubsetListReleaseIdle(SubsetList* list) {
  uint64_t now = TickCount();
  Subset* subset = list->first;
  for (int32_t i = 0; subset && i < list->count; ++i, subset = subset->next) {
    if (!HasLineSets(subset)) continue;
    if (subset->editor || SubsetInUse(subset)) {
      subset->lastCheck = now;
      continue;
    }
    if (now - subset->lastCheck <= kSubsetIdleRelease) continue;
    CombFreeLines(&subset->combination);
    SelectionItem* item = subset->firstItem;
    for (int32_t k = 0; item && k < subset->itemCount; ++k, item = item->next)
      CombFreeLines(&item->selection.subset);
  }
}

void SubsetListOnChange(SubsetList* list, const ChangeNote* note) {
  Subset* subset = list->first;
  bool renamed = false;
  for (int32_t i = 0; subset && i < list->count; ++i, subset = subset->next) {
    CombOnChange(&subset->combination, note);
    if (MovesRelativeDates(note->code) && RefreshConditions(subset)) {
      subset->combination.calculated = 0;
      if (subset->editor && editorServices.subsetChanged) editorServices.subsetChanged(subset);
    }
    // Code 63: the notes may hold links that follow a rename.
    if (note->code == kChangeLinks && note->rename && RewriteLinks(note->rename, &subset->notes))
      renamed = true;
  }
  if (renamed && list->kind == kSubsetListOfDatabase && list->database)
    list->database->SetModified(true);
}

void SubsetMarkReferenced(Subset* subset, BitVector* set) {
  SelectionItem* item = subset->firstItem;
  for (int32_t i = 0; item && i < subset->itemCount; ++i, item = item->next)
    CompSelMarkReferenced(&item->selection.components, set);
}

int64_t SubsetMemSize(const Subset* subset) {
  return static_cast<int64_t>(sizeof(Subset)) + int64_t{kItemMemory} * subset->itemCount;
}

int64_t SubsetListMemSize(const SubsetList* list) {
  int64_t bytes = 0;
  const Subset* subset = list->first;
  for (int32_t i = 0; subset && i < list->count; ++i, subset = subset->next)
    bytes += SubsetMemSize(subset);
  return bytes;
}

// --- The editor's layout -------------------------------------------------------------------------

SubsetEditorLayout SubsetEditorMeasure(T_Base* base, int32_t fieldColumn, int32_t rows) {
  static constexpr int32_t kFields[] = {
      3101, kPatternCardTitle, kPatternLineText, 3506, 3135, 3502, 3503, 3504, 3505};
  int32_t widest = 0;
  T_TextBuf label;
  auto measure = [&](int32_t field) {
    Database_FieldName(base, &label, field);
    int32_t width = TextWidthBuf(&label);
    if (width > widest) widest = width;
  };
  for (int32_t field : kFields) measure(field);
  for (int32_t column = 0; column < base->valueCount; ++column) measure(kFieldValueFirst + column);
  SubsetEditorLayout layout;
  layout.labelWidth = widest + 5;
  layout.width = layout.labelWidth + fieldColumn + 307;
  int32_t height = 17 * base->lineSlots + 86;
  if (height < 282) height = 282;
  if (17 * rows + 265 > height) height = 17 * rows + 265;
  layout.height = height + 82;
  return layout;
}
