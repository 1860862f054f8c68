#include "ui/selection_header.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "core/alert.h"
#include "core/text_buffer.h"
#include "ui/document_window.h"
#include "ui/edit_popups.h"
#include "ui/frame_items.h"
#include "ui/item_drawing.h"
#include "ui/selection_fields.h"
#include "ui/window.h"

namespace {

// A field's frame stands 3 pixels around its rectangle: fields a row apart keep their frames
// apart however tall a page asks them to be.
constexpr int32_t kFieldFrame = 3;

XYWH Down(const XYWH& rect, int32_t rows) {
  return XYWH{rect.x, rect.y + kHeaderRowPitch * rows, rect.width,
              std::min(rect.height, kHeaderRowPitch - 2 * kFieldFrame)};
}

template <typename T>
void DeleteField(T*& field) {
  delete field;
  field = nullptr;
}

void ShowText(T_Edit* field, CardSelection* selection, int32_t patternId) {
  if (!field) return;
  T_TextBuf text;
  Selection_Pattern(selection, patternId, &text);
  field->SetText(text.data ? text.data : "");
}

bool IsValueId(int32_t id) {
  return id >= kHeaderValueFirst && id < kHeaderValueFirst + kMaxValueColumns;
}

// The room a label keeps from the page's edge and from its field, and how far above the field's
// top it starts, tall enough for a line of text and level with the field's own.
constexpr int32_t kLabelMargin = 5;
constexpr int32_t kLabelGap = 4;
constexpr int32_t kLabelRise = 1;
constexpr int32_t kLabelHeight = 14;

// The field a page made for a header id; null when the page shows none.
const T_GrafElement* MadeField(const SelectionHeader& header, int32_t id) {
  if (id >= kHeaderDimensionFirst && id < kHeaderDimensionFirst + kMaxDimensions)
    return header.dimensionFields[id - kHeaderDimensionFirst];
  if (IsValueId(id)) return header.valueFields[id - kHeaderValueFirst];
  switch (id) {
    case kHeaderFrom:
      return header.fromField;
    case kHeaderTo:
      return header.toField;
    case kHeaderCardTitle:
      return header.cardTitleField;
    case kHeaderLineText:
      return header.lineTextField;
    case kHeaderNotes:
      return header.notesField;
    case kHeaderSubset:
      return header.subsetField;
    default:
      return nullptr;
  }
}

// A name wider than its label's room (a long dimension or value name) ends in an ellipsis
// rather than running under its field.
void FitLabelText(const TextStyle* style, const char* name, int32_t room, T_TextBuf* out) {
  int32_t n = static_cast<int32_t>(strlen(name));
  TextBufAssign(out, name);
  if (TextWidthInStyle(style, name) <= room) return;
  static constexpr char kEllipsis[] = "\xE2\x80\xA6";
  do {
    --n;
    while (n > 0 && (name[n] & 0xC0) == 0x80) --n;  // never cut a UTF-8 character in two
    TextBufAssignBytes(out, name, n);
    TextBufAppend(out, kEllipsis);
  } while (n > 0 && TextWidthInStyle(style, out->c_str()) > room);
}

}  // namespace

// --- T_ValueEditChooser -------------------------------------------------------------------------

T_ValueEditChooser::T_ValueEditChooser(T_EventHandler* parent, const XYWH& rect, uint32_t id,
                                       T_HWindow* window, int64_t count, int64_t current)
    : T_Chooser(parent, rect, id, count, current, true),
      owner(window),
      database(window->database) {}

void T_ValueEditChooser::OnChange(const ChangeNote* note) {
  T_Chooser::OnChange(note);
  if (note && note->database == database && HeaderFieldOfChange(note) != 0) Relayout();
}

void T_ValueEditChooser::OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) {
  if (chooser != this) {
    T_Chooser::OnChooserEvent(chooser, record);
    return;
  }
  int64_t i = record->index;
  if (i < 0 || i >= count) return;
  if (record->code == kChooserDescribe) {
    T_TextBuf name;
    Database_FieldName(database, &name, kHeaderValueFirst + owner->header.freeColumns[i]);
    ChooserEvent_SetText(record, name.data ? name.data : "");
  } else if (record->code == kChooserChosen) {
    // Rebuilding deletes this chooser, so nothing of it is touched after the call.
    owner->ChooseValueColumn(static_cast<int32_t>(i));
  }
}

