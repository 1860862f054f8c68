// The grid of a box window: T_BoxItem, the standard painting of rows, the outline markers,
// hover, and the two selection modes (one cell edited in place; cell ranges).
#include <algorithm>
#include <cstring>
#include <new>

#include "analysis/boxwin/box_window.h"
#include "analysis/boxwin/cell_text.h"
#include "core/memory.h"
#include "core/output_stream.h"
#include "core/utf8.h"
#include "ui/clipboard_data.h"
#include "ui/draw_primitives.h"
#include "ui/edit_field.h"
#include "ui/event_record.h"
#include "ui/graphics_port.h"
#include "ui/link_display.h"
#include "ui/popup_menu.h"
#include "ui/slide_bar.h"
#include "ui/text_layout.h"
#include "ui/transfer_list.h"

namespace {

constexpr int32_t kSelectionColour = 23;
constexpr int32_t kDragImageColour = 5;
constexpr int32_t kSelectedTextColour = 24;
constexpr int32_t kGridLineColour = 6;

// Limits drawing to a cell (within the clip already set) for its lifetime.
// Shows the window's copy of the cell text in a live overlay when it goes out of scope.
class OverlayPush {
 public:
  explicit OverlayPush(T_BoxWin* box) : box_(box) {}
  ~OverlayPush() { box_->PushOverlayText(); }
  OverlayPush(const OverlayPush&) = delete;
  OverlayPush& operator=(const OverlayPush&) = delete;

 private:
  T_BoxWin* box_;
};

// The cell's text as FormatRow gives it.
void CurrentCellText(T_BoxWin* window, T_TextBuf* text, int64_t row, int32_t field) {
  RowTextPool pool;
  TextBufAssign(text, "");
  if (!pool.Init()) return;
  window->GetRowTexts(&pool, row);
  if (T_BoxField* f = window->GetField(field)) TextBufAssign(text, f->cellText);
  pool.Free();
}

}  // namespace

// --- Row record ------------------------------------------------------------------------------------

bool RowTextPool::Init() {
  if (!buffer) buffer = static_cast<char*>(MemAlloc(kRowTextBytes, 2));
  Rewind();
  return buffer != nullptr;
}

void RowTextPool::Free() {
  MemFree(buffer);
  buffer = cursor = nullptr;
}

void RowTextPool::Rewind() {
  cursor = buffer;
  background = 0;
  lineAbove = 0;
  full = 0;
}

int32_t RowTextPool::Room() const {
  return buffer && !full ? static_cast<int32_t>(buffer + kRowTextBytes - cursor) : 0;
}

void T_BoxWin::GetRowTexts(RowTextPool* pool, int64_t row) {
  for (T_BoxField* f = firstField; f; f = f->next) {
    f->cellText = nullptr;
    f->cellColour = 10;
    f->cellIndent = 0;
  }
  pool->Rewind();
  pool->fieldCount = fieldCount;
  if (pool->buffer) FormatRow(pool, row);
}

// --- Outline and grid lines --------------------------------------------------------------------------

int32_t ComputeOutlineWidth(const RowOutline* outline) {
  if (outline->style == 1) return static_cast<int32_t>(outline->level) * 6 + 8;
  if (outline->style == 2) return static_cast<int32_t>(outline->level) * 12 + 13;
  return 7;
}

bool GridLineBelow(uint32_t mode, int64_t row, int64_t firstDataRow) {
  int64_t r = row - firstDataRow + 1;
  if (r < 0 || mode < 1 || mode > 5) return false;
  switch (mode) {
    case 1:
      return true;
    case 2:
      return r % 2 == 0;
    case 3:
      return r % 3 == 0;
    case 4:
      return r % 5 == 0;
    default:
      return r % 10 == 0;
  }
}

void T_BoxWin::DrawOutline(const RowOutline* outline, const RECT* cell, uint32_t colour) {
  if (!outline->kind) return;
  CellClip clip(cell);
  T_ForeIndex fore(static_cast<int32_t>(colour));
  int32_t cy = cell->top + (std::min<int32_t>(cell->bottom - cell->top, 14)) / 2;
  int32_t x = cell->left;
  if (outline->style == 1) {
    x += static_cast<int32_t>(outline->level) * 6;
    if (outline->kind == 2) {
      POINT p[3] = {{x, cy - 2}, {x + 6, cy - 2}, {x + 3, cy + 1}};
      PolygonDraw(p, 3);
    } else if (outline->kind == 3) {
      POINT p[3] = {{x + 1, cy - 3}, {x + 1, cy + 3}, {x + 4, cy}};
      PolygonDraw(p, 3);
    } else {
      RECT dot{x + 2, cy, x + 3, cy + 1};
      RectFillColour(&dot, static_cast<int32_t>(colour));
    }
  } else if (outline->style == 2) {
    x += static_cast<int32_t>(outline->level) * 12;
    if (outline->kind == 1) {
      DrawHLine(x + 2, cy, 4);
    } else {
      RECT box{x, cy - 4, x + 9, cy + 5};
      {
        T_ForeIndex frame(kGridLineColour);
        RectFrame(&box);
      }
      DrawHLine(x + 2, cy, 4);
      if (outline->kind == 3) DrawVLine(x + 4, cy - 2, 4);
    }
  } else {
    if (outline->kind == 2) {
      DrawHLine(x + 1, cy - 2, 0);
      DrawHLine(x + 2, cy - 1, 0);
      DrawHLine(x + 3, cy, 0);
      DrawHLine(x + 2, cy + 1, 0);
      DrawHLine(x + 1, cy + 2, 0);
    } else if (outline->kind == 3) {
      DrawHLine(x, cy, 4);
      DrawVLine(x + 2, cy - 2, 4);
    }
  }
}

