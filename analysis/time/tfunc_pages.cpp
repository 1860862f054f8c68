// The time functions window's side panel: the variables' mode-box items, the selection and
// formula pages, the "Axis Limits" and "Options" pages, the period type and time shift
// choosers and the "Move Selection" dialog.
#include "analysis/time/tfunc_pages.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "analysis/components/function_window_utils.h"
#include "analysis/time/tfunc_formula_edit.h"
#include "analysis/time/tfunc_legend.h"
#include "analysis/time/tfunc_window.h"
#include "analysis/time/time_calculation.h"
#include "core/alert.h"
#include "core/owned_text.h"
#include "core/localized_text.h"
#include "core/number_parse.h"
#include "core/number_text.h"
#include "database/base.h"
#include "database/time_scale.h"
#include "ui/button.h"
#include "ui/draw_primitives.h"
#include "ui/item_drawing.h"
#include "ui/edit_field.h"
#include "ui/mode_tree.h"
#include "ui/selection_fields.h"
#include "ui/sort_orders.h"
#include "ui/text_layout.h"
#include "ui/value_choosers.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int32_t kSelectionPicture = 3817;
constexpr int32_t kFormulaPicture = 3818;
constexpr int32_t kMeasureCount = 15;
constexpr int32_t kTextShow = 3109;
constexpr int32_t kTextBold = 3111;
constexpr int32_t kTextNumeric = 3118;
constexpr int32_t kTextDecimals = 3112;
constexpr int32_t kTextColour = 3115;
constexpr int32_t kTextGraphic = 5130;
constexpr int32_t kTextName = 4721;
constexpr int32_t kTextTitle = 1100;
constexpr int32_t kTextSorting = 3600;
constexpr int32_t kTextNormal = 3601;

// The variable pages: the fields start below the name row's line (y 24); the frames' titles
// stand above their rectangles, so the frames start lower; their right edge is 6 pixels inside
// the page of a window of the default width.
constexpr int32_t kPageTop = 28;
constexpr int32_t kFramesLeft = 381;
constexpr int32_t kFramesTop = 42;
// Choosers one under the other stand this far apart, so their frames keep clear.
constexpr int32_t kChooserPitch = 19;

const int32_t kKindOfItem[] = {0, -2, 1, 3, 5, -2, 2, 4, 6, -2};

T_EventHandler* PanelParent(T_TFunc* window) {
  return window->modeItem ? static_cast<T_EventHandler*>(window->modeItem)
                          : static_cast<T_EventHandler*>(window);
}

void Keep(T_TFunc* window, T_GrafElement* item) {
  if (item && window->panelItemCount < 16)
    window->panelItems[window->panelItemCount++] = item;
  else
    delete item;
}

uint32_t IdOf(T_GrafElement* element) {
  auto* item = dynamic_cast<T_Item*>(element);
  return item ? item->id : 0;
}

}  // namespace

// --- Time shift chooser --------------------------------------------------------------------------

int64_t TimeShiftItemOfKind(const TimeShift& shift) {
  static const int64_t kItems[] = {0, 2, 6, 3, 7, 4, 8};
  if (shift.kind >= 0 && shift.kind <= 6) return kItems[shift.kind];
  return shift.kind == 7 && shift.count != 0 ? kShiftItemCustom : 0;
}

int64_t TimeShiftItemCount(const TimeShift& shift) { return shift.count != 0 ? 12 : 11; }

int32_t TimeShiftKindOfItem(const TimeShift& shift, int64_t item) {
  if (item >= 0 && item < 10) return kKindOfItem[item];
  if (item == kShiftItemCustom && shift.count != 0) return 7;
  return -1;
}

void TimeShiftCountText(int32_t count, T_TextBuf* text) {
  TextBufAssign(text, nullptr);
  if (count == 0) return;
  if (count > 0) TextBufAppendChar(text, '+');
  TextBufAppendInt(text, count);
}

TimeShiftChooser::TimeShiftChooser(T_EventHandler* parent, const XYWH& rect, TimeShift* shift)
    : T_Chooser(parent, rect, kTimeShiftChooser, TimeShiftItemCount(*shift),
                TimeShiftItemOfKind(*shift), true),
      shift(shift) {}

void TimeShiftChooser::Refresh() {
  SetItemCount(TimeShiftItemCount(*shift));
  SetSelection(TimeShiftItemOfKind(*shift), kSelectSilent);
  GrafElement_Invalidate(this, 0);
}

