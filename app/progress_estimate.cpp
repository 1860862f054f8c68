#include "app/progress_estimate.h"

#include <cmath>
#include <cstring>

#include "core/localized_text.h"
#include "core/placeholders.h"
#include "core/threads.h"
#include "core/utf8.h"

namespace {

constexpr int32_t kTextEstimating = 4506;
constexpr int32_t kTextMinutesSeconds = 4507;  // "@0 minutes @1 seconds"
constexpr int32_t kTextMinuteSeconds = 4508;   // "1 minute @0 seconds"
constexpr int32_t kTextSeconds = 4509;         // "@0 seconds"
constexpr int32_t kTextSecond = 4510;          // "1 second"

constexpr int64_t kStepIntervalMax = 1000;
constexpr int64_t kStepIntervalMin = 30;
constexpr int32_t kStepJump = 8;
constexpr int32_t kCapacityGrowth = 2;
constexpr int32_t kMaxSeconds = 0x7FFFFFFF;

// Ticks can come from a test's counter that starts anywhere; compare them as signed distances.
int64_t Since(uint64_t now, uint64_t then) { return static_cast<int64_t>(now - then); }

double ScaleFor(int64_t total) { return static_cast<double>(kProgressBarUnits) / (total + 1.0); }

int32_t BarFor(int64_t position, double scale) {
  double length = std::floor(position * scale + 0.5);
  if (!(length > 0)) return 0;
  return length >= kProgressBarUnits ? kProgressBarUnits : static_cast<int32_t>(length);
}

}  // namespace

// --- Texts and rules -------------------------------------------------------------------------

void RemainingTimeText(int32_t seconds, T_TextBuf* text) {
  if (seconds >= 120) {
    TextBufAssign(text, GetString(kTextMinutesSeconds));
    TextBufFillParamInt(text, 0, seconds / 60);
    TextBufFillParamInt(text, 1, seconds % 60);
  } else if (seconds >= 60) {
    TextBufAssign(text, GetString(kTextMinuteSeconds));
    TextBufFillParamInt(text, 0, seconds - 60);
  } else if (seconds >= 2) {
    TextBufAssign(text, GetString(kTextSeconds));
    TextBufFillParamInt(text, 0, seconds);
  } else if (seconds == 1) {
    TextBufAssign(text, GetString(kTextSecond));
  } else {
    TextBufAssign(text, "");
  }
}

bool EstimateSeconds(int64_t bytesLeft, double bytesPerMs, int32_t* seconds) {
  if (!std::isfinite(bytesPerMs) || !(bytesPerMs > 0)) return false;
  double estimate = std::floor(bytesLeft / (bytesPerMs * 1000.0) + 0.5);
  if (std::isnan(estimate)) return false;
  if (estimate <= 0) {
    *seconds = 0;
  } else {
    *seconds = estimate >= kMaxSeconds ? kMaxSeconds : static_cast<int32_t>(estimate);
  }
  return true;
}

bool EstimateCorrects(int32_t estimate, int32_t remaining) {
  int64_t e = estimate;
  int64_t difference = e - remaining;
  if (difference < 0) difference = -difference;
  return difference * 8 / (e + 6) != 0;
}

int32_t EstimateCountdown(int32_t remaining) {
  if (remaining >= 61) return 10;
  if (remaining >= 31) return 6;
  if (remaining >= 16) return 4;
  return 2;
}

// --- ProgressEstimate ------------------------------------------------------------------------

ProgressEstimate::ProgressEstimate() : createdTick(TickCount()), scale(ScaleFor(0)) {
  lastRefresh = createdTick;
  ValueCountsInit(&medianTable);
  SetRemainingText();
}

ProgressEstimate::~ProgressEstimate() { ValueCountsFree(&medianTable); }

uint32_t ProgressEstimate::Begin(int64_t totalBytes, bool compressed) {
  total = totalBytes < 0 ? 0 : totalBytes;
  lastPosition = 0;
  lastRefresh = TickCount();
  sampleCount = ringIndex = countdown = 0;
  remainingSeconds = kProgressNoEstimate;
  hasEstimate = 0;
  secondsStarted = 0;
  nextSecond = 0;
  scale = ScaleFor(total);
  capacity = compressed ? kProgressRingCompressed : kProgressRingPlain;
  SetRemainingText();
  return kProgressRefreshed | kProgressRemainingChanged;
}

