#pragma once
// Page 1 of a window's print-out, drawn through the window's print phases on a white printable
// area of a given size in a memory bitmap, as a picture a test can look at or a contact sheet
// can hold.
#include <windows.h>

#include "tests/ui/window_picture.h"
#include "ui/graphics_port.h"
#include "ui/printing.h"
#include "ui/window.h"

namespace ui_test {

inline Picture PrintedPage(T_Window* window, int32_t width, int32_t height) {
  Picture picture;
  picture.width = width;
  picture.height = height;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  PatBlt(dc, 0, 0, width, height, WHITENESS);
  PrintPhase phase;
  phase.phase = kPrintBegin;
  window->Print(&phase);
  phase.phase = kPrintCountPages;
  phase.printable = RECT{0, 0, width, height};
  phase.paper = RECT{-14, -14, width + 14, height + 14};
  window->Print(&phase);
  GraphicsPort port;
  PortInitRegions(&port);
  if (PortOpenDC(&port, window->native.handle, dc, width, height)) {
    phase.phase = kPrintPage;
    phase.page = 1;
    window->Print(&phase);
    PortClose(&port);
  }
  PortFreeRegions(&port);
  phase.phase = kPrintEnd;
  window->Print(&phase);
  uint32_t* pixels = PixelsRead(dc, 0, 0, width, height);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  if (pixels) {
    picture.pixels.assign(pixels, pixels + static_cast<size_t>(width) * height);
    MemFree(pixels);
  }
  return picture;
}

}  // namespace ui_test
