#include "ui/frame_items.h"

#include <cmath>

#include "core/message_pump.h"
#include "core/threads.h"
#include "ui/button.h"
#include "ui/event_record.h"
#include "ui/graphics_port.h"
#include "ui/item_drawing.h"
#include "ui/main_loop.h"
#include "ui/slide_bar.h"
#include "ui/text_layout.h"
#include "ui/window.h"

namespace {

constexpr int32_t kScrollBarWidth = 13;
constexpr int32_t kFrameWidening = 12;
constexpr int32_t kWheelLinesOfFrames = 5;
constexpr uint64_t kProgressInterval = 31;
constexpr int64_t kPollUnits = 512;
// The redraw threshold of a bar that has nothing to measure its progress by.
constexpr int64_t kNeverRedraw = INT64_MAX;

// The parent's background, taken again after it changed.
void TakeParentBackground(T_Item* item) {
  if (T_GrafElement* owner = item->Parent()) item->backColour = owner->backColour;
  Item_InvalidateShape(item, 0);
}

bool IsChildOf(const T_GrafElement* parent, const T_GrafElement* child) {
  for (const T_GrafElement* c = parent->firstChild; c; c = c->next) {
    if (c == child) return true;
  }
  return false;
}

}  // namespace

// --- Scrolling
// ------------------------------------------------------------------------------------

int32_t ScrollContentHeight(T_Item* owner, T_Slidebar* bar) {
  int32_t top = 99;
  int32_t bottom = 0;
  HRGN shape = CreateRectRgn(0, 0, 0, 0);
  for (T_GrafElement* child = owner->firstChild; child; child = child->next) {
    if (!child->visible || child == bar) continue;
    SetRectRgn(shape, -32768, -32768, 32767, 32767);
    child->ClipToShape(shape);
    RECT box{};
    if (GetRgnBox(shape, &box) == NULLREGION) continue;
    OffsetRect(&box, child->x, child->y);
    if (box.top < top) top = box.top;
    if (box.bottom > bottom) bottom = box.bottom;
  }
  DeleteObject(shape);
  int32_t position = bar ? static_cast<int32_t>(bar->first) : 0;
  // No child: the largest bottom (0) stands alone.
  if (bottom == 0 && top == 99) top = 0;
  return bottom + top + 2 * position;
}

void ScrollBarUpdate(T_Item* owner, T_Slidebar** bar, bool widen) {
  if (!owner->opened) return;
  int32_t needed = ScrollContentHeight(owner, *bar);
  int32_t available = owner->content.bottom - owner->content.top;
  if (needed <= available) {
    if (!*bar) return;
    int32_t position = static_cast<int32_t>((*bar)->first);
    T_Slidebar* old = *bar;
    *bar = nullptr;
    for (T_GrafElement* child = owner->firstChild; child; child = child->next) {
      if (child != old && position) child->MoveBy(0, position);
    }
    delete old;
    if (widen) owner->ResizeBy(-kFrameWidening, 0);
    return;
  }
  if (*bar) {
    (*bar)->SetCount(needed, 0);
    return;
  }
  if (widen) owner->ResizeBy(kFrameWidening, 0);
  *bar = new T_Slidebar(owner, {owner->width - 11, 0, kScrollBarWidth, owner->height}, true, 0,
                        needed);
  (*bar)->wheelLines = kWheelLinesOfFrames;
  (*bar)->SetTopmost();
}

void ScrollBarAnswer(T_Item* owner, T_Slidebar* bar, SlidebarEvent* record) {
  switch (record->code) {
    case kSlideVisiblePixels:
      record->value = owner->content.bottom - owner->content.top;
      break;
    case kSlidePositionPixels:
      record->value = 1;
      break;
    case kSlideMoved: {
      int32_t dy = static_cast<int32_t>(record->index - bar->first);
      for (T_GrafElement* child = owner->firstChild; child; child = child->next) {
        if (child != bar) child->MoveBy(0, dy);
      }
      Item_InvalidateShape(owner, 0);
      break;
    }
    default:
      break;
  }
}

// --- T_Frame
// --------------------------------------------------------------------------------------

T_Frame::T_Frame(T_EventHandler* parent, const XYWH& rect, uint32_t id, bool open)
    : T_Item(kKindFrame, parent, rect, id) {
  UiTextClear(&title);
  BuildShape();
  if (open) EventHandler_Open(this);
}

T_Frame::~T_Frame() {
  if (opened) EventHandler_CloseElement(this);
  delete scrollBar;
  scrollBar = nullptr;
  currentItem = nullptr;
  UiTextFree(&title);
}

