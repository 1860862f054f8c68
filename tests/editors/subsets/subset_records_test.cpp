// Subset records beside the editor: the stored copies a template carries ("s" records), their
// restoring, the calculation that an abort stops, the conditions that follow relative dates, and
// the rule that a database subset names no other subset.
#include <string>

#include "database/stored_subsets.h"
#include "database/subsets.h"
#include "tests/database/cardsel/selection_fixture.h"

namespace {

using selection_test::SelectionTest;

class SubsetRecordsTest : public SelectionTest {
 protected:
  void SetUp() override {
    SelectionTest::SetUp();
    SubsetListInit(&local, base, kSubsetListOfWindow);
    StoredSubsetListInit(&stored, base);
  }
  void TearDown() override {
    StoredSubsetListClear(&stored);
    SubsetListFree(&local);
    SelectionTest::TearDown();
  }

  static std::string Write(const StoredSubsetList* list) {
    T_OStream stream;
    WriteStoredSubsets(list, &stream);
    return Written(stream);
  }
  static std::string Write(SubsetList* list) {
    T_OStream stream;
    Subset* subset = list->first;
    for (int32_t i = 0; subset && i < list->count; ++i, subset = subset->next)
      WriteSubset(subset, &stream, "## Subset");
    return Written(stream);
  }
  // Reads the records as a box template hands them over: the key read, the cursor behind it.
  static void Read(StoredSubsetList* list, const std::string& records) {
    T_IStream stream;
    stream.CtorFromMemory(records.data(), static_cast<int64_t>(records.size()));
    while (stream.NextLine()) {
      if (!stream.NextField()) continue;
      std::string key(stream.Field(), static_cast<size_t>(stream.FieldLength()));
      ReadStoredSubsetRecord(list, key.c_str(), &stream);
    }
    StoredSubsetsEndRead(list);
  }

