// The macro editor: its name field's width, saving with its questions and unique names,
// running the edited text, the password flag and deleting the edited macro.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/alert.h"
#include "database/macros.h"
#include "database/protection.h"
#include "editors/editor_questions.h"
#include "editors/macro_editor.h"
#include "tests/editors/editors_fixture.h"
#include "ui/button.h"
#include "ui/edit_field.h"

namespace editors_test {
namespace {

using MacroEditor = EditorTest;

std::string Text(const Macro* macro) { return macro && macro->text ? macro->text : ""; }

TEST(MacroNameField, WidthFollowsTheWindow) {
  const int32_t cases[][2] = {{200, 260}, {250, 290}, {350, 365}, {420, 420}, {500, 450}};
  for (const auto& c : cases) EXPECT_EQ(MacroNameFieldWidth(c[0]), c[1]) << c[0];
}

TEST(MacroTextField, HeightFollowsTheLinesWithinItsBounds) {
  std::string many;
  for (int i = 0; i < 100; ++i) many += "beep\r";
  const struct {
    std::string text;
    int32_t height;
  } cases[] = {{"", 60}, {"beep", 60}, {"a\rb\r\nc\nd\re", 71}, {std::string(9, '\r'), 136}, {many, 800}};
  for (const auto& c : cases) EXPECT_EQ(MacroTextFieldHeight(c.text.c_str()), c.height) << c.text;
}

TEST_F(MacroEditor, ThePreferredHeightLetsTheTextFieldGrow) {
  Macro* daily = MacroCreate(base, "Daily");
  daily->SetText("beep\rbeep\rbeep\rbeep\rbeep\rbeep\rbeep\rbeep\rbeep\rbeep");
  T_MacroEditor* editor = OpenMacroEditor(base, daily);
  ASSERT_NE(editor, nullptr);
  POINT size{0, 0};
  editor->GetPreferredSize(&size);
  EXPECT_EQ(size.x, T_MacroEditor::kWidth);
  EXPECT_EQ(size.y, T_MacroEditor::kHeight - 168 + 10 * 13 + 6);
  EXPECT_TRUE(EventHandler_CloseAndDelete(editor, 3));
}

TEST_F(MacroEditor, ANewMacroIsAddedUnderAUniqueName) {
  MacroCreate(base, "Macro");
  T_MacroEditor* editor = OpenMacroEditor(base, nullptr);
  ASSERT_NE(editor, nullptr);
  EXPECT_STREQ(editor->Title(), "Macro");
  // Nothing typed: closes without a question.
  EXPECT_TRUE(EventHandler_CloseAndDelete(editor, 0));
  EXPECT_TRUE(alerts->asked.empty());

  editor = OpenMacroEditor(base, nullptr);
  editor->textField->SetText("beep");
  editor->menuFlag->SetChecked(true);
  alerts->answers.push_back(kButtonAdd);
  EXPECT_TRUE(EventHandler_CloseAndDelete(editor, 0));
  EXPECT_EQ(Asked(), std::vector<int32_t>{kAskAdd});
  EXPECT_STREQ(alerts->asked[0].texts[0], "Macro 1");
  Macro* added = base->FindMacro("Macro 1");
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(Text(added), "beep");
  EXPECT_EQ(added->inExecuteMenu, 1);
  EXPECT_EQ(added->runAtOpen, 0);
}

TEST_F(MacroEditor, ChangesAskAndAddKeepsTheEditedMacro) {
  Macro* daily = MacroCreate(base, "Daily");
  daily->SetText("beep");
  struct Case {
    int32_t answer;
    const char* name;  // typed into the name field
    bool closes;
    const char* dailyText;
    const char* added;  // the new macro's name, or null
  };
  const Case cases[] = {
      {kButtonCancel, "Daily", false, "beep", nullptr},
      {kButtonDontChange, "Daily", true, "beep", nullptr},
      {kButtonAdd, "Daily", true, "beep", "Daily 1"},
      {kButtonChange, "Daily", true, "quit", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    alerts->asked.clear();
    T_MacroEditor* editor = OpenMacroEditor(base, daily);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(OpenMacroEditor(base, daily), editor);  // one editor per macro
    editor->nameField->SetText(c.name);
    editor->textField->SetText("quit");
    alerts->answers.push_back(c.answer);
    EXPECT_EQ(EventHandler_CloseAndDelete(editor, 0), c.closes);
    EXPECT_EQ(Asked(), std::vector<int32_t>{kAskChange});
    EXPECT_EQ(Text(daily), c.dailyText);
    if (c.added) {
      EXPECT_EQ(Text(base->FindMacro(c.added)), "quit");
      MacroDelete(base->FindMacro(c.added));
    }
    if (!c.closes) EventHandler_CloseAndDelete(editor, 3);  // code 3: no question, no save
  }
  // A new name is the macro's own; a flag alone is a change too.
  T_MacroEditor* editor = OpenMacroEditor(base, daily);
  editor->nameField->SetText(" Weekly ");
  editor->startFlag->SetChecked(true);
  alerts->answers.push_back(kButtonChange);
  EXPECT_TRUE(EventHandler_CloseAndDelete(editor, 0));
  EXPECT_EQ(base->FindMacro("Weekly"), daily);
  EXPECT_EQ(daily->runAtOpen, 1);
  EXPECT_EQ(base->FindMacro("Daily"), nullptr);
}

TEST_F(MacroEditor, ExecuteRunsTheEditedTextAndDeleteRemovesTheMacro) {
  Macro* tools = MacroCreate(base, "Tools");
  tools->SetText("beep");
  MacroCreate(base, "Other");
  T_MacroEditor* editor = OpenMacroEditor(base, tools);
  editor->textField->SetText("deleteMacro Other");
  editor->OnButton(editor->executeButton);
  EXPECT_EQ(base->FindMacro("Other"), nullptr);
  EXPECT_EQ(Text(tools), "beep");  // the edited text ran; the stored one stays

  alerts->answers.push_back(kButtonCancel);
  EXPECT_FALSE(DeleteMacroOfEditor(editor));
  EXPECT_EQ(base->FindMacro("Tools"), tools);
  alerts->answers.push_back(kButtonDelete);
  EXPECT_TRUE(DeleteMacroOfEditor(editor));
  EXPECT_EQ(base->FindMacro("Tools"), nullptr);
  EXPECT_EQ(FindWindowOfKind(kWindowMacro, base), nullptr);
  EXPECT_EQ(Asked(), (std::vector<int32_t>{kAskDelete, kAskDelete}));
}

TEST_F(MacroEditor, APasswordFlaggedMacroAsksBeforeItsEditorOpens) {
  Macro* secret = MacroCreate(base, "Secret");
  secret->passwordRequired = 1;
  SetProtectionPassword(base->protection, "pw");
  PasswordAnswerInAdvance("wrong");
  EXPECT_EQ(OpenMacroEditor(base, secret), nullptr);
  EXPECT_EQ(Asked(), std::vector<int32_t>{3814});
  PasswordAnswerInAdvance("PW");
  T_MacroEditor* editor = OpenMacroEditor(base, secret);
  ASSERT_NE(editor, nullptr);
  EXPECT_TRUE(editor->passwordFlag->checked);
  // The database's commands reach the editors through the installed hooks.
  alerts->answers.push_back(kButtonDelete);
  EXPECT_TRUE(base->DoCommand(2541));
  EXPECT_EQ(base->FindMacro("Secret"), nullptr);
  EXPECT_TRUE(base->DoCommand(2540));
  EXPECT_NE(FindWindowOfKind(kWindowMacro, base), nullptr);
}

}  // namespace
}  // namespace editors_test
