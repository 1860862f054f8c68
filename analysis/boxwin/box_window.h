#pragma once
// T_BoxWin: the document window of every grid ("box") window. A derived window says how many
// rows there are and fills the cells of one row on request (FormatRow); the base does the rest:
// the column titles and fields, layout and splitters, scrolling, painting, hit tests, cell
// selection, the text, HTML and XML output and printing in pages.
//
// Coordinates:
//   1. A field's title rectangle is in the title row's coordinates and its column rectangle in
//      the grid's, both without the horizontal scroll: drawing and hit tests subtract the scroll
//      position (GetScrollX). The column runs one pixel left of the title (the grid stands one
//      pixel in from the window's left edge), from minus the title height to 0.
//   2. Row tops are summed with GetRowHeight from the top row (the vertical bar's first), never
//      from row 0, so painting, hit tests and the bars touch only the rows that are visible.
//
// Invariants:
//   1. The field chain is numbered 0 .. fieldCount - 1 in order; firstField->previous is the last
//      field and the last field's next is null.
//   2. Every change of the window's geometry goes through ScrollRows with one LayoutChange.
//   3. selectedRow/selectedField, rangeAnchor/rangeEnd and the hover, drag and drop cells are -1
//      when there is none; a selected cell exists only in selection mode 1 and a range only in
//      mode 2.
//
// User-interface thread only.
#include <windows.h>

#include <cstdint>

#include "core/text_buffer.h"
#include "database/output_options.h"
#include "database/subsets.h"
#include "ui/document_window.h"
#include "ui/item.h"
#include "ui/text_style.h"

class T_BoxWin;
class T_BoxField;
class T_Slidebar;
class T_OStream;
class T_Edit;
class T_Button;
struct PrintWork;
struct PrintPhase;
class TextCellWriter;
struct OffscreenBitmap;

// Panel pages of the mode box.
constexpr int32_t kPanelSubsets = 900;
constexpr int32_t kPanelPrinting = 901;
constexpr int32_t kPanelExport = 902;
constexpr int32_t kPanelNotes = 903;

// Element ids.
constexpr uint32_t kBoxTitlesId = 370;
constexpr uint32_t kBoxItemId = 371;
constexpr uint32_t kBoxVerticalBarId = 372;
constexpr uint32_t kBoxHorizontalBarId = 373;
constexpr uint32_t kBoxEditId = 374;

// Horizontal grid modes.
constexpr uint32_t kGridNone = 0;
constexpr uint32_t kGridShadeAll = 6;
constexpr uint32_t kGridShadeLowest = 7;
constexpr uint32_t kGridShadeUpper = 8;

// Selection modes.
constexpr uint32_t kSelectNone = 0;
constexpr uint32_t kSelectEdit = 1;
constexpr uint32_t kSelectRange = 2;

// The range tool of the tool selector.
constexpr int32_t kToolRange = 4203;

// Marker pictures of the two sort directions.
constexpr uint32_t kMarkerDescending = 3814;
constexpr uint32_t kMarkerAscending = 3815;

// The row record's text buffer, the bound of every cell-text operation.
constexpr int32_t kRowTextBytes = 12280;
// Fixed sizes of the layout.
constexpr int32_t kBarThickness = 16;
constexpr int32_t kBarOverlap = 15;
constexpr int32_t kGridMinHeight = 36;
constexpr int32_t kViewMode4Bar = 15;
constexpr int32_t kEmptyContentWidth = 66;
constexpr int32_t kMinFieldWidth = 16;
// A template's huge width would push every later column past the drawing coordinates.
constexpr int32_t kMaxFieldWidth = 4000;
constexpr int32_t kWebPageRows = 40;

// The row record handed to FormatRow.
struct RowTextPool {
  uint32_t fieldCount = 0;
  char* cursor = nullptr;
  uint32_t background = 0;
  uint32_t lineAbove = 0;
  char* buffer = nullptr;  // kRowTextBytes, MemAlloc with the 64 KB headroom class
  uint8_t full = 0;        // a text was cut: the later cells of the row stay empty

  // False when the buffer cannot be had.
  bool Init();
  void Free();
  void Rewind();
  // Bytes left for texts, the terminating NUL of the next one included.
  int32_t Room() const;
};

