#include "ui/popup_menu.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "core/localized_text.h"
#include "core/message_pump.h"
#include "core/text_buffer.h"
#include "core/threads.h"
#include "ui/application.h"
#include "ui/draw_primitives.h"
#include "ui/item_drawing.h"
#include "ui/menu_model.h"
#include "ui/native_window.h"
#include "ui/text_layout.h"
#include "ui/window.h"

namespace {

constexpr char kPopupClass[] = "TopPopup";
constexpr char kEllipsis[] = "\xE2\x80\xA6";
constexpr uint32_t kArrow = 32512;
constexpr int32_t kSeparatorHeight = 9;
constexpr int32_t kCheckRoom = 7;
constexpr int32_t kLabelInset = 8;
constexpr int32_t kScrollZone = 16;
constexpr uint64_t kScrollInside = 150;
constexpr uint64_t kScrollOutside = 80;
constexpr uint64_t kRestAfterMove = 160;

PopupInputSource inputSource = nullptr;
bool classRegistered = false;

LRESULT CALLBACK PopupProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      BeginPaint(window, &paint);
      EndPaint(window, &paint);
      auto* painter = reinterpret_cast<PopupPainter*>(GetWindowLongPtrA(window, GWLP_USERDATA));
      if (painter && painter->paint) painter->paint(painter->context);
      return 0;
    }
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

bool RegisterPopupClass() {
  if (classRegistered) return true;
  WNDCLASSA windowClass{};
  windowClass.style = CS_SAVEBITS;
  windowClass.lpfnWndProc = PopupProcedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kPopupClass;
  classRegistered =
      RegisterClassA(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  return classRegistered;
}

void RealPoll(T_GrafElement* owner, PopupInput* input) {
  InputEvent* event = &input->event;
  event->keyCode = 0;
  event->virtualKey = 0;
  InputPoll(event, kPollButtons | kPollModifiers | kPollKeys);
  POINT cursor{};
  GetCursorPos(&cursor);
  POINT origin = PopupOwnerOrigin(owner);
  event->x = cursor.x - origin.x;
  event->y = cursor.y - origin.y;
  T_Application* application = App();
  input->applicationActive = !application || application->active ? 1 : 0;
}

void End(PopupTracking* tracking, bool cancel, POINT point) {
  tracking->running = 0;
  tracking->cancelled = cancel ? 1 : 0;
  tracking->endPoint = point;
}

}  // namespace

// --- Input
// ----------------------------------------------------------------------------------------

void SetPopupInputSource(PopupInputSource source) { inputSource = source; }
bool PopupInputScripted() { return inputSource != nullptr; }

void PopupPollInput(T_GrafElement* owner, PopupInput* input) {
  if (inputSource) {
    input->event.keyCode = 0;
    input->event.virtualKey = 0;
    inputSource(owner, input);
    return;
  }
  RealPoll(owner, input);
}

void PopupPause(uint32_t milliseconds) {
  if (!inputSource) Sleep(milliseconds);
}

// --- Geometry
// -------------------------------------------------------------------------------------

POINT PopupOwnerOrigin(T_GrafElement* owner) {
  POINT origin{owner->offsetX, owner->offsetY};
  T_Window* window = owner->window;
  if (window && window->native.handle) {
    ClientToScreen(window->native.handle, &origin);
    return origin;
  }
  // Without a native window the element's window stands in the MDI client's coordinates.
  if (window) {
    origin.x += window->x;
    origin.y += window->y;
  }
  if (HWND top = MdiClient() ? MdiClient() : FrameWindow()) ClientToScreen(top, &origin);
  return origin;
}

void PopupBounds(T_GrafElement* owner, RECT* bounds) {
  T_Window* modal = ModalListFirst();
  if (modal && modal->native.handle && OsVersionClass() >= 3) {
    GetClientRect(modal->native.handle, bounds);
    MapWindowPoints(modal->native.handle, nullptr, reinterpret_cast<POINT*>(bounds), 2);
  } else {
    AvailableArea(bounds);
    HWND frame = FrameWindow();
    if (FrameVisible() && frame && !IsIconic(frame)) {
      MapWindowPoints(MdiClient() ? MdiClient() : frame, nullptr, reinterpret_cast<POINT*>(bounds),
                      2);
    }
  }
  POINT origin = PopupOwnerOrigin(owner);
  OffsetRect(bounds, -origin.x, -origin.y);
}

