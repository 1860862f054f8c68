// The time functions window's commands and menus: the edit commands on its variables, the
// mode-box menu, the column-title menu and clicks, the cell clicks, the sort keys of the web
// pages, the text and printed definitions.
#include <algorithm>
#include <cstring>
#include <vector>

#include "analysis/boxwin/box_column_drag.h"
#include "analysis/boxwin/box_output.h"
#include "analysis/time/tfunc_drill.h"
#include "analysis/components/function_menu.h"
#include "analysis/time/tfunc_export.h"
#include "analysis/time/tfunc_legend.h"
#include "analysis/time/tfunc_window.h"
#include "analysis/time/time_calculation.h"
#include "core/alert.h"
#include "core/localized_text.h"
#include "core/memory.h"
#include "core/output_stream.h"
#include "core/short_ids.h"
#include "database/base.h"
#include "database/object_services.h"
#include "ui/application.h"
#include "ui/clipboard_data.h"
#include "ui/draw_primitives.h"
#include "ui/event_record.h"
#include "ui/mode_tree.h"
#include "ui/native_menu.h"
#include "ui/popup_menu.h"
#include "ui/text_layout.h"

namespace {

constexpr uint16_t kTitleHide = 3619;
constexpr uint16_t kTitleSortRows = 3620;
constexpr uint16_t kTitleAdjustWidth = 3621;

T_TVariable* VariableOfField(const T_BoxField* field) {
  auto* curve = dynamic_cast<const T_TFuncCurve*>(field);
  return curve ? curve->series.variable : nullptr;
}

bool OnVariablesItem(const T_TFunc* window) {
  const ModeNode* node = window->modeBox ? window->modeBox->SelectedNode() : nullptr;
  return node && node->id == kTFuncVariablesItem;
}

}  // namespace

// --- Clipboard -----------------------------------------------------------------------------------

bool T_TFunc::CopyVariables(bool all) {
  T_OStream stream;
  if (all) {
    for (T_TVariable* v = data.variables; v; v = v->next) TFuncWriteVariable(v, &stream);
  } else if (current) {
    TFuncWriteVariable(current, &stream);
  } else {
    return false;
  }
  return ClipboardSetText(reinterpret_cast<const char*>(stream.start),
                          static_cast<int32_t>(stream.BufferedLength()), 0);
}

bool T_TFunc::ClipboardHasVariables() const {
  char* text = ClipboardReadText();
  const bool has = text && TFuncTextHasVariables(text, static_cast<int32_t>(std::strlen(text)));
  MemFree(text);
  return has;
}

bool T_TFunc::PasteVariables() {
  char* text = ClipboardReadText();
  if (!text) return false;
  const bool onPage = pageMode == kTFuncModeSelection || pageMode == kTFuncModeFormula;
  ClosePages();
  T_TVariable* last =
      TFuncPaste(&data, text, static_cast<int32_t>(std::strlen(text)), onPage ? current : nullptr);
  MemFree(text);
  if (PendingError.request.message) PendingErrorReport();
  if (!last) {
    if (current) SelectVariable(current);
    return false;
  }
  ReloadVariableItems();
  RebuildCurves();
  MarkNeedsCalc();
  SelectVariable(last);
  return true;
}

void T_TFunc::DuplicateVariable() {
  if (!current) return;
  ClosePages();
  T_TVariable* copy = TFuncDuplicate(&data, current);
  if (!copy) {
    PendingErrorReport();
    SelectVariable(current);
    return;
  }
  ReloadVariableItems();
  RebuildCurves();
  MarkNeedsCalc();
  SelectVariable(copy);
}

// --- Commands ------------------------------------------------------------------------------------

void T_TFunc::UpdateCommands() {
  T_TSWin::UpdateCommands();
  const MenuOperations* menus = Menus();
  if (!menus || !menus->enableCommand) return;
  auto enable = [menus](int32_t command) { menus->enableCommand(command, true); };
  enable(kCommandNewSelection);
  enable(kCommandNewFormula);
  const bool onVariable = pageMode == kTFuncModeSelection || pageMode == kTFuncModeFormula;
  if (onVariable && current) {
    for (int32_t c : {kCommandCut, kCommandCopy, kCommandErase, kCommandDuplicate}) enable(c);
  }
  if (OnVariablesItem(this)) {
    enable(kCommandCopy);
    enable(kCommandErase);
  }
  if ((onVariable || OnVariablesItem(this)) && ClipboardHasVariables()) enable(kCommandPaste);
  if (rowCount > 0) EnableDataOperationCommands();
}

