// The formula compiler: a recursive descent over the UTF-8 text that emits postfix operations,
// simplifies each one as it is emitted, and edits the text into its normal form as it reads.
//
// Invariants of a compilation:
//   1. pos is always on a character boundary of the text, and the text before pos has been read;
//   2. no pair of neighbouring operations of the program fits a rewrite rule, and no operator
//      whose operands are all constant pushes is left unfolded (except those never folded);
//   3. constants are appended in the order their pushes are emitted, so the operands of the
//      last operation always own the highest constant indexes;
//   4. once a limit is exceeded (failure != 0) nothing more is emitted and the text is restored.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <new>

#include "core/alert.h"
#include "core/formula.h"
#include "core/formula_internal.h"
#include "core/locale.h"
#include "core/memory.h"
#include "core/number_parse.h"
#include "core/precise_math.h"
#include "core/utf8.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Brackets, signs, "¬" and function arguments recurse, every cycle through Factor or through
// the "¬" of NotExpression; beyond this depth the formula is refused instead of risking the
// thread's stack.
constexpr int32_t kMaxNesting = 200;
// Characters one decimal number may take.
constexpr int32_t kMaxNumberChars = 256;

struct NameEntry {
  const char* name;
  uint16_t code;
};

// Lookup order matters: "exp10" before "exp", "sqrt" before "sqr", "<=" before "<".
constexpr NameEntry kFunctions[] = {
    {"abs", kExprAbs},
    {"sign", kExprSign},
    {"exp10", kExprExp10},
    {"exp2", kExprExp2},
    {"exp", kExprExp},
    {"ln", kExprLn},
    {"lg", kExprLg},
    {"log10", kExprLog10},
    {"log2", kExprLg},
    {"log", kExprLog10},
    {"sqrt", kExprSqrt},
    {"sqr", kExprSqr},
    {"sin", kExprSin},
    {"cos", kExprCos},
    {"tan", kExprTan},
    {"asin", kExprAsin},
    {"acos", kExprAcos},
    {"atan", kExprAtan},
    {"ran", kExprRandom},
    {"int", kExprInt},
    {"frac", kExprFrac},
    {"up", kExprUp},
    {"down", kExprDown},
    {"round", kExprRound},
    {"max", kExprMax},
    {"min", kExprMin},
    {"if", kExprIf},
    {"\xE2\x88\x9A", kExprSqrt},
    {"\xC2\xBB", kExprUp},
    {"\xC2\xAB", kExprDown},
    {"\xE2\x89\x88", kExprRound},
};

constexpr NameEntry kComparisons[] = {
    {"<=", kExprLessEqual},
    {"=<", kExprLessEqual},
    {">=", kExprGreaterEqual},
    {"=>", kExprGreaterEqual},
    {"<>", kExprNotEqual},
    {"!=", kExprNotEqual},
    {"==", kExprEqual},
    {"<", kExprLess},
    {">", kExprGreater},
    {"=", kExprEqual},
    {"\xE2\x89\xA0", kExprNotEqual},
};

constexpr char kNot[] = "\xC2\xAC";  // ¬
constexpr char kPi[] = "\xCF\x80";   // π
constexpr char kNbsp[] = "\xC2\xA0";

bool IsPush(uint16_t op) { return (op & (kExprPushConstant | kExprPushVariable)) != 0; }
bool IsConstantPush(uint16_t op) {
  return (op & kExprPushVariable) == 0 && (op & kExprPushConstant) != 0;
}

// Byte length of the text's prefix that equals the name with letter case ignored; -1 when the
// text does not begin with the name.
int32_t MatchNoCase(const char* text, const char* name) {
  const char* t = text;
  const char* n = name;
  while (*n) {
    if (!*t) return -1;
    uint32_t a = Utf8NextChar(&n);
    uint32_t b = Utf8NextChar(&t);
    if (a == 0 || b == 0 || CharToUpper(a) != CharToUpper(b)) return -1;
  }
  return static_cast<int32_t>(t - text);
}

bool StartsWith(const char* text, const char* prefix) {
  size_t n = std::strlen(prefix);
  return std::strncmp(text, prefix, n) == 0;
}

