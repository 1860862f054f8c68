// Card ids, bounds, copying, moving, pruning and deleting cards, their stamps and the card-number
// digits.
#include "database/model_links.h"
#include "tests/database/cards/cards_fixture.h"

namespace {

TEST_F(CardsTest, NextAndPreviousIdsRollOverAtTheLargestNumber) {
  struct Case {
    int32_t digits;
    CardId id;
    CardId next;
    CardId previous;
  } cases[] = {
      {3, {Day(2012, 1, 31), 999}, {Day(2012, 2, 1), 1}, {Day(2012, 1, 31), 998}},
      {3, {Day(2012, 3, 1), 1}, {Day(2012, 3, 1), 2}, {Day(2012, 2, 29), 999}},
      {3, {Day(2011, 12, 31), 999}, {Day(2012, 1, 1), 1}, {Day(2011, 12, 31), 998}},
      {3, {Day(2012, 1, 1), 1}, {Day(2012, 1, 1), 2}, {Day(2011, 12, 31), 999}},
      {3, {Day(2012, 6, 30), 1000}, {Day(2012, 7, 1), 1}, {Day(2012, 6, 30), 999}},
      {1, {Day(2012, 4, 30), 9}, {Day(2012, 5, 1), 1}, {Day(2012, 4, 30), 8}},
      {2, {Day(2013, 2, 28), 99}, {Day(2013, 3, 1), 1}, {Day(2013, 2, 28), 98}},
      {4, {Day(2012, 5, 1), 0}, {Day(2012, 5, 1), 1}, {Day(2012, 4, 30), 9999}},
      {5, {Day(2012, 5, 31), 99999}, {Day(2012, 6, 1), 1}, {Day(2012, 5, 31), 99998}},
      {6, {Day(2012, 9, 1), 1}, {Day(2012, 9, 1), 2}, {Day(2012, 8, 31), 999999}},
      {7, {Day(2012, 9, 30), 9999999}, {Day(2012, 10, 1), 1}, {Day(2012, 9, 30), 9999998}},
      {8, {Day(2013, 1, 1), 1}, {Day(2013, 1, 1), 2}, {Day(2012, 12, 31), 99999999}},
      {9, {Day(2012, 12, 31), 999999999}, {Day(2013, 1, 1), 1}, {Day(2012, 12, 31), 999999998}},
  };
  for (const Case& c : cases) {
    base->cardDigits = c.digits;
    CardId next = c.id;
    base->GetNextCardId(&next);
    EXPECT_TRUE(CardIdEqual(&next, &c.next)) << c.digits << " " << c.id.sequence;
    CardId previous = c.id;
    base->GetPrevCardId(&previous);
    EXPECT_TRUE(CardIdEqual(&previous, &c.previous)) << c.digits << " " << c.id.sequence;
  }
}

TEST_F(CardsTest, IdBoundsAreTheCurrentYearWithoutCards) {
  SetClockSource([] {
    DateRecord now;
    now.year = 2013;
    now.month = 6;
    now.day = 15;
    now.precision = 5;
    return now;
  });
  CardId first, last;
  base->GetCardIdBound(&first, 0);
  base->GetCardIdBound(&last, 1);
  CardId expectedFirst{Day(2013, 1, 1), 1};
  CardId expectedLast{Day(2013, 12, 31), kCardSequenceOpen};
  EXPECT_TRUE(CardIdEqual(&first, &expectedFirst));
  EXPECT_TRUE(CardIdEqual(&last, &expectedLast));

  Card(Day(2011, 4, 2), 7);
  Card(Day(2010, 9, 9), 3);
  base->GetCardIdBound(&first, -5);
  base->GetCardIdBound(&last, 1);
  expectedFirst = CardId{Day(2010, 9, 9), 3};
  expectedLast = CardId{Day(2011, 4, 2), 7};
  EXPECT_TRUE(CardIdEqual(&first, &expectedFirst));
  EXPECT_TRUE(CardIdEqual(&last, &expectedLast));
}

TEST_F(CardsTest, DuplicateCopiesTextsNotesStampAndEveryLine) {
  AddComponent(2, "B");
  RecomputeLineSlots(base);
  ASSERT_EQ(base->lineSlots, 2);
  CardRecord* source = Card(Day(2012, 2, 1), 4);
  SetCardTitle(source, "Invoice");
  SetCardNotes(source, "paid\r\tlate");
  ParseSignatureStamp(&source->created, "120201 10:00 ABC");
  ParseSignatureStamp(&source->notesStamp, "120202 11:00 XY");
  ParseSignatureStamp(&source->approved, "120203 12:00 Z");
  Line(source, 40, {1.5}, {33, 34}, "first");
  Line(source, 40, {2.5}, {35, 2}, "second");
  Line(source, 41, {-1}, {1, 36});
  Card(Day(2012, 3, 1), 1);
  Card(Day(2012, 3, 1), 2);

  CardRecord* copy = DuplicateCard(base, source, Day(2012, 3, 1));
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->dayNumber, 3);
  EXPECT_STREQ(copy->title, "Invoice");
  EXPECT_STREQ(copy->notes, "paid\r\tlate");
  EXPECT_NE(copy->title, source->title);
  EXPECT_TRUE(SignatureStampEqual(&copy->notesStamp, &source->notesStamp));
  EXPECT_TRUE(SignatureStampIsEmpty(&copy->created));
  EXPECT_TRUE(SignatureStampIsEmpty(&copy->approved));
  const GroupRecord* from = source->firstGroup;
  const GroupRecord* to = copy->firstGroup;
  for (; from && to; from = from->next, to = to->next) {
    EXPECT_EQ(to->component, from->component);
    std::vector<LineRecord*> a = Lines(from), b = Lines(to);
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
      EXPECT_NE(a[i], b[i]);
      EXPECT_STREQ(a[i]->text, b[i]->text);
      EXPECT_EQ(base->GetLineValue(a[i], 0), base->GetLineValue(b[i], 0));
      for (int32_t slot = 0; slot < 2; ++slot)
        EXPECT_EQ(base->GetLineComponent(a[i], slot), base->GetLineComponent(b[i], slot));
    }
  }
  EXPECT_EQ(from, nullptr);
  EXPECT_EQ(to, nullptr);
  EXPECT_EQ(base->lineCount, 6);
  EXPECT_EQ(base->groupCount, 4);
  CheckIndex();
}

