#include "database/components.h"

#include <algorithm>
#include <new>

#include "core/alert.h"
#include "core/cstring.h"
#include "core/hash_index.h"
#include "core/locale.h"
#include "core/memory.h"
#include "core/message_pump.h"
#include "core/owned_text.h"
#include "core/text_buffer.h"
#include "database/change_notes.h"
#include "database/component_lookup.h"
#include "database/component_tree.h"
#include "database/link_rename.h"
#include "database/model_links.h"
#include "database/operation_log.h"
#include "database/read_prompt.h"

namespace {

constexpr int32_t kMsgHostCodeClash = 3314;  // Host code "@0" in dimension @1 already defined.

void SendDimensionNote(T_Base* base, int32_t code, int32_t dimension, uint8_t flag = 0) {
  ChangeNote note;
  note.code = code;
  note.database = base;
  note.index = dimension;
  note.flag = flag;
  NotifyChange(base, &note);
}

// --- Records -------------------------------------------------------------------------------------

void ClearRecord(ComponentRecord* component, int64_t number) {
  BlockTextFree(&component->code);
  BlockTextFree(&component->text);
  BlockTextFree(&component->hostCode);
  *component = ComponentRecord{};
  component->number = number;
  component->prevSibling = component;
}

void PushFree(T_Base* base, ComponentRecord* component) {
  ClearRecord(component, component->number);
  component->nextSibling = base->componentFreeList;
  base->componentFreeList = component;
}

// --- Indexes -------------------------------------------------------------------------------------

const char* CodeKey(const void* record) {
  return static_cast<const ComponentRecord*>(record)->code;
}
const char* HostKey(const void* record) {
  return static_cast<const ComponentRecord*>(record)->hostCode;
}

// One of the two indexes of a dimension, with what keeps it.
struct IndexSide {
  HashIndex** index;
  int64_t* size;
  HashKeyFunction key;
  int32_t rule;
};

IndexSide SideOf(DimensionRecord* dimension, bool host) {
  if (host) return {&dimension->hostIndex, &dimension->hostIndexSize, HostKey, dimension->hostCase};
  return {&dimension->codeIndex, &dimension->codeIndexSize, CodeKey, dimension->codeCase};
}

void DropIndex(HashIndex** index) {
  if (!*index) return;
  HashIndexFree(*index);
  delete *index;
  *index = nullptr;
}

HashIndex* CreateIndex(const IndexSide& side) {
  auto* index = new (std::nothrow) HashIndex;
  if (!index) return nullptr;
  if (!HashIndexInit(index, *side.size, 0, side.key, side.rule)) {
    delete index;
    return nullptr;
  }
  return index;
}

// afterInsert: the rebuild that follows an insertion, which keeps a missing index missing.
void RebuildIndex(T_Base* base, int32_t d, bool host, bool afterInsert) {
  IndexSide side = SideOf(base->dimensions[d], host);
  ComponentRecord* root = ComponentAt(base, d);
  if (!afterInsert) {
    bool any = false;
    for (ComponentRecord* c = CompTreeNext(root); c != root && !any; c = CompTreeNext(c))
      any = side.key(c) != nullptr;
    if (!any) {
      DropIndex(side.index);
      return;
    }
    if (!*side.index) *side.index = CreateIndex(side);
  }
  HashIndex* index = *side.index;
  if (!index) return;
  index->keyKind = side.rule;
  if (index->entryCount > *side.size) *side.size = index->entryCount;
  // A second pass only when the stored size was too small for the keys there are.
  for (int32_t pass = 0; pass < 2; ++pass) {
    HashIndexReset(index, *side.size);
    int64_t total = 0;
    for (ComponentRecord* c = CompTreeNext(root); c != root; c = CompTreeNext(c)) {
      if (!side.key(c)) continue;
      ++total;
      if (index->entryCount < index->fillLimit) HashIndexInsert(index, c);
    }
    PumpMessages();
    if (total <= index->entryCount) return;
    *side.size = total;
  }
}

void InsertIntoIndex(T_Base* base, int32_t d, ComponentRecord* component, bool host) {
  IndexSide side = SideOf(base->dimensions[d], host);
  if (!side.key(component)) return;
  if (!*side.index) *side.index = CreateIndex(side);
  HashIndex* index = *side.index;
  if (!index) return;
  HashIndexInsert(index, component);
  if (index->entryCount > index->fillLimit) {
    *side.size = 2 * index->entryCount;
    RebuildIndex(base, d, host, true);
  }
}

// --- Creation ------------------------------------------------------------------------------------

struct NewTexts {
  T_TextBuf code;
  T_TextBuf text;
  T_TextBuf hostCode;
};

// False for a code that cannot be stored: empty, or beginning with the section mark "##".
bool NormaliseTexts(const DimensionRecord* dimension, const char* code, const char* text,
                    const char* hostCode, NewTexts* out) {
  TextBufAssign(&out->code, code);
  CleanComponentCode(&out->code);
  if (!StorableComponentCode(&out->code)) return false;
  TextBufAssign(&out->text, text);
  CleanComponentText(&out->text);
  TextBufAssign(&out->hostCode, hostCode);
  CleanComponentText(&out->hostCode);
  CaseModeApply(out->code.data, dimension->codeCase);
  CaseModeApply(out->text.data, dimension->textCase);
  CaseModeApply(out->hostCode.data, dimension->hostCase);
  return true;
}

void DropClashingHostCode(T_Base* base, int32_t d, T_TextBuf* hostCode) {
  if (hostCode->empty() || !FindByHostCode(base, d, hostCode->data)) return;
  AlertRequest request;
  AlertInit(&request);
  request.message = kMsgHostCodeClash;
  AlertAddText(&request, hostCode->data);
  AlertAddText(&request, base->GetDimSingular(d));
  AskReadError(base, &request);
  TextBufAssign(hostCode, nullptr);
}

// Steps shared by both forms of creation: the normalised texts, an existing component of that
// code (*existing), or a fresh record holding the texts but linked nowhere.
ComponentRecord* PrepareComponent(T_Base* base, int32_t d, const char* code, const char* text,
                                  const char* hostCode, bool logDuplicate,
                                  ComponentRecord** existing) {
  *existing = nullptr;
  NewTexts texts;
  if (!NormaliseTexts(base->dimensions[d], code, text, hostCode, &texts)) return nullptr;
  if (ComponentRecord* found = FindByCode(base, d, texts.code.data)) {
    if (logDuplicate && base->operationLog)
      LogOperation(base, "duplicate component", texts.code.data, kLogVerbSkipped);
    *existing = found;
    return nullptr;
  }
  DropClashingHostCode(base, d, &texts.hostCode);
  ComponentRecord* component = AllocateComponent(base);
  if (!component) return nullptr;
  if (!BlockTextAssignBuf(&component->code, &texts.code) ||
      !BlockTextAssignBuf(&component->text, &texts.text) ||
      !BlockTextAssignBuf(&component->hostCode, &texts.hostCode)) {
    PushFree(base, component);
    return nullptr;
  }
  return component;
}

// The component whose code is the longest proper prefix of the code, else the root.
ComponentRecord* ParentByCode(T_Base* base, int32_t d, const char* code) {
  ComponentRecord* root = ComponentAt(base, d);
  const HashIndex* index = base->dimensions[d]->codeIndex;
  if (!index) return root;
  auto* parent = static_cast<ComponentRecord*>(HashIndexFindLongestPrefix(index, code));
  return parent ? parent : root;
}

// --- Deletion ------------------------------------------------------------------------------------

void ReleaseComponent(T_Base* base, int32_t d, ComponentRecord* component) {
  DimensionRecord* dimension = base->dimensions[d];
  if (component->parent && !component->parent->parent && StrEqual(component->code, "#"))
    base->generatedCodeCounters[d] = 0;
  if (dimension->codeIndex && component->code) HashIndexRemove(dimension->codeIndex, component);
  if (dimension->hostIndex && component->hostCode) HashIndexRemove(dimension->hostIndex, component);
  CompUnlink(component);
  PushFree(base, component);
}

// Children before their parent, so every release unlinks a leaf.
void DeleteSubtree(T_Base* base, int32_t d, ComponentRecord* top) {
  ComponentRecord* node = top;
  for (;;) {
    while (node->firstChild) node = node->firstChild;
    ComponentRecord* parent = node->parent;
    bool last = node == top;
    ReleaseComponent(base, d, node);
    if (last) return;
    node = parent;
  }
}

// --- Sorting -------------------------------------------------------------------------------------

int32_t CompareByCode(const ComponentRecord* a, const ComponentRecord* b) {
  int32_t order = StrCompareNoCase(a->code, b->code);
  return order ? order : StrCompare(a->code, b->code);
}

int32_t CompareForSort(const ComponentRecord* a, const ComponentRecord* b, int32_t flags) {
  int32_t order = 0;
  if (flags & kSortChildrenByText)
    order = StrCompareNoCase(a->text, b->text);
  else if (flags & kSortChildrenByHostCode)
    order = StrCompareNoCase(a->hostCode, b->hostCode);
  if (!order) order = CompareByCode(a, b);
  return (flags & kSortChildrenDescending) ? -order : order;
}

void SortOneLevel(ComponentRecord* node, int32_t flags) {
  int64_t count = 0;
  for (ComponentRecord* c = node->firstChild; c; c = c->nextSibling) ++count;
  if (count < 2) return;
  auto** children = static_cast<ComponentRecord**>(MemAlloc(count * sizeof(ComponentRecord*), 0));
  if (!children) return;
  int64_t i = 0;
  for (ComponentRecord* c = node->firstChild; c; c = c->nextSibling) children[i++] = c;
  std::sort(children, children + count,
            [flags](const ComponentRecord* a, const ComponentRecord* b) {
              return CompareForSort(a, b, flags) < 0;
            });
  node->firstChild = children[0];
  children[0]->prevSibling = children[count - 1];
  for (i = 0; i < count; ++i) {
    if (i > 0) children[i]->prevSibling = children[i - 1];
    children[i]->nextSibling = i + 1 < count ? children[i + 1] : nullptr;
  }
  MemFree(children);
}

// --- Case rules ----------------------------------------------------------------------------------

// What a case rule governs: the field of each component, the index (if any), the note and the
// display styles that show the field.
enum class CaseField { kCode, kText, kHost };

char** FieldOf(ComponentRecord* component, CaseField field) {
  switch (field) {
    case CaseField::kCode:
      return &component->code;
    case CaseField::kText:
      return &component->text;
    case CaseField::kHost:
      break;
  }
  return &component->hostCode;
}

bool StyleShows(int32_t style, CaseField field) {
  switch (field) {
    case CaseField::kCode:
      return style == 0 || style == 3 || style == 5 || style == 6;
    case CaseField::kText:
      return style == 2 || style == 3 || style == 4 || style == 6;
    case CaseField::kHost:
      break;
  }
  return style == 1 || style == 4 || style == 5 || style == 6;
}

void SetCaseRule(DimensionRecord* dimension, CaseField field, int32_t rule) {
  int32_t* stored = field == CaseField::kCode   ? &dimension->codeCase
                    : field == CaseField::kText ? &dimension->textCase
                                                : &dimension->hostCase;
  if (rule < kCaseUpper || rule > kCaseInsensitive || rule == *stored) return;
  if (field == CaseField::kCode && (rule == kCaseStandard || rule == kCaseWordCaps)) return;
  *stored = rule;
  T_Base* base = dimension->database;
  int32_t d = dimension->number;
  bool rewrites = rule <= kCaseWordCaps;
  if (rewrites) {
    ComponentRecord* root = ComponentAt(base, d);
    for (ComponentRecord* c = CompTreeNext(root); c != root; c = CompTreeNext(c)) {
      if (char* text = *FieldOf(c, field)) CaseModeApply(text, rule);
    }
  }
  if (field == CaseField::kCode) {
    RebuildCodeIndex(base, d);
    SendDimensionNote(base, kChangeCodeCase, d);
  } else if (field == CaseField::kText) {
    SendDimensionNote(base, kChangeComponentTexts, d);
  } else {
    RebuildHostIndex(base, d);
    SendDimensionNote(base, kChangeHostCase, d);
  }
  if (rewrites && StyleShows(dimension->displayStyle, field))
    SendDimensionNote(base, kChangeDisplayText, d);
}

void SetCaseRuleLetter(DimensionRecord* dimension, CaseField field, char letter) {
  int32_t rule = 0;
  if (CaseModeFromLetter(&rule, letter) >= 0) SetCaseRule(dimension, field, rule);
}

bool ValidComponent(T_Base* base, int32_t component) {
  return base && component >= 0 && component < base->componentPool.count &&
         reinterpret_cast<void* const*>(base->componentPool.pages.data)[component >> kPageShift];
}

}  // namespace

