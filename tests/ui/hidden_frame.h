#pragma once
// For tests that build an application object in-process: the frame's window classes registered
// once per process, the frame kept hidden, and the native menus installed, so that the
// application builds its menus as the program does.
#include "ui/native_menu.h"
#include "ui/native_window.h"
#include "ui/program_entry.h"

namespace ui_test {

inline void PrepareHiddenFrame() {
  static bool registered = false;
  if (!registered) {
    RegisterFrameClasses(ProgramInstance());
    registered = true;
  }
  SetFrameVisible(false);
  NativeMenusInstall();
}

}  // namespace ui_test
