#include "ui/small_dialogs.h"

#include <cstdio>

#include "core/alert.h"
#include "core/localized_text.h"
#include "core/placeholders.h"
#include "core/threads.h"
#include "core/utf8.h"
#include "ui/button.h"
#include "ui/char_chooser.h"
#include "ui/chooser.h"
#include "ui/frame_items.h"

namespace {

constexpr int32_t kTextExpandTo = 2522;
constexpr int32_t kTextLevel = 1139;
constexpr int32_t kTextCopyingOptions = 2519;
constexpr int32_t kTextSeparators = 1107;
constexpr int32_t kTextDecimal = 1108;
constexpr int32_t kTextThousand = 1109;
constexpr int32_t kTextBetweenFields = 1110;
constexpr int32_t kTextAroundFields = 1111;
constexpr int32_t kTextRowTerminator = 1112;
constexpr int32_t kTextExcludeQuotes = 1113;
constexpr int32_t kTextWindowTitle = 1115;
constexpr int32_t kTextColumnTitles = 1116;
constexpr int32_t kTextDataRows = 1118;
constexpr int32_t kTextSeparateColumns = 1120;
constexpr int32_t kTextIncludeInCopy = 1131;
constexpr int32_t kTextDataRowsFirst = 1132;  // "All" .. "Visible only"
constexpr int32_t kTextOptions = 1138;
constexpr int32_t kTextNotes = 3506;
constexpr int32_t kTextDefinition = 1104;
constexpr int32_t kTextTruncated = 2100;
constexpr int32_t kTextConfirmDelete = 3208;
constexpr int32_t kTextConfirmProgram = 610;
constexpr int32_t kTextMarkExamined = 3625;
constexpr int32_t kTextMarkApproved = 3626;
constexpr int32_t kButtonDelete = 718;
constexpr int32_t kCommandApprove = 2532;

constexpr size_t kExpandReserve = 10240;
constexpr size_t kCopyOptsReserve = 20480;
constexpr int32_t kTruncateQuoteMax = 32;

// The button id of an answer: handlers answer with the index of the chosen button or with the
// button's id, and the two never overlap (indexes 0-4, ids from 700).
int32_t ChosenButton(const AlertRequest* request, int32_t answer) {
  if (answer >= 0 && answer < request->buttonCount && answer < kAlertMaxButtons)
    return request->buttons[answer];
  return answer;
}

int32_t Ask(AlertRequest* request) { return ChosenButton(request, ShowAlert(request)); }

}  // namespace

// --- T_ExpandDlg ------------------------------------------------------------------------------

T_ExpandDlg::T_ExpandDlg(T_Window* owner, int32_t lastLevel, int32_t firstLevel)
    : T_HDialog(kWidth, kHeight, nullptr, owner), firstLevel(firstLevel) {
  SetTitleId(kTextExpandTo);
  int64_t count = lastLevel >= firstLevel ? int64_t{lastLevel} - firstLevel + 1 : 0;
  int64_t item = int64_t{1} - firstLevel;
  // Level 1 may lie outside the list: the nearest listed level is current, and what OK returns.
  if (item >= count) item = count - 1;
  if (item < 0) item = 0;
  if (count > 0) level = static_cast<int32_t>(firstLevel + item);
  chooser = new T_Chooser(this, XYWH{13, 13, 120, 15}, kExpandLevelId, count, item, false);
  chooser->SetTitleId(kTextLevel);
  chooser->SetTitleWidth(35);
  EventHandler_Open(chooser);
  Dialog_AddButtons(this, nullptr, nullptr);
}

void T_ExpandDlg::OnChooserEvent(T_GrafElement* sender, ChooserEvent* record) {
  if (sender != chooser) {
    T_HDialog::OnChooserEvent(sender, record);
    return;
  }
  if (record->code == kChooserDescribe) {
    char label[16];
    std::snprintf(label, sizeof label, "%2lld", static_cast<long long>(firstLevel + record->index));
    ChooserEvent_SetText(record, label);
  } else if (record->code == kChooserChosen) {
    level = static_cast<int32_t>(firstLevel + record->index);
  }
}

