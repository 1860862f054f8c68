#include "core/block_codec.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/alert.h"
#include "core/threads.h"

namespace {

using Bytes = std::vector<uint8_t>;

uint32_t NextRandom(uint32_t* state) {
  *state = *state * 1664525u + 1013904223u;
  return *state >> 8;
}

// Compresses into exactly 2n bytes followed by guard bytes that must survive.
Bytes Compress(const Bytes& input) {
  Bytes code(2 * input.size() + 16, 0xA5);
  int32_t n = BlockCompress(code.data(), input.data(), static_cast<int32_t>(input.size()));
  for (size_t i = 2 * input.size(); i < code.size(); ++i) EXPECT_EQ(code[i], 0xA5) << "guard " << i;
  code.resize(static_cast<size_t>(n));
  return code;
}

// Expands into exactly `capacity` bytes followed by guard bytes that must survive.
struct Expansion {
  int32_t result;
  Bytes output;
};
Expansion Expand(const Bytes& code, int32_t capacity, bool old = false) {
  constexpr int32_t kGuard = 64;
  Bytes area(static_cast<size_t>(capacity) + kGuard, 0xA5);
  int32_t r =
      old ? BlockExpandOld(area.data(), capacity, code.data(), static_cast<int32_t>(code.size()))
          : BlockExpand(area.data(), capacity, code.data(), static_cast<int32_t>(code.size()));
  for (int32_t i = 0; i < kGuard; ++i)
    EXPECT_EQ(area[static_cast<size_t>(capacity + i)], 0xA5) << "guard " << i;
  EXPECT_TRUE(r == kBlockCodeDamaged || (r >= 0 && r <= capacity)) << r;
  area.resize(r > 0 ? static_cast<size_t>(r) : 0);
  return {r, area};
}

// The compressor as the file format describes it: a table of prime size probed by double
// hashing, every candidate on the probe path examined. Slow and plain, so that the fast
// compressor can be checked against it byte for byte.
bool IsOddPrime(int32_t n) {
  if (n < 3 || n % 2 == 0) return false;
  for (int32_t d = 3; d * d <= n; d += 2)
    if (n % d == 0) return false;
  return true;
}

Bytes ReferenceCompress(const Bytes& in) {
  const int32_t n = static_cast<int32_t>(in.size());
  int32_t slots = 2 * n + 1024 - n / 4 + 1;
  while (!IsOddPrime(slots)) ++slots;
  std::vector<int16_t> table(static_cast<size_t>(slots), -1);
  Bytes out;
  auto literal = [&](uint8_t c) {
    if (!((c >= 9 && c <= 15) || (c >= 32 && c <= 191))) out.push_back(24);
    out.push_back(c);
  };
  // Walks p's probe sequence, examining each stored position, and stores p at its end.
  auto probe = [&](int32_t p, int32_t* bestLength, int32_t* field) {
    const int32_t k = in[p] + 256 * in[p + 1] + 65536 * in[p + 2];
    int32_t slot = k % slots;
    const int32_t step = k % 997 + 1;
    const int32_t r = n - p;
    while (table[slot] != -1) {
      const int32_t q = table[slot];
      const int32_t cap = std::min(r, p - q);
      if (bestLength != nullptr && cap >= *bestLength) {
        bool equal = true;
        for (int32_t i = *bestLength - 1; i >= 0 && equal; --i) equal = in[q + i] == in[p + i];
        if (equal) {
          int32_t len = *bestLength;
          while (len < cap && in[q + len] == in[p + len]) ++len;
          *bestLength = len;
          *field = (p - q) - len;
        }
      }
      slot += step;
      if (slot >= slots) slot -= slots;
    }
    table[slot] = static_cast<int16_t>(p);
  };
  int32_t p = 0;
  while (p < n) {
    if (n - p <= 2) {
      literal(in[p++]);
      continue;
    }
    int32_t L = 2, D = 0;
    probe(p, &L, &D);
    Bytes token;
    if (L == 2) {
    } else if (L <= 10 && D < 2048) {
      token = {uint8_t(192 + (L - 3) * 8 + (D >> 8)), uint8_t(D)};
    } else if (L == 3) {
      if (D < 3072) token = {uint8_t((D - 2048) >> 8), uint8_t(D)};
    } else if (L == 4 && D < 3328) {
      token = {uint8_t(((D - 2048) >> 8) + 4), uint8_t(D)};
    } else if (L >= 11 && L <= 18 && D < 256) {
      token = {uint8_t(L + 5), uint8_t(D)};
    } else if (L >= 4 && L <= 43 && D < 8192) {
      token = {uint8_t(27 + ((L - 4) >> 3)), uint8_t(((L - 4) & 7) * 32 + (D >> 8)), uint8_t(D)};
    } else if (L < 5) {
    } else if (L <= 260) {
      token = {26, uint8_t(L - 5), uint8_t(D >> 8), uint8_t(D)};
    } else {
      token = {25, uint8_t(L >> 8), uint8_t(L), uint8_t(D >> 8), uint8_t(D)};
    }
    if (token.empty()) {
      literal(in[p++]);
      continue;
    }
    out.insert(out.end(), token.begin(), token.end());
    for (int32_t i = p + 1; i < p + L && n - i >= 3; ++i) probe(i, nullptr, nullptr);
    p += L;
  }
  return out;
}

// Two-byte units (0x80 + (i >> 7), i & 0x7F): no three-byte window repeats, and ranges of i far
// apart share none.
Bytes Units(int32_t first, int32_t length) {
  Bytes b;
  for (int32_t i = first; static_cast<int32_t>(b.size()) < length; ++i) {
    b.push_back(static_cast<uint8_t>(0x80 + (i >> 7)));
    b.push_back(static_cast<uint8_t>(i & 0x7F));
  }
  b.resize(static_cast<size_t>(length));
  return b;
}

// Section-like text: tagged sections of tab-separated records, lines ending in CR.
std::string SectionText(size_t size, uint32_t seed) {
  static const char* const kWords[] = {"North",     "South",  "East",   "West", "Retail",
                                       "Wholesale", "Online", "Coffee", "Tea",  "Cocoa",
                                       "Sugar",     "Milk",   "Oslo",   "Lyon", "Graz"};
  std::string text = "##Cards\r";
  char line[160];
  for (int32_t card = 1; text.size() < size; ++card) {
    if (card % 5000 == 0) text += "\r##Dimension\tProduct\t3\r";
    const uint32_t a = NextRandom(&seed), b = NextRandom(&seed), c = NextRandom(&seed);
    std::snprintf(line, sizeof line, "%d\t%s\t%s %s\t20%02u-%02u-%02u\t%u.%02u\t%u\r", card,
                  kWords[a % 15], kWords[b % 15], kWords[(a >> 8) % 15], 10 + a % 14, 1 + b % 12,
                  1 + c % 28, c % 100000, b % 100, (a >> 4) % 7);
    text += line;
  }
  text.resize(size);
  return text;
}

Bytes ToBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

TEST(BlockCodec, CompressesTheDocumentedExamples) {
  EXPECT_TRUE(Compress({}).empty());
  // Three literals, then two copies of 3 at distance 3: a copy never reaches past the current
  // position, and the nearer of two equal candidates wins.
  EXPECT_EQ(Compress(ToBytes("abcabcabc")), (Bytes{'a', 'b', 'c', 0xC0, 0x00, 0xC0, 0x00}));
  struct Case {
    uint8_t byte;
    Bytes code;
  };
  for (const Case& c : {Case{0, {24, 0}}, Case{8, {24, 8}}, Case{9, {9}}, Case{15, {15}},
                        Case{16, {24, 16}}, Case{31, {24, 31}}, Case{32, {32}}, Case{191, {191}},
                        Case{192, {24, 192}}, Case{255, {24, 255}}})
    EXPECT_EQ(Compress({c.byte}), c.code) << int(c.byte);
}

TEST(BlockCodec, ChoosesTheTokenFormByLengthAndDistance) {
  // Input: a run A of `length` bytes, a gap of `gap` unrelated bytes, A again. The second A is
  // one copy with field D = gap, or literals when no form fits; the code ends with it.
  struct Case {
    int32_t length, gap;
    Bytes tail;
  };
  const Case cases[] = {
      {3, 2047, {0xC7, 0xFF}},
      {3, 2048, {0x00, 0x00}},
      {3, 3071, {0x03, 0xFF}},
      {3, 3072, {24, 0xDD, 0x60, 24, 0xDD}},
      {4, 2047, {0xCF, 0xFF}},
      {4, 2048, {0x04, 0x00}},
      {4, 3327, {0x08, 0xFF}},
      {4, 3328, {0x1B, 0x0D, 0x00}},
      {4, 8191, {0x1B, 0x1F, 0xFF}},
      {4, 8192, {24, 0xDD, 0x60, 24, 0xDD, 0x61}},
      {10, 2047, {0xFF, 0xFF}},
      {11, 255, {0x10, 0xFF}},
      {11, 256, {0x1B, 0xE1, 0x00}},
      {18, 0, {0x17, 0x00}},
      {19, 0, {0x1C, 0xE0, 0x00}},
      {43, 8191, {0x1F, 0xFF, 0xFF}},
      {44, 0, {0x1A, 39, 0x00, 0x00}},
      {260, 300, {0x1A, 0xFF, 0x01, 0x2C}},
      {261, 0, {0x19, 0x01, 0x05, 0x00, 0x00}},
      {1000, 5, {0x19, 0x03, 0xE8, 0x00, 0x05}},
  };
  for (const Case& c : cases) {
    Bytes a = Units(12000, c.length);
    Bytes input = a;
    Bytes gap = Units(0, c.gap);
    input.insert(input.end(), gap.begin(), gap.end());
    input.insert(input.end(), a.begin(), a.end());
    Bytes code = Compress(input);
    ASSERT_GE(code.size(), c.tail.size());
    EXPECT_EQ(Bytes(code.end() - static_cast<ptrdiff_t>(c.tail.size()), code.end()), c.tail)
        << "length " << c.length << " gap " << c.gap;
    EXPECT_EQ(code, ReferenceCompress(input));
    EXPECT_EQ(Expand(code, static_cast<int32_t>(input.size())).output, input);
  }
}

TEST(BlockCodec, MatchesTheReferenceAndRoundTripsAtEveryBlockSize) {
  uint32_t seed = 7;
  auto randomBytes = [&](int32_t n, uint32_t alphabet) {
    Bytes b(static_cast<size_t>(n));
    for (auto& x : b) x = static_cast<uint8_t>(NextRandom(&seed) % alphabet);
    return b;
  };
  auto runs = [&](int32_t n) {
    Bytes b;
    while (static_cast<int32_t>(b.size()) < n)
      b.insert(b.end(), 1 + NextRandom(&seed) % 700, uint8_t(NextRandom(&seed)));
    b.resize(static_cast<size_t>(n));
    return b;
  };
  const std::string text = SectionText(200000, 3);
  for (int32_t size : {1, 2, 3, 4, 5, 100, 4097, 12000, kBlockCodecMaxInput}) {
    Bytes escapes = randomBytes(size, 256);  // only bytes that need the escape: 2n code bytes
    for (auto& b : escapes) b = static_cast<uint8_t>(b < 9 ? b : b < 25 ? b + 7 : 192 + b % 64);
    std::vector<Bytes> inputs = {randomBytes(size, 256),
                                 randomBytes(size, 2),
                                 runs(size),
                                 Bytes(size, 'x'),
                                 Bytes(text.begin(), text.begin() + size),
                                 escapes};
    for (const Bytes& input : inputs) {
      Bytes code = Compress(input);
      ASSERT_LE(code.size(), 2 * input.size());
      ASSERT_EQ(code, ReferenceCompress(input)) << "size " << size;
      Expansion e = Expand(code, size);
      ASSERT_EQ(e.result, size);
      ASSERT_EQ(e.output, input);
    }
  }
}

TEST(BlockCodec, RoundTripsMegabytesOfSectionText) {
  const std::string text = SectionText(4 << 20, 11);
  for (int32_t block : {12000, 4096, kBlockCodecMaxInput}) {
    size_t codeTotal = 0;
    for (size_t at = 0; at < text.size(); at += static_cast<size_t>(block)) {
      const Bytes input(text.begin() + static_cast<ptrdiff_t>(at),
                        text.begin() + static_cast<ptrdiff_t>(std::min(text.size(), at + block)));
      const Bytes code = Compress(input);
      codeTotal += code.size();
      if (at < 3 * static_cast<size_t>(block)) {
        ASSERT_EQ(code, ReferenceCompress(input)) << at;
      }
      const Expansion e = Expand(code, static_cast<int32_t>(input.size()));
      ASSERT_EQ(e.output, input) << "block " << block << " at " << at;
    }
    EXPECT_LT(codeTotal, text.size() / 2) << "block " << block;
  }
}

TEST(BlockCodec, ExpandsEveryTokenForm) {
  // Each token is decoded behind a prefix of plain literals, long enough for every distance.
  struct Case {
    Bytes token;
    int32_t length, distance;  // copy; length 0 with distance -1: the literal token[1]
  };
  auto check = [](const std::vector<Case>& cases, bool old) {
    Bytes prefix;
    uint32_t seed = 5;
    while (prefix.size() < 4000)
      prefix.push_back(
          static_cast<uint8_t>(old ? NextRandom(&seed) % 245 : 32 + NextRandom(&seed) % 160));
    for (const Case& c : cases) {
      Bytes code = prefix;
      code.insert(code.end(), c.token.begin(), c.token.end());
      Bytes expected = prefix;
      if (c.distance < 0) expected.push_back(c.token[1]);
      for (int32_t i = 0; i < c.length; ++i)
        expected.push_back(expected[expected.size() - static_cast<size_t>(c.distance)]);
      Expansion e = Expand(code, 5000, old);
      EXPECT_EQ(e.output, expected) << (old ? "old " : "") << "token " << int(c.token[0]);
    }
  };
  check({{{0, 5}, 3, 2056},
         {{3, 255}, 3, 3074},
         {{4, 0}, 4, 2052},
         {{8, 255}, 4, 3331},
         {{16, 0}, 11, 11},
         {{23, 9}, 18, 27},
         {{24, 0xC3}, 0, -1},
         {{25, 0, 20, 1, 0}, 20, 276},
         {{25, 0, 0, 0, 0}, 0, 0},
         {{26, 0, 1, 0}, 5, 261},
         {{27, 0, 0}, 4, 4},
         {{31, 0xE3, 2}, 43, 3 * 256 + 2 + 43},
         {{192, 0}, 3, 3},
         {{255, 255}, 10, 2047 + 10}},
        false);
  check({{{245, 0, 7, 1, 0}, 7, 263},
         {{246, 2, 0, 10}, 7, 17},
         {{247, 0x21, 5}, 13, 256 + 5 + 13},
         {{248, 0x40, 9}, 6, 15},
         {{249, 1}, 4, 261},
         {{250, 9}, 4, 13},
         {{251, 0}, 3, 771},
         {{252, 2}, 3, 517},
         {{253, 0}, 3, 259},
         {{254, 7}, 3, 10},
         {{255, 0xF7}, 0, -1}},
        true);
}

TEST(BlockCodec, ExpandReportsDamage) {
  struct Case {
    const char* what;
    Bytes code;
    int32_t capacity;
    bool old;
  };
  const Case cases[] = {
      {"copy from before the start", {'a', 'b', 0xC0, 0x00}, 100, false},
      {"far copy from before the start", {'a', 0x00, 0x00}, 100, false},
      {"operand missing", {'a', 0xC0}, 100, false},
      {"escape missing", {'a', 24}, 100, false},
      {"long copy cut", {'a', 25, 0, 3}, 100, false},
      {"form 26 cut", {'a', 26, 0, 0}, 100, false},
      {"form 27 cut", {'a', 27, 0}, 100, false},
      {"literal past the output", {'a', 'b', 'c'}, 2, false},
      {"copy past the output", {'a', 'b', 'c', 0xC0, 0x00}, 5, false},
      {"old copy from before the start", {'a', 'b', 254, 0}, 100, true},
      {"old operand missing", {'a', 249}, 100, true},
      {"old long copy cut", {'a', 245, 0, 1, 0}, 100, true},
      {"old literal past the output", {'a', 'b'}, 1, true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Expand(c.code, c.capacity, c.old).result, kBlockCodeDamaged) << c.what;
  EXPECT_EQ(Expand({}, 0).result, 0);
  EXPECT_EQ(Expand({}, 0, true).result, 0);
  EXPECT_EQ(Expand({'a', 'b', 'c', 0xC0, 0x00}, 6).result, 6);  // exactly full
}

TEST(BlockCodec, DamagedCodesNeverWritePastTheOutput) {
  const std::string text = SectionText(60000, 21);
  uint32_t seed = 99;
  std::vector<std::pair<Bytes, Bytes>> blocks;  // input, code
  for (size_t at : {size_t{0}, size_t{30000}}) {
    Bytes input(text.begin() + static_cast<ptrdiff_t>(at),
                text.begin() + static_cast<ptrdiff_t>(at + 12000));
    blocks.emplace_back(input, Compress(input));
  }
  Bytes runs;
  for (int i = 0; i < 300; ++i) runs.insert(runs.end(), 5 + i % 40, static_cast<uint8_t>(i * 37));
  blocks.emplace_back(runs, Compress(runs));

  for (const auto& [input, code] : blocks) {
    const int32_t size = static_cast<int32_t>(input.size());
    // A cut code expands to a prefix of the block or reports damage.
    for (size_t cut = 0; cut < code.size(); cut += 1 + cut / 50) {
      Expansion e = Expand(Bytes(code.begin(), code.begin() + static_cast<ptrdiff_t>(cut)), size);
      if (e.result >= 0) {
        ASSERT_TRUE(std::equal(e.output.begin(), e.output.end(), input.begin())) << cut;
      }
    }
    for (int round = 0; round < 3000; ++round) {
      Bytes damaged = code;
      for (uint32_t flips = 1 + NextRandom(&seed) % 3; flips > 0; --flips)
        damaged[NextRandom(&seed) % damaged.size()] ^=
            static_cast<uint8_t>(1u << (NextRandom(&seed) % 8));
      const int32_t capacity = round % 2 ? size : static_cast<int32_t>(NextRandom(&seed) % size);
      Expand(damaged, capacity);
      Expand(damaged, capacity, true);
    }
  }
  for (int round = 0; round < 2000; ++round) {
    Bytes noise(1 + NextRandom(&seed) % 600);
    for (auto& b : noise) b = static_cast<uint8_t>(NextRandom(&seed));
    Expand(noise, static_cast<int32_t>(NextRandom(&seed) % 3000));
    Expand(noise, static_cast<int32_t>(NextRandom(&seed) % 3000), true);
  }
}

TEST(BlockCodec, CompressRefusesWhatItCannotDo) {
  Bytes big(kBlockCodecMaxInput + 1, 'a');
  Bytes code(2 * big.size());
  EXPECT_EQ(BlockCompress(code.data(), big.data(), static_cast<int32_t>(big.size())), 0);

  const Bytes input = ToBytes(SectionText(12000, 1));
  PendingErrorClear();
  SetHeapFailHook([](size_t) { return false; });
  EXPECT_EQ(BlockCompress(code.data(), input.data(), static_cast<int32_t>(input.size())), 0);
  SetHeapFailHook(nullptr);
  EXPECT_EQ(PendingError.request.message, 600);
  PendingErrorClear();
  EXPECT_GT(BlockCompress(code.data(), input.data(), static_cast<int32_t>(input.size())), 0);
}

}  // namespace
