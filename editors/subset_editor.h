#pragma once
// T_SubsetEditor: the document window in which one subset is edited (window kind 6): its
// selections, its combination, its name, its options and its notes; the subset is calculated
// into its line set here, and the lines of that set can be transformed, aggregated or deleted.
// T_SubsetBox lists the subsets of one list (a box window's own) and creates, opens, copies,
// duplicates and erases them.
//
// Pages (the mode box): "Selections" (a "New Selection" button), one selection (its name, the
// selection header's fields, the card-id condition and the table of stamp conditions),
// "Options" (database subsets only) and "Notes". Below the pages stand the combination and the
// subset's name; the status line says how many lines the subset holds.
//
// Invariants:
//   1. subset->editor is this window while it lives, and the subset outlives it;
//   2. every selection of the subset has a mode node under the "Selections" node, in order;
//   3. snapshot is the subset's text as written when the editor opened (database subsets only).
//
// User-interface thread only.
#include <cstdint>

#include "core/text_buffer.h"
#include "ui/document_window.h"
#include "ui/list_box.h"

class T_Button;
class T_Checkbox;
class T_Edit;
class T_EditSubset;
class T_IStream;
class T_OStream;
class T_Text;
struct Subset;
struct SubsetEditorServices;
struct SubsetList;
struct SelectionItem;

// Pages.
constexpr int32_t kSubsetPageNone = -1;
constexpr int32_t kSubsetPageSelections = 0;
constexpr int32_t kSubsetPageSelection = 1;
constexpr int32_t kSubsetPageOptions = 2;
constexpr int32_t kSubsetPageNotes = 3;

// Item ids the editor's handlers dispatch on.
constexpr int32_t kSubsetNewSelectionId = -19;
constexpr int32_t kSubsetSelectionNameId = -18;
constexpr int32_t kSubsetCardIdId = 32;
constexpr int32_t kSubsetCardTitleId = 33;
constexpr int32_t kSubsetLineTextId = 34;
constexpr int32_t kSubsetNotesPatternId = 35;
constexpr int32_t kSubsetValueFirstId = 36;
constexpr int32_t kSubsetSubsetId = 60;
constexpr int32_t kSubsetStampFirstId = 61;  // 61/62 created ... 69/70 notes: time/signature
constexpr int32_t kSubsetOpenOptionId = 71;
constexpr int32_t kSubsetKeepPositionId = 72;
constexpr int32_t kSubsetNotesId = 73;
constexpr int32_t kSubsetCombinationId = 400;
constexpr int32_t kSubsetNameId = 401;
constexpr int32_t kSubsetCalcId = 402;

// Mode node ids: the three fixed pages, then one per selection (in order).
constexpr int32_t kSubsetModeSelections = 1;
constexpr int32_t kSubsetModeOptions = 2;
constexpr int32_t kSubsetModeNotes = 3;
constexpr int32_t kSubsetModeFirstSelection = 100;

// OpenSubsetEditor flags.
constexpr int32_t kSubsetOpenRestore = 4;  // an open editor first restores its snapshot
constexpr int32_t kSubsetOpenNew = 8;      // a further editor even when one is open
constexpr int32_t kSubsetOpenCalc = 16;    // calculate at once; no lines: no window

// The status line: "Subset not calculated" (-1), "Zero lines in this subset", "One line in this
// subset", "@0 lines in one card" or "@0 lines in @1 cards". Returns the line count (-1 without
// a line set).
int64_t SubsetStatusText(Subset* subset, T_TextBuf* text);

class T_SubsetEditor : public T_HWindow {
 public:
  T_SubsetEditor(Subset* subset, uint32_t flags);
  ~T_SubsetEditor() override;

