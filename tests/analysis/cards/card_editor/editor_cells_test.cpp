// Cells of the card editor: loading a card into rows, value expressions over the group, component
// and text cells, the line commands, and lines through the clipboard.
#include <cmath>

#include "tests/analysis/cards/card_editor/card_editor_fixture.h"
#include "ui/clipboard_data.h"

using namespace card_test;

namespace {

TEST_F(CardEditorTest, LoadsGroupsAndLinesAsRows) {
  T_CardEditor* editor = Open("240110-1");
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(GetEditorCard(editor), CardAt("240110-1"));
  EXPECT_EQ(Rows(editor), (std::vector<std::string>{
                              "1|U1 North|||||",
                              "2||5010 Rent|Rent|1,000.00|1.00|P1 Alpha",
                              "2||1910 Cash|Paid|-1,000.00||",
                              "1|U2 South|||||",
                              "2||5010 Rent|Share|250.00||",
                          }));
  EXPECT_STREQ(editor->title, "Rent January");
  EXPECT_TRUE(editor->notesShown);
}

TEST_F(CardEditorTest, ValueExpressionsSeeTheirGroup) {
  T_CardEditor* editor = Open("240110-1");
  ASSERT_NE(editor, nullptr);
  editor->SetCurrentRow(2);
  struct Case {
    const char* typed;
    int64_t row;
    int32_t column;
    double value;
  } cases[] = {
      {"bal", 2, 0, -1000},   // the other line of the group
      {"=", 2, 0, -1000},
      {"sum", 2, 0, 1000},
      {"prev", 1, 0, 0},      // the first line of its group
      {"\"", 2, 0, 1000},     // ditto: the line above
      {"prev*2", 2, 0, 2000},
      {"Amount+Qty", 1, 0, 1001},
      {"", 2, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    double value = NAN;
    T_TextBuf shown;
    ASSERT_TRUE(CardEditor_evalCellExpression(editor, c.typed, c.column, c.row, &value, &shown));
    EXPECT_DOUBLE_EQ(value, c.value);
  }
}

TEST_F(CardEditorTest, BalanceOfAGroupWithOneHundredAndMinusThirty) {
  T_CardEditor* editor = Open("240110-2");
  ASSERT_NE(editor, nullptr);
  editor->StoreCellText(1, 1, "100");
  ASSERT_TRUE(editor->InsertRow(2));
  editor->StoreCellText(2, 1, "-30");
  ASSERT_TRUE(editor->InsertRow(3));
  editor->StoreCellText(3, 1, "bal");
  EXPECT_DOUBLE_EQ(editor->Row(3)->values[0], -70);
  T_TextBuf cell;
  editor->CellText(&cell, 3, 1);
  EXPECT_STREQ(cell.data, "-70.00");
}

TEST_F(CardEditorTest, ARefusedFormulaKeepsTheOldValueAndSaysWhy) {
  T_CardEditor* editor = Open("240110-2");
  ASSERT_NE(editor, nullptr);
  std::string deep(200, '(');
  deep += "1";
  editor->StoreCellText(1, 1, deep.c_str());
  EXPECT_DOUBLE_EQ(editor->Row(1)->values[0], -400);
  ASSERT_FALSE(answers.shown.empty());
  EXPECT_EQ(answers.shown.back().substr(0, 4), "2131");
}

TEST_F(CardEditorTest, ComponentCellsResolveByCodeHostCodeOrTextAndClearWhenEmpty) {
  T_CardEditor* editor = Open("240110-2");
  ASSERT_NE(editor, nullptr);
  T_TextBuf cell;
  editor->StoreCellText(1, kFieldGroup + 1, "Rent");
  editor->CellText(&cell, 1, kFieldGroup + 1);
  EXPECT_STREQ(cell.data, "5010 Rent");
  editor->StoreCellText(1, kFieldGroup + 2, "P1");
  editor->CellText(&cell, 1, kFieldGroup + 2);
  EXPECT_STREQ(cell.data, "P1 Alpha");
  editor->StoreCellText(1, kFieldGroup + 2, "");
  editor->CellText(&cell, 1, kFieldGroup + 2);
  EXPECT_STREQ(cell.data, "");
  // A group row takes only its group component; a line row never does.
  editor->StoreCellText(0, kFieldLineText, "ignored");
  editor->StoreCellText(1, kFieldGroup, "U2");
  EXPECT_EQ(Rows(editor)[0], "1|U1 North|||||");
  EXPECT_EQ(Rows(editor)[1].substr(0, 3), "2||");
  EXPECT_FALSE(editor->CanSelectCell(0, editor->FieldOfCode(kFieldLineText)));
  EXPECT_FALSE(editor->CanSelectCell(1, editor->FieldOfCode(kFieldGroup)));
}

TEST_F(CardEditorTest, LineCommandsInsertDuplicateRemoveAndMove) {
  T_CardEditor* editor = Open("240110-2");
  ASSERT_NE(editor, nullptr);
  editor->SetCurrentRow(1);
  ASSERT_TRUE(editor->DoCommand(kCommandDuplicateLine));
  ASSERT_EQ(editor->RowCount(), 3);
  EXPECT_EQ(Rows(editor)[2], Rows(editor)[1]);
  EXPECT_NE(editor->Row(2)->text, editor->Row(1)->text);  // a copy of the text
  EXPECT_EQ(editor->Row(2)->link, nullptr);
  ASSERT_TRUE(editor->DoCommand(kCommandNewRow));
  EXPECT_EQ(editor->RowCount(), 4);
  EXPECT_EQ(editor->Row(3)->kind, kRowEmpty);
  editor->StoreCellText(3, kFieldLineText, "Moved");
  EXPECT_TRUE(editor->MoveRow(3, -1));
  EXPECT_STREQ(editor->Row(2)->text, "Moved");
  EXPECT_FALSE(editor->MoveRow(0, -1));
  editor->SetCurrentRow(2);
  ASSERT_TRUE(editor->DoCommand(kCommandRemoveLine));
  EXPECT_EQ(editor->RowCount(), 3);
  // The only row left is cleared, never removed.
  while (editor->RowCount() > 1) editor->RemoveRow(0);
  editor->RemoveRow(0);
  EXPECT_EQ(editor->RowCount(), 1);
  EXPECT_EQ(editor->Row(0)->kind, kRowEmpty);
}

TEST_F(CardEditorTest, LineCommandsActOnTheRowOfTheSelectedCell) {
  T_CardEditor* editor = Open("240110-1");
  editor->SetCurrentRow(1);
  // The cursor reached row 4 by keys the editor did not see one by one.
  editor->SelectEditCell(4, editor->FieldOfCode(kFieldLineText));
  ASSERT_TRUE(editor->DoCommand(kCommandRemoveLine));
  EXPECT_EQ(editor->RowCount(), 4);
  EXPECT_STREQ(editor->Row(1)->text, "Rent");
}

TEST_F(CardEditorTest, ALineLeftWithoutContentBecomesAnEmptyRow) {
  T_CardEditor* editor = Open("240110-2");
  ASSERT_NE(editor, nullptr);
  ASSERT_TRUE(editor->InsertRow(2));
  editor->StoreCellText(2, kFieldLineText, "x");
  editor->SetCurrentRow(2);
  editor->StoreCellText(2, kFieldLineText, "");
  editor->SetCurrentRow(1);
  EXPECT_EQ(editor->Row(2)->kind, kRowEmpty);
  // A not-a-number value counts as content.
  editor->StoreCellText(2, kFieldLineText, "y");
  editor->Row(2)->values[1] = NAN;
  BlockTextFree(&editor->Row(2)->text);
  editor->SetCurrentRow(2);
  editor->SetCurrentRow(1);
  EXPECT_EQ(editor->Row(2)->kind, kRowLine);
}

TEST_F(CardEditorTest, CopyLineWritesOneEscapedLineElement) {
  T_CardEditor* editor = Open("240110-1");
  ASSERT_NE(editor, nullptr);
  T_TextBuf xml;
  CardEditor_copyLineXml(editor, 4, &xml);
  EXPECT_STREQ(xml.data, "<line dim2=\"5010\" text=\"Share\" value=\"250\" value2=\"0\"/>");
  BlockTextAssign(&editor->Row(4)->text, "A \"quoted\" & <odd> text");
  CardEditor_copyLineXml(editor, 4, &xml);
  EXPECT_STREQ(xml.data,
               "<line dim2=\"5010\" text=\"A &quot;quoted&quot; &amp; &lt;odd&gt; text\" value=\"250\" "
               "value2=\"0\"/>");
  CardEditor_copyLineXml(editor, 0, &xml);
  EXPECT_STREQ(xml.data, "<line/>");
}

TEST_F(CardEditorTest, PasteLineFillsARowAndLeavesGroupRowsAlone) {
  T_CardEditor* editor = Open("240110-1");
  ASSERT_NE(editor, nullptr);
  T_TextBuf xml;
  BlockTextAssign(&editor->Row(1)->text, "A \"quoted\" & <odd> text");
  CardEditor_copyLineXml(editor, 1, &xml);
  EXPECT_FALSE(CardEditor_pasteLineXml(editor, 0, xml.data));
  EXPECT_EQ(Rows(editor)[0], "1|U1 North|||||");
  ASSERT_TRUE(editor->InsertRow(5));
  ASSERT_TRUE(CardEditor_pasteLineXml(editor, 5, xml.data));
  EXPECT_EQ(Rows(editor)[5], "2||5010 Rent|A \"quoted\" & <odd> text|1,000.00|1.00|P1 Alpha");
  // Unknown attributes and components leave their slots unset; a wrong tag takes nothing.
  ASSERT_TRUE(CardEditor_pasteLineXml(editor, 5, "<line dim2=\"9999\" colour=\"red\" value2=\"7\"/>"));
  EXPECT_EQ(Rows(editor)[5], "2|||||7.00|");
  EXPECT_FALSE(CardEditor_pasteLineXml(editor, 5, "<row value=\"1\"/>"));
  // An element cut off is read as far as it goes, and only into the current row.
  std::vector<std::string> before = Rows(editor);
  std::string cut = "<line text=\"" + std::string(40000, 'x');
  CardEditor_pasteLineXml(editor, 5, cut.c_str());
  std::vector<std::string> after = Rows(editor);
  ASSERT_EQ(after.size(), before.size());
  for (size_t i = 0; i < before.size(); ++i)
    if (i != 5) {
      EXPECT_EQ(after[i], before[i]);
    }
}

TEST_F(CardEditorTest, PasteLinesAddsGroupsWhereTheGroupChanges) {
  T_CardEditor* editor = Open("240110-2");
  ASSERT_NE(editor, nullptr);
  const char* table =
      "U2\t3010\tFirst\t10\t1\tP1\r\n"
      "\t\tSecond\t20\r\n"
      "\t\t\t\r\n"
      "U1\t1910\tThird\t-30\r\n";
  EXPECT_EQ(CardEditor_pasteLines(editor, 1, table), 3);
  EXPECT_EQ(Rows(editor), (std::vector<std::string>{
                              "1|U1 North|||||",
                              "2||3010 Sales|Sold|-400.00||",
                              "1|U2 South|||||",
                              "2||3010 Sales|First|10.00|1.00|P1 Alpha",
                              "2|||Second|20.00||",
                              "1|U1 North|||||",
                              "2||1910 Cash|Third|-30.00||",
                          }));
  EXPECT_EQ(CardEditor_clipboardKind(table), 2);
  EXPECT_EQ(CardEditor_clipboardKind("  <line/>"), 1);
  EXPECT_EQ(CardEditor_clipboardKind("plain"), 0);
}

TEST_F(CardEditorTest, LinesPastedInsideAGroupLeaveTheLinesAfterThemInTheirGroup) {
  T_CardEditor* editor = Open("240110-1");
  EXPECT_EQ(CardEditor_pasteLines(editor, 1, "U2\t3010\tInserted\t5\r\n"), 1);
  EXPECT_EQ(Rows(editor), (std::vector<std::string>{
                              "1|U1 North|||||",
                              "2||5010 Rent|Rent|1,000.00|1.00|P1 Alpha",
                              "1|U2 South|||||",
                              "2||3010 Sales|Inserted|5.00||",
                              "1|U1 North|||||",
                              "2||1910 Cash|Paid|-1,000.00||",
                              "1|U2 South|||||",
                              "2||5010 Rent|Share|250.00||",
                          }));
}

TEST_F(CardEditorTest, AnUnknownComponentKeepsTheCell) {
  T_CardEditor* editor = Open("240110-2");
  answers.shown.clear();
  editor->StoreCellText(1, kFieldGroup + 1, "9999");
  T_TextBuf cell;
  editor->CellText(&cell, 1, kFieldGroup + 1);
  EXPECT_STREQ(cell.data, "3010 Sales");
}

TEST_F(CardEditorTest, CopyAndPasteGoThroughTheClipboard) {
  T_CardEditor* editor = Open("240110-1");
  ASSERT_NE(editor, nullptr);
  editor->SetCurrentRow(1);
  ASSERT_TRUE(editor->DoCommand(kCommandCopyLine));
  ASSERT_TRUE(editor->InsertRow(2));
  editor->SetCurrentRow(2);
  char* text = ClipboardReadText();
  bool ours = text && std::strncmp(text, "<line", 5) == 0;
  MemFree(text);
  if (!ours) GTEST_SKIP() << "another program took the clipboard";
  ASSERT_TRUE(editor->DoCommand(-6));
  EXPECT_EQ(Rows(editor)[2], Rows(editor)[1]);
}

}  // namespace
