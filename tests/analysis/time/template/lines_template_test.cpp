// The lines template: its defaults, the records of every setting read and written back byte for
// byte, the diagram flag records, the old column letters, a save that renumbers dimensions, the
// XML form, the "sort" parameter, the builders other windows use, and damaged records.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "core/alert_handlers.h"
#include "database/template_tree.h"
#include "tests/analysis/time/time_fixture.h"
#include "tests/source_path.h"
#include "tools/make_example/example_database.h"

namespace {

using time_test::TimeTest;
using time_test::WriteTemplate;

std::string ReadWholeText(const std::string& path) {
  std::string text;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
    std::fclose(f);
  }
  return text;
}

class LinesTemplate : public TimeTest {};

const char kDefaultText[] =
    "#L\n"
    "xeE\tUTF-8\n"
    "xem\t#1\n"
    "Q\tA\n"
    "D\t22\n"
    "d\t2\n"
    "P\tI,T,D2,L,VA,S\n"
    "IL\n"
    "S1I\tCA\tDN\tTA\tVD\n"
    "xtna\n"
    "xtg+\n";

// Every record away from its default.
const char kFullText[] =
    "#L\n"
    "xc\n"
    "xeE\tUTF-8\n"
    "xem\t#1\n"
    "BD1\t1910\n"
    "BC\t240101\t241231\n"
    "Q\tB\n"
    "D\t0F\n"
    "d\tT\n"
    "N\tRP\n"
    "n\tR\n"
    "R\t-G\n"
    "r\tG\n"
    "Y\tW\n"
    "T\tC-N\n"
    "P\tI,P,T,D1,D2,L,VA,VB,S\n"
    "H\tB+-PF#CAEMmTRVD\n"
    "+\t3.25\n"
    "-\t-0.1\n"
    "IE\n"
    "Gx\t2\n"
    "Gy\t+\n"
    "WL\n"
    "wC\t80\n"
    "wD\t\t95\n"
    "wL\t200\t\t70\t66\n"
    "S1D2\tCA\tDR\tTA\tVD\n"
    "S2VB\tCA\tDN\tTA\tVA\n"
    "S3I\tCD\tDN\tTA\tVD\n"
    "ZE\n"
    "ZI\n"
    "ZD\n"
    "ZV\n"
    "ZR\n"
    "ZG\n"
    "ZZ\n"
    "ZC\tKvartal\n"
    "ZS\n"
    "xtnh\n"
    "xtgh\n";

TEST_F(LinesTemplate, DefaultsWriteTheGoldenTextAndReadBack) {
  T_LinesTmpl fresh(base);
  EXPECT_EQ(WriteTemplate(&fresh), kDefaultText);
  const LinesOptions& o = fresh.options;
  EXPECT_EQ(o.tableTool, kToolSelect);
  EXPECT_EQ(o.diagramTool, kToolZoomIn);
  EXPECT_EQ(o.sortKeyCount, 1);
  for (int32_t f = 0; f < kDiagramFlagCount; ++f)
    EXPECT_EQ(fresh.flags.on[f], f >= 2 && f <= 5 ? 1 : 0) << f;
  T_LinesTmpl* read = Read(kDefaultText);
  EXPECT_EQ(WriteTemplate(read), kDefaultText);
  delete read;
}

