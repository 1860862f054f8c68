// The templates behind a time functions variable and period, and their running.
#include "analysis/time/tfunc_drill.h"

#include <new>
#include <vector>

#include "analysis/cards/cards_fields.h"
#include "analysis/cards/cards_template.h"
#include "analysis/components/components_template.h"
#include "analysis/components/function_templates.h"
#include "analysis/time/lines_template.h"
#include "analysis/time/tfunc_export.h"
#include "core/alert.h"
#include "core/owned_text.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/card_selection.h"
#include "database/date_ref.h"
#include "database/stored_subsets.h"
#include "database/template_runner.h"
#include "database/template_tree.h"
#include "database/time_scale.h"
#include "ui/database_services.h"
#include "ui/link_markup.h"

namespace {

// A selection's measure shown by the lines window (the others need a time functions window).
bool LinesShowMeasure(int32_t measure) {
  return measure != kMeasureProduct && measure != kMeasureGeomMean && measure != kMeasureFirst &&
         measure != kMeasureLast;
}
// A measure a components window has a column for.
int32_t ComponentsColumnOfMeasure(int32_t measure) {
  switch (measure) {
    case kMeasureLineCount:
      return kCompsLines;
    case kMeasureCardCount:
      return kCompsCards;
    case kMeasureSum:
    case kMeasureNegSum:
      return kCompsPeriod;
    default:
      return -1;
  }
}

// A new template of the kind from the database's default template of the kind (its settings
// copied whole), with the database's default window settings applied.
template <typename Template>
Template* FromDefault(T_Base* base, int32_t kind, Template* (*as)(T_Template*)) {
  T_Template* defaults = base->GetDefaultTemplate(kind);
  T_Template* made =
      as(defaults) ? DuplicateTemplate(base, defaults, nullptr) : NewTemplate(base, kind);
  Template* t = as(made);
  if (!t) {
    delete made;
    PendingErrorOutOfMemory();
    return nullptr;
  }
  t->ApplyDefaults();
  return t;
}

// The variable's title without links, else its name: the drilled window's name.
void LabelOf(const TFuncData* data, const T_TVariable* v, T_TextBuf* out) {
  TextBufAssign(out, "");
  if (v->title && *v->title)
    LinkText_ToPlain(data->base ? data->base->linkContext : nullptr, out, v->title);
  if (out->length == 0) TextBufAssign(out, v->name);
}

// The selection's definition as the drilled template keeps it.
void DefinitionOf(SelectionDef* def, const T_TSelection* s) {
  // Reading the compiled selection back into texts changes nothing of it.
  SelectionDef_fromSelection(def, const_cast<CardSelection*>(&s->selection));
}

bool UsedSubsets(StoredSubsetList* stored, SubsetList* live, const T_TSelection* s) {
  if (!live) return true;
  return StoreUsedSubsets(stored, live, const_cast<Combination*>(&s->selection.subset));
}

struct Period {
  bool given = false;
  CardId from;
  CardId to;
};
Period PeriodOf(const TFuncData* data, int64_t entry, const T_TVariable* v) {
  Period p;
  if (entry < 0 || entry >= data->periodCount) return p;
  p.given = true;
  TFuncPeriodRange(data, entry, v, &p.from, &p.to);
  return p;
}

T_Template* Failed(T_Template* t) {
  delete t;
  PendingErrorOutOfMemory();
  return nullptr;
}

// The variables a formula needs, in display order, and which of them its own text names: taken
// from the template family's reading of the compiled names, on a loose copy of every variable.
struct Needs {
  std::vector<const T_TVariable*> variables;
  std::vector<uint8_t> named;
};
bool NeedsOfFormula(const TFuncData* data, const T_TVariable* formula, Needs* needs) {
  T_TFuncTmpl all(data->base);
  std::vector<const T_TVariable*> order;
  const T_TFormulaTmpl* target = nullptr;
  for (const T_TVariable* v = data->variables; v; v = v->next) {
    T_TVariableTmpl* copy = all.AddVariableFromWindow(v);
    if (!copy) return false;
    order.push_back(v);
    if (v == formula) target = static_cast<const T_TFormulaTmpl*>(copy);
  }
  if (!target) return false;
  std::vector<uint8_t> needed(order.size() + 1, 0), named(order.size() + 1, 0);
  FormulaNeeds(&all, target, needed.data(), named.data());
  for (size_t i = 0; i < order.size(); ++i) {
    if (!needed[i] && order[i] != formula) continue;
    needs->variables.push_back(order[i]);
    needs->named.push_back(order[i] == formula || named[i]);
  }
  return true;
}

// Variables into a time functions template; By Period selections start at the period's start.
bool AddTimeVariables(T_TFuncTmpl* t, const Needs& needs, const T_TVariable* focus,
                      const Period& period) {
  for (size_t i = 0; i < needs.variables.size(); ++i) {
    const T_TVariable* v = needs.variables[i];
    T_TVariableTmpl* copy = t->AddVariableFromWindow(v);
    if (!copy) return false;
    copy->shown = needs.named[i];
    if (v == focus && v->kind == kVariableFormula) t->focus = static_cast<T_TFormulaTmpl*>(copy);
    const T_TSelection* s = AsSelection(v);
    if (s && period.given && s->accumulation == kAccumulateByPeriod) {
      SelectionDef* def = &static_cast<T_TSelectionTmpl*>(copy)->selection;
      TFuncNarrowToPeriod(def, s, period.from, s->selection.to.cardId);
    }
  }
  return true;
}

// A time functions template over the period holding the variables: Active Cards, or Active
// Lines when the window's own periods are active ones.
T_Template* PeriodTimeFunctions(const TFuncDrillSource& source, const T_TVariable* variable,
                                const Needs& needs, const Period& period) {
  const TFuncData* data = source.data;
  auto* t = new (std::nothrow) T_TFuncTmpl(data->base);
  if (!t) return Failed(nullptr);
  t->ApplyDefaults();
  T_TextBuf label;
  LabelOf(data, variable, &label);
  bool ok = t->SetName(label.data);
  if (const T_TSelection* s = AsSelection(variable))
    ok = ok && UsedSubsets(&t->subsets, source.subsets, s);
  else if (source.subsets)
    ok = ok && StoreSubsetList(&t->subsets, source.subsets);
  DateRefSetDate(&t->from, &period.from);
  DateRefSetDate(&t->to, &period.to);
  t->periodType = IsActiveEntryType(data->typeInForce) ? kPeriodActiveLines : kPeriodActiveCards;
  t->beforeShown = 0;
  if (!ok || !AddTimeVariables(t, needs, variable, period)) return Failed(t);
  return t;
}

// Variables into a component functions template, each selection narrowed to the period.
T_Template* ComponentFunctions(const TFuncDrillSource& source, const T_TVariable* variable,
                               const Needs& needs, const Period& period) {
  const TFuncData* data = source.data;
  T_CFuncTmpl* t =
      FromDefault<T_CFuncTmpl>(data->base, kTemplateComponentFunctions, AsComponentFunctionsTemplate);
  if (!t) return nullptr;
  // The default's own variables are not what is drilled into.
  while (t->formulas) t->RemoveFormula(t->formulas);
  while (t->selections) t->RemoveSelection(t->selections);
  bool ok = true;
  if (variable) {
    T_TextBuf label;
    LabelOf(data, variable, &label);
    ok = t->SetName(label.data);
  }
  if (const T_TSelection* s = AsSelection(variable))
    ok = ok && UsedSubsets(&t->subsets, source.subsets, s);
  else if (source.subsets)
    ok = ok && StoreSubsetList(&t->subsets, source.subsets);
  for (size_t i = 0; ok && i < needs.variables.size(); ++i) {
    const T_TVariable* v = needs.variables[i];
    T_CVariableTmpl* copy = t->AddVariableFromWindow(v);
    if (!copy) return Failed(t);
    copy->shown = needs.named[i];
    if (v == variable && v->kind == kVariableFormula) t->focus = static_cast<T_CFormulaTmpl*>(copy);
    const T_TSelection* s = AsSelection(v);
    if (s && period.given)
      TFuncNarrowToPeriod(&static_cast<T_CSelectionTmpl*>(copy)->selection, s, period.from,
                          period.to);
  }
  if (!ok) return Failed(t);
  return t;
}

Needs Single(const T_TVariable* v) {
  Needs needs;
  needs.variables.push_back(v);
  needs.named.push_back(1);
  return needs;
}

bool NeedsOf(const TFuncData* data, const T_TVariable* variable, Needs* needs) {
  if (!variable) {
    for (const T_TVariable* v = data->variables; v; v = v->next) {
      needs->variables.push_back(v);
      needs->named.push_back(v->shown);
    }
    return true;
  }
  if (variable->kind == kVariableSelection) {
    *needs = Single(variable);
    return true;
  }
  return NeedsOfFormula(data, variable, needs);
}

}  // namespace

