#include "ui/element.h"

#include <cstring>

#include "core/threads.h"
#include "ui/event_record.h"
#include "ui/link_display.h"
#include "ui/transfer_list.h"
#include "ui/window.h"

namespace {

T_EventHandler* closeListHead = nullptr;
T_GrafElement* hoverTarget = nullptr;
HRGN scratchRegion = nullptr;  // one small region reused by the shape tests

T_GrafElement* AsGraf(T_EventHandler* handler) {
  // Only the application is of kind 0; every other handler is a graphic element.
  return handler && handler->kind != kKindApplication ? static_cast<T_GrafElement*>(handler) : nullptr;
}

}  // namespace

// --- T_EventHandler ---------------------------------------------------------------------------

T_EventHandler::T_EventHandler(uint32_t kind) : kind(kind) {}

T_EventHandler::~T_EventHandler() {
  DestroyChildren();
  if (onCloseList) DeferredCloseRemove(this);
}

void T_EventHandler::DestroyChildren() {
  // Each child unlinks itself while it is destroyed, so the head moves on.
  while (firstChild) delete firstChild;
  activeChild = nullptr;
}

void T_EventHandler::DoOpen() {
  Notify(kNotifyOpened);
  shown = 1;
}

void T_EventHandler::DoClose() { Notify(kNotifyClosed); }

void T_EventHandler::Notify(int32_t code) {
  for (T_GrafElement* child = firstChild; child;) {
    T_GrafElement* following = child->next;  // a notified child may re-link itself
    if (child->opened) {
      if (code < kNotifyBroadcastFirst) {
        child->NotifyFromParent(code);
      } else {
        child->Notify(code);
      }
    }
    child = following;
  }
}

void T_EventHandler::NotifyFromParent(int32_t) {}

void T_EventHandler::NotifyFromChild(int32_t code, T_GrafElement* child) {
  if (code != kNotifyActivation) return;
  if (child->active) {
    T_GrafElement* previous = activeChild;
    activeChild = child;
    if (previous && previous != child) EventHandler_SetActive(previous, false);
  } else if (activeChild == child) {
    activeChild = nullptr;
  }
}

void T_EventHandler::OnChange(const ChangeNote* note) {
  for (T_GrafElement* child = firstChild; child; child = child->next) {
    if (child->opened) child->OnChange(note);
  }
}

void T_EventHandler::OnUserMessage(const UserMessage*) {}
void T_EventHandler::RunBackground(BackgroundTask*, uint32_t) {}
void T_EventHandler::UpdateCommands() {}
bool T_EventHandler::DoCommand(int32_t) { return false; }
void T_EventHandler::OpenDocument(int32_t, const char*) {}
void T_EventHandler::TrackDrag(int32_t, uint32_t) {}
bool T_EventHandler::AcceptDrop(TransferList*) { return false; }
void T_EventHandler::OnHover(InputEvent*, int32_t) {}
bool T_EventHandler::SetCursor(InputEvent*, T_GrafElement*) { return false; }
bool T_EventHandler::PreviewMouseDown(InputEvent*, T_GrafElement*) { return false; }
bool T_EventHandler::MouseDown(InputEvent*, T_GrafElement*) { return false; }
bool T_EventHandler::OnWheel(InputEvent*, int32_t) { return false; }
bool T_EventHandler::KeyDown(InputEvent*, T_GrafElement*) { return false; }

bool T_EventHandler::QueryClose(int32_t code) {
  if (hoverTarget && static_cast<T_EventHandler*>(hoverTarget) == this) {
    InputEvent event;
    InputPoll(&event, kPollButtons | kPollModifiers);
    HoverSetTarget(&event, nullptr);
  }
  for (T_GrafElement* child = firstChild; child; child = child->next) {
    if (!child->QueryClose(code)) return false;
  }
  return true;
}

