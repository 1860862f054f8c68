#pragma once
// The model of the analysis benchmarks at the size of the 1M-line database: 100,000 cards of 10
// lines with 3 values (a random amount, its negation, the line's position), 90 cards a day from
// 1 January 2010, the groups cycling through three accounts, and the text "rent" on the first
// line of every card.
#include <cstdio>

#include "bench/bench_random.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/components.h"
#include "database/lines.h"

inline T_Base* NewBenchModel() {
  constexpr int32_t kCards = 100000;
  constexpr int32_t kLinesPerCard = 10;
  constexpr int32_t kCardsPerDay = 90;
  auto* base = new T_Base(nullptr, 0);
  for (const char* code : {"1000", "2000", "3000"}) AddComponent(base, 0, code, code, nullptr);
  SetValueCount(base, 3);
  PackedDate day = PackDate(2010, 1, 1);
  double values[3];
  for (int32_t c = 0; c < kCards; ++c) {
    if (c % kCardsPerDay == 0 && c) day = PackedDateNextDay(day);
    CardId id{day, c % kCardsPerDay + 1};
    CardRecord* card = CreateCard(base, &id);
    for (int32_t l = 0; l < kLinesPerCard; ++l) {
      GroupRecord* group = base->FindOrAddGroup(card, kDimensionCount + l % 3);
      LineRecord* line = CreateLine(base, group);
      values[0] = (static_cast<double>(Random(200000)) - 100000) / 100.0;
      values[1] = -values[0];
      values[2] = l;
      base->SetLineValues(line, values);
      if (l == 0) SetLineText(line, "rent");
    }
  }
  std::printf("model of %lld cards, %lld lines\n", static_cast<long long>(base->cardCount),
              static_cast<long long>(base->lineCount));
  return base;
}
