#include "ui/tab_strip.h"

#include "core/message_pump.h"
#include "ui/aa_drawing.h"
#include "ui/button.h"
#include "ui/control_parts.h"
#include "ui/event_record.h"
#include "ui/frame_items.h"
#include "ui/graphics_port.h"
#include "ui/item_drawing.h"
#include "ui/slide_bar.h"
#include "ui/text_layout.h"
#include "ui/window.h"

namespace {

constexpr int32_t kTabMinWidth = 12;
constexpr int32_t kTabGap = 11;
constexpr int32_t kTabExtra = 8;
constexpr int32_t kTabLeft = 10;
constexpr int32_t kTabTop = -14;
constexpr int32_t kTabBottom = -2;
constexpr int32_t kMostOverlap = -23;
constexpr int32_t kHitMargin = 3;

void SendTabEvent(T_Tab* strip, TabEvent* record) {
  TabEvent* outer = strip->event;
  strip->event = record;
  strip->OnTabEvent(strip, static_cast<int32_t>(record->code));
  strip->event = outer;
}

bool PageEnabled(T_Tab* strip, int32_t page) { return Tab_Describe(strip, page).enabled != 0; }

bool HitsTab(const RECT* tab, POINT point) {
  RECT grown = *tab;
  RectInflate(&grown, kHitMargin);
  return PtInRect(&grown, point) != 0;
}

// The gradients of the newer look's tabs other than the current one: four stops and an edge.
void PaintTabGradient(const RECT* rect, int32_t state) {
  static const uint32_t kDisabled[5] = {0xFFF2F2F2, 0xFFF2F2F2, 0xFFF2F2F2, 0xFFF2F2F2, 0xFFC8C8C8};
  static const uint32_t kNormal[5] = {0xFFF2F2F2, 0xFFEBEBEB, 0xFFDDDDDD, 0xFFCFCFCF, 0xFF959595};
  static const uint32_t kPressed[5] = {0xFFE4F3FB, 0xFFC4E5F6, 0xFF98D1EF, 0xFF68B2DA, 0xFF18598A};
  static const uint32_t kHovered[5] = {0xFFECF5FA, 0xFFE6F2F8, 0xFFCEE7F4, 0xFFBBDBED, 0xFF3C7FB1};
  const uint32_t* set = state == 0   ? kDisabled
                        : state == 4 ? kPressed
                        : state == 5 ? kHovered
                                     : kNormal;
  PaintTwoToneGradient(rect, false, set, 0);
  RECT edge = *rect;
  RectInflate(&edge, 1);
  edge.bottom -= 1;
  AaRectOutline(&edge, set[4]);
}

}  // namespace

// --- T_Tab
// ----------------------------------------------------------------------------------------

T_Tab::T_Tab(T_EventHandler* parent, const XYWH& rect, uint32_t id, int32_t pages,
             int32_t initialPage, bool open)
    : T_Item(kKindTabStrip, parent, rect, id),
      pageCount(pages < 0              ? 0
                : pages > kTabMaxPages ? kTabMaxPages
                                       : pages),
      pendingPage(initialPage) {
  eraseFrame = 0;
  BuildShape();
  if (open) EventHandler_Open(this);
}

T_Tab::~T_Tab() {
  if (opened) EventHandler_CloseElement(this);
  delete scrollBar;
  scrollBar = nullptr;
}

void T_Tab::BuildShape() {
  SetRectRgn(shape, content.left - 2, content.top - 18, content.right + 2, content.bottom + 2);
}

bool T_Tab::AcceptsFocus() { return true; }

void T_Tab::SetScrollable(bool on) {
  if ((scrolling != 0) == on) return;
  scrolling = on ? 1 : 0;
  Tab_UpdateScrollBar(this);
}

TabEvent Tab_Describe(T_Tab* strip, int32_t page) {
  TabEvent record;
  record.code = kTabDescribe;
  record.strip = strip;
  record.page = page;
  SendTabEvent(strip, &record);
  return record;
}

