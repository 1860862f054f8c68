#include <algorithm>
#include <vector>

#include "../files/files_fixture.h"
#include "database/dimension_options.h"
#include "database/sie_words.h"
#include "sie_fixture.h"

namespace {

using SieImport = SieTest;

// Each fixture opens to its golden dump; the questions it raises are part of the result.
TEST_F(SieImport, FixturesOpenToTheirGoldenDumps) {
  struct Case {
    const char* file;
    const char* dump;
    TextEncoding encoding;
    std::vector<int32_t> asked;
  } cases[] = {
      // A voucher and a balance before "#FNAMN" are lost: one 3811.
      {"bolag.se", "bolag.dump", kEncodingPc8, {3811}},
      {"iso.se", "iso.dump", kEncodingLatin1, {}},
      // A month 13, two amounts that are not numbers, a voucher without its "}".
      {"errors.se", "errors.dump", kEncodingLatin1, {3830, 3514, 3514, 3811}},
  };
  for (const Case& c : cases) {
    user.asked.clear();
    EXPECT_EQ(SieFileEncoding(SieDataPath(c.file).c_str()), c.encoding) << c.file;
    T_Base* base = OpenSie(SieDataPath(c.file));
    ASSERT_NE(base, nullptr);
    EXPECT_EQ(base->fileKind, kFileKindSie);
    ExpectModelSound(base);
    const std::string dump = SieDump(base);
    EXPECT_EQ(dump, Golden(c.dump, dump)) << c.file;
    EXPECT_EQ(user.asked, c.asked) << c.file;
    DeleteBase(base, kCloseSilently);
  }
}

TEST_F(SieImport, AccountsVouchersAndObjectsFollowTheMapping) {
  T_Base* base = OpenSie(SieDataPath("bolag.se"));
  ASSERT_NE(base, nullptr);
  // 1910 Kassa without "#KTYP": T1910 under "T" "Tillgångar".
  ComponentRecord* kassa = FindByCode(base, 1, "T1910");
  ASSERT_NE(kassa, nullptr);
  EXPECT_STREQ(kassa->hostCode, "1910");
  EXPECT_STREQ(kassa->parent->code, "T");
  EXPECT_STREQ(kassa->parent->text, "Tillg\xC3\xA5ngar");
  // "#KTYP" for its own account sets the letter; one for another account is no account's.
  EXPECT_NE(FindByCode(base, 1, "K4010"), nullptr);
  EXPECT_NE(FindByCode(base, 1, "K3740"), nullptr);
  EXPECT_EQ(FindByHostCode(base, 1, "9999"), nullptr);
  EXPECT_STREQ(base->GetDimSingular(1), "Konto");
  EXPECT_STREQ(base->GetDimPlural(1), "Konton");
  // The company keys the groups by its first character; "Ö" is two bytes of UTF-8.
  ComponentRecord* company = FindByCode(base, 0, "\xC3\x96");
  ASSERT_NE(company, nullptr);
  EXPECT_STREQ(company->text, "\xC3\x96vningsbolaget AB");
  // The sub-dimension shares its parent's dimension; dimension 7 is not mapped.
  EXPECT_STREQ(base->GetDimSingular(2), "Kostnadsst\xC3\xA4lle");
  EXPECT_NE(FindByHostCode(base, 2, "210"), nullptr);
  EXPECT_NE(FindByHostCode(base, 2, "A 1"), nullptr);
  EXPECT_STREQ(base->GetDimSingular(3), "Projekt");
  EXPECT_EQ(FindByHostCode(base, 3, "X"), nullptr);
  EXPECT_STREQ(base->GetDimSingular(4), "Serie");
  // A voucher without series is titled by its text alone; one with a series by number and text.
  CardId id{PackDate(2024, 1, 20), 1};
  CardRecord* rent = FindCardAtOrBefore(base, &id);
  EXPECT_STREQ(rent->title, "Hyra januari");
  id = {PackDate(2024, 1, 15), 1};
  CardRecord* coffee = FindCardAtOrBefore(base, &id);
  EXPECT_STREQ(coffee->title, "1: Kaffe och bullar");
  EXPECT_EQ(coffee->created.stamp, PackTimeStamp(2024, 1, 16, 0, 0));
  // The balances of year 0 make a card "IB" the day before the fiscal year.
  id = {PackDate(2023, 12, 31), 1};
  EXPECT_STREQ(FindCardAtOrBefore(base, &id)->title, "IB");
  DeleteBase(base, kCloseSilently);
}

// Imported into a database that uses dimension 2 and has named dimension 3, the SIE dimensions
// and the series take the next dimensions that are free of both.
TEST_F(SieImport, SieDimensionsTakeOnlyFreeDimensions) {
  auto* base = new T_Base(nullptr, 0);
  AddComponent(base, 2, "Q", "I bruk", nullptr);
  SetSingular(base->dimensions[3], "Namngiven");
  ASSERT_TRUE(base->ImportFile(SieDataPath("bolag.se").c_str(), nullptr, nullptr, 0));
  EXPECT_STREQ(base->GetDimSingular(4), "Kostnadsst\xC3\xA4lle");
  EXPECT_STREQ(base->GetDimSingular(5), "Projekt");
  EXPECT_STREQ(base->GetDimSingular(6), "Serie");
  EXPECT_EQ(CountDimensionComponents(base, 2), 1);
  EXPECT_EQ(CountDimensionComponents(base, 3), 0);
  DeleteBase(base, kCloseSilently);
}

// Words as the format spells them, braces and comments included.
TEST_F(SieImport, WordsOfALine) {
  struct Case {
    const char* line;
    const char* words;  // joined by "|"
    bool whole;
  } cases[] = {
      {"#TRANS 1910 {} 100", "#TRANS|1910|{|}|100", true},
      {"#TRANS 1910 { } 100", "#TRANS|1910|{|}|100", true},
      {"#TRANS 1910 {1 \"100\"} -1", "#TRANS|1910|{|1|100|}|-1", true},
      {"{1 \"A 1\" 6 \"P1\"}", "{|1|A 1|6|P1|}", true},
      {"{1 \"}\"} 5", "{|1|}|}|5", true},
      {"#VER \"\" 2 x", "#VER||2|x", true},
      {"\"Lokal \\\"Norr\\\"\" 'single q'", "Lokal \"Norr\"|single q", true},
      {"a \"b // c\" // comment", "a|b // c", true},
      {"#TRANS 1910 {} 7 \"\" \"open", "", false},
  };
  for (const Case& c : cases) {
    SieLine line;
    EXPECT_EQ(line.StartText(c.line, static_cast<int32_t>(std::strlen(c.line))), c.whole) << c.line;
    if (!c.whole) continue;
    std::string words;
    T_TextBuf word;
    for (bool first = true; line.Next(&word); first = false)
      words += (first ? "" : "|") + std::string(word.c_str());
    EXPECT_EQ(words, c.words) << c.line;
  }
}

// Lines of every length, NUL bytes and damaged bytes: every read ends with a sound model or a
// message, never outside a buffer.
TEST_F(SieImport, DamagedFilesEndInASoundModel) {
  const std::string whole = ReadBytes(SieDataPath("bolag.se"));
  std::vector<std::string> lines;
  for (size_t at = 0; at < whole.size();) {
    size_t end = whole.find('\n', at);
    end = end == std::string::npos ? whole.size() : end + 1;
    lines.push_back(whole.substr(at, end - at));
    at = end;
  }
  const std::string path = Path("damaged.se");
  uint32_t seed = 31;
  for (int32_t round = 0; round < 160; ++round) {
    std::string damaged;
    const uint32_t kind = NextRandom(&seed) % 3;
    if (kind == 0) {
      damaged = whole.substr(0, NextRandom(&seed) % whole.size());
    } else if (kind == 1) {
      damaged = whole;
      for (int32_t k = 0; k < 4; ++k) {
        const size_t at = NextRandom(&seed) % damaged.size();
        const uint32_t r = NextRandom(&seed);
        damaged[at] = (r & 1) ? static_cast<char>(damaged[at] ^ (1 << ((r >> 1) % 8)))
                              : static_cast<char>(r >> 8);
      }
    } else {
      for (const std::string& line : lines) {
        if (NextRandom(&seed) % 4 != 0) damaged += line;
      }
    }
    if (round == 0) damaged = whole + std::string(70000, 'x') + "\r\n" + std::string(3, '\0');
    WriteBytes(path, "#SIETYP 4\r\n" + damaged);
    T_Base* base = OpenSie(path);
    if (base != nullptr) {
      ExpectModelSound(base);
      DeleteBase(base, kCloseSilently);
    }
    EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr)) << round;
    PendingErrorClear();
    if (HasFailure()) break;
  }
}

