#include <windows.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "database/file_kinds.h"
#include "database/file_progress.h"
#include "database/line_origins.h"
#include "database/lines.h"
#include "records_fixture.h"

namespace records_test {
namespace {

using CardRecords = RecordsTest;

SignatureStamp Stamp(int32_t day, int32_t hour, const char* signature) {
  SignatureStamp stamp;
  stamp.stamp = PackTimeStamp(2025, 3, day, hour, 30);
  std::snprintf(stamp.signature, sizeof stamp.signature, "%s", signature);
  return stamp;
}

std::string Value(double value, int32_t code) {
  char text[kCardValueMax];
  FormatCardValue(text, value, code);
  return text;
}

TEST(CardValues, WrittenByTheirDecimalsCode) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    double value;
    int32_t code;
    const char* text;
  };
  const Case cases[] = {
      {1234.5, 2, "1234.5"},
      {0.004, 2, "0"},
      {-0.005, 2, "-0.01"},
      {-0.004, 2, "-0"},  // the sign comes first, whatever the digits
      {1e20, 2, "1e20"},
      {-1.5e300, 0, "-1.5e300"},
      {std::nan(""), 2, "0"},
      {inf, 2, "0"},
      {-inf, 7, "0"},
      {-0.0, 2, "0"},
      {2.675, 2, "2.68"},  // the 0.00001 margin rounds the double below 2.675 up
      {0.5, 0, "1"},
      {0.499, 0, "0"},
      {1234.5, 7, "1234.5"},
      {0.001, 7, "1E-3"},
      {-12345678901.25, 7, "-1.234567890125E+10"},
      {1.123456789, 8, "1.12345679"},
      {1.123456789, 9, "1.123456789"},
      {1234567.1, 9, "1234567.1"},
      {12345678901234567.0, 2, "12345678901234568"},
      {99999999999999999.0, 0, "1e17"},
      {123456789012345678.0, 2, "1.23456789012346e17"},
      {5.0, 12, "5"},  // an unknown code writes whole numbers
  };
  for (const Case& c : cases) EXPECT_EQ(Value(c.value, c.code), c.text) << c.value << " " << c.code;

  T_OStream stream;
  PutCardValue(&stream, -2.5, 1);
  EXPECT_EQ(Written(stream), "-2.5");
}

// One card with one line and default options: the four records and the empty line.
TEST_F(CardRecords, OneCardWithOneLine) {
  EXPECT_EQ(CardsSectionOf(base), "");  // no cards: not even the tag
  Add(base, 0, "G1");
  Add(base, 1, "P1");
  CardRecord* card = Card(base, 2025, 3, 7, 1);
  Line(base, card, Number(base, 0, "G1"), {12.5}, {Number(base, 1, "P1")});
  EXPECT_EQ(CardsSectionOf(base), "##Cards\r\nC250307-1\r\nGG1\r\nL12.5\t\tP1\r\n\r\n");
}

// A database holding what the records carry: every reference style, three value columns with
// decimals 2, floating and millions, notes with CR and TAB, stamps, groups without component,
// line origins, and raw fields holding controls.
class CardsGolden : public RecordsTest {
 protected:
  void SetUp() override {
    RecordsTest::SetUp();
    Add(base, 0, "G1", "Group one");
    Add(base, 1, "P1", "Prod", "H-P1");
    Add(base, 1, "P2", "Other", "H-P2");
    Add(base, 2, "R1", "North");
    Add(base, 2, "R2", "South");
    SetValueCount(base, 3);
    base->decimalsCodes[0] = 2;
    base->decimalsCodes[1] = 7;
    base->decimalsCodes[2] = 9;
    base->saveOptions.cardReferenceStyles[1] = kCardRefHostCode;
    base->saveOptions.cardReferenceStyles[2] = kCardRefText;
    SetLineOrigins(base, true);

    CardRecord* first = Card(base, 2025, 3, 7, 1);
    BlockTextAssign(&first->title, "First\tcard");
    SetCardNotes(first, "Line1\rLine2\tTabbed");
    first->notesStamp = Stamp(7, 9, "AB");
    first->created = Stamp(7, 8, "AB");
    first->changed = Stamp(8, 10, "CD");
    int64_t g1 = Number(base, 0, "G1");
    LineRecord* line = Line(base, first, g1, {1234.5, 0.125, -1.000000001},
                            {Number(base, 1, "P1"), Number(base, 2, "R2")}, "first line");
    SetLineOrigin(base, line, "a.txt", 12);
    Line(base, first, g1, {}, {1, Number(base, 2, "R1")});
    CardRecord* second = Card(base, 2025, 3, 7, 2);
    second->examined = Stamp(9, 11, "EF");  // kept though the card has no other stamp
    Line(base, second, 0, {-0.004, 1e20, 3}, {}, "x\ny");
  }

