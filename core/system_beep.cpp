#include "core/system_beep.h"

#include <windows.h>

namespace {

SystemBeepHook beepHook = nullptr;

}  // namespace

void SystemBeep() {
  if (beepHook != nullptr) {
    beepHook();
    return;
  }
  MessageBeep(MB_OK);
}

void SetSystemBeepHook(SystemBeepHook hook) { beepHook = hook; }
