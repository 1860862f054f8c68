#include "ui/page_setup.h"

#include <cstddef>
#include <cstring>

#include "core/memory.h"
#include "core/message_pump.h"
#include "ui/native_window.h"
#include "ui/window.h"

static_assert(sizeof(PAGESETUPDLGW) == 128, "the page setup structure of the 64-bit system");
static_assert((PSD_MARGINS | PSD_INTHOUSANDTHSOFINCHES | PSD_RETURNDEFAULT) == 0x406);

namespace {

PageSetupDialogHook dialogHook = nullptr;
DeviceCapabilitiesHook capabilitiesHook = nullptr;

BOOL RunPageSetupDialog(PAGESETUPDLGW* setup) {
  return dialogHook ? dialogHook(setup) : PageSetupDlgW(setup);
}

int Capabilities(const wchar_t* device, WORD capability, void* output, const DEVMODEW* mode) {
  auto* out = static_cast<wchar_t*>(output);
  return capabilitiesHook ? capabilitiesHook(device, nullptr, capability, out, mode)
                          : DeviceCapabilitiesW(device, nullptr, capability, out, mode);
}

// Old device modes end earlier than today's structure; every mode has at least the fields up to
// the paper width, which is all that is read here.
constexpr size_t kDevModeMinimum = offsetof(DEVMODEW, dmPaperWidth) + sizeof(short);
// More papers than any driver offers: a count beyond it is a driver's fault, not a list.
constexpr int kMostPapers = 4096;

// The size the printer of the mode gives for the mode's paper code (tenths of a millimetre).
// Drivers often name a paper by its code alone, and only the driver knows its own codes.
bool PrinterPaperSize(const DEVMODEW* mode, int32_t* width, int32_t* length) {
  // The name field need not end in a zero when the name fills it.
  wchar_t device[CCHDEVICENAME + 1];
  std::memcpy(device, mode->dmDeviceName, sizeof mode->dmDeviceName);
  device[CCHDEVICENAME] = 0;
  if (!device[0]) return false;
  const int count = Capabilities(device, DC_PAPERS, nullptr, mode);
  if (count <= 0 || count > kMostPapers) return false;
  auto* codes = static_cast<WORD*>(MemAlloc(int64_t{count} * sizeof(WORD), 0));
  auto* sizes = static_cast<POINT*>(MemAlloc(int64_t{count} * sizeof(POINT), 0));
  bool found = false;
  if (codes && sizes && Capabilities(device, DC_PAPERS, codes, mode) == count &&
      Capabilities(device, DC_PAPERSIZE, sizes, mode) == count) {
    for (int i = 0; i < count && !found; ++i) {
      if (codes[i] != static_cast<WORD>(mode->dmPaperSize)) continue;
      *width = sizes[i].x;
      *length = sizes[i].y;
      found = true;
    }
  }
  MemFree(sizes);
  MemFree(codes);
  return found;
}

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

bool PaperSizeOfDevMode(const DEVMODEW* mode, int32_t* width, int32_t* height) {
  int32_t w = mode->dmPaperWidth;
  int32_t h = mode->dmPaperLength;
  if ((w <= 0 || h <= 0) && !PrinterPaperSize(mode, &w, &h)) return false;
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
  const auto* mode = static_cast<const DEVMODEW*>(GlobalLock(block));
  if (!mode) return false;
  size_t declared = static_cast<size_t>(mode->dmSize) + mode->dmDriverExtra;
  bool valid = mode->dmSize >= kDevModeMinimum && declared <= size;
  GlobalUnlock(block);
  return valid;
}

void Window_PaperUpdate(T_Window* window) {
  HGLOBAL block = window->native.printerSetup;
  if (!DevModeBlockValid(block)) return;
  const auto* mode = static_cast<const DEVMODEW*>(GlobalLock(block));
  int32_t width = 0;
  int32_t height = 0;
  bool sized = PaperSizeOfDevMode(mode, &width, &height);
  GlobalUnlock(block);
  if (sized) PaperRectsForSize(width, height, &window->native.printable, &window->native.paper);
}

bool Window_PageSetup(T_Window* window, bool silent) {
  NativeRecord& native = window->native;
  PAGESETUPDLGW setup{};
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

void SetDeviceCapabilitiesHook(DeviceCapabilitiesHook hook) { capabilitiesHook = hook; }
