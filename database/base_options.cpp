#include "database/base_options.h"

#include <algorithm>

#include "core/cstring.h"
#include "core/localized_text.h"
#include "core/owned_text.h"
#include "core/placeholders.h"
#include "core/text_buffer.h"
#include "core/utf8.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "ui/chooser.h"
#include "ui/text_style.h"

namespace {

constexpr int32_t kTextUntitled = 100;  // "Noname @0"

void DefaultValueName(T_TextBuf* out, int32_t column) {
  TextBufAssign(out, GetString(kTextValueName));
  if (column == 0) return;
  TextBufAppendChar(out, ' ');
  TextBufAppendInt(out, column + 1);
}

// A note of this database with the value column (codes 30, 37) or the difference (33, 34).
void SendNote(T_Base* base, int32_t code, int32_t column, int32_t difference) {
  ChangeNote note;
  note.code = code;
  note.database = base;
  note.valueColumn = column;
  note.difference = difference;
  NotifyChange(base, &note);
}

void SetListWidth(T_Base* base, int32_t* field, int32_t width, int32_t code) {
  int32_t difference = width - *field;
  if (difference == 0) return;
  *field = width;
  SendNote(base, code, 0, difference);
}

bool IsValueColumn(int32_t column) { return column >= 0 && column < kMaxValueCount; }

}  // namespace

bool AssignOptionalText(char** holder, const char* text, const char* defaultText, int32_t limit) {
  T_TextBuf clean(text);
  StrBlankControls(clean.data);
  if (clean.length > limit) TextBufTruncate(&clean, Utf8BoundaryAtOrBefore(clean.data, limit));
  if (StrEqual(clean.data, defaultText)) TextBufSetLength(&clean, 0);
  if (StrEqualNullAsEmpty(clean.data, *holder)) return false;
  return BlockTextAssignBuf(holder, &clean);
}

// --- Getters ----------------------------------------------------------------------------------

const char* T_Base::GetCardTitleLabel() {
  return cardTitleLabel ? cardTitleLabel : GetString(kTextCardTitleLabel);
}

const char* T_Base::GetLineTextLabel() {
  return lineTextLabel ? lineTextLabel : GetString(kTextLineTextLabel);
}

void T_Base::GetValueName(T_TextBuf* out, int32_t column) {
  if (!IsValueColumn(column)) {
    TextBufSetLength(out, 0);
  } else if (valueNames[column]) {
    TextBufAssign(out, valueNames[column]);
  } else {
    DefaultValueName(out, column);
  }
}

void T_Base::GetFieldName(T_TextBuf* out, int32_t code) {
  if (code >= kFieldTextIdFirst) {
    TextBufAssign(out, GetString(code));
  } else if (code >= kFieldSingularFirst && code < kFieldPluralFirst) {
    TextBufAssign(out, GetDimSingular(code - kFieldSingularFirst));
  } else if (code >= kFieldPluralFirst && code < kFieldCardTitle) {
    TextBufAssign(out, GetDimPlural(code - kFieldPluralFirst));
  } else if (code == kFieldCardTitle) {
    TextBufAssign(out, GetCardTitleLabel());
  } else if (code == kFieldLineText) {
    TextBufAssign(out, GetLineTextLabel());
  } else if (code >= kFieldValueFirst && code < kFieldValueFirst + kMaxValueCount) {
    GetValueName(out, code - kFieldValueFirst);
  } else {
    TextBufSetLength(out, 0);
  }
}

void T_Base::SetItemFieldName(ChooserEvent* item, int32_t code) {
  T_TextBuf name;
  GetFieldName(&name, code);
  ChooserEvent_SetText(item, name.data);
}

int32_t T_Base::MeasureFieldName(int32_t code, int32_t minimum) {
  T_TextBuf name;
  GetFieldName(&name, code);
  return std::max(TextWidthBuf(&name), minimum);
}

// --- Setters ----------------------------------------------------------------------------------

void T_Base::SetCardTitleLabel(const char* text) {
  if (!AssignOptionalText(&cardTitleLabel, text, GetString(kTextCardTitleLabel), kLabelMaxBytes))
    return;
  SetModified(true);
  NotifyCode(kChangeCardTitleLabel);
}

void T_Base::SetLineTextLabel(const char* text) {
  if (!AssignOptionalText(&lineTextLabel, text, GetString(kTextLineTextLabel), kLabelMaxBytes))
    return;
  SetModified(true);
  NotifyCode(kChangeLineTextLabel);
}

void T_Base::SetValueName(int32_t column, const char* text) {
  if (!IsValueColumn(column)) return;
  T_TextBuf defaultName;
  DefaultValueName(&defaultName, column);
  if (!AssignOptionalText(&valueNames[column], text, defaultName.data, kLabelMaxBytes)) return;
  SetModified(true);
  SendNote(this, kChangeValueColumn, column, 0);
}

void T_Base::SetCardDigits(int32_t n) {
  n = std::clamp(n, kCardDigitsMin, kCardDigitsMax);
  if (n == cardDigits) return;
  cardDigits = n;
  NotifyCode(kChangeCardDigits);
}

void T_Base::SetListWidth1(int32_t width) {
  SetListWidth(this, &listWidth1, std::clamp(width, kListWidth1Default, kListWidthMax),
               kChangeListWidth1);
}

void T_Base::SetListWidth2(int32_t width) {
  SetListWidth(this, &listWidth2, std::clamp(width, kListWidth2Default, kListWidthMax),
               kChangeListWidth2);
}

void T_Base::SetDecimalsCode(int32_t column, int32_t code) {
  if (!IsValueColumn(column) || code < 0 || code > 9) return;
  // Thousands and millions are settings of the windows that show values, not of the data.
  if (code >= 8) code = 0;
  if (decimalsCodes[column] == code) return;
  decimalsCodes[column] = code;
  SendNote(this, kChangeDecimals, column, 0);
}

void T_Base::SetReferenceDate(const DateRef* ref) {
  CardId before = referenceDate.cardId;
  // A new rule that happens to give the same date still has to be saved, so it counts too.
  bool sameRule = ref->kind == referenceDate.kind && ref->offset == referenceDate.offset &&
                  StrEqualNullAsEmpty(ref->text, referenceDate.text);
  DateRefCopy(&referenceDate, ref);
  if (sameRule && CardIdEqual(&before, &referenceDate.cardId)) return;
  NotifyCode(kChangeReferenceDate);
}

void T_Base::SetReferenceDateText(const char* text) {
  DateRef parsed;
  DateRefInit(&parsed, this, kDirectionTo);
  DateRefParse(&parsed, text ? text : "", StrLen(text));
  SetReferenceDate(&parsed);
  DateRefFree(&parsed);
}

void T_Base::RefreshDefaultLabels() {
  if (!cardTitleLabel) NotifyCode(kChangeCardTitleLabel);
  if (!lineTextLabel) NotifyCode(kChangeLineTextLabel);
  for (int32_t column = 0; column < kMaxValueCount; ++column) {
    if (!valueNames[column]) SendNote(this, kChangeValueColumn, column, 0);
  }
  NameUntitled();
}
