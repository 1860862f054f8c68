// The structure window: construction, the box window slots it fills (outline, row titles, HTML
// node cells, commands) and the view settings: the header's view chooser and the panel of up to
// four view-dimension rows.
#include "analysis/components/strux_window.h"

#include <cstring>
#include <new>

#include "analysis/boxwin/box_output.h"
#include "core/localized_text.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "database/components.h"
#include "ui/button.h"
#include "ui/chooser.h"
#include "ui/event_record.h"
#include "ui/application.h"
#include "ui/item.h"
#include "ui/item_drawing.h"
#include "ui/small_dialogs.h"

namespace {

constexpr int32_t kPanelRowTop = 21;
constexpr int32_t kPanelRowStep = 19;
constexpr int32_t kPanelChooserBase = 900;
constexpr int32_t kPanelChooserCount = 6;
constexpr int32_t kChangeDimension = 15;
constexpr int32_t kChangeDimSingular = 16;
constexpr int32_t kChangeDimDisplay = 18;
constexpr int32_t kChangeDimsUsed = 31;
constexpr int32_t kToolPointer = 4200;
constexpr int32_t kToolPointerOut = 4201;
constexpr int32_t kToolOpen = 4202;
constexpr int32_t kToolCells = 4203;
// x and width of the panel's choosers.
constexpr int32_t kPanelX[kPanelChooserCount] = {6, 125, 200, 305, 410, 465};
constexpr int32_t kPanelW[kPanelChooserCount] = {104, 60, 90, 90, 40, 170};
constexpr const char* kDisplayNames[] = {"Code", "Host Code", "Text", "Code Text",
                                         "Host Code Text", "Code Host Code", "Code Host Code Text"};

int32_t PanelId(int32_t row, int32_t column) { return row * 1024 + kPanelChooserBase + column; }

}  // namespace

T_StruxWin* AsStruxWindow(T_EventHandler* element) { return dynamic_cast<T_StruxWin*>(element); }

T_StruxWin::T_StruxWin(int32_t kind, const RECT* rect, T_StruxTmpl* templ, uint32_t helpId,
                       T_Base* base, int32_t width, uint32_t flags)
    : T_BoxWin(kind, rect, templ, helpId, base, flags),
      nodeWidth(width < static_cast<int32_t>(sizeof(StruxNode))
                    ? static_cast<int32_t>(sizeof(StruxNode))
                    : width) {
  PagedArrayInit(&nodes, nodeWidth, 2);
  if (templ) {
    edited = templ->viewDims;
    BlockTextAssign(&expansionText, templ->expansion);
  } else {
    ViewDimSetInit(&edited);
  }
  ClampViewDims(&edited);
  live = edited;
  // The template's view set counts as the previous live set, so its expansion text applies.
  previousLive = edited;
  indentation = 1;
  tupleEstimate = kTupleEstimate;
  rowCount = 0;
}

T_StruxWin::~T_StruxWin() {
  DropTupleTable();
  BlockTextFree(&expansionText);
  BlockTextFree(&webTokens);
  PagedArrayFree(&nodes);
}

void T_StruxWin::ClampViewDims(ViewDimSet* set) const {
  if (set->count < 1) set->count = 1;
  if (set->count > kViewDimMax) set->count = kViewDimMax;
  for (int32_t s = 0; s < kViewDimMax; ++s) {
    if (set->dimension[s] < 0 || set->dimension[s] >= kDimensionCount)
      set->dimension[s] = kDimensionCount > 1 ? 1 : 0;
  }
}

int64_t T_StruxWin::GetMemoryUsage() {
  return PagedArrayMemSize(&nodes) + 8 * nodeCount + 38680;
}

// --- Box window slots ---------------------------------------------------------------------------

void T_StruxWin::GetRowOutline(RowOutline* outline, int64_t row) {
  *outline = RowOutline{};
  const int64_t node = RowNode(row);
  if (node < 0) return;
  const StruxNode* n = Node(node);
  outline->kind = n->firstChild < 0 ? 1 : n->expanded ? 2 : 3;
  outline->style = static_cast<uint32_t>(indentation);
  outline->level = n->level;
}

