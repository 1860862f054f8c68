#include "core/keystream.h"

#include <cstring>

#include "core/code_pages.h"
#include "core/cstring.h"
#include "core/memory.h"
#include "core/number_parse.h"

namespace {

constexpr char kCheckPrefix[] = "~+~";
constexpr int32_t kCheckPrefixLength = 3;

void StartScrambleStream(KeyStream* stream, const char* key) {
  KeyStreamInit(stream);
  KeyStreamSeedText(stream, key, 0);
  KeyStreamRefreshTable(stream);
}

}  // namespace

void KeyStreamInit(KeyStream* stream) {
  KeyStreamWipe(stream);
  stream->index = 0;
}

void KeyStreamWipe(KeyStream* stream) {
  stream->r0 = stream->r1 = stream->r2 = 1;
  MemZero(stream->table, sizeof stream->table);
}

int32_t KeyStreamNext(KeyStream* stream) {
  const uint32_t a = stream->r1;
  const uint32_t b = stream->r2;
  const uint32_t c = stream->r0;
  stream->r2 = (b << 8) | (a >> 24);
  stream->r1 = (a << 8) | (c >> 24);
  stream->r0 = (c << 8) | (((b >> 24) ^ (a >> 10) ^ (c >> 3)) & 255);
  const int32_t out = static_cast<int32_t>((b ^ stream->table[stream->index & 63]) & 255);
  stream->index = (stream->index + 1) & 63;
  return out;
}

int32_t KeyStreamNextPrintable(KeyStream* stream) { return KeyStreamNext(stream) % 94 + 33; }

void KeyStreamXor(KeyStream* stream, uint8_t* bytes, int64_t n) {
  // The step of KeyStreamNext with the registers kept in locals.
  uint32_t r0 = stream->r0, r1 = stream->r1, r2 = stream->r2;
  uint32_t index = static_cast<uint32_t>(stream->index);
  for (int64_t i = 0; i < n; ++i) {
    const uint32_t a = r1, b = r2, c = r0;
    r2 = (b << 8) | (a >> 24);
    r1 = (a << 8) | (c >> 24);
    r0 = (c << 8) | (((b >> 24) ^ (a >> 10) ^ (c >> 3)) & 255);
    bytes[i] = static_cast<uint8_t>(bytes[i] ^ b ^ stream->table[index & 63]);
    index = (index + 1) & 63;
  }
  stream->r0 = r0;
  stream->r1 = r1;
  stream->r2 = r2;
  stream->index = static_cast<int32_t>(index);
}

void KeyStreamSeedRandom(KeyStream* stream) {
  stream->r0 = static_cast<uint32_t>(RandomFromTicks());
  stream->r1 = static_cast<uint32_t>(RandomFromTicks());
  stream->r2 = static_cast<uint32_t>(RandomFromTicks());
  for (int i = 0; i < 16; ++i) KeyStreamNext(stream);
  stream->index = 0;
}

void KeyStreamSeedConstant(KeyStream* stream, uint32_t constant) {
  stream->r0 ^= constant;
  for (int i = 0; i < 16; ++i) KeyStreamNext(stream);
}

void KeyStreamRefreshTable(KeyStream* stream) {
  uint8_t fresh[64];
  for (uint8_t& byte : fresh) byte = static_cast<uint8_t>(KeyStreamNext(stream));
  for (int i = 0; i < 64; ++i) stream->table[i] = fresh[i];
  MemZero(fresh, sizeof fresh);
}

void KeyStreamLoadSeed(KeyStream* stream, const uint8_t seed[kKeyStreamSeedSize]) {
  stream->r0 = GetBE32(seed);
  stream->r1 = GetBE32(seed + 4) ^ SeedMask;
  stream->r2 = GetBE32(seed + 8);
}

void KeyStreamStoreSeed(const KeyStream* stream, uint8_t seed[kKeyStreamSeedSize]) {
  PutBE32(seed, stream->r0);
  PutBE32(seed + 4, stream->r1 ^ SeedMask);
  PutBE32(seed + 8, stream->r2);
}

