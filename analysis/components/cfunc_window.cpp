// The component functions window: construction from its template, the columns, row texts, the
// recalculation (tree, scans, roll-up, formulas), the mode box and commands, change notes and
// saving. Outputs are in cfunc_output.cpp.
#include "analysis/components/cfunc_window.h"

#include <cmath>
#include <cstring>
#include <new>

#include "analysis/boxwin/box_output.h"
#include "core/alert.h"
#include "core/localized_text.h"
#include "core/memory.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "core/paged_array.h"
#include "core/threads.h"
#include "core/value_format.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/components.h"
#include "database/lines.h"
#include "database/subsets.h"
#include "database/template_runner.h"
#include "ui/busy_indicator.h"
#include "ui/clipboard_data.h"
#include "ui/mode_tree.h"
#include "ui/native_menu.h"
#include "ui/value_choosers.h"
#include "ui/window_utilities.h"

const int32_t kCFuncRowHeights[9] = {12, 14, 18, 24, 30, 36, 48, 60, 72};

namespace {

constexpr uint32_t kViewSelectorId = 4019;
constexpr int32_t kLabelsWidth = 200;
constexpr int32_t kDefaultColumnWidth = 64;
constexpr int32_t kModePictureSelection = 3816;
constexpr int32_t kModePictureFormula = 3817;
constexpr int32_t kChangeComponentsDeleted = 12;
constexpr int32_t kChangeValueCount = 32;
constexpr double kTinyValue = 5.2e-7;
const double kNoValue = std::nan("");

const RECT* TemplateRect(T_CFuncTmpl* templ) {
  static RECT rect;
  rect = templ->GetWindowRect(kCFuncDefaultWidth, kCFuncDefaultHeight);
  return &rect;
}

int32_t NodeRecordWidth(size_t columns) {
  return static_cast<int32_t>(sizeof(StruxNode) + 16 * columns);
}

}  // namespace

T_CFunc* AsCFuncWindow(T_EventHandler* element) { return dynamic_cast<T_CFunc*>(element); }

T_CFunc::T_CFunc(T_CFuncTmpl* templ, uint32_t flags)
    : T_StruxWin(kWindowComponentFunctions, TemplateRect(templ), templ,
                 kComponentFunctionsMenuIcon, templ->database, NodeRecordWidth(0), flags) {
  CFuncDataInit(&data, database);
  data.window = this;
  data.cellsOf = [](void* context, int64_t node) { return static_cast<T_CFunc*>(context)->Cells(node); };
  data.cellsContext = this;
  viewMode = templ->viewMode == 4 ? 4 : 0;
  treeOrder = templ->treeOrder;
  valueOrder = templ->valueOrder;
  barOption = templ->barOption;
  spacing = templ->nSetting >= 0 && templ->nSetting < 9 ? templ->nSetting : 0;
  barStyle = templ->lSetting >= 0 && templ->lSetting < 5 ? templ->lSetting : 1;
  curveStyle = templ->rSetting >= 0 && templ->rSetting < 3 ? templ->rSetting : 1;

  CreateToolbar();
  CreateCalcButton(kCFuncCalcButtonId);
  static const uint16_t kViews[] = {kCFuncViewNumeric, kCFuncViewCurve, 0};
  viewSelector = NewToolSelector(kViewSelectorId, kViews,
                                 viewMode == 4 ? kCFuncViewCurve : kCFuncViewNumeric);
  CreateToolSelector(170, kCFuncToolSelectorId,
                     viewMode == 4 ? kCFuncCurveTools : kCFuncNumericTools,
                     static_cast<uint16_t>(viewMode == 4 ? kCursorZoomIn : kToolRange));
  CreateBusyIndicator();
  const int32_t header = templ->headerHeight > 0 ? templ->headerHeight : GetDefaultHeaderHeight();
  CreateModeBox(templ->GetColumnWidth(80), header);
  headerSplitter = titleSplitter = headerButtons = 1;
  minTitleHeight = 12;
  CreateGridItems(header, templ->titleHeight >= 12 ? templ->titleHeight : 14, 0);

  T_CVariable* focus = nullptr;
  for (T_CVariableTmpl* v = templ->variables; v; v = v->next) {
    T_CVariable* made = v->kind == kVariableSelection
                            ? static_cast<T_CVariable*>(CFuncNewSelection(&data, v->name))
                            : static_cast<T_CVariable*>(CFuncNewFormula(&data, v->name));
    if (!made) break;
    made->SetFromTemplate(v);
    if (templ->focus && static_cast<T_CVariableTmpl*>(templ->focus) == v) focus = made;
  }
  if (!data.selections) CFuncNewSelection(&data, nullptr);
  current = focus;
  if (templ->sortName) sortVariable = CFuncFindVariable(&data, templ->sortName);
  CFunc_setupVariables(&data);
  CFuncBuildOrder(&data);
  BuildFields();
  RebuildModeItems();
  RebuildPanel();
  MakeTitle(nullptr);
}