// --- Free functions -----------------------------------------------------------------------------

int32_t HeaderFieldOfChange(const ChangeNote* note) {
  if (!note) return 0;
  switch (note->code) {
    case kChangeDimensionComponents:
    case kChangeDimensionName:
      if (note->index < 0 || note->index >= kMaxDimensions) return 0;
      return kHeaderDimensionFirst + note->index;
    case kChangeCardTitleLabel:
      return kHeaderCardTitle;
    case kChangeLineTextLabel:
      return kHeaderLineText;
    case kChangeValueColumn:
      if (note->valueColumn < 0 || note->valueColumn >= kMaxValueColumns) return 0;
      return kHeaderValueFirst + note->valueColumn;
    case kChangeSubsetAdded:
    case kChangeSubsetRemoved:
      return kHeaderSubset;
    default:
      return 0;
  }
}

bool CheckNegativePeriod(T_HWindow* window, const CardId* from, const CardId* to) {
  if (CardIdLessEqual(from, to)) return false;
  if (window && window->active && PendingErrorSet(kTextNegativePeriod)) {
    PendingError.request.owner = window;
  }
  return true;
}

bool CheckDimensionsFilled(T_HWindow* window, CardSelection* selection) {
  T_Base* database = window ? window->database : nullptr;
  for (int32_t d = 0; d < kMaxDimensions; ++d) {
    if (!Database_DimensionMustBeFilled(database, d) || SelectionHasDimension(selection, d)) {
      continue;
    }
    if (window->active && PendingErrorSet(kTextDimensionNotFilled)) {
      T_TextBuf name;
      Database_FieldName(database, &name, kHeaderDimensionFirst + d);
      char* out = PendingError.request.texts[0];
      size_t n = name.data ? strlen(name.data) : 0;
      if (n >= kAlertTextSize) n = kAlertTextSize - 1;
      // Never cut a UTF-8 character in two.
      while (n > 0 && n < strlen(name.data) && (name.data[n] & 0xC0) == 0x80) --n;
      memcpy(out, name.data ? name.data : "", n);
      out[n] = 0;
      PendingError.request.owner = window;
    }
    return true;
  }
  return false;
}

// --- Creating the fields ------------------------------------------------------------------------

namespace {

T_EventHandler* HeaderParent(T_HWindow* window) {
  if (!window->header.headerParent) window->header.headerParent = window;
  return window->header.headerParent;
}

}  // namespace

void T_HWindow::OnHeaderResized() {}

void T_HWindow::CreateDimensionEdits(const XYWH& rect) {
  HeaderParent(this);
  for (T_EditDim*& field : header.dimensionFields) field = nullptr;
  header.dimensionArea = rect;
  SyncDimensionEdits();
}

void T_HWindow::SyncDimensionEdits() {
  if (!header.headerParent || header.dimensionArea.width == 0) return;
  for (int32_t d = 0; d < kMaxDimensions; ++d) {
    T_EditDim*& field = header.dimensionFields[d];
    if (!Database_HasSubComponents(database, d)) {
      DeleteField(field);
      continue;
    }
    if (!field) {
      field = new T_EditDim(header.headerParent, Down(header.dimensionArea, d),
                            static_cast<uint32_t>(d), database, d);
    }
    if (field && header.selection) field->BindSelection(header.selection);
  }
  SyncHeaderLabels();
}

void T_HWindow::CreateFromToEdits(const XYWH& rect, uint32_t id) {
  T_EventHandler* parent = HeaderParent(this);
  header.fromField = new T_EditCID(parent, Down(rect, 0), id);
  header.toField = new T_EditCID(parent, Down(rect, 1), id + 1);
  if (header.fromField) EventHandler_Open(header.fromField);
  if (header.toField) EventHandler_Open(header.toField);
}

void T_HWindow::CreateCardTitleEdit(const XYWH& rect, uint32_t id) {
  header.cardTitleField = EditTxVal_NewText(HeaderParent(this), Down(rect, 0), id);
}

void T_HWindow::CreateLineTextEdit(const XYWH& rect, uint32_t id) {
  header.lineTextField = EditTxVal_NewText(HeaderParent(this), Down(rect, 0), id);
}

