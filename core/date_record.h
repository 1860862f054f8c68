#pragma once
// A calendar date and time with the precision it was given in ("2012-03" stays a month).
//
// Text form: YYYY-MM-DD hh:mm:ss, cut after the precision. Day numbers count from 1583-01-01
// (day 1), the first full Gregorian year; a day number below 1 is no date. Seconds count from the
// start of day 0. Parsing keeps years in 1583..9999.
#include <cstdint>

struct T_TextBuf;

struct DateRecord {
  int16_t year = 0;
  int16_t month = 0;
  int16_t day = 0;  // 0: no date, the record is empty
  int16_t hour = 0;
  int16_t minute = 0;
  int16_t second = 0;
  int32_t precision = 0;     // 0 year, 1 month, 2 day, 3 hour, 4 minute, 5 second
  int32_t pivotYear = 1970;  // two-digit years fall in the hundred years starting here
};

constexpr int32_t kSecondsPerHour = 3600;
constexpr int32_t kSecondsPerDay = 86400;

bool IsLeapYear(int32_t year);
// 28 to 31 for the months 1..12; 0 for any other month.
int32_t DateDaysInMonth(int32_t year, int32_t month);

// The day number of the record's first day (January 1 at precision 0, the 1st at precision 1);
// 0 for no date.
int32_t DateToDays(const DateRecord* record);
// Below 1 only empties the record (day 0); otherwise that day at precision 2, time fields 0.
// Days beyond 9999-12-31 give 9999-12-31.
void DateFromDays(DateRecord* record, int32_t days);
// 0.0 for no date; the time fields count as far as the precision reaches.
double DateToSeconds(const DateRecord* record);
// Precision 5, seconds rounded to whole ones (a round-up to midnight is the next day's 00:00:00).
// Seconds before day 1, NaN included, leave no date; beyond 9999-12-31 give its last second.
void DateFromSeconds(DateRecord* record, double seconds);
// Moves the date of a record by n days (either sign) within 1583-01-01..9999-12-31; time and
// precision stay. Returns the number of days of the resulting month; no date stays as it is (0).
int32_t DateAddDays(DateRecord* record, int32_t n);

// Reads digit groups as year, month, day, hour, minute and second; see date_record.cpp. Two-digit
// years fall in the hundred years from the record's pivotYear, which the caller sets before.
void DateParse(DateRecord* record, const char* text, int32_t length);
void DateParseStr(DateRecord* record, const char* text);  // null gives no date
void DateParseBuf(DateRecord* record, const T_TextBuf* text);

// The text form at a byte cursor, no NUL; nothing for no date. At most 21 bytes.
void DateEmit(const DateRecord* record, char** cursor);
// The text form and a NUL in a buffer of at least 22 bytes; empty for no date.
void DateFormat(const DateRecord* record, char* buffer);
void DateFormatBuf(const DateRecord* record, T_TextBuf* buffer);
