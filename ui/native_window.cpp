#include "ui/native_window.h"

#include <shellapi.h>

#include <cstdio>
#include <cstring>

#include "core/localized_text.h"
#include "core/message_pump.h"
#include "core/settings_store.h"
#include "core/text_buffer.h"
#include "core/wide_buffer.h"
#include "ui/application.h"
#include "ui/drag_drop.h"
#include "ui/draw_primitives.h"
#include "ui/element_paint.h"
#include "ui/event_record.h"
#include "ui/graphics_port.h"
#include "ui/main_loop.h"
#include "ui/menu_model.h"
#include "ui/program_entry.h"
#include "ui/window.h"

namespace {

constexpr const char* kSettingsSection = "QEB/TK";
constexpr DWORD kFrameStyle = 0xCF0000;        // overlapped window
constexpr DWORD kClientStyle = 0x52030001;     // child, visible, clip children, scroll bars, border
constexpr DWORD kDocumentStyle = 0x6CF0000;    // clip siblings and children, overlapped window
constexpr DWORD kFixedStyle = 0x6CA0000;       // clip, caption, system menu, minimise box
constexpr DWORD kDialogStyle = 0x6C00000;      // clip, caption
constexpr UINT kBusyNotice = WM_USER + 16;     // 1040

HWND frame = nullptr;
HWND client = nullptr;
HWND nextViewer = nullptr;
WNDPROC clientClassProcedure = nullptr;
bool frameVisible = true;
bool creatingNative = false;
RECT normalRect{};
int32_t clipboardKind = 0;
NativeMessage* messageStack = nullptr;
HWND captureBefore = nullptr;

struct DocumentClass {
  uint32_t iconId;
  char name[24];
};
DocumentClass documentClasses[64];
int32_t documentClassCount = 0;

void ToWide(T_WideBuf* wide, const char* text) { WideBufAssignUtf8(wide, text ? text : ""); }

DWORD NativeStyle(const T_Window* window, DWORD* exStyle) {
  *exStyle = 0;
  if (window->kind == kKindDocument) return kDocumentStyle;
  if (window->kind == kKindFixedDocument) return kFixedStyle;
  if (window->native.fillFrame) return WS_POPUP;
  *exStyle = WS_EX_DLGMODALFRAME;
  return kDialogStyle;
}

bool InsideFrame(const T_Window* window) { return window->kind != kKindDialog; }

// The native window rectangle of the element's rectangle, in the coordinates its native window is
// placed in (the MDI client's for document windows, the screen's for dialogs of a shown frame).
RECT DesiredNativeRect(const T_Window* window) {
  RECT r{window->x, window->y, window->x + window->width, window->y + window->height};
  if (!window->native.fillFrame) {
    DWORD exStyle;
    DWORD style = NativeStyle(window, &exStyle);
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
  }
  if (!InsideFrame(window) && frameVisible && client) {
    POINT p{0, 0};
    ClientToScreen(client, &p);
    OffsetRect(&r, p.x, p.y);
  }
  return r;
}

RECT CurrentNativeRect(const T_Window* window) {
  RECT r{};
  GetWindowRect(window->native.handle, &r);
  if (InsideFrame(window) && client) MapWindowPoints(nullptr, client, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

int32_t ReadClipboardKind() {
  if (IsClipboardFormatAvailable(CF_UNICODETEXT) || IsClipboardFormatAvailable(CF_TEXT)) return 1;
  if (IsClipboardFormatAvailable(CF_BITMAP)) return 2;
  return 0;
}

LRESULT CALLBACK ClientProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_KEYDOWN:
      HandleKey(static_cast<uint16_t>(wParam), lParam);
      break;
    case WM_CHAR:
      HandleCharacter(static_cast<uint16_t>(wParam));
      break;
    case WM_TIMER:
      return 0;  // only there so that the after-message work runs while the user does nothing
    default:
      break;
  }
  return CallWindowProcA(clientClassProcedure, hwnd, message, wParam, lParam);
}

// The element follows its native window after the user moved or sized it.
void FollowNative(T_Window* window) {
  RECT c{};
  GetClientRect(window->native.handle, &c);
  HWND reference = InsideFrame(window) || !frameVisible ? client : nullptr;
  MapWindowPoints(window->native.handle, reference, reinterpret_cast<POINT*>(&c), 2);
  if (!InsideFrame(window) && frameVisible && client) MapWindowPoints(nullptr, client, reinterpret_cast<POINT*>(&c), 2);
  if (c.left != window->x || c.top != window->y || c.right - c.left != window->width ||
      c.bottom - c.top != window->height) {
    UiEnter();
    window->MoveToRect(c.left, c.top, c.right - c.left, c.bottom - c.top);
    UiLeave();
  }
  SetIdleInterval(0);
}

void EventOfCurrentMessage(InputEvent* event) {
  MSG message{};
  DWORD position = GetMessagePos();
  message.pt = {static_cast<int16_t>(LOWORD(position)), static_cast<int16_t>(HIWORD(position))};
  message.time = static_cast<DWORD>(GetMessageTime());
  EventFromMessage(event, &message);
}

LRESULT WindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, bool dialog) {
  auto fallback = [&]() {
    return dialog ? DefWindowProcA(hwnd, message, wParam, lParam)
                  : DefMDIChildProcA(hwnd, message, wParam, lParam);
  };
  if (creatingNative) return fallback();
  T_Window* window = ElementOfNative(hwnd);
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_SETCURSOR:
    case WM_KEYDOWN:
    case WM_CHAR:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      SetBusyDeadline();
      break;
    default:
      break;
  }
  switch (message) {
    case WM_PAINT:
      if (!window) break;
      PaintWindow(window);
      return 0;
    case WM_DESTROY:
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_CLOSE:
      if (window) {
        // The question a close may ask carries the command's name as its caption.
        const char* savedTitle = CurrentCommandTitle();
        if (!dialog) SetCurrentCommandTitle(GetString(707));  // "Close"
        UiEnter();
        EventHandler_RequestClose(window, 0);
        UiLeave();
        SetCurrentCommandTitle(savedTitle);
      }
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(lParam) != HTCLIENT) break;
      CursorUpdate();
      return 1;
    case WM_WINDOWPOSCHANGED:
      if (!window) break;
      if (window->kind == kKindFixedDocument && IsZoomed(hwnd)) {
        SendMessageA(client, WM_MDIRESTORE, reinterpret_cast<WPARAM>(hwnd), 0);
      } else {
        FollowNative(window);
      }
      break;
    case WM_NCACTIVATE:
      if (!window) break;
      window->native.nativeActive = wParam ? 1 : 0;
      UiEnter();
      EventHandler_SetActive(window, wParam && (dialog || !ModalLoopRunning()));
      UiLeave();
      break;
    case WM_GETMINMAXINFO:
      if (!dialog) {
        LRESULT result = fallback();
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMinTrackSize = {128, 80};
        return result;
      }
      break;
    case WM_KEYDOWN:
      HandleKey(static_cast<uint16_t>(wParam), lParam);
      return 0;
    case WM_CHAR:
      HandleCharacter(static_cast<uint16_t>(wParam));
      return 0;
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
      CursorUpdate();
      break;
    case WM_MOUSEMOVE:
      if (dialog) CursorUpdate();
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: {
      if (!window) return 0;
      if (!dialog && (message == WM_RBUTTONDOWN || message == WM_RBUTTONDBLCLK) && !window->active) {
        SendMessageA(client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(hwnd), 0);
      }
      NativeMessage entry{hwnd, message, wParam, lParam, 0, messageStack};
      messageStack = &entry;
      HandleMouseDown(window);
      messageStack = entry.previous;
      return dialog ? entry.result : 0;
    }
    case WM_MOUSEWHEEL:
      if (window) HandleWheel(window, static_cast<int16_t>(HIWORD(wParam)));
      return 1;
    case WM_QUERYENDSESSION:
      if (dialog && window && frame && !IsWindowVisible(frame)) {
        window->native.modalEnd = 1;
        PostQuitMessage(0);
      }
      break;
    default:
      if (message >= WM_USER && message <= 32767 && window) {
        UserMessage record{message, wParam, lParam};
        UiEnter();
        window->OnUserMessage(&record);
        UiLeave();
        return 0;
      }
      break;
  }
  return fallback();
}

}  // namespace

