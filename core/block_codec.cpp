#include "core/block_codec.h"

#include <cstring>

#include "core/memory.h"

// How the compressor chooses, and why it can be fast and still exact.
//
// The file format fixes the parse: at each position p with r >= 3 bytes left, the candidates
// are all earlier positions q with the same first three bytes; a candidate's length is its
// common prefix with p, cut at r and at p - q (a copy never reaches into its own output); the
// longest wins, and among equally long ones the nearest. Every position with three or more bytes
// left becomes a candidate for later positions, whether it began a token or lay inside a copy.
//
// So the candidates of a position do not depend on the parse, and the compressor sorts them out
// before it starts: one counting sort by a hash of the three bytes lists every bucket's
// positions in ascending order, side by side, and notes where each position stands. The
// candidates of p are then the entries just before p in its bucket, walked from the nearest
// back; replacing the best only by a strictly longer match keeps the nearest of the longest, and
// positions of other keys in the same bucket never beat a match of 3. A walk reads one array
// front to back instead of following links whose every step waits for the last one.
//
// Once a match is known, a candidate can only win when it shares the byte just past it and the
// seven before (all of them while the best is below 8): one masked compare of a word rejects
// nearly every candidate, and as winners are rare after the first, that branch predicts well.

namespace {

// Bytes that stand for themselves in the current code; every other literal needs the escape 24.
constexpr bool IsPlainLiteral(uint32_t c) { return (c >= 9 && c <= 15) || (c >= 32 && c <= 191); }

// For the expander: 0 a byte that stands for itself, 1 the escape, 2 a copy.
constexpr struct LiteralKinds {
  uint8_t kind[256];
  constexpr LiteralKinds() : kind() {
    for (uint32_t c = 0; c < 256; ++c) kind[c] = IsPlainLiteral(c) ? 0 : c == 24 ? 1 : 2;
  }
  constexpr uint32_t operator[](uint32_t c) const { return kind[c]; }
} kLiteralKind;

inline uint64_t Load64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}

// Common prefix of a and b, at most limit bytes.
inline int32_t CommonLength(const uint8_t* a, const uint8_t* b, int32_t limit) {
  int32_t n = 0;
  if (limit >= 16) {
    const uint64_t d1 = Load64(a) ^ Load64(b);
    const uint64_t d2 = Load64(a + 8) ^ Load64(b + 8);
    const int32_t l1 = static_cast<int32_t>(__builtin_ctzll(d1 | (uint64_t{1} << 63)) >> 3);
    const int32_t l2 = 8 + static_cast<int32_t>(__builtin_ctzll(d2 | (uint64_t{1} << 63)) >> 3);
    const int32_t l = d1 != 0 ? l1 : d2 != 0 ? l2 : 16;
    if (__builtin_expect(l < 16, 1)) return l;
    n = 16;
  }
  while (n + 8 <= limit) {
    uint64_t diff = Load64(a + n) ^ Load64(b + n);
    if (diff != 0) return n + (__builtin_ctzll(diff) >> 3);
    n += 8;
  }
  while (n < limit && a[n] == b[n]) ++n;
  return n;
}

// The three bytes at p in the top of a word; HashWide must give the same value where four bytes
// can be read.
inline uint32_t HashOf(const uint8_t* p, int shift) {
  uint32_t key = (uint32_t{p[0]} << 8) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 24);
  return (key * 2654435761u) >> shift;
}
inline uint32_t HashWide(const uint8_t* p, int shift) {
  uint32_t key;
  std::memcpy(&key, p, 4);
  return ((key << 8) * 2654435761u) >> shift;
}

// Without a branch: on random data the escape test would fail to predict every other byte.
// Writes two bytes either way, which the 2n output area always has room for.
inline uint8_t* PutLiteral(uint8_t* out, uint8_t c) {
  const uint32_t escape = !IsPlainLiteral(c);
  out[0] = escape ? 24 : c;
  out[1] = c;
  return out + 1 + escape;
}

