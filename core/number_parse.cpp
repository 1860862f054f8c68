#include "core/number_parse.h"

#include <atomic>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "core/threads.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

constexpr int32_t kExactPowers = 22;
constexpr double kPowersOfTen[kExactPowers + 1] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The mantissa digits of ParseDouble. Digits past the buffer are below a double's precision;
// they are only counted, for the magnitude.
constexpr int32_t kMantissaDigits = 64;
// Exponents are saturated here: far beyond the double range, far from int64 overflow.
constexpr int64_t kExponentCap = 1000000;

struct DecimalDigits {
  char digits[kMantissaDigits];
  int32_t count = 0;         // significant digits kept (leading zeros are not kept)
  int64_t dropped = 0;       // integer digits beyond the buffer: each one a factor of 10
  int64_t fraction = 0;      // positions after the decimal mark, the kept digits among them
  int64_t fractionLost = 0;  // fraction digits beyond the buffer

  void Add(char digit, bool inFraction) {
    if (count == 0 && digit == '0') {
      if (inFraction) fraction++;
    } else if (count < kMantissaDigits) {
      digits[count++] = digit;
      if (inFraction) fraction++;
    } else if (inFraction) {
      fractionLost++;
    } else {
      dropped++;
    }
  }

  // A later decimal mark: the fraction read so far becomes part of the integer.
  void FractionToInteger() {
    dropped += fractionLost;
    fractionLost = 0;
    fraction = 0;
  }

  double Value(int64_t exponent) const {
    if (count == 0) return 0.0;
    int64_t power = exponent + dropped - fraction;
    // Up to 15 digits times a power of ten that a double holds exactly: one multiplication or
    // division rounds once, to the same nearest double, at a fraction of the general path's cost.
    if (count <= 15 && power >= -kExactPowers && power <= kExactPowers) {
      uint64_t m = 0;
      for (int32_t i = 0; i < count; ++i) m = m * 10 + static_cast<uint64_t>(digits[i] - '0');
      auto mantissa = static_cast<double>(m);
      return power < 0 ? mantissa / kPowersOfTen[-power] : mantissa * kPowersOfTen[power];
    }
    // Digits beyond 10^400 or below 10^-400 are outside the double range whatever they are.
    if (power > 400) return std::numeric_limits<double>::infinity();
    if (power + count < -400) return 0.0;
    char text[kMantissaDigits + 16];
    std::memcpy(text, digits, static_cast<size_t>(count));
    char* end = text + count;
    *end++ = 'e';
    end = std::to_chars(end, text + sizeof(text), power).ptr;
    double value = 0.0;
    auto result = std::from_chars(text, end, value);
    if (result.ec == std::errc::result_out_of_range) {
      return power > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return value;
  }
};

bool IsInfinityAt(const char* p, const char* end) {
  return end - p >= 3 && (p[0] == 'i' || p[0] == 'I') && (p[1] == 'n' || p[1] == 'N') &&
         (p[2] == 'f' || p[2] == 'F');
}

}  // namespace

int32_t ParseInt(const char* text, int32_t length) {
  if (!text) return 0;
  uint32_t value = 0;  // unsigned: long digit runs wrap instead of overflowing
  bool negative = false;
  for (int32_t i = 0; i < length; i++) {
    char c = text[i];
    if (IsDigit(c)) {
      value = value * 10u + static_cast<uint32_t>(c - '0');
    } else if (c == '-') {
      negative = !negative;
    } else if (c == '.') {
      for (i++; i < length; i++) {
        if (IsDigit(text[i])) {
          if (text[i] >= '5') value++;
          break;
        }
      }
      break;
    }
  }
  return static_cast<int32_t>(negative ? 0u - value : value);
}

int32_t StrToInt(const char* text) {
  return text ? ParseInt(text, static_cast<int32_t>(std::strlen(text))) : 0;
}