  static constexpr const char* kGolden =
      "##Cards\r\n-DH\t2\r\n-DT\t3\r\n-LN\t3\r\n\r\n"
      "C250307-1\tFirst card\r\n"
      "N2503070930AB\tLine1\x03Line2\x04Tabbed\r\n"
      "S2503070830AB\t2503081030CD\r\n"
      "GG1\r\n"
      "L1234.5\t0.125\t-1.000000001\tfirst line\tH-P1\tSouth\r\n"
      "H\ta.txt\t12\r\n"
      "L0\t0\t0\t\t\tNorth\r\n"
      "\r\n"
      "C250307-2\r\n"
      "S\t\t2503091130EF\r\n"
      "G\r\n"
      "L-0\t1E+20\t3\tx y\r\n"
      "\r\n";
};

TEST_F(CardsGolden, GoldenSectionReadsBackIntoTheSameModel) {
  const std::string cards = CardsSectionOf(base);
  EXPECT_EQ(cards, kGolden);

  T_Base* fresh = NewDatabase();
  SetLineOrigins(fresh, true);
  for (int32_t column = 0; column < 3; ++column)
    fresh->decimalsCodes[column] = base->decimalsCodes[column];
  ReadSections(fresh, DimensionSectionsOf(base) + cards);
  EXPECT_EQ(fresh->valueCount, 3);
  EXPECT_EQ(fresh->saveOptions.cardReferenceStyles[1], kCardRefHostCode);
  EXPECT_EQ(fresh->saveOptions.cardReferenceStyles[2], kCardRefText);
  // -0.004 came back rounded to its column.
  base->SetLineValue(base->sentinelCard->previous->firstGroup->firstLine, 0, -0.0);
  EXPECT_EQ(DumpModel(fresh), DumpModel(base));
  EXPECT_EQ(CardsSectionOf(fresh),
            "" + std::string(kGolden).replace(std::string(kGolden).find("L-0"), 3, "L0"));
  EXPECT_TRUE(answers.asked.empty());
  EXPECT_EQ(CheckModel(fresh), "");
}

// Writers and readers name their section to the progress window by field code (a dimension's
// plural name, text 4515) and the writers count 64 steps a component, 104 a card, 40 a line.
TEST_F(CardsGolden, ProgressStatusAndSteps) {
  static std::vector<int32_t> statuses;
  static int64_t steps;
  static int window;
  statuses.clear();
  steps = 0;
  FileProgressHooks hooks{};
  hooks.current = [] { return reinterpret_cast<T_FileWait*>(&window); };
  hooks.setStatus = [](T_FileWait*, int32_t code) { statuses.push_back(code); };
  hooks.addSteps = [](T_FileWait*, int64_t n) { steps += n; };
  SetFileProgressHooks(&hooks);
  std::string written = DimensionSectionsOf(base);
  written += CardsSectionOf(base);
  EXPECT_EQ(statuses, (std::vector<int32_t>{33, 34, 35, 4515}));
  EXPECT_EQ(steps, 5 * 64 + 2 * 104 + 3 * 40);
  statuses.clear();
  ReadSections(NewDatabase(), written);
  EXPECT_EQ(statuses, (std::vector<int32_t>{33, 34, 35, 4515}));
  SetFileProgressHooks(nullptr);
}