// Writes the first token form that fits a match of length L (>= 3) with field D = distance - L.
// Null when the match has to go out as a literal.
inline uint8_t* PutCopy(uint8_t* out, int32_t L, int32_t D) {
  if (L <= 10 && D < 2048) {
    out[0] = static_cast<uint8_t>(192 + (L - 3) * 8 + (D >> 8));
    out[1] = static_cast<uint8_t>(D);
    return out + 2;
  }
  if (L == 3) {
    if (D >= 3072) return nullptr;
    out[0] = static_cast<uint8_t>((D - 2048) >> 8);
    out[1] = static_cast<uint8_t>(D);
    return out + 2;
  }
  if (L == 4 && D < 3328) {
    out[0] = static_cast<uint8_t>(((D - 2048) >> 8) + 4);
    out[1] = static_cast<uint8_t>(D);
    return out + 2;
  }
  if (L >= 11 && L <= 18 && D < 256) {
    out[0] = static_cast<uint8_t>(L + 5);
    out[1] = static_cast<uint8_t>(D);
    return out + 2;
  }
  if (L <= 43 && D < 8192) {
    out[0] = static_cast<uint8_t>(27 + ((L - 4) >> 3));
    out[1] = static_cast<uint8_t>(((L - 4) & 7) * 32 + (D >> 8));
    out[2] = static_cast<uint8_t>(D);
    return out + 3;
  }
  if (L < 5) return nullptr;
  if (L <= 260) {
    out[0] = 26;
    out[1] = static_cast<uint8_t>(L - 5);
    out[2] = static_cast<uint8_t>(D >> 8);
    out[3] = static_cast<uint8_t>(D);
    return out + 4;
  }
  out[0] = 25;
  out[1] = static_cast<uint8_t>(L >> 8);
  out[2] = static_cast<uint8_t>(L);
  out[3] = static_cast<uint8_t>(D >> 8);
  out[4] = static_cast<uint8_t>(D);
  return out + 5;
}

// Copies len bytes from dist bytes back. Both codes have dist >= len, so source and destination
// never overlap; with room behind the copy it runs in whole words and may spill up to 15 bytes.
inline bool CopyBack(uint8_t*& out, uint8_t* start, uint8_t* end, uint32_t len, uint32_t dist) {
  if (dist > static_cast<uint32_t>(out - start) || len > static_cast<uint32_t>(end - out))
    return false;
  const uint8_t* src = out - dist;
  if (static_cast<uint32_t>(end - out) >= len + 16 && dist >= 8) {
    uint8_t* d = out;
    uint8_t* stop = out + len;
    do {
      std::memcpy(d, src, 8);
      std::memcpy(d + 8, src + 8, 8);
      d += 16;
      src += 16;
    } while (d < stop);
  } else if (static_cast<uint32_t>(end - out) >= 8 && len <= dist && len <= 8) {
    // dist < 8 means len < 8 too: one word covers the copy, its stale tail is rewritten later.
    uint64_t v;
    std::memcpy(&v, src, 8);
    std::memcpy(out, &v, 8);
  } else {
    std::memcpy(out, src, len);
  }
  out += len;
  return true;
}

}  // namespace