// A line past the reader's limit costs that line alone: every voucher before and after it is
// kept, and the message names the file and the line.
TEST_F(SieImport, AnOverlongLineIsSkippedWithItsNumber) {
  const std::string whole = ReadBytes(SieDataPath("bolag.se"));
  T_Base* original = OpenSie(SieDataPath("bolag.se"));
  ASSERT_NE(original, nullptr);
  const std::string expected = SieDump(original);
  DeleteBase(original, kCloseSilently);
  const size_t firstVoucherEnd = whole.find("\n}\r\n", whole.find("#VER")) + 4;
  auto rowsIn = [](const std::string& text) {
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
  };
  const std::string prosa = "#PROSA \"" + std::string(3 << 19, 'x') + "\"";
  const struct {
    const char* where;
    std::string content;
    size_t row;
  } cases[] = {
      {"between vouchers",
       whole.substr(0, firstVoucherEnd) + prosa + "\r\n" + whole.substr(firstVoucherEnd),
       rowsIn(whole.substr(0, firstVoucherEnd)) + 1},
      {"last, without a line end", whole + prosa, rowsIn(whole) + 1},
  };
  for (const auto& c : cases) {
    const std::string path = Path("long.se");
    WriteBytes(path, c.content);
    user.asked.clear();
    user.texts.clear();
    T_Base* base = OpenSie(path);
    ASSERT_NE(base, nullptr) << c.where;
    EXPECT_EQ(SieDump(base), expected) << c.where;
    const std::string said = user.TextOf(3831);
    EXPECT_NE(said.find(path), std::string::npos) << c.where << ": " << said;
    EXPECT_NE(said.find("Row " + std::to_string(c.row) + " "), std::string::npos) << said;
    DeleteBase(base, kCloseSilently);
  }
}

// "Cancel" at a question gives the file up: nothing of it stays in the database it was imported
// into; "Stop" keeps what was read.
TEST_F(SieImport, CancelUndoesTheImportAndStopKeepsIt) {
  for (int32_t button : {701, 704}) {
    user.answers[3811] = button;
    T_Base* base = new T_Base(nullptr, 0);
    const bool imported = base->ImportFile(SieDataPath("errors.se").c_str(), nullptr, nullptr, 0);
    EXPECT_EQ(imported, button == 704);
    EXPECT_EQ(base->HasSubComponents(1), button == 704);
    PendingErrorClear();
    DeleteBase(base, kCloseSilently);
  }
}

}  // namespace
