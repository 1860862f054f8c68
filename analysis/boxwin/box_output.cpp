// Cell texts, the text-cell writer, the text output of WriteText, Copy Table and the copy of a
// cell range.
#include "analysis/boxwin/box_output.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/alert.h"
#include "core/locale.h"
#include "core/memory.h"
#include "core/output_stream.h"
#include "core/utf8.h"
#include "core/value_format.h"
#include "database/component_text.h"
#include "ui/clipboard_data.h"
#include "ui/link_markup.h"

namespace {

constexpr int64_t kCopyLimits[] = {0, 102400, 30720, 10240, 3072};
constexpr int32_t kCopyVisibleRows = 5;

}  // namespace

// --- Cell texts -------------------------------------------------------------------------------------

bool PutCellText(RowTextPool* pool, T_BoxField* field, const char* text, int32_t n) {
  if (!field || !text) return false;
  if (n < 0) n = static_cast<int32_t>(strlen(text));
  int32_t room = pool->Room() - 1;
  if (room < 0) return false;
  if (n > room) {
    n = Utf8BoundaryAtOrBefore(text, room);
    pool->full = 1;
  }
  memcpy(pool->cursor, text, n);
  pool->cursor[n] = 0;
  field->cellText = pool->cursor;
  pool->cursor += n + 1;
  if (pool->full) pool->cursor = pool->buffer + kRowTextBytes;
  return true;
}

void NumberText(T_TextBuf* out, double value, int32_t decimals, int32_t signStyle, bool showZero) {
  TextBufAssign(out, "");
  if (std::isnan(value)) return;
  if (value == 0 && !showZero) return;
  if (std::isinf(value) || std::fabs(value) > 1e308) {
    // Beyond the largest finite value: the sign styles still apply to an unsigned "inf".
    bool negative = value < 0;
    if (signStyle == kSignParentheses && negative) TextBufAppend(out, "(");
    if (signStyle == kSignPlain) TextBufAppend(out, negative ? "-" : "+");
    TextBufAppend(out, "inf");
    if (signStyle == kSignAfter) TextBufAppend(out, negative ? "-" : "+");
    if (signStyle == kSignParentheses && negative) TextBufAppend(out, ")");
    return;
  }
  formatNumber(out, value, decimals, signStyle);
}

bool PutNumberText(RowTextPool* pool, T_BoxField* field, double value, int32_t decimals,
                   int32_t signStyle, bool showZero) {
  T_TextBuf text;
  TextBufInit(&text);
  NumberText(&text, value, decimals, signStyle, showZero);
  bool put = text.length > 0 && PutCellText(pool, field, text.data, text.length);
  TextBufFree(&text);
  return put;
}

bool PutIntegerText(RowTextPool* pool, T_BoxField* field, int64_t value, bool showZero) {
  if (value == 0 && !showZero) return false;
  T_TextBuf text;
  TextBufInit(&text);
  TextBufAssignInt64(&text, value);
  bool put = PutCellText(pool, field, text.data, text.length);
  TextBufFree(&text);
  return put;
}

bool PutPercentText(RowTextPool* pool, T_BoxField* field, double value) {
  if (value == 0) return false;
  T_TextBuf text;
  TextBufInit(&text);
  TextBufAssignDouble(&text, value);
  TextBufAppend(&text, " %");
  bool put = PutCellText(pool, field, text.data, text.length);
  TextBufFree(&text);
  return put;
}

bool PutComponentText(RowTextPool* pool, T_BoxField* field, T_Base* database, int64_t component,
                      int32_t dimension, int32_t displayForm) {
  if (component < 32 || !database) return false;
  T_TextBuf text;
  TextBufInit(&text);
  FormatComponent(database, &text, component, dimension, displayForm);
  bool put = text.length > 0 && PutCellText(pool, field, text.data, text.length);
  TextBufFree(&text);
  return put;
}

// --- Separators ------------------------------------------------------------------------------------

uint16_t NumberSeparatorOfCode(uint16_t code) {
  if (code == 0 || code == 2 || code == 3 || code == kSeparatorGlobal) return kSeparatorGlobal;
  if (code == 1) return 0;
  return code;
}

