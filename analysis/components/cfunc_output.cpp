// The component functions window's outputs: the "QEB-ComponentFunctions" XML, the definition
// as text and as HTML, the column sort keys and the windows it opens.
//
// XML form (lines end with CR LF):
//   <QEB-ComponentFunctions title="...">      title only when asked for and not empty
//                                             an empty line
//     notes, the definition                   when asked for
//     <component code="" text="" host="">     one per exported row; a dimension root has
//       <column name="title">cell</column>    root="name" instead; one per column after the
//     </component>                            labels, then an empty line
//   </QEB-ComponentFunctions>
#include <cstring>
#include <string>
#include <vector>

#include "analysis/boxwin/box_output.h"
#include "analysis/components/cfunc_definition.h"
#include "analysis/components/cfunc_window.h"
#include "core/alert.h"
#include "core/output_stream.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/components.h"
#include "database/date_ref.h"
#include "database/template_runner.h"
#include "ui/window_utilities.h"

namespace {

void LineEnd(T_OStream* stream) { stream->PutText("\r\n"); }

const char* FieldTitle(const T_CVariable* v) { return v->title && *v->title ? v->title : v->name; }

}  // namespace

void T_CFunc::WriteXml(T_OStream* stream) {
  stream->PutText("<QEB-ComponentFunctions");
  const char* title = Title();
  if (output.windowTitle && title && *title) stream->PutAttributeAlways("title", title);
  stream->PutChar('>');
  LineEnd(stream);
  LineEnd(stream);
  WriteNotesXml(stream);
  if (output.definition) WriteXmlDefinition(stream);
  RowTextPool pool;
  if (output.dataRows && rowCount > 0 && pool.Init()) {
    for (int64_t row = 0; row < rowCount && !AbortRequested(); ++row) {
      const int64_t node = RowNode(row);
      if (node < 0) break;
      const ComponentRecord* c = Node(node)->component;
      GetRowTexts(&pool, row);
      stream->PutText("<component");
      if (!c->parent) {
        const char* root = labelsField && labelsField->cellText ? labelsField->cellText : "";
        if (*root) stream->PutAttributeAlways("root", root);
      } else {
        stream->PutAttributeAlways("code", c->code ? c->code : "");
        stream->PutAttributeAlways("text", c->text ? c->text : "");
        stream->PutAttributeAlways("host", c->hostCode ? c->hostCode : "");
      }
      stream->PutChar('>');
      LineEnd(stream);
      for (T_BoxField* f = firstField ? firstField->next : nullptr; f; f = f->next) {
        auto* field = dynamic_cast<T_CFuncField*>(f);
        stream->PutText("<column");
        stream->PutAttributeAlways("name", field && field->variable ? FieldTitle(field->variable) : "");
        stream->PutChar('>');
        stream->PutEscaped(f->cellText ? f->cellText : "");
        stream->PutText("</column>");
        LineEnd(stream);
      }
      stream->PutText("</component>");
      LineEnd(stream);
      LineEnd(stream);
    }
    pool.Free();
  }
  stream->PutText("</QEB-ComponentFunctions>");
  LineEnd(stream);
}

void T_CFunc::WriteDefinition(TextCellWriter* writer) {
  WriteDefinitionTables(CFuncDefinitionTables(&data), writer, false);
}

void T_CFunc::WriteHtmlDefinition(T_OStream* stream) {
  for (const FunctionDefinitionTable& table : CFuncDefinitionTables(&data)) {
    stream->PutText("<tr><td class=\"definition\">");
    stream->PutEscaped(table.title.c_str());
    stream->PutText("\n<table border=\"0\" cellspacing=\"0\" cellpadding=\"1\" class=\"definition\">");
    // The names row sets the column widths.
    bool names = true;
    for (const FunctionDefinitionRow& row : table.rows) {
      stream->PutText("<tr>");
      HtmlWriteCell(stream, row.label.c_str(), names ? 80 : 0);
      for (const std::string& cell : row.cells) HtmlWriteCell(stream, cell.c_str(), names ? 110 : 0);
      stream->PutText("</tr>");
      names = false;
    }
    stream->PutText("</table>\n</td></tr>\n");
  }
}

void T_CFunc::GetFieldSortKey(T_BoxField* field, T_TextBuf* key) {
  TextBufAssign(key, "");
  auto* f = dynamic_cast<T_CFuncField*>(field);
  if (!f) return;
  if (!f->variable) {
    TextBufAssign(key, "-:");
    const char letter[2] = {LetterOfIndex(kTreeOrderLetters, treeOrder), 0};
    TextBufAppend(key, letter);
    return;
  }
  TextBufAssign(key, f->variable->name ? f->variable->name : "");
  const char letter[3] = {':', LetterOfIndex(kValueOrderLetters, valueOrder), 0};
  TextBufAppend(key, letter);
}

void T_CFunc::OpenWindowOfKind(int32_t kind) {
  if (kind == kTemplateComponentFunctions) OpenVariableIn(3147, nullptr, -1);
}
