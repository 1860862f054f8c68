// The values of the components window on the fixture: one table of nodes and value types, the
// lines that count nowhere, cards counted once up the tree, the percentage of a zero base, own
// and total blocks, failures in the middle of a calculation, Before left uncomputed while no column needs it, and a date bound that
// follows a change of the day.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "core/threads.h"
#include "database/change_notes.h"
#include "database/date_ref.h"
#include "tests/analysis/components/calculation_faults.h"
#include "tests/analysis/components/window/comps_window_fixture.h"

namespace {

using comps_test::CompsWindowTest;

class CompsValues : public CompsWindowTest {
 protected:
  // Accounts, every column, the period 2024.
  void OpenAll(const char* restriction = "", const char* condition = "") {
    Open([&](T_CompsTmpl* t) {
      t->viewDims.dimension[0] = 0;
      for (CompsColumn& c : t->options.columns) c.shown = 1;
      if (*restriction) SelectionDef_setComponentText(&t->selection, 0, restriction);
      if (*condition) SelectionDef_setCondition(&t->selection, 0, condition);
      CardId from{PackDate(2024, 1, 1), 1};
      CardId to{PackDate(2024, 12, 31), 0x7FFFFFFF};
      DateRefSetDate(&t->selection.from, &from);
      DateRefSetDate(&t->selection.to, &to);
    });
    window->ExpandToDepth(0);
  }
  std::string Cell(int64_t row, int32_t type) {
    T_BoxField* field = window->fields[type];
    std::vector<std::string> texts = Texts(row);
    int32_t i = 0;
    for (T_BoxField* f = window->firstField; f; f = f->next, ++i) {
      if (f == field) return texts[static_cast<size_t>(i)];
    }
    return "<none>";
  }
  void AddLine(int32_t year, int32_t month, const char* account, double value) {
    CardId id{PackDate(year, month, 28), 1};
    CardRecord* card = CreateCard(base, &id);
    GroupRecord* group = base->FindOrAddGroup(card, FindByCode(base, 0, account)->number);
    base->SetLineValue(CreateLine(base, group), 0, value);
  }
};

// Out of memory or the user's abort at any allocation of a recalculation: the window either has
// its full figures or is not calculated, and then Calc stays enabled for another try; a run
// without a fault calculates again.
TEST_F(CompsValues, AFaultInTheMiddleOfACalculationLeavesCalcEnabled) {
  OpenAll();
  window->ExpandToDepth(99);
  auto figures = [this] {
    std::vector<std::string> all;
    for (int64_t r = 0; r < static_cast<int64_t>(window->rows.size()); ++r) {
      for (const std::string& text : Texts(r)) all.push_back(text);
    }
    return all;
  };
  comps_test::ExpectEveryCalculationFaultFailsCleanly(
      window,
      [this] {
        window->RunCalculation(true, true);
        window->ExpandToDepth(99);
      },
      figures);
}

TEST_F(CompsValues, EveryTypeOfCollapsedNodes) {
  // Lines that count nowhere: an infinite value in the period, missing values before and in it.
  AddLine(2024, 12, "211", std::numeric_limits<double>::infinity());
  AddLine(2023, 12, "211", std::nan(""));
  AddLine(2024, 11, "211", std::nan(""));
  OpenAll();
  window->ToggleNode(0, true, false);
  window->ExpandToDepth(1);  // only the root open: every other node shows its totals
  struct Case {
    const char* code;
    const char* cells[kCompsTypeCount];  // B N P R % K C E A T
  } cases[] = {
      // a zero value is a line without a sign
      {"1", {"130.00", "-7.00", "76.00", "69.00", "123.2", "11", "13", "199.00", "1,000.00",
             "1,199.00"}},
      {"2", {"0", "-18.00", "5.00", "-13.00", "-23.2", "4", "4", "-13.00", "-500.00",
             "-513.00"}},
  };
  for (const Case& c : cases) {
    const int64_t row = RowOf(c.code);
    ASSERT_GE(row, 0) << c.code;
    for (int32_t t = 0; t < kCompsTypeCount; ++t)
      EXPECT_EQ(Cell(row, t), c.cells[t]) << c.code << " type " << t;
  }
  // The root, collapsed: cards counted once each, whatever the nodes their lines fall on.
  window->ExpandToDepth(0);
  EXPECT_EQ(Cell(0, kCompsCards), "15");
  EXPECT_EQ(Cell(0, kCompsLines), "17");
  EXPECT_EQ(Cell(0, kCompsPercentage), "100.0");
}

TEST_F(CompsValues, ExpandedNodesShowTheirOwnLines) {
  OpenAll();
  window->ExpandToDepth(2);  // root, 1, 2 open
  const int64_t row = RowOf("1");
  ASSERT_GE(row, 0);
  // "1" has no lines of its own: its own block is empty while it is open.
  EXPECT_EQ(Cell(row, kCompsPeriod), "0");
  EXPECT_EQ(Cell(row, kCompsLines), "0");
  window->options.columns[kCompsPeriod].sublevels = 1;
  EXPECT_EQ(Cell(row, kCompsPeriod), "69.00");
  window->ToggleNode(window->RowNode(row), false, false);
  EXPECT_EQ(Cell(RowOf("1"), kCompsLines), "13");
}

TEST_F(CompsValues, ZeroBaseAndUncomputedBefore) {
  // Only the zero line of 112: the percentage base is zero, the share has no value.
  OpenAll("112", "=0");
  EXPECT_EQ(Cell(0, kCompsPeriod), "0");
  EXPECT_EQ(Cell(0, kCompsPercentage), "");
  EXPECT_EQ(Cell(0, kCompsLines), "1");

  // Before hidden and not needed by sorting or the graphic: not computed.
  Open([](T_CompsTmpl* t) {
    t->viewDims.dimension[0] = 0;
    for (int32_t type : {kCompsBefore, kCompsAtEnd, kCompsTotal})
      t->options.columns[type].shown = 0;
  });
  EXPECT_EQ(window->computedBefore, 0);
  EXPECT_TRUE(std::isnan(window->CNode(0)->total.before));
  // Showing the column asks for a new calculation.
  window->ShowColumn(kCompsBefore, true);
  EXPECT_TRUE(window->CalcButtonEnabled());
}

DateRecord g_today{};
DateRecord Today() { return g_today; }
void SetToday(int32_t year, int32_t month) {
  g_today = DateRecord{};
  g_today.year = static_cast<int16_t>(year);
  g_today.month = static_cast<int16_t>(month);
  g_today.day = 15;
  g_today.hour = 12;
  g_today.precision = 5;
}

TEST_F(CompsValues, AMovedDateBoundMarksTheResultsOutOfDate) {
  SetToday(2024, 6);
  SetClockSource(Today);
  Open([](T_CompsTmpl* t) {
    t->viewDims.dimension[0] = 0;
    const char* month = "Month-1";
    DateRefParse(&t->selection.from, month, static_cast<int32_t>(std::strlen(month)));
  });
  const CardId from = window->selection.from.cardId;
  EXPECT_EQ(from.date, PackDate(2024, 5, 1));
  // A refresh on the same day moves nothing; a new month moves the bound.
  window->SetCalcButtonEnabled(false);
  NotifyObjectChange(base, kChangeRefresh, nullptr, 0);
  EXPECT_FALSE(window->CalcButtonEnabled());
  SetToday(2024, 7);
  NotifyObjectChange(base, kChangeRefresh, nullptr, 0);
  EXPECT_EQ(window->selection.from.cardId.date, PackDate(2024, 6, 1));
  EXPECT_TRUE(window->CalcButtonEnabled());
  // The calculation takes the new bound: the next quiet note leaves the results alone.
  window->RunCalculation(true, true);
  window->SetCalcButtonEnabled(false);
  NotifyObjectChange(base, kChangeListWidth1, nullptr, 0);
  EXPECT_FALSE(window->CalcButtonEnabled());
  SetClockSource(nullptr);
}

}  // namespace
