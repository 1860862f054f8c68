// Independent totals: the example database's lines and components go out as TSV, and for a table
// of settings the components window's XML export goes beside them with the settings and each
// row's path. check_totals.py recomputes every node's values and counts with sqlite3 from the
// TSV alone (a ctest step after this program).
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "core/output_stream.h"
#include "core/value_format.h"
#include "database/component_tree.h"
#include "tests/analysis/components/example_tsv.h"
#include "tests/analysis/components/window/comps_window_fixture.h"
#include "tools/make_example/example_database.h"

namespace {

using comps_test::CompsWindowTest;
using comps_test::Written;
using example_tsv::CodeOf;
using example_tsv::OutputFolder;
using example_tsv::WriteComponents;
using example_tsv::WriteLines;

struct TotalsCase {
  const char* name;
  std::vector<int32_t> dims;
  int32_t levels;
  int32_t from, to;  // yyyymmdd; 0 the file's end
  const char* department;  // dimension 1's expression: a code and everything below it
  const char* lineText;    // a line-text criterion: terms any of which the text contains
  const char* condition;   // on the value column
};

class CompsTotals : public CompsWindowTest {};

TEST_F(CompsTotals, ExampleExportsForTheIndependentCheck) {
  const std::string folder = OutputFolder("analysis_components");
  if (folder.empty()) GTEST_SKIP() << "no output folder";
  delete base;
  base = BuildExampleDatabase();
  ASSERT_NE(base, nullptr);
  NumFormat saved = *ValueNumFormat();
  ValueNumFormat()->decimalSeparator = '.';
  ValueNumFormat()->thousandsSeparator = 0;
  WriteComponents(base, folder + "\\components.tsv");
  WriteLines(base, folder + "\\lines.tsv");
  const TotalsCase cases[] = {
      {"all_levels", {0}, 0, 0, 0, "", "", ""},
      {"levels_2", {0}, 2, 0, 0, "", "", ""},
      {"one_year", {0}, 0, 20240101, 20241231, "", "", ""},
      {"selection", {0}, 0, 20230101, 20251231, "S", "moms|betal", ">0"},
      {"two_dimensions", {0, 1}, 0, 20240101, 20241231, "", "", ""},
  };
  std::ofstream list(folder + "\\cases.tsv", std::ios::binary);
  for (const TotalsCase& c : cases) {
    Open([&](T_CompsTmpl* t) {
      t->viewDims.count = static_cast<int32_t>(c.dims.size());
      for (size_t s = 0; s < c.dims.size(); ++s) t->viewDims.dimension[s] = c.dims[s];
      t->viewDims.levels[0] = static_cast<uint16_t>(c.levels);
      for (CompsColumn& column : t->options.columns) {
        column.shown = 1;
        column.sublevels = 1;  // every cell shows its node's totals
        column.decimals = 2;
      }
      t->options.columns[kCompsPercentage].decimals = 4;
      auto bound = [&](DateRef* ref, int32_t ymd, int32_t number) {
        CardId id{PackDate(ymd / 10000, ymd / 100 % 100, ymd % 100), number};
        DateRefSetDate(ref, &id);
      };
      if (c.from) bound(&t->selection.from, c.from, 1);
      if (c.to) bound(&t->selection.to, c.to, 0x7FFFFFFF);
      if (*c.department) SelectionDef_setComponentText(&t->selection, 1, c.department);
      if (*c.lineText) SelectionDef_setPattern(&t->selection, kPatternLineText, c.lineText);
      if (*c.condition) SelectionDef_setCondition(&t->selection, 0, c.condition);
    });
    ASSERT_NE(window, nullptr);
    window->ExpandToDepth(99);
    T_OStream xml;
    window->WriteXml(&xml);
    std::ofstream(folder + "\\" + c.name + ".xml", std::ios::binary) << Written(xml);
    // Each row's path: the code of every slot's component down to the node's slot.
    std::ofstream rows(folder + "\\" + c.name + ".rows.tsv", std::ios::binary);
    for (int64_t row = 0; row < window->rowCount; ++row) {
      const int64_t node = window->RowNode(row);
      const int32_t slot = window->Node(node)->slot;
      rows << row;
      for (int32_t s = 0; s <= slot; ++s) {
        const int64_t a = window->SlotAncestor(node, s);
        rows << '\t' << window->live.dimension[s] << ':' << CodeOf(window->Node(a)->component);
      }
      rows << '\n';
    }
    list << c.name << '\t' << c.levels << '\t' << c.from << '\t' << c.to << '\t' << c.department
         << '\t' << c.lineText << '\t' << c.condition << '\n';
  }
  *ValueNumFormat() = saved;
}

}  // namespace
