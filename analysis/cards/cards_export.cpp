// The cards window's exports: the "##Cards" start of the text form, the "QEB-Cards" XML, the HTML
// page's data and the rows of a web page. Every text is the row's cell text as the window shows
// it (FormatRow) and goes through the stream's escaper or the link writer.
//
// XML form:
//   <QEB-Cards title="...">         title only with the window-title option
//   <notes>..</notes>               the window's notes, with the notes option
//   <selection>..</selection>       with the definition option
//   <card>                          one per card row, in display order
//   <id>..</id> <date>..</date> <title>..</title>
//   <group>
//     <dim num="1">..</dim>        group rows: two blanks
//     <line>
//       <dim num="2">..</dim> <text>..</text> <value num="n">..</value> <origin>..</origin>
//     </line>                      line rows: four blanks; "num" on values only with several
//   </group>
//   <notes>..</notes> <created>..</created> <modified> <examined> <approved>
//   </card>
//   </QEB-Cards>
// Empty cells write no element.
#include <cstring>

#include "analysis/boxwin/box_output.h"
#include "analysis/cards/cards_window.h"
#include "core/alert.h"
#include "core/localized_text.h"
#include "core/output_stream.h"
#include "core/packed_date.h"
#include "core/short_ids.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/object_services.h"
#include "ui/link_markup.h"

namespace {

constexpr int32_t kNoRow = -1;
constexpr int32_t kStampLabels[] = {3502, 3503, 3504, 3505};
constexpr const char* kStampElements[] = {"created", "modified", "examined", "approved"};

void LineEnd(T_OStream* stream) { stream->PutBytes(stream->newline, stream->newlineLength); }
void Line(T_OStream* stream, const char* text) {
  stream->PutText(text);
  LineEnd(stream);
}

const char* FileNamePart(const char* path) {
  const char* name = path;
  for (const char* p = path; *p; ++p)
    if (*p == '\\' || *p == '/' || *p == ':') name = p + 1;
  return name;
}

const SignatureStamp* CardStamp(const CardRecord* card, int32_t i) {
  switch (i) {
    case 0:
      return &card->created;
    case 1:
      return &card->changed;
    case 2:
      return &card->examined;
    default:
      return &card->approved;
  }
}

// The tags between the kind of the previous row and this one (kNoRow before the first row and at
// the end).
void XmlTransition(T_OStream* stream, int32_t previous, int32_t next) {
  if (previous == static_cast<int32_t>(kRowLine)) Line(stream, "  </line>");
  if ((previous == static_cast<int32_t>(kRowGroup) || previous == static_cast<int32_t>(kRowLine)) &&
      next != static_cast<int32_t>(kRowLine))
    Line(stream, "</group>");
  if (previous != kNoRow && (next == static_cast<int32_t>(kRowCard) || next == kNoRow)) {
    Line(stream, "</card>");
    LineEnd(stream);
  }
  if (next == static_cast<int32_t>(kRowCard)) Line(stream, "<card>");
  if (next == static_cast<int32_t>(kRowGroup)) Line(stream, "<group>");
  if (next == static_cast<int32_t>(kRowLine)) Line(stream, "  <line>");
}

void XmlElement(T_OStream* stream, const char* indent, const char* name, int32_t number,
                const char* text) {
  stream->PutText(indent);
  stream->PutChar('<');
  stream->PutText(name);
  if (number > 0) stream->PutIntAttribute("num", number);
  stream->PutChar('>');
  stream->PutEscaped(text);
  stream->PutText("</");
  stream->PutText(name);
  stream->PutChar('>');
  LineEnd(stream);
}

// The card's notes block: one paragraph, its lines joined by breaks; links live on web pages.
void WriteCardNotes(T_OStream* stream, const char* notes, T_LinkContext* links, bool web) {
  stream->PutHtmlComment("card notes");
  Line(stream, "<tr><td class=\"notes\">");
  Line(stream, "<p class=\"notes\">");
  T_TextBuf line;
  const char* cursor = notes;
  for (bool first = true; TakeNotesLine(&cursor, &line); first = false) {
    if (!first) Line(stream, "<br/>");
    if (web)
      LinkText_WriteHtml(links, stream, line.c_str());
    else
      stream->PutEscaped(line.c_str());
  }
  LineEnd(stream);
  Line(stream, "</p>");
  Line(stream, "</td></tr>");
}

}  // namespace

