#include <windows.h>

#include "core/memory.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE previous, LPSTR, int) {
  if (previous) return 0;
  void* probe = MemNew(16);
  MemFree(probe);
  return 0;
}
