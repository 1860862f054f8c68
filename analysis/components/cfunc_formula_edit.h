#pragma once
// T_CFormulaEdit: the formula text field of the component functions window's formula header
// (analysis/boxwin/formula_edit.h), with word wrap. Its variables popup lists the window's
// variables; its operator popup adds the date names, the node names and the suffixes "!" and
// "#" with their hints; and its ordinary context menu, with the caret in the name of a
// variable, becomes that variable's own menu: the "»" commands it offers (cfunc_drill.h).
//
// User-interface thread only.
#include <cstdint>

#include "analysis/boxwin/formula_edit.h"

class T_CFunc;
class T_CFormula;
class T_CVariable;

constexpr int32_t kCFormulaPopupVariable = 3;

class T_CFormulaEdit : public T_FormulaEdit {
 public:
  T_CFormulaEdit(T_EventHandler* parent, const XYWH& rect, uint32_t id, T_CFunc* window,
                 T_CFormula* formula);

  void ContextMenu(ContextMenuRecord* record, int32_t phase) override;
  int32_t VariableEntries(const char** names, int32_t max) const override;
  const char* EditedName() const override;

  // The variable named by the token at the caret; null for none.
  T_CVariable* VariableAtCaret();

  T_CFunc* window;
  T_CFormula* formula;
  T_CVariable* menuVariable = nullptr;  // while its menu runs
};
