#pragma once
// Import setups: how a text file of rows becomes cards, groups and lines. The records are those
// of the stored setup; the row reader here is a stand-in that reads UTF-8 rows of TAB-separated
// fields and takes a piece by its field number alone (its positions, inserts, conversions and
// exclusions, other encodings and row terminators come with the full reader, which also reads
// and writes the records). The engine builds the cards (database/card_text_import.h) through
// ImportSetupRows.
//
// The records live in their own namespace while the engine's list of stored setups is still the
// holder of their section lines (database/stored_object_holders.h), which carries the same name.
#include <cstdint>

#include "core/input_stream.h"
#include "core/text_buffer.h"
#include "database/card_text_import.h"
#include "database/text_form.h"

namespace textimport {

// The file's character and format description.
struct FlatFormat {
  uint32_t encoding = 0;  // TextEncoding
  uint32_t fixedPositions = 0;
  uint16_t rowTerminator = 13;
  uint16_t fieldSeparator = 9;
  uint16_t decimalSeparator = 46;
  uint8_t positionsInBytes = 0;
  uint32_t rowsToSkip = 0;
  T_TextBuf convertFrom;
  T_TextBuf convertTo;
  T_TextBuf excludeCounted;
  T_TextBuf excludeCompletely;
  uint8_t excludeControl = 1;
};

// Where one field lies in a row: a chain of pieces whose texts are joined.
struct FieldDef {
  uint32_t fieldNumber = 0;  // from 1; 0 not given
  uint32_t first = 0;
  uint32_t last = 0;
  T_TextBuf text;            // an indicator's text, else the default of an empty field
  bool hasText = false;      // a piece without text matches only an empty field
  T_TextBuf insertChars;     // after this piece's text
  FieldDef* next = nullptr;  // owned

  FieldDef() = default;
  FieldDef(const FieldDef&) = delete;
  FieldDef& operator=(const FieldDef&) = delete;
  ~FieldDef() { delete next; }
  // Set when it has a field number, positions, a text or inserts; a chain when any piece is.
  bool IsSet() const;
};

struct LineDef {
  LineDef* next = nullptr;  // owned
  FieldDef dimensions[32];
  FieldDef lineText;
  FieldDef values[24];
  double factors[24] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
  uint8_t excludeZeroLines = 1;
  int32_t textCase = 0;
  int32_t matchBy[32] = {2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2,
                         2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2};
  int32_t zeroFill[32] = {};
  int32_t newComponents[32] = {};

  LineDef() = default;
  LineDef(const LineDef&) = delete;
  LineDef& operator=(const LineDef&) = delete;
  ~LineDef() { delete next; }
};

// The card-level fields, in the record's order (database/card_text_import.h numbers them).
constexpr int32_t kCardFields = 10;

struct ImportSetup {
  T_TextBuf name;
  FlatFormat format;
  uint32_t rowsPerCard = 1;
  uint32_t rowsPerLine = 1;
  uint32_t dateFormat = 0;
  int32_t titleCase = 0;
  int32_t notesCase = 0;
  FieldDef cardFields[kCardFields];  // card indicator "LC", line indicator "LL", card switcher
                                     // "LX", date, title, notes, four stamps
  LineDef* lines = nullptr;          // owned

  ImportSetup() = default;
  ImportSetup(const ImportSetup&) = delete;
  ImportSetup& operator=(const ImportSetup&) = delete;
  ~ImportSetup() { delete lines; }
  // Appends a line definition with its defaults.
  LineDef* NewLineDefinition();
};

// The stand-in row reader: UTF-8 rows ended by LF (a CR before it dropped), fields separated by
// TAB; a joined row is its rows with a TAB between them.
class RowReader {
 public:
  explicit RowReader(const ImportSetup* setup) : setup_(setup) {}
  bool Open(const char* path);
  bool ReadNextRow();
  bool JoinRows(int32_t n);
  int64_t RowNumber() const { return rowNumber_; }
  // The text of one piece of the current row (its field, else nothing), appended.
  void TakePiece(const FieldDef* piece, T_TextBuf* out) const;

 private:
  const ImportSetup* setup_;
  T_HTextRead stream_;
  T_TextBuf row_;
  int64_t rowNumber_ = 0;
};

// The field operations over the current row.
void FieldText(const RowReader* reader, const FieldDef* field, T_TextBuf* out);
void FieldTextJoined(const RowReader* reader, const FieldDef* field, int32_t caseIndex,
                     T_TextBuf* out);
void FieldStamp(const RowReader* reader, const FieldDef* field, SignatureStamp* stamp);
void FieldExpression(const RowReader* reader, const FieldDef* field, uint16_t decimalSeparator,
                     T_TextBuf* out);
bool IndicatorMatches(const RowReader* reader, const FieldDef* field);
// A number with the decimal mark: digits, "-", "e" and "E" are kept, the mark becomes ".",
// everything else is dropped; NaN without a digit.
double ParseImportNumber(const T_TextBuf& text, uint16_t decimalSeparator);

// The setup and its reader as the engine's card builder sees them.
class ImportSetupRows : public CardRowSource {
 public:
  ImportSetupRows(const ImportSetup* setup, RowReader* reader);
  ~ImportSetupRows() override;
  const CardImportPlan* Plan() override { return &plan_; }
  bool ReadNextRow() override { return reader_->ReadNextRow(); }
  bool JoinRows(int32_t n) override { return reader_->JoinRows(n); }
  int64_t RowNumber() override { return reader_->RowNumber(); }
  bool IndicatorMatches(int32_t field) override;
  void CardText(int32_t field, T_TextBuf* text) override;
  void CardStamp(int32_t field, SignatureStamp* stamp) override;
  void LineComponentText(int32_t line, int32_t dimension, T_TextBuf* text) override;
  void LineText(int32_t line, T_TextBuf* text) override;
  void ValueText(int32_t line, int32_t column, T_TextBuf* text) override;
  double ParseNumber(const T_TextBuf& text) override;

 private:
  const LineDef* Line(int32_t index) const;
  const ImportSetup* setup_;
  RowReader* reader_;
  CardImportPlan plan_;
};

}  // namespace textimport

class T_Base;
// Reads the file into the database's cards through the setup; false when it does not open.
bool ImportTextFile(T_Base* base, const char* path, const textimport::ImportSetup* setup);
