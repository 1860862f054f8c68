#include "core/packed_date.h"

#include <cstring>

#include "core/cstring.h"
#include "core/date_record.h"
#include "core/number_parse.h"
#include "core/threads.h"

namespace {

constexpr int32_t kDaysBeforeMonth[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
constexpr char kDateStyleLetters[] = "STWFGHUV";
// Day number of 2069-12-31: 365 days a year, a leap day every fourth year from 1900.
constexpr int32_t kLastDayNumber =
    365 * (kLastYear - kFirstYear) + (kLastYear - kFirstYear) / 4 + 365;

int32_t currentDateStyle = 0;

bool IsGregorianLeapYear(int32_t year) {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int32_t DaysInMonth(int32_t year, int32_t month) {
  static constexpr int32_t kLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 31;
  return month == 2 && IsGregorianLeapYear(year) ? 29 : kLengths[month - 1];
}

int32_t Clamp(int32_t value, int32_t low, int32_t high) {
  return value < low ? low : value > high ? high : value;
}

int64_t Clamp64(int64_t value, int64_t low, int64_t high) {
  return value < low ? low : value > high ? high : value;
}

// Two-digit years are read in the window 1970..2069.
int32_t YearOfTwoDigits(int32_t yy) { return yy < 70 ? 2000 + yy : 1900 + yy; }

int32_t TextLength(const char* text, int32_t length) {
  if (!text) return 0;
  return length < 0 ? static_cast<int32_t>(strlen(text)) : length;
}

// --- Writers at a byte cursor ---------------------------------------------------------------

void Put(char** cursor, char c) { *(*cursor)++ = c; }

void Put2(char** cursor, int32_t v) { Emit2Digits(cursor, Clamp(v, 0, 99)); }

// Decimal of a non-negative number, zero-padded to at least width digits.
void PutNumber(char** cursor, int64_t v, int32_t width) {
  char digits[24];
  int32_t n = 0;
  if (v < 0) v = 0;
  do {
    digits[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v > 0);
  while (n < width && n < 20) digits[n++] = '0';
  while (n > 0) Put(cursor, digits[--n]);
}

void PutYearDigits(char** cursor, PackedDate date) { Put2(cursor, PackedDateYear(date) % 100); }

// --- Completion of partly given digits --------------------------------------------------------

struct DigitRun {
  int32_t count = 0;
  int32_t digit[10] = {};
  int32_t Two(int32_t i) const { return digit[i] * 10 + digit[i + 1]; }
};

// The date the first (at most six) digits give; lower completes to the earliest date.
PackedDate CompleteDate(const DigitRun& run, bool lower) {
  int32_t n = run.count < 6 ? run.count : 6;
  if (n == 0) return 0;
  int32_t yy = n == 1 ? run.digit[0] * 10 + (lower ? 0 : 9) : run.Two(0);
  int32_t year = YearOfTwoDigits(yy);
  int32_t month;
  if (n <= 2) {
    month = lower ? 1 : 12;
  } else if (n == 3) {
    int32_t m = run.digit[2];
    month = lower ? (m == 0 ? 1 : m * 10) : (m == 0 ? 9 : m * 10 + 2);
  } else {
    month = run.Two(2);
  }
  month = Clamp(month, 1, 12);
  int32_t length = DaysInMonth(year, month);
  int32_t day;
  if (n <= 4) {
    day = lower ? 1 : length;
  } else if (n == 5) {
    int32_t d = run.digit[4];
    day = lower ? (d == 0 ? 1 : d * 10) : (d == 3 ? 31 : d * 10 + 9);
  } else {
    day = run.Two(4);
  }
  return PackDate(year, month, Clamp(day, 1, length));
}

PackedDate DateOfDayNumberClamped(int64_t n) {
  return dayNumberToDate(static_cast<int32_t>(Clamp64(n, 0, kLastDayNumber)));
}

// Month index year * 12 + month - 1, held to the supported years.
PackedDate FirstOfMonthIndex(int64_t index) {
  index = Clamp64(index, int64_t{kFirstYear} * 12, int64_t{kLastYear} * 12 + 11);
  return PackDate(static_cast<int32_t>(index / 12), static_cast<int32_t>(index % 12) + 1, 1);
}

PackedDate LastOfMonth(PackedDate first) {
  return PackDate(PackedDateYear(first), PackedDateMonth(first),
                  DaysInMonth(PackedDateYear(first), PackedDateMonth(first)));
}

void SetBound(CardId* id, int32_t bound, PackedDate date) {
  id->date = date;
  id->sequence = bound <= 0 ? 1 : kCardSequenceOpen;
}

int64_t MonthIndexToday() {
  PackedDate today = PackedDateToday();
  return int64_t{PackedDateYear(today)} * 12 + PackedDateMonth(today) - 1;
}

void WriteCStr(char* buffer, void (*writer)(char**, PackedDate), PackedDate date) {
  char* cursor = buffer;
  writer(&cursor, date);
  *cursor = 0;
}

void WriteRangeCStr(char* buffer, void (*writer)(char**, PackedDate, PackedDate), PackedDate a,
                    PackedDate b) {
  char* cursor = buffer;
  writer(&cursor, a, b);
  *cursor = 0;
}

void FormatMonthInStyle(char** cursor, PackedDate date, int32_t style) {
  if (date == 0) return;
  int32_t year = PackedDateYear(date), month = PackedDateMonth(date);
  switch (style) {
    case 0:
      PutYearDigits(cursor, date);
      Put2(cursor, month);
      break;
    case 1:
      PutNumber(cursor, year, 4);
      Put(cursor, '.');
      Put2(cursor, month);
      break;
    case 2:
      PutNumber(cursor, year, 4);
      Put(cursor, '-');
      Put2(cursor, month);
      break;
    case 3:
      Put2(cursor, month);
      Put(cursor, '.');
      PutYearDigits(cursor, date);
      break;
    case 4:
      Put2(cursor, month);
      Put(cursor, '.');
      PutNumber(cursor, year, 4);
      break;
    case 5:
      PutNumber(cursor, month, 1);
      Put(cursor, '.');
      PutNumber(cursor, year, 4);
      break;
    case 6:
      Put2(cursor, month);
      Put(cursor, '/');
      PutYearDigits(cursor, date);
      break;
    default:
      Put2(cursor, month);
      Put(cursor, '/');
      PutNumber(cursor, year, 4);
      break;
  }
}

// Digits of a time stamp text: the date part completes like a date, then hour and minute.
PackedTimeStamp CompleteTimeStamp(const DigitRun& run, bool lower) {
  PackedDate date = CompleteDate(run, lower);
  if (date == 0) return 0;
  int32_t n = run.count;
  int32_t hour, minute;
  if (n <= 6) {
    hour = lower ? 0 : 23;
  } else if (n == 7) {
    int32_t t = run.digit[6];
    hour = lower ? t * 10 : (t == 2 ? 23 : t * 10 + 9);
  } else {
    hour = run.Two(6);
  }
  if (n <= 8) {
    minute = lower ? 0 : 59;
  } else if (n == 9) {
    minute = run.digit[8] * 10 + (lower ? 0 : 9);
  } else {
    minute = run.Two(8);
  }
  return PackTimeStamp(PackedDateYear(date), PackedDateMonth(date), PackedDateDay(date),
                       Clamp(hour, 0, 23), Clamp(minute, 0, 59));
}

PackedDate DateOfStamp(PackedTimeStamp stamp) {
  if (stamp == 0) return 0;
  return ((stamp >> 20) << 9) | (((stamp >> 16) & 15) << 5) | ((stamp >> 11) & 31);
}

int32_t StampHour(PackedTimeStamp stamp) { return static_cast<int32_t>((stamp >> 6) & 31); }
int32_t StampMinute(PackedTimeStamp stamp) { return static_cast<int32_t>(stamp & 63); }

PackedDate ClampToSupported(int32_t year, int32_t month, int32_t day) {
  if (year < kFirstYear) return PackDate(kFirstYear, 1, 1);
  if (year > kLastYear) return PackDate(kLastYear, 12, 31);
  month = Clamp(month, 1, 12);
  return PackDate(year, month, Clamp(day, 1, DaysInMonth(year, month)));
}

}  // namespace

// --- Fields and conversions ---------------------------------------------------------------

int32_t PackedDateToDayNumber(PackedDate date) {
  // A damaged date from a file can carry a year field up to 2^23, whose day count overflows 32
  // bits; such days are held at the largest number.
  int64_t field = date >> 9;
  int32_t month = Clamp(PackedDateMonth(date), 1, 12);
  int64_t n = kDaysBeforeMonth[month - 1] + PackedDateDay(date) + 365 * field + field / 4;
  if (field % 4 == 0 && month <= 2) n--;
  return static_cast<int32_t>(Clamp64(n, -1, INT32_MAX));
}

PackedDate dayNumberToDate(int32_t n) {
  n = Clamp(n, 0, kLastDayNumber);
  int32_t q = n / 1461;
  int32_t r = n - 1461 * q;
  int32_t field = 4 * q;
  if (r >= 1096) {
    field += 3;
    r -= 1096;
  } else if (r >= 731) {
    field += 2;
    r -= 731;
  } else if (r >= 366) {
    field += 1;
    r -= 366;
  } else if (r >= 60) {
    r -= 1;
  } else if (r == 59) {
    return static_cast<PackedDate>((field << 9) | (2 << 5) | 29);
  }
  int32_t month = 12;
  while (kDaysBeforeMonth[month - 1] > r) month--;
  return static_cast<PackedDate>((field << 9) | (month << 5) |
                                 (r - kDaysBeforeMonth[month - 1] + 1));
}

int32_t PackedDateDaysInMonth(PackedDate date) {
  return DaysInMonth(PackedDateYear(date), PackedDateMonth(date));
}

PackedDate PackedDateNextDay(PackedDate date) {
  if (date == 0) return PackDate(kFirstYear, 1, 1);
  int32_t year = PackedDateYear(date), month = PackedDateMonth(date), day = PackedDateDay(date);
  if (day < DaysInMonth(year, month)) return PackDate(year, month, day + 1);
  if (month < 12) return PackDate(year, month + 1, 1);
  return PackDate(year + 1, 1, 1);
}

PackedDate PackedDatePrevDay(PackedDate date) {
  if (date == 0) return 0;
  int32_t year = PackedDateYear(date), month = PackedDateMonth(date), day = PackedDateDay(date);
  if (day > 1) return PackDate(year, month, day - 1);
  if (month > 1) return PackDate(year, month - 1, DaysInMonth(year, month - 1));
  if (year <= kFirstYear) return 0;
  return PackDate(year - 1, 12, 31);
}

PackedDate PackedDateAddMonths(PackedDate date, int32_t years, int32_t months) {
  if (date == 0) return 0;
  int64_t index =
      int64_t{PackedDateYear(date)} * 12 + PackedDateMonth(date) - 1 + int64_t{years} * 12 + months;
  PackedDate first = FirstOfMonthIndex(index);
  return PackDate(PackedDateYear(first), PackedDateMonth(first),
                  Clamp(PackedDateDay(date), 1, PackedDateDaysInMonth(first)));
}

PackedDate PackedDateToday() {
  DateRecord now = DateNow();
  return ClampToSupported(now.year, now.month, now.day);
}

int32_t PackedDateCompare(PackedDate a, PackedDate b, int32_t descending) {
  if (a == b) return 0;
  if (a == 0) return 1;
  if (b == 0) return -1;
  int32_t result = a < b ? -1 : 1;
  return descending == 1 ? -result : result;
}

int32_t PackedDateWeekday(PackedDate date) {
  // 1900-01-01 was a Monday; day 59 (1900-02-29) never happened, so later days are one short.
  int32_t n = PackedDateToDayNumber(date);
  if (n >= 60) n--;
  return n % 7;
}

// --- Date texts ---------------------------------------------------------------------------

void FormatPackedDate(char** cursor, PackedDate date) {
  if (date == 0) return;
  PutYearDigits(cursor, date);
  Put2(cursor, PackedDateMonth(date));
  Put2(cursor, PackedDateDay(date));
}

void FormatPackedDateDigits(char* buffer, PackedDate date) {
  WriteCStr(buffer, FormatPackedDate, date);
}

void FormatPackedDateBuf(T_TextBuf* text, PackedDate date) {
  char digits[8];
  FormatPackedDateDigits(digits, date);
  TextBufAssign(text, digits);
}

int32_t DateStyleGet() { return currentDateStyle; }

void DateStyleSet(int32_t style) {
  if (style >= 0 && style < 8) currentDateStyle = style;
}

char DateStyleLetter(int32_t style) {
  return style >= 0 && style < 8 ? kDateStyleLetters[style] : 0;
}

int32_t ParseDateStyleLetter(char letter, int32_t* style) {
  for (int32_t i = 0; i < 8; i++) {
    if (kDateStyleLetters[i] == letter) {
      if (style) *style = i;
      return i;
    }
  }
  return -1;
}

void formatDate(char** cursor, PackedDate date, int32_t style) {
  if (date == 0) return;
  int32_t year = PackedDateYear(date), month = PackedDateMonth(date), day = PackedDateDay(date);
  switch (style) {
    case 1:
    case 2: {
      char mark = style == 1 ? '.' : '-';
      PutNumber(cursor, year, 4);
      Put(cursor, mark);
      Put2(cursor, month);
      Put(cursor, mark);
      Put2(cursor, day);
      break;
    }
    case 3:
      Put2(cursor, day);
      Put(cursor, '.');
      Put2(cursor, month);
      Put(cursor, '.');
      PutYearDigits(cursor, date);
      break;
    case 4:
      Put2(cursor, day);
      Put(cursor, '.');
      Put2(cursor, month);
      Put(cursor, '.');
      PutNumber(cursor, year, 4);
      break;
    case 5:
      PutNumber(cursor, day, 1);
      Put(cursor, '.');
      PutNumber(cursor, month, 1);
      Put(cursor, '.');
      PutNumber(cursor, year, 4);
      break;
    case 6:
      Put2(cursor, month);
      Put(cursor, '/');
      Put2(cursor, day);
      Put(cursor, '/');
      PutYearDigits(cursor, date);
      break;
    case 7:
      Put2(cursor, month);
      Put(cursor, '/');
      Put2(cursor, day);
      Put(cursor, '/');
      PutNumber(cursor, year, 4);
      break;
    default:
      FormatPackedDate(cursor, date);
      break;
  }
}

void FormatDateCurrentStyle(char** cursor, PackedDate date) {
  formatDate(cursor, date, currentDateStyle);
}

void FormatDateCurrentStyleCStr(char* buffer, PackedDate date) {
  WriteCStr(buffer, FormatDateCurrentStyle, date);
}

void FormatMonth(char** cursor, PackedDate date) {
  FormatMonthInStyle(cursor, date, currentDateStyle);
}

void FormatMonthCStr(char* buffer, PackedDate date) { WriteCStr(buffer, FormatMonth, date); }

void FormatDayRange(char** cursor, PackedDate first, PackedDate last) {
  if (first == 0 || last == 0) {
    FormatDateCurrentStyle(cursor, first ? first : last);
    return;
  }
  int32_t style = currentDateStyle;
  switch (style) {
    case 0:
    case 1:
    case 2:
      formatDate(cursor, first, style);
      EmitStr(cursor, style == 2 ? ".." : "-");
      Put2(cursor, PackedDateDay(last));
      break;
    case 3:
    case 4:
    case 5:
      PutNumber(cursor, PackedDateDay(first), style == 5 ? 1 : 2);
      Put(cursor, '-');
      formatDate(cursor, last, style);
      break;
    default:
      Put2(cursor, PackedDateMonth(first));
      Put(cursor, '/');
      Put2(cursor, PackedDateDay(first));
      Put(cursor, '-');
      formatDate(cursor, last, style);
      break;
  }
}

void FormatDayRangeCStr(char* buffer, PackedDate first, PackedDate last) {
  WriteRangeCStr(buffer, FormatDayRange, first, last);
}

void FormatMonthRange(char** cursor, PackedDate first, PackedDate last) {
  int32_t style = currentDateStyle;
  // Only a range within one month of one year is written as that month alone.
  if (first == 0 || last == 0 || (first >> 5) == (last >> 5)) {
    FormatMonthInStyle(cursor, last ? last : first, style);
    return;
  }
  if (style <= 2) {
    FormatMonthInStyle(cursor, first, style);
    EmitStr(cursor, style == 2 ? ".." : "-");
    Put2(cursor, PackedDateMonth(last));
  } else {
    PutNumber(cursor, PackedDateMonth(first), style == 5 ? 1 : 2);
    Put(cursor, '-');
    FormatMonthInStyle(cursor, last, style);
  }
}

void FormatMonthRangeCStr(char* buffer, PackedDate first, PackedDate last) {
  WriteRangeCStr(buffer, FormatMonthRange, first, last);
}

PackedDate ParsePackedDate(const char* text, int32_t length, int32_t bound) {
  length = TextLength(text, length);
  DigitRun run;
  for (int32_t i = 0; i < length && run.count < 6; i++) {
    if (text[i] >= '0' && text[i] <= '9') run.digit[run.count++] = text[i] - '0';
  }
  return CompleteDate(run, bound < 0);
}

// --- Card ids -----------------------------------------------------------------------------

void parseDate(CardId* id, const char* text, int32_t length, int32_t bound) {
  length = TextLength(text, length);
  DigitRun run;
  int32_t i = 0;
  for (; i < length && run.count < 6; i++) {
    char c = text[i];
    if (c == '-') break;
    if (c >= '0' && c <= '9') run.digit[run.count++] = c - '0';
  }
  if (i < length && text[i] == '-') i++;
  id->date = CompleteDate(run, bound < 0);
  if (id->date == 0) {
    id->sequence = 0;
    return;
  }
  // A rest without a digit (a trailing "-" or blanks) counts as no rest.
  bool hasRest = false;
  for (int32_t j = i; j < length; j++) hasRest = hasRest || (text[j] >= '0' && text[j] <= '9');
  if (hasRest) {
    int32_t sequence = ParseInt(text + i, length - i);
    id->sequence = sequence < 1 ? 1 : sequence;
  } else {
    id->sequence = bound <= 0 ? 1 : kCardSequenceOpen;
  }
}

void FormatCardId(char** cursor, const CardId* id) {
  if (id->date == 0) return;
  FormatPackedDate(cursor, id->date);
  Put(cursor, '-');
  PutNumber(cursor, id->sequence, 1);
}

void FormatCardIdCStr(char* buffer, const CardId* id) {
  char* cursor = buffer;
  FormatCardId(&cursor, id);
  *cursor = 0;
}

int32_t MaxValueOfDigits(int32_t n) {
  static constexpr int32_t kMax[10] = {1,     9,      99,      999,      9999,
                                       99999, 999999, 9999999, 99999999, 999999999};
  if (n < 0) return 1;
  return n < 10 ? kMax[n] : kCardSequenceOpen;
}

void FormatCardIdDigits(char** cursor, const CardId* id, int32_t n) {
  if (id->date == 0) return;
  if (n < 1) n = 1;
  FormatPackedDate(cursor, id->date);
  Put(cursor, '-');
  PutNumber(cursor, Clamp(id->sequence, 0, MaxValueOfDigits(n)), n);
}

void FormatCardIdToString(T_TextBuf* text, const CardId* id, int32_t n) {
  char buffer[40];
  char* cursor = buffer;
  FormatCardIdDigits(&cursor, id, n);
  *cursor = 0;
  TextBufAssign(text, buffer);
}

bool CardIdEqual(const CardId* a, const CardId* b) {
  return a->date == b->date && a->sequence == b->sequence;
}
bool CardIdNotEqual(const CardId* a, const CardId* b) { return !CardIdEqual(a, b); }
bool CardIdLess(const CardId* a, const CardId* b) {
  return a->date < b->date || (a->date == b->date && a->sequence < b->sequence);
}
bool CardIdLessEqual(const CardId* a, const CardId* b) { return !CardIdLess(b, a); }
bool CardIdGreater(const CardId* a, const CardId* b) { return CardIdLess(b, a); }
bool CardIdGreaterEqual(const CardId* a, const CardId* b) { return !CardIdLess(a, b); }
bool CardIdInRange(const CardId* id, const CardId* low, const CardId* high) {
  return CardIdLessEqual(low, id) && CardIdLessEqual(id, high);
}

void CardIdNext(CardId* id) {
  if (id->sequence >= kCardSequenceOpen) {
    id->date = PackedDateNextDay(id->date);
    id->sequence = 1;
  } else {
    id->sequence++;
  }
}

void CardIdPrev(CardId* id) {
  if (id->sequence < 2) {
    id->date = PackedDatePrevDay(id->date);
    id->sequence = kCardSequenceOpen;
  } else {
    id->sequence--;
  }
}

void CardIdToday(CardId* id, int32_t bound, int32_t days) {
  SetBound(id, bound,
           DateOfDayNumberClamped(int64_t{PackedDateToDayNumber(PackedDateToday())} + days));
}

void CardIdAddDays(CardId* id, int32_t bound, PackedDate date, int32_t days) {
  if (date == 0) {
    *id = CardId{};
    return;
  }
  SetBound(id, bound, DateOfDayNumberClamped(int64_t{PackedDateToDayNumber(date)} + days));
}

void CardIdThisWeek(CardId* id, int32_t bound, int32_t weeks) {
  PackedDate today = PackedDateToday();
  int64_t monday =
      int64_t{PackedDateToDayNumber(today)} - PackedDateWeekday(today) + int64_t{weeks} * 7;
  // The bogus 1900-02-29 shifts day numbers by one before March 1900; weeks there start a day late.
  SetBound(id, bound, DateOfDayNumberClamped(bound <= 0 ? monday : monday + 6));
}

void CardIdThisMonth(CardId* id, int32_t bound, int32_t months) {
  PackedDate first = FirstOfMonthIndex(MonthIndexToday() + months);
  SetBound(id, bound, bound <= 0 ? first : LastOfMonth(first));
}

void CardIdThisQuarter(CardId* id, int32_t bound, int32_t quarters) {
  int64_t index = MonthIndexToday();
  index = Clamp64(index - index % 3 + int64_t{quarters} * 3, int64_t{kFirstYear} * 12,
                  int64_t{kLastYear} * 12 + 9);
  PackedDate first = FirstOfMonthIndex(index);
  SetBound(id, bound, bound <= 0 ? first : LastOfMonth(FirstOfMonthIndex(index + 2)));
}

void CardIdThisYear(CardId* id, int32_t bound, int32_t years) {
  int64_t year = Clamp64(int64_t{PackedDateYear(PackedDateToday())} + years, kFirstYear, kLastYear);
  SetBound(id, bound,
           bound <= 0 ? PackDate(static_cast<int32_t>(year), 1, 1)
                      : PackDate(static_cast<int32_t>(year), 12, 31));
}

// --- Time stamps and signature stamps -----------------------------------------------------

PackedTimeStamp TimeStampNow() {
  DateRecord now = DateNow();
  PackedDate date = ClampToSupported(now.year, now.month, now.day);
  bool inRange = now.year >= kFirstYear && now.year <= kLastYear;
  return PackTimeStamp(PackedDateYear(date), PackedDateMonth(date), PackedDateDay(date),
                       inRange ? Clamp(now.hour, 0, 23) : 0,
                       inRange ? Clamp(now.minute, 0, 59) : 0);
}

void FormatTimeStamp(char** cursor, PackedTimeStamp stamp) {
  if (stamp == 0) return;
  FormatPackedDate(cursor, DateOfStamp(stamp));
  Put(cursor, ' ');
  Put2(cursor, StampHour(stamp));
  Put(cursor, ':');
  Put2(cursor, StampMinute(stamp));
}

void FormatTimeStampCompact(char** cursor, PackedTimeStamp stamp) {
  if (stamp == 0) return;
  FormatPackedDate(cursor, DateOfStamp(stamp));
  Put2(cursor, StampHour(stamp));
  Put2(cursor, StampMinute(stamp));
}

PackedTimeStamp ParseTimeStamp(const char* text, int32_t length, int32_t bound) {
  length = TextLength(text, length);
  DigitRun run;
  for (int32_t i = 0; i < length && run.count < 10; i++) {
    if (text[i] >= '0' && text[i] <= '9') run.digit[run.count++] = text[i] - '0';
  }
  return CompleteTimeStamp(run, bound < 0);
}

void FormatSignatureStamp(char** cursor, const SignatureStamp* stamp) {
  char* start = *cursor;
  if (stamp->stamp != 0) {
    FormatPackedDate(cursor, DateOfStamp(stamp->stamp));
    if (StampHour(stamp->stamp) != 0 || StampMinute(stamp->stamp) != 0) {
      Put(cursor, ' ');
      Put2(cursor, StampHour(stamp->stamp));
      Put(cursor, ':');
      Put2(cursor, StampMinute(stamp->stamp));
    }
  }
  if (stamp->signature[0]) {
    if (*cursor != start) Put(cursor, ' ');
    for (int32_t i = 0; i < 3 && stamp->signature[i]; i++) Put(cursor, stamp->signature[i]);
  }
}

void FormatSignatureStampCompact(char** cursor, const SignatureStamp* stamp) {
  FormatTimeStampCompact(cursor, stamp->stamp);
  for (int32_t i = 0; i < 3 && stamp->signature[i]; i++) Put(cursor, stamp->signature[i]);
}

void FormatSignatureStampCStr(char* buffer, const SignatureStamp* stamp) {
  char* cursor = buffer;
  FormatSignatureStamp(&cursor, stamp);
  *cursor = 0;
}

void FormatSignatureStampCompactCStr(char* buffer, const SignatureStamp* stamp) {
  char* cursor = buffer;
  FormatSignatureStampCompact(&cursor, stamp);
  *cursor = 0;
}

int32_t ParseSignatureStampN(SignatureStamp* stamp, const char* text, int32_t length) {
  length = TextLength(text, length);
  int32_t i = 0;
  while (i < length && text[i] && strchr("0123456789 -.:", text[i])) i++;
  stamp->stamp = ParseTimeStamp(text, i, -1);
  memset(stamp->signature, 0, sizeof stamp->signature);
  // At most three bytes of initials, never a cut character and never a control character.
  int32_t n = 0;
  while (i + n < length) {
    unsigned char lead = static_cast<unsigned char>(text[i + n]);
    if (lead < 32) break;
    int32_t size = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (n + size > 3 || i + n + size > length) break;
    for (int32_t k = 0; k < size; k++) stamp->signature[n + k] = text[i + n + k];
    n += size;
  }
  return i + n;
}

int32_t ParseSignatureStamp(SignatureStamp* stamp, const char* text) {
  return ParseSignatureStampN(stamp, text, -1);
}

bool SignatureStampIsEmpty(const SignatureStamp* stamp) {
  return stamp->stamp == 0 && stamp->signature[0] == 0;
}

bool SignatureStampEqual(const SignatureStamp* a, const SignatureStamp* b) {
  return a->stamp == b->stamp && strncmp(a->signature, b->signature, 3) == 0;
}
