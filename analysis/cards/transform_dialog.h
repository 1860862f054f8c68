#pragma once
// T_TransEdit: a rule field of the transform dialog, a text field with a popup of insertable
// tokens. Rule "from" fields offer "<", ">", "\" and "¬\", rule "to" fields "\", value fields the
// formula menu (operator popup) or "T" and the value names (token popup).
//
// User-interface thread only.
#include <cstdint>

#include "ui/edit_popups.h"

class T_Base;
class T_Transform;

// What a field's popup offers.
constexpr int32_t kTransEditPlain = 0;
constexpr int32_t kTransEditFrom = 1;
constexpr int32_t kTransEditTo = 2;
constexpr int32_t kTransEditValue = 3;

class T_TransEdit : public T_EditPopup {
 public:
  T_TransEdit(T_EventHandler* parent, const XYWH& rect, uint32_t id, int32_t role,
              T_Base* database);
  ~T_TransEdit() override;

  void ContextMenu(ContextMenuRecord* record, int32_t phase) override;

  // The text an entry of the popup inserts (empty for a separator); the number of entries.
  int32_t EntryCount() const;
  void EntryText(int32_t entry, T_TextBuf* inserted, T_TextBuf* label) const;

  T_Base* database;
  int32_t role;
};

// Builds the dialog's fields, labels, progress indicator and buttons (the dialog's owner decides
// which: no card range and no "Add" over a card editor).
void BuildTransformControls(T_Transform* dialog);