void TimeShiftChooser::OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) {
  if (chooser != this || record->code != kChooserDescribe) {
    T_Chooser::OnChooserEvent(chooser, record);
    return;
  }
  const int64_t i = record->index;
  if (i == count - 1) {
    ChooserEvent_SetText(record, GetString(5527));
    return;
  }
  const int32_t kind = TimeShiftKindOfItem(*shift, i);
  if (kind == 7) {
    T_TextBuf text;
    TimeShiftDisplayText(shift, &text);
    ChooserEvent_SetText(record, text.data);
  } else if (kind >= 0) {
    ChooserEvent_SetText(record, GetString(5520 + kind));
  }
}

// --- The "Move Selection" dialog -----------------------------------------------------------------

T_CustomMove::T_CustomMove(T_Window* owner, const TimeShift& from)
    : T_HDialog(kWidth, kHeight, nullptr, owner), shift(from), count(from.count) {
  SetTitleId(kTextMoveSelection);
  edit = new T_Edit(this, XYWH{33, 15, 46, 15}, kCountEdit, true, true);
  T_TextBuf text;
  TimeShiftCountText(count, &text);
  edit->SetText(text.data);
  const int32_t unit = shift.unit >= 0 && shift.unit <= 3 ? shift.unit : 0;
  units = new T_Chooser(this, XYWH{89, 15, 90, 15}, kUnitChooser, 4, unit, true);
  Dialog_AddButtons(this, nullptr, nullptr);
}

void T_CustomMove::OnEditText(T_TextBuf* text, T_GrafElement* field) {
  if (field != edit) {
    T_HDialog::OnEditText(text, field);
    return;
  }
  count = ParseInt(text->data, text->length);
  TimeShiftCountText(count, text);
}

void T_CustomMove::OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) {
  if (chooser != units) {
    T_HDialog::OnChooserEvent(chooser, record);
    return;
  }
  if (record->code == kChooserDescribe && record->index >= 0 && record->index < 4)
    ChooserEvent_SetText(record, GetString(kTextShiftUnits + static_cast<int32_t>(record->index)));
  else if (record->code == kChooserChosen)
    shift.unit = static_cast<int32_t>(record->index);
}

void T_CustomMove::OnButton(T_GrafElement* button) {
  if (Dialog_IsOk(button)) {
    // The edit may still hold text it has not reported.
    T_TextBuf text;
    edit->GetText(&text);
    count = ParseInt(text.data, text.length);
    shift.count = count;
    shift.kind = count != 0 ? 7 : 0;
    Dialog_EndModal(this);
  } else if (Dialog_IsCancel(button)) {
    cancelled = 1;
    Dialog_EndModal(this);
  } else {
    T_HDialog::OnButton(button);
  }
}

bool RunCustomMove(T_Window* owner, TimeShift* shift) {
  T_CustomMove dialog(owner, *shift);
  Dialog_Run(&dialog);
  if (dialog.cancelled) return false;
  *shift = dialog.shift;
  return true;
}

// --- Axis limits ---------------------------------------------------------------------------------

void AxisLimitText(double value, T_TextBuf* text) {
  TextBufAssign(text, nullptr);
  if (!std::isfinite(value)) return;
  char number[kFormatDoubleMax + 1];
  DoubleToStr(number, value);
  TextBufAssign(text, number);
}

double AxisLimitOfText(const char* text) {
  if (!text) return kNaN;
  bool digit = false;
  for (const char* p = text; *p; ++p) digit = digit || (*p >= '0' && *p <= '9');
  const double value = digit ? StrToDouble(text) : kNaN;
  return std::isfinite(value) ? value : kNaN;
}

namespace {

// The limits' fields stand 17 pixels apart; their frames 3 pixels around them keep clear.
constexpr int32_t kLimitFieldHeight = 11;

void AddLimitLabel(T_Frame* frame, int32_t row, int32_t width, int32_t textId) {
  auto* label = new (std::nothrow) T_Text(frame, XYWH{4, 4 + 17 * row, width, 14}, true);
  if (label) label->SetTextId(textId);
}

}  // namespace

T_TTimeLimits::T_TTimeLimits(T_EventHandler* parent, T_TFunc* window)
    : T_Frame(parent, XYWH{8, 16, 187, 41}, kTimeLimitsFrame, true), window(window) {
  SetTitleId(kTextTimeAxis);
  AddLimitLabel(this, 0, 42, kTextFrom);
  AddLimitLabel(this, 1, 42, kTextTo);
  from = new T_EditCID(this, XYWH{50, 5, 130, kLimitFieldHeight}, 32);
  to = new T_EditCID(this, XYWH{50, 22, 130, kLimitFieldHeight}, 33);
  from->BindBound(&window->data.from);
  to->BindBound(&window->data.to);
  EventHandler_Open(from);
  EventHandler_Open(to);
}

