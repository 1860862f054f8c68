// The lines window's header pages beside "Header Rows" and "Graphics": the selection fields, the
// columns (a list of the available columns with the chosen one's options) and the options (card
// information, the sort keys and the value distribution), the "Selection" tab's menu with its
// copy, paste and the "»" commands that open other windows over the same selection.
#include <algorithm>
#include <new>

#include "analysis/cards/cards_template.h"
#include "analysis/time/lines_distribution.h"
#include "analysis/time/lines_header_page.h"
#include "analysis/time/lines_window.h"
#include "core/localized_text.h"
#include "core/memory.h"
#include "database/base.h"
#include "database/stored_subsets.h"
#include "database/template_runner.h"
#include "database/template_tree.h"
#include "ui/button.h"
#include "ui/chooser.h"
#include "ui/clipboard_data.h"
#include "ui/draw_primitives.h"
#include "ui/frame_items.h"
#include "ui/list_box.h"
#include "ui/mode_tree.h"
#include "ui/popup_menu.h"
#include "ui/selection_header.h"
#include "ui/sort_orders.h"
#include "ui/text_layout.h"
#include "ui/value_choosers.h"
#include "ui/window_utilities.h"

namespace {

constexpr int32_t kTextNumeric = 3118;  // "Numeric Presentation"
constexpr int32_t kTextSorting = 3600;
constexpr int32_t kTextAscending = 3603;
constexpr int32_t kTextCardInfo = 5126;
constexpr int32_t kTextEveryLine = 5127;
constexpr int32_t kTextShow = 3109;
constexpr uint16_t kMenuCopy = 214;
constexpr uint16_t kMenuPaste = 215;

bool IsDimension(int32_t code) { return code >= kLinesDimFirst && code < kLinesLineText; }
bool IsValue(int32_t code) { return code >= kLinesValueFirst && code < kLinesAccumulated; }

// The order chooser's item count for a key's column.
int32_t OrderItems(int32_t column) { return IsDimension(column) ? 5 : IsValue(column) ? 6 : 2; }

int32_t OrderOfKey(const LinesSortKey& key) {
  if (IsDimension(key.column)) return key.componentOrder;
  if (IsValue(key.column)) return key.valueOrder;
  return key.column <= kLinesDate ? key.direction : key.textDirection;
}

void SetOrderOfKey(LinesSortKey* key, int32_t order) {
  if (IsDimension(key->column))
    key->componentOrder = static_cast<uint8_t>(order);
  else if (IsValue(key->column))
    key->valueOrder = static_cast<uint8_t>(order);
  else if (key->column <= kLinesDate)
    key->direction = static_cast<uint8_t>(order);
  else
    key->textDirection = static_cast<uint8_t>(order);
}

}  // namespace

// --- The column order list -----------------------------------------------------------------------

void T_Lines::BuildColumnOrder() {
  int32_t n = 0;
  auto add = [&](int32_t code) {
    if (n < kLinesColumnOrderMax) columnOrder[n++] = code;
  };
  auto separate = [&]() {
    if (n > 0 && columnOrder[n - 1] != kLinesColumnSeparator) add(kLinesColumnSeparator);
  };
  for (int32_t code : {kLinesCardId, kLinesDate, kLinesCardTitle}) add(code);
  separate();
  for (int32_t code = kLinesDimFirst; code < kLinesLineText; ++code)
    if (LinesColumnAvailable(database, code)) add(code);
  separate();
  add(kLinesLineText);
  const int32_t values = database ? database->valueCount : 1;
  if (values > 1) separate();
  for (int32_t c = 0; c < values; ++c) add(kLinesValueFirst + c);
  if (values > 1) separate();
  add(kLinesAccumulated);
  if (LinesColumnAvailable(database, kLinesOrigin)) {
    separate();
    add(kLinesOrigin);
  }
  columnOrderCount = n;
}

void T_Lines::ColumnTitle(int32_t code, T_TextBuf* title) const {
  TextBufAssign(title, "");
  if (code == kLinesColumnSeparator || !database) return;
  database->GetFieldName(title, LinesFieldNameCode(code));
}

