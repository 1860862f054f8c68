#include "core/formula.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "core/alert.h"
#include "core/threads.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::vector<char> NameTable(std::initializer_list<const char*> names) {
  std::vector<char> table(4 + kExprNameRowSize * names.size(), 0);
  int32_t count = static_cast<int32_t>(names.size());
  std::memcpy(table.data(), &count, 4);
  int32_t row = 0;
  for (const char* name : names) std::strcpy(table.data() + 4 + kExprNameRowSize * row++, name);
  return table;
}

// Values of NaN compare equal; finite values within a few ulps.
void ExpectSameValue(double expected, double actual, const std::string& text) {
  if (std::isnan(expected)) {
    EXPECT_TRUE(std::isnan(actual)) << text << " gave " << actual;
  } else if (std::isinf(expected)) {
    EXPECT_EQ(expected, actual) << text;
  } else {
    EXPECT_DOUBLE_EQ(expected, actual) << text;
  }
}

class FormulaTest : public testing::Test {
 protected:
  void SetUp() override { PendingErrorClear(); }
  void TearDown() override {
    MemFreeHeld(&program_);
    PendingErrorClear();
  }

  // Compiles with the fixture's variables and returns the normalised text.
  std::string Compile(const char* text) {
    T_TextBuf buffer(text);
    Expr_Compile(&program_, &buffer, table_.data());
    return buffer.c_str();
  }
  double Run() { return Expr_Run(&program_, values_); }
  std::vector<uint16_t> Operations() const {
    const uint16_t* ops = ExprOperations(program_);
    return std::vector<uint16_t>(ops, ops + program_->operationCount);
  }

  std::vector<char> table_ = NameTable({"x", "y", "Total", "a", "n1", "n2", "Über"});
  double values_[7] = {2, -1, 10, 0.5, kNaN, kNaN, 3};
  ExprProgram* program_ = nullptr;
};

