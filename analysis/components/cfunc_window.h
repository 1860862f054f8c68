#pragma once
// T_CFunc: the component functions window (template kind 5). A tree of components (T_StruxWin)
// whose columns are the window's shown variables (cfunc_variables.h): selection variables
// accumulate the lines their selection admits, formula variables compute from them. Every node
// record carries, after the base's fields, two doubles per shown column: the own value and the
// total value; a column shows one of them by its variable's Sublevels setting.
//
// User-interface thread only.
#include <cstdint>

#include "analysis/components/cfunc_variables.h"
#include "analysis/components/function_templates.h"
#include "analysis/components/strux_window.h"

class T_CFunc;

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
  void RunCalculation(bool enabled, bool rescale) override;
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
  int32_t gridHorizontal = 0;
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
};

// The window of a kind-5 template; null without one or when 64 KB cannot be had now.
T_HWindow* OpenComponentFunctionsWindow(T_Template* templ, T_Template* parameter, int32_t flags);
T_CFunc* AsCFuncWindow(T_EventHandler* element);
// Puts the window in the template runner for kind 5.
void InstallComponentFunctionsWindow();