// The digits times 10 to the exponent. A whole exponent is read together with the digits by
// ParseDouble, which gives the double nearest to the number written: the runtime's pow misses
// whole powers of ten by several ulps, so "1e-3" would not equal 0.001.
double ScaledNumber(const char* digits, int32_t n, double exponent) {
  if (exponent == std::floor(exponent) && std::fabs(exponent) <= 99999) {
    char text[kMaxNumberChars + 8];
    std::memcpy(text, digits, static_cast<size_t>(n));
    int32_t length = n + std::snprintf(text + n, 8, "e%d", static_cast<int>(exponent));
    return ParseDouble(text, length);
  }
  return ParseDouble(digits, n) * Exp10Accurate(exponent);
}

class Compiler {
 public:
  Compiler(T_TextBuf* text, const void* variableTable) : text_(text) {
    if (variableTable) {
      std::memcpy(&variableCount_, variableTable, sizeof(int32_t));
      if (variableCount_ < 0) variableCount_ = 0;
      if (variableCount_ > kExprMaxVariables) variableCount_ = kExprMaxVariables;
      rows_ = static_cast<const char*>(variableTable) + sizeof(int32_t);
    }
  }

  // Reads the whole text; afterwards the text is cut and closed and the program is complete.
  void Run() {
    OrExpression();
    if (failure_) return;
    ops_[opCount_++] = kExprEnd;  // room is kept for it by Emit
    TextBufTruncate(text_, pos_);
    for (int32_t i = 0; i < depth_; ++i) TextBufAppendChar(text_, ')');
    if (MaxStackDepth() > kExprStackSize) failure_ = kMsgFormulaTooDeep;
  }

  int32_t failure() const { return failure_; }
  bool empty() const { return opCount_ <= 1 || text_->length == 0; }

  ExprProgram* Build() const {
    int64_t size = static_cast<int64_t>(sizeof(ExprProgram)) + 8 * int64_t{constCount_} +
                   2 * int64_t{opCount_};
    auto* program = static_cast<ExprProgram*>(MemNew(size));
    if (!program) return nullptr;
    program->operationCount = static_cast<uint32_t>(opCount_);
    program->constantCount = constCount_;
    std::memcpy(const_cast<double*>(ExprConstants(program)), consts_, sizeof(double) * constCount_);
    std::memcpy(const_cast<uint16_t*>(ExprOperations(program)), ops_, sizeof(uint16_t) * opCount_);
    return program;
  }

 private:
  // --- Reading -----------------------------------------------------------------------------

  const char* At() const { return text_->data + pos_; }
  char Cur() const { return text_->data[pos_]; }
  void SkipBlanks() {
    while (Cur() == ' ') ++pos_;
  }

  bool Enter() {
    if (++nesting_ > kMaxNesting) Fail(kMsgFormulaTooDeep);
    return failure_ == 0;
  }
  void Leave() { --nesting_; }

  void OrExpression() {
    AndExpression();
    while (!failure_ && Cur() == '|') {
      ++pos_;
      AndExpression();
      Emit(kExprOr);
    }
  }

  void AndExpression() {
    NotExpression();
    while (!failure_ && Cur() == '&') {
      ++pos_;
      NotExpression();
      Emit(kExprAnd);
    }
  }

  void NotExpression() {
    SkipBlanks();
    if (StartsWith(At(), kNot)) {
      pos_ += 2;
      if (!Enter()) return;
      NotExpression();
      Leave();
      Emit(kExprTruth);
      Emit(kExprNot);
    } else {
      Comparison();
    }
  }

  void Comparison() {
    Sum();
    while (!failure_) {
      const NameEntry* found = nullptr;
      for (const NameEntry& e : kComparisons) {
        if (StartsWith(At(), e.name)) {
          found = &e;
          break;
        }
      }
      if (!found) break;
      pos_ += static_cast<int32_t>(std::strlen(found->name));
      Sum();
      Emit(found->code);
    }
  }

  void Sum() {
    Term();
    while (!failure_ && (Cur() == '+' || Cur() == '-')) {
      uint16_t op = Cur() == '+' ? kExprAdd : kExprSubtract;
      ++pos_;
      Term();
      Emit(op);
    }
  }