TEST_F(LinesTemplate, EveryRecordReadsBackByteForByte) {
  T_LinesTmpl* t = Read(kFullText);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(WriteTemplate(t), kFullText);
  const LinesOptions& o = t->options;
  EXPECT_EQ(o.accumulated, 1);
  EXPECT_DOUBLE_EQ(o.positiveRate, 3.25);
  EXPECT_DOUBLE_EQ(o.negativeRate, -0.1);
  EXPECT_EQ(o.interestMethod, 1);
  EXPECT_EQ(o.cardInfo, 1);
  EXPECT_EQ(o.sortKeyCount, 3);
  EXPECT_EQ(o.sortKeys[0].column, kLinesDimFirst + 1);
  EXPECT_EQ(o.sortKeys[0].componentOrder, 1);
  EXPECT_EQ(o.sortKeys[1].valueOrder, 5);
  EXPECT_EQ(o.sortKeys[2].direction, 1);
  EXPECT_EQ(o.columns[kLinesDimFirst + 2].display, 3);
  EXPECT_EQ(o.columns[kLinesDimFirst + 1].width, 95);
  EXPECT_EQ(t->viewMode, 1u);
  EXPECT_EQ(o.tableTool, kToolDrag);
  EXPECT_EQ(o.diagramTool, kToolDrag);
  for (int32_t f = 0; f < kDiagramFlagCount; ++f)
    EXPECT_EQ(t->flags.on[f], f >= 2 && f <= 5 ? 0 : 1) << f;
  EXPECT_STREQ(t->axisScaleName, "Kvartal");
  // A copy writes the same.
  T_Template* copy = DuplicateTemplate(base, t, nullptr);
  EXPECT_EQ(WriteTemplate(copy), kFullText);
  delete copy;
  delete t;
}

TEST_F(LinesTemplate, DiagramFlagRecordsOneByOne) {
  const struct {
    const char* key;
    int32_t flag;
    uint8_t value;
  } cases[] = {{"ZE", 0, 1}, {"ZI", 1, 1}, {"ZD", 2, 0}, {"ZV", 3, 0},
               {"ZR", 4, 0}, {"ZG", 5, 0}, {"ZZ", 6, 1}, {"ZQ", -1, 0}};
  for (const auto& c : cases) {
    T_LinesTmpl* t = Read(std::string("#L\n") + c.key + "\n");
    DiagramFlags expected;
    DiagramFlagsInit(&expected);
    if (c.flag >= 0) expected.on[c.flag] = c.value;
    for (int32_t f = 0; f < kDiagramFlagCount; ++f)
      EXPECT_EQ(t->flags.on[f], expected.on[f]) << c.key;
    std::string text = WriteTemplate(t);
    EXPECT_EQ(text.find(std::string("\n") + c.key + "\n") != std::string::npos, c.flag >= 0)
        << c.key;
    delete t;
  }
}

TEST_F(LinesTemplate, BadRecordsChangeNothing) {
  const char* cases[] = {
      "Q\tY",   // beyond column 24
      "Q\t5",   // no letter
      "D\tXZ",  // letters outside "0123456FTM"
      "N\tQ",
      "R\tZ",
      "Y\tA",
      "T\tq",
      "IX",
      "WQ",
      "S9VA\tCD",
      "S0VA\tCD",             // key numbers outside 1..8
      "S1S\tCD",              // the accumulated column is no sort key
      "S1Q\tCD",              // no column
      "wC\t-5\t99999999999",  // negative and huge widths
      "xtzz",
      "ZQ",
      "Unknown\t1",
  };
  std::string defaults = WriteTemplate(Read("#L\n"));
  for (const char* record : cases) {
    T_LinesTmpl* t = Read(std::string("#L\n") + record + "\n");
    EXPECT_EQ(WriteTemplate(t), defaults) << record;
    delete t;
  }
}

TEST_F(LinesTemplate, DamagedAndEndlessRatesReadAsZero) {
  for (const char* rate : {"abc", "1e999", "-1e999", "nan", ""}) {
    T_LinesTmpl* t = Read(std::string("#L\n+\t") + rate + "\n-\t" + rate + "\n");
    EXPECT_EQ(t->options.positiveRate, 0) << rate;
    EXPECT_EQ(t->options.negativeRate, 0) << rate;
    EXPECT_EQ(WriteTemplate(t).find("\n+"), std::string::npos) << rate;
    delete t;
  }
}

TEST_F(LinesTemplate, RatesReadBackAsTheSameNumber) {
  for (double rate : {0.1, 1.0 / 3.0, 2.5e-7, 123456789.125, -7.0}) {
    T_LinesTmpl t(base);
    t.options.positiveRate = rate;
    T_LinesTmpl* back = Read(WriteTemplate(&t));
    EXPECT_EQ(back->options.positiveRate, rate);
    delete back;
  }
}

