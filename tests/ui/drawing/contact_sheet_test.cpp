// Draws every picture of the program and the control parts in each colour look into two bitmap
// files in the working folder (drawing_pictures.bmp, drawing_looks.bmp), which the build turns
// into PNG contact sheets for a person to look at. The checks here only make sure that each
// picture drew something.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/bitmap_cache.h"
#include "core/memory.h"
#include "tests/ui/picture_file.h"
#include "ui/aa_drawing.h"
#include "ui/control_parts.h"
#include "ui/draw_primitives.h"
#include "ui/graphics_port.h"
#include "ui/look_tables.h"
#include "ui/pictures.h"
#include "ui/text_layout.h"

namespace {

// A 24-bit bottom-up Windows bitmap of the port's pixels.
void SaveSheet(HDC dc, int32_t width, int32_t height, const char* path) {
  uint32_t* pixels = PixelsRead(dc, 0, 0, width, height);
  ASSERT_NE(pixels, nullptr);
  bool written = WritePixelsAsBitmap(pixels, width, height, path);
  MemFree(pixels);
  ASSERT_TRUE(written);
}

class Sheet : public ::testing::Test {
 protected:
  void Open(int32_t width, int32_t height) {
    AaStartup();
    PaletteReset();
    Gfx.foreColour = kColourBlack;
    Gfx.backColour = kColourButtonFace;
    Gfx.style = TextStyleStandard;
    PortInitRegions(&port);
    RECT rect{0, 0, width, height};
    ASSERT_TRUE(PortOpenOffscreen(&port, &bitmap, &rect));
    this->width = width;
    this->height = height;
  }
  void TearDown() override {
    if (port.dc) PortClose(&port);
    PortFreeRegions(&port);
    OffscreenFree(&bitmap);
    LookOverride(-1);
  }
  void Label(int32_t x, int32_t y, const std::string& text) {
    RECT r{x, y, x + 60, y + 12};
    Gfx.style.size = 9;
    PortApplyFont();
    TextDrawInRect(&r, text.c_str(), nullptr);
    Gfx.style.size = 11;
    PortApplyFont();
  }

  GraphicsPort port;
  OffscreenBitmap bitmap;
  int32_t width = 0;
  int32_t height = 0;
};

TEST_F(Sheet, EveryPicture) {
  std::vector<int32_t> ids;
  for (int32_t id = 1; id < 2000; ++id) {
    if (FindResourceA(nullptr, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(14)))
      ids.push_back(id);  // icon groups
  }
  for (int32_t id = 3800; id <= 3852; ++id) {
    if (id < 3811 || id > 3813) {
      if (id != 3821) ids.push_back(id);
    }
  }
  for (int32_t id = 2000; id < 7000; ++id) {
    if ((id < 3800 || id > 3999) &&
        FindResourceA(nullptr, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2))) {
      ids.push_back(id);
    }
  }
  std::vector<int32_t> cursors;
  for (int32_t id = 1; id < 7000; ++id) {
    if (FindResourceA(nullptr, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(12))) cursors.push_back(id);
  }
  EXPECT_GE(ids.size(), 70u);
  EXPECT_EQ(cursors.size(), 6u);

  Open(720, 560);
  int32_t x = 4, y = 4, rowHeight = 0;
  auto place = [&](int32_t w, int32_t h) {
    if (x + w > width - 4) {
      x = 4;
      y += rowHeight + 16;
      rowHeight = 0;
    }
    if (h > rowHeight) rowHeight = h;
  };
  for (int32_t id : ids) {
    RECT r = PictureGetRect(id);
    int32_t w = r.right > 40 ? r.right : 40;
    place(w + 4, r.bottom);
    OffsetRect(&r, x + (w - r.right) / 2, y);
    // Every picture is drawn with its own origin, as elements draw in their own coordinates.
    PortSetOrigin(r.left, r.top);
    RECT local{0, 0, r.right - r.left, r.bottom - r.top};
    PictureDraw(&local, id);
    PortSetOrigin(0, 0);
    Label(x, y + r.bottom - r.top + 1, std::to_string(id));
    x += w + 4;
  }
  for (int32_t id : cursors) {
    place(44, 32);
    HCURSOR cursor = LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
    EXPECT_NE(cursor, nullptr) << id;
    DrawIconEx(port.dc, x + 4, y, cursor, 32, 32, 0, nullptr, DI_NORMAL);
    Label(x, y + 33, "c" + std::to_string(id));
    x += 44;
  }
  x = 4;
  y += rowHeight + 20;
  for (int32_t strip : {100, 101, 110, 111}) {
    HBITMAP bitmap = BitmapGetCached(strip);
    ASSERT_NE(bitmap, nullptr) << strip;
    BITMAP info;
    GetObjectW(bitmap, sizeof(info), &info);
    RECT r{x, y, x + info.bmWidth, y + info.bmHeight};
    DrawBitmapInRect(&r, bitmap);
    Label(x, y + info.bmHeight + 1, "strip " + std::to_string(strip));
    x += info.bmWidth + 12;
  }
  SaveSheet(port.dc, width, height, "drawing_pictures.bmp");
}

