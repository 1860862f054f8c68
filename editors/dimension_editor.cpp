#include "editors/dimension_editor.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "analysis/boxwin/box_output.h"
#include "core/alert.h"
#include "core/file_stream.h"
#include "core/locale.h"
#include "core/memory.h"
#include "core/owned_text.h"
#include "core/system_beep.h"
#include "core/threads.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "database/dimension_options.h"
#include "database/link_rename.h"
#include "editors/dimension_dialogs.h"
#include "editors/editor_menus.h"
#include "editors/editor_questions.h"
#include "ui/application.h"
#include "ui/button.h"
#include "ui/chooser.h"
#include "ui/clipboard_stream.h"
#include "ui/draw_primitives.h"
#include "ui/graphics_port.h"
#include "ui/item.h"
#include "ui/menu_model.h"
#include "ui/native_menu.h"
#include "ui/popup_menu.h"
#include "ui/small_dialogs.h"

namespace {

constexpr int32_t kCloseAll = 3;
constexpr int32_t kCloseApplyUnasked = 2;
constexpr int32_t kButtonFixCode = 3318;
constexpr int32_t kButtonCloseUnchanged = 3319;
constexpr int32_t kTextProperties = 3320;
constexpr int32_t kTextImportSetup = 7300;
constexpr int32_t kTextComponents = 3301;
constexpr int32_t kTitleCode = 3400;  // "QEB-Code", "Text", "Host Code"
constexpr int32_t kTitleHeight = 14;
constexpr uint16_t kIndentPictures[] = {4000, 4001, 4002, 0};
constexpr int32_t kIndentStep[3] = {0, 6, 10};
constexpr int32_t kDefaultWidths[3] = {kCodeWidthDefault, kTextWidthDefault, kHostWidthDefault};
constexpr uint32_t kCurrentRowColour = 23;  // the grid's selection colour
constexpr RECT kEditorRect{60, 60, 410, 400};

DimensionImportHook importHook = ImportPlainRowsFromFile;
DimImportSetupOpener setupOpener = nullptr;

int32_t AskDimension(T_Window* owner, int32_t message, const char* text, const char* dimension,
                     std::initializer_list<int32_t> buttons) {
  AlertRequest request;
  AlertInit(&request);
  request.message = message;
  request.owner = owner;
  AlertAddText(&request, text ? text : "");
  AlertAddText(&request, dimension ? dimension : "");
  for (int32_t id : buttons) AlertAddButton(&request, id);
  request.defaultAnswer = 0;
  int32_t answer = ShowAlert(&request);
  if (answer >= 0 && answer < request.buttonCount && answer < kAlertMaxButtons)
    return request.buttons[answer];
  return answer;
}

const char* FieldText(const DimNode* node, int32_t field) {
  return field == kDimFieldText ? node->text : node->hostCode;
}

bool Within(const DimNode* node, const DimNode* top) {
  for (; node; node = node->parent) {
    if (node == top) return true;
  }
  return false;
}

// The stored width of a column: 0 for the default.
int32_t& StoredWidth(DimensionRecord* record, int32_t field) {
  return field == kDimFieldCode ? record->codeWidth
         : field == kDimFieldText ? record->textWidth
                                  : record->hostWidth;
}

int32_t ShownWidth(DimensionRecord* record, int32_t field) {
  int32_t width = StoredWidth(record, field);
  return width > 0 ? width : kDefaultWidths[field];
}

void InvertFrame(const RECT& rect) {
  RECT edges[4] = {{rect.left, rect.top, rect.right, rect.top + 1},
                   {rect.left, rect.bottom - 1, rect.right, rect.bottom},
                   {rect.left, rect.top + 1, rect.left + 1, rect.bottom - 1},
                   {rect.right - 1, rect.top + 1, rect.right, rect.bottom - 1}};
  for (const RECT& edge : edges) {
    if (edge.right > edge.left && edge.bottom > edge.top) RectInvert(&edge);
  }
}

}  // namespace

void DimEditorBeep() { SystemBeep(); }

void SetDimensionImportHook(DimensionImportHook hook) {
  importHook = hook ? hook : ImportPlainRowsFromFile;
}

