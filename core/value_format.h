#pragma once
// The shared look of values and names: numbers written with a decimals setting and a sign
// style, the zeroing of values that would show as zero, the one-letter codes of settings,
// column and dimension designations, the forming of variable and copy names, completion of typed
// names against candidates, and the display settings that exports save and restore.
//
// Decimals setting, 0..9, one letter of "0123456FTM": 0-6 fixed decimals, 7 floating, 8
// thousands, 9 millions. Sign style: 0 a minus sign in front, 1 "+" or "-" after the number
// (nothing for zero), 2 negative numbers in parentheses.
#include <cstdint>

#include "core/bit_vector.h"
#include "core/number_text.h"
#include "core/text_buffer.h"

constexpr int32_t kDecimalsFloating = 7;
constexpr int32_t kDecimalsThousands = 8;
constexpr int32_t kDecimalsMillions = 9;

constexpr int32_t kSignPlain = 0;
constexpr int32_t kSignAfter = 1;
constexpr int32_t kSignParentheses = 2;

// --- Numbers ------------------------------------------------------------------------------------

// The format of values (fixed decimals, the global separators unless an export sets its own);
// user-interface thread.
NumFormat* ValueNumFormat();
// Whether the thousands and millions settings divide (default on); when off they show the plain
// value with 0 decimals.
bool ValueScalingGet();
void ValueScalingSet(bool on);

// Replaces the text by the value written with the decimals setting and sign style.
void formatNumber(T_TextBuf* text, double value, int32_t decimals, int32_t signStyle);
// The value, or exactly 0 when it would show as zero with that decimals setting; zero, NaN and
// values beyond +-1e308 give 0 except with the floating setting, which keeps every value.
double roundToDecimals(double value, int32_t decimals);
// 0 for magnitudes below 0.00000052, NaN and values beyond +-1e308; else the value.
double ZeroTinyValue(double value);
// The value when it is finite, else 0.
double ZeroIfNotFinite(double value);

// --- Letter codes -------------------------------------------------------------------------------

// The letter of an index (0 when out of range); the index of a letter or -1, stored into *index
// only when found.
char DecimalsToLetter(int32_t decimals);
int32_t DecimalsFromLetter(char letter, int32_t* index);
char FsdToLetter(int32_t index);
int32_t FsdFromLetter(char letter, int32_t* index);
int32_t NsaFromLetter(char letter, int32_t* index);
// "A" + index.
char EncodeColumnLetter(int32_t index);
// "1".."9" give 0..8, "A".."Z" give 0..25, else -1.
int32_t DecodeColumnLetter(char letter);
// A 0-based dimension index from "1".."32" (one or two digits) or a letter ("A" is dimension
// 10 .. "W" dimension 32); -1 otherwise.
int32_t DecodeDimensionNumber(const char* text);

// --- Names --------------------------------------------------------------------------------------

constexpr int32_t kNameFirst = 1;   // the character would be the first of a name
constexpr int32_t kNameBlanks = 2;  // names may hold blanks
constexpr int32_t kNameSkipTokens =
    4;  // ReplaceIdentifier passes over function names and operators

// Whether a character (a code point) may stand in a name: letters (accents ignored), "#", ".",
// "_", digits unless first, a blank only with kNameBlanks.
bool IsNameChar(uint32_t c, int32_t flags);
// Replaces every whole name equal to oldName (letter case ignored) by newText.
void ReplaceIdentifier(T_TextBuf* text, const char* oldName, const char* newText, int32_t flags);
// Makes the text a valid name: blanks trimmed (inner ones "." unless kNameBlanks), other
// characters that may not stand in a name ".", the prefix's first letter (default "V") in front
// when the first character may not start a name; the prefix itself (empty when null) when no
// name character was left.
void MakeIdentifier(T_TextBuf* text, const char* prefix, int32_t flags);
// The next name of a series: "A" -> "B", "A9" -> "A10", "Budget" -> "Budget.1".
void IncrementName(T_TextBuf* text);
// The name of a further copy: "Copy" -> "Copy 1", "Copy1" -> "Copy 2", "12" -> "13".
void BumpNameNumber(T_TextBuf* text);

// --- Completing typed names -----------------------------------------------------------------

// Finds which of the offered names the typed text begins with: the longest common prefix (letter
// case ignored) wins, and among equal prefixes the candidate with the shorter rest.
struct PrefixMatcher {
  T_TextBuf typed;       // the text as typed
  T_TextBuf typedUpper;  // the same, upper-cased
  T_TextBuf separators;  // characters that may follow the matched prefix; empty: any
  T_TextBuf bestText;
  void* bestObject;
  int32_t bestId;
  int32_t bestPrefixLength;  // bytes of the typed text
  int32_t bestRestLength;    // bytes of the best candidate after the prefix
};

void PrefixMatcherInit(PrefixMatcher* matcher, const char* typed, const char* separators);
// True when the candidate was taken, matches completely and the typed text is exactly the prefix.
bool PrefixMatcherOffer(PrefixMatcher* matcher, const char* candidate, void* object, int32_t id);
// The typed text with the matched prefix replaced by the best candidate.
void PrefixMatcherComplete(const PrefixMatcher* matcher, T_TextBuf* out);
// The typed text after the matched prefix, leading blanks skipped.
const char* PrefixMatcherRest(const PrefixMatcher* matcher);
void PrefixMatcherFree(PrefixMatcher* matcher);

// --- Condition texts ------------------------------------------------------------------------

// Wraps the text in "(" ")" when it holds "|" or "±".
void BracketAlternatives(T_TextBuf* text);
// text "&" further, each side bracketed when it holds alternatives; an empty further changes
// nothing, and an empty text or one equal to further becomes further.
void AndConditionText(T_TextBuf* text, const char* further);
// Doubles every double quote and apostrophe.
void DoubleQuotes(T_TextBuf* text);

// --- Stacks of bit vectors ----------------------------------------------------------------------

struct BitStackNode {
  BitVector vector;
  BitStackNode* next;
};

struct BitStack {
  BitStackNode* top = nullptr;
  int64_t bitCount = 0;
};

void BitStackInit(BitStack* stack, int64_t bitCount);
// A new vector of the stack's bit count, all clear, on top; null when memory runs out.
BitVector* BitStackPush(BitStack* stack);
// Drops the top vector (nothing on an empty stack).
void BitStackPop(BitStack* stack);
void BitStackFree(BitStack* stack);

// --- Saved display settings -----------------------------------------------------------------

struct FormatSettings {
  uint16_t decimalSeparator;
  uint16_t thousandsSeparator;
  int32_t dateStyle;
  bool scaling;
};

void SaveFormatSettings(FormatSettings* record);
void RestoreFormatSettings(const FormatSettings* record);