bool NormaliseComponentTexts(const DimensionRecord* dimension, const char* code, const char* text,
                             const char* hostCode, T_TextBuf* codeOut, T_TextBuf* textOut,
                             T_TextBuf* hostCodeOut) {
  NewTexts texts;
  if (!NormaliseTexts(dimension, code, text, hostCode, &texts)) return false;
  TextBufAssignBuf(codeOut, &texts.code);
  TextBufAssignBuf(textOut, &texts.text);
  TextBufAssignBuf(hostCodeOut, &texts.hostCode);
  return true;
}

// --- Records -------------------------------------------------------------------------------------

ComponentRecord* AllocateComponent(T_Base* base) {
  if (ComponentRecord* reused = base->componentFreeList) {
    base->componentFreeList = reused->nextSibling;
    ClearRecord(reused, reused->number);
    return reused;
  }
  int64_t number = base->componentPool.count;
  // Lines must be able to hold the new number before the record exists.
  if (number >= kFirstComponentOfWidth4 && base->referenceWidth < 4) {
    if (!RaiseReferenceWidth(base, 4)) return nullptr;
  } else if (number >= kFirstComponentOfWidth3 && base->referenceWidth < 3) {
    if (!RaiseReferenceWidth(base, 3)) return nullptr;
  }
  auto* component =
      reinterpret_cast<ComponentRecord*>(PagedArrayAtGrow(&base->componentPool, number));
  if (!component) return nullptr;
  *component = ComponentRecord{};
  component->number = number;
  component->prevSibling = component;
  return component;
}

