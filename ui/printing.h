#pragma once
// Printing a window in pages. The toolkit owns the printer conversation (settings, the print
// dialog, the device context, documents and pages); the window decides what a page holds
// through T_Window::Print, which is called with a PrintPhase record in four phases:
//
//   0 begin       once, before anything else
//   1 count pages the window lays out its pages and sets pageCount; first on a port over the
//                 window's own surface, then again on the printer port (printer fonts may
//                 change the count)
//   2 print page  page (from 1) is drawn on the printer port, one unit being one point, the
//                 origin at the printable area's corner
//   3 end         once, after everything else (also when nothing was printed)
//
// Copies and page ranges are the print loop's business: phase 2 may come several times for one
// page, and pages outside the chosen ranges never come.
//
// User-interface thread only; the print dialog is modal.
#include <windows.h>
// Before commdlg.h, which declares the print dialog only where COM is known.
#include <objbase.h>

#include <commdlg.h>

#include <cstdint>

#include "ui/graphics_port.h"

class T_Window;

constexpr uint32_t kPrintBegin = 0;
constexpr uint32_t kPrintCountPages = 1;
constexpr uint32_t kPrintPage = 2;
constexpr uint32_t kPrintEnd = 3;

struct PrintPhase {
  uint32_t phase = kPrintBegin;
  int32_t pageCount = 0;  // set by the window in phase 1
  int32_t page = 0;       // phase 2: the page to print, from 1
  RECT paper{};           // points, relative to the printable area's origin
  RECT printable{};       // points
};

// One document on its way to the printer; the printer port's owner.
struct PrintJob {
  T_Window* window = nullptr;
  HDC dc = nullptr;
  DOCINFOW document{};
  int32_t horizontalPixels = 0;  // HORZRES
  int32_t verticalPixels = 0;    // VERTRES
  int32_t pixelsPerInchX = 0;    // LOGPIXELSX
  int32_t pixelsPerInchY = 0;    // LOGPIXELSY
  GraphicsPort port{};
};

// Prints the window: phase 0, then with the print dialog when the window has a native window
// and withoutDialog is not set, else straight to its printer; then phase 3. True when the pages
// went to the printer or there was nothing to print; false when there is no printer, the user
// cancelled or only applied settings (no pending error for these), or the printer failed (the
// pending error is set).
bool Window_Print(T_Window* window, bool withoutDialog);

// The two ways of Window_Print, without phases 0 and 3.
// Without a dialog: the window's printer (the default printer's settings when it has none), all
// pages once.
bool PrintWithoutDialog(T_Window* window, PrintPhase* phase);
// With the print dialog: the frame window is disabled meanwhile; the dialog's printer becomes
// the window's (also when the user only applies it); its copies, collation and page ranges are
// followed.
bool PrintWithDialog(T_Window* window, PrintPhase* phase);

// What the print loop asks of the system. Tests put a device of their own in its place (a memory
// DC stands in for the printer) and answer the print dialog in advance.
struct PrintDevice {
  // A device context for the printer of a device mode (the block is whole: see
  // DevModeBlockValid); null when it cannot be had.
  HDC (*createDC)(const DEVMODEW* mode);
  int (*startDoc)(HDC dc, const DOCINFOW* document);
  int (*startPage)(HDC dc);
  int (*endPage)(HDC dc);
  int (*endDoc)(HDC dc);
  BOOL (*deleteDC)(HDC dc);
  // PrintDlgExW's contract: the global blocks and the DC it hands back are the caller's.
  HRESULT (*printDialog)(PRINTDLGEXW* dialog);
};
// Null restores the system.
void SetPrintDevice(const PrintDevice* device);
