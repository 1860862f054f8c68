// XML command files read into the fixture database: the "errors" switch, unknown attributes and
// values, imports through the file layer's seam (and without it), templates installed into the
// tree, and files that end inside an element.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/alert.h"
#include "database/component_lookup.h"
#include "database/read_paths.h"
#include "database/stored_object_holders.h"
#include "database/template_runner.h"
#include "database/template_tree.h"
#include "database/templates.h"
#include "xml_fixture.h"

namespace xml_test {
namespace {

struct OpenCall {
  std::string path;
  std::string password;
  ImportSetup* setup;
  int32_t flags;
  bool chained;  // the path stood in the chain of files being read
};
std::vector<OpenCall>& Opened() {
  static std::vector<OpenCall> calls;
  return calls;
}

// Reads a text form into the database as the file layer's import does.
void OpenTextForm(T_Base* base, const char* path, const char* password, ImportSetup* setup,
                  int32_t flags) {
  Opened().push_back({path, password ? password : "", setup, flags, IsBeingRead(path)});
  T_HTextRead in;
  if (!in.Open(path)) return;
  const int32_t kept = base->readFlags;
  base->readFlags |= flags;
  readDatabaseSections(base, &in);
  base->readFlags = kept;
}

class XmlCommandFileTest : public XmlTest {
 protected:
  void SetUp() override {
    XmlTest::SetUp();
    Opened().clear();
    TextBufAssign(base->path, (folder / "fixture.qex").c_str());
    Write("part.qex", "##QEB-Text\t121122\r\n\r\n##Dimension\t2\r\nP7\tSeven\t\r\n\r\n##End\r\n");
  }

