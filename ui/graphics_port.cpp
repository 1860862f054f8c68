#include "ui/graphics_port.h"

#include "core/alert.h"
#include "core/memory.h"

namespace {

constexpr COLORREF kInitialPalette[kPaletteSize] = {
    RGB(0xFF, 0xFF, 0xFF), RGB(0xEA, 0xEA, 0xEA), RGB(0xE0, 0xE0, 0xE0), RGB(0xD0, 0xD0, 0xD0),
    RGB(0xC0, 0xC0, 0xC0), RGB(0x9E, 0x9E, 0x9E), RGB(0x80, 0x80, 0x80), RGB(0x61, 0x61, 0x61),
    RGB(0x40, 0x40, 0x40), RGB(0x1F, 0x1F, 0x1F), RGB(0x00, 0x00, 0x00), RGB(0x80, 0x40, 0x00),
    RGB(0xF6, 0x8E, 0x56), RGB(0xED, 0x1C, 0x24), RGB(0xF9, 0xC9, 0xDE), RGB(0xFF, 0x00, 0xFF),
    RGB(0x80, 0x00, 0x80), RGB(0xFF, 0xFF, 0x00), RGB(0x00, 0xFF, 0x80), RGB(0x00, 0x80, 0x00),
    RGB(0x00, 0xFF, 0xFF), RGB(0x00, 0x00, 0xFF), RGB(0x00, 0x00, 0xA0), RGB(0x80, 0x80, 0x80),
    RGB(0x00, 0x00, 0x00), RGB(0x00, 0x00, 0x00), RGB(0xC0, 0xC0, 0xC0), RGB(0xC0, 0xC0, 0xC0),
    RGB(0xE0, 0xE0, 0xE0), RGB(0x80, 0x80, 0x80), RGB(0xFF, 0xFF, 0xFF), RGB(0x00, 0x46, 0xD5),
};

constexpr GraphicsState InitialState() {
  GraphicsState state;
  state.style.size = 11;
  state.style.face = "Tahoma";
  state.style.pitchAndFamily = 34;
  for (int32_t i = 0; i < kPaletteSize; ++i) state.palette[i] = kInitialPalette[i];
  return state;
}

HRGN ClipRegion() {
  if (!Gfx.clip) Gfx.clip = CreateRectRgn(0, 0, 0, 0);
  return Gfx.clip;
}

// Printer ports draw in points: device = logical x dpi / 72.
void PrinterScale(HDC dc, double* sx, double* sy) {
  *sx = GetDeviceCaps(dc, LOGPIXELSX) / 72.0;
  *sy = GetDeviceCaps(dc, LOGPIXELSY) / 72.0;
}

void ApplyViewport(GraphicsPort* port) {
  int32_t x = port->originX;
  int32_t y = port->originY;
  if (port->kind == kPortPrinter) {
    double sx, sy;
    PrinterScale(port->dc, &sx, &sy);
    x = static_cast<int32_t>(x * sx);
    y = static_cast<int32_t>(y * sy);
  }
  SetViewportOrgEx(port->dc, x + port->nativeX, y + port->nativeY, nullptr);
}

// Region A := Gfx.clip in device units, selected as the DC's clip.
void SelectClipOf(GraphicsPort* port) {
  HRGN clip = ClipRegion();
  if (port->kind == kPortPrinter) {
    double sx, sy;
    PrinterScale(port->dc, &sx, &sy);
    DWORD size = GetRegionData(clip, 0, nullptr);
    RGNDATA* data = size ? static_cast<RGNDATA*>(MemAlloc(size, 0)) : nullptr;
    if (data && GetRegionData(clip, size, data)) {
      XFORM transform{static_cast<FLOAT>(sx),
                      0,
                      0,
                      static_cast<FLOAT>(sy),
                      static_cast<FLOAT>(port->originX * sx),
                      static_cast<FLOAT>(port->originY * sy)};
      HRGN scaled = ExtCreateRegion(&transform, size, data);
      if (scaled) {
        CombineRgn(port->regionA, scaled, nullptr, RGN_COPY);
        DeleteObject(scaled);
      }
    }
    MemFree(data);
  } else {
    CombineRgn(port->regionA, clip, nullptr, RGN_COPY);
    OffsetRgn(port->regionA, port->originX + port->nativeX, port->originY + port->nativeY);
  }
  SelectClipRgn(port->dc, port->regionA);
}

bool PortBegin(GraphicsPort* port) {
  if (!port->dc) {
    PendingErrorResource();
    return false;
  }
  GraphicsPort* previous = Gfx.port;
  port->previous = previous;
  Gfx.port = port;
  if (previous) {
    GetViewportOrgEx(previous->dc, &port->savedViewport);
    port->savedFore = Gfx.foreColour;
    port->savedBack = Gfx.backColour;
    port->savedStyle = Gfx.style;
    port->savedWords[0] = Gfx.words[0];
    port->savedWords[1] = Gfx.words[1];
    port->savedPatternX = Gfx.patternX;
    port->savedPatternY = Gfx.patternY;
    CombineRgn(port->regionB, ClipRegion(), nullptr, RGN_COPY);
  }
  LOGFONTW plain{};
  port->pen = CreatePen(PS_INSIDEFRAME, 1, RGB(0, 0, 0));
  port->brush = CreateSolidBrush(RGB(0, 0, 0));
  port->font = CreateFontIndirectW(&plain);
  port->oldPen = static_cast<HPEN>(SelectObject(port->dc, port->pen));
  port->oldBrush = static_cast<HBRUSH>(SelectObject(port->dc, port->brush));
  port->oldFont = static_cast<HFONT>(SelectObject(port->dc, port->font));
  port->backBrush = nullptr;
  port->originX = 0;
  port->originY = 0;
  ApplyViewport(port);
  SetRectRgn(ClipRegion(), port->area.left, port->area.top, port->area.right, port->area.bottom);
  SelectClipOf(port);
  Gfx.patternX = 0;
  Gfx.patternY = 0;
  PortApplyStyle();
  return true;
}

void ReplacePen(GraphicsPort* port, HPEN pen) {
  SelectObject(port->dc, pen);
  if (port->pen) DeleteObject(port->pen);
  port->pen = pen;
}

void ReplaceBrush(GraphicsPort* port, HBRUSH brush) {
  SelectObject(port->dc, brush);
  if (port->brush) DeleteObject(port->brush);
  port->brush = brush;
}

void SetDrawColour(COLORREF colour) {
  GraphicsPort* port = Gfx.port;
  if (!port) return;
  HPEN pen = CreatePen(PS_INSIDEFRAME, 1, colour);
  HBRUSH brush = CreateSolidBrush(colour);
  if (!pen || !brush) {
    if (pen) DeleteObject(pen);
    if (brush) DeleteObject(brush);
    PendingErrorResource();
    return;
  }
  ReplacePen(port, pen);
  ReplaceBrush(port, brush);
  SetTextColor(port->dc, colour);
}

}  // namespace