std::vector<std::pair<CardId, CardId>> renames;

TEST_F(CardsTest, MoveRenumbersAndReportsOnlyAPrintedIdChange) {
  renames.clear();
  SetCardRenameHook([](T_Base*, const CardId* oldId, const CardId* newId) {
    renames.push_back({*oldId, *newId});
  });
  CardRecord* moved = Card(Day(2012, 4, 1), 5);
  Card(Day(2012, 4, 2), 1);
  Card(Day(2012, 4, 2), 2);
  base->cardChangePending = 0;

  CardId id{Day(2012, 4, 2), 1};
  ASSERT_TRUE(MoveCard(base, moved, &id));
  EXPECT_EQ(id.sequence, 3);
  EXPECT_EQ(base->cardChangePending, 1);
  EXPECT_EQ(base->dateNodeCount, 1);  // the emptied date went
  ASSERT_EQ(renames.size(), 1u);
  EXPECT_EQ(renames[0].first.date, Day(2012, 4, 1));
  EXPECT_EQ(renames[0].second.sequence, 3);

  // Back onto its own number: the same id, nothing to rewrite.
  id = CardId{Day(2012, 4, 2), 3};
  ASSERT_TRUE(MoveCard(base, moved, &id));
  EXPECT_EQ(id.sequence, 3);
  // 1000 and 1001 both print as 999 with three digits.
  id = CardId{Day(2012, 4, 2), 1000};
  ASSERT_TRUE(MoveCard(base, moved, &id));
  size_t before = renames.size();
  id = CardId{Day(2012, 4, 2), 1001};
  ASSERT_TRUE(MoveCard(base, moved, &id));
  EXPECT_EQ(renames.size(), before);
  // The only card of its date moving within that date.
  CardRecord* alone = Card(Day(2012, 5, 5), 2);
  id = CardId{Day(2012, 5, 5), 1};
  ASSERT_TRUE(MoveCard(base, alone, &id));
  EXPECT_EQ(FindDateNode(base, Day(2012, 5, 5))->hintCard, alone);
  CheckIndex();
}

TEST_F(CardsTest, PruneDropsEmptyGroupsAndAnEmptyCard) {
  CardRecord* card = Card(Day(2012, 1, 9), 1);
  base->FindOrAddGroup(card, 0);
  Line(card, 40);
  base->FindOrAddGroup(card, 41);
  EXPECT_EQ(base->groupCount, 3);
  EXPECT_EQ(PruneCard(base, card), card);
  ASSERT_NE(card->firstGroup, nullptr);
  EXPECT_EQ(card->firstGroup->component, 40);
  EXPECT_EQ(card->firstGroup->next, nullptr);
  EXPECT_EQ(base->groupCount, 1);

  CardRecord* empty = Card(Day(2012, 1, 10), 1);
  base->FindOrAddGroup(empty, 7);
  EXPECT_EQ(PruneCard(base, empty), nullptr);
  EXPECT_EQ(base->cardCount, 1);
  EXPECT_EQ(base->groupCount, 1);
  EXPECT_EQ(base->dateNodeCount, 1);
  // Freed records are taken again before the pools grow.
  int64_t pooled = base->cardPool.count;
  EXPECT_EQ(Card(Day(2013, 1, 1), 1), empty);
  EXPECT_EQ(base->cardPool.count, pooled);
  CheckIndex();
}