T_CFunc::~T_CFunc() {
  for (T_CSelection* s = data.selections; s; s = s->nextSelection) s->FreeArrays();
  for (T_CFormula* f = data.formulas; f; f = f->nextFormula) f->FreeArrays();
  CFuncDataFree(&data);
}

int64_t T_CFunc::GetMemoryUsage() {
  return T_StruxWin::GetMemoryUsage() + 1024 + 512 * (data.selectionCount + data.formulaCount);
}

int32_t T_CFunc::GetRowHeight(int64_t) { return kCFuncRowHeights[spacing]; }

int32_t T_CFunc::GetDefaultHeaderHeight() {
  return (viewMode == 4 ? 87 : 160) + (database && database->valueCount >= 2 ? 19 : 0) + 25;
}

bool T_CFunc::IsEmpty() {
  const auto columns = static_cast<int32_t>(data.shownList.size());
  if (!calculated) return true;
  for (int64_t n = 0; n < nodeCount; ++n) {
    const double* cells = Cells(n);
    for (int32_t c = 0; c < columns; ++c) {
      if (ZeroTinyValue(cells[c * 2]) != 0) return false;
    }
  }
  return true;
}

// --- Columns ------------------------------------------------------------------------------------

void T_CFunc::BuildFields() {
  for (T_BoxField* f = firstField; f; f = f->next) {
    auto* field = dynamic_cast<T_CFuncField*>(f);
    if (field && field->variable) field->variable->width = f->Width();
  }
  const int32_t labelsWidth = labelsField ? labelsField->Width() : kLabelsWidth;
  for (T_CVariable* v = data.variables; v; v = v->next) v->field = nullptr;
  while (firstField) {
    T_BoxField* field = firstField;
    DeleteBoxField(&field);
  }
  labelsField = nullptr;
  auto add = [&](T_CVariable* v, int32_t x, int32_t width) -> T_CFuncField* {
    auto* field = new (std::nothrow) T_CFuncField(this, v);
    if (!field) {
      PendingErrorOutOfMemory();
      return nullptr;
    }
    // The titles reach down to the title row's foot, which the curve view's legend may have moved.
    RECT rect{x, 1, x + width, titleHeight > 2 ? titleHeight - 1 : 13};
    field->AppendToWindow(&rect);
    return field;
  };
  int32_t x = 3 - GetScrollX();
  labelsField = add(nullptr, x, labelsWidth);
  if (labelsField) {
    T_TextBuf title;
    ViewTitle(&title);
    labelsField->SetTitleText(title.data);
  }
  x += labelsWidth + 3;
  for (T_CVariable* v : data.shownList) {
    const int32_t width = v->width >= 16 ? v->width : kDefaultColumnWidth;
    T_CFuncField* field = add(v, x, width);
    if (!field) break;
    field->SetTitleText(v->title && *v->title ? v->title : v->name);
    field->SetAlignment(kStyleRight);
    if (v->bold) field->SetFontStyle(kStyleBold);
    v->field = field;
    x += width + 3;
  }
  FieldsRebuilt();
  if (grid) {
    UpdateScrollBoxes(true);
    InvalidateGrid();
  }
}

