#pragma once
// T_CardEditor: the document window (kind 10) in which one card is edited: its id, title and
// notes in the header, its groups and lines as rows of the grid. Nothing reaches the stored card
// until the window closes and the user agrees to the save.
//
// Rows: a group row holds the component of dimension 0 in slot 0; a data line holds the component
// of dimension i + 1 in slot i (the dimension's root when unset), a text and the values. A data
// line before the first group row belongs to the group without a component.
//
// Fields, left to right: the group component (code 25, shown on group rows only), the component
// of dimension 1 (26), the line text (0), the value columns (1..n), then the components of the
// further dimensions in use (25 + d).
//
// Invariants:
//   1. there is always at least one row;
//   2. a row's link is the stored group or line it came from, or null; between change notes 40
//      and 41 line links hold line record numbers + 1 instead of pointers (linksAreNumbers);
//   3. storedCard is null for a new card, else a card of the database; the editor never changes
//      it before the save question was answered.
//
// User-interface thread only.
#include "analysis/cards/editor_card.h"
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "analysis/boxwin/box_window.h"
#include "core/bit_vector.h"
#include "core/packed_date.h"
#include "database/model_records.h"

class T_CardEditor;
class T_CardTmpl;
class T_Checkbox;
class T_Text;

// Row kinds.
constexpr uint32_t kRowEmpty = 0;
constexpr uint32_t kRowGroup = 1;
constexpr uint32_t kRowLine = 2;

// Field codes.
constexpr int32_t kFieldLineText = 0;
constexpr int32_t kFieldGroup = 25;  // 25 + d: the component of dimension d

// Repeat units.
constexpr int32_t kRepeatYears = 0;
constexpr int32_t kRepeatMonths = 1;
constexpr int32_t kRepeatWeeks = 2;
constexpr int32_t kRepeatDays = 3;
constexpr int32_t kRepeatSameDay = 4;

// Commands of the editor (label text ids).
constexpr int32_t kCommandDeleteCard = 2527;
constexpr int32_t kCommandCopyLine = 3510;
constexpr int32_t kCommandDuplicateLine = 3511;
constexpr int32_t kCommandRemoveLine = 3512;
constexpr int32_t kCommandNewRow = 20;

// Open position modes.
constexpr int32_t kPositionId = 1;
constexpr int32_t kPositionTitle = 2;
constexpr int32_t kPositionLine = 3;
constexpr int32_t kPositionNotes = 60;

// Open flags.
constexpr int32_t kOpenNewWindow = 8;

struct CardRow {
  uint32_t kind = kRowEmpty;
  int64_t slots[kDimensionCount] = {};
  char* text = nullptr;  // owned block
  void* link = nullptr;  // GroupRecord* or LineRecord* (a line number while linksAreNumbers)
  double values[kMaxValueCount] = {};
};

// What the save needs from the application and the user. A missing hook gives the default
// written beside it.
struct CardEditorServices {
  // The user's signature stamp; false when the user declined. Missing: the engine's stamp
  // (database/object_services.h), always given.
  bool (*signatureStamp)(SignatureStamp* stamp, T_Window* owner);
  // The repeat dialog with the editor's unit and count; false when cancelled. Missing: the
  // T_CardRepeat dialog.
  bool (*askRepeat)(T_CardEditor* editor, int32_t* unit, int32_t* count);
};
// Null puts back the defaults.
void SetCardEditorServices(const CardEditorServices* services);
const CardEditorServices& CardServices();

// Fills the card editor's places: the kind-10 template class, the followed card links, the
// database's New Card command and the signature stamp of the application.
void InstallCardEditor(bool (*signatureStamp)(SignatureStamp* stamp, T_Window* owner));

class T_CardEditor : public T_BoxWin {
 public:
  // templ: the database's kind-10 template (a T_CardTmpl) or null; card null for a new card.
  T_CardEditor(T_Base* database, T_Template* templ, CardRecord* card, const RECT* rect);
  ~T_CardEditor() override;

