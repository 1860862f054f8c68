#include "core/input_stream.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/alert.h"
#include "core/block_codec.h"
#include "core/cstring.h"
#include "core/locale.h"
#include "core/memory.h"
#include "core/message_pump.h"
#include "core/number_parse.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "core/utf8.h"

namespace {

constexpr int32_t kContinuedMinimum = 4000;  // a long-text piece is at least this long
constexpr int64_t kLineLimit = 1 << 20;      // the longest line a reader accepts
constexpr int32_t kBinaryBufferSize = 36864;
constexpr int32_t kBinaryExpandLimit = 1 << 24;

bool IsContinuation(uint8_t byte) { return (byte & 0xC0) == 0x80; }

// Every sequence of the range is a well-formed character. With openEnd, a character cut by the
// end of the range is accepted (a long-text piece may end inside one).
bool WholeUtf8(const uint8_t* p, int64_t n, bool openEnd) {
  const char* at = reinterpret_cast<const char*>(p);
  const char* end = at + n;
  while (at < end) {
    int32_t length = Utf8CharLengthIn(at, end);
    if (length < 0) return openEnd;
    if (length == 0) return false;
    at += length;
  }
  return true;
}

// The last field of a raw line ends in the long-text marker and is long enough to be a piece.
bool EndsWithPieceMarker(const uint8_t* raw, int64_t n) {
  if (n < kContinuedMinimum || memcmp(raw + n - 3, "/==", 3) != 0) return false;
  int64_t fieldStart = n;
  while (fieldStart > 0 && raw[fieldStart - 1] != '\t') --fieldStart;
  return n - fieldStart >= kContinuedMinimum;
}

}  // namespace

// --- Construction
// -------------------------------------------------------------------------------------

T_IStream::T_IStream() = default;

T_IStream::~T_IStream() {
  MemFree(substitutions);
  MemFreeWiped(lineBuffer, wipeWhenFreed);
  MemFree(decodeTable);
  MemFreeWiped(binaryBuffer, wipeWhenFreed);
  MemFreeWiped(tokenBuffer, wipeWhenFreed);
}

void T_IStream::CtorFromMemory(const void* address, int64_t length) {
  base = static_cast<const uint8_t*>(address);
  readStart = base;
  dataEnd = base == nullptr ? nullptr : base + (length > 0 ? length : 0);
  offset = 0;
  lineStart = lineEnd = fieldCursor = tokenCursor = nullptr;
  fieldStart = "";
  fieldLength = 0;
}

void T_IStream::CtorFromOStream(const T_OStream* stream) {
  CtorFromMemory(stream->start, stream->pos - stream->start);
}

bool T_IStream::Refill() {
  PumpMessages();
  return false;
}

void T_IStream::Seek(int64_t) {}

void T_IStream::SetEncoding(TextEncoding number) {
  encoding = number;
  MemFree(decodeTable);
  decodeTable = nullptr;
}

void T_IStream::SetEncodingByName(const char* name) {
  TextEncoding number = EncodingFromName(name);
  if (number >= 0) SetEncoding(number);
}

void T_IStream::AddCharSubstitution(uint32_t from, uint32_t to) {
  // The table covers the characters up to U+FFFF; one beyond maps nothing (cut to 16 bits it
  // would map another character).
  if (from == to || from > 0xFFFF || to > 0xFFFF) return;
  if (substitutions == nullptr) {
    substitutions = static_cast<uint16_t*>(MemAlloc(65536 * sizeof(uint16_t), 0));
    if (substitutions == nullptr) return;
    for (uint32_t u = 0; u < 65536; ++u) substitutions[u] = static_cast<uint16_t>(u);
  }
  substitutions[from] = static_cast<uint16_t>(to);
  MemFree(decodeTable);
  decodeTable = nullptr;
}

void T_IStream::AddCharSubstitutions(const char* fromText, const char* toText) {
  if (fromText == nullptr || toText == nullptr) return;
  const char* a = fromText;
  const char* b = toText;
  while (*a != 0 && *b != 0) {
    uint32_t from = Utf8NextChar(&a);
    uint32_t to = Utf8NextChar(&b);
    if (from > 32) AddCharSubstitution(from, to);
  }
}

// --- Lines
// ----------------------------------------------------------------------------------------------

