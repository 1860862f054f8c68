#include <cmath>
#include <vector>

#include "sie_fixture.h"

namespace {

using SieExport = SieTest;

std::string Latin1(const std::string& utf8) {
  T_TextBuf text(utf8.c_str());
  std::vector<char> buffer(utf8.size() + 1);
  const int32_t n = Utf8ToCodePage(buffer.data(), text.c_str(), kEncodingLatin1);
  return std::string(buffer.data(), static_cast<size_t>(n));
}

// The export of an imported fixture, with every dimension numbered, is its golden file byte for
// byte: header, blanks, quotes, braces, CR LF and ISO-8859-1.
TEST_F(SieExport, WritesTheFormatByteForByte) {
  T_Base* base = OpenSie(SieDataPath("bolag.se"));
  ASSERT_NE(base, nullptr);
  const std::string bytes = ExportAll(base, "bolag.si");
  EXPECT_EQ(bytes, Golden("bolag.export.si", bytes));
  const std::string header =
      "#FLAGGA 0\r\n#PROGRAM QEB 5.7\r\n#FORMAT PC8\r\n#GEN 20240506\r\n#SIETYP 4\r\n"
      "#FNAMN  \"" +
      Latin1("\xC3\x96vningsbolaget AB") + "\"\r\n\r\n";
  EXPECT_EQ(bytes.substr(0, header.size()), header);
  for (size_t at = bytes.find('\n'); at != std::string::npos; at = bytes.find('\n', at + 1))
    ASSERT_EQ(bytes[at - 1], '\r') << at;
  // A quote inside a text is escaped; an object with a blank is quoted once in object lists.
  EXPECT_NE(bytes.find("\"Lokal \\\"Norr\\\"\""), std::string::npos);
  EXPECT_NE(bytes.find("{ 1 \"A 1\" 2 P1 } -8000.00"), std::string::npos);
  DeleteBase(base, kCloseSilently);
  // The fixture in the export's own form comes out as its golden file too.
  base = OpenSie(SieDataPath("iso.se"));
  ASSERT_NE(base, nullptr);
  const std::string iso = ExportAll(base, "iso.si");
  EXPECT_EQ(iso, Golden("iso.export.si", iso));
  DeleteBase(base, kCloseSilently);
}

// The export reads back into the same data: the database it makes is the fixture's (its golden
// dump), but for the "#KTYP" letters the export does not write, the series, which come back as a
// dimension of objects, and the account-type groups, which come back as accounts of their own
// codes. From then on an export and its import hold each other exactly.
TEST_F(SieExport, ReadsBackIntoTheSameData) {
  for (const char* fixture : {"bolag.se", "iso.se"}) {
    T_Base* first = OpenSie(SieDataPath(fixture));
    ASSERT_NE(first, nullptr);
    ExportAll(first, "first.si");
    T_Base* second = OpenSie(Path("first.si"));
    ASSERT_NE(second, nullptr);
    const std::string dump = SieDump(second);
    EXPECT_EQ(dump, Golden(std::string(fixture) + ".reimport.dump", dump));
    const std::string exported = ExportAll(second, "second.si");
    T_Base* third = OpenSie(Path("second.si"));
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(SieDump(third), dump) << fixture;
    EXPECT_EQ(ExportAll(third, "third.si"), exported) << fixture;
    for (T_Base* base : {third, second, first}) DeleteBase(base, kCloseSilently);
  }
}

TEST_F(SieExport, HeaderVoucherNumbersAndCodesFollowTheOptions) {
  auto* base = new T_Base(nullptr, 0);
  AddComponent(base, 1, "1910", "Kassa", "1910");
  AddComponent(base, 1, "X9", "Utan v\xC3\xA4rdkod", nullptr);
  AddComponent(base, 2, "P", "Projekt P", nullptr);
  CardId id{PackDate(2012, 11, 22), 5};
  CardRecord* card = CreateCard(base, &id);
  SetCardTitle(card, "Kort");
  GroupRecord* group = base->FindOrAddGroup(card, 0);
  for (const char* account : {"1910", "X9"}) {
    LineRecord* line = CreateLine(base, group);
    base->SetLineComponent(line, 0, FindByCode(base, 1, account)->number);
    base->SetLineComponent(line, 1, FindByCode(base, 2, "P")->number);
    base->SetLineValue(line, 0, -0.001);
  }
  SaveOptions options;
  SaveOptionsInit(&options, base);
  SaveOptionsFromBase(&options, base);
  options.kind = kSaveKindSie;
  options.sieDimensionNumbers[2] = 4;
  options.sieFlags[kSieOwnCodes] = 0;
  options.sieComponentModes[1] = kDimSaveAll;
  const std::string bytes = Export(base, "edge.si", &options);
  // No company: "Exempel". Card 121122-5 with three card digits: 20, 121122 and 005.
  EXPECT_NE(bytes.find("#FNAMN  \"Exempel\"\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("#VER  \"\"  20121122005  20121122  \"Kort\"\r\n"), std::string::npos);
  // Without host codes and own codes: no account line, no object, no transaction; each
  // component reported once.
  EXPECT_EQ(bytes.find("X9"), std::string::npos);
  EXPECT_EQ(bytes.find("#OBJEKT"), std::string::npos);
  EXPECT_NE(bytes.find("  #TRANS  1910  { } 0.00\r\n"), std::string::npos) << bytes;
  EXPECT_EQ(user.asked, (std::vector<int32_t>{4329, 4329}));
  EXPECT_EQ(user.TextOf(4329), "No host code defined for component \"X9\" in dimension Dim 2.");

  // With own codes they are written under their codes.
  user.asked.clear();
  options.sieFlags[kSieOwnCodes] = 1;
  const std::string own = Export(base, "own.si", &options);
  EXPECT_NE(own.find("#OBJEKT  4  \"P\"  \"Projekt P\"\r\n"), std::string::npos);
  EXPECT_NE(own.find("  #TRANS  X9  { 4 P } 0.00\r\n"), std::string::npos);
  EXPECT_TRUE(user.asked.empty());
  SaveOptionsFree(&options);
  DeleteBase(base, kCloseSilently);
}

TEST_F(SieExport, AmountsAreWrittenExactlyAndWithoutANegativeZero) {
  struct Case {
    double value;
    int32_t code;
    const char* text;
    bool finite;
  } cases[] = {
      {123.4, 2, "123.40", true},
      {-5000, 2, "-5000.00", true},
      {1234567.891, 0, "1234568", true},
      {-0.001, 2, "0.00", true},
      {-0.0, 7, "0", true},
      {0.1, 7, "0.1", true},
      {1.0 / 3, 7, "0.3333333333333333", true},
      {2.5, 9, "2.5", true},
      {NAN, 2, "0", false},
      {INFINITY, 7, "0", false},
  };
  for (const Case& c : cases) {
    T_TextBuf text;
    EXPECT_EQ(FormatSieAmount(&text, c.value, c.code), c.finite) << c.text;
    EXPECT_STREQ(text.c_str(), c.text);
  }
}

}  // namespace
