// The progress window on the test desktop: where it opens and how windows nest, when it shows
// itself, what it does to the menus, its buttons pressed while the operation runs (the pump
// delivers the keys), its picture, and the engine's readers and writers reporting to it through
// the seam the application installs.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/file_wait.h"
#include "app_fixture.h"
#include "core/threads.h"
#include "database/file_progress.h"
#include "database/text_form.h"
#include "tests/ui/window_picture.h"
#include "ui/graphics_port.h"

namespace app_test {
namespace {

uint64_t ticks = 0;
uint64_t Ticks() { return ticks; }

class ProgressWindow : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    ticks = 700000;
    SetTickSource(Ticks);
    SetProgressDisplay(true);
  }
  void TearDown() override {
    SetTickSource(nullptr);
    SetProgressDisplay(true);
    RemoveFileProgressHooks();
    AppTest::TearDown();
  }

  // Lets the window's native messages (showing, painting) through.
  static void Settle() {
    MSG message;
    for (int32_t i = 0; i < 50 && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE); ++i) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
};

TEST_F(ProgressWindow, NestedWindowsOpen12RightAnd16BelowAndTheOlderIsCurrentAgain) {
  StartApplication();
  EXPECT_EQ(CurrentFileWait(), nullptr);
  T_FileWait outer(kProgressOpening, nullptr, "C:\\data\\ledger.qeb");
  EXPECT_EQ(CurrentFileWait(), &outer);
  EXPECT_STREQ(outer.Title(), "Opening ledger.qeb");
  EXPECT_EQ(outer.width, 300);
  EXPECT_EQ(outer.height, 108);
  EXPECT_NE(outer.cancelButton, nullptr);
  EXPECT_NE(outer.stopButton, nullptr);
  EXPECT_EQ(outer.barRect.top, 50);
  EXPECT_FALSE(outer.visible);
  {
    T_FileWait inner(kProgressSaving, nullptr, "C:\\data\\copy.qex");
    EXPECT_EQ(CurrentFileWait(), &inner);
    EXPECT_EQ(inner.previous, &outer);
    EXPECT_EQ(inner.x, outer.x + 12);
    EXPECT_EQ(inner.y, outer.y + 16);
    EXPECT_EQ(inner.height, 62);
    EXPECT_EQ(inner.cancelButton, nullptr);
    EXPECT_EQ(inner.barRect.top, 33);
    {
      T_FileWait innermost(kProgressClosing, nullptr, "copy.qex");
      EXPECT_EQ(innermost.x, outer.x + 24);
      EXPECT_EQ(innermost.y, outer.y + 32);
    }
    EXPECT_EQ(CurrentFileWait(), &inner);
  }
  EXPECT_EQ(CurrentFileWait(), &outer);

  const struct {
    int32_t kind;
    const char* title;
  } titles[] = {{kProgressImporting, "Importing a.qeb"},
                {kProgressClosing, "Closing a.qeb"},
                {7, "Opening a.qeb"}};
  for (const auto& t : titles) {
    T_FileWait window(t.kind, nullptr, "D:\\a.qeb");
    EXPECT_STREQ(window.Title(), t.title);
  }
}

// Each script step moves the clock on and reports a position (or steps); the window must be
// shown after exactly the steps marked.
TEST_F(ProgressWindow, ShownOnlyAfter250MillisecondsWhileBelowAThird) {
  StartApplication();
  struct Step {
    uint64_t advance;
    int64_t position;
    bool shown;
  };
  const struct {
    const char* what;
    int32_t kind;
    bool display;
    std::vector<Step> steps;
  } cases[] = {
      {"slow read", kProgressOpening, true, {{200, 1000, false}, {200, 2000, true}}},
      {"a third done by 250 ms",
       kProgressImporting,
       true,
       {{200, 1000, false}, {200, 4000, false}, {300, 6000, false}, {0, 10000, false}}},
      {"done within 250 ms", kProgressOpening, true, {{100, 3000, false}, {100, 10000, false}}},
      {"display off", kProgressOpening, false, {{300, 1000, false}, {300, 2000, false}}},
      {"slow save", kProgressSaving, true, {{100, 500, false}, {200, 1000, true}}},
  };
  for (const auto& c : cases) {
    SetProgressDisplay(c.display);
    T_FileWait window(c.kind, nullptr, "C:\\data\\ledger.qeb");
    if (c.kind == kProgressSaving) {
      window.AddTotal(10000);
      window.ResetSteps();
    } else {
      window.Begin(10000, true);
    }
    for (const Step& step : c.steps) {
      ticks += step.advance;
      if (c.kind == kProgressSaving) {
        window.SetSteps(step.position);
      } else {
        window.SetPosition(step.position);
      }
      EXPECT_EQ(window.visible != 0, step.shown) << c.what << " at " << step.position;
    }
    if (window.visible) {
      EXPECT_NE(window.native.handle, nullptr) << c.what;
      EXPECT_TRUE(IsWindowVisible(window.native.handle)) << c.what;
    }
  }
}

