#pragma once
// The storage of the streams: T_OStreamFile writes a text file through a buffer, T_OStreamBlock
// collects output of unknown length (web pages, exports sent or copied afterwards) in a list of
// blocks, and T_IStreamFile reads a text file through a buffer and detects its encoding when it
// is opened.
//
// File failures set the pending error through the file layer (605 open, 606 read, 607 write, 608
// access denied, 609 in use) and the stream goes on: a closed output stream drops what is
// written, a failed read adds no bytes.
//
// Buffers: one write larger than the 10240-byte file buffer or the 16352-byte block gets a
// buffer or block of its own size; one input line larger than the 10240-byte read buffer grows
// it, up to 1 MB; a longer line is read error 606, or, for a reader that asked to skip such
// lines, dropped and counted as an empty line so that the line numbers after it stay right.
#include <cstdint>

#include "core/files.h"
#include "core/input_stream.h"
#include "core/output_stream.h"

constexpr int32_t kFileStreamBuffer = 10240;
constexpr int32_t kOutputBlockSize = 16352;
constexpr int64_t kInputLineLimit = 1 << 20;

// Flags of T_OStreamFile::Open.
constexpr int32_t kOpenAppend = 1;  // a non-empty file is continued at its end
constexpr int32_t kOpenNoBom = 2;   // no byte-order mark at the start

// EF BB BF for UTF-8, FF FE for UTF-16LE, FE FF for UTF-16BE; null (length 0) for code pages.
const uint8_t* EncodingBom(TextEncoding encoding, int32_t* length);

class T_OStreamFile : public T_OStream {
 public:
  T_OStreamFile();
  ~T_OStreamFile() override;

  // Opens the file for writing in the stream's encoding (set it first). With kOpenAppend and a
  // non-empty file the position goes to its end and nothing else is written; otherwise the
  // byte-order mark starts the file unless kOpenNoBom. False with the pending error set when the
  // file cannot be opened; the stream then stays closed.
  // A shown path names the file in every error in place of path (a save's temporary file).
  bool Open(const char* path, int32_t flags, const char* shownPath = nullptr);
  // Writes the buffer out and restarts it (a closed stream drops it).
  void MakeRoom(int64_t n) override;
  // Flushes, cuts the file at the position (a shorter rewrite leaves no old tail) and closes;
  // false when any write of the stream failed.
  bool Close();
  bool IsOpen() const { return open_ != 0; }

  SysFile file;

 private:
  uint8_t* buffer_ = nullptr;
  int64_t bufferSize_ = 0;
  uint8_t open_ = 0;
  bool failed_ = false;
};

class T_OStreamBlock : public T_OStream {
 public:
  T_OStreamBlock();
  ~T_OStreamBlock() override;

  // The current block joins the list when something was written into it; then a new block
  // becomes the buffer (an empty buffer when memory runs out).
  void MakeRoom(int64_t n) override;
  int64_t TotalLength() const;
  // One new block (owned by the caller, MemAlloc) with everything written so far, in order;
  // null when it cannot be allocated. The stream keeps its blocks and may be written further.
  uint8_t* Collect();

  uint8_t** blocks = nullptr;  // finished blocks (MemAlloc), parallel to lengths
  int64_t* lengths = nullptr;
  int32_t count = 0;
  int32_t capacity = 0;
  int64_t total = 0;
  uint8_t* current = nullptr;
};

class T_IStreamFile : public T_IStream {
 public:
  T_IStreamFile();
  ~T_IStreamFile() override;

  // Opens the file, detects its encoding from its first 4000 bytes and skips a byte-order
  // mark. A detected Unicode encoding always applies; a detected code page only when the
  // stream's encoding is not a code page set beforehand. A file that starts with the UTF-8
  // byte-order mark stays UTF-8 to its end (the per-line check is turned off). False with the
  // pending error set when the file cannot be opened.
  bool Open(const char* path);
  bool Refill() override;
  void Seek(int64_t position) override;
  void Close();
  bool IsOpen() const { return open_ != 0; }
  // A line over the limit no longer ends the reading: it comes as an empty line, and
  // skippedLine holds its number (1 for the first line) until the caller clears it.
  void SkipOverlongLines() { skipOverlong_ = true; }

  SysFile file;
  int64_t skippedLine = 0;

 private:
  // Drops the bytes before the next line end; false while none has come.
  bool DropToLineEnd();

  uint8_t* buffer_ = nullptr;
  int64_t bufferSize_ = 0;
  uint8_t open_ = 0;
  bool skipOverlong_ = false;
  bool dropping_ = false;
};
