// Stand-ins for the selection-expression language until it lands; the lead deletes this file
// when merging it. Every dimension stays unrestricted: nothing is compiled, every text prints
// empty and the component set keeps every bit.
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/component_selection.h"

namespace {

void FitToPool(ComponentSelection* selection) {
  int64_t count = selection->database ? selection->database->componentPool.count : 0;
  if (selection->components.count != count) BitVecResizeFill(&selection->components, count, true);
}

}  // namespace

void CompSelInit(ComponentSelection* selection, T_Base* database, T_GrafElement* owner) {
  selection->database = database;
  selection->owner = owner;
  for (SelectionProgram*& program : selection->programs) program = nullptr;
  BitVecInit(&selection->components, database ? database->componentPool.count : 0, 0);
  BitVecFill(&selection->components, true);
}

void CompSelFree(ComponentSelection* selection) { BitVecFree(&selection->components); }

bool CompSelCompileDimension(ComponentSelection* selection, int32_t, const char*) {
  FitToPool(selection);
  return true;
}

void CompSelSetDimensionText(ComponentSelection*, T_TextBuf* text, int32_t) {
  TextBufAssign(text, "");
}

void CompSelClearAll(ComponentSelection* selection) { FitToPool(selection); }

void CompSelCompileAll(ComponentSelection* selection, char* const*) { FitToPool(selection); }

void CompSelPrintDimension(const ComponentSelection*, T_TextBuf* text, int32_t, char) {
  TextBufAssign(text, "");
}

void CompSelWriteKeys(const ComponentSelection*, T_OStream*, const char*) {}

bool CompSelHasExpression(const ComponentSelection*, int32_t) { return false; }

void CompSelMarkReferenced(const ComponentSelection*, BitVector*) {}

void CompSelOnChange(ComponentSelection* selection, int32_t, int32_t, const BitVector*) {
  FitToPool(selection);
}

void CompSelRecalculate(ComponentSelection* selection, int32_t) { FitToPool(selection); }
