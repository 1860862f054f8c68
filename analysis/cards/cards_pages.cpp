// The cards window's "Columns" and "Options" pages of the mode box, the sort-key rows they edit,
// and the "» …" entries of the "Selection" page, which open the other analysis windows on this
// window's selection.
//
// Element ids of the pages (all below the box window's panel ids, above the header's):
//   440 field list, 441 "Show", 442 date style, 443 display string, 444 decimals, 445 negative
//   style, 446 colour rule, 447 the current field's frame;
//   400 + k field chooser and 410 + k option chooser of key k, 420 "+", 421 "-", 422 the frame
//   "Sorting", 430 "Grid Lines", 431 "Groups", 432 "Lines", 433 the frame "Data Contents".
#include <algorithm>
#include <new>
#include <string_view>

#include "analysis/boxwin/box_panel.h"
#include "analysis/cards/cards_template.h"
#include "analysis/cards/cards_window.h"
#include "core/input_stream.h"
#include "core/localized_text.h"
#include "core/memory.h"
#include "core/output_stream.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/stored_subsets.h"
#include "database/template_runner.h"
#include "database/template_tree.h"
#include "database/templates.h"
#include "ui/button.h"
#include "ui/chooser.h"
#include "ui/clipboard_data.h"
#include "ui/draw_primitives.h"
#include "ui/event_record.h"
#include "ui/frame_items.h"
#include "ui/list_box.h"
#include "ui/mode_tree.h"
#include "ui/popup_menu.h"
#include "ui/selection_header.h"
#include "ui/sort_orders.h"
#include "ui/text_layout.h"
#include "ui/value_choosers.h"

namespace {

constexpr int32_t kPageColumnsId = 3140;
constexpr int32_t kPageOptionsId = 3141;

constexpr uint32_t kFieldListId = 440;
constexpr uint32_t kShowId = 441;
constexpr uint32_t kDateStyleId = 442;
constexpr uint32_t kDisplayId = 443;
constexpr uint32_t kDecimalsId = 444;
constexpr uint32_t kNegativeId = 445;
constexpr uint32_t kColourId = 446;
constexpr uint32_t kDetailsId = 447;
constexpr uint32_t kKeyFieldFirst = 400;
constexpr uint32_t kKeyOptionFirst = 410;
constexpr uint32_t kAddKeyId = 420;
constexpr uint32_t kRemoveKeyId = 421;
constexpr uint32_t kSortingId = 422;
constexpr uint32_t kGridLinesId = 430;
constexpr uint32_t kGroupsId = 431;
constexpr uint32_t kLinesId = 432;
constexpr uint32_t kContentsId = 433;

constexpr int32_t kTextShow = 3109;
constexpr int32_t kTextAscending = 3603;
constexpr int32_t kTextDescending = 3604;
constexpr int32_t kTextGridLines = 3605;
constexpr int32_t kTextGroups = 4025;
constexpr int32_t kTextLines = 3509;
constexpr int32_t kTextNone = 1209;
constexpr int32_t kTextSorting = 3628;
constexpr int32_t kTextDataContents = 3629;
constexpr int32_t kTextSelected = 3630;
constexpr int32_t kTextAll = 1132;
constexpr uint16_t kMenuCopy = 214;
constexpr uint16_t kMenuPaste = 215;
constexpr uint16_t kMenuRelatedFirst = 3143;  // "» Cards" .. "» Component Functions"
// Choosers one under the other keep their frames apart; a frame's title stands above its top.
constexpr int32_t kKeyRowHeight = 19;
constexpr int32_t kFrameTop = 16;
constexpr int32_t kGripLeft = 6;
constexpr int32_t kGripRight = 18;
constexpr int32_t kFieldEntryMax = 3 + 32 + 1 + 24 + 1 + 4;

// The kind of option a key's field takes: 0 card id or date, 1 dimension, 2 text, 3 value.
int32_t OptionKind(int32_t code) {
  if (code == kColCardId || code == kColDate) return 0;
  if (CardsFieldDimension(code) >= 0) return 1;
  if (CardsFieldColumn(code) >= 0) return 3;
  return 2;
}

int64_t OptionCount(int32_t code) {
  static constexpr int64_t kCounts[] = {2, 5, 2, 6};
  return kCounts[OptionKind(code)];
}

int64_t OptionIndex(const CardsSortKey& key) {
  switch (OptionKind(key.field)) {
    case 0:
      return key.cardDirection;
    case 1:
      return key.dimensionOrder;
    case 3:
      return key.valueOrder;
    default:
      return key.textDirection;
  }
}

void SetOptionIndex(CardsSortKey* key, int64_t index) {
  int32_t value = static_cast<int32_t>(index);
  switch (OptionKind(key->field)) {
    case 0:
      key->cardDirection = value;
      break;
    case 1:
      key->dimensionOrder = value;
      break;
    case 3:
      key->valueOrder = value;
      break;
    default:
      key->textDirection = value;
      break;
  }
}

T_Button* NewButton(T_EventHandler* parent, const XYWH& at, uint32_t id, const char* label,
                    bool enabled) {
  auto* button = new (std::nothrow) T_Button(parent, at, id);
  if (!button) return nullptr;
  button->SetTitleRef(label);
  Item_SetEnabled(button, enabled);
  return button;
}

T_Item* FindItem(T_GrafElement* root, uint32_t id) {
  if (!root) return nullptr;
  for (T_GrafElement* child = root->firstChild; child; child = child->next) {
    auto* item = dynamic_cast<T_Item*>(child);
    if (item && item->id == id) return item;
    if (T_Item* inner = FindItem(child, id)) return inner;
  }
  return nullptr;
}

// The cards pages are built again only while the window still shows the same one.
void RebuildCardsPage(T_BoxWin* box, int32_t page) {
  T_Cards* cards = AsCardsWindow(box);
  if (cards && cards->currentPage == page) cards->OpenCardsPage(page);
}

}  // namespace

