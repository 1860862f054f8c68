#pragma once
// T_FormulaEdit: the formula text field of the function windows' formula pages, a popup field
// (ui/edit_popups.h) that knows the window's variables and the formula language:
//
//   popup mode    kind                what it lists                         a choice
//   token         kFormulaPopupNames  the selections, a separator, the      inserts the name over
//                                     formulas; the name under the caret    the token under the
//                                     preselected, the edited formula not   caret
//                                     selectable
//   operator      kFormulaPopupOps    the formula menu (formula_menu.h),    inserts the text at
//                                     then the window's built-in names,     the caret
//                                     each with its hint
//   menu          kFormulaPopupEdit   the edit field's own context menu
//
// A token (FindToken) is a variable name or an entry of the operator popup. Tokens that are
// words (letters, digits, "_") count only as whole words, so a name inside a longer word is
// none; symbols ("<=", "!") count anywhere, the longest one first.
//
// User-interface thread only.
#include <cstdint>

#include "ui/edit_popups.h"

struct T_TextBuf;

constexpr int32_t kFormulaPopupEdit = 0;
constexpr int32_t kFormulaPopupNames = 1;
constexpr int32_t kFormulaPopupOps = 2;

// A built-in name of the operator popup: its text and its hint's text id; a null text is a
// separator.
struct FormulaBuiltin {
  const char* name;
  int32_t hint;
};

class T_FormulaEdit : public T_EditPopup {
 public:
  // The builtins table is static and outlives the field.
  T_FormulaEdit(T_EventHandler* parent, const XYWH& rect, uint32_t id, const char* text,
                const FormulaBuiltin* builtins, int32_t builtinCount);

  void ShowPopup(InputEvent* event, int32_t start, int32_t length) override;
  void FindToken(int32_t* start, int32_t* length) override;
  void ContextMenu(ContextMenuRecord* record, int32_t phase) override;

  // The variables popup's entries (selections, null for the separator when formulas follow,
  // formulas); the count written, at most max.
  virtual int32_t VariableEntries(const char** names, int32_t max) const = 0;
  // The name of the formula being edited; null when none.
  virtual const char* EditedName() const = 0;

  // The entries of the popup of a kind, and the text an entry inserts with its hint (both empty
  // for a separator).
  int32_t EntryCount(int32_t kind) const;
  void EntryText(int32_t kind, int64_t entry, T_TextBuf* inserted, T_TextBuf* hint) const;
  // The variables popup's entry whose name is the n bytes of text (letter case ignored); -1.
  int32_t NameEntryOf(const char* text, int32_t n) const;
  // The length of the longest token that starts at the offset of the text; 0 for none.
  int32_t TokenAt(const char* text, int32_t length, int32_t at) const;
  // Puts the text at the selection, as a choice of a popup does.
  void InsertName(const char* name);

  const FormulaBuiltin* builtins;
  int32_t builtinCount;
  int32_t popupKind = kFormulaPopupEdit;
  int64_t chosen = -1;  // the entry chosen last, -1 none
};
