// The components window's graphic presentation (view mode 3): the grid keeps the tree with the
// graphic's value column, and right of it the children of the current node stand in two pies,
// the positive values left and the negative ones right, their areas in proportion to the two
// sums. Slices carry percentage labels at their middle angle. Printed, the graphic stands beside
// the rows of the first page, as high as its pies need.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "analysis/components/components_window.h"
#include "core/localized_text.h"
#include "core/value_format.h"
#include "ui/draw_primitives.h"
#include "ui/graphics_port.h"
#include "ui/item_drawing.h"

namespace {

constexpr int32_t kGraphicGap = 12;
constexpr int32_t kMaxRadius = 120;
// Room above and below a pie for the percentage labels, and under it for the scale.
constexpr int32_t kLabelMargin = 8;
constexpr int32_t kScaleHeight = 16;
constexpr double kPi = 3.14159265358979323846;
// Slice colours, repeated.
constexpr int32_t kSliceColours[] = {21, 19, 13, 22, 15, 12, 16, 11, 6};

struct PieLayout {
  POINT centre[2];
  int32_t radius[2];
  double sum[2];
};

// The pies' centres and radii inside the area: equal areas per unit of value.
PieLayout LayoutPies(const RECT* area, double positive, double negative) {
  PieLayout p{};
  p.sum[0] = positive;
  p.sum[1] = -negative;
  const int32_t width = area->right - area->left;
  const int32_t height = area->bottom - area->top;
  int32_t r = std::min(std::min(width / 4 - kGraphicGap, height / 2 - kGraphicGap), kMaxRadius);
  if (r < 8) r = 8;
  const double larger = std::max(p.sum[0], p.sum[1]);
  for (int32_t i = 0; i < 2; ++i) {
    p.radius[i] = larger > 0 ? static_cast<int32_t>(r * std::sqrt(p.sum[i] / larger)) : 0;
    p.centre[i].x = area->left + width / 4 + i * width / 2;
    p.centre[i].y = area->top + height / 2;
  }
  return p;
}

}  // namespace

RECT T_Comps::GraphicArea(const BoxDrawRecord* record) const {
  RECT area = record->bounds;
  area.left = record->bounds.left + ContentWidth() + kGraphicGap -
              (record->printing ? record->offsetX : GetScrollX());
  if (!record->printing) return area;
  // On paper the pies are not centred in the body but stand at its top: the area ends below the
  // labels and the scale of the widest pies the width allows.
  const int32_t r = std::min(static_cast<int32_t>(area.right - area.left) / 4 - kGraphicGap, kMaxRadius);
  const int32_t height = 2 * (std::max(r, 8) + kGraphicGap + kLabelMargin) +
                         (options.showScale ? kScaleHeight : 0);
  area.bottom = std::min<LONG>(area.bottom, area.top + height);
  return area;
}

void T_Comps::DrawGrid(BoxDrawRecord* record) {
  StandardDrawGrid(record);
  if (viewMode != 3 || nodeCount == 0) return;
  // Printed, the graphic goes with the first page's rows.
  if (record->printing && record->firstRow != 0) return;
  const RECT area = GraphicArea(record);
  if (area.right - area.left < 60) return;
  DrawGraphic(&area);
}

void StruxDrawingExtent(T_BoxWin* window, const RECT* rect, RECT* extent) {
  *extent = RECT{rect->left, rect->top, rect->left, rect->top};
  auto* comps = dynamic_cast<T_Comps*>(window);
  if (!comps || comps->viewMode != 3 || comps->nodeCount == 0) return;
  BoxDrawRecord record;
  record.bounds = *rect;
  record.printing = 1;
  *extent = comps->GraphicArea(&record);
  if (extent->right < extent->left) extent->right = extent->left;
}

