// Items: the enabled state flowing down, focus, the item order, rectangle placement, palette
// names and coarse pixels of the shared drawing routines.
#include <gtest/gtest.h>

#include <cstring>

#include "core/memory.h"
#include "items_fixture.h"
#include "tests/ui/offscreen_fixture.h"
#include "ui/aa_drawing.h"
#include "ui/button.h"
#include "ui/frame_items.h"
#include "ui/graphics_port.h"
#include "ui/item_drawing.h"

namespace items_test {
namespace {

// A plain item that can be made selectable and focusable.
class T_PlainItem : public T_Item {
 public:
  T_PlainItem(T_EventHandler* parent, const XYWH& rect, uint32_t id, bool takesFocus = true)
      : T_Item(kKindSelector, parent, rect, id), takesFocus(takesFocus) {
    EventHandler_Open(this);
  }
  bool AcceptsFocus() override { return takesFocus; }
  bool IsSelectable() override { return true; }
  void SetHighlight(bool on) override { highlighted = on; }
  void Press() override { ++presses; }
  bool takesFocus;
  bool highlighted = false;
  int presses = 0;
};

TEST_F(ItemsTest, EnabledStateFlowsDownWithoutTouchingOwnFlags) {
  auto* frame = new T_Frame(dialog, {10, 10, 200, 100}, 1, true);
  auto* inner = new T_PlainItem(frame, {5, 5, 50, 20}, 2);
  auto* direct = new T_PlainItem(dialog, {10, 150, 50, 20}, 3);
  Item_SetEnabled(frame, false);
  EXPECT_FALSE(frame->enabled);
  EXPECT_FALSE(inner->enabled);
  EXPECT_TRUE(inner->ownEnabled);
  EXPECT_TRUE(direct->enabled);  // directly in the window: only its own flag counts
  Item_SetEnabled(inner, false);
  Item_SetEnabled(frame, true);
  EXPECT_FALSE(inner->enabled);
  Item_SetEnabled(inner, true);
  EXPECT_TRUE(inner->enabled);
  // An item made inside a disabled frame starts disabled.
  Item_SetEnabled(frame, false);
  auto* late = new T_PlainItem(frame, {60, 5, 50, 20}, 4);
  EXPECT_FALSE(late->enabled);
}

TEST_F(ItemsTest, FocusLeavesItemsThatAreDisabledHiddenOrDestroyed) {
  auto* a = new T_PlainItem(dialog, {10, 10, 50, 20}, 1);
  auto* b = new T_PlainItem(dialog, {10, 40, 50, 20}, 2);
  Item_TakeFocus(a);
  EXPECT_EQ(dialog->focusedItem, a);
  Item_TakeFocus(b);
  EXPECT_FALSE(a->focus);
  EXPECT_EQ(dialog->focusedItem, b);
  Item_SetEnabled(b, false);
  EXPECT_EQ(dialog->focusedItem, nullptr);
  EXPECT_FALSE(b->focus);
  EXPECT_FALSE(Item_CanTakeFocus(b));
  Item_TakeFocus(a);
  a->SetVisible(false);
  EXPECT_EQ(dialog->focusedItem, nullptr);
  a->SetVisible(true);
  Item_TakeFocus(a);
  delete a;
  EXPECT_EQ(dialog->focusedItem, nullptr);
}

TEST_F(ItemsTest, TabWalksIdsThenPositionsAndWraps) {
  auto* third = new T_PlainItem(dialog, {10, 10, 50, 20}, 30);
  auto* first = new T_PlainItem(dialog, {10, 90, 50, 20}, 10);
  auto* lower = new T_PlainItem(dialog, {10, 60, 50, 20}, 20);  // same id: the upper one first
  auto* upper = new T_PlainItem(dialog, {90, 40, 50, 20}, 20);
  new T_PlainItem(dialog, {10, 120, 50, 20}, 5, false);  // never takes the focus
  std::vector<T_Item*> order;
  for (int i = 0; i < 5; ++i) {
    Window_FocusStep(
        dialog->focusedItem ? static_cast<T_GrafElement*>(dialog->focusedItem) : dialog,
        kFocusForward);
    order.push_back(AsItem(dialog->focusedItem));
  }
  EXPECT_EQ(order, (std::vector<T_Item*>{first, upper, lower, third, first}));
  Window_FocusStep(dialog->focusedItem, kFocusBackward);  // from the first back to the last
  EXPECT_EQ(dialog->focusedItem, third);
}

TEST(ItemOrder, ComparesByModeAndReverses) {
  T_PlainItem* a;
  T_PlainItem* b;
  RECT rect{0, 0, 300, 300};
  T_Window window(kKindDialog, &rect, 1, nullptr, false);
  struct Case {
    XYWH ra;
    uint32_t ida;
    XYWH rb;
    uint32_t idb;
    int32_t mode;
    int32_t expected;
  } cases[] = {
      {{10, 50, 20, 20}, 1, {30, 0, 20, 20}, 1, kOrderX, 1},
      {{10, 50, 20, 20}, 1, {30, 0, 20, 20}, 1, kOrderY, -1},
      {{10, 50, 20, 20}, 1, {30, 0, 20, 20}, 1, kOrderY | kOrderReverse, 1},
      {{10, 50, 20, 20}, 9, {30, 0, 20, 20}, 1, kOrderTab, -1},
      {{10, 50, 20, 20}, 1, {30, 50, 20, 20}, 1, kOrderTab, 1},       // equal ids: left first
      {{10, 50, 20, 20}, 1, {10, 50, 20, 30}, 1, kOrderPosition, 1},  // then the taller one after
      {{10, 50, 20, 20}, 1, {10, 50, 20, 20}, 1, kOrderPosition, 0},
  };
  for (const Case& c : cases) {
    a = new T_PlainItem(&window, c.ra, c.ida);
    b = new T_PlainItem(&window, c.rb, c.idb);
    EXPECT_EQ(ItemCompareOrder(a, b, c.mode), c.expected) << c.mode;
    delete a;
    delete b;
  }
  EXPECT_EQ(Item_FirstInOrder(&window, kOrderTab), nullptr);
  auto* hidden = new T_PlainItem(&window, {0, 0, 10, 10}, 1);
  hidden->SetVisible(false);
  EXPECT_EQ(Item_FirstInOrder(&window, kOrderTab), nullptr);
}

TEST(ItemRects, FitInBoundsMovesThenCuts) {
  const RECT bounds{0, 0, 100, 80};
  struct Case {
    RECT rect;
    int32_t stepX, stepY;
    bool keepTop;
    RECT expected;
  } cases[] = {
      {{90, 70, 120, 90}, 1, 1, false, {70, 60, 100, 80}},
      {{-10, -5, 20, 15}, 1, 1, false, {0, 0, 30, 20}},
      {{20, 10, 150, 30}, 1, 1, false, {0, 10, 100, 30}},    // wider than the bounds: flush left
      {{90, 70, 120, 90}, 16, 16, false, {58, 54, 88, 74}},  // moves in whole steps
      {{10, 70, 20, 130}, 1, 20, true, {10, 70, 20, 70}},    // top kept, cut in whole steps
      {{10, 30, 20, 95}, 1, 10, true, {10, 30, 20, 75}},
      {{90, 70, 120, 90}, 0, -3, false, {70, 60, 100, 80}},  // steps below 1 count as 1
  };
  for (const Case& c : cases) {
    RECT r = c.rect;
    FitRectInBoundsStepped(&r, &bounds, c.stepX, c.stepY, c.keepTop);
    EXPECT_TRUE(EqualRect(&r, &c.expected))
        << r.left << "," << r.top << "," << r.right << "," << r.bottom;
  }
  RECT wide{20, 10, 150, 30};
  FitRectInBounds(&wide, &bounds);
  EXPECT_EQ(wide.left, 0);
  EXPECT_EQ(wide.right, 100);
  POINT p{-5, 90};
  ClampPointToRect(&p, &bounds);
  EXPECT_EQ(p.x, 0);
  EXPECT_EQ(p.y, 80);
  EXPECT_EQ(PointDistance(POINT{1, 2}, POINT{4, -2}), 7);
}

TEST(PaletteNames, AreFixedTextsForZeroToThirty) {
  struct Case {
    int32_t index;
    const char* name;
  } cases[] = {{0, "white"}, {5, "#A0A0A0"}, {18, "#40FF40"}, {22, "darkblue"}, {27, "white"},
               {29, "gray"}, {30, "white"},  {31, nullptr},   {-1, nullptr}};
  for (const Case& c : cases) {
    const char* name = PaletteColourName(c.index);
    if (!c.name) {
      EXPECT_EQ(name, nullptr) << c.index;
    } else {
      ASSERT_NE(name, nullptr) << c.index;
      EXPECT_STREQ(name, c.name);
    }
  }
}

// Drawing routines into an offscreen port on a white background.
class ItemDrawing : public OffscreenPortTest {
 protected:
  COLORREF Pixel(int32_t x, int32_t y) {
    uint32_t value = PixelRgb(x, y);
    return RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
  }
};

TEST_F(ItemDrawing, FramesAndBarsUseTheirPaletteEntries) {
  RECT sunken{2, 2, 20, 20};
  DrawSunkenFrame(&sunken);
  EXPECT_EQ(Pixel(2, 10), PaletteColour(29));   // outer top-left
  EXPECT_EQ(Pixel(19, 10), PaletteColour(30));  // outer bottom-right
  EXPECT_EQ(Pixel(3, 10), PaletteColour(10));   // inner top-left
  EXPECT_EQ(Pixel(18, 10), PaletteColour(4));
  RECT bar{30, 2, 60, 12};
  DrawProgressBar(&bar, 10);
  EXPECT_EQ(Pixel(35, 6), PaletteColour(23));
  EXPECT_EQ(Pixel(50, 6), PaletteColour(24));
  EXPECT_EQ(Pixel(30, 6), PaletteColour(10));  // the outline in the foreground colour
  RECT raised{2, 25, 20, 38};
  DrawRaisedFrame(&raised, false);
  EXPECT_EQ(Pixel(10, 30), PaletteColour(27));
  EXPECT_EQ(Pixel(19, 30), PaletteColour(10));
  EXPECT_EQ(Gfx.foreColour, kColourBlack);  // restored
  EXPECT_EQ(Gfx.backColour, kColourWhite);
}

}  // namespace
}  // namespace items_test
