// The lines window's diagram: the running balance as a step line (curve mode) and the line values
// of the accumulated column as one bar per pixel column (bars mode), the value range of what is
// visible, and the hit test on both.
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "analysis/cards/cards_template.h"
#include "analysis/time/lines_window.h"
#include "core/owned_text.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/object_services.h"
#include "database/template_runner.h"
#include "ui/draw_primitives.h"
#include "ui/graphics_port.h"
#include "ui/window_utilities.h"

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr int32_t kBlack = 10;

}  // namespace

double T_Lines::RowValue(int64_t row) const {
  return LineValues(LinesRowAt(&data, row)->line)[options.accumulated];
}

int32_t T_Lines::RowX(int64_t row) const {
  const LinesRow* r = LinesRowAt(&data, row);
  return DateBarToX(layout, r->card->dateNode->date, r->dayPosition);
}

int64_t T_Lines::FirstRowFrom(int32_t day) const {
  int64_t low = data.headerRowCount;
  int64_t high = data.rowCount;
  while (low < high) {
    const int64_t mid = low + (high - low) / 2;
    if (PackedDateToDayNumber(LinesRowAt(&data, mid)->card->dateNode->date) < day)
      low = mid + 1;
    else
      high = mid;
  }
  return low;
}

void T_Lines::RebuildDiagram() {
  if (!data.dayPositionsValid) ComputeDayPositions(&data);
  const int32_t fromDay = PackedDateToDayNumber(layout.range.from);
  const int32_t toDay = PackedDateToDayNumber(layout.range.to);
  const int64_t first = FirstRowFrom(fromDay);
  const int32_t c = options.accumulated;
  double high, low;
  if (viewMode == 1) {
    high = layout.flags.on[kFlagZeroLine] ? 0 : -kInfinity;
    low = layout.flags.on[kFlagZeroLine] ? 0 : kInfinity;
    if (first == data.headerRowCount) {
      const double before = options.statistics[kStatBefore] ? data.stats.before[c] : 0;
      high = std::max(high, before);
      low = std::min(low, before);
    }
    for (int64_t r = first; r < data.rowCount; ++r) {
      const LinesRow* row = LinesRowAt(&data, r);
      if (PackedDateToDayNumber(row->card->dateNode->date) > toDay) break;
      if (std::isfinite(row->balance)) {
        high = std::max(high, row->balance);
        low = std::min(low, row->balance);
      }
    }
    if (!std::isfinite(high)) high = 1;
    if (!std::isfinite(low)) low = 0;
    if (high == low) high += std::fabs(high) * 0.1 + 1;
  } else {
    high = low = 0;
    for (int64_t r = first; r < data.rowCount; ++r) {
      if (PackedDateToDayNumber(LinesRowAt(&data, r)->card->dateNode->date) > toDay) break;
      const double v = RowValue(r);
      if (!std::isfinite(v)) continue;
      high = std::max(high, v);
      low = std::min(low, v);
    }
    if (high == low) {
      if (layout.flags.on[kFlagInvertedAxis])
        low = -1;
      else
        high = 1;
    }
  }
  rangeMaximum = high;
  rangeMinimum = low;
  layout.range.top = high;
  layout.range.bottom = low;
  ChooseValueScale();
}

void T_Lines::ChooseValueScale() { LayoutDiagram(); }

void T_Lines::OnPeriodRangeChanged() {}

void T_Lines::DrawGrid(BoxDrawRecord* record) {
  if (!InDiagramMode() || record->printing || rowCount <= headerRowCount) {
    T_TSWin::DrawGrid(record);
    return;
  }
  if (!data.dayPositionsValid) ComputeDayPositions(&data);
  SetDiagramRect(&record->bounds);
  DrawDiagramAxes();
  ClipToDiagram();
  if (viewMode == 1)
    DrawCurve(record);
  else
    DrawBars(record);
  PortSetClip(nullptr);
}

