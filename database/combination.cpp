#include "database/combination.h"

#include <cmath>
#include <cstring>

#include "core/alert.h"
#include "core/criteria.h"
#include "core/locale.h"
#include "core/memory.h"
#include "core/message_pump.h"
#include "core/owned_text.h"
#include "core/threads.h"
#include "core/utf8.h"
#include "core/value_format.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "database/subsets.h"
#include "database/web_request.h"

namespace {

constexpr int32_t kMsgSubsetNotFound = 4707;

// Brackets and "¬" recurse; a deeper text is cut there rather than risking the thread's stack.
constexpr int32_t kMaxNesting = 100;

constexpr uint32_t kNot = 0x00AC;     // ¬
constexpr uint32_t kEither = 0x00B1;  // ±

// Printing precedences: either-or binds tighter than union when read, so it must print so too.
constexpr int32_t kPrecedenceUnion = 1;
constexpr int32_t kPrecedenceEither = 2;
constexpr int32_t kPrecedenceAnd = 3;
constexpr int32_t kPrecedencePrefix = 4;

constexpr const char* kScopeWords[] = {"cards", "groups", "unbalanced"};
constexpr int32_t kScopeCards = 0;
constexpr int32_t kScopeGroups = 1;
constexpr int32_t kScopeUnbalanced = 2;

enum Operator { kOpNone, kOpUnion, kOpEither, kOpAnd, kOpNot, kOpOpen, kOpClose };

Operator ScanOperator(const char* p, int32_t* length) {
  *length = 0;
  auto c = static_cast<uint8_t>(p[0]);
  switch (c) {
    case '|':
      *length = 1;
      return kOpUnion;
    case '&':
      *length = 1;
      return kOpAnd;
    case '(':
      *length = 1;
      return kOpOpen;
    case ')':
      *length = 1;
      return kOpClose;
    case 0xC2:
      if (static_cast<uint8_t>(p[1]) == 0xAC) {
        *length = 2;
        return kOpNot;
      }
      if (static_cast<uint8_t>(p[1]) == 0xB1) {
        *length = 2;
        return kOpEither;
      }
      return kOpNone;
    case '+':
    case '-': {
      if (c == '+' && p[1] == '-') {
        *length = 2;
        return kOpEither;
      }
      int32_t n = 1;
      while (p[n] == p[0]) ++n;
      if (n < 2) return kOpNone;
      *length = n;
      return c == '+' ? kOpUnion : kOpNot;
    }
    default:
      return kOpNone;
  }
}

bool IsBoundary(const char* p) {
  int32_t length;
  return *p == 0 || *p == ' ' || ScanOperator(p, &length) != kOpNone;
}

// How many bytes of the text agree with the name, letter case ignored, ending where the text
// ends a word; 0 when the agreement does not end there. Trailing blanks do not count. The name's
// characters left over go to rest.
int32_t MatchName(const char* text, const char* name, int32_t* rest) {
  const char* t = text;
  const char* n = name;
  while (*t && *n) {
    const char* tNext = t;
    const char* nNext = n;
    if (Utf8NextCharUpper(&tNext) != Utf8NextCharUpper(&nNext)) break;
    t = tNext;
    n = nNext;
  }
  while (t > text && t[-1] == ' ') {
    --t;
    --n;
  }
  if (t == text || !IsBoundary(t)) return 0;
  *rest = Utf8CharCount(n);
  return static_cast<int32_t>(t - text);
}

const char* TokenName(const CombinationToken& token) {
  if (token.code == kCombItem) return reinterpret_cast<SelectionItem*>(token.argument)->name;
  if (token.code == kCombSubset) return reinterpret_cast<Subset*>(token.argument)->name;
  return nullptr;
}

// Set while a formula is compiled again without a subset that was just deleted.
bool quietCompile = false;

void ReportUnknown(const char* word, int32_t length) {
  if (WebRequestActive() || quietCompile) return;
  AlertRequest request;
  AlertInit(&request);
  request.message = kMsgSubsetNotFound;
  AlertAddTextN(&request, word, length);
  AlertAddButton(&request, kButtonOk);
  ShowAlert(&request);
}

class Parser {
 public:
  Parser(Combination* combination, const char* text, CombinationToken* out)
      : c_(combination), p_(text), out_(out) {}

