#include "core/message_pump.h"

#include <gtest/gtest.h>
#include <objbase.h>

#include <algorithm>
#include <atomic>
#include <string>

#include "core/alert.h"
#include "core/file_dialogs.h"
#include "core/threads.h"

namespace {

uint64_t fakeTick = 0;
uint64_t FakeTicks() { return fakeTick; }
int paints = 0;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_PAINT) {
    ++paints;
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    EndPaint(window, &paint);
    return 0;
  }
  return DefWindowProcA(window, message, w, l);
}

class PumpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = CountingProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "QebPumpTest";
    RegisterClassA(&windowClass);
    window = CreateWindowA("QebPumpTest", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100,
                           nullptr, nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    // The pump keeps its clock across tests and other tests pump with the real ticks: never go
    // back behind either.
    fakeTick = std::max<uint64_t>(fakeTick, TickCount()) + 1000000;
    SetTickSource(FakeTicks);
    PumpMessages();  // settles the first paint and the pump clock
    fakeTick += 1000;
    PumpMessages();
    paints = 0;
  }
  void TearDown() override {
    SetTickSource(nullptr);
    PumpSetFrameWindow(nullptr);
    DestroyWindow(window);
  }
  int PaintAfter(uint64_t step) {
    InvalidateRect(window, nullptr, FALSE);
    fakeTick += step;
    int before = paints;
    PumpMessages();
    return paints - before;
  }
  HWND window = nullptr;
};

TEST_F(PumpTest, PaintsAtMostEveryHundredMilliseconds) {
  EXPECT_EQ(PaintAfter(100), 1);
  EXPECT_EQ(PaintAfter(50), 0);  // within 100 ms of the last pump
  EXPECT_EQ(PaintAfter(50), 1);  // the pending paint goes out now
  EXPECT_TRUE(OnUserInterfaceThread());
}

TEST_F(PumpTest, BusyDeadlinePostsToTheFrameOnce) {
  PumpSetFrameWindow(window);
  SetBusyDeadline();
  MSG message;
  fakeTick += 699;
  PumpMessages();
  EXPECT_FALSE(PeekMessageA(&message, window, kBusyMessage, kBusyMessage, PM_REMOVE));
  fakeTick += 1;
  PumpMessages();
  EXPECT_TRUE(PeekMessageA(&message, window, kBusyMessage, kBusyMessage, PM_REMOVE));
  fakeTick += 1000;
  PumpMessages();
  EXPECT_FALSE(PeekMessageA(&message, window, kBusyMessage, kBusyMessage, PM_REMOVE));
}

void PumpOnWorker(void* done, void*) {
  PumpMessages();
  static_cast<std::atomic<bool>*>(done)->store(true);
}

TEST_F(PumpTest, OtherThreadsReturnAtOnce) {
  fakeTick += 1000;
  std::atomic<bool> done{false};
  ASSERT_TRUE(ThreadStart(PumpOnWorker, &done, nullptr));
  while (!done) Sleep(1);
  // The worker did not take the pump's turn: the user-interface thread still paints now.
  EXPECT_EQ(PaintAfter(0), 1);
}

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override { PendingErrorClear(); }
  void TearDown() override {
    PendingErrorClear();
    SetShellOpenHook(nullptr);
    SetBrowserAvailableHook(nullptr);
  }
};

TEST_F(DialogTest, FilterListInKindOrder) {
  std::wstring all = FileFilterList(kFileKindTxt | kFileKindQeb | kFileKindQex | 1);
  std::wstring expected = std::wstring(L"QEB Normal   *.qeb\0*.qeb\0", 25) +
                          std::wstring(L"QEB Text   *.qex\0*.qex\0", 23) +
                          std::wstring(L"Text Files   *.txt\0*.txt\0", 25) +
                          std::wstring(L"All Files   *.*\0*.*\0\0", 21);
  EXPECT_EQ(all, expected);
  EXPECT_EQ(FileFilterList(0), std::wstring(L"All Files   *.*\0*.*\0\0", 21));
}

TEST_F(DialogTest, AnswersGivenInAdvance) {
  T_TextBuf path("C:\\old\\a.qeb");
  FileDialogAnswerInAdvance("C:\\new\\\xC3\xA5.qex");
  EXPECT_TRUE(FileOpenDialog(&path, kFileKindQeb));
  EXPECT_STREQ(path.c_str(), "C:\\new\\\xC3\xA5.qex");
  EXPECT_FALSE(AbortRequested());

  FileDialogAnswerInAdvance(nullptr);  // the user cancels
  EXPECT_FALSE(FileSaveDialog(&path, kFileKindQex));
  EXPECT_STREQ(path.c_str(), "C:\\new\\\xC3\xA5.qex");
  EXPECT_EQ(PendingError.request.message, -1);
  EXPECT_TRUE(AbortRequested());
}

std::string opened;
bool RecordOpen(const char* target) {
  opened = target;
  return true;
}
bool NoBrowser() { return false; }

TEST_F(DialogTest, UrlsFallBackToTheShellWithoutABrowser) {
  SetShellOpenHook(RecordOpen);
  SetBrowserAvailableHook(NoBrowser);
  opened.clear();
  EXPECT_TRUE(BrowserShowUrl("http://localhost/x?\xC3\xA5"));
  EXPECT_EQ(opened, "http://localhost/x?\xC3\xA5");
  EXPECT_FALSE(BrowserShowUrl(""));
}

}  // namespace
