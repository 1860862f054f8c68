// Drawing into offscreen ports and reading pixels back. The checks are coarse (which colour
// where), since Wine and Windows rasterise edges differently.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/memory.h"
#include "core/text_buffer.h"
#include "tests/ui/offscreen_fixture.h"
#include "ui/aa_drawing.h"
#include "ui/clipboard_data.h"
#include "ui/control_parts.h"
#include "ui/draw_primitives.h"
#include "ui/graphics_port.h"
#include "ui/pictures.h"
#include "ui/regions.h"
#include "ui/text_layout.h"

namespace {

uint32_t Rgb(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

class Offscreen : public OffscreenPortTest {
 protected:
  uint32_t Pixel(int32_t x, int32_t y) { return PixelRgb(x, y); }
  int32_t CountInRow(int32_t y, uint32_t colour) {
    int32_t n = 0;
    for (int32_t x = 0; x < 60; ++x) n += Pixel(x, y) == colour;
    return n;
  }
};

const uint32_t kWhite = 0xFFFFFF;
const uint32_t kBlack = 0x000000;
const uint32_t kRed = 0xED1C24;   // palette 13
const uint32_t kBlue = 0x0000FF;  // palette 21

// --- Ports -----------------------------------------------------------------------------------

TEST_F(Offscreen, FillsByPaletteIndex) {
  struct Case {
    int32_t index;
    uint32_t colour;
  } cases[] = {{13, kRed}, {21, kBlue}, {10, kBlack}, {19, 0x008000}, {99, kBlack}};
  for (const Case& c : cases) {
    RECT r{0, 0, 10, 10};
    RectFillColour(&r, c.index);
    EXPECT_EQ(Pixel(5, 5), c.colour) << c.index;
  }
  EXPECT_EQ(Pixel(20, 20), kWhite);  // erased with the background at opening
}

TEST_F(Offscreen, ClipRegionAndOriginApply) {
  RECT clip{10, 10, 20, 20};
  PortSetClipRect(&clip);
  RECT all{0, 0, 60, 40};
  RectFillColour(&all, 13);
  EXPECT_EQ(Pixel(15, 15), kRed);
  EXPECT_EQ(Pixel(5, 5), kWhite);
  EXPECT_EQ(Pixel(25, 15), kWhite);

  // Moving the origin keeps the clip where it is on the bitmap.
  PortSetOrigin(30, 0);
  RECT moved{-30, 0, 30, 40};  // the whole bitmap in the new coordinates
  RectFillColour(&moved, 21);
  EXPECT_EQ(Pixel(15, 15), kBlue);
  EXPECT_EQ(Pixel(45, 15), kWhite);
  PortSetClipRect(&all);
  RECT small{0, 0, 5, 5};
  RectFillColour(&small, 13);
  EXPECT_EQ(Pixel(32, 2), kRed);
}

TEST_F(Offscreen, NestedPortRestoresTheOuterState) {
  PortSetForeIndex(13);
  Gfx.style.flags = kStyleBold;
  RECT clip{0, 0, 30, 40};
  PortSetClipRect(&clip);

  GraphicsPort inner;
  OffscreenBitmap innerBitmap;
  PortInitRegions(&inner);
  RECT rect{0, 0, 8, 8};
  ASSERT_TRUE(PortOpenOffscreen(&inner, &innerBitmap, &rect));
  EXPECT_EQ(Gfx.port, &inner);
  PortSetForeIndex(21);
  PortSetBackIndex(19);
  TextSetEmphasis(kStyleItalic);
  PortClose(&inner);
  PortFreeRegions(&inner);
  OffscreenFree(&innerBitmap);

  EXPECT_EQ(Gfx.port, &port);
  EXPECT_EQ(Gfx.foreColour, 13);
  EXPECT_EQ(Gfx.backColour, kColourWhite);
  EXPECT_EQ(Gfx.style.flags, kStyleBold);
  DrawHLine(0, 5, 59);  // the outer pen again, inside the outer clip only
  EXPECT_EQ(Pixel(10, 5), kRed);
  EXPECT_EQ(Pixel(40, 5), kWhite);
}

TEST_F(Offscreen, PrinterPageKeepsTheOuterBackground) {
  PortSetBackIndex(19);
  HDC page = CreateCompatibleDC(nullptr);
  GraphicsPort printer;
  PortInitRegions(&printer);
  ASSERT_TRUE(PortOpenPrinter(&printer, page, nullptr));
  EXPECT_EQ(Gfx.backColour, kColourWhite);
  PortClose(&printer);
  PortFreeRegions(&printer);
  DeleteDC(page);
  EXPECT_EQ(Gfx.backColour, 19);
}

TEST(Ports, WindowlessElementGetsAMemoryDCThatClosingDeletes) {
  GraphicsPort port;
  PortInitRegions(&port);
  ASSERT_TRUE(PortOpenElement(&port, nullptr, nullptr));
  HDC dc = port.dc;
  EXPECT_EQ(GetObjectType(dc), static_cast<DWORD>(OBJ_MEMDC));
  PortClose(&port);
  PortFreeRegions(&port);
  EXPECT_EQ(GetObjectType(dc), 0u);
  EXPECT_EQ(Gfx.port, nullptr);
}

TEST(Palette, VeryLightButtonHighlightTakesPaletteTwo) {
  struct Case {
    COLORREF highlight;
    COLORREF expected28;
  } cases[] = {{RGB(255, 255, 255), RGB(0xE0, 0xE0, 0xE0)},
               {RGB(231, 231, 233), RGB(0xE0, 0xE0, 0xE0)},
               {RGB(230, 230, 230), RGB(230, 230, 230)},
               {RGB(200, 200, 200), RGB(200, 200, 200)}};
  static COLORREF highlight;
  for (const Case& c : cases) {
    highlight = c.highlight;
    SystemColoursRefreshFrom([](int index) -> COLORREF {
      return index == COLOR_BTNHIGHLIGHT ? highlight : RGB(1, 2, index);
    });
    EXPECT_EQ(Gfx.palette[28], c.expected28);
    EXPECT_EQ(Gfx.palette[30], c.highlight);
    EXPECT_EQ(Gfx.palette[27], RGB(1, 2, COLOR_BTNFACE));
  }
  PaletteReset();
}

TEST(Cursors, SystemIdsLoadSystemCursorsAndOthersOurOwn) {
  uint32_t before = CursorChangeCount();
  CursorSet(32512);
  EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)));
  CursorSet(4200);  // the program's zoom-in cursor
  HCURSOR own = GetCursor();
  EXPECT_NE(own, nullptr);
  EXPECT_NE(own, LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)));
  EXPECT_EQ(own, LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(4200)));
  EXPECT_EQ(CursorChangeCount(), before + 2);
}

