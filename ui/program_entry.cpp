#include "ui/program_entry.h"

#include <winsock2.h>
#include <objbase.h>

#include <cstring>

#include "core/bitmap_cache.h"
#include "core/locale.h"
#include "core/memory.h"
#include "core/message_pump.h"
#include "core/text_buffer.h"
#include "core/utf8.h"
#include "ui/aa_drawing.h"
#include "ui/graphics_port.h"
#include "ui/main_loop.h"
#include "ui/native_window.h"

namespace {

constexpr int32_t kMaxListeners = 8;

HINSTANCE programInstance = nullptr;
T_TextBuf* commandLine = nullptr;
char programName[kProgramNameSize + 1] = {};
char secondName[kSecondNameSize + 1] = {};
TitleListener listeners[kMaxListeners] = {};
int32_t listenerCount = 0;
SessionEndHandler sessionEndHandler = nullptr;
int exitCode = 0;

// Copies at most size bytes, cut back to a character boundary.
void CopyName(char* target, int32_t size, const char* source) {
  int32_t n = source ? static_cast<int32_t>(std::strlen(source)) : 0;
  if (n > size) n = Utf8BoundaryAtOrBefore(source, size);
  if (n > 0) std::memcpy(target, source, n);
  target[n] = 0;
}

void FrameTitleListener(const char* name, const char*) { FrameSetTitle(name); }

// The module file name as UTF-8, however long the path.
void ModuleFileName(T_TextBuf* path) {
  DWORD size = MAX_PATH;
  for (;;) {
    wchar_t* wide = static_cast<wchar_t*>(MemNew(static_cast<int64_t>(size) * sizeof(wchar_t)));
    if (!wide) {
      TextBufAssign(path, "");
      return;
    }
    DWORD n = GetModuleFileNameW(nullptr, wide, size);
    if (n < size || size >= 32768) {
      wide[n < size ? n : size - 1] = 0;
      TextBufAssignUtf16(path, wide);
      MemFree(wide);
      return;
    }
    MemFree(wide);
    size *= 2;
  }
}

}  // namespace

HINSTANCE ProgramInstance() { return programInstance ? programInstance : GetModuleHandleA(nullptr); }

const char* CommandLineText() { return commandLine ? commandLine->data : ""; }

void SetCommandLineText(const char* text) {
  if (!commandLine) commandLine = new T_TextBuf;
  TextBufAssign(commandLine, text);
}

const wchar_t* CommandLineArguments(const wchar_t* line) {
  if (!line) return L"";
  if (*line == L'"') {
    ++line;
    while (*line && *line != L'"') ++line;
    if (*line) ++line;
  } else {
    while (*line && *line != L' ' && *line != L'\t') ++line;
  }
  while (*line == L' ' || *line == L'\t') ++line;
  return line;
}

// --- Names ------------------------------------------------------------------------------------

void AddTitleListener(TitleListener listener) {
  if (listenerCount == kMaxListeners) return;
  std::memmove(listeners + 1, listeners, listenerCount * sizeof listeners[0]);
  listeners[0] = listener;
  ++listenerCount;
}

void SetProgramName(const char* name, const char* second) {
  CopyName(programName, kProgramNameSize, name);
  CopyName(secondName, kSecondNameSize, second);
  for (int32_t i = 0; i < listenerCount; ++i) listeners[i](programName, secondName);
}

const char* ProgramName() { return programName; }
const char* SecondName() { return secondName; }

void ProgramNameFromPath(const char* path, T_TextBuf* name) {
  const char* start = path;
  for (const char* p = path; *p; ++p) {
    if (*p == '\\' || *p == '/') start = p + 1;
  }
  int32_t n = static_cast<int32_t>(std::strlen(start));
  if (n > 4 && StrEqualNoCase(start + n - 4, ".exe")) n -= 4;
  TextBufAssignBytes(name, start, n);
}

uint16_t SeparatorFromProfileText(const wchar_t* text, uint16_t keep) {
  return text && text[0] ? static_cast<uint16_t>(text[0]) : keep;
}

// --- Start-up and clean-up --------------------------------------------------------------------

HRESULT AppInit() {
  CaseTablesInit();
  RuntimeStart();  // clock base, busy deadline, ISO-8859-1 as the 8-bit page, no ghosting
  SystemColoursRefresh();
  RegisterFrameClasses(ProgramInstance());

  T_TextBuf path;
  ModuleFileName(&path);
  T_TextBuf name;
  ProgramNameFromPath(path.data, &name);
  AddTitleListener(FrameTitleListener);
  SetProgramName(name.data, "");

  wchar_t text[8];
  SeparatorPair separators = SeparatorsGet();
  GetProfileStringW(L"intl", L"sdecimal", L".", text, 8);
  separators.decimal = SeparatorFromProfileText(text, separators.decimal);
  GetProfileStringW(L"intl", L"sthousand", L" ", text, 8);
  separators.thousands = SeparatorFromProfileText(text, separators.thousands);
  SeparatorsSet(separators);

  FrameClearNormalRect();
  CursorSet(32514);  // the wait cursor
  WSADATA sockets;
  WSAStartup(MAKEWORD(2, 2), &sockets);
  ExclusionStart();
  return CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
}

void AppCleanup() {
  WSACleanup();
  BitmapCacheFree();
  UnregisterDocumentClasses();
  ExclusionEnd();
}

void SetProgramExitCode(int code) { exitCode = code; }

int ProgramEntry(HINSTANCE instance, HINSTANCE previous, RunFunction run) {
  if (previous) return 0;
  programInstance = instance;
  T_TextBuf arguments;
  TextBufAssignUtf16(&arguments, CommandLineArguments(GetCommandLineW()));
  SetCommandLineText(arguments.data);
  AppInit();
  AaStartup();  // when GDI+ does not start, controls draw their GDI forms
  run();
  AaShutdown();
  AppCleanup();
  return exitCode;
}

void SetSessionEndHandler(SessionEndHandler handler) { sessionEndHandler = handler; }

void ProgramEndSession() {
  if (sessionEndHandler) sessionEndHandler();
  AaShutdown();
  AppCleanup();
  ExitProcess(0);
}
