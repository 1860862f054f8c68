// Bitmaps and pictures.
//
// Bitmap file written by BitmapSaveFile (all numbers little-endian):
//   offset  size  meaning
//   0       2     "BM"
//   2       4     file size in bytes
//   6       2     0
//   8       2     0
//   10      4     offset of the pixels: 1078
//   14      40    BITMAPINFOHEADER: size 40, width, height (positive: rows bottom-up), planes 1,
//                 8 bits per pixel, BI_RGB, image size, resolution and colour counts as
//                 GetDIBits leaves them
//   54      1024  colour table: 256 entries of blue, green, red, 0
//   1078    ...   pixels: one byte per pixel, each row padded to a multiple of 4 bytes
#include "ui/pictures.h"

#include "core/alert.h"
#include "core/bitmap_cache.h"
#include "core/files.h"
#include "core/memory.h"
#include "core/threads.h"
#include "ui/draw_primitives.h"

namespace {

constexpr int32_t kFileHeaderSize = 14;
constexpr int32_t kInfoHeaderSize = 40;
constexpr int32_t kColourTableSize = 1024;
constexpr int32_t kPixelOffset = kFileHeaderSize + kInfoHeaderSize + kColourTableSize;

void PutU16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

void PutU32(uint8_t* p, uint32_t v) {
  PutU16(p, v & 0xFFFF);
  PutU16(p + 2, v >> 16);
}

bool BitmapSize(HBITMAP bitmap, int32_t* width, int32_t* height) {
  BITMAP info{};
  if (!bitmap || !GetObjectW(bitmap, sizeof(info), &info)) return false;
  *width = info.bmWidth;
  *height = info.bmHeight;
  return *width > 0 && *height > 0;
}

}  // namespace

HBITMAP BitmapDuplicate(HBITMAP bitmap) {
  int32_t width, height;
  if (!BitmapSize(bitmap, &width, &height)) return nullptr;
  HDC screen = GetDC(nullptr);
  HBITMAP copy = CreateCompatibleBitmap(screen, width, height);
  HDC from = CreateCompatibleDC(screen);
  HDC to = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  if (copy && from && to) {
    HGDIOBJ oldFrom = SelectObject(from, bitmap);
    HGDIOBJ oldTo = SelectObject(to, copy);
    BitBlt(to, 0, 0, width, height, from, 0, 0, SRCCOPY);
    SelectObject(from, oldFrom);
    SelectObject(to, oldTo);
  } else if (copy) {
    DeleteObject(copy);
    copy = nullptr;
  }
  if (from) DeleteDC(from);
  if (to) DeleteDC(to);
  return copy;
}

bool BitmapSaveFile(const char* path, HBITMAP bitmap) {
  int32_t width, height;
  if (!BitmapSize(bitmap, &width, &height)) {
    PendingErrorResource();
    return false;
  }
  int64_t rowBytes = (static_cast<int64_t>(width) + 3) & ~int64_t{3};
  int64_t imageBytes = rowBytes * height;
  int64_t fileBytes = kPixelOffset + imageBytes;
  if (fileBytes > 0x7FFFFFFF) {
    PendingErrorResource();
    return false;
  }
  auto* file = static_cast<uint8_t*>(MemAlloc(fileBytes, 0));
  if (!file) return false;
  MemZero(file, kPixelOffset);
  auto* info = reinterpret_cast<BITMAPINFO*>(file + kFileHeaderSize);
  info->bmiHeader.biSize = kInfoHeaderSize;
  info->bmiHeader.biWidth = width;
  info->bmiHeader.biHeight = height;
  info->bmiHeader.biPlanes = 1;
  info->bmiHeader.biBitCount = 8;
  info->bmiHeader.biCompression = BI_RGB;
  HDC screen = GetDC(nullptr);
  int lines = GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), file + kPixelOffset, info,
                        DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  bool written = false;
  if (lines == height) {
    // GetDIBits may rewrite the header fields it owns; the layout fields stay ours.
    info->bmiHeader.biSize = kInfoHeaderSize;
    info->bmiHeader.biHeight = height;
    info->bmiHeader.biBitCount = 8;
    info->bmiHeader.biCompression = BI_RGB;
    info->bmiHeader.biSizeImage = static_cast<DWORD>(imageBytes);
    file[0] = 'B';
    file[1] = 'M';
    PutU32(file + 2, static_cast<uint32_t>(fileBytes));
    PutU32(file + 6, 0);
    PutU32(file + 10, kPixelOffset);
    SysFile out;
    FileInit(&out);
    if (FileOpenWrite(&out, path)) {
      written = FileWrite(&out, file, fileBytes) == fileBytes && FileSetEnd(&out);
      FileClose(&out);
    }
    FileDestroy(&out);
  } else {
    PendingErrorResource();
  }
  MemFree(file);
  return written;
}