  void Write(const std::string& name, const std::string& text) {
    HANDLE file = CreateFileW(WidePathText((folder / name).c_str()).c_str(), GENERIC_WRITE, 0,
                              nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
  }
  // Writes the command file and reads it into the database.
  bool Read(const std::string& text, const std::string& name = "commands.xml") {
    Write(name, text);
    return readXmlCommandFile(base, (folder / name).c_str());
  }
  bool HasProject(const char* code) { return FindByCode(base, 1, code) != nullptr; }

  ScratchFolder folder;
};

TEST_F(XmlCommandFileTest, ErrorsOffReadsUnknownsWithoutAPrompt) {
  base->xmlErrors = 1;
  EXPECT_TRUE(
      Read("<?xml version=\"1.0\"?>\r\n<QEB-xml errors=\"OFF\">\r\n"
           "  <frobnicate a=\"1\"><import file=\"part.qex\"/></frobnicate>\r\n"
           "  <import file=\"\" colour=\"red\"/>\r\n"
           "  <template name=\"T\" type=\"cards\" opendirect=\"maybe\"/>\r\n"
           "</QEB-xml>\r\n"));
  EXPECT_EQ(Asked(), std::vector<std::string>{});
  EXPECT_TRUE(Opened().empty());  // the unknown element's content was skipped whole
  ASSERT_NE(FindTemplate(base, "T"), nullptr);
  EXPECT_EQ(base->xmlErrors, 1);  // the file's switch ends with the file
  EXPECT_FALSE(base->errorFlag);
}

TEST_F(XmlCommandFileTest, UnknownAttributesAndValuesAreReported) {
  base->xmlErrors = 0;  // the file turns the warnings on for itself
  EXPECT_TRUE(
      Read("<QEB-xml colour=\"red\" errors=\"loud\">"
           "<template name=\"Costs\" type=\"lines\" opendirect=\"maybe\" calcdirect=\"on\""
           " shade=\"x\"></template>"
           "<template name=\"Odd\" type=\"pivot\"><child/></template>"
           "</QEB-xml>"));
  EXPECT_EQ(Asked(), (std::vector<std::string>{"3901 colour", "3902 maybe", "3901 shade",
                                               "3902 pivot", "3900 child"}));
  EXPECT_EQ(answers.asked[1].text1, "opendirect");
  T_Template* costs = FindTemplate(base, "Costs");
  ASSERT_NE(costs, nullptr);
  EXPECT_EQ(costs->kind, kTemplateLines);
  EXPECT_EQ(AsBoxTemplate(costs)->openDirect, 0);  // a new template's, as the value was refused
  EXPECT_EQ(AsBoxTemplate(costs)->calcDirect, 1);
  EXPECT_EQ(FindTemplate(base, "Odd"), nullptr);  // nothing is installed without a known type
  EXPECT_EQ(base->xmlErrors, 0);
}

TEST_F(XmlCommandFileTest, ImportsGoThroughTheFileLayer) {
  ImportSetup* setup = ImportSetupCreate(base, "Bank");
  XmlCommandFileServices services{OpenTextForm};
  SetXmlCommandFileServices(&services);
  EXPECT_TRUE(
      Read("<QEB-xml>\r\n"
           "<import file=\"part.qex\" password=\"s3cret\" setup=\"bank\">text</import>\r\n"
           "<import file=\"missing.qex\" setup=\"nothing\"/>\r\n"
           "<import file=\"commands.xml\"/>\r\n"
           "</QEB-xml>"));
  ASSERT_EQ(Opened().size(), 2u);
  EXPECT_EQ(Opened()[0].path, folder / "part.qex");  // beside the database's file
  EXPECT_EQ(Opened()[0].password, "s3cret");
  EXPECT_EQ(Opened()[0].setup, setup);
  EXPECT_EQ(Opened()[0].flags, kOpenFlagImport);
  EXPECT_TRUE(Opened()[0].chained);
  EXPECT_EQ(Opened()[1].setup, nullptr);  // an unknown setup is ignored
  EXPECT_TRUE(HasProject("P7"));
  // The missing file's failure comes through the prompt, and the file that would import itself
  // is refused.
  ASSERT_EQ(answers.asked.size(), 2u);
  EXPECT_EQ(answers.asked[0].message, 605);
  EXPECT_EQ(answers.asked[1].message, 3827);
  EXPECT_EQ(ReadPathDepth(), 0);
}

TEST_F(XmlCommandFileTest, TemplatesReplaceAndRepointOnlyWindowsOfTheirKind) {
  T_Template* sales = NewTemplate(base, kTemplateCards);
  T_Template* costs = NewTemplate(base, kTemplateCards);
  ASSERT_TRUE(StoreTemplate(base, sales, "Reports: Sales"));
  ASSERT_TRUE(StoreTemplate(base, costs, "Reports: Costs"));
  auto* salesWindow = new base_test::T_QuietWindow(kTemplateCards, base);
  salesWindow->templ = sales;
  auto* costsWindow = new base_test::T_QuietWindow(kTemplateCards, base);
  costsWindow->templ = costs;

  EXPECT_TRUE(
      Read("<QEB-xml>"
           "<template name=\"reports:sales\" type=\"cards\" zoomdirect=\"on\""
           " webvisible=\"off\" opendirect=\"on\"><rows/></template>"
           "<template name=\"Reports: Costs\" type=\"components\"/>"
           "<template name=\"New: Deep: One\" type=\"lines\" calcdirect=\"on\"/>"
           "</QEB-xml>"));
  EXPECT_EQ(Asked(), std::vector<std::string>{});
  T_Template* newSales = FindTemplate(base, "Reports: Sales");
  ASSERT_NE(newSales, nullptr);
  EXPECT_EQ(salesWindow->templ, newSales);
  T_BoxTmpl* box = AsBoxTemplate(newSales);
  EXPECT_EQ(box->openDirect + 2 * box->zoomDirect + 4 * box->webVisible, 3);
  EXPECT_EQ(FindTemplate(base, "Reports: Costs")->kind, kTemplateComponents);
  EXPECT_EQ(costsWindow->templ, nullptr);  // a cards window cannot show a components template
  ASSERT_NE(FindTemplate(base, "New: Deep: One"), nullptr);
  EXPECT_EQ(AsBoxTemplate(FindTemplate(base, "New: Deep: One"))->calcDirect, 1);
  EXPECT_EQ(CountTemplates(base), 3);
  delete salesWindow;
  delete costsWindow;
}

TEST_F(XmlCommandFileTest, AFileEndingInsideAnElementKeepsWhatItImported) {
  XmlCommandFileServices services{OpenTextForm};
  SetXmlCommandFileServices(&services);
  T_Template* kept = NewTemplate(base, kTemplateLines);
  ASSERT_TRUE(StoreTemplate(base, kept, "Cut"));
  const std::string head = "<QEB-xml><import file=\"part.qex\"/>";
  for (const std::string tail :
       {"<template name=\"Cut\" type=\"cards\"><rows><row>", "<template name=\"Cut\" type=\"card",
        "<import file=\"other.qex", "</QEB-xml"}) {
    EXPECT_TRUE(Read(head + tail)) << tail;
    EXPECT_TRUE(HasProject("P7")) << tail;
    EXPECT_EQ(FindTemplate(base, "Cut"), kept) << tail;  // a cut template replaces nothing
    EXPECT_FALSE(base->errorFlag) << tail;
  }
  EXPECT_EQ(Opened().size(), 4u);  // no cut-off import tag was acted on
  EXPECT_EQ(Asked(), std::vector<std::string>{});
}

TEST_F(XmlCommandFileTest, AMissingFileFailsWithTheFileError) {
  EXPECT_FALSE(readXmlCommandFile(base, (folder / "absent.xml").c_str()));
  EXPECT_EQ(PendingError.request.message, 605);
  EXPECT_EQ(ReadPathDepth(), 0);
}

}  // namespace
}  // namespace xml_test
