#pragma once
// The variables of the component functions window and the computation over its tree: selection
// variables that accumulate the admitted lines at the nodes by one of thirteen methods and carry
// them up the tree by a level mode, formula variables compiled against the window's name table
// and carried up by a higher-level rule, and the evaluation that turns both into two cells per
// shown column and node (own value, total value).
//
// Name table (a MemAlloc block in the layout Expr_Compile reads): a 32-bit count, then rows of 32
// bytes; the row number is the value slot:
//
//   row   name          value
//   0     "year"        current year            5     "yearday"   day within the year, from 1
//   1     "month"       current month 1-12      6     "dim"       the node's dimension number + 1
//   2     "day"         day of the month        7     "level"     the node's level in the window
//   3     "weekday"     1 Monday .. 7 Sunday    8     "dimlevel"  depth below the dimension root
//   4     "quarterday"  day within the quarter  9     "leaf"      1 for a node without children
//   10... each variable in list order; a selection takes two more rows, name + "!" (its total
//         at the top node) and name + "#" (its line count)
//
// The tree is walked by node number: nodes are numbered in pre-order (a parent before its
// children), so a walk from the last node to the second completes every subtree before its parent
// takes it.
//
// Invariants:
//   1. every variable stands once on the variable list and once on the list of its kind; names
//      are unique without regard to letter case, at most 31 bytes, and none is a built-in name;
//   2. while namesBuilt is set every variable's slot is its row above; any addition, deletion,
//      rename or move clears the flag;
//   3. the node arrays of selections and the rule arrays of formulas live for one calculation.
//
// User-interface thread only.
#include <cstdint>
#include <vector>

#include "analysis/components/function_window_utils.h"
#include "analysis/components/variable_templates.h"
#include "core/formula.h"
#include "core/packed_date.h"
#include "core/text_buffer.h"
#include "database/card_selection.h"
#include "ui/element.h"

class T_Base;
class T_HWindow;
class T_IStream;
class T_OStream;
struct CFuncData;

// Methods (text 5307 + method).
constexpr int32_t kCMethodLineCount = 0;
constexpr int32_t kCMethodCardCount = 1;
constexpr int32_t kCMethodComponentCount = 2;
constexpr int32_t kCMethodSum = 3;
constexpr int32_t kCMethodNegSum = 4;
constexpr int32_t kCMethodProduct = 5;
constexpr int32_t kCMethodAverage = 6;
constexpr int32_t kCMethodGeomMean = 7;
constexpr int32_t kCMethodMedian = 8;
constexpr int32_t kCMethodTurnoverTime = 9;
constexpr int32_t kCMethodTurnoverRate = 10;
constexpr int32_t kCMethodMaximum = 11;
constexpr int32_t kCMethodMinimum = 12;
constexpr int32_t kCMethodCount = 13;

constexpr int32_t kLevelByComponent = 0;  // "C"
constexpr int32_t kLevelFromStart = 1;    // "S"

// Higher-level rules of formulas (text 5501 + rule).
constexpr int32_t kRuleApply = 0;
constexpr int32_t kRuleCount = 1;
constexpr int32_t kRuleSum = 2;
constexpr int32_t kRuleProduct = 3;
constexpr int32_t kRuleAverage = 4;
constexpr int32_t kRuleGeomMean = 5;
constexpr int32_t kRuleMaximum = 6;
constexpr int32_t kRuleMinimum = 7;
constexpr int32_t kRuleTotal = 8;

constexpr int32_t kCBuiltinCount = 10;
constexpr int32_t kCBuiltinDim = 6;
constexpr int32_t kCNameMax = 31;

constexpr int32_t kMsgCVariableInUse = 5303;
constexpr int32_t kMsgCRefersToItself = 5304;
constexpr int32_t kMsgCRefersIndirectly = 5305;

// The tree the computation walks, in pre-order; the window fills it from its nodes.
struct CFuncTree {
  std::vector<int64_t> parent;       // -1 for the top node
  std::vector<int64_t> nextSibling;  // -1 for none
  std::vector<uint8_t> hasChildren;
  std::vector<int32_t> dim;          // the built-ins "dim", "level", "dimlevel"
  std::vector<int32_t> level;
  std::vector<int32_t> dimLevel;
  int64_t Count() const { return static_cast<int64_t>(parent.size()); }
  // Sizes every array for n nodes and fills the sibling and children fields from the parents.
  void LinkFromParents();
};

// The per-node accumulator record of a selection during a scan.
struct CFuncAccumulator {
  double value = 0;
  int64_t count = 0;
  const void* lastCard = nullptr;         // method 1
  const void* lastSubtreeCard = nullptr;
  int64_t ownCards = 0;
  int64_t subtreeCards = 0;
  uint8_t parity = 0;                     // method 7
  ValueCollection list;                   // method 8
  double positive = 0;                    // methods 9 and 10
  double negative = 0;
  double integral = 0;
  PackedDate lastDate = 0;
  int32_t lastDay = 0;
};

