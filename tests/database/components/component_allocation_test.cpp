// Component records: reuse before growth, and the reference widths of the lines that grow with
// the record numbers.
#include <gtest/gtest.h>

#include <string>

#include "core/alert.h"
#include "core/bit_vector.h"
#include "database/change_notes.h"
#include "database/component_lookup.h"
#include "tests/database/components/components_fixture.h"

namespace components_test {
namespace {

// Stops whatever is under way when the lines are about to move.
class AbortWhenLinesMove : public T_HWindow {
 public:
  explicit AbortWhenLinesMove(T_Base* base)
      : T_HWindow(kKindDocument, kWindowCards, &NoteRecorder::kRect, 0, base, 0) {}
  void OnChange(const ChangeNote* note) override {
    if (note->code == kChangeLinesMoving) PendingErrorCancel();
  }
};

class ComponentAllocationTest : public ComponentsTest {
 protected:
  // The first (only) line of the card's first group, found anew: lines move when they widen.
  LineRecord* FirstLine(CardRecord* card) { return card->firstGroup->firstLine; }
  int64_t Reference(LineRecord* line) {
    return ReadLineReference(line, base->referenceOffset, base->referenceWidth, 0);
  }
};

TEST_F(ComponentAllocationTest, FreedRecordsAreTakenBeforeThePoolGrows) {
  ComponentRecord* first = Add(1, "A", "text", "host");
  int64_t number = first->number;
  BitVector set;
  BitVecInit(&set, base->componentPool.count, 0);
  BitVecFill(&set, false);
  BitVecSet(&set, number, true);
  DeleteMarkedComponents(base, &set, 1);
  BitVecFree(&set);
  // At the record number that would need wider lines, a freed record needs no raise.
  SetNextComponentNumber(base, kFirstComponentOfWidth3);
  ComponentRecord* reused = Add(1, "B");
  ASSERT_NE(reused, nullptr);
  EXPECT_EQ(reused->number, number);
  EXPECT_EQ(reused->text, nullptr);
  EXPECT_EQ(reused->hostCode, nullptr);
  EXPECT_EQ(base->componentPool.count, kFirstComponentOfWidth3);
  EXPECT_EQ(base->referenceWidth, 2);
}

TEST_F(ComponentAllocationTest, AnAbortDuringTheRaiseLeavesNoRecordAndTheOldWidth) {
  ComponentRecord* kept = Add(1, "K");
  GroupRecord* group = AddHandGroup(base, AddHandCard(base, PackDate(2021, 1, 2)), 0);
  AddHandLine(base, group, {kept->number});
  AbortWhenLinesMove stopper(base);
  SetNextComponentNumber(base, kFirstComponentOfWidth3);
  EXPECT_EQ(Add(1, "NEW"), nullptr);
  EXPECT_EQ(base->componentPool.count, kFirstComponentOfWidth3);
  EXPECT_EQ(base->referenceWidth, 2);
  EXPECT_EQ(FindByCode(base, 1, "NEW"), nullptr);
  EXPECT_EQ(Shape(1), "K");
  EXPECT_EQ(Reference(FirstLine(base->sentinelCard->next)), kept->number);
  PendingErrorClear();
}

TEST_F(ComponentAllocationTest, Record65530WidensTheLinesToThreeBytes) {
  if (!LineLayoutIsLinked()) GTEST_SKIP() << "the line layout is a stand-in here";
  ComponentRecord* low = Add(1, "C0");
  CardRecord* card = AddHandCard(base, PackDate(2022, 3, 4));
  GroupRecord* group = AddHandGroup(base, card, 0);
  AddHandLine(base, group, {low->number});
  LineValues(group->firstLine)[0] = 2.5;
  ComponentRecord* last = nullptr;
  for (int64_t i = 1; base->componentPool.count < kFirstComponentOfWidth3; ++i)
    last = Add(1, ("C" + std::to_string(i)).c_str());
  ASSERT_EQ(last->number, kFirstComponentOfWidth3 - 1);
  AddHandLine(base, group, {last->number});
  EXPECT_EQ(base->referenceWidth, 2);

  ComponentRecord* wide = Add(1, "WIDE");
  ASSERT_NE(wide, nullptr);
  EXPECT_EQ(wide->number, kFirstComponentOfWidth3);
  EXPECT_EQ(base->referenceWidth, 3);
  LineRecord* line = FirstLine(card);
  EXPECT_EQ(Reference(line), low->number);
  EXPECT_EQ(LineValues(line)[0], 2.5);
  EXPECT_EQ(Reference(line->next), last->number);
  WriteLineReference(line, base->referenceOffset, base->referenceWidth, 0, wide->number);
  EXPECT_EQ(Reference(line), wide->number);
}

TEST_F(ComponentAllocationTest, RecordFFFFFAWidensTheLinesToFourBytes) {
  if (!LineLayoutIsLinked()) GTEST_SKIP() << "the line layout is a stand-in here";
  ComponentRecord* low = Add(1, "LOW");
  CardRecord* card = AddHandCard(base, PackDate(2022, 3, 4));
  AddHandLine(base, AddHandGroup(base, card, 0), {low->number});
  SetNextComponentNumber(base, kFirstComponentOfWidth4 - 1);
  ComponentRecord* below = Add(1, "BELOW");
  ASSERT_NE(below, nullptr);
  EXPECT_EQ(below->number, kFirstComponentOfWidth4 - 1);
  EXPECT_EQ(base->referenceWidth, 3);
  ComponentRecord* high = Add(1, "HIGH");
  ASSERT_NE(high, nullptr);
  EXPECT_EQ(high->number, kFirstComponentOfWidth4);
  EXPECT_EQ(base->referenceWidth, 4);
  EXPECT_EQ(Reference(FirstLine(card)), low->number);
  AddHandLine(base, card->firstGroup, {high->number});
  EXPECT_EQ(Reference(FirstLine(card)->next), high->number);
  EXPECT_EQ(FindByCode(base, 1, "high"), high);
}

}  // namespace
}  // namespace components_test