double T_CFunc::CellValue(int64_t node, const T_CVariable* variable) const {
  if (node < 0 || node >= nodeCount || variable->column < 0) return kNoValue;
  // Cells exist only for the columns of the last calculation.
  if (NodeRecordWidth(static_cast<size_t>(variable->column) + 1) > nodeWidth) return kNoValue;
  return Cells(node)[variable->column * 2 + (variable->sublevels ? 1 : 0)];
}

void T_CFunc::FormatRow(RowTextPool* pool, int64_t row) {
  const int64_t node = RowNode(row);
  if (node < 0 || node >= nodeCount) return;
  const StruxNode* n = Node(node);
  const int32_t slot = n->slot;
  const int32_t d = live.dimension[slot];
  const auto colour = static_cast<uint32_t>(live.colour[slot]);
  const bool leaf = n->firstChild < 0;
  if ((gridMode == kGridShadeLowest && leaf) || (gridMode == kGridShadeUpper && !leaf))
    pool->background = 1;
  if (labelsField) {
    if (!n->component->parent)
      PutCellText(pool, labelsField, database->GetDimPlural(d));
    else
      PutComponentText(pool, labelsField, database, n->component->number, d, live.display[slot]);
    labelsField->cellColour = colour;
  }
  if (!calculated) return;
  for (T_BoxField* f = firstField; f; f = f->next) {
    auto* field = dynamic_cast<T_CFuncField*>(f);
    if (!field || !field->variable) continue;
    const T_CVariable* v = field->variable;
    const double value = CellValue(node, v);
    field->cellColour = colour;
    if (std::isnan(value)) continue;
    PutNumberText(pool, field, value, v->decimals, v->signStyle, true);
    if (v->colouring) field->cellColour = ValueColorIndex(value, v->colouring);
  }
}

// --- Structure window slots ---------------------------------------------------------------------

void T_CFunc::GetValueTitle(T_TextBuf* text, int32_t index) {
  if (index < 0 || index >= GetValueCount()) {
    TextBufAssign(text, "");
    return;
  }
  const T_CVariable* v = data.shownList[static_cast<size_t>(index)];
  TextBufAssign(text, v->title && *v->title ? v->title : v->name);
}

bool T_CFunc::NodeHasData(int64_t node) {
  for (T_CSelection* s = data.computed; s; s = s->nextComputed) {
    if (!s->ownCounts.empty() && s->HasLines(node)) return true;
  }
  return false;
}

void T_CFunc::CollectNodes(std::vector<uint8_t>* keep) {
  for (int64_t n = 1; n < nodeCount; ++n) {
    if (NodeHasData(n)) (*keep)[static_cast<size_t>(n)] = 1;
  }
}

bool T_CFunc::NodePassesFilter(int64_t node, int32_t part, int32_t filter) {
  const double* cells = Cells(node);
  const auto columns = static_cast<int32_t>(data.shownList.size());
  auto passes = [&](int32_t c) {
    const double v = cells[c * 2 + (part ? 1 : 0)];
    return !std::isnan(v) && std::fabs(v) >= kTinyValue;
  };
  if (filter < kViewFilterColumn) {
    for (int32_t c = 0; c < columns; ++c) {
      if (passes(c)) return true;
    }
    return false;
  }
  const int32_t c = filter - kViewFilterColumn;
  return c < columns && passes(c);
}

double T_CFunc::GetNodeValue(int64_t node) {
  if (!sortVariable || sortVariable->column < 0) return kNoValue;
  return Cells(node)[sortVariable->column * 2 + 1];
}

void T_CFunc::ComputeNodeValues() {
  // Only the combinations of components on admitted lines: the scan without accumulation.
  for (T_CSelection* s = data.computed; s; s = s->nextComputed) {
    auto* first = static_cast<CardRecord*>(s->firstCard);
    for (CardRecord* card = first; card && card != s->endCard && card != database->sentinelCard;
         card = card->next) {
      if (AbortRequested() || TupleTableOverfull()) return;
      if (!Selection_matchCard(&s->selection, card)) continue;
      for (GroupRecord* group = card->firstGroup; group; group = group->next) {
        if (!CompSelSelects(&s->selection.components, group->component)) continue;
        for (LineRecord* line = group->firstLine; line; line = line->next) {
          if (Selection_matchLine(&s->selection, line)) MarkLineTuple(group, line);
        }
      }
    }
  }
}

