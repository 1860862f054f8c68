// The transform: text rules, the date map, value rules, scopes in place and as copies, stamps,
// the option tokens and the command.
#include <cmath>
#include <string>

#include "analysis/boxwin/formula_menu.h"
#include "analysis/cards/transform_dialog.h"
#include "tests/analysis/cards/operations_fixture.h"

namespace operations_test {
namespace {

using TransformTest = OperationsTest;

TEST(TransformTextRule, RulesRewriteAsTheirFromTextSays) {
  const struct {
    const char* from;
    const char* to;
    const char* text;
    bool trim;
    const char* result;
    bool changed;
  } cases[] = {
      {nullptr, "New", "Old", true, "New", true},         // no from-text: the whole text
      {"<", "Pre ", "Text", true, "Pre Text", true},      // in front
      {">", " end", "Text", true, "Text end", true},      // appended
      {"\\", "Filled", "", true, "Filled", true},         // only an empty text
      {"\\", "Filled", "Kept", true, "Kept", false},
      {"\xC2\xAC\\", "All", "Some", true, "All", true},   // only a text that holds something
      {"\xC2\xAC\\", "All", "", true, "", false},
      {"rent", "Lease", "Rent and RENT", true, "Lease and Lease", true},  // letter case ignored
      {"a", "aa", "banana", true, "baanaanaa", true},     // the replacement is not searched again
      {"x", "y", "none", true, "none", false},            // no match: unchanged
      {nullptr, "\\", "Gone", true, "", true},            // "\" alone is the empty text
      {"<", "  ", " Pad ", true, "Pad", true},            // titles and line texts are trimmed
      {"<", "  ", " Pad ", false, "   Pad ", true},       // notes are not
  };
  for (const auto& c : cases) {
    TextRule rule;
    rule.from = c.from ? StrDup(c.from) : nullptr;
    rule.to = c.to ? StrDup(c.to) : nullptr;
    T_TextBuf out;
    EXPECT_EQ(ApplyTextRule(&rule, c.text, c.trim, &out), c.changed) << c.text;
    EXPECT_STREQ(out.c_str(), c.result) << c.text;
    BlockTextFree(&rule.from);
    BlockTextFree(&rule.to);
  }
}

TEST_F(TransformTest, OptionTokensAreTakenOrRefused) {
  T_Cards* window = Open();
  T_Transform transform(window);
  const struct {
    const char* token;
    bool taken;
  } cases[] = {
      {"A", true},          {"-XR", true},         {"XE", true},         {"XA", true},
      {"XN", true},         {"CB=240101", true},   {"CE=2401", true},    {"CF=24.02.01", true},
      {"CT=", true},        {"D1=U2", true},       {"D2=\\", true},      {"D3=", true},
      {"D4=P1", false},     {"D0=U1", false},      {"D2", false},        {"TF=<", true},
      {"TT=x", true},       {"LF=", true},         {"LT=\\", true},      {"NF=a", true},
      {"NT=b", true},       {"V=Amount*2", true},  {"VB=Qty+1", true},   {"V2=A+B", true},
      {"VC=1", false},      {"V=(((", true},       {"V=1+", true},       {"CB=abc", false},
      {"Q", false},         {"AB", false},         {"X", false},         {"V=", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Transform_parseOption(&transform, c.token), c.taken) << c.token;
    PendingErrorClear();
  }
  EXPECT_EQ(transform.copyMode, 1);
  EXPECT_EQ(transform.targets[0], base->FindComponentByKey(0, "U2", -1));
  EXPECT_EQ(transform.targets[1], 1);  // removed: the root
  EXPECT_EQ(transform.targets[2], -1);
  EXPECT_EQ(transform.sourceEnd, PackDate(2024, 1, 31));  // an upper bound
  EXPECT_EQ(transform.targetStart, PackDate(2024, 2, 1));
  // "V2=A+B": the column letters stand for the value names.
  EXPECT_STREQ(transform.expressions[1], "Amount+Qty");
  EXPECT_EQ(transform.programs[0], nullptr);  // "V=" cleared value 1 again
  ASSERT_TRUE(Transform_parseOption(&transform, "V=A*3+T"));
  EXPECT_STREQ(transform.expressions[0], "Amount*3+T");
  EXPECT_EQ(transform.tUsed, 1);
}

TEST_F(TransformTest, DatesMapLinearlyAndTIsThePositionInTheSourceRange) {
  T_Cards* window = Open();
  const struct {
    std::initializer_list<const char*> tokens;
    PackedDate from;
    PackedDate to;
  } cases[] = {
      {{"CF=240101", "CT=240301"}, PackDate(2024, 1, 16), PackDate(2024, 1, 31)},
      {{"CF=240201"}, PackDate(2024, 1, 1), PackDate(2024, 2, 1)},        // a shift of 31 days
      {{"CF=240201"}, PackDate(2024, 1, 31), PackDate(2024, 3, 2)},
      {{"CT=240301"}, PackDate(2024, 1, 31), PackDate(2024, 3, 1)},       // the last card lands
      {{"CT=240131"}, PackDate(2024, 1, 16), PackDate(2024, 1, 16)},      // no map
      {{"CB=240116", "CE=240116", "CF=240201", "CT=240301"}, PackDate(2024, 1, 16),
       PackDate(2024, 1, 16)},                                            // one-day source
  };
  for (const auto& c : cases) {
    T_Transform transform(window);
    for (const char* token : c.tokens) ASSERT_TRUE(Transform_parseOption(&transform, token));
    transform.Prepare();
    EXPECT_EQ(transform.MapDate(c.from), c.to) << *c.tokens.begin();
  }
  T_Transform transform(window);
  transform.Prepare();
  transform.ComputeT(PackDate(2024, 1, 16));
  EXPECT_DOUBLE_EQ(transform.t, 0.5);
  ASSERT_TRUE(Transform_parseOption(&transform, "CB=240116"));
  ASSERT_TRUE(Transform_parseOption(&transform, "CE=240116"));
  transform.Prepare();
  transform.ComputeT(PackDate(2024, 1, 16));
  EXPECT_EQ(transform.t, 0.0);
}

TEST_F(TransformTest, AMapPastTheSupportedYearsChangesNothing) {
  T_Cards* window = Open();
  std::string before = Cards();
  // The last card would pass 2069; reversed, the first card would.
  const struct {
    std::initializer_list<const char*> tokens;
    const char* named;
  } cases[] = {{{"CF=691220"}, "240131"},
               {{"CB=240116", "CE=240131", "CF=691231", "CT=240116"}, "240101"}};
  for (const auto& c : cases) {
    T_Transform transform(window);
    for (const char* token : c.tokens) ASSERT_TRUE(Transform_parseOption(&transform, token));
    EXPECT_FALSE(Transform_run(&transform)) << c.named;
    EXPECT_EQ(PendingError.request.message, kErrorTransformDate);
    T_TextBuf text;
    AlertFormatText(&PendingError.request, &text);
    EXPECT_NE(std::string(text.c_str()).find(c.named), std::string::npos) << text.c_str();
    PendingErrorClear();
  }
  EXPECT_EQ(Cards(), before);
}

TEST_F(TransformTest, ValueRulesWriteOnlyChangedValuesAndCopiesWriteEveryColumn) {
  T_Transform transform(Open());
  transform.Prepare();
  const struct {
    const char* expression;
    double in;
    double out;
    bool changed;
  } cases[] = {
      {"Amount*2", 3, 6, true}, {"Amount", 3, 3, false},  // equal to the name: no rule
      {"Amount*1", 3, 3, false}, {"0", NAN, 0, true},     // NaN counts as a difference
      {"1/0", 5, 0, true},                                // not finite: 0
      {"T+1", 5, 1, true},
  };
  for (const auto& c : cases) {
    T_TextBuf text(c.expression);
    ASSERT_TRUE(transform.SetField(kTransformFirstValue, &text)) << c.expression;
    double values[2] = {c.in, 7};
    EXPECT_EQ(transform.ComputeValues(values, false), c.changed) << c.expression;
    EXPECT_EQ(values[0], c.out) << c.expression;
    EXPECT_EQ(values[1], 7);
  }
  T_TextBuf bad("(1+");
  T_TextBuf ok("Qty");
  ASSERT_TRUE(transform.SetField(kTransformFirstValue + 1, &ok));
  EXPECT_EQ(transform.programs[1], nullptr);
}

TEST_F(TransformTest, CardScopeInPlaceRewritesTitlesTextsValuesAndDates) {
  T_Cards* window = Open(kContentsNone, kContentsNone);
  ASSERT_TRUE(Transform(window, {"TF=<", "TT=New ", "LF=Share", "LT=Part", "V=Amount*2",
                                 "CF=240201", "D2=5"}));
  EXPECT_EQ(Cards(),
            "##Cards\n-LN\t2\n\n"
            "C240201-1\tNew Rent January\nS2405061020TST\n"
            "GU1\nL2000\t1\tRent\t5\tP1\nL-2000\t0\tPaid\t5\nGU2\nL500\t0\tPart\t5\n\n"
            "C240216-1\tNew Mid\nN2401161200AK\tNote\nS2401161100AK\t2405061020TST\n"
            "GU2\nL500\t0\tPart\t5\n\n"
            "C240302-1\tNew Sale\nS2405061020TST\nGU1\nL-800\t0\tSold\t5\n\n");
}

TEST_F(TransformTest, StampOptionsAloneClearOnlyTheirStamps) {
  const struct {
    const char* token;
    const char* stamps;
  } cases[] = {
      {"XE", "S2401161100AK\t\t\t2401180900AP"},
      {"XA", "S2401161100AK\t\t2401170900EX"},
  };
  for (const auto& c : cases) {
    DeleteBase(base, kCloseSilently);
    base = Read(kFixture);
    ASSERT_TRUE(Transform(Open(kContentsNone, kContentsNone), {c.token})) << c.token;
    std::string cards = Cards();
    EXPECT_NE(cards.find(std::string("C240116-1\tMid\nN2401161200AK\tNote\n") + c.stamps + "\n"),
              std::string::npos)
        << c.token << "\n"
        << cards;
  }
  // "XR" clears created and changed (the file then carries no stamp line); the review stamps stay.
  DeleteBase(base, kCloseSilently);
  base = Read(kFixture);
  ASSERT_TRUE(Transform(Open(kContentsNone, kContentsNone), {"XR"}));
  CardId mid{PackDate(2024, 1, 16), 1};
  CardRecord* card = FindCardAtOrBefore(base, &mid);
  EXPECT_EQ(card->created.stamp, 0u);
  EXPECT_NE(card->examined.stamp, 0u);
  EXPECT_NE(card->approved.stamp, 0u);
  DeleteBase(base, kCloseSilently);
  base = Read(kFixture);
  ASSERT_TRUE(Transform(Open(kContentsNone, kContentsNone), {"XN"}));
  EXPECT_NE(Cards().find("C240116-1\tMid\nN\tNote\n"), std::string::npos) << Cards();
}

TEST_F(TransformTest, ARefusedSignatureChangesNothing) {
  std::string before = Cards();
  refuseSignature = true;
  EXPECT_FALSE(Transform(Open(), {"TT=x"}));
  EXPECT_EQ(Cards(), before);
  // "XR" takes no stamp, so it runs without one.
  EXPECT_TRUE(Transform(Open(), {"XR", "TF=Mid", "TT=Middle"}));
  EXPECT_NE(Cards().find("C240116-1\tMiddle\n"), std::string::npos);
}

TEST_F(TransformTest, CardScopeCopiesAddCardsAndKeepTheSource) {
  T_Cards* window = Open(kContentsNone, kContentsNone, "Sold");
  ASSERT_TRUE(Transform(window, {"A", "CF=240205", "D1=U2", "V=Amount+1", "LT=Copy"}));
  EXPECT_EQ(Cards(),
            "##Cards\n-LN\t2\n\n"
            "C240101-1\tRent January\nGU1\nL1000\t1\tRent\t5010\tP1\nL-1000\t0\tPaid\t1910\n"
            "GU2\nL250\t0\tShare\t5010\n\n"
            "C240116-1\tMid\nN2401161200AK\tNote\nS2401161100AK\t\t2401170900EX\t2401180900AP\n"
            "GU2\nL250\t0\tShare\t5010\n\n"
            "C240131-1\tSale\nGU1\nL-400\t0\tSold\t3010\n\n"
            "C240205-1\tSale\nS2405061020TST\nGU2\nL-399\t0\tCopy\t3010\n\n");
}

TEST_F(TransformTest, GroupScopeMovesGroupsAndCopiesAGroupIntoItselfOnce) {
  // Groups selected, lines all: scope 1. In place, U1 groups move into U2.
  ASSERT_TRUE(Transform(Open(kContentsSelected, kContentsAll), {"D1=U2"}));
  std::string moved = Cards();
  EXPECT_NE(moved.find("C240101-1\tRent January\nS2405061020TST\n"
                       "GU2\nL250\t0\tShare\t5010\nL1000\t1\tRent\t5010\tP1\n"
                       "L-1000\t0\tPaid\t1910\n\n"),
            std::string::npos)
      << moved;
  EXPECT_NE(moved.find("C240131-1\tSale\nS2405061020TST\nGU2\nL-400\t0\tSold\t3010\n"),
            std::string::npos)
      << moved;
  // A copy of every group into itself adds each old line once.
  DeleteBase(base, kCloseSilently);
  base = Read(kFixture);
  ASSERT_TRUE(Transform(Open(kContentsSelected, kContentsAll, "Sold"), {"A", "V=Amount*10"}));
  EXPECT_NE(Cards().find("C240131-1\tSale\nS2405061020TST\n"
                         "GU1\nL-400\t0\tSold\t3010\nL-4000\t0\tSold\t3010\n\n"),
            std::string::npos)
      << Cards();
}

TEST_F(TransformTest, LineScopeMovesListedLinesToANewCardWhenTheTitleChanges) {
  // Only the "Paid" line is listed; a title rule gives a new card that takes it.
  ASSERT_TRUE(Transform(Open(kContentsSelected, kContentsSelected, "Paid"),
                        {"TT=Payments", "D1=U2"}));
  EXPECT_EQ(Cards(),
            "##Cards\n-LN\t2\n\n"
            "C240101-1\tRent January\nS2405061020TST\n"
            "GU1\nL1000\t1\tRent\t5010\tP1\nGU2\nL250\t0\tShare\t5010\n\n"
            "C240101-2\tPayments\nS2405061020TST\nGU2\nL-1000\t0\tPaid\t1910\n\n"
            "C240116-1\tMid\nN2401161200AK\tNote\nS2401161100AK\t\t2401170900EX\t2401180900AP\n"
            "GU2\nL250\t0\tShare\t5010\n\n"
            "C240131-1\tSale\nGU1\nL-400\t0\tSold\t3010\n\n");
  // As copies the lines stay and copies go to the same card when no card rule is given.
  DeleteBase(base, kCloseSilently);
  base = Read(kFixture);
  ASSERT_TRUE(Transform(Open(kContentsSelected, kContentsSelected, "Sold"), {"A", "LT=Again"}));
  EXPECT_NE(Cards().find("GU1\nL-400\t0\tSold\t3010\nL-400\t0\tAgain\t3010\n"),
            std::string::npos)
      << Cards();
}

TEST_F(TransformTest, NoMatchLeavesTheCardUnstamped) {
  std::string before = Cards();
  ASSERT_TRUE(Transform(Open(kContentsNone, kContentsNone), {"LF=nothing", "LT=x", "TF=zzz"}));
  EXPECT_EQ(Cards(), before);
}

TEST_F(TransformTest, TheCommandFeedsTokensAndRefusesUnknownOnes) {
  auto* templ = new T_CardsTmpl(base);
  templ->SetDefaults();
  ASSERT_TRUE(StoreTemplate(base, templ, "All cards"));
  base->RunCommandText("transform \"All cards\" TF=Sale TT=Deal LF=Sold LT=Sale V=Amount/2\n",
                       "test");
  // Rows of lines with a title rule: the lines go to a new card, and the emptied card goes.
  EXPECT_NE(Cards().find("C240131-2\tDeal\nS2405061020TST\nGU1\nL-200\t0\tSale\t3010\n"),
            std::string::npos)
      << Cards();
  std::string before = Cards();
  base->RunCommandText("transform \"All cards\" TT=Never Q=1\n", "test");
  EXPECT_EQ(Cards(), before);
}

TEST(FormulaMenu, FortyEntriesWithSeparatorsAndDescriptions) {
  int32_t separators = 0;
  for (int32_t entry = 0; entry < kFormulaMenuCount; ++entry) {
    T_TextBuf text;
    int32_t description = GetFormulaMenuItem(entry, &text);
    if (description == 0) {
      ++separators;
      EXPECT_EQ(text.length, 0);
    } else {
      EXPECT_GT(text.length, 0);
    }
  }
  EXPECT_EQ(separators, 6);
  T_TextBuf text("x");
  EXPECT_EQ(GetFormulaMenuItem(7, &text), 6167);
  EXPECT_STREQ(text.c_str(), "xsqrt");
  EXPECT_EQ(GetFormulaMenuItem(40, &text), 0);
}

}  // namespace
}  // namespace operations_test