void Tab_Select(T_Tab* strip, int32_t page) {
  if (page == strip->currentPage || page >= strip->pageCount || page < -1) return;
  int32_t old = strip->currentPage;
  strip->currentPage = page;
  T_Window* window = strip->window;
  if (window && window->focusedItem) window->focusedItem->CommitEdit();
  TabEvent record;
  record.code = kTabChanged;
  record.strip = strip;
  record.page = page;
  record.oldPage = old;
  SendTabEvent(strip, &record);
  Tab_Layout(strip, true);
  if (page >= 0 && old >= 0) {
    RECT both;
    UnionRect(&both, &strip->tabRects[page], &strip->tabRects[old]);
    RectInflateXY(&both, 8, 4);
    GrafElement_InvalidateRect(strip, &both, kPaintChildren);
  }
  Tab_InvalidateRow(strip);
  window = strip->window;
  if (window && window->focusedItem && window->focusedItem->kind == kKindEdit &&
      Items()->selectAll) {
    Items()->selectAll(window->focusedItem);
  }
}

void Tab_Step(T_Tab* strip, int32_t step) {
  int32_t count = strip->pageCount;
  int32_t found = -1;
  if (step < -1) {
    for (int32_t p = 0; p < count && found < 0; ++p) {
      if (PageEnabled(strip, p)) found = p;
    }
  } else if (step > 1) {
    for (int32_t p = count - 1; p >= 0 && found < 0; --p) {
      if (PageEnabled(strip, p)) found = p;
    }
  } else if (step == -1) {
    for (int32_t p = strip->currentPage - 1; p >= 0 && found < 0; --p) {
      if (PageEnabled(strip, p)) found = p;
    }
  } else if (step == 1) {
    for (int32_t p = strip->currentPage + 1; p < count && found < 0; ++p) {
      if (PageEnabled(strip, p)) found = p;
    }
  }
  if (found >= 0) Tab_Select(strip, found);
}

int32_t Tab_HitTest(T_Tab* strip, POINT point) {
  int32_t current = strip->currentPage;
  for (int32_t p = current + 1; p < strip->pageCount; ++p) {
    if (HitsTab(&strip->tabRects[p], point) && PageEnabled(strip, p)) return p;
  }
  for (int32_t p = current - 1; p >= 0; --p) {
    if (HitsTab(&strip->tabRects[p], point) && PageEnabled(strip, p)) return p;
  }
  return -1;
}

void Tab_Layout(T_Tab* strip, bool invalidate) {
  if (!strip->opened) return;
  int32_t count = strip->pageCount;
  int32_t widths[kTabMaxPages];
  int32_t extras[kTabMaxPages];
  int64_t excess =
      static_cast<int64_t>(count) * kTabGap + 9 - (strip->content.right - strip->content.left);
  for (int32_t p = 0; p < count; ++p) {
    TabEvent page = Tab_Describe(strip, p);
    int32_t w =
        page.text && page.text[0] ? TextWidthInStyle(&strip->style, page.text) + 1 : kTabMinWidth;
    widths[p] = w < kTabMinWidth ? kTabMinWidth : w;
    extras[p] = page.extraSpace ? kTabExtra : 0;
    excess += widths[p] + extras[p];
  }
  int32_t current = strip->currentPage;
  if (count >= 2) {
    while (excess > 0) {
      int32_t widest = -1;
      for (int32_t p = 0; p < count; ++p) {
        if (p == current || widths[p] <= kTabMinWidth) continue;
        if (widest < 0 || widths[p] > widths[widest]) widest = p;
      }
      if (widest < 0) break;
      --widths[widest];
      --excess;
    }
  }
  int32_t overlap = 0;
  if (excess > 0 && count >= 2) {
    int64_t d = -((excess + count - 2) / (count - 1));
    if (d < kMostOverlap) d = kMostOverlap;
    overlap = static_cast<int32_t>(d);
    int64_t rest = excess + static_cast<int64_t>(count - 1) * d;
    if (rest > 0 && current >= 0) {
      int64_t w = widths[current] - rest;
      widths[current] = static_cast<int32_t>(w < kTabMinWidth ? kTabMinWidth : w);
    }
  }
  int32_t x = kTabLeft;
  for (int32_t p = 0; p < count; ++p) {
    int32_t left = x + extras[p];
    RECT now{left, kTabTop, left + widths[p], kTabBottom};
    if (invalidate && !EqualRect(&now, &strip->tabRects[p])) {
      Tab_InvalidateTab(strip, p);
      strip->tabRects[p] = now;
      Tab_InvalidateTab(strip, p);
    }
    strip->tabRects[p] = now;
    x = now.right + kTabGap + overlap;
  }
}

