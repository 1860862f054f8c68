#include <windows.h>

#include "app/run_application.h"
#include "ui/program_entry.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR, int) {
  return ProgramEntry(instance, previous, RunApplication);
}
