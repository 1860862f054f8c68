// Programs follow the component tree: deleted components are replaced by their nearest surviving
// ancestor in every record that names one, rebuilt trees are evaluated again, and the
// components a program names can be marked.
#include <gtest/gtest.h>

#include <string>

#include "database/change_notes.h"
#include "tests/database/selexpr/selexpr_fixture.h"

namespace selexpr_test {
namespace {

class RemapTest : public SelexprTest {
 protected:
  // Deletes the component (with its subtree) and announces it as the dimension editor does:
  // code 12 with the marked set, then code 11.
  void Delete(const char* code) {
    BitVector set;
    BitVecInit(&set, base->componentPool.count, 0);
    BitVecFill(&set, false);
    BitVecSet(&set, C(code), true);
    DeleteMarkedComponents(base, &set, kDim);
    CompSelOnChange(&selection, kChangeComponentsDeleted, kDim, &set);
    CompSelOnChange(&selection, kChangeComponentsRebuilt, kDim, nullptr);
    BitVecFree(&set);
  }
};

TEST_F(RemapTest, EveryRecordNamingADeletedComponentTakesItsNearestSurvivingAncestor) {
  struct Case {
    const char* expression;
    const char* deleted;
    const char* stored;
    const char* selected;  // a new top-level "9" reuses a freed record and stays out
  } cases[] = {
      {"351", "35", "3 Three", "3 36"},          // 14, below the deleted one
      {"35…41", "35", "3…41", "3 36 4 41 411"},  // 15 and 15
      {"36…411!", "41", "36…4!", "36 4"},        // 15 and 16
      {"351^", "35", "3^", "3"},                 // 17
      {"351!", "35", "3!", "3"},                 // 18
      {"35?", "35", "3?", ""},                   // 19
      {"351¶", "35", "3¶", "36"},                // 20
      {"36 | 411¶", "41", "36|4¶", "36 42"},     // in a larger program
      // The root, when no ancestor survives: 14 names the whole dimension.
      {"4 | 35!", "4", "¬\\\\|35!", "\\ 3 35 351 36 R&D R&D1 'Q ÅS ÅS1 9"},
  };
  for (const Case& c : cases) {
    TearDown();
    SetUp();
    ASSERT_TRUE(Compile(c.expression)) << c.expression;
    Delete(c.deleted);
    EXPECT_EQ(Stored(), c.stored) << c.expression;
    ComponentRecord* reused = Add("9", "Nine");
    CompSelOnChange(&selection, kChangeComponentsRebuilt, kDim, nullptr);
    EXPECT_EQ(Selected(), c.selected) << c.expression;
    EXPECT_LT(reused->number, 32 + 13) << "the new component reuses a freed record";
  }
}

TEST_F(RemapTest, ARemapBeforeTheDeletionFindsTheSameAncestor) {
  ASSERT_TRUE(Compile("351! | 411^"));
  BitVector set;
  BitVecInit(&set, base->componentPool.count, 0);
  BitVecFill(&set, false);
  BitVecSet(&set, C("35"), true);
  BitVecSet(&set, C("4"), true);
  CompSelOnChange(&selection, kChangeComponentsDeleted, kDim, &set);
  EXPECT_EQ(Stored(), "3!|\\\\");  // the root's ancestors below it: none
  BitVecFree(&set);
}

TEST_F(RemapTest, MarkingReachesEveryRecordThatNamesAComponent) {
  ASSERT_TRUE(Compile("35…41! | 351^ | 36? & 4 | 'R&D1'¶ | =Thirty"));
  Add("G", "Group", nullptr, 0);
  ASSERT_TRUE(Compile("G!", 0));
  BitVector set;
  BitVecInit(&set, base->componentPool.count, 0);
  BitVecFill(&set, false);
  CompSelMarkReferenced(&selection, &set);
  std::string marked;
  for (int64_t i = BitVecNextSet(&set, -1); i >= 0; i = BitVecNextSet(&set, i))
    marked += std::string(ComponentAt(base, i)->code) + " ";
  EXPECT_EQ(marked, "35 351 36 4 41 R&D1 G ");
  BitVecFree(&set);
}

TEST_F(RemapTest, ARebuiltTreeIsEvaluatedAgainAndTheSetGrowsWithThePool) {
  ASSERT_TRUE(Compile("3 ¬ 35"));
  EXPECT_EQ(Selected(), "3 36");
  for (int i = 0; i < 100; ++i) Add(("37" + std::to_string(i)).c_str(), nullptr);
  Add("X", "Outside");
  EXPECT_LT(selection.components.count, base->componentPool.count);
  CompSelOnChange(&selection, kChangeComponentsRebuilt, kDim, nullptr);
  EXPECT_EQ(selection.components.count, base->componentPool.count);
  EXPECT_TRUE(CompSelSelects(&selection, C("3799")));
  EXPECT_FALSE(CompSelSelects(&selection, C("X")));
  // Other dimensions' components are unrestricted.
  ComponentRecord* other = Add("Y", nullptr, nullptr, 4);
  CompSelOnChange(&selection, kChangeComponentsRebuilt, 4, nullptr);
  EXPECT_TRUE(CompSelSelects(&selection, other->number));
}

}  // namespace
}  // namespace selexpr_test
