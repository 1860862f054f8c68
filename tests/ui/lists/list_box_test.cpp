// List boxes: the selection states, presses and drags, keys, the wheel and reloading.
#include <gtest/gtest.h>

#include "lists_fixture.h"

namespace lists_test {
namespace {

using Lines = std::vector<int64_t>;
using Log = std::vector<std::string>;

TEST_F(ListsTest, SelectionMovesBetweenNoneSingleAndMultiple) {
  T_Linebox* list = MakeList(20);
  list->SetLineSelected(7, true);
  EXPECT_EQ(list->current, 7);
  EXPECT_EQ(list->anchor, 7);
  EXPECT_EQ(list->selectionSet, nullptr);

  list->SetLineSelected(3, true);  // a second line makes the set; current is the lowest
  ASSERT_NE(list->selectionSet, nullptr);
  EXPECT_EQ(list->current, 3);
  EXPECT_EQ(Selected(list), (Lines{3, 7}));
  EXPECT_EQ(list->CountSelected(), 2);

  list->SetLineSelected(3, true);  // already selected: no notice
  list->SetLineSelected(3, false);
  EXPECT_EQ(list->current, 7);
  list->SetLineSelected(7, false);
  EXPECT_EQ(list->selectionSet, nullptr);
  EXPECT_EQ(list->current, -1);
  EXPECT_EQ(list->anchor, -1);
  EXPECT_EQ(dialog->log, (Log{"+7", "+3", "-3", "-7"}));

  list->SelectAll();
  EXPECT_EQ(list->CountSelected(), 20);
  list->SelectOnly(12);
  EXPECT_EQ(Selected(list), (Lines{12}));
  EXPECT_EQ(list->anchor, 12);
  EXPECT_EQ(list->focusLine, 12);
  list->DeselectAll();
  EXPECT_EQ(list->CountSelected(), 0);
  EXPECT_EQ(list->selectionSet, nullptr);
}

TEST_F(ListsTest, ARefusingParentLetsClicksMoveOnlyTheFocus) {
  T_Linebox* list = MakeList(20);
  list->SelectOnly(2);
  dialog->log.clear();
  dialog->maySelect = false;
  InputEvent press = Press(20, 45);  // line 4
  EXPECT_TRUE(list->MouseDown(&press, list));
  EXPECT_EQ(list->focusLine, 4);
  EXPECT_EQ(Selected(list), (Lines{2}));
  EXPECT_TRUE(dialog->log.empty());
}

TEST_F(ListsTest, ClicksSelectExtendAndToggle) {
  T_Linebox* list = MakeList(20);
  struct Step {
    int32_t y;
    bool shift;
    bool control;
    Lines selected;
  } steps[] = {
      {25, false, false, {2}},          // a plain click selects only the line
      {55, true, false, {2, 3, 4, 5}},  // Shift extends from the anchor
      {35, true, false, {2, 3}},        // and shrinks back towards it
      {75, false, true, {2, 3, 7}},     // Ctrl adds
      {35, false, true, {2, 7}},        // and removes
      {95, false, false, {9}},
  };
  for (const Step& step : steps) {
    InputEvent press = Press(20, step.y, step.shift, step.control);
    list->MouseDown(&press, list);
    EXPECT_EQ(Selected(list), step.selected) << step.y;
  }
  InputEvent twice = Press(20, 95);
  twice.doubleClick = 1;
  list->MouseDown(&twice, list);
  EXPECT_EQ(dialog->log.back(), "action 9");
}

TEST_F(ListsTest, DraggingBelowScrollsAtOnceThenAfter250ThenEvery100) {
  T_Linebox* list = MakeList(40);
  std::vector<PointerStep> script{{20, 55, true}};                 // to line 5
  for (int i = 0; i < 60; ++i) script.push_back({20, 150, true});  // 600 ms below the list
  SetScript(script);
  InputEvent press = Press(20, 25);  // line 2
  list->MouseDown(&press, list);
  // Line 2 on the press, 3 to 5 on the move, then one line per scroll.
  Lines expected;
  for (int64_t i = 2; i <= 14; ++i) expected.push_back(i);
  EXPECT_EQ(Selected(list), expected);
  ASSERT_EQ(dialog->selectedAt.size(), expected.size());
  // Notices: line 2 (press), 3 to 5 (move), 6 to 10 (first poll below), then 11 to 14.
  const std::vector<uint64_t>& at = dialog->selectedAt;
  EXPECT_EQ(at[8] - at[3], 10u);  // the first scroll comes at once
  std::vector<uint64_t> gaps;
  for (size_t i = 9; i < at.size(); ++i) gaps.push_back(at[i] - at[i - 1]);
  EXPECT_EQ(gaps, (std::vector<uint64_t>{250, 100, 100, 100}));
  EXPECT_EQ(list->focusLine, 14);
}

TEST_F(ListsTest, ShiftArrowsGrowFromTheAnchorAndShrinkBackOneByOne) {
  T_Linebox* list = MakeList(20);
  list->SelectOnly(5);
  struct Step {
    uint16_t key;
    bool shift;
    Lines selected;
    int64_t focus;
  } steps[] = {
      {kKeyDown, true, {5, 6}, 6}, {kKeyDown, true, {5, 6, 7}, 7}, {kKeyUp, true, {5, 6}, 6},
      {kKeyUp, true, {5}, 5},      {kKeyUp, true, {4, 5}, 4},      {kKeyDown, false, {5}, 5},
      {kKeyHome, false, {0}, 0},   {kKeyUp, false, {0}, 0},  // nothing above the first line
      {kKeyEnd, false, {19}, 19},  {kKeyLeft, false, {}, 19},      {kKeyRight, false, {19}, 19},
  };
  for (const Step& step : steps) {
    InputEvent key = Key(step.key, step.shift);
    EXPECT_TRUE(list->KeyDown(&key, list));
    EXPECT_EQ(Selected(list), step.selected) << step.key;
    EXPECT_EQ(list->focusLine, step.focus) << step.key;
  }
  EXPECT_EQ(list->bar.last, 19);  // End scrolled the last line into view

  dialog->log.clear();
  for (uint16_t code : {kKeyEnter, kKeyKeypadEnter, uint16_t(32), kKeyBackspace}) {
    InputEvent key = Key(code);
    EXPECT_TRUE(list->KeyDown(&key, list));
  }
  InputEvent nothing = Key(6);  // no key or character gives this code: it means nothing
  EXPECT_FALSE(list->KeyDown(&nothing, list));
  EXPECT_EQ(dialog->log, (Log{"action 19", "action 19", "action 19", "back 19"}));
  InputEvent letter = Key('A');
  EXPECT_FALSE(list->KeyDown(&letter, list));
}

TEST_F(ListsTest, PageKeysScrollWithoutTouchingTheSelection) {
  T_Linebox* list = MakeList(40);
  list->SelectOnly(1);
  InputEvent down = Key(kKeyPageDown);
  list->KeyDown(&down, list);
  EXPECT_EQ(list->bar.first, 10);
  InputEvent up = Key(kKeyPageUp);
  list->KeyDown(&up, list);
  EXPECT_EQ(list->bar.last, 9);
  EXPECT_EQ(Selected(list), (Lines{1}));
}

TEST_F(ListsTest, AListWithoutLinesSwallowsKeys) {
  T_Linebox* list = MakeList(0);
  for (uint16_t code : {kKeyDown, kKeyEnter, uint16_t('A')}) {
    InputEvent key = Key(code);
    EXPECT_TRUE(list->KeyDown(&key, list)) << code;
  }
  EXPECT_EQ(list->focusLine, 0);
  EXPECT_TRUE(dialog->log.empty());
}

TEST_F(ListsTest, ControlWheelMovesTheSelectionAndPlainWheelScrolls) {
  T_Linebox* list = MakeList(40);
  InputEvent wheel = Key(0, false, true);
  list->OnWheel(&wheel, -1);  // a notch down moves the selection down from the focus line
  list->OnWheel(&wheel, -1);
  EXPECT_EQ(Selected(list), (Lines{2}));
  list->OnWheel(&wheel, 1);
  EXPECT_EQ(Selected(list), (Lines{1}));
  InputEvent plain = Key(0);
  list->OnWheel(&plain, -3);
  EXPECT_GT(list->bar.first, 0);
  EXPECT_EQ(Selected(list), (Lines{1}));
}

TEST_F(ListsTest, ReloadDropsLinesPastTheNewCount) {
  T_Linebox* list = MakeList(30);
  list->SetLineSelected(3, true);
  list->SetLineSelected(25, true);
  list->focusLine = 25;
  dialog->lineCount = 10;
  list->ReloadLines();
  EXPECT_EQ(Selected(list), (Lines{3}));
  EXPECT_EQ(list->bar.count, 10);
  EXPECT_EQ(list->focusLine, 9);
  ASSERT_NE(list->selectionSet, nullptr);
  EXPECT_EQ(list->selectionSet->count, 10);
  dialog->lineCount = 30;  // growing again brings no stale bits back
  list->ReloadLines();
  EXPECT_EQ(Selected(list), (Lines{3}));
}

}  // namespace
}  // namespace lists_test