// --- Text
// ---------------------------------------------------------------------------------------------

void T_Cards::BeginTextOutput(T_OStream* stream) {
  // With the title on, the title cell completes a "##Cards" line that a reader of the text form
  // takes for a section of cards.
  bool groupsAndLines = groupsMode != kContentsNone && linesMode != kContentsNone;
  if (groupsAndLines && output.fieldSeparator == '\t' && output.quoteCharacter <= 1 &&
      output.windowTitle && output.dataRows) {
    stream->PutText("##Cards");
    stream->PutChar('\t');
  }
}

void T_Cards::WriteCellText(T_OStream* stream, int64_t row, T_BoxField* field) {
  T_BoxWin::WriteCellText(stream, row, field);
}

void T_Cards::WriteDefinition(TextCellWriter* writer) {
  Selection_writeDefinitionText(&selection, writer->stream);
}

void T_Cards::WriteHtmlDefinition(T_OStream* stream) {
  Selection_writeHtmlDefinition(&selection, stream);
}

void T_Cards::WriteXmlDefinition(T_OStream* stream) { Selection_writeXml(&selection, stream); }

// --- XML
// ----------------------------------------------------------------------------------------------

void T_Cards::WriteXml(T_OStream* stream) {
  stream->PutText("<QEB-Cards");
  if (output.windowTitle) stream->PutAttributeAlways("title", Title());
  stream->PutChar('>');
  LineEnd(stream);
  WriteNotesXml(stream);
  if (output.definition) WriteXmlDefinition(stream);
  if (!output.dataRows) {
    Line(stream, "</QEB-Cards>");
    return;
  }
  RowTextPool pool;
  if (!pool.Init()) {
    Line(stream, "</QEB-Cards>");
    return;
  }
  const bool numbered = database && database->valueCount > 1;
  int32_t previous = kNoRow;
  char stamp[40];
  for (int64_t position = 0; position < rowCount && !AbortRequested(); ++position) {
    const CardsRow* record = RowAt(position);
    if (!record) break;
    XmlTransition(stream, previous, static_cast<int32_t>(record->kind));
    previous = static_cast<int32_t>(record->kind);
    GetRowTexts(&pool, position);
    const char* indent = record->kind == kRowGroup ? "  " : record->kind == kRowLine ? "    " : "";
    for (T_BoxField* b = firstField; b; b = b->next) {
      auto* f = static_cast<T_CardsField*>(b);
      if (f->level != record->kind) continue;
      if (f->code == kColSignatures) {
        for (int32_t i = 0; i < 4; ++i) {
          const SignatureStamp* s = CardStamp(record->card, i);
          if (SignatureStampIsEmpty(s)) continue;
          FormatSignatureStampCStr(stamp, s);
          XmlElement(stream, indent, kStampElements[i], 0, stamp);
        }
        continue;
      }
      if (!f->cellText || !f->cellText[0]) continue;
      const char* name = nullptr;
      int32_t number = 0;
      switch (f->code) {
        case kColCardId:
          name = "id";
          break;
        case kColDate:
          name = "date";
          break;
        case kColTitle:
          name = "title";
          break;
        case kColLineText:
          name = "text";
          break;
        case kColOrigin:
          name = "origin";
          break;
        case kColNotes:
          name = "notes";
          break;
        default:
          if (int32_t d = CardsFieldDimension(f->code); d >= 0) {
            name = "dim";
            number = d + 1;
          } else if (int32_t column = CardsFieldColumn(f->code); column >= 0) {
            name = "value";
            number = numbered ? column + 1 : 0;
          }
          break;
      }
      if (name) XmlElement(stream, indent, name, number, f->cellText);
    }
  }
  XmlTransition(stream, previous, kNoRow);
  pool.Free();
  Line(stream, "</QEB-Cards>");
}

