// The lines window: construction from its template, fields, row texts, calculation, change
// notes, saving back into the template and the data operations. The sort is in lines_sort.cpp,
// the diagram in lines_diagram.cpp.
#include "analysis/time/lines_window.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "analysis/boxwin/box_output.h"
#include "analysis/time/diagram_frame.h"
#include "analysis/time/lines_header_page.h"
#include "core/alert.h"
#include "core/input_stream.h"
#include "core/localized_text.h"
#include "core/memory.h"
#include "core/message_pump.h"
#include "core/owned_text.h"
#include "core/threads.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/line_origins.h"
#include "database/object_services.h"
#include "database/template_runner.h"
#include "database/time_scale.h"
#include "ui/button.h"
#include "ui/chooser.h"
#include "ui/document_window.h"
#include "ui/list_box.h"
#include "ui/mode_tree.h"
#include "ui/popup_menu.h"
#include "ui/small_dialogs.h"
#include "ui/sort_orders.h"
#include "ui/value_choosers.h"

namespace {

const uint16_t kTableTools[] = {kToolSelect, kToolDrag, 0};
const uint16_t kDiagramTools[] = {kToolZoomIn, kToolZoomOut, kToolDrag, 0};
const uint16_t kPresentations[] = {kPresentationTable, kPresentationCurve, kPresentationBars, 0};
constexpr uint32_t kPresentationId = 4019;
constexpr uint32_t kToolSelectorId = 4018;

}  // namespace

int32_t LinesFieldNameCode(int32_t code) {
  if (code == kLinesCardId) return 3101;
  if (code == kLinesDate) return 3107;
  if (code == kLinesCardTitle) return 65;
  if (code == kLinesLineText) return 66;
  if (code == kLinesAccumulated) return 5100;
  if (code == kLinesOrigin) return 3108;
  if (code >= kLinesValueFirst && code < kLinesAccumulated) return 67 + code - kLinesValueFirst;
  return 1 + code - kLinesDimFirst;  // the dimension's singular name
}

namespace {

bool IsNumericColumn(int32_t code) { return code >= kLinesValueFirst && code <= kLinesAccumulated; }

}  // namespace

T_Lines* AsLinesWindow(T_EventHandler* element) { return dynamic_cast<T_Lines*>(element); }

namespace {

// The window's rectangle from its template, for the base constructor (which copies it).
const RECT* TemplateRect(T_LinesTmpl* templ) {
  static RECT rect;
  rect = templ->GetWindowRect(kLinesDefaultWidth, kLinesDefaultHeight);
  return &rect;
}

}  // namespace

T_Lines::T_Lines(T_LinesTmpl* templ, uint32_t flags)
    : T_TSWin(kWindowLines, TemplateRect(templ), templ, kLinesHelpId, templ->database, flags) {
  Selection_init(&selection, database, this, &subsets);
  Selection_setFromDef(&selection, &templ->selection);
  options = templ->options;
  layout.flags = templ->flags;
  if (templ->axisScaleName && database) axisScale = database->FindTimeScale(templ->axisScaleName);
  LinesDataInit(&data, database);
  const int32_t valueCount = database ? database->valueCount : 1;
  for (int32_t i = valueCount; i < kMaxValueCount; ++i)
    options.columns[kLinesValueFirst + i].shown = 0;
  if (options.accumulated >= valueCount) options.accumulated = valueCount - 1;

  CreateToolbar();
  CreateCalcButton(kLinesCalcButtonId);
  const bool diagram = viewMode == 1 || viewMode == 2;
  CreateToolSelector(170, kToolSelectorId, diagram ? kDiagramTools : kTableTools,
                     static_cast<uint16_t>(diagram ? options.diagramTool : options.tableTool));
  presentation = NewToolSelector(kPresentationId, kPresentations,
                                 viewMode == 1   ? kPresentationCurve
                                 : viewMode == 2 ? kPresentationBars
                                                 : kPresentationTable);
  CreateModeBox(80, GetDefaultHeaderHeight());
  for (int32_t page : {kLinesSelectionPage, kLinesColumnsPage, kLinesHeaderRowsPage,
                       kLinesGraphicsPage, kLinesOptionsPage})
    AddModeItem(nullptr, nullptr, page);
  for (int32_t page : {kPanelSubsets, kPanelPrinting, kPanelExport, kPanelNotes})
    AddModeItem(nullptr, nullptr, page);
  headerSplitter = titleSplitter = headerButtons = 1;
  minTitleHeight = 12;
  CreateGridItems(templ->headerHeight, templ->titleHeight >= 12 ? templ->titleHeight : 14, 0);
  SetSelectMode(kSelectRange);
  BuildColumnOrder();
  BuildFields();
  MakeTitle(nullptr);
  layout.range.from = selection.from.cardId.date;
  layout.range.to = selection.to.cardId.date;
}

