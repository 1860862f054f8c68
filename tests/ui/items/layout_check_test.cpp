// The layout check that window and dialog tests run: it names what a user would see as broken
// (overlaps, things outside their parent, unlabelled fields, numbers drawn in part) and passes a
// sound layout.
#include <gtest/gtest.h>

#include <string>

#include "items_fixture.h"
#include "tests/ui/layout_check.h"
#include "ui/button.h"
#include "ui/chooser.h"
#include "ui/edit_field.h"
#include "ui/frame_items.h"

namespace items_test {
namespace {

using ui_test::LayoutCheck;
using ui_test::LayoutCheckNative;
using ui_test::LayoutCheckOptions;
using ui_test::LayoutFaults;

T_Text* Label(T_EventHandler* parent, const XYWH& rect, const char* text) {
  auto* label = new T_Text(parent, rect, true);
  label->SetTextRef(text);
  return label;
}

TEST_F(ItemsTest, LayoutCheckPassesASoundLayout) {
  Label(dialog, {10, 10, 60, 16}, "Name");
  new T_Edit(dialog, {80, 10, 120, 16}, 1, true, true);
  Label(dialog, {10, 40, 120, 16}, "Below");
  new T_Edit(dialog, {10, 62, 120, 16}, 2, true, true);
  auto* chooser = new T_Chooser(dialog, {10, 90, 180, 20}, 3, 2, 0, true);
  chooser->SetTitleRef("Kind");
  auto* frame = new T_Frame(dialog, {10, 140, 200, 60}, 4, true);
  frame->SetTitleRef("Notes");
  new T_Edit(frame, {10, 10, 150, 16}, 5, true, true);  // the frame's title labels it
  auto* ok = new T_Button(dialog, {300, 250, 80, 24}, 6);
  ok->SetTitleRef("OK");
  LayoutFaults faults = LayoutCheck(dialog);
  EXPECT_TRUE(faults.empty()) << faults;
}

TEST_F(ItemsTest, LayoutCheckNamesOverlapsStrayItemsAndUnlabelledFields) {
  auto* a = new T_Button(dialog, {10, 10, 80, 24}, 11);
  a->SetTitleRef("A");
  auto* b = new T_Button(dialog, {60, 20, 80, 24}, 12);  // over A
  b->SetTitleRef("B");
  auto* frame = new T_Frame(dialog, {10, 100, 100, 40}, 13, true);
  auto* stray = new T_Button(frame, {60, 10, 80, 20}, 14);  // past the frame's right edge
  stray->SetTitleRef("C");
  new T_Edit(dialog, {200, 10, 100, 16}, 15, true, true);
  new T_Chooser(dialog, {200, 60, 100, 20}, 16, 2, 0, true);
  Label(dialog, {200, 200, 60, 16}, "Far");  // too far from the field to label it
  new T_Edit(dialog, {280, 240, 60, 16}, 17, true, true);

  LayoutCheckOptions geometry;
  geometry.paint = false;
  LayoutFaults faults = LayoutCheck(dialog, geometry);
  EXPECT_TRUE(faults.Mentions("id 11 at (9,9)-(91,35) overlaps button T_Button id 12"))
      << faults;
  EXPECT_TRUE(faults.Mentions("id 14 at (69,109)-(151,131) lies outside its parent frame"))
      << faults;
  for (const char* unlabelled : {"edit field T_Edit id 15", "chooser T_Chooser id 16",
                                 "edit field T_Edit id 17"}) {
    EXPECT_TRUE(faults.Mentions(std::string(unlabelled)) && faults.Mentions("has no label"))
        << unlabelled << "\n" << faults;
  }
  EXPECT_EQ(faults.size(), 5u) << faults;

  // A skipped element takes its faults along.
  geometry.skip = [](const T_GrafElement* e) {
    return e->kind != kKindEdit && e->kind != kKindChooser && e->kind != kKindText;
  };
  EXPECT_EQ(LayoutCheck(dialog, geometry).size(), 3u);
}

TEST_F(ItemsTest, LayoutCheckCountsNumbersDrawnInPartButNotTextsWithAnEllipsis) {
  Label(dialog, {10, 10, 40, 16}, "-4,759,752.00");
  Label(dialog, {10, 40, 40, 16}, "Accumulated balance");
  Label(dialog, {10, 70, 40, 16}, "Accumulated\xE2\x80\xA6");
  Label(dialog, {10, 100, 200, 16}, "-4,759,752.00 fits");

  LayoutFaults faults = LayoutCheck(dialog);
  EXPECT_TRUE(faults.Mentions("number drawn in part: \"-4,759,752.00\"")) << faults;
  EXPECT_TRUE(faults.Mentions("text cut without an ellipsis: \"Accumulated balance\"")) << faults;
  EXPECT_TRUE(faults.Mentions("by text T_Text")) << faults;  // names the element that drew it
  EXPECT_EQ(faults.size(), 2u) << faults;

  LayoutCheckOptions numbersOnly;
  numbersOnly.cutTextIsFault = false;
  faults = LayoutCheck(dialog, numbersOnly);
  EXPECT_EQ(faults.size(), 1u) << faults;
  EXPECT_EQ(Gfx.clippedTextWatch, nullptr);  // the port's test mode ends with the check
}

TEST(LayoutCheckText, TellsNumbersAndEllipses) {
  struct Case {
    const char* text;
    bool number;
    bool ellipsis;
  } cases[] = {
      {"-4,759,752.00", true, false},
      {"(1 234,50)", true, false},
      {"12\xC2\xA0" "345", true, false},  // a no-break space between thousands
      {"1.5E+300", true, false},
      {"45 %", true, false},
      {"#####", false, false},
      {"-", false, false},
      {"T12 Rooibos", false, false},
      {"Accumulated\xE2\x80\xA6", false, true},
      {"Number of Li...", false, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ui_test::LooksLikeNumber(c.text), c.number) << c.text;
    EXPECT_EQ(ui_test::EndsWithEllipsis(c.text), c.ellipsis) << c.text;
  }
}

TEST(LayoutCheckNative, NamesOverlapsUnlabelledFieldsAndCutStatics) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr,
                                nullptr, instance, nullptr);
  ASSERT_NE(parent, nullptr);
  auto child = [&](const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w,
                   int h, int id) {
    return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  };
  HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  child(L"STATIC", L"Name", SS_LEFT, 10, 10, 60, 16, 1);
  child(L"EDIT", L"", 0, 80, 10, 100, 16, 2);                          // labelled
  child(L"BUTTON", L"Group", BS_GROUPBOX, 10, 40, 200, 80, 3);
  child(L"BUTTON", L"Inside", BS_PUSHBUTTON, 20, 60, 80, 24, 4);       // in its group box
  child(L"EDIT", L"", 0, 10, 130, 100, 16, 5);                         // no label
  child(L"BUTTON", L"One", BS_PUSHBUTTON, 220, 10, 80, 24, 6);
  child(L"BUTTON", L"Two", BS_PUSHBUTTON, 260, 20, 80, 24, 7);         // over One
  child(L"STATIC", L"A label much too long for its box", SS_LEFTNOWORDWRAP, 10, 200, 40, 16, 8);
  child(L"BUTTON", L"Out", BS_PUSHBUTTON, 350, 280, 80, 24, 9);        // past the corner
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);

  LayoutFaults faults = LayoutCheckNative(parent);
  EXPECT_TRUE(faults.Mentions("Edit id 5 at (10,130)-(110,146) has no label before it")) << faults;
  EXPECT_TRUE(faults.Mentions("id 6 \"One\" at (220,10)-(300,34) overlaps Button id 7")) << faults;
  EXPECT_TRUE(faults.Mentions("text cut: Static id 8")) << faults;
  EXPECT_TRUE(faults.Mentions("id 9 \"Out\" at (350,280)-(430,304) lies outside")) << faults;
  EXPECT_EQ(faults.size(), 4u) << faults;
  DestroyWindow(parent);
}

}  // namespace
}  // namespace items_test
