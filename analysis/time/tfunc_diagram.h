#pragma once
// The time functions window's diagram: every shown variable drawn over the period table of the
// last calculation as a step curve or as bars, its value range and margins, and the hit test of
// a press. Everything works on the window's laid-out diagram (DiagramLayout) and draws on the
// current graphics port, so the window calls one function per slot:
//
//   slot                        call
//   T_BoxWin::DrawGrid          DrawDiagramAxes(); ClipToDiagram(); TFuncDrawDiagram(layout, d)
//   T_TSWin::RebuildDiagram     TFuncDiagramRange(&layout, d); ChooseValueScale()
//   T_TSWin::ChooseValueScale   TFuncValueMargins(&layout, d); LayoutDiagram()
//   T_TSWin::HitDiagram         TFuncHitDiagram(layout, d, point, &hit, shape)
//   T_TSWin::OnPeriodRangeChanged  TFuncEntryOfDate(data, layout.range.from) -> first row
//   after a calculation with the diagram shown: TFuncComputeDayPositions(data)
//
// Geometry, shared by drawing and hitting so that a hit is what the user sees:
//   1. a curve's x at an entry is DateBarToX of its date and day position for Active Cards,
//      Groups and Lines, else one pixel left of DateEndToX of its end date: the value is reached
//      at the end of its period, so the curve runs at the previous value through the period and
//      steps at its right end;
//   2. a curve of line style w is w pixels thick: rows y - w/2 .. y + (w - 1)/2 (columns alike);
//   3. a bar's height is floor(value x -pixelsPerValue + 0.5), clamped in floating point; up
//      bars (negative heights) cover the rows zero line - height .. zero line, down bars zero
//      line + 1 .. zero line + |height|; a height of 0 is no bar, nor is a value that is not
//      finite; in the stacked mode each bar is the running sum of its sign;
//   4. the bars of a period with width (types 0 to 12, 16) lie in [left, right): Active Days one
//      day from DateToX of the date, other types from the previous entry's DateEndToX (the first
//      from DateToX of the first date) to the entry's own DateEndToX; Active Cards, Groups and
//      Lines draw one-pixel lines at the curve x.
//
// User-interface thread only.
#include <windows.h>

#include <cstdint>

#include "analysis/time/diagram_layout.h"
#include "analysis/time/tfunc_series.h"
#include "analysis/time/time_variables.h"
#include "ui/regions.h"

// The "Bars" chooser (id 81).
constexpr int32_t kBarsSideBySide = 0;
constexpr int32_t kBarsSteps = 1;
constexpr int32_t kBarsNested = 2;
constexpr int32_t kBarsOverlapping = 3;
constexpr int32_t kBarsStacked = 4;

// What the diagram draws. series[i] is the i-th shown column (its values are values[i] of each
// entry); a null series or one of form 0 is passed over. A series whose variable was deleted is
// still drawn from its copied settings, but never hit. Drawing and hitting overwrite the
// series' drawing state.
struct TFuncDiagram {
  const TFuncData* data = nullptr;
  TFuncSeries* const* series = nullptr;
  int32_t count = 0;
  int32_t barMode = kBarsSideBySide;
  double axisMax;  // the value-axis limits of the "Axis Limits" page; NaN: automatic
  double axisMin;
};
// A diagram over the data with no axis limits.
TFuncDiagram TFuncDiagramOf(const TFuncData* data, TFuncSeries* const* series, int32_t count,
                            int32_t barMode);

// The first period entry (from entry 2) whose end date is not before the date; the period count
// when there is none.
int64_t TFuncEntryOfDate(const TFuncData* data, PackedDate date);

// Spreads the entries of each date over the day: the k entries of one date get the positions
// 1/(k+1) .. k/(k+1), in order. Active Cards, Groups and Lines only.
void TFuncComputeDayPositions(TFuncData* data);

// The automatic value range of what is drawn between the diagram's from and to dates (curves
// with the value in force at the from date, bars from 0, stacked bars as their sums; values that
// are not finite skipped) into layout->range.top and bottom, each replaced by its axis limit when
// that is set. 1 and 0 when nothing is drawn.
void TFuncDiagramRange(DiagramLayout* layout, const TFuncDiagram& diagram);
// The margins of the curves: the widest line style w gives w/2 pixels above and (w-1)/2 below,
// 2 more below when the lower bound is not 0; none without curves. Lay the diagram out after.
void TFuncValueMargins(DiagramLayout* layout, const TFuncDiagram& diagram);

// Draws the bars and curves (curves over bars, the first column's curve on top) up to the right
// edge of the layout's diagram rectangle. The foreground colour is left as it was.
void TFuncDrawDiagram(const DiagramLayout& layout, const TFuncDiagram& diagram);

struct TFuncHit {
  int64_t entry = -1;
  int32_t column = -1;
};
// The press at the point: the curve step or the visible part of the bar under it, tried at the
// horizontal offsets 0, -1, +1, -2, +2, -3, +3 in turn, curves before bars. On a hit the shape
// (when given) is the hit's region, swept back to the point when it was found at an offset, and
// true comes back. A series without its variable, the zero line itself and a diagram without
// series are misses.
bool TFuncHitDiagram(const DiagramLayout& layout, const TFuncDiagram& diagram, POINT point,
                     TFuncHit* hit, Region* shape);
