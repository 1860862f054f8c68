#pragma once
// The system's default beep, which a command asks for in so many words. Tests count the beeps
// through the hook instead of hearing them.
//
// User-interface thread only.

void SystemBeep();

// The hook receives each beep in place of the system; null restores the system.
using SystemBeepHook = void (*)();
void SetSystemBeepHook(SystemBeepHook hook);
