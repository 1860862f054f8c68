#pragma once
// Packed dates, card ids, time stamps and signature stamps: the compact integer forms in which
// cards are dated and numbered, their texts in the eight date styles, parsing with completion of
// missing digits, day and month arithmetic, and the period bounds relative to today.
//
// Bit layouts (all unsigned 32-bit):
//
//   PackedDate       | bits 31..9 year - 1900 | 8..5 month | 4..0 day |            0 = no date
//   PackedTimeStamp  | 31..20 year - 1900 | 19..16 month | 15..11 day | 10..6 hour | 5..0 minute
//
// The supported years are 1900 to 2069 (year field 0 to 169). Two-digit years in texts are read
// in the window 1970 to 2069: 00-69 are 2000-2069, 70-99 are 1970-1999.
//
// Day numbers count days from 1900-01-01 (day 0) with every year whose field is a multiple of 4
// a leap year, 1900 included: day 59 is 1900-02-29, and the calendar repeats every 1461 days.
// Month lengths everywhere else follow the Gregorian calendar (February 1900 has 28 days).
//
// Text writers take a byte cursor (the address of a char pointer that they advance; no NUL is
// written; the caller guarantees the room: 32 bytes cover every text of this file).
#include <cstdint>

#include "core/text_buffer.h"

using PackedDate = uint32_t;
using PackedTimeStamp = uint32_t;

constexpr int32_t kFirstYear = 1900;
constexpr int32_t kLastYear = 2069;
constexpr int32_t kCardSequenceOpen = 0x7fffffff;  // the last card of the day, an open upper end

struct CardId {
  PackedDate date = 0;
  int32_t sequence = 0;  // counted from 1 within the day; 0 with the empty date: the empty id
};

struct SignatureStamp {
  PackedTimeStamp stamp = 0;
  char signature[4] = {};  // the user's initials, at most 3 bytes, NUL-terminated
};

// --- Fields and conversions ---------------------------------------------------------------
inline PackedDate PackDate(int32_t year, int32_t month, int32_t day) {
  return static_cast<PackedDate>(((year - kFirstYear) << 9) | (month << 5) | day);
}
inline int32_t PackedDateYear(PackedDate date) {
  return static_cast<int32_t>(date >> 9) + kFirstYear;
}
inline int32_t PackedDateMonth(PackedDate date) { return static_cast<int32_t>((date >> 5) & 15); }
inline int32_t PackedDateDay(PackedDate date) { return static_cast<int32_t>(date & 31); }

int32_t PackedDateToDayNumber(PackedDate date);
// Day numbers below 0 give 1900-01-01, those past 2069-12-31 that day.
PackedDate dayNumberToDate(int32_t n);
int32_t PackedDateDaysInMonth(PackedDate date);
// The day before 1900-01-01 is the empty date; the day after the empty date is 1900-01-01.
PackedDate PackedDateNextDay(PackedDate date);
PackedDate PackedDatePrevDay(PackedDate date);
// The day is cut to the new month's length; the year is held in 1900..2069.
PackedDate PackedDateAddMonths(PackedDate date, int32_t years, int32_t months);
PackedDate PackedDateToday();
// -1, 0 or 1, reversed when descending is 1; the empty date sorts after every other either way.
int32_t PackedDateCompare(PackedDate a, PackedDate b, int32_t descending);
// 0 Monday .. 6 Sunday.
int32_t PackedDateWeekday(PackedDate date);

// --- Date texts ---------------------------------------------------------------------------
// yymmdd; nothing for the empty date.
void FormatPackedDate(char** cursor, PackedDate date);
void FormatPackedDateDigits(char* buffer, PackedDate date);  // NUL-terminated
void FormatPackedDateBuf(T_TextBuf* text, PackedDate date);  // replaces the text

// Date style 0..7, one letter of "STWFGHUV"; process-wide, default 0.
int32_t DateStyleGet();
void DateStyleSet(int32_t style);     // other numbers are ignored
char DateStyleLetter(int32_t style);  // 0 for other numbers
// The style of a letter (stored into *style only when found), or -1.
int32_t ParseDateStyleLetter(char letter, int32_t* style);