  void Term() {
    Factor();
    while (!failure_) {
      uint16_t op;
      if (Cur() == '*')
        op = kExprMultiply;
      else if (Cur() == '/')
        op = kExprDivide;
      else if (Cur() == ':')
        op = kExprRemainder;
      else
        break;
      ++pos_;
      Factor();
      Emit(op);
    }
  }

  void Factor() {
    if (!Enter()) return;
    SkipBlanks();
    while (Cur() == '+') {
      ++pos_;
      SkipBlanks();
    }
    if (Cur() == '-') {
      ++pos_;
      Factor();
      Emit(kExprNegate);
    } else {
      Primary();
      if (!failure_ && (Cur() == '^' || StartsWith(At(), "**"))) {
        pos_ += Cur() == '^' ? 1 : 2;
        Factor();  // right-associative: 2^3^2 is 2^9
        Emit(kExprPower);
      }
    }
    Leave();
  }

  void Primary() {
    SkipBlanks();
    int32_t length = 0;
    int32_t row = LongestVariable(true, &length);
    if (row >= 0) {
      PushVariable(row, length);
      return;
    }
    for (const NameEntry& e : kFunctions) {
      length = MatchNoCase(At(), e.name);
      if (length >= 0) {
        ReplaceName(length, e.name);
        Function(e.code);
        return;
      }
    }
    row = LongestVariable(false, &length);
    if (row >= 0) {
      PushVariable(row, length);
      return;
    }
    ParsePrimary();
  }

  void PushVariable(int32_t row, int32_t length) {
    ReplaceName(length, RowName(row).name);
    Emit(static_cast<uint16_t>(kExprPushVariable | row));
    SkipBlanks();
  }

  void Function(uint16_t code) {
    int32_t startDepth = depth_;
    switch (code) {
      case kExprMax:
      case kExprMin:
        OrExpression();
        while (!failure_ && Cur() == ';') {
          ++pos_;
          OrExpression();
          Emit(code);
        }
        break;
      case kExprIf:
        OrExpression();
        for (int32_t i = 0; i < 2; ++i) {
          if (!failure_ && Cur() == ';') {
            ++pos_;
            OrExpression();
          } else {
            PushConstant(kNaN);
          }
        }
        Emit(kExprIf);
        break;
      case kExprRandom:
        Emit(kExprRandom);
        break;
      default:
        Factor();
        Emit(code);
        break;
    }
    if (Cur() == ')' && depth_ > startDepth) {
      ++pos_;
      --depth_;
    }
    SkipBlanks();
  }

  void ParsePrimary() {
    double value;
    char c = Cur();
    if (c == '(' || c == '[' || c == '{') {
      char close = c == '(' ? ')' : (c == '[' ? ']' : '}');
      ++pos_;
      ++depth_;
      OrExpression();
      if (Cur() == close) {
        ++pos_;
        --depth_;
        SkipBlanks();
      }
      return;
    }
    if (StartsWith(At(), "0x") || c == '$') {
      pos_ += c == '$' ? 1 : 2;
      value = RadixNumber(16);
    } else if (c == '#') {
      ++pos_;
      value = RadixNumber(8);
    } else if ((c >= '0' && c <= '9') || c == '.' || c == ',') {
      value = DecimalNumber(true);
    } else if (MatchNoCase(At(), "pi") == 2) {
      ReplaceName(2, "pi");
      value = 3.141592653589793;
    } else if (StartsWith(At(), kPi)) {
      pos_ += 2;
      value = 3.141592653589793;
    } else {
      value = kNaN;  // nothing is consumed: reading stops here
    }
    if (Cur() == '%') {
      ++pos_;
      value /= 100;
    }
    PushConstant(value);
    SkipBlanks();
  }