void BitmapHolderInit(BitmapHolder* holder) { *holder = BitmapHolder{}; }

void BitmapHolderFree(BitmapHolder* holder) {
  if (holder->bitmap) DeleteObject(holder->bitmap);
  *holder = BitmapHolder{};
}

bool BitmapHolderSave(const BitmapHolder* holder, const char* path) {
  return BitmapSaveFile(path, holder->bitmap);
}

void DrawIconInRect(const RECT* rect, HICON icon) {
  if (RectIsEmpty(rect) || !Gfx.port || !icon) return;
  OffscreenBitmap offscreen;
  if (!OffscreenCreate(&offscreen, rect->right - rect->left, rect->bottom - rect->top)) return;
  if (Gfx.port->backBrush) FillRect(offscreen.dc, &offscreen.rect, Gfx.port->backBrush);
  DrawIcon(offscreen.dc, 0, 0, icon);
  OffscreenBlitTo(&offscreen, rect->left, rect->top);
  OffscreenFree(&offscreen);
}

void DrawBitmapInRect(const RECT* rect, HBITMAP bitmap) {
  int32_t width, height;
  if (RectIsEmpty(rect) || !Gfx.port || !BitmapSize(bitmap, &width, &height)) return;
  int32_t w = rect->right - rect->left;
  int32_t h = rect->bottom - rect->top;
  if (width < w) w = width;
  if (height < h) h = height;
  if (rect->right - rect->left >= 40) {
    HDC dc = CreateCompatibleDC(Gfx.port->dc);
    if (!dc) return;
    HGDIOBJ old = SelectObject(dc, bitmap);
    int32_t back = Gfx.backColour;
    DWORD rop = (back == 0 || back == 26 || back == 27) ? SRCAND : SRCCOPY;
    BitBlt(Gfx.port->dc, rect->left, rect->top, w, h, dc, 0, 0, rop);
    SelectObject(dc, old);
    DeleteDC(dc);
    return;
  }
  OffscreenBitmap offscreen;
  if (!OffscreenCreate(&offscreen, w, h)) return;
  RECT source{0, 0, w, h};
  BitmapBlit(&offscreen, 0, 0, bitmap, &source);
  OffscreenKeepScreenWhereWhite(&offscreen, rect->left, rect->top);
  OffscreenBlitTo(&offscreen, rect->left, rect->top);
  OffscreenFree(&offscreen);
}

RECT PictureGetRect(int32_t id) {
  int32_t size = 0;
  if (id >= 1 && id <= 1999) {
    size = 32;
  } else if (id >= 2000 && id <= 3799) {
    size = 16;
  } else if (id >= 3800 && id <= 3807) {
    size = 13;
  } else if (id >= 3808 && id <= 3826) {
    size = 16;
  } else if (id >= 3827 && id <= 3999) {
    size = 26;
  } else if (id >= 4000) {
    int32_t width, height;
    if (BitmapSize(BitmapGetCached(id), &width, &height)) return RECT{0, 0, width, height};
  }
  return RECT{0, 0, size, size};
}

void PictureDraw(const RECT* rect, int32_t id) {
  if (RectIsEmpty(rect)) return;
  if (id >= 3800 && id <= 3999) {
    DrawToolbarPicture(rect, id, 0);
    return;
  }
  if (id >= 1 && id <= 1999) {
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
    if (icon) {
      DrawIconInRect(rect, icon);
      DestroyIcon(icon);
      return;
    }
  } else if (id >= 2000) {
    HBITMAP bitmap = BitmapGetCached(id);
    if (bitmap) {
      DrawBitmapInRect(rect, bitmap);
      return;
    }
  }
  RectErase(rect);
}

void PictureDrawAt(int32_t x, int32_t y, int32_t id) {
  RECT rect = PictureGetRect(id);
  OffsetRect(&rect, x, y);
  PictureDraw(&rect, id);
}

bool ToolbarPictureCell(int32_t id, int32_t state, int32_t versionClass, int32_t* strip,
                        RECT* cell) {
  int32_t x, y, size;
  if (id >= 3800 && id <= 3807) {
    *strip = 100;
    size = 16;
    x = (state * 4 + (id - 3800) % 4) * 16;
    y = (id >= 3804 ? 16 : 0) + (versionClass >= 3 ? 32 : 0);
  } else if (id >= 3808 && id <= 3815) {
    *strip = 110;
    size = 16;
    x = (id - 3808) * 16;
    y = state ? 16 : 0;
  } else if (id >= 3816 && id <= 3826) {
    *strip = 110;
    size = 16;
    x = (id - 3816) * 16;
    y = 32;
  } else if (id >= 3827 && id <= 3999) {
    *strip = 111;
    size = 26;
    x = (id - 3827) % 8 * 26;
    y = (id - 3827) / 8 * 26;
  } else {
    return false;
  }
  *cell = RECT{x, y, x + size, y + size};
  return true;
}

