#pragma once
// T_Lines: the lines window (kind 2). One row per card line that the window's selection admits
// within its period, in card order, with the running balance of the accumulated value column,
// the statistic rows above them, a sort of up to eight keys, and the time diagram of its base in
// curve (the running balance as steps) and bars (the line values per pixel column) modes.
//
// User-interface thread only.
#include <cstdint>

#include "analysis/time/lines_data.h"
#include "analysis/time/lines_template.h"
#include "analysis/time/ts_window.h"

class T_Button;
class T_Checkbox;
class T_Frame;
class T_Linebox;
struct LineboxEvent;

constexpr uint32_t kLinesHelpId = 2002;
constexpr int32_t kLinesDefaultWidth = 628;
constexpr int32_t kLinesDefaultHeight = 340;
constexpr int64_t kLinesOpenReserve = 65536;
constexpr int32_t kLinesCurveColour = 22;
// The presentation selector's pictures: table, curve, bars.
constexpr uint16_t kPresentationTable = 4020;
constexpr uint16_t kPresentationCurve = 4021;
constexpr uint16_t kPresentationBars = 4022;
constexpr uint32_t kLinesCalcButtonId = 400;
// The header page with the diagram options (its title is text 5129, "Graphics").
constexpr int32_t kLinesGraphicsPage = 5129;
// The commands of a column title's menu.
constexpr uint16_t kTitleHide = 3619;
constexpr uint16_t kTitleSortRows = 3620;
constexpr uint16_t kTitleAdjustWidth = 3621;

// The header pages beside "Header Rows" and "Graphics" (their titles are these text ids).
constexpr int32_t kLinesSelectionPage = 3127;
constexpr int32_t kLinesColumnsPage = 3140;
constexpr int32_t kLinesOptionsPage = 3141;
// Items of the pages.
constexpr uint32_t kCardInfoChooser = 90;
constexpr uint32_t kDistributionButton = 97;
constexpr int32_t kTextDistribution = 5101;
constexpr uint32_t kAddSortKeyButton = 10334;
constexpr uint32_t kRemoveSortKeyButton = 10335;
constexpr uint32_t kSortColumnChooser = 10340;  // + 2n, the order chooser of key n + 2n + 1
constexpr uint32_t kSortOrderChooser = 10341;
// The "Selection" tab's commands that open a window over the selection (kinds 1 to 5).
constexpr uint16_t kOpenCards = 3143;
constexpr uint16_t kOpenLines = 3144;
constexpr uint16_t kOpenComponents = 3145;
constexpr uint16_t kOpenTimeFunctions = 3146;
constexpr uint16_t kOpenComponentFunctions = 3147;
constexpr int32_t kLinesColumnOrderMax = 80;

class T_CardsTmpl;

// The text code of a column's title for T_Base::GetFieldName.
int32_t LinesFieldNameCode(int32_t code);

// What a sort of the rows did.
constexpr int32_t kLinesSortNone = 0;
constexpr int32_t kLinesSortCardsReversed = 1;
constexpr int32_t kLinesSortDatesReversed = 2;
constexpr int32_t kLinesSortByComponent = 3;
constexpr int32_t kLinesSortGeneral = 4;

class T_Lines : public T_TSWin {
 public:
  // The window of a lines template (not opened here).
  T_Lines(T_LinesTmpl* templ, uint32_t flags);
  ~T_Lines() override;

  // --- Box window slots
  // ---------------------------------------------------------------------------
  void FormatRow(RowTextPool* pool, int64_t row) override;
  void RunCalculation(bool enabled, bool force) override;
  bool IsDataRow(int64_t row) override;
  bool IsGroupStart(int64_t row) override;
  int32_t GetDefaultHeaderHeight() override;
  int32_t GetDefaultWidth() override { return 622; }
  void DrawGrid(BoxDrawRecord* record) override;
  void Refresh(int32_t oldViewMode) override;
  void ScrollRows(const LayoutChange* change) override;
  void OnChange(const ChangeNote* note) override;
  void OnSelectorEvent(T_GrafElement* selector) override;
  void OnModeboxEvent(T_GrafElement* box, ModeboxEvent* record) override;
  void OnCheckbox(T_GrafElement* checkbox) override;
  void OnEditText(T_TextBuf* text, T_GrafElement* field) override;
  void OnToolSelected(int32_t item) override;
  void OnButton(T_GrafElement* button) override;
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;
  void OnLineboxEvent(T_GrafElement* box, LineboxEvent* record) override;
  bool OnModeboxMenu(T_GrafElement* box, ContextMenuRecord* record) override;
  void UpdateCommands() override;
  bool DoCommand(int32_t command) override;
  void SaveToTemplate(T_Template* templ) override;
  bool IsEmpty() override { return rowCount == headerRowCount; }
  int64_t GetMemoryUsage() override;
  void DeleteData(bool ask) override;
  void MarkCards(int32_t command) override;
  void SetupTransform(void* dialog) override;          // lines_walks.cpp
  void SetupAggregate(void* aggregatorData) override;  // lines_walks.cpp
  // Asks every card window that shows a listed card to close; false when one refuses.
  bool CloseEditorsOfListedCards();
  // The data rows leave the grid (before the records they point at change or go).
  void DropDataRows();
  void OnCellsSelected(int64_t row, int32_t field) override;
  bool ClickFieldButton(InputEvent* event, T_BoxField* field, const RECT* rect) override;
  // Shows the "Columns" page with the column chosen.
  bool ClickFieldTitle(InputEvent* event, T_BoxField* field) override;
  // A press on a header row shows the "Header Rows" page first.
  bool ClickCell(InputEvent* event, int64_t row, int32_t field, int32_t tool) override;
  int64_t MapRow(int64_t position) override { return LinesDisplayRow(&data, position); }
  void SelectRange(CellRange* range) override;

