// The calculation of the lines window: one pass over the period's cards builds the rows and
// accumulates sums, flows, extremes, balance-days, compound interest and the median tables;
// separate passes add the stretches before and after the period when their rows are on, and a
// second pass over the rows gives the variance.
//
// Balance-days: a balance B held from day a up to day b (b excluded) adds (b - a) x B to the
// positive or negative total by its sign, and B x (f^((E - a)/365) - f^((E - b)/365)) to the
// compound interest, E the day after the period's last day and f the growth factor 1 + rate/100.
// Counting never goes back: b <= a adds nothing.
#include "analysis/time/lines_data.h"

#include <cmath>
#include <limits>

#include "core/alert.h"
#include "core/memory.h"
#include "core/message_pump.h"
#include "core/threads.h"
#include "database/base.h"
#include "database/cards.h"
#include "ui/busy_indicator.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr int32_t kCardsPerPump = 256;

int64_t g_rowFailure = 0;

LinesRow* AppendRow(LinesData* data) {
  if (g_rowFailure > 0 && --g_rowFailure == 0) {
    PendingErrorSet(600);
    return nullptr;
  }
  auto* row = reinterpret_cast<LinesRow*>(PagedArrayAtGrow(&data->rows, data->rowCount));
  if (!row) return nullptr;
  *row = LinesRow{};
  ++data->rowCount;
  return row;
}

bool ValueIsPositive(double v) { return ClassifyDouble(v) == 1; }
bool ValueIsNegative(double v) { return ClassifyDouble(v) == 2; }

struct Pass {
  LinesData* data;
  CardSelection* selection;
  const LinesOptions* options;
  T_BusyIndicator* busy;
  int32_t valueCount;
  ValueCounts* medians;  // null without "Median"
};

// Whether the card's groups and lines pass: calls visit(group, line) for each admitted line.
template <typename Visit>
void VisitCardLines(const CardSelection* selection, CardRecord* card, Visit visit) {
  if (!Selection_matchCard(selection, card)) return;
  for (GroupRecord* group = card->firstGroup; group; group = group->next) {
    if (!CompSelSelects(&selection->components, group->component)) continue;
    for (LineRecord* line = group->firstLine; line; line = line->next) {
      if (Selection_matchLine(selection, line)) {
        if (!visit(group, line)) return;
      }
    }
  }
}

// The cards from..to (ids, both included): calls visit(card) for each while it answers true.
template <typename Visit>
void VisitCards(Pass* pass, const CardId& from, const CardId& to, Visit visit) {
  T_Base* base = pass->data->base;
  CardRecord* card = nullptr;
  int64_t count = base->CountCardsBetween(&from, &to, &card, nullptr);
  int32_t untilPump = kCardsPerPump;
  for (int64_t i = 0; i < count && card && card != base->sentinelCard; ++i, card = card->next) {
    if (pass->busy) pass->busy->Tick();
    if (--untilPump == 0) {
      untilPump = kCardsPerPump;
      PumpMessages();
    }
    if (AbortRequested()) {
      pass->data->aborted = 1;
      return;
    }
    if (!visit(card)) return;
  }
}

void SumLines(Pass* pass, const CardId& from, const CardId& to, double* sums) {
  T_Base* base = pass->data->base;
  VisitCards(pass, from, to, [&](CardRecord* card) {
    VisitCardLines(pass->selection, card, [&](GroupRecord*, LineRecord* line) {
      const double* values = LineValues(line);
      for (int32_t c = 0; c < pass->valueCount; ++c) {
        if (std::isfinite(values[c])) sums[c] += values[c];
      }
      (void)base;
      return true;
    });
    return true;
  });
}

void CountDaysUpTo(LinesStatistics* s, int32_t valueCount, int32_t b) {
  int32_t a = s->countedDay;
  if (b <= a) return;
  const double end = s->lastDay + 1.0;
  for (int32_t c = 0; c < valueCount; ++c) {
    double balance = s->running[c];
    int kind = ClassifyDouble(balance);
    if (kind != 1 && kind != 2) continue;
    double f = kind == 1 ? s->growthPositive : s->growthNegative;
    double interest = balance * (std::pow(f, (end - a) / 365.0) - std::pow(f, (end - b) / 365.0));
    if (kind == 1) {
      s->positiveDays[c] += (b - a) * balance;
      s->positiveInterest[c] += interest;
    } else {
      s->negativeDays[c] += (b - a) * balance;
      s->negativeInterest[c] += interest;
    }
  }
  s->countedDay = b;
}

