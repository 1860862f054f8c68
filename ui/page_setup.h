#pragma once
// The printer settings of a window and the page setup dialog.
//
// Every T_Window keeps its own printer settings in its native record: a global memory block
// with the printer's device mode in its wide form (DEVMODEW; null until a page setup was made),
// the margins the page setup dialog returned (thousandths of an inch) and the printable and
// paper rectangles in points (1/72 inch) derived from the device mode. The windows lay out their
// printed pages in those rectangles; the print loop (ui/printing.h) recomputes them before every
// print.
//
// Device-mode blocks also arrive from stored templates, so every block is checked before it is
// read: the sizes it declares must lie inside the block.
//
// User-interface thread only.
#include <windows.h>
// Before commdlg.h, which declares the print dialog only where COM is known.
#include <objbase.h>

#include <commdlg.h>

#include <cstdint>

class T_Window;

// Papers smaller than this (points, either direction) keep the window's previous rectangles.
constexpr int32_t kPaperMinimum = 200;
// The fixed margin around the printable rectangle on every side (points).
constexpr int32_t kPaperMargin = 14;

// Tenths of a millimetre (the device mode's unit) in points, to the nearest whole point, halves
// upward.
int32_t PointsFromTenthsMillimetre(int32_t tenths);

// The paper size of a device mode in points, width and height as printed (landscape swaps them).
// Where the mode leaves its paper width or length unset, the printer named in the mode gives the
// size of its paper code (DeviceCapabilitiesW, DC_PAPERS and DC_PAPERSIZE). False when neither
// gives a size.
bool PaperSizeOfDevMode(const DEVMODEW* mode, int32_t* width, int32_t* height);

// The printable rectangle (0, 0, width - 28, height - 28) and the paper rectangle around it
// (-14, -14, width - 14, height - 14) of a paper of width x height points. False, with both
// rectangles left as they were, when the paper is smaller than kPaperMinimum either way.
bool PaperRectsForSize(int32_t width, int32_t height, RECT* printable, RECT* paper);

// Whether a global block holds a whole device mode: at least the fields up to the paper width,
// and its declared size plus driver data inside the block.
bool DevModeBlockValid(HGLOBAL block);

// Recomputes the window's printable and paper rectangles from its printer settings; nothing
// changes without settings or when they give no usable paper.
void Window_PaperUpdate(T_Window* window);

// The page setup dialog for the window (owned by its native window, else the frame window) with
// its settings and stored margins. On OK the returned settings become the window's, the margins
// are stored and the rectangles recomputed; the wait cursor is armed afterwards.
// Silent: no dialog; the default printer's settings are asked for, and taken only when the
// window has none yet (an existing setup is kept). False when the user cancelled or there is no
// printer; neither sets the pending error.
bool Window_PageSetup(T_Window* window, bool silent);

// Sharing settings between windows (and with stored templates):
// a copy of the window's device-mode block that the caller frees with GlobalFree (null when the
// window has none or memory fails);
HGLOBAL Window_PrinterSetupCopy(const T_Window* window);
// the window takes a copy of the block (which stays the caller's) and recomputes its
// rectangles; false, with the window unchanged, for a null or damaged block or when memory fails;
bool Window_PrinterSetupReplace(T_Window* window, HGLOBAL block);
bool Window_HasPrinterSetup(const T_Window* window);

// Tests (and runs without a person) answer in place of PageSetupDlgW: the hook gets the filled
// structure and answers as the dialog would, handing back global blocks the caller then owns.
// Null restores the system's dialog.
using PageSetupDialogHook = BOOL (*)(PAGESETUPDLGW* setup);
void SetPageSetupDialogHook(PageSetupDialogHook hook);
// Tests put a printer of their own in place of DeviceCapabilitiesW (same contract); null restores
// the system's.
using DeviceCapabilitiesHook = int (*)(const wchar_t* device, const wchar_t* port, WORD capability,
                                       wchar_t* output, const DEVMODEW* mode);
void SetDeviceCapabilitiesHook(DeviceCapabilitiesHook hook);