void SetNextComponentNumber(T_Base* base, int64_t number) {
  if (number > base->componentPool.count) base->componentPool.count = number;
}

void FreeComponentData(T_Base* base) {
  for (int32_t d = 0; d < kDimensionCount; ++d) {
    if (base->componentPool.count > d) {
      ComponentRecord* root = ComponentAt(base, d);
      for (ComponentRecord* c = CompTreeNext(root); c != root; c = CompTreeNext(c)) {
        BlockTextFree(&c->code);
        BlockTextFree(&c->text);
        BlockTextFree(&c->hostCode);
      }
    }
    if (DimensionRecord* dimension = base->dimensions[d]) {
      DropIndex(&dimension->codeIndex);
      DropIndex(&dimension->hostIndex);
    }
  }
}

// --- Creation and deletion -----------------------------------------------------------------------

// A control character would split the field or the line of a stored text.
void CleanComponentText(T_TextBuf* text) {
  for (int32_t i = 0; i < text->length; ++i) {
    if (static_cast<uint8_t>(text->data[i]) < 32) text->data[i] = ' ';
  }
  TextBufTrim(text, ' ');
}

void CleanComponentCode(T_TextBuf* code) {
  CleanComponentText(code);
  TextBufRemoveChar(code, ' ');
}

bool StorableComponentCode(const T_TextBuf* code) {
  return !code->empty() && !StrStartsWith(code->data, "##");
}