  // A formula ends early only at a stray ")" or a "(" after a complete operand; what follows is
  // read as one more union term.
  int32_t Run() {
    bool have = false;
    while (*p_) {
      bool produced = Formula();
      if (have && produced) Emit(kCombUnion, 0);
      have = have || produced;
      int32_t length;
      if (Peek(&length) == kOpClose) p_ += length;
    }
    return count_;
  }

 private:
  void SkipBlanks() {
    while (*p_ == ' ') ++p_;
  }
  // Runs of "&", "|", "±" and blanks after an operator.
  void SkipOperatorRuns() {
    for (;;) {
      SkipBlanks();
      int32_t length;
      Operator op = ScanOperator(p_, &length);
      if (op != kOpAnd && op != kOpUnion && op != kOpEither) return;
      p_ += length;
    }
  }
  Operator Peek(int32_t* length) {
    SkipBlanks();
    return ScanOperator(p_, length);
  }
  // The word up to the next operator (or the end), reported and passed over.
  void SkipWord() {
    const char* start = p_;
    int32_t length;
    while (*p_ && ScanOperator(p_, &length) == kOpNone) ++p_;
    const char* end = p_;
    while (end > start && end[-1] == ' ') --end;
    if (end > start) ReportUnknown(start, static_cast<int32_t>(end - start));
  }
  // Words where an operator should stand are reported and passed over.
  void SkipStrays() {
    for (;;) {
      int32_t length;
      if (Peek(&length) != kOpNone || *p_ == 0) return;
      SkipWord();
    }
  }

  void Emit(int32_t code, int64_t argument) {
    CombinationToken* last = count_ > 0 ? &out_[count_ - 1] : nullptr;
    int32_t previous = last ? last->code : kCombEnd;
    switch (code) {
      case kCombComplement:
        if (previous == kCombComplement) {
          --count_;
          return;
        }
        break;
      case kCombIntersection:
      case kCombDifference:
        if (previous == kCombComplement) {
          last->code = code == kCombIntersection ? kCombDifference : kCombIntersection;
          return;
        }
        break;
      case kCombCards:
        if (previous == kCombCards) return;
        if (previous == kCombGroups) {
          last->code = kCombCards;
          return;
        }
        break;
      case kCombGroups:
        if (previous == kCombCards || previous == kCombGroups) return;
        break;
      case kCombUnbalancedOf:
        if (previous == kCombUnbalancedOf || previous == kCombUnbalanced) return;
        break;
      default:
        break;
    }
    out_[count_].code = code;
    out_[count_].argument = argument;
    ++count_;
  }

  // Each returns whether it produced an operand.
  bool Formula() {
    bool have = Either();
    for (;;) {
      SkipStrays();
      int32_t length;
      if (Peek(&length) != kOpUnion) return have;
      p_ += length;
      SkipOperatorRuns();
      bool right = Either();
      if (have && right) Emit(kCombUnion, 0);
      have = have || right;
    }
  }

  bool Either() {
    bool have = AndTerm();
    for (;;) {
      SkipStrays();
      int32_t length;
      if (Peek(&length) != kOpEither) return have;
      p_ += length;
      SkipOperatorRuns();
      bool right = AndTerm();
      if (have && right) Emit(kCombEitherOr, 0);
      have = have || right;
    }
  }

  bool AndTerm() {
    bool have = Unary();
    for (;;) {
      SkipStrays();
      int32_t length;
      Operator op = Peek(&length);
      if (op != kOpAnd && op != kOpNot) return have;
      p_ += length;
      SkipOperatorRuns();
      bool right = Unary();
      if (have && right) {
        Emit(op == kOpAnd ? kCombIntersection : kCombDifference, 0);
      } else if (right && op == kOpNot) {
        // With the left operand lost, "¬ b" still reads as the complement of b.
        Emit(kCombComplement, 0);
      }
      have = have || right;
    }
  }

