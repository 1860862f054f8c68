// T_Cards: construction, the columns, change notes, the mode-box pages, cell choice and the
// title menu. Rows and sorting are in cards_rows.cpp, the data commands and the selection block
// in cards_commands.cpp, the exports in cards_export.cpp.
#include "analysis/cards/cards_window.h"

#include <algorithm>
#include <initializer_list>
#include <new>

#include "analysis/boxwin/box_output.h"
#include "analysis/cards/cards_template.h"
#include "core/localized_text.h"
#include "core/memory.h"
#include "core/text_buffer.h"
#include "core/threads.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/change_notes.h"
#include "database/line_origins.h"
#include "database/object_services.h"
#include "database/templates.h"
#include "ui/application.h"
#include "ui/button.h"
#include "ui/chooser.h"
#include "ui/event_record.h"
#include "ui/mode_tree.h"
#include "ui/popup_menu.h"
#include "ui/sort_orders.h"

namespace {

constexpr int32_t kDefaultWidth = 628;
constexpr int32_t kDefaultHeight = 340;
constexpr int32_t kModeBoxDefault = 122;
constexpr int32_t kTitleRowHeight = 35;
constexpr int32_t kDefaultHeader = 110;
constexpr int32_t kMinValueWidth = 32;
constexpr int64_t kWindowMemory = 65536;
constexpr int64_t kWindowExtra = 42600;
constexpr uint32_t kHelpCards = 1;

// Toolbar and mode-box ids.
constexpr uint32_t kToolSelectorId = 301;
constexpr uint32_t kCalcButtonId = 302;
constexpr int32_t kPageSelection = 3127;
constexpr int32_t kPageColumns = 3140;
constexpr int32_t kPageOptions = 3141;

// Title menu entries (label text ids).
constexpr uint16_t kMenuHide = 3619;
constexpr uint16_t kMenuSortRows = 3620;
constexpr uint16_t kMenuAdjustWidth = 3621;

constexpr uint16_t kToolPictures[] = {kToolCardPointer, kToolPointer, 0};

int32_t DefaultFieldWidth(int32_t code) {
  switch (code) {
    case kColCardId:
      return 78;
    case kColTitle:
      return 260;
    case kColDim0:
      return 140;
    case kColDim1:
      return 146;
    case kColLineText:
      return 64;
    case kColOrigin:
      return 120;
    default:
      return 80;
  }
}

EditorCardHook editorCardHook = nullptr;

}  // namespace

void SetEditorCardHook(EditorCardHook hook) { editorCardHook = hook; }

const CardRecord* EditorCardOf(T_HWindow* editor) {
  return editorCardHook ? editorCardHook(editor) : nullptr;
}

T_Cards* AsCardsWindow(T_EventHandler* element) { return dynamic_cast<T_Cards*>(element); }

// --- Fields
// ---------------------------------------------------------------------------------------

T_CardsField::T_CardsField(T_Cards* owner, int32_t fieldCode)
    : T_BoxField(owner), code(fieldCode), level(CardsFieldLevel(fieldCode)) {
  T_TextBuf text;
  if (owner->database) owner->database->GetFieldName(&text, CardsFieldTitleCode(fieldCode));
  SetTitleText(text.c_str());
  if (CardsFieldColumn(fieldCode) >= 0) SetAlignment(kStyleRight);
  if (fieldCode == kColTitle || fieldCode == kColLineText || fieldCode == kColNotes)
    SetWordWrap(true);
}

bool T_Cards::FieldShown(int32_t code) const {
  if (code < 0 || code >= kCardsFieldCount || !options.fields[code].show) return false;
  if (code >= kColDim0 && code <= kColOrigin && groupsMode == kContentsNone) return false;
  if (code >= kColDim1 && code <= kColOrigin && linesMode == kContentsNone) return false;
  if (int32_t dimension = CardsFieldDimension(code); dimension >= 0)
    return database && database->IsDimUsed(dimension);
  if (int32_t column = CardsFieldColumn(code); column >= 0)
    return database && column < database->valueCount;
  if (code == kColOrigin) return database && database->lineOrigins;
  return true;
}

void T_Cards::StoreFieldWidths() {
  for (T_CardsField* field : fields) {
    if (field) options.fields[field->code].width = field->Width();
  }
}