void formatDate(char** cursor, PackedDate date, int32_t style);
void FormatDateCurrentStyle(char** cursor, PackedDate date);
void FormatDateCurrentStyleCStr(char* buffer, PackedDate date);
void FormatMonth(char** cursor, PackedDate date);
void FormatMonthCStr(char* buffer, PackedDate date);
void FormatDayRange(char** cursor, PackedDate first, PackedDate last);
void FormatDayRangeCStr(char* buffer, PackedDate first, PackedDate last);
void FormatMonthRange(char** cursor, PackedDate first, PackedDate last);
void FormatMonthRangeCStr(char* buffer, PackedDate first, PackedDate last);

// Reads up to six digits yymmdd, other characters skipped; missing digits complete to the
// earliest date they allow for bound < 0, to the latest for bound >= 0. No digit: the empty date.
PackedDate ParsePackedDate(const char* text, int32_t length, int32_t bound);

// --- Card ids -----------------------------------------------------------------------------
// yymmdd-n; the sequence defaults to 1 for bound <= 0 and to the open end for bound > 0.
void parseDate(CardId* id, const char* text, int32_t length, int32_t bound);
void FormatCardId(char** cursor, const CardId* id);  // nothing for the empty date
void FormatCardIdCStr(char* buffer, const CardId* id);
// The sequence zero-padded to n digits and held to the largest n-digit number.
void FormatCardIdDigits(char** cursor, const CardId* id, int32_t n);
void FormatCardIdToString(T_TextBuf* text, const CardId* id, int32_t n);
int32_t MaxValueOfDigits(int32_t n);

bool CardIdEqual(const CardId* a, const CardId* b);
bool CardIdNotEqual(const CardId* a, const CardId* b);
bool CardIdLess(const CardId* a, const CardId* b);
bool CardIdLessEqual(const CardId* a, const CardId* b);
bool CardIdGreater(const CardId* a, const CardId* b);
bool CardIdGreaterEqual(const CardId* a, const CardId* b);
bool CardIdInRange(const CardId* id, const CardId* low, const CardId* high);  // both ends included
void CardIdNext(CardId* id);
void CardIdPrev(CardId* id);

// Period bounds: a lower bound (bound <= 0) gets sequence 1 on the first day of the period, an
// upper bound the open end on its last day. Every result is held in 1900-01-01..2069-12-31.
void CardIdToday(CardId* id, int32_t bound, int32_t days);
void CardIdAddDays(CardId* id, int32_t bound, PackedDate date, int32_t days);
void CardIdThisWeek(CardId* id, int32_t bound, int32_t weeks);
void CardIdThisMonth(CardId* id, int32_t bound, int32_t months);
void CardIdThisQuarter(CardId* id, int32_t bound, int32_t quarters);
void CardIdThisYear(CardId* id, int32_t bound, int32_t years);

// --- Time stamps and signature stamps -----------------------------------------------------
inline PackedTimeStamp PackTimeStamp(int32_t year, int32_t month, int32_t day, int32_t hour,
                                     int32_t minute) {
  return static_cast<PackedTimeStamp>(((year - kFirstYear) << 20) | (month << 16) | (day << 11) |
                                      (hour << 6) | minute);
}
PackedTimeStamp TimeStampNow();
void FormatTimeStamp(char** cursor, PackedTimeStamp stamp);         // yymmdd hh:mm
void FormatTimeStampCompact(char** cursor, PackedTimeStamp stamp);  // yymmddhhmm
PackedTimeStamp ParseTimeStamp(const char* text, int32_t length, int32_t bound);

void FormatSignatureStamp(char** cursor, const SignatureStamp* stamp);         // yymmdd hh:mm SIG
void FormatSignatureStampCompact(char** cursor, const SignatureStamp* stamp);  // yymmddhhmmSIG
void FormatSignatureStampCStr(char* buffer, const SignatureStamp* stamp);
void FormatSignatureStampCompactCStr(char* buffer, const SignatureStamp* stamp);
// Returns the bytes read.
int32_t ParseSignatureStampN(SignatureStamp* stamp, const char* text, int32_t length);
int32_t ParseSignatureStamp(SignatureStamp* stamp, const char* text);
bool SignatureStampIsEmpty(const SignatureStamp* stamp);
bool SignatureStampEqual(const SignatureStamp* a, const SignatureStamp* b);
