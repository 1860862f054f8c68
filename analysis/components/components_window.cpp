// The components window: construction from its template, fields, row texts, the calculation
// (line passes, sums up the tree, filter and sort), pages, commands and change notes. Outputs and
// the windows it opens are in components_output.cpp, the graphic in components_graphic.cpp.
#include "analysis/components/components_window.h"

#include <cmath>
#include <cstring>
#include <new>

#include "analysis/boxwin/box_output.h"
#include "core/alert.h"
#include "core/localized_text.h"
#include "core/memory.h"
#include "core/message_pump.h"
#include "core/owned_text.h"
#include "core/threads.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/combination.h"
#include "database/components.h"
#include "database/lines.h"
#include "database/model_links.h"
#include "database/subsets.h"
#include "database/template_runner.h"
#include "ui/application.h"
#include "ui/busy_indicator.h"
#include "ui/button.h"
#include "ui/chooser.h"
#include "ui/clipboard_data.h"
#include "ui/popup_menu.h"
#include "ui/sort_orders.h"
#include "ui/value_choosers.h"

namespace {

constexpr uint32_t kToolSelectorId = 4018;
constexpr uint32_t kViewSelectorId = 4019;
const uint16_t kTools[] = {kCompsToolSelect, kCompsToolDrag, 0};
const uint16_t kViews[] = {kCompsViewGrid, kCompsViewGraphic, 0};
constexpr int32_t kCardsPerPump = 512;
constexpr int32_t kTitleWidth = 200;
constexpr int32_t kDefaultFieldWidth = 64;
constexpr uint16_t kTitleSortRows = 3620;
constexpr int32_t kChangeComponentsDeleted = 12;
constexpr int32_t kChangeValueCount = 32;

const double kNoValue = std::nan("");

bool NonZero(double v) { return std::isfinite(v) && std::fabs(v) >= kCompsZero; }

// The node record width of the base.
constexpr int32_t kNodeWidth = static_cast<int32_t>(sizeof(CompsNode));

const RECT* TemplateRect(T_CompsTmpl* templ) {
  static RECT rect;
  rect = templ->GetWindowRect(kCompsDefaultWidth, kCompsDefaultHeight);
  return &rect;
}

void ClearBlock(CompsValues* b) { std::memset(b, 0, sizeof *b); }

}  // namespace

double CompsValueOf(const CompsValues& b, int32_t type, double percentBase) {
  switch (type) {
    case kCompsBefore:
      return b.before;
    case kCompsNegative:
      return b.negative;
    case kCompsPositive:
      return b.positive;
    case kCompsPeriod:
      return b.positive + b.negative;
    case kCompsPercentage:
      return (b.positive + b.negative) / percentBase;
    case kCompsCards:
      return static_cast<double>(b.cards);
    case kCompsLines:
      return static_cast<double>(b.lines);
    case kCompsAtEnd:
      return b.before + b.positive + b.negative;
    case kCompsAfter:
      return b.after;
    case kCompsTotal:
      return b.before + b.positive + b.negative + b.after;
    default:
      return kNoValue;
  }
}

T_Comps* AsCompsWindow(T_EventHandler* element) { return dynamic_cast<T_Comps*>(element); }

