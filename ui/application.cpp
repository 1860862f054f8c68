#include "ui/application.h"

#include "core/alert.h"
#include "core/localized_text.h"
#include "core/message_pump.h"
#include "core/threads.h"
#include "ui/event_record.h"
#include "ui/graphics_port.h"
#include "ui/link_handler.h"
#include "ui/main_loop.h"
#include "ui/native_window.h"
#include "ui/program_entry.h"
#include "ui/transfer_list.h"
#include "ui/window.h"

namespace {

T_Application* application = nullptr;
MenuOperations menus{};
bool menusChanged = false;
bool dragTracking = false;
bool mouseDispatching = false;
uint64_t idleInterval = 0;
uint64_t lastIdleUpdate = 0;
uint64_t lastTick = 0;
uint64_t nextBreakPoll = 0;
WheelState wheel;

constexpr uint64_t kIdleQuiet = 15000;
constexpr uint64_t kIdleAfterKey = 1500;
constexpr uint64_t kTickPeriod = 180;

void EnableCommand(int32_t command, bool on) {
  if (menus.enableCommand) menus.enableCommand(command, on);
}

}  // namespace

void SetMenuOperations(const MenuOperations* operations) { menus = operations ? *operations : MenuOperations{}; }
const MenuOperations* Menus() { return &menus; }
void MarkMenusChanged() { menusChanged = true; }
void SetDragTracking(bool tracking) { dragTracking = tracking; }
bool DragTracking() { return dragTracking; }
bool MouseDispatching() { return mouseDispatching; }

T_Application* App() { return application; }

T_Window* ActiveWindow() {
  return application ? static_cast<T_Window*>(application->activeChild) : nullptr;
}

T_EventHandler* CommandTarget() {
  T_Window* window = ActiveWindow();
  if (window && window->focusedItem) return window->focusedItem;
  if (window) return window;
  return application;
}

// --- T_Application ----------------------------------------------------------------------------

T_Application::T_Application(bool openNow) : T_EventHandler(kKindApplication) {
  application = this;
  // Windows and elements take their parent's context; a database's windows get its own later.
  linkContext = new T_LinkContext();
  FrameCreate(ProgramName());
  if (menus.create) menus.create();
  if (openNow) EventHandler_Open(this);
}

T_Application::~T_Application() {
  EventHandler_CloseElement(this);
  application = nullptr;
  DroppedData_Discard(this);
  DestroyChildren();
  while (T_DeferCom* action = firstAction) {
    firstAction = action->next;
    delete action;
  }
  HoverForget(HoverTarget());
  if (menus.destroy) menus.destroy();
  FrameDestroy();  // saves the frame state first
  delete linkContext;
  linkContext = nullptr;
}

void T_Application::Notify(int32_t code) {
  T_EventHandler::Notify(code);
  switch (code) {
    case kNotifyOpened:
      SetIdleInterval(0);
      break;
    case kNotifyClosed:
      Application_AfterMessage(this);
      break;
    case kNotifyActivation:
      if (active) {
        EventHandler_ActivateFirstChild(this);
        T_Window* window = ActiveWindow();
        if (window && window->focusedItem) window->focusedItem->Notify(kNotifyFocusInActive);
      }
      break;
    case kNotifyLanguage:
      if (menus.reloadTexts) menus.reloadTexts();
      break;
    case kNotifyResetIdle:
      SetIdleInterval(0);
      break;
    default:
      break;
  }
}

void T_Application::UpdateCommands() {
  // The state with no document; every level that serves commands enables its own entries after.
  bool modal = ModalLoopRunning();
  bool anyWindow = firstChild != nullptr;
  if (menus.enableMenu) {
    menus.enableMenu(kMenuFile, !modal);
    menus.enableMenu(kMenuWindow, !modal);
    menus.enableMenu(kMenuHelp, !modal);
  }
  for (int32_t command : {kCommandNew, kCommandOpen, kCommandClose, kCommandSave, kCommandSaveAs,
                          kCommandPreferences, kCommandPrint, kCommandSelectAll, kCommandPageSetup,
                          kCommandCloseWindow, kCommandZoom}) {
    EnableCommand(command, false);
  }
  for (int32_t command = kCommandUndo; command <= -4; ++command) {
    if (menus.clearTag) menus.clearTag(command);
    EnableCommand(command, false);
  }
  for (int32_t command : {kCommandCloseAll, kCommandCascade, kCommandTile, kCommandArrangeIcons}) {
    EnableCommand(command, anyWindow);
  }
  if (menus.prepareAbout) menus.prepareAbout();
}

