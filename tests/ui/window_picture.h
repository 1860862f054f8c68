#pragma once
// A window as the toolkit paints it, read back into pixels and written as a bitmap file, so that
// a person can look at what a test drew.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <vector>

#include "core/memory.h"
#include "tests/ui/picture_file.h"
#include "ui/element_paint.h"
#include "ui/graphics_port.h"
#include "ui/window.h"

struct Picture {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;  // 0x00RRGGBB, top row first
};

// The window as the toolkit paints it, into a memory bitmap that starts black (a bare X display
// may not hand back a window's pixels).
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