T_Comps::T_Comps(T_CompsTmpl* templ, uint32_t flags)
    : T_StruxWin(kWindowComponents, TemplateRect(templ), templ, kCompsHelpId, templ->database,
                 kNodeWidth, flags) {
  Selection_init(&selection, database, this, &subsets);
  Selection_setFromDef(&selection, &templ->selection);
  TakeBoundsSeen();
  options = templ->options;
  if (options.valueField >= database->valueCount) options.valueField = 0;
  indentation = options.indentation;
  viewMode = templ->viewMode == 3 ? 3 : 0;

  CreateToolbar();
  CreateCalcButton(kCompsCalcButtonId);
  CreateToolSelector(170, kToolSelectorId, kTools, static_cast<uint16_t>(options.tool));
  viewSelector = NewToolSelector(kViewSelectorId, kViews,
                                 viewMode == 3 ? kCompsViewGraphic : kCompsViewGrid);
  CreateBusyIndicator();
  const int32_t header = templ->headerHeight > 0 ? templ->headerHeight : GetDefaultHeaderHeight();
  CreateModeBox(templ->GetColumnWidth(80), header);
  static constexpr struct {
    int32_t id;
    int32_t picture;
  } kPages[] = {{kCompsPageSelection, 3816}, {kPanelSubsets, 3819},  {kCompsPageColumns, 3822},
                {kCompsPageOptions, 3820},   {kCompsPageSorting, 3823}, {kPanelPrinting, 3824},
                {kPanelExport, 3825},        {kPanelNotes, 3826}};
  for (const auto& page : kPages) AddModeItemWithPicture(nullptr, nullptr, page.id, page.picture);
  headerSplitter = titleSplitter = headerButtons = 1;
  minTitleHeight = 12;
  CreateGridItems(header, templ->titleHeight >= 12 ? templ->titleHeight : 14, 0);
  SetSelectMode(options.tool == kCompsToolSelect ? kSelectRange : kSelectNone);
  BuildFields();
  RebuildPanel();
  MakeTitle(nullptr);
}

T_Comps::~T_Comps() { Selection_free(&selection); }

int64_t T_Comps::GetMemoryUsage() { return T_StruxWin::GetMemoryUsage() + 880; }

int32_t T_Comps::GetRowHeight(int64_t) { return 12; }

bool T_Comps::IsEmpty() {
  for (int64_t n = 0; n < nodeCount; ++n) {
    if (CNode(n)->own.lines) return false;
  }
  return true;
}

// --- Fields -------------------------------------------------------------------------------------

int32_t T_Comps::TypeOfField(const T_BoxField* field) const {
  auto* f = dynamic_cast<const T_CompsField*>(field);
  return f ? f->type : -1;
}

void T_Comps::BuildFields() {
  for (int32_t t = 0; t < kCompsTypeCount; ++t) {
    if (fields[t]) options.columns[t].width = fields[t]->Width();
    fields[t] = nullptr;
  }
  int32_t titleWidth = titleField ? titleField->Width() : kTitleWidth;
  while (firstField) {
    T_BoxField* field = firstField;
    DeleteBoxField(&field);
  }
  titleField = nullptr;
  auto add = [&](int32_t type, int32_t x, int32_t width) -> T_CompsField* {
    auto* field = new (std::nothrow) T_CompsField(this, type);
    if (!field) return nullptr;
    RECT rect{x, 1, x + width, 13};
    field->AppendToWindow(&rect);
    return field;
  };
  int32_t x = 3 - GetScrollX();
  titleField = add(-1, x, titleWidth);
  if (titleField) {
    T_TextBuf title;
    ViewTitle(&title);
    titleField->SetTitleText(title.data);
  }
  x += titleWidth + 2;
  const bool graphic = viewMode == 3;
  for (int32_t t = 0; t < kCompsTypeCount; ++t) {
    const CompsColumn& c = options.columns[t];
    if (graphic ? t != options.graphType : !c.shown) continue;
    const int32_t width = c.width >= kMinFieldWidth ? c.width : kDefaultFieldWidth;
    T_CompsField* field = add(t, x, width);
    if (!field) break;
    field->SetTitleId(kCompsFirstTitle + t);
    field->SetAlignment(kStyleRight);
    if (c.bold && !graphic) field->SetFontStyle(kStyleBold);
    fields[t] = field;
    x += width + 2;
  }
  UpdateSortMarkers();
  if (grid) {
    UpdateScrollBoxes(true);
    InvalidateGrid();
  }
}

void T_Comps::ShowColumn(int32_t type, bool shown) {
  if (type < 0 || type >= kCompsTypeCount) return;
  CompsColumn& c = options.columns[type];
  if ((c.shown != 0) == shown) return;
  c.shown = shown ? 1 : 0;
  BuildFields();
  bool needsValues = false;
  if (shown) {
    needsValues = (CompsTypeNeedsBefore(type) && !computedBefore) ||
                  (CompsTypeNeedsAfter(type) && !computedAfter) ||
                  (type == kCompsCards && !computedCards);
    for (int32_t s = 0; s < live.count; ++s)
      needsValues = needsValues || live.filter[s] >= kViewFilterNonZero;
  }
  if (needsValues && calculated) MarkNeedsCalc();
}

