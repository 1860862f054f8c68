#include "ui/slide_bar.h"

#include <cmath>

#include "core/message_pump.h"
#include "core/threads.h"
#include "ui/aa_drawing.h"
#include "ui/control_parts.h"
#include "ui/event_record.h"
#include "ui/graphics_port.h"
#include "ui/item_drawing.h"
#include "ui/window.h"

namespace {

constexpr int32_t kMinimumThumb = 9;
constexpr int32_t kDragMargin = 20;
constexpr int32_t kGripShow = 16;
constexpr int32_t kGripHide = 14;
constexpr uint64_t kRepeatFirst = 400;
constexpr uint64_t kRepeatSecond = 120;
constexpr uint64_t kRepeatLater = 50;
constexpr int32_t kSecondRateSteps = 5;
// A parent that refuses every first position still ends the search.
constexpr int64_t kAcceptProbes = 100000;

int64_t RoundToInt(double value) { return static_cast<int64_t>(std::floor(value + 0.5)); }

}  // namespace

T_Slidebar::T_Slidebar(T_EventHandler* parent, const XYWH& rect, bool isVertical, uint32_t id,
                       int64_t positions)
    : T_Item(kKindSlidebar, parent, rect, id),
      count(positions < 0 ? 0 : positions),
      vertical(isVertical ? 1 : 0) {
  backColour = kColourButtonFace;
  eraseContent = 0;
  Measure();
  if (parent && parent->opened) PositionFirstTime();
  EventHandler_Open(this);
}

// --- Metrics and fitting ------------------------------------------------------------------------

void T_Slidebar::Measure() {
  thickness = vertical ? width : height;
  int32_t length = vertical ? height : width;
  trackStart = thickness + 1;
  trackLength = length - 2 * thickness - 1;
  scale = count > 0 ? static_cast<double>(trackLength) / static_cast<double>(count) : 0.0;
}

void T_Slidebar::BeginBatch() {
  if (batchDepth++ > 0) return;
  SlidebarEvent record;
  record.code = kSlideBatchBegin;
  OnSlidebarEvent(this, &record);
  record = SlidebarEvent{};
  record.code = kSlideVisiblePixels;
  record.value = vertical ? height : width;
  OnSlidebarEvent(this, &record);
  visibleLength = static_cast<int32_t>(record.value);
}

void T_Slidebar::EndBatch() {
  if (batchDepth <= 0 || --batchDepth > 0) return;
  SlidebarEvent record;
  record.code = kSlideBatchEnd;
  OnSlidebarEvent(this, &record);
}

int64_t T_Slidebar::PositionPixels(int64_t index) {
  SlidebarEvent record;
  record.code = kSlidePositionPixels;
  record.index = index;
  record.value = 1;
  OnSlidebarEvent(this, &record);
  return record.value;
}

int64_t T_Slidebar::LastFitting(int64_t from) {
  if (count <= 0) return 0;
  int64_t remaining = visibleLength;
  int64_t result = from;  // a position taller than the view still counts as shown
  for (int64_t p = from; p < count; ++p) {
    remaining -= PositionPixels(p);
    if (remaining < 0) break;
    result = p;
  }
  return result;
}

int64_t T_Slidebar::FirstFitting(int64_t toLast) {
  if (count <= 0) return 0;
  if (toLast > count - 1) toLast = count - 1;
  if (toLast < 0) return 0;
  int64_t remaining = visibleLength;
  int64_t result = toLast;
  for (int64_t p = toLast; p >= 0; --p) {
    remaining -= PositionPixels(p);
    if (remaining < 0) break;
    result = p;
  }
  return result;
}

int64_t T_Slidebar::LargestFirst() { return count > 0 ? FirstFitting(count - 1) : 0; }

int64_t T_Slidebar::NearestAccepted(int64_t position) {
  int64_t largest = LargestFirst();
  for (int64_t d = 0; d <= kAcceptProbes; ++d) {
    bool inRange = false;
    for (int64_t candidate : {position - d, position + d}) {
      if (candidate < 0 || candidate > largest) continue;
      inRange = true;
      SlidebarEvent record;
      record.code = kSlideMayBeFirst;
      record.index = candidate;
      record.flag = 1;
      OnSlidebarEvent(this, &record);
      if (record.flag) return candidate;
      if (d == 0) break;
    }
    if (!inRange) break;
  }
  return position;
}

