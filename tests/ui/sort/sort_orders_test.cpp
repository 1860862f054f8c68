// The sort-order vocabularies (code letters, keywords, chooser labels) and the value and text
// comparisons.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "core/memory.h"
#include "ui/chooser.h"
#include "ui/database_services.h"
#include "ui/document_window.h"
#include "ui/sort_orders.h"

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

TEST(SortCodes, LettersRoundTripAndUnknownLettersChangeNothing) {
  struct Order {
    char (*code)(int32_t);
    int32_t (*parse)(int32_t*, char);
    const char* letters;
  };
  const Order orders[] = {{SortDirCode, ParseSortDirCode, "AD"},
                          {TreeOrderCode, ParseTreeOrderCode, "NRCTH"},
                          {ValueOrderCode, ParseValueOrderCode, "DEFCBA"},
                          {LabelOrderCode, ParseLabelOrderCode, "NRP"}};
  for (const Order& order : orders) {
    SCOPED_TRACE(order.letters);
    int32_t count = static_cast<int32_t>(strlen(order.letters));
    for (int32_t v = 0; v < count; ++v) {
      EXPECT_EQ(order.code(v), order.letters[v]);
      int32_t parsed = -5;
      EXPECT_EQ(order.parse(&parsed, order.letters[v]), v);
      EXPECT_EQ(parsed, v);
    }
    EXPECT_EQ(order.code(-1), 0);
    EXPECT_EQ(order.code(count), 0);
    int32_t untouched = 7;
    EXPECT_EQ(order.parse(&untouched, 'Z'), -1);
    EXPECT_EQ(order.parse(&untouched, 0), -1);
    EXPECT_EQ(untouched, 7);
  }
  int32_t value = 0;
  EXPECT_EQ(ParseValueOrderCode(&value, 'C'), 3);
  EXPECT_EQ(ParseValueOrderCode(&value, 'd'), -1);  // letters are upper case
}

TEST(SortCodes, KeywordsIgnoreCase) {
  EXPECT_EQ(TreeOrderFromKeyword("Host"), kTreeHostCode);
  EXPECT_EQ(TreeOrderFromKeyword("REVERSED"), kTreeReversed);
  EXPECT_EQ(ValueOrderFromKeyword("AbsAsc"), kValueAbsAscending);
  EXPECT_EQ(ValueOrderFromKeyword("asc"), kValueAscending);
  for (const char* word : {static_cast<const char*>(nullptr), "", "as", "ascending", " asc"}) {
    EXPECT_EQ(ValueOrderFromKeyword(word), -1) << (word ? word : "(null)");
    EXPECT_EQ(TreeOrderFromKeyword(word), -1);
  }
  for (int32_t v = 0; v <= kValueAscending; ++v) {
    EXPECT_EQ(ValueOrderFromKeyword(ValueOrderKeyword(v)), v);
  }
  EXPECT_EQ(ValueOrderKeyword(6), nullptr);
  EXPECT_EQ(TreeOrderKeyword(-1), nullptr);
}

TEST(SortCodes, Toggles) {
  int32_t d = kSortAscending;
  ToggleSortDir(&d);
  EXPECT_EQ(d, kSortDescending);
  int32_t tree = kTreeReversed;
  EXPECT_TRUE(ToggleTreeOrder(&tree));
  EXPECT_EQ(tree, kTreeNormal);
  tree = kTreeText;
  EXPECT_FALSE(ToggleTreeOrder(&tree));
  EXPECT_EQ(tree, kTreeText);
  int32_t label = 2;
  ToggleLabelOrder(&label);
  EXPECT_EQ(label, 0);
  ToggleLabelOrder(&label);
  EXPECT_EQ(label, 1);
  int32_t value = kValueCombinedDescending;
  ReverseValueOrder(&value);
  EXPECT_EQ(value, kValueCombinedAscending);
}

TEST(SortCodes, ChooserLabels) {
  ChooserEvent tree;
  tree.index = kTreeCode;
  LabelTreeOrderItem(&tree);
  EXPECT_STREQ(tree.text, "QEB-Code");

  struct Case {
    int64_t index;
    bool listOpen;
    const char* text;
  };
  for (const Case& c : {Case{0, true, "Descending"}, Case{5, true, "Ascending"},
                        Case{3, true, nullptr}, Case{0, false, nullptr}}) {
    ChooserEvent record;
    record.index = c.index;
    record.listOpen = c.listOpen ? 1 : 0;
    LabelValueOrderItem(&record);
    EXPECT_EQ(record.picture, kValueOrderPictureFirst + c.index);
    if (c.text) {
      EXPECT_STREQ(record.text, c.text);
    } else {
      EXPECT_EQ(record.text, nullptr);
    }
  }
}

