// Popup fields in an active document window. The popups' tracking runs on scripted input: each
// poll takes the next step, and past the end of the script the user presses Escape.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/alert.h"
#include "tests/ui/hidden_frame.h"
#include "tests/ui/scripted_popup.h"
#include "ui/application.h"
#include "ui/edit_popups.h"
#include "ui/event_record.h"
#include "ui/native_menu.h"
#include "ui/native_window.h"
#include "ui/popup_menu.h"
#include "ui/program_entry.h"
#include "ui/window.h"

namespace {

using Step = ui_test::PopupStep;
using ui_test::ChooseByKeys;
using ui_test::ScriptedPopupInput;
inline Step Key(uint16_t code) { return ui_test::PopupKey(code); }

// A popup field that records how its popups were asked for; its tokens are the words between
// blanks, and it may insert a choice of its own.
class T_RecordingPopup : public T_EditPopup {
 public:
  using T_EditPopup::T_EditPopup;

  void ShowPopup(InputEvent* event, int32_t start, int32_t length) override {
    shown.push_back({popupMode, event->x, event->y, start, length, GetSelStart(), GetSelLength()});
    if (insert) {
      InsertText(insert);
      ResetPopupChoice();
      return;
    }
    T_EditPopup::ShowPopup(event, start, length);
  }
  void FindToken(int32_t* start, int32_t* length) override {
    T_TextBuf now;
    GetText(&now);
    int32_t a = *start;
    int32_t b = *start + *length;
    while (a > 0 && now.data[a - 1] != ' ') --a;
    while (b < now.length && now.data[b] != ' ') ++b;
    *start = a;
    *length = b - a;
  }
  void ContextMenu(ContextMenuRecord* record, int32_t phase) override {
    if (phase == kMenuPhaseList) menus.push_back(popupMode);
    T_EditPopup::ContextMenu(record, phase);
  }

  struct Shown {
    int32_t mode, x, y, start, length, selStart, selLength;
  };
  std::vector<Shown> shown;
  std::vector<int32_t> menus;  // the popup mode whenever a menu listed its entries
  const char* insert = nullptr;
};

class EditPopupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui_test::PrepareHiddenFrame();
    app = new T_Application(true);
    RECT rect{20, 20, 400, 300};
    window = new T_Window(kKindDocument, &rect, 512, nullptr, true);
    field = new T_RecordingPopup(window, XYWH{20, 20, 200, 16}, 1, true);
    EventHandler_SetActive(app, true);
    SetPopupInputSource(ScriptedPopupInput);
    ui_test::SetPopupScript(nullptr);
  }
  void TearDown() override {
    SetPopupInputSource(nullptr);
    ui_test::SetPopupScript(nullptr);
    delete app;
    SetMenuOperations(nullptr);
    PendingErrorClear();
  }

  void Run(std::vector<Step>* steps) { ui_test::SetPopupScript(steps); }
  static InputEvent Press(int32_t x, bool right, bool control = false, bool altGr = false) {
    InputEvent event;
    event.x = x;
    event.y = 8;
    event.leftButton = right ? 0 : 1;
    event.rightButton = right ? 1 : 0;
    event.anyButton = 1;
    event.control = control ? 1 : 0;
    event.rightAlt = altGr ? 1 : 0;
    return event;
  }
  static InputEvent ArrowKey(bool control, bool altGr, bool rightHeld) {
    InputEvent event;
    event.keyCode = kKeyDown;
    event.control = control ? 1 : 0;
    event.rightAlt = altGr ? 1 : 0;
    event.rightButton = rightHeld ? 1 : 0;
    return event;
  }
  std::string Text(T_Edit* of) {
    T_TextBuf text;
    of->GetText(&text);
    return text.data;
  }

  T_Application* app = nullptr;
  T_Window* window = nullptr;
  T_RecordingPopup* field = nullptr;
};

constexpr int32_t kStrip = 197;  // inside the 6 pixels at the right edge of a 200-wide field
constexpr int32_t kMiddle = 60;
constexpr int32_t kNoMenu = -1;

