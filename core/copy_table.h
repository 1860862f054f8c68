#pragma once
// The user's choices for copying tables as text, kept in the preferences as one short string
// under "CopyTable", and the names by which separator characters are shown and typed.
//
// The string holds entries separated by one or more ","; each entry is a key letter and its
// value (nothing for a flag). The defaults are written "CA,DD,TN,F9,QN,RD".
//
//   | key           | field              | value                                          |
//   |---------------|--------------------|------------------------------------------------|
//   | D, T, F, Q, R | the separators     | "D" 0, "N" 1, "L" 2, or a character code >= 9   |
//   | K W N E X M   | the option flags   | present: set                                   |
//   | C             | the code           | one letter of "AC31KV"                         |
//
// Separator code: 0 the program's current setting, 1 none, 2 carriage return and line feed for
// the line end (the current setting for the decimal and thousands separators), 9 and up that
// character; other numbers read as 0.
#include <cstdint>

#include "core/text_buffer.h"

constexpr uint16_t kSeparatorCurrent = 0;
constexpr uint16_t kSeparatorNone = 1;
constexpr uint16_t kSeparatorLineBreak = 2;

struct CopyTableSettings {
  uint16_t decimalSeparator;                         // D, default 0
  uint16_t thousandsSeparator;                       // T, default 1
  uint16_t fieldSeparator;                           // F, default 9 (TAB)
  uint16_t fourthSeparator;                          // Q, default 1
  uint16_t lineEnd;                                  // R, default 0
  uint8_t flagK, flagW, flagN, flagE, flagX, flagM;  // default clear
  int32_t code;                                      // C, index into "AC31KV", default 0
};

// The settings the table copies use; starts with the defaults.
CopyTableSettings* CopyTableCurrent();

void CopyTableInit(CopyTableSettings* record);
// Reads the string; unknown keys are skipped and the record keeps the fields of absent keys.
void CopyTableParse(CopyTableSettings* record, const char* text);
// Updates the string in place: C, D, T, F, Q and R get the record's values (replaced where they
// stand, appended where missing), set flags are added and clear ones removed; other entries stay.
void CopyTableWrite(const CopyTableSettings* record, T_TextBuf* text);
// Sets the entry of a key to key + value text: replaced where it stands (later entries of the
// same key are dropped, since reading lets the last one win), else appended after a ",".
void CopyTableSetEntry(T_TextBuf* text, char key, const char* value);
// Adds a flag's entry when set and absent; removes it with the "," after it when clear.
void CopyTableSetFlag(T_TextBuf* text, char key, bool set);
// Writes the current settings into the preferences ("QEB/TK", value "CopyTable", per user).
void CopyTableSave();

// 0 empty; 9 "tab", 10 "linefeed", 13 "return", 32 "space", 44 "comma", 46 "point" (localized);
// other codes from 32 up the character itself, below 32 "#" and the number.
void separatorToName(T_TextBuf* text, uint32_t code);
// The code of a typed name: a leading blank is 32, "#" and a number 1..65535 that number (else
// 35), a longer text the first name it begins (localized, then "tab", "space", "return",
// "linefeed", "cr", "lf"), otherwise the code of the first character. Null or empty gives 0.
uint32_t separatorFromName(const char* text);

// The largest size the program handles, 0x7fffffffffffff00, and sizes held to it.
int64_t MaxSizeLimit();
int64_t ClampToLimit(int64_t n);
