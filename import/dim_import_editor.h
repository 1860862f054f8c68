#pragma once
// T_DimImportEditor: the window (kind 12) in which the import setup of one dimension is edited
// while an example file is looked at, and from which the dimension can be imported. It edits a
// private copy of the setup and writes it back only in the save step on closing, after asking.
// Pages follow the hierarchy: "Level Number" only for level numbers, "Parent" only for parent
// links.
//
// User-interface thread only.
#include <cstdint>

#include "database/import_setups.h"
#include "import/flat_editor.h"

class T_Base;

constexpr int32_t kDimPageFile = 0;
constexpr int32_t kDimPageCharacters = 1;
constexpr int32_t kDimPageFormat = 2;
constexpr int32_t kDimPageCode = 3;
constexpr int32_t kDimPageText = 4;
constexpr int32_t kDimPageHostCode = 5;
constexpr int32_t kDimPageLevel = 6;
constexpr int32_t kDimPageParent = 7;

// Hierarchy indexes of "CILP".
constexpr uint32_t kHierarchyLevels = 2;
constexpr uint32_t kHierarchyParents = 3;

class T_DimImportEditor : public T_FlatEditor {
 public:
  static constexpr int32_t kWidth = 559;
  static constexpr int32_t kHeight = 327;

  // setup: the dimension's setup, remembered as having this editor.
  T_DimImportEditor(T_Base* database, DimImportSetup* setup);
  // The setup forgets its editor; a setup left at every default is dropped from its dimension.
  ~T_DimImportEditor() override;

  void BuildPage() override;
  void OnExampleFileSet() override;
  // Every row is one example row.
  void AddExampleRow(RowReader* reader, int32_t* state) override;
  void RebuildFields() override;
  void ClearFields() override;
  void GetFieldCellText(RowReader* reader, T_BoxField* field, T_TextBuf* text) override;

  void Notify(int32_t code) override;
  void OnChange(const ChangeNote* note) override;
  void OnModeboxEvent(T_GrafElement* box, ModeboxEvent* record) override;
  void OnEditText(T_TextBuf* text, T_GrafElement* field) override;
  void OnCheckbox(T_GrafElement* checkbox) override;
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;
  void UpdateCommands() override;
  bool DoCommand(int32_t command) override;
  // With a path that file, else one chosen in the open dialog; the dimension is imported with
  // the edited copy (into the dimension editor's tree when that is open).
  void ImportFile(const char* path) override;
  bool QueryClose(int32_t code) override;

  void MakeTitle();
  // The pages of the selector for the hierarchy; the current page stays when it still exists.
  void RebuildSelector();
  void ShowPage(int32_t page);
  bool Save();

  DimImportSetup* setup;  // not owned
  int32_t dimension;
  DimImportSetup copy;
  int32_t page = kDimPageFile;
  int32_t widths[4] = {};

 private:
  bool rebuildingSelector_ = false;
  FieldDef* ChainOfPage(int32_t page);
  void ResetWidths();
};

// Brings the dimension's import setup editor forward, or opens one on the dimension's setup
// (made with every default when it has none) when 16384 bytes are free. Null when none opened.
T_DimImportEditor* OpenDimImportEditor(T_Base* database, int32_t dimension);

