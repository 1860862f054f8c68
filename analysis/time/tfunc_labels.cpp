// The first column of the time functions table: what each period entry is called, by period
// type, and the names of the period types themselves.
#include <cstring>

#include "analysis/time/tfunc_window.h"
#include "core/localized_text.h"
#include "core/packed_date.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/time_scale.h"

namespace {

// Titles of 512 bytes or more are cut to 510 at a character boundary and marked "..".
constexpr int32_t kTitleCutAt = 512;
constexpr int32_t kTitleKept = 510;
// The date of a time scale's open end (its last period runs on without one).
constexpr PackedDate kOpenEndDate = 0x7fffffffu;

const int32_t kCalendarTexts[] = {6142, 6143, 6144, 6145, 6146, 6147,
                                  6148, 6150, 6151, 6152, 6153, 6155};

void AppendDate(T_TextBuf* text, PackedDate date) {
  char buffer[40];
  FormatDateCurrentStyleCStr(buffer, date);
  TextBufAppend(text, buffer);
}

void AppendYear(T_TextBuf* text, PackedDate date) {
  TextBufAppendInt(text, PackedDateYear(date));
}

PackedDate DayAfter(PackedDate date) {
  return dayNumberToDate(PackedDateToDayNumber(date) + 1);
}

// The first day of a period: the range's first date for the first period, else the day after
// the previous period's end.
PackedDate PeriodStart(const TFuncData* data, int64_t entry) {
  if (entry <= kEntryFirstPeriod) return data->firstDate;
  return DayAfter(TFuncEntryAt(data, entry - 1)->end.date);
}

const CardRecord* CardOfId(const TFuncData* data, const CardId& id) {
  if (!data->base) return nullptr;
  CardRecord* card = FindCardAtOrBefore(data->base, &id);
  if (!card || card == data->base->sentinelCard || card->dateNode->date != id.date ||
      card->dayNumber != id.sequence)
    return nullptr;
  return card;
}

void AppendCutTitle(T_TextBuf* text, const char* title) {
  const int32_t n = static_cast<int32_t>(std::strlen(title));
  if (n < kTitleCutAt) {
    TextBufAppend(text, title);
    return;
  }
  int32_t keep = kTitleKept;
  while (keep > 0 && (static_cast<uint8_t>(title[keep]) & 0xC0) == 0x80) --keep;
  TextBufAppendBytes(text, title, keep);
  TextBufAppend(text, "..");
}

void CalendarLabel(const TFuncData* data, int64_t entry, T_TextBuf* text) {
  const PackedDate end = TFuncEntryAt(data, entry)->end.date;
  const int32_t month = PackedDateMonth(end);
  const PackedDate start = PeriodStart(data, entry);
  switch (data->typeInForce) {
    case kPeriodYears:
      AppendYear(text, end);
      return;
    case kPeriodHalfYears:
      AppendYear(text, end);
      TextBufAppendChar(text, ' ');
      TextBufAppend(text, GetString(month <= 6 ? kTextSpring : kTextFall));
      return;
    case kPeriodTertials:
    case kPeriodQuarters: {
      AppendYear(text, end);
      const bool tertial = data->typeInForce == kPeriodTertials;
      char part[4] = {' ', tertial ? 'T' : 'Q', static_cast<char>('1' + (month - 1) / (tertial ? 4 : 3)), 0};
      TextBufAppend(text, part);
      return;
    }
    case kPeriodTwoMonths:
      AppendYear(text, end);
      TextBufAppendChar(text, ' ');
      if (PackedDateMonth(start) == month && PackedDateYear(start) == PackedDateYear(end))
        TextBufAppend(text, GetString(kTextMonthNames + month - 1));
      else
        TextBufAppend(text, GetString(kTextTwoMonthNames + (month - 1) / 2));
      return;
    case kPeriodMonths:
      AppendYear(text, end);
      TextBufAppendChar(text, ' ');
      TextBufAppend(text, GetString(kTextMonthNames + month - 1));
      return;
    default: {
      char buffer[64];
      if (end > start)
        FormatDayRangeCStr(buffer, start, end);
      else
        FormatDateCurrentStyleCStr(buffer, start);
      TextBufAppend(text, buffer);
      return;
    }
  }
}

}  // namespace

const char* PeriodTypeText(int32_t type) {
  if (type >= 0 && type <= kPeriodDays) return GetString(kCalendarTexts[type]);
  if (type >= kPeriodActiveDays && type <= kPeriodActiveLines)
    return GetString(kTextActiveDays + type - kPeriodActiveDays);
  return "";
}

void TFuncRowLabel(const TFuncData* data, int64_t entry, const TFuncLabelOptions& options,
                   T_TextBuf* text) {
  TextBufAssign(text, nullptr);
  if (entry < 0 || entry >= data->periodCount) return;
  if (entry == kEntryBefore) {
    TextBufAppend(text, GetString(5214));
    TextBufAppendChar(text, ' ');
    AppendDate(text, data->firstDate);
    return;
  }
  if (entry == kEntryTotals) {
    TextBufAppend(text, GetString(kTextTotals));
    return;
  }
  const CardId& end = TFuncEntryAt(data, entry)->end;
  const int32_t type = data->typeInForce;
  if (options.endDatesOnly || type == kPeriodDays || type == kPeriodActiveDays) {
    AppendDate(text, end.date);
    return;
  }
  if (type <= kPeriodWeeks && type >= 0) {
    CalendarLabel(data, entry, text);
    return;
  }
  if (type >= kPeriodActiveCards && type <= kPeriodActiveLines) {
    if (end.sequence == 0x7FFFFFFF) {
      AppendDate(text, end.date);
      return;
    }
    FormatCardIdToString(text, &end, data->base ? data->base->cardDigits : 3);
    const CardRecord* card = options.cardTitles ? CardOfId(data, end) : nullptr;
    if (card && card->title) {
      TextBufAppendChar(text, ' ');
      AppendCutTitle(text, card->title);
    }
    return;
  }
  // A time scale; without the scale (deleted since) the end date.
  const TimeScale* scale = data->scaleInForce;
  const char* name = scale ? PeriodNameOfDate(scale, &end) : nullptr;
  if (name && *name) {
    TextBufAppend(text, name);
    return;
  }
  if (!scale) {
    AppendDate(text, end.date);
    return;
  }
  const PackedDate start = PeriodStart(data, entry);
  AppendDate(text, start);
  CardId periodStart{}, periodEnd{};
  PeriodBounds(scale, &periodStart, &periodEnd, &end, 0);
  // The last period's end is open, which is no date to print: the row's own end stands in.
  const PackedDate bound = periodEnd.date == kOpenEndDate ? end.date : periodEnd.date;
  if (bound > start) {
    TextBufAppend(text, " - ");
    AppendDate(text, bound);
  }
}
