#pragma once
// The arithmetic of the formula operators, shared by the evaluator and by the compiler's
// constant folding so that a folded constant is exactly what the program would have computed.
#include <cmath>
#include <cstdint>

#include "core/formula.h"
#include "core/precise_math.h"

namespace formula_ops {

inline double Sign(double t) { return t > 0 ? 1.0 : (t < 0 ? -1.0 : 0.0); }
inline double Negate(double t) { return -0.0 - t; }
inline double IntPart(double t) { return t >= 0 ? std::floor(t) : std::ceil(t); }
inline double FracPart(double t) { return t >= 0 ? t - std::floor(t) : t - std::ceil(t); }
inline double Round(double t) { return std::floor(t + 0.5); }
inline double Exp10(double t) { return Exp10Accurate(t); }
inline double Max(double s, double t) { return s > t ? s : t; }
inline double Min(double s, double t) { return s < t ? s : t; }
inline double Truth(bool b) { return b ? 1.0 : 0.0; }
inline double Equal(double s, double t) {
  return Truth(s == t || (std::isnan(s) && std::isnan(t)));
}
inline double NotEqual(double s, double t) {
  return Truth(s != t && !std::isnan(s) && !std::isnan(t));
}

// Operators of one operand (7..28, 40, 41).
inline double Unary(uint16_t op, double t) {
  switch (op) {
    case kExprAbs:
      return std::fabs(t);
    case kExprSign:
      return Sign(t);
    case kExprNegate:
      return Negate(t);
    case kExprSqrt:
      return std::sqrt(t);
    case kExprSqr:
      return t * t;
    case kExprExp:
      return std::exp(t);
    case kExprExp2:
      return std::exp2(t);
    case kExprExp10:
      return Exp10(t);
    case kExprLn:
      return std::log(t);
    // log2 rather than ln t / ln 2, which misses whole powers of two such as 2^29 by an ulp.
    case kExprLg:
      return std::log2(t);
    case kExprLog10:
      return std::log10(t);
    case kExprSin:
      return std::sin(t);
    case kExprCos:
      return std::cos(t);
    case kExprTan:
      return std::tan(t);
    case kExprAsin:
      return std::asin(t);
    case kExprAcos:
      return std::acos(t);
    case kExprAtan:
      return std::atan(t);
    case kExprInt:
      return IntPart(t);
    case kExprFrac:
      return FracPart(t);
    case kExprUp:
      return std::ceil(t);
    case kExprDown:
      return std::floor(t);
    case kExprRound:
      return Round(t);
    case kExprTruth:
      return Truth(Expr_IsTrue(t));
    case kExprNot:
      return 1.0 - t;
    default:
      return t;
  }
}

// Operators of two operands (1..6, 29, 30, 32..39): s is the one below the top t.
inline double Binary(uint16_t op, double s, double t) {
  switch (op) {
    case kExprAdd:
      return s + t;
    case kExprSubtract:
      return s - t;
    case kExprMultiply:
      return s * t;
    case kExprDivide:
      return s / t;
    case kExprRemainder:
      return std::fmod(s, t);
    case kExprPower:
      return PowAccurate(s, t);
    case kExprMax:
      return Max(s, t);
    case kExprMin:
      return Min(s, t);
    case kExprEqual:
      return Equal(s, t);
    case kExprNotEqual:
      return NotEqual(s, t);
    case kExprGreater:
      return Truth(s > t);
    case kExprGreaterEqual:
      return Truth(s >= t);
    case kExprLess:
      return Truth(s < t);
    case kExprLessEqual:
      return Truth(s <= t);
    case kExprAnd:
      return Truth(Expr_IsTrue(s) && Expr_IsTrue(t));
    case kExprOr:
      return Truth(Expr_IsTrue(s) || Expr_IsTrue(t));
    default:
      return t;
  }
}

// How many operands an operator takes from the stack, and whether it leaves a value: the
// compiler's depth count and its folding both go by this.
inline int32_t OperandCount(uint16_t op) {
  if (op == kExprIf) return 3;
  if (op == kExprRandom) return 0;
  if ((op >= kExprAdd && op <= kExprPower) || op == kExprMax || op == kExprMin ||
      (op >= kExprEqual && op <= kExprOr)) {
    return 2;
  }
  return 1;
}

}  // namespace formula_ops