// Truncations at every byte and seeded damage (bytes flipped, lines dropped or doubled, fields
// cut, tags changed) of the dimension and card sections, each read into a fresh database with
// the prompt answered Continue and then Stop: every read ends with a sound model.
TEST_F(CardsGolden, DamagedSectionsEndWithASoundModel) {
  DimImportCreate(base, 1);
  ReadSections(base, "##DimImport\t2\r\nsetup\r\n");
  const std::string whole = DimensionSectionsOf(base) + CardsSectionOf(base) + "##End\r\n";
  auto readDamaged = [this](const std::string& text, const std::string& what) {
    T_Base* fresh = NewDatabase();
    SetLineOrigins(fresh, true);
    answers.script = {kReadErrorContinue, kReadErrorStop};
    ReadSections(fresh, text);
    EXPECT_EQ(CheckModel(fresh), "") << what;
    EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr)) << what;
    PendingErrorClear();
    databases.pop_back();
  };
  for (size_t n = 0; n <= whole.size(); ++n)
    readDamaged(whole.substr(0, n), "cut at " + std::to_string(n));

  const char* const tags[] = {"##Cards", "##Dimension\t2", "##Dimension\t40", "##DimImport\t3", "#",
                              "-LN\t24", "-DT\t1",         "-DH\t2",          "C000000-0"};
  uint32_t seed = 1965;
  auto next = [&seed](uint32_t n) {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) % n;
  };
  for (int32_t round = 0; round < 400; ++round) {
    std::string damaged = whole;
    for (uint32_t k = 1 + next(3); k > 0; --k) {
      size_t at = next(static_cast<uint32_t>(damaged.size()));
      size_t lineStart = damaged.rfind('\n', at);
      lineStart = lineStart == std::string::npos ? 0 : lineStart + 1;
      size_t lineEnd = damaged.find('\n', at);
      lineEnd = lineEnd == std::string::npos ? damaged.size() : lineEnd + 1;
      switch (next(5)) {
        case 0:
          damaged[at] = static_cast<char>(damaged[at] ^ (1u << next(8)));
          break;
        case 1:
          damaged.erase(lineStart, lineEnd - lineStart);
          break;
        case 2:
          damaged.insert(lineStart, damaged.substr(lineStart, lineEnd - lineStart));
          break;
        case 3: {
          size_t tab = damaged.find('\t', at);
          if (tab != std::string::npos && tab < lineEnd) damaged.erase(tab, lineEnd - 2 - tab);
          break;
        }
        default:
          damaged.insert(lineStart, std::string(tags[next(9)]) + "\r\n");
          break;
      }
      if (damaged.empty()) damaged = "##Cards";
    }
    readDamaged(damaged, "round " + std::to_string(round));
  }
}

// Notes above 4208 bytes go out in pieces cut between characters and come back whole.
TEST_F(CardRecords, LongNotesWithWideCharactersComeBackWhole) {
  std::string notes;
  while (notes.size() < 9000) notes += "\xC3\xA9t\xC3\xA9 \xE2\x82\xAC\r\t";
  CardRecord* card = Card(base, 2024, 2, 29, 3);
  SetCardNotes(card, notes.c_str());
  Line(base, card, 0, {1}, {});
  const std::string written = CardsSectionOf(base);
  EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 8);  // the notes in three lines
  T_Base* fresh = NewDatabase();
  ReadSections(fresh, written);
  EXPECT_EQ(DumpModel(fresh), DumpModel(base));
}

// Positions of the dimension order decide the component fields; a position whose dimension has
// no line slot, or is dimension 0, gets an empty field.
TEST_F(CardsGolden, ComponentFieldsFollowTheDimensionOrder) {
  for (int32_t& position : base->dimensionOrder) position = -1;
  base->dimensionOrder[0] = 0;
  base->dimensionOrder[1] = 2;
  base->dimensionOrder[2] = 5;
  base->dimensionOrder[3] = 1;
  base->dimensionOrderCount = 4;
  const std::string cards = CardsSectionOf(base);
  EXPECT_NE(cards.find("L1234.5\t0.125\t-1.000000001\tfirst line\tSouth\t\tH-P1\r\n"),
            std::string::npos)
      << cards;
}