uint32_t ProgressEstimate::SetPosition(int64_t position) {
  uint64_t now = TickCount();
  if (Since(now, lastRefresh) < static_cast<int64_t>(kProgressByteInterval) && position < total) {
    return 0;
  }
  int64_t deltaBytes = position - lastPosition;
  lastPosition = position;
  int64_t deltaTime = Since(now, lastRefresh);
  lastRefresh = now;

  uint32_t changes = kProgressRefreshed;
  if (sampleCount < capacity) {
    if (deltaTime > 0) samples[sampleCount++] = static_cast<double>(deltaBytes) / deltaTime;
  } else {
    if (deltaTime > 0) TakeSample(deltaBytes, deltaTime);
    changes |= CountSeconds(now);
  }
  return changes | GrowBar(position >= total ? kProgressBarUnits : BarFor(position, scale));
}

void ProgressEstimate::TakeSample(int64_t deltaBytes, int64_t deltaTime) {
  samples[ringIndex] = static_cast<double>(deltaBytes) / deltaTime;
  if (++ringIndex >= capacity) ringIndex = 0;
}

// Once a second: the estimate when its countdown has run out, the text, and the seconds that
// have passed (several when refreshes came late) taken off the remaining time.
uint32_t ProgressEstimate::CountSeconds(uint64_t now) {
  if (!secondsStarted) {
    secondsStarted = 1;
    nextSecond = now;
  }
  if (Since(now, nextSecond) < 0) return 0;
  if (--countdown < 1) {
    Reestimate();
    // Without an estimate (no progress during the whole ring) the next second tries again.
    countdown = hasEstimate ? EstimateCountdown(remainingSeconds) : 1;
  }
  SetRemainingText();
  int64_t late = Since(now, nextSecond) / 1000;
  if (hasEstimate) {
    int64_t left = remainingSeconds - (late + 1);
    remainingSeconds = left < 0 ? 0 : static_cast<int32_t>(left);
  }
  nextSecond += static_cast<uint64_t>(late + 1) * 1000;
  if (capacity < kProgressRingCapacityMax) capacity += kCapacityGrowth;
  return kProgressRemainingChanged;
}

void ProgressEstimate::Reestimate() {
  if (remainingSeconds <= 0) return;
  ValueCountsClear(&medianTable);
  for (int32_t i = 0; i < sampleCount; ++i) ValueCountsAdd(&medianTable, samples[i]);
  int32_t estimate = 0;
  if (!EstimateSeconds(total - lastPosition, ValueCountsMedian(&medianTable), &estimate)) return;
  // The first estimate replaces the placeholder however close to it it comes.
  if (!hasEstimate || EstimateCorrects(estimate, remainingSeconds)) remainingSeconds = estimate;
  hasEstimate = 1;
}

void ProgressEstimate::SetRemainingText() {
  T_TextBuf text;
  if (hasEstimate) {
    RemainingTimeText(remainingSeconds, &text);
  } else {
    TextBufAssign(&text, GetString(kTextEstimating));
  }
  int32_t n = Utf8BoundaryAtOrBefore(text.c_str(), text.length < kProgressRemainingSize
                                                       ? text.length
                                                       : kProgressRemainingSize - 1);
  std::memcpy(remainingText, text.c_str(), n);
  remainingText[n] = 0;
}

uint32_t ProgressEstimate::ResetSteps(int64_t newTotal) {
  total = newTotal < 0 ? 0 : newTotal;
  return ResetSteps();
}

uint32_t ProgressEstimate::ResetSteps() {
  stepPosition = 0;
  scale = ScaleFor(total);
  return kProgressRefreshed;
}

void ProgressEstimate::AddTotal(int64_t amount) {
  total += amount;
  if (total < 0) total = 0;
}

uint32_t ProgressEstimate::SetSteps(int64_t count) {
  stepPosition = count;
  return StepRefresh();
}

void ProgressEstimate::AddSteps(int64_t count) { stepPosition += count; }

uint32_t ProgressEstimate::StepRefresh() {
  uint64_t now = TickCount();
  if (Since(now, nextRefresh) < 0) return 0;
  int32_t length = BarFor(stepPosition, scale);
  uint32_t changes = kProgressRefreshed;
  if (length <= barLength) {
    // The bar stands still: look less often.
    if (refreshInterval < kStepIntervalMax) refreshInterval *= 2;
  } else {
    if (length - barLength > kStepJump && refreshInterval > kStepIntervalMin) refreshInterval /= 2;
    changes |= GrowBar(length);
  }
  nextRefresh = now + refreshInterval;
  return changes;
}

uint32_t ProgressEstimate::GrowBar(int32_t length) {
  if (length <= barLength) return 0;
  barLength = length;
  return kProgressBarGrew;
}

bool ProgressEstimate::WantsShowing() const {
  return Since(TickCount(), createdTick) > static_cast<int64_t>(kProgressShowDelay) &&
         barLength < kProgressShowBelow;
}
