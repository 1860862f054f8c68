// The lines window beyond the screen: card ids as card links in the HTML and private-format
// outputs, the selection as the definition of the text, HTML and XML outputs and of the printed
// page, the sort keys of the web table's column titles, and which cells a press selects.
#include <cstring>

#include "analysis/boxwin/box_output.h"
#include "analysis/boxwin/box_print.h"
#include "analysis/time/lines_window.h"
#include "core/output_stream.h"
#include "database/card_selection.h"
#include "ui/clipboard_data.h"
#include "ui/link_handler.h"
#include "ui/link_markup.h"

namespace {

T_LinkHandler* CardLinkHandler(T_LinkContext* context) {
  for (T_LinkHandler* h = context ? context->firstHandler : nullptr; h; h = h->next)
    if (std::strcmp(h->tag, "card") == 0) return h;
  return nullptr;
}

}  // namespace

bool T_Lines::IsCardLinkCell(int64_t position, T_BoxField* field) {
  return field && field == columnFields[kLinesCardId] && IsDataRow(position) && field->cellText &&
         field->cellText[0];
}

void T_Lines::WriteHtmlCell(T_OStream* stream, int64_t position, T_BoxField* field) {
  T_LinkHandler* handler = CardLinkHandler(linkContext);
  if (!handler || !IsCardLinkCell(position, field)) {
    T_BoxWin::WriteHtmlCell(stream, position, field);
    return;
  }
  handler->WriteLink(stream, field->cellText, field->cellText);
}

void T_Lines::WriteCellText(T_OStream* stream, int64_t position, T_BoxField* field) {
  T_LinkHandler* handler = CardLinkHandler(linkContext);
  if (!handler || !IsCardLinkCell(position, field)) {
    T_BoxWin::WriteCellText(stream, position, field);
    return;
  }
  LinkRef link;
  link.context = linkContext;
  link.kind = kLinkHandler;
  link.handler = handler;
  TextBufAssign(&link.text, field->cellText);
  TextBufAssign(&link.target, field->cellText);
  T_TextBuf markup;
  LinkRef_WriteMarkup(&link, &markup);
  stream->PutTextBuf(&markup);
}

void T_Lines::WriteDefinition(TextCellWriter* writer) {
  Selection_writeDefinitionText(&selection, writer->stream);
}

void T_Lines::WriteHtmlDefinition(T_OStream* stream) {
  Selection_writeHtmlDefinition(&selection, stream);
}

void T_Lines::WriteXmlDefinition(T_OStream* stream) { Selection_writeXml(&selection, stream); }

void T_Lines::PrintPart(BoxDrawRecord* record) {
  if (!PrintSelectionDefinition(record, &selection)) T_BoxWin::PrintPart(record);
}

void T_Lines::GetFieldSortKey(T_BoxField* field, T_TextBuf* key) {
  for (int32_t code = 0; code < kLinesColumnCount; ++code) {
    if (columnFields[code] != field) continue;
    if (code == kLinesAccumulated) return;
    // The order the column has as a key of the window, else the default order.
    LinesSortKey sortKey;
    LinesSortKeyReset(&sortKey, code);
    for (int32_t k = 0; k < options.sortKeyCount; ++k)
      if (options.sortKeys[k].column == code) sortKey = options.sortKeys[k];
    LinesColumnName(database, code, key);
    TextBufAppendChar(key, ':');
    TextBufAppendChar(key, LinesSortKeyLetter(&sortKey));
    return;
  }
}

void T_Lines::SelectRange(CellRange* range) {
  const int64_t position = range->anchorRow;
  if (position < 0 || position >= rowCount) return;
  if (position < headerRowCount) {
    const int32_t id =
        LinesRowAt(&data, LinesDisplayRow(&data, position))->statistic - kStatFirstText;
    const bool opens = id == kStatBefore || id == kStatPositive || id == kStatNegative ||
                       id == kStatAfter || id == kStatMaximum || id == kStatMinimum;
    const bool shown = options.columns[kLinesValueFirst].shown || options.columns[kLinesAccumulated].shown;
    if (!opens || !shown) {
      range->firstRow = -2;
      return;
    }
    range->firstRow = range->lastRow = position;
    range->firstField = range->lastField = range->anchorField;
    return;
  }
  // The run of adjacent display rows of the same card.
  const CardRecord* card = LinesRowAt(&data, LinesDisplayRow(&data, position))->card;
  int64_t first = position;
  while (first > headerRowCount &&
         LinesRowAt(&data, LinesDisplayRow(&data, first - 1))->card == card)
    --first;
  int64_t last = position;
  while (last + 1 < rowCount && LinesRowAt(&data, LinesDisplayRow(&data, last + 1))->card == card)
    ++last;
  range->firstRow = first;
  range->lastRow = last;
  range->firstField = 0;
  range->lastField = static_cast<int32_t>(fieldCount) - 1;
}

void T_Lines::WriteSelectionText(T_OStream* stream) {
  stream->PutLine("## Selection");
  Selection_writeKeys(&selection, stream, 'V');
  const char column[2] = {static_cast<char>('A' + options.accumulated), 0};
  stream->PutKeyTextLine("VF", column);
  const char decimals[3] = {'D', "0123456FTM"[options.columns[kLinesValueFirst].decimals % 10], 0};
  stream->PutKeyTextLine("VZ", decimals);
}

bool T_Lines::CopySelectionText() {
  T_OStream stream;
  WriteSelectionText(&stream);
  return ClipboardSetText(reinterpret_cast<const char*>(stream.start),
                          static_cast<int32_t>(stream.BufferedLength()), 0);
}