ComponentRecord* AddComponent(T_Base* base, int32_t d, const char* code, const char* text,
                              const char* hostCode) {
  return AddComponentUnder(base, d, code, text, hostCode, nullptr);
}

ComponentRecord* AddComponentUnder(T_Base* base, int32_t d, const char* code, const char* text,
                                   const char* hostCode, ComponentRecord* parent) {
  ComponentRecord* existing = nullptr;
  ComponentRecord* component = PrepareComponent(base, d, code, text, hostCode, true, &existing);
  if (!component) return existing;
  if (parent == nullptr) parent = ParentByCode(base, d, component->code);
  CompAppendChild(parent, component);
  IndexComponent(base, d, component);
  base->dimensionChangePending[d] = 1;
  // The first component of a dimension may give the lines a new slot.
  if (!parent->parent && parent->firstChild == component && !component->nextSibling)
    RecomputeLineSlots(base);
  return component;
}

void SetComponentTexts(T_Base* base, int32_t d, ComponentRecord* component, const char* text,
                       const char* hostCode) {
  NewTexts texts;
  if (!NormaliseTexts(base->dimensions[d], component->code, text, hostCode, &texts)) return;
  if (text != nullptr) BlockTextAssignBuf(&component->text, &texts.text);
  if (hostCode != nullptr) {
    BlockTextAssignBuf(&component->hostCode, &texts.hostCode);
    RebuildHostIndex(base, d);
  }
  base->dimensionChangePending[d] = 1;
}

