// The save filter: which cards, groups and lines a save writes under the filter of its save
// options and the selection level.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "database/card_selection.h"
#include "database/save_options.h"
#include "database/saving.h"
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

// A filtered save writes of an "in use" dimension only the components its cards use, and its
// progress total counts only the cards and lines it writes.
TEST_F(SaveFilterTest, OnlyWrittenCardsCountForComponentsInUseAndForTheEstimate) {
  CardRecord* may = Card(base, 2024, 5, 2, 1);
  Line(base, may, Add(base, 0, "C")->number, {5}, {}, "five");
  for (uint8_t& section : base->saveOptions.sections) section = 0;
  base->saveOptions.sections[kSectionCards] = 1;
  base->saveOptions.dimensionModes[0] = kDimSaveInUse;
  struct Case {
    const char* what;
    const char* to;       // the filter's last date, empty for none
    const char* pattern;  // line texts, empty for any
    int32_t level;
    int64_t cards, lines;
    const char* components;
  };
  const Case cases[] = {
      {"no filter", "", "", 0, 3, 5, "A\r\nB\r\nC\r\n"},
      {"March", "240331", "", 0, 1, 3, "A\r\nB\r\n"},
      {"April on, lines of one group", "", "fo|fi", 1, 2, 2, "B\r\nC\r\n"},
      {"passing lines only", "", "tw|fi", 2, 2, 2, "A\r\nC\r\n"},
  };
  for (const Case& c : cases) {
    SelectionDef_clear(Filter());
    if (*c.to) {
      T_TextBuf to(c.to);
      DateRefNormalize(&Filter()->to, &to);
    }
    if (*c.pattern) SelectionDef_setPattern(Filter(), kPatternLineText, c.pattern);
    base->saveOptions.selectionLevel = c.level;
    EXPECT_EQ(EstimateSaveSize(base), 104 * c.cards + 40 * c.lines) << c.what;
    const std::string section = DimensionSectionsOf(base);
    EXPECT_EQ(section.substr(section.find("\r\n") + 2),
              "-EC\t3\r\n" + std::string(c.components) + "\r\n")
        << c.what;
  }
}

}  // namespace
}  // namespace records_test
