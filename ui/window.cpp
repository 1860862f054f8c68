#include "ui/window.h"

#include <cstring>

#include "core/alert.h"
#include "core/localized_text.h"
#include "core/memory.h"
#include "core/owned_text.h"
#include "core/text_buffer.h"
#include "core/threads.h"
#include "ui/application.h"
#include "ui/element_paint.h"
#include "ui/event_record.h"
#include "ui/main_loop.h"
#include "ui/native_window.h"
#include "ui/page_setup.h"
#include "ui/printing.h"

namespace {

ItemOperations items{};
T_Window* modalList = nullptr;

constexpr uint64_t kFocusRingTimeout = 20000;

bool CanTakeFocus(T_GrafElement* element) { return items.canTakeFocus && items.canTakeFocus(element); }
uint32_t ButtonFlags(T_GrafElement* element) {
  return element->kind == kKindButton && items.buttonFlags ? items.buttonFlags(element) : 0;
}
bool IsEnabled(T_GrafElement* element) { return !items.isEnabled || items.isEnabled(element); }

// Sibling order of the tab walk: the item layer's order, else list order.
bool Before(T_GrafElement* a, T_GrafElement* b) {
  if (items.compareOrder) return items.compareOrder(a, b, kFocusForward) < 0;
  for (T_GrafElement* e = a->next; e; e = e->next) {
    if (e == b) return true;
  }
  return false;
}

// The visible sibling that comes right after (or before) the element in order.
T_GrafElement* SiblingInOrder(T_GrafElement* element, bool forward) {
  T_GrafElement* best = nullptr;
  for (T_GrafElement* s = element->parent ? element->parent->firstChild : nullptr; s; s = s->next) {
    if (s == element || !s->visible) continue;
    bool candidate = forward ? Before(element, s) : Before(s, element);
    if (!candidate) continue;
    if (!best || (forward ? Before(s, best) : Before(best, s))) best = s;
  }
  return best;
}

T_GrafElement* FirstChildInOrder(T_GrafElement* element, bool last) {
  T_GrafElement* best = nullptr;
  for (T_GrafElement* c = element->firstChild; c; c = c->next) {
    if (!c->visible) continue;
    if (!best || (last ? Before(best, c) : Before(c, best))) best = c;
  }
  return best;
}

T_GrafElement* LastDescendant(T_GrafElement* element) {
  while (T_GrafElement* last = FirstChildInOrder(element, true)) element = last;
  return element;
}

T_GrafElement* TabStep(T_GrafElement* element, T_Window* window, bool forward) {
  if (forward) {
    if (T_GrafElement* child = FirstChildInOrder(element, false)) return child;
    for (T_GrafElement* e = element; e && e != window; e = e->Parent()) {
      if (T_GrafElement* s = SiblingInOrder(e, true)) return s;
    }
    return window;
  }
  if (element == window) return LastDescendant(window);
  if (T_GrafElement* s = SiblingInOrder(element, false)) return LastDescendant(s);
  T_GrafElement* parent = element->Parent();
  return parent ? parent : window;
}

// Walks the window's elements in tab order and returns the first that the test accepts.
template <typename Test>
T_GrafElement* FindInTabOrder(T_Window* window, Test test) {
  T_GrafElement* e = window;
  for (int32_t guard = 0; guard < 100000; ++guard) {
    e = TabStep(e, window, true);
    if (e == window) return nullptr;
    if (test(e)) return e;
  }
  return nullptr;
}

}  // namespace

void SetItemOperations(const ItemOperations* operations) { items = operations ? *operations : ItemOperations{}; }
const ItemOperations* Items() { return &items; }
T_Window* ModalListFirst() { return modalList; }

// --- Placement --------------------------------------------------------------------------------

void WindowFramedArea(uint32_t kind, const RECT* area, RECT* framed) {
  int32_t frame = 0;
  int32_t caption = 0;
  NativeFrameSize(kind, &frame, &caption);
  *framed = *area;
  InflateRect(framed, frame - 1, frame - 1);
  framed->top += caption - 1;
}

