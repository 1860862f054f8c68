#pragma once
// The block codec: the program's own LZ-type byte code for database-file blocks and compressed
// hexadecimal fields. Stored files carry this code, so the compressor's every choice is part of
// the file format, not only the expander's reading of it.
//
// A code is a sequence of tokens: an operation byte b, then 0 to 4 operand bytes u, v, w, x.
// A copy token copies `length` bytes from `distance` bytes back in the output, front to back, so
// a copy may overlap its own output and repeat a pattern.
//
// Current code (kind "b" blocks; written by BlockCompress, read by BlockExpand). The stored
// distance field D is always distance - length.
//
//   b        size  meaning
//   0-3      2     copy 3; distance = b*256 + u + 2051          (2051..3074)
//   4-8      2     copy 4; distance = b*256 + u + 1028          (2052..3331)
//   9-15     1     literal b
//   16-23    2     copy b-5 (11..18); distance = u + length
//   24       2     literal u (escape)
//   25       5     copy u*256+v; distance = w*256 + x + length
//   26       4     copy u+5 (5..260); distance = v*256 + w + length
//   27-31    3     copy b*8 + (u>>5) - 212 (4..43); distance = (u&31)*256 + v + length
//   32-191   1     literal b
//   192-255  2     copy ((b-192)>>3) + 3 (3..10); distance = (b&7)*256 + u + length
//
// Older code (kind "Z" blocks; read only, by BlockExpandOld):
//
//   b        size  meaning
//   0-244    1     literal b
//   245      5     copy u*256+v; distance = w*256 + x + length
//   246      4     copy u+5; distance = v*256 + w + length
//   247      3     copy 12 + (u>>5) (12..19); distance = (u&31)*256 + v + length
//   248      3     copy 4 + (u>>5) (4..11); distance as for 247
//   249      2     copy 4; distance = u + 260
//   250      2     copy 4; distance = u + 4
//   251      2     copy 3; distance = u + 771
//   252      2     copy 3; distance = u + 515
//   253      2     copy 3; distance = u + 259
//   254      2     copy 3; distance = u + 3
//   255      2     literal u (escape)
#include <cstdint>

// Positions inside a block are kept in 16 bits.
constexpr int32_t kBlockCodecMaxInput = 32767;

// What the expanders answer for a damaged code.
constexpr int32_t kBlockCodeDamaged = -1;

// Compresses n bytes (0..kBlockCodecMaxInput) of input into output, which must hold 2n bytes
// (a literal may need an escape). Returns the code's length; 0 for an empty input, for n out of
// range, and when the work table cannot be allocated (the allocator then sets pending error 600;
// the caller stores the block uncompressed or fails). Output and input must not overlap.
int32_t BlockCompress(void* output, const void* input, int32_t n);

// Expand a code of codeLength bytes into output and return the number of bytes produced, or
// kBlockCodeDamaged when a token would write past capacity, read past the end of the code or
// copy from before the start of the output. Output bytes between the produced length and
// capacity may be overwritten (copies run in whole words where room allows). Output and code
// must not overlap.
int32_t BlockExpand(void* output, int32_t capacity, const void* code, int32_t codeLength);
int32_t BlockExpandOld(void* output, int32_t capacity, const void* code, int32_t codeLength);