T_TValueLimits::T_TValueLimits(T_EventHandler* parent, T_TFunc* window)
    : T_Frame(parent, XYWH{214, 16, 167, 41}, kValueLimitsFrame, true), window(window) {
  SetTitleId(kTextValueAxis);
  T_TextBuf text;
  for (int32_t i = 0; i < 2; ++i) {
    AddLimitLabel(this, i, 56, i == 0 ? kTextMaximum : kTextMinimum);
    edits[i] = new T_Edit(this, XYWH{64, 5 + 17 * i, 96, kLimitFieldHeight},
                          static_cast<uint32_t>(i), true, true);
    AxisLimitText(i == 0 ? window->axisMaximum : window->axisMinimum, &text);
    edits[i]->SetText(text.data);
  }
}

void T_TValueLimits::OnEditText(T_TextBuf* text, T_GrafElement* field) {
  const int32_t i = field == edits[0] ? 0 : field == edits[1] ? 1 : -1;
  if (i < 0) {
    T_Frame::OnEditText(text, field);
    return;
  }
  const double value = AxisLimitOfText(text->data);
  AxisLimitText(value, text);
  double& stored = i == 0 ? window->axisMaximum : window->axisMinimum;
  const bool same = (std::isnan(value) && std::isnan(stored)) || value == stored;
  if (same) return;
  stored = value;
  if (window->InDiagramMode()) {
    window->RebuildDiagram();
    window->InvalidateGrid();
  }
}

// --- Variables in the mode box -------------------------------------------------------------------

void T_TFunc::AddVariableItem(T_TVariable* variable) {
  if (!modeBox || variable->modeNode) return;
  ModeNode* root = modeBox->FindNode(kTFuncVariablesItem);
  if (!root) return;
  // Selections stand before the formulas.
  ModeNode* before = nullptr;
  if (variable->kind == kVariableSelection) {
    for (T_TFormula* f = data.formulas; f && !before; f = f->nextFormula) before = f->modeNode;
  }
  variable->modeNode = AddModeItemWithPicture(
      root, before, nextItemId++,
      variable->kind == kVariableSelection ? kSelectionPicture : kFormulaPicture);
  modeBox->SetExpanded(root, true);
  PlaceSeparatorItem();
}

void T_TFunc::PlaceSeparatorItem() {
  if (!modeBox) return;
  if (ModeNode* old = modeBox->FindNode(kTFuncSeparatorItem)) RemoveModeItem(old);
  ModeNode* root = modeBox->FindNode(kTFuncVariablesItem);
  ModeNode* firstFormula = nullptr;
  for (T_TFormula* f = data.formulas; f && !firstFormula; f = f->nextFormula) firstFormula = f->modeNode;
  bool selections = false;
  for (T_TSelection* s = data.selections; s && !selections; s = s->nextSelection)
    selections = s->modeNode != nullptr;
  if (root && firstFormula && selections) AddModeItem(root, firstFormula, kTFuncSeparatorItem);
}

void T_TFunc::ReloadVariableItems() {
  for (T_TVariable* v = data.variables; v; v = v->next) {
    if (v->modeNode) RemoveModeItem(v->modeNode);
    v->modeNode = nullptr;
  }
  for (T_TSelection* s = data.selections; s; s = s->nextSelection) AddVariableItem(s);
  for (T_TFormula* f = data.formulas; f; f = f->nextFormula) AddVariableItem(f);
}

T_TVariable* T_TFunc::VariableOfItem(int32_t id) const {
  for (T_TVariable* v = data.variables; v; v = v->next) {
    if (v->modeNode && v->modeNode->id == id) return v;
  }
  return nullptr;
}

void T_TFunc::SelectVariable(T_TVariable* variable) {
  if (!variable) return;
  current = variable;
  if (modeBox && variable->modeNode)
    SelectModeItem(variable->modeNode);
  else
    OpenVariablePage(variable);
}

T_TSelection* T_TFunc::NewSelection() {
  T_TSelection* s = TFuncNewSelection(&data, nullptr);
  if (!s) {
    PendingErrorReport();
    return nullptr;
  }
  AddVariableItem(s);
  RebuildCurves();
  MarkNeedsCalc();
  SelectVariable(s);
  return s;
}

T_TFormula* T_TFunc::NewFormula() {
  T_TFormula* f = TFuncNewFormula(&data, nullptr);
  if (!f) {
    PendingErrorReport();
    return nullptr;
  }
  AddVariableItem(f);
  RebuildCurves();
  MarkNeedsCalc();
  SelectVariable(f);
  return f;
}