void WindowPlace(uint32_t kind, RECT* rect, const RECT* area, const RECT* framed, const POINT* others,
                 int32_t otherCount, bool* fillFrame) {
  int32_t left = rect->left;
  int32_t top = rect->top;
  int32_t width = rect->right;
  int32_t height = rect->bottom;
  *fillFrame = false;
  if (width == 0) {
    *fillFrame = true;
    *rect = *area;
    return;
  }
  const RECT& a = *framed;
  int32_t areaWidth = a.right - a.left;
  int32_t areaHeight = a.bottom - a.top;
  if (width > areaWidth) width = areaWidth;
  if (height > areaHeight) height = areaHeight;
  if (left != 0 || top != 0) {
    if (left + width > a.right) left = a.right - width;
    if (top + height > a.bottom) top = a.bottom - height;
    if (left < a.left) left = a.left;
    if (top < a.top) top = a.top;
  } else if (kind != kKindDialog) {
    bool found = false;
    for (int32_t runTop = a.top + 4; !found && runTop + height <= a.bottom; runTop += 24) {
      for (int32_t cx = a.left + 4, cy = runTop; cx + width <= a.right && cy + height <= a.bottom;
           cx += 14, cy += 20) {
        bool taken = false;
        for (int32_t i = 0; i < otherCount && !taken; ++i) {
          int32_t dx = others[i].x - cx;
          int32_t dy = others[i].y - cy;
          taken = dx > -8 && dx < 8 && dy > -8 && dy < 8;
        }
        if (!taken) {
          left = cx;
          top = cy;
          found = true;
          break;
        }
      }
    }
    if (!found) {
      int32_t freeWidth = areaWidth - width;
      int32_t freeHeight = areaHeight - height;
      left = a.left + (freeWidth < 1 ? 0 : (freeWidth < 4 ? freeWidth : 4));
      top = a.top + (freeHeight < 1 ? 0 : (freeHeight < 4 ? freeHeight : 4));
    }
  } else {
    left = (a.left + a.right - width) / 2;
    int32_t band = a.top + areaWidth * 3 / 4;
    top = (a.top + (a.bottom < band ? a.bottom : band) - height) / 2;
  }
  *rect = {left, top, left + width, top + height};
}

// --- T_Window ---------------------------------------------------------------------------------

T_Window::T_Window(uint32_t kind, const RECT* rect, uint32_t iconId, T_Window* owner, bool openNow)
    : T_GrafElement(kind, App()), iconId(iconId), owner(owner) {
  window = this;
  native.window = this;
  if (owner) linkContext = owner->linkContext;
  RECT area;
  RECT framed;
  AvailableArea(&area);
  WindowFramedArea(kind, &area, &framed);
  POINT others[64];
  int32_t count = 0;
  if (parent) {
    for (T_GrafElement* w = parent->firstChild; w && count < 64; w = w->next) {
      if (w != this) others[count++] = {w->x, w->y};
    }
  }
  RECT placed = *rect;
  bool fill = false;
  WindowPlace(kind, &placed, &area, &framed, others, count, &fill);
  native.fillFrame = fill ? 1 : 0;
  x = placed.left;
  y = placed.top;
  width = placed.right - placed.left;
  height = placed.bottom - placed.top;
  content = {0, 0, width, height};
  SetRectRgn(region, 0, 0, width, height);
  if (openNow) EventHandler_Open(this);
}

T_Window::~T_Window() {
  if (opened) EventHandler_CloseElement(this);
  focusedItem = nullptr;
  DestroyChildren();
  for (T_Window** link = &modalList; *link; link = &(*link)->nextModal) {
    if (*link == this) {
      *link = nextModal;
      break;
    }
  }
  if (native.handle) NativeDestroy(this);
  BlockTextFree(&title);
  if (native.printerSetup) GlobalFree(native.printerSetup);
}

