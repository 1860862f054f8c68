#include "database/macros.h"

#include <new>

#include "core/alert.h"
#include "core/array_record.h"
#include "core/cstring.h"
#include "core/hash_index.h"
#include "core/input_stream.h"
#include "core/locale.h"
#include "core/memory.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "core/parallel_sort.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "database/link_rename.h"
#include "database/operation_log.h"
#include "database/stored_object_holders.h"

namespace {

constexpr int32_t kChangeMacroChanged = kChangeMacroRenamed + 1;
constexpr int32_t kChangeMacroAdded = kChangeMacroRenamed + 2;
constexpr int32_t kChangeMacroDeleted = kChangeMacroRenamed + 3;
constexpr int32_t kErrorMacroRecursive = 7106;  // Macro "@0" called recursively.
constexpr int32_t kMacroKeyKind = 0;            // names ignore letter case
constexpr int64_t kMacroBaseSize = 48;

void Notify(T_Base* base, int32_t code, Macro* macro, const char* oldName) {
  ChangeNote note;
  note.code = code;
  note.database = base;
  note.object = macro;
  note.oldName = oldName;
  NotifyChange(base, &note);
}

const char* MacroKey(const void* record) { return MacroNameKey(static_cast<const Macro*>(record)); }

void DropMacroIndex(T_Base* base) {
  if (base->macroIndex == nullptr) return;
  HashIndexFree(base->macroIndex);
  delete base->macroIndex;
  base->macroIndex = nullptr;
}

bool BuildMacroIndex(T_Base* base) {
  auto* index = new (std::nothrow) HashIndex;
  if (index == nullptr) return false;
  if (!HashIndexInit(index, base->macroCount, 0, MacroKey, kMacroKeyKind)) {
    delete index;
    return false;
  }
  base->macroIndex = index;
  Macro* macro = base->macros;
  for (int64_t i = 0; i < base->macroCount; ++i, macro = macro->next) HashIndexInsert(index, macro);
  return true;
}

void LinkIntoRing(T_Base* base, Macro* macro) {
  if (base->macros == nullptr) {
    macro->next = macro->previous = macro;
  } else {
    Macro* first = base->macros;
    macro->next = first;
    macro->previous = first->previous;
    first->previous->next = macro;
    first->previous = macro;
  }
  base->macros = macro;
  ++base->macroCount;
  base->macrosSorted = 0;
  if (base->macroIndex != nullptr) {
    // An index past its fill limit finds too slowly: the next lookup builds a larger one.
    if (base->macroCount > base->macroIndex->fillLimit)
      DropMacroIndex(base);
    else
      HashIndexInsert(base->macroIndex, macro);
  }
}

void UnlinkFromRing(Macro* macro) {
  T_Base* base = macro->database;
  if (base == nullptr || macro->next == nullptr) return;
  DropMacroIndex(base);
  if (macro->next == macro) {
    base->macros = nullptr;
  } else {
    macro->previous->next = macro->next;
    macro->next->previous = macro->previous;
    if (base->macros == macro) base->macros = macro->next;
  }
  macro->next = macro->previous = nullptr;
  --base->macroCount;
}

int32_t CompareMacroNames(void* context, int64_t a, int64_t b) {
  void** macros = ArrayPointers(static_cast<ArrayRecord*>(context));
  return StrCompareNoCaseNullLast(static_cast<Macro*>(macros[a])->name,
                                  static_cast<Macro*>(macros[b])->name);
}

// Deletes (with note 57) every macro the test picks. The picks are taken first: a deletion
// changes the ring under the walk.
template <typename Test>
void DeleteMacrosWhere(T_Base* base, Test picks) {
  ArrayRecord doomed;
  ArrayInit(&doomed, base->macroCount, 0);
  if (base->macroCount > 0 && doomed.data == nullptr) return;  // the pending error tells why
  void** slots = ArrayPointers(&doomed);
  int64_t n = 0;
  Macro* macro = base->macros;
  for (int64_t i = 0; i < base->macroCount; ++i, macro = macro->next) {
    if (picks(macro)) slots[n++] = macro;
  }
  for (int64_t i = 0; i < n; ++i) MacroDelete(static_cast<Macro*>(slots[i]));
  ArrayFree(&doomed);
}

void PutFlag(T_OStream* stream, char key, bool on) {
  char line[2] = {key, on ? '+' : '-'};
  stream->PutBytes(line, 2);
  stream->PutNewline();
}

}  // namespace