bool T_Application::DoCommand(int32_t command) {
  switch (command) {
    case kCommandExit:
      Application_RequestQuit(this, 0);
      return true;
    case kCommandCloseAll:
      CloseAllWindows(nullptr, 0);
      return true;
    case kCommandCascade:
      if (MdiClient()) SendMessageA(MdiClient(), WM_MDICASCADE, 0, 0);
      return true;
    case kCommandTile:
      if (MdiClient()) SendMessageA(MdiClient(), WM_MDITILE, 0, 0);
      return true;
    case kCommandArrangeIcons:
      if (MdiClient()) SendMessageA(MdiClient(), WM_MDIICONARRANGE, 0, 0);
      return true;
    default:
      return false;
  }
}

bool T_Application::KeyDown(InputEvent* event, T_GrafElement*) {
  if (event->control || event->keyCode == kKeyFunction) lookUpShortcuts = 1;
  return false;
}

bool T_Application::QueryClose(int32_t code) {
  if (T_Window* modal = ModalListFirst()) {
    for (; modal; modal = modal->nextModal) {
      if (!Window_PressForQuit(modal, code)) return false;
    }
    return true;
  }
  return T_EventHandler::QueryClose(code);
}

void T_Application::Activate() {
  if (!active) FrameBringToForeground();
  T_EventHandler::Activate();
}

bool T_Application::CanActivate() { return true; }

bool T_Application::CloseAllWindows(T_Window*, int32_t code) {
  for (T_GrafElement* child = firstChild; child;) {
    T_GrafElement* following = child->next;
    if (!EventHandler_RequestClose(child, code)) return false;
    child = following;
  }
  return true;
}

void T_Application::PostAction(T_DeferCom* action) {
  action->next = nullptr;
  T_DeferCom** link = &firstAction;
  while (*link) link = &(*link)->next;
  *link = action;
}

void T_Application::SetLanguage(int32_t language) {
  if (language == CurrentLanguage()) return;
  SetCurrentLanguage(language);
  Notify(kNotifyLanguage);
}

void BroadcastToWindows(const ChangeNote* note) {
  if (!application) return;
  for (T_GrafElement* child = application->firstChild; child; child = child->next) child->OnChange(note);
}

// --- Quitting ---------------------------------------------------------------------------------

void Application_RequestQuit(T_Application* app, int32_t code) {
  if (app->QueryClose(code)) app->quitRequested = 1;
}

void Application_FatalQuit(T_Application* app, int32_t message, const char* text) {
  AlertRequest request;
  AlertInit(&request);
  request.message = message;
  AlertAddText(&request, text);
  AlertAddButton(&request, 721);  // "Quit"
  request.defaultAnswer = 0;        // answers are button indices: Enter presses Quit
  ShowAlert(&request);
  PendingError.abort.store(true);
  Application_RequestQuit(app, 3);
}

// --- After-message work and idle --------------------------------------------------------------

void SetIdleInterval(uint64_t milliseconds) { idleInterval = milliseconds; }
void LowerIdleInterval(uint64_t milliseconds) {
  if (idleInterval > milliseconds) idleInterval = milliseconds;
}
uint64_t IdleInterval() { return idleInterval; }

void Application_Idle(T_Application*) {
  uint64_t now = TickCount();
  if (now - lastIdleUpdate > idleInterval || idleInterval == 0) {
    if (T_EventHandler* target = CommandTarget()) target->UpdateCommands();
    idleInterval = kIdleQuiet;
    lastIdleUpdate = now;
  }
  if (menusChanged) {
    menusChanged = false;
    if (menus.rebuildBar) menus.rebuildBar();
  }
}

