// The transform over the card an editor shows: the rules rewrite the editor's rows and header,
// never the stored card, which changes only when the user saves.
#include "analysis/cards/card_editor.h"
#include "analysis/cards/transform.h"
#include "core/owned_text.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "ui/edit_field.h"

void T_CardEditor::SetupTransform(void* dialog) {
  auto* transform = static_cast<T_Transform*>(dialog);
  if (!transform || !database) return;
  if (transform->state == kTransformCount) {
    transform->rowCount = CountDataLines();
    transform->defaultSourceStart = transform->defaultSourceEnd = cardId;
    return;
  }
  if (transform->state != kTransformRun) return;
  EndCellEdit();
  if (transform->tUsed) transform->ComputeT(cardId.date);
  T_TextBuf text;
  if (transform->titleRule.Given() && ApplyTextRule(&transform->titleRule, title, true, &text)) {
    SetTitleText(text.c_str());
    if (titleEdit) titleEdit->SetText(title);
  }
  if (transform->notesRule.Given() &&
      ApplyTextRule(&transform->notesRule, cardNotes, false, &text)) {
    SetNotesText(text.c_str());
    if (notesField) notesField->SetText(cardNotes);
  }
  for (int64_t r = 0; r < RowCount(); ++r) {
    CardRow* row = Row(r);
    if (row->kind == kRowGroup) {
      if (transform->targets[0] != -1) row->slots[0] = transform->targets[0];
      continue;
    }
    if (row->kind != kRowLine) continue;
    for (int32_t d = 1; d <= database->lineSlots; ++d) {
      if (transform->targets[d] != -1) row->slots[d - 1] = transform->targets[d];
    }
    if (transform->valueRule) transform->ComputeValues(row->values, false);
    if (transform->lineTextRule.Given() &&
        ApplyTextRule(&transform->lineTextRule, row->text, true, &text)) {
      BlockTextAssign(&row->text, text.c_str());
    }
  }
  GrafElement_Invalidate(this, 0);
}
