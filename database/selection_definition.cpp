// The definition of a selection as exports and printouts show it: one row per criterion (the
// bounds always, the rest when set), as an HTML table, as text lines and as a printed block.
#include <vector>

#include "core/localized_text.h"
#include "core/output_stream.h"
#include "database/base.h"
#include "database/card_selection.h"
#include "ui/database_services.h"
#include "ui/graphics_port.h"
#include "ui/text_style.h"

namespace {

constexpr int32_t kTextDefinition = 1104;
constexpr int32_t kTextFrom = 3105;
constexpr int32_t kTextTo = 3106;
constexpr int32_t kTextNotes = 3506;
constexpr int32_t kTextSubset = 3135;

constexpr int32_t kHtmlLabelWidth = 80;

// The printed block: rows at least this high, labels this far in, in a column this wide, and
// values from this pixel on.
constexpr int32_t kPrintRowMinimum = 12;
constexpr int32_t kPrintLabelInset = 14;
constexpr int32_t kPrintLabelColumn = 78;
constexpr int32_t kPrintValueLeft = 79;

struct Row {
  T_TextBuf label;
  T_TextBuf value;
};

void AddRow(std::vector<Row>* rows, const char* label, const T_TextBuf* value) {
  rows->emplace_back();
  TextBufAssign(&rows->back().label, label);
  TextBufAssignBuf(&rows->back().value, value);
}

void AddFieldRow(std::vector<Row>* rows, T_Base* base, int32_t field, const char* value) {
  if (!value) return;
  T_TextBuf label, text(value);
  Database_FieldName(base, &label, field);
  AddRow(rows, label.data, &text);
}

// The rows in their order: From, To, each restricted dimension, card title, line text, notes,
// each value condition, subset.
std::vector<Row> DefinitionRows(CardSelection* selection) {
  T_Base* base = selection->components.database;
  std::vector<Row> rows;
  T_TextBuf text;
  DateRefToText(&selection->from, &text);
  AddRow(&rows, GetString(kTextFrom), &text);
  DateRefToText(&selection->to, &text);
  AddRow(&rows, GetString(kTextTo), &text);
  int32_t restricted[kDimensionCount];
  int32_t n = RestrictedDimensions(selection, restricted);
  for (int32_t i = 0; i < n; ++i) {
    CompSelPrintDimension(&selection->components, &text, restricted[i], ' ');
    AddRow(&rows, base ? base->GetDimSingular(restricted[i]) : "", &text);
  }
  AddFieldRow(&rows, base, kPatternCardTitle, selection->titleText);
  AddFieldRow(&rows, base, kPatternLineText, selection->lineText);
  if (selection->notesText) {
    TextBufAssign(&text, selection->notesText);
    AddRow(&rows, GetString(kTextNotes), &text);
  }
  int32_t columns = base ? base->valueCount : kMaxValueCount;
  for (int32_t column = 0; column < columns && column < kMaxValueCount; ++column)
    AddFieldRow(&rows, base, kFieldValueFirst + column, selection->valueTexts[column]);
  CombPrint(&selection->subset, &text, ' ');
  if (!text.empty()) AddRow(&rows, GetString(kTextSubset), &text);
  return rows;
}

void PutCell(T_OStream* stream, const char* open, const T_TextBuf* text) {
  stream->PutText(open);
  stream->PutEscaped(text->data);
  stream->PutText(" </td>");
}

}  // namespace

void Selection_writeHtmlDefinition(CardSelection* selection, T_OStream* stream) {
  std::vector<Row> rows = DefinitionRows(selection);
  stream->PutText("<tr><td class=\"definition\">");
  stream->PutEscaped(GetString(kTextDefinition));
  stream->PutNewline();
  stream->PutLine("<table border=\"0\" cellspacing=\"0\" cellpadding=\"1\" class=\"definition\">");
  T_TextBuf firstLabel("<td width=\"");
  TextBufAppendInt(&firstLabel, kHtmlLabelWidth);
  TextBufAppend(&firstLabel, "\"> ");
  bool first = true;
  for (const Row& row : rows) {
    stream->PutText("<tr>");
    PutCell(stream, first ? firstLabel.data : "<td> ", &row.label);
    PutCell(stream, "<td> ", &row.value);
    stream->PutText("</tr>");
    stream->PutNewline();
    first = false;
  }
  stream->PutText("</table>");
  stream->PutText("</td></tr>");
  stream->PutNewline();
}

void Selection_writeDefinitionText(CardSelection* selection, T_OStream* stream) {
  for (const Row& row : DefinitionRows(selection)) {
    stream->PutTextBuf(&row.label);
    stream->PutSeparator();
    stream->PutTextBuf(&row.value);
    stream->PutNewline();
  }
}

namespace {

int32_t PrintRowHeight() {
  int32_t height = TextExtent("Xg", 2).height;
  return height > kPrintRowMinimum ? height : kPrintRowMinimum;
}

}  // namespace

int32_t Selection_getDefinitionHeight(CardSelection* selection) {
  if (!Selection_isRestricted(selection)) return 0;
  return static_cast<int32_t>(DefinitionRows(selection).size()) * PrintRowHeight() + 2;
}

void Selection_drawDefinition(CardSelection* selection, const RECT* area) {
  if (!Selection_isRestricted(selection)) return;
  int32_t height = PrintRowHeight();
  int32_t y = area->top;
  for (const Row& row : DefinitionRows(selection)) {
    RECT label{area->left, y, area->left + kPrintLabelColumn, y + height};
    TextOut(area->left + kPrintLabelInset, y, &label, row.label.data, row.label.length);
    RECT value{area->left + kPrintValueLeft, y, area->right, y + height};
    TextOut(value.left, y, &value, row.value.data, row.value.length);
    y += height;
  }
}