constinit GraphicsState Gfx = InitialState();

COLORREF PaletteColour(int32_t index) {
  if (index < 0 || index >= kPaletteSize) return RGB(0, 0, 0);
  return Gfx.palette[index];
}

void PaletteReset() {
  for (int32_t i = 0; i < kPaletteSize; ++i) Gfx.palette[i] = kInitialPalette[i];
}

void SystemColoursRefreshFrom(COLORREF (*systemColour)(int index)) {
  Gfx.palette[23] = systemColour(COLOR_HIGHLIGHT);
  Gfx.palette[24] = systemColour(COLOR_HIGHLIGHTTEXT);
  Gfx.palette[25] = systemColour(COLOR_MENUTEXT);
  Gfx.palette[26] = systemColour(COLOR_MENU);
  Gfx.palette[27] = systemColour(COLOR_BTNFACE);
  COLORREF highlight = systemColour(COLOR_BTNHIGHLIGHT);
  // A near-white highlight edge would vanish on white backgrounds.
  Gfx.palette[28] = ColourBrightness(highlight) > 230 ? Gfx.palette[2] : highlight;
  Gfx.palette[29] = systemColour(COLOR_BTNSHADOW);
  Gfx.palette[30] = highlight;
}

void SystemColoursRefresh() {
  SystemColoursRefreshFrom([](int index) -> COLORREF { return GetSysColor(index); });
}

