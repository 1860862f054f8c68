#include "ui/item_drawing.h"

#include <cstdlib>
#include <cstring>

#include "core/localized_text.h"
#include "ui/aa_drawing.h"
#include "ui/draw_primitives.h"
#include "ui/graphics_port.h"
#include "ui/pictures.h"
#include "ui/text_layout.h"

namespace {

// The names are fixed texts: entries 23 to 30 follow the system, but HTML gets one name.
const char* const kColourNames[31] = {
    "white",   "#EAEAEA", "#E0E0E0", "#D0D0D0", "#C0C0C0", "#A0A0A0", "gray",     "#606060",
    "#404040", "#202020", "black",   "brown",   "orange",  "red",     "pink",     "magenta",
    "violet",  "yellow",  "#40FF40", "green",   "cyan",    "blue",    "darkblue", "gray",
    "black",   "black",   "white",   "white",   "#E0E0E0", "gray",    "white",
};

// Steps needed to cover n pixels with steps of step pixels, times step.
int32_t WholeSteps(int32_t n, int32_t step) { return (n + step - 1) / step * step; }

// One axis of FitRectInBoundsStepped: [low, high) into [min, max).
void FitAxis(LONG* low, LONG* high, LONG min, LONG max, int32_t step, bool keepLow) {
  if (!keepLow) {
    if (*high > max) {
      int32_t move = WholeSteps(*high - max, step);
      *low -= move;
      *high -= move;
    }
    if (*low < min) {
      int32_t move = WholeSteps(min - *low, step);
      *low += move;
      *high += move;
    }
  }
  if (*high > max) {
    *high -= WholeSteps(*high - max, step);
    if (*high < *low) *high = *low;
  }
}

}  // namespace

const char* PaletteColourName(int32_t index) {
  return index >= 0 && index <= 30 ? kColourNames[index] : nullptr;
}

// --- Drawing routines
// -----------------------------------------------------------------------------

void DrawArrowTriangle(int32_t x, int32_t y, int32_t s, int32_t direction) {
  POINT points[3];
  points[0] = POINT{x, y};
  switch (direction) {
    case kArrowLeft:
      points[1] = POINT{x + s, y - s};
      points[2] = POINT{x + s, y + s};
      break;
    case kArrowRight:
      points[1] = POINT{x - s, y - s};
      points[2] = POINT{x - s, y + s};
      break;
    case kArrowUp:
      points[1] = POINT{x - s, y + s};
      points[2] = POINT{x + s, y + s};
      break;
    default:
      points[1] = POINT{x - s, y - s};
      points[2] = POINT{x + s, y - s};
      break;
  }
  PolygonDraw(points, 3);
}

void DrawArrow3D(int32_t x, int32_t y, int32_t s, int32_t direction, bool enabled) {
  if (enabled) {
    T_ForeIndex fore(kColourBlack);
    DrawArrowTriangle(x, y, s, direction);
    return;
  }
  T_ForeIndex fore(kColourWhite);
  DrawArrowTriangle(x + 1, y + 1, s, direction);
  fore.Set(6);
  DrawArrowTriangle(x, y, s, direction);
}

void DrawEtchedHLine(int32_t x, int32_t y, int32_t length) {
  T_ForeIndex fore(29);
  DrawHLine(x, y, length);
  fore.Set(30);
  DrawHLine(x + 1, y + 1, length);
}

void DrawEtchedVLine(int32_t x, int32_t y, int32_t length) {
  T_ForeIndex fore(29);
  DrawVLine(x, y, length);
  fore.Set(30);
  DrawVLine(x + 1, y + 1, length);
}

void DrawEtchedHLineAcross(const RECT* rect) {
  if (RectIsEmpty(rect)) return;
  DrawEtchedHLine(rect->left, (rect->top + rect->bottom) / 2, rect->right - rect->left - 1);
}

void DrawTextEtched(const RECT* rect, const char* text, bool enabled) {
  if (!text) return;
  if (enabled) {
    TextDrawInRect(rect, text, nullptr);
    return;
  }
  RECT moved = *rect;
  OffsetRect(&moved, 1, 1);
  T_ForeIndex fore(30);
  TextDrawInRect(&moved, text, nullptr);
  fore.Set(29);
  TextDrawInRect(rect, text, nullptr);
}

void TextDrawInRectIfAny(const RECT* rect, const char* text) {
  if (text) TextDrawInRect(rect, text, nullptr);
}

void TextDrawIdInRect(const RECT* rect, int32_t textId) {
  TextDrawInRectIfAny(rect, GetString(textId));
}

void DrawTextIdEtched(const RECT* rect, int32_t textId, bool enabled) {
  DrawTextEtched(rect, GetString(textId), enabled);
}

void DrawBevelFrame(const RECT* rect, int32_t colourA, int32_t colourB) {
  if (RectIsEmpty(rect)) return;
  RECT corner{rect->right - 1, rect->top, rect->right, rect->top + 1};
  RectErase(&corner);
  corner = RECT{rect->left, rect->bottom - 1, rect->left + 1, rect->bottom};
  RectErase(&corner);
  RECT inner{rect->left, rect->top, rect->right - 1, rect->bottom - 1};
  T_ForeIndex fore(colourA);
  EdgeTopLeft(&inner);
  OffsetRect(&inner, 1, 1);
  fore.Set(colourB);
  EdgeBottomRight(&inner);
}