// --- Pages ---------------------------------------------------------------------------------------

namespace {

T_EventHandler* PageParent(T_Lines* window) {
  return window->modeItem ? static_cast<T_EventHandler*>(window->modeItem)
                          : static_cast<T_EventHandler*>(window);
}

// The "Sorting" frame: left of each key row a grip, by which the row is dragged to another place.
class T_SortKeysFrame : public T_Frame {
 public:
  T_SortKeysFrame(T_Lines* owner, T_EventHandler* parent, const XYWH& rect)
      : T_Frame(parent, rect, 91, true), owner_(owner) {}

  void DrawContent() override {
    T_Frame::DrawContent();
    for (int32_t n = 0; n < owner_->options.sortKeyCount && n < kLinesSortKeyMax; ++n) {
      if (T_Item* row = KeyChooser(n))
        for (int32_t line = 0; line < 3; ++line) DrawHLine(3, row->y + 4 + 3 * line, 8);
    }
  }

  bool MouseDown(InputEvent* event, T_GrafElement* target) override {
    if (target != this || !event->leftButton || event->x >= kGripRight)
      return T_Frame::MouseDown(event, target);
    const int32_t from = KeyRowAt(event->y, false);
    if (from < 0) return T_Frame::MouseDown(event, target);
    InputEvent poll = *event;
    int32_t to = from;
    do {
      Item_PollPointer(this, &poll);
      to = KeyRowAt(poll.y, true);
    } while (poll.anyButton);
    if (to >= 0) owner_->MoveSortKey(from, to);
    return true;
  }

 private:
  static constexpr int32_t kGripRight = 14;  // the key choosers start here

  T_Item* KeyChooser(int32_t n) const {
    for (T_GrafElement* child = firstChild; child; child = child->next) {
      auto* item = dynamic_cast<T_Item*>(child);
      if (item && item->id == static_cast<uint32_t>(kSortColumnChooser + 2 * n)) return item;
    }
    return nullptr;
  }

  // The key row at y; with clamp, a point above or below the rows takes the first or last row.
  int32_t KeyRowAt(int32_t y, bool clamp) const {
    int32_t found = -1;
    for (int32_t n = 0; n < owner_->options.sortKeyCount && n < kLinesSortKeyMax; ++n) {
      T_Item* row = KeyChooser(n);
      if (!row) continue;
      if (y >= row->y - 2 && y < row->y + 17) return n;
      if (clamp && (y >= row->y || found < 0)) found = n;
    }
    return found;
  }

  T_Lines* owner_;
};

void Keep(T_Lines* window, T_GrafElement* item) {
  if (item && window->panelItemCount < 16)
    window->panelItems[window->panelItemCount++] = item;
  else
    delete item;
}

}  // namespace

void T_Lines::ClosePages() {
  SetModeItemFlag(false);
  DeleteSelectionEdits();
  ClosePanelPage();
  columnsFrame = sortingFrame = nullptr;
  columnList = nullptr;
  showBox = nullptr;
  distributionButton = nullptr;
  addKeyButton = removeKeyButton = nullptr;
}

void T_Lines::OpenSelectionPage() {
  ClosePages();
  if (modeItem) header.headerParent = modeItem;
  SetModeItemFlag(true);
  CreateDimensionEdits(XYWH{75, 3, 105, 12});
  CreateFromToEdits(XYWH{255, 3, 120, 12}, kHeaderFrom);
  CreateCardTitleEdit(XYWH{255, 41, 120, 12}, kHeaderCardTitle);
  CreateLineTextEdit(XYWH{255, 58, 120, 12}, kHeaderLineText);
  ShowSelection(&selection);
  openPanelPage = kLinesSelectionPage;
}