TEST_F(ProgressWindow, MenusAreOutOfReachWhileAWindowLives) {
  StartApplication();
  T_MenuItem* edit = StandardMenu(kMenuEdit);
  ASSERT_NE(edit, nullptr);
  ASSERT_NE(MenuRoot(), nullptr);
  MenuItem_SetEnabled(edit, true);
  {
    T_FileWait window(kProgressOpening, nullptr, "a.qeb");
    EXPECT_FALSE(MenuRoot()->enabled);  // no shortcut runs a command under the reader
    window.UpdateCommands();
    EXPECT_FALSE(edit->enabled);
    {
      T_FileWait nested(kProgressSaving, nullptr, "b.qeb");
      EXPECT_FALSE(MenuRoot()->enabled);
    }
    EXPECT_FALSE(MenuRoot()->enabled);
    EXPECT_FALSE(edit->enabled);
  }
  EXPECT_TRUE(MenuRoot()->enabled);
  EXPECT_TRUE(edit->enabled);

  SetProgressDisplay(false);
  {
    T_FileWait window(kProgressOpening, nullptr, "a.qeb");
    EXPECT_TRUE(MenuRoot()->enabled);
  }
  EXPECT_TRUE(MenuRoot()->enabled);
}

TEST_F(ProgressWindow, ItsOperationAloneEndsIt) {
  StartApplication();
  T_FileWait window(kProgressOpening, nullptr, "a.qeb");
  EXPECT_FALSE(EventHandler_RequestClose(&window, 0));
  EXPECT_FALSE(window.onCloseList);
  EXPECT_EQ(CurrentFileWait(), &window);
}

// Keys reach the window through the pump of the reader's next reports, one each, while the
// read is still running: Escape presses Cancel, which gives the read up (the database is marked
// failed); Tab, Tab and Space press Stop, which keeps what was read. Both raise the abort flag
// that the reading loops test.
TEST_F(ProgressWindow, ButtonsAnswerWhileTheOperationRuns) {
  StartApplication();
  const struct {
    std::vector<WPARAM> keys;
    bool readFails;
  } cases[] = {{{VK_ESCAPE}, true}, {{VK_TAB, VK_TAB, VK_SPACE}, false}};
  for (const auto& c : cases) {
    T_Base* base = new T_Base("C:\\data\\ledger.qeb", 0);
    T_FileWait window(kProgressOpening, base, "C:\\data\\ledger.qeb");
    window.Begin(100000, false);
    ticks += 300;
    window.SetPosition(1000);
    ASSERT_TRUE(window.visible);
    Settle();
    EventHandler_SetActive(&window, true);
    ASSERT_TRUE(window.active);
    for (WPARAM key : c.keys) PostMessageA(window.native.handle, WM_KEYDOWN, key, 1);
    int64_t position = 1000;
    int32_t reports = 0;
    while (!AbortRequested() && reports < 10) {
      ticks += 200;
      window.SetPosition(position += 1000);
      ++reports;
    }
    // At most one key message (a key or the character it makes) goes through per report.
    EXPECT_GE(reports, static_cast<int32_t>(c.keys.size())) << c.keys.size();
    EXPECT_TRUE(AbortRequested()) << c.keys.size();
    EXPECT_EQ(base->errorFlag != 0, c.readFails) << c.keys.size();
    EXPECT_EQ(PendingError.request.message, c.readFails ? kErrorCancelled : 0) << c.keys.size();
    PendingErrorClear();
  }
}

