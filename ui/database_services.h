#pragma once
// What the toolkit needs of an open database, which lives in a layer above it: the change record
// that the database broadcasts to its windows, and a hook record through which dialogs and value
// choosers read the few facts they show (link context, value columns, decimals codes, field
// names). The database layer installs the hooks; until it does, a database has no link context,
// no value columns and no field names, and no window other than a dialog belongs to one.
//
// User-interface thread only.
#include <windows.h>

#include <cstdint>

class T_Base;
class T_GrafElement;
struct InputEvent;
class T_LinkContext;
class T_Window;
struct T_TextBuf;

struct BitVector;
struct CardRecord;
struct LinkRename;

// One change of a database, dispatched by the database to everything that holds derived data and
// to the open windows of the database (OnChange). Built on the sender's stack; the fields a code
// does not use stay zero, and receivers copy what they need.
struct ChangeNote {
  int32_t code = 0;
  T_Base* database = nullptr;         // for code 63 the database where the rename happened
  int32_t index = 0;                  // the dimension or another index, by code
  int32_t valueColumn = 0;            // the value column (codes 30 and 37)
  int32_t difference = 0;             // new minus old (codes 32 to 34)
  uint8_t flag = 0;                   // the new state of an on/off property (codes 6, 14, 15, 39)
  const char* oldName = nullptr;      // the previous name of a renamed object
  void* object = nullptr;             // the window (13, 66 to 69), subset (58 to 62) or control
  BitVector* componentSet = nullptr;  // the deleted components (code 12)
  CardRecord* card = nullptr;         // the card saved (code 27)
  LinkRename* rename = nullptr;       // the link rewrite (code 63)
};

// Change codes the toolkit reacts to or sends.
constexpr int32_t kChangeDecimals = 30;      // decimals codes of the value columns
constexpr int32_t kChangeValueColumns = 32;  // value columns added, removed or renamed
constexpr int32_t kChangeValueColumn = 37;   // one value column (valueColumn) changed
constexpr int32_t kChangeControl = 69;       // a control changed its value (object: the control)

constexpr int32_t kMaxValueColumns = 24;
// Field ids of the database's labels.
constexpr int32_t kFieldValueFirst = 67;  // + the value column

struct DatabaseOperations {
  T_LinkContext* (*linkContext)(T_Base* database);
  int32_t (*valueColumnCount)(T_Base* database);
  // 0-6 decimals, 7 floating, 8 thousands, 9 millions.
  int32_t (*decimalsCode)(T_Base* database, int32_t column);
  // The label of a field id (empty for an unknown id).
  void (*fieldName)(T_Base* database, T_TextBuf* text, int32_t fieldId);
  // The database a window that is not a dialog belongs to (document windows), or null.
  T_Base* (*windowDatabase)(T_Window* window);
};
// Null puts back the defaults.
void SetDatabaseOperations(const DatabaseOperations* operations);

// The hooks, with the defaults above for a missing one or a null database.
T_LinkContext* Database_LinkContext(T_Base* database);
int32_t Database_ValueColumnCount(T_Base* database);  // 0 to 24
int32_t Database_DecimalsCode(T_Base* database, int32_t column);
void Database_FieldName(T_Base* database, T_TextBuf* text, int32_t fieldId);
T_Base* Database_OfWindow(T_Window* window);  // the hook only; see WindowDatabase for dialogs

// --- Selections ---------------------------------------------------------------------------------
// The parts of a selection that the selection fields edit, each in a language of the database
// engine: a dimension's component expression, the subset combination and the date bounds. The
// fields reach the languages only through this second hook record, which the database layer
// installs; until it does, every text is empty, nothing is compiled and no text holds an
// operator. The object editors that open from the fields are hooked here as well.

struct CardSelection;
struct DateRef;
struct Combination;  // the subset reference of a selection
struct Subset;
struct SubsetList;

