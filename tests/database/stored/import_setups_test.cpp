#include "database/import_setups.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "core/alert.h"
#include "core/alert_handlers.h"
#include "core/input_stream.h"
#include "core/output_stream.h"
#include "database/base.h"
#include "database/operation_log.h"

namespace {

std::string Written(const T_OStream& out) {
  return std::string(reinterpret_cast<const char*>(out.start), out.BufferedLength());
}

// Reads the record's lines (after its header) into the setup, as the section stream does.
void ReadRecord(ImportSetup* setup, const std::string& lines) {
  T_IStream in;
  in.CtorFromMemory(lines.data(), static_cast<int64_t>(lines.size()));
  ReadImportSetup(setup, &in);
}

void ReadDimRecord(DimImportSetup* setup, const std::string& lines) {
  T_IStream in;
  in.CtorFromMemory(lines.data(), static_cast<int64_t>(lines.size()));
  ReadDimImport(setup, &in);
}

std::string Record(const ImportSetup* setup) {
  T_OStream out;
  WriteImportSetup(setup, &out);
  return Written(out);
}

std::string DimRecord(const DimImportSetup* setup) {
  T_OStream out;
  WriteDimImport(setup, &out, setup->dimension + 1);
  return Written(out);
}

class ImportSetups : public ::testing::Test {
 protected:
  void SetUp() override {
    PendingErrorClear();
    base.valueCount = 3;
  }
  void TearDown() override { PendingErrorClear(); }

