// The component functions window's "»" commands: the templates they open, the open-node menu of
// cells and column titles, and the data links of its web pages.
#include "analysis/components/cfunc_drill.h"

#include <cmath>
#include <new>
#include <vector>

#include "analysis/cards/cards_fields.h"
#include "analysis/cards/cards_template.h"
#include "analysis/components/cfunc_window.h"
#include "analysis/components/components_template.h"
#include "analysis/components/strux_paths.h"
#include "analysis/time/lines_template.h"
#include "analysis/time/tfunc_drill.h"
#include "core/alert.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "database/base.h"
#include "database/card_selection.h"
#include "database/stored_subsets.h"
#include "database/template_runner.h"
#include "ui/event_record.h"
#include "ui/link_markup.h"
#include "ui/popup_menu.h"

namespace {

constexpr int32_t kToolOpen = 4202;

T_Template* Failed(T_Template* t) {
  delete t;
  PendingErrorOutOfMemory();
  return nullptr;
}

// The variable's title without links, else its name: the opened window's name.
void LabelOf(T_Base* base, const T_CVariable* v, T_TextBuf* out) {
  TextBufAssign(out, "");
  if (v->title && *v->title) LinkText_ToPlain(base ? base->linkContext : nullptr, out, v->title);
  if (out->length == 0) TextBufAssign(out, v->name ? v->name : "");
}

// The window's variables as template records, in list order, beside the live ones.
struct Saved {
  explicit Saved(T_Base* base) : all(base) {}
  T_CFuncTmpl all;
  std::vector<T_CVariable*> live;
  std::vector<T_CVariableTmpl*> records;
};
bool SaveVariables(T_CFunc* window, Saved* saved) {
  for (T_CVariable* v = window->data.variables; v; v = v->next) {
    T_CVariableTmpl* record = v->kind == kVariableSelection
                                  ? static_cast<T_CVariableTmpl*>(saved->all.AddSelection())
                                  : static_cast<T_CVariableTmpl*>(saved->all.AddFormula());
    if (!record || !v->WriteToTemplate(record)) return false;
    saved->live.push_back(v);
    saved->records.push_back(record);
  }
  return true;
}

// Which of the saved variables go along (needed) and which of them are shown (named): every
// one for the overview, a selection alone, a formula with every variable it uses.
void NeedsOf(const Saved& saved, const T_CVariable* variable, std::vector<uint8_t>* needed,
             std::vector<uint8_t>* named) {
  const size_t n = saved.live.size();
  needed->assign(n + 1, 0);
  named->assign(n + 1, 0);
  for (size_t i = 0; i < n; ++i) {
    if (!variable) {
      (*needed)[i] = 1;
      (*named)[i] = saved.live[i]->shown;
    } else if (saved.live[i] == variable) {
      if (variable->kind == kVariableFormula)
        FormulaNeeds(&saved.all, static_cast<const T_CFormulaTmpl*>(saved.records[i]),
                     needed->data(), named->data());
      (*needed)[i] = (*named)[i] = 1;
    }
  }
}

// The formula's text as the target window reads it: the built-in names become their values at
// the node (the top node for the whole tree), once the window has a calculated tree.
bool TextWithConstants(T_CFunc* window, const T_CVariable* v, int64_t node, char** text) {
  if (v->kind != kVariableFormula || !window->calculated ||
      window->tree.Count() != window->nodeCount || window->nodeCount == 0)
    return true;
  T_TextBuf out;
  CFuncFormulaWithConstants(&window->data, static_cast<const T_CFormula*>(v), window->tree,
                            node >= 0 ? node : 0, &out);
  return BlockTextAssign(text, out.data);
}

bool NarrowToNode(T_CFunc* window, int64_t node, const T_CVariable* v, SelectionDef* def) {
  if (node < 0) return true;
  T_TextBuf path, ignored;
  CFuncNodePath(window, node, v->sublevels != 0, &path);
  ResolveDrillPath(window->database, &window->live, path.data, def, &ignored);
  return true;
}

const T_CSelection* AsCSelection(const T_CVariable* v) {
  return v && v->kind == kVariableSelection ? static_cast<const T_CSelection*>(v) : nullptr;
}

bool UsedSubsets(T_CFunc* window, StoredSubsetList* stored, const T_CSelection* s) {
  return StoreUsedSubsets(stored, &window->subsets, const_cast<Combination*>(&s->selection.subset));
}

T_Template* CardsTemplate(T_CFunc* window, const T_CSelection* s, int64_t node) {
  auto* cards = AsCardsTemplate(DrillTemplateFromDefault(window->database, kTemplateCards));
  if (!cards) return nullptr;
  SelectionDef_fromSelection(&cards->selection, const_cast<CardSelection*>(&s->selection));
  NarrowToNode(window, node, s, &cards->selection);
  if (s->valueColumn >= 0 && s->valueColumn < kMaxValueCount)
    cards->options.fields[kColValue1 + s->valueColumn].show = 1;
  if (!UsedSubsets(window, &cards->subsets, s)) return Failed(cards);
  return cards;
}

T_Template* LinesTemplate(T_CFunc* window, const T_CSelection* s, int64_t node) {
  T_LinesTmpl* lines = AsLinesTemplate(DrillTemplateFromDefault(window->database, kTemplateLines));
  if (!lines) return nullptr;
  T_TextBuf label;
  LabelOf(window->database, s, &label);
  SelectionDef_fromSelection(&lines->selection, const_cast<CardSelection*>(&s->selection));
  NarrowToNode(window, node, s, &lines->selection);
  SetLinesValueColumn(lines, s->valueColumn);
  SetLinesStatisticsForMeasure(lines, s->method);
  if (!lines->SetName(label.data) || !UsedSubsets(window, &lines->subsets, s)) return Failed(lines);
  return lines;
}

T_Template* ComponentsTemplate(T_CFunc* window, const T_CSelection* s, int64_t node) {
  T_CompsTmpl* comps =
      AsCompsTemplate(DrillTemplateFromDefault(window->database, kTemplateComponents));
  if (!comps) return nullptr;
  T_TextBuf label;
  LabelOf(window->database, s, &label);
  SelectionDef_fromSelection(&comps->selection, const_cast<CardSelection*>(&s->selection));
  NarrowToNode(window, node, s, &comps->selection);
  comps->options.valueField = s->valueColumn;
  comps->viewDims = window->live;
  const int32_t column = DrillComponentsColumn(s->method);
  if (column >= 0) {
    for (int32_t type = 0; type < kCompsTypeCount; ++type)
      comps->options.columns[type].shown = type == column;
  }
  if (!comps->SetName(label.data) || !UsedSubsets(window, &comps->subsets, s)) return Failed(comps);
  return comps;
}

T_Template* TimeFunctionsTemplate(T_CFunc* window, T_CVariable* variable, int64_t node) {
  Saved saved(window->database);
  if (!SaveVariables(window, &saved)) return Failed(nullptr);
  std::vector<uint8_t> needed, named;
  NeedsOf(saved, variable, &needed, &named);
  auto* t = new (std::nothrow) T_TFuncTmpl(window->database);
  if (!t) return Failed(nullptr);
  t->ApplyDefaults();
  bool ok = StoreSubsetList(&t->subsets, &window->subsets);
  if (variable) {
    T_TextBuf label;
    LabelOf(window->database, variable, &label);
    ok = ok && t->SetName(label.data);
  }
  for (size_t i = 0; ok && i < saved.live.size(); ++i) {
    if (!needed[i]) continue;
    T_TVariableTmpl* copy = t->AddVariableFromWindow(saved.records[i]);
    if (!copy) return Failed(t);
    copy->shown = named[i];
    const T_CVariable* v = saved.live[i];
    if (v == variable && v->kind == kVariableFormula) t->focus = static_cast<T_TFormulaTmpl*>(copy);
    if (v->kind == kVariableFormula)
      ok = TextWithConstants(window, v, node, &static_cast<T_TFormulaTmpl*>(copy)->formula);
    else
      ok = NarrowToNode(window, node, v, &static_cast<T_TSelectionTmpl*>(copy)->selection);
  }
  if (!ok) return Failed(t);
  return t;
}

T_Template* ComponentFunctionsTemplate(T_CFunc* window, T_CVariable* variable, int64_t node) {
  auto* t = new (std::nothrow) T_CFuncTmpl(window->database);
  if (!t) return Failed(nullptr);
  // The window's own settings, dimensions and variables; those not passed on go again.
  window->SaveToTemplate(t);
  t->viewDims = window->live;
  if (!variable && node < 0) return t;
  Saved saved(window->database);
  if (!SaveVariables(window, &saved)) return Failed(t);
  std::vector<uint8_t> needed, named;
  NeedsOf(saved, variable, &needed, &named);
  T_CVariableTmpl* record = t->variables;
  for (size_t i = 0; record && i < saved.live.size(); ++i) {
    T_CVariableTmpl* following = record->next;
    if (!needed[i]) {
      if (t->focus == static_cast<T_CFormulaTmpl*>(record)) t->focus = nullptr;
      if (record->kind == kVariableSelection)
        t->RemoveSelection(static_cast<T_CSelectionTmpl*>(record));
      else
        t->RemoveFormula(static_cast<T_CFormulaTmpl*>(record));
    } else {
      if (variable) record->shown = named[i];
      if (record->kind == kVariableSelection)
        NarrowToNode(window, node, saved.live[i],
                     &static_cast<T_CSelectionTmpl*>(record)->selection);
    }
    record = following;
  }
  if (variable) {
    T_TextBuf label;
    LabelOf(window->database, variable, &label);
    if (!t->SetName(label.data)) return Failed(t);
  }
  return t;
}

}  // namespace