TEST_F(EditPopupTest, PressesChooseThePopupByButtonPlaceAndModifier) {
  struct Case {
    const char* name;
    InputEvent press;
    int32_t menu;  // the popup mode the menu opened in
  } cases[] = {
      {"right on the arrow", Press(kStrip, true), kPopupModeOperator},
      {"right with AltGr", Press(kMiddle, true, false, true), kPopupModeOperator},
      {"right with Ctrl", Press(kMiddle, true, true), kPopupModeToken},
      {"right in the text", Press(kMiddle, true), kPopupModeMenu},
      {"left with AltGr", Press(kMiddle, false, false, true), kPopupModeOperator},
      {"left on the arrow", Press(kStrip, false), kPopupModeToken},
      {"left with Ctrl", Press(kMiddle, false, true), kPopupModeToken},
      {"left in the text", Press(kMiddle, false), kNoMenu},
  };
  for (Case& c : cases) {
    field->menus.clear();
    field->shown.clear();
    field->SetText("alpha beta");
    field->MouseDown(&c.press, field);
    std::vector<int32_t> expected;
    if (c.menu != kNoMenu) expected.push_back(c.menu);
    EXPECT_EQ(field->menus, expected) << c.name;
    EXPECT_TRUE(field->focus) << c.name;
    // Token and operator popups open at the arrow; the context menu goes through the edit field.
    if (c.menu == kPopupModeToken || c.menu == kPopupModeOperator) {
      ASSERT_EQ(field->shown.size(), 1u) << c.name;
      EXPECT_EQ(field->shown[0].x, 196) << c.name;
      EXPECT_EQ(field->shown[0].y, 5) << c.name;
    }
  }
}

TEST_F(EditPopupTest, ArrowKeysWithModifiersOpenPopupsOverTheSelection) {
  struct Case {
    const char* name;
    InputEvent key;
    int32_t menu;
  } cases[] = {
      {"AltGr", ArrowKey(false, true, false), kPopupModeOperator},
      {"Ctrl", ArrowKey(true, false, false), kPopupModeToken},
      {"right button held", ArrowKey(false, false, true), kPopupModeMenu},
      {"plain", ArrowKey(false, false, false), kNoMenu},
  };
  field->SetText("alpha beta");
  Item_TakeFocus(field);
  for (Case& c : cases) {
    field->menus.clear();
    field->shown.clear();
    field->SetSelection(6, 4);
    field->KeyDown(&c.key, field);
    std::vector<int32_t> expected;
    if (c.menu != kNoMenu) expected.push_back(c.menu);
    EXPECT_EQ(field->menus, expected) << c.name;
    if (c.menu != kNoMenu) {
      ASSERT_EQ(field->shown.size(), 1u) << c.name;
      EXPECT_EQ(field->shown[0].start, 6) << c.name;
      EXPECT_EQ(field->shown[0].length, 4) << c.name;
    }
  }
}

TEST_F(EditPopupTest, ADisabledFieldDrawsNoArrowAndOpensNoPopup) {
  EXPECT_EQ(field->textRect.right, field->content.right - kPopupArrowStrip);
  Item_SetEnabled(field, false);
  EXPECT_EQ(field->textRect.right, field->content.right);
  for (bool right : {true, false}) {
    InputEvent press = Press(kStrip, right);
    field->MouseDown(&press, field);
  }
  EXPECT_TRUE(field->menus.empty());
  Item_SetEnabled(field, true);
  EXPECT_EQ(field->textRect.right, field->content.right - kPopupArrowStrip);
}

TEST_F(EditPopupTest, RefusedPopupKindsDoNothing) {
  field->operatorPopupAllowed = 0;
  field->tokenPopupAllowed = 0;
  InputEvent operators = Press(kStrip, true);
  InputEvent tokens = Press(kStrip, false);
  field->MouseDown(&operators, field);
  field->MouseDown(&tokens, field);
  EXPECT_TRUE(field->shown.empty());
  EXPECT_TRUE(field->menus.empty());
}

TEST_F(EditPopupTest, ATokenPopupShowsTheTokenAndRestoresTheSelectionAfterwards) {
  field->SetText("alpha beta gamma");
  Item_TakeFocus(field);
  field->SetSelection(8, 0);
  InputEvent key = ArrowKey(true, false, false);
  field->KeyDown(&key, field);
  ASSERT_EQ(field->shown.size(), 1u);
  EXPECT_EQ(field->shown[0].start, 6);
  EXPECT_EQ(field->shown[0].length, 4);
  EXPECT_EQ(field->shown[0].selStart, 6);  // the token is selected while the popup runs
  EXPECT_EQ(field->shown[0].selLength, 4);
  EXPECT_EQ(field->GetSelStart(), 8);
  EXPECT_EQ(field->GetSelLength(), 0);

  // A choice that was inserted keeps its own caret.
  field->insert = "delta";
  field->KeyDown(&key, field);
  EXPECT_EQ(Text(field), "alpha delta gamma");
  EXPECT_EQ(field->GetSelStart(), 11);
}