  bool Unary() {
    if (depth_ >= kMaxNesting) {
      p_ += strlen(p_);
      return false;
    }
    ++depth_;
    bool produced = false;
    int32_t length;
    switch (Peek(&length)) {
      case kOpOpen:
        p_ += length;
        produced = Formula();
        SkipStrays();
        if (Peek(&length) == kOpClose) p_ += length;
        break;
      case kOpNot:
        p_ += length;
        SkipOperatorRuns();
        produced = Unary();
        if (produced) Emit(kCombComplement, 0);
        break;
      case kOpNone:
        produced = *p_ != 0 && Primary();
        break;
      default:
        break;
    }
    --depth_;
    return produced;
  }

  // The longest name match, among names the one with the fewest characters left over; a scope
  // word only when at least two of its characters match and it matches more than any name.
  bool Primary() {
    int32_t best = 0;
    int32_t bestRest = 0;
    int32_t code = 0;
    int64_t argument = 0;
    auto offer = [&](const char* name, int32_t tokenCode, int64_t tokenArgument) {
      int32_t rest = 0;
      int32_t matched = name ? MatchName(p_, name, &rest) : 0;
      if (matched == 0) return;
      if (matched > best || (matched == best && rest < bestRest)) {
        best = matched;
        bestRest = rest;
        code = tokenCode;
        argument = tokenArgument;
      }
    };
    if (c_->owner) {
      SelectionItem* item = c_->owner->firstItem;
      for (int32_t i = 0; item && i < c_->owner->itemCount; ++i, item = item->next)
        offer(item->name, kCombItem, reinterpret_cast<int64_t>(item));
    }
    SubsetList* lists[2] = {c_->furtherList,
                            c_->databaseList == c_->furtherList ? nullptr : c_->databaseList};
    for (SubsetList* list : lists) {
      if (!list) continue;
      Subset* subset = list->first;
      for (int32_t i = 0; subset && i < list->count; ++i, subset = subset->next)
        offer(subset->name, kCombSubset, reinterpret_cast<int64_t>(subset));
    }
    int32_t word = -1;
    for (int32_t w = 0; w < 3; ++w) {
      int32_t rest = 0;
      int32_t matched = MatchName(p_, kScopeWords[w], &rest);
      if (matched >= 2 && matched > best) {
        best = matched;
        word = w;
      }
    }
    if (best == 0) {
      SkipWord();
      return false;
    }
    p_ += best;
    if (word < 0) {
      Emit(code, argument);
      return true;
    }
    if (word == kScopeUnbalanced) {
      int32_t length;
      Operator op = Peek(&length);
      if (*p_ == 0 || (op != kOpNone && op != kOpOpen) || !Unary()) {
        Emit(kCombUnbalanced, 0);
      } else {
        Emit(kCombUnbalancedOf, 0);
      }
      return true;
    }
    if (!Unary()) return false;
    Emit(word == kScopeCards ? kCombCards : kCombGroups, 0);
    return true;
  }

