// The time functions window's settings and variables to and from its template.
#include "analysis/time/tfunc_settings.h"

#include "analysis/components/function_templates.h"
#include "core/alert.h"
#include "core/owned_text.h"
#include "database/base.h"
#include "database/time_scale.h"

bool TFuncReadTemplate(TFuncData* data, TFuncRowOrder* order, const T_TFuncTmpl* templ) {
  T_Base* base = data->base;
  data->periodType = templ->periodType;
  data->timeScale = nullptr;
  if (data->periodType == kPeriodTimeScale) {
    const char* name = templ->timeScaleName;
    data->timeScale = name && *name ? base->FindTimeScale(name) : base->GetTimeScaleAt(0);
    if (!data->timeScale) data->periodType = kPeriodActiveDays;
  }
  DateRefCopy(&data->from, &templ->from);
  DateRefCopy(&data->to, &templ->to);
  data->showBefore = templ->beforeShown;
  bool ok = true;
  for (const T_TVariableTmpl* record = templ->variables; record; record = record->next) {
    T_TVariable* variable = record->kind == kVariableSelection
                                ? static_cast<T_TVariable*>(TFuncNewSelection(data, record->name))
                                : TFuncNewFormula(data, record->name);
    if (!variable) {
      ok = false;
      break;
    }
    variable->SetFromTemplate(record);
  }
  if (!data->selections && !TFuncNewSelection(data, nullptr)) ok = false;
  order->mode = templ->sortMode;
  order->valueOrder = templ->valueOrder;
  order->sortVariable = templ->sortName ? TFuncFindVariable(data, templ->sortName) : nullptr;
  return ok;
}

bool TFuncWriteTemplate(TFuncData* data, const TFuncRowOrder* order, T_TFuncTmpl* templ) {
  while (templ->formulas) templ->RemoveFormula(templ->formulas);
  while (templ->selections) templ->RemoveSelection(templ->selections);
  bool ok = true;
  for (T_TVariable* v = data->variables; v && ok; v = v->next)
    ok = templ->AddVariableFromWindow(v) != nullptr;
  templ->periodType = data->periodType;
  if (data->periodType == kPeriodTimeScale && data->timeScale)
    ok = templ->SetTimeScaleName(data->timeScale->name) && ok;
  DateRefCopy(&templ->from, &data->from);
  DateRefCopy(&templ->to, &data->to);
  templ->beforeShown = data->showBefore;
  templ->sortMode = order->mode;
  templ->valueOrder = order->valueOrder;
  ok = templ->SetSortName(order->sortVariable ? order->sortVariable->name : nullptr) && ok;
  if (!ok) PendingErrorOutOfMemory();
  return ok;
}