T_Lines::~T_Lines() {
  LinesDataFree(&data);
  Selection_free(&selection);
}

int32_t T_Lines::GetDefaultHeaderHeight() { return 135; }

int64_t T_Lines::GetMemoryUsage() { return PagedArrayMemSize(&data.rows) + 48528; }

bool T_Lines::IsDataRow(int64_t row) { return row >= headerRowCount; }

bool T_Lines::IsGroupStart(int64_t position) {
  if (position <= headerRowCount) return true;
  const LinesRow* a = LinesRowAt(&data, LinesDisplayRow(&data, position - 1));
  const LinesRow* b = LinesRowAt(&data, LinesDisplayRow(&data, position));
  return a->card != b->card;
}

// --- Fields -------------------------------------------------------------------------------------

void T_Lines::BuildFields() {
  // Widths the user set are kept in the options before the fields go.
  for (int32_t code = 0; code < kLinesColumnCount; ++code) {
    if (columnFields[code]) options.columns[code].width = columnFields[code]->Width();
    columnFields[code] = nullptr;
  }
  while (firstField) {
    T_BoxField* field = firstField;
    DeleteBoxField(&field);
  }
  labelField = rateField = nullptr;
  int32_t x = 3 - GetScrollX();
  T_TextBuf title;
  for (int32_t code = 0; code < kLinesColumnCount; ++code) {
    const LinesColumnOptions& column = options.columns[code];
    if (!column.shown || !LinesColumnAvailable(database, code)) continue;
    int32_t width =
        column.width >= kMinFieldWidth ? column.width : (code == kLinesOrigin ? 120 : 64);
    if (code == kLinesOrigin) x += 5;
    RECT rect{x, 1, x + width, 13};
    T_BoxField* field = AddField(&rect, 0);
    if (!field) break;
    if (database) database->GetFieldName(&title, LinesFieldNameCode(code));
    field->SetTitleText(title.data);
    if (IsNumericColumn(code)) field->SetAlignment(kStyleRight);
    columnFields[code] = field;
    x += width + 2;
  }
  if (columnFields[kLinesCardTitle]) {
    labelField = columnFields[kLinesCardTitle];
  } else {
    for (int32_t code = 0; code < kLinesValueFirst; ++code) {
      if (columnFields[code]) {
        labelField = columnFields[code];
        break;
      }
    }
  }
  for (int32_t code = kLinesLineText; code >= kLinesCardTitle; --code) {
    if (columnFields[code] && columnFields[code] != labelField) {
      rateField = columnFields[code];
      break;
    }
  }
  for (int32_t n = 0; n < options.sortKeyCount && n < kLinesSortKeyMax; ++n) {
    const LinesSortKey& key = options.sortKeys[n];
    T_BoxField* field =
        key.column >= 0 && key.column < kLinesColumnCount ? columnFields[key.column] : nullptr;
    if (!field) continue;
    bool descending =
        key.column >= kLinesDimFirst && key.column < kLinesLineText        ? key.componentOrder == 1
        : key.column >= kLinesValueFirst && key.column < kLinesAccumulated ? key.valueOrder < 3
        : key.column <= kLinesDate                                         ? key.direction == 1
                                                                           : key.textDirection == 1;
    field->SetSortIcons(descending ? kMarkerDescending : kMarkerAscending,
                        static_cast<uint32_t>(n + 1));
  }
  InvalidateGrid();
}

