#include "ui/database_services.h"

#include "core/text_buffer.h"

namespace {

DatabaseOperations operations{};

}  // namespace

void SetDatabaseOperations(const DatabaseOperations* given) {
  operations = given ? *given : DatabaseOperations{};
}

T_LinkContext* Database_LinkContext(T_Base* database) {
  return database && operations.linkContext ? operations.linkContext(database) : nullptr;
}

int32_t Database_ValueColumnCount(T_Base* database) {
  if (!database || !operations.valueColumnCount) return 0;
  int32_t count = operations.valueColumnCount(database);
  if (count < 0) return 0;
  return count > kMaxValueColumns ? kMaxValueColumns : count;
}

int32_t Database_DecimalsCode(T_Base* database, int32_t column) {
  if (!database || !operations.decimalsCode || column < 0 ||
      column >= Database_ValueColumnCount(database)) {
    return 0;
  }
  return operations.decimalsCode(database, column);
}

void Database_FieldName(T_Base* database, T_TextBuf* text, int32_t fieldId) {
  TextBufAssign(text, "");
  if (database && operations.fieldName) operations.fieldName(database, text, fieldId);
}

T_Base* Database_OfWindow(T_Window* window) {
  return window && operations.windowDatabase ? operations.windowDatabase(window) : nullptr;
}

// --- Selections ---------------------------------------------------------------------------------

namespace {

SelectionOperations selections{};

}  // namespace

void SetSelectionOperations(const SelectionOperations* given) {
  selections = given ? *given : SelectionOperations{};
}

void CompSelPrintDimension(CardSelection* selection, T_TextBuf* text, int32_t dimension,
                           char spacing) {
  TextBufAssign(text, "");
  if (selection && selections.compSelPrintDimension) {
    selections.compSelPrintDimension(selection, text, dimension, spacing);
  }
}

void CompSelSetDimensionText(CardSelection* selection, const char* text, int32_t dimension) {
  if (selection && selections.compSelSetDimensionText) {
    selections.compSelSetDimensionText(selection, text ? text : "", dimension);
  }
}

bool Database_HasSubComponents(T_Base* database, int32_t dimension) {
  return database && selections.hasSubComponents &&
         selections.hasSubComponents(database, dimension);
}

int32_t Database_FindComponentByKey(T_Base* database, int32_t dimension, const char* key,
                                    int32_t length) {
  if (!database || !key || !selections.findComponentByKey) return 0;
  return selections.findComponentByKey(database, dimension, key, length);
}

void PopupComponentMenu(T_TextBuf* chosen, T_Base* database, int32_t dimension, int32_t component,
                        POINT position, T_GrafElement* owner, const InputEvent* event) {
  TextBufAssign(chosen, "");
  if (database && selections.popupComponentMenu) {
    selections.popupComponentMenu(chosen, database, dimension, component, position, owner, event);
  }
}

void QuoteSelectionName(T_TextBuf* text, int32_t mode) {
  if (selections.quoteSelectionName) selections.quoteSelectionName(text, mode);
}

bool NextSelectionOperator(const char** position) {
  return position && *position && selections.nextSelectionOperator &&
         selections.nextSelectionOperator(position);
}

bool IsSelectionOperator(const char* position) {
  return position && selections.isSelectionOperator && selections.isSelectionOperator(position);
}

void PrintCombination(Combination* combination, T_TextBuf* text, char spacing) {
  TextBufAssign(text, "");
  if (combination && selections.printCombination) {
    selections.printCombination(combination, text, spacing);
  }
}

void CombinationSetText(Combination* combination, const char* text) {
  if (combination && selections.combinationSetText) {
    selections.combinationSetText(combination, text ? text : "");
  }
}

int32_t CombinationNameCount(Combination* combination) {
  if (!combination || !selections.combinationNameCount) return 0;
  int32_t count = selections.combinationNameCount(combination);
  return count > 0 ? count : 0;
}

const char* CombinationName(Combination* combination, int32_t index) {
  if (!combination || !selections.combinationName || index < 0 ||
      index >= CombinationNameCount(combination)) {
    return nullptr;
  }
  return selections.combinationName(combination, index);
}

Subset* CombinationFindSubset(Combination* combination, const char* name) {
  if (!combination || !name || !selections.combinationFindSubset) return nullptr;
  return selections.combinationFindSubset(combination, name);
}

bool CombinationUsesSubset(Combination* combination, Subset* subset) {
  return combination && subset && selections.combinationUsesSubset &&
         selections.combinationUsesSubset(combination, subset);
}

SubsetList* CombinationSubsetList(Combination* combination) {
  if (!combination || !selections.combinationSubsetList) return nullptr;
  return selections.combinationSubsetList(combination);
}

bool ScanCombinationOperator(const char* position, int32_t* length) {
  *length = 0;
  return position && selections.scanCombinationOperator &&
         selections.scanCombinationOperator(position, length);
}

void Selection_NormalizeBound(DateRef* bound, T_TextBuf* text) {
  if (bound && text && selections.dateRefNormalize) selections.dateRefNormalize(bound, text);
}

