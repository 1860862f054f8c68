// The aggregation: periods and their names, the merge, the removal of the sources on both sides
// of the bulk threshold, the feed order, a failed growth of the arrays, the option words and the
// command.
#include <cmath>
#include <string>

#include "core/threads.h"
#include "database/time_scale.h"
#include "database/lines.h"
#include "tests/analysis/cards/operations_fixture.h"
#include "ui/sort_orders.h"

namespace operations_test {
namespace {

using AggregateTest = OperationsTest;

int32_t Day(PackedDate date) { return PackedDateToDayNumber(date); }

TEST_F(AggregateTest, PeriodsOfADateAndTheirNames) {
  const PackedDate date = PackDate(2024, 5, 10);
  const struct {
    uint32_t resolution;
    PackedDate start;
    PackedDate end;
    const char* title;
  } cases[] = {
      {kResolutionYears, PackDate(2024, 1, 1), PackDate(2024, 12, 31), "Aggregated 2024"},
      {kResolutionHalfYears, PackDate(2024, 1, 1), PackDate(2024, 6, 30), "Aggregated 2401-2406"},
      {kResolutionTertials, PackDate(2024, 5, 1), PackDate(2024, 8, 31), "Aggregated 2405-2408"},
      {kResolutionQuarters, PackDate(2024, 4, 1), PackDate(2024, 6, 30), "Aggregated 2404-2406"},
      {kResolutionTwoMonths, PackDate(2024, 5, 1), PackDate(2024, 6, 30), "Aggregated 2405-2406"},
      {kResolutionMonths, PackDate(2024, 5, 1), PackDate(2024, 5, 31), "Aggregated 2405"},
      {kResolutionHalfMonths, PackDate(2024, 5, 1), PackDate(2024, 5, 15),
       "Aggregated 240501-240515"},
      {kResolutionWeeks, PackDate(2024, 5, 6), PackDate(2024, 5, 12), "Aggregated 240506-240512"},
      {kResolutionDays, date, date, "Aggregated"},  // one day: no name
  };
  T_Aggregator aggregator(Open());
  for (const auto& c : cases) {
    PackedDate start, end;
    AggregatePeriod(c.resolution, date, &start, &end);
    EXPECT_EQ(start, c.start) << c.resolution;
    EXPECT_EQ(end, c.end) << c.resolution;
    aggregator.resolution = c.resolution;
    aggregator.periodStart = start;
    aggregator.periodEnd = end;
    T_TextBuf title;
    aggregator.PeriodTitle(&title);
    EXPECT_STREQ(title.c_str(), c.title) << c.resolution;
  }
  // Half months part on the 15th and the 16th.
  PackedDate start, end;
  AggregatePeriod(kResolutionHalfMonths, PackDate(2024, 2, 16), &start, &end);
  EXPECT_EQ(start, PackDate(2024, 2, 16));
  EXPECT_EQ(end, PackDate(2024, 2, 29));
  // Runs of weeks start on Mondays (2024-05-06 is one) and hold the date.
  for (uint32_t resolution : {kResolutionWeeks, kResolutionTwoWeeks, kResolutionThreeWeeks,
                              kResolutionFourWeeks}) {
    AggregatePeriod(resolution, date, &start, &end);
    EXPECT_EQ(((Day(start) - Day(PackDate(2024, 5, 6))) % 7 + 7) % 7, 0) << resolution;
    EXPECT_LE(Day(start), Day(date));
    EXPECT_GE(Day(end), Day(date));
    EXPECT_EQ((Day(end) - Day(start) + 1) % 7, 0);
  }
}

TEST_F(AggregateTest, OptionWordsAreTakenOrRefused) {
  T_Aggregator aggregator(Open());
  const struct {
    const char* word;
    bool taken;
  } cases[] = {
      {"-months", true},  {"-Quarters", true},  {"-halfmonthsX", true}, {"-weird", false},
      {"-dim", true},     {"Account", true},    {"1", true},            {"-dim", true},
      {"Project", true},  {"none", true},       {"-dim", true},         {"Account", true},
      {"65", false},      {"-dim", true},       {"Nobody", false},      {"-timescale", true},
      {"None here", false}, {"-title", true},   {"  Summed  ", true},   {"-noperiodnames", true},
      {"-keeplinetexts", true}, {"-keepzerolines", true}, {"-duplicate", true},
      {"-onecard", true}, {"240301", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Aggregator_parseOption(&aggregator, c.word), c.taken) << c.word;
  }
  EXPECT_EQ(aggregator.coarsening[1], kCoarsenLevelBase + 1);
  EXPECT_EQ(aggregator.coarsening[2], kCoarsenRoot);
  EXPECT_STREQ(aggregator.title.c_str(), "Summed");
  EXPECT_EQ(aggregator.periodNames, 0);
  EXPECT_EQ(aggregator.skipLineTexts, 0);
  EXPECT_EQ(aggregator.skipZeroLines, 0);
  EXPECT_EQ(aggregator.duplicate, 1);
  EXPECT_EQ(aggregator.resolution, kResolutionSingleCard);
  EXPECT_EQ(aggregator.cardDate.cardId.date, PackDate(2024, 3, 1));
}

TEST_F(AggregateTest, MonthsMergeAllCardsIntoOneCardUnderTheFirstNumber) {
  const struct {
    std::initializer_list<const char*> words;
    const char* cards;
  } cases[] = {
      {{"-months"},
       "C240101-1\tAggregated 2401\nS2405061020TST\n"
       "GU1\nL-1000\t0\t\t1910\nL-400\t0\t\t3010\nL1000\t1\t\t5010\tP1\nGU2\nL500\t0\t\t5010\n\n"},
      {{"-months", "-keeplinetexts", "-noperiodnames", "-title", "Sum"},
       "C240101-1\tSum\nS2405061020TST\n"
       "GU1\nL-1000\t0\tPaid\t1910\nL-400\t0\tSold\t3010\nL1000\t1\tRent\t5010\tP1\n"
       "GU2\nL500\t0\tShare\t5010\n\n"},
      {{"-years", "-dim", "Account", "none"},
       "C240101-1\tAggregated 2024\nS2405061020TST\n"
       "GU1\nL-1400\t0\nL1000\t1\t\t\tP1\nGU2\nL500\t0\n\n"},
      {{"-months", "-dim", "Account", "1", "-dim", "Project", "none"},
       "C240101-1\tAggregated 2401\nS2405061020TST\n"
       "GU1\nL-1000\t0\t\t1\nL-400\t0\t\t3\nL1000\t1\t\t5\nGU2\nL500\t0\t\t5\n\n"},
  };
  for (const auto& c : cases) {
    DeleteBase(base, kCloseSilently);
    base = Read(kFixture);
    ASSERT_TRUE(Aggregate(Open(), c.words)) << *c.words.begin();
    EXPECT_EQ(Cards(), std::string("##Cards\n-LN\t2\n\n") + c.cards) << *c.words.begin();
  }
}

TEST_F(AggregateTest, ZeroSumsAreDroppedUnlessKeptAndNaNSumsStay) {
  // Card by card, every account and project coarsened away: U1 sums 1000 - 1000 (and the
  // quantities 0 once Rent's is cleared).
  const struct {
    double paidQty;
    const char* keep;
    const char* first;
  } cases[] = {
      {0, nullptr, "C240101-1\tRent January\nS2405061020TST\nGU2\nL250\t0\n\n"},
      {0, "-keepzerolines",
       "C240101-1\tRent January\nS2405061020TST\nGU1\nL0\t0\nGU2\nL250\t0\n\n"},
      // A NaN quantity makes the sum NaN: the line stays (the file writes no NaN).
      {NAN, nullptr, "C240101-1\tRent January\nS2405061020TST\nGU1\nL0\t0\nGU2\nL250\t0\n\n"},
  };
  for (const auto& c : cases) {
    DeleteBase(base, kCloseSilently);
    base = Read(kFixture);
    CardId id{PackDate(2024, 1, 1), 1};
    CardRecord* card = FindCardAtOrBefore(base, &id);
    base->SetLineValue(card->firstGroup->firstLine, 1, 0);
    base->SetLineValue(card->firstGroup->firstLine->next, 1, c.paidQty);
    T_Cards* window = Open();
    if (c.keep) {
      ASSERT_TRUE(Aggregate(window, {"-cards", "-dim", "Account", "none", "-dim", "Project",
                                     "none", c.keep}));
    } else {
      ASSERT_TRUE(Aggregate(window, {"-cards", "-dim", "Account", "none", "-dim", "Project",
                                     "none"}));
    }
    std::string cards = Cards();
    EXPECT_EQ(cards.substr(0, cards.find("C240116")), std::string("##Cards\n-LN\t2\n\n") + c.first)
        << cards;
  }
}

// Ten February cards of one line each, whose amounts cancel, and a card that is not listed.
void AddFebruary(T_Base* base, int32_t emptyCards) {
  int64_t unit = base->FindComponentByKey(0, "U1", -1);
  for (int32_t i = 0; i < 10; ++i) {
    CardId id{PackDate(2024, 2, 1 + i), 1};
    CardRecord* card = CreateCard(base, &id);
    SetCardTitle(card, "Extra");
    LineRecord* line = CreateLine(base, base->FindOrAddGroup(card, unit));
    SetLineText(line, "Extra");
    base->SetLineValue(line, 0, i % 2 == 0 ? 5 : -5);
    base->SetLineValue(line, 1, 0);
  }
  CardId id{PackDate(2024, 2, 20), 1};
  CardRecord* kept = CreateCard(base, &id);
  SetCardTitle(kept, "Untouched");
  LineRecord* keep = CreateLine(base, base->FindOrAddGroup(kept, unit));
  SetLineText(keep, "Keep");
  base->SetLineValue(keep, 0, 7);
  kept->created.stamp = PackTimeStamp(2024, 2, 20, 8, 0);
  for (int32_t i = 0; i < emptyCards; ++i) {
    CardId later{PackDate(2025, 1, 1), 0};
    CreateCard(base, &later);
  }
}

TEST_F(AggregateTest, BothSidesOfTheBulkThresholdGiveOneResult) {
  // Eleven (threshold 2 x 4 = 8, swept card by card over the whole database) and 111 cards
  // (threshold 2 x 11 = 22, lines removed one by one): the same result for February.
  std::string results[2];
  for (int32_t side = 0; side < 2; ++side) {
    DeleteBase(base, kCloseSilently);
    base = Read(kFixture);
    AddFebruary(base, side == 0 ? 0 : 100);
    ASSERT_TRUE(Aggregate(Open(kContentsAll, kContentsAll, "Extra"), {"-months"}));
    std::string cards = Cards();
    results[side] = cards.substr(0, cards.find("C250101"));
  }
  EXPECT_EQ(results[0], results[1]);
  // The sums cancel: no February card is left but the untouched one, which keeps its stamp.
  EXPECT_NE(results[0].find("C240131-1\tSale\nGU1\nL-400\t0\tSold\t3010\n\n"
                            "C240220-1\tUntouched\nS2402200800\nGU1\nL7\t0\tKeep\n\n"),
            std::string::npos)
      << results[0];
  EXPECT_EQ(results[0].find("Extra"), std::string::npos) << results[0];
}

TEST_F(AggregateTest, TheFeedIsInDateOrderWhateverTheDisplayOrder) {
  AddFebruary(base, 0);
  auto* templ = new T_CardsTmpl(base);
  templ->SetDefaults();
  templ->options.keys[0].cardDirection = 1;  // card id descending
  templates.push_back(templ);
  auto* window = static_cast<T_Cards*>(OpenCardsWindow(templ, nullptr, 1));
  ASSERT_NE(window, nullptr);
  window->RunCalculation(true, true);
  ASSERT_NE(window->rowMap, nullptr);
  ASSERT_TRUE(Aggregate(window, {"-months", "-keeplinetexts"}));
  std::string cards = Cards();
  // One card per month: January's three cards and February's eleven each merged once.
  EXPECT_NE(cards.find("C240101-1\tAggregated 2401\n"), std::string::npos) << cards;
  EXPECT_NE(cards.find("C240201-1\tAggregated 2402\nS2405061020TST\nGU1\nL7\t0\tKeep\n\n"),
            std::string::npos)
      << cards;
  EXPECT_EQ(cards.find("Aggregated 2401", cards.find("Aggregated 2402")), std::string::npos);
}

// Refuses the first heap request of the arrays' grown size.
int64_t refusedSize = 0;
bool refused = false;
bool RefuseGrowth(size_t size) {
  if (refused || static_cast<int64_t>(size) < refusedSize || static_cast<int64_t>(size) > refusedSize + 64)
    return true;
  refused = true;
  return false;
}

TEST_F(AggregateTest, AFailedGrowthStopsTheFeedAndKeepsFlushedPeriods) {
  // A card of 4100 lines after January: the arrays start at 4000 entries and must grow.
  CardId id{PackDate(2024, 3, 1), 1};
  CardRecord* big = CreateCard(base, &id);
  SetCardTitle(big, "Big");
  GroupRecord* group = base->FindOrAddGroup(big, base->FindComponentByKey(0, "U1", -1));
  for (int32_t i = 0; i < 4100; ++i) base->SetLineValue(CreateLine(base, group), 0, 1);
  T_Cards* window = Open();
  refusedSize = static_cast<int64_t>((4100 + 5) * sizeof(void*));
  refused = false;
  SetHeapFailHook(RefuseGrowth);
  EXPECT_FALSE(Aggregate(window, {"-cards"}));
  SetHeapFailHook(nullptr);
  EXPECT_TRUE(refused);
  EXPECT_EQ(PendingError.request.message, 600);
  PendingErrorClear();
  std::string cards = Cards();
  // January was flushed card by card; the big card keeps its 4100 lines.
  EXPECT_NE(cards.find("C240101-1\tRent January\nS2405061020TST\n"), std::string::npos);
  int64_t lines = 0;
  for (LineRecord* line = big->firstGroup->firstLine; line; line = line->next) ++lines;
  EXPECT_EQ(lines, 4100);
}

TEST_F(AggregateTest, TheCommandRunsOverAStoredTemplate) {
  auto* templ = new T_CardsTmpl(base);
  templ->SetDefaults();
  ASSERT_TRUE(StoreTemplate(base, templ, "All cards"));
  base->RunCommandText("aggregate \"All cards\" -months -dim Account none -dim Project none\n",
                       "test");
  EXPECT_EQ(Cards(),
            "##Cards\n-LN\t2\n\n"
            "C240101-1\tAggregated 2401\nS2405061020TST\nGU1\nL-400\t1\nGU2\nL500\t0\n\n");
  std::string before = Cards();
  base->RunCommandText("aggregate \"All cards\" -fortnights\n", "test");
  EXPECT_EQ(Cards(), before);
}

}  // namespace
}  // namespace operations_test

