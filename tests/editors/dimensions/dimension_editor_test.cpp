// The dimension editor window: opening, the key moves with their beeps, the questions on closing
// (a refused apply keeps the edits), and an import into an editor the user has open.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/system_beep.h"
#include "database/cards.h"
#include "database/component_lookup.h"
#include "database/components.h"
#include "editors/dimension_editor.h"
#include "editors/editor_questions.h"
#include "tests/editors/editors_fixture.h"
#include "ui/event_record.h"

namespace editors_test {
namespace {

int beeps = 0;

class DimensionEditorTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    for (const char* code : {"A1", "A1X", "A2"}) AddComponent(base, 0, code, nullptr, nullptr);
    beeps = 0;
    SetSystemBeepHook([] { ++beeps; });
  }
  void TearDown() override {
    SetSystemBeepHook(nullptr);
    EditorTest::TearDown();
  }
  bool Key(T_DimEditor* editor, uint16_t key) {
    InputEvent event;
    event.control = 1;
    event.keyCode = key;
    return editor->KeyDown(&event, editor->rows);
  }
  std::string Current(T_DimEditor* editor) {
    T_TextBuf code;
    if (DimNode* node = editor->Current()) DimNodeFullCode(node, &code);
    return code.c_str();
  }
};

TEST_F(DimensionEditorTest, OpensOncePerDimension) {
  T_DimEditor* editor = OpenDimensionEditor(base, 0, 0);
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(OpenDimensionEditor(base, 0, 0), editor);
  EXPECT_EQ(FindDimensionEditor(base, 0), editor);
  EXPECT_EQ(editor->tree.rowCount, 2);  // A1 collapsed, A2
  // At a component: its ancestors expanded, its row current.
  EXPECT_EQ(OpenDimEditorAtComponent(base, 0, FindByCode(base, 0, "A1X")->number, 0), editor);
  EXPECT_EQ(Current(editor), "A1X");
  EXPECT_TRUE(EventHandler_CloseAndDelete(editor, 3));
  EXPECT_EQ(FindDimensionEditor(base, 0), nullptr);
}

TEST_F(DimensionEditorTest, KeyMovesBeepWhenRefused) {
  T_DimEditor* editor = OpenDimEditorAtComponent(base, 0, FindByCode(base, 0, "A1")->number, 0);
  ASSERT_NE(editor, nullptr);
  EXPECT_TRUE(Key(editor, kKeyLeft));  // at the top already
  EXPECT_EQ(Current(editor), "A1");
  EXPECT_EQ(beeps, 1);
  EXPECT_TRUE(Key(editor, kKeyRight));  // no sibling before it
  EXPECT_EQ(beeps, 2);
  // Ctrl+Down puts A1 after A2, its next sibling, which is not expanded.
  EXPECT_TRUE(Key(editor, kKeyDown));
  EXPECT_EQ(Current(editor), "A1");
  EXPECT_EQ(editor->tree.root.firstChild->code, std::string("A2"));
  EXPECT_TRUE(Key(editor, kKeyRight));  // into A2, its previous sibling
  EXPECT_EQ(Current(editor), "A2A1");
  EXPECT_TRUE(Key(editor, kKeyLeft));  // and out again
  EXPECT_EQ(Current(editor), "A1");
  EXPECT_EQ(beeps, 2);
  EventHandler_CloseAndDelete(editor, 3);
}

TEST_F(DimensionEditorTest, ClosingAsksAndARefusedApplyKeepsTheEdits) {
  T_DimEditor* editor = OpenDimensionEditor(base, 0, 0);
  ASSERT_NE(editor, nullptr);
  EXPECT_TRUE(editor->QueryClose(0));  // nothing changed: no question
  EXPECT_TRUE(alerts->asked.empty());

  editor->rows->SelectOnly(1);  // A2
  editor->RemoveCurrent();
  DimTreeSetCode(&editor->tree, editor->tree.root.firstChild, "B1");
  alerts->answers = {kButtonCancel};
  EXPECT_FALSE(editor->QueryClose(0));
  EXPECT_EQ(Asked(), std::vector<int32_t>{3203});

  // A2 came into use meanwhile: 3315, nothing applied, the window and its edits stay.
  CardId id{PackDate(2024, 1, 1), 1};
  base->FindOrAddGroup(CreateCard(base, &id), FindByCode(base, 0, "A2")->number);
  alerts->answers = {kButtonChange};
  EXPECT_FALSE(editor->QueryClose(0));
  EXPECT_EQ(Asked(), (std::vector<int32_t>{3203, 3203, 3315}));
  EXPECT_NE(FindByCode(base, 0, "A1"), nullptr);
  EXPECT_TRUE(DimTreeChanged(&editor->tree));

  // A duplicate code: "Fix code" keeps the window open.
  alerts->asked.clear();
  DimNode* added = DimTreeNewNode(&editor->tree, nullptr, false);
  BlockTextAssign(&added->code, "b1");
  alerts->answers = {3318};
  EXPECT_FALSE(editor->QueryClose(0));
  EXPECT_EQ(Asked(), std::vector<int32_t>{3316});
  EventHandler_CloseAndDelete(editor, 3);
}

TEST_F(DimensionEditorTest, AnImportIntoAnOpenEditorLeavesItOpen) {
  const std::string path = "dim_import_rows.txt";
  FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fputs("C1\tNew one\r\nA1Y\tUnder A1\r\n", file);
  std::fclose(file);

  T_DimEditor* editor = OpenDimensionEditor(base, 0, 0);
  ASSERT_NE(editor, nullptr);
  DimTreeSetCode(&editor->tree, editor->tree.root.firstChild, "Q1");  // an unconfirmed edit
  EXPECT_TRUE(ImportIntoDimensionEditor(base, 0, path.c_str()));
  EXPECT_EQ(FindDimensionEditor(base, 0), editor);
  EXPECT_TRUE(alerts->asked.empty());
  EXPECT_EQ(FindByCode(base, 0, "C1"), nullptr);  // nothing applied behind the user's back
  EXPECT_EQ(FindByCode(base, 0, "Q1"), nullptr);
  EventHandler_CloseAndDelete(editor, 3);

  // Without an open editor the rows are applied at once.
  EXPECT_TRUE(ImportIntoDimensionEditor(base, 0, path.c_str()));
  EXPECT_EQ(FindDimensionEditor(base, 0), nullptr);
  EXPECT_NE(FindByCode(base, 0, "C1"), nullptr);
  EXPECT_EQ(FindByCode(base, 0, "A1Y")->parent, FindByCode(base, 0, "A1"));
  std::remove(path.c_str());
}

}  // namespace
}  // namespace editors_test
