#pragma once
// T_Tab: a row of tabs above a page whose contents the parent draws and switches.
//
// The strip asks and tells its parent through tab events: it fills its event record (below),
// calls its own OnTabEvent (strip, code), which climbs to the parent, and reads the answers back
// from the record. The parent's handler finds the record in the strip's `event` field:
//   code 0  describe page `page`: set `text`, may clear `enabled`, may set `extraSpace` (8 more
//           pixels before the tab);
//   code 1  the page changed from `oldPage` to `page`;
//   code 2  draw page `page` in the strip's content.
//
// Tab rectangles are in the strip's content coordinates; the row lies above the page (negative
// y). User-interface thread only.
#include <cstdint>

#include "ui/item.h"

class T_Slidebar;

constexpr int32_t kTabMaxPages = 48;
constexpr int32_t kTabDescribe = 0;
constexpr int32_t kTabChanged = 1;
constexpr int32_t kTabDrawPage = 2;

class T_Tab;

struct TabEvent {
  uint32_t code = 0;
  T_Tab* strip = nullptr;
  int32_t page = -1;
  int32_t oldPage = -1;
  const char* text = nullptr;  // out: not owned, read at once
  uint8_t enabled = 1;         // out
  uint8_t extraSpace = 0;      // out
};

class T_Tab : public T_Item {
 public:
  // pageCount is limited to 48; initialPage is selected when the strip and its parent are open.
  T_Tab(T_EventHandler* parent, const XYWH& rect, uint32_t id, int32_t pageCount,
        int32_t initialPage, bool open);
  ~T_Tab() override;

  void Notify(int32_t code) override;
  void NotifyFromParent(int32_t code) override;
  void NotifyFromChild(int32_t code, T_GrafElement* child) override;
  void OnHover(InputEvent* event, int32_t code) override;
  bool MouseDown(InputEvent* event, T_GrafElement* target) override;
  bool OnWheel(InputEvent* event, int32_t lines) override;
  bool KeyDown(InputEvent* event, T_GrafElement* target) override;
  void OnSlidebarEvent(T_GrafElement* bar, SlidebarEvent* record) override;
  void OnResized(int32_t dw, int32_t dh) override;
  void DrawContent() override;
  void DrawFrame() override;
  void BuildShape() override;
  // The strip takes the focus so that its keys and its focus look can work.
  bool AcceptsFocus() override;

  void SetScrollable(bool on);

  int32_t pageCount;
  int32_t currentPage = -1;
  int32_t pressedPage = -1;
  int32_t hoveredPage = -1;
  int32_t pendingPage;
  RECT tabRects[kTabMaxPages]{};
  uint8_t scrolling = 0;
  T_Slidebar* scrollBar = nullptr;
  // The record of the tab event being sent; valid only during OnTabEvent.
  TabEvent* event = nullptr;

 private:
  void DrawTab(int32_t page);
};

// Asks the parent to describe a page (code 0); the record holds the answers.
TabEvent Tab_Describe(T_Tab* strip, int32_t page);
void Tab_Select(T_Tab* strip, int32_t page);
// Below -1: the first enabled page; above 1: the last; -1 and 1: the nearest enabled page
// before or after the current one. Nothing when none is enabled.
void Tab_Step(T_Tab* strip, int32_t step);
// The enabled tab under the point (content coordinates), never the current one; -1 for none.
int32_t Tab_HitTest(T_Tab* strip, POINT point);
void Tab_Layout(T_Tab* strip, bool invalidate);
void Tab_InvalidateTab(T_Tab* strip, int32_t page);
void Tab_InvalidateRow(T_Tab* strip);
void Tab_UpdateScrollBar(T_Tab* strip);
int32_t Tab_ScrollOffset(const T_Tab* strip);
// The state a tab is painted in: 0 disabled, 1 normal, 2 current, 3 current with the focus in
// the front window, 4 pressed, 5 hovered.
int32_t Tab_State(T_Tab* strip, int32_t page, bool enabled);
