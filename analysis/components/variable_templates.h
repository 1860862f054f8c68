#pragma once
// The stored form of the variables of the two function windows: a selection variable (cards and
// lines admitted by a selection, measured with a method over a value column) or a formula
// variable (an expression over other variables). The time family (T_TVariableTmpl) belongs to
// the time-functions template, the component family (T_CVariableTmpl) to the
// component-functions template; both have the same shape and are written as keyed lines inside
// their template's record text:
//
//   key     fields                           written
//   "VN"    name, title                      a selection starts
//   "V"..   as SelectionDef_writeKeys        its selection (prefix letter "V")
//   "VF"    value column letter              always ('A' + column)
//   "VM"    method letter, accumulation      unless Sum with the family's default accumulation
//   "VT"    time-shift text                  time family, when there is a shift
//   "VZ"    display fields                   always
//   "FN"    name, title                      a formula starts
//   "FF"    formula text                     when there is one
//   "FD"    operation letter of "xIDMQ"      time family, operation not 0
//   "FG"    graph-style letter of "-LB"      time family, always
//   "FS"    rule letter of "BCAPVGMN"        component family, always
//   "FZ"    display fields                   always
//   "V-"    (key only)                       read only: removes the current selection
//   "F-"    (key only)                       read only: removes the current formula
//
// Display fields, each a letter and its value in one field, read in any order: time family "D"
// decimals letter, "C" colour letter, "W" width (only from 16, read below 999), "w" line style
// 1-6, "V" shown, "B" bold, "N" sign style "-RP", "R" colouring "-B+", "S" Totals; read also "L"
// the old graph style "-LB". Component family: "D", "C", "W", "c" ("S" or "D"), "V", "B", "N",
// "R". Files older than 19970417 hold one field instead: the decimals letter, the colour letter
// and flag characters (digits 1-6 the line style, "B"/"b" bold, "V"/"v" shown, and in the
// component family "D"/"S" the c setting), then a field with the width.
//
// Time shift ("VT"): "Y+", "Y-", "Q+", "Q-", "M+", "M-" are kinds 1 to 6; kind 7 is the signed
// count and a unit letter of "YMWD" ("-2W"). Anything else, a count of 0 and a count that does
// not fit 32 bits read as no shift.
#include <cstdint>

#include "core/packed_date.h"
#include "database/card_selection.h"
#include "ui/element.h"

class T_Base;
class T_CFuncTmpl;
class T_IStream;
class T_OStream;
class T_TFuncTmpl;
struct LinkRename;

constexpr int32_t kVariableSelection = 0;
constexpr int32_t kVariableFormula = 1;

// Letter sets of the stored fields; a field's value is the index of its letter.
constexpr const char kMethodLetters[] = "CKcSsPAGDTRMNFL";
constexpr const char kTimeAccumulationLetters[] = "PA";
constexpr const char kCompAccumulationLetters[] = "CS";
constexpr const char kOperationLetters[] = "xIDMQ";
constexpr const char kGraphStyleLetters[] = "-LB";
constexpr const char kRuleLetters[] = "BCAPVGMN";
constexpr const char kShiftUnitLetters[] = "YMWD";
constexpr const char kSignStyleLetters[] = "-RP";
constexpr const char kColouringLetters[] = "-B+";

// Methods (text 5307 + method).
constexpr int32_t kMethodLineCount = 0;
constexpr int32_t kMethodComponentCount = 2;
constexpr int32_t kMethodSum = 3;
constexpr int32_t kMethodFirst = 13;
constexpr int32_t kMethodLast = 14;
constexpr int32_t kMethodCount = 15;
constexpr int32_t kMethodFirstText = 5307;
constexpr int32_t kRuleFirstText = 5501;

constexpr int32_t kVariableColourDefault = 10;
constexpr int32_t kSelectionColourDefault = 21;

// The first version date of the current display line, of time selections that keep their
// accumulation, and of time formulas that keep their own graph style.
constexpr int32_t kVersionDisplayFields = 19970417;
constexpr int32_t kVersionAccumulation = 19970626;
constexpr int32_t kVersionGraphStyle = 19970714;

// The letter of an index in a set (0 outside it); the index of a letter, stored into *index only
// when the letter is in the set. Returns whether it was.
char LetterOfIndex(const char* letters, int32_t index);
bool IndexOfLetter(const char* letters, char letter, int32_t* index);
// The colour letters: a colour index of the program's colour table and its letter. An index
// without a letter writes "-", and "-" reads as 0 (White).
char ColourToLetter(int32_t colour);
bool ColourFromLetter(char letter, int32_t* colour);