void SetDimImportSetupOpener(DimImportSetupOpener opener) { setupOpener = opener; }

int64_t ImportPlainRowsFromFile(T_DimEditor* editor, const char* path) {
  T_IStreamFile file;
  if (!file.Open(path)) return 0;
  return editor->ImportRows(&file);
}

uint32_t DimDragCursor(int32_t action) {
  switch (action) {
    case kDimDragOut:
      return 1001;
    case kDimDragIntoPrevious:
    case kDimDragAfter:
      return 1002;
    case kDimDragInto:
      return 1003;
    default:
      return kArrowCursor;
  }
}

int64_t DimAutoscrollStep(DimAutoscroll* clock, uint64_t now, int32_t x, int32_t y,
                          int32_t gridHeight) {
  const bool above = y < 0;
  if (!above && y < gridHeight - 1) {
    *clock = DimAutoscroll{};
    return 0;
  }
  int64_t rows = 0;
  if (!clock->outside) {
    clock->outside = 1;
    clock->nextStep = now + 450;
    rows = 1;
  } else if (now >= clock->nextStep) {
    int32_t distance = above ? -y : y - gridHeight + 2;
    rows = distance / 16 + std::max(0, x / 50) + 1;
    clock->nextStep = now + 100;
  }
  return above ? -rows : rows;
}

// --- The window --------------------------------------------------------------------------------

T_DimEditor::T_DimEditor(T_Base* base, int32_t dimension, uint32_t flags)
    : T_BoxWin(kWindowDimEditor, &kEditorRect, nullptr, 0, base, flags) {
  DimTreeLoad(&tree, base, dimension);
  DimensionRecord* record = base->dimensions[dimension];
  indentation = std::clamp(record->optionI, 0, 2);
  MakeTitle();
  CreateToolbar();
  if (toolbar) {
    indentChooser = new (std::nothrow)
        T_Selector(toolbar, XYWH{8, 3, 3 * T_Selector::kPitch + 2, 24}, kDimIndentId,
                   kIndentPictures, kIndentPictures[indentation], true);
  }
  auto button = [this](int32_t x, uint32_t id, int32_t textId) {
    auto* made = new (std::nothrow) T_Button(toolbar ? static_cast<T_EventHandler*>(toolbar)
                                                     : static_cast<T_EventHandler*>(this),
                                             XYWH{x, 5, 90, 20}, id);
    if (made) made->SetTitleId(textId);
  };
  button(100, kDimPropertiesId, kTextProperties);
  button(200, kDimImportSetupId, kTextImportSetup);
  CreateGridItems(1, kTitleHeight, 0);
  int32_t left = 1;
  for (int32_t field = 0; field < 3; ++field) {
    RECT rect{left, 0, left + ShownWidth(record, field), kTitleHeight};
    columns[field] = AddField(&rect, kTitleCode + field);
    left = rect.right;
  }
  SetSelectMode(kSelectEdit);
  ShowRows(nullptr);
  EventHandler_Open(this);
  UpdateScrollBoxes(true);
}

T_DimEditor::~T_DimEditor() { DimTreeFree(&tree); }

void T_DimEditor::MakeTitle() { SetTitleCopy(database->GetDimPlural(tree.dimension)); }

DimNode* T_DimEditor::Current() {
  if (selectedRow >= 0 && selectedRow < tree.rowCount) return tree.rows[selectedRow];
  if (current && DimTreeRowOf(&tree, current) >= 0) return current;
  return nullptr;
}

void T_DimEditor::ShowRows(DimNode* select) {
  SelectEditCell(-1, -1);
  DimTreeBuildRows(&tree);
  rowCount = tree.rowCount;
  current = select;
  if (!current || DimTreeRowOf(&tree, current) < 0) current = tree.rowCount > 0 ? tree.rows[0] : nullptr;
  UpdateScrollBoxes(true);
  if (current) ScrollCellIntoView(DimTreeRowOf(&tree, current), 0);
  InvalidateGrid();
}

// --- Rows --------------------------------------------------------------------------------------

