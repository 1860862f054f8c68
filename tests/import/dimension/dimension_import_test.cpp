#include "import/dimension_import.h"

#include <string>
#include <vector>

#include "database/component_tree.h"
#include "database/components.h"
#include "opensave/opensave_fixture.h"

namespace {

class DimensionImport : public OpenSaveTest {
 protected:
  void SetUp() override {
    OpenSaveTest::SetUp();
    base = new T_Base(nullptr, 0);
  }
  void TearDown() override {
    DeleteBase(base, kCloseSilently);
    OpenSaveTest::TearDown();
  }
  // Imports the rows into dimension 1 with the setup the lines give (none: plain rows).
  bool Import(const std::string& rows, const char* record = nullptr) {
    if (record != nullptr) {
      std::string text(record);
      T_IStream in;
      in.CtorFromMemory(text.data(), static_cast<int64_t>(text.size()));
      ReadDimImport(DimImportCreate(base, 1), &in);
    }
    const std::string path = Path("dim.txt");
    WriteWholeFile(path, rows);
    return ImportIntoDimension(base, 1, path.c_str());
  }
  // The tree: one line a component, indented by depth, code|text|host code.
  std::string Tree() {
    std::string text;
    ComponentRecord* root = ComponentAt(base, 1);
    for (ComponentRecord* c = CompTreeNext(root); c != root; c = CompTreeNext(c)) {
      auto shown = [](const char* t) { return std::string(t != nullptr ? t : ""); };
      text += std::string(static_cast<size_t>(CompDepth(c) - 1), ' ') + shown(c->code) + "|" +
              shown(c->text) + "|" + shown(c->hostCode) + "\n";
    }
    return text;
  }

