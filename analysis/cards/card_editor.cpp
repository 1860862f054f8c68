// The card editor window: building it from the card template, its header and fields, what the
// grid shows and takes, keys and commands, change notes, and opening it on a card.
#include "analysis/cards/card_editor.h"

#include <cstring>
#include <new>

#include "analysis/boxwin/box_output.h"
#include "analysis/cards/card_template.h"
#include "core/alert.h"
#include "core/localized_text.h"
#include "core/memory.h"
#include "core/owned_text.h"
#include "core/threads.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/change_notes.h"
#include "database/combination.h"
#include "database/components.h"
#include "database/link_rename.h"
#include "database/object_services.h"
#include "database/selection_hooks.h"
#include "database/template_runner.h"
#include "ui/button.h"
#include "ui/clipboard_data.h"
#include "ui/edit_field.h"
#include "ui/event_record.h"
#include "ui/frame_items.h"

namespace {

constexpr size_t kEditorReserve = 16384;
constexpr int32_t kTitleHeight = 16;
constexpr int32_t kHeaderTop = 6;
constexpr int32_t kHeaderLine = 20;
constexpr int32_t kHeaderHeight = 32;
constexpr int32_t kNotesMin = 60;
constexpr int32_t kNotesMax = 600;
constexpr int32_t kNotesWidth = 300;
constexpr int32_t kStampLine = 15;
constexpr int32_t kStampLabelWidth = 68;
constexpr int32_t kStampTextWidth = 110;
constexpr int32_t kTextCreated = 3502;  // then Modified, Examined, Approved
constexpr uint32_t kIdEditId = 398;
constexpr uint32_t kTitleEditId = 399;
constexpr uint32_t kNotesBoxId = 400;
constexpr uint32_t kNotesEditId = 401;
constexpr int32_t kTextNotes = 3506;
constexpr int32_t kMsgDelete = 3208;
constexpr int32_t kMsgLines = 3624;
constexpr int32_t kMsgCardNotFound = 3823;
constexpr int32_t kButtonDelete = 718;

CardEditorServices services{};

// Default widths when the template has none (or one below 16 pixels).
int32_t DefaultWidth(int32_t code) {
  if (code == kFieldGroup) return 160;
  if (code == kFieldGroup + 1) return 119;
  if (code == kFieldLineText) return 55;
  if (code == 1) return 83;
  if (code >= 2 && code <= kMaxValueCount) return 72;
  return 80;
}

int32_t NotesHeight(const char* notes) {
  int32_t lines = 1;
  for (const char* p = notes; p && *p; ++p) lines += *p == '\r' || *p == '\n';
  int32_t h = lines * 14 + 6;
  return h < kNotesMin ? kNotesMin : h > kNotesMax ? kNotesMax : h;
}

}  // namespace

void SetCardEditorServices(const CardEditorServices* given) { services = given ? *given : CardEditorServices{}; }
const CardEditorServices& CardServices() { return services; }

// --- Construction ------------------------------------------------------------------------------------

T_CardEditor::T_CardEditor(T_Base* base, T_Template* from, CardRecord* card, const RECT* rect)
    : T_BoxWin(kWindowCardEditor, rect, from, 0, base, 0), storedCard(card) {
  if (T_CardTmpl* cardTemplate = AsCardTemplate(from)) {
    std::memcpy(dimensionWidths, cardTemplate->dimensionWidths, sizeof dimensionWidths);
    std::memcpy(valueWidths, cardTemplate->valueWidths, sizeof valueWidths);
    lineTextWidth = cardTemplate->lineTextWidth;
    openNotes = cardTemplate->openNotes;
  }
  LoadCard();
  CreateGridItems(kHeaderHeight, kTitleHeight, 0);
  BuildHeader();
  BuildFields();
  SetSelectMode(kSelectEdit);
  T_TextBuf name;
  FormatCardIdToString(&name, &cardId, database->cardDigits);
  if (title) {
    TextBufAppendChar(&name, ' ');
    TextBufAppend(&name, title);
  }
  SetTitleCopy(name.data);
  if ((cardNotes && cardNotes[0]) || openNotes) ShowNotes(true);
}

T_CardEditor::~T_CardEditor() {
  for (CardRow& row : rows) BlockTextFree(&row.text);
  BlockTextFree(&title);
  BlockTextFree(&cardNotes);
  BlockTextFree(&storedNotes);
  if (subsetLines) {
    BitVecFree(subsetLines);
    MemFree(subsetLines);
  }
}

