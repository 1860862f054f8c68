#include "ui/event_record.h"

#include <cstdlib>

#include "core/threads.h"
#include "ui/graphics_port.h"
#include "ui/native_window.h"

namespace {

ClickState clickState;
uint8_t capsLockKept = 0;
InputEvent lastPoll;

}  // namespace

ClickState* CurrentClickState() { return &clickState; }

void KeyMapVirtualKey(InputEvent* event, uint16_t virtualKey, bool extended) {
  event->virtualKey = virtualKey;
  uint16_t code = 0;
  switch (virtualKey) {
    case VK_BACK: code = kKeyBackspace; break;
    case VK_RETURN: code = extended ? kKeyKeypadEnter : kKeyEnter; break;
    case VK_ESCAPE: code = kKeyEscape; break;
    case VK_PRIOR: code = kKeyPageUp; break;
    case VK_NEXT: code = kKeyPageDown; break;
    case VK_END: code = kKeyEnd; break;
    case VK_HOME: code = kKeyHome; break;
    case VK_LEFT: code = kKeyLeft; break;
    case VK_UP: code = kKeyUp; break;
    case VK_RIGHT: code = kKeyRight; break;
    case VK_DOWN: code = kKeyDown; break;
    case VK_INSERT:
      if (event->control) {
        code = 'C';
        event->shift = 0;
      } else if (event->shift) {
        code = 'V';
        event->shift = 0;
        event->control = 1;
      }
      break;
    case VK_DELETE:
      if (event->shift) {
        code = 'X';
        event->shift = 0;
        event->control = 1;
      } else {
        code = kKeyDelete;
      }
      break;
    default:
      if (virtualKey >= '0' && virtualKey <= 'Z') {
        code = virtualKey;
      } else if (virtualKey >= VK_F1 && virtualKey <= VK_F24) {
        code = kKeyFunction;
      }
      break;
  }
  event->keyCode = code;
}

bool KeyMapCharacter(InputEvent* event, uint16_t character) {
  event->virtualKey = character;
  event->keyCode = character;
  if (event->control) return false;
  return character == kKeyTab || character >= 32;
}

uint64_t EventTimeFromMessage(uint64_t tick, uint32_t messageTime) {
  // The two readings lie close together, so the signed difference of the low parts tells on
  // which side of a wrap the message time lies.
  int32_t difference = static_cast<int32_t>(messageTime - static_cast<uint32_t>(tick));
  return tick + static_cast<int64_t>(difference);
}

void KeyModifiersFrom(InputEvent* event, KeyStateReader reader, bool asynchronous) {
  event->shift = reader(VK_SHIFT) < 0;
  event->control = reader(VK_CONTROL) < 0;
  event->leftAlt = reader(VK_LMENU) < 0;
  event->rightAlt = reader(VK_RMENU) < 0;
  if (event->rightAlt) event->control = 0;
  SHORT caps = reader(VK_CAPITAL);
  if (asynchronous) {
    if (caps & 1) capsLockKept ^= 1;  // pressed since the last call
  } else {
    capsLockKept = caps & 1;
  }
  event->capsLock = capsLockKept;
}

void ClickDetect(ClickState* state, InputEvent* event, uint32_t doubleClickTime) {
  event->doubleClick = 0;
  event->tripleClick = 0;
  if (!event->leftButton) return;
  int32_t distance = std::abs(event->x - state->x) + std::abs(event->y - state->y);
  if (event->time - state->time <= doubleClickTime && distance < 6) {
    event->doubleClick = 1;
    event->tripleClick = state->lastDouble;
  }
  state->lastDouble = event->doubleClick;
  state->time = event->time;
  state->x = event->x;
  state->y = event->y;
}

