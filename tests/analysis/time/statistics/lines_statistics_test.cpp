// The lines statistics over the small databases of data/statistics_cases.txt: a few values the
// examples pin, and every statistic of every case written as tab-separated text
// (lines_statistics.tsv in the test's folder) for the oracle, which recomputes them with its own
// arithmetic (statistics_oracle.py).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/time/lines_data.h"
#include "tests/analysis/time/time_fixture.h"
#include "tests/source_path.h"

namespace {

using time_test::FixtureLine;

struct Case {
  std::string name;
  PackedDate from = 0;
  PackedDate to = 0;
  double positiveRate = 0;
  double negativeRate = 0;
  int32_t method = 0;
  bool before = true;
  bool after = true;
  int32_t accumulated = 0;
  std::vector<FixtureLine> lines;
};

PackedDate IsoDate(const std::string& text) {
  int y = 0, m = 0, d = 0;
  std::sscanf(text.c_str(), "%d-%d-%d", &y, &m, &d);
  return PackDate(y, m, d);
}

std::vector<Case> ReadCases() {
  std::ifstream file(TestSourcePath("tests/analysis/time/data/statistics_cases.txt"));
  std::vector<Case> cases;
  std::string line;
  while (std::getline(file, line)) {
    std::istringstream in(line);
    std::string key;
    if (!(in >> key) || key[0] == '#') continue;
    if (key == "case") {
      cases.emplace_back();
      in >> cases.back().name;
      continue;
    }
    Case& c = cases.back();
    std::string a, b;
    if (key == "period") {
      in >> a >> b;
      c.from = IsoDate(a);
      c.to = IsoDate(b);
    } else if (key == "rates") {
      in >> c.positiveRate >> c.negativeRate;
    } else if (key == "method") {
      in >> a;
      c.method = a == "E" ? 1 : 0;
    } else if (key == "off") {
      in >> a;
      if (a == "B") c.before = false;
      if (a == "F") c.after = false;
    } else if (key == "accumulated") {
      in >> c.accumulated;
    } else if (key == "line") {
      std::string v1, v2;
      int card = 1;
      in >> a >> card >> v1 >> v2;
      auto value = [](const std::string& t) { return t == "nan" ? std::nan("") : std::stod(t); };
      c.lines.push_back({IsoDate(a), card, "1910", {value(v1), value(v2)}});
    }
  }
  return cases;
}

class LinesStatisticsTest : public time_test::TimeTest {
 protected:
  // The case's database, selection and options, calculated.
  void Calculate(const Case& c) {
    delete base;
    base = time_test::NewFixtureBase(2);
    for (const FixtureLine& l : c.lines) time_test::AddLine(base, l);
    LinesOptionsInit(&options, base);
    for (auto& flag : options.statistics) flag = 1;
    options.statistics[kStatBefore] = c.before;
    options.statistics[kStatAfter] = c.after;
    options.positiveRate = c.positiveRate;
    options.negativeRate = c.negativeRate;
    options.interestMethod = c.method;
    options.accumulated = c.accumulated;
    Selection_init(&selection, base, nullptr, nullptr);
    CardId from{c.from, 1}, to{c.to, kCardSequenceOpen};
    DateRefSetDate(&selection.from, &from);
    DateRefSetDate(&selection.to, &to);
    LinesDataInit(&data, base);
    ASSERT_TRUE(CalculateLinesData(&data, &selection, options, nullptr, nullptr));
  }
  void Release() {
    LinesDataFree(&data);
    Selection_free(&selection);
  }
  double Stat(int32_t flag, int32_t column) {
    return LinesStatisticValue(&data, kStatFirstText + flag, column);
  }

