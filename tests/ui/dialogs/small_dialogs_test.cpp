// The level and copying-options dialogs run modally and are driven from inside their modal loop;
// the confirmations are answered by the scripted alert handler.
#include <cstring>
#include <string>

#include "core/alert_handlers.h"
#include "core/copy_table.h"
#include "core/settings_store.h"
#include "core/threads.h"
#include "dialog_fixture.h"
#include "ui/button.h"
#include "ui/char_chooser.h"
#include "ui/chooser.h"
#include "ui/small_dialogs.h"

namespace dialogs_test {
namespace {

std::string ItemText(T_Chooser* chooser, int64_t index) {
  ChooserEvent record;
  chooser->DescribeItem(index, &record);
  return record.text ? record.text : "<separator>";
}

// --- The level dialog ----------------------------------------------------------------------

using ExpandTest = DialogTest;

TEST_F(ExpandTest, ListsTheLevelsInTwoCharacters) {
  std::vector<std::string> labels;
  WhileModal([&](T_Window* dialog) {
    auto* chooser = static_cast<T_Chooser*>(FindItem(dialog, kExpandLevelId));
    ASSERT_NE(chooser, nullptr);
    EXPECT_EQ(chooser->current, 0);
    for (int64_t i = 0; i < chooser->count; ++i) labels.push_back(ItemText(chooser, i));
    PressButton(dialog, kDialogCancelId);
  });
  EXPECT_EQ(RunExpandDialog(nullptr, 12, 1), -1);
  EXPECT_EQ(labels, (std::vector<std::string>{" 1", " 2", " 3", " 4", " 5", " 6", " 7", " 8", " 9",
                                              "10", "11", "12"}));
}

TEST_F(ExpandTest, ReturnsTheChosenLevelOrMinusOne) {
  struct Case {
    int32_t first, last;
    int64_t choose;  // -1: leave the current item
    uint32_t button;
    int32_t expected;
  } cases[] = {
      {1, 12, 4, kDialogOkId, 5}, {0, 5, -1, kDialogOkId, 1},  // item 1 is level 1
      {0, 5, 0, kDialogOkId, 0},  {1, 12, 4, kDialogCancelId, -1},
      {3, 6, -1, kDialogOkId, 3},  // level 1 is not listed: the nearest listed one
  };
  for (const Case& c : cases) {
    WhileModal([&](T_Window* dialog) {
      auto* chooser = static_cast<T_Chooser*>(FindItem(dialog, kExpandLevelId));
      if (c.choose >= 0) chooser->SetSelection(c.choose, kSelectReport);
      PressButton(dialog, c.button);
    });
    EXPECT_EQ(RunExpandDialog(nullptr, c.last, c.first), c.expected) << c.first << ".." << c.last;
  }
}

TEST_F(ExpandTest, EnterAndEscapePressTheButtons) {
  for (auto [key, expected] : {std::pair{VK_RETURN, 1}, std::pair{VK_ESCAPE, -1}}) {
    WhileModal([key = key](T_Window* dialog) {
      ASSERT_NE(dialog->native.handle, nullptr);
      PostMessageA(dialog->native.handle, WM_KEYDOWN, key, 1);
    });
    EXPECT_EQ(RunExpandDialog(nullptr, 4, 1), expected);
  }
}

TEST_F(ExpandTest, WithoutAUserTheDefaultButtonAnswers) {
  T_NoAlerts silent;
  EXPECT_EQ(RunExpandDialog(nullptr, 9, 0), 1);
}

TEST_F(ExpandTest, ShortOfMemoryNoDialogRuns) {
  SetHeapFailHook([](size_t) { return false; });
  int32_t level = RunExpandDialog(nullptr, 9, 1);
  SetHeapFailHook(nullptr);
  EXPECT_EQ(level, -1);
  EXPECT_EQ(PendingError.request.message, kErrorOutOfMemory);
}

// --- Copying options -----------------------------------------------------------------------

class CopyOptionsTest : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    saved = *CopyTableCurrent();
    SettingsStore store;
    SettingsOpen(&store, "QEB/TK", 0);
    SettingsRead(&store, "CopyTable", &storedBefore);
    SettingsClose(&store);
    CopyTableInit(CopyTableCurrent());
  }
  void TearDown() override {
    *CopyTableCurrent() = saved;
    SettingsStore store;
    SettingsOpen(&store, "QEB/TK", 0);
    if (storedBefore.empty()) {
      SettingsDelete(&store, "CopyTable");
    } else {
      SettingsWrite(&store, "CopyTable", storedBefore.data);
    }
    SettingsClose(&store);
    DialogTest::TearDown();
  }
  static std::string Stored() {
    T_TextBuf text;
    SettingsStore store;
    SettingsOpen(&store, "QEB/TK", 0);
    SettingsRead(&store, "CopyTable", &text);
    SettingsClose(&store);
    return text.data;
  }

