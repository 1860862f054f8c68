#include "ui/draw_primitives.h"

#include <cmath>

#include "core/alert.h"
#include "core/memory.h"
#include "core/text_buffer.h"
#include "ui/graphics_port.h"

// --- Rectangles ----------------------------------------------------------------------------

RECT RectMake(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  return RECT{left, top, right, bottom};
}

void RectSet(RECT* rect, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  *rect = RECT{left, top, right, bottom};
}

bool RectIsEmpty(const RECT* rect) {
  return rect->right <= rect->left || rect->bottom <= rect->top;
}

XYWH RectToXYWH(const RECT* rect) {
  return XYWH{rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top};
}

RECT RectFromPosSize(const XYWH* box) {
  return RECT{box->x, box->y, box->x + box->width, box->y + box->height};
}

bool RectEqual(const RECT* a, const RECT* b) {
  return a->left == b->left && a->top == b->top && a->right == b->right && a->bottom == b->bottom;
}

void RectZero(RECT* rect) { *rect = RECT{0, 0, 0, 0}; }

RECT RectFromPoints(POINT a, POINT b) {
  RECT rect;
  rect.left = a.x < b.x ? a.x : b.x;
  rect.right = a.x < b.x ? b.x : a.x;
  rect.top = a.y < b.y ? a.y : b.y;
  rect.bottom = a.y < b.y ? b.y : a.y;
  return rect;
}

RECT RectAround(POINT centre, int32_t dx, int32_t dy) {
  return RECT{centre.x - dx, centre.y - dy, centre.x + dx, centre.y + dy};
}

void RectInflate(RECT* rect, int32_t n) { RectInflateXY(rect, n, n); }

void RectInflateXY(RECT* rect, int32_t dx, int32_t dy) {
  rect->left -= dx;
  rect->right += dx;
  rect->top -= dy;
  rect->bottom += dy;
}

void RectTranspose(RECT* rect) { *rect = RECT{rect->top, rect->left, rect->bottom, rect->right}; }

void RectMoveInside(RECT* rect, const RECT* bounds) {
  int32_t dx = 0;
  if (rect->right > bounds->right) dx = bounds->right - rect->right;
  if (rect->left + dx < bounds->left) dx = bounds->left - rect->left;
  int32_t dy = 0;
  if (rect->bottom > bounds->bottom) dy = bounds->bottom - rect->bottom;
  if (rect->top + dy < bounds->top) dy = bounds->top - rect->top;
  OffsetRect(rect, dx, dy);
  if (rect->left < bounds->left) rect->left = bounds->left;
  if (rect->top < bounds->top) rect->top = bounds->top;
  if (rect->right > bounds->right) rect->right = bounds->right;
  if (rect->bottom > bounds->bottom) rect->bottom = bounds->bottom;
}

void RectToText(const RECT* rect, T_TextBuf* text) {
  TextBufAssign(text, "");
  const LONG values[4] = {rect->left, rect->top, rect->right, rect->bottom};
  for (int32_t i = 0; i < 4; ++i) {
    if (i) TextBufAppendChar(text, ',');
    TextBufAppendInt(text, values[i]);
  }
}

bool RectFromText(RECT* rect, const char* text) {
  int64_t values[4];
  const char* p = text;
  for (int32_t i = 0; p && i < 4; ++i) {
    while (*p == ' ') ++p;
    bool negative = *p == '-';
    if (negative || *p == '+') ++p;
    if (*p < '0' || *p > '9') p = nullptr;
    int64_t value = 0;
    while (p && *p >= '0' && *p <= '9') {
      value = value * 10 + (*p++ - '0');
      if (value > 0x7FFFFFFF) p = nullptr;
    }
    if (!p) break;
    values[i] = negative ? -value : value;
    while (*p == ' ') ++p;
    if (i < 3) {
      p = *p == ',' ? p + 1 : nullptr;
    } else if (*p) {
      p = nullptr;
    }
  }
  if (!p) {
    RectZero(rect);
    return false;
  }
  RectSet(rect, static_cast<int32_t>(values[0]), static_cast<int32_t>(values[1]),
          static_cast<int32_t>(values[2]), static_cast<int32_t>(values[3]));
  return true;
}

// --- Pattern brushes -----------------------------------------------------------------------

namespace {

HBRUSH PatternBrush(const uint8_t rows[8]) {
  // Monochrome bitmap rows are padded to 16 bits.
  WORD bits[8];
  for (int32_t i = 0; i < 8; ++i) bits[i] = static_cast<WORD>(rows[i] << 8 | rows[i]);
  HBITMAP bitmap = CreateBitmap(8, 8, 1, 1, bits);
  if (!bitmap) return nullptr;
  HBRUSH brush = CreatePatternBrush(bitmap);
  DeleteObject(bitmap);
  return brush;
}

}  // namespace

