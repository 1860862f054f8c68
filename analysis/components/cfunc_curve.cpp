// The curve view's geometry: scale, ticks, bar lists and rectangles, the bar under a point.
#include "analysis/components/cfunc_curve.h"

#include <algorithm>
#include <cmath>

#include "ui/axis_steps.h"

namespace {

constexpr int32_t kClamp = 32760;

int32_t RoundHalfUp(double v) { return static_cast<int32_t>(std::floor(v + 0.5)); }
int32_t Clamp(int64_t x) { return static_cast<int32_t>(std::clamp<int64_t>(x, -kClamp, kClamp)); }

}  // namespace

CurveScale CFuncCurveScale(int32_t left, int32_t right, double smallest, double largest,
                           bool mirrored) {
  CurveScale s;
  const double range = largest - smallest;
  s.scale = range > 0 && std::isfinite(range) ? (right - left - 4) / range : 0;
  if (!mirrored) {
    s.zero = RoundHalfUp(left + 2 - smallest * s.scale);
  } else {
    s.scale = -s.scale;
    s.zero = RoundHalfUp(right - 2 - smallest * s.scale);
  }
  return s;
}

bool CFuncTickStep(int32_t width, double range, CurveTicks* ticks) {
  if (!std::isfinite(range) || range <= 0) return false;
  const int32_t count = width / 32 > 0 ? width / 32 : 1;
  ticks->step = RoundStepAtLeast(range / count);
  ticks->decimals = std::max(RoundStepDecimals(ticks->step), 0);
  return ticks->step > 0 && std::isfinite(ticks->step);
}

void CFuncSpreadTicks(CurveTicks* ticks, double pixelsPerUnit, double smallest, double largest,
                      int32_t (*labelWidth)(double value, int32_t decimals)) {
  const double pixels = std::fabs(pixelsPerUnit);
  if (!(ticks->step > 0) || !(pixels > 0) || !std::isfinite(pixels)) return;
  // Labels that do not fit would be skipped one by one from the left, and the axis would step
  // unevenly on the two sides of zero: widen the step until every label has its room.
  for (int32_t guard = 0; guard < 64; ++guard) {
    const int32_t widest = std::max(labelWidth(smallest, ticks->decimals),
                                    labelWidth(largest, ticks->decimals));
    if (ticks->step * pixels > widest + kTickLabelGap + 1) return;
    ticks->step = NextRoundStep(ticks->step);
    ticks->decimals = std::max(RoundStepDecimals(ticks->step), 0);
    if (!(ticks->step > 0)) return;
  }
}

std::vector<double> CFuncTickValues(const CurveTicks& ticks, double smallest, double largest) {
  return StepTicks(ticks.step, smallest, largest);
}

void CFuncRowBars(const double* values, const int32_t* colours, int32_t count, int32_t style,
                  double scale, std::vector<CurveBar>* right, std::vector<CurveBar>* left) {
  right->clear();
  left->clear();
  double positive = 0;
  double negative = 0;
  for (int32_t c = 0; c < count; ++c) {
    const double v = values[c];
    if (!std::isfinite(v)) continue;
    double shown = v;
    if (style == 4) {
      if (v == 0) continue;
      shown = v > 0 ? (positive += v) : (negative += v);
    }
    const int32_t length = RoundHalfUp(shown * scale);
    if (length >= 1) right->push_back({length, c, colours[c]});
    else if (length < 0) left->push_back({-length, c, colours[c]});
  }
  auto order = [](const CurveBar& a, const CurveBar& b) {
    return a.length != b.length ? a.length > b.length : a.column > b.column;
  };
  std::sort(right->begin(), right->end(), order);
  std::sort(left->begin(), left->end(), order);
}

std::vector<CurveRect> CFuncBarRects(int32_t style, int32_t y, int32_t rowHeight, int32_t shown,
                                     int32_t zero, const std::vector<CurveBar>& right,
                                     const std::vector<CurveBar>& left) {
  std::vector<CurveRect> rects;
  if (shown < 1) return rects;
  const int32_t h = rowHeight - 1;
  const int32_t c = shown;
  for (int32_t side = 0; side < 2; ++side) {
    const std::vector<CurveBar>& list = side == 0 ? left : right;
    const int32_t nested = list.empty() ? 1 : h / static_cast<int32_t>(list.size());
    for (size_t i = 0; i < list.size(); ++i) {
      const CurveBar& bar = list[i];
      int32_t top = y;
      int32_t height = h;
      switch (style) {
        case 0:
          height = h / c;
          top = y + bar.column * height;
          break;
        case 1: {
          int32_t step;
          if (h > c) {
            step = h / (c + 1);
            height = h - (c - 1) * step;
          } else {
            height = 1;
            step = h == c ? 1 : 0;
          }
          top = y + bar.column * step;
          break;
        }
        case 2:
          height = h - static_cast<int32_t>(i) * nested;
          break;
        default:
          break;
      }
      RECT r;
      r.top = top;
      r.bottom = top + (height > 1 ? height : 1);
      if (side == 0) {
        r.left = Clamp(int64_t{zero} - bar.length);
        r.right = Clamp(int64_t{zero} + 1);
      } else {
        r.left = Clamp(zero);
        r.right = Clamp(int64_t{zero} + bar.length);
      }
      rects.push_back({r, bar.column, bar.colour});
    }
  }
  return rects;
}

int32_t CFuncBarAt(const std::vector<CurveRect>& rects, int32_t leftCount, int32_t zero, POINT p) {
  const bool rightSide = p.x > zero;
  const int32_t from = rightSide ? leftCount : 0;
  const int32_t to = rightSide ? static_cast<int32_t>(rects.size()) : leftCount;
  if (p.x == zero) return -1;
  for (int32_t i = from; i < to; ++i) {
    const RECT& r = rects[static_cast<size_t>(i)].rect;
    if (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom) return i;
  }
  return -1;
}
