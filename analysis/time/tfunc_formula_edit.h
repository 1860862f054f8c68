#pragma once
// T_TFormulaEdit: the formula page's expression field of one formula of the time functions
// window (analysis/boxwin/formula_edit.h): its variables popup lists the window's variables, its
// operator popup adds the period built-ins, "T" and "#" with their descriptions.
//
// User-interface thread only.
#include <cstdint>

#include "analysis/boxwin/formula_edit.h"

class T_TFunc;
class T_TFormula;

class T_TFormulaEdit : public T_FormulaEdit {
 public:
  T_TFormulaEdit(T_EventHandler* parent, const XYWH& rect, T_TFunc* window, T_TFormula* formula);

  int32_t VariableEntries(const char** names, int32_t max) const override;
  const char* EditedName() const override;

  T_TFunc* window;
  T_TFormula* formula;
};
