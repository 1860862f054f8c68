#pragma once
// The formula menu of the expression fields (the transform's value rules and the function
// windows): 40 entries, separators included, each an operator or function name with a
// description.
#include <cstdint>

struct T_TextBuf;

constexpr int32_t kFormulaMenuCount = 40;

// Appends the entry's text to the text and returns its description text id; 0 for a separator
// or an entry outside the menu (nothing appended).
int32_t GetFormulaMenuItem(int32_t entry, T_TextBuf* text);