void T_DimEditor::FormatRow(RowTextPool* pool, int64_t row) {
  if (row < 0 || row >= tree.rowCount) return;
  DimNode* node = tree.rows[row];
  T_TextBuf code;
  DimNodeFullCode(node, &code);
  if (code.data) CaseModeApply(code.data, tree.codeCase);
  if (columns[0]) PutCellText(pool, columns[0], code.c_str());
  int32_t indent = kIndentStep[std::clamp(indentation, 0, 2)] * DimNodeDepth(node);
  for (int32_t field : {kDimFieldText, kDimFieldHost}) {
    T_BoxField* column = columns[field];
    if (!column) continue;
    column->cellIndent = indent;
    const char* text = FieldText(node, field);
    if (!text || !text[0]) continue;
    T_TextBuf shown(text);
    CaseModeApply(shown.data, field == kDimFieldText ? tree.textCase : tree.hostCase);
    PutCellText(pool, column, shown.c_str());
  }
  // The row made current without a cell being edited shows as selected.
  if (node == current && selectedRow < 0) pool->background = kCurrentRowColour;
}

void T_DimEditor::GetRowOutline(RowOutline* outline, int64_t row) {
  *outline = RowOutline{};
  if (row < 0 || row >= tree.rowCount) return;
  DimNode* node = tree.rows[row];
  outline->kind = !node->firstChild ? 1 : node->expanded ? 2 : 3;
  outline->style = 1;
  outline->level = static_cast<uint32_t>(DimNodeDepth(node));
}

int32_t T_DimEditor::GetRowHeight(int64_t) { return kDimRowHeight; }

int32_t T_DimEditor::GetTreeDepth() {
  int32_t deepest = 0;
  for (DimNode* n = DimTreeNextNode(&tree, &tree.root); n; n = DimTreeNextNode(&tree, n))
    deepest = std::max(deepest, DimNodeDepth(n) + 1);
  return deepest;
}

void T_DimEditor::DrawGrid(BoxDrawRecord* record) {
  StandardDrawGrid(record);
  if (record->printing || !dragNode || IsRectEmpty(&dragFeedback)) return;
  RECT shown = dragFeedback;
  OffsetRect(&shown, record->bounds.left, record->bounds.top);
  if (dragFrame) {
    InvertFrame(shown);
  } else {
    RectInvert(&shown);
  }
}

void T_DimEditor::GetCellEditText(T_TextBuf* text, int64_t row, int32_t field) {
  if (row < 0 || row >= tree.rowCount || !text) return;
  DimNode* node = tree.rows[row];
  if (field == kDimFieldCode) {
    T_TextBuf shown;
    DimNodeFullCode(node, &shown);
    if (shown.data) CaseModeApply(shown.data, tree.codeCase);
    // An untouched cell leaves the code part as it is (the shown code may differ in case).
    if (std::strcmp(shown.c_str(), text->c_str()) == 0) return;
    DimTreeSetCode(&tree, node, text->data);
  } else if (field == kDimFieldText || field == kDimFieldHost) {
    const char* old = FieldText(node, field);
    T_TextBuf shown(old ? old : "");
    CaseModeApply(shown.data, field == kDimFieldText ? tree.textCase : tree.hostCase);
    if (std::strcmp(shown.c_str(), text->c_str()) == 0) return;
    DimTreeSetText(&tree, node, field, text->data);
  }
  DimTreeBuildRows(&tree);
  rowCount = tree.rowCount;
  current = node;
  InvalidateGrid();
}

// --- Keys --------------------------------------------------------------------------------------

bool T_DimEditor::MoveCurrent(uint16_t key) {
  DimNode* node = Current();
  if (!node) return false;
  bool moved = true;
  switch (key) {
    case kKeyLeft:
      moved = DimTreeMoveOut(&tree, node);
      break;
    case kKeyRight:
      moved = DimTreeMoveIntoPrevious(&tree, node);
      break;
    case kKeyUp:
      // On the first row nothing happens, without a beep.
      if (DimTreeRowOf(&tree, node) > 0) DimTreeMoveUp(&tree, node);
      break;
    case kKeyDown:
      DimTreeMoveDown(&tree, node);
      break;
    default:
      return false;
  }
  if (!moved) DimEditorBeep();
  ShowRows(node);
  return moved;
}