void T_Lines::OpenColumnsPage() {
  ClosePages();
  if (chosenColumn < 0 || !LinesColumnAvailable(database, chosenColumn))
    chosenColumn = kLinesAccumulated;
  columnsFrame = new (std::nothrow) T_Frame(PageParent(this), {4, 4, 420, 124}, 63, true);
  if (columnsFrame) {
    columnList = new (std::nothrow) T_Linebox(columnsFrame, {4, 4, 150, 112}, 61, 16, true);
    showBox = new (std::nothrow) T_Checkbox(columnsFrame, {166, 4, 120, 14}, 64, true);
    if (showBox) showBox->SetLabelId(kTextShow);
    if (columnList) {
      columnList->ReloadLines();
      for (int64_t i = 0; i < ColumnListCount(); ++i)
        if (ColumnListCode(i) == chosenColumn) columnList->SelectOnly(i);
    }
    BuildColumnControls();
  }
  Keep(this, columnsFrame);
  openPanelPage = kLinesColumnsPage;
}

void T_Lines::BuildColumnControls() {
  if (!columnsFrame) return;
  // The chosen column's choosers are made anew; the list and "Show" stay, since a choice in the
  // list arrives while the list is still handling it.
  for (uint32_t id : {62u, 65u, 66u, 67u, 68u, 69u}) {
    for (T_GrafElement* child = columnsFrame->firstChild; child; child = child->next) {
      auto* item = dynamic_cast<T_Item*>(child);
      if (item && item->id == id) {
        delete child;
        break;
      }
    }
  }
  if (showBox) showBox->SetChecked(options.columns[chosenColumn].shown != 0);
  LinesColumnOptions& o = options.columns[chosenColumn];
  const XYWH at{166, 24, 180, 15};
  if (chosenColumn == kLinesDate) {
    new (std::nothrow) T_ChooseDateformat(columnsFrame, at, 65, options.dateFormat);
  } else if (IsDimension(chosenColumn)) {
    new (std::nothrow) T_ChooseDimstring(columnsFrame, at, 66, o.display);
  } else if (chosenColumn >= kLinesValueFirst && chosenColumn <= kLinesAccumulated) {
    auto* decimals = new (std::nothrow)
        T_ChooseDecs(columnsFrame, at, 67, T_ChooseDecs::kModeThousands, o.decimals);
    if (decimals) decimals->SetColumns(database, -1);
    new (std::nothrow) T_ChooseNegval(columnsFrame, {166, 42, 180, 15}, 68, o.negative);
    new (std::nothrow) T_ChooseRedgreen(columnsFrame, {166, 60, 180, 15}, 69, o.colour);
    if (chosenColumn == kLinesAccumulated)
      new (std::nothrow)
          T_ChooseValue(columnsFrame, {166, 78, 180, 15}, 62, database, options.accumulated);
  }
}

int64_t T_Lines::ColumnListCount() const {
  int64_t n = 0;
  for (int32_t i = 0; i < columnOrderCount; ++i)
    if (columnOrder[i] != kLinesColumnSeparator) ++n;
  return n;
}

int32_t T_Lines::ColumnListCode(int64_t line) const {
  for (int32_t i = 0; i < columnOrderCount; ++i) {
    if (columnOrder[i] == kLinesColumnSeparator) continue;
    if (line-- == 0) return columnOrder[i];
  }
  return -1;
}

void T_Lines::OpenOptionsPage() {
  ClosePages();
  T_EventHandler* parent = PageParent(this);
  // The frames' titles stand above them, inside the page.
  auto* numeric = new (std::nothrow) T_Frame(parent, {4, 16, 190, 44}, 89, true);
  if (numeric) {
    numeric->SetTitleId(kTextNumeric);
    auto* info = new (std::nothrow) T_Chooser(numeric, {6, 8, 176, 15}, kCardInfoChooser, 2,
                                              options.cardInfo, true);
    if (info) info->SetTitleId(kTextCardInfo);
  }
  Keep(this, numeric);
  sortingFrame = new (std::nothrow) T_SortKeysFrame(this, parent, {200, 16, 330, 43});
  if (sortingFrame) {
    sortingFrame->SetTitleId(kTextSorting);
    addKeyButton = new (std::nothrow) T_Button(sortingFrame, {286, 4, 18, 15}, kAddSortKeyButton);
    removeKeyButton =
        new (std::nothrow) T_Button(sortingFrame, {306, 4, 18, 15}, kRemoveSortKeyButton);
    if (addKeyButton) addKeyButton->SetTitleRef("+");
    if (removeKeyButton) removeKeyButton->SetTitleRef("-");
    BuildSortRows();
  }
  Keep(this, sortingFrame);
  distributionButton = new (std::nothrow) T_Button(parent, {4, 68, 150, 20}, kDistributionButton);
  if (distributionButton) {
    distributionButton->SetTitleId(kTextDistribution);
    UpdateDistributionButton();
  }
  Keep(this, distributionButton);
  openPanelPage = kLinesOptionsPage;
}

