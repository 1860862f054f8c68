#pragma once
// T_DimEditor: the window in which one dimension's component tree is edited (window kind 11), a
// box window with the columns "QEB-Code", "Text" and "Host Code". It works on a private copy of
// the tree (editors/dimension_editor_tree.h) and applies it in one step when it closes.
//
// The cells are edited in place; Ctrl with the arrow keys moves the current node, Return adds
// one, keypad Enter toggles it. Dragging a row by its outline marker moves the node: the pointer
// says where (one level out, into the preceding sibling, after or into the row under it) and the
// grid shows it (the dragged block inverted, or a frame) with a cursor per action. A right press
// on a row offers "Duplicate component", "Remove component", "Sort Rows" and "Reverse order".
// The toolbar holds the indentation chooser, "Properties" and "Import Setup".
//
// Layout (pixels): toolbar 30 high; column titles 14; rows 14 high; the code column draws the
// outline 6 pixels a level (ComputeOutlineWidth style 1); the text and host-code cells are
// indented 0, 6 or 10 pixels a level by the indentation mode.
//
// User-interface thread only.
#include <cstdint>

#include "analysis/boxwin/box_window.h"
#include "editors/dimension_editor_tree.h"

class T_Base;
class T_Selector;

constexpr uint32_t kDimIndentId = 5;
constexpr uint32_t kDimPropertiesId = 6;
constexpr uint32_t kDimImportSetupId = 7;

// Commands.
constexpr int32_t kDimCommandNew = 20;
constexpr int32_t kDimCommandExpandAll = 22;
constexpr int32_t kDimCommandExpandDialog = 23;
constexpr int32_t kDimCommandRemove = -5;
constexpr int32_t kDimCommandImportClipboard = 3301;
constexpr int32_t kDimCommandSortRows = 3620;

// The row context menu (its selector and entries, the entries' texts).
constexpr uint32_t kDimRowMenu = 3321;
constexpr uint16_t kDimMenuDuplicate = 3321;
constexpr uint16_t kDimMenuRemove = 3322;
constexpr uint16_t kDimMenuReverse = 3323;
constexpr uint16_t kDimMenuSort = 3620;

// Row height and the marker's reach right of the outline.
constexpr int32_t kDimRowHeight = 14;
constexpr int32_t kDimMarkerSlack = 4;

// What releasing a marker drag does.
enum DimDragAction : int32_t {
  kDimDragNone = 0,
  kDimDragToggle = 1,
  kDimDragOut = 2,           // one level out (cursor 1001)
  kDimDragIntoPrevious = 3,  // last child of the preceding sibling (1002)
  kDimDragAfter = 4,         // after the target, or its first child when expanded (1002)
  kDimDragInto = 5,          // the target's first child, the target expanded (1003)
};
// The cursor of an action: 1001, 1002, 1003, or the standard arrow.
uint32_t DimDragCursor(int32_t action);

// The autoscroll timetable of a drag: outside the grid the first step comes at once (one row),
// the next 450 ms later, then one every 100 ms, at most one per poll; a later step scrolls the
// distance outside divided by 16, plus x / 50 (not below 0), plus 1 rows. Back inside resets it.
struct DimAutoscroll {
  uint64_t nextStep = 0;
  uint8_t outside = 0;
  uint8_t stepped = 0;
};
// Rows to scroll at this poll (negative: up); y in grid coordinates.
int64_t DimAutoscrollStep(DimAutoscroll* clock, uint64_t now, int32_t x, int32_t y,
                          int32_t gridHeight);

class T_DimEditor : public T_BoxWin {
 public:
  T_DimEditor(T_Base* database, int32_t dimension, uint32_t flags);
  ~T_DimEditor() override;

  // --- Box window slots
  void FormatRow(RowTextPool* pool, int64_t row) override;
  void GetRowOutline(RowOutline* outline, int64_t row) override;
  int32_t GetRowHeight(int64_t row) override;
  void DrawGrid(BoxDrawRecord* record) override;
  // Trimmed and cut to 1023 bytes; a code keeps its parent's code in front and moves the node
  // to its sorted place.
  void GetCellEditText(T_TextBuf* text, int64_t row, int32_t field) override;
  bool GridKeyDown(InputEvent* event) override;
  // A left press on a row's outline marker runs the marker drag; a right press opens the row
  // menu; any other press on a column edits its cell.
  bool ClickGrid(InputEvent* event) override;
  int32_t GetTreeDepth() override;

