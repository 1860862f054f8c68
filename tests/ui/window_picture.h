#pragma once
// A window as the toolkit paints it, captured into a memory bitmap that starts black (a bare X
// display may not hand back a window's pixels), saved as a Windows bitmap a person can look at,
// and checked for having drawn something in a rectangle.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/memory.h"
#include "tests/ui/picture_file.h"
#include "ui/element_paint.h"
#include "ui/graphics_port.h"
#include "ui/window.h"

namespace ui_test {

struct Picture {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;  // 0x00RRGGBB, top row first
};

inline Picture Capture(T_Window* window) {
  Picture picture;
  picture.width = window->width;
  picture.height = window->height;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, picture.width, picture.height);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  PatBlt(dc, 0, 0, picture.width, picture.height, BLACKNESS);
  GraphicsPort port;
  PortInitRegions(&port);
  if (PortOpenDC(&port, window->native.handle, dc, picture.width, picture.height)) {
    GrafElement_PaintTree(window, true, nullptr);
    PortClose(&port);
  }
  PortFreeRegions(&port);
  uint32_t* pixels = PixelsRead(dc, 0, 0, picture.width, picture.height);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  if (pixels) {
    picture.pixels.assign(pixels, pixels + static_cast<size_t>(picture.width) * picture.height);
    MemFree(pixels);
  }
  return picture;
}

// A 24-bit bottom-up Windows bitmap.
inline void Save(const Picture& picture, const char* path) {
  ASSERT_TRUE(WritePixelsAsBitmap(picture.pixels.data(), picture.width, picture.height, path));
}

// Pixels darker (or, with dark false, lighter) than a middle grey inside a rectangle; a region
// nobody painted stays black and fails the count of light ones.
inline int32_t Pixels(const Picture& picture, RECT area, bool dark) {
  int32_t count = 0;
  for (int32_t y = area.top; y < area.bottom && y < picture.height; ++y) {
    for (int32_t x = area.left; x < area.right && x < picture.width; ++x) {
      uint32_t p = picture.pixels[static_cast<size_t>(y) * picture.width + x];
      if ((((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF) < 3 * 96) == dark) ++count;
    }
  }
  return count;
}

// Drawn: some dark pixels (text, lines) on a mostly light face.
inline void ExpectDrawn(const Picture& picture, RECT area, int32_t minimumDark) {
  int32_t size = (area.right - area.left) * (area.bottom - area.top);
  EXPECT_GT(Pixels(picture, area, true), minimumDark) << area.left << "," << area.top;
  EXPECT_GT(Pixels(picture, area, false), size / 2) << area.left << "," << area.top;
}

// Pictures laid out in cells on one sheet, read left to right and top to bottom, each cut to its
// cell less a 4-pixel margin on a dark grey ground, saved as one bitmap.
struct ContactSheet {
  ContactSheet(int32_t columnCount, int32_t rowCount, int32_t width, int32_t height)
      : columns(columnCount),
        rows(rowCount),
        cellWidth(width),
        cellHeight(height),
        pixels(static_cast<size_t>(columnCount) * width * rowCount * height, 0x404040) {}
  void Place(const Picture& picture, int32_t slot) {
    const int32_t sheetWidth = columns * cellWidth;
    const int32_t ox = (slot % columns) * cellWidth;
    const int32_t oy = (slot / columns) * cellHeight;
    if (slot < 0 || slot >= columns * rows) return;
    for (int32_t y = 0; y < picture.height && y < cellHeight - 4; ++y)
      for (int32_t x = 0; x < picture.width && x < cellWidth - 4; ++x)
        pixels[static_cast<size_t>(oy + y) * sheetWidth + ox + x] =
            picture.pixels[static_cast<size_t>(y) * picture.width + x];
  }
  bool Save(const char* path) const {
    return WritePixelsAsBitmap(pixels.data(), columns * cellWidth, rows * cellHeight, path);
  }
  int32_t columns, rows, cellWidth, cellHeight;
  std::vector<uint32_t> pixels;
};

}  // namespace ui_test
