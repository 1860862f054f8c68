#include "editors/dimension_editor_tree.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "core/alert.h"
#include "core/cstring.h"
#include "core/locale.h"
#include "core/memory.h"
#include "core/owned_text.h"
#include "core/placeholders.h"
#include "core/threads.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "database/component_lookup.h"
#include "database/component_tree.h"
#include "database/components.h"
#include "database/operation_log.h"

namespace {

constexpr int32_t kEditTextLimit = 1023;
constexpr int32_t kHostDefined = 3314;  // Host code "@0" in dimension @1 already defined.
constexpr int64_t kIndexReserve = 2000;

DimComponentAllocator allocator = AllocateComponent;

const char* NodeFullCode(const void* record) { return static_cast<const DimNode*>(record)->fullCode; }
const char* NodeHostCode(const void* record) { return static_cast<const DimNode*>(record)->hostCode; }

int32_t KeyKind(int32_t rule) { return rule == kCaseSensitive ? kKeyKindBytes : 0; }

bool SameByRule(int32_t rule, const char* a, const char* b) {
  if (rule == kCaseSensitive) return StrEqual(a ? a : "", b ? b : "");
  return StrEqualNoCase(a, b);
}

// The typed text trimmed of blanks and cut to 1023 bytes at a character boundary.
void CleanTyped(const char* typed, T_TextBuf* out) {
  TextBufAssign(out, typed ? typed : "");
  TextBufTrim(out, ' ');
  if (out->length > kEditTextLimit) {
    int32_t n = kEditTextLimit;
    while (n > 0 && (static_cast<uint8_t>(out->data[n]) & 0xC0) == 0x80) --n;
    TextBufSetLength(out, n);
  }
}

DimNode* NewNode(DimTree* tree) {
  DimNode* node = tree->freeList;
  if (node) {
    tree->freeList = node->next;
    *node = DimNode{};
    return node;
  }
  void* memory = MemNew(sizeof(DimNode));
  return memory ? new (memory) DimNode : nullptr;
}

void FreeTexts(DimNode* node) {
  BlockTextFree(&node->code);
  BlockTextFree(&node->text);
  BlockTextFree(&node->hostCode);
  BlockTextFree(&node->fullCode);
}

void FreeNodeMemory(DimNode* node) {
  FreeTexts(node);
  node->~DimNode();
  MemFree(node);
}

void Unlink(DimNode* node) {
  DimNode* parent = node->parent;
  if (!parent) return;
  if (parent->firstChild == node) {
    parent->firstChild = node->next;
    if (node->next) node->next->previous = node->previous;
  } else {
    node->previous->next = node->next;
    DimNode* after = node->next ? node->next : parent->firstChild;
    if (after) after->previous = node->previous;
  }
  node->parent = nullptr;
  node->next = nullptr;
  node->previous = node;
}

void InsertFirst(DimNode* parent, DimNode* node) {
  node->parent = parent;
  DimNode* first = parent->firstChild;
  node->next = first;
  node->previous = first ? first->previous : node;
  if (first) first->previous = node;
  parent->firstChild = node;
}

void AppendChild(DimNode* parent, DimNode* node) {
  node->parent = parent;
  node->next = nullptr;
  DimNode* first = parent->firstChild;
  if (!first) {
    parent->firstChild = node;
    node->previous = node;
    return;
  }
  DimNode* last = first->previous;
  last->next = node;
  node->previous = last;
  first->previous = node;
}

void InsertAfter(DimNode* sibling, DimNode* node) {
  DimNode* parent = sibling->parent;
  node->parent = parent;
  node->next = sibling->next;
  node->previous = sibling;
  if (sibling->next) {
    sibling->next->previous = node;
  } else {
    parent->firstChild->previous = node;
  }
  sibling->next = node;
}

bool Within(const DimNode* node, const DimNode* top) {
  for (; node; node = node->parent) {
    if (node == top) return true;
  }
  return false;
}

DimNode* NextWithin(DimNode* node, DimNode* top) {
  if (node->firstChild) return node->firstChild;
  for (; node && node != top; node = node->parent) {
    if (node->next) return node->next;
  }
  return nullptr;
}

// The own code part of a component: its code after its parent's.
const char* OwnPart(const ComponentRecord* component) {
  const ComponentRecord* parent = component->parent;
  const char* code = component->code ? component->code : "";
  if (!parent || !parent->parent || !parent->code) return code;
  size_t n = std::strlen(parent->code);
  return std::strncmp(code, parent->code, n) == 0 ? code + n : code;
}

void ApplyCase(T_TextBuf* text, int32_t rule) {
  if (!text->data) return;
  CaseModeApply(text->data, rule);
  text->length = static_cast<int32_t>(std::strlen(text->data));
}

// The node moved to its sorted place among its siblings (by code part, letter case ignored).
void Resort(DimNode* node) {
  DimNode* parent = node->parent;
  Unlink(node);
  DimNode* before = nullptr;
  for (DimNode* s = parent->firstChild; s; s = s->next) {
    if (StrCompareNoCase(s->code, node->code) > 0) break;
    before = s;
  }
  if (before) {
    InsertAfter(before, node);
  } else {
    InsertFirst(parent, node);
  }
}

bool ComputeFullCodes(DimTree* tree) {
  T_TextBuf code;
  for (DimNode* n = DimTreeNextNode(tree, &tree->root); n; n = DimTreeNextNode(tree, n)) {
    DimNodeFullCode(n, &code);
    if (!BlockTextAssignBuf(&n->fullCode, &code) && !code.empty()) return false;
  }
  return true;
}

void DropFullCodes(DimTree* tree) {
  for (DimNode* n = DimTreeNextNode(tree, &tree->root); n; n = DimTreeNextNode(tree, n))
    BlockTextFree(&n->fullCode);
}

void DropIndexes(DimTree* tree) {
  if (!tree->indexed) return;
  HashIndexFree(&tree->byCode);
  HashIndexFree(&tree->byHost);
  DropFullCodes(tree);
  tree->indexed = 0;
}

// Both indexes over every node, sized for the nodes plus 2000.
bool BuildIndexes(DimTree* tree) {
  DropIndexes(tree);
  int64_t count = 0;
  for (DimNode* n = DimTreeNextNode(tree, &tree->root); n; n = DimTreeNextNode(tree, n)) ++count;
  if (!ComputeFullCodes(tree) ||
      !HashIndexInit(&tree->byCode, count + kIndexReserve, 0, NodeFullCode,
                     KeyKind(tree->codeCase)) ||
      !HashIndexInit(&tree->byHost, count + kIndexReserve, 0, NodeHostCode,
                     KeyKind(tree->hostCase))) {
    HashIndexFree(&tree->byCode);
    DropFullCodes(tree);
    return false;
  }
  tree->indexed = 1;
  for (DimNode* n = DimTreeNextNode(tree, &tree->root); n; n = DimTreeNextNode(tree, n)) {
    if (n->fullCode) HashIndexInsert(&tree->byCode, n);
    if (n->hostCode) HashIndexInsert(&tree->byHost, n);
  }
  return true;
}

void AlertHostDefined(DimTree* tree, const char* hostCode) {
  AlertRequest request;
  AlertInit(&request);
  request.message = kHostDefined;
  AlertAddText(&request, hostCode);
  AlertAddText(&request, tree->database->GetDimSingular(tree->dimension));
  AlertAddButton(&request, kButtonOk);
  ShowAlert(&request);
}

}  // namespace

