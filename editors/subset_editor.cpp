#include "editors/subset_editor.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "core/alert.h"
#include "core/cstring.h"
#include "core/input_stream.h"
#include "core/locale.h"
#include "core/localized_text.h"
#include "core/memory.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "core/placeholders.h"
#include "core/threads.h"
#include "core/value_format.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/change_notes.h"
#include "database/object_services.h"
#include "database/operation_log.h"
#include "database/subsets.h"
#include "editors/editor_questions.h"
#include "ui/button.h"
#include "ui/clipboard_data.h"
#include "ui/clipboard_stream.h"
#include "ui/dialog_base.h"
#include "ui/edit_field.h"
#include "ui/frame_items.h"
#include "ui/link_markup.h"
#include "ui/menu_model.h"
#include "ui/mode_tree.h"
#include "ui/native_menu.h"
#include "ui/popup_menu.h"
#include "ui/selection_fields.h"
#include "ui/selection_header.h"
#include "ui/text_layout.h"
#include "ui/text_style.h"

namespace {

// Texts.
constexpr int32_t kTextNotCalculated = 4708;
constexpr int32_t kTextZeroLines = 4709;
constexpr int32_t kTextOneLine = 4710;
constexpr int32_t kTextLinesInOneCard = 4711;
constexpr int32_t kTextLinesInCards = 4712;
constexpr int32_t kTextNewSelection = 4713;
constexpr int32_t kTextCombination = 4714;
constexpr int32_t kTextSubsetName = 4715;
constexpr int32_t kTextOpenWithDatabase = 4716;
constexpr int32_t kTextKeepPosition = 4717;
constexpr int32_t kSelectionInUse = 4718;
constexpr int32_t kTextLineCount = 4719;
constexpr int32_t kTextTime = 4720;
constexpr int32_t kTextName = 4721;
constexpr int32_t kSubsetInUse = 4705;
constexpr int32_t kTextSelection = 3127;
constexpr int32_t kTextSelections = 3128;
constexpr int32_t kTextSubset = 3135;
constexpr int32_t kTextSubsets = 3136;
constexpr int32_t kTextNewSubset = 3137;
constexpr int32_t kTextOpenSubset = 3138;
constexpr int32_t kTextOptions = 3141;
constexpr int32_t kTextNotes = 3506;
constexpr int32_t kTextCardId = 3101;
constexpr int32_t kTextSignature = 2544;
constexpr int32_t kTextFirstStamp = 3502;  // Created, Modified, Examined, Approved; then Notes
constexpr int32_t kCommandDeleteSubset = 2535;
constexpr int32_t kCommandNewTagged = 20;  // "New" with the kind of object in its label
constexpr int32_t kCloseAll = 3;

// The header field ids of page 1's labels.
constexpr int32_t kFieldCardId = 3101;

constexpr int32_t kRow = kHeaderRowPitch;
constexpr int32_t kModeBoxWidth = 110;
constexpr int32_t kFieldWidth = 160;
constexpr const char* kSelectionHeader = "## Selection";
constexpr const char* kSubsetHeader = "## Subset";
// Edit texts are cut to this many bytes, at a character boundary.
constexpr int32_t kEditTextLimit = 1023;

// Closes the subset's editor for the model (the subset is going away).
void CloseEditorOfSubset(Subset* subset) {
  T_SubsetEditor* editor = FindSubsetEditor(subset);
  if (!editor) return;
  editor->subset = nullptr;
  subset->editor = nullptr;
  EventHandler_CloseAndDelete(editor, kCloseAll);
}

void SubsetChangedElsewhere(Subset* subset) {
  if (T_SubsetEditor* editor = FindSubsetEditor(subset)) editor->MarkChanged(true);
}

bool EditorPosition(Subset* subset, int32_t* x, int32_t* y) {
  T_SubsetEditor* editor = FindSubsetEditor(subset);
  if (!editor || !subset->hasPosition) return false;
  *x = editor->x;
  *y = editor->y;
  return true;
}

void OpenEditor(Subset* subset, int32_t flags) { OpenSubsetEditorWindow(subset, flags); }

}  // namespace

const SubsetEditorServices kSubsetEditorServices{CloseEditorOfSubset, SubsetChangedElsewhere,
                                                 EditorPosition, OpenEditor};

namespace {

// Whether a clipboard text holds a "## Selection" block: a line that begins with it.
bool HoldsSelections(const char* text) {
  const size_t n = std::strlen(kSelectionHeader);
  for (const char* line = text; line && *line;) {
    if (std::strncmp(line, kSelectionHeader, n) == 0) return true;
    line = std::strpbrk(line, "\r\n");
    while (line && (*line == '\r' || *line == '\n')) ++line;
  }
  return false;
}

void CutText(T_TextBuf* text) {
  if (text->length <= kEditTextLimit) return;
  int32_t n = kEditTextLimit;
  while (n > 0 && (static_cast<uint8_t>(text->data[n]) & 0xC0) == 0x80) --n;
  TextBufSetLength(text, n);
}

T_Text* NewLabel(T_EventHandler* parent, const XYWH& rect, int32_t textId) {
  auto* label = new (std::nothrow) T_Text(parent, rect, false);
  if (!label) return nullptr;
  label->SetTextId(textId);
  EventHandler_Open(label);
  return label;
}

T_Edit* NewEdit(T_EventHandler* parent, const XYWH& rect, int32_t id, const char* text) {
  auto* edit = new (std::nothrow) T_Edit(parent, rect, static_cast<uint32_t>(id), true, false);
  if (!edit) return nullptr;
  edit->SetText(text ? text : "");
  EventHandler_Open(edit);
  return edit;
}

void EnableCommand(int32_t command, int32_t label) {
  // "Delete Subset" is the program's entry, not one of the standard ones.
  T_MenuItem* entry =
      command < 0 ? StandardEntry(command) : MenuItem_FindCommand(MenuRoot(), command);
  if (!entry) return;
  if (auto* tag = dynamic_cast<T_MenuItemTag*>(entry)) {
    tag->SetTagAndEnable(label, true);
  } else {
    MenuItem_SetEnabled(entry, true);
  }
}

bool IsReservedName(const char* name) {
  for (const char* word : {"cards", "groups", "unbalanced"}) {
    if (StrStartsWithNoCase(name, word)) return true;
  }
  return false;
}

// Code 59: the subset's line set changed, or will when it is calculated.
void BroadcastCalculated(Subset* subset) {
  ChangeNote note;
  note.code = kChangeSubsetCalculated;
  note.database = subset->database;
  note.object = subset;
  NotifyChange(subset->database, &note);
}

SelectionItem* ItemOfNode(Subset* subset, const ModeNode* node) {
  if (!subset || !node || node->id < kSubsetModeFirstSelection) return nullptr;
  return SubsetItemAt(subset, node->id - kSubsetModeFirstSelection);
}

int32_t HighestDimensionRow(T_Base* base) {
  int32_t rows = 0;
  for (int32_t d = 0; d < kMaxDimensions; ++d) {
    if (Database_HasSubComponents(base, d)) rows = d + 1;
  }
  return rows;
}

// The window's place: its remembered position (both coordinates 1 only mean "keep it"), and
// the size the labels, the header fields and the mode box take.
const RECT* EditorRect(Subset* subset, int32_t* labelWidth) {
  static RECT placed;
  T_Base* base = subset->database;
  int32_t first = 47, second = 52;
  Database_DisplayWidths(base, &first, &second);
  SubsetEditorLayout layout = base ? SubsetEditorMeasure(base, first, 1)
                                   : SubsetEditorLayout{55, 400, 400};
  if (labelWidth) *labelWidth = std::max(layout.labelWidth, 55);
  int32_t left = 40, top = 40;
  if (subset->hasPosition && (subset->editorX > 1 || subset->editorY > 1)) {
    left = subset->editorX;
    top = subset->editorY;
  }
  placed = RECT{left, top, left + layout.width + kModeBoxWidth, top + layout.height};
  return &placed;
}

}  // namespace

