// The time functions outputs: the card-id range of each kind of row, the drill links of web
// pages (escaped, their value decoded by the template's drill-down), the "QEB-TimeFunctions"
// document in its four framings and the definition block, against golden files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/components/function_templates.h"
#include "analysis/time/tfunc_export.h"
#include "analysis/time/time_calculation.h"
#include "core/owned_text.h"
#include "core/placeholders.h"
#include "database/web_request.h"
#include "tests/analysis/boxwin/box_fixture.h"
#include "tests/analysis/time/time_fixture.h"
#include "tests/source_path.h"
#include "tests/test_output.h"

namespace {

bool g_drills = true;
const char* g_selfUrl = "qeb.cgi?db=Ab&t=Cd&sort=x:D&page=2&q=\"<x>\"";

// The window's writers over a table of texts.
class T_TFuncBox : public box_test::T_TestBox {
 public:
  void WriteXml(T_OStream* stream) override { TFuncWriteXml(this, data, order, stream); }
  void WriteDefinition(TextCellWriter* writer) override { TFuncWriteDefinition(data, writer); }
  void WriteHtmlDefinition(T_OStream* stream) override { TFuncWriteHtmlDefinition(data, stream); }
  TFuncData* data = nullptr;
  TFuncRowOrder* order = nullptr;
};

std::string CardText(const CardId& id) {
  char text[48];
  std::snprintf(text, sizeof text, "%d-%02d-%02d/%d", PackedDateYear(id.date),
                PackedDateMonth(id.date), PackedDateDay(id.date), id.sequence);
  return text;
}

class TFuncExportTest : public box_test::BoxTest {
 protected:
  void SetUp() override {
    BoxTest::SetUp();
    base = time_test::NewFixtureBase();
    for (const auto& [date, card, value] :
         std::vector<std::tuple<PackedDate, int32_t, double>>{{PackDate(2024, 1, 5), 1, 30},
                                                               {PackDate(2024, 2, 5), 1, 10},
                                                               {PackDate(2024, 2, 5), 2, 0},
                                                               {PackDate(2024, 3, 5), 1, 40}})
      time_test::AddLine(base, {date, card, "1910", {value, 0}});
    TFuncDataInit(&data, base);
    sales = TFuncNewSelection(&data, "Sales");
    sales->accumulation = kAccumulateByPeriod;
    sales->totals = 1;
    BoxWinServices services{};
    services.webUserDrills = [] { return g_drills; };
    services.webSelfUrl = [](T_TextBuf* url) {
      TextBufAssign(url, g_selfUrl);
      return true;
    };
    SetBoxWinServices(&services);
  }
  void TearDown() override {
    SetWebRequestActive(false);
    TFuncFreeRowOrder(&order);
    TFuncDataFree(&data);
    delete base;
    BoxTest::TearDown();
  }
  void Calculate(int32_t type) {
    data.periodType = type;
    ASSERT_EQ(CalculateTimeFunctions(&data, nullptr, nullptr), kCalcStarted);
  }
  std::string Range(int64_t entry, const T_TVariable* v) {
    CardId from, to;
    TFuncPeriodRange(&data, entry, v, &from, &to);
    return CardText(from) + " " + CardText(to);
  }
  std::string Link(int64_t entry, const T_TVariable* v, double value,
                   const T_TVariable* current = nullptr) {
    T_OStream stream;
    const bool opened = TFuncOpenDrillLink(&stream, &data, entry, v, value, current);
    std::string text = box_test::StreamText(stream);
    EXPECT_EQ(opened, !text.empty());
    return text;
  }