ComponentRecord* InsertComponentAfter(T_Base* base, int32_t d, const char* code, const char* text,
                                      const char* hostCode, ComponentRecord* sibling) {
  ComponentRecord* existing = nullptr;
  ComponentRecord* component = PrepareComponent(base, d, code, text, hostCode, false, &existing);
  if (!component) return existing;
  if (sibling && sibling->parent)
    CompInsertAfter(sibling, component);
  else
    CompAppendChild(ComponentAt(base, d), component);
  IndexComponent(base, d, component);
  base->dimensionChangePending[d] = 1;
  return component;
}

void DeleteMarkedComponents(T_Base* base, const BitVector* set, int32_t d) {
  ComponentRecord* root = ComponentAt(base, d);
  ComponentRecord* node = CompTreeNext(root);
  while (node != root) {
    if (CompBitSet(set, node->number)) {
      int32_t depth = 0;
      ComponentRecord* after = CompTreeSkip(node, root, &depth);
      DeleteSubtree(base, d, node);
      node = after;
    } else {
      node = CompTreeNext(node);
    }
  }
}

void SortChildren(ComponentRecord* node, int32_t flags) {
  if (flags & kSortChildrenRecursive) {
    for (ComponentRecord* c = node->firstChild; c; c = c->nextSibling) SortChildren(c, flags);
  }
  SortOneLevel(node, flags);
}

// --- Indexes -------------------------------------------------------------------------------------

void RebuildCodeIndex(T_Base* base, int32_t d) { RebuildIndex(base, d, false, false); }
void RebuildHostIndex(T_Base* base, int32_t d) { RebuildIndex(base, d, true, false); }

void IndexComponent(T_Base* base, int32_t d, ComponentRecord* component) {
  InsertIntoIndex(base, d, component, false);
  InsertIntoIndex(base, d, component, true);
}

// --- Case rules ----------------------------------------------------------------------------------

void SetCodeCase(DimensionRecord* dimension, int32_t rule) {
  SetCaseRule(dimension, CaseField::kCode, rule);
}
void SetTextCase(DimensionRecord* dimension, int32_t rule) {
  SetCaseRule(dimension, CaseField::kText, rule);
}
void SetHostCase(DimensionRecord* dimension, int32_t rule) {
  SetCaseRule(dimension, CaseField::kHost, rule);
}
void SetCodeCaseLetter(DimensionRecord* dimension, char letter) {
  SetCaseRuleLetter(dimension, CaseField::kCode, letter);
}
void SetTextCaseLetter(DimensionRecord* dimension, char letter) {
  SetCaseRuleLetter(dimension, CaseField::kText, letter);
}
void SetHostCaseLetter(DimensionRecord* dimension, char letter) {
  SetCaseRuleLetter(dimension, CaseField::kHost, letter);
}

// --- The dimension record's notes ----------------------------------------------------------------

void DimensionRecordOnChange(DimensionRecord* dimension, const ChangeNote* note) {
  if (note->code == kChangeLinks && note->rename) {
    RenameLinksInComponents(dimension->database, dimension->number, note->rename);
    return;
  }
  if (note->code != kChangeComponentsRebuilt || note->index != dimension->number) return;
  T_Base* base = dimension->database;
  int32_t d = dimension->number;
  uint8_t used = base->IsDimUsed(d) ? 1 : 0;
  uint8_t hasSub = base->HasSubComponents(d) ? 1 : 0;
  if (used != dimension->used) {
    dimension->used = used;
    SendDimensionNote(base, kChangeDimensionUsed, d, used);
  }
  if (hasSub != dimension->hasSubComponents) {
    dimension->hasSubComponents = hasSub;
    SendDimensionNote(base, kChangeSubComponents, d, hasSub);
  }
}