void T_EventHandler::OnFrameEvent(T_GrafElement*, int32_t) {}
void T_EventHandler::OnTabEvent(T_GrafElement*, int32_t) {}
void T_EventHandler::OnEditEvent(T_GrafElement*, int32_t) {}
void T_EventHandler::OnEditText(T_TextBuf*, T_GrafElement*) {}
void T_EventHandler::OnButton(T_GrafElement*) {}
void T_EventHandler::OnCheckbox(T_GrafElement*) {}
void T_EventHandler::OnSpareEvent(T_GrafElement*, int32_t) {}
void T_EventHandler::OnChooserEvent(T_GrafElement*, ChooserEvent*) {}
void T_EventHandler::OnSelectorEvent(T_GrafElement*) {}
void T_EventHandler::OnSlidebarEvent(T_GrafElement*, SlidebarEvent*) {}
void T_EventHandler::OnLineboxEvent(T_GrafElement*, LineboxEvent*) {}
void T_EventHandler::OnModeboxEvent(T_GrafElement*, ModeboxEvent*) {}
bool T_EventHandler::OnModeboxMenu(T_GrafElement*, ContextMenuRecord*) { return false; }
void T_EventHandler::ContextMenu(ContextMenuRecord*, int32_t) {}
void T_EventHandler::GetMaxRect(RECT*) {}
void T_EventHandler::GetPreferredSize(POINT*) {}
void T_EventHandler::Activate() { EventHandler_SetActive(this, true); }
bool T_EventHandler::CanActivate() { return false; }
void T_EventHandler::OnCloseActive() {}

// --- Tree operations --------------------------------------------------------------------------

void EventHandler_Open(T_EventHandler* handler) {
  handler->opened = 1;
  handler->DoOpen();
  if (handler->CanActivate()) handler->Activate();
}

void EventHandler_CloseElement(T_EventHandler* handler) {
  if (handler->shown) {
    handler->shown = 0;
    if (handler->active) {
      handler->OnCloseActive();
      EventHandler_SetActive(handler, false);
    }
    handler->DoClose();
  }
  handler->opened = 0;
}

bool EventHandler_SetActive(T_EventHandler* handler, bool flag) {
  if ((handler->active != 0) == flag) return true;
  if (flag && !handler->CanActivate()) return false;
  handler->active = flag ? 1 : 0;
  handler->Notify(kNotifyActivation);
  return true;
}

void EventHandler_ActivateFirstChild(T_EventHandler* handler) {
  for (T_GrafElement* child = handler->firstChild; child; child = child->next) {
    if (child->CanActivate()) {
      child->Activate();
      return;
    }
  }
}

bool EventHandler_RequestClose(T_EventHandler* handler, int32_t code) {
  if (handler->onCloseList) return true;
  if (!handler->QueryClose(code)) return false;
  handler->nextClosed = closeListHead;
  handler->onCloseList = 1;
  closeListHead = handler;
  return true;
}

bool EventHandler_CloseAndDelete(T_EventHandler* handler, int32_t code) {
  if (!handler) return true;
  if (!handler->QueryClose(code)) return false;
  delete handler;
  return true;
}

T_EventHandler* DeferredCloseFirst() { return closeListHead; }

void DeferredCloseRemove(T_EventHandler* handler) {
  for (T_EventHandler** link = &closeListHead; *link; link = &(*link)->nextClosed) {
    if (*link == handler) {
      *link = handler->nextClosed;
      break;
    }
  }
  handler->nextClosed = nullptr;
  handler->onCloseList = 0;
}

void DeferredCloseDestroyAll() {
  // The head is read again on every step: destroying an element destroys its children, and
  // those leave the list wherever they stood in it.
  while (T_EventHandler* handler = closeListHead) {
    DeferredCloseRemove(handler);
    delete handler;
  }
}

void LinkChildLast(T_EventHandler* parent, T_GrafElement* child) {
  child->parent = parent;
  child->next = nullptr;
  T_GrafElement* first = parent->firstChild;
  if (!first) {
    parent->firstChild = child;
    child->previous = child;
    return;
  }
  T_GrafElement* last = first->previous;
  last->next = child;
  child->previous = last;
  first->previous = child;
}

void LinkChildFront(T_EventHandler* parent, T_GrafElement* child) {
  child->parent = parent;
  T_GrafElement* first = parent->firstChild;
  if (!first) {
    LinkChildLast(parent, child);
    return;
  }
  child->previous = first->previous;
  child->next = first;
  first->previous = child;
  parent->firstChild = child;
}

