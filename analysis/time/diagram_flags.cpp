#include "analysis/time/diagram_flags.h"

#include <cmath>

#include "core/input_stream.h"
#include "core/output_stream.h"

namespace {

struct FlagRecord {
  char letter;
  int32_t flag;
  uint8_t value;  // what the record sets
};

// In the order the records are written.
constexpr FlagRecord kRecords[kDiagramFlagCount] = {
    {'E', kFlagScaledLabels, 1}, {'I', kFlagInvertedAxis, 1},  {'D', kFlagPeriodGrid, 0},
    {'V', kFlagValueGrid, 0},    {'R', kFlagReferenceLine, 0}, {'G', kFlagTodayLine, 0},
    {'Z', kFlagZeroLine, 1},
};

}  // namespace

bool DiagramRangeEqual(const DiagramRange& a, const DiagramRange& b) {
  return a.from == b.from && a.to == b.to && a.top == b.top && a.bottom == b.bottom;
}

void DiagramFlagsInit(DiagramFlags* flags) {
  for (const FlagRecord& record : kRecords) flags->on[record.flag] = record.value ? 0 : 1;
}

bool ReadDiagramFlag(DiagramFlags* flags, T_IStream* reader) {
  if (reader->FieldLength() != 2 || reader->Field()[0] != 'Z') return false;
  for (const FlagRecord& record : kRecords) {
    if (reader->Field()[1] != record.letter) continue;
    flags->on[record.flag] = record.value;
    return true;
  }
  return false;
}

void WriteDiagramFlags(const DiagramFlags* flags, T_OStream* stream) {
  for (const FlagRecord& record : kRecords) {
    if ((flags->on[record.flag] != 0) != (record.value != 0)) continue;
    const char key[3] = {'Z', record.letter, 0};
    stream->PutLine(key);
  }
}

bool IsRangeDegenerate(const DiagramRange& range) {
  double span = range.top - range.bottom;
  // Written so that NaN makes the range degenerate.
  return !(span > 0.0001 && span * 10000 > std::fabs(range.top) + std::fabs(range.bottom) &&
           std::isfinite(span));
}