// --- Painting ----------------------------------------------------------------------------------------

void T_BoxWin::InitDrawRecord(BoxDrawRecord* record, const RECT* bounds) {
  *record = BoxDrawRecord{};
  record->bounds = *bounds;
  record->clip = *bounds;
  record->offsetX = GetScrollX();
  record->firstRow = GetTopRow();
  record->gridMode = gridMode;
  record->firstDataRow = headerRowCount;
  record->verticalLines = verticalGridLines;
}

bool T_BoxWin::CellInRange(int64_t row, int32_t field) const {
  if (!HasRange()) return false;
  int64_t r0 = std::min(rangeAnchorRow, rangeEndRow);
  int64_t r1 = std::max(rangeAnchorRow, rangeEndRow);
  if (row < r0 || row > r1) return false;
  if (rangeAnchorField < 0 || rangeEndField < 0) return true;
  int32_t f0 = std::min(rangeAnchorField, rangeEndField);
  int32_t f1 = std::max(rangeAnchorField, rangeEndField);
  return field >= f0 && field <= f1;
}

void T_BoxWin::StandardDrawGrid(BoxDrawRecord* record) {
  RowTextPool pool;
  if (!pool.Init()) return;
  const RECT& b = record->bounds;
  int32_t lastRight = firstField ? firstField->previous->column.right - record->offsetX : 0;
  int32_t lineWidth = std::min(lastRight, static_cast<int32_t>(b.right - b.left));
  int32_t selection = paintingDragImage ? kDragImageColour : kSelectionColour;
  bool onScreen = !record->printing;
  bool showRange = onScreen && HasRange() && (grid && (grid->focus || paintingDragImage));
  bool showClick = onScreen && rangeDragShown;
  if (patternedBackground && record->firstRow > 0) {
    int64_t above = 0;
    // Only the rows near the top matter for the pattern phase; the sum is taken modulo 256.
    for (int64_t r = 0; r < record->firstRow && r < 4096; ++r) above += GetRowHeight(r);
    PortSetPatternOrigin(b.left, static_cast<int32_t>(b.top - above % 256));
  }
  T_TextBuf plain;
  TextBufInit(&plain);
  int32_t top = b.top;
  for (int64_t row = record->firstRow; row < rowCount && top < record->clip.bottom; ++row) {
    int32_t h = GetRowHeight(row);
    int32_t bottom = top + h;
    if (bottom <= record->clip.top) {
      top = bottom;
      continue;
    }
    GetRowTexts(&pool, row);
    if (gridMode == kGridShadeAll && IsDataRow(row) && row >= headerRowCount) pool.background = 1;
    bool rowSelected = false;
    if (pool.background) {
      RECT band{b.left, top, b.right, bottom};
      RectFillColour(&band, static_cast<int32_t>(pool.background));
    }
    for (T_BoxField* f = firstField; f && f->index < pool.fieldCount; f = f->next) {
      int32_t field = static_cast<int32_t>(f->index);
      bool inRange = (showRange && CellInRange(row, field)) ||
                     (showClick && row >= clickRange.firstRow && row <= clickRange.lastRow &&
                      field >= clickRange.firstField && field <= clickRange.lastField);
      RECT cell{b.left + f->column.left - record->offsetX, top, b.left + f->column.right - record->offsetX,
                bottom};
      if (cell.right <= record->clip.left || cell.left >= record->clip.right) continue;
      if (inRange) {
        RectFillColour(&cell, selection);
        rowSelected = true;
      }
      RECT text = cell;
      if (f == firstField) {
        RowOutline outline;
        GetRowOutline(&outline, row);
        if (outline.kind) {
          DrawOutline(&outline, &cell, inRange ? kSelectedTextColour : f->cellColour);
          text.left += ComputeOutlineWidth(&outline);
        }
      }
      text.left += f->cellIndent;
      text.top += f->cellOffset;
      if (verticalGridLines && IsDataRow(row)) {
        T_ForeIndex fore(kGridLineColour);
        DrawDottedVLine(cell.right - 1, top, h - 1);
      }
      const char* shown = f->cellText;
      bool selectedCell = selectMode == kSelectEdit && row == selectedRow && field == selectedField;
      if (selectedCell && onScreen) {
        if (editOverlay) continue;  // the overlay draws itself
        shown = editedText.data;
      }
      if (!shown || !shown[0]) continue;
      RECT room = CellTextRoom(&text, &cell);
      CellClip clipToCell(&room);
      Gfx.style = f->titleStyle;
      if (selectMode == kSelectEdit) Gfx.style.flags |= kStyleBit4;
      PortApplyStyle();
      T_ForeIndex fore(inRange ? kSelectedTextColour : static_cast<int32_t>(f->cellColour));
      bool links = (f->linkMode == 1 || f->linkMode == 2) && LinkText_HasLinks(linkContext, shown);
      if (links && onScreen && grid) {
        LinkText_Draw(grid, &room, shown);
      } else {
        if (f->linkMode >= 1 && f->linkMode <= 3) shown = LinkText_PlainText(linkContext, &plain, shown);
        DrawCellText(&room, shown);
      }
      if (f->overflowMark && TextWidth(shown) > text.right - text.left) {
        DrawHLine(cell.left, cell.top + 5, cell.right - cell.left - 1);
        DrawHLine(cell.left, cell.top + 7, cell.right - cell.left - 1);
      }
    }
    (void)rowSelected;
    T_ForeIndex line(kGridLineColour);
    if (pool.lineAbove) {
      if (row != record->firstRow) DrawDottedHLine(b.left, top, lineWidth - 1);
    } else if (GridLineBelow(record->gridMode, row, record->firstDataRow)) {
      DrawDottedHLine(b.left, bottom - 1, lineWidth - 1);
    }
    top = bottom;
  }
  if (showRange && !paintingDragImage && (rangeAnchorRow != rangeEndRow || rangeAnchorField != rangeEndField)) {
    RECT end;
    GetCellRect(&end, rangeEndRow, rangeEndField);
    if (!IsRectEmpty(&end)) RectFrameDotted(&end);
  }
  TextBufFree(&plain);
  pool.Free();
}

