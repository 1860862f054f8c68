#pragma once
// The row reader: a text file described by a FlatFormat, read row by row through a fixed window,
// with the texts of field pieces taken out of the current row as UTF-8.
//
// Rows are found by comparing the file's own bytes with the terminator encoded in the file's
// encoding; only the characters a piece asks for are decoded.
//
// Invariants:
//   1. buffer_ <= cursor_ <= bufferEnd_ <= buffer_ + kRowBufferSize; fileOffset_ is the file
//      offset of buffer_[0];
//   2. the current row [rowStart_, rowEnd_) lies in the read buffer or in the join buffer and is
//      valid until the next ReadNextRow, JoinRows, Seek or Rewind;
//   3. a terminator is matched only whole; at the end of the file a terminator that ends the
//      data ends the last row, and no empty row follows it;
//   4. a row longer than the buffer is skipped through its terminator (3817, tooLong()); it
//      still counts, so row numbers stay the file's.
//
// A reader belongs to one thread at a time. In quiet mode (a background pass) it reports to
// neither the progress window nor the pending error and reads the file handle directly.
#include <cstdint>

#include "core/bit_vector.h"
#include "core/files.h"
#include "core/text_buffer.h"
#include "database/import_setups.h"

class T_FileWait;

constexpr int32_t kRowBufferSize = 10240;
constexpr int32_t kErrorRowsTooLong = 3817;  // "Too long rows in this file"

class RowReader {
 public:
  explicit RowReader(const FlatFormat* format);
  ~RowReader();
  RowReader(const RowReader&) = delete;
  RowReader& operator=(const RowReader&) = delete;

  // Opens the file for shared reading and rewinds; false with the file layer's pending error
  // (none in quiet mode) when it does not open.
  bool Open(const char* path);
  // After the byte-order mark, with the tables built again from the format.
  void Rewind();
  // The next row becomes current; false at the end of the file or on the user's abort.
  bool ReadNextRow();
  // The current row and the next n - 1 rows become one row (a separator between them in
  // variable format); false when the file ended before. What passes the join buffer is cut at a
  // character boundary (3817), and every row is still consumed.
  bool JoinRows(int32_t n);
  // Separators in the current row plus one.
  int32_t CountFields() const;
  // Appends the text of one piece of the current row.
  void SplitRowFields(T_TextBuf* out, const FieldDef* piece) const;
  // File offset where the next row starts.
  int64_t NextRowOffset() const { return fileOffset_ + (cursor_ - buffer_); }
  // Empties the buffer and continues reading at the offset (a row start).
  void Seek(int64_t offset);
  // n bytes at the offset, for the raw views; the count read.
  int64_t ReadAt(int64_t offset, void* out, int64_t n);
  void Close();

  void SetQuiet(bool quiet) { quiet_ = quiet; }
  bool IsOpen() const { return file_.open != 0; }
  int64_t RowCount() const { return rowCount_; }
  int64_t FileSize() const { return fileSize_; }
  int32_t BomLength() const { return bomLength_; }
  // A row was too long for the buffer or a join since the flag was last cleared.
  bool TooLong() const { return tooLong_; }
  void ClearTooLong() { tooLong_ = false; }
  const uint8_t* RowStart() const { return rowStart_; }
  const uint8_t* RowEnd() const { return rowEnd_; }
  int32_t UnitSize() const { return unitSize_; }
  const FlatFormat* Format() const { return format_; }

 private:
  void BuildTables();
  void FreeTables();
  // Finds the terminator in [from, bufferEnd_); null when none lies wholly there.
  const uint8_t* FindTerminator(const uint8_t* from) const;
  // Moves the unread rest to the front and fills the rest of the buffer; the bytes read.
  int64_t Refill();
  int64_t ReadFile(void* out, int64_t n);
  void RowTooLong();
  // The separator at p (whole) in [p, end): its length, else 0.
  int32_t SeparatorAt(const uint8_t* p, const uint8_t* end) const;
  // Where field skip + 1 of the current row starts; null when the row has fewer fields. The
  // starts found are kept until the row changes, so the fields of one row are found in one scan.
  const uint8_t* FieldStart(uint32_t skip) const;
  // Decodes one character at p (< end): its units (1 or 2) and its length in bytes.
  int32_t DecodeChar(const uint8_t* p, const uint8_t* end, uint16_t units[2]) const;

  const FlatFormat* format_;
  SysFile file_;
  T_FileWait* progress_ = nullptr;
  uint8_t* buffer_ = nullptr;
  uint8_t* join_ = nullptr;
  int64_t fileOffset_ = 0;
  int64_t fileSize_ = 0;
  uint8_t* bufferEnd_ = nullptr;
  uint8_t* cursor_ = nullptr;
  const uint8_t* rowStart_ = nullptr;
  const uint8_t* rowEnd_ = nullptr;
  int64_t rowCount_ = 0;
  bool exhausted_ = false;  // nothing more to read from the file
  bool quiet_ = false;
  bool tooLong_ = false;
  int32_t bomLength_ = 0;
  uint16_t* byteTable_ = nullptr;        // 256 units, single-byte encodings
  uint16_t* conversionTable_ = nullptr;  // 65536 units, when a conversion exists
  BitVector excluded_;
  BitVector skipped_;
  bool skippedInUse_ = false;
  // ASCII characters of UTF-8 files: 0 taken, 1 skipped (no position), 2 excluded.
  uint8_t asciiClass_[128] = {};
  bool singleByte_ = false;
  bool utf8_ = true;
  bool bigEndian_ = false;
  uint8_t terminator_[4] = {};
  int32_t terminatorLength_ = 0;
  uint8_t separator_[4] = {};
  int32_t separatorLength_ = 0;
  int32_t unitSize_ = 1;
  static constexpr uint32_t kFieldStarts = 64;
  mutable uint32_t fieldStarts_[kFieldStarts] = {};  // offsets from rowStart_
  mutable int32_t fieldsKnown_ = 0;                  // 0: none of the current row yet
};