int32_t BlockCompress(void* output, const void* input, int32_t n) {
  if (n <= 0 || n > kBlockCodecMaxInput) return 0;
  const uint8_t* in = static_cast<const uint8_t*>(input);
  uint8_t* out = static_cast<uint8_t*>(output);

  // Positions 0 to keyed - 1 have three bytes and are candidates. As many buckets as positions
  // (at most 16384) keep other keys out of a walk without making the count's sum long.
  const int32_t keyed = n > 2 ? n - 2 : 0;
  int bits = 10;
  while (bits < 14 && (1 << bits) < n) ++bits;
  const int32_t buckets = 1 << bits;
  const int shift = 32 - bits;
  // A short-lived table: the scratch headroom is enough.
  auto* work = static_cast<uint16_t*>(MemAlloc(int64_t{buckets + 2 * keyed} * 2, 2));
  if (work == nullptr) return 0;
  uint16_t* start = work;              // start[h]: where bucket h begins in sorted
  uint16_t* sorted = start + buckets;  // every bucket's positions, ascending, bucket by bucket
  uint16_t* rank = sorted + keyed;     // rank[i]: where position i stands in sorted
  std::memset(start, 0, static_cast<size_t>(buckets) * 2);
  // The last keyed position has no fourth byte to read.
  auto hashAt = [&](int32_t i) {
    return i + 4 <= n ? HashWide(in + i, shift) : HashOf(in + i, shift);
  };
  for (int32_t i = 0; i < keyed; ++i) ++start[hashAt(i)];
  uint32_t sum = 0;
  for (int32_t h = 0; h < buckets; ++h) {
    sum += start[h];
    start[h] = static_cast<uint16_t>(sum);
  }
  // Filled from the back, each bucket ends ascending and start[] ends at the bucket's first.
  for (int32_t i = keyed - 1; i >= 0; --i) {
    const uint32_t at = --start[hashAt(i)];
    sorted[at] = static_cast<uint16_t>(i);
    rank[i] = static_cast<uint16_t>(at);
  }

  int32_t p = 0;
  while (p < n) {
    const int32_t r = n - p;
    if (r <= 2) {
      out = PutLiteral(out, in[p++]);
      continue;
    }
    const uint16_t* first = sorted + start[hashAt(p)];
    int32_t best = 2;
    int32_t bestQ = -1;
    if (r >= 8) {
      // A candidate that beats best shares bytes off to best with p: word holds p's, mask
      // the ones of them that are compared.
      int32_t off = 0;
      uint64_t word = Load64(in + p);
      uint64_t mask = 0xFFFFFF;
      for (const uint16_t* c = sorted + rank[p]; c-- != first;) {
        const int32_t q = *c;
        if (((Load64(in + q + off) ^ word) & mask) != 0 || p - q <= best) continue;
        const int32_t cap = r < p - q ? r : p - q;
        const int32_t len = CommonLength(in + q, in + p, cap);
        if (len <= best) continue;
        best = len;
        bestQ = q;
        if (best == r) break;
        off = best < 8 ? 0 : best - 7;
        word = Load64(in + p + off);
        mask = best < 7 ? (uint64_t{1} << (8 * best + 8)) - 1 : ~uint64_t{0};
      }
    } else {
      for (const uint16_t* c = sorted + rank[p]; c-- != first;) {
        const int32_t q = *c;
        const int32_t cap = r < p - q ? r : p - q;
        if (cap <= best || in[q + best] != in[p + best]) continue;
        const int32_t len = CommonLength(in + q, in + p, cap);
        if (len > best) {
          best = len;
          bestQ = q;
          if (best == r) break;
        }
      }
    }
    uint8_t* next = bestQ >= 0 ? PutCopy(out, best, p - bestQ - best) : nullptr;
    if (next == nullptr) {
      out = PutLiteral(out, in[p++]);
      continue;
    }
    out = next;
    p += best;
  }
  MemFree(work);
  return static_cast<int32_t>(out - static_cast<uint8_t*>(output));
}

