// The real program started with a user-interface language chosen in the preferences: its alerts
// and its frame's menu bar speak that language, and its frame with an analysis window open is
// kept as a picture for a person to look at. One row per language. The menu bar belongs to
// another process, whose menus the system does not let this one read: its pixels are compared
// with the bar the system draws for the expected titles.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "program_process.h"
#include "registry_backup.h"
#include "scratch_registry.h"
#include "tests/core/streams/scratch_folder.h"
#include "tests/source_path.h"
#include "tests/ui/picture_file.h"

namespace app_test {
namespace {

struct LanguageRow {
  const char* code;  // as the preferences store it
  std::vector<std::wstring> menuBar;
  const char* unknownSwitchAlert;
};

const LanguageRow kLanguages[] = {
    {"US", {L"&File", L"&Edit", L"&Database", L"&Analysis", L"&Window", L"&Help"},
     "2901\tUndefined command line parameter /bogus\n"},
    {"SWE", {L"&Arkiv", L"&Redigera", L"&Databas", L"A&nalys", L"&Fönster", L"&Hjälp"},
     "2901\tOkänd kommandoradsparameter /bogus\n"},
    {"DAN", {L"&Filer", L"&Rediger", L"&Database", L"&Analyse", L"&Vindue", L"&Hjælp"},
     "2901\tUkendt kommandolinjeparameter /bogus\n"},
    {"NOR", {L"&Fil", L"&Rediger", L"&Database", L"&Analyse", L"&Vindu", L"&Hjelp"},
     "2901\tUkjent kommandolinjeparameter /bogus\n"},
    {"GER", {L"&Datei", L"&Bearbeiten", L"Da&tenbank", L"&Analyse", L"&Fenster", L"&Hilfe"},
     "2901\tUnbekannter Befehlszeilenparameter /bogus\n"},
    {"FIN", {L"&Tiedosto", L"&Muokkaa", L"Ti&etokanta", L"&Analyysi", L"&Ikkuna", L"&Ohje"},
     "2901\tTuntematon komentoriviparametri /bogus\n"},
    {"FRA", {L"&Fichier", L"\u00C9&dition", L"&Base de donn\u00E9es", L"&Analyse", L"F&en\u00EAtre", L"A&ide"},
     "2901\tParam\xC3\xA8tre de ligne de commande inconnu /bogus\n"},
    {"DUT", {L"&Bestand", L"B&ewerken", L"&Database", L"&Analyse", L"&Venster", L"&Help"},
     "2901\tOnbekende opdrachtregelparameter /bogus\n"},
    {"SLO", {L"&S\u00FAbor", L"\u00DAp&ravy", L"&Datab\u00E1za", L"&Anal\u00FDza", L"&Okno", L"&Pomocn\u00EDk"},
     "2901\tNezn\xC3\xA1my parameter pr\xC3\xADkazov\xC3\xA9ho riadka /bogus\n"},
};

class ProgramLanguage : public ::testing::TestWithParam<LanguageRow> {
 protected:
  void SetUp() override {
    WritePref(HKEY_CURRENT_USER, "Associate", "-");
    WritePref(HKEY_CURRENT_USER, "Language", GetParam().code);
    PrepareVirtualDesktop(kTestDesktop);
    alertFile_ = NewAlertFilePath();
  }
  void TearDown() override {
    EndProcess(&process_);
    DeleteFileW(alertFile_.c_str());
  }

  void Start(const std::wstring& arguments) {
    ASSERT_TRUE(StartProgram(WindowsPath(QEB_PROGRAM_PATH), arguments, kTestDesktop, alertFile_, &process_));
  }
  void End() {
    EXPECT_TRUE(deadline_.WaitFor(process_.hProcess));
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
    process_ = PROCESS_INFORMATION{};
  }
  std::string Alerts() { return ReadAlertFile(alertFile_); }