void T_Slidebar::PositionFirstTime() {
  BeginBatch();
  Measure();
  int64_t largest = LargestFirst();
  if (first > largest) first = largest;
  if (first < 0) first = 0;
  last = LastFitting(first);
  initialised = 1;
  EndBatch();
}

// --- Moving
// ---------------------------------------------------------------------------------------

void T_Slidebar::Apply(int64_t newFirst, int64_t newLast) {
  RECT old = PartRect(kPartThumb);
  RectInflate(&old, 2);
  GrafElement_InvalidateRect(this, &old, 0);
  int64_t oldFirst = first;
  // The pixels of the positions passed, capped at what the view can show.
  int64_t distance = 0;
  int64_t cap = static_cast<int64_t>(visibleLength) + 1;
  int64_t low = oldFirst < newFirst ? oldFirst : newFirst;
  int64_t high = oldFirst < newFirst ? newFirst : oldFirst;
  for (int64_t p = low; p < high && distance < cap; ++p) distance += PositionPixels(p);
  if (distance > cap) distance = cap;
  if (newFirst > oldFirst) distance = -distance;
  first = newFirst;
  last = newLast;
  RECT now = PartRect(kPartThumb);
  RectInflate(&now, 2);
  GrafElement_InvalidateRect(this, &now, 0);
  SlidebarEvent record;
  record.code = kSlideMoved;
  record.index = oldFirst;
  record.value = distance;
  OnSlidebarEvent(this, &record);
}

bool T_Slidebar::SetPosition(int64_t newFirst) {
  BeginBatch();
  int64_t largest = LargestFirst();
  if (newFirst > largest) newFirst = largest;
  if (newFirst < 0) newFirst = 0;
  int64_t newLast = LastFitting(newFirst);
  bool changed = newFirst != first || newLast != last;
  if (changed) Apply(newFirst, newLast);
  EndBatch();
  return changed;
}

bool T_Slidebar::ScrollToLast(int64_t position) {
  BeginBatch();
  bool changed = SetPosition(FirstFitting(position));
  EndBatch();
  return changed;
}

bool T_Slidebar::ScrollBy(int64_t n) { return n != 0 && SetPosition(first + n); }

void T_Slidebar::Refresh() {
  BeginBatch();
  Measure();
  SetPosition(first);
  RepaintTrack(0);
  EndBatch();
}

void T_Slidebar::SetCount(int64_t n, int32_t paintFlags) {
  count = n < 0 ? 0 : n;
  BeginBatch();
  Measure();
  SetPosition(first);
  EndBatch();
  Item_InvalidateShape(this, paintFlags);
}

bool T_Slidebar::IsScrollable() const { return enabled && last - first < count - 1; }

// --- Geometry
// -------------------------------------------------------------------------------------

void T_Slidebar::ThumbSpan(int64_t shownFirst, int64_t shownLast, int32_t* start,
                           int32_t* end) const {
  int64_t s = RoundToInt(static_cast<double>(shownFirst) * scale);
  int64_t e = RoundToInt(static_cast<double>(shownLast + 1) * scale);
  if (e - s <= kMinimumThumb && count > 0) {
    double thumbPixels = static_cast<double>(shownLast + 1 - shownFirst) * scale;
    s = RoundToInt((trackLength - kMinimumThumb + thumbPixels) * static_cast<double>(shownFirst) /
                   static_cast<double>(count));
    e = s + kMinimumThumb;
  }
  *start = static_cast<int32_t>(s);
  *end = static_cast<int32_t>(e);
}

RECT T_Slidebar::PartRect(int32_t part) {
  int64_t shownFirst = showTracked_ ? trackedFirst_ : first;
  int64_t shownLast = showTracked_ ? trackedLast_ : last;
  int32_t start = 0;
  int32_t end = 0;
  ThumbSpan(shownFirst, shownLast, &start, &end);
  RECT r{0, 0, 0, 0};
  switch (part) {
    case kPartArrowBack:
      r = RECT{0, 1, thickness, thickness + 1};
      break;
    case kPartArrowForward:
      r = RECT{0, trackStart + trackLength, thickness, trackStart + trackLength + thickness};
      break;
    case kPartThumb:
      r = RECT{1, trackStart + start, thickness - 1, trackStart + end};
      break;
    case kPartPageBack:
      r = RECT{0, trackStart, thickness, trackStart + start};
      break;
    case kPartPageForward:
      r = RECT{0, trackStart + end, thickness, trackStart + trackLength};
      break;
    default:
      break;
  }
  if (!vertical) RectTranspose(&r);
  return r;
}

