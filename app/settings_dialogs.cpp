#include "app/settings_dialogs.h"

#include "ui/small_dialogs.h"

#include <algorithm>
#include <cstdio>

#include "core/alert.h"
#include "core/localized_text.h"
#include "core/threads.h"
#include "core/placeholders.h"
#include "core/value_format.h"
#include "database/base.h"
#include "database/lines.h"
#include "database/line_origins.h"
#include "database/operation_log.h"
#include "ui/button.h"
#include "ui/chooser.h"
#include "ui/edit_field.h"
#include "ui/selection_fields.h"
#include "ui/value_choosers.h"

namespace {

constexpr int32_t kTextDatabaseSettings = 2543;
constexpr int32_t kTextCards = 2547;
constexpr int32_t kTextCardId = 3101;
constexpr int32_t kTextCardTitle = 3102;
constexpr int32_t kTextLineText = 3103;
constexpr int32_t kTextValue = 3104;
constexpr int32_t kTextTitle = 1100;
constexpr int32_t kTextDecimals = 3112;
constexpr int32_t kTextFileOrigins = 4201;
constexpr int32_t kTextAlternativeTitles = 4202;
constexpr int32_t kTextReferencePoint = 4203;
constexpr int32_t kTextValueFields = 4204;
constexpr int32_t kTextNumberOfFields = 4205;
constexpr int32_t kAskReduceValues = 4209;
constexpr int32_t kButtonDelete = 718;
constexpr int32_t kAskUnknownComponent = 3309;

constexpr size_t kDialogReserve = 20480;
constexpr int32_t kRowsShown = 12;
constexpr int32_t kRowStep = 20;
constexpr int32_t kFirstRowTop = 44;

enum : uint32_t {
  kDigitsId = 1,
  kOriginsId,
  kCardTitleId,
  kLineTextId,
  kReferenceId,
  kCountId,
  kNameIdFirst = 20,       // 24 name edits
  kDecimalsIdFirst = 50,   // 24 decimals choosers
  kFinderEditId = 90,
};

T_Text* NewText(T_EventHandler* parent, const XYWH& rect, const char* text) {
  auto* item = new T_Text(parent, rect, false);
  item->SetTextCopy(text);
  EventHandler_Open(item);
  return item;
}

T_Edit* NewEdit(T_EventHandler* parent, const XYWH& rect, uint32_t id, const char* text) {
  auto* edit = new T_Edit(parent, rect, id, true, false);
  edit->SetText(text ? text : "");
  EventHandler_Open(edit);
  return edit;
}

void ReferenceText(const DateRef* ref, T_TextBuf* text) {
  if (ref->kind == kDateRefFixed && ref->cardId.date == 0) {
    TextBufAssign(text, "");
  } else {
    DateRefToText(ref, text);
  }
}

}  // namespace

int32_t BaseOptWidth(int32_t valueCount) { return valueCount > kRowsShown ? 485 : 473; }

int32_t ValueFrameHeight(int32_t valueCount) {
  return kRowStep * std::min(std::max(valueCount, 1), kRowsShown) + kFirstRowTop;
}

int32_t BaseOptHeight(int32_t valueCount) {
  return std::max(207, ValueFrameHeight(valueCount) + 70);
}

int32_t MinimumCardDigits(T_Base* base) {
  int32_t largest = 0;
  CardRecord* sentinel = base->sentinelCard;
  for (CardRecord* card = sentinel ? sentinel->next : nullptr; card && card != sentinel;
       card = card->next) {
    largest = std::max(largest, card->dayNumber);
  }
  int32_t digits = 1;
  while (digits < 9 && largest > MaxValueOfDigits(digits)) ++digits;
  return digits;
}

// --- T_ValueFrame -------------------------------------------------------------------------------