// --- Ports ---------------------------------------------------------------------------------

void PortInitRegions(GraphicsPort* port) {
  port->regionA = CreateRectRgn(0, 0, 0, 0);
  port->regionB = CreateRectRgn(0, 0, 0, 0);
}

void PortFreeRegions(GraphicsPort* port) {
  if (port->regionA) DeleteObject(port->regionA);
  if (port->regionB) DeleteObject(port->regionB);
  port->regionA = nullptr;
  port->regionB = nullptr;
}

bool PortOpenElement(GraphicsPort* port, HWND window, void* element) {
  port->kind = kPortWindow;
  port->window = window;
  port->owner = element;
  port->nativeX = port->nativeY = 0;
  port->scale = 1;
  if (window) {
    port->dc = GetDC(window);
    GetClientRect(window, &port->area);
  } else {
    port->dc = CreateCompatibleDC(nullptr);
    SetRect(&port->area, 0, 0, 1, 1);
  }
  return PortBegin(port);
}

bool PortOpenNative(GraphicsPort* port, HWND window, int32_t offsetX, int32_t offsetY,
                    int32_t width, int32_t height, void* surface) {
  port->kind = kPortNative;
  port->window = window;
  port->owner = surface;
  port->nativeX = offsetX;
  port->nativeY = offsetY;
  port->scale = 1;
  port->dc = GetDCEx(window, nullptr, DCX_PARENTCLIP);
  SetRect(&port->area, 0, 0, width, height);
  return PortBegin(port);
}

bool PortOpenOffscreen(GraphicsPort* port, OffscreenBitmap* record, const RECT* rect) {
  int32_t width = rect->right - rect->left;
  int32_t height = rect->bottom - rect->top;
  if (!OffscreenCreate(record, width, height)) return false;
  port->kind = kPortOffscreen;
  port->window = nullptr;
  port->owner = record;
  port->nativeX = port->nativeY = 0;
  port->scale = 1;
  port->dc = record->dc;
  port->area = record->rect;
  if (!PortBegin(port)) return false;
  FillRect(port->dc, &record->rect, port->backBrush);
  return true;
}

bool PortOpenDC(GraphicsPort* port, HWND window, HDC dc, int32_t width, int32_t height) {
  port->kind = kPortGivenDC;
  port->window = window;
  port->owner = nullptr;
  port->nativeX = port->nativeY = 0;
  port->scale = 1;
  port->dc = dc;
  SetRect(&port->area, 0, 0, width, height);
  return PortBegin(port);
}

bool PortOpenPrinter(GraphicsPort* port, HDC printerDC, void* job) {
  port->kind = kPortPrinter;
  port->window = nullptr;
  port->owner = job;
  port->nativeX = port->nativeY = 0;
  port->scale = 1;
  port->dc = printerDC;
  if (!printerDC) {
    PendingErrorResource();
    return false;
  }
  int32_t dpiX = GetDeviceCaps(printerDC, LOGPIXELSX);
  int32_t dpiY = GetDeviceCaps(printerDC, LOGPIXELSY);
  SetMapMode(printerDC, MM_ANISOTROPIC);
  SetWindowOrgEx(printerDC, 0, 0, nullptr);
  SetWindowExtEx(printerDC, 72, 72, nullptr);
  SetViewportExtEx(printerDC, dpiX, dpiY, nullptr);
  SetRect(&port->area, 0, 0, MulDiv(GetDeviceCaps(printerDC, HORZRES), 72, dpiX),
          MulDiv(GetDeviceCaps(printerDC, VERTRES), 72, dpiY));
  if (!PortBegin(port)) return false;
  // After PortBegin, which saves the outer port's background for its close.
  PortSetBackIndex(kColourWhite);
  return true;
}