TEST_F(EditPopupTest, AltGrLeftClickInTheTextMovesTheCaretThereAndOffersTheOperators) {
  T_EditTxVal* criteria = EditTxVal_NewText(window, XYWH{20, 60, 200, 16}, 2);
  ASSERT_NE(criteria, nullptr);
  criteria->SetText("abcdef");
  Item_TakeFocus(criteria);
  criteria->SetSelection(-1, 0);
  std::vector<Step> steps = ChooseByKeys(2);  // the second entry: "&"
  Run(&steps);
  InputEvent press = Press(criteria->textRect.left + 1, false, false, true);
  criteria->MouseDown(&press, criteria);
  EXPECT_EQ(Text(criteria), "&abcdef");
  EXPECT_EQ(criteria->popupMode, kPopupModeOperator);

  // A press further in lands between the characters.
  criteria->SetSelection(-1, 0);
  steps = ChooseByKeys(1);
  Run(&steps);
  press = Press(criteria->textRect.left + 25, false, false, true);
  criteria->MouseDown(&press, criteria);
  std::string text = Text(criteria);
  size_t bar = text.find('|');
  ASSERT_NE(bar, std::string::npos) << text;
  EXPECT_GT(bar, 1u) << text;
  EXPECT_LT(bar, text.size() - 1) << text;
}

TEST_F(EditPopupTest, OperatorListsInsertTheChosenCharacter) {
  struct Case {
    const char* name;
    bool value;
    int downs;  // keys to the entry; separators are stepped over
    const char* inserted;
  } cases[] = {
      {"text: Or", false, 1, "|"},
      {"text: Not", false, 4, "\xC2\xAC"},
      {"text: Null after the separator", false, 7, "\\"},
      {"text: Character Range, the last", false, 17, "\xE2\x80\xA6"},
      {"value: Greater Than", true, 8, ">"},
      {"value: Interval", true, 10, "\xE2\x80\xA6"},
  };
  for (Case& c : cases) {
    T_EditTxVal* criteria = c.value ? EditTxVal_NewValue(window, XYWH{20, 60, 200, 16}, 2)
                                    : EditTxVal_NewText(window, XYWH{20, 60, 200, 16}, 2);
    ASSERT_NE(criteria, nullptr);
    criteria->SetText("ab");
    Item_TakeFocus(criteria);
    criteria->SetSelection(1, 0);
    std::vector<Step> steps = ChooseByKeys(c.downs);
    Run(&steps);
    InputEvent key = ArrowKey(false, true, false);
    criteria->KeyDown(&key, criteria);
    EXPECT_EQ(Text(criteria), std::string("a") + c.inserted + "b") << c.name;
    delete criteria;
  }
}

TEST_F(EditPopupTest, SeparatorsAndEmptyCharactersInsertNothing) {
  int32_t count = 0;
  const OperatorEntry* text = TextCriteriaOperators(&count);
  ASSERT_EQ(count, 19);
  char out[8];
  for (int64_t index : {4, 8, -1, 19}) {
    OperatorList_Chosen(text, count, index, out);
    EXPECT_STREQ(out, "") << index;
  }
  const OperatorEntry blank[] = {{0, 1500}};
  OperatorList_Chosen(blank, 1, 0, out);
  EXPECT_STREQ(out, "");

  // Measured as separators, they cannot be chosen.
  ContextMenuRecord record;
  record.entry = 4;
  OperatorList_Measure(text, count, &record);
  EXPECT_TRUE(record.separator);
  EXPECT_FALSE(record.selectable);

  int32_t values = 0;
  ValueCriteriaOperators(&values);
  EXPECT_EQ(values, 12);
}

TEST_F(EditPopupTest, TheOrdinaryContextMenuOfACriteriaFieldIsTheEditFieldsMenu) {
  T_EditTxVal* criteria = EditTxVal_NewText(window, XYWH{20, 60, 200, 16}, 2);
  ASSERT_NE(criteria, nullptr);
  criteria->SetText("abc");
  criteria->popupMode = kPopupModeMenu;
  ContextMenuRecord record;
  record.owner = criteria;
  criteria->ContextMenu(&record, kMenuPhaseList);
  ASSERT_NE(record.commands.list, nullptr);
  bool selectAll = false;
  for (const uint16_t* id = record.commands.list; *id; ++id) selectAll |= *id == 218;
  EXPECT_TRUE(selectAll);

  criteria->popupMode = kPopupModeOperator;
  ContextMenuRecord operators;
  criteria->ContextMenu(&operators, kMenuPhaseList);
  EXPECT_EQ(operators.commands.list, nullptr);
  EXPECT_EQ(operators.entry, 19);
}

}  // namespace
