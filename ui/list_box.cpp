#include "ui/list_box.h"

#include <algorithm>
#include <new>

#include "core/memory.h"
#include "core/threads.h"
#include "ui/aa_drawing.h"
#include "ui/draw_primitives.h"
#include "ui/event_record.h"
#include "ui/graphics_port.h"
#include "ui/item_drawing.h"
#include "ui/popup_menu.h"
#include "ui/text_layout.h"
#include "ui/window.h"

namespace {

constexpr uint64_t kFirstRepeatDelay = 250;
constexpr uint64_t kRepeatDelay = 100;
constexpr uint16_t kKeySpace = 32;

}  // namespace

T_Linebox::T_Linebox(T_EventHandler* parent, const XYWH& rect, uint32_t id, int32_t barWidth_,
                     bool open)
    : T_Item(kKindListbox, parent, rect, id),
      bar(this, {rect.width - barWidth_ + 1, -1, barWidth_, rect.height + 2}, true, 0, 0),
      barWidth(barWidth_) {
  backColour = 0;
  if (open) EventHandler_Open(this);
}

T_Linebox::~T_Linebox() {
  FreeSet();
  UiTextFree(&caption);
}

void T_Linebox::FreeSet() {
  if (!selectionSet) return;
  BitVecFree(selectionSet);
  MemFree(selectionSet);
  selectionSet = nullptr;
}

void T_Linebox::Send(LineboxEvent* record) {
  record->listBox = this;
  if (record->lineRect.right == 0 && record->lineRect.bottom == 0) {
    record->lineRect = RECT{0, 0, width - barWidth + 1, height};
  }
  OnLineboxEvent(this, record);
}

int32_t T_Linebox::MeasureLine(int64_t line, int32_t top) {
  LineboxEvent record;
  record.code = kLineMeasure;
  record.index = line;
  record.lineRect = RECT{0, top, width - barWidth + 1, top + kLineDefaultHeight};
  Send(&record);
  return std::max(1, record.height);
}

// --- Geometry -----------------------------------------------------------------------------------

bool T_Linebox::LineRect(int64_t line, RECT* rect) {
  int64_t n = LineCount();
  if (line < bar.first || line >= n || line > bar.last + 1) return false;
  int32_t top = 0;
  for (int64_t i = bar.first; i < line; ++i) top += MeasureLine(i, top);
  *rect = RECT{0, top, width - barWidth + 1, top + MeasureLine(line, top)};
  return true;
}

int64_t T_Linebox::LineAt(int32_t px, int32_t py) {
  if (px < 0 || px >= width - barWidth + 1 || py < 0 || py >= height) return -1;
  int64_t n = LineCount();
  int32_t top = 0;
  for (int64_t i = bar.first; i < n && i <= bar.last + 1; ++i) {
    int32_t h = MeasureLine(i, top);
    if (py < top + h) return i;
    top += h;
  }
  return -1;
}

RECT T_Linebox::CaptionRect() {
  if (!caption.shown) return RECT{0, 0, 0, 0};
  TextMeasure size = TextSizeInStyle(&style, caption.shown);
  return RECT{-2, -2 - size.height, std::min(size.width + 5, width), -1};
}

// --- Selection ----------------------------------------------------------------------------------

bool T_Linebox::IsSelected(int64_t line) const {
  if (line < 0) return false;
  if (selectionSet) return line < selectionSet->count && BitVecGet(selectionSet, line);
  return line == current;
}

int64_t T_Linebox::FindNextSelected(int64_t after) const {
  if (selectionSet) return BitVecNextSet(selectionSet, after < -1 ? -1 : after);
  return current > after ? current : -1;
}

int64_t T_Linebox::CountSelected() const {
  if (selectionSet) return BitVecCount(selectionSet);
  return current >= 0 ? 1 : 0;
}

void T_Linebox::MoveFocus(int64_t line) {
  if (line == focusLine) return;
  RedrawLine(focusLine, 0);
  focusLine = line;
  RedrawLine(focusLine, 0);
}

bool T_Linebox::MaySelect(int64_t line) {
  LineboxEvent ask;
  ask.code = current < 0 || line == current ? kLineMaySelect : kLineMaySelectOther;
  ask.index = line;
  Send(&ask);
  return ask.flag != 0;
}

