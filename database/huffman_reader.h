#pragma once
// The reader of the older database files (kind 4): the section stream coded with a static
// Huffman code, decoded block by block into a text stream that the section reader reads like any
// text. Read only, never written. The text is in the system code page.
//
// File layout (offsets in bytes):
//
//   offset   size   content
//   0        16     header: byte 0 "#" for blocks padded to whole 32-bit words (byte 12 "i":
//                   numbers little-endian, else big-endian); anything else (the container magic
//                   05 13 "Qbx") for blocks padded to whole bytes, big-endian. The date at 5-10
//                   is detection's (database/file_kinds.h).
//   14       2      symbol count n, 1 to 256 (overlaps the last two header bytes)
//   16       6 x n  per symbol: a 32-bit weight and a 16-bit field whose low byte is the symbol
//   16 + 6n  ...    blocks to the end of the file
//
//   block:   4      bit count b, at most 65,504
//            ...    the code bits: word padded ((b + 31) / 8) rounded down to a multiple of 4
//                   bytes, byte padded (b + 7) / 8 bytes; read as 32-bit words in the file's
//                   byte order, each from its most significant bit down
//
// The code tree is built from the table by a min-heap on the weights (signed 32-bit, added with
// wrap-around): heapify, then repeatedly take the top A, move the last entry to the top and sift
// it down, take the new top B, and replace it by an inner node (first child A, second child B)
// whose weight is the sum. A bit 0 goes to the first child, 1 to the second. On equal weights the
// left child is preferred and the sinking entry goes below an equal child, so two symbols A, B
// of equal weight give B "0" and A "1".
//
// Invariants:
//   1. nodes [0, symbolCount) are the leaves in table order, the inner nodes follow in order of
//      creation, and every child index is below its parent's;
//   2. decoding never reads a bit beyond the bytes loaded for the block: a code cut off there,
//      a bit count above 65,504 and a block or table cut short by the end of the file set 3811;
//   3. the text buffer holds the unread rest of the text and one whole block's text after it.
#include <cstdint>

#include "core/files.h"
#include "core/input_stream.h"

class T_FileWait;

constexpr int32_t kHuffmanMaxBits = 65504;

struct HuffmanNode {
  int32_t first;   // -1 in a leaf
  int32_t second;  // -1 in a leaf
  uint8_t symbol;
};

struct HuffmanHeapEntry {
  int32_t weight;
  int32_t node;
};

// Sifts entry i down in the min-heap of m entries (see above).
void HeapSiftDown(HuffmanHeapEntry* heap, int32_t m, int32_t i);
// Builds the tree of the table (n symbols, their weights and bytes) into nodes (room for 2n);
// the root's index, or -1 for a count outside 1 to 256.
int32_t BuildHuffmanTree(const int32_t* weights, const uint8_t* symbols, int32_t n,
                         HuffmanNode* nodes);
// Decodes b bits of the block (its bytes as loaded, the byte order as said) into out, which has
// room for b + 1 bytes; the number of bytes decoded, or -1 when a code runs past the loaded
// bits.
int32_t HuffmanDecode(const HuffmanNode* nodes, int32_t root, const uint8_t* bits,
                      int32_t loadedBytes, bool bigEndian, int32_t b, uint8_t* out);

class T_HuffmanRead : public T_IStream {
 public:
  // Takes the current progress window.
  T_HuffmanRead();
  ~T_HuffmanRead() override;

  // Opens the file, reads the header and the table and builds the tree, and starts the progress
  // window with the file's size. False, with the pending error of the file layer, only when the
  // file does not open; a bad table sets error 3811 and the stream then yields no text.
  bool Open(const char* path);
  // Decodes the next block behind the unread text. False at the end of the file before a bit
  // count, at a block without text, and once the error is set.
  bool Refill() override;
  void Close();

  T_FileWait* progress;
  SysFile file;
  int32_t error = 0;  // 0 or 3811
  bool wordPadded = true;
  bool bigEndian = false;

 private:
  bool ReadNumber(int32_t bytes, uint32_t* value);
  HuffmanNode nodes_[512] = {};
  int32_t root_ = -1;
  uint8_t* text_ = nullptr;  // MemAlloc
  int64_t textSize_ = 0;
  uint8_t bits_[kHuffmanMaxBits / 8 + 8] = {};
  bool open_ = false;
};