// --- Questions of the database -------------------------------------------------------------------

bool T_Base::HasSubComponents(int64_t component) {
  return ComponentAt(this, component)->firstChild != nullptr;
}

bool T_Base::IsDimUsed(int32_t d) {
  const DimensionRecord* dimension = dimensions[d];
  return HasSubComponents(d) || dimension->codeCase != kCaseUpper ||
         dimension->textCase != kCaseInsensitive || dimension->hostCase != kCaseInsensitive ||
         dimension->displayStyle != 3 || dimension->optionI != 1 || dimension->codeWidth != 0 ||
         dimension->textWidth != 0 || dimension->hostWidth != 0 || dimension->singular ||
         dimension->plural;
}

void T_Base::MarkUsedComponents(BitVector* set, int32_t d) {
  if (!BitVecResize(set, componentPool.count)) return;
  BitVecFill(set, false);
  if (!HasSubComponents(d)) return;
  // Counting only what passes the active filter comes with the card selections.
  for (CardRecord* card = sentinelCard->next; card != sentinelCard; card = card->next) {
    for (GroupRecord* group = card->firstGroup; group; group = group->next) {
      if (d == 0) {
        if (group->component < set->count) BitVecSet(set, group->component, true);
        continue;
      }
      if (d - 1 >= lineSlots) continue;
      for (LineRecord* line = group->firstLine; line; line = line->next) {
        int64_t component = ReadLineReference(line, referenceOffset, referenceWidth, d - 1);
        if (component < set->count) BitVecSet(set, component, true);
      }
    }
  }
  BitVecSet(set, d, false);
}

// --- Counts --------------------------------------------------------------------------------------

int64_t CountDimensionComponents(T_Base* base, int32_t d) {
  ComponentRecord* root = ComponentAt(base, d);
  int64_t count = 0;
  for (ComponentRecord* c = CompTreeNext(root); c != root; c = CompTreeNext(c)) ++count;
  return count;
}

int64_t CountComponentsInUse(T_Base* base) {
  int64_t free = 0;
  for (ComponentRecord* c = base->componentFreeList; c; c = c->nextSibling) ++free;
  return base->componentPool.count - kDimensionCount - free;
}

// --- Toolkit hooks -------------------------------------------------------------------------------

int32_t CompHook_Count(T_Base* base) {
  return base ? static_cast<int32_t>(base->componentPool.count) : 0;
}

int32_t CompHook_TreeNext(T_Base* base, int32_t component) {
  if (!ValidComponent(base, component)) return component;
  return static_cast<int32_t>(CompTreeNext(ComponentAt(base, component))->number);
}

int32_t CompHook_TreeNextReverse(T_Base* base, int32_t component) {
  if (!ValidComponent(base, component)) return component;
  return static_cast<int32_t>(CompTreeNextReverse(ComponentAt(base, component))->number);
}

const char* CompHook_Code(T_Base* base, int32_t component) {
  return ValidComponent(base, component) ? ComponentAt(base, component)->code : nullptr;
}

const char* CompHook_Text(T_Base* base, int32_t component) {
  return ValidComponent(base, component) ? ComponentAt(base, component)->text : nullptr;
}

const char* CompHook_HostCode(T_Base* base, int32_t component) {
  return ValidComponent(base, component) ? ComponentAt(base, component)->hostCode : nullptr;
}

bool CompHook_HasSubComponents(T_Base* base, int32_t dimension) {
  if (!base || dimension < 0 || dimension >= kDimensionCount) return false;
  return base->HasSubComponents(dimension);
}

int32_t CompHook_FindByKey(T_Base* base, int32_t dimension, const char* key, int32_t length) {
  if (!base || dimension < 0 || dimension >= kDimensionCount) return dimension;
  return static_cast<int32_t>(base->FindComponentByKey(dimension, key, length));
}
