// The time functions window: construction from its template, the columns, the row texts, the
// calculation, change notes, saving back into the template and the commands. The pages and the
// variables' mode-box items are in tfunc_pages.cpp, the legend in tfunc_legend.cpp.
#include "analysis/time/tfunc_window.h"

#include <cmath>
#include <cstring>

#include "analysis/boxwin/box_output.h"
#include "analysis/boxwin/box_panel.h"
#include "analysis/components/function_templates.h"
#include "analysis/time/tfunc_diagram.h"
#include "analysis/time/tfunc_drill.h"
#include "analysis/time/tfunc_export.h"
#include "analysis/time/tfunc_legend.h"
#include "analysis/time/tfunc_settings.h"
#include "analysis/time/time_calculation.h"
#include "core/alert.h"
#include "core/localized_text.h"
#include "core/memory.h"
#include "core/message_pump.h"
#include "core/threads.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "database/time_scale.h"
#include "ui/busy_indicator.h"
#include "ui/chooser.h"
#include "ui/graphics_port.h"
#include "ui/mode_tree.h"
#include "ui/popup_menu.h"
#include "ui/value_choosers.h"
#include "ui/window_utilities.h"

namespace {

const uint16_t kGridTools[] = {kToolRange, kTFuncToolDrill, 0};
const uint16_t kDiagramTools[] = {4200, 4201, kTFuncToolDrill, 0};
const uint16_t kViews[] = {kCommandGridView, kCommandDiagramView, 0};
constexpr uint32_t kToolSelectorId = 4018;
constexpr uint32_t kViewSelectorId = 4019;
constexpr int32_t kLabelWidthDefault = 136;

const RECT* TemplateRect(T_TFuncTmpl* templ) {
  static RECT rect;
  rect = templ->GetWindowRect(kTFuncDefaultWidth, kTFuncDefaultHeight);
  return &rect;
}

const char* VariableTitle(const T_TVariable* v) {
  return v->title && *v->title ? v->title : (v->name ? v->name : "");
}

}  // namespace

T_TFunc* AsTFuncWindow(T_EventHandler* element) { return dynamic_cast<T_TFunc*>(element); }

// --- Curve fields --------------------------------------------------------------------------------

T_TFuncCurve::T_TFuncCurve(T_BoxWin* window, T_TVariable* variable) : T_BoxField(window) {
  TFuncSeriesFromVariable(&series, variable);
}

T_TFuncCurve::~T_TFuncCurve() {
  if (series.variable && series.variable->field == this) series.variable->field = nullptr;
}

// --- Construction --------------------------------------------------------------------------------

T_TFunc::T_TFunc(T_TFuncTmpl* templ, uint32_t flags)
    : T_TSWin(kWindowTimeFunctions, TemplateRect(templ), templ, kTFuncHelpId, templ->database,
              flags) {
  TFuncDataInit(&data, database);
  data.window = this;
  if (!TFuncReadTemplate(&data, &order, templ)) PendingErrorReport();
  labelOptions.cardTitles = templ->cardTitles;
  labelOptions.endDatesOnly = templ->endDatesOnly;
  axisMaximum = templ->axisMax;
  axisMinimum = templ->axisMin;
  layout.flags = templ->flags;
  gridTool = templ->nTool;
  diagramTool = templ->gTool;
  barMode = templ->lSetting >= kBarsSideBySide && templ->lSetting <= kBarsStacked
                ? templ->lSetting
                : kBarsSteps;
  labelWidth = templ->labelWidth >= 24 ? templ->labelWidth : kLabelWidthDefault;
  if (viewMode > 1) viewMode = 1;
  periodKind = data.periodType;
  periodScale = data.timeScale;

  CreateToolbar();
  CreateCalcButton(kTFuncCalcButtonId);
  CreateBusyIndicator();
  const bool diagram = InDiagramMode();
  CreateToolSelector(170, kToolSelectorId, diagram ? kDiagramTools : kGridTools,
                     static_cast<uint16_t>(diagram ? diagramTool : gridTool));
  NewToolSelector(kViewSelectorId, kViews, diagram ? kCommandDiagramView : kCommandGridView);
  CreateModeBox(120, GetDefaultHeaderHeight());
  AddModeItem(nullptr, nullptr, kTFuncVariablesItem);
  AddModeItemWithPicture(nullptr, nullptr, kTFuncAxisLimitsItem, 3810);
  AddModeItemWithPicture(nullptr, nullptr, kTFuncOptionsItem, 3820);
  AddPanelPageItems(this);
  headerSplitter = titleSplitter = headerButtons = 1;
  minTitleHeight = 19;
  // A template without a header height takes the default (the base's fallback for 0).
  CreateGridItems(templ->headerHeight ? std::max<int32_t>(templ->headerHeight, 21) : 0,
                  templ->titleHeight >= 19 ? templ->titleHeight : 19, 0);
  SetSelectMode(kSelectRange);

  const int32_t chooserWidth = (labelWidth < 24 ? 85 : labelWidth) + 1;
  T_EventHandler* chooserParent = titles ? static_cast<T_EventHandler*>(titles) : this;
  periodChooser = new (std::nothrow) T_Chooser(chooserParent, XYWH{3, 2, chooserWidth, 15},
                                               kPeriodTypeChooserId, 16, 0, true);
  RecountPeriodChooser();
  RECT rect{3, 1, 3 + labelWidth, 13};
  labelField = AddField(&rect, 0);
  if (labelField && periodChooser) labelField->LinkToItem(periodChooser);

  for (T_TVariable* v = data.variables; v; v = v->next) AddVariableItem(v);
  T_TVariable* focus = nullptr;
  if (templ->focus) focus = TFuncFindVariable(&data, templ->focus->name);
  current = focus ? focus : data.variables;
  RebuildCurves();
  MakeTitle(nullptr);
  BuildFormulaNames(&data);
}

