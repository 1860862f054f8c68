// The web-user editor: its working copy, renames that fall back or drop a user, the question on
// closing, and export and import through the window.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/files.h"
#include "database/change_notes.h"
#include "database/protection.h"
#include "database/web_users.h"
#include "editors/editor_questions.h"
#include "editors/web_user_editor.h"
#include "tests/editors/editors_fixture.h"
#include "ui/button.h"
#include "ui/edit_field.h"
#include "ui/frame_items.h"
#include "ui/list_box.h"
#include "ui/native_menu.h"
#include "ui/menu_model.h"
#include "ui/popup_menu.h"
#include "ui/clipboard_data.h"
#include "core/file_dialogs.h"
#include "core/localized_text.h"
#include "editors/editor_menus.h"

namespace editors_test {
namespace {

using WebUserEditor = EditorTest;

void AddUser(WebUserList* list, const char* name, const char* password) {
  WebUser* user = WebUserAt(list, WebUserAdd(list));
  BlockTextAssign(&user->name, name);
  BlockTextAssign(&user->password, password);
}

void Type(T_WebUserEditor* editor, T_Edit* field, const char* text) {
  field->SetText(text);
  editor->OnEditEvent(field, kEditCommit);
}

std::string Names(const WebUserList* list) {
  std::string names;
  for (int64_t i = 0; i < WebUserCount(list); ++i) {
    const char* name = WebUserAt(list, i)->name;
    names += std::string(name ? name : "-") + " ";
  }
  return names;
}

TEST_F(WebUserEditor, OpensOnACopyBehindThePassword) {
  SetProtectionPassword(base->protection, "pw");
  PasswordAnswerInAdvance(nullptr);
  EXPECT_EQ(OpenWebUsersEditor(base), nullptr);  // cancelled: no error, no window
  EXPECT_TRUE(alerts->asked.empty());
  PasswordAnswerInAdvance("PW");
  T_WebUserEditor* editor = OpenWebUsersEditor(base);
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(OpenWebUsersEditor(base), editor);
  EXPECT_EQ(std::string(editor->Title()), "Web users for \"Noname 1.qeb\"");
  // No users yet: one empty user, selected, its frames enabled.
  EXPECT_EQ(Names(editor->working), "- ");
  EXPECT_EQ(editor->list->current, 0);
  EXPECT_NE(editor->Shown(), nullptr);
  // Nothing named: equal to the database's empty list, so closing asks nothing.
  EXPECT_TRUE(EventHandler_CloseAndDelete(editor, 0));
  EXPECT_TRUE(alerts->asked.empty());
}

TEST_F(WebUserEditor, RenamesFallBackOrDropTheUser) {
  AddUser(base->webUsers, "ann", "a");
  AddUser(base->webUsers, "bob", "b");
  T_WebUserEditor* editor = OpenWebUsersEditor(base);
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(Names(editor->working), "ann bob ");
  editor->list->SelectOnly(1);
  editor->ShowSelection();
  Type(editor, editor->nameField, "ANN");  // taken: the field falls back
  T_TextBuf shown;
  editor->nameField->GetText(&shown);
  EXPECT_STREQ(shown.c_str(), "bob");
  Type(editor, editor->nameField, " Aaron\t");  // sorted and selected under its new name
  EXPECT_EQ(Names(editor->working), "Aaron ann ");
  EXPECT_EQ(editor->list->current, 0);
  Type(editor, editor->nameField, "");  // dropped; a new empty user takes its place
  EXPECT_EQ(Names(editor->working), "ann - ");
  EXPECT_EQ(editor->list->current, 1);
  EXPECT_EQ(editor->Shown()->name, nullptr);

  // The frames are off while nothing or several rows are selected.
  editor->list->SelectAll();
  editor->ShowSelection();
  EXPECT_EQ(editor->Shown(), nullptr);
  EXPECT_FALSE(editor->frames[0]->enabled);
  EventHandler_CloseAndDelete(editor, 3);
}

TEST_F(WebUserEditor, ClosingAsksAndChangeReplacesTheDatabasesUsers) {
  AddUser(base->webUsers, "ann", "a");
  for (int32_t answer : {kButtonCancel, kButtonDontChange, kButtonChange}) {
    SCOPED_TRACE(answer);
    recorder->codes.clear();
    alerts->asked.clear();
    T_WebUserEditor* editor = OpenWebUsersEditor(base);
    ASSERT_NE(editor, nullptr);
    Type(editor, editor->passwordField, " new\x01pw ");
    editor->flags[3]->SetChecked(true);
    editor->OnCheckbox(editor->flags[3]);
    alerts->answers.push_back(answer);
    EXPECT_EQ(EventHandler_CloseAndDelete(editor, 0), answer != kButtonCancel);
    EXPECT_EQ(alerts->asked.size(), 1u);
    const WebUser* stored = WebUserAt(base->webUsers, 0);
    EXPECT_STREQ(stored->password, answer == kButtonChange ? "newpw" : "a");
    EXPECT_EQ(stored->drilling, answer == kButtonChange ? 1 : 0);
    EXPECT_EQ(std::count(recorder->codes.begin(), recorder->codes.end(), kChangeWebUsers),
              answer == kButtonChange ? 1 : 0);
    if (answer == kButtonCancel) EventHandler_CloseAndDelete(editor, 3);
  }
}

TEST_F(WebUserEditor, ListCommandsCopyPasteDuplicateAndErase) {
  AddUser(base->webUsers, "ann", "a");
  AddUser(base->webUsers, "bob", "b");
  AddUser(base->webUsers, "carl", "c");
  T_WebUserEditor* editor = OpenWebUsersEditor(base);
  ASSERT_NE(editor, nullptr);
  Window_DropFocus(editor);
  editor->list->SelectOnly(1);
  EXPECT_TRUE(editor->DoCommand(kCommandDuplicate));  // the copy gets a name of its own
  EXPECT_EQ(Names(editor->working), "ann bob bob.1 carl ");
  editor->list->SelectOnly(0);
  EXPECT_TRUE(editor->DoCommand(kCommandCopy));
  EXPECT_TRUE(editor->DoCommand(kCommandPaste));  // through the toolkit's clipboard
  EXPECT_EQ(Names(editor->working), "ann ann.1 bob bob.1 carl ");
  editor->list->SelectOnly(1);
  editor->list->SetLineSelected(3, true);
  EXPECT_TRUE(editor->DoCommand(kCommandErase));  // last first; the first erased place stays
  EXPECT_EQ(Names(editor->working), "ann bob carl ");
  EXPECT_EQ(editor->list->current, 1);
  EXPECT_TRUE(editor->DoCommand(kCommandNew));
  EXPECT_EQ(Names(editor->working), "ann bob carl - ");
  EXPECT_EQ(editor->list->current, 3);
  EventHandler_CloseAndDelete(editor, 3);
}

TEST_F(WebUserEditor, ExportAndImportThroughTheWindow) {
  AddUser(base->webUsers, "ann", "a");
  T_WebUserEditor* editor = OpenWebUsersEditor(base);
  T_TextBuf path;
  MakeTempFileName(&path);
  editor->Export(path.c_str(), false);
  editor->ImportFile(path.c_str());
  EXPECT_EQ(Names(editor->working), "ann ann.1 ");
  EXPECT_EQ(editor->list->current, 0);
  DeleteFileA(path.c_str());
  EventHandler_CloseAndDelete(editor, 3);
  EXPECT_TRUE(base->DoCommand(2508));  // the database's command opens it
  EXPECT_NE(FindWindowOfKind(kWindowWebUsers, base), nullptr);
}

TEST_F(WebUserEditor, ImportAndExportEntriesNameWebUsers) {
  T_MenuItem* root = MenuRootCreate();
  auto* import = new T_MenuItem(root, 0, kCommandImportEntry);
  import->SetTitleId(2513);
  auto* exportEntry = new T_MenuItem(root, kMenuDisabled, kCommandExportEntry);
  exportEntry->SetTitleId(2515);
  T_WebUserEditor* editor = OpenWebUsersEditor(base);
  ASSERT_NE(editor, nullptr);
  editor->UpdateCommands();
  EXPECT_TRUE(exportEntry->enabled);  // the one empty record counts as a user
  MenuItem_SetEnabled(exportEntry, false);
  WebUserRemove(editor->working, 0);
  editor->UpdateCommands();
  EXPECT_FALSE(exportEntry->enabled);
  EventHandler_CloseAndDelete(editor, 3);
  AddUser(base->webUsers, "ann", "a");
  editor = OpenWebUsersEditor(base);
  editor->UpdateCommands();
  EXPECT_STREQ(import->Title(), "Import Web Users");
  EXPECT_STREQ(exportEntry->Title(), "Export Web Users");
  EXPECT_TRUE(import->enabled);
  EXPECT_TRUE(exportEntry->enabled);
  SetCurrentLanguage(12);  // inside a sentence the tag is lower-cased
  editor->UpdateCommands();
  EXPECT_STREQ(import->Title(), "Importera webbanvändare");
  SetCurrentLanguage(kLanguageEnglish);

  // The entries run the dialogs; an answered save dialog writes the file, a cancelled one
  // nothing.
  T_TextBuf path;
  MakeTempFileName(&path);
  FileDialogAnswerInAdvance(path.c_str());
  EXPECT_TRUE(editor->DoCommand(kCommandExportEntry));
  FileDialogAnswerInAdvance(path.c_str());
  EXPECT_TRUE(editor->DoCommand(kCommandImportEntry));
  EXPECT_EQ(Names(editor->working), "ann ann.1 ");
  FileDialogAnswerInAdvance(nullptr);
  EXPECT_TRUE(editor->DoCommand(kCommandImportEntry));
  EXPECT_EQ(Names(editor->working), "ann ann.1 ");
  EXPECT_TRUE(Asked().empty());
  DeleteFileA(path.c_str());
  EventHandler_CloseAndDelete(editor, 3);
  delete import;
  delete exportEntry;
}

TEST_F(WebUserEditor, TheListsMenuOffersNewAndTheEditCommands) {
  AddUser(base->webUsers, "ann", "a");
  AddUser(base->webUsers, "bob", "b");
  T_WebUserEditor* editor = OpenWebUsersEditor(base);
  ASSERT_NE(editor, nullptr);
  auto offered = [&] {
    ContextMenuRecord record;
    record.owner = editor->list;
    editor->ContextMenu(&record, kMenuPhaseList);
    std::vector<int32_t> ids;
    for (int i = 0; record.commands.list && record.commands.list[i]; ++i) {
      if (record.commands.list[i] != kPopupSeparator) ids.push_back(record.commands.list[i]);
    }
    return ids;
  };
  ClipboardSetText("x", 1, 0);
  ClipboardRefreshKind();
  editor->list->SelectOnly(0);
  EXPECT_EQ(offered(), (std::vector<int32_t>{2520, kEditMenuCut, kEditMenuCopy, kEditMenuPaste,
                                             kEditMenuErase, kEditMenuDuplicate, kEditMenuSelectAll}));
  editor->list->SelectAll();
  EXPECT_EQ(offered(), (std::vector<int32_t>{2520, kEditMenuCut, kEditMenuCopy, kEditMenuPaste,
                                             kEditMenuErase, kEditMenuDuplicate}));
  ContextMenuRecord run;
  run.owner = editor->list;
  run.phase = kMenuPhaseRun;
  run.entry = 2520;
  editor->ContextMenu(&run, kMenuPhaseRun);
  EXPECT_EQ(Names(editor->working), "ann bob - ");
  run.entry = kEditMenuErase;
  editor->ContextMenu(&run, kMenuPhaseRun);
  EXPECT_EQ(Names(editor->working), "ann bob ");
  EventHandler_CloseAndDelete(editor, 3);
}

}  // namespace
}  // namespace editors_test