void T_CFunc::FillTree() {
  tree.parent.resize(static_cast<size_t>(nodeCount));
  for (int64_t i = 0; i < nodeCount; ++i) tree.parent[static_cast<size_t>(i)] = Node(i)->parent;
  tree.LinkFromParents();
  for (int64_t i = 0; i < nodeCount; ++i) {
    const StruxNode* n = Node(i);
    const auto k = static_cast<size_t>(i);
    tree.dim[k] = SlotDimension(n->slot) + 1;
    tree.level[k] = n->level;
    int32_t depth = 0;
    for (const ComponentRecord* c = n->component; c && c->parent; c = c->parent) ++depth;
    tree.dimLevel[k] = depth;
  }
}

// --- Calculation --------------------------------------------------------------------------------

namespace {

void ScanSelection(T_CFunc* window, T_CSelection* s, T_BusyIndicator* busy) {
  T_Base* database = window->database;
  auto* first = static_cast<CardRecord*>(s->firstCard);
  const int32_t column = s->valueColumn;
  for (CardRecord* card = first; card && card != s->endCard && card != database->sentinelCard;
       card = card->next) {
    if (AbortRequested()) return;
    if (Selection_matchCard(&s->selection, card)) {
      const PackedDate date = card->dateNode->date;
      for (GroupRecord* group = card->firstGroup; group; group = group->next) {
        if (!CompSelSelects(&s->selection.components, group->component)) continue;
        for (LineRecord* line = group->firstLine; line; line = line->next) {
          if (!Selection_matchLine(&s->selection, line)) continue;
          const int64_t node = window->FindNodeForLine(group, line);
          if (node >= 0) s->Take(window->tree, card, date, node, LineValues(line)[column]);
        }
      }
    }
    if (busy) busy->Tick();
  }
}

}  // namespace

void T_CFunc::RunCalculation(bool, bool rescale) {
  try {
    RunCalculationSteps(rescale);
  } catch (const std::bad_alloc&) {
    calculated = 0;
    for (T_CSelection* s = data.selections; s; s = s->nextSelection) s->FreeArrays();
    for (T_CFormula* f = data.formulas; f; f = f->nextFormula) f->FreeArrays();
    DropTreeOutOfMemory();
    if (auto* busy = dynamic_cast<T_BusyIndicator*>(busyIndicator)) busy->Finish();
    SetCalcButtonEnabled(true);
    InvalidateGrid();
  }
}