bool T_IStream::NextLine() {
  for (;;) {
    lineFailed_ = false;
    if (ReadLine(false)) return true;
    // A line that could not be converted ends the reading here (the pending error says why)
    // rather than being skipped for the next one.
    if (lineFailed_) break;
    if (Refill()) continue;
    if (ReadLine(true)) return true;
    break;
  }
  // No line is current any more: a caller handed the stream after the end must not read the
  // last line again (a section dispatcher would dispatch its header once more).
  lineStart = lineEnd;
  fieldCursor = lineEnd;
  tokenCursor = lineEnd;
  return false;
}

void T_IStream::RewindLine() {
  fieldCursor = lineStart;
  tokenCursor = lineStart;
}

bool T_IStream::EnsureLineBuffer(int64_t n) {
  if (n <= lineBufferSize) return true;
  // A line is at most 1 MB, so its conversion is at most 3 MB.
  constexpr int64_t kMost = 3 * kLineLimit + 16;
  if (n > kMost) {
    PendingErrorOutOfMemory();
    return false;
  }
  int64_t size = lineBufferSize > 0 ? lineBufferSize : kLineBufferSize;
  while (size < n) size *= 2;
  if (size > kMost) size = kMost;
  char* grown = static_cast<char*>(MemAlloc(size, 0));
  if (grown == nullptr) return false;
  MemFreeWiped(lineBuffer, wipeWhenFreed);
  lineBuffer = grown;
  lineBufferSize = static_cast<int32_t>(size);
  return true;
}

bool T_IStream::ReadLine(bool final) {
  for (;;) {
    fieldStart = "";
    fieldLength = 0;
    if (readStart == nullptr || readStart >= dataEnd) return false;
    const uint8_t* p = readStart;
    const int64_t available = dataEnd - readStart;
    const bool wide = encoding == kEncodingUtf16LE || encoding == kEncodingUtf16BE;
    const int step = wide ? 2 : 1;
    // The byte of each unit that holds a terminator, and the one that must be 0.
    const int low = encoding == kEncodingUtf16BE ? 1 : 0;
    int64_t at = -1;
    uint8_t terminator = 0;
    for (int64_t i = 0; i + step <= available; i += step) {
      uint8_t b = p[i + low];
      if ((b == 13 || b == 10) && (!wide || p[i + 1 - low] == 0)) {
        at = i;
        terminator = b;
        break;
      }
    }
    int64_t rawLength, consumed;
    if (at < 0) {
      if (!final) return false;
      rawLength = wide ? available & ~int64_t{1} : available;
      consumed = available;
    } else {
      // Nothing after the terminator yet: its partner (CR LF) may come with the next fill.
      const bool followerThere = at + 2 * step <= available;
      if (!followerThere && !final) return false;
      rawLength = at;
      consumed = at + step;
      if (followerThere) {
        uint8_t next = p[consumed + low];
        uint8_t other = terminator == 13 ? 10 : 13;
        if (next == other && (!wide || p[consumed + 1 - low] == 0)) consumed += step;
      }
    }

    if (encoding == kEncodingUtf8 && utf8Check) {
      // A long-text piece may end inside a character and its continuation begin with the rest
      // of it: the two are checked as the joined text they form.
      bool piece = EndsWithPieceMarker(p, rawLength);
      int64_t skip = 0;
      if (previousLineContinues_) {
        while (skip < 3 && skip < rawLength && IsContinuation(p[skip])) ++skip;
      }
      if (!WholeUtf8(p + skip, (piece ? rawLength - 3 : rawLength) - skip, piece)) {
        SetEncoding(kEncodingSystemPage);
        continue;  // the same line again in the system code page
      }
      previousLineContinues_ = piece;
    }
    rawLineStart = p;
    readStart = p + consumed;
    if (!PrepareLine(p, rawLength)) {
      lineFailed_ = true;
      return false;
    }
    ++lineCount;
    fieldCursor = lineStart;
    tokenCursor = lineStart;
    return true;
  }
}

