// Groups and lines: creation with defaults, removal, the batch deletion, and the line layout as
// the value count, the dimensions with sub-components and the reference width change.
#include <cmath>

#include "database/model_links.h"
#include "tests/database/cards/cards_fixture.h"

namespace {

// Everything a line holds, to compare before and after a re-layout.
struct LineImage {
  int64_t number;
  std::string text;
  std::vector<double> values;
  std::vector<int64_t> components;
};

class LinesTest : public CardsTest {
 protected:
  std::vector<LineImage> Images() {
    std::vector<LineImage> images;
    for (CardRecord* card : Chain())
      for (GroupRecord* g = card->firstGroup; g; g = g->next)
        for (LineRecord* line : Lines(g)) {
          LineImage image{line->number, line->text ? line->text : "", {}, {}};
          for (int32_t i = 0; i < base->valueCount; ++i)
            image.values.push_back(base->GetLineValue(line, i));
          for (int32_t s = 0; s < base->lineSlots; ++s)
            image.components.push_back(base->GetLineComponent(line, s));
          images.push_back(image);
        }
    return images;
  }
  // Cards with groups and lines whose values and components differ line by line.
  void Fill(int32_t cards, int32_t linesPerCard, int64_t componentBase) {
    int32_t k = 0;
    for (int32_t c = 0; c < cards; ++c) {
      CardRecord* card = Card(Day(2012, 1 + c % 12, 1 + c % 28), 0);
      for (int32_t l = 0; l < linesPerCard; ++l, ++k) {
        std::vector<double> values;
        for (int32_t i = 0; i < base->valueCount; ++i) values.push_back(k * 10.0 + i);
        std::vector<int64_t> components;
        for (int32_t s = 0; s < base->lineSlots; ++s) components.push_back(componentBase + k + s);
        Line(card, 32 + l % 3, values, components, ("line " + std::to_string(k)).c_str());
      }
    }
  }
  void ExpectLayout() {
    EXPECT_EQ(base->referenceOffset, 24 + 8 * base->valueCount);
    EXPECT_EQ(base->linePool.width,
              LineRecordWidth(base->valueCount, base->lineSlots, base->referenceWidth));
  }
};

void ExpectSame(const std::vector<LineImage>& before, const std::vector<LineImage>& after,
                size_t values, size_t components) {
  ASSERT_EQ(before.size(), after.size());
  for (size_t i = 0; i < before.size(); ++i) {
    EXPECT_EQ(before[i].number, after[i].number);
    EXPECT_EQ(before[i].text, after[i].text);
    for (size_t v = 0; v < values; ++v) EXPECT_EQ(before[i].values[v], after[i].values[v]);
    for (size_t s = 0; s < components; ++s)
      EXPECT_EQ(before[i].components[s], after[i].components[s]);
  }
}

TEST_F(LinesTest, NewLinesTakeTheDefaults) {
  SetValueCount(base, 2);
  base->defaultValues[0] = 4.5;
  base->defaultValues[1] = -1;
  base->defaultComponents[1] = 40;
  CardRecord* card = Card(Day(2012, 1, 1), 1);
  GroupRecord* group = base->FindOrAddGroup(card, 33);
  EXPECT_EQ(base->FindOrAddGroup(card, 33), group);
  LineRecord* line = CreateLine(base, group);
  EXPECT_EQ(base->GetLineValue(line, 0), 4.5);
  EXPECT_EQ(base->GetLineValue(line, 1), -1);
  EXPECT_EQ(base->GetLineComponent(line, 0), 40);
  EXPECT_EQ(base->GetLineComponent(line, 5), 6);  // a slot the lines lack: the root
  EXPECT_EQ(line->text, nullptr);
  SetLineText(line, "net\tsum\n");
  EXPECT_STREQ(line->text, "net sum ");
  int64_t components[1] = {40};
  EXPECT_TRUE(base->LineComponentsEqual(line, components));
  components[0] = 41;
  base->SetLineComponents(line, components);
  EXPECT_EQ(base->GetLineComponent(line, 0), 41);
}

TEST_F(LinesTest, RemovingTheOnlyLineDeletesTheCard) {
  CardRecord* card = Card(Day(2012, 1, 1), 1);
  LineRecord* line = Line(card, 0);
  EXPECT_EQ(RemoveLine(base, card, card->firstGroup, line), nullptr);
  EXPECT_EQ(base->cardCount, 0);
  EXPECT_EQ(base->groupCount, 0);
  EXPECT_EQ(base->lineCount, 0);
  EXPECT_EQ(base->dateNodeCount, 0);

  CardRecord* kept = Card(Day(2012, 1, 1), 1);
  LineRecord* a = Line(kept, 0);
  LineRecord* b = Line(kept, 5);
  EXPECT_EQ(a, line);  // the freed record comes back first
  EXPECT_EQ(RemoveLine(base, kept, kept->firstGroup, a), kept);
  EXPECT_EQ(kept->firstGroup->firstLine, b);
  CheckIndex();
}

TEST_F(LinesTest, GroupsMergeAndGo) {
  CardRecord* card = Card(Day(2012, 1, 1), 1);
  LineRecord* a = Line(card, 0);
  Line(card, 1);
  LineRecord* c = Line(card, 2);
  base->FindOrAddGroup(card, 3);  // empty
  GroupRecord* first = card->firstGroup;
  MergeGroups(base, first);
  EXPECT_EQ(first->next, nullptr);
  EXPECT_EQ(Lines(first).size(), 3u);
  EXPECT_EQ(first->firstLine, a);
  EXPECT_EQ(first->lastLine, c);
  EXPECT_EQ(base->groupCount, 1);
  EXPECT_EQ(RemoveGroup(base, card, first), nullptr);
  EXPECT_EQ(base->lineCount, 0);
  EXPECT_EQ(base->cardCount, 0);
}

TEST_F(LinesTest, MarkedLinesGoWithTheirEmptyGroupsAndCard) {
  CardRecord* card = Card(Day(2012, 1, 1), 1);
  std::vector<LineRecord*> lines;
  for (int32_t i = 0; i < 6; ++i) lines.push_back(Line(card, i / 3));
  BitVector marked;
  BitVecInit(&marked, 6, 0);
  BitVecFill(&marked, false);
  for (int32_t i : {0, 2, 3, 4, 5}) BitVecSet(&marked, lines[i]->number, true);
  EXPECT_EQ(DeleteMarkedLines(base, card, &marked), 5);
  ASSERT_NE(card->firstGroup, nullptr);
  EXPECT_EQ(card->firstGroup->next, nullptr);
  EXPECT_EQ(card->firstGroup->firstLine, lines[1]);
  EXPECT_EQ(card->firstGroup->lastLine, lines[1]);
  BitVecSet(&marked, lines[1]->number, true);
  EXPECT_EQ(DeleteMarkedLines(base, card, &marked), 1);
  EXPECT_EQ(base->cardCount, 0);
  BitVecFree(&marked);
}

TEST_F(LinesTest, BatchDeletionPrunesAndStampsEachCardOnce) {
  SignatureStamp stamp;
  ParseSignatureStamp(&stamp, "120301 14:00 QE");
  CardRecord* first = Card(Day(2012, 1, 1), 1);
  std::vector<LineRecord*> a;
  for (int32_t i = 0; i < 5; ++i) a.push_back(Line(first, 0, {double(i)}));
  LineRecord* lone = Line(first, 7);
  CardRecord* second = Card(Day(2012, 1, 2), 1);
  LineRecord* only = Line(second, 0);
  CardRecord* third = Card(Day(2012, 1, 3), 1);
  LineRecord* last = Line(third, 0);
  Line(third, 0);

  base->BeginLineDeletion(&stamp);
  base->DeleteLine(first, first->firstGroup, a[1]);
  base->DeleteLine(first, first->firstGroup, a[2]);
  base->DeleteLine(first, first->firstGroup, a[4]);
  GroupRecord* loneGroup = first->firstGroup->next;
  base->DeleteLine(first, loneGroup, lone);
  EXPECT_EQ(first->firstGroup->next, loneGroup);  // empty, but kept until the batch moves on
  base->DeleteLine(second, second->firstGroup, only);
  EXPECT_EQ(first->firstGroup->next, nullptr);  // pruned when the batch moved on
  EXPECT_TRUE(SignatureStampEqual(&first->created, &stamp));
  base->DeleteLine(third, third->firstGroup, last);
  EXPECT_EQ(base->cardCount, 2);  // the second card, left empty, went
  base->EndLineDeletion();
  EXPECT_TRUE(SignatureStampEqual(&third->created, &stamp));

  std::vector<LineRecord*> left = Lines(first->firstGroup);
  ASSERT_EQ(left.size(), 2u);
  EXPECT_EQ(left[0], a[0]);
  EXPECT_EQ(left[1], a[3]);
  EXPECT_EQ(first->firstGroup->lastLine, a[3]);
  EXPECT_EQ(base->lineCount, 3);
  CheckIndex();
}

TEST_F(LinesTest, LoweringTheValueCountKeepsEveryComponent) {
  AddComponent(3, "C");
  RecomputeLineSlots(base);
  SetValueCount(base, 3);
  ExpectLayout();
  Fill(30, 4, 100);
  std::vector<LineImage> before = Images();

  SetValueCount(base, 1);
  EXPECT_EQ(base->valueCount, 1);
  ExpectLayout();
  ExpectSame(before, Images(), 1, 3);

  SetValueCount(base, 4);
  ExpectLayout();
  std::vector<LineImage> after = Images();
  ExpectSame(before, after, 1, 3);
  for (const LineImage& image : after)
    for (int32_t i = 1; i < 4; ++i) EXPECT_EQ(image.values[i], 0.0);

  SetValueCount(base, 25);
  SetValueCount(base, 0);
  EXPECT_EQ(base->valueCount, 4);
  CheckIndex();
}

TEST_F(LinesTest, SlotsFollowTheHighestDimensionWithSubComponents) {
  Fill(20, 3, 200);
  std::vector<LineImage> before = Images();
  EXPECT_EQ(base->lineSlots, 1);

  AddComponent(4, "D");
  AddComponent(1, "A");  // dimension 1 never adds a slot of its own
  RecomputeLineSlots(base);
  EXPECT_EQ(base->lineSlots, 4);
  ExpectLayout();
  std::vector<LineImage> wide = Images();
  ExpectSame(before, wide, 1, 1);
  for (const LineImage& image : wide) {
    EXPECT_EQ(image.components[1], 2);
    EXPECT_EQ(image.components[2], 3);
    EXPECT_EQ(image.components[3], 4);
  }
  // New lines after the change get the new layout.
  CardRecord* card = Card(Day(2014, 1, 1), 1);
  Line(card, 0, {1}, {250, 251, 252, 253});

  AddComponent(2, "B");
  RecomputeLineSlots(base);
  EXPECT_EQ(base->lineSlots, 4);
  // Dimension 4 loses its only component: down to dimension 2.
  Component(4)->firstChild = nullptr;
  RecomputeLineSlots(base);
  EXPECT_EQ(base->lineSlots, 2);
  ExpectLayout();
  std::vector<LineImage> narrow = Images();
  narrow.pop_back();  // the late card's line
  ExpectSame(before, narrow, 1, 1);
  LineRecord* late = card->firstGroup->firstLine;
  EXPECT_EQ(base->GetLineComponent(late, 1), 251);
  EXPECT_EQ(base->GetLineComponent(late, 3), 4);
  CheckIndex();
}

TEST_F(LinesTest, RaisingTheWidthKeepsComponentsAndValues) {
  AddComponent(5, "E");
  RecomputeLineSlots(base);
  SetValueCount(base, 2);
  Fill(40, 5, 65000);  // references up to 65000 + 200 + 4: the last ones need three bytes later
  std::vector<LineImage> before = Images();
  CardRecord* card = Chain()[0];
  int64_t freed = card->firstGroup->firstLine->number;
  RemoveLine(base, card, card->firstGroup, card->firstGroup->firstLine);
  before.erase(before.begin());

  ASSERT_TRUE(RaiseReferenceWidth(base, 3));
  EXPECT_EQ(base->referenceWidth, 3);
  ExpectLayout();
  ExpectSame(before, Images(), 2, 5);
  LineRecord* line = Chain()[1]->firstGroup->firstLine;
  int64_t kept = base->GetLineComponent(line, 4);
  base->SetLineComponent(line, 4, 0x123456);
  EXPECT_EQ(base->GetLineComponent(line, 4), 0x123456);
  base->SetLineComponent(line, 4, kept);

  ASSERT_TRUE(RaiseReferenceWidth(base, 4));
  ASSERT_TRUE(RaiseReferenceWidth(base, 2));  // never narrower
  EXPECT_EQ(base->referenceWidth, 4);
  ExpectLayout();
  ExpectSame(before, Images(), 2, 5);
  EXPECT_FALSE(RaiseReferenceWidth(base, 5));
  // The free list survived the re-layouts.
  EXPECT_EQ(Line(card, 9)->number, freed);
  CheckIndex();
}

TEST_F(LinesTest, ARelayoutWithoutMemoryLeavesTheOldLayout) {
  AddComponent(3, "C");
  RecomputeLineSlots(base);
  Fill(5000, 1, 40);  // two pages of lines
  std::vector<LineImage> before = Images();
  SetHeapFailHook([](size_t size) { return size < 100000; });  // no new line page
  EXPECT_FALSE(RaiseReferenceWidth(base, 3));
  EXPECT_TRUE(AbortRequested());
  SetValueCount(base, 5);
  AddComponent(6, "F");
  RecomputeLineSlots(base);
  SetHeapFailHook(nullptr);
  PendingErrorClear();
  EXPECT_EQ(base->referenceWidth, 2);
  EXPECT_EQ(base->valueCount, 1);
  EXPECT_EQ(base->lineSlots, 3);
  ExpectLayout();
  ExpectSame(before, Images(), 1, 3);
  RecomputeLineSlots(base);  // memory back: the change goes through
  EXPECT_EQ(base->lineSlots, 6);
  CheckIndex();
}

TEST_F(LinesTest, DeletedComponentsLeaveTheirRoots) {
  AddComponent(2, "B");
  RecomputeLineSlots(base);
  CardRecord* card = Card(Day(2012, 1, 1), 1);
  LineRecord* a = Line(card, 40, {}, {50, 60});
  LineRecord* b = Line(card, 41, {}, {51, 61});
  BitVector deleted;
  BitVecInit(&deleted, 64, 0);
  BitVecFill(&deleted, false);
  BitVecSet(&deleted, 40, true);
  BitVecSet(&deleted, 61, true);
  BitVecSet(&deleted, 50, true);

  ClearDeletedComponentReferences(base, 0, &deleted);
  EXPECT_EQ(card->firstGroup->component, 0);
  EXPECT_EQ(card->firstGroup->next->component, 41);
  EXPECT_EQ(base->GetLineComponent(a, 0), 50);  // dimension 0 touches groups only
  ClearDeletedComponentReferences(base, 2, &deleted);
  EXPECT_EQ(base->GetLineComponent(a, 1), 60);
  EXPECT_EQ(base->GetLineComponent(b, 1), 2);
  EXPECT_EQ(base->GetLineComponent(a, 0), 50);
  ClearDeletedComponentReferences(base, 1, &deleted);
  EXPECT_EQ(base->GetLineComponent(a, 0), 1);
  EXPECT_EQ(base->GetLineComponent(b, 0), 51);
  BitVecFree(&deleted);
}

TEST_F(LinesTest, ValueColumnsAreFoundByStoredNameOrNumber) {
  base->valueNames[2] = StrDup("Amount");
  base->valueNames[5] = StrDup("12");
  struct {
    const char* name;
    int32_t column;
  } cases[] = {{"amount", 2},   {"  AMOUNT\t", 2}, {"Am\x01ount", 2}, {"3", 2},     {"24", 23},
               {"12", 5},       {"25", -1},        {"0", -1},         {"", -1},     {"  ", -1},
               {"Value 2", -1}, {"2x", -1},        {"-1", -1},        {nullptr, -1}};
  for (const auto& c : cases)
    EXPECT_EQ(FindValueByName(base, c.name), c.column) << (c.name ? c.name : "null");
}

}  // namespace