double ParseDouble(const char* text, int32_t length) {
  if (!text || length <= 0) return std::numeric_limits<double>::quiet_NaN();
  enum State { kStart, kInteger, kFraction, kExponent } state = kStart;
  DecimalDigits mantissa;
  bool sawDigit = false;
  bool negative = false;
  bool exponentNegative = false;
  bool sawMinus = false;
  int64_t exponent = 0;
  // The decimal marks seen: their count, whether all are the same character, and whether each
  // one so far was followed by exactly three digits (a run of digits right after the mark).
  int32_t marks = 0;
  char firstMark = 0;
  bool sameMarks = true;
  bool groupsOfThree = true;
  int32_t groupDigits = -1;  // digits right after the last mark; -1 once the run has ended
  const char* end = text + length;
  auto endGroup = [&] {
    if (marks > 0 && groupDigits != 3) groupsOfThree = false;
    groupDigits = -1;
  };
  for (const char* p = text; p < end; p++) {
    char c = *p;
    if (IsDigit(c)) {
      if (state == kExponent) {
        exponent = exponent * 10 + (c - '0');
        if (exponent > kExponentCap) exponent = kExponentCap;
      } else {
        if (state == kStart) state = kInteger;
        mantissa.Add(c, state == kFraction);
        sawDigit = true;
        if (groupDigits >= 0) ++groupDigits;
      }
      continue;
    }
    if (groupDigits >= 0) endGroup();
    if ((c == '.' || c == ',') && state != kExponent) {
      if (state == kFraction) mantissa.FractionToInteger();
      state = kFraction;
      if (marks++ == 0) firstMark = c;
      sameMarks &= c == firstMark;
      groupDigits = 0;
    } else if (c == '.' || c == ',') {
      state = kFraction;  // a mark in the exponent: as the state machine always took it
    } else if (c == '-') {
      sawMinus = true;
      if (state == kExponent) {
        exponentNegative = true;
      } else {
        negative = true;
      }
    } else if (c == 'E' || c == 'e') {
      if (state != kStart) state = kExponent;
    } else if (IsInfinityAt(p, end)) {
      double infinity = std::numeric_limits<double>::infinity();
      return sawMinus ? -infinity : infinity;
    }
  }
  if (groupDigits >= 0) endGroup();
  // A text without anything numeric holds no number; a lone decimal mark is a zero.
  if (state == kStart) return std::numeric_limits<double>::quiet_NaN();
  // "1,234,567": the same mark again and again, each before three digits, separates thousands;
  // the last one is no decimal mark then.
  if (marks >= 2 && sameMarks && groupsOfThree) mantissa.FractionToInteger();
  double value = sawDigit ? mantissa.Value(exponentNegative ? -exponent : exponent) : 0.0;
  return negative ? -value : value;
}

double StrToDouble(const char* text) {
  if (!text) return std::numeric_limits<double>::quiet_NaN();
  return ParseDouble(text, static_cast<int32_t>(std::strlen(text)));
}

void DoubleDigits(char* buffer, double x, int32_t n) {
  int32_t i = 0;
  for (; i < n; i++) {
    double d = std::floor(x);
    if (!(d >= 0.0)) d = 0.0;  // NaN too
    if (d > 9.0) d = 9.0;
    buffer[i] = static_cast<char>('0' + static_cast<int>(d));
    x = (x - d) * 10.0;
  }
  buffer[i < 0 ? 0 : i] = 0;
}

int32_t Log2Floor(int32_t v) {
  return v < 2 ? 0 : static_cast<int32_t>(std::bit_width(static_cast<uint32_t>(v))) - 1;
}

int32_t Log2Floor64(int64_t v) {
  return v < 2 ? 0 : static_cast<int32_t>(std::bit_width(static_cast<uint64_t>(v))) - 1;
}

int32_t RandomFromTicks() {
  static std::atomic<uint32_t> seed{0};
  // A stopped tick source (a test's) must not hold the caller for ever; a running one moves on
  // well before this many rounds.
  constexpr uint32_t kMaxRounds = 1u << 24;
  uint64_t start = TickCount();
  uint32_t s = seed.load(std::memory_order_relaxed);
  for (uint32_t round = 0; round < kMaxRounds; round++) {
    s = static_cast<uint32_t>(start) + s % 16777199u;
    s = (s >> 24) | ((s >> 8) & 0xFF00u) | ((s << 8) & 0xFF0000u) | (s << 24);
    if (TickCount() != start) break;
  }
  seed.store(s, std::memory_order_relaxed);
  return static_cast<int32_t>(s & 0x7FFFFFFFu);
}
