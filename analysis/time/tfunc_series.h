#pragma once
// One variable's column of the time functions window as the diagram draws it: the settings are
// copied from the variable whenever the columns are rebuilt, so drawing never follows a variable
// that was deleted meanwhile (variable is then null). The drawing state lives here too: bars of
// one period are chained through nextBar into the window's up and down lists, so drawing
// allocates nothing.
//
// User-interface thread only.
#include <cstdint>

class T_TVariable;

constexpr int32_t kSeriesNoY = -16000;  // the curve has no value here

struct TFuncSeries {
  T_TVariable* variable = nullptr;
  int32_t decimals = 0;
  int32_t colouring = 0;
  int32_t signStyle = 0;
  int32_t diagramForm = 0;  // 0 not drawn, 1 curve, 2 bars
  int32_t lineStyle = 1;    // 1 solid, other values a pattern of that style
  int32_t colour = 0;
  // Drawing state.
  int32_t currentY = kSeriesNoY;
  int32_t barIndex = 0;  // among the bar series
  int32_t barHeight = 0;
  TFuncSeries* nextBar = nullptr;
};

// The settings of the variable, its drawing state reset.
void TFuncSeriesFromVariable(TFuncSeries* series, T_TVariable* variable);
