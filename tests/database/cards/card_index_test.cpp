// The date index: numbering within a day with its hint card, and finding and counting cards by
// id, checked against a plain walk of random chains.
#include <algorithm>
#include <map>
#include <random>
#include <set>

#include "tests/database/cards/cards_fixture.h"

namespace {

TEST_F(CardsTest, NumberingFollowsTheRunOfEachDay) {
  struct Case {
    std::vector<int32_t> existing;
    std::vector<int32_t> asked;
    std::vector<int32_t> given;
    int32_t hint;  // the hint's number afterwards, 0 for none
  } cases[] = {
      {{1, 2, 3}, {2}, {4}, 4},
      {{1, 2, 3, 4}, {10, 0}, {10, 5}, 5},
      {{1, 2, 3, 5}, {3}, {4}, 5},
      {{}, {0, 0, 0}, {1, 2, 3}, 3},
      {{}, {7, 7, 2}, {7, 8, 2}, 0},
      {{4, 6, 9}, {5, 1, 2}, {5, 1, 2}, 2},
      {{1, 3, 4, 5, 8}, {2}, {2}, 5},
      {{1, 2, 5, 6, 9}, {5, 4, 3}, {7, 4, 3}, 7},
      {{3}, {0x7fffffff, 2000000000}, {kLargestCardNumber, kLargestCardNumber + 1}, 0},
  };
  PackedDate day = Day(2012, 3, 14);
  for (const Case& c : cases) {
    delete base;
    base = new T_Base(nullptr, 0);
    Card(Day(2012, 3, 13), 1);  // neighbours on both sides
    Card(Day(2012, 3, 15), 1);
    for (int32_t n : c.existing) EXPECT_EQ(Card(day, n)->dayNumber, n);
    for (size_t i = 0; i < c.asked.size(); ++i) {
      CardId id{day, c.asked[i]};
      CardRecord* card = CreateCard(base, &id);
      EXPECT_EQ(id.sequence, c.given[i]) << "asked " << c.asked[i];
      EXPECT_EQ(card->dayNumber, c.given[i]);
    }
    DateNode* node = FindDateNode(base, day);
    EXPECT_EQ(node->hintCard ? node->hintCard->dayNumber : 0, c.hint);
    CheckIndex();
  }
}

TEST_F(CardsTest, CardsOutsideTheDatesAreRefused) {
  CardId id{0, 1};
  EXPECT_EQ(CreateCard(base, &id), nullptr);
  EXPECT_EQ(base->cardCount, 0);
  CardRecord* card = Card(Day(2012, 1, 1), 1);
  EXPECT_FALSE(MoveCard(base, card, &id));
  EXPECT_EQ(CardGetId(card).date, Day(2012, 1, 1));
  EXPECT_EQ(FindDateNode(base, 0), base->dateRing);
  EXPECT_EQ(FindDateNode(base, Day(2011, 12, 31)), base->dateRing);
}

// What the index must answer, worked out on a plain list of the chain.
struct PlainChain {
  std::vector<CardRecord*> cards;
  std::vector<CardId> ids;

