#pragma once
// The variables of the time functions window and what the window keeps apart from its window:
// selection variables that measure, per period, the lines their card selection takes, formula
// variables over the period built-ins and the other variables, the formula name table, and the
// period table of the last calculation (time_calculation.h fills it).
//
// Formula name table (a MemAlloc block in the layout Expr_Compile reads): a 32-bit count, then
// rows of 32 bytes, the row number being the value slot:
//
//   row   name          value in a period
//   0     "year"        year of the period start
//   1     "month"       month 1-12
//   2     "day"         day of the month
//   3     "weekday"     1 Monday .. 7 Sunday
//   4     "quarterday"  day within the quarter, from 1
//   5     "yearday"     day within the year, from 1
//   6     "perioddays"  period length in days
//   7     "T"           years since the start (day number of the end - first day + 1) / 365.25
//   8...  each variable in display order; a selection takes a second row "#" + its name, its
//         line count
// The table grows with the variables (never refusing one); rows from 4096 on cannot be named by
// a compiled formula, whose program then simply lacks them.
//
// Invariants:
//   1. every variable stands once on the display list and once on the list of its kind; names
//      are unique without regard to letter case;
//   2. while namesBuilt is set, every variable's slot is its row above and valueSlots has a
//      double per row; any addition, deletion or rename clears the flag;
//   3. a formula's program is current only while its compiled flag is set; a rebuild of the
//      table clears every flag.
//
// User-interface thread only.
#include <cstdint>

#include "analysis/components/function_templates.h"
#include "analysis/components/function_window_utils.h"
#include "analysis/components/variable_templates.h"
#include "core/formula.h"
#include "core/paged_array.h"
#include "core/text_buffer.h"
#include "database/card_selection.h"
#include "database/date_ref.h"
#include "ui/element.h"

class T_Base;
class T_HWindow;
class T_IStream;
class T_OStream;
struct ModeNode;
struct TFuncData;
struct TimeScale;

// Measures of a selection (text 5307 + measure).
constexpr int32_t kMeasureLineCount = 0;
constexpr int32_t kMeasureCardCount = 1;
constexpr int32_t kMeasureSum = 3;
constexpr int32_t kMeasureNegSum = 4;
constexpr int32_t kMeasureProduct = 5;
constexpr int32_t kMeasureAverage = 6;
constexpr int32_t kMeasureGeomMean = 7;
constexpr int32_t kMeasureMedian = 8;
constexpr int32_t kMeasureTurnoverTime = 9;
constexpr int32_t kMeasureTurnoverRate = 10;
constexpr int32_t kMeasureMaximum = 11;
constexpr int32_t kMeasureMinimum = 12;
constexpr int32_t kMeasureFirst = 13;
constexpr int32_t kMeasureLast = 14;

constexpr int32_t kAccumulateByPeriod = 0;
constexpr int32_t kAccumulateFromStart = 1;

// Operations by time of a formula.
constexpr int32_t kOperationNone = 0;
constexpr int32_t kOperationAddFromStart = 1;
constexpr int32_t kOperationDifference = 2;
constexpr int32_t kOperationMultiplyFromStart = 3;
constexpr int32_t kOperationQuotient = 4;

// Name table rows of the built-ins.
constexpr int32_t kBuiltinYear = 0;
constexpr int32_t kBuiltinPeriodDays = 6;
constexpr int32_t kBuiltinT = 7;
constexpr int32_t kBuiltinCount = 8;

// Messages.
constexpr int32_t kMsgVariableInUse = 5303;      // "Variable "@0" is in use and cannot be erased."
constexpr int32_t kMsgRefersToItself = 5304;     // "This variable refers to itself."
constexpr int32_t kMsgRefersIndirectly = 5305;   // "This variable refers indirectly to itself."

class T_TVariable : public T_Object {
 public:
  T_TVariable(TFuncData* owner, int32_t kind);
  virtual ~T_TVariable();
  T_TVariable(const T_TVariable&) = delete;
  T_TVariable& operator=(const T_TVariable&) = delete;

  // Slots, in this order.
  virtual void Delete() { delete this; }
  // Selections: index among the selections; formulas after them and a separator item.
  virtual int32_t ModeBoxIndex() const = 0;
  // Display settings and the kind's own fields from a template record of the same kind.
  virtual void SetFromTemplate(const T_TVariableTmpl* record);
  // Joins the evaluation lists (formulas prepare the variables they use first).
  virtual void Prepare() = 0;
  // The keys after a "## Selection" or "## Formula" line, up to a line starting with "#" (left
  // for the caller) or the end.
  virtual void ReadText(T_IStream* stream) = 0;
  virtual void WriteText(T_OStream* stream) const = 0;
  // 1 curve, 2 bars, 0 not drawn.
  virtual int32_t DiagramForm() const = 0;

  // Name, title, display settings and the kind's own fields into a template record of the same
  // kind (saving the window, drilling): false when memory ran out.
  bool WriteToTemplate(T_TVariableTmpl* record) const;
  // Display settings and the kind's own fields from a record (not the name and title).
  void TakeFromTemplate(const T_TVariableTmpl* record);
  // The display settings alone.
  void CopyDisplayTo(T_TVariableTmpl* record) const;
  void CopyDisplayFrom(const T_TVariableTmpl* record);

