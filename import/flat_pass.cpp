#include "import/flat_pass.h"

#include "import/row_reader.h"

void PassCounters::Reset() {
  rows = 0;
  bytes = 0;
  maxColumns = 0;
  tooLong = false;
}

int32_t RowWidth(const RowReader* reader) {
  if (reader->Format()->fixedPositions == 0) return reader->CountFields();
  const uint8_t* p = reader->RowStart();
  const uint8_t* end = reader->RowEnd();
  if (p == nullptr || end <= p) return 0;
  if (reader->UnitSize() == 2) return static_cast<int32_t>((end - p) / 2);
  if (reader->Format()->encoding != 0) return static_cast<int32_t>(end - p);
  int32_t n = 0;
  for (; p < end; ++p) n += (*p & 0xC0) != 0x80;
  return n;
}

bool RunRowPass(RowReader* reader, RowOffsetIndex* index, const std::atomic<bool>& stop,
                PassCounters* counters, const std::function<void(RowReader*)>& eachRow) {
  if (!index->Append(reader->NextRowOffset())) return false;
  bool announced = false;
  while (!stop.load(std::memory_order_relaxed)) {
    if (!reader->ReadNextRow()) break;
    if (eachRow) {
      eachRow(reader);
      if (!announced) counters->columnsChanged = announced = true;
    } else {
      const int32_t width = RowWidth(reader);
      if (width > counters->maxColumns.load(std::memory_order_relaxed)) {
        counters->maxColumns = width;
        counters->columnsChanged = true;
      }
    }
    if (!index->Append(reader->NextRowOffset())) return false;
    counters->rows.fetch_add(1, std::memory_order_relaxed);
    counters->bytes.store(reader->NextRowOffset(), std::memory_order_relaxed);
    if (reader->TooLong()) counters->tooLong = true;
    counters->rowsChanged.store(true, std::memory_order_relaxed);
    counters->progressChanged.store(true, std::memory_order_relaxed);
  }
  counters->progressChanged = true;
  return true;
}