// --- Classes ----------------------------------------------------------------------------------

void RegisterFrameClasses(HINSTANCE instance) {
  WNDCLASSA frameClass{};
  frameClass.lpfnWndProc = FrameProcedure;
  frameClass.hInstance = instance;
  frameClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(kFrameIconId));
  if (!frameClass.hIcon) frameClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
  frameClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  if (FindResourceA(instance, "StubbMenu", MAKEINTRESOURCEA(4))) frameClass.lpszMenuName = "StubbMenu";
  frameClass.lpszClassName = kFrameClass;
  RegisterClassA(&frameClass);

  WNDCLASSA dialogClass{};
  dialogClass.lpfnWndProc = DialogProcedure;
  dialogClass.cbWndExtra = 8;
  dialogClass.hInstance = instance;
  dialogClass.lpszClassName = kDialogClass;
  RegisterClassA(&dialogClass);
}

const char* DocumentClassName(uint32_t iconId) {
  for (int32_t i = 0; i < documentClassCount; ++i) {
    if (documentClasses[i].iconId == iconId) return documentClasses[i].name;
  }
  if (documentClassCount == 64) return documentClasses[0].name;  // never more icons than that
  DocumentClass& entry = documentClasses[documentClassCount];
  entry.iconId = iconId;
  std::snprintf(entry.name, sizeof entry.name, "TopWin%u", iconId);
  WNDCLASSA documentClass{};
  documentClass.lpfnWndProc = DocumentProcedure;
  documentClass.cbWndExtra = 8;
  documentClass.hInstance = ProgramInstance();
  documentClass.hIcon = LoadIconA(ProgramInstance(), MAKEINTRESOURCEA(iconId));
  documentClass.hCursor = nullptr;
  documentClass.lpszClassName = entry.name;
  RegisterClassA(&documentClass);
  ++documentClassCount;
  return entry.name;
}