T_TFunc::~T_TFunc() {
  ClosePages();
  delete labels;
  labels = nullptr;
  // The fields go with the base; they must not point at variables meanwhile freed.
  for (T_BoxField* f = firstField; f; f = f->next) {
    if (auto* curve = dynamic_cast<T_TFuncCurve*>(f)) curve->series.variable = nullptr;
  }
  TFuncFreeRowOrder(&order);
  TFuncDataFree(&data);
}

T_HWindow* OpenTimeFunctionsWindow(T_Template* templ, T_Template*, int32_t flags) {
  T_TFuncTmpl* t = AsTimeFunctionsTemplate(templ);
  if (!t || !MemCanAlloc(kTFuncOpenReserve)) return nullptr;
  auto* window = new (std::nothrow) T_TFunc(t, static_cast<uint32_t>(flags));
  if (!window) return nullptr;
  EventHandler_Open(window);
  return window;
}

int32_t T_TFunc::GetDefaultHeaderHeight() {
  int32_t height = CalcHeaderHeight(InDiagramMode() ? 129 : 182);
  if (database && database->valueCount >= 2) height += 19;
  return height + 25;
}

int64_t T_TFunc::GetMemoryUsage() { return PagedArrayMemSize(&data.periods) + 44000; }

bool T_TFunc::HasHeaderField(int32_t id) {
  // Only the selection page has header fields.
  return pageMode == kTFuncModeSelection && T_TSWin::HasHeaderField(id);
}

// --- Columns -------------------------------------------------------------------------------------

void T_TFunc::RebuildCurves() {
  while (labelField && labelField->next) {
    T_BoxField* field = labelField->next;
    if (auto* curve = dynamic_cast<T_TFuncCurve*>(field)) {
      if (curve->series.variable) curve->series.variable->width = field->Width();
    }
    DeleteBoxField(&field);
  }
  int32_t x = labelField ? labelField->column.right : 3;
  for (T_TVariable* v = data.variables; v; v = v->next) {
    v->field = nullptr;
    if (!v->shown) continue;
    auto* curve = new (std::nothrow) T_TFuncCurve(this, v);
    if (!curve) {
      PendingErrorOutOfMemory();
      PendingErrorReport();
      break;
    }
    const int32_t width = BuiltFieldWidth(v->width, kMinFieldWidth, 64);
    RECT rect{x + 3, 1, x + 3 + width, 13};
    curve->AppendToWindow(&rect);
    curve->SetTitleText(VariableTitle(v));
    curve->SetAlignment(kStyleRight);
    if (v->bold) curve->SetFontStyle(1);
    if (order.sortVariable == v)
      curve->SetSortIcons(order.valueOrder < 3 ? kMarkerDescending : kMarkerAscending, 0);
    v->field = curve;
    x = rect.right;
  }
  if (labels) labels->Layout();
  InvalidateGrid();
}

