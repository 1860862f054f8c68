#include "ui/control_parts.h"

#include "core/bitmap_cache.h"
#include "ui/aa_drawing.h"
#include "ui/draw_primitives.h"
#include "ui/graphics_port.h"
#include "ui/look_tables.h"
#include "ui/pictures.h"
#include "ui/regions.h"
#include "ui/text_layout.h"

namespace {

constexpr int32_t kCheckStrip = 101;
constexpr int32_t kCheckCell = 14;
constexpr int32_t kMarkCell = 9;

RECT Inset(const RECT* rect, int32_t n) {
  RECT r = *rect;
  RectInflate(&r, -n);
  return r;
}

// The text as it stands, or embossed (light copy one pixel down and right, then the shadow
// colour) for a disabled look.
void DrawCaptionEtched(const RECT* rect, const char* text, bool enabled) {
  if (enabled) {
    TextDrawInRect(rect, text, nullptr);
    return;
  }
  int32_t fore = Gfx.foreColour;
  RECT moved = *rect;
  OffsetRect(&moved, 1, 1);
  PortSetForeIndex(30);
  TextDrawInRect(&moved, text, nullptr);
  PortSetForeIndex(29);
  TextDrawInRect(rect, text, nullptr);
  PortSetForeIndex(fore);
}

void Stroke(const POINT* points, int32_t n, int32_t colour, int32_t dx) {
  PointList list;
  PointListInit(&list, 0);
  PointListMoveTo(&list, points[0].x + dx, points[0].y);
  for (int32_t i = 1; i < n; ++i) {
    const PathPoint& last = list.points[list.count - 1];
    PointListLineBy(&list, points[i].x + dx - last.x, points[i].y - last.y);
  }
  PortSetForeIndex(colour);
  PointListDraw(&list);
}

}  // namespace

void PaintTwoToneGradient(const RECT* rect, bool horizontal, const uint32_t colours[4],
                          int32_t offset) {
  if (RectIsEmpty(rect)) return;
  RECT first = *rect;
  RECT second = *rect;
  if (horizontal) {
    int32_t split = (rect->left + rect->right) / 2 + offset;
    first.right = split;
    second.left = split;
    AaGradientH(&first, colours[0], colours[1]);
    AaGradientH(&second, colours[2], colours[3]);
  } else {
    int32_t split = (rect->top + rect->bottom) / 2 + offset;
    first.bottom = split;
    second.top = split;
    AaGradientV(&first, colours[0], colours[1]);
    AaGradientV(&second, colours[2], colours[3]);
  }
}

void PaintFaceGradient(const RECT* rect, bool pressed) {
  if (pressed) {
    AaGradientH(rect, 0xFFFEFEFB, 0xFFF2F0EB);
  } else {
    AaGradientV(rect, 0xFFFEFEFB, 0xFFF0F0EB);
  }
}

void PaintButtonFace(const RECT* rect, int32_t state, bool horizontal) {
  if (RectIsEmpty(rect)) return;
  RECT inner = Inset(rect, 1);
  const StateColours* set = StateColoursOf(state);
  if (state == 1) {
    RectFillColour(&inner, 4);
  } else if (state == 2) {
    AaFillRect(&inner, set->colour[1]);
  } else if (state == 3) {
    if (horizontal) {
      AaGradientH(&inner, set->colour[0], set->colour[3]);
    } else {
      AaGradientV(&inner, set->colour[0], set->colour[3]);
    }
  } else {
    PaintTwoToneGradient(&inner, horizontal, set->colour, 2);
  }
  AaRoundRect(&inner, 2, 1, set->colour[kStateFrame]);
  HDC dc = PortDC();
  if (dc) {
    HBRUSH brush = CreateSolidBrush(RGB(0xF7, 0xF7, 0xF3));
    if (brush) {
      FrameRect(dc, rect, brush);
      DeleteObject(brush);
    }
  }
  AaRoundRect(rect, 2, 1, 0xFFFFFFFF);
}

