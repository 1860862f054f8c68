// The component functions window's display page (sorting, grid lines, curve and bar style,
// spacing, the bar direction), the presentation frames of a variable's header, the column drag
// and sort button, and the mode-box menu.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "analysis/boxwin/box_column_drag.h"
#include "analysis/boxwin/box_panel.h"
#include "analysis/components/cfunc_legend.h"
#include "analysis/components/cfunc_window.h"
#include "analysis/components/function_menu.h"
#include "core/localized_text.h"
#include "core/memory.h"
#include "ui/button.h"
#include "ui/chooser.h"
#include "ui/clipboard_data.h"
#include "ui/event_record.h"
#include "ui/mode_tree.h"
#include "ui/native_menu.h"
#include "ui/popup_menu.h"
#include "ui/sort_orders.h"
#include "ui/value_choosers.h"

namespace {

constexpr uint32_t kSublevelsChooser = 5342;
constexpr uint32_t kDecimalsChooser = 5343;
constexpr uint32_t kColouringChooser = 5344;
constexpr uint32_t kSignChooser = 5345;
constexpr uint32_t kBoldBox = 5346;
constexpr uint32_t kColourChooser = 5347;
constexpr uint32_t kSortVariableChooser = 5348;
constexpr uint32_t kSortOrderChooser = 5349;
constexpr uint32_t kGridFrame = 5350;
constexpr uint32_t kCurveStyleChooser = 5351;
constexpr uint32_t kBarStyleChooser = 5352;
constexpr uint32_t kSpacingChooser = 5353;
constexpr uint32_t kBarOptionBox = 5354;
constexpr uint32_t kSortingFrame = 5355;

constexpr int32_t kTextSorting = 3600;
constexpr int32_t kTextNumeric = 3118;
constexpr int32_t kTextGraphic = 5130;
constexpr int32_t kTextColour = 3115;
constexpr int32_t kTextDecimals = 3112;
constexpr int32_t kNumericFrameHeight = 80;
// A frame's title stands above its top edge.
constexpr int32_t kFrameTitleRoom = 20;
constexpr int32_t kTextBold = 3111;
constexpr int32_t kTextSublevels = 5210;
constexpr int32_t kTextExclude = 5211;
constexpr int32_t kTextBarStyles = 5400;  // "Side by Side" .. "Stacked"
constexpr int32_t kTextBars = 5387;
constexpr int32_t kTextCurve = 5386;
constexpr int32_t kTextSpacing = 5326;
constexpr int32_t kTextMirrored = 5327;
constexpr const char* kSpacingFactors[] = {"1.0", "1.2", "1.5", "2.0", "2.5",
                                           "3.0", "4.0", "5.0", "6.0"};

// The sort variable chooser: item 0 none, the selections, a separator, the formulas.
std::vector<T_CVariable*> SortItems(const T_CFunc* window) {
  std::vector<T_CVariable*> items{nullptr};
  for (T_CSelection* s = window->data.selections; s; s = s->nextSelection) items.push_back(s);
  if (window->data.formulas) items.push_back(nullptr);
  for (T_CFormula* f = window->data.formulas; f; f = f->nextFormula) items.push_back(f);
  return items;
}

// The grid-line frame of the display page: the choice applies to the view shown and repaints
// the curve view too.
class T_CFuncGridFrame : public T_GridFrame {
 public:
  T_CFuncGridFrame(T_CFunc* window, T_EventHandler* parent, const XYWH& at)
      : T_GridFrame(window, parent, at, kGridFrame), window(window) {}
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override {
    T_GridFrame::OnChooserEvent(chooser, record);
    if (record->code != kChooserChosen) return;
    window->gridVertical[window->viewMode == 4 ? 1 : 0] = window->verticalGridLines;
    window->InvalidateGrid();
  }
  T_CFunc* window;
};

T_Chooser* TitledChooser(T_EventHandler* parent, const XYWH& at, uint32_t id, int64_t count,
                         int64_t current, int32_t title, int32_t titleWidth) {
  auto* chooser = new (std::nothrow) T_Chooser(parent, at, id, count, current, true);
  if (chooser && title) {
    chooser->SetTitleId(title);
    chooser->SetTitleWidth(titleWidth);
  }
  return chooser;
}

}  // namespace