int32_t CFuncOpenCommands(const T_CVariable* variable, int32_t commands[5]) {
  int32_t n = 0;
  if (variable && variable->kind == kVariableSelection) {
    commands[n++] = kCFuncOpenCards;
    commands[n++] = kCFuncOpenLines;
    commands[n++] = kCFuncOpenComponents;
  }
  const bool hasText = !variable || variable->kind == kVariableSelection ||
                       (static_cast<const T_CFormula*>(variable)->text &&
                        *static_cast<const T_CFormula*>(variable)->text);
  if (hasText) {
    commands[n++] = kCFuncOpenTimeFunctions;
    commands[n++] = kCFuncOpenComponentFunctions;
  }
  return n;
}

void CFuncNodePath(const T_CFunc* window, int64_t node, bool include, T_TextBuf* path) {
  TextBufAssign(path, ":");
  if (node < 0 || node >= window->nodeCount) return;
  T_TextBuf items;
  window->NodeDrillPath(&items, node, include ? 0 : 1);
  const char* p = items.data;
  if (*p == 'x') ++p;
  const StruxNode* n = window->Node(node);
  const bool own = !include && window->HasChildren(node);
  if (own && n->slot + 1 < window->live.count) TextBufAppendChar(path, 'x');
  TextBufAppend(path, p);
  // The node's own item decides what its cell holds, whatever the tree shows open.
  if (path->length > 1) path->data[path->length - 1] = own ? '!' : ':';
}