namespace operations_test {
namespace {

TEST_F(TransformTest, TheDialogFieldsOfferTheirTokensAndShowRefusedExpressions) {
  T_Transform dialog(Open());
  BuildTransformControls(&dialog);
  T_TransEdit* from = dialog.fields[kTransformTitleFrom];
  T_TransEdit* to = dialog.fields[kTransformTitleFrom + 1];
  T_TransEdit* value = dialog.fields[kTransformFirstValue];
  ASSERT_NE(from, nullptr);
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(dialog.fields[kTransformSourceStart]->GetTextLength(), 6);  // the first listed card
  T_TextBuf inserted, label;
  const char* fromTokens[] = {"<", ">", "\\", "\xC2\xAC\\"};
  ASSERT_EQ(from->EntryCount(), 4);
  for (int32_t i = 0; i < 4; ++i) {
    from->EntryText(i, &inserted, &label);
    EXPECT_STREQ(inserted.c_str(), fromTokens[i]);
    EXPECT_GT(label.length, 0);
  }
  to->EntryText(0, &inserted, &label);
  EXPECT_STREQ(inserted.c_str(), "\\");
  value->popupMode = kPopupModeToken;
  ASSERT_EQ(value->EntryCount(), 4);  // "T", a separator, the two value names
  value->EntryText(0, &inserted, &label);
  EXPECT_STREQ(inserted.c_str(), "T");
  value->EntryText(1, &inserted, &label);
  EXPECT_EQ(inserted.length, 0);
  value->EntryText(3, &inserted, &label);
  EXPECT_STREQ(inserted.c_str(), "Qty");
  value->popupMode = kPopupModeOperator;
  EXPECT_EQ(value->EntryCount(), kFormulaMenuCount);
  // A good expression is taken; one the compiler refuses leaves the old one and shows why.
  T_TextBuf text("Amount * 3");
  dialog.OnEditText(&text, value);
  ASSERT_NE(dialog.programs[0], nullptr);
  ExprProgram* kept = dialog.programs[0];
  std::string many = "Qty";
  for (int32_t i = 0; i < 1100; ++i) many += "+Qty";  // too long a program
  T_TextBuf deep(many.c_str());
  dialog.OnEditText(&deep, value);
  EXPECT_EQ(dialog.programs[0], kept);
  EXPECT_NE(std::string(deep.c_str()), many);  // the compiler's message
}

TEST_F(TransformTest, TheDialogOverAHiddenWindowRunsItsDefaultButton) {
  T_Cards* window = Open();
  std::string before = Cards();
  OpenTransformDialog(window);  // no rule: nothing changes
  EXPECT_EQ(Cards(), before);
}

}  // namespace
}  // namespace operations_test