void ResetStatistics(LinesStatistics* s) {
  int64_t sizes[kMaxValueCount];
  for (int32_t c = 0; c < kMaxValueCount; ++c) sizes[c] = s->medianSizes[c];
  *s = LinesStatistics{};
  for (int32_t c = 0; c < kMaxValueCount; ++c) {
    s->medianSizes[c] = sizes[c];
    s->maxValue[c] = -kInfinity;
    s->minValue[c] = kInfinity;
    s->average[c] = s->averageBalance[c] = s->median[c] = kNaN;
    s->variance[c] = s->deviation[c] = s->turnoverTime[c] = s->turnoverRate[c] = kNaN;
  }
}

void AppendHeaderRows(LinesData* data, const LinesOptions& o) {
  auto header = [&](int32_t id) {
    if (LinesRow* row = AppendRow(data)) row->statistic = id;
  };
  for (int32_t flag = 0; flag < kStatCount; ++flag) {
    if (o.statistics[flag]) header(kStatFirstText + flag);
  }
  if (o.positiveRate != 0) header(kStatInterestPositiveText);
  if (o.negativeRate != 0) header(kStatInterestNegativeText);
  if (data->rowCount > 0) header(0);
  data->headerRowCount = data->rowCount;
}

}  // namespace

void SetLinesRowFailure(int64_t n) { g_rowFailure = n; }

void LinesDataInit(LinesData* data, T_Base* base) {
  *data = LinesData{};
  data->base = base;
  PagedArrayInit(&data->rows, sizeof(LinesRow), 0);
  ResetStatistics(&data->stats);
}

void LinesDataDropOrder(LinesData* data) {
  MemFree(data->order);
  MemFree(data->orderBalance);
  data->order = nullptr;
  data->orderBalance = nullptr;
}

void LinesDataClearRows(LinesData* data) {
  LinesDataDropOrder(data);
  data->rowCount = 0;
  data->headerRowCount = 0;
  data->dayPositionsValid = 0;
}

void LinesDataFree(LinesData* data) {
  LinesDataDropOrder(data);
  PagedArrayFree(&data->rows);
  data->rowCount = data->headerRowCount = 0;
}

double LinesDisplayBalance(const LinesData* data, int64_t position) {
  if (data->orderBalance) return data->orderBalance[position];
  return LinesRowAt(data, LinesDisplayRow(data, position))->balance;
}

