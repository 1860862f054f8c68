// The template copies of a window's subsets (tabled in stored_subsets.h): storing, restoring and
// the "s" records of a box template.
#include "database/stored_subsets.h"

#include <cstring>
#include <new>

#include "core/locale.h"
#include "core/input_stream.h"
#include "core/memory.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "database/component_selection.h"

namespace {

// The stamp letters in the order of the stamp conditions.
constexpr char kStampLetters[kStampCount + 1] = "cmepa";

StoredSelection* NewStoredSelection(T_Base* database) {
  void* memory = MemNew(sizeof(StoredSelection));
  if (!memory) return nullptr;
  auto* selection = new (memory) StoredSelection;
  SelectionDef_init(&selection->def, database);
  return selection;
}

void FreeStoredSelection(StoredSelection* selection) {
  SelectionDef_free(&selection->def);
  BlockTextFree(&selection->name);
  BlockTextFree(&selection->cardIdText);
  for (int32_t stamp = 0; stamp < kStampCount; ++stamp) {
    BlockTextFree(&selection->timeTexts[stamp]);
    BlockTextFree(&selection->signatureTexts[stamp]);
  }
  selection->~StoredSelection();
  MemFree(selection);
}

void FreeStoredSubset(StoredSubset* subset) {
  while (StoredSelection* selection = subset->first) {
    subset->first = selection->next;
    FreeStoredSelection(selection);
  }
  BlockTextFree(&subset->name);
  BlockTextFree(&subset->combinationText);
  BlockTextFree(&subset->notes);
  subset->~StoredSubset();
  MemFree(subset);
}

// Appended at the end of the list; null without memory.
StoredSubset* AppendStoredSubset(StoredSubsetList* list, const char* name) {
  void* memory = MemNew(sizeof(StoredSubset));
  if (!memory) return nullptr;
  auto* subset = new (memory) StoredSubset;
  if (name && *name && !BlockTextAssign(&subset->name, name)) {
    FreeStoredSubset(subset);
    return nullptr;
  }
  StoredSubset** link = &list->first;
  while (*link) link = &(*link)->next;
  *link = subset;
  return subset;
}

StoredSelection* AppendStoredSelection(StoredSubsetList* list, StoredSubset* subset,
                                       const char* name) {
  StoredSelection* selection = NewStoredSelection(list->database);
  if (!selection) return nullptr;
  if (name && *name && !BlockTextAssign(&selection->name, name)) {
    FreeStoredSelection(selection);
    return nullptr;
  }
  StoredSelection** link = &subset->first;
  while (*link) link = &(*link)->next;
  *link = selection;
  return selection;
}

bool CopySelectionTexts(StoredSelection* to, const char* cardId, char* const* times,
                        char* const* signatures) {
  bool ok = BlockTextAssign(&to->cardIdText, cardId);
  for (int32_t stamp = 0; stamp < kStampCount; ++stamp) {
    ok = BlockTextAssign(&to->timeTexts[stamp], times[stamp]) && ok;
    ok = BlockTextAssign(&to->signatureTexts[stamp], signatures[stamp]) && ok;
  }
  return ok;
}

bool StoreOne(StoredSubsetList* stored, Subset* subset) {
  StoredSubset* copy = AppendStoredSubset(stored, subset->name);
  if (!copy) return false;
  SelectionItem* item = subset->firstItem;
  for (int32_t i = 0; item && i < subset->itemCount; ++i, item = item->next) {
    StoredSelection* selection = AppendStoredSelection(stored, copy, item->name);
    if (!selection) return false;
    SelectionDef_fromSelection(&selection->def, &item->selection);
    char* times[kStampCount];
    char* signatures[kStampCount];
    for (int32_t stamp = 0; stamp < kStampCount; ++stamp) {
      times[stamp] = item->stamps[stamp].time.text;
      signatures[stamp] = item->stamps[stamp].signatureText;
    }
    if (!CopySelectionTexts(selection, item->cardId.text, times, signatures)) return false;
  }
  T_TextBuf formula;
  CombPrint(&subset->combination, &formula, 0);
  return BlockTextAssignBuf(&copy->combinationText, &formula) &&
         BlockTextAssign(&copy->notes, subset->notes);
}

// The subsets of the list that the combination names, and those they name in turn, marked.
void MarkNamed(SubsetList* live, Combination* combination, uint8_t* marks) {
  Subset* subset = live->first;
  for (int32_t i = 0; subset && i < live->count; ++i, subset = subset->next) {
    if (marks[i] || !CombUsesSubset(combination, subset)) continue;
    marks[i] = 1;
    MarkNamed(live, &subset->combination, marks);
  }
}

StoredSubset* FindStoredSubset(StoredSubsetList* list, const char* name) {
  for (StoredSubset* subset = list->first; subset; subset = subset->next) {
    if (StrEqualNoCase(subset->name, name)) return subset;
  }
  return nullptr;
}

void PutTwoTexts(T_OStream* stream, const char* key, const char* first, const char* second) {
  stream->PutText(key);
  stream->PutSeparator();
  stream->PutText(first);
  stream->PutSeparator();
  stream->PutText(second);
  stream->PutNewline();
}

}  // namespace

