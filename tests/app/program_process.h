#pragma once
// Starting the built program under Wine on a desktop of its own and finding its frame window.
#include <windows.h>

#include <string>

#include "wait_bound.h"

// The desktop the program runs on: a Wine virtual desktop, so that activation and focus do not
// depend on a window manager.
constexpr const wchar_t* kTestDesktop = L"QEBTest";

// Makes the desktop a virtual one of 1024 x 768 (a per-user Wine setting for that name only), and
// keeps it, with its explorer, for the rest of the test program.
void PrepareVirtualDesktop(const wchar_t* desktop);
// A Unix path as Wine sees it (drive Z:).
std::wstring WindowsPath(const char* unixPath);
// Starts the program with the arguments on the desktop; the environment variable QEB_ALERT_FILE
// is set to alertFile when it is not empty.
bool StartProgram(const std::wstring& program, const std::wstring& arguments, const wchar_t* desktop,
                  const std::wstring& alertFile, PROCESS_INFORMATION* process);
// The visible "TopFrame" window of the process (0: any process) on the desktop, waiting for it to
// show until the deadline.
HWND WaitForFrame(const wchar_t* desktop, DWORD processId, const wait_bound::Deadline& deadline);