bool T_DimEditor::GridKeyDown(InputEvent* event) {
  DimNode* node = Current();
  uint16_t key = event->keyCode;
  if (node && event->control &&
      (key == kKeyLeft || key == kKeyRight || key == kKeyUp || key == kKeyDown)) {
    MoveCurrent(key);
    return true;
  }
  if (node && key == kKeyKeypadEnter) {
    if (event->control && event->shift) {
      DimTreeExpandAll(&tree, &tree.root);
    } else if (event->control) {
      DimTreeExpandAll(&tree, node);
    } else {
      DimTreeToggle(&tree, node);
    }
    ShowRows(node);
    return true;
  }
  if (key == kKeyEnter && !event->control) {
    NewComponent(false);
    return true;
  }
  if (node && !event->control && (key == kKeyUp || key == kKeyDown)) {
    // The edit ends first: a typed code may move its node, and the step goes from where it went.
    int32_t field = std::max(selectedField, 0);
    SelectEditCell(-1, -1);
    int64_t row = DimTreeRowOf(&tree, node) + (key == kKeyUp ? -1 : 1);
    if (row < 0 || row >= tree.rowCount) row = DimTreeRowOf(&tree, node);
    if (row >= 0) SelectEditCell(row, field);
    return true;
  }
  bool handled = T_BoxWin::GridKeyDown(event);
  if (selectedRow >= 0 && selectedRow < tree.rowCount) current = tree.rows[selectedRow];
  return handled;
}

// --- Pointer -----------------------------------------------------------------------------------

int32_t T_DimEditor::CodeLeft() const {
  return columns[0] ? columns[0]->column.left - GetScrollX() : 0;
}

int32_t T_DimEditor::OutlineEdge(int64_t row) {
  RowOutline outline;
  GetRowOutline(&outline, row);
  return CodeLeft() + ComputeOutlineWidth(&outline);
}

RECT T_DimEditor::BlockRect() {
  int64_t first = DimTreeRowOf(&tree, dragNode);
  int64_t last = first;
  while (last + 1 < tree.rowCount && Within(tree.rows[last + 1], dragNode)) ++last;
  int64_t top = GetTopRow();
  int32_t right = firstField ? firstField->previous->column.right - GetScrollX() : 0;
  return RECT{CodeLeft(), static_cast<int32_t>((first - top) * kDimRowHeight), right,
              static_cast<int32_t>((last + 1 - top) * kDimRowHeight)};
}

int32_t T_DimEditor::DragActionAt(int32_t x, int32_t y, DimNode** target) {
  *target = nullptr;
  DimNode* node = dragNode;
  if (!node || y < 0 || y > GridVisibleHeight() - 2) return kDimDragNone;
  int64_t currentRow = DimTreeRowOf(&tree, node);
  RECT block = BlockRect();
  if (y >= block.top && y < block.bottom) {
    int32_t edge = OutlineEdge(currentRow);
    int32_t limit = std::max(static_cast<int32_t>(block.left), std::min(edge - 8, dragPressX) - 4);
    if (x < limit) return node->parent != &tree.root ? kDimDragOut : kDimDragNone;
    if (x <= edge) return kDimDragToggle;
    return node->parent->firstChild != node ? kDimDragIntoPrevious : kDimDragNone;
  }
  int64_t targetRow = y <= 5 ? GetTopRow() - 1 : GetTopRow() + (y - 5) / kDimRowHeight;
  if (targetRow >= tree.rowCount) return kDimDragNone;
  DimNode* over = targetRow < 0 ? &tree.root : tree.rows[targetRow];
  if (Within(over, node) || over->firstChild == node) return kDimDragNone;
  *target = over;
  if (over != &tree.root && x > OutlineEdge(targetRow)) return kDimDragInto;
  if (targetRow == currentRow - 1) {
    *target = nullptr;
    return kDimDragNone;
  }
  return kDimDragAfter;
}