void SetDimComponentAllocator(DimComponentAllocator given) {
  allocator = given ? given : AllocateComponent;
}

// --- Loading and walking -----------------------------------------------------------------------

bool DimTreeLoad(DimTree* tree, T_Base* database, int32_t dimension) {
  tree->database = database;
  tree->dimension = dimension;
  DimensionRecord* record = database->dimensions[dimension];
  tree->codeCase = record->codeCase;
  tree->textCase = record->textCase;
  tree->hostCase = record->hostCase;
  tree->root = DimNode{};
  tree->root.previous = &tree->root;
  tree->root.expanded = 1;
  ComponentRecord* root = ComponentAt(database, dimension);
  tree->root.component = root;
  // Walked in pre-order with the node of the last component at each depth.
  DimNode* parentAt[64] = {&tree->root};
  int32_t depth = 0;
  for (ComponentRecord* c = CompTreeNextDepth(root, &depth); c && c != root;
       c = CompTreeNextDepth(c, &depth)) {
    if (depth < 1 || depth > 63) continue;
    DimNode* node = NewNode(tree);
    if (!node) return false;
    node->component = c;
    if (!BlockTextAssign(&node->code, OwnPart(c)) || !BlockTextAssign(&node->text, c->text) ||
        !BlockTextAssign(&node->hostCode, c->hostCode)) {
      FreeNodeMemory(node);
      return false;
    }
    AppendChild(parentAt[depth - 1], node);
    parentAt[depth] = node;
  }
  DimTreeBuildRows(tree);
  return true;
}

void DimTreeFree(DimTree* tree) {
  DropIndexes(tree);
  DimNode* node = tree->root.firstChild;
  while (node) {
    // Post-order: children first.
    while (node->firstChild) node = node->firstChild;
    DimNode* parent = node->parent;
    Unlink(node);
    FreeNodeMemory(node);
    node = parent == &tree->root ? tree->root.firstChild : parent;
  }
  for (DimNode** list : {&tree->freeList, &tree->removed}) {
    while (DimNode* n = *list) {
      *list = n->next;
      FreeNodeMemory(n);
    }
  }
  MemFree(tree->rows);
  tree->rows = nullptr;
  tree->rowCount = tree->rowCapacity = 0;
}

