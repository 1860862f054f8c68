#pragma once
// T_FlatEditor: the box window under the two text-import setup editors. Its grid shows an example
// file while the user builds the setup: as hexadecimal or decimal byte codes, as rows split by
// the setup's separator ("Text"), or as the fields the setup takes out of each row ("Fields").
// The page area holds the derived editor's controls, built from the frames declared here: the
// example-file frame, the character conversion frame and the field-piece edit groups.
//
// Threads. The "Text" and "Fields" views are filled by a background pass on a thread of its own
// (the toolkit's BackgroundTask). Invariants:
//   1. A pass reads only what it owns: a private RowReader on a private copy of the format (and,
//      in the derived editor, of the setup) taken when the pass starts. An edit of the setup
//      stops the pass and starts a new one; the edited copy is never read by a pass.
//   2. A pass writes only the row-offset index (append, entry before count), the counters and
//      the four change flags; the user-interface thread reads them and clears the flags on the
//      periodic tick, where it also deletes a pass that has ended.
//   3. The index is cleared only while no pass runs.
//   4. The editor's own reader (reader) is used on the user-interface thread only.
//
// Grid rows of the "Text" and "Fields" views: row i spans the file from index entry i to entry
// i + 1; the pass appends the start of the first row and then the end of each row it took, so
// the view has one row less than the index has entries.
#include <atomic>
#include <cstdint>
#include <vector>

#include "analysis/boxwin/box_window.h"
#include "core/text_buffer.h"
#include "database/import_setups.h"
#include "import/flat_example.h"
#include "import/flat_pass.h"
#include "import/row_reader.h"
#include "ui/frame_items.h"

class T_Button;
class T_Checkbox;
class T_Chooser;
class T_Edit;
class T_FlatEditor;

// Views of the example file.
constexpr int32_t kViewNone = -1;
constexpr int32_t kViewHex = 0;
constexpr int32_t kViewDecimal = 1;
constexpr int32_t kViewText = 2;
constexpr int32_t kViewFields = 3;

// Item ids the frames use (the derived editors' page items start at 100).
constexpr uint32_t kFlatShowFileId = 40;
constexpr uint32_t kFlatImportId = 41;
constexpr uint32_t kFlatViewChooserId = 42;
constexpr uint32_t kFlatConvertFromId = 43;
constexpr uint32_t kFlatConvertToId = 44;
constexpr uint32_t kFlatPieceFirstId = 50;  // per group: field, first, last, text, +, -
// The page items both editors share; the derived editors' own start at 120.
constexpr uint32_t kFlatEncodingId = 100;
constexpr uint32_t kFlatExcludeCompletelyId = 101;
constexpr uint32_t kFlatExcludeCountedId = 102;
constexpr uint32_t kFlatExcludeControlId = 103;
constexpr uint32_t kFlatFixedId = 104;
constexpr uint32_t kFlatTerminatorId = 105;
constexpr uint32_t kFlatSeparatorId = 106;
constexpr uint32_t kFlatPositionsId = 107;
constexpr uint32_t kFlatRowsToSkipId = 108;

// Milliseconds between two looks at the example file's size and time.
constexpr uint64_t kFlatCheckInterval = 8000;

// The example file: its name and status line, "Show File", "Import" and the view chooser.
class T_ViewFlatFrame : public T_Frame {
 public:
  T_ViewFlatFrame(T_FlatEditor* editor, T_EventHandler* parent, const XYWH& rect);
  void DrawContent() override;
  bool AcceptDrop(TransferList* list) override;
  void OnButton(T_GrafElement* button) override;
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;
  // "Import" follows whether a file is set; the chooser the view.
  void Update();

  T_FlatEditor* editor;
  T_Button* importButton = nullptr;
  T_Chooser* viewChooser = nullptr;
};

// "Convert Characters": the two edits with their labels and the arrows between them.
class T_ConvertFrame : public T_Frame {
 public:
  T_ConvertFrame(T_FlatEditor* editor, T_EventHandler* parent, const XYWH& rect,
                 FlatFormat* format);
  void DrawContent() override;
  void OnEditText(T_TextBuf* text, T_GrafElement* field) override;

  T_FlatEditor* editor;
  FlatFormat* format;
  T_Edit* from = nullptr;
  T_Edit* to = nullptr;
};

