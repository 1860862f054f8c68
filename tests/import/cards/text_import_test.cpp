#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "../../database/files/files_fixture.h"
#include "../../database/opensave/opensave_fixture.h"
#include "database/card_text_import.h"
#include "database/line_origins.h"
#include "import/setup_import.h"

namespace {

void Piece(FieldDef* field, uint32_t number, const char* text = nullptr) {
  field->fieldNumber = number;
  if (text != nullptr) {
    OptionalTextSet(&field->text, text, static_cast<int32_t>(std::strlen(text)));
  }
}

// Card rows "C", date, title; line rows "L", account (host code, the group), project (host
// code), amount, text.
void BankSetup(ImportSetup* setup) {
  setup->format.rowTerminator = 10;
  Piece(&setup->cardFields[kImportCardIndicator], 1, "C");
  Piece(&setup->cardFields[kImportLineIndicator], 1, "L");
  Piece(&setup->cardFields[kImportDate], 2);
  Piece(&setup->cardFields[kImportTitle], 3);
  LineDef* line = setup->NewLineDefinition();
  Piece(&line->dimensions[0], 2);
  Piece(&line->dimensions[1], 3);
  Piece(&line->values[0], 4);
  Piece(&line->lineText, 5);
}

class TextImport : public OpenSaveTest {
 protected:
  void SetUp() override {
    OpenSaveTest::SetUp();
    base = new T_Base(nullptr, 0);
    AddComponent(base, 0, "1910", "Kassa", "1910");
    AddComponent(base, 0, "3010", "F\xC3\xB6rs\xC3\xA4ljning", "3010");
    AddComponent(base, 1, "P1", "Projekt", "P1");
  }
  void TearDown() override {
    DeleteBase(base, kCloseSilently);
    OpenSaveTest::TearDown();
  }
  bool Import(const ImportSetup& setup, const std::string& rows) {
    const std::string path = Path("rows.txt");
    WriteWholeFile(path, rows);
    return ImportTextFile(base, path.c_str(), &setup);
  }
  std::string Cards() {
    std::string text;
    for (CardRecord* card = base->sentinelCard->next; card != base->sentinelCard;
         card = card->next) {
      CardId id = CardGetId(card);
      char number[40];
      FormatCardIdCStr(number, &id);
      text += std::string(number) + " " + Text(card->title) + ":";
      for (GroupRecord* group = card->firstGroup; group != nullptr; group = group->next) {
        for (LineRecord* line = group->firstLine; line != nullptr; line = line->next) {
          std::snprintf(number, sizeof number, " %g", base->GetLineValue(line, 0));
          text += " " + ComponentName(base, group->component) + "/" +
                  ComponentName(base, base->GetLineComponent(line, 0)) + number + " " +
                  Text(line->text);
        }
      }
      text += "\n";
    }
    return text;
  }

