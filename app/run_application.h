#pragma once
// The run function of the program: it brings the application up in a fixed order (the engine's
// and the application's hooks, the recent files cleared, the preferences read, the command-line
// switches, the file-association question), takes an instance slot, builds T_QEB, runs the main
// loop and takes the application down again.
//
// Tests drive the program from outside: when the environment variable QEB_ALERT_FILE names a
// file, every alert is answered with its default answer and appended to that file as the message
// number, a TAB and the message text, one line each, instead of being shown.
#include <cstdint>

constexpr const char* kProductTitle = "QEB 5.7";
constexpr int32_t kInstanceSlots = 16;

void RunApplication();
// Puts in every layer's hooks (the engine's, the windows', the editors', the dialogs', the
// imports'), in the order the program needs; tests that run the whole program in-process call it.
void InstallProgramParts();

// True when start-up goes on; false when a switch did its work ("/associate" writes the file
// associations) or was refused (each refused switch gives message 2901 with the switch).
bool ParseCommandLineSwitches(const char* text);

// The COM server flags of the program. Embedded is also the automation's ExitOnRelease.
bool ComServerAvailable();
bool Embedded();
void SetEmbedded(bool on);
// Set at start-up once the class objects are registered (tests set it themselves).
void SetComServerAvailable(bool on);
