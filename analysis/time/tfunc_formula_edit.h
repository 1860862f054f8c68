#pragma once
// T_TFormulaEdit: the formula page's expression field of one formula. Besides the shared
// operator popup it offers the window's variables (token popup) and the period built-ins with
// their descriptions (operator popup), and widens a selection to whole variable names.
//
// User-interface thread only.
#include <cstdint>

#include "ui/edit_popups.h"

class T_TFunc;
class T_TFormula;

class T_TFormulaEdit : public T_EditPopup {
 public:
  T_TFormulaEdit(T_EventHandler* parent, const XYWH& rect, T_TFunc* window, T_TFormula* formula);

  void ContextMenu(ContextMenuRecord* record, int32_t phase) override;
  void FindToken(int32_t* start, int32_t* length) override;

  // The entries of the variables popup (selections, an empty entry, formulas) and of the
  // built-ins popup; each entry's name, null for a separator.
  int32_t VariableEntries(const char** names, int32_t max) const;
  static int32_t BuiltinCount();
  static const char* BuiltinName(int32_t i);
  static const char* BuiltinDescription(int32_t i);
  // Puts the name at the selection, as a choice of a popup does.
  void InsertName(const char* name);

  T_TFunc* window;
  T_TFormula* formula;
};
