#pragma once
// An offscreen port of 60 x 40 (a fixture may ask for another size) on a white background, black on white in the standard text
// style: the outermost port of a drawing test, so pixels can be read back at chosen points.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>

#include "core/memory.h"
#include "ui/aa_drawing.h"
#include "ui/graphics_port.h"
#include "ui/text_style.h"

class OffscreenPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AaStartup();
    PaletteReset();
    Gfx.foreColour = kColourBlack;
    Gfx.backColour = kColourWhite;
    Gfx.style = TextStyleStandard;
    PortInitRegions(&port);
    RECT rect = PortRect();
    ASSERT_TRUE(PortOpenOffscreen(&port, &bitmap, &rect));
  }
  void TearDown() override {
    if (port.dc) PortClose(&port);
    PortFreeRegions(&port);
    OffscreenFree(&bitmap);
  }
  virtual RECT PortRect() const { return RECT{0, 0, 60, 40}; }
  // 0x00RRGGBB in bitmap coordinates, whatever the port's origin.
  uint32_t PixelRgb(int32_t x, int32_t y) {
    POINT origin;
    SetViewportOrgEx(port.dc, 0, 0, &origin);
    uint32_t* p = PixelsRead(port.dc, x, y, 1, 1);
    SetViewportOrgEx(port.dc, origin.x, origin.y, nullptr);
    uint32_t value = p ? p[0] : 0xDEADBEEF;
    MemFree(p);
    return value;
  }

  GraphicsPort port;
  OffscreenBitmap bitmap;
};
