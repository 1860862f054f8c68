#include "ui/page_setup.h"

#include <cstddef>
#include <cstring>

#include "core/message_pump.h"
#include "ui/native_window.h"
#include "ui/window.h"

static_assert(sizeof(PAGESETUPDLGA) == 128, "the page setup structure of the 64-bit system");
static_assert((PSD_MARGINS | PSD_INTHOUSANDTHSOFINCHES | PSD_RETURNDEFAULT) == 0x406);

namespace {

PageSetupDialogHook dialogHook = nullptr;

BOOL RunPageSetupDialog(PAGESETUPDLGA* setup) {
  return dialogHook ? dialogHook(setup) : PageSetupDlgA(setup);
}

// Old device modes end earlier than today's structure; every mode has at least the fields up to
// the paper width, which is all that is read here.
constexpr size_t kDevModeMinimum = offsetof(DEVMODEA, dmPaperWidth) + sizeof(short);

struct StandardPaper {
  int16_t code;
  int16_t width;  // tenths of a millimetre
  int16_t length;
};

// Drivers often name a standard paper by its code alone and leave the width and length unset.
constexpr StandardPaper kStandardPapers[] = {
    {DMPAPER_LETTER, 2159, 2794},    {DMPAPER_LETTERSMALL, 2159, 2794},
    {DMPAPER_TABLOID, 2794, 4318},   {DMPAPER_LEDGER, 4318, 2794},
    {DMPAPER_LEGAL, 2159, 3556},     {DMPAPER_STATEMENT, 1397, 2159},
    {DMPAPER_EXECUTIVE, 1842, 2667}, {DMPAPER_A3, 2970, 4200},
    {DMPAPER_A4, 2100, 2970},        {DMPAPER_A4SMALL, 2100, 2970},
    {DMPAPER_A5, 1480, 2100},        {DMPAPER_B4, 2500, 3540},
    {DMPAPER_B5, 1820, 2570},        {DMPAPER_FOLIO, 2159, 3302},
    {DMPAPER_QUARTO, 2150, 2750},    {DMPAPER_ENV_10, 1048, 2413},
    {DMPAPER_ENV_DL, 1100, 2200},    {DMPAPER_ENV_C5, 1620, 2290},
};

// A movable copy of a global block; null for null or when memory fails.
HGLOBAL GlobalBlockCopy(HGLOBAL source) {
  if (!source) return nullptr;
  SIZE_T size = GlobalSize(source);
  HGLOBAL copy = size ? GlobalAlloc(GMEM_MOVEABLE, size) : nullptr;
  if (!copy) return nullptr;
  const void* from = GlobalLock(source);
  void* to = GlobalLock(copy);
  if (from && to) std::memcpy(to, from, size);
  if (from) GlobalUnlock(source);
  if (to) GlobalUnlock(copy);
  if (!from || !to) {
    GlobalFree(copy);
    return nullptr;
  }
  return copy;
}

}  // namespace

int32_t PointsFromTenthsMillimetre(int32_t tenths) {
  int64_t scaled = static_cast<int64_t>(tenths) * 72 + 127;
  // Floor division keeps "halves upward" true for negative sizes too.
  int64_t points = scaled >= 0 ? scaled / 254 : -((-scaled + 253) / 254);
  return static_cast<int32_t>(points);
}

bool PaperSizeOfDevMode(const DEVMODEA* mode, int32_t* width, int32_t* height) {
  int32_t w = mode->dmPaperWidth;
  int32_t h = mode->dmPaperLength;
  if (w <= 0 || h <= 0) {
    w = h = 0;
    for (const StandardPaper& paper : kStandardPapers) {
      if (paper.code == mode->dmPaperSize) {
        w = paper.width;
        h = paper.length;
        break;
      }
    }
    if (!w) return false;
  }
  w = PointsFromTenthsMillimetre(w);
  h = PointsFromTenthsMillimetre(h);
  if (mode->dmOrientation == DMORIENT_LANDSCAPE) {
    int32_t swap = w;
    w = h;
    h = swap;
  }
  *width = w;
  *height = h;
  return true;
}