// --- Rows ---------------------------------------------------------------------------------------

namespace {

void PutValue(RowTextPool* pool, T_BoxField* field, double value, const LinesColumnOptions& o,
              bool plain, int32_t decimals = -1) {
  if (!field || !std::isfinite(value)) return;
  PutNumberText(pool, field, value, decimals >= 0 ? decimals : o.decimals, plain ? 0 : o.negative,
                true);
  if (!plain && o.colour) field->cellColour = ValueColorIndex(value, o.colour);
}

}  // namespace

void T_Lines::FormatRow(RowTextPool* pool, int64_t position) {
  // Rows of a database whose lines are being deleted may point at freed records.
  if (position < 0 || position >= data.rowCount || DatabasePaintingHeld(database)) return;
  const int64_t row = LinesDisplayRow(&data, position);
  const LinesRow* r = LinesRowAt(&data, row);
  if (!r->card) {
    const int32_t id = r->statistic;
    if (id == 0) return;
    T_TextBuf text;
    TextBufAssign(&text, GetString(id));
    TextBufAppendChar(&text, ':');
    if (labelField) PutCellText(pool, labelField, text.data);
    const bool counts =
        id == kStatFirstText + kStatLineCount || id == kStatFirstText + kStatCardCount;
    const int32_t flag = id - kStatFirstText;
    if (counts) {
      T_BoxField* cell = nullptr;
      for (int32_t c = 0; c < kMaxValueCount && !cell; ++c)
        cell = columnFields[kLinesValueFirst + c];
      if (!cell) cell = columnFields[kLinesAccumulated];
      if (cell) PutNumberText(pool, cell, LinesStatisticValue(&data, id, 0), 0, 0, true);
      return;
    }
    const bool turnover = flag == kStatTurnoverTime || flag == kStatTurnoverRate;
    const bool spread = flag == kStatVariance || flag == kStatDeviation;
    for (int32_t c = 0; c < kMaxValueCount; ++c) {
      T_BoxField* field = columnFields[kLinesValueFirst + c];
      if (!field) continue;
      PutValue(pool, field, LinesStatisticValue(&data, id, c),
               options.columns[kLinesValueFirst + c], turnover || spread, turnover ? 2 : -1);
    }
    PutValue(pool, columnFields[kLinesAccumulated], LinesStatisticAccumulated(&data, options, id),
             options.columns[kLinesAccumulated], false);
    if ((id == kStatInterestPositiveText || id == kStatInterestNegativeText) && rateField) {
      const double rate =
          id == kStatInterestPositiveText ? options.positiveRate : options.negativeRate;
      if (rate != 0) {
        char number[kFormatDoubleMax + 1];
        DoubleToStr(number, rate);
        TextBufAssign(&text, number);
        TextBufAppend(&text, " %");
        PutCellText(pool, rateField, text.data);
      }
    }
    return;
  }
  const bool firstOfRun = options.cardInfo == 0 || position == headerRowCount ||
                          LinesRowAt(&data, LinesDisplayRow(&data, position - 1))->card != r->card;
  T_TextBuf text;
  for (int32_t code = 0; code < kLinesColumnCount; ++code) {
    T_BoxField* field = columnFields[code];
    if (!field) continue;
    const LinesColumnOptions& o = options.columns[code];
    if (code <= kLinesCardTitle && !firstOfRun) continue;
    if (code == kLinesCardId) {
      CardId id = CardGetId(r->card);
      FormatCardIdToString(&text, &id, database->cardDigits);
      PutCellText(pool, field, text.data);
    } else if (code == kLinesDate) {
      char date[40];
      char* cursor = date;
      formatDate(&cursor, r->card->dateNode->date, options.dateFormat);
      *cursor = 0;
      PutCellText(pool, field, date);
    } else if (code == kLinesCardTitle) {
      if (r->card->title) PutCellText(pool, field, r->card->title);
    } else if (code == kLinesDimFirst) {
      PutComponentText(pool, field, database, r->group->component, 0, o.display);
    } else if (code > kLinesDimFirst && code < kLinesLineText) {
      const int32_t d = code - kLinesDimFirst;
      PutComponentText(pool, field, database, database->GetLineComponent(r->line, d - 1), d,
                       o.display);
    } else if (code == kLinesLineText) {
      if (r->line->text) PutCellText(pool, field, r->line->text);
    } else if (code < kLinesAccumulated) {
      PutValue(pool, field, LineValues(r->line)[code - kLinesValueFirst], o, false);
    } else if (code == kLinesAccumulated) {
      PutValue(pool, field, LinesDisplayBalance(&data, position), o, false);
    } else if (code == kLinesOrigin) {
      if (LineOriginText(database, r->line, &text)) PutCellText(pool, field, text.data);
    }
  }
}

