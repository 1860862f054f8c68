#pragma once
// The file-name extension of a save kind, for the save dialogs and the save setup editor: "qex"
// for the text form (kind 5), "si" for SIE 4 (kind 12), "qeb" for every other kind.
//
// An extension is what core/files.h's PathFindExtension finds: a dot within the last 5
// characters of the name.
#include <cstdint>

#include "core/text_buffer.h"

const char* SaveKindExtension(int32_t saveKind);
// Replaces the path's extension (or adds one) by the kind's.
void SetSaveExtension(T_TextBuf* path, int32_t saveKind);
// Gives the path the kind's extension only when it has none.
void EnsureSaveExtension(T_TextBuf* path, int32_t saveKind);