void T_DimEditor::ShowDragFeedback(int32_t action, DimNode* target) {
  RECT old = dragFeedback;
  dragAction = action;
  dragTarget = target;
  dragFrame = 0;
  dragFeedback = RECT{};
  switch (action) {
    case kDimDragToggle:
      dragFeedback = BlockRect();
      break;
    case kDimDragOut:
    case kDimDragIntoPrevious:
      dragFeedback = BlockRect();
      dragFrame = 1;
      break;
    case kDimDragAfter:
    case kDimDragInto: {
      int64_t row = DimTreeRowOf(&tree, target);
      int64_t top = GetTopRow();
      int32_t right = firstField ? firstField->previous->column.right - GetScrollX() : 0;
      int32_t y = static_cast<int32_t>((row - top) * kDimRowHeight);
      // After the root: a line along the top of the grid.
      dragFeedback = target == &tree.root ? RECT{CodeLeft(), 0, right, 2}
                                         : RECT{action == kDimDragInto ? OutlineEdge(row) : CodeLeft(),
                                                y, right, y + kDimRowHeight};
      dragFrame = 1;
      break;
    }
    default:
      break;
  }
  dragCursor = DimDragCursor(action);
  CursorSet(dragCursor);
  if (grid && (!EqualRect(&old, &dragFeedback) || action != kDimDragNone)) InvalidateGrid();
}

void T_DimEditor::MarkerDrag(InputEvent* event, int64_t row) {
  // The second press of a double click keeps the row of the first.
  if (!event->doubleClick || !Current()) {
    SelectEditCell(-1, -1);
    current = tree.rows[row];
  }
  DimNode* node = Current();
  if (!node) return;
  SelectEditCell(-1, -1);
  dragNode = node;
  dragPressX = event->x;
  dragTarget = nullptr;
  ShowDragFeedback(kDimDragToggle, nullptr);
  InputEvent poll = *event;
  DimAutoscroll clock;
  do {
    Item_PollPointer(grid, &poll);
    int64_t rows = DimAutoscrollStep(&clock, BoxServices().ticks(), poll.x, poll.y,
                                     GridVisibleHeight());
    if (rows) {
      ScrollByRows(rows);
      InvalidateGrid();
    }
    DimNode* target = nullptr;
    int32_t action = DragActionAt(poll.x, poll.y, &target);
    if (action != dragAction || target != dragTarget || rows) ShowDragFeedback(action, target);
  } while (poll.anyButton);
  int32_t action = dragAction;
  DimNode* target = dragTarget;
  dragNode = nullptr;
  dragAction = kDimDragNone;
  dragTarget = nullptr;
  dragFeedback = RECT{};
  dragCursor = kArrowCursor;
  CursorSet(kArrowCursor);
  switch (action) {
    case kDimDragToggle:
      if (event->doubleClick) {
        DimTreeExpandAll(&tree, node);
      } else {
        DimTreeToggle(&tree, node);
      }
      break;
    case kDimDragOut:
      if (!DimTreeMoveOut(&tree, node)) DimEditorBeep();
      break;
    case kDimDragIntoPrevious:
      if (!DimTreeMoveIntoPrevious(&tree, node)) DimEditorBeep();
      break;
    case kDimDragAfter:
      DimTreeMoveAfter(&tree, node, target);
      break;
    case kDimDragInto:
      DimTreeMoveInto(&tree, node, target);
      break;
    default:
      break;
  }
  ShowRows(node);
}

bool T_DimEditor::ClickGrid(InputEvent* event) {
  int64_t row = RowAtPoint(POINT{event->x, event->y});
  if (row < 0 || row >= tree.rowCount) return false;
  if (!event->rightButton && event->x <= OutlineEdge(row) + kDimMarkerSlack &&
      event->x >= CodeLeft()) {
    MarkerDrag(event, row);
    return true;
  }
  if (event->rightButton) {
    if (tree.rows[row] != Current()) {
      SelectEditCell(-1, -1);
      current = tree.rows[row];
      InvalidateGrid();
    }
    RunContextMenu(grid, kDimRowMenu, event, -1);
    return true;
  }
  if (FieldAtPoint(event->x, row) < 0) return true;  // right of the last column
  if (selectedRow >= 0 && (row != selectedRow || FieldAtPoint(event->x, row) != selectedField)) {
    // The edit ends before the press is placed: a typed code may move rows.
    SelectEditCell(-1, -1);
    if (RowAtPoint(POINT{event->x, event->y}) < 0) return true;
  }
  bool handled = T_BoxWin::ClickGrid(event);
  if (selectedRow >= 0 && selectedRow < tree.rowCount) current = tree.rows[selectedRow];
  return handled;
}