DimNode* DimTreeNextNode(const DimTree* tree, DimNode* node) {
  return NextWithin(node, const_cast<DimNode*>(&tree->root));
}

void DimTreeBuildRows(DimTree* tree) {
  tree->rowCount = 0;
  for (DimNode* n = tree->root.firstChild; n;) {
    if (tree->rowCount == tree->rowCapacity) {
      int64_t capacity = std::max<int64_t>(64, tree->rowCapacity * 2);
      void* block = tree->rows;
      if (!MemResize(&block, capacity * static_cast<int64_t>(sizeof(DimNode*)), 0)) return;
      tree->rows = static_cast<DimNode**>(block);
      tree->rowCapacity = capacity;
    }
    tree->rows[tree->rowCount++] = n;
    if (n->expanded && n->firstChild) {
      n = n->firstChild;
      continue;
    }
    while (n && n != &tree->root && !n->next) n = n->parent;
    n = n && n != &tree->root ? n->next : nullptr;
  }
}

int64_t DimTreeRowOf(const DimTree* tree, const DimNode* node) {
  for (int64_t i = 0; i < tree->rowCount; ++i) {
    if (tree->rows[i] == node) return i;
  }
  return -1;
}

int32_t DimNodeDepth(const DimNode* node) {
  int32_t depth = -1;
  for (const DimNode* n = node; n && n->parent; n = n->parent) ++depth;
  return depth;
}

void DimNodeFullCode(const DimNode* node, T_TextBuf* code) {
  const DimNode* chain[64];
  int32_t n = 0;
  for (const DimNode* p = node; p && p->parent && n < 64; p = p->parent) chain[n++] = p;
  TextBufAssign(code, "");
  while (n > 0) TextBufAppend(code, chain[--n]->code ? chain[n]->code : "");
}

bool DimCodesEqual(const DimTree* tree, const char* a, const char* b) {
  return SameByRule(tree->codeCase, a, b);
}

// --- Codes -------------------------------------------------------------------------------------

void NextFreeCode(const DimTree* tree, const char* start, const DimNode* parent, T_TextBuf* out) {
  bool lower = tree->codeCase == kCaseLower;
  TextBufAssign(out, start && *start ? start : (lower ? "a" : "A"));
  char last = out->data[out->length - 1];
  char fill = last >= '0' && last <= '9' ? '0' : (lower ? 'a' : 'A');
  auto taken = [&]() {
    for (const DimNode* s = parent->firstChild; s; s = s->next) {
      if (DimCodesEqual(tree, s->code, out->data)) return true;
    }
    return false;
  };
  while (taken()) {
    int32_t i = out->length - 1;
    for (;;) {
      char c = out->data[i];
      if (c == '9' || c == 'Z' || c == 'z') {
        out->data[i] = fill;
        if (--i < 0) {
          T_TextBuf front;
          TextBufAppendChar(&front, fill);
          TextBufAppendBuf(&front, out);
          TextBufAssignBuf(out, &front);
          break;
        }
        continue;
      }
      bool letter = (c >= 'a' && c < 'z') || (c >= 'A' && c < 'Z');
      bool digit = c >= '0' && c < '9';
      out->data[i] = letter || digit ? static_cast<char>(c + 1) : fill;
      break;
    }
  }
}

void DimTreeSetCode(DimTree* tree, DimNode* node, const char* typed) {
  T_TextBuf text, prefix;
  CleanTyped(typed, &text);
  CleanComponentCode(&text);
  DimNodeFullCode(node->parent, &prefix);
  T_TextBuf head;
  if (text.length >= prefix.length) TextBufAssignBytes(&head, text.data, prefix.length);
  bool prefixed = text.length >= prefix.length &&
                  SameByRule(tree->codeCase, head.data ? head.data : "",
                             prefix.data ? prefix.data : "");
  if (!prefixed) {
    T_TextBuf joined(prefix.data);
    TextBufAppendBuf(&joined, &text);
    TextBufAssignBuf(&text, &joined);
  }
  // Applying would store the code as it stands: the refusal every other path makes is made
  // here, while the old code is still there to keep.
  if (text.length <= prefix.length || !StorableComponentCode(&text)) return;
  const char* rest = text.data + prefix.length;
  if (node->code && std::strcmp(rest, node->code) == 0) return;
  BlockTextAssign(&node->code, rest);
  Resort(node);
  DimTreeBuildRows(tree);
}

void DimTreeSetText(DimTree*, DimNode* node, int32_t field, const char* typed) {
  T_TextBuf text;
  CleanTyped(typed, &text);
  CleanComponentText(&text);
  BlockTextAssignBuf(field == kDimFieldHost ? &node->hostCode : &node->text, &text);
}