struct CellRange {
  int64_t anchorRow = -1;
  int32_t anchorField = -1;
  int64_t firstRow = -1;
  int64_t lastRow = -1;
  int32_t firstField = -1;
  int32_t lastField = -1;
};

struct RowOutline {
  uint32_t kind = 0;  // 0 none, 1 leaf, 2 open node, 3 closed node
  uint32_t style = 0;  // 1 six pixels a level, 2 twelve, other none
  uint32_t level = 0;
};
int32_t ComputeOutlineWidth(const RowOutline* outline);

// What DrawGrid and PrintPart are given.
struct BoxDrawRecord {
  RECT bounds{};
  RECT clip{};
  int32_t offsetX = 0;
  int64_t firstRow = 0;
  uint32_t gridMode = 0;
  int64_t firstDataRow = 0;
  uint8_t verticalLines = 0;
  uint8_t printing = 0;
  // Printing and PrintPart.
  int32_t phase = 0;
  int32_t height = 0;
  RECT band{};
  T_BoxField* stripFirst = nullptr;
  int32_t stripFields = 0;
  int32_t pageCount = 0;
};

// One change of the window's geometry (ScrollRows).
struct LayoutChange {
  int32_t width = 0;
  int32_t header = 0;
  int32_t title = 0;
  int32_t height = 0;
};

// The width a field is built with from its stored width: the default for a width below the
// least one a template keeps (unset, 0 or negative), and at most kMaxFieldWidth.
int32_t BuiltFieldWidth(int32_t stored, int32_t least, int32_t fallback);

// Whether a grid mode draws a line below a row (mode 1 to 5) counted from the first data row.
bool GridLineBelow(uint32_t gridMode, int64_t row, int64_t firstDataRow);

class T_BoxField : public T_Object {
 public:
  explicit T_BoxField(T_BoxWin* window);
  virtual ~T_BoxField();
  T_BoxField(const T_BoxField&) = delete;
  T_BoxField& operator=(const T_BoxField&) = delete;

  void AppendToWindow(const RECT* rect);
  void RemoveFromWindow();
  void SetTitleId(int32_t id);
  void LinkToItem(T_Item* item);
  void SetTitleText(const char* text);
  void GetTitle(T_TextBuf* out) const;
  void GetPlainTitle(T_TextBuf* out) const;
  // The linked chooser's entry, else GetTitle; plain strips links.
  void GetOutputTitle(T_TextBuf* out, bool plain) const;
  int32_t MarkerWidth() const;
  void GetTitleTextRect(RECT* rect) const;
  void GetMarkerRect(RECT* rect) const;
  int32_t GetTitleLeft() const { return title.left; }
  int32_t GetTitleCentre() const { return (title.left + title.right) / 2; }
  void GetTitleRect(RECT* rect) const { *rect = title; }
  int32_t Width() const { return column.right - column.left; }
  void SetFont(const TextStyle* style);
  void SetFontStyle(uint16_t bits);
  void SetAlignment(uint16_t bits);
  void SetWordWrap(bool on);
  void SetWidth(int32_t width);
  void SetStretch(bool on);
  void SetSortIcons(uint32_t picture, uint32_t digit);
  void InvalidateColumn();
  void InvalidateTitle();
  bool IsRightAligned() const { return (titleStyle.flags & kStyleRight) != 0; }
  bool IsBold() const { return (titleStyle.flags & kStyleBold) != 0; }

  const char* cellText = nullptr;
  uint32_t cellColour = 10;
  int32_t cellIndent = 0;
  uint64_t reserved = 0;
  int64_t index = 0;
  T_BoxField* next = nullptr;
  T_BoxField* previous = nullptr;
  T_BoxWin* window;
  RECT column{};
  RECT title{};
  int32_t titleId = 0;
  const char* fixedTitle = nullptr;
  char* ownTitle = nullptr;  // owned block
  TextStyle titleStyle{};
  T_Item* linkedItem = nullptr;
  uint16_t cellOffset = 0;
  uint8_t overflowMark = 0;
  uint8_t stretch = 0;
  uint32_t linkMode = 0;
  uint32_t markerPicture = 0;
  uint32_t markerDigit = 0;
  int32_t hoverState = -1;
  uint8_t markerPressed = 0;  // drawn pressed while TrackTitleClick holds it
};
// Removes the field from its window, destroys it and clears the pointer.
void DeleteBoxField(T_BoxField** field);

