#pragma once
// T_TFunc: the time functions window (kind 4). One row per period of the chosen period type
// between the window's bounds, one column per shown variable, the "Before" row above and the
// "Totals" row below the periods, and the same data as a diagram with a legend of the variables
// over its title row. The variables, the calculation and the row order live in TFuncData and
// TFuncRowOrder (time_variables.h, time_calculation.h, tfunc_rows.h); the window owns them.
//
// Mode box: the "Variables" item with one item per variable under it (the selections, then the
// formulas), then the "Axis Limits" and "Options" pages and the shared panel pages. The side
// panel of a variable is its selection page (mode 1) or formula page (mode 2).
//
// Invariants:
//   1. the first field is the label field; every other field is a T_TFuncCurve of a shown
//      variable, in display order, whose series was copied from the variable when the fields
//      were last rebuilt;
//   2. a variable's modeNode is its item under the "Variables" item;
//   3. current is null or a variable of data.
//
// User-interface thread only.
#include <cstdint>
#include <vector>

#include "analysis/time/tfunc_diagram.h"
#include "analysis/time/tfunc_rows.h"
#include "analysis/time/tfunc_series.h"
#include "analysis/time/time_variables.h"
#include "analysis/time/ts_window.h"

class T_Chooser;
class T_Checkbox;
class T_Edit;
class T_TFuncLabels;
class T_TFuncTmpl;
struct TFuncDrillMenu;

constexpr uint32_t kTFuncHelpId = 2004;
constexpr int32_t kTFuncDefaultWidth = 685;
constexpr int32_t kTFuncDefaultHeight = 400;
constexpr int64_t kTFuncOpenReserve = 65536;
constexpr uint32_t kTFuncCalcButtonId = 400;

// Mode-box items (their texts are these ids) and the modes of the side panel.
constexpr int32_t kTFuncVariablesItem = 3134;  // "Variables"
constexpr int32_t kTFuncAxisLimitsItem = 5363;  // "Axis Limits"
constexpr int32_t kTFuncOptionsItem = 3141;     // "Options"
constexpr int32_t kTFuncVariableItemFirst = 100000;
constexpr int32_t kTFuncSeparatorItem = 99999;  // blank, between the selections and the formulas
constexpr int32_t kTFuncModeVariables = 0;
constexpr int32_t kTFuncModeSelection = 1;
constexpr int32_t kTFuncModeFormula = 2;
constexpr int32_t kTFuncModeAxisLimits = 3;
constexpr int32_t kTFuncModeOptions = 4;

// Where the selection page's bound and text labels and their edits start.
constexpr int32_t kTFuncPageTextLabels = 188;
constexpr int32_t kTFuncPageTextEdits = 255;

// Item ids of the header and the pages.
constexpr uint32_t kPeriodTypeChooserId = 89;
constexpr uint32_t kVariableNameEdit = 60;
constexpr uint32_t kVariableShowBox = 61;
constexpr uint32_t kValueColumnChooser = 62;
constexpr uint32_t kMeasureChooser = 63;
constexpr uint32_t kAccumulationChooser = 64;
constexpr uint32_t kTimeShiftChooser = 65;
constexpr uint32_t kFormulaEditId = 66;
constexpr uint32_t kOperationChooser = 67;
constexpr uint32_t kNumericFrame = 68;
constexpr uint32_t kGraphicFrame = 69;
constexpr uint32_t kDecimalsChooser = 70;
constexpr uint32_t kColouringChooser = 71;
constexpr uint32_t kSignChooser = 72;
constexpr uint32_t kBoldBox = 73;
constexpr uint32_t kTotalsBox = 74;
constexpr uint32_t kColourChooser = 75;
constexpr uint32_t kDiagramFormChooser = 76;
constexpr uint32_t kLineStyleChooser = 77;
constexpr uint32_t kTimeLimitsFrame = 78;
constexpr uint32_t kValueLimitsFrame = 79;
constexpr uint32_t kTitleEdit = 80;
constexpr uint32_t kShowBeforeBox = 81;
constexpr uint32_t kCardTitlesBox = 82;
constexpr uint32_t kSortVariableChooser = 83;
constexpr uint32_t kSortModeChooser = 84;
constexpr uint32_t kEndDatesBox = 85;
constexpr uint32_t kBarModeChooser = 87;
// The selection page's value-condition edits (one a row), clear of the ids above.
constexpr uint32_t kTFuncValueEditFirst = 210;