void T_CardEditor::BuildHeader() {
  idLabel = new (std::nothrow) T_Text(this, XYWH{6, kHeaderTop + 3, 12, 14}, true);
  if (idLabel) idLabel->SetTextCopy("#");
  int32_t idWidth = database->cardDigits * 7 + 60;
  idEdit = new (std::nothrow) T_Edit(this, XYWH{20, kHeaderTop, idWidth, kHeaderLine}, kIdEditId, true, true);
  ShowCardId();
  int32_t titleLeft = 20 + idWidth + 6;
  titleEdit = new (std::nothrow)
      T_Edit(this, XYWH{titleLeft, kHeaderTop, 240, kHeaderLine}, kTitleEditId, true, true);
  if (titleEdit) titleEdit->SetText(title);
  notesBox = new (std::nothrow) T_Checkbox(this, XYWH{titleLeft + 246, kHeaderTop + 2, 70, 16}, kNotesBoxId, true);
  if (notesBox) notesBox->SetLabelId(kTextNotes);
}

void T_CardEditor::ShowNotes(bool shown) {
  if (shown == (notesShown != 0)) return;
  notesShown = shown ? 1 : 0;
  if (notesBox) notesBox->SetChecked(shown);
  int32_t h = NotesHeight(cardNotes);
  int32_t top = kHeaderTop + kHeaderLine + 6;
  if (shown) {
    notesField = new (std::nothrow) T_Edit(this, XYWH{6, top, kNotesWidth, h}, kNotesEditId, true, false);
    if (notesField) {
      notesField->SetText(cardNotes);
      EventHandler_Open(notesField);
    }
    // The signatures beside the notes, one a line.
    for (int32_t i = 0; i < 4; ++i) {
      int32_t y = top + i * kStampLine;
      stampLabels[i] = new (std::nothrow) T_Text(this, XYWH{kNotesWidth + 14, y, kStampLabelWidth, 14}, true);
      if (stampLabels[i]) stampLabels[i]->SetTextId(kTextCreated + i);
      stampTexts[i] = new (std::nothrow)
          T_Text(this, XYWH{kNotesWidth + 14 + kStampLabelWidth, y, kStampTextWidth, 14}, true);
    }
    ShowStamps();
    SetHeaderHeight(kHeaderHeight + h + 6);
  } else {
    for (int32_t i = 0; i < 4; ++i) {
      delete stampLabels[i];
      delete stampTexts[i];
      stampLabels[i] = stampTexts[i] = nullptr;
    }
    if (notesField) {
      notesField->CommitEdit();
      T_Edit* field = notesField;
      notesField = nullptr;
      delete field;
    }
    SetHeaderHeight(kHeaderHeight);
  }
}

void T_CardEditor::ShowStamps() {
  const SignatureStamp* stamps[4] = {&created, &changed, &examined, &approved};
  for (int32_t i = 0; i < 4; ++i) {
    if (!stampTexts[i]) continue;
    char text[32] = {};
    if (stamps[i]->stamp || stamps[i]->signature[0]) FormatSignatureStampCStr(text, stamps[i]);
    stampTexts[i]->SetTextCopy(text);
  }
}

void T_CardEditor::BuildFields() {
  while (firstField) {
    T_BoxField* field = firstField;
    DeleteBoxField(&field);
  }
  fieldCodes.clear();
  std::vector<int32_t> codes{kFieldGroup, kFieldGroup + 1, kFieldLineText};
  for (int32_t c = 1; c <= database->valueCount; ++c) codes.push_back(c);
  for (int32_t d = 2; d < kDimensionCount && d <= database->lineSlots; ++d)
    if (database->IsDimUsed(d)) codes.push_back(kFieldGroup + d);
  int32_t x = 1;
  for (int32_t code : codes) {
    uint32_t stored = code >= kFieldGroup        ? dimensionWidths[code - kFieldGroup]
                      : code == kFieldLineText ? lineTextWidth
                                               : valueWidths[code - 1];
    int32_t width = stored >= static_cast<uint32_t>(kMinFieldWidth) ? static_cast<int32_t>(stored)
                                                                      : DefaultWidth(code);
    RECT r{x, 0, x + width, kTitleHeight};
    T_BoxField* field = AddField(&r, 0);
    if (!field) break;
    T_TextBuf name;
    int32_t nameCode = code >= kFieldGroup ? code - kFieldGroup + 1 : code == kFieldLineText ? 66 : 66 + code;
    database->GetFieldName(&name, nameCode);
    field->SetTitleText(name.data);
    if (code >= 1 && code <= kMaxValueCount) field->SetAlignment(kStyleRight);
    if (code == kFieldLineText) field->linkMode = 1;
    fieldCodes.push_back(code);
    x += width;
  }
  UpdateScrollBoxes(true);
  InvalidateGrid();
}