TEST_F(CardRecords, CardsAreNumberedAndFinishedAsRead) {
  ReadSections(base,
               "##Cards\r\nC121122-0\tone\r\nG\r\nL1\r\nC121122-0\r\nG\r\nL2\r\n"
               "C121122-5\r\nG\r\n"                             // no lines: the card goes
               "Cx\r\nG\r\nL9\r\nH\tlost\t1\r\nN\tx\r\nS1\r\n"  // no card: all skipped
               "C121123-1\r\nGZ\r\nG\r\nL3\t\t\t\r\n"
               "X\tunknown record\r\n\r\n#end\r\n");
  EXPECT_EQ(DumpModel(base),
            "D0 055 3 1 0 0,0,0||\n  Z||\nvalues 1\n"
            "C121122-1|one||||||\n G-\n  L 1||-,\n"
            "C121122-2|||||||\n G-\n  L 2||-,\n"
            "C121123-1|||||||\n G-\n  L 3||-,\n");
  EXPECT_EQ(CheckModel(base), "");
  ASSERT_EQ(answers.asked.size(), 1u);  // "Z" was missing, created, and its group left empty
  EXPECT_EQ(answers.asked[0].message, 3310);
}

TEST_F(CardRecords, ValueCountOptions) {
  ReadSections(base, "##Cards\r\n-LN\t30\r\n-LN\t0\r\nC240101\r\nG\r\nL1\t2\t3\r\n");
  EXPECT_EQ(base->valueCount, 1);
  EXPECT_EQ(base->readValueCount, 1);
  EXPECT_EQ(base->lineCount, 1);  // "2" is the line text, "3" a component of dimension 1
  EXPECT_STREQ(base->sentinelCard->next->firstGroup->firstLine->text, "2");

  T_Base* fresh = NewDatabase();
  ReadSections(fresh, "##Cards\r\n-LN\t3\r\nC240101\r\nG\r\nL1\t\t3.5\tthe text\r\nL\r\n");
  EXPECT_EQ(fresh->valueCount, 3);
  LineRecord* line = fresh->sentinelCard->next->firstGroup->firstLine;
  EXPECT_EQ(fresh->GetLineValue(line, 0), 1);
  EXPECT_EQ(fresh->GetLineValue(line, 1), 0);
  EXPECT_EQ(fresh->GetLineValue(line, 2), 3.5);
  EXPECT_STREQ(line->text, "the text");
  EXPECT_EQ(fresh->GetLineValue(line->next, 0), 0);
}

// "-DT" 2 names dimension 1 by text in the first component field; a text not there is created
// under a generated code below "#" "New components".
TEST_F(CardRecords, MissingTextCreatesAGeneratedComponent) {
  Add(base, 1, "K", "Known");
  ReadSections(base,
               "##Cards\r\n-DT\t2\r\n\r\nC240101\r\nG\r\nL5\t\tNew text\r\nL6\t\t known \r\n"
               "L7\t\tNew text\r\n");
  EXPECT_EQ(DumpModel(base),
            "D1 055 3 1 0 0,0,0||\n  K|Known|\n  #|New components|\n"
            "    #00001|New text|\nvalues 1\nC240101-1|||||||\n G-\n"
            "  L 5||#00001,\n  L 6||K,\n  L 7||#00001,\n");
  ASSERT_EQ(answers.asked.size(), 1u);
  EXPECT_EQ(MessageAndTexts(answers.asked[0]),
            (std::vector<std::string>{"3311", "New text", "Dim 2"}));
}

