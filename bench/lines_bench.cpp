// The lines calculation at the size of the 1M-line benchmark database: 100,000 cards of 10 lines
// with 3 values, every statistic row on and both interest rates set, over the whole file and over
// a period with lines before and after it. Each case: the median, minimum and maximum of 5 runs.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "analysis/time/lines_data.h"
#include "bench/bench_clock.h"
#include "bench/bench_random.h"
#include "core/alert_handlers.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/components.h"
#include "database/lines.h"

namespace {

constexpr int32_t kCards = 100000;
constexpr int32_t kLinesPerCard = 10;
constexpr int32_t kCardsPerDay = 90;

void Time(const char* what, T_Base* base, CardSelection* selection, const LinesOptions& options) {
  std::vector<double> seconds;
  LinesData data;
  LinesDataInit(&data, base);
  for (int32_t run = 0; run < 5; ++run) {
    const double start = Now();
    CalculateLinesData(&data, selection, options, nullptr, nullptr);
    seconds.push_back(Now() - start);
  }
  std::sort(seconds.begin(), seconds.end());
  std::printf("%s: %lld rows, median %.3f s, min %.3f s, max %.3f s\n", what,
              static_cast<long long>(data.rowCount - data.headerRowCount), seconds[2], seconds[0],
              seconds[4]);
  LinesDataFree(&data);
}

}  // namespace

int main() {
  T_NoAlerts quiet;
  auto* base = new T_Base(nullptr, 0);
  for (const char* code : {"1000", "2000", "3000"}) AddComponent(base, 0, code, code, nullptr);
  SetValueCount(base, 3);
  PackedDate day = PackDate(2010, 1, 1);
  double values[3];
  for (int32_t c = 0; c < kCards; ++c) {
    if (c % kCardsPerDay == 0 && c) day = PackedDateNextDay(day);
    CardId id{day, c % kCardsPerDay + 1};
    CardRecord* card = CreateCard(base, &id);
    for (int32_t l = 0; l < kLinesPerCard; ++l) {
      GroupRecord* group = base->FindOrAddGroup(card, kDimensionCount + l % 3);
      LineRecord* line = CreateLine(base, group);
      values[0] = (static_cast<double>(Random(200000)) - 100000) / 100.0;
      values[1] = -values[0];
      values[2] = l;
      base->SetLineValues(line, values);
    }
  }
  std::printf("model of %lld cards, %lld lines\n", static_cast<long long>(base->cardCount),
              static_cast<long long>(base->lineCount));

  LinesOptions options;
  LinesOptionsInit(&options, base);
  for (auto& flag : options.statistics) flag = 1;
  options.positiveRate = 3;
  options.negativeRate = 9;
  CardSelection selection;
  Selection_init(&selection, base, nullptr, nullptr);
  for (int32_t method : {0, 1}) {
    options.interestMethod = method;
    Time(method ? "whole file, compound interest" : "whole file, linear interest", base, &selection,
         options);
  }
  CardId from{PackDate(2011, 1, 1), 1}, to{PackDate(2011, 12, 31), kCardSequenceOpen};
  DateRefSetDate(&selection.from, &from);
  DateRefSetDate(&selection.to, &to);
  Time("2011 with the lines before and after", base, &selection, options);
  Selection_free(&selection);
  delete base;
  return 0;
}
