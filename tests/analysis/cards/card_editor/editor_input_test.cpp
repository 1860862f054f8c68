// The card editor's rows moved by dragging from the row margin and its cell popup, and the change
// notes it follows: removed components, renamed links and renumbered lines.
#include "core/bit_vector.h"
#include "database/change_notes.h"
#include "database/components.h"
#include "database/link_rename.h"
#include "tests/ui/scripted_popup.h"
#include "tests/ui/scripted_pointer.h"
#include "ui/edit_field.h"

#include "tests/analysis/cards/card_editor/card_editor_fixture.h"

using namespace card_test;

namespace {

TEST_F(CardEditorTest, ADraggedLineMovesAloneAndAGroupOnlyToAGroupBoundary) {
  T_CardEditor* editor = Open("240110-1");
  // Rows: 0 group U1, 1 Rent, 2 Paid, 3 group U2, 4 Share.
  int64_t first = 0, last = 0;
  ASSERT_TRUE(editor->DragBlock(0, &first, &last));
  EXPECT_EQ(last, 2);
  ASSERT_TRUE(editor->DragBlock(1, &first, &last));
  EXPECT_EQ(last, 1);
  struct Case {
    int64_t first, last, over, to;
  } cases[] = {
      {1, 1, 4, 5},   // a line moving down goes after the row under the pointer
      {2, 2, 0, 0},   // moving up, before it
      {1, 1, 1, -1},  // onto itself: nothing
      {0, 2, 4, 5},   // a group moving down goes after the end of the group under the pointer
      {3, 4, 1, 0},   // moving up, before that group's row
      {0, 2, 2, -1},  // inside the dragged block
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.over);
    EXPECT_EQ(editor->DropIndex(c.first, c.last, c.over), c.to);
  }
  editor->MoveRows(3, 4, 0);
  EXPECT_EQ(Rows(editor)[0], "1|U2 South|||||");
  EXPECT_EQ(Rows(editor)[1].substr(0, 16), "2||5010 Rent|Sha");
}

TEST_F(CardEditorTest, DraggingFromTheRowMarginMovesTheRow) {
  T_CardEditor* editor = Open("240110-1");
  int32_t rowHeight = editor->GetRowHeight(0);
  // Press on row 1 in the margin, move down over row 4, release.
  ui_test::SetScript({{2, rowHeight + 3, true}, {2, 4 * rowHeight + 3, true}, {2, 4 * rowHeight + 3, false}});
  InputEvent press{};
  press.x = 2;
  press.y = rowHeight + 3;
  press.leftButton = press.anyButton = 1;
  EXPECT_TRUE(editor->ClickGrid(&press));
  std::vector<std::string> rows = Rows(editor);
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[1].substr(0, 14), "2||1910 Cash|P");
  EXPECT_EQ(rows[3].substr(0, 14), "2||5010 Rent|S");
  EXPECT_EQ(rows[4].substr(0, 14), "2||5010 Rent|R");
}

TEST_F(CardEditorTest, TheCellPopupRunsTheLineCommands) {
  T_CardEditor* editor = Open("240110-2");
  int32_t rowHeight = editor->GetRowHeight(0);
  T_BoxField* text = editor->GetField(editor->FieldOfCode(kFieldLineText));
  std::vector<ui_test::PopupStep> steps = ui_test::ChooseByKeys(2);  // the second entry: Duplicate
  ui_test::SetPopupScript(&steps);
  InputEvent press{};
  press.x = text->column.left + 5;
  press.y = rowHeight + 3;
  press.rightButton = press.anyButton = 1;
  EXPECT_TRUE(editor->ClickGrid(&press));
  ui_test::SetPopupScript(nullptr);
  ASSERT_EQ(editor->RowCount(), 3);
  EXPECT_EQ(Rows(editor)[2], Rows(editor)[1]);
}