DimNode* DimTreeNewNode(DimTree* tree, DimNode* current, bool copyTexts) {
  DimNode* node = NewNode(tree);
  if (!node) return nullptr;
  DimNode* parent;
  const char* start;
  bool first = !current || (current->expanded && current->firstChild);
  if (!current) current = &tree->root;
  if (first) {
    parent = current;
    start = current->firstChild ? current->firstChild->code : "";
  } else {
    parent = current->parent;
    start = current->code;
  }
  T_TextBuf code;
  NextFreeCode(tree, start, parent, &code);
  BlockTextAssignBuf(&node->code, &code);
  if (copyTexts && current != &tree->root) {
    BlockTextAssign(&node->text, current->text);
    BlockTextAssign(&node->hostCode, current->hostCode);
  }
  if (first) {
    InsertFirst(parent, node);
  } else {
    InsertAfter(current, node);
  }
  DimTreeBuildRows(tree);
  return node;
}

// --- Moves -------------------------------------------------------------------------------------

bool DimTreeMoveOut(DimTree* tree, DimNode* node) {
  DimNode* parent = node->parent;
  if (!parent || parent == &tree->root) return false;
  Unlink(node);
  InsertAfter(parent, node);
  DimTreeBuildRows(tree);
  return true;
}

bool DimTreeMoveIntoPrevious(DimTree* tree, DimNode* node) {
  DimNode* parent = node->parent;
  if (!parent || parent->firstChild == node) return false;
  DimNode* previous = node->previous;
  if (!previous->code || !*previous->code) return false;
  Unlink(node);
  AppendChild(previous, node);
  previous->expanded = 1;
  DimTreeBuildRows(tree);
  return true;
}

void DimTreeMoveAfter(DimTree* tree, DimNode* node, DimNode* target) {
  if (Within(target, node)) return;
  Unlink(node);
  if (target == &tree->root || (target->expanded && target->firstChild)) {
    InsertFirst(target, node);
  } else {
    InsertAfter(target, node);
  }
  DimTreeBuildRows(tree);
}

void DimTreeMoveInto(DimTree* tree, DimNode* node, DimNode* target) {
  if (Within(target, node)) return;
  Unlink(node);
  target->expanded = 1;
  InsertFirst(target, node);
  DimTreeBuildRows(tree);
}

bool DimTreeMoveUp(DimTree* tree, DimNode* node) {
  int64_t row = DimTreeRowOf(tree, node);
  if (row <= 0) return false;
  if (row == 1) {
    Unlink(node);
    InsertFirst(&tree->root, node);
    DimTreeBuildRows(tree);
    return true;
  }
  DimTreeMoveAfter(tree, node, tree->rows[row - 2]);
  return true;
}

bool DimTreeMoveDown(DimTree* tree, DimNode* node) {
  DimNode* sibling = nullptr;
  for (DimNode* n = node; n && n != &tree->root && !sibling; n = n->parent) sibling = n->next;
  if (!sibling) return false;
  DimTreeMoveAfter(tree, node, sibling);
  return true;
}

void DimTreeToggle(DimTree* tree, DimNode* node) {
  if (node->expanded) {
    for (DimNode* n = node; n; n = NextWithin(n, node)) {
      n->expanded = 0;
      if (n == node && !n->firstChild) break;
    }
  } else {
    node->expanded = 1;
  }
  DimTreeBuildRows(tree);
}

void DimTreeExpandAll(DimTree* tree, DimNode* node) {
  for (DimNode* n = node; n; n = NextWithin(n, node)) {
    if (n->firstChild) n->expanded = 1;
    if (n == node && !n->firstChild) break;
  }
  DimTreeBuildRows(tree);
}

void DimTreeExpandToLevel(DimTree* tree, int32_t level) {
  for (DimNode* n = DimTreeNextNode(tree, &tree->root); n; n = DimTreeNextNode(tree, n))
    n->expanded = DimNodeDepth(n) < level && n->firstChild ? 1 : 0;
  DimTreeBuildRows(tree);
}

void DimTreeReveal(DimTree* tree, DimNode* node) {
  for (DimNode* p = node->parent; p && p != &tree->root; p = p->parent) p->expanded = 1;
  DimTreeBuildRows(tree);
}

void DimTreeMapAsExpanded(const DimTree* tree, int64_t* map) {
  const DimNode* root = &tree->root;
  for (DimNode* n = DimTreeNextNode(tree, const_cast<DimNode*>(root)); n;
       n = DimTreeNextNode(tree, n)) {
    if (!n->component) continue;
    // Below the topmost collapsed ancestor nothing is shown: that ancestor's row stands for it.
    const DimNode* shown = n;
    for (const DimNode* p = n->parent; p && p != root; p = p->parent) {
      if (!p->expanded) shown = p;
    }
    // A row the user added has no component yet: the lines go to the nearest one that has.
    while (!shown->component) shown = shown->parent;
    map[n->component->number] = shown->component->number;
  }
}

