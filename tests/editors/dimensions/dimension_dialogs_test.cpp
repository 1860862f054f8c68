// The dimension editor's dialogs: the properties' layout and caption, the letter cases a code
// may take, the order in which "OK" applies the options, and the sort dialog's sublevel box and
// sorting.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "database/components.h"
#include "editors/dimension_dialogs.h"
#include "editors/dimension_editor.h"
#include "tests/editors/editors_fixture.h"
#include "tests/ui/layout_check.h"
#include "ui/button.h"
#include "ui/edit_field.h"

namespace editors_test {
namespace {

class DimensionDialogsTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    for (const char* code : {"A", "AB", "ABC", "B"}) AddComponent(base, 0, code, nullptr, nullptr);
  }
  static std::vector<std::string> Items(T_Chooser* chooser) {
    std::vector<std::string> items;
    for (int64_t i = 0; i < chooser->count; ++i) {
      ChooserEvent record;
      chooser->DescribeItem(i, &record);
      items.push_back(record.text ? record.text : "-");
    }
    return items;
  }
};

TEST_F(DimensionDialogsTest, CodesTakeNeitherStandardNorWordCaps) {
  T_DimOpt dialog(base, 0, nullptr);
  EXPECT_EQ(Items(dialog.cases[0]), (std::vector<std::string>{"UPPER CASE", "lower case", "-",
                                                              "Case Sensitive",
                                                              "Case Insensitive"}));
  EXPECT_EQ(Items(dialog.cases[1]).size(), 7u);
  EXPECT_EQ(dialog.cases[0]->ChosenMode(), 0);  // the code's rule: upper case
  EXPECT_EQ(dialog.cases[2]->ChosenMode(), 5);
}

TEST_F(DimensionDialogsTest, PropertiesShowEveryFrameWithItsTitleAndNameTheDimensionOnce) {
  T_DimOpt dialog(base, 0, nullptr);
  EventHandler_Open(&dialog);
  // Each frame's title stands above its rectangle, clear of the frame above and the dialog's top.
  ui_test::LayoutFaults faults = ui_test::LayoutCheck(&dialog);
  EXPECT_TRUE(faults.empty()) << faults;
  const std::string caption = dialog.Title();
  EXPECT_EQ(caption.find("  "), std::string::npos) << caption;
  EXPECT_EQ(caption.rfind("Properties for \"", 0), 0u) << caption;
}

TEST_F(DimensionDialogsTest, OkAppliesTheOptionsInTheSettersOrder) {
  T_DimOpt dialog(base, 0, nullptr);
  dialog.singular->SetText(" Account ");
  dialog.plural->SetText("Accounts");
  dialog.display->SetSelection(6, 0);
  dialog.filled->SetChecked(true);
  dialog.cases[0]->SetSelection(4, 0);  // case insensitive
  dialog.cases[1]->SetSelection(0, 0);  // upper case
  dialog.cases[2]->SetSelection(1, 0);  // lower case
  recorder->codes.clear();
  dialog.Apply();
  std::vector<int32_t> setters;
  for (int32_t code : recorder->codes) {
    if (code == 16 || code == 17 || (code >= 19 && code <= 23)) setters.push_back(code);
  }
  EXPECT_EQ(setters, (std::vector<int32_t>{16, 17, 22, 23, 19, 20, 21}));
  EXPECT_STREQ(base->dimensions[0]->singular, "Account");
  EXPECT_EQ(base->dimensions[0]->codeCase, 5);
}

TEST_F(DimensionDialogsTest, SortSublevelsOnlyWithAGrandchild) {
  T_DimEditor* editor = OpenDimensionEditor(base, 0, 0);
  ASSERT_NE(editor, nullptr);
  editor->ShowRows(editor->tree.rows[1]);  // B: a leaf, so its parent (the root) is sorted
  {
    T_DimSortDlg dialog(editor, kDimFieldCode);
    EXPECT_EQ(dialog.node, &editor->tree.root);
    EXPECT_NE(dialog.sublevels, nullptr);  // A has a grandchild
    EXPECT_EQ(dialog.height, T_DimSortDlg::kHeightWithSublevels);
    dialog.order->SetSelection(1, 0);
    dialog.Apply();
    EXPECT_STREQ(editor->tree.root.firstChild->code, "B");
    EXPECT_EQ(editor->sortOrders[kDimFieldCode], 1);
  }
  DimNode* ab = editor->tree.root.firstChild->next->firstChild;
  DimTreeReveal(&editor->tree, ab);
  ab->expanded = 1;
  editor->ShowRows(ab);
  {
    T_DimSortDlg dialog(editor, kDimFieldText);
    EXPECT_EQ(dialog.node, ab);
    EXPECT_EQ(dialog.sublevels, nullptr);  // its one child ABC has no children
    EXPECT_EQ(dialog.height, T_DimSortDlg::kHeight);
    EXPECT_EQ(dialog.order->current, 0);  // the order remembered for the text column
  }
  EventHandler_CloseAndDelete(editor, 3);
}

}  // namespace
}  // namespace editors_test
