// The sort-order vocabularies (code letters, keywords, chooser labels) and the value and text
// comparisons.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "ui/chooser.h"
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