void T_Lines::DrawCurve(const BoxDrawRecord* record) {
  const int32_t c = options.accumulated;
  const int64_t first = FirstRowFrom(PackedDateToDayNumber(layout.range.from));
  int32_t x, y;
  if (first == data.headerRowCount) {
    x = DateToX(layout, data.stats.firstDate);
    y = ValueToY(layout, options.statistics[kStatBefore] ? data.stats.before[c] : 0);
  } else {
    x = RowX(first - 1);
    y = ValueToY(layout, LinesRowAt(&data, first - 1)->balance);
  }
  T_ForeIndex fore(kLinesCurveColour);
  for (int64_t r = first; r < data.rowCount; ++r) {
    const int32_t rx = RowX(r);
    if (rx > x) {
      DrawHLine(x, y, rx - x);
      x = rx;
    }
    if (x > record->bounds.right) return;
    const int32_t ry = ValueToY(layout, LinesRowAt(&data, r)->balance);
    if (ry != y) {
      DrawVLine(x, y, ry - y);
      y = ry;
    }
  }
  const int32_t end = DateEndToX(layout, data.stats.lastDate);
  if (end > x) DrawHLine(x, y, end - x);
}

void T_Lines::DrawBars(const BoxDrawRecord* record) {
  const int64_t first = FirstRowFrom(PackedDateToDayNumber(layout.range.from));
  T_ForeIndex fore(kLinesCurveColour);
  const int32_t origin = layout.valueOrigin;
  int64_t r = first;
  while (r < data.rowCount) {
    const int32_t x = RowX(r);
    if (x > record->bounds.right) return;
    int32_t top = origin, bottom = origin;
    bool above = false, below = false;
    for (; r < data.rowCount && RowX(r) == x; ++r) {
      const double v = RowValue(r);
      if (!std::isfinite(v)) continue;
      const int32_t y = ValueToY(layout, v);
      if (y <= origin) {
        above = true;
        top = std::min(top, y);
      }
      if (y >= origin) {
        below = true;
        bottom = std::max(bottom, y);
      }
    }
    if (above) DrawVLine(x, origin, top - origin);
    if (below && bottom != origin) DrawVLine(x, origin, bottom - origin);
  }
}

// --- Hits and presses ---------------------------------------------------------------------------

bool T_Lines::IsPointOnData(InputEvent* event) {
  const int64_t position = RowAtPoint(POINT{event->x, event->y});
  if (position < 0 || position >= rowCount) return false;
  if (position >= headerRowCount) return true;
  const int32_t id =
      LinesRowAt(&data, LinesDisplayRow(&data, position))->statistic - kStatFirstText;
  return id == kStatBefore || id == kStatPositive || id == kStatNegative || id == kStatAfter ||
         id == kStatMaximum || id == kStatMinimum;
}

bool T_Lines::HitDiagram(POINT point, int64_t* hit, Region* shape) {
  *hit = -1;
  if (!InDiagramMode() || rowCount <= headerRowCount) return false;
  const int64_t first = FirstRowFrom(PackedDateToDayNumber(layout.range.from));
  const int32_t c = options.accumulated;
  for (int32_t distance : {0, -1, 1, -2, 2, -3, 3}) {
    const int32_t x = point.x + distance;
    double before = first == data.headerRowCount
                        ? (options.statistics[kStatBefore] ? data.stats.before[c] : 0)
                        : LinesRowAt(&data, first - 1)->balance;
    for (int64_t r = first; r < data.rowCount; ++r) {
      const int32_t rx = RowX(r);
      const double after = LinesRowAt(&data, r)->balance;
      if (rx > x) break;
      if (rx == x) {
        int32_t y0 = viewMode == 1 ? ValueToY(layout, before) : layout.valueOrigin;
        int32_t y1 = ValueToY(layout, viewMode == 1 ? after : RowValue(r));
        if (y0 > y1) std::swap(y0, y1);
        if (point.y >= y0 - 2 && point.y <= y1 + 2) {
          *hit = r;
          if (shape) RgnSetBounds(shape, x - 1, y0 - 1, x + 2, y1 + 2);
          return true;
        }
      }
      before = after;
    }
  }
  return false;
}