void T_Window::Notify(int32_t code) {
  T_GrafElement::Notify(code);
  switch (code) {
    case kNotifyVisibility:
      if (visible) {
        if (!native.handle) NativeCreate(this);
        NativeShow(this, true);
      } else if (native.handle) {
        NativeShow(this, false);
        NativeDestroy(this);
      }
      break;
    case kNotifyActivation: {
      SetIdleInterval(0);
      T_Application* app = App();
      if (active && app && app->active && !native.nativeActive) NativeActivate(this);
      if (!active) focusRingShown = 0;
      Notify(kNotifyWindowActivation);
      if (focusedItem) focusedItem->Notify(kNotifyFocusInActive);
      break;
    }
    case kNotifyTick:
      if (focusRingShown && TickCount() - lastPressTime > kFocusRingTimeout) focusRingShown = 0;
      break;
    case kNotifyLanguage:
      if (titleId) SetTitleId(titleId);
      break;
    default:
      break;
  }
  if ((code == kNotifyOpened || code == kNotifyVisibility) && visible) {
    UpdateRegions(false);
    if (kind == kKindDialog && !focusedItem) {
      T_GrafElement* first =
          FindInTabOrder(this, [](T_GrafElement* e) { return e->kind != kKindButton && CanTakeFocus(e); });
      if (first) {
        first->FocusNext(kFocusForward);
        if (items.selectAll && focusedItem == first) items.selectAll(first);
      }
    }
  }
}

void T_Window::UpdateCommands() {
  T_GrafElement::UpdateCommands();
  if (const MenuOperations* menus = Menus(); menus->enableCommand) {
    menus->enableCommand(kCommandPageSetup, true);
    menus->enableCommand(kCommandCloseWindow, true);
    bool minimised = native.handle && IsIconic(native.handle);
    if (kind == kKindDocument && !minimised) menus->enableCommand(kCommandZoom, true);
  }
}

bool T_Window::DoCommand(int32_t command) {
  switch (command) {
    case kCommandZoom:
      Window_Zoom(this);
      return true;
    case kCommandCloseWindow:
      EventHandler_RequestClose(this, 0);
      return true;
    case kCommandPageSetup:
      Window_PageSetup(this, false);
      return true;
    case kCommandPrint:
      Window_Print(this, false);
      return true;
    default:
      return T_GrafElement::DoCommand(command);
  }
}

bool T_Window::MouseDown(InputEvent* event, T_GrafElement* target) {
  lastPressTime = event->time;
  T_GrafElement* taker = nullptr;
  for (T_GrafElement* e = target; e && e != this; e = e->Parent()) {
    if (CanTakeFocus(e)) {
      taker = e;
      break;
    }
  }
  if (taker) {
    if (taker != focusedItem) taker->FocusNext(kFocusForward);
  } else {
    Window_DropFocus(this);
  }
  if (target != this && target->CanActivate()) target->Activate();
  return T_GrafElement::MouseDown(event, target);
}

bool T_Window::KeyDown(InputEvent* event, T_GrafElement* target) {
  if (T_GrafElement::KeyDown(event, target)) return true;
  lastPressTime = event->time;
  switch (event->keyCode) {
    case kKeyTab: {
      focusRingShown = 1;
      T_GrafElement* before = focusedItem;
      Window_FocusStep(focusedItem ? focusedItem : this, event->shift ? kFocusBackward : kFocusForward);
      if (focusedItem && focusedItem != before && items.selectAll) items.selectAll(focusedItem);
      return true;
    }
    case kKeyEnter:
    case kKeyKeypadEnter: {
      if (event->keyCode == kKeyEnter && focusedItem && items.isMultiLineEdit &&
          items.isMultiLineEdit(focusedItem)) {
        return false;
      }
      T_GrafElement* button = Window_DefaultButton(this);
      if (!button) return false;
      if (IsEnabled(button) && items.press) items.press(button);
      return true;
    }
    case kKeyEscape: {
      T_GrafElement* button = Window_CancelButton(this);
      if (!button) return false;
      if (IsEnabled(button) && items.press) items.press(button);
      return true;
    }
    default:
      return false;
  }
}

bool T_Window::QueryClose(int32_t code) {
  for (T_Window* modal = modalList; modal; modal = modal->nextModal) {
    if (modal->owner == this) {
      modal->Activate();
      return false;
    }
  }
  Window_DropFocus(this);
  return T_EventHandler::QueryClose(code);
}

void T_Window::GetMaxRect(RECT* rect) {
  RECT area;
  RECT framed;
  AvailableArea(&area);
  WindowFramedArea(kind, &area, &framed);
  RECT r = content;
  OffsetRect(&r, x, y);
  IntersectRect(&r, &r, &framed);
  OffsetRect(&r, -x, -y);
  *rect = r;
}

bool T_Window::CanActivate() { return visible != 0; }

