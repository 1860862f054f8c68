// Finding components by typed keys, and dimensions by name.
#include <gtest/gtest.h>

#include <string>

#include "core/owned_text.h"
#include "database/component_lookup.h"
#include "tests/database/components/components_fixture.h"

namespace components_test {
namespace {

class ComponentLookupTest : public ComponentsTest {
 protected:
  void SetUp() override {
    ComponentsTest::SetUp();
    forty = Add(1, "40", "Sales", "S40");
    fortyOne = Add(1, "401", "Sales north", "S401");
    fifty = Add(1, "50", "Salaries", "P50");
    abc = Add(1, "ABC", "Alpha beta", "X 1");
    linked = Add(1, "60", "<a href=\"x.com/z\">Zeta</a> report", nullptr);
  }
  int64_t Key(const char* text, int32_t length = -1) {
    return base->FindComponentByKey(1, text, length);
  }

 public:  // named by the tables through member pointers
  ComponentRecord* forty;
  ComponentRecord* fortyOne;
  ComponentRecord* fifty;
  ComponentRecord* abc;
  ComponentRecord* linked;
};

TEST_F(ComponentLookupTest, FindComponentByKeyTriesCodesHostCodesAndPrefixes) {
  struct Case {
    const char* key;
    ComponentRecord* ComponentLookupTest::*expected;  // null: the root
  } cases[] = {
      // One word.
      {"401", &ComponentLookupTest::fortyOne},   // code
      {"abc", &ComponentLookupTest::abc},        // code, case ignored
      {"s401", &ComponentLookupTest::fortyOne},  // host code
      {"sal", &ComponentLookupTest::fifty},      // the smallest text with the prefix
      {"P5", &ComponentLookupTest::fifty},       // host-code prefix
      {"zeta", &ComponentLookupTest::linked},    // texts compare without their link markup
      {"zzz", nullptr},
      {"   40   ", &ComponentLookupTest::forty},
      {"", nullptr},
      {"   ", nullptr},
      // Two words.
      {"40 anything", &ComponentLookupTest::forty},  // the first word is a code
      {"x 1", &ComponentLookupTest::abc},            // host code of the whole text
      {"S401 xyz", &ComponentLookupTest::fortyOne},  // host code of the first word
      {"Sales n", &ComponentLookupTest::fortyOne},   // text prefix of the whole text
      {"qq   Alpha", &ComponentLookupTest::abc},     // text prefix of the rest
      {"qq zz", nullptr},
  };
  for (const Case& c : cases) {
    int64_t expected = c.expected ? (this->*c.expected)->number : 1;
    EXPECT_EQ(Key(c.key), expected) << '"' << c.key << '"';
  }
  EXPECT_EQ(Key("401xyz", 3), fortyOne->number);
  EXPECT_EQ(Key(nullptr), 1);
}

TEST_F(ComponentLookupTest, KeysCountTheirFirst255Bytes) {
  std::string longText(260, 'x');
  ComponentRecord* long1 = Add(1, "L", longText.c_str());
  EXPECT_EQ(Key(std::string(300, 'x').c_str()), long1->number);
  // The cut falls before a character it would split.
  std::string accented = std::string(254, 'y') + "\xc3\xa9" + "tail";
  ComponentRecord* long2 = Add(1, "M", (std::string(254, 'y') + "z").c_str());
  EXPECT_EQ(Key(accented.c_str()), long2->number);
}

TEST_F(ComponentLookupTest, PrefixAndFloorSearchesFollowTheCaseRule) {
  ComponentRecord* same1 = Add(1, "71", "Same");
  Add(1, "72", "same");
  EXPECT_EQ(FindByTextPrefix(base, 1, "SAM"), same1);  // equal texts: the first in tree order
  EXPECT_EQ(FindByHostPrefix(base, 1, "s4"), forty);
  struct Case {
    const char* key;
    ComponentRecord* ComponentLookupTest::*expected;
  } floors[] = {
      {"S400", &ComponentLookupTest::forty},
      {"s401", &ComponentLookupTest::fortyOne},
      {"ZZ", &ComponentLookupTest::abc},
      {"A", nullptr},
  };
  for (const Case& c : floors) {
    ComponentRecord* expected = c.expected ? this->*c.expected : nullptr;
    EXPECT_EQ(FindByHostFloor(base, 1, c.key), expected) << c.key;
  }
  base->dimensions[1]->textCase = 4;
  EXPECT_EQ(FindByTextPrefix(base, 1, "sal"), nullptr);
  EXPECT_EQ(FindByTextPrefix(base, 1, "Sal"), fifty);
  EXPECT_EQ(FindByCode(base, 2, "40"), nullptr);  // a dimension without an index
}

TEST_F(ComponentLookupTest, FindComponentOrAskReportsWhatIsMissing) {
  EXPECT_EQ(base->FindComponentOrAsk(1, "401", -1, nullptr), fortyOne->number);
  EXPECT_EQ(base->FindComponentOrAsk(1, "  ", -1, nullptr), 1);
  EXPECT_EQ(base->FindComponentOrAsk(1, " nowhere ", -1, nullptr), 1);
  if (!ReadPromptIsLinked()) GTEST_SKIP() << "the read-problem prompt is a stand-in here";
  ASSERT_EQ(alerts.asked.size(), 1u);
  EXPECT_EQ(alerts.asked[0].message, 3903);
  EXPECT_EQ(alerts.asked[0].texts, (std::vector<std::string>{"nowhere", "Dim 2"}));
}

TEST_F(ComponentLookupTest, DimensionsAreFoundByStoredNameOrNumber) {
  base->dimensions[3]->singular = StrDup("Region");
  base->dimensions[3]->plural = StrDup("Regions");
  base->dimensions[5]->plural = StrDup("Products");
  base->dimensions[9]->singular = StrDup("7");
  struct Case {
    const char* name;
    int32_t dimension;
  } cases[] = {
      {"2", 1},         {"32", 31},     {"33", -1},         {"0", -1},
      {"REGION", 3},    {"regions", 3}, {" products\t", 5}, {"Pro\001ducts", 5},
      {"7", 9},       // a stored name before a number
      {"Dim 1", -1},  // default names are not stored
      {"Region 2", -1}, {"12x", -1},    {"", -1},           {" \t ", -1},
  };
  for (const Case& c : cases) EXPECT_EQ(base->FindDimByName(c.name), c.dimension) << c.name;
  EXPECT_EQ(base->FindDimByName(nullptr), -1);
  EXPECT_STREQ(base->GetDimSingular(3), "Region");
  EXPECT_STREQ(base->GetDimPlural(5), "Products");
  EXPECT_STREQ(base->GetDimSingular(5), "Dim 6");
}

TEST_F(ComponentLookupTest, MapDimIndexFollowsTheDimensionOrder) {
  EXPECT_EQ(base->MapDimIndex(4), 4);
  base->dimensionOrder[0] = 2;
  base->dimensionOrder[1] = 0;
  base->dimensionOrder[2] = 1;
  base->dimensionOrderCount = 3;
  EXPECT_EQ(base->MapDimIndex(2), 0);
  EXPECT_EQ(base->MapDimIndex(1), 2);
  EXPECT_EQ(base->MapDimIndex(5), 5);
}

}  // namespace
}  // namespace components_test
