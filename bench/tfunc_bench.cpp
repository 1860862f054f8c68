// The time functions calculation at the size of the 1M-line benchmark database: 100,000 cards of
// 10 lines with 3 values. One Sum selection on value 1 by Months, Weeks, Quarters, Years and
// Active Days; three selections with a formula; one selection restricted by components, dates,
// a line-text pattern and a value condition. Each case: a warm-up, then the median, minimum and
// maximum of 5 runs. Given a folder (a Windows path), the bench writes the model's lines there
// (tfunc_1m.tsv: date, account, value 1, line text) and every case's periods (tfunc_qeb.tsv:
// case, period end, first column), which bench/tfunc_peers.sh compares with DuckDB's answers.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "analysis/time/time_calculation.h"
#include "bench/bench_clock.h"
#include "bench/bench_model.h"
#include "core/alert_handlers.h"
#include "core/owned_text.h"
#include "database/base.h"
#include "database/component_selection.h"
#include "database/model_records.h"

namespace {

FILE* g_results = nullptr;

void Time(const char* what, TFuncData* data) {
  std::vector<double> seconds;
  CalculateTimeFunctions(data, nullptr, nullptr);  // warm-up
  for (int32_t run = 0; run < 5; ++run) {
    const double start = Now();
    CalculateTimeFunctions(data, nullptr, nullptr);
    seconds.push_back(Now() - start);
  }
  std::sort(seconds.begin(), seconds.end());
  double total = 0;
  for (int64_t i = kEntryFirstPeriod; i < data->periodCount; ++i) total += TFuncEntryAt(data, i)->values[0];
  std::printf("%s: %lld periods, first column total %.2f, median %.1f ms, min %.1f ms, max %.1f ms\n",
              what, static_cast<long long>(data->periodCount - 2), total, seconds[2] * 1e3,
              seconds[0] * 1e3, seconds[4] * 1e3);
  if (!g_results) return;
  for (int64_t i = kEntryFirstPeriod; i < data->periodCount; ++i) {
    const TFuncEntry* e = TFuncEntryAt(data, i);
    std::fprintf(g_results, "%s\t%04d-%02d-%02d\t%.17g\n", what, PackedDateYear(e->end.date),
                 PackedDateMonth(e->end.date), PackedDateDay(e->end.date), e->values[0]);
  }
}

// The lines as the peers read them.
void WriteLines(T_Base* base, const std::string& folder) {
  FILE* out = std::fopen((folder + "\\tfunc_1m.tsv").c_str(), "wb");
  if (!out) return;
  for (CardRecord* card = base->sentinelCard->next; card != base->sentinelCard; card = card->next) {
    const PackedDate d = card->dateNode->date;
    for (GroupRecord* group = card->firstGroup; group; group = group->next) {
      for (LineRecord* line = group->firstLine; line; line = line->next) {
        std::fprintf(out, "%04d-%02d-%02d\t%lld\t%.17g\t%s\n", PackedDateYear(d), PackedDateMonth(d),
                     PackedDateDay(d), static_cast<long long>(group->component - kDimensionCount),
                     LineValues(line)[0], line->text ? line->text : "");
      }
    }
  }
  std::fclose(out);
}

}  // namespace

int main(int argc, char** argv) {
  T_NoAlerts quiet;
  T_Base* base = NewBenchModel();
  if (argc > 1) {
    WriteLines(base, argv[1]);
    g_results = std::fopen((std::string(argv[1]) + "\\tfunc_qeb.tsv").c_str(), "wb");
  }

  TFuncData data;
  TFuncDataInit(&data, base);
  T_TSelection* sum = TFuncNewSelection(&data, "A");
  sum->accumulation = kAccumulateByPeriod;
  const struct {
    int32_t type;
    const char* name;
  } kTypes[] = {{5, "one Sum by Months"},
                {10, "one Sum by Weeks"},
                {3, "one Sum by Quarters"},
                {0, "one Sum by Years"},
                {kPeriodActiveDays, "one Sum by Active Days"}};
  for (const auto& t : kTypes) {
    data.periodType = t.type;
    Time(t.name, &data);
  }

  data.periodType = kPeriodMonths;
  T_TSelection* second = TFuncNewSelection(&data, "B");
  second->valueColumn = 1;
  second->measure = kMeasureAverage;
  T_TSelection* third = TFuncNewSelection(&data, "C");
  third->measure = kMeasureMaximum;
  third->valueColumn = 2;
  T_TFormula* formula = TFuncNewFormula(&data, "F");
  BlockTextAssign(&formula->text, "A+B*2-C");
  Time("three selections and a formula by Months", &data);

  TFuncErase(&data, formula, nullptr);
  TFuncErase(&data, third, nullptr);
  TFuncErase(&data, second, nullptr);
  CompSelCompileDimension(&sum->selection.components, 0, "1000");
  CardId from{PackDate(2011, 1, 1), 1}, to{PackDate(2012, 6, 30), kCardSequenceOpen};
  DateRefSetDate(&sum->selection.from, &from);
  DateRefSetDate(&sum->selection.to, &to);
  Selection_setPattern(&sum->selection, kPatternLineText, "rent");
  Selection_setCondition(&sum->selection, 0, ">0");
  Time("restricted selection by Months", &data);

  TFuncDataFree(&data);
  delete base;
  if (g_results) std::fclose(g_results);
  return 0;
}