void T_Cards::RebuildFields() {
  if (firstField) StoreFieldWidths();
  while (firstField) {
    T_BoxField* field = firstField;
    DeleteBoxField(&field);
  }
  for (T_CardsField*& field : fields) field = nullptr;
  // The column order, which is also the order of the sort-key chooser: card fields, the
  // dimensions in the database's order, line text, values, origin, notes, signatures.
  fieldOrderCount = 0;
  for (int32_t code : {kColCardId, kColDate, kColTitle}) fieldOrder[fieldOrderCount++] = code;
  if (database) {
    int32_t dimensions[kDimensionCount];
    DimensionsInOrder(database, dimensions);
    for (int32_t d : dimensions) fieldOrder[fieldOrderCount++] = CardsDimensionField(d);
  }
  fieldOrder[fieldOrderCount++] = kColLineText;
  for (int32_t column = 0; column < kMaxValueCount; ++column)
    fieldOrder[fieldOrderCount++] = kColValue1 + column;
  for (int32_t code : {kColOrigin, kColNotes, kColSignatures}) fieldOrder[fieldOrderCount++] = code;

  int32_t x = 1;
  for (int32_t i = 0; i < fieldOrderCount; ++i) {
    int32_t code = fieldOrder[i];
    if (!FieldShown(code)) continue;
    auto* field = new (std::nothrow) T_CardsField(this, code);
    if (!field) break;
    int32_t width =
        BuiltFieldWidth(options.fields[code].width, kMinValueWidth, DefaultFieldWidth(code));
    RECT rect{x, 0, x + width, titleHeight > 0 ? titleHeight : kTitleRowHeight};
    field->AppendToWindow(&rect);
    fields[code] = field;
    x += width;
  }
  UpdateSortMarkers();
  if (grid) {
    UpdateScrollBoxes(true);
    InvalidateGrid();
  }
  if (titles) GrafElement_Invalidate(titles, 0);
}

// --- Construction
// ---------------------------------------------------------------------------------

T_Cards::T_Cards(T_CardsTmpl* from, T_Base* base, const RECT* rect, uint32_t flags)
    : T_BoxWin(kWindowCards, rect, from, kHelpCards, base, flags) {
  PagedArrayInit(&rows, sizeof(CardsRow), 2);
  Selection_init(&selection, base, this, &subsets);
  options = from->options;
  Selection_setFromDef(&selection, &from->selection);
  groupsMode = options.groupsMode;
  linesMode = options.linesMode;

  CreateToolbar();
  CreateCalcButton(kCalcButtonId);
  uint16_t tool = options.tool == kToolCardPointer ? kToolCardPointer : kToolPointer;
  CreateToolSelector(140, kToolSelectorId, kToolPictures, tool);
  CreateBusyIndicator();
  int32_t header = from->headerHeight > 0 ? from->headerHeight : GetDefaultHeaderHeight();
  CreateModeBox(from->GetColumnWidth(kModeBoxDefault), header);
  static constexpr struct {
    int32_t id;
    int32_t picture;
  } kPages[] = {{kPageSelection, 3816}, {kPageColumns, 3819},   {kPageOptions, 3820},
                {kPanelSubsets, 3823},  {kPanelPrinting, 3824}, {kPanelExport, 3825},
                {kPanelNotes, 3826}};
  for (const auto& page : kPages) AddModeItemWithPicture(nullptr, nullptr, page.id, page.picture);
  headerSplitter = titleSplitter = headerButtons = 1;
  minTitleHeight = 14;
  if (from->titleHeight > 0) titleHeight = from->titleHeight;
  CreateGridItems(header, from->titleHeight > 0 ? from->titleHeight : kTitleRowHeight, 0);
  SetSelectMode(kSelectRange);
  RebuildFields();
  MakeTitle(nullptr);
}

T_Cards::~T_Cards() {
  DropRows();
  PagedArrayFree(&rows);
  Selection_free(&selection);
}

T_HWindow* OpenCardsWindow(T_Template* templ, T_Template* parameter, int32_t flags) {
  T_CardsTmpl* cards = AsCardsTemplate(templ);
  if (!cards || !MemCanAlloc(kWindowMemory)) return nullptr;
  T_CardsTmpl* source = AsCardsTemplate(parameter);
  RECT rect = cards->GetWindowRect(kDefaultWidth, kDefaultHeight);
  auto* window =
      new (std::nothrow) T_Cards(cards, cards->database, &rect, static_cast<uint32_t>(flags));
  if (!window) return nullptr;
  if (source) {
    // The window that asks hands over its selection and, for a cards window, its options.
    Selection_setFromDef(&window->selection, &source->selection);
    window->options = source->options;
    window->groupsMode = window->options.groupsMode;
    window->linesMode = window->options.linesMode;
    window->RebuildFields();
  }
  EventHandler_Open(window);
  return window;
}

int32_t T_Cards::GetDefaultHeaderHeight() { return kDefaultHeader; }