// --- Lists
// ----------------------------------------------------------------------------------------

int32_t T_Cards::ListedFields(int32_t* codes) const {
  int32_t n = 0;
  for (int32_t i = 0; i < fieldOrderCount; ++i) {
    int32_t code = fieldOrder[i];
    if (int32_t d = CardsFieldDimension(code); d > 0 && !(database && database->IsDimUsed(d)))
      continue;
    if (int32_t column = CardsFieldColumn(code);
        column >= 0 && !(database && column < database->valueCount))
      continue;
    if (code == kColOrigin && !(database && database->lineOrigins)) continue;
    codes[n++] = code;
  }
  return n;
}

int32_t T_Cards::SortFieldEntries(int32_t* codes) const {
  int32_t listed[kCardsFieldCount];
  const int32_t count = ListedFields(listed);
  int32_t n = 0;
  int32_t group = -1;
  for (int32_t i = 0; i < count; ++i) {
    int32_t code = listed[i];
    if (!CardsFieldSortable(code)) continue;
    // Card fields, dimensions, line text, values, origin: a separator between the groups.
    int32_t kind = code <= kColTitle                ? 0
                   : CardsFieldDimension(code) >= 0 ? 1
                   : code == kColLineText           ? 2
                   : CardsFieldColumn(code) >= 0    ? 3
                                                    : 4;
    if (group >= 0 && kind != group) codes[n++] = -1;
    group = kind;
    codes[n++] = code;
  }
  return n;
}

// --- Sort keys
// ------------------------------------------------------------------------------------

bool T_Cards::AddSortKey() {
  if (options.keyCount >= kCardsMaxKeys) return false;
  options.keys[options.keyCount++] = CardsSortKey{};
  userSorted = 1;
  RebuildCardsPageLater();
  return true;
}