void PortClose(GraphicsPort* port) {
  if (!port->dc) return;
  Gfx.port = port->previous;
  SelectObject(port->dc, port->oldPen);
  SelectObject(port->dc, port->oldBrush);
  SelectObject(port->dc, port->oldFont);
  SelectClipRgn(port->dc, nullptr);
  if (port->pen) DeleteObject(port->pen);
  if (port->brush) DeleteObject(port->brush);
  if (port->font) DeleteObject(port->font);
  if (port->backBrush) DeleteObject(port->backBrush);
  port->pen = nullptr;
  port->brush = nullptr;
  port->font = nullptr;
  port->backBrush = nullptr;
  switch (port->kind) {
    case kPortWindow:
      if (port->window) {
        ReleaseDC(port->window, port->dc);
      } else {
        DeleteDC(port->dc);
      }
      break;
    case kPortNative:
      ReleaseDC(port->window, port->dc);
      break;
    case kPortOffscreen: {
      auto* record = static_cast<OffscreenBitmap*>(port->owner);
      SelectObject(port->dc, record->oldBitmap);
      DeleteDC(port->dc);
      record->dc = nullptr;
      record->oldBitmap = nullptr;
      break;
    }
    default:
      break;  // the DC belongs to the caller
  }
  port->dc = nullptr;
  GraphicsPort* previous = port->previous;
  if (previous) {
    SetViewportOrgEx(previous->dc, port->savedViewport.x, port->savedViewport.y, nullptr);
    SelectClipRgn(previous->dc, previous->regionA);
    Gfx.foreColour = port->savedFore;
    Gfx.backColour = port->savedBack;
    Gfx.style = port->savedStyle;
    Gfx.words[0] = port->savedWords[0];
    Gfx.words[1] = port->savedWords[1];
    PortApplyStyle();
    CombineRgn(ClipRegion(), port->regionB, nullptr, RGN_COPY);
    Gfx.patternX = port->savedPatternX;
    Gfx.patternY = port->savedPatternY;
  }
}

bool PortIsPrinter() { return Gfx.port && Gfx.port->kind == kPortPrinter; }

HDC PortDC() { return Gfx.port ? Gfx.port->dc : nullptr; }

void PortSetOrigin(int32_t x, int32_t y) {
  GraphicsPort* port = Gfx.port;
  if (!port) return;
  OffsetRgn(ClipRegion(), port->originX - x, port->originY - y);
  port->originX = x;
  port->originY = y;
  ApplyViewport(port);
}

void PortSetClip(HRGN region) {
  CombineRgn(ClipRegion(), region, nullptr, RGN_COPY);
  PortSelectClip();
}

void PortSetClipRect(const RECT* rect) {
  if (rect->right <= rect->left || rect->bottom <= rect->top) {
    SetRectRgn(ClipRegion(), 0, 0, 0, 0);
  } else {
    SetRectRgn(ClipRegion(), rect->left, rect->top, rect->right, rect->bottom);
  }
  PortSelectClip();
}

void PortSelectClip() {
  if (Gfx.port) SelectClipOf(Gfx.port);
}

// --- Attributes ------------------------------------------------------------------------------

void PortApplyForeColour() { SetDrawColour(PaletteColour(Gfx.foreColour)); }

void PortApplyBackColour() {
  GraphicsPort* port = Gfx.port;
  if (!port) return;
  COLORREF colour = GetNearestColor(port->dc, PaletteColour(Gfx.backColour));
  HBRUSH brush = CreateSolidBrush(colour);
  if (!brush) {
    PendingErrorResource();
    return;
  }
  if (port->backBrush) DeleteObject(port->backBrush);
  port->backBrush = brush;
  SetBkColor(port->dc, colour);
}

void PortApplyFont() {
  GraphicsPort* port = Gfx.port;
  if (!port) return;
  HFONT font = FontFromStyle(&Gfx.style);
  if (!font) {
    PendingErrorResource();
    return;
  }
  SelectObject(port->dc, font);
  if (port->font) DeleteObject(port->font);
  port->font = font;
}

