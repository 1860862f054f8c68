#pragma once
// T_CFunc: the component functions window (template kind 5). A tree of components (T_StruxWin)
// whose columns are the window's shown variables (cfunc_variables.h): selection variables
// accumulate the lines their selection admits, formula variables compute from them. Every node
// record carries, after the base's fields, two doubles per shown column: the own value and the
// total value; a column shows one of them by its variable's Sublevels setting.
//
// User-interface thread only.
#include <cstdint>

#include "analysis/components/cfunc_curve.h"
#include "analysis/components/cfunc_variables.h"
#include "analysis/components/cfunc_zoom.h"
#include "analysis/components/function_templates.h"
#include "analysis/components/strux_window.h"

class T_CFunc;
class T_CFuncLabels;

// A column of the window: the labels field (variable null) or a shown variable's.
class T_CFuncField : public T_BoxField {
 public:
  T_CFuncField(T_BoxWin* window, T_CVariable* variable) : T_BoxField(window), variable(variable) {}
  T_CVariable* variable;
};

// Mode box items: the overview, one per variable (kCFuncItemFirst + its order), the pages.
constexpr int32_t kCFuncItemOverview = 1000;
constexpr int32_t kCFuncItemFirst = 1001;
constexpr int32_t kCFuncModeNone = -1;
constexpr int32_t kCFuncModeOverview = 0;
constexpr int32_t kCFuncModeSelection = 1;
constexpr int32_t kCFuncModeFormula = 2;
constexpr int32_t kCFuncModeView = 3;
constexpr int32_t kCFuncModeDisplay = 4;
constexpr uint32_t kCFuncCalcButtonId = 400;
constexpr uint16_t kCFuncViewNumeric = 4020;
constexpr uint16_t kCFuncViewCurve = 4110;
constexpr int64_t kCFuncOpenReserve = 65536;
constexpr int32_t kCFuncDefaultWidth = 685;
constexpr int32_t kCFuncDefaultHeight = 400;
// The spacing chooser's row heights.
extern const int32_t kCFuncRowHeights[9];
// The tools of the numeric view and of the curve view.
constexpr uint32_t kCFuncToolSelectorId = 4018;
constexpr int32_t kCFuncToolOpenNode = 4202;
// The presentation frames of a variable's header and the display page.
constexpr uint32_t kCFuncNumericFrame = 5340;
constexpr uint32_t kCFuncGraphicFrame = 5341;
constexpr int32_t kCFuncDisplayPage = 5356;
extern const uint16_t kCFuncNumericTools[];
extern const uint16_t kCFuncCurveTools[];

class T_CFunc : public T_StruxWin {
 public:
  explicit T_CFunc(T_CFuncTmpl* templ, uint32_t flags);
  ~T_CFunc() override;

  // --- Structure window slots
  void ComputeNodeValues() override;
  int32_t GetValueCount() override { return static_cast<int32_t>(data.shownList.size()); }
  void GetValueTitle(T_TextBuf* text, int32_t index) override;
  void CollectNodes(std::vector<uint8_t>* keep) override;
  bool NodeHasData(int64_t node) override;
  bool NodePassesFilter(int64_t node, int32_t part, int32_t filter) override;
  double GetNodeValue(int64_t node) override;

  // --- Box window slots
  void FormatRow(RowTextPool* pool, int64_t row) override;
  // The calculation; one that runs out of memory in a container of its own fails as any other.
  void RunCalculation(bool enabled, bool rescale) override;
  void RunCalculationSteps(bool rescale);
  int32_t GetRowHeight(int64_t row) override;
  int32_t GetDefaultWidth() override { return 606; }
  int32_t GetDefaultHeaderHeight() override;
  void DrawGrid(BoxDrawRecord* record) override;
  void OnSelectorEvent(T_GrafElement* selector) override;
  void WriteXml(T_OStream* stream) override;
  void WriteDefinition(TextCellWriter* writer) override;
  void WriteHtmlDefinition(T_OStream* stream) override;
  void GetFieldSortKey(T_BoxField* field, T_TextBuf* key) override;
  void OnChange(const ChangeNote* note) override;
  void UpdateCommands() override;
  bool DoCommand(int32_t command) override;
  void OnModeboxEvent(T_GrafElement* box, ModeboxEvent* record) override;
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;
  void OnCheckbox(T_GrafElement* checkbox) override;
  void OnButton(T_GrafElement* button) override;
  void OnEditText(T_TextBuf* text, T_GrafElement* field) override;
  void OnEditEvent(T_GrafElement* field, int32_t code) override;
  void RestrictToSubset(void* subset) override;
  void SaveToTemplate(T_Template* templ) override;
  bool IsEmpty() override;
  int64_t GetMemoryUsage() override;