bool T_IStream::PrepareLine(const uint8_t* raw, int64_t rawLength) {
  const char* bytes = reinterpret_cast<const char*>(raw);
  if (encoding == kEncodingUtf8 && substitutions == nullptr) {
    // Used in place; composing needs a copy it can change.
    lineStart = const_cast<char*>(bytes);
    lineEnd = lineStart + rawLength;
    if (compose && rawLength > 1 && memchr(bytes + 1, 0xCC, static_cast<size_t>(rawLength - 1))) {
      if (!EnsureLineBuffer(rawLength + 1)) return false;
      memcpy(lineBuffer, bytes, static_cast<size_t>(rawLength));
      lineStart = lineBuffer;
      lineEnd = lineBuffer + rawLength;
      ComposeLine();
    }
    return true;
  }
  // Every input byte gives at most 3 output bytes (and the decoder stops 2 short of capacity).
  if (!EnsureLineBuffer(3 * rawLength + 4)) return false;
  TextDecoder decoder;
  TextDecoderInit(&decoder);
  decoder.encoding = encoding;
  decoder.mapping = substitutions;
  if (encoding != kEncodingUtf8 && encoding != kEncodingUtf16LE && encoding != kEncodingUtf16BE) {
    if (decodeTable == nullptr) {
      TextDecoderSetEncoding(&decoder);
      decodeTable = decoder.byteTable;  // kept until the encoding or the substitutions change
    } else {
      decoder.byteTable = decodeTable;
    }
  }
  int32_t n = TextDecoderConvert(&decoder, lineBuffer, lineBufferSize, bytes,
                                 static_cast<int32_t>(rawLength));
  lineStart = lineBuffer;
  lineEnd = lineBuffer + n;
  if (compose && n > 1 && memchr(lineBuffer + 1, 0xCC, static_cast<size_t>(n - 1))) ComposeLine();
  return true;
}

void T_IStream::ComposeLine() {
  const char* in = lineStart;
  char* out = lineStart;
  while (in < lineEnd) {
    const char* before = in;
    if (in + Utf8SeqLen(static_cast<uint8_t>(*in)) > lineEnd) break;
    uint32_t unit = Utf8NextChar(&in);
    if (unit == 0 && *before != 0) {  // not a character: kept as it is
      *out++ = *before;
      continue;
    }
    if (in + 1 < lineEnd && static_cast<uint8_t>(*in) == 0xCC) {
      const char* markAt = in;
      uint32_t mark = Utf8NextChar(&markAt);
      uint32_t composed = mark >= 0x300 && mark <= 0x33F ? ComposeAccent(unit, mark) : 0;
      if (composed != 0) {
        out += Utf8Encode(out, composed);
        in = markAt;
        continue;
      }
    }
    size_t length = static_cast<size_t>(in - before);
    memmove(out, before, length);
    out += length;
  }
  // A cut character at the end stays as it is.
  size_t rest = static_cast<size_t>(lineEnd - in);
  memmove(out, in, rest);
  lineEnd = out + rest;
}

// --- Fields
// ---------------------------------------------------------------------------------------------

bool T_IStream::NextFieldRaw() {
  fieldStart = "";
  fieldLength = 0;
  if (fieldCursor == nullptr || fieldCursor >= lineEnd) return false;
  char* end =
      static_cast<char*>(memchr(fieldCursor, '\t', static_cast<size_t>(lineEnd - fieldCursor)));
  if (end == nullptr) end = lineEnd;
  fieldStart = fieldCursor;
  fieldLength = static_cast<int32_t>(end - fieldCursor);
  fieldCursor = end < lineEnd ? end + 1 : end;
  return true;
}

bool T_IStream::NextField() {
  if (!NextFieldRaw()) return false;
  while (fieldLength > 0 && fieldStart[fieldLength - 1] == ' ') --fieldLength;
  return true;
}

bool T_IStream::ReadFieldStr(char* buffer, int32_t size) {
  bool found = NextField();
  if (size < 1) return found;
  StrCopyBytesN(buffer, size, fieldStart, fieldLength);
  return found;
}

bool T_IStream::ReadFieldBuf(T_TextBuf* text) {
  bool found = NextField();
  TextBufAssignBytes(text, fieldStart, fieldLength);
  return found;
}

bool T_IStream::ReadFieldRawBuf(T_TextBuf* text) {
  bool found = NextFieldRaw();
  TextBufAssignBytes(text, fieldStart, fieldLength);
  return found;
}

bool T_IStream::ReadFieldBlock(char** holder) {
  bool found = NextField();
  BlockTextAssignBytes(holder, fieldStart, found ? fieldLength : 0);
  return found;
}

bool T_IStream::ReadFieldRawBlock(char** holder) {
  bool found = NextFieldRaw();
  BlockTextAssignBytes(holder, fieldStart, found ? fieldLength : 0);
  return found;
}

int32_t T_IStream::ReadFieldInt() {
  NextField();
  return ParseInt(fieldStart, fieldLength);
}