// --- Calculation --------------------------------------------------------------------------------

void T_Lines::RunCalculation(bool, bool) { CalculateLinesStatistics(this, true); }

void CalculateLinesStatistics(T_Lines* window, bool resetDiagram) {
  if (window) window->CalculateLines(resetDiagram);
}

void T_Lines::CalculateLines(bool resetDiagram) {
  ClearCellSelection();
  rowCount = headerRowCount = 0;
  const bool ok = CalculateLinesData(&data, &selection, options, this, nullptr);
  const bool aborted = data.aborted != 0;
  if (aborted && PendingError.request.message == 600) PendingErrorReport();
  lastSortKind = ok ? SortRows() : kLinesSortNone;
  rowCount = data.rowCount;
  headerRowCount = data.headerRowCount;
  if (resetDiagram && ok) {
    layout.range.from = data.stats.firstDate;
    layout.range.to = data.stats.lastDate;
    ClearZoomStack();
  }
  if (InDiagramMode()) RebuildDiagram();
  UpdateScrollBoxes(true);
  InvalidateGrid();
  SetCalcButtonEnabled(!ok || aborted);
  BroadcastChange(kChangeWindowCalculated);
  UpdateDistributionButton();
}

// --- Presentation and tools ---------------------------------------------------------------------

void T_Lines::SetPresentation(uint32_t mode) {
  if (mode == viewMode) return;
  const uint32_t old = viewMode;
  SetViewMode(mode);
  const bool diagram = InDiagramMode();
  SetToolSelector(diagram ? kDiagramTools : kTableTools,
                  static_cast<uint16_t>(diagram ? options.diagramTool : options.tableTool));
  Refresh(static_cast<int32_t>(old));
}

void T_Lines::OnSelectorEvent(T_GrafElement* selector) {
  if (presentation && selector == presentation) {
    const uint16_t picture = presentation->currentPicture;
    SetPresentation(picture == kPresentationCurve ? 1 : picture == kPresentationBars ? 2 : 0);
    return;
  }
  T_TSWin::OnSelectorEvent(selector);
}

void T_Lines::OnModeboxEvent(T_GrafElement* box, ModeboxEvent* record) {
  const int32_t page = record->nodeId;
  const bool own = page == kLinesGraphicsPage || page == kLinesHeaderRowsPage ||
                   page == kLinesSelectionPage || page == kLinesColumnsPage ||
                   page == kLinesOptionsPage;
  if (!own) {
    if (record->code == kModeChosen) DeleteSelectionEdits();
    T_TSWin::OnModeboxEvent(box, record);
    return;
  }
  if (record->code == kModeDescribe) {
    ModeboxEvent_SetText(record, GetString(page));
    return;
  }
  if (record->code != kModeChosen) return;
  switch (page) {
    case kLinesGraphicsPage:
      OpenGraphicsPage();
      break;
    case kLinesHeaderRowsPage:
      ClosePages();
      OpenLinesHeaderRowsPage(this);
      break;
    case kLinesSelectionPage:
      OpenSelectionPage();
      break;
    case kLinesColumnsPage:
      OpenColumnsPage();
      break;
    default:
      OpenOptionsPage();
      break;
  }
}

