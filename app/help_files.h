#pragma once
// The compiled help file and the user's manual, which stand (when they are installed) in the
// program's folder, each in a plain and a Swedish variant, and the maker's home page.
//
//   "QEB Help.chm"              "QEB Help SWE.chm"
//   "QEB Users manual.pdf"      "QEB Users manual SWE.pdf"
//
// Under Swedish the Swedish variant is chosen when it exists, else the plain one; under any other
// language the plain one, else the Swedish one. The Help menu offers a file only when one exists.
//
// User-interface thread only.
#include "core/text_buffer.h"

// The maker's home page, opened by the Help menu's entry 2556. The address is the project's
// placeholder until the maker names its own.
constexpr const char* kMakerHomePage = "https://www.trelvik.example/qeb/";

// The chosen file's full path; false (and an empty path) when neither variant exists.
bool ChooseHelpFile(T_TextBuf* path);
bool ChooseUserManual(T_TextBuf* path);

// Open the chosen file through the shell. When there is none (any more) or the shell cannot open
// it, 605 names the file that was looked for.
void OpenHelpFile();
void OpenUserManual();
void OpenMakerHomePage();