// --- Primitives ------------------------------------------------------------------------------

TEST_F(Offscreen, LinesCoverLengthPlusOnePixels) {
  struct Case {
    int32_t x, length, first, last;
  } cases[] = {{10, 0, 10, 10}, {10, 3, 10, 13}, {10, -3, 7, 10}};
  int32_t y = 2;
  for (const Case& c : cases) {
    DrawHLine(c.x, y, c.length);
    EXPECT_EQ(CountInRow(y, kBlack), c.last - c.first + 1) << c.length;
    EXPECT_EQ(Pixel(c.first, y), kBlack);
    EXPECT_EQ(Pixel(c.last, y), kBlack);
    y += 3;
  }
}

TEST_F(Offscreen, FilledFramesAndDottedLines) {
  PortSetForeIndex(21);
  RECT framed{0, 0, 10, 10};
  RectFillFramed(&framed, 1, 13);
  EXPECT_EQ(Pixel(0, 5), kBlue);
  EXPECT_EQ(Pixel(5, 5), kRed);
  RECT plain{20, 0, 30, 10};
  RectFillFramed(&plain, -1, 13);  // no frame at all
  EXPECT_EQ(Pixel(20, 5), kRed);

  PortSetForeIndex(10);
  DrawDottedHLine(0, 20, 19);
  int32_t dots = 0;
  for (int32_t x = 0; x < 20; ++x) dots += Pixel(x, 20) == kBlack;
  EXPECT_EQ(dots, 10);  // every other pixel

  RECT band{30, 15, 50, 30};
  uint32_t before = Pixel(30, 15);
  RectFrameDottedXor(&band);
  RectFrameDottedXor(&band);
  EXPECT_EQ(Pixel(30, 15), before);
  EXPECT_EQ(Pixel(31, 15), kWhite);
}

