#include "analysis/time/diagram_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/number_text.h"
#include "ui/axis_steps.h"

namespace {

int32_t DayOf(PackedDate date) { return PackedDateToDayNumber(date); }

// A pixel position held well inside the 16-bit coordinates the drawing takes.
int32_t ToPixel(double x) {
  if (std::isnan(x)) return kNoValueRow;
  return static_cast<int32_t>(std::clamp(x, -32000.0, 32000.0));
}

double FloorMod(double a, double b) { return a - b * std::floor(a / b); }

}  // namespace

int32_t LastDayNumber() { return PackedDateToDayNumber(PackDate(kLastYear, 12, 31)); }

void ChooseValueStep(DiagramLayout* l) {
  const double range = l->range.top - l->range.bottom;
  const double h = std::max(1, static_cast<int32_t>(l->diagram.bottom - l->diagram.top) - 19);
  const double spacing = std::max(2.0 - std::trunc(-3.0 * std::log(h)), 14.0);
  l->gridStep = RoundStepAtLeast(range / h * spacing);
  if (!(l->gridStep > 0)) l->gridStep = std::isfinite(range) && range > 0 ? range : 1;
  // Every fifth grid line is a major one; a range of fewer than two such steps marks every
  // second line instead, so that some major line still shows.
  l->majorStep = 5 * l->gridStep;
  if (RoundStepFactor(l->gridStep) == 5 && range / l->majorStep < 2.0)
    l->majorStep = 2 * l->gridStep;
  l->decimals = std::min(RoundStepDecimals(l->gridStep), 6);
}

void ChooseValueExponent(DiagramLayout* l) {
  double a = std::max(std::fabs(l->range.top), std::fabs(l->range.bottom));
  if (a == 0) a = 1.0;
  const int32_t k = static_cast<int32_t>(std::floor(std::log10(a)));
  l->exponent = k - static_cast<int32_t>(FloorMod(k + 30, 3));
  l->decimals += l->exponent;
}

void FormatAxisValue(const DiagramLayout& l, double value, char* buffer, int32_t size) {
  NumFormat format;
  NumFormatInit(&format);
  format.mode = 1;
  NumFormatSetDecimals(&format, std::max(l.decimals, 0));
  char text[kFormatDoubleMax + 1];
  DoubleToStrFormat(text, value * std::pow(10.0, -l.exponent), &format);
  std::snprintf(buffer, static_cast<size_t>(size), "%s", text);
}

void LayoutDiagram(DiagramLayout* l, MeasureText measure, void* context) {
  DiagramRange& r = l->range;
  if (!std::isfinite(r.top) || !std::isfinite(r.bottom)) {
    r.top = std::isfinite(r.top)
                ? r.top
                : (std::isnan(r.top) ? 1 : std::copysign(kDiagramValueLimit, r.top));
    r.bottom = std::isfinite(r.bottom)
                   ? r.bottom
                   : (std::isnan(r.bottom) ? 0 : std::copysign(kDiagramValueLimit, r.bottom));
  }
  r.top = std::clamp(r.top, -kDiagramValueLimit, kDiagramValueLimit);
  r.bottom = std::clamp(r.bottom, -kDiagramValueLimit, kDiagramValueLimit);
  if (IsRangeDegenerate(r)) {
    r.top += std::fabs(r.top) * 0.001 + 1.0;
    r.bottom -= std::fabs(r.bottom) * 0.001 + 1.0;
    r.top = std::min(r.top, kDiagramValueLimit);
    r.bottom = std::max(r.bottom, -kDiagramValueLimit);
    if (IsRangeDegenerate(r)) {  // at the limit itself
      r.top = kDiagramValueLimit;
      r.bottom = r.top * 0.5;
    }
  }
  ChooseValueStep(l);
  l->exponent = 0;
  if (l->flags.on[kFlagScaledLabels]) ChooseValueExponent(l);
  if (l->decimals > 6) l->decimals = 0;

  char text[64];
  FormatAxisValue(*l, r.top, text, sizeof text);
  int32_t width = measure ? measure(context, text) : 0;
  FormatAxisValue(*l, r.bottom, text, sizeof text);
  width = std::max(width, measure ? measure(context, text) : 0) + 8;
  width = std::max(width, 20);

  l->plot = RECT{l->diagram.left + width, l->diagram.top + 4, l->diagram.right - 7,
                 l->diagram.bottom - 15};
  l->plotWidth = l->plot.right - l->plot.left;
  l->plotHeight = l->plot.bottom - l->plot.top;

  l->firstDay = DayOf(r.from);
  l->dayCount = std::max(DayOf(r.to) + 1 - l->firstDay, 1);
  l->wholePixelsPerDay = l->plotWidth / l->dayCount;
  l->pixelsPerDay = static_cast<double>(l->plotWidth) / l->dayCount;
  if (l->pixelsPerDay <= 0) l->pixelsPerDay = 1.0 / l->dayCount;
  l->timeOffset = l->plot.left - l->firstDay * l->pixelsPerDay;
  l->barFraction = l->pixelsPerDay > 1.0 ? (l->pixelsPerDay - 1) / l->pixelsPerDay : 0;

  const bool inverted = l->flags.on[kFlagInvertedAxis] != 0;
  const double span = r.top - r.bottom;
  l->pixelsPerValue = (l->topInset - l->plotHeight + l->bottomInset) / span;
  if (inverted) l->pixelsPerValue = -l->pixelsPerValue;
  l->valueOrigin =
      l->plot.bottom - ToPixel(std::trunc(r.bottom * l->pixelsPerValue)) - l->bottomInset;
  if (inverted) l->valueOrigin -= l->plotHeight - l->topInset - l->bottomInset;

  l->upperClamp = r.top + 20 * span;
  l->lowerClamp = r.bottom - 20 * span;
  l->farAbove = l->plot.top - 256;
  l->farBelow = l->plot.bottom + 256;
  if (inverted) std::swap(l->farAbove, l->farBelow);

  const int64_t reach = 20LL * l->dayCount;
  l->firstDrawable =
      dayNumberToDate(static_cast<int32_t>(std::max<int64_t>(0, l->firstDay - reach)));
  l->lastDrawable = dayNumberToDate(
      static_cast<int32_t>(std::min<int64_t>(l->firstDay + reach, LastDayNumber())));
}

