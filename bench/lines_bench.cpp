// The lines calculation at the size of the 1M-line benchmark database: 100,000 cards of 10 lines
// with 3 values, every statistic row on and both interest rates set, over the whole file and over
// a period with lines before and after it; then the sorts of the rows: value 1 descending (the
// general sort on the worker threads) and by the group's component (a counting sort on one
// thread). Each case: the median, minimum and maximum of 5 runs.
//
// With a folder argument the lines are also written as "lines_1m.tsv" (date, card, group, v1) and
// the results the DuckDB peer must agree with as "lines_1m.results" (bench/lines_peer.sh).
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "analysis/time/lines_data.h"
#include "analysis/time/lines_window.h"
#include "bench/bench_clock.h"
#include "bench/bench_model.h"
#include "core/alert_handlers.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/components.h"
#include "database/lines.h"

namespace {

struct Timing {
  double median, minimum, maximum;
};

template <typename Work>
Timing Time(Work work) {
  std::vector<double> seconds;
  for (int32_t run = 0; run < 5; ++run) {
    const double start = Now();
    work();
    seconds.push_back(Now() - start);
  }
  std::sort(seconds.begin(), seconds.end());
  return Timing{seconds[2], seconds[0], seconds[4]};
}

void Print(const char* what, int64_t rows, const Timing& t, const char* threads) {
  std::printf("%s: %lld rows, median %.3f s, min %.3f s, max %.3f s (%s)\n", what,
              static_cast<long long>(rows), t.median, t.minimum, t.maximum, threads);
}

int32_t Processors() {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return static_cast<int32_t>(info.dwNumberOfProcessors);
}

}  // namespace

int main(int argc, char** argv) {
  T_NoAlerts quiet;
  const std::string folder = argc > 1 ? argv[1] : "";
  T_Base* base = NewBenchModel();
  FILE* tsv = folder.empty() ? nullptr : std::fopen((folder + "\\lines_1m.tsv").c_str(), "wb");
  // The lines in card order, group by group as the calculation visits them.
  if (tsv) {
    CardRecord* sentinel = base->sentinelCard;
    for (CardRecord* card = sentinel->next; card != sentinel; card = card->next) {
      int32_t g = 0;
      for (GroupRecord* group = card->firstGroup; group; group = group->next, ++g) {
        int32_t seq = 0;
        for (LineRecord* line = group->firstLine; line; line = line->next)
          std::fprintf(tsv, "%d\t%d\t%d\t%d\t%.2f\n", PackedDateToDayNumber(card->dateNode->date),
                       card->dayNumber, g, seq++, LineValues(line)[0]);
      }
    }
    std::fclose(tsv);
  }

  LinesOptions options;
  LinesOptionsInit(&options, base);
  for (auto& flag : options.statistics) flag = 1;
  options.positiveRate = 3;
  options.negativeRate = 9;
  CardSelection selection;
  Selection_init(&selection, base, nullptr, nullptr);
  LinesData data;
  LinesDataInit(&data, base);
  char threads[64];
  std::snprintf(threads, sizeof threads, "1 thread");
  Timing linear{};
  for (int32_t method : {0, 1}) {
    options.interestMethod = method;
    const Timing t =
        Time([&] { CalculateLinesData(&data, &selection, options, nullptr, nullptr); });
    if (method == 0) linear = t;
    Print(method ? "calculation, whole file, compound interest"
                 : "calculation, whole file, linear interest",
          data.rowCount - data.headerRowCount, t, threads);
  }
  // What the peer must give: count, sum, min, max, median and population variance of value 1,
  // the last running balance, and the first values of the descending order.
  const int64_t rows = data.rowCount - data.headerRowCount;
  const LinesStatistics& s = data.stats;
  char results[512];
  int32_t n = std::snprintf(results, sizeof results,
                            "count %lld\nsum %.6f\nmin %.2f\nmax %.2f\nmedian %.4f\nvar_pop %.6f\n"
                            "running %.6f\nhalfway %.6f\n",
                            static_cast<long long>(rows), s.period[0], s.minValue[0],
                            s.maxValue[0], s.median[0], s.variance[0],
                            LinesRowAt(&data, data.rowCount - 1)->balance,
                            LinesRowAt(&data, data.headerRowCount + rows / 2 - 1)->balance);

  options.sortKeyCount = 1;
  options.sortKeys[0] = LinesSortKey{kLinesValueFirst, 0, 0, 0, 0};
  const Timing byValue = Time([&] { SortLinesData(&data, options, nullptr); });
  // One value key sorts its values beside their rows on one thread; more keys use ParallelSort.
  Print("sort on value 1 descending", rows, byValue, "1 thread");
  options.sortKeyCount = 2;
  options.sortKeys[1] = LinesSortKey{kLinesValueFirst + 2, 0, 0, 0, 5};
  const Timing twoKeys = Time([&] { SortLinesData(&data, options, nullptr); });
  std::snprintf(threads, sizeof threads, "up to %d threads", Processors());
  Print("sort on value 1 descending, then value 3 ascending", rows, twoKeys, threads);
  options.sortKeyCount = 1;
  // The descending order once more for the peer's top values.
  SortLinesData(&data, options, nullptr);
  std::snprintf(results + n, sizeof results - static_cast<size_t>(n), "top %.2f %.2f %.2f\n",
                LineValues(LinesRowAt(&data, data.order[data.headerRowCount])->line)[0],
                LineValues(LinesRowAt(&data, data.order[data.headerRowCount + 1])->line)[0],
                LineValues(LinesRowAt(&data, data.order[data.headerRowCount + 2])->line)[0]);
  options.sortKeys[0] = LinesSortKey{kLinesDimFirst, 0, 0, 0, 0};
  const Timing byComponent = Time([&] { SortLinesData(&data, options, nullptr); });
  Print("sort by the group's component", rows, byComponent, "1 thread");
  LinesDataFree(&data);

  CardId from{PackDate(2011, 1, 1), 1}, to{PackDate(2011, 12, 31), kCardSequenceOpen};
  DateRefSetDate(&selection.from, &from);
  DateRefSetDate(&selection.to, &to);
  LinesDataInit(&data, base);
  const Timing period =
      Time([&] { CalculateLinesData(&data, &selection, options, nullptr, nullptr); });
  Print("calculation, 2011 with the lines before and after", data.rowCount - data.headerRowCount,
        period, "1 thread");
  LinesDataFree(&data);
  Selection_free(&selection);
  if (!folder.empty()) {
    if (FILE* out = std::fopen((folder + "\\lines_1m.results").c_str(), "wb")) {
      std::fputs(results, out);
      std::fprintf(out, "seconds calculation %.6f\nseconds sort %.6f\n", linear.median,
                   byValue.median);
      std::fclose(out);
    }
  }
  delete base;
  return 0;
}
