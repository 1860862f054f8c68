#include "ui/transfer_list.h"

#include <cstring>
#include <new>

#include "core/alert.h"
#include "ui/application.h"
#include "ui/element.h"
#include "ui/main_loop.h"

namespace {

T_EventHandler* dragTarget = nullptr;
T_EventHandler* pendingDropTarget = nullptr;

T_EventHandler* ParentOf(T_EventHandler* handler) {
  // Only the application is of kind 0; every other handler is a graphic element.
  if (!handler || handler->kind == kKindApplication) return nullptr;
  return static_cast<T_GrafElement*>(handler)->parent;
}

int32_t Depth(T_EventHandler* handler) {
  int32_t depth = 0;
  for (; handler; handler = ParentOf(handler)) ++depth;
  return depth;
}

// The deepest handler on both paths from the root, or null when they share none.
T_EventHandler* CommonAncestor(T_EventHandler* a, T_EventHandler* b) {
  int32_t depthA = Depth(a);
  int32_t depthB = Depth(b);
  for (; depthA > depthB; --depthA) a = ParentOf(a);
  for (; depthB > depthA; --depthB) b = ParentOf(b);
  while (a != b) {
    a = ParentOf(a);
    b = ParentOf(b);
  }
  return a;
}

// Outermost first: the handlers below the stop, down to and including the handler.
void EnterDown(T_EventHandler* handler, T_EventHandler* stop, uint32_t kinds) {
  if (!handler || handler == stop) return;
  EnterDown(ParentOf(handler), stop, kinds);
  handler->TrackDrag(kDragEntered, kinds);
}

bool OnPathOf(T_EventHandler* handler, T_EventHandler* target) {
  for (T_EventHandler* h = target; h; h = ParentOf(h)) {
    if (h == handler) return true;
  }
  return false;
}

TransferItem* NewItem(TransferList* list, uint32_t kind) {
  auto* item = new (std::nothrow) TransferItem;
  if (!item) return nullptr;
  item->kind = kind;
  item->next = list->first;
  list->first = item;
  return item;
}

}  // namespace

// --- Lists ------------------------------------------------------------------------------------

void DragData_Init(TransferList* list) { *list = TransferList{}; }

bool DragData_Add(TransferList* list, uint32_t kind, const char* text) {
  if (!text || !*text) return true;
  TransferItem* item = NewItem(list, kind);
  if (!item) return false;
  TextBufAssign(&item->text, text);
  return true;
}

bool DragData_AddBytes(TransferList* list, uint32_t kind, const char* bytes, int32_t n) {
  if (!bytes || n <= 0) return true;
  TransferItem* item = NewItem(list, kind);
  if (!item) return false;
  TextBufAssignBytes(&item->text, bytes, n);
  return true;
}

bool DragData_AddFile(TransferList* list, uint32_t kind, const char* path) {
  if (!path || !*path) return true;
  TransferItem* item = NewItem(list, kind);
  if (!item) return false;
  if (TransferItem_SetPath(item, path)) return true;
  list->first = item->next;
  delete item;
  return false;
}

void DragData_Free(TransferList* list) {
  while (TransferItem* item = list->first) {
    list->first = item->next;
    delete item->path;
    delete item;
  }
}

TransferItem* FindTransferItem(const TransferList* list, uint32_t mask) {
  if (!list) return nullptr;
  for (TransferItem* item = list->first; item; item = item->next) {
    if (item->kind & mask) return item;
  }
  return nullptr;
}

bool TransferItem_SetPath(TransferItem* item, const char* path) {
  if (!item->path) {
    item->path = new (std::nothrow) T_TextBuf;
    if (!item->path) return false;
  }
  TextBufAssign(item->path, path);
  return true;
}

bool TransferItemPath(const TransferItem* item, T_TextBuf* path) {
  TextBufAssign(path, "");
  if (!item || !(item->kind & kTransferAnyFile)) return false;
  TextBufAssignBuf(path, item->path ? item->path : &item->text);
  return !path->empty();
}

TransferList* TransferList_New() { return new (std::nothrow) TransferList; }

void TransferList_Delete(TransferList* list) {
  if (!list) return;
  DragData_Free(list);
  delete list;
}

// --- The dropped-data queue ---------------------------------------------------------------------

void TransferList_Queue(TransferList* list) {
  if (!list) return;
  T_Application* app = App();
  if (!app) {
    TransferList_Delete(list);
    return;
  }
  list->next = app->droppedData;
  app->droppedData = list;
}

void DroppedData_Deliver(T_Application* app) {
  while (TransferList* list = app->droppedData) {
    app->droppedData = list->next;
    list->next = nullptr;
    EventDepthAdd(1);
    bool accepted = false;
    if (T_EventHandler* target = pendingDropTarget) {
      list->target = target;
      accepted = target->AcceptDrop(list);
    }
    if (!accepted) {
      // A file entry of a dropped file holds its name in the path, not in the text.
      T_TextBuf path;
      if (TransferItemPath(FindTransferItem(list, kTransferAnyFile), &path))
        app->OpenDocument(0, path.data);
    }
    EventDepthAdd(-1);
    PendingErrorReport();
    SetIdleInterval(0);
    TransferList_Delete(list);
  }
  pendingDropTarget = nullptr;
}

void DroppedData_Discard(T_Application* app) {
  while (TransferList* list = app->droppedData) {
    app->droppedData = list->next;
    TransferList_Delete(list);
  }
  dragTarget = nullptr;
  pendingDropTarget = nullptr;
  SetDragTracking(false);
}

// --- Drag tracking ------------------------------------------------------------------------------

void DragTrack(T_EventHandler* handler, uint32_t kinds) {
  if (handler && handler == dragTarget) {
    handler->TrackDrag(kDragMoved, kinds);
    return;
  }
  T_EventHandler* old = dragTarget;
  T_EventHandler* common = CommonAncestor(old, handler);
  // The new target is set before the calls, so that a handler that asks sees where the drag is.
  dragTarget = handler;
  SetDragTracking(handler != nullptr);
  for (T_EventHandler* h = old; h && h != common; h = ParentOf(h)) h->TrackDrag(kDragLeft, kinds);
  EnterDown(handler, common, kinds);
}

void DropNotice() {
  pendingDropTarget = dragTarget;
  if (dragTarget) dragTarget->TrackDrag(kDragDropped, 0);
}

T_EventHandler* DragTarget() { return dragTarget; }
T_EventHandler* PendingDropTarget() { return pendingDropTarget; }

void DragForget(T_EventHandler* handler) {
  if (!handler) return;
  if (OnPathOf(handler, dragTarget)) {
    dragTarget = ParentOf(handler);
    SetDragTracking(dragTarget != nullptr);
  }
  if (OnPathOf(handler, pendingDropTarget)) pendingDropTarget = ParentOf(handler);
}