// --- T_BoxItem -----------------------------------------------------------------------------------

T_BoxItem::T_BoxItem(T_BoxWin* owner, const XYWH& rect)
    : T_Item(kKindProgress, owner, rect, kBoxItemId), box(owner) {
  backColour = 0;
  EventHandler_Open(this);
}

void T_BoxItem::DrawContent() {
  BoxDrawRecord record;
  RECT bounds{0, 0, width, height - (box->viewMode == 4 ? kViewMode4Bar : 0)};
  box->InitDrawRecord(&record, &bounds);
  if (Gfx.clip) {
    RECT clip;
    if (GetRgnBox(Gfx.clip, &clip) != NULLREGION) IntersectRect(&record.clip, &record.clip, &clip);
  }
  box->DrawGrid(&record);
}

void T_BoxItem::DrawFrame() {
  if (ItemLookClass() < 2) return;
  T_ForeIndex fore(kGridLineColour);
  RECT frame{-1, -1, width + 1, height + 1};
  RectFrame(&frame);
}

void T_BoxItem::BuildShape() {
  if (!shape) return;
  SetRectRgn(shape, -1, -1, width + 1, height + 1);
}

bool T_BoxItem::AcceptsFocus() { return box->selectMode != kSelectNone && box->viewMode == 0; }

void T_BoxItem::TrackDrag(int32_t code, uint32_t dataKinds) {
  InputEvent event;
  Item_PollPointer(this, &event);
  box->DragOverGrid(&event, code, dataKinds);
}

bool T_BoxItem::AcceptDrop(TransferList* list) {
  return box->DropOnGrid(list) || T_GrafElement::AcceptDrop(list);
}

void T_BoxItem::OnHover(InputEvent* event, int32_t code) { box->OnGridHover(event, code); }

bool T_BoxItem::SetCursor(InputEvent* event, T_GrafElement* target) {
  if (T_Item::SetCursor(event, target)) return true;
  return target == this && box->SetGridCursor(event);
}

bool T_BoxItem::PreviewMouseDown(InputEvent* event, T_GrafElement* target) {
  if (T_Item::PreviewMouseDown(event, target)) return true;
  return box->viewMode == 0 && box->PreviewGridClick(event);
}

bool T_BoxItem::MouseDown(InputEvent* event, T_GrafElement* target) {
  navigateOnFocus = 0;
  bool handled = T_Item::MouseDown(event, target);
  navigateOnFocus = 1;
  return box->ClickGrid(event) || handled;
}

bool T_BoxItem::OnWheel(InputEvent* event, int32_t lines) {
  if (box->GridWheel(event, lines)) return true;
  if (event->control || !box->verticalBar) return false;
  box->verticalBar->ScrollBy(-lines);
  if (box->selectMode == kSelectEdit && box->selectedRow >= 0) {
    if (box->selectedRow < box->GetTopRow() || box->selectedRow > box->GetLastVisibleRow())
      box->SelectEditCell(-1, -1);
  }
  box->InvalidateGrid();
  return true;
}

bool T_BoxItem::KeyDown(InputEvent* event, T_GrafElement* target) {
  const bool fromOverlay = box->editOverlay && target == box->editOverlay;
  const bool ours = focus || fromOverlay;
  // The window would step its pages with these keys; a grid the user clicked into keeps them.
  const uint16_t key = event->keyCode;
  const bool moving = key == kKeyUp || key == kKeyDown || key == kKeyLeft || key == kKeyRight ||
                      (event->control && (key == kKeyHome || key == kKeyEnd));
  if (ours && moving && box->GridKeyDown(event)) return true;
  if (T_Item::KeyDown(event, target)) return true;
  return ours && !moving && box->GridKeyDown(event);
}

