// The evaluator of compiled selection programs, and the upkeep of the components they name
// (ancestry and remapping after deletions).
#include "core/alert.h"
#include "core/criteria.h"
#include "core/memory.h"
#include "database/base.h"
#include "database/component_tree.h"
#include "database/components.h"
#include "database/selection_program.h"
#include "ui/link_markup.h"

namespace {

ComponentRecord* Root(T_Base* base, int32_t d) { return ComponentAt(base, d); }

void Mark(BitVector* set, const ComponentRecord* node) { BitVecSet(set, node->number, true); }

// The node and its ancestors below the root.
void MarkUpward(BitVector* set, const ComponentRecord* node) {
  for (; node->parent; node = node->parent) Mark(set, node);
}

// The components below top (top excluded) that have children (inner) or none (leaves), never
// a top-level component among the inner ones.
void MarkBelow(BitVector* set, ComponentRecord* top, bool inner) {
  for (ComponentRecord* node = CompTreeNextWithin(top, top); node != top;
       node = CompTreeNextWithin(node, top)) {
    bool hasChildren = node->firstChild != nullptr;
    if (inner ? hasChildren && node->parent->parent : !hasChildren) Mark(set, node);
  }
}

// a, then every component after it in pre-order up to b; past the last component the walk goes
// on from the first top-level one.
void MarkRange(T_Base* base, int32_t d, BitVector* set, ComponentRecord* a, ComponentRecord* b,
               bool withDescendants) {
  ComponentRecord* root = Root(base, d);
  if (a != root) Mark(set, a);
  int64_t steps = base->componentPool.count;
  for (ComponentRecord* node = a; node != b && steps-- > 0;) {
    node = CompTreeNext(node);
    if (node == root) {
      node = CompTreeNext(root);
      if (node == root) break;
    }
    if (node == a) break;
    Mark(set, node);
  }
  if (withDescendants) CompMarkSubtree(set, b);
}

void MarkPattern(T_Base* base, int32_t d, BitVector* set, const char* pattern, bool hostCodes,
                 bool withAncestors) {
  if (*pattern == kBracketedPattern) ++pattern;
  const DimensionRecord* dimension = base->dimensions[d];
  T_TextBuf text(pattern);
  CriteriaPattern criteria;
  Criteria_Init(&criteria);
  Criteria_Compile(&criteria, &text, hostCodes ? dimension->hostCase : dimension->textCase, false);
  T_TextBuf scratch;
  ComponentRecord* root = Root(base, d);
  for (ComponentRecord* node = CompTreeNext(root); node != root; node = CompTreeNext(node)) {
    const char* field = hostCodes ? node->hostCode : node->text;
    if (!Criteria_MatchCStr(&criteria, LinkText_PlainText(base->linkContext, &scratch, field)))
      continue;
    if (withAncestors)
      MarkUpward(set, node);
    else
      Mark(set, node);
  }
  MemFreeHeld(&criteria);
}

// The set of one operand record (the range's end record is records[1]).
void MarkOperand(T_Base* base, int32_t d, const SelectionProgram* program,
                 const SelectionRecord* records, BitVector* set) {
  ComponentRecord* root = Root(base, d);
  uint32_t opcode = records[0].opcode;
  if (NamesComponent(opcode)) {
    if (!ComponentInDimension(base, d, records[0].argument)) return;
    if (opcode == kSelRange && !ComponentInDimension(base, d, records[1].argument)) return;
  }
  ComponentRecord* c = NamesComponent(opcode) ? ComponentAt(base, records[0].argument) : nullptr;
  switch (opcode) {
    case kSelRoot:
      Mark(set, root);
      return;
    case kSelTop:
      for (ComponentRecord* child = root->firstChild; child; child = child->nextSibling)
        Mark(set, child);
      return;
    case kSelInner:
      MarkBelow(set, root, true);
      return;
    case kSelLeaves:
      MarkBelow(set, root, false);
      return;
    case kSelComponent:
      CompMarkSubtree(set, c);
      return;
    case kSelRange:
      MarkRange(base, d, set, c, ComponentAt(base, records[1].argument),
                records[1].opcode == kSelRange);
      return;
    case kSelAncestors:
      MarkUpward(set, c);
      return;
    case kSelAlone:
      Mark(set, c);
      return;
    case kSelInnerOf:
      MarkBelow(set, c, true);
      return;
    case kSelLeavesOf:
      MarkBelow(set, c, false);
      return;
    case kSelText:
    case kSelTextUp:
    case kSelHost:
    case kSelHostUp: {
      const char* pattern = ProgramPool(program) + records[0].argument;
      MarkPattern(base, d, set, pattern, opcode >= kSelHost,
                  opcode == kSelTextUp || opcode == kSelHostUp);
      return;
    }
    default:  // the empty set
      return;
  }
}

struct SetStack {
  BitVector* sets = nullptr;
  int32_t made = 0;

  ~SetStack() {
    for (int32_t i = 0; i < made; ++i) BitVecFree(&sets[i]);
    MemFree(sets);
  }
  bool Make(int32_t depth, int64_t bits) {
    sets = static_cast<BitVector*>(MemAlloc(static_cast<int64_t>(depth) * sizeof(BitVector), 0));
    if (!sets) return false;
    for (; made < depth; ++made) {
      sets[made] = BitVector{};
      BitVecInit(&sets[made], bits, 0);
      if (sets[made].count != bits) {
        ++made;
        return false;
      }
    }
    return true;
  }
};

// The ancestors of a component below the root, nearest first.
int32_t CountAncestors(const ComponentRecord* node) {
  int32_t n = 0;
  for (node = node->parent; node && node->parent; node = node->parent) ++n;
  return n;
}

}  // namespace

