// Paper rectangles from device modes, the page setup dialog's answers and sharing settings
// between windows.
#include <gtest/gtest.h>

#include <cstring>

#include "core/alert.h"
#include "fake_printer.h"
#include "ui/page_setup.h"
#include "ui/window.h"

namespace {

const RECT kWindowRect{10, 10, 300, 200};

bool Same(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }

class PageSetup : public ::testing::Test {
 protected:
  void SetUp() override { fake::Install(); }
  void TearDown() override {
    fake::Remove();
    PendingErrorClear();
  }
  T_Window window{kKindDocument, &kWindowRect, 1, nullptr, false};
};

TEST_F(PageSetup, PaperRectanglesFollowSizeOrientationAndPaperCode) {
  struct Case {
    const char* name;
    int16_t width, length, orientation, code;
    const wchar_t* printer;
    RECT printable, paper;
  };
  const RECT kUnchanged{0, 0, 400, 600};
  const Case cases[] = {
      {"A4 portrait",
       2100,
       2970,
       DMORIENT_PORTRAIT,
       0,
       fake::kPrinterName,
       {0, 0, 567, 814},
       {-14, -14, 581, 828}},
      {"A4 landscape",
       2100,
       2970,
       DMORIENT_LANDSCAPE,
       0,
       fake::kPrinterName,
       {0, 0, 814, 567},
       {-14, -14, 828, 581}},
      {"size given, the code is not asked",
       2100,
       2970,
       DMORIENT_PORTRAIT,
       DMPAPER_LETTER,
       L"",
       {0, 0, 567, 814},
       {-14, -14, 581, 828}},
      // Without a size the printer names the size of its code.
      {"letter by code only",
       0,
       0,
       DMORIENT_PORTRAIT,
       DMPAPER_LETTER,
       fake::kPrinterName,
       {0, 0, 584, 764},
       {-14, -14, 598, 778}},
      {"A5 by code, landscape",
       0,
       0,
       DMORIENT_LANDSCAPE,
       DMPAPER_A5,
       fake::kPrinterName,
       {0, 0, 567, 392},
       {-14, -14, 581, 406}},
      {"the driver's own paper",
       0,
       2970,
       DMORIENT_PORTRAIT,
       DMPAPER_USER + 7,
       fake::kPrinterName,
       {0, 0, 255, 822},
       {-14, -14, 269, 836}},
      // Too small, or no size at all: the page stays as it was.
      {"smaller than 200 points", 700, 2970, DMORIENT_PORTRAIT, 0, fake::kPrinterName, kUnchanged,
       kUnchanged},
      {"a code the printer lacks", 0, 0, DMORIENT_PORTRAIT, DMPAPER_A3, fake::kPrinterName,
       kUnchanged, kUnchanged},
      {"a printer that is not there", 0, 0, DMORIENT_PORTRAIT, DMPAPER_LETTER, L"Gone", kUnchanged,
       kUnchanged},
  };
  for (const Case& c : cases) {
    T_Window w(kKindDocument, &kWindowRect, 1, nullptr, false);
    fake::capabilityDevices.clear();
    HGLOBAL block = fake::DevModeBlock(c.width, c.length, c.orientation, c.code, c.printer);
    EXPECT_TRUE(Window_PrinterSetupReplace(&w, block)) << c.name;
    GlobalFree(block);
    EXPECT_TRUE(Same(w.native.printable, c.printable)) << c.name;
    EXPECT_TRUE(Same(w.native.paper, c.paper)) << c.name;
    // Only a mode without a size makes the printer answer, by its own name.
    if (c.width > 0 && c.length > 0) {
      EXPECT_TRUE(fake::capabilityDevices.empty()) << c.name;
    } else {
      ASSERT_FALSE(fake::capabilityDevices.empty()) << c.name;
      EXPECT_EQ(fake::capabilityDevices[0], c.printer) << c.name;
    }
  }
}

TEST_F(PageSetup, DamagedDeviceModesAreRefused) {
  struct Case {
    const char* name;
    SIZE_T blockSize;
    WORD dmSize;
    WORD driverExtra;
  };
  const Case cases[] = {
      {"shorter than the paper fields", 40, 40, 0},
      {"declares more than the block", sizeof(DEVMODEW), sizeof(DEVMODEW) + 8, 0},
      {"driver data beyond the block", sizeof(DEVMODEW) + 16, sizeof(DEVMODEW), 17},
      {"declares too little", sizeof(DEVMODEW), 20, 0},
  };
  EXPECT_FALSE(Window_PrinterSetupReplace(&window, nullptr));
  for (const Case& c : cases) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, c.blockSize);
    auto* mode = static_cast<DEVMODEW*>(GlobalLock(block));
    if (c.blockSize >= offsetof(DEVMODEW, dmDriverExtra) + sizeof(WORD)) {
      mode->dmSize = c.dmSize;
      mode->dmDriverExtra = c.driverExtra;
    }
    if (c.blockSize >= sizeof(DEVMODEW)) {
      mode->dmPaperWidth = 2100;
      mode->dmPaperLength = 2970;
    }
    GlobalUnlock(block);
    EXPECT_FALSE(DevModeBlockValid(block)) << c.name;
    EXPECT_FALSE(Window_PrinterSetupReplace(&window, block)) << c.name;
    EXPECT_FALSE(Window_HasPrinterSetup(&window)) << c.name;
    GlobalFree(block);
  }
  EXPECT_TRUE(Same(window.native.printable, RECT{0, 0, 400, 600}));
}