void T_DimEditor::ContextMenu(ContextMenuRecord* record, int32_t phase) {
  if (record->selector != kDimRowMenu) {
    T_BoxWin::ContextMenu(record, phase);
    return;
  }
  if (phase == kMenuPhaseList) {
    for (uint16_t id : {kDimMenuDuplicate, kDimMenuRemove, kDimMenuSort, kDimMenuReverse})
      PopupMenu_AddCommand(&record->commands, id, false);
    return;
  }
  if (phase != kMenuPhaseRun) return;
  DimNode* node = Current();
  switch (record->entry) {
    case kDimMenuDuplicate:
      NewComponent(true);
      break;
    case kDimMenuRemove:
      RemoveCurrent();
      break;
    case kDimMenuSort:
      RunDimensionSort(this, selectedField >= 0 ? selectedField : kDimFieldCode);
      break;
    case kDimMenuReverse:
      if (node) {
        DimTreeReverse(&tree, node);
        ShowRows(node);
      }
      break;
    default:
      break;
  }
}

// --- Operations --------------------------------------------------------------------------------

void T_DimEditor::NewComponent(bool copyTexts) {
  DimNode* node = DimTreeNewNode(&tree, Current(), copyTexts);
  if (!node) {
    PendingErrorOutOfMemory();
    PendingErrorReport();
    return;
  }
  ShowRows(node);
  SelectEditCell(DimTreeRowOf(&tree, node), kDimFieldCode);
}

void T_DimEditor::RemoveCurrent() {
  DimNode* node = Current();
  if (!node) return;
  SelectEditCell(-1, -1);
  DimNode* next = node->next ? node->next : (node->parent != &tree.root ? node->parent : nullptr);
  if (!next && node->previous != node) next = node->previous;
  if (DimNode* used = DimTreeRemove(&tree, node)) {
    DimTreeReveal(&tree, used);
    ShowRows(used);
    T_TextBuf code;
    DimNodeFullCode(used, &code);
    if (used->text) {
      TextBufAppend(&code, " ");
      TextBufAppend(&code, used->text);
    }
    AskEditorQuestion(this, kDimInUse, code.data, {kButtonOk}, 0);
    return;
  }
  ShowRows(next);
}

int64_t T_DimEditor::ImportRows(T_IStream* stream) {
  SelectEditCell(-1, -1);
  int64_t added = DimTreeImportRows(&tree, stream);
  ShowRows(Current());
  return added;
}

void T_DimEditor::ImportFile(const char* path) {
  T_TextBuf chosen;
  if (!ImportPathOrAsk(path, &chosen)) return;
  SelectEditCell(-1, -1);
  importHook(this, chosen.c_str());
  ShowRows(Current());
}

void T_DimEditor::UpdateCommands() {
  T_BoxWin::UpdateCommands();
  const MenuOperations* menus = Menus();
  if (!menus || !menus->enableCommand) return;
  menus->enableCommand(kDimCommandNew, true);
  menus->enableCommand(kDimCommandExpandAll, true);
  menus->enableCommand(kDimCommandExpandDialog, true);
  menus->enableCommand(kDimCommandImportClipboard, true);
  menus->enableCommand(kDimCommandSortRows, true);
  if (Current() && editSelLength == 0) menus->enableCommand(kDimCommandRemove, true);
  SetPatternCommandTitle(kCommandImportEntry, kPatternImport, kTextComponents);
  EnableTaggedCommand(kCommandImportEntry, 0);
}

