#include "core/strict_utf8.h"

#include "core/utf8.h"

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";

// The length of the strict character at p, or 0 when none starts there.
int32_t StrictLength(const char* p, const char* end) {
  const int32_t length = Utf8CharLengthIn(p, end);
  if (length < 1) return 0;
  // The program's own reading lets a surrogate's 3-byte form pass; the outside world does not.
  const auto* u = reinterpret_cast<const uint8_t*>(p);
  if (length == 3 && u[0] == 0xED && u[1] >= 0xA0) return 0;
  return length;
}

}  // namespace

bool IsStrictUtf8(const char* bytes, int32_t n) {
  const char* end = bytes + n;
  for (const char* p = bytes; p < end;) {
    const int32_t length = StrictLength(p, end);
    if (length == 0) return false;
    p += length;
  }
  return true;
}

void MakeStrictUtf8(T_TextBuf* text) {
  if (IsStrictUtf8(text->data, text->length)) return;
  T_TextBuf strict;
  const char* end = text->data + text->length;
  for (const char* p = text->data; p < end;) {
    const int32_t length = StrictLength(p, end);
    if (length == 0) {
      TextBufAppend(&strict, kReplacement);
      ++p;
    } else {
      TextBufAppendBytes(&strict, p, length);
      p += length;
    }
  }
  TextBufAssignBuf(text, &strict);
}
