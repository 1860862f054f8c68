#pragma once
// The diagram range and the seven display flags of a time-series window, shared by the windows
// and their templates. The flags are one-byte booleans; the templates store only those away from
// their defaults, one record line each, in this order:
//
//   flag  meaning                               default  record
//   0     scaled value labels (power of 1000)   off      "ZE" when on
//   1     inverted value axis                   off      "ZI" when on
//   2     vertical grid lines at periods        on       "ZD" when off
//   3     horizontal grid lines at steps        on       "ZV" when off
//   4     reference-date line                   on       "ZR" when off
//   5     today line                            on       "ZG" when off
//   6     zero line                             off      "ZZ" when on
#include <cstdint>

#include "core/packed_date.h"

class T_IStream;
class T_OStream;

constexpr int32_t kFlagScaledLabels = 0;
constexpr int32_t kFlagInvertedAxis = 1;
constexpr int32_t kFlagPeriodGrid = 2;
constexpr int32_t kFlagValueGrid = 3;
constexpr int32_t kFlagReferenceLine = 4;
constexpr int32_t kFlagTodayLine = 5;
constexpr int32_t kFlagZeroLine = 6;
constexpr int32_t kDiagramFlagCount = 7;

struct DiagramFlags {
  uint8_t on[kDiagramFlagCount];
};

// What a diagram shows: the dates from and to (both included) and the values at the top and the
// bottom of the plot. Equal when all four fields are.
struct DiagramRange {
  PackedDate from = 0;
  PackedDate to = 0;
  double top = 0;
  double bottom = 0;
};
bool DiagramRangeEqual(const DiagramRange& a, const DiagramRange& b);

// Flags 2 to 5 on, the others off.
void DiagramFlagsInit(DiagramFlags* flags);
// The reader's current field is a record's key: a "Z" with one of the seven letters sets its
// flag and answers true; any other key (also "ZC", "ZS", "ZM", "ZN") is left to the caller.
bool ReadDiagramFlag(DiagramFlags* flags, T_IStream* reader);
// The records of the flags away from their defaults, each on a line of its own, in table order.
void WriteDiagramFlags(const DiagramFlags* flags, T_OStream* stream);

// A range too flat to lay out: true unless top - bottom > 0.0001 and (top - bottom) x 10000 >
// |top| + |bottom|. Also true for a range that is not finite.
bool IsRangeDegenerate(const DiagramRange& range);