TEST(ValueOrder, SortsEveryOrderWithMissingValuesLast) {
  struct Case {
    int32_t order;
    std::vector<double> sorted;
  };
  const Case cases[] = {
      {kValueDescending, {kInf, 5, 2, 0, -1, -7, -kInf, kNaN, kNaN}},
      {kValueCombinedDescending, {kInf, 5, 2, -kInf, -7, -1, 0, kNaN, kNaN}},
      {kValueAbsDescending, {-kInf, kInf, -7, 5, 2, -1, 0, kNaN, kNaN}},
      {kValueAbsAscending, {0, -1, 2, 5, -7, -kInf, kInf, kNaN, kNaN}},
      {kValueCombinedAscending, {0, 2, 5, kInf, -1, -7, -kInf, kNaN, kNaN}},
      {kValueAscending, {-kInf, -7, -1, 0, 2, 5, kInf, kNaN, kNaN}},
  };
  // Equal magnitudes keep this order (the sort is stable): -inf before +inf.
  const std::vector<double> input{5, kNaN, -7, 0, 2, -kInf, -1, kNaN, kInf};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.order);
    std::vector<double> values = input;
    std::stable_sort(values.begin(), values.end(),
                     [&](double a, double b) { return CompareByValueOrder(a, b, c.order) < 0; });
    ASSERT_EQ(values.size(), c.sorted.size());
    for (size_t i = 0; i < values.size(); ++i) {
      if (std::isnan(c.sorted[i])) {
        EXPECT_TRUE(std::isnan(values[i])) << i;
      } else {
        EXPECT_EQ(values[i], c.sorted[i]) << i;
      }
    }
  }
  EXPECT_EQ(CompareByValueOrder(-1, 1, kValueAbsAscending), 0);
  EXPECT_EQ(CompareByValueOrder(-3, 3, kValueAbsDescending), 0);
  EXPECT_EQ(CompareByValueOrder(kNaN, kNaN, kValueAscending), 0);
  EXPECT_EQ(CompareByValueOrder(4, 4, kValueCombinedDescending), 0);
}

TEST(TextOrder, MissingTextsComeLastInBothDirections) {
  struct Case {
    const char* a;
    const char* b;
    int32_t ascending;
    int32_t descending;
  };
  const Case cases[] = {
      {"apple", "Banana", -1, 1}, {"APPLE", "apple", 0, 0}, {nullptr, "a", 1, 1},
      {"a", nullptr, -1, -1},     {nullptr, nullptr, 0, 0}, {"", "a", -1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.a ? c.a : "(null)") << " " << (c.b ? c.b : "(null)"));
    EXPECT_EQ(CompareTexts(c.a, c.b, kSortAscending), c.ascending);
    EXPECT_EQ(CompareTexts(c.a, c.b, kSortDescending), c.descending);
  }
  // Component texts: an empty text is as missing as a null one.
  EXPECT_EQ(CompareComponentTexts("", "a", kSortAscending, nullptr), 1);
  EXPECT_EQ(CompareComponentTexts("a", nullptr, kSortDescending, nullptr), -1);
  EXPECT_EQ(CompareComponentTexts(nullptr, "", kSortDescending, nullptr), 0);
  EXPECT_EQ(CompareComponentTexts("b", "A", kSortDescending, nullptr), -1);
}

}  // namespace

namespace {

// A fake pool of 40 components. Dimension 0: root 0 with 32 (children 34, 35) and 33;
// dimension 1: root 1 with 36; dimension 2 loops 37 -> 38 -> 37 forever; dimension 3 walks
// out of the pool.
int fakeBase;
T_Base* const kBase = reinterpret_cast<T_Base*>(&fakeBase);
int32_t poolSize = 40;

int32_t FakeNext(int32_t c, bool reversed) {
  const std::vector<int32_t> walks[] = {{0, 32, 34, 35, 33}, {1, 36}};
  const std::vector<int32_t> reverseWalks[] = {{0, 33, 32, 35, 34}, {1, 36}};
  for (const auto& walk : reversed ? reverseWalks : walks) {
    auto at = std::find(walk.begin(), walk.end(), c);
    if (at != walk.end()) return ++at == walk.end() ? walk.front() : *at;
  }
  if (c == 2 || c == 38) return 37;
  if (c == 37) return 38;
  return 999;
}

const char* FakeField(int32_t c, const char* const* texts) {
  return c >= 32 && c <= 35 ? texts[c - 32] : nullptr;
}

const ComponentOperations kComponents{
    /*componentCount*/ [](T_Base*) { return poolSize; },
    /*treeNext*/ [](T_Base*, int32_t c) { return FakeNext(c, false); },
    /*treeNextReverse*/ [](T_Base*, int32_t c) { return FakeNext(c, true); },
    /*code*/
    [](T_Base*, int32_t c) {
      static const char* const codes[] = {"b", "A", "c", nullptr};
      return FakeField(c, codes);
    },
    /*text*/
    [](T_Base*, int32_t c) {
      static const char* const texts[] = {"Zeta", "", "alpha", "Beta"};
      return FakeField(c, texts);
    },
    /*hostCode*/
    [](T_Base*, int32_t c) {
      static const char* const hosts[] = {"2", "1", nullptr, "3"};
      return FakeField(c, hosts);
    },
};

class TreeOrderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    poolSize = 40;
    SetComponentOperations(&kComponents);
  }
  void TearDown() override { SetComponentOperations(nullptr); }

  std::vector<int32_t> Sorted(std::vector<int32_t> components, int32_t order) {
    std::stable_sort(components.begin(), components.end(), [&](int32_t a, int32_t b) {
      return CompareByTreeOrder(&window, a, b, order) < 0;
    });
    return components;
  }

  static constexpr RECT kRect{0, 0, 200, 100};
  T_HWindow window{kKindDocument, kWindowComponents, &kRect, 0, kBase, 0};
};