  // --- Slots ---------------------------------------------------------------------------------------
  void Notify(int32_t code) override;
  void OnChange(const ChangeNote* note) override;
  void UpdateCommands() override;
  bool DoCommand(int32_t command) override;
  bool KeyDown(InputEvent* event, T_GrafElement* target) override;
  bool MouseDown(InputEvent* event, T_GrafElement* target) override;
  bool QueryClose(int32_t code) override;
  void OnEditText(T_TextBuf* text, T_GrafElement* field) override;
  void OnCheckbox(T_GrafElement* checkbox) override;
  void RestrictToSubset(void* subset) override;
  void SetupTransform(void* dialog) override;  // card_editor_transform.cpp
  void DeleteData(bool ask) override;
  void SaveToTemplate(T_Template* templ) override;
  void FormatRow(RowTextPool* pool, int64_t row) override;
  bool IsDataRow(int64_t row) override;
  bool IsGroupStart(int64_t row) override;
  bool ClickGrid(InputEvent* event) override;
  void ContextMenu(ContextMenuRecord* record, int32_t phase) override;
  bool GridKeyDown(InputEvent* event) override;
  bool CanSelectCell(int64_t row, int32_t field) override;
  void GetCellEditText(T_TextBuf* text, int64_t row, int32_t field) override;
  void OnFieldWidthChanged(T_BoxField* field, int32_t change) override;
  void WriteHtmlRows(T_OStream* stream, int64_t firstRow, int64_t lastRow) override;
  void PrintPart(BoxDrawRecord* record) override;
  int64_t PrepareRowList() override;
  int64_t MapRow(int64_t position) override;

  // --- Rows ----------------------------------------------------------------------------------------
  int64_t RowCount() const { return static_cast<int64_t>(rows.size()); }
  CardRow* Row(int64_t row) { return row >= 0 && row < RowCount() ? &rows[static_cast<size_t>(row)] : nullptr; }
  // The field code of a grid field; -1 for none.
  int32_t FieldCode(int32_t field) const;
  // The grid field of a code; -1 when not shown.
  int32_t FieldOfCode(int32_t code) const;
  // Inserts an empty row before the index; false without memory.
  bool InsertRow(int64_t at);
  void RemoveRow(int64_t row);  // the last remaining row is cleared instead
  void DuplicateRow(int64_t row);
  // Swaps the row with its neighbour (direction -1 up, 1 down); false at an end.
  bool MoveRow(int64_t row, int32_t direction);
  // Moves the block [first, last] so that it starts before row `to` (indexes before the move).
  void MoveRows(int64_t first, int64_t last, int64_t to);
  // The rows a drag from the margin of the row takes: a data line alone, a group row with its
  // lines. False for an empty row.
  bool DragBlock(int64_t row, int64_t* first, int64_t* last);
  // Where the block [first, last] lands when dropped over a row (an index before the move), -1
  // where it cannot: inside itself, or for a group not at a group boundary.
  int64_t DropIndex(int64_t first, int64_t last, int64_t over);
  // Alt and a click on a component cell: the component picker; true when it was one.
  bool PickComponent(InputEvent* event, int64_t row);
  // Tracks a drag from the row margin with the pointer held; true when rows moved.
  bool TrackRowDrag(InputEvent* event, int64_t row);
  // A data line without component, text or non-zero value and a group row without component
  // become empty rows.
  void CheckRowEmpty(int64_t row);
  void ClearRow(CardRow* row);
  int64_t CurrentRow() const { return currentRow; }
  // The row of the selected cell, which the cursor may have reached by any key (it becomes the
  // current row), else the current row.
  int64_t ActiveRow();
  void SetCurrentRow(int64_t row);
  int64_t CountDataLines() const;

  // --- Cells ---------------------------------------------------------------------------------------
  // Stores typed text in a cell, as the grid does when an edit ends: a component is resolved in
  // its dimension, a value is evaluated, the line text is taken as it is.
  void StoreCellText(int64_t row, int32_t code, const char* text);
  // The text a cell shows.
  void CellText(T_TextBuf* out, int64_t row, int32_t code);

  // --- Header --------------------------------------------------------------------------------------
  // Takes typed card-id text: a date keeps the stored card's id on its date, else the first
  // free number on that date; empty text gives the stored id or today's first free one; text
  // without a date leaves the id.
  void TakeCardIdText(const char* text);
  // Steps the date by days, months or years and takes the first free number there.
  void StepCardDate(int32_t years, int32_t months, int32_t days);
  void ShowCardId();
  void SetTitleText(const char* text);
  void SetNotesText(const char* text);
  void ShowNotes(bool shown);
  // The stamps beside the notes show the editor's stamps.
  void ShowStamps();

  // --- Commands ------------------------------------------------------------------------------------
  void SetReviewStamp(int32_t command);
  // Command 2527: asks, then deletes the stored card and closes; false when nothing happened.
  bool DeleteStoredCard();
  bool PasteFromClipboard();
  // Drags the card as a card link (from the id label): its id as text, and the link.
  void DragCardLink();