void T_BoxItem::Notify(int32_t code) {
  T_Item::Notify(code);
  // Losing the focus to anything but the cell's own overlay ends the cell's edit.
  if (code == kNotifyFocus && !focus && !box->overlayFocus && box->selectMode == kSelectEdit &&
      box->selectedRow >= 0 && (!window || window->focusedItem != box->editOverlay))
    box->SelectEditCell(-1, -1);
  if (code == kNotifyFocus) box->InvalidateGrid();
}

void T_BoxItem::FocusNext(int32_t flags) {
  int32_t direction = flags == kFocusBackward ? 4 : 0;
  if (box->selectMode == kSelectEdit && box->FocusNextCell(direction)) return;
  T_Item::FocusNext(flags);
}

void T_BoxItem::ContextMenu(ContextMenuRecord* record, int32_t phase) {
  if (box->selectMode != kSelectEdit || box->selectedRow < 0 || record->selector != 0) {
    T_Item::ContextMenu(record, phase);
    return;
  }
  static constexpr struct {
    uint16_t id;
    int32_t command;
  } kEntries[] = {{kEditMenuCut, -8},   {kEditMenuCopy, -7},      {kEditMenuPaste, -6},
                  {kEditMenuErase, -5}, {kEditMenuDuplicate, -4}, {kEditMenuSelectAll, -3}};
  if (phase == kMenuPhaseList) {
    box->PullOverlayText();
    bool selected = box->editSelLength > 0;
    bool all = box->editSelLength >= static_cast<uint32_t>(box->editedText.length);
    for (const auto& entry : kEntries) {
      bool offered = entry.id == kEditMenuPaste ? ClipboardDataKind() != 0
                     : entry.id == kEditMenuSelectAll ? !all
                                                      : selected;
      if (offered) PopupMenu_AddCommand(&record->commands, entry.id, false);
    }
    T_BoxField* f = box->GetField(box->selectedField);
    if (f && f->linkMode == 1 && box->editOverlay)
      PopupMenu_AddCommand(&record->commands, kEditMenuCreateLink, true);
    return;
  }
  if (phase == kMenuPhaseRun) {
    for (const auto& entry : kEntries) {
      if (record->entry == entry.id) {
        box->CellTextCommand(entry.command);
        return;
      }
    }
    if (record->entry == kEditMenuCreateLink && box->editOverlay) {
      box->editOverlay->ContextMenu(record, phase);
      return;
    }
  }
  T_Item::ContextMenu(record, phase);
}

// --- Hover --------------------------------------------------------------------------------------

void T_BoxWin::OnGridHover(InputEvent* event, int32_t phase) {
  if (viewMode != 0 && viewMode != 3 && viewMode != 4) return;
  if (phase == kHoverLeft) {
    DrawHoverCell(event, 2);
    hoverRow = -1;
    hoverField = -1;
    return;
  }
  int64_t row = RowAtPoint(POINT{event->x, event->y});
  int32_t field = row >= 0 ? FieldAtPoint(event->x, row) : -1;
  if (row != hoverRow || field != hoverField) {
    DrawHoverCell(event, 2);
    hoverRow = row;
    hoverField = field;
    DrawHoverCell(event, 0);
  } else {
    DrawHoverCell(event, 1);
  }
}

void T_BoxWin::DrawHoverCell(InputEvent* event, int32_t phase) {
  if (hoverRow < 0 || hoverField < 0 || !grid) return;
  if (phase == 2) {
    if (hoverLinkState >= 0) GrafElement_InvalidateRect(grid, &hoverLinkRect, 0);
    hoverLinkState = -1;
    return;
  }
  if (selectMode == kSelectEdit && hoverRow == selectedRow && hoverField == selectedField) return;
  T_BoxField* f = GetField(hoverField);
  if (!f || (f->linkMode != 1 && f->linkMode != 2)) return;
  RowTextPool pool;
  if (!pool.Init()) return;
  GetRowTexts(&pool, hoverRow);
  if (f->cellText && LinkText_HasLinks(linkContext, f->cellText)) {
    RECT cell;
    GetCellRect(&cell, hoverRow, hoverField);
    hoverLinkRect = cell;
    LinkText_TrackHover(grid, &cell, f->cellText, POINT{event->x, event->y}, &hoverLinkState);
  }
  pool.Free();
}

// --- Selection mode 1 --------------------------------------------------------------------------------

void T_BoxWin::EndCellEdit() {
  if (selectedRow < 0) return;
  int64_t row = selectedRow;
  int32_t field = selectedField;
  HideEditOverlay();
  editing = 0;
  T_TextBuf stored;
  TextBufInit(&stored);
  TextBufAssignBuf(&stored, &editedText);
  GetCellEditText(&stored, row, field);
  selectedRow = -1;
  selectedField = -1;
  InvalidateCell(row, field);
  TextBufFree(&stored);
  TextBufAssign(&textBefore, "");
  TextBufAssign(&editedText, "");
}

