// The component picker's model, without a window: levels, item texts, keys, typing and the
// pointer, measured with a fixed width per byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "database/component_picker.h"
#include "tests/database/selexpr/selexpr_fixture.h"
#include "ui/event_record.h"

namespace selexpr_test {
namespace {

constexpr int32_t kCharWidth = 7;
constexpr int32_t kLineHeight = 14;

TextMeasure FixedMeasure(void*, const char*, int32_t n) {
  return TextMeasure{kCharWidth * n, kLineHeight};
}

class ComponentPickerTest : public SelexprTest {
 protected:
  ComponentPicker Picker(RECT bounds = RECT{0, 0, 600, 400}, POINT anchor = POINT{10, 20}) {
    return ComponentPicker(base, kDim, TextMeasurer{FixedMeasure, nullptr}, bounds, anchor);
  }
  // The shown texts of a level, the highlighted one in brackets.
  static std::string Shown(const ComponentPicker& picker, int32_t level) {
    std::string out;
    const PickerLevel& at = picker.Level(level);
    for (size_t i = 0; i < at.items.size(); ++i) {
      if (!out.empty()) out += " / ";
      bool current = static_cast<int32_t>(i) == at.highlight;
      out += current ? "[" : "";
      out += at.items[i].shown.data;
      out += current ? "]" : "";
    }
    return out;
  }
  static std::string Chosen(const ComponentPicker& picker) {
    T_TextBuf code;
    picker.Chosen(&code);
    return code.data;
  }
};

TEST_F(ComponentPickerTest, LevelsListChildrenWithoutTheParentsPrefix) {
  ComponentPicker picker = Picker();
  picker.Open(kDim);
  ASSERT_EQ(picker.LevelCount(), 1);
  EXPECT_EQ(Shown(picker, 0), "3 Three / 4 Four / R&D Research & development / 'Q Quoted / ÅS Ås");
  EXPECT_EQ(Chosen(picker), "");
  // The widest text, its room and the arrow of an item with children, and the frame.
  const int32_t width = 26 * kCharWidth + 1 + 8 + 6 + 4;
  EXPECT_EQ(picker.Level(0).rect.left, 10);
  EXPECT_EQ(picker.Level(0).rect.top, 20);
  EXPECT_EQ(picker.Level(0).rect.right, 10 + width);
  EXPECT_EQ(picker.Level(0).rect.bottom, 20 + 5 * kLineHeight + 4);

  // Opened at a component: its path is open and highlighted; below the top level the parent's
  // code less its last character is hidden.
  picker.Open(C("411"));
  ASSERT_EQ(picker.LevelCount(), 3);
  EXPECT_EQ(Shown(picker, 0),
            "3 Three / [4 Four] / R&D Research & development / 'Q Quoted / ÅS Ås");
  EXPECT_EQ(Shown(picker, 1), "[41 Forty-one] / 42 Forty-two");
  EXPECT_EQ(Shown(picker, 2), "[11 Forty-one one]");
  EXPECT_EQ(Chosen(picker), "411");
  // Each level opens beside its parent, at the row of the parent's item.
  EXPECT_EQ(picker.Level(1).rect.left, picker.Level(0).rect.right);
  EXPECT_EQ(picker.Level(1).rect.top, 20 + 2 + kLineHeight);
  EXPECT_EQ(picker.Level(2).rect.top, picker.Level(1).rect.top + 2);
  EXPECT_EQ(picker.Level(2).rect.right - picker.Level(2).rect.left, 16 * kCharWidth + 1 + 8 + 4);

  picker.Open(C("R&D1"));
  EXPECT_EQ(Shown(picker, 1), "[D1 Lab]");
}

TEST_F(ComponentPickerTest, KeysMoveTheHighlightAndOpenAndCloseLevels) {
  ComponentPicker picker = Picker();
  picker.Open(kDim);
  struct Step {
    uint16_t key;
    int32_t levels;
    const char* chosen;
  } steps[] = {
      {kKeyRight, 1, ""},  // nothing highlighted: nothing to open
      {kKeyDown, 1, "3"},  {kKeyRight, 2, "35"},  {kKeyDown, 2, "36"}, {kKeyDown, 2, "36"},
      {kKeyUp, 2, "35"},   {kKeyRight, 3, "351"}, {kKeyUp, 3, "351"},  {kKeyLeft, 2, "35"},
      {kKeyLeft, 1, "3"},  {kKeyLeft, 1, "3"},    {kKeyDown, 1, "4"},  {kKeyDown, 1, "R&D"},
      {kKeyDown, 1, "'Q"}, {kKeyRight, 1, "'Q"},  // no children
  };
  for (const Step& step : steps) {
    EXPECT_TRUE(picker.Key(step.key));
    EXPECT_EQ(picker.LevelCount(), step.levels) << step.chosen;
    EXPECT_EQ(Chosen(picker), step.chosen);
  }
  EXPECT_FALSE(picker.Key(kKeyHome));
}

TEST_F(ComponentPickerTest, TypingSelectsByShownTextOrCode) {
  ComponentPicker picker = Picker();
  picker.Open(C("41"));
  auto type = [&](const char* text) {
    for (const char* p = text; *p; ++p) picker.Type(static_cast<unsigned char>(*p));
  };
  type("42");  // the code part of "42 Forty-two"
  EXPECT_EQ(Chosen(picker), "42");
  type("41 forty-one");  // starts again at "4", then the whole shown text, case ignored
  EXPECT_EQ(Chosen(picker), "41");
  picker.Key(kKeyLeft);
  type("r&d");
  EXPECT_EQ(Chosen(picker), "R&D");
  type("x");  // nothing matches: the highlight stays
  EXPECT_EQ(Chosen(picker), "R&D");
  picker.Type(0xC5);  // "Å"
  picker.Type('s');
  EXPECT_EQ(Chosen(picker), "ÅS");
  Add("412", "Second");
  picker.Open(C("412"));
  type("11 forty-one one");  // the shown text: the code is "411"
  EXPECT_EQ(Chosen(picker), "411");
  type("412");
  EXPECT_EQ(Chosen(picker), "412");
}

TEST_F(ComponentPickerTest, ThePointerHighlightsAnyLevelAndClicksOpenLevels) {
  ComponentPicker picker = Picker();
  picker.Open(C("351"));
  ASSERT_EQ(picker.LevelCount(), 3);
  int32_t level = -1;
  int32_t item = -1;
  const RECT& top = picker.Level(0).rect;
  ASSERT_TRUE(picker.HitTest(POINT{top.left + 5, top.top + 2 + kLineHeight + 3}, &level, &item));
  EXPECT_EQ(level, 0);
  EXPECT_EQ(item, 1);
  EXPECT_FALSE(picker.HitTest(POINT{top.left + 1, top.top + 1}, &level, &item));  // the frame

  picker.Point(1, 1);  // 36 in the second level: the level of 35 closes
  EXPECT_EQ(picker.LevelCount(), 2);
  EXPECT_EQ(Chosen(picker), "36");
  picker.Point(0, 0);  // the same item: its level stays
  EXPECT_EQ(picker.LevelCount(), 2);
  picker.Click(0, 1);  // 4: its level opens
  EXPECT_EQ(picker.LevelCount(), 2);
  EXPECT_EQ(Shown(picker, 1), "41 Forty-one / 42 Forty-two");
  EXPECT_EQ(Chosen(picker), "4");
  picker.Click(0, 3);  // 'Q has no children
  EXPECT_EQ(picker.LevelCount(), 1);
  EXPECT_EQ(Chosen(picker), "'Q");
}

TEST_F(ComponentPickerTest, LevelsScrollAndStayOnTheScreen) {
  // Room for three rows.
  ComponentPicker picker = Picker(RECT{0, 0, 420, 3 * kLineHeight + 4 + 6}, POINT{150, 0});
  picker.Open(kDim);
  EXPECT_EQ(picker.Level(0).rows, 3);
  for (int i = 0; i < 4; ++i) picker.Key(kKeyDown);
  EXPECT_EQ(Chosen(picker), "'Q");
  EXPECT_EQ(picker.Level(0).first, 1);
  int32_t level = -1;
  int32_t item = -1;
  const RECT& top = picker.Level(0).rect;
  ASSERT_TRUE(picker.HitTest(POINT{top.left + 5, top.top + 2 + 1}, &level, &item));
  EXPECT_EQ(item, 1);
  picker.Key(kKeyUp);
  picker.Key(kKeyUp);
  picker.Key(kKeyUp);
  EXPECT_EQ(picker.Level(0).first, 0);

  // The second level would pass the right edge: it opens on the left of its parent.
  picker.Key(kKeyRight);
  const RECT& second = picker.Level(1).rect;
  EXPECT_EQ(second.right, picker.Level(0).rect.left);
  EXPECT_GE(second.top, 0);
  EXPECT_LE(second.bottom, 3 * kLineHeight + 4 + 6);
}

}  // namespace
}  // namespace selexpr_test