bool T_Cards::RemoveSortKey() {
  if (options.keyCount <= 0) return false;
  options.keys[--options.keyCount] = CardsSortKey{};
  if (options.keyCount == 0) {
    // The listing keeps its natural order: the single default key stands for it.
    options.keyCount = 1;
    options.keys[0] = CardsSortKey{};
  }
  SortRows();
  UpdateSortMarkers();
  InvalidateGrid();
  RebuildCardsPageLater();
  return true;
}

bool T_Cards::MoveSortKey(int32_t from, int32_t to) {
  if (from < 0 || to < 0 || from >= options.keyCount || to >= options.keyCount || from == to)
    return false;
  CardsSortKey moved = options.keys[from];
  if (from < to) {
    for (int32_t k = from; k < to; ++k) options.keys[k] = options.keys[k + 1];
  } else {
    for (int32_t k = from; k > to; --k) options.keys[k] = options.keys[k - 1];
  }
  options.keys[to] = moved;
  userSorted = 1;
  SortRows();
  UpdateSortMarkers();
  InvalidateGrid();
  RebuildCardsPageLater();
  return true;
}

int32_t T_Cards::SortKeyRowAt(int32_t y, bool clamp) const {
  if (currentPage != 2 || !modeItem) return -1;
  int32_t found = -1;
  for (int32_t k = 0; k < options.keyCount; ++k) {
    T_Item* chooser = FindItem(modeItem, kKeyFieldFirst + static_cast<uint32_t>(k));
    if (!chooser) continue;
    int32_t top = chooser->offsetY - modeItem->offsetY;
    if (y >= top - 1 && y < top + kKeyRowHeight - 1) return k;
    if (clamp && (y >= top || found < 0)) found = k;
  }
  return found;
}

void T_Cards::DrawModeItem() {
  T_BoxWin::DrawModeItem();
  if (currentPage != 2 || !modeItem) return;
  // A grip of three short lines beside each key row.
  for (int32_t k = 0; k < options.keyCount; ++k) {
    T_Item* chooser = FindItem(modeItem, kKeyFieldFirst + static_cast<uint32_t>(k));
    if (!chooser) continue;
    int32_t top = chooser->offsetY - modeItem->offsetY;
    for (int32_t line = 0; line < 3; ++line)
      DrawHLine(kGripLeft, top + 4 + 3 * line, kGripRight - kGripLeft - 2);
  }
}

bool T_Cards::ClickModeItem(InputEvent* event, T_GrafElement* sender) {
  if (currentPage != 2 || !event || !event->leftButton || event->x >= kGripRight)
    return T_BoxWin::ClickModeItem(event, sender);
  const int32_t from = SortKeyRowAt(event->y, false);
  if (from < 0) return T_BoxWin::ClickModeItem(event, sender);
  InputEvent poll = *event;
  int32_t to = from;
  do {
    Item_PollPointer(modeItem, &poll);
    to = SortKeyRowAt(poll.y, true);
  } while (poll.anyButton);
  if (to >= 0) MoveSortKey(from, to);
  return true;
}

void T_Cards::SetContentsMode(int32_t which, uint32_t mode) {
  if (mode > kContentsAll) return;
  uint32_t* target = which == 0 ? &options.groupsMode : &options.linesMode;
  if (*target == mode) return;
  *target = mode;
  if (T_Item* lines = FindItem(modeItem, kLinesId))
    Item_SetEnabled(lines, options.groupsMode != kContentsNone);
  MarkNeedsCalc();
  EnableCalcButton();
}

void T_Cards::ToggleFieldShown(int32_t code) {
  if (code < 0 || code >= kCardsFieldCount) return;
  options.fields[code].show = options.fields[code].show ? 0 : 1;
  RebuildFields();
  if (currentPage == 1 && fieldList) GrafElement_Invalidate(fieldList, 0);
  if (auto* show = dynamic_cast<T_Checkbox*>(FindItem(modeItem, kShowId));
      show && code == currentField) {
    show->checked = options.fields[code].show;
    GrafElement_Invalidate(show, 0);
  }
  // A hidden notes or signatures field takes its rows with it.
  if (code == kColNotes || code == kColSignatures || CardsFieldLevel(code) == kRowGroup)
    MarkNeedsCalc();
}

