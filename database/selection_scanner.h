#pragma once
// The tokens of the selection-expression language and the reader of its words (component codes
// and patterns). One token is read at a time; blanks before it are skipped.
//
//   code  token                                   code  token
//   0     not an operator                         12    "?"
//   1     end of text                             13    "¶" (U+00B6)
//   2     "&"                                     15    "_", "…" (U+2026), ".." and longer runs
//   3     "|", "++" and longer runs               17    "^"
//   4     "±" (U+00B1), "+-"                      21    "="
//   5     "¬" (U+00AC), "--" and longer runs      23    "@"
//   7     "("          8  ")"                     9     "\"
//   11    "!"
//
// The same numbers are the opcodes of compiled programs (database/selection_program.h). A
// single "+", "-" or "." is no operator, so codes may hold them.
//
// Pure functions over NUL-terminated UTF-8; any thread.
#include <cstdint>

struct T_TextBuf;

struct SelectionToken {
  int32_t code;
  int32_t skipped;  // blank bytes before the token
  int32_t length;   // bytes of the token itself (0 for codes 0 and 1)
};

// Blanks are the space and the control characters.
inline bool IsSelectionBlank(char c) { return c > 0 && c <= ' '; }

SelectionToken ScanSelectionToken(const char* position);

// Word reader modes: where an unquoted word ends.
constexpr int32_t kWordStopsAtJoins = 1;     // "&", "|", "±", "¬", ")" and their runs
constexpr int32_t kWordStopsAtSuffixes = 2;  // "!", "?", "¶", ranges, "^", "=", "@"
constexpr int32_t kWordMayBeBracketed = 4;   // "(" starts a word that runs to its balancing ")"
constexpr int32_t kWordStopsAtCaret = 8;     // "^"
constexpr int32_t kCodeWord = kWordStopsAtJoins | kWordStopsAtSuffixes;
constexpr int32_t kPatternWord = kWordStopsAtJoins | kWordMayBeBracketed | kWordStopsAtCaret;

struct SelectionWord {
  const char* start;  // the word's bytes, without quotes or outer brackets
  int32_t length;     // trailing blanks of an unquoted word are not counted
  int32_t consumed;   // bytes from the reading position to after the word
  bool quoted;
  bool bracketed;  // read as "(...)" under kWordMayBeBracketed
};

// Leading blanks are skipped; a word in single or double quotes runs to the same quote (or the
// end of the text). An empty word (nothing before the first stop) has length 0.
SelectionWord ReadSelectionWord(const char* position, int32_t mode);

// Whether the text must be quoted to be read back whole by the word reader in the mode.
bool SelectionWordNeedsQuotes(const char* text, int32_t length, int32_t mode);
// Appends the text, in single quotes when it needs them (double quotes when it holds a single
// quote).
void AppendSelectionWord(T_TextBuf* out, const char* text, int32_t length, int32_t mode);

// True when an operator (a code above 1) starts at the position, blanks skipped.
bool IsSelectionOperatorAt(const char* position);
// Skips blanks; true when an operator starts there, and the position then moves past it.
bool NextSelectionOperatorAt(const char** position);
// Encloses the text in quotes when the word reader of the mode would not read it back whole.
void QuoteSelectionWord(T_TextBuf* text, int32_t mode);