void UnregisterDocumentClasses() {
  for (int32_t i = 0; i < documentClassCount; ++i) UnregisterClassA(documentClasses[i].name, ProgramInstance());
  documentClassCount = 0;
}

// --- The frame --------------------------------------------------------------------------------

HWND FrameWindow() { return frame; }
HWND MdiClient() { return client; }
bool FrameVisible() { return frameVisible; }
void SetFrameVisible(bool visible) { frameVisible = visible; }
void FrameClearNormalRect() { normalRect = RECT{}; }

bool FrameCreate(const char* title) {
  T_WideBuf wideTitle;
  ToWide(&wideTitle, title);
  frame = CreateWindowExW(0, L"TopFrame", wideTitle.c_str(), kFrameStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, ProgramInstance(), nullptr);
  if (!frame) return false;
  nextViewer = SetClipboardViewer(frame);
  FrameState state;
  FrameStateLoad(&state);
  RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  FrameStateLimit(&state, &screen);
  if (!IsRectEmpty(&state.rect)) {
    MoveWindow(frame, state.rect.left, state.rect.top, state.rect.right - state.rect.left,
               state.rect.bottom - state.rect.top, FALSE);
  }
  RECT area{};
  GetClientRect(frame, &area);
  CLIENTCREATESTRUCT clientCreate{nullptr, 30000};
  client = CreateWindowExA(0, "MDICLIENT", nullptr, kClientStyle, area.left, area.top, area.right - area.left,
                           area.bottom - area.top, frame, reinterpret_cast<HMENU>(1), ProgramInstance(),
                           &clientCreate);
  if (client) {
    clientClassProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(client, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ClientProcedure)));
    SetTimer(client, kClientTimerId, kClientTimerPeriod, nullptr);
  }
  // The client exists before the frame shows, so nobody who finds the visible frame finds it
  // without its client; the frame procedure sizes the client to the shown frame.
  if (frameVisible) {
    ShowWindow(frame, state.show == 'M' ? SW_SHOWMAXIMIZED : state.show == 'I' ? SW_SHOWMINIMIZED : SW_SHOWNORMAL);
    UpdateWindow(frame);
  }
  PumpSetFrameWindow(frame);
  return true;
}

void FrameDestroy() {
  if (!frame) return;
  FrameStateSave();
  if (client) KillTimer(client, kClientTimerId);
  PumpSetFrameWindow(nullptr);
  HWND old = frame;
  DestroyWindow(old);
  frame = nullptr;
  client = nullptr;
}

void FrameSetTitle(const char* title) {
  if (!frame) return;
  T_WideBuf wide;
  ToWide(&wide, title);
  SetWindowTextW(frame, wide.c_str());
}

void AvailableArea(RECT* area) {
  if (!frameVisible || !frame || IsIconic(frame)) {
    *area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return;
  }
  GetClientRect(client ? client : frame, area);
}