void T_CFunc::RunCalculationSteps(bool rescale) {
  bool failed = false;
  if (!CFunc_setupVariables(&data)) {
    PendingErrorReport();
    SetCalcButtonEnabled(true);
    return;
  }
  if (AbortRequested()) return;
  auto* busy = dynamic_cast<T_BusyIndicator*>(busyIndicator);
  if (!busy) return;
  for (T_CFormula* f = data.formulas; f; f = f->nextFormula) f->FreeArrays();
  ClearCellSelection();
  busy->Start();
  for (T_CSelection* s = data.selections; s && !failed; s = s->nextSelection) {
    if (!Selection_validate(&s->selection, this)) {
      SelectVariable(s);
      failed = true;
    }
  }
  T_CFormula* culprit = nullptr;
  const int32_t code = failed ? 0 : CFuncCheckFormulas(&data, &culprit);
  if (code) {
    if (culprit) SelectVariable(culprit);
    if (PendingErrorSet(code)) PendingError.request.owner = this;
    PendingErrorReport();
    failed = true;
  }
  bool aborted = false;
  if (!failed) {
    CFuncBuildOrder(&data);
    BuildFields();
    const int32_t width = NodeRecordWidth(data.shownList.size());
    if (width != nodeWidth || refreshNodes) {
      ResetTree();
      nodeCount = 0;
      rows.clear();
      rowCount = 0;
      PagedArrayFree(&nodes);
      nodeWidth = width;
      PagedArrayInit(&nodes, nodeWidth, 2);
      refreshNodes = 0;
    }
  }
  calculated = 0;
  if (!failed && !data.shownList.empty()) {
    CardId fileFirst, fileLast;
    database->GetCardIdBound(&fileFirst, -1);
    database->GetCardIdBound(&fileLast, 1);
    BitVector components;
    BitVecInit(&components, 0, 0);
    bool firstSet = true;
    int64_t work = 0;
    for (T_CSelection* s = data.computed; s; s = s->nextComputed) {
      const CardId from = s->selection.from.cardId.date ? s->selection.from.cardId : fileFirst;
      const CardId to = s->selection.to.cardId.date ? s->selection.to.cardId : fileLast;
      CardRecord* first = nullptr;
      CardRecord* after = nullptr;
      work += database->CountCardsBetween(&from, &to, &first, &after);
      s->firstCard = first;
      s->endCard = after;
      if (firstSet) {
        BitVecFree(&components);
        BitVecInitCopy(&components, &s->selection.components.components, 0);
        firstSet = false;
      } else {
        BitVecOr(&components, &s->selection.components.components);
      }
    }
    busy->AddWork(work);
    ResetTree();
    const bool built = BuildTree(&components);
    BitVecFree(&components);
    if (!built) {
      if (PendingError.request.message == 600) PendingErrorReport();
      aborted = true;
    }
    if (!aborted && !AbortRequested()) {
      FillTree();
      for (T_CSelection* s = data.computed; s && !failed && !AbortRequested(); s = s->nextComputed) {
        if (!s->Prepare(nodeCount)) {
          failed = true;
          break;
        }
        ScanSelection(this, s, busy);
        if (AbortRequested()) break;
        const CardId to = s->selection.to.cardId.date ? s->selection.to.cardId : fileLast;
        if (!s->Finish(tree, PackedDateToDayNumber(to.date) + 1)) failed = true;
      }
      for (T_CFormula* f = data.evaluated; f && !failed; f = f->nextEvaluated) {
        if (!f->SetUpRule(nodeCount)) failed = true;
      }
      if (failed) PendingErrorReport();
      if (!failed && !AbortRequested()) {
        CFunc_evaluate(&data, tree);
        calculated = 1;
        FilterNodes();
        if (sortVariable && sortVariable->column >= 0)
          SortTree(0, treeOrder, valueOrder);
        else if (treeOrder != 0)
          SortTree(-1, treeOrder, valueOrder);
      }
    }
    aborted = aborted || AbortRequested();
  }
  busy->Finish();
  for (T_CSelection* s = data.selections; s; s = s->nextSelection) s->FreeArrays();
  for (T_CFormula* f = data.formulas; f; f = f->nextFormula) f->FreeArrays();
  if (aborted || failed) calculated = 0;
  RebuildRows();
  if (labelsField) {
    T_TextBuf title;
    ViewTitle(&title);
    labelsField->SetTitleText(title.data);
  }
  if (rescale && calculated) {
    largest = 0;
    smallest = 0;
    for (int64_t n = 0; n < nodeCount; ++n) {
      double positive = 0;
      double negative = 0;
      for (T_CVariable* v : data.shownList) {
        const double value = Cells(n)[v->column * 2 + (v->sublevels ? 1 : 0)];
        // Only finite cells: an infinite one would make the scale 0.
        if (!std::isfinite(value)) continue;
        if (barStyle == 4) {
          (value > 0 ? positive : negative) += value;
        } else {
          if (value > largest) largest = value;
          if (value < smallest) smallest = value;
        }
      }
      if (barStyle == 4) {
        if (positive > largest) largest = positive;
        if (negative < smallest) smallest = negative;
      }
    }
    if (largest == smallest || data.shownList.empty()) largest = 1.0;
    zoom.Clear();
  }
  SetCalcButtonEnabled(aborted || failed);
  if (nodeCount >= 0 && static_cast<int64_t>(rows.size()) > nodeCount) rows.resize(static_cast<size_t>(nodeCount));
  FreeTree();
  InvalidateGrid();
}

