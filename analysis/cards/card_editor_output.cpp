// The card editor's output: the HTML card page (its rows through the box window, then the card's
// notes and signatures) and the rows that copying, exporting and printing walk.
#include "analysis/boxwin/box_output.h"
#include "analysis/cards/card_editor.h"
#include "core/localized_text.h"
#include "core/output_stream.h"
#include "ui/graphics_port.h"
#include "ui/text_layout.h"

namespace {

constexpr int32_t kTextCreated = 3502;  // then Modified, Examined, Approved
constexpr int32_t kStampLabelWidth = 68;
constexpr int32_t kStampColumnGap = 210;
constexpr int32_t kStampLineHeight = 14;

bool StampShown(const SignatureStamp& stamp) { return stamp.stamp != 0 || stamp.signature[0]; }

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

// Printing follows the rows with the card's notes and its four stamps: Created and Modified in one
// column, Examined and Approved in a second one to the right.
void T_CardEditor::PrintPart(BoxDrawRecord* record) {
  if (record->phase == 5 || record->phase == 6) {
    int32_t width = record->band.right - record->band.left;
    RECT notesRect{record->band.left, record->band.top, record->band.left + width, record->band.top};
    if (cardNotes && cardNotes[0]) {
      Gfx.style = defaultStyle;
      Gfx.style.flags |= kStyleWrap;
      PortApplyStyle();
      notesRect.bottom = record->band.top + 10000;
      TextFitRect(&notesRect, cardNotes);
    }
    bool stamps = StampShown(created) || StampShown(changed) || StampShown(examined) || StampShown(approved);
    int32_t stampsTop = notesRect.bottom + (notesRect.bottom > record->band.top ? 4 : 0);
    if (record->phase == 5) {
      record->height = stampsTop - record->band.top + (stamps ? 2 * kStampLineHeight : 0);
      return;
    }
    // The rows above left their clip in force.
    RECT band{record->band.left, record->band.top, record->band.right, record->band.top + record->height + 4000};
    PortSetClipRect(&band);
    if (cardNotes && cardNotes[0]) TextDrawInRect(&notesRect, cardNotes, nullptr);
    Gfx.style = defaultStyle;
    PortApplyStyle();
    const SignatureStamp* shown[4] = {&created, &changed, &examined, &approved};
    for (int32_t i = 0; i < 4 && stamps; ++i) {
      int32_t left = record->band.left + (i >= 2 ? kStampColumnGap : 0);
      int32_t top = stampsTop + (i % 2) * kStampLineHeight;
      RECT label{left, top, left + kStampLabelWidth, top + kStampLineHeight};
      TextDrawLine(&label, GetString(kTextCreated + i), nullptr);
      char text[32] = {};
      if (StampShown(*shown[i])) FormatSignatureStampCStr(text, shown[i]);
      RECT value{left + kStampLabelWidth, top, left + kStampColumnGap - 4, top + kStampLineHeight};
      TextDrawLine(&value, text, nullptr);
    }
    return;
  }
  T_BoxWin::PrintPart(record);
}