  // --- Outputs (lines_output.cpp)
  // -----------------------------------------------------------------------
  void WriteHtmlCell(T_OStream* stream, int64_t position, T_BoxField* field) override;
  void WriteCellText(T_OStream* stream, int64_t position, T_BoxField* field) override;
  void WriteDefinition(TextCellWriter* writer) override;
  void WriteHtmlDefinition(T_OStream* stream) override;
  void WriteXmlDefinition(T_OStream* stream) override;
  void WriteXml(T_OStream* stream) override;
  void PrintPart(BoxDrawRecord* record) override;
  void GetFieldSortKey(T_BoxField* field, T_TextBuf* key) override;
  // The card id cell of a data row (with its text formatted): written as a card link.
  bool IsCardLinkCell(int64_t position, T_BoxField* field);

  // --- Time-series slots
  // --------------------------------------------------------------------------
  bool IsPointOnData(InputEvent* event) override;
  void RebuildDiagram() override;
  void ChooseValueScale() override;
  void OnPeriodRangeChanged() override;
  bool HitDiagram(POINT point, int64_t* row, Region* shape) override;
  bool ClickDiagram(InputEvent* event) override;
  void DragDiagram(InputEvent* event) override;

  // --- The pages (lines_pages.cpp)
  // -------------------------------------------------------------------
  // The page through the mode box (selecting its tab), or directly without one.
  void ShowPage(int32_t page);
  void OpenSelectionPage();
  void OpenColumnsPage();
  void OpenOptionsPage();
  // Closes whichever page is open, the selection fields included.
  void ClosePages();
  // The page open now built anew (after the column order list or the keys changed).
  void ReopenPage();
  // Card id, date, title; the dimensions with components; line text; the values; the
  // accumulated column; the file origin when kept; separators between the groups.
  void BuildColumnOrder();
  void ColumnTitle(int32_t code, T_TextBuf* title) const;
  // The columns page's list: the column order list without its separators.
  int64_t ColumnListCount() const;
  int32_t ColumnListCode(int64_t line) const;
  void ChooseColumn(int32_t code);
  // The choosers of the chosen column on the columns page, and the key rows of the sort panel.
  void BuildColumnControls();
  void BuildSortRows();
  // A hidden column takes the shown place of the previous one; recalculates.
  void ChooseAccumulatedColumn(int32_t column);
  void UpdateDistributionButton();
  void ResortAfterKeyChange();
  // Moves sort key from to place to, the keys between shifting by one; false when either is not
  // a key or they are the same.
  bool MoveSortKey(int32_t from, int32_t to);
  bool SelectionCommandEnabled(int32_t command) const;
  // "&Copy @0" (214), "Paste @0" (215) and the "»" commands; false when not done.
  bool RunSelectionCommand(int32_t command);
  // Copies of the database's default templates carrying this window's selection and the subsets
  // it uses (the caller deletes them); the lines one also carries the option block.
  T_LinesTmpl* NewLinesTemplateOfWindow();
  T_CardsTmpl* NewCardsTemplateOfWindow();
  // A new window of a kind (1 to 5) over this window's selection.
  void OpenWindowOfSelection(int32_t kind);

