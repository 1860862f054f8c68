#pragma once
// KeyStream, the program's one pseudo-random byte generator for scrambling, and the scrambling
// of short texts (stored passwords) into the letters "a".."p".
//
// Database files XOR every block with a KeyStream seeded from the file header, a per-mode
// constant and the password; existing files can only be read if every step stays bit-exact.
//
// Seed as stored in a file header (12 bytes, not scrambled):
//
//   offset  size  meaning
//   0       4     r0, big-endian
//   4       4     r1 XOR SeedMask, big-endian
//   8       4     r2, big-endian
//
// index and table are never stored.
//
// A stream belongs to one user (one operation or one open file); nothing here is shared between
// threads.
#include <cstdint>

#include "core/text_buffer.h"

constexpr uint32_t SeedMask = 0x2D6B93C1u;
constexpr int32_t kKeyStreamSeedSize = 12;

struct KeyStream {
  uint32_t r0;  // receives the feedback byte
  uint32_t r1;
  uint32_t r2;    // its low byte, XORed with the table, is the output
  int32_t index;  // next table position, 0..63
  uint8_t table[64];
};

// r0 = r1 = r2 = 1, index 0, table zero.
void KeyStreamInit(KeyStream* stream);
// The same without touching index; run when a stream is no longer needed.
void KeyStreamWipe(KeyStream* stream);
// One step; the next byte 0..255.
int32_t KeyStreamNext(KeyStream* stream);
// 33..126.
int32_t KeyStreamNextPrintable(KeyStream* stream);
// XORs n bytes in place with the next n bytes, as n steps of KeyStreamNext would; the fast way
// through a file's blocks.
void KeyStreamXor(KeyStream* stream, uint8_t* bytes, int64_t n);
// Registers from the tick-timing random source, 16 steps, index 0. Takes a few milliseconds.
void KeyStreamSeedRandom(KeyStream* stream);
// r0 ^= constant, then 16 steps (index kept).
void KeyStreamSeedConstant(KeyStream* stream, uint32_t constant);
// The next 64 output bytes, drawn with the current table, become the table.
void KeyStreamRefreshTable(KeyStream* stream);
void KeyStreamLoadSeed(KeyStream* stream, const uint8_t seed[kKeyStreamSeedSize]);
void KeyStreamStoreSeed(const KeyStream* stream, uint8_t seed[kKeyStreamSeedSize]);
// Mixes a password or key (UTF-8; null counts as empty) into the stream. It is upper-cased first,
// so keys that differ only in letter case mix alike; encoding 0 mixes the UTF-8 bytes, any other
// number the text converted to that 8-bit encoding (old files hold system code page passwords).
void KeyStreamSeedText(KeyStream* stream, const char* key, int32_t encoding);

// The text becomes 6 + 2 x its length letters "a".."p": the check prefix "~+~" and the text,
// each byte XORed with a stream seeded by the key.
void ScrambleText(T_TextBuf* text, const char* key);
// Reverses ScrambleText. A wrong key or a damaged text (the check prefix does not come out)
// empties the text and answers false. A trailing odd letter is ignored.
bool UnscrambleText(T_TextBuf* text, const char* key);

// n printable characters (33..126) from a freshly seeded random stream.
void RandomToken(T_TextBuf* text, int32_t n);

// A password kept scrambled in memory and in stored records, with its own random key.
struct ScrambledSecret {
  T_TextBuf scrambled;
  T_TextBuf key;  // 64 printable characters made by ScrambledSecretInit
};

void ScrambledSecretInit(ScrambledSecret* secret);
// Stores the plain text scrambled; an empty text is stored empty.
void ScrambledSecretSet(ScrambledSecret* secret, const char* plain);
// The plain text into out; empty when the stored text does not unscramble.
void ScrambledSecretGet(const ScrambledSecret* secret, T_TextBuf* out);

// --- Big-endian words -------------------------------------------------------------------------

// A 32-bit word kept in memory in big-endian byte order.
inline uint32_t LoadBE32(const uint32_t* word) { return __builtin_bswap32(*word); }
inline void StoreBE32(uint32_t* word, uint32_t value) { *word = __builtin_bswap32(value); }

// Four bytes, the first the most significant.
inline uint32_t GetBE32(const void* bytes) {
  const uint8_t* b = static_cast<const uint8_t*>(bytes);
  return (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | b[3];
}
inline void PutBE32(void* bytes, uint32_t value) {
  uint8_t* b = static_cast<uint8_t*>(bytes);
  b[0] = static_cast<uint8_t>(value >> 24);
  b[1] = static_cast<uint8_t>(value >> 16);
  b[2] = static_cast<uint8_t>(value >> 8);
  b[3] = static_cast<uint8_t>(value);
}
