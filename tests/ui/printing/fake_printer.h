#pragma once
// A printer that is a memory bitmap, and page setup and print dialogs answered in advance.
//
// Each page is a white 32-bit bitmap; when a page ends, the fake looks at a row of 36-point
// slots along the top edge and notes which slot is black, so a test sees what reached the paper
// and where, in device pixels.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "ui/page_setup.h"
#include "ui/printing.h"

namespace fake {

constexpr int32_t kPageWidth = 640;  // pixels
constexpr int32_t kPageHeight = 120;
constexpr int32_t kSlot = 36;  // points
constexpr int32_t kSlots = 8;

constexpr const wchar_t* kPrinterName = L"Ledger Printer";

// A device-mode block as the dialogs hand them out; sizes in tenths of a millimetre.
inline HGLOBAL DevModeBlock(int16_t width, int16_t length, int16_t orientation,
                            int16_t paperCode = 0, const wchar_t* name = kPrinterName) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DEVMODEW));
  auto* mode = static_cast<DEVMODEW*>(GlobalLock(block));
  wcsncpy(mode->dmDeviceName, name, CCHDEVICENAME);
  mode->dmSize = sizeof(DEVMODEW);
  mode->dmFields = DM_ORIENTATION | DM_PAPERSIZE;
  if (width) mode->dmFields |= DM_PAPERWIDTH | DM_PAPERLENGTH;
  mode->dmOrientation = orientation;
  mode->dmPaperSize = paperCode;
  mode->dmPaperWidth = width;
  mode->dmPaperLength = length;
  GlobalUnlock(block);
  return block;
}

inline void SetOrientation(HGLOBAL block, int16_t orientation) {
  auto* mode = static_cast<DEVMODEW*>(GlobalLock(block));
  mode->dmOrientation = orientation;
  GlobalUnlock(block);
}

// --- The printer's papers -----------------------------------------------------------------------

// The papers the printer offers by code, in tenths of a millimetre: two standard ones and one
// of the driver's own, which no table outside the driver knows.
struct Paper {
  WORD code;
  POINT size;
};
constexpr Paper kPapers[] = {
    {DMPAPER_LETTER, {2159, 2794}}, {DMPAPER_A5, {1480, 2100}}, {DMPAPER_USER + 7, {1000, 3000}}};
inline std::vector<std::wstring> capabilityDevices;  // the device named in each call

inline int DeviceCapabilities(const wchar_t* device, const wchar_t*, WORD capability,
                              wchar_t* output, const DEVMODEW*) {
  capabilityDevices.push_back(device ? device : L"");
  if (!device || std::wcscmp(device, kPrinterName) != 0) return -1;
  constexpr int kCount = sizeof kPapers / sizeof kPapers[0];
  for (int i = 0; i < kCount && output; ++i) {
    if (capability == DC_PAPERS) {
      reinterpret_cast<WORD*>(output)[i] = kPapers[i].code;
    } else if (capability == DC_PAPERSIZE) {
      reinterpret_cast<POINT*>(output)[i] = kPapers[i].size;
    }
  }
  return capability == DC_PAPERS || capability == DC_PAPERSIZE ? kCount : -1;
}

// --- Page setup -------------------------------------------------------------------------------

struct PageSetupAnswer {
  BOOL result = TRUE;
  int16_t width = 2100;  // A4
  int16_t length = 2970;
  int16_t orientation = DMORIENT_PORTRAIT;
  RECT margins{1000, 1000, 1000, 1000};
};
inline PageSetupAnswer pageSetupAnswer;
inline std::vector<PAGESETUPDLGW> pageSetupCalls;

// A lent block is edited in place, as the dialog does; otherwise a new one is handed out.
inline BOOL PageSetupDialog(PAGESETUPDLGW* setup) {
  pageSetupCalls.push_back(*setup);
  const PageSetupAnswer& a = pageSetupAnswer;
  if (!a.result) return FALSE;
  if (setup->hDevMode) {
    auto* mode = static_cast<DEVMODEW*>(GlobalLock(setup->hDevMode));
    mode->dmPaperWidth = a.width;
    mode->dmPaperLength = a.length;
    mode->dmOrientation = a.orientation;
    GlobalUnlock(setup->hDevMode);
  } else {
    setup->hDevMode = DevModeBlock(a.width, a.length, a.orientation);
  }
  setup->hDevNames = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 64);
  setup->rtMargin = a.margins;
  return TRUE;
}

// --- The printer ------------------------------------------------------------------------------

struct PrinterLog {
  int32_t dcsCreated = 0;
  int32_t dcsDeleted = 0;
  std::wstring deviceName;  // from the device mode given to createDC
  std::wstring documentName;
  int32_t documents = 0;  // StartDoc calls that succeeded
  int32_t documentsEnded = 0;
  std::vector<int32_t> slots;        // per ended page: the first black slot (from 1), 0 for none
  std::vector<uint32_t> pagePixels;  // per ended page: the pixel at (probeX, probeY)
  // Per ended page, its pixels (kPageWidth by kPageHeight, top-down), when keepPages is set:
  // a contact sheet shows what reached the paper.
  std::vector<std::vector<uint32_t>> pages;
};
struct PrinterFaults {
  bool refuseDC = false;
  int startDocResult = 1;
  int32_t failStartPage = 0;  // the nth StartPage (from 1) fails
  int32_t failEndPage = 0;
};
inline PrinterLog printer;
inline PrinterFaults faults;
inline int32_t probeX = 0;  // pixels
inline int32_t probeY = 0;
inline bool keepPages = false;
inline int32_t startPages = 0;
inline int32_t endPages = 0;
inline HBITMAP pageBitmap = nullptr;
inline HBITMAP pageOldBitmap = nullptr;
inline uint32_t* pageBits = nullptr;

