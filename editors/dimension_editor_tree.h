#pragma once
// The dimension editor's private copy of one dimension's component tree: editor nodes that the
// user types into, adds, moves, sorts and removes, and that are applied to the database in one
// step. A component's full code is its parent's full code followed by its own code part.
//
// Invariants:
//   1. sibling lists are circular backwards (a first child's previous is the last child; the
//      root's previous is the root) and end forwards with null;
//   2. a node that stood for a database component and was removed goes to the removed list
//      (linked by next), every other freed node to the free list;
//   3. rows holds the visible nodes in pre-order (a node is visible when every ancestor is
//      expanded; the root is always expanded and is not a row).
//
// User-interface thread only (through the database).
#include <cstdint>

#include "core/bit_vector.h"
#include "core/hash_index.h"
#include "core/input_stream.h"
#include "core/text_buffer.h"

class T_Base;
struct ComponentRecord;

struct DimNode {
  DimNode* parent = nullptr;
  DimNode* firstChild = nullptr;
  DimNode* next = nullptr;      // also the free and removed lists' link
  DimNode* previous = nullptr;  // circular, see invariant 1
  char* code = nullptr;         // owned: the own code part
  char* text = nullptr;         // owned
  char* hostCode = nullptr;     // owned
  char* fullCode = nullptr;     // owned, only while an import indexes the nodes
  uint8_t expanded = 0;
  ComponentRecord* component = nullptr;  // the component it stands for, or none
};

// Fields of the grid and of sorting.
constexpr int32_t kDimFieldCode = 0;
constexpr int32_t kDimFieldText = 1;
constexpr int32_t kDimFieldHost = 2;

// Results of applying and removing.
constexpr int32_t kDimApplied = 0;
constexpr int32_t kDimInUse = 3315;      // Component "@0" is in use and cannot be removed.
constexpr int32_t kDimCodeTwice = 3316;  // QEB-code "@0" defined more than once in dimension @1.
constexpr int32_t kDimHostTwice = 3317;  // Host code "@0" defined more than once in dimension @1.
constexpr int32_t kDimOutOfMemory = 600;

struct DimTree {
  T_Base* database = nullptr;
  int32_t dimension = 0;
  int32_t codeCase = 0;
  int32_t textCase = 5;
  int32_t hostCase = 5;
  DimNode root;
  DimNode* freeList = nullptr;
  DimNode* removed = nullptr;
  DimNode** rows = nullptr;  // owned MemAlloc block
  int64_t rowCount = 0;
  int64_t rowCapacity = 0;
  // While an import runs: the nodes by full code and by host code.
  HashIndex byCode;
  HashIndex byHost;
  uint8_t indexed = 0;
  DimNode* placeholder = nullptr;  // while an import runs: the lone empty row it replaces
};

// The allocation of a component record while applying (a seam for tests); null: none.
using DimComponentAllocator = ComponentRecord* (*)(T_Base* base);
void SetDimComponentAllocator(DimComponentAllocator allocator);

// The tree of the dimension, copied from the database; false without memory.
bool DimTreeLoad(DimTree* tree, T_Base* database, int32_t dimension);
void DimTreeFree(DimTree* tree);
void DimTreeBuildRows(DimTree* tree);
int64_t DimTreeRowOf(const DimTree* tree, const DimNode* node);
int32_t DimNodeDepth(const DimNode* node);  // 0 for a child of the root
void DimNodeFullCode(const DimNode* node, T_TextBuf* code);
// Equal under the code letter-case rule of the tree (rule 4 exact, any other ignoring case).
bool DimCodesEqual(const DimTree* tree, const char* a, const char* b);
DimNode* DimTreeNextNode(const DimTree* tree, DimNode* node);  // pre-order, null after the last

// The code part a sibling does not have: an empty start is "A" ("a" for lower-case codes); the
// last character steps ("9", "Z", "z" roll over to the fill character and carry), a carry past
// the first character puts the fill character in front.
void NextFreeCode(const DimTree* tree, const char* start, const DimNode* parent, T_TextBuf* out);

