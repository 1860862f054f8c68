#pragma once
// Building cards from the rows of a delimited text file read through an import setup. The
// import setups and their row reader live above the engine (import/); the builder reaches them
// through CardRowSource, which the setup's reader fills in: the setup's numbers as a plain
// CardImportPlan, and the field operations by the field's place.
//
// Rows: after the header rows, a row that passes the card-row condition starts a card (its date,
// title, notes and stamps come from it); the rows that pass the line-row condition after it each
// give one line per line definition, until a row that is no line row or whose card-break field
// is not empty and differs from the card's. The card row itself is tested only by the line-row
// condition, so one row can be a card row and its own first line row; later rows meet the
// card-row condition first. A card left without lines is dropped.
#include <cstdint>

#include "core/packed_date.h"
#include "core/text_buffer.h"

class T_Base;

constexpr int32_t kImportDimensions = 32;  // 0 keys the group, 1 to 31 the line's components
constexpr int32_t kImportValues = 24;

// The builder's view of one line definition.
struct CardImportLine {
  bool dimensionSet[kImportDimensions] = {};      // the field names a component
  int32_t matchBy[kImportDimensions] = {};        // 0 code, 1 text, 2 host code
  int32_t newComponents[kImportDimensions] = {};  // creation modes 0 to 3
  int32_t zeroFill[kImportDimensions] = {};       // 0, or pad codes with "0" to that width
  T_TextBuf defaultCode[kImportDimensions];       // the default component's code, empty for none
  bool valueSet[kImportValues] = {};
  bool valueIsExpression[kImportValues] = {};
  T_TextBuf defaultValue[kImportValues];
  double factor[kImportValues] = {};
  bool skipZeroLines = true;
};

struct CardImportPlan {
  int32_t headerRows = 0;
  int32_t rowsPerCard = 1;
  int32_t rowsPerLine = 1;
  int32_t dateFormat = 0;  // 0 "YYMMDD" ... 7 "D/M/Y"
  T_TextBuf defaultDate;   // six digits year, month, day; empty for today
  int32_t lineCount = 0;
  CardImportLine* lines = nullptr;  // lineCount of them, owned by the source
};

// The card-level fields, in the setup's order.
enum CardImportField : int32_t {
  kImportCardIndicator,
  kImportLineIndicator,
  kImportCardSwitcher,
  kImportDate,
  kImportTitle,
  kImportNotes,
  kImportCreated,
  kImportChanged,
  kImportExamined,
  kImportApproved,
};

// What the builder asks of the rows. Field operations work on the current row; a field that is
// not set gives an empty text, and an indicator that is not set matches every row.
class CardRowSource {
 public:
  virtual ~CardRowSource() = default;
  virtual const CardImportPlan* Plan() = 0;
  // The next row becomes current; false at the end of input or on the user's abort.
  virtual bool ReadNextRow() = 0;
  // The current row and the next n - 1 rows become one row; false when the input ended before.
  virtual bool JoinRows(int32_t n) = 0;
  // The number of the current row in the file, from 1.
  virtual int64_t RowNumber() = 0;
  virtual bool IndicatorMatches(int32_t field) = 0;
  // The card field's text: trimmed, the title and notes joined with their separators and in
  // their letter case.
  virtual void CardText(int32_t field, T_TextBuf* text) = 0;
  virtual void CardStamp(int32_t field, SignatureStamp* stamp) = 0;
  // A line definition's component field (dimension 0 to 31) and line text, trimmed.
  virtual void LineComponentText(int32_t line, int32_t dimension, T_TextBuf* text) = 0;
  virtual void LineText(int32_t line, T_TextBuf* text) = 0;
  // A value field's text, or for an expression value the text of its expression.
  virtual void ValueText(int32_t line, int32_t column, T_TextBuf* text) = 0;
  // A value's number from its field text, by the setup's decimal mark; NaN for none.
  virtual double ParseNumber(const T_TextBuf& text) = 0;
};

// Opens the row reader of the setup on the file and builds the cards; nothing without a source.
// The progress status is 4515 "Cards/Lines".
void ImportTextWithSetup(T_Base* base, CardRowSource* rows);
void ImportRowsIntoCards(T_Base* base, CardRowSource* rows);

// Reports a component the field names and the dimension lacks (3310 code, 3311 text, 3312 host
// code, through the read-problem prompt) and creates it by the creation mode: 1 "#" and the text
// as its code; 2 the text as its code; 3 after the component of the nearest host code below the
// text, its code followed by the text; 0 a generated code; a code taken already gives a
// generated one. The host code is the text, the text stays empty. The dimension's root when it
// cannot be added.
int64_t CreateMissingImportComponent(T_Base* base, int32_t dimension, const char* text,
                                     int32_t lookupStyle, int32_t creationMode);

// Inserts "0" at the front until the text has n bytes (zero fill of codes and host codes).
void PadCodeWithZeros(T_TextBuf* text, int32_t n);

// The date of a date field's text by the setup's date format (0 to 7), 0 when it does not read;
// *outside is set when a year outside 1900 to 2069 was clamped into it.
PackedDate ParseImportDate(const char* text, int32_t format, bool* outside);
