#include "import/row_reader.h"

#include <windows.h>

#include <cstring>

#include "core/alert.h"
#include "core/code_pages.h"
#include "core/input_stream.h"
#include "core/memory.h"
#include "database/file_progress.h"

namespace {

constexpr int32_t kCharacters = 65536;
constexpr uint16_t kReplacement = 0xFFFD;

bool IsHighSurrogate(uint32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(uint32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// The units of a UTF-8 text, each call one character (a 4-byte one as its two units).
int32_t NextUtf8Char(const uint8_t* p, const uint8_t* end, uint16_t units[2]) {
  const uint8_t b = p[0];
  const int64_t left = end - p;
  if (b < 0x80) {
    units[0] = b;
    return 1;
  }
  if (b >= 0xC2 && b < 0xE0 && left >= 2 && (p[1] & 0xC0) == 0x80) {
    units[0] = static_cast<uint16_t>(((b & 0x1F) << 6) | (p[1] & 0x3F));
    return 1;
  }
  if (b >= 0xE0 && b < 0xF0 && left >= 3 && (p[1] & 0xC0) == 0x80 && (p[2] & 0xC0) == 0x80) {
    const uint32_t c = ((b & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F);
    if (c >= 0x800) {
      units[0] = static_cast<uint16_t>(c);
      return 1;
    }
  }
  if (b >= 0xF0 && b < 0xF5 && left >= 4 && (p[1] & 0xC0) == 0x80 && (p[2] & 0xC0) == 0x80 &&
      (p[3] & 0xC0) == 0x80) {
    const uint32_t c =
        ((b & 0x07) << 18) | ((p[1] & 0x3F) << 12) | ((p[2] & 0x3F) << 6) | (p[3] & 0x3F);
    if (c >= 0x10000 && c <= 0x10FFFF) {
      units[0] = static_cast<uint16_t>(0xD800 + ((c - 0x10000) >> 10));
      units[1] = static_cast<uint16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
      return 2;
    }
  }
  units[0] = kReplacement;
  return 1;
}

// Bytes of the UTF-8 character starting with b (1 for a stray byte).
int32_t Utf8Length(uint8_t b) {
  if (b >= 0xF0 && b < 0xF5) return 4;
  if (b >= 0xE0) return b < 0xF0 ? 3 : 1;
  if (b >= 0xC2) return 2;
  return 1;
}

// The byte length of a character's UTF-8 form as the core holds it: 1 to 3 per unit.
inline bool InSet(const BitVector* set, uint32_t unit) {
  return set->words != nullptr && unit < set->count && BitVecGet(set, unit);
}

int32_t HeldLength(uint32_t unit) { return unit < 0x80 ? 1 : unit < 0x800 ? 2 : 3; }

// Appends a unit as the core holds it: 1 to 3 UTF-8 bytes.
inline char* PutUnit(char* out, uint32_t u) {
  if (u < 0x80) {
    *out++ = static_cast<char>(u);
  } else if (u < 0x800) {
    *out++ = static_cast<char>(0xC0 | (u >> 6));
    *out++ = static_cast<char>(0x80 | (u & 0x3F));
  } else {
    *out++ = static_cast<char>(0xE0 | (u >> 12));
    *out++ = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (u & 0x3F));
  }
  return out;
}

// The character as bytes of the file's encoding; the count.
int32_t EncodeChar(uint32_t c, TextEncoding encoding, uint8_t out[4]) {
  if (encoding == kEncodingUtf8) {
    char bytes[4];
    const int32_t n = static_cast<int32_t>(PutUnit(bytes, c) - bytes);
    std::memcpy(out, bytes, static_cast<size_t>(n));
    return n;
  }
  if (encoding == kEncodingUtf16LE || encoding == kEncodingUtf16BE) {
    const bool big = encoding == kEncodingUtf16BE;
    out[big ? 1 : 0] = static_cast<uint8_t>(c & 0xFF);
    out[big ? 0 : 1] = static_cast<uint8_t>(c >> 8);
    return 2;
  }
  const uint8_t b = Utf16ToCodePageChar(static_cast<uint16_t>(c), encoding);
  out[0] = b != 0 ? b : static_cast<uint8_t>(c & 0xFF);
  return 1;
}

// A UTF-8 text's characters, each as its unit (supplementary characters as their two units).
template <typename Visit>
void ForEachUnit(const T_TextBuf& text, Visit visit) {
  const auto* p = reinterpret_cast<const uint8_t*>(text.c_str());
  const uint8_t* end = p + text.length;
  while (p < end) {
    uint16_t units[2];
    const int32_t n = NextUtf8Char(p, end, units);
    p += units[0] == kReplacement ? 1 : Utf8Length(*p);
    for (int32_t i = 0; i < n; ++i) visit(units[i]);
  }
}

}  // namespace

RowReader::RowReader(const FlatFormat* format) : format_(format) { FileInit(&file_); }

RowReader::~RowReader() {
  Close();
  MemFree(join_);
  FreeTables();
  FileDestroy(&file_);
}

void RowReader::FreeTables() {
  MemFree(byteTable_);
  MemFree(conversionTable_);
  byteTable_ = conversionTable_ = nullptr;
  BitVecFree(&excluded_);
  BitVecFree(&skipped_);
}

void RowReader::BuildTables() {
  FreeTables();
  const auto encoding = static_cast<TextEncoding>(format_->encoding <= 8 ? format_->encoding : 0);
  utf8_ = encoding == kEncodingUtf8;
  bigEndian_ = encoding == kEncodingUtf16BE;
  unitSize_ = encoding == kEncodingUtf16LE || encoding == kEncodingUtf16BE ? 2 : 1;
  singleByte_ = !utf8_ && unitSize_ == 1;
  terminatorLength_ = EncodeChar(format_->rowTerminator, encoding, terminator_);
  separatorLength_ = EncodeChar(format_->fieldSeparator, encoding, separator_);

  BitVecInit(&excluded_, kCharacters, 0);
  BitVecInit(&skipped_, kCharacters, 0);
  const bool sets = excluded_.count == kCharacters && skipped_.count == kCharacters;
  if (sets) {
    BitVecFill(&excluded_, false);
    BitVecFill(&skipped_, false);
  }
  skippedInUse_ = false;
  auto key = [&](uint16_t unit) -> uint32_t {
    if (!singleByte_ || unit < 0x80) return unit;
    return Utf16ToCodePageChar(unit, encoding);
  };
  if (sets) {
    for (uint32_t c = 0; c < 32; ++c) BitVecSet(&excluded_, c, true);
    if (format_->excludeControl) {
      for (uint32_t c = 0; c < 32; ++c) BitVecSet(&skipped_, c, true);
      skippedInUse_ = true;
    }
    if (format_->excludeCounted.present)
      ForEachUnit(format_->excludeCounted.text,
                  [&](uint16_t u) { BitVecSet(&excluded_, key(u), true); });
    if (format_->excludeCompletely.present) {
      ForEachUnit(format_->excludeCompletely.text,
                  [&](uint16_t u) { BitVecSet(&skipped_, key(u), true); });
      skippedInUse_ = true;
    }
  }
  if (format_->convertFrom.present && format_->convertTo.present) {
    uint16_t from[512], to[512];
    int32_t nFrom = 0, nTo = 0;
    ForEachUnit(format_->convertFrom.text, [&](uint16_t u) {
      if (nFrom < 512) from[nFrom++] = u;
    });
    ForEachUnit(format_->convertTo.text, [&](uint16_t u) {
      if (nTo < 512) to[nTo++] = u;
    });
    for (int32_t i = 0; i < nFrom && i < nTo; ++i) {
      if (from[i] == to[i]) continue;
      if (conversionTable_ == nullptr) {
        conversionTable_ = static_cast<uint16_t*>(MemAlloc(kCharacters * 2, 0));
        if (conversionTable_ == nullptr) break;  // no conversion
        for (int32_t c = 0; c < kCharacters; ++c) conversionTable_[c] = static_cast<uint16_t>(c);
      }
      conversionTable_[from[i]] = to[i];
    }
  }
  for (uint32_t c = 0; c < 128; ++c) {
    asciiClass_[c] = skippedInUse_ && InSet(&skipped_, c) ? 1 : InSet(&excluded_, c) ? 2 : 0;
  }
  if (singleByte_) {
    byteTable_ = static_cast<uint16_t*>(MemAlloc(256 * 2, 0));
    if (byteTable_ != nullptr) {
      for (int32_t b = 0; b < 256; ++b) {
        uint16_t c = b < 0x80 ? static_cast<uint16_t>(b)
                              : CodePageCharToUtf16(static_cast<uint8_t>(b), encoding);
        if (b == 0 || InSet(&excluded_, b) || InSet(&skipped_, b)) {
          c = 0;
        } else if (conversionTable_ != nullptr) {
          c = conversionTable_[c];
        }
        byteTable_[b] = c;
      }
    }
  }
}

bool RowReader::Open(const char* path) {
  Close();
  if (buffer_ == nullptr) buffer_ = static_cast<uint8_t*>(MemAlloc(kRowBufferSize, 0));
  if (buffer_ == nullptr) return false;
  if (quiet_) {
    PendingErrorSaved saved;
    PendingErrorSave(&saved);
    const bool opened = FileOpenReadShared(&file_, path, true);
    PendingErrorRestore(&saved);
    if (!opened) return false;
  } else if (!FileOpenReadShared(&file_, path, true)) {
    return false;
  }
  LARGE_INTEGER size;
  fileSize_ = GetFileSizeEx(file_.handle, &size) ? size.QuadPart : 0;
  Rewind();
  if (!quiet_) {
    progress_ = FileProgressCurrent();
    FileProgressBegin(progress_, fileSize_, false);
  }
  return true;
}

void RowReader::Rewind() {
  BuildTables();
  rowCount_ = 0;
  rowStart_ = rowEnd_ = nullptr;
  fieldsKnown_ = 0;
  bomLength_ = 0;
  if (!IsOpen()) return;
  uint8_t head[16];
  const int64_t n = ReadAt(0, head, sizeof head);
  int32_t bom = 0;
  if (n > 0) DetectEncoding(head, n, &bom);
  bomLength_ = bom > 0 && bom <= n ? bom : 0;
  Seek(bomLength_);
}

void RowReader::Seek(int64_t offset) {
  fileOffset_ = offset;
  bufferEnd_ = cursor_ = buffer_;
  exhausted_ = false;
  if (!IsOpen()) return;
  LARGE_INTEGER to;
  to.QuadPart = offset;
  SetFilePointerEx(file_.handle, to, nullptr, FILE_BEGIN);
}

int64_t RowReader::ReadFile(void* out, int64_t n) {
  DWORD got = 0;
  if (n <= 0 || !::ReadFile(file_.handle, out, static_cast<DWORD>(n), &got, nullptr)) {
    if (n > 0 && !quiet_) FileSetError(&file_, 606);
    return 0;
  }
  return got;
}

int64_t RowReader::ReadAt(int64_t offset, void* out, int64_t n) {
  if (!IsOpen() || n <= 0) return 0;
  LARGE_INTEGER to, back;
  to.QuadPart = offset;
  LARGE_INTEGER zero;
  zero.QuadPart = 0;
  if (!SetFilePointerEx(file_.handle, zero, &back, FILE_CURRENT)) return 0;
  int64_t got = 0;
  if (SetFilePointerEx(file_.handle, to, nullptr, FILE_BEGIN)) {
    DWORD read = 0;
    if (::ReadFile(file_.handle, out, static_cast<DWORD>(n), &read, nullptr)) got = read;
  }
  SetFilePointerEx(file_.handle, back, nullptr, FILE_BEGIN);
  return got;
}

void RowReader::Close() {
  FileClose(&file_);
  MemFree(buffer_);
  buffer_ = bufferEnd_ = cursor_ = nullptr;
  rowStart_ = rowEnd_ = nullptr;
  fieldsKnown_ = 0;
  progress_ = nullptr;
}

void RowReader::RowTooLong() {
  tooLong_ = true;
  if (quiet_) return;
  // Shown when the command ends; the reading goes on, so the abort flag stays as it was.
  const bool aborting = AbortRequested();
  PendingErrorSet(kErrorRowsTooLong);
  if (!aborting) PendingError.abort.store(false);
}

const uint8_t* RowReader::FindTerminator(const uint8_t* from) const {
  const uint8_t* end = bufferEnd_;
  if (unitSize_ == 2) {
    const uint8_t a = terminator_[0], b = terminator_[1];
    for (const uint8_t* p = from; p + 2 <= end; p += 2) {
      if (p[0] == a && p[1] == b) return p;
    }
    return nullptr;
  }
  const uint8_t first = terminator_[0];
  const int32_t length = terminatorLength_;
  for (const uint8_t* p = from; p < end;) {
    p = static_cast<const uint8_t*>(std::memchr(p, first, static_cast<size_t>(end - p)));
    if (p == nullptr) return nullptr;
    if (length == 1) return p;
    if (end - p >= length && std::memcmp(p, terminator_, static_cast<size_t>(length)) == 0)
      return p;
    if (end - p < length) return nullptr;  // may be whole after a refill
    ++p;
  }
  return nullptr;
}

int64_t RowReader::Refill() {
  const int64_t rest = bufferEnd_ - cursor_;
  if (cursor_ != buffer_ && rest > 0) std::memmove(buffer_, cursor_, static_cast<size_t>(rest));
  fileOffset_ += cursor_ - buffer_;
  cursor_ = buffer_;
  bufferEnd_ = buffer_ + rest;
  if (exhausted_) return 0;
  const int64_t room = kRowBufferSize - rest;
  if (room <= 0) return 0;
  const int64_t got = ReadFile(bufferEnd_, room);
  if (got <= 0) exhausted_ = true;
  bufferEnd_ += got > 0 ? got : 0;
  return got > 0 ? got : 0;
}

bool RowReader::ReadNextRow() {
  if (buffer_ == nullptr || !IsOpen()) return false;
  const uint8_t* scan = cursor_;
  bool skipping = false;  // inside a row longer than the buffer
  for (;;) {
    const uint8_t* found = FindTerminator(scan);
    if (found != nullptr) {
      ++rowCount_;
      if (skipping) {
        cursor_ = const_cast<uint8_t*>(found) + terminatorLength_;
        skipping = false;
        scan = cursor_;
        continue;
      }
      rowStart_ = cursor_;
      rowEnd_ = found;
      fieldsKnown_ = 0;
      cursor_ = const_cast<uint8_t*>(found) + terminatorLength_;
      return true;
    }
    if (!quiet_) FileProgressSetPosition(progress_, fileOffset_ + (bufferEnd_ - buffer_));
    if (!skipping && cursor_ == buffer_ && bufferEnd_ - buffer_ >= kRowBufferSize) {
      RowTooLong();
      skipping = true;
    }
    if (skipping) {
      // Keep only what may be the start of a terminator, so the row's end is still found; a
      // UTF-16 file stays on its unit bounds.
      const int64_t rest = bufferEnd_ - cursor_;
      const int64_t keep = unitSize_ == 2 ? rest % 2 : terminatorLength_ - 1;
      if (rest > keep) cursor_ = bufferEnd_ - keep;
    }
    // Everything before a possible partial terminator at the end has been scanned.
    const int64_t unscanned = bufferEnd_ - cursor_;
    int64_t from = unitSize_ == 2 ? unscanned - unscanned % 2 : unscanned - (terminatorLength_ - 1);
    if (from < 0) from = 0;
    const int64_t got = Refill();
    if (AbortRequested() && !quiet_) {
      cursor_ = bufferEnd_ = buffer_;
      return false;
    }
    if (bufferEnd_ == buffer_) {
      if (skipping) ++rowCount_;
      return false;
    }
    if (got > 0) {
      scan = buffer_ + from;
      continue;
    }
    // The file is exhausted: what remains is the last row.
    ++rowCount_;
    if (skipping) {
      cursor_ = bufferEnd_;
      return false;
    }
    rowStart_ = cursor_;
    rowEnd_ = bufferEnd_;
    fieldsKnown_ = 0;
    cursor_ = bufferEnd_;
    return true;
  }
}

bool RowReader::JoinRows(int32_t n) {
  if (rowStart_ == nullptr) return false;
  if (join_ == nullptr) join_ = static_cast<uint8_t*>(MemAlloc(kRowBufferSize, 0));
  if (join_ == nullptr) return false;
  int64_t length = 0;
  bool cut = false;
  // Appends bytes, cut at a character boundary of the file's encoding when they do not fit.
  auto append = [&](const uint8_t* bytes, int64_t count) {
    if (cut) return;
    int64_t room = kRowBufferSize - length;
    if (count > room) {
      count = room;
      if (unitSize_ == 2) {
        count -= count % 2;
        if (count >= 2) {
          const uint16_t last =
              bigEndian_ ? static_cast<uint16_t>((bytes[count - 2] << 8) | bytes[count - 1])
                         : static_cast<uint16_t>((bytes[count - 1] << 8) | bytes[count - 2]);
          if (IsHighSurrogate(last)) count -= 2;
        }
      } else if (utf8_) {
        int64_t start = count;
        while (start > 0 && (bytes[start - 1] & 0xC0) == 0x80) --start;
        if (start > 0 && start - 1 + Utf8Length(bytes[start - 1]) > count) count = start - 1;
      }
      cut = true;
      RowTooLong();
    }
    if (count > 0) std::memcpy(join_ + length, bytes, static_cast<size_t>(count));
    length += count > 0 ? count : 0;
  };
  // The current row may lie in the join buffer already (a join of a join).
  if (rowStart_ != join_) {
    append(rowStart_, rowEnd_ - rowStart_);
  } else {
    length = rowEnd_ - rowStart_;
  }
  bool complete = true;
  for (int32_t i = 1; i < n; ++i) {
    if (!format_->fixedPositions) append(separator_, separatorLength_);
    if (!ReadNextRow()) {
      complete = false;
      break;
    }
    append(rowStart_, rowEnd_ - rowStart_);
  }
  rowStart_ = join_;
  rowEnd_ = join_ + length;
  fieldsKnown_ = 0;
  return complete;
}

int32_t RowReader::SeparatorAt(const uint8_t* p, const uint8_t* end) const {
  if (end - p < separatorLength_) return 0;
  if (p[0] != separator_[0]) return 0;
  if (separatorLength_ == 1) return 1;
  return std::memcmp(p, separator_, static_cast<size_t>(separatorLength_)) == 0 ? separatorLength_
                                                                                : 0;
}

int32_t RowReader::CountFields() const {
  if (rowStart_ == nullptr) return 0;
  int32_t count = 1;
  const uint8_t* p = rowStart_;
  const int32_t step = unitSize_;
  while (p < rowEnd_) {
    const int32_t n = SeparatorAt(p, rowEnd_);
    if (n > 0) {
      ++count;
      p += n;
    } else {
      p += step;
    }
  }
  return count;
}

int32_t RowReader::DecodeChar(const uint8_t* p, const uint8_t* end, uint16_t units[2]) const {
  if (utf8_) {
    const int32_t n = NextUtf8Char(p, end, units);
    if (units[0] == kReplacement && n == 1) {
      // A well-formed U+FFFD is three bytes; a stray byte is one.
      const int32_t length = Utf8Length(*p);
      return end - p >= length && p[0] == 0xEF && p[1] == 0xBF && p[2] == 0xBD ? 3 : 1;
    }
    return n == 2 ? 4 : Utf8Length(*p);
  }
  if (unitSize_ == 2) {
    if (end - p < 2) {
      units[0] = kReplacement;
      return static_cast<int32_t>(end - p);
    }
    auto unitAt = [&](const uint8_t* q) {
      return bigEndian_ ? static_cast<uint16_t>((q[0] << 8) | q[1])
                        : static_cast<uint16_t>((q[1] << 8) | q[0]);
    };
    const uint16_t u = unitAt(p);
    if (IsHighSurrogate(u) && end - p >= 4 && IsLowSurrogate(unitAt(p + 2))) {
      units[0] = u;
      units[1] = unitAt(p + 2);
      return 4;
    }
    units[0] = IsHighSurrogate(u) || IsLowSurrogate(u) ? kReplacement : u;
    return 2;
  }
  units[0] = *p;
  return 1;
}

const uint8_t* RowReader::FieldStart(uint32_t skip) const {
  if (fieldsKnown_ == 0) {
    fieldStarts_[0] = 0;
    fieldsKnown_ = 1;
  }
  if (skip < static_cast<uint32_t>(fieldsKnown_)) return rowStart_ + fieldStarts_[skip];
  uint32_t passed = static_cast<uint32_t>(fieldsKnown_ - 1);
  const uint8_t* p = rowStart_ + fieldStarts_[passed];
  while (passed < skip) {
    if (p >= rowEnd_) return nullptr;
    const int32_t n = SeparatorAt(p, rowEnd_);
    if (n > 0) {
      p += n;
      ++passed;
      if (passed < kFieldStarts && passed == static_cast<uint32_t>(fieldsKnown_)) {
        fieldStarts_[passed] = static_cast<uint32_t>(p - rowStart_);
        fieldsKnown_ = static_cast<int32_t>(passed) + 1;
      }
    } else {
      p += unitSize_;
    }
  }
  return p;
}

void RowReader::SplitRowFields(T_TextBuf* out, const FieldDef* piece) const {
  if (rowStart_ == nullptr) return;
  const uint8_t* start = rowStart_;
  const uint8_t* end = rowEnd_;
  if (format_->fixedPositions) {
    if (piece->first == 0 && piece->last == 0) return;
  } else {
    if (piece->fieldNumber == 0 && piece->first == 0 && piece->last == 0) return;
    const uint8_t* p = FieldStart(piece->fieldNumber > 0 ? piece->fieldNumber - 1 : 0);
    if (p == nullptr || p > end) return;  // fewer fields
    start = p;
    while (p < end && SeparatorAt(p, end) == 0) p += unitSize_;
    end = p < end ? p : end;
  }
  const int64_t length = (end - start) / unitSize_;
  const int64_t first = piece->first != 0 ? piece->first : 1;
  const int64_t last = piece->last != 0 && piece->last <= length ? piece->last : length;
  if (first > last) return;

  const bool bytesMode = utf8_ && format_->positionsInBytes;
  char chunk[1024];
  char* w = chunk;
  auto flush = [&]() {
    TextBufAppendBytes(out, chunk, static_cast<int32_t>(w - chunk));
    w = chunk;
  };
  auto emit = [&](uint32_t u) {
    if (chunk + sizeof chunk - w < 8) flush();
    w = PutUnit(w, u);
  };
  int64_t position = 1;  // the first position of the next character
  for (const uint8_t* p = start; p < end && position <= last;) {
    if (utf8_ && *p < 0x80) {  // the common case, one byte and one position in every mode
      const uint8_t b = *p++;
      const uint8_t kind = asciiClass_[b];
      if (kind == 1) continue;
      if (position++ < first || kind == 2) continue;
      if (chunk + sizeof chunk - w < 8) flush();
      if (conversionTable_ != nullptr) {
        w = PutUnit(w, conversionTable_[b]);
      } else {
        *w++ = static_cast<char>(b);
      }
      continue;
    }
    if (singleByte_) {
      const uint8_t b = *p++;
      if (skippedInUse_ && InSet(&skipped_, b)) continue;
      if (position++ < first) continue;
      const uint16_t c = byteTable_ != nullptr ? byteTable_[b] : b;
      if (c != 0) emit(c);
      continue;
    }
    uint16_t units[2] = {0, 0};
    const int32_t bytes = DecodeChar(p, end, units);
    const int32_t count = (utf8_ && bytes == 4) || (unitSize_ == 2 && bytes == 4) ? 2 : 1;
    p += bytes;
    int64_t weight;
    if (skippedInUse_) {
      if (InSet(&skipped_, units[0])) continue;
      weight = bytesMode ? (count == 2 ? 4 : HeldLength(units[0])) : (unitSize_ == 2 ? count : 1);
    } else {
      weight = bytesMode ? bytes : (unitSize_ == 2 ? bytes / 2 : 1);
    }
    if (weight < 1) weight = 1;
    const int64_t from = position;
    const int64_t to = position + weight - 1;
    position += weight;
    if (to < first) continue;
    if (from < first || to > last) {
      emit(kReplacement);  // the range's edge lies inside this character
      continue;
    }
    if (InSet(&excluded_, units[0])) continue;
    for (int32_t i = 0; i < count; ++i) {
      uint32_t u = units[i];
      if (conversionTable_ != nullptr) u = conversionTable_[u];
      emit(u);
    }
  }
  flush();
}
