// The native menu bar built from the menu tree, read back through the menu calls; shortcuts,
// mnemonics, command numbers and enabling through an application with a hidden frame.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/alert.h"
#include "core/text_buffer.h"
#include "ui/application.h"
#include "ui/event_record.h"
#include "ui/native_menu.h"
#include "ui/native_window.h"
#include "ui/program_entry.h"
#include "ui/window.h"

namespace {

// Records the commands that reach it and the command title they ran under; enables the entries
// it is told to serve, as a document level would.
class T_MenuTestApp : public T_Application {
 public:
  T_MenuTestApp() : T_Application(false) {}
  void UpdateCommands() override {
    T_Application::UpdateCommands();
    for (int32_t command : served) Menus()->enableCommand(command, true);
    Menus()->enableMenu(kMenuEdit, !editMenuOff);
  }
  bool DoCommand(int32_t command) override {
    commands.push_back(command);
    titles.push_back(CurrentCommandTitle() ? CurrentCommandTitle() : "(none)");
    if (command == kCommandPrint) PendingErrorSet(605);
    return true;
  }
  std::vector<int32_t> served;
  bool editMenuOff = false;
  std::vector<int32_t> commands;
  std::vector<std::string> titles;
};

class NativeMenus : public ::testing::Test {
 protected:
  void SetUp() override {
    static bool registered = false;
    if (!registered) {
      RegisterFrameClasses(GetModuleHandleW(nullptr));
      registered = true;
    }
    SetFrameVisible(false);
    SetProgramName("Test 1.0", "");
    NativeMenusInstall();
    app = new T_MenuTestApp;
    ASSERT_NE(FrameWindow(), nullptr);
  }
  void TearDown() override {
    delete app;
    EXPECT_EQ(MenuRoot(), nullptr);
    SetMenuOperations(nullptr);
    SetMenuItemsLimitOverride(0);
    SetMenuFailureAfter(0);
    PendingErrorClear();
  }
  HMENU Bar() { return GetMenu(FrameWindow()); }
  // The whole bar and its menus are rebuilt now, as the idle pass would.
  void Update() {
    app->UpdateCommands();
    MenuBarUpdate();
  }
  T_MenuTestApp* app = nullptr;
};

std::string Label(HMENU menu, int32_t position) {
  UINT state = GetMenuState(menu, position, MF_BYPOSITION);
  if (GetSubMenu(menu, position)) state &= 0xFF;  // the high byte counts the submenu's items
  if (state & MF_SEPARATOR) return "-";
  wchar_t wide[256] = {};
  GetMenuStringW(menu, position, wide, 256, MF_BYPOSITION);
  T_TextBuf text;
  TextBufAssignUtf16(&text, wide);
  std::string label = text.data;
  if (state & MF_GRAYED) label = "(" + label + ")";
  return label;
}

std::vector<std::string> Labels(HMENU menu) {
  std::vector<std::string> labels;
  for (int32_t i = 0; i < GetMenuItemCount(menu); ++i) labels.push_back(Label(menu, i));
  return labels;
}

using Labels_ = std::vector<std::string>;

TEST_F(NativeMenus, StandardMenusAppearWithMnemonicsShortcutsAndEllipses) {
  HMENU bar = Bar();
  ASSERT_EQ(bar, MenuRoot()->nativeMenu);
  EXPECT_EQ(Labels(bar), (Labels_{"&File", "&Edit", "&Window", "&Help"}));
  EXPECT_EQ(Labels(GetSubMenu(bar, 0)),
            (Labels_{"&New\tCtrl+N", "&Open…\tCtrl+O", "&Close", "-", "&Save\tCtrl+S",
                     "Save &As…\tF12", "-", "&Preferences…", "-", "Pa&ge Setup…\tShift+Ctrl+P",
                     "P&rint…\tCtrl+P", "-", "&Exit\tCtrl+Q"}));
  // "&Copy" carries its own mnemonic and Undo holds U, so Cut takes its third letter. Tagged
  // entries start disabled.
  EXPECT_EQ(Labels(GetSubMenu(bar, 1)),
            (Labels_{"(&Undo\tCtrl+Z)", "(&Redo\tShift+Ctrl+Z)", "-", "(Cu&t\tCtrl+X)",
                     "(&Copy\tCtrl+C)", "(&Paste\tCtrl+V)", "-", "(&Erase\tCtrl+B)",
                     "(&Duplicate\tCtrl+D)", "-", "(&Select All\tCtrl+A)"}));
  EXPECT_EQ(Labels(GetSubMenu(bar, 2)),
            (Labels_{"(&Zoom\tF5)", "(&Close\tCtrl+W)", "C&lose All\tAlt+Ctrl+W", "Ca&scade",
                     "&Tile", "&Arrange Icons"}));
  EXPECT_EQ(Labels(GetSubMenu(bar, 3)), (Labels_{"(&About Test 1.0)"}));

  // Menus added later go in front of Window and Help.
  auto* extra = new T_MenuItem(MenuRoot(), kMenuInsertInFront, 0);
  extra->SetTitleRef("Data");
  (new T_MenuItem(extra, 0, 3000))->SetTitleRef("Import");
  SetProgramName("Renamed", "");  // About follows the program name
  Update();
  EXPECT_EQ(Labels(Bar()), (Labels_{"&File", "&Edit", "&Data", "&Window", "&Help"}));
  EXPECT_EQ(Labels(GetSubMenu(Bar(), 4)), (Labels_{"(&About Renamed)"}));
}

TEST_F(NativeMenus, LongMenusContinueInNestedMoreMenus) {
  SetMenuItemsLimitOverride(12);
  struct Case {
    int32_t entries;
    std::vector<int32_t> perLevel;  // entries shown at each level, before its "More"
  } cases[] = {{12, {12}}, {13, {11, 2}}, {30, {11, 11, 8}}};
  for (const Case& c : cases) {
    auto* menu = new T_MenuItem(MenuRoot(), kMenuInsertInFront, 0);
    menu->SetTitleRef("Long");
    for (int32_t i = 1; i <= c.entries; ++i) {
      (new T_MenuItem(menu, 0, 4000 + i))->SetTitleCopy(("Entry " + std::to_string(i)).c_str());
    }
    Update();
    std::vector<int32_t> perLevel;
    HMENU level = menu->nativeMenu;
    while (level) {
      int32_t count = GetMenuItemCount(level);
      HMENU more = GetSubMenu(level, count - 1);
      if (more) {
        EXPECT_EQ(Label(level, count - 1), "More");
      }
      perLevel.push_back(more ? count - 1 : count);
      level = more;
    }
    EXPECT_EQ(perLevel, c.perLevel) << c.entries;
    // Every entry keeps a command number that finds it.
    T_MenuItem* last = menu->firstChild->previous;
    EXPECT_EQ(MenuFindNative(last->nativeNumber), last);
    delete menu;
  }
}

TEST(MenuMnemonics, FirstLetterThenAfterABlankThenAnyFreeCharacter) {
  struct Case {
    std::vector<const char*> titles;
    std::vector<const char*> labels;
  } cases[] = {
      {{"Open", "Options", "Output"}, {"&Open", "O&ptions", "O&utput"}},
      {{"Page", "Paste", "&Print"}, {"P&age", "Pa&ste", "&Print"}},  // "&" blocks P for all
      {{"Save", "Save As", "sort by size"}, {"&Save", "Save &As", "sort &by size"}},
      {{"11", "1", "A-1"}, {"&11", "1", "&A-1"}},  // nothing free: no mnemonic
      {{"Équipe", "ÉÉ"}, {"É&quipe", "ÉÉ"}},       // never inside a character
  };
  for (const Case& c : cases) {
    T_MenuItem menu(nullptr, 0, 0);
    for (const char* title : c.titles) (new T_MenuItem(&menu, 0, 1))->SetTitleRef(title);
    MenuAssignMnemonics(&menu);
    EXPECT_FALSE(menu.mnemonicsNeeded);
    size_t i = 0;
    for (T_MenuItem* child = menu.firstChild; child; child = child->next, ++i) {
      T_TextBuf label;
      MenuNativeLabel(child, &label);
      EXPECT_STREQ(label.data, c.labels[i]) << c.titles[i];
    }
  }
}

TEST(MenuShortcuts, KeyEventsGiveKeysAndModifiers) {
  struct Case {
    uint16_t keyCode, virtualKey;
    uint8_t shift, leftAlt;
    bool found;
    uint8_t key;
    uint32_t modifiers;
  } cases[] = {
      {'Z', 'Z', 0, 0, true, 'Z', 0},
      {'Z', 'Z', 1, 0, true, 'Z', kShortcutShift},
      {'W', 'W', 0, 1, true, 'W', kShortcutAlt},
      {'w', 'w', 0, 0, true, 'W', 0},
      {kKeyFunction, VK_F12, 0, 0, true, 12, 0},
      {kKeyFunction, VK_F5, 1, 0, true, 5, kShortcutShift},
      {kKeyFunction, VK_F24, 0, 0, true, 24, 0},
      {kKeyFunction, VK_F24 + 1, 0, 0, false, 0, 0},  // no function key beyond F24
      {kKeyHome, VK_HOME, 0, 0, false, 0, 0},         // would read as F20
      {kKeyEnter, VK_RETURN, 0, 0, false, 0, 0},
      {0, VK_SHIFT, 1, 0, false, 0, 0},
      {0x263A, 0, 0, 0, false, 0, 0},  // no shortcut byte names it
  };
  for (const Case& c : cases) {
    InputEvent event;
    event.keyCode = c.keyCode;
    event.virtualKey = c.virtualKey;
    event.control = 1;
    event.shift = c.shift;
    event.leftAlt = c.leftAlt;
    uint8_t key = 0;
    uint32_t modifiers = 0;
    EXPECT_EQ(MenuShortcutOfEvent(&event, &key, &modifiers), c.found) << c.keyCode;
    if (!c.found) continue;
    EXPECT_EQ(key, c.key) << c.keyCode;
    EXPECT_EQ(modifiers, c.modifiers) << c.keyCode;
  }
}

TEST(MenuShortcuts, TextsNameControlKeysAndFunctionKeysUpToF24) {
  struct Case {
    uint8_t key;
    uint32_t modifiers;
    const char* text;
  } cases[] = {
      {'N', 0, "Ctrl+N"},
      {'Z', kShortcutShift, "Shift+Ctrl+Z"},
      {1, 0, "F1"},
      {12, kShortcutAlt, "Alt+F12"},
      {24, 0, "F24"},
      {25, 0, ""},
      {31, kShortcutShift, ""},
      {0, kShortcutShift, ""},
  };
  for (const Case& c : cases) {
    T_TextBuf text;
    MenuShortcutText(c.key, c.modifiers, &text);
    EXPECT_STREQ(text.c_str(), c.text) << int(c.key);
  }
  // An entry whose key names nothing shows no TAB either.
  T_MenuItem menu(nullptr, 0, 0);
  auto* entry = new T_MenuItem(&menu, 0, 1);
  entry->SetTitleRef("Save As");
  entry->SetShortcut(25, 0);
  T_TextBuf label;
  MenuNativeLabel(entry, &label);
  EXPECT_STREQ(label.c_str(), "Save As");
}

TEST_F(NativeMenus, ShortcutsRunEnabledEntriesOnly) {
  app->served = {kCommandUndo, -9, kCommandSaveAs};
  struct Case {
    uint8_t key;
    uint32_t modifiers;
    int32_t command;  // 0: nothing runs
  } cases[] = {
      {'Z', 0, kCommandUndo},  {'Z', kShortcutShift, -9},  // Shift+Ctrl+Z is Redo, not Undo
      {12, 0, kCommandSaveAs}, {'N', 0, 0},                // New is disabled without a document
      {'Z', kShortcutAlt, 0},
  };
  for (const Case& c : cases) {
    app->commands.clear();
    EXPECT_EQ(MenuRunShortcut(c.key, c.modifiers), c.command != 0) << c.key;
    EXPECT_EQ(app->commands, c.command ? std::vector<int32_t>{c.command} : std::vector<int32_t>{})
        << c.key;
  }
  // A disabled menu hides the shortcuts of its entries, and so does a disabled bar.
  app->editMenuOff = true;
  EXPECT_FALSE(MenuRunShortcut('Z', 0));
  app->editMenuOff = false;
  SetMenuBarItemEnabled(false);
  EXPECT_FALSE(MenuRunShortcut(12, 0));
  SetMenuBarItemEnabled(true);
  // A stored key between F24 and the characters matches no key.
  T_MenuItem* saveAs = StandardEntry(kCommandSaveAs);
  saveAs->SetShortcut(25, 0);
  EXPECT_FALSE(MenuRunShortcut(25, 0));
  saveAs->SetShortcut(12, 0);

  // Through the application's key dispatch: Control with the key, nothing focused.
  app->commands.clear();
  InputEvent event;
  event.control = 1;
  event.keyCode = 'Z';
  event.virtualKey = 'Z';
  Key_DispatchToFocus(app, &event);
  EXPECT_EQ(app->commands, std::vector<int32_t>{kCommandUndo});
}

TEST_F(NativeMenus, CommandNumbersRunTheirEntryUnderItsTitle) {
  app->served = {kCommandCopy, kCommandPrint, kCommandCascade};
  Update();
  T_MenuItem* cascade = StandardEntry(kCommandCascade);
  ASSERT_NE(cascade->nativeNumber, 0u);
  EXPECT_EQ(GetMenuItemID(GetSubMenu(Bar(), 2), 3), cascade->nativeNumber);

  SendMessageW(FrameWindow(), WM_COMMAND, cascade->nativeNumber, 0);
  EXPECT_TRUE(RunMenuCommandById(StandardEntry(kCommandCopy)->nativeNumber));
  // A grey entry's number, as a message sent from outside or queued before a change: found, but
  // not run.
  EXPECT_TRUE(RunMenuCommandById(StandardEntry(kCommandPaste)->nativeNumber));
  EXPECT_FALSE(RunMenuCommandById(29999));
  EXPECT_FALSE(RunMenuCommandById(0));
  EXPECT_EQ(app->commands, (std::vector<int32_t>{kCommandCascade, kCommandCopy}));
  EXPECT_EQ(app->titles, (std::vector<std::string>{"Cascade", "Copy"}));  // without "&"
  EXPECT_EQ(CurrentCommandTitle(), nullptr);

  // A command's failure is reported once it has run.
  RunMenuCommand(StandardEntry(kCommandPrint));
  EXPECT_EQ(PendingError.request.message, 0);
}

// A menu opened right after a change shows the change, though no idle pass ran: the states are
// written into the bar Windows is showing, which must not be replaced under it.
TEST_F(NativeMenus, AnOpeningMenuShowsTheStatesOfThisMomentInTheSameBar) {
  T_MenuItem* program =
      new T_MenuItem(StandardMenu(kMenuEdit), kMenuInsertInFront | kMenuDisabled, 3001);
  program->SetTitleRef("Program Entry");
  Update();
  HMENU bar = Bar();
  HMENU edit = GetSubMenu(bar, 1);
  auto grey = [&](T_MenuItem* entry) {
    return (GetMenuState(bar, entry->nativeNumber, MF_BYCOMMAND) & MF_GRAYED) != 0;
  };
  EXPECT_TRUE(grey(StandardEntry(kCommandCopy)));
  EXPECT_TRUE(grey(program));

  app->served = {kCommandCopy, 3001};
  SendMessageW(FrameWindow(), WM_INITMENU, reinterpret_cast<WPARAM>(bar), 0);
  SendMessageW(FrameWindow(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(edit), 1);
  EXPECT_EQ(Bar(), bar);
  EXPECT_FALSE(grey(StandardEntry(kCommandCopy)));
  EXPECT_FALSE(grey(program));  // the program's own entries too, not only the standard ones

  // A whole menu of the bar.
  app->editMenuOff = true;
  app->served.clear();
  SendMessageW(FrameWindow(), WM_INITMENU, reinterpret_cast<WPARAM>(bar), 0);
  EXPECT_EQ(Bar(), bar);
  EXPECT_NE(GetMenuState(bar, 1, MF_BYPOSITION) & MF_GRAYED, 0u);

  // The number of an entry in a grey menu runs nothing.
  app->served = {3001};
  app->commands.clear();
  SendMessageW(FrameWindow(), WM_COMMAND, program->nativeNumber, 0);
  EXPECT_TRUE(app->commands.empty());
}

TEST_F(NativeMenus, TheApplicationResetsMenusAndKeepsASeparatorBeforeAbout) {
  T_MenuItem* help = StandardMenu(kMenuHelp);
  (new T_MenuItem(help, kMenuInsertInFront, 3001))->SetTitleRef("Contents");
  app->served = {kCommandSave};
  Update();
  Update();  // a second pass adds no second separator
  (new T_MenuItem(help, kMenuInsertInFront, 3002))->SetTitleRef("Index");
  Update();
  EXPECT_EQ(Labels(GetSubMenu(Bar(), 3)),
            (Labels_{"&Contents", "&Index", "-", "(&About Test 1.0)"}));
  EXPECT_EQ(Labels(GetSubMenu(Bar(), 0)),
            (Labels_{"(&New\tCtrl+N)", "(&Open…\tCtrl+O)", "(&Close)", "-", "&Save\tCtrl+S",
                     "(Save &As…\tF12)", "-", "(&Preferences…)", "-",
                     "(Pa&ge Setup…\tShift+Ctrl+P)", "(P&rint…\tCtrl+P)", "-", "&Exit\tCtrl+Q"}));
  EXPECT_EQ(Label(GetSubMenu(Bar(), 2), 2), "(C&lose All\tAlt+Ctrl+W)");  // no window open
}

TEST_F(NativeMenus, DeletedStandardMenusAreForgotten) {
  delete StandardMenu(kMenuEdit);
  EXPECT_EQ(StandardMenu(kMenuEdit), nullptr);
  EXPECT_EQ(StandardEntry(kCommandUndo), nullptr);
  Update();  // the application's reset must not reach the deleted entries
  EXPECT_EQ(Labels(Bar()), (Labels_{"&File", "&Window", "&Help"}));
  EXPECT_FALSE(MenuRunShortcut('Z', 0));
}

TEST_F(NativeMenus, WindowsRefusingMenusGivesOneAlertAndKeepsWhatItCan) {
  HMENU before = Bar();
  SetMenuFailureAfter(1);  // not even a new bar
  MenuBarRebuild(true);
  EXPECT_EQ(Bar(), before);
  EXPECT_EQ(PendingError.request.message, 106);
  PendingErrorClear();

  SetMenuFailureAfter(20);  // the bar and part of the menus
  MenuBarRebuild(true);
  EXPECT_EQ(PendingError.request.message, 106);
  EXPECT_EQ(GetMenuItemCount(Bar()), 1);  // only File made it
  PendingErrorClear();
  MenuBarRebuild(true);  // failing again within the minute: no second alert
  EXPECT_EQ(PendingError.request.message, 0);

  SetMenuFailureAfter(0);
  MenuBarRebuild(true);
  EXPECT_EQ(GetMenuItemCount(Bar()), 4);
  for (T_MenuItem* entry = StandardMenu(kMenuEdit)->firstChild; entry; entry = entry->next) {
    if (entry->nativeNumber) {
      EXPECT_EQ(MenuFindNative(entry->nativeNumber), entry);
    }
  }
}

}  // namespace
