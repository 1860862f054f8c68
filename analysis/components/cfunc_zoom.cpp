// The component functions window's value-axis zoom: the stack of ranges, the tools of the curve
// area (zoom in, zoom out, open node), the zoom-back button and the wheel.
#include "analysis/components/cfunc_zoom.h"

#include <algorithm>
#include <cmath>

#include "analysis/components/cfunc_curve.h"
#include "analysis/components/cfunc_window.h"
#include "core/system_beep.h"
#include "ui/draw_primitives.h"
#include "ui/event_record.h"
#include "ui/graphics_port.h"
#include "ui/item.h"
#include "ui/window_utilities.h"

namespace {

constexpr int32_t kToolZoomIn = 4200;
constexpr int32_t kToolZoomOut = 4201;
constexpr int32_t kToolOpen = 4202;
constexpr int32_t kAxisStrip = 15;
constexpr int32_t kLabelsDefault = 200;
constexpr double kNarrowest = 100000;

int32_t RoundHalfUp(double v) { return static_cast<int32_t>(std::floor(v + 0.5)); }

// Zooming out: the span the whole area shrinks into becomes the span the area then shows.
void ZoomOutSpan(const RECT& area, int32_t* from, int32_t* to) {
  RECT outer = area;
  const RECT inner{*from, area.top, *to, area.bottom};
  RectZoomOut(&outer, &inner);
  *from = outer.left;
  *to = outer.right;
}

}  // namespace

const uint16_t kCFuncNumericTools[] = {kToolRange, kToolOpen, 0};
const uint16_t kCFuncCurveTools[] = {kToolZoomIn, kToolZoomOut, kToolOpen, 0};

// --- Stack and mapping ---------------------------------------------------------------------------

void CFuncZoomStack::Push(const ValueRange& range) {
  if (count_ > 0 && ranges_[count_ - 1] == range) return;
  if (count_ == kCFuncZoomDepth) {
    std::copy(ranges_ + 1, ranges_ + kCFuncZoomDepth, ranges_);
    --count_;
  }
  ranges_[count_++] = range;
}

bool CFuncZoomStack::Pop(ValueRange* range) {
  if (count_ == 0) return false;
  *range = ranges_[--count_];
  return true;
}

ValueRange CFuncSpanRange(int32_t left, int32_t right, const ValueRange& shown, bool mirrored,
                          int32_t from, int32_t to) {
  const CurveScale s = CFuncCurveScale(left, right, shown.smallest, shown.largest, mirrored);
  ValueRange range = shown;
  if (s.scale == 0) return range;
  const int32_t origin = mirrored ? right - 2 : left + 2;
  const double a = shown.smallest + (from - origin) / s.scale;
  const double b = shown.smallest + (to - origin) / s.scale;
  range.smallest = std::min(a, b);
  range.largest = std::max(a, b);
  return range;
}

bool CFuncZoomRefused(const ValueRange& range) {
  const double width = range.largest - range.smallest;
  if (!std::isfinite(width) || !(width > 0)) return true;
  return std::fabs(range.largest) + std::fabs(range.smallest) > width * kNarrowest;
}

// --- The window's zoom ---------------------------------------------------------------------------

RECT T_CFunc::CurveArea() const {
  const int32_t w = grid ? grid->width : 0;
  const int32_t h = grid ? grid->height - kViewMode4Bar : 0;
  const int32_t labelsRight =
      3 - GetScrollX() + (labelsField ? labelsField->Width() : kLabelsDefault);
  return RECT{labelsRight + 2, 0, w - 2, h - kAxisStrip};
}

RECT T_CFunc::ZoomBackButton() const {
  const RECT area = CurveArea();
  const int32_t left = area.left - 2 - (labelsField ? labelsField->Width() : kLabelsDefault);
  return RECT{std::max(left, 0) + 2, area.bottom + 2, std::max(left, 0) + 17, area.bottom + 14};
}

