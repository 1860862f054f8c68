// tools/run's helper, run under Wine: "wait DESKTOP" waits until the program's frame window shows
// on the desktop, "find DESKTOP" tells whether it is there now, "close DESKTOP" posts it WM_CLOSE.
// Exit code 0 on success, 1 when no frame was found, 2 for a wrong call.
#include <windows.h>

#include <cstring>
#include <string>

#include "program_process.h"

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  bool wait = std::strcmp(argv[1], "wait") == 0;
  bool find = std::strcmp(argv[1], "find") == 0;
  bool close = std::strcmp(argv[1], "close") == 0;
  if (!wait && !find && !close) return 2;
  std::wstring desktop;
  for (const char* p = argv[2]; *p; ++p) desktop += static_cast<wchar_t>(*p);
  // A frame asked to close is there already; "find" looks once.
  const wait_bound::Deadline deadline(wait ? wait_bound::kTestMilliseconds : close ? 2000 : 0);
  HWND frame = WaitForFrame(desktop.c_str(), 0, deadline);
  if (!frame) return 1;
  if (close) PostMessageW(frame, WM_CLOSE, 0, 0);
  return 0;
}