int64_t T_IStream::ReadFieldIntInRange(int64_t low, int64_t high) {
  NextField();
  constexpr uint64_t kBeyond = uint64_t{1} << 62;  // past every range a caller can give
  uint64_t magnitude = 0;
  bool negative = false;
  for (int32_t i = 0; i < fieldLength; ++i) {
    char c = fieldStart[i];
    if (c >= '0' && c <= '9') {
      magnitude = magnitude < kBeyond ? magnitude * 10 + static_cast<uint64_t>(c - '0') : kBeyond;
    } else if (c == '-') {
      negative = !negative;
    } else if (c == '.') {
      while (++i < fieldLength && (fieldStart[i] < '0' || fieldStart[i] > '9')) {
      }
      if (i < fieldLength && fieldStart[i] >= '5' && magnitude < kBeyond) ++magnitude;
      break;
    }
  }
  if (magnitude >= kBeyond) return 0;
  int64_t value = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
  return value >= low && value <= high ? value : 0;
}

double T_IStream::ReadFieldDouble() {
  NextField();
  return ParseDouble(fieldStart, fieldLength);
}

bool T_IStream::ReadLongText(char** holder, int32_t limit) {
  if (!NextField()) {
    BlockTextFree(holder);
    return false;
  }
  if (limit < 0) limit = 0;
  std::vector<char> text;
  bool cut = false;
  // Bytes beyond the limit are not kept, so a file of endless pieces costs no memory.
  auto keep = [&](const char* bytes, int32_t n) {
    size_t room = static_cast<size_t>(limit) - text.size();
    if (static_cast<size_t>(n) > room) cut = true;
    text.insert(text.end(), bytes, bytes + std::min(static_cast<size_t>(n), room));
  };
  // Each piece decides by itself whether another follows.
  for (;;) {
    bool continued =
        fieldLength >= kContinuedMinimum && memcmp(fieldStart + fieldLength - 3, "/==", 3) == 0;
    keep(fieldStart, continued ? fieldLength - 3 : fieldLength);
    if (!continued || !NextLine()) break;
    NextField();
  }
  int32_t length = static_cast<int32_t>(text.size());
  if (cut) length = Utf8BoundaryAtOrBefore(text.data(), length);
  for (int32_t i = 0; i < length; ++i) {
    if (text[i] == 3) text[i] = '\r';
    if (text[i] == 4) text[i] = '\t';
  }
  BlockTextAssignBytes(holder, text.data(), length);
  return true;
}

void SetFlagFromSign(uint8_t* flag, char c) {
  if (c == '+') *flag = 1;
  if (c == '-') *flag = 0;
}

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool T_IStream::ReadFieldBinary(void** holder) {
  MemFree(*holder);
  *holder = nullptr;
  if (!NextFieldRaw() || fieldLength == 0) return false;
  std::vector<uint8_t> result;
  if (fieldStart[0] == '*') {
    std::vector<uint8_t> code;
    for (int32_t i = 1; i + 1 < fieldLength; i += 2) {
      int high = HexValue(fieldStart[i]), low = HexValue(fieldStart[i + 1]);
      if (high < 0 || low < 0) return false;
      code.push_back(static_cast<uint8_t>(high * 16 + low));
    }
    // The expanded size is not stored: the output grows until the code fits, within a bound.
    int32_t capacity = kBinaryBufferSize;
    for (;;) {
      result.resize(static_cast<size_t>(capacity));
      int32_t n =
          BlockExpand(result.data(), capacity, code.data(), static_cast<int32_t>(code.size()));
      if (n >= 0) {
        result.resize(static_cast<size_t>(n));
        break;
      }
      if (capacity >= kBinaryExpandLimit) return false;  // damaged or far too large
      capacity *= 2;
    }
  } else {
    for (int32_t i = 0;
         i < fieldLength && static_cast<int64_t>(result.size()) < kBinaryFieldPlainLimit;) {
      uint8_t c = static_cast<uint8_t>(fieldStart[i]);
      if (c > 96) {
        size_t zeros = c - 96u;
        size_t room = static_cast<size_t>(kBinaryFieldPlainLimit) - result.size();
        result.insert(result.end(), zeros < room ? zeros : room, 0);
        ++i;
        continue;
      }
      if (i + 1 >= fieldLength) break;
      int high = HexValue(fieldStart[i]), low = HexValue(fieldStart[i + 1]);
      if (high < 0 || low < 0) return false;
      result.push_back(static_cast<uint8_t>(high * 16 + low));
      i += 2;
    }
  }
  if (result.empty()) return true;
  *holder = MemAlloc(static_cast<int64_t>(result.size()), 0);
  if (*holder == nullptr) return false;
  memcpy(*holder, result.data(), result.size());
  return true;
}

// --- Encodings
// ------------------------------------------------------------------------------------------