void T_CFunc::SetValueRange(const ValueRange& range, bool animate) {
  const ValueRange old{smallest, largest};
  if (animate && grid && grid->opened) {
    const RECT area = CurveArea();
    // The new range in the old scale: inside the area for a zoom in, else the old range in the
    // new scale, so that the frames always move between the area and a smaller span.
    const CurveScale before =
        CFuncCurveScale(area.left, area.right, old.smallest, old.largest, barOption);
    const CurveScale after =
        CFuncCurveScale(area.left, area.right, range.smallest, range.largest, barOption);
    auto span = [&](const CurveScale& s, const ValueRange& r) {
      int32_t a = RoundHalfUp(s.zero + r.smallest * s.scale);
      int32_t b = RoundHalfUp(s.zero + r.largest * s.scale);
      if (a > b) std::swap(a, b);
      return RECT{a, area.top, b, area.bottom};
    };
    const RECT in = span(before, range);
    if (in.left >= area.left && in.right <= area.right) {
      AnimateZoomRect(&in, &area);
    } else {
      const RECT out = span(after, old);
      AnimateZoomRect(&area, &out);
    }
  }
  smallest = range.smallest;
  largest = range.largest;
  InvalidateGrid();
}

bool T_CFunc::ZoomToSpan(int32_t from, int32_t to, bool animate) {
  const RECT area = CurveArea();
  const ValueRange old{smallest, largest};
  const ValueRange range = CFuncSpanRange(area.left, area.right, old, barOption, from, to);
  // Only a zoom in can narrow the range too far; no zoom may leave the finite numbers.
  const bool zoomIn = to - from < area.right - area.left - 4;
  if ((zoomIn && CFuncZoomRefused(range)) || !std::isfinite(range.largest - range.smallest)) {
    SystemBeep();
    return false;
  }
  zoom.Push(old);
  SetValueRange(range, animate);
  return true;
}

bool T_CFunc::ZoomBack(bool animate) {
  ValueRange range;
  if (!zoom.Pop(&range)) {
    SystemBeep();
    return false;
  }
  SetValueRange(range, animate);
  return true;
}

void T_CFunc::FitRowsInView() {
  // The same rule as the curve value range, over the rows in view only.
  double high = 0, low = 0;
  const int64_t last = std::min(GetLastVisibleRow(), rowCount - 1);
  for (int64_t row = GetTopRow(); row <= last && calculated; ++row) {
    const int64_t node = RowNode(row);
    if (node < 0) continue;
    double positive = 0, negative = 0;
    for (T_CVariable* v : data.shownList) {
      const double value = CellValue(node, v);
      if (!std::isfinite(value)) continue;
      if (barStyle == 4) {
        (value > 0 ? positive : negative) += value;
      } else {
        high = std::max(high, value);
        low = std::min(low, value);
      }
    }
    if (barStyle == 4) {
      high = std::max(high, positive);
      low = std::min(low, negative);
    }
  }
  if (high == low) high = low + 1.0;
  smallest = low;
  largest = high;
  InvalidateGrid();
}

void T_CFunc::TrackValueZoom(InputEvent* event, int32_t tool) {
  const RECT area = CurveArea();
  RECT rect{};
  int32_t cursor = tool == kToolZoomOut ? kCursorZoomOut : kCursorZoomIn;
  const int32_t result = TrackZoomRect(event, &rect, kZoomColumns, 4, &cursor, nullptr, nullptr);
  const bool out = cursor == kCursorZoomOut;
  int32_t from = 0, to = 0;
  if (result == kZoomClick) {
    if (out) {
      ZoomBack(true);
      return;
    }
    from = (area.left + event->x) / 2;
    to = (event->x + area.right) / 2;
  } else if (result == kZoomRectangle) {
    from = std::max(rect.left, area.left);
    to = std::min(rect.right, area.right);
    if (out) ZoomOutSpan(area, &from, &to);
  } else {
    return;
  }
  ZoomToSpan(from, to, true);
}

