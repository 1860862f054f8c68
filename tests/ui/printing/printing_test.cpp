// The print loop against a memory bitmap standing in for the printer: which phases a window
// sees, which pages reach the paper, how often and where.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/alert.h"
#include "fake_printer.h"
#include "ui/draw_primitives.h"
#include "ui/graphics_port.h"
#include "ui/printing.h"
#include "ui/window.h"

namespace {

const RECT kWindowRect{10, 10, 300, 200};

// Counts its pages and prints page n as a black square in the nth slot of the page's top edge.
// After drawing it leaves the port moved and clipped, which must not reach the next page.
class T_PrintedWindow : public T_Window {
 public:
  T_PrintedWindow() : T_Window(kKindDocument, &kWindowRect, 1, nullptr, false) {}

  void Print(void* record) override {
    auto* phase = static_cast<PrintPhase*>(record);
    switch (phase->phase) {
      case kPrintBegin:
        log.push_back("begin");
        break;
      case kPrintCountPages:
        log.push_back(PortIsPrinter() ? "count printer" : "count window");
        countForeground = Gfx.foreColour;
        phase->pageCount = PortIsPrinter() ? printerPages : windowPages;
        break;
      case kPrintPage: {
        pages.push_back(phase->page);
        if (phase->page == failOnPage) PendingErrorOutOfMemory();
        printable = phase->printable;
        if (clipHalf) {
          RECT clip{0, 0, fake::kSlot / 2, fake::kSlot};
          PortSetClipRect(&clip);
        }
        RECT square{(phase->page - 1) * fake::kSlot, 0, phase->page * fake::kSlot, fake::kSlot};
        RectFillColour(&square, kColourBlack);
        PortSetOrigin(-200, 7);
        RECT nothing{0, 0, 1, 1};
        PortSetClipRect(&nothing);
        break;
      }
      case kPrintEnd:
        log.push_back("end");
        break;
    }
  }

  int32_t windowPages = 3;
  int32_t printerPages = 3;
  bool clipHalf = false;
  int32_t failOnPage = 0;
  std::vector<std::string> log;
  std::vector<int32_t> pages;
  int32_t countForeground = -1;
  RECT printable{};
};

class Printing : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::Install();
    Gfx.foreColour = 13;
  }
  void TearDown() override {
    fake::Remove();
    PendingErrorClear();
  }
  // The window has an A4 printer of its own.
  void GiveSettings() {
    HGLOBAL block = fake::DevModeBlock(2100, 2970, DMORIENT_PORTRAIT);
    ASSERT_TRUE(Window_PrinterSetupReplace(&window, block));
    GlobalFree(block);
  }
  bool PrintWithDialogNow() {
    PrintPhase phase;
    return PrintWithDialog(&window, &phase);
  }

  T_PrintedWindow window;
};

TEST_F(Printing, WithoutDialogEveryPageReachesThePaperInPoints) {
  GiveSettings();
  window.SetTitleCopy("Kassaflöde 2024");
  EXPECT_TRUE(Window_Print(&window, true));
  const std::vector<std::string> phases = {"begin", "count window", "count printer", "end"};
  EXPECT_EQ(window.log, phases);
  EXPECT_EQ(window.countForeground, kColourBlack);
  EXPECT_EQ(window.pages, (std::vector<int32_t>{1, 2, 3}));
  // Each square landed in its own slot although the page before moved and clipped the port.
  EXPECT_EQ(fake::printer.slots, (std::vector<int32_t>{1, 2, 3}));
  EXPECT_TRUE(EqualRect(&window.printable, &window.native.printable));
  EXPECT_EQ(fake::printer.deviceName, L"Ledger Printer");
  EXPECT_EQ(fake::printer.documentName, L"Kassafl\u00f6de 2024");
  EXPECT_EQ(fake::printer.documents, 1);
  EXPECT_EQ(fake::printer.documentsEnded, 1);
  EXPECT_EQ(fake::printer.dcsCreated, 1);
  EXPECT_EQ(fake::printer.dcsDeleted, 1);
  EXPECT_FALSE(AbortRequested());

  // The window command prints the same way while the window has no native window.
  window.pages.clear();
  EXPECT_TRUE(window.DoCommand(kCommandPrint));
  EXPECT_EQ(window.pages, (std::vector<int32_t>{1, 2, 3}));
}