void T_Linebox::SetLineSelected(int64_t line, bool selected) {
  if (line < 0 || line >= LineCount()) return;
  if (selected) {
    if (!MaySelect(line)) {
      MoveFocus(line);
      return;
    }
    if (line == current) return;
    if (current >= 0 && !selectionSet) {
      auto* set = static_cast<BitVector*>(MemAlloc(sizeof(BitVector), 0));
      if (!set) return;
      new (set) BitVector();
      BitVecInit(set, LineCount(), 0);
      if (set->count != LineCount()) {
        BitVecFree(set);
        MemFree(set);
        return;
      }
      BitVecFill(set, false);
      selectionSet = set;
      BitVecSet(selectionSet, current, true);
      BitVecSet(selectionSet, line, true);
    } else if (selectionSet) {
      if (BitVecGet(selectionSet, line)) return;
      BitVecSet(selectionSet, line, true);
    } else {
      anchor = line;
    }
    MoveFocus(line);
    if (current < 0 || line < current) current = line;
  } else {
    if (selectionSet) {
      if (!BitVecGet(selectionSet, line)) return;
      BitVecSet(selectionSet, line, false);
      if (line == current) {
        current = BitVecNextSet(selectionSet, -1);
        if (current < 0) {
          FreeSet();
          anchor = -1;
        }
      }
    } else {
      if (line != current) return;
      current = -1;
      anchor = -1;
    }
  }
  RedrawLine(line, 0);
  LineboxEvent notice;
  notice.code = kLineSelected;
  notice.index = line;
  notice.flag = selected ? 1 : 0;
  Send(&notice);
}

void T_Linebox::SelectOnly(int64_t line) {
  if (line < 0 || line >= LineCount()) return;
  // A line the parent refuses keeps the others selected: only the focus moves.
  if (!IsSelected(line) && !MaySelect(line)) {
    MoveFocus(line);
    return;
  }
  if (selectionSet) {
    for (int64_t i = LineCount() - 1; i >= 0 && selectionSet; --i) {
      if (i != line && BitVecGet(selectionSet, i)) SetLineSelected(i, false);
    }
  } else if (current >= 0 && current != line) {
    SetLineSelected(current, false);
  }
  SetLineSelected(line, true);
  MoveFocus(line);
  anchor = line;
}

void T_Linebox::SelectAll() {
  for (int64_t i = 0; i < LineCount(); ++i) SetLineSelected(i, true);
}

void T_Linebox::DeselectAll() {
  if (selectionSet) {
    for (int64_t i = LineCount() - 1; i >= 0 && selectionSet; --i) {
      if (BitVecGet(selectionSet, i)) SetLineSelected(i, false);
    }
  } else if (current >= 0) {
    SetLineSelected(current, false);
  }
}

void T_Linebox::ReloadLines() {
  LineboxEvent record;
  record.code = kLineCount;
  Send(&record);
  int64_t n = std::max<int64_t>(0, record.count);
  if (selectionSet) {
    for (int64_t i = BitVecNextSet(selectionSet, n - 1); i >= 0 && selectionSet;
         i = selectionSet ? BitVecNextSet(selectionSet, i) : -1) {
      SetLineSelected(i, false);
    }
  } else if (current >= n) {
    SetLineSelected(current, false);
  }
  if (selectionSet && !BitVecResizeFill(selectionSet, n, false)) {
    // Keeping a set of the old size would let bit reads run past the new lines: fall back to
    // the lowest selected line alone.
    FreeSet();
  }
  if (anchor >= n) anchor = -1;
  if (focusLine >= n) focusLine = n > 0 ? n - 1 : 0;
  bar.SetCount(n, 0);
  GrafElement_Invalidate(this, 0);
}

void T_Linebox::ScrollToCurrent() { ScrollLineIntoView(current); }

bool T_Linebox::ScrollLineIntoView(int64_t line) {
  if (line < 0 || line >= LineCount()) return false;
  if (line < bar.first) return bar.SetPosition(line);
  if (line > bar.last) return bar.ScrollToLast(line);
  return false;
}

void T_Linebox::RedrawLine(int64_t line, int32_t paintFlags) {
  RECT rect;
  if (!opened || !LineRect(line, &rect)) return;
  GrafElement_InvalidateRect(this, &rect, paintFlags);
}

void T_Linebox::MoveSelection(int64_t delta) {
  int64_t n = LineCount();
  if (n == 0 || delta == 0) return;
  int64_t target;
  if (focusLine >= 0 && focusLine < n) {
    target = std::clamp<int64_t>(focusLine + delta, 0, n - 1);
  } else {
    target = delta < 0 ? n - 1 : 0;
  }
  SelectOnly(target);
  ScrollLineIntoView(target);
}

