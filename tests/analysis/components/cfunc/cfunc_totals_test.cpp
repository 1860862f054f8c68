// Independent totals: the example's "Komponentfunktioner: Konton" template is exported as XML
// at all levels, at levels 2 and for one year, beside the example's lines and components as TSV
// and each row's path. check_cfunc_totals.py recomputes every cell with sqlite3 from the TSV
// alone (a ctest step after this program).
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "analysis/components/cfunc_window.h"
#include "core/output_stream.h"
#include "core/value_format.h"
#include "database/date_ref.h"
#include "database/template_tree.h"
#include "database/toolkit_adapter.h"
#include "tests/analysis/boxwin/box_fixture.h"
#include "tests/analysis/components/components_fixture.h"
#include "tests/analysis/components/example_tsv.h"
#include "tools/make_example/example_database.h"

namespace {

class CFuncTotals : public box_test::BoxTest {
 protected:
  void SetUp() override {
    BoxTest::SetUp();
    InstallDatabaseServices();
    InstallFunctionTemplates();
    InstallComponentFunctionsWindow();
  }
  void TearDown() override {
    SetWindowOpener(kTemplateComponentFunctions, nullptr);
    BoxTest::TearDown();
  }
};

TEST_F(CFuncTotals, ExampleExportsForTheIndependentCheck) {
  const std::string folder = example_tsv::OutputFolder("analysis_components_cfunc");
  if (folder.empty()) GTEST_SKIP() << "no output folder";
  T_Base* base = BuildExampleDatabase();
  ASSERT_NE(base, nullptr);
  NumFormat saved = *ValueNumFormat();
  ValueNumFormat()->decimalSeparator = '.';
  ValueNumFormat()->thousandsSeparator = 0;
  example_tsv::WriteComponents(base, folder + "\\components.tsv");
  example_tsv::WriteLines(base, folder + "\\lines.tsv");
  const struct {
    const char* name;
    int32_t levels;
    int32_t from, to;  // yyyymmdd, 0 open
  } cases[] = {{"all_levels", 0, 0, 0}, {"levels_2", 2, 0, 0}, {"one_year", 0, 20240101, 20241231}};
  std::ofstream list(folder + "\\cases.tsv", std::ios::binary);
  T_CFuncTmpl* stored = AsComponentFunctionsTemplate(FindTemplate(base, "Komponentfunktioner: Konton"));
  ASSERT_NE(stored, nullptr);
  for (const auto& c : cases) {
    T_CFuncTmpl templ(base);
    T_OStream text;
    stored->WriteText(&text);
    T_IStream in;
    in.CtorFromMemory(text.start, text.BufferedLength());
    in.NextLine();
    while (in.NextLine()) templ.ReadRecord(&in);
    templ.BeginRead();
    templ.viewDims.levels[0] = static_cast<uint16_t>(c.levels);
    // The check recomputes full values: the cells keep every digit whatever the template shows.
    for (T_CVariableTmpl* v = templ.variables; v; v = v->next) v->decimals = kDecimalsFloating;
    for (T_CSelectionTmpl* s = templ.selections; s; s = s->nextSelection) {
      auto bound = [&](DateRef* ref, int32_t ymd, int32_t number) {
        CardId id{PackDate(ymd / 10000, ymd / 100 % 100, ymd % 100), number};
        DateRefSetDate(ref, &id);
      };
      if (c.from) bound(&s->selection.from, c.from, 1);
      if (c.to) bound(&s->selection.to, c.to, 0x7FFFFFFF);
    }
    T_CFunc* window = AsCFuncWindow(OpenComponentFunctionsWindow(&templ, nullptr, 0));
    ASSERT_NE(window, nullptr);
    window->templ = nullptr;
    window->RunCalculation(true, true);
    window->ExpandToDepth(99);
    window->output.dataRows = 1;
    T_OStream xml;
    window->WriteXml(&xml);
    std::ofstream(folder + "\\" + c.name + ".xml", std::ios::binary) << comps_test::Written(xml);
    std::ofstream rows(folder + "\\" + c.name + ".rows.tsv", std::ios::binary);
    for (int64_t row = 0; row < window->rowCount; ++row) {
      const int64_t node = window->RowNode(row);
      rows << row << '\t' << example_tsv::CodeOf(window->Node(node)->component) << '\n';
    }
    list << c.name << '\t' << c.levels << '\t' << c.from << '\t' << c.to << '\n';
    EventHandler_CloseAndDelete(window, 3);
  }
  *ValueNumFormat() = saved;
  delete base;
}

}  // namespace