// --- Display page --------------------------------------------------------------------------------

void T_CFunc::OpenDisplayPage() {
  T_EventHandler* parent = modeItem ? static_cast<T_EventHandler*>(modeItem) : this;
  auto keep = [this](T_GrafElement* item) {
    if (item && panelItemCount < 16) panelItems[panelItemCount++] = item;
  };
  const bool curve = viewMode == 4;
  if (T_Frame* sorting = AddFrame(parent, {6, 24, 180, 44}, kSortingFrame, kTextSorting)) {
    const std::vector<T_CVariable*> items = SortItems(this);
    int64_t chosen = 0;
    for (size_t i = 1; i < items.size(); ++i)
      if (items[i] && items[i] == sortVariable) chosen = static_cast<int64_t>(i);
    new (std::nothrow) T_Chooser(sorting, {6, 4, 164, 15}, kSortVariableChooser,
                                 static_cast<int64_t>(items.size()), chosen, true);
    new (std::nothrow) T_Chooser(sorting, {6, 21, 164, 15}, kSortOrderChooser, sortVariable ? 6 : 5,
                                 sortVariable ? valueOrder : treeOrder, true);
    keep(sorting);
  }
  keep(new (std::nothrow) T_CFuncGridFrame(this, parent, {196, 24, 156, 44}));
  keep(
      TitledChooser(parent, {364, 24, 170, 15}, kCurveStyleChooser, 3, curveStyle, kTextCurve, 60));
  T_Chooser* bars =
      TitledChooser(parent, {364, 42, 170, 15}, kBarStyleChooser, 5, barStyle, kTextBars, 60);
  if (bars) Item_SetEnabled(bars, curve);
  keep(bars);
  keep(TitledChooser(parent, {364, 60, 170, 15}, kSpacingChooser, 9, spacing, kTextSpacing, 60));
  T_Checkbox* mirrored =
      AddCheckbox(parent, {544, 24, 110, 14}, kBarOptionBox, kTextMirrored, barOption != 0);
  if (mirrored) Item_SetEnabled(mirrored, curve);
  keep(mirrored);
  openPanelPage = kCFuncDisplayPage;
}

void T_CFunc::AddPresentationFrames(T_EventHandler* parent, int32_t x, int32_t y, bool beside) {
  T_CVariable* v = current;
  if (!v) return;
  auto keep = [this](T_GrafElement* item) {
    if (item && panelItemCount < 16) panelItems[panelItemCount++] = item;
  };
  // One titled chooser a row, 19 pixels apart so their frames keep clear: two side by side
  // leave each title too little room.
  if (T_Frame* numeric =
          AddFrame(parent, {x, y, 210, kNumericFrameHeight}, kCFuncNumericFrame, kTextNumeric)) {
    TitledChooser(numeric, {6, 4, 196, 15}, kSublevelsChooser, 2, v->sublevels, kTextSublevels, 60);
    auto* decimals = new (std::nothrow)
        T_ChooseDecs(numeric, {6, 23, 196, 15}, kDecimalsChooser, 0, v->decimals);
    if (decimals) {
      decimals->SetColumns(database, v->kind == kVariableSelection
                                         ? static_cast<T_CSelection*>(v)->valueColumn
                                         : T_ChooseDecs::kAllColumns);
      decimals->SetTitleId(kTextDecimals);
      decimals->SetTitleWidth(60);
    }
    if (auto* sign = new (std::nothrow)
            T_ChooseNegval(numeric, {6, 42, 196, 15}, kSignChooser, v->signStyle))
      sign->SetTitleWidth(60);
    if (auto* colouring = new (std::nothrow)
            T_ChooseRedgreen(numeric, {6, 61, 116, 15}, kColouringChooser, v->colouring))
      colouring->SetTitleWidth(60);
    AddCheckbox(numeric, {128, 61, 74, 14}, kBoldBox, kTextBold, v->bold != 0);
    keep(numeric);
  }
  graphicParent = parent;
  graphicAt =
      beside ? XYWH{256, 84, 118, 26} : XYWH{x, y + kNumericFrameHeight + kFrameTitleRoom, 210, 26};
  // The curve view's header is short: a frame that would reach below it goes beside the
  // numeric frame.
  auto* page = dynamic_cast<T_GrafElement*>(parent);
  if (page && graphicAt.y + graphicAt.height > page->height - 2)
    graphicAt = XYWH{x + 216, y, 140, 26};
  UpdateGraphicFrame();
}