void T_Linebox::SetCaptionId(int32_t textId) {
  UiTextFree(&caption);
  UiTextSetId(&caption, textId);
  Item_Reshape(this, 0);
  Item_InvalidateShape(this, 0);
}

void T_Linebox::SetCaptionCopy(const char* text) {
  UiTextFree(&caption);
  UiTextSetCopy(&caption, text);
  Item_Reshape(this, 0);
  Item_InvalidateShape(this, 0);
}

void T_Linebox::DefaultAction(int64_t line) {
  LineboxEvent record;
  record.code = kLineDefaultAction;
  record.index = line;
  RECT rect{0, 0, width - barWidth + 1, kLineDefaultHeight};
  LineRect(line, &rect);
  record.lineRect = rect;
  record.popupPoint = POINT{offsetX + rect.left + (rect.right - rect.left) / 3,
                            offsetY + (rect.top + rect.bottom) / 2};
  Send(&record);
}

// --- Slots
// ----------------------------------------------------------------------------------------

void T_Linebox::Notify(int32_t code) {
  T_Item::Notify(code);
  switch (code) {
    case kNotifyOpened:
      if (!loaded && parent && parent->opened) {
        loaded = 1;
        ReloadLines();
      }
      break;
    case kNotifyClosed:
      DeselectAll();
      break;
    case kNotifyEnabled:
      Item_InvalidateShape(this, 0);
      break;
    case kNotifyFocus: {
      int64_t n = LineCount();
      RedrawLine(focusLine, 0);
      if (current >= 0) {
        if (!(inPress && focus)) ScrollToCurrent();
      } else if (n == 0) {
        focusLine = 0;
      } else if (focusLine < bar.first || focusLine > bar.last) {
        MoveFocus(std::clamp(focusLine, bar.first, std::min(bar.last, n - 1)));
      }
      if (ItemLookClass() >= 2) {
        Item_Reshape(this, 0);
        Item_InvalidateShape(this, 0);
      }
      break;
    }
    case kNotifyLanguage:
      if (caption.id) {
        UiTextReload(&caption);
        Item_Reshape(this, 0);
        Item_InvalidateShape(this, 0);
      }
      break;
    default:
      break;
  }
}

void T_Linebox::NotifyFromParent(int32_t code) {
  T_Item::NotifyFromParent(code);
  if (code == kNotifyOpened && !loaded) {
    loaded = 1;
    ReloadLines();
  }
}

void T_Linebox::OnSlidebarEvent(T_GrafElement* sender, SlidebarEvent* record) {
  if (sender != &bar) {
    T_Item::OnSlidebarEvent(sender, record);
    return;
  }
  switch (record->code) {
    case kSlideVisiblePixels:
      record->value = height;
      break;
    case kSlidePositionPixels:
      record->value = MeasureLine(record->index, 0);
      break;
    case kSlideMoved: {
      RECT lines{0, 0, width - barWidth + 1, height};
      if (opened) GrafElement_InvalidateRect(this, &lines, 0);
      break;
    }
    default:
      break;
  }
}

bool T_Linebox::AcceptsFocus() {
  LineboxEvent record;
  record.code = kLineMayFocus;
  Send(&record);
  return record.flag != 0;
}

void T_Linebox::OnResized(int32_t dw, int32_t dh) {
  T_Item::OnResized(dw, dh);
  bar.MoveToRect(width - barWidth + 1, -1, barWidth, height + 2);
  bar.Refresh();
}

// --- Mouse
// ----------------------------------------------------------------------------------------

bool T_Linebox::MouseDown(InputEvent* event, T_GrafElement* target) {
  inPress = 1;
  bool handled = T_Item::MouseDown(event, target);
  inPress = 0;
  if (handled) return true;
  if (target != this || !Item_CanTakeFocus(this)) return false;
  int64_t line = LineAt(event->x, event->y);
  if (line < 0) {
    bool inside = event->x >= 0 && event->x < width && event->y >= 0 && event->y < height;
    if (inside && bar.last < LineCount() - 1) {
      bar.ScrollBy(1);
      if (!event->shift && !event->control) SelectOnly(bar.last);
    } else if (event->rightButton) {
      RunContextMenu(this, 0, event, -1);
    } else if (event->leftButton) {
      DeselectAll();
    }
    return true;
  }
  PressOnLine(event, line);
  return true;
}