// --- Status ------------------------------------------------------------------------------------

int64_t SubsetStatusText(Subset* subset, T_TextBuf* text) {
  const BitVector* lines = &subset->combination.lines;
  int64_t count = lines->words ? BitVecCount(lines) : -1;
  if (count < 0) {
    TextBufAssign(text, GetString(kTextNotCalculated));
  } else if (count == 0) {
    TextBufAssign(text, GetString(kTextZeroLines));
  } else if (count == 1) {
    TextBufAssign(text, GetString(kTextOneLine));
  } else {
    int64_t cards = subset->database ? CountCardsWithLines(subset->database, lines) : 1;
    TextBufAssign(text, GetString(cards < 2 ? kTextLinesInOneCard : kTextLinesInCards));
    TextBufFillParamInt64(text, 0, count);
    TextBufFillParamInt64(text, 1, cards);
  }
  return count;
}

// --- Opening -----------------------------------------------------------------------------------

T_SubsetEditor* FindSubsetEditor(Subset* subset) {
  return subset ? dynamic_cast<T_SubsetEditor*>(subset->editor) : nullptr;
}

T_SubsetEditor* OpenSubsetEditorWindow(Subset* subset, int32_t flags) {
  if (!subset) return nullptr;
  T_SubsetEditor* open = FindSubsetEditor(subset);
  if (open && !(flags & kSubsetOpenNew)) {
    if ((flags & kSubsetOpenRestore) && open->snapshot) {
      T_IStream in;
      in.CtorFromMemory(open->snapshot, open->snapshotLength);
      if (in.NextLine()) {
        SubsetClearRecords(subset);
        ReadSubset(subset, &in);
      }
      open->RebuildModes(nullptr);
      open->RefreshCombination();
    }
    open->BringToFront();
    return open;
  }
  if (!MemCanAlloc(static_cast<size_t>(kEditorReserve))) return nullptr;
  auto* editor = new (std::nothrow)
      T_SubsetEditor(subset, static_cast<uint32_t>(flags & ~(kSubsetOpenRestore | kSubsetOpenNew)));
  if (!editor) return nullptr;
  if (flags & kSubsetOpenCalc) {
    editor->Calculate(true);
    if (editor->lineCount == 0) {
      EventHandler_CloseAndDelete(editor, kCloseAll);
      return nullptr;
    }
    editor->SetVisible(true);
    editor->BringToFront();
  }
  return editor;
}

T_SubsetEditor::T_SubsetEditor(Subset* edited, uint32_t flags)
    : T_HWindow(kKindDocument, kWindowSubsetEditor, EditorRect(edited, nullptr), 0,
                edited->database, flags),
      subset(edited) {
  EditorRect(edited, &labelWidth);
  SetTitleCopy(edited->name);
  SubsetSetEditor(edited, this);
  if (edited->itemCount == 0) SubsetAppendItem(edited, nullptr);

  CreateToolbar();
  CreateCalcButton(kSubsetCalcId);
  for (T_GrafElement* child = toolbar ? toolbar->firstChild : nullptr; child; child = child->next) {
    if (auto* button = dynamic_cast<T_Button*>(child)) calcButton = button;
  }
  status = new (std::nothrow) T_Text(this, XYWH{width - 215, 8, 200, 14}, true);
  CreateModeBox(kModeBoxWidth, height - kToolbarHeight - 100);

  NewLabel(this, XYWH{10, height - 69, 115, 14}, kTextCombination);
  combinationEdit = new (std::nothrow)
      T_EditSubset(this, XYWH{130, height - 69, 310, 36}, kSubsetCombinationId);
  if (combinationEdit) combinationEdit->BindCombination(&edited->combination);
  NewLabel(this, XYWH{10, height - 21, 115, 14}, kTextSubsetName);
  nameEdit = NewEdit(this, XYWH{130, height - 21, 200, 14}, kSubsetNameId, edited->name);
  RefreshCombination();

  if (edited->listKind == kSubsetListOfDatabase) {
    T_OStream stream;
    WriteSnapshot(&stream);
    snapshotLength = static_cast<int32_t>(stream.BufferedLength());
    snapshot = StrDupBytes(reinterpret_cast<const char*>(stream.start), snapshotLength);
  }
  RebuildModes(nullptr);
  if (edited->notes) {
    SelectModeById(kSubsetModeNotes);
  } else if (edited->firstItem) {
    SelectModeById(kSubsetModeFirstSelection);
  } else {
    SelectModeById(kSubsetModeSelections);
  }
  if (page == kSubsetPageNone) ShowPage(kSubsetPageSelections, nullptr);
  calcEnabled = CombNeedsCalc(&edited->combination) ? 1 : 0;
  RefreshStatus();
  EventHandler_Open(this);
}

T_SubsetEditor::~T_SubsetEditor() {
  header.selection = nullptr;
  if (subset && subset->editor == this) SubsetSetEditor(subset, nullptr);
  BlockTextFree(&snapshot);
}

