#pragma once
// Multi-line text: breaking into lines (hard breaks or word wrap), alignment, drawing in styled
// runs, hit testing and caret placement. The layout itself is pure: it measures through a
// TextMeasurer, so it runs without a device. Positions are byte offsets into UTF-8 text and
// always fall on character starts. User-interface thread only for the drawing forms.
#include <windows.h>

#include <cstdint>

#include "ui/text_style.h"

constexpr int32_t kLayoutMaxLines = 1000;

struct TextLine {
  int32_t start;  // byte offset of the line in the text
  int32_t count;  // bytes of the line (without its line break)
  int32_t width;
  int32_t height;
};

// A work record of one layout; large (16 KB of lines), meant for the stack of one call.
struct TextLayoutRecord {
  int32_t lineCount;
  TextLine lines[kLayoutMaxLines];
  RECT rect;
  const char* text;
  int32_t length;
  uint16_t flags;
  int32_t top;          // top of the first line after vertical alignment
  int32_t totalHeight;  // of all lines
  int32_t widest;
  int32_t blankWidths[16];  // extents of runs of 1..15 blanks; -1 until measured
  TextMeasurer measurer;
};

// A run of a text with links: a sorted list of nodes from a head at 0 to a sentinel at
// 2147483647; each node's style bits (mask 7) and colour index hold up to the next node.
struct TextSpan {
  TextSpan* next;
  int32_t start;
  uint16_t flags;
  uint16_t colour;
};

// Lays n bytes out in the rectangle with the style's flags and line height. Nothing is laid out
// (0 lines) when the rectangle is less than 5 wide. At most 1000 lines: the first ones.
void TextLayout(TextLayoutRecord* layout, const char* text, int32_t n, const RECT* rect,
                uint16_t flags, int32_t lineHeight, const TextMeasurer* measurer);
// The x of a line's left end and the top of a line.
int32_t TextLayoutLineX(const TextLayoutRecord* layout, int32_t line);
int32_t TextLayoutLineTop(const TextLayoutRecord* layout, int32_t line);
// -2 above the rectangle, -1 below it; else the byte index under the point (-2 left of the
// first line, -1 beyond the end of the last line).
int32_t TextLayoutHitTest(const TextLayoutRecord* layout, POINT point);
// Where a caret before the byte is drawn (index -2: the start, -1: the end).
POINT TextLayoutCaretPoint(const TextLayoutRecord* layout, int32_t index);

// The same on the current port in the current style.
void TextFitRect(RECT* rect, const char* text);
int32_t TextHitTest(const RECT* rect, const char* text, POINT point);
void TextCaretPoint(POINT* point, const RECT* rect, const char* text, int32_t index);

// Drawing in the current style, colours and font. Spans may be null.
void TextDrawLine(const RECT* rect, const char* text, const TextSpan* spans);
// One line from the rectangle's left; a text wider than the rectangle ends in an ellipsis at its
// right edge instead of being cut off there.
void TextDrawLineFitting(const RECT* rect, const char* text);
void TextDrawLines(const RECT* rect, const char* text, const TextSpan* spans);
void TextDrawInRect(const RECT* rect, const char* text, const TextSpan* spans);
void DrawTextRuns(int32_t x, int32_t y, const RECT* clip, const char* text, int32_t start,
                  int32_t length, const TextSpan* spans);