TEST_F(CardEditorTest, AnAltClickOnAComponentCellPicksAComponent) {
  T_CardEditor* editor = Open("240110-2");
  int32_t rowHeight = editor->GetRowHeight(0);
  T_BoxField* account = editor->GetField(editor->FieldOfCode(kFieldGroup + 1));
  // The picker opens at the cell's component (3010); one step down is the next account.
  std::vector<ui_test::PopupStep> steps = ui_test::ChooseByKeys(1);
  ui_test::SetPopupScript(&steps);
  InputEvent press{};
  press.x = account->column.left + 5;
  press.y = rowHeight + 3;
  press.leftButton = press.anyButton = press.leftAlt = 1;
  EXPECT_TRUE(editor->ClickGrid(&press));
  ui_test::SetPopupScript(nullptr);
  T_TextBuf cell;
  editor->CellText(&cell, 1, kFieldGroup + 1);
  EXPECT_STREQ(cell.data, "5010 Rent");
}

TEST_F(CardEditorTest, RemovedComponentsBecomeTheirNearestRemainingAncestor) {
  // The parent is the longest code that prefixes the code.
  ComponentRecord* child = AddComponent(base, 1, "50101", "Office rent", nullptr);
  ASSERT_NE(child, nullptr);
  T_CardEditor* editor = Open("240110-1");
  editor->Row(1)->slots[0] = child->number;
  BitVector removed{};
  BitVecInit(&removed, base->componentPool.count, 0);
  BitVecSet(&removed, child->number, true);
  ChangeNote note;
  note.code = kChangeComponentsDeleted;
  note.database = base;
  note.index = 1;
  note.componentSet = &removed;
  editor->OnChange(&note);
  T_TextBuf cell;
  editor->CellText(&cell, 1, kFieldGroup + 1);
  EXPECT_STREQ(cell.data, "5010 Rent");
  BitVecFree(&removed);
}

}  // namespace

namespace {

TEST_F(CardEditorTest, LineLinksSurviveARenumberingOfTheLinePool) {
  T_CardEditor* editor = Open("240110-1");
  void* link = editor->Row(1)->link;
  ChangeNote note;
  note.database = base;
  note.code = kChangeLinesMoving;
  editor->OnChange(&note);
  EXPECT_NE(editor->Row(1)->link, link);
  note.code = kChangeLinesMoved;
  editor->OnChange(&note);
  EXPECT_EQ(editor->Row(1)->link, link);
}

TEST_F(CardEditorTest, ARestrictionToASubsetLeavesOtherLinesOutOfTheOutput) {
  T_CardEditor* editor = Open("240110-2");
  EXPECT_EQ(editor->PrepareRowList(), 1);
  const char* none = "\xC2\xAC" "unbalanced";  // the complement: every group here is unbalanced
  editor->RestrictToSubset(const_cast<char*>(none));
  EXPECT_EQ(editor->PrepareRowList(), 0);
  editor->RestrictToSubset(const_cast<char*>("unbalanced"));
  EXPECT_EQ(editor->PrepareRowList(), 1);
  // A line typed in the editor is in no stored line set.
  ASSERT_TRUE(editor->InsertRow(2));
  editor->StoreCellText(2, kFieldLineText, "new");
  EXPECT_EQ(editor->PrepareRowList(), 1);
  editor->RestrictToSubset(nullptr);
  EXPECT_EQ(editor->PrepareRowList(), 2);
}

TEST_F(CardEditorTest, TheIdFieldKeysStepTheDate) {
  T_CardEditor* editor = Open("240110-2");
  Item_TakeFocus(editor->idEdit);
  struct Case {
    uint16_t key;
    bool control;
    PackedDate date;
  } cases[] = {
      {kKeyUp, false, PackDate(2024, 2, 10)},     // a month forward
      {kKeyDown, false, PackDate(2024, 1, 10)},   // and back: the stored date keeps its id
      {kKeyRight, true, PackDate(2024, 1, 11)},   // a day
      {kKeyLeft, true, PackDate(2024, 1, 10)},
      {kKeyPageUp, false, PackDate(2025, 1, 10)},  // a year
      {kKeyPageDown, false, PackDate(2024, 1, 10)},
  };
  for (const Case& c : cases) {
    InputEvent key{};
    key.keyCode = c.key;
    key.control = c.control;
    EXPECT_TRUE(editor->KeyDown(&key, editor->idEdit));
    EXPECT_EQ(editor->cardId.date, c.date) << c.key;
  }
  EXPECT_EQ(editor->cardId.sequence, 2);
  T_TextBuf shown;
  editor->idEdit->GetText(&shown);
  EXPECT_STREQ(shown.data, "240110-002");
}

}  // namespace
