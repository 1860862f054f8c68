#pragma once
// The text of a double as every export, copy and display writes it.
//
// Notations: 0 general (significant digits, exponent form from 1E+10 and below 0.01), 1 fixed
// decimals (falling back to the exponent form for large values), 2 scientific, 3 engineering
// (exponent a multiple of 3). Digits are cut, not rounded, after adding a rounding offset, so the
// offsets decide the rounding. A NaN writes nothing.
#include <cstdint>

constexpr int32_t kNumGeneral = 0;
constexpr int32_t kNumFixed = 1;
constexpr int32_t kNumScientific = 2;
constexpr int32_t kNumEngineering = 3;

// The longest text FormatDouble writes for any format (the stream encoders format into a
// 40-byte buffer).
constexpr int32_t kFormatDoubleMax = 40;

struct NumFormat {
  uint16_t decimalSeparator;    // kSeparatorGlobal: the global one
  uint16_t thousandsSeparator;  // kSeparatorGlobal: the global one; 0 none
  int32_t mode;
  int32_t significantDigits;  // mode 0
  int32_t decimals;           // mode 1, 0..15
  int32_t mantissaDigits;     // modes 2 and 3 and the fall-back of mode 1
  int32_t exponentLimit;      // mode 1: from this exponent on the fall-back is used
};

// Global separators, mode 0, 15 significant digits, 0 decimals, 3 mantissa digits, limit 15.
void NumFormatInit(NumFormat* format);
void NumFormatSetDecimals(NumFormat* format, int32_t decimals);  // clamped to 0..15
// The program's one default format (initialised as above); user-interface thread.
NumFormat* DefaultNumFormat();

// Writes the text of x at *cursor and advances it (no NUL); at most kFormatDoubleMax bytes.
// Infinities are "+inf" and "-inf", NaN writes nothing; every finite value is a number.
void FormatDouble(char** cursor, double x, const NumFormat* format);
// Into a buffer of kFormatDoubleMax + 1 bytes, NUL-terminated; return the length.
int32_t DoubleToStr(char* buffer, double x);
int32_t DoubleToStrFormat(char* buffer, double x, const NumFormat* format);