  T_Base* base = nullptr;
};

TEST_F(TextImport, RowsBecomeCardsGroupsAndLines) {
  ImportSetup setup;
  BankSetup(&setup);
  ASSERT_TRUE(Import(setup,
                     "C\t250301\tHyra\r\nL\t1910\tP1\t-800,50\tUt\nL\t3010\t\t800.5\r\n"
                     "C\t250302\tTom\r\n"  // two card rows in a row: the first is dropped
                     "C\t250303\tKaffe\nL\t1910\t\t12\t\n"));
  EXPECT_EQ(Cards(),
            "250301-1 Hyra: 1910/P1 -80050 Ut 3010/- 800.5 -\n"
            "250303-1 Kaffe: 1910/- 12 -\n");
  EXPECT_TRUE(user.asked.empty());
}

TEST_F(TextImport, ThePartsEdgeCases) {
  {  // Only header rows: nothing, and 0 lines.
    ImportSetup setup;
    BankSetup(&setup);
    setup.format.rowsToSkip = 2;
    ASSERT_TRUE(Import(setup, "C\t250301\tHyra\r\nL\t1910\tP1\t5\r\n"));
    EXPECT_EQ(base->cardCount, 0);
  }
  {  // All-zero lines are skipped when the definition says so; a default counts.
    ImportSetup setup;
    BankSetup(&setup);
    ASSERT_TRUE(Import(setup, "C\t250301\tNoll\r\nL\t1910\t\t\r\nL\t1910\t\t0\r\n"));
    EXPECT_EQ(base->cardCount, 0);
    setup.lines->excludeZeroLines = 0;
    ASSERT_TRUE(Import(setup, "C\t250301\tNoll\r\nL\t1910\t\t\r\n"));
    EXPECT_EQ(Cards(), "250301-1 Noll: 1910/- 0 -\n");
  }
  {  // One row may be a card row and its own first line row.
    ImportSetup setup;
    BankSetup(&setup);
    setup.cardFields[kImportLineIndicator].fieldNumber = 0;  // not set: every row
    OptionalTextClear(&setup.cardFields[kImportLineIndicator].text);
    Piece(&setup.lines->dimensions[0], 6);
    setup.lines->dimensions[1].fieldNumber = 0;
    ASSERT_TRUE(Import(setup, "C\t250305\tEn rad\t7\t\t1910\r\n"));
    EXPECT_NE(Cards().find("250305-1 En rad: 1910/- 7"), std::string::npos) << Cards();
  }
}

// A missing component is asked about and made by the definition's creation mode; a code lookup
// always makes the text its code.
TEST_F(TextImport, MissingComponentsInEveryCreationMode) {
  AddComponent(base, 2, "A", "A", "100");
  AddComponent(base, 2, "B", "B", "300");
  AddComponent(base, 2, "#X5", "Upptagen", nullptr);
  struct Case {
    int32_t style;
    int32_t mode;
    const char* text;
    const char* code;
    int32_t message;
  } cases[] = {
      {2, 1, "X1", "#X1", 3312},      // "#" and the text
      {2, 2, "X2", "X2", 3312},       // the text
      {2, 3, "200", "A200", 3312},    // after the nearest host code below it
      {2, 0, "X4", "#00001", 3312},   // a generated code under "#" "New components"
      {2, 1, "X5", "#00002", 3312},   // "#X5" is taken: a generated code
      {1, 1, "Namn", "#NAMN", 3311},  // codes follow the dimension's upper-case rule
      {0, 0, "K9", "K9", 3310},       // by code: the code itself, whatever the mode
  };
  for (const Case& c : cases) {
    user.asked.clear();
    const int64_t made = CreateMissingImportComponent(base, 2, c.text, c.style, c.mode);
    ASSERT_GE(made, kDimensionCount) << c.text;
    EXPECT_STREQ(ComponentAt(base, made)->code, c.code);
    EXPECT_STREQ(ComponentAt(base, made)->hostCode, c.text);
    EXPECT_EQ(user.asked, std::vector<int32_t>{c.message});
  }
  // Mode 3 inserts right after its neighbour.
  EXPECT_STREQ(ComponentAt(base, FindByCode(base, 2, "A")->number)->nextSibling->code, "A200");
  // Through an import: X1 in mode 1.
  ImportSetup setup;
  BankSetup(&setup);
  setup.lines->newComponents[1] = 1;
  ASSERT_TRUE(Import(setup, "C\t250301\tNy\r\nL\t1910\tY1\t5\r\n"));
  ComponentRecord* y1 = FindByHostCode(base, 1, "Y1");
  ASSERT_NE(y1, nullptr);
  EXPECT_STREQ(y1->code, "#Y1");
}

TEST_F(TextImport, DatesByTheEightFormats) {
  struct Case {
    const char* text;
    int32_t format;
    int32_t year, month, day;
    bool outside;
  } cases[] = {
      {"250307", 0, 2025, 3, 7, false},     {"250703", 1, 2025, 3, 7, false},
      {"030725", 2, 2025, 3, 7, false},     {"070325", 3, 2025, 3, 7, false},
      {"2025-03-07", 4, 2025, 3, 7, false}, {"25/7/3", 5, 2025, 3, 7, false},
      {"3.7.1999", 6, 1999, 3, 7, false},   {"7 3 69", 7, 2069, 3, 7, false},
      {"7 3 70", 7, 1970, 3, 7, false},     {"7 3 169", 7, 2069, 3, 7, false},
      {"7 3 170", 7, 2069, 3, 7, true},     {"7 3 1899", 7, 1900, 3, 7, true},
      {"7 3 2070", 7, 2069, 3, 7, true},    {"31-2-2024", 7, 2024, 2, 29, false},
      {"0-13-2024", 7, 2024, 12, 1, false},
  };
  for (const Case& c : cases) {
    bool outside = false;
    EXPECT_EQ(ParseImportDate(c.text, c.format, &outside), PackDate(c.year, c.month, c.day))
        << c.text << " " << c.format;
    EXPECT_EQ(outside, c.outside) << c.text;
  }
  bool outside = false;
  EXPECT_EQ(ParseImportDate("2503", 1, &outside), 0u);  // too few digits: the default date
  EXPECT_EQ(ParseImportDate("x", 4, &outside), 0u);
  // Through an import: 3830 with the text and the row, and the clamped date.
  ImportSetup setup;
  BankSetup(&setup);
  setup.dateFormat = 4;
  ASSERT_TRUE(Import(setup, "C\t2071-1-2\tSent\r\nL\t1910\t\t1\r\nC\t\tUtan\r\nL\t1910\t\t2\r\n"));
  EXPECT_EQ(user.TextOf(3830), "Date \"2071-1-2\" in row 1 is outside the supported range.");
  EXPECT_EQ(Cards(), "240506-1 Utan: 1910/- 2 -\n690102-1 Sent: 1910/- 1 -\n");
}

TEST_F(TextImport, ExpressionsFactorsDefaultsAndOrigins) {
  SetValueCount(base, 3);
  SetLineOrigins(base, true);
  BeginLineOriginFile(base, Path("rows.txt").c_str());
  ImportSetup setup;
  BankSetup(&setup);
  LineDef* line = setup.lines;
  // Column 2: field 4 times field 6; column 3: field 6 with a factor and a default.
  OptionalTextSet(&line->values[1].insertChars, "*", 1);
  line->values[1].fieldNumber = 4;
  line->values[1].next = new FieldDef;
  line->values[1].next->fieldNumber = 6;
  Piece(&line->values[2], 6, "9");
  line->factors[2] = 10;
  ASSERT_TRUE(Import(setup,
                     "C\t250301\tX\r\nL\t1910\t\t1,5\t\t4\r\nL\t1910\t\t2\t\t\r\n"
                     "L\t1910\t\tabc\t\t1\r\n"));
  EndLineOriginFile(base);
  CardRecord* card = base->sentinelCard->next;
  ASSERT_NE(card, base->sentinelCard);
  std::vector<std::string> lines;
  T_TextBuf origin;
  for (LineRecord* l = card->firstGroup->firstLine; l != nullptr; l = l->next) {
    char text[120];
    LineOriginText(base, l, &origin);
    std::snprintf(text, sizeof text, "%g %g %g %s", base->GetLineValue(l, 0),
                  base->GetLineValue(l, 1), base->GetLineValue(l, 2), origin.c_str());
    lines.emplace_back(text);
  }
  // "1,5" reads as 15 with "." as the decimal mark. "2*" with an empty second field and "abc"
  // are no numbers: 3514, and 0.
  EXPECT_EQ(lines, (std::vector<std::string>{"15 60 40 rows.txt:2", "2 0 9 rows.txt:3",
                                             "0 0 10 rows.txt:4"}));
  EXPECT_EQ(user.asked, (std::vector<int32_t>{3514, 3514, 3514}));
}

// "Cancel" at a question raises the error flag, so the opener undoes the import; "Stop" keeps
// what was built. Either ends the import at the next row.
TEST_F(TextImport, CancelAndStopEndTheImport) {
  for (int32_t button : {kCancel, 704}) {
    user.answers[3312] = button;
    base->errorFlag = 0;
    PendingErrorClear();
    ImportSetup setup;
    BankSetup(&setup);
    ASSERT_TRUE(Import(setup,
                       "C\t250310\tA\r\nL\t1910\tQ9\t1\r\nL\t1910\tQ8\t2\r\n"
                       "C\t250311\tB\r\nL\t1910\t\t3\r\n"));
    EXPECT_EQ(base->errorFlag != 0, button == kCancel);
    EXPECT_TRUE(AbortRequested());
    EXPECT_EQ(user.asked, std::vector<int32_t>{3312});
    user.asked.clear();
    DeleteAllCards(base);
  }
}

// Rows of random bytes, tabs and line ends through a setup with every kind of field: each import
// ends with a sound model and nothing written outside a buffer.
TEST_F(TextImport, DamagedRowsEndInASoundModel) {
  ImportSetup setup;
  BankSetup(&setup);
  setup.dateFormat = 7;
  setup.rowsPerLine = 2;
  setup.lines->newComponents[1] = 3;
  OptionalTextSet(&setup.lines->values[0].insertChars, "+", 1);
  setup.lines->values[0].next = new FieldDef;
  setup.lines->values[0].next->fieldNumber = 7;
  const std::string alphabet = "CL\t\t\r\n0123456789-/.,+*()ab \xC3\xA5\x80";
  uint32_t seed = 13;
  for (int32_t round = 0; round < 60; ++round) {
    std::string rows;
    const uint32_t n = 50 + NextRandom(&seed) % 400;
    for (uint32_t i = 0; i < n; ++i) rows += alphabet[NextRandom(&seed) % alphabet.size()];
    PendingErrorClear();
    ASSERT_TRUE(Import(setup, rows));
    ExpectModelSound(base);
    ASSERT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr)) << round;
  }
}

}  // namespace

