// The drop-down list of T_Chooser: a popup window below the box that shows a window of the
// items, follows the pointer and the keys with the popup tracking, scrolls while the pointer is
// above or below it, and reports the choice.
#include <algorithm>

#include "core/message_pump.h"
#include "ui/chooser.h"
#include "ui/graphics_port.h"
#include "ui/item_drawing.h"
#include "ui/native_window.h"
#include "ui/popup_menu.h"
#include "ui/window.h"

namespace {

constexpr uint32_t kFirstScrollDelay = 300;
constexpr uint32_t kNextScrollDelay = 80;
constexpr uint32_t kBlinkPlain = 60;
constexpr uint32_t kBlinkKept = 80;
constexpr uint32_t kArrowCursorId = 32512;
constexpr int32_t kItemInset = 10;

struct ListState {
  T_Chooser* chooser;
  ChooserEvent* geometry;
  HWND window;
  TextStyle style;
};

int32_t ListWidth(const ListState* state) {
  return state->geometry->listRect.right - state->geometry->listRect.left;
}

void DrawLine(ListState* state, int64_t line) {
  ChooserEvent* geometry = state->geometry;
  if (line < geometry->firstVisible || line >= geometry->firstVisible + geometry->visibleLines)
    return;
  if (line >= state->chooser->count) return;
  int32_t top =
      kPopupFrame + static_cast<int32_t>(line - geometry->firstVisible) * geometry->lineHeight;
  RECT rect{kPopupFrame, top, ListWidth(state) - kPopupFrame, top + geometry->lineHeight};
  ChooserEvent record;
  state->chooser->DescribeItem(line, &record);
  bool highlighted = line == geometry->highlighted;
  int32_t back = highlighted ? 23 : state->chooser->listBackground;
  PortSetBackIndex(back);
  PortSetForeIndex(highlighted ? 24 : record.enabled ? 25 : 6);
  RectFillColour(&rect, back);
  if (!record.text && record.picture == 0) {
    RECT across{rect.left + 2, rect.top, rect.right - 2, rect.bottom};
    DrawEtchedHLineAcross(&across);
  } else {
    RECT item{rect.left + kItemInset, rect.top, rect.right - 2, rect.bottom};
    ChooserDrawItem(&record, &item);
  }
  if (line == state->chooser->current)
    DrawCheckMark(rect.left + 4, (rect.top + rect.bottom) / 2 - 3);
}

void DrawLines(ListState* state, int64_t a, int64_t b, bool all) {
  if (!state->window) return;
  GraphicsPort port;
  if (!PopupPortOpen(&port, state->window, &state->style)) return;
  if (all) {
    PopupDrawFrame(state->window, state->chooser->listBackground);
    ChooserEvent* geometry = state->geometry;
    for (int64_t i = 0; i < geometry->visibleLines; ++i)
      DrawLine(state, geometry->firstVisible + i);
  } else {
    if (a >= 0) DrawLine(state, a);
    if (b >= 0 && b != a) DrawLine(state, b);
  }
  PopupPortClose(&port);
}

void PaintList(void* context) { DrawLines(static_cast<ListState*>(context), -1, -1, true); }

void Highlight(ListState* state, int64_t line) {
  int64_t old = state->geometry->highlighted;
  if (old == line) return;
  state->geometry->highlighted = line;
  DrawLines(state, old, line, false);
}

void ScrollTo(ListState* state, int64_t first) {
  ChooserEvent* geometry = state->geometry;
  first = std::max<int64_t>(0, std::min(first, state->chooser->count - geometry->visibleLines));
  if (first == geometry->firstVisible) return;
  geometry->firstVisible = first;
  DrawLines(state, -1, -1, true);
}

void ScrollIntoView(ListState* state, int64_t line) {
  ChooserEvent* geometry = state->geometry;
  if (line < geometry->firstVisible) {
    ScrollTo(state, line);
  } else if (line >= geometry->firstVisible + geometry->visibleLines) {
    ScrollTo(state, line - geometry->visibleLines + 1);
  }
}

// One line up or down once the scroll delay has passed: 300 ms before the second step, 80 ms
// after it.
void ScrollStep(ListState* state, int32_t direction, uint64_t time) {
  ChooserEvent* geometry = state->geometry;
  if (geometry->scrollDelay != 0 && time - geometry->lastScroll < geometry->scrollDelay) return;
  geometry->scrollDelay = geometry->scrollDelay == 0 ? kFirstScrollDelay : kNextScrollDelay;
  geometry->lastScroll = time;
  ScrollTo(state, geometry->firstVisible + direction);
}

bool Choosable(T_Chooser* chooser, int64_t line) {
  if (line < 0 || line >= chooser->count) return false;
  ChooserEvent record;
  chooser->DescribeItem(line, &record);
  return record.enabled != 0;
}

}  // namespace

RECT T_Chooser::ArrowFeedbackRect() {
  int32_t look = ItemLookClass();
  if (look <= 1) return RECT{boxRect.right - 14, boxRect.top, boxRect.right, boxRect.bottom + 1};
  if (look == 2) {
    int32_t top = (boxRect.top + boxRect.bottom - 14) / 2;
    return RECT{boxRect.right - 15, top, boxRect.right - 1, top + 14};
  }
  return RECT{};
}

void T_Chooser::SetArrowPressed(bool on) {
  if ((arrowPressed != 0) == on) return;
  arrowPressed = on ? 1 : 0;
  RECT rect = ArrowFeedbackRect();
  if (!RectIsEmpty(&rect)) GrafElement_InvalidateRect(this, &rect, kPaintNow | kPaintChildren);
}

