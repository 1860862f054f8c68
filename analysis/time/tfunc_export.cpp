// The time functions window's XML, definition block, drill links and row ranges.
#include "analysis/time/tfunc_export.h"

#include <cstring>
#include <string>
#include <vector>

#include "analysis/boxwin/box_output.h"
#include "analysis/boxwin/box_window.h"
#include "analysis/components/function_templates.h"
#include "analysis/time/time_calculation.h"
#include "core/alert.h"
#include "core/localized_text.h"
#include "core/output_stream.h"
#include "core/placeholders.h"
#include "core/short_ids.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/component_selection.h"
#include "database/date_ref.h"
#include "ui/database_services.h"
#include "ui/link_markup.h"

namespace {

constexpr int32_t kTextMeasure = 5378;
constexpr int32_t kTextMoveSelection = 5368;
constexpr int32_t kTextFirstAccumulation = 5355;  // "By Period", "From Start"

// The variable's own bounds: a selection's, else the database's whole card range.
void OwnRange(const TFuncData* data, const T_TVariable* variable, CardId* from, CardId* to) {
  if (const T_TSelection* s = AsSelection(variable)) {
    *from = s->selection.from.cardId;
    *to = s->selection.to.cardId;
    return;
  }
  if (data->base) {
    data->base->GetCardIdBound(from, kDirectionFrom);
    data->base->GetCardIdBound(to, kDirectionTo);
  } else {
    *from = data->rangeStart;
    *to = data->rangeEnd;
  }
}

}  // namespace

const T_TSelection* AsSelection(const T_TVariable* v) {
  return v && v->kind == kVariableSelection ? static_cast<const T_TSelection*>(v) : nullptr;
}

// --- Row ranges ------------------------------------------------------------------------------------

void TFuncPeriodRange(const TFuncData* data, int64_t entry, const T_TVariable* variable,
                      CardId* from, CardId* to) {
  CardId ownFrom, ownTo;
  OwnRange(data, variable, &ownFrom, &ownTo);
  if (entry == kEntryBefore) {
    *from = ownFrom;
    *to = TFuncEntryAt(data, kEntryBefore)->end;
    return;
  }
  if (entry == kEntryTotals) {
    *from = data->showBefore ? ownFrom : data->rangeStart;
    *to = CardIdLess(&data->rangeEnd, &ownTo) ? data->rangeEnd : ownTo;
    return;
  }
  const TFuncEntry* e = TFuncEntryAt(data, entry);
  *to = e->end;
  if (data->typeInForce == kPeriodActiveDays) {
    *from = CardId{e->end.date, 1};
  } else if (IsActiveEntryType(data->typeInForce)) {
    *from = e->end;
  } else if (entry == kEntryFirstPeriod) {
    *from = CardId{data->firstDate, 1};
  } else {
    *from = TFuncEntryAt(data, entry - 1)->end;
    if (data->base)
      data->base->GetNextCardId(from);
    else
      CardIdNext(from);
    if (CardIdGreater(from, to)) *from = *to;
  }
  const T_TSelection* s = AsSelection(variable);
  if (s && s->accumulation == kAccumulateFromStart) *from = ownFrom;
}

// --- Drill links -----------------------------------------------------------------------------------

void TFuncDrillValue(T_TextBuf* value, const char* name, const CardId& from, const CardId& to) {
  TextBufAssign(value, "");
  AppendVariableShortId(value, name);
  TextBufAppendChar(value, ':');
  AppendCardShortId(value, &from, kDirectionFrom);
  if (CardIdGreater(&to, &from)) {
    TextBufAppendChar(value, '_');
    AppendCardShortId(value, &to, kDirectionTo);
  }
}