  // --- Its own
  // The cells of a node: own, total for each shown column.
  double* Cells(int64_t node) const {
    return reinterpret_cast<double*>(reinterpret_cast<uint8_t*>(Node(node)) + sizeof(StruxNode));
  }
  // The value a column shows at a node (own or total by the variable's Sublevels).
  double CellValue(int64_t node, const T_CVariable* variable) const;
  // The labels field and one field per shown variable, 3 pixels apart.
  void BuildFields();
  // The mode box's variable items, rebuilt from the list.
  void RebuildModeItems();
  void SelectVariable(T_CVariable* variable);
  // The clipboard text of the current variable, or of all variables.
  bool CopyVariables(bool all);
  bool PasteVariables(bool replaceAll);
  bool EraseCurrent();
  T_CVariable* NewVariable(int32_t kind);
  // After variables were added, deleted or read: columns, mode items and the need to calculate.
  void VariablesChanged();
  // The tree the computation walks, from the node list.
  void FillTree();
  // The header page of the mode (cfunc_pages.cpp): the overview's buttons or the current
  // variable's fields; the handler answers whether the chooser was one of the page's.
  void OpenHeaderPage();
  bool PageChooserEvent(uint32_t id, ChooserEvent* record);
  // Numeric view (0) or curve view (4).
  void SetPresentation(uint32_t mode);
  // A window of the kind with the window's selection ("» Component Functions" carries every
  // variable); the template runs through the runner.
  void OpenWindowOfKind(int32_t kind);

  // --- Opening in other windows, web links and printing (cfunc_drill.cpp, cfunc_print.cpp)
  // Runs the template of a "»" command (cfunc_drill.h) for the variable (null: every variable)
  // at the node (-1: the whole tree); the new window, null when none opened.
  T_HWindow* OpenVariableIn(int32_t command, T_CVariable* variable, int64_t node);
  // The open-node menu of a column's variable at the event's point of the grid.
  void ShowOpenNodeMenu(T_CVariable* variable, int64_t node, InputEvent* event);
  // The phases of a menu of the "»" commands the variable offers: the list, and the run of the
  // chosen one at the node.
  void OpenCommandsMenu(ContextMenuRecord* record, int32_t phase, T_CVariable* variable,
                        int64_t node);
  void ContextMenu(ContextMenuRecord* record, int32_t phase) override;
  void TitleContextMenu(ContextMenuRecord* record, int32_t phase) override;
  bool ClickCell(InputEvent* event, int64_t row, int32_t field, int32_t tool) override;
  void OnCellsSelected(int64_t row, int32_t field) override;
  void WriteHtmlCell(T_OStream* stream, int64_t row, T_BoxField* field) override;
  void PrintPart(BoxDrawRecord* record) override;
  // What a change note asks of the variables (cfunc_changes.cpp): true when the window needs a
  // calculation; titles whose links were renamed are rewritten and their columns retitled.
  bool VariablesOnChange(const ChangeNote* note);

  CFuncData data;
  CFuncTree tree;
  T_CVariable* current = nullptr;
  T_CVariable* sortVariable = nullptr;
  int32_t mode = kCFuncModeNone;
  int32_t gridVertical[2] = {0, 0};  // numeric view, curve view
  int32_t curveStyle = 0;
  int32_t barStyle = 0;
  int32_t spacing = 0;
  uint8_t barOption = 0;
  int32_t treeOrder = 0;
  int32_t valueOrder = 0;
  double largest = 1.0;
  double smallest = 0.0;
  uint8_t refreshNodes = 0;
  uint8_t calculated = 0;
  T_CFuncField* labelsField = nullptr;
  T_Selector* viewSelector = nullptr;
  int32_t openCommand = 3144;  // the open-node menu's last choice: "» Lines"
  T_CVariable* menuVariable = nullptr;
  int64_t menuNode = -1;

