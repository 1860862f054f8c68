// The time functions diagram: step curves, bars in five modes, the value range and the hit test,
// all over one geometry (see the header) so that what is hit is what is drawn.
#include "analysis/time/tfunc_diagram.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/number_parse.h"
#include "ui/draw_primitives.h"
#include "ui/graphics_port.h"

namespace {

constexpr int32_t kMaxLineStyle = 6;

double ValueAt(const TFuncData* d, int64_t entry, int32_t column) {
  return TFuncEntryAt(d, entry)->values[column];
}

int32_t Thickness(const TFuncSeries* s) { return std::clamp(s->lineStyle, 1, kMaxLineStyle); }

// Geometry 1 of the header.
int32_t CurveX(const DiagramLayout& l, const TFuncData* d, int64_t entry) {
  const TFuncEntry* e = TFuncEntryAt(d, entry);
  if (IsActiveEntryType(d->typeInForce)) return DateBarToX(l, e->end.date, e->dayPosition);
  return DateEndToX(l, e->end.date) - 1;
}

// Where the curves stand before the start entry: the previous entry, or the Before entry at the
// first date.
int32_t StartX(const DiagramLayout& l, const TFuncData* d, int64_t start) {
  return start <= kEntryFirstPeriod ? DateToX(l, d->firstDate) : CurveX(l, d, start - 1);
}
double StartValue(const TFuncData* d, int64_t start, int32_t column) {
  return ValueAt(d, start <= kEntryFirstPeriod ? kEntryBefore : start - 1, column);
}

// The first period entry whose curve x is at or right of x (curve x never decreases).
int64_t FirstEntryAtX(const DiagramLayout& l, const TFuncData* d, int32_t x) {
  int64_t low = kEntryFirstPeriod, high = std::max<int64_t>(d->periodCount, low);
  while (low < high) {
    const int64_t mid = low + (high - low) / 2;
    if (CurveX(l, d, mid) < x)
      low = mid + 1;
    else
      high = mid;
  }
  return low;
}

// Geometry 4: the x range [left, right) of an entry's bars.
struct Span {
  int32_t left;
  int32_t right;
};
Span EntrySpan(const DiagramLayout& l, const TFuncData* d, int64_t entry) {
  const TFuncEntry* e = TFuncEntryAt(d, entry);
  const int32_t type = d->typeInForce;
  if (IsActiveEntryType(type)) {
    const int32_t x = CurveX(l, d, entry);
    return {x, x + 1};
  }
  if (type == kPeriodActiveDays) {
    const int32_t left = DateToX(l, e->end.date);
    return {left, std::max(DateEndToX(l, e->end.date), left + 1)};
  }
  const int32_t left = entry <= kEntryFirstPeriod
                           ? DateToX(l, d->firstDate)
                           : DateEndToX(l, TFuncEntryAt(d, entry - 1)->end.date);
  return {left, DateEndToX(l, e->end.date)};
}

// --- Bars of one entry ---------------------------------------------------------------------------

struct BarLists {
  TFuncSeries* up = nullptr;
  TFuncSeries* down = nullptr;
  int32_t upCount = 0;
  int32_t downCount = 0;
  int32_t barSeries = 0;  // k, the number of bar series
};

void InsertTallestFirst(TFuncSeries** list, TFuncSeries* bar) {
  const int32_t height = std::abs(bar->barHeight);
  while (*list && std::abs((*list)->barHeight) >= height) list = &(*list)->nextBar;
  bar->nextBar = *list;
  *list = bar;
}

// Geometry 3: the bars of the entry into the up and down lists, each tallest first.
BarLists GatherBars(const DiagramLayout& l, const TFuncDiagram& dg, int64_t entry) {
  BarLists lists;
  double positive = 0, negative = 0;
  for (int32_t i = 0; i < dg.count; ++i) {
    TFuncSeries* s = dg.series[i];
    if (!s || s->diagramForm != 2) continue;
    s->barIndex = lists.barSeries++;
    s->nextBar = nullptr;
    double v = ValueAt(dg.data, entry, i);
    if (!std::isfinite(v)) continue;
    if (dg.barMode == kBarsStacked) {
      if (v > 0)
        v = positive += v;
      else if (v < 0)
        v = negative += v;
    }
    const double height = std::floor(v * -l.pixelsPerValue + 0.5);
    s->barHeight = static_cast<int32_t>(std::isnan(height) ? 0.0 : ClampCoord(height));
    if (s->barHeight > 0) {
      InsertTallestFirst(&lists.up, s);
      ++lists.upCount;
    } else if (s->barHeight < 0) {
      InsertTallestFirst(&lists.down, s);
      ++lists.downCount;
    }
  }
  return lists;
}

// Lays out the bars of one list over the span in the bar mode; the visitor gets each bar and its
// rectangle, in list order.
template <typename Visit>
void LayOutBars(const DiagramLayout& l, int32_t mode, int32_t k, Span span, TFuncSeries* list,
                int32_t listCount, Visit visit) {
  const int32_t origin = l.valueOrigin;
  int32_t width = span.right - span.left;
  int32_t left = span.left;
  int32_t slot = 0, step = 0, barWidth = width;
  if (mode == kBarsSideBySide) {
    slot = width / k;
    if (slot > 2) {
      left += 1;
      slot = (width - 1) / k;
    }
    slot = std::max(slot, 1);
  } else if (mode == kBarsSteps) {
    if (width > 2 * k) {
      left += 1;
      width -= 2;
    }
    if (width > k) {
      step = width / (k + 1);
      barWidth = width - (k - 1) * step;
    } else {
      barWidth = 1;
      step = width == k ? 1 : 0;
    }
  }
  const int32_t narrowing = listCount > 0 ? width / listCount : 0;
  int32_t nestedRight = span.right;
  for (TFuncSeries* bar = list; bar; bar = bar->nextBar) {
    RECT r{span.left, 0, span.right, 0};
    if (mode == kBarsSideBySide) {
      r.left = left + slot * bar->barIndex;
      r.right = r.left + slot;
    } else if (mode == kBarsSteps) {
      r.left = left + step * bar->barIndex;
      r.right = r.left + barWidth;
    } else if (mode == kBarsNested) {
      r.right = nestedRight;
      nestedRight -= narrowing;
    }
    const int32_t h = bar->barHeight;
    if (h > 0) {
      r.top = ClampCoord(origin - h);
      r.bottom = ClampCoord(origin + 1);
    } else {
      r.top = ClampCoord(origin + 1);
      r.bottom = ClampCoord(origin + 1 - h);
    }
    r.left = ClampCoord(r.left);
    r.right = ClampCoord(r.right);
    visit(bar, r);
  }
}

void DrawBarRect(const RECT& r, int32_t colour) {
  if (r.right <= r.left || r.bottom <= r.top) return;
  T_ForeIndex fore(colour);
  if (r.right - r.left > 1)
    RectFillFramed(&r, 1, colour);
  else
    DrawVLine(r.left, r.top, r.bottom - r.top - 1);
}

void DrawEntryBars(const DiagramLayout& l, const TFuncDiagram& dg, int64_t entry, Span span) {
  BarLists lists = GatherBars(l, dg, entry);
  auto draw = [](TFuncSeries* bar, const RECT& r) { DrawBarRect(r, bar->colour); };
  LayOutBars(l, dg.barMode, lists.barSeries, span, lists.up, lists.upCount, draw);
  LayOutBars(l, dg.barMode, lists.barSeries, span, lists.down, lists.downCount, draw);
}

// One bar series of active entries: the entries on one pixel column are merged into one line up
// to the highest and one down to the lowest of them.
void DrawSingleBars(const DiagramLayout& l, const TFuncDiagram& dg, int32_t column,
                    int64_t start) {
  const TFuncData* d = dg.data;
  const TFuncSeries* s = dg.series[column];
  const int32_t origin = l.valueOrigin;
  const int32_t rightEdge = l.diagram.right;
  int32_t up = 0, down = 0;
  int32_t x = 0;
  bool pending = false;
  auto flush = [&] {
    if (!pending) return;
    if (up > 0) DrawBarRect(RECT{x, ClampCoord(origin - up), x + 1, origin + 1}, s->colour);
    if (down > 0) DrawBarRect(RECT{x, origin + 1, x + 1, ClampCoord(origin + 1 + down)}, s->colour);
    up = down = 0;
  };
  for (int64_t e = start; e < d->periodCount; ++e) {
    const int32_t ex = CurveX(l, d, e);
    if (!pending || ex != x) {
      flush();
      if (ex > rightEdge) return;
      x = ex;
      pending = true;
    }
    const double v = ValueAt(d, e, column);
    if (!std::isfinite(v)) continue;
    const double h = std::floor(v * -l.pixelsPerValue + 0.5);
    const int32_t height = static_cast<int32_t>(ClampCoord(h));
    if (height > 0) up = std::max(up, height);
    if (height < 0) down = std::max(down, -height);
  }
  flush();
}

// --- Curves --------------------------------------------------------------------------------------

// Geometry 2: the band of a segment w pixels thick.
RECT HorizontalBand(int32_t x0, int32_t x1, int32_t y, int32_t w) {
  return RECT{std::min(x0, x1), y - w / 2, std::max(x0, x1) + 1, y + (w - 1) / 2 + 1};
}
RECT VerticalBand(int32_t x, int32_t y0, int32_t y1, int32_t w) {
  return RECT{x - w / 2, std::min(y0, y1), x + (w - 1) / 2 + 1, std::max(y0, y1) + 1};
}

// Solid for style 1; otherwise dashes of 3w on and 2w off, counted from the port's origin so
// that the segments of one curve continue each other's pattern.
void FillSegment(const RECT& band, int32_t style, bool horizontal) {
  if (style <= 1) {
    RectFillColour(&band, Gfx.foreColour);
    return;
  }
  const int32_t period = 5 * style, on = 3 * style;
  const int32_t from = horizontal ? band.left : band.top;
  const int32_t to = horizontal ? band.right : band.bottom;
  for (int32_t p = from; p < to;) {
    const int32_t phase = ((p % period) + period) % period;
    const int32_t runEnd = std::min(to, p + (phase < on ? on - phase : period - phase));
    if (phase < on) {
      RECT run = band;
      if (horizontal) {
        run.left = p;
        run.right = runEnd;
      } else {
        run.top = p;
        run.bottom = runEnd;
      }
      RectFillColour(&run, Gfx.foreColour);
    }
    p = runEnd;
  }
}

void DrawCurve(const DiagramLayout& l, const TFuncData* d, int32_t column, const TFuncSeries* s,
               int64_t start) {
  const int32_t w = Thickness(s);
  const int32_t rightEdge = l.diagram.right;
  int32_t x = StartX(l, d, start);
  int32_t y = ValueToY(l, StartValue(d, start, column));
  T_ForeIndex fore(s->colour);
  for (int64_t e = start; e < d->periodCount; ++e) {
    const int32_t ex = CurveX(l, d, e);
    if (ex > x) {
      if (y != kNoValueRow) FillSegment(HorizontalBand(x, ex, y, w), s->lineStyle, true);
      x = ex;
    }
    if (x > rightEdge) return;
    const int32_t ny = ValueToY(l, ValueAt(d, e, column));
    if (ny != y) {
      if (y != kNoValueRow && ny != kNoValueRow)
        FillSegment(VerticalBand(x, y, ny, w), s->lineStyle, false);
      y = ny;
    }
  }
  const int32_t end = IsActiveEntryType(d->typeInForce) ? DateEndToX(l, d->lastDate) : x;
  if (end > x && y != kNoValueRow) FillSegment(HorizontalBand(x, end, y, w), s->lineStyle, true);
}

struct FormCounts {
  int32_t curves = 0;
  int32_t bars = 0;
};
FormCounts CountForms(const TFuncDiagram& dg) {
  FormCounts c;
  for (int32_t i = 0; i < dg.count; ++i) {
    if (!dg.series[i]) continue;
    if (dg.series[i]->diagramForm == 1) ++c.curves;
    if (dg.series[i]->diagramForm == 2) ++c.bars;
  }
  return c;
}

bool Contains(const RECT& r, int32_t x, int32_t y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

}  // namespace

TFuncDiagram TFuncDiagramOf(const TFuncData* data, TFuncSeries* const* series, int32_t count,
                            int32_t barMode) {
  TFuncDiagram d;
  d.data = data;
  d.series = series;
  d.count = count;
  d.barMode = barMode;
  d.axisMax = d.axisMin = std::numeric_limits<double>::quiet_NaN();
  return d;
}

int64_t TFuncEntryOfDate(const TFuncData* data, PackedDate date) {
  int64_t low = kEntryFirstPeriod, high = std::max<int64_t>(data->periodCount, low);
  while (low < high) {
    const int64_t mid = low + (high - low) / 2;
    if (TFuncEntryAt(data, mid)->end.date < date)
      low = mid + 1;
    else
      high = mid;
  }
  return low;
}

void TFuncComputeDayPositions(TFuncData* data) {
  if (!IsActiveEntryType(data->typeInForce)) return;
  int64_t e = kEntryFirstPeriod;
  while (e < data->periodCount) {
    const PackedDate date = TFuncEntryAt(data, e)->end.date;
    int64_t last = e;
    while (last + 1 < data->periodCount && TFuncEntryAt(data, last + 1)->end.date == date) ++last;
    const int64_t k = last - e + 1;
    for (int64_t j = 0; j < k; ++j)
      TFuncEntryAt(data, e + j)->dayPosition = static_cast<float>(double(j + 1) / double(k + 1));
    e = last + 1;
  }
}

void TFuncDiagramRange(DiagramLayout* layout, const TFuncDiagram& dg) {
  const TFuncData* d = dg.data;
  double high = -std::numeric_limits<double>::infinity();
  double low = std::numeric_limits<double>::infinity();
  auto take = [&](double v) {
    if (!std::isfinite(v)) return;
    high = std::max(high, v);
    low = std::min(low, v);
  };
  const FormCounts forms = CountForms(dg);
  if (d && d->periodCount > kEntryFirstPeriod && (forms.curves || forms.bars)) {
    const int64_t start = TFuncEntryOfDate(d, layout->range.from);
    const bool active = IsActiveEntryType(d->typeInForce);
    if (forms.bars) take(0);
    for (int32_t i = 0; i < dg.count; ++i) {
      if (dg.series[i] && dg.series[i]->diagramForm == 1) take(StartValue(d, start, i));
    }
    for (int64_t e = start; e < d->periodCount; ++e) {
      const PackedDate end = TFuncEntryAt(d, e)->end.date;
      if (active && end > layout->range.to) break;
      double positive = 0, negative = 0;
      for (int32_t i = 0; i < dg.count; ++i) {
        const TFuncSeries* s = dg.series[i];
        if (!s || s->diagramForm == 0) continue;
        const double v = ValueAt(d, e, i);
        if (s->diagramForm == 2 && dg.barMode == kBarsStacked && std::isfinite(v)) {
          take(v > 0 ? positive += v : negative += v);
        } else {
          take(v);
        }
      }
      if (!active && end >= layout->range.to) break;
    }
  }
  if (!(high >= low)) {
    high = 1;
    low = 0;
  }
  layout->range.top = std::isfinite(dg.axisMax) ? dg.axisMax : high;
  layout->range.bottom = std::isfinite(dg.axisMin) ? dg.axisMin : low;
}

void TFuncValueMargins(DiagramLayout* layout, const TFuncDiagram& dg) {
  int32_t widest = 0;
  for (int32_t i = 0; i < dg.count; ++i) {
    if (dg.series[i] && dg.series[i]->diagramForm == 1)
      widest = std::max(widest, Thickness(dg.series[i]));
  }
  layout->topInset = widest / 2;
  layout->bottomInset = widest ? (widest - 1) / 2 + (layout->range.bottom != 0 ? 2 : 0) : 0;
}

void TFuncDrawDiagram(const DiagramLayout& l, const TFuncDiagram& dg) {
  const TFuncData* d = dg.data;
  if (!d || d->periodCount <= kEntryFirstPeriod || d->columnCount < dg.count) return;
  const FormCounts forms = CountForms(dg);
  if (!forms.curves && !forms.bars) return;
  const int64_t start = TFuncEntryOfDate(d, l.range.from);
  if (forms.bars) {
    const bool single = IsActiveEntryType(d->typeInForce) && forms.bars == 1 && forms.curves <= 1;
    if (single) {
      for (int32_t i = 0; i < dg.count; ++i) {
        if (dg.series[i] && dg.series[i]->diagramForm == 2) DrawSingleBars(l, dg, i, start);
      }
    } else {
      for (int64_t e = start; e < d->periodCount; ++e) {
        const Span span = EntrySpan(l, d, e);
        if (span.left > l.diagram.right) break;
        DrawEntryBars(l, dg, e, span);
      }
    }
  }
  for (int32_t i = dg.count - 1; i >= 0; --i) {
    if (dg.series[i] && dg.series[i]->diagramForm == 1) DrawCurve(l, d, i, dg.series[i], start);
  }
}

// --- Hits ------------------------------------------------------------------------------------------

namespace {

// The curve's step under the point at entry e: up to two bands.
bool HitCurveStep(const DiagramLayout& l, const TFuncData* d, const TFuncSeries* s, int64_t e,
                  int32_t previousX, int32_t previousY, int32_t x, int32_t y, POINT p,
                  Region* shape) {
  const int32_t w = Thickness(s);
  RECT bands[2];
  int32_t n = 0;
  const bool bothValues = previousY != kNoValueRow && y != kNoValueRow;
  if (IsActiveEntryType(d->typeInForce)) {
    if (bothValues && previousY != y) bands[n++] = VerticalBand(x, previousY, y, w);
  } else {
    const int32_t left = d->typeInForce == kPeriodActiveDays
                             ? DateToX(l, TFuncEntryAt(d, e)->end.date)
                             : previousX + 1;
    if (previousY != kNoValueRow) bands[n++] = HorizontalBand(left, x, previousY, w);
    if (bothValues && previousY != y) bands[n++] = VerticalBand(x, previousY, y, w);
  }
  bool hit = false;
  for (int32_t i = 0; i < n; ++i) hit = hit || Contains(bands[i], p.x, p.y);
  if (!hit) return false;
  if (shape) {
    RgnSetRect(shape, &bands[0]);
    for (int32_t i = 1; i < n; ++i) RgnUnionRect(shape, &bands[i]);
  }
  return true;
}

bool HitCurves(const DiagramLayout& l, const TFuncDiagram& dg, POINT p, TFuncHit* hit,
               Region* shape) {
  const TFuncData* d = dg.data;
  const int64_t start = FirstEntryAtX(l, d, p.x - kMaxLineStyle);
  for (int32_t i = 0; i < dg.count; ++i) {
    const TFuncSeries* s = dg.series[i];
    if (!s || s->diagramForm != 1 || !s->variable) continue;
    int32_t x = StartX(l, d, start);
    int32_t y = ValueToY(l, StartValue(d, start, i));
    for (int64_t e = start; e < d->periodCount; ++e) {
      if (x - kMaxLineStyle > p.x) break;
      const int32_t ex = CurveX(l, d, e);
      const int32_t ey = ValueToY(l, ValueAt(d, e, i));
      if (HitCurveStep(l, d, s, e, x, y, ex, ey, p, shape)) {
        hit->entry = e;
        hit->column = i;
        return true;
      }
      x = std::max(x, ex);
      y = ey;
    }
  }
  return false;
}

bool HitBars(const DiagramLayout& l, const TFuncDiagram& dg, POINT p, TFuncHit* hit,
             Region* shape) {
  const TFuncData* d = dg.data;
  const int32_t origin = l.valueOrigin;
  if (p.y == origin) return false;
  const bool upward = p.y < origin;
  for (int64_t e = FirstEntryAtX(l, d, p.x - 1); e < d->periodCount; ++e) {
    const Span span = EntrySpan(l, d, e);
    if (span.left > p.x) break;
    if (p.x >= span.right) continue;
    BarLists lists = GatherBars(l, dg, e);
    TFuncSeries* list = upward ? lists.up : lists.down;
    if (!list) continue;
    int32_t found = -1;
    Region visible;
    LayOutBars(l, dg.barMode, lists.barSeries, span, list, upward ? lists.upCount : lists.downCount,
               [&](TFuncSeries* bar, const RECT& r) {
                 if (Contains(r, p.x, p.y)) {
                   found = -1;
                   for (int32_t i = 0; i < dg.count; ++i) {
                     if (dg.series[i] == bar) found = i;
                   }
                   RgnSetRect(&visible, &r);
                 } else if (found >= 0) {
                   RgnDiffRect(&visible, &r);
                 }
               });
    if (found >= 0 && dg.series[found]->variable) {
      hit->entry = e;
      hit->column = found;
      if (shape) {
        RgnFree(shape);
        shape->handle = visible.handle;
        visible.handle = nullptr;
      }
      RgnFree(&visible);
      return true;
    }
    RgnFree(&visible);
  }
  return false;
}

// The shape moved back towards the pointer one pixel at a time, all positions united.
void SweepBack(Region* shape, int32_t offset) {
  if (!shape || !shape->handle || offset == 0) return;
  HRGN moving = CreateRectRgn(0, 0, 0, 0);
  if (!moving) return;
  CombineRgn(moving, shape->handle, nullptr, RGN_COPY);
  const int32_t step = offset > 0 ? -1 : 1;
  for (int32_t k = 0; k < std::abs(offset); ++k) {
    OffsetRgn(moving, step, 0);
    CombineRgn(shape->handle, shape->handle, moving, RGN_OR);
  }
  DeleteObject(moving);
}

}  // namespace

bool TFuncHitDiagram(const DiagramLayout& l, const TFuncDiagram& dg, POINT point, TFuncHit* hit,
                     Region* shape) {
  *hit = TFuncHit{};
  const TFuncData* d = dg.data;
  if (!d || dg.count <= 0 || d->periodCount <= kEntryFirstPeriod || d->columnCount < dg.count)
    return false;
  for (int32_t offset : {0, -1, 1, -2, 2, -3, 3}) {
    const POINT p{point.x + offset, point.y};
    if (HitCurves(l, dg, p, hit, shape) || HitBars(l, dg, p, hit, shape)) {
      SweepBack(shape, offset);
      return true;
    }
  }
  *hit = TFuncHit{};
  return false;
}