namespace {

// A bank file of two rows a card, read through a setup from its stored record: the card switcher
// ends a card, expressions and factors make the values, codes are zero-filled and a missing
// component is made at the end; the model is compared as a whole.
TEST_F(TextImport, ATwoRowCardBankFileThroughItsRecord) {
  SetValueCount(base, 2);
  ImportSetup* setup = ImportSetupCreate(base, "Bank");
  const std::string record =
      "A\tISO-8859-1\r\nS\t59\r\nD\t44\r\nRC\t2\r\nRX\t1\r\nM\tD/M/Y\r\nCR\tW\r\n"
      "LC\tF1\tTK\r\nLL\tF1\tTR\r\nLX\tF6\r\nLI\tF3\r\nLT\tF4\tS - \t+\tF11\r\nLc\tF10\r\n"
      "L1\tF2\r\nL2\tF3\r\nLZ\tF5\r\nLVA\tF4\tS*\t+\tF5\r\nLVB\tF4\r\nV\t1\t0,5\r\n"
      "ZF2\t4\r\nZN2\tC\r\n";
  T_IStream in;
  in.CtorFromMemory(record.data(), static_cast<int64_t>(record.size()));
  ReadImportSetup(setup, &in);
  AddComponent(base, 1, "P0007", "Seven", "0007");
  const std::string rows =
      "Head;er\r\n"
      "K;A;2/3/2025;card one\r\n;;;;;250301 ABC;second half\r\n"
      "R;1910;7;10;2;S1\r\nR;3010;77;1 000,5;1;S1\r\n"
      "R;1910;7;3;3;S2\r\n"  // another switch ends the card, and is no card row itself
      "K;B;4/3/2025;r\xE4kning\r\n;;;;;\r\nR;1910;7;2,5;4;S3\r\n";
  ASSERT_TRUE(Import(*setup, rows));
  std::string dump = ModelDump(base);
  const size_t cards = dump.find("card ");
  ASSERT_NE(cards, std::string::npos) << dump;
  dump = dump.substr(cards, dump.find("import setup") - cards);
  EXPECT_EQ(dump,
            "card 250302-1 Card One - Second Half [-] 2503010000ABC  2503010000ABC  \n"
            " group 1910\n"
            "  line 2 20 5 P0007\n"
            " group 3010\n"
            "  line 1 1000.5 500.25 #0077\n"
            "card 250304-1 R\xC3\xA4kning [-]     \n"
            " group 1910\n"
            "  line 4 10 1.25 P0007\n")
      << dump;
  EXPECT_EQ(user.asked, std::vector<int32_t>{3312});
}

}  // namespace
