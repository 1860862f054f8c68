#pragma once
// One empty database per test, quiet alerts, and the helpers the card and line tests share:
// cards by date and number, components linked by hand, the chain as a list and a check of every
// invariant of the date index.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/alert.h"
#include "core/alert_handlers.h"
#include "core/owned_text.h"
#include "core/paged_array.h"
#include "core/threads.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/line_origins.h"
#include "database/lines.h"

class CardsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PendingErrorClear();
    base = new T_Base(nullptr, 0);
  }
  void TearDown() override {
    FreeLineOrigins(base);
    delete base;
    SetClockSource(nullptr);
    SetCardRenameHook(nullptr);
    PendingErrorClear();
  }

  static PackedDate Day(int32_t year, int32_t month, int32_t day) {
    return PackDate(year, month, day);
  }

  // A card asked for the number; the number given is in its record.
  CardRecord* Card(PackedDate date, int32_t number) {
    CardId id{date, number};
    CardRecord* card = CreateCard(base, &id);
    EXPECT_NE(card, nullptr);
    return card;
  }

  // A component linked by hand as the last child of parent (a root's number is its dimension).
  int64_t AddComponent(int64_t parent, const char* code) {
    int64_t number = base->componentPool.count;
    auto* c = reinterpret_cast<ComponentRecord*>(PagedArrayAtGrow(&base->componentPool, number));
    *c = ComponentRecord{};
    c->number = number;
    c->code = StrDup(code);
    auto* p = Component(parent);
    c->parent = p;
    if (!p->firstChild) {
      p->firstChild = c;
      c->prevSibling = c;
    } else {
      ComponentRecord* last = p->firstChild->prevSibling;
      last->nextSibling = c;
      c->prevSibling = last;
      p->firstChild->prevSibling = c;
    }
    return number;
  }
  ComponentRecord* Component(int64_t number) {
    return reinterpret_cast<ComponentRecord*>(PagedArrayAt(&base->componentPool, number));
  }

  // A line in a new or existing group of the card with the values and slot components given.
  LineRecord* Line(CardRecord* card, int64_t group, std::vector<double> values = {},
                   std::vector<int64_t> components = {}, const char* text = nullptr) {
    LineRecord* line = CreateLine(base, base->FindOrAddGroup(card, group));
    EXPECT_NE(line, nullptr);
    for (size_t i = 0; i < values.size(); ++i)
      base->SetLineValue(line, static_cast<int32_t>(i), values[i]);
    for (size_t i = 0; i < components.size(); ++i)
      base->SetLineComponent(line, static_cast<int32_t>(i), components[i]);
    if (text) SetLineText(line, text);
    return line;
  }

  std::vector<CardRecord*> Chain() {
    std::vector<CardRecord*> cards;
    for (CardRecord* c = base->sentinelCard->next; c != base->sentinelCard; c = c->next)
      cards.push_back(c);
    return cards;
  }
  std::vector<int32_t> NumbersOn(PackedDate date) {
    std::vector<int32_t> numbers;
    for (CardRecord* c : Chain())
      if (c->dateNode->date == date) numbers.push_back(c->dayNumber);
    return numbers;
  }
  std::vector<LineRecord*> Lines(const GroupRecord* group) {
    std::vector<LineRecord*> lines;
    for (LineRecord* l = group->firstLine; l; l = l->next) lines.push_back(l);
    return lines;
  }

  // Every invariant of the chain, the date ring, the hints, the counts and the cache.
  void CheckIndex() {
    CardRecord* sentinel = base->sentinelCard;
    DateNode* ring = base->dateRing;
    ASSERT_EQ(ring->firstCard, sentinel);
    int64_t cards = 0;
    for (CardRecord* c = sentinel->next; c != sentinel; c = c->next) {
      ++cards;
      ASSERT_EQ(c->next->previous, c);
      if (c->next != sentinel) {
        CardId id = CardGetId(c), following = CardGetId(c->next);
        ASSERT_TRUE(CardIdLess(&id, &following));
      }
    }
    ASSERT_EQ(cards, base->cardCount);
    int64_t nodes = 0;
    int64_t counted = 0;
    for (DateNode* node = ring->next; node != ring; node = node->next) {
      ++nodes;
      ASSERT_EQ(node->next->previous, node);
      if (node->next != ring) {
        ASSERT_LT(node->date, node->next->date);
      }
      ASSERT_NE(node->firstCard, nullptr);
      ASSERT_NE(node->firstCard->previous->dateNode, node);
      int64_t n = 0;
      CardRecord* runEnd = nullptr;
      for (CardRecord* c = node->firstCard; c->dateNode == node; c = c->next) {
        ++n;
        if (c->dayNumber == n) runEnd = c;
      }
      ASSERT_EQ(n, node->cardCount);
      ASSERT_EQ(node->hintCard, runEnd) << node->date;
      counted += n;
    }
    ASSERT_EQ(counted, cards);
    ASSERT_EQ(nodes, base->dateNodeCount);
    for (int32_t i = 0; i < base->dateCacheFill; ++i) {
      bool inRing = false;
      for (DateNode* node = ring->next; node != ring; node = node->next)
        inRing = inRing || node == base->dateCache[i];
      ASSERT_TRUE(inRing);
    }
  }

  T_NoAlerts quiet;
  T_Base* base = nullptr;
};