void T_Lines::OnCheckbox(T_GrafElement* element) {
  auto* box = dynamic_cast<T_Checkbox*>(element);
  if (box && box == showBox) {
    ShowColumn(chosenColumn, box->checked != 0);
    if (columnList) GrafElement_Invalidate(columnList, 0);
    return;
  }
  const int32_t flag =
      box ? static_cast<int32_t>(box->id) - static_cast<int32_t>(kStatCheckboxFirst) : -1;
  if (flag < 0 || flag >= kStatCount) {
    T_TSWin::OnCheckbox(element);
    return;
  }
  options.statistics[flag] = box->checked ? 1 : 0;
  MarkNeedsCalc();
}

void T_Lines::OnEditText(T_TextBuf* text, T_GrafElement* field) {
  auto* item = dynamic_cast<T_Item*>(field);
  if (!item || (item->id != kPositiveRateEdit && item->id != kNegativeRateEdit)) {
    T_TSWin::OnEditText(text, field);
    // A selection field of the header changed: the rows are out of date.
    if (item && item->id < 300) EnableCalcButton();
    return;
  }
  // Only stored: the next calculation uses it.
  double& rate = item->id == kPositiveRateEdit ? options.positiveRate : options.negativeRate;
  rate = RateFromText(text->data);
  RateText(rate, text);
}

void T_Lines::OpenGraphicsPage() {
  ClosePages();
  T_EventHandler* parent = modeItem ? static_cast<T_EventHandler*>(modeItem) : this;
  auto* frame = new (std::nothrow) T_TSDiagram(this, parent, 8, 8, kLinesGraphicsPage);
  if (!frame) return;
  panelItems[panelItemCount++] = frame;
  openPanelPage = kLinesGraphicsPage;
}

void T_Lines::OnToolSelected(int32_t item) {
  T_TSWin::OnToolSelected(item);
  const int32_t tool = toolSelector ? toolSelector->currentPicture : item;
  if (InDiagramMode())
    options.diagramTool = tool;
  else
    options.tableTool = tool;
}

void T_Lines::Refresh(int32_t oldViewMode) {
  if (InDiagramMode()) {
    if (!data.dayPositionsValid) ComputeDayPositions(&data);
    if (!layout.range.from) {
      layout.range.from = data.stats.firstDate;
      layout.range.to = data.stats.lastDate;
    }
    RebuildDiagram();
  }
  T_TSWin::Refresh(oldViewMode);
  InvalidateGrid();
}

// --- Change notes -------------------------------------------------------------------------------

void T_Lines::OnChange(const ChangeNote* note) {
  T_TSWin::OnChange(note);
  if (note->database && note->database != database) return;
  switch (note->code) {
    case 27:
    case 28:
    case 40:
    case 12:
      // The rows may point at records that are gone: they go before anything repaints them.
      LinesDataDropOrder(&data);
      data.rowCount = data.headerRowCount;
      rowCount = headerRowCount = data.headerRowCount;
      InvalidateGrid();
      MarkNeedsCalc();
      break;
    case 11:
      MarkNeedsCalc();
      break;
    case 15:
    case 31:
    case 39:
      BuildColumnOrder();
      BuildFields();
      ReopenPage();
      if (note->code == 39) MarkNeedsCalc();
      break;
    case 32: {
      const int32_t valueCount = database->valueCount;
      for (int32_t i = valueCount; i < kMaxValueCount; ++i)
        options.columns[kLinesValueFirst + i].shown = 0;
      if (options.accumulated >= valueCount) options.accumulated = valueCount - 1;
      BuildColumnOrder();
      BuildFields();
      ReopenPage();
      MarkNeedsCalc();
      break;
    }
    default:
      break;
  }
}

// --- Template -----------------------------------------------------------------------------------

void T_Lines::SaveToTemplate(T_Template* target) {
  T_TSWin::SaveToTemplate(target);
  T_LinesTmpl* t = AsLinesTemplate(target);
  if (!t) return;
  for (int32_t code = 0; code < kLinesColumnCount; ++code) {
    if (columnFields[code]) options.columns[code].width = columnFields[code]->Width();
  }
  SelectionDef_fromSelection(&t->selection, &selection);
  t->options = options;
  t->flags = layout.flags;
  t->SetAxisScaleName(axisScale ? axisScale->name : nullptr);
  t->viewMode = viewMode;
}

