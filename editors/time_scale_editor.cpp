#include "editors/time_scale_editor.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "analysis/boxwin/box_output.h"
#include "core/alert.h"
#include "core/cstring.h"
#include "core/file_dialogs.h"
#include "core/input_stream.h"
#include "core/localized_text.h"
#include "core/memory.h"
#include "core/owned_text.h"
#include "core/packed_date.h"
#include "core/text_buffer.h"
#include "core/threads.h"
#include "core/value_format.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "database/date_ref.h"
#include "database/link_rename.h"
#include "database/time_scale.h"
#include "editors/editor_menus.h"
#include "editors/editor_questions.h"
#include "ui/clipboard_data.h"
#include "ui/edit_field.h"
#include "ui/event_record.h"
#include "ui/frame_items.h"
#include "ui/native_menu.h"

namespace {

constexpr int32_t kTextTimeScale = 7000;
constexpr int32_t kTextStart = 7001;
constexpr int32_t kTextName = 7002;
constexpr int32_t kTextPeriods = 7003;
constexpr int32_t kTextTimeScales = 2536;
constexpr int32_t kTextPeriod = 5106;
constexpr int32_t kTextNameCaption = 7101;
constexpr int32_t kCommandDeleteTimeScale = 2538;

constexpr int32_t kHeaderHeight = 26;
constexpr int32_t kTitleHeight = 14;
constexpr int32_t kRowHeight = 12;
constexpr int32_t kNameLeft = 50;
constexpr int32_t kNameTop = 7;
constexpr int32_t kNameColumnMin = 60;

int32_t StartWidthFor(const T_Base* database) {
  return (database != nullptr ? database->cardDigits : 3) * 7 + 58;
}

TimePeriod* RowAt(PagedArray* rows, int64_t row) {
  return reinterpret_cast<TimePeriod*>(PagedArrayAt(rows, row));
}

// A text with a tab or a line break: what pasting takes as periods.
bool HoldsPeriods(const char* text) {
  return text != nullptr && std::strpbrk(text, "\t\r\n") != nullptr;
}

}  // namespace

T_TScaleEditor::T_TScaleEditor(T_Base* database, TimeScale* scale)
    : T_TScaleEditor(database, scale, RECT{0, 0, StartWidthFor(database) + 120, kHeight}) {}

T_TScaleEditor::T_TScaleEditor(T_Base* database, TimeScale* scale, const RECT& rect)
    : T_BoxWin(kWindowTimeScale, &rect, nullptr, 0, database, 0), scale(scale) {
  PagedArrayInit(&rows, sizeof(TimePeriod), 0);
  startWidth = StartWidthFor(database);
  int32_t windowWidth = rect.right;
  if (scale != nullptr) {
    SetTitleCopy(scale->name != nullptr ? scale->name : "");
    if (!CopyPeriodsToRows(&rows, scale)) PendingErrorClear();
  } else {
    SetTitleId(kTextTimeScale);
  }
  if (rows.count == 0) InsertPeriodRow(&rows, 0);

  // The caption stops short of the field it labels: drawn over it, it would hide its first
  // characters.
  auto* caption = new T_Text(this, XYWH{6, kNameTop, kNameLeft - 8, 12}, false);
  caption->SetTextId(kTextNameCaption);
  EventHandler_Open(caption);
  nameField = new T_Edit(this, XYWH{kNameLeft, kNameTop, windowWidth - 78, 12}, kTScaleNameId, true,
                         false);
  if (scale != nullptr) nameField->SetBlockText(scale->name);
  EventHandler_Open(nameField);

  CreateGridItems(kHeaderHeight, kTitleHeight, 0);
  RECT start{1, 0, 1 + startWidth, kTitleHeight};
  startColumn = AddField(&start, kTextStart);
  RECT name{start.right, 0, start.right + std::max(windowWidth - startWidth - 21, kNameColumnMin),
            kTitleHeight};
  nameColumn = AddField(&name, kTextName);
  SetSelectMode(kSelectEdit);
  rowCount = rows.count;
  EventHandler_Open(this);
  UpdateScrollBoxes(true);
}

T_TScaleEditor::~T_TScaleEditor() {
  FreePeriodRows(&rows);
  PagedArrayFree(&rows);
}

int32_t T_TScaleEditor::StartColumnWidth() const { return StartWidthFor(database); }

// --- Rows ----------------------------------------------------------------------------------------

void T_TScaleEditor::FormatRow(RowTextPool* pool, int64_t row) {
  if (row < 0 || row >= rows.count) return;
  const TimePeriod* period = RowAt(&rows, row);
  if (period->start.date != 0 && startColumn != nullptr) {
    T_TextBuf text;
    FormatCardIdToString(&text, &period->start, database->cardDigits);
    PutCellText(pool, startColumn, text.c_str());
  }
  if (period->name != nullptr && nameColumn != nullptr) PutCellText(pool, nameColumn, period->name);
}

int32_t T_TScaleEditor::GetRowHeight(int64_t) { return kRowHeight; }

