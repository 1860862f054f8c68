#pragma once
// The front end shared by the text and the number criteria compilers: the typed text as an
// editable UTF-16 copy (the compilers insert, delete and rewrite as they read) and the
// preparation pass that turns typed operator spellings into their canonical characters.
#include <cstdint>

#include "core/text_buffer.h"

namespace criteria_detail {

constexpr wchar_t kOr = L'|';
constexpr wchar_t kAnd = L'&';
constexpr wchar_t kNot = 0x00AC;    // ¬
constexpr wchar_t kXor = 0x00B1;    // ±
constexpr wchar_t kRange = 0x2026;  // …
constexpr wchar_t kEmpty = L'\\';

// Brackets and "¬" recurse; beyond this depth a criteria text is refused rather than risking the
// thread's stack.
constexpr int32_t kMaxNesting = 100;

// The next character of UTF-8 text as UTF-16: 1- to 3-byte sequences as themselves, a 4-byte
// sequence as its surrogate pair (second unit in *low, else 0), any invalid byte as U+FFFD.
// Advances *p; the caller stops at end.
uint32_t NextUnit(const char** p, const char* end, uint32_t* low);

class CriteriaText {
 public:
  static constexpr int32_t kMaxInput = 1023;  // units read from the caller's text
  static constexpr int32_t kCapacity = 4096;  // room for what the compilers insert

  // The first 1023 units of the text (a surrogate pair is not split).
  void Load(const T_TextBuf* text);
  // Outside quotes ("..." or '...'): "++" and longer runs to "|", "+-" to "±", "--" and longer
  // runs to "¬"; for numbers also ".." and longer runs and "_" to "…".
  void Prepare(bool numbers);
  // Letter-case mode of the pattern text (0 upper, 1 lower, 2 standard, 3 word caps).
  void ApplyCaseMode(int32_t mode);

  int32_t length() const { return length_; }
  wchar_t At(int32_t i) const { return i >= 0 && i < length_ ? units_[i] : 0; }
  const wchar_t* units() const { return units_; }
  void Set(int32_t i, wchar_t unit) { units_[i] = unit; }
  // False when the text is full (never for texts the compilers produce from 1023 units).
  bool Insert(int32_t at, wchar_t unit);
  void Delete(int32_t at, int32_t n);
  bool Replace(int32_t at, int32_t n, const wchar_t* with, int32_t m);
  void Cut(int32_t at) {
    if (at < length_) length_ = at;
    units_[length_] = 0;
  }
  // The units [from, to) as UTF-8 (surrogate pairs joined) into out.
  void Utf8(int32_t from, int32_t to, T_TextBuf* out) const;
  void Store(T_TextBuf* text) const { Utf8(0, length_, text); }

 private:
  int32_t length_ = 0;
  wchar_t units_[kCapacity + 1] = {};
};

}  // namespace criteria_detail