void T_Frame::Layout(RECT* titleRect, RECT* frameRect) {
  *frameRect = content;
  RectInflate(frameRect, 2);
  *titleRect = RECT{0, 0, 0, 0};
  if (!title.shown) return;
  TextMeasure size = TextSizeInStyle(&style, title.shown);
  *titleRect = RECT{8, -(size.height + 1), 8 + size.width, -1};
  frameRect->top = -((size.height + 2) / 2) - 1;
  int32_t shortfall = titleRect->right - (frameRect->right - 10);
  if (shortfall > 0) {
    int32_t move = shortfall / 2 < 4 ? shortfall / 2 : 4;
    OffsetRect(titleRect, -move, 0);
  }
  if (titleRect->right > frameRect->right) titleRect->right = frameRect->right;
}

void T_Frame::BuildShape() {
  RECT titleRect;
  RECT frameRect;
  Layout(&titleRect, &frameRect);
  frameRect.right += 1;
  frameRect.bottom += 1;
  SetRectRgn(shape, frameRect.left, frameRect.top, frameRect.right, frameRect.bottom);
  if (!RectIsEmpty(&titleRect)) {
    RectInflateXY(&titleRect, 2, 1);
    HRGN part = CreateRectRgnIndirect(&titleRect);
    CombineRgn(shape, shape, part, RGN_OR);
    DeleteObject(part);
  }
}

void T_Frame::SetTitleRef(const char* text) {
  UiTextSetRef(&title, text);
  TitleChanged();
}

void T_Frame::SetTitleId(int32_t textId) {
  UiTextSetId(&title, textId);
  TitleChanged();
}

void T_Frame::TitleChanged() {
  RECT strip{-2, -99, width + 2, -1};
  if (window) {
    OffsetRect(&strip, offsetX, offsetY);
    GrafElement_InvalidateRect(window, &strip, kPaintUnclipped);
  }
  Item_Reshape(this, 0);
  if (opened) Notify(kNotifyTitle);
}

void T_Frame::SetEmphasis(bool on) {
  if ((emphasis != 0) == on) return;
  emphasis = on ? 1 : 0;
  RepaintLine();
}

void T_Frame::SetScrollable(bool on) {
  if ((scrolling != 0) == on) return;
  scrolling = on ? 1 : 0;
  UpdateScrollBar();
}

int32_t T_Frame::ScrollOffset() const {
  return scrolling && scrollBar ? static_cast<int32_t>(scrollBar->first) : 0;
}

void T_Frame::RepaintLine() {
  RECT titleRect;
  RECT frameRect;
  Layout(&titleRect, &frameRect);
  RECT outer = frameRect;
  outer.right += 1;
  outer.bottom += 1;
  RECT inner = frameRect;
  RectInflate(&inner, -1);
  HRGN ring = CreateRectRgnIndirect(&outer);
  HRGN hole = CreateRectRgnIndirect(&inner);
  CombineRgn(ring, ring, hole, RGN_DIFF);
  if (!RectIsEmpty(&titleRect)) {
    RectInflateXY(&titleRect, 3, 2);
    SetRectRgn(hole, titleRect.left, titleRect.top, titleRect.right, titleRect.bottom);
    CombineRgn(ring, ring, hole, RGN_OR);
  }
  GrafElement_InvalidateRegion(this, ring, kPaintNow | kPaintChildren);
  DeleteObject(hole);
  DeleteObject(ring);
}

void T_Frame::UpdateScrollBar() {
  if (!scrolling) {
    // A frame that stops scrolling puts its children back and gives the bar up.
    if (scrollBar && opened) {
      int32_t position = static_cast<int32_t>(scrollBar->first);
      T_Slidebar* old = scrollBar;
      scrollBar = nullptr;
      for (T_GrafElement* child = firstChild; child; child = child->next) {
        if (child != old && position) child->MoveBy(0, position);
      }
      delete old;
      ResizeBy(-kFrameWidening, 0);
    }
    return;
  }
  ScrollBarUpdate(this, &scrollBar, true);
}

void T_Frame::ScrollToChild(T_GrafElement* child) {
  T_Item* item = AsItem(child);
  if (!scrollBar || !item || !item->focus) return;
  int32_t top = child->y;
  int32_t bottom = child->y + child->height;
  int32_t available = content.bottom - content.top;
  if (top < 2) {
    scrollBar->ScrollBy(top - 2);
  } else if (bottom + 2 > available) {
    scrollBar->ScrollBy(bottom - available + 2);
  }
}

void T_Frame::SetCurrent(T_Item* item) {
  if (item == currentItem) return;
  T_Item* old = currentItem;
  currentItem = item;
  if (old && IsChildOf(this, old)) old->SetHighlight(false);
  if (item) item->SetHighlight(true);
}