// The ten colours a new variable chooses among: a window's variables in the colour chooser's
// order, a template's in the order of the formula defaults, so that a template's first variable
// keeps its default colour and a template of formulas only keeps the formula defaults.
inline constexpr int32_t kWindowColourOrder[10] = {10, 6, 11, 21, 22, 15, 12, 13, 16, 19};
inline constexpr int32_t kTemplateColourOrder[10] = {21, 15, 10, 20, 19, 13, 6, 11, 8, 18};
// Of the ten colours, the one the variables from `first` on (by `next`) use least, a shown
// variable counting three times; on a tie the earlier. Series of one chart stay apart this way.
template <typename Variable>
int32_t LeastUsedColour(const int32_t (&order)[10], const Variable* first) {
  int32_t uses[10] = {};
  for (const Variable* v = first; v; v = v->next) {
    for (int32_t i = 0; i < 10; ++i) {
      if (order[i] == v->colour) uses[i] += v->shown ? 3 : 1;
    }
  }
  int32_t best = 0;
  for (int32_t i = 1; i < 10; ++i) {
    if (uses[i] < uses[best]) best = i;
  }
  return order[best];
}

// A time shift of a time selection: kind 0 none, 1 to 6 a year, quarter or month either way, 7 a
// count of units of "YMWD". monthEnd (1 to 6) is set by the time functions window and not stored.
struct TimeShift {
  int32_t kind = 0;
  int32_t unit = 0;
  int32_t count = 0;
  int32_t monthEnd = 0;
};
// The stored text ("" for kind 0) and the reading of one (n bytes).
void TimeShiftText(const TimeShift* shift, T_TextBuf* text);
TimeShift TimeShiftFromText(const char* text, int32_t n);
// What the window shows: text 5520 + kind for kinds 0 to 6 ("No time shift", "+Year", ...), for
// kind 7 the signed count, a blank and the unit's text.
void TimeShiftDisplayText(const TimeShift* shift, T_TextBuf* text);
// Moves the bound back by the shift (a forward shift moves it forward). Year moves keep month and
// day, a 29 February becoming the last day of February; month moves cut the day to the target
// month; with monthEnd 1 to 6 the last day of a month (of February for year moves) stays the
// last day. The result stays within 1900 to 2069 (the nearest end). A bound without a date is
// left alone; otherwise its number becomes 0x7FFFFFFF for a positive direction, else 1.
void ApplyTimeShift(const TimeShift* shift, CardId* bound, int32_t direction);

// --- Both families -------------------------------------------------------------------------------

// What a variable record of either family holds and does alike: the family (Variable, owned by
// an Owner template) adds its own display fields and its two kinds.
template <typename Owner, typename Variable>
class T_VariableTmplBase : public T_Object {
 public:
  // The owner may be null (a variable being converted); database is the owner's.
  T_VariableTmplBase(Owner* owner, T_Base* database, int32_t kind)
      : database(database), owner(owner), kind(kind) {}
  virtual ~T_VariableTmplBase();
  T_VariableTmplBase(const T_VariableTmplBase&) = delete;
  T_VariableTmplBase& operator=(const T_VariableTmplBase&) = delete;

  // Slots.
  virtual void Delete() { delete this; }
  virtual void WriteText(T_OStream* stream) const;  // the base writes nothing
  virtual int64_t MemorySize() const;

  bool SetName(const char* text);
  // Code 63: the title follows the rename.
  bool RenameLinks(LinkRename* rename);

  T_Base* database;
  Owner* owner;
  Variable* next = nullptr;  // the template's variable list
  int32_t kind;
  char* name = nullptr;   // owned
  char* title = nullptr;  // owned, may hold link markup
  uint8_t shown = 1;
  int32_t decimals = 0;
  int32_t signStyle = 0;
  int32_t colouring = 0;
  int32_t width = 0;
  int32_t colour = kVariableColourDefault;
};

// --- Time family ---------------------------------------------------------------------------------

class T_TVariableTmpl : public T_VariableTmplBase<T_TFuncTmpl, T_TVariableTmpl> {
 public:
  T_TVariableTmpl(T_TFuncTmpl* owner, T_Base* database, int32_t kind)
      : T_VariableTmplBase(owner, database, kind) {}