void LinkChildAfter(T_EventHandler* parent, T_GrafElement* child, T_GrafElement* sibling) {
  if (!sibling || !sibling->next) {
    LinkChildLast(parent, child);
    return;
  }
  child->parent = parent;
  child->previous = sibling;
  child->next = sibling->next;
  sibling->next->previous = child;
  sibling->next = child;
}

void LinkChildBehindTopmost(T_EventHandler* parent, T_GrafElement* child) {
  T_GrafElement* lastTopmost = nullptr;
  for (T_GrafElement* c = parent->firstChild; c && c->topmost; c = c->next) lastTopmost = c;
  if (lastTopmost) {
    LinkChildAfter(parent, child, lastTopmost);
  } else {
    LinkChildFront(parent, child);
  }
}

void UnlinkChild(T_GrafElement* child) {
  T_EventHandler* parent = child->parent;
  if (!parent) return;
  T_GrafElement* first = parent->firstChild;
  if (child == first) {
    parent->firstChild = child->next;
    if (child->next) child->next->previous = child->previous;
  } else {
    child->previous->next = child->next;
    if (child->next) {
      child->next->previous = child->previous;
    } else {
      first->previous = child->previous;  // the child was the last one
    }
  }
  if (parent->activeChild == child) parent->activeChild = nullptr;
  child->next = nullptr;
  child->previous = nullptr;
  child->parent = nullptr;
}

T_GrafElement* LastChild(const T_EventHandler* parent) {
  return parent->firstChild ? parent->firstChild->previous : nullptr;
}

// --- Hover ------------------------------------------------------------------------------------

T_GrafElement* HoverTarget() { return hoverTarget; }

void HoverSetTarget(InputEvent* event, T_GrafElement* element) {
  int32_t code = kHoverMoved;
  if (element != hoverTarget) {
    T_GrafElement* old = hoverTarget;
    hoverTarget = element;
    if (old) old->OnHover(event, kHoverLeft);
    code = kHoverEntered;
  }
  if (hoverTarget) hoverTarget->OnHover(event, code);
}

void HoverForget(T_GrafElement* element) {
  if (hoverTarget == element) hoverTarget = nullptr;
}

// --- T_GrafElement ----------------------------------------------------------------------------

T_GrafElement::T_GrafElement(uint32_t kind, T_EventHandler* parent) : T_EventHandler(kind) {
  region = CreateRectRgn(0, 0, 0, 0);
  style = TextStyleStandard;
  if (parent) {
    linkContext = parent->linkContext;
    if (T_GrafElement* graf = AsGraf(parent)) {
      window = graf->window;
      offsetX = graf->offsetX;  // a window's own offset is 0
      offsetY = graf->offsetY;
    }
    LinkChildLast(parent, this);
  }
}

T_GrafElement::~T_GrafElement() {
  if (opened) EventHandler_CloseElement(this);
  HoverForget(this);
  DragForget(this);
  T_EventHandler* owner = parent;
  UnlinkChild(this);
  if (visibleWhenDeactivated && owner && owner->shown) EventHandler_ActivateFirstChild(owner);
  if (region) DeleteObject(region);
  region = nullptr;
  // The children go with the T_EventHandler part; they only touch the list, which is ours.
}

T_GrafElement* T_GrafElement::Parent() const { return AsGraf(parent); }

void T_GrafElement::DoOpen() {
  T_EventHandler::DoOpen();
  visible = wantVisible;
  if (visible) Notify(kNotifyVisibility);
}

void T_GrafElement::DoClose() {
  if (visible) {
    visible = 0;
    Notify(kNotifyVisibility);
  }
  if (hoverTarget == this) hoverTarget = nullptr;
  if (window && window->focusedItem) {
    for (T_EventHandler* e = window->focusedItem; e && e->kind != kKindApplication;
         e = static_cast<T_GrafElement*>(e)->parent) {
      if (e == this) {
        Window_DropFocus(window);
        break;
      }
    }
  }
  T_EventHandler::DoClose();
}

void T_GrafElement::Notify(int32_t code) {
  T_EventHandler::Notify(code);
  if (code == kNotifyActivation && active) BringToFront();
  if (code < kNotifyBroadcastFirst && parent) parent->NotifyFromChild(code, this);
}

void T_GrafElement::NotifyFromParent(int32_t code) {
  if (code == kNotifyActivation && parent && !parent->active && active) {
    EventHandler_SetActive(this, false);
  }
}