bool T_CFunc::SetGridCursor(InputEvent* event) {
  if (viewMode != 4) return T_StruxWin::SetGridCursor(event);
  const POINT p{event->x, event->y};
  const int32_t tool = GetEffectiveTool(event);
  const RECT button = ZoomBackButton();
  if (PtInRect(&button, p)) {
    if (tool != kToolZoomOut) return false;
    CursorSet(kCursorZoomOut);
    return true;
  }
  const RECT area = CurveArea();
  if (p.x < area.left || p.x >= area.right || p.y < area.top) return false;
  if (tool == kToolZoomIn || tool == kToolZoomOut) {
    CursorSet(static_cast<uint32_t>(tool));
    return true;
  }
  if (tool == kToolOpen && p.y < area.bottom) {
    CursorSet(kToolOpen);
    return true;
  }
  return false;
}

bool T_CFunc::ClickGrid(InputEvent* event) {
  if (viewMode != 4) return T_StruxWin::ClickGrid(event);
  const POINT p{event->x, event->y};
  const RECT button = ZoomBackButton();
  if (PtInRect(&button, p)) {
    if (event->rightAlt) {
      ZoomBack();
    } else {
      zoom.Push(ValueRange{smallest, largest});
      FitRowsInView();
    }
    return true;
  }
  const RECT area = CurveArea();
  const int32_t tool = GetEffectiveTool(event);
  if (p.x < area.left) return T_StruxWin::ClickGrid(event);
  if (event->leftButton && (tool == kToolZoomIn || tool == kToolZoomOut)) {
    TrackValueZoom(event, tool);
    return true;
  }
  if (tool == kToolOpen && p.y < area.bottom) {
    TrackOpenNode(event);
    return true;
  }
  return T_StruxWin::ClickGrid(event);
}

T_CVariable* T_CFunc::BarAtPoint(POINT point, int64_t* node) {
  *node = -1;
  const RECT area = CurveArea();
  if (!calculated || data.shownList.empty() || !PtInRect(&area, point)) return nullptr;
  const int64_t row = RowAtPoint(point);
  const int64_t at = row >= 0 ? RowNode(row) : -1;
  if (at < 0) return nullptr;
  int32_t top = 0;
  for (int64_t r = GetTopRow(); r < row; ++r) top += GetRowHeight(r);
  const CurveScale scale = CFuncCurveScale(area.left, area.right, smallest, largest, barOption);
  int32_t leftCount = 0;
  const std::vector<CurveRect> rects = RowBarRects(at, top, scale, &leftCount);
  const int32_t hit = CFuncBarAt(rects, leftCount, scale.zero, point);
  if (hit < 0) return nullptr;
  *node = at;
  return data.shownList[static_cast<size_t>(rects[static_cast<size_t>(hit)].column)];
}

void T_CFunc::TrackOpenNode(InputEvent* event) {
  int64_t node = -1;
  T_CVariable* variable = BarAtPoint(POINT{event->x, event->y}, &node);
  if (!variable) return;
  SelectVariable(variable);
  InputEvent poll = *event;
  do {
    Item_PollPointer(grid, &poll);
  } while (poll.anyButton);
  int64_t released = -1;
  if (BarAtPoint(POINT{poll.x, poll.y}, &released) == variable && released == node)
    ShowOpenNodeMenu(variable, node, &poll);
}

bool T_CFunc::GridWheel(InputEvent* event, int32_t lines) {
  if (viewMode != 4 || !event->control || lines == 0) return T_StruxWin::GridWheel(event, lines);
  const RECT area = CurveArea();
  const int32_t x = std::clamp<int32_t>(event->x, area.left, area.right);
  // A quarter of the way towards the pointer per turn; backwards the area zooms out as much.
  int32_t from = (x + 3 * area.left) / 4;
  int32_t to = (x + 3 * area.right) / 4;
  if (lines < 0) ZoomOutSpan(area, &from, &to);
  ZoomToSpan(from, to, false);
  return true;
}

void T_CFunc::DrawZoomBackButton() {
  // A framed arrow pointing left: back to a wider range.
  const RECT button = ZoomBackButton();
  RectFillColour(&button, 0);
  RectFrame(&button);
  const int32_t midY = (button.top + button.bottom) / 2;
  for (int32_t i = 0; i < 4; ++i) DrawVLine(button.left + 4 + i, midY - i, 2 * i + 1);
  DrawHLine(button.left + 8, midY, 4);
}