// --- HTML
// ---------------------------------------------------------------------------------------------

namespace {

// What the HTML page and the web rows share.
struct HtmlRowsWriter {
  T_Cards* window;
  T_OStream* stream;
  bool web;
  bool innerOpen = false;
  int64_t tableRow = 0;
  T_TextBuf groupText;

  void CloseInner() {
    if (!innerOpen) return;
    Line(stream, "</table>");
    Line(stream, "<br/>");
    Line(stream, "</td></tr>");
    LineEnd(stream);
    innerOpen = false;
  }

  // A line field of the inner table: dimension 0 to origin.
  static bool TableField(const T_CardsField* f) {
    return f->code >= kColDim0 && f->code <= kColOrigin;
  }

  // A left-aligned field that follows a right-aligned one starts a new column group.
  static bool StartsColumnGroup(const T_CardsField* f, const T_CardsField* before) {
    return before && before->IsRightAligned() && !f->IsRightAligned();
  }

  void OpenInner() {
    if (innerOpen) return;
    Line(stream, "<tr><td>");
    Line(stream, "<table border=\"0\" cellspacing=\"0\" cellpadding=\"2\" class=\"analysis\">");
    innerOpen = true;
    tableRow = 0;
    const OutputOptions& output = window->output;
    if (!web && !output.columnTitles) return;
    ++tableRow;
    Line(stream, "<tr class=\"columntitles\">");
    T_TextBuf title;
    const T_CardsField* before = nullptr;
    for (T_BoxField* b = window->firstField; b; b = b->next) {
      auto* f = static_cast<T_CardsField*>(b);
      if (!TableField(f)) continue;
      if (web && StartsColumnGroup(f, before)) Line(stream, "<th width=\"2\"></th>");
      before = f;
      stream->PutText("<th");
      if (web || output.columnWidths) stream->PutIntAttribute("width", f->Width());
      stream->PutAttribute("align", f->IsRightAligned() ? "right" : "left");
      stream->PutText(">");
      f->GetOutputTitle(&title, true);
      stream->PutEscaped(title.c_str());
      Line(stream, "</th>");
    }
    Line(stream, "</tr>");
  }

  void CardLink(const CardRecord* card) {
    T_Base* base = window->database;
    CardId id = CardGetId(card);
    T_TextBuf idText;
    FormatCardIdToString(&idText, &id, base ? base->cardDigits : 3);
    const char* path = base && base->path ? base->path->c_str() : "";
    if (web) {
      if (!WebMaySeeCards()) {
        stream->PutEscaped(idText.c_str());
        return;
      }
      WebBeginLink(stream, "data");
      T_TextBuf query("card=");
      AppendDatabaseShortId(&query, path);
      TextBufAppendChar(&query, ':');
      TextBufAppend(&query, idText.c_str());
      stream->PutEscaped(query.c_str());
      stream->PutText("\">");
      stream->PutEscaped(idText.c_str());
      stream->PutText("</a>");
      return;
    }
    T_TextBuf target("[");
    TextBufAppend(&target, path);
    TextBufAppendChar(&target, ']');
    TextBufAppend(&target, idText.c_str());
    stream->PutText("<a");
    stream->PutAttributeAlways("card", target.c_str());
    stream->PutText(">");
    stream->PutEscaped(FileNamePart(path));
    stream->PutText(": ");
    stream->PutEscaped(idText.c_str());
    stream->PutText("</a>");
  }

  void CardRow(const CardsRow* record) {
    CloseInner();
    stream->PutText("<tr><td class=\"cardtitle\">");
    bool first = true;
    for (int32_t code : {kColCardId, kColDate, kColTitle}) {
      T_CardsField* f = window->fields[code];
      if (!f || !f->cellText || !f->cellText[0]) continue;
      if (!first) stream->PutText(" &nbsp; ");
      first = false;
      if (code == kColCardId)
        CardLink(record->card);
      else
        stream->PutEscaped(f->cellText);
    }
    Line(stream, "</td></tr>");
  }