void Tab_InvalidateTab(T_Tab* strip, int32_t page) {
  if (page < 0 || page >= strip->pageCount) return;
  const RECT& tab = strip->tabRects[page];
  RECT area{tab.left - 8, -18, tab.right + 8, 0};
  GrafElement_InvalidateRect(strip, &area, kPaintChildren);
}

void Tab_InvalidateRow(T_Tab* strip) {
  RECT row{-2, -18, strip->width + 2, 0};
  GrafElement_InvalidateRect(strip, &row, kPaintChildren);
}

void Tab_UpdateScrollBar(T_Tab* strip) {
  if (!strip->scrolling) {
    if (strip->scrollBar && strip->opened) {
      int32_t position = static_cast<int32_t>(strip->scrollBar->first);
      T_Slidebar* old = strip->scrollBar;
      strip->scrollBar = nullptr;
      for (T_GrafElement* child = strip->firstChild; child; child = child->next) {
        if (child != old && position) child->MoveBy(0, position);
      }
      delete old;
    }
    return;
  }
  ScrollBarUpdate(strip, &strip->scrollBar, false);
}

int32_t Tab_ScrollOffset(const T_Tab* strip) {
  return strip->scrolling && strip->scrollBar ? static_cast<int32_t>(strip->scrollBar->first) : 0;
}

int32_t Tab_State(T_Tab* strip, int32_t page, bool enabled) {
  if (!enabled || !strip->enabled) return 0;
  if (page == strip->pressedPage) return 4;
  if (page == strip->currentPage) return Item_HasFocusInActiveWindow(strip) ? 3 : 2;
  if (page == strip->hoveredPage) return 5;
  return 1;
}

void T_Tab::Notify(int32_t code) {
  T_Item::Notify(code);
  switch (code) {
    case kNotifyOpened:
      if (parent && parent->opened && pendingPage >= 0) {
        int32_t page = pendingPage;
        pendingPage = -1;
        Tab_Select(this, page);
      }
      Tab_Layout(this, false);
      if (scrolling) Tab_UpdateScrollBar(this);
      break;
    case kNotifyClosed:
      if (currentPage >= 0) Tab_Select(this, -1);
      break;
    case kNotifyEnabled:
      Item_InvalidateShape(this, 0);
      break;
    case kNotifyFocus:
      if (currentPage >= 0) {
        const RECT& tab = tabRects[currentPage];
        RECT area{tab.left - 8, -18, tab.right + 8, 0};
        GrafElement_InvalidateRect(this, &area, kPaintNow | kPaintChildren);
      }
      break;
    case kNotifyLanguage:
      Tab_Layout(this, true);
      Tab_InvalidateRow(this);
      break;
    default:
      break;
  }
}

void T_Tab::NotifyFromParent(int32_t code) {
  T_Item::NotifyFromParent(code);
  if (code == kNotifyOpened && pendingPage >= 0) {
    int32_t page = pendingPage;
    pendingPage = -1;
    Tab_Select(this, page);
    Tab_Layout(this, false);
  }
}

