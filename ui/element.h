#pragma once
// The element tree: every visible thing of the user interface, from the application object down
// to a single check box, is a node of one tree of event handlers.
//
// Invariants:
//   1. The children of a node form a list through next, previous and parent. The first child is
//      the front-most; the previous link of the first child points to the last child, and the
//      next link of the last child is null.
//   2. A child's window is its parent's window (a window points to itself); the offset within the
//      window is the sum of the positions of the element and its ancestors below the window.
//   3. The region is trusted only while regionValid is set.
//   4. An element is never destroyed while its own event handling runs: it asks for its close
//      (EventHandler_RequestClose), goes on the deferred-close list and is destroyed after the
//      current message.
//   5. Notify codes below 16 describe one node and are also reported up to the parent; codes 16
//      and above are broadcasts that only travel down, and only to opened children.
//
// User-interface thread only, except RunBackground, which runs on its own worker thread and
// shares nothing but the task record with the user-interface side.
#include <windows.h>

#include <atomic>
#include <cstdint>

#include "ui/text_style.h"

class T_EventHandler;
class T_GrafElement;
class T_Window;
class T_LinkContext;
class T_DeferCom;
struct InputEvent;
struct ChangeNote;
struct TransferList;
struct ContextMenuRecord;
struct ChooserEvent;
struct SlidebarEvent;
struct LineboxEvent;
struct ModeboxEvent;
struct T_TextBuf;

// Element kinds.
constexpr uint32_t kKindApplication = 0;
constexpr uint32_t kKindDocument = 1;     // a window inside the frame window
constexpr uint32_t kKindFixedDocument = 2;  // the same, without sizing or zoom
constexpr uint32_t kKindDialog = 3;       // a top-level dialog window
constexpr uint32_t kKindButton = 12;

// Notify codes.
constexpr int32_t kNotifyOpened = 0;
constexpr int32_t kNotifyClosed = 1;
constexpr int32_t kNotifyActivation = 2;
constexpr int32_t kNotifyVisibility = 3;
constexpr int32_t kNotifyEnabled = 4;
constexpr int32_t kNotifyFocus = 5;
constexpr int32_t kNotifyFocusInActive = 6;
constexpr int32_t kNotifyBackColour = 7;
constexpr int32_t kNotifyTextStyle = 9;
constexpr int32_t kNotifyTitle = 10;
constexpr int32_t kNotifyBroadcastFirst = 16;
constexpr int32_t kNotifyTick = 17;
constexpr int32_t kNotifyLanguage = 18;
constexpr int32_t kNotifyResetIdle = 19;
constexpr int32_t kNotifyWindowActivation = 20;

// OnHover codes.
constexpr int32_t kHoverEntered = 0;
constexpr int32_t kHoverMoved = 1;
constexpr int32_t kHoverLeft = 2;

// A private window message handed to an element (1024 to 32767).
struct UserMessage {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// One long operation of an element on a worker thread. The handler's RunBackground polls
// stopRequested; the user-interface side waits for running to drop.
struct BackgroundTask {
  T_EventHandler* handler = nullptr;
  uint32_t argument = 0;
  std::atomic<bool> stopRequested{false};
  std::atomic<bool> running{false};
};

// The commands of a program-drawn popup menu: text ids, 0xFFFF for a separator, 0 at the end.
constexpr int32_t kPopupListSize = 64;
constexpr int32_t kPopupMaxIds = 62;
constexpr uint16_t kPopupSeparator = 0xFFFF;
struct PopupCommandList {
  const uint16_t* list = nullptr;  // the current list: the inline one once something was added
  uint16_t entries[kPopupListSize] = {};
};

class T_Object {};

class T_EventHandler : public T_Object {
 public:
  explicit T_EventHandler(uint32_t kind);
  virtual ~T_EventHandler();
  T_EventHandler(const T_EventHandler&) = delete;
  T_EventHandler& operator=(const T_EventHandler&) = delete;

