#include "database/huffman_reader.h"

#include <cstring>

#include "core/file_stream.h"
#include "core/memory.h"
#include "core/message_pump.h"
#include "database/file_progress.h"

namespace {

constexpr int32_t kErrorCorrupted = 3811;
constexpr int32_t kHeaderSize = 16;
constexpr int32_t kMaxSymbols = 256;

uint32_t Number(const uint8_t* bytes, int32_t n, bool bigEndian) {
  uint32_t value = 0;
  for (int32_t i = 0; i < n; ++i) {
    const int32_t at = bigEndian ? i : n - 1 - i;
    value = (value << 8) | bytes[at];
  }
  return value;
}

// Bit i of the block: words of 32 bits in the file's byte order, each from its top bit down.
inline int32_t BitAt(const uint8_t* bits, int32_t i, bool bigEndian) {
  if (bigEndian) return (bits[i >> 3] >> (7 - (i & 7))) & 1;
  const int32_t k = 31 - (i & 31);
  return (bits[((i >> 5) << 2) + (k >> 3)] >> (k & 7)) & 1;
}

}  // namespace

void HeapSiftDown(HuffmanHeapEntry* heap, int32_t m, int32_t i) {
  const HuffmanHeapEntry sinking = heap[i];
  for (;;) {
    int32_t child = 2 * i + 1;
    if (child >= m) break;
    if (child + 1 < m && heap[child + 1].weight < heap[child].weight) ++child;
    if (sinking.weight < heap[child].weight) break;
    heap[i] = heap[child];
    i = child;
  }
  heap[i] = sinking;
}

int32_t BuildHuffmanTree(const int32_t* weights, const uint8_t* symbols, int32_t n,
                         HuffmanNode* nodes) {
  if (n < 1 || n > kMaxSymbols) return -1;
  HuffmanHeapEntry heap[kMaxSymbols];
  for (int32_t i = 0; i < n; ++i) {
    nodes[i] = HuffmanNode{-1, -1, symbols[i]};
    heap[i] = HuffmanHeapEntry{weights[i], i};
  }
  for (int32_t i = n / 2; i >= 0; --i) HeapSiftDown(heap, n, i);
  int32_t count = n;
  int32_t m = n;
  do {
    const HuffmanHeapEntry a = heap[0];
    heap[0] = heap[m - 1];
    --m;
    HeapSiftDown(heap, m, 0);
    const HuffmanHeapEntry b = heap[0];
    nodes[count] = HuffmanNode{a.node, b.node, 0};
    const uint32_t sum = static_cast<uint32_t>(a.weight) + static_cast<uint32_t>(b.weight);
    heap[0] = HuffmanHeapEntry{static_cast<int32_t>(sum), count++};
    HeapSiftDown(heap, m, 0);
  } while (m > 1);
  return heap[0].node;
}

int32_t HuffmanDecode(const HuffmanNode* nodes, int32_t root, const uint8_t* bits,
                      int32_t loadedBytes, bool bigEndian, int32_t b, uint8_t* out) {
  // Little-endian words are read whole: the loaded bytes count in whole words.
  const int32_t loaded = bigEndian ? loadedBytes * 8 : (loadedBytes / 4) * 32;
  int32_t produced = 0;
  int32_t node = root;
  // The symbol under way when the count runs out is finished from the padding bits.
  for (int32_t i = 0; i < b || node != root; ++i) {
    if (i >= loaded) return -1;
    node = BitAt(bits, i, bigEndian) ? nodes[node].second : nodes[node].first;
    if (nodes[node].first < 0) {
      out[produced++] = nodes[node].symbol;
      node = root;
    }
  }
  return produced;
}

T_HuffmanRead::T_HuffmanRead() : progress(FileProgressCurrent()) { FileInit(&file); }

T_HuffmanRead::~T_HuffmanRead() {
  Close();
  MemFree(text_);
  FileDestroy(&file);
}

void T_HuffmanRead::Close() {
  if (open_) FileClose(&file);
  open_ = false;
}

bool T_HuffmanRead::ReadNumber(int32_t bytes, uint32_t* value) {
  uint8_t buffer[4];
  if (FileRead(&file, buffer, bytes) != bytes) return false;
  *value = Number(buffer, bytes, bigEndian);
  return true;
}

bool T_HuffmanRead::Open(const char* path) {
  if (!FileOpenRead(&file, path)) return false;
  open_ = true;
  uint8_t header[kHeaderSize];
  if (FileRead(&file, header, kHeaderSize) != kHeaderSize) {
    error = kErrorCorrupted;
    return true;
  }
  wordPadded = header[0] == '#';
  bigEndian = !(wordPadded && header[12] == 'i');
  const int32_t n = static_cast<int32_t>(Number(header + 14, 2, bigEndian));
  uint8_t table[6 * kMaxSymbols];
  if (n < 1 || n > kMaxSymbols || FileRead(&file, table, 6 * n) != 6 * n) {
    error = kErrorCorrupted;
    return true;
  }
  int32_t weights[kMaxSymbols];
  uint8_t symbols[kMaxSymbols];
  for (int32_t i = 0; i < n; ++i) {
    weights[i] = static_cast<int32_t>(Number(table + 6 * i, 4, bigEndian));
    symbols[i] = static_cast<uint8_t>(Number(table + 6 * i + 4, 2, bigEndian) & 0xFF);
  }
  root_ = BuildHuffmanTree(weights, symbols, n, nodes_);
  FileProgressBegin(progress, FileGetSize(&file), false);
  return true;
}

bool T_HuffmanRead::Refill() {
  if (!open_ || error != 0 || root_ < 0) return false;
  FileProgressSetPosition(progress, FileTell(&file));
  uint8_t count[4];
  const int64_t got = FileRead(&file, count, 4);
  if (got == 0) return false;  // the end of the file before a bit count
  uint32_t b = Number(count, 4, bigEndian);
  if (got != 4 || b > kHuffmanMaxBits) {
    error = kErrorCorrupted;
    return false;
  }
  if (b == 0) return false;
  const int32_t bytes =
      wordPadded ? static_cast<int32_t>(((b + 31) / 8) & ~3u) : static_cast<int32_t>((b + 7) / 8);
  std::memset(bits_, 0, sizeof bits_);
  if (FileRead(&file, bits_, bytes) != bytes) {
    error = kErrorCorrupted;
    return false;
  }

  // The unread rest moves to the front; a whole block's text fits behind it.
  const int64_t tail = dataEnd - readStart;
  if (tail >= kInputLineLimit) {
    error = kErrorCorrupted;  // a line longer than any database file holds
    return false;
  }
  const int64_t needed = tail + b + 2;
  uint8_t* text = text_;
  if (needed > textSize_) {
    text = static_cast<uint8_t*>(MemAlloc(needed, 0));
    if (text == nullptr) {
      error = kErrorCorrupted;
      return false;
    }
  }
  if (tail > 0) std::memmove(text, readStart, static_cast<size_t>(tail));
  if (text != text_) {
    MemFree(text_);
    text_ = text;
    textSize_ = needed;
  }
  const int32_t produced =
      HuffmanDecode(nodes_, root_, bits_, bytes, bigEndian, static_cast<int32_t>(b), text_ + tail);
  if (produced < 0) {
    error = kErrorCorrupted;
    return false;
  }
  offset += readStart - base;
  base = text_;
  readStart = text_;
  dataEnd = text_ + tail + produced;
  PumpMessages();
  return produced > 0;
}
