// The components window's outputs and the windows it opens: the "QEB-Components" XML, the HTML
// value cells with their drill links, the selection definition, the "## Selection" clipboard
// block, the lines behind a value and the "»" windows.
//
// XML form (lines end with CR LF):
//   <QEB-Components title="...">          title only when the window title is written
//     notes, <selection> ...               when the definition is written
//     <valuefield num="n" name="..."/>     only with more than one value column; num 1-based
//     <component code text host>           one per row, in row order; a dimension root has
//       <period>...</period>               root="name" instead; one element per value column
//     </component>                         with a text, named by its type's XML word
//   </QEB-Components>
#include <cmath>
#include <cstring>

#include "analysis/boxwin/box_output.h"
#include "analysis/boxwin/box_print.h"
#include "analysis/components/components_window.h"
#include "analysis/components/function_templates.h"
#include "analysis/time/lines_template.h"
#include "core/alert.h"
#include "core/input_stream.h"
#include "core/memory.h"
#include "core/output_stream.h"
#include "core/text_buffer.h"
#include "core/value_format.h"
#include "database/base.h"
#include "database/template_runner.h"
#include "database/template_tree.h"
#include "database/web_request.h"
#include "ui/clipboard_data.h"
#include "ui/sort_orders.h"
#include "ui/value_choosers.h"

namespace {

constexpr char kSelectionBlock[] = "## Selection";

void LineEnd(T_OStream* stream) { stream->PutText("\r\n"); }

}  // namespace

// --- XML ----------------------------------------------------------------------------------------

void T_Comps::WriteXml(T_OStream* stream) {
  stream->PutText("<QEB-Components");
  if (output.windowTitle) stream->PutAttributeAlways("title", Title());
  stream->PutChar('>');
  LineEnd(stream);
  WriteNotesXml(stream);
  if (output.definition) WriteXmlDefinition(stream);
  if (database->valueCount > 1) {
    T_TextBuf name;
    database->GetValueName(&name, valueColumn);
    stream->PutText("<valuefield");
    stream->PutIntAttribute("num", valueColumn + 1);
    stream->PutAttributeAlways("name", name.data);
    stream->PutText("/>");
    LineEnd(stream);
  }
  RowTextPool pool;
  if (output.dataRows && rowCount > 0 && pool.Init()) {
    T_TextBuf text;
    for (int64_t row = 0; row < rowCount && !AbortRequested(); ++row) {
      const int64_t node = RowNode(row);
      if (node < 0) break;
      const ComponentRecord* c = Node(node)->component;
      const int32_t d = live.dimension[Node(node)->slot];
      stream->PutText("<component");
      if (!c->parent) {
        stream->PutAttributeAlways("root", database->GetDimPlural(d));
      } else {
        stream->PutAttributeAlways("code", c->code ? c->code : "");
        if (c->text) stream->PutAttributeAlways("text", c->text);
        if (c->hostCode) stream->PutAttributeAlways("host", c->hostCode);
      }
      stream->PutChar('>');
      LineEnd(stream);
      GetRowTexts(&pool, row);
      for (int32_t t = 0; t < kCompsTypeCount; ++t) {
        T_CompsField* f = fields[t];
        if (!f || !f->cellText || !f->cellText[0]) continue;
        stream->PutText("  ");
        stream->PutText("<");
        stream->PutText(CompsTypeXmlWord(t));
        stream->PutText(">");
        stream->PutEscaped(f->cellText);
        stream->PutText("</");
        stream->PutText(CompsTypeXmlWord(t));
        stream->PutText(">");
        LineEnd(stream);
      }
      stream->PutText("</component>");
      LineEnd(stream);
    }
    pool.Free();
  }
  stream->PutText("</QEB-Components>");
  LineEnd(stream);
}

// --- HTML ---------------------------------------------------------------------------------------

