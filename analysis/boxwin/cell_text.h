#pragma once
// How a grid draws the text of one cell or one column title in the room it has. A number is drawn
// whole or, when it does not fit, as a row of '#' filling the room, so a reader never takes a cut
// number for a smaller one; other text is cut at the room's right edge; a title that does not fit
// ends in an ellipsis. The room stops a few pixels before the next column, so neighbouring cells
// never run together. The stored cell text stays whole: only the drawing changes.
//
// User-interface thread only; draws on the current port in its current style and colours.
#include <windows.h>

#include <cstdint>

// Pixels kept free at a cell's right edge. Adjust Column Widths adds 4 to the widest text, so a
// fitted column always holds its widest number whole.
constexpr int32_t kCellGap = 3;

// Keeps the port's clip within a rectangle (and the clip it had) for the life of the object.
class CellClip {
 public:
  explicit CellClip(const RECT* cell);
  ~CellClip();
  CellClip(const CellClip&) = delete;
  CellClip& operator=(const CellClip&) = delete;

 private:
  HRGN saved_;
};

// Text that reads as a number: digits with a sign, separators, brackets, a per cent or an
// exponent, or an infinity ("+inf", "-inf"); blanks around it are allowed.
bool CellTextIsNumber(const char* text);
// The room of a cell's text: the text rectangle less the gap at the cell's right edge.
RECT CellTextRoom(const RECT* text, const RECT* cell);
// Draws a cell's text in its room, clipped to the room.
void DrawCellText(const RECT* room, const char* text);
// Draws a column title in its rectangle: as it stands when it fits (wrapped where the style
// wraps), else the plain title on one line cut with an ellipsis.
void DrawTitleText(const RECT* rect, const char* plain);
// Whether the text fits the rectangle in the current style (wrapped where the style wraps).
bool TextFitsRect(const RECT* rect, const char* text);