void T_Lines::BuildSortRows() {
  if (!sortingFrame) return;
  // The key rows are made anew; the two buttons stay, since a press on them arrives here.
  for (T_GrafElement* child = sortingFrame->firstChild; child;) {
    T_GrafElement* next = child->next;
    auto* item = dynamic_cast<T_Item*>(child);
    if (item && item->id >= kSortColumnChooser &&
        item->id < kSortColumnChooser + 2 * kLinesSortKeyMax)
      delete child;
    child = next;
  }
  const int32_t keys = std::clamp(options.sortKeyCount, 0, kLinesSortKeyMax);
  for (int32_t n = 0; n < keys; ++n) {
    const LinesSortKey& key = options.sortKeys[n];
    int64_t item = 0;
    for (int32_t i = 0; i < columnOrderCount; ++i)
      if (columnOrder[i] == key.column) item = i;
    new (std::nothrow) T_Chooser(sortingFrame, {14, 4 + 19 * n, 150, 15},
                                 kSortColumnChooser + 2 * n, columnOrderCount, item, true);
    new (std::nothrow) T_Chooser(sortingFrame, {170, 4 + 19 * n, 110, 15},
                                 kSortOrderChooser + 2 * n, OrderItems(key.column),
                                 OrderOfKey(key), true);
  }
  const int32_t height = 24 + 19 * std::max(keys, 1);
  sortingFrame->ResizeBy(0, height - sortingFrame->height);
  if (addKeyButton) Item_SetEnabled(addKeyButton, keys < kLinesSortKeyMax);
  if (removeKeyButton) Item_SetEnabled(removeKeyButton, keys > 0);
}

void T_Lines::UpdateDistributionButton() {
  if (distributionButton)
    Item_SetEnabled(distributionButton, data.rowCount - data.headerRowCount >= 5);
}

void T_Lines::ReopenPage() {
  const int32_t page = openPanelPage;
  if (page == kLinesColumnsPage) OpenColumnsPage();
  if (page == kLinesOptionsPage) OpenOptionsPage();
  if (page == kLinesSelectionPage) ShowSelection(&selection);
}

// --- Events of the pages -------------------------------------------------------------------------

void T_Lines::OnLineboxEvent(T_GrafElement* box, LineboxEvent* record) {
  if (!columnList || box != columnList) {
    T_TSWin::OnLineboxEvent(box, record);
    return;
  }
  switch (record->code) {
    case kLineCount:
      record->count = ColumnListCount();
      break;
    case kLineDraw: {
      T_TextBuf title;
      const int32_t code = ColumnListCode(record->index);
      ColumnTitle(code, &title);
      RECT r = record->lineRect;
      r.left += options.columns[code].shown ? 2 : 10;
      TextDrawInRect(&r, title.data, nullptr);
      if (record->flag) RectInvert(&record->lineRect);
      break;
    }
    case kLineSelected:
      if (record->flag) ChooseColumn(ColumnListCode(record->index));
      break;
    default:
      T_TSWin::OnLineboxEvent(box, record);
      break;
  }
}

