#include "ui/char_chooser.h"

#include <cstring>

#include "core/copy_table.h"
#include "core/locale.h"
#include "core/localized_text.h"
#include "ui/button.h"
#include "ui/database_services.h"
#include "ui/edit_field.h"
#include "ui/frame_items.h"

namespace {

constexpr int32_t kTextNone = 1209;
constexpr int32_t kTextCrLf = 1208;
constexpr int32_t kTextOther = 1210;
constexpr int32_t kTextCharacter = 1211;
constexpr int32_t kTextFromSystem = 724;
constexpr int32_t kRowPitch = 19;
constexpr uint16_t kByteOrderMark = 0xFEFF;

struct NamedCode {
  uint16_t code;
  int32_t textId;
};
constexpr NamedCode kNamedCodes[] = {
    {kCharNone, kTextNone},
    {kCharCrLf, kTextCrLf},
    {9, 1205},
    {10, 1207},
    {13, 1206},
    {32, 1203},
    {44, 1201},
    {46, 1200},
    {59, 1202},
    {160, 1204},
};

const char* const kModeSets[] = {"D-,.", "D-N B.,", "D-T, ;", "D-N\"'_", "D-RLC", "D-RL"};
constexpr const char* kOtherModeSet = "D-";

}  // namespace

int32_t DecodeCharLetter(char letter) {
  switch (letter) {
    case 'D':
      return kCharDefault;
    case 'N':
      return kCharNone;
    case 'C':
      return kCharCrLf;
    case 'T':
      return 9;
    case 'L':
      return 10;
    case 'R':
      return 13;
    case 'B':
      return 160;
    case '-':
      return -1;
    default:
      return static_cast<unsigned char>(letter);
  }
}

const char* CharSetOfMode(int32_t flags) {
  int32_t mode = flags & kCharModeMask;
  const char* set = mode < static_cast<int32_t>(sizeof kModeSets / sizeof kModeSets[0])
                        ? kModeSets[mode]
                        : kOtherModeSet;
  return (flags & kCharOfferDefault) ? set : set + 2;
}

uint16_t DefaultCharOfMode(int32_t mode) {
  switch (mode) {
    case kCharModeDecimal:
      return SeparatorsGet().decimal;
    case kCharModeThousands:
      return SeparatorsGet().thousands;
    case kCharModeField:
      return 9;
    case kCharModeQuote:
      return kCharNone;
    case kCharModeRowEnd:
    case kCharModeLineEnd:
      return kCharCrLf;
    default:
      return 0;
  }
}

void CharLabel(T_TextBuf* text, uint32_t code, uint16_t defaultChar, bool detail) {
  TextBufAssign(text, "");
  if (code == kCharDefault) {
    if (defaultChar == kCharDefault) {
      TextBufAssign(text, GetString(kTextNone));
    } else {
      CharLabel(text, defaultChar, kCharDefault, false);
    }
    if (detail) TextBufAppend(text, GetString(kTextFromSystem));
    return;
  }
  for (const NamedCode& named : kNamedCodes) {
    if (named.code == code) {
      TextBufAssign(text, GetString(named.textId));
      if (detail && code == 10) TextBufAppend(text, " (LF)");
      if (detail && code == 13) TextBufAppend(text, " (CR)");
      return;
    }
  }
  if (code < 33) {
    TextBufAssignChar(text, '#');
    TextBufAppendInt(text, static_cast<int32_t>(code));
  } else {
    TextBufAssignWideChar(text, code);
  }
}

uint32_t ResolveSeparatorChar(uint32_t code, int32_t mode) {
  if (code == kCharNone) return 0;
  if (code > 3 && code != kByteOrderMark) return code;
  if (mode == kCharModeDecimal) return SeparatorsGet().decimal;
  if (mode == kCharModeThousands) return SeparatorsGet().thousands;
  return code;
}

int32_t RowTerminatorText(T_TextBuf* text, uint32_t code) {
  if (code == kCharDefault || code == kCharCrLf) {
    TextBufAssign(text, "\r\n");
  } else if (code == kCharNone) {
    // "None" writes no terminator rather than the control byte 1.
    TextBufAssign(text, "");
  } else {
    TextBufAssignWideChar(text, code);
  }
  return text->length;
}

// --- T_ChooseChar ----------------------------------------------------------------------------

T_ChooseChar::T_ChooseChar(T_EventHandler* parent, const XYWH& rect, uint32_t id, uint16_t* edited,
                           int32_t flags)
    : T_Chooser(parent, rect, id, 0, 0, false), edited(edited) {
  const char* letters = CharSetOfMode(flags);
  setLength = static_cast<int32_t>(std::strlen(letters));
  if (setLength > kMaxSet) setLength = kMaxSet;
  std::memcpy(set, letters, setLength);
  defaultOffered = (flags & kCharOfferDefault) ? 1 : 0;
  defaultChar = DefaultCharOfMode(flags & kCharModeMask);
  uint16_t value = edited ? *edited : 0;
  int64_t item = -1;
  for (int32_t i = 0; i < setLength && item < 0; ++i) {
    if (DecodeCharLetter(set[i]) == value) item = i;
  }
  if (item < 0 && value != 0) {
    custom = value;
    item = setLength;
  }
  count = setLength + (custom ? 1 : 0) + 2;
  current = item < 0 ? 0 : item;
  EventHandler_Open(this);
}