void FrameBringToForeground() {
  if (!frame) return;
  if (IsIconic(frame)) ShowWindow(frame, SW_RESTORE);
  HWND foreground = GetForegroundWindow();
  DWORD theirs = foreground ? GetWindowThreadProcessId(foreground, nullptr) : 0;
  DWORD ours = GetCurrentThreadId();
  if (theirs && theirs != ours) {
    AttachThreadInput(ours, theirs, TRUE);
    BringWindowToTop(frame);
    SetForegroundWindow(frame);
    AttachThreadInput(ours, theirs, FALSE);
  } else {
    SetForegroundWindow(frame);
  }
}

void FrameStateLimit(FrameState* state, const RECT* screen) {
  RECT kept{};
  IntersectRect(&kept, &state->rect, screen);
  if (kept.right - kept.left < 100 || kept.bottom - kept.top < 100) kept = RECT{};
  state->rect = kept;
}

void FrameStateLoad(FrameState* state) {
  SettingsStore store;
  SettingsOpen(&store, kSettingsSection, kSettingsUser);
  SettingsReadChar(&store, "FrameState", &state->show);
  char text[65] = {};
  SettingsReadText(&store, "FrameSize", text, sizeof text);
  SettingsClose(&store);
  if (!text[0] || !RectFromText(&state->rect, text)) state->rect = RECT{};
}

void FrameStateSave() {
  if (!frame) return;
  SettingsStore store;
  SettingsOpen(&store, kSettingsSection, kSettingsUser);
  SettingsWriteChar(&store, "FrameState", IsZoomed(frame) ? 'M' : IsIconic(frame) ? 'I' : 'N');
  if (!IsRectEmpty(&normalRect)) {
    T_TextBuf text;
    RectToText(&normalRect, &text);
    SettingsWrite(&store, "FrameSize", text.data);
  }
  SettingsClose(&store);
}

// --- Native windows ---------------------------------------------------------------------------

void NativeFrameSize(uint32_t kind, int32_t* frameWidth, int32_t* caption) {
  *frameWidth = GetSystemMetrics(kind == kKindDocument ? SM_CXFRAME : SM_CXDLGFRAME);
  *caption = GetSystemMetrics(SM_CYCAPTION);
}

T_Window* ElementOfNative(HWND handle) { return static_cast<T_Window*>(GetPropA(handle, kWindowProperty)); }

void NativeCreate(T_Window* window) {
  if (window->native.handle) return;
  RECT r = DesiredNativeRect(window);
  T_WideBuf title;
  ToWide(&title, window->Title());
  window->native.nativeActive = 1;
  DWORD exStyle;
  DWORD style = NativeStyle(window, &exStyle);
  HWND handle = nullptr;
  creatingNative = true;
  if (InsideFrame(window)) {
    if (client) {
      T_WideBuf className;
      ToWide(&className, DocumentClassName(window->iconId));
      MDICREATESTRUCTW create{className.c_str(), title.c_str(), ProgramInstance(), r.left, r.top,
                              r.right - r.left, r.bottom - r.top, style, 0};
      handle = reinterpret_cast<HWND>(SendMessageW(client, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&create)));
    }
  } else {
    handle = CreateWindowExW(exStyle, L"TopDialog", title.c_str(), style, r.left, r.top, r.right - r.left,
                             r.bottom - r.top, client, nullptr, ProgramInstance(), nullptr);
  }
  creatingNative = false;
  window->native.handle = handle;
  if (!handle) return;
  SetPropA(handle, kWindowProperty, window);
  DropTargetRegister(window);
}

void NativeDestroy(T_Window* window) {
  HWND handle = window->native.handle;
  if (!handle) return;
  RemovePropA(handle, kWindowProperty);
  DropTargetRevoke(window);
  window->native.handle = nullptr;
  if (InsideFrame(window)) {
    if (client) SendMessageA(client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(handle), 0);
  } else {
    DestroyWindow(handle);
    if (frame) {
      SetForegroundWindow(frame);
      UpdateWindow(frame);
    }
  }
}

void NativeShow(T_Window* window, bool show) {
  if (window->native.handle) ShowWindow(window->native.handle, show ? SW_SHOW : SW_HIDE);
}

void NativeSetTitle(T_Window* window) {
  if (!window->native.handle) return;
  T_WideBuf title;
  ToWide(&title, window->Title());
  SetWindowTextW(window->native.handle, title.c_str());
}

void NativeFollowElement(T_Window* window) {
  if (!window->native.handle) return;
  RECT wanted = DesiredNativeRect(window);
  RECT current = CurrentNativeRect(window);
  if (!InsideFrame(window) && frameVisible && client) GetWindowRect(window->native.handle, &current);
  if (EqualRect(&wanted, &current)) return;
  MoveWindow(window->native.handle, wanted.left, wanted.top, wanted.right - wanted.left, wanted.bottom - wanted.top,
             TRUE);
}