void DimTreeReverse(DimTree* tree, DimNode* node) {
  if (!node->expanded || !node->firstChild) node = node->parent;
  if (!node) return;
  DimNode* reversed = nullptr;
  while (DimNode* child = node->firstChild) {
    Unlink(child);
    child->next = reversed;
    reversed = child;
  }
  while (reversed) {
    DimNode* following = reversed->next;
    AppendChild(node, reversed);
    reversed = following;
  }
  DimTreeBuildRows(tree);
}

void DimTreeSort(DimTree* tree, DimNode* node, int32_t field, bool descending, bool sublevels) {
  int64_t count = 0;
  for (DimNode* c = node->firstChild; c; c = c->next) ++count;
  if (count > 1) {
    auto* children = static_cast<DimNode**>(MemNew(count * static_cast<int64_t>(sizeof(DimNode*))));
    if (!children) return;
    int64_t i = 0;
    for (DimNode* c = node->firstChild; c; c = c->next) children[i++] = c;
    auto textOf = [field](const DimNode* n) {
      const char* text = field == kDimFieldCode ? n->code : field == kDimFieldText ? n->text
                                                                                   : n->hostCode;
      return text && *text ? text : nullptr;
    };
    // A stable sort keeps equal texts in their order before the sort.
    std::stable_sort(children, children + count, [&](const DimNode* a, const DimNode* b) {
      const char* x = textOf(a);
      const char* y = textOf(b);
      if (!x || !y) return x && !y;  // a missing text sorts after any present one
      int32_t order = StrCompareNoCase(x, y);
      return descending ? order > 0 : order < 0;
    });
    while (node->firstChild) Unlink(node->firstChild);
    for (i = 0; i < count; ++i) AppendChild(node, children[i]);
    MemFree(children);
  }
  if (sublevels) {
    for (DimNode* c = node->firstChild; c; c = c->next) {
      if (c->firstChild) DimTreeSort(tree, c, field, descending, true);
    }
  }
  DimTreeBuildRows(tree);
}

DimNode* DimTreeRemove(DimTree* tree, DimNode* node) {
  BitVector used;
  BitVecInit(&used, 0, 0);
  tree->database->MarkUsedComponents(&used, tree->dimension);
  for (DimNode* n = node; n; n = NextWithin(n, node)) {
    if (n->component && n->component->number < used.count && BitVecGet(&used, n->component->number)) {
      BitVecFree(&used);
      DimTreeReveal(tree, n);
      return n;
    }
    if (n == node && !n->firstChild) break;
  }
  BitVecFree(&used);
  Unlink(node);
  // Post-order, so that each node is freed after its children.
  DimNode* n = node;
  for (;;) {
    while (n->firstChild) n = n->firstChild;
    DimNode* parent = n->parent;
    bool top = n == node;
    if (!top) Unlink(n);
    FreeTexts(n);
    n->firstChild = nullptr;
    if (n->component) {
      n->next = tree->removed;
      tree->removed = n;
    } else {
      n->next = tree->freeList;
      tree->freeList = n;
    }
    if (top) break;
    n = parent;
  }
  DimTreeBuildRows(tree);
  return nullptr;
}

// --- Checking and applying ---------------------------------------------------------------------

int32_t DimTreeDuplicateCheck(DimTree* tree, DimNode** offending) {
  *offending = nullptr;
  if (!BuildIndexes(tree)) return kDimOutOfMemory;
  int32_t result = kDimApplied;
  HashIndexReset(&tree->byCode, tree->byCode.entryCount + kIndexReserve);
  HashIndexReset(&tree->byHost, tree->byHost.entryCount + kIndexReserve);
  for (DimNode* n = DimTreeNextNode(tree, &tree->root); n && !result; n = DimTreeNextNode(tree, n)) {
    if (!n->fullCode) continue;
    if (HashIndexFind(&tree->byCode, n->fullCode)) {
      result = kDimCodeTwice;
      *offending = n;
    } else {
      HashIndexInsert(&tree->byCode, n);
    }
  }
  for (DimNode* n = DimTreeNextNode(tree, &tree->root); n && !result; n = DimTreeNextNode(tree, n)) {
    if (!n->hostCode) continue;
    if (HashIndexFind(&tree->byHost, n->hostCode)) {
      result = kDimHostTwice;
      *offending = n;
    } else {
      HashIndexInsert(&tree->byHost, n);
    }
  }
  if (*offending) {
    T_TextBuf keep(result == kDimCodeTwice ? (*offending)->fullCode : (*offending)->hostCode);
    DropIndexes(tree);
    // The caller names the duplicate: the full code stays on the node until the next check.
    BlockTextAssignBuf(&(*offending)->fullCode, &keep);
    return result;
  }
  DropIndexes(tree);
  return result;
}

