// The HTML page of a box window, its style sheet, the web table with sort links and paging, and
// the notes in HTML and XML. No cell or title text becomes markup: every text goes through the
// stream's escaper or the link writer.
#include <algorithm>
#include <cstring>

#include "analysis/boxwin/box_output.h"
#include "core/alert.h"
#include "core/memory.h"
#include "core/localized_text.h"
#include "core/output_stream.h"
#include "core/value_format.h"
#include "database/base.h"
#include "ui/graphics_port.h"
#include "ui/link_markup.h"
#include "ui/window_utilities.h"

namespace {

const char* FileNamePart(const char* path) {
  const char* name = path;
  for (const char* p = path; *p; ++p)
    if (*p == '\\' || *p == '/' || *p == ':') name = p + 1;
  return name;
}

constexpr uint32_t kCalcErrorText = 2819;

void Line(T_OStream* stream, const char* text) {
  stream->PutText(text);
  stream->PutBytes(stream->newline, stream->newlineLength);
}
void LineEnd(T_OStream* stream) { stream->PutBytes(stream->newline, stream->newlineLength); }

// A palette colour as its HTML name or "#rrggbb".
void PutColour(T_OStream* stream, uint32_t index) {
  COLORREF c = PaletteColour(static_cast<int32_t>(index));
  char hex[8];
  snprintf(hex, sizeof hex, "#%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
  stream->PutText(hex);
}

void PutNotesLines(T_BoxWin* window, T_OStream* stream) {
  T_TextBuf line;
  const char* cursor = window->notes;
  for (bool first = true; TakeNotesLine(&cursor, &line); first = false) {
    if (!first) Line(stream, "<br/>");
    LinkText_WriteHtml(window->linkContext, stream, line.data);
  }
}

}  // namespace

void T_BoxWin::WriteStyleSheet(T_OStream* stream) {
  static const char* const kRules[] = {
      "<style type=\"text/css\">",
      "body {background-color: #FFFFFF; margin: 8}",
      "td.analysistitle {font-family: Arial; padding-bottom: 10px}",
      "span.basetitle {color: #E35C2F; font-size: 10pt; font-weight: bold}",
      "span.analysistitle {color: #505050; font-size: 14pt}",
      "td.notes {padding-bottom: 16px}",
      "p.notes {background-color: #F4F3BF; font-family: Times; font-size: 10pt; border: 0 ridge; "
      "padding: 5px 10px}",
      "td.definition {font-family: Arial; font-size: 10pt; padding-bottom: 12px}",
      "table.definition {font-family: Arial; font-size: 8pt; padding-left: 10px}",
      "table.analysis {background-color: #FFFFFF; font-family: Arial; font-size: 8pt; border: 1 "
      "solid #F0F0F0}",
      "tr.columntitles {background-color: #D5E3F1}",
      "tr.gridline {background-color: #EEF2FA}",
      "td.cardtitle {font-family: Arial; font-size: 10pt; padding-bottom: 8px}",
  };
  for (const char* rule : kRules) Line(stream, rule);
  int32_t depth = GetTreeDepth();
  int32_t step = depth < 6 ? 11 : depth <= 8 ? 10 : 9;
  for (int32_t n = 1; n <= depth; ++n) {
    stream->PutText("p.level");
    stream->PutInt(n);
    stream->PutText(" {padding-left: ");
    stream->PutInt(n * step);
    Line(stream, "px}");
  }
  Line(stream, "</style>");
}

void T_BoxWin::WriteNotesHtml(T_OStream* stream) {
  if (!notes || !notes[0]) return;
  stream->PutHtmlComment("analysis notes");
  Line(stream, "<tr><td class=\"notes\">");
  Line(stream, "<p class=\"notes\">");
  PutNotesLines(this, stream);
  LineEnd(stream);
  Line(stream, "</p>");
  Line(stream, "</td></tr>");
  LineEnd(stream);
}

void T_BoxWin::WriteHtmlPage(T_OStream* stream) {
  stream->namedEntities = output.entityNames;
  Line(stream, "<html>");
  Line(stream, "<head>");
  stream->PutHtmlMetaCharset();
  WriteStyleSheet(stream);
  if (output.windowTitle) {
    stream->PutText("<title>");
    stream->PutEscaped(Title());
    Line(stream, "</title>");
    LineEnd(stream);
  }
  Line(stream, "</head>");
  LineEnd(stream);
  Line(stream, "<body>");
  Line(stream, "<table border=\"0\" cellspacing=\"0\" cellpadding=\"0\">");
  LineEnd(stream);
  if (output.windowTitle) {
    stream->PutHtmlComment("analysis title");
    Line(stream, "<tr><td class=\"analysistitle\">");
    stream->PutText("<span class=\"basetitle\">");
    if (database && database->path) stream->PutEscaped(FileNamePart(database->path->data));
    Line(stream, "</span><br/>");
    stream->PutText("<span class=\"analysistitle\">");
    stream->PutEscaped(Title());
    Line(stream, "</span><br/>");
    Line(stream, "</td></tr>");
    LineEnd(stream);
  }
  if (output.notes) WriteNotesHtml(stream);
  if (output.definition) {
    stream->PutHtmlComment("analysis definition");
    WriteHtmlDefinition(stream);
  }
  WriteHtmlData(stream);
  Line(stream, "</table>");
  Line(stream, "</body>");
  Line(stream, "</html>");
}

void T_BoxWin::WriteHtmlData(T_OStream* stream) {
  stream->PutHtmlComment("analysis data");
  Line(stream, "<tr><td>");
  Line(stream, "<table border=\"0\" cellspacing=\"0\" cellpadding=\"2\" class=\"analysis\">");
  T_TextBuf text;
  TextBufInit(&text);
  int64_t rowNumber = 0;
  if (output.columnTitles) {
    ++rowNumber;
    Line(stream, "<tr class=\"columntitles\">");
    for (T_BoxField* f = firstField; f; f = f->next) {
      stream->PutText("<th");
      if (output.columnWidths) stream->PutIntAttribute("width", f->Width());
      stream->PutAttribute("align", f->IsRightAligned() ? "right" : "left");
      stream->PutText(">");
      if (f->IsBold()) stream->PutText("<b>");
      f->GetOutputTitle(&text, true);
      stream->PutEscaped(text.data);
      if (f->IsBold()) stream->PutText("</b>");
      stream->PutText("</th>");
      LineEnd(stream);
    }
    Line(stream, "</tr>");
    LineEnd(stream);
  }
  RowTextPool pool;
  if (pool.Init()) {
    int64_t first = output.headerRows ? 0 : headerRowCount;
    int64_t end = output.dataRows ? rowCount : std::min(headerRowCount, rowCount);
    for (int64_t row = first; row < end && !AbortRequested(); ++row) {
      GetRowTexts(&pool, row);
      ++rowNumber;
      Line(stream, rowNumber % 2 ? "<tr class=\"gridline\">" : "<tr>");
      for (T_BoxField* f = firstField; f && f->index < pool.fieldCount; f = f->next) {
        stream->PutText("<td");
        if (rowNumber == 1 && output.columnWidths) stream->PutIntAttribute("width", f->Width());
        if (!f->cellText || !f->cellText[0]) {
          // "<td/>" is no empty element in HTML: a reader would open a cell that never ends.
          Line(stream, "></td>");
          continue;
        }
        if (f->IsRightAligned()) stream->PutAttribute("align", "right");
        stream->PutText(">");
        RowOutline outline;
        if (f == firstField) GetRowOutline(&outline, row);
        bool level = f == firstField && outline.kind && outline.level;
        if (level) {
          stream->PutText("<p class=\"level");
          stream->PutInt(static_cast<int32_t>(outline.level));
          stream->PutText("\">");
        }
        WriteHtmlCell(stream, row, f);
        if (level) stream->PutText("</p>");
        Line(stream, "</td>");
      }
      Line(stream, "</tr>");
      LineEnd(stream);
    }
    pool.Free();
  }
  TextBufFree(&text);
  Line(stream, "</table>");
  Line(stream, "</td></tr>");
  LineEnd(stream);
}

void T_BoxWin::WriteHtmlCell(T_OStream* stream, int64_t, T_BoxField* field) {
  bool colour = field->cellColour != 10;
  if (colour) {
    stream->PutText("<font color=\"");
    PutColour(stream, field->cellColour);
    stream->PutText("\">");
  }
  if (field->IsBold()) stream->PutText("<b>");
  const char* text = field->cellText ? field->cellText : "";
  if (field->linkMode >= 1 && field->linkMode <= 3 && LinkText_HasLinks(linkContext, text)) {
    LinkText_WriteHtml(linkContext, stream, text);
  } else if (output.excludeQuotes) {
    T_TextBuf plain;
    TextBufInit(&plain);
    TextBufAssign(&plain, text);
    TextBufRemoveChar(&plain, '"');
    TextBufRemoveChar(&plain, '\'');
    stream->PutEscaped(plain.data);
    TextBufFree(&plain);
  } else {
    stream->PutEscaped(text);
  }
  if (field->IsBold()) stream->PutText("</b>");
  if (colour) stream->PutText("</font>");
}

// --- The web table ----------------------------------------------------------------------------------

void SortLinkAddress(T_TextBuf* out, const char* address, const char* key) {
  TextBufAssign(out, "");
  const char* query = strchr(address, '?');
  int32_t baseLength = query ? static_cast<int32_t>(query - address) : static_cast<int32_t>(strlen(address));
  T_TextBuf kept;
  TextBufInit(&kept);
  TextBufAssignBytes(&kept, address, baseLength);
  char joiner = '?';
  for (const char* p = query ? query + 1 : nullptr; p && *p;) {
    const char* end = strchr(p, '&');
    int32_t n = end ? static_cast<int32_t>(end - p) : static_cast<int32_t>(strlen(p));
    bool drop = (n >= 5 && strncmp(p, "sort=", 5) == 0) ||
                (n >= 5 && strncmp(p, "page=", 5) == 0 && !(n == 8 && strncmp(p, "page=all", 8) == 0));
    if (!drop && n > 0) {
      TextBufAppendChar(&kept, joiner);
      TextBufAppendBytes(&kept, p, n);
      joiner = '&';
    }
    p = end ? end + 1 : p + n;
  }
  TextBufAppendChar(&kept, joiner);
  TextBufAppend(&kept, "sort=");
  TextBufAppend(&kept, key);
  // The served address is not ours: keep it from ending its attribute.
  for (int32_t i = 0; i < kept.length; ++i) {
    char c = kept.data[i];
    if (c == '"')
      TextBufAppend(out, "%22");
    else if (c == '<')
      TextBufAppend(out, "%3C");
    else if (c == '>')
      TextBufAppend(out, "%3E");
    else
      TextBufAppendChar(out, c);
  }
  TextBufFree(&kept);
}

void T_BoxWin::WriteHtmlRows(T_OStream* stream, int64_t firstRow, int64_t lastRow) {
  stream->PutHtmlComment(windowKind == kWindowCardEditor ? "card data" : "analysis data");
  Line(stream, "<tr><td>");
  Line(stream, "<table border=\"0\" cellspacing=\"0\" cellpadding=\"2\" class=\"analysis\">");
  Line(stream, "<tr class=\"columntitles\">");
  T_TextBuf text;
  TextBufInit(&text);
  T_TextBuf key;
  TextBufInit(&key);
  T_TextBuf url;
  TextBufInit(&url);
  T_TextBuf link;
  TextBufInit(&link);
  for (T_BoxField* f = firstField; f; f = f->next) {
    stream->PutText("<th");
    stream->PutIntAttribute("width", f->Width());
    stream->PutAttribute("align", f->IsRightAligned() ? "right" : "left");
    stream->PutText(">");
    TextBufAssign(&key, "");
    GetFieldSortKey(f, &key);
    bool linked = key.length > 0;
    if (linked) {
      TextBufAssign(&url, "");
      BoxServices().webSelfUrl(&url);
      SortLinkAddress(&link, url.data, key.data);
      stream->PutText("<a class=\"columntitle\" href=\"");
      stream->PutText(link.data);
      stream->PutText("\">");
    }
    f->GetOutputTitle(&text, false);
    LinkText_WriteHtml(linkContext, stream, text.data);
    if (f->markerPicture == kMarkerDescending) stream->PutText("&nbsp;&nabla;");
    if (f->markerPicture == kMarkerAscending) stream->PutText("&nbsp;&Delta;");
    if (linked) stream->PutText("</a>");
    Line(stream, "</th>");
  }
  Line(stream, "</tr>");
  LineEnd(stream);
  RowTextPool pool;
  if (pool.Init()) {
    int64_t stripeStart = firstRow;
    for (int64_t position = firstRow; position <= lastRow && !AbortRequested(); ++position) {
      int64_t row = MapRow(position);
      if (GetRowHeight(row) < 2) {
        ++stripeStart;
        continue;
      }
      if (!IsDataRow(row)) stripeStart = position;
      GetRowTexts(&pool, row);
      bool empty = true;
      for (T_BoxField* f = firstField; f && f->index < pool.fieldCount; f = f->next)
        if (f->cellText && f->cellText[0]) empty = false;
      if (empty) {
        Line(stream, "<tr><td><br/></td></tr>");
        stripeStart = position;
        continue;
      }
      Line(stream, (position - stripeStart) % 2 ? "<tr class=\"gridline\">" : "<tr>");
      for (T_BoxField* f = firstField; f && f->index < pool.fieldCount; f = f->next) {
        if (!f->cellText || !f->cellText[0]) {
          Line(stream, "<td></td>");
          continue;
        }
        stream->PutText("<td");
        if (f->IsRightAligned()) stream->PutAttribute("align", "right");
        stream->PutText(">");
        WriteHtmlCell(stream, row, f);
        Line(stream, "</td>");
      }
      Line(stream, "</tr>");
      LineEnd(stream);
    }
    pool.Free();
  }
  TextBufFree(&link);
  TextBufFree(&url);
  TextBufFree(&key);
  TextBufFree(&text);
  Line(stream, "</table>");
  Line(stream, "</td></tr>");
  LineEnd(stream);
}

int64_t T_BoxWin::WebPageCount() {
  if (pageCount > 0) return pageCount;
  pagedRowCount = PrepareRowList();
  int64_t n = pagedRowCount;
  MemFree(pageStarts);
  pageStarts = nullptr;
  if (n <= 0) return pageCount = 0;
  if (n < 45) return pageCount = 1;
  if (windowKind != kWindowCards && windowKind != kWindowCardEditor)
    return pageCount = (n + 35) / kWebPageRows;
  // Card pages end at a card boundary: the latest row from start + 33 to start + 43 that is not a
  // data row while the row before it is; after 40 rows when there is none.
  int64_t most = n / 33 + 2;
  pageStarts = static_cast<int64_t*>(MemNew(sizeof(int64_t) * most));
  if (!pageStarts) return pageCount = (n + 35) / kWebPageRows;
  int64_t pages = 0;
  int64_t start = 0;
  pageStarts[pages++] = 0;
  while (n - start >= 45 && pages < most) {
    int64_t next = start + kWebPageRows;
    for (int64_t p = start + 43; p >= start + 33; --p) {
      if (!IsDataRow(MapRow(p)) && IsDataRow(MapRow(p - 1))) {
        next = p;
        break;
      }
    }
    pageStarts[pages++] = next;
    start = next;
  }
  return pageCount = pages;
}

void T_BoxWin::WriteWebPage(T_OStream* stream, int64_t page) {
  int64_t pages = WebPageCount();
  OutputNumberFormat numbers(output.decimalSeparator, output.thousandsSeparator, true);
  if (page > pages || page == -3) page = pages;
  int64_t first = 0;
  int64_t last = pagedRowCount - 1;
  if (page >= 1 && pageStarts) {
    first = pageStarts[page - 1];
    last = page == pages ? pagedRowCount - 1 : pageStarts[page] - 1;
  } else if (page >= 1) {
    first = (page - 1) * kWebPageRows;
    last = page == pages ? pagedRowCount - 1 : first + kWebPageRows - 1;
  }
  if (page <= 1) WriteNotesHtml(stream);
  WriteHtmlRows(stream, first, last);
  if (PendingError.request.message > 0) {
    Line(stream, "<tr><td class=\"notes\"><p class=\"notes\">");
    stream->PutEscaped(GetString(kCalcErrorText));
    stream->PutText("<br>");
    stream->PutInt(PendingError.request.message);
    stream->PutText(": ");
    T_TextBuf message;
    TextBufInit(&message);
    AlertFormatText(&PendingError.request, &message);
    stream->PutEscaped(message.data);
    TextBufFree(&message);
    Line(stream, "</p></td></tr>");
    PendingErrorClear();
  }
}

void T_BoxWin::WriteNotesXml(T_OStream* stream) {
  if (!output.notes || !notes || !notes[0]) return;
  stream->PutText("<notes>");
  LineEnd(stream);
  stream->PutEscaped(notes);
  LineEnd(stream);
  stream->PutText("</notes>");
  LineEnd(stream);
  LineEnd(stream);
}
