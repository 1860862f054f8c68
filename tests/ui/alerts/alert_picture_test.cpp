// A question with five buttons as the toolkit paints it (into a memory bitmap, since a bare X
// display may not hand back a window's pixels): the message and the button titles are drawn,
// and the picture is left in the working folder (alert_dialog.bmp) for a person to look at.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "alerts_fixture.h"
#include "core/memory.h"
#include "tests/ui/picture_file.h"
#include "ui/element_paint.h"
#include "ui/graphics_port.h"

namespace alerts_test {
namespace {

void SaveBitmap(const uint32_t* pixels, int32_t width, int32_t height, const char* path) {
  ASSERT_TRUE(WritePixelsAsBitmap(pixels, width, height, path));
}

// Pixels much darker than the button face inside the rectangle (the bitmap starts black, so an
// area nobody painted fails the count of light ones).
int32_t DarkPixels(const uint32_t* pixels, int32_t width, const RECT& rect, bool dark = true) {
  int32_t count = 0;
  for (int32_t y = rect.top; y < rect.bottom; ++y) {
    for (int32_t x = rect.left; x < rect.right; ++x) {
      uint32_t p = pixels[y * width + x];
      if (((p & 0xFF) + ((p >> 8) & 0xFF) + ((p >> 16) & 0xFF) < 200) == dark) ++count;
    }
  }
  return count;
}

TEST_F(AlertsTest, QuestionIsDrawnWithItsMessageAndButtons) {
  AlertRequest request = Request(2901, {kButtonYes, kButtonNo, kButtonCancel, 704, 705}, 1);
  request.title = 705;
  AlertAddText(&request,
               "/frobnicate, given twice on the command line\rand once more in the shortcut");
  int32_t answer = AnswerWhile(request, [](T_Alert* alert) {
    ASSERT_NE(alert->native.handle, nullptr);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, alert->width, alert->height);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    PatBlt(dc, 0, 0, alert->width, alert->height, BLACKNESS);
    GraphicsPort port;
    PortInitRegions(&port);
    ASSERT_TRUE(PortOpenDC(&port, alert->native.handle, dc, alert->width, alert->height));
    GrafElement_PaintTree(alert, true, nullptr);
    PortClose(&port);
    PortFreeRegions(&port);
    uint32_t* pixels = PixelsRead(dc, 0, 0, alert->width, alert->height);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ASSERT_NE(pixels, nullptr);
    SaveBitmap(pixels, alert->width, alert->height, "alert_dialog.bmp");
    const RECT& message = alert->messageRect;
    int32_t area = (message.right - message.left) * (message.bottom - message.top);
    EXPECT_GT(DarkPixels(pixels, alert->width, message), 100);
    EXPECT_GT(DarkPixels(pixels, alert->width, message, false), area / 2);  // on the face colour
    for (T_Button* button : Buttons(alert)) {
      RECT inside{button->x + 4, button->y + 4, button->x + button->width - 4,
                  button->y + button->height - 4};
      EXPECT_GT(DarkPixels(pixels, alert->width, inside), 10) << Title(button);
    }
    MemFree(pixels);
    InputEvent escape = Key(kKeyEscape);
    alert->KeyDown(&escape, nullptr);
  });
  EXPECT_EQ(answer, 2);
}

}  // namespace
}  // namespace alerts_test
