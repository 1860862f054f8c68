#include "analysis/cards/card_repeat_dialog.h"

#include <cstdio>

#include "analysis/cards/card_editor.h"
#include "core/localized_text.h"
#include "core/text_buffer.h"
#include "ui/chooser.h"
#include "ui/edit_field.h"
#include "ui/frame_items.h"

namespace {

constexpr int32_t kTextRepeat = 720;
constexpr int32_t kTextFirstUnit = 3518;  // "Years" .. "Same day"
constexpr int32_t kUnitCount = 5;

}  // namespace

T_CardRepeat::T_CardRepeat(T_Window* owner, int32_t givenUnit, int32_t givenCount)
    : T_HDialog(kWidth, kHeight, nullptr, owner),
      unit(givenUnit >= 0 && givenUnit < kUnitCount ? givenUnit : kRepeatMonths),
      count(givenCount > 0 ? givenCount : 1) {
  SetTitleId(kTextRepeat);
  countField = new T_Edit(this, XYWH{16, 16, 60, 18}, kCountId, true, false);
  char text[16];
  std::snprintf(text, sizeof text, "%d", count);
  countField->SetText(text);
  EventHandler_Open(countField);
  unitChooser = new T_Chooser(this, XYWH{88, 15, 130, 20}, kUnitId, kUnitCount, unit, true);
  Dialog_AddButtons(this, nullptr, nullptr);
}

bool T_CardRepeat::TakeCount(const char* text) {
  uint64_t n = 0;
  bool any = false;
  for (const char* p = text; p && *p; ++p) {
    if (*p < '0' || *p > '9') continue;
    n = n * 10 + static_cast<uint64_t>(*p - '0');
    any = true;
    if (n > 0x7fffffff) {
      countRefused = 1;
      return false;
    }
  }
  countRefused = 0;
  if (any) count = static_cast<int32_t>(n);
  return true;
}

void T_CardRepeat::OnEditText(T_TextBuf* text, T_GrafElement* field) {
  if (field != countField) {
    T_HDialog::OnEditText(text, field);
    return;
  }
  // A refused count stays in the field for the user to mend.
  if (!TakeCount(text->data)) return;
  TextBufAssignInt(text, count);
}

void T_CardRepeat::OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) {
  if (chooser != unitChooser) {
    T_HDialog::OnChooserEvent(chooser, record);
    return;
  }
  if (record->code == kChooserDescribe) {
    ChooserEvent_SetText(record, GetString(kTextFirstUnit + static_cast<int32_t>(record->index)));
  } else if (record->code == kChooserChosen) {
    unit = static_cast<int32_t>(record->index);
  }
}

void T_CardRepeat::OnButton(T_GrafElement* button) {
  if (Dialog_IsOk(button)) {
    countField->CommitEdit();
    if (countRefused) return;
    Dialog_EndModal(this);
  } else if (Dialog_IsCancel(button)) {
    cancelled = 1;
    Dialog_EndModal(this);
  } else {
    T_HDialog::OnButton(button);
  }
}

bool AskCardRepeat(T_CardEditor* editor, int32_t* unit, int32_t* count) {
  T_CardRepeat dialog(editor, *unit, *count);
  Dialog_Run(&dialog);
  if (dialog.cancelled) return false;
  *unit = dialog.unit;
  *count = dialog.count;
  return true;
}
