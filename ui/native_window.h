#pragma once
// The joint between the element tree and Windows: the frame window with its MDI client, the
// window classes and procedures of the frame, of document windows ("TopWin" + icon id) and of
// dialogs ("TopDialog"), the native window behind each T_Window, the frame's saved state and
// mouse capture.
//
// Every handler that reaches the element tree runs inside the user-interface side of the
// user-interface/worker exclusion (UiEnter/UiLeave): keys, characters, mouse presses, the
// wheel, paints, commands, timers, private messages and dropped files.
//
// User-interface thread only.
#include <windows.h>

#include <cstdint>

class T_Window;
class T_GrafElement;

constexpr const char* kFrameClass = "TopFrame";
constexpr const char* kDialogClass = "TopDialog";
constexpr const char* kWindowProperty = "TopWinPtr";
constexpr UINT_PTR kClientTimerId = 12;
constexpr UINT kClientTimerPeriod = 2000;
constexpr int32_t kFrameIconId = 512;

// --- Classes ----------------------------------------------------------------------------------

// Registers "TopFrame" and "TopDialog" (kept until the process ends).
void RegisterFrameClasses(HINSTANCE instance);
// The class name of a document window with that icon, registered on first use.
const char* DocumentClassName(uint32_t iconId);
void UnregisterDocumentClasses();

// --- The frame --------------------------------------------------------------------------------

HWND FrameWindow();
HWND MdiClient();
// Cleared by the shell when it runs for automation without a window.
bool FrameVisible();
void SetFrameVisible(bool visible);
// Creates the frame and its MDI client; false (handles null) when Windows refuses.
bool FrameCreate(const char* title);
// Saves the frame state and destroys the frame.
void FrameDestroy();
void FrameSetTitle(const char* title);
// The frame's client area, or the screen while the frame is hidden or minimised.
void AvailableArea(RECT* area);
void FrameBringToForeground();
void FrameClearNormalRect();

// Frame state: 'N' normal, 'M' maximised, 'I' minimised.
struct FrameState {
  char show = 'N';
  RECT rect{};
};
// The stored rectangle limited to the screen work area; one that keeps less than 100 x 100
// pixels on it is dropped (left empty).
void FrameStateLimit(FrameState* state, const RECT* screen);
void FrameStateLoad(FrameState* state);
void FrameStateSave();

// --- Native windows ---------------------------------------------------------------------------

void NativeCreate(T_Window* window);
void NativeDestroy(T_Window* window);
void NativeShow(T_Window* window, bool show);
void NativeSetTitle(T_Window* window);
void NativeFollowElement(T_Window* window);
void NativeBringToTop(T_Window* window);
void NativeActivate(T_Window* window);
bool NativeIsZoomed(T_Window* window);
void NativeRestore(T_Window* window, RECT* restored);
// The update region in client coordinates (an empty one without a native window).
void NativeGetUpdateRegion(T_Window* window, HRGN region);
void NativeAddUpdateRegion(T_Window* window, HRGN region);
void NativeValidateRegion(T_Window* window, HRGN region);
void WindowRedrawNow(T_Window* window);
// The size of the native frame around a window's client area.
void NativeFrameSize(uint32_t kind, int32_t* frame, int32_t* caption);

// The window element of a native window (GetPropA "TopWinPtr"), or null.
T_Window* ElementOfNative(HWND handle);

// --- Mouse capture and the current native message -----------------------------------------------

void CaptureBegin();
void CaptureEnd();

struct NativeMessage {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  LRESULT result;
  NativeMessage* previous;
};
NativeMessage* CurrentNativeMessage();
// A native control that dispatches its own messages through the element tree pushes them here,
// so that the element that handles one can hand it back to the control.
void NativeMessagePush(NativeMessage* entry);
void NativeMessagePop(NativeMessage* entry);

// --- Handlers (also used by the MDI client) ---------------------------------------------------

void HandleKey(uint16_t virtualKey, LPARAM lParam);
void HandleCharacter(uint16_t character);
void HandleMouseDown(T_Window* window);
void HandleWheel(T_Window* window, int32_t delta);
void CursorUpdate();
void PaintWindow(T_Window* window);

LRESULT CALLBACK FrameProcedure(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK DocumentProcedure(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK DialogProcedure(HWND, UINT, WPARAM, LPARAM);