void T_Linebox::PressOnLine(InputEvent* event, int64_t line) {
  LineboxEvent press;
  press.code = kLinePress;
  press.index = line;
  press.flag = IsSelected(line) ? 1 : 0;
  press.event = event;
  Send(&press);
  if (press.handled) return;
  if (event->doubleClick && IsSelected(line)) {
    DefaultAction(line);
    return;
  }
  if (event->leftButton) {
    bool range = event->shift && anchor >= 0;
    bool state = true;
    if (event->control) {
      state = !IsSelected(line);
    } else if (!range) {
      SelectOnly(line);
    }
    if (!range) {
      anchor = line;
      if (IsSelected(line) != state) SetLineSelected(line, state);
      MoveFocus(line);
    } else {
      ApplyRange(line, focusLine, true);
    }
    TrackDrag(event, state);
    return;
  }
  if (event->rightButton) {
    if (!IsSelected(line)) SelectOnly(line);
    RunContextMenu(this, 0, event, -1);
  }
}

// Lines from the anchor to `to` take the press state; lines between `to` and the previous end
// that now lie outside that range are deselected.
void T_Linebox::ApplyRange(int64_t to, int64_t previousEnd, bool pressState) {
  int64_t from = anchor >= 0 ? anchor : to;
  int64_t lo = std::min(from, to);
  int64_t hi = std::max(from, to);
  for (int64_t i = lo; i <= hi; ++i) {
    if (IsSelected(i) != pressState) SetLineSelected(i, pressState);
  }
  int64_t plo = std::min(previousEnd, to);
  int64_t phi = std::max(previousEnd, to);
  for (int64_t i = plo; i <= phi; ++i) {
    if ((i < lo || i > hi) && IsSelected(i)) SetLineSelected(i, false);
  }
  MoveFocus(to);
}

void T_Linebox::TrackDrag(InputEvent*, bool pressState) {
  int64_t end = focusLine;
  int32_t scrollState = 0;  // 0 none yet, 1 after the first scroll, 2 repeating
  uint64_t nextScroll = 0;
  for (;;) {
    InputEvent now;
    Item_PollPointer(this, &now);
    if (!now.leftButton) break;
    int32_t px = std::clamp(now.x, 0, std::max(0, width - barWidth));
    int64_t at = LineAt(px, now.y);
    if (at >= 0) {
      scrollState = 0;
      if (at != end) {
        ApplyRange(at, end, pressState);
        end = at;
      }
      continue;
    }
    if (now.y >= 0 && now.y < height) continue;
    uint64_t tick = TickCount();
    if (scrollState != 0 && tick < nextScroll) continue;
    int64_t target;
    if (now.y < 0) {
      bar.ScrollBy(-1);
      target = bar.first;
    } else {
      bar.ScrollBy(1);
      target = std::min(bar.last, LineCount() - 1);
    }
    nextScroll = tick + (scrollState == 0 ? kFirstRepeatDelay : kRepeatDelay);
    scrollState = scrollState == 0 ? 1 : 2;
    if (target >= 0 && target != end) {
      ApplyRange(target, end, pressState);
      end = target;
    }
  }
}

bool T_Linebox::OnWheel(InputEvent* event, int32_t lines) {
  if (!event->control) return bar.OnWheel(event, lines);
  if (lines != 0) MoveSelection(lines > 0 ? -1 : 1);
  return true;
}

// --- Keys ---------------------------------------------------------------------------------------

void T_Linebox::ArrowKey(int64_t step, bool shift) {
  int64_t n = LineCount();
  int64_t target;
  bool hasFocusLine = focusLine >= 0 && focusLine < n;
  if (!hasFocusLine) {
    target = bar.first;
  } else {
    target = focusLine + step;
    if (target < 0 || target >= n) return;
  }
  if (!shift || !hasFocusLine) {
    SelectOnly(target);
    return;
  }
  bool towardsAnchor =
      anchor >= 0 && ((step < 0 && focusLine > anchor) || (step > 0 && focusLine < anchor));
  if (towardsAnchor) {
    SetLineSelected(focusLine, false);
  } else {
    if (anchor < 0) anchor = focusLine;
    SetLineSelected(target, true);
  }
  MoveFocus(target);
}

