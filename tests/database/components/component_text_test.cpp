// Display texts of components by style, and the component lines of a dimension.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "core/alert.h"
#include "core/criteria.h"
#include "core/output_stream.h"
#include "database/component_text.h"
#include "tests/database/components/components_fixture.h"

namespace components_test {
namespace {

using ComponentTextTest = ComponentsTest;

TEST_F(ComponentTextTest, StylesShowTheirPartsAndLeaveOutEmptyOnes) {
  int64_t full = Add(1, "40", "Sales", "S40")->number;
  int64_t noHost = Add(1, "41", "Rent")->number;
  int64_t noText = Add(1, "42", nullptr, "H42")->number;
  int64_t bare = Add(1, "43")->number;
  struct Case {
    int64_t component;
    const char* formatted[7];  // FormatComponent, styles 0 to 6
    const char* listed[7];     // GetComponentText with the dimension at styles 0 to 6
  } cases[] = {
      {full,
       {"40", "S40", "Sales", "40 Sales", "S40 Sales", "40 S40", "40 S40 Sales"},
       {"40", "40 S40", "40 Sales", "40 Sales", "40 S40 Sales", "40 S40", "40 S40 Sales"}},
      {noHost,
       {"41", "", "Rent", "41 Rent", "Rent", "41", "41 Rent"},
       {"41", "41", "41 Rent", "41 Rent", "41 Rent", "41", "41 Rent"}},
      {noText,
       {"42", "H42", "", "42", "H42", "42 H42", "42 H42"},
       {"42", "42 H42", "42", "42", "42 H42", "42 H42", "42 H42"}},
      {bare, {"43", "", "", "43", "", "43", "43"}, {"43", "43", "43", "43", "43", "43", "43"}},
  };
  T_TextBuf out;
  for (const Case& c : cases) {
    for (int32_t style = 0; style < 7; ++style) {
      FormatComponent(base, &out, c.component, 1, style);
      EXPECT_STREQ(out.data, c.formatted[style]) << c.component << " style " << style;
      base->dimensions[1]->displayStyle = style;
      base->GetComponentText(&out, c.component, 1);
      EXPECT_STREQ(out.data, c.listed[style]) << c.component << " style " << style;
      FormatComponent(base, &out, c.component, 1, -1);  // the dimension's own style
      EXPECT_STREQ(out.data, c.formatted[style]) << c.component << " own style " << style;
    }
  }
  FormatComponent(base, &out, full, 1, 7);
  EXPECT_STREQ(out.data, "");
  FormatComponent(base, &out, 1, 1, 3);  // a root
  EXPECT_STREQ(out.data, "");
  base->GetComponentText(&out, 1, 1);
  EXPECT_STREQ(out.data, "");
}

TEST_F(ComponentTextTest, TheListFormRemovesLinkMarkup) {
  int64_t linked = Add(1, "44", "<a href=\"x.com/z\">Zeta</a> report")->number;
  T_TextBuf out;
  base->GetComponentText(&out, linked, 1);
  EXPECT_STREQ(out.data, "44 Zeta report");
  GetComponentTextMarkup(base, &out, linked, 1);
  EXPECT_STREQ(out.data, "44 <a href=\"x.com/z\">Zeta</a> report");
  FormatComponent(base, &out, linked, 1, 2);
  EXPECT_STREQ(out.data, "<a href=\"x.com/z\">Zeta</a> report");
}

class ComponentWriterTest : public ComponentsTest {
 protected:
  void SetUp() override {
    ComponentsTest::SetUp();
    // 1[10[100] 11] 2[20]
    Add(1, "1", "One");
    Add(1, "10", "Ten");
    Add(1, "100", "Hundred");
    Add(1, "11", "Eleven");
    Add(1, "2", "Two", "B2");
    Add(1, "20", "Twenty");
    stream.SetNewlineChar('\n');
  }
  std::string Written() {
    std::string text(reinterpret_cast<const char*>(stream.start), stream.BufferedLength());
    stream.pos = stream.start;
    return text;
  }
  // The first field of every line.
  std::string Codes() {
    std::string codes;
    std::string text = Written();
    for (size_t at = 0; at < text.size();) {
      size_t end = text.find('\n', at);
      if (!codes.empty()) codes += ' ';
      codes += text.substr(at, std::min(text.find('\t', at), end) - at);
      at = end + 1;
    }
    return codes;
  }
  T_OStream stream;
};

TEST_F(ComponentWriterTest, EveryComponentGoesOutAsOneLine) {
  WriteDimensionComponents(base, &stream, 1);
  // The stream drops separators at the end of a line.
  EXPECT_EQ(Written(), "1\tOne\n10\tTen\n100\tHundred\n11\tEleven\n2\tTwo\tB2\n20\tTwenty\n");
  WriteDimensionComponents(base, &stream, 2);
  EXPECT_EQ(Written(), "");
  PendingErrorCancel();
  WriteDimensionComponents(base, &stream, 1);
  EXPECT_EQ(Written(), "");
}

TEST_F(ComponentWriterTest, FilteredLinesFollowStartPatternAndDepth) {
  struct Case {
    const char* start;
    const char* pattern;
    int32_t maxDepth;
    const char* codes;
  } cases[] = {
      {nullptr, "", -1, "1 10 100 11 2 20"},
      {nullptr, "", 1, "1 2"},
      {"", "", 2, "1 10 11 2 20"},
      {"1", "", 0, "1"},
      {"1", "", 1, "1 10 11"},
      {"1", "", -1, "1 10 100 11"},
      {"100", "", -1, "100"},
      {"9", "", -1, ""},
      {nullptr, "ven", -1, "11"},     // text
      {nullptr, "b2", -1, "2"},       // host code
      {nullptr, "10", -1, "10 100"},  // code
      {nullptr, "10", 2, "10"},
      {"2", "one", -1, ""},
  };
  for (const Case& c : cases) {
    CriteriaPattern pattern;
    Criteria_Init(&pattern);
    T_TextBuf text(c.pattern);
    Criteria_Compile(&pattern, &text, 5, false);
    WriteDimensionComponentsFiltered(base, &stream, 1, c.start, &pattern, c.maxDepth);
    EXPECT_EQ(Codes(), c.codes) << (c.start ? c.start : "root") << " '" << c.pattern << "' "
                                << c.maxDepth;
    MemFreeHeld(&pattern);
  }
  WriteDimensionComponentsFiltered(base, &stream, 3, nullptr, nullptr, -1);
  EXPECT_EQ(Written(), "");
}

}  // namespace
}  // namespace components_test
