#pragma once
// The questions the file operations ask about a file (already open, changed on disk, damaged,
// written by a later version, not a database): the file's name as "@0", the database's window
// as the owner.
#include <cstdint>
#include <initializer_list>

class T_Base;

// The id of the pressed button; the button at defaultIndex when nobody answers. The database may
// be null.
int32_t AskAboutFile(T_Base* base, int32_t message, const char* path,
                     std::initializer_list<int32_t> buttons, int32_t defaultIndex = 0,
                     int32_t beeps = 0);