void T_Window::BringToFront() {
  if (!visible || !parent) return;
  bool behindTopmost = false;
  if (!topmost) {
    for (T_GrafElement* s = parent->firstChild; s; s = s->next) behindTopmost |= s != this && s->topmost;
  }
  if (!behindTopmost) NativeBringToTop(this);
  T_EventHandler* owner = parent;
  T_GrafElement* activeChild = owner->activeChild;
  UnlinkChild(this);
  if (topmost) {
    LinkChildFront(owner, this);
  } else {
    LinkChildBehindTopmost(owner, this);
  }
  owner->activeChild = activeChild;
}

void T_Window::ComputeRegion() {
  SetRectRgn(region, content.left, content.top, content.right, content.bottom);
  HRGN shape = CreateRectRgn(0, 0, 0, 0);
  HRGN bounds = CreateRectRgn(content.left, content.top, content.right, content.bottom);
  for (T_GrafElement* child = firstChild; child; child = child->next) {
    if (!child->visible) continue;
    SetRectRgn(shape, -32768, -32768, 32767, 32767);
    child->ClipToShape(shape);
    OffsetRgn(shape, child->x, child->y);
    CombineRgn(shape, shape, bounds, RGN_AND);
    CombineRgn(region, region, shape, RGN_DIFF);
  }
  DeleteObject(shape);
  DeleteObject(bounds);
  regionValid = 1;
}

void T_Window::UpdateRegions(bool force) {
  if (!regionValid) force = true;
  if (force) ComputeRegion();
  for (T_GrafElement* child = firstChild; child; child = child->next) child->UpdateRegions(force);
}

void T_Window::OffsetRegion(int32_t, int32_t, int32_t dw, int32_t dh) {
  if (native.handle) NativeFollowElement(this);
  if (dw || dh) regionValid = 0;
}

void T_Window::ClipToShape(HRGN shape) {
  HRGN bounds = CreateRectRgn(content.left, content.top, content.right, content.bottom);
  CombineRgn(shape, shape, bounds, RGN_AND);
  DeleteObject(bounds);
}

// Native windows keep what covers them out of their paint themselves.
void T_Window::ClipToVisible(HRGN) {}

void T_Window::Print(void*) {}

// --- Titles -----------------------------------------------------------------------------------

void T_Window::ApplyTitle() {
  if (native.handle) NativeSetTitle(this);
  if (opened) Notify(kNotifyTitle);
}

void T_Window::SetTitleId(int32_t textId) {
  BlockTextAssign(&title, GetString(textId));
  titleId = textId;
  ApplyTitle();
}

void T_Window::SetTitleCopy(const char* text) {
  BlockTextAssign(&title, text);
  titleId = 0;
  ApplyTitle();
}

void T_Window::SetTitleBlock(char* block) {
  BlockTextFree(&title);
  title = block;
  titleId = 0;
  ApplyTitle();
}

void T_Window::SetTitleBuf(const T_TextBuf* text) { SetTitleCopy(text->data); }

// --- Focus and buttons ------------------------------------------------------------------------

void Window_DropFocus(T_Window* window) {
  T_GrafElement* item = window->focusedItem;
  if (!item) return;
  if (items.setFocus) items.setFocus(item, false);
  window->focusedItem = nullptr;
}

void Window_FocusStep(T_GrafElement* from, int32_t flags) {
  T_Window* window = from->window;
  if (!window) return;
  bool forward = flags != kFocusBackward;
  T_GrafElement* e = from;
  int32_t windowPasses = 0;
  for (int32_t guard = 0; guard < 100000; ++guard) {
    e = TabStep(e, window, forward);
    if (e == from) return;  // came back: nothing changes
    if (e == window) {
      if (++windowPasses > 1) return;
      continue;
    }
    if (CanTakeFocus(e)) {
      e->FocusNext(flags);
      return;
    }
  }
}

bool Window_FocusRingShown(T_Window* window) { return window->focusRingShown != 0; }
void Window_SetOwner(T_Window* window, T_Window* owner) { window->owner = owner; }

T_GrafElement* Window_DefaultButton(T_Window* window) {
  return FindInTabOrder(window, [](T_GrafElement* e) { return (ButtonFlags(e) & kButtonFlagDefault) != 0; });
}

T_GrafElement* Window_CancelButton(T_Window* window) {
  return FindInTabOrder(window, [](T_GrafElement* e) { return (ButtonFlags(e) & kButtonFlagCancel) != 0; });
}