int32_t T_Slidebar::HitTest(int32_t px, int32_t py) {
  if (px < 0 || py < 0 || px >= width || py >= height) return kPartNone;
  for (int32_t part : {kPartArrowBack, kPartArrowForward}) {
    RECT r = PartRect(part);
    if (PtInRect(&r, POINT{px, py})) return part;
  }
  if (trackLength < thickness) return kPartNone;
  int32_t along = vertical ? py : px;
  RECT thumb = PartRect(kPartThumb);
  int32_t thumbStart = vertical ? thumb.top : thumb.left;
  int32_t thumbEnd = vertical ? thumb.bottom : thumb.right;
  if (along >= thumbStart && along < thumbEnd) return kPartThumb;
  if (along < thumbStart) return along >= trackStart ? kPartPageBack : kPartNone;
  return along < trackStart + trackLength ? kPartPageForward : kPartNone;
}

void T_Slidebar::RepaintTrack(int32_t flags) {
  RECT track = vertical ? RECT{0, trackStart, thickness, trackStart + trackLength}
                        : RECT{trackStart, 0, trackStart + trackLength, thickness};
  GrafElement_InvalidateRect(this, &track, flags);
}

// --- Notices and input
// ----------------------------------------------------------------------------

void T_Slidebar::Notify(int32_t code) {
  T_Item::Notify(code);
  if (code == kNotifyEnabled) {
    Item_InvalidateShape(this, 0);
  } else if (code == kNotifyRemeasure) {
    Measure();
    Item_InvalidateShape(this, 0);
  }
}

void T_Slidebar::NotifyFromParent(int32_t code) {
  T_Item::NotifyFromParent(code);
  if (code == kNotifyOpened && !initialised) PositionFirstTime();
}

void T_Slidebar::OnHover(InputEvent* event, int32_t code) {
  int32_t part = code == kHoverLeft ? kPartNone : HitTest(event->x, event->y);
  if (part == hoveredPart) return;
  hoveredPart = part;
  Item_InvalidateShape(this, kPaintNow);
}

void T_Slidebar::OnResized(int32_t, int32_t) {
  if (initialised) {
    Refresh();
  } else {
    Measure();
  }
  Item_InvalidateShape(this, 0);
}

bool T_Slidebar::OnWheel(InputEvent* event, int32_t lines) {
  if (!vertical) return T_Item::OnWheel(event, lines);
  int64_t span = last - first;
  int64_t requested = static_cast<int64_t>(lines) * wheelLines;
  int64_t cap = count - span < 12 ? 1 : span / 4 + 1;
  if (requested > cap) requested = cap;
  if (requested < -cap) requested = -cap;
  // Positive notches scroll towards the top.
  ScrollBy(-requested);
  return true;
}

bool T_Slidebar::MouseDown(InputEvent* event, T_GrafElement* target) {
  if (T_Item::MouseDown(event, target)) return true;
  if (!event->leftButton || !IsScrollable()) return false;
  int32_t part = HitTest(event->x, event->y);
  if (part == kPartNone) return false;
  tracking = 1;
  BeginBatch();
  if (part == kPartThumb) {
    TrackThumb(event);
  } else {
    TrackRepeat(event, part);
  }
  EndBatch();
  tracking = 0;
  return true;
}

bool T_Slidebar::StepPart(int32_t part, bool firstStep) {
  int64_t by = firstStep ? 1 : step;
  switch (part) {
    case kPartArrowBack:
      return SetPosition(first - by);
    case kPartArrowForward:
      return SetPosition(first + by);
    case kPartPageBack:
      return first > 0 && SetPosition(FirstFitting(first - 1));
    case kPartPageForward:
      return SetPosition(last + 1);
    default:
      return false;
  }
}

