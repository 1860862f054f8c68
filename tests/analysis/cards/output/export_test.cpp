// The cards window's exports (text start, "QEB-Cards" XML, the HTML page and web rows) and the
// commands and XML requests that reach them from outside the window.
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "core/input_stream.h"
#include "database/commands.h"
#include "database/template_tree.h"
#include "database/xml_requests.h"
#include "tests/analysis/cards/cards_fixture.h"

namespace cards_test {
namespace {

using CardsExport = CardsTest;

std::string Export(T_Cards* window, uint32_t format) {
  window->output.format = format;
  T_OStream stream;
  stream.SetNewline("\n");
  window->WriteText(&stream, 0);
  return StreamText(stream);
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// Leaves an HTML or XML text for the checks that read every test output.
void LeaveOutput(const std::string& name, const std::string& text) {
  const char* root = std::getenv("QEB_TEST_OUTPUT_DIR");
  if (!root || !*root) return;
  std::string folder = std::string("Z:") + root;
  for (char& c : folder)
    if (c == '/') c = '\\';
  CreateDirectoryA(folder.c_str(), nullptr);
  folder += "\\analysis_cards";
  CreateDirectoryA(folder.c_str(), nullptr);
  std::ofstream(folder + "\\" + name, std::ios::binary) << text;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string TempFolder() {
  char path[MAX_PATH];
  GetTempPathA(MAX_PATH, path);
  std::string folder = std::string(path) + "qeb_cards_export";
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

TEST_F(CardsExport, TextStartsAsACardsSectionWhenItCan) {
  T_CardsTmpl* templ = Template();
  templ->output.windowTitle = 1;
  T_Cards* window = Open(templ);
  window->SetTitleCopy("Cards: All");
  std::string text = Export(window, kOutputText);
  // The text form keeps the output options' line ends.
  EXPECT_EQ(text.substr(0, 22), "##Cards\tCards: All\r\n\r\n") << text;
  EXPECT_NE(text.find("\r\n240510-001\tSale one\r\n\t\t3010\r\n\t\t\tA\tWidget\t100.00\t2\r\n"),
            std::string::npos)
      << text;
  // Without lines, or with another separator, it is a plain table.
  window->options.linesMode = kContentsNone;
  window->RunCalculation(true, true);
  EXPECT_EQ(Export(window, kOutputText).substr(0, 10), "Cards: All");
}

TEST_F(CardsExport, XmlHoldsCardsGroupsLinesNotesAndStamps) {
  T_CardsTmpl* templ = Template();
  SelectionDef_setPattern(&templ->selection, kPatternCardTitle, "sale one");
  templ->options.fields[kColNotes].show = 1;
  templ->options.fields[kColSignatures].show = 1;
  templ->output.windowTitle = 1;
  templ->output.definition = 1;
  T_Cards* window = Open(templ);
  window->SetTitleCopy("Sales <one>");
  std::string xml = Export(window, kOutputXml);
  LeaveOutput("cards.xml", xml);
  EXPECT_EQ(xml.substr(xml.find("<QEB-Cards")),
            "<QEB-Cards title=\"Sales &lt;one&gt;\">\n"
            "<selection>\n<from>240510-001 File</from>\n<to>240702-001 File</to>\n<cardtitle>sale "
            "one</cardtitle>\n</selection>\n"
            "<card>\n<id>240510-001</id>\n<title>Sale one</title>\n"
            "<group>\n  <dim num=\"1\">3010</dim>\n"
            "  <line>\n    <dim num=\"2\">A</dim>\n    <text>Widget</text>\n"
            "    <value num=\"1\">100.00</value>\n    <value num=\"2\">2</value>\n  </line>\n"
            "  <line>\n    <dim num=\"2\">B</dim>\n    <text>Gadget</text>\n"
            "    <value num=\"1\">-20.50</value>\n  </line>\n"
            "</group>\n<group>\n  <dim num=\"1\">1910</dim>\n"
            "  <line>\n    <dim num=\"2\">A</dim>\n    <text>Cash</text>\n"
            "    <value num=\"1\">-79.50</value>\n  </line>\n"
            "</group>\n<notes>First line Second line</notes>\n"
            "<created>240510 14:05 TST</created>\n<approved>240511 09:00 BOS</approved>\n"
            "</card>\n\n</QEB-Cards>\n");
}

TEST_F(CardsExport, XmlWithoutRowsOrDataRowsAndByValueCount) {
  T_CardsTmpl* templ = Template();
  SelectionDef_setPattern(&templ->selection, kPatternCardTitle, "nothing like it");
  T_Cards* window = Open(templ);
  std::string xml = Export(window, kOutputXml);
  EXPECT_EQ(xml.substr(xml.find("<QEB-Cards")), "<QEB-Cards>\n</QEB-Cards>\n");

  T_CardsTmpl* all = Template();
  all->output.dataRows = 0;
  BlockTextAssign(&all->notes, "Notes of the analysis");
  all->output.notes = 1;
  window = Open(all);
  xml = Export(window, kOutputXml);
  EXPECT_EQ(xml.substr(xml.find("<QEB-Cards")),
            "<QEB-Cards>\n<notes>\nNotes of the analysis\n</notes>\n\n</QEB-Cards>\n");

  // "Small" has the value 0: an empty cell, no element.
  T_CardsTmpl* remark = Template();
  SelectionDef_setPattern(&remark->selection, kPatternCardTitle, "remark");
  for (int32_t count : {1, 3}) {
    SetValueCount(base, count);
    window = Open(remark);
    xml = Export(window, kOutputXml);
    EXPECT_EQ(Count(xml, "<value"), 0u) << xml;
    Close(window);
  }
  T_CardsTmpl* purchase = Template();
  SelectionDef_setPattern(&purchase->selection, kPatternCardTitle, "purchase");
  SetValueCount(base, 1);
  window = Open(purchase);
  EXPECT_NE(Export(window, kOutputXml).find("    <value>30.00</value>\n"), std::string::npos);
}

TEST_F(CardsExport, HtmlPageAndWebRows) {
  T_CardsTmpl* templ = Template();
  templ->options.fields[kColNotes].show = 1;
  templ->options.fields[kColSignatures].show = 1;
  templ->output.columnTitles = 1;
  templ->output.windowTitle = 1;
  templ->output.definition = 1;
  T_Cards* window = Open(templ);
  window->SetTitleCopy("Cards & all");
  std::string html = Export(window, kOutputHtml);
  LeaveOutput("cards.html", html);
  EXPECT_EQ(Count(html, "<table"), Count(html, "</table>"));
  EXPECT_EQ(Count(html, "<tr"), Count(html, "</tr>"));
  EXPECT_NE(html.find("<tr><td class=\"cardtitle\"><a card=\"[]240510-001\">: 240510-001</a>"
                      " &nbsp; Sale one</td></tr>"),
            std::string::npos)
      << html;
  EXPECT_NE(html.find("<tr class=\"columntitles\">"), std::string::npos);
  EXPECT_NE(html.find("class=\"definition\">\n<tr><td>Created</td><td>240510 14:05 TST</td></tr>"),
            std::string::npos);
  EXPECT_NE(html.find("<p class=\"notes\">\nFirst line<br/>\nSecond line"), std::string::npos)
      << html;
  // The stripes count the title row as the first.
  size_t titles = html.find("<tr class=\"columntitles\">");
  size_t firstLine = html.find("\n<tr", titles + 1);
  EXPECT_EQ(html.substr(firstLine, 6), "\n<tr>\n");

  // Web rows from the second line of a group start at that group; the card link is the
  // gateway's and values start a new column group after the texts.
  T_OStream stream;
  stream.SetNewline("\n");
  ASSERT_EQ(window->RowAt(3)->kind, kRowLine);
  window->WriteHtmlRows(&stream, 3, 9);
  std::string rows = StreamText(stream);
  LeaveOutput("cards_web.html", "<html><body><table>\n" + rows + "</table></body></html>\n");
  EXPECT_EQ(Count(rows, "<table"), Count(rows, "</table>"));
  EXPECT_NE(rows.find("<td>Widget</td>"), std::string::npos) << rows;
  EXPECT_NE(rows.find("card="), std::string::npos);
  EXPECT_NE(rows.find("class=\"analysis\">\n<tr><td>Created</td>"), std::string::npos);
}

TEST_F(CardsExport, CommandsAndXmlRequestsReachCardsTemplates) {
  T_CardsTmpl* stored = new T_CardsTmpl(base);
  stored->SetDefaults();
  ASSERT_TRUE(StoreTemplate(base, stored, "Cards: All"));
  std::string folder = TempFolder();
  std::string xmlPath = folder + "\\all.xml";
  std::string textPath = folder + "\\all.txt";
  DeleteFileA(xmlPath.c_str());
  DeleteFileA(textPath.c_str());
  std::string commands = "export \"Cards: All\" \"" + textPath + "\"\n";
  base->RunCommandText(commands.c_str(), "test");
  std::string text = ReadFile(textPath);
  EXPECT_NE(text.find("Sale one"), std::string::npos) << text;
  // Every template in a folder, with a filter that takes them all, into one folder.
  commands = "export Cards -dir \"" + folder + "\" -filter all\n";
  base->RunCommandText(commands.c_str(), "test");
  EXPECT_NE(ReadFile(folder + "\\All").find("Sale two"), std::string::npos);
  EXPECT_TRUE(alerts->asked.empty()) << FormattedText(alerts->asked[0]);

  // deleteData through the template's window, unasked.
  base->RunCommandText("deleteData \"Cards: All\"\n", "test");
  EXPECT_EQ(base->cardCount, 2);  // the cards without a listed line stay
  EXPECT_TRUE(alerts->asked.empty());

  // The XML request answers with the window's XML form instead of "not available".
  std::string request = "<QEB-xml-input><template name=\"Cards: All\"/></QEB-xml-input>";
  T_IStream in;
  in.CtorFromMemory(request.data(), static_cast<int64_t>(request.size()));
  T_OStream out;
  runXmlRequest(base, &out, &in);
  std::string answer = StreamText(out);
  EXPECT_NE(answer.find("<QEB-Cards>"), std::string::npos) << answer;
  EXPECT_EQ(answer.find("<?xml", 10), std::string::npos) << answer;
  EXPECT_TRUE(alerts->asked.empty());
}

}  // namespace
}  // namespace cards_test