T_GrafElement* Window_ButtonByLabel(T_Window* window, int32_t textId) {
  const char* label = GetString(textId);
  if (!label || !items.title) return nullptr;
  return FindInTabOrder(window, [label](T_GrafElement* e) {
    const char* title = e->kind == kKindButton ? items.title(e) : nullptr;
    return title && std::strcmp(title, label) == 0;
  });
}

bool Window_PressForQuit(T_Window* window, int32_t code) {
  T_GrafElement* button = code == 2 ? Window_DefaultButton(window)
                          : code == 3 ? Window_CancelButton(window)
                                      : nullptr;
  if (!button || !items.press) return false;
  items.press(button);
  return true;
}

bool Window_IsZoomed(T_Window* window) { return window->native.handle && NativeIsZoomed(window); }

void Window_Zoom(T_Window* window) {
  if (Window_IsZoomed(window)) {
    RECT restored;
    NativeRestore(window, &restored);
    window->previousFrame = restored;
  }
  RECT max;
  window->GetMaxRect(&max);
  POINT preferred{0, 0};
  window->GetPreferredSize(&preferred);
  int32_t w = preferred.x > 0 && preferred.x < max.right - max.left ? preferred.x : max.right - max.left;
  int32_t h = preferred.y > 0 && preferred.y < max.bottom - max.top ? preferred.y : max.bottom - max.top;
  RECT target{window->x + max.left, window->y + max.top, 0, 0};
  target.right = target.left + w;
  target.bottom = target.top + h;
  RECT current{window->x, window->y, window->x + window->width, window->y + window->height};
  if (EqualRect(&target, &current) && !IsRectEmpty(&window->previousFrame)) target = window->previousFrame;
  window->MoveToRect(target.left, target.top, target.right - target.left, target.bottom - target.top);
  window->previousFrame = current;
}

void Window_RunModal(T_Window* window) {
  window->nextModal = nullptr;
  T_Window** link = &modalList;
  while (*link) link = &(*link)->nextModal;
  *link = window;
  if (window->visible && (window->runUnattended || !AlertsUnattended())) {
    ModalLoop(&window->native);
  } else if (T_GrafElement* button = Window_DefaultButton(window)) {
    if (items.press) items.press(button);
  }
  for (link = &modalList; *link; link = &(*link)->nextModal) {
    if (*link == window) {
      *link = window->nextModal;
      break;
    }
  }
  window->nextModal = nullptr;
}

// --- Invalidation -----------------------------------------------------------------------------

void GrafElement_InvalidateRegion(T_GrafElement* element, HRGN region, int32_t flags) {
  T_Window* window = element->window;
  if (!element->visible || !window || !window->visible) return;
  HRGN r = CreateRectRgn(0, 0, 0, 0);
  CombineRgn(r, region, nullptr, RGN_COPY);
  if (!(flags & kPaintUnclipped)) {
    if (flags & kPaintChildren) {
      element->ClipToShape(r);
      element->ClipToVisible(r);
    } else {
      element->UpdateRegions(false);
      CombineRgn(r, r, element->region, RGN_AND);
    }
  }
  OffsetRgn(r, element->offsetX, element->offsetY);
  if (flags & kPaintPendingOnly) {
    HRGN pending = CreateRectRgn(0, 0, 0, 0);
    NativeGetUpdateRegion(window, pending);
    CombineRgn(r, r, pending, RGN_AND);
    DeleteObject(pending);
  }
  if ((flags & kPaintNow) && !window->PaintHeld()) {
    if (flags & kPaintUnclipped) {
      GrafElement_PaintTree(window, true, r);
    } else {
      GrafElement_PaintTree(element, (flags & kPaintChildren) != 0, r);
    }
    NativeValidateRegion(window, r);
  } else {
    NativeAddUpdateRegion(window, r);
  }
  DeleteObject(r);
}

void GrafElement_InvalidateRect(T_GrafElement* element, const RECT* rect, int32_t flags) {
  HRGN region = CreateRectRgnIndirect(rect);
  GrafElement_InvalidateRegion(element, region, flags);
  DeleteObject(region);
}

void GrafElement_Invalidate(T_GrafElement* element, int32_t flags) {
  GrafElement_InvalidateRect(element, &element->content, flags);
}