void T_Frame::MoveCurrent(int32_t mode) {
  if (currentItem && !IsChildOf(this, currentItem)) currentItem = nullptr;
  T_Item* from = currentItem ? currentItem : AsItem(trackedChild);
  T_Item* candidate = from ? Item_NextInOrder(from, mode) : Item_FirstInOrder(this, mode);
  while (candidate &&
         (!candidate->enabled || !candidate->IsSelectable() || candidate == scrollBar)) {
    candidate = Item_NextInOrder(candidate, mode);
  }
  if (candidate) SetCurrent(candidate);
}

void T_Frame::Notify(int32_t code) {
  T_Item::Notify(code);
  switch (code) {
    case kNotifyOpened:
      if (scrolling) UpdateScrollBar();
      break;
    case kNotifyEnabled:
      Item_InvalidateShape(this, 0);
      break;
    case kNotifyFocus:
      if (!focus) SetCurrent(nullptr);
      RepaintLine();
      break;
    case kNotifyLanguage:
      if (title.id) {
        UiTextReload(&title);
        TitleChanged();
      }
      break;
    default:
      break;
  }
}

void T_Frame::NotifyFromParent(int32_t code) {
  T_Item::NotifyFromParent(code);
  if (code == kNotifyBackColour) TakeParentBackground(this);
}

void T_Frame::NotifyFromChild(int32_t code, T_GrafElement* child) {
  T_Item::NotifyFromChild(code, child);
  if (code == kNotifyClosed && child == currentItem) currentItem = nullptr;
  if (code == kNotifyVisibility && scrolling && child != scrollBar &&
      !dynamic_cast<T_Slidebar*>(child)) {
    UpdateScrollBar();
  }
  if (code == kNotifyFocus && scrolling) ScrollToChild(child);
}

bool T_Frame::MouseDown(InputEvent* event, T_GrafElement* target) {
  SetCurrent(nullptr);
  return T_Item::MouseDown(event, target);
}

bool T_Frame::OnWheel(InputEvent* event, int32_t lines) {
  if (T_Item::OnWheel(event, lines)) return true;
  if (!scrolling || !scrollBar) return false;
  scrollBar->OnWheel(event, lines);
  return true;
}

bool T_Frame::KeyDown(InputEvent* event, T_GrafElement* target) {
  if (T_Item::KeyDown(event, target)) return true;
  if (!focus || !PlainModifiers(event)) return false;
  switch (event->keyCode) {
    case kKeyKeypadEnter:
    case kKeyEnter:
    case kKeySpace:
      if (currentItem && IsChildOf(this, currentItem)) currentItem->Press();
      return true;
    case kKeyLeft:
      MoveCurrent(kOrderX | kOrderReverse);
      return true;
    case kKeyRight:
      MoveCurrent(kOrderX);
      return true;
    case kKeyUp:
      MoveCurrent(kOrderY | kOrderReverse);
      return true;
    case kKeyDown:
      MoveCurrent(kOrderY);
      return true;
    default:
      return false;
  }
}

void T_Frame::OnSlidebarEvent(T_GrafElement* bar, SlidebarEvent* record) {
  if (bar != scrollBar || !scrollBar) {
    T_Item::OnSlidebarEvent(bar, record);
    return;
  }
  ScrollBarAnswer(this, scrollBar, record);
}

void T_Frame::OnResized(int32_t dw, int32_t dh) {
  if (dw) {
    Item_Reshape(this, 0);
    if (scrollBar) scrollBar->MoveBy(dw, 0);
  }
  if (dh) {
    if (scrollBar) scrollBar->ResizeBy(0, dh);
    if (scrolling) UpdateScrollBar();
  }
}

void T_Frame::DrawContent() { OnFrameEvent(this, 0); }

void T_Frame::DrawFrame() {
  RECT titleRect;
  RECT frameRect;
  Layout(&titleRect, &frameRect);
  bool focused = Item_HasFocusInActiveWindow(this);
  int32_t line = focused || emphasis ? kColourBlack : 29;
  int32_t look = ItemLookClass();
  T_ForeIndex fore(30);
  RECT light = frameRect;
  OffsetRect(&light, 1, 1);
  if (look <= 1) {
    RectFrame(&light);
    fore.Set(line);
    RectFrame(&frameRect);
  } else if (look == 2) {
    fore.Set(line);
    RoundedRectOutline(&frameRect, 5);
  } else {
    RoundedRectOutline(&light, 5);
    fore.Set(line);
    RoundedRectOutline(&frameRect, 5);
  }
  if (!title.shown) return;
  RECT erase = titleRect;
  RectInflateXY(&erase, 4, 0);
  RectErase(&erase);
  if (focused) {
    RECT ring = titleRect;
    RectInflateXY(&ring, 2, 1);
    fore.Set(kColourBlack);
    RectFrameDotted(&ring);
  }
  fore.Set(look == 2 ? 31 : kColourBlack);
  DrawTextEtched(&titleRect, title.shown, enabled != 0);
}