int64_t T_Cards::GetMemoryUsage() { return PagedArrayMemSize(&rows) + kWindowExtra; }

void T_Cards::SaveToTemplate(T_Template* target) {
  T_BoxWin::SaveToTemplate(target);
  T_CardsTmpl* cards = AsCardsTemplate(target);
  if (!cards) return;
  StoreFieldWidths();
  options.groupsMode = groupsMode;
  options.linesMode = linesMode;
  cards->options = options;
  SelectionDef_fromSelection(&cards->selection, &selection);
}

// --- Notes
// ----------------------------------------------------------------------------------------

void T_Cards::OnChange(const ChangeNote* note) {
  T_BoxWin::OnChange(note);
  Selection_onChange(&selection, note);
  switch (note->code) {
    case kChangeComponentsRebuilt:
    case kChangeDisplayText: {
      int32_t d = note->index;
      if (d >= 0 && d < kDimensionCount) {
        if (T_CardsField* field = fields[CardsDimensionField(d)]) {
          T_TextBuf text;
          database->GetFieldName(&text, CardsFieldTitleCode(field->code));
          field->SetTitleText(text.c_str());
          field->InvalidateTitle();
        }
      }
      if (note->code == kChangeComponentsRebuilt) MarkNeedsCalc();
      break;
    }
    case kChangeComponentsDeleted:
      // The rows may name components that are gone.
      DropRows();
      recalcPending = 1;
      EnableCalcButton();
      break;
    case kChangeSubComponents:
    case kChangeLineSlots:
      RebuildFields();
      if (currentPage == 2) RebuildCardsPageLater();
      break;
    case kChangeCardDigits:
      InvalidateGrid();
      break;
    case kChangeListWidth1:
    case kChangeListWidth2:
      if (currentPage == 0) RebuildCardsPageLater();
      break;
    case kChangeCardSaved:
    case kChangeCards:
    case kChangeLinesMoving:
      // Rows point at records the change may have freed: none may be read again.
      DropRows();
      if (BoxServices().autoRecalc() && note->code != kChangeLinesMoving) {
        RunCalculation(true, true);
      } else {
        MarkNeedsCalc();
        EnableCalcButton();
      }
      break;
    case kChangeValueColumns:
    case kChangeLineOrigins:
      RebuildFields();
      if (currentPage == 1 || currentPage == 2) RebuildCardsPageLater();
      MarkNeedsCalc();
      break;
    case kChangeSubsetCalculated:
      if (note->object && Selection_isRestricted(&selection)) MarkNeedsCalc();
      break;
    case kChangeRefresh:
    case kChangeReferenceDate:
      MarkNeedsCalc();
      break;
    default:
      break;
  }
}

void T_Cards::UpdateCommands() {
  T_BoxWin::UpdateCommands();
  const MenuOperations* menus = Menus();
  if (!menus || !menus->enableCommand) return;
  menus->enableCommand(kPageSelection, true);
  if (rows.count == 0) return;
  EnableDataOperationCommands();
}

bool T_Cards::DoCommand(int32_t command) {
  switch (command) {
    case kPageSelection:
      CopySelection();
      return true;
    case kCommandDeleteData:
      DeleteData(true);
      return true;
    case kCommandExamine:
    case kCommandApprove:
      MarkCards(command);
      return true;
    default:
      return T_BoxWin::DoCommand(command);
  }
}

void T_Cards::OnEditText(T_TextBuf* text, T_GrafElement* field) {
  T_BoxWin::OnEditText(text, field);
  // A selection field of the header changed: the rows are out of date.
  auto* item = dynamic_cast<T_Item*>(field);
  if ((item && item->id < 300) || IsHeaderEdit(field)) EnableCalcButton();
}

void T_Cards::OnModeboxEvent(T_GrafElement* box, ModeboxEvent* record) {
  int32_t id = record->nodeId;
  if (id != kPageSelection && id != kPageColumns && id != kPageOptions) {
    if (record->code == kModeChosen) {
      DeleteSelectionEdits();
      currentPage = -1;
    }
    T_BoxWin::OnModeboxEvent(box, record);
    return;
  }
  if (record->code == kModeDescribe) {
    ModeboxEvent_SetText(record, GetString(id));
    return;
  }
  if (record->code != kModeChosen) return;
  OpenCardsPage(id == kPageSelection ? 0 : id == kPageColumns ? 1 : 2);
}

void T_Cards::OnToolSelected(int32_t item) {
  T_BoxWin::OnToolSelected(item);
  if (toolSelector) options.tool = toolSelector->currentPicture;
}

