// The transform dialog: its rule fields, layout and buttons.
#include "analysis/cards/transform_dialog.h"

#include "analysis/boxwin/formula_menu.h"
#include "analysis/cards/transform.h"
#include "core/alert.h"
#include "core/localized_text.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "ui/button.h"
#include "ui/document_window.h"
#include "ui/frame_items.h"
#include "ui/popup_menu.h"
#include "ui/text_layout.h"
#include "ui/text_style.h"

namespace {

constexpr int32_t kTextReplace = 6110;  // Replace current dimensions with:
constexpr int32_t kTextCardId = 3101;
constexpr int32_t kTextStart = 7001;
constexpr int32_t kTextEnd = 6111;
constexpr int32_t kTextNotes = 3506;
constexpr int32_t kTextAdd = 714;
constexpr int32_t kTextTransform = 2528;
constexpr int32_t kTextFirstFromLabel = 6112;  // Before, After, Empty
constexpr int32_t kTextNonEmpty = 6116;
constexpr int32_t kTextClear = 6117;
constexpr int32_t kTextTime = 6118;
constexpr int32_t kEntryInset = 5;
constexpr int32_t kEntryExtra = 8;
constexpr int32_t kDescriptionGap = 40;
constexpr char kArrow[] = "\xE2\x86\x92";

constexpr const char* kFromTokens[] = {"<", ">", "\\", "\xC2\xAC\\"};

T_Text* Label(T_EventHandler* parent, const XYWH& rect, const char* text, int32_t id) {
  auto* label = new T_Text(parent, rect, false);
  if (id) {
    label->SetTextId(id);
  } else {
    label->SetTextCopy(text);
  }
  EventHandler_Open(label);
  return label;
}

}  // namespace

// --- T_TransEdit -----------------------------------------------------------------------------

T_TransEdit::T_TransEdit(T_EventHandler* parent, const XYWH& rect, uint32_t id, int32_t givenRole,
                         T_Base* base)
    : T_EditPopup(parent, rect, id, true), database(base), role(givenRole) {
  if (role == kTransEditPlain) tokenPopupAllowed = operatorPopupAllowed = 0;
}

T_TransEdit::~T_TransEdit() = default;

int32_t T_TransEdit::EntryCount() const {
  switch (role) {
    case kTransEditFrom:
      return 4;
    case kTransEditTo:
      return 1;
    case kTransEditValue:
      if (popupMode == kPopupModeOperator) return kFormulaMenuCount;
      return 2 + (database ? database->valueCount : 0);
    default:
      return 0;
  }
}

void T_TransEdit::EntryText(int32_t entry, T_TextBuf* inserted, T_TextBuf* label) const {
  TextBufAssign(inserted, "");
  TextBufAssign(label, "");
  if (role == kTransEditFrom && entry >= 0 && entry < 4) {
    TextBufAssign(inserted, kFromTokens[entry]);
    TextBufAssign(label, GetString(entry < 3 ? kTextFirstFromLabel + entry : kTextNonEmpty));
  } else if (role == kTransEditTo && entry == 0) {
    TextBufAssign(inserted, "\\");
    TextBufAssign(label, GetString(kTextClear));
  } else if (role == kTransEditValue && popupMode == kPopupModeOperator) {
    int32_t description = GetFormulaMenuItem(entry, inserted);
    if (description) TextBufAssign(label, GetString(description));
  } else if (role == kTransEditValue) {
    if (entry == 0) {
      TextBufAssign(inserted, "T");
      TextBufAssign(label, GetString(kTextTime));
    } else if (entry >= 2 && database) {
      database->GetValueName(inserted, entry - 2);
      TextBufAssignBuf(label, inserted);
    }
  }
}

void T_TransEdit::ContextMenu(ContextMenuRecord* record, int32_t phase) {
  if (record->selector != 0 || popupMode == kPopupModeMenu || role == kTransEditPlain) {
    T_EditPopup::ContextMenu(record, phase);
    return;
  }
  T_TextBuf inserted, label;
  if (phase != kMenuPhaseList) EntryText(static_cast<int32_t>(record->entry), &inserted, &label);
  switch (phase) {
    case kMenuPhaseList:
      record->commands.list = nullptr;
      record->entry = EntryCount();
      break;
    case kMenuPhaseMeasure:
      if (inserted.length == 0) {
        record->separator = 1;
        record->selectable = 0;
      } else {
        record->width = TextWidth(inserted.c_str()) + kDescriptionGap + TextWidth(label.c_str()) +
                        kEntryExtra;
      }
      break;
    case kMenuPhaseDraw:
      if (inserted.length > 0) {
        RECT at = record->rect;
        at.left += kEntryInset;
        TextDrawLine(&at, inserted.c_str(), nullptr);
        at.left += kDescriptionGap;
        if (label.length > 0) TextDrawLine(&at, label.c_str(), nullptr);
      }
      break;
    case kMenuPhaseRun:
      if (inserted.length > 0) {
        InsertText(inserted.c_str());
        ResetPopupChoice();
      }
      break;
    default:
      break;
  }
}

// --- The dialog ------------------------------------------------------------------------------