void T_Slidebar::TrackRepeat(InputEvent* event, int32_t part) {
  InputEvent poll = *event;
  bool onPart = true;
  pressedPart = part;
  RepaintTrack(kPaintNow);
  repeatState = 1;
  repeatCount = 0;
  nextRepeat = TickCount();
  for (;;) {
    uint64_t now = TickCount();
    if (onPart && now >= nextRepeat) {
      StepPart(part, repeatState == 1);
      Item_InvalidateShape(this, kPaintNow);
      if (repeatState == 1) {
        repeatState = 2;
        nextRepeat = now + kRepeatFirst;
      } else if (repeatState == 2) {
        if (++repeatCount >= kSecondRateSteps) repeatState = 3;
        nextRepeat = now + kRepeatSecond;
      } else {
        nextRepeat = now + kRepeatLater;
      }
    }
    Item_PollPointer(this, &poll);
    if (!poll.leftButton) break;
    SetBusyDeadline();
    bool nowOn = HitTest(poll.x, poll.y) == part;
    if (nowOn != onPart) {
      onPart = nowOn;
      pressedPart = onPart ? part : kPartNone;
      Item_InvalidateShape(this, kPaintNow);
      if (onPart) {
        repeatState = 1;
        repeatCount = 0;
        nextRepeat = TickCount();
      }
    }
  }
  pressedPart = kPartNone;
  repeatState = 0;
  Item_InvalidateShape(this, kPaintNow);
}

void T_Slidebar::TrackThumb(InputEvent* event) {
  int32_t thumbStart = 0;
  int32_t thumbEnd = 0;
  ThumbSpan(first, last, &thumbStart, &thumbEnd);
  int32_t along = vertical ? event->y : event->x;
  int32_t grab = along - (trackStart + thumbStart);
  double thumbPixels = static_cast<double>(last + 1 - first) * scale;
  double span = thumbPixels + trackLength - (thumbEnd - thumbStart);
  int64_t startFirst = first;
  int64_t tracked = first;
  bool inside = true;
  InputEvent poll = *event;
  pressedPart = kPartThumb;
  Item_InvalidateShape(this, kPaintNow);
  for (;;) {
    Item_PollPointer(this, &poll);
    inside = poll.x >= -kDragMargin && poll.y >= -kDragMargin && poll.x < width + kDragMargin &&
             poll.y < height + kDragMargin;
    int64_t position = startFirst;
    if (inside && span > 0) {
      int32_t p = vertical ? poll.y : poll.x;
      position = RoundToInt(static_cast<double>(p - trackStart - grab) *
                            static_cast<double>(count) / span);
      position = NearestAccepted(position);
      int64_t largest = LargestFirst();
      if (position > largest) position = largest;
      if (position < 0) position = 0;
    }
    int32_t shownPart = inside ? kPartThumb : kPartNone;
    bool released = !poll.leftButton;
    if (position != tracked || shownPart != pressedPart) {
      tracked = position;
      pressedPart = shownPart;
      if (live) {
        showTracked_ = 1;
        trackedFirst_ = tracked;
        trackedLast_ = LastFitting(tracked);
        Item_InvalidateShape(this, kPaintNow);
        if (!released) {
          SlidebarEvent record;
          record.code = kSlideLiveTrack;
          record.index = tracked;
          record.flag = 1;
          OnSlidebarEvent(this, &record);
        }
      } else {
        SetPosition(tracked);
        Item_InvalidateShape(this, kPaintNow);
      }
    }
    if (released) break;
    SetBusyDeadline();
  }
  showTracked_ = 0;
  pressedPart = kPartNone;
  if (live) {
    SlidebarEvent record;
    record.code = kSlideLiveTrack;
    record.index = tracked;
    record.flag = 0;
    OnSlidebarEvent(this, &record);
    if (inside) SetPosition(tracked);
  } else {
    SetPosition(inside ? tracked : startFirst);
  }
  Item_InvalidateShape(this, kPaintNow);
}

// --- Drawing
// --------------------------------------------------------------------------------------