bool T_Lines::ClickDiagram(InputEvent* event) {
  if (event->x >= layout.plot.left && event->y <= layout.plot.bottom) return false;
  OpenGraphicsPage();
  return true;
}

void T_Lines::DragDiagram(InputEvent* event) {
  int64_t row = -1;
  if (!HitDiagram(POINT{event->x, event->y}, &row, &region)) return;
  RECT rect{};
  const bool curve = viewMode == 1;
  const int32_t result = TrackZoomRect(event, &rect, curve ? kZoomColumns : kZoomFree,
                                       curve ? 8 : 20, nullptr, nullptr, &region);
  if (result == kZoomClick && row >= 0) {
    OpenRowInCardEditor(row);
    return;
  }
  if (result != kZoomRectangle) return;
  DiagramRange range = RectToRange(layout, rect);
  double upper = std::max(range.top, range.bottom);
  double lower = std::min(range.top, range.bottom);
  if (curve) {
    upper = kInfinity;
    lower = -kInfinity;
  } else {
    // A side drawn past the plot's edge leaves the bound at that edge open.
    const bool inverted = layout.flags.on[kFlagInvertedAxis] != 0;
    if (rect.top < layout.plot.top) (inverted ? lower : upper) = inverted ? -kInfinity : kInfinity;
    if (rect.bottom > layout.plot.bottom)
      (inverted ? upper : lower) = inverted ? kInfinity : -kInfinity;
  }
  range.top = upper;
  range.bottom = lower;
  OpenCardsOverRange(range);
}

void LinesIntervalText(double lower, double upper, T_TextBuf* text) {
  TextBufAssign(text, "");
  T_TextBuf number;
  const bool low = std::isfinite(lower), high = std::isfinite(upper);
  if (low) {
    if (!high) TextBufAppendChar(text, '>');
    FormatExactNumber(lower, &number);
    TextBufAppend(text, number.data);
  }
  if (low && high) TextBufAppend(text, "\xE2\x80\xA6");  // U+2026
  if (high) {
    if (!low) TextBufAppendChar(text, '<');
    FormatExactNumber(upper, &number);
    TextBufAppend(text, number.data);
  }
}

void T_Lines::OpenCardsOverRange(const DiagramRange& range) {
  T_CardsTmpl* cards = NewCardsTemplateOfWindow();
  if (!cards) return;
  const int32_t c = options.accumulated;
  for (int32_t column = 0; column < kMaxValueCount; ++column)
    cards->options.fields[kColValue1 + column].show = column == c ? 1 : 0;
  CardsFieldOptions& shown = cards->options.fields[kColValue1 + c];
  const LinesColumnOptions& own = options.columns[kLinesAccumulated];
  shown.decimals = own.decimals;
  shown.negative = own.negative;
  shown.colour = own.colour;
  // The range's days narrow the window's period, never widen it.
  const CardId first{range.from, 1};
  if (CardIdLess(&selection.from.cardId, &first))
    DateRefSetDate(&cards->selection.from, &first);
  const CardId last{range.to, 0x7fffffff};
  if (CardIdLess(&last, &selection.to.cardId))
    DateRefSetDate(&cards->selection.to, &last);
  T_TextBuf interval;
  LinesIntervalText(range.bottom, range.top, &interval);
  if (!interval.empty()) {
    T_TextBuf condition;
    const char* present = cards->selection.valueTexts[c];
    if (present && present[0]) {
      TextBufAssign(&condition, "(");
      TextBufAppend(&condition, present);
      TextBufAppend(&condition, ")&");
    }
    TextBufAppend(&condition, interval.data);
    BlockTextAssignBuf(&cards->selection.valueTexts[c], &condition);
  }
  RunTemplate(database, cards, nullptr, kRunNoLookup);
  delete cards;
}
