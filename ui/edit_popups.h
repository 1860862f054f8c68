#pragma once
// Popup fields: edit fields for the small expression languages of the header fields (component
// selections, subset combinations, periods, text and value criteria). A small arrow at the
// right edge and a few gestures open either a token popup (choices for the word under the caret)
// or an operator popup (the operators of the language, the chosen character inserted at the
// caret).
//
// Gestures (only while the field is enabled and the press is on the field itself):
//   press           on the arrow strip   with AltGr   with Ctrl    elsewhere
//   right           operator popup       operator     token        ordinary context menu
//   left            token popup          operator     token        the edit field's press
// An arrow key with AltGr opens the operator popup, with Ctrl the token popup, and while the
// right button is held the ordinary context menu. A press with Ctrl or AltGr off the strip first
// moves the caret to the pressed point.
//
// User-interface thread only; the popups run their own tracking loop (ui/popup_menu.h).
#include <cstdint>

#include "ui/edit_field.h"

struct ContextMenuRecord;

// Popup modes.
constexpr int32_t kPopupModeMenu = 0;      // the ordinary context menu
constexpr int32_t kPopupModeToken = 1;     // choices for the token under the caret
constexpr int32_t kPopupModeOperator = 2;  // the operators of the language

// The arrow strip at the field's right edge, which the text leaves free while enabled.
constexpr int32_t kPopupArrowStrip = 6;
// How long a widened token stays selected before its popup opens, so the user sees it.
constexpr uint32_t kTokenShowPause = 250;

class T_EditPopup : public T_Edit {
 public:
  // A framed field; replace-on-drop set (a drop replaces the whole text). Opened when open is
  // set.
  T_EditPopup(T_EventHandler* parent, const XYWH& rect, uint32_t id, bool open);

  void Notify(int32_t code) override;
  bool MouseDown(InputEvent* event, T_GrafElement* target) override;
  bool KeyDown(InputEvent* event, T_GrafElement* target) override;
  void DrawContent() override;

  // Runs the popup of the current mode at the event's point; the base runs the field's context
  // menu with no entry preselected, so ContextMenu supplies the entries.
  virtual void ShowPopup(InputEvent* event, int32_t start, int32_t length);
  // Widens a caret position or selection to the token a token-popup choice replaces; the base
  // leaves both as they are.
  virtual void FindToken(int32_t* start, int32_t* length);

  // After a subclass inserted a choice: the selection from before the token popup is not
  // restored.
  void ResetPopupChoice() { savedStart = -1; }
  // Runs a popup of the mode (a refused mode does nothing): token popups save the selection,
  // widen the range and show it, then restore the saved selection unless it was reset. Popups
  // of modes 1 and 2 open at the arrow, the context menu at the event's point.
  void RunPopup(int32_t mode, const InputEvent* event, int32_t start, int32_t length);
  // The byte offset of the text under a point of the field.
  int32_t OffsetAt(POINT point);

  int32_t popupMode = kPopupModeMenu;
  uint8_t operatorPopupAllowed = 1;
  uint8_t tokenPopupAllowed = 1;
  int32_t savedStart = 0;  // -1: nothing to restore
  int32_t savedLength = 0;

 private:
  void UpdateTextRect();
};

// One entry of an operator list: its character (0 none) and its label text id (0 a separator).
struct OperatorEntry {
  uint16_t character;
  uint16_t label;
};

// The owner-drawn operator lists of the popup fields, entry by entry for the popup phases:
// measure (the label's width + 21, or a separator), draw (the character at left + 5, the label
// at left + 20). Run returns the UTF-8 of the chosen character, empty for a separator, an entry
// without character or an index out of range.
void OperatorList_Measure(const OperatorEntry* entries, int32_t count, ContextMenuRecord* record);
void OperatorList_Draw(const OperatorEntry* entries, int32_t count,
                       const ContextMenuRecord* record);
void OperatorList_Chosen(const OperatorEntry* entries, int32_t count, int64_t index, char out[8]);

// The popup field of the text and value criteria: both popup modes show its operator list and
// insert the chosen character at the caret; mode 0 is the edit field's context menu.
class T_EditTxVal : public T_EditPopup {
 public:
  T_EditTxVal(T_EventHandler* parent, const XYWH& rect, uint32_t id);

  void ContextMenu(ContextMenuRecord* record, int32_t phase) override;

  int32_t entryCount = 0;
  const OperatorEntry* entries = nullptr;  // a static table
};

// The text-criteria field (card titles, line texts, notes) and the value-criteria field, opened;
// null when memory runs out.
T_EditTxVal* EditTxVal_NewText(T_EventHandler* parent, const XYWH& rect, uint32_t id);
T_EditTxVal* EditTxVal_NewValue(T_EventHandler* parent, const XYWH& rect, uint32_t id);

// The tables of the two fields.
const OperatorEntry* TextCriteriaOperators(int32_t* count);
const OperatorEntry* ValueCriteriaOperators(int32_t* count);