int32_t TFuncDrillOwnCommand(const T_TVariable* variable) {
  const T_TSelection* s = AsSelection(variable);
  return s && LinesShowMeasure(s->measure) ? kDrillCommandLines : kDrillCommandTimeFunctions;
}

int32_t TFuncDrillMenuMark(T_Base* base, int32_t remembered) {
  if (remembered < kDrillChoiceFirstDimension) return remembered < 0 ? kDrillChoiceOwn : remembered;
  const int32_t dimension = remembered - kDrillChoiceFirstDimension;
  if (dimension >= kDimensionCount || !Database_HasSubComponents(base, dimension))
    return kDrillChoiceOwn;
  return remembered;
}

void TFuncNarrowToPeriod(SelectionDef* def, const T_TSelection* selection, const CardId& from,
                         const CardId& to) {
  CardId first = from, last = to;
  if (selection->shift.kind != 0) {
    ApplyTimeShift(&selection->shift, &first, -1);
    ApplyTimeShift(&selection->shift, &last, 1);
  }
  if (selection->accumulation != kAccumulateFromStart &&
      CardIdGreater(&first, &selection->selection.from.cardId))
    DateRefSetDate(&def->from, &first);
  if (CardIdLess(&last, &selection->selection.to.cardId)) DateRefSetDate(&def->to, &last);
}