bool T_TFunc::EraseVariable(T_TVariable* variable) {
  if (!variable) return false;
  ModeNode* node = variable->modeNode;
  bool stale = false;
  const bool wasLastSelection = variable->kind == kVariableSelection && data.selectionCount == 1;
  // The page goes first: its fields point into the variable.
  ClosePages();
  if (!TFuncErase(&data, variable, &stale)) {
    OpenVariablePage(variable);
    return false;
  }
  if (wasLastSelection) {
    current = variable;
  } else {
    if (node) RemoveModeItem(node);
    PlaceSeparatorItem();
    if (current == variable) current = data.variables;
    if (order.sortVariable == variable) order.sortVariable = nullptr;
  }
  RebuildCurves();
  if (stale) MarkNeedsCalc();
  if (modeBox) GrafElement_Invalidate(modeBox, 0);
  SelectVariable(current);
  return true;
}

void T_TFunc::EraseAllVariables() {
  ClosePages();
  for (T_TVariable* v = data.variables; v; v = v->next) {
    if (v->modeNode) RemoveModeItem(v->modeNode);
    v->modeNode = nullptr;
  }
  order.sortVariable = nullptr;
  current = TFuncEraseAll(&data);
  ReloadVariableItems();
  RebuildCurves();
  MarkNeedsCalc();
  SelectVariable(current);
}

// --- Pages ---------------------------------------------------------------------------------------

void T_TFunc::ClosePages() {
  SetModeItemFlag(false);
  DeleteSelectionEdits();
  ClosePanelPage();
  shiftChooser = nullptr;
  nameEdit = nullptr;
  pageMode = -1;
}

namespace {

void AddNameRow(T_TFunc* window, T_EventHandler* parent, T_TVariable* v) {
  auto* name = new (std::nothrow) T_Edit(parent, XYWH{60, 5, 100, 13}, kVariableNameEdit, true, true);
  if (name) name->SetText(v->name ? v->name : "");
  window->nameEdit = name;
  Keep(window, name);
  auto* title = new (std::nothrow) T_Edit(parent, XYWH{210, 5, 150, 13}, kTitleEdit, true, true);
  if (title) title->SetText(v->title ? v->title : "");
  Keep(window, title);
  auto* show = new (std::nothrow) T_Checkbox(parent, {370, 5, 70, 14}, kVariableShowBox, true);
  if (show) {
    show->SetLabelId(kTextShow);
    show->SetChecked(v->shown != 0);
  }
  Keep(window, show);
}

void AddPresentationFrames(T_TFunc* window, T_EventHandler* parent, T_TVariable* v, int32_t x,
                           int32_t y) {
  auto* numeric = new (std::nothrow) T_Frame(parent, {x, y, 170, 80}, kNumericFrame, true);
  if (numeric) {
    numeric->SetTitleId(kTextNumeric);
    auto* decimals =
        new (std::nothrow) T_ChooseDecs(numeric, {6, 6, 156, 15}, kDecimalsChooser, 0, v->decimals);
    if (decimals) decimals->SetTitleId(kTextDecimals);
    new (std::nothrow) T_ChooseRedgreen(numeric, {6, 25, 156, 15}, kColouringChooser, v->colouring);
    new (std::nothrow) T_ChooseNegval(numeric, {6, 44, 156, 15}, kSignChooser, v->signStyle);
    auto* bold = new (std::nothrow) T_Checkbox(numeric, {6, 63, 76, 14}, kBoldBox, true);
    if (bold) {
      bold->SetLabelId(kTextBold);
      bold->SetChecked(v->bold != 0);
    }
    auto* totals = new (std::nothrow) T_Checkbox(numeric, {88, 63, 76, 14}, kTotalsBox, true);
    if (totals) {
      totals->SetLabelId(kTextTotalsBox);
      totals->SetChecked(v->totals != 0);
    }
  }
  Keep(window, numeric);
  auto* graphic = new (std::nothrow) T_Frame(parent, {x, y + 100, 170, 58}, kGraphicFrame, true);
  if (graphic) {
    graphic->SetTitleId(kTextGraphic);
    auto* colour =
        new (std::nothrow) T_ChooseColor(graphic, {6, 6, 156, 15}, kColourChooser, true, v->colour);
    if (colour) colour->SetTitleId(kTextColour);
    if (v->kind == kVariableFormula) {
      new (std::nothrow)
          T_Chooser(graphic, {6, 25, 76, 15}, kDiagramFormChooser, 3, v->DiagramForm(), true);
    }
    if (v->DiagramForm() == 1) {
      new (std::nothrow)
          T_Chooser(graphic, {88, 25, 74, 15}, kLineStyleChooser, 6,
                    v->lineStyle >= 1 && v->lineStyle <= 6 ? v->lineStyle - 1 : 0, true);
    }
  }
  Keep(window, graphic);
}

}  // namespace

