#include "core/file_stream.h"

#include <cstring>

#include "core/alert.h"
#include "core/memory.h"
#include "core/message_pump.h"

const uint8_t* EncodingBom(TextEncoding encoding, int32_t* length) {
  static const uint8_t kUtf8[] = {0xEF, 0xBB, 0xBF};
  static const uint8_t kUtf16LE[] = {0xFF, 0xFE};
  static const uint8_t kUtf16BE[] = {0xFE, 0xFF};
  switch (encoding) {
    case kEncodingUtf8:
      *length = 3;
      return kUtf8;
    case kEncodingUtf16LE:
      *length = 2;
      return kUtf16LE;
    case kEncodingUtf16BE:
      *length = 2;
      return kUtf16BE;
    default:
      *length = 0;
      return nullptr;
  }
}

// --- File output
// ----------------------------------------------------------------------------------------

T_OStreamFile::T_OStreamFile() {
  FileInit(&file);
  buffer_ = static_cast<uint8_t*>(MemAlloc(kFileStreamBuffer, 0));
  if (buffer_ != nullptr) bufferSize_ = kFileStreamBuffer;
  SetBuffer(buffer_, bufferSize_, buffer_);
}

T_OStreamFile::~T_OStreamFile() {
  Close();
  FileDestroy(&file);
  MemFreeWiped(buffer_, wipeWhenFreed);
}

bool T_OStreamFile::Open(const char* path, int32_t flags, const char* shownPath) {
  Close();
  failed_ = false;
  if (!FileOpenWriteAs(&file, path, shownPath != nullptr ? shownPath : path)) return false;
  open_ = 1;
  SetBuffer(buffer_, bufferSize_, buffer_);
  int64_t size = (flags & kOpenAppend) ? FileGetSize(&file) : 0;
  if ((flags & kOpenAppend) && size > 0) {
    FileSeek(&file, size);
  } else if (!(flags & kOpenNoBom)) {
    int32_t length = 0;
    const uint8_t* bom = EncodingBom(encoding, &length);
    if (length > 0 && bufferSize_ >= length) {
      memcpy(pos, bom, static_cast<size_t>(length));
      pos += length;
    }
  }
  return true;
}

void T_OStreamFile::MakeRoom(int64_t n) {
  int64_t used = pos - start;
  if (open_ && used > 0 && FileWrite(&file, start, used) != used) failed_ = true;
  if (n > bufferSize_) {
    // One write larger than the buffer gets a buffer of its own size.
    uint8_t* grown = static_cast<uint8_t*>(MemAlloc(n, 0));
    if (grown != nullptr) {
      MemFreeWiped(buffer_, wipeWhenFreed);
      buffer_ = grown;
      bufferSize_ = n;
    }
  }
  SetBuffer(buffer_, bufferSize_, buffer_);
  PumpMessages();
}

bool T_OStreamFile::Close() {
  if (!open_) return !failed_;
  MakeRoom(0);
  if (!FileSetEnd(&file)) failed_ = true;
  FileClose(&file);
  open_ = 0;
  return !failed_;
}

// --- Block output
// ---------------------------------------------------------------------------------------

T_OStreamBlock::T_OStreamBlock() {
  blocks = static_cast<uint8_t**>(MemAlloc(16 * sizeof(uint8_t*), 0));
  lengths = static_cast<int64_t*>(MemAlloc(16 * sizeof(int64_t), 0));
  if (blocks != nullptr && lengths != nullptr) capacity = 16;
}

T_OStreamBlock::~T_OStreamBlock() {
  for (int32_t i = 0; i < count; ++i) MemFree(blocks[i]);
  MemFree(current);
  MemFree(blocks);
  MemFree(lengths);
}

void T_OStreamBlock::MakeRoom(int64_t n) {
  int64_t used = current == nullptr ? 0 : pos - start;
  if (used == 0 && current != nullptr && end - start >= n) return;
  if (used > 0) {
    if (count == capacity) {
      int64_t grown = capacity + 16;
      void* newBlocks = blocks;
      void* newLengths = lengths;
      if (!MemResize(&newBlocks, grown * static_cast<int64_t>(sizeof(uint8_t*)), 0)) return;
      blocks = static_cast<uint8_t**>(newBlocks);
      if (!MemResize(&newLengths, grown * static_cast<int64_t>(sizeof(int64_t)), 0)) return;
      lengths = static_cast<int64_t*>(newLengths);
      capacity = static_cast<int32_t>(grown);
    }
    blocks[count] = current;
    lengths[count] = used;
    ++count;
    total += used;
  } else {
    MemFree(current);
  }
  current = nullptr;
  SetBuffer(nullptr, 0, nullptr);
  int64_t size = n > kOutputBlockSize ? n : kOutputBlockSize;
  current = static_cast<uint8_t*>(MemAlloc(size, 0));
  if (current != nullptr) SetBuffer(current, size, current);
}