  LinesOptions options;
  CardSelection selection;
  LinesData data;
};

const char* const kStatNames[] = {
    "before",       "positive", "negative",     "period",      "after",      "linecount",
    "cardcount",    "average",  "median",       "max",         "min",        "turnovertime",
    "turnoverrate", "variance", "stddeviation", "posinterest", "neginterest"};

std::string Cell(double v) {
  if (!std::isfinite(v)) return "";
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", v);
  return text;
}

TEST_F(LinesStatisticsTest, ThePartsExamples) {
  std::vector<Case> cases = ReadCases();
  ASSERT_GE(cases.size(), 5u);
  Calculate(cases[0]);  // 100 on the first of 365 days at 10 %, linear
  EXPECT_DOUBLE_EQ(data.stats.positiveDays[0], 36500);
  EXPECT_DOUBLE_EQ(data.stats.positiveInterest[0], 10);
  Release();
  Calculate(cases[1]);  // the same, compounded
  EXPECT_NEAR(data.stats.positiveInterest[0], 10, 1e-9);
  Release();
}

TEST_F(LinesStatisticsTest, RowsAndBalances) {
  Case c;
  c.from = PackDate(2023, 4, 1);
  c.to = PackDate(2023, 4, 30);
  c.lines = {{PackDate(2023, 3, 1), 1, "1910", {10, 0}},
             {PackDate(2023, 4, 2), 1, "1910", {5, 0}},
             {PackDate(2023, 4, 2), 1, "1930", {std::nan(""), 0}},
             {PackDate(2023, 4, 3), 2, "1910", {7, 0}},
             {PackDate(2023, 5, 3), 1, "1910", {1, 0}}};
  Calculate(c);
  // 15 statistic rows (no rate, no interest rows) and the blank one, then three lines.
  EXPECT_EQ(data.headerRowCount, 16);
  ASSERT_EQ(data.rowCount, 19);
  EXPECT_EQ(LinesRowAt(&data, 15)->statistic, 0);
  EXPECT_EQ(LinesRowAt(&data, 16)->balance, 15);
  // A missing value blanks the running balance from its line on.
  EXPECT_TRUE(std::isnan(LinesRowAt(&data, 17)->balance));
  EXPECT_TRUE(std::isnan(LinesRowAt(&data, 18)->balance));
  EXPECT_EQ(Stat(kStatLineCount, 0), 3);
  EXPECT_EQ(Stat(kStatCardCount, 0), 2);
  EXPECT_EQ(Stat(kStatPeriod, 0), 12);
  EXPECT_EQ(Stat(kStatAfter, 0), 1);
  EXPECT_EQ(Stat(kStatBefore, 0), 10);
  Release();
}

TEST_F(LinesStatisticsTest, ANoLineSelectionGivesOnlyTheHeaderRows) {
  Case c;
  c.from = PackDate(2023, 4, 1);
  c.to = PackDate(2023, 4, 30);
  c.lines = {{PackDate(2023, 3, 1), 1, "1910", {10, 0}}};
  Calculate(c);
  EXPECT_EQ(data.rowCount, data.headerRowCount);
  EXPECT_TRUE(std::isnan(Stat(kStatAverage, 0)));
  EXPECT_TRUE(std::isnan(Stat(kStatMedian, 0)));
  EXPECT_TRUE(std::isnan(Stat(kStatVariance, 0)));
  EXPECT_EQ(Stat(kStatMaximum, 0), -INFINITY);
  Release();
}

TEST_F(LinesStatisticsTest, ABackwardPeriodCountsNoDays) {
  Case c;
  c.from = PackDate(2023, 4, 30);
  c.to = PackDate(2023, 4, 1);
  c.positiveRate = 5;
  c.lines = {{PackDate(2023, 3, 1), 1, "1910", {10, 0}}};
  Calculate(c);
  EXPECT_EQ(data.stats.positiveDays[0], 0);
  EXPECT_EQ(Stat(kStatInterestPositiveText - kStatFirstText, 0), 0);
  EXPECT_TRUE(std::isnan(data.stats.averageBalance[0]));
  Release();
}

TEST_F(LinesStatisticsTest, AFailedRowEndsThePeriodAtItsCard) {
  Case c;
  c.from = PackDate(2023, 4, 1);
  c.to = PackDate(2023, 4, 30);
  for (int day = 1; day <= 10; ++day)
    c.lines.push_back({PackDate(2023, 4, day), 1, "1910", {1, 0}});
  // 15 header rows and the blank one, then the fourth data row fails.
  SetLinesRowFailure(16 + 4);
  Calculate(c);
  SetLinesRowFailure(0);
  EXPECT_EQ(PendingError.request.message, 600);
  PendingErrorClear();
  EXPECT_EQ(data.rowCount - data.headerRowCount, 3);
  EXPECT_EQ(data.stats.lastDate, PackDate(2023, 4, 4));
  EXPECT_TRUE(data.aborted);
  Release();
}

TEST_F(LinesStatisticsTest, EveryCaseForTheOracle) {
  std::ofstream out("lines_statistics.tsv", std::ios::binary);
  ASSERT_TRUE(out.good());
  for (const Case& c : ReadCases()) {
    Calculate(c);
    for (int32_t column = 0; column < 2; ++column) {
      for (int32_t id = kStatFirstText; id <= kStatInterestNegativeText; ++id) {
        out << c.name << '\t' << column << '\t' << kStatNames[id - kStatFirstText] << '\t'
            << Cell(LinesStatisticValue(&data, id, column)) << '\n';
      }
    }
    for (int32_t id = kStatFirstText; id <= kStatInterestNegativeText; ++id) {
      out << c.name << "\tS\t" << kStatNames[id - kStatFirstText] << '\t'
          << Cell(LinesStatisticAccumulated(&data, options, id)) << '\n';
    }
    for (int64_t r = data.headerRowCount; r < data.rowCount; ++r) {
      out << c.name << "\trow\t" << (r - data.headerRowCount) << '\t'
          << Cell(LinesRowAt(&data, r)->balance) << '\n';
    }
    Release();
  }
}

}  // namespace

namespace {

// Every row allocation of a calculation failing in turn: the rows built stay sound and the
// failure is reported.
TEST_F(LinesStatisticsTest, EachFailingRowAllocation) {
  std::vector<Case> cases = ReadCases();
  const Case& c = cases[11];  // mixed signs, before and after
  Calculate(c);
  const int64_t rows = data.rowCount;
  const int64_t headers = data.headerRowCount;
  Release();
  for (int64_t n = 1; n <= rows; ++n) {
    SetLinesRowFailure(n);
    Calculate(c);
    SetLinesRowFailure(0);
    EXPECT_EQ(PendingError.request.message, 600) << n;
    PendingErrorClear();
    // A header row that cannot be had stops the calculation (the abort flag is up); a data row
    // ends the period there.
    EXPECT_EQ(data.rowCount, n > headers ? n - 1 : headers - 1) << n;
    for (int64_t r = data.headerRowCount; r < data.rowCount; ++r) {
      const LinesRow* row = LinesRowAt(&data, r);
      ASSERT_TRUE(row->card && row->group && row->line) << n;
    }
    Release();
  }
}

}  // namespace
