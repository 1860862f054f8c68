// The time functions window's column settings as the diagram uses them.
#include "analysis/time/tfunc_series.h"

#include "analysis/time/time_variables.h"

void TFuncSeriesFromVariable(TFuncSeries* series, T_TVariable* variable) {
  *series = TFuncSeries{};
  series->variable = variable;
  if (!variable) return;
  series->decimals = variable->decimals;
  series->colouring = variable->colouring;
  series->signStyle = variable->signStyle;
  series->diagramForm = variable->DiagramForm();
  series->lineStyle = variable->lineStyle;
  series->colour = variable->colour;
}