  Combination* c_;
  const char* p_;
  CombinationToken* out_;
  int32_t count_ = 0;
  int32_t depth_ = 0;
};

void FreeTokens(Combination* combination) {
  MemFree(combination->tokens);
  combination->tokens = nullptr;
}

// The stack depth the tokens need.
int32_t StackDepth(const CombinationToken* tokens) {
  int32_t depth = 0;
  int32_t deepest = 0;
  for (const CombinationToken* t = tokens; t->code != kCombEnd; ++t) {
    if (t->code >= kCombUnbalanced) {
      ++depth;
    } else if (t->code >= kCombUnion && t->code <= kCombDifference) {
      --depth;
    }
    if (depth > deepest) deepest = depth;
  }
  return deepest;
}

int64_t LinePoolCount(const Combination* combination) {
  return combination->database ? combination->database->linePool.count : 0;
}

template <typename Visit>
void ForEachCard(T_Base* base, Visit visit) {
  for (CardRecord* card = base->sentinelCard->next; card != base->sentinelCard; card = card->next)
    visit(card);
}

bool AnyLineSet(const BitVector* set, const GroupRecord* group) {
  for (const LineRecord* line = group->firstLine; line; line = line->next) {
    if (line->number < set->count && BitVecGet(set, line->number)) return true;
  }
  return false;
}

void SetGroupLines(BitVector* set, const GroupRecord* group, bool value) {
  for (const LineRecord* line = group->firstLine; line; line = line->next) {
    if (line->number < set->count) BitVecSet(set, line->number, value);
  }
}

// "cards" (whole cards) and "groups": a card or group with any line set gets all its lines.
void SpreadOverCards(T_Base* base, BitVector* set) {
  ForEachCard(base, [&](CardRecord* card) {
    bool any = false;
    for (GroupRecord* g = card->firstGroup; g && !any; g = g->next) any = AnyLineSet(set, g);
    for (GroupRecord* g = card->firstGroup; g; g = g->next) SetGroupLines(set, g, any);
  });
}

void SpreadOverGroups(T_Base* base, BitVector* set) {
  ForEachCard(base, [&](CardRecord* card) {
    for (GroupRecord* g = card->firstGroup; g; g = g->next)
      SetGroupLines(set, g, AnyLineSet(set, g));
  });
}

// A group is unbalanced when a value column's sum over its chosen lines, rounded to the
// column's decimals, is not zero (or not a number); all its lines then belong to the set.
void MarkUnbalanced(T_Base* base, BitVector* set, bool allLines) {
  int32_t columns = base->valueCount;
  ForEachCard(base, [&](CardRecord* card) {
    for (GroupRecord* g = card->firstGroup; g; g = g->next) {
      double sums[kMaxValueCount] = {};
      for (const LineRecord* line = g->firstLine; line; line = line->next) {
        if (!allLines && !(line->number < set->count && BitVecGet(set, line->number))) continue;
        for (int32_t col = 0; col < columns; ++col) sums[col] += base->GetLineValue(line, col);
      }
      bool unbalanced = false;
      for (int32_t col = 0; col < columns && !unbalanced; ++col) {
        unbalanced =
            std::isnan(sums[col]) || roundToDecimals(sums[col], base->decimalsCodes[col]) != 0.0;
      }
      SetGroupLines(set, g, unbalanced);
    }
  });
}

bool NewSet(BitVector* set, int64_t count, bool value) {
  BitVecInit(set, count, 0);
  if (set->count != count) return false;
  BitVecFill(set, value);
  return true;
}

// Evaluates the tokens into result (sized to the line pool). False when the abort flag or
// memory stopped it.
bool Evaluate(Combination* combination, BitVector* result) {
  T_Base* base = combination->database;
  int64_t count = LinePoolCount(combination);
  int32_t depth = StackDepth(combination->tokens);
  auto* stack = static_cast<BitVector*>(MemNew(sizeof(BitVector) * (depth > 0 ? depth : 1)));
  if (!stack) return false;
  int32_t top = -1;
  bool ok = true;
  for (const CombinationToken* t = combination->tokens; ok && t->code != kCombEnd; ++t) {
    switch (t->code) {
      case kCombComplement:
        BitVecNot(&stack[top]);
        break;
      case kCombUnion:
      case kCombEitherOr:
      case kCombIntersection:
      case kCombDifference: {
        BitVector* right = &stack[top--];
        BitVector* left = &stack[top];
        if (t->code == kCombUnion) BitVecOr(left, right);
        if (t->code == kCombEitherOr) BitVecXor(left, right);
        if (t->code == kCombIntersection) BitVecAnd(left, right);
        if (t->code == kCombDifference) BitVecAndNot(left, right);
        BitVecFree(right);
        break;
      }
      case kCombCards:
        SpreadOverCards(base, &stack[top]);
        break;
      case kCombGroups:
        SpreadOverGroups(base, &stack[top]);
        break;
      case kCombUnbalancedOf:
        MarkUnbalanced(base, &stack[top], false);
        break;
      case kCombUnbalanced:
        ok = NewSet(&stack[++top], count, false);
        if (ok) MarkUnbalanced(base, &stack[top], true);
        break;
      case kCombItem:
        ok = NewSet(&stack[++top], count, false) &&
             ItemCollectLines(reinterpret_cast<SelectionItem*>(t->argument), &stack[top]);
        break;
      case kCombSubset: {
        Combination* named = &reinterpret_cast<Subset*>(t->argument)->combination;
        ok = NewSet(&stack[++top], count, false);
        // A subset met again on its own path gives the empty set.
        if (ok && !named->busy && CombCalculate(named, nullptr) && named->lines.words &&
            named->lines.count == count)
          BitVecCopy(&stack[top], &named->lines);
        break;
      }
      default:
        break;
    }
    PumpMessages();
    if (AbortRequested()) ok = false;
  }
  if (ok && top == 0) BitVecCopy(result, &stack[0]);
  for (int32_t i = 0; i <= top; ++i) BitVecFree(&stack[i]);
  MemFree(stack);
  return ok && top == 0;
}

}  // namespace

