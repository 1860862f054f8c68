// The real program, started under Wine on a virtual desktop of its own: it shows its frame,
// reports what it cannot do through its alerts, and ends cleanly with exit code 0.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "program_process.h"

namespace {

constexpr DWORD kTimeout = 30000;

class ProgramRun : public ::testing::Test {
 protected:
  void SetUp() override {
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
  DWORD ExitCode() {
    if (WaitForSingleObject(process_.hProcess, kTimeout) != WAIT_OBJECT_0) return 0xFFFFFFFF;
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
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

  std::wstring alertFile_;
  PROCESS_INFORMATION process_{};
};

TEST_F(ProgramRun, ShowsItsFrameAndEndsWhenTheFrameIsClosed) {
  Start(L"");
  HWND frame = WaitForFrame(kTestDesktop, process_.dwProcessId, kTimeout);
  ASSERT_NE(frame, nullptr);
  wchar_t title[64] = {};
  GetWindowTextW(frame, title, 64);
  EXPECT_STREQ(title, L"QEB 5.7");
  EXPECT_NE(FindWindowExW(frame, nullptr, L"MDIClient", nullptr), nullptr);
  PostMessageW(frame, WM_CLOSE, 0, 0);
  EXPECT_EQ(ExitCode(), 0u);
  EXPECT_EQ(Alerts(), "");
}

TEST_F(ProgramRun, UnknownSwitchIsRefusedAndEndsStartUp) {
  Start(L"/bogus");
  EXPECT_EQ(ExitCode(), 0u);
  EXPECT_EQ(Alerts(), "2901\tUndefined command line parameter /bogus\n");
}

TEST_F(ProgramRun, DocumentOnTheCommandLineIsReportedAsNotOpened) {
  Start(L"Z:\\nowhere\\Sales 2024.qeb");
  HWND frame = WaitForFrame(kTestDesktop, process_.dwProcessId, kTimeout);
  ASSERT_NE(frame, nullptr);
  PostMessageW(frame, WM_CLOSE, 0, 0);
  EXPECT_EQ(ExitCode(), 0u);
  EXPECT_EQ(Alerts(), "605\tUnable to open file 'Sales 2024.qeb'\n");
}

}  // namespace
