#include "ui/regions.h"

#include <algorithm>
#include <cmath>

#include "ui/draw_primitives.h"
#include "ui/graphics_port.h"

namespace {

void Replace(Region* holder, HRGN region) {
  if (holder->handle) DeleteObject(holder->handle);
  holder->handle = region;
}

HRGN EmptyRegion() { return CreateRectRgn(0, 0, 0, 0); }

void Combine(Region* holder, const RECT* rect, int mode) {
  HRGN other = RgnNewRect(rect);
  if (!other) return;
  if (!holder->handle) holder->handle = EmptyRegion();
  if (holder->handle) CombineRgn(holder->handle, holder->handle, other, mode);
  DeleteObject(other);
}

int64_t Cross(POINT o, POINT a, POINT b) {
  return static_cast<int64_t>(a.x - o.x) * (b.y - o.y) -
         static_cast<int64_t>(a.y - o.y) * (b.x - o.x);
}

}  // namespace

void RgnFree(Region* holder) { Replace(holder, nullptr); }

void RgnCopy(Region* holder, HRGN region) {
  HRGN copy = EmptyRegion();
  if (copy && region) CombineRgn(copy, region, nullptr, RGN_COPY);
  holder->handle = copy;
}

HRGN RgnNewRect(const RECT* rect) {
  if (RectIsEmpty(rect)) return EmptyRegion();
  return CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom);
}

void RgnSetRect(Region* holder, const RECT* rect) { Replace(holder, RgnNewRect(rect)); }

void RgnSetBounds(Region* holder, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  RECT rect{left, top, right, bottom};
  RgnSetRect(holder, &rect);
}

void RgnSetEllipse(Region* holder, POINT centre, int32_t rx, int32_t ry) {
  Replace(holder,
          CreateEllipticRgn(centre.x - rx, centre.y - ry, centre.x + rx + 1, centre.y + ry + 1));
}

void RgnSetPie(Region* holder, POINT centre, int32_t radius, double startAngle, double endAngle) {
  constexpr double kTwoPi = 6.283185307179586;
  while (endAngle < startAngle) endAngle += kTwoPi;
  if (endAngle - startAngle > kTwoPi) endAngle = startAngle + kTwoPi;
  // A polygon well outside the circle along the sector, cut by the circle. Steps of 2 radians
  // keep every chord outside the circle at this distance.
  int32_t reach = 2 * radius + 10;
  POINT points[8];
  int32_t n = 0;
  points[n++] = centre;
  for (double angle = startAngle; angle < endAngle && n < 7; angle += 2.0)
    PointOnCircle(&points[n++], centre, reach, angle);
  PointOnCircle(&points[n++], centre, reach, endAngle);
  HRGN sector = CreatePolygonRgn(points, n, ALTERNATE);
  HRGN circle = CreateEllipticRgn(centre.x - radius, centre.y - radius, centre.x + radius + 1,
                                  centre.y + radius + 1);
  if (sector && circle) CombineRgn(sector, sector, circle, RGN_AND);
  if (circle) DeleteObject(circle);
  Replace(holder, sector);
}

void RgnSetThickLine(Region* holder, int32_t x, int32_t y, int32_t dx, int32_t dy, int32_t penWidth,
                     int32_t penHeight) {
  if (penWidth < 1) penWidth = 1;
  if (penHeight < 1) penHeight = 1;
  // The swept area is the convex hull of the pen rectangle at both ends.
  POINT corners[8] = {{x, y},
                      {x + penWidth, y},
                      {x + penWidth, y + penHeight},
                      {x, y + penHeight},
                      {x + dx, y + dy},
                      {x + dx + penWidth, y + dy},
                      {x + dx + penWidth, y + dy + penHeight},
                      {x + dx, y + dy + penHeight}};
  std::sort(corners, corners + 8,
            [](POINT a, POINT b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
  POINT hull[16];
  int32_t k = 0;
  for (int32_t i = 0; i < 8; ++i) {
    while (k >= 2 && Cross(hull[k - 2], hull[k - 1], corners[i]) <= 0) --k;
    hull[k++] = corners[i];
  }
  for (int32_t i = 6, lower = k + 1; i >= 0; --i) {
    while (k >= lower && Cross(hull[k - 2], hull[k - 1], corners[i]) <= 0) --k;
    hull[k++] = corners[i];
  }
  Replace(holder, CreatePolygonRgn(hull, k - 1, ALTERNATE));
}

void RgnSetPolygon(Region* holder, const POINT* points, int32_t n) {
  Replace(holder, n >= 3 ? CreatePolygonRgn(points, n, ALTERNATE) : EmptyRegion());
}

void RgnUnionRect(Region* holder, const RECT* rect) { Combine(holder, rect, RGN_OR); }
void RgnDiffRect(Region* holder, const RECT* rect) { Combine(holder, rect, RGN_DIFF); }
void RgnIntersectRect(Region* holder, const RECT* rect) { Combine(holder, rect, RGN_AND); }

bool RgnIsEmpty(HRGN region) {
  RECT box;
  return !region || GetRgnBox(region, &box) == NULLREGION;
}

bool RectHitsRegion(const RECT* rect, HRGN region) {
  if (!region || RectIsEmpty(rect)) return false;
  return RectInRegion(region, rect) != 0;
}

void RgnFillColour(const Region* holder, int32_t index) {
  HDC dc = PortDC();
  if (!dc || !holder->handle) return;
  HBRUSH brush = CreateSolidBrush(PaletteColour(index));
  if (!brush) return;
  FillRgn(dc, holder->handle, brush);
  DeleteObject(brush);
}

void RgnErase(const Region* holder) {
  HDC dc = PortDC();
  if (dc && holder->handle && Gfx.port->backBrush) FillRgn(dc, holder->handle, Gfx.port->backBrush);
}

void RgnInvert(const Region* holder) {
  HDC dc = PortDC();
  if (dc && holder->handle) InvertRgn(dc, holder->handle);
}

void RgnFrame(const Region* holder, HBRUSH brush) {
  HDC dc = PortDC();
  if (!dc || !holder->handle || !brush) return;
  SetBrushOrgEx(dc, Gfx.patternX, Gfx.patternY, nullptr);
  FrameRgn(dc, holder->handle, brush, 1, 1);
}
