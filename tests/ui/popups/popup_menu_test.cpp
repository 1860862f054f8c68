// Program-drawn popup menus: labels, placement, choosing by keys and by the pointer, the ways a
// menu ends without a choice, and scrolling a long menu.
#include <gtest/gtest.h>

#include "core/text_buffer.h"
#include "popup_fixture.h"
#include "tests/ui/rect_element.h"
#include "ui/menu_model.h"

namespace {

// An element that offers the id list Cut, Copy, separator, Paste (with "…") and Erase, or an
// owner-drawn menu of a given length, and logs the entries it is asked to run.
class T_MenuOwner : public T_RectTestElement {
 public:
  T_MenuOwner(T_EventHandler* parent, Log* log) : T_RectTestElement(20, parent), log(log) {
    x = 10;
    y = 10;
    width = height = 100;
    content = {0, 0, 100, 100};
    visible = 1;
  }
  void ContextMenu(ContextMenuRecord* record, int32_t phase) override {
    switch (phase) {
      case kMenuPhaseList:
        if (drawnCount > 0) {
          record->entry = drawnCount;
        } else {
          record->commands.list = ids;
        }
        break;
      case kMenuPhaseMeasure:
        if (record->entry == 215) record->ellipsis = 1;
        if (drawnCount > 0) record->width = 60;
        break;
      case kMenuPhaseRun: {
        const char* title = CurrentCommandTitle();
        log->push_back("run " + std::to_string(record->entry) +
                       (title ? std::string(" ") + title : ""));
        break;
      }
      default:
        break;
    }
  }

