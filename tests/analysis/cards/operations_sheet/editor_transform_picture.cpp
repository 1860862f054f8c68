#include "tests/analysis/cards/operations_sheet/editor_transform_picture.h"

#include "analysis/cards/card_editor.h"
#include "analysis/cards/card_template.h"
#include "analysis/cards/transform.h"
#include "analysis/cards/transform_dialog.h"
#include "database/base.h"
#include "database/template_runner.h"

namespace operations_sheet {

ui_test::Picture EditorTransformPicture(T_Base* base) {
  SetTemplateConstructor(kTemplateCard, NewCardTemplate);
  ui_test::Picture picture;
  T_CardEditor* editor = openCardEditor(base, base->sentinelCard->next, kPositionId, nullptr, 0);
  if (editor) {
    {
      T_Transform dialog(editor);
      BuildTransformControls(&dialog);
      EventHandler_Open(&dialog);
      picture = ui_test::Capture(&dialog);
      EventHandler_CloseElement(&dialog);
    }
    EventHandler_CloseAndDelete(editor, 3);
  }
  SetTemplateConstructor(kTemplateCard, nullptr);
  return picture;
}

}  // namespace operations_sheet