  // --- State ---------------------------------------------------------------------------------------
  CardRecord* storedCard = nullptr;
  CardId cardId{};
  char* title = nullptr;       // owned block
  char* cardNotes = nullptr;   // owned block
  char* storedNotes = nullptr;  // owned block: the notes as loaded, for the comparison
  SignatureStamp created{};
  SignatureStamp changed{};
  SignatureStamp notesStamp{};
  SignatureStamp examined{};
  SignatureStamp approved{};
  uint8_t examinedChanged = 0;
  uint8_t approvedChanged = 0;
  uint8_t notesShown = 0;
  uint32_t dimensionWidths[kDimensionCount] = {};
  uint32_t lineTextWidth = 0;
  uint32_t valueWidths[kMaxValueCount] = {};
  uint8_t openNotes = 0;
  std::vector<CardRow> rows;
  std::vector<int32_t> fieldCodes;
  int64_t currentRow = 0;
  int32_t repeatUnit = kRepeatMonths;
  int32_t repeatCount = 12;
  uint8_t linksAreNumbers = 0;
  uint8_t closingWithoutSave = 0;
  uint8_t formattingOutput = 0;  // data lines also show their group's component
  // Output rows: the data lines of the grid in order, restricted to a subset's lines when set.
  std::vector<int64_t> outputRows;
  BitVector* subsetLines = nullptr;  // owned; null: no restriction

  T_Edit* idEdit = nullptr;
  T_Edit* titleEdit = nullptr;
  T_Checkbox* notesBox = nullptr;
  T_Edit* notesField = nullptr;
  T_Text* idLabel = nullptr;
  T_Text* stampLabels[4] = {};  // created, modified, examined, approved; while the notes show
  T_Text* stampTexts[4] = {};

  // --- Building ------------------------------------------------------------------------------------
  void LoadCard();
  void BuildFields();
  void BuildHeader();
  void RefreshFields();
  void LayoutHeader();
};

// --- Opening -----------------------------------------------------------------------------------------
// The editor of the card (null: a new card). Needs 16384 bytes with the reserve kept, else opens
// nothing. Without flag 8 an open editor of the same card comes forward instead. Position modes:
// 1 the id, 2 the title, 60 the notes, 3 the line on its first field, 4..27 the line at value
// column mode - 3, 28..59 the line at the component of dimension mode - 28.
T_CardEditor* openCardEditor(T_Base* database, CardRecord* card, int32_t position,
                             const LineRecord* line, int32_t flags);
// Opens the card with exactly the id as openCardByKey does; pending error 3823 when there is none.
T_CardEditor* openCardById(T_Base* database, const CardId* id, int32_t line);
// Opens the card of a key "yymmdd-n" on its n-th line (1-based over all groups) at the first value
// column; the id field when n < 1 or the card has fewer lines. An unknown card sets pending error
// 3823 with the key and opens nothing; so does a key that is not six digits, a hyphen and a number.
T_CardEditor* openCardByKey(T_Base* database, const char* key, int32_t line);
// Before the card is deleted: the other editors of it (opened with flag 8) hold it no longer and
// would save it as a new card.
void ForgetEditedCard(T_Base* database, CardRecord* card, T_CardEditor* except);

// --- The algorithms ----------------------------------------------------------------------------------
// Evaluates typed text for value column c (0-based) on row r with the variables "=", "bal",
// "sum", the ditto mark, "prev" and the value names. True with the value and its formatted text
// in out; false when the formula was refused (out: the compiler's message, pending error set).
bool CardEditor_evalCellExpression(T_CardEditor* editor, const char* text, int32_t column,
                                   int64_t row, double* value, T_TextBuf* out);
// The "line" element of a row.
void CardEditor_copyLineXml(T_CardEditor* editor, int64_t row, T_TextBuf* out);
// Reads a "line" element onto a row that is not a group row; false when nothing was taken.
bool CardEditor_pasteLineXml(T_CardEditor* editor, int64_t row, const char* text);
// Reads a tab-separated "Lines" table after the row; the number of lines added.
int64_t CardEditor_pasteLines(T_CardEditor* editor, int64_t row, const char* text);
// The save questions and the save; true when the window may close.
bool CardEditor_confirmSave(T_CardEditor* editor);
// A question with the text as "@0" and the buttons; an unattended run answers `unattended`.
int32_t CardEditor_ask(int32_t message, const char* text, std::initializer_list<int32_t> buttons,
                       int32_t unattended);
// The user's signature stamp for the editor; false when the user declined.
bool CardEditor_signature(T_CardEditor* editor, SignatureStamp* stamp);
// Whether the text on the clipboard is a "line" element (1), a "Lines" table (2) or neither (0).
int32_t CardEditor_clipboardKind(const char* text);