  // Digits of base 16 or 8 in 32 bits read as signed; "." or "," starts the fraction.
  double RadixNumber(uint32_t base) {
    uint32_t accumulator = 0;
    int32_t fractionDigits = 0;
    bool fraction = false;
    for (;;) {
      char c = Cur();
      uint32_t digit;
      if (c >= '0' && c <= '9')
        digit = static_cast<uint32_t>(c - '0');
      else if (c >= 'a' && c <= 'f')
        digit = static_cast<uint32_t>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F')
        digit = static_cast<uint32_t>(c - 'A' + 10);
      else
        digit = 99;
      if (digit < base) {
        accumulator = accumulator * base + digit;
        if (fraction) ++fractionDigits;
      } else if ((c == '.' || c == ',') && !fraction) {
        fraction = true;
      } else if (c != ' ') {
        break;
      }
      ++pos_;
    }
    return static_cast<int32_t>(accumulator) *
           PowAccurate(static_cast<double>(base), -fractionDigits);
  }

  // Digits, decimal marks (the last one counts) and skipped group separators, then ParseDouble;
  // with withExponent an "E" followed by a digit or sign scales by a power of ten.
  double DecimalNumber(bool withExponent) {
    SeparatorPair separators = SeparatorsGet();
    uint32_t thousands = separators.thousands ? separators.thousands : ' ';
    char digits[kMaxNumberChars + 1];
    int32_t n = 0;
    int32_t mark = -1;
    for (int32_t examined = 0; examined < kMaxNumberChars; ++examined) {
      char c = Cur();
      if (c == 0) break;
      const char* p = At();
      uint32_t unit = Utf8Decode(p);
      int32_t unitLength = unit ? Utf8EncodedLen(unit) : 1;
      if (c >= '0' && c <= '9') {
        digits[n++] = c;
      } else if (c == '.' || c == ',' || (unit && unit == separators.decimal)) {
        if (mark >= 0) {
          std::memmove(digits + mark, digits + mark + 1, static_cast<size_t>(n - mark - 1));
          --n;
        }
        mark = n;
        digits[n++] = '.';
      } else if (c == ' ' || StartsWith(p, kNbsp) || (unit && unit == thousands)) {
        // group separators carry no value
      } else if (withExponent && (c == 'E' || c == 'e') &&
                 ((p[1] >= '0' && p[1] <= '9') || p[1] == '+' || p[1] == '-')) {
        ++pos_;
        double sign = 1;
        for (;;) {
          if (Cur() == ' ' || Cur() == '+')
            ++pos_;
          else if (StartsWith(At(), kNbsp))
            pos_ += 2;
          else if (Cur() == '-') {
            sign = -sign;
            ++pos_;
          } else
            break;
        }
        return ScaledNumber(digits, n, sign * DecimalNumber(false));
      } else {
        break;
      }
      pos_ += unitLength;
    }
    return ParseDouble(digits, n);
  }

  // --- Names ---------------------------------------------------------------------------------

  struct Name {
    char name[kExprNameRowSize + 1];
  };
  Name RowName(int32_t row) const {
    Name n;
    std::memcpy(n.name, rows_ + int64_t{row} * kExprNameRowSize, kExprNameRowSize);
    n.name[kExprNameRowSize] = 0;
    return n;
  }

  // The row of the longest variable name that begins the text: of more than two characters when
  // longNames, else of one or two. -1 when none.
  int32_t LongestVariable(bool longNames, int32_t* length) const {
    int32_t best = -1;
    int32_t bestChars = 0;
    for (int32_t row = 0; row < variableCount_; ++row) {
      Name n = RowName(row);
      int32_t chars = Utf8CharCount(n.name);
      if (chars == 0 || (chars > 2) != longNames || chars <= bestChars) continue;
      int32_t matched = MatchNoCase(At(), n.name);
      if (matched < 0) continue;
      best = row;
      bestChars = chars;
      *length = matched;
    }
    return best;
  }

  // Writes the name's table form over the length bytes at the cursor and moves past it; when
  // a longer form does not fit, the typed form stays.
  void ReplaceName(int32_t length, const char* name) {
    int32_t n = static_cast<int32_t>(std::strlen(name));
    pos_ += TextBufReplaceBytes(text_, pos_, length, name, n) ? n : length;
  }

  // --- Emitting ------------------------------------------------------------------------------

  void Fail(int32_t message) {
    if (!failure_) failure_ = message;
  }

