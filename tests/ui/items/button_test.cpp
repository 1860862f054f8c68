// Buttons and check boxes driven through mouse presses (a scripted pointer), keys and the
// window's Enter and Escape.
#include <gtest/gtest.h>

#include <array>

#include "core/localized_text.h"
#include "items_fixture.h"
#include "ui/button.h"

namespace items_test {
namespace {

using Log = std::vector<std::string>;

TEST_F(ItemsTest, ButtonFiresOnlyWhenReleasedInside) {
  auto* button = new T_Button(dialog, {10, 10, 80, 24}, 7);
  button->SetTitleRef("Go");
  struct Case {
    std::vector<PointerStep> script;
    bool fires;
  } cases[] = {
      {{{5, 5, true}, {6, 6, true}, {6, 6, false}}, true},
      {{{5, 5, true}, {200, 5, true}, {200, 5, false}}, false},  // moved off and released
      {{{5, 5, true}, {200, 5, true}, {10, 10, true}, {10, 10, false}}, true},  // came back
      {{{5, 5, true}, {5, 5, true}, {200, 5, false}}, false},                   // released outside
  };
  for (const Case& c : cases) {
    dialog->log.clear();
    SetScript(c.script);
    InputEvent press = Press(5, 5);
    EXPECT_TRUE(button->MouseDown(&press, button));
    EXPECT_EQ(dialog->log, c.fires ? Log{"button 7 Go"} : Log{});
    EXPECT_FALSE(button->pressed);
  }
  EXPECT_EQ(dialog->focusedItem, button);  // the press gave it the focus
  EXPECT_EQ(CurrentCommandTitle(), nullptr);
  Item_SetEnabled(button, false);
  dialog->log.clear();
  SetScript({{5, 5, false}});
  InputEvent press = Press(5, 5);
  button->MouseDown(&press, button);
  EXPECT_TRUE(dialog->log.empty());
}

TEST_F(ItemsTest, ButtonKeysAndTheWindowsEnterAndEscape) {
  auto* ok = new T_Button(dialog, {10, 10, 80, 24}, 1);
  ok->SetTitleId(700);
  ok->SetDefault(true);
  auto* cancel = new T_Button(dialog, {100, 10, 80, 24}, 2);
  cancel->SetTitleId(701);
  EXPECT_TRUE(cancel->isCancel);
  auto* other = new T_Button(dialog, {190, 10, 80, 24}, 3);
  other->SetTitleRef("Other");

  InputEvent enter = Key(kKeyEnter);
  EXPECT_TRUE(dialog->KeyDown(&enter, nullptr));
  InputEvent escape = Key(kKeyEscape);
  EXPECT_TRUE(dialog->KeyDown(&escape, nullptr));
  Item_TakeFocus(other);
  InputEvent space = Key(kKeySpace);
  EXPECT_TRUE(other->KeyDown(&space, other));
  InputEvent shifted = Key(kKeySpace, true);
  EXPECT_FALSE(other->KeyDown(&shifted, other));
  InputEvent focusedEnter = Key(kKeyEnter);
  EXPECT_TRUE(other->KeyDown(&focusedEnter, other));  // the focused button, not the default one
  EXPECT_EQ(dialog->log,
            (Log{"button 1 OK", "button 2 Cancel", "button 3 Other", "button 3 Other"}));

  Item_SetEnabled(ok, false);
  dialog->log.clear();
  Window_DropFocus(dialog);
  EXPECT_TRUE(dialog->KeyDown(&enter, nullptr));  // a disabled default button takes the key
  EXPECT_TRUE(dialog->log.empty());
}

TEST_F(ItemsTest, FocusOnAPlainButtonTakesTheDefaultLookAway) {
  auto* ok = new T_Button(dialog, {10, 10, 80, 24}, 1);
  ok->SetDefault(true);
  auto* plain = new T_Button(dialog, {100, 10, 80, 24}, 2);
  auto* box = new T_Checkbox(dialog, {10, 50, 100, 16}, 3, true);
  EXPECT_TRUE(Button_IsHighlighted(ok));
  Item_TakeFocus(plain);
  EXPECT_FALSE(Button_IsHighlighted(ok));
  EXPECT_TRUE(Button_IsHighlighted(plain));
  Item_TakeFocus(box);
  EXPECT_TRUE(Button_IsHighlighted(ok));
  EXPECT_FALSE(Button_IsHighlighted(plain));
}

TEST_F(ItemsTest, ButtonTitleSizeAndAlignmentFollowTheHeight) {
  struct Case {
    int32_t height;
    int32_t width;
    const char* title;
    int16_t size;
    uint16_t align;
  } cases[] = {
      {18, 80, "+", 12, kStyleCentre | kStyleMiddle},
      {18, 80, "-", 12, kStyleCentre | kStyleMiddle},
      {18, 80, "OK", 9, kStyleCentre | kStyleMiddle},
      {24, 80, "OK", 12, kStyleCentre | kStyleMiddle},
      {20, 30, "A rather long title", 12, kStyleMiddle},  // too wide while low: left aligned
      {24, 30, "A rather long title", 12, kStyleCentre | kStyleMiddle},
  };
  for (const Case& c : cases) {
    T_Button button(dialog, {10, 10, c.width, c.height}, 1);
    button.SetTitleRef(c.title);
    EXPECT_EQ(button.style.size, c.size) << c.title << " " << c.height;
    EXPECT_EQ(button.style.flags & kStyleAlignMask, c.align) << c.title << " " << c.height;
  }
}

TEST_F(ItemsTest, CheckboxTogglesByKeyAndMouseOnce) {
  auto* box = new T_Checkbox(dialog, {10, 10, 100, 16}, 4, true);
  box->SetLabelRef("Option");
  Item_TakeFocus(box);
  InputEvent space = Key(kKeySpace);
  EXPECT_TRUE(box->KeyDown(&space, box));
  EXPECT_TRUE(box->checked);
  EXPECT_EQ(dialog->log, Log{"checkbox 4"});
  InputEvent letter = Key('A');
  EXPECT_FALSE(box->KeyDown(&letter, box));

  dialog->log.clear();
  SetScript({{3, 3, true}, {300, 3, false}});  // released outside: no toggle
  InputEvent press = Press(3, 3);
  box->MouseDown(&press, box);
  EXPECT_TRUE(box->checked);
  SetScript({{3, 3, true}, {4, 4, false}});
  box->MouseDown(&press, box);
  EXPECT_FALSE(box->checked);
  EXPECT_EQ(dialog->log, Log{"checkbox 4"});
  EXPECT_FALSE(box->SetChecked(false));
  EXPECT_TRUE(box->SetChecked(true));
  EXPECT_EQ(dialog->log.size(), 1u);  // setting the state reports nothing

  // With a default button in the window, Enter goes to the window first.
  auto* ok = new T_Button(dialog, {10, 40, 80, 24}, 1);
  ok->SetDefault(true);
  dialog->log.clear();
  InputEvent enter = Key(kKeyEnter);
  EXPECT_TRUE(box->KeyDown(&enter, box));
  EXPECT_EQ(dialog->log, Log{"button 1 -"});
}

TEST_F(ItemsTest, CheckboxFocusRectangleAndShape) {
  auto* bare = new T_Checkbox(dialog, {10, 10, 13, 13}, 1, true);
  RECT ring = Checkbox_FocusRect(bare);
  EXPECT_TRUE(EqualRect(&ring, std::array<RECT, 1>{RECT{-2, -2, 15, 14}}.data()));
  Item_TakeFocus(bare);
  RECT box{};
  GetRgnBox(bare->shape, &box);
  EXPECT_TRUE(EqualRect(&box, &ring));  // the shape grows by the focus rectangle
  Window_DropFocus(dialog);
  GetRgnBox(bare->shape, &box);
  EXPECT_EQ(box.left, 0);

  auto* labelled = new T_Checkbox(dialog, {10, 40, 200, 30}, 2, true);
  labelled->SetLabelRef("Label");
  RECT around = Checkbox_FocusRect(labelled);
  EXPECT_EQ(around.left, 15);    // the label area from 17, grown by 2
  EXPECT_LT(around.right, 200);  // fitted to the text
  EXPECT_GT(around.top, 0);      // centred vertically
  RECT lookOne = Checkbox_BoxRect(labelled, 1);
  RECT lookTwo = Checkbox_BoxRect(labelled, 2);
  EXPECT_EQ(lookOne.right - lookOne.left, 12);
  EXPECT_EQ(lookTwo.right - lookTwo.left, 13);
  EXPECT_EQ(lookTwo.top, (30 - 13) / 2);
}

TEST_F(ItemsTest, LanguageChangeReloadsTitlesGivenById) {
  auto* button = new T_Button(dialog, {10, 10, 80, 24}, 1);
  button->SetTitleId(700);
  const char* before = button->title.shown;
  ASSERT_NE(before, nullptr);
  int32_t saved = CurrentLanguage();
  SetCurrentLanguage(7);
  dialog->Notify(kNotifyLanguage);
  EXPECT_STREQ(button->title.shown, GetString(700));
  SetCurrentLanguage(saved);
  dialog->Notify(kNotifyLanguage);
  EXPECT_STREQ(button->title.shown, "OK");
}

}  // namespace
}  // namespace items_test