bool T_DimEditor::DoCommand(int32_t command) {
  switch (command) {
    case kDimCommandNew:
      NewComponent(false);
      return true;
    case kDimCommandExpandAll:
      DimTreeExpandAll(&tree, &tree.root);
      ShowRows(Current());
      return true;
    case kDimCommandExpandDialog: {
      int32_t level = RunExpandDialog(this, GetTreeDepth(), 1);
      if (level > 0) {
        DimTreeExpandToLevel(&tree, level);
        ShowRows(Current());
      }
      return true;
    }
    case kDimCommandRemove:
      // While some of a cell's text is selected, Erase is the text's.
      if (editSelLength > 0) break;
      PullOverlayText();
      if (editSelLength > 0) break;
      RemoveCurrent();
      return true;
    case kDimCommandSortRows:
      RunDimensionSort(this, selectedField >= 0 ? selectedField : kDimFieldCode);
      return true;
    case kDimCommandImportClipboard: {
      T_IStreamClip clip;
      ImportRows(&clip);
      return true;
    }
    case kCommandImportEntry:
      ImportFile(nullptr);
      return true;
    default:
      break;
  }
  return T_BoxWin::DoCommand(command);
}

void T_DimEditor::OnButton(T_GrafElement* button) {
  auto* item = dynamic_cast<T_Item*>(button);
  if (item && item->id == kDimPropertiesId) {
    RunDimensionOptions(this);
    return;
  }
  if (item && item->id == kDimImportSetupId) {
    if (setupOpener) setupOpener(database, tree.dimension);
    return;
  }
  T_BoxWin::OnButton(button);
}

void T_DimEditor::OnSelectorEvent(T_GrafElement* selector) {
  auto* chosen = dynamic_cast<T_Selector*>(selector);
  if (chosen && chosen == indentChooser) {
    for (int32_t i = 0; i < 3; ++i) {
      if (chosen->currentPicture == kIndentPictures[i]) indentation = i;
    }
    InvalidateGrid();
    return;
  }
  T_BoxWin::OnSelectorEvent(selector);
}

void T_DimEditor::OnChange(const ChangeNote* note) {
  T_BoxWin::OnChange(note);
  if (note->database != database || applying) return;
  if (note->code == kChangeLinks) {
    if (!note->rename) return;
    for (DimNode* n = DimTreeNextNode(&tree, &tree.root); n; n = DimTreeNextNode(&tree, n))
      RewriteLinks(note->rename, &n->text);
    InvalidateGrid();
    return;
  }
  if (note->index != tree.dimension) return;
  switch (note->code) {
    case kChangeComponentsDeleted:
      // Components went away under the editor: it starts again from the database.
      SelectEditCell(-1, -1);
      current = nullptr;
      DimTreeFree(&tree);
      DimTreeLoad(&tree, database, note->index);
      ShowRows(nullptr);
      break;
    case kChangePluralName:
      MakeTitle();
      break;
    case kChangeCodeCase:
    case kChangeTextCase:
    case kChangeHostCase:
      tree.codeCase = database->dimensions[tree.dimension]->codeCase;
      tree.textCase = database->dimensions[tree.dimension]->textCase;
      tree.hostCase = database->dimensions[tree.dimension]->hostCase;
      InvalidateGrid();
      break;
    default:
      break;
  }
}

void T_DimEditor::RecordWidths() {
  DimensionRecord* record = database->dimensions[tree.dimension];
  for (int32_t field = 0; field < 3; ++field) {
    if (!columns[field] || columns[field]->Width() == ShownWidth(record, field)) continue;
    int32_t width = columns[field]->Width();
    if (field == kDimFieldCode) SetCodeWidth(record, width);
    if (field == kDimFieldText) SetTextWidth(record, width);
    if (field == kDimFieldHost) SetHostWidth(record, width);
  }
}

