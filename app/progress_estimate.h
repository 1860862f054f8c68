#pragma once
// ProgressEstimate: the arithmetic behind the progress window of a file operation, kept apart
// from the window so that it runs and is tested without one. It reads the time from the core's
// tick counter (core/threads.h), which tests replace.
//
// Two ways of counting progress:
//   - byte mode (reading): the reader reports its file position; every refresh (at most every
//     200 ms, except at the end) takes one speed sample, and once the ring of samples is full the
//     remaining time is estimated from their median and counted down second by second;
//   - step mode (writing): the writers add the size of what they wrote to the step position and
//     ask for a refresh at every buffer flush; the refresh interval adapts between about 25 and
//     1600 ms to how fast the bar moves.
//
// Invariants:
//   1. 0 <= barLength <= kProgressBarUnits, and barLength never shrinks.
//   2. 0 <= sampleCount <= capacity <= kProgressRingCapacityMax < kProgressRingSize, and
//      ringIndex < capacity once sampleCount has reached the capacity.
//   3. remainingSeconds >= 0. It is only a real estimate once hasEstimate is set; until then it
//      keeps kProgressNoEstimate and the remaining text reads "Estimating".
//   4. A refresh whose time step is 0 takes no speed sample (the speed would divide by 0).
//
// User-interface thread only.
#include <cstdint>

#include "core/text_buffer.h"
#include "core/value_counts.h"

constexpr int32_t kProgressBarUnits = 274;
// The window is shown only after more than this time and while the bar is below a third.
constexpr uint64_t kProgressShowDelay = 250;
constexpr int32_t kProgressShowBelow = 91;
// Byte mode refreshes no more often than this, except at the end.
constexpr uint64_t kProgressByteInterval = 200;
constexpr int64_t kProgressStepIntervalStart = 200;
constexpr int32_t kProgressRingSize = 128;
constexpr int32_t kProgressRingCapacityMax = 126;
constexpr int32_t kProgressRingPlain = 16;
constexpr int32_t kProgressRingCompressed = 24;
constexpr int32_t kProgressNoEstimate = 32000;
// The remaining text, terminator included.
constexpr int32_t kProgressRemainingSize = 32;

// What a call changed, for the window to show.
constexpr uint32_t kProgressRefreshed = 1;         // an update ran: pump the messages
constexpr uint32_t kProgressBarGrew = 2;           // barLength is larger
constexpr uint32_t kProgressRemainingChanged = 4;  // the remaining text was set again

class ProgressEstimate {
 public:
  // Created now (for the visibility rule); nothing to count yet.
  ProgressEstimate();
  ~ProgressEstimate();
  ProgressEstimate(const ProgressEstimate&) = delete;
  ProgressEstimate& operator=(const ProgressEstimate&) = delete;

  // Byte mode: a reader starts over a file of the size; compressed files read more unevenly and
  // keep more samples.
  uint32_t Begin(int64_t totalBytes, bool compressed);
  // Byte mode: the reader is at this byte. Nothing within 200 ms of the last refresh unless the
  // position has reached the total.
  uint32_t SetPosition(int64_t position);

  // Step mode: the steps start again from 0 over the total (the second form keeps the stored
  // total, which AddTotal may have grown).
  uint32_t ResetSteps(int64_t newTotal);
  uint32_t ResetSteps();
  void AddTotal(int64_t amount);
  uint32_t SetSteps(int64_t count);
  void AddSteps(int64_t count);
  // Nothing before the next refresh time.
  uint32_t StepRefresh();

  // The visibility rule at this moment: more than 250 ms since creation and the bar below 91.
  bool WantsShowing() const;
  const char* RemainingText() const { return remainingText; }

  uint64_t createdTick;
  int64_t total = 0;
  int64_t stepPosition = 0;
  int64_t lastPosition = 0;
  double scale;
  int32_t barLength = 0;
  uint64_t lastRefresh;      // byte mode
  uint64_t nextRefresh = 0;  // step mode
  int64_t refreshInterval = kProgressStepIntervalStart;
  double samples[kProgressRingSize] = {};
  int32_t capacity = kProgressRingPlain;
  int32_t sampleCount = 0;
  int32_t ringIndex = 0;
  int32_t countdown = 0;
  int32_t remainingSeconds = kProgressNoEstimate;
  uint8_t hasEstimate = 0;
  uint8_t secondsStarted = 0;
  uint64_t nextSecond = 0;
  char remainingText[kProgressRemainingSize];

 private:
  uint32_t GrowBar(int32_t length);
  void TakeSample(int64_t deltaBytes, int64_t deltaTime);
  uint32_t CountSeconds(uint64_t now);
  void Reestimate();
  void SetRemainingText();

  ValueCounts medianTable;
};

// The remaining time as the window shows it: "@0 minutes @1 seconds" from 120 seconds up,
// "1 minute @0 seconds" from 60, "@0 seconds" from 2, "1 second", and nothing at 0 or below.
void RemainingTimeText(int32_t seconds, T_TextBuf* text);
// The estimate in whole seconds (rounded) for the bytes left at the median speed in bytes per
// millisecond; false when the speed gives none (0, negative or not finite). Never below 0.
bool EstimateSeconds(int64_t bytesLeft, double bytesPerMs, int32_t* seconds);
// Whether a new estimate replaces the shown one: |e - r| * 8 / (e + 6) in integers is not 0, so
// that corrections small against the estimate do not make the countdown jump.
bool EstimateCorrects(int32_t estimate, int32_t remaining);
// Seconds until the next estimate: 10 from 61 remaining seconds, 6 from 31, 4 from 16, else 2.
int32_t EstimateCountdown(int32_t remaining);
