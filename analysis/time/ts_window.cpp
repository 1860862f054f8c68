#include "analysis/time/ts_window.h"

#include <algorithm>
#include <cmath>

#include "core/threads.h"
#include "database/base.h"
#include "database/date_ref.h"
#include "database/time_scale.h"
#include "ui/axis_steps.h"
#include "ui/draw_primitives.h"
#include "ui/graphics_port.h"
#include "ui/text_layout.h"
#include "ui/text_style.h"
#include "ui/window.h"
#include "ui/window_utilities.h"

namespace {

void (*g_beep)() = nullptr;

constexpr int32_t kTodayColour = 18;
constexpr int32_t kReferenceColour = 14;
constexpr int32_t kGridColour = 3;
constexpr int32_t kBlack = 10;

int32_t MeasureInPort(void*, const char* text) { return TextWidth(text); }

bool ZoomWouldDegenerate(const DiagramRange& range) {
  return IsRangeDegenerate(range) || std::fabs(range.top) > kDiagramValueLimit ||
         std::fabs(range.bottom) > kDiagramValueLimit;
}

}  // namespace

void SetDiagramBeep(void (*beep)()) { g_beep = beep; }

void DiagramBeep() {
  if (g_beep)
    g_beep();
  else
    MessageBeep(1);
}

T_TSWin* AsTSWin(T_EventHandler* element) { return dynamic_cast<T_TSWin*>(element); }

T_TSWin::T_TSWin(int32_t kind, const RECT* rect, T_Template* templ, uint32_t helpId,
                 T_Base* database, uint32_t flags)
    : T_BoxWin(kind, rect, templ, helpId, database, flags) {
  DiagramFlagsInit(&layout.flags);
  region.handle = CreateRectRgn(0, 0, 0, 0);
}

T_TSWin::~T_TSWin() { RgnFree(&region); }

// --- Layout -------------------------------------------------------------------------------------

void T_TSWin::SetDiagramRect(const RECT* rect) {
  layout.diagram = *rect;
  LayoutDiagram();
}

void T_TSWin::LayoutForGrid() {
  RECT rect{0, 0, grid ? grid->width : 0, grid ? grid->height : 0};
  SetDiagramRect(&rect);
}

void T_TSWin::LayoutDiagram() { ::LayoutDiagram(&layout, MeasureInPort, nullptr); }

void T_TSWin::ClipToDiagram() {
  RECT clip{layout.plot.left, layout.diagram.top, layout.diagram.right, layout.plot.bottom};
  PortSetClipRect(&clip);
}

void T_TSWin::InvalidateDiagram() {
  if (!grid || !grid->opened) return;
  RECT rect{layout.plot.left, layout.diagram.top, layout.diagram.right, layout.plot.bottom};
  GrafElement_InvalidateRect(grid, &rect, 0);
}

// --- Axes ---------------------------------------------------------------------------------------

void T_TSWin::DrawDiagramAxes() {
  const DiagramLayout& l = layout;
  auto band = [&](PackedDate date, int32_t colour) {
    int32_t left = DateToX(l, date);
    int32_t right = std::max(DateEndToX(l, date), left + 2);
    RECT r{left, l.plot.top - 2, right, l.plot.bottom};
    if (left < l.plot.left || right > l.plot.right + 1 || r.bottom - r.top < 3) return;
    RectFillColour(&r, colour);
  };
  if (l.flags.on[kFlagTodayLine]) band(PackedDateToday(), kTodayColour);
  if (l.flags.on[kFlagReferenceLine] && database)
    band(database->referenceDate.cardId.date, kReferenceColour);
  {
    T_ForeIndex fore(kBlack);
    DrawVLine(l.plot.left - 1, l.plot.bottom, -(l.plot.bottom - l.plot.top));
    DrawHLine(l.plot.left - 1, l.plot.bottom, l.plot.right - l.plot.left + 1);
  }
  DrawValueAxis();
  DrawTimeAxis();
  DrawScaleLabel();
}

void T_TSWin::DrawValueAxis() {
  const DiagramLayout& l = layout;
  const uint16_t oldAlign = TextSetAlign(kStyleRight);
  const double step = l.gridStep;
  char text[64];
  for (double v : StepTicks(step, l.range.bottom, l.range.top, 1000)) {
    const int32_t y = ValueToY(l, v);
    if (!(y >= l.plot.bottom - 1 && axisScale == nullptr)) {
      FormatAxisValue(l, v, text, sizeof text);
      RECT label{l.diagram.left, y - 5, l.plot.left - 4, y + 7};
      TextDrawInRect(&label, text, nullptr);
    }
    {
      T_ForeIndex fore(kBlack);
      DrawHLine(l.plot.left - 3, y, 2);
    }
    if (y >= l.plot.bottom) continue;
    const bool zero = step > 2 * std::fabs(v);
    const double f = std::fabs(v / l.majorStep) + 0.01;
    const bool major = f - std::floor(f) < 0.1 && l.flags.on[kFlagValueGrid];
    const int32_t length = l.plotWidth - 1;
    if (zero && viewMode == 2) {
      DrawHLine(l.plot.left + 1, y, length);
    } else if ((zero && l.flags.on[kFlagZeroLine]) || major) {
      T_ForeIndex fore(kGridColour);
      DrawDashedHLine(l.plot.left + 1, y, length);
    } else if (l.flags.on[kFlagValueGrid]) {
      T_ForeIndex fore(kGridColour);
      DrawDottedHLine(l.plot.left + 1, y, length);
    }
  }
  TextSetAlign(oldAlign);
}

