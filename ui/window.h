#pragma once
// T_Window: the element of a top-level window, a document window inside the frame window or a
// dialog. It wraps one native window, places itself, keeps the focused item and the focus ring,
// routes Tab, Enter and Escape, handles the window commands and takes part in the modal list.
//
// Items (kinds 4 and up) are a layer of their own above this one; what windows need of them
// (taking the focus, the item order, buttons) reaches them through ItemOperations, which the item
// layer installs. Until it does, no element takes the focus and no window has buttons.
//
// User-interface thread only.
#include <windows.h>

#include <cstdint>

#include "ui/element.h"

// Window commands (menu entries of the toolkit).
constexpr int32_t kCommandPageSetup = -30;
constexpr int32_t kCommandZoom = -29;
constexpr int32_t kCommandCloseWindow = -28;
constexpr int32_t kCommandCloseAll = -27;
constexpr int32_t kCommandCascade = -26;
constexpr int32_t kCommandTile = -25;
constexpr int32_t kCommandArrangeIcons = -24;
constexpr int32_t kCommandNew = -20;
constexpr int32_t kCommandOpen = -19;
constexpr int32_t kCommandClose = -18;
constexpr int32_t kCommandSave = -17;
constexpr int32_t kCommandSaveAs = -16;
constexpr int32_t kCommandPrint = -15;
constexpr int32_t kCommandExit = -14;
constexpr int32_t kCommandAbout = -13;
constexpr int32_t kCommandPreferences = -12;
constexpr int32_t kCommandUndo = -10;
constexpr int32_t kCommandSelectAll = -3;

// Tab-order flags of FocusNext.
constexpr int32_t kFocusForward = 3;
constexpr int32_t kFocusBackward = 7;

// Invalidation flags.
constexpr int32_t kPaintNow = 1;
constexpr int32_t kPaintChildren = 2;   // limit by shape and visibility, paint children too
constexpr int32_t kPaintUnclipped = 4;  // the region as given; paint the whole window in it
constexpr int32_t kPaintPendingOnly = 8;  // only what the native window has pending

// Button flags reported by the item layer.
constexpr uint32_t kButtonFlagDefault = 1;
constexpr uint32_t kButtonFlagCancel = 2;

struct ItemOperations {
  // Visible, effectively enabled, with a non-empty region, and its AcceptsFocus agrees.
  bool (*canTakeFocus)(T_GrafElement* element);
  // Sets or clears the item's focus; makes it the window's focused item or none.
  void (*setFocus)(T_GrafElement* item, bool on);
  // -1, 0, +1: the order of two items of one parent (mode bit 4 reverses it).
  int32_t (*compareOrder)(T_GrafElement* a, T_GrafElement* b, int32_t mode);
  // kButtonFlagDefault and kButtonFlagCancel of a button (kind 12); 0 for anything else.
  uint32_t (*buttonFlags)(T_GrafElement* element);
  bool (*isEnabled)(T_GrafElement* element);
  const char* (*title)(T_GrafElement* element);
  void (*press)(T_GrafElement* element);
  bool (*isMultiLineEdit)(T_GrafElement* element);
  void (*selectAll)(T_GrafElement* element);  // an edit field that gets the focus by Tab
};
// Null puts back the defaults (nothing takes the focus, no buttons).
void SetItemOperations(const ItemOperations* operations);
const ItemOperations* Items();

// The native window behind a T_Window.
struct NativeRecord {
  T_Window* window = nullptr;
  HWND handle = nullptr;
  uint8_t fillFrame = 0;  // opened without a size: the whole available area, no native frame
  uint8_t nativeActive = 0;
  uint8_t modalEnd = 0;
  HGLOBAL printerSetup = nullptr;
  RECT margins{};
  RECT printable{0, 0, 400, 600};  // points
  RECT paper{0, 0, 400, 600};
  void* dropTarget = nullptr;
};

class T_Window : public T_GrafElement {
 public:
  // rect is left, top, width, height in the frame's client coordinates (dialogs: the screen's
  // while the frame is hidden); width 0 fills the available area, (0, 0) cascades or centres.
  T_Window(uint32_t kind, const RECT* rect, uint32_t iconId, T_Window* owner, bool openNow);
  ~T_Window() override;

  void Notify(int32_t code) override;
  void UpdateCommands() override;
  bool DoCommand(int32_t command) override;
  bool MouseDown(InputEvent* event, T_GrafElement* target) override;
  bool KeyDown(InputEvent* event, T_GrafElement* target) override;
  bool QueryClose(int32_t code) override;
  void GetMaxRect(RECT* rect) override;
  bool CanActivate() override;
  void BringToFront() override;
  void ComputeRegion() override;
  void UpdateRegions(bool force) override;
  void OffsetRegion(int32_t dx, int32_t dy, int32_t dw, int32_t dh) override;
  void ClipToShape(HRGN region) override;
  void ClipToVisible(HRGN region) override;
  virtual void Print(void* phase);
  // True while what the window shows may point at records being freed: its paints are put off
  // (the area stays to be painted) until the hold ends.
  virtual bool PaintHeld() { return false; }

  void SetTitleId(int32_t textId);
  void SetTitleCopy(const char* text);
  void SetTitleBlock(char* block);  // takes ownership of a MemAlloc block
  void SetTitleBuf(const T_TextBuf* text);
  const char* Title() const { return title ? title : ""; }

  NativeRecord native;
  char* title = nullptr;  // owned
  int32_t titleId = 0;
  uint32_t iconId;
  T_Window* owner;
  T_Window* nextModal = nullptr;
  uint8_t runUnattended = 0;
  T_GrafElement* focusedItem = nullptr;
  uint8_t focusRingShown = 0;
  uint64_t lastPressTime = 0;

 private:
  void ApplyTitle();
};

// Placement of a new window (pure): rect holds left, top, width and height on entry and the
// position and size on return. area is the available area; framed is the area adjusted for the
// native frame; others are the positions of the application's other windows.
void WindowPlace(uint32_t kind, RECT* rect, const RECT* area, const RECT* framed, const POINT* others,
                 int32_t otherCount, bool* fillFrame);
// The available area adjusted for the native frame of a window kind.
void WindowFramedArea(uint32_t kind, const RECT* area, RECT* framed);

void Window_DropFocus(T_Window* window);
// The tab-order step from an element (its window's focused item, or the window itself).
void Window_FocusStep(T_GrafElement* from, int32_t flags);
bool Window_IsZoomed(T_Window* window);
void Window_Zoom(T_Window* window);
T_GrafElement* Window_DefaultButton(T_Window* window);
T_GrafElement* Window_CancelButton(T_Window* window);
T_GrafElement* Window_ButtonByLabel(T_Window* window, int32_t textId);
// Quit code 2 presses the default button, 3 the cancel button; false when there is none.
bool Window_PressForQuit(T_Window* window, int32_t code);
void Window_SetOwner(T_Window* window, T_Window* owner);
bool Window_FocusRingShown(T_Window* window);
// Runs the window modally (see the modal loop); a window that cannot be shown has its default
// button pressed instead.
void Window_RunModal(T_Window* window);
T_Window* ModalListFirst();
bool ModalLoopRunning();

void GrafElement_InvalidateRegion(T_GrafElement* element, HRGN region, int32_t flags);
void GrafElement_InvalidateRect(T_GrafElement* element, const RECT* rect, int32_t flags);
void GrafElement_Invalidate(T_GrafElement* element, int32_t flags);
