// The mode tree: flattening, expanding and collapsing, choosing, stepping and the expander.
#include <gtest/gtest.h>

#include "lists_fixture.h"

namespace lists_test {
namespace {

using Log = std::vector<std::string>;
using Ids = std::vector<int32_t>;

class ModeTreeTest : public ListsTest {
 protected:
  // 1, 2 (21, 22 (221)), 3, 4 (blank), 5; everything collapsed.
  void SetUp() override {
    ListsTest::SetUp();
    dialog->blankId = 4;
    box = new T_Modebox(dialog, {10, 20, 120, 180}, 7);
    box->AddNode(nullptr, nullptr, 1);
    ModeNode* two = box->AddNode(nullptr, nullptr, 2);
    box->AddNode(two, nullptr, 21);
    ModeNode* twoTwo = box->AddNode(two, nullptr, 22);
    box->AddNode(twoTwo, nullptr, 221);
    box->AddNode(nullptr, nullptr, 3);
    box->AddNode(nullptr, nullptr, 4);
    box->AddNode(nullptr, nullptr, 5);
    Item_TakeFocus(box);
  }
  Ids VisibleIds() {
    Ids ids;
    for (int64_t i = 0; i < box->LineCount(); ++i) ids.push_back(box->NodeAt(i)->id);
    return ids;
  }
  int32_t SelectedId() {
    ModeNode* node = box->SelectedNode();
    return node ? node->id : 0;
  }
  T_Modebox* box = nullptr;
};

TEST_F(ModeTreeTest, LinesFollowTheExpandedNodesInPreOrder) {
  EXPECT_EQ(VisibleIds(), (Ids{1, 2, 3, 4, 5}));
  EXPECT_EQ(box->LineOf(box->FindNode(221)), -1);
  box->SelectNode(box->FindNode(221));  // opens its ancestors
  EXPECT_EQ(VisibleIds(), (Ids{1, 2, 21, 22, 221, 3, 4, 5}));
  EXPECT_EQ(box->current, 4);
  EXPECT_EQ(dialog->log, (Log{"chosen 221"}));
  // A picture column is kept where some child has children or a picture.
  EXPECT_TRUE(box->root.hasPictures);
  EXPECT_EQ(box->Indent(box->FindNode(1)), 18);
  EXPECT_EQ(box->Indent(box->FindNode(221)), 34);
}

TEST_F(ModeTreeTest, CollapsingMovesTheSelectionOutOfTheClosedSubtree) {
  box->SelectNode(box->FindNode(221));
  box->Toggle(box->FindNode(2));
  EXPECT_EQ(VisibleIds(), (Ids{1, 2, 3, 4, 5}));
  EXPECT_EQ(SelectedId(), 2);
  EXPECT_EQ(dialog->log.back(), "chosen 2");
  dialog->log.clear();
  box->Toggle(box->FindNode(2));  // expanding collapses the children; the selection stays
  EXPECT_EQ(VisibleIds(), (Ids{1, 2, 21, 22, 3, 4, 5}));
  EXPECT_EQ(SelectedId(), 2);
  EXPECT_TRUE(dialog->log.empty());
}

TEST_F(ModeTreeTest, TreeChangesKeepTheSelectionOnItsNode) {
  box->SelectNodeById(3);
  dialog->log.clear();
  ModeNode* zero = box->AddNode(nullptr, box->FindNode(1), 0);
  ASSERT_NE(zero, nullptr);
  EXPECT_EQ(VisibleIds(), (Ids{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(SelectedId(), 3);
  box->RemoveNode(box->FindNode(2));  // with its subtree
  EXPECT_EQ(box->FindNode(221), nullptr);
  EXPECT_EQ(VisibleIds(), (Ids{0, 1, 3, 4, 5}));
  EXPECT_EQ(SelectedId(), 3);
  EXPECT_TRUE(dialog->log.empty());
  EXPECT_FALSE(box->root.hasPictures);
  box->SetNodePicture(box->FindNode(5), 3810);
  EXPECT_TRUE(box->root.hasPictures);
}

TEST_F(ModeTreeTest, SteppingWalksAllNodesAndSkipsBlankOnes) {
  struct Step {
    int32_t step;
    int32_t selected;
  } steps[] = {{-9, 1}, {1, 2}, {1, 21}, {1, 22}, {1, 221}, {1, 3},
               {1, 5},  {1, 5}, {-1, 3}, {9, 5},  {-9, 1},  {-1, 1}};
  for (const Step& s : steps) {
    box->StepSelection(s.step);
    EXPECT_EQ(SelectedId(), s.selected) << s.step;
  }
  // The blank node is never selected, by a click either.
  box->SelectNodeById(4);
  EXPECT_EQ(SelectedId(), 1);
}

TEST_F(ModeTreeTest, ChoosingTheSelectedIdAgainAnnouncesRootThenNode) {
  box->SelectById(3);
  box->SelectById(3);
  box->SelectNode(nullptr);
  EXPECT_EQ(dialog->log, (Log{"chosen 3", "chosen -999", "chosen 3", "chosen -999"}));
  EXPECT_EQ(box->CountSelected(), 0);
}

TEST_F(ModeTreeTest, DefaultActionRunsLeavesAndTogglesNodes) {
  box->SelectNodeById(1);
  InputEvent enter = Key(kKeyEnter);
  box->KeyDown(&enter, box);
  EXPECT_EQ(dialog->log.back(), "run 1");
  box->SelectNodeById(2);
  box->KeyDown(&enter, box);
  EXPECT_EQ(VisibleIds(), (Ids{1, 2, 21, 22, 3, 4, 5}));
}

TEST_F(ModeTreeTest, ReleasingOverTheExpanderToggles) {
  // Node 2 is line 1 (18 to 36); its expander column is the first 16 pixels.
  SetScript({{5, 27, true}, {60, 27, true}, {5, 27, true}});
  InputEvent press = Press(5, 27);
  box->MouseDown(&press, box);
  EXPECT_EQ(VisibleIds(), (Ids{1, 2, 21, 22, 3, 4, 5}));
  EXPECT_EQ(box->CountSelected(), 0);           // the expander does not select
  SetScript({{5, 27, true}, {60, 27, false}});  // released beside it: nothing
  box->MouseDown(&press, box);
  EXPECT_EQ(box->CountVisible(), 7);
}

}  // namespace
}  // namespace lists_test
