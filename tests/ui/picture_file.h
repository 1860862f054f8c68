#pragma once
// Writes pixels read back from a drawing (0x00RRGGBB, top row first) as a 24-bit Windows bitmap
// file, so that a person can look at what a test drew.
#include <cstdint>
#include <cstdio>
#include <vector>

inline bool WritePixelsAsBitmap(const uint32_t* pixels, int32_t width, int32_t height,
                                const char* path) {
  int32_t row = (width * 3 + 3) & ~3;
  std::vector<uint8_t> file(54 + static_cast<size_t>(row) * height);
  auto put = [&](size_t at, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) file[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  file[0] = 'B';
  file[1] = 'M';
  put(2, static_cast<uint32_t>(file.size()), 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, static_cast<uint32_t>(width), 4);
  put(22, static_cast<uint32_t>(height), 4);
  put(26, 1, 2);
  put(28, 24, 2);
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* out = file.data() + 54 + static_cast<size_t>(height - 1 - y) * row;
    for (int32_t x = 0; x < width; ++x) {
      uint32_t p = pixels[static_cast<size_t>(y) * width + x];
      out[3 * x] = p & 0xFF;
      out[3 * x + 1] = (p >> 8) & 0xFF;
      out[3 * x + 2] = (p >> 16) & 0xFF;
    }
  }
  FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  bool written = std::fwrite(file.data(), 1, file.size(), f) == file.size();
  return std::fclose(f) == 0 && written;
}