Macro::Macro(T_Base* base, const char* name) : database(base) {
  BlockTextAssign(&this->name, name);
  LinkIntoRing(base, this);
  Notify(base, kChangeMacroAdded, this, nullptr);
}

Macro::~Macro() {
  if (database != nullptr && next != nullptr) {
    Notify(database, kChangeMacroDeleted, this, nullptr);
    UnlinkFromRing(this);
  }
  BlockTextFree(&name);
  BlockTextFree(&text);
}

void Macro::SetName(const char* newName) {
  char* oldName = name;
  name = nullptr;
  BlockTextAssign(&name, newName);
  T_Base* base = database;
  if (next != nullptr) {
    // The index holds the macro under its old key, and the ring's order may be gone.
    DropMacroIndex(base);
    base->macrosSorted = 0;
  }
  RenameMacroLinks(base, oldName, name);
  Notify(base, kChangeMacroRenamed, this, oldName);
  BlockTextFree(&oldName);
}

void Macro::SetText(const char* newText) {
  BlockTextFree(&text);
  if (newText != nullptr && *newText != 0) BlockTextAssign(&text, newText);
}

Macro* MacroCreate(T_Base* base, const char* name) {
  auto* macro = new (std::nothrow) Macro(base, name);
  if (macro == nullptr) PendingErrorOutOfMemory();
  return macro;
}

Macro* T_Base::FindMacro(const char* wanted) {
  T_TextBuf key(wanted);
  TextBufSetLength(&key, StrRemoveControls(key.data));
  TextBufTrim(&key, ' ');
  if (key.empty() || macros == nullptr) return nullptr;
  if (macroIndex == nullptr) {
    // Without memory for the index the ring answers as well, only slower: that is no failure.
    PendingErrorSaved saved;
    PendingErrorSave(&saved);
    bool built = BuildMacroIndex(this);
    PendingErrorRestore(&saved);
    if (!built) {
      Macro* macro = macros;
      for (int64_t i = 0; i < macroCount; ++i, macro = macro->next) {
        if (StrEqualNoCase(macro->name, key.c_str())) return macro;
      }
      return nullptr;
    }
  }
  return static_cast<Macro*>(HashIndexFind(macroIndex, key.c_str()));
}

const char* MacroNameKey(const Macro* macro) { return macro->name != nullptr ? macro->name : ""; }

void ReadMacro(Macro* macro, T_IStream* stream) {
  macro->flagLines = 0;
  while (!AbortRequested() && stream->NextLine()) {
    if (IsSectionHeaderLine(stream)) break;
    if (!stream->NextField()) continue;
    const char* key = stream->Field();
    int32_t length = stream->FieldLength();
    if (length > 1 && (*key == 'A' || *key == 'S' || *key == 'P')) {
      uint8_t* flag = *key == 'A'   ? &macro->inExecuteMenu
                      : *key == 'S' ? &macro->runAtOpen
                                    : &macro->passwordRequired;
      macro->flagLines |= *key == 'A' ? kMacroLineA : *key == 'S' ? kMacroLineS : kMacroLineP;
      SetFlagFromSign(flag, key[1]);
    } else if (length == 1 && *key == 'M') {
      // A damaged text reads as far as it goes; its pieces are not lines of their own.
      BlockTextFree(&macro->text);
      stream->ReadLongText(&macro->text);
      if (macro->text != nullptr && *macro->text == 0) BlockTextFree(&macro->text);
      macro->flagLines |= kMacroLineText;
    }
  }
  Notify(macro->database, kChangeMacroChanged, macro, nullptr);
}

void WriteMacroRecord(const Macro* macro, T_OStream* stream) {
  stream->PutText("##Macro");
  stream->PutSeparator();
  stream->PutBlockText(macro->name);
  stream->PutNewline();
  if (macro->text != nullptr || (macro->flagLines & kMacroLineText)) {
    stream->PutText("M");
    stream->PutSeparator();
    stream->PutLongText(macro->text != nullptr ? macro->text : "");
    // Not PutNewline, which drops a trailing separator: an empty text keeps its field.
    stream->PutBytes(stream->newline, stream->newlineLength);
  }
  if (macro->inExecuteMenu || (macro->flagLines & kMacroLineA))
    PutFlag(stream, 'A', macro->inExecuteMenu);
  // A macro saved by its own run (a start macro that saves) would run again at every opening.
  bool runAtOpen = macro->runAtOpen && !macro->running;
  if (macro->runAtOpen || (macro->flagLines & kMacroLineS)) PutFlag(stream, 'S', runAtOpen);
  if (macro->passwordRequired || (macro->flagLines & kMacroLineP))
    PutFlag(stream, 'P', macro->passwordRequired);
  stream->PutNewline();
}