// --- Pages -------------------------------------------------------------------------------------

void T_SubsetEditor::KeepControl(T_GrafElement* control) {
  if (control && pageControlCount < static_cast<int32_t>(std::size(pageControls)))
    pageControls[pageControlCount++] = control;
}

void T_SubsetEditor::ClearPage() {
  if (header.headerParent) DeleteSelectionEdits();
  for (int32_t i = 0; i < pageControlCount; ++i) delete pageControls[i];
  pageControlCount = 0;
  for (T_Edit*& edit : stampEdits) edit = nullptr;
  notesEdit = nullptr;
  selectionNameEdit = nullptr;
  cardIdEdit = nullptr;
}

void T_SubsetEditor::ShowPage(int32_t shown, SelectionItem* item) {
  if (!subset || !modeItem) return;
  Window_DropFocus(this);
  ClearPage();
  page = shown;
  current = shown == kSubsetPageSelection ? item : nullptr;
  T_EventHandler* parent = modeItem;
  switch (shown) {
    case kSubsetPageSelections: {
      auto* button = new (std::nothrow)
          T_Button(parent, XYWH{10, 10, 120, 20}, static_cast<uint32_t>(kSubsetNewSelectionId));
      if (button) button->SetTitleId(kTextNewSelection);
      KeepControl(button);
      break;
    }
    case kSubsetPageSelection: {
      if (!item) break;
      int32_t left = labelWidth + 10;
      selectionNameEdit =
          NewEdit(parent, XYWH{left, 5, kFieldWidth, 12}, kSubsetSelectionNameId, item->name);
      KeepControl(selectionNameEdit);
      header.headerParent = parent;
      int32_t dimensionRows = HighestDimensionRow(database);
      CreateDimensionEdits(XYWH{left, 5 + kRow, kFieldWidth, 12});
      int32_t top = 5 + kRow * (1 + dimensionRows);
      auto* cardId = new (std::nothrow)
          T_EditSubtime(parent, XYWH{left, top, kFieldWidth, 12}, kSubsetCardIdId);
      if (cardId) {
        cardId->SetText(item->cardId.text ? item->cardId.text : "");
        EventHandler_Open(cardId);
      }
      cardIdEdit = cardId;
      KeepControl(cardId);
      CreateCardTitleEdit(XYWH{left, top + kRow, kFieldWidth, 12}, kSubsetCardTitleId);
      CreateLineTextEdit(XYWH{left, top + 2 * kRow, kFieldWidth, 12}, kSubsetLineTextId);
      CreateNotesEdit(XYWH{left, top + 3 * kRow, kFieldWidth, 12}, kSubsetNotesPatternId);
      int32_t valueTop = top + 4 * kRow;
      CreateValueEdits(XYWH{left, valueTop, kFieldWidth, 12}, kSubsetValueFirstId);
      int32_t below = valueTop + kRow * std::max(1, header.valueRowCount);
      if (subset->listKind == kSubsetListOfWindow) {
        CreateSubsetEdit(XYWH{left, below, kFieldWidth, 12}, kSubsetSubsetId);
        below += kRow;
      }
      ShowSelection(&item->selection);
      // The stamp table: a time condition and a signature per stamp.
      int32_t tableTop = below + 8;
      KeepControl(NewLabel(parent, XYWH{left, tableTop, 100, 12}, kTextTime));
      KeepControl(NewLabel(parent, XYWH{left + 110, tableTop, 80, 12}, kTextSignature));
      for (int32_t stamp = 0; stamp < kStampCount; ++stamp) {
        int32_t y = tableTop + kRow * (stamp + 1);
        KeepControl(NewLabel(parent, XYWH{5, y, labelWidth, 12},
                             stamp < 4 ? kTextFirstStamp + stamp : kTextNotes));
        auto* time = new (std::nothrow) T_EditSubtime(
            parent, XYWH{left, y, 100, 12}, static_cast<uint32_t>(kSubsetStampFirstId + 2 * stamp));
        if (time) {
          time->SetText(item->stamps[stamp].time.text ? item->stamps[stamp].time.text : "");
          EventHandler_Open(time);
        }
        stampEdits[2 * stamp] = time;
        KeepControl(time);
        stampEdits[2 * stamp + 1] = NewEdit(parent, XYWH{left + 110, y, 50, 12},
                                            kSubsetStampFirstId + 2 * stamp + 1,
                                            item->stamps[stamp].signatureText);
        KeepControl(stampEdits[2 * stamp + 1]);
      }
      break;
    }
    case kSubsetPageOptions:
      KeepControl(Dialog_AddCheckbox(parent, XYWH{10, 10, 300, 14}, kSubsetOpenOptionId,
                                     kTextOpenWithDatabase, subset->open != 0));
      KeepControl(Dialog_AddCheckbox(parent, XYWH{10, 30, 300, 14}, kSubsetKeepPositionId,
                                     kTextKeepPosition, subset->hasPosition != 0));
      break;
    case kSubsetPageNotes: {
      auto* notes = new (std::nothrow) T_Edit(
          parent, XYWH{5, 5, std::max(50, modeItem->width - 10), std::max(40, modeItem->height - 10)},
          kSubsetNotesId, true, false);
      if (notes) {
        notes->SetText(subset->notes ? subset->notes : "");
        EventHandler_Open(notes);
      }
      notesEdit = notes;
      KeepControl(notes);
      break;
    }
    default:
      break;
  }
  GrafElement_Invalidate(modeItem, kPaintChildren);
}

void T_SubsetEditor::DrawModeItem() {
  if (!subset || page != kSubsetPageSelection || !current) return;
  T_TextBuf name;
  auto label = [&](int32_t top, const char* text) {
    RECT rect{5, top, 5 + labelWidth, top + 12};
    TextDrawLine(&rect, text, nullptr);
  };
  label(5, GetString(kTextName));
  for (int32_t d = 0; d < kMaxDimensions; ++d) {
    if (!header.dimensionFields[d]) continue;
    Database_FieldName(database, &name, kHeaderDimensionFirst + d);
    label(5 + kRow * (d + 1), name.c_str());
  }
  int32_t top = 5 + kRow * (1 + HighestDimensionRow(database));
  label(top, GetString(kTextCardId));
  const int32_t fields[3] = {kHeaderCardTitle, kHeaderLineText, kHeaderNotes};
  for (int32_t i = 0; i < 3; ++i) {
    Database_FieldName(database, &name, fields[i]);
    label(top + kRow * (i + 1), name.c_str());
  }
  for (int32_t row = 0; row < header.valueRowCount; ++row) {
    Database_FieldName(database, &name, kHeaderValueFirst + header.shownColumns[row]);
    label(top + kRow * (4 + row), name.c_str());
  }
  if (subset->listKind == kSubsetListOfWindow && HasHeaderField(kHeaderSubset))
    label(top + kRow * (4 + std::max(1, header.valueRowCount)), GetString(kTextSubset));
}

