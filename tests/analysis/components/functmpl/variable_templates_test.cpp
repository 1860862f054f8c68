// Variable templates: the time-shift text both ways, ApplyTimeShift's calendar rules and its
// clamp, the colour letters, and the conversions of template variables within and across the
// two families.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "analysis/components/variable_templates.h"
#include "core/owned_text.h"
#include "tests/analysis/components/functmpl/functmpl_fixture.h"

namespace functmpl_test {
namespace {

TEST(TimeShiftText, ReadsAndWritesEveryForm) {
  struct Case {
    const char* text;
    int32_t kind, unit, count;
    const char* written;
  };
  const Case cases[] = {
      {"Y+", 1, 0, 0, "Y+"},   {"Y-", 2, 0, 0, "Y-"},     {"Q+", 3, 0, 0, "Q+"},
      {"Q-", 4, 0, 0, "Q-"},   {"M+", 5, 0, 0, "M+"},     {"M-", 6, 0, 0, "M-"},
      {"-2W", 7, 2, -2, "-2W"}, {"+12M", 7, 1, 12, "+12M"}, {"+1Y", 7, 0, 1, "+1Y"},
      {"-400D", 7, 3, -400, "-400D"},
      // No shift: a count of 0, a unit outside "YMWD", no digits, beyond 32 bits, foreign text.
      {"+0W", 0, 0, 0, ""},    {"-2X", 0, 0, 0, ""},      {"+W", 0, 0, 0, ""},
      {"+4294967297D", 0, 0, 0, ""}, {"W+", 0, 0, 0, ""},  {"Y", 0, 0, 0, ""},
      {"Y+x", 0, 0, 0, ""},    {"", 0, 0, 0, ""},
  };
  for (const Case& c : cases) {
    TimeShift shift = TimeShiftFromText(c.text, static_cast<int32_t>(std::strlen(c.text)));
    EXPECT_EQ(shift.kind, c.kind) << c.text;
    EXPECT_EQ(shift.unit, c.unit) << c.text;
    EXPECT_EQ(shift.count, c.count) << c.text;
    T_TextBuf text;
    TimeShiftText(&shift, &text);
    EXPECT_STREQ(text.data, c.written) << c.text;
  }
  TimeShift weeks{7, 2, -2, 0};
  T_TextBuf shown;
  TimeShiftDisplayText(&weeks, &shown);
  EXPECT_STREQ(shown.data, "-2 Weeks");
  TimeShift none;
  TimeShiftDisplayText(&none, &shown);
  EXPECT_STREQ(shown.data, "No time shift");
}

TEST(ApplyTimeShift, FollowsTheCalendarAndStaysWithinTheYears) {
  struct Case {
    const char* name;
    TimeShift shift;
    PackedDate from;
    PackedDate to;
  };
  const Case cases[] = {
      {"31 Mar back a month, leap", {5, 0, 0, 0}, PackDate(2024, 3, 31), PackDate(2024, 2, 29)},
      {"31 Mar back a month", {5, 0, 0, 0}, PackDate(2023, 3, 31), PackDate(2023, 2, 28)},
      {"29 Feb back a year", {1, 0, 0, 0}, PackDate(2024, 2, 29), PackDate(2023, 2, 28)},
      {"29 Feb forward a year", {2, 0, 0, 0}, PackDate(2024, 2, 29), PackDate(2025, 2, 28)},
      {"quarter back over the year", {3, 0, 0, 0}, PackDate(2024, 2, 15), PackDate(2023, 11, 15)},
      {"quarter forward", {4, 0, 0, 0}, PackDate(2024, 11, 30), PackDate(2025, 2, 28)},
      {"month forward", {6, 0, 0, 0}, PackDate(2024, 1, 31), PackDate(2024, 2, 29)},
      // The month-end rule: the last day of a month stays the last day.
      {"month end kept", {6, 0, 0, 1}, PackDate(2024, 2, 29), PackDate(2024, 3, 31)},
      {"month end not set", {6, 0, 0, 0}, PackDate(2024, 2, 29), PackDate(2024, 3, 29)},
      {"month end, not last", {6, 0, 0, 3}, PackDate(2024, 2, 28), PackDate(2024, 3, 28)},
      {"year end rule on Feb", {7, 0, -1, 2}, PackDate(2023, 2, 28), PackDate(2024, 2, 29)},
      {"year rule skips Apr", {7, 0, -1, 2}, PackDate(2023, 4, 30), PackDate(2024, 4, 30)},
      {"two weeks forward", {7, 2, -2, 0}, PackDate(2024, 2, 20), PackDate(2024, 3, 5)},
      {"ten days back", {7, 3, 10, 0}, PackDate(2024, 3, 5), PackDate(2024, 2, 24)},
      {"months back", {7, 1, 14, 0}, PackDate(2024, 3, 31), PackDate(2023, 1, 31)},
      // Far shifts stop at the ends of the supported years.
      {"clamp 1900", {7, 0, 500, 0}, PackDate(2024, 3, 31), PackDate(1900, 1, 1)},
      {"clamp 2069", {7, 1, -2000000000, 0}, PackDate(2024, 3, 31), PackDate(2069, 12, 31)},
      {"clamp days", {7, 3, 2000000000, 0}, PackDate(2024, 3, 31), PackDate(1900, 1, 1)},
      {"clamp weeks", {7, 2, -2000000000, 0}, PackDate(2024, 3, 31), PackDate(2069, 12, 31)},
      {"no shift", {0, 0, 0, 0}, PackDate(2024, 3, 31), PackDate(2024, 3, 31)},
  };
  for (const Case& c : cases) {
    CardId bound{c.from, 7};
    ApplyTimeShift(&c.shift, &bound, -1);
    EXPECT_EQ(bound.date, c.to) << c.name;
    if (c.shift.kind != 0) {
      EXPECT_EQ(bound.sequence, 1) << c.name;
    }
  }
  TimeShift month{5, 0, 0, 0};
  CardId upper{PackDate(2024, 3, 31), 4};
  ApplyTimeShift(&month, &upper, 1);
  EXPECT_EQ(upper.sequence, kCardSequenceOpen);
  CardId empty{0, 3};
  ApplyTimeShift(&month, &empty, 1);
  EXPECT_EQ(empty.date, 0u);
  EXPECT_EQ(empty.sequence, 3);
}

TEST(ColourLetters, GoBothWaysAndForeignOnesStay) {
  const int32_t colours[] = {0, 4, 6, 8, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22};
  const char letters[] = "-257BNORPMVYLGCUD";
  for (int32_t i = 0; i < 17; ++i) {
    EXPECT_EQ(ColourToLetter(colours[i]), letters[i]) << colours[i];
    int32_t colour = -5;
    EXPECT_TRUE(ColourFromLetter(letters[i], &colour));
    EXPECT_EQ(colour, colours[i]);
  }
  EXPECT_EQ(ColourToLetter(3), '-');
  int32_t colour = 13;
  EXPECT_FALSE(ColourFromLetter('Q', &colour));
  EXPECT_EQ(colour, 13);
}

using VariableConversions = FuncTest;

TEST_F(VariableConversions, CrossTheFamiliesWithTheirRules) {
  T_TFuncTmpl t(base);
  T_CFuncTmpl c(base);
  T_TSelectionTmpl* ts = t.AddSelection();
  ts->SetName("T sel");
  BlockTextAssign(&ts->title, "Time title");
  ts->method = kMethodLast;
  ts->accumulation = 0;
  ts->shift = TimeShift{7, 2, -2, 0};
  ts->valueColumn = 1;
  ts->totals = 1;
  ts->lineStyle = 4;
  ts->decimals = 3;
  ts->colour = 13;
  ts->width = 60;
  SelectionDef_setComponentText(&ts->selection, 0, "1910");
  T_TFormulaTmpl* tf = t.AddFormula();
  tf->SetName("T form");
  BlockTextAssign(&tf->formula, "a+1");
  tf->operation = 3;
  tf->graphStyle = 2;
  T_CSelectionTmpl* cs = c.AddSelection();
  cs->SetName("C sel");
  cs->method = kMethodComponentCount;
  cs->accumulation = 0;
  cs->bold = 1;
  cs->cSetting = 0;
  T_CFormulaTmpl* cf = c.AddFormula();
  cf->SetName("C form");
  BlockTextAssign(&cf->formula, "b*2");
  cf->rule = 5;

  // Within a family every field comes along.
  auto* tsCopy = static_cast<T_TSelectionTmpl*>(t.AddVariableFromWindow(ts));
  const std::string lines =
      "VN\tT sel\tTime title\nVD1\t1910\nVF\tB\nVM\tLP\nVT\t-2W\n"
      "VZ\tD3\tCR\tW60\tw4\tV+\tB-\tN-\tR-\tS+\n";
  const std::string written = Write(&t);
  size_t first = written.find(lines);
  ASSERT_NE(first, std::string::npos) << written;
  EXPECT_NE(written.find(lines, first + 1), std::string::npos) << written;
  EXPECT_EQ(tsCopy->method, kMethodLast);
  EXPECT_EQ(tsCopy->shift.count, -2);
  EXPECT_EQ(tsCopy->totals, 1);
  auto* cfCopy = static_cast<T_CFormulaTmpl*>(c.AddVariableFromWindow(cf));
  EXPECT_EQ(cfCopy->rule, 5);
  EXPECT_STREQ(cfCopy->formula, "b*2");

  // Time into component: First and Last become Sum, By Component, rule 0, c setting 1.
  auto* ct = static_cast<T_CSelectionTmpl*>(c.AddVariableFromWindow(ts));
  EXPECT_EQ(ct->method, kMethodSum);
  EXPECT_EQ(ct->accumulation, 0);
  EXPECT_EQ(ct->cSetting, 1);
  EXPECT_EQ(ct->valueColumn, 1);
  EXPECT_EQ(ct->decimals, 3);
  EXPECT_EQ(ct->colour, 13);
  EXPECT_EQ(ct->width, 60);
  EXPECT_STREQ(ct->title, "Time title");
  EXPECT_TRUE(SelectionDef_equal(&ct->selection, &ts->selection));
  auto* cft = static_cast<T_CFormulaTmpl*>(c.AddVariableFromWindow(tf));
  EXPECT_EQ(cft->rule, 0);
  EXPECT_EQ(cft->cSetting, 1);
  EXPECT_STREQ(cft->formula, "a+1");

  // Component into time: Component count becomes Sum, From Start, no shift, operation 0, graph
  // style 1, Totals off and line style 1.
  auto* tc = static_cast<T_TSelectionTmpl*>(t.AddVariableFromWindow(cs));
  EXPECT_EQ(tc->method, kMethodSum);
  EXPECT_EQ(tc->accumulation, 1);
  EXPECT_EQ(tc->shift.kind, 0);
  EXPECT_EQ(tc->bold, 1);
  EXPECT_EQ(tc->totals, 0);
  EXPECT_EQ(tc->lineStyle, 1);
  auto* tfc = static_cast<T_TFormulaTmpl*>(t.AddVariableFromWindow(cf));
  EXPECT_EQ(tfc->operation, 0);
  EXPECT_EQ(tfc->graphStyle, 1);
  EXPECT_STREQ(tfc->formula, "b*2");
  // A component count stays a component count within its family.
  EXPECT_EQ(static_cast<T_CSelectionTmpl*>(c.AddVariableFromWindow(cs))->method,
            kMethodComponentCount);
}

}  // namespace
}  // namespace functmpl_test
