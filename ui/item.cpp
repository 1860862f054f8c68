#include "ui/item.h"

#include <cstdlib>

#include "core/alert.h"
#include "core/threads.h"
#include "ui/application.h"
#include "ui/button.h"
#include "ui/event_record.h"
#include "ui/native_window.h"
#include "ui/regions.h"
#include "ui/window.h"

namespace {

ItemPointerSource pointerSource = nullptr;
int32_t lookOverride = -1;

// The element's shape in its parent's coordinates.
void ShapeInParent(T_GrafElement* element, HRGN out) {
  SetRectRgn(out, -32768, -32768, 32767, 32767);
  element->ClipToShape(out);
  OffsetRgn(out, element->x, element->y);
}

HRGN CopyRegion(HRGN source) {
  HRGN copy = CreateRectRgn(0, 0, 0, 0);
  CombineRgn(copy, source, nullptr, RGN_COPY);
  return copy;
}

// Both the item's own region and its parent's depend on the item's shape and place.
void MarkStale(T_Item* item) {
  item->regionValid = 0;
  if (T_GrafElement* parent = item->Parent()) parent->regionValid = 0;
}

// --- The window layer's hooks -------------------------------------------------------------------

bool HookCanTakeFocus(T_GrafElement* element) {
  T_Item* item = AsItem(element);
  return item && Item_CanTakeFocus(item);
}

void HookSetFocus(T_GrafElement* element, bool on) {
  if (T_Item* item = AsItem(element)) Item_SetFocus(item, on);
}

// The window walks its tab order with "negative: a comes first"; the item order answers with
// the sign of b against a.
int32_t HookCompareOrder(T_GrafElement* a, T_GrafElement* b, int32_t mode) {
  return -ItemCompareOrder(a, b, mode);
}

uint32_t HookButtonFlags(T_GrafElement* element) {
  T_Button* button = dynamic_cast<T_Button*>(element);
  if (!button) return 0;
  return (button->isDefault ? kButtonFlagDefault : 0) | (button->isCancel ? kButtonFlagCancel : 0);
}

bool HookIsEnabled(T_GrafElement* element) {
  T_Item* item = AsItem(element);
  return !item || item->enabled;
}

const char* HookTitle(T_GrafElement* element) {
  T_Button* button = dynamic_cast<T_Button*>(element);
  return button ? button->title.shown : nullptr;
}

void HookPress(T_GrafElement* element) {
  if (T_Button* button = dynamic_cast<T_Button*>(element)) {
    Button_Press(button, TickCount());
  } else if (T_Item* item = AsItem(element)) {
    item->Press();
  }
}

bool Installed() { return Items()->setFocus == HookSetFocus; }

}  // namespace

void ItemsInstall() {
  // The edit layer's two hooks stay as they are, whichever layer installs first.
  ItemOperations operations = *Items();
  operations.canTakeFocus = HookCanTakeFocus;
  operations.setFocus = HookSetFocus;
  operations.compareOrder = HookCompareOrder;
  operations.buttonFlags = HookButtonFlags;
  operations.isEnabled = HookIsEnabled;
  operations.title = HookTitle;
  operations.press = HookPress;
  SetItemOperations(&operations);
}

T_Item* AsItem(T_EventHandler* element) { return dynamic_cast<T_Item*>(element); }

// --- T_Item -----------------------------------------------------------------------------------

T_Item::T_Item(uint32_t kind, T_EventHandler* parent, const XYWH& rect, uint32_t id)
    : T_GrafElement(kind, parent), id(id) {
  if (!Installed()) ItemsInstall();
  x = rect.x;
  y = rect.y;
  width = rect.width;
  height = rect.height;
  offsetX += rect.x;
  offsetY += rect.y;
  content = {0, 0, rect.width, rect.height};
  shape = CreateRectRgn(0, 0, rect.width, rect.height);
  if (T_GrafElement* owner = Parent()) {
    backColour = owner->backColour;
    owner->regionValid = 0;
  }
  Item_UpdateEnabled(this);
}

T_Item::~T_Item() {
  if (opened) EventHandler_CloseElement(this);
  if (window && window->focusedItem == this) window->focusedItem = nullptr;
  DestroyChildren();
  if (T_GrafElement* owner = Parent()) owner->regionValid = 0;
  if (shape) DeleteObject(shape);
  shape = nullptr;
}