// --- Building the pages
// ---------------------------------------------------------------------------

void T_Cards::RebuildCardsPageLater() {
  if (currentPage < 0 || currentPage > 2) return;
  if (!PostPanelRebuild(this, currentPage, RebuildCardsPage)) OpenCardsPage(currentPage);
}

void T_Cards::OpenCardsPage(int32_t page) {
  ClosePanelPage();
  DeleteSelectionEdits();
  fieldDetails = nullptr;
  fieldList = nullptr;
  currentPage = page;
  T_EventHandler* parent = modeItem ? static_cast<T_EventHandler*>(modeItem) : this;
  SetModeItemFlag(page == 0);
  if (page == 0) {
    // The selection fields stand in the page area beside the mode box, as every page's do.
    if (modeItem) header.headerParent = modeItem;
    CreateDimensionEdits(XYWH{75, 3, 105, 12});
    CreateFromToEdits(XYWH{255, 3, 120, 12}, kHeaderFrom);
    CreateCardTitleEdit(XYWH{255, 41, 120, 12}, kHeaderCardTitle);
    CreateLineTextEdit(XYWH{255, 58, 120, 12}, kHeaderLineText);
    CreateNotesEdit(XYWH{255, 75, 120, 12}, kHeaderNotes);
    ShowSelection(&selection);
    return;
  }
  auto keep = [this](T_GrafElement* item) {
    if (item && panelItemCount < 16)
      panelItems[panelItemCount++] = item;
    else
      delete item;
  };
  if (page == 1) {
    openPanelPage = kPageColumnsId;
    int32_t listHeight = std::max(40, headerHeight - 8);
    auto* list =
        new (std::nothrow) T_Linebox(parent, {4, 4, 170, listHeight}, kFieldListId, 16, true);
    fieldList = list;
    keep(list);
    int32_t codes[kCardsFieldCount];
    int32_t n = ListedFields(codes);
    if (currentField < 0 && n > 0) currentField = codes[0];
    if (list) {
      list->ReloadLines();
      for (int32_t i = 0; i < n; ++i) {
        if (codes[i] == currentField) list->SelectOnly(i);
      }
    }
    T_Frame* details = AddFrame(parent, {182, 4, 200, 80}, kDetailsId, 0);
    fieldDetails = details;
    keep(details);
    if (details && currentField >= 0) {
      const CardsFieldOptions& field = options.fields[currentField];
      AddCheckbox(details, {6, 2, 150, 14}, kShowId, kTextShow, field.show != 0);
      if (currentField == kColDate) {
        new (std::nothrow) T_ChooseDateformat(details, {6, 20, 180, 15}, kDateStyleId,
                                              static_cast<int32_t>(options.dateStyle));
      } else if (CardsFieldDimension(currentField) >= 0) {
        new (std::nothrow) T_ChooseDimstring(details, {6, 20, 180, 15}, kDisplayId, field.display);
      } else if (int32_t column = CardsFieldColumn(currentField); column >= 0) {
        auto* decimals = new (std::nothrow) T_ChooseDecs(
            details, {6, 20, 180, 15}, kDecimalsId, T_ChooseDecs::kModeThousands, field.decimals);
        if (decimals) decimals->SetColumns(database, column);
        new (std::nothrow) T_ChooseNegval(details, {6, 38, 180, 15}, kNegativeId, field.negative);
        new (std::nothrow) T_ChooseRedgreen(details, {6, 56, 180, 15}, kColourId, field.colour);
      }
    }
    return;
  }
  if (page != 2) return;
  openPanelPage = kPageOptionsId;
  shownKeyCount = options.keyCount;
  int32_t keys = std::max(1, options.keyCount);
  // The grips that drag a key row stand left of the frame, on the mode item itself.
  T_Frame* sorting = AddFrame(parent, {kGripRight, kFrameTop, 236, 22 + kKeyRowHeight * keys},
                              kSortingId, kTextSorting);
  keep(sorting);
  if (sorting) {
    int32_t entries[kFieldEntryMax];
    int32_t count = SortFieldEntries(entries);
    for (int32_t k = 0; k < options.keyCount; ++k) {
      const CardsSortKey& key = options.keys[k];
      int64_t current = 0;
      for (int32_t i = 0; i < count; ++i) {
        if (entries[i] == key.field) current = i;
      }
      int32_t y = 2 + kKeyRowHeight * k;
      new (std::nothrow) T_Chooser(sorting, {6, y, 120, 15},
                                   kKeyFieldFirst + static_cast<uint32_t>(k), count, current, true);
      new (std::nothrow)
          T_Chooser(sorting, {130, y, 96, 15}, kKeyOptionFirst + static_cast<uint32_t>(k),
                    OptionCount(key.field), OptionIndex(key), true);
    }
    int32_t y = 2 + kKeyRowHeight * options.keyCount;
    NewButton(sorting, {6, y, 20, 16}, kAddKeyId, "+", options.keyCount < kCardsMaxKeys);
    NewButton(sorting, {30, y, 20, 16}, kRemoveKeyId, "-", options.keyCount > 0);
  }
  keep(AddCheckbox(parent, {kGripRight + 244, kFrameTop, 130, 14}, kGridLinesId, kTextGridLines,
                   options.gridLines != 0));
  T_Frame* contents =
      AddFrame(parent, {kGripRight + 244, kFrameTop + 32, 140, 40}, kContentsId, kTextDataContents);
  keep(contents);
  if (contents) {
    auto* groups = new (std::nothrow)
        T_Chooser(contents, {6, 2, 126, 15}, kGroupsId, 3, options.groupsMode, true);
    if (groups) groups->SetTitleId(kTextGroups);
    auto* lines = new (std::nothrow)
        T_Chooser(contents, {6, 2 + kKeyRowHeight, 126, 15}, kLinesId, 3, options.linesMode, true);
    if (lines) {
      lines->SetTitleId(kTextLines);
      Item_SetEnabled(lines, options.groupsMode != kContentsNone);
    }
  }
}

