// What change notes mean for the component functions window's variables beyond their date
// bounds: the built-in dates of formulas, a value column's decimals, subsets that were
// calculated, and links renamed in the variables' titles.
#include "analysis/components/cfunc_window.h"
#include "core/formula.h"
#include "core/value_format.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "database/combination.h"
#include "database/link_rename.h"

namespace {

constexpr int32_t kDateSlots = 6;  // "year" .. "yearday"

bool UsesDates(T_CFormula* f) {
  if (!f->program) return false;
  for (int32_t slot = 0; slot < kDateSlots; ++slot) {
    if (Criteria_UsesId(&f->program, slot)) return true;
  }
  return false;
}

}  // namespace

bool T_CFunc::VariablesOnChange(const ChangeNote* note) {
  // A rename reaches every open database's windows: links into another database change too.
  if (note->code == kChangeLinks) {
    bool retitled = false;
    for (T_CVariable* v = data.variables; v; v = v->next) {
      if (note->rename && v->title && RewriteLinks(note->rename, &v->title))
        retitled = true;
    }
    if (retitled) BuildFields();
    return false;
  }
  if (note->database && note->database != database) return false;
  switch (note->code) {
    case kChangeRefresh:
      // The day moved on: formulas that read today's date have other values.
      for (T_CFormula* f = data.formulas; f; f = f->nextFormula) {
        if (UsesDates(f)) return true;
      }
      return false;
    case kChangeDecimals:
      // Only the floating code keeps values near zero apart: a change to or from it alone
      // changes what is accumulated.
      for (T_CSelection* s = data.selections; s; s = s->nextSelection) {
        if (s->valueColumn != note->valueColumn) continue;
        const int32_t now = database && note->valueColumn >= 0 && note->valueColumn < kMaxValueCount
                                ? database->decimalsCodes[note->valueColumn]
                                : 0;
        if (s->decimals == kDecimalsFloating || s->columnDecimals == kDecimalsFloating ||
            now == kDecimalsFloating)
          return true;
      }
      return false;
    case kChangeSubsetCalculated:
      for (T_CSelection* s = data.selections; s; s = s->nextSelection) {
        if (CombNeedsCalc(&s->selection.subset)) return true;
      }
      return false;
    default:
      return false;
  }
}
