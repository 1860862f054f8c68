#include "import/flat_example.h"

#include <cstdio>
#include <new>
#include <vector>

#include "core/alert.h"
#include "core/code_pages.h"
#include "core/input_stream.h"

namespace {

// The units of a UTF-8 text (each character up to U+FFFF one unit; beyond, its two).
std::vector<uint32_t> Units(const T_TextBuf& text) {
  std::vector<uint32_t> units;
  const auto* p = reinterpret_cast<const uint8_t*>(text.c_str());
  const uint8_t* end = p + text.length;
  while (p < end) {
    uint32_t c = *p;
    int32_t n = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    if (end - p < n) n = 1;
    if (n > 1) {
      c &= 0xFF >> (n + 1);
      for (int32_t i = 1; i < n; ++i) c = (c << 6) | (p[i] & 0x3F);
    }
    p += n;
    if (c >= 0x10000) {
      units.push_back(0xD800 + ((c - 0x10000) >> 10));
      units.push_back(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      units.push_back(c);
    }
  }
  return units;
}

bool Holds(const OptionalText& text, uint32_t unit) {
  if (!text.present) return false;
  for (uint32_t u : Units(text.text)) {
    if (u == unit) return true;
  }
  return false;
}

// A character as the raw views show it: "." for what the setup drops or a blank, else converted.
void AppendShown(T_TextBuf* out, uint32_t unit, const FlatFormat& format) {
  if (unit <= 32 || unit == 0xFEFF || unit == 0xFFFD || Holds(format.excludeCounted, unit) ||
      Holds(format.excludeCompletely, unit)) {
    TextBufAppendChar(out, '.');
    return;
  }
  if (format.convertFrom.present && format.convertTo.present) {
    const std::vector<uint32_t> from = Units(format.convertFrom.text);
    const std::vector<uint32_t> to = Units(format.convertTo.text);
    for (size_t i = 0; i < from.size() && i < to.size(); ++i) {
      if (from[i] == unit) {
        unit = to[i];
        break;
      }
    }
  }
  TextBufAppendWideChar(out, unit);
}

int32_t Utf8SequenceLength(uint8_t b) {
  return b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
}

}  // namespace

int32_t HexOffsetDigits(int64_t fileSize) {
  if (fileSize < 4096) return 4;
  int32_t bits = 0;
  for (uint64_t v = static_cast<uint64_t>(fileSize); v != 0; v >>= 1) ++bits;
  const int32_t digits = (bits + 3) / 4;
  return digits > 8 ? 8 : digits;
}

void FormatRawRow(const uint8_t* bytes, int32_t n, int64_t offset, bool hex, int32_t offsetDigits,
                  const FlatFormat& format, T_TextBuf* offsetText, T_TextBuf* codes,
                  T_TextBuf* characters) {
  char number[32];
  if (hex) {
    std::snprintf(number, sizeof number, "%0*llX:", offsetDigits,
                  static_cast<unsigned long long>(offset));
  } else {
    std::snprintf(number, sizeof number, "%lld:", static_cast<long long>(offset));
  }
  TextBufAssign(offsetText, number);
  TextBufSetLength(codes, 0);
  for (int32_t i = 0; i < n; ++i) {
    if (hex) {
      if (i > 0 && i % 4 == 0) TextBufAppendChar(codes, ' ');
      std::snprintf(number, sizeof number, "%02X ", bytes[i]);
    } else {
      std::snprintf(number, sizeof number, "%3u ", bytes[i]);
    }
    TextBufAppend(codes, number);
  }
  TextBufSetLength(characters, 0);
  const auto encoding = static_cast<TextEncoding>(format.encoding);
  for (int32_t i = 0; i < n;) {
    if (encoding == kEncodingUtf8) {
      const int32_t length = Utf8SequenceLength(bytes[i]);
      if (length == 1 || i + length > n) {
        AppendShown(characters, bytes[i] < 0x80 ? bytes[i] : 0xFFFD, format);
        ++i;
        continue;
      }
      T_TextBuf one;
      TextBufAssignBytes(&one, reinterpret_cast<const char*>(bytes + i), length);
      const std::vector<uint32_t> units = Units(one);
      AppendShown(characters, units.size() == 1 ? units[0] : 0xFFFD, format);
      for (int32_t k = 1; k < length; ++k) TextBufAppendChar(characters, '.');
      i += length;
    } else if (encoding == kEncodingUtf16LE || encoding == kEncodingUtf16BE) {
      if (i + 1 >= n) {
        TextBufAppendChar(characters, '.');
        ++i;
        continue;
      }
      const uint32_t unit = encoding == kEncodingUtf16LE ? bytes[i] | (bytes[i + 1] << 8)
                                                         : (bytes[i] << 8) | bytes[i + 1];
      AppendShown(characters, unit >= 0xD800 && unit <= 0xDFFF ? 0xFFFD : unit, format);
      i += 2;
    } else {
      const uint8_t b = bytes[i++];
      AppendShown(characters, b < 0x80 ? b : CodePageCharToUtf16(b, encoding), format);
    }
  }
}

void PositionRuler(int32_t n, T_TextBuf* ruler) {
  if (n > 1999) n = 1999;
  TextBufSetLength(ruler, 0);
  for (int32_t position = 1; position <= n; ++position) {
    char c = '.';
    if (position % 10 == 0) {
      c = static_cast<char>('0' + (position / 10) % 10);
    } else if (position % 5 == 0) {
      c = 'x';
    }
    TextBufAppendChar(ruler, c);
  }
}

HeadGuess AnalyseHead(const uint8_t* head, int32_t n, const FlatFormat& setup) {
  HeadGuess guess;
  guess.encoding = setup.encoding;
  guess.rowTerminator = setup.rowTerminator;
  guess.fieldSeparator = setup.fieldSeparator;
  guess.fixedPositions = setup.fixedPositions;
  if (n > kHeadBytes) n = kHeadBytes;
  int32_t bom = 0;
  const TextEncoding detected = n > 0 ? DetectEncoding(head, n, &bom) : -1;
  const bool setupSingleByte = setup.encoding >= 3 && setup.encoding <= 8;
  if (detected >= 0 && detected <= 8 && !(detected == kEncodingSystemPage && setupSingleByte))
    guess.encoding = static_cast<uint32_t>(detected);
  if (bom < 0 || bom > n) bom = 0;

  TextDecoder decoder;
  TextDecoderInit(&decoder);
  decoder.encoding = static_cast<TextEncoding>(guess.encoding);
  TextDecoderSetEncoding(&decoder);
  std::vector<char> decoded(static_cast<size_t>(n) * 3 + 8);
  const int32_t length =
      TextDecoderConvert(&decoder, decoded.data(), static_cast<int32_t>(decoded.size()),
                         reinterpret_cast<const char*>(head + bom), n - bom);
  TextDecoderFree(&decoder);
  T_TextBuf text;
  TextBufAssignBytes(&text, decoded.data(), length < kTextBufMax ? length : kTextBufMax);
  const std::vector<uint32_t> units = Units(text);
  int64_t tabs = 0, lfs = 0, crs = 0, semicolons = 0, commas = 0, terminators = 0, separators = 0;
  auto digit = [](uint32_t c) { return c >= '0' && c <= '9'; };
  for (size_t i = 0; i < units.size(); ++i) {
    const uint32_t c = units[i];
    tabs += c == 9;
    lfs += c == 10;
    crs += c == 13;
    semicolons += c == ';';
    if (c == ',' && !(i > 0 && digit(units[i - 1])) &&
        !(i + 1 < units.size() && digit(units[i + 1])))
      ++commas;
    terminators += c == setup.rowTerminator;
    separators += c == setup.fieldSeparator;
  }
  const int64_t threshold = length / 32 < 10 ? length / 32 : 10;

  int64_t terminatorCount = terminators;
  if (terminators < threshold) {
    if (crs > terminatorCount) {
      guess.rowTerminator = 13;
      terminatorCount = crs;
    }
    if (lfs > terminatorCount) {
      guess.rowTerminator = 10;
      terminatorCount = lfs;
    }
  }
  int64_t separatorCount = separators;
  if (separators < terminatorCount) {
    const std::pair<uint16_t, int64_t> candidates[] = {{9, tabs}, {';', semicolons}, {',', commas}};
    for (const auto& [c, count] : candidates) {
      if (count > separatorCount) {
        guess.fieldSeparator = c;
        separatorCount = count;
      }
    }
  }
  if (separatorCount < terminatorCount) {
    guess.fieldSeparator = setup.fieldSeparator;
    if (separatorCount < threshold) guess.fixedPositions = 1;
  } else if (separatorCount > threshold) {
    guess.fixedPositions = 0;
  }
  guess.differs = guess.encoding != setup.encoding || guess.rowTerminator != setup.rowTerminator ||
                  guess.fieldSeparator != setup.fieldSeparator ||
                  guess.fixedPositions != setup.fixedPositions;
  return guess;
}

void ApplyHeadGuess(const HeadGuess& guess, FlatFormat* format) {
  format->encoding = guess.encoding;
  format->rowTerminator = guess.rowTerminator;
  format->fieldSeparator = guess.fieldSeparator;
  format->fixedPositions = guess.fixedPositions;
}

// --- The row-offset index --------------------------------------------------------------------

RowOffsetIndex::~RowOffsetIndex() { Clear(); }

void RowOffsetIndex::Clear() {
  for (Group*& page : pages_) {
    delete[] page;
    page = nullptr;
  }
  for (Far*& page : farPages_) {
    delete[] page;
    page = nullptr;
  }
  count_.store(0, std::memory_order_release);
  farCount_.store(0, std::memory_order_release);
}

bool RowOffsetIndex::Append(int64_t offset) {
  const int64_t row = count_.load(std::memory_order_relaxed);
  const int64_t group = row / 16;
  if (group / kPageGroups >= kPages) return false;
  Group*& page = pages_[group / kPageGroups];
  if (page == nullptr) {
    page = new (std::nothrow) Group[kPageGroups];
    if (page == nullptr) return PendingErrorOutOfMemory() && false;
  }
  Group* entry = GroupAt(group);
  if (row % 16 == 0) {
    entry->first = offset;
    entry->distance[0] = 0;
  } else {
    const int64_t distance = offset - entry->first;
    if (distance >= 0 && distance < 0xFFFF) {
      entry->distance[row % 16] = static_cast<uint16_t>(distance);
    } else {
      const int64_t far = farCount_.load(std::memory_order_relaxed);
      if (far / kPageGroups >= kPages) return false;
      Far*& farPage = farPages_[far / kPageGroups];
      if (farPage == nullptr) {
        farPage = new (std::nothrow) Far[kPageGroups];
        if (farPage == nullptr) return PendingErrorOutOfMemory() && false;
      }
      *FarAt(far) = Far{row, offset};
      farCount_.store(far + 1, std::memory_order_release);
      entry->distance[row % 16] = 0xFFFF;
    }
  }
  count_.store(row + 1, std::memory_order_release);
  return true;
}

int64_t RowOffsetIndex::Offset(int64_t row) const {
  const Group* entry = GroupAt(row / 16);
  const uint16_t distance = entry->distance[row % 16];
  if (row % 16 == 0) return entry->first;
  if (distance != 0xFFFF) return entry->first + distance;
  // Far rows were appended in row order, each published before the count of its row, so every
  // entry below the far count read now is whole.
  int64_t low = 0, high = farCount_.load(std::memory_order_acquire);
  while (low < high) {
    const int64_t middle = low + (high - low) / 2;
    const Far* far = FarAt(middle);
    if (far->row < row) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return FarAt(low)->offset;
}