void Selection_BoundText(DateRef* bound, T_TextBuf* text) {
  TextBufAssign(text, "");
  if (bound && selections.dateRefText) selections.dateRefText(bound, text);
}

void OpenDimEditorAtComponent(T_Base* database, int32_t dimension, int32_t component,
                              int32_t flags) {
  if (database && selections.openDimEditorAtComponent) {
    selections.openDimEditorAtComponent(database, dimension, component, flags);
  }
}

void OpenSubsetEditor(Subset* subset, int32_t flags) {
  if (subset && selections.openSubsetEditor) selections.openSubsetEditor(subset, flags);
}

Subset* SubsetNew(SubsetList* list, int32_t flags) {
  return list && selections.subsetNew ? selections.subsetNew(list, flags) : nullptr;
}

const char* SubsetName(Subset* subset) {
  const char* name = subset && selections.subsetName ? selections.subsetName(subset) : nullptr;
  return name ? name : "";
}

// --- Header fields ------------------------------------------------------------------------------

namespace {

HeaderOperations header{};

constexpr int32_t kDefaultFirstWidth = 47;
constexpr int32_t kDefaultSecondWidth = 52;
constexpr int32_t kPatternTitle = 65;
constexpr int32_t kPatternLineText = 66;
constexpr int32_t kPatternNotes = 3506;

void SetPattern(CardSelection* selection, int32_t fieldId, const char* text) {
  if (selection && header.setPattern) header.setPattern(selection, fieldId, text ? text : "");
}

}  // namespace

void SetHeaderOperations(const HeaderOperations* given) {
  header = given ? *given : HeaderOperations{};
}

void Database_DisplayWidths(T_Base* database, int32_t* first, int32_t* second) {
  *first = kDefaultFirstWidth;
  *second = kDefaultSecondWidth;
  if (database && header.displayWidths) header.displayWidths(database, first, second);
}

bool Database_DimensionMustBeFilled(T_Base* database, int32_t dimension) {
  return database && header.dimensionMustBeFilled &&
         header.dimensionMustBeFilled(database, dimension);
}

bool SelectionHasDimension(CardSelection* selection, int32_t dimension) {
  return selection && header.selectionHasDimension &&
         header.selectionHasDimension(selection, dimension);
}

DateRef* Selection_Bound(CardSelection* selection, bool upper) {
  return selection && header.selectionBound ? header.selectionBound(selection, upper) : nullptr;
}

Combination* Selection_Combination(CardSelection* selection) {
  return selection && header.selectionCombination ? header.selectionCombination(selection)
                                                  : nullptr;
}

void Selection_Pattern(CardSelection* selection, int32_t fieldId, T_TextBuf* text) {
  TextBufAssign(text, "");
  if (selection && header.selectionPattern) header.selectionPattern(selection, fieldId, text);
}

bool Selection_ValueCondition(CardSelection* selection, int32_t column, T_TextBuf* text) {
  TextBufAssign(text, "");
  if (!selection || !header.selectionValueCondition) return false;
  if (header.selectionValueCondition(selection, column, text)) return true;
  TextBufAssign(text, "");
  return false;
}

void Selection_setTitlePattern(CardSelection* selection, const char* text) {
  SetPattern(selection, kPatternTitle, text);
}

void Selection_setLineTextPattern(CardSelection* selection, const char* text) {
  SetPattern(selection, kPatternLineText, text);
}

void Selection_setNotesPattern(CardSelection* selection, const char* text) {
  SetPattern(selection, kPatternNotes, text);
}

void Selection_setValueCondition(CardSelection* selection, const char* text, int32_t column) {
  if (selection && header.setValueCondition && column >= 0 && column < kMaxValueColumns) {
    header.setValueCondition(selection, text ? text : "", column);
  }
}

// --- Component trees ----------------------------------------------------------------------------

namespace {

ComponentOperations components{};

const char* ComponentField(const char* (*field)(T_Base*, int32_t), T_Base* database,
                           int32_t component) {
  return database && field ? field(database, component) : nullptr;
}

}  // namespace

void SetComponentOperations(const ComponentOperations* given) {
  components = given ? *given : ComponentOperations{};
}

int32_t Database_ComponentCount(T_Base* database) {
  if (!database || !components.componentCount) return 0;
  int32_t count = components.componentCount(database);
  return count < 0 ? 0 : count;
}

int32_t CompTreeNext(T_Base* database, int32_t component) {
  return database && components.treeNext ? components.treeNext(database, component) : component;
}

int32_t CompTreeNextReverse(T_Base* database, int32_t component) {
  return database && components.treeNextReverse ? components.treeNextReverse(database, component)
                                                : component;
}

const char* ComponentCode(T_Base* database, int32_t component) {
  return ComponentField(components.code, database, component);
}

const char* ComponentText(T_Base* database, int32_t component) {
  return ComponentField(components.text, database, component);
}

const char* ComponentHostCode(T_Base* database, int32_t component) {
  return ComponentField(components.hostCode, database, component);
}
