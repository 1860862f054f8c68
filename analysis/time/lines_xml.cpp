// The lines window as an XML document, every cell the text the screen shows:
//
//   <QEB-Lines title="...">              title only with the output option "wintitle"
//   (empty line)
//   <notes>...</notes>                   with "notes", when there are notes
//   <selection>...</selection>           with "definition"
//   <period-value>..</period-value>      with "headers": one element per statistic row, named
//   <period-accum>..</period-accum>      by its XML name; "period", "after", "average", "max"
//   <linecount>..</linecount>            and "min" give "-value" and "-accum", the others one
//   (empty line)                         element from value column 1
//   <line>                               with "datarows": one per data row that has a text
//   <card-id>..</card-id>                the shown columns in field order; "dim" with num = the
//   <value num="1">..</value>            dimension number, "value" and "accum" with num = the
//   </line>                              column number when there are two value columns or more
//   (empty line)
//   </QEB-Lines>
#include <cstring>

#include "analysis/time/lines_window.h"
#include "core/output_stream.h"
#include "core/alert.h"
#include "database/base.h"

namespace {

bool HasText(const T_BoxField* field) {
  return field && field->cellText && field->cellText[0];
}

void PutNumberedElement(T_OStream* stream, const char* name, int32_t number, const char* text) {
  stream->PutChar('<');
  stream->PutText(name);
  if (number > 0) stream->PutIntAttribute("num", number);
  stream->PutChar('>');
  stream->PutEscaped(text);
  stream->PutText("</");
  stream->PutText(name);
  stream->PutChar('>');
  stream->PutNewline();
}

// The XML name of a column and its "num" (0 for none).
const char* ColumnElement(int32_t code, bool numbered, int32_t accumulated, int32_t* number) {
  *number = 0;
  if (code == kLinesCardId) return "card-id";
  if (code == kLinesDate) return "date";
  if (code == kLinesCardTitle) return "cardtitle";
  if (code == kLinesLineText) return "linetext";
  if (code == kLinesOrigin) return "origin";
  if (code == kLinesAccumulated) {
    if (numbered) *number = accumulated + 1;
    return "accum";
  }
  if (code >= kLinesValueFirst && code < kLinesAccumulated) {
    if (numbered) *number = code - kLinesValueFirst + 1;
    return "value";
  }
  if (code >= kLinesDimFirst && code < kLinesLineText) {
    *number = code - kLinesDimFirst + 1;
    return "dim";
  }
  return nullptr;
}

}  // namespace

void T_Lines::WriteXml(T_OStream* stream) { ExportLinesXML(this, stream); }

void ExportLinesXML(T_Lines* window, T_OStream* stream) {
  const OutputOptions& output = window->output;
  stream->PutText("<QEB-Lines");
  // An attribute escapes the title, so a title with "&" or "<" keeps the document readable.
  if (output.windowTitle) stream->PutAttribute("title", window->Title());
  stream->PutChar('>');
  stream->PutNewline();
  stream->PutNewline();
  window->WriteNotesXml(stream);
  if (output.definition) window->WriteXmlDefinition(stream);
  RowTextPool pool;
  if (!pool.Init()) {
    stream->PutLine("</QEB-Lines>");
    return;
  }
  T_BoxField* value1 = window->columnFields[kLinesValueFirst];
  T_BoxField* accumulated = window->columnFields[kLinesAccumulated];
  if (output.headerRows && window->headerRowCount > 0) {
    bool any = false;
    T_TextBuf name;
    for (int64_t position = 0; position < window->headerRowCount; ++position) {
      const int32_t id = LinesRowAt(&window->data, LinesDisplayRow(&window->data, position))
                             ->statistic;
      if (id == 0) continue;
      any = true;
      window->GetRowTexts(&pool, position);
      const char* base = LinesStatisticXmlName(id);
      const int32_t flag = id - kStatFirstText;
      const bool paired = flag == kStatPeriod || flag == kStatAfter || flag == kStatAverage ||
                          flag == kStatMaximum || flag == kStatMinimum;
      if (!paired) {
        if (HasText(value1)) stream->PutElement(base, value1->cellText);
        continue;
      }
      if (HasText(value1)) {
        TextBufAssign(&name, base);
        TextBufAppend(&name, "-value");
        stream->PutElement(name.data, value1->cellText);
      }
      if (HasText(accumulated)) {
        TextBufAssign(&name, base);
        TextBufAppend(&name, "-accum");
        stream->PutElement(name.data, accumulated->cellText);
      }
    }
    if (any) stream->PutNewline();
  }
  if (output.dataRows) {
    const bool numbered = window->database && window->database->valueCount >= 2;
    for (int64_t position = window->headerRowCount;
         position < window->rowCount && !AbortRequested(); ++position) {
      window->GetRowTexts(&pool, position);
      bool opened = false;
      for (T_BoxField* field = window->firstField; field; field = field->next) {
        if (!HasText(field)) continue;
        int32_t number = 0;
        const char* name = ColumnElement(window->ColumnOfField(field), numbered,
                                         window->options.accumulated, &number);
        if (!name) continue;
        if (!opened) stream->PutLine("<line>");
        opened = true;
        PutNumberedElement(stream, name, number, field->cellText);
      }
      if (opened) {
        stream->PutLine("</line>");
        stream->PutNewline();
      }
    }
  }
  pool.Free();
  stream->PutLine("</QEB-Lines>");
}