T_Template* TFuncLinesTemplate(const TFuncDrillSource& source, int64_t entry,
                               const T_TSelection* s) {
  if (!s) return nullptr;
  const TFuncData* data = source.data;
  T_LinesTmpl* lines = FromDefault<T_LinesTmpl>(data->base, kTemplateLines, AsLinesTemplate);
  if (!lines) return nullptr;
  T_TextBuf label;
  LabelOf(data, s, &label);
  // The lines add up to the sum; the name says that the variable shows it negated.
  if (s->measure == kMeasureNegSum) {
    T_TextBuf negated;
    TextBufAssign(&negated, "-");
    TextBufAppendBuf(&negated, &label);
    TextBufAssignBuf(&label, &negated);
  }
  bool ok = lines->SetName(label.data) && UsedSubsets(&lines->subsets, source.subsets, s);
  DefinitionOf(&lines->selection, s);
  SetLinesValueColumn(lines, s->valueColumn);
  SetLinesStatisticsForMeasure(lines, s->measure);
  const Period period = PeriodOf(data, entry, s);
  if (period.given) {
    TFuncNarrowToPeriod(&lines->selection, s, period.from, period.to);
    // A running total is the lines before the period and those in it: the Before row starts
    // where the period does.
    if (s->accumulation == kAccumulateFromStart && entry >= kEntryFirstPeriod) {
      CardId start, end;
      TFuncPeriodRange(data, entry, nullptr, &start, &end);
      if (s->shift.kind != 0) ApplyTimeShift(&s->shift, &start, -1);
      if (CardIdGreater(&start, &s->selection.from.cardId))
        DateRefSetDate(&lines->selection.from, &start);
      lines->options.statistics[kStatBefore] = 1;
    }
  }
  if (!ok) return Failed(lines);
  return lines;
}

T_Template* TFuncCardsTemplate(const TFuncDrillSource& source, const T_TSelection* s) {
  if (!s) return nullptr;
  const TFuncData* data = source.data;
  T_CardsTmpl* cards = FromDefault<T_CardsTmpl>(data->base, kTemplateCards, AsCardsTemplate);
  if (!cards) return nullptr;
  const bool ok = UsedSubsets(&cards->subsets, source.subsets, s);
  DefinitionOf(&cards->selection, s);
  if (s->valueColumn >= 0 && s->valueColumn < kMaxValueCount)
    cards->options.fields[kColValue1 + s->valueColumn].show = 1;
  if (!ok) return Failed(cards);
  return cards;
}

