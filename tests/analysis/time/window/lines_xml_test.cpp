// The lines window as a "QEB-Lines" document: golden files for every statistic row with a title,
// notes and the selection, for value column 1 hidden, and for a database of one value column.
// The texts hold markup characters and non-ASCII letters; every document is left for xmllint.
#include <gtest/gtest.h>

#include <string>

#include "core/owned_text.h"
#include "database/output_options.h"
#include "tests/analysis/time/window/lines_window_fixture.h"
#include "tests/source_path.h"
#include "tests/test_output.h"

namespace {

using lines_test::LinesWindowTest;
using time_test::FixtureLine;

class LinesXmlTest : public LinesWindowTest {
 protected:
  // The line with markup and non-ASCII texts, and one without a line text.
  void AddMarkupLines(T_Base* into) {
    time_test::AddLine(into, FixtureLine{PackDate(2023, 3, 1), 2, "1930", {7.5, 1}, "P3",
                                         "A&B <c> \"q\" 'x' \xC3\x85sa"});
    time_test::AddLine(into, FixtureLine{PackDate(2023, 3, 2), 1, "1910", {-2.25, 1}, "P1", ""});
  }
  std::string Export(const char* golden) {
    window->output.format = kOutputXml;
    T_OStream stream;
    window->WriteText(&stream, 0);
    const std::string text = box_test::StreamText(stream);
    box_test::LeaveOutput("analysis_time", golden, text);
    EXPECT_EQ(text, GoldenText(TestSourcePath(std::string("tests/analysis/time/data/") + golden), text))
        << golden;
    return text;
  }
};

TEST_F(LinesXmlTest, EveryStatisticRowWithTitleNotesAndSelection) {
  AddMarkupLines(base);
  Open([](T_LinesTmpl* t) {
    for (auto& flag : t->options.statistics) flag = 1;
    t->options.positiveRate = 5;
    t->options.negativeRate = 12;
    t->options.columns[kLinesDimFirst + 1].shown = 1;
    Selection_readAttributes(&t->selection, "dim1", "1910|1930");
  });
  window->SetTitleCopy("Lines & <Q1> \"\xC3\x85r\"");
  BlockTextAssign(&window->notes, "Checked & <approved>");
  window->output.windowTitle = window->output.notes = window->output.definition = 1;
  const std::string text = Export("lines_all_statistics.xml");
  EXPECT_NE(text.find("<QEB-Lines title=\"Lines &amp; &lt;Q1&gt; &quot;\xC3\x85r&quot;\">"),
            std::string::npos);
  // "Sum Before" has no accumulated cell; the paired rows have both.
  EXPECT_NE(text.find("<before>"), std::string::npos);
  EXPECT_EQ(text.find("<before-accum>"), std::string::npos);
  EXPECT_NE(text.find("<period-value>"), std::string::npos);
  EXPECT_NE(text.find("<period-accum>"), std::string::npos);
  EXPECT_NE(text.find("<posinterest>"), std::string::npos);
  EXPECT_NE(text.find("A&amp;B &lt;c&gt;"), std::string::npos);
}

TEST_F(LinesXmlTest, ValueOneHiddenLeavesOutItsStatisticElements) {
  AddMarkupLines(base);
  Open([](T_LinesTmpl* t) {
    for (int32_t f : {kStatBefore, kStatPeriod, kStatLineCount, kStatMaximum})
      t->options.statistics[f] = 1;
    t->options.columns[kLinesValueFirst].shown = 0;
    t->options.columns[kLinesValueFirst + 1].shown = 1;
    t->options.accumulated = 1;
  });
  const std::string text = Export("lines_value1_hidden.xml");
  EXPECT_EQ(text.find("<linecount>"), std::string::npos);
  EXPECT_EQ(text.find("<period-value>"), std::string::npos);
  EXPECT_NE(text.find("<period-accum>"), std::string::npos);
  EXPECT_NE(text.find("<value num=\"2\">"), std::string::npos);
  EXPECT_NE(text.find("<accum num=\"2\">"), std::string::npos);
}

TEST_F(LinesXmlTest, OneValueColumnWritesNoNumbers) {
  delete base;
  base = time_test::NewFixtureBase(1);
  time_test::AddLine(base, FixtureLine{PackDate(2024, 5, 6), 1, "1910", {10}, "P1", "first"});
  AddMarkupLines(base);
  Open([](T_LinesTmpl* t) {
    for (int32_t f : {kStatPeriod, kStatAfter, kStatLineCount}) t->options.statistics[f] = 1;
  });
  window->output.headerRows = 0;
  const std::string rowsOnly = Export("lines_one_value_rows.xml");
  EXPECT_NE(rowsOnly.find("<value>10.00</value>"), std::string::npos);
  EXPECT_NE(rowsOnly.find("<accum>15.25</accum>"), std::string::npos);
  EXPECT_EQ(rowsOnly.find("<period-value>"), std::string::npos);
  window->output.headerRows = 1;
  window->output.dataRows = 0;
  const std::string headersOnly = Export("lines_one_value_headers.xml");
  EXPECT_EQ(headersOnly.find("<line>"), std::string::npos);
}

}  // namespace