  RegistryBackup backup_{{{HKEY_CURRENT_USER, kPrefsKey}, {HKEY_LOCAL_MACHINE, kPrefsKey}}};
  std::wstring alertFile_;
  PROCESS_INFORMATION process_{};
  wait_bound::Deadline deadline_;
};

// A rectangle of the screen of the program's desktop, 0x00RRGGBB, top row first.
struct Strip {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;
};

// Read from the screen of the thread's desktop; a maximized window reaches past the screen's edges,
// and a read that does is refused as a whole, so the rectangle is cut to the screen first.
Strip ReadScreen(RECT rect) {
  RECT screenRect;
  GetWindowRect(GetDesktopWindow(), &screenRect);
  IntersectRect(&rect, &rect, &screenRect);
  Strip strip;
  strip.width = rect.right - rect.left;
  strip.height = rect.bottom - rect.top;
  if (strip.width <= 0 || strip.height <= 0) return Strip{};
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, strip.width, strip.height);
  HGDIOBJ old = SelectObject(dc, bitmap);
  BitBlt(dc, 0, 0, strip.width, strip.height, screen, rect.left, rect.top, SRCCOPY);
  SelectObject(dc, old);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = strip.width;
  info.bmiHeader.biHeight = -strip.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  strip.pixels.resize(static_cast<size_t>(strip.width) * strip.height);
  GetDIBits(dc, bitmap, 0, strip.height, strip.pixels.data(), &info, DIB_RGB_COLORS);
  for (uint32_t& p : strip.pixels) p &= 0xFFFFFF;
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return strip;
}

// Where the text of a menu bar stands: every pixel that differs from the bar's colour (its
// first pixel). Grey entries and mnemonic underlines count like black text.
std::vector<bool> Ink(const Strip& strip) {
  std::vector<bool> ink(strip.pixels.size());
  for (size_t i = 0; i < ink.size(); ++i) ink[i] = strip.pixels[i] != strip.pixels[0];
  return ink;
}

// The menu bar of a window: the strip the system's menu height takes above its client area.
RECT MenuBarRect(HWND window) {
  RECT client;
  GetClientRect(window, &client);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  return RECT{origin.x, origin.y - GetSystemMetrics(SM_CYMENU), origin.x + client.right, origin.y};
}

// What the program's frame shows, read from the screen by a thread that joins the program's
// desktop (a screen DC shows only the desktop its thread is on), and the menu bar the system
// draws for the expected titles in a window of the frame's width, for comparison.
struct DesktopReading {
  HWND frame = nullptr;
  const std::vector<std::wstring>* titles = nullptr;
  DWORD timeout = 0;
  Strip frameWindow;
  Strip frameBar;
  Strip expectedBar;
};

bool HasInk(const Strip& strip) {
  const std::vector<bool> ink = Ink(strip);
  return std::find(ink.begin(), ink.end(), true) != ink.end();
}

// The rectangle once something is drawn in it: the system hands drawings to the screen while
// their threads wait for messages, this one's included. The window is asked to draw itself again
// every second meanwhile: one painted before its desktop showed has left nothing on the screen.
Strip ReadWhenDrawn(HWND window, const RECT& rect, DWORD timeout) {
  Strip strip = ReadScreen(rect);
  for (DWORD waited = 0; !HasInk(strip) && waited < timeout; waited += 50) {
    if (waited % 1000 == 0) {
      RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    strip = ReadScreen(rect);
  }
  return strip;
}

DWORD WINAPI ReadDesktop(void* context) {
  auto* reading = static_cast<DesktopReading*>(context);
  HDESK desk = OpenDesktopW(kTestDesktop, 0, FALSE, GENERIC_ALL);
  if (!desk || !SetThreadDesktop(desk)) return 1;
  reading->frameBar = ReadWhenDrawn(reading->frame, MenuBarRect(reading->frame), reading->timeout);
  RECT frame;
  GetWindowRect(reading->frame, &frame);
  reading->frameWindow = ReadScreen(frame);

  HMENU bar = CreateMenu();
  for (const std::wstring& title : *reading->titles)
    AppendMenuW(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(CreatePopupMenu()), title.c_str());
  // Over the frame, whose pixels are read already: wherever the frame stands is on the screen.
  HWND window = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, frame.left, frame.top,
                                frame.right - frame.left, 100, nullptr, bar, nullptr, nullptr);
  if (!window) return 1;
  ShowWindow(window, SW_SHOWNOACTIVATE);
  reading->expectedBar = ReadWhenDrawn(window, MenuBarRect(window), reading->timeout);
  DestroyWindow(window);
  return 0;
}

void Save(const Strip& strip, const std::string& name) {
  EXPECT_TRUE(WritePixelsAsBitmap(strip.pixels.data(), strip.width, strip.height, name.c_str())) << name;
}

TEST_P(ProgramLanguage, AlertsSpeakTheChosenLanguage) {
  Start(L"/bogus");
  End();
  EXPECT_EQ(Alerts(), GetParam().unknownSwitchAlert);
}

// The menu titles carry their mnemonics where the program puts them: each title's first letter
// unless an earlier title took it.
TEST_P(ProgramLanguage, TheFrameShowsItsMenusInTheLanguageWithAnAnalysisWindowOpen) {
  Start(L"\"" + WidePathText(TestSourcePath("tests/app/data/languages/lines.qex").c_str()) + L"\"");
  HWND frame = WaitForFrame(kTestDesktop, process_.dwProcessId, deadline_);
  ASSERT_NE(frame, nullptr);
  HWND client = FindWindowExW(frame, nullptr, L"MDIClient", nullptr);
  ASSERT_NE(client, nullptr);
  HWND analysis = nullptr;
  deadline_.Until([&] {
    analysis = FindWindowExW(client, nullptr, nullptr, L"Cash lines");
    return analysis != nullptr;
  });
  EXPECT_NE(analysis, nullptr) << Alerts();
  // Painted once the program waits for input again.
  WaitForInputIdle(process_.hProcess, deadline_.Left());

  DesktopReading reading;
  reading.frame = frame;
  reading.titles = &GetParam().menuBar;
  reading.timeout = deadline_.Left();
  HANDLE thread = CreateThread(nullptr, 0, ReadDesktop, &reading, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  deadline_.WaitFor(thread);
  CloseHandle(thread);
  const std::string code = GetParam().code;
  Save(reading.frameWindow, "app_frame_" + code + ".bmp");
  ASSERT_GT(reading.frameBar.width, 0);
  ASSERT_EQ(reading.expectedBar.width, reading.frameBar.width);
  if (Ink(reading.frameBar) != Ink(reading.expectedBar)) {
    ADD_FAILURE() << "the menu bar differs from the titles expected; see app_menubar_" << code << "*.bmp";
    Save(reading.frameBar, "app_menubar_" + code + ".bmp");
    Save(reading.expectedBar, "app_menubar_" + code + "_expected.bmp");
  }

  PostMessageW(frame, WM_CLOSE, 0, 0);
  End();
  EXPECT_EQ(Alerts(), "");
}

INSTANTIATE_TEST_SUITE_P(Languages, ProgramLanguage, ::testing::ValuesIn(kLanguages),
                         [](const ::testing::TestParamInfo<LanguageRow>& info) {
                           return std::string(info.param.code);
                         });

}  // namespace
}  // namespace app_test