void T_Lines::ChooseColumn(int32_t code) {
  if (code < 0 || code >= kLinesColumnCount || code == chosenColumn) return;
  chosenColumn = code;
  if (openPanelPage == kLinesColumnsPage) BuildColumnControls();
}

void T_Lines::OnButton(T_GrafElement* button) {
  auto* item = dynamic_cast<T_Item*>(button);
  const uint32_t id = item ? item->id : 0;
  if (id == kDistributionButton) {
    OpenLinesDistribution(this);
  } else if (id == kAddSortKeyButton) {
    if (options.sortKeyCount >= kLinesSortKeyMax) return;
    // The next stored key counts again; one beyond the stored keys starts on the card id.
    if (options.sortKeyCount < 0) options.sortKeyCount = 0;
    // The new key sorts nothing until it is set: the next sort trims it if it stays empty.
    ++options.sortKeyCount;
    BuildSortRows();
  } else if (id == kRemoveSortKeyButton) {
    if (options.sortKeyCount <= 0) return;
    if (--options.sortKeyCount == 0) LinesSortKeyReset(&options.sortKeys[0], kLinesCardId);
    ResortAfterKeyChange();
  } else {
    T_TSWin::OnButton(button);
  }
}

void T_Lines::ScrollRows(const LayoutChange* change) {
  T_TSWin::ScrollRows(change);
  // The column list grows and shrinks with the panel above the rows.
  if (change && change->header && columnList && columnList->height + change->header > 0)
    columnList->ResizeBy(0, change->header);
}

bool T_Lines::MoveSortKey(int32_t from, int32_t to) {
  const int32_t keys = std::min(options.sortKeyCount, kLinesSortKeyMax);
  if (from < 0 || to < 0 || from >= keys || to >= keys || from == to) return false;
  std::rotate(options.sortKeys + std::min(from, to), options.sortKeys + (from < to ? from + 1 : from),
              options.sortKeys + std::max(from, to) + 1);
  ResortAfterKeyChange();
  return true;
}

void T_Lines::ResortAfterKeyChange() {
  BuildFields();
  lastSortKind = SortRows();
  InvalidateGrid();
  if (openPanelPage == kLinesOptionsPage) BuildSortRows();
}

void T_Lines::OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) {
  auto* item = dynamic_cast<T_Item*>(chooser);
  const uint32_t id = item ? item->id : 0;
  const bool describe = record->code == kChooserDescribe;
  if (id >= kSortColumnChooser && id < kSortColumnChooser + 2 * kLinesSortKeyMax) {
    const int32_t n = static_cast<int32_t>(id - kSortColumnChooser) / 2;
    LinesSortKey& key = options.sortKeys[n];
    const bool columnChooser = (id - kSortColumnChooser) % 2 == 0;
    T_TextBuf text;
    if (describe && columnChooser) {
      const int64_t i = record->index;
      const int32_t code = i >= 0 && i < columnOrderCount ? columnOrder[i] : -1;
      // The accumulated column sorts nothing; it is listed as a separator line.
      if (code >= 0 && code != kLinesAccumulated) ColumnTitle(code, &text);
      ChooserEvent_SetText(record, text.data);
      return;
    }
    if (describe) {
      if (IsDimension(key.column))
        LabelTreeOrderItem(record);
      else if (IsValue(key.column))
        LabelValueOrderItem(record);
      else
        ChooserEvent_SetText(record, GetString(kTextAscending + static_cast<int32_t>(record->index)));
      return;
    }
    if (record->code != kChooserChosen) return;
    if (columnChooser) {
      const int64_t i = record->index;
      const int32_t code = i >= 0 && i < columnOrderCount ? columnOrder[i] : -1;
      if (code < 0 || code == kLinesColumnSeparator || code == kLinesAccumulated) return;
      LinesSortKey fresh;
      LinesSortKeyReset(&fresh, code);
      key = fresh;
      // The order chooser beside it takes the orders of the new column's kind, in place: the
      // reporting chooser must outlive this event.
      for (T_GrafElement* c = sortingFrame ? sortingFrame->firstChild : nullptr; c; c = c->next) {
        auto* order = dynamic_cast<T_Chooser*>(c);
        if (!order || order->id != id + 1) continue;
        order->SetItemCount(OrderItems(code));
        order->SetSelection(OrderOfKey(key), kSelectSilent);
      }
      BuildFields();
      lastSortKind = SortRows();
      InvalidateGrid();
      return;
    } else {
      SetOrderOfKey(&key, static_cast<int32_t>(record->index));
    }
    BuildFields();
    lastSortKind = SortRows();
    InvalidateGrid();
    return;
  }
  if (id == kCardInfoChooser) {
    if (describe) {
      ChooserEvent_SetText(record, GetString(kTextEveryLine + static_cast<int32_t>(record->index)));
    } else if (record->code == kChooserChosen) {
      options.cardInfo = static_cast<uint8_t>(record->index);
      InvalidateGrid();
    }
    return;
  }
  if (describe || record->code != kChooserChosen || id < 62 || id > 69) {
    T_TSWin::OnChooserEvent(chooser, record);
    return;
  }
  LinesColumnOptions& o = options.columns[chosenColumn];
  switch (id) {
    case 62:
      ChooseAccumulatedColumn(static_cast<int32_t>(record->index));
      return;
    case 65:
      options.dateFormat = static_cast<T_ChooseDateformat*>(item)->SelectedFormat();
      break;
    case 66:
      o.display = static_cast<int8_t>(static_cast<T_ChooseDimstring*>(item)->SelectedCode());
      break;
    case 67:
      o.decimals = static_cast<uint8_t>(static_cast<T_ChooseDecs*>(item)->SelectedCode());
      break;
    case 68:
      o.negative = static_cast<uint8_t>(record->index);
      break;
    case 69:
      o.colour = static_cast<uint8_t>(record->index);
      break;
    default:
      break;
  }
  InvalidateGrid();
}