TEST_F(CardsTest, DeletingMarkedAllAndCounting) {
  std::vector<CardRecord*> cards;
  for (int32_t i = 0; i < 1100; ++i) cards.push_back(Card(Day(2012, 1 + i % 12, 1 + i % 28), 0));
  for (int32_t i = 0; i < 10; ++i) Line(cards[i], 0);
  BitVector lines;
  BitVecInit(&lines, 20, 0);
  BitVecFill(&lines, false);
  for (int64_t n : {1, 3, 4, 9}) BitVecSet(&lines, n, true);
  EXPECT_EQ(CountCardsWithLines(base, &lines), 4);
  BitVecFree(&lines);

  BitVector marked;
  BitVecInit(&marked, cards[5]->number + 1, 0);
  BitVecFill(&marked, true);
  EXPECT_EQ(DeleteMarkedCards(base, &marked), 6);  // records beyond the set stay
  BitVecFree(&marked);
  EXPECT_EQ(base->cardCount, 1094);
  EXPECT_EQ(base->lineCount, 4);
  CheckIndex();

  EXPECT_EQ(DeleteAllCards(base), 1094);
  EXPECT_EQ(base->cardCount, 0);
  EXPECT_EQ(base->groupCount, 0);
  EXPECT_EQ(base->lineCount, 0);
  EXPECT_EQ(base->dateNodeCount, 0);
  EXPECT_EQ(base->sentinelCard->next, base->sentinelCard);
  CheckIndex();
}

TEST_F(CardsTest, CompareByIdPutsNullLastEitherWay) {
  CardRecord* a = Card(Day(2012, 1, 1), 2);
  CardRecord* b = Card(Day(2012, 1, 1), 3);
  CardRecord* c = Card(Day(2011, 1, 1), 9);
  struct {
    const CardRecord* a;
    const CardRecord* b;
    int32_t ascending;
  } cases[] = {{a, b, -1},           {b, a, 1},        {a, a, 0},
               {c, a, -1},           {a, nullptr, -1}, {nullptr, a, 1},
               {nullptr, nullptr, 0}};
  for (const auto& k : cases) {
    EXPECT_EQ(CardCompareById(k.a, k.b, 0), k.ascending);
    bool involvesNull = !k.a || !k.b;
    EXPECT_EQ(CardCompareById(k.a, k.b, 1), involvesNull ? k.ascending : -k.ascending);
  }
}

TEST_F(CardsTest, StampsFollowWhoSavedTheCard) {
  SignatureStamp creator, other, later;
  ParseSignatureStamp(&creator, "120101 09:00 AB");
  ParseSignatureStamp(&other, "120105 10:30 CD");
  ParseSignatureStamp(&later, "120106 08:00 AB");
  CardRecord* card = Card(Day(2012, 1, 1), 1);

  StampCardChange(card, &creator);
  EXPECT_TRUE(SignatureStampEqual(&card->created, &creator));
  EXPECT_TRUE(SignatureStampIsEmpty(&card->changed));
  CardSetReviewStamp(card, &other, kCommandExamine);
  CardSetReviewStamp(card, &other, kCommandApprove);
  CardSetReviewStamp(card, &later, 2000);
  EXPECT_TRUE(SignatureStampEqual(&card->examined, &other));
  EXPECT_TRUE(SignatureStampEqual(&card->approved, &other));

  StampCardChange(card, &other);
  EXPECT_TRUE(SignatureStampEqual(&card->created, &creator));
  EXPECT_TRUE(SignatureStampEqual(&card->changed, &other));
  EXPECT_TRUE(SignatureStampIsEmpty(&card->examined));
  EXPECT_TRUE(SignatureStampIsEmpty(&card->approved));
  StampCardChange(card, &later);
  EXPECT_TRUE(SignatureStampEqual(&card->changed, &later));
  StampCardChange(card, &creator);  // the creator's own stamp again
  EXPECT_TRUE(SignatureStampIsEmpty(&card->changed));
}

TEST_F(CardsTest, TitlesLoseControlsNotesKeepThem) {
  CardRecord* card = Card(Day(2012, 1, 1), 1);
  SetCardTitle(card, "a\tb\r\nc");
  EXPECT_STREQ(card->title, "a b  c");
  SetCardNotes(card, "a\tb\rc");
  EXPECT_STREQ(card->notes, "a\tb\rc");
  SetCardTitle(card, "");
  EXPECT_EQ(card->title, nullptr);
}

TEST_F(CardsTest, CardDigitsRiseToTheLargestNumberAndNeverFall) {
  EXPECT_EQ(base->cardDigits, 3);
  Card(Day(2012, 1, 1), 12);
  RaiseCardDigitsToFit(base);
  EXPECT_EQ(base->cardDigits, 3);
  CardRecord* big = Card(Day(2012, 1, 2), 1234);
  Card(Day(2012, 1, 3), 5);
  RaiseCardDigitsToFit(base);
  EXPECT_EQ(base->cardDigits, 4);
  DeleteCard(base, big);
  RaiseCardDigitsToFit(base);
  EXPECT_EQ(base->cardDigits, 4);
  Card(Day(2012, 1, 4), 100000000);
  RaiseCardDigitsToFit(base);
  EXPECT_EQ(base->cardDigits, 9);
}

}  // namespace