// --- Life ----------------------------------------------------------------------------------------

void CombInit(Combination* combination, T_Base* database, SubsetList* databaseList,
              SubsetList* furtherList, Subset* owner) {
  combination->database = database;
  combination->databaseList = databaseList;
  combination->furtherList = furtherList;
  combination->owner = owner;
  combination->tokens = nullptr;
  combination->lines = BitVector{};
  combination->calculated = 0;
  combination->busy = 0;
  combination->pendingText = nullptr;
}

void CombFree(Combination* combination) {
  FreeTokens(combination);
  BlockTextFree(&combination->pendingText);
  BitVecFree(&combination->lines);
  combination->calculated = 0;
}

void CombCompile(Combination* combination, const char* text) {
  BlockTextFree(&combination->pendingText);
  FreeTokens(combination);
  combination->calculated = 0;
  int32_t length = text ? static_cast<int32_t>(strlen(text)) : 0;
  if (length == 0) return;
  auto* tokens = static_cast<CombinationToken*>(
      MemNew(sizeof(CombinationToken) * (static_cast<int64_t>(length) + 4)));
  if (!tokens) return;
  Parser parser(combination, text, tokens);
  int32_t count = parser.Run();
  if (count == 0) {
    MemFree(tokens);
    return;
  }
  tokens[count].code = kCombEnd;
  tokens[count].argument = 0;
  combination->tokens = static_cast<CombinationToken*>(
      MemDup(tokens, sizeof(CombinationToken) * (static_cast<int64_t>(count) + 1)));
  MemFree(tokens);
}

void CombCompileQuietly(Combination* combination, const char* text) {
  bool saved = quietCompile;
  quietCompile = true;
  CombCompile(combination, text);
  quietCompile = saved;
}

void CombSetPendingText(Combination* combination, const char* text) {
  FreeTokens(combination);
  combination->calculated = 0;
  BlockTextAssign(&combination->pendingText, text);
}

void CombResolvePending(Combination* combination) {
  if (!combination->pendingText) return;
  char* text = combination->pendingText;
  combination->pendingText = nullptr;
  CombCompile(combination, text);
  BlockTextFree(&text);
}

// --- Texts ---------------------------------------------------------------------------------------

void CombPrint(Combination* combination, T_TextBuf* text, char separator) {
  TextBufAssign(text, "");
  CombResolvePending(combination);
  if (!combination->tokens) return;
  CondTextBuilder builder;
  CondText_Init(&builder, static_cast<uint16_t>(separator));
  for (const CombinationToken* t = combination->tokens; t->code != kCombEnd; ++t) {
    switch (t->code) {
      case kCombComplement:
        CondText_Prefix(&builder, kNot, kPrecedencePrefix);
        break;
      case kCombUnion:
        CondText_Join(&builder, '|', kPrecedenceUnion);
        break;
      case kCombEitherOr:
        CondText_Join(&builder, kEither, kPrecedenceEither);
        break;
      case kCombIntersection:
        CondText_Join(&builder, '&', kPrecedenceAnd);
        break;
      case kCombDifference:
        CondText_Join(&builder, kNot, kPrecedenceAnd);
        break;
      case kCombCards:
      case kCombGroups:
      case kCombUnbalancedOf:
        CondText_PrefixWord(&builder, kScopeWords[t->code - kCombCards], kPrecedencePrefix);
        break;
      case kCombUnbalanced:
        CondText_PushOperand(&builder, kScopeWords[kScopeUnbalanced]);
        break;
      default:
        CondText_PushOperand(&builder, TokenName(*t));
        break;
    }
  }
  CondText_Result(&builder, text);
  CondText_Free(&builder);
}

bool CombHasTokens(Combination* combination) {
  CombResolvePending(combination);
  return combination->tokens != nullptr;
}

bool CombUsesSubset(Combination* combination, const Subset* subset) {
  CombResolvePending(combination);
  if (!combination->tokens) return false;
  for (const CombinationToken* t = combination->tokens; t->code != kCombEnd; ++t) {
    if (t->code == kCombSubset && reinterpret_cast<const Subset*>(t->argument) == subset)
      return true;
  }
  return false;
}