T_ValueFrame::T_ValueFrame(T_BaseOpt* owner, T_Base* base, int32_t count)
    : T_Frame(owner, XYWH{242, 20, 217, ValueFrameHeight(count)}, kId, false),
      dialog(owner),
      database(base) {
  SetTitleId(kTextValueFields);
  countChooser = new T_Chooser(this, XYWH{4, 5, 150, 15}, kCountId, kMaxValueFields, count - 1, false);
  countChooser->SetTitleId(kTextNumberOfFields);
  countChooser->SetTitleWidth(95);
  EventHandler_Open(countChooser);
  NewText(this, XYWH{70, 27, 70, 14}, GetString(kTextTitle));
  NewText(this, XYWH{150, 27, 60, 14}, GetString(kTextDecimals));
  for (int32_t i = 0; i < kMaxValueFields; ++i) {
    const int32_t top = kFirstRowTop + i * kRowStep;
    char label[32];
    std::snprintf(label, sizeof label, "%s %d", GetString(kTextValue), i + 1);
    labels[i] = NewText(this, XYWH{4, top, 64, 14}, label);
    T_TextBuf name;
    if (base->valueNames[i]) TextBufAssign(&name, base->valueNames[i]);
    names[i] = NewEdit(this, XYWH{70, top, 67, 14}, kNameIdFirst + i, name.c_str());
    decimals[i] = new T_ChooseDecs(this, XYWH{150, top - 1, 63, 15}, kDecimalsIdFirst + i, 0,
                                   base->decimalsCodes[i]);
    EventHandler_Open(decimals[i]);
  }
  SetScrollable(true);
  ShowRows(count);
  EventHandler_Open(this);
}

void T_ValueFrame::ShowRows(int32_t count) {
  shown = count;
  for (int32_t i = 0; i < kMaxValueFields; ++i) {
    bool on = i < count;
    SetVisibleIfAny(labels[i], on);
    SetVisibleIfAny(names[i], on);
    SetVisibleIfAny(decimals[i], on);
  }
  MoveToRect(x, y, width, ValueFrameHeight(count));
  UpdateScrollBar();
}

void T_ValueFrame::OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) {
  if (chooser == countChooser) {
    if (record->code == kChooserDescribe) {
      char text[8];
      std::snprintf(text, sizeof text, "%d", static_cast<int32_t>(record->index + 1));
      ChooserEvent_SetText(record, text);
    } else if (record->code == kChooserChosen) {
      dialog->SetValueCount(static_cast<int32_t>(record->index + 1));
    }
    return;
  }
  T_Frame::OnChooserEvent(chooser, record);
}

void T_ValueFrame::OnEditText(T_TextBuf* text, T_GrafElement* field) {
  for (T_Edit* name : names) {
    if (field != name) continue;
    TextBufTrim(text, ' ');
    // Value names stand in formulas: each must be a valid variable name.
    if (!text->empty()) MakeIdentifier(text, nullptr, 0);
    return;
  }
  T_Frame::OnEditText(text, field);
}

// --- T_BaseOpt ----------------------------------------------------------------------------------

