// The real program started with a user-interface language chosen in the preferences: its alerts
// and its frame's menu bar speak that language, and its frame with an analysis window open is
// kept as a picture for a person to look at. One row per language.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "program_process.h"
#include "registry_backup.h"
#include "scratch_registry.h"
#include "tests/source_path.h"
#include "tests/ui/picture_file.h"

namespace app_test {
namespace {

// Generous for a loaded machine; QEB_TEST_TIME_SCALE stretches it further.
DWORD Timeout() {
  DWORD scale = 1;
  if (const char* text = std::getenv("QEB_TEST_TIME_SCALE")) scale = std::max(1, std::atoi(text));
  return 30000 * scale;
}

struct LanguageRow {
  const char* code;  // as the preferences store it
  std::vector<std::wstring> menuBar;
  const char* unknownSwitchAlert;
};

const LanguageRow kLanguages[] = {
    {"SWE", {L"Arkiv", L"Redigera", L"Databas", L"Analys", L"Fönster", L"Hjälp"},
     "2901\tOkänd kommandoradsparameter /bogus\n"},
    {"DAN", {L"Filer", L"Rediger", L"Database", L"Analyse", L"Vindue", L"Hjælp"},
     "2901\tUkendt kommandolinjeparameter /bogus\n"},
    {"NOR", {L"Fil", L"Rediger", L"Database", L"Analyse", L"Vindu", L"Hjelp"},
     "2901\tUkjent kommandolinjeparameter /bogus\n"},
};

class ProgramLanguage : public ::testing::TestWithParam<LanguageRow> {
 protected:
  void SetUp() override {
    WritePref(HKEY_CURRENT_USER, "Associate", "-");
    WritePref(HKEY_CURRENT_USER, "Language", GetParam().code);
    PrepareVirtualDesktop(kTestDesktop);
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    wchar_t file[MAX_PATH];
    GetTempFileNameW(folder, L"qeb", 0, file);
    alertFile_ = file;
    DeleteFileW(file);
  }
  void TearDown() override {
    if (process_.hProcess) {
      if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 99);
      CloseHandle(process_.hProcess);
      CloseHandle(process_.hThread);
    }
    DeleteFileW(alertFile_.c_str());
  }

  void Start(const std::wstring& arguments) {
    ASSERT_TRUE(StartProgram(WindowsPath(QEB_PROGRAM_PATH), arguments, kTestDesktop, alertFile_, &process_));
  }
  void End() {
    EXPECT_EQ(WaitForSingleObject(process_.hProcess, Timeout()), WAIT_OBJECT_0);
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
    process_ = PROCESS_INFORMATION{};
  }
  std::string Alerts() {
    std::string text;
    if (FILE* file = _wfopen(alertFile_.c_str(), L"rb")) {
      char buffer[512];
      size_t n;
      while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
      std::fclose(file);
    }
    return text;
  }

  RegistryBackup backup_{{{HKEY_CURRENT_USER, kPrefsKey}, {HKEY_LOCAL_MACHINE, kPrefsKey}}};
  std::wstring alertFile_;
  PROCESS_INFORMATION process_{};
};

// The titles of the frame's menu bar, without their mnemonic marks.
std::vector<std::wstring> MenuBarTitles(HWND frame) {
  std::vector<std::wstring> titles;
  HMENU bar = GetMenu(frame);
  for (int i = 0, count = bar ? GetMenuItemCount(bar) : 0; i < count; ++i) {
    wchar_t text[128] = {};
    GetMenuStringW(bar, i, text, 128, MF_BYPOSITION);
    std::wstring title;
    for (const wchar_t* c = text; *c; ++c)
      if (*c != L'&') title += *c;
    if (!title.empty()) titles.push_back(title);
  }
  return titles;
}

struct FrameCapture {
  HWND frame;
  std::vector<uint32_t> pixels;
  int32_t width = 0;
  int32_t height = 0;
};

// The screen under the frame, read by a thread that joins the program's desktop (a screen DC
// shows only the desktop its thread is on).
DWORD WINAPI CaptureOnDesktop(void* context) {
  auto* capture = static_cast<FrameCapture*>(context);
  HDESK desk = OpenDesktopW(kTestDesktop, 0, FALSE, GENERIC_ALL);
  if (!desk || !SetThreadDesktop(desk)) return 1;
  RECT rect;
  if (!GetWindowRect(capture->frame, &rect)) return 1;
  capture->width = rect.right - rect.left;
  capture->height = rect.bottom - rect.top;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, capture->width, capture->height);
  HGDIOBJ old = SelectObject(dc, bitmap);
  BitBlt(dc, 0, 0, capture->width, capture->height, screen, rect.left, rect.top, SRCCOPY);
  SelectObject(dc, old);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = capture->width;
  info.bmiHeader.biHeight = -capture->height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  capture->pixels.resize(static_cast<size_t>(capture->width) * capture->height);
  GetDIBits(dc, bitmap, 0, capture->height, capture->pixels.data(), &info, DIB_RGB_COLORS);
  for (uint32_t& p : capture->pixels) p &= 0xFFFFFF;
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return 0;
}

TEST_P(ProgramLanguage, AlertsSpeakTheChosenLanguage) {
  Start(L"/bogus");
  End();
  EXPECT_EQ(Alerts(), GetParam().unknownSwitchAlert);
}

TEST_P(ProgramLanguage, TheFrameShowsItsMenusInTheLanguageWithAnAnalysisWindowOpen) {
  Start(L"\"" + WindowsPath(TestSourcePath("tests/app/data/languages/lines.qex").c_str()) + L"\"");
  HWND frame = WaitForFrame(kTestDesktop, process_.dwProcessId, Timeout());
  ASSERT_NE(frame, nullptr);
  HWND client = FindWindowExW(frame, nullptr, L"MDIClient", nullptr);
  ASSERT_NE(client, nullptr);
  // The database window comes first, the template's analysis window after it.
  HWND analysis = nullptr;
  for (DWORD waited = 0; !analysis && waited < Timeout(); waited += 100) {
    analysis = FindWindowExW(client, nullptr, nullptr, L"Cash lines");
    if (!analysis) Sleep(100);
  }
  EXPECT_NE(analysis, nullptr) << Alerts();
  EXPECT_EQ(MenuBarTitles(frame), GetParam().menuBar);

  FrameCapture capture{frame};
  HANDLE thread = CreateThread(nullptr, 0, CaptureOnDesktop, &capture, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  WaitForSingleObject(thread, Timeout());
  CloseHandle(thread);
  ASSERT_GT(capture.width, 0);
  const std::string name = std::string("app_frame_") + GetParam().code + ".bmp";
  EXPECT_TRUE(WritePixelsAsBitmap(capture.pixels.data(), capture.width, capture.height, name.c_str()));

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
