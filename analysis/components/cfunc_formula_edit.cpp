// The formula field of the component functions window's formula header.
#include "analysis/components/cfunc_formula_edit.h"

#include "analysis/components/cfunc_drill.h"
#include "analysis/components/cfunc_window.h"
#include "core/locale.h"
#include "core/text_buffer.h"
#include "ui/popup_menu.h"

namespace {

constexpr int32_t kTextLineCount = 5307;
// Date names ("Current year" ..), node names, then the suffixes of a selection's name.
constexpr FormulaBuiltin kBuiltins[] = {
    {nullptr, 0},       {"year", 5390},    {"month", 5391},    {"day", 5392},
    {"weekday", 5393},  {"quarterday", 5394}, {"yearday", 5395}, {nullptr, 0},
    {"dim", 5510},      {"level", 5511},   {"dimlevel", 5512}, {"leaf", 5513},
    {nullptr, 0},       {"!", 5514},       {"#", kTextLineCount}};

}  // namespace

T_CFormulaEdit::T_CFormulaEdit(T_EventHandler* parent, const XYWH& rect, uint32_t id,
                               T_CFunc* window, T_CFormula* formula)
    : T_FormulaEdit(parent, rect, id, formula ? formula->text : nullptr, kBuiltins,
                    static_cast<int32_t>(sizeof kBuiltins / sizeof kBuiltins[0])),
      window(window),
      formula(formula) {}

int32_t T_CFormulaEdit::VariableEntries(const char** names, int32_t max) const {
  int32_t n = 0;
  for (T_CSelection* s = window->data.selections; s && n < max; s = s->nextSelection)
    names[n++] = s->name;
  if (window->data.formulas && n < max) names[n++] = nullptr;
  for (T_CFormula* f = window->data.formulas; f && n < max; f = f->nextFormula)
    names[n++] = f->name;
  return n;
}

const char* T_CFormulaEdit::EditedName() const { return formula ? formula->name : nullptr; }

T_CVariable* T_CFormulaEdit::VariableAtCaret() {
  T_TextBuf text;
  GetText(&text);
  int32_t start = GetSelStart();
  int32_t length = GetSelLength();
  FindToken(&start, &length);
  if (length <= 0) return nullptr;
  T_TextBuf name;
  TextBufAssignBytes(&name, text.data + start, length);
  T_CVariable* v = CFuncFindVariable(&window->data, name.data);
  int32_t commands[5];
  return v && CFuncOpenCommands(v, commands) > 0 ? v : nullptr;
}

void T_CFormulaEdit::ContextMenu(ContextMenuRecord* record, int32_t phase) {
  if (record->selector == 0 && phase == kMenuPhaseList && popupMode == kPopupModeMenu) {
    menuVariable = VariableAtCaret();
    popupKind = menuVariable ? kCFormulaPopupVariable : kFormulaPopupEdit;
  }
  if (record->selector != 0 || popupKind != kCFormulaPopupVariable || !menuVariable) {
    T_FormulaEdit::ContextMenu(record, phase);
    return;
  }
  T_CVariable* variable = menuVariable;
  if (phase == kMenuPhaseRun) {
    chosen = record->entry;
    menuVariable = nullptr;
    popupKind = kFormulaPopupEdit;
  }
  window->OpenCommandsMenu(record, phase, variable, -1);
}