// --- Opening cells ------------------------------------------------------------------------------

void T_Lines::OpenBehindStatistic(int32_t statistic, int32_t column) {
  // A copy of the default lines template (its diagram flags among its settings) with this
  // window's selection and options.
  T_LinesTmpl* made = NewLinesTemplateOfWindow();
  if (!made) return;
  T_LinesTmpl& t = *made;
  for (auto& flag : t.options.statistics) flag = 0;
  t.options.statistics[kStatPeriod] = t.options.statistics[kStatLineCount] = 1;
  t.options.columns[kLinesValueFirst + column] = options.columns[kLinesValueFirst + column];
  SetLinesValueColumn(&t, column);
  T_TextBuf number;
  switch (statistic - kStatFirstText) {
    case kStatBefore: {
      CardId end = selection.from.cardId;
      database->GetPrevCardId(&end);
      DateRefSetKind(&t.selection.from, kDateRefFile);
      DateRefSetDate(&t.selection.to, &end);
      break;
    }
    case kStatPositive:
      SelectionDef_andValueCondition(&t.selection, column, ">0");
      break;
    case kStatNegative:
      SelectionDef_andValueCondition(&t.selection, column, "<0");
      break;
    case kStatAfter: {
      CardId start = selection.to.cardId;
      database->GetNextCardId(&start);
      DateRefSetDate(&t.selection.from, &start);
      DateRefSetKind(&t.selection.to, kDateRefFile);
      break;
    }
    case kStatMaximum:
    case kStatMinimum: {
      const double v = statistic - kStatFirstText == kStatMaximum ? data.stats.maxValue[column]
                                                                  : data.stats.minValue[column];
      if (!std::isfinite(v)) {
        delete made;
        return;
      }
      // Written so that it reads back as the same number.
      FormatExactNumber(v, &number);
      SelectionDef_andValueCondition(&t.selection, column, number.data);
      t.options.statistics[kStatPeriod] = 0;
      break;
    }
    default:
      break;
  }
  RunTemplate(database, &t, nullptr, kRunNoLookup);
  delete made;
}

void T_Lines::OnCellsSelected(int64_t position, int32_t fieldIndex) {
  if (position >= 0 && position < headerRowCount) {
    const int32_t statistic = LinesRowAt(&data, LinesDisplayRow(&data, position))->statistic;
    T_BoxField* field = GetField(fieldIndex);
    for (int32_t c = 0; c < kMaxValueCount && field && statistic; ++c) {
      if (columnFields[kLinesValueFirst + c] == field) OpenBehindStatistic(statistic, c);
    }
    return;
  }
  if (position < headerRowCount || position >= rowCount) return;
  OpenRowInCardEditor(LinesDisplayRow(&data, position));
}

void T_Lines::OpenRowInCardEditor(int64_t row) {
  const LinesRow* r = LinesRowAt(&data, row);
  int32_t lineNumber = 0;
  for (GroupRecord* g = r->card->firstGroup; g; g = g->next) {
    for (LineRecord* l = g->firstLine; l; l = l->next) {
      ++lineNumber;
      if (l == r->line) {
        CardId id = CardGetId(r->card);
        OpenCardEditor(database, &id, lineNumber);
        return;
      }
    }
  }
}

// --- Sort keys and the selection's text
// -----------------------------------------------------------

bool T_Lines::ToggleSortKey(int32_t column) {
  for (int32_t n = 0; n < options.sortKeyCount && n < kLinesSortKeyMax; ++n) {
    LinesSortKey& key = options.sortKeys[n];
    if (key.column != column) continue;
    if (column >= kLinesDimFirst && column < kLinesLineText) {
      int32_t order = key.componentOrder;
      if (!ToggleTreeOrder(&order)) order = kTreeReversed;
      key.componentOrder = static_cast<uint8_t>(order);
    } else if (column >= kLinesValueFirst && column < kLinesAccumulated) {
      int32_t order = key.valueOrder;
      ReverseValueOrder(&order);
      key.valueOrder = static_cast<uint8_t>(order);
    } else if (column <= kLinesDate) {
      key.direction ^= 1;
    } else {
      key.textDirection ^= 1;
    }
    BuildFields();
    lastSortKind = SortRows();
    InvalidateGrid();
    return true;
  }
  return false;
}