  TFuncData* owner;
  int32_t kind;
  char* name = nullptr;   // owned block text
  char* title = nullptr;  // owned, may hold link markup; empty: the name is shown
  uint8_t shown = 1;
  int32_t decimals = 0;
  int32_t signStyle = 0;
  int32_t colouring = 0;
  uint8_t bold = 0;
  uint8_t totals = 0;
  int32_t width = 0;
  int32_t lineStyle = 1;
  int32_t colour = kSelectionColourDefault;
  // At calculation time.
  void* field = nullptr;  // the column's field of the window, not owned
  int32_t column = -1;
  int32_t slot = -1;
  uint8_t prepared = 0;
  T_TVariable* next = nullptr;       // display order
  T_TVariable* nextShown = nullptr;  // the shown list of the calculation
  int32_t index = 0;                 // in the list of its kind
  ModeNode* modeNode = nullptr;      // its item in the window's mode box, not owned
};

class T_TSelection;
using MeasureStep = void (*)(T_TSelection* selection, const CardRecord* card, double v);

class T_TSelection : public T_TVariable {
 public:
  explicit T_TSelection(TFuncData* owner);
  ~T_TSelection() override;

  int32_t ModeBoxIndex() const override { return index; }
  void Prepare() override;
  void ReadText(T_IStream* stream) override;
  void WriteText(T_OStream* stream) const override;
  int32_t DiagramForm() const override { return accumulation == kAccumulateByPeriod ? 2 : 1; }

  // Measure, accumulation, shift and criteria of a new selection; display settings stay.
  void ResetDefaults();
  // The running state a period starts with (once when prepared, and at every period close of
  // a By Period selection).
  void ResetPeriod();
  // The balance of the turnover measures counted up to the day (a day number) excluded.
  void BalanceStep(int32_t day);
  // The measure's value at the end of a period.
  double Result(const CardId* periodEnd);
  void Take(const CardRecord* card, double v) {
    ++lineCount;
    step(this, card, v);
  }

  CardSelection selection;
  int32_t valueColumn = 0;
  int32_t measure = kMeasureSum;
  int32_t accumulation = kAccumulateFromStart;
  TimeShift shift;
  int32_t columnDecimals = 0;
  // Running state.
  double value = 0.0;
  uint8_t parity = 0;
  uint32_t lineCount = 0;
  uint32_t cardCount = 0;
  const CardRecord* lastCard = nullptr;
  ValueCollection medianValues;  // Median only; freed after each calculation
  PackedDate lastDate = 0;
  int32_t lastDay = 0;
  double integral = 0.0;
  double positiveFlow = 0.0;
  double negativeFlow = 0.0;
  uint8_t cardActive = 0;
  uint8_t groupActive = 0;
  MeasureStep step = nullptr;
  CardRecord* scan = nullptr;  // the shifted pass: the next card to read
  T_TSelection* nextSelection = nullptr;
  T_TSelection* nextMeasured = nullptr;
};

class T_TFormula : public T_TVariable {
 public:
  explicit T_TFormula(TFuncData* owner);
  ~T_TFormula() override;

  int32_t ModeBoxIndex() const override;
  void Prepare() override;
  void ReadText(T_IStream* stream) override;
  void WriteText(T_OStream* stream) const override;
  int32_t DiagramForm() const override { return diagramForm; }

  // Whether the compiled program names the variable (its value or, for a selection, its line
  // count). Compile first.
  bool RefersTo(const T_TVariable* variable) const;

  char* text = nullptr;  // owned
  ExprProgram* program = nullptr;
  uint8_t compiled = 0;
  int32_t operation = kOperationNone;
  int32_t diagramForm = 1;
  double accumulator = 0.0;
  T_TFormula* nextFormula = nullptr;
  T_TFormula* nextEvaluated = nullptr;
};

// One period entry: 16 bytes, then a double per shown column.
struct TFuncEntry {
  CardId end;          // 0x7FFFFFFF: the end of that day
  float dayPosition;   // in the diagram
  uint32_t unused;
  double values[1];    // columnCount of them
};
constexpr int32_t kTFuncEntryHeader = 16;
constexpr int64_t kEntryBefore = 0;
constexpr int64_t kEntryTotals = 1;
constexpr int64_t kEntryFirstPeriod = 2;

// Active Cards, Groups and Lines: one entry per card, group or line, ending at its own card id.
inline bool IsActiveEntryType(int32_t type) {
  return type >= kPeriodActiveCards && type <= kPeriodActiveLines;
}

