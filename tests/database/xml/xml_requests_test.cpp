// XML requests against the fixture database: golden answers for each kind of request, the
// templates list, and the template request working on a copy.
#include <gtest/gtest.h>

#include <string>

#include "core/alert_handlers.h"
#include "core/output_stream.h"
#include "database/template_runner.h"
#include "database/template_tree.h"
#include "database/templates.h"
#include "xml_fixture.h"

namespace xml_test {
namespace {

// Each request file of data/requests has its golden answer of the same name in data/answers; the
// request runner answers the same files. Warnings off has a golden answer of its own.
struct GoldenCase {
  const char* request;
  const char* answer;
  bool warnings;
};

constexpr GoldenCase kGoldenCases[] = {
    {"empty", "empty", true},
    {"version", "version", true},
    {"version_end_tag", "version_end_tag", true},
    {"dimensions", "dimensions", true},
    {"components", "components", true},
    {"unknown_tag", "unknown_tag", true},
    {"unknown_tag", "unknown_tag_quiet", false},
    {"pending_error", "pending_error", true},
    {"template", "template", true},
};

TEST_F(XmlTest, AnswersEqualTheirGoldenFiles) {
  for (const GoldenCase& c : kGoldenCases) {
    base->xmlErrors = c.warnings ? 1 : 0;
    std::string request =
        ReadSourceFile(std::string("tests/database/xml/data/requests/") + c.request + ".xml");
    ASSERT_FALSE(request.empty()) << c.request;
    std::string answer = Answer(request);
    LeaveOutput("database_xml", std::string(c.answer) + ".xml", answer);
    EXPECT_EQ(answer,
              ReadSourceFile(std::string("tests/database/xml/data/answers/") + c.answer + ".xml"))
        << c.answer;
    EXPECT_EQ(XmlProblem(answer), "") << c.answer;
    EXPECT_TRUE(answers.asked.empty())
        << c.answer;  // nobody was asked: it all went into the answer
    EXPECT_FALSE(AbortRequested()) << c.answer;
    EXPECT_EQ(TagAlertsCount(), 0);
  }
}

TEST_F(XmlTest, TemplatesListByStartFilterAndType) {
  for (auto [path, kind] :
       {std::pair{"Reports: Sales", kTemplateCards}, std::pair{"Reports: Costs", kTemplateLines},
        std::pair{"Reports: Deep: Trend", kTemplateTimeFunctions},
        std::pair{"Top <1>", kTemplateComponents}}) {
    T_Template* templ = NewTemplate(base, kind);
    ASSERT_TRUE(StoreTemplate(base, templ, path));
  }
  struct Case {
    const char* request;
    const char* list;  // the elements between <templatelist> and </templatelist>
  };
  const Case cases[] = {
      {"<templates/>",
       "<template name=\"Reports: Costs\" type=\"Lines\"/>\r\n"
       "<template name=\"Reports: Deep: Trend\" type=\"Time Functions\"/>\r\n"
       "<template name=\"Reports: Sales\" type=\"Cards\"/>\r\n"
       "<template name=\"Top &lt;1&gt;\" type=\"Components\"/>\r\n"},
      {"<templates type=\"LINES\"/>", "<template name=\"Reports: Costs\" type=\"Lines\"/>\r\n"},
      {"<templates name=\"reports:deep\"></templates>",
       "<template name=\"Reports: Deep: Trend\" type=\"Time Functions\"/>\r\n"},
      {"<templates name=\"no such folder\" filter=\"s\" type=\"cards\"/>",
       "<template name=\"Reports: Sales\" type=\"Cards\"/>\r\n"},
      {"<templates name=\"Reports: Sales\"/>",
       "<template name=\"Reports: Sales\" type=\"Cards\"/>\r\n"},
      {"<templates type=\"componentfunctions\"/>", ""},
  };
  const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<QEB-xml-output>\r\n\r\n";
  for (const Case& c : cases) {
    EXPECT_EQ(Answer(c.request),
              head + "<templatelist>\r\n" + c.list + "</templatelist>\r\n</QEB-xml-output>\r\n")
        << c.request;
  }
  EXPECT_EQ(Answer("<templates type=\"pivot\"/>"),
            head +
                "<error>unknown template type</error>\r\n<templatelist>\r\n</templatelist>\r\n"
                "</QEB-xml-output>\r\n");
}

// What the window's export saw.
struct ExportSeen {
  T_Template* templ = nullptr;
  uint32_t exportFormat = 99;
  int32_t tagAlerts = 0;
  int calls = 0;
};
ExportSeen& Seen() {
  static ExportSeen seen;
  return seen;
}

TEST_F(XmlTest, TemplateRequestExportsACopyAndLeavesTheStoredOneAlone) {
  T_Template* stored = NewTemplate(base, kTemplateLines);
  ASSERT_TRUE(StoreTemplate(base, stored, "Reports: Costs"));
  auto recordText = [](T_Template* templ) {
    T_OStream text;
    templ->WriteText(&text);
    return std::string(reinterpret_cast<const char*>(text.start),
                       static_cast<size_t>(text.pos - text.start));
  };
  const std::string before = recordText(stored);
  const uint32_t formatBefore = AsBoxTemplate(stored)->output.format;

  Seen() = ExportSeen{};
  XmlRequestServices services{[](T_Template* templ, T_OStream* out) {
    Seen().templ = templ;
    Seen().exportFormat = AsBoxTemplate(templ)->output.format;
    Seen().tagAlerts = TagAlertsCount();
    ++Seen().calls;
    out->PutText("<QEB-Lines/>");
    return true;
  }};
  SetXmlRequestServices(&services);
  std::string answer =
      Answer("<template name=\"reports:costs\"><selection><x/></selection></template><version/>");
  EXPECT_EQ(Seen().calls, 1);
  EXPECT_NE(Seen().templ, nullptr);
  EXPECT_NE(Seen().templ, stored);
  EXPECT_EQ(Seen().exportFormat, kOutputXml);
  EXPECT_GT(Seen().tagAlerts, 0);  // lookups inside the window must not ask in a dialog
  EXPECT_NE(answer.find("<QEB-Lines/>\r\n<version"), std::string::npos) << answer;
  EXPECT_EQ(XmlProblem(answer), "") << answer;
  EXPECT_EQ(FindTemplate(base, "Reports: Costs"), stored);
  EXPECT_EQ(recordText(stored), before);
  EXPECT_EQ(AsBoxTemplate(stored)->output.format, formatBefore);
  EXPECT_EQ(CountTemplates(base), 1);

  // Without a window that can export, the request says so in the answer, and the copy goes.
  SetXmlRequestServices(nullptr);
  answer = Answer("<template name=\"Reports: Costs\"/>");
  EXPECT_NE(answer.find("<error>&quot;template&quot; is not available in this version.</error>"),
            std::string::npos)
      << answer;
  EXPECT_EQ(recordText(stored), before);
  EXPECT_EQ(CountTemplates(base), 1);
}

}  // namespace
}  // namespace xml_test
