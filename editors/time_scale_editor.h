#pragma once
// T_TScaleEditor: the window in which one time scale is edited (window kind 15), a box window
// with the columns "Start" and "Name" under a name field. It works on a copy of the periods (the
// rows) and writes them back only when the user confirms on closing.
//
// Layout (pixels): start column = card-number digits x 7 + 58; window start column + 120 wide and
// 255 high; header 26 high with "Name:" at 6, 7 and the name edit at 50, 7, width - 78 by 12;
// rows 12 high; the "Name" column takes width - start column - 18, at least 60.
//
// Invariants:
//   1. rows holds at least one row once the window is built; rowCount follows rows.count.
//   2. The rows' names are owned blocks; a row with neither start nor name is empty.
//
// User-interface thread only.
#include <cstdint>

#include "analysis/boxwin/box_window.h"
#include "core/paged_array.h"

class T_Base;
class T_Edit;
struct T_TextBuf;
struct TimeScale;

// Item ids.
constexpr uint32_t kTScaleNameId = 1;

class T_TScaleEditor : public T_BoxWin {
 public:
  static constexpr int32_t kHeight = 255;

  // Built and opened on a copy of the scale's periods, or on one empty row for a new scale.
  T_TScaleEditor(T_Base* database, TimeScale* scale);
  ~T_TScaleEditor() override;

  void FormatRow(RowTextPool* pool, int64_t row) override;
  int32_t GetRowHeight(int64_t row) override;
  // The start cell parses a card id (a partial date completes to the first day); the name cell
  // loses control characters and surrounding blanks.
  void GetCellEditText(T_TextBuf* text, int64_t row, int32_t field) override;
  // Enter inserts an empty row after the selected one.
  bool GridKeyDown(InputEvent* event) override;
  void Notify(int32_t code) override;
  void OnChange(const ChangeNote* note) override;
  void OnEditEvent(T_GrafElement* field, int32_t code) override;
  void OnResized(int32_t dw, int32_t dh) override;
  // "New Period" and "Erase Period" for the selected row (Erase stays the cell's while text is
  // selected in it); "Paste Periods" when the clipboard holds a tab or a line break; the import
  // entry reads "Import time scales"; "Delete Time Scale" for a stored scale.
  void UpdateCommands() override;
  bool DoCommand(int32_t command) override;
  // With a path that file, else a file chosen in the open dialog; the rows as the text import
  // takes them. A database file is refused with 2111.
  void ImportFile(const char* path) override;
  // Close code 3 closes without saving; any other close tidies and saves first, and a refused
  // save keeps the window open.
  bool QueryClose(int32_t code) override;

  // Inserts an empty row after the selected one (at the end without one), selects its start
  // cell and starts editing.
  void InsertRow();
  // Clears the selected row and removes it unless it is the only one; selects the row at the
  // same place (the previous one after the last).
  void EraseRow();
  // The rows taken from the text (see ImportPeriodsFromText); the number taken.
  int64_t PasteText(const char* text);
  // Before saving: empty rows go, the rest are sorted by start; repaints when anything changed.
  bool Tidy();
  // The steps of saving: the unique name, what changed, the question, the change. False when
  // the window is to stay open.
  bool Save();
  // The name the scale would be saved under: the name field (cleaned), or the title for a new
  // scale with an empty field; "Time Scale" for empty; its number raised while another time
  // scale of the database has it (letter case ignored).
  void UniqueName(T_TextBuf* name);
  // The start column's width for the database's card-number digits.
  int32_t StartColumnWidth() const;
  // Row count and scroll bars after the rows changed.
  void RowsChanged();

  TimeScale* scale;  // null for a new time scale
  PagedArray rows;   // TimePeriod entries
  T_Edit* nameField = nullptr;
  T_BoxField* startColumn = nullptr;
  T_BoxField* nameColumn = nullptr;
  int32_t startWidth = 0;

 private:
  T_TScaleEditor(T_Base* database, TimeScale* scale, const RECT& rect);
};

// Brings the editor of the scale forward, or opens one (scale null: a new time scale) when 16384
// bytes are free. Null when none opened.
T_TScaleEditor* OpenTimeScaleEditor(T_Base* database, TimeScale* scale);
// The delete command on a time scale editor: for an existing scale asks 3208 (Delete, Cancel);
// unless cancelled the editor closes without a question and the time scale is destroyed (note
// 53). Nothing for another window or a new scale. True when the scale was deleted.
bool DeleteTimeScaleOfEditor(T_Window* window);
