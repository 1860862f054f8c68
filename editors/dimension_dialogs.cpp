#include "editors/dimension_dialogs.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "core/cstring.h"
#include "core/locale.h"
#include "core/localized_text.h"
#include "core/placeholders.h"
#include "database/base.h"
#include "database/components.h"
#include "database/dimension_options.h"
#include "editors/dimension_editor.h"
#include "ui/button.h"
#include "ui/edit_field.h"
#include "ui/frame_items.h"

namespace {

constexpr int32_t kTextCaseFirst = 3408;  // + the mode of "ULDWSN"
constexpr int32_t kTextDisplayFirst = 3419;
constexpr int32_t kTextColumnFirst = 3400;
constexpr int32_t kTextAscending = 3603;
constexpr int32_t kTextSortRows = 3620;
constexpr int32_t kTextSublevels = 3324;
constexpr int32_t kTextPropertiesFor = 3325;
constexpr int32_t kTextNames = 3326;
constexpr int32_t kTextSingular = 3327;
constexpr int32_t kTextPlural = 3328;
constexpr int32_t kTextDisplayIn = 3329;
constexpr int32_t kTextMustBeFilled = 3330;
constexpr int32_t kTextFields = 3331;
constexpr int32_t kTextField = 3332;
constexpr int32_t kTextOrder = 3333;
constexpr int32_t kTextAnalysisTemplates = 4031;
// A frame's title stands above its top edge, so each frame keeps that much room above it.
constexpr int32_t kFrameTitleRoom = 22;
constexpr const char* kModeLetters = "ULDWSN";
constexpr const char* kCodeLetters = "UL-SN";
constexpr const char* kTextLetters = "ULDW-SN";

void Label(T_EventHandler* parent, const XYWH& rect, int32_t textId) {
  auto* label = new (std::nothrow) T_Text(parent, rect, false);
  if (!label) return;
  label->SetTextId(textId);
  EventHandler_Open(label);
}

// OK applies and ends the dialog, Cancel only ends it; false for any other button.
template <typename Dialog>
bool EndedByButton(Dialog* dialog, T_GrafElement* button) {
  if (!Dialog_IsOk(button) && !Dialog_IsCancel(button)) return false;
  if (Dialog_IsOk(button)) dialog->Apply();
  Dialog_EndModal(dialog);
  return true;
}

void TrimmedText(T_Edit* edit, T_TextBuf* text) {
  edit->CommitText();
  edit->GetText(text);
  TextBufTrim(text, ' ');
}

}  // namespace

// --- Choosers ----------------------------------------------------------------------------------

T_TextIdChooser::T_TextIdChooser(T_EventHandler* parent, const XYWH& rect, uint32_t id,
                                 int32_t count, int32_t current, int32_t first)
    : T_Chooser(parent, rect, id, count, current, false), firstText(first) {
  EventHandler_Open(this);
}

void T_TextIdChooser::OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) {
  if (chooser == this && record->code == kChooserDescribe) {
    record->text = GetString(firstText + static_cast<int32_t>(record->index));
    return;
  }
  T_Chooser::OnChooserEvent(chooser, record);
}

T_StrCaseChooser::T_StrCaseChooser(T_EventHandler* parent, const XYWH& rect, uint32_t id,
                                   const char* set, int32_t mode, int32_t labelId)
    : T_Chooser(parent, rect, id, static_cast<int64_t>(std::strlen(set)), 0, false), letters(set) {
  const char* at = std::strchr(letters, CaseModeLetter(mode));
  if (at && *at) SetSelection(at - letters, 0);
  SetTitleId(labelId);
  SetTitleWidth(70);
  EventHandler_Open(this);
}

void T_StrCaseChooser::OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) {
  if (chooser == this && record->code == kChooserDescribe) {
    const char* at = std::strchr(kModeLetters, letters[record->index]);
    record->text =
        at ? GetString(kTextCaseFirst + static_cast<int32_t>(at - kModeLetters)) : nullptr;
    return;
  }
  T_Chooser::OnChooserEvent(chooser, record);
}

int32_t T_StrCaseChooser::ChosenMode() const {
  int32_t mode = -1;
  if (current >= 0 && current < static_cast<int64_t>(std::strlen(letters)))
    CaseModeFromLetter(&mode, letters[current]);
  return mode;
}

// --- Properties --------------------------------------------------------------------------------