  int64_t MemorySize() const override;
  // The "VZ"/"FZ" line, and its reading (the old layout before kVersionDisplayFields).
  void WriteDisplayLine(T_OStream* stream, const char* key) const;
  void ReadDisplayLine(T_IStream* stream);

  uint8_t bold = 0;
  uint8_t totals = 0;
  int32_t lineStyle = 1;
  int32_t oldGraphStyle = 1;
};

class T_TSelectionTmpl : public T_TVariableTmpl {
 public:
  T_TSelectionTmpl(T_TFuncTmpl* owner, T_Base* database);
  ~T_TSelectionTmpl() override;
  void WriteText(T_OStream* stream) const override;
  int64_t MemorySize() const override;
  // A "V" line of the selection other than "VN" and "V-" (the key of n bytes is read); the
  // selection keys go to its SelectionDef. File version 0 counts as current.
  void ReadKey(const char* key, int32_t n, T_IStream* stream);

  T_TSelectionTmpl* nextSelection = nullptr;
  SelectionDef selection;
  int32_t valueColumn = 0;
  int32_t method = kMethodSum;
  int32_t accumulation = 1;  // From Start
  TimeShift shift;
};

class T_TFormulaTmpl : public T_TVariableTmpl {
 public:
  T_TFormulaTmpl(T_TFuncTmpl* owner, T_Base* database);
  ~T_TFormulaTmpl() override;
  void WriteText(T_OStream* stream) const override;
  int64_t MemorySize() const override;
  // An "F" line other than "FN" and "F-".
  void ReadKey(const char* key, int32_t n, T_IStream* stream);

  T_TFormulaTmpl* nextFormula = nullptr;
  char* formula = nullptr;  // owned
  int32_t operation = 0;
  int32_t graphStyle = 1;
};

// --- Component family ------------------------------------------------------------------------------

class T_CVariableTmpl : public T_VariableTmplBase<T_CFuncTmpl, T_CVariableTmpl> {
 public:
  T_CVariableTmpl(T_CFuncTmpl* owner, T_Base* database, int32_t kind)
      : T_VariableTmplBase(owner, database, kind) {}

  int64_t MemorySize() const override;
  void WriteDisplayLine(T_OStream* stream, const char* key) const;
  void ReadDisplayLine(T_IStream* stream);

  int32_t cSetting = 0;  // "D" 0, "S" 1
  int32_t bold = 0;
};

class T_CSelectionTmpl : public T_CVariableTmpl {
 public:
  T_CSelectionTmpl(T_CFuncTmpl* owner, T_Base* database);
  ~T_CSelectionTmpl() override;
  void WriteText(T_OStream* stream) const override;
  int64_t MemorySize() const override;
  void ReadKey(const char* key, int32_t n, T_IStream* stream);

  T_CSelectionTmpl* nextSelection = nullptr;
  SelectionDef selection;
  int32_t valueColumn = 0;
  int32_t method = kMethodSum;
  int32_t accumulation = 0;  // By Component
};

class T_CFormulaTmpl : public T_CVariableTmpl {
 public:
  T_CFormulaTmpl(T_CFuncTmpl* owner, T_Base* database);
  ~T_CFormulaTmpl() override;
  void WriteText(T_OStream* stream) const override;
  int64_t MemorySize() const override;
  void ReadKey(const char* key, int32_t n, T_IStream* stream);

  T_CFormulaTmpl* nextFormula = nullptr;
  char* formula = nullptr;
  int32_t rule = 0;
};

// --- Conversions -----------------------------------------------------------------------------------
// Fill a new template variable from another of the same kind (selection or formula), of either
// family. Display settings are copied field by field. Across the families: a component
// selection into the time family turns Component count into Sum, accumulates From Start and has
// no shift, a component formula gets operation 0 and graph style 1, and Totals and line style
// take their defaults; a time selection into the component family turns First and Last into Sum
// and accumulates By Component, a time formula gets rule 0, and the c setting becomes 1. False
// when the kinds differ or memory ran out.
bool CopyVariableTmpl(T_TVariableTmpl* target, const T_TVariableTmpl* source);
bool CopyVariableTmpl(T_TVariableTmpl* target, const T_CVariableTmpl* source);
bool CopyVariableTmpl(T_CVariableTmpl* target, const T_CVariableTmpl* source);
bool CopyVariableTmpl(T_CVariableTmpl* target, const T_TVariableTmpl* source);
