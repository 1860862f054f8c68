#include "ui/aa_drawing.h"

// WIN32_LEAN_AND_MEAN leaves out the COM declarations that GDI+ needs.
#include <objidl.h>
//
#include <gdiplus.h>

#include "ui/draw_primitives.h"
#include "ui/graphics_port.h"

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace {

ULONG_PTR gdiplusToken = 0;

// A GDI+ graphics object on the current port, or null when the GDI forms must be used.
struct AaGraphics {
  GpGraphics* graphics = nullptr;

  AaGraphics() {
    if (!Gfx.port || Gfx.port->kind == kPortPrinter) return;
    if (GdipCreateFromHDC(Gfx.port->dc, &graphics) != Ok) {
      graphics = nullptr;
      return;
    }
    GdipSetSmoothingMode(graphics, SmoothingModeAntiAlias);
  }
  ~AaGraphics() {
    if (graphics) GdipDeleteGraphics(graphics);
  }
  AaGraphics(const AaGraphics&) = delete;
  AaGraphics& operator=(const AaGraphics&) = delete;
};

uint32_t ForeArgb() { return ColourToArgb(PaletteColour(Gfx.foreColour)); }

void StrokeRect(GpGraphics* graphics, uint32_t argb, float width, float x, float y, float w,
                float h) {
  GpPen* pen = nullptr;
  if (GdipCreatePen1(argb, width, UnitPixel, &pen) != Ok) return;
  GdipDrawRectangle(graphics, pen, x, y, w, h);
  GdipDeletePen(pen);
}

void FillWithBrush(GpGraphics* graphics, GpBrush* brush, const RECT* rect) {
  GdipFillRectangleI(graphics, brush, rect->left, rect->top, rect->right - rect->left,
                     rect->bottom - rect->top);
  GdipDeleteBrush(brush);
}

// GDI forms ------------------------------------------------------------------------------------

struct GdiPen {
  HDC dc;
  HPEN pen;
  HGDIOBJ oldPen;
  HGDIOBJ oldBrush;
  GdiPen(COLORREF colour, int32_t width) : dc(PortDC()) {
    pen = CreatePen(PS_INSIDEFRAME, width < 1 ? 1 : width, colour);
    oldPen = dc && pen ? SelectObject(dc, pen) : nullptr;
    oldBrush = dc ? SelectObject(dc, HollowBrush()) : nullptr;
  }
  ~GdiPen() {
    if (oldPen) SelectObject(dc, oldPen);
    if (oldBrush) SelectObject(dc, oldBrush);
    if (pen) DeleteObject(pen);
  }
};

void GdiGradient(const RECT* rect, uint32_t from, uint32_t to, bool horizontal) {
  HDC dc = PortDC();
  if (!dc) return;
  TRIVERTEX vertices[2];
  vertices[0].x = rect->left;
  vertices[0].y = rect->top;
  vertices[0].Red = static_cast<COLOR16>(((from >> 16) & 0xFF) << 8);
  vertices[0].Green = static_cast<COLOR16>(((from >> 8) & 0xFF) << 8);
  vertices[0].Blue = static_cast<COLOR16>((from & 0xFF) << 8);
  vertices[0].Alpha = 0;
  vertices[1].x = rect->right;
  vertices[1].y = rect->bottom;
  vertices[1].Red = static_cast<COLOR16>(((to >> 16) & 0xFF) << 8);
  vertices[1].Green = static_cast<COLOR16>(((to >> 8) & 0xFF) << 8);
  vertices[1].Blue = static_cast<COLOR16>((to & 0xFF) << 8);
  vertices[1].Alpha = 0;
  GRADIENT_RECT mesh{0, 1};
  GradientFill(dc, vertices, 2, &mesh, 1, horizontal ? GRADIENT_FILL_RECT_H : GRADIENT_FILL_RECT_V);
}

void GdiLine(int32_t x, int32_t y, int32_t dx, int32_t dy) {
  HDC dc = PortDC();
  if (!dc) return;
  MoveToEx(dc, x, y, nullptr);
  LineTo(dc, x + dx, y + dy);
  LineTo(dc, x + dx + 1, y + dy);  // the last pixel too
}

}  // namespace

