#pragma once
// The benchmarks' random numbers: one xorshift sequence from a fixed seed, so every run makes the
// same data.
#include <cstdint>

inline uint32_t Random(uint32_t n) {
  static uint64_t state = 0x9E3779B97F4A7C15ull;
  state ^= state << 13;
  state ^= state >> 7;
  state ^= state << 17;
  return static_cast<uint32_t>(state % n);
}
