#pragma once
// The definition block of the two function windows (time functions, component functions): a
// table "Selections" and, when there are formulas, a table "Formulas", with one column per
// variable after the row labels. The windows build the tables; the rows of the selection
// criteria, the printed pages and the text form are shared here.
//
// Printed layout: on the first page across the labels column is 96 pixels wide, each table's
// title at the left and its labels 12 pixels in; every variable takes a column of 100 pixels
// and one pixel of gap; a row is 12 pixels high. Later pages across carry the variables that
// did not fit on the earlier ones, without labels.
//
// User-interface thread only.
#include <cstdint>
#include <string>
#include <vector>

class T_Base;
class TextCellWriter;
struct BoxDrawRecord;
struct CardSelection;

struct FunctionDefinitionRow {
  std::string label;
  std::vector<std::string> cells;
};
struct FunctionDefinitionTable {
  std::string title;
  std::vector<FunctionDefinitionRow> rows;
};

// Texts of the tables' titles and labels.
constexpr int32_t kDefinitionTextName = 735;
constexpr int32_t kDefinitionTextTitle = 1100;
constexpr int32_t kDefinitionTextSelections = 3128;
constexpr int32_t kDefinitionTextFormula = 3130;
constexpr int32_t kDefinitionTextFormulas = 3131;

constexpr int32_t kDefinitionRow = 12;
constexpr int32_t kDefinitionLabels = 96;
constexpr int32_t kDefinitionColumn = 100;

// The localized text of an id ("" for none).
std::string DefinitionText(int32_t id);
// Adds the row when `always` or some cell has text.
void DefinitionAddRow(FunctionDefinitionTable* table, std::string label,
                      std::vector<std::string> cells, bool always);
// The rows of the selections' criteria, one cell per selection: "From" and "To" (always), then,
// where some selection sets them, each dimension's components in the database's order, the card
// title, line text and notes patterns, each value condition and "Subset".
void DefinitionAddCriteriaRows(FunctionDefinitionTable* table, T_Base* base,
                               const std::vector<CardSelection*>& selections);

// The text form: each table's title and its rows (label, TAB, cells); an empty line after
// each table, or only after the last.
void WriteDefinitionTables(const std::vector<FunctionDefinitionTable>& tables,
                           TextCellWriter* writer, bool emptyLineAfterEach);

// The number of pages across that `columns` variables take on pages `pageWidth` wide.
int32_t DefinitionPages(int32_t columns, int32_t pageWidth);
// PrintPart's definition phases: phase 1 measures the tables (record->height, and the page
// count across raised to what the widest table needs), phase 2 draws the page across
// record->pageCount (0 the first) in the band. False for the other phases.
bool PrintDefinitionTables(BoxDrawRecord* record,
                           const std::vector<FunctionDefinitionTable>& tables);