void T_TScaleEditor::GetCellEditText(T_TextBuf* text, int64_t row, int32_t field) {
  if (row < 0 || row >= rows.count) return;
  TimePeriod* period = RowAt(&rows, row);
  if (field == 0) {
    TextBufTrim(text, ' ');
    CardId start{0, 0};
    if (!text->empty()) parseDate(&start, text->data, text->length, kDirectionFrom);
    period->start = start;
  } else {
    CleanEditorText(text);
    BlockTextAssign(&period->name, text->c_str());
  }
}

void T_TScaleEditor::RowsChanged() {
  rowCount = rows.count;
  UpdateScrollBoxes(true);
  InvalidateGrid();
}

void T_TScaleEditor::InsertRow() {
  int64_t at = selectedRow >= 0 ? selectedRow + 1 : rows.count;
  SelectEditCell(-1, -1);
  if (InsertPeriodRow(&rows, at) == nullptr) {
    PendingErrorReport();
    return;
  }
  RowsChanged();
  SelectEditCell(at, 0);
}

void T_TScaleEditor::EraseRow() {
  int64_t row = selectedRow;
  if (row < 0 || row >= rows.count) return;
  int32_t field = selectedField;
  // The edit ends first: its text would otherwise land in the row that takes this one's place.
  SelectEditCell(-1, -1);
  if (rows.count > 1) {
    RemovePeriodRow(&rows, row);
  } else {
    TimePeriod* only = RowAt(&rows, 0);
    only->start = CardId{0, 0};
    BlockTextFree(&only->name);
  }
  RowsChanged();
  SelectEditCell(std::min(row, rows.count - 1), field);
}

int64_t T_TScaleEditor::PasteText(const char* text) {
  SelectEditCell(-1, -1);
  T_IStream stream;
  stream.CtorFromMemory(text, static_cast<int64_t>(std::strlen(text)));
  int64_t taken = ImportPeriodsFromText(&rows, &stream);
  RowsChanged();
  return taken;
}

bool T_TScaleEditor::Tidy() {
  SelectEditCell(-1, -1);
  if (!TidyPeriods(&rows)) return false;
  RowsChanged();
  return true;
}

// --- Events --------------------------------------------------------------------------------------

bool T_TScaleEditor::GridKeyDown(InputEvent* event) {
  if (event->keyCode == kKeyEnter && !event->control && selectedRow >= 0) {
    InsertRow();
    return true;
  }
  return T_BoxWin::GridKeyDown(event);
}

void T_TScaleEditor::Notify(int32_t code) {
  T_BoxWin::Notify(code);
  if (code == kNotifyLanguage) {
    if (scale == nullptr && nameField != nullptr && nameField->GetTextLength() == 0)
      SetTitleId(kTextTimeScale);
    GrafElement_Invalidate(this, kPaintChildren);
  }
}

void T_TScaleEditor::OnChange(const ChangeNote* note) {
  T_BoxWin::OnChange(note);
  if (note->database != nullptr && note->database != database) return;
  switch (note->code) {
    case kChangeTimeScaleDeleted:
      // The scale is going: the editor goes on as the editor of a new one.
      if (note->object == scale && scale != nullptr) scale = nullptr;
      break;
    case kChangeCardDigits: {
      int32_t change = StartColumnWidth() - startWidth;
      if (change == 0 || startColumn == nullptr) break;
      startWidth += change;
      startColumn->SetWidth(startWidth);
      ResizeBy(change, 0);
      InvalidateGrid();
      break;
    }
    case kChangeLinks:
      if (note->rename == nullptr) break;
      for (int64_t i = 0; i < rows.count; ++i) RewriteLinks(note->rename, &RowAt(&rows, i)->name);
      InvalidateGrid();
      break;
    default:
      break;
  }
}

void T_TScaleEditor::OnEditEvent(T_GrafElement* field, int32_t code) {
  T_BoxWin::OnEditEvent(field, code);
  if (field != nameField || code != kEditCommit) return;
  T_TextBuf text;
  nameField->GetText(&text);
  T_TextBuf clean(text.c_str());
  CleanEditorText(&clean);
  if (std::strcmp(clean.c_str(), text.c_str()) != 0) nameField->SetText(clean.c_str());
}

void T_TScaleEditor::OnResized(int32_t dw, int32_t dh) {
  T_BoxWin::OnResized(dw, dh);
  if (nameField != nullptr)
    nameField->MoveToRect(kNameLeft, kNameTop, std::max(width - 78, 20), nameField->height);
  if (nameColumn != nullptr) nameColumn->SetWidth(std::max(width - startWidth - 18, kNameColumnMin));
}

// --- Commands ------------------------------------------------------------------------------------