void T_GrafElement::NotifyFromChild(int32_t code, T_GrafElement* child) {
  T_EventHandler::NotifyFromChild(code, child);
  if (code == kNotifyClosed && child == trackedChild) trackedChild = nullptr;
}

void T_GrafElement::UpdateCommands() {
  if (parent) parent->UpdateCommands();
}
bool T_GrafElement::DoCommand(int32_t command) { return parent && parent->DoCommand(command); }
void T_GrafElement::OpenDocument(int32_t code, const char* path) {
  if (parent) parent->OpenDocument(code, path);
}
bool T_GrafElement::AcceptDrop(TransferList* list) { return parent && parent->AcceptDrop(list); }

// The pointer events climb with the point moved into the parent's coordinates, and come back
// unchanged to the caller.
#define QEB_CLIMB_WITH_POINT(call)       \
  if (!parent) return false;             \
  event->x += x;                         \
  event->y += y;                         \
  bool handled = parent->call;           \
  event->x -= x;                         \
  event->y -= y;                         \
  return handled

bool T_GrafElement::SetCursor(InputEvent* event, T_GrafElement* target) {
  QEB_CLIMB_WITH_POINT(SetCursor(event, target));
}
bool T_GrafElement::PreviewMouseDown(InputEvent* event, T_GrafElement* target) {
  QEB_CLIMB_WITH_POINT(PreviewMouseDown(event, target));
}
bool T_GrafElement::MouseDown(InputEvent* event, T_GrafElement* target) {
  QEB_CLIMB_WITH_POINT(MouseDown(event, target));
}
bool T_GrafElement::OnWheel(InputEvent* event, int32_t lines) {
  QEB_CLIMB_WITH_POINT(OnWheel(event, lines));
}
bool T_GrafElement::KeyDown(InputEvent* event, T_GrafElement* target) {
  QEB_CLIMB_WITH_POINT(KeyDown(event, target));
}
#undef QEB_CLIMB_WITH_POINT

void T_GrafElement::OnFrameEvent(T_GrafElement* frame, int32_t code) {
  if (parent) parent->OnFrameEvent(frame, code);
}
void T_GrafElement::OnTabEvent(T_GrafElement* tabs, int32_t code) {
  if (parent) parent->OnTabEvent(tabs, code);
}
void T_GrafElement::OnEditEvent(T_GrafElement* field, int32_t code) {
  if (parent) parent->OnEditEvent(field, code);
}
void T_GrafElement::OnEditText(T_TextBuf* text, T_GrafElement* field) {
  if (parent) parent->OnEditText(text, field);
}
void T_GrafElement::OnButton(T_GrafElement* button) {
  if (parent) parent->OnButton(button);
}
void T_GrafElement::OnCheckbox(T_GrafElement* checkbox) {
  if (parent) parent->OnCheckbox(checkbox);
}
void T_GrafElement::OnSpareEvent(T_GrafElement* sender, int32_t code) {
  if (parent) parent->OnSpareEvent(sender, code);
}
void T_GrafElement::OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) {
  if (parent) parent->OnChooserEvent(chooser, record);
}
void T_GrafElement::OnSelectorEvent(T_GrafElement* selector) {
  if (parent) parent->OnSelectorEvent(selector);
}
void T_GrafElement::OnSlidebarEvent(T_GrafElement* bar, SlidebarEvent* record) {
  if (parent) parent->OnSlidebarEvent(bar, record);
}
void T_GrafElement::OnLineboxEvent(T_GrafElement* box, LineboxEvent* record) {
  if (parent) parent->OnLineboxEvent(box, record);
}
void T_GrafElement::OnModeboxEvent(T_GrafElement* box, ModeboxEvent* record) {
  if (parent) parent->OnModeboxEvent(box, record);
}
bool T_GrafElement::OnModeboxMenu(T_GrafElement* box, ContextMenuRecord* record) {
  return parent && parent->OnModeboxMenu(box, record);
}

void T_GrafElement::ContextMenu(ContextMenuRecord* record, int32_t phase) {
  // The link menu (selector 3200) of this element is the link layer's; everything else climbs.
  if (LinkMenu_Handle(this, record, phase)) return;
  if (parent) parent->ContextMenu(record, phase);
}