// Change codes the selection fields react to.
constexpr int32_t kChangeComponentsRebuilt = 11;  // index: the dimension
constexpr int32_t kChangeCodeCase = 19;           // index: the dimension
constexpr int32_t kChangeComponentTexts = 20;     // index: the dimension
constexpr int32_t kChangeSubset = 58;             // object: the subset
constexpr int32_t kChangeSubsetAdded = 61;
constexpr int32_t kChangeSubsetRemoved = 62;

// Component numbers below this are the roots of the dimensions (the root of dimension d is d).
constexpr int32_t kFirstComponent = 32;
// QuoteSelectionName mode for a name inserted into a field.
constexpr int32_t kQuoteForField = 3;

struct SelectionOperations {
  void (*compSelPrintDimension)(CardSelection* selection, T_TextBuf* text, int32_t dimension,
                                char spacing);
  void (*compSelSetDimensionText)(CardSelection* selection, const char* text, int32_t dimension);
  bool (*hasSubComponents)(T_Base* database, int32_t dimension);
  int32_t (*findComponentByKey)(T_Base* database, int32_t dimension, const char* key,
                                int32_t length);
  // The chosen component's text, empty when cancelled.
  void (*popupComponentMenu)(T_TextBuf* chosen, T_Base* database, int32_t dimension,
                             int32_t component, POINT position, T_GrafElement* owner,
                             const InputEvent* event);
  void (*quoteSelectionName)(T_TextBuf* text, int32_t mode);
  // Skips blanks; true when an operator starts there, the position then moved past it.
  bool (*nextSelectionOperator)(const char** position);
  bool (*isSelectionOperator)(const char* position);

  void (*printCombination)(Combination* combination, T_TextBuf* text, char spacing);
  void (*combinationSetText)(Combination* combination, const char* text);
  int32_t (*combinationNameCount)(Combination* combination);
  const char* (*combinationName)(Combination* combination, int32_t index);  // null: separator
  Subset* (*combinationFindSubset)(Combination* combination, const char* name);
  bool (*combinationUsesSubset)(Combination* combination, Subset* subset);
  SubsetList* (*combinationSubsetList)(Combination* combination);  // null when it has none
  bool (*scanCombinationOperator)(const char* position, int32_t* length);

  // Parses the text into the bound and rewrites it in the display form.
  void (*dateRefNormalize)(DateRef* bound, T_TextBuf* text);
  void (*dateRefText)(DateRef* bound, T_TextBuf* text);

  // The object editors.
  void (*openDimEditorAtComponent)(T_Base* database, int32_t dimension, int32_t component,
                                   int32_t flags);
  void (*openSubsetEditor)(Subset* subset, int32_t flags);
  Subset* (*subsetNew)(SubsetList* list, int32_t flags);  // null on failure
  const char* (*subsetName)(Subset* subset);
};
// Null puts back the defaults.
void SetSelectionOperations(const SelectionOperations* operations);

// The hooks; a missing hook or a null object does nothing, gives an empty text, false, null, 0
// or (for a component) none.
void CompSelPrintDimension(CardSelection* selection, T_TextBuf* text, int32_t dimension,
                           char spacing);
void CompSelSetDimensionText(CardSelection* selection, const char* text, int32_t dimension);
bool Database_HasSubComponents(T_Base* database, int32_t dimension);
int32_t Database_FindComponentByKey(T_Base* database, int32_t dimension, const char* key,
                                    int32_t length);
void PopupComponentMenu(T_TextBuf* chosen, T_Base* database, int32_t dimension, int32_t component,
                        POINT position, T_GrafElement* owner, const InputEvent* event);
void QuoteSelectionName(T_TextBuf* text, int32_t mode);
bool NextSelectionOperator(const char** position);
bool IsSelectionOperator(const char* position);
void PrintCombination(Combination* combination, T_TextBuf* text, char spacing);
void CombinationSetText(Combination* combination, const char* text);
int32_t CombinationNameCount(Combination* combination);
const char* CombinationName(Combination* combination, int32_t index);
Subset* CombinationFindSubset(Combination* combination, const char* name);
bool CombinationUsesSubset(Combination* combination, Subset* subset);
SubsetList* CombinationSubsetList(Combination* combination);
bool ScanCombinationOperator(const char* position, int32_t* length);
void Selection_NormalizeBound(DateRef* bound, T_TextBuf* text);
void Selection_BoundText(DateRef* bound, T_TextBuf* text);
void OpenDimEditorAtComponent(T_Base* database, int32_t dimension, int32_t component,
                              int32_t flags);