void NativeBringToTop(T_Window* window) {
  HWND handle = window->native.handle;
  if (!handle) return;
  BringWindowToTop(handle);
  if (!InsideFrame(window)) SetForegroundWindow(handle);
}

void NativeActivate(T_Window* window) {
  HWND handle = window->native.handle;
  if (!handle) return;
  if (InsideFrame(window)) {
    if (client && reinterpret_cast<HWND>(SendMessageA(client, WM_MDIGETACTIVE, 0, 0)) != handle) {
      SendMessageA(client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(handle), 0);
    }
  } else if (GetActiveWindow() != handle) {
    SetActiveWindow(handle);
  }
}

bool NativeIsZoomed(T_Window* window) { return window->native.handle && IsZoomed(window->native.handle); }

void NativeRestore(T_Window* window, RECT* restored) {
  if (client && window->native.handle) {
    SendMessageA(client, WM_MDIRESTORE, reinterpret_cast<WPARAM>(window->native.handle), 0);
  }
  *restored = {window->x, window->y, window->x + window->width, window->y + window->height};
}

void NativeGetUpdateRegion(T_Window* window, HRGN region) {
  if (!window->native.handle || GetUpdateRgn(window->native.handle, region, FALSE) == ERROR) {
    SetRectRgn(region, 0, 0, 0, 0);
  }
}

void NativeAddUpdateRegion(T_Window* window, HRGN region) {
  if (window->native.handle) InvalidateRgn(window->native.handle, region, FALSE);
}

void NativeValidateRegion(T_Window* window, HRGN region) {
  if (window->native.handle) ValidateRgn(window->native.handle, region);
}

void WindowRedrawNow(T_Window* window) {
  if (!window->native.handle) return;
  InvalidateRect(window->native.handle, nullptr, FALSE);
  UpdateWindow(window->native.handle);
}

// --- Capture and the current native message ---------------------------------------------------

void CaptureBegin() {
  captureBefore = GetCapture();
  if (frame) SetCapture(frame);
}

