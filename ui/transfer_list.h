#pragma once
// Transfer lists: the typed texts that drag and drop exchange, the application's queue of dropped
// data with its delivery after the current message, and the tracking of the element under a drag.
//
// Kinds are bits, so that a mask can ask for several:
//
//   kind  content                                        clipboard format
//   1     plain text                                     13 (Unicode text)
//   2     the system's own data (text in its own forms)  48879, used as a number, never registered
//   4     a file path                                    15 (file drop list)
//   8     files, handled like kind 4                     15
//
// Inside the program the texts are UTF-8 with CR as the line end; between programs they travel
// as UTF-16 with CR LF in a movable global block (see drag_drop.h).
//
// Drag tracking keeps these invariants:
//   1. The drag target is null or a live handler: a handler that is destroyed while it or one of
//      its descendants is the target hands the target on to its parent (DragForget).
//   2. Every handler from the application down to the drag target has been told "entered" and
//      not yet "left".
//   3. The application's drag-tracking flag (which holds back the after-message work) is set
//      exactly while there is a drag target.
//   4. The pending drop target obeys 1 as well; it is cleared once the queue is delivered.
//
// User-interface thread only.
#include <windows.h>

#include <cstdint>

#include "core/text_buffer.h"

class T_EventHandler;
class T_Application;

constexpr uint32_t kTransferText = 1;
constexpr uint32_t kTransferPrivate = 2;
constexpr uint32_t kTransferFile = 4;
constexpr uint32_t kTransferFiles = 8;
constexpr uint32_t kTransferAnyFile = kTransferFile | kTransferFiles;

constexpr UINT kClipFormatText = 13;  // CF_UNICODETEXT
constexpr UINT kClipFormatPrivate = 48879;
constexpr UINT kClipFormatFiles = 15;  // CF_HDROP

// Codes of T_EventHandler::TrackDrag.
constexpr int32_t kDragEntered = 0;
constexpr int32_t kDragMoved = 1;
constexpr int32_t kDragDropped = 2;
constexpr int32_t kDragLeft = 3;

struct TransferItem {
  TransferItem* next = nullptr;
  uint32_t kind = 0;
  T_TextBuf* path = nullptr;  // owned; only in the file entries made from dropped files
  T_TextBuf text;             // empty in those file entries
};

struct TransferList {
  TransferList* next = nullptr;  // the application's dropped-data queue
  TransferItem* first = nullptr;
  T_EventHandler* target = nullptr;  // set when the list is delivered
};

// --- Lists ------------------------------------------------------------------------------------

// An empty list (the record is the caller's; it holds no entries yet).
void DragData_Init(TransferList* list);
// A new entry at the front holding the text; nothing for an empty text. False when memory ran
// out (pending error 600).
bool DragData_Add(TransferList* list, uint32_t kind, const char* text);
// The same from n bytes that need not end in 0; nothing for an empty span.
bool DragData_AddBytes(TransferList* list, uint32_t kind, const char* bytes, int32_t n);
// A new entry at the front whose path holds the file name; nothing for an empty name.
bool DragData_AddFile(TransferList* list, uint32_t kind, const char* path);
// Frees every entry with both its texts; the list is empty afterwards.
void DragData_Free(TransferList* list);

// The first entry whose kind shares a bit with the mask, or null.
TransferItem* FindTransferItem(const TransferList* list, uint32_t mask);
// Replaces a path the entry holds; false when memory ran out.
bool TransferItem_SetPath(TransferItem* item, const char* path);
// The file name of a file entry: its path, or its text when it holds no path. False (and an
// empty name) for an entry that names no file.
bool TransferItemPath(const TransferItem* item, T_TextBuf* path);

// A list on the heap, for the queue; null when memory ran out.
TransferList* TransferList_New();
// Frees the entries and the list itself.
void TransferList_Delete(TransferList* list);

// --- The dropped-data queue ---------------------------------------------------------------------

// Pushes a heap list at the front of the application's queue, which owns it from then on; without
// an application it is freed at once.
void TransferList_Queue(TransferList* list);
// The delivery step of the after-message work: each list, last queued first, goes to the pending
// drop target's AcceptDrop (which climbs to the parents); a list nobody accepts that names a file
// opens it through the application's OpenDocument (code 0). Pending errors are reported after
// each list. Every list is freed; then the pending drop target is cleared.
void DroppedData_Deliver(T_Application* app);
// Frees the queue unread and forgets the drag targets (the application is going away).
void DroppedData_Discard(T_Application* app);

// --- Drag tracking ------------------------------------------------------------------------------

// Moves the drag target to the handler (null: none). The same target is told "moved"; otherwise
// the handlers that lie only on the old path from the application are told "left", deepest
// first, and those only on the new path "entered", outermost first.
void DragTrack(T_EventHandler* handler, uint32_t kinds);
// A drop happened on the drag target: it is told "dropped" and becomes the pending drop target.
void DropNotice();
T_EventHandler* DragTarget();
T_EventHandler* PendingDropTarget();
// Called while a handler is destroyed, before its children go (invariants 1 and 4).
void DragForget(T_EventHandler* handler);