TextEncoding DetectEncoding(const void* head, int64_t length, int32_t* bomLength) {
  const uint8_t* p = static_cast<const uint8_t*>(head);
  if (length > 4000) length = 4000;
  *bomLength = 0;
  if (length >= 2 && p[0] == 0xFE && p[1] == 0xFF) {
    *bomLength = 2;
    return kEncodingUtf16BE;
  }
  if (length >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
    *bomLength = 2;
    return kEncodingUtf16LE;
  }
  if (length >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) {
    *bomLength = 3;
    return kEncodingUtf8;
  }
  const char* text = reinterpret_cast<const char*>(p);
  int32_t found = MemFind(text, static_cast<int32_t>(length), "##Characters");
  if (found > 0) {
    int64_t i = found + 12;
    while (i < length && (p[i] == 13 || p[i] == 10 || p[i] == 9)) ++i;
    static const uint8_t kMacRoman[] = {'U', 9, 0x80, 0xE7, 0xCB, 0xE5, 0xCC};
    static const uint8_t kLatin1[] = {'U', 9, 0xC4, 0xC1, 0xC0, 0xC2, 0xC3};
    if (i + 7 <= length && memcmp(p + i, kMacRoman, 7) == 0) return kEncodingMacRoman;
    if (i + 7 <= length && memcmp(p + i, kLatin1, 7) == 0) return kEncodingLatin1;
  }
  int64_t lowFirst = 0, highFirst = 0;
  for (int64_t i = 0; i + 1 < length; i += 2) {
    if (p[i] != 0 && p[i + 1] == 0) ++lowFirst;
    if (p[i] == 0 && p[i + 1] != 0) ++highFirst;
  }
  if (lowFirst > length / 4) return kEncodingUtf16LE;
  if (highFirst > length / 4) return kEncodingUtf16BE;
  switch (Utf8Sniff(text, static_cast<int32_t>(length))) {
    case 1:
      return kEncodingSystemPage;
    case 2:
      return kEncodingUtf8;
    default:
      return -1;
  }
}

TextEncoding EncodingFromName(const char* name) {
  if (name == nullptr) return -1;
  // Cut first, then squeezed: the same 31 bytes of a long name decide however it is spaced.
  char compact[32];
  int32_t n = 0;
  for (int32_t i = 0; i < 31 && name[i] != 0; ++i) {
    if (name[i] != ' ' && name[i] != '-') compact[n++] = name[i];
  }
  compact[n] = 0;
  if (n == 0) return -1;
  static const struct {
    const char* prefix;
    TextEncoding encoding;
  } kNames[] = {{"UTF8", 0},
                {"UTF16L", 1},
                {"UTF16B", 2},
                {"MacRomanCE", 5},
                {"MacintoshRomanCE", 5},
                {"MacRoman", 4},
                {"Roman", 4},
                {"macintosh", 4},
                {"Mac", 4},
                {"ISO88591", 6},
                {"ISO88592", 7},
                {"88592", 7},
                {"windows1250", 7},
                {"cp1250", 7},
                {"windows1252", 6},
                {"cp1252", 6},
                {"IBM437", 8},
                {"cp437", 8},
                {"WinLatin2", 7},
                {"WindowsLatin2", 7},
                {"WinLatin", 6},
                {"Latin2", 7},
                {"Latin", 6},
                {"ANSI", 6},
                {"Win", 6},
                {"DOS", 8},
                {"88591", 6},
                {"OEM", 8},
                {"IBM", 8},
                {"PC", 8},
                {"code", 3},
                {"page", 3},
                {"defa", 3},
                {"sys", 3},
                {"8bit", 3}};
  // A code page number (three digits or more) names one page: only a row that spells out that
  // number may take it ("windows-1251" is no Windows Latin page, "ISO-8859-15" not Latin 1).
  bool numbered = false;
  for (int32_t i = 0, run = 0; i < n && !numbered; ++i) {
    run = compact[i] >= '0' && compact[i] <= '9' ? run + 1 : 0;
    numbered = run >= 3;
  }
  for (const auto& entry : kNames) {
    if (!StrStartsWithNoCase(compact, entry.prefix)) continue;
    size_t length = strlen(entry.prefix);
    bool rowNumbered = entry.prefix[length - 1] >= '0' && entry.prefix[length - 1] <= '9';
    if (rowNumbered && compact[length] >= '0' && compact[length] <= '9') continue;
    if (numbered && !rowNumbered) continue;
    return entry.encoding;
  }
  return -1;
}