  T_NoAlerts quiet;
  T_Base base{nullptr, 1};
};

TEST_F(ImportSetups, DefaultRecordsAreGolden) {
  ImportSetup* setup = ImportSetupCreate(&base, "Name");
  EXPECT_EQ(Record(setup), "##ImportSetup\tName\r\nA\tUTF-8\r\nCC\r\nPX\r\n\r\n");
  DimImportSetup* dim = DimImportCreate(&base, 4);
  EXPECT_EQ(DimRecord(dim),
            "##DimImport\t5\r\nA\tUTF-8\r\nCC\r\nPX\r\nrX\r\nHW\r\nMC\r\nNC\r\nLC\tF1\r\nLT\tF2\r\n"
            "LH\tF3\r\n\r\n");
  EXPECT_TRUE(DimImportIsDefault(dim));
  // A record of nothing reads back to the defaults.
  ReadRecord(setup, "");
  EXPECT_EQ(setup->lines, nullptr);
  EXPECT_EQ(Record(setup), "##ImportSetup\tName\r\nA\tUTF-8\r\nCC\r\nPX\r\n\r\n");
}

// Every key of both records written back byte for byte.
TEST_F(ImportSetups, EveryKeyRoundTrips) {
  const std::string lines =
      "FX\r\nA\tISO-8859-2\r\nCB\r\nPI\r\nPS\t-\r\nT\t10\r\nS\t59\r\nD\t44\r\nRC\t2\r\nRL\t3\r\n"
      "RX\t4\r\nCF\t\xC3\xA5\xC3\xA4\r\nCT\taa\r\nCS\t.\r\nCR\tU\r\nCN\tW\r\nM\tD/M/Y\r\n"
      "LX\tF3\tS-\t+\tF4\r\nLC\tF1\tTC\r\nLL\tF1\tTL\r\nLI\tF2\tT250101\r\nLT\tF3\tS \t+\tF4\r\n"
      "LN\tB3\tE9\r\nLc\tF5\r\nLm\tF6\r\nLe\tF7\r\nLa\tF8\r\n"
      "L1\tF2\r\nL2\tF3\tT100\r\nLZ\tF9\r\nLVA\tF4\tS*\t+\tF5\r\nLVC\tF6\r\nV\t1\t1\t0.5\r\nZK\r\n"
      "ZC\tS\r\nZF2\t6\r\nZN2\tH\r\nZS1\tC\r\n-\r\nL1\tF10\r\n\r\n";
  ImportSetup* setup = ImportSetupCreate(&base, "Every");
  ReadRecord(setup, lines);
  EXPECT_EQ(Record(setup), "##ImportSetup\tEvery\r\n" + lines);
  EXPECT_EQ(setup->format.encoding, 7u);
  EXPECT_EQ(setup->dateFormat, 7u);
  ASSERT_NE(ImportSetupLineAt(setup, 1), nullptr);
  EXPECT_EQ(ImportSetupLineAt(setup, 2), nullptr);

  // A copy is equal, a change is seen, and the copy is deep.
  ImportSetup copy;
  ImportSetupCopy(&copy, setup);
  EXPECT_TRUE(ImportSetupEqual(&copy, setup));
  copy.lines->values[0].next->fieldNumber = 7;
  EXPECT_FALSE(ImportSetupEqual(&copy, setup));
  EXPECT_EQ(setup->lines->values[0].next->fieldNumber, 5u);

  const std::string dimLines =
      "FX\r\nA\tPC-8\r\nCB\r\nPI\r\nPS\t#\r\nT\t10\r\nS\t59\r\nRX\t2\r\nRP\tP\r\nRF\t4\r\nrR\r\n"
      "HC\r\nCF\tab\r\nCT\tba\r\nCS\t*\r\nMP\r\nNH\r\nLC\tB1\tE4\r\nLT\tF2\tS \t+\tF3\r\nLH\tF5\r\n"
      "LP\tF4\r\n\r\n";
  DimImportSetup* dim = DimImportCreate(&base, 1);
  ReadDimRecord(dim, dimLines);
  EXPECT_EQ(DimRecord(dim), "##DimImport\t2\r\n" + dimLines);
  DimImportSetup dimCopy;
  DimImportCopy(&dimCopy, dim);
  EXPECT_TRUE(DimImportEqual(&dimCopy, dim));
  EXPECT_FALSE(DimImportIsDefault(dim));
}

// The read cases of both records, each checked on the setup it leaves.
TEST_F(ImportSetups, ReadingTakesWhatIsInRangeAndIgnoresTheRest) {
  struct Case {
    const char* lines;
    std::function<bool(const ImportSetup*)> holds;
  };
  const Case cases[] = {
      {"T\t-3\r\n", [](const ImportSetup* s) { return s->format.rowTerminator == 253; }},
      {"T\t0\r\n", [](const ImportSetup* s) { return s->format.rowTerminator == 13; }},
      {"T\t70000\r\n", [](const ImportSetup* s) { return s->format.rowTerminator == 13; }},
      {"RX\t1000\r\n", [](const ImportSetup* s) { return s->format.rowsToSkip == 0; }},
      {"RC\t100\r\nRL\t99\r\n",
       [](const ImportSetup* s) { return s->rowsPerCard == 1 && s->rowsPerLine == 99; }},
      {"M\tD/M/Y\r\n", [](const ImportSetup* s) { return s->dateFormat == 7; }},
      {"M\tYYMMDDxx\r\n", [](const ImportSetup* s) { return s->dateFormat == 0; }},
      {"M\tM/D/Y!\r\n", [](const ImportSetup* s) { return s->dateFormat == 6; }},
      {"AE\tunknown\r\n", [](const ImportSetup* s) { return s->format.encoding == 3; }},
      {"AM\r\n", [](const ImportSetup* s) { return s->format.encoding == 4; }},
      {"A\tutf-16le\r\n", [](const ImportSetup* s) { return s->format.encoding == 1; }},
      {"LX\tF3\tS-\t+\tF4\r\n",
       [](const ImportSetup* s) {
         const FieldDef& f = s->cardFields[2];
         return f.fieldNumber == 3 && f.insertChars.text.length == 1 && f.next != nullptr &&
                f.next->fieldNumber == 4 && f.next->next == nullptr;
       }},
      {"LX\tF2\t+\tS;\r\n",
       [](const ImportSetup* s) {
         const FieldDef& f = s->cardFields[2];
         return f.fieldNumber == 2 && f.next == nullptr &&
                std::string(f.insertChars.text.c_str()) == ";";
       }},
      {"LX\tF2\t+59\tF3\r\n",
       [](const ImportSetup* s) {
         return std::string(s->cardFields[2].insertChars.text.c_str()) == ";" &&
                s->cardFields[2].next->fieldNumber == 3;
       }},
      {"LC\tF0\tB5000\tE4095\tQ1\r\n",
       [](const ImportSetup* s) {
         const FieldDef& f = s->cardFields[0];
         return f.fieldNumber == 0 && f.first == 0 && f.last == 4095;
       }},
      {"L1\tF1\r\n-\r\nZK\r\n-\r\nL33\tF1\r\n",  // definitions that define nothing go
       [](const ImportSetup* s) { return s->lines != nullptr && s->lines->next == nullptr; }},
      {"L1\tF1\r\nZS1\tC\r\nH\r\n",  // the old host-code flag looks everything up by host code
       [](const ImportSetup* s) { return s->lines->matchBy[0] == 2 && s->hostCodesOnly == 0; }},
      {"L1\tF1\r\nLVZ\tF2\r\nLV3\tF3\r\n",  // a column beyond 24 becomes the first
       [](const ImportSetup* s) {
         return s->lines->values[0].fieldNumber == 2 && s->lines->values[2].fieldNumber == 3;
       }},
      {"L1\tF1\r\nV\t2\tx\tinf\t4\r\nZF1\t9\r\nZF2\t8\r\nZN1\tN\r\n",
       [](const ImportSetup* s) {
         const LineDef* l = s->lines;
         return l->factors[0] == 2 && l->factors[1] == 1 && l->factors[2] == 1 &&
                l->factors[3] == 4 && l->zeroFill[0] == 0 && l->zeroFill[1] == 8 &&
                l->newComponents[0] == 3;
       }},
      {"PS\r\n",  // an empty exclusion is still one
       [](const ImportSetup* s) {
         return s->format.excludeCompletely.present && s->format.excludeCompletely.text.empty();
       }},
      {"CF\tab\r\nCF\r\n", [](const ImportSetup* s) { return !s->format.convertFrom.present; }},
      {"zz\tjunk\r\n\t\r\nL\r\nLQ\tF1\r\n",
       [](const ImportSetup* s) { return s->lines == nullptr; }},
  };
  for (const Case& c : cases) {
    ImportSetup* setup = ImportSetupCreate(&base, "Case");
    ReadRecord(setup, c.lines);
    EXPECT_TRUE(c.holds(setup)) << c.lines;
    ImportSetupDelete(setup);
  }
}

TEST_F(ImportSetups, OldFilesReadTheirOwnForms) {
  // Before 20000110 control characters counted unless the record says otherwise.
  base.fileVersion = 19991231;
  ImportSetup* setup = ImportSetupCreate(&base, "Old");
  ReadRecord(setup, "L1\tF1\r\n");
  EXPECT_EQ(setup->format.excludeControl, 0);
  base.fileVersion = 20000110;
  ReadRecord(setup, "L1\tF1\r\n");
  EXPECT_EQ(setup->format.excludeControl, 1);
  // Kinds 6 and 7, and 4 and 5 before 19961213: three numbers and the text.
  for (int32_t kind : {4, 6}) {
    base.fileKind = kind;
    base.fileVersion = 19960101;
    ReadRecord(setup, "LC\t2\t3\t5000\tH\r\nL1\t4\t0\t0\r\n");
    EXPECT_EQ(setup->cardFields[0].fieldNumber, 2u) << kind;
    EXPECT_EQ(setup->cardFields[0].first, 3u);
    EXPECT_EQ(setup->cardFields[0].last, 0u);
    EXPECT_STREQ(setup->cardFields[0].text.text.c_str(), "H");
    EXPECT_EQ(setup->lines->dimensions[0].fieldNumber, 4u);
  }
}

TEST_F(ImportSetups, DimensionRecordsReadTheirOwnRanges) {
  struct Case {
    const char* lines;
    std::function<bool(const DimImportSetup*)> holds;
  };
  const Case cases[] = {
      {"RP\tP\r\n", [](const DimImportSetup* s) { return s->createParents == 9; }},
      {"RP\t9\r\n", [](const DimImportSetup* s) { return s->createParents == 0; }},
      {"RP\t5\r\n", [](const DimImportSetup* s) { return s->createParents == 5; }},
      {"T\t300\r\n", [](const DimImportSetup* s) { return s->format.rowTerminator == 13; }},
      {"T\t-3\r\n", [](const DimImportSetup* s) { return s->format.rowTerminator == 253; }},
      {"D\t44\r\n", [](const DimImportSetup* s) { return s->format.decimalSeparator == 46; }},
      {"MC\r\nLP\tF4\r\n", [](const DimImportSetup* s) { return !s->levelOrParent.IsSet(); }},
      {"ML\r\nLP\tF4\r\n",
       [](const DimImportSetup* s) { return s->levelOrParent.fieldNumber == 4; }},
      {"RF\t1\r\nHR\r\nrW\r\nNT\r\nMQ\r\n",
       [](const DimImportSetup* s) {
         return s->hostCodeZeroFill == 0 && s->hostDuplicates == 3 && s->duplicates == 0 &&
                s->parentSearch == 1 && s->hierarchy == 0;
       }},
  };
  for (const Case& c : cases) {
    DimImportSetup* setup = DimImportCreate(&base, 2);
    ReadDimRecord(setup, c.lines);
    EXPECT_TRUE(c.holds(setup)) << c.lines;
    DimImportFree(setup);
  }
  // "P" writes back as the letter.
  DimImportSetup* setup = DimImportCreate(&base, 2);
  ReadDimRecord(setup, "RP\tP\r\n");
  EXPECT_NE(DimRecord(setup).find("\r\nRP\tP\r\n"), std::string::npos);
}

// Names sort without regard to letter case; a rename moves the setup to its place.
TEST_F(ImportSetups, TheListStaysSortedByName) {
  for (const char* name : {"beta", "Alpha", "gamma"}) ImportSetupCreate(&base, name);
  auto order = [this] {
    std::string text;
    for (ImportSetup* s = base.importSetups; s != nullptr; s = s->next)
      text += s->name + std::string(" ");
    return text;
  };
  EXPECT_EQ(order(), "Alpha beta gamma ");
  ImportSetupRename(FindImportSetup(&base, "ALPHA"), "delta");
  EXPECT_EQ(order(), "beta delta gamma ");
  DeleteAllImportSetups(&base);
  EXPECT_EQ(base.importSetups, nullptr);
}

// Truncations and seeded bit flips of both records: every read ends, and what it leaves writes
// and reads again to the same record.
TEST_F(ImportSetups, DamagedRecordsReadToSoundSetups) {
  const std::string whole =
      "FX\r\nA\tUTF-16LE\r\nPS\t-\r\nT\t10\r\nS\t59\r\nRC\t2\r\nCF\tab\r\nCT\tb\r\nM\tD/M/Y\r\n"
      "LX\tF3\tS-\t+\tF4\r\nLC\tF1\tTC\r\nL1\tF2\r\nL2\tF3\tT100\r\nLVA\tF4\tS*\t+\tF5\r\n"
      "V\t1\t2\r\nZF2\t6\r\n-\r\nL1\tF10\r\nMP\r\nrR\r\nRP\tP\r\nLP\tF4\r\n";
  uint32_t seed = 7;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return seed >> 8;
  };
  for (int32_t round = 0; round < 400; ++round) {
    std::string text = whole.substr(0, next() % (whole.size() + 1));
    for (int32_t flips = static_cast<int32_t>(next() % 4); flips > 0 && !text.empty(); --flips)
      text[next() % text.size()] ^= static_cast<char>(1u << (next() % 8));
    ImportSetup* setup = ImportSetupCreate(&base, "D");
    ReadRecord(setup, text);
    const std::string once = Record(setup);
    ImportSetup* again = ImportSetupCreate(&base, "E");
    ReadRecord(again, once.substr(once.find("\r\n") + 2));
    EXPECT_TRUE(ImportSetupEqual(setup, again)) << round;
    ImportSetupDelete(setup);
    ImportSetupDelete(again);
    DimImportSetup* dim = DimImportCreate(&base, 0);
    ReadDimRecord(dim, text);
    DimRecord(dim);
    DimImportFree(dim);
    ASSERT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr)) << round;
  }
}

}  // namespace