void T_Lines::ChooseAccumulatedColumn(int32_t column) {
  const int32_t count = database ? database->valueCount : 1;
  if (column < 0 || column >= count || column == options.accumulated) return;
  // A hidden column chosen takes the place of the one shown before.
  if (!options.columns[kLinesValueFirst + column].shown) {
    options.columns[kLinesValueFirst + options.accumulated].shown = 0;
    options.columns[kLinesValueFirst + column].shown = 1;
    BuildFields();
  }
  options.accumulated = column;
  MarkNeedsCalc();
}

// --- The "Selection" tab's menu and commands -----------------------------------------------------

void T_Lines::UpdateCommands() {
  T_TSWin::UpdateCommands();
  const MenuOperations* menus = Menus();
  if (!menus || !menus->enableCommand) return;
  if (openPanelPage == kLinesSelectionPage) menus->enableCommand(kLinesSelectionPage, true);
  if (rowCount <= headerRowCount) return;
  EnableDataOperationCommands();
}

bool T_Lines::DoCommand(int32_t command) {
  switch (command) {
    case kLinesSelectionPage:
      CopySelectionText();
      return true;
    case kCommandDeleteData:
      DeleteData(true);
      return true;
    case kCommandExamine:
    case kCommandApprove:
      MarkCards(command);
      return true;
    default:
      return T_TSWin::DoCommand(command);
  }
}

bool T_Lines::SelectionCommandEnabled(int32_t command) const {
  switch (command) {
    case kMenuPaste:
      return ClipboardContentKind() == kContentSelection;
    case kOpenComponents:
    case kOpenTimeFunctions:
    case kOpenComponentFunctions: {
      // Only once the kind has a template class of its own.
      const int32_t kind = command - kOpenCards + kTemplateCards;
      T_Template* probe = NewTemplate(database, kind);
      const bool real = probe && !IsStandInTemplate(probe) && HasWindowOpener(kind);
      delete probe;
      return real;
    }
    default:
      return true;
  }
}