TEST_F(ProgressWindow, DrawsTheSectionTheTimeToGoAndTheBar) {
  StartApplication();
  T_Base* base = new T_Base("C:\\data\\ledger.qeb", 0);
  const struct {
    int32_t kind;
    const char* picture;
  } cases[] = {{kProgressOpening, "app_progress_opening.bmp"},
               {kProgressSaving, "app_progress_saving.bmp"}};
  for (const auto& c : cases) {
    T_FileWait window(c.kind, base, "C:\\data\\ledger.qeb");
    window.SetStatus(4515);
    EXPECT_STREQ(window.statusText.c_str(), "Cards/Lines");
    window.Begin(10000, false);
    ticks += 300;
    window.SetPosition(800);
    ASSERT_TRUE(window.visible);
    Settle();
    ui_test::Picture picture = ui_test::Capture(&window);
    ASSERT_FALSE(picture.pixels.empty());
    EXPECT_EQ(picture.width, 300);
    EXPECT_EQ(picture.height, c.kind == kProgressOpening ? 108 : 62);
    ui_test::Save(picture, c.picture);
    ui_test::ExpectDrawn(picture, window.labelRect, 10);   // "Section:"
    ui_test::ExpectDrawn(picture, window.statusRect, 10);  // "Cards/Lines"
    if (c.kind == kProgressOpening) {
      ui_test::ExpectDrawn(picture, window.remainingLabelRect, 10);  // "Time To Go:"
      ui_test::ExpectDrawn(picture, window.remainingRect, 10);       // "Estimating"
      ui_test::ExpectDrawn(picture, RECT{14, 74, 94, 94}, 10);       // Cancel
      ui_test::ExpectDrawn(picture, RECT{206, 74, 286, 94}, 10);     // Stop
    }
    // 22 of 274 units done: the start of the bar is filled, the rest is not.
    const RECT& bar = window.barRect;
    const int32_t middle = (bar.top + bar.bottom) / 2;
    auto pixel = [&picture](int32_t x, int32_t y) {
      return picture.pixels[static_cast<size_t>(y) * picture.width + x];
    };
    EXPECT_EQ(window.estimate.barLength, 22);
    EXPECT_EQ(pixel(bar.left + 5, middle), pixel(bar.left + 15, middle));
    EXPECT_NE(pixel(bar.left + 5, middle), pixel(bar.left + 100, middle));
    EXPECT_EQ(pixel(bar.left + 100, middle), pixel(bar.right - 5, middle));
  }
}

// The application's seam: the file operations make and end windows through it, and a real
// reader and the writers' reports reach the current window.
TEST_F(ProgressWindow, TheEnginesReadersAndWritersReportToTheCurrentWindow) {
  StartApplication();
  InstallFileProgressHooks();
  T_Base* base = new T_Base("progress_read.txt", 0);
  const std::string path = "progress_read.txt";
  int64_t size = 0;
  {
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    for (int32_t i = 0; i < 20000; ++i) std::fprintf(file, "line %d of the file\r\n", i);
    size = std::ftell(file);
    std::fclose(file);
  }
  T_FileWait* reading = FileProgressOpen(kProgressOpening, base, path.c_str());
  ASSERT_NE(reading, nullptr);
  EXPECT_EQ(FileProgressCurrent(), reading);
  int64_t lines = 0;
  {
    T_HTextRead reader;
    ASSERT_TRUE(reader.Open(path.c_str()));
    while (reader.NextLine()) ++lines;
  }
  EXPECT_EQ(lines, 20000);
  EXPECT_EQ(reading->estimate.total, size);
  EXPECT_EQ(reading->estimate.barLength, kProgressBarUnits);  // the end fills the bar at once
  FileProgressSetStatus(reading, 4515);
  EXPECT_STREQ(reading->statusText.c_str(), "Cards/Lines");

  T_FileWait* saving = FileProgressOpen(kProgressSaving, base, path.c_str());
  ASSERT_NE(saving, nullptr);
  EXPECT_EQ(saving->previous, reading);
  FileProgressAddTotal(saving, 6000);
  FileProgressAddTotal(saving, 4000);
  FileProgressResetSteps(saving);
  FileProgressAddSteps(saving, 5000);
  FileProgressStepRefresh(saving);
  EXPECT_EQ(saving->estimate.barLength, 137);
  FileProgressClose(saving);
  EXPECT_EQ(FileProgressCurrent(), reading);
  FileProgressClose(reading);
  EXPECT_EQ(FileProgressCurrent(), nullptr);
  DeleteFileA(path.c_str());
}

TEST_F(ProgressWindow, HeadlessRunsMakeNoWindow) {
  InstallFileProgressHooks();
  ASSERT_EQ(App(), nullptr);
  EXPECT_EQ(FileProgressOpen(kProgressOpening, nullptr, "a.qeb"), nullptr);
  EXPECT_EQ(FileProgressCurrent(), nullptr);
}

}  // namespace
}  // namespace app_test
