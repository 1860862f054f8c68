#pragma once
// The program's entry: it prepares the process-wide services every window needs, starts GDI+,
// hands control to the application shell's run function and undoes the preparations when that
// returns.
//
// The command line is read as UTF-16 (GetCommandLineW) and kept as UTF-8, the program name from
// GetModuleFileNameW, so that names outside the system code page and long paths survive.
//
// User-interface thread only (the first thread of the process).
#include <windows.h>

#include <cstdint>

struct T_TextBuf;

// The GUI entry point's work around the application shell's run function (which builds the
// application object and runs the main loop); returns the exit code.
using RunFunction = void (*)();
int ProgramEntry(HINSTANCE instance, HINSTANCE previous, RunFunction run);
// What ProgramEntry returns once the run function ends: 0 unless set (a script learns of a run
// that failed).
void SetProgramExitCode(int code);

// Start-up and clean-up around the run function.
HRESULT AppInit();
void AppCleanup();

HINSTANCE ProgramInstance();
// The arguments after the program path, as UTF-8 (never null).
const char* CommandLineText();
// For tests and the shell: replaces the kept arguments.
void SetCommandLineText(const char* text);
// The argument part of a whole command line: after the program path (quoted or up to the first
// blank) and the blanks that follow it.
const wchar_t* CommandLineArguments(const wchar_t* commandLine);

// Program names: at most 24 and 16 bytes.
constexpr int32_t kProgramNameSize = 24;
constexpr int32_t kSecondNameSize = 16;
using TitleListener = void (*)(const char* name, const char* secondName);
void AddTitleListener(TitleListener listener);
void SetProgramName(const char* name, const char* secondName);
const char* ProgramName();
const char* SecondName();
// The module file name's name part, without a final ".exe" (letter case ignored, only when the
// name is longer than 4 bytes).
void ProgramNameFromPath(const char* path, T_TextBuf* name);

// A separator from the first character of a profile text; keep when the text is empty.
uint16_t SeparatorFromProfileText(const wchar_t* text, uint16_t keep);

// Log-off: the session ends once the frame returns from WM_ENDSESSION, so the shell's shut-down
// (set by the run function), GDI+ and the clean-up run at once and the process ends.
using SessionEndHandler = void (*)();
void SetSessionEndHandler(SessionEndHandler handler);
[[noreturn]] void ProgramEndSession();