bool ComponentInDimension(T_Base* base, int32_t d, int64_t component) {
  if (component < 0 || component >= base->componentPool.count) return false;
  const ComponentRecord* node = ComponentAt(base, component);
  while (node->parent) node = node->parent;
  return node->number == d;
}

bool EvaluateSelection(T_Base* base, int32_t d, const SelectionProgram* program,
                       BitVector* components) {
  int64_t bits = base->componentPool.count;
  SetStack stack;
  if (!stack.Make(static_cast<int32_t>(program->stackDepth), bits)) return false;
  int32_t top = -1;
  const SelectionRecord* records = ProgramRecords(program);
  for (uint32_t i = 0; i < program->recordCount && records[i].opcode != kSelEnd; ++i) {
    uint32_t opcode = records[i].opcode;
    if (opcode >= kSelRoot) {
      if (top + 1 >= stack.made) return false;  // a program the compiler never makes
      BitVector* set = &stack.sets[++top];
      BitVecFill(set, false);
      MarkOperand(base, d, program, records + i, set);
      if (opcode == kSelRange) ++i;
    } else if (opcode == kSelComplement) {
      if (top < 0) return false;
      BitVecNot(&stack.sets[top]);
    } else {
      if (top < 1) return false;
      BitVector* left = &stack.sets[top - 1];
      const BitVector* right = &stack.sets[top--];
      switch (opcode) {
        case kSelAnd:
          BitVecAnd(left, right);
          break;
        case kSelUnion:
          BitVecOr(left, right);
          break;
        case kSelEither:
          BitVecXor(left, right);
          break;
        default:
          BitVecAndNot(left, right);
          break;
      }
    }
    if (AbortRequested()) return false;
  }
  if (top < 0) return false;
  const BitVector* result = &stack.sets[top];
  ComponentRecord* root = Root(base, d);
  ComponentRecord* node = root;
  do {
    BitVecSet(components, node->number, BitVecGet(result, node->number));
    node = CompTreeNext(node);
  } while (node != root);
  return true;
}

bool RefreshAncestry(T_Base* base, int32_t d, SelectionProgram* program) {
  const SelectionRecord* records = ProgramRecords(program);
  const int64_t* old = program->ancestry;
  // Pass 0 measures, pass 1 writes.
  int64_t* fresh = nullptr;
  int64_t size = 0;
  for (int32_t pass = 0; pass < 2; ++pass) {
    int64_t at = 0;
    int64_t oldAt = 0;
    for (uint32_t i = 0; i < program->recordCount; ++i) {
      if (!NamesComponent(records[i].opcode)) continue;
      int64_t oldCount = old ? old[oldAt] : 0;
      const int64_t* oldChain = old ? old + oldAt + 1 : nullptr;
      if (old) oldAt += 1 + oldCount;
      if (ComponentInDimension(base, d, records[i].argument)) {
        const ComponentRecord* node = ComponentAt(base, records[i].argument);
        int32_t n = CountAncestors(node);
        if (fresh) {
          fresh[at] = n;
          int64_t k = at + 1;
          for (node = node->parent; node && node->parent; node = node->parent)
            fresh[k++] = node->number;
        }
        at += 1 + n;
      } else {
        if (fresh) {
          fresh[at] = oldCount;
          for (int64_t k = 0; k < oldCount; ++k) fresh[at + 1 + k] = oldChain[k];
        }
        at += 1 + oldCount;
      }
    }
    if (pass == 0) {
      size = at;
      if (size == 0) break;
      fresh = static_cast<int64_t*>(MemAlloc(size * static_cast<int64_t>(sizeof(int64_t)), 0));
      if (!fresh) return false;
    }
  }
  MemFree(program->ancestry);
  program->ancestry = fresh;
  return true;
}

bool RemapSelection(T_Base* base, int32_t d, SelectionProgram* program, const BitVector* removed) {
  SelectionRecord* records = ProgramRecords(program);
  const int64_t* ancestry = program->ancestry;
  int64_t at = 0;
  bool changed = false;
  auto gone = [&](int64_t component) {
    return CompBitSet(removed, component) || !ComponentInDimension(base, d, component);
  };
  for (uint32_t i = 0; i < program->recordCount; ++i) {
    if (!NamesComponent(records[i].opcode)) continue;
    int64_t storedCount = ancestry ? ancestry[at] : 0;
    const int64_t* stored = ancestry ? ancestry + at + 1 : nullptr;
    if (ancestry) at += 1 + storedCount;
    int64_t x = records[i].argument;
    if (x == d) continue;
    // The component, then its ancestors nearest first: from the tree while it stands there,
    // else as they were at the last evaluation.
    constexpr int32_t kMaxDepth = 1024;
    int64_t chain[kMaxDepth];
    int32_t n = 0;
    chain[n++] = x;
    if (ComponentInDimension(base, d, x)) {
      for (const ComponentRecord* node = ComponentAt(base, x)->parent;
           node && node->parent && n < kMaxDepth; node = node->parent)
        chain[n++] = node->number;
    } else {
      for (int64_t k = 0; k < storedCount && n < kMaxDepth; ++k) chain[n++] = stored[k];
    }
    int32_t topmostGone = -1;
    for (int32_t k = 0; k < n; ++k) {
      if (gone(chain[k])) topmostGone = k;
    }
    if (topmostGone < 0) continue;
    records[i].argument = topmostGone + 1 < n ? chain[topmostGone + 1] : d;
    changed = true;
  }
  return changed;
}
