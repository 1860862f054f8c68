#pragma once
// The engine's answers to the toolkit's selection hooks (SelectionOperations and
// HeaderOperations of ui/database_services.h) for card selections, subset formulas and subsets.
// The toolkit adapter installs them.
//
// User-interface thread only (see T_Base).
#include <cstdint>

#include "ui/database_services.h"

// SelectionOperations.
void SelHook_PrintDimension(CardSelection* selection, T_TextBuf* text, int32_t dimension,
                            char spacing);
void SelHook_SetDimensionText(CardSelection* selection, const char* text, int32_t dimension);
void SelHook_PrintCombination(Combination* combination, T_TextBuf* text, char spacing);
void SelHook_CombinationSetText(Combination* combination, const char* text);
int32_t SelHook_CombinationNameCount(Combination* combination);
const char* SelHook_CombinationName(Combination* combination, int32_t index);
Subset* SelHook_CombinationFindSubset(Combination* combination, const char* name);
bool SelHook_CombinationUsesSubset(Combination* combination, Subset* subset);
SubsetList* SelHook_CombinationSubsetList(Combination* combination);
bool SelHook_ScanCombinationOperator(const char* position, int32_t* length);
// A new subset of the list with the list's default name; null without memory.
Subset* SelHook_SubsetNew(SubsetList* list, int32_t flags);
const char* SelHook_SubsetName(Subset* subset);

// HeaderOperations.
bool SelHook_HasDimension(CardSelection* selection, int32_t dimension);
DateRef* SelHook_Bound(CardSelection* selection, bool upper);
Combination* SelHook_Combination(CardSelection* selection);
void SelHook_Pattern(CardSelection* selection, int32_t fieldId, T_TextBuf* text);
bool SelHook_ValueCondition(CardSelection* selection, int32_t column, T_TextBuf* text);
void SelHook_SetPattern(CardSelection* selection, int32_t fieldId, const char* text);
void SelHook_SetValueCondition(CardSelection* selection, const char* text, int32_t column);
