#pragma once
// The value-axis zoom of the component functions window's curve view, apart from the window so
// that it can be tested as functions: the stack of earlier ranges and the mapping from a pixel
// span of the curve area to a value range.
//
// Invariants of the stack: 0 <= count <= kCFuncZoomDepth; entries 0 .. count - 1 are the ranges
// before each zoom, the oldest first; no two neighbours are equal.
//
// User-interface thread only.
#include <cstdint>

constexpr int32_t kCFuncZoomDepth = 32;

struct ValueRange {
  double smallest = 0;
  double largest = 1;
  bool operator==(const ValueRange& other) const {
    return smallest == other.smallest && largest == other.largest;
  }
};

class CFuncZoomStack {
 public:
  // A range equal to the top is not pushed again; a full stack drops its oldest range.
  void Push(const ValueRange& range);
  // False when empty.
  bool Pop(ValueRange* range);
  void Clear() { count_ = 0; }
  int32_t Count() const { return count_; }
  const ValueRange& At(int32_t i) const { return ranges_[i]; }

 private:
  ValueRange ranges_[kCFuncZoomDepth];
  int32_t count_ = 0;
};

// The range that the pixel span from..to of a curve area (left..right, showing `shown`) stands
// for: value = smallest + (x - (left + 2)) / scale, from the area's right end when mirrored.
ValueRange CFuncSpanRange(int32_t left, int32_t right, const ValueRange& shown, bool mirrored,
                          int32_t from, int32_t to);
// A zoom in is refused when the range is too narrow to tell its ends apart:
// |largest| + |smallest| > (largest - smallest) x 100000, or when it is empty or not finite.
bool CFuncZoomRefused(const ValueRange& range);
