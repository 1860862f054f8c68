#include "ui/edit_popups.h"

#include <windows.h>

#include <new>

#include "core/localized_text.h"
#include "core/utf8.h"
#include "ui/element_paint.h"
#include "ui/event_record.h"
#include "ui/item_drawing.h"
#include "ui/link_display.h"
#include "ui/popup_menu.h"
#include "ui/text_layout.h"
#include "ui/text_style.h"
#include "ui/window.h"

namespace {

bool IsArrowKey(uint16_t code) { return code >= kKeyLeft && code <= kKeyDown; }

// Where the token and operator popups open: just left of the arrow, near the top.
constexpr int32_t kPopupInsetRight = 4;
constexpr int32_t kPopupTop = 5;

// Operator lists: the character at left + 5, the label at left + 20.
constexpr int32_t kCharacterInset = 5;
constexpr int32_t kLabelInset = 20;
constexpr int32_t kLabelExtra = 21;

constexpr uint16_t kBar = 0x007C;
constexpr uint16_t kBackslash = 0x005C;
constexpr uint16_t kPlusMinus = 0x00B1;
constexpr uint16_t kNot = 0x00AC;
constexpr uint16_t kEllipsis = 0x2026;

constexpr OperatorEntry kTextOperators[] = {
    {kBar, 1500}, {'&', 1501},        {kPlusMinus, 1502}, {kNot, 1503},
    {0, 0},       {'(', 1504},        {')', 1505},        {kBackslash, 1506},
    {0, 0},       {kBackslash, 1600}, {'{', 1601},        {'}', 1602},
    {';', 1603},  {'+', 1604},        {':', 1605},        {'*', 1606},
    {'?', 1607},  {'^', 1608},        {kEllipsis, 1609},
};

constexpr OperatorEntry kValueOperators[] = {
    {kBar, 1500}, {'&', 1501}, {kPlusMinus, 1502}, {kNot, 1503}, {0, 0},      {'(', 1504},
    {')', 1505},  {0, 0},      {kBackslash, 1506}, {'>', 1512},  {'<', 1513}, {kEllipsis, 1511},
};

bool ValidEntry(int32_t count, int64_t index) { return index >= 0 && index < count; }

}  // namespace

// --- T_EditPopup ------------------------------------------------------------------------------

T_EditPopup::T_EditPopup(T_EventHandler* parent, const XYWH& rect, uint32_t id, bool open)
    : T_Edit(parent, rect, id, true, false) {
  replaceOnDrop = 1;
  UpdateTextRect();
  if (open) EventHandler_Open(this);
}

void T_EditPopup::UpdateTextRect() {
  textRect.right = content.right - (enabled ? kPopupArrowStrip : 0);
  if (editing) EditOverlay_Follow(&overlay, false);
}

void T_EditPopup::Notify(int32_t code) {
  if (code == kNotifyOpened || code == kNotifyEnabled) UpdateTextRect();
  T_Edit::Notify(code);
}

void T_EditPopup::DrawContent() {
  if (enabled) DrawArrowTriangle(content.right - kPopupArrowStrip / 2, 5, 3, kArrowDown);
  T_Edit::DrawContent();
}

int32_t T_EditPopup::OffsetAt(POINT point) {
  if (editing && overlay.control) return EditOverlay_OffsetAt(&overlay, point);
  if (!password && LinkText_ShowMode(this, linkMode, text.data, focus != 0) != kLinkShowRaw) {
    return LinkText_SourceIndexAt(this, &textRect, text.data, point);
  }
  T_TextBuf shown;
  ShownText(&shown);
  DrawContext context;
  DrawContext_Init(&context);
  DrawContext_Begin(&context, this);
  int32_t index = TextHitTest(&textRect, shown.data, point);
  DrawContext_End(&context);
  if (index == -2) return 0;
  return index < 0 ? shown.length : index;
}

bool T_EditPopup::MouseDown(InputEvent* event, T_GrafElement* target) {
  if (!enabled || target != this || (!event->leftButton && !event->rightButton)) {
    return T_Edit::MouseDown(event, target);
  }
  bool onStrip = event->x >= content.right - kPopupArrowStrip;
  int32_t mode;
  if (event->rightButton) {
    mode = onStrip || event->rightAlt ? kPopupModeOperator
           : event->control           ? kPopupModeToken
                                      : kPopupModeMenu;
  } else if (event->rightAlt) {
    mode = kPopupModeOperator;
  } else if (onStrip || event->control) {
    mode = kPopupModeToken;
  } else {
    return T_Edit::MouseDown(event, target);
  }
  if (mode == kPopupModeMenu) {
    // The edit field's own right press keeps the link menu over links.
    popupMode = kPopupModeMenu;
    return T_Edit::MouseDown(event, target);
  }
  if (!focus) FocusNext(kFocusForward);
  CommitText();
  POINT point{event->x, event->y};
  int32_t offset = OffsetAt(point);
  if (!onStrip && (event->control || event->rightAlt)) SetSelection(offset, 0);
  RunPopup(mode, event, offset, 0);
  return true;
}