  SubsetList local;
  StoredSubsetList stored;
};

TEST_F(SubsetRecordsTest, StoredRecordsAreWrittenInOrderAndRestoreEqualSubsets) {
  Subset* north = SubsetCreate(&local, "North");
  SelectionItem* item = SubsetAppendItem(north, "Selection 1");
  T_TextBuf cardId("240101-1");
  ItemSetCardIdCondition(item, &cardId);
  T_TextBuf time("2401"), signature("ann");
  ItemSetStampCondition(item, kStampApproved, &time, &signature);
  Selection_setPattern(&item->selection, kPatternCardTitle, "Rent");
  SubsetAppendItem(north, "Selection 2");
  CombCompile(&north->combination, "Selection 1|Selection 2");
  BlockTextAssign(&north->notes, "Only the north\rand more");
  Subset* south = SubsetCreate(&local, "South");
  CombCompile(&south->combination, "¬North");

  ASSERT_TRUE(StoreSubsetList(&stored, &local));
  const std::string golden =
      "sn\tNorth\r\n"
      "sN\tSelection 1\r\n"
      "sY\tRent\r\n"
      "sk\t240101-1\r\n"
      "sp\t2401\tann\r\n"
      "sN\tSelection 2\r\n"
      "sf\tSelection 1|Selection 2\r\n"
      "sx\tOnly the north\x03" "and more\r\n"
      "sn\tSouth\r\n"
      "sf\t¬North\r\n";
  EXPECT_EQ(Write(&stored), golden);

  // Read back and written again: the same bytes; restored into another list: the same subsets.
  StoredSubsetList again;
  StoredSubsetListInit(&again, base);
  Read(&again, golden);
  EXPECT_EQ(Write(&again), golden);
  SubsetList restored;
  SubsetListInit(&restored, base, kSubsetListOfWindow);
  ASSERT_TRUE(RestoreSubsetList(&restored, &again));
  EXPECT_EQ(Write(&restored), Write(&local));
  // A second restore reads the subsets anew rather than adding to them.
  ASSERT_TRUE(RestoreSubsetList(&restored, &again));
  EXPECT_EQ(Write(&restored), Write(&local));
  StoredSubsetListClear(&again);
  SubsetListFree(&restored);
}

TEST_F(SubsetRecordsTest, ReadingFindsByNameDropsSelectionsAndIgnoresUnknownKeys) {
  Read(&stored,
       "sk\tlost?\r\n"  // before any "sn": kept in an unnamed subset
       "sn\tA\r\nsN\tX\r\nsk\t2401\r\nsN\tY\r\nsm\t\tbo\r\ns-\r\n"
       "sn\ta\r\nsN\tx\r\nsQ\tjunk\r\nsf\tX\r\nsx\r\n");
  EXPECT_EQ(Write(&stored),
            "sk\tlost?\r\n"
            "sn\tA\r\nsN\tX\r\nsk\t2401\r\nsf\tX\r\n");
  // Only what a formula names, and what that names in turn.
  StoredSubsetListClear(&stored);
  Subset* a = SubsetCreate(&local, "A");
  Subset* b = SubsetCreate(&local, "B");
  SubsetCreate(&local, "C");
  Subset* d = SubsetCreate(&local, "D");
  CombCompile(&a->combination, "");
  CombCompile(&b->combination, "A");
  CombCompile(&d->combination, "B");
  ASSERT_TRUE(StoreUsedSubsets(&stored, &local, &d->combination));
  EXPECT_EQ(Write(&stored), "sn\tA\r\nsn\tB\r\nsf\tA\r\n");
}

TEST_F(SubsetRecordsTest, AnAbortedCalculationKeepsNoLineSet) {
  int64_t group = Component(0, "G1");
  CardRecord* card = Card(Day(2024, 3, 1), 1);
  LineRecord* line = CreateLine(base, base->FindOrAddGroup(card, group));
  ASSERT_NE(line, nullptr);
  Subset* subset = SubsetCreate(&local, "S");
  SubsetAppendItem(subset, "A");
  CombCompile(&subset->combination, "A");
  ASSERT_TRUE(CombCalculate(&subset->combination, nullptr));
  EXPECT_EQ(Members(&subset->combination.lines), std::vector<int64_t>{line->number});

  subset->combination.calculated = 0;
  PendingErrorCancel();
  bool changed = false;
  EXPECT_FALSE(CombCalculate(&subset->combination, &changed));
  PendingErrorClear();
  // Neither a false "Zero lines" nor a change to broadcast: the subset is simply not calculated.
  EXPECT_EQ(subset->combination.lines.words, nullptr);
  EXPECT_EQ(subset->combination.calculated, 0);
  EXPECT_FALSE(changed);
  EXPECT_TRUE(CombCalculate(&subset->combination, &changed));
  EXPECT_TRUE(changed);
  EXPECT_EQ(Members(&subset->combination.lines), std::vector<int64_t>{line->number});
}

TEST_F(SubsetRecordsTest, ConditionTextsFollowRelativeDates) {
  // The database's own subsets hear every change of the database.
  Subset* dated = SubsetCreate(base->subsets, "Dated");
  T_TextBuf cardId("Month");
  ItemSetCardIdCondition(SubsetAppendItem(dated, "A"), &cardId);
  CombCompile(&dated->combination, "A");
  Subset* plain = SubsetCreate(base->subsets, "Plain");
  SubsetAppendItem(plain, "A");
  CombCompile(&plain->combination, "A");
  for (int32_t code : {kChangeRefresh, kChangeReferenceDate, kChangeTimeScaleChanged}) {
    ASSERT_TRUE(CombCalculate(&dated->combination, nullptr));
    ASSERT_TRUE(CombCalculate(&plain->combination, nullptr));
    base->NotifyCode(code);
    EXPECT_EQ(dated->combination.calculated, 0) << code;
    EXPECT_EQ(plain->combination.calculated, 1) << code;
  }
}

TEST_F(SubsetRecordsTest, ADatabaseSubsetNamesOnlyItsOwnSelections) {
  SubsetCreate(base->subsets, "North");
  Subset* own = SubsetCreate(base->subsets, "Own");
  SubsetAppendItem(own, "A");
  CombCompile(&own->combination, "A|North");
  EXPECT_EQ(alerts.Messages(), std::vector<int32_t>{4707});
  T_TextBuf text;
  CombPrint(&own->combination, &text, 0);
  EXPECT_STREQ(text.data, "A");
  // A window's subset may name it.
  Subset* mine = SubsetCreate(&local, "Mine");
  CombCompile(&mine->combination, "North");
  EXPECT_EQ(alerts.Messages().size(), 1u);
}

}  // namespace