void T_TScaleEditor::UpdateCommands() {
  T_BoxWin::UpdateCommands();
  bool rowSelected = selectedRow >= 0;
  if (rowSelected) {
    EnableTaggedCommand(kCommandNewTagged, kTextPeriod);
    // Erase works on the cell's text while some of it is selected.
    if (editSelLength == 0) EnableTaggedCommand(kCommandErase, kTextPeriod);
  }
  char* clip = ClipboardDataKind() != 0 ? ClipboardReadText() : nullptr;
  if (HoldsPeriods(clip)) EnableTaggedCommand(kCommandPaste, kTextPeriods);
  MemFree(clip);
  SetPatternCommandTitle(kCommandImportEntry, kPatternImport, kTextTimeScales);
  EnableTaggedCommand(kCommandImportEntry, 0);
  if (scale != nullptr) EnableTaggedCommand(kCommandDeleteTimeScale, 0);
}

bool T_TScaleEditor::DoCommand(int32_t command) {
  switch (command) {
    case kCommandNewTagged:
      InsertRow();
      return true;
    case kCommandErase:
      if (selectedRow >= 0 && editSelLength == 0) {
        PullOverlayText();
        if (editSelLength == 0) {
          EraseRow();
          return true;
        }
      }
      break;
    case kCommandPaste: {
      char* clip = ClipboardReadText();
      bool periods = HoldsPeriods(clip);
      if (periods) PasteText(clip);
      MemFree(clip);
      if (periods) return true;
      break;
    }
    case kCommandImportEntry:
      ImportFile(nullptr);
      return true;
    case kCommandDeleteTimeScale:
      if (scale == nullptr) break;
      DeleteTimeScaleOfEditor(this);
      return true;
    default:
      break;
  }
  return T_BoxWin::DoCommand(command);
}

void T_TScaleEditor::ImportFile(const char* path) {
  T_TextBuf chosen;
  if (!ImportPathOrAsk(path, &chosen)) return;
  SelectEditCell(-1, -1);
  if (ImportPeriodsFile(&rows, chosen.c_str()) < 0) PendingErrorReport();
  RowsChanged();
}

// --- Saving --------------------------------------------------------------------------------------

void T_TScaleEditor::UniqueName(T_TextBuf* name) {
  EditorUniqueName(name, nameField, this, scale == nullptr, kTextTimeScale,
                   [this](const char* text) {
                     TimeScale* other = database->FindTimeScale(text);
                     return other != nullptr && other != scale;
                   });
}

bool T_TScaleEditor::Save() {
  SelectEditCell(-1, -1);
  Tidy();
  T_TextBuf name;
  UniqueName(&name);
  bool nameChanged = false;
  bool rowsChanged = false;
  if (scale != nullptr) {
    nameChanged = std::strcmp(scale->name != nullptr ? scale->name : "", name.c_str()) != 0;
    rowsChanged = !PeriodRowsEqual(&rows, scale);
    if (!nameChanged && !rowsChanged) return true;
  } else {
    const TimePeriod* first = RowAt(&rows, 0);
    if (rows.count < 2 && first->start.date == 0 && first->name == nullptr) return true;
  }
  int32_t answer = AskSaveQuestion(this, name.c_str(), scale != nullptr);
  if (answer == kButtonDontChange || answer == kButtonDontAdd) return true;
  if (answer != kButtonChange && answer != kButtonAdd) return false;
  if (answer == kButtonAdd && scale != nullptr) {
    // Saved as a new time scale beside the one edited, under a name of its own.
    scale = nullptr;
    UniqueName(&name);
  }
  if (scale == nullptr) {
    scale = new (std::nothrow) TimeScale(database, name.c_str());
    if (scale == nullptr) {
      PendingErrorOutOfMemory();
      PendingErrorReport();
      return false;
    }
    rowsChanged = true;
  } else if (nameChanged) {
    scale->SetName(name.c_str());
  }
  if (rowsChanged && !SetPeriodsFromRows(scale, &rows)) {
    PendingErrorOutOfMemory();
    PendingErrorReport();
  }
  database->SetModified(true);
  return true;
}

bool T_TScaleEditor::QueryClose(int32_t code) {
  if (code != kCloseWithoutSaving && !Save()) return false;
  return T_BoxWin::QueryClose(code);
}

// --- Opening and deleting ------------------------------------------------------------------------

T_TScaleEditor* OpenTimeScaleEditor(T_Base* database, TimeScale* scale) {
  if (database == nullptr) return nullptr;
  for (T_HWindow* window = WindowListFirst(); window != nullptr; window = window->nextWindow) {
    auto* editor = dynamic_cast<T_TScaleEditor*>(window);
    if (editor != nullptr && editor->database == database && editor->scale == scale &&
        scale != nullptr && !editor->onCloseList) {
      editor->BringToFront();
      return editor;
    }
  }
  if (!MemCanAlloc(kEditorReserve)) return nullptr;
  return new (std::nothrow) T_TScaleEditor(database, scale);
}

bool DeleteTimeScaleOfEditor(T_Window* window) {
  auto* editor = dynamic_cast<T_TScaleEditor*>(window);
  if (editor == nullptr || editor->scale == nullptr) return false;
  TimeScale* scale = editor->scale;
  T_Base* database = editor->database;
  if (!ConfirmDeleteAndClose(editor)) return false;
  TimeScaleFree(scale);
  database->SetModified(true);
  return true;
}