OutputNumberFormat::OutputNumberFormat(uint16_t decimalCode, uint16_t thousandsCode,
                                       bool keepScaling) {
  SaveFormatSettings(&saved_);
  NumFormat* format = ValueNumFormat();
  format->decimalSeparator = NumberSeparatorOfCode(decimalCode);
  format->thousandsSeparator = NumberSeparatorOfCode(thousandsCode);
  if (!keepScaling) ValueScalingSet(false);
}

OutputNumberFormat::~OutputNumberFormat() { RestoreFormatSettings(&saved_); }

void SetRowTerminator(T_OStream* stream, uint16_t code) {
  if (code == 0 || code == 2)
    stream->SetNewlineCRLF();
  else if (code == 1)
    stream->SetNewline("");
  else
    stream->SetNewlineChar(code);
}

// --- TextCellWriter -----------------------------------------------------------------------------------

void TextCellWriter::SetUp(T_OStream* out, const OutputOptions* options) {
  stream = out;
  quote = options->quoteCharacter == 1 ? 0 : options->quoteCharacter;
  stripQuotes = options->excludeQuotes;
  separateDimensions = options->separateDimensions;
  SetRowTerminator(out, options->rowTerminator);
  out->SetSeparator(options->fieldSeparator == 1 ? 0 : options->fieldSeparator);
}

void TextCellWriter::SetUp(T_OStream* out, const CopyTableSettings* settings) {
  stream = out;
  quote = settings->fourthSeparator == kSeparatorNone ? 0 : settings->fourthSeparator;
  if (quote && quote < 9) quote = 0;
  stripQuotes = settings->flagK;
  separateDimensions = settings->flagM;
  SetRowTerminator(out, settings->lineEnd);
  out->SetSeparator(settings->fieldSeparator == kSeparatorNone ? 0 : settings->fieldSeparator);
}

void TextCellWriter::WriteCell(const char* text) {
  if (quote) stream->PutWideChar(quote);
  if (text && quote >= 0x80) {
    for (const char* p = text; *p;) {
      const char* start = p;
      uint32_t c = Utf8NextChar(&p);
      if (stripQuotes && (c == '"' || c == '\'')) continue;
      if (c == quote) stream->PutWideChar(quote);
      stream->PutBytes(start, p - start);
    }
  } else if (text) {
    // An ASCII byte never stands inside a UTF-8 sequence, so with an ASCII quote (the usual
    // case) the cell goes out in runs between the bytes that need care, not a character at a
    // time: exports write millions of cells.
    const char* run = text;
    for (const char* p = text;; ++p) {
      const char c = *p;
      const bool strip = stripQuotes && (c == '"' || c == '\'');
      const bool doubled = !strip && quote && static_cast<uint8_t>(c) == quote;
      if (c != 0 && !strip && !doubled) continue;
      stream->PutBytes(run, p - run);
      if (c == 0) break;
      run = strip ? p + 1 : p;  // a doubled quote goes out once here and once with the run
      if (doubled) stream->PutChar(c);
    }
  }
  if (quote) stream->PutWideChar(quote);
}

void TextCellWriter::WriteSeparator() {
  if (stream->separator) stream->PutWideChar(stream->separator);
}

void TextCellWriter::WriteLineEnd() { stream->PutBytes(stream->newline, stream->newlineLength); }

void TextCellWriter::WritePair(const char* a, const char* b) {
  WriteCell(a);
  WriteSeparator();
  WriteCell(b);
  WriteLineEnd();
}

void TextCellWriter::WriteTitle(const char* text) {
  WriteCell(text);
  WriteLineEnd();
  WriteLineEnd();
}

void TextCellWriter::WriteLines(const char* text) {
  if (!text) return;
  T_TextBuf line;
  for (const char* cursor = text; TakeNotesLine(&cursor, &line);) {
    WriteCell(line.data);
    WriteLineEnd();
  }
  WriteLineEnd();
}

