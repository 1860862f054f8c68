#pragma once
// T_Slidebar: the windowless scroll bar. It scrolls over a count of positions (lines, rows,
// periods) without knowing their pixel sizes: it asks its parent, through OnSlidebarEvent, how
// many pixels are visible and how high each position is, so that the thumb covers exactly the
// positions that fit.
//
// Invariants:
//   1. 0 <= first <= the largest first (the first that makes count - 1 the last that fits).
//   2. last is the last position that fits from first (never before first while count > 0).
//   3. Every operation that can move the bar runs inside one batch (codes 0 and 1 to the parent);
//      the visible length is asked (code 2) once, when the outermost batch begins.
//
// Parts of the bar: 1 the up (left) arrow, 2 the track before the thumb, 3 the thumb, 4 the track
// after it, 5 the down (right) arrow. User-interface thread only; presses run polling loops.
#include <cstdint>

#include "ui/item.h"

// Codes of the slide-bar event record.
constexpr int32_t kSlideBatchBegin = 0;
constexpr int32_t kSlideBatchEnd = 1;
constexpr int32_t kSlideVisiblePixels = 2;   // value: preset to the bar's length; the answer
constexpr int32_t kSlidePositionPixels = 3;  // index; value: preset to 1; the answer
constexpr int32_t kSlideMayBeFirst = 4;      // index; flag: preset to 1, cleared to refuse
constexpr int32_t kSlideMoved = 5;           // index = old first; value = pixels scrolled
constexpr int32_t kSlideLiveTrack = 6;       // index = tracked position; flag 1 tracking, 0 end

struct SlidebarEvent {
  int32_t code = 0;
  int64_t index = 0;
  int64_t value = 0;
  uint8_t flag = 0;
};

constexpr int32_t kPartNone = 0;
constexpr int32_t kPartArrowBack = 1;
constexpr int32_t kPartPageBack = 2;
constexpr int32_t kPartThumb = 3;
constexpr int32_t kPartPageForward = 4;
constexpr int32_t kPartArrowForward = 5;

class T_Slidebar : public T_Item {
 public:
  // Positions itself at once when the parent is open, else when it opens; opened at once.
  T_Slidebar(T_EventHandler* parent, const XYWH& rect, bool vertical, uint32_t id, int64_t count);

  void Notify(int32_t code) override;
  void NotifyFromParent(int32_t code) override;
  void OnHover(InputEvent* event, int32_t code) override;
  bool MouseDown(InputEvent* event, T_GrafElement* target) override;
  bool OnWheel(InputEvent* event, int32_t lines) override;
  void OnResized(int32_t dw, int32_t dh) override;
  void DrawContent() override;

  // Returns whether the position (or the last that fits) changed.
  bool SetPosition(int64_t newFirst);
  // The first is chosen so that the position is the last that fits.
  bool ScrollToLast(int64_t position);
  bool ScrollBy(int64_t n);
  // Re-measures and re-applies the current position.
  void Refresh();
  void SetCount(int64_t n, int32_t paintFlags);
  bool IsScrollable() const;

  // Batches nest; the outermost begin asks the visible length.
  void BeginBatch();
  void EndBatch();
  // Pure geometry of the current state (the bar's own coordinates).
  int32_t HitTest(int32_t px, int32_t py);
  RECT PartRect(int32_t part);
  // The thumb's start and end along the track (track coordinates) for a first and last.
  void ThumbSpan(int64_t shownFirst, int64_t shownLast, int32_t* start, int32_t* end) const;
  int64_t LargestFirst();
  int64_t LastFitting(int64_t from);
  int64_t FirstFitting(int64_t toLast);

  int64_t count;
  int64_t first = 0;
  int64_t last = 0;
  int32_t vertical;
  int32_t pressedPart = kPartNone;
  int32_t hoveredPart = kPartNone;
  uint8_t initialised = 0;
  int32_t thickness = 0;
  int32_t trackLength = 0;
  int32_t trackStart = 0;
  double scale = 0;
  int32_t batchDepth = 0;
  int32_t visibleLength = 0;
  int32_t step = 1;
  uint8_t gripShown = 0;
  int32_t wheelLines = 1;
  uint8_t tracking = 0;
  uint64_t nextRepeat = 0;
  int32_t repeatState = 0;  // 1 before the first step, 2 the five 120 ms steps, 3 afterwards
  int32_t repeatCount = 0;
  uint8_t live = 0;

 private:
  void Measure();
  void PositionFirstTime();
  int64_t PositionPixels(int64_t index);
  int64_t NearestAccepted(int64_t position);
  void Apply(int64_t newFirst, int64_t newLast);
  void RepaintTrack(int32_t flags);
  void TrackRepeat(InputEvent* event, int32_t part);
  void TrackThumb(InputEvent* event);
  bool StepPart(int32_t part, bool firstStep);
  int32_t PartState(int32_t part) const;
  void Paint();

  // While a live drag runs, the thumb shows the tracked position instead of first.
  uint8_t showTracked_ = 0;
  int64_t trackedFirst_ = 0;
  int64_t trackedLast_ = 0;
};