void T_TSWin::DrawScaleLabel() {
  const DiagramLayout& l = layout;
  if (l.exponent == 0) return;
  const uint16_t oldAlign = TextSetAlign(0);
  if (l.exponent == 3) {
    RECT r{l.plot.left, l.diagram.top, l.plot.left + TextWidth("*1000") + 2, l.diagram.top + 11};
    RectErase(&r);
    TextDrawInRect(&r, "*1000", nullptr);
  } else {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%d", l.exponent);
    const int32_t base = TextWidth("*10");
    RECT r{l.plot.left, l.diagram.top, l.plot.left + base + TextWidth(digits) + 2,
           l.diagram.top + 15};
    RectErase(&r);
    RECT ten{l.plot.left, l.diagram.top + 4, l.plot.left + base + 1, l.diagram.top + 15};
    TextDrawInRect(&ten, "*10", nullptr);
    RECT power{l.plot.left + base, l.diagram.top, r.right, l.diagram.top + 11};
    TextDrawInRect(&power, digits, nullptr);
  }
  TextSetAlign(oldAlign);
}

// --- Zooming ------------------------------------------------------------------------------------

void T_TSWin::PushZoom() {
  wheelZoom = 0;
  if (zoomCount >= kZoomHistoryMax) return;
  if (zoomCount > 0 && DiagramRangeEqual(zoomHistory[zoomCount - 1].range, layout.range)) return;
  zoomHistory[zoomCount++] = ZoomEntry{layout.range, viewMode};
}

bool T_TSWin::PopZoom() {
  if (zoomCount == 0) return false;
  wheelZoom = 0;
  const ZoomEntry entry = zoomHistory[--zoomCount];
  layout.range = entry.range;
  if (entry.viewMode != viewMode) RebuildDiagram();
  OnPeriodRangeChanged();
  LayoutDiagram();
  InvalidateGrid();
  return true;
}

void T_TSWin::ClearZoomStack() {
  zoomCount = 0;
  wheelZoom = 0;
}

bool T_TSWin::ApplyZoom(const RECT& rect) {
  DiagramRange range = RectToRange(layout, rect);
  if (ZoomWouldDegenerate(range)) return false;
  layout.range = range;
  OnPeriodRangeChanged();
  LayoutDiagram();
  InvalidateGrid();
  return true;
}

RECT T_TSWin::ZoomTowards(POINT p, int32_t numerator, int32_t denominator) const {
  const RECT& plot = layout.plot;
  auto toward = [&](int32_t edge, int32_t to) {
    return edge + static_cast<int32_t>((static_cast<int64_t>(to - edge) * numerator) / denominator);
  };
  return RECT{toward(plot.left, p.x), toward(plot.top, p.y), toward(plot.right, p.x),
              toward(plot.bottom, p.y)};
}

void T_TSWin::TrackZoom(InputEvent* event, bool zoomOut) {
  RECT rect{};
  int32_t cursor = zoomOut ? kCursorZoomOut : kCursorZoomIn;
  const int32_t result = TrackZoomRect(event, &rect, kZoomFree, 20, &cursor, nullptr, nullptr);
  zoomOut = cursor == kCursorZoomOut;
  if (result == kZoomLongPress) {
    HeldZoom(event, zoomOut);
    return;
  }
  if (result == kZoomClick && zoomOut) {
    if (!PopZoom()) DiagramBeep();
    return;
  }
  if (result != kZoomClick && result != kZoomRectangle) return;
  if (result == kZoomClick) rect = ZoomTowards(POINT{event->x, event->y}, 1, 2);
  if (zoomOut) {
    RECT outer = layout.plot;
    RectZoomOut(&outer, &rect);
    rect = outer;
  }
  const DiagramRange before = layout.range;
  const DiagramRange after = RectToRange(layout, rect);
  if (ZoomWouldDegenerate(after)) {
    DiagramBeep();
    return;
  }
  PushZoom();
  RECT shown = RangeToRect(layout, after);
  const int64_t area = static_cast<int64_t>(shown.right - shown.left) * (shown.bottom - shown.top);
  const int64_t plotArea = static_cast<int64_t>(layout.plotWidth) * layout.plotHeight;
  if (grid && grid->opened) {
    if (area > plotArea)
      AnimateZoomRect(&layout.plot, &shown);
    else
      AnimateZoomRect(&shown, &layout.plot);
  }
  (void)before;
  ApplyZoom(rect);
}