void T_CardEditor::RefreshFields() {
  EndCellEdit();
  BuildFields();
}

// --- Grid slots ----------------------------------------------------------------------------------------

void T_CardEditor::FormatRow(RowTextPool* pool, int64_t row) {
  T_TextBuf text;
  int32_t i = 0;
  // In output every line names its group, as the group row is not written.
  int64_t group = 0;
  if (formattingOutput && Row(row) && Row(row)->kind == kRowLine) {
    for (int64_t r = row - 1; r >= 0 && !group; --r)
      if (Row(r)->kind == kRowGroup) group = r + 1;
  }
  for (T_BoxField* f = firstField; f; f = f->next, ++i) {
    int32_t code = FieldCode(i);
    CellText(&text, code == kFieldGroup && group ? group - 1 : row, code);
    if (text.length) PutCellText(pool, f, text.data);
  }
}

bool T_CardEditor::IsDataRow(int64_t row) { return Row(row) && Row(row)->kind == kRowLine; }
bool T_CardEditor::IsGroupStart(int64_t row) { return Row(row) && Row(row)->kind == kRowGroup; }

bool T_CardEditor::CanSelectCell(int64_t row, int32_t field) {
  CardRow* r = Row(row);
  int32_t code = FieldCode(field);
  if (!r || code < 0) return false;
  if (r->kind == kRowGroup) return code == kFieldGroup;
  if (r->kind == kRowLine) return code != kFieldGroup;
  return true;
}

void T_CardEditor::GetCellEditText(T_TextBuf* text, int64_t row, int32_t field) {
  T_TextBuf shown;
  CellText(&shown, row, FieldCode(field));
  if (std::strcmp(shown.data, text->data) == 0) return;
  StoreCellText(row, FieldCode(field), text->data);
}

bool T_CardEditor::GridKeyDown(InputEvent* event) {
  uint16_t key = event->keyCode;
  int64_t row = ActiveRow();
  if (key == kKeyEnter || key == kKeyKeypadEnter) {
    EndCellEdit();
    if (InsertRow(row + 1)) {
      SetCurrentRow(row + 1);
      SelectEditCell(row + 1, FieldOfCode(kFieldGroup + 1));
    }
    return true;
  }
  if (event->control && (key == kKeyUp || key == kKeyDown)) {
    int32_t field = selectedField;
    EndCellEdit();
    if (MoveRow(row, key == kKeyUp ? -1 : 1) && field >= 0) SelectEditCell(currentRow, field);
    return true;
  }
  if (event->control && key == kKeyRight) {
    if (selectedRow < 0) FocusNextCell(0);
    return true;
  }
  bool handled = T_BoxWin::GridKeyDown(event);
  if (selectedRow >= 0) SetCurrentRow(selectedRow);
  return handled;
}

void T_CardEditor::OnFieldWidthChanged(T_BoxField* field, int32_t) {
  int32_t code = FieldCode(static_cast<int32_t>(field->index));
  uint32_t width = static_cast<uint32_t>(field->Width());
  if (code >= kFieldGroup)
    dimensionWidths[code - kFieldGroup] = width;
  else if (code == kFieldLineText)
    lineTextWidth = width;
  else if (code >= 1)
    valueWidths[code - 1] = width;
}

// --- Window slots --------------------------------------------------------------------------------------

void T_CardEditor::Notify(int32_t code) {
  T_BoxWin::Notify(code);
}