class T_BoxTitles : public T_Item {
 public:
  T_BoxTitles(T_BoxWin* owner, const XYWH& rect);
  void DrawContent() override;
  bool SetCursor(InputEvent* event, T_GrafElement* target) override;
  bool MouseDown(InputEvent* event, T_GrafElement* target) override;
  // The window's title menu (TitleContextMenu) for the field the right button pressed.
  void ContextMenu(ContextMenuRecord* record, int32_t phase) override;
  void OnChange(const ChangeNote* note) override;
  void Notify(int32_t code) override;
  // The field whose resize band holds x (title-row coordinates, scrolled); null for none.
  T_BoxField* ResizeBandAt(int32_t x) const;
  T_BoxField* FieldAt(int32_t x, int32_t y) const;

  T_BoxWin* box;
  T_BoxField* hoverField = nullptr;
};

class T_HeaderButton : public T_Item {
 public:
  // direction 2 up (collapse), 3 down (expand).
  T_HeaderButton(T_BoxWin* owner, const XYWH& rect, int32_t direction);
  void DrawContent() override;
  bool MouseDown(InputEvent* event, T_GrafElement* target) override;

  T_BoxWin* box;
  int32_t direction;
  uint8_t pressed = 0;
};

class T_BoxItem : public T_Item {
 public:
  T_BoxItem(T_BoxWin* owner, const XYWH& rect);
  void TrackDrag(int32_t code, uint32_t dataKinds) override;
  bool AcceptDrop(TransferList* list) override;
  void OnHover(InputEvent* event, int32_t code) override;
  bool SetCursor(InputEvent* event, T_GrafElement* target) override;
  bool PreviewMouseDown(InputEvent* event, T_GrafElement* target) override;
  bool MouseDown(InputEvent* event, T_GrafElement* target) override;
  bool OnWheel(InputEvent* event, int32_t lines) override;
  bool KeyDown(InputEvent* event, T_GrafElement* target) override;
  bool AcceptsFocus() override;
  void DrawFrame() override;
  void BuildShape() override;
  void DrawContent() override;
  void Notify(int32_t code) override;
  void FocusNext(int32_t flags) override;
  // The cell context menu of selection mode 1.
  void ContextMenu(ContextMenuRecord* record, int32_t phase) override;

  T_BoxWin* box;
  uint8_t navigateOnFocus = 1;
};

// The seams of the layers above (application preferences, the web gateway). A missing hook gives
// the harmless answer: AutoRecalc on, no web page being served.
struct BoxWinServices {
  bool (*autoRecalc)();
  // The address of the page being served (for the title sort links); false when none.
  bool (*webSelfUrl)(T_TextBuf* url);
  // Whether the serving web user may open cards.
  bool (*webUserOpensCards)();
  // The clock of the printed header date (local time).
  void (*now)(SYSTEMTIME* time);
  // Milliseconds for the pointer-tracking loops.
  uint64_t (*ticks)();
  // The save dialog: the chosen path replaces the default; false when cancelled.
  bool (*askExportPath)(T_BoxWin* window, T_TextBuf* path);
  // Runs the drag of a cell range (the platform's drag and drop by default).
  void (*startDrag)(T_BoxWin* window, const TransferList* list);
  // The list box of a window's subsets on its Subsets page (the editors' layer); null: none.
  T_GrafElement* (*newSubsetBox)(T_EventHandler* parent, const XYWH& rect, uint32_t id,
                                 SubsetList* list);
  // Whether the serving web user may drill down into the lines behind a value (tree windows'
  // data links and drill-down templates); false outside a request.
  bool (*webUserDrills)();
  // The gateway's picture folder as it goes before a picture's name ("images/").
  void (*webPicturePath)(T_TextBuf* path);
};
void SetBoxWinServices(const BoxWinServices* services);
// The structure windows' seam: the rectangle their tree drawing (view mode 3) needs inside the
// given one; the preferred size and the first printed page reach at least down to its foot.
// Without a hook the drawing needs no room (an empty rectangle at the given one's top left).
using DrawingExtentHook = void (*)(T_BoxWin* window, const RECT* rect, RECT* extent);
void SetDrawingExtentHook(DrawingExtentHook hook);
void BoxDrawingExtent(T_BoxWin* window, const RECT* rect, RECT* extent);
const BoxWinServices& BoxServices();