void CaptureEnd() {
  MSG message;
  while (PeekMessageA(&message, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
  }
  if (captureBefore) {
    SetCapture(captureBefore);
  } else {
    ReleaseCapture();
  }
  captureBefore = nullptr;
}

NativeMessage* CurrentNativeMessage() { return messageStack; }

void NativeMessagePush(NativeMessage* entry) {
  entry->previous = messageStack;
  messageStack = entry;
}

void NativeMessagePop(NativeMessage* entry) {
  if (messageStack == entry) messageStack = entry->previous;
}

// --- Handlers ---------------------------------------------------------------------------------

void HandleKey(uint16_t virtualKey, LPARAM lParam) {
  T_Application* app = App();
  if (!app) return;
  InputEvent event;
  EventOfCurrentMessage(&event);
  UiEnter();
  InputEvent pointer = event;  // the offer moves the point into the element it finds
  Key_OfferToPointerTarget(app, &pointer);
  KeyMapVirtualKey(&event, virtualKey, ((lParam >> 24) & 1) != 0);
  if (event.keyCode != 0) Key_DispatchToFocus(app, &event);
  UiLeave();
}

void HandleCharacter(uint16_t character) {
  T_Application* app = App();
  if (!app) return;
  InputEvent event;
  EventOfCurrentMessage(&event);
  if (!KeyMapCharacter(&event, character)) return;
  UiEnter();
  Key_DispatchToFocus(app, &event);
  UiLeave();
}

void HandleMouseDown(T_Window* window) {
  if (!App()) return;
  InputEvent event;
  EventOfCurrentMessage(&event);
  ClickDetect(CurrentClickState(), &event, GetDoubleClickTime());
  UiEnter();
  event.x -= window->x;
  event.y -= window->y;
  GrafElement_Invalidate(window, kPaintNow | kPaintChildren | kPaintPendingOnly);
  Mouse_DispatchDown(window, &event);
  UiLeave();
}

void HandleWheel(T_Window* window, int32_t delta) {
  if (!App()) return;
  InputEvent event;
  EventOfCurrentMessage(&event);
  UiEnter();
  event.x -= window->x;
  event.y -= window->y;
  Mouse_DispatchWheel(window, &event, delta);
  UiLeave();
}

void CursorUpdate() {
  T_Application* app = App();
  if (!app || EventDepth() != 0) return;
  InputEvent event;
  InputPoll(&event, kPollButtons | kPollModifiers);
  UiEnter();
  Key_OfferToPointerTarget(app, &event);
  UiLeave();
}

void PaintWindow(T_Window* window) {
  HWND handle = window->native.handle;
  if (window->PaintHeld()) {
    // Validated now, painted in full when the hold ends: a paint left pending would come back at
    // once and keep the deletion's message pump busy.
    PAINTSTRUCT ps;
    BeginPaint(handle, &ps);
    EndPaint(handle, &ps);
    return;
  }
  UiEnter();
  HRGN update = CreateRectRgn(0, 0, 0, 0);
  GetUpdateRgn(handle, update, TRUE);
  SystemColoursRefresh();
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(handle, &ps);
  RECT c{};
  GetClientRect(handle, &c);
  GraphicsPort port;
  PortInitRegions(&port);
  if (dc && PortOpenDC(&port, handle, dc, c.right, c.bottom)) {
    GrafElement_PaintTree(window, true, update);
    PortClose(&port);
  }
  PortFreeRegions(&port);
  EndPaint(handle, &ps);
  DeleteObject(update);
  UiLeave();
}

// --- Procedures -------------------------------------------------------------------------------

LRESULT CALLBACK FrameProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      DragAcceptFiles(hwnd, TRUE);
      break;
    case WM_DESTROY:
      DragAcceptFiles(hwnd, FALSE);
      ChangeClipboardChain(hwnd, nextViewer);
      nextViewer = nullptr;
      return 0;
    case WM_CLOSE:
      if (T_Application* app = App()) {
        const char* savedTitle = CurrentCommandTitle();
        SetCurrentCommandTitle(GetString(721));  // "Quit"
        UiEnter();
        Application_RequestQuit(app, 0);
        UiLeave();
        SetCurrentCommandTitle(savedTitle);
      }
      return 0;
    case WM_QUERYENDSESSION: {
      // Log-off asks first: unsaved work gets its question like any other close.
      T_Application* app = App();
      if (!app) return TRUE;
      UiEnter();
      bool agreed = app->QueryClose(0);
      UiLeave();
      return agreed ? TRUE : FALSE;
    }
    case WM_ENDSESSION:
      if (wParam && App()) ProgramEndSession();
      return 0;
    case WM_ACTIVATEAPP:
      if (T_Application* app = App()) {
        UiEnter();
        EventHandler_SetActive(app, wParam != 0);
        UiLeave();
      }
      break;
    case WM_SETCURSOR:
      if (LOWORD(lParam) != HTCLIENT) break;
      CursorUpdate();
      return 1;
    case WM_WINDOWPOSCHANGED:
      if (!IsIconic(hwnd) && !IsZoomed(hwnd)) GetWindowRect(hwnd, &normalRect);
      break;
    case WM_KEYDOWN:
      HandleKey(static_cast<uint16_t>(wParam), lParam);
      return 0;
    case WM_CHAR:
      HandleCharacter(static_cast<uint16_t>(wParam));
      return 0;
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case kBusyNotice:
      CursorUpdate();
      break;
    case WM_COMMAND:
      if (LOWORD(wParam) >= 1 && Menus()->runNative) {
        UiEnter();
        bool found = Menus()->runNative(LOWORD(wParam));
        UiLeave();
        if (found) return 0;
      }
      break;
    case WM_DROPFILES:
      DropFilesOnFrame(reinterpret_cast<HDROP>(wParam));
      return 0;
    case WM_DRAWCLIPBOARD: {
      int32_t kind = ReadClipboardKind();
      bool notify = kind != 0 || clipboardKind != 0;
      clipboardKind = kind;
      if (notify && App()) {
        UiEnter();
        App()->Notify(kNotifyResetIdle);
        UiLeave();
      }
      if (nextViewer) SendMessageA(nextViewer, message, wParam, lParam);
      return 0;
    }
    case WM_CHANGECBCHAIN:
      if (reinterpret_cast<HWND>(wParam) == nextViewer) {
        nextViewer = reinterpret_cast<HWND>(lParam);
      } else if (nextViewer) {
        SendMessageA(nextViewer, message, wParam, lParam);
      }
      return 0;
    default:
      break;
  }
  return DefFrameProcA(hwnd, client, message, wParam, lParam);
}

LRESULT CALLBACK DocumentProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return WindowProcedure(hwnd, message, wParam, lParam, false);
}

LRESULT CALLBACK DialogProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return WindowProcedure(hwnd, message, wParam, lParam, true);
}