namespace operations_test {
namespace {

TEST_F(AggregateTest, TheDialogOverAHiddenWindowAggregatesCardByCard) {
  T_Cards* window = Open();
  OpenAggregateDialog(window);
  // "Cards" and skipped line texts by default: each card merged in itself.
  EXPECT_NE(Cards().find("C240101-1\tRent January\nS2405061020TST\n"
                         "GU1\nL-1000\t0\t\t1910\nL1000\t1\t\t5010\tP1\nGU2\nL250\t0\t\t5010\n"),
            std::string::npos)
      << Cards();
}

}  // namespace
}  // namespace operations_test

namespace operations_test {
namespace {

TEST_F(AggregateTest, ATimeScaleGivesItsPeriodsAndTheStretchBeforeThem) {
  auto* scale = new TimeScale(base, "Halves");
  CardId early{PackDate(2024, 1, 10), 1};
  CardId late{PackDate(2024, 1, 20), 1};
  ASSERT_TRUE(TimeScaleAppendPeriod(scale, &early, "Early  "));
  ASSERT_TRUE(TimeScaleAppendPeriod(scale, &late, "Late"));
  ASSERT_TRUE(Aggregate(Open(), {"-timescale", "Halves", "-keeplinetexts"}));
  EXPECT_EQ(Cards(),
            "##Cards\n-LN\t2\n\n"
            "C240101-1\tAggregated\nS2405061020TST\n"
            "GU1\nL-1000\t0\tPaid\t1910\nL1000\t1\tRent\t5010\tP1\nGU2\nL250\t0\tShare\t5010\n\n"
            "C240110-1\tAggregated Early\nS2405061020TST\nGU2\nL250\t0\tShare\t5010\n\n"
            "C240120-1\tAggregated Late\nS2405061020TST\nGU1\nL-400\t0\tSold\t3010\n\n");
}

}  // namespace
}  // namespace operations_test

