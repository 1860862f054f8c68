#pragma once
// Walks and link edits of the component trees. Each dimension is one tree whose root is the
// component record with the dimension's number; the records are linked as follows:
//
//   nextSibling   the next child of the same parent, null for the last child
//   prevSibling   the previous child; the first child's points to the last child, so appending
//                 needs no walk; a root's points to itself
//   parent        null for a root
//   firstChild    null for a leaf
//
// A pre-order walk of a whole dimension starts at its root and ends when a walk step answers a
// node without parent (the root again). Bounded walks end at their top node instead.
//
// Pure over the records: nothing here allocates, sends notes or touches the indexes.
#include <cstdint>

#include "core/bit_vector.h"
#include "database/model_records.h"

class T_Base;

// Pre-order successor: the first child, else the next sibling of the node or of its nearest
// ancestor that has one; the root when the walk is over.
ComponentRecord* CompTreeNext(ComponentRecord* node);
// The same, ending at top (answered when the subtree of top is done).
ComponentRecord* CompTreeNextWithin(ComponentRecord* node, ComponentRecord* top);
// The walk with a level counter: +1 into a child, -1 for each level climbed.
ComponentRecord* CompTreeNextDepth(ComponentRecord* node, int32_t* depth);
ComponentRecord* CompTreeNextWithinDepth(ComponentRecord* node, ComponentRecord* top,
                                         int32_t* depth);
// Passes over the node's own subtree: the next sibling of the node or of its nearest ancestor
// below top; top when there is none.
ComponentRecord* CompTreeSkip(ComponentRecord* node, ComponentRecord* top, int32_t* depth);
// Pre-order with children and siblings taken last to first; the root when the walk is over.
ComponentRecord* CompTreeNextReverse(ComponentRecord* node);

// 0 for a root, 1 for a child of a root, and so on.
int32_t CompDepth(const ComponentRecord* node);

// Sets the bits of the node and of every node below it. The set must cover their numbers.
void CompMarkSubtree(BitVector* set, const ComponentRecord* node);
// For every set bit of a component, sets the bits of its ancestors (roots included), stopping
// at the first ancestor already set.
void CompCloseUpward(T_Base* base, BitVector* set);
// The lowest common ancestor of the components of the dimension whose bits are set; the root
// when none is.
ComponentRecord* CompCommonAncestor(T_Base* base, int32_t dimension, const BitVector* set);
// From the node upward, the first ancestor whose bit is clear: the node itself when it has no
// parent, the root when every ancestor below it is set. Bits beyond the set count as clear.
ComponentRecord* CompFirstAncestorOutside(ComponentRecord* node, const BitVector* set);

// Link edits. The node must be unlinked; unlinking leaves it without parent and siblings.
void CompAppendChild(ComponentRecord* parent, ComponentRecord* node);
void CompInsertAfter(ComponentRecord* sibling, ComponentRecord* node);
void CompUnlink(ComponentRecord* node);

// A bit of a set that may be shorter than the pool: bits beyond it are clear.
inline bool CompBitSet(const BitVector* set, int64_t number) {
  return number < set->count && BitVecGet(set, number);
}
