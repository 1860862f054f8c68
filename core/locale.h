#pragma once
// Program-wide text conventions: the number separators, the user-interface languages, the
// letter-case and base-letter tables with the comparisons that ignore case, word caps, accent
// composition and the HTML entity table.
//
// Case is ignored by reading both texts character by character through the upper-case table:
// the tables cover U+0000 to U+07FF, 3-byte characters compare unchanged, and an invalid lead
// byte reads as 0 (ending the text for the comparison).
#include <cstdint>

// --- Separators ---------------------------------------------------------------------------------

// Stands for "the global separator" wherever a separator is given.
constexpr uint16_t kSeparatorGlobal = 65279;

struct SeparatorPair {
  uint16_t decimal;
  uint16_t thousands;  // 0: none
};
// Set once at start-up from the system's settings; read from any thread.
SeparatorPair SeparatorsGet();
void SeparatorsSet(SeparatorPair pair);

// --- Languages ----------------------------------------------------------------------------------

constexpr int32_t kLanguageCount = 13;
// "English" for any number outside 0..12.
const char* LanguageName(int32_t language);
// "US", "CZE", ... "SWE"; null outside 0..12.
const char* LanguageCode(int32_t language);
void LanguagesEnableAll();
bool LanguageEnabled(int32_t language);
void LanguageSetEnabled(int32_t language, bool enabled);
// GetString with the current language switched to the given one for the call.
const char* GetStringInLanguage(int32_t id, int32_t language);

// Letter-case modes, indexes into "ULDWSN": upper case, lower case, standard, word caps, case
// sensitive, case insensitive.
constexpr int32_t kCaseUpper = 0;
constexpr int32_t kCaseLower = 1;
constexpr int32_t kCaseStandard = 2;
constexpr int32_t kCaseWordCaps = 3;
constexpr int32_t kCaseSensitive = 4;
constexpr int32_t kCaseInsensitive = 5;
// The mode's letter; 0 outside 0..5.
char CaseModeLetter(int32_t mode);

const char* PlatformName();

// --- Case tables --------------------------------------------------------------------------------

// The tables are built when the program is compiled; start-up calls this at its place in the
// sequence so nothing depends on that choice.
void CaseTablesInit();
// One UTF-16 unit through the upper-case, lower-case or base-letter table; units from 2048 up
// map to themselves.
uint32_t CharToUpper(uint32_t unit);
uint32_t CharToLower(uint32_t unit);
uint32_t CharStripAccent(uint32_t unit);
// a-z to A-Z; every other byte unchanged.
char AsciiUpper(char c);

// --- Comparison without case --------------------------------------------------------------------

bool StrStartsWithNoCase(const char* text, const char* prefix);
// Mode 4 (case sensitive) compares bytes, every other mode ignores case.
bool StrStartsWithByMode(const char* text, const char* prefix, int32_t mode);
// Byte offset of the first occurrence of the needle within buffer[0, length); -1 when absent or
// when the needle is longer. An empty needle is found at 0.
int32_t MemFind(const char* buffer, int32_t length, const char* needle);
int32_t MemFindNoCase(const char* buffer, int32_t length, const char* needle);
// -1 when absent, for an empty text and for an empty needle.
int32_t StrFindNoCase(const char* text, const char* needle);
bool StrEqualNoCase(const char* a, const char* b);  // null counts as empty
bool StrEqualNoCaseNullAsEmpty(const char* a, const char* b);
// -1, 0 or 1 by the upper-cased code points; a proper prefix sorts first; null counts as empty.
int32_t StrCompareNoCase(const char* a, const char* b);
int32_t StrCompareByMode(const char* a, const char* b, int32_t mode);

// --- Case modes and word caps -------------------------------------------------------------------

// In place: 0 upper case, 1 lower case, 2 first character upper and the rest lower, 3 word caps;
// other modes change nothing. A mapped character keeps its byte length.
void CaseModeApply(char* text, int32_t mode);
void WideCaseModeApply(wchar_t* text, int32_t mode);
void StrCapitalize(char* text);
void StrWordCaps(char* text);
void WideWordCaps(wchar_t* text);

// The precomposed character for a base letter and a combining mark U+0300..U+0311, 0 when the
// pair has none in the program's list.
uint32_t ComposeAccent(uint32_t base, uint32_t mark);

// --- HTML entities
// --------------------------------------------------------------------------------

struct EntityEntry {
  uint16_t unit;
  const char* name;  // "&amp;" and so on
};
constexpr int32_t kEntityCount = 169;
// The entry of the unit, or null.
const EntityEntry* EntityForChar(uint32_t unit);
// The whole table, in the order above, for readers that search by name.
const EntityEntry* EntityTable();