bool T_Lines::ClickFieldButton(InputEvent*, T_BoxField* field, const RECT*) {
  const int32_t code = ColumnOfField(field);
  if (code < 0) return false;
  ShowPage(kLinesOptionsPage);
  const bool toggled = ToggleSortKey(code);
  if (toggled && openPanelPage == kLinesOptionsPage) BuildSortRows();
  return toggled;
}

bool T_Lines::ClickFieldTitle(InputEvent* event, T_BoxField* field) {
  const int32_t code = ColumnOfField(field);
  if (code < 0) return T_TSWin::ClickFieldTitle(event, field);
  if (openPanelPage != kLinesColumnsPage) {
    chosenColumn = code;
    ShowPage(kLinesColumnsPage);
    return true;
  }
  ChooseColumn(code);
  for (int64_t i = 0; columnList && i < ColumnListCount(); ++i)
    if (ColumnListCode(i) == code) columnList->SelectOnly(i);
  return true;
}

bool T_Lines::ClickCell(InputEvent* event, int64_t position, int32_t field, int32_t tool) {
  if (position >= 0 && position < headerRowCount) ShowPage(kLinesHeaderRowsPage);
  return T_TSWin::ClickCell(event, position, field, tool);
}

void T_Lines::ShowPage(int32_t page) {
  if (openPanelPage == page) return;
  if (modeBox) {
    SelectModeById(page);
    if (openPanelPage == page) return;
  }
  // Without a mode box (or when it did not announce the page) the page opens directly.
  switch (page) {
    case kLinesColumnsPage:
      OpenColumnsPage();
      break;
    case kLinesOptionsPage:
      OpenOptionsPage();
      break;
    case kLinesHeaderRowsPage:
      ClosePages();
      OpenLinesHeaderRowsPage(this);
      break;
    default:
      break;
  }
}

int32_t T_Lines::ColumnOfField(const T_BoxField* field) const {
  if (!field) return -1;
  for (int32_t code = 0; code < kLinesColumnCount; ++code)
    if (columnFields[code] == field) return code;
  return -1;
}

int32_t T_Lines::TitleCommands(const T_BoxField* field, uint16_t* list) const {
  int32_t n = 0;
  const int32_t code = ColumnOfField(field);
  if (code >= 0) {
    list[n++] = kTitleHide;
    if (code != kLinesAccumulated) list[n++] = kTitleSortRows;
    list[n++] = kTitleAdjustWidth;
  }
  list[n] = 0;
  return n;
}

bool T_Lines::RunTitleCommand(T_BoxField* field, int32_t command) {
  const int32_t code = ColumnOfField(field);
  if (code < 0) return false;
  switch (command) {
    case kTitleHide:
      ShowColumn(code, false);
      return true;
    case kTitleSortRows: {
      if (code == kLinesAccumulated) return false;
      // The column keeps the orders it had as a key.
      LinesSortKey key;
      LinesSortKeyReset(&key, code);
      for (int32_t n = 0; n < options.sortKeyCount && n < kLinesSortKeyMax; ++n)
        if (options.sortKeys[n].column == code) key = options.sortKeys[n];
      options.sortKeys[0] = key;
      options.sortKeyCount = 1;
      BuildFields();
      lastSortKind = SortRows();
      InvalidateGrid();
      if (openPanelPage == kLinesOptionsPage)
        BuildSortRows();
      else
        ShowPage(kLinesOptionsPage);
      return true;
    }
    case kTitleAdjustWidth:
      FitFieldWidth(field);
      return true;
    default:
      return false;
  }
}

void T_Lines::TitleContextMenu(ContextMenuRecord* record, int32_t phase) {
  T_BoxField* field = pressedTitleField;
  if (!field) return;
  if (phase == kMenuPhaseList) {
    uint16_t list[4];
    int32_t n = TitleCommands(field, list);
    for (int32_t i = 0; i < n; ++i) PopupMenu_AddCommand(&record->commands, list[i], false);
  } else if (phase == kMenuPhaseRun) {
    RunTitleCommand(field, static_cast<int32_t>(record->entry));
  }
}

