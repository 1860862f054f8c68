#pragma once
// The field operations of an import setup over the current row of a row reader: a FieldDef
// chain's pieces taken and joined in the ways the importers need. Each replaces the output.
#include <cstdint>

#include "core/packed_date.h"
#include "core/text_buffer.h"
#include "database/import_setups.h"

class RowReader;

// Every piece joined; blanks trimmed at both ends.
void FieldText(const RowReader* reader, const FieldDef* field, T_TextBuf* out);
// Every piece followed by its own inserts; nothing trimmed.
void FieldTextWithInserts(const RowReader* reader, const FieldDef* field, T_TextBuf* out);
// As FieldTextWithInserts, with a TAB before the second and every later piece.
void FieldTextTabbed(const RowReader* reader, const FieldDef* field, T_TextBuf* out);
// The first piece, then every later non-empty piece preceded by the inserts of the piece before
// it (when the text so far is not empty); trimmed; empty gives the first piece's default text;
// a letter-case index of "--ULSW" from 2 is applied.
void FieldTextJoined(const RowReader* reader, const FieldDef* field, int32_t caseIndex,
                     T_TextBuf* out);
// The text of an arithmetic expression: pieces separated by inserts that end in an operator
// become numbers read with the decimal mark.
void FieldExpression(const RowReader* reader, const FieldDef* field, uint16_t decimalSeparator,
                     T_TextBuf* out);
// FieldText, or the first piece's text when empty, read as a signature stamp.
void FieldStamp(const RowReader* reader, const FieldDef* field, SignatureStamp* stamp);
// Every piece matches: one with a text when it takes exactly that text, one without when it
// takes nothing. A chain that is not set matches every row.
bool IndicatorMatches(const RowReader* reader, const FieldDef* field);
// As IndicatorMatches; the taken texts joined by single blanks go to out.
bool IndicatorText(const RowReader* reader, const FieldDef* field, T_TextBuf* out);

// A number with the decimal mark: digits, "-", "e" and "E" are kept, the mark becomes ".",
// everything else is dropped; NaN without a digit.
double ParseImportNumber(const T_TextBuf& text, uint16_t decimalSeparator);
// The last non-blank character is one of "+-*/^()".
bool EndsWithOperator(const T_TextBuf& text);
