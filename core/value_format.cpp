#include "core/value_format.h"

#include <cmath>
#include <cstring>

#include "core/cstring.h"
#include "core/formula.h"
#include "core/locale.h"
#include "core/memory.h"
#include "core/packed_date.h"
#include "core/utf8.h"

namespace {

constexpr char kDecimalsLetters[] = "0123456FTM";
constexpr char kFsdLetters[] = "FSD";
constexpr char kNsaLetters[] = "NSA";
constexpr double kHuge = 1e308;

bool scalingOn = true;

NumFormat MakeValueFormat() {
  NumFormat format;
  NumFormatInit(&format);
  format.mode = kNumFixed;
  return format;
}

NumFormat valueFormat = MakeValueFormat();

int32_t IndexOfLetter(const char* letters, char letter, int32_t* index) {
  if (letter == 0) return -1;
  const char* found = strchr(letters, letter);
  if (!found) return -1;
  int32_t i = static_cast<int32_t>(found - letters);
  if (index) *index = i;
  return i;
}

bool IsFinite(double value) { return value == value && value <= kHuge && value >= -kHuge; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Byte length of the name that starts at text (the first character already known to start one).
int32_t NameLength(const char* text, int32_t flags) {
  const char* p = text;
  Utf8NextChar(&p);
  for (;;) {
    const char* next = p;
    uint32_t c = Utf8NextChar(&next);
    if (c == 0 || !IsNameChar(c, flags & ~kNameFirst)) break;
    p = next;
  }
  return static_cast<int32_t>(p - text);
}

// The name of n bytes is oldName followed by nothing but blanks, letter case ignored.
bool NameIs(const char* name, int32_t n, const char* oldName) {
  const char* p = name;
  const char* end = name + n;
  const char* q = oldName;
  while (*q) {
    if (p >= end) return false;
    if (Utf8NextCharUpper(&p) != Utf8NextCharUpper(&q)) return false;
  }
  for (; p < end; p++) {
    if (*p != ' ') return false;
  }
  return true;
}

// Adds one to the decimal digits text[start, end) with carry; a "1" goes in front when all were 9.
void IncrementDigits(T_TextBuf* text, int32_t start, int32_t end) {
  int32_t i = end - 1;
  for (; i >= start; i--) {
    if (text->data[i] != '9') {
      text->data[i]++;
      return;
    }
    text->data[i] = '0';
  }
  T_TextBuf rest(text->data + start);
  TextBufTruncate(text, start);
  TextBufAppendChar(text, '1');
  TextBufAppendBuf(text, &rest);
}

bool HoldsAlternatives(const char* text) { return strchr(text, '|') || strstr(text, "\xC2\xB1"); }

}  // namespace

// --- Numbers ------------------------------------------------------------------------------------

NumFormat* ValueNumFormat() { return &valueFormat; }

bool ValueScalingGet() { return scalingOn; }

void ValueScalingSet(bool on) { scalingOn = on; }

void formatNumber(T_TextBuf* text, double value, int32_t decimals, int32_t signStyle) {
  NumFormat format = valueFormat;
  const char* mark = "";
  double shown = value;
  if (decimals == kDecimalsFloating) {
    // The floating notation, with the separators values are written with (an export may have
    // set its own).
    format = *DefaultNumFormat();
    format.decimalSeparator = valueFormat.decimalSeparator;
    format.thousandsSeparator = valueFormat.thousandsSeparator;
  } else if (decimals == kDecimalsThousands || decimals == kDecimalsMillions) {
    NumFormatSetDecimals(&format, 0);
    if (scalingOn) {
      shown = value / (decimals == kDecimalsThousands ? 1e3 : 1e6);
      if (IsFinite(shown)) mark = decimals == kDecimalsThousands ? "'" : "\"";
    }
  } else {
    NumFormatSetDecimals(&format, decimals < 0 ? 0 : decimals > 6 ? 6 : decimals);
  }
  bool decorated = (signStyle == kSignAfter || signStyle == kSignParentheses) && IsFinite(shown);
  char digits[kFormatDoubleMax + 8];
  char* cursor = digits;
  FormatDouble(&cursor, decorated ? std::fabs(shown) : shown, &format);
  *cursor = 0;
  // A value that shows as zero carries no sign in any style.
  bool zero = strcmp(digits, "0") == 0;
  TextBufSetLength(text, 0);
  if (decorated && !zero && shown < 0 && signStyle == kSignParentheses)
    TextBufAppendChar(text, '(');
  TextBufAppend(text, digits);
  TextBufAppend(text, mark);
  if (decorated && !zero) {
    if (signStyle == kSignAfter)
      TextBufAppendChar(text, shown < 0 ? '-' : '+');
    else if (shown < 0)
      TextBufAppendChar(text, ')');
  }
}

double roundToDecimals(double value, int32_t decimals) {
  static constexpr double kThresholds[7] = {0.5, 0.05, 0.005, 0.0005, 0.00005, 0.000005, 0.0000005};
  if (decimals == kDecimalsFloating) return value;
  if (value == 0 || !IsFinite(value)) return 0;
  double threshold = decimals >= 1 && decimals <= 6 ? kThresholds[decimals] : 0.5;
  if (value > 0 ? value < threshold : value > -threshold) return 0;
  return value;
}

double ZeroTinyValue(double value) {
  if (!IsFinite(value) || std::fabs(value) < 0.00000052) return 0;
  return value;
}

double ZeroIfNotFinite(double value) { return value - value == 0 ? value : 0; }

// --- Letter codes -------------------------------------------------------------------------------

char DecimalsToLetter(int32_t decimals) {
  return decimals >= 0 && decimals < 10 ? kDecimalsLetters[decimals] : 0;
}
int32_t DecimalsFromLetter(char letter, int32_t* index) {
  return IndexOfLetter(kDecimalsLetters, letter, index);
}
char FsdToLetter(int32_t index) { return index >= 0 && index < 3 ? kFsdLetters[index] : 0; }
int32_t FsdFromLetter(char letter, int32_t* index) {
  return IndexOfLetter(kFsdLetters, letter, index);
}
int32_t NsaFromLetter(char letter, int32_t* index) {
  return IndexOfLetter(kNsaLetters, letter, index);
}

char EncodeColumnLetter(int32_t index) { return static_cast<char>('A' + index); }

int32_t DecodeColumnLetter(char letter) {
  if (letter >= '1' && letter <= '9') return letter - '1';
  if (letter >= 'A' && letter <= 'Z') return letter - 'A';
  return -1;
}

int32_t DecodeDimensionNumber(const char* text) {
  if (!text || !text[0]) return -1;
  if (IsDigit(text[0])) {
    int32_t n = text[0] - '0';
    if (IsDigit(text[1])) {
      n = n * 10 + text[1] - '0';
      if (text[2]) return -1;
    } else if (text[1]) {
      return -1;
    }
    return n >= 1 && n <= 32 ? n - 1 : -1;
  }
  if (text[0] >= 'A' && text[0] <= 'W' && !text[1]) return text[0] - 'A' + 9;
  return -1;
}

// --- Names --------------------------------------------------------------------------------------

bool IsNameChar(uint32_t c, int32_t flags) {
  c = CharToUpper(CharStripAccent(c));
  if (c == ' ') return (flags & kNameBlanks) != 0;
  if (c == '#' || c == '.' || c == '_' || (c >= 'A' && c <= 'Z')) return true;
  if (c >= '0' && c <= '9') return (flags & kNameFirst) == 0;
  return false;
}

void ReplaceIdentifier(T_TextBuf* text, const char* oldName, const char* newText, int32_t flags) {
  if (!oldName || !oldName[0]) return;
  if (!newText) newText = "";
  int32_t newLength = static_cast<int32_t>(strlen(newText));
  int32_t at = 0;
  while (at < text->length) {
    const char* p = text->data + at;
    const char* next = p;
    uint32_t c = Utf8NextChar(&next);
    // A blank may stand inside a name but never starts one.
    if (c == 0 || c == ' ' || !IsNameChar(c, flags | kNameFirst)) {
      at = static_cast<int32_t>(next - text->data);
      continue;
    }
    if (flags & kNameSkipTokens) {
      int32_t token = Expr_TokenLength(p);
      if (token > 0) {
        at += token;
        if (at < text->length) at += Utf8SeqLen(static_cast<uint8_t>(text->data[at]));
        continue;
      }
    }
    int32_t n = NameLength(p, flags);
    if (NameIs(p, n, oldName)) {
      int32_t matched = n;
      while (matched > 0 && p[matched - 1] == ' ') matched--;
      if (TextBufReplaceBytes(text, at, matched, newText, newLength)) {
        at += newLength;
        continue;
      }
    }
    at += n;
  }
}

void MakeIdentifier(T_TextBuf* text, const char* prefix, int32_t flags) {
  T_TextBuf result;
  const char* p = text->c_str();
  const char* end = text->data + text->length;
  while (p < end && *p == ' ') p++;
  while (end > p && end[-1] == ' ') end--;
  bool anyNameChar = false;
  while (p < end) {
    const char* start = p;
    uint32_t c = Utf8NextChar(&p);
    if (c == ' ' && !(flags & kNameBlanks)) {
      TextBufAppendChar(&result, '.');
    } else if (c != 0 && IsNameChar(c, flags & ~kNameFirst)) {
      anyNameChar = true;
      TextBufAppendBytes(&result, start, static_cast<int32_t>(p - start));
    } else {
      TextBufAppendChar(&result, '.');
    }
  }
  if (!anyNameChar) {
    TextBufAssign(text, prefix ? prefix : "");
    return;
  }
  if (!IsNameChar(Utf8Decode(result.c_str()), flags)) {
    char letter = prefix && prefix[0] ? prefix[0] : 'V';
    T_TextBuf prefixed;
    TextBufAppendChar(&prefixed, letter);
    TextBufAppendBuf(&prefixed, &result);
    TextBufAssignBuf(&result, &prefixed);
  }
  TextBufAssignBuf(text, &result);
}

void IncrementName(T_TextBuf* text) {
  int32_t n = text->length;
  char last = n > 0 ? text->data[n - 1] : 0;
  bool alone = n == 1 || (n > 1 && (text->data[n - 2] == '.' || text->data[n - 2] == ' '));
  if (alone && ((last >= 'A' && last <= 'Y') || (last >= 'a' && last <= 'y'))) {
    text->data[n - 1]++;
    return;
  }
  if (IsDigit(last)) {
    int32_t start = n - 1;
    while (start > 0 && IsDigit(text->data[start - 1])) start--;
    IncrementDigits(text, start, n);
    return;
  }
  TextBufAppend(text, ".1");
}

void BumpNameNumber(T_TextBuf* text) {
  int32_t n = text->length;
  int32_t start = n;
  while (start > 0 && IsDigit(text->data[start - 1])) start--;
  if (start < n) {
    if (start > 0 && text->data[start - 1] != ' ') {
      TextBufInsertChar(text, start, ' ');
      start++;
      n++;
    }
    IncrementDigits(text, start, n);
    return;
  }
  if (n > 0 && text->data[n - 1] != ' ') TextBufAppendChar(text, ' ');
  TextBufAppendChar(text, '1');
}

// --- Completing typed names -----------------------------------------------------------------

void PrefixMatcherInit(PrefixMatcher* matcher, const char* typed, const char* separators) {
  TextBufAssign(&matcher->typed, typed);
  TextBufAssign(&matcher->typedUpper, typed);
  StrToUpper(matcher->typedUpper.data);
  TextBufAssign(&matcher->separators, separators);
  TextBufSetLength(&matcher->bestText, 0);
  matcher->bestObject = nullptr;
  matcher->bestId = 0;
  matcher->bestPrefixLength = 0;
  matcher->bestRestLength = 0;
}

bool PrefixMatcherOffer(PrefixMatcher* matcher, const char* candidate, void* object, int32_t id) {
  if (!candidate) return false;
  const char* typed = matcher->typedUpper.c_str();
  const char* t = typed;
  const char* c = candidate;
  for (;;) {
    const char* tNext = t;
    const char* cNext = c;
    uint32_t a = Utf8NextChar(&tNext);
    uint32_t b = Utf8NextCharUpper(&cNext);
    if (a == 0 || b == 0 || a != b) break;
    t = tNext;
    c = cNext;
  }
  int32_t prefix = static_cast<int32_t>(t - typed);
  int32_t rest = static_cast<int32_t>(strlen(c));
  if (prefix == 0 || prefix < matcher->bestPrefixLength) return false;
  if (!matcher->separators.empty() && *t && !strchr(matcher->separators.c_str(), *t)) return false;
  if (prefix == matcher->bestPrefixLength && !matcher->bestText.empty() &&
      rest >= matcher->bestRestLength)
    return false;
  TextBufAssign(&matcher->bestText, candidate);
  matcher->bestObject = object;
  matcher->bestId = id;
  matcher->bestPrefixLength = prefix;
  matcher->bestRestLength = rest;
  return rest == 0 && prefix == matcher->typedUpper.length;
}

void PrefixMatcherComplete(const PrefixMatcher* matcher, T_TextBuf* out) {
  if (matcher->bestText.empty()) {
    TextBufAssignBuf(out, &matcher->typed);
    return;
  }
  TextBufAssignBuf(out, &matcher->bestText);
  TextBufAppend(out, matcher->typed.data + matcher->bestPrefixLength);
}

const char* PrefixMatcherRest(const PrefixMatcher* matcher) {
  const char* rest = matcher->typed.data + matcher->bestPrefixLength;
  while (*rest == ' ') rest++;
  return rest;
}

void PrefixMatcherFree(PrefixMatcher* matcher) {
  TextBufFree(&matcher->typed);
  TextBufFree(&matcher->typedUpper);
  TextBufFree(&matcher->separators);
  TextBufFree(&matcher->bestText);
}

// --- Condition texts ------------------------------------------------------------------------

void BracketAlternatives(T_TextBuf* text) {
  if (!HoldsAlternatives(text->c_str())) return;
  T_TextBuf wrapped("(");
  TextBufAppendBuf(&wrapped, text);
  TextBufAppendChar(&wrapped, ')');
  TextBufAssignBuf(text, &wrapped);
}

void AndConditionText(T_TextBuf* text, const char* further) {
  if (!further || !further[0]) return;
  if (text->empty() || strcmp(text->c_str(), further) == 0) {
    TextBufAssign(text, further);
    return;
  }
  T_TextBuf right(further);
  BracketAlternatives(text);
  BracketAlternatives(&right);
  TextBufAppendChar(text, '&');
  TextBufAppendBuf(text, &right);
}

void DoubleQuotes(T_TextBuf* text) {
  T_TextBuf doubled;
  for (int32_t i = 0; i < text->length; i++) {
    char c = text->data[i];
    if (c == '"' || c == '\'') TextBufAppendChar(&doubled, c);
    TextBufAppendChar(&doubled, c);
  }
  TextBufAssignBuf(text, &doubled);
}

// --- Stacks of bit vectors ----------------------------------------------------------------------

void BitStackInit(BitStack* stack, int64_t bitCount) {
  stack->top = nullptr;
  stack->bitCount = bitCount;
}

BitVector* BitStackPush(BitStack* stack) {
  auto* node = static_cast<BitStackNode*>(MemAlloc(sizeof(BitStackNode), 0));
  if (!node) return nullptr;
  node->vector = BitVector{};
  BitVecInit(&node->vector, stack->bitCount, 0);
  if (node->vector.count != stack->bitCount) {
    BitVecFree(&node->vector);
    MemFree(node);
    return nullptr;
  }
  BitVecFill(&node->vector, false);
  node->next = stack->top;
  stack->top = node;
  return &node->vector;
}

void BitStackPop(BitStack* stack) {
  BitStackNode* node = stack->top;
  if (!node) return;
  stack->top = node->next;
  BitVecFree(&node->vector);
  MemFree(node);
}

void BitStackFree(BitStack* stack) {
  while (stack->top) BitStackPop(stack);
}

// --- Saved display settings -----------------------------------------------------------------

void SaveFormatSettings(FormatSettings* record) {
  record->decimalSeparator = valueFormat.decimalSeparator;
  record->thousandsSeparator = valueFormat.thousandsSeparator;
  record->dateStyle = DateStyleGet();
  record->scaling = scalingOn;
}

void RestoreFormatSettings(const FormatSettings* record) {
  valueFormat.decimalSeparator = record->decimalSeparator;
  valueFormat.thousandsSeparator = record->thousandsSeparator;
  DateStyleSet(record->dateStyle);
  scalingOn = record->scaling;
}
