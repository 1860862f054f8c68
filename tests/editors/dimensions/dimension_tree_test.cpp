// The dimension editor's tree: typed codes, new codes, moves, removal of used components, the
// duplicate check, applying in one step (or not at all), texts that name components, imported
// rows and sorting.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/cstring.h"
#include "core/input_stream.h"
#include "database/cards.h"
#include "database/change_notes.h"
#include "database/component_lookup.h"
#include "database/component_tree.h"
#include "database/components.h"
#include "database/lines.h"
#include "editors/dimension_editor_tree.h"
#include "tests/editors/editors_fixture.h"

namespace editors_test {
namespace {

class DimensionTreeTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    for (const char* code : {"A1", "A1X", "A2", "B"}) AddComponent(base, 0, code, nullptr, nullptr);
    ASSERT_TRUE(DimTreeLoad(&tree, base, 0));
  }
  void TearDown() override {
    DimTreeFree(&tree);
    SetDimComponentAllocator(nullptr);
    EditorTest::TearDown();
  }
  DimNode* Node(const char* fullCode) {
    T_TextBuf code;
    for (DimNode* n = DimTreeNextNode(&tree, &tree.root); n; n = DimTreeNextNode(&tree, n)) {
      DimNodeFullCode(n, &code);
      if (code.data && std::string(code.data) == fullCode) return n;
    }
    return nullptr;
  }
  // The nodes in pre-order, each as its full code, indented one blank per level.
  std::string Outline() {
    std::string out;
    T_TextBuf code;
    for (DimNode* n = DimTreeNextNode(&tree, &tree.root); n; n = DimTreeNextNode(&tree, n)) {
      DimNodeFullCode(n, &code);
      out += std::string(static_cast<size_t>(DimNodeDepth(n)), ' ') + code.c_str() + "\n";
    }
    return out;
  }
  // The database's components the same way.
  std::string Components() {
    std::string out;
    ComponentRecord* root = ComponentAt(base, 0);
    int32_t depth = 0;
    for (ComponentRecord* c = CompTreeNextDepth(root, &depth); c && c != root;
         c = CompTreeNextDepth(c, &depth))
      out += std::string(static_cast<size_t>(depth - 1), ' ') + c->code + "\n";
    return out;
  }
  // A card whose one group uses the component.
  void Use(const char* code) {
    CardId id{PackDate(2024, 1, 1), 1};
    CardRecord* card = CreateCard(base, &id);
    ASSERT_NE(base->FindOrAddGroup(card, FindByCode(base, 0, code)->number), nullptr);
  }

  DimTree tree;
};

TEST_F(DimensionTreeTest, TypedCodesKeepTheParentsCodeInFront) {
  DimNode* child = Node("A1X");
  ASSERT_NE(child, nullptr);
  const std::pair<const char*, const char*> cases[] = {
      {"B7", "A1B7"},     // the parent's code is put in front
      {"A1", "A1B7"},     // nothing after the prefix: the code part stays
      {"a1c5", "A1c5"},   // the prefix compares by the code rule (letter case ignored)
      {" A1D ", "A1D"},   // trimmed
  };
  for (const auto& [typed, shown] : cases) {
    DimTreeSetCode(&tree, child, typed);
    T_TextBuf code;
    DimNodeFullCode(child, &code);
    EXPECT_STREQ(code.data, shown) << typed;
  }
}

// A code beginning with "##" would end the dimension's section of the saved file, losing every
// component after it; the editor refuses it as every other path does, and cleans texts alike.
TEST_F(DimensionTreeTest, CodesNoComponentMayHaveAreRefusedOnEveryEditorPath) {
  const struct {
    const char* what;
    const char* code;
    bool taken;
  } cases[] = {
      {"section mark", "##B", false},
      {"mark split by blanks", " # #B", false},
      {"mark behind a control", "#\t#B", false},
      {"blanks only", "   ", false},
      {"one mark", "#B", true},
      {"inner blanks", "Q 1", true},
  };
  for (const auto& c : cases) {
    DimNode* fresh = DimTreeNewNode(&tree, Node("B"), false);
    T_TextBuf before, after;
    DimNodeFullCode(fresh, &before);
    DimTreeSetCode(&tree, fresh, c.code);
    DimNodeFullCode(fresh, &after);
    EXPECT_EQ(std::string(before.c_str()) != after.c_str(), c.taken) << "typed: " << c.what;
    DimTreeBeginImport(&tree);
    const std::string imported = std::string(c.code) + (c.taken ? "I" : "");
    EXPECT_EQ(DimTreeImportNode(&tree, nullptr, imported.c_str(), "row", nullptr) != nullptr,
              c.taken)
        << "imported: " << c.what;
    DimTreeEndImport(&tree, 0, 0);
  }
  ASSERT_EQ(DimTreeApply(&tree, nullptr, nullptr), kDimApplied);
  for (const char* code : {"A1", "A1X", "A2", "B", "#B", "#BI", "Q1", "Q1I"})
    EXPECT_NE(FindByCode(base, 0, code), nullptr) << code;
  for (ComponentRecord* k = CompTreeNext(ComponentAt(base, 0)); k != ComponentAt(base, 0);
       k = CompTreeNext(k)) {
    EXPECT_FALSE(StrStartsWith(k->code, "##")) << k->code;
    EXPECT_EQ(std::string(k->code).find(' '), std::string::npos) << k->code;
  }
  DimTreeSetText(&tree, Node("B"), kDimFieldText, "one\ttwo\r\n");
  DimTreeSetText(&tree, Node("B"), kDimFieldHost, "\tH\t");
  ASSERT_EQ(DimTreeApply(&tree, nullptr, nullptr), kDimApplied);
  EXPECT_STREQ(FindByCode(base, 0, "B")->text, "one two");
  EXPECT_STREQ(FindByCode(base, 0, "B")->hostCode, "H");
}