void T_Comps::UpdateSortMarkers() {
  for (T_BoxField* f = firstField; f; f = f->next) f->SetSortIcons(0, 0);
  const int32_t sort = options.sortColumn;
  if (sort >= 0 && sort < kCompsTypeCount && fields[sort]) {
    fields[sort]->SetSortIcons(options.valueOrder < 3 ? kMarkerDescending : kMarkerAscending, 0);
  } else if (sort < 0 && options.componentOrder != kTreeNormal && titleField) {
    titleField->SetSortIcons(options.componentOrder == kTreeReversed ? kMarkerDescending
                                                                     : kMarkerAscending,
                             0);
  }
}

// --- Rows ---------------------------------------------------------------------------------------

const CompsValues& T_Comps::BlockFor(int64_t node, int32_t type, bool sublevels) const {
  (void)type;
  const CompsNode* n = CNode(node);
  return n->base.expanded && n->base.firstChild >= 0 && !sublevels ? n->own : n->total;
}

void T_Comps::FormatRow(RowTextPool* pool, int64_t row) {
  const int64_t node = RowNode(row);
  if (node < 0 || node >= nodeCount) return;
  const CompsNode* n = CNode(node);
  const int32_t slot = n->base.slot;
  const int32_t d = live.dimension[slot];
  const uint32_t colour = static_cast<uint32_t>(live.colour[slot]);
  // Row emphasis: the leaves (mode 7) or the nodes with children (mode 8) are shaded.
  const bool leaf = n->base.firstChild < 0;
  if ((gridMode == kGridShadeLowest && leaf) || (gridMode == kGridShadeUpper && !leaf))
    pool->background = 1;
  if (titleField) {
    if (!n->base.component->parent)
      PutCellText(pool, titleField, database->GetDimPlural(d));
    else
      PutComponentText(pool, titleField, database, n->base.component->number, d,
                       live.display[slot]);
    titleField->cellColour = colour;
  }
  const bool graphic = viewMode == 3;
  for (int32_t t = 0; t < kCompsTypeCount; ++t) {
    T_CompsField* field = fields[t];
    if (!field) continue;
    const CompsColumn& c = options.columns[t];
    const bool sublevels = graphic ? options.graphSublevels != 0 : c.sublevels != 0;
    const int32_t decimals = graphic ? options.graphDecimals : c.decimals;
    const int32_t negative = graphic ? options.graphNegative : c.negative;
    const int32_t colourMode = graphic ? options.graphColour : c.colour;
    const CompsValues& block = BlockFor(node, t, sublevels);
    const double v = CompsValueOf(block, t, percentBase);
    field->cellColour = colour;
    if (t == kCompsCards || t == kCompsLines) {
      PutIntegerText(pool, field, t == kCompsCards ? block.cards : block.lines, true);
      continue;
    }
    if (!std::isfinite(v) && !std::isinf(v)) continue;  // no value
    if ((t == kCompsNegative || t == kCompsPositive) && v == 0) continue;
    PutNumberText(pool, field, v, decimals, negative, true);
    if (colourMode) field->cellColour = ValueColorIndex(v, colourMode);
  }
}

// --- Structure window slots ---------------------------------------------------------------------

void T_Comps::GetValueTitle(T_TextBuf* text, int32_t) { TextBufAssign(text, ""); }

void T_Comps::CollectNodes(std::vector<uint8_t>* keep) {
  for (int64_t n = 1; n < nodeCount; ++n) {
    if (CNode(n)->own.lines) (*keep)[static_cast<size_t>(n)] = 1;
  }
}

bool T_Comps::NodeHasData(int64_t node) { return CNode(node)->own.lines != 0; }

