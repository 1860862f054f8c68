#pragma once
// What the standard items share for drawing and placing: the HTML names of the palette entries,
// the small three-dimensional drawing routines, text helpers, and rectangle operations used to
// place popups.
//
// Every drawing routine acts on the current graphics port with palette indices and restores the
// port's foreground (and background) index it changed. User-interface thread only; the
// rectangle operations and PaletteColourName are pure.
#include <windows.h>

#include <cstdint>

#include "ui/text_style.h"

// --- Palette names ------------------------------------------------------------------------------

// The HTML colour name written for a palette entry 0..30; null for any other index. A fixed
// text: entry 27 (the control face) is written "white" whatever the system colour is.
const char* PaletteColourName(int32_t index);

// --- Drawing routines ---------------------------------------------------------------------------

constexpr int32_t kArrowLeft = 0;
constexpr int32_t kArrowRight = 1;
constexpr int32_t kArrowUp = 2;
constexpr int32_t kArrowDown = 3;

// A filled triangle with its tip at (x, y) and a base 2 s long, s away from the tip.
void DrawArrowTriangle(int32_t x, int32_t y, int32_t s, int32_t direction);
// Black when enabled; embossed grey (white shadow one pixel down and right) when disabled.
void DrawArrow3D(int32_t x, int32_t y, int32_t s, int32_t direction, bool enabled);
// length as for DrawHLine: a shadow line in 29 and a light one in 30 moved by (1, 1).
void DrawEtchedHLine(int32_t x, int32_t y, int32_t length);
void DrawEtchedVLine(int32_t x, int32_t y, int32_t length);
// An etched line across the rectangle at its vertical middle.
void DrawEtchedHLineAcross(const RECT* rect);
// The text as it stands when enabled, else embossed (30 moved by (1, 1), then 29).
void DrawTextEtched(const RECT* rect, const char* text, bool enabled);
void TextDrawInRectIfAny(const RECT* rect, const char* text);
void TextDrawIdInRect(const RECT* rect, int32_t textId);
void DrawTextIdEtched(const RECT* rect, int32_t textId, bool enabled);
// Top and left edges in a, bottom and right edges in b one pixel further, corners open.
void DrawBevelFrame(const RECT* rect, int32_t colourA, int32_t colourB);
// Two rings: 29 / 30 outside, 10 / 4 inside (top-left / bottom-right).
void DrawSunkenFrame(const RECT* rect);
// A button face in 27 with raised edges, or flat and outlined in 29 when pressed.
void DrawRaisedFrame(const RECT* rect, bool pressed);
// An outline in the foreground colour; inside, the first filledWidth pixels in 23 and the rest
// in 24.
void DrawProgressBar(const RECT* rect, int32_t filledWidth);
// A small check mark whose corner lies near (x, y + 3).
void DrawCheckMark(int32_t x, int32_t y);

// A line of text with pictures: x is where the next piece goes.
struct PictureLine {
  int32_t x;
  int32_t top;
  int32_t bottom;
};
// The picture with its left at line->x, centred in the line (an odd remainder below it); x
// moves past it plus 2.
void DrawPictureInLine(PictureLine* line, int32_t pictureId);

// Width (as TextWidth) and height of a text in a style (a measuring port is opened for the
// call); 0, 0 for a null or empty text.
TextMeasure TextSizeInStyle(const TextStyle* style, const char* text);
int32_t TextWidthInStyle(const TextStyle* style, const char* text);
// TextFitRect in a style: the rectangle fitted to the laid-out text.
void TextFitRectInStyle(const TextStyle* style, RECT* rect, const char* text);

// --- Rectangle operations (pure) -----------------------------------------------------------------

// Moved left by what sticks out right, then right by what sticks out left, then cut at the
// right edge; the same vertically. A rectangle larger than the bounds ends at their left/top.
void FitRectInBounds(RECT* rect, const RECT* bounds);
// The same with every move and cut enlarged to a whole multiple of the step (a step below 1
// counts as 1); keepTop leaves the top where it is and only cuts the height in whole steps.
void FitRectInBoundsStepped(RECT* rect, const RECT* bounds, int32_t stepX, int32_t stepY,
                            bool keepTop);
// Each coordinate outside the closed rectangle is set to the nearer edge.
void ClampPointToRect(POINT* point, const RECT* rect);
// |ax - bx| + |ay - by|.
int32_t PointDistance(POINT a, POINT b);