bool T_TFunc::DoCommand(int32_t command) {
  const bool onVariable = (pageMode == kTFuncModeSelection || pageMode == kTFuncModeFormula) &&
                          current;
  const bool onAll = OnVariablesItem(this);
  switch (command) {
    case kCommandNewSelection:
      return NewSelection() != nullptr;
    case kCommandNewFormula:
      return NewFormula() != nullptr;
    case kCommandGridView:
      SetViewModeOf(0);
      return true;
    case kCommandDiagramView:
      SetViewModeOf(1);
      return true;
    default:
      break;
  }
  if (onVariable || onAll) {
    switch (command) {
      case kCommandCopy:
        return CopyVariables(onAll);
      case kCommandCut:
        if (!onVariable || !CopyVariables(false)) return false;
        return EraseVariable(current);
      case kCommandPaste:
        return PasteVariables();
      case kCommandErase:
        if (onAll) {
          EraseAllVariables();
          return true;
        }
        return EraseVariable(current);
      case kCommandDuplicate:
        if (!onVariable) return false;
        DuplicateVariable();
        return true;
      default:
        break;
    }
  }
  return T_TSWin::DoCommand(command);
}

bool T_TFunc::KeyDown(InputEvent* event, T_GrafElement* target) {
  const bool onVariable = (pageMode == kTFuncModeSelection || pageMode == kTFuncModeFormula) &&
                          current;
  if (onVariable && modeBox && target == modeBox &&
      (event->keyCode == kKeyDelete || (event->keyCode == kKeyBackspace && event->control))) {
    EraseVariable(current);
    return true;
  }
  return T_TSWin::KeyDown(event, target);
}

bool T_TFunc::OnModeboxMenu(T_GrafElement* box, ContextMenuRecord* record) {
  ModeNode* node = modeBox ? modeBox->SelectedNode() : nullptr;
  T_TVariable* variable = node ? VariableOfItem(node->id) : nullptr;
  const bool all = node && node->id == kTFuncVariablesItem;
  if (!variable && !all) return T_TSWin::OnModeboxMenu(box, record);
  switch (record->phase) {
    case kMenuPhaseList:
      AddFuncVariableEntries(&record->commands, all);
      if (variable) {
        AddFuncDrillEntries(&record->commands, variable->kind == kVariableSelection
                                                   ? kFuncMenuDrillFirst
                                                   : kFuncMenuTimeFunctions);
      }
      return true;
    case kMenuPhaseMeasure: {
      const int64_t id = record->entry;
      if (id >= kFuncMenuDrillFirst && id <= kFuncMenuDrillLast)
        record->selectable = DrillEnabled(static_cast<int32_t>(id));
      if (id == kFuncMenuPaste) record->selectable = ClipboardHasVariables();
      return false;
    }
    case kMenuPhaseRun:
      switch (record->entry) {
        case kFuncMenuCut:
          return CopyVariables(false) && EraseVariable(current);
        case kFuncMenuCopy:
          return CopyVariables(all);
        case kFuncMenuPaste:
          return PasteVariables();
        case kFuncMenuErase:
          return EraseVariable(current);
        case kFuncMenuDuplicate:
          DuplicateVariable();
          return true;
        case kCommandNewSelection:
          return NewSelection() != nullptr;
        case kCommandNewFormula:
          return NewFormula() != nullptr;
        default:
          if (record->entry >= kFuncMenuDrillFirst && record->entry <= kFuncMenuDrillLast)
            return RunDrillCommand(static_cast<int32_t>(record->entry), variable) != nullptr;
          return false;
      }
    default:
      return false;
  }
}

// --- Titles and cells ----------------------------------------------------------------------------

