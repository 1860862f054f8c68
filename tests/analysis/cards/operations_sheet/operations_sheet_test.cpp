// The transform and aggregate dialogs as a person sees them, on the example database, laid out
// on one contact sheet (operations_sheet.bmp, made a PNG by the build): the transform dialog over
// a cards window and over a card editor, and the aggregate dialog's three pages. The checks make
// sure that each picture drew something where it should and that no translation adds a fault to
// the dialogs' layout check.
#include <gtest/gtest.h>

#include "analysis/cards/aggregator.h"
#include "analysis/cards/cards_window.h"
#include "analysis/cards/transform.h"
#include "analysis/cards/transform_dialog.h"
#include "database/template_tree.h"
#include "tests/analysis/cards/example_fixture.h"
#include "tests/analysis/cards/operations_sheet/editor_transform_picture.h"
#include "tests/ui/translated_layout.h"
#include "tests/ui/window_picture.h"
#include "ui/tab_strip.h"

namespace {

void ExpectNoFaultAdded(T_GrafElement* dialog, const char* what) {
  for (const ui_test::TestLanguage& row : ui_test::kTranslations) {
    ui_test::LayoutFaults added = ui_test::FaultsAddedByLanguage(dialog, row.language);
    EXPECT_TRUE(added.empty()) << what << " in " << row.name << "\n" << added;
  }
}

class OperationsSheet : public cards_test::ExampleTest {
 protected:
  ui_test::ContactSheet sheet{3, 2, 700, 420};
};

TEST_F(OperationsSheet, TheTransformAndAggregateDialogs) {
  auto* month = AsCardsWindow(OpenCardsWindow(FindTemplate(base, "Verifikationer: Mars 2026"), nullptr, 0));
  ASSERT_NE(month, nullptr);
  month->RunCalculation(true, true);
  {
    T_Transform dialog(month);
    BuildTransformControls(&dialog);
    EventHandler_Open(&dialog);
    ui_test::Picture picture = ui_test::Capture(&dialog);
    ui_test::ExpectDrawn(picture, RECT{10, 10, 300, 120}, 20);
    sheet.Place(picture, 0);
    ExpectNoFaultAdded(&dialog, "transform");
    EventHandler_CloseElement(&dialog);
  }
  ui_test::Picture editor = operations_sheet::EditorTransformPicture(base);
  ASSERT_GT(editor.width, 0);
  ui_test::ExpectDrawn(editor, RECT{10, 10, 300, 120}, 20);
  sheet.Place(editor, 1);
  {
    T_Aggregator dialog(month);
    dialog.shown = 1;
    BuildAggregateControls(&dialog);
    EventHandler_Open(&dialog);
    for (int32_t page = 0; page < 3; ++page) {
      SCOPED_TRACE(page);
      Tab_Select(dialog.tabs, page);
      EXPECT_EQ(dialog.page, page);
      ui_test::Picture picture = ui_test::Capture(&dialog);
      ui_test::ExpectDrawn(picture, RECT{20, 40, 300, 120}, 20);
      sheet.Place(picture, 3 + page);
      ExpectNoFaultAdded(&dialog, "aggregate");
    }
    EventHandler_CloseElement(&dialog);
  }
  ASSERT_TRUE(sheet.Save("operations_sheet.bmp"));
  EventHandler_CloseAndDelete(month, 3);
}

}  // namespace