// Commands (menu ids are text ids).
constexpr uint16_t kCommandNewSelection = 4713;  // "New Selection"
constexpr uint16_t kCommandNewFormula = 5372;    // "New Formula"
constexpr uint16_t kCommandOpenTimeScale = 5377;  // "Open Time Scale"
constexpr uint16_t kCommandGridView = 4020;
constexpr uint16_t kCommandDiagramView = 4026;

// Texts of this window.
constexpr int32_t kTextTotals = 5330;
constexpr int32_t kTextActiveDays = 5331;  // to 5334 "Active Lines"
constexpr int32_t kTextSpring = 5335;
constexpr int32_t kTextFall = 5336;
constexpr int32_t kTextTwoMonthNames = 5337;  // "Jan-Feb" .. "Nov-Dec"
constexpr int32_t kTextMonthNames = 5343;     // "January" .. "December"
constexpr int32_t kTextByPeriod = 5355;       // and "From Start"
constexpr int32_t kTextOperations = 5357;     // "None" .. "Quotient"
constexpr int32_t kTextOperationByTime = 5362;
constexpr int32_t kTextTimeAxis = 5364;
constexpr int32_t kTextValueAxis = 5365;
constexpr int32_t kTextFrom = 5366;
constexpr int32_t kTextTo = 5367;
constexpr int32_t kTextMoveSelection = 5368;
constexpr int32_t kTextPeriodName = 5369;
constexpr int32_t kTextCardTitle = 5370;
constexpr int32_t kTextPeriod = 5371;
constexpr int32_t kTextShowBefore = 5373;
constexpr int32_t kTextShowCardTitles = 5374;
constexpr int32_t kTextEndDatesOnly = 5375;
constexpr int32_t kTextTotalsBox = 5376;
constexpr int32_t kTextMeasure = 5378;
constexpr int32_t kTextBars = 5387;
constexpr int32_t kTextBarModes = 5400;  // "Side by Side" .. "Stacked", in bar mode order
constexpr int32_t kTextShiftUnits = 5379;  // "Years", "Months", "Weeks", "Days"
constexpr int32_t kTextMaximum = 5383;
constexpr int32_t kTextMinimum = 5384;
constexpr int32_t kTextDiagramForms = 5385;  // "None", "Curve", "Bars"

// The text of a period type 0 to 15.
const char* PeriodTypeText(int32_t type);

// How far the printed header is lowered for a title row of the given height: 2 x s - 3 with
// s = 26 - the height (at least 1), 0 when that is not positive.
int32_t TFuncPrintHeaderDrop(int32_t titleHeight);

// What the row labels depend on besides the data.
struct TFuncLabelOptions {
  uint8_t cardTitles = 0;
  uint8_t endDatesOnly = 0;
};

// The label of a period table entry (the first column of its row).
void TFuncRowLabel(const TFuncData* data, int64_t entry, const TFuncLabelOptions& options,
                   T_TextBuf* text);

// A variable's column: its series (what the diagram draws), its legend entry's rectangle in the
// labels item and whether the pointer is over that entry.
class T_TFuncCurve : public T_BoxField {
 public:
  T_TFuncCurve(T_BoxWin* window, T_TVariable* variable);
  ~T_TFuncCurve() override;

  TFuncSeries series;
  RECT legend{};
  uint8_t hot = 0;
};

class T_TFunc : public T_TSWin {
 public:
  explicit T_TFunc(T_TFuncTmpl* templ, uint32_t flags);
  ~T_TFunc() override;