TEST_F(LinesTemplate, ColumnsRecord) {
  // No "P": the default columns; a "P" with no known name: none.
  T_LinesTmpl* none = Read("#L\nP\tX,Y\n");
  for (const auto& column : none->options.columns) EXPECT_EQ(column.shown, 0);
  EXPECT_EQ(WriteTemplate(none).find("\nP\t"), std::string::npos);
  delete none;
  // An unavailable column (value 3 of a two-column database, dimension 5 without components)
  // is kept but not written.
  T_LinesTmpl* some = Read("#L\nP\tVC,D5,L\n");
  EXPECT_EQ(some->options.columns[kLinesValueFirst + 2].shown, 1);
  EXPECT_NE(WriteTemplate(some).find("\nP\tL\n"), std::string::npos);
  delete some;
}

TEST_F(LinesTemplate, OldFilesReadOneLetterPerColumn) {
  base->fileVersion = 20000101;
  T_LinesTmpl* t = Read("#L\nP\tILSTVa12\n");
  for (int32_t code : {kLinesCardId, kLinesLineText, kLinesAccumulated, kLinesCardTitle,
                       kLinesValueFirst, kLinesValueFirst + 1, kLinesDimFirst, kLinesDimFirst + 1})
    EXPECT_EQ(t->options.columns[code].shown, 1) << code;
  EXPECT_EQ(t->options.columns[kLinesDate].shown, 0);
  delete t;
}

TEST_F(LinesTemplate, RenumberingSaveNamesDimensionsByTheNewNumbers) {
  T_LinesTmpl t(base);
  t.options.columns[kLinesDimFirst + 1].display = 0;
  t.options.columns[kLinesDimFirst + 1].width = 70;
  LinesSortKeyReset(&t.options.sortKeys[0], kLinesDimFirst + 1);
  // The save puts dimension 2 first and dimension 1 second.
  base->dimensionOrder[0] = 1;
  base->dimensionOrder[1] = 0;
  base->dimensionOrderCount = 2;
  std::string text = WriteTemplate(&t);
  EXPECT_NE(text.find("\nT\tC\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nP\tI,T,D1,L,VA,S\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nwD\t70\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nS1D1\t"), std::string::npos) << text;
}

TEST_F(LinesTemplate, SortParameter) {
  T_LinesTmpl t(base);
  t.options.sortKeyCount = 3;
  t.SetParameter("sort", "S");  // the accumulated column
  EXPECT_EQ(t.options.sortKeyCount, 3);
  t.SetParameter("sort", "Q:A");  // no such column
  EXPECT_EQ(t.options.sortKeyCount, 3);
  t.SetParameter("sort", "VA:A");
  EXPECT_EQ(t.options.sortKeyCount, 1);
  EXPECT_EQ(t.options.sortKeys[0].column, kLinesValueFirst);
  EXPECT_EQ(t.options.sortKeys[0].valueOrder, 5);
  t.SetParameter("sort", "D2:T");
  EXPECT_EQ(t.options.sortKeys[0].column, kLinesDimFirst + 1);
  EXPECT_EQ(t.options.sortKeys[0].componentOrder, 3);
  t.SetParameter("sort", "P:D");
  EXPECT_EQ(t.options.sortKeys[0].direction, 1);
}