  void PushConstant(double value) {
    if (failure_) return;
    if (constCount_ >= kExprMaxConstants) {
      Fail(kMsgFormulaManyNumbers);
      return;
    }
    consts_[constCount_] = value;
    Emit(static_cast<uint16_t>(kExprPushConstant | constCount_));
    if (!failure_) ++constCount_;
  }

  void Emit(uint16_t op) {
    if (failure_) return;
    if (opCount_ >= kExprMaxOperations - 1) {  // the end operation needs the last place
      Fail(kMsgFormulaTooLong);
      return;
    }
    ops_[opCount_++] = op;
    while (Rewrite() || Fold()) {
    }
  }

  void Replace(int32_t at, int32_t count, std::initializer_list<uint16_t> with) {
    int32_t n = static_cast<int32_t>(with.size());
    std::memmove(ops_ + at + n, ops_ + at + count, sizeof(uint16_t) * (opCount_ - at - count));
    int32_t i = at;
    for (uint16_t op : with) ops_[i++] = op;
    opCount_ += n - count;
  }

  // The first pair of neighbouring operators that a rule simplifies, from the program's start.
  // Only rules that keep the program's value are here: sqrt of a square is its magnitude and the
  // logarithm of a power is the exponent, but the square of a square root, or e to the logarithm,
  // has no value for a negative operand, so those pairs stay.
  bool Rewrite() {
    for (int32_t i = 0; i + 1 < opCount_; ++i) {
      uint16_t a = ops_[i];
      uint16_t b = ops_[i + 1];
      if (IsPush(a) || IsPush(b)) continue;
      switch (a) {
        case kExprAbs:
          if (b == kExprAbs || b == kExprSqr) return Replace(i, 2, {b}), true;
          break;
        case kExprSign:
          if (b == kExprSign) return Replace(i, 2, {b}), true;
          break;
        case kExprNegate:
          if (b == kExprAdd) return Replace(i, 2, {kExprSubtract}), true;
          if (b == kExprSubtract) return Replace(i, 2, {kExprAdd}), true;
          if (b == kExprMultiply || b == kExprDivide) return Replace(i, 2, {b, kExprNegate}), true;
          if (b == kExprAbs || b == kExprSqr) return Replace(i, 2, {b}), true;
          if (b == kExprNegate) return Replace(i, 2, {}), true;
          break;
        case kExprSqrt:
          if (b == kExprAbs) return Replace(i, 2, {kExprSqrt}), true;
          break;
        case kExprSqr:
          if (b == kExprAbs) return Replace(i, 2, {kExprSqr}), true;
          if (b == kExprSqrt) return Replace(i, 2, {kExprAbs}), true;
          break;
        case kExprExp:
          if (b == kExprLn) return Replace(i, 2, {}), true;
          break;
        case kExprExp2:
          if (b == kExprLg) return Replace(i, 2, {}), true;
          break;
        case kExprExp10:
          if (b == kExprLog10) return Replace(i, 2, {}), true;
          break;
        case kExprTruth:
          if (b == kExprAnd || b == kExprOr || b == kExprTruth) return Replace(i, 2, {b}), true;
          break;
        case kExprNot:
          if (b == kExprTruth) return Replace(i, 2, {kExprNot}), true;
          if (b == kExprNot) return Replace(i, 2, {}), true;
          break;
        default:
          if (a >= kExprEqual && a <= kExprOr && b == kExprTruth) return Replace(i, 2, {a}), true;
          break;
      }
    }
    return false;
  }

