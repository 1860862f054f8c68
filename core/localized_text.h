#pragma once
// Localized texts: every user-interface text is addressed by a text id N and read, at the moment
// it is shown, from the string table of the current language inside the program's resources.
//
// Text id N is entry N % 100 of table N / 100; the table of language L is the RCDATA resource
// table * 100 + L (see tools/make_string_tables.py for its bytes). A text that is missing or
// empty in the current language is taken from English (language 0). Ids below 100 are never
// used: their table would be resource 0, which cannot exist.
//
// Texts are used in place inside the loaded resource: the pointers stay valid for the life of
// the process and must never be freed or written. Any thread may look texts up.
#include <cstdint>

// Languages 0 to 12 (0 English); string tables exist for 0, 2, 3, 5, 6, 7, 9, 10 and 12.
constexpr int32_t kLanguageEnglish = 0;
constexpr int32_t kLanguageLast = 12;

// The process-wide user-interface language. A number outside 0..12 selects English, so a lookup
// never reaches the resource of another table. Whoever changes it also makes shown texts reload
// (notify code 18 down the element tree).
int32_t CurrentLanguage();
void SetCurrentLanguage(int32_t language);

// The text of the id in the current language, English where that is missing or empty. Null for a
// negative id (no pending error) and when not even the English table exists (pending error 601).
// An index past the end of an existing English table gives an empty text.
const char* GetString(int32_t textId);

// The lookup for an explicit language: tableBase is the table number times 100, index 0 to 99.
const char* GetStringLang(int32_t tableBase, int32_t index, int32_t language);
