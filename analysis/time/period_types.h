#pragma once
// The period types of the time functions window, which the time-series diagram also uses as the
// kinds of its time axis. Their letters in templates are "YHTQNMK432WDACGLX", in this order.
#include <cstdint>

constexpr int32_t kPeriodYears = 0;
constexpr int32_t kPeriodHalfYears = 1;
constexpr int32_t kPeriodTertials = 2;
constexpr int32_t kPeriodQuarters = 3;
constexpr int32_t kPeriodTwoMonths = 4;
constexpr int32_t kPeriodMonths = 5;
constexpr int32_t kPeriodHalfMonths = 6;
constexpr int32_t kPeriodFourWeeks = 7;
constexpr int32_t kPeriodWeeks = 10;
constexpr int32_t kPeriodDays = 11;
constexpr int32_t kPeriodActiveDays = 12;
constexpr int32_t kPeriodActiveCards = 13;
constexpr int32_t kPeriodActiveGroups = 14;
constexpr int32_t kPeriodActiveLines = 15;
constexpr int32_t kPeriodTimeScale = 16;