  const uint16_t* ids = kIds;
  int64_t drawnCount = 0;
  Log* log;
  static constexpr uint16_t kIds[] = {213, 214, kPopupSeparator, 215, 216, 0};
};

TEST(PopupMenuLabel, DropsPlaceholderAndAmpersandsAndAddsTheEllipsis) {
  struct Case {
    uint16_t id;
    bool ellipsis;
    const char* label;
  } cases[] = {
      {214, false, "Copy"},                    // "&Copy @0"
      {215, true, "Paste\xE2\x80\xA6"},        // "Paste @0"
      {605, false, "Unable to open file ''"},  // no blank before it: only "@0" goes
      {kPopupSeparator, true, ""},
      {99, true, ""},  // no text: a separator, without "…"
  };
  for (const Case& c : cases) {
    T_TextBuf label;
    PopupMenuLabel(c.id, c.ellipsis, &label);
    EXPECT_STREQ(label.c_str(), c.label) << c.id;
  }
}

TEST(PopupMenuPlace, OpensBesideThePointerAndStaysInsideTheBounds) {
  PopupEntryMeasure three[] = {{50, 14, 1, 0}, {50, 14, 1, 0}, {50, 14, 1, 0}};
  RECT wide{0, 0, 800, 600};
  RECT narrow{0, 0, 100, 600};
  struct Case {
    const char* name;
    int32_t count;
    int32_t preselected;
    bool align;
    POINT pointer;
    const RECT* bounds;
    RECT expected;
  } cases[] = {
      {"below the pointer's line", 3, -1, false, {100, 100}, &wide, {106, 74, 160, 120}},
      {"a short menu centred", 2, -1, false, {100, 100}, &wide, {106, 86, 160, 118}},
      {"preselected entry under the pointer", 3, 1, true, {100, 100}, &wide, {106, 78, 167, 124}},
      {"left of the pointer at the right edge",
       3,
       -1,
       false,
       {780, 100},
       &wide,
       {724, 105, 778, 151}},
      {"pushed up at the bottom", 3, -1, false, {100, 590}, &wide, {106, 554, 160, 600}},
      {"no room on the left: pushed in", 3, -1, false, {50, 100}, &narrow, {46, 74, 100, 120}},
  };
  for (const Case& c : cases) {
    RECT menu = PopupMenuPlace(three, c.count, c.preselected, c.align, c.pointer, c.bounds);
    EXPECT_TRUE(EqualRect(&menu, &c.expected)) << c.name << ": " << menu.left << "," << menu.top
                                               << "," << menu.right << "," << menu.bottom;
  }
}

class PopupMenuTest : public PopupTest {
 protected:
  void SetUp() override {
    PopupTest::SetUp();
    owner = new T_MenuOwner(window, &log);
  }
  int32_t Run(const InputEvent& opening, int32_t preselected = -1) {
    return RunContextMenu(owner, 1, &opening, preselected);
  }
  T_MenuOwner* owner = nullptr;
};

TEST_F(PopupMenuTest, KeysStepOverTheSeparatorAndEnterRunsTheEntryUnderItsTitle) {
  script.steps = {Key(kKeyDown), Key(kKeyDown), Key(kKeyDown), Key(kKeyEnter)};
  EXPECT_EQ(Run(PressAt(50, 50, kNone)), 3);
  EXPECT_EQ(log, (Log{"run 215 Paste\xE2\x80\xA6"}));
  EXPECT_EQ(CurrentCommandTitle(), nullptr);  // only while the entry runs
}

TEST_F(PopupMenuTest, PointerChoicesAndMenusThatEndWithoutAChoice) {
  struct Case {
    const char* name;
    InputEvent opening;
    int32_t preselected;
    std::vector<std::function<void(PopupInput*)>> steps;
    int32_t result;
    Log runs;
  } cases[] = {
      {"right click released at once stays open; a click on an entry chooses it",
       PressAt(50, 50, kRight),
       -1,
       {At(50, 50, kNone), OnEntry(1, kNone), OnEntry(1, kLeft), OnEntry(1, kNone)},
       1,
       {"run 214 Copy"}},
      {"dragging with the button held and releasing on an entry",
       PressAt(50, 50, kRight),
       -1,
       {OnEntry(4, kRight), OnEntry(4, kNone)},
       4,
       {"run 216 Erase"}},
      {"the separator cannot be chosen",
       PressAt(50, 50, kRight),
       -1,
       {OnEntry(2, kRight), OnEntry(2, kNone)},
       -1,
       {}},
      {"released far outside",
       PressAt(50, 50, kRight),
       -1,
       {At(-9000, -9000, kRight), At(-9000, -9000, kNone)},
       -1,
       {}},
      {"Escape", PressAt(50, 50, kNone), -1, {Key(kKeyDown), Key(kKeyEscape)}, -1, {}},
      {"a minute without input",
       PressAt(50, 50, kNone),
       -1,
       {Key(kKeyDown), Later(60000, At(50, 50, kNone))},
       -1,
       {}},
      {"the application goes inactive",
       PressAt(50, 50, kNone),
       -1,
       {Key(kKeyDown), [](PopupInput* input) { input->applicationActive = 0; }},
       -1,
       {}},
      {"the preselected entry chosen again runs nothing",
       PressAt(50, 50, kNone),
       1,
       {Key(kKeyDown), Key(kKeyEnter)},
       1,
       {}},
  };
  for (Case& c : cases) {
    log.clear();
    script = Script{};
    script.steps = c.steps;
    EXPECT_EQ(Run(c.opening, c.preselected), c.result) << c.name;
    EXPECT_EQ(log, c.runs) << c.name;
  }
}

TEST_F(PopupMenuTest, TheTimeOutWaitsWhileControlIsHeld) {
  script.steps = {[](PopupInput* input) {
                    input->event.control = 1;
                    activeScript->clock += 70000;
                    input->event.time = activeScript->clock;
                  },
                  [](PopupInput* input) { input->event.control = 0; }, Key(kKeyDown),
                  Key(kKeyEnter)};
  EXPECT_EQ(Run(PressAt(50, 50, kNone)), 0);
}

TEST_F(PopupMenuTest, AnEmptyMenuShowsNothing) {
  static const uint16_t none[] = {0};
  owner->ids = none;
  EXPECT_EQ(Run(PressAt(50, 50, kRight)), -1);
  EXPECT_EQ(script.polls, 0);
}

TEST_F(PopupMenuTest, ALongMenuScrollsWhileThePointerRestsNearAnEdge) {
  owner->drawnCount = 300;
  std::vector<int32_t> firsts;
  auto nearEdge = [](bool bottom) {
    return [bottom](PopupInput* input) {
      RECT menu = PopupMenuRect(PopupMenuRunning());
      input->event.x = (menu.left + menu.right) / 2;
      input->event.y = bottom ? menu.bottom - 3 : menu.top + 3;
      SetButtons(&input->event, kNone);
    };
  };
  auto note = [&firsts](PopupInput*) {
    firsts.push_back(PopupMenuFirstVisible(PopupMenuRunning()));
  };
  script.steps = {At(50, 50, kNone)};
  for (int i = 0; i < 5; ++i) script.steps.push_back(Later(150, nearEdge(true)));
  script.steps.push_back(note);
  script.steps.push_back(Later(100, nearEdge(true)));  // too soon for another step
  script.steps.push_back(note);
  script.steps.push_back(Later(150, nearEdge(false)));
  script.steps.push_back(note);
  EXPECT_EQ(Run(PressAt(50, 50, kRight)), -1);
  // 3 pixels inside the edge scroll (10 - 3) / 6 + 1 = 2 entries per step.
  EXPECT_EQ(firsts, (std::vector<int32_t>{10, 10, 8}));
}

}  // namespace