T_Template* CFuncOpenTemplate(T_CFunc* window, int32_t command, T_CVariable* variable,
                              int64_t node) {
  int32_t offered[5];
  const int32_t count = CFuncOpenCommands(variable, offered);
  bool known = false;
  for (int32_t i = 0; i < count; ++i) known = known || offered[i] == command;
  if (!known || !window->database) return nullptr;
  const T_CSelection* s = AsCSelection(variable);
  switch (command) {
    case kCFuncOpenCards:
      return CardsTemplate(window, s, node);
    case kCFuncOpenLines:
      return LinesTemplate(window, s, node);
    case kCFuncOpenComponents:
      return ComponentsTemplate(window, s, node);
    case kCFuncOpenTimeFunctions:
      return TimeFunctionsTemplate(window, variable, node);
    default:
      return ComponentFunctionsTemplate(window, variable, node);
  }
}

// --- The window's side -------------------------------------------------------------------------

T_HWindow* T_CFunc::OpenVariableIn(int32_t command, T_CVariable* variable, int64_t node) {
  T_Template* templ = CFuncOpenTemplate(this, command, variable, node);
  if (!templ) {
    if (PendingError.request.message) PendingErrorReport();
    return nullptr;
  }
  return TFuncRunDrill(templ);
}

void T_CFunc::ShowOpenNodeMenu(T_CVariable* variable, int64_t node, InputEvent* event) {
  if (!variable || !grid) return;
  menuVariable = variable;
  menuNode = node;
  int32_t offered[5];
  const int32_t count = CFuncOpenCommands(variable, offered);
  int32_t preselected = -1;
  for (int32_t i = 0; i < count; ++i) {
    if (offered[i] == openCommand) preselected = i;
  }
  const int32_t chosen = RunContextMenu(grid, kCFuncOpenNodeSelector, event, preselected);
  // The preselected entry comes back without its run phase.
  if (chosen >= 0 && chosen == preselected && menuVariable) {
    openCommand = offered[chosen];
    OpenVariableIn(openCommand, menuVariable, menuNode);
  }
  menuVariable = nullptr;
  menuNode = -1;
}