int32_t T_Cards::GetEffectiveTool(InputEvent* event) {
  int32_t tool = T_BoxWin::GetEffectiveTool(event);
  if (tool == static_cast<int32_t>(kToolPointer) && event && event->control)
    tool = kToolCardPointer;
  return tool;
}

void T_Cards::RestrictToSubset(void* subset) {
  auto* chosen = static_cast<Subset*>(subset);
  if (!chosen) return;
  Selection_andSubset(&selection, SubsetName(chosen));
  EnableCalcButton();
}

// --- Cells
// ----------------------------------------------------------------------------------------

bool T_Cards::CanSelectCell(int64_t row, int32_t field) {
  const CardsRow* record = RowAt(row);
  auto* column = static_cast<T_CardsField*>(GetField(field));
  return record && column && column->level == record->kind;
}

void T_Cards::SelectRange(CellRange* range) {
  T_BoxWin::SelectRange(range);
  int64_t first = std::min(range->anchorRow, range->lastRow);
  int64_t last = std::max(range->anchorRow, range->lastRow);
  // Widened to whole cards: from a card row to the row before the next card row.
  while (first > 0 && RowAt(first) && RowAt(first)->kind != kRowCard) --first;
  while (last + 1 < rowCount && RowAt(last + 1) && RowAt(last + 1)->kind != kRowCard) ++last;
  range->firstRow = first;
  range->lastRow = last;
}

bool T_Cards::ClickCell(InputEvent* event, int64_t row, int32_t field, int32_t tool) {
  const CardsRow* record = RowAt(row);
  auto* column = static_cast<T_CardsField*>(GetField(field));
  if (!record || !column || tool != static_cast<int32_t>(kToolCardPointer))
    return T_BoxWin::ClickCell(event, row, field, tool);
  CardId id = CardGetId(record->card);
  // The card editor's column: card id and date open at the date; a line field at its line.
  int32_t line = 0;
  if (record->kind == kRowLine && record->group) {
    int32_t n = 1;
    for (GroupRecord* g = record->card->firstGroup; g; g = g->next) {
      for (LineRecord* l = g->firstLine; l; l = l->next, ++n) {
        if (l == record->line) line = n;
      }
    }
  }
  OpenCardEditor(database, &id, line);
  return true;
}

// --- Titles
// ---------------------------------------------------------------------------------------

void T_Cards::TitleContextMenu(ContextMenuRecord* record, int32_t phase) {
  auto* field = static_cast<T_CardsField*>(pressedTitleField);
  if (!field) return;
  if (phase == kMenuPhaseList) {
    PopupMenu_AddCommand(&record->commands, kMenuHide, false);
    if (CardsFieldSortable(field->code))
      PopupMenu_AddCommand(&record->commands, kMenuSortRows, false);
    PopupMenu_AddCommand(&record->commands, kMenuAdjustWidth, false);
    return;
  }
  if (phase != kMenuPhaseRun) return;
  switch (record->entry) {
    case kMenuHide:
      options.fields[field->code].show = 0;
      pressedTitleField = nullptr;
      RebuildFields();
      break;
    case kMenuSortRows: {
      CardsSortKey key{};
      key.field = field->code;
      options.keys[0] = key;
      options.keyCount = 1;
      userSorted = 1;
      SortRows();
      UpdateSortMarkers();
      InvalidateGrid();
      break;
    }
    case kMenuAdjustWidth:
      FitFieldWidth(field);
      break;
    default:
      break;
  }
}

bool T_Cards::ClickFieldButton(InputEvent* event, T_BoxField* field, const RECT*) {
  auto* column = static_cast<T_CardsField*>(field);
  if (event && !TrackTitleClick(event, field)) return true;
  for (int32_t k = 0; k < options.keyCount; ++k) {
    if (options.keys[k].field != column->code) continue;
    CardsKeyToggle(&options.keys[k]);
    userSorted = 1;
    SortRows();
    UpdateSortMarkers();
    InvalidateGrid();
    break;
  }
  return true;
}

void T_Cards::GetFieldSortKey(T_BoxField* field, T_TextBuf* key) {
  auto* column = static_cast<T_CardsField*>(field);
  if (!CardsFieldSortable(column->code)) return;
  CardsFieldLetters(key, database, column->code, false);
  CardsSortKey probe{};
  probe.field = column->code;
  for (int32_t k = 0; k < options.keyCount; ++k) {
    if (options.keys[k].field == column->code) probe = options.keys[k];
  }
  TextBufAppendChar(key, ':');
  TextBufAppendChar(key, CardsKeyOptionLetter(&probe));
}