void T_TFunc::TitleContextMenu(ContextMenuRecord* record, int32_t phase) {
  T_BoxField* field = pressedTitleField;
  if (!field) return;
  T_TVariable* variable = VariableOfField(field);
  if (phase == kMenuPhaseList) {
    if (variable) {
      PopupMenu_AddCommand(&record->commands, kTitleHide, false);
      if (!InDiagramMode()) {
        PopupMenu_AddCommand(&record->commands, kTitleSortRows, false);
        PopupMenu_AddCommand(&record->commands, kTitleAdjustWidth, false);
      }
      AddFuncDrillEntries(&record->commands, variable->kind == kVariableSelection
                                                 ? kFuncMenuDrillFirst
                                                 : kFuncMenuTimeFunctions);
    } else if (field == labelField && data.scaleInForce) {
      PopupMenu_AddCommand(&record->commands, kCommandOpenTimeScale, false);
    }
    return;
  }
  if (phase == kMenuPhaseMeasure) {
    const int64_t id = record->entry;
    if (id == kCommandOpenTimeScale)
      record->selectable = CurrentObjectServices().openTimeScaleEditor != nullptr;
    else if (id >= kFuncMenuDrillFirst && id <= kFuncMenuDrillLast)
      record->selectable = DrillEnabled(static_cast<int32_t>(id));
    return;
  }
  if (phase == kMenuPhaseRun && field == labelField && record->entry == kCommandOpenTimeScale) {
    // The editors fill the hook at start-up; this layer cannot name them.
    if (data.scaleInForce && CurrentObjectServices().openTimeScaleEditor)
      CurrentObjectServices().openTimeScaleEditor(database, data.scaleInForce);
    return;
  }
  if (phase != kMenuPhaseRun || !variable) return;
  switch (record->entry) {
    case kTitleHide:
      variable->shown = 0;
      RebuildCurves();
      MarkNeedsCalc();
      break;
    case kTitleSortRows:
      order.sortVariable = variable;
      RefreshRows();
      break;
    case kTitleAdjustWidth:
      FitFieldWidth(field);
      break;
    default:
      if (record->entry >= kFuncMenuDrillFirst && record->entry <= kFuncMenuDrillLast)
        RunDrillCommand(static_cast<int32_t>(record->entry), variable);
      break;
  }
}

bool T_TFunc::ClickFieldTitle(InputEvent* event, T_BoxField* field) {
  T_TVariable* variable = VariableOfField(field);
  if (!variable) return T_TSWin::ClickFieldTitle(event, field);
  SelectVariable(variable);
  if (!event || !event->leftButton) return true;
  if (GetEffectiveTool(event) == kTFuncToolDrill) {
    DrillMenuAt(kDrillWholeRange, variable, grid, DrillMenuPlace(-1, field), event);
    return true;
  }
  if (T_BoxField* target = TrackColumnTitleDrag(this, event, field)) MoveColumn(variable, target);
  return true;
}

bool T_TFunc::ClickFieldButton(InputEvent* event, T_BoxField* field, const RECT* rect) {
  if (VariableOfField(field) && VariableOfField(field) == order.sortVariable) {
    order.valueOrder = (order.valueOrder + 3) % 6;
    RefreshRows();
    return true;
  }
  if (modeBox) SelectModeById(kTFuncOptionsItem);
  return T_TSWin::ClickFieldButton(event, field, rect);
}

bool T_TFunc::ClickCell(InputEvent* event, int64_t row, int32_t field, int32_t tool) {
  T_BoxField* f = GetField(field);
  if (f == labelField) {
    if (modeBox) SelectModeById(kTFuncAxisLimitsItem);
  } else if (T_TVariable* variable = VariableOfField(f)) {
    SelectVariable(variable);
  }
  if (tool == kTFuncToolDrill && event && !event->rightButton && row >= 0 && row < rowCount) {
    SelectCell(row, field, false);
    DrillMenuAt(TFuncRowEntry(&data, &order, row), VariableOfField(f), grid,
                DrillMenuPlace(row, f), event);
    return true;
  }
  return T_TSWin::ClickCell(event, row, field, tool);
}

bool T_TFunc::RowCard(int64_t row, CardId* id) const {
  if (row < 0 || row >= rowCount) return false;
  const int64_t entry = TFuncRowEntry(&data, &order, row);
  if (entry < kEntryFirstPeriod || entry >= data.periodCount) return false;
  *id = TFuncEntryAt(&data, entry)->end;
  // Calendar periods end with the whole day, which names no card.
  return id->sequence != kCardSequenceOpen;
}