void T_CFunc::OpenCommandsMenu(ContextMenuRecord* record, int32_t phase, T_CVariable* variable,
                              int64_t node) {
  if (phase == kMenuPhaseList) {
    int32_t offered[5];
    const int32_t count = CFuncOpenCommands(variable, offered);
    for (int32_t i = 0; i < count; ++i)
      PopupMenu_AddCommand(&record->commands, static_cast<uint16_t>(offered[i]), false);
  } else if (phase == kMenuPhaseRun) {
    openCommand = static_cast<int32_t>(record->entry);
    OpenVariableIn(openCommand, variable, node);
  }
}

void T_CFunc::ContextMenu(ContextMenuRecord* record, int32_t phase) {
  if (record->selector != kCFuncOpenNodeSelector || !menuVariable) {
    T_StruxWin::ContextMenu(record, phase);
    return;
  }
  T_CVariable* variable = menuVariable;
  // Opened once: the preselected entry's answer must not open it again.
  if (phase == kMenuPhaseRun) menuVariable = nullptr;
  OpenCommandsMenu(record, phase, variable, menuNode);
}

void T_CFunc::TitleContextMenu(ContextMenuRecord* record, int32_t phase) {
  auto* field = dynamic_cast<T_CFuncField*>(pressedTitleField);
  T_CVariable* variable = field ? field->variable : nullptr;
  if (variable)
    OpenCommandsMenu(record, phase, variable, -1);
  else
    T_StruxWin::TitleContextMenu(record, phase);
}

bool T_CFunc::ClickCell(InputEvent* event, int64_t row, int32_t field, int32_t tool) {
  auto* f = dynamic_cast<T_CFuncField*>(GetField(field));
  T_CVariable* variable = f ? f->variable : nullptr;
  if (!variable) return T_StruxWin::ClickCell(event, row, field, tool);
  SelectVariable(variable);
  const int64_t node = RowNode(row);
  if (tool == kToolOpen && event && node >= 0) {
    RECT cell;
    GetCellRect(&cell, row, field);
    InputEvent at = *event;
    at.x = cell.right;
    at.y = (cell.top + cell.bottom) / 2;
    ShowOpenNodeMenu(variable, node, &at);
    return true;
  }
  return T_StruxWin::ClickCell(event, row, field, tool);
}

void T_CFunc::OnCellsSelected(int64_t row, int32_t field) {
  auto* f = dynamic_cast<T_CFuncField*>(GetField(field));
  const int64_t node = RowNode(row);
  if (!f || !f->variable || node < 0 || !calculated) return;
  int32_t offered[5];
  const int32_t count = CFuncOpenCommands(f->variable, offered);
  if (count == 0) return;
  int32_t command = offered[count - 1];
  for (int32_t i = 0; i < count; ++i) {
    if (offered[i] == openCommand) command = openCommand;
  }
  OpenVariableIn(command, f->variable, node);
}

void T_CFunc::WriteHtmlCell(T_OStream* stream, int64_t row, T_BoxField* field) {
  auto* f = dynamic_cast<T_CFuncField*>(field);
  const T_CVariable* variable = f ? f->variable : nullptr;
  const int64_t node = RowNode(row);
  const bool link = variable && node >= 0 && calculated && field->cellText && *field->cellText &&
                    !std::isnan(CellValue(node, variable)) && DrillDownAllowed();
  if (!link) {
    T_StruxWin::WriteHtmlCell(stream, row, field);
    return;
  }
  // The link opens what the cell holds: the node's own lines for "Exclude", everything below
  // it for "Include", whatever the tree shows open.
  T_TextBuf value, path;
  AppendVariableShortId(&value, variable->name);
  CFuncNodePath(this, node, variable->sublevels != 0, &path);
  TextBufAppendBuf(&value, &path);
  const bool opened = WriteDrillAnchor(stream, value.data);
  T_StruxWin::WriteHtmlCell(stream, row, field);
  if (opened) stream->PutText("</a>");
}