void T_BoxWin::SelectEditCell(int64_t row, int32_t field, bool caretAtClick) {
  if (selectMode != kSelectEdit) row = -1, field = -1;
  EndCellEdit();
  if (row < 0 || field < 0 || row >= rowCount || field >= static_cast<int32_t>(fieldCount)) return;
  if (grid && !grid->focus && Item_CanTakeFocus(grid)) {
    grid->navigateOnFocus = 0;
    Item_TakeFocus(grid);
    grid->navigateOnFocus = 1;
  }
  selectedRow = row;
  selectedField = field;
  UpdateScrollBoxes(false);
  RowTextPool pool;
  if (pool.Init()) {
    GetRowTexts(&pool, row);
    T_BoxField* f = GetField(field);
    TextBufAssign(&textBefore, f ? f->cellText : nullptr);
    pool.Free();
  }
  TextBufAssignBuf(&editedText, &textBefore);
  T_BoxField* f = GetField(field);
  if (caretAtClick) {
    editSelStart = f && f->IsRightAligned() ? static_cast<uint32_t>(editedText.length) : 0;
    editSelLength = 0;
  } else {
    editSelStart = 0;
    editSelLength = static_cast<uint32_t>(editedText.length);
  }
  ScrollCellIntoView(row, field);
  editing = 1;
  InvalidateGrid();
  ShowEditOverlay();
}

void T_BoxWin::ShowEditOverlay() {
  if (editOverlay || !editing || selectedRow < 0 || !grid || !Item_HasFocusInActiveWindow(grid))
    return;
  T_BoxField* f = GetField(selectedField);
  RECT cell;
  GetCellRect(&cell, selectedRow, selectedField);
  if (!f || IsRectEmpty(&cell)) return;
  int32_t left = cell.left + f->cellIndent;
  int32_t top = cell.top + f->cellOffset;
  auto* edit = new (std::nothrow)
      T_Edit(grid, {left, top, static_cast<int32_t>(cell.right) - left, static_cast<int32_t>(cell.bottom) - top},
             kBoxEditId, false, false);
  if (!edit) return;
  edit->SetTextStyle(&f->titleStyle);
  edit->linkMode = f->linkMode == 1 ? 1 : 0;
  edit->SetText(editedText.data);
  EventHandler_Open(edit);
  edit->SetSelection(static_cast<int32_t>(editSelStart), static_cast<int32_t>(editSelLength));
  editOverlay = edit;
  overlayFocus = 1;
  Item_TakeFocus(edit);
  overlayFocus = 0;
}

void T_BoxWin::HideEditOverlay() {
  if (!editOverlay) return;
  PullOverlayText();
  T_Edit* edit = editOverlay;
  editOverlay = nullptr;
  if (edit->focus && grid) {
    overlayFocus = 1;
    Item_TakeFocus(grid);
    overlayFocus = 0;
  }
  delete edit;
}

void T_BoxWin::ScrollCellIntoView(int64_t row, int32_t field) {
  if (verticalBar) {
    if (row < GetTopRow())
      verticalBar->SetPosition(row);
    else if (row > GetLastVisibleRow())
      verticalBar->ScrollToLast(row);
  }
  T_BoxField* f = GetField(field);
  if (!horizontalBar || !f || !grid) return;
  int32_t x = GetScrollX();
  if (f->column.left < 24)
    horizontalBar->SetPosition(0);
  else if (f->column.left < x)
    horizontalBar->SetPosition(f->column.left);
  else if (f->column.right > x + grid->width)
    horizontalBar->SetPosition(f->column.right - grid->width);
}

bool T_BoxWin::FocusNextCell(int32_t direction) {
  if (selectMode == kSelectRange || !fieldCount || rowCount <= 0) return false;
  bool hadCell = selectedRow >= 0;
  int64_t row = selectedRow;
  int32_t field = selectedField;
  SelectEditCell(-1, -1);
  bool forward = direction == 0 || direction == 2 || direction == 3;
  bool backward = direction == 4 || direction == 6 || direction == 7;
  int32_t n = static_cast<int32_t>(fieldCount);
  if (!hadCell) {
    if (forward) row = 0, field = -1;
    else if (backward) row = rowCount - 1, field = n;
    else return false;
  }
  int64_t startRow = row;
  int32_t startField = field;
  // Bounded by the window's cells: the search stops when it comes back to where it started.
  for (int64_t steps = 0; steps <= rowCount * n; ++steps) {
    if (forward) {
      if (++field >= n) {
        field = 0;
        if (++row >= rowCount) return false;
      }
    } else if (backward) {
      if (--field < 0) {
        field = n - 1;
        if (--row < 0) return false;
      }
    } else if (direction == 1) {
      if (++row >= rowCount) return false;
    } else if (direction == 5) {
      if (--row < 0) return false;
    } else {
      return false;
    }
    if (row == startRow && field == startField) return false;
    if (CanSelectCell(row, field)) {
      SelectEditCell(row, field);
      return true;
    }
  }
  return false;
}

