#pragma once
// Where the periods of the time functions window end: the next period end of every period type
// after a current end, within a range. Day numbers follow the core calendar (1 January 1900 is
// day 0); week ends fall on the days whose day number is a multiple of 7, Sundays.
#include <cstdint>

#include "core/packed_date.h"

class T_Base;
struct TimeScale;

struct PeriodRange {
  PackedDate firstDate;  // the range start's date
  CardId start;
  CardId end;
};

// The end that follows `current` for the period type (0 to 11 and 16), at the end of its day
// (0x7FFFFFFF) for the calendar types and clipped to the range end. A current date of 0 counts
// as the day before the first date. An end that would not be later than the current one (a
// time scale out of order, the last day reached) is the range end.
CardId NextPeriodEnd(int32_t type, const TimeScale* scale, T_Base* base, const CardId& current,
                     const PeriodRange& range);
