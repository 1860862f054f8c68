#pragma once
// T_Application: the single root of the element tree. Its children are the windows; it owns the
// frame window, the queue of posted actions and the queue of dropped data, and it is the last
// stop of commands and keys. Also here: command routing, menu enabling, the idle intervals, the
// mouse, wheel and key dispatch, quitting and the break-key poll.
//
// The menu bar is a layer of its own; the application sets entries through MenuOperations, which
// that layer installs (until then menu states go nowhere and no shortcut is found).
//
// User-interface thread only.
#include <windows.h>

#include <cstdint>

#include "ui/element.h"

class T_Window;
struct InputEvent;

// A command run after the current message; deleted after it ran.
class T_DeferCom : public T_Object {
 public:
  virtual ~T_DeferCom() = default;
  virtual void Execute() = 0;
  T_DeferCom* next = nullptr;
};

// The entries and menus that the application itself sets when no document serves commands.
constexpr int32_t kMenuFile = 1;
constexpr int32_t kMenuEdit = 2;
constexpr int32_t kMenuWindow = 3;
constexpr int32_t kMenuHelp = 4;
struct MenuOperations {
  void (*enableMenu)(int32_t menu, bool on);
  void (*enableCommand)(int32_t command, bool on);
  void (*clearTag)(int32_t command);
  void (*prepareAbout)();       // a separator in front of About when the entry before has a title
  void (*rebuildBar)();         // after the menus were marked changed
  bool (*findShortcut)(InputEvent* event);  // runs the command of a shortcut key
  void (*reloadTexts)();        // the language changed
  bool (*runNative)(int32_t id);  // the menu entry of a native command number; false when none
  void (*create)();             // the menu tree and the standard menus, once the frame exists
  void (*destroy)();            // the menu tree, after the windows and before the frame
  // Gives an entry the label of another text id (a window whose command reads otherwise in its
  // state, such as "Copy Chart"); the application puts the plain labels back before each update.
  void (*setCommandTitle)(int32_t command, int32_t textId);
  void (*refreshStates)();  // a menu opens: its states must be those of this moment
};
void SetMenuOperations(const MenuOperations* operations);
const MenuOperations* Menus();
// Asks for the menu bar to be rebuilt at the next idle update.
void MarkMenusChanged();

class T_Application : public T_EventHandler {
 public:
  explicit T_Application(bool openNow);
  ~T_Application() override;

  void Notify(int32_t code) override;
  void UpdateCommands() override;
  bool DoCommand(int32_t command) override;
  bool KeyDown(InputEvent* event, T_GrafElement* target) override;
  bool QueryClose(int32_t code) override;
  void Activate() override;
  bool CanActivate() override;
  virtual bool CloseAllWindows(T_Window* window, int32_t code);

  // Appended at the end of the queue; run and deleted after the current message.
  void PostAction(T_DeferCom* action);
  // A different language becomes current and every opened element hears of it (notify 18),
  // which reloads the menu texts.
  void SetLanguage(int32_t language);

  uint8_t quitRequested = 0;
  uint8_t lookUpShortcuts = 0;
  void* alertHandler = nullptr;  // the alert dialogs, once they exist
  T_DeferCom* firstAction = nullptr;
  TransferList* droppedData = nullptr;  // delivered by the drag-and-drop layer
};

// The application, or null outside its life.
T_Application* App();
// The active window, its focused item, or the application: where commands go.
T_EventHandler* CommandTarget();
T_Window* ActiveWindow();

void Application_RequestQuit(T_Application* application, int32_t code);
// An alert of the message with the text and one "Quit" button; then abort and quit with code 3.
void Application_FatalQuit(T_Application* application, int32_t message, const char* text);
void Application_Idle(T_Application* application);
// Steps 2, 3 and 6 of the after-message work: deferred closes, posted actions, periodic tick
// (with the pending-error report between).
void Application_AfterMessage(T_Application* application);
// Sends a change record to every window of the application.
void BroadcastToWindows(const ChangeNote* note);

// Idle intervals.
void SetIdleInterval(uint64_t milliseconds);
void LowerIdleInterval(uint64_t milliseconds);  // only when larger
uint64_t IdleInterval();

void Mouse_DispatchDown(T_Window* window, InputEvent* event);
void Mouse_DispatchWheel(T_Window* window, InputEvent* event, int32_t delta);
void Key_DispatchToFocus(T_Application* application, InputEvent* event);
void Key_OfferToPointerTarget(T_Application* application, InputEvent* event);
// The first visible window whose content holds the point (moved into it), or null.
T_Window* Window_HitTestChild(T_Application* application, POINT* point);
bool MouseDispatching();

// Called by long loops: true once the user asked to stop (Escape, Control+".").
bool BreakKeyPoll();

// The drag layer sets this while it tracks a drag over the application.
void SetDragTracking(bool tracking);
bool DragTracking();