bool T_SubsetEditor::HasHeaderField(int32_t id) {
  if (id == kHeaderFrom || id == kHeaderTo) return false;
  if (id == kHeaderSubset) {
    return subset && subset->listKind == kSubsetListOfWindow && database && database->subsets &&
           database->subsets->count > 0;
  }
  return T_HWindow::HasHeaderField(id);
}

void T_SubsetEditor::GetHeaderFieldRect(RECT* rect, int32_t id) {
  *rect = RECT{0, 0, 0, 0};
  if (!modeItem || page != kSubsetPageSelection) return;
  int32_t top = -1;
  int32_t base = 5 + kRow * (1 + HighestDimensionRow(database));
  if (id >= kHeaderDimensionFirst && id < kHeaderDimensionFirst + kMaxDimensions) {
    top = 5 + kRow * id;
  } else if (id == kFieldCardId) {
    top = base;
  } else if (id == kHeaderCardTitle) {
    top = base + kRow;
  } else if (id == kHeaderLineText) {
    top = base + 2 * kRow;
  } else if (id == kHeaderNotes) {
    top = base + 3 * kRow;
  } else if (id >= kHeaderValueFirst && id < kHeaderValueFirst + kMaxValueColumns) {
    int32_t row = HeaderFieldIndex(id - kHeaderValueFirst);
    if (row >= 0) top = base + kRow * (4 + row);
  } else if (id == kHeaderSubset) {
    top = base + kRow * (4 + std::max(1, header.valueRowCount));
  }
  if (top < 0) return;
  *rect = RECT{modeItem->x + 5, modeItem->y + top, modeItem->x + 5 + labelWidth,
               modeItem->y + top + 12};
}

void T_SubsetEditor::RebuildModes(SelectionItem* select) {
  if (!modeBox || !subset) return;
  while (modeBox->root.firstChild) RemoveModeItem(modeBox->root.firstChild);
  ModeNode* selections = AddModeItem(nullptr, nullptr, kSubsetModeSelections);
  if (subset->listKind == kSubsetListOfDatabase) AddModeItem(nullptr, nullptr, kSubsetModeOptions);
  AddModeItem(nullptr, nullptr, kSubsetModeNotes);
  SelectionItem* item = subset->firstItem;
  for (int32_t i = 0; item && i < subset->itemCount; ++i, item = item->next)
    AddModeItem(selections, nullptr, kSubsetModeFirstSelection + i);
  if (selections) modeBox->SetExpanded(selections, true);
  if (select) SelectModeById(kSubsetModeFirstSelection + select->index);
}

void T_SubsetEditor::OnModeboxEvent(T_GrafElement* box, ModeboxEvent* record) {
  if (box != modeBox || !subset) {
    T_HWindow::OnModeboxEvent(box, record);
    return;
  }
  if (record->code == kModeDescribe) {
    switch (record->nodeId) {
      case kSubsetModeSelections:
        ModeboxEvent_SetText(record, GetString(kTextSelections));
        break;
      case kSubsetModeOptions:
        ModeboxEvent_SetText(record, GetString(kTextOptions));
        break;
      case kSubsetModeNotes:
        ModeboxEvent_SetText(record, GetString(kTextNotes));
        break;
      default:
        if (SelectionItem* item = ItemOfNode(subset, record->node)) {
          ModeboxEvent_SetText(record, item->name);
        }
        break;
    }
    return;
  }
  if (record->code != kModeChosen) return;
  switch (record->nodeId) {
    case kSubsetModeSelections:
      ShowPage(kSubsetPageSelections, nullptr);
      break;
    case kSubsetModeOptions:
      ShowPage(kSubsetPageOptions, nullptr);
      break;
    case kSubsetModeNotes:
      ShowPage(kSubsetPageNotes, nullptr);
      break;
    default:
      if (SelectionItem* item = ItemOfNode(subset, record->node)) {
        ShowPage(kSubsetPageSelection, item);
      }
      break;
  }
}

bool T_SubsetEditor::OnModeboxMenu(T_GrafElement* box, ContextMenuRecord* record) {
  bool onSelection = page == kSubsetPageSelection && current;
  if (!subset || box != modeBox || (page != kSubsetPageSelections && !onSelection))
    return T_HWindow::OnModeboxMenu(box, record);
  if (record->phase == kMenuPhaseList) {
    char* clip = ClipboardReadText();
    bool paste = HoldsSelections(clip);
    MemFree(clip);
    if (onSelection) PopupMenu_AddCommand(&record->commands, kEditMenuCut, false);
    PopupMenu_AddCommand(&record->commands, kEditMenuCopy, false);
    if (paste) PopupMenu_AddCommand(&record->commands, kEditMenuPaste, false);
    if (onSelection) {
      PopupMenu_AddCommand(&record->commands, kEditMenuErase, false);
      PopupMenu_AddCommand(&record->commands, kEditMenuDuplicate, false);
    }
    PopupMenu_AddCommand(&record->commands, kTextNewSelection, true);
    return true;
  }
  if (record->phase != kMenuPhaseRun) return true;
  switch (record->entry) {
    case kEditMenuCut:
    case kEditMenuCopy: {
      {
        T_OStreamClip clip;
        CopySelections(&clip);
      }
      if (record->entry == kEditMenuCut && onSelection) EraseSelection();
      break;
    }
    case kEditMenuPaste:
      DoCommand(kCommandPaste);
      break;
    case kEditMenuErase:
      EraseSelection();
      break;
    case kEditMenuDuplicate:
      DuplicateSelection();
      break;
    case kTextNewSelection:
      NewSelection();
      break;
    default:
      break;
  }
  return true;
}

// --- Selections --------------------------------------------------------------------------------

SelectionItem* T_SubsetEditor::NewSelection() {
  SelectionItem* item = SubsetAppendItem(subset, nullptr);
  if (!item) {
    PendingErrorReport();
    return nullptr;
  }
  T_TextBuf text;
  CombPrint(&subset->combination, &text, ' ');
  if (!text.empty()) TextBufAppend(&text, " | ");
  TextBufAppend(&text, item->name);
  CombCompile(&subset->combination, text.data);
  RefreshCombination();
  RebuildModes(item);
  MarkChanged(false);
  return item;
}

