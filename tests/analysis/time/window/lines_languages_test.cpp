// The lines window on the example in every translation: no translation adds a fault to the
// layout check of its table, curve or bars after a calculation.
#include <gtest/gtest.h>

#include "analysis/time/lines_window.h"
#include "core/alert_handlers.h"
#include "database/card_selection.h"
#include "tests/analysis/time/window/lines_window_fixture.h"
#include "tests/ui/translated_layout.h"
#include "tools/make_example/example_database.h"

namespace lines_test {
namespace {

TEST_F(LinesWindowTest, NoTranslationAddsALayoutFaultToAnyPresentation) {
  T_NoAlerts quiet;
  T_Base* example = BuildExampleDatabase();
  ASSERT_NE(example, nullptr);
  T_LinesTmpl templ(example);
  SelectionDef_setComponentText(&templ.selection, 0, "1930");
  T_Lines* lines = AsLinesWindow(OpenLinesWindow(&templ, nullptr, 0));
  ASSERT_NE(lines, nullptr);
  lines->templ = nullptr;
  lines->CalculateLines(true);
  for (uint32_t mode : {0u, 1u, 2u}) {
    lines->SetPresentation(mode);
    for (const ui_test::TestLanguage& row : ui_test::kTranslations) {
      ui_test::LayoutFaults added = ui_test::FaultsAddedByLanguage(lines, row.language);
      EXPECT_TRUE(added.empty()) << row.name << " in presentation " << mode << "\n" << added;
    }
  }
  EventHandler_CloseAndDelete(lines, 3);
  delete example;
}

}  // namespace
}  // namespace lines_test