int32_t T_StruxWin::GetEffectiveTool(InputEvent* event) {
  int32_t tool = toolSelector ? toolSelector->currentPicture : kToolCells;
  if (event && event->control && (tool == kToolPointer || tool == kToolPointerOut ||
                                  tool == kToolCells))
    tool = kToolOpen;
  if (event && event->rightAlt) {
    if (tool == kToolPointer)
      tool = kToolPointerOut;
    else if (tool == kToolPointerOut)
      tool = kToolPointer;
  }
  return tool;
}

bool T_StruxWin::PreviewGridClick(InputEvent* event) {
  POINT p{event->x, event->y};
  const int64_t row = RowAtPoint(p);
  if (InOutlineMarker(row, event->x)) return false;
  return T_BoxWin::PreviewGridClick(event);
}

void T_StruxWin::WriteRowTitle(TextCellWriter* writer, int64_t row) {
  if (live.count < 2) {
    T_BoxWin::WriteRowTitle(writer, row);
    return;
  }
  if (row < 0) {
    for (int32_t s = 0; s < live.count; ++s) {
      if (s > 0) writer->WriteSeparator();
      writer->WriteCell(database->GetDimSingular(live.dimension[s]));
    }
    return;
  }
  const int64_t node = RowNode(row);
  T_TextBuf text;
  for (int32_t s = 0; s < live.count; ++s) {
    if (s > 0) writer->WriteSeparator();
    const int64_t a = node >= 0 && s <= Node(node)->slot ? SlotAncestor(node, s) : -1;
    TextBufAssign(&text, "");
    if (a >= 0) {
      const ComponentRecord* c = Node(a)->component;
      if (!c->parent)
        TextBufAssign(&text, database->GetDimPlural(live.dimension[s]));
      else
        database->GetComponentText(&text, c->number, live.dimension[s]);
    }
    writer->WriteCell(text.data);
  }
}

void T_StruxWin::WriteHtmlCell(T_OStream* stream, int64_t row, T_BoxField* field) {
  if (field != firstField) {
    T_BoxWin::WriteHtmlCell(stream, row, field);
    return;
  }
  const int64_t node = RowNode(row);
  stream->PutText("<p class=\"level");
  stream->PutInt(node >= 0 ? Node(node)->level : 0);
  stream->PutText("\">");
  WriteNodeLink(stream, row);
  T_BoxWin::WriteHtmlCell(stream, row, field);
  stream->PutText("</p>");
}

int32_t T_StruxWin::GetTreeDepth() {
  if (nodeCount < 2) return 0;
  int32_t deepest = 0;
  for (int64_t node : rows) {
    const int32_t depth = NodeDepth(node);
    if (depth > deepest) deepest = depth;
  }
  return deepest;
}

void T_StruxWin::OnChange(const ChangeNote* note) {
  T_BoxWin::OnChange(note);
  if (note->database && note->database != database) return;
  switch (note->code) {
    case kChangeDimension:
      if (!note->object) {
        for (int32_t s = 0; s < edited.count; ++s) {
          if (edited.dimension[s] == note->index) edited.dimension[s] = 1;
        }
        if (panelShown) RebuildPanel();
      }
      break;
    case kChangeDimSingular:
      if (viewChooser) GrafElement_Invalidate(viewChooser, 0);
      break;
    case kChangeDimDisplay:
      for (int32_t s = 0; s < live.count; ++s) {
        if (live.dimension[s] == note->index && titles) GrafElement_Invalidate(titles, 0);
      }
      break;
    case kChangeDimsUsed:
      if (viewChooser) viewChooser->SetItemCount(live.count > 1 ? kDimensionCount + 2 : kDimensionCount);
      break;
    default:
      break;
  }
}