bool T_Linebox::KeyDown(InputEvent* event, T_GrafElement* target) {
  if (T_Item::KeyDown(event, target)) return true;
  if (!enabled || !focus) return false;
  int64_t n = LineCount();
  if (n == 0) return true;
  uint16_t key = event->keyCode;
  if (key < kKeyKeypadEnter || key > kKeySpace) return false;
  switch (key) {
    case kKeyEnter:
    case kKeyKeypadEnter:
    case kKeySpace:
      if (IsSelected(focusLine)) DefaultAction(focusLine);
      return true;
    case kKeyBackspace:
      if (IsSelected(focusLine)) {
        LineboxEvent record;
        record.code = kLineBackspace;
        record.index = focusLine;
        Send(&record);
      }
      return true;
    case kKeyHome:
    case kKeyEnd:
      SelectOnly(key == kKeyHome ? 0 : n - 1);
      ScrollToCurrent();
      return true;
    case kKeyPageUp:
      if (bar.first > 0) bar.ScrollToLast(bar.first - 1);
      return true;
    case kKeyPageDown:
      if (bar.last + 1 < n) bar.SetPosition(bar.last + 1);
      return true;
    case kKeyLeft:
      DeselectAll();
      return true;
    case kKeyRight:
      SetLineSelected(focusLine, true);
      return true;
    case kKeyUp:
    case kKeyDown:
      ArrowKey(key == kKeyUp ? -1 : 1, event->shift != 0);
      // The focus line, not the lowest selected one: a Shift range growing downwards would
      // otherwise walk out of sight.
      ScrollLineIntoView(focusLine);
      return true;
    default:
      return false;
  }
}

// --- Drawing ------------------------------------------------------------------------------------

void T_Linebox::DrawContent() {
  int64_t n = LineCount();
  int32_t right = width - barWidth + 1;
  int32_t top = 0;
  int32_t savedBack = Gfx.backColour;
  for (int64_t i = bar.first; i < n && i <= bar.last + 1 && top < height; ++i) {
    int32_t h = MeasureLine(i, top);
    RECT rect{0, top, right, top + h};
    bool selected = IsSelected(i);
    T_ForeIndex fore(!enabled ? 6 : selected ? 24 : kColourBlack);
    PortSetBackIndex(selected ? 23 : static_cast<int32_t>(backColour));
    RectErase(&rect);
    LineboxEvent record;
    record.code = kLineDraw;
    record.index = i;
    record.flag = selected ? 1 : 0;
    record.lineRect = rect;
    Send(&record);
    PortSetBackIndex(savedBack);
    top += h;
  }
  if (top < height) {
    RECT rest{0, top, right, height};
    PortSetBackIndex(static_cast<int32_t>(backColour));
    RectErase(&rest);
    PortSetBackIndex(savedBack);
  }
  if (Item_ShowsFocus(this)) {
    RECT ring{0, 0, right, kLineDefaultHeight};
    if (n == 0) {
      ring.bottom = MeasureLine(0, 0);
    } else if (!LineRect(focusLine, &ring)) {
      return;
    }
    T_ForeIndex mark(kColourBlack);
    RectFrameDotted(&ring);
  }
}

void T_Linebox::DrawFrame() {
  RECT box{0, 0, width, height};
  if (ItemLookClass() <= 1) {
    RectInflate(&box, 2);
    DrawSunkenFrame(&box);
  } else {
    RECT inner = box;
    RectInflate(&inner, 1);
    if (Item_ShowsFocus(this)) {
      RECT outer = box;
      RectInflate(&outer, 2);
      T_ForeIndex ring(29);
      RectFrame(&outer);
      AaRectOutline(&inner, 0xFFA6E9FB);
    } else {
      T_ForeIndex ring(29);
      RectFrame(&inner);
    }
  }
  if (!caption.shown) return;
  RECT area = CaptionRect();
  int32_t savedBack = Gfx.backColour;
  if (T_GrafElement* owner = Parent()) PortSetBackIndex(static_cast<int32_t>(owner->backColour));
  RECT erase = area;
  erase.bottom -= 1;
  RectErase(&erase);
  RECT text{area.left + 3, area.top + 1, area.right - 2, area.bottom};
  DrawTextEtched(&text, caption.shown, enabled != 0);
  PortSetBackIndex(savedBack);
}

void T_Linebox::BuildShape() {
  int32_t grow = ItemLookClass() <= 1 || focus ? 2 : 1;
  SetRectRgn(shape, -grow, -grow, width + grow, height + grow);
  if (caption.shown) {
    RECT area = CaptionRect();
    HRGN extra = CreateRectRgnIndirect(&area);
    CombineRgn(shape, shape, extra, RGN_OR);
    DeleteObject(extra);
  }
}