T_Template* TFuncComponentsTemplate(const TFuncDrillSource& source, int64_t entry,
                                    const T_TSelection* s, int32_t dimension) {
  if (!s) return nullptr;
  const TFuncData* data = source.data;
  T_CompsTmpl* comps = FromDefault<T_CompsTmpl>(data->base, kTemplateComponents, AsCompsTemplate);
  if (!comps) return nullptr;
  T_TextBuf label;
  LabelOf(data, s, &label);
  const bool ok = comps->SetName(label.data) && UsedSubsets(&comps->subsets, source.subsets, s);
  DefinitionOf(&comps->selection, s);
  const Period period = PeriodOf(data, entry, s);
  if (period.given) TFuncNarrowToPeriod(&comps->selection, s, period.from, period.to);
  comps->options.valueField = s->valueColumn;
  if (dimension >= 0 && dimension < kDimensionCount) {
    comps->viewDims.count = 1;
    comps->viewDims.dimension[0] = dimension;
  }
  const int32_t column = ComponentsColumnOfMeasure(s->measure);
  if (column >= 0) {
    for (int32_t type = 0; type < kCompsTypeCount; ++type)
      comps->options.columns[type].shown = type == column;
  }
  if (!ok) return Failed(comps);
  return comps;
}

T_Template* TFuncTimeFunctionsTemplate(const TFuncDrillSource& source,
                                       const T_TVariable* variable) {
  const TFuncData* data = source.data;
  Needs needs;
  if (!NeedsOf(data, variable, &needs)) return Failed(nullptr);
  auto* t = new (std::nothrow) T_TFuncTmpl(data->base);
  if (!t) return Failed(nullptr);
  t->ApplyDefaults();
  bool ok = true;
  if (const T_TSelection* s = AsSelection(variable))
    ok = UsedSubsets(&t->subsets, source.subsets, s);
  else if (source.subsets)
    ok = StoreSubsetList(&t->subsets, source.subsets);
  DateRefCopy(&t->from, &data->from);
  DateRefCopy(&t->to, &data->to);
  t->periodType = data->periodType;
  if (data->periodType == kPeriodTimeScale && data->timeScale)
    ok = t->SetTimeScaleName(data->timeScale->name) && ok;
  t->beforeShown = data->showBefore;
  t->cardTitles = source.cardTitles;
  t->endDatesOnly = source.endDatesOnly;
  if (!ok || !AddTimeVariables(t, needs, variable, Period{})) return Failed(t);
  return t;
}

T_Template* TFuncComponentFunctionsTemplate(const TFuncDrillSource& source, int64_t entry,
                                            const T_TVariable* variable) {
  Needs needs;
  if (!NeedsOf(source.data, variable, &needs)) return Failed(nullptr);
  return ComponentFunctions(source, variable, needs, PeriodOf(source.data, entry, variable));
}

T_Template* TFuncDrillTemplate(const TFuncDrillSource& source, int64_t entry,
                               const T_TVariable* variable, int32_t choice) {
  const TFuncData* data = source.data;
  if (!variable) variable = data->selections;
  if (!variable) return nullptr;
  const Period period = PeriodOf(data, entry, variable);
  const bool components = choice >= kDrillChoiceFirstDimension;
  if (const T_TSelection* s = AsSelection(variable)) {
    if (components && ComponentsColumnOfMeasure(s->measure) >= 0)
      return TFuncComponentsTemplate(source, entry, s, choice - kDrillChoiceFirstDimension);
    if (components) return ComponentFunctions(source, s, Single(s), period);
    if (LinesShowMeasure(s->measure)) return TFuncLinesTemplate(source, entry, s);
    if (!period.given) return TFuncTimeFunctionsTemplate(source, s);
    return PeriodTimeFunctions(source, s, Single(s), period);
  }
  Needs needs;
  if (!NeedsOfFormula(data, variable, &needs)) return Failed(nullptr);
  if (components) return ComponentFunctions(source, variable, needs, period);
  if (!period.given) return TFuncTimeFunctionsTemplate(source, variable);
  return PeriodTimeFunctions(source, variable, needs, period);
}

T_HWindow* TFuncRunDrill(T_Template* templ) {
  if (!templ) return nullptr;
  T_HWindow* window = RunTemplate(templ->database, templ, nullptr, 0);
  delete templ;
  return window;
}