RECT PopupMenuPlace(const PopupEntryMeasure* entries, int32_t count, int32_t preselected,
                    bool alignToPreselected, POINT pointer, const RECT* bounds) {
  int32_t widest = 32;
  int32_t total = 0;
  for (int32_t i = 0; i < count; ++i) {
    widest = std::max(widest, entries[i].width);
    total += entries[i].height;
  }
  bool checked = preselected >= 0 && preselected < count;
  int32_t width = widest + (checked ? 4 + kCheckRoom : 4);
  int32_t height = total + 2 * kPopupFrame;
  int32_t offset = -26;
  if (alignToPreselected && checked) {
    int32_t above = 0;
    for (int32_t i = 0; i < preselected; ++i) above += entries[i].height;
    offset = 1 - entries[preselected].height / 2 - above - kPopupFrame;
  } else if (!checked && total < 40) {
    offset = -total / 2;
  }
  RECT menu{pointer.x + 6, pointer.y + offset, pointer.x + 6 + width, pointer.y + offset + height};
  if (menu.right > bounds->right) {
    int32_t left = pointer.x - width - 2;
    if (left >= bounds->left + 3)
      menu = RECT{left, pointer.y + 5, left + width, pointer.y + 5 + height};
  }
  FitRectInBounds(&menu, bounds);
  return menu;
}

// --- The popup window
// -------------------------------------------------------------------------------

HWND PopupWindowOpen(T_GrafElement* owner, const RECT* rect, int32_t backColour) {
  if (!RegisterPopupClass()) return nullptr;
  POINT origin = PopupOwnerOrigin(owner);
  HWND window = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kPopupClass, "", WS_POPUP,
                                rect->left + origin.x, rect->top + origin.y,
                                rect->right - rect->left, rect->bottom - rect->top, FrameWindow(),
                                nullptr, GetModuleHandleA(nullptr), nullptr);
  if (!window) return nullptr;
  ShowWindow(window, SW_SHOWNOACTIVATE);
  GraphicsPort port;
  if (PopupPortOpen(&port, window, &TextStyleStandard)) {
    PopupDrawFrame(window, backColour);
    PopupPortClose(&port);
  }
  return window;
}

void PopupWindowClose(HWND window) {
  if (!window) return;
  SetWindowLongPtrA(window, GWLP_USERDATA, 0);
  DestroyWindow(window);
}

void PopupWindowSetPainter(HWND window, PopupPainter* painter) {
  if (window) SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(painter));
}

bool PopupPortOpen(GraphicsPort* port, HWND window, const TextStyle* style) {
  PortInitRegions(port);
  if (!PortOpenElement(port, window, nullptr)) {
    PortFreeRegions(port);
    return false;
  }
  Gfx.style = *style;
  PortApplyStyle();
  return true;
}

void PopupPortClose(GraphicsPort* port) {
  PortClose(port);
  PortFreeRegions(port);
  // The popup changes while its loop runs, not between messages: show each change at once.
  GdiFlush();
}

void PopupDrawFrame(HWND window, int32_t backColour) {
  RECT all{};
  GetClientRect(window, &all);
  RectFillColour(&all, backColour);
  DrawBevelFrame(&all, 4, 10);
  RectInflate(&all, -1);
  DrawBevelFrame(&all, kColourWhite, 6);
}

// --- Tracking
// -------------------------------------------------------------------------------------------

void PopupTrackStart(PopupTracking* tracking, const InputEvent* opening, const RECT* area) {
  *tracking = PopupTracking{};
  bool held = opening->leftButton || opening->rightButton || opening->anyButton;
  tracking->pointerMode = held ? 1 : 0;
  tracking->buttonHeld = held ? 1 : 0;
  tracking->start = POINT{opening->x, opening->y};
  tracking->last = tracking->start;
  uint64_t now = opening->time ? opening->time : TickCount();
  tracking->startTime = tracking->lastMove = tracking->lastActivity = now;
  tracking->area = *area;
}

