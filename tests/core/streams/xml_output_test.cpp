// XML as the program writes it, in every encoding, read back by the program's own reader; the
// files are left for tools/check-xml-output, which reads them with xmllint (ctest runs it after
// this program, with QEB_XML_OUTPUT_DIR naming the folder).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/file_stream.h"
#include "core/input_stream.h"
#include "core/output_stream.h"
#include "scratch_folder.h"

namespace {

struct XmlCase {
  const char* text;
  const char* expected;  // what any reader must give back
};

// Emoji, the escaped characters, control characters and characters that code pages lack.
const XmlCase kXmlCases[] = {
    {"plain", "plain"},
    {"a & b < c > d \"q\" 'a'", "a & b < c > d \"q\" 'a'"},
    {"emoji \xF0\x9F\x98\x80 and \xE4\xB8\xAD", "emoji \xF0\x9F\x98\x80 and \xE4\xB8\xAD"},
    {"ctrl \x01\x02|tab\t|lf\n|cr\r|crlf\r\n|\x1F"
     "end",
     "ctrl |tab\t|lf\n|cr\r|crlf\r\n|end"},
    {"missing \xC5\x82 \xE2\x82\xAC \xCE\xA9 \xC3\xA9 \xC2\xA0!",
     "missing \xC5\x82 \xE2\x82\xAC \xCE\xA9 \xC3\xA9 \xC2\xA0!"},
    {"halves \xED\xA0\xBD\xED\xB8\x80 lone \xED\xA0\xBD|\xEF\xBF\xBF|",
     "halves \xF0\x9F\x98\x80 lone ||"},
    {"", ""},
};

const TextEncoding kXmlEncodings[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};

std::string HexOf(const std::string& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

void WriteXml(const std::string& path, TextEncoding encoding) {
  T_OStreamFile stream;
  stream.SetEncoding(encoding);
  ASSERT_TRUE(stream.Open(path.c_str(), 0));
  stream.PutXmlProlog();
  stream.PutText("<cases>");
  stream.PutNewline();
  for (const XmlCase& c : kXmlCases) {
    stream.PutText("<t");
    stream.PutAttributeAlways("v", c.text);
    stream.PutText(">");
    stream.PutEscaped(c.text);
    stream.PutText("</t>");
    stream.PutNewline();
  }
  stream.PutText("</cases>");
  stream.PutNewline();
  EXPECT_TRUE(stream.Close());
}

// Reads the file as the program reads XML: the prolog's charset sets the encoding.
void ExpectReadBack(const std::string& path, TextEncoding encoding) {
  T_IStreamFile stream;
  ASSERT_TRUE(stream.Open(path.c_str()));
  ASSERT_TRUE(stream.NextXmlToken());
  AttrList list;
  AttrListInit(&list);
  AttrListRead(&list, &stream);
  T_TextBuf charset;
  EXPECT_TRUE(AttrListGet(&list, "encoding", &charset));
  AttrListFree(&list);
  stream.SetEncodingByName(charset.c_str());
  ASSERT_TRUE(stream.NextXmlToken());
  EXPECT_TRUE(stream.FieldIsTag("cases"));
  for (const XmlCase& c : kXmlCases) {
    SCOPED_TRACE(HexOf(c.text) + " in " + std::to_string(encoding));
    ASSERT_TRUE(stream.NextXmlToken());
    ASSERT_TRUE(stream.FieldIsTag("t"));
    AttrListInit(&list);
    AttrListRead(&list, &stream);
    T_TextBuf value;
    EXPECT_TRUE(AttrListGet(&list, "v", &value));
    AttrListFree(&list);
    EXPECT_EQ(std::string(value.c_str()), c.expected);
    T_TextBuf content;
    stream.ReadElementContent(&content);
    EXPECT_EQ(std::string(content.c_str()), c.expected);
  }
}

TEST(XmlOutput, EveryEncodingReadsBackTheSameTexts) {
  ScratchFolder scratch;
  // The folder the checking script reads, as Wine sees it; without it the files stay private.
  const char* shared = std::getenv("QEB_XML_OUTPUT_DIR");
  std::string folder = scratch.path();
  if (shared != nullptr && *shared != 0) {
    folder = std::string("Z:") + shared;
    for (char& c : folder) {
      if (c == '/') c = '\\';
    }
    // In a fresh build the shared output folder itself may not exist yet.
    CreateFolder(folder.substr(0, folder.find_last_of('\\')).c_str());
    CreateFolder(folder.c_str());
  }
  std::string list;
  for (TextEncoding encoding : kXmlEncodings) {
    std::string name = "xml_" + std::to_string(encoding) + ".xml";
    std::string path = folder + "\\" + name;
    WriteXml(path, encoding);
    ExpectReadBack(path, encoding);
    list += name + "\n";
  }
  // The expected texts, one per line in hexadecimal, and the files to check.
  std::string expected;
  for (const XmlCase& c : kXmlCases) expected += HexOf(c.expected) + "\n";
  WriteWholeFile(folder + "\\expected.txt", expected);
  WriteWholeFile(folder + "\\files.txt", list);
}

}  // namespace