bool CombUsesItem(Combination* combination, const SelectionItem* item) {
  CombResolvePending(combination);
  if (!combination->tokens) return false;
  for (const CombinationToken* t = combination->tokens; t->code != kCombEnd; ++t) {
    if (t->code == kCombItem && reinterpret_cast<const SelectionItem*>(t->argument) == item)
      return true;
  }
  return false;
}

// --- Calculation ---------------------------------------------------------------------------------

bool CombNeedsCalc(Combination* combination) {
  CombResolvePending(combination);
  if (!combination->tokens || combination->busy) return false;
  if (!combination->calculated || combination->lines.count != LinePoolCount(combination))
    return true;
  combination->busy = 1;
  bool needs = false;
  for (const CombinationToken* t = combination->tokens; !needs && t->code != kCombEnd; ++t) {
    if (t->code == kCombItem) {
      needs = CombNeedsCalc(&reinterpret_cast<SelectionItem*>(t->argument)->selection.subset);
    } else if (t->code == kCombSubset) {
      needs = CombNeedsCalc(&reinterpret_cast<Subset*>(t->argument)->combination);
    }
  }
  combination->busy = 0;
  return needs;
}

bool CombCalculate(Combination* combination, bool* changed) {
  if (combination->busy) return false;
  CombResolvePending(combination);
  if (combination->owner) combination->owner->lastCheck = TickCount();
  if (!combination->tokens) {
    if (combination->lines.words) {
      BitVecFree(&combination->lines);
      if (changed) *changed = true;
    }
    combination->calculated = 1;
    return true;
  }
  int64_t count = LinePoolCount(combination);
  if (!combination->lines.words || combination->lines.count != count) {
    if (!combination->lines.words) {
      if (!NewSet(&combination->lines, count, false)) return false;
    } else if (!BitVecResizeFill(&combination->lines, count, false)) {
      return false;
    }
    combination->calculated = 0;
  }
  if (!CombNeedsCalc(combination)) return true;

  combination->busy = 1;
  BitVector result;
  bool made = NewSet(&result, count, false);
  bool ok = made && Evaluate(combination, &result);
  combination->busy = 0;
  // A stopped evaluation keeps nothing: a partial or empty set would pass for a result ("Zero
  // lines"), so the set goes and the combination stays stale, with no change reported.
  if (!ok) {
    BitVecFree(&result);
    CombFreeLines(combination);
    return false;
  }
  bool differs = !BitVecEqual(&result, &combination->lines);
  BitVecCopy(&combination->lines, &result);
  BitVecFree(&result);
  if (differs && changed) *changed = true;
  combination->calculated = 1;
  return true;
}

void CombFreeLines(Combination* combination) {
  BitVecFree(&combination->lines);
  combination->calculated = 0;
}

void CombOnChange(Combination* combination, const ChangeNote* note) {
  switch (note->code) {
    case kChangeComponentsRebuilt:
    case kChangeCardSaved:
    case kChangeCards:
    case kChangeValueColumns:
      combination->calculated = 0;
      break;
    case kChangeSubsetCalculated:
      if (CombUsesSubset(combination, static_cast<const Subset*>(note->object)))
        combination->calculated = 0;
      break;
    case kChangeSubsetRemoved:
      // A subset destroyed while still named (by a command that does not ask) must leave no
      // token pointing at it: the formula is compiled again, and the subset has already left
      // its list, so its name drops out.
      if (CombUsesSubset(combination, static_cast<const Subset*>(note->object))) {
        T_TextBuf text;
        CombPrint(combination, &text, 0);
        CombCompileQuietly(combination, text.data);
      }
      break;
    default:
      break;
  }
}

// --- Names ---------------------------------------------------------------------------------------

