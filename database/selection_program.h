#pragma once
// Compiled selection expressions: the postfix program of one dimension, its compiler (with the
// simplifier), its evaluator into a component bit set and its printer. ComponentSelection
// (database/component_selection.h) holds one program per dimension.
//
// A program is one MemAlloc block:
//
//   offset  size    meaning
//   0       4       u32 offset of the string pool from the block start
//   4       4       u32 depth of the evaluator's stack (the most sets the program holds at once)
//   8       4       u32 number of records, the end record included
//   12      4       0
//   16      8       the ancestry block (see below), owned; null for none
//   24      16 n    records {u32 opcode, u32 0, i64 argument}; the last one has opcode 1
//   pool    p       the patterns of "=" and "@", each ended by a NUL; a pattern read in brackets
//                   starts with the byte 4
//
// Opcodes (the scanner's token codes, database/selection_scanner.h, where they are operators):
//
//   1 end               9  "\" the root itself           17 c^  c and its ancestors
//   2 "&" intersection  10 "\\" the empty set            18 c!  c alone
//   3 "|" union         11 "!" the top-level components  19 c?  inner descendants of c
//   4 "±" either-or     12 "?" components with children  20 c¶  leaf descendants of c
//   5 "¬" complement        below the top level          21 =p  text matches p
//   6 "¬" difference    13 "¶" the leaves                22 =p^ the same with ancestors
//                       14 c   c and its descendants     23 @p  host code matches p
//                       15 range start {15 a}, then      24 @p^ the same with ancestors
//                          {15 b} (b's descendants too)
//                       16 or {16 b} (without them)
//
// Component arguments are record numbers of the dimension; pattern arguments are offsets into
// the pool (32-bit, so a program may pass 64 KB).
//
// The ancestry block keeps, for every record that names a component (14 to 20, both records of a
// range), in record order: the number k of the component's ancestors below the root, then those
// k ancestors nearest first. It is refreshed at every evaluation, except for components no
// longer in the tree, which keep what they had: the components of a deleted subtree are freed
// before code 12 arrives, and the remap still finds their nearest surviving ancestor.
//
// User-interface thread only (through the database).
#include <cstdint>

#include "core/bit_vector.h"

class T_Base;
class T_Window;
struct T_TextBuf;

constexpr int32_t kSelNone = 0;
constexpr int32_t kSelEnd = 1;
constexpr int32_t kSelAnd = 2;
constexpr int32_t kSelUnion = 3;
constexpr int32_t kSelEither = 4;
constexpr int32_t kSelComplement = 5;
constexpr int32_t kSelDifference = 6;
constexpr int32_t kSelOpen = 7;
constexpr int32_t kSelClose = 8;
constexpr int32_t kSelRoot = 9;
constexpr int32_t kSelEmpty = 10;
constexpr int32_t kSelTop = 11;
constexpr int32_t kSelInner = 12;
constexpr int32_t kSelLeaves = 13;
constexpr int32_t kSelComponent = 14;
constexpr int32_t kSelRange = 15;
constexpr int32_t kSelRangeBare = 16;
constexpr int32_t kSelAncestors = 17;
constexpr int32_t kSelAlone = 18;
constexpr int32_t kSelInnerOf = 19;
constexpr int32_t kSelLeavesOf = 20;
constexpr int32_t kSelText = 21;
constexpr int32_t kSelTextUp = 22;
constexpr int32_t kSelHost = 23;
constexpr int32_t kSelHostUp = 24;

// Binding of the binary operators, loosest first: union 1, either-or 2, intersection and
// difference 3 (the complement, a prefix, binds at 4).
inline int32_t SelectionPrecedence(int32_t op) {
  switch (op) {
    case kSelUnion:
      return 1;
    case kSelEither:
      return 2;
    case kSelAnd:
    case kSelDifference:
      return 3;
    default:
      return 0;
  }
}

// The byte that starts a pattern read in brackets.
constexpr char kBracketedPattern = 4;

struct SelectionRecord {
  uint32_t opcode;
  uint32_t reserved;
  int64_t argument;
};

struct SelectionProgram {
  uint32_t poolOffset;
  uint32_t stackDepth;
  uint32_t recordCount;
  uint32_t reserved;
  int64_t* ancestry;
};

inline SelectionRecord* ProgramRecords(SelectionProgram* program) {
  return reinterpret_cast<SelectionRecord*>(program + 1);
}
inline const SelectionRecord* ProgramRecords(const SelectionProgram* program) {
  return reinterpret_cast<const SelectionRecord*>(program + 1);
}
inline const char* ProgramPool(const SelectionProgram* program) {
  return reinterpret_cast<const char*>(program) + program->poolOffset;
}
inline bool NamesComponent(uint32_t opcode) {
  return opcode >= kSelComponent && opcode <= kSelLeavesOf;
}

// What compiling a text gave.
enum class CompileResult {
  kProgram,       // a program
  kUnrestricted,  // nothing to select by (an empty text): no program
  kFailed,        // an unknown code, brackets nested beyond 500, or no memory: no program
};

// Compiles the text for dimension d. Codes are resolved through T_Base::FindComponentOrAsk (the
// owner is where the component finder opens); the first unknown one fails the compile.
CompileResult CompileSelection(T_Base* base, int32_t d, const char* text, T_Window* owner,
                               SelectionProgram** program);
void FreeSelectionProgram(SelectionProgram* program);

// The components the program selects, as bits of a set sized to the component pool (the bits of
// other dimensions are undefined). False, with nothing written, when the abort flag rose or the
// evaluator's sets could not be had; the caller then takes the whole dimension.
bool EvaluateSelection(T_Base* base, int32_t d, const SelectionProgram* program, BitVector* result);
// The program as text: operators between blanks when separator is ' ', without them when it is
// 0. A program of one plain component prints as its display text.
void PrintSelection(T_Base* base, int32_t d, const SelectionProgram* program, T_TextBuf* out,
                    char separator);

// Whether the component stands in the tree of dimension d (a freed or foreign record does not).
bool ComponentInDimension(T_Base* base, int32_t d, int64_t component);
// Refreshes the ancestry block (see above); false when memory ran out (the old one stays).
bool RefreshAncestry(T_Base* base, int32_t d, SelectionProgram* program);
// Replaces every named component that was removed (its bit is set, or it left the tree) by its
// nearest surviving ancestor, the root when none survives; the opcodes stay. True when a record
// changed.
bool RemapSelection(T_Base* base, int32_t d, SelectionProgram* program, const BitVector* removed);
