// Linked into every test program. Under the test harness Wine shows no crash dialog and prints
// no backtrace, so a test program that dies would leave ctest an empty log: nothing in stdout's
// buffer survives the process. Printing unbuffered and naming the exception and the faulting
// module offset turns such a run into something that can be looked up.
#include <windows.h>

#include <cstdio>

namespace {

LONG WINAPI ReportUnhandled(EXCEPTION_POINTERS* info) {
  const EXCEPTION_RECORD* record = info->ExceptionRecord;
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                         GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     static_cast<LPCWSTR>(record->ExceptionAddress), &module);
  char name[MAX_PATH] = "?";
  if (module) GetModuleFileNameA(module, name, MAX_PATH);
  const auto base = reinterpret_cast<ULONG_PTR>(module);
  const auto at = reinterpret_cast<ULONG_PTR>(record->ExceptionAddress);
  std::fprintf(stderr, "unhandled exception 0x%08lx at %s+0x%llx\n",
               static_cast<unsigned long>(record->ExceptionCode), name,
               static_cast<unsigned long long>(at - base));
  std::fflush(stderr);
  return EXCEPTION_CONTINUE_SEARCH;
}

struct CrashReport {
  CrashReport() {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    SetUnhandledExceptionFilter(ReportUnhandled);
  }
} crash_report;

}  // namespace
