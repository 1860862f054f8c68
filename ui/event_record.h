#pragma once
// The event record that every key, character, mouse and wheel message becomes, the key table,
// double-click detection, the wheel's acceleration and the polling of the input state during
// long loops and mouse tracking.
//
// The pure parts (key mapping, click and wheel state, event times) take their inputs as
// arguments so that they can be checked without a window. User-interface thread only.
#include <windows.h>

#include <cstdint>

struct InputEvent {
  uint8_t shift = 0;
  uint8_t capsLock = 0;  // the toggle state
  uint8_t control = 0;
  uint8_t leftAlt = 0;
  uint8_t rightAlt = 0;  // a pressed right alt clears control: AltGr is not Control+Alt
  int32_t x = 0;         // first in the frame's client coordinates, then in the handling element's
  int32_t y = 0;
  uint8_t leftButton = 0;
  uint8_t rightButton = 0;
  uint8_t anyButton = 0;
  uint8_t doubleClick = 0;
  uint8_t tripleClick = 0;
  uint8_t inside = 0;  // the point lies in the current paint region
  uint16_t virtualKey = 0;
  uint16_t keyCode = 0;  // the system's key code, 0 for none
  uint64_t time = 0;
};

// System key codes.
constexpr uint16_t kKeyKeypadEnter = 5;
constexpr uint16_t kKeyBackspace = 8;
constexpr uint16_t kKeyTab = 9;
constexpr uint16_t kKeyEnter = 13;
constexpr uint16_t kKeyHome = 20;
constexpr uint16_t kKeyEnd = 21;
constexpr uint16_t kKeyPageUp = 22;
constexpr uint16_t kKeyPageDown = 23;
constexpr uint16_t kKeyFunction = 25;
constexpr uint16_t kKeyDelete = 26;
constexpr uint16_t kKeyEscape = 27;
constexpr uint16_t kKeyLeft = 28;
constexpr uint16_t kKeyRight = 29;
constexpr uint16_t kKeyUp = 30;
constexpr uint16_t kKeyDown = 31;

// The key code of a key-down's virtual key; sets virtualKey and keyCode and applies the
// modifier changes of the clipboard shortcuts (Shift+Delete is Cut, Ctrl+Insert Copy,
// Shift+Insert Paste).
void KeyMapVirtualKey(InputEvent* event, uint16_t virtualKey, bool extended);
// A character message: true when it reaches the handlers. Enter comes as a key, and the other
// control characters too (Backspace and Escape would act twice), so only Tab and characters
// from 32 up pass, and none while Control is held.
bool KeyMapCharacter(InputEvent* event, uint16_t character);

// The 64-bit event time from the tick counter and a message's 32-bit time, correct across a
// wrap of the low 32 bits between the two readings.
uint64_t EventTimeFromMessage(uint64_t tick, uint32_t messageTime);

// Modifiers from a key-state reader (GetKeyState or GetAsyncKeyState). Caps lock toggles the
// kept state when its key was pressed since the last call (asynchronous state) or reads the
// toggle bit (synchronous state).
using KeyStateReader = SHORT(WINAPI*)(int);
void KeyModifiersFrom(InputEvent* event, KeyStateReader reader, bool asynchronous);

// Double-click detection over left presses.
struct ClickState {
  uint64_t time = 0;
  int32_t x = -10000;
  int32_t y = -10000;
  uint8_t lastDouble = 0;
};
// Sets doubleClick and tripleClick of a left press and remembers it.
void ClickDetect(ClickState* state, InputEvent* event, uint32_t doubleClickTime);

// The wheel's acceleration: quick notches move five lines each.
struct WheelState {
  int32_t multiplier = 1;
  uint64_t last = 0;
  uint64_t beforeLast = 0;
};
int32_t WheelLines(WheelState* state, uint64_t time, int32_t delta);

// The event of the current message (modifiers, point in frame client coordinates, buttons,
// time); inside is 1.
void EventFromMessage(InputEvent* event, const MSG* message);

// Input polling flags.
constexpr int32_t kPollButtons = 1;    // buttons, double flags and the cursor point
constexpr int32_t kPollModifiers = 2;  // modifiers from the asynchronous state
constexpr int32_t kPollKeys = 4;       // take pending key and character messages
void InputPoll(InputEvent* event, int32_t flags);
// No Shift, Ctrl or AltGr held.
inline bool PlainModifiers(const InputEvent* event) {
  return !event->shift && !event->control && !event->rightAlt;
}
bool MouseStillDown();

// Whether the user holds Control down to stop a run of openings (templates, subsets, macros):
// Control down and right Alt up, since AltGr is no Control. Polls the modifiers as they are now.
bool ControlKeyHeld();
// Tests stand in for the keyboard: the hook fills the modifiers ControlKeyHeld polls. Null
// restores the real poll.
using ModifierPollHook = void (*)(InputEvent* event);
void SetModifierPollHook(ModifierPollHook hook);

// The last left press, kept for double-click detection of the window procedures.
ClickState* CurrentClickState();
