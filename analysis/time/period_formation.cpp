// Period ends of the calendar resolutions, the week lengths, days and named time scales.
#include "analysis/time/period_formation.h"

#include "database/base.h"
#include "database/time_scale.h"

namespace {

PackedDate EndOfMonth(int32_t year, int32_t month) {
  PackedDate first = PackDate(year, month, 1);
  return PackDate(year, month, PackedDateDaysInMonth(first));
}

// Floor division, also for the day before 1 January 1900 (day -1).
int32_t FloorToMultiple(int32_t n, int32_t m) {
  int32_t q = n / m;
  if (n % m != 0 && n < 0) --q;
  return q * m;
}

}  // namespace

CardId NextPeriodEnd(int32_t type, const TimeScale* scale, T_Base* base, const CardId& current,
                     const PeriodRange& range) {
  CardId next{0, kCardSequenceOpen};
  const PackedDate date = current.date;
  // The day after the current end: a day number, never a date held at the last supported day.
  const int32_t currentDay =
      date != 0 ? PackedDateToDayNumber(date) : PackedDateToDayNumber(range.firstDate) - 1;
  const int32_t lastDay = PackedDateToDayNumber(PackDate(kLastYear, 12, 31));
  if (type >= 0 && type <= 11 && currentDay >= lastDay) return range.end;
  const PackedDate following = dayNumberToDate(currentDay + 1);
  const int32_t year = PackedDateYear(following);
  const int32_t month = PackedDateMonth(following);
  switch (type) {
    case 0:
      next.date = EndOfMonth(year, 12);
      break;
    case 1:
      next.date = EndOfMonth(year, month <= 6 ? 6 : 12);
      break;
    case 2:
      next.date = EndOfMonth(year, month <= 4 ? 4 : month <= 8 ? 8 : 12);
      break;
    case 3:
      next.date = EndOfMonth(year, (month - 1) / 3 * 3 + 3);
      break;
    case 4:
      next.date = EndOfMonth(year, (month - 1) / 2 * 2 + 2);
      break;
    case 5:
      next.date = EndOfMonth(year, month);
      break;
    case 6:
      next.date = PackedDateDay(following) <= 15 ? PackDate(year, month, 15) : EndOfMonth(year, month);
      break;
    case 7:
    case 8:
    case 9:
    case 10: {
      const int32_t length = (11 - type) * 7;
      int32_t end = FloorToMultiple(currentDay + length, 7);
      next.date = end > lastDay ? dayNumberToDate(lastDay) : dayNumberToDate(end);
      break;
    }
    case 11:
      next.date = date != 0 ? following : range.start.date;
      break;
    case 16: {
      CardId after = current;
      if (date == 0) after = range.start;
      else base->GetNextCardId(&after);
      next = scale ? PeriodEnd(scale, &after) : range.end;
      break;
    }
    default:
      return range.end;
  }
  if (CardIdGreater(&next, &range.end)) return range.end;
  if (!CardIdGreater(&next, &current)) return range.end;
  return next;
}
