#include "app/save_extension.h"

#include "core/files.h"
#include "database/save_options.h"

const char* SaveKindExtension(int32_t saveKind) {
  switch (saveKind) {
    case kSaveKindText:
      return "qex";
    case kSaveKindSie:
      return "si";
    default:
      return "qeb";
  }
}

void SetSaveExtension(T_TextBuf* path, int32_t saveKind) {
  PathSetExtension(path, SaveKindExtension(saveKind));
}

void EnsureSaveExtension(T_TextBuf* path, int32_t saveKind) {
  if (path->c_str()[PathFindExtension(path->c_str())] == '.') return;
  SetSaveExtension(path, saveKind);
}