void T_TFunc::OpenVariablePage(T_TVariable* variable) {
  ClosePages();
  if (!variable) return;
  current = variable;
  T_EventHandler* parent = PanelParent(this);
  AddNameRow(this, parent, variable);
  if (variable->kind == kVariableSelection) {
    // Three columns fit the default width: the dimensions with their labels, the bounds, texts,
    // notes, value conditions and subset with theirs, the presentation frames; the measure's
    // choosers stand under the last dimension, clear of the second column's labels.
    auto* s = static_cast<T_TSelection*>(variable);
    // The header fields and their labels are the selection page's from the start.
    pageMode = kTFuncModeSelection;
    if (modeItem) header.headerParent = modeItem;
    CreateDimensionEdits(XYWH{75, kPageTop, 105, 12});
    CreateFromToEdits(XYWH{kTFuncPageTextEdits, kPageTop, 120, 12}, kHeaderFrom);
    CreateCardTitleEdit(XYWH{kTFuncPageTextEdits, kPageTop + 38, 120, 12}, kHeaderCardTitle);
    CreateLineTextEdit(XYWH{kTFuncPageTextEdits, kPageTop + 55, 120, 12}, kHeaderLineText);
    CreateNotesEdit(XYWH{kTFuncPageTextEdits, kPageTop + 72, 120, 12}, kHeaderNotes);
    CreateValueEdits(XYWH{kTFuncPageTextEdits, kPageTop + 89, 120, 12}, kTFuncValueEditFirst);
    // A little apart from the value rows, where its label stands.
    CreateSubsetEdit(XYWH{kTFuncPageTextEdits, kPageTop + 110, 120, 12}, kHeaderSubset);
    ShowSelection(&s->selection);
    SetModeItemFlag(true);
    int32_t dimensions = 0;
    for (int32_t d = 0; d < kMaxDimensions; ++d)
      if (Database_HasSubComponents(database, d)) ++dimensions;
    constexpr int32_t kWidth = kTFuncPageTextLabels - 13;
    int32_t y = kPageTop + 2 + kHeaderRowPitch * dimensions;
    auto* value = new (std::nothrow) T_ChooseValue(parent, {5, y, kWidth, 15}, kValueColumnChooser,
                                                   database, s->valueColumn);
    if (value) y += kChooserPitch;
    Keep(this, value);
    Keep(this, new (std::nothrow) T_Chooser(parent, {5, y, kWidth, 15}, kMeasureChooser,
                                            kMeasureCount, s->measure, true));
    Keep(this, new (std::nothrow) T_Chooser(parent, {5, y + kChooserPitch, kWidth, 15},
                                            kAccumulationChooser, 2, s->accumulation, true));
    shiftChooser = new (std::nothrow)
        TimeShiftChooser(parent, {5, y + 2 * kChooserPitch, kWidth, 15}, &s->shift);
    Keep(this, shiftChooser);
    AddPresentationFrames(this, parent, variable, kFramesLeft, kFramesTop);
    pageMode = kTFuncModeSelection;
  } else {
    auto* f = static_cast<T_TFormula*>(variable);
    auto* edit = new (std::nothrow) T_TFormulaEdit(parent, {60, 32, 270, 36}, this, f);
    Keep(this, edit);
    Keep(this, new (std::nothrow) T_Chooser(parent, {60, 76, 160, 15}, kOperationChooser, 5,
                                            f->operation, true));
    AddPresentationFrames(this, parent, variable, kFramesLeft, kFramesTop);
    pageMode = kTFuncModeFormula;
  }
  openPanelPage = variable->kind == kVariableSelection ? kTFuncModeSelection : kTFuncModeFormula;
}

void T_TFunc::OpenAxisLimitsPage() {
  ClosePages();
  T_EventHandler* parent = PanelParent(this);
  Keep(this, new (std::nothrow) T_TTimeLimits(parent, this));
  Keep(this, new (std::nothrow) T_TValueLimits(parent, this));
  pageMode = kTFuncModeAxisLimits;
  openPanelPage = kTFuncAxisLimitsItem;
}