class T_CVariable : public T_Object {
 public:
  T_CVariable(CFuncData* owner, int32_t kind);
  virtual ~T_CVariable();
  T_CVariable(const T_CVariable&) = delete;
  T_CVariable& operator=(const T_CVariable&) = delete;

  // Slots, in this order.
  virtual void Delete() { delete this; }
  // A selection: its index among the selections; a formula: the selections, its index, plus one.
  virtual int32_t VariableOrder() const = 0;
  // A text of the header's slot 2: 0 the name, 1 the title, 2 the formula text. False when the
  // name was refused (the caller restores the field).
  virtual bool ApplyHeaderText(int32_t field, const char* text);
  // Title, display settings and the kind's own fields from a template record of the same kind.
  virtual void SetFromTemplate(const T_CVariableTmpl* record);
  virtual void AddToOrder() = 0;
  // The keys after a "## Selection" or "## Formula" line, up to one that starts with "#".
  virtual void ReadText(T_IStream* stream) = 0;
  virtual void WriteText(T_OStream* stream) const = 0;

  // Name, title, settings and the kind's own fields into a template record of the same kind.
  bool WriteToTemplate(T_CVariableTmpl* record) const;
  void CopyDisplayFrom(const T_CVariableTmpl* record);
  void CopyDisplayTo(T_CVariableTmpl* record) const;

  CFuncData* owner;
  int32_t kind;
  T_CVariable* next = nullptr;
  T_CVariable* previous = nullptr;
  char* name = nullptr;   // owned block text
  char* title = nullptr;  // owned; empty: the name is shown
  uint8_t shown = 1;
  int32_t sublevels = 0;  // 0 "Exclude" shows the own value, 1 "Include" the total
  int32_t decimals = 0;
  int32_t signStyle = 0;
  int32_t colouring = 0;
  uint8_t bold = 0;
  int32_t width = 0;
  int32_t colour = kVariableColourDefault;
  void* field = nullptr;  // the curve or numeric field of the window, not owned
  int32_t column = -2;    // -2 never assigned, -1 not shown
  int32_t slot = -1;
  uint8_t visited = 0;
  void* modeItem = nullptr;
  int32_t index = 0;  // in the list of its kind
};

class T_CSelection;
using CAccumulate = void (*)(T_CSelection* s, const CFuncTree& tree, const void* card,
                             PackedDate date, int64_t node, double v);

class T_CSelection : public T_CVariable {
 public:
  explicit T_CSelection(CFuncData* owner);
  ~T_CSelection() override;

  int32_t VariableOrder() const override { return index; }
  void SetFromTemplate(const T_CVariableTmpl* record) override;
  void AddToOrder() override;
  void ReadText(T_IStream* stream) override;
  void WriteText(T_OStream* stream) const override;

  // Method and level mode of a new selection, an open selection; display settings stay.
  void ResetDefaults();
  // Before a calculation: the value column within the database's, its decimals code, the
  // accumulator of the method; the node records for n nodes. False (pending 600) without memory.
  bool Prepare(int64_t nodes);
  // One admitted line of a card (dated) at a node.
  void Take(const CFuncTree& tree, const void* card, PackedDate date, int64_t node, double v) {
    accumulate(this, tree, card, date, node, v);
  }
  // After the scan: own and total values and line counts, carried up by the level mode. upperDay
  // is the day number of the day after the selection's upper date (turnover closes there). False
  // (pending 600) when a median list could not grow.
  bool Finish(const CFuncTree& tree, int32_t upperDay);
  // Frees the node arrays.
  void FreeArrays();
  bool HasLines(int64_t node) const { return ownCounts[static_cast<size_t>(node)] != 0; }

  CardSelection selection;
  int32_t valueColumn = 0;
  int32_t method = kCMethodSum;
  int32_t levelMode = kLevelByComponent;
  int32_t columnDecimals = 0;
  void* firstCard = nullptr;
  void* endCard = nullptr;
  std::vector<double> own;
  std::vector<double> total;
  std::vector<int64_t> ownCounts;
  std::vector<int64_t> totalCounts;
  std::vector<uint8_t> ownParity;    // method 7
  std::vector<uint8_t> totalParity;
  std::vector<CFuncAccumulator> records;
  CAccumulate accumulate = nullptr;
  uint8_t failed = 0;  // a median list could not grow
  T_CSelection* nextSelection = nullptr;
  T_CSelection* nextComputed = nullptr;
};

class T_CFormula : public T_CVariable {
 public:
  explicit T_CFormula(CFuncData* owner);
  ~T_CFormula() override;

  int32_t VariableOrder() const override;
  bool ApplyHeaderText(int32_t field, const char* text) override;
  void SetFromTemplate(const T_CVariableTmpl* record) override;
  void AddToOrder() override;
  void ReadText(T_IStream* stream) override;
  void WriteText(T_OStream* stream) const override;

