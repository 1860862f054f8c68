// Damaged input: requests and command files mutated from good ones in a seeded, bounded loop.
// Every request must end with a well-formed answer, and every command file must end with the
// chain of files being read empty and the database whole.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "database/read_paths.h"
#include "database/template_tree.h"
#include "tests/database/sections/model_walk.h"
#include "tests/database/templates/templates_fixture.h"
#include "xml_fixture.h"

namespace xml_test {
namespace {

// Pieces that XML readers meet badly: markup characters, quotes, entities known and unknown,
// bytes that are not UTF-8, a NUL, control characters, deep nesting and a huge attribute.
std::vector<std::string> Pieces() {
  return {"<",
          ">",
          "/",
          "/>",
          "</",
          "\"",
          "'",
          "=",
          "&",
          "&amp;",
          "&nosuch;",
          "&#0;",
          "&#xFFFF;",
          std::string("\0", 1),
          "\xff",
          "\xc3",
          "\xe2\x82",
          "\x01\x1f",
          "\r\n",
          "<!--",
          "-->",
          "<?",
          "?>",
          "<![CDATA[",
          "]]>",
          "<version>",
          "</version>",
          "<QEB-xml-input>",
          "</QEB-xml>",
          "<template name=\"a\" type=\"cards\">",
          "<import file=\"part.qex\"/>",
          std::string(3000, 'x'),
          "<a>" + std::string(2000, '<') + "b>",
          [] {
            std::string deep;
            for (int i = 0; i < 500; ++i) deep += "<n" + std::to_string(i % 7) + ">";
            return deep;
          }(),
          "<dimensions filter=\"" + std::string(5000, 'q') + "\" usage=\"on\"/>"};
}

std::string Mutate(const std::string& seed, std::mt19937& random,
                   const std::vector<std::string>& pieces) {
  std::string text = seed;
  int steps = 1 + static_cast<int>(random() % 4);
  for (int s = 0; s < steps; ++s) {
    size_t at = text.empty() ? 0 : random() % (text.size() + 1);
    switch (random() % 5) {
      case 0:  // flip a byte
        if (!text.empty()) text[at % text.size()] ^= static_cast<char>(1 + random() % 255);
        break;
      case 1:  // insert a piece
        text.insert(at, pieces[random() % pieces.size()]);
        break;
      case 2:  // drop a run
        text.erase(at, random() % 40);
        break;
      case 3:  // repeat a run
        text.insert(at, text.substr(at, random() % 60));
        break;
      default:  // cut the end
        text.resize(at);
        break;
    }
  }
  return text;
}

class MutatedXmlTest : public XmlTest {};

// The check the loops rely on must refuse what another parser refuses.
TEST(XmlWellFormedCheck, RefusesBrokenDocuments) {
  const std::string head = "<?xml version=\"1.0\"?>\r\n";
  EXPECT_EQ(XmlProblem(head + "<r a=\"&lt;&#10;\"><e/>t &amp; u</r>\r\n"), "");
  for (const std::string body : {"<r><e></r></e>", "<r>", "<r/><r/>", "<r a=\"1\" a2=\"<\"/>",
                                 "<r a=1/>", "<r>&nosuch;</r>", "<r>a & b</r>", "<r>\x01</r>",
                                 "<r>\xc3</r>", "text<r/>", "<r></R>", "<r a=\"1\"b=\"2\"/>"}) {
    EXPECT_NE(XmlProblem(head + body), "") << body;
  }
  EXPECT_NE(XmlProblem("<r/>"), "");  // no declaration
}

TEST_F(MutatedXmlTest, EveryMutatedRequestGetsAWellFormedAnswer) {
  std::vector<std::string> seeds;
  for (const char* name :
       {"empty", "version", "dimensions", "components", "unknown_tag", "template"}) {
    seeds.push_back(
        ReadSourceFile(std::string("tests/database/xml/data/requests/") + name + ".xml"));
  }
  const std::vector<std::string> pieces = Pieces();
  std::mt19937 random(20240506);
  for (int i = 0; i < 600; ++i) {
    base->xmlErrors = static_cast<uint8_t>(i % 3 != 0);
    std::string request = Mutate(seeds[i % seeds.size()], random, pieces);
    std::string answer = Answer(request);
    ASSERT_EQ(XmlProblem(answer), "") << "case " << i << "\n" << request << "\n" << answer;
    ASSERT_FALSE(AbortRequested()) << "case " << i;
    ASSERT_EQ(PendingError.request.message, 0) << "case " << i;
    if (i < 12) LeaveOutput("database_xml", "mutated_" + std::to_string(i) + ".xml", answer);
  }
  EXPECT_TRUE(answers.asked.empty());  // every alert went into an answer
}

TEST_F(MutatedXmlTest, EveryMutatedCommandFileEnds) {
  ScratchFolder folder;
  TextBufAssign(base->path, (folder / "fixture.qex").c_str());
  auto write = [&folder](const std::string& name, const std::string& text) {
    HANDLE file = CreateFileW(WidePathText((folder / name).c_str()).c_str(), GENERIC_WRITE, 0,
                              nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
  };
  write("part.qex", "##QEB-Text\t121122\r\n\r\n##Dimension\t2\r\nP7\tSeven\t\r\n\r\n##End\r\n");
  const std::vector<std::string> seeds = {
      "<?xml version=\"1.0\"?>\r\n<QEB-xml errors=\"off\">\r\n<import file=\"part.qex\"/>\r\n"
      "<template name=\"Reports: A\" type=\"lines\" opendirect=\"on\"><rows/></template>\r\n"
      "</QEB-xml>\r\n",
      "<QEB-xml><template name=\"B\" type=\"cards\"/><frob/><import file=\"commands.xml\"/>"
      "</QEB-xml><QEB-xml><template name=\"Reports\" type=\"components\"></template></QEB-xml>",
  };
  const std::vector<std::string> pieces = Pieces();
  std::mt19937 random(19980101);
  for (int i = 0; i < 300; ++i) {
    std::string text = Mutate(seeds[i % seeds.size()], random, pieces);
    write("commands.xml", text);
    readXmlCommandFile(base, (folder / "commands.xml").c_str());
    ASSERT_EQ(ReadPathDepth(), 0) << "case " << i << "\n" << text;
    ASSERT_EQ(base->xmlErrors, 1) << "case " << i;
    PendingErrorClear();
    base->errorFlag = 0;
  }
  // Every template the files installed stands in a sound tree; at least some were installed.
  EXPECT_GT(CountTemplates(base), 0);
  EXPECT_EQ(templates_test::TreeProblems(base->rootTemplate), "");
  ExpectModelSound(base);
}

}  // namespace
}  // namespace xml_test