void T_SubsetEditor::EraseSelection() {
  SelectionItem* item = current;
  if (!item) return;
  if (CombUsesItem(&subset->combination, item)) {
    AskEditorQuestion(this, kSelectionInUse, item->name, {kButtonCancel}, 0);
    return;
  }
  bool only = subset->itemCount == 1;
  int32_t index = item->index;
  ShowPage(kSubsetPageSelections, nullptr);
  SubsetRemoveItem(subset, item);
  if (only) {
    NewSelection();
    return;
  }
  RebuildModes(nullptr);
  if (index > 0) {
    SelectModeById(kSubsetModeFirstSelection + index - 1);
  } else {
    SelectModeById(kSubsetModeSelections);
  }
}

void T_SubsetEditor::CopySelections(T_OStream* stream) {
  if (page == kSubsetPageSelection && current) {
    WriteSelection(current, stream, true);
    return;
  }
  SelectionItem* item = subset->firstItem;
  for (int32_t i = 0; item && i < subset->itemCount; ++i, item = item->next)
    WriteSelection(item, stream, true);
}

void T_SubsetEditor::DuplicateSelection() {
  if (!current) return;
  T_OStream copy;
  WriteSelection(current, &copy, true);
  T_IStream in;
  in.CtorFromOStream(&copy);
  if (!in.NextLine()) return;
  SelectionItem* item = SubsetAppendItem(subset, current->name);
  if (!item) {
    PendingErrorReport();
    return;
  }
  ReadSelection(item, &in);
  RebuildModes(item);
  MarkChanged(false);
}

int32_t T_SubsetEditor::PasteSelections(T_IStream* stream) {
  if (page == kSubsetPageSelections) {
    // The selections that the formula does not use make way for the pasted ones.
    SelectionItem* item = subset->firstItem;
    while (item) {
      SelectionItem* following = item->next;
      if (!CombUsesItem(&subset->combination, item)) SubsetRemoveItem(subset, item);
      item = following;
      if (item == subset->firstItem) break;
    }
  }
  bool replaceFirst = modeBox && focusedItem == modeBox &&
                      (page == kSubsetPageSelections || page == kSubsetPageSelection);
  SelectionItem* replace = page == kSubsetPageSelection ? current : nullptr;
  ShowPage(kSubsetPageSelections, nullptr);
  int32_t read = 0;
  SelectionItem* last = nullptr;
  bool more = stream->NextLine();
  while (more) {
    T_TextBuf key, name;
    stream->RewindLine();
    stream->ReadFieldBuf(&key);
    if (!StrEqualNoCase(key.data, kSelectionHeader)) {
      more = stream->NextLine();
      continue;
    }
    stream->ReadFieldBuf(&name);
    SelectionItem* item = nullptr;
    if (read == 0 && replaceFirst && (replace || subset->firstItem)) {
      item = replace ? replace : subset->firstItem;
      Selection_clear(&item->selection);
      T_TextBuf none;
      ItemSetCardIdCondition(item, &none);
      for (int32_t stamp = 0; stamp < kStampCount; ++stamp) {
        T_TextBuf time, signature;
        ItemSetStampCondition(item, stamp, &time, &signature);
      }
    } else {
      item = SubsetAppendItem(subset, name.data);
    }
    if (!item) {
      PendingErrorReport();
      break;
    }
    ReadSelection(item, stream);
    last = item;
    ++read;
    // ReadSelection leaves the next block's header current (or ends at the input's end).
    more = stream->lineStart && stream->lineEnd > stream->lineStart &&
           stream->lineStart[0] == '#';
  }
  if (subset->itemCount == 0) SubsetAppendItem(subset, nullptr);
  RebuildModes(last);
  if (!last) SelectModeById(kSubsetModeSelections);
  if (read > 0) MarkChanged(false);
  return read;
}

// --- Changes and calculation -------------------------------------------------------------------

void T_SubsetEditor::MarkChanged(bool fromElsewhere) {
  if (!subset) return;
  subset->combination.calculated = 0;
  if (fromElsewhere && !calcEnabled) recalcPending = 1;
  calcEnabled = 1;
  if (calcButton) Item_SetEnabled(calcButton, true);
}

void T_SubsetEditor::RefreshStatus() {
  if (!subset) return;
  T_TextBuf text;
  lineCount = SubsetStatusText(subset, &text);
  if (status) status->SetTextCopy(text.data);
  if (!CombNeedsCalc(&subset->combination) && subset->combination.lines.words) calcEnabled = 0;
  if (calcButton) Item_SetEnabled(calcButton, calcEnabled != 0);
}

void T_SubsetEditor::RefreshCombination() {
  if (!subset || !combinationEdit) return;
  T_TextBuf text;
  CombPrint(&subset->combination, &text, ' ');
  // An empty formula of a subset with selections shows its first selection.
  if (text.empty() && subset->firstItem && !CombHasTokens(&subset->combination))
    TextBufAssign(&text, subset->firstItem->name);
  combinationEdit->SetText(text.data);
}

bool T_SubsetEditor::Calculate(bool force) {
  if (!subset) return false;
  if (!force && !recalcPending) return true;
  recalcPending = 0;
  subset->lastCheck = TickCount();
  Window_DropFocus(this);
  bool changed = false;
  bool done = CombCalculate(&subset->combination, &changed);
  if (done) calcEnabled = 0;
  RefreshStatus();
  if (done) LogOperation(database, "subset", subset->name, kLogCalculated);
  if (done && changed) BroadcastCalculated(subset);
  return done;
}

void T_SubsetEditor::Notify(int32_t code) {
  T_HWindow::Notify(code);
  if (!subset) return;
  if (code == kNotifyTick && recalcPending) Calculate(false);
  if (code == kNotifyLanguage) {
    RefreshStatus();
    GrafElement_Invalidate(this, kPaintChildren);
  }
}