T_BaseOpt::T_BaseOpt(T_Base* base)
    : T_HDialog(BaseOptWidth(base->valueCount), BaseOptHeight(base->valueCount), base, nullptr),
      minimumDigits(MinimumCardDigits(base)),
      valueCount(base->valueCount) {
  SetTitleId(kTextDatabaseSettings);
  T_Frame* cards = Dialog_AddFrame(this, XYWH{14, 20, 199, 43}, 0, kTextCards);
  digitsChooser = new T_Chooser(cards, XYWH{6, 4, 185, 15}, kDigitsId, 9, base->cardDigits - 1, false);
  digitsChooser->SetTitleId(kTextCardId);
  digitsChooser->SetTitleWidth(70);
  EventHandler_Open(digitsChooser);
  fileOrigins = Dialog_AddCheckbox(cards, XYWH{8, 24, 185, 14}, kOriginsId, kTextFileOrigins,
                                   base->lineOrigins != nullptr);

  T_Frame* titles = Dialog_AddFrame(this, XYWH{14, 94, 199, 45}, 0, kTextAlternativeTitles);
  NewText(titles, XYWH{6, 5, 72, 14}, GetString(kTextCardTitle));
  cardTitle = NewEdit(titles, XYWH{80, 5, 67, 14}, kCardTitleId, base->GetCardTitleLabel());
  NewText(titles, XYWH{6, 26, 72, 14}, GetString(kTextLineText));
  lineText = NewEdit(titles, XYWH{80, 26, 67, 14}, kLineTextId, base->GetLineTextLabel());

  T_Frame* point = Dialog_AddFrame(this, XYWH{14, 170, 199, 25}, 0, kTextReferencePoint);
  NewText(point, XYWH{6, 5, 72, 14}, GetString(kTextCardId));
  DateRefInit(&reference, base, kDirectionTo);
  DateRefCopy(&reference, &base->referenceDate);
  T_TextBuf text;
  ReferenceText(&reference, &text);
  referenceEdit = NewEdit(point, XYWH{80, 5, 110, 14}, kReferenceId, text.c_str());

  valueFrame = new T_ValueFrame(this, base, valueCount);
  Dialog_AddButtons(this, nullptr, nullptr);
}

T_BaseOpt::~T_BaseOpt() { DateRefFree(&reference); }

void T_BaseOpt::OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) {
  if (chooser == digitsChooser && record->code == kChooserDescribe) {
    // "YYMMDD-" and the first k digits of "123456789".
    char text[20] = "YYMMDD-";
    std::snprintf(text + 7, sizeof text - 7, "%.*s", static_cast<int>(record->index + 1), "123456789");
    ChooserEvent_SetText(record, text);
    record->enabled = record->index + 1 >= minimumDigits;
    return;
  }
  T_HDialog::OnChooserEvent(chooser, record);
}

void T_BaseOpt::OnEditText(T_TextBuf* text, T_GrafElement* field) {
  if (field == cardTitle || field == lineText) {
    TextBufTrim(text, ' ');
  } else if (field == referenceEdit) {
    TakeReferenceDate(text);
  } else {
    T_HDialog::OnEditText(text, field);
  }
}

void T_BaseOpt::TakeReferenceDate(T_TextBuf* text) {
  TextBufTrim(text, ' ');
  if (text->empty()) {
    DateRefClear(&reference);
  } else {
    DateRef parsed;
    DateRefInit(&parsed, database, kDirectionTo);
    DateRefParse(&parsed, text->c_str(), static_cast<int32_t>(text->length));
    // A reference date defined by itself has no date to stand on.
    if (parsed.kind == kDateRefReference) {
      DateRefClear(&reference);
    } else if (parsed.cardId.date != 0 || parsed.kind != kDateRefFixed) {
      DateRefCopy(&reference, &parsed);
    }
    DateRefFree(&parsed);
  }
  // An unparsable text keeps the bound, which the field shows again.
  ReferenceText(&reference, text);
}

void T_BaseOpt::SetValueCount(int32_t count) {
  valueCount = std::clamp(count, 1, kMaxValueFields);
  valueFrame->ShowRows(valueCount);
  MoveToRect(x, y, BaseOptWidth(valueCount), BaseOptHeight(valueCount));
  GrafElement_Invalidate(this, kPaintChildren);
}

bool T_BaseOpt::Apply() {
  T_Base* base = database;
  if (valueCount < base->valueCount) {
    AlertRequest request;
    AlertInit(&request);
    request.message = kAskReduceValues;
    request.owner = this;
    AlertAddButton(&request, kButtonDelete);
    AlertAddButton(&request, kButtonCancel);
    request.defaultAnswer = 1;
    if (ShowAlert(&request) != 0) return false;
  }
  cardTitle->CommitEdit();
  lineText->CommitEdit();
  referenceEdit->CommitEdit();
  for (T_Edit* name : valueFrame->names) name->CommitEdit();
  base->SetCardDigits(static_cast<int32_t>(digitsChooser->current) + 1);
  SetLineOrigins(base, fileOrigins->checked != 0);
  T_TextBuf text;
  cardTitle->GetText(&text);
  base->SetCardTitleLabel(text.c_str());
  lineText->GetText(&text);
  base->SetLineTextLabel(text.c_str());
  base->SetReferenceDate(&reference);
  if (valueCount != base->valueCount) ::SetValueCount(base, valueCount);
  for (int32_t i = 0; i < kMaxValueFields; ++i) {
    valueFrame->names[i]->GetText(&text);
    base->SetValueName(i, text.empty() ? nullptr : text.c_str());
    base->SetDecimalsCode(i, valueFrame->decimals[i]->SelectedCode());
  }
  return true;
}