void DrawToolbarPicture(const RECT* rect, int32_t id, int32_t state) {
  int32_t strip;
  RECT cell;
  if (RectIsEmpty(rect) || !Gfx.port ||
      !ToolbarPictureCell(id, state, OsVersionClass(), &strip, &cell))
    return;
  HBITMAP bitmap = BitmapGetCached(strip);
  if (!bitmap) return;
  OffscreenBitmap offscreen;
  if (!OffscreenCreate(&offscreen, rect->right - rect->left, rect->bottom - rect->top)) return;
  // Whatever the cell does not cover shows the background.
  FillRect(offscreen.dc, &offscreen.rect, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  BitmapBlit(&offscreen, 0, 0, bitmap, &cell);
  SoftenEdges(&offscreen);
  OffscreenBlitTo(&offscreen, rect->left, rect->top);
  OffscreenFree(&offscreen);
}

void SoftenEdges(OffscreenBitmap* offscreen) {
  int32_t width = offscreen->rect.right;
  int32_t height = offscreen->rect.bottom;
  uint32_t* pixels = PixelsRead(offscreen->dc, 0, 0, width, height);
  if (!pixels) return;
  for (int32_t x = 0; x < width; ++x) {
    OffscreenMaskSet(offscreen, x, 0);
    OffscreenMaskSet(offscreen, x, height - 1);
  }
  for (int32_t y = 0; y < height; ++y) {
    OffscreenMaskSet(offscreen, 0, y);
    OffscreenMaskSet(offscreen, width - 1, y);
  }
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      if (pixels[y * width + x] != 0xFFFFFF) continue;
      OffscreenMaskSet(offscreen, x, y);
      OffscreenMaskSet(offscreen, x - 1, y);
      OffscreenMaskSet(offscreen, x, y - 1);
      OffscreenMaskSet(offscreen, x + 1, y);
      OffscreenMaskSet(offscreen, x, y + 1);
    }
  }
  COLORREF back = PaletteColour(Gfx.backColour);
  if (Gfx.port) back = GetNearestColor(Gfx.port->dc, back);
  int32_t backSum = ColourSum(back);
  uint32_t backPixel =
      (static_cast<uint32_t>(GetRValue(back)) << 16) | (GetGValue(back) << 8) | GetBValue(back);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      uint32_t p = pixels[y * width + x];
      int32_t sum = static_cast<int32_t>((p >> 16) + ((p >> 8) & 0xFF) + (p & 0xFF));
      if (OffscreenMaskGet(offscreen, x, y) && sum > backSum) pixels[y * width + x] = backPixel;
    }
  }
  PixelsWrite(offscreen->dc, 0, 0, width, height, pixels);
  MemFree(pixels);
  MemFree(offscreen->mask);
  offscreen->mask = nullptr;
}

void MaskText(char* text) {
  if (!text) return;
  for (char* p = text; *p; ++p) {
    if (static_cast<uint8_t>(*p) >= 32) *p = '*';
  }
}

bool DragFrameOutline(HWND window, const RECT* clientRect, POINT point, POINT* moved) {
  *moved = POINT{0, 0};
  RECT frame = *clientRect;
  InflateRect(&frame, GetSystemMetrics(SM_CXFIXEDFRAME), GetSystemMetrics(SM_CYFIXEDFRAME));
  frame.top -= GetSystemMetrics(SM_CYCAPTION);
  if (PtInRect(clientRect, point) || !PtInRect(&frame, point)) return false;
  GraphicsPort port;
  PortInitRegions(&port);
  HDC dc = GetDCEx(window, nullptr, DCX_PARENTCLIP);
  RECT client;
  GetClientRect(window, &client);
  if (!dc || !PortOpenDC(&port, window, dc, client.right, client.bottom)) {
    if (dc) ReleaseDC(window, dc);
    PortFreeRegions(&port);
    return true;
  }
  RECT outline = frame;
  RectFrameDottedXor(&outline);
  POINT last = point;
  while (GetAsyncKeyState(VK_LBUTTON) < 0) {
    POINT now;
    GetCursorPos(&now);
    ScreenToClient(window, &now);
    if (now.x != last.x || now.y != last.y) {
      RectFrameDottedXor(&outline);
      OffsetRect(&outline, now.x - last.x, now.y - last.y);
      RectFrameDottedXor(&outline);
      last = now;
    }
    Sleep(10);
  }
  RectFrameDottedXor(&outline);
  PortClose(&port);
  ReleaseDC(window, dc);
  PortFreeRegions(&port);
  *moved = POINT{last.x - point.x, last.y - point.y};
  return true;
}