bool T_Lines::OnModeboxMenu(T_GrafElement* box, ContextMenuRecord* record) {
  ModeNode* node = modeBox ? modeBox->SelectedNode() : nullptr;
  if (!node || node->id != kLinesSelectionPage) return T_TSWin::OnModeboxMenu(box, record);
  switch (record->phase) {
    case kMenuPhaseList:
      for (uint16_t id : {kMenuCopy, kMenuPaste}) PopupMenu_AddCommand(&record->commands, id, false);
      PopupMenu_AddCommand(&record->commands, kOpenCards, true);
      for (uint16_t id = kOpenLines; id <= kOpenComponentFunctions; ++id)
        PopupMenu_AddCommand(&record->commands, id, false);
      return true;
    case kMenuPhaseMeasure:
      record->selectable = SelectionCommandEnabled(static_cast<int32_t>(record->entry)) ? 1 : 0;
      return false;
    case kMenuPhaseRun:
      return RunSelectionCommand(static_cast<int32_t>(record->entry));
    default:
      return false;
  }
}

bool T_Lines::RunSelectionCommand(int32_t command) {
  if (!SelectionCommandEnabled(command)) return false;
  switch (command) {
    case kMenuCopy:
      return CopySelectionText();
    case kMenuPaste: {
      char* text = ClipboardReadText();
      if (!text) return false;
      const bool wasOpen = openPanelPage == kLinesSelectionPage;
      if (wasOpen) DeleteSelectionEdits();
      const bool read = PasteSelectionText(text);
      MemFree(text);
      if (wasOpen) OpenSelectionPage();
      return read;
    }
    case kOpenCards:
    case kOpenLines:
    case kOpenComponents:
    case kOpenTimeFunctions:
    case kOpenComponentFunctions:
      OpenWindowOfSelection(command - kOpenCards + kTemplateCards);
      return true;
    default:
      return false;
  }
}

T_LinesTmpl* T_Lines::NewLinesTemplateOfWindow() {
  T_Template* defaults = database->GetDefaultTemplate(kTemplateLines);
  T_Template* made = AsLinesTemplate(defaults) ? DuplicateTemplate(database, defaults, nullptr)
                                               : NewTemplate(database, kTemplateLines);
  T_LinesTmpl* lines = AsLinesTemplate(made);
  if (!lines) {
    delete made;
    return nullptr;
  }
  lines->ApplyDefaults();
  StoreUsedSubsets(&lines->subsets, &subsets, &selection.subset);
  SelectionDef_fromSelection(&lines->selection, &selection);
  lines->options = options;
  return lines;
}

T_CardsTmpl* T_Lines::NewCardsTemplateOfWindow() {
  T_Template* defaults = database->GetDefaultTemplate(kTemplateCards);
  T_Template* made = AsCardsTemplate(defaults) ? DuplicateTemplate(database, defaults, nullptr)
                                               : NewTemplate(database, kTemplateCards);
  T_CardsTmpl* cards = AsCardsTemplate(made);
  if (!cards) {
    delete made;
    return nullptr;
  }
  cards->ApplyDefaults();
  StoreUsedSubsets(&cards->subsets, &subsets, &selection.subset);
  SelectionDef_fromSelection(&cards->selection, &selection);
  return cards;
}

void T_Lines::OpenWindowOfSelection(int32_t kind) {
  if (!database) return;
  if (kind == kTemplateCards) {
    T_CardsTmpl* cards = NewCardsTemplateOfWindow();
    if (cards) RunTemplate(database, cards, nullptr, kRunNoLookup);
    delete cards;
    return;
  }
  // The other kinds read this window's selection and accumulated column from a lines template
  // handed over as the asking window's.
  T_LinesTmpl* lines = NewLinesTemplateOfWindow();
  if (!lines) return;
  lines->flags = layout.flags;
  SetLinesValueColumn(lines, options.accumulated);
  if (kind == kTemplateLines) {
    RunTemplate(database, lines, nullptr, kRunNoLookup);
  } else if (T_Template* other = NewTemplate(database, kind)) {
    RunTemplate(database, other, lines, kRunNoLookup);
    delete other;
  }
  delete lines;
}