bool T_Comps::NodePassesFilter(int64_t node, int32_t part, int32_t) {
  const CompsValues& block = part ? CNode(node)->total : CNode(node)->own;
  if (viewMode == 3) return NonZero(CompsValueOf(block, options.graphType, percentBase));
  for (int32_t t = 0; t < kCompsTypeCount; ++t) {
    if (options.columns[t].shown && NonZero(CompsValueOf(block, t, percentBase))) return true;
  }
  return false;
}

double T_Comps::GetNodeValue(int64_t node) {
  const int32_t type = viewMode == 3 ? options.graphType : options.sortColumn;
  return CompsValueOf(CNode(node)->total, type, percentBase);
}

void T_Comps::OnVisibleRowsChanged() {
  // The graphic's node moves up to its highest collapsed ancestor.
  if (currentNode >= nodeCount) currentNode = 0;
  int64_t highest = currentNode;
  for (int64_t a = currentNode > 0 ? Node(currentNode)->parent : -1; a >= 0; a = Node(a)->parent) {
    if (!Node(a)->expanded) highest = a;
  }
  currentNode = highest;
  if (viewMode == 3) InvalidateGrid();
}

void T_Comps::OnNodeExpanded(int64_t node) {
  if (viewMode != 3) return;
  currentNode = currentNode == node ? 0 : node;
  InvalidateGrid();
}

void T_Comps::ComputeNodeValues() {
  auto* busy = dynamic_cast<T_BusyIndicator*>(busyIndicator);
  int32_t untilPump = kCardsPerPump;
  for (CardRecord* card = firstCard; card && card != endCard && card != database->sentinelCard;
       card = card->next) {
    if (busy) busy->Tick();
    if (--untilPump == 0) {
      untilPump = kCardsPerPump;
      PumpMessages();
    }
    if (AbortRequested() || TupleTableOverfull()) return;
    if (!Selection_matchCard(&selection, card)) continue;
    for (GroupRecord* group = card->firstGroup; group; group = group->next) {
      if (!CompSelSelects(&selection.components, group->component)) continue;
      for (LineRecord* line = group->firstLine; line; line = line->next) {
        if (Selection_matchLine(&selection, line)) MarkLineTuple(group, line);
      }
    }
  }
}

// --- Calculation --------------------------------------------------------------------------------

void T_Comps::AccumulateLines(CardRecord* first, CardRecord* end, int32_t mode) {
  auto* busy = dynamic_cast<T_BusyIndicator*>(busyIndicator);
  const int32_t column = valueColumn;
  int32_t untilPump = kCardsPerPump;
  for (CardRecord* card = first; card && card != end && card != database->sentinelCard;
       card = card->next) {
    if (busy) busy->Tick();
    if (--untilPump == 0) {
      untilPump = kCardsPerPump;
      PumpMessages();
    }
    if (AbortRequested()) return;
    if (!Selection_matchCard(&selection, card)) continue;
    for (GroupRecord* group = card->firstGroup; group; group = group->next) {
      if (!CompSelSelects(&selection.components, group->component)) continue;
      for (LineRecord* line = group->firstLine; line; line = line->next) {
        if (!Selection_matchLine(&selection, line)) continue;
        const int64_t node = FindNodeForLine(group, line);
        if (node < 0) continue;
        const double v = LineValues(line)[column];
        // A value that is not finite would make every sum above it "no value": it counts nowhere.
        if (!std::isfinite(v)) continue;
        CompsNode* n = CNode(node);
        if (mode == kAccumulateBefore) {
          n->own.before += v;
          continue;
        }
        if (mode == kAccumulateAfter) {
          n->own.after += v;
          continue;
        }
        if (v > 0)
          n->own.positive += v;
        else if (v < 0)
          n->own.negative += v;
        ++n->own.lines;
        if (!computedCards) continue;
        if (n->own.lastCard != card) {
          n->own.lastCard = card;
          ++n->own.cards;
        }
        for (int64_t a = node; a >= 0; a = Node(a)->parent) {
          CompsNode* an = CNode(a);
          if (an->total.lastCard == card) break;  // the ancestors above counted it too
          an->total.lastCard = card;
          ++an->total.cards;
        }
      }
    }
  }
}