bool CalculateLinesData(LinesData* data, CardSelection* selection, const LinesOptions& o,
                        T_HWindow* window, T_BusyIndicator* busy) {
  T_Base* base = data->base;
  LinesStatistics* s = &data->stats;
  LinesDataClearRows(data);
  data->aborted = 0;
  data->selectionFailed = 0;
  const int32_t valueCount = base->valueCount;
  const int32_t accumulated = o.accumulated < valueCount ? o.accumulated : 0;
  ResetStatistics(s);
  CardId from = selection->from.cardId;
  CardId to = selection->to.cardId;
  CardId first, last;
  base->GetCardIdBound(&first, -1);
  base->GetCardIdBound(&last, 1);
  // An empty bound stands for the file's end on its side.
  if (from.date == 0) from = first;
  if (to.date == 0) to = last;
  s->firstDate = from.date;
  s->lastDate = to.date;
  s->firstDay = PackedDateToDayNumber(from.date);
  s->lastDay = PackedDateToDayNumber(to.date);

  if (!Selection_validate(selection, window)) {
    data->selectionFailed = 1;
    return false;
  }
  from = selection->from.cardId.date ? selection->from.cardId : first;
  to = selection->to.cardId.date ? selection->to.cardId : last;
  CardId beforeEnd = from;
  base->GetPrevCardId(&beforeEnd);
  CardId afterStart = to;
  base->GetNextCardId(&afterStart);
  if (busy) {
    busy->Start();
    if (o.statistics[kStatBefore])
      busy->AddWork(base->CountCardsBetween(&first, &beforeEnd, nullptr, nullptr));
    busy->AddWork(base->CountCardsBetween(&from, &to, nullptr, nullptr));
    if (o.statistics[kStatAfter])
      busy->AddWork(base->CountCardsBetween(&afterStart, &last, nullptr, nullptr));
  }

  s->wantBefore = o.statistics[kStatBefore];
  s->wantExtremes = o.statistics[kStatMaximum] || o.statistics[kStatMinimum];
  int posKind = ClassifyDouble(o.positiveRate);
  int negKind = ClassifyDouble(o.negativeRate);
  s->wantInterest = posKind == 1 || posKind == 2 || negKind == 1 || negKind == 2;
  s->wantDays = s->wantInterest || o.statistics[kStatAverage] || o.statistics[kStatTurnoverTime] ||
                o.statistics[kStatTurnoverRate];
  s->growthPositive = 1 + o.positiveRate / 100;
  s->growthNegative = 1 + o.negativeRate / 100;

  ValueCounts medians[kMaxValueCount];
  const bool wantMedian = o.statistics[kStatMedian] != 0;
  if (wantMedian) {
    for (int32_t c = 0; c < valueCount; ++c) ValueCountsInit(&medians[c]);
  }
  Pass pass{data, selection, &o, busy, valueCount, wantMedian ? medians : nullptr};

  AppendHeaderRows(data, o);
  if (s->wantBefore) SumLines(&pass, first, beforeEnd, s->before);

  for (int32_t c = 0; c < valueCount; ++c)
    s->running[c] = s->maxBalance[c] = s->minBalance[c] = s->before[c];
  s->countedDay = s->firstDay;
  VisitCards(&pass, from, to, [&](CardRecord* card) {
    if (s->wantDays) CountDaysUpTo(s, valueCount, PackedDateToDayNumber(card->dateNode->date));
    bool gaveRow = false;
    bool full = false;
    VisitCardLines(selection, card, [&](GroupRecord* group, LineRecord* line) {
      const double* values = LineValues(line);
      for (int32_t c = 0; c < valueCount; ++c) {
        double v = values[c];
        s->running[c] += v;
        if (s->wantExtremes) {
          if (v > s->maxValue[c]) s->maxValue[c] = v;
          if (v < s->minValue[c]) s->minValue[c] = v;
          if (s->running[c] > s->maxBalance[c]) s->maxBalance[c] = s->running[c];
          if (s->running[c] < s->minBalance[c]) s->minBalance[c] = s->running[c];
        }
        if (ValueIsPositive(v))
          s->positive[c] += v;
        else if (ValueIsNegative(v))
          s->negative[c] += v;
        if (wantMedian && !std::isnan(v)) ValueCountsAdd(&medians[c], v);
      }
      LinesRow* row = AppendRow(data);
      if (!row) {
        full = true;
        return false;
      }
      row->card = card;
      row->group = group;
      row->line = line;
      row->balance = s->running[accumulated];
      ++s->lineCount;
      gaveRow = true;
      return true;
    });
    if (gaveRow) ++s->cardCount;
    if (full) {
      // The period ends at this card's date; what was built stays.
      s->lastDate = card->dateNode->date;
      s->lastDay = PackedDateToDayNumber(s->lastDate);
      data->aborted = 1;
      return false;
    }
    return true;
  });
  if (s->wantDays) CountDaysUpTo(s, valueCount, s->lastDay + 1);
  for (int32_t c = 0; c < valueCount; ++c) s->period[c] = s->positive[c] + s->negative[c];
  if (o.statistics[kStatAfter] && !data->aborted) SumLines(&pass, afterStart, last, s->after);

  const int32_t days = s->lastDay - s->firstDay + 1;
  const double lines = static_cast<double>(s->lineCount);
  for (int32_t c = 0; c < valueCount; ++c) {
    s->finalBalance[c] = s->running[c] + s->after[c];
    s->average[c] = s->period[c] / lines;
    if (o.statistics[kStatAverage])
      s->averageBalance[c] = days >= 1 ? (s->positiveDays[c] + s->negativeDays[c]) / days : kNaN;
    if (o.statistics[kStatTurnoverTime] || o.statistics[kStatTurnoverRate]) {
      double flow = s->positive[c] > -s->negative[c] ? s->positive[c] : -s->negative[c];
      s->turnoverTime[c] = std::fabs(s->positiveDays[c] + s->negativeDays[c]) / flow;
      s->turnoverRate[c] = 365 / s->turnoverTime[c];
    }
    if (o.interestMethod == 0) {
      s->positiveInterest[c] = s->positiveDays[c] * o.positiveRate / 36500;
      s->negativeInterest[c] = s->negativeDays[c] * o.negativeRate / 36500;
    }
    if (wantMedian) {
      s->median[c] = ValueCountsMedian(&medians[c]);
      s->medianSizes[c] = medians[c].size;
      ValueCountsFree(&medians[c]);
    }
  }
  if (o.statistics[kStatVariance] || o.statistics[kStatDeviation]) {
    const int64_t dataRows = data->rowCount - data->headerRowCount;
    for (int32_t c = 0; c < valueCount; ++c) {
      if (dataRows == 0) continue;
      double sum = 0;
      for (int64_t r = data->headerRowCount; r < data->rowCount; ++r) {
        double d = LineValues(LinesRowAt(data, r)->line)[c] - s->average[c];
        sum += d * d;
      }
      s->variance[c] = sum / static_cast<double>(dataRows);
      s->deviation[c] = std::sqrt(s->variance[c]);
    }
  }
  if (busy) busy->Finish();
  return true;
}

