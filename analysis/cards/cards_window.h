#pragma once
// T_Cards: the cards window (window kind 1). It lists the cards that pass its selection in date
// order, or in the order of up to eight sort keys, each card followed, as the contents modes ask,
// by its groups, the lines of each group, a notes row and a signatures row.
//
// Invariants:
//   1. rows holds one CardsRow per listed row in natural (date) order: a card row, then its
//      group rows each followed by its line rows, then its notes and signatures rows; a card
//      with no passing line is not listed at all.
//   2. rowMap is null (display position = row) or holds rowCount row numbers, a permutation.
//   3. Rows point at model records: they are dropped (DropRows) before any change that frees
//      records is painted or exported (codes 27, 28, 40).
//   4. fields[code] is the column of a shown field code, null for a hidden one.
//
// User-interface thread only.
#include <cstdint>

#include "analysis/boxwin/box_window.h"
#include "analysis/cards/cards_fields.h"
#include "core/paged_array.h"
#include "database/card_selection.h"

class T_CardsTmpl;

struct CardsRow {
  uint32_t kind = 0;  // kRowCard .. kRowSignatures
  CardRecord* card = nullptr;
  GroupRecord* group = nullptr;  // group and line rows
  LineRecord* line = nullptr;    // line rows
};

class T_Cards;

class T_CardsField : public T_BoxField {
 public:
  T_CardsField(T_Cards* window, int32_t code);
  int32_t code;
  uint32_t level;
};

// The card an open card window (kind 10) shows, for the check before long work on listed data.
// Until the card editor installs its own, every editor shows no card.
using EditorCardHook = const CardRecord* (*)(T_HWindow* editor);
void SetEditorCardHook(EditorCardHook hook);

// Asks every open card window of the owner's database whose card the owner lists (listed says)
// to close, one at a time; false when one refuses, and nothing more is asked then. A list window
// calls it before it changes or removes the cards it lists.
bool CloseEditorsOfCards(T_HWindow* owner, bool (*listed)(T_HWindow* owner, const CardRecord* card));

// Counts the comparator calls of every sort (a test of the unsorted path reads it).
int64_t CardsCompareCalls();

class T_Cards : public T_BoxWin {
 public:
  T_Cards(T_CardsTmpl* templ, T_Base* database, const RECT* rect, uint32_t flags);
  ~T_Cards() override;

  // --- T_HWindow and T_EventHandler slots ------------------------------------------------------
  void OnChange(const ChangeNote* note) override;
  void UpdateCommands() override;
  bool DoCommand(int32_t command) override;
  void OnEditText(T_TextBuf* text, T_GrafElement* field) override;
  void OnButton(T_GrafElement* button) override;
  void OnCheckbox(T_GrafElement* checkbox) override;
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;
  void OnLineboxEvent(T_GrafElement* box, LineboxEvent* record) override;
  bool OnModeboxMenu(T_GrafElement* box, ContextMenuRecord* record) override;
  void OnModeboxEvent(T_GrafElement* box, ModeboxEvent* record) override;
  void OnToolSelected(int32_t item) override;
  void DrawModeItem() override;
  bool ClickModeItem(InputEvent* event, T_GrafElement* sender) override;
  void RestrictToSubset(void* subset) override;
  void SetupTransform(void* dialog) override;   // cards_walks.cpp
  void SetupAggregate(void* aggregator) override;  // cards_walks.cpp
  void DeleteData(bool ask) override;
  void MarkCards(int32_t command) override;
  void SaveToTemplate(T_Template* templ) override;
  bool IsEmpty() override { return rows.count == 0; }
  int64_t GetMemoryUsage() override;

  // --- Box window slots ------------------------------------------------------------------------
  void FormatRow(RowTextPool* pool, int64_t row) override;
  void RunCalculation(bool enabled, bool force) override;
  int32_t GetRowHeight(int64_t row) override;
  bool IsGroupStart(int64_t row) override;
  bool IsDataRow(int64_t row) override;
  int32_t GetRowLayout(int64_t row) override;
  int32_t GetDefaultHeaderHeight() override;
  int32_t GetDefaultWidth() override { return 550; }
  int32_t GetEffectiveTool(InputEvent* event) override;
  bool ClickCell(InputEvent* event, int64_t row, int32_t field, int32_t tool) override;
  void SelectRange(CellRange* range) override;
  bool CanSelectCell(int64_t row, int32_t field) override;
  void TitleContextMenu(ContextMenuRecord* record, int32_t phase) override;
  bool ClickFieldButton(InputEvent* event, T_BoxField* field, const RECT* rect) override;
  void BeginTextOutput(T_OStream* stream) override;
  void WriteHtmlData(T_OStream* stream) override;
  void WriteXml(T_OStream* stream) override;
  void WriteHtmlRows(T_OStream* stream, int64_t firstRow, int64_t lastRow) override;
  void WriteHtmlCell(T_OStream* stream, int64_t row, T_BoxField* field) override;
  void WriteCellText(T_OStream* stream, int64_t row, T_BoxField* field) override;
  void WriteDefinition(TextCellWriter* writer) override;
  void WriteHtmlDefinition(T_OStream* stream) override;
  void WriteXmlDefinition(T_OStream* stream) override;
  void GetFieldSortKey(T_BoxField* field, T_TextBuf* key) override;