void T_StruxWin::UpdateCommands() {
  T_BoxWin::UpdateCommands();
  const MenuOperations* menus = Menus();
  if (nodeCount > 1 && menus && menus->enableCommand) {
    menus->enableCommand(kCommandExpandAll, true);
    menus->enableCommand(kCommandExpandTo, true);
  }
}

bool T_StruxWin::DoCommand(int32_t command) {
  if (command == kCommandExpandAll) {
    ToggleNode(0, true, false);
    return true;
  }
  if (command == kCommandExpandTo) {
    int32_t deepest = 0;
    for (int64_t n = 0; n < nodeCount; ++n) {
      const int32_t depth = NodeDepth(n);
      if (depth > deepest) deepest = depth;
    }
    const int32_t answer = RunExpandDialog(this, deepest, 1);
    if (answer >= 0) ExpandToDepth(answer);
    return true;
  }
  return T_BoxWin::DoCommand(command);
}

void T_StruxWin::OnButton(T_GrafElement* button) {
  auto* item = dynamic_cast<T_Item*>(button);
  if (item && (item->id == kStruxAddViewDim || item->id == kStruxRemoveViewDim)) {
    if (item->id == kStruxAddViewDim && edited.count < kViewDimMax) {
      ++edited.count;
    } else if (item->id == kStruxRemoveViewDim && edited.count > 1) {
      --edited.count;
    } else {
      return;
    }
    RebuildPanel();
    MarkNeedsCalc();
    return;
  }
  T_BoxWin::OnButton(button);
}

void T_StruxWin::OnToolSelected(int32_t item) {
  T_BoxWin::OnToolSelected(item);
  const int32_t tool = toolSelector ? toolSelector->currentPicture : item;
  SetSelectMode(tool == kToolCells ? kSelectRange : kSelectNone);
}

// --- View settings ------------------------------------------------------------------------------

void T_StruxWin::ChooseViewDimension(int32_t dimension) {
  if (dimension < 0 || dimension >= kDimensionCount) return;
  const ViewDimSet old = edited;
  ViewDimSetInit(&edited);
  edited.dimension[0] = dimension;
  edited.colour[0] = old.colour[0];
  edited.display[0] = old.display[0];
  if (panelShown) RebuildPanel();
  MarkNeedsCalc();
}

void T_StruxWin::SetPanelShown(bool shown) {
  panelShown = shown ? 1 : 0;
  RebuildPanel();
}

void T_StruxWin::RebuildPanel() {
  for (auto& row : panelChoosers) {
    for (T_GrafElement*& chooser : row) {
      if (chooser) EventHandler_CloseAndDelete(chooser, 0);
      chooser = nullptr;
    }
  }
  for (T_GrafElement** b : {&addButton, &removeButton}) {
    if (*b) EventHandler_CloseAndDelete(*b, 0);
    *b = nullptr;
  }
  if (viewChooser) {
    EventHandler_CloseAndDelete(viewChooser, 0);
    viewChooser = nullptr;
  }
  T_EventHandler* parent = modeItem ? static_cast<T_EventHandler*>(modeItem) : this;
  if (!panelShown) {
    const int64_t items = edited.count > 1 ? kDimensionCount + 2 : kDimensionCount;
    const int64_t current = edited.count > 1 ? 0 : edited.dimension[0];
    viewChooser = new (std::nothrow)
        T_Chooser(parent, {6, 4, 220, 15}, kStruxViewChooserId, items, current, true);
    if (viewChooser) viewChooser->SetTitleId(static_cast<int32_t>(kStruxViewChooserId));
    return;
  }
  for (int32_t row = 0; row < edited.count; ++row) {
    const int32_t y = kPanelRowTop + row * kPanelRowStep;
    const int64_t counts[kPanelChooserCount] = {kDimensionCount, 10, 2,
                                                4 + GetValueCount(), kViewColourCount, 8};
    int64_t colour = 0;
    for (int32_t i = 0; i < kViewColourCount; ++i) {
      if (kViewColours[i] == edited.colour[row]) colour = i;
    }
    const int32_t filter = edited.filter[row];
    const int64_t current[kPanelChooserCount] = {
        edited.dimension[row], edited.levels[row] ? edited.levels[row] + 1 : 0,
        edited.structure[row], filter < kViewFilterColumn ? filter : filter + 1,
        colour, edited.display[row] + 1};
    for (int32_t c = 0; c < kPanelChooserCount; ++c) {
      auto* chooser = new (std::nothrow) T_Chooser(
          parent, {kPanelX[c], y, kPanelW[c], 15}, static_cast<uint32_t>(PanelId(row, c)),
          counts[c], current[c], true);
      if (chooser && c == 0) {
        char title[2] = {static_cast<char>('1' + row), 0};
        chooser->SetTitleCopy(title);
      }
      panelChoosers[row][c] = chooser;
    }
  }
  const int32_t y = edited.count * kPanelRowStep + 23;
  auto* add = new (std::nothrow) T_Button(parent, {6, y, 20, 15}, kStruxAddViewDim);
  auto* remove = new (std::nothrow) T_Button(parent, {30, y, 20, 15}, kStruxRemoveViewDim);
  if (add) {
    add->SetTitleRef("+");
    Item_SetEnabled(add, edited.count < kViewDimMax);
  }
  if (remove) {
    remove->SetTitleRef("-");
    Item_SetEnabled(remove, edited.count >= 2);
  }
  addButton = add;
  removeButton = remove;
}