TEST_F(Printing, WithoutDialogPagesAndPrintersDecideWhetherAnythingIsSent) {
  struct Case {
    const char* name;
    bool settings;
    BOOL defaultPrinter;
    int32_t windowPages, printerPages;
    bool result;
    int32_t dcs;
    std::vector<int32_t> pages;
  };
  const Case cases[] = {
      {"no printer at all", false, FALSE, 3, 3, false, 0, {}},
      {"the default printer", false, TRUE, 2, 2, true, 1, {1, 2}},
      {"nothing to print", true, TRUE, 0, 3, true, 0, {}},
      {"printer fonts need a page more", true, TRUE, 2, 3, true, 1, {1, 2, 3}},
      {"printer fonts leave nothing", true, TRUE, 2, 0, true, 1, {}},
  };
  for (const Case& c : cases) {
    fake::Install();
    T_PrintedWindow w;
    if (c.settings) {
      HGLOBAL block = fake::DevModeBlock(2100, 2970, DMORIENT_PORTRAIT);
      ASSERT_TRUE(Window_PrinterSetupReplace(&w, block));
      GlobalFree(block);
    }
    fake::pageSetupAnswer.result = c.defaultPrinter;
    w.windowPages = c.windowPages;
    w.printerPages = c.printerPages;
    EXPECT_EQ(Window_Print(&w, true), c.result) << c.name;
    EXPECT_EQ(w.pages, c.pages) << c.name;
    EXPECT_EQ(fake::printer.dcsCreated, c.dcs) << c.name;
    EXPECT_EQ(fake::printer.dcsDeleted, c.dcs) << c.name;
    EXPECT_EQ(fake::printer.documents, c.pages.empty() ? 0 : 1) << c.name;
    EXPECT_EQ(w.log.front(), "begin") << c.name;
    EXPECT_EQ(w.log.back(), "end") << c.name;
    EXPECT_FALSE(AbortRequested()) << c.name;
  }
}

TEST_F(Printing, DialogCopiesCollationAndRangesDecideThePages) {
  struct Case {
    const char* name;
    DWORD copies;
    bool collate;
    std::vector<PRINTPAGERANGE> ranges;
    std::vector<int32_t> pages;
  };
  const Case cases[] = {
      {"all pages once", 1, false, {}, {1, 2, 3}},
      {"two copies, not collated", 2, false, {}, {1, 1, 2, 2, 3, 3}},
      {"two copies, collated", 2, true, {}, {1, 2, 3, 1, 2, 3}},
      {"pages 2 to 3", 1, false, {{2, 3}}, {2, 3}},
      {"pages 1 and 3, collated twice", 2, true, {{1, 1}, {3, 3}}, {1, 3, 1, 3}},
      {"a range past the end", 1, false, {{3, 9}}, {3}},
      {"no copies asked counts as one", 0, false, {}, {1, 2, 3}},
  };
  for (const Case& c : cases) {
    fake::Install();
    T_PrintedWindow w;
    fake::printAnswer.copies = c.copies;
    fake::printAnswer.collate = c.collate;
    fake::printAnswer.ranges = c.ranges;
    PrintPhase phase;
    EXPECT_TRUE(PrintWithDialog(&w, &phase)) << c.name;
    EXPECT_EQ(w.pages, c.pages) << c.name;
    EXPECT_EQ(fake::printer.slots, c.pages) << c.name;
    EXPECT_EQ(fake::printer.dcsDeleted, 1) << c.name;
  }
  // What the dialog was offered (the window had no settings: the default printer's were lent).
  const PRINTDLGEXW& offered = fake::printSeen.dialog;
  EXPECT_EQ(offered.lStructSize, 136u);
  EXPECT_EQ(offered.Flags & ~static_cast<DWORD>(PD_COLLATE | PD_PAGENUMS), 0x840184u);
  EXPECT_EQ(offered.nMinPage, 1u);
  EXPECT_EQ(offered.nMaxPage, 3u);
  EXPECT_EQ(offered.nStartPage, START_PAGE_GENERAL);
  EXPECT_EQ(offered.nMaxPageRanges, 4u);
  EXPECT_EQ(fake::printSeen.firstRange.nFromPage, 1u);
  EXPECT_EQ(fake::printSeen.firstRange.nToPage, 3u);
  EXPECT_NE(offered.hDevMode, nullptr);
}

