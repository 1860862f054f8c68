// The edit field while it edits: typing into its native control, the notices it reports,
// commits, selection in bytes, undo and redo, the multi-line switch and the text limits.
#include <gtest/gtest.h>

#include <string>

#include "edit_fixture.h"
#include "ui/event_record.h"

namespace {

using Codes = std::vector<int32_t>;

TEST_F(EditTest, TypingChangesTheTextInTheControlAndReportsEachChange) {
  field->SetText("old");
  Focus();
  Key(VK_END);
  Type("ab");
  EXPECT_EQ(Text(), "oldab");
  EXPECT_STREQ(field->text.data, "old") << "taken only when committed";
  Key(VK_LEFT);
  Backspace();
  EXPECT_EQ(Text(), "oldb");
  Key(VK_DELETE);
  EXPECT_EQ(Text(), "old");
  // Keys that move the caret, and Delete at the end, change nothing.
  Key(VK_DELETE);
  Key(VK_HOME);
  // Key code 6 stands for no key: it deletes nothing and reports nothing.
  InputEvent six;
  six.keyCode = 6;
  field->KeyDown(&six, field);
  EXPECT_EQ(Text(), "old");
  EXPECT_EQ(window->codes, (Codes{0, 1, 1, 1, 1}));
}

TEST_F(EditTest, EachChangeIsCommittedOnceAndParentsMayRewriteIt) {
  Focus();
  Type("x");
  Type("\t");  // Tab commits and inserts nothing
  EXPECT_EQ(Text(), "x");
  EXPECT_EQ(window->codes, (Codes{0, 1, 2, 3}));
  EXPECT_EQ(window->offered, (std::vector<std::string>{"x"}));
  Type("\t");
  Key(VK_RETURN, true);  // keypad Enter: no change since the last commit, so no commit
  EXPECT_EQ(window->codes, (Codes{0, 1, 2, 3}));
  EXPECT_EQ(Selection(), (std::pair<int32_t, int32_t>{0, 1})) << "keypad Enter selects all";

  window->rewrite = "rewritten";
  Type("y");
  Key(VK_RETURN);
  EXPECT_EQ(window->codes, (Codes{0, 1, 2, 3, 1, 2, 3}));
  EXPECT_STREQ(field->text.data, "rewritten");
  EXPECT_EQ(Text(), "rewritten") << "the control shows what the parent stored";
  EXPECT_EQ(Selection(), (std::pair<int32_t, int32_t>{0, 9}));
}

TEST_F(EditTest, FocusLeavingCommitsEndsEditingAndKeepsTheSelection) {
  Focus();
  Type("hello");
  Key(VK_LEFT);
  Window_DropFocus(window);
  EXPECT_EQ(window->codes, (Codes{0, 1, 1, 1, 1, 1, 2, 3, 4}));
  EXPECT_FALSE(field->editing);
  EXPECT_EQ(EditOverlay_Current(), nullptr);
  EXPECT_STREQ(field->text.data, "hello");
  EXPECT_EQ(Selection(), (std::pair<int32_t, int32_t>{4, 0}));
  // Focus arriving by keyboard puts that selection into the control again.
  Focus();
  EXPECT_EQ(Selection(), (std::pair<int32_t, int32_t>{4, 0}));
}

TEST_F(EditTest, APressFocusesTheFieldAndPlacesTheCaretInTheControl) {
  field->SetText("hello");
  field->SetSelection(0, 0);
  InputEvent press;
  press.x = 20 + 190;  // window coordinates, right of the text
  press.y = 20 + 8;
  press.leftButton = press.anyButton = 1;
  press.time = 1000;
  Mouse_DispatchDown(window, &press);
  ASSERT_TRUE(field->editing);
  SendMessageW(Control(), WM_LBUTTONUP, 0, 0);
  EXPECT_EQ(Selection(), (std::pair<int32_t, int32_t>{5, 0}))
      << "the press, not the stored selection";
  press.x = 22;  // the dispatch left the point in the field's coordinates
  press.y = 28;
  press.tripleClick = 1;
  Mouse_DispatchDown(window, &press);
  SendMessageW(Control(), WM_LBUTTONUP, 0, 0);
  EXPECT_EQ(Selection(), (std::pair<int32_t, int32_t>{0, 5})) << "a triple click selects all";
}

TEST_F(EditTest, TheApplicationGoingInactiveTakesTheTextAndTheControlAway) {
  Focus();
  Type("kept");
  EventHandler_SetActive(app, false);
  EXPECT_FALSE(field->editing);
  EXPECT_STREQ(field->text.data, "kept");
  EventHandler_SetActive(app, true);
  EXPECT_TRUE(field->editing);
  EXPECT_EQ(Text(), "kept");
}

TEST_F(EditTest, TallFieldsEditInSeveralLinesAndEnterFollowsTheEnterMode) {
  struct Case {
    int32_t height;
    bool password;
    bool multiLine;
  } cases[] = {{18, false, false}, {19, false, true}, {40, true, false}};
  for (const Case& c : cases) {
    auto* tall = new T_Edit(window, XYWH{20, 100, 200, c.height}, 2, true, true);
    tall->SetPassword(c.password);
    Focus(tall);
    LONG style = GetWindowLongW(tall->overlay.control, GWL_STYLE);
    EXPECT_EQ((style & ES_MULTILINE) != 0, c.multiLine) << "height " << c.height;
    EXPECT_EQ((style & ES_PASSWORD) != 0, c.password) << "height " << c.height;
    delete tall;
  }

  auto* notes = new T_Edit(window, XYWH{20, 100, 200, 40}, 2, true, true);
  notes->enterMode = kEnterNewLine;
  Focus(notes);
  for (const char* p = "ab"; *p; ++p) SendMessageW(notes->overlay.control, WM_CHAR, *p, 1);
  notes->SetSelection(1, 0);
  SendMessageW(notes->overlay.control, WM_KEYDOWN, VK_RETURN, 1);
  SendMessageW(notes->overlay.control, WM_CHAR, '\r', 1);  // acts no second time
  T_TextBuf text;
  notes->GetText(&text);
  EXPECT_STREQ(text.data, "a\rb");
  notes->enterMode = kEnterCommits;
  SendMessageW(notes->overlay.control, WM_KEYDOWN, VK_RETURN, 1);
  notes->GetText(&text);
  EXPECT_STREQ(text.data, "a\rb") << "Enter mode 0 commits instead";
  delete notes;
}

TEST_F(EditTest, SelectionsCountBytesAndAreKeptInsideTheText) {
  field->SetText("a\xC3\xA9\rb");  // a, e acute (2 bytes), CR, b: 5 bytes
  struct Case {
    int32_t start;
    int32_t length;
    int32_t wantStart;
    int32_t wantLength;
  } cases[] = {{-2, 1, 0, 1}, {-1, 3, 5, 0}, {9, 1, 5, 0},
               {1, 99, 1, 4}, {2, 1, 1, 2},  {3, -4, 3, 0}};
  for (int pass = 0; pass < 2; ++pass) {
    if (pass == 1) Focus();
    for (const Case& c : cases) {
      field->SetSelection(c.start, c.length);
      EXPECT_EQ(Selection(), (std::pair<int32_t, int32_t>{c.wantStart, c.wantLength}))
          << (pass ? "editing " : "at rest ") << c.start << "," << c.length;
    }
  }
  // In the control the CR is CR LF: bytes 3..5 are positions 2..5.
  field->SetSelection(3, 2);
  DWORD from = 0;
  DWORD to = 0;
  SendMessageW(Control(), EM_GETSEL, reinterpret_cast<WPARAM>(&from),
               reinterpret_cast<LPARAM>(&to));
  EXPECT_EQ(from, 2u);
  EXPECT_EQ(to, 5u);
}

TEST(EditPositions, ControlPositionsAndByteOffsetsMapBothWays) {
  // a, CR LF, e acute, a surrogate pair, b: bytes a=0, CR=1, e=2-3, pair=4-7, b=8.
  const wchar_t wide[] =
      L"a\r\n\x00E9\xD83D\xDE00"
      L"b";
  const int32_t n = 7;
  struct Case {
    int32_t position;
    int32_t offset;
  } cases[] = {{0, 0}, {1, 1}, {3, 2}, {4, 4}, {6, 8}, {7, 9}};
  for (const Case& c : cases) {
    EXPECT_EQ(EditPositionToOffset(wide, n, c.position), c.offset) << "position " << c.position;
    EXPECT_EQ(EditOffsetToPosition(wide, n, c.offset), c.position) << "offset " << c.offset;
  }
  EXPECT_EQ(EditPositionToOffset(wide, n, 2), 2) << "between CR and LF counts after the line end";
  EXPECT_EQ(EditOffsetToPosition(wide, n, 99), n);
}

TEST_F(EditTest, UndoRestoresTheEarlierTextAndSelectsWhatDiffers) {
  field->SetText("price 100");
  Focus();
  field->SetSelection(6, 3);
  Type("250");
  ASSERT_EQ(Text(), "price 250");
  window->codes.clear();
  field->DoCommand(kCommandUndo);
  EXPECT_EQ(Text(), "price 100");
  EXPECT_EQ(Selection(), (std::pair<int32_t, int32_t>{6, 2}));
  field->DoCommand(kCommandRedo);
  EXPECT_EQ(Text(), "price 250");
  EXPECT_EQ(window->codes, (Codes{1, 1}));
}

TEST_F(EditTest, LongTextsAreCutAndPasswordsShowOneStarPerByte) {
  std::string longText(40000, 'x');
  field->SetText(longText.c_str());
  EXPECT_EQ(field->GetTextLength(), kTextBufMax);

  field->SetText("\xC3\xA9!");
  field->SetPassword(true);
  T_TextBuf shown;
  field->ShownText(&shown);
  EXPECT_STREQ(shown.data, "***");
}

}  // namespace