class T_BoxWin : public T_HWindow {
 public:
  // templ: a box template or null.
  T_BoxWin(int32_t kind, const RECT* rect, T_Template* templ, uint32_t helpId, T_Base* database,
           uint32_t flags);
  ~T_BoxWin() override;

  // --- Slots, in order ---------------------------------------------------------------------------
  virtual void FormatRow(RowTextPool* pool, int64_t row);
  virtual void GetRowOutline(RowOutline* outline, int64_t row);
  virtual void RunCalculation(bool enabled, bool force);
  virtual int32_t GetRowHeight(int64_t row);
  virtual bool IsGroupStart(int64_t row);
  virtual bool IsDataRow(int64_t row);
  virtual int32_t GetRowLayout(int64_t row);
  virtual int32_t GetDefaultHeaderHeight();
  virtual int32_t GetDefaultWidth();
  virtual bool CountsForSize(T_GrafElement* child);
  virtual void DrawGrid(BoxDrawRecord* record);
  virtual void ScrollRows(const LayoutChange* change);
  virtual void AdjustPreferredSize(POINT* size, const RECT* limits, const LayoutChange* record);
  virtual void OnFieldWidthChanged(T_BoxField* field, int32_t change);
  virtual void Refresh(int32_t oldViewMode);
  virtual void OnGridHover(InputEvent* event, int32_t phase);
  virtual void DrawHoverCell(InputEvent* event, int32_t phase);
  virtual int32_t GetEffectiveTool(InputEvent* event);
  virtual bool SetGridCursor(InputEvent* event);
  virtual bool PreviewGridClick(InputEvent* event);
  virtual bool ClickGrid(InputEvent* event);
  virtual bool GridKeyDown(InputEvent* event);
  virtual bool GridWheel(InputEvent* event, int32_t lines);
  virtual bool ClickCell(InputEvent* event, int64_t row, int32_t field, int32_t tool);
  virtual void SelectRange(CellRange* range);
  virtual void GetSelectionRect(RECT* rect, int64_t row, int32_t field);
  virtual void OnCellsSelected(int64_t row, int32_t field);
  virtual bool CanSelectCell(int64_t row, int32_t field);
  virtual void GetCellEditText(T_TextBuf* text, int64_t row, int32_t field);
  virtual void TitleContextMenu(ContextMenuRecord* record, int32_t phase);
  virtual bool ClickFieldTitle(InputEvent* event, T_BoxField* field);
  virtual bool ClickFieldButton(InputEvent* event, T_BoxField* field, const RECT* rect);
  // The standard press feedback on a title's marker: true when released inside the title.
  virtual void BeginTextOutput(T_OStream* stream);
  virtual void WriteRowTitle(TextCellWriter* writer, int64_t row);
  virtual void WriteHtmlData(T_OStream* stream);
  virtual void WriteXml(T_OStream* stream);
  virtual void WriteHtmlRows(T_OStream* stream, int64_t firstRow, int64_t lastRow);
  virtual void WriteHtmlCell(T_OStream* stream, int64_t row, T_BoxField* field);
  virtual void WriteCellText(T_OStream* stream, int64_t row, T_BoxField* field);
  virtual void WriteDefinition(TextCellWriter* writer);
  virtual void WriteHtmlDefinition(T_OStream* stream);
  virtual void WriteXmlDefinition(T_OStream* stream);
  virtual void PrintPart(BoxDrawRecord* record);
  virtual void FitPrintRect(RECT* rect);
  virtual int32_t GetTreeDepth();
  virtual void DragOverGrid(InputEvent* event, int32_t phase, uint32_t flags);
  virtual void DragCells(InputEvent* event, int32_t phase, uint32_t flags);
  virtual bool DropOnGrid(TransferList* list);
  virtual void GetFieldSortKey(T_BoxField* field, T_TextBuf* key);
  virtual int64_t PrepareRowList();
  virtual int64_t MapRow(int64_t position);