  size_t FirstNotBelow(const CardId& id) const {
    size_t i = 0;
    while (i < ids.size() && CardIdLess(&ids[i], &id)) ++i;
    return i;
  }
  CardRecord* At(size_t i, CardRecord* sentinel) const {
    return i < cards.size() ? cards[i] : sentinel;
  }
};

// Seeded random chains: busy days with runs and gaps, deletions inside and at the ends of runs,
// moves between days; every answer of the index against a plain walk.
TEST_F(CardsTest, SeekAndCountMatchAPlainWalkOfRandomChains) {
  for (uint32_t seed : {1u, 2u, 3u}) {
    delete base;
    base = new T_Base(nullptr, 0);
    std::mt19937 random(seed);
    auto pick = [&random](int32_t low, int32_t high) {
      return std::uniform_int_distribution<int32_t>(low, high)(random);
    };
    std::vector<PackedDate> days;
    for (int32_t i = 0; i < 40; ++i) days.push_back(Day(2011 + i / 12, 1 + i % 12, pick(1, 28)));
    std::map<PackedDate, std::set<int32_t>> numbers;  // the expected numbering, day by day
    // The asked number when it is above the day's last one, else the smallest free one from it.
    auto expectedNumber = [&numbers](PackedDate day, int32_t asked) {
      const std::set<int32_t>& taken = numbers[day];
      int32_t n = asked == 0 ? 1 : asked;
      if (!taken.empty() && n <= *taken.rbegin())
        while (taken.count(n)) ++n;
      return n;
    };

    for (int32_t step = 0; step < 5000; ++step) {
      PackedDate day = days[pick(0, 39) / (pick(0, 3) == 0 ? 1 : 4)];  // a few busy days
      int32_t roll = pick(0, 9);
      std::vector<CardRecord*> chain = Chain();
      if (roll < 7 || chain.empty()) {
        int32_t asked = roll < 4 ? 0 : pick(1, 120);
        int32_t expected = expectedNumber(day, asked);
        CardId id{day, asked};
        ASSERT_NE(CreateCard(base, &id), nullptr);
        ASSERT_EQ(id.sequence, expected) << "seed " << seed << " step " << step;
        numbers[day].insert(expected);
      } else {
        CardRecord* card = chain[pick(0, static_cast<int32_t>(chain.size()) - 1)];
        CardId old = CardGetId(card);
        numbers[old.date].erase(old.sequence);
        if (roll < 9) {
          DeleteCard(base, card);
        } else {
          CardId id{day, pick(0, 60)};
          int32_t expected = expectedNumber(day, id.sequence);
          ASSERT_TRUE(MoveCard(base, card, &id));
          ASSERT_EQ(id.sequence, expected) << "seed " << seed << " step " << step;
          numbers[day].insert(expected);
        }
      }
    }
    CheckIndex();
    ASSERT_GT(base->cardCount, 2000);

    PlainChain plain;
    plain.cards = Chain();
    for (CardRecord* c : plain.cards) plain.ids.push_back(CardGetId(c));
    CardRecord* sentinel = base->sentinelCard;
    auto randomId = [&]() {
      int32_t kind = pick(0, 9);
      PackedDate date = days[pick(0, 39)] + pick(-1, 1);  // on, before or after a day
      if (kind == 0) date = Day(2010, 6, 1);
      if (kind == 1) date = Day(2015, 1, 1);
      int32_t number = kind == 2 ? kCardSequenceOpen : pick(0, 140);
      return CardId{date, number};
    };
    for (int32_t q = 0; q < 3000; ++q) {
      CardId id = randomId();
      size_t i = plain.FirstNotBelow(id);
      ASSERT_EQ(base->SeekCard(&id), plain.At(i, sentinel)) << q;
      bool exact = i < plain.ids.size() && CardIdEqual(&plain.ids[i], &id);
      CardRecord* atOrBefore = exact ? plain.cards[i] : (i == 0 ? sentinel : plain.cards[i - 1]);
      ASSERT_EQ(FindCardAtOrBefore(base, &id), atOrBefore) << q;

      CardId to = randomId();
      if (pick(0, 3) == 0) to = CardId{id.date, id.sequence + pick(0, 30)};
      if (pick(0, 20) == 0) to = CardId{0x7fffffff, kCardSequenceOpen};
      size_t end = i;
      while (end < plain.ids.size() && CardIdLessEqual(&plain.ids[end], &to)) ++end;
      CardRecord* first = nullptr;
      CardRecord* after = nullptr;
      int64_t count = base->CountCardsBetween(&id, &to, &first, &after);
      if (CardIdLess(&to, &id)) {
        ASSERT_EQ(count, 0);
        ASSERT_EQ(after, first);
      } else {
        ASSERT_EQ(count, static_cast<int64_t>(end - i)) << q;
        ASSERT_EQ(after, plain.At(end, sentinel)) << q;
      }
      ASSERT_EQ(first, plain.At(i, sentinel)) << q;
    }
  }
}

TEST_F(CardsTest, DateCacheKeepsThirteenNodesAndForgetsRemovedOnes) {
  std::vector<CardRecord*> cards;
  for (int32_t d = 1; d <= 28; ++d) cards.push_back(Card(Day(2012, 5, d), 1));
  for (int32_t d = 27; d >= 1; d -= 2)
    EXPECT_EQ(FindDateNode(base, Day(2012, 5, d))->date, Day(2012, 5, d));
  EXPECT_EQ(base->dateCacheFill, 13);
  // The floor of a date between two nodes, and of dates after the last one.
  EXPECT_EQ(FindDateNode(base, Day(2012, 5, 31))->date, Day(2012, 5, 28));
  EXPECT_EQ(FindDateNode(base, Day(2012, 6, 2))->date, Day(2012, 5, 28));
  for (CardRecord* card : cards) DeleteCard(base, card);
  EXPECT_EQ(base->dateCacheFill, 0);
  EXPECT_EQ(base->dateNodeCount, 0);
  CheckIndex();
}

}  // namespace