bool T_BoxWin::CellTextCommand(int32_t command) {
  if (selectedRow < 0) return false;
  // The commands work on the window's copy; a live overlay is read first and shown the result.
  PullOverlayText();
  OverlayPush push(this);
  int32_t start = static_cast<int32_t>(std::min<uint32_t>(editSelStart, editedText.length));
  int32_t n = static_cast<int32_t>(std::min<uint32_t>(editSelLength, editedText.length - start));
  switch (command) {
    case kCommandUndo: {
      T_TextBuf swap;
      TextBufInit(&swap);
      TextBufAssignBuf(&swap, &editedText);
      TextBufAssignBuf(&editedText, &textBefore);
      TextBufAssignBuf(&textBefore, &swap);
      TextBufFree(&swap);
      editSelStart = 0;
      editSelLength = static_cast<uint32_t>(editedText.length);
      break;
    }
    case -8:  // Cut
    case -7:  // Copy
      if (n > 0) ClipboardSetText(editedText.data + start, n, 0);
      if (command == -7) return true;
      [[fallthrough]];
    case -5:  // Erase
      TextBufDelete(&editedText, start, n);
      editSelLength = 0;
      break;
    case -4: {  // Duplicate
      T_TextBuf copy;
      TextBufInit(&copy);
      TextBufAssignBytes(&copy, editedText.data + start, n);
      TextBufInsertBuf(&editedText, start + n, &copy);
      TextBufFree(&copy);
      editSelStart = static_cast<uint32_t>(start + n);
      break;
    }
    case -6: {  // Paste
      char* text = ClipboardReadText();
      if (text) InsertCellText(text);
      MemFree(text);
      break;
    }
    case kCommandSelectAll:
      editSelStart = 0;
      editSelLength = static_cast<uint32_t>(editedText.length);
      break;
    default:
      return false;
  }
  InvalidateCell(selectedRow, selectedField);
  return true;
}

void T_BoxWin::PullOverlayText() {
  if (!editOverlay) return;
  editOverlay->GetText(&editedText);
  editSelStart = static_cast<uint32_t>(std::max(0, editOverlay->GetSelStart()));
  editSelLength = static_cast<uint32_t>(std::max(0, editOverlay->GetSelLength()));
}

void T_BoxWin::PushOverlayText() {
  if (!editOverlay) return;
  editOverlay->SetText(editedText.data);
  editOverlay->SetSelection(static_cast<int32_t>(editSelStart), static_cast<int32_t>(editSelLength));
}

void T_BoxWin::InsertCellText(const char* text) {
  PullOverlayText();
  OverlayPush push(this);
  int32_t start = static_cast<int32_t>(std::min<uint32_t>(editSelStart, editedText.length));
  int32_t n = static_cast<int32_t>(std::min<uint32_t>(editSelLength, editedText.length - start));
  // A pasted or dropped text is bounded by the row record, at a character boundary.
  int32_t room = kRowTextBytes - 1 - (editedText.length - n);
  int32_t length = static_cast<int32_t>(strlen(text ? text : ""));
  if (length > room) length = Utf8BoundaryAtOrBefore(text, std::max(room, 0));
  TextBufDelete(&editedText, start, n);
  T_TextBuf piece;
  TextBufInit(&piece);
  TextBufAssignBytes(&piece, text, length);
  TextBufInsertBuf(&editedText, start, &piece);
  TextBufFree(&piece);
  editSelStart = static_cast<uint32_t>(start + length);
  editSelLength = 0;
}

// --- Selection mode 2 --------------------------------------------------------------------------------

void T_BoxWin::SelectCell(int64_t row, int32_t field, bool extend) {
  if (row < 0 && field < 0) {
    if (HasRange()) InvalidateGrid();
    rangeAnchorRow = rangeEndRow = -1;
    rangeAnchorField = rangeEndField = -1;
    return;
  }
  if (row == rangeEndRow && field == rangeEndField &&
      (extend || (row == rangeAnchorRow && field == rangeAnchorField)))
    return;
  if (!CanSelectCell(row, field)) return;
  InvalidateGrid();
  rangeEndRow = row;
  rangeEndField = field;
  if (!extend || rangeAnchorRow < 0) {
    rangeAnchorRow = row;
    rangeAnchorField = field;
  }
}

void T_BoxWin::ClearCellSelection() {
  if (selectMode == kSelectEdit)
    SelectEditCell(-1, -1);
  else
    SelectCell(-1, -1, false);
}

bool T_BoxWin::GridKeyDown(InputEvent* event) {
  uint16_t key = event->keyCode;
  if (event->control && (key == kKeyHome || key == kKeyEnd)) return SelectEndCell(key == kKeyEnd);
  if (selectMode == kSelectEdit) {
    if (key == kKeyUp && selectedRow > 0) return FocusNextCell(5), true;
    if (key == kKeyUp) return true;
    if (key == kKeyDown && selectedRow >= 0 && selectedRow < rowCount - 1) return FocusNextCell(1), true;
    if (key == kKeyDown) return true;
    return false;
  }
  if (selectMode != kSelectRange) return false;
  if (key != kKeyUp && key != kKeyDown && key != kKeyLeft && key != kKeyRight) return false;
  int32_t n = static_cast<int32_t>(fieldCount);
  if (!HasRange()) {
    for (int64_t row = GetTopRow(); row < rowCount && row <= GetLastVisibleRow(); ++row)
      for (int32_t f = 0; f < n; ++f)
        if (CanSelectCell(row, f)) return SelectCell(row, f, false), ScrollCellIntoView(row, f), true;
    return true;
  }
  int64_t row = rangeEndRow;
  int32_t field = rangeEndField;
  if (key == kKeyLeft && field > 0) --field;
  if (key == kKeyRight && field < n - 1) ++field;
  if (key == kKeyUp && row > 0) --row;
  if (key == kKeyDown && row < rowCount - 1) ++row;
  if (row != rangeEndRow && !CanSelectCell(row, field)) {
    field = -1;
    for (int32_t f = 0; f < n && field < 0; ++f)
      if (CanSelectCell(row, f)) field = f;
    if (field < 0) return true;
  }
  SelectCell(row, field, event->shift != 0);
  ScrollCellIntoView(row, field);
  return true;
}

