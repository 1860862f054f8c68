// Letter-case rules, the dimension record's flags on code 11, and the components the data uses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/bit_vector.h"
#include "core/owned_text.h"
#include "database/change_notes.h"
#include "database/component_lookup.h"
#include "tests/database/components/components_fixture.h"

namespace components_test {
namespace {

using ComponentRulesTest = ComponentsTest;

TEST_F(ComponentRulesTest, CaseRulesRewriteTextsRekeyIndexesAndAnnounce) {
  ComponentRecord* c = Add(1, "Ab", "sales north", "hq 1");
  DimensionRecord* dimension = base->dimensions[1];
  struct Case {
    void (*set)(DimensionRecord*, int32_t);
    int32_t rule;
    int32_t style;
    const char* code;
    const char* text;
    const char* host;
    std::vector<Note> notes;
  } cases[] = {
      {SetCodeCase, 1, 3, "ab", "sales north", "hq 1", {{19, 1, 0}, {18, 1, 0}}},
      {SetCodeCase, 1, 3, "ab", "sales north", "hq 1", {}},  // unchanged
      {SetCodeCase, 2, 3, "ab", "sales north", "hq 1", {}},  // not a rule for codes
      {SetCodeCase, 4, 3, "ab", "sales north", "hq 1", {{19, 1, 0}}},
      {SetCodeCase, 0, 2, "AB", "sales north", "hq 1", {{19, 1, 0}}},  // style hides codes
      {SetTextCase, 3, 3, "AB", "Sales North", "hq 1", {{20, 1, 0}, {18, 1, 0}}},
      {SetTextCase, 1, 0, "AB", "sales north", "hq 1", {{20, 1, 0}}},
      {SetTextCase, 6, 3, "AB", "sales north", "hq 1", {}},  // no such rule
      {SetHostCase, 0, 3, "AB", "sales north", "HQ 1", {{21, 1, 0}}},
      {SetHostCase, 2, 6, "AB", "sales north", "Hq 1", {{21, 1, 0}, {18, 1, 0}}},
      {SetHostCase, 4, 6, "AB", "sales north", "Hq 1", {{21, 1, 0}}},
  };
  for (const Case& k : cases) {
    dimension->displayStyle = k.style;
    recorder->notes.clear();
    k.set(dimension, k.rule);
    EXPECT_STREQ(c->code, k.code) << k.rule;
    EXPECT_STREQ(c->text, k.text) << k.rule;
    EXPECT_STREQ(c->hostCode, k.host) << k.rule;
    EXPECT_EQ(recorder->notes, k.notes) << k.code << " " << k.rule;
  }
  // The indexes follow their rules: host codes are now exact, codes ignore case again.
  EXPECT_EQ(FindByCode(base, 1, "ab"), c);
  EXPECT_EQ(FindByHostCode(base, 1, "Hq 1"), c);
  EXPECT_EQ(FindByHostCode(base, 1, "HQ 1"), nullptr);
  // New components take the rules.
  ComponentRecord* added = Add(1, "cd", "big DEAL", "x");
  EXPECT_STREQ(added->code, "CD");
  EXPECT_STREQ(added->text, "big deal");
}

TEST_F(ComponentRulesTest, ExactCodesMayDifferOnlyInCase) {
  SetCodeCase(base->dimensions[2], 4);
  ComponentRecord* lower = Add(2, "ab");
  ComponentRecord* upper = Add(2, "AB");
  ASSERT_NE(upper, lower);
  EXPECT_EQ(FindByCode(base, 2, "ab"), lower);
  EXPECT_EQ(FindByCode(base, 2, "AB"), upper);
  EXPECT_EQ(FindByCode(base, 2, "Ab"), nullptr);
  SetCodeCaseLetter(base->dimensions[2], 'Q');  // not a rule letter
  EXPECT_EQ(base->dimensions[2]->codeCase, 4);
  SetTextCaseLetter(base->dimensions[2], 'W');
  EXPECT_EQ(base->dimensions[2]->textCase, 3);
  SetHostCaseLetter(base->dimensions[2], 'S');
  EXPECT_EQ(base->dimensions[2]->hostCase, 4);
}

TEST_F(ComponentRulesTest, CodeElevenSendsOnlyTheFlagThatChanged) {
  DimensionRecord* dimension = base->dimensions[2];
  auto codeEleven = [&](int32_t d) {
    recorder->notes.clear();
    ChangeNote note;
    note.code = kChangeComponentsRebuilt;
    note.database = base;
    note.index = d;
    DimensionRecordOnChange(dimension, &note);
    return recorder->notes;
  };
  EXPECT_EQ(codeEleven(2), std::vector<Note>{});
  ComponentRecord* c = Add(2, "A");
  EXPECT_EQ(codeEleven(3), std::vector<Note>{});  // another dimension's note
  EXPECT_EQ(codeEleven(2), (std::vector<Note>{{14, 2, 1}, {15, 2, 1}}));
  EXPECT_EQ(codeEleven(2), std::vector<Note>{});
  dimension->displayStyle = 5;  // keeps the dimension in use without components
  BitVector set;
  BitVecInit(&set, base->componentPool.count, 0);
  BitVecFill(&set, false);
  BitVecSet(&set, c->number, true);
  DeleteMarkedComponents(base, &set, 2);
  BitVecFree(&set);
  EXPECT_EQ(codeEleven(2), (std::vector<Note>{{15, 2, 0}}));
  dimension->displayStyle = 3;
  EXPECT_EQ(codeEleven(2), (std::vector<Note>{{14, 2, 0}}));
}

TEST_F(ComponentRulesTest, DimensionIsUsedByComponentsOrOptions) {
  EXPECT_FALSE(base->IsDimUsed(6));
  DimensionRecord* dimension = base->dimensions[6];
  dimension->optionX = 1;  // does not count
  EXPECT_FALSE(base->IsDimUsed(6));
  struct Case {
    int32_t DimensionRecord::*field;
    int32_t value;
  } options[] = {
      {&DimensionRecord::codeCase, 4},    {&DimensionRecord::textCase, 0},
      {&DimensionRecord::hostCase, 4},    {&DimensionRecord::displayStyle, 6},
      {&DimensionRecord::optionI, 0},     {&DimensionRecord::codeWidth, 100},
      {&DimensionRecord::textWidth, 100}, {&DimensionRecord::hostWidth, 100},
  };
  for (const Case& option : options) {
    int32_t old = dimension->*option.field;
    dimension->*option.field = option.value;
    EXPECT_TRUE(base->IsDimUsed(6)) << option.value;
    dimension->*option.field = old;
  }
  dimension->plural = StrDup("Things");
  EXPECT_TRUE(base->IsDimUsed(6));
  BlockTextFree(&dimension->plural);
  Add(6, "X");
  EXPECT_TRUE(base->IsDimUsed(6));
  EXPECT_TRUE(base->HasSubComponents(6));
  EXPECT_TRUE(CompHook_HasSubComponents(base, 6));
  EXPECT_FALSE(CompHook_HasSubComponents(base, 7));
}

TEST_F(ComponentRulesTest, MarkUsedComponentsSetsWhatGroupsAndLinesReferTo) {
  ComponentRecord* a = Add(1, "A");
  Add(1, "B");  // used by nothing
  ComponentRecord* c = Add(1, "C");
  ComponentRecord* groupKey = Add(0, "G");
  Add(0, "H");
  Add(5, "Z");  // a dimension without a line slot
  CardRecord* card = AddHandCard(base, PackDate(2020, 5, 4));
  GroupRecord* group = AddHandGroup(base, card, groupKey->number);
  AddHandLine(base, group, {a->number});
  AddHandLine(base, group, {1});  // no component
  GroupRecord* second = AddHandGroup(base, AddHandCard(base, PackDate(2020, 5, 5)), 0);
  AddHandLine(base, second, {c->number});

  BitVector set;
  auto marked = [&](int32_t d) {
    base->MarkUsedComponents(&set, d);
    EXPECT_EQ(set.count, base->componentPool.count);
    std::string codes;
    for (int64_t i = BitVecNextSet(&set, -1); i >= 0; i = BitVecNextSet(&set, i))
      codes += std::string(codes.empty() ? "" : " ") + ComponentAt(base, i)->code;
    return codes;
  };
  EXPECT_EQ(marked(1), "A C");
  EXPECT_EQ(marked(0), "G");
  EXPECT_EQ(marked(5), "");
  EXPECT_EQ(marked(3), "");
  BitVecFree(&set);
}

}  // namespace
}  // namespace components_test
