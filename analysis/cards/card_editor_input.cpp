// The card editor's pointer work in the grid: dragging rows from the row margin (with the grid
// scrolling while the pointer is past its top or bottom), and the popup menu of a cell.
#include <cstdlib>

#include "analysis/cards/card_editor.h"
#include "core/memory.h"
#include "database/base.h"
#include "ui/clipboard_data.h"
#include "ui/frame_items.h"
#include "ui/transfer_list.h"
#include "ui/item.h"
#include "ui/popup_menu.h"

namespace {

// The strip at the grid's left edge from which rows are dragged.
constexpr int32_t kRowMargin = 6;
// The popup of a cell, told from the text field's own menu.
constexpr uint32_t kCellMenuSelector = 1;
constexpr uint16_t kMenuPasteLine = 3508;
constexpr uint16_t kMenuPasteLines = 3509;
constexpr uint16_t kMenuOpenDimension = 3302;
// Autoscroll while dragging past an edge: the first step after 350 ms, then every 100 ms.
constexpr uint64_t kScrollFirstDelay = 350;
constexpr uint64_t kScrollDelay = 100;

}  // namespace

bool T_CardEditor::DragBlock(int64_t row, int64_t* first, int64_t* last) {
  CardRow* r = Row(row);
  if (!r || r->kind == kRowEmpty) return false;
  *first = *last = row;
  if (r->kind == kRowGroup)
    while (*last + 1 < RowCount() && Row(*last + 1)->kind != kRowGroup) ++*last;
  return true;
}

int64_t T_CardEditor::DropIndex(int64_t first, int64_t last, int64_t over) {
  if (over < 0 || over >= RowCount() || (over >= first && over <= last)) return -1;
  bool down = over > last;
  if (Row(first)->kind != kRowGroup) return down ? over + 1 : over;
  // A group lands before or after a whole group: the one that holds the row under the pointer.
  int64_t start = over;
  while (start > 0 && Row(start)->kind != kRowGroup) --start;
  if (Row(start)->kind != kRowGroup) start = 0;
  int64_t end = over;
  while (end + 1 < RowCount() && Row(end + 1)->kind != kRowGroup) ++end;
  return down ? end + 1 : start;
}

bool T_CardEditor::TrackRowDrag(InputEvent* event, int64_t row) {
  int64_t first = 0, last = 0;
  if (!DragBlock(row, &first, &last)) return false;
  EndCellEdit();
  InputEvent poll = *event;
  uint64_t outsideSince = 0;
  uint64_t nextStep = 0;
  int64_t over = row;
  do {
    Item_PollPointer(grid, &poll);
    int32_t visible = GridVisibleHeight();
    int32_t distance = poll.y < 0 ? -poll.y : poll.y >= visible ? poll.y - visible + 1 : 0;
    if (distance) {
      uint64_t now = BoxServices().ticks();
      if (!outsideSince) {
        outsideSince = now;
        nextStep = now + kScrollFirstDelay;
      } else if (now >= nextStep) {
        ScrollByRows(poll.y < 0 ? -(distance / 16 + 1) : distance / 16 + 1);
        nextStep = now + kScrollDelay;
      }
      over = poll.y < 0 ? GetTopRow() : GetLastVisibleRow();
    } else {
      outsideSince = 0;
      int64_t r = RowAtPoint(POINT{poll.x < 0 ? 0 : poll.x, poll.y});
      if (r >= 0) over = r;
    }
  } while (poll.anyButton);
  int64_t to = DropIndex(first, last, over);
  if (to < 0) return false;
  MoveRows(first, last, to);
  return true;
}