  virtual void DoOpen();
  virtual void DoClose();
  virtual void Notify(int32_t code);
  virtual void NotifyFromParent(int32_t code);
  virtual void NotifyFromChild(int32_t code, T_GrafElement* child);
  virtual void OnChange(const ChangeNote* note);
  virtual void OnUserMessage(const UserMessage* message);
  virtual void RunBackground(BackgroundTask* task, uint32_t argument);
  virtual void UpdateCommands();
  virtual bool DoCommand(int32_t command);
  virtual void OpenDocument(int32_t code, const char* path);
  virtual void TrackDrag(int32_t code, uint32_t dataKinds);
  virtual bool AcceptDrop(TransferList* list);
  virtual void OnHover(InputEvent* event, int32_t code);
  virtual bool SetCursor(InputEvent* event, T_GrafElement* target);
  virtual bool PreviewMouseDown(InputEvent* event, T_GrafElement* target);
  virtual bool MouseDown(InputEvent* event, T_GrafElement* target);
  virtual bool OnWheel(InputEvent* event, int32_t lines);
  virtual bool KeyDown(InputEvent* event, T_GrafElement* target);
  virtual bool QueryClose(int32_t code);
  // The control-to-parent protocol: a control reports through its own operation with itself as
  // the sender, and the call climbs until an ancestor handles it.
  virtual void OnFrameEvent(T_GrafElement* frame, int32_t code);
  virtual void OnTabEvent(T_GrafElement* tabs, int32_t code);
  virtual void OnEditEvent(T_GrafElement* field, int32_t code);
  virtual void OnEditText(T_TextBuf* text, T_GrafElement* field);
  virtual void OnButton(T_GrafElement* button);
  virtual void OnCheckbox(T_GrafElement* checkbox);
  virtual void OnSpareEvent(T_GrafElement* sender, int32_t code);
  virtual void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record);
  virtual void OnSelectorEvent(T_GrafElement* selector);
  virtual void OnSlidebarEvent(T_GrafElement* bar, SlidebarEvent* record);
  virtual void OnLineboxEvent(T_GrafElement* box, LineboxEvent* record);
  virtual void OnModeboxEvent(T_GrafElement* box, ModeboxEvent* record);
  virtual bool OnModeboxMenu(T_GrafElement* box, ContextMenuRecord* record);
  virtual void ContextMenu(ContextMenuRecord* record, int32_t phase);
  virtual void GetMaxRect(RECT* rect);
  virtual void GetPreferredSize(POINT* size);
  virtual void Activate();
  virtual bool CanActivate();
  virtual void OnCloseActive();

  // Destroys every child (each unlinks itself). Subclasses whose children must go before their
  // own state call it early; the base destructor calls it again.
  void DestroyChildren();

  T_EventHandler* nextClosed = nullptr;  // deferred-close list
  uint32_t kind;
  uint8_t opened = 0;
  uint8_t shown = 0;
  uint8_t active = 0;
  uint8_t onCloseList = 0;  // also set for the list's tail, whose next is null
  T_GrafElement* firstChild = nullptr;
  T_GrafElement* activeChild = nullptr;
  T_LinkContext* linkContext = nullptr;
};

class T_GrafElement : public T_EventHandler {
 public:
  // Appended as the parent's last child; takes the parent's window, link context and the
  // default text style.
  T_GrafElement(uint32_t kind, T_EventHandler* parent);
  ~T_GrafElement() override;

  void DoOpen() override;
  void DoClose() override;
  void Notify(int32_t code) override;
  void NotifyFromParent(int32_t code) override;
  void NotifyFromChild(int32_t code, T_GrafElement* child) override;
  void UpdateCommands() override;
  bool DoCommand(int32_t command) override;
  void OpenDocument(int32_t code, const char* path) override;
  bool AcceptDrop(TransferList* list) override;
  bool SetCursor(InputEvent* event, T_GrafElement* target) override;
  bool PreviewMouseDown(InputEvent* event, T_GrafElement* target) override;
  bool MouseDown(InputEvent* event, T_GrafElement* target) override;
  bool OnWheel(InputEvent* event, int32_t lines) override;
  bool KeyDown(InputEvent* event, T_GrafElement* target) override;
  void OnFrameEvent(T_GrafElement* frame, int32_t code) override;
  void OnTabEvent(T_GrafElement* tabs, int32_t code) override;
  void OnEditEvent(T_GrafElement* field, int32_t code) override;
  void OnEditText(T_TextBuf* text, T_GrafElement* field) override;
  void OnButton(T_GrafElement* button) override;
  void OnCheckbox(T_GrafElement* checkbox) override;
  void OnSpareEvent(T_GrafElement* sender, int32_t code) override;
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;
  void OnSelectorEvent(T_GrafElement* selector) override;
  void OnSlidebarEvent(T_GrafElement* bar, SlidebarEvent* record) override;
  void OnLineboxEvent(T_GrafElement* box, LineboxEvent* record) override;
  void OnModeboxEvent(T_GrafElement* box, ModeboxEvent* record) override;
  bool OnModeboxMenu(T_GrafElement* box, ContextMenuRecord* record) override;
  void ContextMenu(ContextMenuRecord* record, int32_t phase) override;
  void GetPreferredSize(POINT* size) override;
  void OnCloseActive() override;

