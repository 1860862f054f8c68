#include "analysis/time/lines_distribution.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "analysis/time/lines_window.h"
#include "analysis/time/ts_window.h"
#include "core/number_text.h"
#include "ui/button.h"
#include "ui/draw_primitives.h"
#include "ui/graphics_port.h"
#include "ui/text_layout.h"
#include "ui/text_style.h"
#include "ui/window_utilities.h"

namespace {

constexpr int32_t kTextTitle = 5101;  // "Relative Distribution"
constexpr int32_t kTextClose = 707;
constexpr uint32_t kCloseId = 1;
constexpr int32_t kPlotWidth = kDistrRight - kDistrLeft;
// The press area: the plot and its labels.
constexpr RECT kPressArea{kDistrLeft, 10, kDistrRight, 177};

bool Inside(double v, double minimum, double maximum) {
  return std::isfinite(v) && v >= minimum && v <= maximum;
}

// The text of a value with fixed decimals.
void ValueText(char* buffer, double value, int32_t decimals) {
  NumFormat format;
  NumFormatInit(&format);
  format.mode = kNumFixed;
  format.thousandsSeparator = 0;
  NumFormatSetDecimals(&format, decimals);
  DoubleToStrFormat(buffer, value, &format);
}

}  // namespace

double NiceStep(double x, int32_t* decimals) {
  *decimals = 0;
  if (!(x > 0) || !std::isfinite(x)) return 0;
  const int32_t e = static_cast<int32_t>(std::floor(std::log10(x)));
  const double p = std::pow(10.0, e);
  double step = 10 * p;
  int32_t exponent = e + 1;
  if (p >= x) {
    step = p;
    exponent = e;
  } else if (2 * p >= x) {
    step = 2 * p;
    exponent = e;
  } else if (2.5 * p >= x) {
    step = 2.5 * p;
    exponent = e - 1;
  } else if (5 * p >= x) {
    step = 5 * p;
    exponent = e;
  }
  *decimals = exponent < 0 ? -exponent : 0;
  return step;
}

bool DistributionRange(const DistributionValues& values, double* maximum, double* minimum) {
  double high = -HUGE_VAL, low = HUGE_VAL;
  for (int64_t i = 0; i < values.count; ++i) {
    const double v = values.value(values.context, i);
    if (!std::isfinite(v)) continue;
    high = std::max(high, v);
    low = std::min(low, v);
  }
  if (high < low) return false;
  if (high == low) high += std::fabs(high) * 0.1 + 1;
  *maximum = high;
  *minimum = low;
  return true;
}

void BucketDistribution(DistributionState* state, const DistributionValues& values,
                        double maximum, double minimum) {
  state->maximum = maximum;
  state->minimum = minimum;
  state->bucketCount = 0;
  state->largest = 0;
  state->step = 0;
  state->start = minimum;
  std::fill(std::begin(state->counts), std::end(state->counts), 0);
  int64_t n = 0;
  for (int64_t i = 0; i < values.count; ++i)
    if (Inside(values.value(values.context, i), minimum, maximum)) ++n;
  const int64_t target = std::min<int64_t>(n / 2 + 6, 77);
  int32_t decimals = 0;
  const double step = NiceStep((maximum - minimum) / static_cast<double>(target), &decimals);
  if (!(step > 0) || !std::isfinite(step)) return;
  const double start = std::floor(minimum / step) * step;
  const double count = std::floor((maximum - start + step) / step);
  if (!std::isfinite(start) || !(count >= 1)) return;
  state->step = step;
  state->start = start;
  state->bucketCount = static_cast<int32_t>(std::min<double>(count, kDistrBuckets - 1));
  for (int64_t i = 0; i < values.count; ++i) {
    const double v = values.value(values.context, i);
    if (!Inside(v, minimum, maximum)) continue;
    // Rounding may put a value at the edge one bucket out: it stays in the last or first.
    const double at = std::floor((v - start) / step);
    const int32_t index =
        at < 0 ? 0 : at >= state->bucketCount ? state->bucketCount - 1 : static_cast<int32_t>(at);
    ++state->counts[index];
  }
  for (int32_t i = 0; i < state->bucketCount; ++i)
    state->largest = std::max(state->largest, state->counts[i]);
}