void T_HWindow::CreateNotesEdit(const XYWH& rect, uint32_t id) {
  header.notesField = EditTxVal_NewText(HeaderParent(this), Down(rect, 0), id);
}

void T_HWindow::CreateSubsetEdit(const XYWH& rect, uint32_t id) {
  header.subsetField =
      new T_EditSubset(HeaderParent(this), Down(rect, header.valueRowCount - 1), id);
}

void T_HWindow::CreateValueEdits(const XYWH& rect, uint32_t firstId) {
  HeaderParent(this);
  for (T_EditTxVal*& field : header.valueFields) field = nullptr;
  header.valueArea = rect;
  header.firstValueId = static_cast<int32_t>(firstId);
  BuildValueEdits();
}

// --- Showing and deleting -----------------------------------------------------------------------

void T_HWindow::ShowSelection(CardSelection* selection) {
  header.selection = selection;
  DeriveValueRows();
  for (T_EditDim* field : header.dimensionFields) {
    if (field) field->BindSelection(selection);
  }
  if (header.fromField) header.fromField->BindBound(Selection_Bound(selection, false));
  if (header.toField) header.toField->BindBound(Selection_Bound(selection, true));
  ShowText(header.cardTitleField, selection, kHeaderCardTitle);
  ShowText(header.lineTextField, selection, kHeaderLineText);
  ShowText(header.notesField, selection, kHeaderNotes);
  BuildValueEdits();
  if (header.subsetField) header.subsetField->BindCombination(Selection_Combination(selection));
  SyncHeaderLabels();
}

void T_HWindow::DeleteSelectionEdits() {
  for (T_EditDim*& field : header.dimensionFields) DeleteField(field);
  DeleteField(header.fromField);
  DeleteField(header.toField);
  DeleteField(header.cardTitleField);
  DeleteField(header.lineTextField);
  DeleteField(header.notesField);
  DeleteField(header.subsetField);
  header.dimensionArea.width = 0;
  header.valueArea.width = 0;
  BuildValueEdits();
  header.headerParent = nullptr;
  header.selection = nullptr;
  SyncHeaderLabels();
  DeriveValueRows();
}

bool T_HWindow::IsHeaderEdit(const T_GrafElement* field) const {
  if (!field) return false;
  const T_GrafElement* fields[] = {header.fromField,     header.toField,    header.cardTitleField,
                                   header.lineTextField, header.notesField, header.subsetField};
  for (const T_GrafElement* f : fields)
    if (f == field) return true;
  for (const T_EditDim* f : header.dimensionFields)
    if (f == field) return true;
  for (const T_EditTxVal* f : header.valueFields)
    if (f == field) return true;
  return false;
}

// --- Value rows ---------------------------------------------------------------------------------

int32_t T_HWindow::HeaderFieldIndex(int32_t column) const {
  for (int32_t row = 0; row < header.valueRowCount; ++row) {
    if (header.shownColumns[row] == column) return row;
  }
  return -1;
}

void T_HWindow::DeriveValueRows() {
  int32_t columns = Database_ValueColumnCount(database);
  int32_t rows = 0;
  if (header.selection) {
    T_TextBuf text;
    for (int32_t c = 0; c < columns; ++c) {
      if (Selection_ValueCondition(header.selection, c, &text)) {
        header.shownColumns[rows++] = static_cast<uint16_t>(c);
      }
    }
  }
  if (rows == 0) header.shownColumns[rows++] = 0;

  if (rows != header.valueRowCount) {
    if (header.subsetField) {
      header.subsetField->MoveBy(0, kHeaderRowPitch * (rows - header.valueRowCount));
    }
    header.valueRowCount = rows;
  }

  uint16_t last = header.shownColumns[rows - 1];
  int32_t free = 0;
  for (int32_t c = 0; c < columns; ++c) {
    if (c == last || HeaderFieldIndex(c) < 0) header.freeColumns[free++] = static_cast<uint16_t>(c);
  }
  for (int32_t i = free; i < kMaxValueColumns; ++i) header.freeColumns[i] = 0;

  if (header.headerParent) {
    // The value rows' labels and the subset below them move with the count.
    if (auto* parent = dynamic_cast<T_GrafElement*>(header.headerParent))
      GrafElement_Invalidate(parent, 0);
    OnHeaderResized();
  }
}