void T_CardEditor::OnChange(const ChangeNote* note) {
  T_BoxWin::OnChange(note);
  if (note->database != database) return;
  switch (note->code) {
    case 11:
    case kChangeDisplayText:
    case kChangeDecimals:
      InvalidateGrid();
      break;
    case kChangeComponentsDeleted:
      if (note->componentSet) {
        for (int64_t r = 0; r < RowCount(); ++r) {
          CardRow* row = Row(r);
          for (int32_t i = 0; i < kDimensionCount; ++i) {
            int64_t c = row->slots[i];
            while (c >= kDimensionCount && c < note->componentSet->count && BitVecGet(note->componentSet, c)) {
              ComponentRecord* record = ComponentAt(database, c);
              c = record && record->parent ? record->parent->number : 0;
            }
            row->slots[i] = c;
          }
          if (r != currentRow) CheckRowEmpty(r);
        }
        InvalidateGrid();
      }
      break;
    case kChangeSubComponents:
    case kChangeSingularName:
    case kChangeValueColumn:
    case kChangeValueColumns:
    case kChangeLineSlots:
      RefreshFields();
      break;
    case kChangeCardDigits:
      ShowCardId();
      break;
    case kChangeLinesMoving:
      for (CardRow& row : rows)
        if (row.kind == kRowLine && row.link)
          row.link = reinterpret_cast<void*>(static_cast<intptr_t>(static_cast<LineRecord*>(row.link)->number + 1));
      linksAreNumbers = 1;
      break;
    case kChangeLinesMoved:
      if (linksAreNumbers) {
        for (CardRow& row : rows)
          if (row.kind == kRowLine && row.link)
            row.link = PagedArrayAt(&database->linePool, static_cast<int64_t>(reinterpret_cast<intptr_t>(row.link)) - 1);
        linksAreNumbers = 0;
      }
      break;
    case kChangeLinks:
      if (note->rename) {
        RewriteLinks(note->rename, &title);
        RewriteLinks(note->rename, &cardNotes);
        for (CardRow& row : rows) RewriteLinks(note->rename, &row.text);
        if (titleEdit) titleEdit->SetText(title);
        if (notesField) notesField->SetText(cardNotes);
        InvalidateGrid();
      }
      break;
    default:
      break;
  }
}

void T_CardEditor::UpdateCommands() {
  T_BoxWin::UpdateCommands();
  const MenuOperations* menus = Menus();
  if (!menus || !menus->enableCommand) return;
  auto enable = [menus](int32_t command) { menus->enableCommand(command, true); };
  enable(kCommandCopyLine);
  enable(kCommandDuplicateLine);
  enable(kCommandRemoveLine);
  enable(kCommandDeleteData);
  if (notesShown) {
    enable(kCommandExamine);
    enable(kCommandApprove);
  }
  if (storedCard) enable(kCommandDeleteCard);
  if (ClipboardDataKind() == kClipboardText) enable(-6);
}

bool T_CardEditor::DoCommand(int32_t command) {
  switch (command) {
    case kCommandCopyLine: {
      T_TextBuf text;
      CardEditor_copyLineXml(this, ActiveRow(), &text);
      ClipboardSetText(text.data, text.length, 0);
      return true;
    }
    case kCommandDuplicateLine: {
      int64_t row = ActiveRow();
      EndCellEdit();
      DuplicateRow(row);
      return true;
    }
    case kCommandRemoveLine: {
      int64_t row = ActiveRow();
      EndCellEdit();
      RemoveRow(row);
      return true;
    }
    case kCommandNewRow: {
      int64_t row = ActiveRow();
      EndCellEdit();
      if (InsertRow(row + 1)) SetCurrentRow(row + 1);
      return true;
    }
    case kCommandDeleteData:
      DeleteData(true);
      return true;
    case kCommandExamine:
    case kCommandApprove:
      // The stamps are given where they are shown: beside the notes.
      if (!notesShown) return false;
      SetReviewStamp(command);
      return true;
    case kCommandDeleteCard:
      return DeleteStoredCard();
    case -6:
      if (!(notesField && notesField->focus) && !(editOverlay && editOverlay->focus) && PasteFromClipboard())
        return true;
      break;
    default:
      break;
  }
  return T_BoxWin::DoCommand(command);
}

int64_t T_CardEditor::ActiveRow() {
  if (selectedRow >= 0 && selectedRow < RowCount()) SetCurrentRow(selectedRow);
  return currentRow;
}

bool T_CardEditor::PasteFromClipboard() {
  char* text = ClipboardReadText();
  int32_t kind = CardEditor_clipboardKind(text);
  bool done = false;
  int64_t row = ActiveRow();
  if (kind != 0) EndCellEdit();
  if (kind == 1) done = CardEditor_pasteLineXml(this, row, text);
  if (kind == 2) done = CardEditor_pasteLines(this, row, text) > 0;
  MemFree(text);
  return done;
}