void T_Tab::NotifyFromChild(int32_t code, T_GrafElement* child) {
  T_Item::NotifyFromChild(code, child);
  if (code == kNotifyVisibility && scrolling && child != scrollBar &&
      !dynamic_cast<T_Slidebar*>(child)) {
    Tab_UpdateScrollBar(this);
  }
}

void T_Tab::OnHover(InputEvent* input, int32_t code) {
  int32_t page = code == kHoverLeft ? -1 : Tab_HitTest(this, POINT{input->x, input->y});
  if (page == hoveredPage) return;
  int32_t old = hoveredPage;
  hoveredPage = page;
  if (ItemLookClass() < 2) return;
  Tab_InvalidateTab(this, old);
  Tab_InvalidateTab(this, page);
  Tab_InvalidateRow(this);
}

bool T_Tab::MouseDown(InputEvent* input, T_GrafElement* target) {
  if (T_Item::MouseDown(input, target)) return true;
  if (!enabled || target != this) return false;
  int32_t page = Tab_HitTest(this, POINT{input->x, input->y});
  if (page < 0) return false;
  InputEvent poll = *input;
  bool on = true;
  for (;;) {
    Item_PollPointer(this, &poll);
    on = HitsTab(&tabRects[page], POINT{poll.x, poll.y});
    int32_t shown = on ? page : -1;
    if (shown != pressedPage) {
      pressedPage = shown;
      Tab_InvalidateTab(this, page);
      Tab_InvalidateRow(this);
    }
    if (!poll.leftButton) break;
  }
  SetBusyDeadline();
  pressedPage = -1;
  Tab_InvalidateTab(this, page);
  if (on) Tab_Select(this, page);
  return true;
}

bool T_Tab::OnWheel(InputEvent* input, int32_t lines) {
  if (T_Item::OnWheel(input, lines)) return true;
  if (!scrolling || !scrollBar) return false;
  scrollBar->OnWheel(input, lines);
  return true;
}

bool T_Tab::KeyDown(InputEvent* input, T_GrafElement* target) {
  if (T_Item::KeyDown(input, target)) return true;
  if (!focus) return false;
  switch (input->keyCode) {
    case kKeyHome:
      Tab_Step(this, -9);
      return true;
    case kKeyEnd:
      Tab_Step(this, 9);
      return true;
    case kKeyPageUp:
    case kKeyLeft:
      Tab_Step(this, -1);
      return true;
    case kKeyPageDown:
    case kKeyRight:
      Tab_Step(this, 1);
      return true;
    case kKeyEscape:
      if (window) Window_DropFocus(window);
      return true;
    default:
      return false;
  }
}

void T_Tab::OnSlidebarEvent(T_GrafElement* bar, SlidebarEvent* record) {
  if (!scrollBar || bar != scrollBar) {
    T_Item::OnSlidebarEvent(bar, record);
    return;
  }
  ScrollBarAnswer(this, scrollBar, record);
}

void T_Tab::OnResized(int32_t dw, int32_t dh) {
  if (dw) {
    Item_Reshape(this, 0);
    Tab_Layout(this, true);
    Tab_InvalidateRow(this);
    if (scrollBar) scrollBar->MoveBy(dw, 0);
  }
  if (dh) {
    if (scrollBar) scrollBar->ResizeBy(0, dh);
    if (scrolling) Tab_UpdateScrollBar(this);
  }
}

void T_Tab::DrawContent() {
  TabEvent record;
  record.code = kTabDrawPage;
  record.strip = this;
  record.page = currentPage;
  SendTabEvent(this, &record);
}

