#include "database/file_progress.h"

namespace {

FileProgressHooks hooks = {};
FileProgressWindowHooks windowHooks = {};

}  // namespace

void SetFileProgressHooks(const FileProgressHooks* installed) {
  hooks = installed != nullptr ? *installed : FileProgressHooks{};
}

T_FileWait* FileProgressCurrent() { return hooks.current != nullptr ? hooks.current() : nullptr; }

void FileProgressBegin(T_FileWait* window, int64_t totalBytes, bool compressed) {
  if (window != nullptr && hooks.begin != nullptr) hooks.begin(window, totalBytes, compressed);
}

void FileProgressSetPosition(T_FileWait* window, int64_t position) {
  if (window != nullptr && hooks.setPosition != nullptr) hooks.setPosition(window, position);
}

void FileProgressStepRefresh(T_FileWait* window) {
  if (window != nullptr && hooks.stepRefresh != nullptr) hooks.stepRefresh(window);
}

void FileProgressSetStatus(T_FileWait* window, int32_t fieldCode) {
  if (window != nullptr && hooks.setStatus != nullptr) hooks.setStatus(window, fieldCode);
}

void FileProgressAddSteps(T_FileWait* window, int64_t steps) {
  if (window != nullptr && hooks.addSteps != nullptr) hooks.addSteps(window, steps);
}

void SetFileProgressWindowHooks(const FileProgressWindowHooks* installed) {
  windowHooks = installed != nullptr ? *installed : FileProgressWindowHooks{};
}

T_FileWait* FileProgressOpen(int32_t kind, T_Base* base, const char* path) {
  return windowHooks.open != nullptr ? windowHooks.open(kind, base, path) : nullptr;
}

void FileProgressClose(T_FileWait* window) {
  if (window != nullptr && windowHooks.close != nullptr) windowHooks.close(window);
}

void FileProgressAddTotal(T_FileWait* window, int64_t amount) {
  if (window != nullptr && windowHooks.addTotal != nullptr) windowHooks.addTotal(window, amount);
}

void FileProgressResetSteps(T_FileWait* window) {
  if (window != nullptr && windowHooks.resetSteps != nullptr) windowHooks.resetSteps(window);
}