  T_Base* base = nullptr;
  TFuncData data;
  TFuncRowOrder order;
  T_TSelection* sales = nullptr;
};

TEST_F(TFuncExportTest, PeriodRangesOfEveryKindOfRow) {
  T_TFormula* f = TFuncNewFormula(&data, "F");
  BlockTextAssign(&f->text, "Sales*2");
  Calculate(kPeriodMonths);
  ASSERT_EQ(data.periodCount, 5);  // Before, Totals, January to March
  const CardId window = data.rangeStart;
  EXPECT_EQ(CardText(window), "2024-01-05/1");
  // The first month from the first date's number 1, the next from the day after the end.
  EXPECT_EQ(Range(2, sales), "2024-01-05/1 2024-01-31/2147483647");
  EXPECT_EQ(Range(3, sales), "2024-02-01/1 2024-02-29/2147483647");
  // Before: the selection's own from to the card before the start.
  EXPECT_EQ(Range(kEntryBefore, sales).substr(0, 12), CardText(sales->selection.from.cardId));
  // Totals without Before shown: from the window start; with it, from the selection's own from.
  data.showBefore = 0;
  EXPECT_EQ(Range(kEntryTotals, sales), "2024-01-05/1 2024-03-05/1");
  data.showBefore = 1;
  EXPECT_EQ(Range(kEntryTotals, sales).substr(0, 12), CardText(sales->selection.from.cardId));
  // A From Start selection keeps its own from; a formula spans the database.
  sales->accumulation = kAccumulateFromStart;
  EXPECT_EQ(Range(3, sales), CardText(sales->selection.from.cardId) + " 2024-02-29/2147483647");
  CardId first, last;
  base->GetCardIdBound(&first, -1);
  base->GetCardIdBound(&last, 1);
  EXPECT_EQ(Range(kEntryTotals, f), CardText(first) + " " + CardText(last));
  // Active Days start at the day's number 1, Active Cards at the card itself.
  Calculate(kPeriodActiveDays);
  sales->accumulation = kAccumulateByPeriod;
  EXPECT_EQ(Range(3, sales), "2024-02-05/1 2024-02-05/2147483647");
  Calculate(kPeriodActiveCards);
  EXPECT_EQ(Range(4, sales), "2024-02-05/2 2024-02-05/2");
}

TEST_F(TFuncExportTest, DrillLinksAreEscapedAndDecodeBack) {
  Calculate(kPeriodMonths);
  EXPECT_EQ(Link(2, sales, 30), "");  // outside a request
  SetWebRequestActive(true);
  const std::string link = Link(2, sales, 30);
  T_TextBuf value;
  CardId from, to;
  TFuncPeriodRange(&data, 2, sales, &from, &to);
  TFuncDrillValue(&value, "Sales", from, to);
  T_TextBuf expected;
  TextBufAssign(&expected, "qeb.cgi?db=Ab&t=Cd&q=\"<x>\"");
  UrlAddParam(&expected, "drill", value.data);
  T_OStream escaped;
  escaped.PutEscaped(expected.data);
  EXPECT_EQ(link, "<a class=\"data\" href=\"" + box_test::StreamText(escaped) + "\">");
  EXPECT_EQ(link.find("sort="), std::string::npos);
  EXPECT_EQ(link.find('<', 1), std::string::npos);
  // The link's value is what the template's drill-down reads: the selection over the month.
  T_TFuncTmpl templ(base);
  ASSERT_NE(templ.AddVariableFromWindow(sales), nullptr);
  const std::string drill = value.data;
  EXPECT_LE(drill.size(), std::string("Sales").size() + 25);
  // No link for a zero value, a deleted variable, nor the current formula of active cards.
  EXPECT_EQ(Link(2, sales, 0), "");
  EXPECT_EQ(Link(2, nullptr, 5), "");
  T_TFormula* f = TFuncNewFormula(&data, "F");
  BlockTextAssign(&f->text, "Sales");
  Calculate(kPeriodActiveCards);
  EXPECT_EQ(Link(2, f, 5, f), "");
  EXPECT_NE(Link(2, f, 5, nullptr), "");
  g_drills = false;
  EXPECT_EQ(Link(2, sales, 5), "");
  g_drills = true;
}

TEST_F(TFuncExportTest, DrillValuesOfLargeCardNumbersDecodeInTheDrillDown) {
  SetWebRequestActive(true);
  T_TFuncTmpl templ(base);
  ASSERT_NE(templ.AddVariableFromWindow(sales), nullptr);
  const PackedDate day = PackDate(2024, 2, 5);
  const struct {
    int32_t from, to;
  } cases[] = {{1, 63}, {64, 4095}, {4096, 1000000}, {1000000, 0x7FFFFFFE}, {1, 0x7FFFFFFF}};
  for (const auto& c : cases) {
    T_TextBuf value;
    TFuncDrillValue(&value, "Sales", CardId{day, c.from}, CardId{day, c.to});
    // The name, four short-id digits, ":", three date digits, at most six number digits twice.
    EXPECT_LE(value.length, 5 + 4 + 1 + 2 * 9 + 1) << value.data;
    T_Template* derived = templ.DerivedTemplate(value.data);
    ASSERT_NE(derived, &templ) << value.data;
    T_LinesTmpl* lines = AsLinesTemplate(derived);
    ASSERT_NE(lines, nullptr);
    EXPECT_EQ(CardText(lines->selection.from.cardId), CardText(CardId{day, c.from}));
    EXPECT_EQ(CardText(lines->selection.to.cardId), CardText(CardId{day, c.to}));
    delete derived;
  }
}

TEST_F(TFuncExportTest, CardIdLabelsBecomeCardLinks) {
  Calculate(kPeriodActiveCards);
  auto write = [&](const char* label, bool html, bool expected) {
    T_OStream stream;
    EXPECT_EQ(TFuncWriteLabelCell(&stream, base->linkContext, &data, label, html), expected)
        << label;
    return box_test::StreamText(stream);
  };
  EXPECT_EQ(write("240205-2 Bills & <more>", false, true), "card=\"240205-2\" Bills & <more>");
  const std::string html = write("240205-2 Bills & <more>", true, true);
  EXPECT_EQ(html.find("<a class=\"data\" href=\"qeb.cgi?card="), 0u) << html;
  EXPECT_NE(html.find(">240205-2</a> Bills &amp; &lt;more&gt;"), std::string::npos) << html;
  EXPECT_EQ(write("Totals", true, false), "");
  EXPECT_EQ(write("Before 240105", true, false), "");
  Calculate(kPeriodMonths);
  EXPECT_EQ(write("240205-2", true, false), "");
}

// --- Documents ---------------------------------------------------------------------------------------

class TFuncDocumentTest : public TFuncExportTest {
 protected:
  void SetUp() override {
    TFuncExportTest::SetUp();
    BlockTextAssign(&sales->title, "Sales & <net> \xC3\x85r");
    T_TFormula* f = TFuncNewFormula(&data, "Double");
    BlockTextAssign(&f->text, "Sales*2");
    Calculate(kPeriodMonths);
    box = new T_TFuncBox;
    box->Build({80, 60, 60}, {"Months", "Sales & <net> \xC3\x85r", "Double"});
    EventHandler_Open(box);
    box->data = &data;
    box->order = &order;
    box->SetRows({{"Before 2024-01-05", "0", "0"},
                  {"2024 January", "30", "60"},
                  {"2024 February", "10", ""},
                  {"2024 March", "40", "80"},
                  {"Totals", "80", ""}});
    box->SetTitleCopy("Time & <functions> \"\xC3\x85r\"");
  }
  void TearDown() override {
    if (box) EventHandler_CloseAndDelete(box, 3);
    TFuncExportTest::TearDown();
  }
  std::string Write(uint32_t format, const char* golden) {
    box->output.format = format;
    T_OStream stream;
    box->WriteText(&stream, 0);
    const std::string text = box_test::StreamText(stream);
    if (format != kOutputText) box_test::LeaveOutput("analysis_time", golden, text);
    EXPECT_EQ(text,
              GoldenText(TestSourcePath(std::string("tests/analysis/time/data/") + golden), text))
        << golden;
    return text;
  }
  T_TFuncBox* box = nullptr;
};

TEST_F(TFuncDocumentTest, XmlInItsFourFramings) {
  const struct {
    bool headers, rows;
    const char* golden;
  } cases[] = {{true, false, "tfunc_before_only.xml"},
               {false, true, "tfunc_periods_only.xml"},
               {true, true, "tfunc_both.xml"},
               {false, false, "tfunc_neither.xml"}};
  box->output.windowTitle = 1;
  for (const auto& c : cases) {
    box->output.headerRows = c.headers;
    box->output.dataRows = c.rows;
    const std::string text = Write(kOutputXml, c.golden);
    EXPECT_EQ(text.find("<before") != std::string::npos, c.headers) << c.golden;
    EXPECT_EQ(text.find("<period") != std::string::npos, c.rows) << c.golden;
  }
}

TEST_F(TFuncDocumentTest, DefinitionBlocks) {
  sales->measure = kMeasureAverage;
  sales->shift = TimeShift{5, 0, 0, 0};
  Selection_setPattern(&sales->selection, kPatternCardTitle, "inv*");
  box->output.definition = 1;
  box->output.dataRows = 0;
  const std::string text = Write(kOutputText, "tfunc_definition.txt");
  EXPECT_NE(text.find("Average by period"), std::string::npos);
  T_OStream html;
  TFuncWriteHtmlDefinition(&data, &html);
  const std::string block = box_test::StreamText(html);
  EXPECT_EQ(block, GoldenText(TestSourcePath("tests/analysis/time/data/tfunc_definition.html"),
                              block));
  // A whole page around it for the output check.
  box->output.dataRows = 1;
  Write(kOutputHtml, "tfunc_page.html");
}

}  // namespace