uint16_t PopupTrackUpdate(PopupTracking* tracking, const PopupInput* input, bool hasCurrent) {
  const InputEvent& event = input->event;
  POINT point{event.x, event.y};
  tracking->movedNow = 0;
  if (!input->applicationActive) {
    End(tracking, true, point);
    return 0;
  }
  int32_t fromStart = std::abs(point.x - tracking->start.x) + std::abs(point.y - tracking->start.y);
  if (fromStart > 5) tracking->moved = 1;
  if (std::abs(point.x - tracking->last.x) + std::abs(point.y - tracking->last.y) >= 4) {
    tracking->pointerMoving = 1;
    tracking->movedNow = 1;
    tracking->last = point;
    tracking->lastMove = tracking->lastActivity = event.time;
  } else if (tracking->pointerMoving && event.time - tracking->lastMove > kRestAfterMove) {
    tracking->pointerMoving = 0;
  }

  bool held = event.leftButton || event.rightButton || event.anyButton;
  if (held) {
    if (!tracking->buttonHeld) tracking->lastActivity = event.time;
    if (fromStart > 4 || !tracking->firstRelease) {
      tracking->releasedAfterMove = 1;
      tracking->pointerMode = 1;
    }
  } else if (tracking->buttonHeld) {
    tracking->lastActivity = event.time;
    if (tracking->pointerMode) {
      if (!PtInRect(&tracking->area, point)) {
        End(tracking, true, point);
      } else if ((hasCurrent && tracking->firstRelease && event.control) ||
                 tracking->releasedAfterMove) {
        End(tracking, false, point);
        tracking->endedByRelease = 1;
      }
    }
    tracking->firstRelease = 0;
  }
  tracking->buttonHeld = held ? 1 : 0;
  if (!tracking->running) return 0;

  if (uint16_t key = event.keyCode) {
    tracking->lastActivity = event.time;
    tracking->pointerMode = 0;
    switch (key) {
      case kKeyKeypadEnter:
      case kKeyTab:
      case kKeyEnter:
        End(tracking, false, point);
        return 0;
      case kKeyEscape:
        End(tracking, true, point);
        return 0;
      default:
        return key;
    }
  }

  // The time-out waits while the user holds something that keeps the popup meant.
  bool holding =
      tracking->pointerMode ? held : (event.rightButton || event.control || event.rightAlt);
  if (holding) {
    tracking->lastActivity = event.time;
  } else if (event.time > tracking->lastActivity &&
             event.time - tracking->lastActivity >= tracking->timeout) {
    End(tracking, true, point);
  }
  return 0;
}

// --- Labels
// ------------------------------------------------------------------------------------------

TextStyle PopupMenuStyle() {
  TextStyle style = TextStyleStandard;
  style.flags =
      static_cast<uint16_t>((style.flags & ~(kStyleWrap | kStyleAlignMask)) | kStyleMiddle);
  return style;
}

void PopupMenuLabel(uint16_t id, bool ellipsis, T_TextBuf* label) {
  TextBufAssign(label, "");
  if (id == 0 || id == kPopupSeparator || id >= 32768) return;
  TextBufAssign(label, GetString(id));
  // The placeholder goes with the blank before it: "Cut @0" shows "Cut", not "Cut ".
  TextBufReplaceAll(label, " @0", "");
  TextBufReplaceAll(label, "@0", "");
  TextBufRemoveChar(label, '&');
  if (ellipsis && !label->empty()) TextBufAppend(label, kEllipsis);
}

// --- The running menu
// ---------------------------------------------------------------------------------

struct PopupMenuEntry {
  PopupEntryMeasure measure;
  uint16_t id;
  T_TextBuf label;
};

struct PopupMenuState {
  T_GrafElement* owner = nullptr;
  uint32_t selector = 0;
  uint8_t rightAlt = 0;
  uint8_t rightButton = 0;
  uint8_t align = 0;
  int32_t count = 0;
  int32_t preselected = -1;
  int32_t current = -1;
  int32_t first = 0;
  uint64_t lastScroll = 0;
  RECT menu{};
  RECT bounds{};
  PopupTracking tracking;
  bool idList = false;
  uint16_t ids[kPopupListSize] = {};
  std::vector<PopupMenuEntry> entries;
  TextStyle style{};
  HWND window = nullptr;
  PopupMenuState* previous = nullptr;
};