// --- Events of the pages
// --------------------------------------------------------------------------

void T_Cards::OnButton(T_GrafElement* button) {
  auto* item = dynamic_cast<T_Item*>(button);
  if (item && item->id == kAddKeyId && currentPage == 2) {
    AddSortKey();
    return;
  }
  if (item && item->id == kRemoveKeyId && currentPage == 2) {
    RemoveSortKey();
    return;
  }
  T_BoxWin::OnButton(button);
}

void T_Cards::OnCheckbox(T_GrafElement* element) {
  auto* checkbox = dynamic_cast<T_Checkbox*>(element);
  if (checkbox && checkbox->id == kGridLinesId && currentPage == 2) {
    options.gridLines = checkbox->checked ? 1 : 0;
    InvalidateGrid();
    return;
  }
  if (checkbox && checkbox->id == kShowId && currentPage == 1 && currentField >= 0) {
    if ((options.fields[currentField].show != 0) != (checkbox->checked != 0))
      ToggleFieldShown(currentField);
    return;
  }
  T_BoxWin::OnCheckbox(element);
}

void T_Cards::OnChooserEvent(T_GrafElement* element, ChooserEvent* record) {
  auto* chooser = dynamic_cast<T_Chooser*>(element);
  const uint32_t id = chooser ? chooser->id : 0;
  if (!chooser || (currentPage != 1 && currentPage != 2)) {
    T_BoxWin::OnChooserEvent(element, record);
    return;
  }
  const bool describe = record->code == kChooserDescribe;
  if (id >= kKeyFieldFirst && id < kKeyFieldFirst + kCardsMaxKeys) {
    int32_t k = static_cast<int32_t>(id - kKeyFieldFirst);
    int32_t entries[kFieldEntryMax];
    int32_t count = SortFieldEntries(entries);
    if (record->index < 0 || record->index >= count) return;
    int32_t code = entries[record->index];
    if (describe) {
      if (code < 0) {
        record->plain = 0;
        return;
      }
      T_TextBuf title;
      if (database) database->GetFieldName(&title, CardsFieldTitleCode(code));
      ChooserEvent_SetText(record, title.c_str());
      return;
    }
    if (code < 0 || k >= options.keyCount) return;
    options.keys[k].field = code;
    userSorted = 1;
    // The option chooser of the row now offers the options of the new field's kind.
    if (auto* option = dynamic_cast<T_Chooser*>(
            FindItem(modeItem, kKeyOptionFirst + static_cast<uint32_t>(k)))) {
      option->SetItemCount(OptionCount(code));
      option->SetSelection(OptionIndex(options.keys[k]), kSelectSilent);
      GrafElement_Invalidate(option, 0);
    }
    SortRows();
    UpdateSortMarkers();
    InvalidateGrid();
    return;
  }
  if (id >= kKeyOptionFirst && id < kKeyOptionFirst + kCardsMaxKeys) {
    int32_t k = static_cast<int32_t>(id - kKeyOptionFirst);
    if (k >= options.keyCount) return;
    CardsSortKey* key = &options.keys[k];
    if (describe) {
      switch (OptionKind(key->field)) {
        case 1:
          LabelTreeOrderItem(record);
          break;
        case 3:
          LabelValueOrderItem(record);
          break;
        default:
          ChooserEvent_SetText(record,
                               GetString(record->index == 0 ? kTextAscending : kTextDescending));
          break;
      }
      return;
    }
    SetOptionIndex(key, record->index);
    userSorted = 1;
    SortRows();
    UpdateSortMarkers();
    InvalidateGrid();
    return;
  }
  if (id == kGroupsId || id == kLinesId) {
    if (describe) {
      static constexpr int32_t kModeTexts[] = {kTextNone, kTextSelected, kTextAll};
      if (record->index >= 0 && record->index < 3)
        ChooserEvent_SetText(record, GetString(kModeTexts[record->index]));
      return;
    }
    SetContentsMode(id == kGroupsId ? 0 : 1, static_cast<uint32_t>(record->index));
    return;
  }
  if (describe || currentField < 0) {
    T_BoxWin::OnChooserEvent(element, record);
    return;
  }
  CardsFieldOptions* field = &options.fields[currentField];
  switch (id) {
    case kDateStyleId:
      options.dateStyle =
          static_cast<uint32_t>(static_cast<T_ChooseDateformat*>(chooser)->SelectedFormat());
      break;
    case kDisplayId:
      field->display = static_cast<T_ChooseDimstring*>(chooser)->SelectedCode();
      break;
    case kDecimalsId:
      field->decimals = static_cast<T_ChooseDecs*>(chooser)->SelectedCode();
      break;
    case kNegativeId:
      field->negative = static_cast<int32_t>(chooser->current);
      break;
    case kColourId:
      field->colour = static_cast<int32_t>(chooser->current);
      break;
    default:
      T_BoxWin::OnChooserEvent(element, record);
      return;
  }
  InvalidateGrid();
}

