// Saving an edited card when its editor closes: the mandatory dimensions, the comparison with the
// stored card, the questions, the signature, and writing the card with its stamps and repeats.
//
// Nothing of the stored card changes until the new card stands complete: it is built beside the
// stored one and checked, and only then takes the stored card's place. When the id stays the
// same the two cards exchange their contents, so the stored record keeps its number in the chain
// and the links to it stay right; the record then holding the old contents is deleted.
#include <cstring>
#include <string>

#include "analysis/cards/card_editor.h"
#include "analysis/cards/card_repeat_dialog.h"
#include "core/alert.h"
#include "core/localized_text.h"
#include "core/owned_text.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/change_notes.h"
#include "database/lines.h"
#include "database/object_services.h"
#include "database/operation_log.h"

namespace {

constexpr int32_t kMsgMustFill = 2110;
constexpr int32_t kMsgChange = 3203;
constexpr int32_t kMsgAdd = 3205;
constexpr int32_t kMsgNoLines = 3513;
constexpr int32_t kButtonChange = 712;
constexpr int32_t kButtonDontChange = 713;
constexpr int32_t kButtonAdd = 714;
constexpr int32_t kButtonDontAdd = 715;
constexpr int32_t kButtonRepeat = 720;
constexpr int32_t kButtonClose = 707;
constexpr int32_t kMsgRepeatsAdded = 3523;

// "yymmdd-n Title".
void IdAndTitle(T_CardEditor* editor, T_TextBuf* out) {
  FormatCardIdToString(out, &editor->cardId, editor->database->cardDigits);
  if (editor->title && editor->title[0]) {
    TextBufAppendChar(out, ' ');
    TextBufAppend(out, editor->title);
  }
}

// Every row as the text its cells show, empty rows left out.
std::string RowsText(T_CardEditor* editor) {
  std::string text;
  T_TextBuf cell;
  for (int64_t r = 0; r < editor->RowCount(); ++r) {
    const CardRow* row = editor->Row(r);
    if (row->kind == kRowEmpty) continue;
    text += static_cast<char>('0' + row->kind);
    for (int32_t code : editor->fieldCodes) {
      editor->CellText(&cell, r, code);
      text += '\t';
      text += cell.data;
    }
    text += '\n';
  }
  return text;
}

bool SameText(const char* a, const char* b) { return std::strcmp(a ? a : "", b ? b : "") == 0; }

// Step 1: false to stay in the editor; *discard when the user chose Don't Change.
bool MandatoryFilled(T_CardEditor* editor, bool* discard) {
  T_Base* base = editor->database;
  bool missing = false;
  int64_t group = 0;
  for (int64_t r = 0; r < editor->RowCount(); ++r) {
    const CardRow* row = editor->Row(r);
    if (row->kind == kRowGroup) group = row->slots[0];
    if (row->kind != kRowLine) continue;
    for (int32_t d = 0; d < kDimensionCount; ++d) {
      if (!base->dimensions[d] || !base->dimensions[d]->optionX) continue;
      if (d > base->lineSlots) continue;
      bool filled = d == 0 ? group >= kDimensionCount : row->slots[d - 1] >= kDimensionCount;
      if (filled) continue;
      editor->SetCurrentRow(r);
      editor->ScrollCellIntoView(r, 0);
      int32_t answer = CardEditor_ask(kMsgMustFill, base->GetDimSingular(d),
                           {kButtonOk, kButtonCancel, kButtonDontChange}, kButtonDontChange);
      if (answer == kButtonCancel) return false;
      if (answer == kButtonDontChange) {
        *discard = true;
        return false;
      }
      missing = true;
    }
  }
  return !missing;
}

// Writes the rows into the card; false without memory.
bool WriteRows(T_CardEditor* editor, CardRecord* card) {
  T_Base* base = editor->database;
  GroupRecord* group = nullptr;
  for (int64_t r = 0; r < editor->RowCount(); ++r) {
    const CardRow* row = editor->Row(r);
    if (row->kind == kRowGroup) {
      group = base->FindOrAddGroup(card, row->slots[0] >= kDimensionCount ? row->slots[0] : 0);
      if (!group) return false;
    } else if (row->kind == kRowLine) {
      if (!group) group = base->FindOrAddGroup(card, 0);
      if (!group) return false;
      LineRecord* line = CreateLine(base, group);
      if (!line) return false;
      base->SetLineComponents(line, row->slots);
      for (int32_t c = 0; c < base->valueCount; ++c) base->SetLineValue(line, c, row->values[c]);
      if (row->text && !SetLineText(line, row->text)) return false;
    }
  }
  return true;
}

void SwapContents(CardRecord* a, CardRecord* b) {
  std::swap(a->firstGroup, b->firstGroup);
  std::swap(a->title, b->title);
  std::swap(a->notes, b->notes);
  std::swap(a->created, b->created);
  std::swap(a->changed, b->changed);
  std::swap(a->notesStamp, b->notesStamp);
  std::swap(a->examined, b->examined);
  std::swap(a->approved, b->approved);
}

// The date k units after the date; 0 past the last supported day.
PackedDate RepeatDate(PackedDate date, int32_t unit, int32_t k) {
  switch (unit) {
    case kRepeatYears:
    case kRepeatMonths: {
      // The date arithmetic holds its result to the supported years; a copy past them is none.
      int64_t months = int64_t{k} * (unit == kRepeatYears ? 12 : 1);
      int64_t index = int64_t{PackedDateYear(date)} * 12 + PackedDateMonth(date) - 1 + months;
      if (index > int64_t{kLastYear} * 12 + 11) return 0;
      return PackedDateAddMonths(date, 0, static_cast<int32_t>(months));
    }
    case kRepeatWeeks:
    case kRepeatDays: {
      int64_t day = PackedDateToDayNumber(date) + int64_t{k} * (unit == kRepeatWeeks ? 7 : 1);
      if (day > PackedDateToDayNumber(PackDate(kLastYear, 12, 31))) return 0;
      return dayNumberToDate(static_cast<int32_t>(day));
    }
    default:
      return date;
  }
}

}  // namespace

