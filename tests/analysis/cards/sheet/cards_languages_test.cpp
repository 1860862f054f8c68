// The cards window of the example in every translation: no translation adds a fault to the
// layout check of its month window after a calculation.
#include <gtest/gtest.h>

#include "analysis/cards/cards_window.h"
#include "database/template_runner.h"
#include "database/template_tree.h"
#include "tests/analysis/cards/example_fixture.h"
#include "tests/ui/translated_layout.h"

namespace {

using CardsLanguages = cards_test::ExampleTest;

TEST_F(CardsLanguages, NoTranslationAddsALayoutFaultToTheMonthWindow) {
  T_Template* templ = FindTemplate(base, "Verifikationer: Mars 2026");
  ASSERT_NE(templ, nullptr);
  auto* window = AsCardsWindow(RunTemplate(base, templ, nullptr, kRunNoLookup | kRunHidden));
  ASSERT_NE(window, nullptr);
  window->Calculate(true);
  for (const ui_test::TestLanguage& row : ui_test::kTranslations) {
    ui_test::LayoutFaults added = ui_test::FaultsAddedByLanguage(window, row.language);
    EXPECT_TRUE(added.empty()) << row.name << "\n" << added;
  }
}

}  // namespace
