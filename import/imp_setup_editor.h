#pragma once
// T_ImpSetupEditor: the window (kind 18) in which one import setup is made or changed while an
// example file is looked at. It edits a private copy of the setup and writes it back only in the
// save step on closing, after asking. The mode box lists the setup's parts; the page area beside
// it shows the chosen part's controls; the grid shows the example file, in the "Fields" view as
// the texts the setup takes out of each row.
//
// Page ids (the low 10 bits of a selector node or a "Fields" column; a line definition's pages
// carry the line definition's index in the bits above): 0 General, 1 Characters, 2 Format,
// 3 Card Switcher, 4 Card Indicator, 5 Line Indicator, 6 Card Definition (a group), 7 Date,
// 8 card text, 9..12 Created, Modified, Examined, Approved, 13 Notes, 14 a line definition (a
// group), 15..38 its value columns, 39 its line text, 40..71 its dimensions, 72 New Line
// Definition.
//
// User-interface thread only, but for AddExampleRow, which reads only passSetup (see
// import/flat_editor.h).
#include <cstdint>

#include "core/text_buffer.h"
#include "database/import_setups.h"
#include "import/flat_editor.h"

class T_Base;

constexpr int32_t kImpPageGeneral = 0;
constexpr int32_t kImpPageCharacters = 1;
constexpr int32_t kImpPageFormat = 2;
constexpr int32_t kImpPageCardSwitcher = 3;
constexpr int32_t kImpPageCardIndicator = 4;
constexpr int32_t kImpPageLineIndicator = 5;
constexpr int32_t kImpPageCardDefinition = 6;
constexpr int32_t kImpPageDate = 7;
constexpr int32_t kImpPageCardText = 8;
constexpr int32_t kImpPageNotes = 13;
constexpr int32_t kImpPageLineDefinition = 14;
constexpr int32_t kImpPageValueFirst = 15;
constexpr int32_t kImpPageLineText = 39;
constexpr int32_t kImpPageDimensionFirst = 40;
constexpr int32_t kImpPageNewLine = 72;
constexpr int32_t kImpPageCount = 73;

inline int32_t ImpPageId(int32_t page, int32_t line) { return page | (line << 10); }

// The card field a card-level page edits (the setup's order); -1 for other pages.
int32_t CardFieldOfPage(int32_t page);

class T_ImpSetupEditor : public T_FlatEditor {
 public:
  static constexpr int32_t kWidth = 600;
  static constexpr int32_t kHeight = 360;

  // setup: the one to change, or null for a new one (one empty line definition).
  T_ImpSetupEditor(T_Base* database, ImportSetup* setup);
  ~T_ImpSetupEditor() override;

  void BuildPage() override;
  void OnExampleFileSet() override;
  void AddExampleRow(RowReader* reader, int32_t* state) override;
  void RebuildFields() override;
  void ClearFields() override;
  void GetFieldCellText(RowReader* reader, T_BoxField* field, T_TextBuf* text) override;
  void TakePassCopy() override;

  void Notify(int32_t code) override;
  void OnChange(const ChangeNote* note) override;
  void OnModeboxEvent(T_GrafElement* box, ModeboxEvent* record) override;
  void OnEditText(T_TextBuf* text, T_GrafElement* field) override;
  void OnCheckbox(T_GrafElement* checkbox) override;
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;
  bool ClickFieldTitle(InputEvent* event, T_BoxField* field) override;
  // The line-definition commands on a line definition's pages.
  void UpdateCommands() override;
  bool DoCommand(int32_t command) override;
  // With a path that file, else one chosen in the open dialog; a database file is announced
  // with 2112 first. The database imports it with the edited copy.
  void ImportFile(const char* path) override;
  // Close code 3 closes without saving; any other runs the save step.
  bool QueryClose(int32_t code) override;
  bool HoldsPendingEdits() override;
  bool StorePendingEdits() override;

  // Shows a page (with its line bits) and selects its node.
  void ShowPage(int32_t pageId);
  void RebuildSelector();
  // The save step; false keeps the window open.
  bool Save();
  LineDef* CurrentLine() const;
  int32_t LineCount() const;
  // The line-definition operations of the commands; each rebuilds the selector.
  void NewLine();
  void DeleteLine();
  void CopyLine();
  bool PasteLine();
  void DuplicateLine();
  // The page's title as the selector shows it.
  void PageTitle(int32_t pageId, T_TextBuf* title);

  ImportSetup* setup;  // null for a new one
  ImportSetup copy;
  T_TextBuf name;
  int32_t page = kImpPageGeneral;
  int32_t line = 0;
  uint8_t showAllDimensions = 0;
  int32_t cardWidths[kSetupCardFields] = {};
  ImportSetup passSetup;  // what AddExampleRow reads (a pass's private copy)

 private:
  bool rebuildingSelector_ = false;
  bool newLinePending_ = false;
  T_ImpSetupEditor(T_Base* database, ImportSetup* setup, const RECT& rect);
  // The piece groups of the page's field chain and the page's own controls below them.
  void BuildFieldPage(FieldDef* chain, bool indicator, int32_t y);
  FieldDef* ChainOfPage(int32_t pageId);
  void ResetCardWidths();
};

// Brings the editor of the setup forward, or opens one (setup null: a new setup) when 16384
// bytes are free. Null when none opened.
T_ImpSetupEditor* OpenImportSetupEditor(T_Base* database, ImportSetup* setup);
// The delete command on an import setup editor: asks 3208 (Delete, Cancel); unless cancelled the
// editor closes without a question and the setup is deleted (note 49). True when it was.
bool DeleteImportSetupOfEditor(T_Window* window);
