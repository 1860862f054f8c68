// The components window's outputs: the golden XML with one and with two value columns, the HTML
// node and drill links while a web page is served (a served address holding a quotation mark and
// "<", a Percentage column), and the "## Selection" block read back, a foreign value field
// refused.
#include <gtest/gtest.h>

#include <string>

#include "analysis/components/function_templates.h"
#include "core/output_stream.h"
#include "database/template_runner.h"
#include "database/web_request.h"
#include "tests/analysis/components/window/comps_window_fixture.h"

namespace {

// What a recorded opener saw of a function template's first selection: its definition and its
// value column.
std::string g_openedSelection;
T_HWindow* RecordFunctionWindow(T_Template* templ, T_Template*, int32_t) {
  const SelectionDef* def = nullptr;
  int32_t column = -1;
  if (T_TFuncTmpl* t = AsTimeFunctionsTemplate(templ); t && t->selections) {
    def = &t->selections->selection;
    column = t->selections->valueColumn;
  } else if (T_CFuncTmpl* c = AsComponentFunctionsTemplate(templ); c && c->selections) {
    def = &c->selections->selection;
    column = c->selections->valueColumn;
  }
  T_OStream keys;
  if (def) SelectionDef_writeKeys(def, &keys, 'V');
  g_openedSelection = comps_test::Written(keys) + "column " + std::to_string(column);
  return nullptr;
}

using comps_test::CompsWindowTest;
using comps_test::Written;

class CompsOutput : public CompsWindowTest {
 protected:
  void TearDown() override {
    SetWebRequestActive(false);
    CompsWindowTest::TearDown();
  }
  void OpenAccounts() {
    Open([](T_CompsTmpl* t) {
      t->viewDims.dimension[0] = 0;
      for (CompsColumn& c : t->options.columns) c.shown = 0;
      t->options.columns[kCompsPeriod].shown = 1;
      t->options.columns[kCompsPercentage].shown = 1;
      CardId from{PackDate(2024, 1, 1), 1};
      CardId to{PackDate(2024, 12, 31), 0x7FFFFFFF};
      DateRefSetDate(&t->selection.from, &from);
      DateRefSetDate(&t->selection.to, &to);
    });
  }
  std::string Xml() {
    T_OStream stream;
    window->WriteXml(&stream);
    return Written(stream);
  }
};

TEST_F(CompsOutput, XmlWithOneAndTwoValueColumns) {
  OpenAccounts();
  const char one[] =
      "<QEB-Components>\n"
      "<component root=\"Dim 1\">\n"
      "  <period>0</period>\n"
      "  <percentage>0</percentage>\n"
      "</component>\n"
      "<component code=\"1\">\n"
      "  <period>69.00</period>\n"
      "  <percentage>123.2</percentage>\n"
      "</component>\n"
      "<component code=\"2\">\n"
      "  <period>-13.00</period>\n"
      "  <percentage>-23.2</percentage>\n"
      "</component>\n"
      "</QEB-Components>\n";
  EXPECT_EQ(Xml(), one);
  SetValueCount(base, 2);
  base->SetValueName(1, "Quantity");
  window->options.valueField = 1;
  window->RunCalculation(true, true);
  const std::string two = Xml();
  EXPECT_NE(two.find("<valuefield num=\"2\" name=\"Quantity\"/>\n"), std::string::npos) << two;
  EXPECT_NE(two.find("<period>0</period>"), std::string::npos);
}

TEST_F(CompsOutput, HtmlLinksWhileAPageIsServed) {
  OpenAccounts();
  BoxWinServices services{};
  services.webSelfUrl = [](T_TextBuf* url) {
    TextBufAssign(url, "qeb.cgi?t=x\"<y&exp=old");
    return true;
  };
  services.webUserDrills = [] { return true; };
  services.webPicturePath = [](T_TextBuf* path) { TextBufAssign(path, "images/"); };
  SetBoxWinServices(&services);
  SetWebRequestActive(true);
  const int64_t row = RowOf("1");
  ASSERT_GE(row, 0);
  RowTextPool pool;
  ASSERT_TRUE(pool.Init());
  window->GetRowTexts(&pool, row);
  T_OStream node;
  window->WriteHtmlCell(&node, row, window->firstField);
  const std::string cell = Written(node);
  EXPECT_EQ(cell.find("<p class=\"level1\"><a href=\"qeb.cgi?t=x&quot;&lt;y&amp;exp=n000n00\">"
                      "<img src=\"images/NodeCollapsed.gif\"/></a>"),
            0u)
      << cell;
  T_OStream percent;
  window->WriteHtmlCell(&percent, row, window->fields[kCompsPercentage]);
  const std::string link = Written(percent);
  // The "%" prefix of the Percentage type reaches the drill value percent-encoded.
  EXPECT_EQ(link,
            "<a class=\"data\" href=\"qeb.cgi?t=x&quot;&lt;y&amp;drill=%25:n000n00:\">"
            "123.2</a>")
      << link;
  // Outside a request no link is written.
  SetWebRequestActive(false);
  T_OStream plain;
  window->GetRowTexts(&pool, row);
  window->WriteHtmlCell(&plain, row, window->fields[kCompsPeriod]);
  EXPECT_EQ(Written(plain), "69.00");
  // A request whose page address is unknown gets the plain value, without a closing tag.
  SetWebRequestActive(true);
  services.webSelfUrl = [](T_TextBuf*) { return false; };
  SetBoxWinServices(&services);
  T_OStream unknown;
  window->WriteHtmlCell(&unknown, row, window->fields[kCompsPeriod]);
  EXPECT_EQ(Written(unknown), "69.00");
  SetWebRequestActive(false);
  pool.Free();
}

TEST_F(CompsOutput, SelectionBlockRoundTrip) {
  SetValueCount(base, 2);
  Open([](T_CompsTmpl* t) {
    SelectionDef_setComponentText(&t->selection, 0, "1");
    SelectionDef_setPattern(&t->selection, kPatternLineText, "rent*");
    t->options.valueField = 1;
  });
  T_OStream stream;
  window->WriteSelectionText(&stream);
  const std::string block = Written(stream);
  EXPECT_EQ(block, "## Selection\nVD1\t1\nVL\trent*\nVF\tB\nVZ\n");
  Close();
  Open([](T_CompsTmpl*) {});
  EXPECT_TRUE(window->PasteSelectionText(("junk\n" + block + "#next\nVD2\tZ\n").c_str()));
  T_OStream again;
  window->WriteSelectionText(&again);
  EXPECT_EQ(Written(again), block);
  // A value field the database lacks is refused.
  EXPECT_TRUE(window->PasteSelectionText("## Selection\nVF\tX\n"));
  EXPECT_EQ(window->options.valueField, 1);
  EXPECT_FALSE(window->PasteSelectionText("no block here"));
}

// "» Time Functions" and "» Component Functions" hand the window's selection and its value column
// to the first selection variable of the new window.
TEST_F(CompsOutput, FunctionWindowsTakeTheSelection) {
  SetValueCount(base, 2);
  InstallFunctionTemplates();
  Open([](T_CompsTmpl* t) {
    SelectionDef_setComponentText(&t->selection, 0, "1");
    t->options.valueField = 1;
  });
  for (int32_t kind : {kTemplateTimeFunctions, kTemplateComponentFunctions}) {
    SetWindowOpener(kind, RecordFunctionWindow);
    g_openedSelection.clear();
    window->OpenWindowWithSelection(kind);
    EXPECT_EQ(g_openedSelection, "VD1\t1\ncolumn 1") << kind;
    SetWindowOpener(kind, nullptr);
  }
}

}  // namespace