TEST_F(LinesTemplate, XmlForm) {
  const char xml[] =
      "<columns card-id=\"off\" value2=\"on\" dim2=\"off\" date=\"on\"/>"
      "<headers before=\"on\" stddeviation=\"on\" bogus=\"on\"/>"
      "<values decimals=\"0F\"/>"
      "</template>";
  T_LinesTmpl t(base);
  T_IStream stream;
  stream.CtorFromMemory(xml, static_cast<int64_t>(sizeof xml - 1));
  base->xmlErrors = 0;
  EXPECT_TRUE(t.ReadXml(&stream));
  EXPECT_EQ(t.options.columns[kLinesCardId].shown, 0);
  EXPECT_EQ(t.options.columns[kLinesValueFirst + 1].shown, 1);
  EXPECT_EQ(t.options.columns[kLinesDimFirst + 1].shown, 0);
  EXPECT_EQ(t.options.columns[kLinesDate].shown, 0);
  EXPECT_EQ(t.options.statistics[kStatBefore], 1);
  EXPECT_EQ(t.options.statistics[kStatDeviation], 1);
  EXPECT_EQ(t.options.columns[kLinesValueFirst].decimals, 0);
  EXPECT_EQ(t.options.columns[kLinesValueFirst + 1].decimals, 7);
}

TEST_F(LinesTemplate, Builders) {
  T_LinesTmpl t(base);
  SetLinesValueColumn(&t, 1);
  for (int32_t i = 0; i < kMaxValueCount; ++i)
    EXPECT_EQ(t.options.columns[kLinesValueFirst + i].shown, i == 1 ? 1 : 0);
  EXPECT_EQ(t.options.accumulated, 1);
  const struct {
    int32_t measure;
    int32_t flag;
  } measures[] = {{0, kStatLineCount}, {1, kStatCardCount},    {6, kStatAverage},
                  {8, kStatMedian},    {9, kStatTurnoverTime}, {10, kStatTurnoverRate},
                  {11, kStatMaximum},  {12, kStatMinimum},     {3, kStatPeriod}};
  for (const auto& m : measures) {
    t.options.statistics[kStatVariance] = 1;
    SetLinesStatisticsForMeasure(&t, m.measure);
    for (int32_t f = 0; f < kStatCount; ++f)
      EXPECT_EQ(t.options.statistics[f], f == m.flag ? 1 : 0) << m.measure;
  }
  LinesSortKey key, orders;
  SetLinesSortKeyOrders(&orders, 4, 1, 3);
  SetLinesSortKeyOrders(&key, &orders);
  EXPECT_EQ(key.componentOrder, 4);
  EXPECT_EQ(key.textDirection, 1);
  EXPECT_EQ(key.valueOrder, 3);
}

TEST_F(LinesTemplate, TheFactoryMakesLinesTemplates) {
  T_Template* t = NewTemplate(base, kTemplateLines);
  EXPECT_NE(AsLinesTemplate(t), nullptr);
  delete t;
}

}  // namespace

namespace {

std::string SectionOf(const std::string& file, const std::string& head) {
  size_t start = file.find(head);
  if (start == std::string::npos) return "<missing>";
  size_t end = file.find("\r\n#", start + 1);
  std::string text = file.substr(start, end == std::string::npos ? end : end + 2 - start);
  std::string plain;
  for (char c : text) {
    if (c != '\r') plain += c;
  }
  return plain;
}

// The example's builder hands its lines template the records the class itself writes, so the
// committed file is the same with the class or its stand-in.
TEST_F(LinesTemplate, TheExampleStoresTheLinesTemplateAsTheClassWritesIt) {
  T_NoAlerts quiet;
  T_Base* example = BuildExampleDatabase();
  ASSERT_NE(example, nullptr);
  T_Template* found = nullptr;
  for (T_Template* t = example->rootTemplate; t; t = t->NextBelow(example->rootTemplate)) {
    if (t->kind == kTemplateLines && t->name) found = t;
  }
  ASSERT_NE(AsLinesTemplate(found), nullptr);
  T_LinesTmpl* lines = AsLinesTemplate(found);
  EXPECT_EQ(lines->options.statistics[kStatBefore], 1);
  EXPECT_EQ(lines->options.positiveRate, 2.5);
  const std::string committed = ReadWholeText(TestSourcePath("examples/Example.qex"));
  EXPECT_EQ(WriteTemplate(found), SectionOf(committed, "#L\tRader:"));
  delete example;
}

}  // namespace
