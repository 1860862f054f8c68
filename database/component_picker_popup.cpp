// The component picker on screen: one toolkit popup window per open level, tracked by the
// toolkit's popup input (so tests drive it with scripted input). Only this file draws; the
// picker's state is ComponentPicker's.
#include <algorithm>
#include <vector>

#include "core/message_pump.h"
#include "database/base.h"
#include "database/component_picker.h"
#include "database/components.h"
#include "ui/draw_primitives.h"
#include "ui/event_record.h"
#include "ui/graphics_port.h"
#include "ui/item_drawing.h"
#include "ui/native_window.h"
#include "ui/popup_menu.h"
#include "ui/text_layout.h"

namespace {

constexpr uint32_t kArrowCursor = 32512;
constexpr int32_t kBackColour = 26;
constexpr int32_t kHighlightBack = 23;
constexpr int32_t kHighlightFore = 24;
constexpr int32_t kItemFore = 25;
constexpr int32_t kTextInset = 4;
// The pointer opens an item's level after resting on it this long.
constexpr uint64_t kRestToOpen = 250;

struct MeasureContext {
  T_GrafElement* owner;
  TextStyle style;
};

// Measures in the owner's port, opened for each measure: levels open while the popup tracks,
// when no port of the owner stays open.
TextMeasure MeasureOnOwner(void* context, const char* bytes, int32_t n) {
  auto* measure = static_cast<MeasureContext*>(context);
  TextMeasure extent{7 * n, 14};
  GraphicsPort port;
  PortInitRegions(&port);
  if (PortOpenElement(&port, nullptr, measure->owner)) {
    Gfx.style = measure->style;
    PortApplyStyle();
    extent = TextExtent(bytes, n);
    PortClose(&port);
  }
  PortFreeRegions(&port);
  return extent;
}

struct LevelWindow {
  HWND window = nullptr;
  int32_t level = 0;
  struct Shown* shown = nullptr;
  PopupPainter painter{};
};

struct Shown {
  T_GrafElement* owner;
  ComponentPicker* picker;
  TextStyle style;
  std::vector<LevelWindow*> windows;
};

void DrawLevel(Shown* shown, int32_t index) {
  if (index >= static_cast<int32_t>(shown->windows.size())) return;
  HWND window = shown->windows[index]->window;
  if (!window) return;
  const PickerLevel& level = shown->picker->Level(index);
  GraphicsPort port;
  if (!PopupPortOpen(&port, window, &shown->style)) return;
  PopupDrawFrame(window, kBackColour);
  int32_t width = level.rect.right - level.rect.left;
  int32_t rowHeight = shown->picker->RowHeight();
  int32_t count = static_cast<int32_t>(level.items.size());
  for (int32_t row = 0; row < level.rows && level.first + row < count; ++row) {
    int32_t i = level.first + row;
    const PickerItem& item = level.items[i];
    RECT rect{kPopupFrame, kPopupFrame + row * rowHeight, width - kPopupFrame,
              kPopupFrame + (row + 1) * rowHeight};
    bool current = i == level.highlight;
    int32_t back = current ? kHighlightBack : kBackColour;
    PortSetBackIndex(back);
    PortSetForeIndex(current ? kHighlightFore : kItemFore);
    RectFillColour(&rect, back);
    RECT text = rect;
    text.left += kTextInset;
    TextDrawLine(&text, item.shown.c_str(), nullptr);
    if (item.hasChildren)
      DrawArrowTriangle(rect.right - 5, (rect.top + rect.bottom) / 2, 3, kArrowRight);
  }
  PopupPortClose(&port);
}

void PaintLevel(void* context) {
  auto* level = static_cast<LevelWindow*>(context);
  DrawLevel(level->shown, level->level);
}

void CloseWindows(Shown* shown, int32_t keep) {
  while (static_cast<int32_t>(shown->windows.size()) > keep) {
    LevelWindow* level = shown->windows.back();
    PopupWindowClose(level->window);
    delete level;
    shown->windows.pop_back();
  }
}

// One window per open level, each redrawn.
void Sync(Shown* shown) {
  int32_t levels = shown->picker->LevelCount();
  CloseWindows(shown, levels);
  for (int32_t i = static_cast<int32_t>(shown->windows.size()); i < levels; ++i) {
    auto* level = new LevelWindow;
    level->level = i;
    level->shown = shown;
    level->window = PopupWindowOpen(shown->owner, &shown->picker->Level(i).rect, kBackColour);
    level->painter = PopupPainter{PaintLevel, level};
    PopupWindowSetPainter(level->window, &level->painter);
    shown->windows.push_back(level);
  }
  for (int32_t i = 0; i < levels; ++i) DrawLevel(shown, i);
}

// Tracks until the user chooses or cancels; true when chosen.
bool Track(Shown* shown, const InputEvent* opening, const RECT& bounds) {
  ComponentPicker* picker = shown->picker;
  RECT area = bounds;
  RectInflateXY(&area, 2, 22);
  PopupTracking tracking;
  PopupTrackStart(&tracking, opening, &area);
  PopupInput input;
  input.event = *opening;
  int32_t restLevel = -1;
  int32_t restItem = -1;
  uint64_t restSince = 0;
  while (tracking.running) {
    PopupPollInput(shown->owner, &input);
    SetBusyDeadline();
    POINT point{input.event.x, input.event.y};
    bool changed = false;
    int32_t level = -1;
    int32_t item = -1;
    bool over = picker->HitTest(point, &level, &item);
    if (tracking.pointerMode && over && (level != restLevel || item != restItem)) {
      picker->Point(level, item);
      restLevel = level;
      restItem = item;
      restSince = input.event.time;
      changed = true;
    } else if (tracking.pointerMode && over && input.event.time - restSince >= kRestToOpen &&
               picker->LevelCount() == level + 1) {
      picker->Click(level, item);
      changed = picker->LevelCount() > level + 1;
    }
    bool pointerMode = tracking.pointerMode;
    uint16_t key = PopupTrackUpdate(&tracking, &input, true);
    if (!tracking.running && !tracking.cancelled && tracking.endedByRelease &&
        picker->HitTest(tracking.endPoint, &level, &item) &&
        picker->Level(level).items[item].hasChildren) {
      // A click on an item with children opens its level instead of choosing.
      picker->Click(level, item);
      tracking.running = 1;
      tracking.endedByRelease = 0;
      changed = true;
    }
    if (!tracking.running) break;
    if (!pointerMode && tracking.movedNow && over) {
      tracking.pointerMode = 1;
    } else if (key == kKeyUp || key == kKeyDown || key == kKeyLeft || key == kKeyRight) {
      changed = picker->Key(key);
    } else if (key == kKeyBackspace || key >= ' ') {
      picker->Type(key);
      changed = true;
    }
    if (changed) Sync(shown);
    PumpMessages();
  }
  return !tracking.cancelled;
}

}  // namespace

void SelHook_PopupComponentMenu(T_TextBuf* chosen, T_Base* base, int32_t d, int32_t component,
                                POINT position, T_GrafElement* owner, const InputEvent* event) {
  TextBufAssign(chosen, "");
  if (!base || !owner || !event || d < 0 || d >= kDimensionCount) return;
  if (!ComponentAt(base, d)->firstChild) return;
  MeasureContext measure{owner, PopupMenuStyle()};
  RECT bounds;
  PopupBounds(owner, &bounds);
  RectInflate(&bounds, -3);
  // The first level opens under the field.
  ComponentPicker picker(base, d, TextMeasurer{MeasureOnOwner, &measure}, bounds,
                         POINT{position.x, owner->height});
  picker.Open(component);

  Shown shown{owner, &picker, measure.style, {}};
  CaptureBegin();
  CursorSet(kArrowCursor);
  Sync(&shown);
  bool chosenByUser = Track(&shown, event, bounds);
  CloseWindows(&shown, 0);
  CaptureEnd();
  if (chosenByUser) picker.Chosen(chosen);
}
