// The typed criteria text as the compilers see it: UTF-16 units that they edit in place.
#include <cstring>

#include "core/criteria_internal.h"
#include "core/locale.h"

namespace criteria_detail {

uint32_t NextUnit(const char** p, const char* end, uint32_t* low) {
  const auto* s = reinterpret_cast<const uint8_t*>(*p);
  const auto* e = reinterpret_cast<const uint8_t*>(end);
  *low = 0;
  uint8_t b = s[0];
  auto continuation = [&](int32_t i) { return s + i < e && (s[i] & 0xC0) == 0x80; };
  if (b < 0x80) {
    *p += 1;
    return b;
  }
  if ((b & 0xE0) == 0xC0 && continuation(1)) {
    *p += 2;
    return ((b & 0x1Fu) << 6) | (s[1] & 0x3Fu);
  }
  if ((b & 0xF0) == 0xE0 && continuation(1) && continuation(2)) {
    *p += 3;
    return ((b & 0x0Fu) << 12) | ((s[1] & 0x3Fu) << 6) | (s[2] & 0x3Fu);
  }
  if ((b & 0xF8) == 0xF0 && continuation(1) && continuation(2) && continuation(3)) {
    *p += 4;
    uint32_t c =
        ((b & 0x07u) << 18) | ((s[1] & 0x3Fu) << 12) | ((s[2] & 0x3Fu) << 6) | (s[3] & 0x3Fu);
    if (c < 0x10000 || c > 0x10FFFF) return 0xFFFD;
    c -= 0x10000;
    *low = 0xDC00 | (c & 0x3FF);
    return 0xD800 | (c >> 10);
  }
  *p += 1;
  return 0xFFFD;
}

void CriteriaText::Load(const T_TextBuf* text) {
  length_ = 0;
  const char* p = text->data;
  const char* end = text->data + text->length;
  while (p < end && *p) {
    uint32_t low;
    uint32_t unit = NextUnit(&p, end, &low);
    if (length_ + (low ? 2 : 1) > kMaxInput) break;
    units_[length_++] = static_cast<wchar_t>(unit);
    if (low) units_[length_++] = static_cast<wchar_t>(low);
  }
  units_[length_] = 0;
}

void CriteriaText::Prepare(bool numbers) {
  int32_t out = 0;
  wchar_t quote = 0;
  for (int32_t i = 0; i < length_;) {
    wchar_t c = units_[i];
    int32_t run = 1;
    while (i + run < length_ && units_[i + run] == c) ++run;
    wchar_t replacement = 0;
    int32_t taken = 1;
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == L'"' || c == L'\'') {
      quote = c;
    } else if (c == L'+' && run >= 2) {
      replacement = kOr;
      taken = run;
    } else if (c == L'+' && At(i + 1) == L'-') {
      replacement = kXor;
      taken = 2;
    } else if (c == L'-' && run >= 2) {
      replacement = kNot;
      taken = run;
    } else if (numbers && c == L'.' && run >= 2) {
      replacement = kRange;
      taken = run;
    } else if (numbers && c == L'_') {
      replacement = kRange;
    }
    units_[out++] = replacement ? replacement : c;
    i += taken;
  }
  length_ = out;
  units_[length_] = 0;
}

void CriteriaText::ApplyCaseMode(int32_t mode) { WideCaseModeApply(units_, mode); }

bool CriteriaText::Insert(int32_t at, wchar_t unit) { return Replace(at, 0, &unit, 1); }

void CriteriaText::Delete(int32_t at, int32_t n) { Replace(at, n, nullptr, 0); }

bool CriteriaText::Replace(int32_t at, int32_t n, const wchar_t* with, int32_t m) {
  if (at < 0 || at > length_) return false;
  if (n > length_ - at) n = length_ - at;
  if (length_ - n + m > kCapacity) return false;
  std::memmove(units_ + at + m, units_ + at + n, sizeof(wchar_t) * (length_ - at - n + 1));
  if (m) std::memcpy(units_ + at, with, sizeof(wchar_t) * m);
  length_ += m - n;
  return true;
}

void CriteriaText::Utf8(int32_t from, int32_t to, T_TextBuf* out) const {
  TextBufSetLength(out, 0);
  char bytes[4];
  for (int32_t i = from; i < to; ++i) {
    uint32_t u = units_[i];
    int32_t n;
    if (u >= 0xD800 && u < 0xDC00 && i + 1 < to && units_[i + 1] >= 0xDC00 &&
        units_[i + 1] < 0xE000) {
      uint32_t c = 0x10000 + ((u - 0xD800) << 10) + (units_[++i] - 0xDC00u);
      bytes[0] = static_cast<char>(0xF0 | (c >> 18));
      bytes[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      bytes[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      bytes[3] = static_cast<char>(0x80 | (c & 0x3F));
      n = 4;
    } else if (u < 0x80) {
      bytes[0] = static_cast<char>(u);
      n = 1;
    } else if (u < 0x800) {
      bytes[0] = static_cast<char>(0xC0 | (u >> 6));
      bytes[1] = static_cast<char>(0x80 | (u & 0x3F));
      n = 2;
    } else {
      bytes[0] = static_cast<char>(0xE0 | (u >> 12));
      bytes[1] = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
      bytes[2] = static_cast<char>(0x80 | (u & 0x3F));
      n = 3;
    }
    TextBufAppendBytes(out, bytes, n);
  }
}

}  // namespace criteria_detail
