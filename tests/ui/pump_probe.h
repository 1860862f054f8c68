#pragma once
// Runs a check from inside each message pump of the code under test: a visible window of the
// test's own is invalidated whenever the pump reads its clock, so its paint (the only message a
// pump lets through) comes in that round, the way a window of the program left uncovered would be
// painted. The clock runs a second per reading meanwhile, so that no pump is skipped as too early.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <functional>

#include "core/threads.h"

namespace ui_test {

class PumpProbe {
 public:
  explicit PumpProbe(std::function<void()> check) : check_(std::move(check)) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "QebPumpProbe";
    RegisterClassA(&windowClass);
    window_ = CreateWindowA("QebPumpProbe", "", WS_POPUP | WS_VISIBLE, 0, 0, 8, 8, nullptr,
                            nullptr, windowClass.hInstance, nullptr);
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    // The pump keeps the time of its last round across tests, whatever clock they used: start
    // well past any of them.
    Clock() = std::max({Clock(), TickCount(), static_cast<uint64_t>(GetTickCount64())}) + 1000000;
    Current() = this;
    SetTickSource([] {
      if (Current() && Current()->armed_) InvalidateRect(Current()->window_, nullptr, FALSE);
      return Clock() += 1000;
    });
    // The window's first paint goes now, not into the code under test.
    UpdateWindow(window_);
  }
  ~PumpProbe() {
    SetTickSource(nullptr);
    Current() = nullptr;
    DestroyWindow(window_);
  }
  PumpProbe(const PumpProbe&) = delete;
  PumpProbe& operator=(const PumpProbe&) = delete;

  // The check runs at every pump from now on.
  void Arm() { armed_ = true; }
  void Disarm() { armed_ = false; }
  int32_t runs = 0;

 private:
  static PumpProbe*& Current() {
    static PumpProbe* current = nullptr;
    return current;
  }
  static uint64_t& Clock() {
    static uint64_t clock = 0;
    return clock;
  }
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    auto* probe = reinterpret_cast<PumpProbe*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message != WM_PAINT || !probe) return DefWindowProcA(window, message, w, l);
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    EndPaint(window, &paint);
    if (probe->armed_) {
      ++probe->runs;
      probe->check_();
    }
    return 0;
  }

  std::function<void()> check_;
  HWND window_ = nullptr;
  bool armed_ = false;
};

}  // namespace ui_test
