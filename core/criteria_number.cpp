// Number criteria ("<100|>=200", "10…20", "\" for a missing value) and the builder that turns a
// condition tree back into text with the fewest brackets.
#include <cmath>
#include <cstring>
#include <cwchar>
#include <limits>
#include <new>

#include "core/alert.h"
#include "core/criteria.h"
#include "core/criteria_internal.h"
#include "core/memory.h"
#include "core/number_parse.h"
#include "core/number_text.h"
#include "core/utf8.h"

using namespace criteria_detail;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Every unit read gives at most a few records; a text that needs more is refused like one that
// nests too deeply.
constexpr int32_t kMaxRecords = 4 * CriteriaText::kMaxInput;
constexpr int32_t kStackSize = 128;

enum NumCode : uint32_t {
  kEnd = 0,
  kNotOp = 1,
  kXorOp = 2,
  kOrSkip = 3,
  kAndSkip = 4,
  kIsEmpty = 5,
  kEqual = 6,
  kNotEqual = 7,
  kGreater = 8,
  kLess = 9,
  kGreaterEqual = 10,
  kLessEqual = 11,
  kBetween = 12,
};

// Matches no value: a comparison with NaN is always false.
const NumCriteriaOp kRefused[2] = {{kEqual, {.a = kNaN}, 0}, {kEnd, {.a = 0}, 0}};
NumCriteriaOp* RefusedProgram() { return const_cast<NumCriteriaOp*>(kRefused); }

bool IsComparison(wchar_t c) {
  return c == L'<' || c == L'=' || c == L'>' || c == 0x2260 || c == 0x2264 || c == 0x2265;
}

bool EndsNumber(wchar_t c) {
  switch (c) {
    case 0:
    case L'&':
    case L'(':
    case L')':
    case L'<':
    case L'=':
    case L'>':
    case L'_':
    case L'|':
    case kNot:
    case kXor:
    case kRange:
      return true;
    default:
      return false;
  }
}

class NumCompiler {
 public:
  explicit NumCompiler(CriteriaText* text) : w_(*text) {}

  void Run() {
    Criteria();
    w_.Cut(pos_);
    Emit(kEnd, 0, 0);
    ChainSkips();
    if (!failed_ && MaxDepth() > kStackSize) failed_ = true;
  }

  bool failed() const { return failed_; }

  NumCriteriaOp* Build() const {
    auto* program = static_cast<NumCriteriaOp*>(MemNew(int64_t{count_} * sizeof(NumCriteriaOp)));
    if (program) std::memcpy(program, records_, sizeof(NumCriteriaOp) * count_);
    return program;
  }

 private:
  wchar_t Cur() const { return w_.At(pos_); }

  // Blanks carry no meaning in number criteria (the number texts lose theirs when rewritten),
  // so they go wherever an operator or a factor is expected, with operators typed twice.
  void DropBlanks() {
    while (Cur() == L' ') w_.Delete(pos_, 1);
  }
  void DropOperatorsAfter() {
    while (Cur() == L' ' || Cur() == kAnd || Cur() == kOr || Cur() == kXor) w_.Delete(pos_, 1);
  }

  int32_t Emit(uint32_t code, double a, double b) {
    if (count_ >= kMaxRecords) {
      failed_ = true;
      return 0;
    }
    NumCriteriaOp& r = records_[count_];
    r.code = code;
    r.a = a;
    r.b = b;
    return count_++;
  }
  int32_t EmitSkip(uint32_t code) {
    int32_t at = Emit(code, 0, 0);
    records_[at].skip = 0;
    return at;
  }
  void Patch(int32_t at) {
    if (!failed_) records_[at].skip = static_cast<uint16_t>(count_ - at - 1);
  }

  // A skip that lands on a skip of its own kind would take it too: it jumps past it at once.
  void ChainSkips() {
    if (failed_) return;
    for (int32_t i = count_ - 1; i >= 0; --i) {
      uint32_t code = records_[i].code;
      if (code != kOrSkip && code != kAndSkip) continue;
      int32_t target = i + 1 + records_[i].skip;
      if (target < count_ && records_[target].code == code) {
        records_[i].skip = static_cast<uint16_t>(records_[i].skip + 1 + records_[target].skip);
      }
    }
  }