void T_StruxWin::OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) {
  auto* item = dynamic_cast<T_Item*>(chooser);
  if (!item) {
    T_BoxWin::OnChooserEvent(chooser, record);
    return;
  }
  const int32_t id = static_cast<int32_t>(item->id);
  if (item == viewChooser) {
    const bool several = edited.count > 1;
    int64_t dimension = several ? record->index - 2 : record->index;
    if (record->code == kChooserDescribe) {
      if (several && record->index == 0) {
        T_TextBuf title;
        ViewTitle(&title);
        ChooserEvent_SetText(record, title.data);
      } else if (several && record->index == 1) {
        record->plain = 0;
        ChooserEvent_SetText(record, "-");
      } else {
        ChooserEvent_SetText(record, database->GetDimSingular(static_cast<int32_t>(dimension)));
        record->enabled = database->HasSubComponents(dimension) ? 1 : 0;
      }
    } else if (record->code == kChooserChosen && dimension >= 0) {
      ChooseViewDimension(static_cast<int32_t>(dimension));
    }
    return;
  }
  const int32_t row = (id - kPanelChooserBase) / 1024;
  const int32_t column = (id - kPanelChooserBase) % 1024;
  if (id < kPanelChooserBase || row < 0 || row >= kViewDimMax || column >= kPanelChooserCount ||
      panelChoosers[row][column] != chooser) {
    T_BoxWin::OnChooserEvent(chooser, record);
    return;
  }
  const int64_t i = record->index;
  if (record->code == kChooserDescribe) {
    T_TextBuf text;
    switch (column) {
      case 0:
        ChooserEvent_SetText(record, database->GetDimSingular(static_cast<int32_t>(i)));
        record->enabled = database->HasSubComponents(i) ? 1 : 0;
        break;
      case 1:
        if (i == 0) {
          ChooserEvent_SetText(record, GetString(5202));
        } else if (i == 1) {
          record->plain = 0;
          ChooserEvent_SetText(record, "-");
        } else {
          char level[8] = {' ', static_cast<char>('0' + i - 1), ' ', 0};
          ChooserEvent_SetText(record, level);
        }
        break;
      case 2:
        ChooserEvent_SetText(record, GetString(i == 0 ? 5204 : 5205));
        break;
      case 3:
        if (i < 3) {
          ChooserEvent_SetText(record, GetString(static_cast<int32_t>(5207 + i)));
        } else if (i == 3) {
          record->plain = 0;
          ChooserEvent_SetText(record, "-");
        } else {
          GetValueTitle(&text, static_cast<int32_t>(i - 4));
          ChooserEvent_SetText(record, text.data);
        }
        break;
      case 4:
        record->picture = kChooserSwatchFirst + kViewColours[i % kViewColourCount];
        ChooserEvent_SetText(record, "");
        break;
      default:
        ChooserEvent_SetText(record, i == 0 ? GetString(5202) : kDisplayNames[(i - 1) % 7]);
        break;
    }
    return;
  }
  if (record->code != kChooserChosen) return;
  switch (column) {
    case 0:
      edited.dimension[row] = static_cast<int32_t>(i);
      break;
    case 1:
      edited.levels[row] = static_cast<uint16_t>(i >= 2 ? i - 1 : 0);
      break;
    case 2:
      edited.structure[row] = static_cast<int32_t>(i);
      break;
    case 3:
      edited.filter[row] = static_cast<int32_t>(i < 3 ? i : i - 1);
      break;
    case 4:
    case 5:
      if (column == 4)
        edited.colour[row] = kViewColours[i % kViewColourCount];
      else
        edited.display[row] = static_cast<int32_t>(i - 1);
      // Colours and display strings need no new values: the grid shows them at once.
      if (row < live.count) {
        live.colour[row] = edited.colour[row];
        live.display[row] = edited.display[row];
        if (!recalcPending) InvalidateGrid();
      }
      return;
    default:
      return;
  }
  MarkNeedsCalc();
}