void T_HWindow::BuildValueEdits() {
  DeleteField(header.chooser);
  for (T_EditTxVal*& field : header.valueFields) DeleteField(field);
  if (header.valueArea.width == 0 || !header.headerParent) {
    SyncHeaderLabels();
    return;
  }
  T_TextBuf text;
  for (int32_t row = 0; row < header.valueRowCount; ++row) {
    int32_t column = header.shownColumns[row];
    T_EditTxVal* field = EditTxVal_NewValue(header.headerParent, Down(header.valueArea, row),
                                            static_cast<uint32_t>(header.firstValueId + row));
    header.valueFields[column] = field;
    if (!field) continue;
    Selection_ValueCondition(header.selection, column, &text);
    field->SetText(text.data ? text.data : "");
  }
  int32_t columns = Database_ValueColumnCount(database);
  int32_t count = header.valueRowCount;
  if (count >= columns) {
    SyncHeaderLabels();
    return;
  }
  int32_t last = header.shownColumns[count - 1];
  RECT label;
  GetHeaderFieldRect(&label, kHeaderValueFirst + last);
  // The label rectangle is in the window's coordinates; the chooser lives in the header parent,
  // level with its row's field and clear of the row below.
  POINT origin{0, 0};
  if (header.headerParent != this) {
    if (auto* parent = dynamic_cast<T_GrafElement*>(header.headerParent)) {
      origin = POINT{parent->offsetX - offsetX, parent->offsetY - offsetY};
    }
  }
  const XYWH row = Down(header.valueArea, count - 1);
  XYWH rect{label.left - 2 - origin.x, row.y - 1, label.right - label.left - 1, 15};
  int32_t current = 0;
  int32_t freeCount = columns - (count - 1);
  for (int32_t i = 0; i < freeCount; ++i) {
    if (header.freeColumns[i] == last) current = i;
  }
  header.chooser = new T_ValueEditChooser(header.headerParent, rect,
                                          static_cast<uint32_t>(header.firstValueId + count - 1),
                                          this, freeCount, current);
  SyncHeaderLabels();
}

void T_HWindow::ChooseValueColumn(int32_t index) {
  int32_t columns = Database_ValueColumnCount(database);
  int32_t count = header.valueRowCount;
  if (index < 0 || index >= columns - (count - 1)) return;
  int32_t chosen = header.freeColumns[index];
  int32_t last = header.shownColumns[count - 1];
  if (chosen == last) return;
  T_TextBuf text;
  if (Selection_ValueCondition(header.selection, last, &text)) {
    header.shownColumns[count] = static_cast<uint16_t>(chosen);
    header.valueRowCount = count + 1;
    if (header.subsetField) header.subsetField->MoveBy(0, kHeaderRowPitch);
    uint16_t kept[kMaxValueColumns];
    int32_t free = 0;
    for (int32_t c = 0; c < columns; ++c) {
      if (c == chosen || HeaderFieldIndex(c) < 0) kept[free++] = static_cast<uint16_t>(c);
    }
    memcpy(header.freeColumns, kept, sizeof(uint16_t) * static_cast<size_t>(free));
    header.valueRowsStale = 1;
    return;
  }
  header.valueFields[chosen] = header.valueFields[last];
  header.valueFields[last] = nullptr;
  header.shownColumns[count - 1] = static_cast<uint16_t>(chosen);
  SyncHeaderLabels();
}

// --- Labels -------------------------------------------------------------------------------------

bool T_HWindow::HasHeaderField(int32_t id) {
  if (!IsValueId(id)) return MadeField(header, id) != nullptr;
  int32_t row = HeaderFieldIndex(id - kHeaderValueFirst);
  if (row < 0) return false;
  if (row < header.valueRowCount - 1) return true;
  return header.valueRowCount >= Database_ValueColumnCount(database);
}