  void LineRow(int64_t position) {
    OpenInner();
    ++tableRow;
    const OutputOptions& output = window->output;
    Line(stream, tableRow % 2 ? "<tr class=\"gridline\">" : "<tr>");
    const T_CardsField* before = nullptr;
    for (T_BoxField* b = window->firstField; b; b = b->next) {
      auto* f = static_cast<T_CardsField*>(b);
      if (!TableField(f)) continue;
      if (web && StartsColumnGroup(f, before)) Line(stream, "<td></td>");
      before = f;
      const char* text = f->code == kColDim0 ? groupText.c_str() : f->cellText;
      stream->PutText("<td");
      if (!web && output.columnWidths && tableRow <= (output.columnTitles ? 2 : 1))
        stream->PutIntAttribute("width", f->Width());
      if (!text || !text[0]) {
        // "<td/>" is no empty element in HTML: a reader would open a cell that never ends.
        Line(stream, "></td>");
        continue;
      }
      if (f->IsRightAligned()) stream->PutAttribute("align", "right");
      stream->PutText(">");
      if (f->code == kColDim0)
        stream->PutEscaped(text);
      else
        window->WriteHtmlCell(stream, position, f);
      Line(stream, "</td>");
    }
    Line(stream, "</tr>");
  }

  void StampsRow(const CardRecord* card) {
    CloseInner();
    Line(stream, "<tr><td>");
    Line(stream,
         web ? "<table border=\"0\" cellspacing=\"0\" cellpadding=\"0\" class=\"analysis\">"
             : "<table border=\"0\" cellspacing=\"0\" cellpadding=\"0\" class=\"definition\">");
    char text[40];
    for (int32_t i = 0; i < 4; ++i) {
      const SignatureStamp* s = CardStamp(card, i);
      if (SignatureStampIsEmpty(s)) continue;
      FormatSignatureStampCStr(text, s);
      stream->PutText("<tr><td>");
      stream->PutEscaped(GetString(kStampLabels[i]));
      stream->PutText("</td><td>");
      stream->PutEscaped(text);
      Line(stream, "</td></tr>");
    }
    Line(stream, "</table>");
    Line(stream, "<br/>");
    Line(stream, "</td></tr>");
  }

  void Write(int64_t first, int64_t last) {
    RowTextPool pool;
    if (!pool.Init()) return;
    for (int64_t position = first; position <= last && !AbortRequested(); ++position) {
      const CardsRow* record = window->RowAt(position);
      if (!record) break;
      window->GetRowTexts(&pool, position);
      switch (record->kind) {
        case kRowCard:
          CardRow(record);
          break;
        case kRowGroup: {
          // Its text stands in the dimension-0 column of the lines that follow.
          T_CardsField* f = window->fields[kColDim0];
          TextBufAssign(&groupText, f ? f->cellText : nullptr);
          OpenInner();
          break;
        }
        case kRowLine:
          LineRow(position);
          break;
        case kRowNotes:
          CloseInner();
          WriteCardNotes(stream, record->card->notes, window->linkContext, web);
          break;
        default:
          StampsRow(record->card);
          break;
      }
    }
    CloseInner();
    pool.Free();
  }
};

}  // namespace

void T_Cards::WriteHtmlData(T_OStream* stream) {
  if (!output.dataRows) return;
  stream->PutHtmlComment("analysis data");
  HtmlRowsWriter writer{this, stream, false, false, 0, {}};
  writer.Write(0, rowCount - 1);
}

void T_Cards::WriteHtmlRows(T_OStream* stream, int64_t firstRow, int64_t lastRow) {
  stream->PutHtmlComment("analysis data");
  // A page that starts among the lines of a group starts at that group.
  while (firstRow > 0 && RowAt(firstRow) && RowAt(firstRow)->kind == kRowLine) --firstRow;
  HtmlRowsWriter writer{this, stream, true, false, 0, {}};
  writer.Write(firstRow, lastRow);
}

void T_Cards::WriteHtmlCell(T_OStream* stream, int64_t row, T_BoxField* field) {
  T_BoxWin::WriteHtmlCell(stream, row, field);
}
