#include "analysis/boxwin/formula_menu.h"

#include "core/text_buffer.h"

namespace {

// The descriptions are the texts 6160 + the entry number.
constexpr int32_t kFirstDescription = 6160;

constexpr const char* kEntries[kFormulaMenuCount] = {
    "+",     "-",    "*",     "/",    nullptr, "^",    "sqr",  "sqrt", nullptr, "exp",
    "exp2",  "exp10", "ln",   "lg",   "log",   nullptr, "sin", "cos",  "tan",   nullptr,
    "round", "up",   "down",  "int",  "frac",  nullptr, "abs", "sign", "max",   "min",
    "if",    nullptr, ">",    "<",    ">=",    "<=",   "=",    "<>",   "&",     "|"};

}  // namespace

int32_t GetFormulaMenuItem(int32_t entry, T_TextBuf* text) {
  if (entry < 0 || entry >= kFormulaMenuCount || !kEntries[entry]) return 0;
  TextBufAppend(text, kEntries[entry]);
  return kFirstDescription + entry;
}