void T_CFunc::UpdateGraphicFrame() {
  for (int32_t i = 0; i < panelItemCount; ++i) {
    auto* frame = dynamic_cast<T_Item*>(panelItems[i]);
    if (!frame || frame->id != kCFuncGraphicFrame) continue;
    delete frame;
    std::copy(panelItems + i + 1, panelItems + panelItemCount, panelItems + i);
    --panelItemCount;
    break;
  }
  T_CVariable* v = current;
  if (!v || !graphicParent || viewMode != 4 || !v->shown || panelItemCount >= 16) return;
  const XYWH at = graphicAt;
  T_Frame* graphic = AddFrame(graphicParent, at, kCFuncGraphicFrame, kTextGraphic);
  if (!graphic) return;
  auto* colour = new (std::nothrow)
      T_ChooseColor(graphic, {6, 4, at.width - 14, 15}, kColourChooser, true, v->colour);
  if (colour) {
    colour->SetTitleId(kTextColour);
    colour->SetTitleWidth(at.width < 140 ? 36 : 50);
  }
  panelItems[panelItemCount++] = graphic;
}

bool T_CFunc::DisplayChooserEvent(uint32_t id, T_GrafElement* chooser, ChooserEvent* record) {
  if (id < kSublevelsChooser || id > kSortingFrame) return false;
  const int64_t i = record->index;
  const bool describe = record->code == kChooserDescribe;
  switch (id) {
    case kSublevelsChooser:
      if (describe)
        ChooserEvent_SetText(record, GetString(kTextExclude + static_cast<int32_t>(i)));
      else if (record->code == kChooserChosen && current)
        current->sublevels = static_cast<int32_t>(i);
      break;
    case kDecimalsChooser:
    case kColouringChooser:
    case kSignChooser:
    case kColourChooser:
      // The toolkit's choosers label their own items.
      if (record->code != kChooserChosen || !current) return false;
      if (id == kDecimalsChooser)
        current->decimals = static_cast<T_ChooseDecs*>(chooser)->SelectedCode();
      if (id == kColouringChooser) current->colouring = static_cast<int32_t>(i);
      if (id == kSignChooser) current->signStyle = static_cast<int32_t>(i);
      if (id == kColourChooser)
        current->colour = static_cast<T_ChooseColor*>(chooser)->SelectedColor();
      break;
    case kSortVariableChooser: {
      const std::vector<T_CVariable*> items = SortItems(this);
      if (describe) {
        if (i == 0) {
          T_TextBuf title;
          ViewTitle(&title);
          ChooserEvent_SetText(record, title.data);
        } else if (i < static_cast<int64_t>(items.size()) && items[static_cast<size_t>(i)]) {
          const T_CVariable* v = items[static_cast<size_t>(i)];
          ChooserEvent_SetText(record, v->title && *v->title ? v->title : v->name);
          record->enabled = v->shown;
        } else {
          record->plain = 0;
          record->enabled = 0;
        }
        return true;
      }
      if (record->code != kChooserChosen || i >= static_cast<int64_t>(items.size())) return true;
      T_CVariable* chosen = items[static_cast<size_t>(i)];
      if (i > 0 && !chosen) return true;
      sortVariable = chosen;
      ApplySort();
      ClosePanelPage();
      OpenDisplayPage();
      return true;
    }
    case kSortOrderChooser:
      if (describe) {
        if (sortVariable)
          LabelValueOrderItem(record);
        else
          LabelTreeOrderItem(record);
        return true;
      }
      if (record->code != kChooserChosen) return true;
      (sortVariable ? valueOrder : treeOrder) = static_cast<int32_t>(i);
      ApplySort();
      return true;
    case kCurveStyleChooser:
      if (describe) {
        const char digit[2] = {static_cast<char>('1' + i), 0};
        ChooserEvent_SetText(record, digit);
      } else if (record->code == kChooserChosen) {
        curveStyle = static_cast<int32_t>(i);
      }
      return true;
    case kBarStyleChooser:
      if (describe) {
        ChooserEvent_SetText(record, GetString(kTextBarStyles + static_cast<int32_t>(i)));
        return true;
      }
      if (record->code == kChooserChosen) {
        barStyle = static_cast<int32_t>(i);
        InvalidateGrid();
      }
      return true;
    case kSpacingChooser:
      if (describe) {
        if (i >= 0 && i < 9) ChooserEvent_SetText(record, kSpacingFactors[i]);
        return true;
      }
      if (record->code == kChooserChosen && i >= 0 && i < 9) {
        spacing = static_cast<int32_t>(i);
        UpdateScrollBoxes(true);
        InvalidateGrid();
      }
      return true;
    default:
      return false;
  }
  // A presentation setting: shown at once, no calculation.
  if (record->code == kChooserChosen) {
    if (labels) labels->Layout();
    InvalidateGrid();
  }
  return true;
}

