#pragma once
// Regions: holders of one GDI region each, their shapes and set operations, and their drawing on
// the current graphics port. Setting a holder replaces (and deletes) its previous region.
// Every operation accepts an empty holder. User-interface thread only.
#include <windows.h>

#include <cstdint>

struct Region {
  HRGN handle = nullptr;
};

void RgnFree(Region* holder);
// A new holder with a copy of the region.
void RgnCopy(Region* holder, HRGN region);
// A new region of the rectangle; an empty rectangle gives an empty region. Null only when GDI
// refuses.
HRGN RgnNewRect(const RECT* rect);
void RgnSetRect(Region* holder, const RECT* rect);
void RgnSetBounds(Region* holder, int32_t left, int32_t top, int32_t right, int32_t bottom);
// The ellipse centre +- (rx, ry), the far edges included.
void RgnSetEllipse(Region* holder, POINT centre, int32_t rx, int32_t ry);
// The sector of the circle between the two angles (radians, counter-clockwise, y downwards).
void RgnSetPie(Region* holder, POINT centre, int32_t radius, double startAngle, double endAngle);
// The area that a pen rectangle of penWidth x penHeight sweeps from (x, y) to (x + dx, y + dy).
void RgnSetThickLine(Region* holder, int32_t x, int32_t y, int32_t dx, int32_t dy, int32_t penWidth,
                     int32_t penHeight);
void RgnSetPolygon(Region* holder, const POINT* points, int32_t n);
void RgnUnionRect(Region* holder, const RECT* rect);
void RgnDiffRect(Region* holder, const RECT* rect);
void RgnIntersectRect(Region* holder, const RECT* rect);
bool RgnIsEmpty(HRGN region);
bool RectHitsRegion(const RECT* rect, HRGN region);

void RgnFillColour(const Region* holder, int32_t index);
void RgnErase(const Region* holder);
void RgnInvert(const Region* holder);
// A one-pixel frame with the brush, aligned to the pattern origin.
void RgnFrame(const Region* holder, HBRUSH brush);
