// Choosers: selection and item count rules, type-ahead, the drop-down list driven by scripted
// input, the language chooser and the selector's picture cells.
#include <gtest/gtest.h>

#include "core/locale.h"
#include "core/text_buffer.h"
#include "popup_fixture.h"
#include "ui/event_record.h"
#include "ui/item.h"

namespace {

TEST(ChooserList, FirstVisibleLinePutsTheCurrentItemAThirdDown) {
  struct Case {
    int64_t count;
    int32_t visible;
    int64_t current;
    int64_t first;
  } cases[] = {{20, 8, 10, 8}, {20, 8, 0, 0}, {20, 8, 19, 12}, {5, 8, 3, 0}, {20, 1, 7, 7}};
  for (const Case& c : cases) {
    EXPECT_EQ(ChooserFirstVisible(c.count, c.visible, c.current), c.first) << c.count << "/" << c.current;
  }
}

TEST(ChooserEvent, SetTextCutsBetweenCharacters) {
  ChooserEvent record;
  std::string long_text;
  for (int i = 0; i < 40; ++i) long_text += "\xC3\xA9";  // 80 bytes of "é"
  ChooserEvent_SetText(&record, long_text.c_str());
  EXPECT_EQ(record.text, record.buffer);
  EXPECT_EQ(std::string(record.text), long_text.substr(0, 62));
  ChooserEvent_SetText(&record, "short");
  EXPECT_STREQ(record.text, "short");
}

// Items: 0 "Apple", 1 "  banana", 2 "Avocado", 3 a separator, 4 "Cherry", 5 "Abacus" (disabled),
// 6 "More" (an action item).
class ChooserTest : public PopupTest {
 protected:
  void SetUp() override {
    PopupTest::SetUp();
    window->items = {{"Apple"}, {"  banana"}, {"Avocado"}, {nullptr}, {"Cherry"},
                     {"Abacus", 0, false}, {"More", 0, true, false}};
    chooser = new T_Chooser(window, XYWH{10, 10, 200, 17}, 5, 7, 0, true);
  }
  InputEvent KeyEvent(uint16_t code, bool control = false, uint64_t time = 1000) {
    InputEvent event;
    event.keyCode = code;
    event.control = control ? 1 : 0;
    event.time = time;
    return event;
  }
  // The pointer in the middle of a line of the open list.
  std::function<void(PopupInput*)> OnLine(int64_t line, int buttons) {
    T_PopupTestWindow* owner = window;
    return [owner, line, buttons](PopupInput* input) {
      const ChooserEvent& list = owner->list;
      input->event.x = list.listRect.left + 20;
      input->event.y = list.listRect.top + kPopupFrame +
                       static_cast<int32_t>(line - list.firstVisible) * list.lineHeight + list.lineHeight / 2;
      SetButtons(&input->event, buttons);
    };
  }
  InputEvent PressOnBox(int buttons) {
    return PressAt((chooser->boxRect.left + chooser->boxRect.right) / 2, 8, buttons);
  }
  T_Chooser* chooser = nullptr;
};

TEST_F(ChooserTest, SetSelectionReportsOnlyRealChanges) {
  struct Case {
    int64_t index;
    int32_t mode;
    int64_t current;
    Log reported;
  } cases[] = {
      {0, kSelectReport, 0, {}},
      {0, kSelectReportAlways, 0, {"chosen 0 previous 0 current 0"}},
      {7, kSelectReport, 0, {}},
      {-1, kSelectReport, 0, {}},
      {2, kSelectSilent, 2, {}},
      {4, kSelectReport, 4, {"chosen 4 previous 2 current 4"}},
  };
  for (const Case& c : cases) {
    log.clear();
    chooser->SetSelection(c.index, c.mode);
    EXPECT_EQ(chooser->current, c.current) << c.index << "/" << c.mode;
    EXPECT_EQ(log, c.reported) << c.index << "/" << c.mode;
  }
}

TEST_F(ChooserTest, ItemCountKeepsTheSelectionInsideAndEmptyChoosersTakeNoFocus) {
  chooser->SetSelection(4, kSelectSilent);
  chooser->SetItemCount(3);
  EXPECT_EQ(chooser->current, 2);
  chooser->SetItemCount(0);
  EXPECT_EQ(chooser->current, 2);
  EXPECT_FALSE(chooser->AcceptsFocus());
  EXPECT_TRUE(log.empty());
}

TEST_F(ChooserTest, DisplayTextJoinsTitleAndEnabledCurrentItem) {
  T_TextBuf text;
  chooser->GetDisplayText(&text);
  EXPECT_STREQ(text.c_str(), "Apple");
  chooser->SetTitleCopy("Fruit");
  chooser->GetDisplayText(&text);
  EXPECT_STREQ(text.c_str(), "Fruit Apple");
  chooser->SetSelection(5, kSelectSilent);  // disabled
  chooser->GetDisplayText(&text);
  EXPECT_STREQ(text.c_str(), "Fruit ");
}

TEST_F(ChooserTest, LayoutGivesTheTitleItsMinimumAndTheBoxTheRest) {
  chooser->SetTitleWidth(60);
  EXPECT_EQ(chooser->titleRect.right, 60);
  EXPECT_EQ(chooser->boxRect.left, 60);
  EXPECT_EQ(chooser->boxRect.right, 200);
}

TEST_F(ChooserTest, TypeAheadFollowsThePrefixAndRestartsAfterAPause) {
  struct Case {
    uint32_t character;
    uint64_t time;
    int64_t found;
  } cases[] = {
      {'a', 1000, 0},    // "a": Apple
      {'V', 1500, 2},    // "av": Avocado, case ignored
      {'p', 3600, -1},   // nothing starts with "avp", "vp" or "p"
      {'c', 3700, 4},    // the failed prefix was dropped: "c"
      {'b', 3800, 1},    // "cb" matches nothing, "b" matches after leading blanks
      {'x', 3900, -1},   // neither "bx" nor "x"
      {'a', 9000, 0},
      {'p', 11000, 0},   // 2000 ms is no pause yet: "ap"
      {'a', 12000, 0},
      {'p', 14500, -1},  // a pause: "p" alone
      {'m', 20000, -1},  // "More" is an action item
      {13, 20100, -1},   // control characters are not typed
  };
  for (const Case& c : cases) EXPECT_EQ(chooser->TypeAhead(c.character, c.time), c.found) << c.character;
}

TEST_F(ChooserTest, ArrowKeysAndTypingChooseEnabledPlainItems) {
  InputEvent typed = KeyEvent('c');
  EXPECT_FALSE(chooser->KeyDown(&typed, chooser));  // typing stays unhandled
  InputEvent down = KeyEvent(kKeyDown);
  EXPECT_TRUE(chooser->KeyDown(&down, chooser));  // nothing enabled and plain below Cherry
  InputEvent up = KeyEvent(kKeyUp);
  EXPECT_TRUE(chooser->KeyDown(&up, chooser));  // over the separator
  EXPECT_EQ(log, (Log{"chosen 4 previous 0 current 4", "chosen 2 previous 4 current 2"}));
}

TEST_F(ChooserTest, TheListChoosesByPointerAndKeys) {
  struct Case {
    const char* name;
    bool byKey;
    int buttons;
    std::vector<std::function<void(PopupInput*)>> steps;
    int64_t current;
    Log reported;
  } cases[] = {
      {"a click opens it, a click on a line chooses", false, kLeft,
       {At(100, 8, kNone), OnLine(4, kNone), OnLine(4, kLeft), OnLine(4, kNone)}, 4,
       {"chosen 4 previous 0 current 4"}},
      {"dragging from the box and releasing on a line", false, kLeft, {OnLine(2, kLeft), OnLine(2, kNone)}, 2,
       {"chosen 2 previous 0 current 2"}},
      {"the current line sends nothing", false, kLeft, {OnLine(0, kLeft), OnLine(0, kNone)}, 0, {}},
      {"an action item reports and leaves the box", false, kLeft, {OnLine(6, kLeft), OnLine(6, kNone)}, 0,
       {"chosen 6 previous 0 current 0"}},
      {"a disabled line cannot be chosen", false, kLeft, {OnLine(5, kLeft), OnLine(5, kNone)}, 0, {}},
      {"released outside the list after visiting it", false, kLeft,
       {OnLine(2, kLeft), At(900, 60, kLeft), At(900, 60, kNone)}, 0, {}},
      {"Ctrl+Down opens, Down steps over the separator, Enter chooses", true, kNone,
       {Key(kKeyDown), Key(kKeyDown), Key(kKeyDown), Key(kKeyEnter)}, 4, {"chosen 4 previous 0 current 4"}},
      {"typing in the list highlights", true, kNone, {Key('c'), Key(kKeyEnter)}, 4,
       {"chosen 4 previous 0 current 4"}},
      {"Escape", true, kNone, {Key(kKeyDown), Key(kKeyEscape)}, 0, {}},
  };
  for (Case& c : cases) {
    chooser->SetSelection(0, kSelectSilent);
    log.clear();
    script = Script{};
    script.steps = c.steps;
    if (c.byKey) {
      InputEvent open = KeyEvent(kKeyDown, true);
      EXPECT_TRUE(chooser->KeyDown(&open, chooser)) << c.name;
    } else {
      InputEvent press = PressOnBox(c.buttons);
      EXPECT_TRUE(chooser->MouseDown(&press, chooser)) << c.name;
    }
    EXPECT_EQ(chooser->current, c.current) << c.name;
    EXPECT_EQ(log, c.reported) << c.name;
    EXPECT_EQ(chooser->listOpen, 0) << c.name;
  }
}

TEST_F(ChooserTest, TheListShowsTheCurrentItemAThirdDown) {
  window->items.clear();
  for (int i = 0; i < 40; ++i) window->items.push_back({"Item"});
  chooser->SetItemCount(40);
  chooser->SetSelection(30, kSelectSilent);
  int64_t first = -1;
  int32_t visible = 0;
  T_PopupTestWindow* owner = window;
  script.steps = {[&](PopupInput*) {
    first = owner->list.firstVisible;
    visible = owner->list.visibleLines;
  }};
  InputEvent open = KeyEvent(kKeyDown, true);
  chooser->KeyDown(&open, chooser);
  ASSERT_GT(visible, 0);
  EXPECT_EQ(first, ChooserFirstVisible(40, visible, 30));
}

TEST_F(PopupTest, LangChooserListsTheGivenLanguagesByName) {
  struct Case {
    std::vector<int8_t> languages;
    int32_t currentLanguage;
    bool noCurrent;
    int64_t count;
    int64_t current;
  } cases[] = {
      {{0, 7, 3, -1}, 7, false, 3, 1},
      {{0, 7, 3, -1}, 5, false, 3, 0},  // not offered
      {{0, 7, 3, -1}, 7, true, 3, 0},
      {{-1}, 0, false, 0, 0},
  };
  for (const Case& c : cases) {
    T_LangChooser chooser(window, XYWH{0, 0, 150, 17}, 1, c.languages.data(), c.currentLanguage, c.noCurrent);
    EXPECT_EQ(chooser.count, c.count);
    EXPECT_EQ(chooser.current, c.current);
    if (c.count == 0) {
      EXPECT_EQ(chooser.GetLanguage(), -1);
      continue;
    }
    EXPECT_EQ(chooser.GetLanguage(), c.languages[c.current]);
    for (int64_t i = 0; i < c.count; ++i) {
      ChooserEvent record;
      chooser.DescribeItem(i, &record);
      EXPECT_STREQ(record.text, LanguageName(c.languages[i]));
    }
  }
}

TEST_F(PopupTest, LangChooserKeepsAtMostThirtyOneLanguages) {
  std::vector<int8_t> many;
  for (int i = 0; i < 40; ++i) many.push_back(static_cast<int8_t>(i % 13));
  many.push_back(-1);
  T_LangChooser chooser(window, XYWH{0, 0, 150, 17}, 1, many.data(), 12, false);
  EXPECT_EQ(chooser.count, 31);
  EXPECT_EQ(chooser.languages[31], 255);
  EXPECT_EQ(chooser.GetLanguage(), 12);
}

// --- Selector --------------------------------------------------------------------------------------

std::vector<POINT>* pointerScript = nullptr;
std::vector<int>* buttonScript = nullptr;
size_t pointerStep = 0;

void ScriptedPointer(T_GrafElement*, InputEvent* event) {
  size_t i = std::min(pointerStep++, pointerScript->size() - 1);
  event->x = (*pointerScript)[i].x;
  event->y = (*pointerScript)[i].y;
  SetButtons(event, (*buttonScript)[i]);
}

class SelectorTest : public PopupTest {
 protected:
  void SetUp() override {
    PopupTest::SetUp();
    static const uint16_t nine[] = {2001, 2002, 2003, 2004, 2005, 2006, 2007, 2008, 2009, 0};
    selector = new T_Selector(window, XYWH{10, 10, 50, 24}, 7, nine, 2001, true);
    SetItemPointerSource(ScriptedPointer);
  }
  void Press(int32_t x, std::vector<POINT> points, std::vector<int> buttons) {
    pointerScript = &points;
    buttonScript = &buttons;
    pointerStep = 0;
    InputEvent press = PressAt(x, 10, kLeft);
    selector->MouseDown(&press, selector);
    pointerScript = nullptr;
    buttonScript = nullptr;
  }
  T_Selector* selector = nullptr;
};

TEST_F(SelectorTest, KeepsSevenPicturesInCellsOfTwentyFourPixels) {
  EXPECT_EQ(selector->count, 7);
  EXPECT_EQ(selector->pictures[7], 0);
  EXPECT_EQ(selector->width, 24 * 6 + 25);
  struct Case {
    int32_t x;
    int32_t cell;
  } cases[] = {{0, 0}, {23, 0}, {24, 1}, {6 * 24 + 23, 6}, {7 * 24 + 1, -1}, {-3, -1}};
  for (const Case& c : cases) EXPECT_EQ(selector->CellAt(c.x, 10), c.cell) << c.x;
}

TEST_F(SelectorTest, AReleaseOnAnotherCellMakesItCurrent) {
  struct Case {
    const char* name;
    int32_t pressX;
    std::vector<POINT> points;
    std::vector<int> buttons;
    uint16_t current;
    Log reported;
  } cases[] = {
      {"press and release on cell 2", 2 * 24 + 10, {{58, 10}, {58, 10}}, {kLeft, kNone}, 2003, {"selected 2003"}},
      {"released outside every cell", 3 * 24 + 10, {{82, 10}, {500, 10}}, {kLeft, kNone}, 2001, {}},
      {"the current cell", 10, {{10, 10}}, {kNone}, 2001, {}},
      {"dragged from cell 1 to cell 4", 24 + 10, {{40, 10}, {4 * 24 + 5, 12}, {4 * 24 + 5, 12}},
       {kLeft, kLeft, kNone}, 2005, {"selected 2005"}},
  };
  for (Case& c : cases) {
    selector->currentPicture = 2001;
    log.clear();
    Press(c.pressX, c.points, c.buttons);
    EXPECT_EQ(selector->currentPicture, c.current) << c.name;
    EXPECT_EQ(selector->pressedPicture, 0) << c.name;
    EXPECT_EQ(selector->hoveredPicture, 0) << c.name;
    EXPECT_EQ(log, c.reported) << c.name;
  }
}

}  // namespace