void T_ExpandDlg::OnButton(T_GrafElement* button) {
  if (Dialog_IsOk(button)) {
    Dialog_EndModal(this);
  } else if (Dialog_IsCancel(button)) {
    level = -1;
    Dialog_EndModal(this);
  } else {
    T_HDialog::OnButton(button);
  }
}

int32_t RunExpandDialog(T_Window* owner, int32_t lastLevel, int32_t firstLevel) {
  if (!MemCanAlloc(kExpandReserve)) return -1;
  T_ExpandDlg dialog(owner, lastLevel, firstLevel);
  Dialog_Run(&dialog);
  return dialog.level;
}

// --- T_CopyOpts -------------------------------------------------------------------------------

T_CopyOpts::T_CopyOpts()
    : T_HDialog(kWidth, kHeight, nullptr, nullptr), working(*CopyTableCurrent()) {
  SetTitleId(kTextCopyingOptions);
  // For the decimal and thousands separators the line-break code means the current setting.
  if (working.decimalSeparator == kSeparatorLineBreak) working.decimalSeparator = kSeparatorCurrent;
  if (working.thousandsSeparator == kSeparatorLineBreak)
    working.thousandsSeparator = kSeparatorCurrent;
  if (working.code < 0 || working.code >= kDataRowChoices) working.code = 0;

  T_Frame* separators =
      Dialog_AddFrame(this, XYWH{17, 22, 200, 115}, kCopySeparatorsFrame, kTextSeparators);
  XYWH row{6, 2, 191, 15};
  NewChooseCharRow(separators, &row, kTextDecimal, kCopyDecimal, &working.decimalSeparator,
                   kCharModeDecimal | kCharOfferDefault, 95);
  NewChooseCharRow(separators, &row, kTextThousand, kCopyThousands, &working.thousandsSeparator,
                   kCharModeThousands | kCharOfferDefault, 95);
  NewChooseCharRow(separators, &row, kTextBetweenFields, kCopyFieldSeparator,
                   &working.fieldSeparator, kCharModeField, 95);
  NewChooseCharRow(separators, &row, kTextAroundFields, kCopyQuote, &working.fourthSeparator,
                   kCharModeQuote, 95);
  NewChooseCharRow(separators, &row, kTextRowTerminator, kCopyRowEnd, &working.lineEnd,
                   kCharModeRowEnd | kCharOfferDefault, 95);
  Dialog_AddCheckbox(separators, XYWH{8, 97, 189, 14}, kCopyExcludeQuotes, kTextExcludeQuotes,
                     working.flagK);

  T_Frame* include =
      Dialog_AddFrame(this, XYWH{242, 22, 190, 97}, kCopyIncludeFrame, kTextIncludeInCopy);
  XYWH box{8, 3, 176, 14};
  Dialog_AddCheckbox(include, box, kCopyWindowTitle, kTextWindowTitle, working.flagW);
  box.y += 18;
  Dialog_AddCheckbox(include, box, kCopyNotes, kTextNotes, working.flagN);
  box.y += 18;
  Dialog_AddCheckbox(include, box, kCopyDefinition, kTextDefinition, working.flagE);
  box.y += 18;
  Dialog_AddCheckbox(include, box, kCopyColumnTitles, kTextColumnTitles, working.flagX);
  auto* rows = new T_Chooser(include, XYWH{6, box.y + 19, 181, 15}, kCopyDataRows, kDataRowChoices,
                             working.code, false);
  rows->SetTitleId(kTextDataRows);
  rows->SetTitleWidth(50);
  EventHandler_Open(rows);

  T_Frame* options = Dialog_AddFrame(this, XYWH{17, 165, 145, 34}, kCopyOptionsFrame, kTextOptions);
  Dialog_AddCheckbox(options, XYWH{8, 2, 130, 28}, kCopySeparateColumns, kTextSeparateColumns,
                     working.flagM);

  Dialog_AddButtons(this, nullptr, nullptr);
}

