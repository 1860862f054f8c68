// The components template: the golden text of a new and of a full template read back and
// written again byte for byte, the keyed lines' edge cases, the "sort" and "exp" parameters, the
// XML reader and the lines template a web drill derives.
#include <gtest/gtest.h>

#include <string>

#include "analysis/boxwin/box_window.h"
#include "analysis/components/components_template.h"
#include "analysis/components/strux_paths.h"
#include "analysis/time/lines_template.h"
#include "database/components.h"
#include "database/lines.h"
#include "database/web_request.h"
#include "tests/analysis/components/components_fixture.h"

namespace {

using comps_test::ReadCompsTemplate;
using comps_test::WriteTemplate;

class CompsTemplate : public ::testing::Test {
 protected:
  void SetUp() override {
    PendingErrorClear();
    InstallCompsTemplate();
    InstallLinesTemplate();
    base = new T_Base(nullptr, 0);
    SetValueCount(base, 2);
  }
  void TearDown() override {
    delete base;
    SetTemplateConstructor(kTemplateComponents, nullptr);
    SetTemplateConstructor(kTemplateLines, nullptr);
    SetWebRequestActive(false);
    SetBoxWinServices(nullptr);
    PendingErrorClear();
  }
  T_CompsTmpl* Read(const std::string& text) { return ReadCompsTemplate(base, text); }
  T_Base* base = nullptr;
};

const char kDefaultText[] =
    "#P\n"
    "xeE\tUTF-8\n"
    "xem\t#1\n"
    "F\tA\n"
    "D\t2\n"
    "P\t2\n"
    "K\tHAAB--\n"
    "R\tS\n"
    "%I\n"
    "ZC\n"
    "ZD\n"
    "QB\tVsnrb\t\t2\n"
    "QN\tVsnrb\t\t2\n"
    "QP\tVsnrb\t\t2\n"
    "QR\tVsnrB\t\t2\n"
    "Q%\tvsnrb\t\t1\n"
    "QK\tvsnrb\t\t2\n"
    "QC\tvsnrb\t\t2\n"
    "QE\tVsnrb\t\t2\n"
    "QA\tvsnrb\t\t2\n"
    "QT\tvsnrb\t\t2\n"
    "xtna\n"
    "\n";

// Every record away from its default.
const char kFullText[] =
    "#P\n"
    "xc\n"
    "xeE\tUTF-8\n"
    "xem\t#1\n"
    "BD1\t1910\n"
    "BC\t240101\t241231\n"
    "F\tB\n"
    "D\t0\n"
    "P\t1\t3\n"
    "K\tFU2GT-\tHCAR-c\n"
    "Gx\t2\n"
    "Gy\t+\n"
    "S\tBPC\n"
    "R\tD\n"
    "VP\tT\n"
    "%D\n"
    "WP\n"
    "ZS\n"
    "ZX\t|1910|1910.P1|\n"
    "ZN\n"
    "ZP\n"
    "wD\t120\n"
    "QB\tVSxQB\t80\t0\n"
    "QN\tvspRb\t\tF\n"
    "QP\tVsnrb\t\t2\n"
    "QR\tVsnrB\t\t2\n"
    "Q%\tvsnrb\t\t1\n"
    "QK\tVsnrb\t17\t2\n"
    "QC\tVsnrb\t\t2\n"
    "QE\tVsnrb\t\t2\n"
    "QA\tVsnrb\t\t2\n"
    "QT\tVSnrb\t\tM\n"
    "xtnh\n"
    "\n";

TEST_F(CompsTemplate, NewAndFullTemplatesReadBackByteForByte) {
  T_CompsTmpl fresh(base);
  EXPECT_EQ(WriteTemplate(&fresh), kDefaultText);
  EXPECT_EQ(fresh.kind, kTemplateComponents);
  EXPECT_EQ(fresh.options.showScale, 0);
  for (const char* text : {kDefaultText, kFullText}) {
    T_CompsTmpl* t = Read(text);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(WriteTemplate(t), text);
    delete t;
  }
  T_CompsTmpl* t = Read(kFullText);
  const CompsOptions& o = t->options;
  EXPECT_EQ(o.valueField, 1);
  EXPECT_EQ(o.graphDecimals, 0);
  EXPECT_EQ(t->viewDims.count, 2);
  EXPECT_EQ(t->viewDims.dimension[1], 2);
  EXPECT_EQ(t->viewDims.filter[1], kViewFilterColumn + 28);
  EXPECT_EQ(o.valueOrder, 4);
  EXPECT_EQ(o.sortColumn, kCompsPositive);
  EXPECT_EQ(o.componentOrder, 2);
  EXPECT_EQ(o.indentation, 2);
  EXPECT_EQ(o.graphType, kCompsTotal);
  EXPECT_EQ(o.percentLabels, 2);
  EXPECT_EQ(t->viewMode, 3u);
  EXPECT_EQ(o.showScale, 1);
  EXPECT_EQ(o.graphSublevels, 1);
  EXPECT_EQ(o.graphColour, 2);
  EXPECT_EQ(o.graphNegative, 2);
  EXPECT_EQ(o.chooserWidth, 120);
  EXPECT_EQ(o.columns[kCompsBefore].negative, 1);
  EXPECT_EQ(o.columns[kCompsBefore].colour, 1);
  EXPECT_EQ(o.columns[kCompsBefore].width, 80);
  EXPECT_EQ(o.columns[kCompsNegative].decimals, 7);
  EXPECT_EQ(o.columns[kCompsCards].width, 17);
  EXPECT_EQ(o.tool, kCompsToolDrag);
  EXPECT_STREQ(t->expansion, "|1910|1910.P1|");
  delete t;
}

TEST_F(CompsTemplate, KeyedLineEdgeCases) {
  // Every column hidden and no sorting: no "S" line, ten "Q" lines.
  T_CompsTmpl hidden(base);
  for (CompsColumn& c : hidden.options.columns) c.shown = 0;
  const std::string text = WriteTemplate(&hidden);
  EXPECT_EQ(text.find("\nS\t"), std::string::npos);
  size_t q = 0;
  for (size_t at = text.find("\nQ"); at != std::string::npos; at = text.find("\nQ", at + 1)) ++q;
  EXPECT_EQ(q, 10u);

  struct Case {
    const char* lines;
    int32_t sortColumn, componentOrder, valueOrder, valueField, count, decimals0;
  } cases[] = {
      // "S" with "-" resets to the component order Normal
      {"S\tEPR\nS\t-\n", -1, 0, 0, 0, 1, 2},
      // a value order alone keeps sorting by the component order
      {"S\tE\n", -1, 0, 1, 0, 1, 2},
      // a value field beyond the database's value columns is refused
      {"F\tC\n", -1, 0, 0, 0, 1, 2},
      {"F\tB\n", -1, 0, 0, 1, 1, 2},
      // a "P" line whose first field is out of range keeps the view set
      {"P\t0\t3\n", -1, 0, 0, 0, 1, 2},
      // letters outside their strings change nothing
      {"R\tX\nD\tZ\nQB\tVsnrb\t\tZ\n%Q\n", -1, 0, 0, 0, 1, 2},
  };
  for (const Case& c : cases) {
    T_CompsTmpl* t = Read(std::string("#P\n") + c.lines);
    EXPECT_EQ(t->options.sortColumn, c.sortColumn) << c.lines;
    EXPECT_EQ(t->options.componentOrder, c.componentOrder) << c.lines;
    EXPECT_EQ(t->options.valueOrder, c.valueOrder) << c.lines;
    EXPECT_EQ(t->options.valueField, c.valueField) << c.lines;
    EXPECT_EQ(t->viewDims.count, c.count) << c.lines;
    EXPECT_EQ(t->options.columns[0].decimals, c.decimals0) << c.lines;
    EXPECT_EQ(t->options.indentation, 1) << c.lines;
    EXPECT_EQ(t->options.percentLabels, 1) << c.lines;
    delete t;
  }

  // Files before 20001219: "D" sets every column's decimals, "ZS" every column's sublevels.
  base->fileVersion = 20001001;
  T_CompsTmpl* old = Read("#P\nD\t3\nZS\n");
  for (const CompsColumn& c : old->options.columns) {
    EXPECT_EQ(c.decimals, 3);
    EXPECT_EQ(c.sublevels, 1);
  }
  delete old;
}

TEST_F(CompsTemplate, SortAndExpParameters) {
  T_CompsTmpl t(base);
  t.SetParameter("sort", "PD");
  EXPECT_EQ(t.options.sortColumn, kCompsPositive);
  EXPECT_EQ(t.options.valueOrder, 0);
  t.SetParameter("sort", "-R");
  EXPECT_EQ(t.options.sortColumn, -1);
  EXPECT_EQ(t.options.componentOrder, 1);
  t.SetExpansionText("|1910|");
  t.SetParameter("exp", "-x2");
  EXPECT_STREQ(t.expansion, "-x2");
  t.SetParameter("exp", "a");
  t.SetParameter("exp", "b");
  EXPECT_STREQ(t.expansion, "wa:b");
  // Selection parameters reach the selection.
  t.SetParameter("linetext", "rent*");
  EXPECT_STREQ(t.selection.lineText, "rent*");
}

TEST_F(CompsTemplate, XmlFormReadsEveryElement) {
  AddComponent(base, 2, "X1", "x one", nullptr);
  const char xml[] =
      "<template>"
      "<valuefield num=\"2\"/>"
      "<columns before=\"off\" period=\"bold\" lines=\"on\" total=\"on\" atend=\"maybe\"/>"
      "<viewdim num=\"3\" expand=\"all\" structure=\"flat\" filter=\"inuse\"/>"
      "<sort order=\"absdesc\" column=\"total\"/>"
      "<values decimals=\"0\" sublevels=\"include\"/>"
      "<unknown a=\"b\"/>"
      "</template>";
  T_CompsTmpl t(base);
  T_IStream stream;
  stream.CtorFromMemory(xml, static_cast<int64_t>(sizeof xml - 1));
  stream.NextXmlToken();  // <template>
  ASSERT_TRUE(t.ReadXml(&stream));
  const CompsOptions& o = t.options;
  EXPECT_EQ(o.valueField, 1);
  EXPECT_EQ(o.columns[kCompsBefore].shown, 0);
  EXPECT_EQ(o.columns[kCompsPeriod].bold, 1);
  EXPECT_EQ(o.columns[kCompsLines].shown, 1);
  EXPECT_EQ(o.columns[kCompsTotal].shown, 1);
  EXPECT_EQ(o.columns[kCompsAtEnd].shown, 0);  // an unknown value hides the column
  EXPECT_EQ(t.viewDims.count, 1);
  EXPECT_EQ(t.viewDims.dimension[0], 2);
  EXPECT_EQ(t.viewDims.structure[0], 1);
  EXPECT_EQ(t.viewDims.filter[0], kViewFilterInUse);
  EXPECT_STREQ(t.expansion, "\\");
  EXPECT_EQ(o.valueOrder, 2);
  EXPECT_EQ(o.sortColumn, kCompsTotal);
  for (const CompsColumn& c : o.columns) {
    EXPECT_EQ(c.decimals, 0);
    EXPECT_EQ(c.sublevels, 1);
  }
  // A value field beyond the count, or numbered from 0, is refused.
  for (const char* bad : {"<template><valuefield num=\"3\"/></template>",
                          "<template><valuefield num=\"0\"/></template>"}) {
    T_CompsTmpl u(base);
    T_IStream in;
    in.CtorFromMemory(bad, static_cast<int64_t>(strlen(bad)));
    in.NextXmlToken();
    u.ReadXml(&in);
    EXPECT_EQ(u.options.valueField, 0) << bad;
  }
  // The words of the ten types are distinct and read back.
  for (int32_t type = 0; type < kCompsTypeCount; ++type)
    EXPECT_EQ(CompsTypeFromXmlWord(CompsTypeXmlWord(type)), type);
}

TEST_F(CompsTemplate, WebDrillDerivesTheLinesOfANode) {
  AddComponent(base, 0, "19", "Assets", nullptr);
  AddComponent(base, 0, "1910", "Cash", nullptr);
  AddComponent(base, 1, "P&1", "", nullptr);
  T_CompsTmpl t(base);
  t.viewDims.count = 2;
  t.viewDims.dimension[0] = 0;
  t.viewDims.dimension[1] = 1;
  T_TextBuf path;
  TextBufAssign(&path, "P:x");
  WebNodeToken(&path, "1910");
  TextBufAppendChar(&path, '!');
  WebNodeToken(&path, "P&1");
  TextBufAppendChar(&path, ':');

  // Outside a request, or for a user without the right, the template itself.
  EXPECT_EQ(t.DerivedTemplate(path.data), &t);
  SetWebRequestActive(true);
  EXPECT_EQ(t.DerivedTemplate(path.data), &t);
  BoxWinServices services{};
  services.webUserDrills = [] { return true; };
  SetBoxWinServices(&services);

  T_Template* derived = t.DerivedTemplate(path.data);
  ASSERT_NE(derived, &t);
  T_LinesTmpl* lines = AsLinesTemplate(derived);
  ASSERT_NE(lines, nullptr);
  EXPECT_STREQ(derived->name, "Cash / P&1");
  EXPECT_STREQ(lines->selection.componentTexts.texts[0], "1910!");
  // A code holding an operator character is quoted.
  EXPECT_STREQ(lines->selection.componentTexts.texts[1], "'P&1'");
  EXPECT_STREQ(lines->selection.valueTexts[0], ">0");
  EXPECT_EQ(lines->options.columns[kLinesValueFirst].shown, 1);
  delete derived;

  // A path cut short resolves as far as it goes; a missing ":" resolves nothing.
  TextBufAssign(&path, "R:");
  WebNodeToken(&path, "1910");
  TextBufAppend(&path, ":abc");
  derived = t.DerivedTemplate(path.data);
  lines = AsLinesTemplate(derived);
  ASSERT_NE(lines, nullptr);
  EXPECT_STREQ(lines->selection.componentTexts.texts[0], "1910");
  EXPECT_EQ(lines->selection.componentTexts.texts[1], nullptr);
  delete derived;
  derived = t.DerivedTemplate("Rx");
  lines = AsLinesTemplate(derived);
  ASSERT_NE(lines, nullptr);
  EXPECT_EQ(lines->selection.componentTexts.texts[0], nullptr);
  delete derived;
}

}  // namespace
