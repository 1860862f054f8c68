#include "core/locale.h"
#include "database/dimension_options.h"
#include "records_fixture.h"

namespace records_test {
namespace {

// A dimension import setup indented, every other field at its default, after its header.
constexpr const char* kIndentedRecord =
    "A\tUTF-8\r\nCC\r\nPX\r\nrX\r\nHW\r\nMI\r\nNC\r\nLC\tF1\r\nLT\tF2\r\nLH\tF3\r\n\r\n";

using DimensionSections = RecordsTest;

TEST_F(DimensionSections, GoldenSectionReadsBackIntoTheSameTree) {
  SetSingular(base->dimensions[0], "Account");
  SetPlural(base->dimensions[0], "Accounts");
  SetDisplayStyle(base->dimensions[0], 2);
  Add(base, 0, "1", "Assets");
  Add(base, 0, "10", "Cash", "C10");
  Add(base, 0, "101", "Till");
  ComponentRecord* liabilities = Add(base, 0, "2", "Liabilities");
  BlockTextAssign(&liabilities->text, "Lia\tbil\r\nities");  // older data: controls still in it
  SetTextCase(base->dimensions[3], kCaseSensitive);
  SetOptionX(base->dimensions[3], true);
  SetTextWidth(base->dimensions[3], 200);
  Add(base, 3, "X", "Other");
  DimImportSetup* setup = DimImportCreate(base, 0);
  ReadSections(base, "##DimImport\t1\r\nMI\r\n");
  ASSERT_EQ(setup->hierarchy, 1u);

  const std::string written = DimensionSectionsOf(base);
  EXPECT_EQ(written,
            "##Dimension\t1\r\n-N\tAccount\tAccounts\r\n-S\tT\r\n-EC\t4\r\n-EH\t1\r\n"
            "1\tAssets\r\n10\tCash\tC10\r\n101\tTill\r\n2\tLia bil  ities\r\n\r\n"
            "##DimImport\t1\r\n" + std::string(kIndentedRecord) +
            "##Dimension\t4\r\n-T\tS\r\n-X\t+\r\n-W\t\t200\r\n-EC\t1\r\nX\tOther\r\n\r\n");

  T_Base* fresh = NewDatabase();
  ReadSections(fresh, written);
  EXPECT_EQ(DumpModel(fresh), DumpModel(base));
  EXPECT_EQ(CodeOf(fresh, ComponentAt(fresh, Number(fresh, 0, "101"))->parent->number), "10");
  EXPECT_EQ(DimensionSectionsOf(fresh), written);
}

// File numbers are positions of the dimension order; reading makes them dimension numbers, and
// the import setup follows its dimension's new number.
TEST_F(DimensionSections, FileNumbersFollowTheDimensionOrder) {
  Add(base, 5, "A", "Five");
  Add(base, 0, "Z", "Zero");
  DimImportCreate(base, 5);
  ReadSections(base, "##DimImport\t6\r\nMI\r\n");
  for (int32_t& position : base->dimensionOrder) position = -1;
  base->dimensionOrder[0] = 5;
  base->dimensionOrder[2] = 0;
  base->dimensionOrderCount = 3;

  const std::string written = DimensionSectionsOf(base);
  EXPECT_EQ(written,
            "##Dimension\t1\r\n-EC\t1\r\nA\tFive\r\n\r\n##DimImport\t1\r\n" +
                std::string(kIndentedRecord) +
            "##Dimension\t3\r\n-EC\t1\r\nZ\tZero\r\n\r\n");
  T_Base* fresh = NewDatabase();
  ReadSections(fresh, written);
  EXPECT_EQ(CodeOf(fresh, ComponentAt(fresh, 0)->firstChild->number), "A");
  EXPECT_EQ(CodeOf(fresh, ComponentAt(fresh, 2)->firstChild->number), "Z");
  ASSERT_NE(fresh->dimImports[0], nullptr);
  EXPECT_EQ(fresh->dimImports[0]->hierarchy, 1u);
  EXPECT_EQ(fresh->dimImports[5], nullptr);
}

TEST_F(DimensionSections, AFirstCodeLikeAnOptionIsFencedOff) {
  Add(base, 1, "-5", "minus five");
  Add(base, 1, "-6");
  const std::string written = DimensionSectionsOf(base);
  EXPECT_EQ(written, "##Dimension\t2\r\n-EC\t2\r\n--\r\n-5\tminus five\r\n-6\r\n\r\n");
  T_Base* fresh = NewDatabase();
  ReadSections(fresh, written);
  EXPECT_EQ(DumpModel(fresh), DumpModel(base));
  EXPECT_EQ(fresh->dimensions[1]->codeIndexSize, 2);  // "-EC" still read as an option
}

// Headers numbered outside 1 to 32 leave the line after them current; the dispatcher steps
// over it and over the rest of the section's lines.
TEST_F(DimensionSections, NumbersOutsideTheRangeAreIgnoredWithTheirLines) {
  ReadSections(base,
               "##Dimension\t33\r\nA\ta\r\nB\r\n##Dimension\t0\r\nC\r\n##DimImport\t40\r\nx\r\n"
               "##Dimension\t1\r\nD\r\n##Dimension\t33");
  EXPECT_EQ(DumpModel(base), "D0 055 3 1 0 0,0,0||\n  D||\nvalues 1\n");
  for (DimImportSetup* setup : base->dimImports) EXPECT_EQ(setup, nullptr);

  T_IStream stream;  // the reader itself
  std::string text = "##Dimension\t33\r\nA\ta\r\n";
  stream.CtorFromMemory(text.data(), static_cast<int64_t>(text.size()));
  stream.NextLine();
  stream.NextField();
  ReadDimensionSection(base, &stream);
  EXPECT_EQ(std::string(stream.lineStart, stream.lineEnd), "A\ta");
}

// Codes of tens of thousands of characters find their parents in one pass over the code (each
// took seconds when every prefix was looked up); a field longer than a text holds is cut there,
// and the reader hears of it once.
TEST_F(DimensionSections, LongCodesFindTheirParentsAndOverlongFieldsAreCutWithAMessage) {
  const std::string stem(31999, 'A');
  std::string section = "##Dimension\t1\r\n" + stem.substr(0, 100) + "\tparent\r\n";
  for (char last : {'1', '2', '3', '4'}) section += stem + last + "\tlong\r\n";
  section += std::string(40000, 'B') + "\t" + std::string(50000, 't') + "\r\n";
  section += std::string(40000, 'C') + "\r\n";
  ReadSections(base, section);
  for (char last : {'1', '2', '3', '4'}) {
    const int64_t n = Number(base, 0, (stem + last).c_str());
    ASSERT_GT(n, 0) << last;
    EXPECT_EQ(CodeOf(base, ComponentAt(base, n)->parent->number), stem.substr(0, 100));
  }
  const int64_t cut = Number(base, 0, std::string(kTextBufMax, 'B').c_str());
  ASSERT_GT(cut, 0);
  EXPECT_EQ(std::string(ComponentAt(base, cut)->text), std::string(kTextBufMax, 't'));
  ASSERT_EQ(answers.asked.size(), 1u);
  EXPECT_EQ(MessageAndTexts(answers.asked[0]), (std::vector<std::string>{"3817"}));
  EXPECT_GT(Number(base, 0, std::string(kTextBufMax, 'C').c_str()), 0);
}

// Save modes: all, active (the used components and their ancestors), in use (only the used
// ones; reading attaches them by code shortening), none (no section, no import setup).
TEST_F(DimensionSections, SaveModesChooseTheComponents) {
  Add(base, 1, "A", "a");
  Add(base, 1, "AB", "ab");
  Add(base, 1, "ABC", "abc");
  Add(base, 1, "B", "b");
  Add(base, 1, "BX", "bx");
  DimImportCreate(base, 1);
  ReadSections(base, "##DimImport\t2\r\nMI\r\n");
  CardRecord* card = Card(base, 2024, 1, 2, 1);
  Line(base, card, 0, {1}, {Number(base, 1, "ABC")});
  Line(base, card, 0, {2}, {Number(base, 1, "B")});

  struct Case {
    int32_t mode;
    const char* section;
  };
  const Case cases[] = {
      {kDimSaveAll, "A\ta\r\nAB\tab\r\nABC\tabc\r\nB\tb\r\nBX\tbx\r\n"},
      {kDimSaveActive, "A\ta\r\nAB\tab\r\nABC\tabc\r\nB\tb\r\n"},
      {kDimSaveInUse, "ABC\tabc\r\nB\tb\r\n"},
  };
  for (const Case& c : cases) {
    base->saveOptions.dimensionModes[1] = c.mode;
    EXPECT_EQ(DimensionSectionsOf(base), std::string("##Dimension\t2\r\n-EC\t5\r\n") + c.section +
                                             "\r\n##DimImport\t2\r\n" + kIndentedRecord)
        << c.mode;
  }
  base->saveOptions.dimensionModes[1] = kDimSaveInUse;
  T_Base* fresh = NewDatabase();
  ReadSections(fresh, DimensionSectionsOf(base));
  EXPECT_EQ(DumpModel(fresh),
            "D1 055 3 1 0 0,0,0||\n  ABC|abc|\n  B|b|\nimport ##DimImport\t2\r\n" +
                std::string(kIndentedRecord) + "values 1\n");

  base->saveOptions.dimensionModes[1] = kDimSaveNone;
  EXPECT_EQ(DimensionSectionsOf(base), "");
}

TEST_F(DimensionSections, ReadingLogsCountsAndAnnouncesTheDimension) {
  EXPECT_EQ(
      LoggedRead(base, "##Dimension\t3\r\n-N\tRegion\tRegions\r\nN\tNorth\r\nN\tdup\r\nS\r\n"),
      (std::vector<std::string>{
          "Reading dimension section \"Region\"", "  Skipped duplicate component \"N\"",
          "  Loaded 2 components in 0.000 seconds", "Completed dimension section"}));
  EXPECT_EQ(CountDimensionComponents(base, 2), 2);
  EXPECT_EQ(base->dimensionChangePending[2], 0);  // code 11 went out
}

}  // namespace
}  // namespace records_test
