// The edit field's data in and out: cut, copy and paste through the clipboard (also by their
// shortcuts), its context menu, drops, and the frames of neighbouring fields.
#include <gtest/gtest.h>

#include "ui/clipboard_data.h"

#include <string>

#include "edit_fixture.h"
#include "ui/item.h"
#include "ui/menu_model.h"
#include "ui/popup_menu.h"
#include "ui/regions.h"
#include "ui/transfer_list.h"

namespace {

// The clipboard's Unicode text as it stands, line ends unchanged.
std::wstring RawClipboard() {
  std::wstring text;
  if (!ClipboardOpen(nullptr)) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (auto* units = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = units;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

void EmptyClipboardNow() {
  if (!ClipboardOpen(nullptr)) return;
  EmptyClipboard();
  CloseClipboard();
}

TEST_F(EditTest, CutCopyAndPasteGoThroughTheClipboard) {
  field->SetText("one\rtwo");
  Focus();
  field->SetSelection(0, 5);
  field->DoCommand(kCommandCopy);
  EXPECT_EQ(RawClipboard(), L"one\r\nt") << "line ends leave as CR LF";
  field->SetSelection(4, 3);
  field->DoCommand(kCommandCut);
  EXPECT_EQ(Text(), "one\r");
  EXPECT_EQ(ClipboardText(), "two");

  ClipboardSetText("x\ry", 3, 0);
  field->SetSelection(0, 3);
  field->DoCommand(kCommandPaste);
  EXPECT_EQ(Text(), "x\ry\r") << "CR LF comes back as CR and replaces the selection";
  EXPECT_EQ(Selection(), (std::pair<int32_t, int32_t>{3, 0}));
  EXPECT_EQ(window->codes, (std::vector<int32_t>{0, 1, 1}));
}

TEST_F(EditTest, ClipboardShortcutsActOnce) {
  ClipboardSetText("P", 1, 0);
  Focus();
  SetKeys(true);
  // Control+V arrives as the key and as character 22; only the menu's Paste may act.
  Key('V');
  SendMessageW(Control(), WM_CHAR, 22, 1);
  SetKeys(false);
  EXPECT_EQ(Text(), "P");
}

TEST_F(EditTest, TheContextMenuOffersWhatTheSelectionAndClipboardAllow) {
  const uint16_t sep = kPopupSeparator;
  struct Case {
    const char* text;
    int32_t start;
    int32_t length;
    bool clipboard;
    int32_t linkMode;
    std::vector<uint16_t> ids;
    bool password = false;
  } cases[] = {
      {"", 0, 0, false, 0, {}},
      {"abc", 0, 0, false, 0, {218}},
      {"abc", 0, 3, true, 0, {213, 214, 215, 216, 217}},
      {"abc", 1, 1, false, 1, {213, 214, 216, 217, 218, sep, 729}},
      {"abc", 3, 0, true, 1, {215, 218, sep, 729}},
      {"abc", 0, 3, true, 0, {215, 216, 217}, true},  // a password offers no Cut and Copy
  };
  for (const Case& c : cases) {
    if (c.clipboard) {
      ClipboardSetText("clip", 4, 0);
    } else {
      EmptyClipboardNow();
    }
    field->SetPassword(c.password);
    field->SetText(c.text);
    field->linkMode = c.linkMode;
    field->SetSelection(c.start, c.length);
    ContextMenuRecord record;
    record.owner = field;
    field->ContextMenu(&record, kMenuPhaseList);
    std::vector<uint16_t> ids;
    for (const uint16_t* id = record.commands.list; id && *id; ++id) ids.push_back(*id);
    EXPECT_EQ(ids, c.ids) << c.text << " " << c.start << "," << c.length;
  }
}

// A password's clear text never reaches the clipboard: not by the Edit menu, the commands or
// Control+C and Control+X (as keys and as the characters 3 and 24). The same keys copy a plain
// field's text, and the rest of the editing stays.
TEST_F(EditTest, APasswordNeverReachesTheClipboard) {
  // The key goes the way a typed one goes from the control, with Control held in the event
  // itself: the thread's key state is the display's, which other programs may change.
  auto shortcut = [this](char letter) {
    InputEvent key;
    key.control = 1;
    key.virtualKey = key.keyCode = static_cast<uint16_t>(letter);
    Key_DispatchToFocus(app, &key);
    SendMessageW(Control(), WM_CHAR, static_cast<WPARAM>(letter - '@'), 1);
  };
  for (bool secret : {false, true}) {
    SCOPED_TRACE(secret ? "password" : "plain");
    field->SetPassword(secret);
    field->SetText("secret");
    Focus();
    field->SelectAll();
    app->UpdateCommands();
    field->UpdateCommands();
    EXPECT_EQ(StandardEntry(kCommandCopy)->enabled != 0, !secret);
    EXPECT_EQ(StandardEntry(kCommandCut)->enabled != 0, !secret);
    EXPECT_NE(StandardEntry(kCommandErase)->enabled, 0);
    EXPECT_NE(StandardEntry(kCommandDuplicate)->enabled, 0);
    ClipboardSetText("before", 6, 0);
    shortcut('C');
    if (secret) {
      field->DoCommand(kCommandCopy);
      field->DoCommand(kCommandCut);
      shortcut('X');
    }
    // Another program on the display may replace the clipboard meanwhile; what counts for a
    // password is that its text never appears there.
    if (secret) {
      EXPECT_NE(ClipboardText(), "secret");
    } else {
      EXPECT_EQ(ClipboardText(), "secret");
    }
    EXPECT_EQ(Text(), "secret");
  }
  // Paste still goes in.
  ClipboardSetText("new", 3, 0);
  field->SelectAll();
  field->DoCommand(kCommandPaste);
  EXPECT_EQ(Text(), "new");
}

TEST_F(EditTest, DroppedDataGoesInAtTheCaretOrReplacesTheText) {
  struct Case {
    bool replace;
    int32_t linkMode;
    uint32_t kind;
    const char* data;
    const char* text;
    std::pair<int32_t, int32_t> selection;
  } cases[] = {
      {false, 0, kTransferText, "XY", "abXYcd", {4, 0}},
      {true, 0, kTransferText, "XY", "XY", {0, 2}},
      {false, 0, kTransferFile, "C:\\a\\b.txt", "abcd", {2, 0}},
      {false, 1, kTransferFile, "C:\\a\\b.txt", "ab<a file=\"C:\\a\\b.txt\">b.txt</a>cd", {32, 0}},
  };
  for (const Case& c : cases) {
    field->SetText("abcd");
    field->replaceOnDrop = c.replace ? 1 : 0;
    field->linkMode = c.linkMode;
    field->SetSelection(2, 0);
    TransferList list;
    DragData_Init(&list);
    if (c.kind == kTransferFile) {
      DragData_AddFile(&list, c.kind, c.data);
    } else {
      DragData_Add(&list, c.kind, c.data);
    }
    field->AcceptDrop(&list);
    DragData_Free(&list);
    EXPECT_EQ(Text(), c.text) << c.data << " replace " << c.replace;
    EXPECT_EQ(Selection(), c.selection) << c.data << " replace " << c.replace;
  }
}

TEST_F(EditTest, FramedFieldsFiveApartJoinWhileTheLowerIsFocused) {
  SetItemLookClass(3);
  for (int32_t gap : {4, 5, 6}) {
    auto* upper = new T_Edit(window, XYWH{20, 100, 200, 16}, 2, true, true);
    auto* lower = new T_Edit(window, XYWH{20, 116 + gap, 200, 16}, 3, true, true);
    Item_TakeFocus(lower);
    RECT box{};
    GetRgnBox(upper->shape, &box);
    EXPECT_EQ(lower->joinedAbove == upper, gap == 5) << "gap " << gap;
    EXPECT_EQ(box.bottom, gap == 5 ? 18 : 19) << "gap " << gap;
    Window_DropFocus(window);
    GetRgnBox(upper->shape, &box);
    EXPECT_EQ(box.bottom, 19) << "unjoined, gap " << gap;
    delete lower;
    delete upper;
  }
}

}  // namespace