void DrawSunkenFrame(const RECT* rect) {
  if (RectIsEmpty(rect)) return;
  RECT r = *rect;
  T_ForeIndex fore(30);
  EdgeBottomRight(&r);
  fore.Set(29);
  EdgeTopLeft(&r);
  RectInflate(&r, -1);
  fore.Set(4);
  EdgeBottomRight(&r);
  fore.Set(kColourBlack);
  EdgeTopLeft(&r);
}

void DrawRaisedFrame(const RECT* rect, bool pressed) {
  if (RectIsEmpty(rect)) return;
  int32_t savedBack = Gfx.backColour;
  PortSetBackIndex(kColourButtonFace);
  RectFillColour(rect, kColourButtonFace);
  if (pressed) {
    T_ForeIndex fore(29);
    RectFrame(rect);
  } else {
    T_ForeIndex fore(kColourBlack);
    EdgeBottomRight(rect);
    RECT inner = *rect;
    inner.right -= 1;
    inner.bottom -= 1;
    fore.Set(30);
    EdgeTopLeft(&inner);
    RectInflate(&inner, -1);
    inner.left -= 1;
    inner.top -= 1;
    fore.Set(29);
    EdgeBottomRight(&inner);
  }
  PortSetBackIndex(savedBack);
}

void DrawProgressBar(const RECT* rect, int32_t filledWidth) {
  if (RectIsEmpty(rect)) return;
  RectFrame(rect);
  RECT inside = *rect;
  RectInflate(&inside, -1);
  if (filledWidth < 0) filledWidth = 0;
  int32_t split = inside.left + filledWidth;
  if (split > inside.right) split = inside.right;
  RECT done{inside.left, inside.top, split, inside.bottom};
  RECT rest{split, inside.top, inside.right, inside.bottom};
  RectFillColour(&rest, 24);
  RectFillColour(&done, 23);
}

void DrawCheckMark(int32_t x, int32_t y) {
  DrawVLine(x - 1, y + 3, -4);
  DrawVLine(x, y + 3, -4);
  DrawLineSmooth(x, y + 2, 4, -4);
  DrawLineSmooth(x, y + 3, 4, -4);
}

void DrawPictureInLine(PictureLine* line, int32_t pictureId) {
  RECT picture = PictureGetRect(pictureId);
  int32_t width = picture.right - picture.left;
  int32_t height = picture.bottom - picture.top;
  // An odd remainder goes below the picture.
  int32_t top = line->top + (line->bottom - line->top - height) / 2;
  RECT at{line->x, top, line->x + width, top + height};
  if (width > 0 && height > 0) PictureDraw(&at, pictureId);
  line->x = at.right + 2;
}

TextMeasure TextSizeInStyle(const TextStyle* style, const char* text) {
  TextMeasure size{0, 0};
  if (!text || !*text) return size;
  GraphicsPort port;
  PortInitRegions(&port);
  if (PortOpenElement(&port, nullptr, nullptr)) {
    Gfx.style = *style;
    PortApplyStyle();
    size.width = TextWidth(text);
    size.height = TextExtent(text, static_cast<int32_t>(strlen(text))).height;
    PortClose(&port);
  }
  PortFreeRegions(&port);
  return size;
}

int32_t TextWidthInStyle(const TextStyle* style, const char* text) {
  return TextSizeInStyle(style, text).width;
}

void TextFitRectInStyle(const TextStyle* style, RECT* rect, const char* text) {
  GraphicsPort port;
  PortInitRegions(&port);
  if (PortOpenElement(&port, nullptr, nullptr)) {
    Gfx.style = *style;
    PortApplyStyle();
    TextFitRect(rect, text ? text : "");
    PortClose(&port);
  }
  PortFreeRegions(&port);
}

// --- Rectangle operations
// -------------------------------------------------------------------------

void FitRectInBounds(RECT* rect, const RECT* bounds) {
  FitRectInBoundsStepped(rect, bounds, 1, 1, false);
}

void FitRectInBoundsStepped(RECT* rect, const RECT* bounds, int32_t stepX, int32_t stepY,
                            bool keepTop) {
  FitAxis(&rect->left, &rect->right, bounds->left, bounds->right, stepX < 1 ? 1 : stepX, false);
  FitAxis(&rect->top, &rect->bottom, bounds->top, bounds->bottom, stepY < 1 ? 1 : stepY, keepTop);
}

void ClampPointToRect(POINT* point, const RECT* rect) {
  if (point->x < rect->left) point->x = rect->left;
  if (point->x > rect->right) point->x = rect->right;
  if (point->y < rect->top) point->y = rect->top;
  if (point->y > rect->bottom) point->y = rect->bottom;
}

int32_t PointDistance(POINT a, POINT b) { return std::abs(a.x - b.x) + std::abs(a.y - b.y); }