// The edits of one piece of a FieldDef chain: field number (disabled in fixed format), first and
// last position, and the piece's indicator text or its inserts. The group of the chain's last
// piece carries "+" and, with more than one piece, "-"; both rebuild the page.
class T_FlatFieldEdits : public T_Item {
 public:
  static constexpr int32_t kPitch = 60;
  // indicator: the fourth edit holds the piece's text, else its insertChars.
  T_FlatFieldEdits(T_FlatEditor* editor, T_EventHandler* parent, const XYWH& rect, FieldDef* chain,
                   FieldDef* piece, bool indicator, bool last);
  void OnEditText(T_TextBuf* text, T_GrafElement* field) override;
  void OnButton(T_GrafElement* button) override;

  T_FlatEditor* editor;
  FieldDef* chain;
  FieldDef* piece;
  bool indicator;
  T_FlatFieldEdits* nextGroup = nullptr;
};

// Where the n-th control of a piece page stands: below the piece groups, two columns of three.
XYWH PieceExtraSlot(int32_t n);

// A whole number typed into a number edit within low..high, else the fallback; and the number
// shown back in the edit.
uint32_t EditNumber(const T_TextBuf& text, uint32_t low, uint32_t high, uint32_t fallback);
void ShowNumber(T_TextBuf* text, uint32_t value);

// The items of a zero-fill chooser (9 items): "-", then the digits; 1 cannot be chosen.
void ZeroFillItem(ChooserEvent* record);

// A whole number typed into a piece edit: 0 (shown empty) when outside 0..limit or not a number.
uint32_t PieceNumber(const char* text, uint32_t limit);

class T_FlatEditor : public T_BoxWin {
 public:
  // format: the edited copy's format, owned by the derived editor.
  T_FlatEditor(int32_t kind, const RECT* rect, T_Base* database, FlatFormat* format);
  ~T_FlatEditor() override;

  // --- Slots, in order ---------------------------------------------------------------------------
  // The page area's controls for the current page.
  virtual void BuildPage() = 0;
  // A new example file: the remembered column widths go.
  virtual void OnExampleFileSet();
  // One logical row of the "Fields" view, on the pass's thread with its reader and its state
  // (0 at the start of each pass); may join further rows as the importer would. Reads only the
  // copy TakePassCopy made.
  virtual void AddExampleRow(RowReader* reader, int32_t* state) = 0;
  virtual void RebuildFields() = 0;
  virtual void ClearFields() = 0;
  // The text of one field cell of the "Fields" view for the row the reader holds.
  virtual void GetFieldCellText(RowReader* reader, T_BoxField* field, T_TextBuf* text) = 0;
  // Before a "Fields" pass starts (no pass running): the derived editor copies what its
  // AddExampleRow reads.
  virtual void TakePassCopy();

  // --- Overridden --------------------------------------------------------------------------------
  void Notify(int32_t code) override;
  void RunBackground(BackgroundTask* task, uint32_t argument) override;
  void FormatRow(RowTextPool* pool, int64_t row) override;
  void DrawGrid(BoxDrawRecord* record) override;
  int32_t GetEffectiveTool(InputEvent* event) override;
  void OnFieldWidthChanged(T_BoxField* field, int32_t change) override;
  void DragOverGrid(InputEvent* event, int32_t phase, uint32_t flags) override;
  bool DropOnGrid(TransferList* list) override;
  bool ClickGrid(InputEvent* event) override;
  bool ClickFieldTitle(InputEvent* event, T_BoxField* field) override;
  void DrawModeItem() override;
  void DoClose() override;

  // --- Operations --------------------------------------------------------------------------------
  // With a path: opens it, analyses its head (7382 when it speaks for another format) and shows
  // the last chosen view. Without: leaves every view and closes the reader.
  void SetExampleFile(const char* path);
  // The open dialog at the current path; cancelling clears the example file.
  void ChooseExampleFile();
  void SetViewMode(int32_t mode);
  // At most every 8,000 ms unless forced: a file that changed is read again.
  void CheckFileChanged(bool force);
  // The periodic step: counters, columns and rows after the pass, an ended pass deleted.
  void UpdateFromPass();
  // An edit of the setup: the modified flag; a format change also refreshes the raw and "Text"
  // views; the "Fields" view always starts a new pass.
  void SetupEdited(bool formatChanged);
  // The "Fields" view's columns again (after a change of the setup's fields).
  void RefreshFieldColumns();
  // BuildPage once the event under way has returned (its sender may be on the page).
  void PostPageRebuild();
  void StopPass();
  void StartPass();
  bool PassRunning() const { return passRunning_; }
  // The text the status line shows.
  void StatusText(T_TextBuf* text);
  // Re-reads grid row i of the "Text" or "Fields" view into the reader; false when it is gone.
  bool ReadGridRow(RowReader* reader, int64_t row);

