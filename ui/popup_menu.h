#pragma once
// Program-drawn popup menus: the context menus every element offers through its ContextMenu
// slot, and the pieces the drop-down lists of choosers share with them (the temporary popup
// window, the bounds a popup may use and the tracking of mouse and keys).
//
// The owner is asked in phases with one record per phase: 0 list (an id list or an entry count),
// 1 measure an entry, 2 draw an entry (owner-drawn menus only), 3 run the chosen entry. An id
// list holds text ids below 32768, 0xFFFF for a separator and 0 at the end; the label of an id
// is its localized text with "@0" and every "&" removed.
//
// Tracking (one poll after another until the menu ends):
//   1. Pointer mode (a button was down at the start, or the user pressed one later): the current
//      entry is the selectable entry under the pointer. A release chooses it once the pointer
//      travelled or a second press came; a release outside the tracking area cancels.
//   2. Click mode (opened by a key, or a key was pressed): Up and Down step through the
//      selectable entries, Enter, keypad Enter and Tab choose, Escape cancels; moving the
//      pointer over the menu goes back to pointer mode.
//   3. The application going inactive, or a minute without activity while nothing is held,
//      cancels.
//
// User-interface thread only; the tracking loop polls the input itself (or a scripted source
// in tests, which runs on its own clock: the pauses meant for the eye are skipped then).
#include <windows.h>

#include <cstdint>

#include "ui/element.h"
#include "ui/event_record.h"
#include "ui/graphics_port.h"
#include "ui/text_style.h"

struct T_TextBuf;

// Phases of the context-menu protocol.
constexpr int32_t kMenuPhaseList = 0;
constexpr int32_t kMenuPhaseMeasure = 1;
constexpr int32_t kMenuPhaseDraw = 2;
constexpr int32_t kMenuPhaseRun = 3;

// Menu selectors of the toolkit.
constexpr uint32_t kMenuSelectorLink = 3200;

struct ContextMenuRecord {
  int32_t phase = kMenuPhaseList;
  T_GrafElement* owner = nullptr;
  uint32_t selector = 0;
  uint8_t rightAlt = 0;            // copied from the opening event
  uint8_t rightButton = 0;         // the menu was opened with the right button
  uint8_t alignToPreselected = 0;  // phase 0 out: the preselected entry comes under the pointer
  // Phase 0 out: the entry count of an owner-drawn menu. Phases 1 and 2: the entry index, or its
  // command id with an id list. Phase 3: the chosen command id (id list) or index.
  int64_t entry = 0;
  RECT rect{};             // phase 2: where to draw the entry (popup coordinates)
  int32_t width = 32;      // phase 1 out
  int32_t height = 14;     // phase 1 out
  uint8_t selectable = 1;  // phase 1 out
  uint8_t ellipsis = 0;    // phase 1 out: "…" follows the label
  uint8_t separator = 0;   // phase 1 out for owner-drawn menus; set for an empty label
  // Phase 0 out: the id list (commands.list, null for owner-drawn menus); PopupMenu_AddCommand
  // fills the inline storage.
  PopupCommandList commands;
};

// Runs the owner's menu at the event's point (owner coordinates). Returns the chosen entry's
// index, -1 for none. A menu without entries shows nothing. Choosing the preselected entry
// returns it without running phase 3.
int32_t RunContextMenu(T_GrafElement* owner, uint32_t selector, const InputEvent* event,
                       int32_t preselected);

// The label of an id-list entry: the text without "@0" (and the blank before it) and without
// "&", "…" added for the ellipsis; empty for the separator and for ids without a text.
void PopupMenuLabel(uint16_t id, bool ellipsis, T_TextBuf* label);

// The menu font: the default style, no wrap, centred vertically.
TextStyle PopupMenuStyle();

// --- Placement (pure) ---------------------------------------------------------------------------

// One entry as measured: height, width (without the room around it) and whether it is a line
// the user can choose.
struct PopupEntryMeasure {
  int32_t width;
  int32_t height;
  uint8_t selectable;
  uint8_t separator;
};

