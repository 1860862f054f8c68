#include "database/selection_scanner.h"

#include "core/text_buffer.h"
#include "core/utf8.h"
#include "database/selection_program.h"
#include "ui/database_services.h"

// The toolkit quotes a name for a field in the mode codes are read in.
static_assert(kQuoteForField == kCodeWord);

namespace {

// The code of one operator character at p (its byte count in *length), 0 for none.
int32_t SingleCharacter(const char* p, int32_t* length) {
  *length = 1;
  switch (static_cast<unsigned char>(p[0])) {
    case '!':
      return kSelTop;
    case '&':
      return kSelAnd;
    case '(':
      return kSelOpen;
    case ')':
      return kSelClose;
    case '=':
      return kSelText;
    case '?':
      return kSelInner;
    case '@':
      return kSelHost;
    case '\\':
      return kSelRoot;
    case '^':
      return kSelAncestors;
    case '_':
      return kSelRange;
    case '|':
      return kSelUnion;
    case 0xC2:
      *length = 2;
      switch (static_cast<unsigned char>(p[1])) {
        case 0xAC:
          return kSelComplement;
        case 0xB1:
          return kSelEither;
        case 0xB6:
          return kSelLeaves;
        default:
          return kSelNone;
      }
    case 0xE2:
      *length = 3;
      return static_cast<unsigned char>(p[1]) == 0x80 && static_cast<unsigned char>(p[2]) == 0xA6
                 ? kSelRange
                 : kSelNone;
    default:
      return kSelNone;
  }
}

int32_t RunLength(const char* p, char c) {
  int32_t n = 0;
  while (p[n] == c) ++n;
  return n;
}

// The operator at p without skipping blanks.
SelectionToken TokenHere(const char* p) {
  SelectionToken token{kSelNone, 0, 0};
  if (*p == 0) {
    token.code = kSelEnd;
    return token;
  }
  if (*p == '.' || *p == '-') {
    int32_t n = RunLength(p, *p);
    if (n >= 2) token = {*p == '.' ? kSelRange : kSelComplement, 0, n};
    return token;
  }
  if (*p == '+') {
    if (p[1] == '-') return {kSelEither, 0, 2};
    int32_t n = RunLength(p, '+');
    if (n >= 2) token = {kSelUnion, 0, n};
    return token;
  }
  int32_t length = 0;
  int32_t code = SingleCharacter(p, &length);
  if (code != kSelNone) token = {code, 0, length};
  return token;
}

bool StopsWord(int32_t code, int32_t mode) {
  switch (code) {
    case kSelEnd:
      return true;
    case kSelAnd:
    case kSelUnion:
    case kSelEither:
    case kSelComplement:
    case kSelClose:
      return (mode & kWordStopsAtJoins) != 0;
    case kSelAncestors:
      return (mode & (kWordStopsAtSuffixes | kWordStopsAtCaret)) != 0;
    case kSelTop:
    case kSelInner:
    case kSelLeaves:
    case kSelRange:
    case kSelText:
    case kSelHost:
      return (mode & kWordStopsAtSuffixes) != 0;
    default:
      return false;
  }
}

bool IsQuote(char c) { return c == '\'' || c == '"'; }

}  // namespace

SelectionToken ScanSelectionToken(const char* position) {
  int32_t skipped = 0;
  while (IsSelectionBlank(position[skipped])) ++skipped;
  SelectionToken token = TokenHere(position + skipped);
  token.skipped = skipped;
  return token;
}

SelectionWord ReadSelectionWord(const char* position, int32_t mode) {
  const char* p = position;
  while (IsSelectionBlank(*p)) ++p;
  SelectionWord word{p, 0, 0, false, false};
  if (IsQuote(*p)) {
    char quote = *p++;
    const char* q = p;
    while (*q && *q != quote) ++q;
    word = {p, static_cast<int32_t>(q - p), 0, true, false};
    if (*q) ++q;
    word.consumed = static_cast<int32_t>(q - position);
    return word;
  }
  if ((mode & kWordMayBeBracketed) && *p == '(') {
    const char* q = p + 1;
    int32_t depth = 1;
    for (; *q; ++q) {
      if (*q == '(') ++depth;
      if (*q == ')' && --depth == 0) break;
    }
    word = {p + 1, static_cast<int32_t>(q - p - 1), 0, false, true};
    if (*q) ++q;
    word.consumed = static_cast<int32_t>(q - position);
    return word;
  }
  const char* q = p;
  while (*q) {
    if (!IsSelectionBlank(*q)) {
      if (StopsWord(TokenHere(q).code, mode)) break;
    }
    Utf8NextChar(&q);
  }
  word.consumed = static_cast<int32_t>(q - position);
  while (q > p && IsSelectionBlank(q[-1])) --q;
  word.length = static_cast<int32_t>(q - p);
  return word;
}

bool SelectionWordNeedsQuotes(const char* text, int32_t length, int32_t mode) {
  if (length <= 0) return false;
  if (IsQuote(text[0]) || IsSelectionBlank(text[0]) || IsSelectionBlank(text[length - 1]))
    return true;
  T_TextBuf copy;
  TextBufAssignBytes(&copy, text, length);
  // A code never starts at an operator: the grammar reads the operator instead. (A pattern
  // follows its "=" or "@" and is read as a word whatever it starts with.)
  if (!(mode & kWordMayBeBracketed) && TokenHere(copy.data).code > kSelEnd) return true;
  SelectionWord word = ReadSelectionWord(copy.data, mode);
  return word.bracketed || word.length != copy.length;
}

void AppendSelectionWord(T_TextBuf* out, const char* text, int32_t length, int32_t mode) {
  if (!SelectionWordNeedsQuotes(text, length, mode)) {
    TextBufAppendBytes(out, text, length);
    return;
  }
  char quote = '\'';
  for (int32_t i = 0; i < length; ++i) {
    if (text[i] == '\'') quote = '"';
  }
  TextBufAppendChar(out, quote);
  TextBufAppendBytes(out, text, length);
  TextBufAppendChar(out, quote);
}

bool IsSelectionOperatorAt(const char* position) {
  return position && ScanSelectionToken(position).code > kSelEnd;
}

bool NextSelectionOperatorAt(const char** position) {
  if (!position || !*position) return false;
  SelectionToken token = ScanSelectionToken(*position);
  *position += token.skipped;
  if (token.code <= kSelEnd) return false;
  *position += token.length;
  return true;
}

void QuoteSelectionWord(T_TextBuf* text, int32_t mode) {
  if (!SelectionWordNeedsQuotes(text->data, text->length, mode)) return;
  T_TextBuf quoted;
  AppendSelectionWord(&quoted, text->data, text->length, mode);
  TextBufAssignBuf(text, &quoted);
}