  // Whether the compiled code reads the variable's slot (a selection's derived slots too).
  bool Uses(const T_CVariable* variable) const;
  // The rule's arrays for n nodes; false (pending 600) without memory.
  bool SetUpRule(int64_t nodes);
  void RuleAccumulate(int64_t node, int64_t parent, double value, bool counted);
  double RuleResult(int64_t node) const;
  void FreeArrays();

  T_CFormula* nextFormula = nullptr;
  T_CFormula* previousFormula = nullptr;
  char* text = nullptr;  // owned; the compiled text once compiled
  int32_t rule = kRuleApply;
  ExprProgram* program = nullptr;
  uint8_t compiled = 0;
  int32_t refused = 0;  // the compiler's message when it refused the text
  T_CFormula* nextEvaluated = nullptr;
  std::vector<int64_t> counts;
  std::vector<double> values;
  std::vector<uint8_t> parity;
};

// The window's variables and the state of a calculation, apart from the window so that the
// computation can run on a hand-made tree.
struct CFuncData {
  T_Base* base = nullptr;
  T_HWindow* window = nullptr;  // where alerts go
  T_CVariable* variables = nullptr;
  T_CSelection* selections = nullptr;
  T_CFormula* formulas = nullptr;
  int32_t selectionCount = 0;
  int32_t formulaCount = 0;
  uint8_t* names = nullptr;
  double* valueSlots = nullptr;
  int32_t nameCount = 0;
  int32_t nameCapacity = 0;
  uint8_t namesBuilt = 0;
  // Evaluation lists.
  T_CSelection* computed = nullptr;
  T_CFormula* evaluated = nullptr;
  std::vector<T_CVariable*> shownList;
  // Where CFunc_evaluate puts a node's cells: 2 per shown column (own, total).
  double* (*cellsOf)(void* context, int64_t node) = nullptr;
  void* cellsContext = nullptr;
};

void CFuncDataInit(CFuncData* data, T_Base* base);
void CFuncDataFree(CFuncData* data);

// --- Variables --------------------------------------------------------------------------------------
// A new variable at the end of the list, named from the proposed text ("A" or "F1" when none),
// made unique, with the settings of the first selection. Null (pending 600) without memory.
T_CSelection* CFuncNewSelection(CFuncData* data, const char* proposed);
T_CFormula* CFuncNewFormula(CFuncData* data, const char* proposed);
T_CVariable* CFuncFindVariable(const CFuncData* data, const char* name);
// The text made a name of at most 31 bytes, then stepped while another variable than `except`
// bears it or it is a built-in name (letter case ignored).
void CFuncUniqueName(const CFuncData* data, T_TextBuf* name, const char* prefix,
                     const T_CVariable* except);
// False when the name is empty, unchanged or taken; else every formula follows the new name.
bool CFuncRename(CFuncData* data, T_CVariable* variable, const char* typed);
// Alert 5303 and false when a formula uses the variable; the only selection is reset ("A")
// instead of deleted. *resultsStale is set when the variable was shown.
bool CFuncErase(CFuncData* data, T_CVariable* variable, bool* resultsStale);
// Every formula and every selection but the first go; the first is reset under "A".
T_CSelection* CFuncEraseAll(CFuncData* data);
void CFuncDelete(CFuncData* data, T_CVariable* variable);
// Moves the variable to just after `after` (the front for null).
void CFuncMoveVariable(CFuncData* data, T_CVariable* variable, T_CVariable* after);
// The least used of the ten palette colours (a shown variable counts three times).
int32_t CFuncNewColour(const CFuncData* data);

// Reads "## Selection" and "## Formula" sections. With `current`, the first section of its kind
// goes into it. The last variable read, or null.
T_CVariable* CFuncPaste(CFuncData* data, const char* text, int32_t length, T_CVariable* current);
T_CVariable* CFuncDuplicate(CFuncData* data, T_CVariable* variable);
bool CFuncTextHasVariables(const char* text, int32_t length);

// --- Formulas -----------------------------------------------------------------------------------
// The built-in name of a slot 0-9.
const char* CFuncBuiltinName(int32_t slot);
// Builds the name table when its flag is clear; false without memory (pending 600).
bool CFunc_setupVariables(CFuncData* data);
void CFuncCompile(CFuncData* data, T_CFormula* formula);
// 0, or 5304 / 5305 or the compiler's refusal with the first formula at fault.
int32_t CFuncCheckFormulas(CFuncData* data, T_CFormula** culprit);
// The shown list, the computed selections and the formulas in dependency order.
void CFuncBuildOrder(CFuncData* data);
// Every variable's cells for every node, from the selections' arrays and the formulas' rules.
void CFunc_evaluate(CFuncData* data, const CFuncTree& tree);
// A copy of the formula's text whose built-in names are replaced by their values at the node.
void CFuncFormulaWithConstants(CFuncData* data, const T_CFormula* formula, const CFuncTree& tree,
                               int64_t node, T_TextBuf* out);