struct TFuncData {
  T_Base* base = nullptr;
  T_HWindow* window = nullptr;  // where errors are reported; null in a hidden calculation
  // Variables (owned).
  T_TVariable* variables = nullptr;
  T_TSelection* selections = nullptr;
  T_TFormula* formulas = nullptr;
  int32_t selectionCount = 0;
  int32_t formulaCount = 0;
  // Evaluation lists of the last calculation.
  T_TSelection* measured = nullptr;
  T_TFormula* evaluated = nullptr;
  T_TVariable* shownList = nullptr;
  // Name table (see the top of this file) and one value per row.
  uint8_t* names = nullptr;
  double* valueSlots = nullptr;
  int32_t nameCapacity = 0;
  int32_t nameCount = 0;
  uint8_t namesBuilt = 0;
  // Period settings.
  int32_t periodType = kPeriodActiveDays;
  TimeScale* timeScale = nullptr;  // the chosen scale (type 16)
  DateRef from;
  DateRef to;
  uint8_t showBefore = 1;
  // The last calculation.
  int32_t typeInForce = kPeriodActiveDays;
  TimeScale* scaleInForce = nullptr;
  PackedDate firstDate = 0;
  PackedDate lastDate = 0;
  CardId rangeStart;
  CardId rangeEnd;
  PagedArray periods{};
  int64_t periodCount = 0;
  int32_t columnCount = 0;
  uint8_t totalsWanted = 0;
  uint8_t usesBuiltins = 0;
  uint8_t usesT = 0;
  int32_t tOrigin = 0;  // day number before the first date, when a formula uses "T"
  uint8_t aborted = 0;
  uint8_t outOfMemory = 0;
  uint8_t anyShift = 0;
};

void TFuncDataInit(TFuncData* data, T_Base* base);
// Deletes every formula, then every selection, and frees the tables.
void TFuncDataFree(TFuncData* data);

inline TFuncEntry* TFuncEntryAt(const TFuncData* data, int64_t i) {
  return reinterpret_cast<TFuncEntry*>(PagedArrayAt(&data->periods, i));
}

// --- Variables --------------------------------------------------------------------------------

// A new variable at the end of the display list, named from the proposed text ("A" or "F1" when
// it gives no name) and made unique; display settings of the first selection. Null with the
// pending error 600 when memory runs out.
T_TSelection* TFuncNewSelection(TFuncData* data, const char* proposed);
T_TFormula* TFuncNewFormula(TFuncData* data, const char* proposed);
// The text with link markup stripped and made a name (default prefix), then the next name of
// its series while another variable than `except` bears it (letter case ignored).
void TFuncUniqueName(const TFuncData* data, T_TextBuf* name, const char* prefix,
                     const T_TVariable* except);
T_TVariable* TFuncFindVariable(const TFuncData* data, const char* name);
// The name edit: the typed text made a name; false (and nothing changes) when it is empty,
// unchanged or borne by another variable. Otherwise every formula text follows the new name.
bool TFuncRename(TFuncData* data, T_TVariable* variable, const char* typed);
// Erase with the guard: alert 5303 and false when a formula refers to the variable. The last
// selection is reset (a fresh name from "A", no title) instead of deleted. True when something
// changed; *resultsStale is set when the variable was shown.
bool TFuncErase(TFuncData* data, T_TVariable* variable, bool* resultsStale);
// Erase on the "Variables" item: every formula and every selection but the first go, and the
// first is reset to a new selection's defaults under the name "A", without title. Returns it.
T_TSelection* TFuncEraseAll(TFuncData* data);
// Unlinks and deletes (no guard).
void TFuncDelete(TFuncData* data, T_TVariable* variable);
// A time scale is being destroyed (change code 53): the chosen scale's type becomes Active Days
// and the scale in force is forgotten at once, so nothing reads the freed scale. True when the
// results are out of date.
bool TFuncTimeScaleDeleted(TFuncData* data, const TimeScale* scale);
// Moves the variable right before `before` in the display order (the end for null).
void TFuncMoveVariable(TFuncData* data, T_TVariable* variable, T_TVariable* before);

// Text forms: "## Selection" or "## Formula", TAB, name, TAB, title, then the keys.
void TFuncWriteVariable(const T_TVariable* variable, T_OStream* stream);
// Reads text forms line by line (paste, duplicate). A variable of the same kind as `current`
// reuses it under the pasted name; others are new (a taken name gets the next free one). The
// last variable read, or null when none was (creation failure ends the paste, pending 600).
T_TVariable* TFuncPaste(TFuncData* data, const char* text, int32_t length, T_TVariable* current);
T_TVariable* TFuncDuplicate(TFuncData* data, T_TVariable* variable);
// Whether clipboard text holds a variable's text form (Paste is enabled only then).
bool TFuncTextHasVariables(const char* text, int32_t length);

// --- Formulas -----------------------------------------------------------------------------------

// Rebuilds the name table when its built flag is clear; false when memory ran out (pending 600).
bool BuildFormulaNames(TFuncData* data);
// Compiles when not compiled: the normalised text is stored.
void CompileFormula(TFuncData* data, T_TFormula* formula);
// Sets a formula's text from its editor: stored, compiled at once; the editor gets it back.
void TFuncSetFormulaText(TFuncData* data, T_TFormula* formula, const char* text);
// 0, or 5304 / 5305 with the first formula that refers to itself.
int32_t CheckFormulaCycles(TFuncData* data, T_TFormula** culprit);