T_TFuncCurve* T_TFunc::CurveOfVariable(const T_TVariable* variable) const {
  for (T_BoxField* f = firstField; f; f = f->next) {
    auto* curve = dynamic_cast<T_TFuncCurve*>(f);
    if (curve && curve->series.variable == variable) return curve;
  }
  return nullptr;
}

void T_TFunc::OnFieldWidthChanged(T_BoxField* field, int32_t change) {
  T_TSWin::OnFieldWidthChanged(field, change);
  if (auto* curve = dynamic_cast<T_TFuncCurve*>(field)) {
    if (curve->series.variable) curve->series.variable->width = field->Width();
  } else if (field == labelField) {
    labelWidth = field->Width();
    if (labels) labels->Layout();
  }
}

void T_TFunc::MoveColumn(T_TVariable* variable, T_BoxField* target) {
  if (!variable) return;
  T_TVariable* before = nullptr;
  for (T_BoxField* f = target ? target->next : nullptr; f && !before; f = f->next) {
    if (auto* curve = dynamic_cast<T_TFuncCurve*>(f)) before = curve->series.variable;
  }
  if (before == variable) return;
  TFuncMoveVariable(&data, variable, before);
  SelectVariable(variable);
  RebuildCurves();
  MarkNeedsCalc();
}

// --- Rows ----------------------------------------------------------------------------------------

void T_TFunc::FormatRow(RowTextPool* pool, int64_t row) {
  if (row < 0 || row >= rowCount) return;
  const int64_t entry = TFuncRowEntry(&data, &order, row);
  if (entry < 0 || entry >= data.periodCount) return;
  T_TextBuf text;
  if (labelField) {
    TFuncRowLabel(&data, entry, labelOptions, &text);
    PutCellText(pool, labelField, text.data);
  }
  const TFuncEntry* e = TFuncEntryAt(&data, entry);
  for (T_BoxField* f = labelField ? labelField->next : nullptr; f; f = f->next) {
    auto* curve = dynamic_cast<T_TFuncCurve*>(f);
    const T_TVariable* v = curve ? curve->series.variable : nullptr;
    if (!v || v->column < 0 || v->column >= data.columnCount) continue;
    if (entry == kEntryTotals && !v->totals) continue;
    const double value = e->values[v->column];
    if (!std::isfinite(value)) continue;
    PutNumberText(pool, f, value, v->decimals, v->signStyle, true);
    if (v->colouring) f->cellColour = ValueColorIndex(value, v->colouring);
  }
}

void T_TFunc::RefreshRows() {
  if (!TFuncSortRows(&data, &order)) PendingErrorReport();
  rowCount = TFuncRowCount(&data);
  for (T_BoxField* f = firstField; f; f = f->next) {
    auto* curve = dynamic_cast<T_TFuncCurve*>(f);
    if (!curve) continue;
    const bool sorted = order.sortVariable && curve->series.variable == order.sortVariable;
    curve->SetSortIcons(sorted ? (order.valueOrder < 3 ? kMarkerDescending : kMarkerAscending) : 0,
                        0);
  }
  UpdateScrollBoxes(true);
  InvalidateGrid();
}

bool T_TFunc::IsEmpty() { return TFuncIsEmpty(&data); }

// --- Calculation ---------------------------------------------------------------------------------

void T_TFunc::RunCalculation(bool, bool) { CalculateNow(); }