void PortApplyStyle() {
  PortApplyForeColour();
  PortApplyBackColour();
  PortApplyFont();
}

void PortSetForeIndex(int32_t index) {
  Gfx.foreColour = index;
  PortApplyForeColour();
}

void PortSetBackIndex(int32_t index) {
  Gfx.backColour = index;
  PortApplyBackColour();
}

void PortSetColourRGB(uint8_t blue, uint8_t green, uint8_t red) {
  SetDrawColour(RGB(red, green, blue));
}

void PortSetPatternOrigin(int32_t x, int32_t y) {
  Gfx.patternX = x & 7;
  Gfx.patternY = y & 7;
}

void PortSetScale(int32_t n) {
  if (!Gfx.port || n <= 0) return;
  Gfx.port->scale = n;
  SetWindowExtEx(Gfx.port->dc, n * 72, n * 72, nullptr);
}

int32_t ColourSum(COLORREF colour) {
  return GetRValue(colour) + GetGValue(colour) + GetBValue(colour);
}

int32_t ColourBrightness(COLORREF colour) { return ColourSum(colour) / 3; }

int32_t ColourDistance(COLORREF a, COLORREF b) {
  auto diff = [](int32_t x, int32_t y) { return x > y ? x - y : y - x; };
  return diff(GetRValue(a), GetRValue(b)) + diff(GetGValue(a), GetGValue(b)) +
         diff(GetBValue(a), GetBValue(b));
}

bool ColourVisibleOnBack(int32_t index) {
  COLORREF colour = PaletteColour(index);
  if (!Gfx.port) return ColourDistance(colour, PaletteColour(Gfx.backColour)) >= 48;
  return ColourDistance(GetNearestColor(Gfx.port->dc, colour), GetBkColor(Gfx.port->dc)) >= 48;
}

uint32_t ColourToArgb(COLORREF colour) {
  return 0xFF000000u | (static_cast<uint32_t>(GetRValue(colour)) << 16) |
         (static_cast<uint32_t>(GetGValue(colour)) << 8) | GetBValue(colour);
}

// --- Cursors and the hold counter -----------------------------------------------------------

void CursorSet(uint32_t id) {
  HCURSOR cursor;
  if (id >= 32000 && id <= 0xFFFF) {
    cursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(id));
  } else {
    cursor = LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
  }
  // A missing resource would hide the pointer altogether.
  if (!cursor) cursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
  SetCursor(cursor);
  ++Gfx.cursorChanges;
}

uint32_t CursorChangeCount() { return Gfx.cursorChanges; }

void HoldEnter() { ++Gfx.holdCount; }

void HoldLeave() {
  if (Gfx.holdCount > 0) --Gfx.holdCount;
}

int32_t HoldCount() { return Gfx.holdCount; }

// --- Offscreen bitmaps ---------------------------------------------------------------------

bool OffscreenCreate(OffscreenBitmap* record, int32_t width, int32_t height) {
  *record = OffscreenBitmap{};
  if (width <= 0 || height <= 0) return false;
  // A windowless element's memory DC holds a monochrome bitmap: take the screen instead.
  GraphicsPort* port = Gfx.port;
  bool usePort =
      port && !(port->kind == kPortWindow && !port->window) && port->kind != kPortPrinter;
  HDC reference = usePort ? port->dc : GetDC(nullptr);
  record->dc = CreateCompatibleDC(reference);
  record->bitmap = CreateCompatibleBitmap(reference, width, height);
  if (!usePort) ReleaseDC(nullptr, reference);
  if (!record->dc || !record->bitmap) {
    if (record->dc) DeleteDC(record->dc);
    if (record->bitmap) DeleteObject(record->bitmap);
    *record = OffscreenBitmap{};
    PendingErrorResource();
    return false;
  }
  record->oldBitmap = static_cast<HBITMAP>(SelectObject(record->dc, record->bitmap));
  SetRect(&record->rect, 0, 0, width, height);
  return true;
}

