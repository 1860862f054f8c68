// The component functions window's curve view (view mode 4): the labels column, each row's bars
// under the bar style, and the value axis with its ticks. The geometry is cfunc_curve.h's.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "analysis/boxwin/box_output.h"
#include "analysis/components/cfunc_curve.h"
#include "analysis/components/cfunc_window.h"
#include "core/value_format.h"
#include "ui/draw_primitives.h"
#include "ui/graphics_port.h"
#include "ui/item_drawing.h"

namespace {

constexpr int32_t kAxisStrip = 15;
constexpr int32_t kColourShade = 23;
constexpr int32_t kIndentPerLevel = 10;

// A tick label's half width: the axis font is taken as 6 pixels a character.
int32_t HalfLabelWidth(int32_t length) { return 3 * length + 2; }

int32_t TickLabelWidth(double value, int32_t decimals) {
  T_TextBuf label;
  formatNumber(&label, value, decimals, 0);
  return 2 * HalfLabelWidth(label.length);
}

void FillClipped(const RECT* rect, const RECT* clip, int32_t colour) {
  RECT r;
  if (IntersectRect(&r, rect, clip)) RectFillColour(&r, colour);
}

}  // namespace

std::vector<CurveRect> T_CFunc::RowBarRects(int64_t node, int32_t y, const CurveScale& scale,
                                            int32_t* leftCount) {
  const auto columns = static_cast<int32_t>(data.shownList.size());
  std::vector<double> values(static_cast<size_t>(columns));
  std::vector<int32_t> colours(static_cast<size_t>(columns));
  for (int32_t c = 0; c < columns; ++c) {
    const T_CVariable* v = data.shownList[static_cast<size_t>(c)];
    values[static_cast<size_t>(c)] = CellValue(node, v);
    colours[static_cast<size_t>(c)] = v->colour;
  }
  std::vector<CurveBar> right, left;
  CFuncRowBars(values.data(), colours.data(), columns, barStyle, scale.scale, &right, &left);
  *leftCount = static_cast<int32_t>(left.size());
  return CFuncBarRects(barStyle, y, GetRowHeight(0), columns, scale.zero, right, left);
}

void T_CFunc::DrawGrid(BoxDrawRecord* record) {
  if (viewMode != 4) {
    StandardDrawGrid(record);
    return;
  }
  const RECT& bounds = record->bounds;
  RectFillColour(&bounds, 0);
  const int32_t labelsRight =
      bounds.left + 3 - GetScrollX() + (labelsField ? labelsField->Width() : 200);
  RECT curve{labelsRight + 2, bounds.top, bounds.right - 2, bounds.bottom - kAxisStrip};
  if (curve.right - curve.left < 8 || curve.bottom <= curve.top) return;
  const CurveScale scale = CFuncCurveScale(curve.left, curve.right, smallest, largest, barOption);
  const auto columns = static_cast<int32_t>(data.shownList.size());
  RowTextPool pool;
  const bool texts = pool.Init();
  const int32_t rowHeight = GetRowHeight(0);
  int32_t y = bounds.top;
  for (int64_t row = record->firstRow; row < rowCount && y < curve.bottom; ++row, y += rowHeight) {
    const int64_t node = RowNode(row);
    if (node < 0) break;
    const bool leaf = Node(node)->firstChild < 0;
    const bool shaded = (gridMode == kGridShadeLowest && leaf) ||
                        (gridMode == kGridShadeUpper && !leaf) || gridMode == kGridShadeAll;
    if (shaded && !record->printing) {
      RECT strip{bounds.left, y, bounds.right, y + rowHeight - 1};
      FillClipped(&strip, &bounds, kColourShade);
    }
    if (texts && labelsField) {
      GetRowTexts(&pool, row);
      RECT box{bounds.left + 3 - GetScrollX() + Node(node)->level * kIndentPerLevel,
               y + (rowHeight - 12) / 2, labelsRight,
               std::min<LONG>(y + (rowHeight - 12) / 2 + 12, curve.bottom)};
      TextDrawInRectIfAny(&box, labelsField->cellText ? labelsField->cellText : "");
    }
    if (GridLineBelow(gridMode, row, 0))
      DrawDottedHLine(bounds.left, y + rowHeight - 1, bounds.right - bounds.left);
    if (!calculated || columns == 0) continue;
    // The last row may reach into the axis strip: its bars stop at the curve area.
    RECT rowClip{curve.left, y, curve.right, std::min<LONG>(y + rowHeight, curve.bottom)};
    int32_t leftCount = 0;
    for (const CurveRect& bar : RowBarRects(node, y, scale, &leftCount)) {
      RECT r;
      if (!IntersectRect(&r, &bar.rect, &rowClip)) continue;
      PortSetForeIndex(bar.colour);
      if (r.bottom - r.top <= 1)
        DrawHLine(r.left, r.top, r.right - r.left);
      else
        RectFillFramed(&r, 1, bar.colour);
    }
    PortSetForeIndex(kColourBlack);
  }
  if (texts) pool.Free();
  // The value axis: a line along the strip's top, the zero line and the tick labels.
  RECT axis{labelsRight - (labelsField ? labelsField->Width() : 200), curve.bottom, curve.right,
            curve.bottom + 1};
  RectFillColour(&axis, kColourBlack);
  if (!record->printing) DrawZoomBackButton();
  CurveTicks ticks;
  if (!CFuncTickStep(curve.right - curve.left, largest - smallest, &ticks)) return;
  CFuncSpreadTicks(&ticks, scale.scale, smallest, largest, TickLabelWidth);
  int32_t lastEnd = -100000;
  for (double v : CFuncTickValues(ticks, smallest, largest)) {
    const auto x = static_cast<int32_t>(std::floor(scale.zero + v * scale.scale + 0.5));
    if (std::fabs(v) < ticks.step * 1e-9) {
      RECT zero{x, curve.top, x + 1, curve.bottom};
      RectFillColour(&zero, kColourBlack);
    } else if (verticalGridLines && x >= curve.left && x < curve.right) {
      DrawDottedVLine(x, curve.top, curve.bottom - curve.top);
    }
    T_TextBuf label;
    formatNumber(&label, std::fabs(v) < ticks.step * 1e-9 ? 0.0 : v, ticks.decimals, 0);
    const int32_t half = HalfLabelWidth(label.length);
    if (x - half <= lastEnd + kTickLabelGap || x + half >= curve.right) continue;
    RECT mark{x, curve.bottom + 1, x + 1, curve.bottom + 5};
    RectFillColour(&mark, kColourBlack);
    RECT box{x - half, curve.bottom + 3, x + half, curve.bottom + kAxisStrip};
    TextDrawInRectIfAny(&box, label.data);
    lastEnd = x + half;
  }
}
