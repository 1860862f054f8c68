#pragma once
// The pump that long loops call, the busy deadline behind the wait cursor, and the start of the
// runtime.
//
// Long work calls PumpMessages often; it returns at once most of the time. At most every 100 ms
// it lets pending paint messages through (nothing else: input stays queued for after the work),
// and once the busy deadline has passed it shows the wait cursor and tells the frame window with
// message 1040. The loops test the abort flag themselves.
//
// The user-interface thread is the thread that called RuntimeStart, or before that the thread
// that initialised the program (the main thread). PumpMessages returns at once on any other
// thread: a worker must not dispatch the windows' messages.
#include <windows.h>

#include <cstdint>

constexpr UINT kBusyMessage = WM_USER + 16;  // 1040, posted to the frame window
constexpr uint64_t kBusyDelay = 700;
constexpr uint64_t kPumpInterval = 100;

// The frame window that receives message 1040 and owns the file dialogs; null before it exists.
void PumpSetFrameWindow(HWND frame);
HWND PumpFrameWindow();

// Arms the wait cursor 700 ms from now.
void SetBusyDeadline();
void PumpMessages();
bool OnUserInterfaceThread();

// Called once by the start-up on the user-interface thread: takes the clock bases, arms the
// busy deadline, makes ISO-8859-1 (encoding 6) the system 8-bit encoding, lets the alert logs
// write their files and turns off the system's ghosting of busy windows.
void RuntimeStart();
// The program's start as a date value in seconds, and the system's start (that value minus the
// tick count at the time); 0 before RuntimeStart.
double ProgramStartSeconds();
double SystemStartSeconds();
