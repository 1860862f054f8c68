// Selections with compiled component expressions in every form they take. They need the
// selection-expression compiler and skip while its stand-in is linked.
#include "database/subsets.h"
#include "tests/database/cardsel/selection_fixture.h"

namespace {

using selection_test::ExpressionsCompile;
using selection_test::SelectionTest;

class CompiledDimensionsTest : public SelectionTest {
 protected:
  void SetUp() override {
    SelectionTest::SetUp();
    if (!ExpressionsCompile(base)) GTEST_SKIP() << "the expression compiler is a stand-in";
    group = Component(0, "G");
    Component(1, "P");
    Component(1, "P1");
    Component(1, "Q");
    CardRecord* card = Card(Day(2024, 3, 1), 1);
    underP = Line(card, group, {1}, {base->FindComponentByKey(1, "P1", -1)});
    inQ = Line(card, group, {2}, {base->FindComponentByKey(1, "Q", -1)});
    Selection_init(&selection, base, nullptr, nullptr);
    initialized = true;
  }
  void TearDown() override {
    if (initialized) Selection_free(&selection);
    SelectionTest::TearDown();
  }

  int64_t group = 0;
  LineRecord* underP = nullptr;
  LineRecord* inQ = nullptr;
  CardSelection selection;
  bool initialized = false;
};

TEST_F(CompiledDimensionsTest, AnExpressionRestrictsLinesAndShowsInEveryForm) {
  ASSERT_TRUE(CompSelCompileDimension(&selection.components, 1, "P"));
  EXPECT_TRUE(Selection_matchLine(&selection, underP));
  EXPECT_FALSE(Selection_matchLine(&selection, inQ));
  EXPECT_TRUE(Selection_isRestricted(&selection));

  T_OStream keys;
  Selection_writeKeys(&selection, &keys, 'B');
  EXPECT_EQ(Written(keys), "BD2\tP\r\n");
  T_OStream xml;
  Selection_writeXml(&selection, &xml);
  EXPECT_NE(Written(xml).find("<dim num=\"2\" name=\"Dim 2\">P</dim>\r\n"), std::string::npos);
  T_OStream html;
  Selection_writeHtmlDefinition(&selection, &html);
  EXPECT_NE(Written(html).find("<tr><td> Dim 2 </td><td> P </td></tr>"), std::string::npos);

  SelectionDef def;
  SelectionDef_init(&def, base);
  SelectionDef_fromSelection(&def, &selection);
  EXPECT_STREQ(def.componentTexts.texts[1], "P");
  SelectionDef_setComponentText(&def, 1, "Q");
  Selection_setFromDef(&selection, &def);
  EXPECT_FALSE(Selection_matchLine(&selection, underP));
  EXPECT_TRUE(Selection_matchLine(&selection, inQ));
  SelectionDef_free(&def);
}

TEST_F(CompiledDimensionsTest, KeyedLinesCompileAsTheyAreRead) {
  std::string text = "BD2\tQ\r\nBD1\tG\r\n";
  T_IStream in;
  in.CtorFromMemory(text.data(), static_cast<int64_t>(text.size()));
  while (in.NextLine()) {
    T_TextBuf key;
    if (in.ReadFieldBuf(&key)) Selection_readKey(&selection, key.data, &in);
  }
  EXPECT_TRUE(CompSelHasExpression(&selection.components, 0));
  EXPECT_TRUE(CompSelSelects(&selection.components, group));
  EXPECT_TRUE(Selection_matchLine(&selection, inQ));
  EXPECT_FALSE(Selection_matchLine(&selection, underP));
}

}  // namespace