void KeyStreamSeedText(KeyStream* stream, const char* key, int32_t encoding) {
  T_TextBuf work(key != nullptr ? key : "");
  StrToUpper(work.data);
  TextBufSetLength(&work, static_cast<int32_t>(std::strlen(work.data)));
  if (encoding != 0) TextBufSetLength(&work, Utf8ToCodePage(work.data, work.data, encoding));
  for (int32_t i = work.length - 1; i >= 0; --i) {
    stream->r0 ^= static_cast<uint8_t>(work.data[i]);
    KeyStreamNext(stream);
  }
  for (int i = 0; i < 32; ++i) KeyStreamNext(stream);
  TextBufWipe(&work);
}

void ScrambleText(T_TextBuf* text, const char* key) {
  KeyStream stream;
  StartScrambleStream(&stream, key);
  T_TextBuf letters;
  TextBufGrow(&letters, 2 * (kCheckPrefixLength + text->length));
  auto put = [&](uint8_t plain) {
    const uint32_t v = static_cast<uint32_t>(KeyStreamNext(&stream)) ^ plain;
    TextBufAppendChar(&letters, static_cast<char>('a' + (v >> 4)));
    TextBufAppendChar(&letters, static_cast<char>('a' + (v & 15)));
  };
  for (int32_t i = 0; i < kCheckPrefixLength; ++i) put(static_cast<uint8_t>(kCheckPrefix[i]));
  for (int32_t i = 0; i < text->length; ++i) put(static_cast<uint8_t>(text->data[i]));
  TextBufWipe(text);
  TextBufAssignBuf(text, &letters);
  KeyStreamWipe(&stream);
}

bool UnscrambleText(T_TextBuf* text, const char* key) {
  KeyStream stream;
  StartScrambleStream(&stream, key);
  T_TextBuf plain;
  TextBufGrow(&plain, text->length / 2);
  const uint8_t* letters = reinterpret_cast<const uint8_t*>(text->data);
  for (int32_t i = 0; i + 1 < text->length; i += 2) {
    const uint32_t pair = (((letters[i] - 1u) & 255) * 16 + ((letters[i + 1] - 1u) & 15)) & 255;
    TextBufAppendChar(&plain,
                      static_cast<char>(static_cast<uint32_t>(KeyStreamNext(&stream)) ^ pair));
  }
  KeyStreamWipe(&stream);
  const bool valid = plain.length >= kCheckPrefixLength && plain.data[0] == kCheckPrefix[0] &&
                     plain.data[1] == kCheckPrefix[1] && plain.data[2] == kCheckPrefix[2];
  if (valid)
    TextBufAssignBytes(text, plain.data + kCheckPrefixLength, plain.length - kCheckPrefixLength);
  else
    TextBufTruncate(text, 0);
  TextBufWipe(&plain);
  return valid;
}

void RandomToken(T_TextBuf* text, int32_t n) {
  KeyStream stream;
  KeyStreamInit(&stream);
  KeyStreamSeedRandom(&stream);
  TextBufTruncate(text, 0);
  TextBufGrow(text, n);
  for (int32_t i = 0; i < n; ++i)
    TextBufAppendChar(text, static_cast<char>(KeyStreamNextPrintable(&stream)));
  KeyStreamWipe(&stream);
}

void ScrambledSecretInit(ScrambledSecret* secret) {
  TextBufTruncate(&secret->scrambled, 0);
  RandomToken(&secret->key, 64);
}

void ScrambledSecretSet(ScrambledSecret* secret, const char* plain) {
  TextBufAssign(&secret->scrambled, plain != nullptr ? plain : "");
  if (!secret->scrambled.empty()) ScrambleText(&secret->scrambled, secret->key.data);
}

void ScrambledSecretGet(const ScrambledSecret* secret, T_TextBuf* out) {
  TextBufAssignBuf(out, &secret->scrambled);
  if (!out->empty()) UnscrambleText(out, secret->key.data);
}