void T_BaseOpt::OnButton(T_GrafElement* button) {
  if (Dialog_IsOk(button)) {
    if (Apply()) Dialog_EndModal(this);
  } else if (Dialog_IsCancel(button)) {
    Dialog_EndModal(this);
  } else {
    T_HDialog::OnButton(button);
  }
}

void RunDatabaseSettings(T_Base* base) {
  if (!base || !MemCanAlloc(kDialogReserve)) return;
  T_BaseOpt dialog(base);
  Dialog_Run(&dialog);
}

// --- T_NodeFinder -------------------------------------------------------------------------------

T_NodeFinder::T_NodeFinder(T_Base* base, int32_t d, T_Window* owner, const char* unknown)
    : T_HDialog(350, 138, base, owner), dimension(d) {
  T_TextBuf text(GetString(kAskUnknownComponent));
  TextBufFillParam(&text, 0, unknown);
  TextBufFillParam(&text, 1, base->GetDimSingular(d));
  message = NewText(this, XYWH{17, 13, 310, 32}, text.c_str());
  edit = new T_EditDim(this, XYWH{20, 56, 115, 12}, kFinderEditId, base, d);
  edit->SetText(unknown);
  found = NewText(this, XYWH{155, 56, 175, 14}, "");
  Dialog_AddButtons(this, &ok, nullptr);
  Resolve();
}

void T_NodeFinder::Resolve() {
  T_TextBuf text;
  edit->GetText(&text);
  TextBufTrim(&text, ' ');
  resolved = text.empty() ? dimension : database->FindComponentByKey(dimension, text.c_str(), -1);
  T_TextBuf shown;
  if (resolved != dimension) database->GetComponentText(&shown, resolved, dimension);
  found->SetTextCopy(shown.c_str());
  bool nothing = !text.empty() && resolved == dimension && database->HasSubComponents(dimension);
  if (ok) Item_SetEnabled(ok, !nothing);
}

void T_NodeFinder::OnEditEvent(T_GrafElement* field, int32_t code) {
  if (field == edit) Resolve();
  T_HDialog::OnEditEvent(field, code);
}

void T_NodeFinder::OnButton(T_GrafElement* button) {
  if (Dialog_IsOk(button)) {
    edit->CommitEdit();
    Resolve();
    result = resolved;
    Dialog_EndModal(this);
  } else if (Dialog_IsCancel(button)) {
    result = -1;
    Dialog_EndModal(this);
  } else {
    T_HDialog::OnButton(button);
  }
}

int64_t AskForComponent(T_Base* base, int32_t dimension, T_Window* owner, const char* unknown) {
  if (!MemCanAlloc(kDialogReserve)) return dimension;
  T_NodeFinder dialog(base, dimension, owner, unknown);
  Dialog_Run(&dialog);
  // "Cancel" gives up the file, as the progress window's Cancel does.
  if (dialog.result < 0) AbandonRead(base, true);
  return dialog.result;
}

void InstallSettingsDialogs() {
  BaseServices services = CurrentBaseServices();
  services.runDatabaseSettings = RunDatabaseSettings;
  services.askForComponent = AskForComponent;
  // The options are the program's, not the database's: the dialog needs none.
  services.editCopyingOptions = [](T_Base*) { RunCopyOptions(); };
  SetBaseServices(&services);
}