bool T_CardEditor::KeyDown(InputEvent* event, T_GrafElement* target) {
  uint16_t key = event->keyCode;
  if (idEdit && idEdit->focus) {
    int32_t years = 0, months = 0, days = 0;
    if (key == kKeyUp) months = 1;
    if (key == kKeyDown) months = -1;
    if (key == kKeyRight && event->control) days = 1;
    if (key == kKeyLeft && event->control) days = -1;
    if (key == kKeyPageUp) years = 1;
    if (key == kKeyPageDown) years = -1;
    if (years || months || days) {
      idEdit->CommitEdit();
      StepCardDate(years, months, days);
      return true;
    }
  }
  if (key == kKeyKeypadEnter) {
    EventHandler_RequestClose(this, 0);
    return true;
  }
  if (key == kKeyEnter && ((idEdit && idEdit->focus) || (titleEdit && titleEdit->focus))) {
    T_Edit* from = idEdit && idEdit->focus ? idEdit : titleEdit;
    from->CommitEdit();
    if (from == idEdit && titleEdit)
      Item_TakeFocus(titleEdit);
    else if (grid)
      Item_TakeFocus(grid);
    return true;
  }
  return T_BoxWin::KeyDown(event, target);
}

bool T_CardEditor::QueryClose(int32_t code) {
  if (closingWithoutSave || code == 3) return T_BoxWin::QueryClose(code);
  if (idEdit) idEdit->CommitEdit();
  if (titleEdit) titleEdit->CommitEdit();
  if (notesField) notesField->CommitEdit();
  if (!CardEditor_confirmSave(this)) return false;
  return T_BoxWin::QueryClose(code);
}

void T_CardEditor::OnEditText(T_TextBuf* text, T_GrafElement* field) {
  if (field == idEdit) {
    TakeCardIdText(text->data);
    FormatCardIdToString(text, &cardId, database->cardDigits);
  } else if (field == titleEdit) {
    SetTitleText(text->data);
    TextBufAssign(text, title);
  } else if (field == notesField) {
    SetNotesText(text->data);
  } else {
    T_BoxWin::OnEditText(text, field);
  }
}

void T_CardEditor::OnCheckbox(T_GrafElement* checkbox) {
  if (checkbox == notesBox) {
    ShowNotes(notesBox->checked != 0);
    return;
  }
  T_BoxWin::OnCheckbox(checkbox);
}

void T_CardEditor::SaveToTemplate(T_Template* target) {
  T_BoxWin::SaveToTemplate(target);
  T_CardTmpl* cardTemplate = AsCardTemplate(target);
  if (!cardTemplate) return;
  std::memcpy(cardTemplate->dimensionWidths, dimensionWidths, sizeof dimensionWidths);
  std::memcpy(cardTemplate->valueWidths, valueWidths, sizeof valueWidths);
  cardTemplate->lineTextWidth = lineTextWidth;
  cardTemplate->openNotes = notesShown;
}

// --- Commands ----------------------------------------------------------------------------------------

void T_CardEditor::DeleteData(bool ask) {
  int64_t lines = CountDataLines();
  if (lines == 0) return;
  if (ask) {
    T_TextBuf n;
    TextBufAssignInt64(&n, lines);
    if (CardEditor_ask(kMsgLines, n.data, {kButtonDelete, kButtonCancel}, kButtonCancel) != kButtonDelete) return;
  }
  EndCellEdit();
  for (CardRow& row : rows) BlockTextFree(&row.text);
  rows.clear();
  CardRow row;
  ClearRow(&row);
  rows.push_back(row);
  rowCount = 1;
  currentRow = 0;
  UpdateScrollBoxes(true);
  InvalidateGrid();
}

void T_CardEditor::SetReviewStamp(int32_t command) {
  if (command != kCommandExamine && command != kCommandApprove) return;
  SignatureStamp stamp{};
  if (!CardEditor_signature(this, &stamp)) return;
  bool examine = command == kCommandExamine;
  (examine ? examined : approved) = stamp;
  (examine ? examinedChanged : approvedChanged) = 1;
  ShowStamps();
}