void T_Cards::OnLineboxEvent(T_GrafElement* box, LineboxEvent* record) {
  if (box != fieldList || currentPage != 1) {
    T_BoxWin::OnLineboxEvent(box, record);
    return;
  }
  int32_t codes[kCardsFieldCount];
  int32_t n = ListedFields(codes);
  switch (record->code) {
    case kLineCount:
      record->count = n;
      return;
    case kLineDraw: {
      if (record->index < 0 || record->index >= n) return;
      int32_t code = codes[record->index];
      T_TextBuf text(options.fields[code].show ? "\xE2\x80\xA2 " : "   ");
      T_TextBuf title;
      if (database) database->GetFieldName(&title, CardsFieldTitleCode(code));
      TextBufAppend(&text, title.c_str());
      RECT rect = record->lineRect;
      rect.left += 4;
      TextDrawLine(&rect, text.c_str(), nullptr);
      return;
    }
    case kLineSelected:
      if (record->flag && record->index >= 0 && record->index < n &&
          codes[record->index] != currentField) {
        currentField = codes[record->index];
        RebuildCardsPageLater();
      }
      return;
    case kLineDefaultAction:
      if (record->index >= 0 && record->index < n) ToggleFieldShown(codes[record->index]);
      return;
    default:
      T_BoxWin::OnLineboxEvent(box, record);
      return;
  }
}