  // --- Box window slots
  void FormatRow(RowTextPool* pool, int64_t row) override;
  void RunCalculation(bool enabled, bool force) override;
  int32_t GetDefaultHeaderHeight() override;
  int32_t GetDefaultWidth() override { return 559; }
  void DrawGrid(BoxDrawRecord* record) override;
  void Refresh(int32_t oldViewMode) override;
  void ScrollRows(const LayoutChange* change) override;
  void OnFieldWidthChanged(T_BoxField* field, int32_t change) override;
  bool ClickCell(InputEvent* event, int64_t row, int32_t field, int32_t tool) override;
  void SelectRange(CellRange* range) override;
  void OnCellsSelected(int64_t row, int32_t field) override;
  // The card a period row names (Active Cards, Groups and Lines); false for other rows.
  bool RowCard(int64_t row, CardId* id) const;
  void TitleContextMenu(ContextMenuRecord* record, int32_t phase) override;
  bool ClickFieldTitle(InputEvent* event, T_BoxField* field) override;
  bool ClickFieldButton(InputEvent* event, T_BoxField* field, const RECT* rect) override;
  void GetFieldSortKey(T_BoxField* field, T_TextBuf* key) override;
  void WriteDefinition(TextCellWriter* writer) override;
  void WriteHtmlDefinition(T_OStream* stream) override;
  void WriteXml(T_OStream* stream) override;
  void WriteHtmlCell(T_OStream* stream, int64_t row, T_BoxField* field) override;
  void WriteCellText(T_OStream* stream, int64_t row, T_BoxField* field) override;
  void PrintPart(BoxDrawRecord* record) override;

  // --- Window slots
  void Notify(int32_t code) override;
  void OnChange(const ChangeNote* note) override;
  void UpdateCommands() override;
  bool DoCommand(int32_t command) override;
  bool KeyDown(InputEvent* event, T_GrafElement* target) override;
  void OnEditText(T_TextBuf* text, T_GrafElement* field) override;
  void OnButton(T_GrafElement* button) override;
  void OnCheckbox(T_GrafElement* checkbox) override;
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;
  void OnSelectorEvent(T_GrafElement* selector) override;
  void OnModeboxEvent(T_GrafElement* box, ModeboxEvent* record) override;
  bool OnModeboxMenu(T_GrafElement* box, ContextMenuRecord* record) override;
  void OnToolSelected(int32_t item) override;
  void DrawModeItem() override;
  bool HasHeaderField(int32_t id) override;
  void SaveToTemplate(T_Template* templ) override;
  bool IsEmpty() override;
  int64_t GetMemoryUsage() override;

  // --- Time-series slots
  bool IsPointOnData(InputEvent* event) override;
  void RebuildDiagram() override;
  void ChooseValueScale() override;
  void OnPeriodRangeChanged() override;
  bool HitDiagram(POINT point, int64_t* row, Region* shape) override;
  bool ClickDiagram(InputEvent* event) override;
  void DragDiagram(InputEvent* event) override;

  // --- Its own (tfunc_window.cpp)
  // The calculation with its messages; false when it did not start.
  bool CalculateNow();
  // One field per shown variable after the label field (invariant 1), the legend laid out anew.
  void RebuildCurves();
  T_TFuncCurve* CurveOfVariable(const T_TVariable* variable) const;
  // The rows of the last calculation, sorted as the settings say.
  void RefreshRows();
  // The column move of a title or legend drag: the variable goes right before the variable of
  // the field after target (the end when there is none).
  void MoveColumn(T_TVariable* variable, T_BoxField* target);
  // Periods and sorting changed: results out of date, the mode reselected in the diagram.
  void PeriodTypeChanged();
  void SetPeriodType(int32_t type, TimeScale* scale);
  void SetViewModeOf(uint32_t mode);
  // The drill commands ("» Cards" .. "» Component Functions"): enabled with a database.
  bool DrillEnabled(int32_t command) const;
  // Runs a drill command on a variable over its whole range (null: every variable for
  // "» Time Functions" and "» Component Functions"); the window opened, or null.
  T_HWindow* RunDrillCommand(int32_t command, T_TVariable* variable);
  // Drill-through from a period entry (kDrillWholeRange: the whole range) and a column's
  // variable (null: the first selection), with the remembered drill choice; the window opened,
  // or null.
  T_HWindow* DrillAt(int64_t entry, T_TVariable* variable);

