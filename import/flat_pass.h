#pragma once
// The background pass of the flat-file editors' "Text" and "Fields" views, apart from their
// windows: the rows of the example file read into the row-offset index while the user-interface
// thread watches the counters.
#include <atomic>
#include <cstdint>
#include <functional>

#include "import/flat_example.h"

class RowReader;

// What a pass tells the user-interface thread: counters it advances and flags it raises, which
// the other side reads and clears.
struct PassCounters {
  std::atomic<int64_t> rows{0};
  std::atomic<int64_t> bytes{0};
  std::atomic<int32_t> maxColumns{0};
  std::atomic<bool> progressChanged{false};
  std::atomic<bool> columnsChanged{false};
  std::atomic<bool> rowsChanged{false};
  std::atomic<bool> tooLong{false};
  // Only while no pass runs.
  void Reset();
};

// The width of the current row as the "Text" view counts it: fields in variable format,
// characters in fixed format (UTF-16 in units).
int32_t RowWidth(const RowReader* reader);

// Reads the opened reader's rows until the file ends or stop is set: the start of the first row
// and then the end of each row go into the index, so grid row i spans entries i and i + 1.
// eachRow (may be empty) runs on every row first and may join further rows; without it the
// widest row is kept in the counters. False when the index ran out of memory.
bool RunRowPass(RowReader* reader, RowOffsetIndex* index, const std::atomic<bool>& stop,
                PassCounters* counters, const std::function<void(RowReader*)>& eachRow);