TEST_F(DimensionTreeTest, NewCodesStepPastTheSiblings) {
  DimNode* a2 = Node("A2");
  a2->expanded = 1;
  DimNode* first = DimTreeNewNode(&tree, a2, false);  // a leaf: after it, stepping "A2"
  EXPECT_STREQ(first->code, "A3");
  // An expanded node with one child A9: B0, B1, B2, each as the first child.
  DimNode* parent = Node("B");
  DimNode* a9 = DimTreeNewNode(&tree, parent, false);  // after B, then moved into it
  DimTreeMoveInto(&tree, a9, parent);
  BlockTextAssign(&a9->code, "A9");
  std::vector<std::string> made;
  for (int i = 0; i < 3; ++i) made.push_back(DimTreeNewNode(&tree, parent, false)->code);
  EXPECT_EQ(made, (std::vector<std::string>{"B0", "B1", "B2"}));
  EXPECT_STREQ(parent->firstChild->code, "B2");
  T_TextBuf next;
  BlockTextAssign(&a9->code, "Z");
  DimNode lone;
  lone.firstChild = a9;
  NextFreeCode(&tree, "Z", &lone, &next);
  EXPECT_STREQ(next.data, "AA");
  NextFreeCode(&tree, "", &tree.root, &next);
  EXPECT_STREQ(next.data, "A");  // no top code part is "A"
}

TEST_F(DimensionTreeTest, MovesRefuseWhatTheTreeCannotTake) {
  DimNode* a1 = Node("A1");
  DimNode* a2 = Node("A2");
  a1->expanded = 1;
  DimTreeBuildRows(&tree);
  EXPECT_FALSE(DimTreeMoveOut(&tree, a1));             // already at the top
  EXPECT_FALSE(DimTreeMoveIntoPrevious(&tree, a1));    // no sibling before it
  EXPECT_FALSE(DimTreeMoveUp(&tree, a1));              // the first row
  EXPECT_TRUE(DimTreeMoveIntoPrevious(&tree, a2));     // the last child of A1
  EXPECT_EQ(Outline(), "A1\n A1X\n A1A2\nB\n");
  EXPECT_TRUE(DimTreeMoveOut(&tree, a2));
  EXPECT_EQ(Outline(), "A1\n A1X\nA2\nB\n");
  EXPECT_TRUE(DimTreeMoveDown(&tree, Node("A1X")));    // after A2, its parent's next sibling
  EXPECT_EQ(Outline(), "A1\nA2\nX\nB\n");
  EXPECT_FALSE(DimTreeMoveDown(&tree, Node("B")));     // nothing follows
  DimTreeToggle(&tree, a1);
  EXPECT_EQ(a1->expanded, 0);
}

TEST_F(DimensionTreeTest, AUsedSubtreeIsNotRemoved) {
  Use("A1X");
  DimNode* a1 = Node("A1");
  EXPECT_EQ(DimTreeRemove(&tree, a1), Node("A1X"));
  EXPECT_EQ(a1->expanded, 1);  // revealed
  EXPECT_EQ(Outline(), "A1\n A1X\nA2\nB\n");
  EXPECT_EQ(DimTreeRemove(&tree, Node("A2")), nullptr);
  EXPECT_EQ(Outline(), "A1\n A1X\nB\n");
  EXPECT_NE(tree.removed, nullptr);
}

TEST_F(DimensionTreeTest, DuplicateCodesAndHostCodesAreFound) {
  DimNode* offending = nullptr;
  EXPECT_EQ(DimTreeDuplicateCheck(&tree, &offending), kDimApplied);
  DimNode* extra = DimTreeNewNode(&tree, Node("B"), false);
  BlockTextAssign(&extra->code, "b");  // "b" beside "B" in a dimension that ignores case
  EXPECT_EQ(DimTreeDuplicateCheck(&tree, &offending), kDimCodeTwice);
  EXPECT_EQ(offending, extra);
  EXPECT_STREQ(offending->fullCode, "b");
  BlockTextAssign(&extra->code, "C");
  BlockTextAssign(&extra->hostCode, "H");
  BlockTextAssign(&Node("A2")->hostCode, "h");
  EXPECT_EQ(DimTreeDuplicateCheck(&tree, &offending), kDimHostTwice);
}