bool TFuncOpenDrillLink(T_OStream* stream, const TFuncData* data, int64_t entry,
                        const T_TVariable* variable, double value,
                        const T_TVariable* currentFormula) {
  if (!variable || value == 0 || !DrillDownAllowed()) return false;
  if (variable == currentFormula && variable->kind == kVariableFormula &&
      IsActiveEntryType(data->typeInForce))
    return false;
  T_TextBuf url;
  if (!BoxServices().webSelfUrl(&url)) return false;
  UrlRemoveParam(&url, "sort");
  UrlRemoveParam(&url, "page");
  CardId from, to;
  TFuncPeriodRange(data, entry, variable, &from, &to);
  T_TextBuf drill;
  TFuncDrillValue(&drill, variable->name, from, to);
  UrlAddParam(&url, "drill", drill.data);
  // Escaped like every other link of the pages: the served address holds the client's query.
  stream->PutText("<a class=\"data\" href=\"");
  stream->PutEscaped(url.data);
  stream->PutText("\">");
  return true;
}

// --- Label cells -----------------------------------------------------------------------------------

bool TFuncWriteLabelCell(T_OStream* stream, T_LinkContext* links, const TFuncData* data,
                         const char* label, bool html) {
  if (!label || !IsActiveEntryType(data->typeInForce)) return false;
  const char* blank = std::strchr(label, ' ');
  const size_t idLength = blank ? static_cast<size_t>(blank - label) : std::strlen(label);
  const char* dash = std::strchr(label, '-');
  if (idLength == 0 || !dash || dash >= label + idLength) return false;
  T_TextBuf text;
  TextBufAssign(&text, "card=\"");
  TextBufAppendBytes(&text, label, static_cast<int32_t>(idLength));
  TextBufAppendChar(&text, '"');
  if (blank) TextBufAppend(&text, blank);
  if (html)
    LinkText_WriteHtml(links, stream, text.data);
  else
    stream->PutText(text.data);
  return true;
}

// --- XML -------------------------------------------------------------------------------------------

void TFuncWriteXml(T_BoxWin* window, const TFuncData* data, const TFuncRowOrder* order,
                   T_OStream* stream) {
  const OutputOptions& output = window->output;
  stream->PutText("<QEB-TimeFunctions");
  if (output.windowTitle) stream->PutAttribute("title", window->Title());
  stream->PutChar('>');
  stream->PutNewline();
  window->WriteNotesXml(stream);
  if (output.definition) window->WriteXmlDefinition(stream);
  RowTextPool pool;
  if ((output.headerRows || output.dataRows) && pool.Init()) {
    T_TextBuf name;
    char date[64];
    const int64_t rows = TFuncRowCount(data);
    for (int64_t row = 0; row < rows && !AbortRequested(); ++row) {
      const int64_t entry = TFuncRowEntry(data, order, row);
      const bool before = entry == kEntryBefore;
      if (before ? !output.headerRows : !output.dataRows) continue;
      window->GetRowTexts(&pool, row);
      T_BoxField* label = window->firstField;
      if (before) {
        char* cursor = date;
        formatDate(&cursor, data->firstDate, DateStyleGet());
        *cursor = 0;
        stream->PutText("<before");
        stream->PutAttributeAlways("date", date);
      } else {
        stream->PutText("<period");
        stream->PutAttributeAlways("name", label && label->cellText ? label->cellText : "");
      }
      stream->PutChar('>');
      stream->PutNewline();
      for (T_BoxField* f = label ? label->next : nullptr; f; f = f->next) {
        f->GetPlainTitle(&name);
        stream->PutText("<column");
        stream->PutAttributeAlways("name", name.data);
        stream->PutChar('>');
        if (f->index < pool.fieldCount) stream->PutEscaped(f->cellText);
        stream->PutText("</column>");
        stream->PutNewline();
      }
      stream->PutText(before ? "</before>" : "</period>");
      stream->PutNewline();
      stream->PutNewline();
    }
    pool.Free();
  }
  stream->PutText("</QEB-TimeFunctions>");
  stream->PutNewline();
}

// --- Definition --------------------------------------------------------------------------------------

