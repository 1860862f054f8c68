#pragma once
// The legend both function windows lay over their grid's title row in the chart view: one entry
// per curve column, a swatch 17 x 12 in the variable's colour and, 19 pixels right of the entry's
// left, the column title with its links.
//
// Screen layout: available width W = item width - 6; entries of width w = title width + 18
// stand on one line from x 3 when the overflow stays below 6 per entry (taken out of the gaps),
// else they wrap in rows 13 pixels apart, x rounded up to multiples of 16. The item is 21 high,
// or the last row's top + 14. Printing lays the entries out across the printed width with its own
// rule (30 pixels apart, multiples of 32 when wrapping).
//
// User-interface thread only.
#include <windows.h>

#include <cstdint>

class T_GrafElement;

constexpr int32_t kLegendSwatchWidth = 17;
constexpr int32_t kLegendSwatchHeight = 12;
constexpr int32_t kLegendTitleOffset = 19;

// Entry rectangles for titles of the given widths; the item's height. widths and rects hold n.
int32_t FuncLegendLayout(const int32_t* widths, int32_t n, int32_t itemWidth, RECT* rects);
int32_t FuncLegendPrintLayout(const int32_t* widths, int32_t n, int32_t printWidth, RECT* rects);

// The rectangle of an entry's title text (links are drawn and hit there).
RECT FuncLegendTitleRect(const RECT& entry);
// Draws one entry on the element's port: the swatch framed so that it shows on white, the title
// with its links (hoveredLink as LinkText_Draw takes it), underlined when hot.
void DrawFuncLegendEntry(T_GrafElement* element, const RECT& entry, int32_t colour,
                         const char* title, int32_t hoveredLink, bool hot);