TEST_F(DimensionTreeTest, ApplyingRebuildsTheChainAndKeepsTheLinesComponents) {
  Use("A1X");
  int64_t used = FindByCode(base, 0, "A1X")->number;
  DimTreeSetCode(&tree, Node("A1X"), "Q");
  DimTreeRemove(&tree, Node("A2"));
  DimNode* fresh = DimTreeNewNode(&tree, Node("B"), false);
  BlockTextAssign(&fresh->text, "new");
  EXPECT_TRUE(DimTreeChanged(&tree));
  recorder->codes.clear();
  T_TextBuf inUse;
  ASSERT_EQ(DimTreeApply(&tree, nullptr, &inUse), kDimApplied);
  std::vector<int32_t> steps;
  for (int32_t code : recorder->codes) {
    if (code >= 11 && code <= 13) steps.push_back(code);
  }
  EXPECT_EQ(steps, (std::vector<int32_t>{12, 13, 11}));
  EXPECT_EQ(Components(), "A1\n A1Q\nB\nC\n");
  ComponentRecord* renamed = FindByCode(base, 0, "A1Q");
  ASSERT_NE(renamed, nullptr);
  EXPECT_EQ(renamed->number, used);  // the group still refers to the same record
  EXPECT_EQ(FindByCode(base, 0, "A2"), nullptr);
  EXPECT_STREQ(FindByCode(base, 0, "C")->text, "new");
  EXPECT_FALSE(DimTreeChanged(&tree));
}

TEST_F(DimensionTreeTest, AFailedAllocationOrAComponentNowInUseAppliesNothing) {
  static int32_t failAt = 0;
  static int32_t calls = 0;
  SetDimComponentAllocator([](T_Base* b) -> ComponentRecord* {
    return ++calls == failAt ? nullptr : AllocateComponent(b);
  });
  for (DimNode* parent : {Node("A1"), Node("A2"), Node("B")}) DimTreeNewNode(&tree, parent, false);
  DimTreeSetCode(&tree, Node("A1X"), "Y");
  DimTreeRemove(&tree, Node("A2"));
  const std::string before = Components();
  for (failAt = 1; failAt <= 3; ++failAt) {
    calls = 0;
    recorder->codes.clear();
    EXPECT_EQ(DimTreeApply(&tree, nullptr, nullptr), kDimOutOfMemory) << failAt;
    EXPECT_EQ(Components(), before) << failAt;
    EXPECT_TRUE(recorder->codes.empty()) << failAt;
  }
  // The removed component came into use meanwhile.
  failAt = 0;
  Use("A2");
  T_TextBuf inUse;
  EXPECT_EQ(DimTreeApply(&tree, nullptr, &inUse), kDimInUse);
  EXPECT_STREQ(inUse.data, "A2");
  EXPECT_EQ(Components(), before);
}

TEST_F(DimensionTreeTest, AReferenceByCodeFollowsACodeChange) {
  DimTreeSetCode(&tree, Node("A1"), "Z1");
  T_TextBuf text("A1X | ¬B & \"A1\" | A1");
  RewriteDimensionText(&tree, &text);
  EXPECT_STREQ(text.data, "Z1X | ¬B & \"A1\" | Z1");
}

TEST_F(DimensionTreeTest, PlainRowsFindTheirParentsAndSkipDuplicates) {
  const std::string rows =
      "X\tTen\tH1\r\n"
      "X5\tFive\r\n"
      "A1X7\tdeep\r\n"
      "X\tagain\r\n"
      "\tno code\r\n"
      "Y\t\tH1\r\n";
  T_IStream in;
  in.CtorFromMemory(rows.data(), static_cast<int64_t>(rows.size()));
  EXPECT_EQ(DimTreeImportRows(&tree, &in), 4);
  EXPECT_EQ(Outline(), "A1\n A1X\n  A1X7\nA2\nB\nX\n X5\nY\n");
  EXPECT_EQ(Asked(), std::vector<int32_t>{3314});
  EXPECT_EQ(Node("Y")->hostCode, nullptr);
  EXPECT_STREQ(Node("X")->hostCode, "H1");
  EXPECT_EQ(Node("A1X")->expanded, 1);
}

TEST_F(DimensionTreeTest, SortingByTextKeepsMissingTextsLastAndTiesInOrder) {
  const char* texts[] = {nullptr, "b", "a", "B", nullptr};
  DimNode* parent = Node("B");
  for (const char* text : texts) {
    DimNode* n = DimTreeNewNode(&tree, parent, false);
    if (!parent->firstChild) DimTreeMoveInto(&tree, n, parent);
    BlockTextAssign(&n->text, text);
  }
  auto order = [&] {
    std::string out;
    for (DimNode* c = parent->firstChild; c; c = c->next) out += (c->text ? c->text : "-");
    return out;
  };
  EXPECT_EQ(order(), "-Bab-");  // each new node went in first
  DimTreeSort(&tree, parent, kDimFieldText, true, false);
  EXPECT_EQ(order(), "Bba--");  // "B" and "b" tie and keep their order
  DimTreeSort(&tree, parent, kDimFieldText, false, false);
  EXPECT_EQ(order(), "aBb--");
}

}  // namespace
}  // namespace editors_test
