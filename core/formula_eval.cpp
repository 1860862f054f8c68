// The formula evaluator: runs a compiled program in the inner loops of the analysis windows, so
// it allocates nothing and checks nothing. The top of the stack is kept apart in t; the compiler
// has made sure that no program needs more than kExprStackSize places below it.
#include <cassert>
#include <cmath>
#include <limits>

#include "core/formula.h"
#include "core/formula_internal.h"
#include "core/precise_math.h"
#include "core/threads.h"

namespace fo = formula_ops;

double Expr_Run(ExprProgram* const* holder, const double* values) {
  const ExprProgram* program = *holder;
  if (!program) return std::numeric_limits<double>::quiet_NaN();
  const double* constants = ExprConstants(program);
  const uint16_t* op = ExprOperations(program);

  // The frequent single-value formula.
  if (op[1] == kExprEnd) {
    if (op[0] & kExprPushVariable) return values[op[0] & kExprIndexMask];
    if (op[0] & kExprPushConstant) return constants[op[0] & ~kExprPushConstant];
  }

  double stack[kExprStackSize];
  int32_t top = -1;
  double t = std::numeric_limits<double>::quiet_NaN();
  for (;;) {
    uint16_t word = *op++;
    if (word & kExprPushVariable) {
      assert(top + 1 < kExprStackSize);
      stack[++top] = t;
      t = values[word & kExprIndexMask];
      continue;
    }
    if (word & kExprPushConstant) {
      assert(top + 1 < kExprStackSize);
      stack[++top] = t;
      t = constants[word & ~kExprPushConstant];
      continue;
    }
    switch (word) {
      case kExprEnd:
        return t;
      case kExprAdd:
        t = stack[top--] + t;
        break;
      case kExprSubtract:
        t = stack[top--] - t;
        break;
      case kExprMultiply:
        t = stack[top--] * t;
        break;
      case kExprDivide:
        t = stack[top--] / t;
        break;
      case kExprRemainder:
        t = std::fmod(stack[top--], t);
        break;
      case kExprPower:
        t = PowAccurate(stack[top--], t);
        break;
      case kExprAbs:
        t = std::fabs(t);
        break;
      case kExprSign:
        t = fo::Sign(t);
        break;
      case kExprNegate:
        t = fo::Negate(t);
        break;
      case kExprSqrt:
        t = std::sqrt(t);
        break;
      case kExprSqr:
        t = t * t;
        break;
      case kExprExp:
      case kExprExp2:
      case kExprExp10:
      case kExprLn:
      case kExprLg:
      case kExprLog10:
      case kExprSin:
      case kExprCos:
      case kExprTan:
      case kExprAsin:
      case kExprAcos:
      case kExprAtan:
        t = fo::Unary(word, t);
        break;
      case kExprInt:
        t = fo::IntPart(t);
        break;
      case kExprFrac:
        t = fo::FracPart(t);
        break;
      case kExprUp:
        t = std::ceil(t);
        break;
      case kExprDown:
        t = std::floor(t);
        break;
      case kExprRound:
        t = fo::Round(t);
        break;
      case kExprMax:
        t = fo::Max(stack[top--], t);
        break;
      case kExprMin:
        t = fo::Min(stack[top--], t);
        break;
      case kExprIf: {
        double s = stack[top--];
        double condition = stack[top--];
        t = Expr_IsTrue(condition) ? s : t;
        break;
      }
      case kExprEqual:
        t = fo::Equal(stack[top--], t);
        break;
      case kExprNotEqual:
        t = fo::NotEqual(stack[top--], t);
        break;
      case kExprGreater:
        t = fo::Truth(stack[top--] > t);
        break;
      case kExprGreaterEqual:
        t = fo::Truth(stack[top--] >= t);
        break;
      case kExprLess:
        t = fo::Truth(stack[top--] < t);
        break;
      case kExprLessEqual:
        t = fo::Truth(stack[top--] <= t);
        break;
      case kExprAnd: {
        bool s = Expr_IsTrue(stack[top--]);
        t = fo::Truth(s && Expr_IsTrue(t));
        break;
      }
      case kExprOr: {
        bool s = Expr_IsTrue(stack[top--]);
        t = fo::Truth(s || Expr_IsTrue(t));
        break;
      }
      case kExprTruth:
        t = fo::Truth(Expr_IsTrue(t));
        break;
      case kExprNot:
        t = 1.0 - t;
        break;
      case kExprRandom:
        assert(top + 1 < kExprStackSize);
        stack[++top] = t;
        t = RandomNext();
        break;
      default:
        assert(false && "unknown formula operation");
        return std::numeric_limits<double>::quiet_NaN();
    }
  }
}
