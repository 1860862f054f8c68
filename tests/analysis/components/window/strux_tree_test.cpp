// The tree of the structure window on the fixture: one table from view set, levels, structure,
// filter and component set to the rows and the lines placed at them, run again with the tuple
// table starting at 10 slots.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/analysis/components/window/comps_window_fixture.h"

namespace {

using comps_test::CompsWindowTest;
using Rows = std::vector<std::string>;

struct TreeCase {
  const char* name;
  std::vector<int32_t> dims;
  std::vector<int32_t> levels;
  std::vector<int32_t> flat;
  std::vector<int32_t> filter;
  const char* restriction;  // dimension 1's expression, "" for none
  Rows rows;
};

class StruxTree : public CompsWindowTest {
 protected:
  void Run(const TreeCase& c, int64_t first) {
    estimate = first;
    Open([&](T_CompsTmpl* t) {
      t->viewDims.count = static_cast<int32_t>(c.dims.size());
      for (size_t s = 0; s < c.dims.size(); ++s) {
        t->viewDims.dimension[s] = c.dims[s];
        if (s < c.levels.size()) t->viewDims.levels[s] = static_cast<uint16_t>(c.levels[s]);
        if (s < c.flat.size()) t->viewDims.structure[s] = c.flat[s];
        if (s < c.filter.size()) t->viewDims.filter[s] = c.filter[s];
      }
      if (*c.restriction) SelectionDef_setComponentText(&t->selection, 1, c.restriction);
      // The period 2024: the lines of 2023 and 2025 lie before and after it.
      CardId from{PackDate(2024, 1, 1), 1};
      CardId to{PackDate(2024, 12, 31), 0x7FFFFFFF};
      DateRefSetDate(&t->selection.from, &from);
      DateRefSetDate(&t->selection.to, &to);
    });
  }
};

const std::vector<TreeCase>& Cases() {
  static const std::vector<TreeCase> cases = {
      {"one dimension", {0}, {}, {}, {}, "",
       {"0 *", "1 1", "2 11", "3 111", "3 112", "2 12", "3 121", "1 2", "2 21", "3 211"}},
      {"flat", {0}, {}, {1}, {}, "",
       {"0 *", "1 1", "1 11", "1 111", "1 112", "1 12", "1 121", "1 2", "1 21", "1 211"}},
      {"levels 2", {0}, {2}, {}, {}, "", {"0 *", "1 1", "2 11", "2 12", "1 2", "2 21"}},
      {"empty dimension", {3}, {}, {}, {}, "", {"0 *"}},
      {"repeated dimension", {0, 0}, {}, {}, {}, "",
       {"0 *", "1 1", "2 11", "3 111", "3 112", "2 12", "3 121", "1 2", "2 21", "3 211"}},
      {"restricted to a product", {1}, {}, {}, {}, "AA", {"0 AA", "1 AAA", "1 AAB"}},
      // Every combination of the components.
      {"two, all", {1, 0}, {}, {}, {0, 0}, "AAB",
       {"0 AAB", "1 1", "2 11", "3 111", "3 112", "2 12", "3 121", "1 2", "2 21", "3 211"}},
      // Only the combinations on lines, each slot's tree starting where the lines part.
      {"two, in use", {0, 1}, {}, {}, {1, 1}, "",
       {"0 *", "1 1", "2 11", "3 111", "4 AAA", "4 AAB", "3 112", "4 A", "5 AA", "6 AAA", "2 12",
        "3 121", "4 A", "5 AB", "4 B", "5 BA", "1 2", "2 21", "3 211", "4 BA"}},
      {"two, non-zero", {0, 2}, {}, {}, {2, 2}, "",
       {"0 *", "1 1", "2 11", "3 111", "4 X", "5 XX", "6 XXX", "3 112", "2 12", "3 121", "4 YY",
        "1 2", "2 21", "3 211", "4 X", "5 XX", "4 Y"}},
      {"three, in use", {0, 1, 2}, {}, {}, {1, 1, 1}, "",
       {"0 *", "1 1", "2 11", "3 111", "4 AAA", "5 X", "6 XX", "7 XXX", "4 AAB", "5 XXX", "3 112",
        "4 A", "5 AA", "6 AAA", "2 12", "3 121", "4 A", "5 AB", "6 YY", "4 B", "5 BA", "1 2",
        "2 21", "3 211", "4 BA"}},
      // Levels 1 and a flat second slot: a region shows only where lines hold it.
      {"two, levels and flat", {1, 2}, {1, 0}, {0, 1}, {1, 1}, "",
       {"0 *", "1 A", "2 XX", "2 XXX", "2 Y", "2 YY", "1 B", "2 XX", "2 Y", "2 YY"}},
  };
  return cases;
}

// The admitted lines of the period: 2024, the product restricted by code prefix.
int64_t AdmittedLines(const char* restriction) {
  int64_t n = 0;
  for (const comps_test::Line& l : comps_test::FixtureLines()) {
    if (l.year != 2024) continue;
    if (*restriction && std::string(l.product).rfind(restriction, 0) != 0) continue;
    ++n;
  }
  return n;
}

// Every tree places each admitted line at exactly one node: the node of its own combination, or,
// where that got none, the nearest enclosing node. With three view dimensions in use, each
// account's product tree starts at a product that stands for the account's node and gets no region
// tree of its own, so five lines (for example 112 with no product in XX) count at the account:
// the nodes' own line counts add up to the admitted lines wherever no filter drops nodes with lines.
TEST_F(StruxTree, RowsOfEveryViewSet) {
  for (int64_t estimate : {kTupleEstimate, int64_t{10}}) {
    for (const TreeCase& c : Cases()) {
      Run(c, estimate);
      ASSERT_NE(window, nullptr);
      window->ExpandToDepth(99);
      EXPECT_EQ(Rows(), c.rows) << c.name << " estimate " << estimate;
      if (std::find(c.filter.begin(), c.filter.end(), kViewFilterNonZero) != c.filter.end())
        continue;
      int64_t placed = 0;
      for (int64_t n = 0; n < window->nodeCount; ++n) placed += window->CNode(n)->own.lines;
      EXPECT_EQ(placed, AdmittedLines(c.restriction))
          << c.name << " estimate " << estimate;
    }
  }
}

}  // namespace
