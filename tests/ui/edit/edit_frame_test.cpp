// Neighbouring framed fields draw one frame while one of the two is focused or hovered, whichever
// of the two it is.
#include <gtest/gtest.h>

#include "edit_fixture.h"
#include "ui/event_record.h"
#include "ui/item.h"

namespace {

// The bottom of a field's shape: one pixel higher while it is joined to the field below.
int32_t ShapeBottom(const T_Edit* field) {
  RECT box{};
  GetRgnBox(field->shape, &box);
  return box.bottom;
}

TEST_F(EditTest, AFocusedOrHoveredFieldJoinsTheFieldsAboveAndBelow) {
  SetItemLookClass(3);
  auto* upper = new T_Edit(window, XYWH{20, 100, 200, 16}, 2, true, true);
  auto* middle = new T_Edit(window, XYWH{20, 121, 200, 16}, 3, true, true);
  auto* lower = new T_Edit(window, XYWH{20, 142, 200, 16}, 4, true, true);
  const int32_t loose = ShapeBottom(upper);
  InputEvent event;

  struct Case {
    const char* name;
    T_Edit* focused;  // null: nothing focused
    T_Edit* hovered;  // null: nothing hovered
    bool upperJoined, lowerJoined;
  } cases[] = {
      {"middle focused: both neighbours", middle, nullptr, true, true},
      {"upper focused: only the middle below it", upper, nullptr, true, false},
      {"lower hovered: only the middle above it", nullptr, lower, false, true},
      {"upper focused, lower hovered", upper, lower, true, true},
      {"nothing", nullptr, nullptr, false, false},
  };
  for (const Case& c : cases) {
    if (c.focused) {
      Item_TakeFocus(c.focused);
    } else {
      Window_DropFocus(window);
    }
    for (T_Edit* field : {upper, middle, lower}) {
      if (field != c.hovered) field->OnHover(&event, kHoverLeft);
    }
    if (c.hovered) c.hovered->OnHover(&event, kHoverEntered);
    EXPECT_EQ(upper->joinedBelow == middle, c.upperJoined) << c.name;
    EXPECT_EQ(middle->joinedAbove == upper, c.upperJoined) << c.name;
    EXPECT_EQ(middle->joinedBelow == lower, c.lowerJoined) << c.name;
    EXPECT_EQ(ShapeBottom(upper), c.upperJoined ? loose - 1 : loose) << c.name;
    EXPECT_EQ(ShapeBottom(middle), c.lowerJoined ? loose - 1 : loose) << c.name;
  }

  // The pointer leaving a field keeps the join that its focused neighbour holds.
  Item_TakeFocus(middle);
  upper->OnHover(&event, kHoverEntered);
  upper->OnHover(&event, kHoverLeft);
  EXPECT_EQ(middle->joinedAbove, upper);
  EXPECT_EQ(ShapeBottom(upper), loose - 1);

  // A field that goes away leaves its neighbours whole.
  delete middle;
  EXPECT_EQ(upper->joinedBelow, nullptr);
  EXPECT_EQ(lower->joinedAbove, nullptr);
  EXPECT_EQ(ShapeBottom(upper), loose);
  delete lower;
  delete upper;
}

}  // namespace