  // Changes every kind of control: two separators, two check boxes and the data rows.
  static void ChangeEverything(T_Window* dialog) {
    auto* decimal = static_cast<T_ChooseChar*>(FindItem(dialog, kCopyDecimal));
    auto* field = static_cast<T_ChooseChar*>(FindItem(dialog, kCopyFieldSeparator));
    ASSERT_NE(decimal, nullptr);
    ASSERT_NE(field, nullptr);
    decimal->SetSelection(2, kSelectReport);  // ","
    field->SetSelection(3, kSelectReport);    // ";"
    static_cast<T_Checkbox*>(FindItem(dialog, kCopyColumnTitles))->Press();
    static_cast<T_Checkbox*>(FindItem(dialog, kCopySeparateColumns))->Press();
    static_cast<T_Chooser*>(FindItem(dialog, kCopyDataRows))->SetSelection(5, kSelectReport);
  }

  CopyTableSettings saved;
  T_TextBuf storedBefore;
};

TEST_F(CopyOptionsTest, CancelKeepsTheSettings) {
  std::string before = Stored();
  WhileModal([](T_Window* dialog) {
    ChangeEverything(dialog);
    PressButton(dialog, kDialogCancelId);
  });
  RunCopyOptions();
  const CopyTableSettings* now = CopyTableCurrent();
  EXPECT_EQ(now->decimalSeparator, kSeparatorCurrent);
  EXPECT_EQ(now->fieldSeparator, 9);
  EXPECT_EQ(now->flagX, 0);
  EXPECT_EQ(now->flagM, 0);
  EXPECT_EQ(now->code, 0);
  EXPECT_EQ(Stored(), before);
}

TEST_F(CopyOptionsTest, OkMakesTheChangesCurrentAndSavesThem) {
  WhileModal([](T_Window* dialog) {
    ChangeEverything(dialog);
    PressButton(dialog, kDialogOkId);
  });
  RunCopyOptions();
  const CopyTableSettings* now = CopyTableCurrent();
  EXPECT_EQ(now->decimalSeparator, ',');
  EXPECT_EQ(now->fieldSeparator, ';');
  EXPECT_EQ(now->flagX, 1);
  EXPECT_EQ(now->flagM, 1);
  EXPECT_EQ(now->flagK, 0);
  EXPECT_EQ(now->code, 5);
  CopyTableSettings reread;
  CopyTableInit(&reread);
  CopyTableParse(&reread, Stored().c_str());
  EXPECT_EQ(std::memcmp(&reread, now, sizeof reread), 0) << Stored();
}