COLORREF ArgbToColour(uint32_t argb) {
  return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

bool AaStartup() {
  if (gdiplusToken) return true;
  GdiplusStartupInput input;
  if (GdiplusStartup(&gdiplusToken, &input, nullptr) != Ok) {
    gdiplusToken = 0;
    return false;
  }
  return true;
}

void AaShutdown() {
  if (gdiplusToken) GdiplusShutdown(gdiplusToken);
  gdiplusToken = 0;
}

void AaEllipse(const RECT* rect) { AaEllipseWidth(rect, 1); }

void AaEllipseWidth(const RECT* rect, int32_t width) {
  if (RectIsEmpty(rect)) return;
  if (width < 1) width = 1;
  AaGraphics aa;
  if (!aa.graphics) {
    GdiPen pen(PaletteColour(Gfx.foreColour), width);
    if (pen.dc) Ellipse(pen.dc, rect->left, rect->top, rect->right, rect->bottom);
    return;
  }
  GpPen* pen = nullptr;
  if (GdipCreatePen1(ForeArgb(), static_cast<REAL>(width), UnitPixel, &pen) != Ok) return;
  float inset = (width - 1) / 2.0f;
  GdipDrawEllipse(aa.graphics, pen, rect->left + inset, rect->top + inset,
                  rect->right - rect->left - 1 - 2 * inset,
                  rect->bottom - rect->top - 1 - 2 * inset);
  GdipDeletePen(pen);
}

void AaRectOutline(const RECT* rect, uint32_t argb) {
  if (RectIsEmpty(rect)) return;
  AaGraphics aa;
  if (!aa.graphics) {
    GdiPen pen(ArgbToColour(argb), 1);
    if (pen.dc) Rectangle(pen.dc, rect->left, rect->top, rect->right, rect->bottom);
    return;
  }
  StrokeRect(aa.graphics, argb, 1, static_cast<REAL>(rect->left), static_cast<REAL>(rect->top),
             static_cast<REAL>(rect->right - rect->left - 1),
             static_cast<REAL>(rect->bottom - rect->top - 1));
}

void AaRoundRect(const RECT* rect, int32_t radius, int32_t width, uint32_t argb) {
  if (RectIsEmpty(rect)) return;
  if (width < 1) width = 1;
  AaGraphics aa;
  if (!aa.graphics || radius <= 0) {
    if (aa.graphics) {
      StrokeRect(aa.graphics, argb, static_cast<REAL>(width), static_cast<REAL>(rect->left),
                 static_cast<REAL>(rect->top), static_cast<REAL>(rect->right - rect->left - 1),
                 static_cast<REAL>(rect->bottom - rect->top - 1));
      return;
    }
    GdiPen pen(ArgbToColour(argb), width);
    if (pen.dc)
      RoundRect(pen.dc, rect->left, rect->top, rect->right, rect->bottom, 2 * radius, 2 * radius);
    return;
  }
  REAL l = static_cast<REAL>(rect->left);
  REAL t = static_cast<REAL>(rect->top);
  REAL r = static_cast<REAL>(rect->right - 1);
  REAL b = static_cast<REAL>(rect->bottom - 1);
  REAL d = static_cast<REAL>(2 * radius);
  GpPath* path = nullptr;
  if (GdipCreatePath(FillModeAlternate, &path) != Ok) return;
  GdipAddPathLine(path, l + radius, t, r - radius - 1, t);
  GdipAddPathArc(path, r - d, t, d, d, -90, 90);
  GdipAddPathArc(path, r - d, b - d, d, d, 0, 90);
  GdipAddPathArc(path, l, b - d, d, d, 90, 90);
  GdipAddPathArc(path, l, t, d, d, 180, 90);
  GdipClosePathFigure(path);
  GpPen* pen = nullptr;
  if (GdipCreatePen1(argb, static_cast<REAL>(width), UnitPixel, &pen) == Ok) {
    GdipDrawPath(aa.graphics, pen, path);
    GdipDeletePen(pen);
  }
  GdipDeletePath(path);
}

void AaFillRect(const RECT* rect, uint32_t argb) {
  if (RectIsEmpty(rect)) return;
  AaGraphics aa;
  if (!aa.graphics) {
    HDC dc = PortDC();
    HBRUSH brush = dc ? CreateSolidBrush(ArgbToColour(argb)) : nullptr;
    if (brush) {
      FillRect(dc, rect, brush);
      DeleteObject(brush);
    }
    return;
  }
  GpSolidFill* brush = nullptr;
  if (GdipCreateSolidFill(argb, &brush) == Ok) FillWithBrush(aa.graphics, brush, rect);
}

void AaGradientH(const RECT* rect, uint32_t from, uint32_t to) {
  if (RectIsEmpty(rect)) return;
  AaGraphics aa;
  if (!aa.graphics) {
    GdiGradient(rect, from, to, true);
    return;
  }
  GpPoint start{rect->left - 1, rect->top};
  GpPoint end{rect->right, rect->top};
  GpLineGradient* brush = nullptr;
  if (GdipCreateLineBrushI(&start, &end, from, to, WrapModeTileFlipXY, &brush) == Ok) {
    FillWithBrush(aa.graphics, brush, rect);
  }
}

void AaGradientV(const RECT* rect, uint32_t from, uint32_t to) {
  if (RectIsEmpty(rect)) return;
  AaGraphics aa;
  if (!aa.graphics) {
    GdiGradient(rect, from, to, false);
    return;
  }
  GpPoint start{rect->left, rect->top - 1};
  GpPoint end{rect->left, rect->bottom};
  GpLineGradient* brush = nullptr;
  if (GdipCreateLineBrushI(&start, &end, from, to, WrapModeTileFlipXY, &brush) == Ok) {
    FillWithBrush(aa.graphics, brush, rect);
  }
}

void AaGradientAngle(const RECT* rect, uint32_t from, uint32_t to, float angle) {
  if (RectIsEmpty(rect)) return;
  AaGraphics aa;
  if (!aa.graphics) {
    GdiGradient(rect, from, to, false);
    return;
  }
  GpRect area{rect->left - 1, rect->top - 1, rect->right - rect->left + 1,
              rect->bottom - rect->top + 1};
  GpLineGradient* brush = nullptr;
  if (GdipCreateLineBrushFromRectWithAngleI(&area, from, to, angle, TRUE, WrapModeTileFlipXY,
                                            &brush) == Ok) {
    FillWithBrush(aa.graphics, brush, rect);
  }
}

void AaLine(POINT a, POINT b) { DrawLineSmooth(a.x, a.y, b.x - a.x, b.y - a.y); }

void DrawLineSmooth(int32_t x, int32_t y, int32_t dx, int32_t dy) {
  AaGraphics aa;
  if (!aa.graphics) {
    GdiLine(x, y, dx, dy);
    return;
  }
  GpPen* pen = nullptr;
  if (GdipCreatePen1(ForeArgb(), 1, UnitPixel, &pen) != Ok) return;
  GdipDrawLineI(aa.graphics, pen, x, y, x + dx, y + dy);
  GdipDeletePen(pen);
}

void AaThickLine(int32_t x, int32_t y, int32_t dx, int32_t dy, int32_t penWidth,
                 int32_t penHeight) {
  if (penWidth < 1) penWidth = 1;
  if (penHeight < 1) penHeight = 1;
  AaGraphics aa;
  GpPen* pen = nullptr;
  if (aa.graphics && GdipCreatePen1(ForeArgb(), 1, UnitPixel, &pen) != Ok) return;
  for (int32_t i = 0; i < penWidth; ++i) {
    for (int32_t j = 0; j < penHeight; ++j) {
      if (pen) {
        GdipDrawLineI(aa.graphics, pen, x + i, y + j, x + i + dx, y + j + dy);
      } else {
        GdiLine(x + i, y + j, dx, dy);
      }
    }
  }
  if (pen) GdipDeletePen(pen);
}

void AaArrowPoints(const RECT* rect, int32_t direction, POINT points[3]) {
  int32_t width = rect->right - rect->left;
  int32_t height = rect->bottom - rect->top;
  int32_t cx = rect->left + width / 2 + (width < 12 ? 1 : 0);
  int32_t cy = rect->top + height / 2;
  int32_t smaller = width < height ? width : height;
  int32_t s = smaller / 4;
  if (s < 2) s = 2;
  if (s > 5) s = 5;
  int32_t half = s / 2;  // the triangle's depth is s, centred on the middle
  switch (direction) {
    case 0:  // up
      points[0] = POINT{cx, cy - half - 1};
      points[1] = POINT{cx + s, cy - half + s - 1};
      points[2] = POINT{cx - s, cy - half + s - 1};
      break;
    case 1:  // down
      points[0] = POINT{cx, cy + half};
      points[1] = POINT{cx - s, cy + half - s};
      points[2] = POINT{cx + s, cy + half - s};
      break;
    case 2:  // left
      points[0] = POINT{cx - half - 1, cy};
      points[1] = POINT{cx - half + s - 1, cy - s};
      points[2] = POINT{cx - half + s - 1, cy + s};
      break;
    default:  // right
      points[0] = POINT{cx + half, cy};
      points[1] = POINT{cx + half - s, cy + s};
      points[2] = POINT{cx + half - s, cy - s};
      break;
  }
}

void AaArrow(const RECT* rect, int32_t state, int32_t direction) {
  if (RectIsEmpty(rect)) return;
  POINT points[3];
  AaArrowPoints(rect, direction, points);
  uint32_t dark = state == 1 ? 0xFF808080 : 0xFF000000;
  AaGraphics aa;
  if (!aa.graphics) {
    HDC dc = PortDC();
    if (!dc) return;
    HBRUSH brush = CreateSolidBrush(ArgbToColour(dark));
    HPEN pen = CreatePen(PS_SOLID, 1, ArgbToColour(dark));
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    Polygon(dc, points, 3);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(brush);
    DeleteObject(pen);
    return;
  }
  GpPoint corners[3] = {
      {points[0].x, points[0].y}, {points[1].x, points[1].y}, {points[2].x, points[2].y}};
  int32_t left = points[0].x, top = points[0].y, right = left, bottom = top;
  for (const POINT& p : points) {
    if (p.x < left) left = p.x;
    if (p.x > right) right = p.x;
    if (p.y < top) top = p.y;
    if (p.y > bottom) bottom = p.y;
  }
  GpRect area{left, top, right - left + 1, bottom - top + 1};
  GpLineGradient* brush = nullptr;
  if (GdipCreateLineBrushFromRectWithAngleI(&area, dark, 0xFFFFFFFF, 45, TRUE, WrapModeTileFlipXY,
                                            &brush) == Ok) {
    GdipFillPolygonI(aa.graphics, brush, corners, 3, FillModeAlternate);
    GdipDeleteBrush(brush);
  }
  GpPen* pen = nullptr;
  if (GdipCreatePen1(0xFFFFFFFF, 1, UnitPixel, &pen) == Ok) {
    GdipDrawPolygonI(aa.graphics, pen, corners, 3);
    GdipDeletePen(pen);
  }
}
