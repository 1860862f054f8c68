#include "ui/printing.h"

#include <cstring>

#include "core/alert.h"
#include "core/memory.h"
#include "core/message_pump.h"
#include "ui/native_window.h"
#include "ui/page_setup.h"
#include "ui/text_wide.h"
#include "ui/window.h"

static_assert(sizeof(PRINTDLGEXW) == 136, "the print dialog structure of the 64-bit system");
static_assert(sizeof(DOCINFOW) == 40);

namespace {

constexpr DWORD kDialogFlags =
    PD_NOSELECTION | PD_NOWARNING | PD_RETURNDC | PD_USEDEVMODECOPIESANDCOLLATE | PD_NOCURRENTPAGE;
static_assert(kDialogFlags == 0x840184);
constexpr DWORD kMaxPageRanges = 4;

HDC SystemCreateDC(const DEVMODEW* mode) {
  // The name field need not end in a zero when the name fills it.
  wchar_t name[CCHDEVICENAME + 1];
  std::memcpy(name, mode->dmDeviceName, sizeof mode->dmDeviceName);
  name[CCHDEVICENAME] = 0;
  return CreateDCW(nullptr, name, nullptr, mode);
}

const PrintDevice kSystemDevice = {SystemCreateDC, StartDocW, StartPage,  EndPage,
                                   EndDoc,         DeleteDC,  PrintDlgExW};
const PrintDevice* device = &kSystemDevice;

void SendPhase(T_Window* window, PrintPhase* phase, uint32_t code) {
  phase->phase = code;
  window->Print(phase);
}

void ApplyWindowStyle(T_Window* window) {
  Gfx.style = window->style;
  Gfx.foreColour = kColourBlack;
  PortApplyStyle();
}

// Phase 1 on a port over the window's own surface (a memory DC when it has no native window).
void CountPagesOnWindow(T_Window* window, PrintPhase* phase) {
  phase->pageCount = 0;
  GraphicsPort port;
  PortInitRegions(&port);
  if (PortOpenElement(&port, window->native.handle, window)) {
    ApplyWindowStyle(window);
    SendPhase(window, phase, kPrintCountPages);
    PortClose(&port);
  }
  PortFreeRegions(&port);
}

// The window's printer settings, the default printer's when it has none; false without a printer.
bool PrepareSettings(T_Window* window, PrintPhase* phase) {
  if (!window->native.printerSetup) {
    if (!Window_PageSetup(window, true)) return false;
  } else {
    Window_PaperUpdate(window);
  }
  if (!DevModeBlockValid(window->native.printerSetup)) return false;
  phase->paper = window->native.paper;
  phase->printable = window->native.printable;
  return true;
}

// Which pages are printed how often, and in which order.
struct PageOrder {
  int32_t copies = 1;
  bool collate = true;
  const PRINTPAGERANGE* ranges = nullptr;  // null: every page
  int32_t rangeCount = 0;
};

bool PageChosen(const PageOrder& order, int32_t page) {
  if (!order.ranges) return true;
  for (int32_t i = 0; i < order.rangeCount; ++i) {
    const PRINTPAGERANGE& range = order.ranges[i];
    if (static_cast<DWORD>(page) >= range.nFromPage && static_cast<DWORD>(page) <= range.nToPage)
      return true;
  }
  return false;
}

// Collated copies repeat the whole sequence; uncollated ones repeat each page in a row.
template <typename PrintOne>
bool ForEachPrintedPage(const PageOrder& order, int32_t pageCount, PrintOne printOne) {
  int32_t sequences = order.collate ? order.copies : 1;
  int32_t repeats = order.collate ? 1 : order.copies;
  for (int32_t sequence = 0; sequence < sequences; ++sequence) {
    for (int32_t page = 1; page <= pageCount; ++page) {
      if (!PageChosen(order, page)) continue;
      for (int32_t repeat = 0; repeat < repeats; ++repeat) {
        if (!printOne(page)) return false;
      }
    }
  }
  return true;
}

// Every page starts from the same state, whatever the page before left behind.
void PreparePage(T_Window* window, PrintJob* job) {
  PortSetOrigin(0, 0);
  PortSetClipRect(&job->port.area);
  Gfx.backColour = kColourWhite;
  ApplyWindowStyle(window);
}

// Phase 1 again on the printer port, then the document. The caller deletes the DC.
bool PrintDocument(T_Window* window, PrintPhase* phase, HDC dc, const PageOrder& order) {
  PrintJob job;
  job.window = window;
  job.dc = dc;
  job.horizontalPixels = GetDeviceCaps(dc, HORZRES);
  job.verticalPixels = GetDeviceCaps(dc, VERTRES);
  job.pixelsPerInchX = GetDeviceCaps(dc, LOGPIXELSX);
  job.pixelsPerInchY = GetDeviceCaps(dc, LOGPIXELSY);
  // The title is UTF-8; the spooler shows the document name in its queue.
  WideText title;
  const char* text = window->Title();
  WideTextAssign(&title, text, static_cast<int32_t>(std::strlen(text)));
  job.document.cbSize = sizeof job.document;
  job.document.lpszDocName = title.data;

  bool ok = false;
  PortInitRegions(&job.port);
  if (PortOpenPrinter(&job.port, dc, &job)) {
    ApplyWindowStyle(window);
    SendPhase(window, phase, kPrintCountPages);
    if (phase->pageCount <= 0) {
      ok = true;  // nothing left to print: no empty document goes to the printer
    } else {
      SetLastError(0);
      if (device->startDoc(dc, &job.document) > 0) {
        ok = ForEachPrintedPage(order, phase->pageCount, [&](int32_t page) {
          if (device->startPage(dc) <= 0) return false;
          PreparePage(window, &job);
          phase->page = page;
          SendPhase(window, phase, kPrintPage);
          if (device->endPage(dc) <= 0) return false;
          // A long document is a long loop: windows stay painted, and an abort (the user's, or
          // a failure while drawing a page) ends it.
          PumpMessages();
          return !AbortRequested();
        });
        device->endDoc(dc);
        if (!ok) PendingErrorResource();
      } else if (GetLastError() != ERROR_CANCELLED) {
        PendingErrorResource();  // a user who declined the output file has been answered
      }
    }
    PortClose(&job.port);
  }
  PortFreeRegions(&job.port);
  return ok;
}

}  // namespace