TEST_F(Offscreen, PointListsDrawStrokesWithTheirLastPixel) {
  PointList list;
  PointListInit(&list, 0);
  PointListMoveTo(&list, 5, 5);
  PointListDraw(&list);  // one point: only a move
  EXPECT_EQ(CountInRow(5, kBlack), 0);

  PointListLineBy(&list, 10, 0);
  PointListDraw(&list);
  EXPECT_EQ(CountInRow(5, kBlack), 11);  // 5..15, the last pixel included

  // A second stroke far to the right: x beyond 10000 is a plain point, not a stroke start.
  PointListReset(&list);
  PointListMoveTo(&list, 10003, 20);
  PointListLineBy(&list, 4, 0);
  PointListMoveBy(&list, 0, 5);
  PointListMoveBy(&list, 0, 5);  // a second move only shifts the pending start
  PointListLineBy(&list, 2, 0);
  EXPECT_EQ(list.count, 4);
  PortSetOrigin(-10000, 0);
  PointListDraw(&list);
  PortSetOrigin(0, 0);
  EXPECT_EQ(CountInRow(20, kBlack), 5);  // 3..7
  EXPECT_EQ(CountInRow(25, kBlack), 0);
  EXPECT_EQ(CountInRow(30, kBlack), 3);  // 7..9
  EXPECT_EQ(Pixel(3, 20), kBlack);
  EXPECT_EQ(Pixel(7, 30), kBlack);

  // A stroke start that makes the list grow takes its place from the last point.
  PointListReset(&list);
  while (list.count < list.capacity) PointListLineBy(&list, 1, 0);
  int32_t lastX = list.points[list.count - 1].x;
  PointListMoveBy(&list, 0, 7);
  EXPECT_EQ(list.points[list.count - 1].x, lastX);
  EXPECT_EQ(list.points[list.count - 1].y, 7);
  EXPECT_TRUE(list.points[list.count - 1].strokeStart);
}

TEST_F(Offscreen, RegionsFillAndFrame) {
  Region region;
  RgnSetBounds(&region, 10, 10, 20, 20);
  RECT hole{12, 12, 18, 18};
  RgnDiffRect(&region, &hole);
  RgnFillColour(&region, 13);
  EXPECT_EQ(Pixel(10, 10), kRed);
  EXPECT_EQ(Pixel(15, 15), kWhite);
  RECT empty{5, 5, 5, 9};
  HRGN none = RgnNewRect(&empty);
  ASSERT_NE(none, nullptr);
  EXPECT_TRUE(RgnIsEmpty(none));
  DeleteObject(none);
  RECT inside{14, 14, 16, 16};
  RECT edge{19, 19, 25, 25};
  EXPECT_FALSE(RectHitsRegion(&inside, region.handle));
  EXPECT_TRUE(RectHitsRegion(&edge, region.handle));
  RgnSetThickLine(&region, 30, 5, 20, 20, 3, 3);
  RgnFillColour(&region, 21);
  EXPECT_EQ(Pixel(41, 16), kBlue);
  EXPECT_EQ(Pixel(50, 6), kWhite);
  RgnFree(&region);
}

// --- Rectangles (pure) -----------------------------------------------------------------------

TEST(Rects, TextFormRoundTripsAndRejectsDamage) {
  RECT rect{-5, 10, 300, 2147483647};
  T_TextBuf text;
  RectToText(&rect, &text);
  EXPECT_STREQ(text.c_str(), "-5,10,300,2147483647");
  RECT back;
  ASSERT_TRUE(RectFromText(&back, text.c_str()));
  EXPECT_TRUE(RectEqual(&back, &rect));
  for (const char* bad : {"", "1,2,3", "1,2,3,4,5", "1,,3,4", "a,2,3,4", "1,2,3,99999999999"}) {
    EXPECT_FALSE(RectFromText(&back, bad)) << bad;
  }
}