// --- Mode box and variables ----------------------------------------------------------------------

void T_CFunc::RebuildModeItems() {
  if (!modeBox) return;
  ModeNode* overview = modeBox->FindNode(kCFuncItemOverview);
  while (overview && overview->firstChild) modeBox->RemoveNode(overview->firstChild);
  if (!overview) {
    overview = AddModeItemWithPicture(nullptr, nullptr, kCFuncItemOverview, 0);
    AddModeItemWithPicture(nullptr, nullptr, kCFuncModeView, 3822);
    AddModeItemWithPicture(nullptr, nullptr, kCFuncModeDisplay, 3820);
    for (int32_t page : {kPanelSubsets, kPanelPrinting, kPanelExport, kPanelNotes})
      AddModeItemWithPicture(nullptr, nullptr, page, 3819 + (page - kPanelSubsets));
  }
  if (!overview) return;
  for (T_CVariable* v = data.variables; v; v = v->next) {
    ModeNode* node = AddModeItemWithPicture(
        overview, nullptr, kCFuncItemFirst + v->VariableOrder(),
        v->kind == kVariableSelection ? kModePictureSelection : kModePictureFormula);
    v->modeItem = node;
  }
  modeBox->SetExpanded(overview, true);
}

void T_CFunc::SelectVariable(T_CVariable* variable) {
  current = variable;
  mode = variable ? (variable->kind == kVariableSelection ? kCFuncModeSelection : kCFuncModeFormula)
                  : kCFuncModeOverview;
  if (modeBox && variable && variable->modeItem)
    modeBox->SelectNode(static_cast<ModeNode*>(variable->modeItem));
}

void T_CFunc::OnModeboxEvent(T_GrafElement* box, ModeboxEvent* record) {
  const int32_t id = record->nodeId;
  T_CVariable* variable = nullptr;
  if (id >= kCFuncItemFirst) {
    for (T_CVariable* v = data.variables; v; v = v->next) {
      if (kCFuncItemFirst + v->VariableOrder() == id) variable = v;
    }
  }
  const bool own = id == kCFuncItemOverview || id == kCFuncModeView || id == kCFuncModeDisplay ||
                   variable != nullptr;
  if (!own) {
    if (record->code == kModeChosen) mode = id;
    T_StruxWin::OnModeboxEvent(box, record);
    return;
  }
  if (record->code == kModeDescribe) {
    if (variable)
      ModeboxEvent_SetText(record, variable->name ? variable->name : "");
    else
      ModeboxEvent_SetText(record, GetString(id == kCFuncItemOverview ? 3134
                                             : id == kCFuncModeView   ? 5200
                                                                      : 3141));
    return;
  }
  if (record->code != kModeChosen) return;
  ClosePanelPage();
  DeleteSelectionEdits();
  if (variable) {
    current = variable;
    mode = variable->kind == kVariableSelection ? kCFuncModeSelection : kCFuncModeFormula;
  } else {
    mode = id == kCFuncItemOverview ? kCFuncModeOverview : id;
  }
  SetPanelShown(mode == kCFuncModeView);
  OpenHeaderPage();
}

void T_CFunc::VariablesChanged() {
  // The columns name the variables and the cells follow the columns of the last calculation:
  // both are redone, and the values wait for the next calculation.
  CFunc_setupVariables(&data);
  CFuncBuildOrder(&data);
  BuildFields();
  RebuildModeItems();
  calculated = 0;
  InvalidateGrid();
  MarkNeedsCalc();
}

T_CVariable* T_CFunc::NewVariable(int32_t kind) {
  T_CVariable* v = kind == kVariableSelection
                       ? static_cast<T_CVariable*>(CFuncNewSelection(&data, nullptr))
                       : static_cast<T_CVariable*>(CFuncNewFormula(&data, nullptr));
  if (!v) {
    PendingErrorReport();
    return nullptr;
  }
  VariablesChanged();
  SelectVariable(v);
  return v;
}

