#include "core/number_text.h"

#include <cmath>

#include "core/locale.h"
#include "core/utf8.h"

namespace {

NumFormat MakeDefault() {
  NumFormat f;
  NumFormatInit(&f);
  return f;
}

NumFormat gDefaultFormat = MakeDefault();

// Digits come from an extended-precision mantissa: every power of ten up to 10^27 is exact in it,
// and larger ones take at most a dozen roundings, so the fifteenth digit stays true even where
// the double power of ten would be off by several units (tiny and huge exponents).
long double PowerOfTen(int32_t e) {
  static const long double kExact[] = {1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,
                                       1e7L,  1e8L,  1e9L,  1e10L, 1e11L, 1e12L, 1e13L,
                                       1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L, 1e20L,
                                       1e21L, 1e22L, 1e23L, 1e24L, 1e25L, 1e26L, 1e27L};
  long double power = 1;
  for (; e > 27; e -= 27) power *= kExact[27];
  return power * kExact[e];
}

// x / 10^e; the extended range holds every power a double's exponent needs (denormals reach -324).
long double Scale(long double x, int32_t e) {
  return e >= 0 ? x / PowerOfTen(e) : x * PowerOfTen(-e);
}

// The mantissa of x in [1, 10) and its exponent, correcting the logarithm's last-bit misses.
long double Mantissa(long double x, int32_t* e) {
  *e = static_cast<int32_t>(std::floor(std::log10(static_cast<double>(x))));
  long double m = Scale(x, *e);
  if (m >= 10) {
    m /= 10;
    ++*e;
  } else if (m < 1) {
    m *= 10;
    --*e;
  }
  return m;
}

// Adds the rounding offset; a mantissa that reaches 10 moves up one place.
long double RoundMantissa(long double m, long double offset, int32_t* e) {
  m += offset;
  if (m >= 10) {
    m /= 10;
    ++*e;
  }
  return m;
}

// n digits of m in [1, 10) by taking the integer part and multiplying the rest by 10.
void MantissaDigits(long double m, int32_t n, char* digits) {
  for (int32_t i = 0; i < n; ++i) {
    int32_t d = static_cast<int32_t>(m);
    if (d > 9) d = 9;
    if (d < 0) d = 0;
    digits[i] = static_cast<char>('0' + d);
    m = (m - d) * 10;
  }
}

int32_t Clamp(int32_t v, int32_t low, int32_t high) {
  return v < low ? low : (v > high ? high : v);
}

void Put(char** cursor, char c) { *(*cursor)++ = c; }

void PutUnit(char** cursor, uint32_t unit) { *cursor += Utf8Encode(*cursor, unit); }

void PutExponent(char** cursor, int32_t e, int32_t minDigits) {
  Put(cursor, 'E');
  Put(cursor, e < 0 ? '-' : '+');
  int32_t a = e < 0 ? -e : e;
  char digits[8];
  int32_t n = 0;
  do {
    digits[n++] = static_cast<char>('0' + a % 10);
    a /= 10;
  } while (a);
  while (n < minDigits) digits[n++] = '0';
  while (n) Put(cursor, digits[--n]);
}

// First digit, the others after the decimal separator, then the unpadded exponent.
void PutExponentForm(char** cursor, const char* digits, int32_t k, int32_t e, uint32_t decimal) {
  Put(cursor, digits[0]);
  if (k > 1) {
    PutUnit(cursor, decimal);
    for (int32_t i = 1; i < k; ++i) Put(cursor, digits[i]);
  }
  PutExponent(cursor, e, 1);
}

int32_t DropTrailingZeros(const char* digits, int32_t n) {
  while (n > 1 && digits[n - 1] == '0') --n;
  return n;
}

void FormatGeneral(char** cursor, double x, int32_t significant, uint32_t decimal) {
  int32_t s = Clamp(significant, 1, 17);
  int32_t e;
  long double m = RoundMantissa(Mantissa(x, &e), 6 * Scale(1, s), &e);
  char digits[17];
  MantissaDigits(m, s, digits);
  int32_t k = DropTrailingZeros(digits, s);
  if (e >= 10 || e <= -3) {
    PutExponentForm(cursor, digits, k, e, decimal);
    return;
  }
  if (e < 0) {
    Put(cursor, '0');
    PutUnit(cursor, decimal);
    if (e == -2) Put(cursor, '0');
    for (int32_t i = 0; i < k; ++i) Put(cursor, digits[i]);
    return;
  }
  for (int32_t i = 0; i < k; ++i) {
    if (i == e + 1) PutUnit(cursor, decimal);
    Put(cursor, digits[i]);
  }
  for (int32_t i = k; i <= e; ++i) Put(cursor, '0');
}

// Returns false when every written digit was "0" (the caller then writes just "0"). The caller
// keeps x x 10^decimals below 10^16, so the rounded value is one 64-bit integer: its digits come
// from integer division instead of a digit-by-digit walk of the mantissa (exports format
// millions of values). Half a unit of the last place, less a hundred-thousandth of it, rounds up,
// so that a value written with fewer places than it was read with still rounds up at its 5.
bool FormatFixed(char** cursor, double x, int32_t decimals, uint32_t decimal, uint32_t thousands) {
  int32_t d = Clamp(decimals, 0, 15);
  auto n = static_cast<uint64_t>(static_cast<long double>(x) * PowerOfTen(d) + 0.50001L);
  char digits[24];  // digits[i] is the place of 10^(i - d)
  int32_t count = 0;
  do {
    digits[count++] = static_cast<char>('0' + n % 10);
    n /= 10;
  } while (n != 0);
  while (count < d + 1) digits[count++] = '0';
  // Within the decimals a group mark follows every third place when two more places follow.
  uint32_t decimalGroup =
      thousands == 0 ? 0 : ((thousands == ',' || thousands == '.') ? ' ' : thousands);
  bool nonZero = false;
  for (int32_t position = count - d - 1; position >= -d; --position) {
    char c = digits[position + d];
    nonZero |= c != '0';
    Put(cursor, c);
    if (position > 0 && position % 3 == 0 && thousands) PutUnit(cursor, thousands);
    if (position == 0 && d > 0) PutUnit(cursor, decimal);
    if (position < 0 && -position % 3 == 0 && position - 2 >= -d && decimalGroup)
      PutUnit(cursor, decimalGroup);
  }
  return nonZero;
}

void FormatFallback(char** cursor, double x, int32_t mantissaDigits, uint32_t decimal) {
  int32_t e;
  long double m = Mantissa(x, &e);
  int32_t s = Clamp(e + mantissaDigits + 1, 1, 15);
  m = RoundMantissa(m, 5 * Scale(1, s), &e);
  char digits[15];
  MantissaDigits(m, s, digits);
  PutExponentForm(cursor, digits, DropTrailingZeros(digits, s), e, decimal);
}

void FormatScientific(char** cursor, double x, int32_t mantissaDigits, bool engineering,
                      uint32_t decimal) {
  int32_t t = Clamp(mantissaDigits, 1, 17);
  int32_t e;
  long double m = RoundMantissa(Mantissa(x, &e), 5.0001L * Scale(1, t), &e);
  int32_t integerDigits = 1;
  if (engineering) {
    int32_t shift = (e + 3333) % 3;
    integerDigits += shift;
    e -= shift;
  }
  char digits[17];
  MantissaDigits(m, t, digits);
  // With fewer mantissa digits than the engineering integer part needs, zeros keep the value.
  int32_t written = t > integerDigits ? t : integerDigits;
  for (int32_t i = 0; i < written; ++i) {
    if (i == integerDigits) PutUnit(cursor, decimal);
    Put(cursor, i < t ? digits[i] : '0');
  }
  PutExponent(cursor, e, 3);
}

}  // namespace