namespace {

// Visits the chooser entries in order; a null name is a separator. Stops when visit says so.
template <typename Visit>
void VisitNames(Combination* combination, Visit visit) {
  bool any = false;
  int32_t index = 0;
  auto group = [&](auto each) {
    bool separated = !any;
    bool stop = false;
    each([&](const char* name) {
      if (stop) return;
      if (!separated) {
        separated = true;
        if (visit(index++, nullptr)) {
          stop = true;
          return;
        }
      }
      any = true;
      if (visit(index++, name)) stop = true;
    });
    return stop;
  };
  auto subsets = [](SubsetList* list) {
    return [list](auto yield) {
      Subset* s = list ? list->first : nullptr;
      for (int32_t i = 0; s && i < list->count; ++i, s = s->next) yield(s->name);
    };
  };
  SubsetList* further =
      combination->furtherList == combination->databaseList ? nullptr : combination->furtherList;
  if (group(subsets(combination->databaseList))) return;
  if (group(subsets(further))) return;
  Subset* owner = combination->owner;
  group([owner](auto yield) {
    SelectionItem* item = owner ? owner->firstItem : nullptr;
    for (int32_t i = 0; item && i < owner->itemCount; ++i, item = item->next) yield(item->name);
  });
}

}  // namespace

int32_t CombNameCount(Combination* combination) {
  int32_t count = 0;
  VisitNames(combination, [&](int32_t, const char*) {
    ++count;
    return false;
  });
  return count;
}

const char* CombName(Combination* combination, int32_t index) {
  const char* found = nullptr;
  VisitNames(combination, [&](int32_t i, const char* name) {
    if (i != index) return false;
    found = name;
    return true;
  });
  return found;
}

Subset* CombFindSubset(Combination* combination, const char* name) {
  Subset* subset = combination->furtherList ? SubsetFind(combination->furtherList, name) : nullptr;
  if (!subset && combination->databaseList) subset = SubsetFind(combination->databaseList, name);
  return subset;
}

SubsetList* CombSubsetList(Combination* combination) {
  return combination->furtherList ? combination->furtherList : combination->databaseList;
}

bool CombIsScopeWord(const char* name) {
  for (const char* word : kScopeWords) {
    if (StrEqualNoCase(name, word)) return true;
  }
  return false;
}

bool CombScanOperator(const char* position, int32_t* length) {
  return position && ScanOperator(position, length) != kOpNone;
}

// --- Names inside formula texts -----------------------------------------------------------------

namespace {

// Calls visit(start, length) for the name of every word of the text, with the scope words in
// front of it passed over.
template <typename Visit>
void VisitTextNames(const char* text, Visit visit) {
  const char* p = text;
  while (*p) {
    int32_t length;
    if (ScanOperator(p, &length) != kOpNone) {
      p += length;
      continue;
    }
    if (*p == ' ') {
      ++p;
      continue;
    }
    const char* end = p;
    while (*end && ScanOperator(end, &length) == kOpNone) ++end;
    const char* last = end;
    while (last > p && last[-1] == ' ') --last;
    const char* start = p;
    for (bool again = true; again;) {
      again = false;
      for (const char* word : kScopeWords) {
        auto n = static_cast<int32_t>(strlen(word));
        if (last - start > n && start[n] == ' ' && StrStartsWithNoCase(start, word)) {
          start += n;
          while (*start == ' ') ++start;
          again = true;
          break;
        }
      }
    }
    visit(static_cast<int32_t>(start - text), static_cast<int32_t>(last - start));
    p = end;
  }
}

bool SameName(const char* bytes, int32_t length, const char* name) {
  T_TextBuf word;
  TextBufAssignBytes(&word, bytes, length);
  return StrEqualNoCase(word.data, name);
}

}  // namespace

bool CombTextNames(const char* text, const char* name) {
  if (!text || !name || !*name) return false;
  bool found = false;
  VisitTextNames(text, [&](int32_t start, int32_t length) {
    if (SameName(text + start, length, name)) found = true;
  });
  return found;
}

void CombRenameInText(T_TextBuf* text, const char* oldName, const char* newName) {
  if (!oldName || !*oldName || !newName) return;
  T_TextBuf result;
  int32_t copied = 0;
  const char* source = text->data;
  VisitTextNames(source, [&](int32_t start, int32_t length) {
    if (!SameName(source + start, length, oldName)) return;
    TextBufAppendBytes(&result, source + copied, start - copied);
    TextBufAppend(&result, newName);
    copied = start + length;
  });
  if (copied == 0) return;
  TextBufAppendBytes(&result, source + copied, text->length - copied);
  TextBufAssignBuf(text, &result);
}
