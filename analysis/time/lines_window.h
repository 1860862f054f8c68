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
  void OnChange(const ChangeNote* note) override;
  void OnSelectorEvent(T_GrafElement* selector) override;
  void OnModeboxEvent(T_GrafElement* box, ModeboxEvent* record) override;
  void OnCheckbox(T_GrafElement* checkbox) override;
  void OnEditText(T_TextBuf* text, T_GrafElement* field) override;
  void OnToolSelected(int32_t item) override;
  void SaveToTemplate(T_Template* templ) override;
  bool IsEmpty() override { return rowCount == headerRowCount; }
  int64_t GetMemoryUsage() override;
  void DeleteData(bool ask) override;
  void MarkCards(int32_t command) override;
  void OnCellsSelected(int64_t row, int32_t field) override;
  bool ClickFieldButton(InputEvent* event, T_BoxField* field, const RECT* rect) override;
  int64_t MapRow(int64_t position) override { return LinesDisplayRow(&data, position); }
  void SelectRange(CellRange* range) override;

  // --- Outputs (lines_output.cpp)
  // -----------------------------------------------------------------------
  void WriteHtmlCell(T_OStream* stream, int64_t position, T_BoxField* field) override;
  void WriteCellText(T_OStream* stream, int64_t position, T_BoxField* field) override;
  void WriteDefinition(TextCellWriter* writer) override;
  void WriteHtmlDefinition(T_OStream* stream) override;
  void WriteXmlDefinition(T_OStream* stream) override;
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
  double rangeMaximum = 0;
  double rangeMinimum = 0;
};

// The calculation of a lines window: rows, statistics, sort, and with resetDiagram the diagram's
// dates from the selection's period.
void CalculateLinesStatistics(T_Lines* window, bool resetDiagram);

// The lines window of a template; null without a template or when 64 KB cannot be had now.
T_HWindow* OpenLinesWindow(T_Template* templ, T_Template* parameter, int32_t flags);
T_Lines* AsLinesWindow(T_EventHandler* element);