TEST_F(Printing, DialogWithoutPrintingKeepsOrDropsTheChoice) {
  struct Case {
    const char* name;
    HRESULT result;
    DWORD action;
    RECT printable;  // after the dialog
  };
  const Case cases[] = {
      {"apply keeps the chosen landscape", S_OK, PD_RESULT_APPLY, {0, 0, 814, 567}},
      {"cancel", S_OK, PD_RESULT_CANCEL, {0, 0, 567, 814}},
      {"the dialog fails", E_INVALIDARG, PD_RESULT_PRINT, {0, 0, 567, 814}},
  };
  for (const Case& c : cases) {
    fake::Install();
    T_PrintedWindow w;
    HGLOBAL block = fake::DevModeBlock(2100, 2970, DMORIENT_PORTRAIT);
    ASSERT_TRUE(Window_PrinterSetupReplace(&w, block));
    GlobalFree(block);
    fake::printAnswer.result = c.result;
    fake::printAnswer.action = c.action;
    fake::printAnswer.orientation = DMORIENT_LANDSCAPE;
    PrintPhase phase;
    EXPECT_FALSE(PrintWithDialog(&w, &phase)) << c.name;
    EXPECT_TRUE(w.pages.empty()) << c.name;
    EXPECT_EQ(fake::printer.documents, 0) << c.name;
    EXPECT_EQ(fake::printer.dcsCreated, fake::printer.dcsDeleted) << c.name;
    EXPECT_TRUE(EqualRect(&w.native.printable, &c.printable)) << c.name;
    EXPECT_FALSE(AbortRequested()) << c.name;
  }
}

TEST_F(Printing, DialogPrintsOnTheChosenPaper) {
  GiveSettings();
  fake::printAnswer.orientation = DMORIENT_LANDSCAPE;
  EXPECT_TRUE(PrintWithDialogNow());
  RECT landscape{0, 0, 814, 567};
  EXPECT_TRUE(EqualRect(&window.printable, &landscape));
  EXPECT_TRUE(EqualRect(&window.native.printable, &landscape));
}

TEST_F(Printing, AFailingPrinterEndsTheDocumentAndSaysSo) {
  struct Case {
    const char* name;
    fake::PrinterFaults faults;
    std::vector<int32_t> pages;
    int32_t documentsEnded;
    int32_t failOnPage;
  };
  const Case cases[] = {
      {"second StartPage fails", {false, 1, 2, 0}, {1}, 1, 0},
      {"first EndPage fails", {false, 1, 0, 1}, {1}, 1, 0},
      {"StartDoc fails", {false, 0, 0, 0}, {}, 0, 0},
      {"the window runs out of memory on page 2", {}, {1, 1, 2}, 1, 2},
  };
  for (const Case& c : cases) {
    fake::Install();
    T_PrintedWindow w;
    w.failOnPage = c.failOnPage;
    fake::faults = c.faults;
    fake::printAnswer.copies = 2;
    PrintPhase phase;
    EXPECT_FALSE(PrintWithDialog(&w, &phase)) << c.name;
    EXPECT_EQ(w.pages, c.pages) << c.name;
    EXPECT_EQ(fake::printer.documentsEnded, c.documentsEnded) << c.name;
    EXPECT_EQ(fake::printer.dcsDeleted, 1) << c.name;
    EXPECT_TRUE(AbortRequested()) << c.name;
    PendingErrorClear();
  }
  fake::Install();
  GiveSettings();
  fake::faults.refuseDC = true;
  EXPECT_FALSE(Window_Print(&window, true));
  EXPECT_TRUE(AbortRequested());
}

TEST_F(Printing, ClipRegionsOnThePrinterAreInPoints) {
  GiveSettings();
  window.windowPages = window.printerPages = 1;
  window.clipHalf = true;
  HDC screen = CreateCompatibleDC(nullptr);
  int32_t inside = fake::PixelsOf(screen, fake::kSlot / 2 - 4);
  int32_t outside = fake::PixelsOf(screen, fake::kSlot / 2 + 4);
  fake::probeY = fake::PixelsOf(screen, fake::kSlot / 2);
  DeleteDC(screen);
  fake::probeX = inside;
  EXPECT_TRUE(Window_Print(&window, true));
  fake::probeX = outside;
  EXPECT_TRUE(Window_Print(&window, true));
  EXPECT_EQ(fake::printer.pagePixels, (std::vector<uint32_t>{0x000000, 0xFFFFFF}));
}

}  // namespace