int64_t T_OStreamBlock::TotalLength() const {
  return total + (current == nullptr ? 0 : pos - start);
}

uint8_t* T_OStreamBlock::Collect() {
  if (current != nullptr && pos > start) MakeRoom(0);
  uint8_t* whole = static_cast<uint8_t*>(MemAlloc(total, 0));
  if (whole == nullptr) return nullptr;
  int64_t at = 0;
  for (int32_t i = 0; i < count; ++i) {
    memcpy(whole + at, blocks[i], static_cast<size_t>(lengths[i]));
    at += lengths[i];
    PumpMessages();
  }
  return whole;
}

// --- File input
// -----------------------------------------------------------------------------------------

T_IStreamFile::T_IStreamFile() {
  FileInit(&file);
  buffer_ = static_cast<uint8_t*>(MemAlloc(kFileStreamBuffer, 0));
  if (buffer_ != nullptr) bufferSize_ = kFileStreamBuffer;
  CtorFromMemory(buffer_, 0);
}

T_IStreamFile::~T_IStreamFile() {
  Close();
  FileDestroy(&file);
  MemFreeWiped(buffer_, wipeWhenFreed);
}

bool T_IStreamFile::Open(const char* path) {
  Close();
  if (buffer_ == nullptr || !FileOpenRead(&file, path)) return false;
  uint8_t head[4000];
  int64_t n = FileRead(&file, head, sizeof(head));
  int32_t bomLength = 0;
  TextEncoding detected = DetectEncoding(head, n, &bomLength);
  if (wipeWhenFreed) {
    volatile uint8_t* p = head;
    for (size_t i = 0; i < sizeof head; ++i) p[i] = 0;
  }
  FileSeek(&file, bomLength);
  CtorFromMemory(buffer_, 0);
  offset = bomLength;
  // A code page chosen by the caller stands against a code page that is only guessed.
  if (detected >= 0 && (detected <= kEncodingUtf16BE || encoding < kEncodingSystemPage)) {
    SetEncoding(detected);
  }
  // The byte-order mark says UTF-8 for the whole file: a damaged line later on is not a sign
  // of another encoding.
  if (detected == kEncodingUtf8 && bomLength == 3) utf8Check = 0;
  open_ = 1;
  return true;
}

bool T_IStreamFile::Refill() {
  if (!open_) return false;
  int64_t tail = dataEnd - readStart;
  if (readStart == base && tail == bufferSize_) {
    // The buffer holds one unfinished line: it grows until the line fits, within a bound.
    if (bufferSize_ >= kInputLineLimit) {
      readStart = dataEnd;  // the line is dropped whole
      if (!skipOverlong_) {
        FileSetError(&file, 606);
        return false;
      }
      dropping_ = true;
      skippedLine = lineCount + 1;
      tail = 0;
    }
    if (!dropping_) {
      int64_t size = bufferSize_ * 2 < kInputLineLimit ? bufferSize_ * 2 : kInputLineLimit;
      uint8_t* grown = static_cast<uint8_t*>(MemAlloc(size, 0));
      if (grown == nullptr) {
        readStart = dataEnd;
        return false;
      }
      memcpy(grown, buffer_, static_cast<size_t>(tail));
      MemFreeWiped(buffer_, wipeWhenFreed);
      buffer_ = grown;
      bufferSize_ = size;
    }
  } else if (tail > 0) {
    memmove(buffer_, readStart, static_cast<size_t>(tail));
  }
  offset += readStart - base;
  int64_t got = FileRead(&file, buffer_ + tail, bufferSize_ - tail);
  base = buffer_;
  readStart = buffer_;
  dataEnd = buffer_ + tail + got;
  PumpMessages();
  while (dropping_ && got > 0 && !DropToLineEnd()) {
    offset += dataEnd - base;
    got = FileRead(&file, buffer_, bufferSize_);
    readStart = buffer_;
    dataEnd = buffer_ + got;
  }
  return got > 0;
}

bool T_IStreamFile::DropToLineEnd() {
  const bool wide = encoding == kEncodingUtf16LE || encoding == kEncodingUtf16BE;
  const int step = wide ? 2 : 1;
  const int low = encoding == kEncodingUtf16BE ? 1 : 0;
  for (const uint8_t* p = readStart; p + step <= dataEnd; p += step) {
    if ((p[low] == 13 || p[low] == 10) && (!wide || p[1 - low] == 0)) {
      // The line end stays: it reads as the empty line that stands for the dropped one.
      readStart = p;
      dropping_ = false;
      return true;
    }
  }
  readStart = dataEnd;
  return false;
}

void T_IStreamFile::Seek(int64_t position) {
  if (!open_) return;
  FileSeek(&file, position);
  CtorFromMemory(buffer_, 0);
  offset = position;
}

void T_IStreamFile::Close() {
  if (open_) FileClose(&file);
  open_ = 0;
}
