// The time functions calculation at the size of the 1M-line benchmark database: 100,000 cards of
// 10 lines with 3 values. One Sum selection on value 1 by Months, Weeks, Quarters, Years and
// Active Days; three selections with a formula; one selection restricted by components, dates,
// a line-text pattern and a value condition. Each case: a warm-up, then the median, minimum and
// maximum of 5 runs. The per-period sums are printed in short so that a peer's can be compared.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "analysis/time/time_calculation.h"
#include "bench/bench_clock.h"
#include "bench/bench_model.h"
#include "core/alert_handlers.h"
#include "core/owned_text.h"
#include "database/base.h"
#include "database/component_selection.h"

namespace {

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
}

}  // namespace

int main() {
  T_NoAlerts quiet;
  T_Base* base = NewBenchModel();

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
  return 0;
}