  // Computes the last operation now when all its operands are constant pushes.
  bool Fold() {
    if (opCount_ < 2) return false;
    uint16_t op = ops_[opCount_ - 1];
    if (IsPush(op)) return false;
    int32_t operands;
    if (op >= kExprAbs && op <= kExprRound)
      operands = 1;
    else if ((op >= kExprAdd && op <= kExprPower) || op == kExprMax || op == kExprMin ||
             op == kExprAnd || op == kExprOr)
      operands = 2;
    else
      return false;
    if (opCount_ < operands + 1) return false;
    for (int32_t i = 0; i < operands; ++i) {
      if (!IsConstantPush(ops_[opCount_ - 2 - i])) return false;
    }
    double t = consts_[ops_[opCount_ - 2] & ~kExprPushConstant];
    double value = operands == 1 ? formula_ops::Unary(op, t)
                                 : formula_ops::Binary(
                                       op, consts_[ops_[opCount_ - 3] & ~kExprPushConstant], t);
    opCount_ -= operands + 1;
    int32_t highest = -1;
    for (int32_t i = 0; i < opCount_; ++i) {
      if (IsConstantPush(ops_[i]))
        highest = std::max(highest, int32_t{ops_[i] & ~kExprPushConstant});
    }
    constCount_ = highest + 1;
    consts_[constCount_] = value;
    ops_[opCount_++] = static_cast<uint16_t>(kExprPushConstant | constCount_);
    ++constCount_;
    return true;
  }

  int32_t MaxStackDepth() const {
    int32_t depth = 0;
    int32_t deepest = 0;
    for (int32_t i = 0; i < opCount_; ++i) {
      uint16_t op = ops_[i];
      if (op == kExprEnd) break;
      depth += IsPush(op) ? 1 : 1 - formula_ops::OperandCount(op);
      deepest = std::max(deepest, depth);
    }
    return deepest;
  }

  T_TextBuf* text_;
  int32_t pos_ = 0;
  int32_t depth_ = 0;
  int32_t nesting_ = 0;
  int32_t failure_ = 0;
  const char* rows_ = nullptr;
  int32_t variableCount_ = 0;
  int32_t opCount_ = 0;
  int32_t constCount_ = 0;
  uint16_t ops_[kExprMaxOperations];
  double consts_[kExprMaxConstants];
};

}  // namespace

void Expr_Init(ExprProgram** holder) { *holder = nullptr; }

void MemFreeHeld(ExprProgram** holder) {
  MemFree(*holder);
  *holder = nullptr;
}

ExprProgram* Expr_Compile(ExprProgram** holder, T_TextBuf* text, const void* variableTable) {
  MemFreeHeld(holder);
  if (text->length == 0) return nullptr;
  T_TextBuf original(*text);
  // The compiler's tables are too large for a deep caller's stack frame.
  auto* compiler = static_cast<Compiler*>(MemNew(sizeof(Compiler)));
  if (!compiler) return nullptr;
  new (compiler) Compiler(text, variableTable);
  compiler->Run();
  ExprProgram* program = nullptr;
  if (compiler->failure()) {
    TextBufAssignBuf(text, &original);
    PendingErrorSet(compiler->failure());
  } else if (!compiler->empty()) {
    program = compiler->Build();
  }
  compiler->~Compiler();
  MemFree(compiler);
  *holder = program;
  return program;
}

bool Criteria_UsesId(ExprProgram* const* holder, int32_t index) {
  const ExprProgram* program = *holder;
  if (!program || index < 0 || index > kExprIndexMask) return false;
  const uint16_t* ops = ExprOperations(program);
  for (uint32_t i = 0; i < program->operationCount; ++i) {
    if ((ops[i] & kExprPushVariable) && (ops[i] & kExprIndexMask) == index) return true;
  }
  return false;
}

int32_t Expr_TokenLength(const char* text) {
  if (!text || !*text) return 0;
  for (const NameEntry& e : kFunctions) {
    int32_t length = MatchNoCase(text, e.name);
    if (length >= 0 && (text[length] == ' ' || text[length] == '(')) return length;
  }
  for (const NameEntry& e : kComparisons) {
    if (StartsWith(text, e.name)) return static_cast<int32_t>(std::strlen(e.name));
  }
  if (*text == '&' || *text == '|') return 1;
  if (StartsWith(text, kNot)) return 2;
  if (std::strchr("+-*/:^", *text)) return 1;
  return 0;
}

double Expr_Evaluate(const char* text) {
  if (!text || !*text) return kNaN;
  T_TextBuf buffer(text);
  ExprProgram* program = nullptr;
  Expr_Compile(&program, &buffer, nullptr);
  double value = Expr_Run(&program, nullptr);
  MemFreeHeld(&program);
  return value;
}
