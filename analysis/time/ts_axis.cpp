// The time axis of a time diagram: ticks and dotted grid lines at period ends and centred
// labels, by a time scale's periods or by the calendar resolution the plot's density chooses
// (decades, years, month groups, months, days).
//
// Every walk over periods advances: a period end that does not pass the previous one (a scale
// read with its periods out of order) ends the walk at the to date, and the open end of a last
// period is clipped to the to date before any day arithmetic.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "analysis/time/ts_window.h"
#include "database/base.h"
#include "database/time_scale.h"
#include "ui/draw_primitives.h"
#include "ui/graphics_port.h"
#include "ui/text_layout.h"
#include "ui/text_style.h"

namespace {

constexpr int32_t kGridColour = 3;
constexpr int32_t kUnderlineColour = 6;
constexpr int32_t kBlack = 10;

enum class Resolution { kDecades, kYears, kMonthGroups, kMonths, kDays, kWeekDays };

struct AxisPainter {
  const DiagramLayout& l;
  int32_t lastGrid;        // grid lines only right of this x
  int32_t lastLabelRight;  // labels only right of this x + 4

  void Tick(int32_t x) {
    if (x <= l.plot.left + 3 || x > l.plot.right) return;
    T_ForeIndex fore(kBlack);
    DrawVLine(x, l.plot.bottom, 3);
  }
  void Grid(int32_t x) {
    if (!l.flags.on[kFlagPeriodGrid] || l.plotHeight < 1) return;
    if (x - 1 <= l.plot.left + 4 || x > l.plot.right) return;
    T_ForeIndex fore(kGridColour);
    DrawDottedVLine(x, l.plot.bottom - 1, -(l.plot.bottom - 1 - l.plot.top));
  }
  // A label centred on x; false when it did not fit.
  bool Label(int32_t centre, const char* text, int32_t minLeft, int32_t maxRight) {
    const int32_t w = TextWidth(text);
    RECT r{centre - w / 2 - 3, l.plot.bottom + 2, centre - w / 2 + w + 3, l.plot.bottom + 14};
    if (r.left < minLeft || r.right > maxRight || r.left <= lastLabelRight + 4) return false;
    TextDrawInRect(&r, text, nullptr);
    lastLabelRight = r.right;
    return true;
  }
  void Underline(int32_t left, int32_t right) {
    T_ForeIndex fore(kUnderlineColour);
    const int32_t from = std::max(left, static_cast<int32_t>(l.plot.left));
    DrawHLine(from, l.plot.bottom + 1, std::min(right, static_cast<int32_t>(l.plot.right)) - from);
  }
};

// The last day of the period of a resolution that holds the date.
PackedDate PeriodLastDay(PackedDate date, Resolution resolution, int32_t months) {
  const int32_t year = PackedDateYear(date);
  switch (resolution) {
    case Resolution::kDecades:
      return PackDate(std::min(year - (year % 10) + 9, kLastYear), 12, 31);
    case Resolution::kYears:
      return PackDate(year, 12, 31);
    case Resolution::kMonthGroups:
    case Resolution::kMonths: {
      int32_t month = PackedDateMonth(date);
      if (resolution == Resolution::kMonthGroups) month = ((month - 1) / months + 1) * months;
      PackedDate first = PackDate(year, month, 1);
      return PackDate(year, month, PackedDateDaysInMonth(first));
    }
    default:
      return date;
  }
}

void LabelText(char* buffer, size_t size, PackedDate first, PackedDate last,
               Resolution resolution) {
  char* cursor = buffer;
  switch (resolution) {
    case Resolution::kDecades:
      std::snprintf(buffer, size, "%d-%02d", PackedDateYear(first) - PackedDateYear(first) % 10,
                    (PackedDateYear(first) - PackedDateYear(first) % 10 + 9) % 100);
      return;
    case Resolution::kYears:
      std::snprintf(buffer, size, "%d", PackedDateYear(first));
      return;
    case Resolution::kMonthGroups:
      FormatMonthRange(&cursor, first, last);
      break;
    case Resolution::kMonths:
      FormatMonth(&cursor, first);
      break;
    default:
      FormatDateCurrentStyle(&cursor, first);
      break;
  }
  *cursor = 0;
}

}  // namespace