HBRUSH DottedBrush() {
  static HBRUSH brush = nullptr;
  static const uint8_t rows[8] = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
  if (!brush) brush = PatternBrush(rows);
  return brush;
}

HBRUSH DashedBrush() {
  static HBRUSH brush = nullptr;
  static const uint8_t rows[8] = {0xF0, 0xF0, 0xF0, 0xF0, 0x0F, 0x0F, 0x0F, 0x0F};
  if (!brush) brush = PatternBrush(rows);
  return brush;
}

HBRUSH HollowBrush() { return static_cast<HBRUSH>(GetStockObject(HOLLOW_BRUSH)); }

// --- Fills and frames ------------------------------------------------------------------------

namespace {

HDC DrawDC(const RECT* rect) {
  if (rect && RectIsEmpty(rect)) return nullptr;
  return PortDC();
}

// Draws with a temporary pen and brush selected, then puts the port's own back.
void RectangleWith(HDC dc, const RECT* rect, HPEN pen, HBRUSH brush) {
  HGDIOBJ oldPen = pen ? SelectObject(dc, pen) : nullptr;
  HGDIOBJ oldBrush = brush ? SelectObject(dc, brush) : nullptr;
  Rectangle(dc, rect->left, rect->top, rect->right, rect->bottom);
  if (oldBrush) SelectObject(dc, oldBrush);
  if (oldPen) SelectObject(dc, oldPen);
}

HPEN ForePen(int32_t width) {
  return CreatePen(PS_INSIDEFRAME, width <= 0 ? 1 : width, PaletteColour(Gfx.foreColour));
}

// Printer hairlines are drawn at half a point: the window extent doubles for the call.
struct HalfPointScale {
  bool on;
  HalfPointScale() : on(PortIsPrinter()) {
    if (on) PortSetScale(2);
  }
  ~HalfPointScale() {
    if (on) PortSetScale(1);
  }
  int32_t operator()(int32_t v) const { return on ? v * 2 : v; }
};

void FrameRegionWith(HDC dc, const RECT* rect, HBRUSH brush) {
  HRGN region = CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom);
  if (!region) return;
  SetBrushOrgEx(dc, Gfx.patternX, Gfx.patternY, nullptr);
  FrameRgn(dc, region, brush, 1, 1);
  DeleteObject(region);
}

void PatternLine(RECT line, HBRUSH brush) {
  HDC dc = PortDC();
  if (!dc || !brush) return;
  if (PortIsPrinter()) {
    HalfPointScale half;
    RECT doubled{half(line.left), half(line.top), half(line.right), half(line.bottom)};
    FrameRect(dc, &doubled, brush);
    return;
  }
  FrameRegionWith(dc, &line, brush);
}

RECT HLineRect(int32_t x, int32_t y, int32_t length) {
  return length >= 0 ? RECT{x, y, x + length + 1, y + 1} : RECT{x + length, y, x + 1, y + 1};
}

RECT VLineRect(int32_t x, int32_t y, int32_t length) {
  return length >= 0 ? RECT{x, y, x + 1, y + length + 1} : RECT{x, y + length, x + 1, y + 1};
}

}  // namespace

void RectFillColour(const RECT* rect, int32_t index) {
  HDC dc = DrawDC(rect);
  if (!dc) return;
  HBRUSH brush = CreateSolidBrush(PaletteColour(index));
  if (!brush) return;
  FillRect(dc, rect, brush);
  DeleteObject(brush);
}

void RectFillFramed(const RECT* rect, int32_t width, int32_t index) {
  if (width < 0) {
    RectFillColour(rect, index);
    return;
  }
  HDC dc = DrawDC(rect);
  if (!dc) return;
  HPEN pen = ForePen(width);
  HBRUSH brush = CreateSolidBrush(PaletteColour(index));
  if (pen && brush) RectangleWith(dc, rect, pen, brush);
  if (pen) DeleteObject(pen);
  if (brush) DeleteObject(brush);
}

void RectErase(const RECT* rect) {
  HDC dc = DrawDC(rect);
  if (!dc || !Gfx.port->backBrush) return;
  FillRect(dc, rect, Gfx.port->backBrush);
}

void FrameOrErase(const RECT* rect, int32_t width) {
  if (width < 0) {
    RectErase(rect);
    return;
  }
  HDC dc = DrawDC(rect);
  if (!dc) return;
  HPEN pen = ForePen(width);
  if (!pen) return;
  RectangleWith(dc, rect, pen, Gfx.port->backBrush ? Gfx.port->backBrush : HollowBrush());
  DeleteObject(pen);
}