void T_Comps::DrawGraphic(const RECT* area) {
  if (currentNode < 0 || currentNode >= nodeCount) currentNode = 0;
  const int32_t type = options.graphType;
  const bool sublevels = options.graphSublevels != 0;
  double positive = 0;
  double negative = 0;
  for (int64_t c = Node(currentNode)->firstChild; c >= 0; c = Node(c)->nextSibling) {
    const double v = CompsValueOf(BlockFor(c, type, sublevels), type, percentBase);
    if (!std::isfinite(v)) continue;
    if (v > 0) positive += v;
    if (v < 0) negative += v;
  }
  const PieLayout pies = LayoutPies(area, positive, negative);
  HDC dc = PortDC();
  if (!dc) return;
  int32_t colourIndex = 0;
  double angle[2] = {0, 0};
  T_TextBuf label;
  for (int64_t c = Node(currentNode)->firstChild; c >= 0; c = Node(c)->nextSibling) {
    CompsNode* node = CNode(c);
    node->sliceStart = node->sliceEnd = 0;
    const double v = CompsValueOf(BlockFor(c, type, sublevels), type, percentBase);
    if (!std::isfinite(v) || v == 0) continue;
    const int32_t pie = v > 0 ? 0 : 1;
    if (pies.sum[pie] <= 0 || pies.radius[pie] <= 0) continue;
    const double share = std::fabs(v) / pies.sum[pie];
    const double from = angle[pie];
    const double to = from + share * 2 * kPi;
    angle[pie] = to;
    node->sliceStart = static_cast<int32_t>(from * 1800 / kPi) + pie * 3600;
    node->sliceEnd = static_cast<int32_t>(to * 1800 / kPi) + pie * 3600;
    const POINT centre = pies.centre[pie];
    const int32_t r = pies.radius[pie];
    POINT points[130];
    int32_t n = 0;
    points[n++] = centre;
    const int32_t steps = std::max(2, static_cast<int32_t>(share * 120));
    for (int32_t i = 0; i <= steps && n < 130; ++i) {
      const double a = from + (to - from) * i / steps;
      points[n++] = POINT{centre.x + static_cast<LONG>(r * std::sin(a)),
                          centre.y - static_cast<LONG>(r * std::cos(a))};
    }
    HBRUSH brush = CreateSolidBrush(
        PaletteColour(kSliceColours[colourIndex++ % (sizeof kSliceColours / sizeof(int32_t))]));
    HGDIOBJ old = brush ? SelectObject(dc, brush) : nullptr;
    Polygon(dc, points, n);
    if (old) SelectObject(dc, old);
    if (brush) DeleteObject(brush);
    if (options.percentLabels == 0) continue;
    const double percent = share * 100;
    char text[32];
    if (std::isinf(percent))
      std::snprintf(text, sizeof text, "%s", percent > 0 ? "+ inf" : "- inf");
    else if (std::isnan(percent))
      std::snprintf(text, sizeof text, "0/0");
    else if (options.percentLabels == 2 || percent < 0.1)
      std::snprintf(text, sizeof text, "%.1f%%", percent);
    else
      std::snprintf(text, sizeof text, "%.0f%%", percent);
    const double middle = (from + to) / 2;
    const int32_t lx = centre.x + static_cast<int32_t>((r + 14) * std::sin(middle));
    const int32_t ly = centre.y - static_cast<int32_t>((r + 8) * std::cos(middle));
    RECT box{lx - 30, ly - 6, lx + 30, ly + 7};
    TextDrawInRectIfAny(&box, text);
  }
  if (options.showScale) {
    // The scale: the sum each pie stands for under it.
    for (int32_t pie = 0; pie < 2; ++pie) {
      if (pies.radius[pie] <= 0) continue;
      // In the graphic's decimals and sign style, as the table shows its numbers.
      T_TextBuf text;
      formatNumber(&text, pie ? -pies.sum[pie] : pies.sum[pie], options.graphDecimals,
                   options.graphNegative);
      RECT box{pies.centre[pie].x - 60, pies.centre[pie].y + pies.radius[pie] + 10,
               pies.centre[pie].x + 60, pies.centre[pie].y + pies.radius[pie] + 24};
      TextDrawInRectIfAny(&box, text.data);
    }
  }
}

int64_t T_Comps::SliceAt(const RECT* area, POINT point) {
  if (currentNode < 0 || currentNode >= nodeCount) return -1;
  const int32_t type = options.graphType;
  double positive = 0;
  double negative = 0;
  for (int64_t c = Node(currentNode)->firstChild; c >= 0; c = Node(c)->nextSibling) {
    const double v = CompsValueOf(BlockFor(c, type, options.graphSublevels != 0), type, percentBase);
    if (!std::isfinite(v)) continue;
    if (v > 0) positive += v;
    if (v < 0) negative += v;
  }
  const PieLayout pies = LayoutPies(area, positive, negative);
  for (int32_t pie = 0; pie < 2; ++pie) {
    const double dx = point.x - pies.centre[pie].x;
    const double dy = pies.centre[pie].y - point.y;
    if (std::sqrt(dx * dx + dy * dy) > pies.radius[pie]) continue;
    double a = std::atan2(dx, dy);
    if (a < 0) a += 2 * kPi;
    const int32_t tenth = static_cast<int32_t>(a * 1800 / kPi) + pie * 3600;
    for (int64_t c = Node(currentNode)->firstChild; c >= 0; c = Node(c)->nextSibling) {
      const CompsNode* node = CNode(c);
      if (node->sliceEnd > node->sliceStart && tenth >= node->sliceStart && tenth < node->sliceEnd)
        return c;
    }
  }
  return -1;
}