void T_TSWin::DrawTimeAxis() {
  const DiagramLayout& l = layout;
  AxisPainter paint{l, l.plot.left, (l.diagram.left + l.plot.left) / 2 - 4};
  const uint16_t oldAlign = TextSetAlign(kStyleCentre);
  const PackedDate to = l.range.to;
  char text[96];

  if (axisScale && database) {
    CardId id{l.range.from, 0};
    CardId previousEnd{0, 0};
    int32_t previousX = l.plot.left;
    const int32_t toEnd = DateEndToX(l, to);
    for (int32_t guard = 0; guard < 100000; ++guard) {
      database->GetNextCardId(&id);
      CardId end = PeriodEnd(axisScale, &id);
      const bool open = end.date > to || end.date == 0x7fffffff || end.date == 0;
      const bool forward = !previousEnd.date || CardIdGreater(&end, &previousEnd);
      if (open || !forward) end = CardId{to, kCardSequenceOpen};
      int32_t x = DateEndToX(l, end.date);
      if (x <= toEnd && !open && forward) {
        paint.Tick(x);
        if (x > paint.lastGrid) {
          paint.Grid(x);
          paint.lastGrid = x + 8;
        }
      } else {
        x = toEnd;
      }
      const char* name = PeriodNameOfDate(axisScale, &id);
      if (name && x > previousX + 16 && TextWidth(name) >= 4)
        paint.Label((previousX + x) / 2, name, l.diagram.left, l.plot.right + 6);
      previousX = x;
      previousEnd = end;
      id = end;
      if (end.date >= to) break;
    }
    TextSetAlign(oldAlign);
    return;
  }

  int64_t p = l.dayCount > 0 ? static_cast<int64_t>(l.plotWidth) * 365 / l.dayCount : 0;
  if (l.plotWidth > 10)
    p = p * 20 / static_cast<int64_t>(std::sqrt(static_cast<double>(l.plotWidth)));
  Resolution resolution = Resolution::kYears;
  int32_t groupMonths = 1;
  if (p < 24) {
    resolution = Resolution::kDecades;
  } else if (p >= 240 && periodKind >= 7 && periodKind <= 10) {
    resolution = Resolution::kWeekDays;
  } else if (p >= 240 && periodKind >= 1 && periodKind <= 4) {
    resolution = Resolution::kMonthGroups;
    groupMonths = periodKind == 1 ? 6 : periodKind == 2 ? 4 : periodKind == 3 ? 3 : 2;
  } else if (p >= 240 && (periodKind == 5 || periodKind == 6 || (periodKind > 10 && p < 3400))) {
    resolution = Resolution::kMonths;
  } else if (p >= 240 && periodKind > 10) {
    resolution = Resolution::kDays;
  }

  if (resolution == Resolution::kDays || resolution == Resolution::kWeekDays) {
    char sample[40];
    char* cursor = sample;
    FormatDateCurrentStyle(&cursor, PackDate(2000, 12, 28));
    *cursor = 0;
    const int32_t w = TextWidth(sample);
    const int32_t n = l.plotWidth > 0 ? l.dayCount * (w + 12) / l.plotWidth + 1 : 50;
    int32_t length = 0;
    if (resolution == Resolution::kWeekDays)
      length = periodKind == 7 ? 28 : periodKind == 8 ? 21 : periodKind == 9 ? 14 : 7;
    const int32_t anchorDay = PackedDateToDayNumber(periodAnchor ? periodAnchor : l.range.from);
    auto floorMod = [](int32_t a, int32_t b) { return ((a % b) + b) % b; };
    const int32_t offset = length ? 7 * (floorMod(anchorDay - 1, length) / 7) : 0;
    int32_t lastLabel = -1000000;
    const int32_t lastDay = PackedDateToDayNumber(to);
    for (int32_t day = l.firstDay; day <= lastDay; ++day) {
      const PackedDate date = dayNumberToDate(day);
      const int32_t dom = PackedDateDay(date);
      bool labelDay = n <= 1;
      if (!labelDay && length)
        labelDay = floorMod(day - offset, length) == 1;
      else if (!labelDay && n > 4)
        labelDay = dom == 1 || dom == 8 || dom == 16 || dom == 24;
      else if (!labelDay)
        labelDay = dom + n - 1 <= PackedDateDaysInMonth(date);
      const int32_t x = DateEndToX(l, date);
      if (n == 1 || l.wholePixelsPerDay > 10) paint.Tick(x);
      if (n == 1) paint.Grid(x);
      if (labelDay && day - lastLabel >= n) {
        char* c = text;
        FormatDateCurrentStyle(&c, date);
        *c = 0;
        const int32_t left = DateToX(l, date);
        if (paint.Label((left + x) / 2, text, l.diagram.left + 8, l.diagram.right - 2)) {
          lastLabel = day;
          if (n > 1) {
            paint.Underline(left, left + l.wholePixelsPerDay);
            paint.Grid(left);
            paint.Tick(left);
          }
        }
      }
    }
    TextSetAlign(oldAlign);
    return;
  }

  // Decades, years, month groups and months: walk the periods from the one holding the from date.
  PackedDate first = l.range.from;
  if (resolution == Resolution::kDecades)
    first = PackDate(PackedDateYear(first) - PackedDateYear(first) % 10, 1, 1);
  else if (resolution == Resolution::kYears)
    first = PackDate(PackedDateYear(first), 1, 1);
  else
    first = PackDate(PackedDateYear(first), PackedDateMonth(first), 1);
  const double daysPerPeriod = resolution == Resolution::kDecades ? 3652.5
                               : resolution == Resolution::kYears ? 365.25
                                                                  : 30.44 * groupMonths;
  const double pixelsPerPeriod = l.pixelsPerDay * daysPerPeriod;
  char sample[64];
  LabelText(sample, sizeof sample, PackDate(2000, 9, 1), PackDate(2000, 12, 31), resolution);
  const int32_t w = TextWidth(sample);
  const int32_t skipValue =
      pixelsPerPeriod > 0 ? static_cast<int32_t>((w + 16) / pixelsPerPeriod) : 0;
  int32_t skip = 0;
  PackedDate previousLast = 0;
  for (int32_t guard = 0; guard < 100000 && first && first <= to; ++guard) {
    PackedDate last = PeriodLastDay(first, resolution, groupMonths);
    if (previousLast && last <= previousLast) break;
    previousLast = last;
    const int32_t left = DateToX(l, first);
    const int32_t x = DateEndToX(l, last);
    if (x > l.plot.left && x <= l.plot.right) paint.Grid(x);
    paint.Tick(x);
    if (pixelsPerPeriod > 160 && (resolution == Resolution::kDecades ||
                                  (resolution == Resolution::kYears && periodKind > 0) ||
                                  (resolution == Resolution::kMonths && periodKind > 5))) {
      const PackedDate middle = resolution == Resolution::kDecades
                                    ? PackDate(PackedDateYear(first) + 4, 12, 31)
                                : resolution == Resolution::kYears
                                    ? PackDate(PackedDateYear(first), 6, 30)
                                    : PackDate(PackedDateYear(first), PackedDateMonth(first), 15);
      paint.Grid(DateEndToX(l, middle));
    }
    if (skip <= 0) {
      LabelText(text, sizeof text, first, last, resolution);
      if (paint.Label((std::max(left, static_cast<int32_t>(l.plot.left)) +
                       std::min(x, static_cast<int32_t>(l.plot.right))) /
                          2,
                      text, l.plot.left - 5 - w, l.plot.right + 6 + w)) {
        skip = skipValue;
        if (skipValue >= 1) paint.Underline(left, x);
      }
    } else {
      --skip;
    }
    if (last >= PackDate(kLastYear, 12, 31)) break;
    first = PackedDateNextDay(last);
  }
  TextSetAlign(oldAlign);
}
