#pragma once
// T_LinesDistr: the "Relative Distribution" dialog of a lines window, a histogram of the line
// values of its accumulated value column over the data rows, with value labels under the bars.
// A press in the plot zooms into a value range (a click halves it around the point, a drawn
// rectangle takes its span); with right Alt it zooms back out. Sixteen ranges are remembered.
//
// Only finite values are counted, so one infinite or NaN value neither widens the range nor
// gives a bucket index outside the counters; without a finite value the histogram is empty.
//
// User-interface thread only.
#include <windows.h>

#include <cstdint>

#include "ui/dialog_base.h"

class T_Lines;
class T_Button;

constexpr int32_t kDistrWidth = 340;
constexpr int32_t kDistrHeight = 220;
constexpr int32_t kDistrBuckets = 80;
constexpr int32_t kDistrZoomMax = 16;
// The plot: x 20 to 320, bars up from the base line at y 162, at most 152 pixels high.
constexpr int32_t kDistrLeft = 20;
constexpr int32_t kDistrRight = 320;
constexpr int32_t kDistrBase = 162;
constexpr int32_t kDistrBarHeight = 152;
constexpr int32_t kDistrColour = 22;

// The values a histogram counts: value(context, i) for i in 0 .. count - 1.
struct DistributionValues {
  double (*value)(const void* context, int64_t i) = nullptr;
  const void* context = nullptr;
  int64_t count = 0;
};

struct DistributionState {
  double maximum = 0;
  double minimum = 0;
  double step = 0;
  double start = 0;
  int64_t largest = 0;
  int32_t bucketCount = 0;
  int64_t counts[kDistrBuckets] = {};
  double saved[kDistrZoomMax][2] = {};  // (maximum, minimum) before each zoom
  int32_t depth = 0;
};

// The first of p, 2p, 2.5p, 5p, 10p (p the power of ten at or below x) that is at least x, and
// the decimals its labels need. 0 (and 0 decimals) for an x that is not positive and finite.
double NiceStep(double x, int32_t* decimals);
// The range of the finite values (widened by |maximum| x 0.1 + 1 when they are all equal); false
// when there is none.
bool DistributionRange(const DistributionValues& values, double* maximum, double* minimum);
// Buckets of a nice step over the range, counting the finite values inside it. A range whose
// width or step is not finite gives no buckets.
void BucketDistribution(DistributionState* state, const DistributionValues& values,
                        double maximum, double minimum);
// The bar of bucket i in dialog coordinates.
RECT DistributionBar(const DistributionState& state, int32_t i);
// The value width of the plot (bucket count x step).
double DistributionWidth(const DistributionState& state);
// The labels under the plot: each value with its centre x and the decimals; measure gives a
// text's width in pixels. The callback sees them left to right.
void DistributionLabels(const DistributionState& state, int32_t (*measure)(const char* text),
                        void (*label)(void* context, int32_t x, const char* text),
                        void* context);
// Zooming in to a pixel span of the plot: refused (false) when the range is already too narrow;
// the current range is remembered while fewer than 16 are.
bool DistributionZoomIn(DistributionState* state, const DistributionValues& values, int32_t left,
                        int32_t right);
// The last remembered range back; false when none is.
bool DistributionZoomOut(DistributionState* state, const DistributionValues& values);

class T_LinesDistr : public T_HDialog {
 public:
  // Takes the range and the buckets of the window's data rows; not opened.
  explicit T_LinesDistr(T_Lines* window);

  bool MouseDown(InputEvent* event, T_GrafElement* target) override;
  void DrawContent() override;
  void OnButton(T_GrafElement* button) override;

  void DrawDistribution();
  // A press in the plot: tracks the zoom rectangle and zooms in or, with right Alt, out.
  bool ZoomDistribution(InputEvent* event);

  T_Lines* window;
  DistributionValues values;
  DistributionState state;
  T_Button* close = nullptr;
};

// Runs the dialog of a lines window modally (from 5 data rows on).
void OpenLinesDistribution(T_Lines* window);
