#include "core/precise_math.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// Whole exponents up to this size multiply by squaring: at most 2 x 11 roundings of the 64-bit
// extended mantissa, far below half a unit of a double.
constexpr double kSquaringLimit = 2048;

long double PowWhole(long double base, uint64_t n) {
  long double result = 1;
  while (n) {
    if (n & 1) result *= base;
    base *= base;
    n >>= 1;
  }
  return result;
}

}  // namespace

double PowAccurate(double x, double y) {
  if (!std::isfinite(x) || !std::isfinite(y) || x == 0 || y == 0 || x == 1) return std::pow(x, y);
  bool whole = y == std::floor(y);
  if (x < 0 && !whole) return std::pow(x, y);  // no real value
  long double magnitude;
  if (whole && std::fabs(y) <= kSquaringLimit) {
    auto n = static_cast<uint64_t>(std::fabs(y));
    magnitude = PowWhole(std::fabs(static_cast<long double>(x)), n);
    if (y < 0) magnitude = 1 / magnitude;
  } else {
    magnitude =
        std::exp(static_cast<long double>(y) * std::log(std::fabs(static_cast<long double>(x))));
  }
  bool negative = x < 0 && std::fmod(std::fabs(y), 2.0) == 1.0;
  auto result = static_cast<double>(magnitude);
  return negative ? -result : result;
}

double Exp10Accurate(double y) {
  // A whole power of ten is the number "1e<y>": the C library's reading of it is correctly
  // rounded, where even extended-precision squaring can miss by one unit (10^126).
  if (y == std::floor(y) && std::fabs(y) <= 400) {
    char text[16];
    std::snprintf(text, sizeof text, "1e%d", static_cast<int>(y));
    return std::strtod(text, nullptr);
  }
  return PowAccurate(10.0, y);
}