void T_Comps::SumUpTree() {
  for (int64_t i = 0; i < nodeCount; ++i) {
    CompsNode* n = CNode(i);
    if (!computedBefore) n->own.before = kNoValue;
    if (!computedAfter) n->own.after = kNoValue;
    const int64_t cards = n->total.cards;
    n->total = n->own;
    n->total.cards = cards;
  }
  for (int64_t i = nodeCount - 1; i >= 1; --i) {
    CompsNode* n = CNode(i);
    CompsNode* p = CNode(n->base.parent);
    p->total.positive += n->total.positive;
    p->total.negative += n->total.negative;
    p->total.lines += n->total.lines;
    if (computedBefore) p->total.before += n->total.before;
    if (computedAfter) p->total.after += n->total.after;
  }
}

void T_Comps::RunCalculation(bool, bool) {
  try {
    RunCalculationSteps();
  } catch (const std::bad_alloc&) {
    calculated = 0;
    DropTreeOutOfMemory();
    if (auto* busy = dynamic_cast<T_BusyIndicator*>(busyIndicator)) busy->Finish();
    SetCalcButtonEnabled(true);
    InvalidateGrid();
  }
}

void T_Comps::RunCalculationSteps() {
  const ComponentRecord* remembered =
      currentNode > 0 && currentNode < nodeCount ? Node(currentNode)->component : nullptr;
  ClearCellSelection();
  ResetTree();
  TakeBoundsSeen();
  calculated = 0;
  valueColumn = options.valueField < database->valueCount ? options.valueField : 0;
  auto used = [&](int32_t type) {
    return (options.columns[type].shown && viewMode != 3) || options.graphType == type ||
           options.sortColumn == type;
  };
  computedBefore = used(kCompsBefore) || used(kCompsAtEnd) || used(kCompsTotal);
  computedAfter = used(kCompsAfter) || used(kCompsTotal);
  computedCards = used(kCompsCards);

  auto* busy = dynamic_cast<T_BusyIndicator*>(busyIndicator);
  if (busy) busy->Start();
  if (!Selection_validate(&selection, this)) {
    if (busy) busy->Finish();
    SetCalcButtonEnabled(true);
    InvalidateGrid();
    return;
  }
  CardId fileFirst, fileLast;
  database->GetCardIdBound(&fileFirst, -1);
  database->GetCardIdBound(&fileLast, 1);
  const CardId from = selection.from.cardId.date ? selection.from.cardId : fileFirst;
  const CardId to = selection.to.cardId.date ? selection.to.cardId : fileLast;
  CardId beforeEnd = from;
  database->GetPrevCardId(&beforeEnd);
  CardId afterStart = to;
  database->GetNextCardId(&afterStart);
  CardRecord* beforeFirst = nullptr;
  CardRecord* beforeAfter = nullptr;
  CardRecord* periodFirst = nullptr;
  CardRecord* periodAfter = nullptr;
  CardRecord* afterFirst = nullptr;
  CardRecord* afterAfter = nullptr;
  int64_t work = 0;
  if (computedBefore)
    work += database->CountCardsBetween(&fileFirst, &beforeEnd, &beforeFirst, &beforeAfter);
  work += database->CountCardsBetween(&from, &to, &periodFirst, &periodAfter);
  if (computedAfter)
    work += database->CountCardsBetween(&afterStart, &fileLast, &afterFirst, &afterAfter);
  if (busy) busy->AddWork(work);
  firstCard = computedBefore ? beforeFirst : periodFirst;
  endCard = computedAfter ? afterAfter : periodAfter;

  BitVector components;
  BitVecInitCopy(&components, &selection.components.components, 0);
  const bool built = BuildTree(&components);
  BitVecFree(&components);
  // A tree without nodes ends the calculation as aborted.
  bool aborted = !built;
  if (!built && PendingError.request.message == 600) PendingErrorReport();
  if (!aborted && !AbortRequested()) {
    for (int64_t i = 0; i < nodeCount; ++i) {
      ClearBlock(&CNode(i)->own);
      ClearBlock(&CNode(i)->total);
    }
    if (computedBefore) AccumulateLines(beforeFirst, beforeAfter, kAccumulateBefore);
    AccumulateLines(periodFirst, periodAfter, kAccumulatePeriod);
    if (computedAfter) AccumulateLines(afterFirst, afterAfter, kAccumulateAfter);
    SumUpTree();
    const double root = nodeCount > 0 ? CompsValueOf(CNode(0)->total, kCompsPeriod, 0) : 0;
    // Filters and sorts read the percentage base, so it is set before them.
    percentBase = NonZero(root) ? root / 100 : 0;
    FilterNodes();
    if (options.sortColumn >= 0 || options.componentOrder != kTreeNormal)
      SortTree(options.sortColumn, options.componentOrder, options.valueOrder);
  }
  aborted = aborted || AbortRequested();
  if (busy) busy->Finish();
  currentNode = 0;
  if (remembered) {
    for (int64_t r = static_cast<int64_t>(rows.size()) - 1; r >= 0; --r) {
      if (Node(rows[static_cast<size_t>(r)])->component == remembered) {
        currentNode = rows[static_cast<size_t>(r)];
        break;
      }
    }
  }
  RebuildRows();
  if (titleField) {
    T_TextBuf title;
    ViewTitle(&title);
    titleField->SetTitleText(title.data);
  }
  UpdateSortMarkers();
  calculated = aborted ? 0 : 1;
  SetCalcButtonEnabled(aborted);
  FreeTree();
  InvalidateGrid();
}