void StoredSubsetListInit(StoredSubsetList* list, T_Base* database) {
  *list = StoredSubsetList{};
  list->database = database;
}

void StoredSubsetListClear(StoredSubsetList* list) {
  while (StoredSubset* subset = list->first) {
    list->first = subset->next;
    FreeStoredSubset(subset);
  }
  list->current = nullptr;
  list->currentSelection = nullptr;
}

bool StoredSubsetListEmpty(const StoredSubsetList* list) { return list->first == nullptr; }

bool StoreSubsetList(StoredSubsetList* stored, SubsetList* live) {
  StoredSubsetListClear(stored);
  Subset* subset = live->first;
  for (int32_t i = 0; subset && i < live->count; ++i, subset = subset->next) {
    if (!StoreOne(stored, subset)) return false;
  }
  return true;
}

bool StoreUsedSubsets(StoredSubsetList* stored, SubsetList* live, Combination* object) {
  StoredSubsetListClear(stored);
  if (live->count <= 0) return true;
  auto* marks = static_cast<uint8_t*>(MemNew(live->count));
  if (!marks) return false;
  MemZero(marks, live->count);
  MarkNamed(live, object, marks);
  bool ok = true;
  Subset* subset = live->first;
  for (int32_t i = 0; ok && subset && i < live->count; ++i, subset = subset->next) {
    if (marks[i]) ok = StoreOne(stored, subset);
  }
  MemFree(marks);
  return ok;
}

bool CopyStoredSubsets(StoredSubsetList* to, const StoredSubsetList* from) {
  if (to == from) return true;
  StoredSubsetListClear(to);
  for (const StoredSubset* subset = from->first; subset; subset = subset->next) {
    StoredSubset* copy = AppendStoredSubset(to, subset->name);
    if (!copy) return false;
    for (const StoredSelection* selection = subset->first; selection; selection = selection->next) {
      StoredSelection* target = AppendStoredSelection(to, copy, selection->name);
      if (!target) return false;
      SelectionDef_copy(&target->def, &selection->def);
      if (!CopySelectionTexts(target, selection->cardIdText, selection->timeTexts,
                              selection->signatureTexts))
        return false;
    }
    if (!BlockTextAssign(&copy->combinationText, subset->combinationText) ||
        !BlockTextAssign(&copy->notes, subset->notes))
      return false;
  }
  return true;
}

bool RestoreSubsetList(SubsetList* live, const StoredSubsetList* stored) {
  for (const StoredSubset* copy = stored->first; copy; copy = copy->next) {
    Subset* subset = copy->name ? SubsetFind(live, copy->name) : nullptr;
    if (subset) {
      SubsetClearRecords(subset);
    } else {
      subset = SubsetCreate(live, copy->name);
      if (!subset) return false;
    }
    for (const StoredSelection* selection = copy->first; selection; selection = selection->next) {
      SelectionItem* item = SubsetAppendItem(subset, selection->name);
      if (!item) return false;
      Selection_setFromDef(&item->selection, &selection->def);
      T_TextBuf text(selection->cardIdText);
      ItemSetCardIdCondition(item, &text);
      for (int32_t stamp = 0; stamp < kStampCount; ++stamp) {
        T_TextBuf time(selection->timeTexts[stamp]);
        T_TextBuf signature(selection->signatureTexts[stamp]);
        ItemSetStampCondition(item, stamp, &time, &signature);
      }
    }
    CombSetPendingText(&subset->combination, copy->combinationText);
    if (!BlockTextAssign(&subset->notes, copy->notes)) return false;
  }
  return true;
}