  // --- The interactive side: the curve view's legend and zoom, column drags, the display page,
  // the presentation frames and the mode-box menu (cfunc_legend.cpp, cfunc_zoom.cpp,
  // cfunc_display.cpp)
  void Notify(int32_t code) override;
  void Refresh(int32_t oldViewMode) override;
  void ScrollRows(const LayoutChange* change) override;
  void OnFieldWidthChanged(T_BoxField* field, int32_t change) override;
  bool SetGridCursor(InputEvent* event) override;
  bool ClickGrid(InputEvent* event) override;
  bool GridWheel(InputEvent* event, int32_t lines) override;
  bool ClickFieldTitle(InputEvent* event, T_BoxField* field) override;
  bool ClickFieldButton(InputEvent* event, T_BoxField* field, const RECT* rect) override;
  bool OnModeboxMenu(T_GrafElement* box, ContextMenuRecord* record) override;
  bool KeyDown(InputEvent* event, T_GrafElement* target) override;
  // The curve area in grid coordinates (right of the labels column, above the axis strip) and
  // the zoom-back button in the strip under the labels column.
  RECT CurveArea() const;
  RECT ZoomBackButton() const;
  void DrawZoomBackButton();
  // The rectangles of the node's bars in a row whose top is y, in drawing order, and how many of
  // them lie left of zero.
  std::vector<CurveRect> RowBarRects(int64_t node, int32_t y, const CurveScale& scale,
                                     int32_t* leftCount);
  // The shown variable whose bar holds the point (grid coordinates) and the bar's node; null
  // when no bar does.
  T_CVariable* BarAtPoint(POINT point, int64_t* node);
  // The open-node tool pressed on a bar: the variable is chosen, and released over the same bar
  // the open-node menu follows at the release point.
  void TrackOpenNode(InputEvent* event);
  // Zooms the value axis to a pixel span of the curve area (animated on screen when asked);
  // false (beep) when refused.
  bool ZoomToSpan(int32_t from, int32_t to, bool animate = false);
  bool ZoomBack(bool animate = false);
  // The range of the cells of the rows in view.
  void FitRowsInView();
  void TrackValueZoom(InputEvent* event, int32_t tool);
  void SetValueRange(const ValueRange& range, bool animate);
  // The column drag: the variable goes just after the target column's variable (the end when
  // that is the last column; before the first shown variable for the labels column).
  void MoveColumn(T_CVariable* variable, T_BoxField* target);
  void OpenDisplayPage();
  // "Numeric Presentation" at x, y and, in the curve view for a shown variable, "Graphic
  // Presentation" below it, or (beside) under the formula page's rule chooser.
  void AddPresentationFrames(T_EventHandler* parent, int32_t x, int32_t y, bool beside);
  // The "Graphic Presentation" frame where the last presentation frames put it, made anew for
  // the current variable (none unless the curve view shows the variable).
  void UpdateGraphicFrame();
  bool DisplayChooserEvent(uint32_t id, T_GrafElement* chooser, ChooserEvent* record);
  bool DisplayCheckbox(uint32_t id, bool checked);
  // The rows in tree or value order as the sorting settings say.
  void ApplySort();
  // After the fields were rebuilt: the sort marker and the legend follow.
  void FieldsRebuilt();

  CFuncZoomStack zoom;
  T_CFuncLabels* labels = nullptr;
  T_EventHandler* graphicParent = nullptr;
  XYWH graphicAt{};
};

// The window of a kind-5 template; null without one or when 64 KB cannot be had now.
T_HWindow* OpenComponentFunctionsWindow(T_Template* templ, T_Template* parameter, int32_t flags);
T_CFunc* AsCFuncWindow(T_EventHandler* element);
// Puts the window in the template runner for kind 5.
void InstallComponentFunctionsWindow();