  // --- Fields ------------------------------------------------------------------------------------
  RowReader reader;
  FlatFormat* format;
  T_TextBuf examplePath;
  T_TextBuf exampleName;
  int64_t exampleSize = 0;
  double exampleTime = 0;
  uint64_t lastCheck = 0;
  int32_t exampleView = kViewNone;
  int32_t lastChosenMode = kViewText;
  int32_t offsetDigits = 4;
  RowOffsetIndex index;
  PassCounters pass;
  std::atomic<bool> refreshNeeded{false};
  int32_t columnsBuilt = 0;
  uint8_t modified = 0;
  uint8_t dragOver = 0;
  int32_t textWidths[100] = {};  // widths the user gave the "Text" view's columns, 0 none
  T_ViewFlatFrame* exampleFrame = nullptr;
  T_FlatFieldEdits* pieceGroups = nullptr;
  FieldDef* pieceChain = nullptr;
  // The fixed-format ruler drag: the positions under the press and the pointer (1-based), 0 none.
  int32_t rulerFirst = 0;
  int32_t rulerLast = 0;

  // --- The position ruler of the "Text" view in fixed format --------------------------------------
  // Whether the view shows the ruler column.
  bool RulerShown() const;
  // Pressing and dragging over the ruler column (in the grid or on its title, polled through the
  // element): while the button is held the header corner shows the range and the grid
  // highlights it.
  void TrackRuler(InputEvent* event, T_GrafElement* element);
  // The left edge of a ruler position (1-based; count + 1 for the right edge of the last), in the
  // grid's and the titles' coordinates; and the position under an x, within 1..count.
  int32_t RulerEdge(int32_t position);
  int32_t RulerPositionAt(int32_t x);
  // "first:last" of the range being dragged, lower position first; empty while none is.
  void RulerRangeText(T_TextBuf* text) const;

 protected:
  // Builds the piece groups of a chain at (x, y) in the parent; y moves below them.
  void AddPieceGroups(T_EventHandler* parent, int32_t x, int32_t* y, FieldDef* chain,
                      bool indicator);
  // The page's items are children of the page area; they go before a new page is built.
  void ClearPageItems();
  // A label, a text edit and a number edit of the page area (the two factories of the page
  // controls); the number edit moves *y 17 pixels down.
  T_Text* PageLabel(const XYWH& rect, int32_t textId);
  T_Text* PageLabelText(const XYWH& rect, const char* text);
  T_Edit* TextEdit(const XYWH& rect, uint32_t id, const char* text);
  T_Edit* NumberEdit(int32_t x, int32_t* y, int32_t width, uint32_t id, int64_t value);
  T_EventHandler* PageParent();
  // Remembers every item made for the page.
  void KeepPageItem(T_GrafElement* item);
  // A chooser (items answered through the window) and a check box of the page area.
  T_Chooser* PageChooser(const XYWH& rect, uint32_t id, int64_t count, int64_t current,
                         int32_t titleId);
  T_Checkbox* PageCheckbox(const XYWH& rect, uint32_t id, int32_t label, bool on);

  // --- The pages both editors share (flat_pages.cpp) ---------------------------------------------
  // "Characters": the encoding, the conversion frame, the excluded characters and control
  // characters.
  void BuildCharactersPage();
  // The format controls at (x, y): field length, terminator, separator, positions and rows to
  // skip; y moves below them.
  void BuildFormatControls(int32_t x, int32_t* y);
  // The shared items' edits, check boxes and choosers; true when the item was one of them.
  bool SharedEditText(uint32_t id, T_TextBuf* text);
  bool SharedCheckbox(uint32_t id, bool checked);
  bool SharedChooserEvent(T_GrafElement* chooser, uint32_t id, ChooserEvent* record);

  // The private copy of the format a pass reads.
  FlatFormat passFormat;

 private:
  void BuildRawColumns();
  void BuildTextColumns();
  void ClearColumns();
  void AnalyseHeadAndAsk();
  void RemoveAllFields();

  BackgroundTask task_;
  bool passRunning_ = false;
  bool headChanged_ = false;
  T_TextBuf passPath_;
  int32_t passView_ = kViewNone;
  T_GrafElement* pageItems_[256] = {};
  int32_t pageItemCount_ = 0;
  // The ruler's character edges, measured at the press (unscrolled, from the title's left).
  std::vector<int32_t> rulerEdges_;
  void InvalidateRuler();
};