bool T_Frame::AcceptsFocus() {
  for (T_GrafElement* child = firstChild; child; child = child->next) {
    T_Item* item = AsItem(child);
    if (item && item->IsSelectable() && !item->AcceptsFocus()) return true;
  }
  return false;
}

// --- T_Text
// ---------------------------------------------------------------------------------------

T_Text::T_Text(T_EventHandler* parent, const XYWH& rect, bool open)
    : T_Item(kKindText, parent, rect, 0) {
  UiTextClear(&text);
  if (open) EventHandler_Open(this);
}

T_Text::~T_Text() {
  if (opened) EventHandler_CloseElement(this);
  UiTextFree(&text);
}

void T_Text::SetTextRef(const char* value) {
  UiTextSetRef(&text, value);
  Item_InvalidateShape(this, 0);
}

void T_Text::SetTextId(int32_t textId) {
  UiTextSetId(&text, textId);
  Item_InvalidateShape(this, 0);
}

void T_Text::SetTextCopy(const char* value) {
  UiTextSetCopy(&text, value);
  Item_InvalidateShape(this, 0);
}

void T_Text::Notify(int32_t code) {
  T_Item::Notify(code);
  if (code == kNotifyEnabled) {
    Item_InvalidateShape(this, 0);
  } else if (code == kNotifyLanguage && text.id) {
    UiTextReload(&text);
    Item_InvalidateShape(this, 0);
  }
}

void T_Text::NotifyFromParent(int32_t code) {
  T_Item::NotifyFromParent(code);
  if (code == kNotifyBackColour) TakeParentBackground(this);
}

void T_Text::OnResized(int32_t, int32_t) {
  // Aligned and wrapped texts move inside the rectangle when it changes.
  if (style.flags & (kStyleAlignMask | kStyleWrap)) Item_InvalidateShape(this, 0);
}

void T_Text::DrawContent() {
  if (!text.shown) return;
  T_ForeIndex fore(enabled ? Gfx.foreColour : 6);
  TextDrawInRect(&content, text.shown, nullptr);
}

// --- T_ProgressIndicator
// --------------------------------------------------------------------------

T_ProgressIndicator::T_ProgressIndicator(T_EventHandler* parent, const XYWH& rect, bool shown)
    : T_Item(kKindProgress, parent, rect, 0) {
  wantVisible = shown ? 1 : 0;
  EventHandler_Open(this);
}

void T_ProgressIndicator::Start(int64_t total) {
  filled = 0;
  done = 0;
  // Without a total or a width there is nothing to measure by: the bar stays empty while the
  // work polls, and Finish fills it.
  pixelsPerUnit =
      total > 0 && width > 0 ? static_cast<double>(width) / static_cast<double>(total) : 0;
  redrawThreshold = pixelsPerUnit > 0 ? static_cast<int64_t>(std::floor(1.0 / pixelsPerUnit + 0.5))
                                      : kNeverRedraw;
  pollThreshold = kPollUnits;
  lastRedraw = 0;
  lastPoll = 0;
  if (!visible) {
    SetVisible(true);
  } else {
    Item_InvalidateShape(this, kPaintNow);
  }
}

void T_ProgressIndicator::Advance(int64_t units) {
  done += units;
  if (done >= redrawThreshold) {
    Recompute();
  } else if (done >= pollThreshold) {
    Poll();
  }
}

void T_ProgressIndicator::Finish() {
  filled = width;
  lastRedraw = TickCount();
  Item_InvalidateShape(this, kPaintNow);
}

void T_ProgressIndicator::Recompute() {
  Poll();
  double exact = std::floor(static_cast<double>(done) * pixelsPerUnit + 0.5);
  // More units than announced never fill past the end.
  filled = exact >= width ? width : exact < 0 ? 0 : static_cast<int32_t>(exact);
  redrawThreshold = pixelsPerUnit > 0
                        ? static_cast<int64_t>(std::floor((filled + 1) / pixelsPerUnit + 0.5))
                        : kNeverRedraw;
  uint64_t now = TickCount();
  if (now - lastRedraw >= kProgressInterval || filled >= width) {
    lastRedraw = now;
    Item_InvalidateShape(this, kPaintNow);
  }
}

void T_ProgressIndicator::Poll() {
  pollThreshold = done + kPollUnits;
  uint64_t now = TickCount();
  if (now - lastPoll < kProgressInterval) return;
  lastPoll = now;
  if (ModalLoopRunning() && window && window->native.handle) {
    Drain(&window->native);
  } else {
    PumpMessages();
  }
}

void T_ProgressIndicator::DrawContent() { DrawProgressBar(&content, filled); }