TEST_F(CardRecords, GeneratedCodes) {
  EXPECT_STREQ(AddGeneratedComponent(base, 3, "a", nullptr)->code, "#00001");
  EXPECT_STREQ(ComponentAt(base, Number(base, 3, "#00001"))->parent->text, "New components");
  Add(base, 3, "#00002");
  EXPECT_STREQ(AddGeneratedComponent(base, 3, nullptr, "h")->code, "#00003");  // taken: skipped
  base->generatedCodeCounters[3] = 99999;
  EXPECT_STREQ(AddGeneratedComponent(base, 3, nullptr, nullptr)->code, "#A100000");
  base->generatedCodeCounters[3] = 999999;
  EXPECT_STREQ(AddGeneratedComponent(base, 3, nullptr, nullptr)->code, "#B1000000");
  EXPECT_EQ(CountDimensionComponents(base, 3), 6);  // the parent "#" only once
}

// Each missing name asks once, with the code without blanks, the trimmed host code or text,
// and is created before the answer counts; Cancel stops the read after that line.
TEST_F(CardRecords, MissingComponentsAskAndCancelStopsTheRead) {
  answers.script = {kReadErrorContinue, kReadErrorContinue, kReadErrorCancel};
  ReadSections(base,
               "##Cards\r\n-DH\t2\r\n-DT\t3\r\n\r\nC250307-1\r\nGNO PE\r\n"
               "L1\tt\t HX \tTX\r\nC250307-2\r\nG\r\nL2\r\n");
  ASSERT_EQ(answers.asked.size(), 3u);
  EXPECT_EQ(MessageAndTexts(answers.asked[0]), (std::vector<std::string>{"3310", "NOPE", "Dim 1"}));
  EXPECT_EQ(MessageAndTexts(answers.asked[1]), (std::vector<std::string>{"3312", "HX", "Dim 2"}));
  EXPECT_EQ(MessageAndTexts(answers.asked[2]), (std::vector<std::string>{"3311", "TX", "Dim 3"}));
  EXPECT_EQ(DumpModel(base),
            "D0 055 3 1 0 0,0,0||\n  NOPE||\nD1 055 3 1 0 0,0,0||\n  #|New components|\n"
            "    #00001||HX\nD2 055 3 1 0 0,0,0||\n  #|New components|\n    #00001|TX|\n"
            "values 1\nC250307-1|||||||\n GNOPE\n  L 1|t|#00001,#00001,\n");
  EXPECT_TRUE(AbortRequested());
  EXPECT_EQ(base->errorFlag, 1);
  EXPECT_EQ(PendingError.request.message, kErrorCancelled);
}

TEST_F(CardRecords, CodesResolvedWithoutBlanksAndEmptyNamesAreRoots) {
  Add(base, 1, "AB");
  EXPECT_EQ(ResolveCardComponent(base, 1, "A B"), Number(base, 1, "AB"));
  EXPECT_EQ(ResolveCardComponent(base, 1, "   "), 1);
  EXPECT_EQ(ResolveCardComponent(base, 1, ""), 1);
  base->saveOptions.cardReferenceStyles[1] = kCardRefText;
  EXPECT_EQ(ResolveCardComponent(base, 1, "  "), 1);
  EXPECT_TRUE(answers.asked.empty());
}

TEST_F(CardRecords, ImportsRecordWhereEachLineCameFrom) {
  SetLineOrigins(base, true);
  BeginLineOriginFile(base, "C:\\in\\data.qex");
  base->readFlags = kOpenFlagImport;
  base->fileKind = kFileKindTextForm;
  ReadSections(base, "##Cards\r\nC240101\r\nG\r\nL1\r\nL2\r\nH\tother.txt\t7\r\n");
  EndLineOriginFile(base);
  EXPECT_EQ(DumpModel(base),
            "values 1\nC240101-1|||||||\n G-\n  L 1||-,|data.qex:4\n  L 2||-,|other.txt:7\n");
}

TEST_F(CardRecords, ReadingLogsAndAnnouncesTheCards) {
  EXPECT_EQ(LoggedRead(base, "##Cards\r\nC240101\r\nG\r\nL1\r\nC240102\r\nG\r\nL1\r\n##End\r\n"),
            (std::vector<std::string>{"Reading cards section", "  Loaded 2 cards in 0.000 seconds",
                                      "Completed cards section"}));
  EXPECT_EQ(base->cardChangePending, 0);  // code 28 went out
}

}  // namespace
}  // namespace records_test
