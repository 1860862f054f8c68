// The function windows' legend: layout on screen and in print, and the drawing of an entry.
#include "analysis/components/function_legend.h"

#include <algorithm>

#include "ui/draw_primitives.h"
#include "ui/graphics_port.h"
#include "ui/link_display.h"

namespace {

constexpr int32_t kRowPitch = 13;
constexpr int32_t kColourLink = 21;

}  // namespace

int32_t FuncLegendLayout(const int32_t* widths, int32_t n, int32_t itemWidth, RECT* rects) {
  const int32_t w = itemWidth - 6;
  bool wrap = false;
  int32_t overflow = 0;
  int32_t x = 0;
  for (int32_t i = 0; i < n && !wrap; ++i) {
    const int32_t entry = widths[i] + 18;
    const int32_t over = x + entry - w + 14;
    if (over >= 6 * n) wrap = true;
    overflow = std::max(overflow, over);
    x += entry + 12;
  }
  int32_t y;
  if (!wrap) {
    y = 4;
    x = 3;
    int32_t remaining = std::max(overflow, 0);
    for (int32_t i = 0; i < n; ++i) {
      const int32_t entry = widths[i] + 18;
      rects[i] = RECT{x + 3, y, x + entry + 5, y + 12};
      int32_t gap = 12;
      if (remaining > 0 && i + 1 < n) {
        const int32_t left = n - i - 1;
        const int32_t cut = (remaining + left - 1) / left;
        gap -= cut;
        remaining -= cut;
      }
      x += entry + gap;
    }
  } else {
    y = 1;
    x = 0;
    bool firstRow = true;
    for (int32_t i = 0; i < n; ++i) {
      const int32_t entry = widths[i] + 18;
      const int32_t limit = firstRow ? w - 14 : w;
      if (x > 0 && x + entry + 18 >= limit) {
        y += kRowPitch;
        x = 0;
        firstRow = false;
      }
      rects[i] = RECT{x + 3, y, x + entry + 5, y + 12};
      x = (x + entry + 22 + 15) & ~15;
    }
  }
  return y < 10 ? 21 : y + 14;
}

int32_t FuncLegendPrintLayout(const int32_t* widths, int32_t n, int32_t printWidth, RECT* rects) {
  const int32_t w = printWidth - 14;
  bool wrap = false;
  int32_t x = 0;
  for (int32_t i = 0; i < n && !wrap; ++i) {
    if (x + widths[i] + 18 >= w) wrap = true;
    x += widths[i] + 30;
  }
  int32_t y = 1;
  x = 0;
  for (int32_t i = 0; i < n; ++i) {
    const int32_t tw = widths[i];
    if (x > 0 && x + tw + 18 >= w) {
      y += kRowPitch;
      x = 0;
    }
    rects[i] = RECT{x + 10, y, x + tw + 32, y + 12};
    x = wrap ? ((x + tw + 56) & ~31) : x + tw + 30;
  }
  return n ? y + 14 : 15;
}

RECT FuncLegendTitleRect(const RECT& entry) {
  return RECT{entry.left + kLegendTitleOffset, entry.top, entry.right + 40, entry.bottom};
}

void DrawFuncLegendEntry(T_GrafElement* element, const RECT& entry, int32_t colour,
                         const char* title, int32_t hoveredLink, bool hot) {
  RECT swatch{entry.left, entry.top, entry.left + kLegendSwatchWidth,
              entry.top + kLegendSwatchHeight};
  RectFillColour(&swatch, colour);
  PortSetForeIndex(ColourVisibleOnBack(colour) ? colour : kColourBlack);
  RectFrame(&swatch);
  PortSetForeIndex(kColourBlack);
  const RECT text = FuncLegendTitleRect(entry);
  LinkText_Draw(element, &text, title, hoveredLink);
  if (hot) {
    RECT under{text.left, entry.bottom - 1, entry.right, entry.bottom};
    RectFillColour(&under, kColourLink);
  }
}
