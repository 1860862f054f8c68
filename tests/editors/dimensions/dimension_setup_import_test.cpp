// Imports through a dimension import setup into the dimension editor's tree give what the same
// import gives straight into the database: every hierarchy, the duplicate rules for codes and
// host codes, and a parent-links file of five columns; the questions asked are the same too.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/input_stream.h"
#include "database/component_tree.h"
#include "database/components.h"
#include "database/import_setups.h"
#include "editors/dimension_editor.h"
#include "editors/editor_questions.h"
#include "import/dimension_editor_import.h"
#include "import/dimension_import.h"
#include "tests/editors/editors_fixture.h"

namespace editors_test {
namespace {

constexpr int32_t kDimension = 1;

class DimensionSetupImportTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    InstallDimensionEditorImport();
  }
  void TearDown() override {
    SetDimensionImportHook(nullptr);
    std::remove(kPath);
    EditorTest::TearDown();
  }
  static void Setup(T_Base* database, const char* record) {
    std::string text(record);
    T_IStream in;
    in.CtorFromMemory(text.data(), static_cast<int64_t>(text.size()));
    ReadDimImport(DimImportCreate(database, kDimension), &in);
  }
  static void WriteRows(const std::string& rows) {
    FILE* file = std::fopen(kPath, "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(rows.data(), 1, rows.size(), file);
    std::fclose(file);
  }
  // The tree: one line a component, indented by depth, code|text|host code.
  static std::string Tree(T_Base* database) {
    std::string text;
    ComponentRecord* root = ComponentAt(database, kDimension);
    for (ComponentRecord* c = CompTreeNext(root); c != root; c = CompTreeNext(c)) {
      auto shown = [](const char* t) { return std::string(t != nullptr ? t : ""); };
      text += std::string(static_cast<size_t>(CompDepth(c) - 1), ' ') + shown(c->code) + "|" +
              shown(c->text) + "|" + shown(c->hostCode) + "\n";
    }
    return text;
  }
  static constexpr const char* kPath = "dim_setup_rows.txt";
};

TEST_F(DimensionSetupImportTest, TheEditorsTreeGetsWhatTheDatabaseGets) {
  struct Case {
    const char* record;
    const char* rows;
    bool existing;     // A|Old|H1 and B|Bee|H2 stand before the import
    const char* tree;  // what both give
  };
  const Case cases[] = {
      // Code paths, with the missing parents made up to 3 characters or for each part.
      {"RP\t3\r\n", "1234\tDeep\r\n", false, "1||\n 12||\n  123||\n   1234|Deep|\n"},
      {"RP\tP\r\nLC\tF1\t+\tF2\r\nLT\tF3\r\nLH\r\n", "AB\tCD\tText\r\n", false,
       "AB||\n ABCD|Text|\n"},
      // Indented: the parent's code goes in front.
      {"MI\r\n", "A\tTop\r\n B\tMid\r\n  C\tLow\r\n D\tMid 2\r\nE\tTop 2\r\n", false,
       "A|Top|\n AB|Mid|\n  ABC|Low|\n AD|Mid 2|\nE|Top 2|\n"},
      // Level numbers; 64 is beyond the deepest level and skips its row.
      {"ML\r\nLP\tF4\r\n", "X\tx\t\t1\r\nY\ty\t\t1+1\r\nZ\tz\t\t64\r\nW\tw\t\t1.4\r\n", false,
       "X|x|\n XY|y|\nW|w|\n"},
      // Parent links by code, text and host code; an unknown parent skips the row.
      {"MP\r\nNC\r\nLP\tF4\r\n", "P\tParent\r\nPK\tKid\t\tP\r\nPL\tLost\t\tQ\r\n", false,
       "P|Parent|\n PK|Kid|\n"},
      {"MP\r\nNT\r\nLP\tF4\r\n", "P\tParent\r\nPK\tKid\t\tParent\r\nPL\tLost\t\tNobody\r\n", false,
       "P|Parent|\n PK|Kid|\n"},
      {"MP\r\nNH\r\nLP\tF4\r\n", "P\tParent\tHP\r\nPK\tKid\t\tHP\r\n", false,
       "P|Parent|HP\n PK|Kid|\n"},
      // A parent-links file with the columns dim, code, parent, level and text.
      {"MP\r\nNC\r\nLC\tF2\r\nLP\tF3\r\nLT\tF5\r\nLH\r\n",
       "Accounts\t1\t\t1\tAssets\r\nAccounts\t10\t1\t2\tCash\r\nAccounts\t101\t10\t3\tTill\r\n",
       false, "1|Assets|\n 10|Cash|\n  101|Till|\n"},
      // Codes: keep the old one, warn, or modify (a new text and host code).
      {"rX\r\n", "A\tNew\t9\r\n", true, "A|Old|H1\nB|Bee|H2\n"},
      {"rW\r\n", "A\tNew\t9\r\n", true, "A|Old|H1\nB|Bee|H2\n"},
      {"rR\r\nRF\t3\r\n", "A\tNew\t9\r\n", true, "A|New|009\nB|Bee|H2\n"},
      // Host codes another component holds: warn and drop, skip the row, keep, take over.
      {"HW\r\n", "C\tSea\tH1\r\n", true, "A|Old|H1\nB|Bee|H2\nC|Sea|\n"},
      {"HX\r\n", "C\tSea\tH1\r\n", true, "A|Old|H1\nB|Bee|H2\n"},
      {"HC\r\n", "C\tSea\tH1\r\n", true, "A|Old|H1\nB|Bee|H2\nC|Sea|\n"},
      {"HR\r\n", "C\tSea\tH1\r\n", true, "A|Old|\nB|Bee|H2\nC|Sea|H1\n"},
  };
  for (const Case& c : cases) {
    std::vector<int32_t> asked[2];
    for (int32_t through = 0; through < 2; ++through) {
      T_Base* database = new T_Base(nullptr, 1);
      if (c.existing) {
        AddComponent(database, kDimension, "A", "Old", "H1");
        AddComponent(database, kDimension, "B", "Bee", "H2");
      }
      Setup(database, c.record);
      WriteRows(c.rows);
      alerts->asked.clear();
      // 0: straight into the database; 1: an editor opened for the import, applied on closing.
      bool done = through == 0 ? ImportIntoDimension(database, kDimension, kPath)
                               : ImportIntoDimensionEditor(database, kDimension, kPath);
      EXPECT_TRUE(done || c.existing) << c.record << " through " << through;
      EXPECT_EQ(Tree(database), c.tree) << c.record << " through " << through;
      EXPECT_EQ(FindDimensionEditor(database, kDimension), nullptr);
      asked[through] = Asked();
      DeleteBase(database, kCloseSilently);
    }
    EXPECT_EQ(asked[0], asked[1]) << c.record;
  }
}

TEST_F(DimensionSetupImportTest, AnOpenEditorTakesTheRowsAndStaysOpen) {
  AddComponent(base, kDimension, "A", "Old", nullptr);
  Setup(base, "MI\r\n");
  WriteRows("A\tTop\r\n B\tMid\r\nC\tOther\r\n");
  T_DimEditor* editor = OpenDimensionEditor(base, kDimension, 0);
  ASSERT_NE(editor, nullptr);
  DimTreeSetText(&editor->tree, editor->tree.root.firstChild, kDimFieldText, "Edited");
  // The command language's import finds the open editor too.
  EXPECT_TRUE(ImportIntoDimension(base, kDimension, kPath));
  EXPECT_EQ(FindDimensionEditor(base, kDimension), editor);
  EXPECT_EQ(Tree(base), "A|Old|\n");  // nothing applied behind the user's back
  T_TextBuf code;
  DimNodeFullCode(editor->Current(), &code);
  EXPECT_STREQ(code.c_str(), "AB");  // the first new node is current
  EXPECT_EQ(editor->tree.rowCount, 3);
  alerts->answers = {kButtonChange};
  EXPECT_TRUE(EventHandler_CloseAndDelete(editor, 0));
  EXPECT_EQ(Tree(base), "A|Edited|\n AB|Mid|\nC|Other|\n");
}

}  // namespace
}  // namespace editors_test
