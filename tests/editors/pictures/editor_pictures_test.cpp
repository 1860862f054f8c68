// A contact sheet of the editors: the password dialog in its layouts, the protection window, the
// web-user editor with one and with several rows selected, the macro editor, the time scale
// editor, the dimension editor in its three indentation modes and with drag feedback, its
// properties and sort dialogs, every page of the subset editor and the subset box, each painted
// offscreen into a picture (editor_*.bmp, turned into PNG files by the build) for a person to
// look at. The checks make sure that the controls drew something and that no translation breaks
// the layout.
#include <gtest/gtest.h>

#include <string>

#include "database/component_lookup.h"
#include "database/components.h"
#include "database/macros.h"
#include "database/subsets.h"
#include "database/protection.h"
#include "database/date_ref.h"
#include "database/time_scale.h"
#include "database/web_users.h"
#include "editors/dimension_dialogs.h"
#include "editors/dimension_editor.h"
#include "editors/macro_editor.h"
#include "editors/password_dialog.h"
#include "editors/protection_editor.h"
#include "editors/subset_editor.h"
#include "editors/time_scale_editor.h"
#include "editors/web_user_editor.h"
#include "tests/editors/editors_fixture.h"
#include "tests/ui/translated_layout.h"
#include "tests/ui/window_picture.h"
#include "ui/edit_field.h"
#include "ui/list_box.h"
#include "ui/mode_tree.h"