  // --- Inherited slots ---------------------------------------------------------------------------
  void DoClose() override;
  void Notify(int32_t code) override;
  void OnChange(const ChangeNote* note) override;
  void UpdateCommands() override;
  bool DoCommand(int32_t command) override;
  // For windows that list cards: Delete Data, Examine and Approve, and Transform and Aggregate
  // once their dialogs are installed.
  void EnableDataOperationCommands();
  bool SetCursor(InputEvent* event, T_GrafElement* target) override;
  bool PreviewMouseDown(InputEvent* event, T_GrafElement* target) override;
  bool MouseDown(InputEvent* event, T_GrafElement* target) override;
  bool KeyDown(InputEvent* event, T_GrafElement* target) override;
  void OnEditText(T_TextBuf* text, T_GrafElement* field) override;
  void OnButton(T_GrafElement* button) override;
  void OnCheckbox(T_GrafElement* checkbox) override;
  void OnSlidebarEvent(T_GrafElement* bar, SlidebarEvent* record) override;
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;
  bool OnModeboxMenu(T_GrafElement* box, ContextMenuRecord* record) override;
  void OnModeboxEvent(T_GrafElement* box, ModeboxEvent* record) override;
  void GetPreferredSize(POINT* size) override;
  void OnResized(int32_t dw, int32_t dh) override;
  void Print(void* phase) override;
  void StepModeBox(int32_t step, bool control) override;
  void OnModeItemResized(int32_t dw, int32_t dh) override;
  bool HasHeaderField(int32_t id) override;
  bool Calculate(bool force) override;
  void Export(const char* path, int32_t flags) override;
  void WriteText(T_OStream* stream, int32_t flags) override;
  void SaveToTemplate(T_Template* templ) override;
  int64_t GetMemoryUsage() override { return 0; }

  // --- Set-up ------------------------------------------------------------------------------------
  void CreateGridItems(int32_t headerHeight, int32_t titleHeight, int32_t bottomHeight);
  // rect: the title rectangle in the title row's coordinates. Null and pending 600 without memory.
  T_BoxField* AddField(const RECT* rect, int32_t titleId);
  void SetSelectMode(uint32_t mode);
  void SetTitleHeight(int32_t height);
  void SetFieldTitlesShown(bool shown);

  // --- Calculation -------------------------------------------------------------------------------
  void MarkNeedsCalc();
  void EnableCalcButton();
  void SetCalcButtonEnabled(bool on);
  bool CalcButtonEnabled() const;
  // Periodic tick (notify 17).
  void Tick();

  // --- Layout (box_layout.cpp) ------------------------------------------------------------------
  int32_t CalcHeaderHeight(int32_t minimum);
  void SetHeaderHeight(int32_t height);
  void SetViewMode(uint32_t mode);
  void ToggleHeader();
  void CreateHeaderButtons();
  void OnHeaderButton(T_HeaderButton* button);
  // The splitter under a point (window coordinates): 1 header, 2 title, 3 bottom, 0 none.
  int32_t SplitterAt(int32_t px, int32_t py);
  // The height a splitter takes for a pointer position (clamped as the drag clamps it).
  int32_t ClampHeaderHeight(int32_t height);
  int32_t ClampTitleHeight(int32_t height);
  int32_t ClampBottomHeight(int32_t height);
  void SetBottomHeight(int32_t height);
  bool TrackSplitter(InputEvent* event, int32_t splitter);
  int32_t ContentWidth() const;  // largest right edge of the non-stretched fields, >= 64, + 2
  int32_t TitleTop() const;
  int32_t GridHeight() const;
  int32_t GridVisibleHeight() const;  // less the view-mode-4 bar