void T_SubsetEditor::OnChange(const ChangeNote* note) {
  T_HWindow::OnChange(note);
  if (!subset || note->database != database) return;
  switch (note->code) {
    case kChangeComponentsRebuilt:
    case kChangeCardSaved:
    case kChangeCards:
    case kChangeValueColumns:
      MarkChanged(true);
      break;
    case kChangeLineSlots:
    case kChangeListWidth1:
    case kChangeListWidth2:
    case kChangeValueColumn:
      if (page == kSubsetPageSelection) ShowPage(page, current);
      break;
    case kChangeSubset:
      if (note->object != subset && CombUsesSubset(&subset->combination,
                                                   static_cast<const Subset*>(note->object)))
        RefreshCombination();
      break;
    case kChangeSubsetDefinition:
      if (note->object == subset) {
        RebuildModes(nullptr);
        RefreshCombination();
        SelectModeById(kSubsetModeSelections);
      }
      break;
    default:
      break;
  }
}

// --- Edits -------------------------------------------------------------------------------------

void T_SubsetEditor::OnEditEvent(T_GrafElement* field, int32_t code) {
  T_HWindow::OnEditEvent(field, code);
  auto* item = dynamic_cast<T_Item*>(field);
  if (!subset || !item || code != kEditChanged) return;
  int32_t id = static_cast<int32_t>(item->id);
  if (id == kSubsetSelectionNameId || id == kSubsetNameId) return;
  MarkChanged(false);
}

void T_SubsetEditor::OnEditText(T_TextBuf* text, T_GrafElement* field) {
  auto* item = dynamic_cast<T_Item*>(field);
  if (!subset || !item || !text) {
    T_HWindow::OnEditText(text, field);
    return;
  }
  CutText(text);
  int32_t id = static_cast<int32_t>(item->id);
  if (id == kSubsetNameId) {
    TextBufTrim(text, ' ');
    SubsetRename(subset, text->data);
    TextBufAssign(text, subset->name);
    SetTitleCopy(subset->name);
    return;
  }
  if (id == kSubsetSelectionNameId && current) {
    T_TextBuf name(text->data);
    LinkText_StripBuf(database ? database->linkContext : nullptr, &name);
    MakeIdentifier(&name, "A", kNameBlanks | kNameFirst);
    bool refused = name.empty() || IsReservedName(name.data);
    SelectionItem* same = SubsetFindItem(subset, name.data);
    if (same && same != current) refused = true;
    if (refused) {
      TextBufAssign(text, current->name);
      return;
    }
    BlockTextAssignBuf(&current->name, &name);
    TextBufAssignBuf(text, &name);
    RefreshCombination();
    if (modeBox) GrafElement_Invalidate(modeBox, kPaintChildren);
    return;
  }
  if (id == kSubsetCardIdId && current) {
    ItemSetCardIdCondition(current, text);
    MarkChanged(false);
    return;
  }
  if (id >= kSubsetStampFirstId && id < kSubsetStampFirstId + 2 * kStampCount && current) {
    int32_t stamp = (id - kSubsetStampFirstId) / 2;
    StampCondition& condition = current->stamps[stamp];
    T_TextBuf time(condition.time.text), signature(condition.signatureText);
    if ((id - kSubsetStampFirstId) % 2 == 0) {
      TextBufAssignBuf(&time, text);
    } else {
      TextBufAssignBuf(&signature, text);
    }
    ItemSetStampCondition(current, stamp, &time, &signature);
    TextBufAssign(text, (id - kSubsetStampFirstId) % 2 == 0 ? condition.time.text
                                                             : condition.signatureText);
    MarkChanged(false);
    return;
  }
  if (id == kSubsetNotesId) {
    TextBufSetLength(text, StrNormalizeLines(text->data));
    BlockTextAssignBuf(&subset->notes, text);
    return;
  }
  T_HWindow::OnEditText(text, field);
}

void T_SubsetEditor::OnButton(T_GrafElement* button) {
  auto* item = dynamic_cast<T_Item*>(button);
  if (subset && item && static_cast<int32_t>(item->id) == kSubsetNewSelectionId) {
    NewSelection();
    return;
  }
  if (subset && item && static_cast<int32_t>(item->id) == kSubsetCalcId) {
    Calculate(true);
    return;
  }
  T_HWindow::OnButton(button);
}

void T_SubsetEditor::OnCheckbox(T_GrafElement* checkbox) {
  auto* box = dynamic_cast<T_Checkbox*>(checkbox);
  if (!subset || !box) {
    T_HWindow::OnCheckbox(checkbox);
    return;
  }
  if (static_cast<int32_t>(box->id) == kSubsetOpenOptionId) {
    subset->open = box->checked;
  } else if (static_cast<int32_t>(box->id) == kSubsetKeepPositionId) {
    subset->hasPosition = box->checked;
    subset->editorX = box->checked;
    subset->editorY = box->checked;
  } else {
    T_HWindow::OnCheckbox(checkbox);
  }
}

// --- Commands ----------------------------------------------------------------------------------

bool T_SubsetEditor::KeyDown(InputEvent* event, T_GrafElement* target) {
  bool erase = event->keyCode == kKeyDelete || (event->keyCode == kKeyBackspace && event->control);
  if (subset && erase && modeBox && focusedItem == modeBox && page == kSubsetPageSelection) {
    EraseSelection();
    return true;
  }
  return T_HWindow::KeyDown(event, target);
}

void T_SubsetEditor::UpdateCommands() {
  T_HWindow::UpdateCommands();
  if (!subset) return;
  int32_t kind = ClipboardDataKind();
  if (kind != 0) EnableCommand(kCommandPaste, kTextSelections);
  if (modeBox && focusedItem == modeBox) {
    if (page == kSubsetPageSelections) EnableCommand(kCommandCopy, kTextSelections);
    if (page == kSubsetPageSelection) {
      for (int32_t command :
           {kCommandCut, kCommandCopy, kCommandErase, kCommandDuplicate, kCommandNewTagged})
        EnableCommand(command, kTextSelection);
    }
  }
  if (lineCount > 0) {
    for (int32_t command : {kCommandTransform, kCommandAggregate, kCommandDeleteData})
      EnableCommand(command, 0);
  }
  if (subset->listKind == kSubsetListOfDatabase) EnableCommand(kCommandDeleteSubset, 0);
}