TEST_F(CopyOptionsTest, ControlsStartFromTheCurrentSettings) {
  CopyTableParse(CopyTableCurrent(), "D44,F124,QN,RL,K,N,C1");
  WhileModal([](T_Window* dialog) {
    auto* decimal = static_cast<T_ChooseChar*>(FindItem(dialog, kCopyDecimal));
    auto* field = static_cast<T_ChooseChar*>(FindItem(dialog, kCopyFieldSeparator));
    auto* rowEnd = static_cast<T_ChooseChar*>(FindItem(dialog, kCopyRowEnd));
    EXPECT_EQ(decimal->CodeOfItem(decimal->current), ',');
    EXPECT_EQ(field->CodeOfItem(field->current), '|');  // the custom item
    EXPECT_TRUE(field->HasCustom());
    EXPECT_EQ(rowEnd->CodeOfItem(rowEnd->current), kCharCrLf);
    EXPECT_TRUE(static_cast<T_Checkbox*>(FindItem(dialog, kCopyExcludeQuotes))->checked);
    EXPECT_TRUE(static_cast<T_Checkbox*>(FindItem(dialog, kCopyNotes))->checked);
    EXPECT_FALSE(static_cast<T_Checkbox*>(FindItem(dialog, kCopyWindowTitle))->checked);
    EXPECT_EQ(static_cast<T_Chooser*>(FindItem(dialog, kCopyDataRows))->current, 3);
    PressButton(dialog, kDialogCancelId);
  });
  RunCopyOptions();
}

// --- Closing the dialogs of a database -----------------------------------------------------

class T_BaseDialog : public T_HDialog {
 public:
  T_BaseDialog(T_Base* database, T_Window* owner, bool buttons)
      : T_HDialog(200, 90, database, owner) {
    if (buttons) Dialog_AddButtons(this, nullptr, nullptr);
  }
  void OnButton(T_GrafElement* button) override {
    answers.push_back(Dialog_IsOk(button) ? "OK" : "Cancel");
    Dialog_EndModal(this);
  }
  std::vector<std::string> answers;
};

using CloseDialogsTest = DialogTest;

TEST_F(CloseDialogsTest, AnswersTheDialogsOfTheDatabaseOnce) {
  FakeBase mine;
  FakeBase other;
  T_BaseDialog outer(mine.base(), nullptr, true);
  T_BaseDialog inner(nullptr, &outer, true);  // belongs through its owner
  T_BaseDialog foreign(other.base(), nullptr, true);
  bool closed = false;
  bool again = false;
  WhileModal([&](T_Window*) {
    WhileModal([&](T_Window*) {
      WhileModal([&](T_Window*) {
        closed = CloseDialogsOfDatabase(mine.base(), kDialogAnswerOk);
        again = CloseDialogsOfDatabase(mine.base(), kDialogAnswerCancel);  // already answered
        EXPECT_TRUE(foreign.answers.empty());
        PressButton(&foreign, kDialogCancelId);
      });
      Dialog_Run(&foreign);
    });
    Dialog_Run(&inner);
  });
  Dialog_Run(&outer);
  EXPECT_TRUE(closed);
  EXPECT_TRUE(again);
  EXPECT_EQ(outer.answers, std::vector<std::string>{"OK"});
  EXPECT_EQ(inner.answers, std::vector<std::string>{"OK"});
  EXPECT_EQ(foreign.answers, std::vector<std::string>{"Cancel"});
}

TEST_F(CloseDialogsTest, ADialogWithoutButtonsRefuses) {
  FakeBase mine;
  T_BaseDialog dialog(mine.base(), nullptr, false);
  bool closed = true;
  WhileModal([&](T_Window* running) {
    closed = CloseDialogsOfDatabase(mine.base(), kDialogAnswerCancel);
    EXPECT_TRUE(running->active);
    Dialog_EndModal(running);
  });
  Dialog_Run(&dialog);
  EXPECT_FALSE(closed);
  EXPECT_TRUE(dialog.answers.empty());
}

TEST_F(CloseDialogsTest, ADialogTakesItsDatabasesLinkContext) {
  FakeBase mine;
  T_LinkContext* context = reinterpret_cast<T_LinkContext*>(&mine);
  mine.context = context;
  SetDatabaseOperations(&kFakeOperations);
  T_BaseDialog dialog(mine.base(), nullptr, true);
  EXPECT_EQ(dialog.linkContext, context);
  EXPECT_EQ(FindItem(&dialog, kDialogOkId)->linkContext, context);
  EXPECT_EQ(WindowDatabase(&dialog), mine.base());
}