bool T_BoxWin::SelectEndCell(bool last) {
  if (selectMode != kSelectEdit && selectMode != kSelectRange) return false;
  const int32_t n = static_cast<int32_t>(fieldCount);
  for (int64_t i = 0; i < rowCount; ++i) {
    const int64_t row = last ? rowCount - 1 - i : i;
    for (int32_t j = 0; j < n; ++j) {
      const int32_t field = last ? n - 1 - j : j;
      if (!CanSelectCell(row, field)) continue;
      if (selectMode == kSelectEdit) {
        SelectEditCell(row, field);
      } else {
        SelectCell(row, field, false);
        ScrollCellIntoView(row, field);
      }
      return true;
    }
  }
  return true;
}

bool T_BoxWin::ClickCell(InputEvent* event, int64_t row, int32_t field, int32_t tool) {
  if (selectMode != kSelectRange) return false;
  if (tool == kToolRange && !event->doubleClick) {
    SelectCell(row, field, event->shift != 0);
    InputEvent poll = *event;
    uint64_t outsideSince = 0;
    uint64_t nextStep = 0;
    do {
      Item_PollPointer(grid, &poll);
      int32_t visible = GridVisibleHeight();
      int32_t distance = poll.y < 0 ? -poll.y : poll.y > visible - 2 ? poll.y - (visible - 2) : 0;
      if (distance) {
        uint64_t now = BoxServices().ticks();
        int64_t rows = 0;
        if (!outsideSince) {
          outsideSince = now;
          nextStep = now + 450;
          rows = 1;
        } else if (now >= nextStep) {
          rows = distance / 16 + 1;
          nextStep = now + 100;
        }
        if (rows) ScrollByRows(poll.y < 0 ? -rows : rows);
        int64_t edge = poll.y < 0 ? GetTopRow() : GetLastVisibleRow();
        SelectCell(edge, rangeEndField, true);
      } else {
        outsideSince = 0;
        int64_t r = RowAtPoint(POINT{poll.x, poll.y});
        int32_t f = r >= 0 ? FieldAtPoint(poll.x, r) : -1;
        if (r >= 0 && f >= 0) SelectCell(r, f, true);
      }
    } while (poll.anyButton);
    return true;
  }
  SelectCell(-1, -1, false);
  clickRange = CellRange{row, field, row, row, field, field};
  SelectRange(&clickRange);
  if (clickRange.firstRow == -2) return false;
  rangeDragShown = 1;
  InvalidateGrid();
  if (event->doubleClick) {
    rangeDragShown = 0;
    OnCellsSelected(row, field);
    InvalidateGrid();
    return true;
  }
  InputEvent poll = *event;
  RECT rect;
  GetRangeRect(&rect, &clickRange);
  bool inside = true;
  do {
    Item_PollPointer(grid, &poll);
    inside = PtInRect(&rect, POINT{poll.x, poll.y}) != 0;
  } while (poll.anyButton);
  rangeDragShown = 0;
  InvalidateGrid();
  if (inside) {
    int64_t r = RowAtPoint(POINT{poll.x, poll.y});
    OnCellsSelected(r >= 0 ? r : row, r >= 0 ? FieldAtPoint(poll.x, r) : field);
  }
  return true;
}

// --- Clicks --------------------------------------------------------------------------------------

bool T_BoxWin::ClickCellLink(InputEvent* event, int64_t row, int32_t field) {
  T_BoxField* f = GetField(field);
  if (!f || !grid || (f->linkMode != 1 && f->linkMode != 2)) return false;
  if (selectMode == kSelectEdit && row == selectedRow && field == selectedField) return false;
  T_TextBuf text;
  CurrentCellText(this, &text, row, field);
  if (!LinkText_HasLinks(linkContext, text.data)) return false;
  RECT cell;
  GetCellRect(&cell, row, field);
  cell.left += f->cellIndent;
  T_TextBuf edited;
  if (!LinkText_Click(grid, &cell, text.data, event, &edited)) return false;
  // A link edited through its own menu is stored like an edited cell.
  if (edited.length && strcmp(edited.data, text.data) != 0) {
    GetCellEditText(&edited, row, field);
    InvalidateCell(row, field);
  }
  return true;
}