void T_Tab::DrawFrame() {
  int32_t look = ItemLookClass();
  T_GrafElement* owner = Parent();
  int32_t savedBack = Gfx.backColour;
  PortSetBackIndex(owner ? static_cast<int32_t>(owner->backColour) : savedBack);
  RECT strip{-2, -18, width + 2, -2};
  RectErase(&strip);
  RECT corner{width + 2, -18, width + 4, 0};
  RectErase(&corner);
  PortSetBackIndex(savedBack);

  // The page border stops under the current tab, which joins the page.
  HRGN savedClip = CreateRectRgn(0, 0, 0, 0);
  bool clipped = Gfx.clip && CombineRgn(savedClip, Gfx.clip, nullptr, RGN_COPY) != ERROR;
  if (clipped && currentPage >= 0) {
    RECT cut = tabRects[currentPage];
    RectInflateXY(&cut, 5, 2);
    HRGN narrowed = CreateRectRgn(0, 0, 0, 0);
    HRGN hole = CreateRectRgnIndirect(&cut);
    CombineRgn(narrowed, savedClip, hole, RGN_DIFF);
    PortSetClip(narrowed);
    DeleteObject(hole);
    DeleteObject(narrowed);
  }
  T_ForeIndex fore(kColourBlack);
  if (look <= 1) {
    RECT border = content;
    RectInflate(&border, 2);
    RectFrame(&border);
    RectInflate(&border, -1);
    fore.Set(kColourWhite);
    EdgeTopLeft(&border);
    fore.Set(6);
    EdgeBottomRight(&border);
  } else {
    RECT border = content;
    RectInflate(&border, 1);
    fore.Set(kColourWhite);
    EdgeTopLeft(&border);
    RECT moved = border;
    OffsetRect(&moved, -1, -1);
    fore.Set(look == 2 ? 29 : 6);
    RectFrame(&moved);
    fore.Set(look == 2 ? 30 : kColourWhite);
    EdgeBottomRight(&border);
  }
  if (clipped) PortSetClip(savedClip);
  DeleteObject(savedClip);

  for (int32_t p = 0; p < currentPage; ++p) DrawTab(p);
  for (int32_t p = pageCount - 1; p >= 0 && p >= currentPage; --p) DrawTab(p);
}

void T_Tab::DrawTab(int32_t page) {
  TabEvent describe = Tab_Describe(this, page);
  int32_t state = Tab_State(this, page, describe.enabled != 0);
  const RECT& tab = tabRects[page];
  int32_t look = ItemLookClass();
  if (look <= 1) {
    PaintTab(&tab, describe.text, state);
    return;
  }
  bool current = state == 2 || state == 3;
  RECT titleRect = tab;
  RECT background = look == 2 ? RECT{tab.left - 5, tab.top - 3, tab.right + 5, -1}
                              : RECT{tab.left - 6, tab.top - 3, tab.right + 5, -1};
  if (look == 2) {
    if (current) {
      RECT wide{background.left - 1, background.top, background.right + 1, 0};
      RectErase(&wide);
      RECT face = wide;
      RectInflate(&face, 1);
      face.bottom = -1;
      PaintTabHighlight(&face, state);
      OffsetRect(&titleRect, 0, -1);
    } else {
      RECT inner = background;
      RectInflate(&inner, -1);
      if (state == 4) {
        RectFillColour(&inner, 4);
      } else {
        RectErase(&inner);
      }
      PaintTabHighlight(&background, state);
    }
  } else if (current) {
    RECT face = background;
    RectInflate(&face, 1);
    face.bottom = -1;
    PaintTabHighlight(&face, state);
    RECT inner = background;
    RectInflate(&inner, -1);
    inner.bottom = 0;
    RectErase(&inner);
    OffsetRect(&titleRect, 0, -1);
  } else {
    PaintTabHighlight(&background, state);
    RECT inner = background;
    RectInflate(&inner, -1);
    PaintTabGradient(&inner, state);
  }
  uint16_t oldAlign = TextSetAlign(kStyleCentre | kStyleMiddle);
  T_ForeIndex fore(kColourBlack);
  DrawTextEtched(&titleRect, describe.text, state != 0);
  TextSetAlign(oldAlign);
  if (state == 3) {
    RECT ring = background;
    RectInflateXY(&ring, -2, -1);
    RectFrameDotted(&ring);
  }
}