void T_Item::Notify(int32_t code) {
  if (code == kNotifyActivation && active && parent && !parent->active) parent->Activate();
  T_GrafElement::Notify(code);
  switch (code) {
    case kNotifyOpened:
      BuildShape();
      MarkStale(this);
      break;
    case kNotifyVisibility:
      Item_OnVisibilityChanged(this);
      break;
    case kNotifyEnabled:
      if (focus && !enabled && window) Window_DropFocus(window);
      break;
    case kNotifyFocusInActive:
      SetIdleInterval(0);
      break;
    default:
      break;
  }
}

void T_Item::NotifyFromParent(int32_t code) {
  T_GrafElement::NotifyFromParent(code);
  if (code == kNotifyOpened || code == kNotifyEnabled) Item_UpdateEnabled(this);
}

void T_Item::GetMaxRect(RECT* rect) {
  T_GrafElement* owner = Parent();
  *rect = owner ? owner->content : content;
  if (owner) OffsetRect(rect, -x, -y);
}

void T_Item::Activate() {
  if (parent && !parent->active) parent->Activate();
  T_GrafElement::Activate();
}

void T_Item::FocusNext(int32_t flags) {
  if (focus) {
    T_GrafElement::FocusNext(flags);
    return;
  }
  if (window) Window_DropFocus(window);
  if (Item_CanTakeFocus(this) && !AbortRequested()) {
    Activate();
    Item_SetFocus(this, true);
  }
}

void T_Item::BringToFront() {
  T_EventHandler* owner = parent;
  if (!owner || owner->firstChild == this) return;
  if (previous && previous->topmost) return;  // already right behind the topmost ones
  HRGN covered = CopyRegion(shape);
  if (visible) {
    if (!regionValid) ComputeRegion();
    CombineRgn(covered, shape, region, RGN_DIFF);
  }
  T_GrafElement* activeChild = owner->activeChild;
  UnlinkChild(this);
  LinkChildBehindTopmost(owner, this);
  owner->activeChild = activeChild;
  MarkStale(this);
  if (T_GrafElement* graf = Parent()) {
    graf->UpdateRegions(true);
  } else {
    UpdateRegions(true);
  }
  if (visible) GrafElement_InvalidateRegion(this, covered, 0);
  DeleteObject(covered);
}

void T_Item::ComputeRegion() {
  if (!visible) {
    SetRectRgn(region, 0, 0, 0, 0);
    regionValid = 1;
    return;
  }
  CombineRgn(region, shape, nullptr, RGN_COPY);
  ClipToVisible(region);
  HRGN part = CreateRectRgn(0, 0, 0, 0);
  HRGN inside = CreateRectRgnIndirect(&content);
  for (T_GrafElement* child = firstChild; child; child = child->next) {
    if (!child->visible) continue;
    ShapeInParent(child, part);
    CombineRgn(part, part, inside, RGN_AND);
    CombineRgn(region, region, part, RGN_DIFF);
  }
  DeleteObject(inside);
  DeleteObject(part);
  regionValid = 1;
}

void T_Item::UpdateRegions(bool force) {
  if (force || !regionValid) {
    ComputeRegion();
    force = true;
  }
  for (T_GrafElement* child = firstChild; child; child = child->next) child->UpdateRegions(force);
}

void T_Item::OffsetRegion(int32_t dx, int32_t dy, int32_t dw, int32_t dh) {
  HRGN area = CopyRegion(shape);
  bool moved = dx != 0 || dy != 0;
  if (moved) {
    GrafElement_ShiftWindowOffset(this, dx, dy);
    OffsetRgn(area, -dx, -dy);
  }
  BuildShape();
  CombineRgn(area, area, shape, RGN_OR);
  if (!moved) {
    // What both sizes cover looks the same; controls that redraw on a resize say so themselves.
    RECT kept = content;
    if (dw > 0) kept.right -= dw;
    if (dh > 0) kept.bottom -= dh;
    HRGN same = CreateRectRgnIndirect(&kept);
    CombineRgn(area, area, same, RGN_DIFF);
    DeleteObject(same);
  }
  ClipToVisible(area);
  MarkStale(this);
  if (moved) {
    for (T_GrafElement* child = firstChild; child; child = child->next) child->regionValid = 0;
  }
  GrafElement_InvalidateRegion(this, area, kPaintUnclipped);
  DeleteObject(area);
}