void T_Comps::WriteHtmlCell(T_OStream* stream, int64_t row, T_BoxField* field) {
  const int32_t type = TypeOfField(field);
  if (type < 0) {
    T_StruxWin::WriteHtmlCell(stream, row, field);
    return;
  }
  const int64_t node = RowNode(row);
  const char* text = field->cellText ? field->cellText : "";
  double value = 0;
  if (node >= 0) {
    const CompsColumn& c = options.columns[type];
    const bool sublevels = viewMode == 3 ? options.graphSublevels != 0 : c.sublevels != 0;
    value = CompsValueOf(BlockFor(node, type, sublevels), type, percentBase);
  }
  bool link = node >= 0 && *text && std::isfinite(value) && value != 0 &&
                    WebRequestActive() && BoxServices().webUserDrills();
  if (link) {
    const char prefix[2] = {CompsTypeLetter(type), 0};
    const StruxNode* n = Node(node);
    const bool sublevels = options.columns[type].sublevels != 0;
    const bool own = n->expanded && n->firstChild >= 0 && !sublevels;
    link = WriteDrillLink(stream, row, own ? 0 : 1, prefix);
  }
  const uint32_t colour = field->cellColour;
  const bool coloured = colour == 13 || colour == 19;
  // Only the value's colour: the page's style sheet sets the columns' type.
  if (coloured) stream->PutText(colour == 13 ? "<font color=\"red\">" : "<font color=\"green\">");
  stream->PutEscaped(text);
  if (coloured) stream->PutText("</font>");
  if (link) stream->PutText("</a>");
}

void T_Comps::GetFieldSortKey(T_BoxField* field, T_TextBuf* key) {
  TextBufAssign(key, "");
  const int32_t type = TypeOfField(field);
  if (field == titleField) {
    int32_t order = options.componentOrder;
    // A second click on the title reverses the order the rows show now.
    if (options.sortColumn < 0) ToggleTreeOrder(&order);
    TextBufAssignChar(key, '-');
    TextBufAppendChar(key, TreeOrderCode(order));
    return;
  }
  if (type < 0) return;
  int32_t order = options.valueOrder;
  if (options.sortColumn == type) ReverseValueOrder(&order);
  TextBufAssignChar(key, CompsTypeLetter(type));
  TextBufAppendChar(key, ValueOrderCode(order));
}

// --- Definitions --------------------------------------------------------------------------------

void T_Comps::WriteDefinition(TextCellWriter* writer) {
  Selection_writeDefinitionText(&selection, writer->stream);
}

void T_Comps::WriteHtmlDefinition(T_OStream* stream) {
  Selection_writeHtmlDefinition(&selection, stream);
}

void T_Comps::WriteXmlDefinition(T_OStream* stream) { Selection_writeXml(&selection, stream); }

void T_Comps::PrintPart(BoxDrawRecord* record) {
  if (!PrintSelectionDefinition(record, &selection)) T_BoxWin::PrintPart(record);
}

// --- The selection on the clipboard -------------------------------------------------------------

void T_Comps::WriteSelectionText(T_OStream* stream) {
  stream->PutLine(kSelectionBlock);
  Selection_writeKeys(&selection, stream, 'V');
  stream->PutKeyCharLine("VF", EncodeColumnLetter(options.valueField));
  stream->PutLine("VZ");
}

bool T_Comps::CopySelectionText() {
  T_OStream stream;
  WriteSelectionText(&stream);
  return ClipboardSetText(reinterpret_cast<const char*>(stream.start),
                          static_cast<int32_t>(stream.BufferedLength()), 0);
}

bool T_Comps::PasteSelectionText(const char* text) {
  if (!text) return false;
  const char* start = std::strstr(text, kSelectionBlock);
  if (!start) return false;
  if (openPanelPage >= 0) ClosePanelPage();
  T_IStream in;
  in.CtorFromMemory(start, static_cast<int64_t>(std::strlen(start)));
  bool read = false;
  bool first = true;
  T_TextBuf key;
  while (in.NextLine()) {
    if (!in.NextField()) continue;
    const char* field = in.Field();
    const int32_t n = in.FieldLength();
    if (first) {
      first = false;
      Selection_clear(&selection);
      read = true;
      continue;
    }
    if (n > 0 && field[0] == '#') break;
    if (n < 2 || field[0] != 'V') continue;
    if (n == 2 && field[1] == 'F') {
      // Only a column the database has: the window reads the lines' values by it.
      const char c = in.NextField() && in.FieldLength() > 0 ? in.Field()[0] : 0;
      const int32_t column = DecodeColumnLetter(c);
      if (column >= 0 && column < database->valueCount) options.valueField = column;
      continue;
    }
    TextBufAssignBytes(&key, field, n);
    Selection_readKey(&selection, key.data, &in);
  }
  if (read) {
    if (currentPage == kCompsPageSelection) ShowSelection(&selection);
    MarkNeedsCalc();
  }
  return read;
}