int32_t BlockExpand(void* output, int32_t capacity, const void* code, int32_t codeLength) {
  if (capacity < 0 || codeLength < 0) return kBlockCodeDamaged;
  const uint8_t* in = static_cast<const uint8_t*>(code);
  const uint8_t* const inEnd = in + codeLength;
  uint8_t* const start = static_cast<uint8_t*>(output);
  uint8_t* const end = start + capacity;
  uint8_t* out = start;

  while (in < inEnd) {
    const uint32_t b = *in;
    const uint32_t kind = kLiteralKind[b];
    if (kind <= 1) {
      // A plain or escaped literal, without a branch on which: random data mixes them evenly.
      if (out == end || inEnd - in <= static_cast<ptrdiff_t>(kind)) return kBlockCodeDamaged;
      *out++ = in[kind];
      in += 1 + kind;
      continue;
    }
    ++in;
    uint32_t len, dist;
    if (b >= 192 || b <= 23) {
      if (in == inEnd) return kBlockCodeDamaged;
      const uint32_t u = *in++;
      if (b >= 192) {
        len = ((b - 192) >> 3) + 3;
        dist = (b & 7) * 256 + u + len;
      } else if (b <= 3) {
        len = 3;
        dist = b * 256 + u + 2051;
      } else if (b <= 8) {
        len = 4;
        dist = b * 256 + u + 1028;
      } else {
        len = b - 5;
        dist = u + len;
      }
    } else if (b == 25) {
      if (inEnd - in < 4) return kBlockCodeDamaged;
      len = in[0] * 256u + in[1];
      dist = in[2] * 256u + in[3] + len;
      in += 4;
    } else if (b == 26) {
      if (inEnd - in < 3) return kBlockCodeDamaged;
      len = in[0] + 5u;
      dist = in[1] * 256u + in[2] + len;
      in += 3;
    } else {
      if (inEnd - in < 2) return kBlockCodeDamaged;
      len = b * 8 + (in[0] >> 5) - 212;
      dist = (in[0] & 31u) * 256 + in[1] + len;
      in += 2;
    }
    if (!CopyBack(out, start, end, len, dist)) return kBlockCodeDamaged;
  }
  return static_cast<int32_t>(out - start);
}

int32_t BlockExpandOld(void* output, int32_t capacity, const void* code, int32_t codeLength) {
  if (capacity < 0 || codeLength < 0) return kBlockCodeDamaged;
  const uint8_t* in = static_cast<const uint8_t*>(code);
  const uint8_t* const inEnd = in + codeLength;
  uint8_t* const start = static_cast<uint8_t*>(output);
  uint8_t* const end = start + capacity;
  uint8_t* out = start;

  while (in < inEnd) {
    const uint32_t b = *in++;
    if (b < 245) {
      if (out == end) return kBlockCodeDamaged;
      *out++ = static_cast<uint8_t>(b);
      continue;
    }
    // Every other token has at least one operand byte.
    if (in == inEnd) return kBlockCodeDamaged;
    uint32_t len, dist;
    switch (b) {
      case 245:
        if (inEnd - in < 4) return kBlockCodeDamaged;
        len = in[0] * 256u + in[1];
        dist = in[2] * 256u + in[3] + len;
        in += 4;
        break;
      case 246:
        if (inEnd - in < 3) return kBlockCodeDamaged;
        len = in[0] + 5u;
        dist = in[1] * 256u + in[2] + len;
        in += 3;
        break;
      case 247:
      case 248:
        if (inEnd - in < 2) return kBlockCodeDamaged;
        len = (b == 247 ? 12u : 4u) + (in[0] >> 5);
        dist = (in[0] & 31u) * 256 + in[1] + len;
        in += 2;
        break;
      case 249:
        len = 4;
        dist = *in++ + 260u;
        break;
      case 250:
        len = 4;
        dist = *in++ + 4u;
        break;
      case 251:
        len = 3;
        dist = *in++ + 771u;
        break;
      case 252:
        len = 3;
        dist = *in++ + 515u;
        break;
      case 253:
        len = 3;
        dist = *in++ + 259u;
        break;
      case 254:
        len = 3;
        dist = *in++ + 3u;
        break;
      default:
        if (out == end) return kBlockCodeDamaged;
        *out++ = *in++;
        continue;
    }
    if (!CopyBack(out, start, end, len, dist)) return kBlockCodeDamaged;
  }
  return static_cast<int32_t>(out - start);
}