inline HDC NewPageDC() {
  HDC dc = CreateCompatibleDC(nullptr);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = kPageWidth;
  info.bmiHeader.biHeight = -kPageHeight;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  pageBitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  pageBits = static_cast<uint32_t*>(bits);
  pageOldBitmap = static_cast<HBITMAP>(SelectObject(dc, pageBitmap));
  ++printer.dcsCreated;
  return dc;
}

inline uint32_t PagePixel(int32_t x, int32_t y) {
  GdiFlush();
  return pageBits[y * kPageWidth + x] & 0xFFFFFF;
}

// Device pixels of a point on the page DC.
inline int32_t PixelsOf(HDC dc, int32_t points) {
  return points * GetDeviceCaps(dc, LOGPIXELSX) / 72;
}

inline HDC CreateDC(const DEVMODEW* mode) {
  printer.deviceName.assign(mode->dmDeviceName, wcsnlen(mode->dmDeviceName, CCHDEVICENAME));
  return faults.refuseDC ? nullptr : NewPageDC();
}
inline int StartDoc(HDC, const DOCINFOW* document) {
  if (faults.startDocResult <= 0) return faults.startDocResult;
  printer.documentName = document->lpszDocName ? document->lpszDocName : L"";
  ++printer.documents;
  return 1;
}
inline int StartPage(HDC) {
  if (++startPages == faults.failStartPage) return 0;
  GdiFlush();
  std::memset(pageBits, 0xFF, sizeof(uint32_t) * kPageWidth * kPageHeight);
  return 1;
}
inline int EndPage(HDC dc) {
  int32_t found = 0;
  int32_t y = PixelsOf(dc, kSlot / 2);
  for (int32_t slot = 0; slot < kSlots && !found; ++slot) {
    if (PagePixel(PixelsOf(dc, slot * kSlot + kSlot / 2), y) == 0) found = slot + 1;
  }
  printer.slots.push_back(found);
  printer.pagePixels.push_back(PagePixel(probeX, probeY));
  if (keepPages) printer.pages.emplace_back(pageBits, pageBits + kPageWidth * kPageHeight);
  return ++endPages == faults.failEndPage ? 0 : 1;
}
inline int EndDoc(HDC) {
  ++printer.documentsEnded;
  return 1;
}
inline BOOL DeleteDC(HDC dc) {
  SelectObject(dc, pageOldBitmap);
  DeleteObject(pageBitmap);
  pageBitmap = nullptr;
  pageBits = nullptr;
  ++printer.dcsDeleted;
  return ::DeleteDC(dc);
}

// --- The print dialog -------------------------------------------------------------------------

struct PrintDialogAnswer {
  HRESULT result = S_OK;
  DWORD action = PD_RESULT_PRINT;
  DWORD copies = 1;
  bool collate = false;
  std::vector<PRINTPAGERANGE> ranges;  // empty: all pages
  int16_t orientation = 0;             // 0: the printer's settings stay as they are
};
struct PrintDialogSeen {
  PRINTDLGEXW dialog{};
  PRINTPAGERANGE firstRange{};
  int32_t calls = 0;
};
inline PrintDialogAnswer printAnswer;
inline PrintDialogSeen printSeen;

inline HRESULT PrintDialog(PRINTDLGEXW* dialog) {
  printSeen.dialog = *dialog;
  printSeen.firstRange = dialog->lpPageRanges[0];
  ++printSeen.calls;
  const PrintDialogAnswer& a = printAnswer;
  if (a.result != S_OK) return a.result;
  dialog->dwResultAction = a.action;
  if (a.action == PD_RESULT_CANCEL) return S_OK;
  if (a.orientation) SetOrientation(dialog->hDevMode, a.orientation);
  dialog->hDevNames = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 64);
  dialog->hDC = NewPageDC();
  dialog->nCopies = a.copies;
  if (a.collate) dialog->Flags |= PD_COLLATE;
  if (!a.ranges.empty()) {
    dialog->Flags |= PD_PAGENUMS;
    dialog->nPageRanges = static_cast<DWORD>(a.ranges.size());
    for (size_t i = 0; i < a.ranges.size(); ++i) dialog->lpPageRanges[i] = a.ranges[i];
  }
  return S_OK;
}

inline const PrintDevice kDevice = {CreateDC, StartDoc, StartPage,  EndPage,
                                    EndDoc,   DeleteDC, PrintDialog};

// Everything back to a willing printer with A4 paper and fresh logs.
inline void Install() {
  pageSetupAnswer = {};
  pageSetupCalls.clear();
  capabilityDevices.clear();
  printer = {};
  faults = {};
  printAnswer = {};
  printSeen = {};
  probeX = probeY = 0;
  keepPages = false;
  startPages = endPages = 0;
  SetPageSetupDialogHook(PageSetupDialog);
  SetDeviceCapabilitiesHook(DeviceCapabilities);
  SetPrintDevice(&kDevice);
}
inline void Remove() {
  SetPageSetupDialogHook(nullptr);
  SetDeviceCapabilitiesHook(nullptr);
  SetPrintDevice(nullptr);
}

}  // namespace fake