TEST(Rects, MoveInsideShiftsThenCuts) {
  struct Case {
    RECT rect, expected;
  } cases[] = {
      {{90, 10, 110, 20}, {80, 10, 100, 20}},
      {{-10, -5, 10, 5}, {0, 0, 20, 10}},
      {{-10, 0, 150, 10}, {0, 0, 100, 10}},  // wider than the bounds: flush left, cut
      {{10, 10, 20, 20}, {10, 10, 20, 20}},
  };
  RECT bounds{0, 0, 100, 100};
  for (Case c : cases) {
    RectMoveInside(&c.rect, &bounds);
    EXPECT_TRUE(RectEqual(&c.rect, &c.expected)) << c.rect.left << "," << c.rect.top;
  }
}

// --- Pictures --------------------------------------------------------------------------------

TEST(Pictures, SizesAndStripCells) {
  struct SizeCase {
    int32_t id, size;
  } sizes[] = {{0, 0},     {1, 32},    {1999, 32}, {2000, 16}, {3800, 13},
               {3807, 13}, {3808, 16}, {3826, 16}, {3827, 26}, {3999, 26}};
  for (const SizeCase& c : sizes) {
    RECT r = PictureGetRect(c.id);
    EXPECT_EQ(r.right, c.size) << c.id;
  }
  RECT about = PictureGetRect(6000);
  EXPECT_EQ(about.right, 160);
  EXPECT_EQ(about.bottom, 120);

  struct CellCase {
    int32_t id, state, versionClass, strip, x, y;
  } cells[] = {
      {3800, 0, 2, 100, 0, 0},  {3803, 1, 2, 100, 112, 0}, {3805, 0, 3, 100, 16, 48},
      {3809, 0, 2, 110, 16, 0}, {3809, 1, 2, 110, 16, 16}, {3826, 1, 2, 110, 160, 32},
      {3827, 0, 2, 111, 0, 0},  {3852, 0, 2, 111, 26, 78},
  };
  for (const CellCase& c : cells) {
    int32_t strip;
    RECT cell;
    ASSERT_TRUE(ToolbarPictureCell(c.id, c.state, c.versionClass, &strip, &cell)) << c.id;
    EXPECT_EQ(strip, c.strip) << c.id;
    EXPECT_EQ(cell.left, c.x) << c.id;
    EXPECT_EQ(cell.top, c.y) << c.id;
  }
  int32_t strip;
  RECT cell;
  EXPECT_FALSE(ToolbarPictureCell(4000, 0, 2, &strip, &cell));
}

TEST_F(Offscreen, PicturesDrawAndMissingOnesErase) {
  PortSetBackIndex(19);
  RECT all{0, 0, 60, 40};
  RectErase(&all);
  PictureDrawAt(0, 0, 2001);  // a 16 x 16 bitmap: white shows the background
  EXPECT_EQ(Pixel(15, 15), 0x008000u);
  EXPECT_NE(Pixel(1, 5), 0x008000u);  // its outline
  RECT missing{20, 0, 30, 10};
  PictureDraw(&missing, 1999);
  EXPECT_EQ(Pixel(25, 5), 0x008000u);
  RECT icon{0, 0, 32, 32};
  PictureDraw(&icon, 1000);
  EXPECT_NE(Pixel(16, 16), 0x008000u);
  EXPECT_EQ(Pixel(0, 0), 0x008000u);  // the icon's transparent corner
}