bool PaperRectsForSize(int32_t width, int32_t height, RECT* printable, RECT* paper) {
  if (width < kPaperMinimum || height < kPaperMinimum) return false;
  *printable = {0, 0, width - 2 * kPaperMargin, height - 2 * kPaperMargin};
  *paper = {-kPaperMargin, -kPaperMargin, width - kPaperMargin, height - kPaperMargin};
  return true;
}

bool DevModeBlockValid(HGLOBAL block) {
  if (!block) return false;
  SIZE_T size = GlobalSize(block);
  if (size < kDevModeMinimum) return false;
  const auto* mode = static_cast<const DEVMODEA*>(GlobalLock(block));
  if (!mode) return false;
  size_t declared = static_cast<size_t>(mode->dmSize) + mode->dmDriverExtra;
  bool valid = mode->dmSize >= kDevModeMinimum && declared <= size;
  GlobalUnlock(block);
  return valid;
}

void Window_PaperUpdate(T_Window* window) {
  HGLOBAL block = window->native.printerSetup;
  if (!DevModeBlockValid(block)) return;
  const auto* mode = static_cast<const DEVMODEA*>(GlobalLock(block));
  int32_t width = 0;
  int32_t height = 0;
  bool sized = PaperSizeOfDevMode(mode, &width, &height);
  GlobalUnlock(block);
  if (sized) PaperRectsForSize(width, height, &window->native.printable, &window->native.paper);
}

bool Window_PageSetup(T_Window* window, bool silent) {
  NativeRecord& native = window->native;
  PAGESETUPDLGA setup{};
  setup.lStructSize = sizeof setup;
  setup.hwndOwner = native.handle ? native.handle : FrameWindow();
  setup.hDevMode = silent ? nullptr : native.printerSetup;
  setup.rtMargin = native.margins;
  setup.Flags = PSD_MARGINS | PSD_INTHOUSANDTHSOFINCHES;
  if (silent) setup.Flags |= PSD_RETURNDEFAULT;
  bool ok = RunPageSetupDialog(&setup) != FALSE;
  if (!silent) SetBusyDeadline();
  if (setup.hDevNames) GlobalFree(setup.hDevNames);

  if (silent) {
    // The default printer's settings never replace a setup the user made.
    if (ok && setup.hDevMode && !native.printerSetup) {
      native.printerSetup = setup.hDevMode;
      native.margins = setup.rtMargin;
      Window_PaperUpdate(window);
      return true;
    }
    if (setup.hDevMode) GlobalFree(setup.hDevMode);
    return ok && native.printerSetup;
  }
  // The dialog was lent the window's block and may have moved it: what it hands back is the
  // window's block whatever the answer.
  if (setup.hDevMode) native.printerSetup = setup.hDevMode;
  if (!ok) return false;
  native.margins = setup.rtMargin;
  Window_PaperUpdate(window);
  return native.printerSetup != nullptr;
}

HGLOBAL Window_PrinterSetupCopy(const T_Window* window) {
  return GlobalBlockCopy(window->native.printerSetup);
}

bool Window_PrinterSetupReplace(T_Window* window, HGLOBAL block) {
  if (!DevModeBlockValid(block)) return false;
  HGLOBAL copy = GlobalBlockCopy(block);
  if (!copy) return false;
  if (window->native.printerSetup) GlobalFree(window->native.printerSetup);
  window->native.printerSetup = copy;
  Window_PaperUpdate(window);
  return true;
}

bool Window_HasPrinterSetup(const T_Window* window) {
  return window->native.printerSetup != nullptr;
}

void SetPageSetupDialogHook(PageSetupDialogHook hook) { dialogHook = hook; }