void OpenSubsetEditor(Subset* subset, int32_t flags);
Subset* SubsetNew(SubsetList* list, int32_t flags);
const char* SubsetName(Subset* subset);  // empty for none

// --- Header fields ------------------------------------------------------------------------------
// What the selection header of a document window reads and writes of a selection and its
// database, installed by the database layer like the hooks above. Until it is, the label columns
// have their default widths (47 and 52), no dimension must be filled, a selection holds no
// expression, bound, pattern, value condition or subset reference, and writes do nothing.

struct HeaderOperations {
  void (*displayWidths)(T_Base* database, int32_t* first, int32_t* second);
  bool (*dimensionMustBeFilled)(T_Base* database, int32_t dimension);
  bool (*selectionHasDimension)(CardSelection* selection, int32_t dimension);
  DateRef* (*selectionBound)(CardSelection* selection, bool upper);
  Combination* (*selectionCombination)(CardSelection* selection);
  // fieldId: 65 card title, 66 line text, 3506 notes.
  void (*selectionPattern)(CardSelection* selection, int32_t fieldId, T_TextBuf* text);
  // False (and an empty text) when the column has no condition.
  bool (*selectionValueCondition)(CardSelection* selection, int32_t column, T_TextBuf* text);
  void (*setPattern)(CardSelection* selection, int32_t fieldId, const char* text);
  void (*setValueCondition)(CardSelection* selection, const char* text, int32_t column);
};
// Null puts back the defaults.
void SetHeaderOperations(const HeaderOperations* operations);

void Database_DisplayWidths(T_Base* database, int32_t* first, int32_t* second);
bool Database_DimensionMustBeFilled(T_Base* database, int32_t dimension);
bool SelectionHasDimension(CardSelection* selection, int32_t dimension);
DateRef* Selection_Bound(CardSelection* selection, bool upper);
Combination* Selection_Combination(CardSelection* selection);
void Selection_Pattern(CardSelection* selection, int32_t fieldId, T_TextBuf* text);
bool Selection_ValueCondition(CardSelection* selection, int32_t column, T_TextBuf* text);
void Selection_setTitlePattern(CardSelection* selection, const char* text);
void Selection_setLineTextPattern(CardSelection* selection, const char* text);
void Selection_setNotesPattern(CardSelection* selection, const char* text);
void Selection_setValueCondition(CardSelection* selection, const char* text, int32_t column);

// --- Component trees ----------------------------------------------------------------------------
// The component pool of a database, addressed by component number (the roots of the dimensions
// below kFirstComponent), and its pre-order walk, installed by the database layer. Until it is, a
// database has no components, the walk stays on the component it was given and every component
// text is missing (null).

struct ComponentOperations {
  // The pool's record count: every component number is below it.
  int32_t (*componentCount)(T_Base* database);
  // The next component in pre-order (first child, next sibling or an ancestor's next sibling);
  // the walk ends back at the dimension's root.
  int32_t (*treeNext)(T_Base* database, int32_t component);
  // The same walk with the siblings taken last to first.
  int32_t (*treeNextReverse)(T_Base* database, int32_t component);
  const char* (*code)(T_Base* database, int32_t component);
  const char* (*text)(T_Base* database, int32_t component);
  const char* (*hostCode)(T_Base* database, int32_t component);
};
// Null puts back the defaults.
void SetComponentOperations(const ComponentOperations* operations);

int32_t Database_ComponentCount(T_Base* database);  // 0 or more
int32_t CompTreeNext(T_Base* database, int32_t component);
int32_t CompTreeNextReverse(T_Base* database, int32_t component);
const char* ComponentCode(T_Base* database, int32_t component);
const char* ComponentText(T_Base* database, int32_t component);
const char* ComponentHostCode(T_Base* database, int32_t component);