bool Window_Print(T_Window* window, bool withoutDialog) {
  PrintPhase phase;
  phase.paper = window->native.paper;
  phase.printable = window->native.printable;
  SendPhase(window, &phase, kPrintBegin);
  bool ok = window->native.handle && !withoutDialog ? PrintWithDialog(window, &phase)
                                                    : PrintWithoutDialog(window, &phase);
  SendPhase(window, &phase, kPrintEnd);
  return ok;
}

bool PrintWithoutDialog(T_Window* window, PrintPhase* phase) {
  if (!PrepareSettings(window, phase)) return false;
  CountPagesOnWindow(window, phase);
  if (phase->pageCount <= 0) return true;
  HGLOBAL block = window->native.printerSetup;
  const auto* mode = static_cast<const DEVMODEW*>(GlobalLock(block));
  HDC dc = mode ? device->createDC(mode) : nullptr;
  if (mode) GlobalUnlock(block);
  if (!dc) {
    PendingErrorResource();
    return false;
  }
  bool ok = PrintDocument(window, phase, dc, PageOrder{});
  device->deleteDC(dc);
  return ok;
}

bool PrintWithDialog(T_Window* window, PrintPhase* phase) {
  HWND frame = FrameWindow();
  if (frame) EnableWindow(frame, FALSE);
  auto* dialog = static_cast<PRINTDLGEXW*>(MemAlloc(sizeof(PRINTDLGEXW), 0));
  auto* ranges = static_cast<PRINTPAGERANGE*>(MemAlloc(sizeof(PRINTPAGERANGE) * kMaxPageRanges, 0));
  bool ok = false;
  if (dialog && ranges) {
    MemZero(dialog, sizeof *dialog);
    MemZero(ranges, sizeof(PRINTPAGERANGE) * kMaxPageRanges);
    dialog->lStructSize = sizeof *dialog;
    dialog->hwndOwner = window->native.handle ? window->native.handle : frame;
    dialog->Flags = kDialogFlags;
    dialog->nMinPage = 1;
    dialog->nCopies = 1;
    dialog->nStartPage = START_PAGE_GENERAL;
    dialog->nMaxPageRanges = kMaxPageRanges;
    dialog->nPageRanges = 1;
    dialog->lpPageRanges = ranges;
    ranges[0] = {1, 1};
    if (PrepareSettings(window, phase)) {
      dialog->hDevMode = window->native.printerSetup;
      CountPagesOnWindow(window, phase);
      if (phase->pageCount > 0) {
        ranges[0].nToPage = static_cast<DWORD>(phase->pageCount);
        dialog->nMaxPage = static_cast<DWORD>(phase->pageCount);
        HRESULT result = device->printDialog(dialog);
        SetBusyDeadline();
        // The dialog was lent the window's settings and hands back the ones it ends with, which
        // also hold when the user only applied them.
        if (dialog->hDevMode) window->native.printerSetup = dialog->hDevMode;
        bool printing = result == S_OK && dialog->dwResultAction == PD_RESULT_PRINT;
        if (result == S_OK && dialog->dwResultAction != PD_RESULT_CANCEL) {
          // The chosen paper may differ from the one the pages were counted on.
          Window_PaperUpdate(window);
          phase->paper = window->native.paper;
          phase->printable = window->native.printable;
        }
        HDC dc = dialog->hDC;
        if (printing && !dc) {
          PendingErrorResource();
        } else if (printing) {
          PageOrder order;
          order.copies = dialog->nCopies > 0 ? static_cast<int32_t>(dialog->nCopies) : 1;
          order.collate = (dialog->Flags & PD_COLLATE) != 0;
          if (dialog->Flags & PD_PAGENUMS) {
            order.ranges = ranges;
            order.rangeCount = static_cast<int32_t>(
                dialog->nPageRanges < kMaxPageRanges ? dialog->nPageRanges : kMaxPageRanges);
          }
          ok = PrintDocument(window, phase, dc, order);
        }
        if (dc) device->deleteDC(dc);
      } else {
        ok = true;
      }
    }
    if (dialog->hDevNames) GlobalFree(dialog->hDevNames);
  }
  if (frame) EnableWindow(frame, TRUE);
  HWND own = window->native.handle;
  if (own && window->native.nativeActive && !GetFocus()) SetFocus(own);
  MemFree(ranges);
  MemFree(dialog);
  return ok;
}

void SetPrintDevice(const PrintDevice* replacement) {
  device = replacement ? replacement : &kSystemDevice;
}