TEST_F(TreeOrderTest, WalksNumberTheTreeAndTheOtherOrdersCompareTexts) {
  const std::vector<int32_t> mixed{33, 35, 0, 34, 32};
  EXPECT_EQ(Sorted(mixed, kTreeNormal), mixed);  // no table yet: all equal
  BuildTreeOrderTable(&window, 0, kTreeCode);
  EXPECT_EQ(window.treeOrder, nullptr);

  BuildTreeOrderTable(&window, 0, kTreeNormal);
  ASSERT_NE(window.treeOrder, nullptr);
  EXPECT_EQ(Sorted(mixed, kTreeNormal), (std::vector<int32_t>{32, 34, 35, 33, 0}));
  BuildTreeOrderTable(&window, 0, kTreeReversed);
  EXPECT_EQ(Sorted(mixed, kTreeReversed), (std::vector<int32_t>{33, 32, 35, 34, 0}));
  // A second dimension numbers into the same table without disturbing the first.
  BuildTreeOrderTable(&window, 1, kTreeNormal);
  EXPECT_EQ(window.treeOrder[36], 0);
  EXPECT_EQ(window.treeOrder[1], 1);
  EXPECT_EQ(window.treeOrder[33], 0);

  // Missing codes and texts (and an empty text) sort last.
  EXPECT_EQ(Sorted({32, 33, 34, 35}, kTreeCode), (std::vector<int32_t>{33, 32, 34, 35}));
  EXPECT_EQ(Sorted({32, 33, 34, 35}, kTreeText), (std::vector<int32_t>{34, 35, 32, 33}));
  EXPECT_EQ(Sorted({32, 33, 34, 35}, kTreeHostCode), (std::vector<int32_t>{33, 32, 35, 34}));

  window.FreeTreeOrderTable();
  EXPECT_EQ(window.treeOrder, nullptr);
  EXPECT_EQ(CompareByTreeOrder(&window, 32, 33, kTreeNormal), 0);
}

TEST_F(TreeOrderTest, BrokenWalksAndBadNumbersStaySafe) {
  BuildTreeOrderTable(&window, 2, kTreeNormal);  // never returns to its root
  ASSERT_NE(window.treeOrder, nullptr);
  BuildTreeOrderTable(&window, 3, kTreeNormal);  // leaves the pool
  BuildTreeOrderTable(&window, 40, kTreeNormal);  // not a dimension root
  // Components outside the table stand at place 0, like the unnumbered 32; the looping walk
  // numbered 37 and 38 last.
  struct Case {
    int32_t a, b, expected;
  } cases[] = {{-1, 32, 0}, {32, 999, 0}, {-1, 37, -1}, {38, 999, 1}, {999, -1, 0}};
  for (const Case& c : cases)
    EXPECT_EQ(CompareByTreeOrder(&window, c.a, c.b, kTreeNormal), c.expected) << c.a << " " << c.b;
  EXPECT_EQ(Sorted({38, 999, 37, -1}, kTreeNormal), (std::vector<int32_t>{999, -1, 37, 38}));

  // The pool grew since the table was made: the table grows with it and keeps its numbers.
  BuildTreeOrderTable(&window, 0, kTreeNormal);
  poolSize = 4000;
  BuildTreeOrderTable(&window, 1, kTreeNormal);
  EXPECT_GE(MemSize(window.treeOrder), 4000 * static_cast<int64_t>(sizeof(int64_t)));
  EXPECT_EQ(window.treeOrder[35], 2);
  EXPECT_EQ(window.treeOrder[3999], 0);

  const RECT rect{0, 0, 200, 100};
  T_HWindow detached{kKindDocument, kWindowComponents, &rect, 0, nullptr, 0};
  BuildTreeOrderTable(&detached, 0, kTreeNormal);  // no database, no components
  EXPECT_EQ(detached.treeOrder, nullptr);
}

}  // namespace
