#pragma once
// Where the program file stands: the path the file associations name and the folder the help
// files are looked for in. Tests put a path of their choice in its place.
//
// User-interface thread only.
#include "core/text_buffer.h"

// The program file's full path (the module's, unless replaced).
void ProgramFilePath(T_TextBuf* path);
// Its folder with the trailing backslash.
void ProgramFolder(T_TextBuf* folder);
// Replaces the module's path; null or empty puts it back.
void SetProgramPathOverride(const char* path);