  // --- Positions and hit tests -------------------------------------------------------------------
  int32_t GetScrollX() const;
  int64_t GetTopRow() const;
  int64_t GetLastVisibleRow();
  void ScrollByRows(int64_t n);
  int64_t RowAtPoint(POINT point);  // grid coordinates
  int32_t FieldAtPoint(int32_t x, int64_t row);  // x in grid coordinates
  T_BoxField* GetField(int64_t index) const;
  // The row's top in grid coordinates; false when the row is not on screen.
  bool GetRowTop(int64_t row, int32_t* top);
  void GetCellRect(RECT* rect, int64_t row, int32_t field);  // grid coordinates
  void GetRangeRect(RECT* rect, const CellRange* range);
  void InvalidateGrid();
  void InvalidateRows(int64_t first, int64_t last);
  void InvalidateFields(int32_t first, int32_t last);
  void InvalidateCell(int64_t row, int32_t field);
  void GetRowTexts(RowTextPool* pool, int64_t row);
  void UpdateScrollBoxes(bool force);
  void FitFieldWidth(T_BoxField* field);
  void FitAllFieldWidths();
  bool TrackTitleClick(InputEvent* event, T_BoxField* field);

  // --- Painting and selection (box_grid.cpp) ------------------------------------------------------
  void InitDrawRecord(BoxDrawRecord* record, const RECT* bounds);
  void StandardDrawGrid(BoxDrawRecord* record);
  void DrawOutline(const RowOutline* outline, const RECT* cell, uint32_t colour);
  bool HasRange() const { return rangeAnchorRow >= 0 && rangeEndRow >= 0; }
  bool CellInRange(int64_t row, int32_t field) const;
  void SelectEditCell(int64_t row, int32_t field, bool caret = false);
  void SelectCell(int64_t row, int32_t field, bool extend);
  void ClearCellSelection();
  void ScrollCellIntoView(int64_t row, int32_t field);
  // A press on a live link in a cell (not the one being edited) follows it; true when it was one.
  bool ClickCellLink(InputEvent* event, int64_t row, int32_t field);
  // Directions 0, 2, 3 forward, 1 down, 5 up, 4, 6, 7 backward; true when a cell was found.
  bool FocusNextCell(int32_t direction);
  // Ctrl+Home and Ctrl+End: the first or the last selectable cell; true when the grid took the
  // key (its selection mode selects cells).
  bool SelectEndCell(bool last);
  // Text commands on the selected cell (without an overlay: the stored edited text).
  bool CellTextCommand(int32_t command);
  void InsertCellText(const char* text);
  void EndCellEdit();
  // The native edit overlay of the selected cell: only while the grid has the focus in the active
  // window; hiding it keeps its text and selection in the window.
  void ShowEditOverlay();
  void HideEditOverlay();
  void PullOverlayText();
  void PushOverlayText();

  // --- Output (box_output.cpp, box_html.cpp, box_export.cpp) ---------------------------------------
  void WriteTextOutput(T_OStream* stream);
  // The Copy Table text with the CopyTable settings.
  bool BuildCopyTableText(T_OStream* stream);
  bool CopyTable();
  void CopyRange(T_OStream* stream, bool privateFormat);
  void WriteHtmlPage(T_OStream* stream);
  void WriteStyleSheet(T_OStream* stream);
  void WriteNotesHtml(T_OStream* stream);
  void WriteNotesXml(T_OStream* stream);
  int64_t WebPageCount();
  void WriteWebPage(T_OStream* stream, int64_t page);
  void DefaultExportName(T_TextBuf* name);
  // Writes the file beside the target and replaces the target after a complete write.
  bool ExportToFile(const char* path, int32_t flags);
  // The chart of a view mode other than 0 drawn into a new bitmap (the caller frees it): with the
  // column titles above the rows for a picture file, without them from the top visible row for
  // the clipboard.
  bool RenderChart(OffscreenBitmap* bitmap, bool forClipboard);
  bool CopyChart();

  // --- Panel (box_panel.cpp) ---------------------------------------------------------------------
  void OpenPanelPage(int32_t page);
  void ClosePanelPage();
  const char* GetPanelPageTitle(int32_t page);
  void ApplyOutputCheckbox(uint32_t id, bool on);
  // The window's subsets as "## Subset" blocks on the clipboard, and back (renamed where a name
  // is taken); the number added.
  bool CopySubsets();
  int32_t PasteSubsets();
  void ApplyPrintCheckbox(uint32_t id, bool on);