void WriteStoredSubsets(const StoredSubsetList* list, T_OStream* stream) {
  for (const StoredSubset* subset = list->first; subset; subset = subset->next) {
    stream->PutKeyTextLine("sn", subset->name);
    for (const StoredSelection* selection = subset->first; selection; selection = selection->next) {
      stream->PutKeyTextLine("sN", selection->name);
      SelectionDef_writeKeys(&selection->def, stream, 's');
      stream->PutKeyTextLine("sk", selection->cardIdText);
      for (int32_t stamp = 0; stamp < kStampCount; ++stamp) {
        if (!selection->timeTexts[stamp] && !selection->signatureTexts[stamp]) continue;
        const char key[3] = {'s', kStampLetters[stamp], 0};
        PutTwoTexts(stream, key, selection->timeTexts[stamp], selection->signatureTexts[stamp]);
      }
    }
    stream->PutKeyTextLine("sf", subset->combinationText);
    if (subset->notes) {
      stream->PutText("sx");
      stream->PutSeparator();
      stream->PutLongText(subset->notes);
      stream->PutNewline();
    }
  }
}

bool ReadStoredSubsetRecord(StoredSubsetList* list, const char* key, T_IStream* stream) {
  if (key[0] != 's' || key[1] == 0) return false;
  T_TextBuf text;
  if (key[1] == 'n') {
    stream->ReadFieldBuf(&text);
    list->current = FindStoredSubset(list, text.data);
    if (!list->current) list->current = AppendStoredSubset(list, text.data);
    list->currentSelection = nullptr;
    return list->current != nullptr;
  }
  StoredSubset* subset = list->current;
  // Records before any "sn" start an unnamed subset, so that nothing read is lost.
  if (!subset) subset = list->current = AppendStoredSubset(list, nullptr);
  if (!subset) return false;
  switch (key[1]) {
    case 'N': {
      stream->ReadFieldBuf(&text);
      StoredSelection* found = subset->first;
      while (found && !StrEqualNoCase(found->name, text.data))
        found = found->next;
      list->currentSelection = found ? found : AppendStoredSelection(list, subset, text.data);
      return list->currentSelection != nullptr;
    }
    case '-': {
      StoredSelection* gone = list->currentSelection;
      list->currentSelection = nullptr;
      if (!gone) return true;
      StoredSelection** link = &subset->first;
      while (*link && *link != gone) link = &(*link)->next;
      if (*link) *link = gone->next;
      FreeStoredSelection(gone);
      return true;
    }
    case 'f':
      stream->ReadFieldBuf(&text);
      return BlockTextAssignBuf(&subset->combinationText, &text);
    case 'x':
      return stream->ReadLongText(&subset->notes);
    default:
      break;
  }
  StoredSelection* selection = list->currentSelection;
  if (!selection) selection = list->currentSelection = AppendStoredSelection(list, subset, nullptr);
  if (!selection) return false;
  if (key[1] == 'k') {
    stream->ReadFieldBuf(&text);
    return BlockTextAssignBuf(&selection->cardIdText, &text);
  }
  const char* letter = key[2] == 0 ? std::strchr(kStampLetters, key[1]) : nullptr;
  if (letter) {
    int32_t stamp = static_cast<int32_t>(letter - kStampLetters);
    T_TextBuf signature;
    stream->ReadFieldBuf(&text);
    stream->ReadFieldBuf(&signature);
    return BlockTextAssignBuf(&selection->timeTexts[stamp], &text) &&
           BlockTextAssignBuf(&selection->signatureTexts[stamp], &signature);
  }
  // Unknown keys are the definition's to ignore.
  SelectionDef_readKey(&selection->def, key, stream);
  return true;
}

void StoredSubsetsEndRead(StoredSubsetList* list) {
  list->current = nullptr;
  list->currentSelection = nullptr;
}

void StoredSubsetsMarkComponents(const StoredSubsetList* list, BitVector* components) {
  if (!list->first || !list->database) return;
  CardSelection scratch;
  Selection_init(&scratch, list->database, nullptr, nullptr);
  for (const StoredSubset* subset = list->first; subset; subset = subset->next) {
    for (const StoredSelection* selection = subset->first; selection; selection = selection->next) {
      CompSelCompileAll(&scratch.components, selection->def.componentTexts.texts);
      CompSelMarkReferenced(&scratch.components, components);
    }
  }
  Selection_free(&scratch);
}

int64_t StoredSubsetsMemSize(const StoredSubsetList* list) {
  int64_t bytes = 0;
  for (const StoredSubset* subset = list->first; subset; subset = subset->next) {
    bytes += MemAllocatedSize(subset) + MemAllocatedSize(subset->name) +
             MemAllocatedSize(subset->combinationText) + MemAllocatedSize(subset->notes);
    for (const StoredSelection* selection = subset->first; selection; selection = selection->next)
      bytes += MemAllocatedSize(selection) + SelectionDef_byteSize(&selection->def);
  }
  return bytes;
}