  // --- Its own
  // ------------------------------------------------------------------------------------ The
  // calculation: rows, statistics, sort, and (when asked) the diagram's dates anew.
  void CalculateLines(bool resetDiagram);
  // Fields for the shown and available columns, left to right in code order.
  void BuildFields();
  // The sort of the option block's keys over the data rows; which sort it was.
  int32_t SortRows();
  // The balance after each display row along the display order (see lines_sort.cpp).
  void ComputeOrderBalance(int32_t sortKind);
  // The first data row at or after a day number (in calculation order).
  int64_t FirstRowFrom(int32_t day) const;
  void SetPresentation(uint32_t mode);
  // Flips the order of the sort key on a column (when it is one) and sorts again: Normal and
  // Reversed for a dimension (the other component orders become Reversed), the value order's
  // opposite, the direction otherwise.
  bool ToggleSortKey(int32_t column);
  // The column code of a field; -1 for none of the window's.
  int32_t ColumnOfField(const T_BoxField* field) const;
  // The title menu of a column: "Hide", "Sort Rows" (not for the accumulated column) and
  // "Adjust Width" into an id list ended by 0; how many.
  int32_t TitleCommands(const T_BoxField* field, uint16_t* list) const;
  // One of those on the field's column; false for another command or field.
  bool RunTitleCommand(T_BoxField* field, int32_t command);
  // The title menu of the column the right button pressed: TitleCommands, then RunTitleCommand.
  void TitleContextMenu(ContextMenuRecord* record, int32_t phase) override;
  // Shows or hides a column: the fields are laid anew with the widths the user gave them.
  void ShowColumn(int32_t code, bool shown);
  // Reads "## Selection" blocks of a text (the clipboard's): each block resets the selection
  // and reads its "V" lines, so the last block wins; false when the text holds none.
  bool PasteSelectionText(const char* text);
  // The "## Selection" block the paste reads: the selection's "V" lines, the accumulated value
  // column ("VF") and the decimals of value 1 ("VZ").
  void WriteSelectionText(T_OStream* stream);
  // That block on the clipboard; false when the clipboard refused it.
  bool CopySelectionText();
  // The card of a data row (calculation order) in the card editor, at the row's line.
  void OpenRowInCardEditor(int64_t row);
  // A new lines window over the lines behind a statistic row's value in a value column.
  void OpenBehindStatistic(int32_t statistic, int32_t column);
  // A cards window over the days and, in bars mode, the values of a diagram range, within this
  // window's selection; the accumulated value column is its only value column.
  void OpenCardsOverRange(const DiagramRange& range);
  // The "Graphics" page: the diagram options frame.
  void OpenGraphicsPage();
  void DrawCurve(const BoxDrawRecord* record);
  void DrawBars(const BoxDrawRecord* record);
  // The x of a data row in the diagram (its date plus its day position).
  int32_t RowX(int64_t row) const;
  double RowValue(int64_t row) const;

  CardSelection selection{};
  LinesOptions options;
  LinesData data;
  T_BoxField* columnFields[kLinesColumnCount] = {};
  T_BoxField* labelField = nullptr;
  T_BoxField* rateField = nullptr;
  T_Selector* presentation = nullptr;
  int32_t lastSortKind = kLinesSortNone;
  int32_t columnOrder[kLinesColumnOrderMax] = {};
  int32_t columnOrderCount = 0;
  int32_t chosenColumn = -1;
  T_Frame* columnsFrame = nullptr;
  T_Frame* sortingFrame = nullptr;
  T_Linebox* columnList = nullptr;
  T_Checkbox* showBox = nullptr;
  T_Button* distributionButton = nullptr;
  T_Button* addKeyButton = nullptr;
  T_Button* removeKeyButton = nullptr;
  double rangeMaximum = 0;
  double rangeMinimum = 0;
};

// The sort of the option block's keys (trimmed) over the data rows of a calculation, and the
// balance along the display order; which sort it was. window holds the tree-order tables that
// dimension keys of a general sort need (null only without such keys). Without memory the rows
// stay in calculation order and the pending error is reported.
int32_t SortLinesData(LinesData* data, const LinesOptions& options, T_HWindow* window);
void ComputeLinesOrderBalance(LinesData* data, const LinesOptions& options, int32_t kind);

// The calculation of a lines window: rows, statistics, sort, and with resetDiagram the diagram's
// dates from the selection's period.
void CalculateLinesStatistics(T_Lines* window, bool resetDiagram);

// The value condition of an interval: lower "…" upper, ">" lower or "<" upper for the finite
// bounds, each number as it reads back the same; empty when neither bound is finite.
void LinesIntervalText(double lower, double upper, T_TextBuf* text);

// The window as a "QEB-Lines" document (lines_xml.cpp): the statistic rows and the lines as the
// screen shows them, the parts the output options choose.
void ExportLinesXML(T_Lines* window, T_OStream* stream);

// The lines window of a template; null without a template or when 64 KB cannot be had now.
T_HWindow* OpenLinesWindow(T_Template* templ, T_Template* parameter, int32_t flags);
T_Lines* AsLinesWindow(T_EventHandler* element);