int32_t CardEditor_ask(int32_t message, const char* text, std::initializer_list<int32_t> buttons,
                       int32_t unattended) {
  AlertRequest request;
  AlertInit(&request);
  request.message = message;
  AlertAddText(&request, text);
  for (int32_t b : buttons) AlertAddButton(&request, b);
  request.defaultAnswer = unattended;
  return ShowAlert(&request);
}

bool CardEditor_signature(T_CardEditor* editor, SignatureStamp* stamp) {
  if (CardServices().signatureStamp) return CardServices().signatureStamp(stamp, editor);
  GetSignatureStamp(stamp);
  return true;
}

bool CardEditor_confirmSave(T_CardEditor* editor) {
  T_Base* base = editor->database;
  editor->EndCellEdit();
  editor->CheckRowEmpty(editor->CurrentRow());

  bool discard = false;
  if (!MandatoryFilled(editor, &discard)) return discard;

  // Step 2: what changed.
  CardRecord* stored = editor->storedCard;
  bool rowsChanged = false;
  bool notesChanged = !SameText(editor->cardNotes, editor->storedNotes);
  bool stampsChanged = editor->examinedChanged || editor->approvedChanged;
  if (stored) {
    std::string now = RowsText(editor);
    T_CardEditor* self = editor;
    std::vector<CardRow> edited;
    edited.swap(self->rows);
    CardId id = self->cardId;
    char* title = self->title;
    self->title = nullptr;
    char* notes = self->cardNotes;
    self->cardNotes = nullptr;
    SignatureStamp keep[5] = {self->created, self->changed, self->notesStamp, self->examined, self->approved};
    int64_t current = self->currentRow;
    // The stored card loaded into the editor's rows for a moment gives the texts it showed.
    self->LoadCard();
    std::string before = RowsText(self);
    bool titleChanged = !SameText(title, self->title);
    for (CardRow& row : self->rows) BlockTextFree(&row.text);
    self->rows.swap(edited);
    self->rowCount = self->RowCount();
    self->currentRow = current;
    BlockTextFree(&self->title);
    BlockTextFree(&self->cardNotes);
    self->title = title;
    self->cardNotes = notes;
    self->created = keep[0];
    self->changed = keep[1];
    self->notesStamp = keep[2];
    self->examined = keep[3];
    self->approved = keep[4];
    bool idChanged = !CardIdEqual(&id, &self->cardId);
    self->cardId = id;
    rowsChanged = now != before || idChanged || titleChanged;
  } else {
    rowsChanged = editor->CountDataLines() > 0 || !SameText(editor->title, GetString(3507));
    for (int64_t r = 0; r < editor->RowCount() && !rowsChanged; ++r)
      rowsChanged = editor->Row(r)->kind != kRowEmpty;
  }
  if (!rowsChanged && !notesChanged && !stampsChanged) return true;

  // Step 3: the question.
  T_TextBuf named;
  IdAndTitle(editor, &named);
  bool asNew = !stored;
  int32_t answer = stored ? CardEditor_ask(kMsgChange, named.data,
                                {kButtonChange, kButtonCancel, kButtonDontChange, kButtonAdd, kButtonRepeat},
                                kButtonDontChange)
                          : CardEditor_ask(kMsgAdd, named.data, {kButtonAdd, kButtonCancel, kButtonDontAdd, kButtonRepeat},
                                kButtonDontAdd);
  if (answer == kButtonCancel) return false;
  if (answer == kButtonDontChange || answer == kButtonDontAdd) return true;
  if (answer != kButtonChange && answer != kButtonAdd && answer != kButtonRepeat) return false;
  int32_t copies = 1;
  if (answer == kButtonAdd) asNew = true;
  if (answer == kButtonRepeat) {
    int32_t unit = editor->repeatUnit;
    int32_t count = editor->repeatCount;
    bool agreed = CardServices().askRepeat ? CardServices().askRepeat(editor, &unit, &count)
                                           : AskCardRepeat(editor, &unit, &count);
    if (!agreed) return false;
    editor->repeatUnit = unit;
    editor->repeatCount = count;
    copies = count;
    asNew = true;
  }

  // Step 5: the signature.
  SignatureStamp stamp;
  if (!CardEditor_signature(editor, &stamp)) return false;

  // Only notes or review stamps changed: the stored card is updated where it is.
  if (!asNew && stored && !rowsChanged) {
    if (notesChanged) {
      if (!SetCardNotes(stored, editor->cardNotes)) return PendingErrorReport(), false;
      stored->notesStamp = editor->cardNotes && editor->cardNotes[0] ? stamp : SignatureStamp{};
    }
    if (editor->examinedChanged) stored->examined = editor->examined;
    if (editor->approvedChanged) stored->approved = editor->approved;
  } else {
    // Step 7, checked before anything changes: a card needs lines.
    if (editor->CountDataLines() == 0) {
      int32_t closing = CardEditor_ask(kMsgNoLines, named.data, {kButtonClose, kButtonCancel}, kButtonClose);
      return closing == kButtonClose;
    }
    CardId id = editor->cardId;
    CardRecord* card = CreateCard(base, &id);
    if (!card || !WriteRows(editor, card)) {
      if (card) DeleteCard(base, card);
      if (!PendingError.request.message) PendingErrorOutOfMemory();
      PendingErrorReport();
      return false;
    }
    // Step 6 and 8: the stamps, title and notes.
    SignatureStamp examined = editor->examinedChanged ? editor->examined : SignatureStamp{};
    SignatureStamp approved = editor->approvedChanged ? editor->approved : SignatureStamp{};
    if (asNew) {
      card->created = stamp;
      card->changed = SignatureStamp{};
    } else {
      card->created = editor->created;
      card->changed = stamp;
    }
    card->examined = examined;
    card->approved = approved;
    card->notesStamp = editor->notesStamp;
    if (notesChanged) card->notesStamp = editor->cardNotes && editor->cardNotes[0] ? stamp : SignatureStamp{};
    if (!SetCardTitle(card, editor->title) || !SetCardNotes(card, editor->cardNotes)) {
      DeleteCard(base, card);
      PendingErrorReport();
      return false;
    }
    if (!asNew && stored) {
      CardId storedId = CardGetId(stored);
      if (CardIdEqual(&storedId, &editor->cardId)) {
        SwapContents(stored, card);
        DeleteCard(base, card);
        card = stored;
      } else {
        ForgetEditedCard(base, stored, editor);
        DeleteCard(base, stored);
      }
    }
    editor->storedCard = card;
    editor->cardId = CardGetId(card);

    // Step 9: the repeats, none past the last supported day.
    int32_t added = 0;
    PackedDate date = editor->cardId.date;
    for (int32_t k = 1; k < copies; ++k) {
      PackedDate when = RepeatDate(date, editor->repeatUnit, k);
      if (when == 0) break;
      CardRecord* copy = DuplicateCard(base, card, when);
      if (!copy) {
        PendingErrorReport();
        break;
      }
      copy->created = card->created;
      copy->changed = card->changed;
      copy->examined = card->examined;
      copy->approved = card->approved;
      ++added;
    }
    if (copies > 1 && added < copies - 1) {
      T_TextBuf n;
      TextBufAssignInt(&n, added);
      CardEditor_ask(kMsgRepeatsAdded, n.data, {kButtonOk}, kButtonOk);
    }
  }
  CardRecord* saved = editor->storedCard ? editor->storedCard : stored;

  // Steps 10 and 11: the log and the note.
  T_TextBuf idText;
  FormatCardIdToString(&idText, &editor->cardId, base->cardDigits);
  if (base->operationLog) LogOperation(base, "card", idText.data, kLogVerbChanged);
  base->SetModified(true);
  ChangeNote note;
  note.code = kChangeCardSaved;
  note.database = base;
  note.card = saved;
  NotifyChange(base, &note);
  return true;
}