// --- The "Selection" page's menu and the other windows
// --------------------------------------------

bool T_Cards::CanOpenRelated(int32_t kind) const {
  return database && kind >= kTemplateCards && kind <= kTemplateComponentFunctions &&
         HasWindowOpener(kind);
}

bool T_Cards::OnModeboxMenu(T_GrafElement* box, ContextMenuRecord* record) {
  if (currentPage != 0 || !record) return T_BoxWin::OnModeboxMenu(box, record);
  switch (record->phase) {
    case kMenuPhaseList: {
      PopupMenu_AddCommand(&record->commands, kMenuCopy, false);
      char* text = ClipboardReadText();
      bool block = text && std::string_view(text).find("## Selection") != std::string_view::npos;
      MemFree(text);
      if (block) PopupMenu_AddCommand(&record->commands, kMenuPaste, false);
      for (int32_t kind = kTemplateCards; kind <= kTemplateComponentFunctions; ++kind)
        PopupMenu_AddCommand(&record->commands, static_cast<uint16_t>(kMenuRelatedFirst + kind - 1),
                             kind == kTemplateCards);
      return true;
    }
    case kMenuPhaseMeasure:
      if (record->entry >= kMenuRelatedFirst && record->entry < kMenuRelatedFirst + 5)
        record->selectable =
            CanOpenRelated(static_cast<int32_t>(record->entry - kMenuRelatedFirst + 1)) ? 1 : 0;
      return false;
    case kMenuPhaseRun:
      if (record->entry == kMenuCopy) {
        CopySelection();
      } else if (record->entry == kMenuPaste) {
        PasteSelection();
      } else if (record->entry >= kMenuRelatedFirst && record->entry < kMenuRelatedFirst + 5) {
        OpenRelatedWindow(static_cast<int32_t>(record->entry - kMenuRelatedFirst + 1));
      }
      return true;
    default:
      return false;
  }
}

T_HWindow* T_Cards::OpenRelatedWindow(int32_t kind) {
  if (!CanOpenRelated(kind)) return nullptr;
  T_Template* parameter = nullptr;
  if (kind == kTemplateCards) {
    // This window's settings, with the geometry, output and print options of the default.
    parameter = NewTemplate(database, kind);
    if (!parameter) return nullptr;
    SaveToTemplate(parameter);
    if (T_BoxTmpl* box = AsBoxTemplate(parameter)) box->ApplyDefaults();
  } else {
    T_Template* defaults = database->GetDefaultTemplate(kind);
    parameter =
        defaults ? DuplicateTemplate(database, defaults, nullptr) : NewTemplate(database, kind);
    if (!parameter) return nullptr;
    // The selection as the template's own "B" records, which every selection-keeping template
    // reads, the date bounds among them.
    T_OStream text;
    Selection_writeKeys(&selection, &text, 'B');
    T_IStream input;
    input.CtorFromOStream(&text);
    while (input.NextLine()) parameter->ReadRecord(&input);
    if (T_BoxTmpl* box = AsBoxTemplate(parameter)) {
      StoreSubsetList(&box->subsets, &subsets);
      box->calcDirect = 1;
    }
  }
  T_HWindow* window = RunTemplate(database, parameter, nullptr, kRunNoLookup);
  // The window copied what it needs; a template outside the tree is the caller's.
  DeleteTemplate(parameter);
  return window;
}