void T_HWindow::GetHeaderFieldRect(RECT* rect, int32_t id) {
  *rect = RECT{0, 0, 0, 0};
  const T_GrafElement* field = MadeField(header, id);
  auto* parent = dynamic_cast<T_GrafElement*>(header.headerParent);
  if (!field || !parent) return;
  // A label fills the room left of its own field, so it follows wherever a page puts the field:
  // from the page's margin, or for the fields right of the dimensions from past them.
  const XYWH& dimensions = header.dimensionArea;
  int32_t left = kLabelMargin;
  if (dimensions.width > 0 && field->x >= dimensions.x + dimensions.width)
    left = dimensions.x + dimensions.width + 2 * kLabelGap;
  const int32_t top = field->y - kLabelRise;
  *rect = RECT{left, top, std::max(left, field->x - kLabelGap), top + kLabelHeight};
  OffsetRect(rect, parent->offsetX - offsetX, parent->offsetY - offsetY);
}

void T_HWindow::SyncHeaderLabels() {
  for (int32_t i = 0; i < header.labelCount; ++i) delete header.labels[i];
  header.labelCount = 0;
  auto* parent = dynamic_cast<T_GrafElement*>(header.headerParent);
  if (!parent || !modeItem || !modeItem->showLabels) return;
  int32_t ids[kMaxDimensions + 6 + kMaxValueColumns];
  int32_t n = 0;
  for (int32_t d = 0; d < kMaxDimensions; ++d) ids[n++] = kHeaderDimensionFirst + d;
  for (int32_t id : {kHeaderFrom, kHeaderTo, kHeaderCardTitle, kHeaderLineText, kHeaderNotes})
    ids[n++] = id;
  for (int32_t c = 0; c < kMaxValueColumns; ++c) ids[n++] = kHeaderValueFirst + c;
  ids[n++] = kHeaderSubset;
  for (int32_t i = 0; i < n; ++i) {
    if (!HasHeaderField(ids[i])) continue;
    RECT rect;
    GetHeaderFieldRect(&rect, ids[i]);
    if (rect.right <= rect.left) continue;
    // Label rectangles are in the window's coordinates, the labels live in the header parent.
    OffsetRect(&rect, offsetX - parent->offsetX, offsetY - parent->offsetY);
    auto* label = new (std::nothrow) T_Text(
        parent, XYWH{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top}, true);
    if (!label) continue;
    header.labels[header.labelCount] = label;
    header.labelIds[header.labelCount++] = ids[i];
  }
  RenameHeaderLabels();
}

void T_HWindow::RenameHeaderLabels() {
  T_TextBuf name;
  T_TextBuf shown;
  for (int32_t i = 0; i < header.labelCount; ++i) {
    T_Text* label = header.labels[i];
    Database_FieldName(database, &name, header.labelIds[i]);
    FitLabelText(&label->style, name.data ? name.data : "", label->width, &shown);
    if (label->text.shown && strcmp(label->text.shown, shown.c_str()) == 0) continue;
    label->SetTextCopy(shown.c_str());
    GrafElement_Invalidate(label, 0);
  }
}

// --- Notices and edits --------------------------------------------------------------------------

void T_HWindow::HeaderTick() {
  if (!header.valueRowsStale) return;
  header.valueRowsStale = 0;
  BuildValueEdits();
  if (header.chooser) header.chooser->FocusNext(3);
}

void T_HWindow::HeaderOnChange(const ChangeNote* note) {
  if (note->database != database) return;
  if (note->code == kChangeDimensionComponents && header.dimensionArea.width != 0) {
    SyncDimensionEdits();
  } else if (note->code == kChangeValueColumns && header.valueArea.width != 0) {
    Window_DropFocus(this);
    DeriveValueRows();
    BuildValueEdits();
  }
}

bool T_HWindow::HeaderEditText(T_TextBuf* text, T_GrafElement* field) {
  if (!header.selection || !field) return false;
  const char* value = text && text->data ? text->data : "";
  if (field == header.cardTitleField) {
    Selection_setTitlePattern(header.selection, value);
  } else if (field == header.lineTextField) {
    Selection_setLineTextPattern(header.selection, value);
  } else if (field == header.notesField) {
    Selection_setNotesPattern(header.selection, value);
  } else {
    for (int32_t c = 0; c < kMaxValueColumns; ++c) {
      if (header.valueFields[c] && field == header.valueFields[c]) {
        Selection_setValueCondition(header.selection, value, c);
        return true;
      }
    }
    return false;
  }
  return true;
}