void T_CopyOpts::OnCheckbox(T_GrafElement* checkbox) {
  T_Item* item = AsItem(checkbox);
  if (!item || item->kind != kKindCheckbox) return;
  uint8_t on = static_cast<T_Checkbox*>(item)->checked ? 1 : 0;
  switch (item->id) {
    case kCopyExcludeQuotes:
      working.flagK = on;
      break;
    case kCopyWindowTitle:
      working.flagW = on;
      break;
    case kCopyNotes:
      working.flagN = on;
      break;
    case kCopyDefinition:
      working.flagE = on;
      break;
    case kCopyColumnTitles:
      working.flagX = on;
      break;
    case kCopySeparateColumns:
      working.flagM = on;
      break;
    default:
      T_HDialog::OnCheckbox(checkbox);
      break;
  }
}

void T_CopyOpts::OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) {
  T_Item* item = AsItem(chooser);
  if (!item || item->id != kCopyDataRows || item->kind != kKindChooser) {
    T_HDialog::OnChooserEvent(chooser, record);
    return;
  }
  if (record->code == kChooserDescribe) {
    if (record->index >= 0 && record->index < kDataRowChoices) {
      record->text = GetString(kTextDataRowsFirst + static_cast<int32_t>(record->index));
    }
  } else if (record->code == kChooserChosen) {
    working.code = static_cast<int32_t>(record->index);
  }
}

void T_CopyOpts::OnButton(T_GrafElement* button) {
  if (Dialog_IsOk(button)) {
    *CopyTableCurrent() = working;
    CopyTableSave();
    Dialog_EndModal(this);
  } else if (Dialog_IsCancel(button)) {
    Dialog_EndModal(this);
  } else {
    T_HDialog::OnButton(button);
  }
}

void RunCopyOptions() {
  if (!MemCanAlloc(kCopyOptsReserve)) return;
  T_CopyOpts dialog;
  Dialog_Run(&dialog);
}

// --- Confirmations ----------------------------------------------------------------------------

bool ConfirmTruncate(T_TextBuf* text, int32_t limit, T_Window* owner) {
  if (limit < 0) limit = 0;
  if (text->length <= limit) return true;
  AlertRequest request;
  AlertInit(&request);
  request.message = kTextTruncated;
  request.owner = owner;
  int32_t quoted = limit < kTruncateQuoteMax ? limit : kTruncateQuoteMax;
  AlertAddTextN(&request, text->data, Utf8BoundaryAtOrBefore(text->data, quoted));
  char digits[16];
  std::snprintf(digits, sizeof digits, "%d", static_cast<int>(limit));
  AlertAddText(&request, digits);
  AlertAddButton(&request, kButtonOk);
  AlertAddButton(&request, kButtonCancel);
  request.defaultAnswer = 0;  // OK
  if (Ask(&request) == kButtonCancel) return false;
  TextBufTruncate(text, Utf8BoundaryAtOrBefore(text->data, limit));
  return true;
}

bool ConfirmOpenProgram(T_Window* owner, const char* path) {
  AlertRequest request;
  AlertInit(&request);
  request.message = kTextConfirmProgram;
  request.owner = owner;
  AlertAddFileName(&request, path);
  AlertAddButton(&request, kButtonYes);
  AlertAddButton(&request, kButtonNo);
  request.defaultAnswer = 1;  // No
  return Ask(&request) == kButtonYes;
}

bool ConfirmDelete(T_Window* owner, int32_t textId, const char* name) {
  T_TextBuf what(GetString(textId));
  TextBufFillParam(&what, 0, name);
  AlertRequest request;
  AlertInit(&request);
  request.message = kTextConfirmDelete;
  request.owner = owner;
  AlertAddText(&request, what.data);
  AlertAddButton(&request, kButtonDelete);
  AlertAddButton(&request, kButtonCancel);
  request.defaultAnswer = 1;  // Cancel
  return Ask(&request) == kButtonDelete;
}

bool ConfirmMarkCards(T_Window* owner, int32_t command, int64_t cardCount) {
  AlertRequest request;
  AlertInit(&request);
  request.message = command == kCommandApprove ? kTextMarkApproved : kTextMarkExamined;
  request.owner = owner;
  char digits[24];
  std::snprintf(digits, sizeof digits, "%lld", static_cast<long long>(cardCount));
  AlertAddText(&request, digits);
  AlertAddButton(&request, kButtonOk);
  AlertAddButton(&request, kButtonCancel);
  request.defaultAnswer = 1;  // Cancel
  return Ask(&request) == kButtonOk;
}