bool DimTreeChanged(DimTree* tree) {
  if (tree->removed) return true;
  ComponentRecord* root = tree->root.component;
  ComponentRecord* c = CompTreeNext(root);
  T_TextBuf own;
  for (DimNode* n = DimTreeNextNode(tree, &tree->root); n; n = DimTreeNextNode(tree, n)) {
    if (c == root || n->component != c) return true;
    if (n->parent->component != c->parent) return true;
    TextBufAssign(&own, n->code ? n->code : "");
    ApplyCase(&own, tree->codeCase);
    if (std::strcmp(own.data ? own.data : "", OwnPart(c)) != 0) return true;
    if (!StrEqual(n->text ? n->text : "", c->text ? c->text : "")) return true;
    if (!StrEqual(n->hostCode ? n->hostCode : "", c->hostCode ? c->hostCode : "")) return true;
    c = CompTreeNext(c);
  }
  return c != root;
}

namespace {

// What a node gives its component: the full code, text and host code after the letter cases.
struct Prepared {
  DimNode* node;
  char* code;
  char* text;
  char* hostCode;
};

void FreePrepared(Prepared* prepared, int64_t n) {
  for (int64_t i = 0; i < n; ++i) {
    BlockTextFree(&prepared[i].code);
    BlockTextFree(&prepared[i].text);
    BlockTextFree(&prepared[i].hostCode);
  }
  MemFree(prepared);
}

// A record handed out for a node that is not applied goes back to the pool's free list.
void ReturnComponent(T_Base* base, ComponentRecord* component) {
  component->nextSibling = base->componentFreeList;
  base->componentFreeList = component;
}

}  // namespace

int32_t DimTreeApply(DimTree* tree, void* editor, T_TextBuf* inUse) {
  T_Base* base = tree->database;
  int32_t d = tree->dimension;
  BitVector removedSet;
  BitVecInit(&removedSet, 0, 0);
  if (tree->removed) {
    BitVector used;
    BitVecInit(&used, 0, 0);
    base->MarkUsedComponents(&used, d);
    if (!BitVecResizeFill(&removedSet, base->componentPool.count, false)) {
      BitVecFree(&used);
      return kDimOutOfMemory;
    }
    for (DimNode* n = tree->removed; n; n = n->next) {
      ComponentRecord* c = n->component;
      if (c->number < used.count && BitVecGet(&used, c->number)) {
        if (inUse) {
          TextBufAssign(inUse, c->code);
          if (c->text) {
            TextBufAppend(inUse, " ");
            TextBufAppend(inUse, c->text);
          }
        }
        BitVecFree(&used);
        BitVecFree(&removedSet);
        return kDimInUse;
      }
      BitVecSet(&removedSet, c->number, true);
    }
    BitVecFree(&used);
  }

  // Everything that can fail comes first: the texts and the new records. Until the chain is
  // touched, a failure leaves the database as it was.
  int64_t count = 0;
  for (DimNode* n = DimTreeNextNode(tree, &tree->root); n; n = DimTreeNextNode(tree, n)) {
    if (n->code && *n->code) ++count;
  }
  auto* prepared = static_cast<Prepared*>(MemNew(std::max<int64_t>(1, count) *
                                                 static_cast<int64_t>(sizeof(Prepared))));
  if (!prepared) {
    BitVecFree(&removedSet);
    return kDimOutOfMemory;
  }
  MemZero(prepared, std::max<int64_t>(1, count) * static_cast<int64_t>(sizeof(Prepared)));
  int64_t made = 0;
  bool ok = true;
  ComponentRecord** fresh = nullptr;
  int64_t freshCount = 0;
  fresh = static_cast<ComponentRecord**>(
      MemNew(std::max<int64_t>(1, count) * static_cast<int64_t>(sizeof(ComponentRecord*))));
  ok = fresh != nullptr;
  T_TextBuf code, text, host;
  for (DimNode* n = DimTreeNextNode(tree, &tree->root); ok && n; n = DimTreeNextNode(tree, n)) {
    if (!n->code || !*n->code) continue;
    Prepared& p = prepared[made++];
    p.node = n;
    DimNodeFullCode(n, &code);
    ApplyCase(&code, tree->codeCase);
    TextBufAssign(&text, n->text ? n->text : "");
    ApplyCase(&text, tree->textCase);
    TextBufAssign(&host, n->hostCode ? n->hostCode : "");
    ApplyCase(&host, tree->hostCase);
    p.code = TextBufToBlock(&code);
    ok = p.code != nullptr;
    if (ok && !text.empty()) ok = (p.text = TextBufToBlock(&text)) != nullptr;
    if (ok && !host.empty()) ok = (p.hostCode = TextBufToBlock(&host)) != nullptr;
    if (ok && !n->component) {
      ComponentRecord* c = allocator(base);
      ok = c != nullptr;
      if (ok) fresh[freshCount++] = c;
    }
  }
  if (!ok) {
    for (int64_t i = freshCount; i-- > 0;) ReturnComponent(base, fresh[i]);
    MemFree(fresh);
    FreePrepared(prepared, made);
    BitVecFree(&removedSet);
    PendingErrorClear();
    return kDimOutOfMemory;
  }

  // From here on the apply runs to its end.
  if (tree->removed) {
    ChangeNote note;
    note.code = kChangeComponentsDeleted;
    note.database = base;
    note.index = d;
    note.componentSet = &removedSet;
    NotifyChange(base, &note);
  }
  {
    ChangeNote note;
    note.code = kChangeDimensionEdited;
    note.database = base;
    note.index = d;
    note.object = editor;
    NotifyChange(base, &note);
  }
  int64_t nextFresh = 0;
  for (int64_t i = 0; i < made; ++i) {
    DimNode* n = prepared[i].node;
    if (!n->component) n->component = fresh[nextFresh++];
    // A parent without a code part is not applied: its children go to the nearest one that is.
    ComponentRecord* parent = nullptr;
    for (DimNode* p = n->parent; p && !parent; p = p->parent) {
      if (p == &tree->root || (p->code && *p->code)) parent = p->component;
    }
    if (!parent) parent = tree->root.component;
    CompUnlink(n->component);
    CompAppendChild(parent, n->component);
  }
  // The removed components still hang where they stood, with their old codes in the indexes.
  if (tree->removed) DeleteMarkedComponents(base, &removedSet, d);
  for (int64_t i = 0; i < made; ++i) {
    ComponentRecord* c = prepared[i].node->component;
    BlockTextFree(&c->code);
    BlockTextFree(&c->text);
    BlockTextFree(&c->hostCode);
    c->code = prepared[i].code;
    c->text = prepared[i].text;
    c->hostCode = prepared[i].hostCode;
    prepared[i] = Prepared{prepared[i].node, nullptr, nullptr, nullptr};
  }
  MemFree(fresh);
  FreePrepared(prepared, made);
  while (DimNode* n = tree->removed) {
    tree->removed = n->next;
    n->next = tree->freeList;
    tree->freeList = n;
  }
  BitVecFree(&removedSet);
  RebuildCodeIndex(base, d);
  RebuildHostIndex(base, d);
  ChangeNote note;
  note.code = kChangeComponentsRebuilt;
  note.database = base;
  note.index = d;
  NotifyChange(base, &note);
  base->SetModified(true);
  return kDimApplied;
}

