#pragma once
// ComponentSelection: the restriction of each of the 32 dimensions to a set of components, one
// compiled selection expression (a postfix program) per dimension, and the bit set of the
// components the programs select. Card selections, templates and subsets embed one.
#include <cstdint>

#include "core/bit_vector.h"

class T_Base;
class T_GrafElement;
class T_OStream;
struct T_TextBuf;

// The compiled program of one dimension: an owned block (the layout is the compiler's).
struct SelectionProgram;

struct ComponentSelection {
  T_Base* database = nullptr;
  SelectionProgram* programs[32] = {};  // null: the dimension is unrestricted
  BitVector components;                 // by component record number; all set at creation
  T_GrafElement* owner = nullptr;       // parent of the component finder when a code is unknown
};

// No programs; the bit set sized to the component pool and all set.
void CompSelInit(ComponentSelection* selection, T_Base* database, T_GrafElement* owner);
void CompSelFree(ComponentSelection* selection);
// Compiles the text into dimension d (null or empty: unrestricted) and recalculates d. False
// (nothing changed) when the text does not compile.
bool CompSelCompileDimension(ComponentSelection* selection, int32_t d, const char* text);
// The edit path: cuts the text to 1023 bytes, compiles it and replaces it by the display form of
// d's program (the previous expression's after a failure).
void CompSelSetDimensionText(ComponentSelection* selection, T_TextBuf* text, int32_t d);
void CompSelClearAll(ComponentSelection* selection);
// Compiles texts[d] into dimension d for every d (32 texts, null for none).
void CompSelCompileAll(ComponentSelection* selection, char* const* texts);
// The printed program of d, empty when d has none. The separator is ' ' for the display form and
// 0 for the stored form.
void CompSelPrintDimension(const ComponentSelection* selection, T_TextBuf* text, int32_t d,
                           char separator);
// One line per restricted dimension in the database's dimension order: prefix, d + 1, TAB, the
// stored form.
void CompSelWriteKeys(const ComponentSelection* selection, T_OStream* stream, const char* prefix);
bool CompSelHasExpression(const ComponentSelection* selection, int32_t d);
// Sets the bit of every component that a program names.
void CompSelMarkReferenced(const ComponentSelection* selection, BitVector* set);
// Codes 11 (recalculate the dimension) and 12 (remap deleted components, then recalculate).
void CompSelOnChange(ComponentSelection* selection, int32_t code, int32_t d,
                     const BitVector* removed);
void CompSelRecalculate(ComponentSelection* selection, int32_t d);
inline bool CompSelSelects(const ComponentSelection* selection, int64_t component) {
  return component < selection->components.count && BitVecGet(&selection->components, component);
}