  T_Base* base = nullptr;
};

TEST_F(DimensionImport, PlainRowsFollowTheCodePath) {
  ASSERT_TRUE(Import("1\tAssets\tA\r\n10\tCash\r\n101\tTill\tT\r\n\tno code\r\n2\tDebts\r\n"));
  EXPECT_EQ(Tree(), "1|Assets|A\n 10|Cash|\n  101|Till|T\n2|Debts|\n");
  EXPECT_TRUE(user.asked.empty());
}

TEST_F(DimensionImport, HierarchiesByIndentLevelAndParent) {
  ASSERT_TRUE(Import("A\tTop\r\n B\tMid\r\n  C\tLow\r\n D\tMid 2\r\nE\tTop 2\r\n", "MI\r\n"));
  EXPECT_EQ(Tree(), "A|Top|\n AB|Mid|\n  ABC|Low|\n AD|Mid 2|\nE|Top 2|\n");

  DeleteBase(base, kCloseSilently);
  base = new T_Base(nullptr, 0);
  // Levels as expressions in field 4; 64 is beyond the deepest level and skips the row.
  ASSERT_TRUE(
      Import("X\tx\t\t1\r\nY\ty\t\t1+1\r\nZ\tz\t\t64\r\nW\tw\t\t1.4\r\n", "ML\r\nLP\tF4\r\n"));
  EXPECT_EQ(Tree(), "X|x|\n XY|y|\nW|w|\n");

  DeleteBase(base, kCloseSilently);
  base = new T_Base(nullptr, 0);
  // Parents by text; an unknown parent skips the row, an empty one means the root.
  ASSERT_TRUE(
      Import("P\tParent\r\nK\tKid\t\tParent\r\nL\tLost\t\tNobody\r\n", "MP\r\nNT\r\nLP\tF4\r\n"));
  EXPECT_EQ(Tree(), "P|Parent|\n K|Kid|\n");
}

TEST_F(DimensionImport, MissingParentsAreMade) {
  ASSERT_TRUE(Import("1234\tDeep\r\n", "RP\t3\r\n"));
  EXPECT_EQ(Tree(), "1||\n 12||\n  123||\n   1234|Deep|\n");
  DeleteBase(base, kCloseSilently);
  base = new T_Base(nullptr, 0);
  // For each part: the code's parts are fields 1 and 2 joined.
  ASSERT_TRUE(Import("AB\tCD\tText\r\n", "RP\tP\r\nLC\tF1\t+\tF2\r\nLT\tF3\r\nLH\r\n"));
  EXPECT_EQ(Tree(), "AB||\n ABCD|Text|\n");
}

TEST_F(DimensionImport, DuplicateCodesAndHostCodes) {
  struct Case {
    const char* record;
    const char* tree;
    std::vector<int32_t> asked;
  };
  const Case cases[] = {
      // Codes: keep the old one, warn, or modify (a new text and host code).
      {"rX\r\n", "A|Old|H1\nB|Bee|H2\n", {}},
      {"rW\r\n", "A|Old|H1\nB|Bee|H2\n", {3316}},
      {"rR\r\nRF\t3\r\n", "A|New|009\nB|Bee|H2\n", {}},
      // Host codes another component holds: warn and drop, skip the row, keep, take over.
      {"HW\r\n", "A|Old|H1\nB|Bee|H2\nC|Sea|\n", {3314}},
      {"HX\r\n", "A|Old|H1\nB|Bee|H2\n", {}},
      {"HC\r\n", "A|Old|H1\nB|Bee|H2\nC|Sea|\n", {}},
      {"HR\r\n", "A|Old|\nB|Bee|H2\nC|Sea|H1\n", {}},
  };
  for (const Case& c : cases) {
    DeleteBase(base, kCloseSilently);
    base = new T_Base(nullptr, 0);
    AddComponent(base, 1, "A", "Old", "H1");
    AddComponent(base, 1, "B", "Bee", "H2");
    user.asked.clear();
    const bool codes = std::string(c.record).find('r') == 0;
    ASSERT_TRUE(Import(codes ? "A\tNew\t9\r\n" : "C\tSea\tH1\r\n", c.record)) << c.record;
    EXPECT_EQ(Tree(), c.tree) << c.record;
    EXPECT_EQ(user.asked, c.asked) << c.record;
  }
}

TEST_F(DimensionImport, DatabaseFilesAndBinaryDataAreRefusedAndImportNothing) {
  std::string noise(20000, '\0');
  uint32_t state = 47;
  for (char& c : noise) {
    state = state * 1103515245u + 12345u;
    c = static_cast<char>(state >> 23);
  }
  const struct {
    const char* what;
    std::string content;
    bool taken;
  } cases[] = {
      {"text form", "##QEB-Text\t121122\r\n##Dimension\t2\r\nX\tJunk\r\n##End\r\n", false},
      {"container", std::string("\x05\x13Qbx121122oiNZ6", 16) + std::string(64, '\x11'), false},
      {"random bytes", noise, false},
      {"text with a NUL", std::string("B\tBee\r\nC\0\tSea\r\n", 15), false},
      {"UTF-16 with its mark", std::string("\xFF\xFE" "B\0\t\0B\0e\0e\0\r\0\n\0", 16), true},
  };
  for (const auto& c : cases) {
    DeleteBase(base, kCloseSilently);
    base = new T_Base(nullptr, 0);
    AddComponent(base, 1, "A", "Kept", nullptr);
    PendingErrorClear();
    EXPECT_EQ(Import(c.content), c.taken) << c.what;
    if (c.taken) {
      EXPECT_EQ(Tree(), "A|Kept|\nB|Bee|\n") << c.what;
      continue;
    }
    EXPECT_EQ(PendingError.request.message, 2111) << c.what;
    EXPECT_EQ(Tree(), "A|Kept|\n") << c.what;
  }
  PendingErrorClear();
}

TEST_F(DimensionImport, RowsToSkipPositionsAndAMissingFile) {
  ASSERT_TRUE(Import("Head\r\nab12Text\r\n", "FX\r\nRX\t1\r\nLC\tB1\tE2\r\nLT\tB5\r\nLH\r\n"));
  EXPECT_EQ(Tree(), "AB|Text|\n");
  EXPECT_FALSE(ImportIntoDimension(base, 1, Path("missing.txt").c_str()));
  EXPECT_EQ(PendingError.request.message, 605);
  PendingErrorClear();
}

}  // namespace
