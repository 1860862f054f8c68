// Frames (title layout, arrow keys, scrolling), tab strips (layout, presses, keys) and the
// progress indicator's redraw pacing.
#include <gtest/gtest.h>

#include "items_fixture.h"
#include "ui/button.h"
#include "ui/frame_items.h"
#include "ui/item_drawing.h"
#include "ui/slide_bar.h"
#include "ui/tab_strip.h"

namespace items_test {
namespace {

using Log = std::vector<std::string>;

class T_Choice : public T_Item {
 public:
  T_Choice(T_EventHandler* parent, const XYWH& rect, uint32_t id, bool selectable = true)
      : T_Item(kKindSelector, parent, rect, id), selectable(selectable) {
    EventHandler_Open(this);
  }
  bool IsSelectable() override { return selectable; }
  void SetHighlight(bool on) override { highlighted = on; }
  void Press() override { ++presses; }
  bool selectable;
  bool highlighted = false;
  int presses = 0;
};

TEST_F(ItemsTest, FrameTitleShiftsAtMostFourAndIsCut) {
  auto* frame = new T_Frame(dialog, {10, 30, 60, 40}, 1, true);
  frame->SetTitleRef("A title much wider than the frame");
  RECT title;
  RECT line;
  frame->Layout(&title, &line);
  EXPECT_EQ(title.left, 8 - 4);
  EXPECT_EQ(title.right, line.right);
  EXPECT_EQ(line.right, 62);
  EXPECT_LT(line.top, -2);  // the line runs through the middle of the title
  EXPECT_EQ(title.bottom, -1);
  frame->SetTitleRef("Ab");
  frame->Layout(&title, &line);
  EXPECT_EQ(title.left, 8);
}

TEST_F(ItemsTest, FrameArrowKeysSkipDisabledAndUnselectableChildren) {
  auto* frame = new T_Frame(dialog, {10, 10, 300, 100}, 1, true);
  auto* a = new T_Choice(frame, {0, 0, 50, 20}, 1);
  auto* off = new T_Choice(frame, {0, 25, 50, 20}, 2);
  auto* inert = new T_Choice(frame, {0, 50, 50, 20}, 3, false);
  auto* b = new T_Choice(frame, {0, 75, 50, 20}, 4);
  Item_SetEnabled(off, false);
  EXPECT_TRUE(frame->AcceptsFocus());
  Item_TakeFocus(frame);
  InputEvent down = Key(kKeyDown);
  EXPECT_TRUE(frame->KeyDown(&down, frame));
  EXPECT_EQ(frame->currentItem, a);
  EXPECT_TRUE(a->highlighted);
  frame->KeyDown(&down, frame);
  EXPECT_EQ(frame->currentItem, b);
  EXPECT_FALSE(a->highlighted);
  frame->KeyDown(&down, frame);  // at the last child nothing changes
  EXPECT_EQ(frame->currentItem, b);
  InputEvent space = Key(kKeySpace);
  EXPECT_TRUE(frame->KeyDown(&space, frame));
  EXPECT_EQ(b->presses, 1);
  InputEvent up = Key(kKeyUp);
  frame->KeyDown(&up, frame);
  EXPECT_EQ(frame->currentItem, a);
  (void)inert;
  Window_DropFocus(dialog);  // losing the focus gives the current item up
  EXPECT_EQ(frame->currentItem, nullptr);
  EXPECT_FALSE(a->highlighted);
}

TEST_F(ItemsTest, ScrollingFrameAddsABarWhenAChildGrowsPastTheBottom) {
  auto* frame = new T_Frame(dialog, {10, 10, 200, 100}, 1, true);
  auto* child = new T_Choice(frame, {5, 5, 50, 50}, 1);
  frame->SetScrollable(true);
  EXPECT_EQ(frame->scrollBar, nullptr);
  EXPECT_EQ(frame->width, 200);
  child->ResizeBy(0, 150);
  child->SetVisible(false);  // a child's visibility change makes the frame measure again
  child->SetVisible(true);
  ASSERT_NE(frame->scrollBar, nullptr);
  EXPECT_EQ(frame->width, 212);
  EXPECT_EQ(frame->scrollBar->count, 210);  // bottom 205 + top 5
  frame->scrollBar->SetPosition(30);
  EXPECT_EQ(child->y, 5 - 30);
  EXPECT_EQ(frame->ScrollOffset(), 30);
  child->ResizeBy(0, -150);
  frame->UpdateScrollBar();
  EXPECT_EQ(frame->scrollBar, nullptr);
  EXPECT_EQ(child->y, 5);  // moved back down
  EXPECT_EQ(frame->width, 200);
}

class TabTest : public ItemsTest {
 protected:
  T_Tab* MakeStrip(int32_t width, int32_t pages, int32_t initial) {
    dialog->pageTexts.clear();
    for (int32_t i = 0; i < pages; ++i) dialog->pageTexts.push_back("Page " + std::to_string(i));
    return new T_Tab(dialog, {10, 30, width, 100}, 1, pages, initial, true);
  }
};

TEST_F(TabTest, PressingSelectsOnlyWhenReleasedOnTheTab) {
  T_Tab* strip = MakeStrip(300, 3, 0);
  EXPECT_EQ(strip->currentPage, 0);
  EXPECT_EQ(dialog->log, Log{"tab -1>0"});
  dialog->log.clear();
  RECT second = strip->tabRects[1];
  POINT on{(second.left + second.right) / 2, -8};
  SetScript({{on.x, on.y, true}, {on.x, 60, true}, {on.x, 60, false}});  // moved off
  InputEvent press = Press(on.x, on.y);
  EXPECT_TRUE(strip->MouseDown(&press, strip));
  EXPECT_EQ(strip->currentPage, 0);
  EXPECT_EQ(strip->pressedPage, -1);
  SetScript({{on.x, on.y, true}, {on.x, on.y, false}});
  strip->MouseDown(&press, strip);
  EXPECT_EQ(strip->currentPage, 1);
  EXPECT_EQ(dialog->log, Log{"tab 0>1"});
  // The current tab is never hit: clicking it does nothing.
  EXPECT_EQ(Tab_HitTest(strip, on), -1);
  EXPECT_FALSE(strip->MouseDown(&press, strip));
}

TEST_F(TabTest, KeysStepOverDisabledPages) {
  T_Tab* strip = MakeStrip(300, 5, 2);
  dialog->disabledPages = {0, 3};
  Item_TakeFocus(strip);
  struct Case {
    uint16_t key;
    int32_t page;
  } cases[] = {{kKeyHome, 1},     {kKeyLeft, 1}, {kKeyRight, 2},
               {kKeyPageDown, 4}, {kKeyEnd, 4},  {kKeyPageUp, 2}};
  for (const Case& c : cases) {
    InputEvent key = Key(c.key);
    EXPECT_TRUE(strip->KeyDown(&key, strip));
    EXPECT_EQ(strip->currentPage, c.page) << c.key;
  }
  InputEvent escape = Key(kKeyEscape);
  EXPECT_TRUE(strip->KeyDown(&escape, strip));
  EXPECT_EQ(dialog->focusedItem, nullptr);
}

TEST_F(TabTest, NarrowStripsShrinkThenOverlapAtMostTwentyThreePixels) {
  T_Tab* wide = MakeStrip(400, 3, 0);
  for (int32_t p = 1; p < 3; ++p)
    EXPECT_EQ(wide->tabRects[p].left - wide->tabRects[p - 1].right, 11);
  T_Tab* narrow = MakeStrip(150, 20, 5);
  for (int32_t p = 1; p < 20; ++p) {
    int32_t gap = narrow->tabRects[p].left - narrow->tabRects[p - 1].right;
    EXPECT_GE(gap, 11 - 23) << p;
    EXPECT_GE(narrow->tabRects[p].right - narrow->tabRects[p].left, 12);
  }
  EXPECT_EQ(narrow->tabRects[0].left, 10);
  EXPECT_EQ(narrow->tabRects[0].top, -14);
}

TEST_F(ItemsTest, ProgressRedrawsAtMostEvery31MsAndAlwaysWhenFull) {
  auto* bar = new T_ProgressIndicator(dialog, {10, 10, 100, 12}, false);
  EXPECT_FALSE(bar->visible);
  bar->Start(1000);
  EXPECT_TRUE(bar->visible);
  EXPECT_EQ(bar->redrawThreshold, 10);
  int32_t redraws = 0;
  uint64_t lastSeen = bar->lastRedraw;
  uint64_t previousRedraw = 0;
  for (int32_t i = 0; i < 1000; ++i) {
    FakeTicks() += 1;
    bar->Advance(1);
    if (bar->lastRedraw != lastSeen) {
      if (redraws > 0 && bar->filled < 100) {
        EXPECT_GE(bar->lastRedraw - previousRedraw, 31u);
      }
      previousRedraw = lastSeen = bar->lastRedraw;
      ++redraws;
    }
  }
  EXPECT_EQ(bar->filled, 100);
  EXPECT_EQ(bar->lastRedraw, FakeTicks());  // the full bar was drawn at once
  EXPECT_LE(redraws, 1000 / 31 + 2);
  bar->Advance(500);  // more than announced never fills past the end
  EXPECT_EQ(bar->filled, 100);
}

TEST_F(ItemsTest, ProgressWithoutTotalOrWidthOnlyPollsUntilFinished) {
  struct Case {
    int32_t width;
    int64_t total;
  } cases[] = {{100, 0}, {100, -5}, {0, 1000}};
  for (const Case& c : cases) {
    auto* bar = new T_ProgressIndicator(dialog, {10, 10, c.width, 12}, true);
    bar->Start(c.total);
    EXPECT_EQ(bar->pixelsPerUnit, 0.0) << c.width << " " << c.total;
    const uint64_t started = bar->lastRedraw;
    for (int32_t i = 0; i < 2000; ++i) {
      FakeTicks() += 1;
      bar->Advance(1);
    }
    EXPECT_EQ(bar->done, 2000) << c.width << " " << c.total;
    EXPECT_EQ(bar->filled, 0) << c.width << " " << c.total;
    EXPECT_EQ(bar->lastRedraw, started) << c.width << " " << c.total;
    EXPECT_GT(bar->lastPoll, 0u) << c.width << " " << c.total;  // the work still polled
    bar->Finish();
    EXPECT_EQ(bar->filled, c.width) << c.width << " " << c.total;
    delete bar;
  }
}

}  // namespace
}  // namespace items_test