bool T_CardEditor::DeleteStoredCard() {
  if (!storedCard) return false;
  T_TextBuf named;
  FormatCardIdToString(&named, &cardId, database->cardDigits);
  if (title) {
    TextBufAppendChar(&named, ' ');
    TextBufAppend(&named, title);
  }
  if (CardEditor_ask(kMsgDelete, named.data, {kButtonDelete, kButtonCancel}, kButtonCancel) != kButtonDelete)
    return false;
  closingWithoutSave = 1;
  CardRecord* card = storedCard;
  storedCard = nullptr;
  ForgetEditedCard(database, card, this);
  DeleteCard(database, card);
  database->SetModified(true);
  ChangeNote note;
  note.code = kChangeCards;
  note.database = database;
  NotifyChange(database, &note);
  EventHandler_RequestClose(this, 3);
  return true;
}

// The web gateway restricts a served card to a subset formula: only lines in its line set are
// written.
void T_CardEditor::RestrictToSubset(void* formula) {
  if (subsetLines) {
    BitVecFree(subsetLines);
    MemFree(subsetLines);
    subsetLines = nullptr;
  }
  const char* text = static_cast<const char*>(formula);
  if (!text || !text[0]) return;
  Combination combination;
  CombInit(&combination, database, database->subsets, &subsets, nullptr);
  CombCompileQuietly(&combination, text);
  bool changed = false;
  if (CombHasTokens(&combination) && CombCalculate(&combination, &changed)) {
    auto* lines = static_cast<BitVector*>(MemNew(sizeof(BitVector)));
    if (lines) {
      new (lines) BitVector{};
      BitVecInitCopy(lines, &combination.lines, 0);
      subsetLines = lines;
    }
  }
  CombFree(&combination);
}

int64_t T_CardEditor::PrepareRowList() {
  outputRows.clear();
  for (int64_t r = 0; r < RowCount(); ++r) {
    const CardRow* row = Row(r);
    if (row->kind != kRowLine) continue;
    // Only stored lines can be in a subset's line set.
    if (subsetLines) {
      const auto* line = static_cast<const LineRecord*>(row->link);
      if (!line || linksAreNumbers || line->number >= subsetLines->count || !BitVecGet(subsetLines, line->number))
        continue;
    }
    outputRows.push_back(r);
  }
  return static_cast<int64_t>(outputRows.size());
}

int64_t T_CardEditor::MapRow(int64_t position) {
  return position >= 0 && position < static_cast<int64_t>(outputRows.size()) ? outputRows[static_cast<size_t>(position)]
                                                                             : position;
}

// --- Opening -----------------------------------------------------------------------------------------

CardRecord* GetEditorCard(T_HWindow* window) {
  if (!window || window->windowKind != kWindowCardEditor) return nullptr;
  auto* editor = dynamic_cast<T_CardEditor*>(window);
  return editor ? editor->storedCard : nullptr;
}

void ForgetEditedCard(T_Base* base, CardRecord* card, T_CardEditor* except) {
  for (T_HWindow* w = WindowListFirst(); w; w = w->nextWindow) {
    if (w == except || w->database != base || GetEditorCard(w) != card) continue;
    auto* editor = static_cast<T_CardEditor*>(w);
    editor->storedCard = nullptr;
    for (CardRow& row : editor->rows) row.link = nullptr;
  }
}

namespace {

// The grid field and row of a position mode for the row of the line.
void Position(T_CardEditor* editor, int32_t mode, const LineRecord* line) {
  if (mode == kPositionId && editor->idEdit) {
    Item_TakeFocus(editor->idEdit);
    return;
  }
  if (mode == kPositionTitle && editor->titleEdit) {
    Item_TakeFocus(editor->titleEdit);
    return;
  }
  if (mode == kPositionNotes) {
    editor->ShowNotes(true);
    if (editor->notesField) Item_TakeFocus(editor->notesField);
    return;
  }
  int64_t row = -1;
  for (int64_t r = 0; r < editor->RowCount() && line; ++r)
    if (editor->Row(r)->link == line) row = r;
  if (row < 0) return;
  int32_t code = kFieldGroup + 1;
  if (mode >= 4 && mode <= 27) code = mode - 3;
  if (mode >= 28 && mode <= 59) code = kFieldGroup + (mode - 28);
  int32_t field = editor->FieldOfCode(code);
  if (field < 0) field = editor->FieldOfCode(kFieldGroup + 1);
  editor->SetCurrentRow(row);
  editor->SelectEditCell(row, field);
}

}  // namespace