bool T_CFunc::CopyVariables(bool all) {
  T_OStream stream;
  if (all) {
    for (T_CVariable* v = data.variables; v; v = v->next) v->WriteText(&stream);
  } else if (current) {
    current->WriteText(&stream);
  } else {
    return false;
  }
  return ClipboardSetText(reinterpret_cast<const char*>(stream.start),
                          static_cast<int32_t>(stream.BufferedLength()), 0);
}

bool T_CFunc::PasteVariables(bool replaceAll) {
  char* text = ClipboardReadText();
  if (!text) return false;
  const auto length = static_cast<int32_t>(std::strlen(text));
  if (!CFuncTextHasVariables(text, length)) {
    MemFree(text);
    return false;
  }
  T_CVariable* into = nullptr;
  if (replaceAll) {
    sortVariable = nullptr;
    into = CFuncEraseAll(&data);
  } else if (mode == kCFuncModeSelection || mode == kCFuncModeFormula) {
    into = current;
  }
  T_CVariable* last = CFuncPaste(&data, text, length, into);
  MemFree(text);
  VariablesChanged();
  if (last) SelectVariable(replaceAll ? data.variables : last);
  return last != nullptr;
}

bool T_CFunc::EraseCurrent() {
  if (!current) return false;
  bool stale = false;
  T_CVariable* erased = current;
  const bool wasOnly = erased->kind == kVariableSelection && data.selectionCount == 1;
  if (!CFuncErase(&data, erased, &stale)) return false;
  if (!wasOnly) {
    if (sortVariable == erased) sortVariable = nullptr;
    current = nullptr;
  }
  VariablesChanged();
  (void)stale;
  return true;
}

void T_CFunc::UpdateCommands() {
  T_StruxWin::UpdateCommands();
  const MenuOperations* menus = Menus();
  if (!menus || !menus->enableCommand) return;
  const bool onVariable = (mode == kCFuncModeSelection || mode == kCFuncModeFormula) && current;
  for (int32_t command : {kCommandCut, kCommandErase, kCommandDuplicate})
    menus->enableCommand(command, onVariable);
  menus->enableCommand(kCommandCopy, true);
  char* text = ClipboardReadText();
  const bool pasteable = text && CFuncTextHasVariables(text, static_cast<int32_t>(std::strlen(text)));
  MemFree(text);
  menus->enableCommand(kCommandPaste, pasteable);
}

bool T_CFunc::DoCommand(int32_t command) {
  const bool onVariable = (mode == kCFuncModeSelection || mode == kCFuncModeFormula) && current;
  switch (command) {
    case kCommandCopy:
      if (!onVariable && mode != kCFuncModeOverview) break;
      CopyVariables(!onVariable);
      return true;
    case kCommandCut:
      if (!onVariable) break;
      if (CopyVariables(false)) EraseCurrent();
      return true;
    case kCommandPaste:
      if (!onVariable && mode != kCFuncModeOverview) break;
      PasteVariables(mode == kCFuncModeOverview);
      return true;
    case kCommandErase:
      if (!onVariable) break;
      EraseCurrent();
      return true;
    case kCommandDuplicate:
      if (!onVariable) break;
      if (T_CVariable* copy = CFuncDuplicate(&data, current)) {
        VariablesChanged();
        SelectVariable(copy);
      }
      return true;
    case 3143:
    case 3144:
    case 3145:
    case 3146:
    case 3147:
      // The "»" commands: of the current variable, or of every variable on the overview.
      OpenVariableIn(command, onVariable ? current : nullptr, -1);
      return true;
    default:
      break;
  }
  return T_StruxWin::DoCommand(command);
}

void T_CFunc::RestrictToSubset(void* subset) {
  auto* chosen = static_cast<Subset*>(subset);
  if (!chosen) return;
  for (T_CSelection* s = data.selections; s; s = s->nextSelection)
    Selection_andSubset(&s->selection, SubsetName(chosen));
  MarkNeedsCalc();
}

void T_CFunc::OnSelectorEvent(T_GrafElement* selector) {
  if (viewSelector && selector == viewSelector) {
    SetPresentation(viewSelector->currentPicture == kCFuncViewCurve ? 4 : 0);
    return;
  }
  T_StruxWin::OnSelectorEvent(selector);
}

