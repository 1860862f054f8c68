#pragma once
// What the flat-file editors show of an example file, apart from their windows: the rows of the
// raw views, the position ruler of a fixed-format file, the analysis of a file's head that
// proposes a format, and the row-offset index that the background pass fills.
#include <atomic>
#include <cstdint>

#include "core/text_buffer.h"
#include "database/import_setups.h"

// --- Raw views -----------------------------------------------------------------------------------

constexpr int32_t kRawHexBytes = 16;
constexpr int32_t kRawDecimalBytes = 10;

// Digits of the offsets in the hexadecimal view: 4, or for files of 4,096 bytes and more one
// digit per 4 bits of the size, at most 8.
int32_t HexOffsetDigits(int64_t fileSize);

// One row of a raw view: the bytes at the offset (up to 16 in hexadecimal, 10 in decimal) as the
// offset text, the codes and the characters, shown as the format reads them ("." for blanks,
// excluded characters, the byte-order mark and the further bytes of a UTF-8 character).
void FormatRawRow(const uint8_t* bytes, int32_t n, int64_t offset, bool hex, int32_t offsetDigits,
                  const FlatFormat& format, T_TextBuf* offsetText, T_TextBuf* codes,
                  T_TextBuf* characters);

// The title of a fixed-format file's column: "." at every position, "x" at every fifth and the
// last digit of the tens at every tenth; n characters (at most 1,999).
void PositionRuler(int32_t n, T_TextBuf* ruler);

// --- The head of a file --------------------------------------------------------------------------

constexpr int32_t kHeadBytes = 8080;

struct HeadGuess {
  uint32_t encoding = 0;
  uint16_t rowTerminator = 13;
  uint16_t fieldSeparator = 9;
  uint32_t fixedPositions = 0;
  // One of the four differs from the setup's: the editor asks 7382.
  bool differs = false;
};

// Proposes the encoding, terminator, separator and fixed or variable format of a file from its
// first bytes, keeping the setup's choice wherever the head does not speak against it.
HeadGuess AnalyseHead(const uint8_t* head, int32_t n, const FlatFormat& setup);
// The guess written into the format (the answer "Change" to 7382).
void ApplyHeadGuess(const HeadGuess& guess, FlatFormat* format);

// --- The row-offset index --------------------------------------------------------------------

// Row number to file offset, in groups of 16 rows: the first row's 64-bit offset and sixteen
// 16-bit distances from it (40 bytes a group). A distance beyond 16 bits is stored as 0xFFFF and
// its offset kept in a side list.
//
// One thread appends (the background pass), others read: an entry is written before the count
// that publishes it (release), and a reader takes the count first (acquire). Groups lie on pages
// that never move, found through a table of fixed size.
class RowOffsetIndex {
 public:
  RowOffsetIndex() = default;
  ~RowOffsetIndex();
  RowOffsetIndex(const RowOffsetIndex&) = delete;
  RowOffsetIndex& operator=(const RowOffsetIndex&) = delete;

  // Appender only. False when memory runs out (the row is not recorded).
  bool Append(int64_t offset);
  // Any thread: the rows published so far.
  int64_t Count() const { return count_.load(std::memory_order_acquire); }
  // Any thread, row below Count().
  int64_t Offset(int64_t row) const;
  // Only while no pass runs.
  void Clear();

 private:
  struct Group {
    int64_t first;
    uint16_t distance[16];
  };
  static constexpr int32_t kPageGroups = 4096;
  static constexpr int32_t kPages = 4096;  // 268,435,456 rows
  Group* GroupAt(int64_t group) const { return &pages_[group / kPageGroups][group % kPageGroups]; }

  Group* pages_[kPages] = {};
  std::atomic<int64_t> count_{0};
  // Far rows, appended in row order on pages of their own; published with the count.
  struct Far {
    int64_t row;
    int64_t offset;
  };
  Far* FarAt(int64_t i) const { return &farPages_[i / kPageGroups][i % kPageGroups]; }
  Far* farPages_[kPages] = {};
  std::atomic<int64_t> farCount_{0};  // published before the count of its row
};

