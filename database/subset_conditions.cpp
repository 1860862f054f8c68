#include "database/subset_conditions.h"

#include <cstring>

#include "core/criteria.h"
#include "core/memory.h"
#include "core/owned_text.h"
#include "database/date_ref.h"

namespace {

constexpr int32_t kEnd = 0;
constexpr int32_t kNotOp = 1;
constexpr int32_t kXorOp = 2;
constexpr int32_t kOrSkip = 3;
constexpr int32_t kAndSkip = 4;
constexpr int32_t kNoDate = 5;
constexpr int32_t kWithin = 6;
constexpr int32_t kOutside = 7;
constexpr int32_t kAfter = 8;
constexpr int32_t kBefore = 9;
constexpr int32_t kFrom = 10;
constexpr int32_t kUntil = 11;

// Brackets and "¬" recurse; a deeper text is cut there. The truth stack then never needs more
// than the nesting and a few values.
constexpr int32_t kMaxNesting = 100;
constexpr int32_t kStackSize = 256;

constexpr uint16_t kNot = 0x00AC;
constexpr uint16_t kEither = 0x00B1;

enum Token { kNone, kAnd, kOr, kEitherOr, kNegate, kOpen, kClose, kCompare, kRange };

// Comparison characters: flags less 1, equal 2, greater 4.
int32_t CompareFlags(const char* p, int32_t* length) {
  auto u = reinterpret_cast<const uint8_t*>(p);
  *length = 1;
  if (*p == '<') return 1;
  if (*p == '=') return 2;
  if (*p == '>') return 4;
  if (u[0] == 0xE2 && u[1] == 0x89) {
    *length = 3;
    if (u[2] == 0xA0) return 5;  // ≠
    if (u[2] == 0xA4) return 3;  // ≤
    if (u[2] == 0xA5) return 6;  // ≥
  }
  *length = 0;
  return 0;
}

Token Scan(const char* p, int32_t* length) {
  auto u = reinterpret_cast<const uint8_t*>(p);
  *length = 1;
  switch (*p) {
    case '&':
      return kAnd;
    case '|':
      return kOr;
    case '(':
      return kOpen;
    case ')':
      return kClose;
    case '.':
      if (p[1] != '.') break;
      *length = 2;
      while (p[*length] == '.') ++*length;
      return kRange;
    default:
      break;
  }
  if (u[0] == 0xC2 && u[1] == 0xAC) {
    *length = 2;
    return kNegate;
  }
  if (u[0] == 0xC2 && u[1] == 0xB1) {
    *length = 2;
    return kEitherOr;
  }
  if (u[0] == 0xE2 && u[1] == 0x80 && u[2] == 0xA6) {
    *length = 3;
    return kRange;
  }
  if (CompareFlags(p, length) != 0) return kCompare;
  *length = 0;
  return kNone;
}

class Compiler {
 public:
  Compiler(const char* text, T_Base* database, IdConditionRecord* out, int32_t capacity)
      : p_(text), base_(database), out_(out), capacity_(capacity) {
    CondText_Init(&text_, 0);
  }
  ~Compiler() { CondText_Free(&text_); }

  // A stray ")" ends an expression early; what follows is read as one more "|" operand. -1 when
  // the records did not fit.
  int32_t Run(T_TextBuf* normal) {
    bool have = false;
    while (*p_) {
      int32_t at = have ? Emit(kOrSkip) : -1;
      bool produced = Expression();
      if (have && produced) {
        Join(kOrSkip, at, '|', 1);
      } else if (have) {
        --count_;
      }
      have = have || produced;
      int32_t length;
      if (Peek(&length) == kClose) p_ += length;
    }
    TextBufAssign(normal, "");
    CondText_Result(&text_, normal);
    return overflow_ ? -1 : count_;
  }

 private:
  void SkipBlanks() {
    while (*p_ == ' ') ++p_;
  }
  Token Peek(int32_t* length) {
    SkipBlanks();
    return Scan(p_, length);
  }
  void SkipJoinRuns() {
    for (;;) {
      int32_t length;
      Token t = Peek(&length);
      if (t != kAnd && t != kOr && t != kEitherOr) return;
      p_ += length;
    }
  }
  // Whether what follows starts an operand: it then joins the one before as with "&".
  bool OperandFollows() {
    int32_t length;
    Token t = Peek(&length);
    return *p_ != 0 && (t == kNone || t == kNegate || t == kOpen || t == kCompare || t == kRange);
  }

  int32_t Emit(int32_t code, CardId low = CardId{}, CardId high = CardId{}) {
    // The records never outgrow the text; the guard only keeps that promise checked.
    if (count_ >= capacity_) {
      overflow_ = true;
      return count_;
    }
    IdConditionRecord& r = out_[count_];
    r.code = code;
    r.skip = 0;
    r.low = low;
    r.high = high;
    return count_++;
  }

