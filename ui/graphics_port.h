#pragma once
// The graphics port: the one current drawing state on which every drawing call acts.
//
// Invariants:
//   1. Ports nest strictly: the last opened is the first closed. Gfx.port is the innermost open
//      port, or null.
//   2. While a port is current, its DC has the port's own pen, brush and font selected; the
//      objects it replaced are kept in the record and selected back by PortClose.
//   3. Gfx.clip holds the clip region in the drawing coordinates of the current port (origin
//      applied); the port's region A holds the same region in device units and is the DC's clip.
//   4. Opening a port saves the colours, style, attribute words, clip and pattern origin of the
//      port it replaces; closing restores all of them and re-applies the style.
//
// The caller owns every record (usually on the stack of the painting function): PortInitRegions
// before opening, PortFreeRegions after closing. User-interface thread only.
#include <windows.h>

#include <cstdint>

#include "ui/text_style.h"

constexpr int32_t kPaletteSize = 32;
constexpr int32_t kColourWhite = 0;
constexpr int32_t kColourBlack = 10;
constexpr int32_t kColourButtonFace = 27;

// Port kinds.
constexpr int32_t kPortWindow = 0;     // window DC, or a memory DC for a windowless element
constexpr int32_t kPortNative = 1;     // window DC with parent clipping (popup surfaces)
constexpr int32_t kPortOffscreen = 2;  // memory DC over an offscreen bitmap
constexpr int32_t kPortGivenDC = 3;    // a DC that the caller owns
constexpr int32_t kPortPrinter = 4;    // a printer page in points

// A bitmap with its own memory DC, for compositing. The mask (one bit per pixel, row-major)
// exists only while edges are softened.
struct OffscreenBitmap {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  RECT rect{};  // (0, 0, width, height)
  HBITMAP oldBitmap = nullptr;
  uint8_t* mask = nullptr;
};

struct GraphicsPort {
  HDC dc = nullptr;
  HPEN pen = nullptr;
  HBRUSH brush = nullptr;
  HFONT font = nullptr;
  HBRUSH backBrush = nullptr;
  int32_t kind = 0;
  int32_t originX = 0;
  int32_t originY = 0;
  HRGN regionA = nullptr;
  GraphicsPort* previous = nullptr;
  // The state of the previous port, saved at opening.
  POINT savedViewport{};
  int32_t savedFore = 0;
  int32_t savedBack = 0;
  TextStyle savedStyle{};
  int32_t savedWords[2]{};
  int32_t savedPatternX = 0;
  int32_t savedPatternY = 0;
  HRGN regionB = nullptr;  // the saved clip region
  HWND window = nullptr;
  void* owner = nullptr;  // by kind: the element, the popup surface, the offscreen, the print job
  HPEN oldPen = nullptr;
  HBRUSH oldBrush = nullptr;
  HFONT oldFont = nullptr;
  // Device offset of a native port's drawing area inside its window.
  int32_t nativeX = 0;
  int32_t nativeY = 0;
  RECT area{};  // the whole drawing area in the port's own coordinates
  int32_t scale = 1;
};

// The process-wide drawing state.
struct GraphicsState {
  GraphicsPort* port = nullptr;
  int32_t foreColour = kColourBlack;
  int32_t backColour = kColourButtonFace;
  TextStyle style{};
  int32_t words[2]{};  // two attribute words that ports save and restore for their users
  int32_t patternX = 0;
  int32_t patternY = 0;
  HRGN clip = nullptr;
  COLORREF palette[kPaletteSize]{};
  uint32_t cursorChanges = 0;
  int32_t holdCount = 0;
  struct ClippedTextWatch* clippedTextWatch = nullptr;  // null outside tests
};
extern GraphicsState Gfx;

// --- Clipped text (a test mode) ----------------------------------------------------------------

// A text run the port drew with part of it outside the box that clips it (the run's clip
// rectangle within the port's clip), in the current port's drawing coordinates; origin is where
// those coordinates start on the device, so texts of different elements compare.
struct ClippedText {
  const char* bytes;
  int32_t n;
  RECT drawn;
  RECT clip;
  POINT origin;
};
// Off (null) by default, when TextOut pays one pointer test; a test sets one to see every text
// that is drawn only in part.
struct ClippedTextWatch {
  void (*note)(void* context, const ClippedText* text);
  void* context;
};
void PortWatchClippedText(ClippedTextWatch* watch);
// Notes the run with the watch when it crosses the clip; TextOut calls it only while one is set.
void PortNoteTextRun(int32_t x, int32_t y, const RECT* clip, const char* bytes, int32_t n);

