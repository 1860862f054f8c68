// The column title drag: a dotted frame around the dragged title, an inverted mark at the place.
#include "analysis/boxwin/box_column_drag.h"

#include "ui/draw_primitives.h"
#include "ui/event_record.h"
#include "ui/item.h"

T_BoxField* TrackColumnTitleDrag(T_BoxWin* window, const InputEvent* press, T_BoxField* field) {
  const int32_t dx = window->GetScrollX();
  RECT frame = field->title;
  OffsetRect(&frame, -dx, 0);
  InflateRect(&frame, 2, 1);
  RectFrameDottedXor(&frame);
  InputEvent poll = *press;
  T_BoxField* target = nullptr;
  RECT mark{};
  T_GrafElement* tracked = window->titles ? static_cast<T_GrafElement*>(window->titles)
                                          : static_cast<T_GrafElement*>(window);
  do {
    Item_PollPointer(tracked, &poll);
    T_BoxField* now = nullptr;
    RECT next{};
    for (T_BoxField* f = window->firstField; f; f = f->next) {
      if (f == field || f->next == field) continue;
      // A place reaches from the middle of one title to the middle of the next.
      const int32_t left = f == window->firstField ? 0 : (f->title.left + f->title.right) / 2 - dx;
      const int32_t right = f->next ? (f->next->title.left + f->next->title.right) / 2 - dx : 9999;
      if (poll.x < left || poll.x >= right) continue;
      now = f;
      const int32_t x = f->next ? (f->next->title.left + f->column.right - 3) / 2 - dx
                                : f->column.right + 10 - dx;
      next = RECT{x, 2, x + 3, window->titleHeight - 2};
    }
    if (now != target) {
      if (target) RectInvert(&mark);
      target = now;
      mark = next;
      if (target) RectInvert(&mark);
    }
  } while (poll.anyButton);
  if (target) RectInvert(&mark);
  RectFrameDottedXor(&frame);
  const int32_t moved = poll.x - press->x;
  return moved > 2 || moved < -2 ? target : nullptr;
}