void NumFormatInit(NumFormat* format) {
  format->decimalSeparator = kSeparatorGlobal;
  format->thousandsSeparator = kSeparatorGlobal;
  format->mode = kNumGeneral;
  format->significantDigits = 15;
  format->decimals = 0;
  format->mantissaDigits = 3;
  format->exponentLimit = 15;
}

void NumFormatSetDecimals(NumFormat* format, int32_t decimals) {
  format->decimals = Clamp(decimals, 0, 15);
}

NumFormat* DefaultNumFormat() { return &gDefaultFormat; }

void FormatDouble(char** cursor, double x, const NumFormat* format) {
  // Only the infinities are written as words: a finite value above 1e308 takes the E form like
  // any other large value, so it reads back.
  if (std::isnan(x)) return;
  if (std::isinf(x)) {
    for (const char* p = x > 0 ? "+inf" : "-inf"; *p; ++p) Put(cursor, *p);
    return;
  }
  if (x == 0) {
    Put(cursor, '0');
    return;
  }
  SeparatorPair global = SeparatorsGet();
  uint32_t decimal =
      format->decimalSeparator == kSeparatorGlobal ? global.decimal : format->decimalSeparator;
  uint32_t thousands = format->thousandsSeparator == kSeparatorGlobal ? global.thousands
                                                                      : format->thousandsSeparator;
  if (decimal == 0) decimal = '.';
  char* start = *cursor;
  if (x < 0) {
    Put(cursor, '-');
    x = -x;
  }
  switch (format->mode) {
    case kNumFixed: {
      int32_t e;
      Mantissa(x, &e);
      if (e < format->exponentLimit && e + Clamp(format->decimals, 0, 15) < 16) {
        if (!FormatFixed(cursor, x, format->decimals, decimal, thousands)) {
          *cursor = start;
          Put(cursor, '0');
        }
      } else {
        FormatFallback(cursor, x, format->mantissaDigits, decimal);
      }
      break;
    }
    case kNumScientific:
    case kNumEngineering:
      FormatScientific(cursor, x, format->mantissaDigits, format->mode == kNumEngineering, decimal);
      break;
    default:
      FormatGeneral(cursor, x, format->significantDigits, decimal);
      break;
  }
}

int32_t DoubleToStrFormat(char* buffer, double x, const NumFormat* format) {
  char* cursor = buffer;
  FormatDouble(&cursor, x, format);
  *cursor = 0;
  return static_cast<int32_t>(cursor - buffer);
}

int32_t DoubleToStr(char* buffer, double x) {
  return DoubleToStrFormat(buffer, x, &gDefaultFormat);
}