int32_t ValueToY(const DiagramLayout& l, double v) {
  if (!std::isfinite(v)) return kNoValueRow;
  if (v > l.upperClamp) return l.farAbove;
  if (v < l.lowerClamp) return l.farBelow;
  return ToPixel(std::floor(v * l.pixelsPerValue + 0.5) + l.valueOrigin);
}

namespace {

int32_t DayToX(const DiagramLayout& l, PackedDate date, double dayNumber) {
  if (date < l.firstDrawable) return l.plot.left - 32;
  if (date > l.lastDrawable) return l.plot.right + 32;
  return ToPixel(std::floor(dayNumber * l.pixelsPerDay + l.timeOffset + 0.5));
}

}  // namespace

int32_t DateToX(const DiagramLayout& l, PackedDate d) { return DayToX(l, d, DayOf(d)); }
int32_t DateEndToX(const DiagramLayout& l, PackedDate d) { return DayToX(l, d, DayOf(d) + 1.0); }
int32_t DateFractionToX(const DiagramLayout& l, PackedDate d, double fraction) {
  return DayToX(l, d, DayOf(d) + fraction);
}
int32_t DateBarToX(const DiagramLayout& l, PackedDate d, double fraction) {
  return DayToX(l, d, DayOf(d) + fraction * l.barFraction);
}

DiagramRange RectToRange(const DiagramLayout& l, const RECT& rect) {
  const double lastDay = LastDayNumber();
  auto day = [&](double x) {
    double n = std::trunc((x - l.timeOffset) / l.pixelsPerDay);
    return static_cast<int32_t>(std::clamp(n, 0.0, lastDay));
  };
  const int32_t last = day(rect.right - 1);
  DiagramRange range;
  range.from = dayNumberToDate(std::min(last, day(rect.left)));
  range.to = dayNumberToDate(last);
  const bool inverted = l.flags.on[kFlagInvertedAxis] != 0;
  const double base = inverted ? l.plot.top : l.plot.bottom;
  const double topEdge = inverted ? rect.bottom : rect.top;
  const double bottomEdge = inverted ? rect.top : rect.bottom;
  range.top = (topEdge - base) / l.pixelsPerValue + l.range.bottom;
  range.bottom = (bottomEdge - base) / l.pixelsPerValue + l.range.bottom;
  return range;
}

RECT RangeToRect(const DiagramLayout& l, const DiagramRange& range) {
  RECT rect{DateToX(l, range.from), ValueToY(l, range.top), DateEndToX(l, range.to),
            ValueToY(l, range.bottom)};
  if (l.flags.on[kFlagInvertedAxis]) std::swap(rect.top, rect.bottom);
  return rect;
}

void FitPrintRect(const DiagramLayout& l, int32_t itemWidth, int32_t itemHeight, RECT* print) {
  double r = l.plotHeight > 0 ? static_cast<double>(l.plotWidth) / l.plotHeight : 0;
  if (!(r >= 0.1 && r <= 20)) r = 2.0;
  const int32_t extraWidth = itemWidth - l.plotWidth;
  const int32_t extraHeight = itemHeight - l.plotHeight;
  const int32_t printWidth = print->right - print->left;
  const int32_t printHeight = print->bottom - print->top;
  const int32_t right =
      print->left + static_cast<int32_t>(std::lround((printHeight - extraHeight) * r + extraWidth));
  const int32_t bottom =
      print->top + static_cast<int32_t>(std::lround((printWidth - extraWidth) / r + extraHeight));
  if (right < print->right)
    print->right = right;
  else if (bottom < print->bottom)
    print->bottom = bottom;
}