bool TakeNotesLine(const char** cursor, T_TextBuf* line) {
  if (!*cursor) return false;
  const char* end = strchr(*cursor, '\r');
  int32_t n = end ? static_cast<int32_t>(end - *cursor) : static_cast<int32_t>(strlen(*cursor));
  TextBufAssignBytes(line, *cursor, n);
  if (!end) {
    *cursor = nullptr;
  } else {
    *cursor = end + 1;
    if (**cursor == '\n') ++*cursor;
  }
  return true;
}

// --- Text output ------------------------------------------------------------------------------------

namespace {

// The cell as it is written: link modes 1 to 3 as their plain text.
const char* PlainCell(T_BoxWin* window, T_BoxField* field, T_TextBuf* scratch) {
  if (!field->cellText) return nullptr;
  if (field->linkMode >= 1 && field->linkMode <= 3)
    return LinkText_PlainText(window->linkContext, scratch, field->cellText);
  return field->cellText;
}

// Title, notes, definition and title line, as chosen by the four flags.
void WriteTextHead(T_BoxWin* window, TextCellWriter* writer, bool title, bool notes,
                   bool definition, bool columnTitles) {
  if (title) writer->WriteTitle(window->Title());
  if (notes && window->notes && window->notes[0]) writer->WriteLines(window->notes);
  if (definition) window->WriteDefinition(writer);
  if (columnTitles && window->firstField) {
    window->WriteRowTitle(writer, -1);
    T_TextBuf text;
    TextBufInit(&text);
    for (T_BoxField* f = window->firstField->next; f; f = f->next) {
      writer->WriteSeparator();
      f->GetOutputTitle(&text, true);
      writer->WriteCell(text.data);
    }
    TextBufFree(&text);
    writer->WriteLineEnd();
  }
}

}  // namespace

void T_BoxWin::WriteRowTitle(TextCellWriter* writer, int64_t row) {
  if (!firstField) return;
  T_TextBuf text;
  TextBufInit(&text);
  if (row < 0) {
    firstField->GetOutputTitle(&text, true);
    writer->WriteCell(text.data);
  } else {
    writer->WriteCell(PlainCell(this, firstField, &text));
  }
  TextBufFree(&text);
}

void T_BoxWin::WriteCellText(T_OStream* stream, int64_t, T_BoxField* field) {
  stream->PutText(field->cellText);
}

void T_BoxWin::WriteTextOutput(T_OStream* stream) {
  TextCellWriter writer;
  writer.SetUp(stream, &output);
  BeginTextOutput(stream);
  WriteTextHead(this, &writer, output.windowTitle, output.notes, output.definition,
                output.columnTitles);
  RowTextPool pool;
  if (!pool.Init()) return;
  int64_t first = output.headerRows ? 0 : headerRowCount;
  int64_t end = output.dataRows ? rowCount : std::min(headerRowCount, rowCount);
  T_TextBuf scratch;
  TextBufInit(&scratch);
  for (int64_t row = first; row < end && !AbortRequested(); ++row) {
    GetRowTexts(&pool, row);
    // Trailing empty fields are dropped; a data row left empty is not written.
    T_BoxField* last = nullptr;
    for (T_BoxField* f = firstField; f && f->index < pool.fieldCount; f = f->next)
      if (f->cellText && f->cellText[0]) last = f;
    bool header = row < headerRowCount;
    if (!last && !header) continue;
    WriteRowTitle(&writer, row);
    if (last) {
      for (T_BoxField* f = firstField->next; f && f->index <= last->index; f = f->next) {
        writer.WriteSeparator();
        writer.WriteCell(PlainCell(this, f, &scratch));
      }
    }
    writer.WriteLineEnd();
  }
  TextBufFree(&scratch);
  pool.Free();
}