bool T_CFunc::DisplayCheckbox(uint32_t id, bool checked) {
  if (id == kBoldBox && current) {
    current->bold = checked ? 1 : 0;
    BuildFields();
    return true;
  }
  if (id == kBarOptionBox) {
    barOption = checked ? 1 : 0;
    InvalidateGrid();
    return true;
  }
  return false;
}

void T_CFunc::ApplySort() {
  if (calculated && nodeCount > 0) {
    if (sortVariable && sortVariable->column >= 0)
      SortTree(0, treeOrder, valueOrder);
    else
      SortTree(-1, treeOrder, valueOrder);
    RebuildRows();
    UpdateScrollBoxes(true);
  }
  FieldsRebuilt();
  InvalidateGrid();
}

void T_CFunc::FieldsRebuilt() {
  for (T_BoxField* f = firstField; f; f = f->next) {
    auto* field = dynamic_cast<T_CFuncField*>(f);
    if (!field || !field->variable) continue;
    const bool sorted = field->variable == sortVariable;
    field->SetSortIcons(sorted ? (valueOrder < 3 ? kMarkerDescending : kMarkerAscending) : 0, 0);
  }
  // A window that opens in the curve view gets its legend with its first fields.
  if (viewMode == 4 && !labels && titles)
    labels = T_CFuncLabels::Create(this);
  else if (labels)
    labels->Layout();
}

// --- Columns -------------------------------------------------------------------------------------

void T_CFunc::MoveColumn(T_CVariable* variable, T_BoxField* target) {
  auto* field = dynamic_cast<T_CFuncField*>(target);
  if (!variable || !field) return;
  T_CVariable* after;
  if (!field->variable) {
    T_CVariable* first = data.shownList.empty() ? nullptr : data.shownList.front();
    if (first == variable) return;
    after = nullptr;
    for (T_CVariable* v = data.variables; v && v != first; v = v->next) after = v;
  } else if (!field->next) {
    after = data.variables;
    while (after && after->next) after = after->next;
  } else {
    after = field->variable;
  }
  if (after == variable) return;
  // The cells move with their columns, so that the values stay without a new calculation.
  std::vector<int32_t> oldColumn;
  for (T_CVariable* v : data.shownList) oldColumn.push_back(v->column);
  const std::vector<T_CVariable*> oldList = data.shownList;
  CFuncMoveVariable(&data, variable, after);
  CFunc_setupVariables(&data);
  CFuncBuildOrder(&data);
  const size_t columns = oldList.size();
  if (calculated && columns == data.shownList.size() && columns > 0) {
    std::vector<double> cells(columns * 2);
    for (int64_t n = 0; n < nodeCount; ++n) {
      double* c = Cells(n);
      for (size_t k = 0; k < columns; ++k) {
        const auto to = static_cast<size_t>(oldList[k]->column);
        cells[to * 2] = c[oldColumn[k] * 2];
        cells[to * 2 + 1] = c[oldColumn[k] * 2 + 1];
      }
      std::copy(cells.begin(), cells.end(), c);
    }
  }
  BuildFields();
  RebuildModeItems();
  SelectVariable(variable);
  InvalidateGrid();
}

