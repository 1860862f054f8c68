// The time functions calculation over the small databases of data/tfunc_cases.txt: every entry
// of every case (its end and its values) written as tab-separated text (tfunc_cases.tsv in the
// test's folder) for the oracle, which forms the periods from the calendar itself and measures
// the lines with its own arithmetic (tfunc_oracle.py). A few values are pinned here as well.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/time/time_calculation.h"
#include "database/time_scale.h"
#include "tests/analysis/time/time_fixture.h"
#include "tests/source_path.h"

namespace {

using time_test::FixtureLine;

struct SelectionCase {
  std::string name;
  char measure = 'S';
  char accumulation = 'A';
  std::string shift;
  bool totals = false;
  bool hidden = false;
  int32_t column = 0;
  PackedDate from = 0;
  PackedDate to = 0;
};

struct FormulaSpec {
  std::string name;
  char operation = 'x';
  std::string text;
  bool totals = false;
};

struct ScalePeriod {
  CardId start;
  std::string name;
};

struct Case {
  std::string name;
  int32_t type = 5;
  PackedDate from = 0;
  PackedDate to = 0;
  bool before = true;
  std::vector<ScalePeriod> scale;
  std::vector<FixtureLine> lines;
  std::vector<SelectionCase> selections;
  std::vector<FormulaSpec> formulas;
};

PackedDate IsoDate(const std::string& text) {
  int y = 0, m = 0, d = 0;
  std::sscanf(text.c_str(), "%d-%d-%d", &y, &m, &d);
  return PackDate(y, m, d);
}

CardId IsoCardId(const std::string& text) {
  int y = 0, m = 0, d = 0, n = 1;
  std::sscanf(text.c_str(), "%d-%d-%d-%d", &y, &m, &d, &n);
  return CardId{PackDate(y, m, d), n};
}

double Value(const std::string& t) { return t == "nan" ? std::nan("") : std::stod(t); }

std::vector<Case> ReadCases() {
  std::ifstream file(TestSourcePath("tests/analysis/time/data/tfunc_cases.txt"));
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
      in >> c.type >> a >> b;
      c.from = IsoDate(a);
      c.to = IsoDate(b);
    } else if (key == "before") {
      in >> a;
      c.before = a != "off";
    } else if (key == "scale") {
      in >> a >> b;
      c.scale.push_back({IsoCardId(a), b});
    } else if (key == "line") {
      std::string account, v1, v2;
      int card = 1;
      in >> a >> card >> account >> v1 >> v2;
      FixtureLine l{IsoDate(a), card, "1910", {Value(v1), v2.empty() ? 0.0 : Value(v2)}};
      l.account = account == "1930" ? "1930" : account == "3010" ? "3010" : "1910";
      c.lines.push_back(l);
    } else if (key == "lines-of") {
      in >> a;
      for (const Case& earlier : cases) {
        if (earlier.name == a) c.lines = earlier.lines;
      }
    } else if (key == "sel") {
      SelectionCase s;
      in >> s.name >> s.measure >> s.accumulation;
      std::string option;
      while (in >> option) {
        if (option == "totals") s.totals = true;
        else if (option == "hidden") s.hidden = true;
        else if (option.rfind("shift=", 0) == 0) s.shift = option.substr(6);
        else if (option.rfind("column=", 0) == 0) s.column = std::stoi(option.substr(7));
        else if (option.rfind("from=", 0) == 0) s.from = IsoDate(option.substr(5));
        else if (option.rfind("to=", 0) == 0) s.to = IsoDate(option.substr(3));
      }
      c.selections.push_back(s);
    } else if (key == "formula") {
      FormulaSpec f;
      in >> f.name >> f.operation >> f.text;
      if (in >> a) f.totals = a == "totals";
      c.formulas.push_back(f);
    }
  }
  return cases;
}