  // --- Window slots
  void OnChange(const ChangeNote* note) override;
  void UpdateCommands() override;
  bool DoCommand(int32_t command) override;
  void OnButton(T_GrafElement* button) override;
  void OnSelectorEvent(T_GrafElement* selector) override;
  void ContextMenu(ContextMenuRecord* record, int32_t phase) override;
  void ImportFile(const char* path) override;
  // Close code 3 closes without applying; an unchanged tree closes; otherwise the duplicate
  // check, then (unless the code is 2) 3203 with "Change", "Cancel", "Don't Change", and the
  // tree is applied. A refused apply keeps the window open with its edits.
  bool QueryClose(int32_t code) override;

  // The node of the current row (the cell being edited, else the row last made current).
  DimNode* Current();
  // The rows rebuilt and the node's row made current (none: the first row).
  void ShowRows(DimNode* select);
  void MakeTitle();
  // Plain rows from the clipboard or a stream.
  int64_t ImportRows(T_IStream* stream);
  void RemoveCurrent();
  void NewComponent(bool copyTexts);
  // The moves of the keys (Ctrl+Left, Right, Up, Down); false (and a beep) when refused.
  bool MoveCurrent(uint16_t key);

  // The marker drag of a press on the row, and its parts.
  void MarkerDrag(InputEvent* event, int64_t row);
  int32_t DragActionAt(int32_t x, int32_t y, DimNode** target);
  // The left edge of the row's code cell plus its outline width (grid coordinates).
  int32_t OutlineEdge(int64_t row);
  int32_t CodeLeft() const;
  // The dragged node's row and its visible descendants, in grid coordinates.
  RECT BlockRect();
  void ShowDragFeedback(int32_t action, DimNode* target);
  void RecordWidths();

  DimTree tree;
  int32_t indentation = 1;  // 0, 1 or 2: the dimension's "-I" option
  int32_t sortOrders[3] = {};  // per column: 0 ascending, 1 descending, as last chosen
  uint8_t forImport = 0;
  uint8_t applying = 0;
  DimNode* current = nullptr;
  T_Selector* indentChooser = nullptr;
  T_BoxField* columns[3] = {};

  // The marker drag while it runs (feedback drawn by DrawGrid).
  DimNode* dragNode = nullptr;
  int32_t dragPressX = 0;
  int32_t dragAction = kDimDragNone;
  DimNode* dragTarget = nullptr;
  RECT dragFeedback{};
  uint8_t dragFrame = 0;    // the feedback is a frame (else the rectangle inverted)
  uint32_t dragCursor = 0;  // the cursor last set
};

// The dimension's editor brought forward, or a new one; null when none could open.
T_DimEditor* OpenDimensionEditor(T_Base* database, int32_t dimension, int32_t flags);
// The same, the component's ancestors expanded and its row selected.
T_DimEditor* OpenDimEditorAtComponent(T_Base* database, int32_t dimension, int64_t component,
                                      int32_t flags);
T_DimEditor* FindDimensionEditor(T_Base* database, int32_t dimension);

// Imports a file into the dimension. When its editor is open the rows go into its tree and the
// editor stays open (its user decides); otherwise an editor opened for the import takes them and
// closes, applying them unless the duplicate check refuses. False when nothing was imported.
bool ImportIntoDimensionEditor(T_Base* database, int32_t dimension, const char* path);

// The import step of an editor: the dimension's import setup when it has one, else plain rows.
// The default reads plain rows; the import-setup layer installs its own. Null puts it back.
using DimensionImportHook = int64_t (*)(T_DimEditor* editor, const char* path);
void SetDimensionImportHook(DimensionImportHook hook);
int64_t ImportPlainRowsFromFile(T_DimEditor* editor, const char* path);

// The "Import Setup" button's step: opens the dimension's import setup editor (the import
// layer's); none by default.
using DimImportSetupOpener = void (*)(T_Base* database, int32_t dimension);
void SetDimImportSetupOpener(DimImportSetupOpener opener);

// The beep of a refused move (a seam the tests count).
void DimEditorBeep();