TEST_F(FormulaTest, NormalisesAndEvaluates) {
  struct Case {
    const char* text;
    const char* normalised;
    double value;
  };
  const Case cases[] = {
      // names take the table's form; reading stops where nothing more can be read
      {"SQRT(16)", "sqrt(16)", 4},
      {"TOTAL * X", "Total * x", 20},
      {"über+1", "Über+1", 4},
      {"Pi", "pi", 3.141592653589793},
      {"π*2", "π*2", 2 * 3.141592653589793},
      {"2 + qqq", "2 + ", kNaN},
      {"Max(1;5;3)", "max(1;5;3)", 5},
      {"min 4;x", "min 4;x", 2},
      {"if(x>0;1)", "if(x>0;1)", 1},
      {"if(y>0;1)", "if(y>0;1)", kNaN},
      {"IF(y;10;20)", "if(y;10;20)", 10},
      {"(1+2", "(1+2)", 3},
      {"[1+2)", "[1+2)", 3},
      {"{x*(y+1}", "{x*(y+1})", 0},
      {"1+2)*3", "1+2", 3},
      // numbers
      {"50%", "50%", 0.5},
      {"0x1F", "0x1F", 31},
      {"$ff", "$ff", 255},
      {"#17", "#17", 15},
      {"$a.8", "$a.8", 10.5},
      {"1,5", "1,5", 1.5},
      {"1.5", "1.5", 1.5},
      {"1.000,5", "1.000,5", 1000.5},
      {"1 000", "1 000", 1000},
      {"2 3", "2 3", 23},
      {"2E3", "2E3", 2000},
      {"2e-3", "2e-3", 0.002},
      {"2E", "2", 2},
      {".5", ".5", 0.5},
      // operators, precedence and associativity
      {"1+2*3", "1+2*3", 7},
      {"7:3", "7:3", 1},
      {"-7:3", "-7:3", -1},
      {"2^0.5", "2^0.5", std::sqrt(2.0)},
      {"-2^2", "-2^2", -4},
      {"2^-1", "2^-1", 0.5},
      {"2**3", "2**3", 8},
      {"2^3^2", "2^3^2", 512},
      {"++3", "++3", 3},
      {"--x", "--x", 2},
      {"x - -y", "x - -y", 1},
      {"1<2", "1<2", 1},
      {"2=>2", "2=>2", 1},
      {"1 != 1", "1 != 1", 0},
      {"1≠2", "1≠2", 1},
      {"1<2<3", "1<2<3", 1},
      {"¬0", "¬0", 1},
      {"¬¬a", "¬¬a", 1},
      {"1&0|2", "1&0|2", 1},
      {"0.000001|0", "0.000001|0", 0},
      // division by zero and invalid arithmetic follow floating point
      {"1/0", "1/0", kInf},
      {"-1/0", "-1/0", -kInf},
      {"0/0", "0/0", kNaN},
      {"ln(0)", "ln(0)", -kInf},
      {"sqrt(-1)", "sqrt(-1)", kNaN},
      {"asin 2", "asin 2", kNaN},
      // the functions
      {"abs -3", "abs -3", 3},
      {"sign(y)", "sign(y)", -1},
      {"exp 0", "exp 0", 1},
      {"exp2(10)", "exp2(10)", 1024},
      {"exp10(2)", "exp10(2)", 100},
      {"ln(exp(2))", "ln(exp(2))", 2},
      {"lg(536870912)", "lg(536870912)", 29},
      {"log2 8", "log2 8", 3},
      {"log 1000", "log 1000", 3},
      {"log10(0.01)", "log10(0.01)", -2},
      {"sin(0)+cos(0)+tan(0)", "sin(0)+cos(0)+tan(0)", 1},
      {"atan(1)*4", "atan(1)*4", 3.141592653589793},
      {"asin(1)+acos(1)", "asin(1)+acos(1)", std::asin(1.0)},
      {"sqr 3", "sqr 3", 9},
      {"√9", "√9", 3},
      {"int(-2.5)", "int(-2.5)", -2},
      {"frac(-2.5)", "frac(-2.5)", -0.5},
      {"round(-2.5)", "round(-2.5)", -2},
      {"up(-2.5)", "up(-2.5)", -2},
      {"down(-2.5)", "down(-2.5)", -3},
      {"»2.1+«2.9+≈2.5", "»2.1+«2.9+≈2.5", 3 + 2 + 3},
      {"if(0.000001;1;2)", "if(0.000001;1;2)", 2},
      {"if(0.0001;1;2)", "if(0.0001;1;2)", 1},
      // NaN as the missing value
      {"n1+1", "n1+1", kNaN},
      {"n1=n2", "n1=n2", 1},
      {"n1<>n2", "n1<>n2", 0},
      {"n1<>1", "n1<>1", 0},
      {"n1>=n1", "n1>=n1", 0},
      {"max(n1;1)", "max(n1;1)", 1},
      {"max(1;n1)", "max(1;n1)", kNaN},
      {"if(n1;1;2)", "if(n1;1;2)", 2},
      {"sign(n1)", "sign(n1)", 0},
      {"int(n1)+frac(n1)", "int(n1)+frac(n1)", kNaN},
      {"¬n1", "¬n1", 1},
      // rewrites never give a value where the formula has none
      {"sqr(sqrt(-4))", "sqr(sqrt(-4))", kNaN},
      {"exp(ln(-2))", "exp(ln(-2))", kNaN},
      {"exp2(lg(y))", "exp2(lg(y))", kNaN},
      {"exp10(log10(y))", "exp10(log10(y))", kNaN},
      {"sqr(sqrt(y))", "sqr(sqrt(y))", kNaN},
      {"sqrt(sqr(y))", "sqrt(sqr(y))", 1},
      {"n1-n1", "n1-n1", kNaN},
      {"(x-2)/(x-2)", "(x-2)/(x-2)", kNaN},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Compile(c.text), c.normalised) << c.text;
    ExpectSameValue(c.value, Run(), c.text);
    EXPECT_FALSE(AbortRequested()) << c.text;
  }
}

