// The folding of operations over single records while compiling: each rule gives its stored form
// and must select what the operation selects on the unfolded operands.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/database/selexpr/selexpr_fixture.h"

namespace selexpr_test {
namespace {

class SimplifierTest : public SelexprTest {
 protected:
  // The selection as flags in tree order, the root first.
  std::vector<bool> Flags() {
    std::vector<bool> flags;
    ComponentRecord* root = ComponentAt(base, kDim);
    ComponentRecord* node = root;
    do {
      flags.push_back(CompSelSelects(&selection, node->number));
      node = CompTreeNext(node);
    } while (node != root);
    return flags;
  }
  std::vector<bool> FlagsOf(const std::string& text) {
    EXPECT_TRUE(Compile(text.c_str())) << text;
    return Flags();
  }
};

std::vector<bool> Combine(const std::vector<bool>& a, const std::vector<bool>& b,
                          const std::string& op) {
  std::vector<bool> out(a.size());
  for (size_t i = 0; i < a.size(); ++i) {
    if (op == "&")
      out[i] = a[i] && b[i];
    else if (op == "|")
      out[i] = a[i] || b[i];
    else if (op == "±")
      out[i] = a[i] != b[i];
    else
      out[i] = a[i] && !b[i];
  }
  return out;
}

TEST_F(SimplifierTest, EachRuleFoldsToAnEquivalentProgram) {
  struct Case {
    const char* left;
    const char* op;
    const char* right;
    const char* stored;
  } cases[] = {
      // Two components: the same, nested either way, disjoint.
      {"3", "|", "3", "3 Three"},
      {"3", "&", "3", "3 Three"},
      {"3", "±", "3", "\\\\"},
      {"3", "¬", "3", "\\\\"},
      {"3", "&", "35", "35 Thirty-five"},
      {"3", "|", "35", "3 Three"},
      {"3", "±", "35", "3¬35"},
      {"3", "¬", "35", "3¬35"},
      {"35", "&", "3", "35 Thirty-five"},
      {"35", "|", "3", "3 Three"},
      {"35", "±", "3", "3¬35"},
      {"35", "¬", "3", "\\\\"},
      {"3", "&", "4", "\\\\"},
      {"3", "|", "4", "3|4"},
      {"3", "±", "4", "3|4"},
      {"3", "¬", "4", "3 Three"},
      // A component and the root.
      {"3", "±", "\\", "3|\\"},
      {"3", "¬", "\\", "3 Three"},
      {"3", "&", "\\", "\\\\"},
      {"3", "|", "\\", "3|\\"},
      // A component and a suffixed component within it.
      {"3", "&", "35!", "35!"},
      {"3", "&", "3?", "3?"},
      {"3", "|", "35?", "3 Three"},
      {"3", "±", "35¶", "3¬35¶"},
      {"3", "¬", "35!", "3¬35!"},
      {"4", "&", "35!", "4&35!"},  // not within
      // The root with the root, a component or a range.
      {"\\", "&", "\\", "\\"},
      {"\\", "|", "\\", "\\"},
      {"\\", "¬", "\\", "\\\\"},
      {"\\", "±", "\\", "\\±\\"},
      {"\\", "¬", "3", "\\"},
      {"\\", "&", "3", "\\\\"},
      {"\\", "|", "3", "\\|3"},
      {"35…4", "&", "\\", "\\\\"},
      {"35…4!", "&", "\\", "\\\\"},
      {"\\", "&", "35…4", "\\&35…4"},
      // The empty set on the right.
      {"3", "&", "\\\\", "\\\\"},
      {"\\", "&", "\\\\", "\\\\"},
      {"\\\\", "&", "\\\\", "\\\\"},
      {"3!", "&", "\\\\", "3!&\\\\"},
      {"3|4", "|", "\\\\", "3|4"},
      {"3!", "±", "\\\\", "3!"},
      {"3|4", "¬", "\\\\", "3|4"},
      // Everything on the right, the empty set on the left.
      {"3?", "&", "¬\\\\", "3?"},
      {"3?", "±", "¬\\\\", "¬3?"},
      {"¬3?", "±", "¬\\\\", "3?"},
      {"3?", "|", "¬\\\\", "3?|¬\\\\"},
      {"\\\\", "&", "3", "\\\\"},
      {"\\\\", "¬", "\\", "\\\\"},
      {"\\\\", "|", "3", "3 Three"},
      {"\\\\", "±", "\\", "\\"},
      // Nothing to fold.
      {"3?", "&", "4?", "3?&4?"},
      {"3|4", "&", "35", "(3|4)&35"},
  };
  for (const Case& c : cases) {
    std::vector<bool> expected = Combine(FlagsOf(c.left), FlagsOf(c.right), c.op);
    std::string text = std::string("(") + c.left + ")" + c.op + "(" + c.right + ")";
    ASSERT_TRUE(Compile(text.c_str())) << text;
    EXPECT_EQ(Stored(), c.stored) << text;
    EXPECT_EQ(Flags(), expected) << text;
  }
}

TEST_F(SimplifierTest, ComplementsCancelAndTurnOperatorsAround) {
  struct Case {
    const char* text;
    const char* stored;
  } cases[] = {
      {"¬¬3?", "3?"},       {"¬(¬3?)", "3?"},
      {"4 & ¬3?", "4¬3?"},  {"4 ¬ ¬3?", "4&3?"},
      {"4 & ¬¬3?", "4&3?"}, {"4 -- --3?", "4&3?"},
      {"¬3? ¬ 4", "¬3?¬4"}, {"4 ¬ (¬3? | 4?)", "4¬(¬3?|4?)"},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(Compile(c.text)) << c.text;
    EXPECT_EQ(Stored(), c.stored) << c.text;
  }
}

}  // namespace
}  // namespace selexpr_test