  // The deepest the truth stack gets: a skip taken leaves the same depth as the right side it
  // passes, so the path without skips is the deepest.
  int32_t MaxDepth() const {
    int32_t depth = 0;
    int32_t deepest = 0;
    for (int32_t i = 0; i < count_; ++i) {
      uint32_t code = records_[i].code;
      if (code >= kIsEmpty)
        ++depth;
      else if (code != kEnd && code != kNotOp)
        --depth;
      if (depth > deepest) deepest = depth;
    }
    return deepest;
  }

  void Criteria() {
    Exclusive();
    while (!failed_ && Cur() == kOr) {
      ++pos_;
      DropOperatorsAfter();
      int32_t skip = EmitSkip(kOrSkip);
      Exclusive();
      Patch(skip);
    }
  }

  void Exclusive() {
    Conjunction();
    while (!failed_ && Cur() == kXor) {
      ++pos_;
      DropOperatorsAfter();
      Conjunction();
      Emit(kXorOp, 0, 0);
    }
  }

  void Conjunction() {
    Factor();
    while (!failed_ && (Cur() == kAnd || Cur() == kNot)) {
      bool andNot = Cur() == kNot;
      ++pos_;
      DropOperatorsAfter();
      int32_t skip = EmitSkip(kAndSkip);
      Factor();
      if (andNot) Emit(kNotOp, 0, 0);
      Patch(skip);
    }
  }

  void Factor() {
    if (++nesting_ > kMaxNesting) failed_ = true;
    if (failed_) return;
    DropBlanks();
    // "¬¬" means nothing, also when it only comes together once operators are dropped.
    while (Cur() == kNot) {
      ++pos_;
      DropOperatorsAfter();
      --pos_;
      if (w_.At(pos_ + 1) != kNot) break;
      w_.Delete(pos_, 2);
      DropOperatorsAfter();
    }
    if (Cur() == L'(') {
      ++pos_;
      Criteria();
      if (Cur() != L')' && !w_.Insert(pos_, L')')) failed_ = true;
      ++pos_;
      DropBlanks();
    } else if (Cur() == kNot) {
      ++pos_;
      Factor();
      Emit(kNotOp, 0, 0);
    } else if (Cur() == kEmpty) {
      ++pos_;
      DropBlanks();
      Emit(kIsEmpty, 0, 0);
    } else if (IsComparison(Cur())) {
      Comparison();
    } else {
      bool first;
      double a = Number(&first);
      if (Cur() == kRange) {
        int32_t range = pos_++;
        bool present;
        double b = Number(&present);
        // Without either number the "…" stays: deleting it would leave the factor without text,
        // and an operator behind it would read differently the next time.
        if (present || !first) {
          Emit(kBetween, a, b);
        } else {
          w_.Delete(range, 1);
          pos_ = range;
          Emit(kEqual, a, 0);
        }
      } else {
        Emit(kEqual, a, 0);
      }
    }
    --nesting_;
  }

  // One or more comparison characters, blanks between them allowed, read as one operator and
  // written in its canonical form.
  void Comparison() {
    bool less = false, greater = false, equal = false, unequal = false;
    int32_t start = pos_;
    for (int32_t p = pos_;;) {
      while (w_.At(p) == L' ') ++p;
      wchar_t c = w_.At(p);
      if (!IsComparison(c)) break;
      less |= c == L'<' || c == 0x2264;
      greater |= c == L'>' || c == 0x2265;
      equal |= c == L'=' || c == 0x2264 || c == 0x2265;
      unequal |= c == 0x2260;
      pos_ = ++p;
    }
    const wchar_t* canonical;
    uint32_t code;
    if (unequal || (less && greater))
      canonical = L"<>", code = kNotEqual;
    else if (less && equal)
      canonical = L"<=", code = kLessEqual;
    else if (greater && equal)
      canonical = L">=", code = kGreaterEqual;
    else if (less)
      canonical = L"<", code = kLess;
    else if (greater)
      canonical = L">", code = kGreater;
    else
      canonical = L"=", code = kEqual;
    int32_t n = static_cast<int32_t>(std::wcslen(canonical));
    if (!w_.Replace(start, pos_ - start, canonical, n)) failed_ = true;
    pos_ = start + n;
    DropBlanks();
    if (Cur() == kEmpty) {
      // "=\" is the empty test itself; any other operator before "\" reads the same way, as the
      // text it leaves behind below.
      if (code == kEqual) {
        w_.Delete(start, 1);
        pos_ = start;
      }
      ++pos_;
      DropBlanks();
      Emit(kIsEmpty, 0, 0);
      return;
    }
    bool present;
    double a = Number(&present);
    if (!present) {
      w_.Set(pos_ - 1, kEmpty);
      Emit(kIsEmpty, 0, 0);
      return;
    }
    Emit(code, a, 0);
  }