bool T_TFunc::CalculateNow() {
  ClearCellSelection();
  // The columns follow the variables shown now, so that field and column agree after the walk.
  RebuildCurves();
  T_TVariable* failed = nullptr;
  const int32_t result = CalculateTimeFunctions(&data, dynamic_cast<T_BusyIndicator*>(busyIndicator),
                                                &failed);
  if (result != kCalcStarted) {
    if (failed) SelectVariable(failed);
    if (result == kMsgNegativePeriod) {
      if (modeBox) SelectModeById(kTFuncAxisLimitsItem);
      else OpenAxisLimitsPage();
    } else if (PendingError.request.message) {
      PendingErrorReport();
    }
    SetCalcButtonEnabled(true);
    return false;
  }
  if (data.outOfMemory) PendingErrorReport();
  calculated = 1;
  periodKind = data.typeInForce;
  periodScale = data.scaleInForce;
  if (data.periodCount > kEntryFirstPeriod) {
    layout.range.from = data.firstDate;
    layout.range.to = TFuncEntryAt(&data, data.periodCount - 1)->end.date;
    ClearZoomStack();
  }
  RefreshRows();
  if (InDiagramMode()) {
    TFuncComputeDayPositions(&data);
    RebuildDiagram();
  }
  if (labels) labels->Layout();
  SetCalcButtonEnabled(data.aborted != 0);
  return true;
}

// --- Change notes --------------------------------------------------------------------------------

void T_TFunc::OnChange(const ChangeNote* note) {
  T_TSWin::OnChange(note);
  if (note->database && note->database != database) return;
  const TimeScale* chosen = data.timeScale;
  const int32_t result = TFuncOnChange(&data, note);
  // The base's period scale is the scale in force: forgotten with it.
  if (note->code == kChangeTimeScaleDeleted && periodScale == note->object) {
    periodScale = nullptr;
    periodKind = data.typeInForce;
  }
  if (result & kTFuncStale) MarkNeedsCalc();
  if (result & kTFuncRecalculate) recalcPending = 1;
  if ((result & kTFuncRepaintLabels) && !InDiagramMode() && labelField) labelField->InvalidateColumn();
  if (result & kTFuncTitlesChanged) {
    for (T_TVariable* v = data.variables; v; v = v->next) {
      if (T_TFuncCurve* curve = CurveOfVariable(v)) curve->SetTitleText(VariableTitle(v));
    }
    if (labels) labels->Layout();
  }
  switch (note->code) {
    case kChangeCardSaved:
    case kChangeCards:
    case kChangeComponentsRebuilt:
      MarkNeedsCalc();
      break;
    case kChangeTimeScaleRenamed:
      if (periodChooser) GrafElement_Invalidate(periodChooser, 0);
      break;
    case kChangeTimeScaleAdded:
      RecountPeriodChooser();
      break;
    case kChangeTimeScaleDeleted:
      if (chosen && chosen == note->object) {
        periodKind = data.periodType;
        RecountPeriodChooser();
      } else {
        RecountPeriodChooser();
      }
      break;
    default:
      break;
  }
}

void T_TFunc::Notify(int32_t code) {
  T_TSWin::Notify(code);
  if (code == 0 && current) SelectVariable(current);
  if (code == 18 && !InDiagramMode() && labelField) labelField->InvalidateColumn();
}

// --- Template ------------------------------------------------------------------------------------

void T_TFunc::SaveToTemplate(T_Template* target) {
  T_TSWin::SaveToTemplate(target);
  T_TFuncTmpl* t = AsTimeFunctionsTemplate(target);
  if (!t) return;
  if (labelField) labelWidth = labelField->Width();
  for (T_BoxField* f = firstField; f; f = f->next) {
    auto* curve = dynamic_cast<T_TFuncCurve*>(f);
    if (curve && curve->series.variable) curve->series.variable->width = f->Width();
  }
  if (!TFuncWriteTemplate(&data, &order, t)) PendingErrorReport();
  t->labelWidth = static_cast<int16_t>(labelWidth);
  t->cardTitles = labelOptions.cardTitles;
  t->endDatesOnly = labelOptions.endDatesOnly;
  t->axisMax = axisMaximum;
  t->axisMin = axisMinimum;
  t->flags = layout.flags;
  t->nTool = gridTool;
  t->gTool = diagramTool;
  t->lSetting = barMode;
  t->viewMode = viewMode;
  t->focus = nullptr;
  if (current && current->kind == kVariableFormula)
    t->focus = t->FindFormulaByName(current->name);
}

// --- Period type ---------------------------------------------------------------------------------

void T_TFunc::SetPeriodType(int32_t type, TimeScale* scale) {
  data.periodType = type;
  data.timeScale = type == kPeriodTimeScale ? scale : nullptr;
  RecountPeriodChooser();
  PeriodTypeChanged();
}

