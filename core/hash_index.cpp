#include "core/hash_index.h"

#include <cstring>

#include "core/locale.h"
#include "core/memory.h"
#include "core/utf8.h"

namespace {

constexpr int64_t kEmpty = 0;
constexpr int64_t kDeleted = 1;

// Upper-cased characters of a key. The text ends at its NUL or at an invalid lead byte, exactly
// where the comparison without case stops reading, so keys that compare equal hash equal.
struct UpperChars {
  const char* cursor;
  bool done = false;

  explicit UpperChars(const char* text) : cursor(text) { done = !text; }
  uint32_t Next() {
    if (done || *cursor == 0) {
      done = true;
      return 0;
    }
    uint32_t c = Utf8NextCharUpper(&cursor);
    if (c == 0) done = true;
    return c;
  }
};

struct Probe {
  uint64_t slot;
  uint64_t step;
};

inline int64_t* Slots(const HashIndex* index) { return index->slots.data; }

Probe ProbeOf(const HashIndex* index, const char* key) {
  uint64_t m = static_cast<uint64_t>(index->slotCount);
  Probe probe;
  if (index->keyKind == kKeyKindBytes) {
    probe.slot = KeyHash(key, m) % m;
    probe.step = KeyStep(key);
  } else {
    probe.slot = KeyHashNoCase(key, m) % m;
    probe.step = KeyStepNoCase(key);
  }
  // A step that is a multiple of the slot count would never leave the start slot.
  probe.step %= m;
  if (probe.step == 0) probe.step = 1;
  return probe;
}

inline void Advance(Probe* probe, uint64_t m) {
  probe->slot += probe->step;
  if (probe->slot >= m) probe->slot -= m;
}

bool KeysEqual(const HashIndex* index, const char* a, const char* b) {
  if (std::strcmp(a ? a : "", b ? b : "") == 0) return true;
  // Most keys are looked up as they were stored; only the others pay for the case tables.
  return index->keyKind != kKeyKindBytes && StrEqualNoCase(a, b);
}

inline const char* RecordKey(const HashIndex* index, int64_t slot) {
  return index->key(reinterpret_cast<const void*>(static_cast<intptr_t>(slot)));
}

void ClearSlots(HashIndex* index) {
  if (index->slotCount > 0) std::memset(Slots(index), 0, static_cast<size_t>(index->slotCount) * 8);
  index->entryCount = 0;
  index->fillLimit = index->slotCount - index->slotCount / 8;
}

}  // namespace

int64_t HashIndexPrimeSize(int64_t n) {
  if (n < 0) n = 0;
  return NextPrime(2 * n + 1024 - n / 4);
}

bool HashIndexInit(HashIndex* index, int64_t n, int headroomClass, HashKeyFunction key,
                   int32_t keyKind) {
  index->key = key;
  index->keyKind = keyKind;
  int64_t size = HashIndexPrimeSize(n);
  ArrayInitMin4(&index->slots, size, headroomClass);
  index->slotCount = index->slots.data ? size : 0;
  ClearSlots(index);
  return index->slotCount != 0;
}

bool HashIndexReset(HashIndex* index, int64_t n) {
  int64_t size = HashIndexPrimeSize(n);
  bool resized = ArrayResizeMin4(&index->slots, size);
  if (resized)
    index->slotCount = size;
  else if (!index->slots.data)
    index->slotCount = 0;
  ClearSlots(index);
  return resized;
}

bool HashIndexInsert(HashIndex* index, const void* record) {
  const char* key = index->key(record);
  if (!key || !*key || index->slotCount == 0) return false;
  uint64_t m = static_cast<uint64_t>(index->slotCount);
  Probe probe = ProbeOf(index, key);
  for (uint64_t visited = 0; visited < m; ++visited, Advance(&probe, m)) {
    int64_t& slot = Slots(index)[probe.slot];
    if (slot == kEmpty || slot == kDeleted) {
      slot = static_cast<int64_t>(reinterpret_cast<intptr_t>(record));
      ++index->entryCount;
      return true;
    }
  }
  return false;
}

void* HashIndexFind(const HashIndex* index, const char* key) {
  if (!key || !*key || index->slotCount == 0) return nullptr;
  uint64_t m = static_cast<uint64_t>(index->slotCount);
  Probe probe = ProbeOf(index, key);
  for (uint64_t visited = 0; visited < m; ++visited, Advance(&probe, m)) {
    int64_t slot = Slots(index)[probe.slot];
    if (slot == kEmpty) return nullptr;
    if (slot != kDeleted && KeysEqual(index, RecordKey(index, slot), key))
      return reinterpret_cast<void*>(static_cast<intptr_t>(slot));
  }
  return nullptr;
}

