#include "core/short_ids.h"

#include "core/files.h"
#include "core/hash_index.h"
#include "core/text_buffer.h"

namespace {

constexpr char kDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz*-";
constexpr uint64_t kNameModulus = 0xFFFFFD;
constexpr uint64_t kShortModulus = 0x3FFFB;

uint64_t DigitValue(char c) {
  if (c >= '0' && c <= '9') return static_cast<uint64_t>(c - '0');
  if (c >= 'A' && c <= 'Z') return static_cast<uint64_t>(c - 'A' + 10);
  if (c >= 'a' && c <= 'z') return static_cast<uint64_t>(c - 'a' + 36);
  if (c == '*') return 62;
  if (c == '-') return 63;
  return 0;
}

int32_t DigitsNeeded(uint64_t value) {
  int32_t n = 1;
  while (value >>= 6) ++n;
  return n;
}

int32_t DefaultSequence(int32_t direction) { return direction < 1 ? 1 : kCardSequenceOpen; }

}  // namespace

void EncodeDigits64(T_TextBuf* text, uint64_t value, int32_t digits) {
  for (int32_t i = 0; i < digits; ++i) {
    TextBufAppendChar(text, kDigits[value & 63]);
    value >>= 6;
  }
}

uint64_t DecodeDigits64(const char* text, int32_t n) {
  if (!text || n <= 0) return 0;
  if (n > 10) n = 10;
  uint64_t value = 0;
  for (int32_t i = n - 1; i >= 0; --i) value = value * 64 + DigitValue(text[i]);
  return value;
}

void AppendNameShortId(T_TextBuf* text, const char* name) {
  EncodeDigits64(text, StrHashNoCase(name ? name : "", kNameModulus), 4);
}

void AppendDatabaseShortId(T_TextBuf* text, const char* path) {
  AppendNameShortId(text, path ? PathFindName(path) : "");
}

void AppendSevenDigitShortId(T_TextBuf* text, const char* source) {
  const char* s = source ? source : "";
  EncodeDigits64(text, StrHash(s, kNameModulus), 4);
  EncodeDigits64(text, StrHash(s, kShortModulus), 3);
}

void AppendCardShortId(T_TextBuf* text, const CardId* id, int32_t direction) {
  EncodeDigits64(text, id->date, 3);
  if (id->sequence < 1 || id->sequence == DefaultSequence(direction)) return;
  uint64_t number = static_cast<uint64_t>(id->sequence);
  EncodeDigits64(text, number, DigitsNeeded(number));
}

CardId CardIdFromShortId(const char* text, int32_t n, int32_t direction) {
  CardId id;
  if (!text || n <= 0) return id;
  int32_t dateDigits = n < 3 ? n : 3;
  id.date = static_cast<PackedDate>(DecodeDigits64(text, dateDigits));
  int32_t rest = n - dateDigits;
  if (rest > 6) rest = 6;  // 36 bits hold every 32-bit number
  uint64_t number = rest > 0 ? DecodeDigits64(text + dateDigits, rest) : 0;
  id.sequence = rest > 0 && number >= 1 && number <= 0x7fffffff ? static_cast<int32_t>(number)
                                                                : DefaultSequence(direction);
  return id;
}
