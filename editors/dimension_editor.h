#pragma once
// T_DimEditor: the window in which one dimension's component tree is edited (window kind 11).
// It works on a private copy of the tree (editors/dimension_editor_tree.h) and applies it in one
// step when it closes. The rows show each node's full code, text and host code; the fields above
// them edit the current row. Ctrl with the arrow keys moves the current node; Return adds one.
//
// User-interface thread only.
#include <cstdint>

#include "editors/dimension_editor_tree.h"
#include "ui/document_window.h"
#include "ui/list_box.h"

class T_Base;
class T_Edit;
class T_Selector;
class T_DimEditor;

constexpr uint32_t kDimRowsId = 1;
constexpr uint32_t kDimCodeEditId = 2;
constexpr uint32_t kDimTextEditId = 3;
constexpr uint32_t kDimHostEditId = 4;
constexpr uint32_t kDimIndentId = 5;
constexpr uint32_t kDimPropertiesId = 6;
constexpr uint32_t kDimImportSetupId = 7;

// Commands.
constexpr int32_t kDimCommandNew = 20;
constexpr int32_t kDimCommandExpandAll = 22;
constexpr int32_t kDimCommandExpandDialog = 23;
constexpr int32_t kDimCommandRemove = -5;
constexpr int32_t kDimCommandImportClipboard = 3301;
constexpr int32_t kDimCommandSortRows = 3620;

// The rows of the editor: one line per visible node.
class T_DimRows : public T_Linebox {
 public:
  T_DimRows(T_DimEditor* editor, const XYWH& rect);
  void OnLineboxEvent(T_GrafElement* box, LineboxEvent* record) override;

  T_DimEditor* editor;
};

class T_DimEditor : public T_HWindow {
 public:
  T_DimEditor(T_Base* database, int32_t dimension, uint32_t flags);
  ~T_DimEditor() override;

  void OnChange(const ChangeNote* note) override;
  void UpdateCommands() override;
  bool DoCommand(int32_t command) override;
  bool KeyDown(InputEvent* event, T_GrafElement* target) override;
  void OnEditText(T_TextBuf* text, T_GrafElement* field) override;
  void OnButton(T_GrafElement* button) override;
  void OnSelectorEvent(T_GrafElement* selector) override;
  void OnLineboxEvent(T_GrafElement* box, LineboxEvent* record) override;
  // Close code 3 closes without applying; an unchanged tree closes; otherwise the duplicate
  // check, then (unless the code is 2) 3203 with "Change", "Cancel", "Don't Change", and the
  // tree is applied. A refused apply keeps the window open with its edits.
  bool QueryClose(int32_t code) override;

  DimNode* Current();
  // The rows rebuilt and the node's row selected (none: the first row).
  void ShowRows(DimNode* select);
  void ShowCurrent();
  void MakeTitle();
  // Plain rows from the clipboard or a file.
  int64_t ImportRows(T_IStream* stream);
  void RemoveCurrent();
  void NewComponent(bool copyTexts);

  DimTree tree;
  int32_t indentation = 1;  // 0, 1 or 2: the dimension's "-I" option
  int32_t sortOrders[3] = {};  // per column: 0 ascending, 1 descending, as last chosen
  uint8_t forImport = 0;
  uint8_t applying = 0;
  T_DimRows* rows = nullptr;
  T_Edit* edits[3] = {};
  T_Selector* indentChooser = nullptr;
};

// The dimension's editor brought forward, or a new one; null when none could open.
T_DimEditor* OpenDimensionEditor(T_Base* database, int32_t dimension, int32_t flags);
// The same, the component's ancestors expanded and its row selected.
T_DimEditor* OpenDimEditorAtComponent(T_Base* database, int32_t dimension, int64_t component,
                                      int32_t flags);
T_DimEditor* FindDimensionEditor(T_Base* database, int32_t dimension);

// Imports a file into the dimension. When its editor is open the rows go into its tree and the
// editor stays open (its user decides); otherwise an editor opened for the import takes them and
// closes, applying them unless the duplicate check refuses. False when nothing was imported.
bool ImportIntoDimensionEditor(T_Base* database, int32_t dimension, const char* path);

// The import step of an editor: the dimension's import setup when it has one, else plain rows.
// The default reads plain rows; the import-setup layer installs its own. Null puts it back.
using DimensionImportHook = int64_t (*)(T_DimEditor* editor, const char* path);
void SetDimensionImportHook(DimensionImportHook hook);
int64_t ImportPlainRowsFromFile(T_DimEditor* editor, const char* path);

// The beep of a refused move (a seam the tests count).
void DimEditorBeep();
