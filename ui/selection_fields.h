#pragma once
// The popup fields of a selection's parts that have languages of their own: one dimension's
// component expression (T_EditDim), the subset combination (T_EditSubset), a period expression
// over the time-scale words (T_EditSubtime) and one bound of the card period (T_EditCID). Each
// shows the text of the part it is bound to, hands committed text to the database engine, which
// compiles it into that part, and offers a token popup and an operator popup.
//
// The fields do not own what they are bound to: the window that owns the selection rebinds or
// deletes the fields before the selection goes. The languages themselves are the database
// engine's, reached through the selection hooks of ui/database_services.h.
//
// User-interface thread only.
#include <cstdint>

#include "ui/database_services.h"
#include "ui/edit_popups.h"

// Menu entries the fields add to the edit field's context menu.
constexpr uint16_t kMenuOpenDimension = 3302;
constexpr uint16_t kMenuNewSubset = 3137;
constexpr uint16_t kMenuOpenSubset = 3138;

// One entry of the fields' owner-drawn lists: an operator (its character and label), a word of
// the language (inserted as it stands and shown as its own label) or a separator (neither).
struct ChoiceEntry {
  uint16_t character;
  uint16_t label;
  const char* word;
};

// The tables of the fields.
const ChoiceEntry* ComponentOperators(int32_t* count);  // 17 entries
const ChoiceEntry* SubsetOperators(int32_t* count);     // 11 entries
const ChoiceEntry* PeriodOperators(int32_t* count);     // 20 entries
const ChoiceEntry* DateBoundWords(int32_t* count);      // 7 entries

// The UTF-8 a choice inserts: the character or the word; empty for a separator or an index out
// of range.
void ChoiceList_Chosen(const ChoiceEntry* entries, int32_t count, int64_t index, T_TextBuf* out);
// Answers the context-menu phases with the list; a chosen entry is inserted at the field's caret
// (replacing its selection), and the selection from before the token popup is not restored.
void ChoiceList_Menu(const ChoiceEntry* entries, int32_t count, T_EditPopup* field,
                     ContextMenuRecord* record, int32_t phase);

class T_EditDim : public T_EditPopup {
 public:
  // Opened. The dimension counts from 0.
  T_EditDim(T_EventHandler* parent, const XYWH& rect, uint32_t id, T_Base* database,
            int32_t dimension);

  void OnChange(const ChangeNote* note) override;
  void OnEditText(T_TextBuf* text, T_GrafElement* field) override;
  void ContextMenu(ContextMenuRecord* record, int32_t phase) override;
  void ShowPopup(InputEvent* event, int32_t start, int32_t length) override;
  void FindToken(int32_t* start, int32_t* length) override;

  // Binds the selection (null for none) and shows its expression for the dimension.
  void BindSelection(CardSelection* value);
  // The component a token names: the dimension's root for an empty token, a number below
  // kFirstComponent when none matches.
  int32_t ComponentOfToken(const char* token, int32_t length);

  CardSelection* selection = nullptr;
  int32_t dimension;
  T_Base* database;
  int32_t menuComponent = 0;  // for "Open Dimension"

 private:
  void ShowExpression();
  int32_t TokenComponentAt(int32_t start, int32_t length);
  uint8_t remembered = 0;  // ShowPopup found the component for the running menu
};

class T_EditSubset : public T_EditPopup {
 public:
  // Opened.
  T_EditSubset(T_EventHandler* parent, const XYWH& rect, uint32_t id);

  void OnChange(const ChangeNote* note) override;
  void OnEditText(T_TextBuf* text, T_GrafElement* field) override;
  void ContextMenu(ContextMenuRecord* record, int32_t phase) override;
  void ShowPopup(InputEvent* event, int32_t start, int32_t length) override;
  void FindToken(int32_t* start, int32_t* length) override;

  // Binds the combination (null for none), shows its text and updates the visibility: the field
  // is hidden while its combination offers no names.
  void BindCombination(Combination* value);

  Combination* combination = nullptr;
  Subset* menuSubset = nullptr;  // for "Open Subset", only while the context menu runs

 private:
  void ShowCombination();
  void UpdateVisibility();
  void NewSubset();
  Subset* SubsetAt(int32_t start, int32_t length);
  uint8_t remembered = 0;  // ShowPopup found the subset for the running menu
};

class T_EditSubtime : public T_EditPopup {
 public:
  // Not opened.
  T_EditSubtime(T_EventHandler* parent, const XYWH& rect, uint32_t id);

  void ContextMenu(ContextMenuRecord* record, int32_t phase) override;
};

class T_EditCID : public T_EditPopup {
 public:
  // Not opened.
  T_EditCID(T_EventHandler* parent, const XYWH& rect, uint32_t id);

  void OnEditText(T_TextBuf* text, T_GrafElement* field) override;
  void ContextMenu(ContextMenuRecord* record, int32_t phase) override;
  // The chosen word replaces the whole text.
  void ShowPopup(InputEvent* event, int32_t start, int32_t length) override;

  // Binds the bound (null for none) and shows its text.
  void BindBound(DateRef* value);

  DateRef* bound = nullptr;
};