// --- Windows opened from here -------------------------------------------------------------------

void T_Comps::OpenLinesForNode(int64_t node, int32_t type) {
  if (node < 0 || node >= nodeCount || type < 0 || type >= kCompsTypeCount) return;
  SelectionDef def;
  SelectionDef_init(&def, database);
  SelectionDef_fromSelection(&def, &selection);
  CompsColumn column = options.columns[type];
  if (viewMode == 3) {
    column.decimals = options.graphDecimals;
    column.negative = options.graphNegative;
    column.colour = options.graphColour;
    column.sublevels = options.graphSublevels;
  }
  // The node's components, slot by slot; its own lines only while it shows them.
  const StruxNode* n = Node(node);
  const bool ownOnly = n->expanded && n->firstChild >= 0 && !column.sublevels;
  for (int32_t s = 0; s <= n->slot; ++s) {
    const int64_t a = SlotAncestor(node, s);
    if (a < 0) break;
    const ComponentRecord* c = Node(a)->component;
    const bool own = a == node ? ownOnly : true;
    if (c->parent) {
      AndComponentCode(&def, live.dimension[s], c->code, own);
    } else if (own) {
      SelTextsAndCondition(&def.componentTexts, live.dimension[s], "\\");
    }
  }
  if (ownOnly) {
    for (int32_t s = n->slot + 1; s < live.count; ++s)
      SelTextsAndCondition(&def.componentTexts, live.dimension[s], "\\");
  }
  StoredSubsetList stored;
  StoredSubsetListInit(&stored, database);
  StoreSubsetList(&stored, &subsets);
  T_LinesTmpl* t = NewLinesTemplateForType(database, &def, &stored, valueColumn, type, column);
  StoredSubsetListClear(&stored);
  SelectionDef_free(&def);
  if (!t) return;
  RunTemplate(database, t, nullptr, kRunNoLookup);
  delete t;
}

void T_Comps::OpenWindowWithSelection(int32_t kind) {
  T_Template* defaults = database->GetDefaultTemplate(kind);
  T_Template* made =
      defaults ? DuplicateTemplate(database, defaults, nullptr) : NewTemplate(database, kind);
  if (!made) return;
  if (T_BoxTmpl* box = AsBoxTemplate(made)) {
    box->ApplyDefaults();
    StoreSubsetList(&box->subsets, &subsets);
  }
  SelectionDef def;
  SelectionDef_init(&def, database);
  SelectionDef_fromSelection(&def, &selection);
  // Each window kind keeps its selection in its own class; the stored text form reaches them all.
  T_OStream text;
  SelectionDef_writeKeys(&def, &text, 'B');
  SelectionDef_free(&def);
  if (T_LinesTmpl* lines = AsLinesTemplate(made)) {
    SelectionDef_fromSelection(&lines->selection, &selection);
    SetLinesValueColumn(lines, options.valueField);
  } else if (T_CompsTmpl* comps = AsCompsTemplate(made)) {
    SelectionDef_fromSelection(&comps->selection, &selection);
  } else if (T_TFuncTmpl* times = AsTimeFunctionsTemplate(made)) {
    // The function windows keep a selection per variable: the first one takes this window's.
    T_TSelectionTmpl* first = times->selections ? times->selections : times->AddSelection();
    if (first) {
      SelectionDef_fromSelection(&first->selection, &selection);
      first->valueColumn = options.valueField;
    }
  } else if (T_CFuncTmpl* functions = AsComponentFunctionsTemplate(made)) {
    T_CSelectionTmpl* first = functions->selections ? functions->selections : functions->AddSelection();
    if (first) {
      SelectionDef_fromSelection(&first->selection, &selection);
      first->valueColumn = options.valueField;
    }
  } else {
    T_IStream in;
    in.CtorFromMemory(text.start, text.BufferedLength());
    while (in.NextLine()) made->ReadRecord(&in);
  }
  RunTemplate(database, made, nullptr, kRunNoLookup);
  delete made;
}

void T_Comps::DuplicateWindow() {
  T_CompsTmpl copy(database);
  SaveToTemplate(&copy);
  copy.viewDims = live;
  RunTemplate(database, &copy, nullptr, kRunNoLookup);
}
