#include "core/date_record.h"

#include <cmath>
#include <cstring>

#include "core/cstring.h"
#include "core/text_buffer.h"

namespace {

constexpr int32_t kMaxDigits = 14;  // YYYYMMDDhhmmss

// Days since 1970-01-01 of a proleptic Gregorian date (months 1..12 make sense; others give
// some day without harm).
constexpr int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
  year -= month <= 2;
  int64_t era = (year >= 0 ? year : year - 399) / 400;
  int64_t yearOfEra = year - era * 400;
  int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(int64_t days, int32_t* year, int32_t* month, int32_t* day) {
  days += 719468;
  int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  int64_t dayOfEra = days - era * 146097;
  int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;  // March is 0
  *day = static_cast<int32_t>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
  *month = static_cast<int32_t>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
  *year = static_cast<int32_t>(yearOfEra + era * 400 + (*month <= 2));
}

constexpr int64_t kFirstCivil = DaysFromCivil(1583, 1, 1);  // day number 1

constexpr int64_t DayNumber(int64_t year, int64_t month, int64_t day) {
  return DaysFromCivil(year, month, day) - kFirstCivil + 1;
}

constexpr int64_t kLastDay = DayNumber(9999, 12, 31);

void SetDay(DateRecord* record, int64_t days) {
  int32_t year, month, day;
  CivilFromDays(days - 1 + kFirstCivil, &year, &month, &day);
  record->year = static_cast<int16_t>(year);
  record->month = static_cast<int16_t>(month);
  record->day = static_cast<int16_t>(day);
}

int32_t Clamp(int32_t v, int32_t low, int32_t high) { return v < low ? low : v > high ? high : v; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int32_t DigitsValue(const char* digits, int32_t n) {
  int32_t v = 0;
  for (int32_t i = 0; i < n; i++) v = v * 10 + (digits[i] - '0');
  return v;
}

void EmitChar(char** cursor, char c) { *(*cursor)++ = c; }

}  // namespace

bool IsLeapYear(int32_t year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int32_t DateDaysInMonth(int32_t year, int32_t month) {
  static const int32_t kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

int32_t DateToDays(const DateRecord* record) {
  if (record->day == 0) return 0;
  int32_t month = record->precision >= 1 ? record->month : 1;
  int32_t day = record->precision >= 2 ? record->day : 1;
  return static_cast<int32_t>(DayNumber(record->year, month, day));
}

void DateFromDays(DateRecord* record, int32_t days) {
  if (days < 1) {
    record->day = 0;
    return;
  }
  SetDay(record, days > kLastDay ? kLastDay : days);
  record->hour = record->minute = record->second = 0;
  record->precision = 2;
}

double DateToSeconds(const DateRecord* record) {
  if (record->day == 0) return 0.0;
  double seconds = static_cast<double>(DateToDays(record)) * kSecondsPerDay;
  if (record->precision >= 3) seconds += record->hour * kSecondsPerHour;
  if (record->precision >= 4) seconds += record->minute * 60;
  if (record->precision >= 5) seconds += record->second;
  return seconds;
}

void DateFromSeconds(DateRecord* record, double seconds) {
  if (!(seconds >= kSecondsPerDay)) {  // before day 1, or NaN
    record->day = 0;
    return;
  }
  int64_t days;
  int64_t t;
  if (seconds >= static_cast<double>(kLastDay + 1) * kSecondsPerDay) {
    days = kLastDay;
    t = kSecondsPerDay - 1;
  } else {
    days = static_cast<int64_t>(std::floor(seconds / kSecondsPerDay));
    t = static_cast<int64_t>(
        std::floor(seconds - static_cast<double>(days) * kSecondsPerDay + 0.5));
    if (t < 0) t = 0;
    // Rounding up the last half second reaches midnight: that is the next day, not hour 24.
    if (t >= kSecondsPerDay) {
      if (days < kLastDay) {
        days++;
        t -= kSecondsPerDay;
      } else {
        t = kSecondsPerDay - 1;
      }
    }
  }
  DateFromDays(record, static_cast<int32_t>(days));
  record->precision = 5;
  record->hour = static_cast<int16_t>(t / kSecondsPerHour);
  record->minute = static_cast<int16_t>(t % kSecondsPerHour / 60);
  record->second = static_cast<int16_t>(t % 60);
}

int32_t DateAddDays(DateRecord* record, int32_t n) {
  if (record->day == 0) return 0;
  int64_t days = DayNumber(record->year, record->month, record->day) + n;
  SetDay(record, days < 1 ? 1 : days > kLastDay ? kLastDay : days);
  return DateDaysInMonth(record->year, record->month);
}

// Reading a date:
//  1. Text before the first digit is skipped. The first group is its digits (up to 14), ended by
//     one non-digit, which is consumed. No digit at all: no date.
//  2. A group of three digits gets a thousands digit: 1 before a 9, else 2 ("987" 1987, "012"
//     2012).
//  3. A group of 1, 2 or 6 digits, or of 4 or 5 digits that do not begin with 16..29 and whose
//     third digit is 0 or 1, begins with a two-digit year ("5" counts as "05"): the first year at
//     or after the pivot year that ends in those digits. Otherwise the first four digits are the
//     year.
//  4. Each further group is the digits up to the next non-digit (consumed); an empty one adds
//     nothing, a single digit gets a leading 0, and a group at the hour that would leave 11 or 13
//     digits gets a 0 before it ("20120305 930" is 09:30). At most 14 digits are taken in all.
//  5. The digit count c sets the precision: year up to 4, then (c - 3) / 2. Missing digits are 0;
//     the fields are clamped to year 1583..9999, month 1..12, day 1..month length, hour 0..23,
//     minute and second 0..59.
void DateParse(DateRecord* record, const char* text, int32_t length) {
  record->precision = 0;
  record->day = 0;
  if (!text) return;
  int32_t i = 0;
  while (i < length && !IsDigit(text[i])) i++;
  if (i >= length) return;

  char group[kMaxDigits + 2];
  int32_t g = 0;
  for (; i < length && IsDigit(text[i]); i++) {
    if (g < kMaxDigits) group[g++] = text[i];
  }
  if (i < length) i++;

  if (g == 3) {
    std::memmove(group + 1, group, 3);
    group[0] = group[1] == '9' ? '1' : '2';
    g = 4;
  }
  char digits[kMaxDigits];
  int32_t c = 0;
  int32_t lead = g >= 2 ? DigitsValue(group, 2) : 0;
  bool twoDigitYear = g == 1 || g == 2 || g == 6 ||
                      ((g == 4 || g == 5) && (lead < 16 || lead > 29) && group[2] < '2');
  if (twoDigitYear) {
    if (g == 1) {
      group[1] = group[0];
      group[0] = '0';
      g = 2;
    }
    int32_t pivot = record->pivotYear;
    int32_t year = pivot / 100 * 100 + DigitsValue(group, 2);
    if (year < pivot) year += 100;
    year = Clamp(year, 0, 9999);  // clamped properly below; four digits are all there is room for
    for (int32_t k = 3; k >= 0; k--, year /= 10) digits[k] = static_cast<char>('0' + year % 10);
    c = 4;
    for (int32_t k = 2; k < g; k++) digits[c++] = group[k];
  } else {
    std::memcpy(digits, group, static_cast<size_t>(g));
    c = g;
  }

  while (i < length) {
    int32_t start = c;
    g = 0;
    for (; i < length && IsDigit(text[i]); i++) {
      if (g < kMaxDigits) group[g++] = text[i];
    }
    if (i < length) i++;
    if (g == 0) continue;
    if (g == 1) {
      group[1] = group[0];
      group[0] = '0';
      g = 2;
    }
    if (start == 8 && (start + g == 11 || start + g == 13)) {
      std::memmove(group + 1, group, static_cast<size_t>(g));
      group[0] = '0';
      g++;
    }
    for (int32_t k = 0; k < g && c < kMaxDigits; k++) digits[c++] = group[k];
  }

  record->precision = c <= 4 ? 0 : (c - 3) / 2;
  for (int32_t k = c; k < kMaxDigits; k++) digits[k] = '0';
  record->year = static_cast<int16_t>(Clamp(DigitsValue(digits, 4), 1583, 9999));
  record->month = static_cast<int16_t>(Clamp(DigitsValue(digits + 4, 2), 1, 12));
  record->day = static_cast<int16_t>(
      Clamp(DigitsValue(digits + 6, 2), 1, DateDaysInMonth(record->year, record->month)));
  record->hour = static_cast<int16_t>(Clamp(DigitsValue(digits + 8, 2), 0, 23));
  record->minute = static_cast<int16_t>(Clamp(DigitsValue(digits + 10, 2), 0, 59));
  record->second = static_cast<int16_t>(Clamp(DigitsValue(digits + 12, 2), 0, 59));
}

void DateParseStr(DateRecord* record, const char* text) {
  DateParse(record, text, text ? static_cast<int32_t>(std::strlen(text)) : 0);
}

void DateParseBuf(DateRecord* record, const T_TextBuf* text) {
  DateParse(record, text->data, text->length);
}

void DateEmit(const DateRecord* record, char** cursor) {
  if (record->day == 0) return;
  EmitInt(cursor, record->year);
  int32_t precision = record->precision;
  if (precision >= 1) {
    EmitChar(cursor, '-');
    Emit2Digits(cursor, record->month);
  }
  if (precision >= 2) {
    EmitChar(cursor, '-');
    Emit2Digits(cursor, record->day);
  }
  if (precision >= 3) {
    EmitChar(cursor, ' ');
    Emit2Digits(cursor, record->hour);
  }
  if (precision >= 4) {
    EmitChar(cursor, ':');
    Emit2Digits(cursor, record->minute);
  }
  if (precision >= 5) {
    EmitChar(cursor, ':');
    Emit2Digits(cursor, record->second);
  }
}

void DateFormat(const DateRecord* record, char* buffer) {
  char* cursor = buffer;
  DateEmit(record, &cursor);
  *cursor = 0;
}

void DateFormatBuf(const DateRecord* record, T_TextBuf* buffer) {
  char text[24];
  DateFormat(record, text);
  TextBufAssign(buffer, text);
}