  // --- The drill menu (tfunc_drill_menu.cpp)
  void ContextMenu(ContextMenuRecord* record, int32_t phase) override;
  // The drill tool's menu at the point (coordinates of `in`, null: the window's) with the
  // remembered choice marked; a chosen choice is remembered, then DrillAt. Cancelling opens
  // nothing and keeps the choice. The opening event's buttons decide how the menu tracks.
  T_HWindow* DrillMenuAt(int64_t entry, T_TVariable* variable, T_GrafElement* in, POINT at,
                         const InputEvent* opening);
  // The menu alone at a point in window coordinates: the choice taken (remembered), or -1.
  int32_t RunDrillMenu(const T_TVariable* variable, POINT at, const InputEvent* opening);
  // Where the menu opens for a grid cell (row -1: the field's title, for the whole range), in
  // grid coordinates.
  POINT DrillMenuPlace(int64_t row, const T_BoxField* field);
  // What the diagram draws now: the curves' series by data column, the bar mode and the
  // value-axis limits.
  TFuncDiagram Diagram();

  // --- Variables and pages (tfunc_pages.cpp)
  T_TSelection* NewSelection();
  T_TFormula* NewFormula();
  // The variable's item under "Variables" (made when missing) and its removal.
  void AddVariableItem(T_TVariable* variable);
  void ReloadVariableItems();
  // The blank item stands between the last selection and the first formula when both exist.
  void PlaceSeparatorItem();
  void SelectVariable(T_TVariable* variable);
  T_TVariable* VariableOfItem(int32_t id) const;
  bool EraseVariable(T_TVariable* variable);
  void EraseAllVariables();
  // Clipboard: the current variable (or all of them from the "Variables" item) as text.
  bool CopyVariables(bool all);
  bool PasteVariables();
  bool ClipboardHasVariables() const;
  void DuplicateVariable();
  void ClosePages();
  void OpenVariablePage(T_TVariable* variable);
  void OpenAxisLimitsPage();
  void OpenOptionsPage();
  // One of the five bar modes of the diagram; the diagram is redrawn.
  void SetBarMode(int32_t mode);
  // The period chooser's items after a time scale came or went.
  void RecountPeriodChooser();
  // The time shift chooser on the selection page shows the current selection's shift.
  void RefreshShiftChooser();
  // The chosen item of the time shift chooser (custom count runs the dialog).
  void ChooseTimeShift(T_TSelection* selection, int64_t item);
  void VariableChanged(T_TVariable* variable, bool recalc);

  TFuncData data;
  TFuncRowOrder order;
  TFuncLabelOptions labelOptions;
  T_Chooser* periodChooser = nullptr;
  T_BoxField* labelField = nullptr;
  T_TVariable* current = nullptr;
  T_TFuncLabels* labels = nullptr;
  T_Chooser* shiftChooser = nullptr;
  T_Edit* nameEdit = nullptr;
  int32_t pageMode = -1;
  int32_t labelWidth = 136;
  int32_t nextItemId = kTFuncVariableItemFirst;
  int32_t gridTool = 4203;
  int32_t diagramTool = 4200;
  int32_t drillChoice = 0;
  const TFuncDrillMenu* runningDrillMenu = nullptr;
  double axisMaximum;
  double axisMinimum;
  int32_t barMode = kBarsSideBySide;
  int32_t hitColumn = -1;  // the data column of the last diagram hit
  std::vector<TFuncSeries*> diagramSeries;
  uint8_t calculated = 0;
};

T_TFunc* AsTFuncWindow(T_EventHandler* element);

// The window of a time functions template (the database is the template's); null without a
// template or when 64 KB cannot be had now.
T_HWindow* OpenTimeFunctionsWindow(T_Template* templ, T_Template* parameter, int32_t flags);