  // --- Rows (cards_rows.cpp) -----------------------------------------------------------------
  // The row record at a display position; null outside the rows.
  const CardsRow* RowAt(int64_t position) const;
  // Frees the rows and the row map; the grid shows nothing until the next calculation.
  void DropRows();
  // Puts the rows in the order of the sort keys (the row map), and the sort markers on the titles.
  void SortRows();
  void UpdateSortMarkers();
  // Trailing keys that are card id ascending or repeat the field before them; one key stays.
  void TrimSortKeys();
  // The contents scope of the data commands: 0 cards, 1 groups, 2 lines.
  int32_t ContentsScope() const;

  // --- Fields (cards_window.cpp) -------------------------------------------------------------
  bool FieldShown(int32_t code) const;
  // Rebuilds the column objects of the shown fields in column order, keeping the widths.
  void RebuildFields();
  // Stores the column widths into the options block.
  void StoreFieldWidths();

  // --- Commands (cards_commands.cpp) --------------------------------------------------------
  // The selection as a "## Selection" block on the clipboard, and back.
  bool CopySelection();
  bool PasteSelection();
  // The block's text and reading it (the clipboard's parts, kept apart for tests).
  void WriteSelectionBlock(T_OStream* stream);
  bool ReadSelectionBlock(const char* text);
  // Asks every card window that shows a listed card to close; false when one refuses.
  bool CloseEditorsOfListedCards();
  int64_t CountRows(uint32_t kind) const;

  // --- The "Columns" and "Options" pages and the other windows (cards_pages.cpp) -------------
  // Builds the page (0 "Selection", 1 "Columns", 2 "Options") in the header area, closing the
  // one shown.
  void OpenCardsPage(int32_t page);
  // Builds the shown page again after the current message (the pressed control may go).
  void RebuildCardsPageLater();
  // The fields the "Columns" page lists, in column order; returns how many.
  int32_t ListedFields(int32_t* codes) const;
  // The entries of the sort-key field chooser: field codes, -1 for a separator.
  int32_t SortFieldEntries(int32_t* codes) const;
  // Adds a key (card id ascending) after the last, removes the last, or moves one; false when
  // nothing changed. The rows are sorted again.
  bool AddSortKey();
  bool RemoveSortKey();
  bool MoveSortKey(int32_t from, int32_t to);
  // The key row of the "Options" page at a height of the mode item (its grip column is left of
  // the rows), -1 for none; clamped to the first and last row when clamp is set.
  int32_t SortKeyRowAt(int32_t y, bool clamp) const;
  // Sets a contents mode (0 groups, 1 lines); the rows become out of date.
  void SetContentsMode(int32_t which, uint32_t mode);
  // Toggles the show flag of a field and rebuilds the columns.
  void ToggleFieldShown(int32_t code);
  // Opens the analysis window of the kind (1 to 5) on this window's selection through the
  // template runner; null when nothing opened.
  T_HWindow* OpenRelatedWindow(int32_t kind);
  // Whether the "» …" entry of a template kind can run.
  bool CanOpenRelated(int32_t kind) const;

  PagedArray rows{};
  CardSelection selection{};
  CardsOptions options{};
  uint32_t groupsMode = kContentsSelected;
  uint32_t linesMode = kContentsSelected;
  int32_t currentPage = -1;
  int32_t currentField = -1;
  T_CardsField* fields[kCardsFieldCount] = {};
  int32_t fieldOrder[kCardsFieldCount] = {};
  int32_t fieldOrderCount = 0;
  int64_t* rowMap = nullptr;  // MemAlloc block, rowCount entries
  uint8_t userSorted = 0;     // the user chose keys: even the default key shows its marker
  int32_t shownKeyCount = 0;  // key count of the last built "Options" page
  T_GrafElement* fieldDetails = nullptr;  // the current field's frame on the "Columns" page
  T_GrafElement* fieldList = nullptr;     // the field list of the "Columns" page
};

T_Cards* AsCardsWindow(T_EventHandler* element);
// The template runner's opener of kind 1: null without a template or when 64 KB cannot be had.
T_HWindow* OpenCardsWindow(T_Template* templ, T_Template* parameter, int32_t flags);
