#pragma once
// A calendar date and time with the precision it was given in ("2012-03" stays a month).
#include <cstdint>

struct DateRecord {
  int16_t year = 0;
  int16_t month = 0;
  int16_t day = 0;  // 0: no date, the record is empty
  int16_t hour = 0;
  int16_t minute = 0;
  int16_t second = 0;
  int32_t precision = 0;  // 0 year, 1 month, 2 day, 3 hour, 4 minute, 5 second
  int32_t pivotYear = 1970;  // two-digit years fall in the hundred years starting here
};