TEST_F(FormulaTest, PowersOfTenGiveTheNearestDouble) {
  // bit for bit the value of the number written out: a typed "1e-3" must equal 0.001
  const struct {
    const char* text;
    double value;
  } cases[] = {{"1e-3", 0.001},       {"2,5E-7", 2.5e-7},      {"3e-1", 0.3},
               {"1e300", 1e300},      {"1.5e+2%", 1.5},        {"exp10(-2)", 0.01},
               {"exp10(-x)", 0.01},   {"10^-3", 0.001},        {"10^(0-300)", 1e-300},
               {"exp10(126)", 1e126}, {"exp10(-300)", 1e-300}, {"(0-2)^3", -8}};
  for (const auto& c : cases) {
    Compile(c.text);
    EXPECT_EQ(Run(), c.value) << c.text;
  }
}

TEST_F(FormulaTest, EmptyOrUnreadableTextGivesNoProgram) {
  for (const char* text : {"", "qqq", ")"}) {
    Compile(text);
    EXPECT_EQ(program_, nullptr) << text;
    ExpectSameValue(kNaN, Run(), text);
  }
  EXPECT_FALSE(AbortRequested());
}

TEST_F(FormulaTest, LongVariableNamesComeBeforeFunctionNames) {
  table_ = NameTable({"exp1", "e"});
  values_[0] = 7;
  EXPECT_EQ(Compile("exp10"), "exp1");
  EXPECT_EQ(Run(), 7);
  // a one-letter variable comes after the functions
  EXPECT_EQ(Compile("exp(0)+E"), "exp(0)+e");
  EXPECT_EQ(Run(), 1 + values_[1]);
  table_ = NameTable({});
  EXPECT_EQ(Compile("exp10 2"), "exp10 2");
  EXPECT_EQ(Run(), 100);
}

TEST_F(FormulaTest, SimplifiesWhileKeepingTheValue) {
  struct Case {
    const char* text;
    std::vector<uint16_t> operations;
  };
  const uint16_t x = kExprPushVariable | 0, y = kExprPushVariable | 1, c0 = kExprPushConstant;
  const Case cases[] = {
      {"SQRT(16)", {c0, kExprEnd}},
      {"1+2*3-4", {c0, kExprEnd}},
      {"--x", {x, kExprEnd}},
      {"x+-y", {x, y, kExprSubtract, kExprEnd}},
      {"x*-y", {x, y, kExprMultiply, kExprNegate, kExprEnd}},
      {"abs(abs(-x))", {x, kExprAbs, kExprEnd}},
      {"sqrt(sqr(x))", {x, kExprAbs, kExprEnd}},
      {"ln(exp(x))", {x, kExprEnd}},
      {"exp(ln(x))", {x, kExprLn, kExprExp, kExprEnd}},
      {"¬¬x", {x, kExprTruth, kExprEnd}},
      {"¬(x<y)", {x, y, kExprLess, kExprNot, kExprEnd}},
      {"¬x&y", {x, kExprTruth, kExprNot, y, kExprAnd, kExprEnd}},
      {"ran", {kExprRandom, kExprEnd}},
      {"x>1", {x, c0, kExprGreater, kExprEnd}},
  };
  for (const Case& c : cases) {
    Compile(c.text);
    ASSERT_NE(program_, nullptr) << c.text;
    EXPECT_EQ(Operations(), c.operations) << c.text;
  }
  // folding gives back the constants it used
  Compile("x+(1+2)+(3*4)");
  EXPECT_EQ(program_->constantCount, 2);
}

TEST_F(FormulaTest, RandomFunctionDrawsFromTheGenerator) {
  Compile("ran");
  RandomSeed(1);
  EXPECT_EQ(Run(), 75 / 2147483647.0);
  EXPECT_EQ(Run(), 75 * 75 / 2147483647.0);
  Compile("ran+ran");
  RandomSeed(1);
  EXPECT_EQ(Run(), (75 + 75 * 75) / 2147483647.0);
}