int32_t WheelLines(WheelState* state, uint64_t time, int32_t delta) {
  uint64_t sinceLast = time - state->last;
  if (sinceLast <= 500 && state->beforeLast != 0 && time - state->beforeLast < 150) {
    state->multiplier = 5;
  } else if (sinceLast > 500) {
    state->multiplier = 1;
  }
  state->beforeLast = state->last;
  state->last = time;
  if (delta > 0) return state->multiplier;
  if (delta < 0) return -state->multiplier;
  return 0;
}

void EventFromMessage(InputEvent* event, const MSG* message) {
  *event = InputEvent{};
  KeyModifiersFrom(event, GetKeyState, false);
  POINT p = message->pt;
  // Windows and their elements are placed in the MDI client's coordinates.
  if (HWND top = MdiClient() ? MdiClient() : FrameWindow()) ScreenToClient(top, &p);
  event->x = p.x;
  event->y = p.y;
  event->leftButton = GetKeyState(VK_LBUTTON) < 0;
  event->rightButton = GetKeyState(VK_RBUTTON) < 0;
  event->anyButton = event->leftButton || event->rightButton || GetKeyState(VK_MBUTTON) < 0;
  event->inside = 1;
  event->time = EventTimeFromMessage(TickCount(), static_cast<uint32_t>(message->time));
}

void InputPoll(InputEvent* event, int32_t flags) {
  uint8_t lastDouble = event->doubleClick;
  uint8_t lastTriple = event->tripleClick;
  event->time = TickCount();
  if (flags & kPollModifiers) KeyModifiersFrom(event, GetAsyncKeyState, true);
  GdiFlush();
  if (flags & kPollButtons) {
    bool swapped = GetSystemMetrics(SM_SWAPBUTTON) != 0;
    event->leftButton = GetAsyncKeyState(swapped ? VK_RBUTTON : VK_LBUTTON) < 0;
    event->rightButton = GetAsyncKeyState(swapped ? VK_LBUTTON : VK_RBUTTON) < 0;
    event->anyButton = event->leftButton || event->rightButton || GetAsyncKeyState(VK_MBUTTON) < 0;
    event->doubleClick = lastDouble;
    event->tripleClick = lastTriple;
    POINT p{};
    GetCursorPos(&p);
    HWND target = Gfx.port && Gfx.port->window ? Gfx.port->window : MdiClient() ? MdiClient() : FrameWindow();
    if (target) ScreenToClient(target, &p);
    if (Gfx.port) {
      p.x -= Gfx.port->nativeX + Gfx.port->originX;
      p.y -= Gfx.port->nativeY + Gfx.port->originY;
    }
    event->x = p.x;
    event->y = p.y;
    event->inside = Gfx.clip ? PtInRegion(Gfx.clip, p.x, p.y) != 0 : 1;
  }
  MSG message;
  if (flags & kPollKeys) {
    while (PeekMessageA(&message, nullptr, WM_KEYDOWN, WM_CHAR, PM_REMOVE)) {
      TranslateMessage(&message);
      if (message.message == WM_KEYDOWN) {
        KeyMapVirtualKey(event, static_cast<uint16_t>(message.wParam), (message.lParam >> 24) & 1);
      } else if (message.message == WM_CHAR && event->keyCode == 0) {
        KeyMapCharacter(event, static_cast<uint16_t>(message.wParam));
      }
    }
  } else {
    // Peeking lets the messages that other threads send to our windows through.
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
  }
  if (flags & kPollButtons) {
    if (event->x == lastPoll.x && event->y == lastPoll.y && event->keyCode == lastPoll.keyCode) Sleep(10);
    lastPoll = *event;
  }
}

namespace {
ModifierPollHook modifierPoll = nullptr;
}  // namespace

void SetModifierPollHook(ModifierPollHook hook) { modifierPoll = hook; }

bool ControlKeyHeld() {
  InputEvent event;
  if (modifierPoll) {
    modifierPoll(&event);
  } else {
    InputPoll(&event, kPollModifiers);
  }
  return event.control && !event.rightAlt;
}

bool MouseStillDown() {
  InputEvent event;
  InputPoll(&event, kPollButtons);
  return event.anyButton != 0;
}