T_DimOpt::T_DimOpt(T_Base* base, int32_t dimension, T_Window* owner)
    : T_HDialog(kWidth, kHeight, base, owner), record(base->dimensions[dimension]) {
  T_TextBuf title(GetString(kTextPropertiesFor));
  TextBufFillParam(&title, 0, base->GetDimPlural(dimension));
  SetTitleBuf(&title);
  T_Frame* names = Dialog_AddFrame(this, XYWH{10, kFrameTitleRoom, 386, 32}, 0, kTextNames);
  Label(names, XYWH{8, 8, 56, 14}, kTextSingular);
  singular = new (std::nothrow) T_Edit(names, XYWH{70, 8, 110, 14}, kDimOptSingularId, true, false);
  Label(names, XYWH{195, 8, 56, 14}, kTextPlural);
  plural = new (std::nothrow) T_Edit(names, XYWH{257, 8, 110, 14}, kDimOptPluralId, true, false);
  for (T_Edit* edit : {singular, plural}) {
    if (edit) EventHandler_Open(edit);
  }
  if (singular)
    singular->SetText(record->singular ? record->singular : base->GetDimSingular(dimension));
  if (plural) plural->SetText(record->plural ? record->plural : base->GetDimPlural(dimension));

  T_Frame* templates = Dialog_AddFrame(this, XYWH{10, 74, 386, 48}, 0, kTextAnalysisTemplates);
  Label(templates, XYWH{8, 8, 140, 14}, kTextDisplayIn);
  display =
      new (std::nothrow) T_TextIdChooser(templates, XYWH{150, 6, 170, 16}, kDimOptDisplayId, 7,
                                         std::clamp(record->displayStyle, 0, 6), kTextDisplayFirst);
  filled = Dialog_AddCheckbox(templates, XYWH{8, 28, 200, 14}, kDimOptFilledId, kTextMustBeFilled,
                              record->optionX != 0);

  T_Frame* fields = Dialog_AddFrame(this, XYWH{10, 142, 386, 72}, 0, kTextFields);
  const char* sets[3] = {kCodeLetters, kTextLetters, kTextLetters};
  const int32_t modes[3] = {record->codeCase, record->textCase, record->hostCase};
  const uint32_t ids[3] = {kDimOptCodeCaseId, kDimOptTextCaseId, kDimOptHostCaseId};
  for (int32_t i = 0; i < 3; ++i) {
    cases[i] = new (std::nothrow) T_StrCaseChooser(fields, XYWH{8, 6 + 22 * i, 250, 16}, ids[i],
                                                   sets[i], modes[i], kTextColumnFirst + i);
  }
  T_Button* cancel = nullptr;
  Dialog_AddButtons(this, &ok, &cancel);
}

void T_DimOpt::Apply() {
  T_TextBuf text;
  if (singular) {
    TrimmedText(singular, &text);
    SetSingular(record, text.c_str());
  }
  if (plural) {
    TrimmedText(plural, &text);
    SetPlural(record, text.c_str());
  }
  if (display) SetDisplayStyle(record, static_cast<int32_t>(display->current));
  if (filled) SetOptionX(record, filled->checked != 0);
  void (*setters[3])(DimensionRecord*, int32_t) = {SetCodeCase, SetTextCase, SetHostCase};
  for (int32_t i = 0; i < 3; ++i) {
    int32_t mode = cases[i] ? cases[i]->ChosenMode() : -1;
    if (mode >= 0) setters[i](record, mode);
  }
}

void T_DimOpt::OnButton(T_GrafElement* button) {
  if (!EndedByButton(this, button)) T_HDialog::OnButton(button);
}

// --- Sorting -----------------------------------------------------------------------------------

namespace {

DimNode* NodeToSort(T_DimEditor* editor) {
  DimNode* node = editor->Current();
  if (!node) return &editor->tree.root;
  if (node->expanded && node->firstChild) return node;
  return node->parent ? node->parent : &editor->tree.root;
}

bool HasGrandchild(const DimNode* node) {
  for (const DimNode* c = node->firstChild; c; c = c->next) {
    if (c->firstChild) return true;
  }
  return false;
}

}  // namespace

T_DimSortDlg::T_DimSortDlg(T_DimEditor* owner, int32_t chosenField)
    : T_HDialog(kWidth, HasGrandchild(NodeToSort(owner)) ? kHeightWithSublevels : kHeight,
                owner->database, owner),
      editor(owner),
      node(NodeToSort(owner)) {
  SetTitleId(kTextSortRows);
  int32_t first = std::clamp(chosenField, 0, 2);
  field = new (std::nothrow)
      T_TextIdChooser(this, XYWH{10, 8, 174, 16}, kDimSortFieldId, 3, first, kTextColumnFirst);
  if (field) {
    field->SetTitleId(kTextField);
    field->SetTitleWidth(50);
  }
  order = new (std::nothrow)
      T_TextIdChooser(this, XYWH{10, 30, 174, 16}, kDimSortOrderId, 2,
                      std::clamp(owner->sortOrders[first], 0, 1), kTextAscending);
  if (order) {
    order->SetTitleId(kTextOrder);
    order->SetTitleWidth(50);
  }
  if (HasGrandchild(node))
    sublevels =
        Dialog_AddCheckbox(this, XYWH{10, 54, 170, 14}, kDimSortSublevelsId, kTextSublevels, false);
  T_Button* cancel = nullptr;
  Dialog_AddButtons(this, &ok, &cancel);
}

void T_DimSortDlg::Apply() {
  int32_t chosen = field ? static_cast<int32_t>(field->current) : 0;
  int32_t descending = order ? static_cast<int32_t>(order->current) : 0;
  editor->sortOrders[chosen] = descending;
  DimTreeSort(&editor->tree, node, chosen, descending != 0, sublevels && sublevels->checked);
  editor->ShowRows(editor->Current());
}

void T_DimSortDlg::OnButton(T_GrafElement* button) {
  if (!EndedByButton(this, button)) T_HDialog::OnButton(button);
}

void RunDimensionOptions(T_DimEditor* editor) {
  T_DimOpt dialog(editor->database, editor->tree.dimension, editor);
  Dialog_Run(&dialog);
}

void RunDimensionSort(T_DimEditor* editor, int32_t field) {
  T_DimSortDlg dialog(editor, field);
  Dialog_Run(&dialog);
}