// The component key (Alt) with a click on a component cell: the picker at the cell's component,
// and the chosen code entered.
bool T_CardEditor::PickComponent(InputEvent* event, int64_t row) {
  int32_t field = FieldAtPoint(event->x, row);
  int32_t code = FieldCode(field);
  if (code < kFieldGroup || !CanSelectCell(row, field)) return false;
  int32_t dimension = code - kFieldGroup;
  CardRow* r = Row(row);
  int64_t component = r->kind == kRowEmpty ? 0 : r->slots[dimension == 0 ? 0 : dimension - 1];
  EndCellEdit();
  T_TextBuf chosen;
  PopupComponentMenu(&chosen, database, dimension, static_cast<int32_t>(component),
                     POINT{event->x, event->y}, grid, event);
  if (chosen.length) StoreCellText(row, code, chosen.data);
  return true;
}

bool T_CardEditor::ClickGrid(InputEvent* event) {
  int64_t row = RowAtPoint(POINT{event->x, event->y});
  if (row < 0) return T_BoxWin::ClickGrid(event);
  SetCurrentRow(row);
  if (event->leftButton && event->x + GetScrollX() < kRowMargin) return TrackRowDrag(event, row), true;
  if (event->leftButton && event->leftAlt && PickComponent(event, row)) return true;
  if (event->rightButton) {
    int32_t field = FieldAtPoint(event->x, row);
    if (field >= 0 && CanSelectCell(row, field) && (row != selectedRow || field != selectedField))
      SelectEditCell(row, field);
    RunContextMenu(grid, kCellMenuSelector, event, -1);
    return true;
  }
  return T_BoxWin::ClickGrid(event);
}

void T_CardEditor::ContextMenu(ContextMenuRecord* record, int32_t phase) {
  if (record->selector != kCellMenuSelector) {
    T_BoxWin::ContextMenu(record, phase);
    return;
  }
  int64_t row = ActiveRow();
  int32_t code = FieldCode(selectedField);
  if (phase == kMenuPhaseList) {
    if (code != kFieldGroup) {
      PopupMenu_AddCommand(&record->commands, kCommandCopyLine, false);
      PopupMenu_AddCommand(&record->commands, kCommandDuplicateLine, false);
      PopupMenu_AddCommand(&record->commands, kCommandRemoveLine, false);
    }
    if (code >= kFieldGroup && CurrentBaseServices().openDimensionEditor)
      PopupMenu_AddCommand(&record->commands, kMenuOpenDimension, true);
    char* text = ClipboardReadText();
    int32_t kind = CardEditor_clipboardKind(text);
    MemFree(text);
    CardRow* r = Row(row);
    if (kind == 1 && r && r->kind != kRowGroup) PopupMenu_AddCommand(&record->commands, kMenuPasteLine, true);
    if (kind == 2) PopupMenu_AddCommand(&record->commands, kMenuPasteLines, true);
    return;
  }
  if (phase != kMenuPhaseRun) return;
  switch (record->entry) {
    case kCommandCopyLine:
    case kCommandDuplicateLine:
    case kCommandRemoveLine:
      DoCommand(static_cast<int32_t>(record->entry));
      break;
    case kMenuPasteLine:
    case kMenuPasteLines:
      PasteFromClipboard();
      break;
    case kMenuOpenDimension:
      if (code >= kFieldGroup && CurrentBaseServices().openDimensionEditor)
        CurrentBaseServices().openDimensionEditor(database, code - kFieldGroup);
      break;
    default:
      break;
  }
}

void T_CardEditor::DragCardLink() {
  if (!storedCard) return;
  T_TextBuf id;
  FormatCardIdToString(&id, &cardId, database->cardDigits);
  T_TextBuf link("card=\"");
  TextBufAppendBuf(&link, &id);
  TextBufAppendChar(&link, '"');
  TransferList list;
  DragData_Init(&list);
  DragData_Add(&list, kTransferText, link.data);
  DragData_Add(&list, kTransferPrivate, id.data);
  BoxServices().startDrag(this, &list);
  DragData_Free(&list);
}

bool T_CardEditor::MouseDown(InputEvent* event, T_GrafElement* target) {
  if (target && target == idLabel && event->leftButton) {
    DragCardLink();
    return true;
  }
  return T_BoxWin::MouseDown(event, target);
}