void T_Chooser::RunList(const InputEvent* event) {
  if (listOpen || !enabled || count <= 0) return;
  ChooserEvent geometry;
  geometry.highlighted = -1;
  geometry.lineHeight = std::max(1, static_cast<int32_t>(boxRect.bottom - boxRect.top) - 2);
  listOpen = 1;
  Item_InvalidateShape(this, kPaintNow);

  int32_t widest = 0;
  for (int64_t i = 0; i < count; ++i) widest = std::max(widest, ItemWidth(i));
  int32_t width =
      std::max(static_cast<int32_t>(boxRect.right - boxRect.left), widest + 15 + 2 * kPopupFrame);
  RECT bounds;
  PopupBounds(this, &bounds);
  int32_t room = (bounds.bottom - bounds.top - 2 * kPopupFrame) / geometry.lineHeight;
  int32_t lines =
      static_cast<int32_t>(std::max<int64_t>(1, std::min<int64_t>(count, std::max(1, room))));
  RECT list{boxRect.left, boxRect.bottom + 3, boxRect.left + width,
            boxRect.bottom + 3 + lines * geometry.lineHeight + 2 * kPopupFrame};
  FitRectInBounds(&list, &bounds);
  geometry.listRect = list;
  geometry.visibleLines = std::max(
      1, (static_cast<int32_t>(list.bottom - list.top) - 2 * kPopupFrame) / geometry.lineHeight);
  geometry.firstVisible = ChooserFirstVisible(count, geometry.visibleLines, current);
  list_ = &geometry;

  RECT area = bounds;
  RectInflateXY(&area, 2, 22);
  PopupTracking tracking;
  PopupTrackStart(&tracking, event, &area);
  TextStyle listStyle = style;
  // A centred chooser still lists its items from the left.
  listStyle.flags = static_cast<uint16_t>((listStyle.flags & ~kStyleAlignMask) | kStyleMiddle);
  CaptureBegin();
  CursorSet(kArrowCursorId);
  HWND popup = PopupWindowOpen(this, &list, listBackground);
  ListState state{this, &geometry, popup, listStyle};
  PopupPainter painter{PaintList, &state};
  PopupWindowSetPainter(popup, &painter);
  DrawLines(&state, -1, -1, true);

  RECT inner = list;
  RectInflate(&inner, -kPopupFrame);
  bool beenInList = false;
  bool openingHeld = event->leftButton || event->rightButton;
  PopupInput input;
  input.event = *event;
  while (tracking.running) {
    PopupPollInput(this, &input);
    SetBusyDeadline();
    const InputEvent& now = input.event;
    POINT point{now.x, now.y};
    bool held = now.leftButton || now.rightButton || now.anyButton;
    if (openingHeld && held && !beenInList) {
      SetArrowPressed(PtInRect(&inner, point) == 0 && [&] {
        RECT arrow = ArrowFeedbackRect();
        return PtInRect(&arrow, point) != 0;
      }());
    } else if (!held) {
      openingHeld = false;
      SetArrowPressed(false);
    }
    if (!tracking.pointerMode && tracking.movedNow && PtInRect(&inner, point))
      tracking.pointerMode = 1;
    bool scrolling = false;
    if (tracking.pointerMode) {
      if (point.x >= inner.left && point.x < inner.right) {
        if (point.y >= inner.top && point.y < inner.bottom) {
          int64_t line = (point.y - inner.top) / geometry.lineHeight + geometry.firstVisible;
          Highlight(&state, Choosable(this, line) ? line : -1);
          beenInList = true;
        } else if (point.y < inner.top) {
          if (beenInList) {
            Highlight(&state, -1);
            ScrollStep(&state, -1, now.time);
            scrolling = true;
          }
        } else {
          if (beenInList) Highlight(&state, -1);
          ScrollStep(&state, 1, now.time);
          scrolling = true;
        }
      } else if (beenInList) {
        Highlight(&state, -1);
      }
    }
    if (!scrolling) geometry.scrollDelay = 0;

    uint16_t key = PopupTrackUpdate(&tracking, &input, geometry.highlighted >= 0);
    if (!tracking.running) break;
    if (key == kKeyUp || key == kKeyDown) {
      int32_t step = key == kKeyUp ? -1 : 1;
      int64_t from = geometry.highlighted >= 0 ? geometry.highlighted : current;
      for (int64_t i = from + step; i >= 0 && i < count; i += step) {
        if (Choosable(this, i)) {
          Highlight(&state, i);
          ScrollIntoView(&state, i);
          break;
        }
      }
    } else if (key) {
      int64_t found = TypeAhead(key, now.time);
      if (found >= 0) {
        Highlight(&state, found);
        ScrollIntoView(&state, found);
      }
    }
    PumpMessages();
  }

  int64_t chosen = geometry.highlighted;
  if (tracking.cancelled || chosen == current ||
      (tracking.endedByRelease && !PtInRect(&inner, tracking.endPoint))) {
    chosen = -1;
  }
  if (chosen >= 0) {
    // The chosen line blinks once, so the eye sees what was taken.
    Highlight(&state, -1);
    PopupPause(kBlinkPlain);
    Highlight(&state, chosen);
    PopupPause(kBlinkKept);
  }
  PopupWindowClose(popup);
  CaptureEnd();
  list_ = nullptr;
  listOpen = 0;
  arrowPressed = 0;
  Item_InvalidateShape(this, kPaintNow);
  if (chosen < 0) return;

  ChooserEvent record;
  DescribeItem(chosen, &record);
  if (record.plain) {
    SetSelection(chosen, kSelectReport);
    return;
  }
  ChooserEvent action;
  action.code = kChooserChosen;
  action.chooser = this;
  action.index = chosen;
  action.previous = current;
  OnChooserEvent(this, &action);
}