// --- Texts that name components ----------------------------------------------------------------

void RewriteDimensionText(DimTree* tree, T_TextBuf* text) {
  if (!text || text->empty()) return;
  T_TextBuf out, word, code;
  const char* p = text->data;
  auto isSeparator = [](char c) {
    return c == ' ' || c == '\t' || std::strchr("&|(),;<>=!", c) != nullptr ||
           (static_cast<uint8_t>(c) >= 0x80 && static_cast<uint8_t>(c) < 0xC0) ||
           static_cast<uint8_t>(c) == 0xC2 || static_cast<uint8_t>(c) == 0xE2;
  };
  while (*p) {
    if (*p == '"') {
      // A quoted text names a component by its text, not its code.
      const char* end = std::strchr(p + 1, '"');
      int32_t n = end ? static_cast<int32_t>(end - p + 1) : static_cast<int32_t>(std::strlen(p));
      TextBufAppendBytes(&out, p, n);
      p += n;
      continue;
    }
    if (isSeparator(*p)) {
      TextBufAppendChar(&out, *p++);
      continue;
    }
    const char* start = p;
    while (*p && *p != '"' && !isSeparator(*p)) ++p;
    TextBufAssignBytes(&word, start, static_cast<int32_t>(p - start));
    ComponentRecord* c = FindByCode(tree->database, tree->dimension, word.data);
    DimNode* node = nullptr;
    for (DimNode* n = c ? DimTreeNextNode(tree, &tree->root) : nullptr; n && !node;
         n = DimTreeNextNode(tree, n)) {
      if (n->component == c) node = n;
    }
    if (node) {
      DimNodeFullCode(node, &code);
      ApplyCase(&code, tree->codeCase);
      TextBufAppendBuf(&out, &code);
    } else {
      TextBufAppendBuf(&out, &word);
    }
  }
  TextBufAssignBuf(text, &out);
}

// --- Imports -----------------------------------------------------------------------------------

// --- Imports -----------------------------------------------------------------------------------

bool DimTreeBeginImport(DimTree* tree) {
  DimNode* first = tree->root.firstChild;
  tree->placeholder = first && !first->next && !first->firstChild && !first->component &&
                              !first->text && !first->hostCode
                          ? first
                          : nullptr;
  return BuildIndexes(tree);
}

DimNode* DimTreeFindImported(DimTree* tree, int32_t lookup, const char* key) {
  if (!tree->indexed || !key || !key[0]) return nullptr;
  if (lookup == kDimFieldCode) return static_cast<DimNode*>(HashIndexFind(&tree->byCode, key));
  if (lookup == kDimFieldHost) return static_cast<DimNode*>(HashIndexFind(&tree->byHost, key));
  for (DimNode* n = DimTreeNextNode(tree, &tree->root); n; n = DimTreeNextNode(tree, n)) {
    if (n->text && SameByRule(tree->textCase, n->text, key)) return n;
  }
  return nullptr;
}

