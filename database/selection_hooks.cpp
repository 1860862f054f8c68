#include "database/selection_hooks.h"

#include "core/text_buffer.h"
#include "database/card_selection.h"
#include "database/subsets.h"

void SelHook_PrintDimension(CardSelection* selection, T_TextBuf* text, int32_t dimension,
                            char spacing) {
  CompSelPrintDimension(&selection->components, text, dimension, spacing);
}

void SelHook_SetDimensionText(CardSelection* selection, const char* text, int32_t dimension) {
  T_TextBuf typed(text);
  CompSelSetDimensionText(&selection->components, &typed, dimension);
}

void SelHook_PrintCombination(Combination* combination, T_TextBuf* text, char spacing) {
  CombPrint(combination, text, spacing);
}

void SelHook_CombinationSetText(Combination* combination, const char* text) {
  CombCompile(combination, text);
}

int32_t SelHook_CombinationNameCount(Combination* combination) {
  return CombNameCount(combination);
}

const char* SelHook_CombinationName(Combination* combination, int32_t index) {
  return CombName(combination, index);
}

Subset* SelHook_CombinationFindSubset(Combination* combination, const char* name) {
  return CombFindSubset(combination, name);
}

bool SelHook_CombinationUsesSubset(Combination* combination, Subset* subset) {
  return CombUsesSubset(combination, subset);
}

SubsetList* SelHook_CombinationSubsetList(Combination* combination) {
  return CombSubsetList(combination);
}

bool SelHook_ScanCombinationOperator(const char* position, int32_t* length) {
  return CombScanOperator(position, length);
}

Subset* SelHook_SubsetNew(SubsetList* list, int32_t) { return SubsetCreate(list, nullptr); }

const char* SelHook_SubsetName(Subset* subset) { return subset->name; }

bool SelHook_HasDimension(CardSelection* selection, int32_t dimension) {
  return dimension >= 0 && dimension < kDimensionCount &&
         CompSelHasExpression(&selection->components, dimension);
}

DateRef* SelHook_Bound(CardSelection* selection, bool upper) {
  return upper ? &selection->to : &selection->from;
}

Combination* SelHook_Combination(CardSelection* selection) { return &selection->subset; }

void SelHook_Pattern(CardSelection* selection, int32_t fieldId, T_TextBuf* text) {
  TextBufAssign(text, Selection_patternText(selection, fieldId));
}

bool SelHook_ValueCondition(CardSelection* selection, int32_t column, T_TextBuf* text) {
  const char* condition =
      column >= 0 && column < kMaxValueCount ? selection->valueTexts[column] : nullptr;
  TextBufAssign(text, condition);
  return condition != nullptr;
}

void SelHook_SetPattern(CardSelection* selection, int32_t fieldId, const char* text) {
  Selection_setPattern(selection, fieldId, text);
}

void SelHook_SetValueCondition(CardSelection* selection, const char* text, int32_t column) {
  Selection_setCondition(selection, column, text);
}