// The menu's rectangle (frame included) for the entries at the pointer within the bounds, all in
// the owner's coordinates.
RECT PopupMenuPlace(const PopupEntryMeasure* entries, int32_t count, int32_t preselected,
                    bool alignToPreselected, POINT pointer, const RECT* bounds);

// --- What popups share ---------------------------------------------------------------------------

constexpr int32_t kPopupFrame = 2;  // the bevel around a popup's contents
constexpr uint64_t kPopupTimeout = 60000;

// One poll of the input while a popup tracks it: buttons, modifiers, the point in the owner's
// coordinates, the key or character taken since the last poll (keyCode, 0 none) and the time.
struct PopupInput {
  InputEvent event;
  uint8_t applicationActive = 1;
};
// Tests script the input; null puts back the real mouse and keyboard.
using PopupInputSource = void (*)(T_GrafElement* owner, PopupInput* input);
void SetPopupInputSource(PopupInputSource source);
bool PopupInputScripted();
void PopupPollInput(T_GrafElement* owner, PopupInput* input);
// Waits for the eye (skipped while the input is scripted).
void PopupPause(uint32_t milliseconds);

// Where a popup of the owner may go, in the owner's coordinates: the modal window's client area
// while one is open on Windows version class 3 and above, otherwise the frame's client area (the
// screen while the frame is hidden or minimised).
void PopupBounds(T_GrafElement* owner, RECT* bounds);
// The screen position of the owner's (0, 0).
POINT PopupOwnerOrigin(T_GrafElement* owner);

// A borderless top-level window over the rectangle (owner coordinates) that never takes the
// activation; it is filled with the palette colour and framed. Null when Windows refuses.
HWND PopupWindowOpen(T_GrafElement* owner, const RECT* rect, int32_t backColour);
void PopupWindowClose(HWND window);
// What repaints a popup when Windows asks (the caller's record; it must outlive the window).
struct PopupPainter {
  void (*paint)(void* context);
  void* context;
};
void PopupWindowSetPainter(HWND window, PopupPainter* painter);
// Opens a port on the popup window whose coordinates are the popup's own (0, 0 at its corner),
// in the given style; false when none could be opened (nothing to close then).
bool PopupPortOpen(GraphicsPort* port, HWND window, const TextStyle* style);
void PopupPortClose(GraphicsPort* port);
// Fills the popup with its colour and draws its frame (port open).
void PopupDrawFrame(HWND window, int32_t backColour);

struct PopupTracking {
  uint8_t running = 1;
  uint8_t cancelled = 0;
  uint8_t pointerMode = 0;
  uint8_t releasedAfterMove = 0;
  uint8_t firstRelease = 1;
  uint8_t buttonHeld = 0;
  uint8_t moved = 0;
  uint8_t pointerMoving = 0;
  uint8_t movedNow = 0;  // this poll moved the pointer 4 pixels or more
  POINT start{};
  uint64_t startTime = 0;
  RECT area{};  // a release outside cancels (owner coordinates)
  POINT last{};
  uint64_t lastMove = 0;
  uint64_t lastActivity = 0;
  uint64_t timeout = kPopupTimeout;
  POINT endPoint{};  // where the pointer was when tracking ended
  uint8_t endedByRelease = 0;
};

void PopupTrackStart(PopupTracking* tracking, const InputEvent* opening, const RECT* area);
// Applies one poll; hasCurrent tells whether an entry is current. Returns the key left for the
// caller to handle in click mode (arrows, characters), 0 when none. Ending keys end the
// tracking here: Enter, keypad Enter and Tab choose, Escape cancels.
uint16_t PopupTrackUpdate(PopupTracking* tracking, const PopupInput* input, bool hasCurrent);

// --- The running menu ----------------------------------------------------------------------------

// The state of a running menu, for its drawing and for scripted input that aims at entries.
struct PopupMenuState;
// The innermost running menu, or null.
const PopupMenuState* PopupMenuRunning();
// The rectangle of a visible entry in the owner's coordinates; false when it is not shown.
bool PopupMenuEntryRect(const PopupMenuState* state, int32_t index, RECT* rect);
RECT PopupMenuRect(const PopupMenuState* state);
int32_t PopupMenuCurrent(const PopupMenuState* state);
int32_t PopupMenuFirstVisible(const PopupMenuState* state);
