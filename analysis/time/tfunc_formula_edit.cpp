// The formula field of the time functions window's formula page.
#include "analysis/time/tfunc_formula_edit.h"

#include "analysis/time/tfunc_window.h"

namespace {

// The built-ins with the descriptions "Current year" .. "Line Count".
constexpr FormulaBuiltin kBuiltins[] = {
    {"year", 5390},    {"month", 5391},      {"day", 5392}, {"weekday", 5393}, {"quarterday", 5394},
    {"yearday", 5395}, {"perioddays", 5396}, {"T", 5397},   {"#", 5398}};

}  // namespace

T_TFormulaEdit::T_TFormulaEdit(T_EventHandler* parent, const XYWH& rect, T_TFunc* window,
                               T_TFormula* formula)
    : T_FormulaEdit(parent, rect, kFormulaEditId, formula->text, kBuiltins,
                    static_cast<int32_t>(sizeof kBuiltins / sizeof kBuiltins[0])),
      window(window),
      formula(formula) {}

int32_t T_TFormulaEdit::VariableEntries(const char** names, int32_t max) const {
  int32_t n = 0;
  for (T_TSelection* s = window->data.selections; s && n < max; s = s->nextSelection)
    names[n++] = s->name;
  if (window->data.formulas && n < max) names[n++] = nullptr;
  for (T_TFormula* f = window->data.formulas; f && n < max; f = f->nextFormula)
    names[n++] = f->name;
  return n;
}

const char* T_TFormulaEdit::EditedName() const { return formula ? formula->name : nullptr; }