void T_TFunc::SelectRange(CellRange* range) {
  T_BoxField* f = GetField(range->anchorField);
  T_TVariable* variable = VariableOfField(f);
  if (variable && !variable->totals && range->anchorRow >= 0 &&
      TFuncRowEntry(&data, &order, range->anchorRow) == kEntryTotals) {
    range->firstRow = -2;
    return;
  }
  T_TSWin::SelectRange(range);
  // Groups and lines of one card stand in neighbouring rows: the card's label takes them all.
  const int32_t type = data.typeInForce;
  CardId anchor{}, id{};
  if (f != labelField || type < kPeriodActiveCards || type > kPeriodActiveLines ||
      !RowCard(range->anchorRow, &anchor))
    return;
  while (RowCard(range->firstRow - 1, &id) && CardIdEqual(&id, &anchor)) --range->firstRow;
  while (RowCard(range->lastRow + 1, &id) && CardIdEqual(&id, &anchor)) ++range->lastRow;
}

void T_TFunc::OnCellsSelected(int64_t row, int32_t field) {
  CardId id{};
  if (GetField(field) != labelField) {
    T_TSWin::OnCellsSelected(row, field);
  } else if (RowCard(row, &id)) {
    OpenCardEditor(database, &id, 0);
  }
}

void T_TFunc::GetFieldSortKey(T_BoxField* field, T_TextBuf* key) {
  if (field == labelField) {
    TextBufAssign(key, "-:");
    TextBufAppendChar(key, "NRP"[order.mode >= 0 && order.mode <= 2 ? order.mode : 0]);
    return;
  }
  T_TVariable* variable = VariableOfField(field);
  if (!variable) return;
  TextBufAssign(key, variable->name);
  AppendNameShortId(key, variable->name);
  TextBufAppendChar(key, ':');
  int32_t valueOrder = order.valueOrder;
  if (variable == order.sortVariable) valueOrder = (valueOrder + 3) % 6;
  TextBufAppendChar(key, "DEFCBA"[valueOrder >= 0 && valueOrder < 6 ? valueOrder : 0]);
}

// --- Definitions ---------------------------------------------------------------------------------

void T_TFunc::WriteDefinition(TextCellWriter* writer) { TFuncWriteDefinition(&data, writer); }

void T_TFunc::WriteHtmlDefinition(T_OStream* stream) { TFuncWriteHtmlDefinition(&data, stream); }

void T_TFunc::WriteXml(T_OStream* stream) { TFuncWriteXml(this, &data, &order, stream); }

void T_TFunc::WriteHtmlCell(T_OStream* stream, int64_t row, T_BoxField* field) {
  if (field == labelField) {
    if (!TFuncWriteLabelCell(stream, linkContext, &data, field->cellText, true))
      T_TSWin::WriteHtmlCell(stream, row, field);
    return;
  }
  const T_TVariable* variable = VariableOfField(field);
  const int64_t entry = TFuncRowEntry(&data, &order, row);
  bool opened = false;
  if (calculated && variable && variable->column >= 0 && variable->column < data.columnCount &&
      entry >= 0 && entry < data.periodCount) {
    const T_TVariable* formula = current && current->kind == kVariableFormula ? current : nullptr;
    opened = TFuncOpenDrillLink(stream, &data, entry, variable,
                                TFuncEntryAt(&data, entry)->values[variable->column], formula);
  }
  T_TSWin::WriteHtmlCell(stream, row, field);
  if (opened) stream->PutText("</a>");
}

void T_TFunc::WriteCellText(T_OStream* stream, int64_t row, T_BoxField* field) {
  if (field == labelField && TFuncWriteLabelCell(stream, linkContext, &data, field->cellText, false))
    return;
  T_TSWin::WriteCellText(stream, row, field);
}

int32_t TFuncPrintHeaderDrop(int32_t titleHeight) {
  const int32_t s = std::max(1, 26 - titleHeight);
  return std::max(0, 2 * s - 3);
}

void T_TFunc::PrintPart(BoxDrawRecord* record) {
  if (record->phase == 0) {
    T_TSWin::PrintPart(record);
    record->band.top += TFuncPrintHeaderDrop(titleHeight);
    return;
  }
  if (record->phase == 3 && InDiagramMode() && labels) {
    record->height = labels->PrintHeight(record->band.right - record->band.left);
    return;
  }
  if (record->phase == 4 && InDiagramMode() && labels) {
    labels->PrintDraw(record->band.right - record->band.left, record->band.left, record->band.top);
    return;
  }
  if (record->phase != 1 && record->phase != 2) {
    T_TSWin::PrintPart(record);
    return;
  }
  // The rows are those of the text and HTML definitions; the page keeps its own layout: the
  // labels on the first page, the variables' columns across as many pages as they need.
  PrintDefinitionTables(record, TFuncDefinitionTables(&data));
}