void T_CFunc::SetPresentation(uint32_t newMode) {
  if (newMode == viewMode) return;
  // The base's switch runs Refresh with the old mode.
  SetViewMode(newMode);
  InvalidateGrid();
}

// --- Change notes -------------------------------------------------------------------------------

void T_CFunc::OnChange(const ChangeNote* note) {
  T_StruxWin::OnChange(note);
  if (VariablesOnChange(note)) MarkNeedsCalc();
  if (note->database && note->database != database) return;
  bool boundChanged = false;
  for (T_CSelection* s = data.selections; s; s = s->nextSelection) {
    const CardId from = s->selection.from.cardId;
    const CardId to = s->selection.to.cardId;
    Selection_onChange(&s->selection, note);
    boundChanged = boundChanged || std::memcmp(&from, &s->selection.from.cardId, sizeof from) != 0 ||
                   std::memcmp(&to, &s->selection.to.cardId, sizeof to) != 0;
  }
  switch (note->code) {
    case 11:
    case 27:
    case 28:
      MarkNeedsCalc();
      break;
    case kChangeComponentsDeleted:
      refreshNodes = 1;
      // The nodes may name deleted components: they go before anything paints them.
      nodeCount = 0;
      rows.clear();
      rowCount = 0;
      calculated = 0;
      InvalidateGrid();
      MarkNeedsCalc();
      break;
    case kChangeValueCount:
      MarkNeedsCalc();
      break;
    default:
      if (boundChanged) MarkNeedsCalc();
      break;
  }
}

// --- Template -----------------------------------------------------------------------------------

void T_CFunc::SaveToTemplate(T_Template* target) {
  T_StruxWin::SaveToTemplate(target);
  T_CFuncTmpl* t = AsComponentFunctionsTemplate(target);
  if (!t) return;
  for (T_BoxField* f = firstField; f; f = f->next) {
    auto* field = dynamic_cast<T_CFuncField*>(f);
    if (field && field->variable) field->variable->width = f->Width();
  }
  while (t->selections) t->RemoveSelection(t->selections);
  while (t->formulas) t->RemoveFormula(t->formulas);
  t->focus = nullptr;
  for (T_CVariable* v = data.variables; v; v = v->next) {
    T_CVariableTmpl* record = v->kind == kVariableSelection
                                  ? static_cast<T_CVariableTmpl*>(t->AddSelection())
                                  : static_cast<T_CVariableTmpl*>(t->AddFormula());
    if (!record) break;
    v->WriteToTemplate(record);
    if (v == current && v->kind == kVariableFormula) t->focus = static_cast<T_CFormulaTmpl*>(record);
  }
  ViewDimSet saved = edited;
  ViewDimSetRemoveRepeats(&saved);
  t->viewDims = saved;
  T_TextBuf expansion;
  SaveExpansionState(&expansion);
  t->SetExpansionText(expansion.data);
  t->viewMode = viewMode == 4 ? 4 : 0;
  t->treeOrder = treeOrder;
  t->valueOrder = valueOrder;
  t->barOption = barOption;
  t->nSetting = spacing;
  t->lSetting = barStyle;
  t->rSetting = curveStyle;
  if (labelsField) t->labelWidth = static_cast<int16_t>(labelsField->Width());
  t->SetSortName(sortVariable ? sortVariable->name : nullptr);
}

// --- Opening ------------------------------------------------------------------------------------

T_HWindow* OpenComponentFunctionsWindow(T_Template* templ, T_Template*, int32_t flags) {
  T_CFuncTmpl* cfunc = AsComponentFunctionsTemplate(templ);
  if (!cfunc || !MemCanAlloc(kCFuncOpenReserve)) return nullptr;
  auto* window = new (std::nothrow) T_CFunc(cfunc, static_cast<uint32_t>(flags));
  if (!window) return nullptr;
  EventHandler_Open(window);
  return window;
}

void InstallComponentFunctionsWindow() {
  SetWindowOpener(kTemplateComponentFunctions, OpenComponentFunctionsWindow);
}
