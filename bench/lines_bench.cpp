// The lines calculation at the size of the 1M-line benchmark database: 100,000 cards of 10 lines
// with 3 values, every statistic row on and both interest rates set, over the whole file and over
// a period with lines before and after it. Each case: the median, minimum and maximum of 5 runs.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "analysis/time/lines_data.h"
#include "bench/bench_clock.h"
#include "bench/bench_model.h"
#include "core/alert_handlers.h"
#include "database/base.h"

namespace {

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
  T_Base* base = NewBenchModel();

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
