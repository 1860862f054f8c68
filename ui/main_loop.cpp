#include "ui/main_loop.h"

#include <cstring>

#include "core/message_pump.h"
#include "core/text_buffer.h"
#include "core/threads.h"
#include "ui/application.h"
#include "ui/graphics_port.h"
#include "ui/native_window.h"
#include "ui/program_entry.h"
#include "ui/window.h"

namespace {

struct Exclusion {
  bool started = false;
  // Taken on every message: a slim lock stays in user space where a kernel mutex costs a server
  // round trip each way under Wine. It is never held across a wait or a nested entry.
  LightLock lock;
  EventRecord userInterfaceFree;  // a worker waits on it
  EventRecord workerDone;         // the user-interface thread waits on it
  uint32_t uiDepth = 0;
  int32_t uiWaiting = 0;
  int32_t workersWaiting = 0;
  int32_t activeWorkers = 0;
  DWORD workerThread = 0;
};

Exclusion exclusion;
int32_t eventDepth = 0;
// Above 0 while the user-interface thread, waiting for a worker, handles a message another thread
// sent it: the sender is blocked in its send, so the handler must not wait in turn.
int32_t servingSentMessage = 0;
bool modalRunning = false;
MainLoopHook mainLoopHook = nullptr;

// Releases the lock, waits for *worker done* while letting sent messages through, and takes the
// lock again. The event is reset under the lock and the caller looks again, so a setting made
// between the release and the wait is not lost.
void WaitForWorkerDone() {
  ++exclusion.workerDone.waiting;
  LightLockLeave(&exclusion.lock);
  HANDLE done = exclusion.workerDone.handle;
  for (;;) {
    DWORD result = MsgWaitForMultipleObjects(1, &done, FALSE, INFINITE, QS_SENDMESSAGE);
    if (result != WAIT_OBJECT_0 + 1) break;
    MSG message;
    ++servingSentMessage;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    --servingSentMessage;
  }
  LightLockEnter(&exclusion.lock);
  --exclusion.workerDone.waiting;
  ResetEvent(done);
}

// The same for a worker waiting until the user interface is free.
void WaitForUserInterfaceFree() {
  ++exclusion.userInterfaceFree.waiting;
  LightLockLeave(&exclusion.lock);
  WaitForSingleObject(exclusion.userInterfaceFree.handle, INFINITE);
  LightLockEnter(&exclusion.lock);
  --exclusion.userInterfaceFree.waiting;
  ResetEvent(exclusion.userInterfaceFree.handle);
}

}  // namespace

// --- Exclusion --------------------------------------------------------------------------------

bool ExclusionStart() {
  if (exclusion.started) return true;
  if (!EventCreate(&exclusion.userInterfaceFree) || !EventCreate(&exclusion.workerDone)) {
    EventClose(&exclusion.userInterfaceFree);
    return false;
  }
  exclusion.started = true;
  return true;
}

void ExclusionEnd() {
  if (!exclusion.started) return;
  EventClose(&exclusion.userInterfaceFree);
  EventClose(&exclusion.workerDone);
  exclusion = Exclusion{};
}

void WorkerEnter() {
  if (!exclusion.started) return;
  LightLockEnter(&exclusion.lock);
  exclusion.workerThread = GetCurrentThreadId();
  ++exclusion.workersWaiting;
  // A user-interface thread that waits to enter goes first, so a worker that leaves and enters
  // again at once cannot starve it.
  while (exclusion.uiDepth > 0 || exclusion.uiWaiting > 0) WaitForUserInterfaceFree();
  ++exclusion.activeWorkers;
  --exclusion.workersWaiting;
  LightLockLeave(&exclusion.lock);
}

void WorkerLeave() {
  if (!exclusion.started) return;
  LightLockEnter(&exclusion.lock);
  if (--exclusion.activeWorkers <= 0) {
    exclusion.activeWorkers = 0;
    if (exclusion.uiWaiting > 0 || exclusion.uiDepth > 0) EventSet(&exclusion.workerDone);
  }
  exclusion.workerThread = 0;
  LightLockLeave(&exclusion.lock);
}

void UiEnter() {
  if (!exclusion.started) {
    ++exclusion.uiDepth;
    ++eventDepth;
    return;
  }
  LightLockEnter(&exclusion.lock);
  if (exclusion.activeWorkers > 0 && GetCurrentThreadId() != exclusion.workerThread &&
      servingSentMessage == 0) {
    ++exclusion.uiWaiting;
    while (exclusion.activeWorkers > 0) WaitForWorkerDone();
    --exclusion.uiWaiting;
  }
  ++exclusion.uiDepth;
  ++eventDepth;
  LightLockLeave(&exclusion.lock);
}

