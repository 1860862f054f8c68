// Periods as rows: the reader's order, tidying before a save, and the import from text and
// files.
#include <gtest/gtest.h>

#include <cstdio>
#include <new>
#include <string>

#include "core/alert.h"
#include "core/files.h"
#include "core/owned_text.h"
#include "database/time_scale.h"
#include "tests/database/dates/database_fixture.h"

namespace {

class PeriodRows : public DatabaseTest {
 protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    PagedArrayInit(&rows, sizeof(TimePeriod), 0);
  }
  void TearDown() override {
    FreePeriodRows(&rows);
    PagedArrayFree(&rows);
    PendingErrorClear();
    DatabaseTest::TearDown();
  }
  TimePeriod* Row(int64_t i) { return reinterpret_cast<TimePeriod*>(PagedArrayAt(&rows, i)); }
  void AddRow(const CardId& start, const char* name) {
    auto* row = reinterpret_cast<TimePeriod*>(PagedArrayAtGrow(&rows, rows.count));
    row->start = start;
    row->name = nullptr;
    BlockTextAssign(&row->name, name);
  }
  std::string Rows() {
    std::string text;
    for (int64_t i = 0; i < rows.count; ++i) {
      char start[32];
      FormatCardIdCStr(start, &Row(i)->start);
      text += std::string(start) + "=" + (Row(i)->name ? Row(i)->name : "") + " ";
    }
    return text;
  }

  PagedArray rows;
};

TEST_F(PeriodRows, TheReaderSortsPeriodsStablyByStart) {
  TextInput input("050701-1\tJul\r\n050101-1\tJan\r\n050101-1\tJan again\r\n041001-1\tOct\r\n");
  auto* scale = new (std::nothrow) TimeScale(base, "Out of order");
  ReadTimeScale(scale, &input.stream);
  ASSERT_EQ(TimeScalePeriodCount(scale), 4);
  const char* expected[] = {"Oct", "Jan", "Jan again", "Jul"};
  for (int64_t i = 0; i < 4; ++i) EXPECT_STREQ(TimeScalePeriod(scale, i)->name, expected[i]);
  EXPECT_STREQ(PeriodNameOfDate(scale, &TimeScalePeriod(scale, 3)->start), "Jul");
}

TEST_F(PeriodRows, TidyingDropsEmptyRowsAndPutsJanuaryFirst) {
  AddRow(Id(2005, 7, 1, 1), "July");
  AddRow(Id(2005, 1, 1, 1), "January");
  AddRow(CardId{0, 0}, nullptr);
  EXPECT_TRUE(TidyPeriods(&rows));
  EXPECT_EQ(Rows(), "050101-1=January 050701-1=July ");
  EXPECT_FALSE(TidyPeriods(&rows));
  // The only row stays, even when empty.
  FreePeriodRows(&rows);
  AddRow(CardId{0, 0}, nullptr);
  EXPECT_FALSE(TidyPeriods(&rows));
  EXPECT_EQ(rows.count, 1);
}

TEST_F(PeriodRows, ImportFillsATrailingEmptyRowAndSkipsWhatDoesNotParse) {
  AddRow(Id(2005, 1, 1, 1), "Jan");
  AddRow(CardId{0, 0}, nullptr);
  std::string longName = std::string(62, 'x') + "\xC3\xA9tail";  // a two-byte character at 63
  TextInput input("0502\tFeb\r\nnot a date\tX\r\n050301\t\r\n\tno date\r\n050401-2\t" + longName +
                  "\r\n");
  EXPECT_EQ(ImportPeriodsFromText(&rows, &input.stream), 2);
  ASSERT_EQ(rows.count, 3);
  EXPECT_EQ(std::string(Rows(), 0, 21), "050101-1=Jan 050201-1");
  EXPECT_STREQ(Row(1)->name, "Feb");
  EXPECT_EQ(std::string(Row(2)->name), std::string(62, 'x'));
}

TEST_F(PeriodRows, ADatabaseFileIsRefusedWithNothingRead) {
  T_TextBuf path;
  MakeTempFileName(&path);
  FILE* file = std::fopen(path.c_str(), "wb");
  std::fputs("##QEB-Text\t121122\r\n##TimeScale\tQ\r\n050101-1\tQ1\r\n##End\r\n", file);
  std::fclose(file);
  EXPECT_EQ(ImportPeriodsFile(&rows, path.c_str()), -1);
  EXPECT_EQ(PendingError.request.message, 2111);
  EXPECT_EQ(rows.count, 0);
  PendingErrorClear();

  file = std::fopen(path.c_str(), "wb");
  std::fputs("050101-1\tQ1\r\n050401-1\tQ2\r\n", file);
  std::fclose(file);
  EXPECT_EQ(ImportPeriodsFile(&rows, path.c_str()), 2);
  std::remove(path.c_str());
}

}  // namespace