void RectInvert(const RECT* rect) {
  HDC dc = DrawDC(rect);
  if (dc) InvertRect(dc, rect);
}

void RectFrame(const RECT* rect) {
  HDC dc = DrawDC(rect);
  if (!dc) return;
  HalfPointScale half;
  RECT scaled{half(rect->left), half(rect->top), half(rect->right), half(rect->bottom)};
  RectangleWith(dc, &scaled, nullptr, HollowBrush());
}

void FrameRectWidth(const RECT* rect, int32_t width) {
  if (width < 0) return;
  if (width <= 1) {
    RectFrame(rect);
    return;
  }
  HDC dc = DrawDC(rect);
  if (!dc) return;
  HPEN pen = ForePen(width);
  if (!pen) return;
  RectangleWith(dc, rect, pen, HollowBrush());
  DeleteObject(pen);
}

void EdgeTopLeft(const RECT* rect) {
  if (RectIsEmpty(rect)) return;
  DrawHLine(rect->left, rect->top, rect->right - rect->left - 1);
  DrawVLine(rect->left, rect->top, rect->bottom - rect->top - 1);
}

void EdgeBottomRight(const RECT* rect) {
  if (RectIsEmpty(rect)) return;
  DrawHLine(rect->left, rect->bottom - 1, rect->right - rect->left - 1);
  DrawVLine(rect->right - 1, rect->top, rect->bottom - rect->top - 1);
}

void EllipseIndex(const RECT* rect, int32_t width) {
  HDC dc = DrawDC(rect);
  if (!dc) return;
  HPEN pen =
      width < 0 ? CreatePen(PS_INSIDEFRAME, 1, PaletteColour(Gfx.backColour)) : ForePen(width);
  if (!pen) return;
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, Gfx.port->backBrush ? Gfx.port->backBrush : HollowBrush());
  Ellipse(dc, rect->left, rect->top, rect->right, rect->bottom);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(pen);
}

void RoundedRectOutline(const RECT* rect, int32_t radius) {
  HDC dc = DrawDC(rect);
  if (!dc) return;
  HGDIOBJ oldBrush = SelectObject(dc, HollowBrush());
  RoundRect(dc, rect->left, rect->top, rect->right, rect->bottom, radius, radius);
  SelectObject(dc, oldBrush);
}

void PolygonDraw(const POINT* points, int32_t n) {
  HDC dc = PortDC();
  if (dc && points && n > 1) Polygon(dc, points, n);
}

void ScrollRect(const RECT* rect, int32_t dx, int32_t dy) {
  HDC dc = DrawDC(rect);
  if (!dc) return;
  // Only the part that stays inside the rectangle moves.
  RECT source = *rect;
  if (dx > 0)
    source.right -= dx;
  else
    source.left -= dx;
  if (dy > 0)
    source.bottom -= dy;
  else
    source.top -= dy;
  if (RectIsEmpty(&source)) return;
  ScrollDC(dc, dx, dy, &source, rect, nullptr, nullptr);
}

// --- Lines -----------------------------------------------------------------------------------

void DrawHLine(int32_t x, int32_t y, int32_t length) {
  HDC dc = PortDC();
  if (!dc) return;
  HalfPointScale half;
  int32_t end = length >= 0 ? x + length + 1 : x + length - 1;
  MoveToEx(dc, half(x), half(y), nullptr);
  LineTo(dc, half(end), half(y));
}

void DrawVLine(int32_t x, int32_t y, int32_t length) {
  HDC dc = PortDC();
  if (!dc) return;
  HalfPointScale half;
  int32_t end = length >= 0 ? y + length + 1 : y + length - 1;
  MoveToEx(dc, half(x), half(y), nullptr);
  LineTo(dc, half(x), half(end));
}

void DrawDottedHLine(int32_t x, int32_t y, int32_t length) {
  PatternLine(HLineRect(x, y, length), DottedBrush());
}

void DrawDottedVLine(int32_t x, int32_t y, int32_t length) {
  PatternLine(VLineRect(x, y, length), DottedBrush());
}

void DrawDashedHLine(int32_t x, int32_t y, int32_t length) {
  PatternLine(HLineRect(x, y, length), DashedBrush());
}

void RectFrameDotted(const RECT* rect) {
  HDC dc = DrawDC(rect);
  if (dc && DottedBrush()) FrameRegionWith(dc, rect, DottedBrush());
}