void UiLeave() {
  if (!exclusion.started) {
    --eventDepth;
    --exclusion.uiDepth;
    return;
  }
  LightLockEnter(&exclusion.lock);
  --eventDepth;
  if (exclusion.uiDepth > 0 && --exclusion.uiDepth == 0 && exclusion.workersWaiting > 0) {
    EventSet(&exclusion.userInterfaceFree);
  }
  LightLockLeave(&exclusion.lock);
}

bool WorkerActive() {
  if (!exclusion.started) return false;
  LightLockEnter(&exclusion.lock);
  bool active = exclusion.activeWorkers > 0;
  LightLockLeave(&exclusion.lock);
  return active;
}

int32_t EventDepth() { return eventDepth; }
void EventDepthAdd(int32_t delta) { eventDepth += delta; }
bool ModalLoopRunning() { return modalRunning; }
bool UiAtTopLevel() { return exclusion.uiDepth == 0 && eventDepth == 0 && !modalRunning; }
void SetMainLoopHook(MainLoopHook hook) { mainLoopHook = hook; }

// --- Command-line documents -------------------------------------------------------------------

void CommandLineDocuments(const char* text, DocumentOpener open, void* context) {
  if (!text || !*text || *text == '/' || *text == '-') return;
  const char* p = text;
  for (;;) {
    while (*p == ' ') ++p;
    if (!*p) return;
    if (*p == '"') {
      const char* close = std::strchr(p + 1, '"');
      if (!close) {
        if (p[1]) open(context, p + 1, static_cast<int32_t>(std::strlen(p + 1)));
        return;
      }
      if (close > p + 1) open(context, p + 1, static_cast<int32_t>(close - p - 1));
      p = close + 1;
      continue;
    }
    // Only a blank in front of another absolute path (a drive letter and a colon, or two
    // backslashes) ends a path; other blanks belong to it.
    const char* end = nullptr;
    for (const char* b = std::strchr(p, ' '); b; b = std::strchr(b + 1, ' ')) {
      auto next = static_cast<unsigned char>(b[1]);
      if ((next >= 65 && b[2] == ':') || (b[1] == '\\' && b[2] == '\\')) {
        end = b;
        break;
      }
    }
    if (!end) {
      open(context, p, static_cast<int32_t>(std::strlen(p)));
      return;
    }
    open(context, p, static_cast<int32_t>(end - p));
    p = end + 1;
  }
}

static void OpenCommandLineDocument(void*, const char* path, int32_t length) {
  T_TextBuf text;
  TextBufAssignBytes(&text, path, length);
  UiEnter();
  if (T_EventHandler* target = CommandTarget()) target->OpenDocument(0, text.data);
  UiLeave();
}

// --- Loops ------------------------------------------------------------------------------------

void MainLoop(const uint8_t* quitRequested) {
  CommandLineDocuments(CommandLineText(), OpenCommandLineDocument, nullptr);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    HWND client = MdiClient();
    if (client && TranslateMDISysAccel(client, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
    if (*quitRequested) PostQuitMessage(0);
    // The hook answers work held for the top level (web requests); the idle work after it
    // updates menus and windows for whatever either changed.
    if (mainLoopHook && UiAtTopLevel()) mainLoopHook();
    AfterMessageWork();
  }
}

void AfterMessageWork() {
  UiEnter();
  T_Application* application = App();
  if (application && !WorkerActive()) {
    Application_AfterMessage(application);
    if (App() && App()->active) Application_Idle(App());
  }
  GdiFlush();
  UiLeave();
}

static void ModalFilter(MSG* message) {
  TranslateMessage(message);
  DispatchMessageA(message);
}

void ModalLoop(NativeRecord* native) {
  if (!native->handle) return;
  CursorSet(32512);  // the arrow
  bool savedModal = modalRunning;
  modalRunning = true;
  int32_t savedDepth = eventDepth;
  eventDepth = 0;
  native->modalEnd = 0;
  MSG message;
  for (;;) {
    BOOL got = GetMessageA(&message, nullptr, 0, 0);
    if (got != 1) {
      // The quit belongs to the main loop: put it back so that the program still ends.
      if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    ModalFilter(&message);
    if (native->modalEnd) break;
    AfterMessageWork();
  }
  eventDepth += savedDepth;
  modalRunning = savedModal;
}

void Drain(NativeRecord* native) {
  HWND before = GetCapture();
  if (native->handle) SetCapture(native->handle);
  MSG message;
  while (PeekMessageA(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) ModalFilter(&message);
  while (PeekMessageA(&message, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) ModalFilter(&message);
  if (PeekMessageA(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) ModalFilter(&message);
  PumpMessages();
  ReleaseCapture();
  if (before) SetCapture(before);
}