double DistributionWidth(const DistributionState& state) { return state.bucketCount * state.step; }

RECT DistributionBar(const DistributionState& state, int32_t i) {
  const int32_t n = state.bucketCount;
  const int32_t left = kDistrLeft + i * kPlotWidth / n;
  const int32_t right = i + 1 < n ? kDistrLeft + (i + 1) * kPlotWidth / n : kDistrRight;
  const int32_t height =
      state.largest > 0
          ? static_cast<int32_t>(static_cast<double>(state.counts[i]) /
                                 static_cast<double>(state.largest) * kDistrBarHeight)
          : 0;
  return RECT{left, kDistrBase - height, right, kDistrBase};
}

void DistributionLabels(const DistributionState& state, int32_t (*measure)(const char* text),
                        void (*label)(void* context, int32_t x, const char* text),
                        void* context) {
  const double w = DistributionWidth(state);
  if (state.bucketCount <= 0 || !(w > 0) || !std::isfinite(w)) return;
  int32_t decimals = 0;
  NiceStep(w * 24 / kPlotWidth, &decimals);
  char text[kFormatDoubleMax + 1];
  ValueText(text, w, decimals);
  const double u = (measure(text) + 12) * w / kPlotWidth;
  const double step = NiceStep(std::max(state.step, u), &decimals);
  if (!(step > 0)) return;
  // A step too small for the values' magnitude would not advance them.
  for (double value = std::floor(state.start / step) * step; value + step > value; value += step) {
    const int32_t x =
        static_cast<int32_t>(std::floor((value - state.start) * kPlotWidth / w + 0.5)) + kDistrLeft;
    if (x > kDistrRight) break;
    if (x < kDistrLeft) continue;
    ValueText(text, value, decimals);
    label(context, x, text);
  }
}

bool DistributionZoomIn(DistributionState* state, const DistributionValues& values, int32_t left,
                        int32_t right) {
  const double span = (state->maximum - state->minimum) * 1000;
  if (span <= 1 || std::fabs(state->maximum) + std::fabs(state->minimum) >= span) return false;
  const double w = DistributionWidth(*state);
  if (!(w > 0) || !std::isfinite(w)) return false;
  if (state->depth < kDistrZoomMax) {
    state->saved[state->depth][0] = state->maximum;
    state->saved[state->depth][1] = state->minimum;
    ++state->depth;
  }
  const double maximum = state->start + (right - kDistrLeft) * w / kPlotWidth;
  const double minimum = state->start + (left - kDistrLeft) * w / kPlotWidth;
  BucketDistribution(state, values, maximum, minimum);
  return true;
}

bool DistributionZoomOut(DistributionState* state, const DistributionValues& values) {
  if (state->depth <= 0) return false;
  --state->depth;
  BucketDistribution(state, values, state->saved[state->depth][0], state->saved[state->depth][1]);
  return true;
}

// --- The dialog ---------------------------------------------------------------------------------

namespace {

double RowValueAt(const void* context, int64_t i) {
  const auto* window = static_cast<const T_Lines*>(context);
  return window->RowValue(window->data.headerRowCount + i);
}

}  // namespace

T_LinesDistr::T_LinesDistr(T_Lines* owner)
    : T_HDialog(kDistrWidth, kDistrHeight, owner->database, owner), window(owner) {
  SetTitleId(kTextTitle);
  close = new (std::nothrow) T_Button(this, XYWH{244, 188, 80, 20}, kCloseId);
  if (close) {
    close->SetTitleId(kTextClose);
    close->SetDefault(true);
  }
  values.value = RowValueAt;
  values.context = window;
  values.count = window->data.rowCount - window->data.headerRowCount;
  double maximum = 0, minimum = 0;
  if (DistributionRange(values, &maximum, &minimum))
    BucketDistribution(&state, values, maximum, minimum);
  state.depth = 0;
}