bool T_EditPopup::KeyDown(InputEvent* event, T_GrafElement* target) {
  if (focus && enabled && IsArrowKey(event->keyCode)) {
    int32_t mode = event->rightAlt      ? kPopupModeOperator
                   : event->control     ? kPopupModeToken
                   : event->rightButton ? kPopupModeMenu
                                        : -1;
    if (mode >= 0) {
      CommitText();
      InputEvent at = *event;
      if (mode == kPopupModeMenu) Item_PollPointer(this, &at);
      RunPopup(mode, &at, GetSelStart(), GetSelLength());
      return true;
    }
  }
  return T_Edit::KeyDown(event, target);
}

void T_EditPopup::RunPopup(int32_t mode, const InputEvent* event, int32_t start, int32_t length) {
  if (mode == kPopupModeToken && !tokenPopupAllowed) return;
  if (mode == kPopupModeOperator && !operatorPopupAllowed) return;
  popupMode = mode;
  InputEvent at = *event;
  if (mode != kPopupModeMenu) {
    at.x = content.right - kPopupInsetRight;
    at.y = kPopupTop;
  }
  if (mode == kPopupModeToken) {
    savedStart = GetSelStart();
    savedLength = GetSelLength();
    FindToken(&start, &length);
    if (start != savedStart || length != savedLength) {
      SetSelection(start, length);
      GdiFlush();
      PopupPause(kTokenShowPause);
    } else {
      savedStart = -1;
    }
  }
  DrawContext context;
  DrawContext_Init(&context);
  DrawContext_Begin(&context, this);
  ShowPopup(&at, start, length);
  DrawContext_End(&context);
  if (mode == kPopupModeToken && savedStart >= 0) SetSelection(savedStart, savedLength);
}

void T_EditPopup::ShowPopup(InputEvent* event, int32_t, int32_t) {
  RunContextMenu(this, 0, event, -1);
}

void T_EditPopup::FindToken(int32_t*, int32_t*) {}

// --- Operator lists ---------------------------------------------------------------------------

void OperatorList_Measure(const OperatorEntry* entries, int32_t count, ContextMenuRecord* record) {
  if (!ValidEntry(count, record->entry) || entries[record->entry].label == 0) {
    record->separator = 1;
    record->selectable = 0;
    return;
  }
  record->width = TextWidth(GetString(entries[record->entry].label)) + kLabelExtra;
}

void OperatorList_Draw(const OperatorEntry* entries, int32_t count,
                       const ContextMenuRecord* record) {
  if (!ValidEntry(count, record->entry)) return;
  const OperatorEntry& entry = entries[record->entry];
  if (entry.label == 0) return;
  char character[8];
  OperatorList_Chosen(entries, count, record->entry, character);
  RECT at = record->rect;
  at.left += kCharacterInset;
  TextDrawLine(&at, character, nullptr);
  at = record->rect;
  at.left += kLabelInset;
  TextDrawLine(&at, GetString(entry.label), nullptr);
}

void OperatorList_Chosen(const OperatorEntry* entries, int32_t count, int64_t index, char out[8]) {
  out[0] = 0;
  if (!ValidEntry(count, index)) return;
  const OperatorEntry& entry = entries[index];
  if (entry.label == 0 || entry.character == 0) return;
  Utf8EncodeZ(out, entry.character);
}

// --- T_EditTxVal ------------------------------------------------------------------------------

T_EditTxVal::T_EditTxVal(T_EventHandler* parent, const XYWH& rect, uint32_t id)
    : T_EditPopup(parent, rect, id, false) {}

void T_EditTxVal::ContextMenu(ContextMenuRecord* record, int32_t phase) {
  if (popupMode == kPopupModeMenu || record->selector != 0) {
    T_EditPopup::ContextMenu(record, phase);
    return;
  }
  switch (phase) {
    case kMenuPhaseList:
      record->commands.list = nullptr;
      record->entry = entryCount;
      break;
    case kMenuPhaseMeasure:
      OperatorList_Measure(entries, entryCount, record);
      break;
    case kMenuPhaseDraw:
      OperatorList_Draw(entries, entryCount, record);
      break;
    case kMenuPhaseRun: {
      char character[8];
      OperatorList_Chosen(entries, entryCount, record->entry, character);
      if (character[0]) {
        InsertText(character);
        ResetPopupChoice();
      }
      break;
    }
    default:
      break;
  }
}

const OperatorEntry* TextCriteriaOperators(int32_t* count) {
  *count = static_cast<int32_t>(sizeof kTextOperators / sizeof kTextOperators[0]);
  return kTextOperators;
}

const OperatorEntry* ValueCriteriaOperators(int32_t* count) {
  *count = static_cast<int32_t>(sizeof kValueOperators / sizeof kValueOperators[0]);
  return kValueOperators;
}

namespace {

T_EditTxVal* NewTxVal(T_EventHandler* parent, const XYWH& rect, uint32_t id,
                      const OperatorEntry* (*table)(int32_t*)) {
  auto* field = new (std::nothrow) T_EditTxVal(parent, rect, id);
  if (!field) return nullptr;
  field->entries = table(&field->entryCount);
  EventHandler_Open(field);
  return field;
}

}  // namespace

T_EditTxVal* EditTxVal_NewText(T_EventHandler* parent, const XYWH& rect, uint32_t id) {
  return NewTxVal(parent, rect, id, TextCriteriaOperators);
}

T_EditTxVal* EditTxVal_NewValue(T_EventHandler* parent, const XYWH& rect, uint32_t id) {
  return NewTxVal(parent, rect, id, ValueCriteriaOperators);
}
