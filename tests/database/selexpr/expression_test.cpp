// Selection expressions from text to program, printed forms and selected components.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/output_stream.h"
#include "core/text_buffer.h"
#include "database/selection_scanner.h"
#include "tests/database/selexpr/selexpr_fixture.h"

namespace selexpr_test {
namespace {

struct ExpressionCase {
  const char* text;
  const char* stored;
  const char* display;
  const char* selected;
};

class ExpressionTest : public SelexprTest {
 protected:
  template <size_t N>
  void Expect(const ExpressionCase (&cases)[N]) {
    for (const ExpressionCase& c : cases) {
      ASSERT_TRUE(Compile(c.text)) << c.text;
      EXPECT_EQ(Stored(), c.stored) << c.text;
      EXPECT_EQ(Display(), c.display) << c.text;
      EXPECT_EQ(Selected(), c.selected) << c.text;
    }
  }
};

TEST_F(ExpressionTest, TextsCompileToTheirNormalFormsAndSelections) {
  const ExpressionCase cases[] = {
      // One component prints as its display text.
      {"3", "3 Three", "3 Three", "3 35 351 36"},
      {"  4  ", "4 Four", "4 Four", "4 41 411 42"},
      {"3 | 4", "3|4", "3 | 4", "3 35 351 36 4 41 411 42"},
      {"3++4", "3|4", "3 | 4", "3 35 351 36 4 41 411 42"},
      {"'R&D' | 3", "'R&D'|3", "'R&D' | 3", "3 35 351 36 R&D R&D1"},
      {"\"'Q\" | 4", "\"'Q\"|4", "\"'Q\" | 4", "4 41 411 42 'Q"},
      {"ÅS|35", "ÅS|35", "ÅS | 35", "35 351 ÅS ÅS1"},
      {"¬3", "¬3", "¬3", "\\ 4 41 411 42 R&D R&D1 'Q ÅS ÅS1"},
      {"----4", "¬4", "¬4", "\\ 3 35 351 36 R&D R&D1 'Q ÅS ÅS1"},  // one run, one complement
      {"\\", "\\", "\\", "\\"},
      {"!", "!", "!", "3 4 R&D 'Q ÅS"},
      {"?", "?", "?", "35 41"},
      {"¶", "¶", "¶", "351 36 411 42 R&D1 'Q ÅS1"},
      {"35!", "35!", "35!", "35"},
      {"!35", "35!", "35!", "35"},
      {"^351", "351^", "351^", "3 35 351"},
      {"351 ^", "351^", "351^", "3 35 351"},
      {"?3", "3?", "3?", "35"},
      {"3¶", "3¶", "3¶", "351 36"},
      {"¶3", "3¶", "3¶", "351 36"},
      // Brackets only where the reading needs them.
      {"3 & (4 | 35)", "3&(4|35)", "3 & (4 | 35)", "35 351"},
      {"(3 | 4) & ¬(35 | 41)", "(3|4)¬(35|41)", "(3 | 4) ¬ (35 | 41)", "3 36 4 42"},
      {"3 ¬ (4 ¬ 41)", "3¬(4¬41)", "3 ¬ (4 ¬ 41)", "3 35 351 36"},
      {"3 | 4 ± 35", "3|4|35", "3 | 4 | 35", "3 35 351 36 4 41 411 42"},
      {"(3 ± 4) & 36", "(3|4)&36", "(3 | 4) & 36", "36"},
      {"¬(3 | 4)", "¬(3|4)", "¬(3 | 4)", "\\ R&D R&D1 'Q ÅS ÅS1"},
      // Stray words and operators are skipped.
      {"3 ) | 4", "3|4", "3 | 4", "3 35 351 36 4 41 411 42"},
      {"3 &", "3 Three", "3 Three", "3 35 351 36"},
      {"(3 | 4", "3|4", "3 | 4", "3 35 351 36 4 41 411 42"},
      {"(3 | 4 \\ ) & 4", "(3|4)&4", "(3 | 4) & 4", "4 41 411 42"},
  };
  Expect(cases);
}

TEST_F(ExpressionTest, EdgeCasesOfTheLanguage) {
  const ExpressionCase cases[] = {
      {"", "", "", kEverything},  // unrestricted
      {"\\\\", "\\\\", "\\\\", ""},
      {"3 & 35", "35 Thirty-five", "35 Thirty-five", "35 351"},  // one component record
      {"3 ± 35", "3¬35", "3 ¬ 35", "3 36"},
      {"3 +- 35", "3¬35", "3 ¬ 35", "3 36"},
      {"¬¬4", "4 Four", "4 Four", "4 41 411 42"},
      {"¬ ¬ ¬4", "¬4", "¬4", "\\ 3 35 351 36 R&D R&D1 'Q ÅS ÅS1"},
      {"=Thirty ¬ ¬3", "=Thirty&3", "=Thirty & 3", "35 36"},
      {"3 ¬ ¬4", "\\\\", "\\\\", ""},  // an intersection, folded: disjoint
      {"'R&D'", "'R&D Research & development'", "'R&D Research & development'", "R&D R&D1"},
      {"'R&D'!", "'R&D'!", "'R&D'!", "R&D"},
  };
  Expect(cases);
  // The program of "3 ¬ ¬4" before folding: a difference whose right operand is a complement.
  ASSERT_TRUE(Compile("3? ¬ ¬4"));
  EXPECT_EQ(Stored(), "3?&4");
}

TEST_F(ExpressionTest, RangesRunForwardsAndWrapPastTheRoot) {
  const ExpressionCase cases[] = {
      {"35..41", "35…41", "35…41", "35 351 36 4 41 411"},
      {"35_41!", "35…41!", "35…41!", "35 351 36 4 41"},
      {"35 … 41 !", "35…41!", "35…41!", "35 351 36 4 41"},
      {"ÅS1…35", "ÅS1…35", "ÅS1…35", "3 35 351 ÅS1"},
      {"ÅS1...35!", "ÅS1…35!", "ÅS1…35!", "3 35 ÅS1"},
      {"35..35", "35 Thirty-five", "35 Thirty-five", "35 351"},  // collapses to the component
      {"35..35!", "35!", "35!", "35"},
      {"35..", "35 Thirty-five", "35 Thirty-five", "35 351"},  // no end: the range is stray
  };
  Expect(cases);
}

TEST_F(ExpressionTest, PatternsMatchTextsOrHostCodesWithOrWithoutAncestors) {
  const ExpressionCase cases[] = {
      {"=Thirty", "=Thirty", "=Thirty", "35 36"},
      {"= Thirty ^", "=Thirty^", "=Thirty^", "3 35 36"},
      {"@H", "@H", "@H", "35 4"},
      {"@H^", "@H^", "@H^", "3 35 4"},
      {"=(Lab|Deep)", "=(Lab|Deep)", "=(Lab|Deep)", "351 R&D1"},
      {"=(Lab|Deep)^ | 4!", "=(Lab|Deep)^|4!", "=(Lab|Deep)^ | 4!", "3 35 351 4 R&D R&D1"},
      {"='Thirty|Lab'", "='Thirty|Lab'", "='Thirty|Lab'", "35 36 R&D1"},
      {"=Ørsta", "=Ørsta", "=Ørsta", "ÅS1"},
      {"=", "", "", kEverything},  // an empty pattern is no operand
  };
  Expect(cases);
}

TEST_F(ExpressionTest, AnUnknownCodeFailsAndThePreviousProgramStays) {
  ASSERT_TRUE(Compile("3 | 4"));
  const std::string before = Selected();
  EXPECT_FALSE(Compile("3 | XYZ | QQQ"));
  EXPECT_EQ(Stored(), "3|4");
  EXPECT_EQ(Selected(), before);
  if (ReadPromptIsLinked()) {
    // Only the first unknown code is looked up.
    ASSERT_EQ(alerts.asked.size(), 1u);
    EXPECT_EQ(alerts.asked[0].message, 3903);
    EXPECT_EQ(alerts.asked[0].texts, (std::vector<std::string>{"XYZ", "Dim 2"}));
  }

  // The edit path shows the previous expression after a failure.
  T_TextBuf edited("35 | NOWHERE");
  CompSelSetDimensionText(&selection, &edited, kDim);
  EXPECT_STREQ(edited.data, "3 | 4");
}

TEST_F(ExpressionTest, AnAbortDuringEvaluationLeavesTheDimensionUnrestricted) {
  // A pattern beyond the criteria compiler's limits raises the abort flag while the program runs.
  std::string tooComplex = "4 | =(";
  for (int i = 0; i < 300; ++i) tooComplex += "x|";
  tooComplex += "x)";
  ASSERT_TRUE(Compile("3"));
  ASSERT_TRUE(Compile(tooComplex.c_str()));
  EXPECT_TRUE(CompSelHasExpression(&selection, kDim));
  EXPECT_EQ(Selected(), kEverything);
  PendingErrorClear();

  ASSERT_TRUE(Compile("3"));
  EXPECT_EQ(Selected(), "3 35 351 36");
  PendingErrorCancel();
  CompSelRecalculate(&selection, kDim);
  EXPECT_EQ(Selected(), kEverything);
}

TEST_F(ExpressionTest, AProgramPastSixtyFourKilobytesKeepsItsPatterns) {
  // 2100 disjoint components make 4199 records, so the pool lies beyond 64 KB.
  constexpr int32_t kWide = 2;
  std::string text;
  for (int i = 0; i < 2100; ++i) {
    std::string code = "C" + std::to_string(10000 + i);
    Add(code.c_str(), nullptr, nullptr, kWide);
    text += code + "|";
  }
  ComponentRecord* target = Add("T", "Target", nullptr, kWide);
  Add("U", "Other", nullptr, kWide);
  text += "=Target";
  ASSERT_TRUE(Compile(text.c_str(), kWide));
  EXPECT_EQ(Stored(kWide), text);
  EXPECT_TRUE(CompSelSelects(&selection, target->number));
  EXPECT_TRUE(CompSelSelects(&selection, C("C12099", kWide)));
  EXPECT_FALSE(CompSelSelects(&selection, C("U", kWide)));
  EXPECT_FALSE(CompSelSelects(&selection, kWide));
}

TEST_F(ExpressionTest, DeeplyBracketedTextsEvaluate) {
  std::string text;
  for (int i = 0; i < 400; ++i) text += "(3|";
  text += "4";
  for (int i = 0; i < 400; ++i) text += ")";
  text += "&¬(";
  for (int i = 0; i < 300; ++i) text += "35|(41|";
  text += "'R&D1'";
  for (int i = 0; i < 301; ++i) text += ")";
  ASSERT_TRUE(Compile(text.c_str()));
  EXPECT_EQ(Selected(), "3 36 4 42");
}

TEST_F(ExpressionTest, EveryPrintedCodeReadsBackAsItself) {
  const char* const codes[] = {
      "R&D", "'Q", "Q'",  "P'&Q", "A_B",  "X..Y", "A!B", "(P",  "\\Z", "=E",  "@H",
      "N^",  "M-", "K+",  "+-",   "J--K", "ÅS",   "T…U", "V¬W", "W)X", "Y|Z", "L±M",
      "¶P",  "?R", "S.T", "\"D",  "E\"",  "1+2",  "--",  "..",  "_",   "Ø&Æ",
  };
  constexpr int32_t kCodes = 3;
  Add("OTHER", "Other", nullptr, kCodes);
  for (const char* code : codes) {
    ComponentRecord* component = Add(code, "Text", nullptr, kCodes);
    ASSERT_NE(component, nullptr) << code;
    T_TextBuf quoted(component->code);
    QuoteSelectionWord(&quoted, kCodeWord);
    for (const char* shape : {"%", "%!", "%|OTHER", "OTHER ¬ %?", "%…OTHER!", "%^&%"}) {
      std::string text;
      for (const char* p = shape; *p; ++p) {
        if (*p == '%')
          text += quoted.data;
        else
          text += *p;
      }
      ASSERT_TRUE(Compile(text.c_str(), kCodes)) << text;
      const std::string stored = Stored(kCodes);
      const std::string display = Display(kCodes);
      const std::string selected = Selected(kCodes);
      ASSERT_TRUE(Compile(stored.c_str(), kCodes)) << stored;
      EXPECT_EQ(Stored(kCodes), stored) << code;
      EXPECT_EQ(Selected(kCodes), selected) << stored;
      ASSERT_TRUE(Compile(display.c_str(), kCodes)) << display;
      EXPECT_EQ(Stored(kCodes), stored) << display;
    }
    T_TextBuf plain(component->code);
    EXPECT_EQ(ReadSelectionWord(quoted.data, kCodeWord).length, plain.length) << code;
  }
}

TEST_F(ExpressionTest, TheEditPathCutsLongTextsAtACharacterBoundary) {
  std::string text = "3 |";
  while (text.size() < 1022) text += ' ';
  text += "Ø";  // bytes 1022 and 1023: the cut falls before it
  T_TextBuf edited(text.c_str());
  CompSelSetDimensionText(&selection, &edited, kDim);
  EXPECT_STREQ(edited.data, "3 Three");

  T_TextBuf other("4|3");
  CompSelSetDimensionText(&selection, &other, -1);
  EXPECT_STREQ(other.data, "");
  EXPECT_EQ(Stored(), "3 Three");
}

TEST_F(ExpressionTest, KeyedLinesFollowTheDimensionOrder) {
  ASSERT_TRUE(Compile("3|4"));
  Add("G", "Group", nullptr, 0);
  ASSERT_TRUE(Compile("G", 0));
  base->dimensionOrder[0] = 1;
  base->dimensionOrder[1] = -1;
  base->dimensionOrder[2] = 0;
  base->dimensionOrderCount = 3;
  T_OStream stream;
  stream.SetNewlineChar('\n');
  CompSelWriteKeys(&selection, &stream, "VD");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(stream.start), stream.BufferedLength()),
            "VD2\t3|4\nVD1\tG Group\n");
}

}  // namespace
}  // namespace selexpr_test
