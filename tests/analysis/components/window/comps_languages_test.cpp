// The components window in every translation: no translation adds a fault to the layout check
// of a calculated window of the first dimension.
#include <gtest/gtest.h>

#include "tests/analysis/components/window/comps_window_fixture.h"
#include "tests/ui/translated_layout.h"

namespace {

using comps_test::CompsWindowTest;

TEST_F(CompsWindowTest, NoTranslationAddsALayoutFault) {
  Open([](T_CompsTmpl* t) { t->viewDims.dimension[0] = 0; });
  ASSERT_NE(window, nullptr);
  for (const ui_test::TestLanguage& row : ui_test::kTranslations) {
    ui_test::LayoutFaults added = ui_test::FaultsAddedByLanguage(window, row.language);
    EXPECT_TRUE(added.empty()) << row.name << "\n" << added;
  }
}

}  // namespace
