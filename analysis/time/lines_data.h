#pragma once
// What a lines window shows, apart from the window: the rows (statistic header rows, then one row
// per admitted card line in card order) and the statistics of every value column over the
// selection's period, as one calculation builds them.
//
// Invariants:
//   1. rows 0 .. headerRowCount - 1 are header rows (card null, statistic a text id 5103..5119 or
//      0 for the blank separator); the rows after them are data rows (card, group, line set);
//   2. a data row's balance is the accumulated column's running balance after its line, "Sum
//      Before" included when that row is on;
//   3. order is null, or holds rowCount row numbers with the header rows mapping to themselves;
//      orderBalance is null, or holds the balance along the display order, one per row.
//
// User-interface thread only.
#include <cstdint>

#include "analysis/time/lines_template.h"
#include "core/paged_array.h"
#include "core/value_counts.h"
#include "database/card_selection.h"

class T_BusyIndicator;
class T_HWindow;

// Text ids of the statistic rows (5103 + flag) and of the interest rows.
constexpr int32_t kStatInterestPositiveText = 5118;
constexpr int32_t kStatInterestNegativeText = 5119;

struct LinesRow {
  CardRecord* card;
  GroupRecord* group;
  LineRecord* line;
  int32_t statistic;
  float dayPosition;
  double balance;
};

// One double per value column for each accumulator.
struct LinesStatistics {
  double before[kMaxValueCount];
  double positive[kMaxValueCount];
  double negative[kMaxValueCount];
  double period[kMaxValueCount];
  double running[kMaxValueCount];  // at the end: the balance at the period's end
  double after[kMaxValueCount];
  double finalBalance[kMaxValueCount];
  double maxValue[kMaxValueCount];
  double minValue[kMaxValueCount];
  double maxBalance[kMaxValueCount];
  double minBalance[kMaxValueCount];
  double average[kMaxValueCount];
  double averageBalance[kMaxValueCount];
  double median[kMaxValueCount];
  double variance[kMaxValueCount];
  double deviation[kMaxValueCount];
  double turnoverTime[kMaxValueCount];
  double turnoverRate[kMaxValueCount];
  double positiveDays[kMaxValueCount];
  double negativeDays[kMaxValueCount];
  double positiveInterest[kMaxValueCount];
  double negativeInterest[kMaxValueCount];
  int64_t lineCount;
  int64_t cardCount;
  PackedDate firstDate;
  PackedDate lastDate;
  int32_t firstDay;
  int32_t lastDay;
  int32_t countedDay;  // balance-days are counted up to this day (excluded)
  double growthPositive;
  double growthNegative;
  uint8_t wantBefore;
  uint8_t wantExtremes;
  uint8_t wantInterest;
  uint8_t wantDays;
  int64_t medianSizes[kMaxValueCount];  // table sizes of the last calculation
};

struct LinesData {
  T_Base* base = nullptr;
  PagedArray rows{};
  int64_t rowCount = 0;
  int64_t headerRowCount = 0;
  int64_t* order = nullptr;        // owned MemAlloc block, see invariant 3
  double* orderBalance = nullptr;  // owned MemAlloc block
  uint8_t dayPositionsValid = 0;
  uint8_t aborted = 0;  // the last calculation was cut short
  uint8_t selectionFailed = 0;
  LinesStatistics stats{};
};

void LinesDataInit(LinesData* data, T_Base* base);
void LinesDataFree(LinesData* data);
// Every row dropped (and the display order with them).
void LinesDataClearRows(LinesData* data);
void LinesDataDropOrder(LinesData* data);

inline LinesRow* LinesRowAt(const LinesData* data, int64_t row) {
  return reinterpret_cast<LinesRow*>(PagedArrayAt(&data->rows, row));
}
// The row shown at a display position.
inline int64_t LinesDisplayRow(const LinesData* data, int64_t position) {
  return data->order ? data->order[position] : position;
}
// The balance a data row shows at a display position.
double LinesDisplayBalance(const LinesData* data, int64_t position);

// The calculation (the rows, then the statistics), over the cards of the selection's period, its
// before and after stretches as the options ask. The window is where a failing selection
// reports (null: no report); busy, when given, advances once per card. False when the selection
// failed (no rows). An allocation that fails ends the period at that card's date and leaves the
// pending error 600; the abort flag ends the passes with what was seen so far.
bool CalculateLinesData(LinesData* data, CardSelection* selection, const LinesOptions& options,
                        T_HWindow* window, T_BusyIndicator* busy);

// The value of a statistic row (text id 5103..5119) in a value column, and in the accumulated
// cell; NaN where the cell stays empty. Lines and cards counts are the row's one cell.
double LinesStatisticValue(const LinesData* data, int32_t statistic, int32_t column);
double LinesStatisticAccumulated(const LinesData* data, const LinesOptions& options,
                                 int32_t statistic);

// The day position of every data row (k / (n + 1) for the k-th of n rows of one date).
void ComputeDayPositions(LinesData* data);

// For tests: the n-th row allocation from now on fails as if memory ran out (0: none).
void SetLinesRowFailure(int64_t n);