  // Joins the two operands on the builder; a skip record at `at` (or -1) gets its length.
  void Join(int32_t code, int32_t at, uint16_t op, int32_t precedence) {
    if (code == kXorOp) Emit(kXorOp);
    if (at >= 0 && at < capacity_) out_[at].skip = count_ - at - 1;
    CondText_Join(&text_, op, precedence);
  }

  bool Expression() {
    bool have = Exclusive();
    for (;;) {
      int32_t length;
      if (Peek(&length) != kOr) return have;
      p_ += length;
      SkipJoinRuns();
      int32_t at = have ? Emit(kOrSkip) : -1;
      bool right = Exclusive();
      if (have && right) {
        Join(kOrSkip, at, '|', 1);
      } else if (have) {
        --count_;  // the skip record with nothing to skip
      }
      have = have || right;
    }
  }

  bool Exclusive() {
    bool have = Conjunction();
    for (;;) {
      int32_t length;
      if (Peek(&length) != kEitherOr) return have;
      p_ += length;
      SkipJoinRuns();
      bool right = Conjunction();
      if (have && right) Join(kXorOp, -1, kEither, 2);
      have = have || right;
    }
  }

  bool Conjunction() {
    bool have = Unary();
    for (;;) {
      int32_t length;
      bool explicitAnd = Peek(&length) == kAnd;
      if (!explicitAnd && !(have && OperandFollows())) return have;
      if (explicitAnd) p_ += length;
      SkipJoinRuns();
      int32_t at = have ? Emit(kAndSkip) : -1;
      bool right = Unary();
      if (have && right) {
        Join(kAndSkip, at, '&', 3);
      } else if (have) {
        --count_;
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
    // "¬¬" means nothing: only an odd run of them negates.
    int32_t negations = 0;
    int32_t length;
    while (Peek(&length) == kNegate) {
      p_ += length;
      ++negations;
    }
    bool produced;
    if (Peek(&length) == kOpen) {
      p_ += length;
      produced = Expression();
      if (Peek(&length) == kClose) p_ += length;
    } else {
      produced = Operand();
    }
    if (produced && (negations & 1)) {
      Emit(kNotOp);
      CondText_Prefix(&text_, kNot, 4);
    }
    --depth_;
    return produced;
  }

  // The text up to the next operator, blanks at both ends dropped.
  void Value(T_TextBuf* value) {
    SkipBlanks();
    const char* start = p_;
    int32_t length;
    while (*p_ && Scan(p_, &length) == kNone) ++p_;
    const char* end = p_;
    while (end > start && end[-1] == ' ') --end;
    TextBufAssignBytes(value, start, static_cast<int32_t>(end - start));
  }

  // The first and last id of a bound text; false when it names no date.
  bool Resolve(const T_TextBuf* value, CardId* low, CardId* high) {
    DateRef bound;
    DateRefInit(&bound, base_, -1);
    DateRefParse(&bound, value->data, value->length);
    *low = bound.cardId;
    DateRefFree(&bound);
    DateRefInit(&bound, base_, 1);
    DateRefParse(&bound, value->data, value->length);
    *high = bound.cardId;
    DateRefFree(&bound);
    return low->date != 0 && high->date != 0;
  }

  bool Operand() {
    int32_t length;
    Token t = Peek(&length);
    int32_t flags = 0;
    if (t == kCompare) {
      while (Peek(&length) == kCompare) {
        flags |= CompareFlags(p_, &length);
        p_ += length;
      }
    }
    SkipBlanks();
    if (*p_ == '\\') {
      ++p_;
      T_TextBuf ignored;
      Value(&ignored);  // nothing may follow the backslash within the operand
      Emit(kNoDate);
      CondText_PushOperand(&text_, "\\");
      return true;
    }
    T_TextBuf first, last;
    Value(&first);
    bool range = Peek(&length) == kRange;
    if (range) {
      p_ += length;
      Value(&last);
    }
    const T_TextBuf* value = first.empty() ? &last : &first;
    if (value->empty() && flags == 0) return false;
    // An operator without its value asks for no date, as "=\" does; so does a value that would
    // be printed with the backslash in front.
    if (value->empty() || value->data[0] == '\\') {
      Emit(kNoDate);
      CondText_PushOperand(&text_, "\\");
      return true;
    }
    static constexpr const char* kSpellings[8] = {"", "<", "", "<=", ">", "<>", ">=", "<>"};
    static constexpr int32_t kCodes[8] = {kWithin, kBefore,  kWithin, kUntil,
                                          kAfter,  kOutside, kFrom,   kOutside};
    T_TextBuf text(kSpellings[flags]);
    TextBufAppendBuf(&text, value);
    if (range && !first.empty() && !last.empty()) {
      TextBufAppend(&text, "\xE2\x80\xA6");
      TextBufAppendBuf(&text, &last);
    }
    CardId low, high, ignored;
    bool valid = Resolve(value, &low, &high);
    if (valid && range && !first.empty() && !last.empty()) valid = Resolve(&last, &ignored, &high);
    if (valid) {
      Emit(kCodes[flags], low, high);
    } else {
      // A value that is no date matches nothing, whatever the operator.
      CardId never{0xFFFFFFFFu, kCardSequenceOpen};
      Emit(kWithin, never, CardId{});
    }
    CondText_PushOperand(&text_, text.data);
    return true;
  }

  const char* p_;
  T_Base* base_;
  IdConditionRecord* out_;
  int32_t capacity_;
  int32_t count_ = 0;
  int32_t depth_ = 0;
  bool overflow_ = false;
  CondTextBuilder text_;
};

int32_t CompareIds(const CardId* x, const CardId* bound, bool datesOnly) {
  if (datesOnly || x->date != bound->date)
    return x->date < bound->date ? -1 : x->date > bound->date;
  return x->sequence < bound->sequence ? -1 : x->sequence > bound->sequence;
}

bool Run(const IdConditionRecord* program, const CardId* x, bool datesOnly) {
  if (!program) return true;
  uint8_t stack[kStackSize];
  int32_t top = -1;
  for (const IdConditionRecord* r = program;; ++r) {
    switch (r->code) {
      case kEnd:
        return top >= 0 && stack[top];
      case kNotOp:
        stack[top] ^= 1;
        break;
      case kXorOp: {
        uint8_t b = stack[top--];
        stack[top] ^= b;
        break;
      }
      case kOrSkip:
        if (stack[top]) {
          r += r->skip;
        } else {
          --top;
        }
        break;
      case kAndSkip:
        if (!stack[top]) {
          r += r->skip;
        } else {
          --top;
        }
        break;
      case kNoDate:
        stack[++top] = x->date == 0;
        break;
      case kWithin:
      case kOutside: {
        bool within =
            CompareIds(x, &r->low, datesOnly) >= 0 && CompareIds(x, &r->high, datesOnly) <= 0;
        stack[++top] = within == (r->code == kWithin);
        break;
      }
      case kAfter:
        stack[++top] = CompareIds(x, &r->high, datesOnly) > 0;
        break;
      case kBefore:
        stack[++top] = CompareIds(x, &r->low, datesOnly) < 0;
        break;
      case kFrom:
        stack[++top] = CompareIds(x, &r->low, datesOnly) >= 0;
        break;
      case kUntil:
        stack[++top] = CompareIds(x, &r->high, datesOnly) <= 0;
        break;
      default:
        return false;
    }
  }
}

// The deepest the truth stack gets; a skip taken leaves the depth of the operand it passes.
int32_t StackDepth(const IdConditionRecord* program, int32_t count) {
  int32_t depth = 0;
  int32_t deepest = 0;
  for (int32_t i = 0; i < count; ++i) {
    int32_t code = program[i].code;
    if (code >= kNoDate) {
      ++depth;
    } else if (code != kNotOp) {
      --depth;
    }
    if (depth > deepest) deepest = depth;
  }
  return deepest;
}

}  // namespace

void IdConditionInit(IdCondition* condition) {
  condition->program = nullptr;
  condition->text = nullptr;
}

void IdConditionFree(IdCondition* condition) {
  MemFree(condition->program);
  condition->program = nullptr;
  BlockTextFree(&condition->text);
}

void IdConditionCompile(IdCondition* condition, T_TextBuf* text, T_Base* database) {
  MemFree(condition->program);
  condition->program = nullptr;
  int32_t capacity = text->length + 2;
  auto* records = static_cast<IdConditionRecord*>(
      MemNew(sizeof(IdConditionRecord) * (static_cast<int64_t>(capacity) + 1)));
  if (!records) return;
  T_TextBuf normal;
  int32_t count;
  {
    Compiler compiler(text->data, database, records, capacity);
    count = compiler.Run(&normal);
  }
  if (count > 0 && StackDepth(records, count) < kStackSize) {
    records[count].code = kEnd;
    records[count].skip = 0;
    condition->program = static_cast<IdConditionRecord*>(
        MemDup(records, sizeof(IdConditionRecord) * (static_cast<int64_t>(count) + 1)));
  }
  MemFree(records);
  TextBufAssignBuf(text, &normal);
  BlockTextAssignBuf(&condition->text, &normal);
}

void IdConditionRefresh(IdCondition* condition, T_Base* database) {
  if (!condition->text) return;
  T_TextBuf text(condition->text);
  IdConditionCompile(condition, &text, database);
}

bool IdConditionTestId(const IdCondition* condition, const CardId* id) {
  return Run(condition->program, id, false);
}

bool IdConditionTestDate(const IdCondition* condition, PackedDate date) {
  CardId x{date, 0};
  return Run(condition->program, &x, true);
}

bool IdConditionScanOperator(const char* position, int32_t* length) {
  if (!position) {
    *length = 0;
    return false;
  }
  return Scan(position, length) != kNone;
}

PackedDate StampDate(PackedTimeStamp stamp) {
  if (stamp == 0) return 0;
  int32_t year = static_cast<int32_t>(stamp >> 20) + kFirstYear;
  int32_t month = static_cast<int32_t>((stamp >> 16) & 15);
  int32_t day = static_cast<int32_t>((stamp >> 11) & 31);
  return PackDate(year, month, day);
}