void T_GrafElement::GetPreferredSize(POINT* size) {
  HRGN shape = CreateRectRgn(-32768, -32768, 32767, 32767);
  HRGN all = CreateRectRgn(0, 0, 0, 0);
  for (T_GrafElement* child = firstChild; child; child = child->next) {
    if (!child->visible || child->topmost) continue;
    SetRectRgn(shape, -32768, -32768, 32767, 32767);
    child->ClipToShape(shape);
    OffsetRgn(shape, child->x, child->y);
    CombineRgn(all, all, shape, RGN_OR);
  }
  RECT box{};
  GetRgnBox(all, &box);
  DeleteObject(shape);
  DeleteObject(all);
  size->x = box.right + (box.left > 0 ? box.left : 0) - 1;
  size->y = box.bottom + (box.top > 0 ? box.top : 0) - 1;
}

void T_GrafElement::OnCloseActive() { visibleWhenDeactivated = visible; }

void T_GrafElement::OnMoved(int32_t, int32_t) {}
void T_GrafElement::OnResized(int32_t, int32_t) {}
void T_GrafElement::DrawContent() {}
void T_GrafElement::DrawFrame() {}
void T_GrafElement::CommitEdit() {}
void T_GrafElement::FocusNext(int32_t flags) { Window_FocusStep(this, flags); }

// --- Moving and resizing ----------------------------------------------------------------------

void T_GrafElement::MoveBy(int32_t dx, int32_t dy) { MoveAndResize(dx, dy, 0, 0); }

void T_GrafElement::ResizeBy(int32_t dw, int32_t dh) {
  if (dw == 0 && dh == 0) return;
  if (kind == kKindDocument && window == this && Window_IsZoomed(static_cast<T_Window*>(this))) return;
  MoveAndResize(0, 0, dw, dh);
}

void T_GrafElement::MoveAndResize(int32_t dx, int32_t dy, int32_t dw, int32_t dh) {
  bool moved = dx != 0 || dy != 0;
  bool sized = dw != 0 || dh != 0 || alwaysReportResize;
  if (!moved && !sized) return;
  previousFrame = {x, y, x + width, y + height};
  x += dx;
  y += dy;
  if (sized) {
    width += dw;
    height += dh;
    content.right += dw;
    content.bottom += dh;
  }
  OffsetRegion(dx, dy, dw, dh);
  if (moved) OnMoved(dx, dy);
  if (sized) OnResized(dw, dh);
}

void T_GrafElement::MoveEdges(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  MoveAndResize(left, top, right - left, bottom - top);
}

void T_GrafElement::MoveToRect(int32_t newX, int32_t newY, int32_t newWidth, int32_t newHeight) {
  MoveAndResize(newX - x, newY - y, newWidth - width, newHeight - height);
}

void GrafElement_ShiftWindowOffset(T_GrafElement* element, int32_t dx, int32_t dy) {
  element->offsetX += dx;
  element->offsetY += dy;
  for (T_GrafElement* child = element->firstChild; child; child = child->next) {
    GrafElement_ShiftWindowOffset(child, dx, dy);
  }
}

// --- Attributes -------------------------------------------------------------------------------

void T_GrafElement::SetVisible(bool on) {
  if (!opened) {
    wantVisible = on ? 1 : 0;
    return;
  }
  if ((visible != 0) == on) return;
  visible = on ? 1 : 0;
  Notify(kNotifyVisibility);
}

void SetVisibleIfAny(T_GrafElement* element, bool on) {
  if (element) element->SetVisible(on);
}

void T_GrafElement::SetBackColour(uint32_t index) {
  if (backColour == index) return;
  backColour = index;
  if (opened) Notify(kNotifyBackColour);
}

void T_GrafElement::SetTextStyle(const TextStyle* newStyle) {
  bool same = style.size == newStyle->size && style.lineHeight == newStyle->lineHeight &&
              style.flags == newStyle->flags && style.face == newStyle->face &&
              style.pitchAndFamily == newStyle->pitchAndFamily;
  style = *newStyle;
  if (!same && opened) Notify(kNotifyTextStyle);
}