int32_t T_Slidebar::PartState(int32_t part) const {
  // The part painters' states: 0 normal, 1 disabled, 2 pressed, 3 hovered, 4 highlighted.
  if (!IsScrollable()) return 1;
  if (pressedPart == part) return 2;
  if (hoveredPart == part) return 3;
  return 0;
}

void T_Slidebar::DrawContent() { Paint(); }

void T_Slidebar::Paint() {
  int32_t look = ItemLookClass();
  bool scrollable = IsScrollable();
  RECT bar = content;
  RECT back = PartRect(kPartArrowBack);
  RECT forward = PartRect(kPartArrowForward);
  RECT thumb = PartRect(kPartThumb);
  RECT before = PartRect(kPartPageBack);
  RECT after = PartRect(kPartPageForward);
  RECT track = vertical ? RECT{0, trackStart, thickness, trackStart + trackLength}
                        : RECT{trackStart, 0, trackStart + trackLength, thickness};
  bool shortTrack = trackLength < thickness;
  int32_t thumbLength = vertical ? thumb.bottom - thumb.top : thumb.right - thumb.left;
  if (thumbLength >= kGripShow) gripShown = 1;
  if (thumbLength < kGripHide) gripShown = 0;
  int32_t backDirection = vertical ? 0 : 2;
  int32_t forwardDirection = vertical ? 1 : 3;
  T_ForeIndex fore(kColourBlack);
  RectFillColour(&bar, kColourButtonFace);

  if (look <= 1) {
    RectFrame(&bar);
    int32_t size = thickness < 15 ? 1 : 2;
    int32_t shift = size;
    for (int32_t part : {kPartArrowBack, kPartArrowForward}) {
      RECT r = part == kPartArrowBack ? back : forward;
      bool down = pressedPart == part;
      DrawRaisedFrame(&r, down);
      int32_t cx = (r.left + r.right) / 2 + (down ? 1 : 0);
      int32_t cy = (r.top + r.bottom) / 2 + (down ? 1 : 0);
      bool toBack = part == kPartArrowBack;
      int32_t direction =
          vertical ? (toBack ? kArrowUp : kArrowDown) : (toBack ? kArrowLeft : kArrowRight);
      if (vertical) {
        cy += toBack ? -shift : shift;
      } else {
        cx += toBack ? -shift : shift;
      }
      DrawArrow3D(cx, cy, size, direction, scrollable);
    }
    auto trackPart = [](RECT r) {
      r.right -= 1;
      r.bottom -= 1;
      RectFillColour(&r, 28);
    };
    if (shortTrack) {
      trackPart(track);
      RectFrame(&track);
    } else if (!scrollable) {
      trackPart(track);
    } else {
      trackPart(before);
      trackPart(after);
      DrawRaisedFrame(&thumb, pressedPart == kPartThumb);
    }
    return;
  }

  if (look == 2) {
    RECT edge = vertical ? RECT{0, 0, 1, height} : RECT{0, 0, width, 1};
    AaFillRect(&edge, 0xFFEAE9E0);
  }
  fore.Set(6);
  if (vertical) {
    DrawHLine(0, 0, width - 1);
  } else {
    DrawVLine(0, 0, height - 1);
  }
  for (int32_t part : {kPartArrowBack, kPartArrowForward}) {
    RECT r = part == kPartArrowBack ? back : forward;
    int32_t state = PartState(part);
    // Newer looks hint at the arrows while the pointer is elsewhere on the bar.
    if (look >= 3 && state == 0 && hoveredPart != kPartNone) state = 4;
    if (look == 2) {
      if (vertical) {
        r.right -= 1;
      } else {
        r.bottom -= 1;
      }
      RectFillColour(&r, kColourWhite);
      RectInflate(&r, -1);
    }
    PaintScrollButton(&r, state, part == kPartArrowBack ? backDirection : forwardDirection);
  }
  if (shortTrack || !scrollable) {
    PaintScrollTrack(&track, scrollable ? 0 : 1);
    return;
  }
  PaintScrollTrack(&before, PartState(kPartPageBack));
  PaintScrollTrack(&after, PartState(kPartPageForward));
  int32_t thumbState = PartState(kPartThumb);
  PaintScrollThumb(&thumb, thumbState, vertical != 0);
  if (gripShown) PaintGrip(&thumb, thumbState, vertical != 0);
}
