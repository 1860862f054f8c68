#include "import/import_fields.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/locale.h"
#include "core/number_parse.h"
#include "import/row_reader.h"

namespace {

constexpr const char* kOperators = "+-*/^()";

void Take(const RowReader* reader, const FieldDef* piece, T_TextBuf* out) {
  reader->SplitRowFields(out, piece);
}

// The accumulator of an expression as a number when it reads as one.
void AppendAsNumber(T_TextBuf* out, const T_TextBuf& accumulator, uint16_t decimalSeparator) {
  const double value = ParseImportNumber(accumulator, decimalSeparator);
  if (!std::isfinite(value)) {
    TextBufAppendBuf(out, &accumulator);
    return;
  }
  // Round-trip digits with "." as the mark: the formula engine reads them back exactly.
  char number[40];
  std::snprintf(number, sizeof number, "%.17g", value);
  TextBufAppend(out, number);
}

}  // namespace

bool EndsWithOperator(const T_TextBuf& text) {
  int32_t n = text.length;
  while (n > 0 && text.c_str()[n - 1] == ' ') --n;
  return n > 0 && std::strchr(kOperators, text.c_str()[n - 1]) != nullptr;
}

void FieldText(const RowReader* reader, const FieldDef* field, T_TextBuf* out) {
  TextBufSetLength(out, 0);
  for (const FieldDef* piece = field; piece != nullptr; piece = piece->next)
    Take(reader, piece, out);
  TextBufTrim(out, ' ');
}

void FieldTextWithInserts(const RowReader* reader, const FieldDef* field, T_TextBuf* out) {
  TextBufSetLength(out, 0);
  for (const FieldDef* piece = field; piece != nullptr; piece = piece->next) {
    Take(reader, piece, out);
    TextBufAppendBuf(out, &piece->insertChars.text);
  }
}

void FieldTextTabbed(const RowReader* reader, const FieldDef* field, T_TextBuf* out) {
  TextBufSetLength(out, 0);
  for (const FieldDef* piece = field; piece != nullptr; piece = piece->next) {
    if (piece != field) TextBufAppendChar(out, '\t');
    Take(reader, piece, out);
    TextBufAppendBuf(out, &piece->insertChars.text);
  }
}

void FieldTextJoined(const RowReader* reader, const FieldDef* field, int32_t caseIndex,
                     T_TextBuf* out) {
  TextBufSetLength(out, 0);
  Take(reader, field, out);
  T_TextBuf piece;
  for (const FieldDef* before = field; before->next != nullptr; before = before->next) {
    TextBufSetLength(&piece, 0);
    Take(reader, before->next, &piece);
    if (piece.empty()) continue;
    if (!out->empty()) TextBufAppendBuf(out, &before->insertChars.text);
    TextBufAppendBuf(out, &piece);
  }
  TextBufTrim(out, ' ');
  if (out->empty()) TextBufAssignBuf(out, &field->text.text);
  if (caseIndex >= 2 && caseIndex <= 5) CaseModeApply(out->data, caseIndex - 2);
}

void FieldExpression(const RowReader* reader, const FieldDef* field, uint16_t decimalSeparator,
                     T_TextBuf* out) {
  TextBufSetLength(out, 0);
  T_TextBuf accumulator;
  Take(reader, field, &accumulator);
  const FieldDef* previous = field;
  for (const FieldDef* piece = field->next; piece != nullptr; piece = piece->next) {
    if (previous->insertChars.present && EndsWithOperator(previous->insertChars.text)) {
      AppendAsNumber(out, accumulator, decimalSeparator);
      TextBufSetLength(&accumulator, 0);
      TextBufAppendBuf(out, &previous->insertChars.text);
    } else {
      TextBufAppendBuf(&accumulator, &previous->insertChars.text);
    }
    Take(reader, piece, &accumulator);
    previous = piece;
  }
  AppendAsNumber(out, accumulator, decimalSeparator);
  TextBufAppendBuf(out, &previous->insertChars.text);
}

void FieldStamp(const RowReader* reader, const FieldDef* field, SignatureStamp* stamp) {
  T_TextBuf text;
  FieldText(reader, field, &text);
  if (text.empty()) TextBufAssignBuf(&text, &field->text.text);
  *stamp = SignatureStamp{};
  if (!text.empty()) ParseSignatureStampN(stamp, text.c_str(), text.length);
}

bool IndicatorText(const RowReader* reader, const FieldDef* field, T_TextBuf* out) {
  T_TextBuf taken;
  bool matches = true;
  if (out != nullptr) TextBufSetLength(out, 0);
  for (const FieldDef* piece = field; piece != nullptr; piece = piece->next) {
    TextBufSetLength(&taken, 0);
    Take(reader, piece, &taken);
    const T_TextBuf& wanted = piece->text.text;
    if (piece->text.present
            ? (taken.length != wanted.length ||
               std::memcmp(taken.c_str(), wanted.c_str(), static_cast<size_t>(taken.length)) != 0)
            : !taken.empty())
      matches = false;
    if (out != nullptr) {
      if (piece != field) TextBufAppendChar(out, ' ');
      TextBufAppendBuf(out, &taken);
    } else if (!matches) {
      return false;
    }
  }
  return matches;
}

bool IndicatorMatches(const RowReader* reader, const FieldDef* field) {
  return IndicatorText(reader, field, nullptr);
}

double ParseImportNumber(const T_TextBuf& text, uint16_t decimalSeparator) {
  char kept[128];
  int32_t n = 0;
  bool digit = false;
  for (int32_t i = 0; i < text.length && n < static_cast<int32_t>(sizeof kept) - 1; ++i) {
    const char c = text.c_str()[i];
    if (c >= '0' && c <= '9') {
      digit = true;
      kept[n++] = c;
    } else if (c == '-' || c == 'e' || c == 'E') {
      kept[n++] = c;
    } else if (static_cast<uint8_t>(c) == decimalSeparator) {
      kept[n++] = '.';
    }
  }
  return digit ? ParseDouble(kept, n) : NAN;
}
