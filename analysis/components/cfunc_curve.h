#pragma once
// The geometry of the component functions window's curve view, apart from drawing so that it
// can be tested as functions: the value scale and zero position of the curve area, the ticks of
// the value axis, each row's bar lists and their rectangles under the five bar styles, and the
// bar under a point.
//
// A row's bars: each present, finite cell becomes a length of value x scale pixels, rounded half
// up (bar style 4 uses the running positive or negative sum of the row instead); lengths of at
// least one pixel go to the right list, negative ones (as magnitudes) to the left list, each
// list longest first (equal lengths: the later column first). The left list is drawn first.
//
// User-interface thread only.
#include <windows.h>

#include <cstdint>
#include <vector>

struct CurveScale {
  double scale = 0;  // pixels per unit; negative when mirrored
  int32_t zero = 0;  // x of the value 0
};

// The curve area spans left..right; the range smallest..largest fills it less 2 pixels a side.
CurveScale CFuncCurveScale(int32_t left, int32_t right, double smallest, double largest,
                           bool mirrored);

struct CurveTicks {
  double step = 0;
  int32_t decimals = 0;
};
// The tick step for an area width and a value range; false (no ticks) when the range is not
// finite and positive.
bool CFuncTickStep(int32_t width, double range, CurveTicks* ticks);
// Widens the step (to the next round one, as often as needed) until the widest label, as
// labelWidth measures it, and a gap of kTickLabelGap pixels fit between two ticks.
constexpr int32_t kTickLabelGap = 8;
void CFuncSpreadTicks(CurveTicks* ticks, double pixelsPerUnit, double smallest, double largest,
                      int32_t (*labelWidth)(double value, int32_t decimals));
// The multiples of the step from the smallest value up to the largest (at most 4096).
std::vector<double> CFuncTickValues(const CurveTicks& ticks, double smallest, double largest);

struct CurveBar {
  int32_t length;
  int32_t column;
  int32_t colour;
};
void CFuncRowBars(const double* values, const int32_t* colours, int32_t count, int32_t style,
                  double scale, std::vector<CurveBar>* right, std::vector<CurveBar>* left);

struct CurveRect {
  RECT rect;
  int32_t column;
  int32_t colour;
};
// The rectangles of a row's bars in drawing order (the left list first), for a row whose top is
// y and whose height is rowHeight, with `shown` curve columns.
std::vector<CurveRect> CFuncBarRects(int32_t style, int32_t y, int32_t rowHeight, int32_t shown,
                                     int32_t zero, const std::vector<CurveBar>& right,
                                     const std::vector<CurveBar>& left);
// The first bar in drawing order that holds the point, from the list on the point's side of the
// zero position; -1 for none. Returns the index into the rectangles.
int32_t CFuncBarAt(const std::vector<CurveRect>& rects, int32_t leftCount, int32_t zero, POINT p);