  virtual void OnMoved(int32_t dx, int32_t dy);
  virtual void OnResized(int32_t dw, int32_t dh);
  virtual void DrawContent();
  virtual void DrawFrame();
  virtual void CommitEdit();
  // Tab order (flags 3 forward, 7 backward); see FocusStep in window.h.
  virtual void FocusNext(int32_t flags);
  virtual void BringToFront() = 0;
  virtual void ComputeRegion() = 0;
  virtual void UpdateRegions(bool force) = 0;
  virtual void OffsetRegion(int32_t dx, int32_t dy, int32_t dw, int32_t dh) = 0;
  // The region (element coordinates) is limited to the element's shape.
  virtual void ClipToShape(HRGN region) = 0;
  // The region loses what covers the element.
  virtual void ClipToVisible(HRGN region) = 0;

  void MoveBy(int32_t dx, int32_t dy);
  void ResizeBy(int32_t dw, int32_t dh);
  void MoveAndResize(int32_t dx, int32_t dy, int32_t dw, int32_t dh);
  void MoveEdges(int32_t left, int32_t top, int32_t right, int32_t bottom);
  void MoveToRect(int32_t x, int32_t y, int32_t width, int32_t height);

  void SetVisible(bool visible);
  void SetBackColour(uint32_t index);
  void SetTextStyle(const TextStyle* style);
  void SetTextAlign(uint16_t value);  // bits under 0x1E0
  void SetWordWrap(bool on);          // bit 8
  void SetStyleBit4(bool on);         // bit 16
  void SetEmphasis(uint16_t value);   // bits under 7
  void SetTopmost();

  T_GrafElement* Parent() const;  // null when the parent is the application

  uint8_t eraseContent = 1;
  uint8_t eraseFrame = 1;
  uint8_t alwaysReportResize = 0;
  HRGN region = nullptr;
  uint8_t regionValid = 0;
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
  RECT content{};
  T_Window* window = nullptr;
  int32_t offsetX = 0;
  int32_t offsetY = 0;
  uint8_t visible = 0;
  uint8_t wantVisible = 1;
  uint8_t topmost = 0;
  uint8_t visibleWhenDeactivated = 0;
  RECT previousFrame{};
  T_GrafElement* next = nullptr;
  T_GrafElement* previous = nullptr;
  T_EventHandler* parent = nullptr;
  T_GrafElement* trackedChild = nullptr;
  uint32_t foreColour = 10;
  uint32_t backColour = 27;
  TextStyle style{};

 private:
  void SetStyleBits(uint16_t value, uint16_t mask);
};

// --- Tree operations ----------------------------------------------------------------------------

void EventHandler_Open(T_EventHandler* handler);
void EventHandler_CloseElement(T_EventHandler* handler);
// True when the flag already stands or was set; false when activation was refused.
bool EventHandler_SetActive(T_EventHandler* handler, bool flag);
void EventHandler_ActivateFirstChild(T_EventHandler* handler);
// Asks QueryClose and, when it agrees, puts the handler on the deferred-close list.
bool EventHandler_RequestClose(T_EventHandler* handler, int32_t code);
// A null handler counts as closed; otherwise QueryClose and, when it agrees, destroyed at once.
bool EventHandler_CloseAndDelete(T_EventHandler* handler, int32_t code);

// Child list.
void LinkChildFront(T_EventHandler* parent, T_GrafElement* child);
void LinkChildLast(T_EventHandler* parent, T_GrafElement* child);
void LinkChildAfter(T_EventHandler* parent, T_GrafElement* child, T_GrafElement* sibling);
void LinkChildBehindTopmost(T_EventHandler* parent, T_GrafElement* child);
void UnlinkChild(T_GrafElement* child);
T_GrafElement* LastChild(const T_EventHandler* parent);

// The deferred-close list: the first listed, and taking one off without destroying it.
T_EventHandler* DeferredCloseFirst();
void DeferredCloseRemove(T_EventHandler* handler);
// Destroys every listed element, re-reading the head each time (destroying a parent also takes
// its listed children off the list).
void DeferredCloseDestroyAll();

// The element under the pointer.
T_GrafElement* HoverTarget();
void HoverSetTarget(InputEvent* event, T_GrafElement* element);
// Forgets the target without telling it (it is going away).
void HoverForget(T_GrafElement* element);

// The element under a point given in root's coordinates; never null. The point is left in the
// result's coordinates.
T_GrafElement* GrafElement_HitTest(T_GrafElement* root, POINT* point);
// Whether the element's shape holds the point (element coordinates).
bool GrafElement_ShapeHolds(T_GrafElement* element, int32_t x, int32_t y);
// Changes the window offset of the element and all its descendants.
void GrafElement_ShiftWindowOffset(T_GrafElement* element, int32_t dx, int32_t dy);
void SetVisibleIfAny(T_GrafElement* element, bool visible);

// Returns the count of stored values (separators included, the end mark not).
int32_t PopupMenu_AddCommand(PopupCommandList* record, uint16_t id, bool separatorFirst);

bool BackgroundTaskStart(BackgroundTask* task, T_EventHandler* handler, uint32_t argument);
void BackgroundTaskStop(BackgroundTask* task);
