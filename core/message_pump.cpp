#include "core/message_pump.h"

#include "core/code_pages.h"
#include "core/date_record.h"
#include "core/log_file.h"
#include "core/threads.h"

namespace {

// A dynamic initialiser runs on the main thread before main(), so the main thread is the
// user-interface thread until RuntimeStart names one.
DWORD uiThread = GetCurrentThreadId();
HWND frameWindow = nullptr;
uint64_t busyDeadline = 0;
uint64_t nextPump = 0;
double programStart = 0;
double systemStart = 0;

// A window procedure that does not validate its update region would get WM_PAINT again at
// once; the bound keeps such a window from holding the loop.
constexpr int kMaxPaintsPerPump = 256;

}  // namespace

void PumpSetFrameWindow(HWND frame) { frameWindow = frame; }
HWND PumpFrameWindow() { return frameWindow; }

void SetBusyDeadline() { busyDeadline = TickCount() + kBusyDelay; }

bool OnUserInterfaceThread() { return GetCurrentThreadId() == uiThread; }

void PumpMessages() {
  if (!OnUserInterfaceThread()) return;
  uint64_t now = TickCount();
  if (busyDeadline != 0 && now >= busyDeadline) {
    SetCursor(LoadCursor(nullptr, IDC_WAIT));
    busyDeadline = 0;
    if (frameWindow != nullptr) PostMessageA(frameWindow, kBusyMessage, 0, 0);
  }
  if (nextPump != 0 && now < nextPump) return;
  nextPump = now + kPumpInterval;
  MSG message;
  for (int i = 0;
       i < kMaxPaintsPerPump && PeekMessageA(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE);
       ++i) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

void RuntimeStart() {
  uiThread = GetCurrentThreadId();
  DateRecord now = DateNow();
  programStart = DateToSeconds(&now);
  systemStart = programStart - static_cast<double>(TickCount() / 1000);
  SetBusyDeadline();
  SetSystemCodePage(kEncodingLatin1);
  LogFilesInstall();
  DisableProcessWindowsGhosting();
}

double ProgramStartSeconds() { return programStart; }
double SystemStartSeconds() { return systemStart; }
