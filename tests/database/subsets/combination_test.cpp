// Subset formulas: reading, simplifying and printing them, the names they offer, and their
// calculation with the scope words over known groups.
#include <cmath>

#include "database/change_notes.h"
#include "database/subsets.h"
#include "tests/database/cardsel/selection_fixture.h"

namespace {

using selection_test::SelectionTest;

class CombinationTest : public SelectionTest {
 protected:
  void SetUp() override {
    SelectionTest::SetUp();
    sales = SubsetCreate(base->subsets, "Sales");
    salesEast = SubsetCreate(base->subsets, "Sales East");
    north = SubsetCreate(base->subsets, "North");
    // A window's subset, which may name the database's.
    SubsetListInit(&local, base, kSubsetListOfWindow);
    owner = SubsetCreate(&local, "Owner");
    SubsetAppendItem(owner, "A");
    SubsetAppendItem(owner, "B");
  }
  void TearDown() override {
    SubsetListFree(&local);
    SelectionTest::TearDown();
  }

  std::string Print(char separator) {
    T_TextBuf text;
    CombPrint(&owner->combination, &text, separator);
    return text.data;
  }

  Subset* sales = nullptr;
  Subset* salesEast = nullptr;
  Subset* north = nullptr;
  Subset* owner = nullptr;
  SubsetList local;
};

TEST_F(CombinationTest, ReadsSimplifiesAndPrints) {
  struct Case {
    const char* text;
    const char* stored;
    const char* shown;
  };
  const Case cases[] = {
      {"", "", ""},
      {"A", "A", "A"},
      {"cards groups A", "cards A", "cards A"},
      {"groups cards A", "cards A", "cards A"},
      {"groups groups A", "groups A", "groups A"},
      {"¬¬A", "A", "A"},
      {"¬ ¬ ¬A", "¬A", "¬A"},
      {"A & ¬B", "A¬B", "A ¬ B"},
      {"A ¬ ¬B", "A&B", "A & B"},
      {"¬A & B", "¬A&B", "¬A & B"},
      {"A--B", "A¬B", "A ¬ B"},
      {"A++B", "A|B", "A | B"},
      {"A+-B", "A±B", "A ± B"},
      {"A &|& B", "A&B", "A & B"},
      {"(A|B)±North", "(A|B)±North", "(A | B) ± North"},
      {"A|B±North", "A|B±North", "A | B ± North"},
      {"A|(B|North)", "A|B|North", "A | B | North"},
      {"A¬(B¬North)", "A¬(B¬North)", "A ¬ (B ¬ North)"},
      {"(A&B", "A&B", "A & B"},
      {"Sales", "Sales", "Sales"},
      {"sal", "Sales", "Sales"},
      {"Sales E", "Sales East", "Sales East"},
      {"sales east|no", "Sales East|North", "Sales East | North"},
      {"unbalanced", "unbalanced", "unbalanced"},
      {"unbalanced unbalanced A", "unbalanced A", "unbalanced A"},
      {"un ¬ A", "unbalanced¬A", "unbalanced ¬ A"},
      {"ca gr A", "cards A", "cards A"},
      {"cards (A|B)", "cards (A|B)", "cards (A | B)"},
      {"¬cards A", "¬(cards A)", "¬(cards A)"},
      {"A (B)", "A|B", "A | B"},
      {") A", "A", "A"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    CombCompile(&owner->combination, c.text);
    EXPECT_EQ(Print(0), c.stored);
    EXPECT_EQ(Print(' '), c.shown);
    // Each printed form reads back as itself.
    std::string stored = Print(0);
    CombCompile(&owner->combination, Print(' ').c_str());
    EXPECT_EQ(Print(0), stored);
  }
  EXPECT_TRUE(alerts.asked.empty());
}

TEST_F(CombinationTest, UnknownWordsAreReportedAndSkipped) {
  CombCompile(&owner->combination, "Nowhere | A & x y ¬ B");
  EXPECT_EQ(Print(0), "A¬B");
  ASSERT_EQ(alerts.Messages(), (std::vector<int32_t>{4707, 4707}));
  EXPECT_EQ(alerts.asked[0].second, "Nowhere");
  EXPECT_EQ(alerts.asked[1].second, "x y");
  EXPECT_TRUE(CombUsesItem(&owner->combination, SubsetFindItem(owner, "B")));
  EXPECT_FALSE(CombUsesSubset(&owner->combination, north));
}

TEST_F(CombinationTest, OffersNamesInGroups) {
  Subset* mine = SubsetCreate(&local, "Mine");
  std::vector<std::string> names;
  for (int32_t i = 0; i < CombNameCount(&mine->combination); ++i) {
    const char* name = CombName(&mine->combination, i);
    names.push_back(name ? name : "-");
  }
  EXPECT_EQ(names,
            (std::vector<std::string>{"North", "Sales", "Sales East", "-", "Mine", "Owner"}));
  SubsetAppendItem(mine, "");
  EXPECT_EQ(CombNameCount(&mine->combination), 8);
  EXPECT_STREQ(CombName(&mine->combination, 7), "A");
  EXPECT_EQ(CombName(&mine->combination, 8), nullptr);
  EXPECT_EQ(CombFindSubset(&mine->combination, "north"), north);
  EXPECT_EQ(CombFindSubset(&mine->combination, "mine"), mine);
  EXPECT_EQ(CombSubsetList(&mine->combination), &local);
  // A database subset names only its own items.
  EXPECT_EQ(CombSubsetList(&north->combination), nullptr);
  EXPECT_EQ(CombFindSubset(&north->combination, "Sales"), nullptr);

  int32_t length = 0;
  const std::pair<const char*, int32_t> operators[] = {
      {"&x", 1},  {"|", 1},  {"(", 1},  {")", 1}, {"¬", 2}, {"±", 2},  {"++x", 2},
      {"---", 3}, {"+-", 2}, {"+x", 0}, {"-", 0}, {"x", 0}, {" &", 0},
  };
  for (const auto& [text, expected] : operators) {
    EXPECT_EQ(CombScanOperator(text, &length), expected > 0) << text;
    if (expected > 0) {
      EXPECT_EQ(length, expected) << text;
    }
  }
}

// Cards with known groups: card 1 has group G1 (lines +10.004 and -10, balanced at 2 decimals)
// and group G2 (lines 5 and 0, unbalanced); card 2 has group G1 with 7 and -7.
class CalculationTest : public CombinationTest {
 protected:
  void SetUp() override {
    CombinationTest::SetUp();
    int64_t g1 = Component(0, "G1");
    int64_t g2 = Component(0, "G2");
    c1 = Card(Day(2024, 3, 1), 1);
    c2 = Card(Day(2024, 3, 2), 1);
    a = Line(c1, g1, {10.004});
    b = Line(c1, g1, {-10});
    c = Line(c1, g2, {5});
    d = Line(c1, g2, {0});
    e = Line(c2, g1, {7});
    f = Line(c2, g1, {-7});
    // Item A: lines with a value above 6; item B: lines of exactly 0.
    Selection_setCondition(&SubsetFindItem(owner, "A")->selection, 0, ">6");
    Selection_setCondition(&SubsetFindItem(owner, "B")->selection, 0, "0");
  }

  std::vector<LineRecord*> Calculate(const char* formula) {
    CombCompile(&owner->combination, formula);
    EXPECT_TRUE(CombCalculate(&owner->combination, nullptr));
    std::vector<LineRecord*> chosen;
    for (LineRecord* line : {a, b, c, d, e, f}) {
      if (BitVecGet(&owner->combination.lines, line->number)) chosen.push_back(line);
    }
    return chosen;
  }

  CardRecord* c1 = nullptr;
  CardRecord* c2 = nullptr;
  LineRecord *a, *b, *c, *d, *e, *f;
};

TEST_F(CalculationTest, ScopeWordsOverGroupsAndCards) {
  using Lines = std::vector<LineRecord*>;
  EXPECT_EQ(Calculate("A"), (Lines{a, e}));
  EXPECT_EQ(Calculate("groups A"), (Lines{a, b, e, f}));
  EXPECT_EQ(Calculate("cards A"), (Lines{a, b, c, d, e, f}));
  EXPECT_EQ(Calculate("cards B"), (Lines{a, b, c, d}));
  EXPECT_EQ(Calculate("groups B"), (Lines{c, d}));
  EXPECT_EQ(Calculate("A|B"), (Lines{a, d, e}));
  EXPECT_EQ(Calculate("¬A"), (Lines{b, c, d, f}));
  EXPECT_EQ(Calculate("cards A¬A"), (Lines{b, c, d, f}));
  EXPECT_EQ(Calculate("A±groups A"), (Lines{b, f}));
  // At 2 decimals G1 of card 1 sums to 0.004, which rounds to 0; G2 sums to 5.
  EXPECT_EQ(Calculate("unbalanced"), (Lines{c, d}));
  base->decimalsCodes[0] = 3;
  EXPECT_EQ(Calculate("unbalanced"), (Lines{a, b, c, d}));
  base->decimalsCodes[0] = 2;
  // Of the chosen lines only: G1 of card 2 with 7 alone is unbalanced.
  EXPECT_EQ(Calculate("unbalanced A"), (Lines{a, b, e, f}));
  EXPECT_EQ(Calculate("unbalanced B"), Lines{});
  // A sum that is not a number counts as unbalanced.
  base->SetLineValue(b, 0, std::nan(""));
  EXPECT_EQ(Calculate("unbalanced"), (Lines{a, b, c, d}));
}

TEST_F(CalculationTest, RecalculatesOnlyWhenStale) {
  CombCompile(&north->combination, "");
  CombCompile(&owner->combination, "A|North");
  EXPECT_TRUE(CombNeedsCalc(&owner->combination));
  bool changed = false;
  ASSERT_TRUE(CombCalculate(&owner->combination, &changed));
  EXPECT_TRUE(changed);
  EXPECT_FALSE(CombNeedsCalc(&owner->combination));
  changed = false;
  ASSERT_TRUE(CombCalculate(&owner->combination, &changed));
  EXPECT_FALSE(changed);

  // A subset it names going stale makes it stale; so do cards.
  SubsetAppendItem(north, "N");
  CombCompile(&north->combination, "N");
  EXPECT_TRUE(CombNeedsCalc(&owner->combination));
  ASSERT_TRUE(CombCalculate(&owner->combination, &changed));
  EXPECT_TRUE(changed);
  SubsetMarkChanged(north);
  EXPECT_TRUE(CombNeedsCalc(&owner->combination));
  ASSERT_TRUE(CombCalculate(&owner->combination, nullptr));
  // A window's list hears the database's changes through its window.
  ChangeNote note;
  note.code = kChangeCards;
  note.database = base;
  SubsetListOnChange(&local, &note);
  EXPECT_EQ(owner->combination.calculated, 0);
}

TEST_F(CalculationTest, SubsetsNamingEachOtherGiveTheEmptySet) {
  // Window subsets may name each other.
  Subset* wide = SubsetCreate(&local, "Wide");
  Subset* narrow = SubsetCreate(&local, "Narrow");
  CombCompile(&wide->combination, "Narrow|Owner");
  CombCompile(&narrow->combination, "Wide");
  CombCompile(&owner->combination, "A|Wide");
  EXPECT_TRUE(CombNeedsCalc(&wide->combination));
  ASSERT_TRUE(CombCalculate(&wide->combination, nullptr));
  // Wide = Narrow | Owner, where Narrow = Wide is cut to the empty set and Owner = A | Wide is
  // A | (cut).
  EXPECT_EQ(Members(&wide->combination.lines), (std::vector<int64_t>{a->number, e->number}));
  EXPECT_EQ(Calculate("A|Wide"), (std::vector<LineRecord*>{a, e}));
  // A subset naming itself.
  EXPECT_EQ(Calculate("Owner|B"), (std::vector<LineRecord*>{d}));
  EXPECT_FALSE(CombNeedsCalc(&owner->combination));
}

}  // namespace