TEST_F(Offscreen, NarrowBitmapKeepsTheBackgroundWhereWhite) {
  OffscreenBitmap source;
  ASSERT_TRUE(OffscreenCreate(&source, 39, 10));
  FillRect(source.dc, &source.rect, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  RECT dark{0, 0, 5, 10};
  FillRect(source.dc, &dark, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  SelectObject(source.dc, source.oldBitmap);
  RECT fill{0, 0, 60, 40};
  RectFillColour(&fill, 13);
  RECT target{10, 10, 49, 20};
  DrawBitmapInRect(&target, source.bitmap);
  EXPECT_EQ(Pixel(12, 15), kBlack);
  EXPECT_EQ(Pixel(30, 15), kRed);
  DeleteDC(source.dc);
  source.dc = nullptr;
  OffscreenFree(&source);
}

TEST_F(Offscreen, BitmapFileHasTheGivenLayout) {
  RECT left{0, 0, 30, 40};
  RectFillColour(&left, 13);
  SelectObject(port.dc, bitmap.oldBitmap);  // GetDIBits wants the bitmap unselected
  char path[MAX_PATH];
  GetTempPathA(MAX_PATH, path);
  std::string file = std::string(path) + "qeb_bitmap_test.bmp";
  bool saved = BitmapSaveFile(file.c_str(), bitmap.bitmap);
  SelectObject(port.dc, bitmap.bitmap);
  ASSERT_TRUE(saved);
  FILE* f = fopen(file.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  std::vector<uint8_t> bytes(8000);
  bytes.resize(fread(bytes.data(), 1, bytes.size(), f));
  fclose(f);
  remove(file.c_str());
  auto u32 = [&](size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24;
  };
  auto u16 = [&](size_t at) { return bytes[at] | bytes[at + 1] << 8; };
  ASSERT_EQ(bytes.size(), 1078u + 60 * 40);
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(bytes[1], 'M');
  EXPECT_EQ(u32(2), bytes.size());
  EXPECT_EQ(u32(6), 0u);
  EXPECT_EQ(u32(10), 1078u);
  EXPECT_EQ(u32(14), 40u);
  EXPECT_EQ(u32(18), 60u);
  EXPECT_EQ(u32(22), 40u);
  EXPECT_EQ(u16(26), 1);
  EXPECT_EQ(u16(28), 8);
  EXPECT_EQ(u32(30), 0u);
  // The pixels name colour-table entries: red on the left, white on the right (rows bottom-up).
  auto colour = [&](int x, int y) {
    size_t entry = 54 + 4 * bytes[1078 + (39 - y) * 60 + x];
    return static_cast<uint32_t>(bytes[entry + 2] << 16 | bytes[entry + 1] << 8 | bytes[entry]);
  };
  EXPECT_GT((colour(5, 5) >> 16) & 0xFF, 0xA0u);
  EXPECT_LT((colour(5, 5) >> 8) & 0xFF, 0x60u);
  EXPECT_EQ(colour(50, 5), kWhite);
}

TEST(Pictures, MaskTextHidesEveryPrintableByte) {
  char text[] =
      "pw\x01"
      "d";
  MaskText(text);
  EXPECT_STREQ(text, "**\x01*");
}

// --- Text ------------------------------------------------------------------------------------

TEST_F(Offscreen, TextWidthsAndShortRectangles) {
  EXPECT_EQ(TextWidth(""), 0);
  SIZE size;
  GetTextExtentPoint32W(port.dc, L"W", 1, &size);
  EXPECT_EQ(TextWidth("W"), size.cx + 2);

  PortSetForeIndex(10);
  Gfx.style.flags = kStyleWrap;
  RECT tall{0, 0, 60, 40};
  TextDrawInRect(&tall, "XX\nXX", nullptr);
  int32_t secondLine = 0;
  for (int32_t y = 16; y < 30; ++y) secondLine += CountInRow(y, kBlack);
  EXPECT_GT(secondLine, 0);

  RECT erase{0, 0, 60, 40};
  RectErase(&erase);
  RECT shortRect{0, 0, 60, 17};  // too low for lines: one clipped line
  TextDrawInRect(&shortRect, "XX\nXX", nullptr);
  int32_t below = 0;
  for (int32_t y = 17; y < 40; ++y) below += CountInRow(y, kBlack);
  EXPECT_EQ(below, 0);
  EXPECT_EQ(TextHitTest(&tall, "XX", POINT{5, -1}), -2);
}

TEST_F(Offscreen, RunsTakeTheirSpanColours) {
  TextSpan end{nullptr, 2147483647, 0, 10};
  TextSpan link{&end, 3, 0, 13};
  TextSpan head{&link, 0, 0, 21};
  Gfx.style.size = 20;
  PortApplyFont();
  RECT clip{0, 0, 60, 40};
  DrawTextRuns(0, 0, &clip, "III III", 0, 7, &head);
  int32_t blue = 0, red = 0;
  for (int32_t y = 0; y < 25; ++y) {
    blue += CountInRow(y, kBlue);
    red += CountInRow(y, kRed);
  }
  EXPECT_GT(blue, 0);
  EXPECT_GT(red, 0);
  EXPECT_EQ(Gfx.foreColour, kColourBlack);  // restored
}

// --- Anti-aliased parts ------------------------------------------------------------------------

TEST(AaParts, ArrowTipMovesRightInNarrowRectangles) {
  POINT points[3];
  RECT narrow{0, 0, 11, 11};
  AaArrowPoints(&narrow, 1, points);
  EXPECT_EQ(points[0].x, 5 + 1);
  RECT wide{0, 0, 12, 12};
  AaArrowPoints(&wide, 1, points);
  EXPECT_EQ(points[0].x, 6);
  AaArrowPoints(&wide, 0, points);
  EXPECT_LT(points[0].y, points[1].y);  // up: the tip above its base
}

TEST_F(Offscreen, DisabledButtonFaceIsPlainSilver) {
  RECT rect{5, 5, 45, 30};
  PaintButtonFace(&rect, 1, false);
  EXPECT_EQ(Pixel(25, 17), Rgb(PaletteColour(4)));
  EXPECT_EQ(Pixel(25, 10), Rgb(PaletteColour(4)));
  RECT normal{5, 5, 45, 30};
  PaintButtonFace(&normal, 0, false);
  EXPECT_NE(Pixel(25, 10), Rgb(PaletteColour(4)));
}

TEST_F(Offscreen, AntiAliasedShapesFollowOriginAndClip) {
  PortSetOrigin(20, 10);
  RECT clip{0, 0, 4, 20};
  PortSetClipRect(&clip);
  RECT square{0, 0, 8, 8};
  AaFillRect(&square, 0xFFED1C24);
  EXPECT_EQ(Pixel(22, 12), kRed);
  EXPECT_EQ(Pixel(26, 12), kWhite);  // clipped
  EXPECT_EQ(Pixel(2, 2), kWhite);
}

TEST(AaParts, PrinterPortsDrawPlainGdiShapes) {
  HDC dc = CreateCompatibleDC(nullptr);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), 200, -200, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits;
  HBITMAP page = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, page);
  PatBlt(dc, 0, 0, 200, 200, WHITENESS);
  GraphicsPort port;
  PortInitRegions(&port);
  ASSERT_TRUE(PortOpenPrinter(&port, dc, nullptr));
  PortSetForeIndex(13);
  DrawLineSmooth(5, 5, 60, 37);
  RECT box{10, 60, 70, 100};
  AaRoundRect(&box, 4, 1, 0xFF0000FF);
  GdiFlush();
  int32_t red = 0, blue = 0, other = 0;
  for (int32_t i = 0; i < 200 * 200; ++i) {
    uint32_t p = static_cast<uint32_t*>(bits)[i] & 0xFFFFFF;
    if (p == kRed)
      ++red;
    else if (p == kBlue)
      ++blue;
    else if (p != kWhite)
      ++other;
  }
  EXPECT_GT(red, 40);
  EXPECT_GT(blue, 40);
  EXPECT_EQ(other, 0);  // no blended edge pixels
  PortClose(&port);
  PortFreeRegions(&port);
  SelectObject(dc, old);
  DeleteObject(page);
  DeleteDC(dc);
}

// --- Clipboard -------------------------------------------------------------------------------

TEST(Clipboard, LoneCarriageReturnsBecomeLineBreaks) {
  static int notified = 0;
  SetClipboardListener([] { ++notified; });
  ASSERT_TRUE(ClipboardSetText("a\rb\r\nc", 6, 0));
  ASSERT_TRUE(ClipboardOpen(nullptr));
  auto* raw = static_cast<const wchar_t*>(GlobalLock(GetClipboardData(CF_UNICODETEXT)));
  ASSERT_NE(raw, nullptr);
  EXPECT_STREQ(raw, L"a\r\nb\r\nc");
  GlobalUnlock(GetClipboardData(CF_UNICODETEXT));
  CloseClipboard();
  char* text = ClipboardReadText();
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, "a\rb\rc");
  MemFree(text);
  EXPECT_EQ(ClipboardRefreshKind(), kClipboardText);
  EXPECT_EQ(notified, 1);
  SetClipboardListener(nullptr);
}

}  // namespace
