// The save filter: which cards, groups and lines a save writes under the filter of its save
// options and the selection level.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "database/card_selection.h"
#include "database/save_options.h"
#include "tests/database/records/records_fixture.h"

namespace records_test {
namespace {

// Cards of March and April 2024; groups "A" and "B" of dimension 0; lines of value 1 to 4.
class SaveFilterTest : public RecordsTest {
 protected:
  void SetUp() override {
    RecordsTest::SetUp();
    int64_t a = Add(base, 0, "A")->number;
    int64_t b = Add(base, 0, "B")->number;
    CardRecord* march = Card(base, 2024, 3, 5, 1);
    Line(base, march, a, {1}, {}, "one");
    Line(base, march, a, {2}, {}, "two");
    Line(base, march, b, {3}, {}, "three");
    CardRecord* april = Card(base, 2024, 4, 9, 1);
    Line(base, april, b, {4}, {}, "four");
  }

  // The "C", "G" and "L" records written, one word each.
  std::string Shape() {
    std::string shape;
    std::string text = CardsSectionOf(base);
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find('\r', start);
      if (end == std::string::npos) end = text.size();
      std::string line = text.substr(start, end - start);
      start = end + 2;
      if (line.empty()) continue;
      if (line[0] == 'C' || line[0] == 'G') shape += line.substr(0, line.find('\t', 2)) + " ";
      if (line[0] == 'L') shape += "L" + line.substr(line.rfind('\t') + 1) + " ";
    }
    return shape;
  }

  SelectionDef* Filter() { return base->saveOptions.filter; }
};

TEST_F(SaveFilterTest, AnUnrestrictedFilterWritesEverything) {
  ASSERT_NE(Filter(), nullptr);
  EXPECT_EQ(Shape(), "C240305-1 GA Lone Ltwo GB Lthree C240409-1 GB Lfour ");
}

TEST_F(SaveFilterTest, TheSelectionLevelDecidesWhatOfAPassingCardIsWritten) {
  SelectionDef_setPattern(Filter(), kPatternLineText, "tw|th");
  struct Case {
    int32_t level;
    const char* shape;
  };
  const Case cases[] = {
      {0, "C240305-1 GA Lone Ltwo GB Lthree "},  // whole cards that hold a passing line
      {1, "C240305-1 GA Lone Ltwo GB Lthree "},  // groups with a passing line, all their lines
      {2, "C240305-1 GA Ltwo GB Lthree "},       // only the passing lines
  };
  for (const Case& c : cases) {
    base->saveOptions.selectionLevel = c.level;
    EXPECT_EQ(Shape(), c.shape) << c.level;
  }
}

TEST_F(SaveFilterTest, DateRangeAndGroupComponentsChooseCards) {
  T_TextBuf to("240331");
  DateRefNormalize(&Filter()->to, &to);
  EXPECT_EQ(Shape(), "C240305-1 GA Lone Ltwo GB Lthree ");
  SelectionDef_clear(Filter());
  SelectionDef_setComponentText(Filter(), 0, "B");
  base->saveOptions.selectionLevel = 1;
  EXPECT_EQ(Shape(), "C240305-1 GB Lthree C240409-1 GB Lfour ");
}

}  // namespace
}  // namespace records_test
