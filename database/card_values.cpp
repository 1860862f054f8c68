// The value writer of the card records. Digits are the exact decimal digits of the rounded
// double, cut at the last decimal: a value stored with more decimals than its column comes back
// rounded to the column, and one that fits comes back as the same double.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "core/cstring.h"
#include "core/number_text.h"
#include "core/output_stream.h"
#include "core/precise_math.h"
#include "database/card_records.h"

namespace {

constexpr int32_t kDecimalsFloating = 7;
constexpr int32_t kDecimalsMax = 9;  // code 9 (millions) writes nine decimals, code 8 eight
constexpr double kLargestWritten = 1e308;
constexpr double kExponentFrom = 1e17;  // exact in a double
constexpr int32_t kExponentDigits = 15;

constexpr uint64_t kPowersOfTen[15] = {
    1,           10,           100,           1000,           10000,
    100000,      1000000,      10000000,      100000000,      1000000000,
    10000000000, 100000000000, 1000000000000, 10000000000000, 100000000000000};

// The integer part of x (0 <= x < 2^64) and its first n (at most 14) fraction digits as an
// integer, both exact. x is a 53-bit integer times 2^e; below 1e17 with at most nine decimals,
// or in [1, 10) with fourteen, the fraction bits times 10^n stay below 2^128.
uint64_t ExactDigits(double x, int32_t n, uint64_t* fraction) {
  uint64_t raw;
  std::memcpy(&raw, &x, sizeof raw);
  auto biased = static_cast<int32_t>((raw >> 52) & 0x7ff);
  uint64_t bits = raw & ((uint64_t{1} << 52) - 1);
  if (biased != 0) bits |= uint64_t{1} << 52;
  int32_t shift = 1075 - (biased != 0 ? biased : 1);  // x = bits / 2^shift
  *fraction = 0;
  if (shift <= 0) return bits << -shift;
  if (shift >= 128) return 0;  // below 2^-75: no caller asks
  uint64_t integer = shift < 64 ? bits >> shift : 0;
  unsigned __int128 rest = shift < 64 ? bits & ((uint64_t{1} << shift) - 1) : bits;
  *fraction = static_cast<uint64_t>((rest * kPowersOfTen[n]) >> shift);
  return integer;
}

// 0.50001 x 10^-d for each count of decimals d, computed once.
const double* HalfUnits() {
  static const auto table = [] {
    struct Table {
      double values[kDecimalsMax + 1];
    } t;
    for (int32_t d = 0; d <= kDecimalsMax; ++d) t.values[d] = 0.50001 * Exp10Accurate(-d);
    return t;
  }();
  return table.values;
}

// The n fraction digits without their trailing zeros, after "."; nothing when all are zeros.
char* PutFraction(char* out, uint64_t fraction, int32_t n) {
  while (n > 0 && fraction % 10 == 0) {
    fraction /= 10;
    --n;
  }
  if (n == 0) return out;
  *out++ = '.';
  for (int32_t i = n - 1; i >= 0; --i) {
    out[i] = static_cast<char>('0' + fraction % 10);
    fraction /= 10;
  }
  return out + n;
}

char* PutFixed(char* out, double sum, int32_t decimals) {
  uint64_t fraction = 0;
  EmitInt64(&out, static_cast<int64_t>(ExactDigits(sum, decimals, &fraction)));
  return PutFraction(out, fraction, decimals);
}

char* PutExponentForm(char* out, double sum) {
  auto e = static_cast<int32_t>(std::floor(std::log10(sum)));
  // log10 may land on the wrong side of a power of ten.
  if (sum < Exp10Accurate(e)) --e;
  if (sum >= Exp10Accurate(e + 1)) ++e;
  double scaled = sum / Exp10Accurate(e) + 0.5e-14;
  if (scaled >= 10) {
    scaled /= 10;
    ++e;
  }
  uint64_t fraction = 0;
  EmitInt64(&out, static_cast<int64_t>(ExactDigits(scaled, kExponentDigits - 1, &fraction)));
  out = PutFraction(out, fraction, kExponentDigits - 1);
  *out++ = 'e';
  EmitInt64(&out, e);
  return out;
}

}  // namespace

int32_t FormatCardValue(char* buffer, double value, int32_t decimalsCode) {
  char* out = buffer;
  if (value == 0 || !(std::fabs(value) <= kLargestWritten)) {
    *out++ = '0';
  } else {
    if (value < 0) {
      *out++ = '-';
      value = -value;
    }
    if (decimalsCode == kDecimalsFloating) {
      NumFormat format;
      NumFormatInit(&format);
      format.decimalSeparator = '.';
      format.thousandsSeparator = 0;
      FormatDouble(&out, value, &format);
    } else {
      int32_t decimals = decimalsCode >= 0 && decimalsCode <= kDecimalsMax ? decimalsCode : 0;
      double sum = value + HalfUnits()[decimals];
      out = sum < kExponentFrom ? PutFixed(out, sum, decimals) : PutExponentForm(out, sum);
    }
  }
  *out = 0;
  return static_cast<int32_t>(out - buffer);
}

void PutCardValue(T_OStream* stream, double value, int32_t decimalsCode) {
  char text[kCardValueMax];
  stream->PutBytes(text, FormatCardValue(text, value, decimalsCode));
}