void T_TFunc::OpenOptionsPage() {
  ClosePages();
  T_EventHandler* parent = PanelParent(this);
  const struct {
    uint32_t id;
    int32_t text;
    uint8_t on;
  } boxes[] = {{kShowBeforeBox, kTextShowBefore, data.showBefore},
               {kCardTitlesBox, kTextShowCardTitles, labelOptions.cardTitles},
               {kEndDatesBox, kTextEndDatesOnly, labelOptions.endDatesOnly}};
  int32_t y = 8;
  for (const auto& b : boxes) {
    auto* box = new (std::nothrow) T_Checkbox(parent, {8, y, 190, 14}, b.id, true);
    if (box) {
      box->SetLabelId(b.text);
      box->SetChecked(b.on != 0);
    }
    Keep(this, box);
    y += 18;
  }
  auto* sorting = new (std::nothrow) T_Frame(parent, {214, 16, 180, 44}, 86, true);
  if (sorting) {
    sorting->SetTitleId(kTextSorting);
    int64_t variableItem = 0, i = 1;
    for (T_TVariable* v = data.variables; v; v = v->next, ++i)
      if (v == order.sortVariable) variableItem = i;
    new (std::nothrow)
        T_Chooser(sorting, {6, 4, 164, 15}, kSortVariableChooser, i, variableItem, true);
    new (std::nothrow) T_Chooser(sorting, {6, 4 + kChooserPitch, 164, 15}, kSortModeChooser,
                                 order.sortVariable ? 6 : 3,
                                 order.sortVariable ? order.valueOrder : order.mode, true);
  }
  Keep(this, sorting);
  auto* bars = new (std::nothrow) T_Chooser(parent, {8, 64, 190, 15}, kBarModeChooser, 5, barMode,
                                            true);
  if (bars) bars->SetTitleId(kTextBars);
  Keep(this, bars);
  pageMode = kTFuncModeOptions;
  openPanelPage = kTFuncOptionsItem;
}

void T_TFunc::RefreshShiftChooser() {
  if (auto* chooser = dynamic_cast<TimeShiftChooser*>(shiftChooser)) chooser->Refresh();
}

void T_TFunc::ChooseTimeShift(T_TSelection* selection, int64_t item) {
  const int32_t kind = TimeShiftKindOfItem(selection->shift, item);
  if (kind == -2) return;
  if (kind == -1) {
    if (!RunCustomMove(this, &selection->shift)) {
      RefreshShiftChooser();
      return;
    }
  } else {
    selection->shift.kind = kind;
  }
  RefreshShiftChooser();
  VariableChanged(selection, true);
}

void T_TFunc::VariableChanged(T_TVariable* variable, bool recalc) {
  if (T_TFuncCurve* curve = CurveOfVariable(variable)) {
    TFuncSeriesFromVariable(&curve->series, variable);
    curve->InvalidateColumn();
  }
  if (labels) labels->Layout();
  if (recalc) MarkNeedsCalc();
}

// --- Events of the pages -------------------------------------------------------------------------

void T_TFunc::OnModeboxEvent(T_GrafElement* box, ModeboxEvent* record) {
  const int32_t id = record->nodeId;
  T_TVariable* variable = id >= kTFuncVariableItemFirst ? VariableOfItem(id) : nullptr;
  const bool own = variable || id == kTFuncVariablesItem || id == kTFuncAxisLimitsItem ||
                   id == kTFuncOptionsItem || id == kTFuncSeparatorItem;
  if (!own) {
    if (record->code == kModeChosen) {
      DeleteSelectionEdits();
      pageMode = -1;
    }
    T_TSWin::OnModeboxEvent(box, record);
    return;
  }
  if (record->code == kModeDescribe) {
    const char* text = variable ? (variable->name ? variable->name : "")
                       : id == kTFuncSeparatorItem ? ""
                                                   : GetString(id);
    ModeboxEvent_SetText(record, text);
    return;
  }
  if (record->code != kModeChosen || id == kTFuncSeparatorItem) return;
  if (variable) {
    OpenVariablePage(variable);
  } else if (id == kTFuncAxisLimitsItem) {
    OpenAxisLimitsPage();
  } else if (id == kTFuncOptionsItem) {
    OpenOptionsPage();
  } else {
    ClosePages();
    pageMode = kTFuncModeVariables;
    openPanelPage = kTFuncVariablesItem;
  }
}

