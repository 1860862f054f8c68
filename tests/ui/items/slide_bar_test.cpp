// Slide bars: fitting positions to the parent's pixels, the thumb, arrow repeat timing, paging,
// thumb drags and the wheel.
#include <gtest/gtest.h>

#include "items_fixture.h"
#include "ui/slide_bar.h"

namespace items_test {
namespace {

// A vertical bar 15 wide over count positions; 10 pixels per position, visible as given.
T_Slidebar* MakeBar(T_TestDialog* dialog, int32_t length, int64_t count, int64_t visible) {
  dialog->visiblePixels = visible;
  dialog->positionPixels = 10;
  return new T_Slidebar(dialog, {0, 0, 15, length}, true, 1, count);
}

TEST_F(ItemsTest, SlidebarFitsPositionsAndKeepsTheThumbInTheTrack) {
  // 1000 positions, 10 visible, a 100-pixel track (131 - 2 x 15 - 1).
  T_Slidebar* bar = MakeBar(dialog, 131, 1000, 100);
  EXPECT_EQ(bar->trackLength, 100);
  EXPECT_EQ(bar->last, 9);
  EXPECT_EQ(bar->LargestFirst(), 990);
  EXPECT_TRUE(bar->SetPosition(5000));
  EXPECT_EQ(bar->first, 990);
  EXPECT_EQ(bar->last, 999);
  int32_t start = 0;
  int32_t end = 0;
  bar->ThumbSpan(bar->first, bar->last, &start, &end);
  EXPECT_EQ(end - start, 9);
  EXPECT_EQ(end, 100);
  bar->ThumbSpan(0, 9, &start, &end);
  EXPECT_EQ(start, 0);

  dialog->moves.clear();
  dialog->distances.clear();
  EXPECT_FALSE(bar->SetPosition(990));
  EXPECT_TRUE(dialog->moves.empty());
  EXPECT_TRUE(bar->SetPosition(985));
  ASSERT_EQ(dialog->distances.size(), 1u);
  EXPECT_EQ(dialog->distances.back(), 50);  // five positions of 10 pixels back up
  EXPECT_TRUE(bar->ScrollBy(100));          // clamped at the end
  EXPECT_EQ(dialog->distances.back(), -50);
  EXPECT_TRUE(bar->SetPosition(0));
  EXPECT_EQ(dialog->distances.back(), 101);  // capped at the visible length + 1
  EXPECT_TRUE(bar->IsScrollable());
  Item_SetEnabled(bar, false);
  EXPECT_FALSE(bar->IsScrollable());
}

TEST_F(ItemsTest, SlidebarHitTestFindsEveryPart) {
  T_Slidebar* bar = MakeBar(dialog, 131, 100, 100);  // thumb covers a tenth of the track
  bar->SetPosition(40);
  RECT thumb = bar->PartRect(kPartThumb);
  struct Case {
    int32_t y;
    int32_t part;
  } cases[] = {{5, kPartArrowBack},
               {20, kPartPageBack},
               {(thumb.top + thumb.bottom) / 2, kPartThumb},
               {110, kPartPageForward},
               {125, kPartArrowForward},
               {140, kPartNone}};
  for (const Case& c : cases) EXPECT_EQ(bar->HitTest(7, c.y), c.part) << c.y;
}

TEST_F(ItemsTest, SlidebarArrowRepeatsOnScheduleAndPagesByWhatFits) {
  T_Slidebar* bar = MakeBar(dialog, 131, 1000, 100);
  // Held on the down arrow for two seconds of 10 ms polls.
  std::vector<PointerStep> hold(200, PointerStep{7, 125, true});
  SetScript(hold);
  uint64_t start = FakeTicks();
  InputEvent press = Press(7, 125);
  EXPECT_TRUE(bar->MouseDown(&press, bar));
  ASSERT_GE(dialog->moveTicks.size(), 8u);
  std::vector<uint64_t> gaps;
  for (size_t i = 1; i < 8; ++i) gaps.push_back(dialog->moveTicks[i] - dialog->moveTicks[i - 1]);
  EXPECT_EQ(dialog->moveTicks[0], start);
  EXPECT_EQ(gaps, (std::vector<uint64_t>{400, 120, 120, 120, 120, 120, 50}));
  int64_t steps = static_cast<int64_t>(dialog->moveTicks.size());
  EXPECT_EQ(bar->first, steps);  // one position each
  EXPECT_EQ(bar->pressedPart, kPartNone);

  // Paging: down makes the position after the last the first; up makes the one before the
  // first the last.
  bar->SetPosition(100);
  SetScript({{7, 110, false}});
  InputEvent pageDown = Press(7, 110);
  bar->MouseDown(&pageDown, bar);
  EXPECT_EQ(bar->first, 110);
  SetScript({{7, 20, false}});
  InputEvent pageUp = Press(7, 20);
  bar->MouseDown(&pageUp, bar);
  EXPECT_EQ(bar->first, 100);
}

TEST_F(ItemsTest, SlidebarLeavingTheArrowStopsTheRepeat) {
  T_Slidebar* bar = MakeBar(dialog, 131, 1000, 100);
  std::vector<PointerStep> script(10, PointerStep{7, 125, true});  // 100 ms on the arrow
  script.insert(script.end(), 100, PointerStep{60, 125, true});    // a second away
  script.push_back(PointerStep{60, 125, false});
  SetScript(script);
  InputEvent press = Press(7, 125);
  bar->MouseDown(&press, bar);
  EXPECT_EQ(bar->first, 1);  // only the step at once
}

TEST_F(ItemsTest, SlidebarThumbDragFollowsAndReturnsWhenDraggedAway) {
  T_Slidebar* bar = MakeBar(dialog, 131, 100, 100);  // scale 1 pixel per position
  RECT thumb = bar->PartRect(kPartThumb);
  int32_t grabY = thumb.top + 2;
  SetScript({{7, grabY + 30, true}, {7, grabY + 30, false}});
  InputEvent press = Press(7, grabY);
  bar->MouseDown(&press, bar);
  EXPECT_EQ(bar->first, 30);

  // Out beyond the 20-pixel margin and released there: back where the drag started.
  thumb = bar->PartRect(kPartThumb);
  grabY = thumb.top + 2;
  SetScript({{7, grabY + 20, true}, {60, grabY + 20, true}, {60, grabY + 20, false}});
  InputEvent again = Press(7, grabY);
  bar->MouseDown(&again, bar);
  EXPECT_EQ(bar->first, 30);
  // Within the margin it still counts.
  SetScript({{7 + 25, grabY + 20, true}, {7 + 25, grabY + 20, false}});
  bar->MouseDown(&again, bar);
  EXPECT_EQ(bar->first, 50);
}

TEST_F(ItemsTest, SlidebarWheelIsCappedByWhatRemains) {
  struct Case {
    int64_t count;
    int32_t lines;
    int32_t wheelLines;
    int64_t expected;
  } cases[] = {
      {20, -3, 1, 1},   // count - span (9) is 11: one position
      {21, -3, 1, 3},   // 12: up to span / 4 + 1 = 3
      {100, -1, 5, 3},  // five lines a notch, capped at 3
      {100, 1, 1, 0},   // up at the top: nothing
  };
  for (const Case& c : cases) {
    T_Slidebar* bar = MakeBar(dialog, 131, c.count, 100);
    bar->wheelLines = c.wheelLines;
    InputEvent event;
    EXPECT_TRUE(bar->OnWheel(&event, c.lines));
    EXPECT_EQ(bar->first, c.expected) << c.count;
    delete bar;
  }
}

}  // namespace
}  // namespace items_test