namespace operations_test {
namespace {

// Raises the abort flag at the request of the flush's sort block, of a size only the first
// period asks for: that period is flushed whole, and the feed stops before the next one.
int64_t abortAtSize = 0;
bool AbortAtSortBlock(size_t size) {
  if (static_cast<int64_t>(size) >= abortAtSize && static_cast<int64_t>(size) <= abortAtSize + 64)
    PendingError.abort.store(true);
  return true;
}

TEST_F(AggregateTest, AnAbortBetweenPeriodsKeepsTheFlushedPeriodAndWritesNoLaterOne) {
  // January gets 600 more lines so that its sort block comes from the heap.
  CardId id{PackDate(2024, 1, 20), 1};
  GroupRecord* group =
      base->FindOrAddGroup(CreateCard(base, &id), base->FindComponentByKey(0, "U1", -1));
  for (int32_t i = 0; i < 600; ++i) base->SetLineValue(CreateLine(base, group), 0, 1);
  AddFebruary(base, 0);
  T_Cards* window = Open();
  std::string before = Cards();
  const int64_t n = 605;
  int64_t slots = 16;
  while (slots < 2 * n) slots *= 2;
  abortAtSize = n * (1 + base->lineSlots + 5) * 8 + slots * 8;
  SetHeapFailHook(AbortAtSortBlock);
  bool completed = Aggregate(window, {"-months"});
  SetHeapFailHook(nullptr);
  EXPECT_TRUE(AbortRequested());
  PendingErrorClear();
  EXPECT_FALSE(completed);
  // January is one card; February's cards stand as they were, stamps and all.
  std::string cards = Cards();
  const std::string february = before.substr(before.find("C240201-1"));
  EXPECT_EQ(cards,
            "##Cards\n-LN\t2\n\n"
            "C240101-1\tAggregated 2401\nS2405061020TST\n"
            "GU1\nL600\t0\nL-1000\t0\t\t1910\nL-400\t0\t\t3010\nL1000\t1\t\t5010\tP1\n"
            "GU2\nL500\t0\t\t5010\n\n" +
                february);
}

}  // namespace
}  // namespace operations_test