void BuildTransformControls(T_Transform* dialog) {
  T_Base* base = dialog->database;
  bool editor = dialog->ownerWindow && dialog->ownerWindow->windowKind == kWindowCardEditor;
  auto field = [&](int32_t number, const XYWH& rect, int32_t role) {
    auto* edit =
        new T_TransEdit(dialog, rect, static_cast<uint32_t>(number + 1), role, base);
    dialog->fields[number] = edit;
    return edit;
  };
  int32_t y = 12;
  Label(dialog, XYWH{16, y, 280, 16}, nullptr, kTextReplace);
  y += 22;
  for (int32_t d = 0; d <= base->lineSlots; ++d) {
    if (!base->IsDimUsed(d) && d > 0) continue;
    Label(dialog, XYWH{16, y + 2, 110, 16}, base->GetDimSingular(d), 0);
    field(d, XYWH{130, y, 160, 20}, kTransEditPlain);
    y += 24;
  }
  if (!editor) {
    int32_t x = 320;
    Label(dialog, XYWH{x, 12, 200, 16}, nullptr, kTextCardId);
    for (int32_t row = 0; row < 2; ++row) {
      int32_t top = 34 + row * 24;
      Label(dialog, XYWH{x, top + 2, 46, 16}, nullptr, row == 0 ? kTextStart : kTextEnd);
      field(kTransformSourceStart + row, XYWH{x + 50, top, 90, 20}, kTransEditPlain);
      Label(dialog, XYWH{x + 146, top + 2, 16, 16}, kArrow, 0);
      field(kTransformTargetStart + row, XYWH{x + 166, top, 90, 20}, kTransEditPlain);
      T_TextBuf shown;
      dialog->SetField(kTransformSourceStart + row, &shown);
      dialog->fields[kTransformSourceStart + row]->SetText(shown.c_str());
    }
    if (y < 34 + 2 * 24) y = 34 + 2 * 24;
  }
  y += 8;
  const char* labels[] = {base->GetCardTitleLabel(), base->GetLineTextLabel(), nullptr};
  for (int32_t rule = 0; rule < 3; ++rule) {
    if (labels[rule]) {
      Label(dialog, XYWH{16, y + 2, 110, 16}, labels[rule], 0);
    } else {
      Label(dialog, XYWH{16, y + 2, 110, 16}, nullptr, kTextNotes);
    }
    field(kTransformTitleFrom + 2 * rule, XYWH{130, y, 200, 20}, kTransEditFrom);
    Label(dialog, XYWH{336, y + 2, 16, 16}, kArrow, 0);
    field(kTransformTitleFrom + 2 * rule + 1, XYWH{356, y, 200, 20}, kTransEditTo);
    y += 26;
  }
  y += 6;
  for (int32_t c = 0; c < base->valueCount; ++c) {
    T_TextBuf name;
    base->GetValueName(&name, c);
    Label(dialog, XYWH{16, y + 2, 110, 16}, name.c_str(), 0);
    field(kTransformFirstValue + c, XYWH{130, y, 426, 20}, kTransEditValue);
    y += 24;
  }
  dialog->progress =
      new T_ProgressIndicator(dialog, XYWH{16, dialog->height - 60, dialog->width - 32, 10}, true);
  T_Button* run = nullptr;
  Dialog_AddButtons(dialog, &run, nullptr);
  run->SetTitleId(kTextTransform);
  if (!editor) {
    auto* add = new T_Button(dialog, XYWH{dialog->width - 18 - 3 * 70 - 2 * 12,
                                          dialog->height - 34, 70, 20},
                             kOperationAddId);
    add->SetTitleId(kTextAdd);
  }
}

void T_Transform::Notify(int32_t code) {
  T_HDialog::Notify(code);
  if (code == kNotifyLanguage) GrafElement_Invalidate(this, 0);
}

void T_Transform::DrawContent() { T_HDialog::DrawContent(); }

void T_Transform::OnEditText(T_TextBuf* text, T_GrafElement* field) {
  const T_Item* item = AsItem(field);
  int32_t number = item ? static_cast<int32_t>(item->id) - 1 : -1;
  if (number < 0 || number >= kTransformFieldCount || fields[number] != field) {
    T_HDialog::OnEditText(text, field);
    return;
  }
  if (SetField(number, text)) return;
  // A refused text: an expression shows the compiler's message, a date keeps what was typed.
  if (number >= kTransformFirstValue && PendingError.request.message) {
    AlertFormatText(&PendingError.request, text);
  }
  PendingErrorClear();
}

bool OperationDialog_Button(T_HDialog* dialog, T_GrafElement* button,
                            bool (*run)(T_HDialog* dialog, bool add)) {
  const T_Item* item = AsItem(button);
  bool add = item && item->id == kOperationAddId;
  if (Dialog_IsOk(button) || add) {
    if (run(dialog, add)) {
      Dialog_EndModal(dialog);
    } else {
      PendingErrorReport();
    }
    return true;
  }
  if (Dialog_IsCancel(button)) {
    Dialog_EndModal(dialog);
    return true;
  }
  return false;
}

void T_Transform::OnButton(T_GrafElement* button) {
  bool handled = OperationDialog_Button(this, button, [](T_HDialog* dialog, bool add) {
    auto* transform = static_cast<T_Transform*>(dialog);
    for (T_TransEdit* edit : transform->fields) {
      if (edit) edit->CommitEdit();
    }
    transform->copyMode = add ? 1 : 0;
    return Transform_run(transform);
  });
  if (!handled) T_HDialog::OnButton(button);
}

void OpenTransformDialog(T_HWindow* owner) {
  if (!owner || !owner->database) return;
  T_Transform dialog(owner);
  if (dialog.rowCount <= 0) return;
  dialog.shown = 1;
  BuildTransformControls(&dialog);
  Dialog_Run(&dialog);
}