bool T_SubsetEditor::DoCommand(int32_t command) {
  if (!subset) return T_HWindow::DoCommand(command);
  bool modeFocus = modeBox && focusedItem == modeBox;
  switch (command) {
    case kCommandPaste:
      if (page == kSubsetPageSelections || page == kSubsetPageSelection) {
        T_IStreamClip clip;
        PasteSelections(&clip);
        return true;
      }
      break;
    case kCommandCopy:
    case kCommandCut:
      if (!modeFocus || (page != kSubsetPageSelections && page != kSubsetPageSelection)) break;
      {
        T_OStreamClip clip;
        CopySelections(&clip);
      }
      if (command == kCommandCut && page == kSubsetPageSelection) EraseSelection();
      return true;
    case kCommandErase:
      if (!modeFocus || page != kSubsetPageSelection) break;
      EraseSelection();
      return true;
    case kCommandDuplicate:
      if (!modeFocus || page != kSubsetPageSelection) break;
      DuplicateSelection();
      return true;
    case kCommandNew:
    case kCommandNewTagged:
      if (!modeFocus) break;
      NewSelection();
      return true;
    case kCommandDeleteSubset:
      if (subset->listKind != kSubsetListOfDatabase) break;
      SubsetAskDelete(subset);
      return true;
    case kCommandTransform:
    case kCommandAggregate:
    case kCommandDeleteData:
      // Lines freed since the last calculation may belong to other cards now: the set is made
      // anew first, and nothing runs when that was stopped.
      if (CombNeedsCalc(&subset->combination) || !subset->combination.lines.words) {
        if (!Calculate(true)) return true;
      }
      break;
    default:
      break;
  }
  return T_HWindow::DoCommand(command);
}

bool T_SubsetEditor::CloseCardEditors() {
  for (T_HWindow* window = WindowListFirst(); window;) {
    T_HWindow* following = window->nextWindow;
    if (window->windowKind == kWindowCardEditor && window->database == database &&
        !EventHandler_CloseAndDelete(window, 0))
      return false;
    window = following;
  }
  return true;
}

void T_SubsetEditor::SetupTransform(void* dialog) {
  if (dialog && CombNeedsCalc(&subset->combination)) Calculate(true);
}

void T_SubsetEditor::SetupAggregate(void* aggregator) {
  if (aggregator && CombNeedsCalc(&subset->combination)) Calculate(true);
}

void T_SubsetEditor::DeleteData(bool ask) {
  if (!subset || !subset->combination.lines.words || lineCount <= 0) return;
  if (ask) {
    T_TextBuf count(GetString(kTextLineCount));
    TextBufFillParamInt64(&count, 0, lineCount);
    int32_t answer =
        AskEditorQuestion(this, kAskDelete, count.data, {kButtonDelete, kButtonCancel}, 1);
    if (answer != kButtonDelete) return;
  }
  SignatureStamp stamp;
  GetSignatureStamp(&stamp);
  if (stamp.stamp == 0) return;
  if (!CloseCardEditors()) return;
  const BitVector* lines = &subset->combination.lines;
  database->BeginLineDeletion(&stamp);
  for (CardRecord* card = database->sentinelCard->next; card != database->sentinelCard;) {
    CardRecord* following = card->next;
    for (GroupRecord* group = card->firstGroup; group;) {
      GroupRecord* nextGroup = group->next;
      for (LineRecord* line = group->firstLine; line;) {
        LineRecord* nextLine = line->next;
        if (line->number < lines->count && BitVecGet(lines, line->number))
          database->DeleteLine(card, group, line);
        line = nextLine;
      }
      group = nextGroup;
    }
    card = following;
  }
  database->EndLineDeletion();
  CombFreeLines(&subset->combination);
  SelectionItem* item = subset->firstItem;
  for (int32_t i = 0; item && i < subset->itemCount; ++i, item = item->next)
    CombFreeLines(&item->selection.subset);
  RefreshStatus();
  database->NotifyCode(kChangeCards);
}

bool T_SubsetEditor::IsEmpty() { return lineCount == 0; }

// --- Closing -----------------------------------------------------------------------------------

void T_SubsetEditor::WriteSnapshot(T_OStream* stream) {
  // The position is the user's to keep; only what the subset holds counts as a change.
  uint8_t had = subset->hasPosition;
  subset->hasPosition = 0;
  T_Window* editor = subset->editor;
  subset->editor = nullptr;
  WriteSubset(subset, stream, nullptr);
  subset->editor = editor;
  subset->hasPosition = had;
}

bool T_SubsetEditor::SnapshotDiffers() {
  if (!snapshot) return false;
  T_OStream stream;
  WriteSnapshot(&stream);
  int64_t n = stream.BufferedLength();
  return n != snapshotLength || std::memcmp(stream.start, snapshot, static_cast<size_t>(n)) != 0;
}

void T_SubsetEditor::RestoreSnapshot() {
  if (!snapshot) return;
  T_IStream in;
  in.CtorFromMemory(snapshot, snapshotLength);
  SubsetClearRecords(subset);
  if (in.NextLine()) ReadSubset(subset, &in);
}

bool T_SubsetEditor::QueryClose(int32_t code) {
  if (!T_HWindow::QueryClose(code)) return false;
  if (code == kCloseAll || !subset) return true;
  Window_DropFocus(this);
  bool isNew = subset->isNew != 0;
  bool inUse = SubsetInUse(subset);
  bool changed = SnapshotDiffers();
  if (!changed && isNew && !inUse) {
    PostDeleteSubsetCom(subset);
    return true;
  }
  if (changed || isNew) {
    int32_t answer;
    if (!isNew) {
      answer = AskEditorQuestion(this, kAskChange, Title(),
                                 {kButtonChange, kButtonCancel, kButtonDontChange}, 1);
    } else if (inUse) {
      answer = AskEditorQuestion(this, kSubsetInUse, Title(), {kButtonAdd, kButtonCancel}, 1);
    } else {
      answer = AskEditorQuestion(this, kAskAdd, Title(), {kButtonAdd, kButtonCancel, kButtonDontAdd},
                                 1);
    }
    if (answer == kButtonCancel) return false;
    if (answer == kButtonChange || answer == kButtonAdd) {
      if (subset->hasPosition) {
        subset->editorX = x;
        subset->editorY = y;
      }
      subset->isNew = 0;
      if (database) database->SetModified(true);
    } else if (isNew) {
      PostDeleteSubsetCom(subset);
    } else {
      RestoreSnapshot();
    }
  }
  if (inUse && calcEnabled) BroadcastCalculated(subset);
  return true;
}

// --- The subset box ----------------------------------------------------------------------------

T_SubsetBox::T_SubsetBox(T_EventHandler* parent, const XYWH& rect, uint32_t id,
                         SubsetList* shown)
    : T_Linebox(parent, rect, id, 15, false), list(shown) {
  EventHandler_Open(this);
  ReloadLines();
}