TEST_F(PageSetup, SettingsAreSharedAsCopies) {
  EXPECT_EQ(Window_PrinterSetupCopy(&window), nullptr);
  HGLOBAL block = fake::DevModeBlock(2100, 2970, DMORIENT_LANDSCAPE);
  ASSERT_TRUE(Window_PrinterSetupReplace(&window, block));
  fake::SetOrientation(block, DMORIENT_PORTRAIT);  // the caller's block stays the caller's
  GlobalFree(block);

  HGLOBAL copy = Window_PrinterSetupCopy(&window);
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, window.native.printerSetup);
  T_Window other(kKindDocument, &kWindowRect, 1, nullptr, false);
  ASSERT_TRUE(Window_PrinterSetupReplace(&other, copy));
  GlobalFree(copy);
  EXPECT_TRUE(Same(other.native.printable, RECT{0, 0, 814, 567}));
  EXPECT_TRUE(Window_HasPrinterSetup(&other));
}

TEST_F(PageSetup, DialogLendsTheWindowsSettingsAndKeepsThemOnCancel) {
  fake::pageSetupAnswer.orientation = DMORIENT_LANDSCAPE;
  fake::pageSetupAnswer.margins = {500, 750, 500, 750};
  ASSERT_TRUE(Window_PageSetup(&window, false));
  ASSERT_EQ(fake::pageSetupCalls.size(), 1u);
  const PAGESETUPDLGW& first = fake::pageSetupCalls[0];
  EXPECT_EQ(first.lStructSize, 128u);
  EXPECT_EQ(first.Flags, static_cast<DWORD>(PSD_MARGINS | PSD_INTHOUSANDTHSOFINCHES));
  EXPECT_EQ(first.hDevMode, nullptr);
  EXPECT_TRUE(Same(window.native.margins, RECT{500, 750, 500, 750}));
  EXPECT_TRUE(Same(window.native.printable, RECT{0, 0, 814, 567}));

  HGLOBAL settings = window.native.printerSetup;
  fake::pageSetupAnswer.result = FALSE;
  EXPECT_FALSE(Window_PageSetup(&window, false));
  EXPECT_EQ(fake::pageSetupCalls[1].hDevMode, settings);
  EXPECT_TRUE(Same(fake::pageSetupCalls[1].rtMargin, RECT{500, 750, 500, 750}));
  EXPECT_EQ(window.native.printerSetup, settings);
  EXPECT_TRUE(Same(window.native.printable, RECT{0, 0, 814, 567}));
  EXPECT_FALSE(AbortRequested());

  // Commands of the window reach the dialog too.
  fake::pageSetupAnswer.result = TRUE;
  fake::pageSetupAnswer.orientation = DMORIENT_PORTRAIT;
  EXPECT_TRUE(window.DoCommand(kCommandPageSetup));
  EXPECT_EQ(fake::pageSetupCalls.size(), 3u);
  EXPECT_TRUE(Same(window.native.printable, RECT{0, 0, 567, 814}));
}

TEST_F(PageSetup, SilentSetupTakesTheDefaultPrinterOnlyForAWindowWithout) {
  fake::pageSetupAnswer.result = FALSE;  // no printer at all
  EXPECT_FALSE(Window_PageSetup(&window, true));
  EXPECT_EQ(fake::pageSetupCalls[0].Flags, 0x406u);
  EXPECT_FALSE(Window_HasPrinterSetup(&window));
  EXPECT_FALSE(AbortRequested());

  fake::pageSetupAnswer.result = TRUE;
  EXPECT_TRUE(Window_PageSetup(&window, true));
  ASSERT_TRUE(Window_HasPrinterSetup(&window));
  EXPECT_TRUE(Same(window.native.printable, RECT{0, 0, 567, 814}));

  HGLOBAL settings = window.native.printerSetup;
  fake::pageSetupAnswer.orientation = DMORIENT_LANDSCAPE;
  fake::pageSetupAnswer.margins = {1, 2, 3, 4};
  EXPECT_TRUE(Window_PageSetup(&window, true));
  EXPECT_EQ(fake::pageSetupCalls[2].hDevMode, nullptr);
  EXPECT_EQ(window.native.printerSetup, settings);
  EXPECT_TRUE(Same(window.native.printable, RECT{0, 0, 567, 814}));
  EXPECT_TRUE(Same(window.native.margins, RECT{1000, 1000, 1000, 1000}));
}

}  // namespace