bool T_BoxWin::PreviewGridClick(InputEvent* event) {
  if (selectMode != kSelectRange || !event->leftButton || event->shift ||
      GetEffectiveTool(event) != kToolRange)
    return false;
  int64_t row = RowAtPoint(POINT{event->x, event->y});
  int32_t field = row >= 0 ? FieldAtPoint(event->x, row) : -1;
  if (row < 0 || field < 0) return false;
  // A press held still starts a drag: 800 ms, or 400 ms within a minute of the last drag.
  uint64_t start = BoxServices().ticks();
  uint64_t wait = lastDragEnd && start - lastDragEnd < 60000 ? 400 : 800;
  InputEvent poll = *event;
  while (BoxServices().ticks() - start < wait) {
    Item_PollPointer(grid, &poll);
    if (!poll.anyButton) return false;
    if (std::abs(poll.x - event->x) + std::abs(poll.y - event->y) > 3) return false;
  }
  if (!CellInRange(row, field)) SelectCell(row, field, false);
  TransferList list;
  DragData_Init(&list);
  T_OStream plain;
  CopyRange(&plain, false);
  T_OStream cells;
  CopyRange(&cells, true);
  DragData_AddBytes(&list, kTransferPrivate, reinterpret_cast<const char*>(cells.start),
                    static_cast<int32_t>(cells.BufferedLength()));
  DragData_AddBytes(&list, kTransferText, reinterpret_cast<const char*>(plain.start),
                    static_cast<int32_t>(plain.BufferedLength()));
  paintingDragImage = 1;
  BoxServices().startDrag(this, &list);
  paintingDragImage = 0;
  DragData_Free(&list);
  lastDragEnd = BoxServices().ticks();
  return true;
}

bool T_BoxWin::ClickGrid(InputEvent* event) {
  int64_t row = RowAtPoint(POINT{event->x, event->y});
  int32_t field = row >= 0 ? FieldAtPoint(event->x, row) : -1;
  if (row < 0 || field < 0) return false;
  if (ClickCellLink(event, row, field)) return true;
  if (selectMode == kSelectEdit) {
    if ((row != selectedRow || field != selectedField) && CanSelectCell(row, field))
      SelectEditCell(row, field, event->leftButton != 0);
    if (event->leftButton) ClickCell(event, row, field, GetEffectiveTool(event));
    if (event->rightButton && selectedRow >= 0) RunContextMenu(grid, 0, event, -1);
    return true;
  }
  if (event->leftButton) return ClickCell(event, row, field, GetEffectiveTool(event));
  return false;
}

// --- Dropping into a cell --------------------------------------------------------------------------

void T_BoxWin::DragOverGrid(InputEvent* event, int32_t phase, uint32_t flags) {
  if (viewMode != 0) return;
  DragCells(event, phase, flags);
}

void T_BoxWin::DragCells(InputEvent* event, int32_t phase, uint32_t flags) {
  dragRow = -1;
  dragField = -1;
  draggingIntoCell = 0;
  if (phase == kHoverLeft || selectMode != kSelectEdit) return;
  int64_t row = RowAtPoint(POINT{event->x, event->y});
  int32_t field = row >= 0 ? FieldAtPoint(event->x, row) : -1;
  T_BoxField* f = GetField(field);
  if (!f || !CanSelectCell(row, field)) return;
  uint32_t wanted = f->linkMode == 1 ? 13 : 1;
  if (!(flags & wanted)) return;
  dragRow = row;
  dragField = field;
  draggingIntoCell = 1;
  GetCellRect(&dragFrame, row, field);
}

bool T_BoxWin::DropOnGrid(TransferList* list) {
  if (dragRow < 0 || dragField < 0) return false;
  dropRow = dragRow;
  dropField = dragField;
  T_TextBuf text;
  TextBufInit(&text);
  // The private format first, then Unicode text, then the first dropped file's path.
  bool got = false;
  TransferItem* item = FindTransferItem(list, kTransferPrivate);
  if (!item) item = FindTransferItem(list, kTransferText);
  if (item) {
    TextBufAssignBuf(&text, &item->text);
    got = true;
  } else if (TransferItem* file = FindTransferItem(list, kTransferAnyFile)) {
    got = TransferItemPath(file, &text);
  }
  if (got) {
    if (dropRow == selectedRow && dropField == selectedField) {
      InsertCellText(text.data);
      InvalidateCell(dropRow, dropField);
    } else {
      T_TextBuf cell;
      TextBufInit(&cell);
      CurrentCellText(this, &cell, dropRow, dropField);
      int32_t at = static_cast<int32_t>(std::min<uint32_t>(caretTextPosition, cell.length));
      int32_t room = kRowTextBytes - 1 - cell.length;
      int32_t n = static_cast<int32_t>(text.length);
      if (n > room) n = Utf8BoundaryAtOrBefore(text.data, std::max(room, 0));
      TextBufTruncate(&text, n);
      TextBufInsertBuf(&cell, at, &text);
      GetCellEditText(&cell, dropRow, dropField);
      InvalidateCell(dropRow, dropField);
      TextBufFree(&cell);
    }
  }
  TextBufFree(&text);
  dragRow = -1;
  dragField = -1;
  return got;
}