namespace {

PopupMenuState* runningMenu = nullptr;

void InitRecord(const PopupMenuState* state, ContextMenuRecord* record, int32_t phase) {
  record->phase = phase;
  record->owner = state->owner;
  record->selector = state->selector;
  record->rightAlt = state->rightAlt;
  record->rightButton = state->rightButton;
  record->alignToPreselected = state->align;
}

int32_t InnerHeight(const PopupMenuState* state) {
  return state->menu.bottom - state->menu.top - 2 * kPopupFrame;
}

// The last entry that fits when the menu shows from first on.
int32_t LastVisible(const PopupMenuState* state) {
  int32_t room = InnerHeight(state);
  int32_t used = 0;
  int32_t last = state->first - 1;
  for (int32_t i = state->first; i < state->count; ++i) {
    used += state->entries[i].measure.height;
    if (used > room) break;
    last = i;
  }
  return last;
}

int32_t LargestFirst(const PopupMenuState* state) {
  int32_t room = InnerHeight(state);
  int32_t used = 0;
  int32_t first = state->count;
  while (first > 0 && used + state->entries[first - 1].measure.height <= room) {
    --first;
    used += state->entries[first].measure.height;
  }
  return std::min(first, state->count - 1 < 0 ? 0 : state->count - 1);
}

// Top of a visible entry in popup coordinates; -1 when it is not shown.
int32_t EntryTop(const PopupMenuState* state, int32_t index) {
  if (index < state->first || index > LastVisible(state)) return -1;
  int32_t top = kPopupFrame;
  for (int32_t i = state->first; i < index; ++i) top += state->entries[i].measure.height;
  return top;
}

void DrawEntry(PopupMenuState* state, int32_t index) {
  int32_t top = EntryTop(state, index);
  if (top < 0) return;
  const PopupMenuEntry& entry = state->entries[index];
  int32_t width = state->menu.right - state->menu.left;
  RECT rect{kPopupFrame, top, width - kPopupFrame, top + entry.measure.height};
  bool current = index == state->current;
  int32_t back = current ? 23 : 26;
  int32_t fore = current ? 24 : entry.measure.selectable ? 25 : 6;
  PortSetBackIndex(back);
  PortSetForeIndex(fore);
  RectFillColour(&rect, back);
  if (entry.measure.separator) {
    DrawEtchedHLineAcross(&rect);
    return;
  }
  RECT text = rect;
  if (state->preselected >= 0) text.left += kCheckRoom;
  if (state->idList) {
    text.left += kLabelInset;
    TextDrawLine(&text, entry.label.c_str(), nullptr);
  } else {
    ContextMenuRecord record;
    InitRecord(state, &record, kMenuPhaseDraw);
    record.entry = index;
    record.rect = text;
    record.width = entry.measure.width;
    record.height = entry.measure.height;
    record.selectable = entry.measure.selectable;
    state->owner->ContextMenu(&record, kMenuPhaseDraw);
    PortSetBackIndex(back);
    PortSetForeIndex(fore);
  }
  if (index == state->preselected) DrawCheckMark(rect.left + 4, (rect.top + rect.bottom) / 2 - 3);
}

void DrawAll(PopupMenuState* state) {
  if (!state->window) return;
  GraphicsPort port;
  if (!PopupPortOpen(&port, state->window, &state->style)) return;
  PopupDrawFrame(state->window, 26);
  int32_t last = LastVisible(state);
  for (int32_t i = state->first; i <= last; ++i) DrawEntry(state, i);
  PopupPortClose(&port);
}

void PaintMenu(void* context) { DrawAll(static_cast<PopupMenuState*>(context)); }

void DrawEntries(PopupMenuState* state, int32_t a, int32_t b) {
  if (!state->window) return;
  GraphicsPort port;
  if (!PopupPortOpen(&port, state->window, &state->style)) return;
  if (a >= 0) DrawEntry(state, a);
  if (b >= 0 && b != a) DrawEntry(state, b);
  PopupPortClose(&port);
}

void ScrollTo(PopupMenuState* state, int32_t first) {
  first = std::max(0, std::min(first, LargestFirst(state)));
  if (first == state->first) return;
  // Entries differ in height, so the whole visible part is drawn again rather than shifted.
  state->first = first;
  DrawAll(state);
}

void ScrollIntoView(PopupMenuState* state, int32_t index) {
  if (index < 0) return;
  if (index < state->first) {
    ScrollTo(state, index);
    return;
  }
  int32_t first = state->first;
  while (first < index) {
    int32_t saved = state->first;
    state->first = first;
    bool shown = LastVisible(state) >= index;
    state->first = saved;
    if (shown) break;
    ++first;
  }
  ScrollTo(state, first);
}

void SetCurrent(PopupMenuState* state, int32_t index) {
  if (index == state->current) return;
  int32_t old = state->current;
  state->current = index;
  ScrollIntoView(state, index);
  DrawEntries(state, old, index);
}

int32_t EntryAt(const PopupMenuState* state, POINT point) {
  RECT inner = state->menu;
  RectInflate(&inner, -kPopupFrame);
  if (!PtInRect(&inner, point)) return -1;
  int32_t y = inner.top;
  int32_t last = LastVisible(state);
  for (int32_t i = state->first; i <= last; ++i) {
    int32_t height = state->entries[i].measure.height;
    if (point.y >= y && point.y < y + height) return state->entries[i].measure.selectable ? i : -1;
    y += height;
  }
  return -1;
}

int32_t StepSelectable(const PopupMenuState* state, int32_t from, int32_t direction) {
  for (int32_t i = from + direction; i >= 0 && i < state->count; i += direction) {
    if (state->entries[i].measure.selectable) return i;
  }
  return from;
}

void AutoScroll(PopupMenuState* state, POINT point, uint64_t time) {
  if (state->first == 0 && LastVisible(state) == state->count - 1) return;
  const RECT& menu = state->menu;
  if (point.x < menu.left - kScrollZone || point.x >= menu.right + kScrollZone) return;
  bool inside = PtInRect(&menu, point) != 0;
  if (time - state->lastScroll < (inside ? kScrollInside : kScrollOutside)) return;
  int32_t step = 0;
  if (point.y < menu.top + 10) {
    step = -((menu.top + 10 - point.y) / 6 + 1);
  } else if (point.y > menu.bottom - 10) {
    step = (point.y - menu.bottom + 10) / 6 + 1;
  }
  if (step == 0) return;
  state->lastScroll = time;
  ScrollTo(state, state->first + step);
}

// Phases 0 and 1: false when the menu has no entries.
bool ListAndMeasure(PopupMenuState* state) {
  ContextMenuRecord list;
  InitRecord(state, &list, kMenuPhaseList);
  state->owner->ContextMenu(&list, kMenuPhaseList);
  state->align = list.alignToPreselected;
  if (list.commands.list) {
    state->idList = true;
    int32_t n = 0;
    while (n < kPopupListSize - 1 && list.commands.list[n] != 0) {
      state->ids[n] = list.commands.list[n];
      ++n;
    }
    state->count = n;
  } else {
    state->count = static_cast<int32_t>(std::max<int64_t>(0, std::min<int64_t>(list.entry, 32767)));
  }
  if (state->count == 0) return false;
  state->entries.resize(state->count);

  GraphicsPort port;
  bool measuring = false;
  PortInitRegions(&port);
  if (PortOpenElement(&port, nullptr, state->owner)) {
    measuring = true;
    Gfx.style = state->style;
    PortApplyStyle();
  }
  for (int32_t i = 0; i < state->count; ++i) {
    PopupMenuEntry& entry = state->entries[i];
    ContextMenuRecord record;
    InitRecord(state, &record, kMenuPhaseMeasure);
    entry.id = state->idList ? state->ids[i] : 0;
    record.entry = state->idList ? entry.id : i;
    record.commands.list = state->idList ? state->ids : nullptr;
    if (state->idList && entry.id == kPopupSeparator) {
      record.separator = 1;
    } else {
      state->owner->ContextMenu(&record, kMenuPhaseMeasure);
    }
    if (state->idList) {
      PopupMenuLabel(entry.id, record.ellipsis != 0, &entry.label);
      record.width = measuring ? TextWidthBuf(&entry.label) + 10 : 32;
      if (entry.label.empty()) record.separator = 1;
    }
    if (record.separator) {
      record.height = kSeparatorHeight;
      record.selectable = 0;
    }
    entry.measure = PopupEntryMeasure{record.width, std::max(1, record.height), record.selectable,
                                      record.separator};
  }
  if (measuring) PortClose(&port);
  PortFreeRegions(&port);
  return true;
}

void Track(PopupMenuState* state, const InputEvent* opening) {
  PopupInput input;
  input.event = *opening;
  while (state->tracking.running) {
    PopupPollInput(state->owner, &input);
    SetBusyDeadline();
    POINT point{input.event.x, input.event.y};
    if (state->tracking.pointerMode) {
      AutoScroll(state, point, input.event.time);
      SetCurrent(state, EntryAt(state, point));
    }
    uint16_t key = PopupTrackUpdate(&state->tracking, &input, state->current >= 0);
    if (!state->tracking.running) break;
    if (!state->tracking.pointerMode && state->tracking.movedNow && PtInRect(&state->menu, point)) {
      state->tracking.pointerMode = 1;
      SetCurrent(state, EntryAt(state, point));
    } else if (!state->tracking.pointerMode && (key == kKeyUp || key == kKeyDown)) {
      int32_t direction = key == kKeyUp ? -1 : 1;
      if (state->current < 0) {
        bool preselectable =
            state->preselected >= 0 && state->entries[state->preselected].measure.selectable;
        SetCurrent(state, preselectable ? state->preselected : StepSelectable(state, -1, 1));
      } else {
        SetCurrent(state, StepSelectable(state, state->current, direction));
      }
    }
    PumpMessages();
  }
}

}  // namespace

