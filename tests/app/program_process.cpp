#include "program_process.h"

#include <cwchar>
#include <string>

namespace {

struct FrameSearch {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK TestWindow(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<FrameSearch*>(context);
  wchar_t className[32];
  if (!GetClassNameW(window, className, 32) || std::wcscmp(className, L"TopFrame") != 0) return TRUE;
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (search->processId && owner != search->processId) return TRUE;
  if (!IsWindowVisible(window)) return TRUE;
  search->found = window;
  return FALSE;
}

// Holds the desktop for the rest of the test program: a thread of this process stays on it
// with a window of its own, so Wine starts the desktop's explorer once, here, where a slow start
// can be waited for, rather than for every program started on it. On a busy machine a program
// that finds no explorer in time cannot create its frame at all.
DWORD WINAPI HoldDesktop(void* name) {
  HDESK desk = CreateDesktopW(static_cast<const wchar_t*>(name), nullptr, nullptr, 0, GENERIC_ALL, nullptr);
  if (!desk || !SetThreadDesktop(desk)) return 0;
  HWND window = nullptr;
  wait_bound::Deadline deadline;
  deadline.Until([&] {
    window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    return window != nullptr;
  });
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}

}  // namespace

void PrepareVirtualDesktop(const wchar_t* desktop) {
  HKEY key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\Explorer\\Desktops", 0, nullptr, 0, KEY_WRITE, nullptr,
                      &key, nullptr) != ERROR_SUCCESS) {
    return;
  }
  const wchar_t size[] = L"1024x768";
  RegSetValueExW(key, desktop, 0, REG_SZ, reinterpret_cast<const BYTE*>(size), sizeof size);
  RegCloseKey(key);
  static bool held = false;
  if (!held) {
    held = true;
    static std::wstring name;
    name = desktop;
    if (HANDLE thread = CreateThread(nullptr, 0, HoldDesktop, name.data(), 0, nullptr)) CloseHandle(thread);
  }
}

std::wstring WindowsPath(const char* unixPath) {
  std::wstring path = L"Z:";
  for (const char* p = unixPath; *p; ++p) path += *p == '/' ? L'\\' : static_cast<wchar_t>(*p);
  return path;
}

bool StartProgram(const std::wstring& program, const std::wstring& arguments, const wchar_t* desktop,
                  const std::wstring& alertFile, PROCESS_INFORMATION* process) {
  std::wstring line = L"\"" + program + L"\"";
  if (!arguments.empty()) line += L" " + arguments;
  std::wstring desktopName = desktop;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.lpDesktop = desktopName.data();
  SetEnvironmentVariableW(L"QEB_ALERT_FILE", alertFile.empty() ? nullptr : alertFile.c_str());
  BOOL started = CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                &startup, process);
  SetEnvironmentVariableW(L"QEB_ALERT_FILE", nullptr);
  return started != 0;
}

namespace {

struct WaitRequest {
  const wchar_t* desktop;
  DWORD processId;
  const wait_bound::Deadline* deadline;
  HWND found;
};

// Window searches see the calling thread's desktop, so the search runs on a thread of its own
// that moves to the program's desktop.
DWORD WINAPI SearchThread(void* argument) {
  auto* request = static_cast<WaitRequest*>(argument);
  HDESK desktop = nullptr;
  for (;;) {
    // The desktop exists only once the program's first window made it.
    if (!desktop && (desktop = OpenDesktopW(request->desktop, 0, FALSE, GENERIC_ALL)) != nullptr) {
      SetThreadDesktop(desktop);
    }
    FrameSearch search{request->processId, nullptr};
    if (desktop) EnumWindows(TestWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found || request->deadline->Passed()) {
      request->found = search.found;
      break;
    }
    Sleep(wait_bound::kPollMilliseconds);
  }
  if (desktop) CloseDesktop(desktop);
  return 0;
}

}  // namespace

HWND WaitForFrame(const wchar_t* desktop, DWORD processId, const wait_bound::Deadline& deadline) {
  WaitRequest request{desktop, processId, &deadline, nullptr};
  HANDLE thread = CreateThread(nullptr, 0, SearchThread, &request, 0, nullptr);
  if (!thread) return nullptr;
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  return request.found;
}