void Application_AfterMessage(T_Application* app) {
  if (dragTracking) return;
  DeferredCloseDestroyAll();
  // Actions posted while these run are run in the same pass.
  while (T_DeferCom* action = app->firstAction) {
    app->firstAction = action->next;
    action->Execute();
    delete action;
  }
  PendingErrorReport();
  DroppedData_Deliver(app);
  uint64_t now = TickCount();
  if (now - lastTick >= kTickPeriod) {
    lastTick = now;
    app->Notify(kNotifyTick);
  }
}

// --- Dispatch ---------------------------------------------------------------------------------

void Mouse_DispatchDown(T_Window* window, InputEvent* event) {
  bool saved = mouseDispatching;
  mouseDispatching = true;
  POINT point{event->x, event->y};
  T_GrafElement* target = GrafElement_HitTest(window, &point);
  event->x = point.x;
  event->y = point.y;
  bool handled = target->PreviewMouseDown(event, target);
  if (!handled && window->active) handled = target->MouseDown(event, target);
  if (handled) SetIdleInterval(0);
  mouseDispatching = saved;
}

void Mouse_DispatchWheel(T_Window* window, InputEvent* event, int32_t delta) {
  int32_t lines = WheelLines(&wheel, event->time, delta);
  POINT point{event->x, event->y};
  T_GrafElement* target = GrafElement_HitTest(window, &point);
  event->x = point.x;
  event->y = point.y;
  target->OnWheel(event, lines);
}

void Key_DispatchToFocus(T_Application* app, InputEvent* event) {
  if (event->keyCode == 0) return;
  app->lookUpShortcuts = 0;
  T_Window* window = ActiveWindow();
  T_GrafElement* focused = window ? window->focusedItem : nullptr;
  T_EventHandler* target = focused ? static_cast<T_EventHandler*>(focused)
                                   : window ? static_cast<T_EventHandler*>(window)
                                            : static_cast<T_EventHandler*>(app);
  // Into the target's coordinates: the window's position, then the item's offset within it.
  if (window) {
    event->x -= window->x;
    event->y -= window->y;
  }
  if (focused) {
    event->x -= focused->offsetX;
    event->y -= focused->offsetY;
  }
  bool handled = target->KeyDown(event, focused);
  if (!handled && app->lookUpShortcuts && menus.findShortcut) handled = menus.findShortcut(event);
  if (handled) LowerIdleInterval(kIdleAfterKey);
}

T_Window* Window_HitTestChild(T_Application* app, POINT* point) {
  for (T_GrafElement* child = app->firstChild; child; child = child->next) {
    if (!child->visible) continue;
    int32_t px = point->x - child->x;
    int32_t py = point->y - child->y;
    const RECT& r = child->content;
    if (px >= r.left && px < r.right && py >= r.top && py < r.bottom) {
      point->x = px;
      point->y = py;
      return static_cast<T_Window*>(child);
    }
  }
  return nullptr;
}

void Key_OfferToPointerTarget(T_Application* app, InputEvent* event) {
  if (dragTracking) return;
  POINT point{event->x, event->y};
  T_GrafElement* element = nullptr;
  T_Window* window = Window_HitTestChild(app, &point);
  if (window && (window->active || !ModalLoopRunning())) element = GrafElement_HitTest(window, &point);
  event->x = point.x;
  event->y = point.y;
  uint32_t changes = CursorChangeCount();
  HoverSetTarget(event, element);
  if (CursorChangeCount() == changes && !(element && element->SetCursor(event, element))) CursorSet(32512);
}

bool BreakKeyPoll() {
  if (application && !application->active) return false;
  if (TickCount() < nextBreakPoll) return false;
  InputEvent event;
  InputPoll(&event, kPollModifiers | kPollKeys);
  bool period = event.virtualKey == '.' || event.virtualKey == VK_OEM_PERIOD;
  if (event.keyCode == kKeyEscape || (event.control && period)) PendingError.abort.store(true);
  PumpMessages();
  nextBreakPoll = event.time + 500;
  return AbortRequested();
}
