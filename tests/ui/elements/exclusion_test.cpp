// The user-interface/worker exclusion with a real worker thread: a request never runs while the
// user interface handles an event, and the user interface waits for a running request, still
// serving the messages the worker sends it.
#include <gtest/gtest.h>

#include <atomic>

#include "core/threads.h"
#include "ui/main_loop.h"

namespace {

struct Shared {
  std::atomic<int> stage{0};
  std::atomic<bool> inside{false};
  HWND window = nullptr;
};

class Exclusion : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(ExclusionStart()); }
  void TearDown() override { ExclusionEnd(); }
};

bool WaitFor(const std::atomic<int>& stage, int value) {
  for (int i = 0; i < 5000 && stage.load() < value; ++i) Sleep(1);
  return stage.load() >= value;
}

TEST_F(Exclusion, WorkerWaitsWhileAnEventIsHandled) {
  Shared shared;
  UiEnter();  // a mouse handler runs
  ASSERT_TRUE(ThreadStart(
      [](void* argument, void*) {
        auto* s = static_cast<Shared*>(argument);
        s->stage = 1;
        WorkerEnter();
        s->inside = true;
        WorkerLeave();
        s->stage = 2;
      },
      &shared, nullptr));
  ASSERT_TRUE(WaitFor(shared.stage, 1));
  Sleep(100);
  EXPECT_FALSE(shared.inside.load());  // never while the handler runs
  UiLeave();
  ASSERT_TRUE(WaitFor(shared.stage, 2));
  EXPECT_TRUE(shared.inside.load());
}

TEST_F(Exclusion, UserInterfaceWaitsForARunningRequestAndServesItsMessages) {
  static std::atomic<int> served{0};
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = [](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
    if (message == WM_USER + 5) {
      UiEnter();  // a handler that runs for the worker's own message must not wait for it
      ++served;
      UiLeave();
      return 7;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
  };
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "ExclusionTest";
  RegisterClassA(&windowClass);
  Shared shared;
  shared.window = CreateWindowExA(0, "ExclusionTest", "", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(shared.window, nullptr);

  ASSERT_TRUE(ThreadStart(
      [](void* argument, void*) {
        auto* s = static_cast<Shared*>(argument);
        WorkerEnter();
        s->inside = true;
        s->stage = 1;
        Sleep(100);
        LRESULT answer = SendMessageA(s->window, WM_USER + 5, 0, 0);  // the request sends to us
        s->stage = answer == 7 ? 2 : -1;
        s->inside = false;
        WorkerLeave();
      },
      &shared, nullptr));
  ASSERT_TRUE(WaitFor(shared.stage, 1));
  UiEnter();
  EXPECT_FALSE(shared.inside.load());  // entered only after the request left
  EXPECT_EQ(shared.stage.load(), 2);
  EXPECT_EQ(served.load(), 1);
  UiLeave();
  DestroyWindow(shared.window);
}

}  // namespace