TEST_F(FormulaTest, UsesIdFindsVariablePushesOnly) {
  Compile("Total+3");
  EXPECT_TRUE(Criteria_UsesId(&program_, 2));
  EXPECT_FALSE(Criteria_UsesId(&program_, 0));  // the constant 3 is not variable 0
  EXPECT_FALSE(Criteria_UsesId(&program_, -1));
  MemFreeHeld(&program_);
  EXPECT_FALSE(Criteria_UsesId(&program_, 2));
}

std::string Nested(int depth) {
  std::string text;
  for (int i = 0; i < depth; ++i) text += "x+(";
  text += "x";
  text += std::string(static_cast<size_t>(depth), ')');
  return text;
}

std::string Repeated(const char* part, int count, const char* last) {
  std::string text;
  for (int i = 0; i < count; ++i) text += part;
  return text + last;
}

TEST_F(FormulaTest, RefusesFormulasBeyondTheLimits) {
  struct Case {
    std::string text;
    int32_t message;  // 0: compiles
  };
  const Case cases[] = {
      {Nested(79), 0},  // 80 values on the stack: the evaluator's full depth
      {Nested(80), kMsgFormulaTooDeep},
      {std::string(300, '(') + "1", kMsgFormulaTooDeep},
      {std::string(300, '-') + "x", kMsgFormulaTooDeep},
      {Repeated("x+", 1023, "x"), 0},  // 2047 operations and the end
      {Repeated("x+", 1024, "x"), kMsgFormulaTooLong},
      {Repeated("x+1+", 127, "x"), 0},
      {Repeated("x+1+", 129, "x"), kMsgFormulaManyNumbers},
      {Repeated("1+", 5000, "1"), 0},  // constants fold as they come
  };
  for (const Case& c : cases) {
    PendingErrorClear();
    std::string normalised = Compile(c.text.c_str());
    EXPECT_EQ(normalised, c.text) << "the text is kept as given";
    EXPECT_EQ(PendingError.request.message, c.message) << c.text.size();
    EXPECT_EQ(program_ == nullptr, c.message != 0) << c.text.size();
  }
  // the deepest accepted program runs within the evaluator's stack
  std::vector<double> ones(7, 1.0);
  Compile(Nested(79).c_str());
  EXPECT_EQ(Expr_Run(&program_, ones.data()), 80);
}

TEST_F(FormulaTest, OutOfMemoryGivesNoProgram) {
  SetHeapFailHook([](size_t) { return false; });
  std::string normalised = Compile("SQRT(x)");
  SetHeapFailHook(nullptr);
  EXPECT_EQ(program_, nullptr);
  EXPECT_EQ(PendingError.request.message, 600);
  EXPECT_EQ(normalised, "SQRT(x)");
}

TEST(FormulaToken, LengthOfOperatorOrFunctionName) {
  struct Case {
    const char* text;
    int32_t length;
  };
  const Case cases[] = {{"sqrt(x)", 4}, {"SQRT x", 4}, {"sqrtx", 0}, {"exp10 (", 5}, {"<=3", 2},
                        {"≠3", 3},      {"&x", 1},     {"¬x", 2},    {"**", 1},      {"x", 0},
                        {"", 0},        {"√(2)", 3},   {"=<", 2}};
  for (const Case& c : cases) EXPECT_EQ(Expr_TokenLength(c.text), c.length) << c.text;
  EXPECT_EQ(Expr_TokenLength(nullptr), 0);
}

TEST(FormulaEvaluate, ValueOfAText) {
  EXPECT_EQ(Expr_Evaluate("12*3"), 36);
  EXPECT_EQ(Expr_Evaluate("15%"), 0.15);
  EXPECT_TRUE(std::isnan(Expr_Evaluate("")));
  EXPECT_TRUE(std::isnan(Expr_Evaluate(nullptr)));
  EXPECT_TRUE(std::isnan(Expr_Evaluate("x")));
}

}  // namespace