DimNode* DimTreeImportNode(DimTree* tree, DimNode* parent, const char* code, const char* text,
                           const char* hostCode) {
  T_TextBuf cleanCode, cleanText, cleanHost;
  if (!NormaliseComponentTexts(tree->database->dimensions[tree->dimension], code, text, hostCode,
                               &cleanCode, &cleanText, &cleanHost))
    return nullptr;
  if (!parent) parent = &tree->root;
  DimNode* node = NewNode(tree);
  if (!node) return nullptr;
  // The code part is what follows the parent's full code; a code that does not start with it
  // is taken whole, as a typed code would be.
  const char* prefix = parent == &tree->root ? "" : parent->fullCode;
  int32_t skip = BlockTextLength(prefix);
  T_TextBuf head;
  if (cleanCode.length > skip) TextBufAssignBytes(&head, cleanCode.data, skip);
  bool prefixed = skip > 0 && cleanCode.length > skip &&
                  SameByRule(tree->codeCase, head.c_str(), prefix);
  const char* part = cleanCode.data + (prefixed ? skip : 0);
  T_TextBuf full(prefix);
  TextBufAppend(&full, part);
  if (!BlockTextAssign(&node->code, part) || !BlockTextAssignBuf(&node->fullCode, &full)) {
    FreeNodeMemory(node);
    return nullptr;
  }
  BlockTextAssignBuf(&node->text, &cleanText);
  BlockTextAssignBuf(&node->hostCode, &cleanHost);
  AppendChild(parent, node);
  for (DimNode* p = parent; p != &tree->root; p = p->parent) p->expanded = 1;
  HashIndexInsert(&tree->byCode, node);
  if (node->hostCode) HashIndexInsert(&tree->byHost, node);
  return node;
}

void DimTreeImportModify(DimTree* tree, DimNode* node, const char* text, const char* hostCode) {
  if (text) DimTreeSetText(tree, node, kDimFieldText, text);
  if (!hostCode) return;
  if (tree->indexed && node->hostCode) HashIndexRemove(&tree->byHost, node);
  DimTreeSetText(tree, node, kDimFieldHost, hostCode);
  if (node->hostCode && !node->hostCode[0]) BlockTextFree(&node->hostCode);
  if (tree->indexed && node->hostCode) HashIndexInsert(&tree->byHost, node);
}

void DimTreeEndImport(DimTree* tree, int64_t added, uint64_t started) {
  DropIndexes(tree);
  LogLoadTime(tree->database, "components", added, started);
  // The one empty row an empty dimension shows goes once rows follow it.
  DimNode* placeholder = tree->placeholder;
  tree->placeholder = nullptr;
  if (added > 0 && placeholder && placeholder == tree->root.firstChild && placeholder->next &&
      !placeholder->firstChild && !placeholder->text && !placeholder->hostCode) {
    Unlink(placeholder);
    FreeTexts(placeholder);
    placeholder->next = tree->freeList;
    tree->freeList = placeholder;
  }
  DimTreeBuildRows(tree);
}

int64_t DimTreeImportRows(DimTree* tree, T_IStream* stream) {
  uint64_t started = TickCount();
  if (!DimTreeBeginImport(tree)) return 0;
  int64_t added = 0;
  T_TextBuf code, text, host, prefix;
  while (stream->NextLine() && !AbortRequested()) {
    stream->ReadFieldBuf(&code);
    stream->ReadFieldBuf(&text);
    stream->ReadFieldBuf(&host);
    T_TextBuf cleanCode, cleanText, cleanHost;
    if (!NormaliseComponentTexts(tree->database->dimensions[tree->dimension], code.data, text.data,
                                 host.data, &cleanCode, &cleanText, &cleanHost))
      continue;
    if (DimTreeFindImported(tree, kDimFieldCode, cleanCode.data)) {
      LogOperation(tree->database, "duplicate component", cleanCode.data, kLogVerbSkipped);
      continue;
    }
    // The parent: the longest existing prefix.
    DimNode* parent = &tree->root;
    for (int32_t n = cleanCode.length - 1; n > 0; --n) {
      TextBufAssignBytes(&prefix, cleanCode.data, n);
      if (DimNode* found = DimTreeFindImported(tree, kDimFieldCode, prefix.data)) {
        parent = found;
        break;
      }
    }
    if (!cleanHost.empty() && DimTreeFindImported(tree, kDimFieldHost, cleanHost.data)) {
      AlertHostDefined(tree, cleanHost.data);
      TextBufAssign(&cleanHost, "");
    }
    if (!DimTreeImportNode(tree, parent, cleanCode.data, cleanText.data, cleanHost.data)) break;
    ++added;
  }
  DimTreeEndImport(tree, added, started);
  return added;
}
