#pragma once
// Formulas: arithmetic typed by users (computed components, value columns, function templates,
// import settings), compiled once into a postfix program and run many times over changing
// variable values. NaN is the missing value throughout; it spreads through arithmetic and reads
// as false in the logical operators.
//
// Compiled program, one MemAlloc block owned by a one-pointer holder (null = no program):
//
//   offset        size      meaning
//   0             4         u32 number of operations, the final end operation included
//   4             4         i32 number of constants k
//   8             8 k       the constants, doubles
//   8 + 8 k       2 n       the operations, u16 each, in postfix order, ending with operation 0
//
// Operation word: 0..42 an operator (ExprOp), 0x4000 | i pushes constant i, 0x8000 | v pushes
// variable v (the low 12 bits).
//
// Variable table, supplied by the caller: a 32-bit count followed by rows of 32 bytes, each
// beginning with a NUL-terminated UTF-8 name; the row number is the variable's index. Rows from
// 4096 on cannot be addressed by an operation word and are ignored. Null means no variables.
//
// A program never needs more than 80 places of evaluation stack, 128 constants or 2048
// operations: the compiler refuses longer or deeper formulas (see Expr_Compile).
#include <cstdint>

#include "core/text_buffer.h"

enum ExprOp : uint16_t {
  kExprEnd = 0,
  kExprAdd = 1,
  kExprSubtract = 2,
  kExprMultiply = 3,
  kExprDivide = 4,
  kExprRemainder = 5,
  kExprPower = 6,
  kExprAbs = 7,
  kExprSign = 8,
  kExprNegate = 9,
  kExprSqrt = 10,
  kExprSqr = 11,
  kExprExp = 12,
  kExprExp2 = 13,
  kExprExp10 = 14,
  kExprLn = 15,
  kExprLg = 16,
  kExprLog10 = 17,
  kExprSin = 18,
  kExprCos = 19,
  kExprTan = 20,
  kExprAsin = 21,
  kExprAcos = 22,
  kExprAtan = 23,
  kExprInt = 24,
  kExprFrac = 25,
  kExprUp = 26,
  kExprDown = 27,
  kExprRound = 28,
  kExprMax = 29,
  kExprMin = 30,
  kExprIf = 31,
  kExprEqual = 32,
  kExprNotEqual = 33,
  kExprGreater = 34,
  kExprGreaterEqual = 35,
  kExprLess = 36,
  kExprLessEqual = 37,
  kExprAnd = 38,
  kExprOr = 39,
  kExprTruth = 40,
  kExprNot = 41,
  kExprRandom = 42,
};

constexpr uint16_t kExprPushConstant = 0x4000;
constexpr uint16_t kExprPushVariable = 0x8000;
constexpr uint16_t kExprIndexMask = 0x0FFF;

constexpr int32_t kExprNameRowSize = 32;
constexpr int32_t kExprMaxVariables = 4096;
constexpr int32_t kExprMaxConstants = 128;
constexpr int32_t kExprMaxOperations = 2048;  // the end operation included
constexpr int32_t kExprStackSize = 80;

// Messages of a refused formula (text ids), left in the pending error.
constexpr int32_t kMsgFormulaTooLong = 2130;      // "The formula is too long."
constexpr int32_t kMsgFormulaTooDeep = 2131;      // "The formula is nested too deeply."
constexpr int32_t kMsgFormulaManyNumbers = 2132;  // "The formula holds too many numbers."

struct ExprProgram {
  uint32_t operationCount;
  int32_t constantCount;
  // constantCount doubles follow, then operationCount operation words.
};

inline const double* ExprConstants(const ExprProgram* program) {
  return reinterpret_cast<const double*>(program + 1);
}
inline const uint16_t* ExprOperations(const ExprProgram* program) {
  return reinterpret_cast<const uint16_t*>(ExprConstants(program) + program->constantCount);
}

// A value is true when its magnitude exceeds 0.00001; NaN is false.
inline bool Expr_IsTrue(double value) { return value > 0.00001 || value < -0.00001; }

void Expr_Init(ExprProgram** holder);
void MemFreeHeld(ExprProgram** holder);

// Frees the holder's old program, compiles the text against the variable table, stores the new
// program in the holder and returns it. The text is normalised in place: names take the form of
// the variable table and the function table, whatever follows the last part that could be read
// is cut off, and one ")" is appended per bracket left open. An empty text, or one where nothing
// could be read, gives no program (null) and no error.
//
// A formula whose program would exceed the limits above (80 stack places, 128 constants, 2048
// operations) or whose brackets and signs nest deeper than the compiler follows is refused:
// null, the text left as it was given, and the pending error set to kMsgFormulaTooLong,
// kMsgFormulaTooDeep or kMsgFormulaManyNumbers. Out of memory: null with pending error 600.
ExprProgram* Expr_Compile(ExprProgram** holder, T_TextBuf* text, const void* variableTable);

// True when the program pushes variable index; false for no program or a negative index.
bool Criteria_UsesId(ExprProgram* const* holder, int32_t index);

// Length in bytes of the operator or function name at the start of the text: a function name
// counts only when a blank or "(" follows it; else a comparison, else "&", "|" or "¬"; else 1 for
// one of "+-*/:^"; else 0. Null gives 0.
int32_t Expr_TokenLength(const char* text);

// The program's value over the variable values (indexed by variable index); NaN for no program.
// Allocates nothing and checks nothing: the program comes from Expr_Compile. Re-entrant, but
// "ran" draws from the process-wide generator, which belongs to the user-interface thread.
double Expr_Run(ExprProgram* const* holder, const double* values);

// The value of a formula text without variables ("12*3", "15%"); NaN for null, an empty text or
// a refused formula.
double Expr_Evaluate(const char* text);
