#pragma once
// The time functions window beyond the screen: its XML document, the definition block of its
// text and HTML outputs, the drill links of its web pages and the card-id range behind a row.
// The window calls one function per slot:
//
//   slot                          call
//   T_BoxWin::WriteXml            TFuncWriteXml(this, &data, &rowOrder, stream)
//   T_BoxWin::WriteDefinition     TFuncWriteDefinition(&data, writer)
//   T_BoxWin::WriteHtmlDefinition TFuncWriteHtmlDefinition(&data, stream)
//   T_BoxWin::WriteHtmlCell       opened = TFuncOpenDrillLink(...); base writer; "</a>" if opened
//
// XML ("QEB-TimeFunctions"; attributes and texts escaped):
//
//   <QEB-TimeFunctions title="...">     title with the output option "wintitle"
//   <notes>..</notes>, <selection>..    notes and definition as every box window writes them
//   <before date="first date">          the Before row, with the option "headers"
//   <column name="title">cell</column>  one per value column, in column order, as the grid
//   </before>                           shows it
//   (empty line)
//   <period name="row label">           each period row and the Totals row in display order,
//   <column name="title">cell</column>  with the option "datarows"
//   </period>
//   (empty line)
//   </QEB-TimeFunctions>
// With neither option the root closes right after its start tag and line end.
//
// Drill link: the page's own address without "sort" and "page", plus "drill" = the variable's
// name and short id, ":", the from bound's card short id and, when the to bound is later, "_"
// and the to bound's (core/short_ids.h: the fewest digits, low digit first).
//
// User-interface thread only.
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/components/function_definition.h"
#include "analysis/time/tfunc_rows.h"
#include "analysis/time/time_variables.h"
#include "core/packed_date.h"

class T_BoxWin;
class T_LinkContext;
class T_OStream;
class TextCellWriter;
struct T_TextBuf;

// The variable as a selection, or null (a formula, none).
const T_TSelection* AsSelection(const T_TVariable* variable);

// The card ids a row of the table covers for a variable (entry as tfunc_rows.h gives it):
//   Before     the variable's from .. the Before entry's end (the card id before the start);
//   Totals     the variable's from (the window start when Before is not shown) .. the
//              variable's to, not after the window end;
//   a period   .. its end, from: Active Days the day's number 1; Active Cards, Groups, Lines
//              the entry's own id; other types the first date's number 1 for the first period,
//              else the card id after the previous end, not after the end. A From Start
//              selection keeps its own from.
// A selection's own from and to are its resolved bounds; a formula's the database's first and
// last card ids.
void TFuncPeriodRange(const TFuncData* data, int64_t entry, const T_TVariable* variable,
                      CardId* from, CardId* to);

// The "drill" parameter's value.
void TFuncDrillValue(T_TextBuf* value, const char* name, const CardId& from, const CardId& to);
// Opens the anchor of class "data" of a value cell's drill link, escaped, and answers true, when
// a web request for a user with the drill-down right is served, the variable exists, the value
// is not 0, and the cell is not the current formula's of an Active Cards, Groups or Lines table.
// The caller closes the anchor with "</a>" after the cell.
bool TFuncOpenDrillLink(T_OStream* stream, const TFuncData* data, int64_t entry,
                        const T_TVariable* variable, double value,
                        const T_TVariable* currentFormula);

// The label cell of an Active Cards, Groups or Lines table whose label starts with a card id
// (the text before the first blank holds "-"): the id as the short card-link markup card="id",
// read by the link context into a link to the card in HTML and written as it stands in text,
// then the rest of the label (the card title) with its own links. False, with nothing written,
// for every other cell: the shared writer writes it.
bool TFuncWriteLabelCell(T_OStream* stream, T_LinkContext* links, const TFuncData* data,
                         const char* label, bool html);

// The XML document above over the window's rows (the window's row r is display row r: its
// first field the label, every further field one value column).
void TFuncWriteXml(T_BoxWin* window, const TFuncData* data, const TFuncRowOrder* order,
                   T_OStream* stream);

// The rows of the definition block, shared by the text, HTML and printed forms: a table
// "Selections" and, when there are formulas, a table "Formulas", one cell per variable of the
// table in list order; rows only where some variable has something (the Name row always).
using TFuncDefinitionRow = FunctionDefinitionRow;
using TFuncDefinitionTable = FunctionDefinitionTable;
std::vector<TFuncDefinitionTable> TFuncDefinitionTables(const TFuncData* data);

// The definition block: a table "Selections" and, when there are formulas, a table "Formulas",
// one column per variable after the row labels; rows only where some variable has something.
void TFuncWriteDefinition(const TFuncData* data, TextCellWriter* writer);
void TFuncWriteHtmlDefinition(const TFuncData* data, T_OStream* stream);