class TFuncCasesTest : public time_test::TimeTest {
 protected:
  void TearDown() override {
    if (ready) TFuncDataFree(&data);
    time_test::TimeTest::TearDown();
  }
  // The case's database and window settings, calculated.
  int32_t Calculate(const Case& c) {
    if (ready) TFuncDataFree(&data);
    delete base;
    base = time_test::NewFixtureBase(2);
    for (const FixtureLine& l : c.lines) time_test::AddLine(base, l);
    TFuncDataInit(&data, base);
    ready = true;
    if (!c.scale.empty()) {
      auto* scale = new (std::nothrow) TimeScale(base, "Scale");
      for (const ScalePeriod& p : c.scale) TimeScaleAppendPeriod(scale, &p.start, p.name.c_str());
      data.timeScale = scale;
    }
    data.periodType = c.type;
    data.showBefore = c.before;
    CardId from{c.from, 1}, to{c.to, kCardSequenceOpen};
    DateRefSetDate(&data.from, &from);
    DateRefSetDate(&data.to, &to);
    for (const SelectionCase& wanted : c.selections) {
      T_TSelection* s = TFuncNewSelection(&data, wanted.name.c_str());
      IndexOfLetter(kMethodLetters, wanted.measure, &s->measure);
      IndexOfLetter(kTimeAccumulationLetters, wanted.accumulation, &s->accumulation);
      s->shift = TimeShiftFromText(wanted.shift.c_str(), static_cast<int32_t>(wanted.shift.size()));
      s->totals = wanted.totals;
      s->shown = !wanted.hidden;
      s->valueColumn = wanted.column;
      if (wanted.from) {
        CardId id{wanted.from, 1};
        DateRefSetDate(&s->selection.from, &id);
      }
      if (wanted.to) {
        CardId id{wanted.to, kCardSequenceOpen};
        DateRefSetDate(&s->selection.to, &id);
      }
    }
    for (const FormulaSpec& wanted : c.formulas) {
      T_TFormula* f = TFuncNewFormula(&data, wanted.name.c_str());
      BlockTextAssign(&f->text, wanted.text.c_str());
      IndexOfLetter(kOperationLetters, wanted.operation, &f->operation);
      f->totals = wanted.totals;
    }
    return CalculateTimeFunctions(&data, nullptr, nullptr);
  }
  double At(int64_t entry, int32_t column) { return TFuncEntryAt(&data, entry)->values[column]; }

  TFuncData data;
  bool ready = false;
};

std::string Cell(double v) {
  if (std::isnan(v)) return "nan";
  if (std::isinf(v)) return v > 0 ? "inf" : "-inf";
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", v);
  return text;
}

std::string IsoText(PackedDate date) {
  if (date == 0) return "-";
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", PackedDateYear(date), PackedDateMonth(date),
                PackedDateDay(date));
  return text;
}

const Case* Find(const std::vector<Case>& cases, const std::string& name) {
  for (const Case& c : cases) {
    if (c.name == name) return &c;
  }
  return nullptr;
}

TEST_F(TFuncCasesTest, PinnedValues) {
  std::vector<Case> cases = ReadCases();
  // Months over three months with a gap: Sum 0, Average and Maximum missing in the empty month.
  const Case* c = Find(cases, "empty_months");
  ASSERT_TRUE(c);
  ASSERT_EQ(Calculate(*c), kCalcStarted);
  ASSERT_EQ(data.periodCount, 5);
  EXPECT_EQ(TFuncEntryAt(&data, 3)->end.date, PackDate(2024, 2, 29));
  EXPECT_EQ(At(3, 0), 0.0);
  EXPECT_TRUE(std::isnan(At(3, 1)));
  EXPECT_TRUE(std::isnan(At(3, 2)));
  // Geometric mean over 2 and -8 is -4; over 0 and 5 it is 0.
  c = Find(cases, "geometric_mean");
  ASSERT_TRUE(c);
  ASSERT_EQ(Calculate(*c), kCalcStarted);
  EXPECT_NEAR(At(2, 0), -4.0, 1e-12);
  EXPECT_EQ(At(3, 0), 0.0);
  // Card count over cards A, B, A (in walk order, one period) is 3.
  c = Find(cases, "card_count_aba");
  ASSERT_TRUE(c);
  ASSERT_EQ(Calculate(*c), kCalcStarted);
  EXPECT_EQ(At(2, 0), 3.0);
}

TEST_F(TFuncCasesTest, EveryCaseWrittenForTheOracle) {
  std::vector<Case> cases = ReadCases();
  ASSERT_GE(cases.size(), 10u);
  std::ofstream out("tfunc_cases.tsv", std::ios::binary);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(Calculate(c), kCalcStarted);
    out << "case\t" << c.name << "\n";
    for (int64_t i = 0; i < data.periodCount; ++i) {
      const TFuncEntry* e = TFuncEntryAt(&data, i);
      out << "entry\t" << i << "\t" << IsoText(e->end.date) << "\t" << e->end.sequence;
      for (int32_t col = 0; col < data.columnCount; ++col) out << "\t" << Cell(e->values[col]);
      out << "\n";
    }
  }
}

}  // namespace