void T_GrafElement::SetStyleBits(uint16_t value, uint16_t mask) {
  uint16_t flags = static_cast<uint16_t>((style.flags & ~mask) | (value & mask));
  if (flags == style.flags) return;
  style.flags = flags;
  if (opened) Notify(kNotifyTextStyle);
}

void T_GrafElement::SetTextAlign(uint16_t value) { SetStyleBits(value, kStyleAlignMask); }
void T_GrafElement::SetWordWrap(bool on) { SetStyleBits(on ? kStyleWrap : 0, kStyleWrap); }
void T_GrafElement::SetStyleBit4(bool on) { SetStyleBits(on ? kStyleBit4 : 0, kStyleBit4); }
void T_GrafElement::SetEmphasis(uint16_t value) { SetStyleBits(value, kStyleEmphasisMask); }

void T_GrafElement::SetTopmost() {
  topmost = 1;
  BringToFront();
}

// --- Hit test ---------------------------------------------------------------------------------

bool GrafElement_ShapeHolds(T_GrafElement* element, int32_t px, int32_t py) {
  if (!scratchRegion) scratchRegion = CreateRectRgn(0, 0, 0, 0);
  SetRectRgn(scratchRegion, px, py, px + 1, py + 1);
  element->ClipToShape(scratchRegion);
  RECT box;
  return GetRgnBox(scratchRegion, &box) != NULLREGION;
}

static bool ContentHolds(const T_GrafElement* element, const POINT* p) {
  const RECT& r = element->content;
  return p->x >= r.left && p->x < r.right && p->y >= r.top && p->y < r.bottom;
}

T_GrafElement* GrafElement_HitTest(T_GrafElement* root, POINT* point) {
  if (!ContentHolds(root, point)) return root;
  T_GrafElement* current = root;
  for (;;) {
    T_GrafElement* winner = nullptr;
    for (T_GrafElement* child = current->firstChild; child; child = child->next) {
      if (!child->visible) continue;
      point->x -= child->x;
      point->y -= child->y;
      if (GrafElement_ShapeHolds(child, point->x, point->y)) {
        winner = child;
        break;
      }
      point->x += child->x;
      point->y += child->y;
    }
    if (!winner) return current;
    current = winner;
    if (!ContentHolds(current, point)) return current;  // on its frame
  }
}

// --- Popup command list -----------------------------------------------------------------------

int32_t PopupMenu_AddCommand(PopupCommandList* record, uint16_t id, bool separatorFirst) {
  if (record->list != record->entries) {
    // Take over a list that lives elsewhere, as far as it fits with its end mark.
    int32_t n = 0;
    if (record->list) {
      while (n < kPopupListSize - 1 && record->list[n] != 0) {
        record->entries[n] = record->list[n];
        ++n;
      }
    }
    record->entries[n] = 0;
    record->list = record->entries;
  }
  int32_t stored = 0;
  int32_t ids = 0;
  while (stored < kPopupListSize - 1 && record->entries[stored] != 0) {
    if (record->entries[stored] != kPopupSeparator) ++ids;
    ++stored;
  }
  if (ids >= kPopupMaxIds) return stored;
  bool separator = separatorFirst && stored > 0 && record->entries[stored - 1] != kPopupSeparator;
  // Every stored value counts, separators and the end mark too, so the array never overflows.
  int32_t needed = (separator ? 1 : 0) + 1 + 1;
  if (stored + needed > kPopupListSize) return stored;
  if (separator) record->entries[stored++] = kPopupSeparator;
  record->entries[stored++] = id;
  record->entries[stored] = 0;
  return stored;
}

// --- Background task --------------------------------------------------------------------------

static void RunBackgroundThread(void* argument1, void*) {
  BackgroundTask* task = static_cast<BackgroundTask*>(argument1);
  task->handler->RunBackground(task, task->argument);
  task->running.store(false);
}

bool BackgroundTaskStart(BackgroundTask* task, T_EventHandler* handler, uint32_t argument) {
  task->handler = handler;
  task->argument = argument;
  task->stopRequested.store(false);
  task->running.store(true);
  if (!ThreadStart(RunBackgroundThread, task, nullptr)) {
    task->running.store(false);
    return false;
  }
  return true;
}

void BackgroundTaskStop(BackgroundTask* task) {
  task->stopRequested.store(true);
  while (task->running.load()) Sleep(1);
}
