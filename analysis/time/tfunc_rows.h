#pragma once
// The rows of the time functions table: which period entry each row shows. Rows run in time
// order (Normal), newest first (Reversed), or, with a sort variable or the sort by period name
// (time scales) or card title (active cards, groups and lines), through a row order table.
//
//   order      rows
//   Normal     Before (when shown), the periods oldest first, Totals
//   Reversed   the periods newest first, Before (when shown), Totals
//   sorted     Before (when shown), the periods sorted, Totals; only with two periods or more
// Rows past the periods (and past Before) show the Totals entry.
//
// User-interface thread only.
#include <cstdint>

#include "analysis/time/time_variables.h"

constexpr int32_t kRowsNormal = 0;
constexpr int32_t kRowsReversed = 1;
constexpr int32_t kRowsByName = 2;  // period name (type 16) or card title (types 13 to 15)

struct TFuncRowOrder {
  int32_t mode = kRowsNormal;
  T_TVariable* sortVariable = nullptr;  // a shown variable whose column orders the rows, or none
  int32_t valueOrder = 0;               // one of the orders of CompareByValueOrder
  int64_t* table = nullptr;             // owned MemAlloc block: the entry of each row, or null
  int64_t rowCount = 0;
};

// Builds (or drops) the table for the last calculation; false (pending 600) when it could not be
// had, the rows then staying in time order.
bool TFuncSortRows(TFuncData* data, TFuncRowOrder* order);
void TFuncFreeRowOrder(TFuncRowOrder* order);
// The entry a row shows.
int64_t TFuncRowEntry(const TFuncData* data, const TFuncRowOrder* order, int64_t row);
// The text a row sorts by under kRowsByName: the period name of the scale in force, or the title
// of the card the entry's id names; null for none.
const char* TFuncEntrySortText(const TFuncData* data, int64_t entry);