  // The text up to the next operator, read as a number and rewritten in the default number
  // format; a text that is no number stays and compares as NaN. present tells whether anything
  // but blanks was there.
  double Number(bool* present) {
    int32_t start = pos_;
    while (!EndsNumber(Cur())) ++pos_;
    int32_t first = start, last = pos_;
    while (first < last && w_.At(first) == L' ') ++first;
    while (last > first && w_.At(last - 1) == L' ') --last;
    if (present) *present = last > first;
    if (last == first) {
      w_.Delete(start, pos_ - start);
      pos_ = start;
      return kNaN;
    }
    T_TextBuf number;
    w_.Utf8(first, last, &number);
    double value = StrToDouble(number.c_str());
    if (std::isnan(value)) return kNaN;
    char formatted[kFormatDoubleMax + 1];
    DoubleToStr(formatted, value);
    // The value of the text that is kept, so that the criteria match the same values once they
    // are stored and read again ("0.30000000000000004" is kept as "0.3").
    value = StrToDouble(formatted);
    wchar_t units[kFormatDoubleMax + 1];
    int32_t n = 0;
    for (const char* p = formatted; *p;) units[n++] = static_cast<wchar_t>(Utf8NextChar(&p));
    if (!w_.Replace(start, pos_ - start, units, n)) failed_ = true;
    pos_ = start + n;
    return value;
  }

  CriteriaText& w_;
  int32_t pos_ = 0;
  int32_t nesting_ = 0;
  bool failed_ = false;
  int32_t count_ = 0;
  NumCriteriaOp records_[kMaxRecords];
};

}  // namespace

void NumCriteria_Init(NumCriteria* holder) { holder->program = nullptr; }

void MemFreeHeld(NumCriteria* holder) {
  if (holder->program != RefusedProgram()) MemFree(holder->program);
  holder->program = nullptr;
}

const NumCriteriaOp* NumCriteria_Compile(NumCriteria* holder, T_TextBuf* text) {
  MemFreeHeld(holder);
  // Most value conditions of a selection are empty: they need no work space, whose allocation as
  // large blocks (100 KB) is costly (a web page opens a selection per request).
  if (text->length == 0) return nullptr;
  auto* input = static_cast<CriteriaText*>(MemNew(sizeof(CriteriaText)));
  auto* compiler = static_cast<NumCompiler*>(MemNew(sizeof(NumCompiler)));
  if (!input || !compiler) {
    MemFree(input);
    MemFree(compiler);
    holder->program = RefusedProgram();
    return holder->program;
  }
  new (input) CriteriaText();
  input->Load(text);
  input->Prepare(true);
  if (input->length() > 0) {
    new (compiler) NumCompiler(input);
    compiler->Run();
    if (compiler->failed()) {
      PendingErrorSet(kMsgCriteriaTooComplex);
      holder->program = RefusedProgram();
    } else {
      input->Store(text);
      // Blanks alone yield nothing, as the empty text they normalise to does.
      if (input->length() > 0) holder->program = compiler->Build();
      if (!holder->program && input->length() > 0)
        holder->program = RefusedProgram();  // out of memory
    }
    compiler->~NumCompiler();
  } else {
    TextBufSetLength(text, 0);
  }
  MemFree(compiler);
  MemFree(input);
  return holder->program;
}