bool T_DimEditor::QueryClose(int32_t code) {
  if (!T_BoxWin::QueryClose(code)) return false;
  if (code == kCloseAll) return true;
  SelectEditCell(-1, -1);
  Window_DropFocus(this);
  DimensionRecord* record = database->dimensions[tree.dimension];
  bool optionChanged = record->optionI != indentation;
  for (int32_t field = 0; field < 3; ++field) {
    if (columns[field] && columns[field]->Width() != ShownWidth(record, field)) optionChanged = true;
  }
  bool treeChanged = DimTreeChanged(&tree);
  if (!treeChanged && !optionChanged) return true;
  DimNode* offending = nullptr;
  int32_t check = treeChanged ? DimTreeDuplicateCheck(&tree, &offending) : kDimApplied;
  if (check == kDimOutOfMemory) {
    PendingErrorReport();
    return false;
  }
  if (check != kDimApplied) {
    const char* name = database->GetDimSingular(tree.dimension);
    T_TextBuf shown;
    if (check == kDimCodeTwice) {
      DimNodeFullCode(offending, &shown);
    } else {
      TextBufAssign(&shown, offending->hostCode);
    }
    if (forImport) {
      AskDimension(this, check, shown.c_str(), name, {kButtonOk});
      return true;
    }
    int32_t answer =
        AskDimension(this, check, shown.c_str(), name, {kButtonFixCode, kButtonCloseUnchanged});
    if (answer == kButtonCloseUnchanged) return true;
    DimTreeReveal(&tree, offending);
    ShowRows(offending);
    SelectEditCell(DimTreeRowOf(&tree, offending),
                   check == kDimCodeTwice ? kDimFieldCode : kDimFieldHost);
    return false;
  }
  if (code != kCloseApplyUnasked && !forImport) {
    int32_t answer = AskEditorQuestion(this, kAskChange, database->GetDimPlural(tree.dimension),
                                       {kButtonChange, kButtonCancel, kButtonDontChange}, 1);
    if (answer == kButtonCancel) return false;
    if (answer != kButtonChange) return true;
  }
  if (record->optionI != indentation) SetOptionI(record, indentation);
  RecordWidths();
  if (!treeChanged) return true;
  T_TextBuf inUse;
  applying = 1;
  int32_t result = DimTreeApply(&tree, this, &inUse);
  applying = 0;
  if (result == kDimInUse) {
    AskEditorQuestion(this, kDimInUse, inUse.data, {kButtonOk}, 0);
    return false;
  }
  if (result == kDimOutOfMemory) {
    PendingErrorOutOfMemory();
    PendingErrorReport();
    return false;
  }
  return true;
}

// --- Opening -----------------------------------------------------------------------------------

T_DimEditor* FindDimensionEditor(T_Base* database, int32_t dimension) {
  for (T_HWindow* window = WindowListFirst(); window; window = window->nextWindow) {
    auto* editor = dynamic_cast<T_DimEditor*>(window);
    if (editor && editor->database == database && editor->tree.dimension == dimension) return editor;
  }
  return nullptr;
}

T_DimEditor* OpenDimensionEditor(T_Base* database, int32_t dimension, int32_t flags) {
  if (!database || dimension < 0 || dimension >= kDimensionCount) return nullptr;
  if (T_DimEditor* open = FindDimensionEditor(database, dimension)) {
    open->BringToFront();
    return open;
  }
  if (!MemCanAlloc(static_cast<size_t>(kEditorReserve))) return nullptr;
  return new (std::nothrow) T_DimEditor(database, dimension, static_cast<uint32_t>(flags));
}

T_DimEditor* OpenDimEditorAtComponent(T_Base* database, int32_t dimension, int64_t component,
                                      int32_t flags) {
  T_DimEditor* editor = OpenDimensionEditor(database, dimension, flags);
  if (!editor || component == dimension) return editor;
  for (DimNode* n = DimTreeNextNode(&editor->tree, &editor->tree.root); n;
       n = DimTreeNextNode(&editor->tree, n)) {
    if (n->component && n->component->number == component) {
      DimTreeReveal(&editor->tree, n);
      editor->ShowRows(n);
      break;
    }
  }
  return editor;
}

bool ImportIntoDimensionEditor(T_Base* database, int32_t dimension, const char* path) {
  // An editor the user has open takes the rows and stays open: the user's close decides.
  if (T_DimEditor* open = FindDimensionEditor(database, dimension)) {
    int64_t added = importHook(open, path);
    open->ShowRows(open->Current());
    return added > 0;
  }
  T_DimEditor* editor = OpenDimensionEditor(database, dimension, 1);
  if (!editor) return false;
  editor->forImport = 1;
  int64_t added = importHook(editor, path);
  EventHandler_CloseAndDelete(editor, kCloseApplyUnasked);
  return added > 0;
}