void T_TFunc::PeriodTypeChanged() {
  MarkNeedsCalc();
  if (InDiagramMode() && modeBox) ReselectMode();
}

void T_TFunc::RecountPeriodChooser() {
  if (!periodChooser) return;
  const int64_t scales = database ? database->CountTimeScales() : 0;
  periodChooser->SetItemCount(scales ? 17 + scales : 16);
  int64_t item = data.periodType;
  if (data.periodType == kPeriodTimeScale && data.timeScale && database)
    item = 17 + database->IndexOfTimeScale(data.timeScale);
  periodChooser->SetSelection(item, kSelectSilent);
  GrafElement_Invalidate(periodChooser, 0);
}

// --- View ----------------------------------------------------------------------------------------

void T_TFunc::SetViewModeOf(uint32_t mode) {
  if (mode == viewMode) return;
  const uint32_t old = viewMode;
  SetViewMode(mode);
  Refresh(static_cast<int32_t>(old));
}

void T_TFunc::Refresh(int32_t oldViewMode) {
  const bool diagram = InDiagramMode();
  SetToolSelector(diagram ? kDiagramTools : kGridTools,
                  static_cast<uint16_t>(diagram ? diagramTool : gridTool));
  if (diagram) {
    if (calculated) TFuncComputeDayPositions(&data);
    RebuildDiagram();
    if (!labels) labels = T_TFuncLabels::Create(this);
  } else if (labels) {
    delete labels;
    labels = nullptr;
    SetFieldTitlesShown(true);
    SetTitleHeight(19);
  }
  T_TSWin::Refresh(oldViewMode);
  InvalidateGrid();
}

void T_TFunc::ScrollRows(const LayoutChange* change) {
  T_TSWin::ScrollRows(change);
  if (labels) labels->FollowScroll();
}

void T_TFunc::OnToolSelected(int32_t item) {
  T_TSWin::OnToolSelected(item);
  const int32_t tool = toolSelector ? toolSelector->currentPicture : item;
  if (InDiagramMode())
    diagramTool = tool;
  else
    gridTool = tool;
}

void T_TFunc::OnSelectorEvent(T_GrafElement* selector) {
  auto* s = dynamic_cast<T_Selector*>(selector);
  if (s && s != toolSelector && s->id == kViewSelectorId) {
    SetViewModeOf(s->currentPicture == kCommandDiagramView ? 1 : 0);
    return;
  }
  T_TSWin::OnSelectorEvent(selector);
}

// --- Diagram -------------------------------------------------------------------------------------

TFuncDiagram T_TFunc::Diagram() {
  // Slot i draws data column i. Right after a calculation the fields run in column order; a
  // field whose variable was deleted keeps its own position.
  diagramSeries.assign(static_cast<size_t>(std::max(data.columnCount, 0)), nullptr);
  int32_t index = 0;
  for (T_BoxField* f = labelField ? labelField->next : nullptr; f; f = f->next, ++index) {
    auto* curve = dynamic_cast<T_TFuncCurve*>(f);
    if (!curve) continue;
    const T_TVariable* v = curve->series.variable;
    const int32_t slot = v ? v->column : index;
    if (slot >= 0 && slot < data.columnCount) diagramSeries[static_cast<size_t>(slot)] = &curve->series;
  }
  TFuncDiagram d = TFuncDiagramOf(&data, diagramSeries.data(), data.columnCount, barMode);
  d.axisMax = axisMaximum;
  d.axisMin = axisMinimum;
  return d;
}

void T_TFunc::RebuildDiagram() {
  TFuncDiagramRange(&layout, Diagram());
  ChooseValueScale();
}

void T_TFunc::ChooseValueScale() {
  TFuncValueMargins(&layout, Diagram());
  LayoutDiagram();
}

void T_TFunc::OnPeriodRangeChanged() {
  if (calculated && data.periodCount > kEntryFirstPeriod) {
    const int64_t entry = TFuncEntryOfDate(&data, layout.range.from);
    for (int64_t row = 0; row < rowCount; ++row) {
      if (TFuncRowEntry(&data, &order, row) != entry) continue;
      ScrollByRows(row - GetTopRow());
      break;
    }
  }
  InvalidateGrid();
}