int32_t T_ChooseChar::CodeOfItem(int64_t item) const {
  if (item >= 0 && item < setLength) return DecodeCharLetter(set[item]);
  if (custom && item == setLength) return custom;
  return -1;
}

void T_ChooseChar::OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) {
  if (chooser != this) {
    T_Chooser::OnChooserEvent(chooser, record);
    return;
  }
  if (record->code == kChooserDescribe) {
    if (record->index == OtherItem()) {
      ChooserEvent_SetText(record, GetString(kTextOther));
      record->plain = 0;  // an action: choosing it leaves the current item
      return;
    }
    int32_t code = CodeOfItem(record->index);
    if (code < 0) return;  // a separator row
    T_TextBuf label;
    CharLabel(&label, static_cast<uint32_t>(code), defaultChar, record->listOpen != 0);
    ChooserEvent_SetText(record, label.data);
    return;
  }
  if (record->code != kChooserChosen) return;
  if (record->index == OtherItem()) {
    RunOther();
    return;
  }
  int32_t code = CodeOfItem(record->index);
  if (code >= 0) Store(static_cast<uint16_t>(code));
}

void T_ChooseChar::Store(uint16_t character) {
  if (!edited || *edited == character) return;
  *edited = character;
  if (!parent) return;
  ChangeNote note;
  note.code = kChangeControl;
  note.database = WindowDatabase(window);
  note.object = this;
  parent->OnChange(&note);
}

bool T_ChooseChar::SelectCharacter(uint16_t character) {
  for (int32_t i = 0; i < setLength; ++i) {
    if (DecodeCharLetter(set[i]) == character) {
      SetSelection(i, kSelectSilent);
      Store(character);
      return true;
    }
  }
  if (character == kCharDefault || character == kCharCrLf) return false;
  if (!custom) SetItemCount(count + 1);
  custom = character;
  SetSelection(setLength, kSelectSilent);
  if (opened) Relayout();
  Item_InvalidateShape(this, 0);
  Store(character);
  return true;
}

void T_ChooseChar::RunOther() {
  T_CustomChar dialog(window, edited ? *edited : 0, title.id);
  if (!title.id && title.shown) dialog.SetTitleCopy(title.shown);
  Dialog_Run(&dialog);
  if (dialog.character) SelectCharacter(dialog.character);
}

T_ChooseChar* NewChooseCharRow(T_EventHandler* parent, XYWH* rect, int32_t titleId, uint32_t id,
                               uint16_t* edited, int32_t flags, int32_t titleWidth) {
  auto* chooser = new T_ChooseChar(parent, *rect, id, edited, flags);
  chooser->SetTitleId(titleId);
  if (titleWidth) chooser->SetTitleWidth(titleWidth);
  rect->y += kRowPitch;
  return chooser;
}

// --- T_CustomChar ----------------------------------------------------------------------------

T_CustomChar::T_CustomChar(T_Window* owner, uint16_t character, int32_t titleId)
    : T_HDialog(kWidth, kHeight, nullptr, owner), character(character) {
  if (titleId) SetTitleId(titleId);
  auto* label = new T_Text(this, XYWH{6, 13, 70, 15}, false);
  label->SetTextId(kTextCharacter);
  EventHandler_Open(label);
  if (character > 3) separatorToName(&fieldText, character);
  field_ = new T_Edit(this, XYWH{85, 13, 80, 15}, kFieldId, true, false);
  field_->SetText(fieldText.data);
  EventHandler_Open(field_);
  Dialog_AddButtons(this, nullptr, nullptr);
}

T_CustomChar::~T_CustomChar() {
  // The field reports to this object while it goes: the children go first.
  DestroyChildren();
  field_ = nullptr;
}

void T_CustomChar::CommitText(const char* text) {
  ReadText(text);
  if (field_) field_->SetText(fieldText.data);
}

void T_CustomChar::ReadText(const char* text) {
  uint32_t code = separatorFromName(text);
  // A character beyond 16 bits cannot be stored as a separator; it counts as none.
  if (code < 4 || code > 0xFFFF) {
    TextBufAssign(&fieldText, "");
    character = 0;
  } else {
    separatorToName(&fieldText, code);
    character = static_cast<uint16_t>(code);
  }
}

void T_CustomChar::OnEditText(T_TextBuf* text, T_GrafElement* field) {
  if (!text) {
    T_HDialog::OnEditText(text, field);
    return;
  }
  // The field stores what this leaves in the text.
  ReadText(text->data);
  TextBufAssignBuf(text, &fieldText);
}

void T_CustomChar::OnButton(T_GrafElement* button) {
  if (Dialog_IsOk(button)) {
    if (focusedItem) focusedItem->CommitEdit();
    Dialog_EndModal(this);
  } else if (Dialog_IsCancel(button)) {
    character = 0;
    Dialog_EndModal(this);
  } else {
    T_HDialog::OnButton(button);
  }
}