void T_Comps::ApplySort() {
  const int32_t sort = options.sortColumn;
  const bool missing = sort >= 0 && ((CompsTypeNeedsBefore(sort) && !computedBefore) ||
                                     (CompsTypeNeedsAfter(sort) && !computedAfter) ||
                                     (sort == kCompsCards && !computedCards));
  UpdateSortMarkers();
  if (missing || !calculated) {
    MarkNeedsCalc();
    return;
  }
  if (sort < 0 && options.componentOrder == kTreeNormal) {
    // Creation order: the nodes' indices are their pre-order, so relinking by index restores it.
    std::vector<uint8_t> keep(static_cast<size_t>(nodeCount), 1);
    CompactNodes(&keep);
  } else {
    SortTree(sort, options.componentOrder, options.valueOrder);
  }
  RebuildRows();
  InvalidateGrid();
}

// --- Pages, tools and presentation --------------------------------------------------------------

void T_Comps::OnModeboxEvent(T_GrafElement* box, ModeboxEvent* record) {
  const int32_t id = record->nodeId;
  const bool own = id == kCompsPageSelection || id == kCompsPageColumns ||
                   id == kCompsPageOptions || id == kCompsPageSorting;
  if (!own) {
    if (record->code == kModeChosen) {
      DeleteSelectionEdits();
      if (panelShown) SetPanelShown(false);
      currentPage = -1;
    }
    T_StruxWin::OnModeboxEvent(box, record);
    return;
  }
  if (record->code == kModeDescribe) {
    const int32_t text = id == kCompsPageColumns   ? 3140
                         : id == kCompsPageOptions ? 3141
                         : id == kCompsPageSorting ? 5226
                                                   : id;
    ModeboxEvent_SetText(record, GetString(text));
    return;
  }
  if (record->code != kModeChosen) return;
  ClosePanelPage();
  DeleteSelectionEdits();
  currentPage = id;
  if (id == kCompsPageOptions) {
    SetPanelShown(true);
    return;
  }
  if (panelShown) SetPanelShown(false);
  if (id == kCompsPageColumns) {
    OpenColumnsPage();
    return;
  }
  if (id == kCompsPageSorting) {
    OpenSortingPage();
    return;
  }
  if (id == kCompsPageSelection) {
    CreateDimensionEdits(XYWH{75, 24, 105, 12});
    CreateFromToEdits(XYWH{255, 24, 120, 12}, 200);
    CreateCardTitleEdit(XYWH{255, 62, 120, 12}, 202);
    CreateLineTextEdit(XYWH{255, 79, 120, 12}, 203);
    ShowSelection(&selection);
  }
}