void OffscreenFree(OffscreenBitmap* record) {
  if (record->dc) {
    SelectObject(record->dc, record->oldBitmap);
    DeleteDC(record->dc);
  }
  if (record->bitmap) DeleteObject(record->bitmap);
  MemFree(record->mask);
  *record = OffscreenBitmap{};
}

void OffscreenBlitTo(const OffscreenBitmap* record, int32_t x, int32_t y) {
  if (!Gfx.port || !record->dc) return;
  BitBlt(Gfx.port->dc, x, y, record->rect.right, record->rect.bottom, record->dc, 0, 0, SRCCOPY);
}

void BitmapBlit(OffscreenBitmap* record, int32_t x, int32_t y, HBITMAP bitmap, const RECT* source) {
  if (!record->dc || !bitmap) return;
  HDC dc = CreateCompatibleDC(record->dc);
  if (!dc) return;
  HGDIOBJ old = SelectObject(dc, bitmap);
  BitBlt(record->dc, x, y, source->right - source->left, source->bottom - source->top, dc,
         source->left, source->top, SRCCOPY);
  SelectObject(dc, old);
  DeleteDC(dc);
}

void BitmapTint(OffscreenBitmap* record, int32_t x, int32_t y, HBITMAP bitmap, const RECT* source,
                COLORREF colour) {
  int32_t width = source->right - source->left;
  int32_t height = source->bottom - source->top;
  if (!record->dc || !bitmap || width <= 0 || height <= 0) return;
  HDC dc = CreateCompatibleDC(record->dc);
  if (!dc) return;
  HGDIOBJ old = SelectObject(dc, bitmap);
  uint32_t* from = PixelsRead(dc, source->left, source->top, width, height);
  SelectObject(dc, old);
  DeleteDC(dc);
  uint32_t* to = from ? PixelsRead(record->dc, x, y, width, height) : nullptr;
  if (to) {
    COLORREF c = colour;
    uint32_t tint =
        (static_cast<uint32_t>(GetRValue(c)) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    for (int32_t i = 0; i < width * height; ++i) {
      if (from[i] != 0xFFFFFF) to[i] = tint;
    }
    PixelsWrite(record->dc, x, y, width, height, to);
  }
  MemFree(from);
  MemFree(to);
}

void OffscreenKeepScreenWhereWhite(OffscreenBitmap* record, int32_t x, int32_t y) {
  if (!Gfx.port || !record->dc) return;
  int32_t width = record->rect.right;
  int32_t height = record->rect.bottom;
  uint32_t* own = PixelsRead(record->dc, 0, 0, width, height);
  uint32_t* screen = own ? PixelsRead(Gfx.port->dc, x, y, width, height) : nullptr;
  if (screen) {
    for (int32_t i = 0; i < width * height; ++i) {
      if (own[i] == 0xFFFFFF) own[i] = screen[i];
    }
    PixelsWrite(record->dc, 0, 0, width, height, own);
  }
  MemFree(own);
  MemFree(screen);
}

bool OffscreenMaskGet(const OffscreenBitmap* record, int32_t x, int32_t y) {
  int32_t width = record->rect.right;
  if (!record->mask || x < 0 || y < 0 || x >= width || y >= record->rect.bottom) return false;
  int64_t bit = static_cast<int64_t>(y) * width + x;
  return (record->mask[bit >> 3] >> (bit & 7)) & 1;
}

void OffscreenMaskSet(OffscreenBitmap* record, int32_t x, int32_t y) {
  int32_t width = record->rect.right;
  int32_t height = record->rect.bottom;
  if (x < 0 || y < 0 || x >= width || y >= height) return;
  if (!record->mask) {
    int64_t bytes = (static_cast<int64_t>(width) * height + 7) / 8;
    record->mask = static_cast<uint8_t*>(MemAlloc(bytes, 0));
    if (!record->mask) return;
    MemZero(record->mask, bytes);
  }
  int64_t bit = static_cast<int64_t>(y) * width + x;
  record->mask[bit >> 3] |= static_cast<uint8_t>(1u << (bit & 7));
}

// --- Pixels --------------------------------------------------------------------------------

namespace {

// A top-down 32-bit DIB section with its own DC; bits points at its pixels.
struct PixelBuffer {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
  uint32_t* bits = nullptr;
};

bool PixelBufferOpen(PixelBuffer* buffer, int32_t width, int32_t height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  buffer->bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  buffer->dc = CreateCompatibleDC(nullptr);
  if (!buffer->bitmap || !buffer->dc) {
    if (buffer->bitmap) DeleteObject(buffer->bitmap);
    if (buffer->dc) DeleteDC(buffer->dc);
    return false;
  }
  buffer->old = SelectObject(buffer->dc, buffer->bitmap);
  buffer->bits = static_cast<uint32_t*>(bits);
  return true;
}

void PixelBufferClose(PixelBuffer* buffer) {
  SelectObject(buffer->dc, buffer->old);
  DeleteDC(buffer->dc);
  DeleteObject(buffer->bitmap);
}

}  // namespace

uint32_t* PixelsRead(HDC dc, int32_t x, int32_t y, int32_t width, int32_t height) {
  if (!dc || width <= 0 || height <= 0) return nullptr;
  int64_t count = static_cast<int64_t>(width) * height;
  auto* pixels = static_cast<uint32_t*>(MemAlloc(count * 4, 0));
  if (!pixels) return nullptr;
  PixelBuffer buffer;
  if (!PixelBufferOpen(&buffer, width, height)) {
    MemFree(pixels);
    return nullptr;
  }
  BitBlt(buffer.dc, 0, 0, width, height, dc, x, y, SRCCOPY);
  GdiFlush();
  for (int64_t i = 0; i < count; ++i) pixels[i] = buffer.bits[i] & 0xFFFFFF;
  PixelBufferClose(&buffer);
  return pixels;
}

void PixelsWrite(HDC dc, int32_t x, int32_t y, int32_t width, int32_t height,
                 const uint32_t* pixels) {
  if (!dc || !pixels || width <= 0 || height <= 0) return;
  PixelBuffer buffer;
  if (!PixelBufferOpen(&buffer, width, height)) return;
  for (int64_t i = 0; i < static_cast<int64_t>(width) * height; ++i) buffer.bits[i] = pixels[i];
  GdiFlush();
  BitBlt(dc, x, y, width, height, buffer.dc, 0, 0, SRCCOPY);
  PixelBufferClose(&buffer);
}

T_ForeIndex::T_ForeIndex(int32_t index) : saved_(Gfx.foreColour) { PortSetForeIndex(index); }
T_ForeIndex::~T_ForeIndex() { PortSetForeIndex(saved_); }
void T_ForeIndex::Set(int32_t index) { PortSetForeIndex(index); }

// --- Clipped text ------------------------------------------------------------------------------

void PortWatchClippedText(ClippedTextWatch* watch) { Gfx.clippedTextWatch = watch; }

void PortNoteTextRun(int32_t x, int32_t y, const RECT* clip, const char* bytes, int32_t n) {
  ClippedTextWatch* watch = Gfx.clippedTextWatch;
  if (!watch || !Gfx.port) return;
  TextMeasure size = TextExtent(bytes, n);
  RECT drawn{x, y, x + size.width, y + size.height};
  RECT box = clip ? *clip : drawn;
  RECT region;
  if (Gfx.clip && GetRgnBox(Gfx.clip, &region) != NULLREGION) {
    if (!IntersectRect(&box, &box, &region)) return;
  }
  RECT shown;
  if (!IntersectRect(&shown, &drawn, &box)) return;  // not drawn at all, so nothing is cut
  // A glyph's side bearing may reach a pixel past its advance, and the font's internal leading
  // leaves room above the letters: a cut counts from two pixels across, or a quarter of a line.
  int32_t slack = size.height / 4;
  bool cut = drawn.left < box.left - 1 || drawn.right > box.right + 1 ||
             drawn.top < box.top - slack || drawn.bottom > box.bottom + slack;
  if (!cut) return;
  ClippedText text{bytes, n, drawn, box, POINT{Gfx.port->originX, Gfx.port->originY}};
  watch->note(watch->context, &text);
}
