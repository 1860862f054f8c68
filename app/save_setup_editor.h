#pragma once
// T_SaveSetupEditor: the document window (kind 17) in which the user composes a save: the file
// format, the sections, the components per dimension, the card filter, the template filter, the
// renumbering of dimensions and the SIE settings. It works on a private copy of the options and
// of a card selection; nothing reaches the database until "Install" or the question on closing.
// "Save As" saves the database with the working options at once.
//
// Its seven pages live in T_SaveSetupTab; showing a page deletes the items of the page before,
// so the page items (and the choosers the editor remembers) exist only while their page shows.
//
// User-interface thread only.
#include <cstdint>

#include "core/text_buffer.h"
#include "database/card_selection.h"
#include "database/save_options.h"
#include "ui/document_window.h"
#include "ui/edit_popups.h"
#include "ui/frame_items.h"
#include "ui/tab_strip.h"

class T_Button;
class T_Edit;
struct SaveSetup;
class T_SaveSetupEditor;

// Pages.
enum SaveSetupPage : int32_t {
  kPageFormat,
  kPageSections,
  kPageDimensions,
  kPageCards,
  kPageTemplates,
  kPageRearrange,
  kPageInstall,
  kSaveSetupPageCount
};

// Item ids.
constexpr uint32_t kSaveAsId = static_cast<uint32_t>(-15);
constexpr uint32_t kSaveSetupTabId = static_cast<uint32_t>(-16);
constexpr uint32_t kFormatChooserId = 32;
constexpr uint32_t kCompressedId = 33;
constexpr uint32_t kNameEditId = 34;
constexpr uint32_t kInstallId = 35;
constexpr uint32_t kRemoveId = 36;
constexpr uint32_t kFirstSectionId = 37;  // 37..49, in section order
constexpr uint32_t kDefaultSectionsId = 50;
constexpr uint32_t kClearSectionsId = 51;
constexpr uint32_t kFirstSieTextId = 52;  // company, organisation number, voucher suite, notes
constexpr uint32_t kRegistrationDatesId = 56;
constexpr uint32_t kOwnCodesId = 57;
constexpr uint32_t kSieAccountsId = 58;  // accounts, dimensions, vouchers
constexpr uint32_t kFirstComponentChooserId = 61;
constexpr uint32_t kFirstSieChooserId = 93;
constexpr uint32_t kSelectionLevelId = 155;
constexpr uint32_t kTemplateLinesId = 156;
constexpr uint32_t kTemplateFilterId = 157;
constexpr uint32_t kOpenTemplatesId = 158;
constexpr uint32_t kDimMappingFrameId = 159;
constexpr uint32_t kDimLinkFrameId = 160;

// The entries of the SIE dimension chooser (55): 0 "-", 2 "Konto", 4..22 the numbers 1..19,
// 24..54 the numbers 20..50; 1, 3 and 23 are separators.
constexpr int32_t kSieChooserEntries = 55;
// The SIE number of an entry (0 none, -1 the account dimension); -2 for a separator.
int32_t SieNumberOfEntry(int32_t entry);
int32_t SieEntryOfNumber(int32_t number);
// The shown text of an entry ("1 Kostnadsställe", "3 -reserved-", "20 -free-"); empty for
// separators.
void SieEntryText(int32_t entry, T_TextBuf* text);

// The window height for n dimension rows and r header rows, limited by the work area height.
int32_t SaveSetupEditorHeight(int32_t dimensions, int32_t headerRows, int32_t workHeight);

class T_SaveSetupTab : public T_Tab {
 public:
  T_SaveSetupTab(T_SaveSetupEditor* editor, const XYWH& rect);
  void DrawContent() override;

  T_SaveSetupEditor* editor;
  uint8_t showsFields = 0;
};

// The template name filter; its context menu lists the paths of the database's templates.
class T_EditTmplFilter : public T_EditTxVal {
 public:
  T_EditTmplFilter(T_EventHandler* parent, const XYWH& rect, T_Base* base);
  void ContextMenu(ContextMenuRecord* record, int32_t phase) override;

  T_Base* database;
};

// "Dimension Numbering": per dimension 1..31 which dimension stands at its number.
class T_DimMappingFrame : public T_Frame {
 public:
  T_DimMappingFrame(T_EventHandler* parent, const XYWH& rect, T_Base* base, int32_t rows,
                    int32_t* numbering);
  void OnChange(const ChangeNote* note) override;
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;
  void DrawContent() override;
  // Rows of unused dimensions or beyond the count are reset to 0.
  void ResetUnusedRows();

  T_Base* database;
  int32_t rows;
  int32_t* numbering;
  T_Chooser* choosers[32] = {};
};

// "Dimension Codes in Cards": per dimension code, host code or text.
class T_DimLinkFrame : public T_Frame {
 public:
  T_DimLinkFrame(T_EventHandler* parent, const XYWH& rect, T_Base* base, int32_t rows,
                 int32_t* styles);
  void OnChange(const ChangeNote* note) override;
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;

  T_Base* database;
  int32_t rows;
  int32_t* styles;
  T_Chooser* choosers[32] = {};
};

class T_SaveSetupEditor : public T_HWindow {
 public:
  T_SaveSetupEditor(T_Base* base, SaveSetup* setup);
  ~T_SaveSetupEditor() override;

  void OnChange(const ChangeNote* note) override;
  void UpdateCommands() override;
  bool DoCommand(int32_t command) override;
  bool QueryClose(int32_t mode) override;
  void OnTabEvent(T_GrafElement* tabs, int32_t code) override;
  void OnEditEvent(T_GrafElement* field, int32_t code) override;
  void OnEditText(T_TextBuf* text, T_GrafElement* field) override;
  void OnButton(T_GrafElement* button) override;
  void OnCheckbox(T_GrafElement* checkbox) override;
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;
  void OnResized(int32_t dw, int32_t dh) override;
  void OnHeaderResized() override;
  // The value rows' labels stand left of their edits on the "Cards" page.

  void ShowPage(int32_t page);
  void SetKind(int32_t kind);
  void Install();
  void Remove();
  // False when the user cancelled or the save failed (the reason pending).
  bool SaveAs();
  // The "Delete Save Setup" entry: 3208, then the window closes and the setup goes.
  void DeleteSetup();
  // The card filter taken from the selection, and the name from the name edit (when shown).
  void TakeFilter();
  void TakeName();
  void Retitle();
  void Resize();

  SaveSetup* setup;
  SaveOptions options;
  T_TextBuf path;
  T_TextBuf name;
  int32_t currentPage = -1;
  T_SaveSetupTab* tab = nullptr;
  T_Button* saveAs = nullptr;
  int32_t headerRows = 1;
  T_GrafElement* pageItems[80] = {};
  int32_t pageItemCount = 0;
  T_Chooser* componentChoosers[32] = {};
  T_Chooser* sieChoosers[32] = {};
  T_Edit* nameEdit = nullptr;
  T_Button* installButton = nullptr;
  T_Button* removeButton = nullptr;
  uint8_t nameEdited = 0;
  CardSelection selection;

 private:
  T_GrafElement* Keep(T_GrafElement* item);
  void DeletePageItems();
  uint8_t* FlagOf(uint32_t id);
  char** SieTextOf(uint32_t id);
};

// The editor of the database on the setup (null: a new one), brought forward when one is open;
// null when none can be made.
T_SaveSetupEditor* OpenSaveSetupEditor(T_Base* base, SaveSetup* setup);
// Fills the engine's seams: the save-setup menu entries, "New Save Setup" and "Delete Save
// Setup" open or work the editor.
void InstallSaveSetupEditor();