void T_Comps::OnSelectorEvent(T_GrafElement* selector) {
  if (viewSelector && selector == viewSelector) {
    SetPresentation(viewSelector->currentPicture == kCompsViewGraphic ? 3 : 0);
    return;
  }
  T_StruxWin::OnSelectorEvent(selector);
}

void T_Comps::SetPresentation(uint32_t mode) {
  if (mode == viewMode) return;
  const uint32_t old = viewMode;
  SetViewMode(mode);
  viewMode = mode;
  BuildFields();
  Refresh(static_cast<int32_t>(old));
  // The graphic may need values the grid did not (its type's before or after values).
  const int32_t t = options.graphType;
  if (mode == 3 && calculated &&
      ((CompsTypeNeedsBefore(t) && !computedBefore) || (CompsTypeNeedsAfter(t) && !computedAfter) ||
       (t == kCompsCards && !computedCards)))
    MarkNeedsCalc();
  InvalidateGrid();
}

void T_Comps::OnToolSelected(int32_t item) {
  T_StruxWin::OnToolSelected(item);
  options.tool = toolSelector ? toolSelector->currentPicture : item;
}

void T_Comps::OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) {
  auto* item = dynamic_cast<T_Item*>(chooser);
  if (item && openPanelPage >= 0 && PageChooserEvent(item->id, record)) return;
  T_StruxWin::OnChooserEvent(chooser, record);
}

void T_Comps::OnCheckbox(T_GrafElement* checkbox) {
  auto* box = dynamic_cast<T_Checkbox*>(checkbox);
  if (box && openPanelPage >= 0 && PageCheckbox(box->id, box->checked != 0)) return;
  T_StruxWin::OnCheckbox(checkbox);
}

void T_Comps::RestrictToSubset(void* subset) {
  auto* chosen = static_cast<Subset*>(subset);
  if (!chosen) return;
  Selection_andSubset(&selection, SubsetName(chosen));
  MarkNeedsCalc();
}

// --- Commands -----------------------------------------------------------------------------------

void T_Comps::UpdateCommands() {
  T_StruxWin::UpdateCommands();
  const MenuOperations* menus = Menus();
  if (!menus || !menus->enableCommand) return;
  menus->enableCommand(kCompsPageSelection, true);
  for (int32_t command = 3143; command <= 3147; ++command) menus->enableCommand(command, true);
}

bool T_Comps::DoCommand(int32_t command) {
  switch (command) {
    case kCompsPageSelection:
      CopySelectionText();
      return true;
    case -kCompsPageSelection: {
      char* text = ClipboardReadText();
      if (text) PasteSelectionText(text);
      MemFree(text);
      return true;
    }
    case 3143:
      OpenWindowWithSelection(kTemplateCards);
      return true;
    case 3144:
      OpenWindowWithSelection(kTemplateLines);
      return true;
    case 3145:
      DuplicateWindow();
      return true;
    case 3146:
      OpenWindowWithSelection(kTemplateTimeFunctions);
      return true;
    case 3147:
      OpenWindowWithSelection(kTemplateComponentFunctions);
      return true;
    default:
      return T_StruxWin::DoCommand(command);
  }
}

void T_Comps::TitleContextMenu(ContextMenuRecord* record, int32_t phase) {
  T_BoxField* field = pressedTitleField;
  const int32_t type = TypeOfField(field);
  if (type < 0) return;
  if (phase == kMenuPhaseList) {
    PopupMenu_AddCommand(&record->commands, kTitleSortRows, false);
  } else if (phase == kMenuPhaseRun && record->entry == kTitleSortRows) {
    options.sortColumn = type;
    options.valueOrder = kValueDescending;
    ApplySort();
  }
}

