#pragma once
// DateRef: one end of a date range, the from- or to-bound of a card selection or the reference
// date of a database. It is a fixed card id or a rule resolved against the database and today.
#include <cstdint>

#include "core/packed_date.h"

class T_Base;

// Kinds of a bound.
constexpr int32_t kDateRefFixed = 0;
constexpr int32_t kDateRefDay = 1;
constexpr int32_t kDateRefWeek = 2;
constexpr int32_t kDateRefMonth = 3;
constexpr int32_t kDateRefQuarter = 4;
constexpr int32_t kDateRefYear = 5;
constexpr int32_t kDateRefFile = 6;
constexpr int32_t kDateRefReference = 7;
constexpr int32_t kDateRefCurrentPeriod = 8;
constexpr int32_t kDateRefNamedPeriod = 9;

constexpr int32_t kDirectionFrom = -1;
constexpr int32_t kDirectionTo = 1;

struct DateRef {
  CardId cardId;  // the resolved bound: number 1 (from) or 0x7fffffff (to) for a whole day
  T_Base* database = nullptr;
  int32_t kind = kDateRefFixed;
  int32_t direction = kDirectionFrom;
  int32_t offset = 0;
  char* text = nullptr;  // owned; the time-scale text of kinds 8 and 9
};

// No date, kind 0, offset 0, no text.
void DateRefInit(DateRef* ref, T_Base* database, int32_t direction);
void DateRefFree(DateRef* ref);