void T_TFunc::OnEditText(T_TextBuf* text, T_GrafElement* field) {
  const uint32_t id = IdOf(field);
  T_TVariable* v = current;
  const bool page = pageMode == kTFuncModeSelection || pageMode == kTFuncModeFormula;
  if (page && v && id == kVariableNameEdit) {
    if (!TFuncRename(&data, v, text->data)) {
      TextBufAssign(text, v->name);
      return;
    }
    TextBufAssign(text, v->name);
    if (modeBox) GrafElement_Invalidate(modeBox, 0);
    if (T_TFuncCurve* curve = CurveOfVariable(v); curve && !(v->title && *v->title))
      curve->SetTitleText(v->name);
    VariableChanged(v, false);
    return;
  }
  if (page && v && id == kTitleEdit) {
    const char* now = v->title ? v->title : "";
    if (std::strcmp(now, text->data) == 0) return;
    if (!BlockTextAssign(&v->title, text->data)) {
      PendingErrorOutOfMemory();
      PendingErrorReport();
      return;
    }
    if (T_TFuncCurve* curve = CurveOfVariable(v)) curve->SetTitleText(*text->data ? v->title : v->name);
    VariableChanged(v, false);
    InvalidateGrid();
    return;
  }
  if (pageMode == kTFuncModeFormula && v && id == kFormulaEditId) {
    auto* f = static_cast<T_TFormula*>(v);
    TFuncSetFormulaText(&data, f, text->data);
    TextBufAssign(text, f->text);
    MarkNeedsCalc();
    return;
  }
  T_TSWin::OnEditText(text, field);
  // A selection field of the page changed: the results are out of date.
  if (pageMode == kTFuncModeSelection && (id < 300 || IsHeaderEdit(field))) MarkNeedsCalc();
  if (id == 32 || id == 33) MarkNeedsCalc();
}

void T_TFunc::OnCheckbox(T_GrafElement* element) {
  auto* box = dynamic_cast<T_Checkbox*>(element);
  const uint32_t id = box ? box->id : 0;
  const uint8_t on = box && box->checked ? 1 : 0;
  T_TVariable* v = current;
  switch (id) {
    case kVariableShowBox:
      if (!v) break;
      v->shown = on;
      RebuildCurves();
      MarkNeedsCalc();
      return;
    case kBoldBox:
      if (!v) break;
      v->bold = on;
      if (T_TFuncCurve* curve = CurveOfVariable(v)) curve->SetFontStyle(on ? 1 : 0);
      InvalidateGrid();
      return;
    case kTotalsBox:
      if (!v) break;
      v->totals = on;
      data.totalsWanted = 0;
      for (T_TVariable* s = data.shownList; s; s = s->nextShown) data.totalsWanted |= s->totals;
      if (data.periodCount >= 2) FillTotals(&data);
      RefreshRows();
      return;
    case kShowBeforeBox:
      data.showBefore = on;
      if (data.periodCount >= 2 && data.totalsWanted) FillTotals(&data);
      RefreshRows();
      return;
    case kCardTitlesBox:
      labelOptions.cardTitles = on;
      if (labelField) labelField->InvalidateColumn();
      return;
    case kEndDatesBox:
      labelOptions.endDatesOnly = on;
      if (labelField) labelField->InvalidateColumn();
      return;
    default:
      break;
  }
  T_TSWin::OnCheckbox(element);
}

