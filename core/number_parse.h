#pragma once
// Lenient text-to-number readers and small numeric utilities.
//
// The readers take numbers as users type them and as imported files hold them: they skip what
// they do not understand, accept '.' or ',' as the decimal mark and never fail.
#include <cstdint>

// Digits accumulate, every '-' flips the sign, other characters are skipped; a '.' ends the
// integer part and the first digit after it rounds (5 and up adds one to the magnitude). So
// "12.5" is 13, "-12.5" is -13, "1,234" is 1234, "x7y" is 7. Digit runs beyond the 32-bit range
// wrap around modulo 2^32.
int32_t ParseInt(const char* text, int32_t length);
int32_t StrToInt(const char* text);  // over the whole C string; null is 0

// '.' and ',' are both decimal marks and the last one counts (earlier ones turn out to have
// separated thousands), except that two or more of the same mark, each followed by exactly three
// digits, all separate thousands; 'e' or 'E' after a digit starts an exponent; a '-' makes the
// number negative, or the exponent inside it; "inf" in any letter case gives an infinity; every
// other character is skipped. NaN when the text holds neither a digit nor a decimal mark (a lone
// mark is 0). So "1.234,5" is 1234.5, "1,5" is 1.5, "1,234,567" is 1234567, "1,234" is 1.234,
// "-3e2" is -300, "12 %" is 12, "." is 0. The result is the double nearest to the digits read.
double ParseDouble(const char* text, int32_t length);
double StrToDouble(const char* text);  // over the whole C string; null is NaN

// n digit characters and a NUL: each is the integer part of x, after which x becomes the rest
// times 10. For 0 <= x < 10 these are the integer digit and the fraction digits; outside that
// range each character is still a digit (clamped to '0'..'9').
void DoubleDigits(char* buffer, double x, int32_t n);

// How many times v can be halved before it is 1: floor(log2 v); 0 for v < 2, negative v included.
int32_t Log2Floor(int32_t v);
int32_t Log2Floor64(int64_t v);

// -1, 0 or 1 (0 for NaN).
template <typename T>
constexpr int32_t Sign(T v) {
  return (v > T(0)) - (v < T(0));
}

// v limited to the drawing range -32760..32760; for 32-bit and 64-bit integers alike.
template <typename T>
constexpr T ClampCoord(T v) {
  return v < T(-32760) ? T(-32760) : v > T(32760) ? T(32760) : v;
}

// A number 0..2147483647 from the timing of a loop that runs until the tick count moves on: for
// seeds and tokens, never for anything stored. Any thread.
int32_t RandomFromTicks();