void T_StruxWin::DrawModeItem() {
  T_BoxWin::DrawModeItem();
  if (!panelShown) return;
  static const struct {
    int32_t id;
    int32_t left;
  } kHeadings[] = {{5200, 5}, {5201, 125}, {5203, 200}, {5206, 305}, {3115, 410}, {3417, 465}};
  for (size_t i = 0; i < sizeof kHeadings / sizeof kHeadings[0]; ++i) {
    const int32_t right = i + 1 < sizeof kHeadings / sizeof kHeadings[0] ? kHeadings[i + 1].left
                                                                          : 570;
    RECT rect{kHeadings[i].left, 6, right, 18};
    TextDrawIdInRect(&rect, kHeadings[i].id);
  }
}

bool T_StruxWin::ClickModeItem(InputEvent* event, T_GrafElement* sender) {
  if (!panelShown || event->x > 20 || event->y < kPanelRowTop)
    return T_BoxWin::ClickModeItem(event, sender);
  // A press left of a row moves that entry to the gap the pointer is released over.
  const int32_t from = (event->y - kPanelRowTop) / kPanelRowStep;
  if (from < 0 || from >= edited.count) return T_BoxWin::ClickModeItem(event, sender);
  InputEvent up = *event;
  do {
    Item_PollPointer(modeItem, &up);
  } while (up.anyButton);
  int32_t gap = (up.y - kPanelRowTop + kPanelRowStep / 2) / kPanelRowStep;
  if (gap < 0) gap = 0;
  if (gap > edited.count) gap = edited.count;
  if (gap == from || gap == from + 1) return true;
  ViewDimSet moved = edited;
  const int32_t to = gap > from ? gap - 1 : gap;
  auto take = [&](ViewDimSet* set, int32_t a, int32_t b) {
    set->dimension[a] = edited.dimension[b];
    set->levels[a] = edited.levels[b];
    set->structure[a] = edited.structure[b];
    set->filter[a] = edited.filter[b];
    set->colour[a] = edited.colour[b];
    set->display[a] = edited.display[b];
  };
  int32_t order[kViewDimMax];
  int32_t k = 0;
  for (int32_t i = 0; i < edited.count; ++i) {
    if (i != from) order[k++] = i;
  }
  for (int32_t i = k; i > to; --i) order[i] = order[i - 1];
  order[to] = from;
  for (int32_t i = 0; i < edited.count; ++i) take(&moved, i, order[i]);
  edited = moved;
  RebuildPanel();
  MarkNeedsCalc();
  return true;
}