Subset* T_SubsetBox::SubsetAt(int64_t row) {
  if (!list || row < 0 || row >= list->count) return nullptr;
  Subset* subset = list->first;
  for (int64_t i = 0; subset && i < row; ++i) subset = subset->next;
  return subset;
}

void T_SubsetBox::Reload() {
  ReloadLines();
  GrafElement_Invalidate(this, 0);
}

void T_SubsetBox::OnLineboxEvent(T_GrafElement* box, LineboxEvent* record) {
  if (box != this) {
    T_Linebox::OnLineboxEvent(box, record);
    return;
  }
  switch (record->code) {
    case kLineCount:
      record->count = list ? list->count : 0;
      return;
    case kLineDraw:
      if (Subset* subset = SubsetAt(record->index)) {
        RECT rect = record->lineRect;
        rect.left += 3;
        TextDrawLine(&rect, subset->name, nullptr);
      }
      return;
    case kLineDefaultAction:
      if (Subset* subset = SubsetAt(record->index)) OpenSubsetEditor(subset, 0);
      return;
    default:
      T_Linebox::OnLineboxEvent(box, record);
      return;
  }
}

Subset* T_SubsetBox::NewSubsetInBox() {
  Subset* subset = SubsetCreate(list, nullptr);
  if (!subset) {
    PendingErrorReport();
    return nullptr;
  }
  Reload();
  int64_t row = 0;
  for (Subset* s = list->first; s && s != subset; s = s->next) ++row;
  SelectOnly(row);
  ScrollToCurrent();
  OpenSubsetEditor(subset, 0);
  return subset;
}

void T_SubsetBox::WriteSelected(T_OStream* stream) {
  for (int64_t row = FindNextSelected(-1); row >= 0; row = FindNextSelected(row)) {
    if (Subset* subset = SubsetAt(row)) WriteSubset(subset, stream, kSubsetHeader);
  }
}

void T_SubsetBox::CopySubsetsToClipboard() {
  T_OStreamClip clip;
  WriteSelected(&clip);
}

int32_t T_SubsetBox::PasteSubsetsFromClipboard() {
  T_IStreamClip clip;
  int32_t read = clip.NextLine() ? ReadSubsetBlocks(list, &clip) : 0;
  Reload();
  return read;
}

void T_SubsetBox::EraseSelected() {
  // Collected first: destroying a subset renumbers the rows.
  Subset* chosen[256];
  int32_t n = 0;
  for (int64_t row = FindNextSelected(-1); row >= 0 && n < 256; row = FindNextSelected(row))
    chosen[n++] = SubsetAt(row);
  for (int32_t i = 0; i < n; ++i) {
    if (!chosen[i]) continue;
    if (SubsetInUse(chosen[i])) {
      AskEditorQuestion(window, kSubsetInUse, chosen[i]->name, {kButtonCancel}, 0);
      continue;
    }
    SubsetDestroy(chosen[i]);
  }
  DeselectAll();
  Reload();
}

void T_SubsetBox::DuplicateSelected() {
  T_OStream copy;
  WriteSelected(&copy);
  T_IStream in;
  in.CtorFromOStream(&copy);
  int32_t before = list->count;
  Subset* existing[256];
  int32_t n = 0;
  for (Subset* s = list->first; s && n < 256; s = s->next) existing[n++] = s;
  int32_t read = in.NextLine() ? ReadSubsetBlocks(list, &in) : 0;
  Reload();
  DeselectAll();
  if (read <= 0) return;
  int64_t row = 0;
  for (Subset* s = list->first; s; s = s->next, ++row) {
    bool old = false;
    for (int32_t i = 0; i < n && i < before && !old; ++i) old = existing[i] == s;
    if (!old) SetLineSelected(row, true);
  }
}

void T_SubsetBox::UpdateCommands() {
  T_Linebox::UpdateCommands();
  int64_t selected = CountSelected();
  int32_t label = selected == 1 ? kTextSubset : kTextSubsets;
  if (selected > 0) {
    for (int32_t command : {kCommandCut, kCommandCopy, kCommandErase, kCommandDuplicate})
      EnableCommand(command, label);
  }
  if (selected < LineCount()) EnableCommand(kCommandSelectAll, 0);
  EnableCommand(kCommandNewTagged, kTextSubset);
}

bool T_SubsetBox::DoCommand(int32_t command) {
  bool selected = CountSelected() > 0;
  switch (command) {
    case kCommandCopy:
    case kCommandCut:
      if (!selected) break;
      CopySubsetsToClipboard();
      if (command == kCommandCut) EraseSelected();
      return true;
    case kCommandErase:
      if (!selected) break;
      EraseSelected();
      return true;
    case kCommandDuplicate:
      if (!selected) break;
      DuplicateSelected();
      return true;
    case kCommandSelectAll:
      SelectAll();
      return true;
    case kCommandNew:
    case kCommandNewTagged:
      NewSubsetInBox();
      return true;
    case kCommandPaste:
      return PasteSubsetsFromClipboard() > 0;
    default:
      break;
  }
  return T_Linebox::DoCommand(command);
}

bool T_SubsetBox::KeyDown(InputEvent* event, T_GrafElement* target) {
  bool erase = event->keyCode == kKeyDelete || (event->keyCode == kKeyBackspace && event->control);
  if (erase && CountSelected() > 0) {
    EraseSelected();
    return true;
  }
  return T_Linebox::KeyDown(event, target);
}

void T_SubsetBox::ContextMenu(ContextMenuRecord* record, int32_t phase) {
  if (phase == kMenuPhaseList) {
    PopupMenu_AddCommand(&record->commands, kTextNewSubset, true);
    if (CountSelected() > 0) PopupMenu_AddCommand(&record->commands, kTextOpenSubset, true);
    return;
  }
  if (phase == kMenuPhaseRun) {
    if (record->entry == kTextNewSubset) {
      NewSubsetInBox();
    } else if (record->entry == kTextOpenSubset) {
      for (int64_t row = FindNextSelected(-1); row >= 0; row = FindNextSelected(row)) {
        if (Subset* subset = SubsetAt(row)) OpenSubsetEditor(subset, 0);
      }
    }
    return;
  }
  T_Linebox::ContextMenu(record, phase);
}

void T_SubsetBox::OnChange(const ChangeNote* note) {
  T_Linebox::OnChange(note);
  if (note->code == kChangeSubset || note->code == kChangeSubsetAdded ||
      note->code == kChangeSubsetRemoved)
    Reload();
}