namespace {

// The hashes of a key's prefixes, one unit (a byte, or an upper-cased character) at a time, each
// equal to what KeyHash or KeyHashNoCase gives for that prefix as a key of its own.
class PrefixHash {
 public:
  PrefixHash(uint64_t m, bool noCase) : m_(m), noCase_(noCase) {}

  void Add(uint64_t unit) {
    ++count_;
    last_ = unit;
    // The head: three bytes, or two characters, hashed as one number.
    const uint64_t headUnits = noCase_ ? 2 : 3;
    if (count_ == 1) {
      first_ = unit;
    } else if (count_ == 2) {
      second_ = unit;
    }
    if (count_ < headUnits) return;
    if (count_ == headUnits) {
      h_ = noCase_ ? ((first_ << 8) ^ second_) % m_
                   : (first_ * 65536 + second_ * 256 + unit) % m_;
      return;
    }
    if (m_ >= 65536) {
      h_ = noCase_ ? (((h_ & 0x7fffff) << 8) ^ unit) % m_ : (((h_ & 0x7fffff) << 8) | unit) % m_;
      return;
    }
    if (!pending_) {
      pending_ = true;
      waiting_ = unit;
      return;
    }
    pending_ = false;
    h_ = Pair(waiting_, unit);
  }

  uint64_t Hash() const {
    if (count_ == 1) return first_ % m_;
    if (count_ == 2) return noCase_ ? ((first_ << 8) ^ second_) % m_ : (first_ * 256 + second_) % m_;
    return pending_ ? Pair(waiting_, 0) : h_;
  }

  uint64_t Step() const {
    uint64_t step = noCase_ ? (last_ & 0x3ff) : last_;
    if (step == 0) step = 1;
    step %= m_;
    return step == 0 ? 1 : step;
  }

 private:
  uint64_t Pair(uint64_t c1, uint64_t c2) const {
    return noCase_ ? ((((h_ << 7) ^ c1) << 8) ^ c2) % m_ : ((((h_ << 7) | c1) << 8) + c2) % m_;
  }

  uint64_t m_;
  bool noCase_;
  uint64_t count_ = 0;
  uint64_t first_ = 0, second_ = 0, last_ = 0, h_ = 0, waiting_ = 0;
  bool pending_ = false;
};

bool PrefixEqual(const HashIndex* index, const char* stored, const char* key, size_t length) {
  if (!stored) return false;
  if (std::strncmp(stored, key, length) == 0 && stored[length] == 0) return true;
  if (index->keyKind == kKeyKindBytes) return false;
  UpperChars a(stored);
  UpperChars b(key);
  while (b.cursor < key + length) {
    const uint32_t u = b.Next();
    if (u == 0 || a.Next() != u) return false;
  }
  return a.Next() == 0;
}

void* FindPrefix(const HashIndex* index, const PrefixHash& hash, const char* key, size_t length) {
  const uint64_t m = static_cast<uint64_t>(index->slotCount);
  Probe probe{hash.Hash() % m, hash.Step()};
  for (uint64_t visited = 0; visited < m; ++visited, Advance(&probe, m)) {
    int64_t slot = Slots(index)[probe.slot];
    if (slot == kEmpty) return nullptr;
    if (slot != kDeleted && PrefixEqual(index, RecordKey(index, slot), key, length))
      return reinterpret_cast<void*>(static_cast<intptr_t>(slot));
  }
  return nullptr;
}

}  // namespace

void* HashIndexFindLongestPrefix(const HashIndex* index, const char* key) {
  if (!key || !*key || index->slotCount == 0) return nullptr;
  const bool noCase = index->keyKind != kKeyKindBytes;
  PrefixHash hash(static_cast<uint64_t>(index->slotCount), noCase);
  void* longest = nullptr;
  if (!noCase) {
    for (size_t n = 1; key[n] != 0; ++n) {
      hash.Add(static_cast<uint8_t>(key[n - 1]));
      if ((static_cast<uint8_t>(key[n]) & 0xC0) == 0x80) continue;  // inside a character
      if (void* found = FindPrefix(index, hash, key, n)) longest = found;
    }
    return longest;
  }
  UpperChars chars(key);
  while (uint32_t u = chars.Next()) {
    if (*chars.cursor == 0) break;  // the whole key is no proper prefix
    hash.Add(u);
    const size_t n = static_cast<size_t>(chars.cursor - key);
    if (void* found = FindPrefix(index, hash, key, n)) longest = found;
  }
  return longest;
}

bool HashIndexRemove(HashIndex* index, const void* record) {
  const char* key = index->key(record);
  if (!key || !*key || index->slotCount == 0) return false;
  uint64_t m = static_cast<uint64_t>(index->slotCount);
  int64_t address = static_cast<int64_t>(reinterpret_cast<intptr_t>(record));
  int64_t firstEqual = -1;
  Probe probe = ProbeOf(index, key);
  for (uint64_t visited = 0; visited < m; ++visited, Advance(&probe, m)) {
    int64_t& slot = Slots(index)[probe.slot];
    if (slot == kEmpty) break;
    if (slot == address) {
      slot = kDeleted;
      --index->entryCount;
      return true;
    }
    if (firstEqual < 0 && slot != kDeleted && KeysEqual(index, RecordKey(index, slot), key))
      firstEqual = static_cast<int64_t>(probe.slot);
  }
  if (firstEqual < 0) return false;
  Slots(index)[firstEqual] = kDeleted;
  --index->entryCount;
  return true;
}