void T_TSWin::HeldZoom(InputEvent* event, bool zoomOut) {
  PushZoom();
  InputEvent now = *event;
  PollZoomTrack(&now);
  uint64_t next = now.time + kHeldZoomStepMs;
  while (now.anyButton) {
    const bool out = (now.rightAlt != 0) != zoomOut;
    CursorSet(out ? kCursorZoomOut : kCursorZoomIn);
    if (now.time >= next) {
      next = now.time + kHeldZoomStepMs;
      RECT rect = ZoomTowards(POINT{now.x, now.y}, 1, 8);
      if (out) {
        RECT outer = layout.plot;
        RectZoomOut(&outer, &rect);
        rect = outer;
      }
      ApplyZoom(rect);
    }
    PollZoomTrack(&now);
  }
}

bool T_TSWin::GridWheel(InputEvent* event, int32_t lines) {
  if (!InDiagramMode()) return T_BoxWin::GridWheel(event, lines);
  if (rowCount <= headerRowCount) return true;
  LayoutForGrid();
  if (!wheelZoom) PushZoom();
  RECT rect = layout.plot;
  if (event->x >= layout.plot.left) {
    rect.left = (event->x + 3 * rect.left) / 4;
    rect.right = (event->x + 3 * rect.right) / 4;
  }
  if (event->y <= layout.plot.bottom) {
    rect.top = (event->y + 3 * rect.top) / 4;
    rect.bottom = (event->y + 3 * rect.bottom) / 4;
  }
  if (lines < 0) {
    RECT outer = layout.plot;
    RectZoomOut(&outer, &rect);
    rect = outer;
  }
  ApplyZoom(rect);
  wheelZoom = 1;
  return true;
}

// --- Tools, cursor and presses -------------------------------------------------------------------

int32_t T_TSWin::GetEffectiveTool(InputEvent* event) {
  int32_t tool = T_BoxWin::GetEffectiveTool(event);
  if (InDiagramMode()) {
    if (event && event->rightAlt) {
      if (tool == kCursorZoomIn)
        tool = kCursorZoomOut;
      else if (tool == kCursorZoomOut)
        tool = kCursorZoomIn;
    }
    if (event && event->control && (tool == kCursorZoomIn || tool == kCursorZoomOut)) tool = 4202;
  } else if (tool == 4203 && event && event->control) {
    tool = 4202;
  }
  return tool;
}

bool T_TSWin::SetGridCursor(InputEvent* event) {
  if (rowCount <= headerRowCount || event->rightButton) return false;
  const int32_t tool = GetEffectiveTool(event);
  if (InDiagramMode()) {
    LayoutForGrid();
    if (event->x < layout.plot.left || event->y > layout.plot.bottom) return false;
  } else if (tool == 4202 && !IsPointOnData(event)) {
    return false;
  }
  if (tool == 4200)
    CursorSet(kCursorZoomIn);
  else if (tool == 4201)
    CursorSet(kCursorZoomOut);
  else if (tool == 4202)
    CursorSet(4202);
  else
    CursorSet(0);
  return true;
}

bool T_TSWin::ClickGrid(InputEvent* event) {
  if (!InDiagramMode()) return T_BoxWin::ClickGrid(event);
  if (rowCount <= headerRowCount) return true;
  LayoutForGrid();
  if (ClickDiagram(event)) return true;
  if (event->rightButton) return false;
  const int32_t tool = GetEffectiveTool(event);
  if (tool < 4200) return true;
  if (tool == 4200 || tool == 4201) {
    if (event->x < layout.plot.left - 1 || event->y > layout.plot.bottom + 1) return true;
    TrackZoom(event, tool == 4201);
  } else if (tool == 4202) {
    DragDiagram(event);
  }
  return true;
}

void T_TSWin::FitPrintRect(RECT* rect) {
  LayoutForGrid();
  ::FitPrintRect(layout, grid ? grid->width : 0, grid ? grid->height : 0, rect);
}

void T_TSWin::OnChange(const ChangeNote* note) {
  T_BoxWin::OnChange(note);
  if (note->code == 53 && note->object && note->object == axisScale) {
    // The scale is freed after this note: no later paint may read it.
    axisScale = nullptr;
    if (InDiagramMode()) InvalidateGrid();
    return;
  }
  if (!InDiagramMode()) return;
  switch (note->code) {
    case 2:
      InvalidateGrid();
      break;
    case 51:
      if (note->object && note->object == axisScale) InvalidateGrid();
      break;
    case 0:
      if (layout.flags.on[kFlagTodayLine]) InvalidateDiagram();
      break;
    case 38:
      if (layout.flags.on[kFlagReferenceLine]) InvalidateDiagram();
      break;
    default:
      break;
  }
}
