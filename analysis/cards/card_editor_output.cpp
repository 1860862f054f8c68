// The card editor's output: the HTML card page (its rows through the box window, then the card's
// notes and signatures) and the rows that copying, exporting and printing walk.
#include "analysis/boxwin/box_output.h"
#include "analysis/cards/card_editor.h"
#include "core/localized_text.h"
#include "core/output_stream.h"

namespace {

constexpr int32_t kTextCreated = 3502;  // then Modified, Examined, Approved

void LineOut(T_OStream* stream, const char* text) {
  stream->PutText(text);
  stream->PutBytes(stream->newline, stream->newlineLength);
}

}  // namespace

void T_CardEditor::WriteHtmlRows(T_OStream* stream, int64_t firstRow, int64_t lastRow) {
  formattingOutput = 1;
  T_BoxWin::WriteHtmlRows(stream, firstRow, lastRow);
  formattingOutput = 0;
  if (!output.notes) return;
  if (cardNotes && cardNotes[0]) {
    stream->PutHtmlComment("card notes");
    stream->PutText("<tr><td class=\"notes\"><p class=\"notes\">");
    T_TextBuf line;
    const char* cursor = cardNotes;
    bool first = true;
    while (TakeNotesLine(&cursor, &line)) {
      if (!first) stream->PutText("<br/>");
      stream->PutEscaped(line.data);
      first = false;
    }
    LineOut(stream, "</p></td></tr>");
  }
  const SignatureStamp* stamps[4] = {&created, &changed, &examined, &approved};
  bool any = false;
  for (const SignatureStamp* s : stamps) any = any || s->stamp != 0 || s->signature[0];
  if (!any) return;
  stream->PutHtmlComment("card signatures");
  LineOut(stream, "<tr><td>");
  LineOut(stream, "<table border=\"0\" cellspacing=\"0\" cellpadding=\"0\" class=\"analysis\">");
  for (int32_t i = 0; i < 4; ++i) {
    if (stamps[i]->stamp == 0 && !stamps[i]->signature[0]) continue;
    char text[32] = {};
    FormatSignatureStampCStr(text, stamps[i]);
    stream->PutText("<tr><td>");
    stream->PutEscaped(GetString(kTextCreated + i));
    stream->PutText("</td><td>");
    stream->PutEscaped(text);
    LineOut(stream, "</td></tr>");
  }
  LineOut(stream, "</table>");
  LineOut(stream, "</td></tr>");
}