bool NumCriteria_Match(const NumCriteriaOp* program, double x) {
  if (!program) return true;
  uint8_t stack[kStackSize];
  int32_t top = -1;
  for (const NumCriteriaOp* op = program;; ++op) {
    switch (op->code) {
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
        if (stack[top])
          op += op->skip;
        else
          --top;
        break;
      case kAndSkip:
        if (!stack[top])
          op += op->skip;
        else
          --top;
        break;
      case kIsEmpty:
        stack[++top] = std::isnan(x);
        break;
      case kEqual:
        stack[++top] = x == op->a;
        break;
      case kNotEqual:
        stack[++top] = !std::isnan(x) && !std::isnan(op->a) && x != op->a;
        break;
      case kGreater:
        stack[++top] = x > op->a;
        break;
      case kLess:
        stack[++top] = x < op->a;
        break;
      case kGreaterEqual:
        stack[++top] = x >= op->a;
        break;
      case kLessEqual:
        stack[++top] = x <= op->a;
        break;
      case kBetween:
        stack[++top] = op->a <= x && x <= op->b;
        break;
      default:
        return false;
    }
  }
}

// --- Condition texts ----------------------------------------------------------------------------

namespace {

constexpr int32_t kWrapped = 99;
constexpr uint16_t kWordOperator = 0xFFFF;

void AppendUnit(T_TextBuf* text, uint32_t unit) {
  char bytes[4];
  TextBufAppendBytes(text, bytes, Utf8Encode(bytes, unit));
}

// A lower precedence always needs brackets; an equal one unless the operators are the same and
// not "¬" (a¬(b¬c) is not (a¬b)¬c, and "¬¬" would read as nothing).
bool NeedsBrackets(const CondTextNode* node, uint16_t op, int32_t precedence) {
  return node->precedence < precedence ||
         (node->precedence == precedence && (node->op != op || node->op == kNot));
}

void Wrap(CondTextNode* node) {
  T_TextBuf wrapped("(");
  TextBufAppendBuf(&wrapped, &node->text);
  TextBufAppendChar(&wrapped, ')');
  TextBufAssignBuf(&node->text, &wrapped);
  node->precedence = kWrapped;
  node->op = 0;
}

void FreeNode(CondTextNode* node) {
  node->~CondTextNode();
  MemFree(node);
}

}  // namespace

void CondText_Init(CondTextBuilder* builder, uint16_t spacing) {
  builder->top = nullptr;
  builder->spacing = spacing;
}

void CondText_PushOperand(CondTextBuilder* builder, const char* text) {
  auto* node = static_cast<CondTextNode*>(MemNew(sizeof(CondTextNode)));
  if (!node) return;
  new (node) CondTextNode{builder->top, kWrapped, 0, T_TextBuf(text ? text : "")};
  builder->top = node;
}

void CondText_Prefix(CondTextBuilder* builder, uint16_t op, int32_t precedence) {
  CondTextNode* node = builder->top;
  if (!node) return;
  if (NeedsBrackets(node, op, precedence)) Wrap(node);
  T_TextBuf prefixed;
  AppendUnit(&prefixed, op);
  TextBufAppendBuf(&prefixed, &node->text);
  TextBufAssignBuf(&node->text, &prefixed);
  node->precedence = precedence;
  node->op = op;
}

void CondText_PrefixWord(CondTextBuilder* builder, const char* word, int32_t precedence) {
  CondTextNode* node = builder->top;
  if (!node) return;
  if (NeedsBrackets(node, kWordOperator, precedence)) Wrap(node);
  T_TextBuf prefixed(word ? word : "");
  TextBufAppendChar(&prefixed, ' ');
  TextBufAppendBuf(&prefixed, &node->text);
  TextBufAssignBuf(&node->text, &prefixed);
  node->precedence = precedence;
  node->op = kWordOperator;
}

void CondText_Join(CondTextBuilder* builder, uint16_t op, int32_t precedence) {
  CondTextNode* right = builder->top;
  if (!right || !right->next) return;
  CondTextNode* left = right->next;
  builder->top = left;
  if (NeedsBrackets(right, op, precedence)) Wrap(right);
  if (left->precedence < precedence) Wrap(left);
  if (builder->spacing) AppendUnit(&left->text, builder->spacing);
  AppendUnit(&left->text, op);
  if (builder->spacing) AppendUnit(&left->text, builder->spacing);
  TextBufAppendBuf(&left->text, &right->text);
  left->precedence = precedence;
  left->op = op;
  FreeNode(right);
}

void CondText_Result(const CondTextBuilder* builder, T_TextBuf* out) {
  if (builder->top) TextBufAppendBuf(out, &builder->top->text);
}

void CondText_Free(CondTextBuilder* builder) {
  while (CondTextNode* node = builder->top) {
    builder->top = node->next;
    FreeNode(node);
  }
}