void T_Item::ClipToShape(HRGN target) { CombineRgn(target, target, shape, RGN_AND); }

void T_Item::ClipToVisible(HRGN target) {
  T_GrafElement* owner = Parent();
  if (!owner) return;
  OffsetRgn(target, x, y);
  HRGN part = CreateRectRgnIndirect(&owner->content);
  CombineRgn(target, target, part, RGN_AND);
  for (T_GrafElement* sibling = owner->firstChild; sibling && sibling != this;
       sibling = sibling->next) {
    if (!sibling->visible) continue;
    ShapeInParent(sibling, part);
    CombineRgn(target, target, part, RGN_DIFF);
  }
  DeleteObject(part);
  owner->ClipToVisible(target);
  OffsetRgn(target, -x, -y);
}

void T_Item::BuildShape() {
  SetRectRgn(shape, content.left, content.top, content.right, content.bottom);
}
bool T_Item::AcceptsFocus() { return false; }
bool T_Item::IsSelectable() { return false; }
void T_Item::SetHighlight(bool) {}
void T_Item::Press() {}

// --- Enabled state and focus --------------------------------------------------------------------

void Item_SetEnabled(T_Item* item, bool on) {
  if ((item->ownEnabled != 0) == on) return;
  item->ownEnabled = on ? 1 : 0;
  Item_UpdateEnabled(item);
}

void Item_UpdateEnabled(T_Item* item) {
  uint8_t now = item->ownEnabled;
  if (T_Item* owner = AsItem(item->parent)) now = now && owner->enabled;
  if (now == item->enabled) return;
  item->enabled = now;
  if (item->opened) item->Notify(kNotifyEnabled);
}

void Item_SetFocus(T_Item* item, bool on) {
  T_Window* window = item->window;
  if (on && window && window->focusedItem && window->focusedItem != item) Window_DropFocus(window);
  item->focus = on ? 1 : 0;
  if (window) {
    if (on) {
      window->focusedItem = item;
    } else if (window->focusedItem == item) {
      window->focusedItem = nullptr;
    }
  }
  item->Notify(kNotifyFocus);
  if (window && window->active) item->Notify(kNotifyFocusInActive);
}

void Item_TakeFocus(T_Item* item) {
  if (item->focus) return;
  if (item->window) Window_DropFocus(item->window);
  Item_SetFocus(item, true);
}

bool Item_CanTakeFocus(T_Item* item) {
  if (!item->visible || !item->enabled || !item->AcceptsFocus()) return false;
  if (!item->regionValid) item->UpdateRegions(true);
  return !RgnIsEmpty(item->region);
}

bool Item_ShowsFocus(const T_Item* item) {
  T_Application* app = App();
  return item->focus && item->window && item->window->active && app && app->active;
}

bool Item_HasFocusInActiveWindow(const T_Item* item) {
  if (!item->focus || !item->window) return false;
  // Without an application (tests, start-up) the window's own flag stands for the front.
  return App() ? item->window == ActiveWindow() : item->window->active != 0;
}

void Item_OnVisibilityChanged(T_Item* item) {
  MarkStale(item);
  if (item->visible) {
    item->UpdateRegions(true);
  } else if (item->focus && item->window) {
    Window_DropFocus(item->window);
  }
  T_Window* window = item->window;
  if (!window || !window->visible) return;
  // Through the window: an item that was just hidden paints nothing itself.
  HRGN area = CopyRegion(item->shape);
  item->ClipToVisible(area);
  OffsetRgn(area, item->offsetX, item->offsetY);
  GrafElement_InvalidateRegion(window, area, kPaintUnclipped);
  DeleteObject(area);
}

void Item_Reshape(T_Item* item, int32_t flags) {
  HRGN old = CopyRegion(item->shape);
  item->BuildShape();
  HRGN area = CreateRectRgn(0, 0, 0, 0);
  CombineRgn(area, old, item->shape, RGN_XOR);
  T_GrafElement* owner = item->Parent();
  if (owner && !owner->regionValid) flags &= ~kPaintNow;
  T_Window* window = item->window;
  if ((flags & kPaintNow) && window && window->native.handle) {
    HRGN pending = CreateRectRgn(0, 0, 0, 0);
    NativeGetUpdateRegion(window, pending);
    HRGN both = CreateRectRgn(0, 0, 0, 0);
    CombineRgn(both, old, item->shape, RGN_OR);
    OffsetRgn(both, item->offsetX, item->offsetY);
    CombineRgn(both, both, pending, RGN_AND);
    OffsetRgn(both, -item->offsetX, -item->offsetY);
    CombineRgn(area, area, both, RGN_OR);
    DeleteObject(both);
    DeleteObject(pending);
  }
  item->ClipToVisible(area);
  MarkStale(item);
  GrafElement_InvalidateRegion(item, area, flags | kPaintChildren | kPaintUnclipped);
  DeleteObject(area);
  DeleteObject(old);
}

