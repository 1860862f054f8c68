#include "import/import_setup.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/alert.h"
#include "core/number_parse.h"
#include "database/base.h"

namespace textimport {

namespace {

constexpr const char* kOperators = "+-*/^()";

bool EndsWithOperator(const T_TextBuf& text) {
  int32_t n = text.length;
  while (n > 0 && text.c_str()[n - 1] == ' ') --n;
  return n > 0 && std::strchr(kOperators, text.c_str()[n - 1]) != nullptr;
}

}  // namespace

bool FieldDef::IsSet() const {
  for (const FieldDef* piece = this; piece != nullptr; piece = piece->next) {
    if (piece->fieldNumber != 0 || piece->first != 0 || piece->last != 0 || piece->hasText ||
        !piece->insertChars.empty())
      return true;
  }
  return false;
}

LineDef* ImportSetup::NewLineDefinition() {
  LineDef** tail = &lines;
  while (*tail != nullptr) tail = &(*tail)->next;
  *tail = new LineDef;
  return *tail;
}

// --- The stand-in row reader ---------------------------------------------------------------------

bool RowReader::Open(const char* path) {
  stream_.SetEncoding(kEncodingUtf8);
  return stream_.Open(path);
}

bool RowReader::ReadNextRow() {
  if (AbortRequested() || !stream_.NextLine()) return false;
  TextBufAssignBytes(&row_, stream_.lineStart,
                     static_cast<int32_t>(stream_.lineEnd - stream_.lineStart));
  ++rowNumber_;
  return true;
}

bool RowReader::JoinRows(int32_t n) {
  T_TextBuf joined(row_);
  for (int32_t i = 1; i < n; ++i) {
    if (!ReadNextRow()) return false;
    TextBufAppendChar(&joined, '\t');
    TextBufAppendBuf(&joined, &row_);
  }
  TextBufAssignBuf(&row_, &joined);
  return true;
}

void RowReader::TakePiece(const FieldDef* piece, T_TextBuf* out) const {
  if (piece->fieldNumber == 0) return;
  const char* p = row_.c_str();
  const char* end = p + row_.length;
  for (uint32_t f = 1; f < piece->fieldNumber; ++f) {
    p = static_cast<const char*>(std::memchr(p, '\t', static_cast<size_t>(end - p)));
    if (p == nullptr) return;  // a row with fewer fields
    ++p;
  }
  const char* fieldEnd =
      static_cast<const char*>(std::memchr(p, '\t', static_cast<size_t>(end - p)));
  if (fieldEnd == nullptr) fieldEnd = end;
  TextBufAppendBytes(out, p, static_cast<int32_t>(fieldEnd - p));
}

// --- Field operations ----------------------------------------------------------------------------

void FieldText(const RowReader* reader, const FieldDef* field, T_TextBuf* out) {
  TextBufSetLength(out, 0);
  for (const FieldDef* piece = field; piece != nullptr; piece = piece->next)
    reader->TakePiece(piece, out);
  TextBufTrim(out, ' ');
}

void FieldTextJoined(const RowReader* reader, const FieldDef* field, int32_t caseIndex,
                     T_TextBuf* out) {
  (void)caseIndex;  // letter cases come with the full reader
  TextBufSetLength(out, 0);
  reader->TakePiece(field, out);
  T_TextBuf piece;
  for (const FieldDef* before = field; before->next != nullptr; before = before->next) {
    TextBufSetLength(&piece, 0);
    reader->TakePiece(before->next, &piece);
    if (piece.empty()) continue;
    if (!out->empty()) TextBufAppendBuf(out, &before->insertChars);
    TextBufAppendBuf(out, &piece);
  }
  TextBufTrim(out, ' ');
  if (out->empty()) TextBufAssignBuf(out, &field->text);
}

void FieldStamp(const RowReader* reader, const FieldDef* field, SignatureStamp* stamp) {
  T_TextBuf text;
  FieldText(reader, field, &text);
  if (text.empty()) TextBufAssignBuf(&text, &field->text);
  *stamp = SignatureStamp{};
  if (!text.empty()) ParseSignatureStampN(stamp, text.c_str(), text.length);
}

void FieldExpression(const RowReader* reader, const FieldDef* field, uint16_t decimalSeparator,
                     T_TextBuf* out) {
  TextBufSetLength(out, 0);
  T_TextBuf piece;
  char number[40];
  for (const FieldDef* p = field; p != nullptr; p = p->next) {
    TextBufSetLength(&piece, 0);
    reader->TakePiece(p, &piece);
    if (piece.empty()) TextBufAssignBuf(&piece, &p->text);
    const double value = ParseImportNumber(piece, decimalSeparator);
    if (std::isfinite(value)) {
      std::snprintf(number, sizeof number, "%.17g", value);
      TextBufAppend(out, number);
    } else {
      TextBufAppendBuf(out, &piece);
    }
    TextBufAppendBuf(out, &p->insertChars);
  }
}

bool IndicatorMatches(const RowReader* reader, const FieldDef* field) {
  T_TextBuf taken;
  for (const FieldDef* piece = field; piece != nullptr; piece = piece->next) {
    TextBufSetLength(&taken, 0);
    reader->TakePiece(piece, &taken);
    if (std::strcmp(taken.c_str(), piece->hasText ? piece->text.c_str() : "") != 0) return false;
  }
  return true;
}

double ParseImportNumber(const T_TextBuf& text, uint16_t decimalSeparator) {
  T_TextBuf kept;
  bool digit = false;
  for (int32_t i = 0; i < text.length; ++i) {
    const char c = text.c_str()[i];
    if (c >= '0' && c <= '9') {
      digit = true;
      TextBufAppendChar(&kept, c);
    } else if (c == '-' || c == 'e' || c == 'E') {
      TextBufAppendChar(&kept, c);
    } else if (static_cast<uint8_t>(c) == decimalSeparator) {
      TextBufAppendChar(&kept, '.');
    }
  }
  return digit ? ParseDouble(kept.c_str(), kept.length) : NAN;
}

// --- The setup as the card builder sees it ------------------------------------------------------

ImportSetupRows::ImportSetupRows(const ImportSetup* setup, RowReader* reader)
    : setup_(setup), reader_(reader) {
  plan_.headerRows = static_cast<int32_t>(setup->format.rowsToSkip);
  plan_.rowsPerCard = static_cast<int32_t>(setup->rowsPerCard);
  plan_.rowsPerLine = static_cast<int32_t>(setup->rowsPerLine);
  plan_.dateFormat = static_cast<int32_t>(setup->dateFormat);
  TextBufAssignBuf(&plan_.defaultDate, &setup->cardFields[kImportDate].text);
  for (const LineDef* line = setup->lines; line != nullptr; line = line->next) ++plan_.lineCount;
  plan_.lines = new CardImportLine[plan_.lineCount > 0 ? plan_.lineCount : 1];
  int32_t index = 0;
  for (const LineDef* line = setup->lines; line != nullptr; line = line->next, ++index) {
    CardImportLine& out = plan_.lines[index];
    for (int32_t d = 0; d < kImportDimensions; ++d) {
      out.dimensionSet[d] = line->dimensions[d].IsSet();
      out.matchBy[d] = line->matchBy[d];
      out.newComponents[d] = line->newComponents[d];
      out.zeroFill[d] = line->zeroFill[d];
      TextBufAssignBuf(&out.defaultCode[d], &line->dimensions[d].text);
    }
    for (int32_t c = 0; c < kImportValues; ++c) {
      out.valueSet[c] = line->values[c].IsSet();
      for (const FieldDef* p = &line->values[c]; p != nullptr; p = p->next)
        out.valueIsExpression[c] = out.valueIsExpression[c] || EndsWithOperator(p->insertChars);
      TextBufAssignBuf(&out.defaultValue[c], &line->values[c].text);
      out.factor[c] = line->factors[c];
    }
    out.skipZeroLines = line->excludeZeroLines != 0;
  }
}

ImportSetupRows::~ImportSetupRows() { delete[] plan_.lines; }

const LineDef* ImportSetupRows::Line(int32_t index) const {
  const LineDef* line = setup_->lines;
  for (int32_t i = 0; i < index && line != nullptr; ++i) line = line->next;
  return line;
}

bool ImportSetupRows::IndicatorMatches(int32_t field) {
  return textimport::IndicatorMatches(reader_, &setup_->cardFields[field]);
}

void ImportSetupRows::CardText(int32_t field, T_TextBuf* text) {
  if (field == kImportTitle || field == kImportNotes) {
    FieldTextJoined(reader_, &setup_->cardFields[field],
                    field == kImportTitle ? setup_->titleCase : setup_->notesCase, text);
  } else {
    FieldText(reader_, &setup_->cardFields[field], text);  // an empty date: the plan's default
  }
}

void ImportSetupRows::CardStamp(int32_t field, SignatureStamp* stamp) {
  FieldStamp(reader_, &setup_->cardFields[field], stamp);
}

void ImportSetupRows::LineComponentText(int32_t line, int32_t dimension, T_TextBuf* text) {
  FieldText(reader_, &Line(line)->dimensions[dimension], text);
}

void ImportSetupRows::LineText(int32_t line, T_TextBuf* text) {
  FieldTextJoined(reader_, &Line(line)->lineText, Line(line)->textCase, text);
}

void ImportSetupRows::ValueText(int32_t line, int32_t column, T_TextBuf* text) {
  const FieldDef* field = &Line(line)->values[column];
  if (plan_.lines[line].valueIsExpression[column]) {
    FieldExpression(reader_, field, setup_->format.decimalSeparator, text);
  } else {
    FieldText(reader_, field, text);
  }
}

double ImportSetupRows::ParseNumber(const T_TextBuf& text) {
  return ParseImportNumber(text, setup_->format.decimalSeparator);
}

}  // namespace textimport

bool ImportTextFile(T_Base* base, const char* path, const textimport::ImportSetup* setup) {
  textimport::RowReader reader(setup);
  if (!reader.Open(path)) return false;
  textimport::ImportSetupRows rows(setup, &reader);
  ImportTextWithSetup(base, &rows);
  return true;
}