void HashIndexFree(HashIndex* index) {
  ArrayFree(&index->slots);
  index->slotCount = 0;
  index->entryCount = 0;
  index->fillLimit = 0;
}

int64_t HashIndexMemSize(const HashIndex* index) {
  return MemAllocatedSize(index->slots.data) + 80;
}

uint64_t KeyHash(const char* key, uint64_t m) {
  auto* p = reinterpret_cast<const uint8_t*>(key);
  if (!p || !p[0]) return 0;
  if (!p[1] || !p[2]) {
    uint64_t h = p[1] ? uint64_t{p[0]} * 256 + p[1] : p[0];
    return h < m ? h : h % m;
  }
  uint64_t h = (uint64_t{p[0]} * 65536 + uint64_t{p[1]} * 256 + p[2]) % m;
  p += 3;
  if (m >= 65536) {
    while (*p) h = (((h & 0x7fffff) << 8) | *p++) % m;
    return h;
  }
  // Pairs of bytes; a pair cut by the NUL is hashed with 0 as its second byte and ends the key.
  while (*p) {
    uint64_t c1 = *p++;
    uint64_t c2 = *p;
    if (c2) ++p;
    h = ((((h << 7) | c1) << 8) + c2) % m;
    if (!c2) break;
  }
  return h;
}

uint64_t KeyHashNoCase(const char* key, uint64_t m) {
  UpperChars chars(key);
  uint64_t u1 = chars.Next();
  if (!u1) return 0;
  uint64_t u2 = chars.Next();
  if (!u2) return u1 < m ? u1 : u1 % m;
  uint64_t h = ((u1 << 8) ^ u2) % m;
  if (m >= 65536) {
    while (uint64_t u = chars.Next()) h = (((h & 0x7fffff) << 8) ^ u) % m;
    return h;
  }
  while ((u1 = chars.Next())) {
    u2 = chars.Next();
    h = ((((h << 7) ^ u1) << 8) ^ u2) % m;
    if (!u2) break;
  }
  return h;
}

uint64_t KeyStep(const char* key) {
  if (!key || !*key) return 1;
  return static_cast<uint8_t>(key[std::strlen(key) - 1]);
}

uint64_t KeyStepNoCase(const char* key) {
  UpperChars chars(key);
  uint64_t last = 0;
  while (uint64_t u = chars.Next()) last = u;
  uint64_t step = last & 0x3ff;
  return step ? step : 1;
}

uint64_t StrHash(const char* text, uint64_t m) {
  auto* p = reinterpret_cast<const uint8_t*>(text);
  if (!p || !*p) return 0;
  uint64_t h = *p++ % m;
  while (*p) h = (((h & 0x7fffff) << 8) | *p++) % m;
  return h;
}

uint64_t StrHashNoCase(const char* text, uint64_t m) {
  UpperChars chars(text);
  uint64_t u = chars.Next();
  if (!u) return 0;
  uint64_t h = u % m;
  while ((u = chars.Next())) h = (((h & 0x7fffff) << 8) ^ u) % m;
  return h;
}

uint64_t DoubleHash(double x, uint64_t m) {
  uint64_t bits;
  std::memcpy(&bits, &x, 8);
  return (bits & 0x7fffffffffffffffull) % m;
}

uint64_t DoubleStep(double x) {
  uint64_t bits;
  std::memcpy(&bits, &x, 8);
  return ((bits >> 40) & 0xff) + 1;
}

bool IsPrime(int64_t n) {
  if (n < 4) return true;
  if (n < 32) {
    constexpr uint32_t kSmallPrimes = (1u << 5) | (1u << 7) | (1u << 11) | (1u << 13) | (1u << 17) |
                                      (1u << 19) | (1u << 23) | (1u << 29) | (1u << 31);
    return (kSmallPrimes >> n) & 1;
  }
  if (n % 2 == 0 || n % 3 == 0 || n % 5 == 0) return false;
  static constexpr int64_t kOffsets[] = {7, 11, 13, 17, 19, 23, 29, 31};
  for (int64_t base = 0; (base + 1) * (base + 1) < n; base += 30)
    for (int64_t offset : kOffsets)
      if (n % (base + offset) == 0) return false;
  return true;
}

int64_t NextPrime(int64_t x) {
  int64_t n = x % 2 == 0 ? x + 1 : x + 2;
  while (!IsPrime(n)) n += 2;
  return n;
}
