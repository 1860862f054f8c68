#include "database/component_tree.h"

#include "database/base.h"
#include "database/components.h"

ComponentRecord* CompTreeNext(ComponentRecord* node) {
  if (node->firstChild) return node->firstChild;
  while (node->parent) {
    if (node->nextSibling) return node->nextSibling;
    node = node->parent;
  }
  return node;
}

ComponentRecord* CompTreeNextWithin(ComponentRecord* node, ComponentRecord* top) {
  if (node->firstChild) return node->firstChild;
  while (node != top && node->parent) {
    if (node->nextSibling) return node->nextSibling;
    node = node->parent;
  }
  return top;
}

ComponentRecord* CompTreeNextDepth(ComponentRecord* node, int32_t* depth) {
  if (node->firstChild) {
    ++*depth;
    return node->firstChild;
  }
  while (node->parent) {
    if (node->nextSibling) return node->nextSibling;
    node = node->parent;
    --*depth;
  }
  return node;
}

ComponentRecord* CompTreeNextWithinDepth(ComponentRecord* node, ComponentRecord* top,
                                         int32_t* depth) {
  if (node->firstChild) {
    ++*depth;
    return node->firstChild;
  }
  return CompTreeSkip(node, top, depth);
}

ComponentRecord* CompTreeSkip(ComponentRecord* node, ComponentRecord* top, int32_t* depth) {
  while (node != top && node->parent) {
    if (node->nextSibling) return node->nextSibling;
    node = node->parent;
    --*depth;
  }
  return top;
}

namespace {

// The sibling before the node in reverse order's sense: none for the first child.
ComponentRecord* PreviousSibling(ComponentRecord* node) {
  return node->parent->firstChild == node ? nullptr : node->prevSibling;
}

}  // namespace

ComponentRecord* CompTreeNextReverse(ComponentRecord* node) {
  if (node->firstChild) return node->firstChild->prevSibling;
  while (node->parent) {
    if (ComponentRecord* previous = PreviousSibling(node)) return previous;
    node = node->parent;
  }
  return node;
}

int32_t CompDepth(const ComponentRecord* node) {
  int32_t depth = 0;
  for (; node->parent; node = node->parent) ++depth;
  return depth;
}

void CompMarkSubtree(BitVector* set, const ComponentRecord* node) {
  auto* top = const_cast<ComponentRecord*>(node);
  ComponentRecord* walk = top;
  do {
    BitVecSet(set, walk->number, true);
    walk = CompTreeNextWithin(walk, top);
  } while (walk != top);
}

void CompCloseUpward(T_Base* base, BitVector* set) {
  int64_t limit = set->count < base->componentPool.count ? set->count : base->componentPool.count;
  for (int64_t i = BitVecNextSet(set, -1); i >= 0 && i < limit; i = BitVecNextSet(set, i)) {
    for (ComponentRecord* up = ComponentAt(base, i)->parent; up; up = up->parent) {
      if (CompBitSet(set, up->number)) break;
      if (up->number < set->count) BitVecSet(set, up->number, true);
    }
  }
}

namespace {

ComponentRecord* CommonAncestor(ComponentRecord* a, ComponentRecord* b) {
  int32_t depthA = CompDepth(a);
  int32_t depthB = CompDepth(b);
  for (; depthA > depthB; --depthA) a = a->parent;
  for (; depthB > depthA; --depthB) b = b->parent;
  while (a != b) {
    a = a->parent;
    b = b->parent;
  }
  return a;
}

}  // namespace

ComponentRecord* CompCommonAncestor(T_Base* base, int32_t dimension, const BitVector* set) {
  ComponentRecord* root = ComponentAt(base, dimension);
  ComponentRecord* found = nullptr;
  for (ComponentRecord* c = CompTreeNext(root); c != root; c = CompTreeNext(c)) {
    if (!CompBitSet(set, c->number)) continue;
    found = found ? CommonAncestor(found, c) : c;
    if (found == root) break;
  }
  return found ? found : root;
}

ComponentRecord* CompFirstAncestorOutside(ComponentRecord* node, const BitVector* set) {
  if (!node->parent) return node;
  ComponentRecord* up = node->parent;
  while (up->parent && CompBitSet(set, up->number)) up = up->parent;
  return up;
}

void CompAppendChild(ComponentRecord* parent, ComponentRecord* node) {
  node->parent = parent;
  node->nextSibling = nullptr;
  ComponentRecord* first = parent->firstChild;
  if (!first) {
    parent->firstChild = node;
    node->prevSibling = node;
    return;
  }
  ComponentRecord* last = first->prevSibling;
  last->nextSibling = node;
  node->prevSibling = last;
  first->prevSibling = node;
}

void CompInsertAfter(ComponentRecord* sibling, ComponentRecord* node) {
  ComponentRecord* parent = sibling->parent;
  node->parent = parent;
  node->prevSibling = sibling;
  node->nextSibling = sibling->nextSibling;
  if (sibling->nextSibling)
    sibling->nextSibling->prevSibling = node;
  else
    parent->firstChild->prevSibling = node;
  sibling->nextSibling = node;
}

void CompUnlink(ComponentRecord* node) {
  ComponentRecord* parent = node->parent;
  if (!parent) return;
  ComponentRecord* first = parent->firstChild;
  if (node == first) {
    parent->firstChild = node->nextSibling;
    if (node->nextSibling) node->nextSibling->prevSibling = node->prevSibling;
  } else {
    node->prevSibling->nextSibling = node->nextSibling;
    if (node->nextSibling)
      node->nextSibling->prevSibling = node->prevSibling;
    else
      first->prevSibling = node->prevSibling;
  }
  node->parent = nullptr;
  node->nextSibling = nullptr;
  node->prevSibling = node;
}