void T_BoxWin::WriteText(T_OStream* stream, int32_t flags) {
  if (!firstField) return;
  OutputNumberFormat numbers(output.decimalSeparator, output.thousandsSeparator, false);
  if (output.format == kOutputHtml) {
    if (!(flags & kExportAppendNonEmpty)) {
      stream->PutText("<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">");
      stream->PutBytes(stream->newline, stream->newlineLength);
    }
    WriteHtmlPage(stream);
  } else if (output.format == kOutputXml) {
    if (!(flags & kExportAppendNonEmpty)) stream->PutXmlProlog();
    WriteXml(stream);
  } else {
    WriteTextOutput(stream);
  }
}

// --- Copy Table -------------------------------------------------------------------------------------

bool T_BoxWin::BuildCopyTableText(T_OStream* out) {
  const CopyTableSettings* settings = CopyTableCurrent();
  T_OStream& stream = *out;
  TextCellWriter writer;
  writer.SetUp(&stream, settings);
  OutputNumberFormat numbers(settings->decimalSeparator, settings->thousandsSeparator, false);
  WriteTextHead(this, &writer, settings->flagW, settings->flagN, settings->flagE, settings->flagX);
  int64_t first = 0;
  int64_t end = rowCount;
  if (settings->code == kCopyVisibleRows) {
    first = GetTopRow();
    end = GetLastVisibleRow() + 1;
  }
  int64_t limit = settings->code >= 1 && settings->code <= 4 ? kCopyLimits[settings->code] : 0;
  RowTextPool pool;
  bool ok = pool.Init();
  T_TextBuf scratch;
  TextBufInit(&scratch);
  for (int64_t row = first; ok && row < end && !AbortRequested(); ++row) {
    GetRowTexts(&pool, row);
    WriteRowTitle(&writer, row);
    for (T_BoxField* f = firstField ? firstField->next : nullptr; f && f->index < pool.fieldCount;
         f = f->next) {
      writer.WriteSeparator();
      writer.WriteCell(PlainCell(this, f, &scratch));
    }
    writer.WriteLineEnd();
    if (limit && stream.BufferedLength() >= limit) break;
  }
  TextBufFree(&scratch);
  pool.Free();
  return ok;
}

bool T_BoxWin::CopyTable() {
  Calculate(true);
  if (AbortRequested()) return false;
  void* probe = MemNew(20480);
  if (!probe) return false;
  MemFree(probe);
  if (viewMode != 0) return CopyChart();
  T_OStream stream;
  if (!BuildCopyTableText(&stream)) return false;
  int64_t n = stream.BufferedLength();
  return ClipboardSetText(reinterpret_cast<const char*>(stream.start),
                          static_cast<int32_t>(std::min<int64_t>(n, INT32_MAX)), 0);
}

void T_BoxWin::CopyRange(T_OStream* stream, bool privateFormat) {
  if (!HasRange()) return;
  const CopyTableSettings* settings = CopyTableCurrent();
  TextCellWriter writer;
  writer.SetUp(stream, settings);
  OutputNumberFormat numbers(settings->decimalSeparator, settings->thousandsSeparator, false);
  int64_t r0 = std::min(rangeAnchorRow, rangeEndRow);
  int64_t r1 = std::max(rangeAnchorRow, rangeEndRow);
  int32_t f0 = 0;
  int32_t f1 = static_cast<int32_t>(fieldCount) - 1;
  if (rangeAnchorField >= 0 && rangeEndField >= 0) {
    f0 = std::min(rangeAnchorField, rangeEndField);
    f1 = std::max(rangeAnchorField, rangeEndField);
  }
  RowTextPool pool;
  if (pool.Init()) {
    T_TextBuf scratch;
    TextBufInit(&scratch);
    int64_t cells = 0;
    for (int64_t row = r0; row <= r1; ++row) {
      if (row > r0) writer.WriteLineEnd();
      GetRowTexts(&pool, row);
      for (T_BoxField* f = GetField(f0); f && f->index <= f1; f = f->next) {
        if (f->index > f0) writer.WriteSeparator();
        if (privateFormat)
          WriteCellText(stream, row, f);
        else
          writer.WriteCell(PlainCell(this, f, &scratch));
        ++cells;
      }
    }
    // A single cell is copied without a line end.
    if (cells > 1) writer.WriteLineEnd();
    TextBufFree(&scratch);
    pool.Free();
  }
}
