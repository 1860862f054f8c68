// T_Selector: a strip of picture cells, one of them current (the tool selectors of document
// windows). A press follows the pointer from cell to cell until the release; releasing on a cell
// other than the current one makes it current and reports OnSelectorEvent.
#include "core/message_pump.h"
#include "ui/chooser.h"
#include "ui/draw_primitives.h"
#include "ui/event_record.h"
#include "ui/graphics_port.h"
#include "ui/item_drawing.h"
#include "ui/pictures.h"
#include "ui/window.h"

namespace {

constexpr int32_t kCellSize = 24;

}  // namespace

T_Selector::T_Selector(T_EventHandler* parent, const XYWH& rect, uint32_t id, const uint16_t* ids,
                       uint16_t current, bool open)
    : T_Item(kKindSelector, parent, rect, id) {
  eraseContent = 0;
  SetPictures(ids, current);
  if (open) EventHandler_Open(this);
}

void T_Selector::SetPictures(const uint16_t* ids, uint16_t current) {
  count = 0;
  while (ids && count < kMaxPictures && ids[count] != 0) {
    pictures[count] = ids[count];
    ++count;
  }
  pictures[count] = 0;
  currentPicture = current;
  pressedPicture = 0;
  hoveredPicture = 0;
  int32_t wanted = pitch * (count - 1) + kCellSize + 1;
  if (wanted != width) {
    if (opened) {
      ResizeBy(wanted - width, 0);
    } else {
      width = wanted;
      content.right = content.left + wanted;
      BuildShape();
    }
  }
  if (opened) Item_InvalidateShape(this, 0);
}

int32_t T_Selector::CellOf(uint16_t picture) const {
  if (picture == 0) return -1;
  for (int32_t i = 0; i < count; ++i) {
    if (pictures[i] == picture) return i;
  }
  return -1;
}

RECT T_Selector::CellRect(int32_t cell) const {
  int32_t x = cell * pitch;
  return RECT{x + 2, 2, x + 22, 21};
}

int32_t T_Selector::CellAt(int32_t px, int32_t py) {
  if (!regionValid) UpdateRegions(true);
  if (!PtInRegion(region, px, py) || px < 0) return -1;
  int32_t cell = px / pitch;
  if (px % pitch >= kCellSize || cell >= count) return -1;
  return cell;
}

void T_Selector::RedrawCell(uint16_t picture) {
  int32_t cell = CellOf(picture);
  if (cell < 0) return;
  RECT rect = CellRect(cell);
  GrafElement_InvalidateRect(this, &rect, kPaintNow);
}

void T_Selector::Notify(int32_t code) {
  T_Item::Notify(code);
  if (code == kNotifyEnabled) Item_InvalidateShape(this, 0);
}

void T_Selector::NotifyFromParent(int32_t code) {
  T_Item::NotifyFromParent(code);
  if (code == kNotifyBackColour) {
    if (T_GrafElement* owner = Parent()) backColour = owner->backColour;
    Item_InvalidateShape(this, 0);
  }
}

void T_Selector::OnHover(InputEvent* event, int32_t code) {
  int32_t cell = code == kHoverLeft ? -1 : CellAt(event->x, event->y);
  uint16_t now = cell >= 0 ? pictures[cell] : 0;
  if (now == hoveredPicture) return;
  uint16_t old = hoveredPicture;
  hoveredPicture = now;
  RedrawCell(old);
  RedrawCell(now);
}

bool T_Selector::MouseDown(InputEvent* event, T_GrafElement* target) {
  if (T_Item::MouseDown(event, target)) return true;
  if (!enabled || !event->leftButton) return false;
  InputEvent poll = *event;
  bool first = true;
  for (;;) {
    if (!first) Item_PollPointer(this, &poll);
    int32_t cell = CellAt(poll.x, poll.y);
    uint16_t under = cell >= 0 ? pictures[cell] : 0;
    if (under != pressedPicture || under != hoveredPicture) {
      uint16_t oldPressed = pressedPicture;
      uint16_t oldHovered = hoveredPicture;
      pressedPicture = under;
      hoveredPicture = under;
      RedrawCell(oldPressed);
      RedrawCell(oldHovered);
      RedrawCell(under);
    }
    if (!first && !poll.leftButton) break;
    first = false;
    SetBusyDeadline();
  }
  uint16_t chosen = pressedPicture;
  uint16_t oldHovered = hoveredPicture;
  pressedPicture = 0;
  hoveredPicture = 0;
  RedrawCell(oldHovered);
  if (chosen == 0 || chosen == currentPicture) {
    RedrawCell(chosen);
    return true;
  }
  uint16_t old = currentPicture;
  currentPicture = chosen;
  RedrawCell(old);
  RedrawCell(chosen);
  OnSelectorEvent(this);
  return true;
}

void T_Selector::DrawCell(int32_t cell) {
  uint16_t picture = pictures[cell];
  RECT square = CellRect(cell);
  int32_t x = cell * pitch;
  RECT inside{x + 4, 4, x + 20, 20};
  bool pressed = picture == pressedPicture;
  bool hovered = picture == hoveredPicture;
  bool current = picture == currentPicture;
  if (current && !hovered && !pressed) {
    RectFillColour(&square, 28);
  } else {
    RectErase(&square);
  }
  if (pressed) OffsetRect(&inside, 1, 1);
  PictureDraw(&inside, picture);
  if (pressed || (current && !hovered)) {
    DrawBevelFrame(&square, 29, 30);
  } else if (hovered) {
    DrawBevelFrame(&square, 30, 29);
  }
}

void T_Selector::DrawContent() {
  RECT all = content;
  DrawBevelFrame(&all, 30, 29);
  // Around the cells only: the cells erase their own squares, which keeps them from flickering.
  RECT top{1, 1, width - 1, 2};
  RectErase(&top);
  RECT bottom{1, 21, width - 1, height - 1};
  RectErase(&bottom);
  RECT left{1, 2, 2, 21};
  RectErase(&left);
  for (int32_t cell = 0; cell < count; ++cell) {
    int32_t x = cell * pitch;
    RECT gap{x + 22, 2, cell + 1 < count ? x + pitch + 2 : width - 1, 21};
    RectErase(&gap);
    DrawCell(cell);
  }
}