void SortMacros(T_Base* base) {
  if (base->macrosSorted) return;
  if (base->macroCount < 2) {
    base->macrosSorted = 1;
    return;
  }
  ArrayRecord order;
  ArrayInit(&order, base->macroCount, 0);
  if (order.data == nullptr) return;  // stays unsorted; the pending error tells why
  void** macros = ArrayPointers(&order);
  Macro* macro = base->macros;
  for (int64_t i = 0; i < order.count; ++i, macro = macro->next) macros[i] = macro;
  ParallelSortContext sort;
  ParallelSortInit(&sort);
  sort.compare = CompareMacroNames;
  sort.compareContext = &order;
  sort.swap = ArraySwap;
  sort.swapContext = &order;
  ParallelSortCount(&sort, order.count);
  for (int64_t i = 0; i < order.count; ++i) {
    auto* current = static_cast<Macro*>(macros[i]);
    current->next = static_cast<Macro*>(macros[(i + 1) % order.count]);
    current->previous = static_cast<Macro*>(macros[(i + order.count - 1) % order.count]);
  }
  base->macros = static_cast<Macro*>(macros[0]);
  base->macrosSorted = 1;
  ArrayFree(&order);
}

void RunMacro(Macro* macro) {
  if (macro->running) {
    if (PendingErrorSet(kErrorMacroRecursive))
      AlertAddBlockText(&PendingError.request, macro->name);
    return;
  }
  if (macro->text == nullptr) return;
  T_Base* base = macro->database;
  LogOperation(base, "macro", macro->name, kLogVerbExecuting | kLogStepIndent);
  macro->running = 1;
  base->RunCommandText(macro->text, macro->name);
  macro->running = 0;
  LogOperation(base, "macro", macro->name, kLogVerbCompleted | kLogStepOutdent);
  // Deleted by its own run: it left the ring then, and goes now that nothing runs it.
  if (macro->doomed) delete macro;
}

void MacroCommandText(const Macro* macro, T_TextBuf* text) { TextBufAssign(text, macro->text); }

int64_t MacroMemorySize(const Macro* macro) {
  return MemAllocatedSize(macro->text) + kMacroBaseSize;
}

void MacroFree(Macro* macro) {
  if (macro == nullptr) return;
  UnlinkFromRing(macro);
  if (macro->running) {
    macro->doomed = 1;
    return;
  }
  delete macro;
}

void MacroDelete(Macro* macro) {
  if (macro->database != nullptr && macro->next != nullptr)
    Notify(macro->database, kChangeMacroDeleted, macro, nullptr);
  MacroFree(macro);
}

void DeleteMacrosMatching(T_Base* base, const char* pattern) {
  NamePatternFilter filter(pattern);
  DeleteMacrosWhere(base, [&filter](const Macro* macro) { return filter.Passes(macro->name); });
}

void DeleteUnmarkedMacros(T_Base* base) {
  DeleteMacrosWhere(base, [](const Macro* macro) { return macro->mark == 0; });
}

void MarkMacrosExisting(T_Base* base) {
  Macro* macro = base->macros;
  for (int64_t i = 0; i < base->macroCount; ++i, macro = macro->next) macro->mark = 1;
}

void FreeMacros(T_Base* base) {
  while (base->macros != nullptr) MacroFree(base->macros);
  DropMacroIndex(base);
}

int64_t MacrosMemorySize(const T_Base* base) {
  int64_t size = 0;
  const Macro* macro = base->macros;
  for (int64_t i = 0; i < base->macroCount; ++i, macro = macro->next)
    size += MacroMemorySize(macro) + MemAllocatedSize(macro->name);
  if (base->macroIndex != nullptr) size += HashIndexMemSize(base->macroIndex);
  return size;
}