namespace {

using DefinitionRow = TFuncDefinitionRow;
using DefinitionTable = TFuncDefinitionTable;

std::string Block(const char* text) { return text ? text : ""; }

// A row of the cells of each variable, kept only when `always` or some cell has text.
template <typename Variable, typename Cell>
void AddRow(DefinitionTable* table, const std::vector<Variable*>& variables, std::string label,
            bool always, Cell cell) {
  std::vector<std::string> cells;
  for (Variable* v : variables) cells.push_back(cell(v));
  DefinitionAddRow(table, std::move(label), std::move(cells), always);
}

DefinitionTable SelectionTable(const TFuncData* data) {
  DefinitionTable table;
  table.title = DefinitionText(kDefinitionTextSelections);
  std::vector<T_TSelection*> list;
  std::vector<CardSelection*> selections;
  for (T_TSelection* s = data->selections; s; s = s->nextSelection) {
    list.push_back(s);
    selections.push_back(&s->selection);
  }
  AddRow(&table, list, DefinitionText(kDefinitionTextName), true,
         [](T_TSelection* s) { return Block(s->name); });
  AddRow(&table, list, DefinitionText(kDefinitionTextTitle), false,
         [](T_TSelection* s) { return Block(s->title); });
  bool measured = false, shifted = false;
  for (T_TSelection* s : list) {
    measured = measured || s->measure != kMeasureSum || s->accumulation != kAccumulateFromStart;
    shifted = shifted || s->shift.kind != 0;
  }
  if (measured) {
    AddRow(&table, list, DefinitionText(kTextMeasure), true, [](T_TSelection* s) {
      std::string text = DefinitionText(kMethodFirstText + s->measure);
      std::string accumulation = DefinitionText(kTextFirstAccumulation + (s->accumulation ? 1 : 0));
      for (char& c : accumulation) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      }
      return text + " " + accumulation;
    });
  }
  if (shifted) {
    AddRow(&table, list, DefinitionText(kTextMoveSelection), true, [](T_TSelection* s) {
      T_TextBuf text;
      TimeShiftDisplayText(&s->shift, &text);
      return std::string(text.data ? text.data : "");
    });
  }
  DefinitionAddCriteriaRows(&table, data->base, selections);
  return table;
}

DefinitionTable FormulaTable(const TFuncData* data) {
  DefinitionTable table;
  table.title = DefinitionText(kDefinitionTextFormulas);
  std::vector<T_TFormula*> list;
  for (T_TFormula* f = data->formulas; f; f = f->nextFormula) list.push_back(f);
  AddRow(&table, list, DefinitionText(kDefinitionTextName), true, [](T_TFormula* f) { return Block(f->name); });
  AddRow(&table, list, DefinitionText(kDefinitionTextTitle), false,
         [](T_TFormula* f) { return Block(f->title); });
  AddRow(&table, list, DefinitionText(kDefinitionTextFormula), true,
         [](T_TFormula* f) { return Block(f->text); });
  return table;
}

}  // namespace

std::vector<TFuncDefinitionTable> TFuncDefinitionTables(const TFuncData* data) {
  std::vector<DefinitionTable> tables;
  tables.push_back(SelectionTable(data));
  if (data->formulas) tables.push_back(FormulaTable(data));
  return tables;
}

void TFuncWriteDefinition(const TFuncData* data, TextCellWriter* writer) {
  WriteDefinitionTables(TFuncDefinitionTables(data), writer, true);
}

void TFuncWriteHtmlDefinition(const TFuncData* data, T_OStream* stream) {
  for (const DefinitionTable& table : TFuncDefinitionTables(data)) {
    stream->PutText("<tr><td class=\"definition\">");
    stream->PutEscaped(table.title.c_str());
    stream->PutNewline();
    stream->PutText(
        "<table border=\"0\" cellspacing=\"0\" cellpadding=\"1\" class=\"definition\">");
    stream->PutNewline();
    for (const DefinitionRow& row : table.rows) {
      stream->PutText("<tr><td width=\"80\">");
      stream->PutEscaped(row.label.c_str());
      stream->PutText("</td>");
      for (const std::string& cell : row.cells) {
        stream->PutText("<td>");
        stream->PutEscaped(cell.c_str());
        stream->PutText("</td>");
      }
      stream->PutText("</tr>");
      stream->PutNewline();
    }
    stream->PutText("</table>");
    stream->PutNewline();
    stream->PutText("</td></tr>");
    stream->PutNewline();
  }
}