double LinesStatisticValue(const LinesData* data, int32_t statistic, int32_t c) {
  const LinesStatistics& s = data->stats;
  switch (statistic - kStatFirstText) {
    case kStatBefore:
      return s.before[c];
    case kStatPositive:
      return s.positive[c];
    case kStatNegative:
      return s.negative[c];
    case kStatPeriod:
      return s.period[c];
    case kStatAfter:
      return s.after[c];
    case kStatLineCount:
      return static_cast<double>(s.lineCount);
    case kStatCardCount:
      return static_cast<double>(s.cardCount);
    case kStatAverage:
      return s.average[c];
    case kStatMedian:
      return s.median[c];
    case kStatMaximum:
      return s.maxValue[c];
    case kStatMinimum:
      return s.minValue[c];
    case kStatTurnoverTime:
      return s.turnoverTime[c];
    case kStatTurnoverRate:
      return s.turnoverRate[c];
    case kStatVariance:
      return s.variance[c];
    case kStatDeviation:
      return s.deviation[c];
    default:
      break;
  }
  if (statistic == kStatInterestPositiveText) return s.positiveInterest[c];
  if (statistic == kStatInterestNegativeText) return s.negativeInterest[c];
  return kNaN;
}

double LinesStatisticAccumulated(const LinesData* data, const LinesOptions& o, int32_t statistic) {
  const LinesStatistics& s = data->stats;
  const int32_t c = o.accumulated;
  const bool before = o.statistics[kStatBefore] != 0;
  switch (statistic - kStatFirstText) {
    case kStatPeriod:
      return before ? s.running[c] : kNaN;
    case kStatAfter:
      return before ? s.finalBalance[c] : kNaN;
    case kStatAverage:
      return s.averageBalance[c];
    case kStatMaximum:
      return s.maxBalance[c];
    case kStatMinimum:
      return s.minBalance[c];
    default:
      return kNaN;
  }
}

void ComputeDayPositions(LinesData* data) {
  int64_t r = data->headerRowCount;
  while (r < data->rowCount) {
    PackedDate date = LinesRowAt(data, r)->card->dateNode->date;
    int64_t end = r;
    while (end < data->rowCount && LinesRowAt(data, end)->card->dateNode->date == date) ++end;
    const int64_t n = end - r;
    for (int64_t k = 1; r < end; ++r, ++k)
      LinesRowAt(data, r)->dayPosition = static_cast<float>(static_cast<double>(k) / (n + 1));
  }
  data->dayPositionsValid = 1;
}