// Cell edits (the text trimmed and cut to 1023 bytes). A code keeps its parent's full code as
// prefix; only what follows it becomes the code part, and the node moves to its sorted place.
void DimTreeSetCode(DimTree* tree, DimNode* node, const char* typed);
void DimTreeSetText(DimTree* tree, DimNode* node, int32_t field, const char* typed);

// A new node after the current (or as the first child of an expanded current with children),
// its code part unique among its siblings; with copyTexts the text and host code are copied.
DimNode* DimTreeNewNode(DimTree* tree, DimNode* current, bool copyTexts);

// The moves; false when refused (the caller beeps).
bool DimTreeMoveOut(DimTree* tree, DimNode* node);
bool DimTreeMoveIntoPrevious(DimTree* tree, DimNode* node);
bool DimTreeMoveUp(DimTree* tree, DimNode* node);
bool DimTreeMoveDown(DimTree* tree, DimNode* node);
// After target (or as its first child when it is expanded); into: as target's first child.
void DimTreeMoveAfter(DimTree* tree, DimNode* node, DimNode* target);
void DimTreeMoveInto(DimTree* tree, DimNode* node, DimNode* target);
// Collapses an expanded node with its descendants, or expands a collapsed one alone.
void DimTreeToggle(DimTree* tree, DimNode* node);
void DimTreeExpandAll(DimTree* tree, DimNode* node);
// Expands every node above the level (0 the root's children) and collapses the rest.
void DimTreeExpandToLevel(DimTree* tree, int32_t level);
void DimTreeReveal(DimTree* tree, DimNode* node);
void DimTreeReverse(DimTree* tree, DimNode* node);
// Sorts the children of the node by the field's text (letter case ignored, missing texts last,
// ties keep their order); descending negates; sublevels sorts every subtree below too.
void DimTreeSort(DimTree* tree, DimNode* node, int32_t field, bool descending, bool sublevels);

// Removes the subtree, unless it holds a node whose component is in use: that node is returned
// (and nothing removed).
DimNode* DimTreeRemove(DimTree* tree, DimNode* node);

// kDimApplied, or kDimCodeTwice / kDimHostTwice with the second of the two nodes.
int32_t DimTreeDuplicateCheck(DimTree* tree, DimNode** offending);
// Whether the nodes differ from the database's components.
bool DimTreeChanged(DimTree* tree);
// Applies the tree: codes 12 and 13 (object: the editor), the chain rebuilt, the removed
// components deleted, the indexes rebuilt, code 11. kDimInUse (a removed component came into
// use; inUse gets its text) or kDimOutOfMemory leave the database as it was.
int32_t DimTreeApply(DimTree* tree, void* editor, T_TextBuf* inUse);

// Rewrites the component references of a selection text (codes as the database has them) into
// the codes the nodes will give them.
void RewriteDimensionText(DimTree* tree, T_TextBuf* text);

// An import into the tree: Begin indexes the nodes by full code and host code (sized for the
// nodes plus 2000); Find looks a node up by full code, text (the first in pre-order) or host code
// (kDimField*); ImportNode appends a node (texts cleaned as the model cleans them; its code part
// is what follows the parent's full code, or the whole code when it does not start with it),
// expands its ancestors and indexes it; Modify gives a node a new text or host code (null keeps,
// empty clears) keeping the index current; End drops the indexes, logs "components" with the
// count and the time taken, removes the lone empty row the import replaced and rebuilds the rows.
bool DimTreeBeginImport(DimTree* tree);
DimNode* DimTreeFindImported(DimTree* tree, int32_t lookup, const char* key);
DimNode* DimTreeImportNode(DimTree* tree, DimNode* parent, const char* code, const char* text,
                           const char* hostCode);
void DimTreeImportModify(DimTree* tree, DimNode* node, const char* text, const char* hostCode);
void DimTreeEndImport(DimTree* tree, int64_t added, uint64_t started);

// Plain rows (code, text, host code, TAB-separated): rows whose code exists are skipped (logged),
// a host code another node has is reported (3314) and dropped, the parent is the node of the
// longest existing prefix. The number of nodes added.
int64_t DimTreeImportRows(DimTree* tree, T_IStream* stream);
