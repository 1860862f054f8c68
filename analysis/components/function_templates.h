#pragma once
// The templates of the two function windows: T_TFuncTmpl (kind 4, "#T", the time functions) on
// the box template and T_CFuncTmpl (kind 5, "#R", the component functions) on the structure
// template. Each holds the window's settings and its variables (analysis/components/
// variable_templates.h), written after the base records in this order, each line only away from
// its default unless marked "always", the template ending with an empty line:
//
//   T_TFuncTmpl                                     T_CFuncTmpl
//   key        fields                               key        fields
//   "VN".."FZ" every variable, in list order        "VN".."FZ" every variable, in list order
//   "K"        from bound, to bound (both open:     "PD", "K"  the structure part (written
//              no line)                                        when read or not the default)
//   "PL"       period letter "YHTQNMK432WDACGLX"    "PW"       label width, 24 up, not 136
//              (type 12: no line)                   "R"        letter of "FSD" (always)
//   "PX"       time scale name (type 16)            "Gx","Gy"  grid lines
//   "PW"       label width, 24 up                   "S"        value order + tree order
//   "L"        letter of "UTBOS", not 1                        ("DEFCBA", "NRCTH"), sort name
//   "Gx","Gy"  grid lines                           "L"        letter of "UTBOS", not 1
//   "SM","SN"  value-axis maximum, minimum          "N"        letter of "1A2345BCD", not 0
//   "SV"       value order + sort mode ("DEFCBA",   "W"        "WR" view mode 4
//              "NRP"), sort name                    "ZI"       the bar option
//   "W"        view mode ("WL"; "WB" read only)     "ZV"       values not shown
//   "Z"..      diagram flags (diagram_flags.h)      "ZX"       expansion text
//   "ZC"       text                                 "xtnh"/"xtna", "xtg+"/"xtg-"/"xtgh"
//   "ZB","ZT","ZN"  before hidden, card titles,                (always)
//              end dates only
//   "xtnh"/"xtna", "xtg+"/"xtg-"/"xtgh" (always)
//
// Files of version dates before 19970417, 19970626 and 19970714 hold the older variable
// layouts (variable_templates.h). Reading ignores "V" and "F" lines before the first "VN" or
// "FN", letters outside their sets and values out of range.
//
// Drill-downs (DerivedTemplate) are built only while a web request is served for a user with
// the drill-down right ("BD"); the link text is a variable's short id, ":" and, for the time
// functions, the clicked period (a from card short id, optionally "_" and a to card short id),
// for the component functions the clicked node's drill path (strux_paths.h) without its ":".
//
// User-interface thread only.
#include <cstdint>

#include "analysis/components/strux_template.h"
#include "analysis/components/variable_templates.h"
#include "analysis/time/diagram_flags.h"
#include "analysis/time/period_types.h"
#include "database/date_ref.h"
#include "database/templates.h"

class T_LinesTmpl;
class T_TVariable;
struct T_TextBuf;

constexpr uint32_t kTimeFunctionsMenuIcon = 2004;
constexpr uint32_t kComponentFunctionsMenuIcon = 2005;
constexpr const char kPeriodLetters[] = "YHTQNMK432WDACGLX";
constexpr const char kLSettingLetters[] = "UTBOS";
constexpr const char kNSettingLetters[] = "1A2345BCD";
constexpr const char kSortModeLetters[] = "NRP";
constexpr const char kTreeOrderLetters[] = "NRCTH";
constexpr const char kValueOrderLetters[] = "DEFCBA";

// Whether a web request is served for a user with the drill-down right ("BD"), through the box
// windows' web seam (BoxWinServices::webUserDrills).
bool DrillDownAllowed();

// The short id of a variable: its name followed by the four digits of its name short id
// (core/short_ids.h). Links and the "sort" parameter end it at their last ":".
void AppendVariableShortId(T_TextBuf* text, const char* name);

class T_TFuncTmpl : public T_BoxTmpl {
 public:
  explicit T_TFuncTmpl(T_Base* database);
  ~T_TFuncTmpl() override;

  void OnChange(const ChangeNote* note) override;
  void SetDefaults() override;
  bool ReadRecord(T_IStream* stream) override;
  void BeginRead() override;
  void WriteText(T_OStream* stream) override;
  void MarkUsedComponents(BitVector* components) override;
  void MarkSelectedLines(BitVector* lines) override;
  void SetParameter(const char* name, const char* value) override;
  T_Template* DerivedTemplate(const char* parameter) override;
  int64_t MemorySize() const override;

  // New variables at the end of the lists, with their default colour; null (pending error 600)
  // without memory.
  T_TSelectionTmpl* AddSelection();
  T_TFormulaTmpl* AddFormula();
  void RemoveSelection(T_TSelectionTmpl* selection);
  void RemoveFormula(T_TFormulaTmpl* formula);
  // A new variable of the source's kind filled from it (either family).
  T_TVariableTmpl* AddVariableFromWindow(const T_TVariableTmpl* source);
  T_TVariableTmpl* AddVariableFromWindow(const T_CVariableTmpl* source);
  // A new variable filled from a live variable of the time functions window: name, title,
  // display settings, and the selection (its card selection as a definition, value column,
  // method, accumulation, time shift) or the formula (text, operation, diagram form as the graph
  // style). Null (pending error 600) without memory.
  T_TVariableTmpl* AddVariableFromWindow(const T_TVariable* source);
  // The variable whose short id is the n bytes of text; null for none.
  T_TVariableTmpl* FindVariableByShortId(const char* text, int32_t n) const;
  T_TSelectionTmpl* FindSelectionByName(const char* text) const;
  T_TFormulaTmpl* FindFormulaByName(const char* text) const;
  bool SetSortName(const char* text);
  bool SetTimeScaleName(const char* text);
  bool SetZcText(const char* text);