void RectFrameDottedXor(const RECT* rect) {
  HDC dc = DrawDC(rect);
  if (!dc || !DottedBrush()) return;
  // With black text and white background colours the pattern's set bits invert and its clear
  // bits leave the pixel: an exclusive or, so the same call undoes it.
  COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
  COLORREF oldBack = SetBkColor(dc, RGB(255, 255, 255));
  SetBrushOrgEx(dc, Gfx.patternX, Gfx.patternY, nullptr);
  HGDIOBJ oldBrush = SelectObject(dc, DottedBrush());
  int32_t width = rect->right - rect->left;
  int32_t height = rect->bottom - rect->top;
  PatBlt(dc, rect->left, rect->top, width, 1, PATINVERT);
  if (height > 1) PatBlt(dc, rect->left, rect->bottom - 1, width, 1, PATINVERT);
  if (height > 2) {
    PatBlt(dc, rect->left, rect->top + 1, 1, height - 2, PATINVERT);
    if (width > 1) PatBlt(dc, rect->right - 1, rect->top + 1, 1, height - 2, PATINVERT);
  }
  SelectObject(dc, oldBrush);
  SetTextColor(dc, oldText);
  SetBkColor(dc, oldBack);
}

void PointOnCircle(POINT* out, POINT centre, int32_t radius, double angle) {
  out->x = centre.x + static_cast<LONG>(std::floor(std::cos(angle) * radius + 0.5));
  out->y = centre.y - static_cast<LONG>(std::floor(std::sin(angle) * radius + 0.5));
}

// --- Point lists -----------------------------------------------------------------------------

namespace {

constexpr int32_t kPointListFirstBytes = 512;
constexpr int32_t kPointListStep = 64;

bool PointListRoom(PointList* list) {
  if (!list->points) return false;
  if (list->count < list->capacity) return true;
  if (AbortRequested()) return false;
  void* block = list->points;
  int64_t bytes = static_cast<int64_t>(list->capacity + kPointListStep) * sizeof(PathPoint);
  if (!MemResize(&block, bytes, list->headroom)) return false;
  list->points = static_cast<PathPoint*>(block);
  list->capacity += kPointListStep;
  return true;
}

}  // namespace

PointList::~PointList() { PointListFree(this); }

void PointListInit(PointList* list, int32_t headroomClass) {
  PointListFree(list);
  list->headroom = headroomClass;
  list->points = static_cast<PathPoint*>(MemAlloc(kPointListFirstBytes, headroomClass));
  list->capacity =
      list->points ? kPointListFirstBytes / static_cast<int32_t>(sizeof(PathPoint)) : 0;
  PointListReset(list);
}

void PointListFree(PointList* list) {
  MemFree(list->points);
  list->points = nullptr;
  list->count = 0;
  list->capacity = 0;
}

void PointListReset(PointList* list) {
  if (!list->points) {
    list->count = 0;
    return;
  }
  list->points[0] = PathPoint{0, 0, false};
  list->count = 1;
}

void PointListOffset(PointList* list, int32_t dx, int32_t dy) {
  for (int32_t i = 0; i < list->count; ++i) {
    list->points[i].x += dx;
    list->points[i].y += dy;
  }
}

void PointListMoveTo(PointList* list, int32_t x, int32_t y) {
  if (list->count == 0) return;
  PointListOffset(list, x - list->points[0].x, y - list->points[0].y);
}

void PointListLineBy(PointList* list, int32_t dx, int32_t dy) {
  if (list->count == 0 || !PointListRoom(list)) return;
  const PathPoint& last = list->points[list->count - 1];
  list->points[list->count] = PathPoint{last.x + dx, last.y + dy, false};
  ++list->count;
}

void PointListMoveBy(PointList* list, int32_t dx, int32_t dy) {
  if (list->count == 0 || (dx == 0 && dy == 0)) return;
  PathPoint& last = list->points[list->count - 1];
  if (last.strokeStart) {
    last.x += dx;
    last.y += dy;
    return;
  }
  // Growing may move the block: take the point before it does.
  PathPoint start{last.x + dx, last.y + dy, true};
  if (!PointListRoom(list)) return;
  list->points[list->count] = start;
  ++list->count;
}

void PointListDraw(const PointList* list) {
  HDC dc = PortDC();
  if (!dc || list->count == 0) return;
  const PathPoint* p = list->points;
  MoveToEx(dc, p[0].x, p[0].y, nullptr);
  bool drawn = false;  // the current stroke has a line whose last pixel is still open
  for (int32_t i = 1; i < list->count; ++i) {
    if (p[i].strokeStart) {
      if (drawn) LineTo(dc, p[i - 1].x + 1, p[i - 1].y);
      MoveToEx(dc, p[i].x, p[i].y, nullptr);
      drawn = false;
    } else {
      LineTo(dc, p[i].x, p[i].y);
      drawn = true;
    }
  }
  if (drawn) LineTo(dc, p[list->count - 1].x + 1, p[list->count - 1].y);
}