// The palette colour of an index; black for an index outside 0..31 (indices come from files).
COLORREF PaletteColour(int32_t index);
// Puts the palette back to its start-up values (entries 23 to 30 as before the first refresh).
void PaletteReset();
// Entries 23 to 30 from the system colours.
void SystemColoursRefresh();
// The same with a given source of system colours (GetSysColor's contract).
void SystemColoursRefreshFrom(COLORREF (*systemColour)(int index));

// --- Ports ---------------------------------------------------------------------------------

void PortInitRegions(GraphicsPort* port);
void PortFreeRegions(GraphicsPort* port);

// A port on a window's client area; without a window, on a memory DC (for measuring).
bool PortOpenElement(GraphicsPort* port, HWND window, void* element);
// A port on a window DC with parent clipping, drawing at (offsetX, offsetY) of the window.
bool PortOpenNative(GraphicsPort* port, HWND window, int32_t offsetX, int32_t offsetY,
                    int32_t width, int32_t height, void* surface);
// A new offscreen bitmap of the rectangle's size, compatible with the current port, erased with
// the background brush. The bitmap stays in the record after closing; OffscreenFree deletes it.
bool PortOpenOffscreen(GraphicsPort* port, OffscreenBitmap* record, const RECT* rect);
// A DC the caller owns, drawing area width x height.
bool PortOpenDC(GraphicsPort* port, HWND window, HDC dc, int32_t width, int32_t height);
// A printer page: one unit is one point; background white.
bool PortOpenPrinter(GraphicsPort* port, HDC printerDC, void* job);
void PortClose(GraphicsPort* port);

bool PortIsPrinter();
HDC PortDC();

// Moves the drawing origin of the current port (the clip stays where it is on the device).
void PortSetOrigin(int32_t x, int32_t y);
// The clip region of the current port, given in drawing coordinates (copied).
void PortSetClip(HRGN region);
void PortSetClipRect(const RECT* rect);
// Selects Gfx.clip into the current port's DC.
void PortSelectClip();

// --- Attributes ------------------------------------------------------------------------------

void PortApplyForeColour();
void PortApplyBackColour();
void PortApplyFont();
void PortApplyStyle();
// Sets the index and applies it.
void PortSetForeIndex(int32_t index);

// Sets the current port's foreground index for the life of the object and puts the old one back.
class T_ForeIndex {
 public:
  explicit T_ForeIndex(int32_t index);
  ~T_ForeIndex();
  void Set(int32_t index);
  T_ForeIndex(const T_ForeIndex&) = delete;
  T_ForeIndex& operator=(const T_ForeIndex&) = delete;

 private:
  int32_t saved_;
};
void PortSetBackIndex(int32_t index);
void PortSetColourRGB(uint8_t blue, uint8_t green, uint8_t red);
void PortSetPatternOrigin(int32_t x, int32_t y);
void PortSetScale(int32_t n);

int32_t ColourSum(COLORREF colour);
int32_t ColourBrightness(COLORREF colour);
int32_t ColourDistance(COLORREF a, COLORREF b);
bool ColourVisibleOnBack(int32_t index);
// 0xFF, red, green, blue.
uint32_t ColourToArgb(COLORREF colour);

// --- Cursors and the hold counter -----------------------------------------------------------

void CursorSet(uint32_t id);
uint32_t CursorChangeCount();
void HoldEnter();
void HoldLeave();
int32_t HoldCount();

// --- Offscreen bitmaps ---------------------------------------------------------------------

bool OffscreenCreate(OffscreenBitmap* record, int32_t width, int32_t height);
void OffscreenFree(OffscreenBitmap* record);
void OffscreenBlitTo(const OffscreenBitmap* record, int32_t x, int32_t y);
void BitmapBlit(OffscreenBitmap* record, int32_t x, int32_t y, HBITMAP bitmap, const RECT* source);
// Every pixel of the source that is not white becomes the colour in the record.
void BitmapTint(OffscreenBitmap* record, int32_t x, int32_t y, HBITMAP bitmap, const RECT* source,
                COLORREF colour);
// White counts as transparent: every white pixel of the record takes the current port's pixel
// at (x, y) plus its position.
void OffscreenKeepScreenWhereWhite(OffscreenBitmap* record, int32_t x, int32_t y);
bool OffscreenMaskGet(const OffscreenBitmap* record, int32_t x, int32_t y);
void OffscreenMaskSet(OffscreenBitmap* record, int32_t x, int32_t y);

// The pixels of a rectangle of a DC as 0x00RRGGBB words, row by row from the top (through a
// 32-bit copy, so any DC serves); the caller frees the MemAlloc block. Null when memory or GDI
// fails.
uint32_t* PixelsRead(HDC dc, int32_t x, int32_t y, int32_t width, int32_t height);
void PixelsWrite(HDC dc, int32_t x, int32_t y, int32_t width, int32_t height,
                 const uint32_t* pixels);