  T_TVariableTmpl* variables = nullptr;
  T_TSelectionTmpl* selections = nullptr;
  T_TFormulaTmpl* formulas = nullptr;
  T_TFormulaTmpl* focus = nullptr;
  DateRef from;
  DateRef to;
  int32_t nTool = 4203;
  int32_t gTool = 4200;
  int32_t periodType = kPeriodActiveDays;
  int32_t lSetting = 1;
  double axisMax;
  double axisMin;
  int32_t sortMode = 0;
  int32_t valueOrder = 0;
  DiagramFlags flags;
  uint8_t beforeShown = 1;
  uint8_t cardTitles = 0;
  uint8_t endDatesOnly = 0;
  char* sortName = nullptr;       // owned
  char* timeScaleName = nullptr;  // owned
  char* zcText = nullptr;         // owned
  int16_t labelWidth = 0;
  T_TSelectionTmpl* readingSelection = nullptr;
  T_TFormulaTmpl* readingFormula = nullptr;
  int32_t readingIndex = -1;
  int32_t formulaCount = 0;

 private:
  void DeleteVariables();
  T_Template* DeriveFromFormula(T_TFormulaTmpl* formula, const CardId& first, const CardId& last);
};

class T_CFuncTmpl : public T_StruxTmpl {
 public:
  explicit T_CFuncTmpl(T_Base* database);
  ~T_CFuncTmpl() override;

  void OnChange(const ChangeNote* note) override;
  void SetDefaults() override;
  bool ReadRecord(T_IStream* stream) override;
  void BeginRead() override;
  void WriteText(T_OStream* stream) override;
  void MarkUsedComponents(BitVector* components) override;
  void MarkSelectedLines(BitVector* lines) override;
  void SetParameter(const char* name, const char* value) override;
  T_Template* DerivedTemplate(const char* parameter) override;
  int64_t MemorySize() const override;

  T_CSelectionTmpl* AddSelection();
  T_CFormulaTmpl* AddFormula();
  void RemoveSelection(T_CSelectionTmpl* selection);
  void RemoveFormula(T_CFormulaTmpl* formula);
  T_CVariableTmpl* AddVariableFromWindow(const T_CVariableTmpl* source);
  T_CVariableTmpl* AddVariableFromWindow(const T_TVariableTmpl* source);
  // A live time functions variable converted into the component family (see CopyVariableTmpl).
  T_CVariableTmpl* AddVariableFromWindow(const T_TVariable* source);
  T_CVariableTmpl* FindVariableByShortId(const char* text, int32_t n) const;
  T_CSelectionTmpl* FindSelectionByName(const char* text) const;
  T_CFormulaTmpl* FindFormulaByName(const char* text) const;
  bool SetSortName(const char* text);

  T_CVariableTmpl* variables = nullptr;
  T_CSelectionTmpl* selections = nullptr;
  T_CFormulaTmpl* formulas = nullptr;
  T_CFormulaTmpl* focus = nullptr;
  int32_t nTool = 4203;
  int32_t gTool = 4200;
  int32_t treeOrder = 0;
  int32_t valueOrder = 0;
  int32_t nSetting = 0;
  int32_t rSetting = 1;
  int32_t lSetting = 1;
  uint8_t valuesShown = 1;
  uint8_t barOption = 0;  // the I byte
  char* sortName = nullptr;
  int16_t labelWidth = 0;
  T_CSelectionTmpl* readingSelection = nullptr;
  T_CFormulaTmpl* readingFormula = nullptr;
  int32_t readingIndex = -1;
  int32_t formulaCount = 0;

 private:
  void DeleteVariables();
  T_Template* DeriveFromFormula(T_CFormulaTmpl* formula, const char* path);

  bool structureRead_ = false;  // "PD" or "K" came in this read: written back in any case
};

T_TFuncTmpl* AsTimeFunctionsTemplate(T_Template* templ);
T_CFuncTmpl* AsComponentFunctionsTemplate(T_Template* templ);

// Which variables a formula needs: the formula itself and every variable whose slots its text
// reads when compiled against the window's name table (each variable's name; for selections
// "#" + name in the time family, name + "!" and name + "#" in the component family), directly
// or through the formulas it needs. needed[i] is set for the i-th variable of the list, named
// [i] for those the formula's own text reads. Letter case is ignored, as the compiler does.
void FormulaNeeds(const T_TFuncTmpl* templ, const T_TFormulaTmpl* formula, uint8_t* needed,
                  uint8_t* named);
void FormulaNeeds(const T_CFuncTmpl* templ, const T_CFormulaTmpl* formula, uint8_t* needed,
                  uint8_t* named);

// Installs both template classes in the template factory.
void InstallFunctionTemplates();
