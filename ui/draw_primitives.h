#pragma once
// The drawing vocabulary over GDI: rectangles, fills, frames, lines, ellipses and point lists.
// Everything draws on the current graphics port in its foreground and background colour; colours
// are palette indices. A pen width of 0 counts as 1; a negative width fills the inside only.
// Every drawing call does nothing for an empty rectangle (right <= left or bottom <= top).
// User-interface thread only.
#include <windows.h>

#include <cstdint>

struct T_TextBuf;

struct XYWH {
  int32_t x;
  int32_t y;
  int32_t width;
  int32_t height;
};

// --- Rectangles (pure) ---------------------------------------------------------------------

RECT RectMake(int32_t left, int32_t top, int32_t right, int32_t bottom);
void RectSet(RECT* rect, int32_t left, int32_t top, int32_t right, int32_t bottom);
bool RectIsEmpty(const RECT* rect);
XYWH RectToXYWH(const RECT* rect);
RECT RectFromPosSize(const XYWH* box);
bool RectEqual(const RECT* a, const RECT* b);
void RectZero(RECT* rect);
// Normalised so that left <= right and top <= bottom.
RECT RectFromPoints(POINT a, POINT b);
RECT RectAround(POINT centre, int32_t dx, int32_t dy);
void RectInflate(RECT* rect, int32_t n);  // negative values shrink
void RectInflateXY(RECT* rect, int32_t dx, int32_t dy);
void RectTranspose(RECT* rect);
// Shifted to lie inside the bounds; a rectangle larger than the bounds ends at their left and
// top edge, cut to them.
void RectMoveInside(RECT* rect, const RECT* bounds);
// "left,top,right,bottom" in decimal.
void RectToText(const RECT* rect, T_TextBuf* text);
// Four comma-separated integers in that order; false (and an empty rectangle) otherwise.
bool RectFromText(RECT* rect, const char* text);

// --- Pattern brushes -----------------------------------------------------------------------

// Made on first use and kept until the process ends.
HBRUSH DottedBrush();  // 50 % checkerboard
HBRUSH DashedBrush();  // 4 x 4 blocks
HBRUSH HollowBrush();

// --- Fills and frames ------------------------------------------------------------------------

void RectFillColour(const RECT* rect, int32_t index);
void RectFillFramed(const RECT* rect, int32_t width, int32_t index);
void RectErase(const RECT* rect);
void FrameOrErase(const RECT* rect, int32_t width);
void RectInvert(const RECT* rect);
void RectFrame(const RECT* rect);
void FrameRectWidth(const RECT* rect, int32_t width);
// The last pixel row and column inside the rectangle count as its bottom and right edge.
void EdgeTopLeft(const RECT* rect);
void EdgeBottomRight(const RECT* rect);
void EllipseIndex(const RECT* rect, int32_t width);
void RoundedRectOutline(const RECT* rect, int32_t radius);
void PolygonDraw(const POINT* points, int32_t n);
// Scrolls the port's pixels inside the rectangle by (dx, dy).
void ScrollRect(const RECT* rect, int32_t dx, int32_t dy);

// --- Lines -----------------------------------------------------------------------------------

// length + 1 pixels from (x, y): to the right (down) for length >= 0, else to the left (up).
void DrawHLine(int32_t x, int32_t y, int32_t length);
void DrawVLine(int32_t x, int32_t y, int32_t length);
void DrawDottedHLine(int32_t x, int32_t y, int32_t length);
void DrawDottedVLine(int32_t x, int32_t y, int32_t length);
void DrawDashedHLine(int32_t x, int32_t y, int32_t length);
void RectFrameDotted(const RECT* rect);
// Inverts along a dotted frame, so a second call with the same rectangle erases it.
void RectFrameDottedXor(const RECT* rect);

// x = centre.x + floor(cos(angle) x radius + 0.5), y = centre.y - floor(sin(angle) x radius + 0.5).
void PointOnCircle(POINT* out, POINT centre, int32_t radius, double angle);

// --- Point lists -----------------------------------------------------------------------------

struct PathPoint {
  int32_t x;
  int32_t y;
  bool strokeStart;  // the pen moves here instead of drawing a line to it
};

// Always starts with one plain point (0, 0). Growth stops silently when memory fails or the
// abort flag is set.
struct PointList {
  PathPoint* points = nullptr;
  int32_t count = 0;
  int32_t capacity = 0;
  int32_t headroom = 0;

  PointList() = default;
  PointList(const PointList&) = delete;
  PointList& operator=(const PointList&) = delete;
  ~PointList();
};

void PointListInit(PointList* list, int32_t headroomClass);
void PointListFree(PointList* list);
void PointListReset(PointList* list);
void PointListOffset(PointList* list, int32_t dx, int32_t dy);
void PointListMoveTo(PointList* list, int32_t x, int32_t y);
void PointListLineBy(PointList* list, int32_t dx, int32_t dy);
// Starts a new stroke at the last point plus (dx, dy); nothing for (0, 0); a second move in a
// row only shifts the pending start.
void PointListMoveBy(PointList* list, int32_t dx, int32_t dy);
void PointListDraw(const PointList* list);