bool T_CFunc::ClickFieldTitle(InputEvent* event, T_BoxField* field) {
  auto* f = dynamic_cast<T_CFuncField*>(field);
  if (!f) return T_StruxWin::ClickFieldTitle(event, field);
  if (!f->variable) {
    SelectModeById(kCFuncModeView);
    return T_StruxWin::ClickFieldTitle(event, field);
  }
  T_CVariable* variable = f->variable;
  SelectVariable(variable);
  if (T_StruxWin::ClickFieldTitle(event, field)) return true;
  if (!event) return true;
  if (GetEffectiveTool(event) == kCFuncToolOpenNode && grid && titles) {
    // The menu belongs to the grid: the title's point in the grid's coordinates.
    InputEvent at = *event;
    at.x += titles->offsetX - grid->offsetX;
    at.y += titles->offsetY - grid->offsetY;
    ShowOpenNodeMenu(variable, -1, &at);
    return true;
  }
  if (!event->leftButton) return true;
  if (T_BoxField* target = TrackColumnTitleDrag(this, event, field)) MoveColumn(variable, target);
  return true;
}

bool T_CFunc::ClickFieldButton(InputEvent* event, T_BoxField* field, const RECT* rect) {
  if (mode != kCFuncModeDisplay) SelectModeById(kCFuncModeDisplay);
  auto* f = dynamic_cast<T_CFuncField*>(field);
  if (!f || !f->variable || f->variable != sortVariable || !TrackTitleClick(event, field))
    return T_StruxWin::ClickFieldButton(event, field, rect);
  valueOrder = (valueOrder + 3) % 6;
  ApplySort();
  if (openPanelPage == kCFuncDisplayPage) {
    ClosePanelPage();
    OpenDisplayPage();
  }
  return true;
}

// --- Mode-box menu -------------------------------------------------------------------------------

bool T_CFunc::OnModeboxMenu(T_GrafElement* box, ContextMenuRecord* record) {
  ModeNode* node = modeBox ? modeBox->SelectedNode() : nullptr;
  T_CVariable* variable = nullptr;
  for (T_CVariable* v = data.variables; v && node; v = v->next)
    if (v->modeItem == node) variable = v;
  const bool overview = node && node->id == kCFuncItemOverview;
  if (!variable && !overview) return T_StruxWin::OnModeboxMenu(box, record);
  switch (record->phase) {
    case kMenuPhaseList: {
      AddFuncVariableEntries(&record->commands, overview);
      uint16_t first = kFuncMenuTimeFunctions;
      if (variable && variable->kind == kVariableSelection) first = kFuncMenuDrillFirst;
      const bool formulaWithoutText =
          variable && variable->kind == kVariableFormula &&
          !(static_cast<T_CFormula*>(variable)->text && *static_cast<T_CFormula*>(variable)->text);
      if (!formulaWithoutText) AddFuncDrillEntries(&record->commands, first);
      return true;
    }
    case kMenuPhaseMeasure:
      if (record->entry == kFuncMenuPaste) {
        char* text = ClipboardReadText();
        record->selectable =
            text && CFuncTextHasVariables(text, static_cast<int32_t>(std::strlen(text)));
        MemFree(text);
      }
      return false;
    case kMenuPhaseRun:
      if (variable) SelectVariable(variable);
      switch (record->entry) {
        case kFuncMenuCut:
          return DoCommand(kCommandCut);
        case kFuncMenuCopy:
          return DoCommand(kCommandCopy);
        case kFuncMenuPaste:
          return DoCommand(kCommandPaste);
        case kFuncMenuErase:
          return DoCommand(kCommandErase);
        case kFuncMenuDuplicate:
          return DoCommand(kCommandDuplicate);
        case kFuncMenuNewSelection:
          return NewVariable(kVariableSelection) != nullptr;
        case kFuncMenuNewFormula:
          return NewVariable(kVariableFormula) != nullptr;
        default:
          if (record->entry >= kFuncMenuDrillFirst && record->entry <= kFuncMenuDrillLast)
            return DoCommand(static_cast<int32_t>(record->entry));
          return false;
      }
    default:
      return false;
  }
}

bool T_CFunc::KeyDown(InputEvent* event, T_GrafElement* target) {
  if (T_StruxWin::KeyDown(event, target)) return true;
  // Delete, or Backspace with the flag, in the mode box erases the variable of its item.
  const bool erase =
      event->keyCode == kKeyDelete || (event->keyCode == kKeyBackspace && event->control);
  if (!erase || !modeBox || target != modeBox || !current ||
      (mode != kCFuncModeSelection && mode != kCFuncModeFormula))
    return false;
  EraseCurrent();
  return true;
}