void PaintFrameByState(const RECT* rect, int32_t state) {
  RECT outer = *rect;
  RectInflate(&outer, 1);
  if (state == 2 || state == 4) {
    static const uint32_t kRings[3] = {0xFF3C7FB1, 0xFF34D5FD, 0xFFA6E9FB};
    for (int32_t i = 0; i < 3; ++i) {
      RECT ring = Inset(&outer, i);
      AaRoundRect(&ring, 3 - i, 1, kRings[i]);
    }
    return;
  }
  uint32_t colour = state == 1 ? 0xFFC0C0C0 : state == 3 ? 0xFF3C7FB1 : 0xFF707070;
  AaRoundRect(&outer, 3, 1, colour);
  AaRoundRect(rect, 3, 1, 0xFFFFFFFF);
}

void PaintCheckBox(const RECT* rect, int32_t kind, int32_t mark) {
  if (RectIsEmpty(rect) || !Gfx.port) return;
  const LookColours* look = LookColoursOf(CurrentLook());
  HBITMAP strip = BitmapGetCached(kCheckStrip);
  OffscreenBitmap offscreen;
  if (strip &&
      OffscreenCreate(&offscreen, rect->right - rect->left - 2, rect->bottom - rect->top - 2)) {
    int32_t x = kind * kCheckCell;
    int32_t y = CurrentLook() * kCheckCell;
    RECT cell{x, y, x + kCheckCell, y + kCheckCell};
    FillRect(offscreen.dc, &offscreen.rect, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    BitmapBlit(&offscreen, 0, 0, strip, &cell);
    SoftenEdges(&offscreen);
    if (mark > 0) {
      int32_t markY = rect->right - rect->left < 12 ? 52 : 42;
      RECT markCell{10 * mark, markY, 10 * mark + kMarkCell, markY + kMarkCell};
      COLORREF colour = kind == 1 ? RGB(0xC9, 0xC9, 0xC2) : ArgbToColour(look->colour[kLookMark]);
      BitmapTint(&offscreen, (offscreen.rect.right - kMarkCell) / 2,
                 (offscreen.rect.bottom - kMarkCell) / 2, strip, &markCell, colour);
    }
    OffscreenBlitTo(&offscreen, rect->left + 1, rect->top + 1);
    OffscreenFree(&offscreen);
  }
  AaRoundRect(rect, 2, 1, kind == 1 ? 0xFFC9C9C2 : look->colour[kLookFrame]);
}

void TabShapePoints(const RECT* rect, int32_t state, POINT points[6]) {
  int32_t wider = state == 2 || state == 3 ? 2 : 0;
  int32_t left = rect->left - wider;
  int32_t right = rect->right - 1 + wider;
  int32_t top = rect->top;
  int32_t bottom = rect->bottom - 1;
  points[0] = POINT{left, bottom};
  points[1] = POINT{left, top + 2};
  points[2] = POINT{left + 2, top};
  points[3] = POINT{right - 2, top};
  points[4] = POINT{right, top + 2};
  points[5] = POINT{right, bottom};
}

void PaintTab(const RECT* rect, const char* caption, int32_t state) {
  if (RectIsEmpty(rect) || !Gfx.port) return;
  int32_t oldFore = Gfx.foreColour;
  int32_t oldBack = Gfx.backColour;
  uint16_t oldAlign = Gfx.style.flags & kStyleAlignMask;
  if (state == 0) {
    PortSetForeIndex(6);
    PortSetBackIndex(4);
  } else {
    PortSetForeIndex(10);
    if (state == 4) PortSetBackIndex(7);
  }
  POINT points[6];
  TabShapePoints(rect, state, points);
  // The polygon region leaves out its right and bottom edges; the outline covers them.
  Region shape;
  RgnSetPolygon(&shape, points, 6);
  RgnErase(&shape);
  RgnFree(&shape);
  if (caption && caption[0]) {
    TextSetAlign(kStyleCentre | kStyleMiddle);
    if (state == 4) PortSetForeIndex(0);
    DrawCaptionEtched(rect, caption, state != 0);
  }
  Stroke(points, 4, 0, 0);       // light edge: up the left slant and along the top
  Stroke(points + 3, 3, 6, -1);  // shadow inside the right slant
  Stroke(points + 3, 3, 10, 0);  // dark edge down the right slant
  TextSetAlign(oldAlign);
  Gfx.backColour = oldBack;
  PortApplyBackColour();
  PortSetForeIndex(oldFore);
}

void PaintTabHighlight(const RECT* rect, int32_t state) {
  if (RectIsEmpty(rect)) return;
  int32_t oldFore = Gfx.foreColour;
  POINT points[6];
  TabShapePoints(rect, state, points);
  Stroke(points, 6, 29, 0);
  PortSetForeIndex(oldFore);
  if (state >= 2 && state <= 5 && state != 4) {
    RECT first{points[2].x - 1, rect->top + 1, points[3].x + 2, rect->top + 2};
    RECT second{points[2].x - 2, rect->top + 2, points[3].x + 3, rect->top + 3};
    AaFillRect(&first, 0xFFE6812C);
    AaFillRect(&second, 0xFFFFC83C);
  }
}

void PaintTabBaseLine(const RECT* rect) {
  if (RectIsEmpty(rect)) return;
  int32_t oldFore = Gfx.foreColour;
  PortSetForeIndex(6);
  int32_t height = rect->bottom - rect->top - 1;
  DrawVLine(rect->left, rect->top, height);
  DrawHLine(rect->left, rect->top, rect->right - rect->left - 1);
  DrawVLine(rect->right - 1, rect->top, height);
  PortSetForeIndex(oldFore);
}

void PaintScrollTrack(const RECT* rect, int32_t state) {
  // A bar taller than wide is vertical: its colours change across it, from left to right.
  bool horizontal = rect->bottom - rect->top > rect->right - rect->left;
  PaintTwoToneGradient(rect, horizontal, ScrollTrackColoursOf(state)->colour, state == 2 ? 0 : -1);
}

void PaintScrollGutter(const RECT* rect, bool vertical) {
  const LookColours* look = LookColoursOf(CurrentLook());
  int32_t offset = vertical ? look->gutterOffsetVertical : look->gutterOffsetHorizontal;
  PaintTwoToneGradient(rect, vertical, look->colour + kLookGutter, offset);
}

void PaintScrollFace(const RECT* rect, int32_t state, bool vertical) {
  PaintTwoToneGradient(rect, vertical, StateColoursOf(state)->colour, 0);
}

void PaintScrollFrame(const RECT* rect, int32_t state) {
  RECT inner = Inset(rect, 1);
  AaRectOutline(&inner, ColourToArgb(PaletteColour(2)));
  AaRoundRect(rect, 2, 1, StateColoursOf(state)->colour[kStateFrame]);
}

void PaintScrollButton(const RECT* rect, int32_t state, int32_t direction) {
  if (RectIsEmpty(rect)) return;
  bool vertical = direction <= 1;
  RECT inner = *rect;
  if (vertical) {
    inner.top += 1;
    inner.right -= 2;
  } else {
    inner.left += 1;
    inner.bottom -= 2;
  }
  int32_t colours = state == 1 ? 4 : state;
  PaintScrollGutter(rect, vertical);
  RECT face = Inset(&inner, 2);
  PaintScrollFace(&face, colours, vertical);
  AaArrow(&inner, state, direction);
  PaintScrollFrame(&inner, colours);
}

void PaintScrollThumb(const RECT* rect, int32_t state, bool vertical) {
  RECT thumb = *rect;
  if (vertical) {
    thumb.top -= 1;
  } else {
    thumb.left -= 1;
  }
  RECT face = Inset(&thumb, 2);
  PaintScrollFace(&face, state, vertical);
  PaintScrollFrame(&thumb, state);
}

void PaintGrip(const RECT* rect, int32_t state, bool vertical) {
  if (RectIsEmpty(rect)) return;
  const StateColours* set = StateColoursOf(state);
  int32_t cx = (rect->left + rect->right) / 2;
  int32_t cy = (rect->top + rect->bottom) / 2;
  RECT square{cx - 5, cy - 5, cx + 5, cy + 5};
  AaFillRect(&square, set->colour[1]);
  // Three pairs of short lines across the bar: a dark line (palette 8 for the first pair, then
  // the set's frame colour) with a light line one pixel after it.
  for (int32_t i = -1; i <= 1; ++i) {
    int32_t at = (vertical ? cy : cx) + 3 * i - 1;
    uint32_t dark = i == -1 ? ColourToArgb(PaletteColour(8)) : set->colour[kStateFrame];
    RECT line = vertical ? RECT{cx - 2, at, cx + 3, at + 1} : RECT{at, cy - 2, at + 1, cy + 3};
    RECT light = line;
    OffsetRect(&light, vertical ? 0 : 1, vertical ? 1 : 0);
    AaFillRect(&line, dark);
    AaFillRect(&light, 0xFFFFFFFF);
  }
}