void Item_InvalidateShape(T_Item* item, int32_t flags) {
  HRGN area = CopyRegion(item->shape);
  GrafElement_InvalidateRegion(item, area, flags | kPaintChildren);
  DeleteObject(area);
}

// --- Order
// ----------------------------------------------------------------------------------------

int32_t ItemCompareOrder(const T_GrafElement* a, const T_GrafElement* b, int32_t mode) {
  int64_t d = 0;
  switch (mode & 3) {
    case kOrderX:
      d = static_cast<int64_t>(b->x) - a->x;
      break;
    case kOrderY:
      d = static_cast<int64_t>(b->y) - a->y;
      break;
    default: {
      if ((mode & 3) == kOrderTab) {
        const T_Item* ia = dynamic_cast<const T_Item*>(a);
        const T_Item* ib = dynamic_cast<const T_Item*>(b);
        d = static_cast<int64_t>(ib ? ib->id : 0) - (ia ? ia->id : 0);
      }
      if (d == 0) d = static_cast<int64_t>(b->y) - a->y;
      if (d == 0) d = static_cast<int64_t>(b->x) - a->x;
      if (d == 0) d = static_cast<int64_t>(b->content.bottom) - a->content.bottom;
      if (d == 0) d = static_cast<int64_t>(b->content.right) - a->content.right;
      break;
    }
  }
  int32_t sign = d > 0 ? 1 : d < 0 ? -1 : 0;
  return (mode & kOrderReverse) ? -sign : sign;
}

T_Item* Item_FirstInOrder(T_EventHandler* parent, int32_t mode) {
  T_Item* best = nullptr;
  for (T_GrafElement* child = parent->firstChild; child; child = child->next) {
    T_Item* item = AsItem(child);
    if (!item || !item->visible) continue;
    if (!best || ItemCompareOrder(item, best, mode) > 0) best = item;
  }
  return best;
}

T_Item* Item_NextInOrder(T_Item* item, int32_t mode) {
  if (!item->parent) return nullptr;
  T_Item* best = nullptr;
  int32_t bestDistance = 0;
  POINT here{item->x, item->y};
  for (T_GrafElement* sibling = item->parent->firstChild; sibling; sibling = sibling->next) {
    T_Item* candidate = AsItem(sibling);
    if (!candidate || candidate == item || !candidate->visible) continue;
    if (ItemCompareOrder(item, candidate, mode) <= 0) continue;
    POINT there{candidate->x, candidate->y};
    int32_t distance = std::abs(here.x - there.x) + std::abs(here.y - there.y);
    int32_t order = best ? ItemCompareOrder(candidate, best, mode) : 1;
    if (order > 0 || (order == 0 && distance < bestDistance)) {
      best = candidate;
      bestDistance = distance;
    }
  }
  return best;
}

// --- Seams
// ----------------------------------------------------------------------------------------

void SetItemPointerSource(ItemPointerSource source) { pointerSource = source; }

void Item_PollPointer(T_GrafElement* element, InputEvent* event) {
  if (pointerSource) {
    pointerSource(element, event);
    return;
  }
  InputPoll(event, kPollButtons | kPollModifiers);
  HWND handle = element->window ? element->window->native.handle : nullptr;
  if (handle) {
    POINT p{};
    GetCursorPos(&p);
    ScreenToClient(handle, &p);
    event->x = p.x - element->offsetX;
    event->y = p.y - element->offsetY;
  }
  // The tracking loops poll; a short rest keeps them from spinning a processor.
  Sleep(5);
}

int32_t ItemLookClass() { return lookOverride >= 0 ? lookOverride : OsVersionClass(); }
void SetItemLookClass(int32_t versionClass) { lookOverride = versionClass; }