void T_Lines::ShowColumn(int32_t code, bool shown) {
  if (code < 0 || code >= kLinesColumnCount) return;
  options.columns[code].shown = shown ? 1 : 0;
  BuildFields();
  InvalidateGrid();
}

bool T_Lines::PasteSelectionText(const char* text) {
  if (!text) return false;
  T_IStream stream;
  stream.CtorFromMemory(text, static_cast<int64_t>(std::strlen(text)));
  bool read = false;
  bool inBlock = false;
  T_TextBuf key;
  while (stream.NextLine()) {
    if (!stream.NextField()) continue;
    const char* field = stream.Field();
    const int32_t n = stream.FieldLength();
    if (n >= 12 && std::strncmp(field, "## Selection", 12) == 0) {
      Selection_clear(&selection);
      inBlock = read = true;
      continue;
    }
    if (n > 0 && field[0] == '#') {
      inBlock = false;
      continue;
    }
    if (!inBlock || n < 2 || field[0] != 'V') continue;
    TextBufAssignBytes(&key, field, n);
    Selection_readKey(&selection, key.data, &stream);
  }
  if (read) EnableCalcButton();
  return read;
}

// --- Data operations ----------------------------------------------------------------------------

void T_Lines::DeleteData(bool ask) {
  const int64_t lines = data.rowCount - data.headerRowCount;
  if (lines <= 0) return;
  if (ask) {
    char count[24];
    std::snprintf(count, sizeof count, "%lld", static_cast<long long>(lines));
    if (!ConfirmDelete(this, 3624, count)) return;
  }
  if (!CloseEditorsOfListedCards()) return;
  // Card order, so that a card is pruned only after the last of its lines went.
  std::vector<LinesRow> doomed;
  doomed.reserve(static_cast<size_t>(lines));
  for (int64_t r = data.headerRowCount; r < data.rowCount; ++r)
    doomed.push_back(*LinesRowAt(&data, r));
  // The rows leave the grid before the first record goes.
  DropDataRows();
  {
    // Every window of the database may show the lines about to go: none paints until the note
    // that makes them drop their rows has gone out.
    DatabasePaintHold hold(database);
    SignatureStamp stamp;
    GetSignatureStamp(&stamp);
    database->BeginLineDeletion(&stamp);
    int64_t done = 0;
    for (const LinesRow& row : doomed) {
      if (AbortRequested()) break;
      database->DeleteLine(row.card, row.group, row.line);
      if (++done % 256 == 0) PumpMessages();
    }
    database->EndLineDeletion();
    database->NotifyCode(28);
  }
  MarkNeedsCalc();
  InvalidateGrid();
}

void T_Lines::MarkCards(int32_t command) {
  std::vector<CardRecord*> cards;
  for (int64_t r = data.headerRowCount; r < data.rowCount; ++r) {
    CardRecord* card = LinesRowAt(&data, r)->card;
    if (cards.empty() || cards.back() != card) cards.push_back(card);
  }
  std::sort(cards.begin(), cards.end());
  cards.erase(std::unique(cards.begin(), cards.end()), cards.end());
  if (cards.empty() || !ConfirmMarkCards(this, command, static_cast<int64_t>(cards.size()))) return;
  if (!CloseEditorsOfListedCards()) return;
  SignatureStamp stamp;
  GetSignatureStamp(&stamp);
  for (CardRecord* card : cards) CardSetReviewStamp(card, &stamp, command);
  database->NotifyCode(28);
}

// --- Opening ------------------------------------------------------------------------------------

T_HWindow* OpenLinesWindow(T_Template* templ, T_Template*, int32_t flags) {
  T_LinesTmpl* lines = AsLinesTemplate(templ);
  if (!lines || !MemCanAlloc(kLinesOpenReserve)) return nullptr;
  auto* window = new (std::nothrow) T_Lines(lines, static_cast<uint32_t>(flags));
  if (!window) return nullptr;
  EventHandler_Open(window);
  return window;
}