void T_LinesDistr::OnButton(T_GrafElement* button) {
  if (button == close) {
    Dialog_EndModal(this);
    return;
  }
  T_HDialog::OnButton(button);
}

bool T_LinesDistr::MouseDown(InputEvent* event, T_GrafElement* target) {
  if (T_HDialog::MouseDown(event, target)) return true;
  return ZoomDistribution(event);
}

void T_LinesDistr::DrawContent() {
  T_HDialog::DrawContent();
  DrawDistribution();
}

void T_LinesDistr::DrawDistribution() {
  {
    T_ForeIndex fore(kDistrColour);
    for (int32_t i = state.bucketCount - 1; i >= 0; --i) {
      const RECT bar = DistributionBar(state, i);
      if (bar.top < bar.bottom) RectFillColour(&bar, kDistrColour);
    }
  }
  DrawHLine(kDistrLeft - 2, kDistrBase, 305);
  const uint16_t oldAlign = TextSetAlign(kStyleCentre);
  DistributionLabels(
      state, [](const char* text) { return TextWidth(text); },
      [](void*, int32_t x, const char* text) {
        const int32_t half = TextWidth(text) / 2;
        RECT r{x - half, kDistrBase + 4, x + half + 2, kDistrBase + 15};
        TextDrawInRect(&r, text, nullptr);
        DrawVLine(x, kDistrBase, 4);
      },
      nullptr);
  TextSetAlign(oldAlign);
}

bool T_LinesDistr::ZoomDistribution(InputEvent* event) {
  const POINT point{event->x, event->y};
  if (!PtInRect(&kPressArea, point)) return false;
  RECT rect{};
  int32_t cursor = event->rightAlt ? kCursorZoomOut : kCursorZoomIn;
  const int32_t result = TrackZoomRect(event, &rect, kZoomColumns, 4, &cursor, nullptr, nullptr);
  const bool zoomOut = cursor == kCursorZoomOut;
  const RECT plot{kDistrLeft, kDistrBase - kDistrBarHeight, kDistrRight, kDistrBase};
  if (result == kZoomClick && zoomOut) {
    if (!DistributionZoomOut(&state, values)) {
      DiagramBeep();
      return true;
    }
    if (visible) {
      const RECT to{kDistrLeft + kPlotWidth / 4, plot.top, kDistrRight - kPlotWidth / 4,
                    plot.bottom};
      AnimateZoomRect(&plot, &to);
    }
    GrafElement_Invalidate(this, 0);
    return true;
  }
  if (result == kZoomClick) {
    rect.left = (kDistrLeft + point.x) / 2;
    rect.right = (kDistrRight + point.x) / 2;
  } else if (result == kZoomRectangle && zoomOut) {
    RECT outer{kDistrLeft, plot.top, kDistrRight, plot.bottom};
    RECT inner{rect.left, plot.top, rect.right, plot.bottom};
    RectZoomOut(&outer, &inner);
    rect = outer;
  } else if (result != kZoomRectangle) {
    return true;
  }
  const RECT from{rect.left, plot.top, rect.right, plot.bottom};
  if (!DistributionZoomIn(&state, values, rect.left, rect.right)) return true;
  if (visible) AnimateZoomRect(&from, &plot);
  GrafElement_Invalidate(this, 0);
  return true;
}

void OpenLinesDistribution(T_Lines* window) {
  if (!window || window->data.rowCount - window->data.headerRowCount < 5) return;
  auto* dialog = new (std::nothrow) T_LinesDistr(window);
  if (!dialog) return;
  Dialog_Run(dialog);
  delete dialog;
}