void T_TFunc::OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) {
  const uint32_t id = IdOf(chooser);
  const bool describe = record->code == kChooserDescribe;
  const int64_t i = record->index;
  T_TVariable* v = current;
  auto* s = v && v->kind == kVariableSelection ? static_cast<T_TSelection*>(v) : nullptr;
  auto* f = v && v->kind == kVariableFormula ? static_cast<T_TFormula*>(v) : nullptr;
  if (chooser == periodChooser) {
    if (describe) {
      if (i < 16) ChooserEvent_SetText(record, PeriodTypeText(static_cast<int32_t>(i)));
      else if (i > 16 && database) {
        TimeScale* scale = database->GetTimeScaleAt(i - 17);
        if (scale) ChooserEvent_SetText(record, scale->name);
      }
      return;
    }
    if (record->code != kChooserChosen) return;
    if (i < 16) SetPeriodType(static_cast<int32_t>(i), nullptr);
    else if (i > 16 && database) SetPeriodType(kPeriodTimeScale, database->GetTimeScaleAt(i - 17));
    return;
  }
  switch (id) {
    case kMeasureChooser:
      if (describe) {
        ChooserEvent_SetText(record, GetString(5307 + static_cast<int32_t>(i)));
        record->enabled = i != 2;
      } else if (record->code == kChooserChosen && s && i != 2) {
        s->measure = static_cast<int32_t>(i);
        VariableChanged(s, true);
      }
      return;
    case kAccumulationChooser:
      if (describe)
        ChooserEvent_SetText(record, GetString(kTextByPeriod + static_cast<int32_t>(i)));
      else if (record->code == kChooserChosen && s) {
        s->accumulation = static_cast<int32_t>(i);
        VariableChanged(s, true);
      }
      return;
    case kValueColumnChooser:
      if (record->code == kChooserChosen && s) {
        s->valueColumn = static_cast<int32_t>(i);
        VariableChanged(s, true);
      } else {
        T_TSWin::OnChooserEvent(chooser, record);
      }
      return;
    case kTimeShiftChooser:
      if (record->code == kChooserChosen && s) ChooseTimeShift(s, i);
      return;
    case kOperationChooser:
      if (describe)
        ChooserEvent_SetText(record, GetString(kTextOperations + static_cast<int32_t>(i)));
      else if (record->code == kChooserChosen && f) {
        f->operation = static_cast<int32_t>(i);
        VariableChanged(f, true);
      }
      return;
    case kDiagramFormChooser:
      if (describe)
        ChooserEvent_SetText(record, GetString(kTextDiagramForms + static_cast<int32_t>(i)));
      else if (record->code == kChooserChosen && f) {
        f->diagramForm = static_cast<int32_t>(i);
        VariableChanged(f, false);
        if (InDiagramMode()) RebuildDiagram();
      }
      return;
    case kLineStyleChooser:
      if (describe) {
        char digit[2] = {static_cast<char>('1' + i), 0};
        ChooserEvent_SetText(record, digit);
      } else if (record->code == kChooserChosen && v) {
        v->lineStyle = static_cast<int32_t>(i) + 1;
        VariableChanged(v, false);
      }
      return;
    case kDecimalsChooser:
    case kColouringChooser:
    case kSignChooser:
    case kColourChooser:
      if (record->code != kChooserChosen || !v) {
        T_TSWin::OnChooserEvent(chooser, record);
        return;
      }
      if (id == kDecimalsChooser) v->decimals = static_cast<T_ChooseDecs*>(chooser)->SelectedCode();
      if (id == kColouringChooser) v->colouring = static_cast<int32_t>(i);
      if (id == kSignChooser) v->signStyle = static_cast<int32_t>(i);
      if (id == kColourChooser) v->colour = static_cast<T_ChooseColor*>(chooser)->SelectedColor();
      VariableChanged(v, false);
      InvalidateGrid();
      return;
    case kSortVariableChooser: {
      if (describe) {
        if (i == 0) {
          ChooserEvent_SetText(record, GetString(kTextPeriod));
          return;
        }
        int64_t n = 1;
        for (T_TVariable* w = data.variables; w; w = w->next, ++n) {
          if (n != i) continue;
          ChooserEvent_SetText(record, w->title && *w->title ? w->title : w->name);
          record->enabled = w->shown;
        }
        return;
      }
      if (record->code != kChooserChosen) return;
      T_TVariable* chosen = nullptr;
      int64_t n = 1;
      for (T_TVariable* w = data.variables; w && i > 0; w = w->next, ++n)
        if (n == i) chosen = w;
      order.sortVariable = chosen;
      RefreshRows();
      OpenOptionsPage();
      return;
    }
    case kSortModeChooser:
      if (describe) {
        if (order.sortVariable) {
          LabelValueOrderItem(record);
        } else if (i < 2) {
          ChooserEvent_SetText(record, GetString(kTextNormal + static_cast<int32_t>(i)));
        } else {
          const bool scale = data.periodType == kPeriodTimeScale;
          ChooserEvent_SetText(record, GetString(scale ? kTextPeriodName : kTextCardTitle));
          record->enabled = data.periodType >= kPeriodActiveCards;
        }
        return;
      }
      if (record->code != kChooserChosen) return;
      if (order.sortVariable)
        order.valueOrder = static_cast<int32_t>(i);
      else
        order.mode = static_cast<int32_t>(i);
      RefreshRows();
      return;
    case kBarModeChooser:
      if (describe) {
        ChooserEvent_SetText(record, GetString(kTextBarModes + static_cast<int32_t>(i)));
        return;
      }
      if (record->code == kChooserChosen && i >= kBarsSideBySide && i <= kBarsStacked)
        SetBarMode(static_cast<int32_t>(i));
      return;
    default:
      T_TSWin::OnChooserEvent(chooser, record);
      return;
  }
}

void T_TFunc::SetBarMode(int32_t mode) {
  if (mode == barMode) return;
  barMode = mode;
  // Stacking draws the running sums, so the value range changes with the mode.
  if (!InDiagramMode()) return;
  RebuildDiagram();
  InvalidateGrid();
}

void T_TFunc::OnButton(T_GrafElement* button) { T_TSWin::OnButton(button); }

void T_TFunc::DrawModeItem() {
  T_TSWin::DrawModeItem();
  if (pageMode != kTFuncModeSelection && pageMode != kTFuncModeFormula) return;
  RECT name{5, 6, 57, 18};
  TextDrawIdInRect(&name, kTextName);
  RECT title{165, 6, 210, 18};
  TextDrawIdInRect(&title, kTextTitle);
  DrawHLine(0, 24, modeItem ? modeItem->width : width);
  if (pageMode == kTFuncModeFormula) {
    RECT formula{6, 32, 58, 44};
    TextDrawIdInRect(&formula, 3130);
  }
}