bool T_Comps::ClickGrid(InputEvent* event) {
  POINT p{event->x, event->y};
  if (viewMode == 3 && grid && event->x >= ContentWidth() - GetScrollX()) {
    RECT area{ContentWidth() + 12 - GetScrollX(), 0, grid->width, grid->height};
    const int64_t node = SliceAt(&area, p);
    if (node < 0) return true;
    const int64_t row = NodeRow(node);
    if (row >= 0) SelectCell(row, 0, false);
    if (GetEffectiveTool(event) == kCompsToolDrag)
      OpenLinesForNode(node, options.graphType);
    else
      ToggleNode(node, false, true);
    return true;
  }
  const int64_t row = RowAtPoint(p);
  if (ClickOutlineMarker(event, row)) return true;
  return T_StruxWin::ClickGrid(event);
}

void T_Comps::OnCellsSelected(int64_t row, int32_t fieldIndex) {
  const int32_t type = TypeOfField(GetField(fieldIndex));
  const int64_t node = RowNode(row);
  if (type >= 0 && node >= 0) OpenLinesForNode(node, type);
}

// --- Change notes -------------------------------------------------------------------------------

bool T_Comps::TakeBoundsSeen() {
  const bool moved = CardIdNotEqual(&boundsSeen[0], &selection.from.cardId) ||
                     CardIdNotEqual(&boundsSeen[1], &selection.to.cardId);
  boundsSeen[0] = selection.from.cardId;
  boundsSeen[1] = selection.to.cardId;
  return moved;
}

void T_Comps::OnChange(const ChangeNote* note) {
  T_StruxWin::OnChange(note);
  if (note->database && note->database != database) return;
  // Both bounds follow the note. The database re-resolves its registered selections before it
  // tells the windows, so a move shows against the bounds this window saw last, not in what
  // DateRefOnNotify answers here.
  DateRefOnNotify(&selection.from, note, nullptr);
  DateRefOnNotify(&selection.to, note, nullptr);
  const bool boundChanged = TakeBoundsSeen();
  switch (note->code) {
    case 11:
    case 27:
    case 28:
      MarkNeedsCalc();
      break;
    case kChangeComponentsDeleted:
      componentsChanged = 1;
      // The nodes may name deleted components: they go before anything paints them.
      nodeCount = 0;
      rows.clear();
      rowCount = 0;
      InvalidateGrid();
      MarkNeedsCalc();
      break;
    case kChangeValueCount:
      if (options.valueField >= database->valueCount) options.valueField = database->valueCount - 1;
      MarkNeedsCalc();
      break;
    case 59:
      if (boundChanged || CombNeedsCalc(&selection.subset)) MarkNeedsCalc();
      break;
    default:
      if (boundChanged) MarkNeedsCalc();
      break;
  }
}

// --- Template -----------------------------------------------------------------------------------

void T_Comps::SaveToTemplate(T_Template* target) {
  T_StruxWin::SaveToTemplate(target);
  T_CompsTmpl* t = AsCompsTemplate(target);
  if (!t) return;
  for (int32_t type = 0; type < kCompsTypeCount; ++type) {
    if (fields[type] && viewMode != 3) options.columns[type].width = fields[type]->Width();
  }
  SelectionDef_fromSelection(&t->selection, &selection);
  t->options = options;
  t->options.indentation = indentation;
  ViewDimSet saved = edited;
  ViewDimSetRemoveRepeats(&saved);
  t->viewDims = saved;
  T_TextBuf expansion;
  SaveExpansionState(&expansion);
  t->SetExpansionText(expansion.data);
  t->viewMode = viewMode;
}

// --- Opening ------------------------------------------------------------------------------------

T_HWindow* OpenComponentsWindow(T_Template* templ, T_Template*, int32_t flags) {
  T_CompsTmpl* comps = AsCompsTemplate(templ);
  if (!comps || !MemCanAlloc(kCompsOpenReserve)) return nullptr;
  auto* window = new (std::nothrow) T_Comps(comps, static_cast<uint32_t>(flags));
  if (!window) return nullptr;
  EventHandler_Open(window);
  return window;
}