  // --- Printing (box_print.cpp) -----------------------------------------------------------------
  bool PrintLayout(PrintPhase* phase);
  void PrintPage(PrintPhase* phase);

  // --- Fields (Part order of the data model) -----------------------------------------------------
  int64_t rowCount = 0;
  int64_t headerRowCount = 0;
  int64_t pagedRowCount = 0;
  uint32_t gridMode = 0;
  uint8_t verticalGridLines = 0;
  void* viewDrawing = nullptr;
  T_Button* calcButton = nullptr;
  uint8_t recalcPending = 0;
  SubsetList subsets{};
  OutputOptions output{};
  PrintOptions print{};
  uint8_t headerSplitter = 0;
  uint8_t headerButtons = 0;
  uint8_t titleSplitter = 0;
  uint8_t titleStyleFlag = 0;
  int32_t minTitleHeight = 0;
  uint8_t bottomSplitter = 0;
  int32_t minBottomHeight = 1;
  uint8_t patternedBackground = 0;
  T_BoxItem* grid = nullptr;
  T_BoxTitles* titles = nullptr;
  T_BoxField* firstField = nullptr;
  uint32_t fieldCount = 0;
  T_BoxField* pressedTitleField = nullptr;
  int32_t openPanelPage = -1;
  int32_t headerHeight = 0;
  int32_t titleHeight = 0;
  int32_t bottomHeight = 0;
  uint32_t viewMode = 0;
  uint8_t relayout = 0;
  uint8_t fieldTitlesShown = 1;
  uint32_t selectMode = 0;
  int64_t selectedRow = -1;
  int32_t selectedField = -1;
  uint8_t editing = 0;
  T_Edit* editOverlay = nullptr;
  T_TextBuf textBefore{};
  T_TextBuf editedText{};
  uint32_t editSelStart = 0;
  uint32_t editSelLength = 0;
  uint8_t selectWholeText = 1;
  int64_t rangeAnchorRow = -1;
  int32_t rangeAnchorField = -1;
  int64_t rangeEndRow = -1;
  int32_t rangeEndField = -1;
  int64_t hoverRow = -1;
  int32_t hoverField = -1;
  RECT hoverLinkRect{};
  int32_t hoverLinkState = -1;
  int64_t dragRow = -1;
  int32_t dragField = -1;
  uint8_t draggingIntoCell = 0;
  RECT dragFrame{};
  POINT caret{};
  int64_t dropRow = -1;
  int32_t dropField = -1;
  uint32_t caretTextPosition = 0;
  uint8_t paintingDragImage = 0;
  CellRange clickRange{};
  uint8_t rangeDragShown = 0;
  T_Slidebar* horizontalBar = nullptr;
  T_Slidebar* verticalBar = nullptr;
  uint8_t scrollBoxesValid = 0;
  uint8_t sizeApplied = 0;
  int64_t savedScrollX = 0;
  int64_t savedTopRow = 0;
  RECT firstRowRect{};
  T_HeaderButton* collapseButton = nullptr;
  T_HeaderButton* expandButton = nullptr;
  uint8_t headerToggled = 0;
  int32_t savedHeaderHeight = 0;
  int32_t savedWidth = 0;
  T_GrafElement* panelItems[16] = {};
  int32_t panelItemCount = 0;
  PrintWork* printWork = nullptr;
  char* exportPath = nullptr;  // owned block
  char* notes = nullptr;       // owned block; CR separates lines
  T_Edit* notesEdit = nullptr;
  uint8_t resizeFromSystem = 0;
  LayoutChange layoutRecord{};
  int32_t bottomAdjustment = 0;
  int64_t pageCount = 0;
  int64_t* pageStarts = nullptr;  // owned block, cards windows

  // Things the base needs about itself.
  int32_t templateHeaderRows = 0;  // header rows of the derived window's template
  TextStyle defaultStyle{};
  uint8_t hasToolbarSpace = 0;
  uint8_t overlayFocus = 0;  // the focus moves between the grid and the overlay
  uint64_t lastDragEnd = 0;  // when the last range drag ended (ticks)
};

// The window as a box window, or null.
T_BoxWin* AsBoxWin(T_EventHandler* element);
