// The per-dimension texts of a stored selection.
#include <gtest/gtest.h>

#include <string>

#include "core/output_stream.h"
#include "core/text_buffer.h"
#include "database/change_notes.h"
#include "database/selection_texts.h"
#include "tests/database/selexpr/selexpr_fixture.h"

namespace selexpr_test {
namespace {

class SelectionTextsTest : public SelexprTest {
 protected:
  void TearDown() override {
    SelTextsClear(&texts);
    SelTextsClear(&other);
    SetDimensionTextRewriter(nullptr);
    SelexprTest::TearDown();
  }
  std::string Text(int32_t d) { return texts.texts[d] ? texts.texts[d] : "(none)"; }

  SelectionTexts texts;
  SelectionTexts other;
};

TEST_F(SelectionTextsTest, FilledFromASelectionInStoredForm) {
  ASSERT_TRUE(Compile("3 | 'R&D'"));
  Add("G", "Group", nullptr, 0);
  ASSERT_TRUE(Compile("G", 0));
  SelTextsSet(&texts, 7, "stale", 5);
  SelTextsFromSelection(&texts, &selection);
  EXPECT_EQ(Text(1), "3|'R&D'");
  EXPECT_EQ(Text(0), "G Group");
  EXPECT_EQ(Text(7), "(none)");
  EXPECT_TRUE(SelTextsAnySet(&texts));
  EXPECT_GT(SelTextsMemSize(&texts), 0);

  ASSERT_TRUE(SelTextsCopy(&other, &texts));
  EXPECT_TRUE(SelTextsEqual(&other, &texts));
  SelTextsSet(&other, 1, "3|'R&D'x", 7);  // the same bytes
  EXPECT_TRUE(SelTextsEqual(&other, &texts));
  SelTextsSet(&other, 0, nullptr, 0);
  EXPECT_FALSE(SelTextsEqual(&other, &texts));

  SelTextsClear(&texts);
  EXPECT_FALSE(SelTextsAnySet(&texts));
  EXPECT_EQ(SelTextsMemSize(&texts), 0);
  SelTextsSet(&texts, 32, "3", 1);
  SelTextsSet(&texts, -1, "3", 1);
  EXPECT_FALSE(SelTextsAnySet(&texts));
}

TEST_F(SelectionTextsTest, AndConditionsBracketOnlyLooserSides) {
  struct Case {
    const char* present;  // null: none
    const char* added;
    const char* joined;
    const char* selected;
  } cases[] = {
      {nullptr, "3|4", "3|4", "3 35 351 36 4 41 411 42"},
      {"3", "4?", "3&4?", ""},
      {"3|4", "35", "(3|4)&35", "35 351"},
      {"3", "35±41", "3&(35±41)", "35 351"},
      {"(3|4)", "¬35", "(3|4)&¬35", "3 36 4 41 411 42"},
      {"'A|B'", "3", "'A|B'&3", ""},  // a quoted word holds no operator
      {"=Thirty|4", "3", "(=Thirty|4)&3", "35 36"},
  };
  Add("A|B", "Bar");
  for (const Case& c : cases) {
    SelTextsSet(&texts, kDim, c.present, c.present ? static_cast<int32_t>(strlen(c.present)) : 0);
    SelTextsAndCondition(&texts, kDim, c.added);
    EXPECT_EQ(Text(kDim), c.joined);
    ASSERT_TRUE(Compile(texts.texts[kDim])) << c.joined;
    EXPECT_EQ(Selected(), c.selected) << c.joined;
  }
  SelTextsAndCondition(&texts, 40, "3");
  SelTextsAndCondition(&texts, kDim, "");
  EXPECT_EQ(Text(kDim), "(=Thirty|4)&3");
}

TEST_F(SelectionTextsTest, WrittenByPositionOfTheDimensionOrder) {
  SelTextsSet(&texts, 0, "G", 1);
  SelTextsSet(&texts, 1, "3|4", 3);
  SelTextsSet(&texts, 5, "X", 1);
  auto written = [&] {
    T_OStream stream;
    stream.SetNewlineChar('\n');
    SelTextsWrite(&texts, base, &stream, "VD");
    return std::string(reinterpret_cast<char*>(stream.start), stream.BufferedLength());
  };
  EXPECT_EQ(written(), "VD1\tG\nVD2\t3|4\nVD6\tX\n");
  base->dimensionOrder[0] = 1;
  base->dimensionOrder[1] = -1;
  base->dimensionOrder[2] = 0;
  base->dimensionOrderCount = 3;
  EXPECT_EQ(written(), "VD1\t3|4\nVD3\tG\n");
}

TEST_F(SelectionTextsTest, ADimensionEditorRewritesItsDimensionsText) {
  static void* editorSeen = nullptr;
  SetDimensionTextRewriter([](void* editor, T_TextBuf* text) {
    editorSeen = editor;
    TextBufAppend(text, "|NEW");
  });
  SelTextsSet(&texts, kDim, "3", 1);
  SelTextsSet(&texts, 2, "4", 1);
  int editor = 0;
  T_Base elsewhere(nullptr, 0);
  ChangeNote note{
      .code = kChangeDimensionEdited, .database = &elsewhere, .index = kDim, .object = &editor};
  SelTextsOnChange(&texts, base, &note);  // another database's editor
  note.database = base;
  note.code = kChangeComponentsRebuilt;
  SelTextsOnChange(&texts, base, &note);
  EXPECT_EQ(Text(kDim), "3");
  note.code = kChangeDimensionEdited;
  SelTextsOnChange(&texts, base, &note);
  EXPECT_EQ(Text(kDim), "3|NEW");
  EXPECT_EQ(Text(2), "4");
  EXPECT_EQ(editorSeen, &editor);
  note.index = 3;  // no text there: nothing to rewrite
  SelTextsOnChange(&texts, base, &note);
  EXPECT_EQ(Text(3), "(none)");
}

}  // namespace
}  // namespace selexpr_test
