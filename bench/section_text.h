#pragma once
// Generated section text for the benchmarks of the block codec and the database files: card
// lines of words, dates and amounts, with a section line now and then, lines ended by CR as the
// block container writes them.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

inline uint32_t NextRandom(uint32_t* state) {
  *state = *state * 1664525u + 1013904223u;
  return *state >> 8;
}

inline std::vector<uint8_t> SectionText(size_t size) {
  static const char* const kWords[] = {"North",     "South",  "East",   "West", "Retail",
                                       "Wholesale", "Online", "Coffee", "Tea",  "Cocoa",
                                       "Sugar",     "Milk",   "Oslo",   "Lyon", "Graz"};
  uint32_t seed = 42;
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
  return std::vector<uint8_t>(text.begin(), text.end());
}