namespace editors_test {
namespace {

using ui_test::Capture;
using ui_test::ExpectDrawn;
using ui_test::Picture;
using ui_test::Save;

using EditorPictures = EditorTest;

// Also: no translation adds a fault to the layout check of what is pictured.
void Snap(T_Window* window, const std::string& name, const RECT& drawn) {
  Picture picture = Capture(window);
  ASSERT_FALSE(picture.pixels.empty());
  Save(picture, ("editor_" + name + ".bmp").c_str());
  ExpectDrawn(picture, drawn, 20);
  for (const ui_test::TestLanguage& row : ui_test::kTranslations) {
    ui_test::LayoutFaults added = ui_test::FaultsAddedByLanguage(window, row.language);
    EXPECT_TRUE(added.empty()) << name << " in " << row.name << "\n" << added;
  }
}

TEST_F(EditorPictures, PasswordDialogLayouts) {
  const struct {
    int32_t prompt;
    int32_t flags;
    const char* name;
  } layouts[] = {{0, 0, "password_plain"},
                 {7221, 0, "password_prompt"},
                 {7221, kPwEnterKeychain, "password_keychain"}};
  for (const auto& layout : layouts) {
    WhileModal([&](T_Window* dialog) {
      static_cast<T_PwEnter*>(dialog)->edit->SetText("secret");
      // The edit holds the focus: its text is in the native overlay, which the capture leaves
      // out; the label beside it is the toolkit's.
      Snap(dialog, layout.name, RECT{0, layout.prompt ? 52 : 15, 95, layout.prompt ? 67 : 30});
      PressButton(dialog, kDialogCancelId);
    });
    T_TextBuf password;
    RunPasswordDialog(base, &password, layout.prompt, "Budget.qeb", layout.flags, nullptr);
  }
}

TEST_F(EditorPictures, DocumentEditors) {
  SetProtectionPassword(base->protection, "secret");
  PasswordAnswerInAdvance("secret");
  T_PwEditor* protection = OpenProtectionEditor(base);
  ASSERT_NE(protection, nullptr);
  Snap(protection, "protection", RECT{80, 12, 200, 24});
  EventHandler_CloseAndDelete(protection, 3);

  for (const char* name : {"ann", "bob", "carl"}) {
    WebUser* user = WebUserAt(base->webUsers, WebUserAdd(base->webUsers));
    BlockTextAssign(&user->name, name);
    user->cards = 1;
  }
  PasswordAnswerInAdvance("secret");
  T_WebUserEditor* users = OpenWebUsersEditor(base);
  ASSERT_NE(users, nullptr);
  Snap(users, "web_users_one", RECT{5, 31, 110, 271});
  users->list->SelectAll();
  users->ShowSelection();
  Snap(users, "web_users_several", RECT{5, 31, 110, 271});
  EventHandler_CloseAndDelete(users, 3);

  Macro* macro = MacroCreate(base, "Daily");
  macro->SetText("errorFile run.log -verbose\rexecute Loop\rwrite ran.txt started");
  macro->inExecuteMenu = 1;
  T_MacroEditor* editor = OpenMacroEditor(base, macro);
  ASSERT_NE(editor, nullptr);
  Snap(editor, "macro", RECT{8, 53, 372, 221});
  EventHandler_CloseAndDelete(editor, 3);

  auto* halves = new TimeScale(base, "Halves");
  CardId starts[2];
  parseDate(&starts[0], "050101", 6, kDirectionFrom);
  parseDate(&starts[1], "050701", 6, kDirectionFrom);
  TimeScaleAppendPeriod(halves, &starts[0], "First half");
  TimeScaleAppendPeriod(halves, &starts[1], "Second half");
  T_TScaleEditor* scales = OpenTimeScaleEditor(base, halves);
  ASSERT_NE(scales, nullptr);
  Snap(scales, "time_scale", RECT{1, 41, 199, 65});
  EventHandler_CloseAndDelete(scales, 3);
}

TEST_F(EditorPictures, DimensionEditorAndItsDialogs) {
  const char* rows[][3] = {{"1", "Assets", "A"},   {"10", "Cash", ""},      {"101", "Till", "T1"},
                           {"102", "Bank", "B1"},  {"2", "Debts", ""},      {"20", "Loans", "L"},
                           {"201", "Mortgage", ""}, {"3", "Income", "I"}};
  for (const auto& row : rows) AddComponent(base, 0, row[0], row[1], row[2]);
  T_DimEditor* editor = OpenDimEditorAtComponent(base, 0, FindByCode(base, 0, "201")->number, 0);
  ASSERT_NE(editor, nullptr);
  DimTreeExpandAll(&editor->tree, &editor->tree.root);
  editor->ShowRows(editor->tree.rows[3]);
  const char* modes[] = {"dimension_indent_none", "dimension_indent_six", "dimension_indent_ten"};
  for (int32_t mode = 0; mode < 3; ++mode) {
    editor->indentation = mode;
    editor->InvalidateGrid();
    Snap(editor, modes[mode], RECT{2, 60, 80, 150});
  }
  // A drag of "102" onto "2" (into it): the target's row framed; then the block inverted.
  editor->dragNode = editor->tree.rows[3];
  editor->dragPressX = editor->CodeLeft() + 3;
  editor->ShowDragFeedback(kDimDragInto, editor->tree.rows[4]);
  Snap(editor, "dimension_drag_into", RECT{2, 60, 80, 150});
  editor->ShowDragFeedback(kDimDragToggle, nullptr);
  Snap(editor, "dimension_drag_toggle", RECT{2, 60, 80, 150});
  editor->dragNode = nullptr;

  WhileModal([&](T_Window* dialog) {
    Snap(dialog, "dimension_properties", RECT{10, 10, 200, 40});
    PressButton(dialog, kDialogCancelId);
  });
  RunDimensionOptions(editor);
  // The sort dialog on the root (a grandchild exists: "Sort sublevels"), then on "10".
  const struct {
    int32_t row;
    const char* name;
  } sorts[] = {{0, "dimension_sort_sublevels"}, {2, "dimension_sort"}};
  for (const auto& sort : sorts) {
    editor->ShowRows(editor->tree.rows[sort.row]);
    WhileModal([&](T_Window* dialog) {
      Snap(dialog, sort.name, RECT{5, 5, 150, 40});
      PressButton(dialog, kDialogCancelId);
    });
    RunDimensionSort(editor, kDimFieldText);
  }
  EventHandler_CloseAndDelete(editor, 3);
}

TEST_F(EditorPictures, SubsetEditorPagesAndBox) {
  AddComponent(base, 0, "G", "Group", nullptr);
  Subset* subset = SubsetCreate(base->subsets, "Large amounts");
  SubsetAppendItem(subset, "Rent");
  SubsetAppendItem(subset, "Wages");
  CombCompile(&subset->combination, "Rent | Wages");
  BlockTextAssign(&subset->notes, "Lines above the monthly limit");
  T_SubsetEditor* editor = OpenSubsetEditorWindow(subset, 0);
  ASSERT_NE(editor, nullptr);
  const struct {
    int32_t mode;
    const char* name;
  } pages[] = {{kSubsetModeSelections, "subset_selections"},
               {kSubsetModeFirstSelection, "subset_selection"},
               {kSubsetModeOptions, "subset_options"},
               {kSubsetModeNotes, "subset_notes"}};
  for (const auto& page : pages) {
    editor->SelectModeById(page.mode);
    Snap(editor, page.name, RECT{0, 40, 110, 120});
  }
  EventHandler_CloseAndDelete(editor, 3);

  SubsetCreate(base->subsets, "Small amounts");
  static constexpr RECT kRect{20, 20, 260, 180};
  auto* window = new T_HWindow(kKindDocument, kWindowCards, &kRect, 0, base, 0);
  auto* box = new T_SubsetBox(window, XYWH{5, 5, 200, 120}, 1, base->subsets);
  EventHandler_Open(box);
  EventHandler_Open(window);
  box->SelectOnly(0);
  Snap(window, "subset_box", RECT{5, 5, 205, 125});
  delete window;
}

}  // namespace
}  // namespace editors_test