T_CardEditor* openCardEditor(T_Base* base, CardRecord* card, int32_t position, const LineRecord* line,
                             int32_t flags) {
  if (!base || !MemCanAlloc(kEditorReserve)) return nullptr;
  if (!(flags & kOpenNewWindow) && card) {
    for (T_HWindow* w = WindowListFirst(); w; w = w->nextWindow) {
      if (w->database == base && GetEditorCard(w) == card) {
        auto* editor = static_cast<T_CardEditor*>(w);
        EventHandler_SetActive(editor, true);
        Position(editor, position, line);
        return editor;
      }
    }
  }
  T_Template* templ = base->GetDefaultTemplate(kTemplateCard);
  T_CardTmpl* cardTemplate = AsCardTemplate(templ);
  int32_t width = 500;
  int32_t height = 180;
  if (T_BoxTmpl* box = AsBoxTemplate(templ)) {
    if (box->right - box->left > 0) width = box->right - box->left;
    if (box->bottom - box->top > 0) height = box->bottom - box->top - (cardTemplate && cardTemplate->openNotes ? 93 : 0);
  }
  if (width < 350) width = 350;
  if (height < 121) height = 121;
  RECT rect{20, 20, 20 + width, 20 + height};
  auto* editor = new (std::nothrow) T_CardEditor(base, templ, card, &rect);
  if (!editor) {
    PendingErrorOutOfMemory();
    return nullptr;
  }
  EventHandler_Open(editor);
  Position(editor, position, line);
  return editor;
}

namespace {

CardRecord* FindExactCard(T_Base* base, const CardId* id) {
  if (!id->date) return nullptr;
  CardRecord* found = FindCardAtOrBefore(base, id);
  if (found == base->sentinelCard) return nullptr;
  CardId at = CardGetId(found);
  return CardIdEqual(&at, id) ? found : nullptr;
}

void CardNotFound(const char* key) {
  PendingErrorSet(kMsgCardNotFound);
  AlertAddText(&PendingError.request, key ? key : "");
}

// Opens the card on its n-th line (1-based over all groups) at the first value column.
T_CardEditor* OpenOnLine(T_Base* base, CardRecord* card, int32_t n) {
  const LineRecord* line = nullptr;
  int32_t counted = 0;
  for (GroupRecord* group = card->firstGroup; group && n >= 1 && !line; group = group->next)
    for (LineRecord* l = group->firstLine; l && !line; l = l->next)
      if (++counted == n) line = l;
  return openCardEditor(base, card, line ? 4 : kPositionId, line, 0);
}

}  // namespace

T_CardEditor* openCardById(T_Base* base, const CardId* id, int32_t n) {
  CardRecord* card = FindExactCard(base, id);
  if (!card) {
    char key[32] = {};
    FormatCardIdCStr(key, id);
    CardNotFound(key);
    return nullptr;
  }
  return OpenOnLine(base, card, n);
}

T_CardEditor* openCardByKey(T_Base* base, const char* key, int32_t n) {
  // Six date digits, a hyphen and a number.
  bool valid = key != nullptr;
  for (int32_t i = 0; valid && i < 6; ++i) valid = key[i] >= '0' && key[i] <= '9';
  valid = valid && key[6] == '-' && key[7] >= '0' && key[7] <= '9';
  for (int32_t i = 7; valid && key[i]; ++i) valid = key[i] >= '0' && key[i] <= '9';
  CardRecord* card = nullptr;
  if (valid) {
    CardId id;
    parseDate(&id, key, static_cast<int32_t>(std::strlen(key)), -1);
    card = FindExactCard(base, &id);
  }
  if (!card) {
    CardNotFound(key);
    return nullptr;
  }
  return OpenOnLine(base, card, n);
}

// --- Installing --------------------------------------------------------------------------------------

void InstallCardEditor(bool (*signatureStamp)(SignatureStamp* stamp, T_Window* owner)) {
  SetTemplateConstructor(kTemplateCard, NewCardTemplate);
  CardEditorServices card = services;
  card.signatureStamp = signatureStamp;
  SetCardEditorServices(&card);
  BaseServices base = CurrentBaseServices();
  base.newCard = [](T_Base* database) { openCardEditor(database, nullptr, kPositionId, nullptr, 0); };
  SetBaseServices(&base);
  ObjectServices objects = CurrentObjectServices();
  objects.openCardEditor = [](T_Base* database, const CardId* id, int32_t line) {
    if (!openCardById(database, id, line)) PendingErrorReport();
  };
  SetObjectServices(&objects);
}
