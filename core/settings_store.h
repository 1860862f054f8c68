#pragma once
// The preferences of the program as named text values.
//
// They live in the registry under "Software\Trelvik\<section>", per user (mode 0) or machine-wide
// (mode 1). In a terminal-server session whose name begins with "ICA" the per-user values go to a
// key/value text file "<section>.cfg" in the user's application-data folder instead, so that the
// users of one shared server keep their own preferences; machine-wide values stay in the registry.
//
// A value name may carry a subkey path: it is split at its last backslash, and the part before
// it names a subkey of the store's key.
//
// A store is a plain record on the caller's stack, opened, used for a handful of reads and writes
// and closed in one function; nothing is cached between openings. No operation reports failure:
// what cannot be opened, read or written is silently left alone, reads then give an empty text
// and typed reads keep the caller's default.
//
// Texts are UTF-8; the registry holds them as UTF-16 strings, so every character survives on any
// system code page.
#include <windows.h>

#include <cstdint>

#include "core/key_value_table.h"
#include "core/text_buffer.h"

struct SettingsStore {
  HKEY key = nullptr;              // the open registry key, or none
  KeyValueTable* table = nullptr;  // the values of the ".cfg" file, or none
  T_TextBuf* filePath = nullptr;   // the path of the ".cfg" file, or none
};

constexpr int32_t kSettingsUser = 0;
constexpr int32_t kSettingsMachine = 1;

// The maker word: the registry key below "Software" and the folder of the ".cfg" files.
constexpr const char* kSettingsMaker = "Trelvik";

void SettingsOpen(SettingsStore* store, const char* section, int32_t mode);
// Saves the file when a value changed, closes the key, frees the table and the path.
void SettingsClose(SettingsStore* store);

// out is emptied, then filled from the registry, then from the file's values.
void SettingsRead(SettingsStore* store, const char* name, T_TextBuf* out);
void SettingsWrite(SettingsStore* store, const char* name, const char* text);
// Removes the registry value; in the file the value becomes an empty text.
void SettingsDelete(SettingsStore* store, const char* name);

void SettingsWriteChar(SettingsStore* store, const char* name, char c);
void SettingsWriteInt(SettingsStore* store, const char* name, int32_t value);
void SettingsWriteBool(SettingsStore* store, const char* name, bool flag);  // "+" or "-"
void SettingsWriteLanguage(SettingsStore* store, const char* name,
                           int32_t language);  // "US", "DAN", ...

// Typed reads change the variable only when the stored value gives one.
void SettingsReadChar(SettingsStore* store, const char* name, char* c);
// A non-empty value into the buffer, cut at a character boundary to fit size bytes with its NUL.
void SettingsReadText(SettingsStore* store, const char* name, char* buffer, int32_t size);
void SettingsReadInt(SettingsStore* store, const char* name,
                     int32_t* value);  // "-" or a digit first
void SettingsReadBool(SettingsStore* store, const char* name, bool* flag);
void SettingsReadLanguage(SettingsStore* store, const char* name, int32_t* language);

// The path of a section's ".cfg" file: the application-data folder, the maker word and a file
// name made of the section (blanks and "." removed, "/" as "-", cut to 8 bytes) and ".cfg".
void SettingsFilePath(T_TextBuf* path, const char* section);
// Splits a value name at its last backslash: the subkey path (empty when none) and the value name.
void SettingsSplitName(const char* name, T_TextBuf* subkey, T_TextBuf* valueName);
