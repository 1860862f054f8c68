#include "app/program_location.h"

#include "core/files.h"

namespace {

T_TextBuf* replacement = nullptr;

}  // namespace

void ProgramFilePath(T_TextBuf* path) {
  if (replacement) {
    TextBufAssignBuf(path, replacement);
  } else {
    ModulePath(path);
  }
}

void ProgramFolder(T_TextBuf* folder) {
  ProgramFilePath(folder);
  const char* name = PathFindName(folder->c_str());
  TextBufTruncate(folder, static_cast<int32_t>(name - folder->c_str()));
}

void SetProgramPathOverride(const char* path) {
  delete replacement;
  replacement = path && *path ? new T_TextBuf(path) : nullptr;
}