  void Notify(int32_t code) override;
  void OnChange(const ChangeNote* note) override;
  void UpdateCommands() override;
  bool DoCommand(int32_t command) override;
  bool KeyDown(InputEvent* event, T_GrafElement* target) override;
  bool QueryClose(int32_t code) override;
  void OnEditEvent(T_GrafElement* field, int32_t code) override;
  void OnEditText(T_TextBuf* text, T_GrafElement* field) override;
  void OnButton(T_GrafElement* button) override;
  void OnCheckbox(T_GrafElement* checkbox) override;
  void OnModeboxEvent(T_GrafElement* box, ModeboxEvent* record) override;
  bool OnModeboxMenu(T_GrafElement* box, ContextMenuRecord* record) override;
  void DrawModeItem() override;
  bool HasHeaderField(int32_t id) override;
  void GetHeaderFieldRect(RECT* rect, int32_t id) override;
  bool Calculate(bool force) override;
  void SetupTransform(void* dialog) override;
  void SetupAggregate(void* aggregator) override;
  void DeleteData(bool ask) override;
  bool IsEmpty() override;

  // Shows a page: the page of the selection when one is given, else the fixed page.
  void ShowPage(int32_t page, SelectionItem* item);
  // The mode box rebuilt from the subset's selections; the given selection's page selected.
  void RebuildModes(SelectionItem* select);
  // A selection with a generated name, its page shown, "|" and its name added to the formula.
  SelectionItem* NewSelection();
  // The current selection erased (refused with an alert while the formula names it); the only
  // selection is replaced by a new one.
  void EraseSelection();
  void DuplicateSelection();
  void CopySelections(T_OStream* stream);
  // "## Selection" blocks; on the "Selections" page the unused selections go first, and with the
  // mode box focused the first block replaces the current selection.
  int32_t PasteSelections(T_IStream* stream);
  // The subset is stale: the Calc button enabled, or a recalculation pending at the next tick
  // when it was up to date.
  void MarkChanged(bool fromElsewhere);
  void RefreshStatus();
  void RefreshCombination();

  Subset* subset;
  int32_t page = kSubsetPageNone;
  SelectionItem* current = nullptr;
  int64_t lineCount = -1;
  int32_t labelWidth = 50;
  char* snapshot = nullptr;  // owned block text
  int32_t snapshotLength = 0;
  uint8_t recalcPending = 0;
  uint8_t calcEnabled = 0;
  T_Text* status = nullptr;
  T_Button* calcButton = nullptr;
  T_EditSubset* combinationEdit = nullptr;
  T_Edit* nameEdit = nullptr;
  // The controls of the current page, deleted when the page changes.
  T_GrafElement* pageControls[24] = {};
  int32_t pageControlCount = 0;
  T_Edit* stampEdits[10] = {};
  T_Edit* notesEdit = nullptr;
  T_Edit* selectionNameEdit = nullptr;
  T_Edit* cardIdEdit = nullptr;

 private:
  void KeepControl(T_GrafElement* control);
  void ClearPage();
  void WriteSnapshot(T_OStream* stream);
  bool SnapshotDiffers();
  void RestoreSnapshot();
  // Whether the lines may change: every card editor showing a line of the set closes.
  bool CloseCardEditors();
};

// What the subset model asks of its editor; InstallEditors installs it.
extern const SubsetEditorServices kSubsetEditorServices;

// Opens or brings forward the subset's editor (flags above; others go to the window). Null when
// none is open afterwards (flag 16 with no lines, or no memory).
T_SubsetEditor* OpenSubsetEditorWindow(Subset* subset, int32_t flags);
// The subset's open editor, or null.
T_SubsetEditor* FindSubsetEditor(Subset* subset);

// The list of a subset list's subsets (element kind 18), in list order.
class T_SubsetBox : public T_Linebox {
 public:
  T_SubsetBox(T_EventHandler* parent, const XYWH& rect, uint32_t id, SubsetList* list);

  void OnChange(const ChangeNote* note) override;
  void UpdateCommands() override;
  bool DoCommand(int32_t command) override;
  bool KeyDown(InputEvent* event, T_GrafElement* target) override;
  void OnLineboxEvent(T_GrafElement* box, LineboxEvent* record) override;
  void ContextMenu(ContextMenuRecord* record, int32_t phase) override;

  Subset* SubsetAt(int64_t row);
  // A subset without a name at the end of the list, selected, scrolled to, its editor opened.
  Subset* NewSubsetInBox();
  // Every selected subset as a "## Subset" block.
  void CopySubsetsToClipboard();
  int32_t PasteSubsetsFromClipboard();
  void WriteSelected(T_OStream* stream);
  void EraseSelected();
  void DuplicateSelected();
  void Reload();

  SubsetList* list;
};