// --- Confirmations -------------------------------------------------------------------------

using ConfirmTest = DialogTest;

TEST_F(ConfirmTest, TruncateAsksOnlyForLongTexts) {
  std::string hundred;
  for (int i = 0; i < 100; ++i) hundred += static_cast<char>('a' + i % 26);
  struct Case {
    std::string text;
    int32_t limit;
    std::deque<int32_t> answers;
    bool result;
    std::string after;
    std::string quoted;  // "" when nothing is asked
  } cases[] = {
      {hundred, 100, {}, true, hundred, ""},
      {hundred, 40, {0}, true, hundred.substr(0, 40), hundred.substr(0, 32)},
      {hundred, 40, {kButtonOk}, true, hundred.substr(0, 40), hundred.substr(0, 32)},
      {hundred, 40, {1}, false, hundred, hundred.substr(0, 32)},
      {hundred, 40, {kButtonCancel}, false, hundred, hundred.substr(0, 32)},
      {hundred, 10, {4}, true, hundred.substr(0, 10), hundred.substr(0, 10)},  // another answer
      // "é" is two bytes: neither the quote nor the cut may split it.
      {"abcdefghi\xC3\xA9xyz", 10, {0}, true, "abcdefghi", "abcdefghi"},
  };
  for (const Case& c : cases) {
    alerts->asked.clear();
    alerts->answers = c.answers;
    T_TextBuf text(c.text.c_str());
    EXPECT_EQ(ConfirmTruncate(&text, c.limit, nullptr), c.result) << c.limit;
    EXPECT_EQ(std::string(text.data), c.after);
    if (c.quoted.empty()) {
      EXPECT_TRUE(alerts->asked.empty());
      continue;
    }
    ASSERT_EQ(alerts->asked.size(), 1u);
    const AlertRequest& r = alerts->asked[0];
    EXPECT_EQ(r.message, 2100);
    EXPECT_EQ(std::string(r.texts[0]), c.quoted);
    EXPECT_EQ(std::string(r.texts[1]), std::to_string(c.limit));
  }
}

TEST_F(ConfirmTest, DeleteQuotesTheObjectAndDefaultsToCancel) {
  struct Case {
    std::deque<int32_t> answers;
    bool result;
  } cases[] = {{{0}, true}, {{718}, true}, {{1}, false}, {{701}, false}, {{}, false}};
  for (const Case& c : cases) {
    alerts->asked.clear();
    alerts->answers = c.answers;
    EXPECT_EQ(ConfirmDelete(nullptr, 100, "Budget"), c.result);
    ASSERT_EQ(alerts->asked.size(), 1u);
    const AlertRequest& r = alerts->asked[0];
    EXPECT_EQ(FormattedText(r), "Are you sure you want to delete\r\"Noname Budget\"?");
    EXPECT_EQ(r.buttonCount, 2);
    EXPECT_EQ(r.buttons[0], 718);
    EXPECT_EQ(r.buttons[1], 701);
  }
}

TEST_F(ConfirmTest, MarkCardsNamesTheCountAndTheMark) {
  struct Case {
    int32_t command;
    std::deque<int32_t> answers;
    bool result;
    std::string text;
  } cases[] = {
      {2531, {0}, true, "Are you sure you want to mark 1200 cards examined?"},
      {2532, {0}, true, "Are you sure you want to mark 1200 cards approved?"},
      {2532, {1}, false, "Are you sure you want to mark 1200 cards approved?"},
      {2531, {}, false, "Are you sure you want to mark 1200 cards examined?"},
  };
  for (const Case& c : cases) {
    alerts->asked.clear();
    alerts->answers = c.answers;
    EXPECT_EQ(ConfirmMarkCards(nullptr, c.command, 1200), c.result);
    ASSERT_EQ(alerts->asked.size(), 1u);
    EXPECT_EQ(FormattedText(alerts->asked[0]), c.text);
  }
}

}  // namespace
}  // namespace dialogs_test