TEST_F(Sheet, ControlPartsInEachLook) {
  Open(760, 3 * 150 + 10);
  for (int32_t look = 0; look < 3; ++look) {
    LookOverride(look);
    int32_t top = 6 + look * 150;
    Label(4, top, look == 0 ? "blue" : look == 1 ? "olive" : "silver");
    for (int32_t state = 0; state <= 4; ++state) {
      RECT face{60 + state * 64, top + 4, 60 + state * 64 + 54, top + 26};
      PaintButtonFace(&face, state, false);
      PaintFrameByState(&face, state);
      RECT side{60 + state * 64, top + 32, 60 + state * 64 + 54, top + 50};
      PaintButtonFace(&side, state, true);
    }
    for (int32_t kind = 0; kind < 4; ++kind) {
      for (int32_t mark = 0; mark < 4; ++mark) {
        RECT box{400 + mark * 20, top + 4 + kind * 20, 400 + mark * 20 + 16,
                 top + 4 + kind * 20 + 16};
        PaintCheckBox(&box, kind, mark);
      }
      RECT small{490, top + 6 + kind * 20, 501, top + 6 + kind * 20 + 11};
      PaintCheckBox(&small, kind, 1);
    }
    for (int32_t state = 0; state < 4; ++state) {
      for (int32_t direction = 0; direction < 4; ++direction) {
        int32_t bx = 520 + direction * 20;
        int32_t by = top + 4 + state * 20;
        RECT button{bx, by, bx + 17, by + 17};
        PaintScrollButton(&button, state, direction);
      }
      RECT track{610 + state * 20, top + 4, 610 + state * 20 + 17, top + 80};
      PaintScrollTrack(&track, state);
      RECT thumb{610 + state * 20, top + 30, 610 + state * 20 + 17, top + 60};
      PaintScrollThumb(&thumb, state, true);
      RECT grip{610 + state * 20, top + 30, 610 + state * 20 + 17, top + 60};
      PaintGrip(&grip, state, true);
    }
    RECT gutter{700, top + 4, 717, top + 80};
    PaintScrollGutter(&gutter, true);
    RECT across{60, top + 60, 330, top + 77};
    PaintScrollGutter(&across, false);
    RECT thumbAcross{120, top + 60, 200, top + 77};
    PaintScrollThumb(&thumbAcross, 3, false);
    for (int32_t state = 0; state <= 5; ++state) {
      RECT tab{64 + state * 60, top + 100, 64 + state * 60 + 50, top + 118};
      PaintTab(&tab, "Tab", state == 5 ? 1 : state);
      PaintTabHighlight(&tab, state);
    }
    RECT base{60, top + 118, 420, top + 140};
    PaintTabBaseLine(&base);
    PortSetForeIndex(21);
    RECT ellipse{440, top + 96, 470, top + 126};
    AaEllipse(&ellipse);
    RECT thick{480, top + 96, 510, top + 126};
    AaEllipseWidth(&thick, 3);
    DrawLineSmooth(520, top + 96, 40, 30);
    AaThickLine(570, top + 96, 30, 30, 2, 2);
    RECT gradient{610, top + 96, 660, top + 126};
    AaGradientAngle(&gradient, 0xFF2F5F9F, 0xFFFFFFFF, 45);
    PortSetForeIndex(10);
    for (int32_t direction = 0; direction < 4; ++direction) {
      RECT arrow{670 + direction * 20, top + 100, 670 + direction * 20 + 11, top + 111};
      AaArrow(&arrow, direction == 3 ? 1 : 0, direction);
    }
  }
  LookOverride(-1);
  // Something was painted in the middle of a normal button of each look.
  for (int32_t look = 0; look < 3; ++look) {
    uint32_t* p = PixelsRead(port.dc, 87, 6 + look * 150 + 15, 1, 1);
    ASSERT_NE(p, nullptr);
    EXPECT_NE(p[0], 0xC0C0C0u);
    MemFree(p);
  }
  SaveSheet(port.dc, width, height, "drawing_looks.bmp");
}

}  // namespace