int32_t RunContextMenu(T_GrafElement* owner, uint32_t selector, const InputEvent* event,
                       int32_t preselected) {
  if (!owner || !event) return -1;
  PopupMenuState state;
  state.owner = owner;
  state.selector = selector;
  state.rightAlt = event->rightAlt;
  state.rightButton = event->rightButton;
  state.style = PopupMenuStyle();
  if (!ListAndMeasure(&state)) return -1;
  state.preselected = preselected >= 0 && preselected < state.count ? preselected : -1;

  PopupBounds(owner, &state.bounds);
  RectInflate(&state.bounds, -3);
  RECT area = state.bounds;
  RectInflateXY(&area, 2, 22);
  std::vector<PopupEntryMeasure> measures;
  for (const PopupMenuEntry& entry : state.entries) measures.push_back(entry.measure);
  state.menu = PopupMenuPlace(measures.data(), state.count, state.preselected, state.align != 0,
                              POINT{event->x, event->y}, &state.bounds);
  PopupTrackStart(&state.tracking, event, &area);
  if (state.preselected >= 0) ScrollIntoView(&state, state.preselected);

  CaptureBegin();
  CursorSet(kArrow);
  state.window = PopupWindowOpen(owner, &state.menu, 26);
  PopupPainter painter{PaintMenu, &state};
  PopupWindowSetPainter(state.window, &painter);
  state.previous = runningMenu;
  runningMenu = &state;
  DrawAll(&state);
  Track(&state, event);
  runningMenu = state.previous;
  PopupWindowClose(state.window);
  state.window = nullptr;
  CaptureEnd();

  if (state.tracking.cancelled || state.current < 0) return -1;
  int32_t chosen = state.current;
  if (chosen == state.preselected) return chosen;
  ContextMenuRecord run;
  InitRecord(&state, &run, kMenuPhaseRun);
  run.entry = state.idList ? state.ids[chosen] : chosen;
  run.commands.list = state.idList ? state.ids : nullptr;
  const char* savedTitle = CurrentCommandTitle();
  if (state.idList) SetCurrentCommandTitle(state.entries[chosen].label.c_str());
  owner->ContextMenu(&run, kMenuPhaseRun);
  if (state.idList) SetCurrentCommandTitle(savedTitle);
  return chosen;
}

const PopupMenuState* PopupMenuRunning() { return runningMenu; }

bool PopupMenuEntryRect(const PopupMenuState* state, int32_t index, RECT* rect) {
  if (!state || index < 0 || index >= state->count) return false;
  int32_t top = EntryTop(state, index);
  if (top < 0) return false;
  *rect =
      RECT{state->menu.left + kPopupFrame, state->menu.top + top, state->menu.right - kPopupFrame,
           state->menu.top + top + state->entries[index].measure.height};
  return true;
}

RECT PopupMenuRect(const PopupMenuState* state) { return state ? state->menu : RECT{}; }
int32_t PopupMenuCurrent(const PopupMenuState* state) { return state ? state->current : -1; }
int32_t PopupMenuFirstVisible(const PopupMenuState* state) { return state ? state->first : 0; }