void T_TFunc::DrawGrid(BoxDrawRecord* record) {
  if (!InDiagramMode() || record->printing) {
    T_TSWin::DrawGrid(record);
    return;
  }
  SetDiagramRect(&record->bounds);
  DrawDiagramAxes();
  if (!calculated) return;
  ClipToDiagram();
  TFuncDrawDiagram(layout, Diagram());
  PortSetClip(nullptr);
}

bool T_TFunc::HitDiagram(POINT point, int64_t* row, Region* shape) {
  *row = -1;
  if (!InDiagramMode() || !calculated) return false;
  TFuncHit hit;
  if (!TFuncHitDiagram(layout, Diagram(), point, &hit, shape)) return false;
  *row = hit.entry;
  hitColumn = hit.column;
  return true;
}

bool T_TFunc::ClickDiagram(InputEvent* event) {
  const RECT& plot = layout.plot;
  if (PtInRect(&plot, POINT{event->x, event->y})) return false;
  const bool options = event->y >= plot.bottom && event->x >= plot.left + 16 &&
                       event->x <= plot.right - 60;
  if (modeBox) SelectModeById(options ? kTFuncOptionsItem : kTFuncAxisLimitsItem);
  return true;
}

void T_TFunc::DragDiagram(InputEvent* event) {
  int64_t entry = -1;
  ClipToDiagram();
  const bool hit = HitDiagram(POINT{event->x, event->y}, &entry, &region);
  PortSetClip(nullptr);
  if (!hit) {
    RgnFree(&region);
    return;
  }
  T_TVariable* variable = nullptr;
  if (hitColumn >= 0 && hitColumn < static_cast<int32_t>(diagramSeries.size()) &&
      diagramSeries[static_cast<size_t>(hitColumn)])
    variable = diagramSeries[static_cast<size_t>(hitColumn)]->variable;
  if (variable) SelectVariable(variable);
  RECT rect{};
  // The shape is the highlight as well: without one, a release on it would not be a click.
  const int32_t result = TrackZoomRect(event, &rect, kZoomFree, 8, nullptr, &region, &region);
  RgnFree(&region);
  if (result == kZoomClick) DrillMenuAt(entry, variable, grid, POINT{event->x, event->y}, nullptr);
}

bool T_TFunc::IsPointOnData(InputEvent* event) {
  const int64_t row = RowAtPoint(POINT{event->x, event->y});
  if (row < 0 || row >= rowCount) return false;
  return !(row == 0 && FieldAtPoint(event->x, row) == 0);
}

bool T_TFunc::DrillEnabled(int32_t) const { return database != nullptr; }

T_HWindow* T_TFunc::RunDrillCommand(int32_t command, T_TVariable* variable) {
  const TFuncDrillSource source{&data, &subsets, labelOptions.cardTitles,
                                labelOptions.endDatesOnly};
  const T_TSelection* selection = AsSelection(variable);
  T_Template* templ = nullptr;
  switch (command) {
    case kDrillCommandCards:
      templ = TFuncCardsTemplate(source, selection);
      break;
    case kDrillCommandLines:
      templ = TFuncLinesTemplate(source, kDrillWholeRange, selection);
      break;
    case kDrillCommandComponents:
      templ = TFuncComponentsTemplate(source, kDrillWholeRange, selection, -1);
      break;
    case kDrillCommandTimeFunctions:
      templ = TFuncTimeFunctionsTemplate(source, variable);
      break;
    case kDrillCommandComponentFunctions:
      templ = TFuncComponentFunctionsTemplate(source, kDrillWholeRange, variable);
      break;
    default:
      return nullptr;
  }
  if (!templ) {
    if (PendingError.request.message) PendingErrorReport();
    return nullptr;
  }
  return TFuncRunDrill(templ);
}

T_HWindow* T_TFunc::DrillAt(int64_t entry, T_TVariable* variable) {
  if (!calculated || !database) return nullptr;
  const TFuncDrillSource source{&data, &subsets, labelOptions.cardTitles,
                                labelOptions.endDatesOnly};
  drillChoice = TFuncDrillMenuMark(database, drillChoice);
  T_Template* templ = TFuncDrillTemplate(source, entry, variable, drillChoice);
  if (!templ) {
    if (PendingError.request.message) PendingErrorReport();
    return nullptr;
  }
  return TFuncRunDrill(templ);
}
