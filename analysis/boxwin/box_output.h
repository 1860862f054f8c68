#pragma once
// Turning box-window rows into text: the cell-text operations derived windows use in FormatRow,
// the writer of text cells, and the output helpers of the text, HTML and XML exports.
//
// Every cell-text operation writes at the row record's cursor and is bounded by its 12280-byte
// buffer: a text that does not fit is cut at a UTF-8 character boundary, and once a text was cut
// the later cells of the row stay empty (RowTextPool::full).
#include <cstdint>

#include "analysis/boxwin/box_window.h"
#include "core/copy_table.h"
#include "core/value_format.h"

class T_OStream;

// --- Cell texts -------------------------------------------------------------------------------------

// Points the field's cell at a copy of n bytes (n < 0: the whole text); false when nothing fit.
bool PutCellText(RowTextPool* pool, T_BoxField* field, const char* text, int32_t n = -1);
// PutNumberText's text without a row record (tests and printed sums use it).
void NumberText(T_TextBuf* out, double value, int32_t decimals, int32_t signStyle, bool showZero);
bool PutNumberText(RowTextPool* pool, T_BoxField* field, double value, int32_t decimals,
                   int32_t signStyle, bool showZero);
bool PutIntegerText(RowTextPool* pool, T_BoxField* field, int64_t value, bool showZero);
bool PutPercentText(RowTextPool* pool, T_BoxField* field, double value);
// The component's text in a display form (-1: the dimension's own); nothing for the roots.
bool PutComponentText(RowTextPool* pool, T_BoxField* field, T_Base* database, int64_t component,
                      int32_t dimension, int32_t displayForm = -1);

// --- The text-cell writer ----------------------------------------------------------------------------

class TextCellWriter {
 public:
  // From the window's output options or from the CopyTable settings.
  void SetUp(T_OStream* out, const OutputOptions* options);
  void SetUp(T_OStream* out, const CopyTableSettings* settings);

  // One cell: the quote character around it, quotes removed when asked, a quote character
  // inside the cell doubled so that it cannot end the field.
  void WriteCell(const char* text);
  void WriteSeparator();
  void WriteLineEnd();
  // cell, separator, cell, line end (definition lines).
  void WritePair(const char* a, const char* b);
  // A cell followed by two line ends (titles).
  void WriteTitle(const char* text);
  // One cell per CR-separated line, each ended, then one more line end (notes).
  void WriteLines(const char* text);

  T_OStream* stream = nullptr;
  uint32_t quote = 0;
  uint8_t stripQuotes = 0;
  uint8_t separateDimensions = 0;
};

// The separator character of an output-option code for the number format: the global one for
// 0, 2, 3 and the byte-order mark; none (0) for 1.
uint16_t NumberSeparatorOfCode(uint16_t code);
// The number format of one output, for its lifetime: the separators of the codes and, unless
// kept, no thousands or millions scaling; the display settings come back at its end.
class OutputNumberFormat {
 public:
  OutputNumberFormat(uint16_t decimalCode, uint16_t thousandsCode, bool keepScaling);
  ~OutputNumberFormat();
  OutputNumberFormat(const OutputNumberFormat&) = delete;
  OutputNumberFormat& operator=(const OutputNumberFormat&) = delete;

 private:
  FormatSettings saved_{};
};

// The line end of a row-terminator code into the stream.
void SetRowTerminator(T_OStream* stream, uint16_t code);

// The next CR-separated line of a notes text (a LF after the CR is skipped); false when the text
// is used up. The cursor starts at the text; a null text has no lines.
bool TakeNotesLine(const char** cursor, T_TextBuf* line);

// The default export name from a title (see T_BoxWin::DefaultExportName).
void ExportNameFromTitle(T_TextBuf* name, const char* title, const char* extension);

// "page" and "sort" parameters of a served address replaced by "sort=" key; every '"', '<' and
// '>' of the address is percent-encoded so it cannot leave its attribute.
void SortLinkAddress(T_TextBuf* out, const char* address, const char* key);
